#include "platform/ui/application.h"
#include "platform/ui/modal_gate.h"

#include <cstdio>
#include <exception>

#include "platform/sys/process.h"
#include "platform/ui/hints.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/scroll_bars.h"
#include "platform/ui/timer.h"

TApplication* Application = nullptr;

namespace {

bool GAbandoned = false;

// Frees the application at exit when nobody else did (unless it was abandoned).
struct TApplicationHolder {
  ~TApplicationHolder() {
    if (!GAbandoned) delete Application;
    Application = nullptr;
  }
} GHolder;

}  // namespace

void AbandonApplicationAtExit() { GAbandoned = true; }

TApplication& GetApplication() {
  if (!Application) Application = new TApplication;
  return *Application;
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
  if (!Application) Application = this;
}

TApplication::~TApplication() {
  StopHintTimer();
  if (FHintControl) FHintControl->RemoveFreeNotification(this);
  FHintControl = nullptr;
  // The owned components (forms, timers) go first, while the loop still exists.
  DestroyComponents();
  if (FLoop && CurrentEventLoop() == FLoop.get()) SetCurrentEventLoop(nullptr);
  FLoop.reset();
  if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {
  RegisterCommonControlsModule();
  if (!FLoop) SetLoop(CreateEventLoop());
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FHintControl) {
    StopHintTimer();
    FHintControl = nullptr;
  }
  if (AComponent == FHintWindow) FHintWindow = nullptr;
  if (AComponent == FMainForm) FMainForm = nullptr;
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
  if (FMainForm && FShowMainForm && !loop.QuitRequested()) RunGuarded([this] { FMainForm->Show(); });
  while (!loop.QuitRequested()) {
    bool busy = false;
    RunGuarded([&] { busy = loop.ProcessMessages(0); });
    if (busy || loop.QuitRequested()) continue;
    // Nothing was waiting: the idle handler runs, then the loop waits unless it wants more.
    if (DoIdle()) RunGuarded([&] { loop.ProcessMessages(-1); });
  }
}

bool TApplication::DoIdle() {
  bool done = true;
  if (OnIdle) RunGuarded([&] { OnIdle(this, done); });
  return done;
}

bool TApplication::QuitPending() const { return Terminated() || QuitSignalled(); }

void TApplication::Minimize() {
  if (FMainForm) RunGuarded([this] { FMainForm->SetWindowState(wsMinimized); });
}

void TApplication::Restore() {
  if (FMainForm) RunGuarded([this] { FMainForm->SetWindowState(wsNormal); });
}

void TApplication::BringToFront() {
  if (FMainForm && FMainForm->Visible()) RunGuarded([this] { FMainForm->BringToFront(); });
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
  return ::MessageBox(FMainForm, Text, Caption.empty() ? FTitle : Caption, Flags);
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
  // A backend's modal service shows a message box; without one the text goes to standard
  // error.
  if (!dynamic_cast<TStandardErrorModalService*>(&InstalledModalService())) {
    try {
      TMessageRequest r;
      r.Caption = FTitle;
      r.Text = text;
      r.Type = mtError;
      ModalService().Message(r);
      return;
    } catch (...) {
    }
  }
  std::fprintf(stderr, "%s%s%s\n", FTitle.c_str(), FTitle.empty() ? "" : ": ", text.c_str());
}

// ---- Windows without a window -----------------------------------------------------------------

namespace {

class TUtilityWindow : public TWinControl {
public:
  explicit TUtilityWindow(std::function<void(TMessage&)> handler) : TWinControl(nullptr), FHandler(std::move(handler)) {
    SetVisible(false);
  }
  void WndProc(TMessage& message) override {
    if (FHandler) FHandler(message);
  }

private:
  std::function<void(TMessage&)> FHandler;
};

}  // namespace

HWND AllocateHWnd(std::function<void(TMessage& Message)> Handler) { return new TUtilityWindow(std::move(Handler)); }

void DeallocateHWnd(HWND Wnd) { delete dynamic_cast<TUtilityWindow*>(Wnd); }
