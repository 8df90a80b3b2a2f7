#include <gtest/gtest.h>

#include "controls/grid/qn_grid.h"
#include "grid_test_support.h"
#include <algorithm>

#include "platform/rtl/format_settings.h"

namespace {

TEST(GridComponent, DefaultsOfANewGrid) {
  TQnStringGrid g(nullptr);
  EXPECT_TRUE(g.StoreFixedCells);
  EXPECT_EQ(g.DefaultRowHeight(), 21);
  EXPECT_EQ(g.RowHeights(3), 21);
  EXPECT_TRUE(g.SortFull);
  EXPECT_EQ(g.FloatFormat, "%.2f");
  EXPECT_EQ(g.VAlignment(), vtaTop);
  EXPECT_EQ(g.Bands().PrimaryLength(), 1);
  EXPECT_EQ(g.PrintSettings().DateFormat, "dd/mm/yyyy");
  EXPECT_TRUE(g.Navigation().AllowClipboardRowGrow);
}

TEST(GridComponent, FixedRowAlwaysKeepsOneFixedRow) {
  TQnStringGrid g(nullptr);
  g.FixedRowAlways = true;
  g.SetRowCount(1);
  EXPECT_EQ(g.FixedRows(), 1);
  EXPECT_TRUE(g.IsFixedCell(2, 0));
  g.SetRowCount(2);
  EXPECT_EQ(g.FixedRows(), 1);
  EXPECT_FALSE(g.IsFixedCell(2, 1));
}

TEST(GridComponent, FooterRowsAndRightFixedColumnsCountAsFixed) {
  TQnStringGrid g(nullptr);
  g.SetFixedFooters(1);
  g.SetFixedRightCols(1);
  EXPECT_TRUE(g.IsFixedCell(1, 4));
  EXPECT_TRUE(g.IsFixedCell(4, 1));
  EXPECT_FALSE(g.IsFixedCell(3, 3));
  g.SetRow(4);  // a footer row cannot become current
  EXPECT_EQ(g.Row(), 1);
}

TEST(GridComponent, TypedAccess) {
  TQnStringGrid g(nullptr);
  EXPECT_EQ(g.Ints(1, 1), 0);
  g.SetInts(1, 1, -42);
  EXPECT_EQ(g.Cells(1, 1), "-42");
  EXPECT_EQ(g.Ints(1, 1), -42);
  for (const char* bad : {"5a", "1.5", "x"}) {
    g.SetCells(2, 2, bad);
    try {
      g.Ints(2, 2);
      FAIL() << bad;
    } catch (const EQnGridError& e) {
      EXPECT_STREQ(e.what(), "Cell does not contain integer value");
    }
  }
  TFormatSettingsScope scope;
  FormatSettings.ThousandSeparator = '.';
  FormatSettings.DecimalSeparator = ',';
  g.SetCells(3, 3, "1.234,5");
  EXPECT_DOUBLE_EQ(g.Floats(3, 3), 1234.5);
  g.SetCells(3, 3, "1,2,3");
  EXPECT_THROW(g.Floats(3, 3), EQnGridError);
}

TEST(GridComponent, BandsColourNormalRowsOnly) {
  TQnStringGrid g(nullptr);
  g.SetRowCount(6);
  g.SetFixedFooters(1);
  g.Bands().SetActive(true);
  g.Bands().SetPrimaryLength(2);
  g.Bands().SetSecondaryLength(1);
  g.Bands().SetPrimaryColor(clRed);
  g.Bands().SetSecondaryColor(clBlue);
  auto colour = [&](int c, int r) {
    TBrush brush;
    brush.SetColor(clWhite);
    TFont font;
    g.GetCellColor(c, r, {}, brush, font);
    return brush.Color();
  };
  EXPECT_EQ(colour(1, 1), clRed);
  EXPECT_EQ(colour(1, 2), clRed);
  EXPECT_EQ(colour(1, 3), clBlue);
  EXPECT_EQ(colour(1, 4), clRed);
  EXPECT_EQ(colour(1, 5), clWhite);  // footer
  EXPECT_EQ(colour(0, 1), clWhite);  // fixed column
  g.OnGetCellColor = [](TObject*, int, int, TGridDrawState, TBrush& b, TFont&) { b.SetColor(clLime); };
  EXPECT_EQ(colour(1, 1), clLime);  // the event comes last
}

TEST(GridComponent, ColumnHeadersFillRowZeroAndAShorterListClearsTheRest) {
  TQnStringGrid g(nullptr);
  TStringList headers;
  headers.Add("One");
  headers.Add("Two\\nLines");
  headers.Add("Three");
  g.SetColumnHeaders(headers);
  EXPECT_EQ(g.Cells(1, 0), "Two\rLines");
  EXPECT_EQ(g.Cells(2, 0), "Three");
  TStringList shorter;
  shorter.Add("Only");
  g.SetColumnHeaders(shorter);
  EXPECT_EQ(g.Cells(0, 0), "Only");
  EXPECT_EQ(g.Cells(1, 0), "");
  EXPECT_EQ(g.Cells(2, 0), "");
  g.ColumnHeaders().Add("Added");  // a change of the list applies at once
  EXPECT_EQ(g.Cells(1, 0), "Added");
}

TEST(GridComponent, AdvanceCellWalksAndStopsWhenNothingIsEditable) {
  TQnStringGrid g(nullptr);
  g.SetOptions(g.Options() + goEditing);
  g.Navigation().AdvanceOnEnter = true;
  g.AdvanceCell(g.Col(), g.Row(), true, false, false);
  EXPECT_EQ(g.Col(), 2);
  g.OnCanEditCell = [](TObject*, int, int col, bool& can) { can = col == 4; };
  g.AdvanceCell(g.Col(), g.Row(), true, false, false);  // skips column 3
  EXPECT_EQ(g.Col(), 4);
  g.AdvanceCell(4, 1, true, false, false);  // wraps to the next row
  EXPECT_EQ(g.Col(), 4);
  EXPECT_EQ(g.Row(), 2);
  g.OnCanEditCell = [](TObject*, int, int, bool& can) { can = false; };
  g.AdvanceCell(g.Col(), g.Row(), true, false, false);  // no editable cell: must end
  EXPECT_EQ(g.Col(), 4);
  EXPECT_EQ(g.Row(), 2);
  g.AdvanceCell(g.Col(), g.Row(), false, false, false);
  EXPECT_EQ(g.Row(), 2);
}

TEST(GridComponent, ChangingEventsCanVetoACellMove) {
  TQnStringGrid g(nullptr);
  int calls = 0;
  g.OnRowChanging = [&](TObject*, int oldRow, int newRow, bool& allow) {
    ++calls;
    EXPECT_EQ(oldRow, 1);
    EXPECT_EQ(newRow, 3);
    allow = false;
  };
  g.SetRow(3);
  EXPECT_EQ(g.Row(), 1);
  EXPECT_EQ(calls, 1);
}

TEST(GridComponent, ProportionalColumnSizing) {
  TQnStringGrid g(nullptr);
  g.SetBounds(0, 0, 400, 200);
  g.SetOptions(g.Options() + goColSizing);
  g.MouseActions().AllColumnSize = true;
  for (int c = 1; c < 5; ++c) g.SetColWidths(c, 50);
  int ended = -1;
  g.OnEndColumnSize = [&](TObject*, int col) { ended = col; };
  const TRect r = g.CellRect(1, 0);
  g.Perform(WM_LBUTTONDOWN, MK_LBUTTON, static_cast<LPARAM>((r.Top + 5) << 16 | (r.Right - 1)));
  g.Perform(WM_MOUSEMOVE, MK_LBUTTON, static_cast<LPARAM>((r.Top + 5) << 16 | (r.Left + 100)));
  g.Perform(WM_LBUTTONUP, 0, static_cast<LPARAM>((r.Top + 5) << 16 | (r.Left + 100)));
  EXPECT_EQ(g.ColWidths(1), 100);
  EXPECT_EQ(g.ColWidths(2), 100);
  EXPECT_EQ(g.ColWidths(4), 100);
  EXPECT_EQ(g.ColWidths(0), 64);  // fixed columns keep their width
  EXPECT_EQ(ended, 1);
}

TEST(GridComponent, FindTextGivesTheFirstCellOrMinusOne) {
  TQnStringGrid g(nullptr);
  g.SetCells(3, 2, "needle");
  g.SetCells(1, 4, "needle");
  EXPECT_EQ(g.FindText("needle"), (TPoint{3, 2}));
  EXPECT_EQ(g.FindText("hay"), (TPoint{-1, -1}));
}

}  // namespace

