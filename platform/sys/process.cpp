#include "platform/sys/process.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "platform/sys/files.h"

extern char** environ;

namespace {

// The arguments, [0] the absolute program path. Never freed: code run by static destructors
// (clean-up at the end of the program) still asks for the program path.
struct TParams {
  std::mutex Lock;
  std::vector<std::string> Values;
  bool Set = false;
};

TParams& Params() {
  static auto* params = new TParams;
  return *params;
}
std::atomic<bool> GIsLibrary{false};

std::string SelfExe() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<size_t>(n));
}

// argv[0] against the start folder, "." and ".." components folded; links stay as named.
std::string AbsoluteProgramPath(const std::string& arg0) {
  if (arg0.empty()) return SelfExe();
  std::string path = arg0;
  if (path.find('/') == std::string::npos) {
    // Found on PATH by the shell: the kernel's idea of the file is the best we have.
    return SelfExe();
  }
  if (path[0] != '/') path = GetCurrentDir() + "/" + path;
  std::vector<std::string> parts;
  size_t start = 1;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    std::string part = path.substr(start, slash - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = slash + 1;
  }
  std::string result;
  for (const std::string& part : parts) result += "/" + part;
  return result.empty() ? "/" : result;
}

// ---- quit signals ----
std::atomic<int> GQuitSignal{0};
std::atomic<bool> GQuitFlag{false};
// The pipe an event loop watches for a quit signal: made at the first ask (QuitSignalFd), since a
// process that only looks at the flag (a CGI process waiting for its reply) needs none.
std::atomic<int> GQuitPipeRead{-1};
std::atomic<int> GQuitPipeWrite{-1};
std::once_flag GQuitOnce;
std::once_flag GQuitPipeOnce;

void WakeQuitPipe() {
  const int fd = GQuitPipeWrite.load();
  if (fd >= 0) {
    char byte = 1;
    ssize_t ignored = ::write(fd, &byte, 1);
    (void)ignored;
  }
}

void OnQuitSignal(int sig) {
  const int saved = errno;
  GQuitSignal = sig;
  GQuitFlag = true;
  WakeQuitPipe();
  errno = saved;
}

// ---- exit flushes ----
std::mutex GFlushLock;
std::map<int, std::function<void()>> GFlushes;
int GNextFlushId = 1;

// ---- children whose handle was freed while they ran ----
std::mutex GAbandonedLock;
std::vector<pid_t> GAbandoned;

void ReapAbandoned() {
  std::lock_guard<std::mutex> guard(GAbandonedLock);
  std::erase_if(GAbandoned, [](pid_t pid) {
    int status;
    pid_t r = ::waitpid(pid, &status, WNOHANG);
    return r == pid || (r < 0 && errno == ECHILD);
  });
}

// ---- process starter ----
TProcessStarter GDefaultStarter;
std::atomic<TProcessStarter*> GStarter{nullptr};

std::vector<char*> ArgVector(const std::string& path, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

// Closes every descriptor from 3 up except Keep. Runs between fork and exec, so it calls only
// async-signal-safe functions.
void CloseInheritedDescriptors(int keep) {
  auto closeRange = [](unsigned first, unsigned last) {
    if (first > last) return;
    if (::close_range(first, last, 0) == 0) return;
    long max = ::sysconf(_SC_OPEN_MAX);
    if (max < 0 || max > 1 << 20) max = 1 << 20;
    for (unsigned fd = first; fd <= last && fd < static_cast<unsigned>(max); ++fd) ::close(static_cast<int>(fd));
  };
  if (keep > 3) closeRange(3, static_cast<unsigned>(keep) - 1);
  closeRange(keep >= 3 ? static_cast<unsigned>(keep) + 1 : 3, ~0u);
}

}  // namespace

// ---- program path and arguments ----

void InitProcess(int argc, char** argv) {
  {
    TParams& p = Params();
    std::lock_guard<std::mutex> guard(p.Lock);
    p.Values.clear();
    p.Values.push_back(AbsoluteProgramPath(argc > 0 && argv[0] ? argv[0] : ""));
    for (int i = 1; i < argc; ++i) p.Values.push_back(argv[i] ? argv[i] : "");
    p.Set = true;
  }
  ::signal(SIGPIPE, SIG_IGN);
}

int ParamCount() {
  TParams& p = Params();
  std::lock_guard<std::mutex> guard(p.Lock);
  return p.Set ? static_cast<int>(p.Values.size()) - 1 : 0;
}

