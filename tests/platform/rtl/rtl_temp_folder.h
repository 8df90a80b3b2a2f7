// A temporary folder for one test, removed with its contents afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include "tests/temp_path.h"

class TTempFolder {
public:
  TTempFolder() {
    std::string pattern = TempPath("qn_rtl_XXXXXX");
    const char* made = mkdtemp(pattern.data());
    EXPECT_NE(made, nullptr);
    FPath = made ? made : "";
  }
  ~TTempFolder() {
    std::error_code ec;
    std::filesystem::permissions(FPath, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(FPath, ec);
  }
  const std::string& Path() const { return FPath; }
  std::string File(const std::string& name) const { return FPath + "/" + name; }

private:
  std::string FPath;
};
