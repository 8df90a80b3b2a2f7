// The GIF writer's files are read back by an independent decoder (Python's imaging library)
// and compared pixel for pixel with the bitmaps they came from.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sstream>

#include "engine_fixture.h"
#include "platform/gfx/bitmap.h"
#include "server/engine/gif_writer.h"
#include "server/engine/request_api.h"

namespace {

// Prints "frames N W H LOOP", then per frame "frame LEFT TOP W H DURATION DISPOSAL COMMENT" and
// one line of hexadecimal RGB values per row of the frame's own area on the composed screen
// (transparent pixels show as "-").
const char* kDecoder = R"(
import sys
from PIL import Image, GifImagePlugin
GifImagePlugin.LOADING_STRATEGY = GifImagePlugin.LoadingStrategy.RGB_ALWAYS
im = Image.open(sys.argv[1])
n = getattr(im, 'n_frames', 1)
print('frames', n, im.size[0], im.size[1], im.info.get('loop', -1))
for i in range(n):
    im.seek(i)
    im.load()
    x0, y0, x1, y1 = im.dispose_extent
    print('frame', x0, y0, x1 - x0, y1 - y0, im.info.get('duration', -1),
          getattr(im, 'disposal_method', -1), im.info.get('comment', b'').decode('latin-1') or '-')
    fr = im.convert('RGBA')
    px = fr.load()
    for y in range(y0, y1):
        row = []
        for x in range(x0, x1):
            r, g, b, a = px[x, y]
            row.append('-' if a == 0 else '%02x%02x%02x' % (r, g, b))
        print(' '.join(row))
)";

class GifWriterTest : public EngineFixture {
protected:
  std::string Decode(const std::string& Gif) {
    const std::string file = Folder + "/picture.gif", script = Folder + "/decode.py";
    WriteWholeFile(file, Gif);
    WriteWholeFile(script, kDecoder);
    const std::string command = "/usr/bin/python3 '" + script + "' '" + file + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string text;
    char buffer[65536];
    for (size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    if (pipe) pclose(pipe);
    return text;
  }

  static std::string Rows(const TBitmap& Bitmap, COLORREF Transparent = 0xFFFFFFFF) {
    std::string rows;
    char hex[8];
    for (int y = 0; y < Bitmap.Height(); ++y) {
      for (int x = 0; x < Bitmap.Width(); ++x) {
        COLORREF c = Bitmap.PixelAt(x, y);
        if (x) rows += ' ';
        if (c == Transparent) {
          rows += '-';
          continue;
        }
        std::snprintf(hex, sizeof hex, "%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
        rows += hex;
      }
      rows += '\n';
    }
    return rows;
  }

  static std::string Write(const TGifImageList& List, bool Expected = true) {
    TMemoryStream stream;
    EXPECT_EQ(WriteGifToStream(stream, List), Expected);
    return stream.DataString();
  }

  static TGifImageList One(const TBitmap& Bitmap) {
    TGifImageList list;
    list.Frames.push_back({});
    list.Frames[0].Bitmap = &Bitmap;
    return list;
  }

  // A bitmap of Colors distinct colours (at most 65536), scattered at random.
  static void Fill(TBitmap& Bitmap, int Colors, unsigned Seed) {
    std::mt19937 random(Seed);
    for (int y = 0; y < Bitmap.Height(); ++y)
      for (int x = 0; x < Bitmap.Width(); ++x) {
        int k = static_cast<int>(random() % Colors);
        Bitmap.SetPixelAt(x, y, RGB(k & 0xFF, (k * 37) & 0xFF, k >> 8));
      }
  }
};

TEST_F(GifWriterTest, OneWhitePixelGivesTheSmallestFile) {
  TBitmap white(1, 1);
  white.SetPixelAt(0, 0, RGB(255, 255, 255));
  const std::string gif = Write(One(white));
  const std::string expected = std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) +
                               std::string("\xFF\xFF\xFF\x00\x00\x00", 6) +           // 2 entries
                               std::string("\x21\xF9\x04\x00\x64\x00\x00\x00", 8) +   // 100/100 s
                               std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10) +
                               std::string("\x02", 1);
  ASSERT_GE(gif.size(), expected.size() + 2);
  EXPECT_EQ(gif.substr(0, expected.size()), expected);
  EXPECT_EQ(gif.find("NETSCAPE2.0"), std::string::npos);
  EXPECT_EQ(gif.substr(gif.size() - 2), std::string("\x00\x3B", 2));
  EXPECT_EQ(Decode(gif), "frames 1 1 1 -1\nframe 0 0 1 1 1000 0 -\nffffff\n");
}

