// The preview control: zoom table and clamps, fit figures, scroll ranges, page positions of the
// mouse, and the order of the messages its companions hear.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/gfx/raster_painter.h"
#include "print/preview.h"
#include "print_test_support.h"

namespace {

// A companion that keeps the page-engine messages it hears.
class TListener : public TWinControl {
public:
  using TWinControl::TWinControl;
  std::vector<UINT> Heard;
  void WndProc(TMessage& m) override {
    if (m.Msg >= 7034 && m.Msg <= 7047) Heard.push_back(m.Msg);
    TWinControl::WndProc(m);
  }
};

TEST_F(PrintTest, ZoomClampsAndSteps) {
  TPgPreview p(nullptr);
  EXPECT_EQ(p.Zoom(), 20);
  p.SetZoom(1000);
  EXPECT_EQ(p.Zoom(), 400);
  p.SetZoom(0);
  EXPECT_EQ(p.Zoom(), 5);
  p.SetZoom(20);
  p.ZoomIn();
  EXPECT_EQ(p.Zoom(), 30);
  p.SetMaxZoom(800);
  p.SetZoom(800);
  p.ZoomIn();
  EXPECT_EQ(p.Zoom(), 800);
  p.SetZoom(7);
  p.ZoomOut();
  EXPECT_EQ(p.Zoom(), 7);
  p.SetZoom(8);
  p.ZoomOut();
  EXPECT_EQ(p.Zoom(), 7);
  p.ZoomStyle = gmFixedZoom;
  p.ZoomIncrement = 25;
  p.ZoomIn();
  EXPECT_EQ(p.Zoom(), 32);
  p.SetMaxZoom(3);
  EXPECT_EQ(p.MaxZoom(), 5);
  EXPECT_EQ(p.Zoom(), 5);
  p.SetMinZoom(50);
  EXPECT_EQ(p.MinZoom(), 5);
}

TEST_F(PrintTest, FitFiguresAndScrollRanges) {
  TPgPreview p(nullptr);
  p.SetBounds(0, 0, 600, 500);
  p.FitWidth();
  EXPECT_EQ(p.Zoom(), static_cast<int>(100.0 * (600 - 60 - 20) / (8.26 * 96)));
  p.FitHeight();
  EXPECT_EQ(p.Zoom(), static_cast<int>(100.0 * (500 - 60 - 20) / (11.69 * 96)));
  p.FitWholePage();
  EXPECT_EQ(p.Zoom(), 37);
  p.SetZoom(100);
  EXPECT_EQ(p.HorzScrollBar().Range(), static_cast<int>(std::lround(8.26 * 96)) + 60);
  EXPECT_EQ(p.VertScrollBar().Range(), static_cast<int>(std::lround(11.69 * 96)) + 60);
  // Half way down stays half way down at another zoom.
  int room = p.VertScrollBar().Range() - p.ClientHeight();
  p.VertScrollBar().SetPosition(room / 2);
  p.SetZoom(200);
  int room2 = p.VertScrollBar().Range() - p.ClientHeight();
  EXPECT_NEAR(p.VertScrollBar().Position(), room2 / 2, 2);
  // Mouse pixels become page inches.
  TRect paper = p.PaperRect();
  TPgPointExt at = p.PixelToPage(paper.Left + 192, paper.Top + 96);
  EXPECT_DOUBLE_EQ(at.X, 1);
  EXPECT_DOUBLE_EQ(at.Y, 0.5);
  p.SetOrientation(gmLandscape);
  EXPECT_EQ(p.HorzScrollBar().Range(), static_cast<int>(std::lround(11.69 * 96 * 2)) + 60);
}

TEST_F(PrintTest, CompanionsHearChangesInOrderAndNothingInsideABatch) {
  TPgPreview p(nullptr);
  TListener l(nullptr);
  p.AddAssociatedComponent(&l);
  p.AddAssociatedComponent(&l);
  EXPECT_EQ(p.AssociatedCount(), 1);
  p.NewPage();
  EXPECT_EQ(l.Heard, (std::vector<UINT>{7039, 7038, 7047}));
  l.Heard.clear();
  p.BeginUpdate();
  p.BeginUpdate();
  p.NewPage();
  p.SetCurrentPage(1);
  p.Header().SetVisible(true);
  p.EndUpdate();
  EXPECT_TRUE(l.Heard.empty());
  p.EndUpdate();
  EXPECT_EQ(l.Heard, (std::vector<UINT>{7039, 7038, 7044}));
  l.Heard.clear();
  p.SetPagesPerSheet(gmFourPage);
  p.SetPaperSize(Letter);
  p.SetOrientation(gmLandscape);
  p.Margins().Left().SetAsInches(1);
  EXPECT_EQ(l.Heard, (std::vector<UINT>{7034, 7045, 7036, 7035}));
  {
    TListener gone(nullptr);
    p.AddAssociatedComponent(&gone);
  }
  EXPECT_EQ(p.AssociatedCount(), 1);
  l.Heard.clear();
  p.Clear();
  EXPECT_EQ(p.NumPages(), 1);
  EXPECT_EQ(p.CurrentPage(), 1);
  EXPECT_EQ(p.GetPage(1)->ObjectCount(), 0);
}

TEST_F(PrintTest, NewPagesGetHeaderAndFooterEventsAndClearDropsResources) {
  TPgPreview p(nullptr);
  std::vector<std::string> events;
  p.OnNewPage = [&](TObject*) { events.push_back("new"); };
  p.OnDrawHeader = [&](TObject*, TPgValueRect& r, TPgCanvas& c) {
    events.push_back("header");
    c.TextOut(r.Left().AsInches(), r.Top().AsInches(), "Report", gmInches);
  };
  p.OnDrawFooter = [&](TObject*, TPgValueRect&, TPgCanvas&) { events.push_back("footer"); };
  p.NewPage();
  EXPECT_EQ(events, (std::vector<std::string>{"new", "header", "footer"}));
  EXPECT_EQ(p.GetPage(2)->ObjectCount(), 1);
  EXPECT_EQ(p.PageList().ResourceTable().Fonts.Count(), 1);
  p.OnDrawHeader = nullptr;
  p.Clear();
  EXPECT_EQ(p.PageList().ResourceTable().Fonts.Count(), 0);
  EXPECT_DOUBLE_EQ(p.AvailablePageWidth(gmInches), 8.26 - 1);
  TStringList names;
  p.GetPaperNames(names);
  ASSERT_EQ(names.Count(), 18);
  EXPECT_EQ(names[8], "Custom");
}

TEST_F(PrintTest, ClicksOnThePaperReachPageAndObjectEvents) {
  TPgPreview p(nullptr);
  p.SetBounds(0, 0, 500, 700);
  p.SetZoom(50);
  p.Canvas().Brush().SetColor(clRed);
  p.Canvas().Rectangle(1, 1, 3, 2, gmInches);
  TPgVisibleObject* hit = nullptr;
  double x = 0;
  p.OnPageMouseDown = [&](TObject*, TMouseButton, TShiftState, TPgValue& X, TPgValue&) { x = X.AsInches(); };
  p.OnObjectMouseDown = [&](TObject*, TMouseButton, TShiftState, TPgValue&, TPgValue&, TPgVisibleObject* o) { hit = o; };
  TRect paper = p.PaperRect();
  int px = paper.Left + 96, py = paper.Top + 72;  // (2, 1.5) inches at 50 %
  p.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(px, py));
  p.Perform(WM_LBUTTONUP, 0, MAKELPARAM(px, py));
  EXPECT_DOUBLE_EQ(x, 2);
  EXPECT_EQ(hit, p.GetPage(1)->Objects(0));
  hit = nullptr;
  p.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(paper.Left + 5, paper.Top + 5));
  p.Perform(WM_LBUTTONUP, 0, MAKELPARAM(paper.Left + 5, paper.Top + 5));
  EXPECT_EQ(hit, nullptr);
}

