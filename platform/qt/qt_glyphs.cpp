#include "platform/qt/qt_glyphs.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cmath>

TQtGlyphCache::TQtGlyphCache(const QFont& font)
    : FFont(font), FPrimary(QRawFont::fromFont(font)), FSize(std::max(1, font.pixelSize())) {
  if (font.underline()) {
    // Where QPainter strokes a text's underline: a line of the font's thickness (one pixel at
    // least) at its underline position moved down to a pixel's middle but kept within the
    // descent; the rows are those whose middles the stroke covers (a row whose middle lies on
    // the stroke's top edge is out, one on its bottom edge in).
    const QFontMetricsF fm(font);
    const double offset = fm.underlinePos(), thickness = std::max(fm.lineWidth(), 1.0), descent = fm.descent();
    double middle = std::ceil(offset) + 0.5;
    if (offset <= descent) middle = std::min(middle, descent - 0.5);
    FUnderTop = static_cast<int>(std::floor(middle - thickness / 2 - 0.5)) + 1;
    FUnderBottom = static_cast<int>(std::floor(middle + thickness / 2 - 0.5)) + 1;
  }
}

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

const TQtGlyphCache::TMask* TQtGlyphCache::Mask(const QRawFont& raw, quint32 glyph) {
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
      // The mask keeps that it had grey pixels, so every word with this glyph goes to QPainter,
      // whether it is the first to meet the glyph or a later one.
      if (a != 0 && a != 255) mask.Grey = true;
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
  for (const TSpan& span : mask.Spans) {
    mask.Left = std::min<int>(mask.Left, span.X0);
    mask.Right = std::max<int>(mask.Right, span.X1);
    mask.Top = std::min<int>(mask.Top, span.Y);
    mask.Bottom = std::max<int>(mask.Bottom, span.Y + 1);
  }
  return &FMasks.emplace(glyph, std::move(mask)).first->second;
}

bool TQtGlyphCache::QtShape(const QString& text, QList<quint32>& glyphs, QList<QPointF>& positions,
                            long long& advance) {
  QTextLayout layout(text, FFont);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);  // one line: no break opportunities to look for
  layout.setTextOption(option);
  layout.setCacheEnabled(false);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  layout.endLayout();
  advance = std::llround(line.horizontalAdvance() * 64);  // Qt keeps positions in 1/64 pixels
  const QList<QGlyphRun> runs = line.glyphRuns();
  if (runs.size() != 1) return false;
  const QGlyphRun& run = runs.front();
  // Glyphs of a fallback font are not the ones cached under this font's indexes.
  if (!(run.rawFont() == FPrimary)) return false;
  glyphs = run.glyphIndexes();
  positions = run.positions();
  return glyphs.size() == positions.size() && !glyphs.isEmpty();
}

bool TQtGlyphCache::PlainAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c < kFirst || c > kLast) return false;
  return !text.empty();
}

const TQtGlyphCache::TAscii* TQtGlyphCache::Ascii(unsigned char c) {
  TAscii& a = FAscii[c - kFirst];
  if (a.State != TAscii::Unknown) return &a;
  a.State = TAscii::Shaped;
  QList<quint32> glyphs;
  QList<QPointF> positions;
  long long advance = 0;
  const QString s(QChar(static_cast<char16_t>(c)));
  if (!FPrimary.isValid() || !QtShape(s, glyphs, positions, advance) || glyphs.size() != 1 ||
      positions[0].x() != 0 || advance > INT_MAX)
    return &a;
  const QList<quint32> mapped = FPrimary.glyphIndexesForString(s);
  if (mapped.size() != 1 || mapped[0] != glyphs[0]) return &a;
  const TMask* mask = Mask(FPrimary, glyphs[0]);
  if (mask->Grey) return &a;
  a = {TAscii::Plain, glyphs[0], static_cast<int>(advance), mask};
  return &a;
}

int TQtGlyphCache::Pair(unsigned char a, unsigned char b) {
  if (FPairs.empty()) FPairs.assign(kCount * kCount, kPairUnknown);
  std::int16_t& known = FPairs[(a - kFirst) * kCount + (b - kFirst)];
  if (known != kPairUnknown) return known;
  known = kPairShaped;
  const TAscii* first = Ascii(a);
  const TAscii* second = Ascii(b);
  if (first->State != TAscii::Plain || second->State != TAscii::Plain) return known;
  QList<quint32> glyphs;
  QList<QPointF> positions;
  long long advance = 0;
  QString s;
  s += QChar(static_cast<char16_t>(a));
  s += QChar(static_cast<char16_t>(b));
  if (!QtShape(s, glyphs, positions, advance) || glyphs.size() != 2 || glyphs[0] != first->Glyph ||
      glyphs[1] != second->Glyph || positions[0].x() != 0 || positions[1].y() != positions[0].y())
    return known;
  // Kerning moves the second glyph and all after it: the pair's advance is the first glyph's
  // moved advance plus the second's own. Anything else (the second glyph placed apart from the
  // advance) needs the whole word shaped.
  const long long second_at = std::llround(positions[1].x() * 64);
  if (advance != second_at + second->Advance) return known;
  const long long adjust = second_at - first->Advance;
  if (adjust <= kPairShaped || adjust > INT16_MAX) return known;
  known = static_cast<std::int16_t>(adjust);
  return known;
}

bool TQtGlyphCache::AsciiAdvance(const std::string& text, long long& advance) {
  advance = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const TAscii* a = Ascii(c);
    if (a->State != TAscii::Plain) return false;
    advance += a->Advance;
    if (i + 1 < text.size()) {
      int pair = Pair(c, static_cast<unsigned char>(text[i + 1]));
      if (pair == kPairShaped) return false;
      advance += pair;
    }
  }
  return true;
}

