#include "platform/gfx/graphics.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/raster_painter.h"
#include "platform/rtl/exceptions.h"

bool IntersectRect(TRect& dest, const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  if (IsRectEmpty(r)) {
    dest = TRect{};
    return false;
  }
  dest = r;
  return true;
}

bool UnionRect(TRect& dest, const TRect& a, const TRect& b) {
  if (IsRectEmpty(a)) dest = b;
  else if (IsRectEmpty(b)) dest = a;
  else dest = {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
               std::max(a.Bottom, b.Bottom)};
  return !IsRectEmpty(dest);
}

// ---- TFont ----------------------------------------------------------------------------------

void TFont::Assign(const TFont& source) {
  if (&source == this) return;
  FName = source.FName;
  FHeight = MulDiv(source.FHeight, FPixelsPerInch, source.FPixelsPerInch);
  FColor = source.FColor;
  FStyle = source.FStyle;
  FCharset = source.FCharset;
  FPitch = source.FPitch;
  FOrientation = source.FOrientation;
  Changed();
}

void TFont::SetName(const std::string& value) {
  if (value.empty() || value == FName) return;
  FName = value;
  Changed();
}

int TFont::Size() const { return -MulDiv(FHeight, 72, FPixelsPerInch); }

void TFont::SetSize(int value) { SetHeight(-MulDiv(value, FPixelsPerInch, 72)); }

void TFont::SetHeight(int value) {
  if (value == FHeight) return;
  FHeight = value;
  Changed();
}

void TFont::SetColor(TColor value) {
  if (value == FColor) return;
  FColor = value;
  Changed();
}

void TFont::SetStyle(TFontStyles value) {
  if (value == FStyle) return;
  FStyle = value;
  Changed();
}

void TFont::SetCharset(int value) {
  if (value == FCharset) return;
  FCharset = value;
  Changed();
}

void TFont::SetPitch(TFontPitch value) {
  if (value == FPitch) return;
  FPitch = value;
  Changed();
}

void TFont::SetOrientation(int value) {
  if (value == FOrientation) return;
  FOrientation = value;
  Changed();
}

TPaintFont TFont::ToPaintFont(int dpi) const {
  TPaintFont f;
  f.Name = FName;
  f.Height = dpi == FPixelsPerInch ? FHeight : MulDiv(FHeight, dpi, FPixelsPerInch);
  f.Style = FStyle;
  f.Orientation = FOrientation;
  f.Charset = FCharset;
  f.Pitch = FPitch;
  return f;
}

// ---- TPen, TBrush ---------------------------------------------------------------------------

void TPen::Assign(const TPen& source) {
  if (&source == this) return;
  FColor = source.FColor;
  FStyle = source.FStyle;
  FWidth = source.FWidth;
  FMode = source.FMode;
  Changed();
}

void TPen::SetColor(TColor value) {
  if (value == FColor) return;
  FColor = value;
  Changed();
}

void TPen::SetStyle(TPenStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  Changed();
}

void TPen::SetWidth(int value) {
  if (value < 0) value = 0;
  if (value == FWidth) return;
  FWidth = value;
  Changed();
}

void TPen::SetMode(TPenMode value) {
  if (value == FMode) return;
  FMode = value;
  Changed();
}

TPaintPen TPen::ToPaintPen() const {
  TPaintPen p;
  p.Color = ColorToRGB(FColor);
  p.Style = FColor == clNone ? psClear : FStyle;
  p.Width = FWidth;
  p.Mode = FMode;
  return p;
}

void TBrush::Assign(const TBrush& source) {
  if (&source == this) return;
  FColor = source.FColor;
  FStyle = source.FStyle;
  FBitmap = source.FBitmap;
  Changed();
}

void TBrush::SetColor(TColor value) {
  TBrushStyle style = FStyle;
  if (value == clNone) style = bsClear;
  else if (style == bsClear) style = bsSolid;
  if (value == FColor && style == FStyle) return;
  FColor = value;
  FStyle = style;
  Changed();
}

