#include "platform/sys/single_instance.h"

#include <signal.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "tests/temp_path.h"
#include "tests/wait_until.h"

namespace {

// A folder of the test's own (mode 0700) for the socket files.
std::string NewFolder() {
  std::string pattern = TempPath("single_instance_XXXXXX");
  return ::mkdtemp(pattern.data()) ? pattern : std::string();
}

}  // namespace

// The token is a file of its folder, so the folder's permissions guard it.
TEST(SingleInstance, NamesAreFilesOfTheFolder) {
  const std::string a = TSingleInstanceToken::SocketName("qnserver.exe_S", "/data/database");
  EXPECT_EQ(a, TSingleInstanceToken::SocketName("qnserver.exe_S", "/data/database/"));
  EXPECT_NE(a, TSingleInstanceToken::SocketName("qnserver.exe_S", "/other/database"));
  EXPECT_NE(a, TSingleInstanceToken::SocketName("qnclient_S", "/data/database"));
  EXPECT_EQ(a.rfind("/data/database/", 0), 0u);
}

TEST(SingleInstance, OneHolderPerName) {
  const std::string folder = NewFolder();
  TSingleInstanceToken first("prog_S", folder);
  EXPECT_FALSE(TSingleInstanceToken::Exists("prog_S", folder));
  ASSERT_TRUE(first.Acquire());
  EXPECT_TRUE(first.Held());
  EXPECT_TRUE(TSingleInstanceToken::Exists("prog_S", folder));
  TSingleInstanceToken second("prog_S", folder);
  EXPECT_FALSE(second.Acquire());
  first.Release();
  EXPECT_FALSE(TSingleInstanceToken::Exists("prog_S", folder));
  EXPECT_TRUE(second.Acquire());
}

// The token held by another process is seen here, and goes when that process dies, even when
// it is killed without any chance to clean up.
TEST(SingleInstance, SeenFromAnotherProcessAndGoneWhenItDies) {
  const std::string folder = NewFolder();
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  if (child == 0) {
    ::close(ready[0]);
    TSingleInstanceToken token("qnserver.exe_S", folder);
    char ok = token.Acquire() ? 1 : 0;
    ssize_t ignored = ::write(ready[1], &ok, 1);
    (void)ignored;
    for (int i = 0; i < 600; ++i) ::usleep(50000);  // at most 30 s; the test kills it sooner
    ::_exit(0);
  }
  ::close(ready[1]);
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ::close(ready[0]);
  ASSERT_EQ(ok, 1);
  EXPECT_TRUE(TSingleInstanceToken::Exists("qnserver.exe_S", folder));
  TSingleInstanceToken mine("qnserver.exe_S", folder);
  EXPECT_FALSE(mine.Acquire());
  // Many probes without anyone accepting still say "exists" (a full backlog is no absence).
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(TSingleInstanceToken::Exists("qnserver.exe_S", folder));

  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WaitUntil([&] { return !TSingleInstanceToken::Exists("qnserver.exe_S", folder); }));
  EXPECT_TRUE(mine.Acquire());
}

TEST(Doorbell, TheDeskRingsTheLineOfTheNameOnce) {
  const std::string path = NewFolder() + "/x_S_bell";
  TBellDesk desk(path);
  ASSERT_TRUE(desk.Active());
  // One desk a path: a second one stays inactive.
  TBellDesk twin(path);
  EXPECT_FALSE(twin.Active());

  TBellLine a, b;
  ASSERT_TRUE(a.Call(path, "/T/X_C_0001_REQ"));
  ASSERT_TRUE(b.Call(path, "/T/X_C_0002_REQ"));
  EXPECT_TRUE(desk.Accept());
  EXPECT_EQ(desk.Callers(), 2u);
  EXPECT_FALSE(a.Wait(0));
  EXPECT_TRUE(desk.Ring("/T/X_C_0001_REQ"));
  EXPECT_TRUE(a.Wait(1000));
  EXPECT_FALSE(b.Wait(0));  // the other name heard nothing
  EXPECT_EQ(desk.Callers(), 1u);
  // A ring lets the line go: a second ring of the name finds no caller.
  EXPECT_FALSE(desk.Ring("/T/X_C_0001_REQ"));

  // A ring from another thread while the line waits.
  std::thread ringer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    desk.Ring("/T/X_C_0002_REQ");
  });
  EXPECT_TRUE(b.Wait(5000));
  ringer.join();
}

