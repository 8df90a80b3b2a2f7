// Grid printing over preview pages, the companions' states and actions, and rich text paged
// into the preview.
#include <gtest/gtest.h>

#include "print/grid_print.h"
#include "print/preview_companions.h"
#include "print/rtf_preview.h"
#include "print_test_support.h"

namespace {

struct TCellBox {
  std::string Text;
  TPgRectExt Box;
};

std::vector<TCellBox> Cells(TPgPage& page) {
  std::vector<TCellBox> out;
  for (int i = 0; i < page.ObjectCount(); ++i)
    if (auto* t = dynamic_cast<TPgTextBoxObject*>(page.Objects(i))) out.push_back({t->Caption(), t->Bounds()});
  return out;
}

// The border rectangles: clear-brush rectangles (cell backgrounds are filled).
std::vector<TPgRectExt> Borders(TPgPage& page) {
  std::vector<TPgRectExt> out;
  for (int i = 0; i < page.ObjectCount(); ++i)
    if (auto* r = dynamic_cast<TPgRectangleShape*>(page.Objects(i)))
      if (r->Brush() && r->Brush()->Style == bsClear) out.push_back(r->Bounds());
  return out;
}

class GridPrintTest : public PrintTest {
protected:
  void Fill(int rows, int cols) {
    grid.SetColCount(cols);
    grid.SetRowCount(rows);
    grid.SetDefaultRowHeight(24);
    grid.SetDefaultColWidth(96);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) grid.SetCells(c, r, r == 0 ? "Head" + std::to_string(c) : std::to_string(r * 10 + c));
    printer.SetPreview(&preview);
    printer.SetGrid(&grid);
  }
  TPgPreview preview{nullptr};
  TStringGrid grid{nullptr};
  TPgGridPrint printer{nullptr};
};

TEST_F(GridPrintTest, AGridThatFitsIsOnePageWithOneBorder) {
  Fill(5, 3);
  printer.Print(gmInches, 1, 1, 0);
  ASSERT_EQ(preview.NumPages(), 1);
  std::vector<TPgRectExt> b = Borders(*preview.GetPage(1));
  ASSERT_EQ(b.size(), 1u);
  EXPECT_DOUBLE_EQ(b[0].Left, 1);
  EXPECT_DOUBLE_EQ(b[0].Top, 1);
  EXPECT_DOUBLE_EQ(b[0].Right, 4);  // three columns of 96 pixels at 96 per inch
  EXPECT_DOUBLE_EQ(b[0].Bottom, 1 + 5 * 0.25);
  EXPECT_EQ(Cells(*preview.GetPage(1)).size(), 15u);
}

TEST_F(GridPrintTest, LongGridsBreakAndRepeatTheFirstRow) {
  Fill(100, 2);
  printer.Print(gmInches, 1, 1, 0);
  ASSERT_EQ(preview.NumPages(), 3);
  double limit = 11.69 - preview.Footer().GetHeight(gmInches) -
                 (preview.Margins().Bottom().AsInches() + preview.Footer().GetHeight(gmInches));
  int seen = 0;
  for (int p = 1; p <= 3; ++p) {
    std::vector<TCellBox> cells = Cells(*preview.GetPage(p));
    ASSERT_FALSE(cells.empty());
    EXPECT_EQ(cells[0].Text, "Head0") << "page " << p;
    EXPECT_DOUBLE_EQ(cells[0].Box.Top, 1);
    double bottom = 0;
    for (const TCellBox& c : cells) bottom = std::max(bottom, c.Box.Bottom);
    EXPECT_LE(bottom, limit + 1e-9);
    if (p < 3) {
      EXPECT_GT(bottom + 0.25, limit) << "another row would have fitted on page " << p;
    }
    std::vector<TPgRectExt> b = Borders(*preview.GetPage(p));
    ASSERT_EQ(b.size(), 1u);
    EXPECT_DOUBLE_EQ(b[0].Top, 1);
    EXPECT_DOUBLE_EQ(b[0].Bottom, bottom);
    seen += static_cast<int>(cells.size()) / 2 - (p > 1 ? 1 : 0);
  }
  EXPECT_EQ(seen, 100) << "every row once, plus the repeated first rows";

  // Printing again from page 1 reuses pages 2 and 3.
  preview.SetCurrentPage(1);
  printer.Print(gmInches, 1, 1, 0);
  EXPECT_EQ(preview.NumPages(), 3);
}

