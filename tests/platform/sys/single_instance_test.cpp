#include "platform/sys/single_instance.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  for (int waited = 0; waited < timeoutMs; waited += 5) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

}  // namespace

TEST(SingleInstance, NamesDependOnFolderAndTitle) {
  const std::string a = TSingleInstanceToken::SocketName("qnserver.exe_S", "/data/database");
  EXPECT_EQ(a, TSingleInstanceToken::SocketName("qnserver.exe_S", "/data/database/"));
  EXPECT_NE(a, TSingleInstanceToken::SocketName("qnserver.exe_S", "/other/database"));
  EXPECT_NE(a, TSingleInstanceToken::SocketName("qnclient_S", "/data/database"));
  EXPECT_EQ(a.rfind("qn:", 0), 0u);
  EXPECT_EQ(a.size(), 3u + 16u);
}

TEST(SingleInstance, OneHolderPerName) {
  const std::string folder = "/qn-test/" + std::to_string(::getpid());
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
  const std::string folder = "/qn-test/fork/" + std::to_string(::getpid());
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
