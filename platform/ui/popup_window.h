// A small top-level window that shows beside the program's other windows without taking the
// focus: borderless, above every other window, never activated (the arrows and the caption
// of a row or column being moved, drag indicators). It has no parent window; its Left and Top
// are screen coordinates. Its shape may be cut to a region of its own pixels.
#pragma once

#include <memory>
#include <string>

#include "platform/gfx/regions.h"
#include "platform/ui/controls.h"

class TPopupWindow : public TCustomControl {
public:
  explicit TPopupWindow(TComponent* AOwner);
  ~TPopupWindow() override;

  std::string WindowClass() const override { return "TPopupWindow"; }
  // The shape; null for the whole rectangle.
  const TRegion* Shape() const { return FShape.get(); }
  void SetShape(const TRegion* Region, bool Redraw = true);
  // Showing it makes its window first.
  void SetVisible(bool Value) override;

protected:
  void CreateWnd() override;

private:
  std::unique_ptr<TRegion> FShape;
};

// The system call: the window takes the region (which is freed here, as the system frees
// it); a null region gives the window its whole rectangle back. Returns 1.
int SetWindowRgn(TPopupWindow& Window, HRGN Region, bool Redraw);
