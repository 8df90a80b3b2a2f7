#include "platform/ui/small_controls.h"

#include <algorithm>

#include "platform/rtl/format_settings.h"
#include "platform/rtl/sysutils.h"

namespace {
constexpr UINT kRepeatTimer = 1;
}

// ---- TProgressBar ---------------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 150, 16);
  SetColor(clBtnFace);
}

void TProgressBar::SetMin(int value) {
  if (value == FMin) return;
  FMin = value;
  if (FMax < FMin) FMax = FMin;
  SetPosition(FPosition);
  Invalidate();
}

void TProgressBar::SetMax(int value) {
  if (value == FMax) return;
  FMax = value;
  if (FMin > FMax) FMin = FMax;
  SetPosition(FPosition);
  Invalidate();
}

void TProgressBar::SetPosition(int value) {
  value = std::clamp(value, FMin, FMax);
  if (value == FPosition) return;
  FPosition = value;
  Invalidate();
}

void TProgressBar::SetOrientation(TProgressBarOrientation value) {
  if (value == FOrientation) return;
  FOrientation = value;
  Invalidate();
}

void TProgressBar::SetSmooth(bool value) {
  if (value == FSmooth) return;
  FSmooth = value;
  Invalidate();
}

TRect TProgressBar::BarRect() const {
  TRect r = ClientRect();
  InflateRect(r, -2, -2);
  long long range = static_cast<long long>(FMax) - FMin;
  long long done = static_cast<long long>(FPosition) - FMin;
  if (range <= 0 || IsRectEmpty(r)) return Rect(r.Left, r.Top, r.Left, r.Top);
  if (FOrientation == pbHorizontal) r.Right = r.Left + static_cast<int>(r.Width() * done / range);
  else r.Top = r.Bottom - static_cast<int>(r.Height() * done / range);
  return r;
}

void TProgressBar::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(r);
  c.DrawEdge(r, BDR_SUNKENOUTER, BF_RECT);
  TRect bar = BarRect();
  if (IsRectEmpty(bar)) return;
  c.Brush().SetColor(clHighlight);
  if (FSmooth) {
    c.FillRect(bar);
    return;
  }
  // Blocks two thirds as long as the bar is thick, two pixels apart; the last one may be cut.
  bool horizontal = FOrientation == pbHorizontal;
  int thick = horizontal ? bar.Height() : bar.Width();
  int block = std::max(thick * 2 / 3, 2);
  if (horizontal) {
    for (int x = bar.Left; x < bar.Right; x += block + 2)
      c.FillRect(Rect(x, bar.Top, std::min(x + block, bar.Right), bar.Bottom));
  } else {
    for (int y = bar.Bottom; y > bar.Top; y -= block + 2)
      c.FillRect(Rect(bar.Left, std::max(y - block, bar.Top), bar.Right, y));
  }
}

// ---- TUpDown --------------------------------------------------------------------------------

TUpDown::TUpDown(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 17, 25);
  SetColor(clBtnFace);
}

void TUpDown::SetAssociate(TWinControl* value) {
  if (value == FAssociate) return;
  if (value == this) return;
  if (FAssociate) FAssociate->RemoveFreeNotification(this);
  FAssociate = value;
  if (!value) return;
  value->FreeNotification(this);
  ReadAssociate();
  PlaceAtAssociate();
  UpdateAssociate();
}

void TUpDown::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FAssociate) FAssociate = nullptr;
}

void TUpDown::PlaceAtAssociate() {
  if (!FAssociate) return;
  TWinControl* a = FAssociate;
  if (a->Parent() && a->Parent() != FParent) SetParent(a->Parent());
  int w = Width();
  // The associate gives up the room the buttons take.
  a->SetBounds(FAlignButton == udLeft ? a->Left() + w : a->Left(), a->Top(), std::max(a->Width() - w, 0), a->Height());
  int left = FAlignButton == udLeft ? a->Left() - w : a->Left() + a->Width();
  SetBounds(left, a->Top(), w, a->Height());
}

void TUpDown::UpdateAssociate() {
  if (!FAssociate) return;
  std::string text = std::to_string(FPosition);
  if (FThousands) {
    std::string digits = std::to_string(std::abs(static_cast<long long>(FPosition)));
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
      if (i > 0 && (digits.size() - i) % 3 == 0) grouped += FormatSettings.ThousandSeparator;
      grouped += digits[i];
    }
    text = (FPosition < 0 ? "-" : "") + grouped;
  }
  FAssociate->SetText(text);
}

