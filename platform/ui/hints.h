// The hint window: a top-level, borderless window that never takes the focus and shows a
// short text in the hint colour. The application shows one for the control under the mouse
// after HintPause (see TApplication); controls with their own hints (scroll hints, cell
// hints) own one and place it themselves.
#pragma once

#include <string>

#include "platform/ui/controls.h"

class THintWindow : public TCustomControl {
public:
  explicit THintWindow(TComponent* AOwner);
  ~THintWindow() override;

  std::string WindowClass() const override { return "THintWindow"; }

  // The rectangle (at 0, 0) the text needs, broken into lines no wider than MaxWidth, with
  // the window's margins.
  virtual TRect CalcHintRect(int MaxWidth, const std::string& AHint);
  // Shows the text in the screen rectangle.
  virtual void ActivateHint(const TRect& ScreenRect, const std::string& AHint);
  // Hides the window and lets go of its peer.
  void ReleaseHandle();
  // Shown and not released.
  bool Active() const { return FActive; }
  // True when the text and place equal those of the hint now shown.
  bool IsHintShown(const TRect& ScreenRect, const std::string& AHint) const;

protected:
  void Paint() override;

private:
  bool FActive = false;
};
