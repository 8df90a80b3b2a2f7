// The scrolling panel (frame, client area, scrolling, resize) and the oval button (hit test,
// toggling, flat bevel, glyph strip, accelerator, its pixels), on the headless backend.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/oval_button.h"
#include "controls/scroll_panel.h"
#include "platform/gfx/raster_painter.h"
#include "tests/platform/headless/headless_form_test.h"

namespace {

using namespace HeadlessInput;

class PanelButtonTest : public HeadlessFormTest {};

TEST_F(PanelButtonTest, ScrollPanelDefaultsAndClientArea) {
  TScrollPanel defaults(nullptr);
  EXPECT_EQ(defaults.Width(), 185);
  EXPECT_EQ(defaults.Height(), 41);
  EXPECT_EQ(defaults.Color(), clBtnFace);
  EXPECT_EQ(defaults.BevelOuter(), bvRaised);
  EXPECT_TRUE(defaults.FullRepaint());

  auto* panel = Make<TScrollPanel>(10, 10, 120, 80);
  panel->SetBevelOuter(bvLowered);
  panel->SetBevelInner(bvRaised);
  panel->SetBevelWidth(1);
  auto* child = Make<TPanel>(0, 0, 10, 10, panel);
  child->SetAlign(alClient);
  EXPECT_EQ(child->BoundsRect(), Rect(2, 2, 118, 78));
  panel->SetBorderWidth(3);
  EXPECT_EQ(child->BoundsRect(), Rect(5, 5, 115, 75));
  panel->SetBorderStyle(bsSingle);
  EXPECT_EQ(child->BoundsRect(), Rect(7, 7, 113, 73));
}

TEST_F(PanelButtonTest, ScrollPanelPaintsItsBevels) {
  auto* panel = Make<TScrollPanel>(0, 0, 60, 40);
  panel->SetBevelOuter(bvLowered);
  panel->SetBevelInner(bvRaised);
  panel->SetBorderWidth(1);
  panel->SetCaption("not drawn");
  TBitmap bmp(60, 40);
  TRasterPainter painter(bmp);
  panel->PaintWindow(painter);
  EXPECT_EQ(bmp.PixelAt(0, 0), ColorToRGB(clBtnShadow));      // lowered outer: shadow top-left
  EXPECT_EQ(bmp.PixelAt(59, 39), ColorToRGB(clBtnHighlight));  // and highlight bottom-right
  EXPECT_EQ(bmp.PixelAt(1, 5), ColorToRGB(clBtnFace));         // the border width in Color
  EXPECT_EQ(bmp.PixelAt(2, 5), ColorToRGB(clBtnHighlight));    // raised inner
  EXPECT_EQ(bmp.PixelAt(57, 20), ColorToRGB(clBtnShadow));
  for (int x = 3; x < 57; ++x) EXPECT_EQ(bmp.PixelAt(x, 20), ColorToRGB(clBtnFace)) << x;
}

TEST_F(PanelButtonTest, ScrollPanelScrollsAndResizes) {
  auto* panel = Make<TScrollPanel>(0, 0, 100, 60);
  auto* child = Make<TPanel>(10, 10, 50, 200, panel);
  EXPECT_TRUE(panel->VertScrollBar().IsScrollBarVisible());
  EXPECT_FALSE(panel->HorzScrollBar().IsScrollBarVisible());
  panel->VertScrollBar().SetPosition(40);
  EXPECT_EQ(child->Top(), -30);
  int resized = 0;
  panel->OnResize = [&](TObject*) { ++resized; };
  panel->SetFullRepaint(false);
  panel->SetBounds(0, 0, 120, 60);
  EXPECT_EQ(resized, 1);
  panel->SetState(csLoading);
  panel->SetBounds(0, 0, 130, 70);
  EXPECT_EQ(resized, 1);
  panel->ClearState(csLoading);
}

TEST_F(PanelButtonTest, OvalButtonReactsOnlyInsideItsEllipse) {
  auto* b = Make<TRoundButton>(0, 0, 100, 50);
  EXPECT_EQ(b->Color(), clBtnFace);
  EXPECT_EQ(b->HighlightColor(), static_cast<TColor>(RGB(223, 223, 223)));
  EXPECT_EQ(b->ShadowColor(), static_cast<TColor>(RGB(115, 115, 115)));
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  Click(Form, 3, 3);  // the corner: outside the ellipse
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(b->BevelState(), TRoundButton::bvsRaised);
  Click(Form, 50, 25);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(b->Down());
  EXPECT_TRUE(b->InsideEllipse(0, 25));
  EXPECT_FALSE(b->InsideEllipse(99, 0));

  // Pressed, moved off and back, then released off the ellipse: no click.
  MouseDown(Form, 50, 25);
  EXPECT_EQ(b->BevelState(), TRoundButton::bvsPressed);
  MouseMove(Form, 2, 2, {ssLeft});
  EXPECT_EQ(b->BevelState(), TRoundButton::bvsRaised);
  MouseMove(Form, 40, 20, {ssLeft});
  EXPECT_EQ(b->BevelState(), TRoundButton::bvsPressed);
  MouseMove(Form, 97, 3, {ssLeft});
  MouseUp(Form, 97, 3);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(b->Down());
  b->SetEnabled(false);
  Click(Form, 50, 25);
  EXPECT_EQ(clicks, 1);
}

TEST_F(PanelButtonTest, OvalButtonTogglesInAGroup) {
  auto* b = Make<TRoundButton>(0, 0, 100, 50);
  b->SetGroupIndex(1);
  Click(Form, 50, 25);
  EXPECT_TRUE(b->Down());
  EXPECT_EQ(b->BevelState(), TRoundButton::bvsPressed);
  Click(Form, 50, 25);
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(b->BevelState(), TRoundButton::bvsRaised);
  b->SetDown(true);
  EXPECT_EQ(b->BevelState(), TRoundButton::bvsPressed);
}

TEST_F(PanelButtonTest, FlatOvalButtonShowsItsBevelOnlyOverTheEllipse) {
  auto* b = Make<TRoundButton>(100, 100, 100, 50);
  b->SetFlat(true);
  EXPECT_EQ(b->BevelState(), TRoundButton::bvsFlat);
  MouseMove(Form, 102, 102);  // the control's corner, outside the ellipse
  EXPECT_EQ(b->BevelState(), TRoundButton::bvsFlat);
  MouseMove(Form, 150, 125);
  EXPECT_EQ(b->BevelState(), TRoundButton::bvsRaised);
  EXPECT_TRUE(b->MouseInside());
  b->Perform(CM_MOUSELEAVE);
  EXPECT_EQ(b->BevelState(), TRoundButton::bvsFlat);
  EXPECT_FALSE(b->MouseInside());
}

TEST_F(PanelButtonTest, OvalButtonGlyphsAndAccelerator) {
  auto* b = Make<TRoundButton>(0, 0, 100, 50);
  b->SetState(csDesigning);
  TBitmap strip(64, 16);
  strip.SetPixelAt(0, 15, RGB(1, 2, 3));
  b->SetGlyph(strip);
  EXPECT_EQ(b->NumGlyphs(), 4);
  EXPECT_EQ(b->TransparentColor(), static_cast<TColor>(RGB(1, 2, 3)));
  TBitmap odd(60, 16);
  b->SetGlyph(odd);
  EXPECT_EQ(b->NumGlyphs(), 1);

  b->SetCaption("&Go");
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  EXPECT_EQ(b->Perform(CM_DIALOGCHAR, 'g'), 1);
  EXPECT_EQ(b->Perform(CM_DIALOGCHAR, 'x'), 0);
  EXPECT_EQ(clicks, 1);
  b->SetCaption("Go&");
  EXPECT_EQ(b->Perform(CM_DIALOGCHAR, 'g'), 0);
}

TEST_F(PanelButtonTest, OvalButtonLayout) {
  TRoundButton b(nullptr);
  b.SetBounds(0, 0, 100, 50);
  TBitmap glyph(16, 16);
  b.SetGlyph(glyph);
  b.SetNumGlyphs(1);
  b.SetCaption("abc");  // 21 x 13 with the fixed metrics
  TBitmap bmp(100, 50);
  TCanvas& c = bmp.Canvas();
  TPoint g;
  TRect t;
  b.SetLayout(blGlyphLeft);
  b.LayoutContent(c, g, t);
  EXPECT_EQ(g.X, (100 - (21 + 4 + 16)) / 2);
  EXPECT_EQ(t.Left, g.X + 16 + 4);
  EXPECT_EQ(g.Y, 17);
  b.SetLayout(blGlyphTop);
  b.SetMargin(2);
  b.LayoutContent(c, g, t);
  EXPECT_EQ(g.Y, (50 - (13 + 16 + 4)) / 2 - 2);
  EXPECT_EQ(t.Top, g.Y + 16 + 4);
  EXPECT_EQ(g.X, 42);
  // Glyph last: the margin is taken from the far edge, the text sits before the glyph.
  b.SetLayout(blGlyphRight);
  b.LayoutContent(c, g, t);
  EXPECT_EQ(g.X, 100 - (100 - (21 + 4 + 16)) / 2 - 16 + 2);
  EXPECT_EQ(t.Left, g.X - 4 - 21);
  EXPECT_EQ(g.Y, 17);
  b.SetLayout(blGlyphBottom);
  b.LayoutContent(c, g, t);
  EXPECT_EQ(g.Y, 50 - (50 - (13 + 16 + 4)) / 2 - 16 + 2);
  EXPECT_EQ(t.Top, g.Y - 4 - 13);
  EXPECT_EQ(g.X, 42);
}

TEST_F(PanelButtonTest, OvalButtonPixels) {
  TRoundButton b(nullptr);
  b.SetBounds(0, 0, 100, 50);
  b.SetColor(clRed);
  b.SetBevelWidth(2);
  auto paint = [&] {
    TBitmap bmp(100, 50);
    bmp.Canvas().Brush().SetColor(clWhite);
    bmp.Canvas().FillRect(Rect(0, 0, 100, 50));
    bmp.ReleaseCanvas();
    TRasterPainter painter(bmp);
    b.PaintOnParent(painter);
    return std::vector<COLORREF>{bmp.PixelAt(1, 1), bmp.PixelAt(50, 25), bmp.PixelAt(50, 1), bmp.PixelAt(50, 47)};
  };
  std::vector<COLORREF> up = paint();
  EXPECT_EQ(up[0], RGB(255, 255, 255));  // the corner stays the parent's
  EXPECT_EQ(up[1], ColorToRGB(clRed));
  EXPECT_EQ(up[2], ColorToRGB(b.HighlightColor()));  // raised: highlight above
  EXPECT_EQ(up[3], ColorToRGB(b.ShadowColor()));     // shadow below
  b.SetDown(true);
  std::vector<COLORREF> down = paint();
  EXPECT_EQ(down[2], ColorToRGB(b.ShadowColor()));
  EXPECT_EQ(down[3], ColorToRGB(b.HighlightColor()));
  b.SetDown(false);
  b.SetFlat(true);
  std::vector<COLORREF> flat = paint();
  EXPECT_EQ(flat[2], ColorToRGB(clRed));
}

}  // namespace
