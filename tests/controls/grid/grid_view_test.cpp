// The grid as a person sees it, on the headless backend: scroll bars and scroll hints, the
// wheel, the painted texts, window messages and short cuts, selection text and autosizing.
#include <gtest/gtest.h>

#include "controls/grid/qn_grid.h"
#include "platform/headless/headless_peer.h"
#include "platform/sys/libraries.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/scroll_bars.h"

namespace {

// A grid of Rows rows (one fixed) with a window as high as Visible data rows need.
void MakeTall(TQnStringGrid& g, int Rows, int Visible) {
  InstallHeadlessBackend();
  RegisterCommonControlsModule();
  g.SetRowCount(Rows);
  g.SetBounds(0, 0, 400, 22 * (Visible + 1) + 8);
  g.HandleNeeded();
  g.UpdateScrollBars();
}

std::vector<const TPaintCall*> Texts(TQnStringGrid& g) {
  THeadlessPeer* peer = HeadlessPeer(g);
  peer->Recorder().Clear();
  g.Repaint();
  return peer->Recorder().TextCalls();
}

const TPaintCall* TextRun(TQnStringGrid& g, const std::string& text) {
  for (const TPaintCall* c : Texts(g))
    if (c->Text == text) return c;
  return nullptr;
}

TEST(GridScrolling, ThumbHintsNameTheRowAndColumnTheyReach) {
  TQnStringGrid g(nullptr);
  MakeTall(g, 101, 21);
  ASSERT_EQ(g.VisibleRowCount(), 21);
  EXPECT_TRUE(g.ScrollBarState(SB_VERT).Visible);
  EXPECT_FALSE(g.ScrollBarState(SB_HORZ).Visible);
  g.ScrollHints = shVertical;
  SendScrollAction(&g, SB_VERT, SB_THUMBTRACK, 127);
  EXPECT_TRUE(g.ScrollHintShowing());
  EXPECT_EQ(g.ScrollHintText(), "Row : 80");
  SendScrollAction(&g, SB_VERT, SB_THUMBTRACK, 0);
  EXPECT_EQ(g.ScrollHintText(), "Row : 1");
  g.OnScrollHint = [](TObject*, int row, std::string& text) { text = "at " + std::to_string(row); };
  SendScrollAction(&g, SB_VERT, SB_THUMBTRACK, 127);
  EXPECT_EQ(g.ScrollHintText(), "at 80");
  SendScrollAction(&g, SB_VERT, SB_ENDSCROLL);
  EXPECT_FALSE(g.ScrollHintShowing());
  // Without thumb tracking the view waits for the release; ScrollSynch follows at once.
  EXPECT_EQ(g.TopRow(), 1);
  g.ScrollSynch = true;
  SendScrollAction(&g, SB_VERT, SB_THUMBTRACK, 127);
  EXPECT_EQ(g.TopRow(), 80);
}

TEST(GridScrolling, LinesPagesAndThumbMoveTheView) {
  TQnStringGrid g(nullptr);
  MakeTall(g, 101, 21);
  SendScrollAction(&g, SB_VERT, SB_LINEDOWN);
  EXPECT_EQ(g.TopRow(), 2);
  SendScrollAction(&g, SB_VERT, SB_PAGEDOWN);
  EXPECT_EQ(g.TopRow(), 23);
  SendScrollAction(&g, SB_VERT, SB_THUMBPOSITION, 127);
  // The last row stands at the bottom of the view, not beyond it.
  EXPECT_EQ(g.TopRow(), 101 - 21);
  EXPECT_EQ(g.ThumbPosition(true), 127);
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(&g, SB_VERT, &info);
  EXPECT_EQ(info.nPos, 127);
  SendScrollAction(&g, SB_VERT, SB_TOP);
  EXPECT_EQ(g.TopRow(), 1);
  EXPECT_EQ(g.ThumbPosition(true), 0);
}

TEST(GridScrolling, ProportionalThumbNeedsTheFlatScrollBarFunctions) {
  TQnStringGrid g(nullptr);
  MakeTall(g, 100, 20);
  ASSERT_EQ(g.VisibleRowCount(), 20);
  // Without the library's initialisation function only the stored values change.
  RemoveBuiltinProc("comctl32.dll", "InitializeFlatSB");
  g.SetScrollProportional(true);
  g.SetScrollType(ssFlat);
  EXPECT_FALSE(g.FlatScrollBarsOn());
  EXPECT_FALSE(g.ScrollBarState(SB_VERT).Flat);
  EXPECT_EQ(g.ScrollType, ssFlat);
  RegisterBuiltinProc("comctl32.dll", "InitializeFlatSB", reinterpret_cast<FARPROC>(&InitializeFlatSB));
  g.SetScrollProportional(false);
  g.SetScrollProportional(true);
  ASSERT_TRUE(g.FlatScrollBarsOn());
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(&g, SB_VERT, &info);
  EXPECT_EQ(info.nPage, 26u);  // round(20 * 128 / 100)
  EXPECT_EQ(g.ScrollBarState(SB_VERT).FlatStyle, FSB_FLAT_MODE);
  // No colour leaves the bars' colour alone; a colour reaches both.
  g.SetScrollColor(clNone);
  EXPECT_EQ(g.ScrollBarState(SB_VERT).BkColor, clNone);
  g.SetScrollColor(clRed);
  EXPECT_EQ(g.ScrollBarState(SB_HORZ).BkColor, clRed);
  g.SetScrollProportional(false);
  EXPECT_FALSE(g.FlatScrollBarsOn());
}

TEST(GridScrolling, WheelMovesTheCurrentRowByTheLinesPerNotch) {
  TQnStringGrid g(nullptr);
  MakeTall(g, 12, 5);
  g.SetFixedFooters(1);
  HeadlessInput::Wheel(g, 50, 50, -120);
  EXPECT_EQ(g.Row(), 4);
  for (int i = 0; i < 5; ++i) HeadlessInput::Wheel(g, 50, 50, -120);
  EXPECT_EQ(g.Row(), 10);  // the last data row; the footer stays out of reach
  HeadlessInput::Wheel(g, 50, 50, 120);
  EXPECT_EQ(g.Row(), 7);
  g.EnableWheel = false;
  HeadlessInput::Wheel(g, 50, 50, 120);
  EXPECT_EQ(g.Row(), 7);
}

TEST(GridPainting, AlignmentEllipsisLinksAndSortGlyph) {
  InstallHeadlessBackend();
  TQnStringGrid g(nullptr);
  g.SetBounds(0, 0, 400, 200);
  g.HandleNeeded();
  g.SetCells(1, 1, "123");
  g.SetCells(2, 1, "a text far too wide for its cell");
  g.SetCells(3, 1, "http://host/page");
  // Numbers are right-aligned only with AutoNumAlign.
  const TRect cell = g.CellRect(1, 1);
  const TPaintCall* number = TextRun(g, "123");
  ASSERT_NE(number, nullptr);
  EXPECT_LT(number->Rect.Left, cell.Left + 6);
  g.AutoNumAlign = true;
  number = TextRun(g, "123");
  ASSERT_NE(number, nullptr);
  EXPECT_GT(number->Rect.Left, cell.Left + 20);
  EXPECT_LE(number->Rect.Right, cell.Right);
  // A text wider than its cell ends in "..." only with EnhTextSize.
  EXPECT_NE(TextRun(g, "a text far too wide for its cell"), nullptr);
  g.EnhTextSize = true;
  bool ellipsis = false;
  for (const TPaintCall* c : Texts(g))
    if (c->Text.rfind("a t", 0) == 0 && c->Text.compare(c->Text.size() - 3, 3, "...") == 0) {
      ellipsis = true;
      EXPECT_LE(c->Rect.Right, g.CellRect(2, 1).Right) << c->Text;
    }
  EXPECT_TRUE(ellipsis);
  // Links: the short form, underlined, in the link colour.
  g.EnhTextSize = false;
  g.SetURLShow(true);
  g.SetURLColor(clRed);
  const TPaintCall* link = TextRun(g, "host/page");
  ASSERT_NE(link, nullptr);
  EXPECT_TRUE(link->Font.Style.Contains(fsUnderline));
  EXPECT_EQ(link->Color, ColorToRGB(clRed));
  g.SetURLFull(true);
  EXPECT_NE(TextRun(g, "http://host/page"), nullptr);

  // The sort glyph: lines in the sorted header, only with more than two rows.
  g.SetSortShow(true);
  g.SetSortColumn(2);
  auto glyphLines = [&g] {
    THeadlessPeer* peer = HeadlessPeer(g);
    peer->Recorder().Clear();
    g.Repaint();
    const TRect header = g.CellRect(2, 0);
    int n = 0;
    for (const TPaintCall& c : peer->Recorder().Calls())
      if (c.Kind == TPaintKind::Polyline && c.Pen.Color == ColorToRGB(clWhite) &&
          c.Points.front().X >= header.Right - 14 && c.Points.front().X <= header.Right)
        ++n;
    return n;
  };
  EXPECT_GT(glyphLines(), 0);
  g.SetRowCount(2);
  EXPECT_EQ(glyphLines(), 0);
}

TEST(GridPainting, SelectionAndFocusFollowTheOptions) {
  InstallHeadlessBackend();
  TQnStringGrid g(nullptr);
  g.SetBounds(0, 0, 400, 200);
  g.HandleNeeded();
  g.SetSelectionColor(clRed);
  g.SetSelection({1, 1, 2, 2});
  const TRect selected = g.CellRect(1, 1);  // (2, 2) is the current cell
  auto fillAt = [&g](const TRect& r) {
    THeadlessPeer* peer = HeadlessPeer(g);
    peer->Recorder().Clear();
    g.Repaint();
    COLORREF colour = 0xFFFFFFFF;
    for (const TPaintCall& c : peer->Recorder().Calls())
      if (c.Kind == TPaintKind::FillRect && c.Rect == r) colour = c.Brush.Color;
    return colour;
  };
  // Unfocused, a selected cell keeps the selection colour while ShowSelection is on.
  EXPECT_EQ(fillAt(selected), ColorToRGB(clRed));
  g.SetShowSelection(false);
  EXPECT_EQ(fillAt(selected), ColorToRGB(clWindow));
  // Banding colours unselected data rows.
  g.Bands().SetActive(true);
  g.Bands().SetPrimaryColor(clLime);
  g.Bands().SetSecondaryColor(clAqua);
  EXPECT_EQ(fillAt(g.CellRect(3, 3)), ColorToRGB(clLime));
  EXPECT_EQ(fillAt(g.CellRect(3, 4)), ColorToRGB(clAqua));

  // HideFocusRect draws the focus rectangle a second time, which takes it away.
  g.SetFocus();
  auto focusRects = [&g] {
    THeadlessPeer* peer = HeadlessPeer(g);
    peer->Recorder().Clear();
    g.Repaint();
    int n = 0;
    for (const TPaintCall& c : peer->Recorder().Calls()) n += c.Kind == TPaintKind::FocusRect;
    return n;
  };
  EXPECT_EQ(focusRects() % 2, 1);
  g.HideFocusRect = true;
  EXPECT_EQ(focusRects() % 2, 0);
}

TEST(GridPainting, WordWrapAndMultiLineCells) {
  InstallHeadlessBackend();
  TQnStringGrid g(nullptr);
  g.SetBounds(0, 0, 400, 300);
  g.HandleNeeded();
  g.SetRowHeights(1, 60);
  g.SetCells(1, 1, "one\r\ntwo");
  auto runsInCell = [&g] {
    const TRect r = g.CellRect(1, 1);
    int n = 0;
    for (const TPaintCall* c : Texts(g)) n += c->Rect.Top >= r.Top && c->Rect.Bottom <= r.Bottom + 2;
    return n;
  };
  const int singleLine = runsInCell();
  g.Multilinecells = true;
  EXPECT_EQ(runsInCell(), singleLine + 1);
}

TEST(GridMessages, UpdatesHoldPaintingAndShortCutsNeedTheirOptions) {
  InstallHeadlessBackend();
  TQnStringGrid g(nullptr);
  g.SetBounds(0, 0, 400, 200);
  g.HandleNeeded();
  g.BeginUpdate();
  g.BeginUpdate();
  g.EndUpdate();
  g.EndUpdate();
  g.EndUpdate();
  EXPECT_EQ(g.UpdateCount(), 0);

  g.SetCells(1, 1, "a");
  g.SetCells(2, 1, "b");
  g.SetSelection({1, 1, 2, 1});
  Clipboard().SetAsText("untouched");
  g.Perform(WM_KEYDOWN, 'C');
  EXPECT_EQ(Clipboard().AsText(), "untouched");
  g.Navigation().AllowClipboardShortCuts = true;
  SetKeyboardShiftState({ssCtrl});
  g.Perform(WM_KEYDOWN, 'C');
  SetKeyboardShiftState({});
  EXPECT_EQ(Clipboard().AsText(), "a\tb\r\n");
  bool asked = false;
  g.OnClipboardCopy = [&asked](TObject*, bool& allow) { asked = true; allow = false; };
  Clipboard().SetAsText("kept");
  SetKeyboardShiftState({ssCtrl});
  g.Perform(WM_KEYDOWN, 'C');
  SetKeyboardShiftState({});
  EXPECT_TRUE(asked);
  EXPECT_EQ(Clipboard().AsText(), "kept");
}

TEST(GridMessages, DeleteOnTheOnlyDataRowClearsIt) {
  InstallHeadlessBackend();
  TQnStringGrid g(nullptr);
  g.SetRowCount(3);
  g.Navigation().AllowDeleteRow = true;
  g.SetCells(1, 1, "first");
  g.SetCells(1, 2, "second");
  g.SetRow(1);
  int removed = -1;
  g.OnAutoDeleteRow = [&removed](TObject*, int row) { removed = row; };
  g.Perform(WM_KEYDOWN, VK_DELETE);
  EXPECT_EQ(g.RowCount(), 2);
  EXPECT_EQ(g.Cells(1, 1), "second");
  EXPECT_EQ(removed, 1);
  g.Perform(WM_KEYDOWN, VK_DELETE);
  EXPECT_EQ(g.RowCount(), 2);
  EXPECT_EQ(g.Cells(1, 1), "");
  // Insert adds a row before the current one.
  g.Navigation().AllowInsertRow = true;
  g.SetCells(1, 1, "x");
  g.Perform(WM_KEYDOWN, VK_INSERT);
  EXPECT_EQ(g.RowCount(), 3);
  EXPECT_EQ(g.Cells(1, 2), "x");
}

TEST(GridMessages, MovedColumnsCarryTheSortColumn) {
  TQnStringGrid g(nullptr);
  g.SetColCount(7);
  g.SetSortColumn(3);
  g.MoveColumn(2, 5);
  EXPECT_EQ(g.SortColumn(), 2);
  g.MoveColumn(2, 4);
  EXPECT_EQ(g.SortColumn(), 4);
  g.MoveColumn(5, 6);
  EXPECT_EQ(g.SortColumn(), 4);
}

TEST(GridMessages, BlinkingCellsRepaintOnTheTimer) {
  InstallHeadlessBackend();
  TQnStringGrid g(nullptr);
  g.SetBounds(0, 0, 400, 200);
  g.HandleNeeded();
  g.SetCells(1, 1, "<blink>on</blink>");
  const bool before = g.BlinkPhase();
  g.Perform(WM_TIMER, 111);
  EXPECT_NE(g.BlinkPhase(), before);
  g.Perform(WM_TIMER, 111);
  EXPECT_EQ(g.BlinkPhase(), before);
}

TEST(GridMessages, LookupRowComparesTheUpperCasedStart) {
  TQnStringGrid g(nullptr);
  g.SetCells(1, 1, "apple");
  g.SetCells(1, 2, "Banana");
  g.SetCells(1, 3, "berry");
  EXPECT_EQ(g.LookupRow("BE"), 3);
  EXPECT_EQ(g.LookupRow("BA"), 2);
  EXPECT_EQ(g.LookupRow("ba"), -1);
  EXPECT_EQ(g.LookupRow("X"), -1);
}

TEST(GridAutoSize, ColumnsRowsAndSelectionText) {
  InstallHeadlessBackend();
  TQnStringGrid g(nullptr);
  g.SetBounds(0, 0, 400, 200);
  g.HandleNeeded();
  // The fixed metrics advance 7 pixels a character: 7 characters are 49 pixels, plus 4.
  g.SetCells(1, 2, "1234567");
  g.AutoSizeColumn(1);
  EXPECT_EQ(g.ColWidths(1), 53);
  g.SetColWidths(1, 80);
  g.AutoSizeColumn(1, true);
  EXPECT_EQ(g.ColWidths(1), 80);
  // Lines: (h + h div 4) * lines + extra with h = 13.
  g.SetRowHeightForLines(2, 3, 4);
  EXPECT_EQ(g.RowHeights(2), (13 + 3) * 3 + 4);
  g.SetRowHeights(2, 21);
  g.AutoSizeRow(2);
  EXPECT_EQ(g.RowHeights(2), 21);
  g.SetCells(2, 2, "one\r\ntwo");
  g.AutoSizeRow(2);
  EXPECT_EQ(g.RowHeights(2), 26 + 4);

  g.SetCells(1, 1, "a");
  g.SetCells(2, 1, "b");
  g.SetCells(1, 2, "c");
  g.SetCells(2, 2, "d");
  g.SetSelection({1, 1, 2, 2});
  EXPECT_EQ(g.SelectionToText(), "a\tb\r\nc\td\r\n");
  EXPECT_FALSE(g.IsCellSelected(-1, 0));
  EXPECT_TRUE(g.IsCellSelected(2, 2));
  EXPECT_FALSE(g.IsCellSelected(3, 2));
  g.SwapRows(1, 2);
  EXPECT_EQ(g.Cells(1, 1), "c");
  EXPECT_EQ(g.Cells(2, 2), "b");
  g.ClearAll();
  EXPECT_EQ(g.Cells(1, 1), "");
}

}  // namespace
