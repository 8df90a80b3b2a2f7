// The folder a benchmark works in: made new under a parent folder (the temp folder unless given)
// with a name no other folder has, and removed whole when the benchmark is done with it.  A
// benchmark writes nothing outside it and removes nothing but it.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace qn_bench {

class TScratchFolder {
public:
  explicit TScratchFolder(const std::string& Prefix, const std::filesystem::path& Parent = {}) {
    const std::filesystem::path Under = Parent.empty() ? std::filesystem::temp_directory_path() : Parent;
    std::string Pattern = (Under / (Prefix + "_XXXXXX")).string();
    if (!::mkdtemp(Pattern.data()))
      throw std::runtime_error("cannot make a folder of its own under " + Under.string());
    FPath = Pattern;
  }
  ~TScratchFolder() {
    if (std::getenv("QN_BENCH_KEEP")) {
      std::fprintf(stderr, "kept %s\n", FPath.c_str());
      return;
    }
    std::error_code Ignored;
    std::filesystem::remove_all(FPath, Ignored);
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  std::filesystem::path operator/(const std::string& Name) const { return FPath / Name; }

private:
  std::filesystem::path FPath;
};

}  // namespace qn_bench
