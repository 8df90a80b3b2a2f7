// The picture control with effects: the source made 24-bit, the clamps and partner resets of
// the properties, the exact per-pixel figures, the area effects (also on pictures of one row
// or column), and a picture written and checked by python3-pil.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "controls/image_control.h"
#include "platform/gfx/jpeg_image.h"
#include "platform/headless/headless_peer.h"

namespace {

std::unique_ptr<TBitmap> MakeBitmap(int w, int h, TPixelFormat format = pf24bit) {
  auto made = std::make_unique<TBitmap>(w, h, format);
  TBitmap& b = *made;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixelAt(x, y, RGB((x * 37 + y * 11) % 256, (x * 5 + y * 71) % 256, (x * y * 3) % 256));
  return made;
}

COLORREF Shown(TEffectImage& im, int x, int y) { return im.Picture().Bitmap().PixelAt(x, y); }

class EffectImageTest : public ::testing::Test {
protected:
  EffectImageTest() : Image(nullptr) { InstallHeadlessBackend(); }
  void Load(const TBitmap& b) {
    TPicture p;
    p.SetGraphic(&b);
    Image.SetPictureOriginal(&p);
  }
  void LoadPixel(COLORREF c) {
    TBitmap b(1, 1);
    b.SetPixelAt(0, 0, c);
    Load(b);
  }
  TEffectImage Image;
};

TEST_F(EffectImageTest, NeutralShowsTheSourceMadeTwentyFourBit) {
  EXPECT_EQ(Image.Width(), 105);
  EXPECT_EQ(Image.Height(), 105);
  auto bMade = MakeBitmap(7, 5, pf32bit);
  TBitmap& b = *bMade;
  Load(b);
  auto* source = dynamic_cast<TBitmap*>(Image.PictureOriginal().Graphic());
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->PixelFormat(), pf24bit);
  TBitmap& shown = Image.Picture().Bitmap();
  ASSERT_EQ(shown.Width(), 7);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(shown.PixelAt(x, y), b.PixelAt(x, y));
  // No picture: the shown one is cleared and setters only store.
  Image.SetPictureOriginal(nullptr);
  EXPECT_EQ(Image.Picture().Graphic(), nullptr);
  Image.SetPicInvert(true);
  EXPECT_TRUE(Image.PicInvert());
  EXPECT_EQ(Image.Picture().Graphic(), nullptr);
}

TEST_F(EffectImageTest, ClampsAndPartners) {
  Image.SetPicBrightness(300);
  EXPECT_EQ(Image.PicBrightness(), 255);
  Image.SetPicBrightness(-300);
  EXPECT_EQ(Image.PicBrightness(), -255);
  Image.SetPicSplitlight(20);
  EXPECT_EQ(Image.PicSplitlight(), 10);
  Image.SetPicGaussianBlur(99);
  EXPECT_EQ(Image.PicGaussianBlur(), 50);
  Image.SetPicTrace(11);
  EXPECT_EQ(Image.PicTrace(), 10);
  EXPECT_EQ(Image.PicGaussianBlur(), 0);
  Image.SetPicContrast(-999);
  EXPECT_EQ(Image.PicContrast(), -255);
  Image.SetPicLightness(999);
  EXPECT_EQ(Image.PicLightness(), 255);
  Image.SetPicSolorize(300);
  EXPECT_EQ(Image.PicSolorize(), 255);

  Image.SetPicPosterize(8);
  EXPECT_EQ(Image.PicSolorize(), 0);
  Image.SetPicSolorize(10);
  EXPECT_EQ(Image.PicPosterize(), 0);
  Image.SetPicColorNoise(5);
  Image.SetPicMonoNoise(6);
  EXPECT_EQ(Image.PicColorNoise(), 0);
  Image.SetPicColorNoise(7);
  EXPECT_EQ(Image.PicMonoNoise(), 0);

  Image.SetPicEmboss(true);
  Image.SetPicTile(3);
  EXPECT_FALSE(Image.PicEmboss());
  Image.SetPicMosaic(-4);  // no picture: no upper clamp, a negative value gives 0
  EXPECT_EQ(Image.PicMosaic(), 0);
  EXPECT_EQ(Image.PicTile(), 0);
  Image.SetPicMosaic(500);
  EXPECT_EQ(Image.PicMosaic(), 500);
  Load(*MakeBitmap(30, 20));
  Image.SetPicMosaic(500);
  EXPECT_EQ(Image.PicMosaic(), 30);
}

