// Mapping modes, regions, clipping and paths of the canvas, measured on the recording painter.
#include <gtest/gtest.h>

#include "platform/gfx/graphics.h"
#include "platform/headless/recording_painter.h"

namespace {

struct TestCanvas {
  explicit TestCanvas(int w = 2481, int h = 3507, int dpi = 300) : Painter(nullptr, w, h, dpi) { Canvas.SetPainter(&Painter); }
  TRecordingPainter Painter;
  TCanvas Canvas;
};

TEST(Mapping, LometricIsTenthsOfAMillimetreWithYUp) {
  TestCanvas t;
  TCanvas& c = t.Canvas;
  EXPECT_EQ(c.SetMapMode(MM_LOMETRIC), MM_TEXT);
  TPoint p[2] = {{254, -254}, {0, 0}};
  LPtoDP(&c, p, 2);
  EXPECT_EQ(p[0], (TPoint{300, 300}));
  EXPECT_EQ(p[1], (TPoint{0, 0}));
  TPoint d{600, 1200};
  DPtoLP(&c, &d, 1);
  EXPECT_EQ(d, (TPoint{508, -1016}));
  // The clip box of the whole page: bottom is the page's negative height.
  TRect box;
  GetClipBox(&c, &box);
  EXPECT_EQ(box.Left, 0);
  EXPECT_EQ(box.Top, -2969);  // 3507 pixels
  EXPECT_EQ(box.Bottom, 0);
  EXPECT_EQ(box.Right, 2101);
  // A rectangle below the top edge lands at device rows from 0 down; fonts and pens scale.
  c.Pen().SetWidth(10);
  c.Rectangle(0, 0, 254, -127);
  c.Font().SetHeight(-35);
  c.TextOut(254, -254, "x");
  ASSERT_EQ(t.Painter.Calls().size(), 2u);
  EXPECT_EQ(t.Painter.Calls()[0].Rect, Rect(0, 0, 300, 150));
  EXPECT_EQ(t.Painter.Calls()[0].Pen.Width, 12);
  EXPECT_EQ(t.Painter.Calls()[1].Rect.Left, 300);
  EXPECT_EQ(t.Painter.Calls()[1].Font.Height, -41);
  // Text is measured back in logical units.
  EXPECT_NEAR(c.TextHeight("gh"), 49 * 254 / 300, 1);
}

TEST(Mapping, AnisotropicAndIsotropicExtents) {
  TestCanvas t(800, 600, 96);
  TCanvas& c = t.Canvas;
  SetMapMode(&c, MM_ANISOTROPIC);
  SetWindowExtEx(&c, 600, 600, nullptr);
  SetViewportExtEx(&c, 192, 96, nullptr);
  SetViewportOrgEx(&c, 30, 40, nullptr);
  SetWindowOrgEx(&c, 100, 0, nullptr);
  TPoint p{700, 300};
  LPtoDP(&c, &p, 1);
  EXPECT_EQ(p, (TPoint{30 + 192, 40 + 48}));
  DPtoLP(&c, &p, 1);
  EXPECT_EQ(p, (TPoint{700, 300}));
  // Rounding is half away from zero, also for negative positions.
  TPoint n{-5, -5};
  SetWindowOrgEx(&c, 0, 0, nullptr);
  SetViewportOrgEx(&c, 0, 0, nullptr);
  LPtoDP(&c, &n, 1);
  EXPECT_EQ(n, (TPoint{-2, -1}));
  // A zero extent is refused and leaves the mapping alone.
  EXPECT_FALSE(c.Mapping().SetWindowExt({0, 5}));
  EXPECT_EQ(c.Mapping().WindowExt(), (TPoint{600, 600}));
  // Isotropic: the axis with the larger scale shrinks, signs kept.
  SetMapMode(&c, MM_ISOTROPIC);
  SetWindowExtEx(&c, 100, 100, nullptr);
  SetViewportExtEx(&c, 400, -200, nullptr);
  TPoint e;
  GetViewportExtEx(&c, &e);
  EXPECT_EQ(e, (TPoint{200, -200}));
  // SaveDC keeps the mapping; RestoreDC brings it back.
  c.SaveDC();
  SetMapMode(&c, MM_TEXT);
  c.RestoreDC(-1);
  EXPECT_EQ(GetMapMode(&c), MM_ISOTROPIC);
}

TEST(Regions, CombineKeepsExactPixelSets) {
  HRGN a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(5, 5, 15, 15), r = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(r, a, b, RGN_AND), SIMPLEREGION);
  EXPECT_EQ(r->Rects, (std::vector<TRect>{{5, 5, 10, 10}}));
  EXPECT_EQ(CombineRgn(r, a, b, RGN_OR), COMPLEXREGION);
  TRect box;
  GetRgnBox(r, &box);
  EXPECT_EQ(box, Rect(0, 0, 15, 15));
  EXPECT_TRUE(PtInRegion(r, 14, 14));
  EXPECT_FALSE(PtInRegion(r, 14, 2));
  EXPECT_FALSE(PtInRegion(r, 15, 14));  // right edge excluded
  CombineRgn(r, a, b, RGN_XOR);
  EXPECT_FALSE(PtInRegion(r, 7, 7));
  EXPECT_TRUE(PtInRegion(r, 2, 2));
  EXPECT_TRUE(PtInRegion(r, 12, 12));
  CombineRgn(r, a, b, RGN_DIFF);
  EXPECT_FALSE(PtInRegion(r, 7, 7));
  EXPECT_TRUE(PtInRegion(r, 2, 7));
  // Two halves of a rectangle join into one.
  HRGN left = CreateRectRgn(0, 0, 5, 10), right = CreateRectRgn(5, 0, 10, 10);
  EXPECT_EQ(CombineRgn(r, left, right, RGN_OR), SIMPLEREGION);
  EXPECT_TRUE(EqualRgn(r, a));
  EXPECT_EQ(CombineRgn(r, a, nullptr, RGN_AND), RGN_ERROR);
  for (HRGN h : {a, b, r, left, right}) DeleteObject(h);
}

