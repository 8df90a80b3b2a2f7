// The painter over QPainter: on a QImage (a window's backing image, or a bitmap's own pixels
// wrapped without a copy), or on any other paint device (a printer, a PDF writer).
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStaticText>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/painter.h"
#include "platform/qt/qt_glyphs.h"

// Fonts, metrics, measured widths, laid-out runs and glyph caches of one kind of device (96
// dots per inch raster images): a window keeps one across its paints, so a repaint draws the
// texts it drew before without shaping, measuring or rasterizing them again.
class TQtFontCache;

class TQtPainter : public TPainter {
public:
  // Paints on `image` (not owned) until the painter is destroyed or flushed; with `cache`, the
  // fonts and what was drawn in them are kept there (shared with later painters of the image).
  explicit TQtPainter(QImage* image, std::shared_ptr<TQtFontCache> cache = nullptr);
  // Paints straight into the pixels of `bitmap` (pf24bit or pf32bit).
  explicit TQtPainter(TBitmap& bitmap);
  // Paints on a device that is not a raster image (not owned): raster operations are ignored
  // and pixels cannot be read. `painter` is the device's active QPainter when one exists.
  TQtPainter(QPaintDevice* device, QPainter* painter);
  ~TQtPainter() override;

  int DeviceWidth() const override { return FDevice->width(); }
  int DeviceHeight() const override { return FDevice->height(); }
  int DpiX() const override;
  int DpiY() const override;
  void Path(const TPath& path, const TPaintPen& pen, const TPaintBrush& brush, TFillMode mode) override;
  void TextPath(int x, int y, const std::string& text, const TPaintFont& font, TPath& path) override;
  QN_PAINTER_DRAWS;
  QN_PAINTER_READS;
  void Flush() override;

  QPainter& Painter() { return *FPainter; }
  // For printed pages and the painters that measure them (set before the first text): the
  // fonts of ToPrintFont. Pages and their measures must agree, so both set it.
  void SetPrintText(bool Value) { FPrintText = Value; }

private:
  void Begin();
  void UsePen(const TPaintPen& pen);
  void UseBrush(const TPaintBrush& brush);
  QFont MakeFont(const TPaintFont& font) const;
  // The font and its metrics on this device, kept for the last few fonts asked for: labels
  // and grids measure word after word in a handful of fonts.
  const QFontMetrics& FontMetrics(const TPaintFont& font, QFont* qfont = nullptr);

  void SetComposition(QPainter::CompositionMode mode);
  // A text run holding control characters: only the parts between them are drawn.
  void ControlRun(int x, int y, const std::string& text, const TPaintFont& font, COLORREF color, bool opaque,
                  COLORREF background);

  std::unique_ptr<QImage> FOwnImage;  // the wrapper of a bitmap's pixels
  QImage* FImage = nullptr;           // raster targets only
  QPaintDevice* FDevice;
  QPainter FOwnPainter;
  QPainter* FPainter = &FOwnPainter;
  std::vector<TRect> FClip;
  bool FClipped = false;
  struct TFontEntry {
    TPaintFont Font;
    QFont QtFont;
    std::unique_ptr<QFontMetrics> Metrics;
    bool HaveMetric = false;
    TTextMetric Metric;
    TRecentMap<int> Widths{2048};  // texts measured in this font
    TRecentMap<QStaticText> Runs{1024};  // short texts drawn in this font by QPainter, laid out
    std::unique_ptr<TQtGlyphCache> Glyphs;  // plain runs drawn on raster images
    unsigned long Used = 0;
  };
  TFontEntry& FontEntry(const TPaintFont& font);
  // The entry's metrics, asked of Qt once.
  const TTextMetric& Metric(TFontEntry& entry);
  // Plain runs in `font` are drawn from the glyph cache here (when it can draw them).
  bool CachesGlyphs(const TPaintFont& font) const;
  TQtGlyphCache& Glyphs(TFontEntry& entry);
  std::shared_ptr<TQtFontCache> FCache;
  QPainter::CompositionMode FComposition = QPainter::CompositionMode_SourceOver;
  bool FPrintText = false;
  friend class TQtFontCache;
};

class TQtFontCache {
public:
  // A new, empty cache.
  static std::shared_ptr<TQtFontCache> Make() { return std::make_shared<TQtFontCache>(); }

private:
  friend class TQtPainter;
  std::vector<TQtPainter::TFontEntry> FFonts;
  std::size_t FLastFont = 0;  // the entry asked for last
  unsigned long FFontClock = 0;
};

// A QImage over the pixels of `bitmap`, sharing them (no copy): valid while the bitmap keeps
// its size and format.
QImage BitmapImage(TBitmap& bitmap);
QColor ToQColor(COLORREF color);
// The Qt font of a device font (family, pixel size, weight, slant, lines).
QFont ToQFont(const TPaintFont& font);
// The font of printed text: without kerning, and without the shaping step where the script
// needs none (plain Latin, Greek, Cyrillic text), which costs most of a page of cells.
QFont ToPrintFont(const TPaintFont& font);