namespace {

TEST(GridComponent, EscapePutsBackTheTextAndTypingFindsASortedRow) {
  TQnStringGrid g(nullptr);
  g.SetOptions(g.Options() + goEditing);
  g.SetCells(1, 2, "before");
  g.SetRow(2);
  g.SetCells(1, 2, "typed over");
  g.Perform(WM_CHAR, 27, 0);
  EXPECT_EQ(g.Cells(1, 2), "before");

  TQnStringGrid s(nullptr);
  s.Navigation().AutoGotoWhenSorted = true;
  s.Navigation().AutoGotoIncremental = true;
  s.SetSortColumn(1);
  const char* names[] = {"alpha", "beta", "bravo", "charlie"};
  for (int r = 1; r <= 4; ++r) s.SetCells(1, r, names[r - 1]);
  s.Perform(WM_CHAR, 'b', 0);
  EXPECT_EQ(s.Row(), 2);
  s.Perform(WM_CHAR, 'r', 0);
  EXPECT_EQ(s.Row(), 3);
}

TEST(GridComponent, SizingEdgesLieInFixedCellsOnly) {
  TQnStringGrid g(nullptr);
  g.SetBounds(0, 0, 300, 200);
  g.SetOptions(g.Options() + goColSizing);
  const TRect header = g.CellRect(1, 0);
  EXPECT_TRUE(g.IsSizingEdge(header.Right - 2, header.Top + 5));
  EXPECT_FALSE(g.IsSizingEdge(header.Left + 20, header.Top + 5));
  const TRect body = g.CellRect(1, 1);
  EXPECT_FALSE(g.IsSizingEdge(body.Right - 2, body.Top + 5));
}

}  // namespace

