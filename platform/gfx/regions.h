// Regions: sets of device pixels kept as rectangles in bands (top to bottom, and inside a band
// left to right, none overlapping), the way the system's clip regions work. Polygon and path
// regions are scan-converted at pixel centres, so a region is exactly the pixels it covers.
#pragma once

#include <vector>

#include "platform/gfx/painter.h"
#include "platform/rtl/win_types.h"

struct TPointD {
  double X = 0;
  double Y = 0;
};

struct TRegion {
  std::vector<TRect> Rects;  // normalised bands

  static TRegion FromRect(const TRect& r);
  // Closed polygons (each implicitly closed) filled by the rule.
  static TRegion FromPolygons(const std::vector<std::vector<TPointD>>& polygons, TFillMode mode);
  // Any rectangles: their union, normalised.
  static TRegion FromRects(const std::vector<TRect>& rects);

  bool Empty() const { return Rects.empty(); }
  TRect Bounds() const;
  bool Contains(int x, int y) const;
  void Offset(int dx, int dy);
  friend bool operator==(const TRegion&, const TRegion&) = default;
};

enum { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum { NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3, RGN_ERROR = 0 };
enum { ALTERNATE = 1, WINDING = 2 };

// `a` combined with `b` by one of the RGN_ modes (RGN_COPY takes `a`).
TRegion CombineRegions(const TRegion& a, const TRegion& b, int mode);
// NULLREGION, SIMPLEREGION or COMPLEXREGION.
int RegionKind(const TRegion& region);

using HRGN = TRegion*;

// The Win32 calls. Regions are made with these and freed with DeleteObject.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const TRect& r);
HRGN CreatePolygonRgn(const TPoint* points, int count, int fillMode);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
// `dest` := `a` op `b`; returns the kind of the result, RGN_ERROR for missing regions.
int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode);
bool PtInRegion(HRGN region, int x, int y);
bool RectInRegion(HRGN region, const TRect* r);
int GetRgnBox(HRGN region, TRect* box);
int OffsetRgn(HRGN region, int dx, int dy);
bool EqualRgn(HRGN a, HRGN b);
bool SetRectRgn(HRGN region, int left, int top, int right, int bottom);
bool DeleteObject(HRGN region);
