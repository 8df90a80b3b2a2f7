// What every fuzz target shares: seeds written by the project's own writers into an empty corpus
// folder at the first run, and the split of one input into a few byte strings.  Files are read
// and written whole by the tests' own ReadWholeFile and WriteWholeFile.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tests/temp_path.h"

// Each target defines its seeds: inputs written by the code under test's own writers, so the
// fuzzer starts from well-formed streams and mutates them.
std::vector<std::string> FuzzSeeds();

namespace fuzz {

// True when the folder can be read and holds nothing but Only (nothing at all, without Only).
inline bool FolderHoldsOnly(const std::string& Path, const char* Only = nullptr) {
  DIR* D = ::opendir(Path.c_str());
  if (!D) return false;
  bool Alone = true;
  while (dirent* E = ::readdir(D)) {
    if (std::strcmp(E->d_name, ".") != 0 && std::strcmp(E->d_name, "..") != 0 &&
        !(Only && std::strcmp(E->d_name, Only) == 0)) {
      Alone = false;
      break;
    }
  }
  ::closedir(D);
  return Alone;
}

inline bool FolderIsEmpty(const std::string& Path) { return FolderHoldsOnly(Path); }

// The first argument that is not a flag is the corpus folder: when it is empty (or missing), the
// seeds go there before the fuzzer reads it.
inline void WriteSeeds(int Argc, char** Argv) {
  for (int i = 1; i < Argc; ++i) {
    if (Argv[i][0] == '-') continue;
    const std::string Folder = Argv[i];
    ::mkdir(Folder.c_str(), 0755);
    if (!FolderIsEmpty(Folder)) return;
    int N = 0;
    for (const std::string& Seed : FuzzSeeds()) WriteWholeFile(Folder + "/seed" + std::to_string(N++), Seed);
    return;
  }
}

// Takes the bytes up to the next Separator (or all that are left).
inline std::string_view Take(std::string_view& Input, char Separator) {
  const std::size_t At = Input.find(Separator);
  const std::string_view Head = Input.substr(0, At);
  Input.remove_prefix(At == std::string_view::npos ? Input.size() : At + 1);
  return Head;
}

// Where the targets' files go: the machine's memory file system when it has one with room,
// else $TMPDIR (or /tmp).  Each input writes and flushes files; on a disk, and with the other
// targets flushing beside it, that costs many times the run itself.
inline std::string ScratchBase() {
  struct stat Info {};
  struct statvfs Room {};
  if (::stat("/dev/shm", &Info) == 0 && S_ISDIR(Info.st_mode) && ::access("/dev/shm", W_OK | X_OK) == 0 &&
      ::statvfs("/dev/shm", &Room) == 0 && static_cast<unsigned long long>(Room.f_bavail) * Room.f_frsize >= (64ull << 20))
    return "/dev/shm";
  const char* Base = std::getenv("TMPDIR");
  return Base && *Base ? Base : "/tmp";
}

// A folder of this process's own under ScratchBase(), made at the first call and removed with
// what it holds when the process exits; it ends with "/".
inline const std::string& PrivateFolder() {
  // Never freed: the removal at exit still needs it.
  static const std::string* Folder = [] {
    std::string Pattern = ScratchBase() + "/qn_fuzz_XXXXXX";
    if (!::mkdtemp(Pattern.data())) std::abort();
    return new std::string(Pattern + "/");
  }();
  static const bool Removed = [] {
    return std::atexit([] {
      std::error_code Ignored;
      std::filesystem::remove_all(*Folder, Ignored);
    }) == 0;
  }();
  (void)Removed;
  return *Folder;
}

inline std::string_view AsView(const std::uint8_t* Data, std::size_t Size) {
  return {reinterpret_cast<const char*>(Data), Size};
}

}  // namespace fuzz

#define QN_FUZZ_SEEDS_FROM_ARGUMENTS                            \
  extern "C" int LLVMFuzzerInitialize(int* Argc, char*** Argv) { \
    fuzz::WriteSeeds(*Argc, *Argv);                              \
    return 0;                                                    \
  }

// The same for a target that first sets something up once (a backend, a folder of its own);
// the seeds may need it.
#define QN_FUZZ_SET_UP_THEN_SEEDS(SetUp)                         \
  extern "C" int LLVMFuzzerInitialize(int* Argc, char*** Argv) { \
    SetUp();                                                     \
    fuzz::WriteSeeds(*Argc, *Argv);                              \
    return 0;                                                    \
  }
