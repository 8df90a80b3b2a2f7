#include "platform/ui/forms.h"

#include "platform/ui/application.h"
#include "platform/ui/menus.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/screen.h"

TCustomForm::TCustomForm(TComponent* AOwner) : TCustomControl(AOwner) {
  SetVisible(false);
  SetColor(clBtnFace);
  SetBounds(0, 0, 320, 240);
  Screen().AddForm(this);
}

TCustomForm::~TCustomForm() {
  BeforeDestruction();
  if (FActive) {
    FActive = false;
    Screen().SetActiveForm(nullptr);
  }
  if (FMenu) FMenu->FForm = nullptr;
  Screen().RemoveForm(this);
  if (Application && Application->MainForm() == this) Application->SetMainForm(nullptr);
  // The owned controls go while the form is still a form.
  DestroyComponents();
}

void TCustomForm::AfterConstruction() {
  if (FCreated) return;
  FCreated = true;
  if (OnCreate) OnCreate(this);
}

void TCustomForm::BeforeDestruction() {
  if (FDestroyed) return;
  FDestroyed = true;
  Destroying();
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (...) {
      if (Application) Application->HandleException(this);
    }
  }
}

TFormPeer* TCustomForm::FormPeer() { return HandleAllocated() ? dynamic_cast<TFormPeer*>(Handle()) : nullptr; }

void TCustomForm::CreateWnd() {
  TCustomControl::CreateWnd();
  PushStateToPeer();
}

void TCustomForm::PushStateToPeer() {
  TFormPeer* p = FormPeer();
  if (!p) return;
  p->SetCaption(Caption());
  p->SetBorder(FBorderStyle, FBorderIcons);
  p->SetStayOnTop(FFormStyle == fsStayOnTop);
  p->SetWindowState(FWindowState);
  p->SetMenu(FMenu);
}

TRect TCustomForm::ClientRect() const {
  int menu = 0;
  if (HandleAllocated())
    if (auto* p = dynamic_cast<TFormPeer*>(const_cast<TCustomForm*>(this)->Handle())) menu = p->MenuBarHeight();
  TRect r = TCustomControl::ClientRect();
  r.Bottom = std::max(r.Bottom - menu, 0);
  return r;
}

void TCustomForm::SetText(const std::string& value) {
  TCustomControl::SetText(value);
  if (TFormPeer* p = FormPeer()) p->SetCaption(value);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
  FBorderStyle = value;
  if (TFormPeer* p = FormPeer()) p->SetBorder(FBorderStyle, FBorderIcons);
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
  FBorderIcons = value;
  if (TFormPeer* p = FormPeer()) p->SetBorder(FBorderStyle, FBorderIcons);
}

void TCustomForm::SetFormStyle(TFormStyle value) {
  FFormStyle = value;
  if (TFormPeer* p = FormPeer()) p->SetStayOnTop(value == fsStayOnTop);
}

void TCustomForm::SetWindowState(TWindowState value) {
  if (value == FWindowState) return;
  FWindowState = value;
  if (TFormPeer* p = FormPeer()) p->SetWindowState(value);
}

void TCustomForm::SetMenu(TMainMenu* menu) {
  if (menu == FMenu) return;
  if (FMenu) FMenu->FForm = nullptr;
  if (menu && menu->FForm && menu->FForm != this) menu->FForm->SetMenu(nullptr);
  FMenu = menu;
  if (FMenu) FMenu->FForm = this;
  MenuChanged();
}

void TCustomForm::MenuChanged() {
  if (TFormPeer* p = FormPeer()) {
    p->SetMenu(FMenu);
    AlignControls(nullptr);
  }
}

bool TCustomForm::IsShortCut(WORD Key, TShiftState Shift) {
  return FMenu && FMenu->IsShortCut(Key, Shift);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control && !ContainsControl(control)) return;
  FActiveControl = control;
  if (control && FActive && control->CanFocus()) control->SetFocus();
}

void TCustomForm::FocusControl(TWinControl* control) { SetActiveControl(control); }

void TCustomForm::SetFocus() {
  if (!FActive && Visible()) Screen().SetActiveForm(this);
  if (FActiveControl && FActiveControl->CanFocus()) FActiveControl->SetFocus();
  else TCustomControl::SetFocus();
}

void TCustomForm::FocusFirstControl() {
  if (FActiveControl && FActiveControl->CanFocus()) {
    FActiveControl->SetFocus();
    return;
  }
  TWinControl* first = FindNextControl(nullptr, true, true, false);
  if (first) first->SetFocus();
  else if (CanFocus()) TCustomControl::SetFocus();
}

void TCustomForm::PlaceOnScreen() {
  FPlaced = true;
  TCustomForm* center = nullptr;
  switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
      break;
    case poMainFormCenter:
      center = Application ? Application->MainForm() : nullptr;
      break;
    case poOwnerFormCenter:
      center = dynamic_cast<TCustomForm*>(Owner());
      break;
    default:
      return;
  }
  TScreen& s = Screen();
  // A form to centre on that is not shown (or is this one) counts as none: the screen.
  TRect around = Rect(0, 0, s.Width(), s.Height());
  if (center && center != this && center->Visible()) around = center->BoundsRect();
  int x = around.Left + (around.Width() - Width()) / 2;
  int y = around.Top + (around.Height() - Height()) / 2;
  // The whole form within the work area where it fits; one larger than the area starts at its
  // top-left corner, so that the caption stays within reach.
  const TRect area = s.WorkArea();
  x = std::max(area.Left, std::min(x, area.Right - Width()));
  y = std::max(area.Top, std::min(y, area.Bottom - Height()));
  SetBounds(x, y, Width(), Height());
}

