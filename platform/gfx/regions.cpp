#include "platform/gfx/regions.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using TSpans = std::vector<std::pair<int, int>>;  // [left, right) in order, disjoint

struct TBand {
  int Top;
  int Bottom;
  TSpans Spans;
};

std::vector<TBand> ToBands(const std::vector<TRect>& rects) {
  std::vector<TBand> bands;
  for (const auto& r : rects) {
    if (bands.empty() || bands.back().Top != r.Top || bands.back().Bottom != r.Bottom)
      bands.push_back({r.Top, r.Bottom, {}});
    bands.back().Spans.push_back({r.Left, r.Right});
  }
  return bands;
}

// Appends a band, merging it with the one above when they touch and hold the same spans.
void AddBand(std::vector<TRect>& out, std::size_t& lastBandStart, int top, int bottom, const TSpans& spans) {
  if (spans.empty() || bottom <= top) return;
  if (lastBandStart < out.size() && out[lastBandStart].Bottom == top &&
      out.size() - lastBandStart == spans.size()) {
    bool same = true;
    for (std::size_t i = 0; i < spans.size() && same; ++i)
      same = out[lastBandStart + i].Left == spans[i].first && out[lastBandStart + i].Right == spans[i].second;
    if (same) {
      for (std::size_t i = lastBandStart; i < out.size(); ++i) out[i].Bottom = bottom;
      return;
    }
  }
  lastBandStart = out.size();
  for (const auto& s : spans) out.push_back({s.first, top, s.second, bottom});
}

bool Inside(bool a, bool b, int mode) {
  switch (mode) {
    case RGN_AND: return a && b;
    case RGN_OR: return a || b;
    case RGN_XOR: return a != b;
    case RGN_DIFF: return a && !b;
    default: return a;
  }
}

TSpans CombineSpans(const TSpans& a, const TSpans& b, int mode) {
  std::vector<int> xs;
  xs.reserve(2 * (a.size() + b.size()));
  for (const auto& s : a) { xs.push_back(s.first); xs.push_back(s.second); }
  for (const auto& s : b) { xs.push_back(s.first); xs.push_back(s.second); }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  TSpans out;
  std::size_t ia = 0, ib = 0;
  for (std::size_t k = 0; k + 1 < xs.size(); ++k) {
    int x = xs[k];
    while (ia < a.size() && a[ia].second <= x) ++ia;
    while (ib < b.size() && b[ib].second <= x) ++ib;
    bool inA = ia < a.size() && a[ia].first <= x;
    bool inB = ib < b.size() && b[ib].first <= x;
    if (!Inside(inA, inB, mode)) continue;
    if (!out.empty() && out.back().second == x) out.back().second = xs[k + 1];
    else out.push_back({x, xs[k + 1]});
  }
  return out;
}

// Pixels whose centres lie in [from, to).
std::pair<int, int> PixelSpan(double from, double to) {
  return {static_cast<int>(std::ceil(from - 0.5)), static_cast<int>(std::ceil(to - 0.5))};
}

}  // namespace

TRegion TRegion::FromRect(const TRect& r) {
  TRegion region;
  TRect n{std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right), std::max(r.Top, r.Bottom)};
  if (n.Right > n.Left && n.Bottom > n.Top) region.Rects.push_back(n);
  return region;
}

TRegion TRegion::FromRects(const std::vector<TRect>& rects) {
  TRegion out;
  for (const auto& r : rects) out = CombineRegions(out, FromRect(r), RGN_OR);
  return out;
}

TRegion TRegion::FromPolygons(const std::vector<std::vector<TPointD>>& polygons, TFillMode mode) {
  struct TEdge {
    double X0, Y0, X1, Y1;
    int Dir;
  };
  std::vector<TEdge> edges;
  double top = std::numeric_limits<double>::max(), bottom = std::numeric_limits<double>::lowest();
  for (const auto& poly : polygons) {
    if (poly.size() < 3) continue;
    for (std::size_t i = 0; i < poly.size(); ++i) {
      TPointD a = poly[i], b = poly[(i + 1) % poly.size()];
      top = std::min(top, a.Y);
      bottom = std::max(bottom, a.Y);
      if (a.Y == b.Y) continue;
      if (a.Y < b.Y) edges.push_back({a.X, a.Y, b.X, b.Y, 1});
      else edges.push_back({b.X, b.Y, a.X, a.Y, -1});
    }
  }
  TRegion region;
  if (edges.empty()) return region;
  int y0 = static_cast<int>(std::ceil(top - 0.5)), y1 = static_cast<int>(std::ceil(bottom - 0.5));
  std::size_t lastBand = std::numeric_limits<std::size_t>::max();
  std::vector<std::pair<double, int>> xs;
  for (int y = y0; y < y1; ++y) {
    double cy = y + 0.5;
    xs.clear();
    for (const auto& e : edges) {
      if (cy < e.Y0 || cy >= e.Y1) continue;
      xs.push_back({e.X0 + (cy - e.Y0) * (e.X1 - e.X0) / (e.Y1 - e.Y0), e.Dir});
    }
    std::sort(xs.begin(), xs.end());
    TSpans spans;
    int winding = 0;
    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
      winding += xs[i].second;
      bool inside = mode == fmWinding ? winding != 0 : (i % 2 == 0);
      if (!inside) continue;
      auto [l, r] = PixelSpan(xs[i].first, xs[i + 1].first);
      if (r <= l) continue;
      if (!spans.empty() && spans.back().second >= l) spans.back().second = std::max(spans.back().second, r);
      else spans.push_back({l, r});
    }
    AddBand(region.Rects, lastBand, y, y + 1, spans);
  }
  return region;
}

