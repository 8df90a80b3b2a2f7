#include "platform/headless/event_loop_poll.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/temp_path.h"

#include "platform/sys/process.h"
#include "platform/sys/single_instance.h"
#include "platform/sys/threads.h"

namespace {

using Clock = std::chrono::steady_clock;

class TRecordingTarget : public TMessageTarget {
public:
  void HandlePostedMessage(UINT Msg, WPARAM WParam, LPARAM LParam) override {
    Got.push_back({Msg, WParam, LParam});
  }
  struct TGot {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    bool operator==(const TGot&) const = default;
  };
  std::vector<TGot> Got;
};

}  // namespace

TEST(FakeClockTimers, FireInDeadlineOrderWithTiesInCreationOrder) {
  TPollEventLoop loop(false);
  loop.UseFakeClock(1000);
  std::vector<std::string> fired;
  loop.AddTimer(30, false, [&] { fired.push_back("c30"); });
  loop.AddTimer(10, false, [&] { fired.push_back("a10@" + std::to_string(loop.NowMs())); });
  loop.AddTimer(20, false, [&] { fired.push_back("b20-first"); });
  loop.AddTimer(20, false, [&] { fired.push_back("b20-second"); });
  loop.AdvanceClock(15);
  EXPECT_EQ(fired, (std::vector<std::string>{"a10@1010"}));
  loop.AdvanceClock(100);
  EXPECT_EQ(fired, (std::vector<std::string>{"a10@1010", "b20-first", "b20-second", "c30"}));
  EXPECT_EQ(loop.TimerCount(), 0u);  // one-shot timers are gone
  EXPECT_EQ(loop.NowMs(), 1115u);
}

TEST(FakeClockTimers, RepeatingTimersInterleaveAndCanBeRemovedFromTheirHandler) {
  TPollEventLoop loop(false);
  loop.UseFakeClock();
  std::string trace;
  loop.AddTimer(50, true, [&] { trace += "A"; });
  TEventLoop::TTimerId b = 0;
  int bCount = 0;
  b = loop.AddTimer(20, true, [&] {
    trace += "b";
    if (++bCount == 4) loop.RemoveTimer(b);
  });
  loop.AdvanceClock(200);
  // b at 20 40 60 80 (removed), A at 50 100 150 200.
  EXPECT_EQ(trace, "bbAbbAAA");
  EXPECT_EQ(loop.TimerCount(), 1u);
}

TEST(FakeClockTimers, TimerAddedByAHandlerStartsFromThatMoment) {
  TPollEventLoop loop(false);
  loop.UseFakeClock();
  std::vector<std::uint64_t> at;
  loop.AddTimer(10, false, [&] {
    loop.AddTimer(5, false, [&] { at.push_back(loop.NowMs()); });
  });
  loop.AdvanceClock(12);
  EXPECT_TRUE(at.empty());
  loop.AdvanceClock(3);
  EXPECT_EQ(at, (std::vector<std::uint64_t>{15}));
}

TEST(FakeClockTimers, ProcessMessagesDoesNotWaitOnTheFakeClock) {
  TPollEventLoop loop(false);
  loop.UseFakeClock();
  int fired = 0;
  loop.AddTimer(50, true, [&] { ++fired; });
  auto start = Clock::now();
  EXPECT_FALSE(loop.ProcessMessages(-1));
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_EQ(fired, 0);
}

TEST(RealClockTimers, FireAfterTheirIntervalWhileWaiting) {
  TPollEventLoop loop(false);
  int fired = 0;
  loop.AddTimer(30, false, [&] { ++fired; });
  auto start = Clock::now();
  for (int i = 0; i < 100 && fired == 0; ++i) loop.ProcessMessages(1000);
  auto took = Clock::now() - start;
  EXPECT_EQ(fired, 1);
  EXPECT_GE(took, std::chrono::milliseconds(29));
  EXPECT_LT(took, std::chrono::milliseconds(900));  // the wait ended at the deadline
}

TEST(RealClockTimers, AHandlerThatRaisesDoesNotStopTheLoop) {
  TPollEventLoop loop(false);
  int errors = 0;
  loop.OnHandlerException = [&] {
    try {
      throw;
    } catch (const std::runtime_error&) {
      ++errors;
    }
  };
  int fired = 0;
  loop.AddTimer(1, true, [&] {
    ++fired;
    throw std::runtime_error("boom");
  });
  for (int i = 0; i < 200 && fired < 3; ++i) loop.ProcessMessages(50);
  EXPECT_EQ(fired, 3);
  EXPECT_EQ(errors, 3);
}