TEST_F(GifWriterTest, DecodedPixelsMatchTheBitmap) {
  struct Case {
    int Width, Height, Colors;
    bool Interlaced;
  };
  // Two colours (1 bit, code size 2), mid sizes, 256 colours large enough for the code table
  // to fill and restart several times, odd interlaced heights.
  for (const Case& c : {Case{7, 5, 2, false}, Case{33, 17, 5, false}, Case{64, 64, 16, true},
                        Case{211, 197, 256, false}, Case{90, 13, 129, true}, Case{3, 1, 3, true}}) {
    SCOPED_TRACE(testing::Message() << c.Width << "x" << c.Height << " " << c.Colors);
    TBitmap bitmap(c.Width, c.Height, c.Colors > 100 ? pf32bit : pf24bit);
    Fill(bitmap, c.Colors, c.Width * 31 + c.Height);
    TGifImageList list = One(bitmap);
    list.Frames[0].Interlaced = c.Interlaced;
    const std::string gif = Write(list);
    std::ostringstream head;
    head << "frames 1 " << c.Width << " " << c.Height << " -1\nframe 0 0 " << c.Width << " "
         << c.Height << " 1000 0 -\n";
    EXPECT_EQ(Decode(gif), head.str() + Rows(bitmap));
    // The image descriptor follows the global table and the graphic control extension.
    const std::size_t descriptor = 13 + 3 * (2u << (gif[10] & 7)) + 8;
    ASSERT_GT(gif.size(), descriptor + 10);
    EXPECT_EQ(gif[descriptor], '\x2C');
    EXPECT_EQ((gif[descriptor + 9] & 0x40) != 0, c.Interlaced);
  }
}

TEST_F(GifWriterTest, LongRunsOfOneColourCompress) {
  TBitmap plain(400, 300);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) plain.SetPixelAt(x, y, y < 150 ? RGB(0, 0, 255) : RGB(10, 200, 30));
  const std::string gif = Write(One(plain));
  EXPECT_LT(gif.size(), 4000u);
  EXPECT_EQ(Decode(gif), "frames 1 400 300 -1\nframe 0 0 400 300 1000 0 -\n" + Rows(plain));
}

TEST_F(GifWriterTest, MoreThan256ColoursAreRefusedAndNothingIsWritten) {
  TBitmap many(257, 1);
  for (int x = 0; x < 257; ++x) many.SetPixelAt(x, 0, RGB(x & 0xFF, x >> 8, 0));
  EXPECT_EQ(Write(One(many), false), "");
  EXPECT_EQ(GifWriterStatus.load(), gsTooManyColors);
  many.SetPixelAt(256, 0, RGB(0, 0, 0));  // 256 colours again
  EXPECT_FALSE(Write(One(many)).empty());
  EXPECT_EQ(GifWriterStatus.load(), gsDone);
}

TEST_F(GifWriterTest, AnimationReadsBackFrameByFrame) {
  TBitmap a(6, 4), b(3, 3), c(5, 2);
  Fill(a, 4, 1);
  Fill(b, 7, 2);
  Fill(c, 3, 3);
  c.SetPixelAt(0, 0, RGB(255, 255, 255));
  TGifImageList list;
  list.LoopCount = 3;
  list.Frames.resize(3);
  list.Frames[0] = {&a, 0, 0, 200, false, false, 0xFFFFFF, 1, "first frame"};
  list.Frames[1] = {&b, 2, 1, 500, true, false, 0xFFFFFF, 2, ""};
  list.Frames[2] = {&c, 1, 3, 70, false, true, 0xFFFFFF, 3, std::string(300, 'x')};
  const std::string gif = Write(list);
  EXPECT_NE(gif.find("NETSCAPE2.0\x03\x01\x03\x00\x00", 0, 16), std::string::npos);
  EXPECT_EQ(static_cast<unsigned char>(gif[10]), 0u);  // no global colour table
  // graphic control data and that the first frame's pixels are exact.
  std::istringstream lines(Decode(gif));
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "frames 3 6 5 3");
  std::vector<std::string> frames;
  std::string pixels[3];
  while (std::getline(lines, line))
    if (line.rfind("frame ", 0) == 0)
      frames.push_back(line);
    else if (!frames.empty() && frames.size() <= 3)
      pixels[frames.size() - 1] += line + "\n";
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0], "frame 0 0 6 4 200 1 first frame");
  EXPECT_EQ(frames[1].substr(0, 20), "frame 2 1 3 3 500 2 ");  // the decoder keeps the comment
  EXPECT_EQ(frames[2], "frame 1 3 5 2 70 3 " + std::string(300, 'x'));
  EXPECT_EQ(pixels[0], Rows(a));
  EXPECT_EQ(pixels[1], Rows(b));
  // The transparent pixel shows what lies below; the others are the frame's own.
  const std::string own = Rows(c);
  EXPECT_EQ(pixels[2].substr(pixels[2].find(' ')), own.substr(own.find(' ')));
  // Graphic control extension of the third frame: disposal 3, transparent, 7 hundredths.
  const std::size_t third = gif.rfind("\x21\xF9\x04");
  ASSERT_NE(third, std::string::npos);
  EXPECT_EQ(static_cast<unsigned char>(gif[third + 3]), 12u + 1u);
  EXPECT_EQ(gif[third + 4], 7);
  // The 300-byte comment is split into sub-blocks of 255 and 45.
  EXPECT_NE(gif.find("\x21\xFE\xFF" + std::string(255, 'x') + "\x2D" + std::string(45, 'x') +
                     std::string(1, '\0')),
            std::string::npos);
}

