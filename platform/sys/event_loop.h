// The event-loop contract that every backend implements: timers, file-descriptor watches,
// messages posted to a target, wakes from other threads and "run once, waiting at most N ms".
// TApplication owns the process's loop; sockets and threads reach it through CurrentEventLoop()
// without depending on the user-interface layer.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/rtl/win_types.h"

class TEventLoop;

// A receiver of posted messages (a control, a socket). Messages still queued for a target when
// it is destroyed are dropped, as Windows drops the messages of a destroyed window.
class TMessageTarget {
public:
  TMessageTarget() = default;
  TMessageTarget(const TMessageTarget&) = delete;
  TMessageTarget& operator=(const TMessageTarget&) = delete;
  virtual ~TMessageTarget();

  // Called on the loop's thread for each message posted to this target.
  virtual void HandlePostedMessage(UINT Msg, WPARAM WParam, LPARAM LParam) = 0;
};

// File-descriptor watch events (bits).
inline constexpr unsigned fdeRead = 1;
inline constexpr unsigned fdeWrite = 2;
// Reported with fdeRead when poll() says the descriptor hung up or failed.
inline constexpr unsigned fdeHangUp = 4;

class TEventLoop {
public:
  using TTimerId = unsigned;  // 0 is never a valid id
  using TTimerProc = std::function<void()>;
  using TFdProc = std::function<void(int Fd, unsigned Events)>;

  TEventLoop();
  TEventLoop(const TEventLoop&) = delete;
  TEventLoop& operator=(const TEventLoop&) = delete;
  virtual ~TEventLoop();

  // Timers. A repeating timer fires every IntervalMs from its start; a one-shot timer fires once
  // and is removed. Timers due at the same moment fire in creation order. Removing a timer from
  // inside any handler (its own included) takes effect at once.
  virtual TTimerId AddTimer(unsigned IntervalMs, bool Repeat, TTimerProc OnFire) = 0;
  virtual void RemoveTimer(TTimerId Id) = 0;

  // Watches a descriptor for the events in Mask (fdeRead | fdeWrite); a mask of 0 or
  // RemoveFdWatch ends the watch. Setting a watch again replaces the mask and the handler.
  virtual void SetFdWatch(int Fd, unsigned Mask, TFdProc OnReady) = 0;
  virtual void RemoveFdWatch(int Fd) = 0;

  // Handles what is due now, waiting at most WaitMs (0: do not wait, negative: wait until
  // something happens) for the first event. Returns true when anything was handled.
  virtual bool ProcessMessages(int WaitMs) = 0;

  // Wakes a ProcessMessages that waits on another thread. Safe from any thread.
  virtual void Wake() = 0;

  // Runs rounds until Quit is requested. The request stays set until ResetQuit.
  virtual void Run();
  void Quit();
  bool QuitRequested() const;
  void ResetQuit();

  // Thread-safe: queues a message for Target (or a plain procedure) and wakes the loop. Both
  // kinds share one queue, delivered in posting order on the loop's thread.
  void PostMessage(TMessageTarget* Target, UINT Msg, WPARAM WParam, LPARAM LParam);
  void Post(std::function<void()> Proc);
  // Messages queued and not yet delivered.
  bool HasPostedMessages() const;

  // Called inside a catch block whenever a handler run by the loop raises; without one the
  // exception is dropped. Exceptions never leave the loop.
  std::function<void()> OnHandlerException;

  // Paints asked for while a hold is on wait for its end, but no longer than BoundMs from the
  // outermost hold's start: a command whose requests pump the loop between its steps shows its
  // end state in one paint instead of each step's.  Holds nest; every HoldPaints takes one
  // ReleasePaints.  A backend that does not paint ignores them.
  virtual void HoldPaints(unsigned BoundMs) { (void)BoundMs; }
  virtual void ReleasePaints() {}

  // Drops every queued message for Target (called by ~TMessageTarget).
  void CancelMessages(TMessageTarget* Target);

  // True while Loop exists (objects that outlive their loop check before they unregister).
  static bool IsAlive(const TEventLoop* Loop);

protected:
  // Takes the loop out of the live set and out of CurrentEventLoop, so no other thread posts
  // to it any more. A backend's destructor calls it before it frees its wake mechanism.
  void Retire();
  // Delivers the messages queued before the call; true when any was delivered.
  bool DispatchPosted();
  // Runs a handler, routing any exception to OnHandlerException.
  void Guard(const std::function<void()>& Proc);
  // Called when Quit is requested, so a backend can end its wait.
  virtual void QuitRequestedHook() { Wake(); }

private:
  struct TPosted {
    TMessageTarget* Target;
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    std::function<void()> Proc;
  };
  mutable std::mutex FQueueLock;
  std::deque<TPosted> FQueue;
  std::atomic<bool> FQuit{false};
};

// The process's current loop (set by TApplication, or by a test); may be null.
TEventLoop* CurrentEventLoop();
void SetCurrentEventLoop(TEventLoop* Loop);

// The backend's loop factory. A backend installs it explicitly at start-up (a static library
// cannot register itself), e.g. InstallHeadlessEventLoop() or the Qt backend's install call.
using TEventLoopFactory = std::function<std::unique_ptr<TEventLoop>()>;
void SetEventLoopFactory(TEventLoopFactory Factory);
bool HasEventLoopFactory();
// A new loop from the installed factory; raises EInvalidOperation when none is installed.
std::unique_ptr<TEventLoop> CreateEventLoop();

// Wakes the current loop, if any; safe from any thread while loops come and go.
void WakeCurrentLoop();
// Posts to the current loop; false (and nothing queued) when there is none.
bool PostToCurrentLoop(TMessageTarget* Target, UINT Msg, WPARAM WParam, LPARAM LParam);