TEST(FdWatches, AWriteOnAnotherThreadWakesAWaitingLoop) {
  TPollEventLoop loop(false);
  int p[2];
  ASSERT_EQ(::pipe(p), 0);
  std::string got;
  loop.SetFdWatch(p[0], fdeRead, [&](int fd, unsigned events) {
    char buffer[16];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) got.append(buffer, n);
    EXPECT_TRUE(events & fdeRead);
  });
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_EQ(::write(p[1], "ping", 4), 4);
  });
  auto start = Clock::now();
  EXPECT_TRUE(loop.ProcessMessages(5000));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  writer.join();
  EXPECT_EQ(got, "ping");

  // Without the watch nothing is reported any more.
  loop.RemoveFdWatch(p[0]);
  ASSERT_EQ(::write(p[1], "x", 1), 1);
  EXPECT_FALSE(loop.ProcessMessages(20));
  ::close(p[0]);
  ::close(p[1]);
}

TEST(FdWatches, HangUpIsReportedAndAWatchRemovedInARoundIsNotCalled) {
  TPollEventLoop loop(false);
  int a[2], b[2];
  ASSERT_EQ(::pipe(a), 0);
  ASSERT_EQ(::pipe(b), 0);
  unsigned aEvents = 0;
  int bCalls = 0;
  // Both are ready; whichever runs first removes the other.
  loop.SetFdWatch(a[0], fdeRead, [&](int, unsigned events) {
    aEvents = events;
    loop.RemoveFdWatch(b[0]);
  });
  loop.SetFdWatch(b[0], fdeRead, [&](int, unsigned) {
    ++bCalls;
    loop.RemoveFdWatch(a[0]);
  });
  ::close(a[1]);  // hang-up on a
  ASSERT_EQ(::write(b[1], "x", 1), 1);
  EXPECT_TRUE(loop.ProcessMessages(1000));
  EXPECT_EQ((aEvents != 0) + bCalls, 1);
  if (aEvents) {
    EXPECT_EQ(aEvents & (fdeRead | fdeHangUp), fdeRead | fdeHangUp);
  }
  EXPECT_EQ(loop.WatchCount(), 1u);
  ::close(a[0]);
  ::close(b[0]);
  ::close(b[1]);
}

TEST(FdWatches, WriteReadinessIsReported) {
  TPollEventLoop loop(false);
  int p[2];
  ASSERT_EQ(::pipe(p), 0);
  unsigned got = 0;
  loop.SetFdWatch(p[1], fdeWrite, [&](int, unsigned events) { got = events; });
  EXPECT_TRUE(loop.ProcessMessages(1000));
  EXPECT_TRUE(got & fdeWrite);
  loop.SetFdWatch(p[1], 0, nullptr);
  EXPECT_EQ(loop.WatchCount(), 0u);
  ::close(p[0]);
  ::close(p[1]);
}

TEST(PostedMessages, ArriveInOrderAndWakeTheLoopFromAnotherThread) {
  TPollEventLoop loop(false);
  TRecordingTarget target;
  std::vector<int> order;
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    loop.PostMessage(&target, 2146, 5, 16);
    loop.Post([&] { order.push_back(2); });
    loop.PostMessage(&target, 2146, 5, 1);
  });
  auto start = Clock::now();
  while (target.Got.size() < 2 && Clock::now() - start < std::chrono::seconds(5))
    loop.ProcessMessages(5000);
  poster.join();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  using G = TRecordingTarget::TGot;
  EXPECT_EQ(target.Got, (std::vector<G>{{2146, 5, 16}, {2146, 5, 1}}));
  EXPECT_EQ(order, (std::vector<int>{2}));
}

TEST(PostedMessages, MessagesOfAFreedTargetAreDropped) {
  TPollEventLoop loop(false);
  TRecordingTarget kept;
  auto doomed = std::make_unique<TRecordingTarget>();
  loop.PostMessage(doomed.get(), 1, 0, 0);
  loop.PostMessage(&kept, 2, 0, 0);
  doomed.reset();
  EXPECT_TRUE(loop.ProcessMessages(0));
  ASSERT_EQ(kept.Got.size(), 1u);
  EXPECT_EQ(kept.Got[0].Msg, 2u);
  EXPECT_FALSE(loop.HasPostedMessages());
}

