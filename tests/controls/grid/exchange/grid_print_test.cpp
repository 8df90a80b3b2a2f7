// The grid's page engine on the recording printer: bands, page texts, page ranges, forced page
// breaks, repeated fixed rows, fit to page, the preview.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "controls/grid/qn_grid.h"
#include "platform/gfx/bitmap.h"
#include "platform/headless/headless_peer.h"
#include "platform/headless/headless_printing.h"

namespace {

class PrintGrid : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    RemovePrintDevices();
    rec = &InstallRecordingPrinter();
    SetDefaultPrintDevice(0);
    Printer().SetPrinterIndex(-1);
  }
  void TearDown() override { RemovePrintDevices(); }

  // rows x cols cells "r<row>c<col>", one fixed row and column.
  void Fill(int cols, int rows, int width = 6) {
    g.SetColCount(cols);
    g.SetRowCount(rows);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c)
        g.SetCells(c, r, "r" + std::to_string(r) + "c" + std::to_string(c) + std::string(width, 'x'));
  }
  const TRecordedJob& Job() { return rec->Jobs().back(); }
  std::string PageText(int page) {
    std::string out;
    for (const TPaintCall& call : Job().Pages[page].Calls)
      if (call.Kind == TPaintKind::Text) out += call.Text + "|";
    return out;
  }
  bool PageHas(int page, const std::string& text) { return PageText(page).find("|" + text + "|") != std::string::npos || PageText(page).rfind(text + "|", 0) == 0; }

  TRecordingPrinter* rec = nullptr;
  TQnStringGrid g{nullptr};
};

TEST_F(PrintGrid, ColumnsThatFitMakeOneBandAndPagesNumberedWithTheSeparator) {
  Fill(3, 200);
  g.PrintSettings().PageNr = ppBottomCenter;
  g.PrintSettings().PageNumSep = "/";
  g.Print();
  ASSERT_EQ(rec->Jobs().size(), 1u);
  const int pages = static_cast<int>(Job().Pages.size());
  ASSERT_GT(pages, 1);
  EXPECT_EQ(g.TotalPages, pages);
  EXPECT_NE(PageText(0).find(" 1/" + std::to_string(pages) + " "), std::string::npos) << PageText(0);
  EXPECT_NE(PageText(pages - 1).find(" " + std::to_string(pages) + "/" + std::to_string(pages) + " "),
            std::string::npos);
  // Every row printed exactly once, in order.
  std::string all;
  for (int p = 0; p < pages; ++p) all += PageText(p);
  for (int r = 0; r < 200; ++r) {
    const std::string cell = "r" + std::to_string(r) + "c1xxxxxx|";
    const std::size_t at = all.find(cell);
    ASSERT_NE(at, std::string::npos) << r;
    EXPECT_EQ(all.find(cell, at + 1), std::string::npos) << r;
  }

  // A single page shows the number alone.
  TQnStringGrid small(nullptr);
  small.SetColCount(2);
  small.SetRowCount(3);
  small.PrintSettings().PageNr = ppTopLeft;
  small.Print();
  EXPECT_EQ(Job().Pages.size(), 1u);
  std::string t;
  for (const TPaintCall& call : Job().Pages[0].Calls)
    if (call.Kind == TPaintKind::Text) t += call.Text + "|";
  EXPECT_NE(t.find(" 1 |"), std::string::npos) << t;
}

