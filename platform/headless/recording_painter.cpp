#include "platform/headless/recording_painter.h"

namespace {
// Counts nested calls so that a shape made of other calls is recorded only as itself.
struct TNest {
  explicit TNest(int& depth) : Depth(depth) { ++Depth; }
  ~TNest() { --Depth; }
  int& Depth;
};
}  // namespace

std::vector<const TPaintCall*> TRecordingPainter::TextCalls() const {
  std::vector<const TPaintCall*> out;
  for (const auto& c : FCalls)
    if (c.Kind == TPaintKind::Text) out.push_back(&c);
  return out;
}

TPaintCall& TRecordingPainter::Record(TPaintKind kind, const TRect& r) {
  TPaintCall call{kind, r, {}, {}, {}, 0, false, 0, {}, {}, FClip, FClipped, {}, fmAlternate};
  FCalls.push_back(std::move(call));
  return FCalls.back();
}

void TRecordingPainter::SetClip(const std::vector<TRect>& rects, bool clipped) {
  FClip = rects;
  FClipped = clipped;
  TRasterPainter::SetClip(rects, clipped);
}

void TRecordingPainter::Polyline(const std::vector<TPoint>& points, const TPaintPen& pen) {
  if (FDepth == 0) {
    auto& c = Record(TPaintKind::Polyline, {});
    c.Points = points;
    c.Pen = pen;
  }
  TNest nest(FDepth);
  TRasterPainter::Polyline(points, pen);
}

void TRecordingPainter::Polygon(const std::vector<TPoint>& points, const TPaintPen& pen,
                                const TPaintBrush& brush, TFillMode mode) {
  if (FDepth == 0) {
    auto& c = Record(TPaintKind::Polygon, {});
    c.Points = points;
    c.Pen = pen;
    c.Brush = brush;
  }
  TNest nest(FDepth);
  TRasterPainter::Polygon(points, pen, brush, mode);
}

void TRecordingPainter::Rectangle(const TRect& r, const TPaintPen& pen, const TPaintBrush& brush) {
  if (FDepth == 0) {
    auto& c = Record(TPaintKind::Rectangle, r);
    c.Pen = pen;
    c.Brush = brush;
  }
  TNest nest(FDepth);
  TRasterPainter::Rectangle(r, pen, brush);
}

void TRecordingPainter::RoundRect(const TRect& r, int ellipseWidth, int ellipseHeight, const TPaintPen& pen,
                                  const TPaintBrush& brush) {
  if (FDepth == 0) {
    auto& c = Record(TPaintKind::RoundRect, r);
    c.Pen = pen;
    c.Brush = brush;
  }
  TNest nest(FDepth);
  TRasterPainter::RoundRect(r, ellipseWidth, ellipseHeight, pen, brush);
}

void TRecordingPainter::Ellipse(const TRect& r, const TPaintPen& pen, const TPaintBrush& brush) {
  if (FDepth == 0) {
    auto& c = Record(TPaintKind::Ellipse, r);
    c.Pen = pen;
    c.Brush = brush;
  }
  TNest nest(FDepth);
  TRasterPainter::Ellipse(r, pen, brush);
}

void TRecordingPainter::FillRect(const TRect& r, const TPaintBrush& brush) {
  if (FDepth == 0) Record(TPaintKind::FillRect, r).Brush = brush;
  TNest nest(FDepth);
  TRasterPainter::FillRect(r, brush);
}

void TRecordingPainter::FocusRect(const TRect& r) {
  if (FDepth == 0) Record(TPaintKind::FocusRect, r);
  TNest nest(FDepth);
  TRasterPainter::FocusRect(r);
}

void TRecordingPainter::TextRun(int x, int y, const std::string& text, const TPaintFont& font, COLORREF color,
                                bool opaque, COLORREF background) {
  if (FDepth == 0) {
    TTextMetric tm = Metrics(font);
    auto& c = Record(TPaintKind::Text, {x, y, x + TextWidth(font, text), y + tm.tmHeight});
    c.Text = text;
    c.Font = font;
    c.Color = color;
    c.Opaque = opaque;
    c.Background = background;
  }
  TNest nest(FDepth);
  TRasterPainter::TextRun(x, y, text, font, color, opaque, background);
}

void TRecordingPainter::Blit(const TRect& dest, const TBitmap& source, const TRect& sourceRect, DWORD rop) {
  if (FDepth == 0) Record(TPaintKind::Blit, dest);
  TNest nest(FDepth);
  TRasterPainter::Blit(dest, source, sourceRect, rop);
}

void TRecordingPainter::SetPixel(int x, int y, COLORREF color) {
  if (FDepth == 0) Record(TPaintKind::SetPixel, {x, y, x + 1, y + 1}).Color = color;
  TNest nest(FDepth);
  TRasterPainter::SetPixel(x, y, color);
}

void TRecordingPainter::Path(const TPath& path, const TPaintPen& pen, const TPaintBrush& brush, TFillMode mode) {
  if (FDepth == 0) {
    auto& c = Record(TPaintKind::Path, path.Bounds());
    c.Path = path;
    c.Pen = pen;
    c.Brush = brush;
    c.FillMode = mode;
  }
  TNest nest(FDepth);
  TRasterPainter::Path(path, pen, brush, mode);
}
