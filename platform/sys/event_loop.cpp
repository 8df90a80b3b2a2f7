#include "platform/sys/event_loop.h"

#include <algorithm>
#include <set>

#include "platform/rtl/exceptions.h"
#include "platform/sys/threads.h"

namespace {

// Never freed: loops and targets may be destroyed by other static destructors at exit, after
// ordinary statics of this file are gone.
std::mutex& LoopsLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

std::set<const TEventLoop*>& LiveLoops() {
  static auto* loops = new std::set<const TEventLoop*>;
  return *loops;
}

std::atomic<TEventLoop*> GCurrentLoop{nullptr};

std::mutex& FactoryLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

TEventLoopFactory& Factory() {
  static auto* factory = new TEventLoopFactory;
  return *factory;
}

}  // namespace

TMessageTarget::~TMessageTarget() {
  std::lock_guard<std::mutex> guard(LoopsLock());
  for (const TEventLoop* loop : LiveLoops()) const_cast<TEventLoop*>(loop)->CancelMessages(this);
}

TEventLoop::TEventLoop() {
  std::lock_guard<std::mutex> guard(LoopsLock());
  LiveLoops().insert(this);
}

TEventLoop::~TEventLoop() { Retire(); }

void TEventLoop::Retire() {
  std::lock_guard<std::mutex> guard(LoopsLock());
  LiveLoops().erase(this);
  TEventLoop* self = this;
  GCurrentLoop.compare_exchange_strong(self, nullptr);
}

bool TEventLoop::IsAlive(const TEventLoop* Loop) {
  std::lock_guard<std::mutex> guard(LoopsLock());
  return LiveLoops().count(Loop) != 0;
}

void TEventLoop::Run() {
  while (!QuitRequested()) ProcessMessages(-1);
}

void TEventLoop::Quit() {
  FQuit = true;
  QuitRequestedHook();
}

bool TEventLoop::QuitRequested() const { return FQuit; }

void TEventLoop::ResetQuit() { FQuit = false; }

void TEventLoop::PostMessage(TMessageTarget* Target, UINT Msg, WPARAM WParam, LPARAM LParam) {
  {
    std::lock_guard<std::mutex> guard(FQueueLock);
    FQueue.push_back({Target, Msg, WParam, LParam, nullptr});
  }
  Wake();
}

void TEventLoop::Post(std::function<void()> Proc) {
  if (!Proc) return;
  {
    std::lock_guard<std::mutex> guard(FQueueLock);
    FQueue.push_back({nullptr, 0, 0, 0, std::move(Proc)});
  }
  Wake();
}

bool TEventLoop::HasPostedMessages() const {
  std::lock_guard<std::mutex> guard(FQueueLock);
  return !FQueue.empty();
}

void TEventLoop::CancelMessages(TMessageTarget* Target) {
  std::lock_guard<std::mutex> guard(FQueueLock);
  std::erase_if(FQueue, [Target](const TPosted& m) { return m.Target == Target && !m.Proc; });
}

bool TEventLoop::DispatchPosted() {
  // Only what was queued before this round: a handler that posts again does not starve the
  // loop's other sources.
  size_t count;
  {
    std::lock_guard<std::mutex> guard(FQueueLock);
    count = FQueue.size();
  }
  bool any = false;
  for (size_t i = 0; i < count; ++i) {
    TPosted message;
    {
      std::lock_guard<std::mutex> guard(FQueueLock);
      if (FQueue.empty()) break;  // cancelled meanwhile
      message = std::move(FQueue.front());
      FQueue.pop_front();
    }
    any = true;
    if (message.Proc) {
      Guard(message.Proc);
    } else if (message.Target) {
      // The target may be destroyed by an earlier message of this round; its destructor then
      // removed its messages from the queue, so this one is still valid.
      Guard([&] { message.Target->HandlePostedMessage(message.Msg, message.WParam, message.LParam); });
    }
  }
  if (IsMainThread() && CheckSynchronize()) any = true;
  return any;
}

void TEventLoop::Guard(const std::function<void()>& Proc) {
  try {
    Proc();
  } catch (...) {
    if (OnHandlerException) {
      try {
        OnHandlerException();
      } catch (...) {
        // A failing exception handler must not take the loop down.
      }
    }
  }
}

TEventLoop* CurrentEventLoop() { return GCurrentLoop.load(); }

void SetCurrentEventLoop(TEventLoop* Loop) { GCurrentLoop = Loop; }

void SetEventLoopFactory(TEventLoopFactory F) {
  std::lock_guard<std::mutex> guard(FactoryLock());
  Factory() = std::move(F);
}

bool HasEventLoopFactory() {
  std::lock_guard<std::mutex> guard(FactoryLock());
  return static_cast<bool>(Factory());
}

std::unique_ptr<TEventLoop> CreateEventLoop() {
  TEventLoopFactory f;
  {
    std::lock_guard<std::mutex> guard(FactoryLock());
    f = Factory();
  }
  if (!f) throw EInvalidOperation(
        "No event loop backend installed: call InstallHeadlessEventLoop() (or the desktop "
        "backend's install) at start-up");
  return f();
}

bool PostToCurrentLoop(TMessageTarget* Target, UINT Msg, WPARAM WParam, LPARAM LParam) {
  // Holding the live-loop lock keeps the loop from being destroyed between the check and the post.
  std::lock_guard<std::mutex> guard(LoopsLock());
  TEventLoop* loop = GCurrentLoop.load();
  if (!loop || !LiveLoops().count(loop)) return false;
  loop->PostMessage(Target, Msg, WParam, LParam);
  return true;
}

void WakeCurrentLoop() {
  std::lock_guard<std::mutex> guard(LoopsLock());
  TEventLoop* loop = GCurrentLoop.load();
  if (loop && LiveLoops().count(loop)) loop->Wake();
}
