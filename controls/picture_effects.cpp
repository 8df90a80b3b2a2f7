#include "controls/picture_effects.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/rtl/random.h"
#include "platform/rtl/sysutils.h"

namespace {

inline int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

inline BYTE* Pixel(TBitmap& b, int x, int y) { return b.ScanLine(y) + 3 * x; }

void Make24(TBitmap& b) { b.SetPixelFormat(pf24bit); }

// out[i] = mean of up[i], down[i], up[i + 2d] and down[i + 2d] for `count` bytes; the rows are
// distinct, so the loop is free to work on many bytes at once.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("tree-vectorize")))
#endif
void BlurBytes(BYTE* __restrict out, const BYTE* __restrict up, const BYTE* __restrict down, int d, int count) {
  for (int i = 0; i < count; ++i)
    out[i] = static_cast<BYTE>((up[i] + down[i] + up[i + 2 * d] + down[i + 2 * d]) >> 2);
}

// sums[k] = above[k + 3] + below[k + 3] + row[k + 6]: the parts of an anti-alias mean known
// before the row is changed.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("tree-vectorize")))
#endif
void SumThree(int* __restrict sums, const BYTE* __restrict above, const BYTE* __restrict below,
              const BYTE* __restrict row, int count) {
  for (int k = 0; k < count; ++k) sums[k] = above[k + 3] + below[k + 3] + row[k + 6];
}

}  // namespace

void EmbossBitmap(TBitmap& bitmap) {
  Make24(bitmap);
  const int w = bitmap.Width(), h = bitmap.Height();
  if (w <= 0 || h <= 0) return;
  auto row = [&](int y, int against) {
    BYTE* p = bitmap.ScanLine(y);
    const BYTE* q = bitmap.ScanLine(against);
    for (int x = 0; x < w; ++x) {
      // Three columns on, except for the last three, which take their own column.
      const BYTE* o = q + 3 * (x <= w - 4 ? x + 3 : x);
      for (int c = 0; c < 3; ++c) p[3 * x + c] = static_cast<BYTE>((p[3 * x + c] + (255 - o[c])) / 2);
    }
  };
  for (int y = 0; y + 1 < h; ++y) row(y, y + 1);
  // The last row against the one above it (already changed); a single row against itself.
  row(h - 1, std::max(h - 2, 0));
}

void MosaicBitmap(TBitmap& bitmap, int block) {
  Make24(bitmap);
  if (block <= 0) return;
  const int w = bitmap.Width(), h = bitmap.Height();
  for (int by = 0; by < h; by += block) {
    const int bottom = std::min(by + block, h);
    for (int bx = 0; bx < w; bx += block) {
      const int right = std::min(bx + block, w);
      const BYTE* src = Pixel(bitmap, bx, by);
      const BYTE color[3] = {src[0], src[1], src[2]};
      for (int y = by; y < bottom; ++y) {
        BYTE* p = Pixel(bitmap, bx, y);
        for (int x = bx; x < right; ++x, p += 3) {
          p[0] = color[0];
          p[1] = color[1];
          p[2] = color[2];
        }
      }
    }
  }
}

