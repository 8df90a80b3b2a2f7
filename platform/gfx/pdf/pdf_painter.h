// The painter of one page of a PDF document: device pixels at the printer's resolution, y
// growing downwards, written as PDF operators into the page's content stream. Text is measured
// by the device's measuring painter, so pages and their measures agree.
#pragma once

#include <memory>
#include <string>

#include "platform/gfx/painter.h"
#include "platform/gfx/pdf/pdf_writer.h"
#include "platform/gfx/printer.h"

// Where the faces come from (the backend's font database).
class TPdfFontSource {
public:
  virtual ~TPdfFontSource() = default;
  // The face that draws `font` (its size, turn and lines aside); null when there is none.
  virtual std::shared_ptr<TPdfFace> Face(const TPaintFont& font) = 0;
  // The face that draws `cp` in `font` when the font's own face lacks it; null for none.
  virtual std::shared_ptr<TPdfFace> Fallback(const TPaintFont&, char32_t) { return nullptr; }
};

// The pixel size of a device font: a negative height is the character height, a positive one
// the cell height less its internal leading.
int PaintFontPixelSize(const TPaintFont& font);

class TPdfPainter : public TPaperPainter<TPainter> {
public:
  // Draws on the document's current page (begun with the size of `caps` in points).
  TPdfPainter(TPdfDocument& document, TPdfFontSource& fonts, TPainter& metrics, const TPrinterCaps& caps);
  ~TPdfPainter() override;

  // A focus rectangle is not drawn (nothing to invert on paper), a pixel reads as 0xFFFFFFFF
  // (paper cannot be read back), and text is measured by the measuring painter.
  QN_PAINTER_DRAWS;
  QN_PAINTER_READS;
  void Path(const TPath& path, const TPaintPen& pen, const TPaintBrush& brush, TFillMode mode) override;
  void TextPath(int x, int y, const std::string& text, const TPaintFont& font, TPath& path) override;

  // Closes what the page's stream has open; the painter draws nothing after it.
  void Finish();

private:
  // What the stream has set, so that it is not set again.
  struct TState {
    long long Fill = -1, Stroke = -1;
    int LineWidth = -1;
    int Dash = -1;
    int Font = -1, FontSize = -1;
  };
  void EndText();
  void SetFill(COLORREF color);
  void SetStroke(const TPaintPen& pen);
  void Point(double x, double y, const char* op);
  void RectPath(const TRect& r);
  // Fills the path just written with `brush` (hatches inside `bounds`) and/or strokes it.
  void PaintPath(const std::string& path, const TRect& bounds, const TPaintPen& pen, const TPaintBrush& brush,
                 bool evenOdd);
  void Hatch(const TRect& bounds, const TPaintBrush& brush);
  std::string EllipsePath(double l, double t, double r, double b);
  TPdfFontUse* FontUse(const TPaintFont& font);
  TPdfFontUse* FallbackUse(const TPaintFont& font, char32_t cp);

  TPdfDocument& FDocument;
  TPdfFontSource& FFonts;
  TPainter& FMetrics;
  std::string& FOut;
  TState FState, FBeforeClip;
  bool FInText = false, FClipOpen = false, FFinished = false;
  TPaintFont FLastFont;
  TPdfFontUse* FLastUse = nullptr;
  TTextMetric FLastMetric;
  std::string FGlyphs;
  // The glyphs of a run in one face: their hex digits in FGlyphs, their offset in pixels.
  struct TPiece {
    TPdfFontUse* Use;
    std::size_t Begin, End;
    double Offset;
  };
  std::vector<TPiece> FPieces;
  bool FHaveLast = false;
};
