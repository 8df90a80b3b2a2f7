#include "platform/sys/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <csignal>
#include <mutex>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/rtl/exceptions.h"
#include "platform/sys/process.h"

namespace {

bool StatPath(const std::string& name, struct stat& st) {
  return !name.empty() && ::stat(name.c_str(), &st) == 0;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// Folder and last component of a path; the folder is "." for a bare name.
void SplitPath(const std::string& path, std::string& folder, std::string& name) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    folder = ".";
    name = path;
  } else {
    folder = slash == 0 ? "/" : path.substr(0, slash);
    name = path.substr(slash + 1);
  }
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// Folder names of a FindFirst path keep the caller's form ("" for a bare mask).
std::string ResultFolder(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool WildMatch(const char* name, const char* mask) {
  // Iterative '*' backtracking: linear in practice, no recursion depth to attack.
  const char* starMask = nullptr;
  const char* starName = nullptr;
  while (*name) {
    if (*mask == '*') {
      starMask = ++mask;
      starName = name;
    } else if (*mask == '?' || (*mask && LowerAscii(*mask) == LowerAscii(*name))) {
      ++mask;
      ++name;
    } else if (starMask) {
      mask = starMask;
      name = ++starName;
    } else {
      return false;
    }
  }
  while (*mask == '*') ++mask;
  return *mask == '\0';
}

int AttrOf(const struct stat& st, const std::string& path) {
  int attr = 0;
  if (S_ISDIR(st.st_mode)) attr |= faDirectory;
  if (::access(path.c_str(), W_OK) != 0 && errno == EACCES) attr |= faReadOnly;
  return attr;
}

}  // namespace

struct TSearchRec::TState {
  std::vector<TSearchRec> Matches;
  size_t Next = 0;
};

bool FileExists(const std::string& Name) {
  struct stat st {};
  return StatPath(Name, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& Name) {
  struct stat st {};
  return StatPath(Name, st) && S_ISDIR(st.st_mode);
}

std::int64_t FileSize(const std::string& Name) {
  struct stat st {};
  if (!StatPath(Name, st) || S_ISDIR(st.st_mode)) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool DeleteFile(const std::string& Name) {
  if (Name.empty() || DirectoryExists(Name)) return false;
  return ::unlink(Name.c_str()) == 0;
}

bool RenameFile(const std::string& OldName, const std::string& NewName) {
  if (OldName.empty() || NewName.empty()) return false;
  // renameat2(RENAME_NOREPLACE) refuses an existing target atomically.
  if (::renameat2(AT_FDCWD, OldName.c_str(), AT_FDCWD, NewName.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without the flag: check, then rename.
  struct stat st {};
  if (::lstat(NewName.c_str(), &st) == 0) return false;
  return ::rename(OldName.c_str(), NewName.c_str()) == 0;
}

bool CreateDir(const std::string& Name, unsigned Mode) {
  return !Name.empty() && ::mkdir(Name.c_str(), static_cast<mode_t>(CreationMode(Mode))) == 0;
}

bool ForceDirectories(const std::string& Name, unsigned Mode) {
  if (Name.empty()) return false;
  std::string path = Name;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (DirectoryExists(path)) return true;
  size_t pos = path[0] == '/' ? 1 : 0;
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    std::string prefix = path.substr(0, slash);
    if (!prefix.empty() && !DirectoryExists(prefix)) {
      if (!CreateDir(prefix, Mode) && errno != EEXIST) return false;
    }
    pos = slash + 1;
  }
  return DirectoryExists(path);
}

bool RemoveDir(const std::string& Name) { return !Name.empty() && ::rmdir(Name.c_str()) == 0; }

std::string GetCurrentDir() {
  std::string dir(4096, '\0');
  while (!::getcwd(dir.data(), dir.size())) {
    if (errno != ERANGE) return {};
    dir.resize(dir.size() * 2);
  }
  dir.resize(std::strlen(dir.c_str()));
  return dir;
}

bool SetCurrentDir(const std::string& Name) { return !Name.empty() && ::chdir(Name.c_str()) == 0; }

std::int64_t FileAge(const std::string& Name) {
  struct stat st {};
  if (!StatPath(Name, st) || S_ISDIR(st.st_mode)) return -1;
  return static_cast<std::int64_t>(st.st_mtim.tv_sec);
}

std::int64_t FileGetDate(int Fd) {
  struct stat st {};
  if (::fstat(Fd, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_mtim.tv_sec);
}

int FileSetDate(const std::string& Name, std::int64_t Age) {
  timespec times[2] = {{static_cast<time_t>(Age), 0}, {static_cast<time_t>(Age), 0}};
  return ::utimensat(AT_FDCWD, Name.c_str(), times, 0) == 0 ? 0 : errno;
}

int FileSetDate(int Fd, std::int64_t Age) {
  timespec times[2] = {{static_cast<time_t>(Age), 0}, {static_cast<time_t>(Age), 0}};
  return ::futimens(Fd, times) == 0 ? 0 : errno;
}

double FileDateToDateTime(std::int64_t Age) {
  time_t t = static_cast<time_t>(Age);
  struct tm local {};
  ::localtime_r(&t, &local);
  // Local wall-clock seconds since 1970, then days since 30 December 1899 (25569 days earlier).
  const double localSeconds = static_cast<double>(Age) + static_cast<double>(local.tm_gmtoff);
  return localSeconds / 86400.0 + 25569.0;
}

bool FileTouch(const std::string& Name) {
  return !Name.empty() && ::utimensat(AT_FDCWD, Name.c_str(), nullptr, 0) == 0;
}

bool FileTouch(int Fd) { return ::futimens(Fd, nullptr) == 0; }

double FileModifiedAgeSeconds(const std::string& Name) {
  struct stat st {};
  if (!StatPath(Name, st)) return -1.0;
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  double age = static_cast<double>(now.tv_sec - st.st_mtim.tv_sec) +
               static_cast<double>(now.tv_nsec - st.st_mtim.tv_nsec) / 1e9;
  return age < 0 ? 0.0 : age;
}

std::string FindFileNoCase(const std::string& Path) {
  struct stat st {};
  if (StatPath(Path, st)) return Path;
  std::string folder, name;
  SplitPath(Path, folder, name);
  if (name.empty()) return {};
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return {};
  std::string found;
  while (dirent* entry = ::readdir(dir)) {
    if (EqualNoCase(entry->d_name, name)) {
      // Several spellings: the smallest by bytes, so the answer does not depend on readdir order.
      if (found.empty() || std::strcmp(entry->d_name, found.c_str()) < 0) found = entry->d_name;
    }
  }
  ::closedir(dir);
  if (found.empty()) return {};
  size_t slash = Path.rfind('/');
  return slash == std::string::npos ? found : Path.substr(0, slash + 1) + found;
}

bool MatchesMask(const std::string& Name, const std::string& Mask) {
  if (Mask == "*.*" || Mask == "*") return true;
  return WildMatch(Name.c_str(), Mask.c_str());
}

int FindFirst(const std::string& Path, int Attr, TSearchRec& F) {
  FindClose(F);
  std::string folder, mask;
  SplitPath(Path, folder, mask);
  if (mask.empty()) mask = "*";
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 3;  // ERROR_PATH_NOT_FOUND
  auto state = std::make_shared<TSearchRec::TState>();
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (!MatchesMask(name, mask)) continue;
    std::string full = JoinPath(folder, name);
    struct stat st {};
    if (::stat(full.c_str(), &st) != 0) continue;  // vanished, or a dangling link
    const bool isDir = S_ISDIR(st.st_mode);
    if (isDir && !(Attr & faDirectory)) continue;
    TSearchRec rec;
    rec.Name = name;
    rec.Size = isDir ? 0 : static_cast<std::int64_t>(st.st_size);
    rec.Time = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    rec.Attr = AttrOf(st, full);
    state->Matches.push_back(std::move(rec));
  }
  ::closedir(dir);
  std::sort(state->Matches.begin(), state->Matches.end(),
            [](const TSearchRec& a, const TSearchRec& b) { return a.Name < b.Name; });
  if (state->Matches.empty()) return 2;  // ERROR_FILE_NOT_FOUND
  F.FindData = state;
  return FindNext(F);
}

int FindNext(TSearchRec& F) {
  if (!F.FindData || F.FindData->Next >= F.FindData->Matches.size()) return 18;  // no more files
  auto state = F.FindData;
  const TSearchRec& next = state->Matches[state->Next++];
  F.Name = next.Name;
  F.Size = next.Size;
  F.Time = next.Time;
  F.Attr = next.Attr;
  return 0;
}

void FindClose(TSearchRec& F) { F.FindData.reset(); }

std::vector<std::string> FindFiles(const std::string& Path, int Attr) {
  std::vector<std::string> result;
  const std::string prefix = ResultFolder(Path);
  TSearchRec rec;
  for (int rc = FindFirst(Path, Attr, rec); rc == 0; rc = FindNext(rec))
    result.push_back(prefix + rec.Name);
  FindClose(rec);
  return result;
}

int DeleteMatchingFiles(const std::string& Path) {
  int count = 0;
  for (const std::string& name : FindFiles(Path, 0))
    if (DeleteFile(name)) ++count;
  return count;
}

std::string GetTempDir() {
  std::string dir = GetEnvironmentVariable("TMPDIR");
  if (dir.empty() || !DirectoryExists(dir)) dir = "/tmp";
  if (dir.back() != '/') dir += '/';
  return dir;
}

TTempFile::TTempFile(const std::string& Prefix, const std::string& Folder) {
  std::string folder = Folder.empty() ? GetTempDir() : Folder;
  if (folder.back() != '/') folder += '/';
  std::string prefix = Prefix;
  // A prefix is a name part, never a path.
  std::replace(prefix.begin(), prefix.end(), '/', '_');
  std::string pattern = folder + prefix + "XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  FFd = ::mkostemp(buffer.data(), O_CLOEXEC);
  if (FFd < 0) throw EFCreateError::ForFile(pattern);
  FName = buffer.data();
}

TTempFile::~TTempFile() {
  CloseHandle();
  if (!FKeep && !FName.empty()) ::unlink(FName.c_str());
}

void TTempFile::CloseHandle() {
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
}

std::string TTempFile::Release() {
  FKeep = true;
  return FName;
}

bool RetryWithPause(int Attempts, unsigned PauseMs, const std::function<bool()>& Attempt,
                    bool PauseAfterSuccess) {
  bool ok = false;
  for (int i = 0; i < Attempts; ++i) {
    const bool last = i + 1 >= Attempts;
    if (last) {
      ok = Attempt();
    } else {
      try {
        ok = Attempt();
      } catch (...) {
        ok = false;
      }
    }
    if (ok) {
      if (PauseAfterSuccess) Sleep(PauseMs);
      return true;
    }
    Sleep(PauseMs);
  }
  return ok;
}

// ---- Folder events ---------------------------------------------------------------------------

TFolderWatch::TFolderWatch(const std::string& Folder, unsigned Events) {
  std::uint32_t mask = 0;
  if (Events & fwWritten) mask |= IN_MODIFY;  // not IN_CLOSE_WRITE: every open for writing gives one
  if (Events & fwArrived) mask |= IN_CREATE | IN_MOVED_TO;
  if (Events & fwTouched) mask |= IN_ATTRIB;
  FFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (FFd < 0) return;
  if (inotify_add_watch(FFd, Folder.c_str(), mask | IN_ONLYDIR) < 0) {
    ::close(FFd);
    FFd = -1;
  }
}

TFolderWatch::~TFolderWatch() {
  if (FFd >= 0) ::close(FFd);
}

bool WaitReadable(int Fd, int TimeoutMs) {
  if (Fd < 0) {
    if (TimeoutMs > 0) Sleep(static_cast<unsigned>(TimeoutMs));
    return false;
  }
  pollfd p{Fd, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&p, 1, TimeoutMs);
  } while (ready < 0 && errno == EINTR);
  return ready > 0;
}

bool TFolderWatch::Wait(int TimeoutMs, std::vector<std::string>* Names) {
  if (!WaitReadable(FFd, TimeoutMs)) return false;
  alignas(inotify_event) char buffer[16384];
  bool any = false;
  for (;;) {
    ssize_t got = ::read(FFd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    any = true;
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (Names) {
        if (event->mask & IN_Q_OVERFLOW)
          Names->emplace_back();
        else if (event->len > 0)
          Names->emplace_back(event->name, strnlen(event->name, event->len));
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  return any;
}

// ---- Mapped files --------------------------------------------------------------------------------

TMappedFile::TMappedFile(const std::string& FileName) {
  const int Fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) return;
  struct stat Info {};
  if (::fstat(Fd, &Info) == 0 && S_ISREG(Info.st_mode) && Info.st_size > 0) {
    void* Data = ::mmap(nullptr, static_cast<std::size_t>(Info.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, Fd, 0);
    if (Data != MAP_FAILED) {
      FData = Data;
      FSize = static_cast<std::size_t>(Info.st_size);
    }
  }
  ::close(Fd);
}

TMappedFile::~TMappedFile() {
  if (FData) ::munmap(FData, FSize);
}

namespace {

thread_local sigjmp_buf* tMappedReadGuard = nullptr;

void OnBusError(int Signal, siginfo_t*, void*) {
  if (sigjmp_buf* Guard = tMappedReadGuard) siglongjmp(*Guard, 1);
  // Not a guarded read: the fault of the program as it would have been.
  ::signal(Signal, SIG_DFL);
  ::raise(Signal);
}

}  // namespace

bool RunGuardingMappedReads(const std::function<void()>& Work) {
  static std::once_flag Installed;
  std::call_once(Installed, [] {
    struct sigaction Action {};
    Action.sa_sigaction = OnBusError;
    Action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&Action.sa_mask);
    ::sigaction(SIGBUS, &Action, nullptr);
  });
  sigjmp_buf Guard;
  sigjmp_buf* const Outer = tMappedReadGuard;
  if (sigsetjmp(Guard, 1) != 0) {
    tMappedReadGuard = Outer;
    return false;
  }
  tMappedReadGuard = &Guard;
  try {
    Work();
  } catch (...) {
    tMappedReadGuard = Outer;
    throw;
  }
  tMappedReadGuard = Outer;
  return true;
}
