// The one-second timer and the time-out counter of the network waits.
#pragma once

#include <functional>

#include "platform/sys/event_loop.h"

// A window timer (id 1) on the current event loop; it ticks only while the loop is pumped.
class TNetTimer {
public:
  TNetTimer() = default;
  TNetTimer(const TNetTimer&) = delete;
  TNetTimer& operator=(const TNetTimer&) = delete;
  ~TNetTimer();

  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  void SetOnTimer(std::function<void()> Handler);
  // Stops the timer and starts it again when it is enabled, has an interval and a handler.
  // Raises EOutOfResources "Not enough timers" when there is no loop to run it.
  void UpdateTimer();

private:
  void Kill();

  unsigned FInterval = 1000;
  bool FEnabled = true;
  std::function<void()> FOnTimer;
  TEventLoop* FLoop = nullptr;
  TEventLoop::TTimerId FTimer = 0;
};

// Counts seconds down while it runs; TimedOut once no progress came for TimeOut seconds.
class TNetTimeCounter {
public:
  TNetTimeCounter();
  void Start();
  void Stop();
  void Reset();
  void Tick();
  int TimeOut = 60;
  int Count() const { return FCount; }
  bool TimedOut() const { return FTimedOut; }

private:
  TNetTimer FTimer;
  int FCount = 0;
  bool FTimedOut = false;
};