void TBrush::SetStyle(TBrushStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  Changed();
}

void TBrush::SetBitmap(const TBitmap* value) {
  if (value == FBitmap) return;
  FBitmap = value;
  Changed();
}

TPaintBrush TBrush::ToPaintBrush() const {
  TPaintBrush b;
  b.Color = ColorToRGB(FColor);
  b.Style = FColor == clNone ? bsClear : FStyle;
  b.Bitmap = FBitmap;
  return b;
}

// ---- Regions --------------------------------------------------------------------------------

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto* region = new TRegion;
  TRect r{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  if (!IsRectEmpty(r)) region->Rects.push_back(r);
  return region;
}

HRGN CreateRectRgnIndirect(const TRect& r) { return CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom); }

bool DeleteObject(HRGN region) {
  if (!region) return false;
  delete region;
  return true;
}

// ---- TCanvas --------------------------------------------------------------------------------

namespace {

int RegionKind(const std::vector<TRect>& rects) {
  if (rects.empty()) return NULLREGION;
  return rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// `a` without `b`: up to four rectangles.
void SubtractRect(std::vector<TRect>& out, const TRect& a, const TRect& b) {
  TRect i;
  if (!IntersectRect(i, a, b)) {
    out.push_back(a);
    return;
  }
  if (a.Top < i.Top) out.push_back({a.Left, a.Top, a.Right, i.Top});
  if (i.Bottom < a.Bottom) out.push_back({a.Left, i.Bottom, a.Right, a.Bottom});
  if (a.Left < i.Left) out.push_back({a.Left, i.Top, i.Left, i.Bottom});
  if (i.Right < a.Right) out.push_back({i.Right, i.Top, a.Right, i.Bottom});
}

// Removes the "&" prefix marks: "&&" stays as one "&".
std::string StripPrefixes(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += text[i];
  }
  return out;
}

std::size_t NextCodePoint(const std::string& s, std::size_t i) {
  ++i;
  while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
  return i;
}

// Breaks one paragraph into lines of at most `width` at blanks (dropped at the breaks). A word
// wider than a line stands alone on its line, or is cut between characters in edit-control mode.
template <typename Measure>
void BreakParagraph(const std::string& para, int width, bool cutWords, Measure measure,
                    std::vector<std::string>& lines) {
  if (para.empty()) {
    lines.push_back("");
    return;
  }
  std::size_t pos = 0;
  while (pos < para.size()) {
    std::size_t end = pos;  // end of what fits so far
    for (;;) {
      std::size_t wordEnd = para.find(' ', end == pos ? pos : end + 1);
      // A blank at the start of the paragraph belongs to its first word.
      if (wordEnd == end && end < para.size()) wordEnd = para.find(' ', end + 1);
      if (wordEnd == std::string::npos) wordEnd = para.size();
      if (measure(para.substr(pos, wordEnd - pos)) <= width) {
        end = wordEnd;
        if (end >= para.size()) break;
        continue;
      }
      if (end == pos) {
        // The first word is too wide by itself.
        end = wordEnd;
        if (cutWords) {
          std::size_t cut = NextCodePoint(para, pos);
          while (cut < wordEnd) {
            std::size_t next = NextCodePoint(para, cut);
            if (measure(para.substr(pos, next - pos)) > width) break;
            cut = next;
          }
          end = cut;
        }
      }
      break;
    }
    std::string line = para.substr(pos, end - pos);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(line);
    pos = end;
    while (pos < para.size() && para[pos] == ' ') ++pos;
  }
}

}  // namespace

TCanvas::TCanvas() {
  FBrush.OnChange = [this](TGraphicsObject*) { BrushChanged(); };
}

TCanvas::~TCanvas() = default;

void TCanvas::CreateHandle() {
  throw EInvalidOperation("Canvas does not allow drawing");
}

void TCanvas::RequirePainter() {
  if (!FPainter) CreateHandle();
  if (!FPainter) throw EInvalidOperation("Canvas does not allow drawing");
}

