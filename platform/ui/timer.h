// TTimer: calls OnTimer every Interval milliseconds while Enabled, on the application's loop.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/sys/event_loop.h"

// A timer enabled while no loop exists yet (no backend installed) waits, and starts when the
// application gets its loop.
class TTimer : public TComponent {
public:
  explicit TTimer(TComponent* AOwner = nullptr);
  ~TTimer() override;

  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  // Runs on this loop instead of the application's (tests, threads with their own loop).
  void SetLoop(TEventLoop* Loop);

  // Called every Interval ms while Enabled and Interval > 0.
  TNotifyEvent OnTimer;

protected:
  virtual void Timer();

private:
  friend void ArmPendingTimers();
  void UpdateTimer();

  unsigned FInterval = 1000;
  bool FEnabled = true;
  TEventLoop* FLoop = nullptr;
  TEventLoop* FArmedLoop = nullptr;
  TEventLoop::TTimerId FId = 0;
};

// Starts the timers that were enabled before the application had a loop (called by
// TApplication when it gets one).
void ArmPendingTimers();
