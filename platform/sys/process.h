// The program's own process: arguments and path, environment, starting and stopping other
// programs, exit, signals and clocks.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/win_types.h"

// ---- Program path and arguments -----------------------------------------------------------
// Called from main before anything else: keeps the arguments, makes argv[0] absolute against
// the start folder (symbolic links are not resolved) and ignores SIGPIPE.
void InitProcess(int argc, char** argv);
// The number of arguments after the program path.
int ParamCount();
// ParamStr(0) is the program path; 1..ParamCount the arguments; anything else is empty.
// Before InitProcess, ParamStr(0) is the path of the running executable (/proc/self/exe).
std::string ParamStr(int Index);

// Loaded as a shared library into another program (the module path then comes from dladdr).
bool IsLibrary();
void SetIsLibrary(bool Value);
// The file of the running module: the library's own path when IsLibrary, else ParamStr(0).
std::string GetModuleFileName();

// ---- Environment ---------------------------------------------------------------------------
// The whole value; empty when the variable is not set.
std::string GetEnvironmentVariable(const std::string& Name);
bool EnvironmentVariableExists(const std::string& Name);
// Sets (or, with Remove, unsets) a variable; false for an invalid name.
bool SetEnvironmentVariable(const std::string& Name, const std::string& Value);
bool RemoveEnvironmentVariable(const std::string& Name);
// Every "NAME=value" string of the environment block, in its order.
std::vector<std::string> GetEnvironmentStrings();

// ---- Starting programs ---------------------------------------------------------------------
// Splits a parameter string like a Windows command line: blanks separate, double quotes group
// (a pair of quotes inside quotes gives one quote, backslashes before a quote escape it);
// no shell is involved.
std::vector<std::string> SplitCommandLine(const std::string& CommandLine);
// Path as given when it exists; a name ending ".exe" (any case) that does not exist is tried
// without it. Empty when neither exists.
std::string ResolveProgramPath(const std::string& Path);

// A started child process. Freeing the handle does not stop the child; it is reaped when
// waited for, or by the handle's destructor when it has ended by then.
class TProcessHandle {
public:
  explicit TProcessHandle(pid_t Pid) : FPid(Pid) {}
  TProcessHandle(const TProcessHandle&) = delete;
  TProcessHandle& operator=(const TProcessHandle&) = delete;
  virtual ~TProcessHandle();

  pid_t Pid() const { return FPid; }
  // Waits up to TimeoutMs (negative: without limit) for the end; true when it has ended.
  virtual bool WaitFor(int TimeoutMs);
  bool Running() { return !WaitFor(0); }
  // The exit code once ended: the status for a normal exit, 128 + signal for a signal;
  // STILL_ACTIVE (259) while running.
  int ExitCode();

protected:
  pid_t FPid;
  bool FEnded = false;
  int FExitCode = 259;
};

inline constexpr int STILL_ACTIVE = 259;

// Where programs are started; a test installs a double to record the starts.
class TProcessStarter {
public:
  virtual ~TProcessStarter() = default;
  // Detached: a new session, standard handles on /dev/null, every other descriptor closed,
  // execv(Path, {Path, Args...}); the grandchild is adopted by init, so nobody waits for it.
  // True when the program was started (execv succeeded).
  virtual bool StartDetached(const std::string& Path, const std::vector<std::string>& Args);
  // With a handle (posix_spawn); the child keeps the standard handles. Null on failure.
  virtual std::unique_ptr<TProcessHandle> Start(const std::string& Path,
                                                const std::vector<std::string>& Args);
};
// The installed starter (the real one by default). SetProcessStarter(nullptr) restores it.
TProcessStarter& ProcessStarter();
void SetProcessStarter(TProcessStarter* Starter);

// Through ProcessStarter(), after ResolveProgramPath.
bool StartProcessDetached(const std::string& Path, const std::vector<std::string>& Args);
std::unique_ptr<TProcessHandle> StartProcess(const std::string& Path,
                                             const std::vector<std::string>& Args);
// The first word of CommandLine is the program, the rest its arguments (SplitCommandLine).
bool StartCommandLineDetached(const std::string& CommandLine);

// Sends SIGTERM, waits up to 5 s, then SIGKILL, and reaps the child. True when it ended.
bool TerminateProcess(TProcessHandle& Process, int ExitCode = 0);

// ---- Exit and signals ------------------------------------------------------------------------
// Flushes our output streams (C and C++ standard streams and every registered flush), then
// _exit(Code): no static destructors run, no atexit handler.
[[noreturn]] void ExitProcess(int Code);
// Registers a flush that ExitProcess runs first; returns an id for RemoveExitFlush.
int AddExitFlush(std::function<void()> Flush);
void RemoveExitFlush(int Id);

// SIGTERM, SIGINT and SIGHUP set a flag and make the read end of a self-pipe readable, which an
// event loop watches and turns into a quit request. Idempotent.
void InstallQuitSignals();
bool QuitSignalled();
// The signal number of the last quit signal, 0 when none came.
int LastQuitSignal();
// The self-pipe's read end (non-blocking), made at the first call; readable at once when a quit
// signal came before.  -1 when no pipe could be made.
int QuitSignalFd();
// Empties the self-pipe and clears the flag.
void ClearQuitSignal();

// ---- Sleep and clocks --------------------------------------------------------------------------
void Sleep(DWORD Milliseconds);
// Monotonic milliseconds, wrapping at 32 bits.
DWORD GetTickCount();
std::uint64_t GetTickCount64();
DWORD GetCurrentProcessId();