TEST_F(PrintTest, OnPaintDrawsInPixelsClippedToThePaperInsideTheSunkenBorder) {
  TPgPreview p(nullptr);
  p.SetBounds(0, 0, 400, 500);
  p.SetZoom(25);
  TRect paper = p.PaperRect();
  int calls = 0;
  p.OnPaint = [&](TObject*) {
    ++calls;
    TCanvas& c = p.ControlCanvas();
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(clLime);
    c.FillRect(Rect(0, 0, 400, 500));  // pixels: the whole control, clipped to the paper
  };
  TBitmap bmp(400, 500);
  {
    TRasterPainter painter(bmp);
    p.PaintWindow(painter);
  }
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(bmp.PixelAt(paper.Left + 5, paper.Top + 5), ColorToRGB(clLime));
  EXPECT_EQ(bmp.PixelAt(paper.Right - 2, paper.Bottom - 2), ColorToRGB(clLime));
  EXPECT_EQ(bmp.PixelAt(paper.Left - 5, paper.Top + 5), 0xC0C0C0u) << "the gutter is not painted over";
  EXPECT_EQ(bmp.PixelAt(0, 0), ColorToRGB(clBtnShadow)) << "the sunken edge";
  EXPECT_EQ(bmp.PixelAt(399, 499), ColorToRGB(clBtnHighlight));

  // Without a border the control's colour reaches its edge; while updating OnPaint is not called.
  p.SetBorderStyle(bsNone);
  p.BeginUpdate();
  TBitmap plain(400, 500);
  {
    TRasterPainter painter(plain);
    p.PaintWindow(painter);
  }
  p.EndUpdate();
  EXPECT_EQ(plain.PixelAt(0, 0), 0xC0C0C0u);
  EXPECT_EQ(calls, 1);
}

}  // namespace
