// Page objects, the canvas, pages and the page list, and the printer job with 1, 2 and 4 pages
// per sheet on the headless recording printer.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/gfx/bitmap.h"
#include "platform/headless/recording_painter.h"
#include "print/page_list.h"
#include "print_test_support.h"

namespace {

std::vector<std::string> Texts(const TRecordedPage& page) {
  std::vector<std::string> out;
  for (const TPaintCall& c : page.Calls)
    if (!c.Text.empty()) out.push_back(c.Text);
  return out;
}

TEST_F(PrintTest, RoundRectMovesItsBoundsButKeepsItsCornerSize) {
  TPgPageList list;
  list.AddPage();
  list.Canvas().CoordsRelativeTo = gmFromUserMargins;
  TPgRoundRectShape* r = list.Canvas().RoundRect(1, 1, 3, 2, 0.25, 0.5, gmInches);
  EXPECT_DOUBLE_EQ(r->Bounds().Left, 1.5);
  EXPECT_DOUBLE_EQ(r->Bounds().Bottom, 2.5);
  EXPECT_DOUBLE_EQ(r->Third().X, 0.25);
  EXPECT_DOUBLE_EQ(r->Third().Y, 0.5);
  list.Canvas().CoordsRelativeTo = gmFromHeaderLine;
  list.Header().SetHeight(1, gmInches);
  TPgClipRectObject* clip = list.Canvas().ClipRect(0, 0, 1, 1, gmInches);
  EXPECT_DOUBLE_EQ(clip->ClipBounds.Top, 1.5);
}

TEST_F(PrintTest, TextBoxesGrowToTheirTextAndSaveOnlyWhatDiffers) {
  TPgPageList list;
  list.AddPage();
  TPgCanvas& c = list.Canvas();
  c.Font().SetSize(12);
  TPgTextBoxObject* box = c.TextBox(1, 1, 5, 0, "one\ntwo\nthree", taLeftJustify, gmTop, 0.1, gmInches);
  // Three lines of the 12-point font at 600 per inch, plus the inset above and below.
  TTextMetric tm = FixedTextMetrics(-MulDiv(12, 600, 72));
  EXPECT_NEAR(box->Bounds().Bottom - box->Bounds().Top, 3 * tm.tmHeight / 600.0 + 0.2, 1e-9);
  EXPECT_DOUBLE_EQ(box->TextHeight, box->Bounds().Bottom - box->Bounds().Top);

  TPgValueList v;
  box->SaveToValueList(v);
  EXPECT_EQ(v.Names(0), "ID");
  EXPECT_EQ(v.ReadInteger("ID", -1), 14);
  for (const char* key : {"TA", "VA", "CT", "WB"}) EXPECT_FALSE(v.HasValue(key)) << key;
  EXPECT_EQ(v.ReadString("XY2", ""), "5000," + IntToStr(std::llround(box->Bounds().Bottom * 1000)));
  TPgTextBoxObject back(&list.ResourceTable());
  back.Alignment = taRightJustify;
  back.ClipText = false;
  back.WordWrap = false;
  back.LoadFromValueList(v);
  EXPECT_EQ(back.Alignment, taLeftJustify);
  EXPECT_EQ(back.VertAlignment, gmTop);
  EXPECT_TRUE(back.ClipText);
  EXPECT_TRUE(back.WordWrap);
  EXPECT_EQ(back.Caption(), "one\ntwo\nthree");
  EXPECT_EQ(back.Font(), box->Font());

  box->Alignment = taCenter;
  box->WordWrap = false;
  box->SaveToValueList(v);
  EXPECT_EQ(v.ReadInteger("TA", 0), 2);
  EXPECT_EQ(v.ReadInteger("WB", 1), 0);
}

TEST_F(PrintTest, MarginValuesTextAndHeaderHeights) {
  TPgMargins m;
  m.Left().SetAsInches(1);
  m.Pen().SetColor(clRed);
  m.Pen().SetWidth(3);
  std::string text = m.MarginValuesText();
  EXPECT_EQ(text.substr(0, 15), "1440,720,720,72");
  TPgMargins back;
  back.SetMarginValuesText(text);
  EXPECT_DOUBLE_EQ(back.Left().AsInches(), 1);
  EXPECT_EQ(back.Pen().Color(), clRed);
  EXPECT_EQ(back.Pen().Width(), 3);
  // Four items only set the margins; a bad item changes nothing.
  TPgMargins four;
  four.SetMarginValuesText("720,720,1440,1440");
  EXPECT_DOUBLE_EQ(four.Bottom().AsInches(), 1);
  EXPECT_EQ(four.Pen().Color(), static_cast<TColor>(0xC0C0C0));
  four.SetMarginValuesText("x,1,2,3");
  EXPECT_DOUBLE_EQ(four.Bottom().AsInches(), 1);

  TPgHeader h;
  h.CaptionRight.Font().SetSize(20);
  h.CaptionCenter.Font().SetSize(16);
  TFont twenty;
  twenty.SetSize(20);
  EXPECT_DOUBLE_EQ(h.GetHeight(gmInches), FontHeightInches(twenty));
  h.SetHeight(10, gmMillimeters);
  EXPECT_NEAR(h.GetHeight(gmInches), 10 / 25.4, 1e-12);
}

TEST_F(PrintTest, BadObjectRecordsAreRefused) {
  TPgResourceTable t;
  TMemoryStream s;
  TPgWriter(s).WriteInteger(7);  // no object has id 7
  TPgValueList().SaveToStream(s);
  s.SetPosition(0);
  EXPECT_THROW(ReadPgObject(s, &t), EPgStreamError);
  TMemoryStream cut;
  TPgTextBoxObject box(&t);
  box.SetCaption("Total");
  box.SaveToStream(cut);
  std::string bytes = cut.DataString();
  TStringStream shorter(bytes.substr(0, bytes.size() - 3));
  EXPECT_THROW(ReadPgObject(shorter, &t), EPgStreamError);
  TStringStream whole(bytes);
  std::unique_ptr<TPgBaseObject> o = ReadPgObject(whole, &t);
  ASSERT_NE(dynamic_cast<TPgTextBoxObject*>(o.get()), nullptr);
  EXPECT_EQ(static_cast<TPgTextBoxObject*>(o.get())->Caption(), "Total");
}

TEST_F(PrintTest, DeletingPagesKeepsOneAndACurrentPage) {
  TPgPageList list;
  list.AddPage();
  list.DeletePage(0);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.CurrentPage(), 1);
  list.AddPage();
  list.AddPage();
  EXPECT_EQ(list.CurrentPage(), 3);
  list.DeletePage(2);
  EXPECT_EQ(list.CurrentPage(), 2);
  list.DeletePage(7);
  EXPECT_EQ(list.Count(), 2);