TEST_F(EffectImageTest, PerPixelFigures) {
  LoadPixel(RGB(200, 100, 50));
  Image.SetPicBrightness(10);
  EXPECT_EQ(Shown(Image, 0, 0), RGB(210, 110, 60));
  Image.SetPicBrightness(0);
  // Contrast 100: |200 - 127| x 100 div 255 = 28 up; 100 and 50 go down 10 and 30.
  Image.SetPicContrast(100);
  EXPECT_EQ(Shown(Image, 0, 0), RGB(228, 90, 20));
  // A negative contrast pulls towards the middle.
  Image.SetPicContrast(-100);
  EXPECT_EQ(Shown(Image, 0, 0), RGB(172, 110, 80));
  Image.SetPicContrast(0);
  Image.SetPicLightness(51);  // (255 - c) x 51 div 255
  EXPECT_EQ(Shown(Image, 0, 0), RGB(211, 131, 91));
  Image.SetPicLightness(0);
  Image.SetPicDarkness(51);  // -(c x 51) div 255
  EXPECT_EQ(Shown(Image, 0, 0), RGB(160, 80, 40));
  Image.SetPicDarkness(0);
  Image.SetPicPosterize(40);  // round(c / 40) x 40, halves to even: 2.5 -> 2, 1.25 -> 1
  EXPECT_EQ(Shown(Image, 0, 0), RGB(200, 80, 40));
  Image.SetPicSolorize(140);  // mean 116 > 115: every channel inverted
  EXPECT_EQ(Shown(Image, 0, 0), RGB(55, 155, 205));
  Image.SetPicSolorize(139);
  EXPECT_EQ(Shown(Image, 0, 0), RGB(200, 100, 50));
  Image.SetPicSolorize(0);
  Image.SetPicSplitlight(1);  // round(sin(c / 255 x pi / 2) x 255)
  EXPECT_EQ(Shown(Image, 0, 0), RGB(241, 147, 77));
  Image.SetPicSplitlight(0);
  Image.SetPicSaturation(255);  // m = 116, c := m + (c - m) x 2
  EXPECT_EQ(Shown(Image, 0, 0), RGB(255, 84, 0));
  // Grey wins over saturation: round(60 + 59 + 5.5) = 124 (half to even); invert afterwards.
  Image.SetPicGrayScale(true);
  EXPECT_EQ(Shown(Image, 0, 0), RGB(124, 124, 124));
  Image.SetPicInvert(true);
  EXPECT_EQ(Shown(Image, 0, 0), RGB(131, 131, 131));
}

TEST_F(EffectImageTest, NoiseOnlyAdds) {
  TBitmap grey(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) grey.SetPixelAt(x, y, RGB(100, 100, 100));
  Load(grey);
  Image.SetPicMonoNoise(40);
  ASSERT_NE(Image.NoiseBitmap(), nullptr);
  bool some = false;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      COLORREF c = Shown(Image, x, y);
      EXPECT_GE(GetRValue(c), 100);
      EXPECT_LT(GetRValue(c), 120);
      EXPECT_EQ(GetRValue(c), GetGValue(c));
      EXPECT_EQ(GetRValue(c), GetBValue(c));
      some = some || GetRValue(c) > 100;
    }
  EXPECT_TRUE(some);
  // Another property keeps the layer as it is.
  COLORREF before = Shown(Image, 3, 3);
  Image.SetPicBrightness(1);
  EXPECT_EQ(Shown(Image, 3, 3), before + RGB(1, 1, 1));
  Image.SetPicMonoNoise(0);
  EXPECT_EQ(Image.NoiseBitmap(), nullptr);
}

