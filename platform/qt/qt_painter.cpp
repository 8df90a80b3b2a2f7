#include "platform/qt/qt_painter.h"

#include <algorithm>
#include <QFontMetrics>
#include <QPolygon>
#include <QRegion>
#include <QString>
#include <QPainterPath>
#include <cmath>

#include "platform/gfx/paths.h"

namespace {

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

Qt::PenStyle PenStyle(TPenStyle s) {
  switch (s) {
    case psDash: return Qt::DashLine;
    case psDot: return Qt::DotLine;
    case psDashDot: return Qt::DashDotLine;
    case psDashDotDot: return Qt::DashDotDotLine;
    case psClear: return Qt::NoPen;
    default: return Qt::SolidLine;
  }
}

Qt::BrushStyle BrushStyle(TBrushStyle s) {
  switch (s) {
    case bsClear: return Qt::NoBrush;
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::FDiagPattern;
    case bsBDiagonal: return Qt::BDiagPattern;
    case bsCross: return Qt::CrossPattern;
    case bsDiagCross: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
  }
}

QPainter::CompositionMode PenComposition(TPenMode m) {
  switch (m) {
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    default: return QPainter::CompositionMode_SourceOver;
  }
}

QPainter::CompositionMode RopComposition(DWORD rop) {
  switch (rop) {
    case SRCINVERT: return QPainter::RasterOp_SourceXorDestination;
    case SRCAND: return QPainter::RasterOp_SourceAndDestination;
    case SRCPAINT: return QPainter::RasterOp_SourceOrDestination;
    case NOTSRCCOPY: return QPainter::RasterOp_NotSource;
    case DSTINVERT: return QPainter::RasterOp_NotDestination;
    default: return QPainter::CompositionMode_SourceOver;
  }
}

}  // namespace

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

QImage BitmapImage(TBitmap& bitmap) {
  QImage image(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.BytesPerLine(),
               bitmap.PixelFormat() == pf24bit ? QImage::Format_BGR888 : QImage::Format_RGB32);
  image.setDotsPerMeterX(3780);
  image.setDotsPerMeterY(3780);
  return image;
}

QFont ToPrintFont(const TPaintFont& f) {
  QFont font = ToQFont(f);
  // Printed pages keep the usual hinting: at a printer's resolution the pixel grid bends nothing
  // that shows.
  font.setHintingPreference(QFont::PreferDefaultHinting);
  font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
  font.setKerning(false);
  return font;
}

