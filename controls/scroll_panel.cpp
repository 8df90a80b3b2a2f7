#include "controls/scroll_panel.h"

#include <algorithm>

TCustomScrollPanel::TCustomScrollPanel(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
  FPaintedWidth = Width();
  FPaintedHeight = Height();
}

void TCustomScrollPanel::AdjustClientRect(TRect& rect) const {
  int inset = FBorderWidth;
  if (FBorderStyle == bsSingle) inset += 2;
  if (FBevelOuter != bvNone) inset += FBevelWidth;
  if (FBevelInner != bvNone) inset += FBevelWidth;
  InflateRect(rect, -inset, -inset);
}

void TCustomScrollPanel::FrameChanged() {
  Realign();
  Invalidate();
}

void TCustomScrollPanel::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Invalidate();
}

void TCustomScrollPanel::SetBevelInner(TBevelCut value) {
  if (value == FBevelInner) return;
  FBevelInner = value;
  FrameChanged();
}

void TCustomScrollPanel::SetBevelOuter(TBevelCut value) {
  if (value == FBevelOuter) return;
  FBevelOuter = value;
  FrameChanged();
}

void TCustomScrollPanel::SetBevelWidth(int value) {
  value = std::max(value, 1);
  if (value == FBevelWidth) return;
  FBevelWidth = value;
  FrameChanged();
}

void TCustomScrollPanel::SetBorderWidth(int value) {
  value = std::max(value, 0);
  if (value == FBorderWidth) return;
  FBorderWidth = value;
  FrameChanged();
}

void TCustomScrollPanel::SetBorderStyle(TBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  if (HandleAllocated()) RecreateWnd();
  FrameChanged();
}

void TCustomScrollPanel::SetText(const std::string& value) {
  // The caption is not drawn; a change repaints.
  if (value == Caption()) return;
  TScrollingWinControl::SetText(value);
  Invalidate();
}

void TCustomScrollPanel::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  if (FBorderStyle == bsSingle) c.DrawEdge(r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  TColor top, bottom;
  if (FBevelOuter != bvNone) {
    BevelColors(FBevelOuter, Color(), top, bottom);
    Frame3D(c, r, top, bottom, FBevelWidth);
  }
  Frame3D(c, r, Color(), Color(), FBorderWidth);
  if (FBevelInner != bvNone) {
    BevelColors(FBevelInner, Color(), top, bottom);
    Frame3D(c, r, top, bottom, FBevelWidth);
  }
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(r);
}

void TCustomScrollPanel::Resize() {
  const int oldWidth = FPaintedWidth, oldHeight = FPaintedHeight;
  FPaintedWidth = Width();
  FPaintedHeight = Height();
  if (FFullRepaint) {
    Invalidate();
  } else {
    const int bw = FBevelWidth;
    if (oldWidth != Width()) {
      InvalidateRect(Rect(oldWidth - bw, 0, oldWidth, Height()));
      InvalidateRect(Rect(Width() - bw, 0, Width(), Height()));
    }
    if (oldHeight != Height()) {
      InvalidateRect(Rect(0, oldHeight - bw, Width(), oldHeight));
      InvalidateRect(Rect(0, Height() - bw, Width(), Height()));
    }
  }
  if (HasState(csLoading)) {
    UpdateScrollBars();  // no OnResize while loading
    return;
  }
  TScrollingWinControl::Resize();
}
