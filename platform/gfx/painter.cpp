#include "platform/gfx/painter.h"

#include <climits>
#include <cmath>

#include "platform/gfx/paths.h"

namespace {

// Character and cell height of a font height. Heights no device could draw (a corrupt
// picture can ask for millions of pixels) are held to a bound that keeps every figure
// derived from them, widths of long texts included, inside an int.
constexpr int kMaxFixedHeight = 1 << 16;

void FixedHeights(int height, int& c, int& h) {
  if (height == 0) height = -11;
  if (height < 0) {
    c = height < -kMaxFixedHeight ? kMaxFixedHeight : -height;
    h = c + c / 5;
  } else {
    h = height > kMaxFixedHeight ? kMaxFixedHeight : height;
    c = h - h / 6;
  }
}

}  // namespace

TTextMetric FixedTextMetrics(int height) {
  int c = 0, h = 0;
  FixedHeights(height, c, h);
  TTextMetric tm;
  tm.tmHeight = h;
  tm.tmInternalLeading = h - c;
  tm.tmAscent = h - h / 5;
  tm.tmDescent = h / 5;
  tm.tmExternalLeading = 0;
  tm.tmAveCharWidth = (h + 1) / 2;
  tm.tmMaxCharWidth = (h + 1) / 2;
  return tm;
}

int FixedTextWidth(int height, const std::string& text) {
  int c = 0, h = 0;
  FixedHeights(height, c, h);
  long long advances = 0;
  for (unsigned char ch : text) {
    if ((ch & 0xC0) == 0x80) continue;
    advances += ch == '\t' ? 8 : 1;
  }
  const long long width = advances * ((h + 1) / 2);
  return width > INT_MAX ? INT_MAX : static_cast<int>(width);
}

int Utf8CodePoints(const std::string& text) {
  int n = 0;
  for (unsigned char ch : text)
    if ((ch & 0xC0) != 0x80) ++n;
  return n;
}

void TPainter::Path(const TPath& path, const TPaintPen& pen, const TPaintBrush& brush, TFillMode mode) {
  if (brush.Style != bsClear) {
    for (const auto& r : path.ToRegion(mode).Rects) FillRect(r, brush);
  }
  if (pen.Style == psClear) return;
  for (const auto& f : path.Figures()) {
    std::vector<TPoint> points;
    for (const auto& p : f.Points) points.push_back({static_cast<int>(std::lround(p.X)), static_cast<int>(std::lround(p.Y))});
    if (f.Closed && !points.empty()) points.push_back(points.front());
    if (points.size() >= 2) Polyline(points, pen);
  }
}

void TPainter::TextPath(int x, int y, const std::string& text, const TPaintFont& font, TPath& path) {
  int height = Metrics(font).tmHeight;
  std::size_t i = 0;
  int cx = x;
  while (i < text.size()) {
    std::size_t next = i + 1;
    while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
    std::string ch = text.substr(i, next - i);
    int w = TextWidth(font, ch);
    if (ch != " ")
      path.AddPolygon({{double(cx), double(y)}, {double(cx + w), double(y)}, {double(cx + w), double(y + height)},
                       {double(cx), double(y + height)}}, true);
    cx += w;
    i = next;
  }
}
