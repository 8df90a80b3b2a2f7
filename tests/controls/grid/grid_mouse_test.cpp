// Mouse interaction on the headless backend: header clicks that sort, sizing on header
// borders, links opened from cells, direct editing, and errors in handlers.
#include <gtest/gtest.h>

#include "controls/grid/grid_arrows.h"
#include "controls/grid/grid_inplace.h"
#include "controls/grid/qn_grid.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/exceptions.h"
#include "platform/ui/forms.h"
#include "platform/ui/shell.h"

namespace {

struct TMouseGrid {
  TQnStringGrid g{nullptr};
  TMouseGrid() {
    InstallHeadlessBackend();
    g.SetBounds(0, 0, 400, 300);
    g.SetRowCount(4);
    g.HandleNeeded();
    g.SetCells(1, 1, "b");
    g.SetCells(1, 2, "c");
    g.SetCells(1, 3, "a");
    g.SetCells(2, 1, "2");
    g.SetCells(2, 2, "1");
    g.SetCells(2, 3, "2");
    g.SetSortShow(true);
  }
  TPoint mid(int c, int r) {
    const TRect rect = g.CellRect(c, r);
    return {(rect.Left + rect.Right) / 2, (rect.Top + rect.Bottom) / 2};
  }
  void click(int c, int r, TShiftState shift = {}) {
    const TPoint p = mid(c, r);
    HeadlessInput::Click(g, p.X, p.Y, shift);
  }
  std::string column(int c) { return g.Cells(c, 1) + g.Cells(c, 2) + g.Cells(c, 3); }
};

TEST(GridHeaderClicks, SortAndAShiftClickBuildsTheIndex) {
  TMouseGrid t;
  t.click(1, 0);
  EXPECT_EQ(t.g.SortColumn(), 1);
  EXPECT_EQ(t.column(1), "abc");
  t.click(1, 0);
  EXPECT_EQ(t.g.SortDirection, sdDescending);
  EXPECT_EQ(t.column(1), "cba");

  t.g.SetSortIndexShow(true);
  t.g.SetColCount(5);
  t.click(2, 0);
  t.click(1, 0, {ssShift});
  t.click(3, 0, {ssShift});
  EXPECT_EQ(t.g.SortIndexes().Count(), 3);
  EXPECT_EQ(t.column(2), "122");
  EXPECT_EQ(t.column(1), "cab");  // ties on column 2 go by column 1
  t.click(4, 0);
  EXPECT_EQ(t.g.SortIndexes().Count(), 1);
  EXPECT_EQ(TSortIndexList::Column(t.g.SortIndexes().Items(0)), 4);
}

TEST(GridHeaderClicks, ClicksThatDoNotSort) {
  TMouseGrid t;
  int sorts = 0;
  t.g.OnClickSort = [&sorts](TObject*, int) { ++sorts; };
  // Pressing in a data row and releasing on the header.
  const TPoint data = t.mid(1, 2), header = t.mid(1, 0);
  HeadlessInput::MouseDown(t.g, data.X, data.Y);
  HeadlessInput::MouseUp(t.g, header.X, header.Y);
  EXPECT_EQ(sorts, 0);
  // 3 pixels right of a header border while columns may be sized.
  t.g.SetOptions(t.g.Options() + goColSizing);
  const TRect r = t.g.CellRect(1, 0);
  HeadlessInput::Click(t.g, r.Left + 3, header.Y);
  EXPECT_EQ(sorts, 0);
  // A handler that says no.
  t.g.OnCanSort = [](TObject*, int, bool& doSort) { doSort = false; };
  t.click(1, 0);
  EXPECT_EQ(sorts, 0);
  EXPECT_EQ(t.column(1), "bca");
  t.g.OnCanSort = nullptr;
  // Two rows are too few.
  t.g.SetRowCount(2);
  t.click(1, 0);
  EXPECT_EQ(sorts, 0);
  t.g.SetRowCount(4);
  t.click(1, 0);
  EXPECT_EQ(sorts, 1);
}

TEST(GridHeaderClicks, BorderDragSizesAndADoubleClickFitsTheColumn) {
  TMouseGrid t;
  t.g.SetOptions(t.g.Options() + goColSizing);
  int ended = -1;
  t.g.OnEndColumnSize = [&ended](TObject*, int col) { ended = col; };
  const TRect r = t.g.CellRect(1, 0);
  HeadlessInput::MouseDown(t.g, r.Right - 1, r.Top + 5);
  HeadlessInput::MouseMove(t.g, r.Right + 30, r.Top + 5, {ssLeft});
  HeadlessInput::MouseUp(t.g, r.Right + 30, r.Top + 5);
  EXPECT_EQ(t.g.ColWidths(1), 64 + 30);
  EXPECT_EQ(ended, 1);
  // OnColumnSize may forbid sizing.
  t.g.OnColumnSize = [](TObject*, int, bool& allow) { allow = false; };
  const TRect r2 = t.g.CellRect(2, 0);
  HeadlessInput::MouseDown(t.g, r2.Right - 1, r2.Top + 5);
  HeadlessInput::MouseMove(t.g, r2.Right + 30, r2.Top + 5, {ssLeft});
  HeadlessInput::MouseUp(t.g, r2.Right + 30, r2.Top + 5);
  EXPECT_EQ(t.g.ColWidths(2), 64);
  t.g.OnColumnSize = nullptr;
  // A double click on the right border fits the column to its widest text plus 4.
  t.g.SetCells(2, 2, "twelve chars");
  const TRect r3 = t.g.CellRect(2, 0);
  int sorts = 0;
  t.g.OnClickSort = [&sorts](TObject*, int) { ++sorts; };
  HeadlessInput::DoubleClick(t.g, r3.Right - 1, r3.Top + 5);
  EXPECT_EQ(t.g.ColWidths(2), 12 * 7 + 4);
  EXPECT_EQ(sorts, 0);  // the release after the fit lies inside the wider header
}

TEST(GridLinks, OnlyWebAndMailLinksGoToTheShell) {
  TMouseGrid t;
  std::vector<std::string> opened;
  SetShellHandler([&opened](const TShellRequest& request) -> std::intptr_t {
    opened.push_back(request.File);
    return 42;
  });
  t.g.SetURLShow(true);
  std::vector<std::string> anchors;
  t.g.OnAnchorClick = [&anchors](TObject*, int, int, const std::string& a, bool&) { anchors.push_back(a); };
  t.g.SetCells(1, 1, "http://example.org/");
  t.g.SetCells(1, 2, "file:///etc/passwd");
  t.g.SetCells(1, 3, "mailto:someone@example.org");
  t.g.SetCells(2, 1, "cmd://run");
  t.click(1, 1);
  t.click(1, 2);
  t.click(1, 3);
  t.click(2, 1);
  ASSERT_EQ(anchors.size(), 4u);
  EXPECT_EQ(anchors[1], "file:///etc/passwd");
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], "http://example.org/");
  EXPECT_EQ(opened[1], "mailto:someone@example.org");
  // A cell link jumps to the cell it names.
  t.g.SetRowCount(30);
  t.g.SetCells(2, 2, "<a href=\"cell://R25C2\">go</a>");
  const TRect link = t.g.CellRect(2, 2);
  HeadlessInput::Click(t.g, link.Left + 6, link.Top + 8);
  EXPECT_EQ(t.g.Row(), 25);
  EXPECT_EQ(opened.size(), 2u);
  SetShellHandler(nullptr);
}

