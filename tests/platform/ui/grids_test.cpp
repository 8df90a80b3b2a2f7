#include "platform/ui/grids.h"

#include <gtest/gtest.h>

#include "platform/headless/recording_painter.h"
#include "platform/rtl/string_list.h"

namespace {

class TProbeGrid : public TStringGrid {
public:
  using TStringGrid::TStringGrid;
  int SizeChanges = 0, OldCols = -1, OldRows = -1;
  std::vector<std::pair<int, int>> Moves;

protected:
  void SizeChanged(int OldColCount, int OldRowCount) override {
    ++SizeChanges;
    OldCols = OldColCount;
    OldRows = OldRowCount;
  }
  void ColumnMoved(int FromIndex, int ToIndex) override {
    Moves.emplace_back(FromIndex, ToIndex);
    TStringGrid::ColumnMoved(FromIndex, ToIndex);
  }
};

TEST(StringGridCounts, FixedCountRules) {
  TStringGrid g(nullptr);
  EXPECT_EQ(g.ColCount(), 5);
  EXPECT_EQ(g.RowCount(), 5);
  EXPECT_EQ(g.DefaultColWidth(), 64);
  g.SetFixedRows(3);
  g.SetRowCount(2);  // at or below the fixed rows lowers them
  EXPECT_EQ(g.FixedRows(), 1);
  try {
    g.SetFixedRows(2);
    FAIL() << "expected a grid error";
  } catch (const EInvalidGridOperation& e) {
    EXPECT_STREQ(e.what(), "Fixed row count must be less than row count");
  }
  try {
    g.SetFixedCols(5);
    FAIL() << "expected a grid error";
  } catch (const EInvalidGridOperation& e) {
    EXPECT_STREQ(e.what(), "Fixed column count must be less than column count");
  }
}

TEST(StringGridCounts, FewerFixedLinesComeIntoView) {
  TStringGrid g(nullptr);
  EXPECT_EQ(g.LeftCol(), 1);
  EXPECT_EQ(g.TopRow(), 1);
  g.SetFixedCols(0);
  g.SetFixedRows(0);
  EXPECT_EQ(g.LeftCol(), 0);
  EXPECT_EQ(g.TopRow(), 0);
  // A view scrolled past the fixed lines stays where it is.
  g.SetFixedCols(1);
  g.SetFixedRows(1);
  g.SetLeftCol(3);
  g.SetTopRow(2);
  g.SetFixedCols(0);
  g.SetFixedRows(0);
  EXPECT_EQ(g.LeftCol(), 3);
  EXPECT_EQ(g.TopRow(), 2);
}

TEST(StringGridCounts, SizeChangedGetsTheOldCounts) {
  TProbeGrid g(nullptr);
  g.SetColCount(8);
  EXPECT_EQ(g.OldCols, 5);
  EXPECT_EQ(g.OldRows, 5);
  g.SetRowCount(8);
  EXPECT_EQ(g.OldCols, 8);
  EXPECT_EQ(g.SizeChanges, 2);
  g.SetRowCount(8);  // no change, no notice
  EXPECT_EQ(g.SizeChanges, 2);
}

TEST(StringGridStore, ReadsOutsideAreEmptyAndWritesOutsideAreIgnored) {
  TStringGrid g(nullptr);
  g.SetCells(1, 1, "x");
  EXPECT_EQ(g.Cells(1, 1), "x");
  EXPECT_EQ(g.Cells(-1, 0), "");
  EXPECT_EQ(g.Cells(0, 99), "");
  EXPECT_EQ(g.Objects(99, 99), nullptr);
  g.SetCells(7, 1, "beyond");
  g.SetColCount(8);
  EXPECT_EQ(g.Cells(7, 1), "");
}

TEST(StringGridStore, LoweringACountDropsCellsAndRaisingGivesEmptyOnes) {
  TStringGrid g(nullptr);
  g.SetCells(4, 4, "corner");
  g.SetCells(0, 0, "origin");
  g.SetRowCount(3);
  g.SetColCount(3);
  g.SetRowCount(5);
  g.SetColCount(5);
  EXPECT_EQ(g.Cells(4, 4), "");
  EXPECT_EQ(g.Cells(0, 0), "origin");
}

TEST(StringGridSizes, WidthsStayWithTheirIndexes) {
  TStringGrid g(nullptr);
  g.SetColWidths(2, 100);
  g.SetColCount(10);
  EXPECT_EQ(g.ColWidths(2), 100);
  EXPECT_EQ(g.ColWidths(9), 64);
  g.SetColCount(2);
  g.SetColCount(4);
  EXPECT_EQ(g.ColWidths(2), 64);  // dropped with its column
  EXPECT_THROW(g.SetColWidths(4, 1), EInvalidGridOperation);
}

TEST(StringGridViews, RowsAndColsAreLiveLists) {
  TStringGrid g(nullptr);
  g.SetColCount(3);
  g.SetRowCount(3);
  TStringList src;
  src.Add("a");
  src.Add("b");
  g.Rows(1)->Assign(&src);
  EXPECT_EQ(g.Cells(0, 1), "a");
  EXPECT_EQ(g.Cells(1, 1), "b");
  EXPECT_EQ(g.Cells(2, 1), "");
  EXPECT_EQ(g.Cols(1)->Count(), 3);
  EXPECT_EQ(g.Cols(1)->Strings(1), "b");
  g.Cols(0)->Add("first");  // the first empty cell of the column
  EXPECT_EQ(g.Cells(0, 0), "first");
  g.Rows(1)->Clear();
  EXPECT_EQ(g.Cells(0, 1), "");
  EXPECT_EQ(g.Cells(1, 1), "");
  EXPECT_EQ(g.Cells(0, 0), "first");
}

TEST(StringGridSelection, SelectCellCanVetoAMove) {
  TStringGrid g(nullptr);
  bool allow = false;
  g.OnSelectCell = [&](TObject*, int, int, bool& can) { can = allow; };
  g.SetRow(3);
  EXPECT_EQ(g.Row(), 1);
  allow = true;
  g.SetRow(3);
  EXPECT_EQ(g.Row(), 3);
  EXPECT_THROW(g.SetRow(5), EInvalidGridOperation);
  const TGridRect sel = g.Selection();
  EXPECT_EQ(sel.Top, 3);
  EXPECT_EQ(sel.Bottom, 3);
}

TEST(StringGridSelection, RowSelectSpansTheNormalColumns) {
  TStringGrid g(nullptr);
  g.SetOptions(g.Options() + goRowSelect);
  g.SetRow(2);
  const TGridRect sel = g.Selection();
  EXPECT_EQ(sel.Left, 1);
  EXPECT_EQ(sel.Right, 4);
  EXPECT_EQ(sel.Top, 2);
}

TEST(StringGridMoves, MoveColumnCarriesCellsWidthsAndTellsTheGrid) {
  TProbeGrid g(nullptr);
  for (int c = 0; c < 5; ++c) g.SetCells(c, 1, std::string(1, static_cast<char>('a' + c)));
  g.SetColWidths(1, 11);
  g.MoveColumn(1, 3);
  EXPECT_EQ(g.Cells(1, 1), "c");
  EXPECT_EQ(g.Cells(3, 1), "b");
  EXPECT_EQ(g.ColWidths(3), 11);
  ASSERT_EQ(g.Moves.size(), 1u);
  EXPECT_EQ(g.Moves[0], std::make_pair(1, 3));
  g.SetRow(2);
  g.MoveRow(2, 4);
  EXPECT_EQ(g.Row(), 4);  // the current row moves with its data
}

TEST(StringGridGeometry, CellRectAndMouseToCellAgree) {
  TStringGrid g(nullptr);
  g.SetBounds(0, 0, 200, 100);
  g.SetColWidths(0, 30);
  const TRect r = g.CellRect(1, 1);
  EXPECT_EQ(r.Left, 31);  // 30 + one grid line
  EXPECT_EQ(r.Top, 25);
  EXPECT_EQ(r.Width(), 64);
  int c = -9, row = -9;
  g.MouseToCell(r.Left + 3, r.Top + 3, c, row);
  EXPECT_EQ(c, 1);
  EXPECT_EQ(row, 1);
  g.MouseToCell(500, 5, c, row);
  EXPECT_EQ(c, -1);
  EXPECT_EQ(g.CellRect(4, 4).Width(), 0);  // out of view
  EXPECT_EQ(g.VisibleColCount(), 2);
}

TEST(StringGridPaint, DrawsEachVisibleCellWithItsState) {
  TStringGrid g(nullptr);
  g.SetBounds(0, 0, 140, 60);
  g.SetCells(1, 1, "hello");
  std::vector<std::pair<TGridCoord, TGridDrawState>> drawn;
  g.OnDrawCell = [&](TObject*, int c, int r, TRect, TGridDrawState s) { drawn.push_back({{c, r}, s}); };
  TRecordingPainter painter(nullptr, 140, 60);
  g.PaintWindow(painter);
  // Columns 0..2 and rows 0..2 show, the last of each partly.
  ASSERT_EQ(drawn.size(), 9u);
  EXPECT_TRUE(drawn[0].second.Contains(gdFixed));
  EXPECT_TRUE(drawn[3].second.Contains(gdFixed));  // (0, 1): a fixed column
  EXPECT_EQ(drawn[4].first, (TGridCoord{1, 1}));
  EXPECT_FALSE(drawn[4].second.Contains(gdFixed));
  bool textSeen = false;
  for (const TPaintCall* call : painter.TextCalls()) textSeen = textSeen || call->Text == "hello";
  EXPECT_TRUE(textSeen);
  drawn.clear();
  g.BeginUpdate();
  g.PaintWindow(painter);
  EXPECT_TRUE(drawn.empty());
  g.EndUpdate();
}

}  // namespace
