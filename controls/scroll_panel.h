// The scrolling panel: a container that scrolls its children like a scroll box and looks like
// a panel (outer and inner bevels, a border width, a colour).
#pragma once

#include "platform/ui/scroll_box.h"
#include "platform/ui/std_painted.h"

class TCustomScrollPanel : public TScrollingWinControl {
public:
  explicit TCustomScrollPanel(TComponent* AOwner);

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut value);
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int value);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int value);
  // bsSingle: a sunken two-pixel edge round the panel (the window is made again).
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  // Without it a resize repaints only the bevel strips at the old and the new edges.
  bool FullRepaint() const { return FFullRepaint; }
  void SetFullRepaint(bool value) { FFullRepaint = value; }
  // Kept for the tool-bar docking of the class library; a locked panel is no tool-bar control.
  bool Locked() const { return FLocked; }
  void SetLocked(bool value) { FLocked = value; }

  // Aligned children share the client area less the border, the bevels and BorderWidth.
  void AdjustClientRect(TRect& rect) const override;
  void SetText(const std::string& value) override;

protected:
  void Paint() override;
  void Resize() override;

private:
  void FrameChanged();

  TAlignment FAlignment = taCenter;
  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvRaised;
  int FBevelWidth = 1;
  int FBorderWidth = 0;
  TBorderStyle FBorderStyle = bsNone;
  bool FFullRepaint = true;
  bool FLocked = false;
  int FPaintedWidth = 0;
  int FPaintedHeight = 0;
};

class TScrollPanel : public TCustomScrollPanel {
public:
  using TCustomScrollPanel::TCustomScrollPanel;
};
