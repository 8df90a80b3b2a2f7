#include "controls/oval_button.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "controls/colour_convert.h"
#include "platform/ui/std_painted.h"

TRoundButton::TRoundButton(TComponent* AOwner) : TGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  SetBounds(0, 0, 100, 50);
  SetColor(clBtnFace);
  ColorChanged();
}

TRoundButton::~TRoundButton() = default;

void TRoundButton::ColorChanged() {
  ShadeColors(Color(), FHighlight, FShadow, (10 - 4) / 10.0f, (10 - 5) / 10.0f);
  TGraphicControl::ColorChanged();
  Invalidate();
}

TRoundButton::TBevelState TRoundButton::RestingState() const {
  if (FDown) return bvsPressed;
  return FFlat && !FMouseInside ? bvsFlat : bvsRaised;
}

void TRoundButton::SetBevelState(TBevelState state) { Change(FBevelState, state); }

void TRoundButton::SetBevelWidth(int value) { Change(FBevelWidth, std::max(value, 0)); }

void TRoundButton::SetDown(bool value) {
  if (value == FDown) return;
  FDown = value;
  SetBevelState(value ? bvsPressed : FFlat ? bvsFlat : bvsRaised);
  Invalidate();
}

void TRoundButton::SetFlat(bool value) {
  if (value == FFlat) return;
  FFlat = value;
  if (!FDown) SetBevelState(value ? bvsFlat : bvsRaised);
  Invalidate();
}

void TRoundButton::SetGlyph(const TBitmap& value) {
  FGlyph->Assign(value);
  if (!FGlyph->Empty()) FTransparentColor = static_cast<TColor>(FGlyph->PixelAt(0, FGlyph->Height() - 1));
  if (HasState(csDesigning) && !FGlyph->Empty())
    FNumGlyphs = FGlyph->Width() % FGlyph->Height() == 0 ? FGlyph->Width() / FGlyph->Height() : 1;
  Invalidate();
}

void TRoundButton::SetNumGlyphs(int value) { Change(FNumGlyphs, std::max(value, 0)); }
void TRoundButton::SetLayout(TButtonLayout value) { Change(FLayout, value); }
void TRoundButton::SetMargin(int value) { Change(FMargin, value); }
void TRoundButton::SetSpacing(int value) { Change(FSpacing, value); }
void TRoundButton::SetTransparent(bool value) { Change(FTransparent, value); }
void TRoundButton::SetTransparentColor(TColor value) { Change(FTransparentColor, value); }

bool TRoundButton::InsideEllipse(int x, int y) const {
  const double rx = Width() / 2.0, ry = Height() / 2.0;
  if (rx <= 0 || ry <= 0) return false;
  const double dx = (x + 0.5 - rx) / rx, dy = (y + 0.5 - ry) / ry;
  return dx * dx + dy * dy <= 1.0;
}

// ---- Painting -------------------------------------------------------------------------------

void TRoundButton::Arc(TCanvas& canvas, const TRect& box, TPoint from, TPoint to) {
  const double cx = (box.Left + box.Right) / 2.0, cy = (box.Top + box.Bottom) / 2.0;
  const double rx = (box.Right - box.Left) / 2.0, ry = (box.Bottom - box.Top) / 2.0;
  if (rx <= 0 || ry <= 0) return;
  // Angles of the radials (counter-clockwise on the screen, y pointing down).
  const double start = std::atan2(-(from.Y - cy) / ry, (from.X - cx) / rx);
  double end = std::atan2(-(to.Y - cy) / ry, (to.X - cx) / rx);
  while (end <= start) end += 2 * std::numbers::pi;
  const int steps = std::max(8, static_cast<int>((end - start) * std::max(rx, ry) / 2));
  std::vector<TPoint> points;
  points.reserve(static_cast<std::size_t>(steps) + 1);
  for (int i = 0; i <= steps; ++i) {
    const double t = start + (end - start) * i / steps;
    points.push_back({static_cast<int>(std::lround(cx + rx * std::cos(t))), static_cast<int>(std::lround(cy - ry * std::sin(t)))});
  }
  canvas.Polyline(points);
}

void TRoundButton::LayoutContent(TCanvas& c, TPoint& glyphPos, TRect& textRect) {
  const int w = Width(), h = Height();
  const bool hasGlyph = !FGlyph->Empty() && FNumGlyphs > 0;
  const int iw = hasGlyph ? FGlyph->Width() / FNumGlyphs : 0, ih = hasGlyph ? FGlyph->Height() : 0;
  const bool hasCaption = !Caption().empty();
  int tw = 0, th = 0;
  if (hasCaption) {
    TRect calc = Rect(0, 0, w, 0);
    c.DrawText(Caption(), calc, DT_CALCRECT | DT_SINGLELINE);
    tw = calc.Width();
    th = calc.Height();
  }
  glyphPos = {(w - iw) / 2, (h - ih) / 2};
  TPoint textPos{(w - tw) / 2, (h - th) / 2};
  if (hasGlyph && hasCaption) {
    // Glyph and text centred together along one axis, the glyph first or last, Margin from
    // its edge.
    auto along = [this](int extent, int glyph, int text, bool glyphFirst, int& glyphAt, int& textAt) {
      const int free = (extent - (text + FSpacing + glyph)) / 2;
      if (glyphFirst) {
        glyphAt = free - FMargin;
        textAt = glyphAt + glyph + FSpacing;
      } else {
        glyphAt = extent - free - glyph + FMargin;
        textAt = glyphAt - FSpacing - text;
      }
    };
    if (FLayout == blGlyphLeft || FLayout == blGlyphRight)
      along(w, iw, tw, FLayout == blGlyphLeft, glyphPos.X, textPos.X);
    else
      along(h, ih, th, FLayout == blGlyphTop, glyphPos.Y, textPos.Y);
  }
  textRect = Bounds(textPos.X, textPos.Y, tw, th);
}

