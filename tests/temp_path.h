// A path in the test program's temporary folder ($TMPDIR: its main makes one for each program
// and removes it at the end), for scratch files and mkdtemp patterns; never a fixed /tmp path.
#pragma once

#include <filesystem>
#include <string>

inline std::string TempPath(const std::string& Name) {
  return (std::filesystem::temp_directory_path() / Name).string();
}
