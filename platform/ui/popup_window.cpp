#include "platform/ui/popup_window.h"

TPopupWindow::TPopupWindow(TComponent* AOwner) : TCustomControl(AOwner) { SetVisible(false); }

TPopupWindow::~TPopupWindow() = default;

void TPopupWindow::SetShape(const TRegion* Region, bool Redraw) {
  FShape = Region ? std::make_unique<TRegion>(*Region) : nullptr;
  if (HandleAllocated()) {
    Handle()->SetShape(FShape.get());
    if (Redraw) Invalidate();
  }
}

void TPopupWindow::SetVisible(bool Value) {
  if (Value) HandleNeeded();
  TCustomControl::SetVisible(Value);
}

void TPopupWindow::CreateWnd() {
  TCustomControl::CreateWnd();
  // A window made again keeps its shape.
  if (FShape) Handle()->SetShape(FShape.get());
}

int SetWindowRgn(TPopupWindow& Window, HRGN Region, bool Redraw) {
  Window.SetShape(Region, Redraw);
  if (Region) DeleteObject(Region);
  return 1;
}
