#include "platform/qt/qt_glyphs.h"

#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cmath>

TQtGlyphCache::TQtGlyphCache(const QFont& font)
    : FFont(font), FPrimary(QRawFont::fromFont(font)), FSize(std::max(1, font.pixelSize())) {}

bool TQtGlyphCache::Supports(const QImage& image) {
  switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_BGR888:
      return true;
    default:
      return false;
  }
}

const TQtGlyphCache::TMask* TQtGlyphCache::Mask(const QRawFont& raw, quint32 glyph, bool& grey) {
  auto known = FMasks.find(glyph);
  if (known != FMasks.end()) return &known->second;
  // Qt draws the glyph alone, with room around its outline to spare.
  QRectF box = raw.boundingRect(glyph);
  int margin = 2 + FSize / 4;
  int left = static_cast<int>(std::floor(std::min(box.left(), 0.0))) - margin;
  int top = static_cast<int>(std::floor(std::min(box.top(), -static_cast<double>(FSize)))) - margin;
  int right = static_cast<int>(std::ceil(std::max(box.right(), 0.0))) + margin;
  int bottom = static_cast<int>(std::ceil(std::max(box.bottom(), 0.0))) + margin;
  QImage image(right - left, bottom - top, QImage::Format_ARGB32_Premultiplied);
  image.fill(0);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setPen(Qt::black);
    QGlyphRun one;
    one.setRawFont(raw);
    one.setGlyphIndexes({glyph});
    one.setPositions({QPointF(-left, -top)});
    p.drawGlyphRun(QPointF(0, 0), one);
  }
  TMask mask;
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width();) {
      int a = qAlpha(row[x]);
      if (a != 0 && a != 255) grey = true;
      if (a != 255) {
        ++x;
        continue;
      }
      int start = x;
      while (x < image.width() && qAlpha(row[x]) == 255) ++x;
      mask.Spans.push_back({static_cast<std::int16_t>(y + top), static_cast<std::int16_t>(start + left),
                            static_cast<std::int16_t>(x + left)});
    }
  }
  return &FMasks.emplace(glyph, std::move(mask)).first->second;
}

TQtGlyphCache::TWord TQtGlyphCache::Shape(const std::string& text) {
  TWord word;
  // Control characters and the scripts from Hebrew on (right to left, or shaped by context)
  // stay with QPainter.
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F || c >= 0xD6) return word;
  // Numbers and dates (digits and their marks) are laid out from the font's own advances and
  // kerning: the positions Qt's shaping gives them, without its cost.
  if (!text.empty() && FPrimary.isValid() &&
      std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.' || c == ',' || c == '-' || c == '/' || c == ':'; })) {
    const QList<quint32> glyphs = FPrimary.glyphIndexesForString(QString::fromLatin1(text.data(), static_cast<int>(text.size())));
    if (glyphs.size() == static_cast<qsizetype>(text.size()) && std::find(glyphs.begin(), glyphs.end(), 0u) == glyphs.end()) {
      const QList<QPointF> advances = FPrimary.advancesForGlyphIndexes(glyphs, QRawFont::KernedAdvances);
      bool grey = false;
      long long at = 0;  // 1/64 pixels, as Qt keeps positions
      for (qsizetype i = 0; i < glyphs.size(); ++i) {
        const TMask* mask = Mask(FPrimary, glyphs[i], grey);
        word.Glyphs.push_back({static_cast<int>(at >> 6), 0, mask});
        at += std::llround(advances[i].x() * 64);
      }
      word.Width = static_cast<int>((at + 32) >> 6);
      word.Usable = !grey;
      return word;
    }
  }
  QTextLayout layout(QString::fromUtf8(text.data(), static_cast<int>(text.size())), FFont);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);  // one line: no break opportunities to look for
  layout.setTextOption(option);
  layout.setCacheEnabled(false);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  layout.endLayout();
  word.Width = qRound(line.horizontalAdvance());
  const QList<QGlyphRun> runs = line.glyphRuns();
  if (runs.size() != 1) return word;
  const QGlyphRun& run = runs.front();
  // Glyphs of a fallback font are not the ones cached under this font's indexes.
  if (!(run.rawFont() == FPrimary)) return word;
  const QList<quint32> glyphs = run.glyphIndexes();
  const QList<QPointF> positions = run.positions();
  if (glyphs.size() != positions.size()) return word;
  bool grey = false;
  for (qsizetype i = 0; i < glyphs.size(); ++i) {
    const TMask* mask = Mask(FPrimary, glyphs[i], grey);
    word.Glyphs.push_back({static_cast<int>(std::floor(positions[i].x())),
                           static_cast<int>(std::lround(positions[i].y() - positions.front().y())), mask});
  }
  // A glyph with grey edges would need blending: QPainter does that.
  word.Usable = !grey;
  return word;
}

TQtGlyphCache::TWord& TQtGlyphCache::Word(const std::string& text) {
  TWord* word = FWords.Find(text);
  return word ? *word : FWords.Add(text, Shape(text));
}

bool TQtGlyphCache::Measure(const std::string& text, int& width) {
  const TWord& word = Word(text);
  if (!word.Usable) return false;
  width = word.Width;
  return true;
}

bool TQtGlyphCache::Draw(QImage& image, const std::vector<TRect>* clip, int x, int baseline, const std::string& text,
                         COLORREF color) {
  TWord* word = &Word(text);
  if (!word->Usable) return false;

  const TRect whole{0, 0, image.width(), image.height()};
  const TRect* rects = &whole;
  std::size_t count = 1;
  if (clip) {
    rects = clip->data();
    count = clip->size();
  }
  // The image is this painter's own target: writing its pixels must not detach it.
  uchar* bits = const_cast<uchar*>(image.constBits());
  const qsizetype stride = image.bytesPerLine();
  const bool packed = image.format() == QImage::Format_BGR888;
  const QRgb pixel = qRgb(GetRValue(color), GetGValue(color), GetBValue(color));
  const uchar b = static_cast<uchar>(GetBValue(color)), g = static_cast<uchar>(GetGValue(color)),
              r = static_cast<uchar>(GetRValue(color));
  for (const TPlaced& glyph : word->Glyphs) {
    for (const TSpan& span : glyph.Mask->Spans) {
      int y = baseline + glyph.Y + span.Y;
      int x0 = x + glyph.X + span.X0, x1 = x + glyph.X + span.X1;
      for (std::size_t k = 0; k < count; ++k) {
        const TRect& c = rects[k];
        if (y < std::max(c.Top, 0) || y >= std::min(c.Bottom, whole.Bottom)) continue;
        int from = std::max({x0, c.Left, 0}), to = std::min({x1, c.Right, whole.Right});
        if (from >= to) continue;
        uchar* line = bits + y * stride;
        if (packed) {
          for (uchar* p = line + from * 3; p < line + to * 3; p += 3) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
          }
        } else {
          std::fill(reinterpret_cast<QRgb*>(line) + from, reinterpret_cast<QRgb*>(line) + to, pixel);
        }
      }
    }
  }
  return true;
}