#include "platform/headless/recording_painter.h"

namespace {

std::vector<std::string> PaintedTexts(TQnStringGrid& g) {
  TRecordingPainter painter(nullptr, g.Width(), g.Height());
  g.PaintWindow(painter);
  std::vector<std::string> texts;
  for (const TPaintCall* call : painter.TextCalls()) texts.push_back(call->Text);
  return texts;
}

TEST(GridPainting, ShowsTheRealColumnBehindEachDisplayedOne) {
  TQnStringGrid g(nullptr);
  g.SetBounds(0, 0, 330, 45);
  g.SetRowCount(2);
  for (int c = 0; c < 5; ++c) g.SetCells(c, 1, Numbered("v", c));
  g.HideColumn(1);
  const std::vector<std::string> texts = PaintedTexts(g);
  EXPECT_EQ(texts, (std::vector<std::string>{"v0", "v2", "v3", "v4"}));
}

TEST(GridPainting, PasswordCellsShowStarsAndMarkupShowsItsText) {
  TQnStringGrid g(nullptr);
  g.SetBounds(0, 0, 200, 45);
  g.SetColCount(3);
  g.SetRowCount(2);
  g.SetCells(1, 1, "secret");
  g.SetCells(2, 1, "<B>bold</B>");
  g.OnIsPasswordCell = [](TObject*, int, int col, bool& is) { is = col == 1; };
  const std::vector<std::string> texts = PaintedTexts(g);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "******"), texts.end());
  EXPECT_EQ(std::find(texts.begin(), texts.end(), "secret"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "bold"), texts.end());
}

}  // namespace

namespace {

TEST(GridComponent, AdvanceWithInsertAddsAtMostOneRowWhenNothingIsEditable) {
  TQnStringGrid g(nullptr);
  g.SetOptions(g.Options() + goEditing);
  g.Navigation().AdvanceOnEnter = true;
  g.Navigation().AdvanceInsert = true;
  g.OnCanEditCell = [](TObject*, int, int, bool& can) { can = false; };
  g.AdvanceCell(4, 4, true, false, false);
  EXPECT_LE(g.RowCount(), 6);
  EXPECT_EQ(g.Row(), 1);
}

}  // namespace

#include "platform/headless/headless_peer.h"

namespace {

TEST(GridWindow, HeadlessWindowGetsTheGridTimerAndClicksSelectCells) {
  InstallHeadlessBackend();
  TQnStringGrid g(nullptr);
  g.SetBounds(0, 0, 330, 130);
  g.HandleNeeded();
  THeadlessPeer* peer = HeadlessPeer(g);
  ASSERT_NE(peer, nullptr);
  ASSERT_EQ(peer->Timers().count(111u), 1u);
  EXPECT_EQ(peer->Timers().at(111u), 500u);
  EXPECT_TRUE(peer->FireTimer(111));
  const TRect cell = g.CellRect(3, 2);
  HeadlessInput::Click(g, cell.Left + 5, cell.Top + 5);
  EXPECT_EQ(g.Col(), 3);
  EXPECT_EQ(g.Row(), 2);
  HeadlessInput::Key(g, VK_DOWN);
  EXPECT_EQ(g.Row(), 3);
}

}  // namespace
