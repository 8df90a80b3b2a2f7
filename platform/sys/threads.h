// Threads and critical sections.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/rtl/win_types.h"

// A recursive lock, as a Win32 critical section.
class TCriticalSection {
public:
  void Enter() { FMutex.lock(); }
  void Leave() { FMutex.unlock(); }
  bool TryEnter() { return FMutex.try_lock(); }
  void Acquire() { Enter(); }
  void Release() { Leave(); }

private:
  std::recursive_mutex FMutex;
};

struct CRITICAL_SECTION {
  TCriticalSection* Section = nullptr;
};
void InitializeCriticalSection(CRITICAL_SECTION* CS);
void EnterCriticalSection(CRITICAL_SECTION* CS);
void LeaveCriticalSection(CRITICAL_SECTION* CS);
void DeleteCriticalSection(CRITICAL_SECTION* CS);

DWORD GetCurrentThreadId();
// The thread that started the process (the one that ran static initialisation).
DWORD MainThreadID();
bool IsMainThread();
// The memory manager is always thread-safe; kept so callers read as designed.
inline bool IsMultiThread = false;

class TThread;
using TThreadMethod = std::function<void()>;

// A thread that runs Execute. A C++ base constructor cannot start a thread that calls the
// derived Execute (the derived part does not exist yet), so the thread starts with Start, or
// with TThread::Create<T>(...), which constructs T and starts it unless T was created
// suspended. With FreeOnTerminate the object deletes itself after Execute and OnTerminate; such
// a thread must be created with new. Otherwise the destructor asks it to terminate and waits;
// since C++ destroys the derived part first, a class whose Execute uses its own members calls
// TerminateAndWait() at the start of its destructor.
class TThread {
public:
  explicit TThread(bool CreateSuspended);

  // new T(args...), started unless it was created suspended.
  template <class T, class... Args>
  static T* Create(Args&&... args) {
    T* thread = new T(std::forward<Args>(args)...);
    if (!static_cast<TThread*>(thread)->FCreateSuspended) thread->Start();
    return thread;
  }
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;
  virtual ~TThread();

  void Start();
  void Resume() { Start(); }
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  bool Finished() const { return FFinished; }
  bool Suspended() const { return !FStarted; }
  // Waits for the end of Execute and returns ReturnValue. On the main thread, work that the
  // thread hands over with Synchronize keeps running while it waits.
  int WaitFor();
  // Terminate, then WaitFor when the thread was started.
  void TerminateAndWait();

  bool FreeOnTerminate() const { return FFreeOnTerminate; }
  void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
  int ReturnValue() const { return FReturnValue; }
  void SetReturnValue(int Value) { FReturnValue = Value; }
  DWORD ThreadID() const { return FThreadId; }

  // Called on the main thread (through Synchronize) after Execute.
  std::function<void(TThread* Sender)> OnTerminate;

  // Runs Method on the main thread and waits for it: posted to the current event loop, or run
  // at once on the main thread. An exception of Method passes to the calling thread.
  static void Synchronize(TThread* Thread, const TThreadMethod& Method);
  void Synchronize(const TThreadMethod& Method) { Synchronize(this, Method); }

protected:
  virtual void Execute() = 0;

private:
  void Run();

  std::thread FThread;
  bool FCreateSuspended;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::atomic<bool> FStarted{false};
  bool FFreeOnTerminate = false;
  int FReturnValue = 0;
  std::atomic<DWORD> FThreadId{0};
  std::mutex FLock;
  std::condition_variable FDone;
};

// Runs the work that other threads handed to the main thread with Synchronize; true when any
// ran. Called by the event loop and by TThread::WaitFor on the main thread.
bool CheckSynchronize();
