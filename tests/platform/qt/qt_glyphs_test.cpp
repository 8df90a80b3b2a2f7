// The glyph cache draws plain runs into raster images itself: its pixels must be the ones Qt
// draws, in every image format it writes and inside the clip it is given.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>

#include "platform/gfx/bitmap.h"
#include "platform/qt/qt_glyphs.h"
#include "platform/qt/qt_painter.h"

namespace {

QFont Font(const char* family, int pixels, bool bold, bool italic) {
  TPaintFont f;
  f.Name = family;
  f.Height = -pixels;
  if (bold) f.Style << fsBold;
  if (italic) f.Style << fsItalic;
  return ToQFont(f);
}

QImage Blank(QImage::Format format) {
  QImage image(260, 40, format);
  image.fill(Qt::white);
  return image;
}

// What QPainter draws for the run, clipped to `clip` when it is given.
QImage QtDrawn(QImage::Format format, const QFont& font, const QString& text, const QRect* clip = nullptr) {
  QImage image = Blank(format);
  QPainter p(&image);
  p.setRenderHint(QPainter::TextAntialiasing, false);
  if (clip) p.setClipRect(*clip);
  p.setFont(font);
  p.setPen(QColor(200, 30, 60));
  p.drawText(5, 28, text);
  return image;
}

const char* const kWords[] = {"Record ", "#10123", "overdue ", "AVAT ", "Tea ", "To, ", "office ", "flow ",
                              "1111", "caf\xC3\xA9 cr\xC3\xA8me", "\xC3\x80 la", "Wolf & Sons, paid 1.234,56",
                              "1.234,56", "31/12/1999", "-7", "10:45", "9972.99", "100111"};

TEST(QtGlyphCache, DrawsTheSamePixelsAsQtInEveryFormatItWrites) {
  int drawn = 0;
  for (QImage::Format format : {QImage::Format_BGR888, QImage::Format_RGB32}) {
    for (const char* family : {"Arial", "Times New Roman", "Courier New"}) {
      for (int pixels : {8, 11, 13, 16, 24}) {
        for (int style = 0; style < 4; ++style) {
          QFont font = Font(family, pixels, style & 1, style & 2);
          TQtGlyphCache cache(font);
          for (const char* word : kWords) {
            int width = -1;
            if (cache.Measure(word, width)) {
              ASSERT_EQ(width, QFontMetrics(font).horizontalAdvance(QString::fromUtf8(word))) << family << " " << word;
            }
            QImage mine = Blank(format);
            // Twice: the second draw comes from the cache.
            for (int pass = 0; pass < 2; ++pass) {
              if (!cache.Draw(mine, nullptr, 5, 28, word, RGB(200, 30, 60))) continue;
              ++drawn;
              ASSERT_EQ(mine, QtDrawn(format, font, QString::fromUtf8(word)))
                  << family << " " << pixels << " style " << style << " '" << word << "' format " << format;
            }
          }
        }
      }
    }
  }
  // Latin text in the common families is the cache's own work, not left to QPainter.
  EXPECT_GT(drawn, 600);
}

TEST(QtGlyphCache, KeepsToTheClipAndLeavesOtherTextToQPainter) {
  QFont font = Font("Arial", 16, false, false);
  TQtGlyphCache cache(font);
  QImage mine = Blank(QImage::Format_RGB32);
  std::vector<TRect> clip = {Rect(10, 0, 30, 22), Rect(40, 20, 70, 40)};
  ASSERT_TRUE(cache.Draw(mine, &clip, 5, 28, "Wolf & Sons", RGB(200, 30, 60)));
  QImage qt = Blank(QImage::Format_RGB32);
  for (const TRect& r : clip) {
    QRect q(r.Left, r.Top, r.Width(), r.Height());
    QImage part = QtDrawn(QImage::Format_RGB32, font, "Wolf & Sons", &q);
    QPainter(&qt).drawImage(q, part, q);
  }
  EXPECT_EQ(mine, qt);
  // Text drawn where a word's end runs off the image writes nothing outside it.
  QImage edge = Blank(QImage::Format_RGB32);
  EXPECT_TRUE(cache.Draw(edge, nullptr, 240, 5, "overdue", RGB(0, 0, 0)));
  EXPECT_TRUE(cache.Draw(edge, nullptr, -8, 39, "overdue", RGB(0, 0, 0)));

  // Control characters and right-to-left scripts are QPainter's; the image stays as it was.
  QImage untouched = Blank(QImage::Format_RGB32);
  EXPECT_FALSE(cache.Draw(untouched, nullptr, 5, 28, "a\tb", RGB(0, 0, 0)));
  EXPECT_FALSE(cache.Draw(untouched, nullptr, 5, 28, "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D", RGB(0, 0, 0)));
  EXPECT_EQ(untouched, Blank(QImage::Format_RGB32));
  EXPECT_FALSE(TQtGlyphCache::Supports(QImage(4, 4, QImage::Format_Indexed8)));
}

TEST(QtGlyphCache, RecentMapKeepsWhatIsUsedAndForgetsOneOffKeys) {
  TRecentMap<int> map(4);
  map.Add("common", 1);
  for (int i = 0; i < 40; ++i) {
    map.Add("once" + std::to_string(i), i);
    ASSERT_NE(map.Find("common"), nullptr) << i;  // used all the time: never dropped
  }
  EXPECT_EQ(*map.Find("common"), 1);
  EXPECT_EQ(map.Find("once0"), nullptr);
  EXPECT_NE(map.Find("once39"), nullptr);
  EXPECT_LE(map.Size(), 8u);
}

// The painter over a bitmap takes the cached path for plain words and QPainter's for the rest;
// both look as QPainter alone would.
TEST(QtGlyphCache, CanvasTextLooksTheSameThroughEitherPath) {
  for (bool underline : {false, true}) {
    TBitmap bmp(200, 30, pf32bit);
    TCanvas& c = bmp.Canvas();
    c.Brush().SetColor(clWhite);
    c.FillRect(Rect(0, 0, 200, 30));
    c.Font().SetName("Arial");
    c.Font().SetHeight(-13);
    if (underline) c.Font().SetStyle({fsUnderline});
    c.Font().SetColor(clBlue);
    c.Brush().SetStyle(bsClear);
    c.TextOut(4, 6, "Tea for two");
    int ascent = c.GetTextMetrics().tmAscent;
    TPaintFont font = c.Font().ToPaintFont(c.Font().PixelsPerInch());
    bmp.ReleaseCanvas();
    QImage expected(200, 30, QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
      QPainter p(&expected);
      p.setFont(ToQFont(font));
      p.setPen(QColor(0, 0, 255));
      p.drawText(4, 6 + ascent, "Tea for two");
    }
    EXPECT_EQ(BitmapImage(bmp).convertToFormat(QImage::Format_RGB32), expected) << underline;
  }
}

}  // namespace
