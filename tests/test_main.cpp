// The main of every test program: the program runs with folders of its own for temporary files
// ($TMPDIR), for the settings and data of the desktop ($XDG_CONFIG_HOME, $XDG_DATA_HOME) and for
// its run-time files ($XDG_RUNTIME_DIR), made under the temporary folder it was given and removed
// when it ends.  So a test leaves nothing in the system's temporary folder, and two copies of the
// suite running at once never meet in a file there or in the user's home.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char** argv) {
  const char* given = std::getenv("TMPDIR");
  std::string pattern = (given && *given ? std::string(given) : std::string("/tmp")) + "/qn-test-XXXXXX";
  const char* made = ::mkdtemp(pattern.data());
  if (!made) {
    std::perror("mkdtemp");
    return 2;
  }
  const std::filesystem::path own(made);
  for (const char* sub : {"tmp", "config", "data", "run"}) ::mkdir((own / sub).c_str(), 0700);
  ::setenv("TMPDIR", (own / "tmp").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (own / "config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (own / "data").c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", (own / "run").c_str(), 1);
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(own, ignored);
  return result;
}
