// A German locale (decimal comma, point grouping) for the tests of numbers that must not depend
// on the desktop's locale. The machine's own is used when it has one; otherwise localedef makes
// one into a folder of the test's own (found through LOCPATH), removed when the test ends.
//
//   TDecimalCommaLocale comma;        // the C library runs in the comma locale until it goes
//   ASSERT_TRUE(comma.Active());
#pragma once

#include <stdlib.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

class TDecimalCommaLocale {
public:
  static constexpr const char* kName = "de_DE.UTF-8";

  TDecimalCommaLocale() {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    FPrevious = previous ? previous : "C";
    if (const char* path = std::getenv("LOCPATH")) FLocPath = path, FHadLocPath = true;
    if (!std::setlocale(LC_ALL, kName)) Make();
    FActive = std::setlocale(LC_ALL, kName) != nullptr && std::localeconv()->decimal_point == std::string(",");
  }
  ~TDecimalCommaLocale() {
    std::setlocale(LC_ALL, FPrevious.c_str());
    if (FHadLocPath) setenv("LOCPATH", FLocPath.c_str(), 1);
    else unsetenv("LOCPATH");
    if (!FFolder.empty()) std::filesystem::remove_all(FFolder);
  }
  TDecimalCommaLocale(const TDecimalCommaLocale&) = delete;
  TDecimalCommaLocale& operator=(const TDecimalCommaLocale&) = delete;

  // True when the C library now reads and writes numbers with a decimal comma.
  bool Active() const { return FActive; }

private:
  void Make() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/qn-locale-XXXXXX";
    if (!mkdtemp(pattern.data())) return;
    FFolder = pattern;
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + FFolder + "/" + kName + "' > '" + FFolder + "/localedef.log' 2>&1";
    // localedef warns about some of its sources and still writes the locale (exit status 1).
    const int status = std::system(command.c_str());
    (void)status;
    setenv("LOCPATH", FFolder.c_str(), 1);
  }

  std::string FPrevious, FLocPath, FFolder;
  bool FHadLocPath = false;
  bool FActive = false;
};
