#include "platform/ui/speed_button.h"

#include <algorithm>

#include "platform/ui/std_painted.h"

void LayoutButton(const TRect& client, TPoint glyphSize, TPoint textSize, TButtonLayout layout,
                  int margin, int spacing, TPoint& glyphPos, TRect& textRect) {
  int cw = client.Width(), ch = client.Height();
  bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
  bool hasGlyph = glyphSize.X > 0 && glyphSize.Y > 0;
  bool hasText = textSize.X > 0;
  // Centred on the other axis.
  glyphPos = {(cw - glyphSize.X) / 2, (ch - glyphSize.Y) / 2};
  TPoint textPos{(cw - textSize.X) / 2, (ch - textSize.Y) / 2};
  if (!hasGlyph || !hasText) {
    margin = -1;
    spacing = 0;
  }
  int room = horizontal ? cw : ch;
  int g = horizontal ? glyphSize.X : glyphSize.Y;
  int t = horizontal ? textSize.X : textSize.Y;
  if (margin == -1) {
    if (spacing == -1) {
      margin = (room - g - t) / 3;
      spacing = margin;
    } else {
      margin = (room - (g + spacing + t)) / 2;
    }
  } else if (spacing == -1) {
    spacing = (room - margin - g - t) / 2;
  }
  if (!hasGlyph) {
    (horizontal ? textPos.X : textPos.Y) = (room - t) / 2;
  } else if (!hasText) {
    (horizontal ? glyphPos.X : glyphPos.Y) = (room - g) / 2;
  } else {
    bool glyphFirst = layout == blGlyphLeft || layout == blGlyphTop;
    int glyphAt = glyphFirst ? margin : room - margin - g;
    int textAt = glyphFirst ? margin + g + spacing : room - margin - g - spacing - t;
    (horizontal ? glyphPos.X : glyphPos.Y) = glyphAt;
    (horizontal ? textPos.X : textPos.Y) = textAt;
  }
  glyphPos.X += client.Left;
  glyphPos.Y += client.Top;
  textRect = Bounds(client.Left + textPos.X, client.Top + textPos.Y, textSize.X, textSize.Y);
}

void DrawGlyph(TCanvas& canvas, const TBitmap& glyph, int count, int index, int x, int y, bool greyed) {
  if (glyph.Empty() || count < 1) return;
  int w = glyph.Width() / count, h = glyph.Height();
  if (w <= 0) return;
  index = std::clamp(index, 0, count - 1);
  COLORREF key = glyph.PixelAt(0, h - 1);
  COLORREF shadow = ColorToRGB(clBtnShadow), light = ColorToRGB(clBtnHighlight);
  for (int py = 0; py < h; ++py)
    for (int px = 0; px < w; ++px) {
      COLORREF c = glyph.PixelAt(index * w + px, py);
      if (c == key) continue;
      if (greyed) {
        // Dark pixels embossed in shadow over highlight; light ones left out.
        int lum = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
        if (lum >= 192) continue;
        canvas.SetPixel(x + px + 1, y + py + 1, static_cast<TColor>(light));
        c = shadow;
      }
      canvas.SetPixel(x + px, y + py, static_cast<TColor>(c));
    }
  if (greyed) {
    // The shadow pass again, so the highlight of a pixel never covers a neighbour's shadow.
    for (int py = 0; py < h; ++py)
      for (int px = 0; px < w; ++px) {
        COLORREF c = glyph.PixelAt(index * w + px, py);
        if (c == key) continue;
        int lum = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
        if (lum < 192) canvas.SetPixel(x + px, y + py, static_cast<TColor>(shadow));
      }
  }
}

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  SetBounds(0, 0, 23, 22);
  SetColor(clBtnFace);
  SetParentColor(false);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGlyph(const TBitmap& value) {
  FGlyph->Assign(value);
  // A strip whose width is a whole number of squares holds that many images.
  if (!FGlyph->Empty() && FGlyph->Height() > 0 && FGlyph->Width() % FGlyph->Height() == 0) {
    int n = FGlyph->Width() / FGlyph->Height();
    if (n >= 1 && n <= 4) FNumGlyphs = n;
  }
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(int value) {
  value = std::clamp(value, 1, 4);
  if (value == FNumGlyphs) return;
  FNumGlyphs = value;
  Invalidate();
}

void TSpeedButton::SetFlat(bool value) {
  if (value == FFlat) return;
  FFlat = value;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  Invalidate();
}

void TSpeedButton::SetState(TButtonState state) {
  if (state == FState) return;
  FState = state;
  Invalidate();
}

void TSpeedButton::SetDown(bool value) {
  if (FGroupIndex == 0) value = false;
  if (value == FDown) return;
  if (FDown && !value && !FAllowAllUp) return;  // the group keeps one button down
  FDown = value;
  if (value) {
    if (FState == bsUp) SetState(bsExclusive);
    UpdateExclusive();
  } else if (FState != bsDisabled) {
    SetState(bsUp);
  }
  Invalidate();
}

void TSpeedButton::SetGroupIndex(int value) {
  if (value == FGroupIndex) return;
  FGroupIndex = value;
  if (value == 0) {
    FDown = false;
    if (FState == bsExclusive) SetState(bsUp);
  }
  UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool value) {
  if (value == FAllowAllUp) return;
  FAllowAllUp = value;
  UpdateExclusive();
}

void TSpeedButton::UpdateExclusive() {
  if (FGroupIndex == 0 || !FParent) return;
  for (int i = 0; i < FParent->ControlCount(); ++i) {
    auto* other = dynamic_cast<TSpeedButton*>(FParent->Controls(i));
    if (!other || other == this || other->FGroupIndex != FGroupIndex) continue;
    other->FAllowAllUp = FAllowAllUp;
    if (FDown && other->FDown) {
      other->FDown = false;
      if (other->FState != bsDisabled) other->SetState(bsUp);
      other->Invalidate();
    }
  }
}

void TSpeedButton::SetLayout(TButtonLayout value) {
  if (value == FLayout) return;
  FLayout = value;
  Invalidate();
}

void TSpeedButton::SetMargin(int value) {
  value = std::max(value, -1);
  if (value == FMargin) return;
  FMargin = value;
  Invalidate();
}

void TSpeedButton::SetSpacing(int value) {
  value = std::max(value, -1);
  if (value == FSpacing) return;
  FSpacing = value;
  Invalidate();
}

void TSpeedButton::EnabledChanged() {
  FState = Enabled() ? (FDown ? bsExclusive : bsUp) : bsDisabled;
  TGraphicControl::EnabledChanged();
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !Enabled()) return;
  if (!FDown) SetState(bsDown);
  FDragging = true;
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!FDragging) return;
  bool inside = X >= 0 && X < Width() && Y >= 0 && Y < Height();
  TButtonState next = inside ? (FDown ? bsExclusive : bsDown) : (FDown ? bsExclusive : bsUp);
  SetState(next);
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  bool wasDragging = FDragging && Button == mbLeft;
  if (wasDragging) {
    FDragging = false;
    bool inside = X >= 0 && X < Width() && Y >= 0 && Y < Height();
    if (FGroupIndex == 0) {
      SetState(bsUp);
      if (!inside) FMouseInControl = false;
    } else if (inside) {
      SetDown(!FDown);
      if (!FDown) SetState(bsUp);
    } else {
      SetState(FDown ? bsExclusive : bsUp);
    }
  }
  // The click itself comes from the framework's release inside the control.
  TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TSpeedButton::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_MOUSEENTER:
      if (!FMouseInControl && Enabled()) {
        FMouseInControl = true;
        if (FFlat) Invalidate();
      }
      break;
    case CM_MOUSELEAVE:
      if (FMouseInControl) {
        FMouseInControl = false;
        if (FFlat) Invalidate();
      }
      break;
    case CM_DIALOGCHAR: {
      char32_t key = static_cast<char32_t>(message.WParam);
      if (key < 0x80) key = static_cast<char32_t>(std::toupper(static_cast<int>(key)));
      if (key != 0 && key == AccelChar(Caption()) && Enabled() && Visible()) {
        Click();
        message.Result = 1;
      }
      return;
    }
    default:
      break;
  }
  TGraphicControl::WndProc(message);
}