  list.SetOrientation(gmLandscape);
  list.SetPaperSize(Letter);
  EXPECT_DOUBLE_EQ(list.GetPage(1)->Width, 11);
  EXPECT_DOUBLE_EQ(list.GetPage(2)->Height, 8.5);
  list.AddPage();
  EXPECT_DOUBLE_EQ(list.GetPage(3)->Width, 11);

  int notices = 0;
  list.OnPageAddedDeleted = [&] { ++notices; };
  list.BeginUpdate();
  list.AddPage();
  list.DeletePage(0);
  EXPECT_EQ(notices, 0);
  list.EndUpdate();
  EXPECT_EQ(notices, 1);
}

TEST_F(PrintTest, CentreCaptionLiesBetweenTheMargins) {
  TRecordingPrinter& rec = InstallRecordingPrinter();
  TPgPageList list;
  list.AddPage();
  list.Margins().Left().SetAsInches(1);
  list.Margins().Right().SetAsInches(0.5);
  list.Header().SetVisible(true);
  list.Header().CaptionCenter.SetCaption("Page {PAGE} of {NUMPAGES}");
  list.Print();
  ASSERT_EQ(rec.Jobs().size(), 1u);
  const TRecordedPage& page = rec.Jobs()[0].Pages[0];
  const TPaintCall* run = nullptr;
  for (const TPaintCall& c : page.Calls)
    if (c.Text == "Page 1 of 1") run = &c;
  ASSERT_NE(run, nullptr);
  // Device pixels on a 300 dpi page whose drawable area starts 65 pixels in.
  double centre = (run->Rect.Left + run->Rect.Right) / 2.0 + 65;
  EXPECT_NEAR(centre, (1 + (8.26 - 0.5)) / 2 * 300, 2);
}

