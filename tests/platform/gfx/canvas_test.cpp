// Canvas state, text layout and clipping, measured with the fixed text metrics
// (default font: cell height 13, advance 7).
#include <gtest/gtest.h>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/graphics.h"
#include "platform/headless/recording_painter.h"
#include "platform/rtl/exceptions.h"

namespace {

class CanvasTest : public ::testing::Test {
protected:
  CanvasTest() : painter(nullptr, 400, 300) { canvas.SetPainter(&painter); }

  std::vector<const TPaintCall*> Texts() const { return painter.TextCalls(); }

  TRecordingPainter painter;
  TCanvas canvas;
};

TEST_F(CanvasTest, FontSizeAndHeightFollowEachOther) {
  TFont font;
  EXPECT_EQ(font.Name(), "Arial");
  EXPECT_EQ(font.Size(), 8);
  EXPECT_EQ(font.Height(), -11);
  font.SetSize(10);
  EXPECT_EQ(font.Height(), -13);
  font.SetHeight(-16);
  EXPECT_EQ(font.Size(), 12);
  int changes = 0;
  font.OnChange = [&](TGraphicsObject*) { ++changes; };
  font.SetStyle({fsBold});
  font.SetStyle({fsBold});
  font.SetColor(clRed);
  EXPECT_EQ(changes, 2);
  TFont copy;
  copy.Assign(font);
  EXPECT_EQ(copy.Style(), TFontStyles{fsBold});
  EXPECT_EQ(copy.Color(), clRed);
  EXPECT_EQ(copy.Height(), -16);
}

TEST_F(CanvasTest, FixedMetricsOfTheDefaultFont) {
  TTextMetric tm = canvas.GetTextMetrics();
  EXPECT_EQ(tm.tmHeight, 13);
  EXPECT_EQ(tm.tmInternalLeading, 2);
  EXPECT_EQ(tm.tmAscent, 11);
  EXPECT_EQ(tm.tmDescent, 2);
  EXPECT_EQ(canvas.TextWidth("abc"), 21);
  EXPECT_EQ(canvas.TextWidth("\xC3\xA4x"), 14);  // two code points
  EXPECT_EQ(canvas.TextHeight("gh"), 13);
  canvas.Font().SetHeight(24);  // a cell height: c = 20
  EXPECT_EQ(canvas.GetTextMetrics().tmInternalLeading, 4);
  EXPECT_EQ(canvas.TextWidth("a"), 12);
}

// Measures are kept between calls: every change of the font, the mapping or the painter must
// still show in the next one.
TEST_F(CanvasTest, KeptMetricsFollowTheFontTheMappingAndThePainter) {
  EXPECT_EQ(canvas.TextHeight("x"), 13);
  TFont big;
  big.SetHeight(-22);
  canvas.Font().Assign(big);
  EXPECT_EQ(canvas.GetTextMetrics().tmAscent, 21);  // cell 26
  canvas.Font().SetStyle({fsBold});
  canvas.Font().SetHeight(-11);
  EXPECT_EQ(canvas.TextHeight("x"), 13);
  // Twice the device pixels per logical unit: the device font is twice as high, and the
  // measures come back in logical units.
  canvas.SetMapMode(MM_ANISOTROPIC);
  canvas.Mapping().SetWindowExt({1, 1});
  canvas.Mapping().SetViewportExt({2, 2});
  canvas.TextOut(0, 0, "ab");
  EXPECT_EQ(Texts().back()->Font.Height, -22);
  EXPECT_EQ(canvas.TextHeight("x"), 13);
  canvas.SetMapMode(MM_TEXT);
  canvas.TextOut(0, 0, "ab");
  EXPECT_EQ(Texts().back()->Font.Height, -11);
  TRecordingPainter other(nullptr, 100, 100);
  canvas.SetPainter(&other);
  canvas.TextOut(1, 1, "a");
  ASSERT_EQ(other.TextCalls().size(), 1u);
  EXPECT_EQ(other.TextCalls()[0]->Font.Height, -11);
}

TEST_F(CanvasTest, BrushColourNoneMakesTextTransparent) {
  canvas.Brush().SetColor(clYellow);
  canvas.TextOut(5, 6, "ab");
  canvas.Brush().SetColor(clNone);
  EXPECT_EQ(canvas.Brush().Style(), bsClear);
  canvas.TextOut(5, 30, "cd");
  auto t = Texts();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_TRUE(t[0]->Opaque);
  EXPECT_EQ(t[0]->Background, ColorToRGB(clYellow));
  EXPECT_EQ(t[0]->Rect, Rect(5, 6, 19, 19));
  EXPECT_FALSE(t[1]->Opaque);
  EXPECT_EQ(canvas.PenPos(), Point(19, 30));
  canvas.Brush().SetColor(clWhite);
  EXPECT_EQ(canvas.Brush().Style(), bsSolid);
}

TEST_F(CanvasTest, CalcRectMeasuresWithoutDrawing) {
  TRect r = Rect(10, 10, 10, 10);
  EXPECT_EQ(canvas.DrawText("abc", r, DT_CALCRECT | DT_SINGLELINE), 13);
  EXPECT_EQ(r, Rect(10, 10, 31, 23));
  r = Rect(0, 0, 50, 0);
  EXPECT_EQ(canvas.DrawText("aaa bbb ccc", r, DT_CALCRECT | DT_WORDBREAK), 26);
  EXPECT_EQ(r.Right, 49);
  EXPECT_TRUE(Texts().empty());
}

TEST_F(CanvasTest, WordBreakPutsWholeWordsOnLines) {
  TRect r = Rect(0, 0, 50, 100);
  canvas.DrawText("aaa bbb ccc", r, DT_WORDBREAK);
  auto t = Texts();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0]->Text, "aaa bbb");
  EXPECT_EQ(t[1]->Text, "ccc");
  EXPECT_EQ(t[1]->Rect.Top, 13);
}