TEST(PostedMessages, AMessageThatPostsAgainRunsInTheNextRound) {
  TPollEventLoop loop(false);
  int runs = 0;
  std::function<void()> again = [&] {
    ++runs;
    loop.Post(again);
  };
  loop.Post(again);
  loop.ProcessMessages(0);
  EXPECT_EQ(runs, 1);  // one round does not spin on its own posts
  loop.ProcessMessages(0);
  EXPECT_EQ(runs, 2);
}

TEST(Loop, QuitEndsRunAndWakeEndsAWait) {
  TPollEventLoop loop(false);
  std::thread quitter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    loop.Quit();
  });
  auto start = Clock::now();
  loop.Run();
  quitter.join();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_TRUE(loop.QuitRequested());
  loop.ResetQuit();

  std::thread waker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    loop.Wake();
  });
  start = Clock::now();
  loop.ProcessMessages(5000);
  waker.join();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
}

TEST(Loop, ASignalBecomesAQuit) {
  TPollEventLoop loop(true);
  ClearQuitSignal();
  int ticks = 0;
  loop.AddTimer(5, true, [&] {
    if (++ticks == 3) ::kill(::getpid(), SIGTERM);
  });
  auto start = Clock::now();
  loop.AddTimer(5000, false, [&] { loop.Quit(); });  // bound: the test ends anyway
  loop.Run();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(LastQuitSignal(), SIGTERM);
  EXPECT_FALSE(QuitSignalled());  // the loop took the signal
}

TEST(Loop, SynchronizeFromAThreadRunsInTheLoop) {
  TPollEventLoop loop(false);
  SetCurrentEventLoop(&loop);
  std::atomic<DWORD> ranOn{0};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    TThread::Synchronize(nullptr, [&] { ranOn = GetCurrentThreadId(); });
    done = true;
    loop.Wake();
  });
  auto start = Clock::now();
  while (!done && Clock::now() - start < std::chrono::seconds(5)) loop.ProcessMessages(1000);
  worker.join();
  SetCurrentEventLoop(nullptr);
  EXPECT_EQ(ranOn, GetCurrentThreadId());
}

TEST(Loop, FactoryInstallAndCurrentLoop) {
  SetEventLoopFactory(nullptr);
  EXPECT_FALSE(HasEventLoopFactory());
  EXPECT_ANY_THROW(CreateEventLoop());
  InstallHeadlessEventLoop();
  auto loop = CreateEventLoop();
  ASSERT_TRUE(loop);
  EXPECT_NE(dynamic_cast<TPollEventLoop*>(loop.get()), nullptr);
  SetCurrentEventLoop(loop.get());
  TRecordingTarget target;
  EXPECT_TRUE(PostToCurrentLoop(&target, 7, 1, 2));
  loop->ProcessMessages(0);
  EXPECT_EQ(target.Got.size(), 1u);
  loop.reset();  // a freed loop is no longer current
  EXPECT_EQ(CurrentEventLoop(), nullptr);
  EXPECT_FALSE(PostToCurrentLoop(&target, 7, 1, 2));
}