void TCanvas::SetPainter(TPainter* painter) {
  FOwnedPainter.reset();
  FPainter = painter;
  FClip.clear();
  FClipped = false;
  FSaved.clear();
  if (FPainter) ApplyClip();
}

void TCanvas::SetOwnedPainter(std::unique_ptr<TPainter> painter) {
  SetPainter(painter.get());
  FOwnedPainter = std::move(painter);
}

void TCanvas::ReleasePainter() {
  if (FPainter) FPainter->Flush();
  FPainter = nullptr;
  FOwnedPainter.reset();
  FClip.clear();
  FClipped = false;
  FSaved.clear();
}

void TCanvas::BrushChanged() {
  FBkColor = FBrush.Color();
  FBkMode = FBrush.Style() == bsClear ? TRANSPARENT : OPAQUE;
}

int TCanvas::SetBkMode(int mode) {
  int old = FBkMode;
  if (mode == TRANSPARENT || mode == OPAQUE) FBkMode = mode;
  return old;
}

TColor TCanvas::SetBkColor(TColor color) {
  TColor old = FBkColor;
  FBkColor = color;
  return old;
}

TPaintFont TCanvas::PaintFont() { return FFont.ToPaintFont(Painter()->DpiY()); }

void TCanvas::ApplyClip() {
  if (FPainter) FPainter->SetClip(FClip, FClipped);
}

void TCanvas::MoveTo(int x, int y) { FPenPos = {x, y}; }

void TCanvas::LineTo(int x, int y) {
  Painter()->Polyline({{FPenPos.X + FOrigin.X, FPenPos.Y + FOrigin.Y}, {x + FOrigin.X, y + FOrigin.Y}},
                      FPen.ToPaintPen());
  FPenPos = {x, y};
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  std::vector<TPoint> d(points);
  for (auto& p : d) p = {p.X + FOrigin.X, p.Y + FOrigin.Y};
  Painter()->Polyline(d, FPen.ToPaintPen());
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  std::vector<TPoint> d(points);
  for (auto& p : d) p = {p.X + FOrigin.X, p.Y + FOrigin.Y};
  Painter()->Polygon(d, FPen.ToPaintPen(), FBrush.ToPaintBrush(), fmAlternate);
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  TRect r{x1 + FOrigin.X, y1 + FOrigin.Y, x2 + FOrigin.X, y2 + FOrigin.Y};
  Painter()->Rectangle(r, FPen.ToPaintPen(), FBrush.ToPaintBrush());
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
  TRect r{x1 + FOrigin.X, y1 + FOrigin.Y, x2 + FOrigin.X, y2 + FOrigin.Y};
  Painter()->RoundRect(r, x3, y3, FPen.ToPaintPen(), FBrush.ToPaintBrush());
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  TRect r{x1 + FOrigin.X, y1 + FOrigin.Y, x2 + FOrigin.X, y2 + FOrigin.Y};
  Painter()->Ellipse(r, FPen.ToPaintPen(), FBrush.ToPaintBrush());
}

void TCanvas::FillRect(const TRect& r) {
  TRect d = r;
  OffsetRect(d, FOrigin.X, FOrigin.Y);
  Painter()->FillRect(d, FBrush.ToPaintBrush());
}

void TCanvas::SolidFill(const TRect& r, TColor color) {
  TPaintBrush b;
  b.Color = ColorToRGB(color);
  TRect d = r;
  OffsetRect(d, FOrigin.X, FOrigin.Y);
  Painter()->FillRect(d, b);
}

void TCanvas::FrameRect(const TRect& r) {
  if (IsRectEmpty(r)) return;
  TPaintBrush b = FBrush.ToPaintBrush();
  TRect d = r;
  OffsetRect(d, FOrigin.X, FOrigin.Y);
  TPainter* p = Painter();
  p->FillRect({d.Left, d.Top, d.Right, d.Top + 1}, b);
  p->FillRect({d.Left, d.Bottom - 1, d.Right, d.Bottom}, b);
  p->FillRect({d.Left, d.Top + 1, d.Left + 1, d.Bottom - 1}, b);
  p->FillRect({d.Right - 1, d.Top + 1, d.Right, d.Bottom - 1}, b);
}

