#include "platform/ui/timer.h"

#include <set>

#include "platform/ui/application.h"

namespace {

// Timers enabled before any loop existed; armed when the application gets its loop.
std::set<TTimer*>& PendingTimers() {
  static auto* timers = new std::set<TTimer*>;  // never freed: timers may outlive statics
  return *timers;
}

}  // namespace

void ArmPendingTimers() {
  std::set<TTimer*> pending;
  pending.swap(PendingTimers());
  for (TTimer* timer : pending) timer->UpdateTimer();
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) { UpdateTimer(); }

TTimer::~TTimer() {
  FEnabled = false;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned Value) {
  if (Value == FInterval) return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::SetLoop(TEventLoop* Loop) {
  FLoop = Loop;
  UpdateTimer();
}

void TTimer::Timer() {
  // A copy: the handler may free its own timer.
  if (TNotifyEvent handler = OnTimer) handler(this);
}

void TTimer::UpdateTimer() {
  if (FId && FArmedLoop && TEventLoop::IsAlive(FArmedLoop)) FArmedLoop->RemoveTimer(FId);
  FId = 0;
  FArmedLoop = nullptr;
  PendingTimers().erase(this);
  if (!FEnabled || FInterval == 0 || HasState(csDestroying)) return;
  TEventLoop* loop = FLoop;
  if (!loop) {
    TApplication& app = GetApplication();
    if (!app.HasLoop() && !HasEventLoopFactory()) {
      PendingTimers().insert(this);
      return;
    }
    loop = &app.Loop();
  }
  FArmedLoop = loop;
  // Exceptions of OnTimer reach the loop, which hands them to the application.
  FId = loop->AddTimer(FInterval, true, [this] { Timer(); });
}