// The holder of a single-instance token answers probes on its loop: a prober sees its
// connection accepted and closed.
TEST(Loop, SingleInstanceTokenAcceptsOnTheLoop) {
  std::string pattern = TempPath("loop_token_XXXXXX");
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  const std::string folder = pattern;
  TSingleInstanceToken token("prog_S", folder);
  ASSERT_TRUE(token.Acquire(nullptr));  // no loop yet, as at program start
  TPollEventLoop loop(false);
  token.AttachLoop(&loop);
  EXPECT_EQ(loop.WatchCount(), 1u);

  int probe = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string name = TSingleInstanceToken::SocketName("prog_S", folder);
  ASSERT_LT(name.size(), sizeof addr.sun_path);
  std::memcpy(addr.sun_path, name.c_str(), name.size() + 1);
  ASSERT_EQ(::connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  EXPECT_TRUE(loop.ProcessMessages(1000));
  char byte;
  EXPECT_EQ(::recv(probe, &byte, 1, MSG_DONTWAIT), 0);  // closed by the holder
  ::close(probe);
  token.Release();
  EXPECT_EQ(loop.WatchCount(), 0u);
  std::filesystem::remove_all(folder);
}

// The token and the doorbells live as socket files of their folder, however deep it lies (deeper
// than a socket address holds), and one holder at a time; a socket file a killed holder left
// behind is taken over.
TEST(SingleInstance, TokenAndDoorbellInADeepFolder) {
  std::string folder = TempPath("token_XXXXXX");
  ASSERT_NE(::mkdtemp(folder.data()), nullptr);
  const std::string top = folder;
  while (folder.size() < 150) {
    folder += "/deeper_than_an_address_holds";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  }
  EXPECT_FALSE(TSingleInstanceToken::Exists("prog_S", folder));
  {
    TSingleInstanceToken first("prog_S", folder), second("prog_S", folder);
    ASSERT_TRUE(first.Acquire(nullptr));
    EXPECT_TRUE(TSingleInstanceToken::Exists("prog_S", folder));
    EXPECT_FALSE(second.Acquire(nullptr));
    first.Release();
    EXPECT_FALSE(TSingleInstanceToken::Exists("prog_S", folder));
    EXPECT_TRUE(second.Acquire(nullptr));
  }
  // A socket file left behind, as by a holder that was killed: no one answers at it.
  {
    const std::string path = TSingleInstanceToken::SocketName("prog_S", folder);
    const int dir = ::open(folder.c_str(), O_PATH | O_DIRECTORY);
    ASSERT_GE(dir, 0);
    const std::string reachable = "/proc/self/fd/" + std::to_string(dir) + path.substr(path.rfind('/'));
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, reachable.c_str(), reachable.size() + 1);
    ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(stale);  // the socket goes, its file stays
    ::close(dir);
    ASSERT_TRUE(std::filesystem::exists(path));
  }
  EXPECT_FALSE(TSingleInstanceToken::Exists("prog_S", folder));
  TSingleInstanceToken after("prog_S", folder);
  EXPECT_TRUE(after.Acquire(nullptr));
  EXPECT_TRUE(TSingleInstanceToken::Exists("prog_S", folder));
  after.Release();

  TBellDesk desk(folder + "/bell");
  ASSERT_TRUE(desk.Active());
  TBellLine line;
  ASSERT_TRUE(line.Call(folder + "/bell", "N"));
  desk.Accept();
  EXPECT_TRUE(desk.Ring("N"));
  EXPECT_TRUE(line.Wait(1000));
  desk.Close();
  EXPECT_FALSE(std::filesystem::exists(folder + "/bell"));
  EXPECT_FALSE(line.Call(folder + "/bell", "N"));
  std::filesystem::remove_all(top);
}

// On its loop the desk takes in callers as they come and reads a name that comes after the
// connection; a ring that came first (the caller's entry served before it named itself) is
// delivered when the name comes.
TEST(SingleInstance, DeskOnALoopRingsACallerThatNamesItselfLate) {
  std::string folder = TempPath("desk_XXXXXX");
  ASSERT_NE(::mkdtemp(folder.data()), nullptr);
  TPollEventLoop loop;
  TBellDesk desk(folder + "/bell");
  ASSERT_TRUE(desk.Active());
  int calls = 0;
  desk.AttachLoop(&loop, [&] { ++calls; });
  const int caller = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string path = folder + "/bell";
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  ASSERT_EQ(::connect(caller, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  for (int i = 0; i < 100 && calls == 0; ++i) loop.ProcessMessages(50);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(desk.Callers(), 1u);
  EXPECT_FALSE(desk.Ring("LATE"));
  ASSERT_EQ(::send(caller, "LATE", 4, 0), 4);
  char byte = 0;
  for (int i = 0; i < 100 && ::recv(caller, &byte, 1, MSG_DONTWAIT) != 1; ++i) loop.ProcessMessages(50);
  EXPECT_EQ(byte, 1);
  EXPECT_EQ(desk.Callers(), 0u);
  EXPECT_EQ(::recv(caller, &byte, 1, 0), 0);  // let go after the ring
  ::close(caller);
  desk.Close();
  EXPECT_EQ(loop.WatchCount(), 0u);
  std::filesystem::remove_all(folder);
}

TEST(FdWatches, ADescriptorClosedUnderItsWatchIsReportedOnceAndDropped) {
  TPollEventLoop loop(false);
  int p[2];
  ASSERT_EQ(::pipe(p), 0);
  int calls = 0;
  unsigned got = 0;
  loop.SetFdWatch(p[0], fdeRead, [&](int, unsigned events) {
    ++calls;
    got = events;
  });
  ::close(p[0]);  // closed without removing the watch
  loop.ProcessMessages(100);
  loop.ProcessMessages(10);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(got & fdeHangUp, fdeHangUp);
  EXPECT_EQ(loop.WatchCount(), 0u);
  ::close(p[1]);
}