QFont ToQFont(const TPaintFont& f) {
  QFont font(QString::fromStdString(f.Name));
  int height = f.Height == 0 ? -11 : f.Height;
  // A negative height is the character height; a positive one the cell height, which
  // first loses its internal leading.
  int pixels = height < 0 ? -height : std::max(1, height - height / 6);
  font.setPixelSize(std::max(1, pixels));
  font.setBold(f.Style.Contains(fsBold));
  font.setItalic(f.Style.Contains(fsItalic));
  font.setUnderline(f.Style.Contains(fsUnderline));
  font.setStrikeOut(f.Style.Contains(fsStrikeOut));
  if (f.Pitch == fpFixed) font.setFixedPitch(true);
  font.setStyleStrategy(QFont::NoAntialias);
  // Glyphs without grey edges take their shapes from the outlines as they are, whatever hinting
  // the desktop asks for: the usual slight hinting bends them to the pixel grid up and down
  // only, and in black and white that sets them unevenly apart on their unhinted advances
  // ("com puter", a blank drawn twice as wide). Those advances, and so the widths of texts,
  // are the same unhinted ones.
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

TQtPainter::TQtPainter(QImage* image, std::shared_ptr<TQtFontCache> cache)
    : FImage(image), FDevice(image), FCache(std::move(cache)) {
  if (!FCache) FCache = TQtFontCache::Make();
  Begin();
}

TQtPainter::TQtPainter(TBitmap& bitmap)
    : FOwnImage(std::make_unique<QImage>(BitmapImage(bitmap))), FImage(FOwnImage.get()), FDevice(FImage),
      FCache(TQtFontCache::Make()) {
  Begin();
}

TQtPainter::TQtPainter(QPaintDevice* device, QPainter* painter) : FDevice(device), FCache(TQtFontCache::Make()) {
  if (painter) FPainter = painter;
  else Begin();
}

TQtPainter::~TQtPainter() { Flush(); }

void TQtPainter::Begin() {
  if (FImage && FImage->isNull()) return;
  if (FPainter != &FOwnPainter) return;
  FPainter->begin(FDevice);
  FPainter->setRenderHint(QPainter::Antialiasing, false);
  FPainter->setRenderHint(QPainter::TextAntialiasing, false);
}

void TQtPainter::Flush() {
  if (FPainter == &FOwnPainter && FPainter->isActive()) FPainter->end();
}

void TQtPainter::SetComposition(QPainter::CompositionMode mode) {
  // Raster operations exist on raster targets only.
  if (!FImage) return;
  FPainter->setCompositionMode(mode);
  FComposition = mode;
}

int TQtPainter::DpiX() const {
  if (!FImage) return FDevice->logicalDpiX();
  return std::max(1, static_cast<int>(std::lround(FImage->dotsPerMeterX() * 0.0254)));
}
int TQtPainter::DpiY() const {
  if (!FImage) return FDevice->logicalDpiY();
  return std::max(1, static_cast<int>(std::lround(FImage->dotsPerMeterY() * 0.0254)));
}

void TQtPainter::SetClip(const std::vector<TRect>& rects, bool clipped) {
  if (!FPainter->isActive()) Begin();
  FClip = rects;
  FClipped = clipped;
  if (!clipped) {
    FPainter->setClipping(false);
    return;
  }
  QRegion region;
  for (const auto& r : rects) region += ToQRect(r);
  FPainter->setClipRegion(region);
}

void TQtPainter::UsePen(const TPaintPen& pen) {
  QPen p(ToQColor(pen.Color));
  p.setStyle(PenStyle(pen.Style));
  p.setWidth(pen.Width <= 1 ? 0 : pen.Width);  // widths 0 and 1 are cosmetic
  p.setCapStyle(Qt::FlatCap);
  p.setJoinStyle(Qt::MiterJoin);
  FPainter->setPen(p);
  SetComposition(PenComposition(pen.Mode));
}

void TQtPainter::UseBrush(const TPaintBrush& brush) {
  if (brush.Style == bsClear) {
    FPainter->setBrush(Qt::NoBrush);
    return;
  }
  FPainter->setBrush(QBrush(ToQColor(brush.Color), BrushStyle(brush.Style)));
}

void TQtPainter::Polyline(const std::vector<TPoint>& points, const TPaintPen& pen) {
  if (!FPainter->isActive() || points.size() < 2 || pen.Style == psClear) return;
  UsePen(pen);
  QPolygon poly;
  for (const auto& p : points) poly << QPoint(p.X, p.Y);
  // Lines leave out their last point.
  QPoint& last = poly.last();
  QPoint prev = poly[poly.size() - 2];
  if (last.x() != prev.x()) last.rx() += last.x() > prev.x() ? -1 : 1;
  if (last.y() != prev.y()) last.ry() += last.y() > prev.y() ? -1 : 1;
  FPainter->drawPolyline(poly);
  SetComposition(QPainter::CompositionMode_SourceOver);
}

void TQtPainter::Polygon(const std::vector<TPoint>& points, const TPaintPen& pen, const TPaintBrush& brush,
                         TFillMode mode) {
  if (!FPainter->isActive() || points.size() < 2) return;
  UsePen(pen);
  UseBrush(brush);
  QPolygon poly;
  for (const auto& p : points) poly << QPoint(p.X, p.Y);
  FPainter->drawPolygon(poly, mode == fmWinding ? Qt::WindingFill : Qt::OddEvenFill);
  SetComposition(QPainter::CompositionMode_SourceOver);
}

void TQtPainter::Rectangle(const TRect& r, const TPaintPen& pen, const TPaintBrush& brush) {
  if (!FPainter->isActive() || IsRectEmpty(r)) return;
  if (brush.Style != bsClear) FPainter->fillRect(ToQRect(r), QBrush(ToQColor(brush.Color), BrushStyle(brush.Style)));
  if (pen.Style == psClear) return;
  UsePen(pen);
  FPainter->setBrush(Qt::NoBrush);
  FPainter->drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
  SetComposition(QPainter::CompositionMode_SourceOver);
}

void TQtPainter::RoundRect(const TRect& r, int ellipseWidth, int ellipseHeight, const TPaintPen& pen,
                           const TPaintBrush& brush) {
  if (!FPainter->isActive() || IsRectEmpty(r)) return;
  UsePen(pen);
  UseBrush(brush);
  FPainter->drawRoundedRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1), ellipseWidth / 2.0,
                           ellipseHeight / 2.0);
  SetComposition(QPainter::CompositionMode_SourceOver);
}

