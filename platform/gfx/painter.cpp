#include "platform/gfx/painter.h"

namespace {

// Character and cell height of a font height.
void FixedHeights(int height, int& c, int& h) {
  if (height == 0) height = -11;
  if (height < 0) {
    c = -height;
    h = c + c / 5;
  } else {
    h = height;
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
  int advances = 0;
  for (unsigned char ch : text) {
    if ((ch & 0xC0) == 0x80) continue;
    advances += ch == '\t' ? 8 : 1;
  }
  return advances * ((h + 1) / 2);
}

int Utf8CodePoints(const std::string& text) {
  int n = 0;
  for (unsigned char ch : text)
    if ((ch & 0xC0) != 0x80) ++n;
  return n;
}
