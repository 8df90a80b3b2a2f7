#include "platform/gfx/raster_painter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/graphics.h"

TRasterPainter::TRasterPainter(TBitmap* target, int width, int height, int dpi)
    : FTarget(target), FWidth(width), FHeight(height), FDpi(dpi > 0 ? dpi : 96) {}

int TRasterPainter::DeviceWidth() const { return FTarget ? FTarget->Width() : FWidth; }
int TRasterPainter::DeviceHeight() const { return FTarget ? FTarget->Height() : FHeight; }

void TRasterPainter::SetClip(const std::vector<TRect>& rects, bool clipped) {
  FClip = rects;
  FClipped = clipped;
}

bool TRasterPainter::Visible(int x, int y) const {
  if (!FTarget || x < 0 || y < 0 || x >= FTarget->Width() || y >= FTarget->Height()) return false;
  if (!FClipped) return true;
  for (const auto& r : FClip)
    if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) return true;
  return false;
}

void TRasterPainter::Plot(int x, int y, COLORREF color, TPenMode mode) {
  if (!Visible(x, y)) return;
  COLORREF old = FTarget->PixelAt(x, y);
  COLORREF c = color;
  switch (mode) {
    case pmBlack: c = 0; break;
    case pmWhite: c = 0xFFFFFF; break;
    case pmNop: return;
    case pmNot: c = ~old; break;
    case pmNotCopy: c = ~color; break;
    case pmXor: c = old ^ color; break;
    case pmNotXor: c = ~(old ^ color); break;
    case pmMerge: c = old | color; break;
    case pmMask: c = old & color; break;
    case pmNotMerge: c = ~(old | color); break;
    case pmNotMask: c = ~(old & color); break;
    case pmMergePenNot: c = color | ~old; break;
    case pmMaskPenNot: c = color & ~old; break;
    case pmMergeNotPen: c = ~color | old; break;
    case pmMaskNotPen: c = ~color & old; break;
    default: break;
  }
  FTarget->SetPixelAt(x, y, c & 0xFFFFFF);
}

