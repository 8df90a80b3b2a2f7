// The windows the grid shows while rows or columns are moved: four green arrows marking the
// drop place, and a caption window (a flat or raised button look) that follows the mouse.
// Both are top-level pop-up windows placed in screen coordinates.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/popup_window.h"

class TArrowWindow : public TPopupWindow {
public:
  // Direction 0 points up, 1 down, 2 right, 3 left.
  TArrowWindow(TComponent* AOwner, int Direction);
  int Direction() const { return FDirection; }
  // The arrow's outline in the window's own pixels (closed, filled with the winding rule).
  const std::vector<TPoint>& Outline() const { return FOutline; }

protected:
  // The window's shape becomes the arrow.
  void CreateWnd() override;
  void Paint() override;

private:
  int FDirection;
  std::vector<TPoint> FOutline;
};

class TPopupButton : public TPopupWindow {
public:
  explicit TPopupButton(TComponent* AOwner);
  bool Flat = false;

protected:
  // A window frame, the raised edge unless Flat, and the caption centred, cut with "..." when
  // it does not fit.
  void Paint() override;
};