TEST_F(GridPrintTest, WidthScalesColumnsAndNewPageHandlersMoveRows) {
  Fill(60, 2);
  printer.Print(gmInches, 0.5, 0.5, 4);
  EXPECT_DOUBLE_EQ(printer.ColumnWidths().Sum(), 4);
  EXPECT_DOUBLE_EQ(printer.ColumnWidths().Value(0), 2);
  preview.Clear();
  printer.OnGridNewPage = [](TObject*, TPgValue& top, TPgValue&) { top.SetAsInches(2); };
  printer.Print(gmInches, 1, 1, 0);
  ASSERT_GE(preview.NumPages(), 2);
  std::vector<TCellBox> cells = Cells(*preview.GetPage(2));
  EXPECT_EQ(cells[0].Text, "Head0");
  EXPECT_DOUBLE_EQ(cells[0].Box.Top, 2);
  EXPECT_DOUBLE_EQ(cells[2].Box.Top, 2.25);
}

TEST_F(GridPrintTest, MissingPreviewOrGridIsTheEngineError) {
  TPrintTestScript script;
  script.ExpectMessage("TPgGridPrint Error!\r\rThe \"Preview\" property must be set to a TPgPreview component", mrOk);
  script.ExpectMessage("The \"Grid\" property must be set to a valid grid component\"", mrOk);
  TPgGridPrint alone(nullptr);
  alone.Print(gmInches, 0, 0, 0);
  alone.SetPreview(&preview);
  alone.Print(gmInches, 0, 0, 0);
  EXPECT_EQ(preview.GetPage(1)->ObjectCount(), 0);
  EXPECT_EQ(script.Remaining(), 0);
  {
    TPgPreview shortLived(nullptr);
    alone.SetPreview(&shortLived);
  }
  EXPECT_EQ(alone.Preview(), nullptr);
}

TEST_F(PrintTest, NavigatorFollowsThePreview) {
  TPgPreview preview(nullptr);
  TPgPageNavigator nav(nullptr);
  EXPECT_FALSE(nav.Button(gmAddPage).Enabled()) << "no preview: every button off";
  nav.SetPreview(&preview);
  for (TPgNavigateBtn b : {gmFirstPage, gmPrevPage, gmNextPage, gmLastPage}) EXPECT_FALSE(nav.Button(b).Enabled());
  EXPECT_TRUE(nav.Button(gmClear).Enabled());
  nav.Press(gmAddPage);
  nav.Press(gmAddPage);
  EXPECT_EQ(preview.NumPages(), 3);
  EXPECT_TRUE(nav.Button(gmFirstPage).Enabled());
  EXPECT_FALSE(nav.Button(gmNextPage).Enabled());
  nav.Press(gmFirstPage);
  EXPECT_EQ(preview.CurrentPage(), 1);
  EXPECT_TRUE(nav.Button(gmLastPage).Enabled());
  preview.SetZoom(400);
  nav.UpdateButtons();
  EXPECT_FALSE(nav.Button(gmZoomIn).Enabled());
  nav.Press(gmActualSize);
  EXPECT_EQ(preview.Zoom(), 100);
  EXPECT_TRUE(nav.Button(gmZoomIn).Enabled());
  EXPECT_EQ(nav.Button(gmDeletePage).Hint(), "Delete Current Page");
  // The layout: 13 buttons of 34 in four groups 8 apart, inside a border of 6.
  nav.SetNavAutoSize(true);
  EXPECT_EQ(nav.Width(), 6 + 13 * 34 + 3 * 8 + 6);
  EXPECT_EQ(nav.Button(gmAddPage).Left(), 6 + 4 * 34 + 8);
  std::vector<TPgNavigateBtn> clicked;
  nav.OnClickButton = [&](TObject*, TPgNavigateBtn b) { clicked.push_back(b); };
  nav.Button(gmLastPage).Click();
  EXPECT_EQ(preview.CurrentPage(), 3);
  EXPECT_EQ(clicked, std::vector<TPgNavigateBtn>{gmLastPage});
}

