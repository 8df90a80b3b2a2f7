// The speed button: a graphic push button with a glyph strip and a caption, that can stay down
// and work in a group where one button is down at a time.
#pragma once

#include <memory>
#include <string>

#include "platform/gfx/bitmap.h"
#include "platform/ui/controls.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
// The look of a button: up, disabled, pressed by the mouse, or staying down.
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

// Where a glyph of `glyphSize` and a caption of `textSize` go in `client`: the class library's
// placement by layout, margin (-1 = centred) and spacing (-1 = spread evenly).
void LayoutButton(const TRect& client, TPoint glyphSize, TPoint textSize, TButtonLayout layout,
                  int margin, int spacing, TPoint& glyphPos, TRect& textRect);
// Draws image `index` of a glyph strip of `count` images at x, y, its bottom-left pixel as the
// transparent colour; a disabled strip image without its own picture is drawn greyed.
void DrawGlyph(TCanvas& canvas, const TBitmap& glyph, int count, int index, int x, int y, bool greyed);

class TSpeedButton : public TGraphicControl {
public:
  explicit TSpeedButton(TComponent* AOwner);
  ~TSpeedButton() override;

  // The glyph strip: NumGlyphs images side by side (up, disabled, down, staying down).
  TBitmap& Glyph() { return *FGlyph; }
  void SetGlyph(const TBitmap& value);
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  // A button with a GroupIndex can stay down; pressing it lets the others of its group up.
  bool Down() const { return FDown; }
  void SetDown(bool value);
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int value);
  // Whether the down button of a group may come up when clicked again.
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool value);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout value);
  int Margin() const { return FMargin; }
  void SetMargin(int value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int value);
  TButtonState State() const { return FState; }
  bool MouseInControl() const { return FMouseInControl; }

  void Click() override;
  void WndProc(TMessage& message) override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  bool HearsDoubleClicks() const override { return false; }
  void EnabledChanged() override;
  // Draws the face and frame for the state; `rect` becomes the area inside the frame.
  virtual void PaintFrame(TCanvas& canvas, TRect& rect);
  bool Pressing() const { return FDragging; }

private:
  void UpdateExclusive();
  void SetState(TButtonState state);

  std::unique_ptr<TBitmap> FGlyph;
  int FNumGlyphs = 1;
  bool FFlat = false;
  bool FTransparent = true;
  bool FDown = false;
  int FGroupIndex = 0;
  bool FAllowAllUp = false;
  TButtonLayout FLayout = blGlyphLeft;
  int FMargin = -1;
  int FSpacing = 4;
  TButtonState FState = bsUp;
  bool FDragging = false;
  bool FMouseInControl = false;
};
