// Whole files in and out, for the server tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

inline std::string ReadAll(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), {});
}

inline void WriteAllTo(const std::filesystem::path& Path, const std::string& Data) {
  std::ofstream(Path, std::ios::binary) << Data;
}
