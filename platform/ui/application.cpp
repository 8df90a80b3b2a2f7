#include "platform/ui/application.h"

#include <cstdio>
#include <exception>

#include "platform/sys/process.h"
#include "platform/ui/timer.h"

TApplication* Application = nullptr;

namespace {

// Frees the application at exit when nobody else did.
struct TApplicationHolder {
  ~TApplicationHolder() {
    delete Application;
    Application = nullptr;
  }
} GHolder;

}  // namespace

TApplication& GetApplication() {
  if (!Application) Application = new TApplication;
  return *Application;
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
  if (!Application) Application = this;
}

TApplication::~TApplication() {
  // The owned components (forms, timers) go first, while the loop still exists.
  DestroyComponents();
  if (FLoop && CurrentEventLoop() == FLoop.get()) SetCurrentEventLoop(nullptr);
  FLoop.reset();
  if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {
  if (!FLoop) SetLoop(CreateEventLoop());
}

void TApplication::SetLoop(std::unique_ptr<TEventLoop> Loop) {
  if (FLoop && CurrentEventLoop() == FLoop.get()) SetCurrentEventLoop(nullptr);
  FLoop = std::move(Loop);
  if (!FLoop) return;
  FLoop->OnHandlerException = [this] { HandleException(this); };
  SetCurrentEventLoop(FLoop.get());
  ArmPendingTimers();
}

TEventLoop& TApplication::Loop() {
  Initialize();
  return *FLoop;
}

void TApplication::RunGuarded(const std::function<void()>& Proc) {
  try {
    Proc();
  } catch (...) {
    HandleException(this);
  }
}

void TApplication::Run() {
  TEventLoop& loop = Loop();
  while (!loop.QuitRequested()) RunGuarded([&] { loop.ProcessMessages(-1); });
}

void TApplication::ProcessMessages() { ProcessMessages(0); }

void TApplication::ProcessMessages(int WaitMs) {
  TEventLoop& loop = Loop();
  RunGuarded([&] { loop.ProcessMessages(WaitMs); });
}

void TApplication::HandleMessage() { ProcessMessages(-1); }

void TApplication::Terminate() { Loop().Quit(); }

bool TApplication::Terminated() const { return FLoop && FLoop->QuitRequested(); }

void TApplication::SetTitle(const std::string& Value) {
  if (Value == FTitle) return;
  FTitle = Value;
  if (OnTitleChange) RunGuarded([this] { OnTitleChange(this); });
}

std::string TApplication::ExeName() const { return ParamStr(0); }

void TApplication::HandleException(TObject* Sender) {
  auto report = [&](Exception& e) {
    if (!OnException) {
      ShowException(e);
      return;
    }
    try {
      OnException(Sender, e);
    } catch (...) {
      // An exception handler that raises must not take the loop down.
    }
  };
  try {
    throw;
  } catch (EAbort&) {
    // Silent by design.
  } catch (Exception& e) {
    report(e);
  } catch (std::exception& e) {
    Exception wrapped(e.what());
    report(wrapped);
  } catch (...) {
    Exception unknown("Unknown exception");
    report(unknown);
  }
}

void TApplication::ShowException(const Exception& E) {
  std::string text = E.Message();
  if (!text.empty() && text.back() > '.') text += '.';
  if (MessageHook) {
    try {
      MessageHook(text);
      return;
    } catch (...) {
    }
  }
  std::fprintf(stderr, "%s%s%s\n", FTitle.c_str(), FTitle.empty() ? "" : ": ", text.c_str());
}