// A caller queues its entry before it names itself to the desk, so the resident may finish the
// entry first: that ring waits for the name, for a while.
TEST(Doorbell, ARingBeforeTheNameIsKeptForAWhile) {
  const std::string path = NewFolder() + "/x_S_bell";
  TBellDesk desk(path);
  ASSERT_TRUE(desk.Active());
  EXPECT_FALSE(desk.Ring("EARLY"));
  TBellLine line;
  ASSERT_TRUE(line.Call(path, "EARLY"));
  desk.Accept();
  EXPECT_TRUE(line.Wait(1000));
  EXPECT_EQ(desk.Callers(), 0u);

  EXPECT_FALSE(desk.Ring("FORGOTTEN"));
  desk.Sweep(0);
  TBellLine late;
  ASSERT_TRUE(late.Call(path, "FORGOTTEN"));
  desk.Accept();
  EXPECT_FALSE(late.Wait(20));
  EXPECT_EQ(desk.Callers(), 1u);
}

// A CGI process judges by its call whether the resident lives, and hears the resident's end.
TEST(Doorbell, ALineHearsWhetherADeskIsThereAndCallsItsSuccessor) {
  const std::string path = NewFolder() + "/x_S_bell";
  TBellLine line;
  EXPECT_FALSE(line.Call(path, "N"));
  EXPECT_FALSE(line.Connected());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(line.Wait(20));  // no desk: it only sleeps
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(15));
  {
    TBellDesk desk(path);
    ASSERT_TRUE(desk.Active());
    EXPECT_FALSE(line.Wait(0));  // calls the desk that came meanwhile
    EXPECT_TRUE(line.Connected());
    desk.Accept();
    EXPECT_EQ(desk.Callers(), 1u);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(line.Wait(1000));  // the desk went: look
  EXPECT_FALSE(line.Connected());
  TBellDesk next(path);
  ASSERT_TRUE(next.Active());
  EXPECT_FALSE(line.Wait(0));
  next.Accept();
  EXPECT_TRUE(next.Ring("N"));
  EXPECT_TRUE(line.Wait(1000));
}

TEST(Doorbell, TheDeskLetsGoOfCallersThatHungUp) {
  const std::string path = NewFolder() + "/x_S_bell";
  TBellDesk desk(path);
  ASSERT_TRUE(desk.Active());
  {
    TBellLine gone;
    ASSERT_TRUE(gone.Call(path, "GONE"));
    desk.Accept();
  }
  TBellLine stays;
  ASSERT_TRUE(stays.Call(path, "STAYS"));
  desk.Accept();
  EXPECT_EQ(desk.Callers(), 2u);
  desk.Sweep(5);
  EXPECT_EQ(desk.Callers(), 1u);
  // A new caller of a name whose old caller hung up unseen takes its place.
  TBellLine again, other;
  ASSERT_TRUE(again.Call(path, "STAYS"));
  desk.Accept();
  EXPECT_EQ(desk.Callers(), 1u);
  EXPECT_TRUE(stays.Wait(1000));  // its line was let go
  EXPECT_TRUE(desk.Ring("STAYS"));
  EXPECT_TRUE(again.Wait(1000));
}

// A wait that looks awake first hears a ring that comes while it looks and one that comes after,
// when it sleeps; with no ring it ends with the time.
TEST(Doorbell, AWaitThatLooksAwakeFirstHearsEveryRing) {
  const std::string path = NewFolder() + "/x_S_bell";
  TBellDesk desk(path);
  ASSERT_TRUE(desk.Active());
  TBellLine early, late, never;
  ASSERT_TRUE(early.Call(path, "EARLY"));
  ASSERT_TRUE(late.Call(path, "LATE"));
  ASSERT_TRUE(never.Call(path, "NEVER"));
  desk.Accept();
  // Rung before the wait: heard by the first look.
  EXPECT_TRUE(desk.Ring("EARLY"));
  EXPECT_TRUE(early.Wait(0, 1000000));
  // Rung long after the awake part (1 ms): the sleeping part hears it.
  std::thread ringer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    desk.Ring("LATE");
  });
  EXPECT_TRUE(late.Wait(5000, 1000));
  ringer.join();
  EXPECT_FALSE(late.Connected());
  // Nothing comes: false, and the line stays for a later ring.
  EXPECT_FALSE(never.Wait(10, 2000));
  EXPECT_TRUE(never.Connected());
  EXPECT_TRUE(desk.Ring("NEVER"));
  EXPECT_TRUE(never.Wait(1000, 2000));
}
