// The oval button: a graphic push button drawn as an ellipse with a ring bevel, an optional
// glyph and a caption, that reacts only inside its ellipse. With a GroupIndex it toggles.
#pragma once

#include <memory>

#include "platform/gfx/bitmap.h"
#include "platform/ui/controls.h"
#include "platform/ui/speed_button.h"

class TRoundButton : public TGraphicControl {
public:
  enum TBevelState { bvsPressed = -1, bvsFlat = 0, bvsRaised = 1 };

  explicit TRoundButton(TComponent* AOwner);
  ~TRoundButton() override;

  // The bevel's colours, from Color: each highlight channel 255 - round((256 - c) x 0.5),
  // the shadow Color with its lightness x 0.6.
  TColor HighlightColor() const { return FHighlight; }
  TColor ShadowColor() const { return FShadow; }
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int value);
  bool Down() const { return FDown; }
  void SetDown(bool value);
  // A flat button shows its bevel only while the mouse is over the ellipse.
  bool Flat() const { return FFlat; }
  void SetFlat(bool value);
  // The image strip: NumGlyphs images (normal, disabled, pressed).
  TBitmap& Glyph() { return *FGlyph; }
  void SetGlyph(const TBitmap& value);
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int value);
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int value) { FGroupIndex = value; }
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout value);
  int Margin() const { return FMargin; }
  void SetMargin(int value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  TColor TransparentColor() const { return FTransparentColor; }
  void SetTransparentColor(TColor value);

  TBevelState BevelState() const { return FBevelState; }
  bool MouseInside() const { return FMouseInside; }
  // Whether a client point lies in the ellipse spanning (0, 0) to (Width, Height).
  bool InsideEllipse(int x, int y) const;
  // Where the glyph image and the caption go (before the pressed offset).
  void LayoutContent(TCanvas& canvas, TPoint& glyphPos, TRect& textRect);

  TNotifyEvent OnMouseExit;

  void Click() override;
  void WndProc(TMessage& message) override;

protected:
  void Paint() override;
  void DblClick() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void ColorChanged() override;

private:
  // An arc of the ellipse in `box`, counter-clockwise from the radial through `from` to the
  // radial through `to`.
  void Arc(TCanvas& canvas, const TRect& box, TPoint from, TPoint to);
  void SetBevelState(TBevelState state);
  // A property's new value, repainted when it differs.
  template <class T>
  void Change(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    Invalidate();
  }
  TBevelState RestingState() const;

  TColor FHighlight = clWhite;
  TColor FShadow = clGray;
  int FBevelWidth = 0;
  bool FDown = false;
  bool FFlat = false;
  std::unique_ptr<TBitmap> FGlyph;
  int FNumGlyphs = 0;
  int FGroupIndex = 0;
  TButtonLayout FLayout = blGlyphBottom;
  int FMargin = 0;
  int FSpacing = 4;
  bool FTransparent = false;
  TColor FTransparentColor = clNone;
  TBevelState FBevelState = bvsRaised;
  bool FMouseInside = false;
  bool FPressing = false;
  bool FPressedInside = false;
  bool FDownBeforePress = false;
};
