// The headless painter: fixed metrics, what it records, what it writes into bitmaps.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/gfx/bitmap.h"
#include "platform/headless/headless_peer.h"
#include "platform/headless/recording_painter.h"

namespace {

TEST(FixedMetrics, CharacterAndCellHeights) {
  TTextMetric a = FixedTextMetrics(-11);
  EXPECT_EQ(a.tmHeight, 13);
  EXPECT_EQ(a.tmAveCharWidth, 7);
  TTextMetric b = FixedTextMetrics(-20);  // c = 20, h = 24
  EXPECT_EQ(b.tmHeight, 24);
  EXPECT_EQ(b.tmInternalLeading, 4);
  EXPECT_EQ(b.tmAscent, 24 - 24 / 5);
  EXPECT_EQ(b.tmDescent, 4);
  TTextMetric c = FixedTextMetrics(18);  // h = 18, c = 15
  EXPECT_EQ(c.tmHeight, 18);
  EXPECT_EQ(c.tmInternalLeading, 3);
  EXPECT_EQ(FixedTextWidth(18, "ab c"), 4 * 9);
  EXPECT_EQ(FixedTextWidth(-11, "\t"), 8 * 7);
}

// A corrupt picture can name a font millions of pixels high: the metrics stay bounded and
// positive instead of overflowing, whichever sign the height has.
TEST(FixedMetrics, AbsurdHeightsStayBoundedAndPositive) {
  for (int height : {364305257, -364305257, INT_MAX, INT_MIN}) {
    TTextMetric tm = FixedTextMetrics(height);
    EXPECT_GT(tm.tmHeight, 0) << height;
    EXPECT_LE(tm.tmHeight, 1 << 17) << height;
    EXPECT_GE(tm.tmAscent, 0) << height;
    const int width = FixedTextWidth(height, "1234567");
    EXPECT_GT(width, 0) << height;
    EXPECT_EQ(width, 7 * tm.tmAveCharWidth) << height;
  }
  // A long text of the largest height saturates instead of wrapping round.
  EXPECT_EQ(FixedTextWidth(INT_MAX, std::string(1 << 20, '\t')), INT_MAX);
}

TEST(RecordingPainter, RecordsCallsWithStateInDeviceCoordinates) {
  TRecordingPainter painter(nullptr, 100, 100);
  TCanvas canvas;
  canvas.SetPainter(&painter);
  canvas.SetOrigin({10, 20});
  canvas.IntersectClipRect(0, 0, 50, 50);
  canvas.Font().SetStyle({fsItalic});
  canvas.Font().SetColor(clRed);
  canvas.Brush().SetStyle(bsClear);
  canvas.TextOut(1, 2, "hi");
  canvas.Pen().SetColor(clBlue);
  canvas.Brush().SetColor(clLime);
  canvas.Rectangle(0, 0, 5, 5);
  const auto& calls = painter.Calls();
  ASSERT_EQ(calls.size(), 2u);  // the rectangle's own fill and outline are not recorded again
  EXPECT_EQ(calls[0].Kind, TPaintKind::Text);
  EXPECT_EQ(calls[0].Rect, Rect(11, 22, 25, 35));
  EXPECT_EQ(calls[0].Font.Style, TFontStyles{fsItalic});
  EXPECT_EQ(calls[0].Color, 0x0000FFu);
  ASSERT_EQ(calls[0].Clip.size(), 1u);
  EXPECT_EQ(calls[0].Clip[0], Rect(10, 20, 60, 70));
  EXPECT_EQ(calls[1].Kind, TPaintKind::Rectangle);
  EXPECT_EQ(calls[1].Rect, Rect(10, 20, 15, 25));
  EXPECT_EQ(calls[1].Pen.Color, 0xFF0000u);
  EXPECT_EQ(calls[1].Brush.Color, 0x00FF00u);
}

TEST(RecordingPainter, PixelsOnABitmapHonourTheClip) {
  InstallHeadlessBackend();
  TBitmap bmp(10, 10);
  TCanvas& canvas = bmp.Canvas();
  canvas.IntersectClipRect(0, 0, 5, 10);
  canvas.Brush().SetColor(clRed);
  canvas.FillRect(Rect(0, 0, 10, 10));
  EXPECT_EQ(bmp.PixelAt(4, 4), 0x0000FFu);
  EXPECT_EQ(bmp.PixelAt(5, 4), 0xFFFFFFu);
  auto* recorder = dynamic_cast<TRecordingPainter*>(canvas.Painter());
  ASSERT_NE(recorder, nullptr);
  EXPECT_EQ(recorder->Calls().back().Kind, TPaintKind::FillRect);
  canvas.Pen().SetColor(clBlack);
  canvas.MoveTo(0, 9);
  canvas.LineTo(4, 9);
  EXPECT_EQ(bmp.PixelAt(3, 9), 0u);
  EXPECT_EQ(bmp.PixelAt(4, 9), 0x0000FFu);  // a line leaves out its last point
}

}  // namespace