TQtGlyphCache::TWord TQtGlyphCache::Shape(const std::string& text) {
  TWord word;
  // Control characters and the scripts from Hebrew on (right to left, or shaped by context)
  // stay with QPainter.
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F || c >= 0xD6) return word;
  QList<quint32> glyphs;
  QList<QPointF> positions;
  bool one = QtShape(QString::fromUtf8(text.data(), static_cast<int>(text.size())), glyphs, positions, word.Advance);
  word.Width = static_cast<int>((word.Advance + 32) >> 6);
  if (!one) return word;
  bool grey = false;
  for (qsizetype i = 0; i < glyphs.size(); ++i) {
    const TMask* mask = Mask(FPrimary, glyphs[i]);
    grey = grey || mask->Grey;
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
  long long advance = 0;
  if (PlainAscii(text) && AsciiAdvance(text, advance)) {
    width = static_cast<int>((advance + 32) >> 6);
    return true;
  }
  const TWord& word = Word(text);
  if (!word.Usable) return false;
  width = word.Width;
  return true;
}

TQtGlyphCache::TTarget::TTarget(QImage& image, const std::vector<TRect>* clip, COLORREF color)
    : Whole{0, 0, image.width(), image.height()},
      // The image is this painter's own target: writing its pixels must not detach it.
      Bits(const_cast<uchar*>(image.constBits())),
      Stride(image.bytesPerLine()),
      Packed(image.format() == QImage::Format_BGR888),
      Pixel(qRgb(GetRValue(color), GetGValue(color), GetBValue(color))),
      B(static_cast<uchar>(GetBValue(color))),
      G(static_cast<uchar>(GetGValue(color))),
      R(static_cast<uchar>(GetRValue(color))) {
  if (!clip) {
    Rects[Count++] = Whole;
    return;
  }
  for (const TRect& c : *clip) {
    TRect part{std::max(c.Left, 0), std::max(c.Top, 0), std::min(c.Right, Whole.Right), std::min(c.Bottom, Whole.Bottom)};
    if (part.Left >= part.Right || part.Top >= part.Bottom) continue;
    if (Count < std::size(Rects)) Rects[Count] = part;
    ++Count;
  }
  // A clip of more rectangles than are kept here: Draw leaves the text to QPainter.
}

void TQtGlyphCache::TTarget::Row(int y, int from, int to) {
  uchar* line = Bits + y * Stride;
  if (Packed) {
    for (uchar* p = line + from * 3; p < line + to * 3; p += 3) {
      p[0] = B;
      p[1] = G;
      p[2] = R;
    }
  } else {
    std::fill(reinterpret_cast<QRgb*>(line) + from, reinterpret_cast<QRgb*>(line) + to, Pixel);
  }
}

void TQtGlyphCache::TTarget::Band(int x0, int x1, int y0, int y1) {
  for (std::size_t k = 0; k < Count; ++k) {
    const TRect& c = Rects[k];
    int top = std::max(y0, c.Top), bottom = std::min(y1, c.Bottom);
    int from = std::max(x0, c.Left), to = std::min(x1, c.Right);
    if (from >= to) continue;
    for (int y = top; y < bottom; ++y) Row(y, from, to);
  }
}

void TQtGlyphCache::TTarget::Glyph(int x, int baseline, const TMask& mask) {
  if (mask.Spans.empty()) return;
  const int left = x + mask.Left, right = x + mask.Right, top = baseline + mask.Top, bottom = baseline + mask.Bottom;
  for (std::size_t k = 0; k < Count; ++k) {
    const TRect& c = Rects[k];
    if (left >= c.Right || right <= c.Left || top >= c.Bottom || bottom <= c.Top) continue;
    if (left >= c.Left && right <= c.Right && top >= c.Top && bottom <= c.Bottom) {
      // Wholly inside this rectangle (the common case): the spans as they are.
      for (const TSpan& span : mask.Spans) Row(baseline + span.Y, x + span.X0, x + span.X1);
      continue;
    }
    for (const TSpan& span : mask.Spans) {
      int y = baseline + span.Y;
      if (y < c.Top || y >= c.Bottom) continue;
      int from = std::max(x + span.X0, c.Left), to = std::min(x + span.X1, c.Right);
      if (from < to) Row(y, from, to);
    }
  }
}

bool TQtGlyphCache::Draw(QImage& image, const std::vector<TRect>* clip, int x, int baseline, const std::string& text,
                         COLORREF color) {
  long long advance = 0;
  const bool ascii = PlainAscii(text) && AsciiAdvance(text, advance);
  const TWord* word = nullptr;
  if (!ascii) {
    word = &Word(text);
    if (!word->Usable) return false;
    advance = word->Advance;
  }
  TTarget target(image, clip, color);
  if (target.Count > std::size(target.Rects)) return false;
  if (ascii) {
    long long at = 0;  // 1/64 pixels from the start; glyphs start at the pixel they fall in
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto c = static_cast<unsigned char>(text[i]);
      const TAscii& a = FAscii[c - kFirst];
      target.Glyph(x + static_cast<int>(at >> 6), baseline, *a.Mask);
      at += a.Advance;
      if (i + 1 < text.size()) at += FPairs[(c - kFirst) * kCount + (static_cast<unsigned char>(text[i + 1]) - kFirst)];
    }
  } else {
    for (const TPlaced& glyph : word->Glyphs) target.Glyph(x + glyph.X, baseline + glyph.Y, *glyph.Mask);
  }
  // The underline runs from the start to the pixel the advance ends in.
  if (FUnderBottom > FUnderTop)
    target.Band(x, x + static_cast<int>(advance >> 6), baseline + FUnderTop, baseline + FUnderBottom);
  return true;
}