TEST_F(GifWriterTest, SharedPaletteAndItsFallBackToLocalTables) {
  // Two frames at 0,0 with the global switch on: a shared table while the colours fit in
  // 256, else each frame with its own.
  auto check = [&](const TBitmap& a, const TBitmap& b, unsigned GlobalFlag) {
    TGifImageList list;
    list.GlobalPalette = true;
    list.Frames.resize(2);
    list.Frames[0].Bitmap = &a;
    list.Frames[1].Bitmap = &b;
    const std::string gif = Write(list);
    EXPECT_EQ(static_cast<unsigned char>(gif[10]) & 0x80, GlobalFlag);
    const std::string text = Decode(gif);
    EXPECT_NE(text.find(Rows(a)), std::string::npos);
    EXPECT_NE(text.find(Rows(b)), std::string::npos);
  };
  TBitmap a(8, 8), b(8, 8), c(16, 16), d(16, 16);
  Fill(a, 100, 4);
  Fill(b, 100, 5);
  check(a, b, 0x80);
  Fill(c, 200, 6);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) d.SetPixelAt(x, y, RGB(x * 16, y * 16, 7));  // 256 new colours
  check(c, d, 0);
}

TEST_F(GifWriterTest, TransparentColourGetsItsIndex) {
  TBitmap bitmap(4, 2);
  Fill(bitmap, 3, 9);
  bitmap.SetPixelAt(3, 1, RGB(1, 2, 3));
  TGifImageList list = One(bitmap);
  list.Frames[0].Transparent = true;
  list.Frames[0].TransparentColor = RGB(1, 2, 3);
  const std::string text = Decode(Write(list));
  EXPECT_NE(text.find(Rows(bitmap, RGB(1, 2, 3))), std::string::npos);
  // A transparent colour that the bitmap lacks sets no transparency.
  list.Frames[0].TransparentColor = RGB(9, 9, 9);
  EXPECT_NE(Decode(Write(list)).find(Rows(bitmap)), std::string::npos);
}

TEST_F(GifWriterTest, PictureReplyCarriesTheGifAfterItsHeader) {
  TBitmap bitmap(20, 10);
  Fill(bitmap, 9, 11);
  TMemoryStream direct;
  ASSERT_TRUE(WriteGifToStream(direct, One(bitmap)));
  for (bool buffered : {false, true}) {
    SCOPED_TRACE(buffered ? "buffered" : "unbuffered");
    TCGIEngineSettings settings;
    settings.CGIMode = ServerMode;
    settings.BufferedOutput = buffered;
    settings.OnExecRequest = [&](TObject*) { SendBitmapAsGif(bitmap); };
    TCGIStdEngine engine(nullptr, settings);
    const std::string reply = Run(engine, {});
    const std::size_t body = reply.find("\r\n\r\n");
    ASSERT_NE(body, std::string::npos);
    EXPECT_NE(reply.substr(0, body).find("image/gif"), std::string::npos);
    EXPECT_EQ(reply.substr(body + 4), direct.DataString());
  }
}

}  // namespace