TEST_F(CanvasTest, LongWordBreaksOnlyInEditControlMode) {
  TRect r = Rect(0, 0, 35, 100);  // five advances
  canvas.DrawText("abcdefgh ij", r, DT_WORDBREAK);
  auto t = Texts();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0]->Text, "abcdefgh");
  painter.Clear();
  canvas.DrawText("abcdefgh ij", r, DT_WORDBREAK | DT_EDITCONTROL);
  t = Texts();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0]->Text, "abcde");
  EXPECT_EQ(t[1]->Text, "fgh");
  EXPECT_EQ(t[2]->Text, "ij");
}

TEST_F(CanvasTest, EditControlDropsAPartlyVisibleLastLine) {
  TRect r = Rect(0, 0, 100, 20);
  canvas.DrawText("one\r\ntwo\r\nthree", r, DT_EDITCONTROL);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0]->Text, "one");
}

TEST_F(CanvasTest, EndEllipsisCutsToTheWidth) {
  TRect r = Rect(0, 0, 50, 20);
  canvas.DrawText("abcdefghij", r, DT_SINGLELINE | DT_END_ELLIPSIS);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0]->Text, "abcd...");
  painter.Clear();
  canvas.DrawText("abc", r, DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_EQ(Texts()[0]->Text, "abc");
}

TEST_F(CanvasTest, AlignmentInSingleLines) {
  TRect r = Rect(10, 20, 110, 60);
  canvas.DrawText("ab", r, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM);
  canvas.DrawText("ab", r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  auto t = Texts();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0]->Rect.Left, 96);
  EXPECT_EQ(t[0]->Rect.Top, 47);
  EXPECT_EQ(t[1]->Rect.Left, 10 + (100 - 14) / 2);
  EXPECT_EQ(t[1]->Rect.Top, 20 + (40 - 13) / 2);
}

