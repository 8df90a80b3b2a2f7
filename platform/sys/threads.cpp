#include "platform/sys/threads.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <deque>
#include <exception>
#include <memory>

#include "platform/sys/event_loop.h"

namespace {

// The thread running static initialisation is the process's main thread.
const DWORD GMainThreadId = static_cast<DWORD>(::syscall(SYS_gettid));

// Work handed to the main thread by Synchronize.
struct TSyncRequest {
  TThreadMethod Method;
  std::exception_ptr Error;
  bool Done = false;
};

// Never freed, so threads still handing work over during exit find them intact.
struct TSyncState {
  std::mutex Lock;
  std::condition_variable Done;
  // Signalled when a request is queued, so a WaitFor on the main thread wakes to run it.
  std::condition_variable Queued;
  std::deque<std::shared_ptr<TSyncRequest>> Queue;
};

TSyncState& Sync() {
  static auto* state = new TSyncState;
  return *state;
}

}  // namespace

void InitializeCriticalSection(CRITICAL_SECTION* CS) {
  if (CS && !CS->Section) CS->Section = new TCriticalSection;
}

void EnterCriticalSection(CRITICAL_SECTION* CS) {
  if (CS && CS->Section) CS->Section->Enter();
}

void LeaveCriticalSection(CRITICAL_SECTION* CS) {
  if (CS && CS->Section) CS->Section->Leave();
}

void DeleteCriticalSection(CRITICAL_SECTION* CS) {
  if (!CS) return;
  delete CS->Section;
  CS->Section = nullptr;
}

DWORD GetCurrentThreadId() {
  thread_local const DWORD id = static_cast<DWORD>(::syscall(SYS_gettid));
  return id;
}

DWORD MainThreadID() { return GMainThreadId; }

bool IsMainThread() { return GetCurrentThreadId() == GMainThreadId; }

bool CheckSynchronize() {
  bool any = false;
  for (;;) {
    std::shared_ptr<TSyncRequest> request;
    {
      std::lock_guard<std::mutex> guard(Sync().Lock);
      if (Sync().Queue.empty()) break;
      request = Sync().Queue.front();
      Sync().Queue.pop_front();
    }
    any = true;
    try {
      request->Method();
    } catch (...) {
      request->Error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> guard(Sync().Lock);
      request->Done = true;
    }
    Sync().Done.notify_all();
  }
  return any;
}

void TThread::Synchronize(TThread* /*Thread*/, const TThreadMethod& Method) {
  if (!Method) return;
  if (IsMainThread()) {
    Method();
    return;
  }
  auto request = std::make_shared<TSyncRequest>();
  request->Method = Method;
  {
    std::lock_guard<std::mutex> guard(Sync().Lock);
    Sync().Queue.push_back(request);
  }
  Sync().Queued.notify_all();
  // The loop runs CheckSynchronize in each round; the post only wakes it.
  WakeCurrentLoop();
  std::unique_lock<std::mutex> lock(Sync().Lock);
  Sync().Done.wait(lock, [&] { return request->Done; });
  if (request->Error) std::rethrow_exception(request->Error);
}

TThread::TThread(bool CreateSuspended) : FCreateSuspended(CreateSuspended) {}

TThread::~TThread() {
  if (FThread.joinable()) {
    if (FThread.get_id() == std::this_thread::get_id()) {
      FThread.detach();  // freed from its own Execute (FreeOnTerminate)
    } else {
      TerminateAndWait();
    }
  }
}

void TThread::TerminateAndWait() {
  Terminate();
  if (FStarted && !(FThread.joinable() && FThread.get_id() == std::this_thread::get_id()))
    WaitFor();
}

void TThread::Start() {
  bool expected = false;
  if (!FStarted.compare_exchange_strong(expected, true)) return;
  FThread = std::thread([this] { Run(); });
}

void TThread::Run() {
  FThreadId = GetCurrentThreadId();
  try {
    Execute();
  } catch (...) {
    // An exception ends the thread; nobody else can receive it.
  }
  if (OnTerminate) {
    try {
      Synchronize(this, [this] { OnTerminate(this); });
    } catch (...) {
    }
  }
  const bool freeSelf = FFreeOnTerminate;
  {
    std::lock_guard<std::mutex> guard(FLock);
    FFinished = true;
  }
  FDone.notify_all();
  if (freeSelf) delete this;
}

int TThread::WaitFor() {
  if (!FStarted) Start();  // a suspended thread would never end
  if (FThread.joinable() && FThread.get_id() == std::this_thread::get_id()) return FReturnValue;
  const bool main = IsMainThread();
  {
    std::unique_lock<std::mutex> lock(FLock);
    while (!FFinished) {
      if (main) {
        lock.unlock();
        CheckSynchronize();
        {
          std::unique_lock<std::mutex> syncLock(Sync().Lock);
          Sync().Queued.wait_for(syncLock, std::chrono::milliseconds(10),
                               [] { return !Sync().Queue.empty(); });
        }
        lock.lock();
      } else {
        FDone.wait(lock);
      }
    }
  }
  if (FThread.joinable()) FThread.join();
  return FReturnValue;
}