void TRoundButton::Paint() {
  TCanvas& c = Canvas();
  const int w = Width(), h = Height();
  c.Font().Assign(Font());
  c.Brush().SetColor(Color());
  c.Brush().SetStyle(FTransparent ? bsClear : bsSolid);
  c.Pen().SetWidth(1);
  c.Pen().SetColor(clWindowFrame);
  c.Pen().SetStyle(FFlat ? psClear : psSolid);
  c.Ellipse(0, 0, w - 1, h - 1);

  if (FBevelState != bvsFlat) {
    const TPoint a{4 * (w / 5), h / 5}, b{w / 5, 4 * (h / 5)};
    const TColor upperLeft = FBevelState == bvsRaised ? FHighlight : FShadow;
    const TColor lowerRight = FBevelState == bvsRaised ? FShadow : FHighlight;
    c.Pen().SetStyle(psSolid);
    for (int i = 1; i <= FBevelWidth; ++i) {
      const TRect box = Rect(i, i, w - i - 1, h - i - 1);
      c.Pen().SetColor(upperLeft);
      Arc(c, box, a, b);
      c.Pen().SetColor(lowerRight);
      Arc(c, box, b, a);
    }
  }

  TPoint glyphPos;
  TRect textRect;
  LayoutContent(c, glyphPos, textRect);
  const int shift = FBevelState == bvsPressed ? 1 : 0;
  if (!FGlyph->Empty() && FNumGlyphs > 0) {
    int index = 0;
    if (!Enabled() && FNumGlyphs >= 2) index = 1;
    else if (FBevelState == bvsPressed && FNumGlyphs >= 3) index = 2;
    const int iw = FGlyph->Width() / FNumGlyphs;
    const COLORREF key = ColorToRGB(FTransparentColor);
    for (int y = 0; y < FGlyph->Height(); ++y)
      for (int x = 0; x < iw; ++x) {
        const COLORREF px = FGlyph->PixelAt(index * iw + x, y);
        if (FTransparentColor != clNone && px == key) continue;
        c.SetPixel(glyphPos.X + shift + x, glyphPos.Y + shift + y, static_cast<TColor>(px));
      }
  }
  if (!Caption().empty()) {
    c.Brush().SetStyle(bsClear);
    OffsetRect(textRect, shift, shift);
    c.DrawText(Caption(), textRect, DT_SINGLELINE);
  }
}

// ---- Mouse and keys -------------------------------------------------------------------------

void TRoundButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  FPressing = true;
  FMouseInside = InsideEllipse(X, Y);
  if (Button == mbLeft && Enabled() && FMouseInside) {
    FPressedInside = true;
    FDownBeforePress = FDown;
    FDown = true;
    SetBevelState(bvsPressed);
    TGraphicControl::MouseDown(Button, Shift, X, Y);
  }
}

void TRoundButton::MouseMove(TShiftState Shift, int X, int Y) {
  const bool inside = InsideEllipse(X, Y);
  if (!FPressing) {
    FMouseInside = inside;
    if (FFlat && !FDown) SetBevelState(inside ? bvsRaised : bvsFlat);
  } else if (FGroupIndex == 0 && Enabled()) {
    // Pressed: the button comes up while the mouse is off the ellipse.
    if (inside != FMouseInside) {
      FMouseInside = inside;
      FDown = inside;
      SetBevelState(inside ? bvsPressed : FFlat ? bvsFlat : bvsRaised);
    }
  } else {
    FMouseInside = inside;
  }
  if (inside) TGraphicControl::MouseMove(Shift, X, Y);
}

void TRoundButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const bool inside = InsideEllipse(X, Y);
  if (Button == mbLeft && Enabled() && inside) {
    if (FGroupIndex == 0) {
      FDown = false;
      SetBevelState(bvsRaised);
    } else {
      FDown = !FDownBeforePress;
      SetBevelState(FDown ? bvsPressed : bvsRaised);
    }
    TGraphicControl::MouseUp(Button, Shift, X, Y);
  } else if (FPressedInside) {
    // Released off the ellipse (or disabled meanwhile): nothing was clicked.
    FDown = FDownBeforePress;
    SetBevelState(RestingState());
  }
  FPressing = false;
  FPressedInside = false;
}

void TRoundButton::Click() {
  if (Enabled() && FMouseInside) TGraphicControl::Click();
}

void TRoundButton::DblClick() {
  if (Enabled() && FMouseInside) TGraphicControl::DblClick();
}

void TRoundButton::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_MOUSEENTER:
      break;
    case CM_MOUSELEAVE:
      FMouseInside = false;
      if (FFlat && !FDown) SetBevelState(bvsFlat);
      if (OnMouseExit) OnMouseExit(this);
      break;
    case CM_DIALOGCHAR: {
      char32_t key = static_cast<char32_t>(message.WParam);
      if (key < 0x80) key = static_cast<char32_t>(std::toupper(static_cast<int>(key)));
      if (key != 0 && key == AccelChar(Caption()) && Enabled()) {
        // The accelerator clicks whether or not the mouse is over the button.
        if (OnClick) OnClick(this);
        message.Result = 1;
      }
      return;
    }
    default:
      break;
  }
  TGraphicControl::WndProc(message);
}