void SplitBlurBitmap(TBitmap& bitmap, int distance) {
  Make24(bitmap);
  const int w = bitmap.Width(), h = bitmap.Height();
  if (w <= 0 || h <= 0) return;
  // The column pair of every x, worked out once: x - A when inside, else x; x + A when
  // inside, else W - x, which for x = 0 lies one past the last column: the last column then.
  std::vector<int> left(static_cast<std::size_t>(w)), right(static_cast<std::size_t>(w));
  for (int x = 0; x < w; ++x) {
    left[static_cast<std::size_t>(x)] = 3 * (x - distance >= 0 ? x - distance : x);
    right[static_cast<std::size_t>(x)] = 3 * std::min(x + distance < w ? x + distance : w - x, w - 1);
  }
  for (int y = 0; y < h; ++y) {
    const int up = y - distance >= 0 ? y - distance : y;
    const int down = std::min(y + distance < h ? y + distance : h - y, h - 1);
    const BYTE* upper = bitmap.ScanLine(up);
    const BYTE* lower = bitmap.ScanLine(down);
    BYTE* p = bitmap.ScanLine(y);
    auto pixels = [&](int from, int to) {
      for (int x = from; x < to; ++x) {
        const int l = left[static_cast<std::size_t>(x)], r = right[static_cast<std::size_t>(x)];
        for (int c = 0; c < 3; ++c)
          p[3 * x + c] = static_cast<BYTE>((upper[l + c] + lower[l + c] + upper[r + c] + lower[r + c]) / 4);
      }
    };
    if (up == y || down == y || 2 * distance >= w) {
      pixels(0, w);
      continue;
    }
    // Both sample rows differ from this one and the inner columns sample x - A and x + A: the
    // bytes of the row do not depend on each other.
    pixels(0, distance);
    BlurBytes(p + 3 * distance, upper, lower, 3 * distance, 3 * (w - 2 * distance));
    pixels(w - distance, w);
  }
}

void GaussianBlurBitmap(TBitmap& bitmap, int strength) {
  for (int i = 0; i <= strength; ++i) SplitBlurBitmap(bitmap, 3);
}

void AntiAliasBitmap(TBitmap& bitmap, int passes) {
  Make24(bitmap);
  const int w = bitmap.Width(), h = bitmap.Height();
  if (w < 3 || h < 3) return;
  // Above, below and right of each byte do not change while the row is done: their sums come
  // first, then the pass along the row adds the left neighbour just smoothed.
  std::vector<int> sums(static_cast<std::size_t>(3 * w));
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 1; y < h - 1; ++y) {
      SumThree(sums.data(), bitmap.ScanLine(y - 1), bitmap.ScanLine(y + 1), bitmap.ScanLine(y), 3 * w - 6);
      BYTE* p = bitmap.ScanLine(y);
      const int* s = sums.data();
      int b = p[0], g = p[1], r = p[2];  // the left neighbour, kept at hand
      for (int x = 1; x < w - 1; ++x, s += 3) {
        b = (s[0] + b) >> 2;
        g = (s[1] + g) >> 2;
        r = (s[2] + r) >> 2;
        p[3 * x] = static_cast<BYTE>(b);
        p[3 * x + 1] = static_cast<BYTE>(g);
        p[3 * x + 2] = static_cast<BYTE>(r);
      }
    }
  }
}

int TracePaletteIndex(BYTE red, BYTE green, BYTE blue) {
  return (red >> 5) << 5 | (green >> 5) << 2 | blue >> 6;
}

void TraceBitmap(TBitmap& bitmap, int passes) {
  Make24(bitmap);
  const int w = bitmap.Width(), h = bitmap.Height();
  if (w <= 0 || h <= 0) return;
  std::vector<BYTE> index(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const BYTE* p = Pixel(bitmap, x, y);
      index[static_cast<std::size_t>(y) * w + x] = static_cast<BYTE>(TracePaletteIndex(p[2], p[1], p[0]));
    }
  auto at = [&](int x, int y) { return index[static_cast<std::size_t>(y) * w + x]; };
  auto mark = [&](int x, int y) {
    BYTE* p = Pixel(bitmap, x, y);
    p[0] = p[1] = p[2] = 0;
  };
  bool marking = false;
  int traced = 0;
  // Where the neighbour (nx, ny) differs: the first difference marks (x, y) and follows the
  // neighbour's index; later ones mark the neighbour when (x, y) has the traced index.
  auto compare = [&](int x, int y, int nx, int ny) {
    const int i = at(x, y), n = at(nx, ny);
    if (n == i) return;
    if (!marking) {
      mark(x, y);
      marking = true;
      traced = n;
    } else if (i == traced) {
      mark(nx, ny);
    } else {
      mark(x, y);
    }
  };
  for (int pass = 1; pass <= passes; ++pass) {
    for (int y = 0; y <= h - 2; ++y)
      for (int x = 0; x <= w - 3; ++x) {
        compare(x, y, x + 1, y);
        compare(x, y, x, y + 1);
      }
    if (pass < 2) continue;
    for (int y = h - 1; y >= 1; --y)
      for (int x = w - 1; x >= 2; --x) {
        compare(x, y, x - 1, y);
        compare(x, y, x, y - 1);
      }
  }
}