TEST_F(EffectImageTest, AreaEffects) {
  auto bMade = MakeBitmap(9, 7);
  TBitmap& b = *bMade;
  Load(b);
  Image.SetPicMosaic(4);
  EXPECT_EQ(Shown(Image, 3, 3), b.PixelAt(0, 0));
  EXPECT_EQ(Shown(Image, 8, 6), b.PixelAt(8, 4));
  Image.SetPicAntiAlias(1);
  EXPECT_EQ(Image.PicMosaic(), 0);
  EXPECT_EQ(Shown(Image, 0, 0), b.PixelAt(0, 0));  // the border stays
  {
    // (1, 1) from the original pixel above and below and its right neighbour, and the
    // already smoothed left neighbour (0, 1), which is a border pixel.
    COLORREF up = b.PixelAt(1, 0), down = b.PixelAt(1, 2), left = b.PixelAt(0, 1), right = b.PixelAt(2, 1);
    int r = (GetRValue(up) + GetRValue(down) + GetRValue(left) + GetRValue(right)) / 4;
    EXPECT_EQ(GetRValue(Shown(Image, 1, 1)), r);
  }
  // Tiles below 10 pixels both ways: the count is lowered.
  Load(*MakeBitmap(50, 40));
  Image.SetPicTile(20);
  EXPECT_EQ(Image.PicTile(), 5);
  EXPECT_EQ(Shown(Image, 0, 0), Shown(Image, 10, 10));
  EXPECT_EQ(Shown(Image, 3, 4), Shown(Image, 43, 34));
  // Trace marks the edge between two colours in black.
  TBitmap halves(12, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 12; ++x) halves.SetPixelAt(x, y, x < 6 ? RGB(255, 255, 255) : RGB(0, 0, 255));
  Load(halves);
  Image.SetPicTrace(1);
  EXPECT_EQ(Shown(Image, 5, 2), RGB(0, 0, 0));
  EXPECT_EQ(Shown(Image, 1, 2), RGB(255, 255, 255));
  EXPECT_EQ(Shown(Image, 9, 2), RGB(0, 0, 255));
  // Emboss: against the pixel three columns right, one row down.
  TBitmap e(6, 2);
  for (int x = 0; x < 6; ++x) {
    e.SetPixelAt(x, 0, RGB(100, 100, 100));
    e.SetPixelAt(x, 1, RGB(40 * x, 0, 0));
  }
  Load(e);
  Image.SetPicEmboss(true);
  EXPECT_EQ(GetRValue(Shown(Image, 0, 0)), (100 + 255 - 120) / 2);
  EXPECT_EQ(GetRValue(Shown(Image, 4, 0)), (100 + 255 - 160) / 2);
}

// Samples that would leave a small picture are taken from its last row or column.
TEST_F(EffectImageTest, EffectsStayInsideSmallPictures) {
  TBitmap row(2, 1);
  row.SetPixelAt(0, 0, RGB(0, 0, 0));
  row.SetPixelAt(1, 0, RGB(200, 100, 40));
  TBitmap blurred;
  blurred.Assign(row);
  SplitBlurBitmap(blurred, 255);
  EXPECT_EQ(blurred.PixelAt(0, 0), RGB(100, 50, 20));
  EXPECT_EQ(blurred.PixelAt(1, 0), RGB(200, 100, 40));
  TBitmap column(1, 2);
  column.SetPixelAt(0, 0, RGB(0, 0, 0));
  column.SetPixelAt(0, 1, RGB(80, 40, 200));
  SplitBlurBitmap(column, 9);
  EXPECT_EQ(column.PixelAt(0, 0), RGB(40, 20, 100));

  // One row: emboss compares against the row itself.
  TBitmap line(5, 1);
  for (int x = 0; x < 5; ++x) line.SetPixelAt(x, 0, RGB(50 * x, 0, 0));
  EmbossBitmap(line);
  EXPECT_EQ(GetRValue(line.PixelAt(0, 0)), (0 + 255 - 150) / 2);
  EXPECT_EQ(GetRValue(line.PixelAt(1, 0)), (50 + 255 - 200) / 2);
  EXPECT_EQ(GetRValue(line.PixelAt(4, 0)), (200 + 255 - 200) / 2);

  // A source one pixel wide resampled into tiles.
  TBitmap thin(1, 20);
  for (int y = 0; y < 20; ++y) thin.SetPixelAt(0, y, RGB(10 * y, 0, 0));
  TBitmap tile(10, 10);
  BilinearResample(thin, tile);
  for (int y = 0; y < 10; ++y) {
    EXPECT_EQ(tile.PixelAt(0, y), tile.PixelAt(9, y));
    EXPECT_NEAR(GetRValue(tile.PixelAt(0, y)), 19 * y, 1);
  }
  Load(thin);
  Image.SetPicTile(2);
  EXPECT_EQ(Image.PicTile(), 2);
}

