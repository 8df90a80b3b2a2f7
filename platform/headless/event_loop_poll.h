// The headless event loop over poll(): timers by monotonic deadline, descriptor watches, the
// posted-message queue, an eventfd for wakes from other threads and the quit-signal pipe.
// Tests may run it on a fake clock whose timers fire as the clock advances.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/sys/event_loop.h"

class TPollEventLoop : public TEventLoop {
public:
  // WatchQuitSignals: a SIGTERM, SIGINT or SIGHUP ends Run (InstallQuitSignals is called).
  explicit TPollEventLoop(bool WatchQuitSignals = true);
  ~TPollEventLoop() override;

  TTimerId AddTimer(unsigned IntervalMs, bool Repeat, TTimerProc OnFire) override;
  void RemoveTimer(TTimerId Id) override;
  void SetFdWatch(int Fd, unsigned Mask, TFdProc OnReady) override;
  void RemoveFdWatch(int Fd) override;
  bool ProcessMessages(int WaitMs) override;
  void Wake() override;

  size_t TimerCount() const { return FTimers.size(); }
  size_t WatchCount() const { return FWatches.size(); }

  // Fake clock: from now on the loop's time only moves with AdvanceClock, and waits for
  // timers do not sleep. AdvanceClock fires every timer that falls due on the way, in
  // deadline order (ties in creation order), with the clock standing at each deadline.
  void UseFakeClock(std::uint64_t StartMs = 0);
  void AdvanceClock(std::uint64_t Ms);
  bool FakeClock() const { return FFake; }
  // The loop's time in milliseconds (monotonic, or the fake clock).
  std::uint64_t NowMs() const;

private:
  struct TTimer {
    unsigned Interval;
    bool Repeat;
    std::uint64_t Deadline;
    std::uint64_t Seq;  // creation order, for ties
    TTimerProc OnFire;
  };
  struct TWatch {
    unsigned Mask;
    TFdProc OnReady;
    std::uint64_t Generation;
  };

  void Reschedule(TTimer& Timer, std::uint64_t Now);
  // Fires the earliest timer due at or before Now; false when none is due.
  bool FireOneDueTimer(std::uint64_t Now);
  bool FireDueTimers();
  void DrainWake();
  void OnQuitSignal();

  std::map<TTimerId, TTimer> FTimers;
  TTimerId FNextTimerId = 1;
  std::uint64_t FNextSeq = 0;
  std::map<int, TWatch> FWatches;
  std::uint64_t FNextGeneration = 0;
  int FWakeFd = -1;
  bool FWatchSignals;
  bool FFake = false;
  std::uint64_t FFakeNow = 0;
};

// Makes TApplication (and every CreateEventLoop call) use the poll loop.
void InstallHeadlessEventLoop();