TEST_F(PrintGrid, AWideGridPrintsInBandsWithBandPageTextsAndRepeatedFixedColumns) {
  Fill(12, 120, 40);
  g.PrintSettings().PageNr = ppTopRight;
  g.PrintSettings().RepeatFixedCols = true;
  g.Print();
  const auto& pages = Job().Pages;
  ASSERT_GE(pages.size(), 4u);
  EXPECT_NE(PageText(0).find(" 1-1 "), std::string::npos) << PageText(0);
  EXPECT_NE(PageText(1).find(" 2-1 "), std::string::npos) << PageText(1);
  // The second band starts on a new page: find it by its page text.
  int secondBand = -1;
  for (int p = 0; p < static_cast<int>(pages.size()); ++p)
    if (PageText(p).find(" 1-2 ") != std::string::npos) { secondBand = p; break; }
  ASSERT_GT(secondBand, 0);
  // The fixed column comes again on the second band, next to the band's own columns.
  EXPECT_NE(PageText(secondBand).find("r1c0"), std::string::npos);
  EXPECT_EQ(PageText(0).find("r1c11"), std::string::npos);
}

TEST_F(PrintGrid, AColumnWiderThanThePageIsAloneOnItsBand) {
  Fill(3, 3, 4);
  g.SetCells(1, 1, std::string(400, 'W'));
  g.PrintSettings().PageNr = ppTopRight;
  g.Print();
  const auto& pages = Job().Pages;
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_NE(PageText(0).find("r1c0"), std::string::npos);
  EXPECT_EQ(PageText(0).find("r1c2"), std::string::npos);
  EXPECT_NE(PageText(1).find(std::string(40, 'W')), std::string::npos);
  EXPECT_NE(PageText(2).find("r1c2"), std::string::npos);
  EXPECT_NE(PageText(2).find(" 1-3 "), std::string::npos);
}

TEST_F(PrintGrid, APageRangeFromThirdPageStartsWithoutAnEmptySheet) {
  Fill(3, 300);
  g.PrintSettings().PageNr = ppBottomLeft;
  int counted = 0;
  g.OnPrintStart = [&](TObject*, int n, int& from, int& to) {
    counted = n;
    from = 3;
    to = 4;
  };
  g.Print();
  ASSERT_GE(counted, 4);
  ASSERT_EQ(Job().Pages.size(), 2u);
  EXPECT_NE(PageText(0).find(" 3/"), std::string::npos) << PageText(0);
  EXPECT_NE(PageText(1).find(" 4/"), std::string::npos) << PageText(1);

  const std::size_t jobs = rec->Jobs().size();
  g.OnPrintStart = [](TObject*, int, int& from, int& to) { from = 3; to = 2; };
  g.Print();
  EXPECT_EQ(rec->Jobs().size(), jobs);  // no document started
}

TEST_F(PrintGrid, ForcedBreaksAndRepeatedFixedRows) {
  Fill(3, 6);
  g.OnPrintNewPage = [](TObject*, int, bool& newPage) { newPage = true; };
  g.Print();
  ASSERT_EQ(Job().Pages.size(), 6u);
  EXPECT_NE(PageText(0).find("r0c1"), std::string::npos);
  EXPECT_EQ(PageText(1).find("r0c1"), std::string::npos);

  g.PrintSettings().RepeatFixedRows = true;
  g.Print();
  ASSERT_EQ(Job().Pages.size(), 6u);
  // Row 0 prints once as an ordinary row on page 1 and is repeated from page 2 on.
  const std::string p0 = PageText(0), p1 = PageText(1);
  EXPECT_EQ(p0.find("r0c1"), p0.rfind("r0c1"));
  EXPECT_NE(p1.find("r0c1"), std::string::npos);
  EXPECT_NE(p1.find("r1c1"), std::string::npos);
}