TEST(GridErrors, AHandlerThatRaisesLeavesNoHalfEditedCell) {
  TForm form(nullptr);
  InstallHeadlessBackend();
  form.SetBounds(0, 0, 400, 300);
  auto* g = new TQnStringGrid(&form);
  g->SetParent(&form);
  g->SetBounds(0, 0, 380, 280);
  g->SetOptions(g->Options() + goEditing);
  form.HandleNeeded();
  g->SetFocus();
  g->SetCells(1, 1, "12");
  g->OnCellValidate = [g](TObject*, int col, int row, std::string&, bool&) {
    (void)g->Ints(col, row);  // raises for a text that is no integer
  };
  g->Perform(WM_CHAR, 'x');
  ASSERT_TRUE(g->InplaceEditor()->Visible());
  EXPECT_THROW(g->InplaceEditor()->Perform(WM_CHAR, 13), EQnGridError);
  EXPECT_FALSE(g->InplaceEditor()->Visible());
  EXPECT_FALSE(g->EditorMode());
  EXPECT_EQ(g->Cells(1, 1), "12");
  EXPECT_FALSE(g->MouseCapture());
  EXPECT_EQ(g->GridState(), gsNormal);
  // The grid works on afterwards.
  g->OnCellValidate = nullptr;
  g->Perform(WM_CHAR, '7');
  g->InplaceEditor()->Perform(WM_CHAR, 13);
  EXPECT_EQ(g->Cells(1, 1), "7");

  // A mouse handler that raises while the button is down keeps no capture.
  g->OnClickCell = [](TObject*, int, int) { throw Exception("vetoed"); };
  const TRect r = g->CellRect(2, 2);
  EXPECT_THROW(HeadlessInput::MouseDown(*g, r.Left + 10, r.Top + 5), Exception);
  EXPECT_FALSE(g->MouseCapture());
  EXPECT_EQ(g->GridState(), gsNormal);
}

