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
  QN_PAINTER_DRAWS;
  QN_PAINTER_READS;

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