namespace {

// The dash patterns repeat every 2, 9, 12 and 14 steps: all of them every 252.
constexpr long long kDashPeriod = 252;

// Cuts the segment a-b to the part inside `box` (Liang-Barsky); false when none is. The ends
// become the points of the line nearest the cuts.
bool CutSegment(TPoint& a, TPoint& b, const TRect& box) {
  const double x0 = a.X, y0 = a.Y, dx = static_cast<double>(b.X) - a.X, dy = static_cast<double>(b.Y) - a.Y;
  double t0 = 0, t1 = 1;
  auto edge = [&](double p, double q) {
    if (p == 0) return q >= 0;
    const double t = q / p;
    if (p < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
    return true;
  };
  if (!edge(-dx, x0 - box.Left) || !edge(dx, box.Right - x0) || !edge(-dy, y0 - box.Top) ||
      !edge(dy, box.Bottom - y0))
    return false;
  const TPoint from{static_cast<int>(std::lround(x0 + t0 * dx)), static_cast<int>(std::lround(y0 + t0 * dy))};
  const TPoint to{static_cast<int>(std::lround(x0 + t1 * dx)), static_cast<int>(std::lround(y0 + t1 * dy))};
  a = from;
  b = to;
  return true;
}

long long Span(int from, int to) { return std::llabs(static_cast<long long>(to) - from); }
// A coordinate moved by a pixel or two, held in the range of an int.
int Moved(int value, int by) {
  return static_cast<int>(std::clamp<long long>(static_cast<long long>(value) + by, INT_MIN, INT_MAX));
}

// The width or height of a rectangle, which may pass the range of an int.
long long Extent(int from, int to) { return static_cast<long long>(to) - from; }
// value * by / over without overflow (the quotient of extents of ints fits).
long long Scaled(long long value, long long by, long long over) {
  return static_cast<long long>(static_cast<__int128>(value) * by / over);
}

}  // namespace

// A line without its last point, as lines are drawn on Windows.
void TRasterPainter::Line(TPoint a, TPoint b, const TPaintPen& pen) {
  if (pen.Style == psClear || !FTarget) return;
  const int w = FTarget->Width(), h = FTarget->Height();
  // A pen twice as wide as the bitmap covers all of it from any point on it: a wider one (from
  // a damaged file, say) draws as that wide.
  const int width = std::clamp(pen.Width, 1, 2 * std::max(w, h) + 4);
  long long step = 0;
  // A line far longer than the bitmap is first cut to the part that can touch the bitmap,
  // keeping its dash phase: the steps outside cost nothing.
  const int margin = width + 2;
  const long long reach = 2LL * (w + h) + 4LL * margin;
  if (std::max(Span(a.X, b.X), Span(a.Y, b.Y)) > reach) {
    const TPoint start = a;
    if (!CutSegment(a, b, TRect{-margin, -margin, w + margin, h + margin})) return;
    step = std::max(Span(start.X, a.X), Span(start.Y, a.Y)) % kDashPeriod;
  }
  // Plots the columns [x0, x1) of row y that lie on the bitmap.
  auto span = [&](long long y, long long x0, long long x1) {
    if (y < 0 || y >= h) return;
    for (long long x = std::max(x0, 0LL); x < std::min<long long>(x1, w); ++x)
      Plot(static_cast<int>(x), static_cast<int>(y), pen.Color, pen.Mode);
  };
  int dx = std::abs(b.X - a.X), sx = a.X < b.X ? 1 : -1;
  int dy = -std::abs(b.Y - a.Y), sy = a.Y < b.Y ? 1 : -1;
  int err = dx + dy;
  int x = a.X, y = a.Y;
  // The pen's square of the step before, when that step drew.
  bool drew = false;
  long long lastLeft = 0, lastTop = 0;
  while (x != b.X || y != b.Y) {
    bool on = true;
    switch (pen.Style) {
      case psDot: on = step % 2 == 0; break;
      case psDash: on = step % 9 < 6; break;
      case psDashDot: on = step % 12 < 6 || step % 12 == 8; break;
      case psDashDotDot: on = step % 14 < 6 || step % 14 == 8 || step % 14 == 11; break;
      default: break;
    }
    if (on) {
      // The pen's square; after a step that drew, only what it adds to that step's square
      // (the squares are one pixel apart), so each pixel of a stroke is plotted once.
      const long long left = static_cast<long long>(x) - width / 2, top = static_cast<long long>(y) - width / 2;
      for (long long py = std::max(top, 0LL); py < std::min<long long>(top + width, h); ++py) {
        if (!drew || py < lastTop || py >= lastTop + width) span(py, left, left + width);
        else if (left < lastLeft) span(py, left, lastLeft);
        else if (left > lastLeft) span(py, lastLeft + width, left + width);
      }
      lastLeft = left;
      lastTop = top;
    }
    drew = on;
    step = (step + 1) % kDashPeriod;
    int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x += sx; }
    if (e2 <= dx) { err += dx; y += sy; }
  }
}

void TRasterPainter::Polyline(const std::vector<TPoint>& points, const TPaintPen& pen) {
  for (std::size_t i = 1; i < points.size(); ++i) Line(points[i - 1], points[i], pen);
}

void TRasterPainter::Polygon(const std::vector<TPoint>& points, const TPaintPen& pen,
                             const TPaintBrush& brush, TFillMode mode) {
  if (points.size() < 2) return;
  if (brush.Style == bsSolid && FTarget) {
    // Scan-line fill at pixel centres.
    int top = points[0].Y, bottom = points[0].Y;
    for (const auto& p : points) { top = std::min(top, p.Y); bottom = std::max(bottom, p.Y); }
    for (int y = std::max(top, 0); y < std::min(bottom, FTarget->Height()); ++y) {
      double cy = y + 0.5;
      std::vector<std::pair<double, int>> xs;
      for (std::size_t i = 0; i < points.size(); ++i) {
        TPoint a = points[i], b = points[(i + 1) % points.size()];
        if ((a.Y <= cy) == (b.Y <= cy)) continue;
        double x = a.X + (cy - a.Y) * (static_cast<double>(b.X) - a.X) / (static_cast<double>(b.Y) - a.Y);
        xs.push_back({x, b.Y > a.Y ? 1 : -1});
      }
      std::sort(xs.begin(), xs.end());
      int winding = 0;
      for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
        winding += xs[i].second;
        bool inside = mode == fmWinding ? winding != 0 : (i % 2 == 0);
        if (!inside) continue;
        // The span as far as it lies on the bitmap.
        const double w = FTarget->Width();
        const int from = static_cast<int>(std::clamp(xs[i].first + 0.5, 0.0, w));
        const int to = static_cast<int>(std::clamp(xs[i + 1].first + 0.5, 0.0, w));
        for (int x = from; x < to; ++x) Plot(x, y, brush.Color);
      }
    }
  }
  std::vector<TPoint> closed(points);
  closed.push_back(points.front());
  Polyline(closed, pen);
}