void BilinearResample(const TBitmap& source, TBitmap& target) {
  target.SetPixelFormat(pf24bit);
  const int sw = source.Width(), sh = source.Height();
  const int tw = target.Width(), th = target.Height();
  if (sw <= 0 || sh <= 0 || tw <= 0 || th <= 0) return;
  const long long xstep = (static_cast<long long>(sw - 1) * 32768) / tw;
  const long long ystep = (static_cast<long long>(sh - 1) * 32768) / th;
  for (int ty = 0; ty < th; ++ty) {
    const long long fy = ty * ystep;
    const int upperRow = static_cast<int>(fy / 32768);
    const int lowerRow = std::min(upperRow + 1, sh - 1);
    const long long wy = fy % 32768;
    const BYTE* upper = source.ScanLine(upperRow);
    const BYTE* lower = source.ScanLine(lowerRow);
    BYTE* out = target.ScanLine(ty);
    for (int tx = 0; tx < tw; ++tx) {
      const long long fx = tx * xstep;
      const int sx = static_cast<int>(fx / 32768);
      // The next column, kept inside a source one pixel wide.
      const int sx1 = std::min(sx + 1, sw - 1);
      const long long wx = fx % 32768;
      const long long w11 = wx * (32768 - wy) / 32768;
      const long long w00 = (32768 - wy) - w11;
      const long long w10 = wx * wy / 32768;
      const long long w01 = wy - w10;
      for (int c = 0; c < 3; ++c) {
        const long long v = upper[3 * sx1 + c] * w11 + upper[3 * sx + c] * w00 + lower[3 * sx1 + c] * w10 +
                            lower[3 * sx + c] * w01;
        out[3 * tx + c] = static_cast<BYTE>(v / 32768);
      }
    }
  }
}

void TileBitmap(TBitmap& bitmap, const TBitmap& source, int& tiles) {
  Make24(bitmap);
  if (tiles <= 0) return;
  const int w = bitmap.Width(), h = bitmap.Height();
  const int th = std::max(10, h / tiles), tw = std::max(10, w / tiles);
  if (th == 10 && tw == 10) tiles = std::max(w, h) / 10;
  TBitmap tile(tw, th, pf24bit);
  BilinearResample(source, tile);
  for (int row = 0; row * th <= h; ++row)
    for (int col = 0; col * tw <= w; ++col) {
      const int x0 = col * tw, y0 = row * th;
      const int cols = std::min(tw, w - x0), rows = std::min(th, h - y0);
      for (int y = 0; y < rows; ++y)
        std::copy_n(tile.ScanLine(y), 3 * std::max(cols, 0), bitmap.ScanLine(y0 + y) + 3 * x0);
    }
}

void FillNoise(TBitmap& noise, int width, int height, int amplitude, bool mono) {
  noise.SetPixelFormat(pf24bit);
  noise.SetSize(width, height);
  const int middle = amplitude / 2;
  // A generator of its own for the millions of draws (splitmix64, two draws a step), seeded
  // from the run-time generator.
  std::uint64_t state = static_cast<std::uint64_t>(Random(0x7FFFFFFF)) << 31 ^ static_cast<std::uint64_t>(Random(0x7FFFFFFF));
  std::uint64_t bits = 0;
  bool half = false;
  const std::uint64_t range = static_cast<std::uint64_t>(std::max(amplitude, 1));
  auto draw = [&]() {
    if (!half) {
      std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      bits = z ^ (z >> 31);
    }
    half = !half;
    const std::uint64_t value = half ? bits & 0xFFFFFFFFu : bits >> 32;
    return static_cast<int>((value * range) >> 32);
  };
  for (int y = 0; y < height; ++y) {
    BYTE* p = noise.ScanLine(y);
    for (int x = 0; x < width; ++x, p += 3) {
      if (mono) {
        p[0] = p[1] = p[2] = static_cast<BYTE>(Clamp255(draw() - middle));
      } else {
        p[2] = static_cast<BYTE>(Clamp255(draw() - middle));
        p[1] = static_cast<BYTE>(Clamp255(draw() - middle));
        p[0] = static_cast<BYTE>(Clamp255(draw() - middle));
      }
    }
  }
}

