#include "platform/ui/std_painted.h"

#include <algorithm>

#include "platform/gfx/bitmap.h"

void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int width) {
  canvas.Pen().SetStyle(psSolid);
  canvas.Pen().SetWidth(1);
  for (int i = 0; i < width && !IsRectEmpty(rect); ++i) {
    --rect.Bottom;
    --rect.Right;
    canvas.Pen().SetColor(topColor);
    canvas.Polyline({{rect.Left, rect.Bottom}, {rect.Left, rect.Top}, {rect.Right, rect.Top}});
    canvas.Pen().SetColor(bottomColor);
    canvas.Polyline({{rect.Right, rect.Top}, {rect.Right, rect.Bottom}, {rect.Left - 1, rect.Bottom}});
    ++rect.Left;
    ++rect.Top;
  }
}

void BevelColors(TBevelCut cut, TColor face, TColor& topColor, TColor& bottomColor) {
  switch (cut) {
    case bvLowered: topColor = clBtnShadow; bottomColor = clBtnHighlight; break;
    case bvRaised: topColor = clBtnHighlight; bottomColor = clBtnShadow; break;
    default: topColor = bottomColor = face; break;
  }
}

TCanvas& MeasureCanvas(const TFont& font) {
  static TBitmap scratch(1, 1);
  TCanvas& c = scratch.Canvas();
  c.Font().Assign(font);
  return c;
}

char32_t AccelChar(const std::string& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    unsigned char c = static_cast<unsigned char>(caption[i + 1]);
    return c < 0x80 ? static_cast<char32_t>(std::toupper(c)) : c;
  }
  return 0;
}

// ---- TCustomLabel ---------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 65, 17);
  SetColor(clBtnFace);
  SetParentColor(true);
}

UINT TCustomLabel::DrawFlags() const {
  UINT flags = DT_EXPANDTABS;
  if (FWordWrap) flags |= DT_WORDBREAK;
  if (!FShowAccelChar) flags |= DT_NOPREFIX;
  if (FAlignment == taCenter) flags |= DT_CENTER;
  else if (FAlignment == taRightJustify) flags |= DT_RIGHT;
  return flags;
}

void TCustomLabel::DoDrawText(TRect& rect, UINT flags) {
  std::string text = GetLabelText();
  TCanvas& c = (flags & DT_CALCRECT) ? MeasureCanvas(Font()) : Canvas();
  // An empty label still measures one line high.
  if ((flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == "&"))) text += " ";
  if (!FShowAccelChar) flags |= DT_NOPREFIX;
  c.Font().Assign(Font());
  c.Brush().SetStyle(bsClear);
  if (flags & DT_CALCRECT) {
    c.DrawText(text, rect, flags);
    return;
  }
  if (!Enabled()) {
    // Disabled: an embossed look, a highlight copy one pixel down and right.
    TRect shifted = rect;
    OffsetRect(shifted, 1, 1);
    c.Font().SetColor(clBtnHighlight);
    c.DrawText(text, shifted, flags);
    c.Font().SetColor(clBtnShadow);
  }
  c.DrawText(text, rect, flags);
}

void TCustomLabel::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  if (!FTransparent) {
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(Color());
    c.FillRect(r);
  }
  UINT flags = DrawFlags();
  if (FLayout != tlTop) {
    TRect calc = r;
    DoDrawText(calc, flags | DT_CALCRECT);
    int h = calc.Height();
    if (FLayout == tlBottom) r.Top = r.Bottom - h;
    else r.Top = r.Top + (r.Height() - h) / 2;
    r.Bottom = r.Top + h;
  }
  DoDrawText(r, flags);
}

void TCustomLabel::AdjustBounds() {
  if (!FAutoSize || FAdjusting) return;
  TRect r = ClientRect();
  DoDrawText(r, DrawFlags() | DT_CALCRECT);
  int left = Left();
  if (FAlignment == taRightJustify) left += Width() - r.Right;
  else if (FAlignment == taCenter) left += (Width() - r.Right) / 2;
  FAdjusting = true;
  TGraphicControl::SetBounds(left, Top(), r.Right, r.Bottom);
  FAdjusting = false;
}

void TCustomLabel::SetBounds(int left, int top, int width, int height) {
  TGraphicControl::SetBounds(left, top, width, height);
  // A word-wrapped label takes the height its text needs at the new width.
  if (FAutoSize && FWordWrap && !FAdjusting) AdjustBounds();
}

