// Plain text on raster images without QPainter's per-call cost: a word is shaped by Qt once,
// each of its glyphs is rasterized by Qt once into a mask of pixel spans, and later draws copy
// those spans in the text colour straight into the image. The result is the same pixels Qt
// draws for a non-antialiased font; whatever cannot be drawn that way (fallback fonts, grey
// glyph edges, several glyph runs) is left to QPainter.
#pragma once

#include <QFont>
#include <QImage>
#include <QRawFont>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/gfx/painter.h"

// A map keeping what was used lately: when the newer half is full it becomes the older half,
// and what is found in the older half moves back; so common keys stay while one-off keys go.
template <typename V>
class TRecentMap {
public:
  explicit TRecentMap(std::size_t half) : FHalf(half) {}

  V* Find(const std::string& key) {
    auto it = FNew.find(key);
    if (it != FNew.end()) return &it->second;
    auto old = FOld.find(key);
    if (old == FOld.end()) return nullptr;
    V value = std::move(old->second);
    FOld.erase(old);
    return &Add(key, std::move(value));
  }
  V& Add(const std::string& key, V value) {
    if (FNew.size() >= FHalf) {
      FOld = std::move(FNew);
      FNew.clear();
    }
    return FNew.insert_or_assign(key, std::move(value)).first->second;
  }
  std::size_t Size() const { return FNew.size() + FOld.size(); }

private:
  std::size_t FHalf;
  std::unordered_map<std::string, V> FNew, FOld;
};

class TQtGlyphCache {
public:
  explicit TQtGlyphCache(const QFont& font);

  // Draws `text` with its baseline's start at (x, baseline) into `image` in `color`, inside
  // `clip` (device rectangles; none: the whole image). False when the text must be drawn by
  // QPainter instead (the image is then unchanged).
  bool Draw(QImage& image, const std::vector<TRect>* clip, int x, int baseline, const std::string& text,
            COLORREF color);
  // The advance width of `text` as QFontMetrics gives it, from the same shaping the drawing
  // uses (so a word measured and then drawn is shaped once); false when Draw leaves the text
  // to QPainter.
  bool Measure(const std::string& text, int& width);

  // The image formats Draw writes.
  static bool Supports(const QImage& image);

private:
  struct TSpan {
    std::int16_t Y, X0, X1;  // one row of ink, relative to the glyph's origin on the baseline
  };
  struct TMask {
    std::vector<TSpan> Spans;
  };
  struct TPlaced {
    int X;  // from the run's start
    int Y;  // from the baseline
    const TMask* Mask;
  };
  struct TWord {
    bool Usable = false;
    int Width = 0;
    std::vector<TPlaced> Glyphs;
  };
  TWord& Word(const std::string& text);

  TWord Shape(const std::string& text);
  const TMask* Mask(const QRawFont& raw, quint32 glyph, bool& grey);

  QFont FFont;
  QRawFont FPrimary;
  int FSize;
  TRecentMap<TWord> FWords{2048};
  std::unordered_map<quint32, TMask> FMasks;
};
