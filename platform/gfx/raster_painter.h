// The painter a bitmap gets when no backend draws for it: solid fills, outlines, pixels and
// bitmap copies go into the bitmap's pixels; text is measured with the fixed metrics and not
// drawn. The headless backend builds its recording painter on it.
#pragma once

#include "platform/gfx/painter.h"

class TBitmap;

class TRasterPainter : public TPainter {
public:
  // Draws into `target`, or only measures when it is null (a device of the given size).
  explicit TRasterPainter(TBitmap* target, int width = 0, int height = 0, int dpi = 96);
  explicit TRasterPainter(TBitmap& target) : TRasterPainter(&target) {}

  int DeviceWidth() const override;
  int DeviceHeight() const override;
  int DpiX() const override { return FDpi; }
  int DpiY() const override { return FDpi; }
  void SetClip(const std::vector<TRect>& rects, bool clipped) override;
  void Polyline(const std::vector<TPoint>& points, const TPaintPen& pen) override;
  void Polygon(const std::vector<TPoint>& points, const TPaintPen& pen, const TPaintBrush& brush,
               TFillMode mode) override;
  void Rectangle(const TRect& r, const TPaintPen& pen, const TPaintBrush& brush) override;
  void RoundRect(const TRect& r, int ellipseWidth, int ellipseHeight, const TPaintPen& pen,
                 const TPaintBrush& brush) override;
  void Ellipse(const TRect& r, const TPaintPen& pen, const TPaintBrush& brush) override;
  void FillRect(const TRect& r, const TPaintBrush& brush) override;
  void FocusRect(const TRect& r) override;
  void TextRun(int x, int y, const std::string& text, const TPaintFont& font, COLORREF color,
               bool opaque, COLORREF background) override;
  void Blit(const TRect& dest, const TBitmap& source, const TRect& sourceRect, DWORD rop) override;
  COLORREF GetPixel(int x, int y) override;
  void SetPixel(int x, int y, COLORREF color) override;
  TTextMetric Metrics(const TPaintFont& font) override;
  int TextWidth(const TPaintFont& font, const std::string& text) override;

  TBitmap* Target() const { return FTarget; }
  void SetTarget(TBitmap* target) { FTarget = target; }

protected:
  bool Visible(int x, int y) const;
  void Plot(int x, int y, COLORREF color, TPenMode mode = pmCopy);
  void Line(TPoint a, TPoint b, const TPaintPen& pen);

private:
  TBitmap* FTarget;
  int FWidth;
  int FHeight;
  int FDpi;
  std::vector<TRect> FClip;
  bool FClipped = false;
};
