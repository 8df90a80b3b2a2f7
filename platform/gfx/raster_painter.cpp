#include "platform/gfx/raster_painter.h"

#include <algorithm>
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

// A line without its last point, as lines are drawn on Windows.
void TRasterPainter::Line(TPoint a, TPoint b, const TPaintPen& pen) {
  if (pen.Style == psClear || !FTarget) return;
  int dx = std::abs(b.X - a.X), sx = a.X < b.X ? 1 : -1;
  int dy = -std::abs(b.Y - a.Y), sy = a.Y < b.Y ? 1 : -1;
  int err = dx + dy;
  int x = a.X, y = a.Y;
  int width = std::max(1, pen.Width);
  int step = 0;
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
      for (int oy = 0; oy < width; ++oy)
        for (int ox = 0; ox < width; ++ox) Plot(x - width / 2 + ox, y - width / 2 + oy, pen.Color, pen.Mode);
    }
    ++step;
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
        double x = a.X + (cy - a.Y) * (b.X - a.X) / static_cast<double>(b.Y - a.Y);
        xs.push_back({x, b.Y > a.Y ? 1 : -1});
      }
      std::sort(xs.begin(), xs.end());
      int winding = 0;
      for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
        winding += xs[i].second;
        bool inside = mode == fmWinding ? winding != 0 : (i % 2 == 0);
        if (!inside) continue;
        for (int x = static_cast<int>(xs[i].first + 0.5); x < static_cast<int>(xs[i + 1].first + 0.5); ++x)
          Plot(x, y, brush.Color);
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
  FillRect({r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}, brush);
  Polyline({{r.Left, r.Top}, {r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1}, {r.Left, r.Bottom - 1}, {r.Left, r.Top}}, pen);
}

void TRasterPainter::RoundRect(const TRect& r, int, int, const TPaintPen& pen, const TPaintBrush& brush) {
  Rectangle(r, pen, brush);
}

void TRasterPainter::Ellipse(const TRect& r, const TPaintPen& pen, const TPaintBrush& brush) {
  double cx = (r.Left + r.Right - 1) / 2.0, cy = (r.Top + r.Bottom - 1) / 2.0;
  double rx = (r.Right - r.Left - 1) / 2.0, ry = (r.Bottom - r.Top - 1) / 2.0;
  if (rx <= 0 || ry <= 0) return;
  for (int y = r.Top; y < r.Bottom; ++y) {
    for (int x = r.Left; x < r.Right; ++x) {
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
  // Every other pixel of the outline inverted.
  for (int x = r.Left; x < r.Right; ++x) {
    if ((x + r.Top) % 2 == 0) Plot(x, r.Top, 0xFFFFFF, pmXor);
    if (r.Bottom - 1 > r.Top && (x + r.Bottom - 1) % 2 == 0) Plot(x, r.Bottom - 1, 0xFFFFFF, pmXor);
  }
  for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
    if ((r.Left + y) % 2 == 0) Plot(r.Left, y, 0xFFFFFF, pmXor);
    if (r.Right - 1 > r.Left && (r.Right - 1 + y) % 2 == 0) Plot(r.Right - 1, y, 0xFFFFFF, pmXor);
  }
}

void TRasterPainter::TextRun(int x, int y, const std::string& text, const TPaintFont& font, COLORREF,
                             bool opaque, COLORREF background) {
  // Text shows as its opaque background only: glyphs are drawn by real backends.
  if (!opaque) return;
  TPaintBrush b;
  b.Color = background;
  FillRect({x, y, x + TextWidth(font, text), y + Metrics(font).tmHeight}, b);
}

void TRasterPainter::Blit(const TRect& dest, const TBitmap& source, const TRect& sourceRect, DWORD rop) {
  if (!FTarget || IsRectEmpty(dest) || IsRectEmpty(sourceRect)) return;
  for (int y = dest.Top; y < dest.Bottom; ++y) {
    int sy = sourceRect.Top + static_cast<int>(static_cast<long long>(y - dest.Top) * sourceRect.Height() / dest.Height());
    for (int x = dest.Left; x < dest.Right; ++x) {
      if (!Visible(x, y)) continue;
      int sx = sourceRect.Left + static_cast<int>(static_cast<long long>(x - dest.Left) * sourceRect.Width() / dest.Width());
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
