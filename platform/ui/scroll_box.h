// The scroll box: a container whose children lie on an area larger than the window, scrolled
// by the window's own scroll bars (HorzScrollBar, VertScrollBar: Range, Position, Increment).
#pragma once

#include "platform/ui/controls.h"

enum TScrollBarKind { sbHorizontal, sbVertical };

class TScrollingWinControl;

// One scroll bar of a scrolling control, in pixels of the scrolled area.
class TControlScrollBar {
public:
  TControlScrollBar(TScrollingWinControl& control, TScrollBarKind kind) : FControl(control), FKind(kind) {}
  TScrollBarKind Kind() const { return FKind; }
  // The size of the scrolled area; the bar shows when it exceeds the window.
  int Range() const { return FRange; }
  void SetRange(int value);
  // The offset of the area's left (top) edge, 0 .. Range - the client size.
  int Position() const { return FPosition; }
  void SetPosition(int value);
  // The step of the bar's arrows.
  int Increment() const { return FIncrement; }
  void SetIncrement(int value) { FIncrement = value < 1 ? 1 : value; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  // Shown: Visible and a range larger than the window.
  bool IsScrollBarVisible() const;

private:
  friend class TScrollingWinControl;
  int ClientSize() const;
  int MaxPosition() const;
  // Pushes range, page and position to the window's bar; true when its visibility changed.
  bool Apply();
  void ScrollMessage(WORD code);

  TScrollingWinControl& FControl;
  TScrollBarKind FKind;
  int FRange = 0;
  int FPosition = 0;
  int FIncrement = 8;
  bool FVisible = true;
};

class TScrollingWinControl : public TCustomControl {
public:
  explicit TScrollingWinControl(TComponent* AOwner);
  TControlScrollBar& HorzScrollBar() { return FHorz; }
  TControlScrollBar& VertScrollBar() { return FVert; }
  // The ranges follow the children's extent.
  bool AutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool value);
  // Scrolls so that the control (a descendant) lies in the window.
  void ScrollInView(TControl* control);
  void WndProc(TMessage& message) override;
  // Sets both bars from the ranges and the window's size.
  void UpdateScrollBars();

protected:
  void AlignControls(TControl* changed = nullptr) override;
  void ControlBoundsChanged(TControl* control) override;
  void Resize() override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;

private:
  void CalcAutoRange();
  TControlScrollBar FHorz;
  TControlScrollBar FVert;
  bool FAutoScroll = true;
  bool FUpdating = false;
};

class TScrollBox : public TScrollingWinControl {
public:
  explicit TScrollBox(TComponent* AOwner);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);

protected:
  void Paint() override;

private:
  TBorderStyle FBorderStyle = bsSingle;
};
