// The application object: owns the event loop of the installed backend, runs it, and catches
// every exception that a handler raises, so none reaches the backend.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/classes.h"
#include "platform/rtl/exceptions.h"
#include "platform/sys/event_loop.h"
#include "platform/ui/forms.h"

class THintWindow;
class TTimer;

// What a control's hint shows, handed to CM_HINTSHOW (lParam) and OnShowHint, which may change
// the text, the position, the maximum width and the colour.
struct THintInfo {
  TControl* HintControl = nullptr;
  TPoint HintPos;           // screen point of the hint's top left
  int HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  TRect CursorRect;         // the hint goes when the mouse leaves it (client coordinates)
  TPoint CursorPos;         // client coordinates
  int ReshowTimeout = 0;
  int HideTimeout = 0;
  std::string HintStr;
};
using TShowHintEvent = std::function<void(std::string& HintStr, bool& CanShow, THintInfo& HintInfo)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;

class TApplication : public TComponent {
public:
  explicit TApplication(TComponent* AOwner = nullptr);
  ~TApplication() override;

  // Creates the loop from the installed backend (once); Run and ProcessMessages call it too.
  void Initialize();
  // Creates a form owned by the application; the first one becomes MainForm. Its OnCreate
  // runs before this returns.
  template <typename T> void CreateForm(T*& Reference) {
    Reference = new T(this);
    if (!FMainForm) FMainForm = Reference;
    Reference->AfterConstruction();
  }
  TCustomForm* MainForm() const { return FMainForm; }
  void SetMainForm(TCustomForm* Form) { FMainForm = Form; }
  // Shows MainForm (when ShowMainForm) and runs the loop until Terminate; OnIdle runs each
  // time the loop has nothing left to do.
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
  // A quit was asked for: Terminate, or SIGTERM/SIGINT/SIGHUP.
  bool QuitPending() const;
  // The main form's window state.
  void Minimize();
  void Restore();
  void BringToFront();
  // No help viewer exists: these do nothing.
  bool HelpContext(int) { return false; }
  void SetHelpFile(const std::string&) {}
  // A message box with Title as caption (MB_ flags in, ID answer out).
  int MessageBox(const std::string& Text, const std::string& Caption, UINT Flags);
  // Calls OnIdle once (the loop does it when idle); true when the handler is done.
  bool DoIdle();

  // ---- Hints ----
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  TColor HintColor() const { return FHintColor; }
  void SetHintColor(TColor Value) { FHintColor = Value; }
  int HintPause() const { return FHintPause; }
  void SetHintPause(int Value) { FHintPause = Value; }
  int HintShortPause() const { return FHintShortPause; }
  void SetHintShortPause(int Value) { FHintShortPause = Value; }
  int HintHidePause() const { return FHintHidePause; }
  void SetHintHidePause(int Value) { FHintHidePause = Value; }
  // The hint text of the control under the mouse (its whole Hint).
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);
  // Hides the hint window and forgets the control.
  void CancelHint();
  // Shows the hint of Control at once (as if the pause had passed).
  void ActivateHint(TPoint CursorPos);
  // The application's hint window (null until a hint was shown).
  THintWindow* HintWindow() const { return FHintWindow; }
  // Called by controls: the mouse entered, moved over or left Control.
  void HintMouseMessage(TControl* Control, const TMessage& Message);
  // Control is being freed: its hint goes.
  void CancelHintFor(TControl* Control);

  TShowHintEvent OnShowHint;
  TNotifyEvent OnHint;
  TIdleEvent OnIdle;

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

  // Runs Proc under the guard: an exception goes to HandleException.
  void RunGuarded(const std::function<void()>& Proc);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void StartHintTimer(int Ms, bool ShowNext);
  void StopHintTimer();
  void HintTimerExpired();
  void ShowHintNow();

  std::unique_ptr<TEventLoop> FLoop;
  std::string FTitle;
  bool FShowMainForm = true;
  TCustomForm* FMainForm = nullptr;

  bool FShowHint = true;
  TColor FHintColor = clInfoBk;
  int FHintPause = 500;
  int FHintShortPause = 50;
  int FHintHidePause = 2500;
  std::string FHint;
  THintWindow* FHintWindow = nullptr;
  TControl* FHintControl = nullptr;
  TEventLoop::TTimerId FHintTimer = 0;
  bool FHintTimerShows = true;
  bool FHintActive = false;
  TPoint FHintCursor;
};

// A message target without a window (the sockets' notification window): messages sent or
// posted to it go to Handler. DeallocateHWnd frees it; messages still queued are dropped.
HWND AllocateHWnd(std::function<void(TMessage& Message)> Handler);
void DeallocateHWnd(HWND Wnd);

// The process's application object, created on first use and freed at exit.
extern TApplication* Application;
// Creates Application when it does not exist yet and returns it.
TApplication& GetApplication();
// Called by a desktop backend whose toolkit ends the process from under the running program (its
// display went away): the application and its windows are then left to the process's end, as
// they can no longer be torn down.
void AbandonApplicationAtExit();