void TCanvas::DrawFocusRect(const TRect& r) {
  TRect d = r;
  OffsetRect(d, FOrigin.X, FOrigin.Y);
  Painter()->FocusRect(d);
}

TColor TCanvas::Pixel(int x, int y) {
  return static_cast<TColor>(Painter()->GetPixel(x + FOrigin.X, y + FOrigin.Y));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  Painter()->SetPixel(x + FOrigin.X, y + FOrigin.Y, ColorToRGB(color));
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
  StretchDraw(Bounds(x, y, bitmap.Width(), bitmap.Height()), bitmap);
}

void TCanvas::StretchDraw(const TRect& r, const TBitmap& bitmap) {
  if (bitmap.Empty() || IsRectEmpty(r)) return;
  TRect d = r;
  OffsetRect(d, FOrigin.X, FOrigin.Y);
  if (!bitmap.Transparent()) {
    Painter()->Blit(d, bitmap, Rect(0, 0, bitmap.Width(), bitmap.Height()), FCopyMode);
    return;
  }
  // Transparent: every pixel but those of the key colour, sampled as the stretch does.
  COLORREF key = ColorToRGB(bitmap.TransparentColor());
  TPainter* p = Painter();
  for (int y = d.Top; y < d.Bottom; ++y) {
    int sy = static_cast<int>((static_cast<long long>(y - d.Top) * bitmap.Height()) / d.Height());
    for (int x = d.Left; x < d.Right; ++x) {
      int sx = static_cast<int>((static_cast<long long>(x - d.Left) * bitmap.Width()) / d.Width());
      COLORREF c = bitmap.PixelAt(sx, sy);
      if (c != key) p->SetPixel(x, y, c);
    }
  }
}

void TCanvas::Draw(int x, int y, const TGraphic& graphic) {
  graphic.Draw(*this, Bounds(x, y, graphic.Width(), graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& r, const TGraphic& graphic) { graphic.Draw(*this, r); }

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
  if (IsRectEmpty(sourceRect) || IsRectEmpty(dest)) return;
  TBitmap copy(sourceRect.Width(), sourceRect.Height(), pf32bit);
  for (int y = 0; y < copy.Height(); ++y)
    for (int x = 0; x < copy.Width(); ++x)
      copy.SetPixelAt(x, y, static_cast<COLORREF>(source.Pixel(sourceRect.Left + x, sourceRect.Top + y)));
  TRect d = dest;
  OffsetRect(d, FOrigin.X, FOrigin.Y);
  Painter()->Blit(d, copy, Rect(0, 0, copy.Width(), copy.Height()), FCopyMode);
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  Painter()->TextRun(x + FOrigin.X, y + FOrigin.Y, text, PaintFont(), ColorToRGB(FFont.Color()),
                     FBkMode == OPAQUE, ColorToRGB(FBkColor));
  FPenPos = {x + TextWidth(text), y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
  SaveDC();
  IntersectClipRect(r.Left, r.Top, r.Right, r.Bottom);
  if (FBrush.Style() != bsClear) FillRect(r);
  Painter()->TextRun(x + FOrigin.X, y + FOrigin.Y, text, PaintFont(), ColorToRGB(FFont.Color()), false, 0);
  RestoreDC(-1);
}

int TCanvas::TextWidth(const std::string& text) { return Painter()->TextWidth(PaintFont(), text); }

int TCanvas::TextHeight(const std::string&) { return GetTextMetrics().tmHeight; }

TPoint TCanvas::TextExtent(const std::string& text) { return {TextWidth(text), TextHeight(text)}; }

TTextMetric TCanvas::GetTextMetrics() { return Painter()->Metrics(PaintFont()); }

int TCanvas::TextFit(const std::string& text, int maxWidth, TPoint* extent) {
  TPaintFont font = PaintFont();
  TPainter* p = Painter();
  int fit = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t next = NextCodePoint(text, i);
    if (p->TextWidth(font, text.substr(0, next)) > maxWidth) break;
    fit = static_cast<int>(next);
    i = next;
  }
  if (extent) *extent = {p->TextWidth(font, text), p->Metrics(font).tmHeight};
  return fit;
}

int TCanvas::LineWidth(const std::string& line, UINT flags, int tabWidth) {
  TPaintFont font = PaintFont();
  if (!(flags & DT_EXPANDTABS) || line.find('\t') == std::string::npos)
    return Painter()->TextWidth(font, line);
  int x = 0;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    x += Painter()->TextWidth(font, line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    x = tabWidth > 0 ? (x / tabWidth + 1) * tabWidth : x;
    start = tab + 1;
  }
  return x;
}

void TCanvas::DrawLine(int x, int y, const std::string& line, UINT flags, int tabWidth) {
  TPaintFont font = PaintFont();
  COLORREF color = ColorToRGB(FFont.Color());
  bool opaque = FBkMode == OPAQUE;
  COLORREF bk = ColorToRGB(FBkColor);
  if (!(flags & DT_EXPANDTABS) || line.find('\t') == std::string::npos) {
    Painter()->TextRun(x + FOrigin.X, y + FOrigin.Y, line, font, color, opaque, bk);
    return;
  }
  int cx = 0;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    std::string part = line.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
    if (!part.empty()) Painter()->TextRun(x + cx + FOrigin.X, y + FOrigin.Y, part, font, color, opaque, bk);
    cx += Painter()->TextWidth(font, part);
    if (tab == std::string::npos) break;
    cx = tabWidth > 0 ? (cx / tabWidth + 1) * tabWidth : cx;
    start = tab + 1;
  }
}

