// A path in the test program's temporary folder ($TMPDIR: its main makes one for each program
// and removes it at the end), for scratch files and mkdtemp patterns; never a fixed /tmp path.
// Scratch files are read and written whole, as bytes.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

inline std::string TempPath(const std::string& Name) {
  return (std::filesystem::temp_directory_path() / Name).string();
}

// The file's bytes ("" when it cannot be read).
inline std::string ReadWholeFile(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream Bytes;
  Bytes << In.rdbuf();
  return Bytes.str();
}

// The file made anew with these bytes (left as it is when it cannot be written).
inline void WriteWholeFile(const std::filesystem::path& Path, std::string_view Bytes) {
  std::ofstream(Path, std::ios::binary | std::ios::trunc).write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}