void TQtPainter::Ellipse(const TRect& r, const TPaintPen& pen, const TPaintBrush& brush) {
  if (!FPainter->isActive() || IsRectEmpty(r)) return;
  UsePen(pen);
  UseBrush(brush);
  FPainter->drawEllipse(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
  SetComposition(QPainter::CompositionMode_SourceOver);
}

void TQtPainter::FillRect(const TRect& r, const TPaintBrush& brush) {
  if (!FPainter->isActive() || brush.Style == bsClear || IsRectEmpty(r)) return;
  if (brush.Style == bsSolid && FImage && FImage->format() == QImage::Format_RGB32 &&
      FComposition == QPainter::CompositionMode_SourceOver && FPainter->worldTransform().isIdentity()) {
    // A plain fill of a window's or bitmap's pixels, row by row inside the clip: what Qt
    // does, without its per-call cost (a grid fills every cell of every paint).
    const TRect whole{0, 0, FImage->width(), FImage->height()};
    const QRgb pixel = ToQColor(brush.Color).rgb();
    uchar* bits = const_cast<uchar*>(FImage->constBits());  // the painter keeps the image unshared
    const qsizetype stride = FImage->bytesPerLine();
    auto fill = [&](const TRect& area) {
      TRect part;
      if (!IntersectRect(part, r, area) || !IntersectRect(part, part, whole)) return;
      for (int y = part.Top; y < part.Bottom; ++y) {
        auto* line = reinterpret_cast<QRgb*>(bits + y * stride);
        std::fill(line + part.Left, line + part.Right, pixel);
      }
    };
    if (FClipped) {
      for (const TRect& c : FClip) fill(c);
    } else {
      fill(whole);
    }
    return;
  }
  FPainter->fillRect(ToQRect(r), QBrush(ToQColor(brush.Color), BrushStyle(brush.Style)));
}

void TQtPainter::FocusRect(const TRect& r) {
  if (!FImage || !FPainter->isActive() || IsRectEmpty(r)) return;
  // Every other pixel of the outline inverted, so drawing it twice removes it.
  SetComposition(QPainter::RasterOp_SourceXorDestination);
  FPainter->setPen(QPen(Qt::white, 0));
  for (int x = r.Left; x < r.Right; ++x) {
    if ((x + r.Top) % 2 == 0) FPainter->drawPoint(x, r.Top);
    if (r.Bottom - 1 > r.Top && (x + r.Bottom - 1) % 2 == 0) FPainter->drawPoint(x, r.Bottom - 1);
  }
  for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
    if ((r.Left + y) % 2 == 0) FPainter->drawPoint(r.Left, y);
    if (r.Right - 1 > r.Left && (r.Right - 1 + y) % 2 == 0) FPainter->drawPoint(r.Right - 1, y);
  }
  SetComposition(QPainter::CompositionMode_SourceOver);
}

QFont TQtPainter::MakeFont(const TPaintFont& font) const { return FPrintText ? ToPrintFont(font) : ToQFont(font); }

const QFontMetrics& TQtPainter::FontMetrics(const TPaintFont& font, QFont* qfont) {
  TFontEntry& e = FontEntry(font);
  if (qfont) *qfont = e.QtFont;
  return *e.Metrics;
}

TQtPainter::TFontEntry& TQtPainter::FontEntry(const TPaintFont& font) {
  constexpr std::size_t kKept = 8;
  std::vector<TFontEntry>& fonts = FCache->FFonts;
  std::size_t& last = FCache->FLastFont;
  unsigned long& clock = FCache->FFontClock;
  if (last < fonts.size() && fonts[last].Font == font) {
    fonts[last].Used = ++clock;
    return fonts[last];
  }
  for (std::size_t i = 0; i < fonts.size(); ++i)
    if (fonts[i].Font == font) {
      fonts[i].Used = ++clock;
      last = i;
      return fonts[i];
    }
  if (fonts.size() >= kKept) {
    // The least recently used font makes room.
    auto oldest = std::min_element(fonts.begin(), fonts.end(),
                                   [](const TFontEntry& a, const TFontEntry& b) { return a.Used < b.Used; });
    fonts.erase(oldest);
  }
  TFontEntry e;
  e.Font = font;
  e.QtFont = MakeFont(font);
  e.Metrics = std::make_unique<QFontMetrics>(e.QtFont, FDevice);
  e.Used = ++clock;
  fonts.push_back(std::move(e));
  last = fonts.size() - 1;
  return fonts.back();
}

bool TQtPainter::CachesGlyphs(const TPaintFont& font) const {
  return font.Orientation == 0 && FImage && FComposition == QPainter::CompositionMode_SourceOver &&
         !font.Style.Contains(fsStrikeOut) && TQtGlyphCache::Supports(*FImage) &&
         FPainter->worldTransform().isIdentity();
}