void TCustomLabel::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool value) {
  if (value == FWordWrap) return;
  FWordWrap = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value) {
  if (value == FLayout) return;
  FLayout = value;
  Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
  if (value == FShowAccelChar) return;
  FShowAccelChar = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* value) {
  if (FFocusControl == value) return;
  if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
  FFocusControl = value;
  if (value) value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TCustomLabel::SetText(const std::string& value) {
  if (value == Caption()) return;
  TGraphicControl::SetText(value);
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

void TCustomLabel::WndProc(TMessage& message) {
  // The accelerator: a dialog character matching the one after "&" focuses FocusControl.
  if (message.Msg == CM_DIALOGCHAR) {
    char32_t key = static_cast<char32_t>(message.WParam);
    if (key < 0x80) key = static_cast<char32_t>(std::toupper(static_cast<int>(key)));
    if (FShowAccelChar && FFocusControl && Enabled() && key != 0 && key == AccelChar(Caption()) &&
        FFocusControl->CanFocus()) {
      FFocusControl->SetFocus();
      message.Result = 1;
    }
    return;
  }
  TGraphicControl::WndProc(message);
}

// ---- TCustomPanel ---------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TCustomPanel::AdjustClientRect(TRect& rect) const {
  int inset = FBorderWidth;
  if (FBorderStyle == bsSingle) inset += 2;
  if (FBevelOuter != bvNone) inset += FBevelWidth;
  if (FBevelInner != bvNone) inset += FBevelWidth;
  InflateRect(rect, -inset, -inset);
}

void TCustomPanel::PaintFrame(TRect& rect) {
  TCanvas& c = Canvas();
  if (FBorderStyle == bsSingle) c.DrawEdge(rect, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  TColor top, bottom;
  if (FBevelOuter != bvNone) {
    BevelColors(FBevelOuter, Color(), top, bottom);
    Frame3D(c, rect, top, bottom, FBevelWidth);
  }
  Frame3D(c, rect, Color(), Color(), FBorderWidth);
  if (FBevelInner != bvNone) {
    BevelColors(FBevelInner, Color(), top, bottom);
    Frame3D(c, rect, top, bottom, FBevelWidth);
  }
}

void TCustomPanel::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  PaintFrame(r);
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(r);
  if (Caption().empty()) return;
  c.Font().Assign(Font());
  c.Brush().SetStyle(bsClear);
  UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
  if (FAlignment == taCenter) flags |= DT_CENTER;
  else if (FAlignment == taRightJustify) flags |= DT_RIGHT;
  c.DrawText(Caption(), r, flags);
}

void TCustomPanel::FrameChanged() {
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
  if (value == FBevelInner) return;
  FBevelInner = value;
  FrameChanged();
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
  if (value == FBevelOuter) return;
  FBevelOuter = value;
  FrameChanged();
}

void TCustomPanel::SetBevelWidth(int value) {
  value = std::max(value, 1);
  if (value == FBevelWidth) return;
  FBevelWidth = value;
  FrameChanged();
}

void TCustomPanel::SetBorderWidth(int value) {
  value = std::max(value, 0);
  if (value == FBorderWidth) return;
  FBorderWidth = value;
  FrameChanged();
}

void TCustomPanel::SetBorderStyle(TBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  FrameChanged();
}

void TCustomPanel::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Invalidate();
}

// ---- TBevel, TPaintBox ----------------------------------------------------------------------

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 50, 50); }

void TBevel::SetShape(TBevelShape value) {
  if (value == FShape) return;
  FShape = value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas& c = Canvas();
  TColor first = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor second = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
  int w = Width(), h = Height();
  c.Pen().SetWidth(1);
  c.Pen().SetStyle(psSolid);
  auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
    c.Pen().SetColor(color);
    c.MoveTo(x1, y1);
    c.LineTo(x2, y2);
  };
  switch (FShape) {
    case bsBox: {
      TRect r = ClientRect();
      Frame3D(c, r, first, second, 1);
      break;
    }
    case bsFrame: {
      // Two offset frames make an etched groove (or a ridge when raised).
      TRect outer = Rect(0, 0, w - 1, h - 1);
      TRect inner = Rect(1, 1, w, h);
      c.Brush().SetStyle(bsClear);
      c.Pen().SetColor(second);
      c.Rectangle(inner);
      c.Pen().SetColor(first);
      c.Rectangle(outer);
      break;
    }
    case bsTopLine: line(first, 0, 0, w, 0); line(second, 0, 1, w, 1); break;
    case bsBottomLine: line(first, 0, h - 2, w, h - 2); line(second, 0, h - 1, w, h - 1); break;
    case bsLeftLine: line(first, 0, 0, 0, h); line(second, 1, 0, 1, h); break;
    case bsRightLine: line(first, w - 2, 0, w - 2, h); line(second, w - 1, 0, w - 1, h); break;
    case bsSpacer: break;
  }
}

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 105, 105); }

void TPaintBox::Paint() {
  if (OnPaint) OnPaint(this);
}
