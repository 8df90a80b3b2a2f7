#include "platform/ui/hints.h"

#include "platform/gfx/bitmap.h"
#include "platform/ui/application.h"
#include "platform/ui/screen.h"

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  SetVisible(false);
  SetColor(clInfoBk);
  Font().SetColor(clInfoText);
}

THintWindow::~THintWindow() = default;

TRect THintWindow::CalcHintRect(int MaxWidth, const std::string& AHint) {
  TBitmap scratch(1, 1);
  TCanvas& c = scratch.Canvas();
  c.Font().Assign(Font());
  TRect r = Rect(0, 0, MaxWidth > 0 ? MaxWidth : Screen().Width(), 0);
  c.DrawText(AHint, r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  scratch.ReleaseCanvas();
  r.Right += 6;
  r.Bottom += 2;
  return r;
}

void THintWindow::ActivateHint(const TRect& ScreenRect, const std::string& AHint) {
  TRect r = ScreenRect;
  // The whole window stays on the screen.
  TRect screen = Rect(0, 0, Screen().Width(), Screen().Height());
  if (r.Right > screen.Right) OffsetRect(r, screen.Right - r.Right, 0);
  if (r.Bottom > screen.Bottom) OffsetRect(r, 0, screen.Bottom - r.Bottom);
  if (r.Left < 0) OffsetRect(r, -r.Left, 0);
  if (r.Top < 0) OffsetRect(r, 0, -r.Top);
  SetCaption(AHint);
  SetBounds(r.Left, r.Top, r.Width(), r.Height());
  HandleNeeded();
  SetVisible(true);
  FActive = true;
  Invalidate();
}

void THintWindow::ReleaseHandle() {
  FActive = false;
  SetVisible(false);
  DestroyHandle();
}

bool THintWindow::IsHintShown(const TRect& ScreenRect, const std::string& AHint) const {
  return FActive && Caption() == AHint && BoundsRect() == ScreenRect;
}

void THintWindow::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  c.Brush().SetColor(Color());
  c.FillRect(r);
  c.Brush().SetColor(clWindowFrame);
  c.FrameRect(r);
  InflateRect(r, -2, -2);
  c.Font().SetColor(clInfoText);
  c.Brush().SetStyle(bsClear);
  c.DrawText(Caption(), r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

// ---- The application's hints ----------------------------------------------------------------

namespace {

std::string ShortHint(const std::string& hint) {
  auto bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string LongHint(const std::string& hint) {
  auto bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

}  // namespace

void TApplication::SetShowHint(bool Value) {
  FShowHint = Value;
  if (!Value) CancelHint();
}

void TApplication::SetHint(const std::string& Value) {
  if (Value == FHint) return;
  FHint = Value;
  if (OnHint) RunGuarded([this] { OnHint(this); });
}

void TApplication::StartHintTimer(int Ms, bool ShowNext) {
  StopHintTimer();
  FHintTimerShows = ShowNext;
  FHintTimer = Loop().AddTimer(static_cast<unsigned>(std::max(Ms, 1)), false, [this] {
    FHintTimer = 0;
    HintTimerExpired();
  });
}

void TApplication::StopHintTimer() {
  if (FHintTimer && FLoop) FLoop->RemoveTimer(FHintTimer);
  FHintTimer = 0;
}

void TApplication::HintTimerExpired() {
  if (FHintTimerShows) ShowHintNow();
  else {
    // The hide pause passed: the hint goes, and comes back only when the mouse moves on.
    if (FHintWindow) FHintWindow->ReleaseHandle();
    FHintActive = false;
  }
}

void TApplication::CancelHint() {
  StopHintTimer();
  if (FHintWindow && FHintWindow->Active()) FHintWindow->ReleaseHandle();
  FHintActive = false;
  if (FHintControl) FHintControl->RemoveFreeNotification(this);
  FHintControl = nullptr;
}

void TApplication::CancelHintFor(TControl* Control) {
  if (Control && Control == FHintControl) CancelHint();
}

void TApplication::HintMouseMessage(TControl* Control, const TMessage& Message) {
  if (Message.Msg == CM_MOUSELEAVE) {
    if (Control == FHintControl) {
      CancelHint();
      SetHint("");
    }
    return;
  }
  if (Message.Msg == WM_MOUSEMOVE)
    FHintCursor = Control->ClientToScreen({GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
  else
    FHintCursor = ScreenService().CursorPos();
  if (Control == FHintControl) return;
  bool wasShowing = FHintActive;
  CancelHint();
  SetHint(LongHint(Control->Hint()));
  if (!FShowHint || !Control->EffectiveShowHint() || Control->Hint().empty()) return;
  FHintControl = Control;
  Control->FreeNotification(this);
  // Moving from one shown hint to the next control shows the next one quickly.
  StartHintTimer(wasShowing ? FHintShortPause : FHintPause, true);
}

void TApplication::ActivateHint(TPoint CursorPos) {
  FHintCursor = CursorPos;
  ShowHintNow();
}

void TApplication::ShowHintNow() {
  StopHintTimer();
  TControl* control = FHintControl;
  if (!control) {
    control = FindDragTarget(FHintCursor, false);
    if (!control) return;
    FHintControl = control;
    control->FreeNotification(this);
  }
  THintInfo info;
  info.HintControl = control;
  info.HintPos = {FHintCursor.X, FHintCursor.Y + GetSystemMetrics(SM_CYCURSOR) - 12};
  info.HintMaxWidth = Screen().Width();
  info.HintColor = FHintColor;
  info.CursorPos = control->ScreenToClient(FHintCursor);
  info.CursorRect = control->ClientRect();
  info.HideTimeout = FHintHidePause;
  info.HintStr = ShortHint(control->Hint());
  bool canShow = control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
  if (canShow && OnShowHint) {
    try {
      OnShowHint(info.HintStr, canShow, info);
    } catch (...) {
      HandleException(this);
      canShow = false;
    }
  }
  if (!canShow || info.HintStr.empty()) {
    if (FHintWindow) FHintWindow->ReleaseHandle();
    FHintActive = false;
    return;
  }
  if (!FHintWindow) FHintWindow = new THintWindow(this);
  FHintWindow->SetColor(info.HintColor);
  TRect r = FHintWindow->CalcHintRect(info.HintMaxWidth, info.HintStr);
  OffsetRect(r, info.HintPos.X, info.HintPos.Y);
  FHintWindow->ActivateHint(r, info.HintStr);
  FHintActive = true;
  if (info.HideTimeout > 0) StartHintTimer(info.HideTimeout, false);
}
