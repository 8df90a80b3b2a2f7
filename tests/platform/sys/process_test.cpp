#include "platform/sys/process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <map>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "platform/sys/files.h"
#include "platform/sys/sys_test_util.h"

extern char** environ;

namespace {

// Waits (bounded) until a file has content, for programs started without a handle.
std::string WaitForFile(const std::string& path, int timeoutMs = 5000) {
  for (int waited = 0; waited < timeoutMs; waited += 10) {
    std::string text = ReadWhole(path);
    if (!text.empty() && text.back() == '\n') return text;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return ReadWhole(path);
}

}  // namespace

TEST(ProgramPath, ArgumentZeroIsMadeAbsoluteWithoutResolvingLinks) {
  TScratchDir dir;
  ForceDirectories(dir / "bin");
  const std::string saved = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDir(dir / "bin"));
  char arg0[] = "./sub/../qnserver.exe";
  char arg1[] = "START_SERVER";
  char* argv[] = {arg0, arg1, nullptr};
  InitProcess(2, argv);
  SetCurrentDir(saved);
  EXPECT_EQ(ParamStr(0), dir / "bin/qnserver.exe");
  EXPECT_EQ(ParamCount(), 1);
  EXPECT_EQ(ParamStr(1), "START_SERVER");
  EXPECT_EQ(ParamStr(2), "");
  EXPECT_EQ(ParamStr(-1), "");
  EXPECT_FALSE(IsLibrary());
  EXPECT_EQ(GetModuleFileName(), ParamStr(0));

  // A symbolic link stays as named, so the program's folder is the link's folder.
  ::symlink("/bin/true", (dir / "bin/link").c_str());
  std::string linkPath = dir / "bin/link";
  char* argv2[] = {linkPath.data(), nullptr};
  InitProcess(1, argv2);
  EXPECT_EQ(ParamStr(0), linkPath);
  EXPECT_EQ(ParamCount(), 0);
}

TEST(Environment, SingleVariablesAndTheWholeBlockInOrder) {
  EXPECT_TRUE(SetEnvironmentVariable("QN_TEST_VAR", "a=b c"));
  EXPECT_EQ(GetEnvironmentVariable("QN_TEST_VAR"), "a=b c");
  EXPECT_TRUE(EnvironmentVariableExists("QN_TEST_VAR"));
  EXPECT_TRUE(SetEnvironmentVariable("QN_TEST_EMPTY", ""));
  EXPECT_TRUE(EnvironmentVariableExists("QN_TEST_EMPTY"));
  EXPECT_EQ(GetEnvironmentVariable("QN_TEST_EMPTY"), "");
  EXPECT_FALSE(SetEnvironmentVariable("BAD=NAME", "x"));
  EXPECT_FALSE(SetEnvironmentVariable("", "x"));

  std::vector<std::string> block = GetEnvironmentStrings();
  std::vector<std::string> expected;
  for (char** e = environ; *e; ++e) expected.emplace_back(*e);
  EXPECT_EQ(block, expected);
  EXPECT_NE(std::find(block.begin(), block.end(), "QN_TEST_VAR=a=b c"), block.end());

  EXPECT_TRUE(RemoveEnvironmentVariable("QN_TEST_VAR"));
  EXPECT_TRUE(RemoveEnvironmentVariable("QN_TEST_EMPTY"));
  EXPECT_FALSE(EnvironmentVariableExists("QN_TEST_VAR"));
  EXPECT_EQ(GetEnvironmentVariable("QN_TEST_VAR"), "");
}

TEST(CommandLine, SplitsLikeWindows) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine("/data/qnserver.exe START_SERVER"),
            (V{"/data/qnserver.exe", "START_SERVER"}));
  EXPECT_EQ(SplitCommandLine("  \"/my data/prog\"   a\tb  "), (V{"/my data/prog", "a", "b"}));
  EXPECT_EQ(SplitCommandLine("a\"b c\"d"), (V{"ab cd"}));
  EXPECT_EQ(SplitCommandLine("\"\""), (V{""}));
  EXPECT_EQ(SplitCommandLine("\"say \"\"hi\"\"\""), (V{"say \"hi\""}));
  EXPECT_EQ(SplitCommandLine("a\\\"b c\\\\\"d e\""), (V{"a\"b", "c\\d e"}));
  EXPECT_EQ(SplitCommandLine("dir\\file"), (V{"dir\\file"}));
  EXPECT_EQ(SplitCommandLine("   "), V{});
  EXPECT_EQ(SplitCommandLine("$(rm -rf x); echo"), (V{"$(rm", "-rf", "x);", "echo"}));
}

