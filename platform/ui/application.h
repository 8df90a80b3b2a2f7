// The application object: owns the event loop of the installed backend, runs it, and catches
// every exception that a handler raises, so none reaches the backend.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/classes.h"
#include "platform/rtl/exceptions.h"
#include "platform/sys/event_loop.h"

class TApplication : public TComponent {
public:
  explicit TApplication(TComponent* AOwner = nullptr);
  ~TApplication() override;

  // Creates the loop from the installed backend (once); Run and ProcessMessages call it too.
  void Initialize();
  // Runs the loop until Terminate.
  void Run();
  // Handles whatever is waiting, without waiting.
  void ProcessMessages();
  // Waits (at most WaitMs, negative: until something comes) and handles one round.
  void ProcessMessages(int WaitMs);
  // Waits for one round of messages and handles it; sets Terminated when a quit came.
  void HandleMessage();
  // Asks the loop to end; Run returns after the current round.
  void Terminate();
  bool Terminated() const;

  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& Value);
  // ParamStr(0).
  std::string ExeName() const;
  bool ShowMainForm() const { return FShowMainForm; }
  void SetShowMainForm(bool Value) { FShowMainForm = Value; }

  // Call inside a catch block: EAbort is dropped; any other exception goes to OnException or,
  // without one, to ShowException.
  void HandleException(TObject* Sender);
  // Shows the message of E (through the message hook, else on standard error).
  void ShowException(const Exception& E);

  std::function<void(TObject* Sender, Exception& E)> OnException;
  // Called with the title changed (the backend's window title, the single-instance token).
  std::function<void(TApplication* Sender)> OnTitleChange;
  // How ShowException shows a text; the ui layer routes it to its message box. Without it the
  // text goes to standard error.
  std::function<void(const std::string& Text)> MessageHook;

  // The loop (created by Initialize when needed).
  TEventLoop& Loop();
  bool HasLoop() const { return FLoop != nullptr; }
  // Replaces the loop (a backend or a test); the application owns it from now on.
  void SetLoop(std::unique_ptr<TEventLoop> Loop);

private:
  void RunGuarded(const std::function<void()>& Proc);

  std::unique_ptr<TEventLoop> FLoop;
  std::string FTitle;
  bool FShowMainForm = true;
};

// The process's application object, created on first use and freed at exit.
extern TApplication* Application;
// Creates Application when it does not exist yet and returns it.
TApplication& GetApplication();