TEST(GridDirectEdit, APressOnADataCellOpensTheEditor) {
  TForm form(nullptr);
  InstallHeadlessBackend();
  form.SetBounds(0, 0, 400, 300);
  auto* g = new TQnStringGrid(&form);
  g->SetParent(&form);
  g->SetBounds(0, 0, 380, 280);
  g->SetOptions(g->Options() + goEditing);
  g->MouseActions().DirectEdit = true;
  form.HandleNeeded();
  g->SetCells(2, 3, "text");
  const TRect r = g->CellRect(2, 3);
  HeadlessInput::Click(*g, r.Left + 20, r.Top + 5);
  ASSERT_NE(g->InplaceEditor(), nullptr);
  EXPECT_TRUE(g->InplaceEditor()->Visible());
  EXPECT_EQ(g->Col(), 2);
  EXPECT_EQ(g->Row(), 3);
  EXPECT_EQ(g->InplaceEditor()->Text(), "text");
}

TEST(GridWindows, ArrowsFollowTheFormAndTheGridFollowsTheForm) {
  InstallHeadlessBackend();
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  int formHandler = 0;
  form.OnResize = [&formHandler](TObject*) { ++formHandler; };
  auto* g = new TQnStringGrid(&form);
  g->SetParent(&form);
  g->SetBounds(10, 10, 200, 150);
  g->SizeWithForm = true;
  form.HandleNeeded();
  g->HandleNeeded();
  // Four arrows, hidden, shaped as the table says; the up arrow's tip is at (5, 0).
  for (int d = 0; d < 4; ++d) {
    ASSERT_NE(g->ArrowWindow(d), nullptr);
    EXPECT_FALSE(g->ArrowWindow(d)->Visible());
    EXPECT_EQ(g->ArrowWindow(d)->Outline().size(), 7u);
  }
  EXPECT_EQ(g->ArrowWindow(0)->Outline()[0].X, 5);
  EXPECT_EQ(g->ArrowWindow(1)->Outline()[4].Y, 8);
  ASSERT_NE(g->DragImage(), nullptr);
  EXPECT_FALSE(g->DragImage()->Enabled());
  // The form grows by 50 by 30: so does the grid, and the form's own handler still runs.
  form.SetBounds(0, 0, 450, 330);
  EXPECT_EQ(g->Width(), 250);
  EXPECT_EQ(g->Height(), 180);
  EXPECT_GE(formHandler, 1);
  g->SizeWithForm = false;
  form.SetBounds(0, 0, 500, 330);
  EXPECT_EQ(g->Width(), 250);
}

}  // namespace