TEST(CommandLine, ExeNameFallsBackToTheBareName) {
  TScratchDir dir;
  dir.Write("qnserver", "");
  EXPECT_EQ(ResolveProgramPath(dir / "qnserver.exe"), dir / "qnserver");
  EXPECT_EQ(ResolveProgramPath(dir / "qnserver.EXE"), dir / "qnserver");
  dir.Write("both.exe", "");
  EXPECT_EQ(ResolveProgramPath(dir / "both.exe"), dir / "both.exe");
  EXPECT_EQ(ResolveProgramPath(dir / "missing.exe"), "");
  EXPECT_EQ(ResolveProgramPath(dir.Path), "");  // a folder is no program
}

TEST(ProcessStart, DetachedChildHasNewSessionNullHandlesAndNoInheritedDescriptors) {
  TScratchDir dir;
  // A descriptor without close-on-exec that a careless start would pass on.
  int leaked = ::open("/dev/zero", O_RDONLY);
  ASSERT_GE(leaked, 3);
  const std::string out = dir / "report";
  // The probe looks at its own descriptors before it opens any file.
  const std::string probe =
      "import os\n"
      "fds = []\n"
      "for fd in range(1024):\n"
      "    try:\n"
      "        os.fstat(fd); fds.append(fd)\n"
      "    except OSError:\n"
      "        pass\n"
      "links = [os.readlink('/proc/self/fd/%d' % fd) for fd in (0, 1, 2)]\n"
      "text = 'fds %s\\nsid %d\\nleader %d\\nlinks %s\\ncwd %s\\n' % (' '.join(map(str, fds)),\n"
      "    os.getsid(0), os.getsid(0) == os.getpid(), ' '.join(links), os.getcwd())\n"
      "open(" "'" + out + ".tmp', 'w').write(text)\n"
      "os.rename('" + out + ".tmp', '" + out + "')\n";
  ASSERT_TRUE(StartProcessDetached("/usr/bin/python3", {"-c", probe}));
  std::string report = WaitForFile(out);
  ::close(leaked);
  std::map<std::string, std::string> fields;
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);) {
    auto space = line.find(' ');
    if (space != std::string::npos) fields[line.substr(0, space)] = line.substr(space + 1);
  }
  ASSERT_FALSE(fields.empty()) << report;
  EXPECT_EQ(fields["fds"], "0 1 2");
  EXPECT_NE(fields["sid"], std::to_string(::getsid(0)));
  // The second fork leaves a process that leads no session, so it can never get a terminal.
  EXPECT_EQ(fields["leader"], "0");
  EXPECT_EQ(fields["links"], "/dev/null /dev/null /dev/null");
  EXPECT_EQ(fields["cwd"], GetCurrentDir());
}

TEST(ProcessStart, DetachedStartReportsAMissingProgram) {
  EXPECT_FALSE(StartProcessDetached("/nonexistent/prog.exe", {}));
  EXPECT_FALSE(StartCommandLineDetached(""));
  TScratchDir dir;
  dir.Write("notexec", "plain text");
  EXPECT_FALSE(ProcessStarter().StartDetached(dir / "notexec", {}));
}

TEST(ProcessStart, ChildWithHandleKeepsOnlyTheStandardHandles) {
  int leaked = ::open("/dev/zero", O_RDONLY);
  ASSERT_GE(leaked, 3);
  auto child = StartProcess("/bin/sh", {"-c", "ls /proc/$$/fd/" + std::to_string(leaked) +
                                                  " >/dev/null 2>&1 && exit 1; exit 0"});
  ::close(leaked);
  ASSERT_TRUE(child);
  ASSERT_TRUE(child->WaitFor(5000));
  EXPECT_EQ(child->ExitCode(), 0) << "descriptor " << leaked << " reached the child";
}

TEST(ProcessStart, HandleGivesWaitAndExitCode) {
  auto child = StartProcess("/bin/sh", {"-c", "exit 3"});
  ASSERT_TRUE(child);
  EXPECT_TRUE(child->WaitFor(5000));
  EXPECT_EQ(child->ExitCode(), 3);
  EXPECT_EQ(StartProcess("/nonexistent", {}), nullptr);

  auto sleeper = StartProcess("/bin/sleep", {"30"});
  ASSERT_TRUE(sleeper);
  EXPECT_FALSE(sleeper->WaitFor(50));
  EXPECT_EQ(sleeper->ExitCode(), STILL_ACTIVE);
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(TerminateProcess(*sleeper));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(sleeper->ExitCode(), 128 + SIGTERM);
}

