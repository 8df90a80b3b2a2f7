// A scratch folder for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>
#include "tests/temp_path.h"

class TScratchDir {
public:
  TScratchDir() {
    std::string pattern = TempPath("qn_sys_test_XXXXXX");
    Path = ::mkdtemp(pattern.data());
  }
  ~TScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(Path, ignored);
  }
  std::string operator/(const std::string& name) const { return Path + "/" + name; }
  void Write(const std::string& name, const std::string& data) const {
    std::ofstream(Path + "/" + name, std::ios::binary) << data;
  }
  std::string Path;
};

inline std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