TQtGlyphCache& TQtPainter::Glyphs(TFontEntry& e) {
  if (!e.Glyphs) e.Glyphs = std::make_unique<TQtGlyphCache>(e.QtFont);
  return *e.Glyphs;
}

void TQtPainter::TextRun(int x, int y, const std::string& text, const TPaintFont& font, COLORREF color,
                         bool opaque, COLORREF background) {
  if (!FPainter->isActive() || text.empty()) return;
  if (std::any_of(text.begin(), text.end(), [](char c) { return IsControl(c); })) {
    ControlRun(x, y, text, font, color, opaque, background);
    return;
  }
  if (!opaque && CachesGlyphs(font)) {
    // The common case on screen and bitmaps, word after word: glyphs copied from the cache.
    TFontEntry& e = FontEntry(font);
    if (Glyphs(e).Draw(*FImage, FClipped ? &FClip : nullptr, x, y + Metric(e).tmAscent, text, color)) return;
  }
  QFont qf;
  const QFontMetrics& fm = FontMetrics(font, &qf);
  QString s = QString::fromUtf8(text.data(), static_cast<int>(text.size()));
  if (font.Orientation == 0 && !opaque) {
    // No state to save, since every other call sets its own pen, and the font only when it
    // changes.
    if (!(FPainter->font() == qf)) FPainter->setFont(qf);
    FPainter->setPen(ToQColor(color));
    // A prepared static text pays off on raster targets only: other engines (a PDF writer, a
    // printer) lay it out again at every draw.
    if (text.size() > 64 || !FImage) {
      FPainter->drawText(x, y + fm.ascent(), s);
      return;
    }
    // Short runs keep their shaped glyphs, so a word drawn again is not shaped again.
    TFontEntry& e = FontEntry(font);
    QStaticText* run = e.Runs.Find(text);
    if (!run) {
      QStaticText st(s);
      st.setTextFormat(Qt::PlainText);
      st.prepare(QTransform(), qf);
      run = &e.Runs.Add(text, std::move(st));
    }
    FPainter->drawStaticText(x, y, *run);
    return;
  }
  FPainter->save();
  FPainter->setFont(qf);
  FPainter->translate(x, y);
  // Rotated text turns around its start point.
  if (font.Orientation != 0) FPainter->rotate(-font.Orientation / 10.0);
  if (opaque) FPainter->fillRect(QRect(0, 0, fm.horizontalAdvance(s), fm.height()), ToQColor(background));
  FPainter->setPen(ToQColor(color));
  FPainter->drawText(0, fm.ascent(), s);
  FPainter->restore();
}

void TQtPainter::ControlRun(int x, int y, const std::string& text, const TPaintFont& font, COLORREF color,
                            bool opaque, COLORREF background) {
  // Control characters (tabs, line ends) draw nothing and never reach Qt: it underlines a text
  // without glyphs from memory past its glyph list. The parts between them are drawn where the
  // whole text puts them, over the whole text's background.
  const double angle = font.Orientation / 10.0 * M_PI / 180.0;
  if (opaque) {
    const QFontMetrics& fm = FontMetrics(font);
    FPainter->save();
    FPainter->translate(x, y);
    if (font.Orientation != 0) FPainter->rotate(-font.Orientation / 10.0);
    FPainter->fillRect(QRect(0, 0, TextWidth(font, text), fm.height()), ToQColor(background));
    FPainter->restore();
  }
  for (std::size_t start = 0; start < text.size();) {
    if (IsControl(text[start])) {
      ++start;
      continue;
    }
    std::size_t end = start;
    while (end < text.size() && !IsControl(text[end])) ++end;
    const int offset = start > 0 ? TextWidth(font, text.substr(0, start)) : 0;
    const int px = x + static_cast<int>(std::lround(offset * std::cos(angle)));
    const int py = y - static_cast<int>(std::lround(offset * std::sin(angle)));
    TextRun(px, py, text.substr(start, end - start), font, color, false, 0);
    start = end;
  }
}

void TQtPainter::Blit(const TRect& dest, const TBitmap& source, const TRect& sourceRect, DWORD rop) {
  if (!FPainter->isActive() || source.Empty() || IsRectEmpty(dest)) return;
  QImage src(source.Bits(), source.Width(), source.Height(), source.BytesPerLine(),
             source.PixelFormat() == pf24bit ? QImage::Format_BGR888 : QImage::Format_RGB32);
  SetComposition(RopComposition(rop));
  FPainter->drawImage(ToQRect(dest), src, ToQRect(sourceRect));
  SetComposition(QPainter::CompositionMode_SourceOver);
}

