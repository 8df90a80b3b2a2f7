#include "platform/sys/threads.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "tests/wait_until.h"

namespace {

class TCountingThread : public TThread {
public:
  explicit TCountingThread(bool suspended, std::atomic<int>* freed = nullptr)
      : TThread(suspended), Freed(freed) {}
  ~TCountingThread() override {
    TerminateAndWait();
    if (Freed) ++*Freed;
  }
  std::atomic<int> Rounds{0};
  DWORD ExecuteThread = 0;
  DWORD SyncThread = 0;
  std::atomic<int>* Freed;
  bool UseSynchronize = false;

protected:
  void Execute() override {
    ExecuteThread = GetCurrentThreadId();
    if (UseSynchronize) Synchronize([this] { SyncThread = GetCurrentThreadId(); });
    while (!Terminated() && Rounds < 1000000) {
      ++Rounds;
      if (Rounds >= 3 && !KeepGoing) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    SetReturnValue(42);
  }

public:
  bool KeepGoing = false;
};

thread_local int GRequestTag = 0;

// The system's ids of this process's threads.
std::set<pid_t> ThreadsOfThisProcess() {
  std::set<pid_t> ids;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
    ids.insert(static_cast<pid_t>(std::stol(task.path().filename().string())));
  return ids;
}

// Whether the thread stands in the kernel waiting on a futex, the wait of a lock that is held
// (the system call it is in, as /proc shows it; "running" when it is in none).
bool WaitsInTheKernelForALock(pid_t thread) {
  std::ifstream call("/proc/self/task/" + std::to_string(thread) + "/syscall");
  long number = -1;
  return (call >> number) && number == SYS_futex;
}

// Whether a thread other than this one could take the section now (it leaves it at once).
bool TakenByAnotherThread(CRITICAL_SECTION& cs) {
  bool taken = false;
  std::thread([&] {
    taken = cs.Section->TryEnter();
    if (taken) cs.Section->Leave();
  }).join();
  return taken;
}

}  // namespace

TEST(Threads, SuspendedUntilStartedAndWaitForGivesTheReturnValue) {
  // A thread of the system exists from the moment it is made: none comes with a suspended one.
  const std::set<pid_t> before = ThreadsOfThisProcess();
  TCountingThread thread(true);
  const std::set<pid_t> after = ThreadsOfThisProcess();
  EXPECT_TRUE(std::includes(before.begin(), before.end(), after.begin(), after.end()))
      << "a thread started with the suspended one";
  EXPECT_TRUE(thread.Suspended());
  EXPECT_EQ(thread.Rounds, 0);
  EXPECT_EQ(thread.ThreadID(), 0u);
  thread.Start();
  EXPECT_EQ(thread.WaitFor(), 42);
  EXPECT_TRUE(thread.Finished());
  EXPECT_EQ(thread.Rounds, 3);
  EXPECT_NE(thread.ExecuteThread, GetCurrentThreadId());
  EXPECT_EQ(thread.ThreadID(), thread.ExecuteThread);
}

TEST(Threads, CreateStartsAndTerminateEndsALongRunner) {
  auto* thread = TThread::Create<TCountingThread>(true);
  EXPECT_TRUE(thread->Suspended());  // created suspended: Create does not start it
  thread->KeepGoing = true;
  thread->Start();
  while (thread->Rounds < 5) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  thread->Terminate();
  EXPECT_EQ(thread->WaitFor(), 42);
  EXPECT_LT(thread->Rounds, 1000000);
  delete thread;

  auto* running = TThread::Create<TCountingThread>(false);
  EXPECT_EQ(running->WaitFor(), 42);
  delete running;
}

TEST(Threads, DestructorOfARunningThreadStopsIt) {
  auto start = std::chrono::steady_clock::now();
  {
    TCountingThread thread(true);
    thread.KeepGoing = true;
    thread.Start();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(Threads, FreeOnTerminateFreesTheObjectAfterOnTerminate) {
  std::atomic<int> freed{0};
  std::atomic<bool> terminated{false};
  auto* thread = new TCountingThread(true, &freed);
  thread->SetFreeOnTerminate(true);
  thread->OnTerminate = [&](TThread*) { terminated = true; };
  thread->Start();
  // OnTerminate runs on the main thread through Synchronize: run that work while waiting.
  for (int i = 0; i < 500 && freed == 0; ++i) {
    CheckSynchronize();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(terminated);
  EXPECT_EQ(freed, 1);
}

TEST(Threads, SynchronizeRunsOnTheMainThreadWhileItWaits) {
  ASSERT_TRUE(IsMainThread());
  TCountingThread thread(true);
  thread.UseSynchronize = true;
  thread.Start();
  EXPECT_EQ(thread.WaitFor(), 42);  // would hang if WaitFor did not run the handed-over work
  EXPECT_EQ(thread.SyncThread, MainThreadID());
  EXPECT_NE(thread.ExecuteThread, MainThreadID());
}

TEST(Threads, SynchronizePassesExceptionsBack) {
  std::string caught;
  std::thread worker([&] {
    try {
      TThread::Synchronize(nullptr, [] { throw std::runtime_error("from main"); });
    } catch (const std::exception& e) {
      caught = e.what();
    }
  });
  for (int i = 0; i < 1000 && caught.empty(); ++i) {
    CheckSynchronize();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  worker.join();
  EXPECT_EQ(caught, "from main");
}

TEST(Threads, ThreadVariablesStartAtZero) {
  GRequestTag = 7;
  int seen = -1;
  std::thread other([&] {
    seen = GRequestTag;
    GRequestTag = 9;
  });
  other.join();
  EXPECT_EQ(seen, 0);
  EXPECT_EQ(GRequestTag, 7);
}

TEST(CriticalSections, AreRecursiveAndExcludeOtherThreads) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EnterCriticalSection(&cs);  // the same thread enters again
  std::atomic<bool> entered{false};
  std::atomic<pid_t> otherId{0};
  std::thread other([&] {
    otherId = gettid();
    EnterCriticalSection(&cs);
    entered = true;
    LeaveCriticalSection(&cs);
  });
  // The other thread gets in, or stops in the kernel at the lock: only the first is a fault.
  ASSERT_TRUE(WaitUntil([&] { return entered || (otherId != 0 && WaitsInTheKernelForALock(otherId)); }, 60000));
  EXPECT_FALSE(entered);
  EXPECT_FALSE(TakenByAnotherThread(cs));
  LeaveCriticalSection(&cs);
  // Still held once: another thread cannot have it, and the waiting one did not get in.
  EXPECT_FALSE(TakenByAnotherThread(cs));
  EXPECT_FALSE(entered);
  LeaveCriticalSection(&cs);
  other.join();
  EXPECT_TRUE(entered);
  DeleteCriticalSection(&cs);
  EXPECT_EQ(cs.Section, nullptr);
  EnterCriticalSection(&cs);  // a deleted section is ignored, not a crash
}