TEST(ProcessStart, TerminateKillsAProgramThatIgnoresSigterm) {
  // The program tells through a pipe that its trap is set.
  TScratchDir dir;
  const std::string ready = dir / "ready";
  ASSERT_EQ(mkfifo(ready.c_str(), 0600), 0);
  const int fd = open(ready.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  auto stubborn = StartProcess(
      "/bin/sh", {"-c", "trap '' TERM; echo set > '" + ready + "'; while :; do sleep 0.05; done"});
  ASSERT_TRUE(stubborn);
  pollfd pfd{fd, POLLIN, 0};
  ASSERT_EQ(poll(&pfd, 1, 10000), 1);
  close(fd);
  EXPECT_TRUE(TerminateProcess(*stubborn));
  EXPECT_EQ(stubborn->ExitCode(), 128 + SIGKILL);
}

class TRecordingStarter : public TProcessStarter {
public:
  bool StartDetached(const std::string& Path, const std::vector<std::string>& Args) override {
    Starts.push_back(Path);
    for (const auto& a : Args) Starts.push_back(a);
    return true;
  }
  std::vector<std::string> Starts;
};

TEST(ProcessStart, StartsGoThroughTheInstalledStarter) {
  TScratchDir dir;
  dir.Write("qnserver", "");
  TRecordingStarter recorder;
  SetProcessStarter(&recorder);
  EXPECT_TRUE(StartCommandLineDetached("\"" + dir / "qnserver.exe" + "\" START_SERVER"));
  SetProcessStarter(nullptr);
  EXPECT_EQ(recorder.Starts, (std::vector<std::string>{dir / "qnserver", "START_SERVER"}));
}

TEST(Exit, ExitProcessFlushesBufferedOutput) {
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out[1], 1);
    ::close(out[0]);
    std::setvbuf(stdout, nullptr, _IOFBF, 4096);
    std::printf("buffered");
    AddExitFlush([] { std::printf(" and flushed"); });
    ExitProcess(7);
  }
  ::close(out[1]);
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  ::close(out[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 7);
  EXPECT_EQ(text, "buffered and flushed");
}

// The pipe is made when an event loop first asks for it; a quit signal that came before still
// wakes the loop.  (Run in a fresh process, where no pipe exists yet.)
TEST(Signals, QuitSignalBeforeThePipeIsMadeStillWakesItsWatcher) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InstallQuitSignals();
        ::raise(SIGTERM);
        const int fd = QuitSignalFd();
        char byte;
        std::_Exit(fd >= 0 && QuitSignalled() && ::read(fd, &byte, 1) == 1 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(Signals, QuitSignalSetsTheFlagAndThePipe) {
  InstallQuitSignals();
  ClearQuitSignal();
  ASSERT_GE(QuitSignalFd(), 0);
  EXPECT_FALSE(QuitSignalled());
  ::raise(SIGHUP);
  EXPECT_TRUE(QuitSignalled());
  EXPECT_EQ(LastQuitSignal(), SIGHUP);
  char byte;
  EXPECT_EQ(::read(QuitSignalFd(), &byte, 1), 1);
  ClearQuitSignal();
  EXPECT_FALSE(QuitSignalled());
  EXPECT_EQ(::read(QuitSignalFd(), &byte, 1), -1);  // empty, non-blocking
  // SIGPIPE is ignored: a write to a closed pipe fails instead of killing us.
  int p[2];
  ASSERT_EQ(::pipe(p), 0);
  ::close(p[0]);
  EXPECT_EQ(::write(p[1], "x", 1), -1);
  EXPECT_EQ(errno, EPIPE);
  ::close(p[1]);
}

TEST(Clocks, TickCountIsMonotonicMilliseconds) {
  const auto before = GetTickCount64();
  Sleep(20);
  const auto after = GetTickCount64();
  EXPECT_GE(after - before, 20u);
  EXPECT_LT(after - before, 2000u);
  EXPECT_LE(GetTickCount() - static_cast<DWORD>(before), 3000u);
  EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(::getpid()));
}

TEST(ProgramPath, LoadedAsALibraryTheModuleFileComesFromTheLoader) {
  SetIsLibrary(true);
  const std::string module = GetModuleFileName();
  SetIsLibrary(false);
  ASSERT_FALSE(module.empty());
  EXPECT_EQ(module[0], '/');
  EXPECT_TRUE(FileExists(module)) << module;
  EXPECT_EQ(module.find("/./"), std::string::npos);
}
