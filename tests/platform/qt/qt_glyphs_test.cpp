// The glyph cache draws plain runs into raster images itself: its pixels must be the ones Qt
// draws, in every image format it writes and inside the clip it is given.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>
#include <random>

#include "platform/gfx/bitmap.h"
#include "platform/qt/qt_glyphs.h"
#include "platform/qt/qt_painter.h"

namespace {

QFont Font(const char* family, int pixels, bool bold, bool italic, bool underline = false) {
  TPaintFont f;
  f.Name = family;
  f.Height = -pixels;
  if (bold) f.Style << fsBold;
  if (italic) f.Style << fsItalic;
  if (underline) f.Style << fsUnderline;
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

// What QPainter draws for the run inside each of the rectangles of `clip`.
QImage QtDrawnInside(const std::vector<TRect>& clip, const QFont& font, const QString& text) {
  QImage qt = Blank(QImage::Format_RGB32);
  for (const TRect& r : clip) {
    QRect q(r.Left, r.Top, r.Width(), r.Height());
    QImage part = QtDrawn(QImage::Format_RGB32, font, text, &q);
    QPainter(&qt).drawImage(q, part, q);
  }
  return qt;
}

const char* const kWords[] = {"Record ", "#10123", "overdue ", "AVAT ", "Tea ", "To, ", "office ", "flow ",
                              "1111", "caf\xC3\xA9 cr\xC3\xA8me", "\xC3\x80 la", "Wolf & Sons, paid 1.234,56",
                              "1.234,56", "31/12/1999", "-7", "10:45", "9972.99", "100111"};

TEST(QtGlyphCache, DrawsTheSamePixelsAsQtInEveryFormatItWrites) {
  int drawn = 0, measured = 0;
  for (QImage::Format format : {QImage::Format_BGR888, QImage::Format_RGB32}) {
    for (const char* family : {"Arial", "Times New Roman", "Courier New"}) {
      for (int pixels : {8, 11, 13, 16, 24}) {
        for (int style = 0; style < 4; ++style) {
          QFont font = Font(family, pixels, style & 1, style & 2);
          TQtGlyphCache cache(font);
          for (const char* word : kWords) {
            int width = -1;
            const bool own = cache.Measure(word, width);
            if (own) {
              ++measured;
              ASSERT_EQ(width, QFontMetrics(font).horizontalAdvance(QString::fromUtf8(word))) << family << " " << word;
            }
            QImage mine = Blank(format);
            // Twice: the second draw comes from the cache.
            for (int pass = 0; pass < 2; ++pass) {
              // What the cache measures it draws, and what it leaves to QPainter it does not.
              const bool drew = cache.Draw(mine, nullptr, 5, 28, word, RGB(200, 30, 60));
              ASSERT_EQ(drew, own) << family << " " << pixels << " style " << style << " '" << word << "'";
              if (!drew) continue;
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
  EXPECT_EQ(drawn, 2 * measured);
}

TEST(QtGlyphCache, KeepsToTheClipAndLeavesOtherTextToQPainter) {
  QFont font = Font("Arial", 16, false, false);
  TQtGlyphCache cache(font);
  QImage mine = Blank(QImage::Format_RGB32);
  std::vector<TRect> clip = {Rect(10, 0, 30, 22), Rect(40, 20, 70, 40)};
  ASSERT_TRUE(cache.Draw(mine, &clip, 5, 28, "Wolf & Sons", RGB(200, 30, 60)));
  EXPECT_EQ(mine, QtDrawnInside(clip, font, "Wolf & Sons"));
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
  // A clip of more rectangles than the cache keeps is QPainter's too.
  std::vector<TRect> many;
  for (int i = 0; i < 12; ++i) many.push_back(Rect(i * 20, 0, i * 20 + 10, 40));
  EXPECT_FALSE(cache.Draw(untouched, &many, 5, 28, "Wolf", RGB(0, 0, 0)));
  EXPECT_EQ(untouched, Blank(QImage::Format_RGB32));
}

// The underline is the cache's own band: the rows and columns QPainter's stroke covers, at the
// sizes where the font's underline is one pixel and where it is several (odd and even).
TEST(QtGlyphCache, UnderlinesAreTheBandQtStrokes) {
  int drawn = 0;
  for (QImage::Format format : {QImage::Format_BGR888, QImage::Format_RGB32}) {
    for (const char* family : {"Arial", "Times New Roman", "Courier New", "DejaVu Sans", "Lato"}) {
      for (int pixels : {8, 11, 12, 16, 19, 20, 21, 24, 33, 41, 42}) {
        for (int style = 0; style < 4; ++style) {
          QFont font = Font(family, pixels, style & 1, style & 2, true);
          TQtGlyphCache cache(font);
          for (const char* word : {"open ", "it", "Tea for two", "AVAT", "caf\xC3\xA9", "   "}) {
            QImage mine = Blank(format);
            if (!cache.Draw(mine, nullptr, 5, 28, word, RGB(200, 30, 60))) continue;
            ++drawn;
            ASSERT_EQ(mine, QtDrawn(format, font, QString::fromUtf8(word)))
                << family << " " << pixels << " style " << style << " '" << word << "' format " << format;
          }
        }
      }
    }
  }
  EXPECT_GT(drawn, 1200);
  // Clipped like any text.
  QFont font = Font("Arial", 16, false, false, true);
  TQtGlyphCache cache(font);
  std::vector<TRect> clip = {Rect(10, 0, 30, 40), Rect(40, 30, 70, 40)};
  QImage mine = Blank(QImage::Format_RGB32);
  ASSERT_TRUE(cache.Draw(mine, &clip, 5, 28, "underlined", RGB(200, 30, 60)));
  EXPECT_EQ(mine, QtDrawnInside(clip, font, "underlined"));
}

// Words of printable ASCII are laid out from the advance and pair tables: the same widths and
// pixels as shaping the whole word, in fonts with many kerning pairs and with ligatures (whose
// pairs are shaped whole).
TEST(QtGlyphCache, AsciiWordsFromTheTablesMatchWholeWordShaping) {
  std::mt19937 random(7);
  std::vector<std::string> words = {"office", "fit", "flow", "ffi", "AVAT", "To, ", "Wo.", "Record ", "#10123",
                                    "1/5", "123.00", "a_b-c {x}|~", "\"q\" 'r' `s`", " ", "  lead"};
  for (int i = 0; i < 60; ++i) {
    std::string w;
    for (int n = 1 + static_cast<int>(random() % 12); n > 0; --n) w += static_cast<char>(0x20 + random() % 95);
    words.push_back(w);
  }
  int drawn = 0, measured = 0;
  for (const char* family : {"Arial", "Times New Roman", "DejaVu Sans", "Lato"}) {
    for (int pixels : {11, 13, 16}) {
      for (int style = 0; style < 4; ++style) {
        QFont font = Font(family, pixels, style & 1, style & 2);
        TQtGlyphCache cache(font);
        for (int pass = 0; pass < 2; ++pass) {  // the second pass finds the pairs in the table
          for (const std::string& word : words) {
            const QString text = QString::fromLatin1(word.data(), static_cast<int>(word.size()));
            int width = -1;
            const bool own = cache.Measure(word, width);
            if (own) {
              ++measured;
              ASSERT_EQ(width, QFontMetrics(font).horizontalAdvance(text)) << family << " '" << word << "'";
            }
            QImage mine = Blank(QImage::Format_RGB32);
            const bool drew = cache.Draw(mine, nullptr, 5, 28, word, RGB(200, 30, 60));
            ASSERT_EQ(drew, own) << family << " " << pixels << " style " << style << " '" << word << "'";
            if (!drew) continue;
            ++drawn;
            ASSERT_EQ(mine, QtDrawn(QImage::Format_RGB32, font, text))
                << family << " " << pixels << " style " << style << " '" << word << "'";
          }
        }
      }
    }
  }
  EXPECT_GT(drawn, 3000);
  EXPECT_EQ(drawn, measured);
}

// Control characters draw nothing and Qt never sees them: a text of nothing else leaves the
// image as it was, underlined or not, and the parts around them are drawn where the whole
// text puts them. Qt, asked to underline a text without glyphs, reads past its glyph list (and
// says "load glyph failed" when what it finds is no glyph).
std::vector<std::string>* gQtMessages = nullptr;
void KeepMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
  if (gQtMessages) gQtMessages->push_back(message.toStdString());
}

TEST(QtGlyphCache, ControlCharactersDrawNothingAndNeverReachQt) {
  std::vector<std::string> messages;
  gQtMessages = &messages;
  QtMessageHandler previous = qInstallMessageHandler(KeepMessage);
  for (TFontStyles style : {TFontStyles{}, TFontStyles{fsUnderline}, TFontStyles{fsUnderline, fsBold}}) {
    for (bool opaque : {false, true}) {
      TPaintFont f;
      f.Name = "Times New Roman";
      f.Height = -13;
      f.Style = style;
      QImage blank(200, 30, QImage::Format_RGB32);
      blank.fill(Qt::white);
      for (const char* lone : {"\t", "\n", "\r\n", "\x01", "\x7F"}) {
        QImage image = blank;
        {
          TQtPainter p(&image);
          p.TextRun(4, 4, lone, f, RGB(0, 0, 0), false, 0);
        }
        EXPECT_EQ(image, blank) << int(lone[0]);
      }
      QImage mine = blank, theirs = blank;
      {
        TQtPainter p(&mine);
        p.TextRun(4, 4, "ab\tcd\nef", f, RGB(0, 0, 0), opaque, RGB(255, 255, 0));
      }
      {
        TQtPainter p(&theirs);
        int whole = p.TextWidth(f, "ab\tcd\nef");
        if (opaque) p.FillRect(Rect(4, 4, 4 + whole, 4 + p.Metrics(f).tmHeight), TPaintBrush{RGB(255, 255, 0)});
        p.TextRun(4, 4, "ab", f, RGB(0, 0, 0), false, 0);
        p.TextRun(4 + p.TextWidth(f, "ab\t"), 4, "cd", f, RGB(0, 0, 0), false, 0);
        p.TextRun(4 + p.TextWidth(f, "ab\tcd\n"), 4, "ef", f, RGB(0, 0, 0), false, 0);
      }
      EXPECT_EQ(mine, theirs) << opaque;
      EXPECT_NE(mine, blank);
    }
  }
  qInstallMessageHandler(previous);
  gQtMessages = nullptr;
  for (const std::string& m : messages) EXPECT_EQ(m.find("glyph"), std::string::npos) << m;
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
