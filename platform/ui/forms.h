// Forms: the top-level windows of the program. A form is shown (Show) or run modally
// (ShowModal: the other forms are disabled and a nested loop runs until ModalResult is set or
// the form is closed). Closing asks OnCloseQuery, then OnClose picks what happens to the form.
#pragma once

#include <functional>
#include <string>

#include "platform/ui/controls.h"

class TMainMenu;

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TPosition {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
  poMainFormCenter, poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsActivated };
using TFormState = TSet<TFormStateItem>;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// What a backend's form window does beyond a plain window. The peer a backend registers for
// the window class "TForm" implements it; the form pushes its state here.
class TFormPeer {
public:
  virtual ~TFormPeer() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetBorder(TFormBorderStyle style, TBorderIcons icons) = 0;
  virtual void SetStayOnTop(bool onTop) = 0;
  virtual void SetWindowState(TWindowState state) = 0;
  // Modal: the window blocks input to the other windows of the program while shown.
  virtual void SetModal(bool modal) = 0;
  // The menu bar (null: none); called again whenever the menu's items change.
  virtual void SetMenu(TMainMenu* menu) = 0;
  // Brings the window to the front and gives it the keyboard.
  virtual void Activate() = 0;
  // The client area's offset inside the window (below a menu bar).
  virtual int MenuBarHeight() const { return 0; }
};

class TCustomForm : public TCustomControl {
public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  std::string WindowClass() const override { return "TForm"; }

  void SetText(const std::string& value) override;
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons value);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition value) { FPosition = value; }
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle value);
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState value);
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool value) { FKeyPreview = value; }
  // The control that has (or gets, when the form is shown) the focus on this form.
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* control);
  // Focuses the control when it can take the focus (the form being shown and enabled).
  void FocusControl(TWinControl* control);
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult value) { FModalResult = value; }
  TMainMenu* Menu() const { return FMenu; }
  void SetMenu(TMainMenu* menu);
  TFormState FormState() const { return FFormState; }
  // The form is the program's active window.
  bool Active() const { return FActive; }
  // Client size; setting it sizes the form around it.
  void SetClientWidth(int value) { SetWidth(value); }
  void SetClientHeight(int value) { SetHeight(value); }

  void SetVisible(bool value) override;
  void Show();
  void Hide();
  // The menu bar came, went or changed its height: the controls are aligned to the client area
  // left, and the form hears of it as of a resize.
  void ClientAreaChanged() {
    Realign();
    Resize();
  }
  // Asks OnCloseQuery; with its consent runs OnClose and does what the action says (caHide
  // hides, caFree releases, caMinimize minimizes; the main form ends the program). A modal
  // form gets ModalResult mrCancel instead.
  void Close();
  // OnCloseQuery's answer (true without a handler).
  virtual bool CloseQuery();
  // Frees the form once the handlers that are running have returned (a posted message).
  void Release();
  // Shows the form modally and returns its ModalResult. EInvalidOperation "Cannot make a
  // visible window modal" when the form is already visible or disabled.
  virtual TModalResult ShowModal();
  void SetFocus() override;
  void BringToFront() { TControl::BringToFront(); if (HandleAllocated()) Handle()->BringToFront(); }

  // The backend tells the form it became (or stopped being) the active window.
  void Activated(bool active);
  // OnCreate after construction; a form built in code calls this at the end of its
  // constructor (CreateForm calls it too). Runs once.
  void AfterConstruction();
  // OnDestroy; runs once, at the latest when the form is freed. A derived form whose handler
  // uses its own members calls it in its own destructor.
  void BeforeDestruction();

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnPaint;

  void WndProc(TMessage& message) override;
  TRect ClientRect() const override;
  // Clicks the menu item with this short cut (the form's main menu); true when one did.
  virtual bool IsShortCut(WORD Key, TShiftState Shift);
  // Whether a pending Release frees the form.
  bool Releasing() const { return FReleasing; }

protected:
  void CreateWnd() override;
  void Paint() override;
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);
  virtual void Activate();
  virtual void Deactivate();
  void PushStateToPeer();
  TFormPeer* FormPeer();

private:
  void PlaceOnScreen();
  void FocusFirstControl();
  bool CloseModal();
  void MenuChanged();

  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TPosition FPosition = poDesigned;
  TFormStyle FFormStyle = fsNormal;
  TWindowState FWindowState = wsNormal;
  bool FKeyPreview = false;
  TWinControl* FActiveControl = nullptr;
  TModalResult FModalResult = mrNone;
  TMainMenu* FMenu = nullptr;
  TFormState FFormState;
  bool FActive = false;
  bool FCreated = false;
  bool FDestroyed = false;
  bool FReleasing = false;
  bool FPlaced = false;

  friend class TWinControl;
  friend class TScreen;
  friend class TMainMenu;
};

class TForm : public TCustomForm {
public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};