std::string ParamStr(int Index) {
  TParams& p = Params();
  std::lock_guard<std::mutex> guard(p.Lock);
  if (!p.Set) return Index == 0 ? SelfExe() : std::string();
  if (Index < 0 || Index >= static_cast<int>(p.Values.size())) return {};
  return p.Values[static_cast<size_t>(Index)];
}

bool IsLibrary() { return GIsLibrary; }
void SetIsLibrary(bool Value) { GIsLibrary = Value; }

std::string GetModuleFileName() {
  if (IsLibrary()) {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&GetModuleFileName), &info) && info.dli_fname &&
        std::strchr(info.dli_fname, '/'))
      return AbsoluteProgramPath(info.dli_fname);
  }
  return ParamStr(0);
}

// ---- environment ----

std::string GetEnvironmentVariable(const std::string& Name) {
  const char* value = Name.empty() ? nullptr : std::getenv(Name.c_str());
  return value ? std::string(value) : std::string();
}

bool EnvironmentVariableExists(const std::string& Name) {
  return !Name.empty() && std::getenv(Name.c_str()) != nullptr;
}

static bool ValidEnvName(const std::string& Name) {
  return !Name.empty() && Name.find('=') == std::string::npos &&
         Name.find('\0') == std::string::npos;
}

bool SetEnvironmentVariable(const std::string& Name, const std::string& Value) {
  if (!ValidEnvName(Name) || Value.find('\0') != std::string::npos) return false;
  return ::setenv(Name.c_str(), Value.c_str(), 1) == 0;
}

bool RemoveEnvironmentVariable(const std::string& Name) {
  if (!ValidEnvName(Name)) return false;
  return ::unsetenv(Name.c_str()) == 0;
}

std::vector<std::string> GetEnvironmentStrings() {
  std::vector<std::string> result;
  for (char** e = environ; e && *e; ++e) result.emplace_back(*e);
  return result;
}

// ---- starting programs ----