TEST_F(PrintTest, PrintRangeDownwardsAndInvisibleObjectsStayOffPaper) {
  TRecordingPrinter& rec = InstallRecordingPrinter();
  TPgPageList list;
  list.AddPage();
  for (int i = 0; i < 3; ++i) {
    if (i > 0) list.AddPage();
    list.Canvas().TextOut(1, 1, "On page {PAGE}", gmInches);
  }
  list.Canvas().TextOut(1, 2, "Only on screen", gmInches)->SetVisible(false);
  int progress = 0;
  list.OnPrintProgress = [&](int printed, int total) {
    EXPECT_EQ(total, 3);
    progress = printed;
  };
  list.PrintRange(3, 1);
  EXPECT_EQ(progress, 3);
  ASSERT_EQ(rec.Jobs().size(), 1u);
  const auto& pages = rec.Jobs()[0].Pages;
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(Texts(pages[0]), std::vector<std::string>{"On page 3"});
  EXPECT_EQ(Texts(pages[2]), std::vector<std::string>{"On page 1"});

  // On screen the invisible object is drawn.
  TBitmap screen(100, 100);
  TRecordingPainter painter(&screen, 100, 100);
  TCanvas canvas;
  canvas.SetPainter(&painter);
  list.GetPage(3)->DrawPage(canvas, 600, true);
  bool shown = false;
  for (const TPaintCall& c : painter.Calls()) shown |= c.Text == "Only on screen";
  EXPECT_TRUE(shown);
}

TEST_F(PrintTest, WithoutAPrinterTheDefaultsApplyAndNothingPrints) {
  TPgPrinter p;
  const TPgPrinterInfo& i = p.Info();
  EXPECT_EQ(i.PhysicalWidth, 2481);
  EXPECT_EQ(i.PhysicalHeight, 3507);
  EXPECT_EQ(i.Margins.Right, 58);
  EXPECT_EQ(i.PixelsPerInchX, 300);
  EXPECT_EQ(p.PrintQuality(), gmMedium);
  EXPECT_EQ(p.PrintCopies(), 1);
  int before = 0;
  p.BeforePrint = [&](TObject*) { ++before; };
  p.BeginDoc();
  EXPECT_FALSE(p.Printing());
  EXPECT_EQ(before, 0);
  TPgRectExt land = p.GetPrinterMargins(gmLandscape);
  EXPECT_DOUBLE_EQ(land.Left, 50 / 300.0);
  EXPECT_DOUBLE_EQ(land.Top, 58 / 300.0);
}

TEST_F(PrintTest, FourAndTwoPagesPerSheet) {
  TRecordingPrinter& rec = InstallRecordingPrinter();
  TPgPageList list;
  list.AddPage();
  for (int i = 1; i < 5; ++i) list.AddPage();
  list.SetPagesPerSheet(gmFourPage);
  TPgPrinter& p = list.Printer();
  TRect area;
  int scale;
  p.PageArea(5, area, scale);
  EXPECT_EQ(area, Rect(0, 0, 1240, 1753));
  EXPECT_EQ(scale, 50);
  p.PageArea(4, area, scale);
  EXPECT_EQ(area, Rect(1240, 1753, 2481, 3507));
  list.Print();
  ASSERT_EQ(rec.Jobs().size(), 1u);
  EXPECT_EQ(rec.Jobs()[0].Pages.size(), 2u) << "pages 1 to 4 on one sheet, page 5 on the second";

  list.SetPagesPerSheet(gmTwoPage);
  EXPECT_EQ(p.SheetOrientation(gmPortrait), gmLandscape);
  p.PageArea(2, area, scale);
  EXPECT_EQ(scale, 70);  // 210 / 297
  EXPECT_EQ(area, Rect(1753, 0, 3507, 2481));
  list.Canvas().Pen().SetWidth(4);
  list.GetPage(1)->ShowHeader = false;
  list.PrintRange(1, 2);
  ASSERT_EQ(rec.Jobs().size(), 2u);
  ASSERT_EQ(rec.Jobs()[1].Pages.size(), 1u);
  EXPECT_EQ(rec.Jobs()[1].Pages[0].Mode.dmOrientation, DMORIENT_LANDSCAPE);
}

}  // namespace
