// Mouse interaction on the headless backend: header clicks that sort, sizing on header
// borders, links opened from cells, direct editing, and errors in handlers.
#include <gtest/gtest.h>

#include "controls/grid/grid_arrows.h"
#include "controls/grid/grid_inplace.h"
#include "controls/grid/qn_grid.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/exceptions.h"
#include "platform/ui/forms.h"
#include "platform/ui/screen.h"
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

// A grid whose headers move rows and columns with its own feedback.
struct TMoveGrid {
  TQnStringGrid g{nullptr};
  TMoveGrid(int cols = 5, int rows = 5) {
    InstallHeadlessBackend();
    g.SetBounds(100, 50, 420, 200);
    g.SetColCount(cols);
    g.SetRowCount(rows);
    g.SetDefaultColWidth(60);
    g.EnhRowColMove = true;
    g.SetOptions(g.Options() + goColMoving + goRowMoving);
    g.HandleNeeded();
    for (int c = 0; c < cols; ++c) g.SetCells(c, 0, "H" + std::to_string(c));
    for (int r = 1; r < rows; ++r) g.SetCells(0, r, "R" + std::to_string(r));
  }
  TPoint at(int c, int r, int dx = 20, int dy = 6) {
    const TRect rect = g.CellRect(c, r);
    return {rect.Left + dx, rect.Top + dy};
  }
  TPoint screen(int c, int r, bool bottom = false, bool right = false) {
    const TRect rect = g.CellRect(c, r);
    return g.ClientToScreen({right ? rect.Right : rect.Left, bottom ? rect.Bottom : rect.Top});
  }
};

TEST(GridMoveFeedback, AColumnDraggedByItsHeaderShowsItsCaptionAndArrowsAndLandsWhereDropped) {
  TMoveGrid t;
  TPopupButton& caption = *t.g.DragImage();
  const TPoint down = t.at(1, 0);
  HeadlessInput::MouseDown(t.g, down.X, down.Y);
  EXPECT_EQ(t.g.GridState(), gsColMoving);
  // A move onto the press point shows nothing yet.
  HeadlessInput::MouseMove(t.g, down.X, down.Y);
  EXPECT_FALSE(caption.Visible());
  EXPECT_NE(Screen().Cursor(), crDrag);

  const TPoint over3 = t.at(3, 0, 30, 10);
  HeadlessInput::MouseMove(t.g, over3.X, over3.Y);
  ASSERT_TRUE(caption.Visible());
  EXPECT_EQ(caption.Caption(), "H1");
  EXPECT_EQ(caption.Width(), t.g.ColWidths(1));
  EXPECT_EQ(caption.Height(), t.g.RowHeights(0));
  // It keeps the offset the press had inside the header (20, 6).
  const TPoint expected = t.g.ClientToScreen({over3.X - 20, over3.Y - 6});
  EXPECT_EQ(caption.Left(), expected.X);
  EXPECT_EQ(caption.Top(), expected.Y);
  EXPECT_EQ(Screen().Cursor(), crDrag);
  // The arrows mark the column under the mouse at the previous move: the pressed one.
  TArrowWindow& up = *t.g.ArrowWindow(0);
  TArrowWindow& down1 = *t.g.ArrowWindow(1);
  EXPECT_TRUE(up.Visible());
  EXPECT_TRUE(down1.Visible());
  EXPECT_EQ(up.Left(), t.screen(1, 0).X - 5);
  EXPECT_EQ(up.Top(), t.screen(1, 0, true).Y);
  EXPECT_EQ(down1.Top(), t.screen(1, 0).Y - 8);
  EXPECT_FALSE(t.g.ArrowWindow(2)->Visible());

  HeadlessInput::MouseMove(t.g, over3.X + 1, over3.Y);
  EXPECT_EQ(up.Left(), t.screen(3, 0).X - 5);
  // Back on the press point nothing changes.
  const TPoint before{caption.Left(), caption.Top()};
  HeadlessInput::MouseMove(t.g, down.X, down.Y);
  EXPECT_EQ(caption.Left(), before.X);
  EXPECT_EQ(up.Left(), t.screen(3, 0).X - 5);

  HeadlessInput::MouseUp(t.g, over3.X, over3.Y);
  EXPECT_EQ(t.g.Cells(3, 0), "H1");
  EXPECT_EQ(t.g.Cells(1, 0), "H2");
  EXPECT_EQ(t.g.Cells(2, 0), "H3");
  EXPECT_EQ(t.g.GridState(), gsNormal);
  EXPECT_FALSE(caption.Visible());
  EXPECT_FALSE(up.Visible());
  EXPECT_FALSE(down1.Visible());
  EXPECT_EQ(Screen().Cursor(), crDefault);
}

