#include "controls/colour_convert.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/sysutils.h"

namespace {

// Corners of the hue circle, red, green and blue as -1 or 1, by sector.
const int kCorners[6][3] = {{1, -1, -1}, {1, 1, -1}, {-1, 1, -1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}};

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

void CheckRange(const std::array<double, 3>& v, const char* routine, const char* const names[3]) {
  for (int i = 0; i < 3; ++i)
    if (!(v[static_cast<std::size_t>(i)] >= 0.0 && v[static_cast<std::size_t>(i)] <= 1.0))
      throw EColorConv(std::string(routine) + ": 0 <= " + names[i] + " value <= 1 required");
}

}  // namespace

void HLS2RGB(const THLSTriple& hls, TRGBTriple& rgb) {
  static const char* const names[3] = {"Hue", "Luminance", "Saturation"};
  CheckRange(hls, "HLS2RGB", names);
  const double h = hls[0], l = hls[1], s = hls[2];
  const int sector = static_cast<int>(std::trunc(6 * h)) % 6;
  const int next = (sector + 1) % 6;
  const double f = 6 * h - std::trunc(6 * h);
  TRGBTriple out;
  for (int i = 0; i < 3; ++i) {
    double c = (kCorners[next][i] - kCorners[sector][i]) * f + kCorners[sector][i];
    c *= s;
    c = l <= 0.5 ? (c + 1) * l : (1 - l) * c + l;
    out[static_cast<std::size_t>(i)] = Clamp01(c);
  }
  rgb = out;
}

void RGB2HLS(const TRGBTriple& rgb, THLSTriple& hls) {
  static const char* const names[3] = {"Red", "Green", "Blue"};
  CheckRange(rgb, "RGB2HLS", names);
  // Centred on the middle grey: the largest magnitude tells a grey of 0.5 apart.
  double largest = 0;
  for (double v : rgb) largest = std::max(largest, std::abs(2 * v - 1));
  if (largest < 1e-8) {
    hls = {0.0, 0.5, 0.0};
    return;
  }
  const double r = rgb[0], g = rgb[1], b = rgb[2];
  if (r == g && g == b) {
    hls = {0.0, r, 0.0};
    return;
  }
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  const double d = mx - mn;
  const double l = (mx + mn) / 2;
  const double s = l <= 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
  // The sector runs from one corner of the hue circle to the next; the middle component's
  // place between the smallest and the largest is the position inside it.
  double h;
  if (r == mx && b == mn) h = 0 + (g - mn) / d;
  else if (g == mx && b == mn) h = 1 + (mx - r) / d;
  else if (g == mx && r == mn) h = 2 + (b - mn) / d;
  else if (b == mx && r == mn) h = 3 + (mx - g) / d;
  else if (b == mx && g == mn) h = 4 + (r - mn) / d;
  else h = 5 + (mx - b) / d;
  hls = {Clamp01(h / 6), Clamp01(l), Clamp01(s)};
}

void ShadeColors(TColor color, TColor& highlight, TColor& shadow, float shadowFactor, float highlightFactor) {
  const COLORREF c = ColorToRGB(color);
  const int channels[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
  int hi[3];
  for (int i = 0; i < 3; ++i)
    hi[i] = 255 - static_cast<int>(Round((256 - channels[i]) * static_cast<double>(highlightFactor)) % 256);
  THLSTriple hls;
  RGB2HLS({channels[0] / 255.0, channels[1] / 255.0, channels[2] / 255.0}, hls);
  hls[1] = Clamp01(hls[1] * static_cast<double>(shadowFactor));
  TRGBTriple rgb;
  HLS2RGB(hls, rgb);
  highlight = static_cast<TColor>(RGB(hi[0], hi[1], hi[2]));
  shadow = static_cast<TColor>(RGB(static_cast<int>(Round(rgb[0] * 255)), static_cast<int>(Round(rgb[1] * 255)),
                                   static_cast<int>(Round(rgb[2] * 255))));
}
