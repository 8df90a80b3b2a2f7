#include "controls/grid/grid_arrows.h"

#include <algorithm>
#include <iterator>

namespace {

// Constant data, not vectors: a program that never shows an arrow builds none at its start.
constexpr TPoint kOutlines[4][7] = {
    {{5, 0}, {10, 5}, {7, 5}, {7, 9}, {3, 9}, {3, 5}, {0, 5}},
    {{3, 0}, {7, 0}, {7, 4}, {9, 4}, {5, 8}, {1, 4}, {3, 4}},
    {{0, 3}, {0, 7}, {4, 7}, {4, 10}, {8, 5}, {4, 0}, {4, 3}},
    {{0, 5}, {4, 10}, {4, 7}, {8, 7}, {8, 3}, {4, 3}, {4, 0}},
};

}  // namespace

TArrowWindow::TArrowWindow(TComponent* AOwner, int Direction)
    : TPopupWindow(AOwner), FDirection(std::clamp(Direction, 0, 3)), FOutline(std::begin(kOutlines[FDirection]), std::end(kOutlines[FDirection])) {
  SetColor(RGB(0, 255, 0));
  int w = 0, h = 0;
  for (const TPoint& p : FOutline) {
    w = std::max(w, p.X + 1);
    h = std::max(h, p.Y + 1);
  }
  SetBounds(0, 0, w, h);
}

void TArrowWindow::CreateWnd() {
  TPopupWindow::CreateWnd();
  SetWindowRgn(*this, CreatePolygonRgn(FOutline.data(), static_cast<int>(FOutline.size()), WINDING), true);
}

void TArrowWindow::Paint() {
  TCanvas& canvas = Canvas();
  canvas.Brush().SetColor(Color());
  canvas.FillRect(ClientRect());
}

TPopupButton::TPopupButton(TComponent* AOwner) : TPopupWindow(AOwner) {
  SetColor(clBtnFace);
  SetEnabled(false);
}

void TPopupButton::Paint() {
  TCanvas& canvas = Canvas();
  TRect r = ClientRect();
  canvas.Brush().SetColor(clWindowFrame);
  canvas.FrameRect(r);
  InflateRect(r, -1, -1);
  canvas.Brush().SetColor(Color());
  canvas.FillRect(r);
  if (!Flat) {
    canvas.Pen().SetColor(clWhite);
    canvas.MoveTo(r.Left, r.Bottom - 1);
    canvas.LineTo(r.Left, r.Top);
    canvas.LineTo(r.Right - 1, r.Top);
    canvas.Pen().SetColor(RGB(128, 128, 128));
    canvas.LineTo(r.Right - 1, r.Bottom - 1);
    canvas.LineTo(r.Left, r.Bottom - 1);
  }
  canvas.Font().Assign(Font());
  canvas.SetBkMode(TRANSPARENT);
  canvas.DrawText(Caption(), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}