TEST(GridMoveFeedback, ARowMoveMarksTheRowBesideItsHeaderAndARefusedMoveShowsNothing) {
  TMoveGrid t;
  const TPoint down = t.at(0, 1, 10, 5);
  HeadlessInput::MouseDown(t.g, down.X, down.Y);
  ASSERT_EQ(t.g.GridState(), gsRowMoving);
  const TPoint over = t.at(0, 3, 10, 8);
  HeadlessInput::MouseMove(t.g, over.X, over.Y);
  HeadlessInput::MouseMove(t.g, over.X, over.Y + 1);
  EXPECT_EQ(t.g.DragImage()->Caption(), "R1");
  EXPECT_EQ(t.g.DragImage()->Width(), t.g.ColWidths(0));
  EXPECT_EQ(t.g.DragImage()->Height(), t.g.RowHeights(1));
  EXPECT_TRUE(t.g.ArrowWindow(2)->Visible());
  EXPECT_EQ(t.g.ArrowWindow(2)->Left(), t.screen(0, 3).X - 10);
  EXPECT_EQ(t.g.ArrowWindow(2)->Top(), t.screen(0, 3, true).Y - 5);
  EXPECT_EQ(t.g.ArrowWindow(3)->Left(), t.screen(0, 3, false, true).X);
  EXPECT_FALSE(t.g.ArrowWindow(0)->Visible());
  HeadlessInput::MouseUp(t.g, over.X, over.Y);
  EXPECT_EQ(t.g.Cells(0, 3), "R1");
  EXPECT_EQ(t.g.Cells(0, 1), "R2");
  EXPECT_FALSE(t.g.ArrowWindow(2)->Visible());

  // A handler that refuses the move ends it at the first mouse move: no window, no move.
  int asked = -1;
  t.g.OnColumnMove = [&asked](TObject*, int ACol, bool& Allow) {
    asked = ACol;
    Allow = false;
  };
  const TPoint head = t.at(2, 0);
  HeadlessInput::MouseDown(t.g, head.X, head.Y);
  const TPoint far = t.at(4, 0);
  HeadlessInput::MouseMove(t.g, far.X, far.Y);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(t.g.GridState(), gsNormal);
  EXPECT_FALSE(t.g.DragImage()->Visible());
  HeadlessInput::MouseUp(t.g, far.X, far.Y);
  EXPECT_EQ(t.g.Cells(2, 0), "H2");
  EXPECT_EQ(Screen().Cursor(), crDefault);
}

TEST(GridMoveFeedback, MovingPastTheEdgesScrollsOneColumnPerMove) {
  TMoveGrid t(20, 5);
  const TPoint down = t.at(2, 0);
  HeadlessInput::MouseDown(t.g, down.X, down.Y);
  ASSERT_EQ(t.g.LeftCol(), 1);
  HeadlessInput::MouseMove(t.g, t.g.Width() + 5, down.Y);
  EXPECT_EQ(t.g.LeftCol(), 2);
  HeadlessInput::MouseMove(t.g, t.g.Width() + 6, down.Y);
  EXPECT_EQ(t.g.LeftCol(), 3);
  // Inside the grid it stays; over the fixed column it scrolls back.
  HeadlessInput::MouseMove(t.g, t.g.Width() / 2, down.Y);
  EXPECT_EQ(t.g.LeftCol(), 3);
  HeadlessInput::MouseMove(t.g, 5, down.Y);
  EXPECT_EQ(t.g.LeftCol(), 2);
  HeadlessInput::MouseMove(t.g, 6, down.Y);
  HeadlessInput::MouseMove(t.g, 7, down.Y);
  EXPECT_EQ(t.g.LeftCol(), 1);  // never past the first scrolling column
  HeadlessInput::MouseUp(t.g, 7, down.Y);
  // Released on the fixed column: nothing moves.
  EXPECT_EQ(t.g.Cells(2, 0), "H2");
}

TEST(GridMoveFeedback, ArrowWindowsAreShapedAsTheirArrowsAndTheCaptionIsATopLevelWindow) {
  TMoveGrid t;
  for (int d = 0; d < 4; ++d) {
    TArrowWindow& arrow = *t.g.ArrowWindow(d);
    arrow.HandleNeeded();
    ASSERT_NE(arrow.Shape(), nullptr);
    EXPECT_EQ(arrow.Parent(), nullptr);
    EXPECT_FALSE(arrow.Shape()->Contains(0, 0)) << d;  // a corner is cut away
  }
  EXPECT_TRUE(t.g.ArrowWindow(0)->Shape()->Contains(5, 2));  // the tip of the up arrow
  EXPECT_FALSE(t.g.ArrowWindow(0)->Shape()->Contains(1, 8));  // beside its stem
  EXPECT_TRUE(t.g.ArrowWindow(0)->Shape()->Contains(5, 8));
  EXPECT_TRUE(t.g.ArrowWindow(1)->Shape()->Contains(5, 6));   // the tip of the down arrow
  EXPECT_EQ(t.g.DragImage()->Parent(), nullptr);
}

}  // namespace