void ApplyPixelEffects(const TBitmap& source, const TBitmap* noise, const TPixelEffects& e, TBitmap& target) {
  const int w = source.Width(), h = source.Height();
  target.SetPixelFormat(pf24bit);
  target.SetSize(w, h);
  // What a channel c of the source becomes before noise and brightness: posterized (or,
  // for a solarized pixel, inverted), then moved by contrast, lightness and darkness.
  auto shift = [&](int c) {
    int k = 0;
    if (e.Contrast != 0) {
      k = std::abs(c - 127) * e.Contrast / 255;
      if (c <= 127) k = -k;
    }
    const int light = e.Lightness != 0 ? (255 - c) * e.Lightness / 255 : 0;
    const int dark = e.Darkness != 0 ? -(c * e.Darkness) / 255 : 0;
    return c + k + light + dark;
  };
  std::array<int, 256> plain{}, solarized{};
  for (int c = 0; c < 256; ++c) {
    int p = c;
    if (e.Posterize != 0) p = static_cast<int>(Round(static_cast<double>(c) / e.Posterize)) * e.Posterize;
    plain[static_cast<std::size_t>(c)] = shift(p);
    solarized[static_cast<std::size_t>(c)] = shift(255 - c);
  }
  std::array<BYTE, 256> split{};
  for (int c = 0; c < 256; ++c) {
    int v = c;
    for (int i = 0; i < e.Splitlight; ++i)
      v = static_cast<int>(Round(std::sin(v / 255.0 * std::numbers::pi / 2) * 255));
    split[static_cast<std::size_t>(c)] = static_cast<BYTE>(v);
  }
  const bool solarize = e.Posterize == 0 && e.Solorize != 0;
  const int threshold = 255 - e.Solorize;
  const bool useNoise = noise && !noise->Empty();
  for (int y = 0; y < h; ++y) {
    const BYTE* s = source.ScanLine(y);
    BYTE* t = target.ScanLine(y);
    const BYTE* n = useNoise && y < noise->Height() ? noise->ScanLine(y) : nullptr;
    const int noiseWidth = n ? noise->Width() : 0;
    for (int x = 0; x < w; ++x, s += 3, t += 3) {
      const std::array<int, 256>& table =
          solarize && (s[0] + s[1] + s[2]) / 3 > threshold ? solarized : plain;
      int v[3];  // blue, green, red
      for (int c = 0; c < 3; ++c) {
        const int noiseValue = x < noiseWidth ? n[3 * x + c] : 0;
        v[c] = split[static_cast<std::size_t>(Clamp255(noiseValue + table[s[c]] + e.Brightness))];
      }
      if (e.GrayScale) {
        const int grey = static_cast<int>(Round(0.3 * v[2] + 0.59 * v[1] + 0.11 * v[0]));
        v[0] = v[1] = v[2] = grey;
      } else if (e.Saturation != 0) {
        const int m = (v[0] + v[1] + v[2]) / 3;
        for (int& c : v) c = Clamp255(m + (c - m) * (e.Saturation + 255) / 255);
      }
      for (int c = 0; c < 3; ++c) t[c] = static_cast<BYTE>(e.Invert ? 255 - v[c] : v[c]);
    }
  }
}
