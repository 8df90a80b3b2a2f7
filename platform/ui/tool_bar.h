// The tool bar: a row of tool buttons (images from an image list), separators and ordinary
// controls, laid out left to right in the order they were put on it.
#pragma once

#include "platform/gfx/bitmap.h"
#include "platform/ui/controls.h"

class TToolBar;

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolButton : public TGraphicControl {
public:
  explicit TToolButton(TComponent* AOwner);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  TToolButtonStyle Style() const { return FStyle; }
  void SetStyle(TToolButtonStyle value);
  // A check button stays down; Grouped check buttons side by side keep one down at a time.
  bool Down() const { return FDown; }
  void SetDown(bool value);
  bool Grouped() const { return FGrouped; }
  void SetGrouped(bool value) { FGrouped = value; }
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool value) { FAllowAllUp = value; }
  TToolBar* ToolBar() const;
  bool Pressed() const { return FPressed; }
  bool MouseInControl() const { return FMouseInControl; }

  void SetParent(TWinControl* parent) override;
  void Click() override;
  void WndProc(TMessage& message) override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  bool HearsDoubleClicks() const override { return false; }

private:
  bool IsSeparator() const { return FStyle == tbsSeparator || FStyle == tbsDivider; }
  int FImageIndex = -1;
  TToolButtonStyle FStyle = tbsButton;
  bool FDown = false;
  bool FGrouped = false;
  bool FAllowAllUp = false;
  bool FPressed = false;
  bool FTracking = false;
  bool FMouseInControl = false;
};

class TToolBar : public TCustomControl {
public:
  explicit TToolBar(TComponent* AOwner);
  // Not owned; the images of the buttons by ImageIndex.
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* value);
  // Flat buttons show a frame only under the mouse or when down.
  bool Flat() const { return FFlat; }
  void SetFlat(bool value);
  int ButtonWidth() const { return FButtonWidth; }
  void SetButtonWidth(int value);
  int ButtonHeight() const { return FButtonHeight; }
  void SetButtonHeight(int value);
  // Captions of the buttons under their images.
  bool ShowCaptions() const { return FShowCaptions; }
  void SetShowCaptions(bool value);
  int Indent() const { return FIndent; }
  void SetIndent(int value);
  int ButtonCount() const;
  TToolButton* Buttons(int index) const;
  // Lays the controls out again (done by itself when controls come, go or change size).
  void ArrangeControls();
  void WndProc(TMessage& message) override;

protected:
  void Paint() override;
  void Resize() override;

private:
  TImageList* FImages = nullptr;
  bool FFlat = false;
  int FButtonWidth = 23;
  int FButtonHeight = 22;
  bool FShowCaptions = false;
  int FIndent = 0;
  bool FArranging = false;
};
