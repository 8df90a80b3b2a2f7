// Bitmaps: pixels through the canvas, frames, BMP files, image lists, colours.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <unistd.h>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/image_list.h"
#include "platform/gfx/colors.h"
#include "platform/rtl/exceptions.h"
#include "tests/temp_path.h"

namespace {

TEST(Colors, SystemColoursResolveThroughTheTable) {
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(0xC0, 0xC0, 0xC0));
  EXPECT_EQ(ColorToRGB(clHighlight), RGB(0, 0, 0x80));
  EXPECT_EQ(ColorToRGB(clInfoBk), RGB(0xFF, 0xFF, 0xE1));
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
  SetSysColor(COLOR_BTNFACE, RGB(1, 2, 3));
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(1, 2, 3));
  ResetSysColors();
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(0xC0, 0xC0, 0xC0));
  EXPECT_EQ(GetRValue(RGB(10, 20, 30)), 10);
  EXPECT_EQ(GetBValue(RGB(10, 20, 30)), 30);
  EXPECT_EQ(ColorToArgb(clRed), 0xFFFF0000u);
  EXPECT_EQ(ArgbToColor(0xFF00FF00u), clLime);
}

TEST(Bitmap, CanvasWritesPixelsOfFillsAndFrames) {
  TBitmap bmp(20, 10);
  EXPECT_EQ(bmp.BytesPerLine(), 60);
  bmp.Canvas().Brush().SetColor(clRed);
  bmp.Canvas().FillRect(Rect(2, 2, 5, 5));
  EXPECT_EQ(bmp.PixelAt(2, 2), 0x0000FFu);
  EXPECT_EQ(bmp.PixelAt(4, 4), 0x0000FFu);
  EXPECT_EQ(bmp.PixelAt(5, 5), 0xFFFFFFu);  // right and bottom are exclusive
  EXPECT_EQ(bmp.ScanLine(2)[2 * 3 + 2], 0xFF);  // B,G,R order
  bmp.Canvas().Brush().SetColor(clBlue);
  bmp.Canvas().FrameRect(Rect(10, 0, 15, 5));
  EXPECT_EQ(bmp.PixelAt(10, 0), 0xFF0000u);
  EXPECT_EQ(bmp.PixelAt(14, 4), 0xFF0000u);
  EXPECT_EQ(bmp.PixelAt(12, 2), 0xFFFFFFu);
  bmp.Canvas().SetPixel(19, 9, clLime);
  EXPECT_EQ(bmp.Canvas().Pixel(19, 9), clLime);
}

TEST(Bitmap, FocusRectangleTwiceLeavesNothing) {
  TBitmap bmp(12, 12);
  bmp.Canvas().DrawFocusRect(Rect(1, 1, 11, 11));
  int changed = 0;
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) changed += bmp.PixelAt(x, y) != 0xFFFFFF;
  EXPECT_GT(changed, 10);
  bmp.Canvas().DrawFocusRect(Rect(1, 1, 11, 11));
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) ASSERT_EQ(bmp.PixelAt(x, y), 0xFFFFFFu);
}

