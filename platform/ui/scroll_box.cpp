#include "platform/ui/scroll_box.h"

#include <algorithm>

#include "platform/ui/scroll_bars.h"

// ---- TControlScrollBar ----------------------------------------------------------------------

int TControlScrollBar::ClientSize() const {
  return FKind == sbHorizontal ? FControl.ClientWidth() : FControl.ClientHeight();
}

int TControlScrollBar::MaxPosition() const { return std::max(FRange - ClientSize(), 0); }

bool TControlScrollBar::IsScrollBarVisible() const { return FVisible && FRange > ClientSize(); }

void TControlScrollBar::SetRange(int value) {
  value = std::max(value, 0);
  if (value == FRange) return;
  FRange = value;
  FControl.UpdateScrollBars();
}

void TControlScrollBar::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  FControl.UpdateScrollBars();
}

void TControlScrollBar::SetPosition(int value) {
  value = std::clamp(value, 0, IsScrollBarVisible() ? MaxPosition() : 0);
  if (value == FPosition) return;
  int delta = FPosition - value;
  FPosition = value;
  // The children move the other way; the whole window is painted again.
  if (FKind == sbHorizontal) FControl.ScrollBy(delta, 0);
  else FControl.ScrollBy(0, delta);
  Apply();
  FControl.Invalidate();
}

bool TControlScrollBar::Apply() {
  int bar = FKind == sbHorizontal ? SB_HORZ : SB_VERT;
  bool show = IsScrollBarVisible();
  bool wasShown = FControl.ScrollBarState(bar).Visible;
  if (show) {
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    info.nMin = 0;
    info.nMax = FRange - 1;
    info.nPage = static_cast<UINT>(std::max(ClientSize(), 0));
    info.nPos = FPosition;
    SetScrollInfo(&FControl, bar, info, true);
  }
  if (show != wasShown) ShowScrollBar(&FControl, bar, show);
  return show != wasShown;
}

void TControlScrollBar::ScrollMessage(WORD code) {
  int bar = FKind == sbHorizontal ? SB_HORZ : SB_VERT;
  int page = std::max(ClientSize() * 9 / 10, 1);
  switch (code) {
    case SB_LINEUP: SetPosition(FPosition - FIncrement); break;
    case SB_LINEDOWN: SetPosition(FPosition + FIncrement); break;
    case SB_PAGEUP: SetPosition(FPosition - page); break;
    case SB_PAGEDOWN: SetPosition(FPosition + page); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: SetPosition(FControl.ScrollBarState(bar).TrackPos); break;
    case SB_TOP: SetPosition(0); break;
    case SB_BOTTOM: SetPosition(MaxPosition()); break;
    default: break;
  }
}

// ---- TScrollingWinControl -------------------------------------------------------------------

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner)
    : TCustomControl(AOwner), FHorz(*this, sbHorizontal), FVert(*this, sbVertical) {}

void TScrollingWinControl::SetAutoScroll(bool value) {
  if (value == FAutoScroll) return;
  FAutoScroll = value;
  if (value) UpdateScrollBars();
}

void TScrollingWinControl::CalcAutoRange() {
  // The extent of the children in the scrolled area (their places are relative to the view).
  int right = 0, bottom = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (!c->Visible()) continue;
    TAlign a = c->Align();
    if (a == alNone || a == alLeft) right = std::max(right, c->Left() + c->Width() + FHorz.FPosition);
    if (a == alNone || a == alTop) bottom = std::max(bottom, c->Top() + c->Height() + FVert.FPosition);
  }
  FHorz.FRange = right;
  FVert.FRange = bottom;
}

void TScrollingWinControl::UpdateScrollBars() {
  if (FUpdating) return;
  FUpdating = true;
  if (FAutoScroll) CalcAutoRange();
  // A bar that comes or goes changes the room of the other: twice settles it.
  for (int pass = 0; pass < 2; ++pass) {
    bool changed = FVert.Apply();
    changed = FHorz.Apply() || changed;
    if (!changed) break;
  }
  FUpdating = false;
  // A smaller window may leave a position past its end.
  FHorz.SetPosition(FHorz.FPosition);
  FVert.SetPosition(FVert.FPosition);
}

void TScrollingWinControl::AlignControls(TControl* changed) {
  TCustomControl::AlignControls(changed);
  UpdateScrollBars();
}

void TScrollingWinControl::ControlBoundsChanged(TControl*) { UpdateScrollBars(); }

void TScrollingWinControl::Resize() {
  TCustomControl::Resize();
  UpdateScrollBars();
}

void TScrollingWinControl::ScrollInView(TControl* control) {
  if (!control) return;
  TPoint p = ScreenToClient(control->ClientToScreen({0, 0}));
  if (p.X < 0) FHorz.SetPosition(FHorz.FPosition + p.X);
  else if (p.X + control->Width() > ClientWidth())
    FHorz.SetPosition(FHorz.FPosition + std::min(p.X, p.X + control->Width() - ClientWidth()));
  if (p.Y < 0) FVert.SetPosition(FVert.FPosition + p.Y);
  else if (p.Y + control->Height() > ClientHeight())
    FVert.SetPosition(FVert.FPosition + std::min(p.Y, p.Y + control->Height() - ClientHeight()));
}

bool TScrollingWinControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelDown(Shift, MousePos)) return true;
  if (!FVert.IsScrollBarVisible()) return false;
  FVert.SetPosition(FVert.FPosition + 3 * FVert.FIncrement);
  return true;
}

bool TScrollingWinControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelUp(Shift, MousePos)) return true;
  if (!FVert.IsScrollBarVisible()) return false;
  FVert.SetPosition(FVert.FPosition - 3 * FVert.FIncrement);
  return true;
}

void TScrollingWinControl::WndProc(TMessage& message) {
  if (message.Msg == CM_CONTROLCHANGE) {
    // A child came or went: the area to scroll changed.
    TCustomControl::WndProc(message);
    UpdateScrollBars();
    return;
  }
  if (message.Msg == WM_HSCROLL || message.Msg == WM_VSCROLL) {
    (message.Msg == WM_HSCROLL ? FHorz : FVert).ScrollMessage(LOWORD(message.WParam));
    return;
  }
  TCustomControl::WndProc(message);
}

// ---- TScrollBox -----------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TScrollBox::SetBorderStyle(TBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  Invalidate();
}

void TScrollBox::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(r);
  if (FBorderStyle == bsSingle) c.DrawEdge(r, EDGE_SUNKEN, BF_RECT);
}
