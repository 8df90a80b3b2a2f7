// Static controls painted by our own code: labels, panels, bevels and paint boxes. They draw
// through TCanvas with the system colours, so every backend gives the same pixels.
#pragma once

#include <string>

#include "platform/ui/controls.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// Draws `width` frame lines inside `rect` (top and left in `topColor`, bottom and right in
// `bottomColor`) and insets `rect` past them.
void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int width);
// The colours of a bevel: raised is highlight over shadow, lowered the reverse; a space is
// drawn in `face`.
void BevelColors(TBevelCut cut, TColor face, TColor& topColor, TColor& bottomColor);
// A canvas for measuring text outside painting, with `font` selected.
TCanvas& MeasureCanvas(const TFont& font);
// The character after the first single "&" of a caption (upper case), or 0; "&&" is a literal.
char32_t AccelChar(const std::string& caption);

// ---- Labels ---------------------------------------------------------------------------------
class TCustomLabel : public TGraphicControl {
public:
  explicit TCustomLabel(TComponent* AOwner);

  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value) override;
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout value);
  // Without a transparent background the label fills its rectangle with Color first.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  // "&x" underlines x and makes it the accelerator (unless ShowAccelChar is off).
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool value);
  // Gets the focus when the accelerator is pressed.
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* value);

  void SetText(const std::string& value) override;
  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& message) override;

protected:
  // The text the label shows (a derived label may build it otherwise).
  virtual std::string GetLabelText() const { return Caption(); }
  // Draws (or with DT_CALCRECT measures into `rect`) the label text.
  virtual void DoDrawText(TRect& rect, UINT flags);
  void Paint() override;
  void FontChanged() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Sizes the label to its text when AutoSize is on.
  void AdjustBounds();
  UINT DrawFlags() const;

private:
  bool FAutoSize = true;
  bool FWordWrap = false;
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FTransparent = false;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
  bool FAdjusting = false;
};

class TLabel : public TCustomLabel {
public:
  using TCustomLabel::TCustomLabel;
};

// ---- Panels ---------------------------------------------------------------------------------
class TCustomPanel : public TCustomControl {
public:
  explicit TCustomPanel(TComponent* AOwner);

  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut value);
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int value);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int value);
  // bsSingle adds a sunken two-pixel edge round the panel.
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);

  // The client area less the border, the bevels and BorderWidth: aligned children go there.
  void AdjustClientRect(TRect& rect) const override;

protected:
  void Paint() override;
  // Frames, border and bevels, with `rect` inset past them.
  void PaintFrame(TRect& rect);
  void FrameChanged();

private:
  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvRaised;
  int FBevelWidth = 1;
  int FBorderWidth = 0;
  TBorderStyle FBorderStyle = bsNone;
  TAlignment FAlignment = taCenter;
};

class TPanel : public TCustomPanel {
public:
  using TCustomPanel::TCustomPanel;
};

// ---- Bevel and paint box --------------------------------------------------------------------
class TBevel : public TGraphicControl {
public:
  explicit TBevel(TComponent* AOwner);
  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape value);
  TBevelStyle Style() const { return FStyle; }
  void SetStyle(TBevelStyle value);

protected:
  void Paint() override;

private:
  TBevelShape FShape = bsBox;
  TBevelStyle FStyle = bsLowered;
};

class TPaintBox : public TGraphicControl {
public:
  explicit TPaintBox(TComponent* AOwner);
  TNotifyEvent OnPaint;

protected:
  void Paint() override;
};