std::vector<std::string> SplitCommandLine(const std::string& CommandLine) {
  std::vector<std::string> words;
  const size_t n = CommandLine.size();
  size_t i = 0;
  for (;;) {
    while (i < n && (CommandLine[i] == ' ' || CommandLine[i] == '\t')) ++i;
    if (i >= n) break;
    std::string word;
    bool quoted = false;
    while (i < n) {
      char c = CommandLine[i];
      if (!quoted && (c == ' ' || c == '\t')) break;
      if (c == '\\') {
        size_t slashes = 0;
        while (i < n && CommandLine[i] == '\\') ++slashes, ++i;
        if (i < n && CommandLine[i] == '"') {
          word.append(slashes / 2, '\\');
          if (slashes % 2) {
            word += '"';
            ++i;
          }
        } else {
          word.append(slashes, '\\');
        }
        continue;
      }
      if (c == '"') {
        if (quoted && i + 1 < n && CommandLine[i + 1] == '"') {
          word += '"';
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      word += c;
      ++i;
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::string ResolveProgramPath(const std::string& Path) {
  struct stat st {};
  if (!Path.empty() && ::stat(Path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) return Path;
  if (Path.size() > 4) {
    std::string ext = Path.substr(Path.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".exe") {
      std::string bare = Path.substr(0, Path.size() - 4);
      if (::stat(bare.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) return bare;
    }
  }
  return {};
}

TProcessHandle::~TProcessHandle() {
  // A child that still runs is left alone; it is reaped once it has ended, at a later start.
  if (!FEnded && !WaitFor(0)) {
    std::lock_guard<std::mutex> guard(GAbandonedLock);
    GAbandoned.push_back(FPid);
  }
}

bool TProcessHandle::WaitFor(int TimeoutMs) {
  if (FEnded) return true;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  unsigned pause = 1;
  for (;;) {
    int status = 0;
    pid_t r = ::waitpid(FPid, &status, WNOHANG);
    if (r == FPid) {
      FEnded = true;
      if (WIFEXITED(status)) FExitCode = WEXITSTATUS(status);
      else if (WIFSIGNALED(status)) FExitCode = 128 + WTERMSIG(status);
      else FExitCode = 0;
      return true;
    }
    if (r < 0 && errno != EINTR) {
      // Not our child (or reaped elsewhere): ended as far as we can know.
      FEnded = true;
      FExitCode = 0;
      return true;
    }
    if (TimeoutMs == 0) return false;
    if (TimeoutMs > 0 && std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    if (pause < 20) pause *= 2;
  }
}

int TProcessHandle::ExitCode() {
  WaitFor(0);
  return FExitCode;
}

bool TProcessStarter::StartDetached(const std::string& Path, const std::vector<std::string>& Args) {
  // The grandchild reports a failed execv through a close-on-exec pipe: a byte means failure,
  // end of file means the program runs.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  std::vector<char*> argv = ArgVector(Path, Args);
  pid_t child = ::fork();
  if (child < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (child == 0) {
    ::close(report[0]);
    ::setsid();
    pid_t grandchild = ::fork();
    if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
    // Default signal dispositions and no blocked signals for the new program.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGCHLD}) ::signal(sig, SIG_DFL);
    int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, 0);
      ::dup2(null, 1);
      ::dup2(null, 2);
      if (null > 2) ::close(null);
    }
    CloseInheritedDescriptors(report[1]);
    ::execv(Path.c_str(), argv.data());
    char byte = 1;
    ssize_t ignored = ::write(report[1], &byte, 1);
    (void)ignored;
    ::_exit(127);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  char byte = 0;
  ssize_t n;
  do {
    n = ::read(report[0], &byte, 1);
  } while (n < 0 && errno == EINTR);
  ::close(report[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

std::unique_ptr<TProcessHandle> TProcessStarter::Start(const std::string& Path,
                                                       const std::vector<std::string>& Args) {
  std::vector<char*> argv = ArgVector(Path, Args);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int sig : {SIGPIPE, SIGTERM, SIGINT, SIGHUP}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  // The child keeps the standard handles and nothing else of ours (sockets, locked files).
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  pid_t pid = 0;
  ReapAbandoned();
  int rc = ::posix_spawn(&pid, Path.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return nullptr;
  return std::make_unique<TProcessHandle>(pid);
}

TProcessStarter& ProcessStarter() {
  TProcessStarter* s = GStarter.load();
  return s ? *s : GDefaultStarter;
}

void SetProcessStarter(TProcessStarter* Starter) { GStarter = Starter; }

bool StartProcessDetached(const std::string& Path, const std::vector<std::string>& Args) {
  std::string program = ResolveProgramPath(Path);
  if (program.empty()) return false;
  return ProcessStarter().StartDetached(program, Args);
}

std::unique_ptr<TProcessHandle> StartProcess(const std::string& Path,
                                             const std::vector<std::string>& Args) {
  std::string program = ResolveProgramPath(Path);
  if (program.empty()) return nullptr;
  return ProcessStarter().Start(program, Args);
}

bool StartCommandLineDetached(const std::string& CommandLine) {
  std::vector<std::string> words = SplitCommandLine(CommandLine);
  if (words.empty()) return false;
  std::string program = words.front();
  words.erase(words.begin());
  return StartProcessDetached(program, words);
}

bool TerminateProcess(TProcessHandle& Process, int /*ExitCode*/) {
  if (Process.WaitFor(0)) return true;
  ::kill(Process.Pid(), SIGTERM);
  if (Process.WaitFor(5000)) return true;
  ::kill(Process.Pid(), SIGKILL);
  return Process.WaitFor(5000);
}

// ---- exit and signals ----

void ExitProcess(int Code) {
  std::map<int, std::function<void()>> flushes;
  {
    std::lock_guard<std::mutex> guard(GFlushLock);
    flushes = GFlushes;
  }
  for (auto& [id, flush] : flushes) {
    try {
      if (flush) flush();
    } catch (...) {
    }
  }
  // The standard streams write through C's (they are synchronised with it), so this flushes them
  // too.
  std::fflush(nullptr);
  ::_exit(Code);
}

int AddExitFlush(std::function<void()> Flush) {
  std::lock_guard<std::mutex> guard(GFlushLock);
  int id = GNextFlushId++;
  GFlushes[id] = std::move(Flush);
  return id;
}

void RemoveExitFlush(int Id) {
  std::lock_guard<std::mutex> guard(GFlushLock);
  GFlushes.erase(Id);
}

void InstallQuitSignals() {
  std::call_once(GQuitOnce, [] {
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
  });
}

bool QuitSignalled() { return GQuitFlag; }
int LastQuitSignal() { return GQuitSignal; }
int QuitSignalFd() {
  std::call_once(GQuitPipeOnce, [] {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    GQuitPipeRead = fds[0];
    GQuitPipeWrite = fds[1];
    // A signal that came before the pipe is not lost to its watcher.
    if (GQuitFlag) WakeQuitPipe();
  });
  return GQuitPipeRead;
}

void ClearQuitSignal() {
  if (const int fd = GQuitPipeRead.load(); fd >= 0) {
    char buffer[64];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
  }
  GQuitFlag = false;
}

// ---- sleep and clocks ----

void Sleep(DWORD Milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

std::uint64_t GetTickCount64() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
         static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }
