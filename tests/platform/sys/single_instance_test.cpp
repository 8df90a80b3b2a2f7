#include "platform/sys/single_instance.h"

#include <signal.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "tests/temp_path.h"

namespace {

// A folder of the test's own (mode 0700) for the socket files.
std::string NewFolder() {
  std::string pattern = TempPath("single_instance_XXXXXX");
  return ::mkdtemp(pattern.data()) ? pattern : std::string();
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  for (int waited = 0; waited < timeoutMs; waited += 5) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
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

TEST(Doorbell, RingWakesTheOneListenerOfItsName) {
  const std::string name = NewFolder() + "/x_C_00AF_bell";
  TDoorbell bell(name);
  ASSERT_TRUE(bell.Active());
  TDoorbell other(name + "X");
  ASSERT_TRUE(other.Active());
  // One listener per name: a second one stays inactive and only sleeps.
  TDoorbell twin(name);
  EXPECT_FALSE(twin.Active());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(twin.Wait(20));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(15));

  EXPECT_FALSE(bell.Wait(0));
  TDoorbell::Ring(name);
  TDoorbell::Ring(name);
  EXPECT_TRUE(bell.Wait(1000));
  // Both rings were taken at once; the other name heard nothing.
  EXPECT_FALSE(bell.Wait(0));
  EXPECT_FALSE(other.Wait(0));

  std::thread ringer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    TDoorbell::Ring(name);
  });
  EXPECT_TRUE(bell.Wait(5000));
  ringer.join();
}

TEST(Doorbell, RingingWithoutListenerDoesNothing) {
  const std::string name = NewFolder() + "/x_C_0000_bell";
  EXPECT_FALSE(TDoorbell::Ring(name));  // nobody heard it
  TDoorbell bell(name);
  ASSERT_TRUE(bell.Active());
  EXPECT_FALSE(bell.Wait(0));  // a ring before the listener is not kept
}

TEST(Doorbell, RingSaysWhetherSomeoneListens) {
  // A CGI process judges by this whether the resident instance lives.
  const std::string folder = NewFolder();
  const std::string name = folder + "/x_S_bell";
  const std::string own = folder + "/x_C_0001_bell";
  TDoorbell caller(own);
  ASSERT_TRUE(caller.Active());
  EXPECT_FALSE(caller.RingOther(name));
  {
    TDoorbell resident(name);
    ASSERT_TRUE(resident.Active());
    EXPECT_TRUE(caller.RingOther(name));
    EXPECT_TRUE(resident.Wait(1000));
    // A listener whose rings pile up untaken is still there.
    for (int i = 0; i < 2000; ++i) ASSERT_TRUE(TDoorbell::Ring(name)) << i;
    EXPECT_TRUE(caller.RingOther(name));
    EXPECT_TRUE(resident.Wait(0));
    EXPECT_FALSE(caller.Wait(0));  // ringing another does not ring oneself
  }
  EXPECT_FALSE(caller.RingOther(name));  // gone with its listener
  EXPECT_FALSE(TDoorbell::Ring(name));
}