TEST_F(PrintGrid, FitToPageShrinksOnlyWhenAskedAndCustomCanRefuse) {
  Fill(12, 3, 40);
  g.PrintSettings().FitToPage = fpGrow;
  g.Print();
  const std::vector<int> natural = g.PrintColWidths();
  EXPECT_GT(Job().Pages.size(), 1u);
  g.PrintSettings().FitToPage = fpShrink;
  g.Print();
  EXPECT_EQ(Job().Pages.size(), 1u);
  EXPECT_LT(g.PrintColWidths()[3], natural[3]);
  g.PrintSettings().FitToPage = fpCustom;
  bool asked = false;
  g.OnFitToPage = [&](TObject*, double& f, bool& allow) { asked = f < 1; allow = false; };
  g.Print();
  EXPECT_TRUE(asked);
  EXPECT_EQ(g.PrintColWidths()[3], natural[3]);

  TQnStringGrid narrow(nullptr);
  narrow.SetColCount(2);
  narrow.SetRowCount(2);
  narrow.SetCells(1, 1, "x");
  narrow.PrintSettings().FitToPage = fpShrink;
  narrow.Print();
  const int w = narrow.PrintColWidths()[1];
  narrow.PrintSettings().FitToPage = fpNever;
  narrow.Print();
  EXPECT_EQ(narrow.PrintColWidths()[1], w);
  narrow.PrintSettings().UseFixedWidth = true;
  narrow.PrintSettings().FixedWidth = 300;
  narrow.Print();
  EXPECT_EQ(narrow.PrintColPos()[2] - narrow.PrintColPos()[1], 300);  // no spacing added
}

TEST_F(PrintGrid, PreviewDrawsTheChosenPageIntoTheTarget) {
  Fill(3, 200);
  TBitmap bmp;
  bmp.SetSize(400, 560);
  bmp.Canvas().Brush().SetColor(clWhite);
  bmp.Canvas().FillRect(TRect{0, 0, 400, 560});
  g.PrintSettings().PageNr = ppTopLeft;
  g.SetPreviewPage(2);
  g.PrintPreview(bmp.Canvas(), TRect{0, 0, 400, 560});
  EXPECT_GT(g.TotalPages, 2);
  EXPECT_EQ(bmp.Canvas().MapMode(), MM_TEXT);
  g.PreviewFirstPageOnly = true;
  g.SetPreviewPage(1);
  g.OnGetCellPrintColor = [](TObject*, int ARow, int ACol, TGridDrawState, TBrush& B, TFont&) {
    if (ARow == 1 && ACol == 1) B.SetColor(clRed);
  };
  g.PrintPreview(bmp.Canvas(), TRect{100, 100, 400, 560});
  // The red cell lies right of and below the target's corner, inside the target.
  int reds = 0, left = 400, top = 560;
  for (int y = 0; y < 560; ++y)
    for (int x = 0; x < 400; ++x)
      if ((bmp.Canvas().Pixel(x, y) & 0xFFFFFF) == 0x0000FF) {
        ++reds;
        left = std::min(left, x);
        top = std::min(top, y);
      }
  EXPECT_GT(reds, 20);
  EXPECT_GT(left, 100);
  EXPECT_GT(top, 100);
}

// Every line of a cell of several lines stays on the page: no fill after a line covers it,
// on a white cell and on a coloured one, also where narrow columns clip the lines.
TEST_F(PrintGrid, EveryLineOfAMultiLineCellStaysVisible) {
  g.SetColCount(2);
  g.SetRowCount(3);
  g.SetCells(0, 1, "first\r\nsecond\r\nthird");
  g.SetCells(1, 2, "one\r\ntwo");
  g.PrintSettings().UseFixedWidth = true;
  g.PrintSettings().FixedWidth = 40;
  g.OnGetCellPrintColor = [](TObject*, int ARow, int, TGridDrawState, TBrush& B, TFont&) {
    if (ARow == 2) B.SetColor(clYellow);
  };
  g.Print();
  const auto& calls = Job().Pages[0].Calls;
  int texts = 0;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].Kind != TPaintKind::Text) continue;
    const std::string& t = calls[i].Text;
    if (t != "first" && t != "second" && t != "third" && t != "one" && t != "two") continue;
    ++texts;
    for (std::size_t j = i + 1; j < calls.size(); ++j) {
      if (calls[j].Kind != TPaintKind::FillRect && calls[j].Kind != TPaintKind::Rectangle) continue;
      TRect both;
      EXPECT_FALSE(IntersectRect(both, calls[j].Rect, calls[i].Rect)) << t << " is covered by a later fill";
    }
  }
  EXPECT_EQ(texts, 5);
}