void TRasterPainter::Rectangle(const TRect& r, const TPaintPen& pen, const TPaintBrush& brush) {
  if (pen.Style == psClear) {
    FillRect(r, brush);
    return;
  }
  const int right = Moved(r.Right, -1), bottom = Moved(r.Bottom, -1);
  FillRect({Moved(r.Left, 1), Moved(r.Top, 1), right, bottom}, brush);
  Polyline({{r.Left, r.Top}, {right, r.Top}, {right, bottom}, {r.Left, bottom}, {r.Left, r.Top}}, pen);
}

void TRasterPainter::RoundRect(const TRect& r, int, int, const TPaintPen& pen, const TPaintBrush& brush) {
  Rectangle(r, pen, brush);
}

void TRasterPainter::Ellipse(const TRect& r, const TPaintPen& pen, const TPaintBrush& brush) {
  double cx = (static_cast<double>(r.Left) + r.Right - 1) / 2.0, cy = (static_cast<double>(r.Top) + r.Bottom - 1) / 2.0;
  double rx = (static_cast<double>(r.Right) - r.Left - 1) / 2.0, ry = (static_cast<double>(r.Bottom) - r.Top - 1) / 2.0;
  if (rx <= 0 || ry <= 0 || !FTarget) return;
  // Only the pixels on the bitmap are visited.
  const int x0 = std::max(r.Left, 0), x1 = std::min(r.Right, FTarget->Width());
  const int y0 = std::max(r.Top, 0), y1 = std::min(r.Bottom, FTarget->Height());
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      double nx = (x - cx) / rx, ny = (y - cy) / ry;
      double d = nx * nx + ny * ny;
      if (d > 1.0) continue;
      double inner = ((x - cx) / (rx - 1)) * ((x - cx) / (rx - 1)) + ((y - cy) / (ry - 1)) * ((y - cy) / (ry - 1));
      bool edge = rx <= 1 || ry <= 1 || inner > 1.0;
      if (edge && pen.Style != psClear) Plot(x, y, pen.Color, pen.Mode);
      else if (brush.Style == bsSolid) Plot(x, y, brush.Color);
    }
  }
}

void TRasterPainter::FillRect(const TRect& r, const TPaintBrush& brush) {
  if (brush.Style == bsClear || !FTarget) return;
  int left = std::max(r.Left, 0), top = std::max(r.Top, 0);
  int right = std::min(r.Right, FTarget->Width()), bottom = std::min(r.Bottom, FTarget->Height());
  if (brush.Style == bsSolid && !(brush.Bitmap && !brush.Bitmap->Empty())) {
    // A solid fill writes the rows' spans (inside the clip rectangles) directly.
    const int bpp = FTarget->BytesPerPixel();
    const BYTE b = GetBValue(brush.Color), g = GetGValue(brush.Color), rd = GetRValue(brush.Color);
    auto span = [&](int y, int x0, int x1) {
      BYTE* p = FTarget->ScanLine(y) + static_cast<std::size_t>(x0) * bpp;
      for (int x = x0; x < x1; ++x, p += bpp) {
        p[0] = b;
        p[1] = g;
        p[2] = rd;
        if (bpp == 4) p[3] = 0xFF;
      }
    };
    for (int y = top; y < bottom; ++y) {
      if (!FClipped) {
        span(y, left, right);
        continue;
      }
      for (const auto& c : FClip)
        if (y >= c.Top && y < c.Bottom) span(y, std::max(left, c.Left), std::min(right, c.Right));
    }
    return;
  }
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      bool on = true;
      switch (brush.Style) {
        case bsHorizontal: on = y % 8 == 0; break;
        case bsVertical: on = x % 8 == 0; break;
        case bsFDiagonal: on = (x - y) % 8 == 0; break;
        case bsBDiagonal: on = (x + y) % 8 == 0; break;
        case bsCross: on = x % 8 == 0 || y % 8 == 0; break;
        case bsDiagCross: on = (x - y) % 8 == 0 || (x + y) % 8 == 0; break;
        default: break;
      }
      if (brush.Bitmap && !brush.Bitmap->Empty()) {
        Plot(x, y, brush.Bitmap->PixelAt(x % brush.Bitmap->Width(), y % brush.Bitmap->Height()));
      } else if (on) {
        Plot(x, y, brush.Color);
      }
    }
  }
}

