#include "net/net_timer.h"

#include "platform/rtl/exceptions.h"

TNetTimer::~TNetTimer() { Kill(); }

void TNetTimer::SetInterval(unsigned Value) {
  FInterval = Value;
  UpdateTimer();
}

void TNetTimer::SetEnabled(bool Value) {
  FEnabled = Value;
  UpdateTimer();
}

void TNetTimer::SetOnTimer(std::function<void()> Handler) {
  FOnTimer = std::move(Handler);
  UpdateTimer();
}

void TNetTimer::Kill() {
  if (FTimer && FLoop) FLoop->RemoveTimer(FTimer);
  FTimer = 0;
  FLoop = nullptr;
}

void TNetTimer::UpdateTimer() {
  Kill();
  if (FInterval == 0 || !FEnabled || !FOnTimer) return;
  TEventLoop* loop = CurrentEventLoop();
  if (!loop) throw EOutOfResources("Not enough timers");
  FLoop = loop;
  FTimer = loop->AddTimer(FInterval, true, [this] {
    if (FOnTimer) FOnTimer();
  });
  if (!FTimer) {
    FLoop = nullptr;
    throw EOutOfResources("Not enough timers");
  }
}

TNetTimeCounter::TNetTimeCounter() {
  FTimer.SetEnabled(false);
  FTimer.SetOnTimer([this] { Tick(); });
}

void TNetTimeCounter::Start() {
  FCount = TimeOut;
  FTimer.SetEnabled(true);
}

void TNetTimeCounter::Stop() { FTimer.SetEnabled(false); }

void TNetTimeCounter::Reset() {
  FCount = TimeOut;
  FTimedOut = false;
  if (!FTimer.Enabled()) FTimer.SetEnabled(true);
}

void TNetTimeCounter::Tick() {
  --FCount;
  if (FCount < 1) FTimedOut = true;
}