TEST(Regions, PolygonsFillPixelCentres) {
  // A right triangle with legs of 10: pixel row y holds the y pixels whose centres are inside.
  TPoint tri[] = {{0, 0}, {10, 10}, {0, 10}};
  HRGN r = CreatePolygonRgn(tri, 3, ALTERNATE);
  int count = 0;
  for (int y = -1; y <= 11; ++y)
    for (int x = -1; x <= 11; ++x) count += PtInRegion(r, x, y);
  EXPECT_EQ(count, 45);
  EXPECT_TRUE(PtInRegion(r, 0, 9));
  EXPECT_FALSE(PtInRegion(r, 9, 1));
  DeleteObject(r);
  // A star drawn in one stroke has a hole under ALTERNATE and none under WINDING.
  TPoint star[] = {{50, 0}, {79, 90}, {2, 35}, {97, 35}, {21, 90}};
  HRGN alt = CreatePolygonRgn(star, 5, ALTERNATE), wind = CreatePolygonRgn(star, 5, WINDING);
  EXPECT_FALSE(PtInRegion(alt, 50, 50));
  EXPECT_TRUE(PtInRegion(wind, 50, 50));
  EXPECT_TRUE(PtInRegion(alt, 50, 10));
  DeleteObject(alt);
  DeleteObject(wind);
}

TEST(Clipping, ClipRectanglesAndRegionsReachThePainter) {
  TestCanvas t(100, 100, 96);
  TCanvas& c = t.Canvas;
  c.IntersectClipRect(10, 10, 60, 60);
  c.ExcludeClipRect(20, 20, 30, 30);
  TRect box;
  EXPECT_EQ(GetClipBox(&c, &box), COMPLEXREGION);
  EXPECT_EQ(box, Rect(10, 10, 60, 60));
  c.FillRect(Rect(0, 0, 100, 100));
  const TPaintCall& fill = t.Painter.Calls().back();
  ASSERT_TRUE(fill.Clipped);
  TRegion clip = TRegion::FromRects(fill.Clip);
  EXPECT_TRUE(clip.Contains(10, 10));
  EXPECT_FALSE(clip.Contains(25, 25));
  EXPECT_FALSE(clip.Contains(60, 10));
  // The region is in device pixels of the canvas, whatever the mapping; nil releases.
  HRGN r = CreateRectRgn(0, 0, 5, 5);
  SetMapMode(&c, MM_LOMETRIC);
  EXPECT_EQ(SelectClipRgn(&c, r), SIMPLEREGION);
  EXPECT_EQ(c.ClipRegion().Rects, r->Rects);
  HRGN got = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(&c, got), 1);
  EXPECT_TRUE(EqualRgn(got, r));
  SelectClipRgn(&c, nullptr);
  EXPECT_FALSE(c.Clipped());
  EXPECT_EQ(GetClipRgn(&c, got), 0);
  DeleteObject(r);
  DeleteObject(got);
}

TEST(Paths, ShapesInABracketBuildThePathAndDrawNothing) {
  TestCanvas t(200, 200, 96);
  TCanvas& c = t.Canvas;
  EXPECT_FALSE(StrokePath(&c));  // no path yet
  BeginPath(&c);
  c.Rectangle(10, 10, 50, 30);
  c.MoveTo(100, 100);
  c.LineTo(150, 100);
  c.LineTo(150, 150);
  CloseFigure(&c);
  c.TextOut(0, 150, "ab");
  EndPath(&c);
  EXPECT_TRUE(t.Painter.Calls().empty());
  EXPECT_EQ(c.CurrentPath().Figures().size(), 4u);  // the rectangle, the triangle, two cells
  HRGN r = PathToRegion(&c);
  ASSERT_NE(r, nullptr);
  EXPECT_TRUE(PtInRegion(r, 10, 10));
  EXPECT_TRUE(PtInRegion(r, 49, 29));
  EXPECT_FALSE(PtInRegion(r, 50, 29));
  EXPECT_TRUE(PtInRegion(r, 149, 101));
  EXPECT_TRUE(PtInRegion(r, 3, 153));  // the first letter's cell
  DeleteObject(r);
  EXPECT_EQ(PathToRegion(&c), nullptr);  // used up

  // A clip path combines with the clip, then the fill records one path call.
  BeginPath(&c);
  c.Ellipse(0, 0, 100, 100);
  EndPath(&c);
  EXPECT_TRUE(SelectClipPath(&c, RGN_AND));
  EXPECT_TRUE(c.ClipRegion().Contains(50, 50));
  EXPECT_FALSE(c.ClipRegion().Contains(3, 3));
  BeginPath(&c);
  c.Polygon({{0, 0}, {20, 0}, {20, 20}});
  EndPath(&c);
  EXPECT_TRUE(StrokeAndFillPath(&c));
  ASSERT_EQ(t.Painter.Calls().size(), 1u);
  EXPECT_EQ(t.Painter.Calls()[0].Kind, TPaintKind::Path);
  EXPECT_EQ(t.Painter.Calls()[0].Rect, Rect(0, 0, 20, 20));
  // An aborted bracket leaves nothing to fill.
  BeginPath(&c);
  c.Rectangle(0, 0, 5, 5);
  AbortPath(&c);
  EXPECT_FALSE(FillPath(&c));
}

}  // namespace