void TRasterPainter::FocusRect(const TRect& r) {
  if (!FTarget) return;
  // Every other pixel of the outline inverted (only those on the bitmap are visited).
  auto even = [](long long a, long long b) { return (a + b) % 2 == 0; };
  const int right = Moved(r.Right, -1), bottom = Moved(r.Bottom, -1);
  for (int x = std::max(r.Left, -1); x < std::min(r.Right, FTarget->Width() + 1); ++x) {
    if (even(x, r.Top)) Plot(x, r.Top, 0xFFFFFF, pmXor);
    if (bottom > r.Top && even(x, bottom)) Plot(x, bottom, 0xFFFFFF, pmXor);
  }
  for (int y = std::max(Moved(r.Top, 1), -1); y < std::min(bottom, FTarget->Height() + 1); ++y) {
    if (even(r.Left, y)) Plot(r.Left, y, 0xFFFFFF, pmXor);
    if (right > r.Left && even(right, y)) Plot(right, y, 0xFFFFFF, pmXor);
  }
}

void TRasterPainter::TextRun(int x, int y, const std::string& text, const TPaintFont& font, COLORREF,
                             bool opaque, COLORREF background) {
  // Text shows as its opaque background only: glyphs are drawn by real backends.
  if (!opaque) return;
  TPaintBrush b;
  b.Color = background;
  FillRect({x, y, Moved(x, TextWidth(font, text)), Moved(y, Metrics(font).tmHeight)}, b);
}

void TRasterPainter::Blit(const TRect& dest, const TBitmap& source, const TRect& sourceRect, DWORD rop) {
  if (!FTarget || IsRectEmpty(dest) || IsRectEmpty(sourceRect)) return;
  // Only the pixels on the bitmap are visited.
  for (int y = std::max(dest.Top, 0); y < std::min(dest.Bottom, FTarget->Height()); ++y) {
    const long long sy = sourceRect.Top + Scaled(Extent(dest.Top, y), Extent(sourceRect.Top, sourceRect.Bottom),
                                                 Extent(dest.Top, dest.Bottom));
    for (int x = std::max(dest.Left, 0); x < std::min(dest.Right, FTarget->Width()); ++x) {
      if (!Visible(x, y)) continue;
      const long long sx = sourceRect.Left + Scaled(Extent(dest.Left, x), Extent(sourceRect.Left, sourceRect.Right),
                                                    Extent(dest.Left, dest.Right));
      COLORREF s = (sx >= 0 && sy >= 0 && sx < source.Width() && sy < source.Height()) ? source.PixelAt(sx, sy) : 0;
      COLORREF d = FTarget->PixelAt(x, y);
      COLORREF c = s;
      switch (rop) {
        case SRCPAINT: c = s | d; break;
        case SRCAND: c = s & d; break;
        case SRCINVERT: c = s ^ d; break;
        case SRCERASE: c = s & ~d; break;
        case NOTSRCCOPY: c = ~s; break;
        case NOTSRCERASE: c = ~(s | d); break;
        case MERGEPAINT: c = ~s | d; break;
        case DSTINVERT: c = ~d; break;
        case BLACKNESS: c = 0; break;
        case WHITENESS: c = 0xFFFFFF; break;
        default: break;
      }
      FTarget->SetPixelAt(x, y, c & 0xFFFFFF);
    }
  }
}

COLORREF TRasterPainter::GetPixel(int x, int y) {
  if (!FTarget || x < 0 || y < 0 || x >= FTarget->Width() || y >= FTarget->Height()) return 0xFFFFFFFF;
  return FTarget->PixelAt(x, y);
}

void TRasterPainter::SetPixel(int x, int y, COLORREF color) { Plot(x, y, color); }

TTextMetric TRasterPainter::Metrics(const TPaintFont& font) { return FixedTextMetrics(font.Height); }

int TRasterPainter::TextWidth(const TPaintFont& font, const std::string& text) {
  return FixedTextWidth(font.Height, text);
}
