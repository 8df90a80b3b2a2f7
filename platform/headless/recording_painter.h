// The headless painter: records every call in device coordinates with the font, pen, brush
// and clip in force, and (on a bitmap) writes the pixels of solid fills, pixels and bitmap
// copies. Text is measured with the fixed metrics.
#pragma once

#include <string>
#include <vector>

#include "platform/gfx/paths.h"
#include "platform/gfx/raster_painter.h"

enum class TPaintKind { Polyline, Polygon, Rectangle, RoundRect, Ellipse, FillRect, FocusRect, Text, Blit, SetPixel, Path };

struct TPaintCall {
  TPaintKind Kind;
  TRect Rect;                 // the shape's rectangle; for text the run's extent
  std::vector<TPoint> Points; // polylines and polygons
  std::string Text;
  TPaintFont Font;
  COLORREF Color = 0;         // text colour, pixel colour
  bool Opaque = false;
  COLORREF Background = 0;
  TPaintPen Pen;
  TPaintBrush Brush;
  std::vector<TRect> Clip;
  bool Clipped = false;
  TPath Path;                 // paths
  TFillMode FillMode = fmAlternate;
};

class TRecordingPainter : public TRasterPainter {
public:
  // Records onto `target`'s pixels, or (null) on a device of the given size.
  explicit TRecordingPainter(TBitmap* target, int width = 0, int height = 0, int dpi = 96)
      : TRasterPainter(target, width, height, dpi) {}

  const std::vector<TPaintCall>& Calls() const { return FCalls; }
  void Clear() { FCalls.clear(); }
  // The text runs in drawing order.
  std::vector<const TPaintCall*> TextCalls() const;

  // Every drawing call is recorded, then drawn by the raster painter.
  QN_PAINTER_DRAWS;
  void Path(const TPath& path, const TPaintPen& pen, const TPaintBrush& brush, TFillMode mode) override;

private:
  TPaintCall& Record(TPaintKind kind, const TRect& r);
  std::vector<TPaintCall> FCalls;
  std::vector<TRect> FClip;
  bool FClipped = false;
  // Shapes drawn by the base class through the virtual calls are recorded once.
  int FDepth = 0;
};