int TCanvas::DrawText(const std::string& source, TRect& r, UINT flags) {
  std::string text = (flags & DT_NOPREFIX) ? source : StripPrefixes(source);
  TTextMetric tm = GetTextMetrics();
  int lineHeight = tm.tmHeight + ((flags & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  int tabWidth = 8 * tm.tmAveCharWidth;
  int width = r.Width();
  auto measure = [&](const std::string& s) { return LineWidth(s, flags, tabWidth); };

  // Lines: split at line ends unless single line, then broken at blanks to the width.
  std::vector<std::string> lines;
  if (flags & DT_SINGLELINE) {
    lines.push_back(text);
  } else {
    std::size_t start = 0;
    for (;;) {
      std::size_t end = text.find_first_of("\r\n", start);
      std::string para = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (!(flags & DT_WORDBREAK)) {
        lines.push_back(para);
      } else {
        BreakParagraph(para, width, (flags & DT_EDITCONTROL) != 0, measure, lines);
      }
      if (end == std::string::npos) break;
      start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
  }

  if (flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) {
    for (auto& line : lines) {
      if (measure(line) <= width) continue;
      std::string cut = line;
      while (!cut.empty() && measure(cut + "...") > width) {
        std::size_t last = cut.size() - 1;
        while (last > 0 && (static_cast<unsigned char>(cut[last]) & 0xC0) == 0x80) --last;
        cut.erase(last);
      }
      line = cut + "...";
    }
  }

  int textHeight = static_cast<int>(lines.size()) * lineHeight;
  if (flags & DT_CALCRECT) {
    int maxWidth = 0;
    for (const auto& line : lines) maxWidth = std::max(maxWidth, measure(line));
    r.Right = r.Left + maxWidth;
    r.Bottom = r.Top + textHeight;
    return textHeight;
  }

  int y = r.Top;
  if (flags & DT_SINGLELINE) {
    if (flags & DT_VCENTER) y = r.Top + (r.Height() - lineHeight) / 2;
    else if (flags & DT_BOTTOM) y = r.Bottom - lineHeight;
  }
  bool clip = !(flags & DT_NOCLIP);
  if (clip) {
    SaveDC();
    IntersectClipRect(r.Left, r.Top, r.Right, r.Bottom);
  }
  for (const auto& line : lines) {
    if ((flags & DT_EDITCONTROL) && !(flags & DT_SINGLELINE) && y + lineHeight > r.Bottom && y > r.Top) break;
    if (y >= r.Bottom && clip) break;
    int w = measure(line);
    int x = r.Left;
    if (flags & DT_CENTER) x = r.Left + (width - w) / 2;
    else if (flags & DT_RIGHT) x = r.Right - w;
    if (!line.empty()) DrawLine(x, y, line, flags, tabWidth);
    y += lineHeight;
  }
  if (clip) RestoreDC(-1);
  if (flags & DT_SINGLELINE) return y - r.Top;
  return textHeight;
}

TRect TCanvas::ClipRect() {
  TRect box;
  if (!FClipped) {
    box = Rect(0, 0, Painter()->DeviceWidth(), Painter()->DeviceHeight());
  } else {
    for (const auto& c : FClip) UnionRect(box, box, c);
  }
  OffsetRect(box, -FOrigin.X, -FOrigin.Y);
  return box;
}

int TCanvas::IntersectClipRect(int left, int top, int right, int bottom) {
  TRect r{left + FOrigin.X, top + FOrigin.Y, right + FOrigin.X, bottom + FOrigin.Y};
  std::vector<TRect> next;
  if (!FClipped) {
    TRect i;
    if (IntersectRect(i, r, Rect(0, 0, Painter()->DeviceWidth(), Painter()->DeviceHeight()))) next.push_back(i);
  } else {
    for (const auto& c : FClip) {
      TRect i;
      if (IntersectRect(i, c, r)) next.push_back(i);
    }
  }
  FClip = std::move(next);
  FClipped = true;
  ApplyClip();
  return RegionKind(FClip);
}

int TCanvas::ExcludeClipRect(int left, int top, int right, int bottom) {
  TRect r{left + FOrigin.X, top + FOrigin.Y, right + FOrigin.X, bottom + FOrigin.Y};
  std::vector<TRect> base = FClipped ? FClip : std::vector<TRect>{Rect(0, 0, Painter()->DeviceWidth(), Painter()->DeviceHeight())};
  std::vector<TRect> next;
  for (const auto& c : base) SubtractRect(next, c, r);
  FClip = std::move(next);
  FClipped = true;
  ApplyClip();
  return RegionKind(FClip);
}

int TCanvas::SelectClipRgn(const TRegion* region) {
  if (!region) {
    FClip.clear();
    FClipped = false;
    ApplyClip();
    return SIMPLEREGION;
  }
  FClip = region->Rects;
  FClipped = true;
  ApplyClip();
  return RegionKind(FClip);
}

int TCanvas::SaveDC() {
  FSaved.push_back({FClip, FClipped, FBkMode, FBkColor, FPenPos});
  return static_cast<int>(FSaved.size());
}

bool TCanvas::RestoreDC(int saved) {
  // A negative number counts back from the last save.
  int index = saved < 0 ? static_cast<int>(FSaved.size()) + saved + 1 : saved;
  if (index < 1 || index > static_cast<int>(FSaved.size())) return false;
  TSavedState s = FSaved[static_cast<std::size_t>(index - 1)];
  FSaved.resize(static_cast<std::size_t>(index - 1));
  FClip = s.Clip;
  FClipped = s.Clipped;
  FBkMode = s.BkMode;
  FBkColor = s.BkColor;
  FPenPos = s.PenPos;
  ApplyClip();
  return true;
}

bool TCanvas::DrawEdge(TRect& r, UINT edge, UINT flags) {
  // Each border is one pixel line per side: the outer one first, then the inner one.
  auto sides = [&](TColor topLeft, TColor bottomRight) {
    if (IsRectEmpty(r)) return;
    if (flags & BF_MONO) topLeft = bottomRight = clWindowFrame;
    else if (flags & BF_FLAT) topLeft = bottomRight = clBtnShadow;
    if (flags & BF_TOP) { SolidFill({r.Left, r.Top, r.Right, r.Top + 1}, topLeft); }
    if (flags & BF_LEFT) { SolidFill({r.Left, r.Top, r.Left + 1, r.Bottom}, topLeft); }
    if (flags & BF_BOTTOM) { SolidFill({r.Left, r.Bottom - 1, r.Right, r.Bottom}, bottomRight); }
    if (flags & BF_RIGHT) { SolidFill({r.Right - 1, r.Top, r.Right, r.Bottom}, bottomRight); }
    if (flags & BF_TOP) ++r.Top;
    if (flags & BF_LEFT) ++r.Left;
    if (flags & BF_BOTTOM) --r.Bottom;
    if (flags & BF_RIGHT) --r.Right;
  };
  TRect original = r;
  if (edge & BDR_RAISEDOUTER) sides(cl3DLight, cl3DDkShadow);
  else if (edge & BDR_SUNKENOUTER) sides(clBtnShadow, clBtnHighlight);
  if (edge & BDR_RAISEDINNER) sides(clBtnHighlight, clBtnShadow);
  else if (edge & BDR_SUNKENINNER) sides(cl3DDkShadow, cl3DLight);
  if ((flags & BF_MIDDLE) && !IsRectEmpty(r)) SolidFill(r, (flags & BF_MONO) ? clWindow : clBtnFace);
  if (!(flags & BF_ADJUST)) r = original;
  return true;
}

bool TCanvas::DrawFrameControl(const TRect& rect, UINT type, UINT state) {
  TRect r = rect;
  bool flat = state & DFCS_FLAT;
  bool inactive = state & DFCS_INACTIVE;
  if (type == DFC_BUTTON && !(state & (DFCS_BUTTONPUSH | DFCS_BUTTONRADIO))) {
    // Check box: a sunken square, window colour inside, a tick when checked.
    int size = std::min(r.Width(), r.Height());
    r = Bounds(r.Left + (r.Width() - size) / 2, r.Top + (r.Height() - size) / 2, size, size);
    if (flat) {
      SolidFill(r, clBtnShadow);
      InflateRect(r, -1, -1);
    } else {
      DrawEdge(r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    }
    SolidFill(r, inactive || (state & DFCS_PUSHED) ? clBtnFace : clWindow);
    if (state & DFCS_CHECKED) {
      TColor mark = inactive ? clGrayText : clWindowText;
      int w = r.Width(), h = r.Height();
      // A tick of three pixel rows: down from the left third, up to the right.
      for (int i = 0; i < 7 && w >= 7 && h >= 7; ++i) {
        int x = r.Left + (w - 7) / 2 + i;
        int y0 = r.Top + (h - 7) / 2 + (i < 3 ? 2 + i : 6 - (i - 2));
        SolidFill({x, y0, x + 1, y0 + 3}, mark);
      }
    }
    return true;
  }
  if (type == DFC_BUTTON && (state & DFCS_BUTTONRADIO)) {
    SolidFill(r, clWindow);
    TRect frame = r;
    DrawEdge(frame, EDGE_SUNKEN, BF_RECT);
    if (state & DFCS_CHECKED) {
      TRect dot = r;
      InflateRect(dot, -r.Width() / 3, -r.Height() / 3);
      SolidFill(dot, inactive ? clGrayText : clWindowText);
    }
    return true;
  }
  // Push buttons and scroll arrows: a button face with its edge.
  bool pushed = state & DFCS_PUSHED;
  if (flat) {
    SolidFill(r, clBtnFace);
    TRect frame = r;
    DrawEdge(frame, pushed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  } else {
    DrawEdge(r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE);
  }
  if (type == DFC_SCROLL) {
    UINT kind = state & 0xFF;
    TColor color = inactive ? clGrayText : clBtnText;
    int cx = (rect.Left + rect.Right) / 2 + (pushed ? 1 : 0);
    int cy = (rect.Top + rect.Bottom) / 2 + (pushed ? 1 : 0);
    int size = std::max(1, std::min(rect.Width(), rect.Height()) / 4);
    for (int i = 0; i < size; ++i) {
      switch (kind) {
        case DFCS_SCROLLUP:
          SolidFill({cx - i, cy - size / 2 + i, cx + i + 1, cy - size / 2 + i + 1}, color);
          break;
        case DFCS_SCROLLDOWN:
        case DFCS_SCROLLCOMBOBOX:
          SolidFill({cx - (size - 1 - i), cy - size / 2 + i, cx + (size - 1 - i) + 1, cy - size / 2 + i + 1}, color);
          break;
        case DFCS_SCROLLLEFT:
          SolidFill({cx - size / 2 + i, cy - i, cx - size / 2 + i + 1, cy + i + 1}, color);
          break;
        case DFCS_SCROLLRIGHT:
          SolidFill({cx - size / 2 + i, cy - (size - 1 - i), cx - size / 2 + i + 1, cy + (size - 1 - i) + 1}, color);
          break;
        default:
          break;
      }
    }
  }
  return true;
}

// ---- Win32 calls ----------------------------------------------------------------------------

int DrawText(HDC dc, const std::string& text, int count, TRect* r, UINT flags) {
  if (!dc || !r) return 0;
  if (count >= 0 && static_cast<std::size_t>(count) < text.size())
    return dc->DrawText(text.substr(0, static_cast<std::size_t>(count)), *r, flags);
  return dc->DrawText(text, *r, flags);
}

int SetBkMode(HDC dc, int mode) { return dc ? dc->SetBkMode(mode) : 0; }
int GetBkMode(HDC dc) { return dc ? dc->BkMode() : 0; }
TColor SetBkColor(HDC dc, TColor color) { return dc ? dc->SetBkColor(color) : clNone; }
int SelectClipRgn(HDC dc, HRGN region) { return dc ? dc->SelectClipRgn(region) : RGN_ERROR; }
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  return dc ? dc->IntersectClipRect(left, top, right, bottom) : RGN_ERROR;
}
bool DrawEdge(HDC dc, TRect* r, UINT edge, UINT flags) { return dc && r && dc->DrawEdge(*r, edge, flags); }
bool DrawFrameControl(HDC dc, TRect* r, UINT type, UINT state) {
  return dc && r && dc->DrawFrameControl(*r, type, state);
}
bool DrawFocusRect(HDC dc, const TRect* r) {
  if (!dc || !r) return false;
  dc->DrawFocusRect(*r);
  return true;
}

bool GetTextExtentExPoint(HDC dc, const std::string& source, int count, int maxExtent, int* fit,
                          int* partialExtents, TPoint* size) {
  if (!dc) return false;
  std::string text = count >= 0 && static_cast<std::size_t>(count) < source.size()
                         ? source.substr(0, static_cast<std::size_t>(count)) : source;
  if (fit) *fit = dc->TextFit(text, maxExtent);
  if (partialExtents) {
    for (std::size_t i = 0; i < text.size(); ++i) partialExtents[i] = dc->TextWidth(text.substr(0, i + 1));
  }
  if (size) *size = dc->TextExtent(text);
  return true;
}

bool GetTextExtentPoint32(HDC dc, const std::string& text, int count, TPoint* size) {
  return GetTextExtentExPoint(dc, text, count, 0, nullptr, nullptr, size);
}

bool GetTextMetrics(HDC dc, TTextMetric* tm) {
  if (!dc || !tm) return false;
  *tm = dc->GetTextMetrics();
  return true;
}

// ---- Backend hook ---------------------------------------------------------------------------

namespace {
TBitmapPainterFactory& Factory() {
  static TBitmapPainterFactory factory;
  return factory;
}
}  // namespace

void SetBitmapPainterFactory(TBitmapPainterFactory factory) { Factory() = std::move(factory); }

std::unique_ptr<TPainter> CreateBitmapPainter(TBitmap& bitmap) {
  if (Factory()) return Factory()(bitmap);
  return std::make_unique<TRasterPainter>(bitmap);
}