void TUpDown::ReadAssociate() {
  // The associate's text may have been typed: it is the position to step from.
  if (!FAssociate) return;
  std::string text;
  for (char ch : FAssociate->Text())
    if (ch != FormatSettings.ThousandSeparator) text += ch;
  int value = 0;
  if (TryStrToInt(Trim(text), value)) FPosition = std::clamp(value, std::min(FMin, FMax), std::max(FMin, FMax));
}

void TUpDown::SetMin(int value) {
  FMin = value;
  SetPosition(FPosition);
}

void TUpDown::SetMax(int value) {
  FMax = value;
  SetPosition(FPosition);
}

void TUpDown::SetPosition(int value) {
  value = std::clamp(value, std::min(FMin, FMax), std::max(FMin, FMax));
  bool changed = value != FPosition;
  FPosition = value;
  if (changed || FAssociate) UpdateAssociate();
}

void TUpDown::SetOrientation(TUDOrientation value) {
  if (value == FOrientation) return;
  FOrientation = value;
  Invalidate();
}

void TUpDown::SetAlignButton(TUDAlignButton value) {
  if (value == FAlignButton) return;
  FAlignButton = value;
  PlaceAtAssociate();
}

void TUpDown::SetThousands(bool value) {
  FThousands = value;
  UpdateAssociate();
}

void TUpDown::Click(TUDBtnType Button) {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  if (!allow) return;
  ReadAssociate();
  // Next counts towards Max (Max may be below Min: then it counts down).
  long long dir = FMax >= FMin ? 1 : -1;
  long long next = FPosition + (Button == btNext ? dir : -dir) * static_cast<long long>(FIncrement);
  long long lo = std::min(FMin, FMax), hi = std::max(FMin, FMax);
  if (next > hi) next = FWrap ? lo : hi;
  if (next < lo) next = FWrap ? hi : lo;
  if (next != FPosition) {
    FPosition = static_cast<int>(next);
    UpdateAssociate();
    Invalidate();
  }
  if (OnClick) OnClick(this, Button);
}

TUDBtnType TUpDown::ButtonAt(int X, int Y) const {
  if (FOrientation == udVertical) return Y < Height() / 2 ? btNext : btPrev;
  return X >= Width() / 2 ? btNext : btPrev;
}

void TUpDown::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !Enabled()) return;
  TUDBtnType b = ButtonAt(X, Y);
  FPressed = b;
  Invalidate();
  Click(b);
  // Held down, it steps again after 400 ms and then every 100 ms.
  FRepeating = false;
  SetTimer(kRepeatTimer, 400);
}

void TUpDown::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft || FPressed < 0) return;
  KillTimer(kRepeatTimer);
  FPressed = -1;
  Invalidate();
}

void TUpDown::WndProc(TMessage& message) {
  if (message.Msg == WM_TIMER && message.WParam == kRepeatTimer) {
    if (FPressed < 0) {
      KillTimer(kRepeatTimer);
      return;
    }
    if (!FRepeating) {
      FRepeating = true;
      KillTimer(kRepeatTimer);
      SetTimer(kRepeatTimer, 100);
    }
    Click(static_cast<TUDBtnType>(FPressed));
    return;
  }
  TCustomControl::WndProc(message);
}

void TUpDown::Paint() {
  TCanvas& c = Canvas();
  TRect first, second;
  UINT firstKind, secondKind;
  if (FOrientation == udVertical) {
    first = Rect(0, 0, Width(), Height() / 2);
    second = Rect(0, Height() / 2, Width(), Height());
    firstKind = DFCS_SCROLLUP;
    secondKind = DFCS_SCROLLDOWN;
  } else {
    first = Rect(0, 0, Width() / 2, Height());
    second = Rect(Width() / 2, 0, Width(), Height());
    firstKind = DFCS_SCROLLLEFT;
    secondKind = DFCS_SCROLLRIGHT;
  }
  // Vertical: next is the upper button; horizontal: next is the right one.
  int firstButton = FOrientation == udVertical ? btNext : btPrev;
  UINT inactive = Enabled() ? 0u : UINT(DFCS_INACTIVE);
  c.DrawFrameControl(first, DFC_SCROLL, firstKind | inactive | (FPressed == firstButton ? UINT(DFCS_PUSHED) : 0u));
  c.DrawFrameControl(second, DFC_SCROLL,
                     secondKind | inactive | (FPressed >= 0 && FPressed != firstButton ? UINT(DFCS_PUSHED) : 0u));
}
