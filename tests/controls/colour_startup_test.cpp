// Colour conversions and shades; the start-up cursors, bitmaps and palette.
#include <gtest/gtest.h>

#include <memory>

#include "controls/colour_convert.h"
#include "controls/startup_resources.h"
#include "platform/headless/headless_peer.h"
#include "platform/ui/screen.h"

namespace {

void ExpectRGB(const THLSTriple& hls, double r, double g, double b) {
  TRGBTriple rgb;
  HLS2RGB(hls, rgb);
  EXPECT_NEAR(rgb[0], r, 1e-12);
  EXPECT_NEAR(rgb[1], g, 1e-12);
  EXPECT_NEAR(rgb[2], b, 1e-12);
}

TEST(ColourConvert, HlsCornersAndLimits) {
  ExpectRGB({0, 0.5, 1}, 1, 0, 0);
  ExpectRGB({1.0 / 3, 0.5, 1}, 0, 1, 0);
  ExpectRGB({2.0 / 3, 0.5, 1}, 0, 0, 1);
  ExpectRGB({1, 0.5, 1}, 1, 0, 0);  // sector 6 is sector 0
  ExpectRGB({0.3, 1, 0.7}, 1, 1, 1);
  ExpectRGB({0.8, 0, 0.4}, 0, 0, 0);
  ExpectRGB({1.0 / 12, 0.25, 1}, 0.5, 0.25, 0);  // half way from red to yellow, darker
}

TEST(ColourConvert, RgbToHlsIsTheInverse) {
  THLSTriple hls;
  RGB2HLS({0.5, 0.5, 0.5}, hls);
  EXPECT_EQ(hls, (THLSTriple{0, 0.5, 0}));
  RGB2HLS({0.2, 0.2, 0.2}, hls);
  EXPECT_EQ(hls, (THLSTriple{0, 0.2, 0}));
  const TRGBTriple samples[] = {{1, 0, 0}, {0.9, 0.4, 0.1}, {0.3, 0.8, 0.2}, {0.1, 0.6, 0.7},
                                {0.2, 0.3, 0.9}, {0.7, 0.1, 0.8}, {0.95, 0.2, 0.5}, {0.6, 0.6, 0.1}};
  for (const auto& rgb : samples) {
    RGB2HLS(rgb, hls);
    TRGBTriple back;
    HLS2RGB(hls, back);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(back[static_cast<std::size_t>(i)], rgb[static_cast<std::size_t>(i)], 1e-9);
  }
  RGB2HLS({0, 0, 1}, hls);
  EXPECT_NEAR(hls[0], 4.0 / 6, 1e-12);
}

TEST(ColourConvert, OutOfRangeNamesTheComponentAndWritesNothing) {
  TRGBTriple rgb{0.25, 0.25, 0.25};
  try {
    HLS2RGB({1.5, 0.5, 0.5}, rgb);
    FAIL();
  } catch (const EColorConv& e) {
    EXPECT_STREQ(e.what(), "HLS2RGB: 0 <= Hue value <= 1 required");
  }
  EXPECT_EQ(rgb, (TRGBTriple{0.25, 0.25, 0.25}));
  EXPECT_THROW(HLS2RGB({0.5, 0.5, -0.1}, rgb), EColorConv);
  THLSTriple hls{};
  try {
    RGB2HLS({0.5, 1.01, 2}, hls);
    FAIL();
  } catch (const EColorConv& e) {
    EXPECT_STREQ(e.what(), "RGB2HLS: 0 <= Green value <= 1 required");
  }
}

TEST(ColourConvert, Shades) {
  TColor hi, sh;
  ShadeColors(clBlack, hi, sh, 0.6f, 0.5f);
  EXPECT_EQ(hi, static_cast<TColor>(RGB(127, 127, 127)));
  EXPECT_EQ(sh, clBlack);
  // Button face C0C0C0: highlight 255 - round(64 x 0.5) = 223; shadow lightness 0.753 x 0.6.
  ShadeColors(clBtnFace, hi, sh, 0.6f, 0.5f);
  EXPECT_EQ(hi, static_cast<TColor>(RGB(223, 223, 223)));
  EXPECT_EQ(sh, static_cast<TColor>(RGB(115, 115, 115)));
  // Pure red: lightness 0.5 x 0.6 = 0.3 keeps full saturation.
  ShadeColors(clRed, hi, sh, 0.6f, 0.5f);
  EXPECT_EQ(sh, static_cast<TColor>(RGB(153, 0, 0)));
  EXPECT_EQ(hi, static_cast<TColor>(RGB(255, 127, 127)));
  // A factor of 1 on black: 256 x 1 mod 256 = 0, so the highlight wraps to white.
  ShadeColors(clBlack, hi, sh, 1.0f, 1.0f);
  EXPECT_EQ(hi, clWhite);
  ShadeColors(clWhite, hi, sh, 1.0f, 1.0f);
  EXPECT_EQ(hi, static_cast<TColor>(RGB(254, 254, 254)));
}

class TDepthScreen : public TScreenService {
public:
  explicit TDepthScreen(int depth) : FDepth(depth) {}
  int ColorDepth() const override { return FDepth; }

private:
  int FDepth;
};

class StartupTest : public ::testing::Test {
protected:
  StartupTest() { InstallHeadlessBackend(); }
  ~StartupTest() override { SetScreenService(std::make_unique<TScreenService>()); }
};

TEST_F(StartupTest, DepthClasses) {
  EXPECT_EQ(ColorDepthClass(1, 1), 4);
  EXPECT_EQ(ColorDepthClass(4, 1), 4);
  EXPECT_EQ(ColorDepthClass(5, 1), 8);
  EXPECT_EQ(ColorDepthClass(8, 1), 8);
  EXPECT_EQ(ColorDepthClass(16, 1), 24);
  EXPECT_EQ(ColorDepthClass(1, 8), 8);
}

TEST_F(StartupTest, PaletteOnlyOnEightBits) {
  SetScreenService(std::make_unique<TDepthScreen>(16));
  {
    TStartupResources r;
    EXPECT_EQ(r.ColorDepth(), 24);
    EXPECT_EQ(r.Palette(), nullptr);
  }
  SetScreenService(std::make_unique<TDepthScreen>(8));
  TStartupResources r;
  ASSERT_NE(r.Palette(), nullptr);
  const auto& e = r.Palette()->Entries();
  ASSERT_EQ(e.size(), 256u);
  PALETTEENTRY system[256];
  GetSystemPaletteEntries(nullptr, 0, 256, system);
  for (int i : {0, 9, 246, 255}) {
    EXPECT_EQ(e[static_cast<std::size_t>(i)].peRed, system[i].peRed) << i;
    EXPECT_EQ(e[static_cast<std::size_t>(i)].peBlue, system[i].peBlue) << i;
  }
  // The cube: red innermost, blue outermost; its last entry (235 is not the top corner).
  EXPECT_EQ(e[10].peRed, 55); EXPECT_EQ(e[10].peGreen, 55); EXPECT_EQ(e[10].peBlue, 55);
  EXPECT_EQ(e[11].peRed, 115); EXPECT_EQ(e[11].peGreen, 55);
  EXPECT_EQ(e[16].peRed, 55); EXPECT_EQ(e[16].peGreen, 115);
  EXPECT_EQ(e[46].peBlue, 115);
  EXPECT_EQ(e[224].peRed, 235); EXPECT_EQ(e[224].peGreen, 255); EXPECT_EQ(e[224].peBlue, 255);
  // Greys 135, 140, ... without 165, 205, 235.
  EXPECT_EQ(e[225].peRed, 135);
  EXPECT_EQ(e[230].peGreen, 160);
  EXPECT_EQ(e[231].peBlue, 170);
  EXPECT_EQ(e[245].peRed, 250);
  for (const auto& p : e) EXPECT_EQ(p.peFlags, 0);
}

TEST_F(StartupTest, CursorsAndBitmaps) {
  TStartupResources r;
  HCURSOR four = Screen().Cursors(4);
  ASSERT_NE(four, nullptr);
  ASSERT_TRUE(four->HasImage());
  HCURSOR resource = LoadCursor(nullptr, "UPONLYCURSOR");
  ASSERT_NE(resource, nullptr);
  EXPECT_EQ(four->Pixels, resource->Pixels);
  EXPECT_EQ(four->HotSpot, resource->HotSpot);
  for (int id = 1; id <= 5; ++id) EXPECT_TRUE(Screen().Cursors(id)->HasImage()) << id;
  TBitmap expected;
  expected.LoadFromResourceID(nullptr, 1001);
  EXPECT_EQ(r.Bitmap(1).Width(), expected.Width());
  EXPECT_EQ(r.Bitmap(1).SaveToBmp(), expected.SaveToBmp());
  EXPECT_FALSE(r.Bitmap(0).Empty());
  EXPECT_FALSE(r.Bitmap(2).Empty());
  EXPECT_EQ(r.Stream().Size(), 0);
}

}  // namespace