TEST_F(PrintTest, PaperListFiltersAndSelectsAndGraphicSwitchesOrientation) {
  TPgPreview preview(nullptr);
  TPgPropertyComboBox papers(nullptr);
  papers.SetPreviewProperty(gmPaperList);
  papers.OnAddItem = [](TObject*, const std::string& item, bool& add) { add = item != "A4"; };
  papers.SetPreview(&preview);
  EXPECT_EQ(papers.Items().Count(), 17);
  EXPECT_EQ(papers.ItemIndex(), -1) << "A4 is current but not listed";
  papers.PeerItemChosen(papers.Items().IndexOf("Letter"));
  EXPECT_EQ(preview.PaperSize(), Letter);
  EXPECT_EQ(papers.Items()[papers.ItemIndex()], "Letter");

  TPgPropertyGraphic graphic(nullptr);
  graphic.SetPreview(&preview);
  EXPECT_TRUE(graphic.Button(0).Down());
  graphic.Button(1).Click();
  EXPECT_EQ(preview.Orientation(), gmLandscape);
  preview.SetOrientation(gmPortrait);
  EXPECT_TRUE(graphic.Button(0).Down());
  graphic.SetPreviewProperty(gmMultipageGraphic);
  preview.SetPagesPerSheet(gmFourPage);
  EXPECT_TRUE(graphic.Button(2).Down());
  EXPECT_EQ(graphic.CurrentPagesPerSheet(), gmFourPage);
}

TEST_F(PrintTest, RichTextIsPagedContiguouslyAndNeverForEver) {
  TPgPreview preview(nullptr);
  TPgRtfPreview pager(nullptr);
  pager.SetPreview(&preview);
  TRichEdit edit(nullptr);
  pager.RichEditToPreview(edit);
  EXPECT_EQ(preview.NumPages(), 1);
  EXPECT_EQ(preview.GetPage(1)->RtfInfo().RangeEnd, 0);

  std::string text;
  for (int i = 0; i < 400; ++i) text += "Line " + std::to_string(i) + " of the long text\r\n";
  edit.SetText(text);
  preview.NewPage();
  preview.NewPage();
  preview.SetCurrentPage(1);
  pager.ForceNewPages = false;
  int newPages = 0;
  pager.OnNewPage = [&](TObject*, TPgValue& top, TPgValue&) {
    ++newPages;
    top.SetAsInches(2);
  };
  pager.RichEditToPreview(edit);
  ASSERT_GE(preview.NumPages(), 4) << "pages 2 and 3 reused before page 4 was added";
  EXPECT_EQ(newPages, preview.NumPages() - 1);
  int expected = 0;
  for (int p = 1; p <= preview.NumPages(); ++p) {
    TPgPageRtfInfo& info = preview.GetPage(p)->RtfInfo();
    EXPECT_EQ(info.RangeStart, expected) << "page " << p;
    EXPECT_GT(info.RangeEnd, info.RangeStart);
    EXPECT_LE(info.Rect.Bottom, preview.GetPage(p)->Height);
    if (p > 1) {
      EXPECT_DOUBLE_EQ(info.Rect.Top, 2);
    }
    expected = info.RangeEnd;
  }
  EXPECT_EQ(expected, edit.GetTextLen());
  EXPECT_EQ(preview.PageList().ResourceTable().Memos.Count(), 1) << "one copy shared by the pages";
  EXPECT_EQ(preview.PageList().ResourceTable().Memos.RefCount(0), preview.NumPages());

  // A handler that leaves no room: paging stops instead of adding pages for ever.
  preview.Clear();
  pager.OnNewPage = [](TObject*, TPgValue& top, TPgValue&) { top.SetAsInches(20); };
  pager.RichEditToPreview(edit);
  EXPECT_LE(preview.NumPages(), 3);
  EXPECT_EQ(preview.GetPage(preview.NumPages())->RtfInfo().RangeEnd, edit.GetTextLen());
}

}  // namespace
