#include <gtest/gtest.h>

#include "controls/grid/qn_grid.h"
#include "grid_test_support.h"

namespace {

void Number(TQnStringGrid& g, int rows) {
  g.SetRowCount(rows);
  for (int r = 0; r < rows; ++r) g.SetCells(1, r, Numbered("r", r));
}

TEST(GridRowOperations, InsertRowsShiftsTextsAndHeights) {
  TQnStringGrid g(nullptr);
  Number(g, 5);
  g.SetRowHeights(1, 40);
  g.InsertRows(1, 2);
  EXPECT_EQ(g.RowCount(), 7);
  EXPECT_EQ(g.Cells(1, 1), "");
  EXPECT_EQ(g.Cells(1, 2), "");
  EXPECT_EQ(g.RowHeights(1), 21);
  EXPECT_EQ(g.RowHeights(2), 21);
  EXPECT_EQ(g.Cells(1, 3), "r1");
  EXPECT_EQ(g.RowHeights(3), 40);
  EXPECT_EQ(g.Cells(1, 6), "r4");
}

TEST(GridRowOperations, InsertRowsKeepsHiddenCellsWithTheirRow) {
  TQnStringGrid g(nullptr);
  g.SetColCount(3);
  Number(g, 3);
  g.SetCells(2, 2, "hidden2");
  g.HideColumn(2);
  g.InsertRows(1, 1);
  EXPECT_EQ(g.Cells(2, 3), "hidden2");
  EXPECT_EQ(g.Cells(1, 3), "r2");
  EXPECT_EQ(g.ColCount(), 2);
}

TEST(GridRowOperations, RemoveRowsAtTheCurrentRowMovesItToTheFixedRows) {
  TQnStringGrid g(nullptr);
  Number(g, 6);
  g.SetRow(4);
  g.RemoveRows(3, 3);
  EXPECT_EQ(g.RowCount(), 3);
  EXPECT_EQ(g.Row(), 1);
  EXPECT_EQ(g.Cells(1, 2), "r2");
  g.SetRow(1);
  g.RemoveRows(2, 1);
  EXPECT_EQ(g.Row(), 1);
}

TEST(GridRowOperations, DeletingEveryDataRowLeavesNoCellSelected) {
  TQnStringGrid g(nullptr);
  Number(g, 4);
  g.DeleteRows(1, 3);
  EXPECT_EQ(g.RowCount(), 1);
  const TGridRect sel = g.Selection();
  EXPECT_EQ(sel.Top, g.RowCount());  // off the grid
}

TEST(GridRowOperations, RemoveSelectedRowsTakesAdjacentOnes) {
  TQnStringGrid g(nullptr);
  g.MouseActions().DisjunctRowSelect = true;
  Number(g, 7);
  g.SetRowSelect(2, true);
  g.SetRowSelect(3, true);
  g.SetRowSelect(5, true);
  g.RemoveSelectedRows();
  EXPECT_EQ(g.RowCount(), 4);
  EXPECT_EQ(g.Cells(1, 1), "r1");
  EXPECT_EQ(g.Cells(1, 2), "r4");
  EXPECT_EQ(g.Cells(1, 3), "r6");
}

TEST(GridRowOperations, ColumnsInsertRemoveAndClear) {
  TQnStringGrid g(nullptr);
  g.SetColCount(3);
  for (int c = 0; c < 3; ++c) g.SetCells(c, 1, Numbered("c", c));
  g.SetColWidths(1, 30);
  g.InsertCols(1, 1);
  EXPECT_EQ(g.ColCount(), 4);
  EXPECT_EQ(g.Cells(1, 1), "");
  EXPECT_EQ(g.Cells(2, 1), "c1");
  EXPECT_EQ(g.ColWidths(2), 30);
  EXPECT_EQ(g.ColWidths(1), 64);
  g.RemoveCols(1, 2);
  EXPECT_EQ(g.ColCount(), 2);
  EXPECT_EQ(g.Cells(1, 1), "c2");
  g.ClearCols(0, 1);
  EXPECT_EQ(g.Cells(0, 1), "");
  EXPECT_EQ(g.Cells(1, 1), "c2");
  g.ClearRect(0, 1, 1, 0);  // bottom above top: nothing
  EXPECT_EQ(g.Cells(1, 1), "c2");
}

TEST(GridRowOperations, ExchangeRowsMovesSelectionFlagsAndHeights) {
  TQnStringGrid g(nullptr);
  g.MouseActions().DisjunctRowSelect = true;
  Number(g, 4);
  g.SetRowHeights(1, 33);
  g.SetRowHeights(3, 47);
  g.SetRowSelect(1, true);
  g.ExchangeRows(1, 3);
  EXPECT_EQ(g.Cells(1, 1), "r3");
  EXPECT_EQ(g.Cells(1, 3), "r1");
  // Each row takes its height with it, both ways.
  EXPECT_EQ(g.RowHeights(1), 47);
  EXPECT_EQ(g.RowHeights(3), 33);
  EXPECT_EQ(g.RowHeights(2), g.DefaultRowHeight());
  EXPECT_TRUE(g.RowSelect(3));
  EXPECT_FALSE(g.RowSelect(1));
  // A row of the default height exchanged with a taller one.
  g.ExchangeRows(2, 3);
  EXPECT_EQ(g.RowHeights(2), 33);
  EXPECT_EQ(g.RowHeights(3), g.DefaultRowHeight());
  EXPECT_EQ(g.Cells(1, 2), "r1");
}

}  // namespace

namespace {

TEST(GridRowOperations, RowSelectionFlagsFollowInsertAndRemove) {
  TQnStringGrid g(nullptr);
  g.MouseActions().DisjunctRowSelect = true;
  Number(g, 6);
  g.SetRowSelect(3, true);
  g.InsertRows(1, 2);
  EXPECT_TRUE(g.RowSelect(5));
  EXPECT_FALSE(g.RowSelect(3));
  g.RemoveRows(1, 2);
  EXPECT_TRUE(g.RowSelect(3));
  EXPECT_EQ(g.Cells(1, 3), "r3");
}

}  // namespace