// A grid that prints one cell turned by 90 degrees.
class TTurnedGrid : public TQnStringGrid {
public:
  using TQnStringGrid::TQnStringGrid;
  bool IsRotated(int ACol, int ARow, int& AAngle) override {
    AAngle = ACol == 1 && ARow == 1 ? 90 : 0;
    return AAngle != 0;
  }
};

TEST_F(PrintGrid, ATurnedCellPrintsWithATurnedFontInARowAsHighAsTheTextIsLong) {
  TTurnedGrid t(nullptr);
  t.SetColCount(2);
  t.SetRowCount(4);
  for (int r = 0; r < 4; ++r) t.SetCells(0, r, "left" + std::to_string(r));
  t.SetCells(1, 0, "head");
  t.SetCells(1, 1, "a rather long turned text");
  t.SetCells(1, 2, "below");
  t.Print();
  const TPaintCall* turned = nullptr;
  const TPaintCall* below = nullptr;
  std::vector<const TPaintCall*> left(4, nullptr);
  for (const TPaintCall& c : Job().Pages[0].Calls) {
    if (c.Kind != TPaintKind::Text) continue;
    if (c.Text == "a rather long turned text") turned = &c;
    if (c.Text == "below") below = &c;
    for (int r = 0; r < 4; ++r)
      if (c.Text == "left" + std::to_string(r)) left[static_cast<std::size_t>(r)] = &c;
  }
  ASSERT_TRUE(turned && below && left[0] && left[1] && left[2] && left[3]);
  EXPECT_EQ(turned->Font.Orientation, -900);
  EXPECT_EQ(below->Font.Orientation, 0);
  const int w = turned->Rect.Width(), h = turned->Rect.Height();
  ASSERT_GT(w, 3 * h);
  // Row 1 is as high as the text is long; rows 0 and 2 keep their height.
  const int row1 = left[2]->Rect.Top - left[1]->Rect.Top, row2 = left[3]->Rect.Top - left[2]->Rect.Top;
  EXPECT_GE(row1, w);
  EXPECT_LT(row2, 2 * h);
  // Turned clockwise, the text runs down from its start at the row's top; the box around it
  // starts one indent into the cell, as the level text below it does.
  EXPECT_NEAR(turned->Rect.Left - h, below->Rect.Left, 2);
  EXPECT_GE(turned->Rect.Top, left[1]->Rect.Top - h);
  EXPECT_LE(turned->Rect.Top + w, left[2]->Rect.Top);
}

TEST_F(PrintGrid, RichTextCellsPrintWithTheirOwnFontsAndNoRtfTextAndFalseRtfAsItIs) {
  g.SetColCount(2);
  g.SetRowCount(3);
  g.SetCells(1, 1, "{\\rtf1\\ansi plain {\\b heavy}\\par}");
  g.SetCells(1, 2, "{\\notrtf left as it is");
  ASSERT_NO_THROW(g.Print());
  bool heavy = false, plain = false, falseRtf = false;
  for (const TPaintCall& c : Job().Pages[0].Calls) {
    if (c.Kind != TPaintKind::Text) continue;
    EXPECT_EQ(c.Text.find("\\rtf"), std::string::npos) << c.Text;
    if (c.Text.find("heavy") != std::string::npos) heavy = c.Font.Style.Contains(fsBold);
    if (c.Text.find("plain") != std::string::npos) plain = !c.Font.Style.Contains(fsBold);
    if (c.Text.find("left as it is") != std::string::npos) falseRtf = true;
  }
  EXPECT_TRUE(heavy) << "the bold run is not printed bold";
  EXPECT_TRUE(plain);
  EXPECT_TRUE(falseRtf) << "a text that only looks like RTF is printed as it is";
}

}  // namespace
