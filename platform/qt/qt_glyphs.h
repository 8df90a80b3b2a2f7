// Plain text on raster images without QPainter's per-call cost: a word is shaped by Qt once,
// each of its glyphs is rasterized by Qt once into a mask of pixel spans, and later draws copy
// those spans in the text colour straight into the image. Words of printable ASCII are laid
// out from a table of the font's own advances and of the pair adjustments Qt's shaping gives
// each pair of characters (shaped once per pair), which is what shaping the whole word gives.
// An underline is a filled band where QPainter strokes it. The result is the same pixels Qt
// draws for a non-antialiased font; whatever cannot be drawn that way (fallback fonts, grey
// glyph edges, several glyph runs, control characters) is left to the caller.
#pragma once

#include <QFont>
#include <QImage>
#include <QRawFont>
#include <QList>
#include <QPointF>
#include <climits>
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
  // `clip` (device rectangles; none: the whole image), underlined when the font is. False when
  // the text must be drawn by QPainter instead (the image is then unchanged).
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
    bool Grey = false;  // Qt gave it grey edges: not drawable from spans
    int Left = INT_MAX, Top = INT_MAX, Right = INT_MIN, Bottom = INT_MIN;  // the spans' bounds
  };
  // The pixels a draw writes: the image's, inside the clip, in one colour.
  struct TTarget {
    TTarget(QImage& image, const std::vector<TRect>* clip, COLORREF color);
    void Row(int y, int from, int to);
    void Band(int x0, int x1, int y0, int y1);
    void Glyph(int x, int baseline, const TMask& mask);
    TRect Whole;
    // The clip inside the image (one rectangle or a few, as a cell's or a window's clip is).
    TRect Rects[8];
    std::size_t Count = 0;
    uchar* Bits;
    qsizetype Stride;
    bool Packed;
    QRgb Pixel;
    uchar B, G, R;
  };
  struct TPlaced {
    int X;  // from the run's start
    int Y;  // from the baseline
    const TMask* Mask;
  };
  struct TWord {
    bool Usable = false;
    int Width = 0;
    long long Advance = 0;  // 1/64 pixels
    std::vector<TPlaced> Glyphs;
  };
  TWord& Word(const std::string& text);

  TWord Shape(const std::string& text);
  const TMask* Mask(const QRawFont& raw, quint32 glyph);

  // A printable ASCII character of the font: its glyph, advance (1/64 pixels) and mask.
  struct TAscii {
    enum : std::uint8_t { Unknown, Plain, Shaped } State = Unknown;
    quint32 Glyph = 0;
    int Advance = 0;
    const TMask* Mask = nullptr;
  };
  static constexpr int kFirst = 0x20, kLast = 0x7E, kCount = kLast - kFirst + 1;
  static constexpr std::int16_t kPairUnknown = INT16_MIN, kPairShaped = INT16_MIN + 1;
  static bool PlainAscii(const std::string& text);
  const TAscii* Ascii(unsigned char c);
  // The adjustment of the first character's advance before the second (1/64 pixels), or
  // kPairShaped when the pair is not two plain glyphs (a ligature, a moved mark).
  int Pair(unsigned char a, unsigned char b);
  // The advance of an ASCII word from the tables; false when it must be shaped whole.
  bool AsciiAdvance(const std::string& text, long long& advance);
  // Line layout of `text` by Qt: glyphs, positions (1/64 pixels) and advance; false when it
  // does not come out as one run of the primary font.
  bool QtShape(const QString& text, QList<quint32>& glyphs, QList<QPointF>& positions, long long& advance);

  QFont FFont;
  QRawFont FPrimary;
  int FSize;
  TRecentMap<TWord> FWords{2048};
  std::unordered_map<quint32, TMask> FMasks;
  TAscii FAscii[kCount];
  std::vector<std::int16_t> FPairs;  // kCount * kCount, filled as pairs are met
  // The underline's rows from the baseline, [FUnderTop, FUnderBottom); none when empty.
  int FUnderTop = 0, FUnderBottom = 0;
};