TEST_F(CanvasTest, PrefixesAndTabs) {
  TRect r = Rect(0, 0, 300, 20);
  canvas.DrawText("&File && more", r, DT_SINGLELINE);
  canvas.DrawText("&File", r, DT_SINGLELINE | DT_NOPREFIX);
  auto t = Texts();
  EXPECT_EQ(t[0]->Text, "File & more");
  EXPECT_EQ(t[1]->Text, "&File");
  TRect m = Rect(0, 0, 0, 0);
  canvas.DrawText("a\tb", m, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
  EXPECT_EQ(m.Right, 56 + 7);  // the tab stop is 8 average widths
}

TEST_F(CanvasTest, DrawTextClipsUnlessNoClip) {
  TRect r = Rect(5, 5, 20, 20);
  canvas.DrawText("long text", r, DT_SINGLELINE);
  canvas.DrawText("long text", r, DT_SINGLELINE | DT_NOCLIP);
  auto t = Texts();
  ASSERT_TRUE(t[0]->Clipped);
  ASSERT_EQ(t[0]->Clip.size(), 1u);
  EXPECT_EQ(t[0]->Clip[0], r);
  EXPECT_FALSE(t[1]->Clipped);
  EXPECT_FALSE(canvas.Clipped());  // the clip of the call is undone
}

TEST_F(CanvasTest, ClipRectanglesIntersectExcludeAndRestore) {
  EXPECT_EQ(canvas.ClipRect(), Rect(0, 0, 400, 300));
  int saved = canvas.SaveDC();
  canvas.IntersectClipRect(10, 10, 100, 100);
  canvas.IntersectClipRect(50, 0, 200, 60);
  EXPECT_EQ(canvas.ClipRect(), Rect(50, 10, 100, 60));
  EXPECT_EQ(canvas.ExcludeClipRect(60, 20, 70, 30), COMPLEXREGION);
  EXPECT_EQ(canvas.ClipRect(), Rect(50, 10, 100, 60));
  canvas.RestoreDC(saved);
  EXPECT_FALSE(canvas.Clipped());
  HRGN rgn = CreateRectRgn(1, 2, 3, 4);
  EXPECT_EQ(SelectClipRgn(&canvas, rgn), SIMPLEREGION);
  DeleteObject(rgn);
  EXPECT_EQ(canvas.ClipRect(), Rect(1, 2, 3, 4));
  SelectClipRgn(&canvas, nullptr);
  EXPECT_FALSE(canvas.Clipped());
}

TEST_F(CanvasTest, TextFitAndExtentPoints) {
  int fit = 0;
  TPoint size;
  ASSERT_TRUE(GetTextExtentExPointA(&canvas, "abcdef", 6, 30, &fit, nullptr, &size));
  EXPECT_EQ(fit, 4);
  EXPECT_EQ(size, Point(42, 13));
  std::vector<int> parts(3);
  GetTextExtentExPoint(&canvas, "abc", 3, 0, nullptr, parts.data(), nullptr);
  EXPECT_EQ(parts, (std::vector<int>{7, 14, 21}));
}

TEST_F(CanvasTest, CalcRectOfSeveralLinesTakesTheWidestLine) {
  TRect r = Rect(0, 0, 0, 0);
  EXPECT_EQ(canvas.DrawText("a\r\nbbb\nc", r, DT_CALCRECT), 39);
  EXPECT_EQ(r, Rect(0, 0, 21, 39));
}

TEST_F(CanvasTest, TextRectClipsAndFillsItsRectangle) {
  canvas.Brush().SetColor(clAqua);
  canvas.TextRect(Rect(10, 10, 30, 25), 12, 11, "clipped text");
  const auto& calls = painter.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].Kind, TPaintKind::FillRect);
  EXPECT_EQ(calls[0].Rect, Rect(10, 10, 30, 25));
  EXPECT_EQ(calls[1].Kind, TPaintKind::Text);
  ASSERT_TRUE(calls[1].Clipped);
  EXPECT_EQ(calls[1].Clip[0], Rect(10, 10, 30, 25));
  EXPECT_FALSE(calls[1].Opaque);
  EXPECT_FALSE(canvas.Clipped());
}

TEST(CanvasShapes, PolygonFillAndFrameControls) {
  TBitmap bmp(20, 20);
  TCanvas& c = bmp.Canvas();
  c.Brush().SetColor(clRed);
  c.Pen().SetColor(clBlack);
  c.Polygon({{0, 0}, {19, 0}, {0, 19}});
  EXPECT_EQ(bmp.PixelAt(3, 3), 0x0000FFu);
  EXPECT_EQ(bmp.PixelAt(17, 17), 0xFFFFFFu);
  EXPECT_EQ(bmp.PixelAt(10, 0), 0u);  // the outline

  TBitmap box(13, 13), checked(13, 13);
  box.Canvas().DrawFrameControl(Rect(0, 0, 13, 13), DFC_BUTTON, DFCS_BUTTONCHECK);
  checked.Canvas().DrawFrameControl(Rect(0, 0, 13, 13), DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  EXPECT_EQ(box.PixelAt(0, 0), ColorToRGB(clBtnShadow));  // a sunken square
  EXPECT_EQ(box.PixelAt(6, 6), ColorToRGB(clWindow));
  int marks = 0;
  for (int y = 2; y < 11; ++y)
    for (int x = 2; x < 11; ++x) marks += checked.PixelAt(x, y) == ColorToRGB(clWindowText);
  EXPECT_GT(marks, 6);

  TBitmap up(16, 16), pushed(16, 16);
  up.Canvas().DrawFrameControl(Rect(0, 0, 16, 16), DFC_BUTTON, DFCS_BUTTONPUSH);
  pushed.Canvas().DrawFrameControl(Rect(0, 0, 16, 16), DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED);
  EXPECT_EQ(up.PixelAt(0, 0), ColorToRGB(cl3DLight));
  EXPECT_EQ(pushed.PixelAt(0, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(up.PixelAt(8, 8), ColorToRGB(clBtnFace));
}

TEST(CanvasShapes, CopyRectBetweenBitmapCanvases) {
  TBitmap a(4, 4), b(8, 8);
  a.SetPixelAt(1, 1, RGB(5, 6, 7));
  b.Canvas().CopyRect(Rect(2, 2, 6, 6), a.Canvas(), Rect(0, 0, 4, 4));
  EXPECT_EQ(b.PixelAt(3, 3), RGB(5, 6, 7));
  EXPECT_EQ(b.PixelAt(2, 2), 0xFFFFFFu);
}

TEST(CanvasWithoutPainter, RaisesWhenDrawingIsImpossible) {
  TCanvas canvas;
  EXPECT_THROW(canvas.TextWidth("a"), EInvalidOperation);
}

}  // namespace
