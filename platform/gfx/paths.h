// Paths: our own list of moves, lines and Béziers in device coordinates, which the painter
// strokes, fills or clips with, and which turns into a region.
#pragma once

#include <vector>

#include "platform/gfx/regions.h"
#include "platform/rtl/win_types.h"

enum : BYTE { PT_CLOSEFIGURE = 0x1, PT_LINETO = 0x2, PT_BEZIERTO = 0x4, PT_MOVETO = 0x6 };

struct TPathFigure {
  std::vector<TPointD> Points;  // Béziers already flattened
  bool Closed = false;
};

struct TPath {
  std::vector<TPointD> Points;
  std::vector<BYTE> Types;  // PT_ values, PT_CLOSEFIGURE or-ed onto the last point of a figure

  bool Empty() const { return Points.empty(); }
  void Clear() { Points.clear(); Types.clear(); }
  void MoveTo(TPointD p);
  // A line or Bézier with no figure open starts one at the current point.
  void LineTo(TPointD p);
  void BezierTo(TPointD c1, TPointD c2, TPointD p);
  void CloseFigure();
  void AddPolygon(const std::vector<TPointD>& points, bool closed);
  // An ellipse in the box as four Bézier quarters, starting at the right-hand point.
  void AddEllipse(double left, double top, double right, double bottom);
  void Append(const TPath& other);
  // Every point p becomes p * scale + offset.
  void Transform(double scaleX, double scaleY, double offsetX, double offsetY);

  std::vector<TPathFigure> Figures() const;
  TRegion ToRegion(TFillMode mode) const;
  TRect Bounds() const;
};