// The fast row loops against the effects written pixel by pixel as they are defined.
TEST_F(EffectImageTest, AreaEffectsMatchTheirDefinitions) {
  auto channel = [](const TBitmap& b, int x, int y, int c) { return static_cast<int>(b.ScanLine(y)[3 * x + c]); };
  for (int distance : {1, 3, 7, 30}) {
    auto made = MakeBitmap(23, 17);
    TBitmap plain;
    plain.Assign(*made);
    SplitBlurBitmap(*made, distance);
    const int w = 23, h = 17;
    for (int y = 0; y < h; ++y) {
      int up = y - distance >= 0 ? y - distance : y;
      int down = y + distance < h ? y + distance : std::min(h - y, h - 1);
      for (int x = 0; x < w; ++x) {
        int l = x - distance >= 0 ? x - distance : x;
        int r = x + distance < w ? x + distance : std::min(w - x, w - 1);
        for (int c = 0; c < 3; ++c)
          plain.ScanLine(y)[3 * x + c] = static_cast<BYTE>(
              (channel(plain, l, up, c) + channel(plain, l, down, c) + channel(plain, r, up, c) + channel(plain, r, down, c)) / 4);
      }
    }
    EXPECT_EQ(made->SaveToBmp(), plain.SaveToBmp()) << "split blur " << distance;
  }
  auto made = MakeBitmap(19, 13);
  TBitmap plain;
  plain.Assign(*made);
  AntiAliasBitmap(*made, 2);
  for (int pass = 0; pass < 2; ++pass)
    for (int y = 1; y < 12; ++y)
      for (int x = 1; x < 18; ++x)
        for (int c = 0; c < 3; ++c)
          plain.ScanLine(y)[3 * x + c] = static_cast<BYTE>(
              (channel(plain, x, y - 1, c) + channel(plain, x, y + 1, c) + channel(plain, x - 1, y, c) + channel(plain, x + 1, y, c)) / 4);
  EXPECT_EQ(made->SaveToBmp(), plain.SaveToBmp()) << "anti-alias";
}

TEST_F(EffectImageTest, JpegBecomesABitmapOfTheSameSize) {
  auto bMade = MakeBitmap(24, 16);
  TBitmap& b = *bMade;
  TJPEGImage jpeg;
  jpeg.Assign(&b);
  TPicture p;
  p.SetGraphic(&jpeg);
  Image.SetPictureOriginal(&p);
  auto* source = dynamic_cast<TBitmap*>(Image.PictureOriginal().Graphic());
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->Width(), 24);
  EXPECT_EQ(source->Height(), 16);
  EXPECT_EQ(source->PixelFormat(), pf24bit);
  Image.SetPicInvert(true);
  EXPECT_EQ(Shown(Image, 5, 5), ~source->PixelAt(5, 5) & 0xFFFFFF);
}

TEST_F(EffectImageTest, MouseInsideFollowsEnterAndLeave) {
  int exits = 0, enters = 0;
  Image.OnMouseExit = [&](TObject*) { ++exits; };
  Image.OnMouseEnter = [&](TObject*) { ++enters; };
  Image.Perform(CM_MOUSEENTER);
  EXPECT_TRUE(Image.MouseInside());
  Image.Perform(CM_MOUSELEAVE);
  EXPECT_FALSE(Image.MouseInside());
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(exits, 1);
  Image.Perform(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_TRUE(Image.MouseInside());
}

// python3-pil writes a picture, the control inverts its grey scale, python3-pil checks it.
TEST_F(EffectImageTest, PilPicturesRoundTrip) {
  ASSERT_EQ(std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null"), 0)
      << "the checker PIL is missing: scripts/setup installs the package python3-pil";
  std::string dir = std::filesystem::temp_directory_path() / ("qn_effects_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string in = dir + "/in.bmp", out = dir + "/out.bmp";
  std::string make = "/usr/bin/python3 -c \"from PIL import Image\n"
                     "im = Image.new('RGB', (64, 48))\n"
                     "im.putdata([((x * 4) % 256, (y * 5) % 256, (x * y) % 256) for y in range(48) for x in range(64)])\n"
                     "im.save('" + in + "')\"";
  ASSERT_EQ(std::system(make.c_str()), 0);
  Image.PictureOriginal().LoadFromFile(in);
  Image.SetPicGrayScale(true);
  Image.SetPicInvert(true);
  Image.Picture().Bitmap().SaveToFile(out);
  std::string check = "/usr/bin/python3 -c \"from PIL import Image\n"
                      "a = Image.open('" + in + "').convert('RGB'); b = Image.open('" + out + "').convert('RGB')\n"
                      "assert a.size == b.size\n"
                      "for (r, g, bl), c in zip(a.getdata(), b.getdata()):\n"
                      "    v = 255 - round(0.3 * r + 0.59 * g + 0.11 * bl)\n"
                      "    assert c == (v, v, v), (r, g, bl, c)\n\"";
  EXPECT_EQ(std::system(check.c_str()), 0);
  std::filesystem::remove_all(dir);
}

}  // namespace