COLORREF TQtPainter::GetPixel(int x, int y) {
  if (!FImage || x < 0 || y < 0 || x >= FImage->width() || y >= FImage->height()) return 0xFFFFFFFF;
  QRgb p = FImage->pixel(x, y);
  return RGB(qRed(p), qGreen(p), qBlue(p));
}

void TQtPainter::SetPixel(int x, int y, COLORREF color) {
  if (!FPainter->isActive()) return;
  FPainter->fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

TTextMetric TQtPainter::Metrics(const TPaintFont& font) { return Metric(FontEntry(font)); }

const TTextMetric& TQtPainter::Metric(TFontEntry& e) {
  if (e.HaveMetric) return e.Metric;
  // Asked once a font: each of QFontMetrics' figures looks the font's engine up again.
  const QFont& qf = e.QtFont;
  const QFontMetrics& fm = *e.Metrics;
  TTextMetric tm;
  tm.tmHeight = fm.height();
  tm.tmAscent = fm.ascent();
  tm.tmDescent = fm.descent();
  tm.tmInternalLeading = std::max(0, fm.height() - qf.pixelSize());
  tm.tmExternalLeading = std::max(0, fm.leading());
  tm.tmAveCharWidth = fm.averageCharWidth();
  tm.tmMaxCharWidth = fm.maxWidth();
  e.Metric = tm;
  e.HaveMetric = true;
  return e.Metric;
}

int TQtPainter::TextWidth(const TPaintFont& font, const std::string& text) {
  TFontEntry& e = FontEntry(font);
  if (const int* known = e.Widths.Find(text)) return *known;
  // What will be drawn from the glyph cache is measured by the shaping it keeps for drawing.
  int width = 0;
  if (!(FPainter->isActive() && CachesGlyphs(font) && Glyphs(e).Measure(text, width)))
    width = e.Metrics->horizontalAdvance(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
  if (text.size() <= 64) e.Widths.Add(text, width);
  return width;
}

void TQtPainter::Path(const TPath& path, const TPaintPen& pen, const TPaintBrush& brush, TFillMode mode) {
  if (!FPainter->isActive() || path.Empty()) return;
  QPainterPath qp;
  qp.setFillRule(mode == fmWinding ? Qt::WindingFill : Qt::OddEvenFill);
  for (std::size_t i = 0; i < path.Points.size(); ++i) {
    const TPointD& p = path.Points[i];
    BYTE kind = path.Types[i] & ~PT_CLOSEFIGURE;
    if (kind == PT_MOVETO) {
      qp.moveTo(p.X, p.Y);
    } else if (kind == PT_BEZIERTO && i + 2 < path.Points.size()) {
      qp.cubicTo(p.X, p.Y, path.Points[i + 1].X, path.Points[i + 1].Y, path.Points[i + 2].X, path.Points[i + 2].Y);
      i += 2;
    } else {
      qp.lineTo(p.X, p.Y);
    }
    if (path.Types[i] & PT_CLOSEFIGURE) qp.closeSubpath();
  }
  if (brush.Style != bsClear) FPainter->fillPath(qp, QBrush(ToQColor(brush.Color), BrushStyle(brush.Style)));
  if (pen.Style == psClear) return;
  UsePen(pen);
  FPainter->strokePath(qp, FPainter->pen());
  SetComposition(QPainter::CompositionMode_SourceOver);
}

void TQtPainter::TextPath(int x, int y, const std::string& text, const TPaintFont& font, TPath& path) {
  QFont qf = MakeFont(font);
  QString s = QString::fromUtf8(text.data(), static_cast<int>(text.size()));
  QFontMetrics fm(qf, FDevice);
  QPainterPath qp;
  qp.addText(0, fm.ascent(), qf, s);
  QTransform t;
  t.translate(x, y);
  if (font.Orientation != 0) t.rotate(-font.Orientation / 10.0);
  qp = t.map(qp);
  for (int i = 0; i < qp.elementCount(); ++i) {
    QPainterPath::Element e = qp.elementAt(i);
    if (e.isMoveTo()) {
      // Glyph outlines are closed figures.
      if (!path.Empty()) path.CloseFigure();
      path.MoveTo({e.x, e.y});
    } else if (e.isLineTo()) {
      path.LineTo({e.x, e.y});
    } else if (e.isCurveTo() && i + 2 < qp.elementCount()) {
      QPainterPath::Element c2 = qp.elementAt(i + 1), end = qp.elementAt(i + 2);
      path.BezierTo({e.x, e.y}, {c2.x, c2.y}, {end.x, end.y});
      i += 2;
    }
  }
  if (!path.Empty()) path.CloseFigure();
}
