// TTimer: calls OnTimer every Interval milliseconds while Enabled, on the application's loop.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/sys/event_loop.h"

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
  void UpdateTimer();

  unsigned FInterval = 1000;
  bool FEnabled = true;
  TEventLoop* FLoop = nullptr;
  TEventLoop* FArmedLoop = nullptr;
  TEventLoop::TTimerId FId = 0;
};