// Coordinates and pens from a damaged file: shapes reaching two billion pixels past the bitmap
// draw their part on it at once (each used to step through every pixel of its whole extent).
TEST(Bitmap, ShapesFarBeyondTheBitmapDrawOnlyTheirPartOnIt) {
  TBitmap bmp(20, 10);
  TCanvas& c = bmp.Canvas();
  c.Pen().SetColor(clRed);
  c.Pen().SetWidth(3);
  c.MoveTo(-2000000000, 4);
  c.LineTo(2000000000, 4);
  for (int x = 0; x < 20; ++x) {
    EXPECT_EQ(bmp.PixelAt(x, 2), 0xFFFFFFu) << x;
    for (int y = 3; y <= 5; ++y) EXPECT_EQ(bmp.PixelAt(x, y), 0x0000FFu) << x << "," << y;
    EXPECT_EQ(bmp.PixelAt(x, 6), 0xFFFFFFu) << x;
  }
  // A dashed line keeps its pattern: ten steps of a 6-on-3-off dash show six or seven.
  c.Pen().SetWidth(1);
  c.Pen().SetColor(clBlue);
  c.Pen().SetStyle(psDash);
  c.MoveTo(15, -2000000000);
  c.LineTo(15, 2000000001);
  int on = 0;
  for (int y = 0; y < 10; ++y) on += bmp.PixelAt(15, y) == 0xFF0000u;
  EXPECT_GE(on, 6);
  EXPECT_LE(on, 7);
  // A filled ellipse and triangle around the whole bitmap cover it.
  c.Pen().SetStyle(psClear);
  c.Brush().SetColor(clLime);
  c.Ellipse(-1000000000, -1000000000, 1000000000, 1000000000);
  EXPECT_EQ(bmp.PixelAt(0, 0), 0x00FF00u);
  EXPECT_EQ(bmp.PixelAt(19, 9), 0x00FF00u);
  c.Brush().SetColor(clRed);
  c.Polygon({{-2000000000, -5}, {2000000000, -5}, {0, 2000000000}});
  EXPECT_EQ(bmp.PixelAt(0, 0), 0x0000FFu);
  EXPECT_EQ(bmp.PixelAt(19, 9), 0x0000FFu);
  c.DrawFocusRect(Rect(-2000000000, -2000000000, 2000000000, 2000000000));
  // The very ends of the coordinates (their sums and differences pass the range of an int).
  c.Pen().SetStyle(psSolid);
  c.Pen().SetWidth(1);
  c.Brush().SetColor(clYellow);
  c.Rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  EXPECT_EQ(bmp.PixelAt(10, 5), 0x00FFFFu);
  c.Ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  c.Polygon({{INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MAX}});
  c.DrawFocusRect(Rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
  c.DrawFocusRect(Rect(INT_MAX, INT_MAX, INT_MIN, INT_MIN));
  // A pen two billion pixels wide covers the bitmap.
  c.Pen().SetStyle(psSolid);
  c.Pen().SetWidth(2000000000);
  c.Pen().SetColor(clBlue);
  c.MoveTo(-5, -5);
  c.LineTo(30, 20);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(bmp.PixelAt(x, y), 0xFF0000u) << x << "," << y;
}

TEST(Bitmap, RaisedEdgeUsesTheSystemColoursAndAdjusts) {
  TBitmap bmp(10, 10);
  TRect r = Rect(0, 0, 10, 10);
  bmp.Canvas().DrawEdge(r, EDGE_RAISED, BF_RECT | BF_ADJUST);
  EXPECT_EQ(r, Rect(2, 2, 8, 8));
  EXPECT_EQ(bmp.PixelAt(0, 0), ColorToRGB(cl3DLight));
  EXPECT_EQ(bmp.PixelAt(9, 9), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(bmp.PixelAt(1, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(bmp.PixelAt(8, 8), ColorToRGB(clBtnShadow));
}

TEST(Bitmap, ResizeKeepsPixelsAndStretchDrawScales) {
  TBitmap src(2, 1);
  src.SetPixelAt(0, 0, RGB(255, 0, 0));
  src.SetPixelAt(1, 0, RGB(0, 0, 255));
  src.SetSize(3, 2);
  EXPECT_EQ(src.PixelAt(1, 0), RGB(0, 0, 255));
  EXPECT_EQ(src.PixelAt(2, 1), 0xFFFFFFu);
  TBitmap dst(6, 4, pf32bit);
  dst.Canvas().StretchDraw(Rect(0, 0, 6, 4), src);
  EXPECT_EQ(dst.PixelAt(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(dst.PixelAt(3, 0), RGB(0, 0, 255));
  EXPECT_EQ(dst.PixelAt(5, 3), 0xFFFFFFu);
}

TEST(Bitmap, TransparentDrawSkipsTheKeyColour) {
  TBitmap src(2, 2);
  src.SetPixelAt(0, 0, RGB(9, 9, 9));  // bottom-left stays white: the key colour
  src.SetTransparent(true);
  TBitmap dst(2, 2);
  dst.Canvas().Brush().SetColor(clBlack);
  dst.Canvas().FillRect(Rect(0, 0, 2, 2));
  dst.Canvas().Draw(0, 0, src);
  EXPECT_EQ(dst.PixelAt(0, 0), RGB(9, 9, 9));
  EXPECT_EQ(dst.PixelAt(1, 1), 0u);
}

TEST(Bitmap, BmpFilesRoundTripAndBadFilesRaise) {
  TBitmap bmp(5, 3);
  bmp.SetPixelAt(4, 2, RGB(1, 2, 3));
  bmp.SetPixelAt(0, 0, RGB(200, 100, 50));
  std::string path = TempPath("qn_bitmap_test_" + std::to_string(::getpid()) + ".bmp");
  bmp.SaveToFile(path);
  TBitmap back;
  back.LoadFromFile(path);
  std::remove(path.c_str());
  EXPECT_EQ(back.Width(), 5);
  EXPECT_EQ(back.Height(), 3);
  EXPECT_EQ(back.PixelAt(4, 2), RGB(1, 2, 3));
  EXPECT_EQ(back.PixelAt(0, 0), RGB(200, 100, 50));

  std::vector<BYTE> data = bmp.SaveToBmp();
  data.resize(60);  // pixel rows cut off
  EXPECT_THROW(back.LoadFromBmp(data), EInvalidGraphic);
  EXPECT_EQ(back.Width(), 5);  // the old image stays
  std::vector<BYTE> huge = bmp.SaveToBmp();
  huge[18] = 0xFF; huge[19] = 0xFF; huge[20] = 0xFF; huge[21] = 0x7F;  // a width of 2^31 - 1
  EXPECT_THROW(back.LoadFromBmp(huge), EInvalidGraphic);
}

TEST(Bitmap, EightBitPaletteFileLoads) {
  // 2 x 1 pixels, palette of two entries, bottom-up.
  std::vector<BYTE> d = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0,
                         1, 0, 8, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0,
                         0, 0, 255, 0, 0, 255, 0, 0, 0, 1, 0, 0};
  TBitmap bmp;
  bmp.LoadFromBmp(d);
  EXPECT_EQ(bmp.PixelAt(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(bmp.PixelAt(1, 0), RGB(0, 255, 0));
}

TEST(Bitmap, RunLengthEncodedFileLoads) {
  // 3 x 2, RLE8: bottom row three of index 1, end of line; top row index 0 then 1 and 0 as
  // an absolute run, end of bitmap.
  std::vector<BYTE> d = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0, 40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0,
                         1, 0, 8, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0,
                         0, 0, 255, 0, 255, 0, 0, 0,
                         3, 1, 0, 0, 0, 3, 0, 1, 0, 0, 0, 1};
  TBitmap bmp;
  bmp.LoadFromBmp(d);
  EXPECT_EQ(bmp.PixelAt(0, 1), RGB(0, 0, 255));
  EXPECT_EQ(bmp.PixelAt(2, 1), RGB(0, 0, 255));
  EXPECT_EQ(bmp.PixelAt(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(bmp.PixelAt(1, 0), RGB(0, 0, 255));
  EXPECT_EQ(bmp.PixelAt(2, 0), RGB(255, 0, 0));
}

TEST(Bitmap, FormatChangeKeepsPixelsAndScanLinesAreChecked) {
  TBitmap bmp(3, 2);
  bmp.SetPixelAt(2, 1, RGB(1, 2, 3));
  bmp.SetPixelFormat(pf32bit);
  EXPECT_EQ(bmp.PixelFormat(), pf32bit);
  EXPECT_EQ(bmp.BytesPerLine(), 12);
  EXPECT_EQ(bmp.PixelAt(2, 1), RGB(1, 2, 3));
  bmp.SetPixelFormat(pfDevice);
  EXPECT_EQ(bmp.PixelFormat(), pf32bit);
  EXPECT_THROW(bmp.ScanLine(2), EInvalidGraphic);
  EXPECT_THROW(bmp.ScanLine(-1), EInvalidGraphic);
  EXPECT_EQ(bmp.PixelAt(5, 5), 0u);  // outside reads black and never raises
}

TEST(ImageList, AddSplitsAndMaskedPixelsStayTransparent) {
  TImageList list(2, 2);
  TBitmap strip(4, 2);
  strip.SetPixelAt(0, 0, RGB(255, 0, 0));
  strip.SetPixelAt(2, 0, RGB(0, 255, 0));
  EXPECT_EQ(list.AddMasked(strip, clWhite), 0);
  EXPECT_EQ(list.Count(), 2);
  TBitmap dst(4, 4);
  dst.Canvas().Brush().SetColor(clBlack);
  dst.Canvas().FillRect(Rect(0, 0, 4, 4));
  list.Draw(dst.Canvas(), 1, 1, 1);
  EXPECT_EQ(dst.PixelAt(1, 1), RGB(0, 255, 0));
  EXPECT_EQ(dst.PixelAt(2, 2), 0u);  // white was the mask colour
  list.Draw(dst.Canvas(), 0, 0, 7);  // no such image: nothing
  EXPECT_EQ(dst.PixelAt(0, 0), 0u);
  TBitmap out;
  ASSERT_TRUE(list.GetBitmap(0, out));
  EXPECT_EQ(out.PixelAt(0, 0), RGB(255, 0, 0));
  EXPECT_FALSE(list.GetBitmap(2, out));
}

TEST(ImageList, DisabledImagesAreGreyed) {
  TImageList list(1, 1);
  TBitmap dark(1, 1);
  dark.SetPixelAt(0, 0, RGB(0, 0, 200));
  list.Add(dark, nullptr);
  TBitmap dst(1, 1);
  list.Draw(dst.Canvas(), 0, 0, 0, false);
  EXPECT_EQ(dst.PixelAt(0, 0), ColorToRGB(clBtnShadow));
}

}  // namespace