TRect TRegion::Bounds() const {
  if (Rects.empty()) return {};
  TRect b = Rects.front();
  for (const auto& r : Rects) {
    b.Left = std::min(b.Left, r.Left);
    b.Right = std::max(b.Right, r.Right);
    b.Bottom = std::max(b.Bottom, r.Bottom);
  }
  return b;
}

bool TRegion::Contains(int x, int y) const {
  for (const auto& r : Rects) {
    if (r.Top > y) break;
    if (y < r.Bottom && x >= r.Left && x < r.Right) return true;
  }
  return false;
}

void TRegion::Offset(int dx, int dy) {
  for (auto& r : Rects) {
    r.Left += dx;
    r.Right += dx;
    r.Top += dy;
    r.Bottom += dy;
  }
}

TRegion CombineRegions(const TRegion& a, const TRegion& b, int mode) {
  if (mode == RGN_COPY) return a;
  std::vector<TBand> ba = ToBands(a.Rects), bb = ToBands(b.Rects);
  std::vector<int> ys;
  for (const auto& band : ba) { ys.push_back(band.Top); ys.push_back(band.Bottom); }
  for (const auto& band : bb) { ys.push_back(band.Top); ys.push_back(band.Bottom); }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  TRegion out;
  std::size_t lastBand = std::numeric_limits<std::size_t>::max();
  std::size_t ia = 0, ib = 0;
  static const TSpans kNone;
  for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
    int y = ys[k];
    while (ia < ba.size() && ba[ia].Bottom <= y) ++ia;
    while (ib < bb.size() && bb[ib].Bottom <= y) ++ib;
    const TSpans& sa = ia < ba.size() && ba[ia].Top <= y ? ba[ia].Spans : kNone;
    const TSpans& sb = ib < bb.size() && bb[ib].Top <= y ? bb[ib].Spans : kNone;
    AddBand(out.Rects, lastBand, y, ys[k + 1], CombineSpans(sa, sb, mode));
  }
  return out;
}

int RegionKind(const TRegion& region) {
  if (region.Rects.empty()) return NULLREGION;
  return region.Rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// ---- Win32 calls ----------------------------------------------------------------------------

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return new TRegion(TRegion::FromRect({left, top, right, bottom}));
}

HRGN CreateRectRgnIndirect(const TRect& r) { return CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom); }

HRGN CreatePolygonRgn(const TPoint* points, int count, int fillMode) {
  std::vector<TPointD> poly;
  for (int i = 0; points && i < count; ++i) poly.push_back({double(points[i].X), double(points[i].Y)});
  return new TRegion(TRegion::FromPolygons({poly}, fillMode == WINDING ? fmWinding : fmAlternate));
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
  double rx = std::abs(right - left) / 2.0, ry = std::abs(bottom - top) / 2.0;
  std::vector<TPointD> poly;
  const int steps = std::clamp(static_cast<int>(rx + ry), 16, 720);
  for (int i = 0; i < steps; ++i) {
    double a = 2 * M_PI * i / steps;
    poly.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
  }
  return new TRegion(TRegion::FromPolygons({poly}, fmAlternate));
}

int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode) {
  if (!dest || !a || (mode != RGN_COPY && !b) || mode < RGN_AND || mode > RGN_COPY) return RGN_ERROR;
  *dest = CombineRegions(*a, mode == RGN_COPY ? *a : *b, mode);
  return RegionKind(*dest);
}

bool PtInRegion(HRGN region, int x, int y) { return region && region->Contains(x, y); }

bool RectInRegion(HRGN region, const TRect* r) {
  if (!region || !r) return false;
  return !CombineRegions(*region, TRegion::FromRect(*r), RGN_AND).Empty();
}

int GetRgnBox(HRGN region, TRect* box) {
  if (!region || !box) return RGN_ERROR;
  *box = region->Bounds();
  return RegionKind(*region);
}

int OffsetRgn(HRGN region, int dx, int dy) {
  if (!region) return RGN_ERROR;
  region->Offset(dx, dy);
  return RegionKind(*region);
}

bool EqualRgn(HRGN a, HRGN b) { return a && b && *a == *b; }

bool SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
  if (!region) return false;
  *region = TRegion::FromRect({left, top, right, bottom});
  return true;
}

bool DeleteObject(HRGN region) {
  if (!region) return false;
  delete region;
  return true;
}