void TSpeedButton::PaintFrame(TCanvas& c, TRect& r) {
  bool pushed = FState == bsDown || FState == bsExclusive;
  if (FFlat) {
    if (!FTransparent || pushed) {
      c.Brush().SetStyle(bsSolid);
      c.Brush().SetColor(Color());
      c.FillRect(r);
    }
    if (pushed) c.DrawEdge(r, BDR_SUNKENOUTER, BF_RECT);
    else if (FMouseInControl && Enabled()) c.DrawEdge(r, BDR_RAISEDINNER, BF_RECT);
    InflateRect(r, -1, -1);
    return;
  }
  c.DrawFrameControl(r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? UINT(DFCS_PUSHED) : 0u));
  InflateRect(r, -2, -2);
  if (FState == bsExclusive) {
    // Staying down: the face in a checker of face and highlight.
    COLORREF light = ColorToRGB(clBtnHighlight);
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left + ((y - r.Top) & 1); x < r.Right; x += 2) c.SetPixel(x, y, static_cast<TColor>(light));
  }
}

void TSpeedButton::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  PaintFrame(c, r);
  bool pushed = FState == bsDown || FState == bsExclusive;
  c.Font().Assign(Font());
  TPoint textSize{0, 0};
  if (!Caption().empty()) {
    TRect calc = Rect(0, 0, r.Width(), 0);
    c.DrawText(Caption(), calc, DT_CALCRECT | DT_SINGLELINE);
    textSize = {calc.Width(), calc.Height()};
  }
  TPoint glyphSize{FGlyph->Empty() ? 0 : FGlyph->Width() / FNumGlyphs, FGlyph->Empty() ? 0 : FGlyph->Height()};
  TPoint glyphPos;
  TRect textRect;
  LayoutButton(ClientRect(), glyphSize, textSize, FLayout, FMargin, FSpacing, glyphPos, textRect);
  if (pushed) {
    glyphPos.X += 1;
    glyphPos.Y += 1;
    OffsetRect(textRect, 1, 1);
  }
  // Image for the state: up, disabled, down, staying down; missing ones fall back.
  int index = 0;
  bool greyed = false;
  switch (FState) {
    case bsDisabled:
      if (FNumGlyphs > 1) index = 1;
      else greyed = true;
      break;
    case bsDown: index = FNumGlyphs > 2 ? 2 : 0; break;
    case bsExclusive: index = FNumGlyphs > 3 ? 3 : (FNumGlyphs > 2 ? 2 : 0); break;
    default: break;
  }
  if (glyphSize.X > 0) DrawGlyph(c, *FGlyph, FNumGlyphs, index, glyphPos.X, glyphPos.Y, greyed);
  if (!Caption().empty()) {
    c.Brush().SetStyle(bsClear);
    if (FState == bsDisabled) {
      TRect shifted = textRect;
      OffsetRect(shifted, 1, 1);
      c.Font().SetColor(clBtnHighlight);
      c.DrawText(Caption(), shifted, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
      c.Font().SetColor(clBtnShadow);
    }
    c.DrawText(Caption(), textRect, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
}
