#include "platform/gfx/graphics.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/metafile.h"
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

// ---- TCanvas --------------------------------------------------------------------------------

namespace {

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
  FFontCache.Valid = false;
  FClip = {};
  FClipped = false;
  FSaved.clear();
  FMapping = TMapping();
  FPath.Clear();
  FPathOpen = FPathDone = false;
  if (FPainter) {
    FMapping.SetResolution(FPainter->DpiX(), FPainter->DpiY());
    ApplyClip();
  }
}

void TCanvas::SetOwnedPainter(std::unique_ptr<TPainter> painter) {
  SetPainter(painter.get());
  FOwnedPainter = std::move(painter);
}

void TCanvas::ReleasePainter() {
  if (FPainter) FPainter->Flush();
  FPainter = nullptr;
  FOwnedPainter.reset();
  FFontCache.Valid = false;
  FClip = {};
  FClipped = false;
  FSaved.clear();
  FMapping = TMapping();
  FPath.Clear();
  FPathOpen = FPathDone = false;
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

int TCanvas::SetPolyFillMode(int mode) {
  int old = FPolyFillMode;
  if (mode == ALTERNATE || mode == WINDING) FPolyFillMode = mode;
  return old;
}

// ---- Mapping --------------------------------------------------------------------------------

TPoint TCanvas::Dev(int x, int y) const {
  TPoint p = FMapping.ToDevice({x, y});
  return {p.X + FOrigin.X, p.Y + FOrigin.Y};
}

TRect TCanvas::DevRect(int x1, int y1, int x2, int y2) const {
  TPoint a = Dev(x1, y1), b = Dev(x2, y2);
  return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

TPoint TCanvas::LPtoDP(TPoint p) const { return FMapping.ToDevice(p); }
TPoint TCanvas::DPtoLP(TPoint p) const { return FMapping.ToLogical(p); }

int TCanvas::SetMapMode(int mode) {
  RequirePainter();
  FMapping.SetResolution(FPainter->DpiX(), FPainter->DpiY());
  return FMapping.SetMode(mode);
}

// Font heights and pen widths are logical lengths too.
const TPaintFont& TCanvas::PaintFont() {
  RequirePainter();
  TFontCache& c = FFontCache;
  if (c.Valid && c.Revision == FFont.Revision() && c.Mode == FMapping.Mode() &&
      c.ViewportY == FMapping.ViewportExt().Y && c.WindowY == FMapping.WindowExt().Y)
    return c.Font;
  TPaintFont f = FFont.ToPaintFont(FFont.PixelsPerInch());
  if (f.Height != 0) {
    int h = FMapping.DeviceHeight(std::abs(f.Height));
    f.Height = (f.Height < 0 ? -1 : 1) * std::max(1, h);
  }
  c.Valid = true;
  c.Revision = FFont.Revision();
  c.Mode = FMapping.Mode();
  c.ViewportY = FMapping.ViewportExt().Y;
  c.WindowY = FMapping.WindowExt().Y;
  c.Font = std::move(f);
  c.HaveMetric = false;
  return c.Font;
}

TPaintPen TCanvas::PaintPen() {
  TPaintPen p = FPen.ToPaintPen();
  if (p.Width > 1 || (p.Width == 1 && FMapping.Mode() != MM_TEXT)) p.Width = std::max(1, FMapping.DeviceWidth(p.Width));
  return p;
}

int TCanvas::DeviceCaps(int index) {
  TPainter* p = Painter();
  switch (index) {
    case HORZRES: return p->DeviceWidth();
    case VERTRES: return p->DeviceHeight();
    case LOGPIXELSX: return p->DpiX();
    case LOGPIXELSY: return p->DpiY();
    case HORZSIZE: return static_cast<int>(std::lround(p->DeviceWidth() * 25.4 / p->DpiX()));
    case VERTSIZE: return static_cast<int>(std::lround(p->DeviceHeight() * 25.4 / p->DpiY()));
    case PHYSICALWIDTH: return p->PhysicalWidth();
    case PHYSICALHEIGHT: return p->PhysicalHeight();
    case PHYSICALOFFSETX: return p->PhysicalOffsetX();
    case PHYSICALOFFSETY: return p->PhysicalOffsetY();
    case BITSPIXEL: return p->BitsPerPixel();
    case PLANES: return 1;
    default: return 0;
  }
}

void TCanvas::ApplyClip() {
  if (FPainter) FPainter->SetClip(FClip.Rects, FClipped);
}

// ---- Shapes ---------------------------------------------------------------------------------

void TCanvas::AddPathPoints(const std::vector<TPoint>& points, bool closed) {
  std::vector<TPointD> d;
  for (const auto& p : points) {
    TPoint q = Dev(p.X, p.Y);
    d.push_back({double(q.X), double(q.Y)});
  }
  FPath.AddPolygon(d, closed);
}

void TCanvas::MoveTo(int x, int y) {
  FPenPos = {x, y};
  if (FPathOpen) {
    TPoint d = Dev(x, y);
    FPath.MoveTo({double(d.X), double(d.Y)});
  }
}

void TCanvas::LineTo(int x, int y) {
  if (FPathOpen) {
    TPoint d = Dev(x, y);
    if (FPath.Empty()) {
      TPoint s = Dev(FPenPos.X, FPenPos.Y);
      FPath.MoveTo({double(s.X), double(s.Y)});
    }
    FPath.LineTo({double(d.X), double(d.Y)});
  } else {
    Painter()->Polyline({Dev(FPenPos.X, FPenPos.Y), Dev(x, y)}, PaintPen());
  }
  FPenPos = {x, y};
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  if (FPathOpen) return AddPathPoints(points, false);
  std::vector<TPoint> d;
  for (const auto& p : points) d.push_back(Dev(p.X, p.Y));
  Painter()->Polyline(d, PaintPen());
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  if (FPathOpen) return AddPathPoints(points, true);
  std::vector<TPoint> d;
  for (const auto& p : points) d.push_back(Dev(p.X, p.Y));
  Painter()->Polygon(d, PaintPen(), PaintBrush(), FillRule());
}

void TCanvas::PolyBezierTo(const std::vector<TPoint>& points) {
  TPath local;
  TPath& path = FPathOpen ? FPath : local;
  TPoint s = Dev(FPenPos.X, FPenPos.Y);
  if (path.Empty()) path.MoveTo({double(s.X), double(s.Y)});
  for (std::size_t i = 0; i + 2 < points.size(); i += 3) {
    TPoint c1 = Dev(points[i].X, points[i].Y), c2 = Dev(points[i + 1].X, points[i + 1].Y);
    TPoint e = Dev(points[i + 2].X, points[i + 2].Y);
    path.BezierTo({double(c1.X), double(c1.Y)}, {double(c2.X), double(c2.Y)}, {double(e.X), double(e.Y)});
    FPenPos = points[i + 2];
  }
  if (!FPathOpen) {
    TPaintBrush none;
    none.Style = bsClear;
    Painter()->Path(local, PaintPen(), none, FillRule());
  }
}

void TCanvas::PolyBezier(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  TPoint keep = FPenPos;
  FPenPos = points.front();
  if (FPathOpen) {
    TPoint s = Dev(points[0].X, points[0].Y);
    FPath.MoveTo({double(s.X), double(s.Y)});
  }
  PolyBezierTo(std::vector<TPoint>(points.begin() + 1, points.end()));
  FPenPos = keep;
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  if (FPathOpen) return AddPathPoints({{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}}, true);
  Painter()->Rectangle(DevRect(x1, y1, x2, y2), PaintPen(), PaintBrush());
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
  if (FPathOpen) return AddPathPoints({{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}}, true);
  Painter()->RoundRect(DevRect(x1, y1, x2, y2), FMapping.DeviceWidth(x3), FMapping.DeviceHeight(y3), PaintPen(),
                       PaintBrush());
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  TRect r = DevRect(x1, y1, x2, y2);
  if (FPathOpen) return FPath.AddEllipse(r.Left, r.Top, r.Right, r.Bottom);
  Painter()->Ellipse(r, PaintPen(), PaintBrush());
}

void TCanvas::FillRect(const TRect& r) {
  Painter()->FillRect(DevRect(r.Left, r.Top, r.Right, r.Bottom), PaintBrush());
}

void TCanvas::SolidFill(const TRect& r, TColor color) {
  TPaintBrush b;
  b.Color = ColorToRGB(color);
  Painter()->FillRect(DevRect(r.Left, r.Top, r.Right, r.Bottom), b);
}

void TCanvas::FrameRect(const TRect& r) {
  if (IsRectEmpty(r)) return;
  TPaintBrush b = PaintBrush();
  TRect d = DevRect(r.Left, r.Top, r.Right, r.Bottom);
  TPainter* p = Painter();
  p->FillRect({d.Left, d.Top, d.Right, d.Top + 1}, b);
  p->FillRect({d.Left, d.Bottom - 1, d.Right, d.Bottom}, b);
  p->FillRect({d.Left, d.Top + 1, d.Left + 1, d.Bottom - 1}, b);
  p->FillRect({d.Right - 1, d.Top + 1, d.Right, d.Bottom - 1}, b);
}

void TCanvas::DrawFocusRect(const TRect& r) {
  Painter()->FocusRect(DevRect(r.Left, r.Top, r.Right, r.Bottom));
}

TColor TCanvas::Pixel(int x, int y) {
  TPoint d = Dev(x, y);
  return static_cast<TColor>(Painter()->GetPixel(d.X, d.Y));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  TPoint d = Dev(x, y);
  Painter()->SetPixel(d.X, d.Y, ColorToRGB(color));
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
  // A bitmap keeps its pixel size whatever the mapping.
  TPoint d = DPtoLP({LPtoDP({x, y}).X + bitmap.Width(), LPtoDP({x, y}).Y + bitmap.Height()});
  StretchDraw(FMapping.Mode() == MM_TEXT ? Bounds(x, y, bitmap.Width(), bitmap.Height()) : Rect(x, y, d.X, d.Y),
              bitmap);
}

void TCanvas::StretchDraw(const TRect& r, const TBitmap& bitmap) {
  if (bitmap.Empty() || r.Left == r.Right || r.Top == r.Bottom) return;
  TRect d = DevRect(r.Left, r.Top, r.Right, r.Bottom);
  if (IsRectEmpty(d)) return;
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
  if (IsRectEmpty(sourceRect) || dest.Left == dest.Right || dest.Top == dest.Bottom) return;
  TBitmap copy(sourceRect.Width(), sourceRect.Height(), pf32bit);
  for (int y = 0; y < copy.Height(); ++y)
    for (int x = 0; x < copy.Width(); ++x)
      copy.SetPixelAt(x, y, static_cast<COLORREF>(source.Pixel(sourceRect.Left + x, sourceRect.Top + y)));
  Painter()->Blit(DevRect(dest.Left, dest.Top, dest.Right, dest.Bottom), copy, Rect(0, 0, copy.Width(), copy.Height()),
                  FCopyMode);
}

void TCanvas::Draw(int x, int y, const TMetafile& metafile) {
  metafile.Draw(*this, Bounds(x, y, metafile.Width(), metafile.Height()));
}

void TCanvas::StretchDraw(const TRect& r, const TMetafile& metafile) { metafile.Draw(*this, r); }

// ---- Text -----------------------------------------------------------------------------------

void TCanvas::TextOut(int x, int y, const std::string& text) {
  TPoint d = Dev(x, y);
  if (FPathOpen) {
    Painter()->TextPath(d.X, d.Y, text, PaintFont(), FPath);
  } else {
    Painter()->TextRun(d.X, d.Y, text, PaintFont(), ColorToRGB(FFont.Color()), FBkMode == OPAQUE, ColorToRGB(FBkColor));
  }
  FPenPos = {x + TextWidth(text), y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
  SaveDC();
  IntersectClipRect(r.Left, r.Top, r.Right, r.Bottom);
  if (FBrush.Style() != bsClear) FillRect(r);
  TPoint d = Dev(x, y);
  Painter()->TextRun(d.X, d.Y, text, PaintFont(), ColorToRGB(FFont.Color()), false, 0);
  RestoreDC(-1);
}

// Measures come back in logical units.
int TCanvas::TextWidth(const std::string& text) {
  int w = Painter()->TextWidth(PaintFont(), text);
  if (FMapping.Mode() == MM_TEXT) return w;
  return std::abs(DPtoLP({w, 0}).X - DPtoLP({0, 0}).X);
}

int TCanvas::TextHeight(const std::string&) { return GetTextMetrics().tmHeight; }

TPoint TCanvas::TextExtent(const std::string& text) { return {TextWidth(text), TextHeight(text)}; }

TTextMetric TCanvas::GetTextMetrics() {
  const TPaintFont& font = PaintFont();
  if (!FFontCache.HaveMetric) {
    FFontCache.Metric = FPainter->Metrics(font);
    FFontCache.HaveMetric = true;
  }
  TTextMetric tm = FFontCache.Metric;
  if (FMapping.Mode() == MM_TEXT) return tm;
  auto ly = [&](int v) { return std::abs(DPtoLP({0, v}).Y - DPtoLP({0, 0}).Y); };
  auto lx = [&](int v) { return std::abs(DPtoLP({v, 0}).X - DPtoLP({0, 0}).X); };
  tm.tmHeight = ly(tm.tmHeight);
  tm.tmAscent = ly(tm.tmAscent);
  tm.tmDescent = ly(tm.tmDescent);
  tm.tmInternalLeading = ly(tm.tmInternalLeading);
  tm.tmExternalLeading = ly(tm.tmExternalLeading);
  tm.tmAveCharWidth = lx(tm.tmAveCharWidth);
  tm.tmMaxCharWidth = lx(tm.tmMaxCharWidth);
  return tm;
}

int TCanvas::TextFit(const std::string& text, int maxWidth, TPoint* extent) {
  int fit = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t next = NextCodePoint(text, i);
    if (TextWidth(text.substr(0, next)) > maxWidth) break;
    fit = static_cast<int>(next);
    i = next;
  }
  if (extent) *extent = {TextWidth(text), TextHeight(text)};
  return fit;
}

int TCanvas::LineWidth(const std::string& line, UINT flags, int tabWidth) {
  if (!(flags & DT_EXPANDTABS) || line.find('\t') == std::string::npos) return TextWidth(line);
  int x = 0;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    x += TextWidth(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    x = tabWidth > 0 ? (x / tabWidth + 1) * tabWidth : x;
    start = tab + 1;
  }
  return x;
}

void TCanvas::DrawLine(int x, int y, const std::string& line, UINT flags, int tabWidth) {
  const TPaintFont& font = PaintFont();
  COLORREF color = ColorToRGB(FFont.Color());
  bool opaque = FBkMode == OPAQUE;
  COLORREF bk = ColorToRGB(FBkColor);
  auto run = [&](int lx, const std::string& part) {
    TPoint d = Dev(lx, y);
    Painter()->TextRun(d.X, d.Y, part, font, color, opaque, bk);
  };
  if (!(flags & DT_EXPANDTABS) || line.find('\t') == std::string::npos) {
    run(x, line);
    return;
  }
  int cx = 0;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    std::string part = line.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
    if (!part.empty()) run(x + cx, part);
    cx += TextWidth(part);
    if (tab == std::string::npos) break;
    cx = tabWidth > 0 ? (cx / tabWidth + 1) * tabWidth : cx;
    start = tab + 1;
  }
}

int TCanvas::DrawText(const std::string& source, TRect& r, UINT flags) {
  std::string stripped;
  if (!(flags & DT_NOPREFIX)) stripped = StripPrefixes(source);
  const std::string& text = (flags & DT_NOPREFIX) ? source : stripped;
  TTextMetric tm = GetTextMetrics();
  int lineHeight = tm.tmHeight + ((flags & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  int tabWidth = 8 * tm.tmAveCharWidth;
  int width = r.Width();
  // Where y grows upwards (the metric modes), lines go down to smaller y.
  RequirePainter();
  int dir = FMapping.ScaleY() < 0 ? -1 : 1;
  int height = dir * r.Height();
  auto measure = [&](const std::string& s) { return LineWidth(s, flags, tabWidth); };

  const UINT ellipses = DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS;
  // One line as it is, the way labels and cells measure and draw word after word: no line list.
  bool oneLine = (flags & DT_SINGLELINE) ||
                 (!(flags & DT_WORDBREAK) && text.find_first_of("\r\n") == std::string::npos);
  if (oneLine && (flags & DT_CALCRECT) && !(flags & ellipses)) {
    r.Right = r.Left + measure(text);
    r.Bottom = r.Top + dir * lineHeight;
    return lineHeight;
  }
  if ((flags & DT_SINGLELINE) && !(flags & ellipses)) {
    int offset = 0;
    if (flags & DT_VCENTER) offset = (height - lineHeight) / 2;
    else if (flags & DT_BOTTOM) offset = height - lineHeight;
    bool clip = !(flags & DT_NOCLIP);
    if (clip && offset >= height) return offset;
    if (clip) {
      SaveDC();
      IntersectClipRect(r.Left, r.Top, r.Right, r.Bottom);
    }
    int x = r.Left;
    if (flags & DT_CENTER) x = r.Left + (width - measure(text)) / 2;
    else if (flags & DT_RIGHT) x = r.Right - measure(text);
    if (!text.empty()) DrawLine(x, r.Top + dir * offset, text, flags, tabWidth);
    if (clip) RestoreDC(-1);
    return offset + lineHeight;
  }

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
    r.Bottom = r.Top + dir * textHeight;
    return textHeight;
  }

  int offset = 0;  // of the line's top below r.Top, in the direction of the lines
  if (flags & DT_SINGLELINE) {
    if (flags & DT_VCENTER) offset = (height - lineHeight) / 2;
    else if (flags & DT_BOTTOM) offset = height - lineHeight;
  }
  bool clip = !(flags & DT_NOCLIP);
  if (clip) {
    SaveDC();
    IntersectClipRect(r.Left, r.Top, r.Right, r.Bottom);
  }
  for (const auto& line : lines) {
    if ((flags & DT_EDITCONTROL) && !(flags & DT_SINGLELINE) && offset + lineHeight > height && offset > 0) break;
    if (offset >= height && clip) break;
    int x = r.Left;
    if (flags & DT_CENTER) x = r.Left + (width - measure(line)) / 2;
    else if (flags & DT_RIGHT) x = r.Right - measure(line);
    if (!line.empty()) DrawLine(x, r.Top + dir * offset, line, flags, tabWidth);
    offset += lineHeight;
  }
  if (clip) RestoreDC(-1);
  if (flags & DT_SINGLELINE) return offset;
  return textHeight;
}

// ---- Clipping -------------------------------------------------------------------------------

TRect TCanvas::DeviceBox() { return Rect(0, 0, Painter()->DeviceWidth(), Painter()->DeviceHeight()); }

TRegion TCanvas::ClipRegion() {
  TRegion device = TRegion::FromRect(DeviceBox());
  TRegion r = FClipped ? FClip : device;
  r.Offset(-FOrigin.X, -FOrigin.Y);
  return r;
}

void TCanvas::SetClipRegion(TRegion region) {
  FClip = std::move(region);
  FClipped = true;
  ApplyClip();
}

TRect TCanvas::ClipRect() {
  TRect box = FClipped ? FClip.Bounds() : DeviceBox();
  OffsetRect(box, -FOrigin.X, -FOrigin.Y);
  TPoint a = DPtoLP({box.Left, box.Top}), b = DPtoLP({box.Right, box.Bottom});
  return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

int TCanvas::IntersectClipRect(int left, int top, int right, int bottom) {
  TRegion base = FClipped ? FClip : TRegion::FromRect(DeviceBox());
  SetClipRegion(CombineRegions(base, TRegion::FromRect(DevRect(left, top, right, bottom)), RGN_AND));
  return RegionKind(FClip);
}

int TCanvas::ExcludeClipRect(int left, int top, int right, int bottom) {
  TRegion base = FClipped ? FClip : TRegion::FromRect(DeviceBox());
  SetClipRegion(CombineRegions(base, TRegion::FromRect(DevRect(left, top, right, bottom)), RGN_DIFF));
  return RegionKind(FClip);
}

int TCanvas::ExtSelectClipRgn(const TRegion* region, int mode) {
  RequirePainter();
  if (!region) {
    if (mode != RGN_COPY) return RGN_ERROR;
    FClip = {};
    FClipped = false;
    ApplyClip();
    return SIMPLEREGION;
  }
  TRegion r = *region;
  r.Offset(FOrigin.X, FOrigin.Y);
  if (mode == RGN_COPY) {
    SetClipRegion(std::move(r));
  } else {
    if (mode < RGN_AND || mode > RGN_DIFF) return RGN_ERROR;
    // With no clip, the whole device is the region combined with.
    SetClipRegion(CombineRegions(FClipped ? FClip : TRegion::FromRect(DeviceBox()), r, mode));
  }
  return RegionKind(FClip);
}

// ---- Paths ----------------------------------------------------------------------------------

bool TCanvas::BeginPath() {
  RequirePainter();
  FPath.Clear();
  FPathOpen = true;
  FPathDone = false;
  return true;
}

bool TCanvas::EndPath() {
  if (!FPathOpen) return false;
  FPathOpen = false;
  FPathDone = true;
  return true;
}

bool TCanvas::AbortPath() {
  FPath.Clear();
  FPathOpen = FPathDone = false;
  return true;
}

bool TCanvas::CloseFigure() {
  if (!FPathOpen) return false;
  FPath.CloseFigure();
  return true;
}

bool TCanvas::TakePath(TPath& path) {
  if (!FPathDone) return false;
  path = std::move(FPath);
  FPath.Clear();
  FPathDone = false;
  return true;
}

bool TCanvas::StrokePath() {
  TPath path;
  if (!TakePath(path)) return false;
  TPaintBrush none;
  none.Style = bsClear;
  Painter()->Path(path, PaintPen(), none, FillRule());
  return true;
}

bool TCanvas::FillPath() {
  TPath path;
  if (!TakePath(path)) return false;
  TPaintPen none;
  none.Style = psClear;
  Painter()->Path(path, none, PaintBrush(), FillRule());
  return true;
}

bool TCanvas::StrokeAndFillPath() {
  TPath path;
  if (!TakePath(path)) return false;
  Painter()->Path(path, PaintPen(), PaintBrush(), FillRule());
  return true;
}

bool TCanvas::SelectClipPath(int mode) {
  TPath path;
  if (!TakePath(path)) return false;
  TRegion r = path.ToRegion(FillRule());
  if (mode == RGN_COPY) SetClipRegion(std::move(r));
  else SetClipRegion(CombineRegions(FClipped ? FClip : TRegion::FromRect(DeviceBox()), r, mode));
  return true;
}

HRGN TCanvas::PathToRegion() {
  TPath path;
  if (!TakePath(path)) return nullptr;
  auto* region = new TRegion(path.ToRegion(FillRule()));
  region->Offset(-FOrigin.X, -FOrigin.Y);
  return region;
}

int TCanvas::SaveDC() {
  FSaved.push_back({FClip, FClipped, FBkMode, FBkColor, FPenPos, FMapping, FPolyFillMode});
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
  FMapping = s.Mapping;
  FPolyFillMode = s.PolyFillMode;
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
int ExtSelectClipRgn(HDC dc, HRGN region, int mode) { return dc ? dc->ExtSelectClipRgn(region, mode) : RGN_ERROR; }
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
  return dc ? dc->ExcludeClipRect(left, top, right, bottom) : RGN_ERROR;
}
int GetClipBox(HDC dc, TRect* box) {
  if (!dc || !box) return RGN_ERROR;
  *box = dc->ClipRect();
  return dc->Clipped() ? RegionKind(dc->ClipRegion()) : SIMPLEREGION;
}
int GetClipRgn(HDC dc, HRGN region) {
  if (!dc || !region) return -1;
  if (!dc->Clipped()) return 0;
  *region = dc->ClipRegion();
  return 1;
}
bool BeginPath(HDC dc) { return dc && dc->BeginPath(); }
bool EndPath(HDC dc) { return dc && dc->EndPath(); }
bool AbortPath(HDC dc) { return dc && dc->AbortPath(); }
bool CloseFigure(HDC dc) { return dc && dc->CloseFigure(); }
bool StrokePath(HDC dc) { return dc && dc->StrokePath(); }
bool FillPath(HDC dc) { return dc && dc->FillPath(); }
bool StrokeAndFillPath(HDC dc) { return dc && dc->StrokeAndFillPath(); }
bool SelectClipPath(HDC dc, int mode) { return dc && dc->SelectClipPath(mode); }
HRGN PathToRegion(HDC dc) { return dc ? dc->PathToRegion() : nullptr; }
int SetPolyFillMode(HDC dc, int mode) { return dc ? dc->SetPolyFillMode(mode) : 0; }

namespace {
std::vector<TPoint> PointList(const TPoint* points, int count) {
  return points && count > 0 ? std::vector<TPoint>(points, points + count) : std::vector<TPoint>{};
}
}  // namespace

bool PolyBezier(HDC dc, const TPoint* points, int count) {
  if (!dc || !points || count < 4 || (count - 1) % 3 != 0) return false;
  dc->PolyBezier(PointList(points, count));
  return true;
}
bool PolyBezierTo(HDC dc, const TPoint* points, int count) {
  if (!dc || !points || count < 3 || count % 3 != 0) return false;
  dc->PolyBezierTo(PointList(points, count));
  return true;
}
bool MoveToEx(HDC dc, int x, int y, TPoint* old) {
  if (!dc) return false;
  if (old) *old = dc->PenPos();
  dc->MoveTo(x, y);
  return true;
}
bool LineTo(HDC dc, int x, int y) {
  if (!dc) return false;
  dc->LineTo(x, y);
  return true;
}
bool Polygon(HDC dc, const TPoint* points, int count) {
  if (!dc || count < 2) return false;
  dc->Polygon(PointList(points, count));
  return true;
}
bool Polyline(HDC dc, const TPoint* points, int count) {
  if (!dc || count < 2) return false;
  dc->Polyline(PointList(points, count));
  return true;
}
bool TextOut(HDC dc, int x, int y, const std::string& text, int count) {
  if (!dc) return false;
  dc->TextOut(x, y, count >= 0 && static_cast<std::size_t>(count) < text.size() ? text.substr(0, count) : text);
  return true;
}

int SetMapMode(HDC dc, int mode) { return dc ? dc->SetMapMode(mode) : 0; }
int GetMapMode(HDC dc) { return dc ? dc->MapMode() : 0; }
bool SetWindowExtEx(HDC dc, int x, int y, TPoint* old) {
  if (!dc) return false;
  if (old) *old = dc->Mapping().WindowExt();
  // Outside the scalable modes the extents are ignored, as the system does.
  bool scalable = dc->MapMode() == MM_ISOTROPIC || dc->MapMode() == MM_ANISOTROPIC;
  return dc->Mapping().SetWindowExt({x, y}) || !scalable;
}
bool SetViewportExtEx(HDC dc, int x, int y, TPoint* old) {
  if (!dc) return false;
  if (old) *old = dc->Mapping().ViewportExt();
  bool scalable = dc->MapMode() == MM_ISOTROPIC || dc->MapMode() == MM_ANISOTROPIC;
  return dc->Mapping().SetViewportExt({x, y}) || !scalable;
}
bool SetWindowOrgEx(HDC dc, int x, int y, TPoint* old) {
  if (!dc) return false;
  if (old) *old = dc->Mapping().WindowOrg();
  dc->Mapping().SetWindowOrg({x, y});
  return true;
}
bool SetViewportOrgEx(HDC dc, int x, int y, TPoint* old) {
  if (!dc) return false;
  if (old) *old = dc->Mapping().ViewportOrg();
  dc->Mapping().SetViewportOrg({x, y});
  return true;
}
bool GetWindowExtEx(HDC dc, TPoint* e) { return dc && e && (*e = dc->Mapping().WindowExt(), true); }
bool GetViewportExtEx(HDC dc, TPoint* e) { return dc && e && (*e = dc->Mapping().ViewportExt(), true); }
bool GetWindowOrgEx(HDC dc, TPoint* p) { return dc && p && (*p = dc->Mapping().WindowOrg(), true); }
bool GetViewportOrgEx(HDC dc, TPoint* p) { return dc && p && (*p = dc->Mapping().ViewportOrg(), true); }
bool DPtoLP(HDC dc, TPoint* points, int count) {
  if (!dc || !points) return false;
  for (int i = 0; i < count; ++i) points[i] = dc->DPtoLP(points[i]);
  return true;
}
bool LPtoDP(HDC dc, TPoint* points, int count) {
  if (!dc || !points) return false;
  for (int i = 0; i < count; ++i) points[i] = dc->LPtoDP(points[i]);
  return true;
}
int GetDeviceCaps(HDC dc, int index) { return dc ? dc->DeviceCaps(index) : 0; }

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