void TCustomForm::SetVisible(bool value) {
  if (value == Visible()) return;
  if (value) {
    HandleNeeded();
    DoShow();
    // Placed at its first showing, with the size that OnShow may have given it.
    if (!FPlaced) PlaceOnScreen();
    TCustomControl::SetVisible(true);
    FFormState << fsVisible;
    if (Enabled()) Screen().SetActiveForm(this);
  } else {
    DoHide();
    // A press that began on the form ends with it (a click that closes the form hides it before
    // the release is handled): the mouse is never left captured by a hidden window.
    if (TWinControl* captured = GetCapture(); captured && ContainsControl(captured)) ::ReleaseCapture();
    TCustomControl::SetVisible(false);
    FFormState >> fsVisible;
    if (FActive) {
      Screen().SetActiveForm(nullptr);
      // Another shown form becomes the active window.
      for (int i = Screen().FormCount() - 1; i >= 0; --i) {
        TCustomForm* f = Screen().Forms(i);
        if (f != this && f->Visible() && f->Enabled()) {
          Screen().SetActiveForm(f);
          break;
        }
      }
    }
  }
}

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::DoShow() { if (OnShow) OnShow(this); }
void TCustomForm::DoHide() { if (OnHide) OnHide(this); }
void TCustomForm::DoClose(TCloseAction& Action) { if (OnClose) OnClose(this, Action); }

void TCustomForm::Activate() {
  FFormState << fsActivated;
  if (TFormPeer* p = FormPeer()) p->Activate();
  FocusFirstControl();
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::Activated(bool active) {
  if (active) {
    if (!FActive && Visible()) Screen().SetActiveForm(this);
  } else if (FActive) {
    Screen().SetActiveForm(nullptr);
  }
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::Close() {
  if (FFormState.Contains(fsModal)) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
    if (action == caFree) Release();
    return;
  }
  switch (action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    default: break;
  }
}

void TCustomForm::Release() {
  if (FReleasing) return;
  FReleasing = true;
  PostMessage(CM_RELEASE);
}

bool TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  if (action == caNone) FModalResult = mrNone;
  else if (action == caFree) Release();
  return FModalResult != mrNone;
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || FFormState.Contains(fsModal))
    throw EInvalidOperation("Cannot make a visible window modal");
  ::ReleaseCapture();
  TCustomForm* previous = Screen().ActiveForm();
  // The other shown forms take no input while this one runs.
  std::vector<TCustomForm*> disabled;
  for (int i = 0; i < Screen().FormCount(); ++i) {
    TCustomForm* f = Screen().Forms(i);
    if (f != this && f->Visible() && f->Enabled()) {
      f->SetEnabled(false);
      disabled.push_back(f);
    }
  }
  auto restore = [&] {
    FFormState >> fsModal;
    for (TCustomForm* f : disabled)
      for (int i = 0; i < Screen().FormCount(); ++i)
        if (Screen().Forms(i) == f) f->SetEnabled(true);
    // Hidden before it stops being modal: a shown window would be shown again by the change.
    Hide();
    if (TFormPeer* p = FormPeer()) p->SetModal(false);
    bool previousAlive = false;
    for (int i = 0; i < Screen().FormCount(); ++i) previousAlive |= Screen().Forms(i) == previous;
    if (previousAlive && previous->Visible() && previous->Enabled()) Screen().SetActiveForm(previous);
  };
  FFormState << fsModal;
  FModalResult = mrNone;
  try {
    HandleNeeded();
    if (TFormPeer* p = FormPeer()) p->SetModal(true);
    Show();
    ModalService().BeginModal(*this);
    for (;;) {
      if (FModalResult == mrNone) ModalService().ModalRound(*this);
      if (Application && Application->QuitPending()) FModalResult = mrCancel;
      else if (FModalResult != mrNone) CloseModal();
      if (FModalResult != mrNone) break;
    }
  } catch (...) {
    restore();
    throw;
  }
  TModalResult result = FModalResult;
  restore();
  return result;
}

void TCustomForm::Paint() {
  // The form's background is its colour; OnPaint draws over it.
  Canvas().Brush().SetColor(Color());
  Canvas().FillRect(ClientRect());
  if (OnPaint) OnPaint(this);
}

void TCustomForm::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_RELEASE:
      delete this;
      return;
    case WM_CLOSE:
      Close();
      return;
    case WM_ACTIVATE:
      Activated(LOWORD(message.WParam) != WA_INACTIVE);
      return;
    case CM_DIALOGKEY: {
      if (GetKeyState(VK_MENU) < 0) break;
      WORD key = static_cast<WORD>(message.WParam);
      if (key == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
        SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
        message.Result = 1;
        return;
      }
      if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) {
        if (FActiveControl && FActiveControl->Parent()) {
          FActiveControl->Parent()->SelectNext(FActiveControl, key == VK_RIGHT || key == VK_DOWN, false);
          message.Result = 1;
        }
        return;
      }
      break;
    }
    default:
      break;
  }
  TCustomControl::WndProc(message);
}
