#include <gtest/gtest.h>

#include "controls/grid/qn_grid.h"
#include "grid_test_support.h"

namespace {

// A grid of one fixed row and normal rows holding the given texts in column 1; column 0 holds
// the row's original position.
void FillColumn(TQnStringGrid& g, const std::vector<std::string>& texts) {
  g.SetColCount(2);
  g.SetRowCount(static_cast<int>(texts.size()) + 1);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    g.SetCells(0, static_cast<int>(i) + 1, std::to_string(i));
    g.SetCells(1, static_cast<int>(i) + 1, texts[i]);
  }
}

std::vector<std::string> Column(TQnStringGrid& g, int col) {
  std::vector<std::string> out;
  for (int r = g.FixedRows(); r < g.RowCount(); ++r) out.push_back(g.Cells(col, r));
  return out;
}

TEST(GridHiddenColumns, MapDisplayToRealAndKeepTexts) {
  TQnStringGrid g(nullptr);
  for (int c = 0; c < 5; ++c) {
    g.SetColWidths(c, 10 + c);
    g.SetCells(c, 1, Numbered("c", c));
  }
  g.HideColumn(1);
  EXPECT_EQ(g.ColCount(), 4);
  EXPECT_EQ(g.NumHiddenColumns(), 1);
  EXPECT_EQ(g.RealColIndex(0), 0);
  EXPECT_EQ(g.RealColIndex(1), 2);
  EXPECT_EQ(g.RealColIndex(3), 4);
  EXPECT_EQ(g.DisplColIndex(4), 3);
  EXPECT_TRUE(g.IsHiddenColumn(1));
  EXPECT_EQ(g.Cells(1, 1), "c1");  // still in the store
  EXPECT_EQ(g.Cells(4, 1), "c4");
  EXPECT_EQ(g.ColWidths(1), 12);   // display column 1 has real column 2's width
}

TEST(GridHiddenColumns, NeverHidesTheLastVisibleColumn) {
  TQnStringGrid g(nullptr);
  g.SetColCount(3);
  g.HideColumns(0, 9);
  EXPECT_EQ(g.ColCount(), 1);
  EXPECT_EQ(g.NumHiddenColumns(), 2);
  EXPECT_EQ(g.RealColIndex(0), 2);
}

TEST(GridHiddenRows, IndexMappingAndUnhideAll) {
  TQnStringGrid g(nullptr);
  FillColumn(g, {"a", "b", "c", "d", "e", "f", "g", "h", "i"});
  g.HideRows(3, 4);
  EXPECT_EQ(g.RowCount(), 8);
  EXPECT_TRUE(g.IsHiddenRow(3));
  EXPECT_EQ(g.DisplRowIndex(6), 4);
  EXPECT_EQ(g.RealRowIndex(3), 5);
  EXPECT_EQ(g.RealRowIndex(-1), -1);
  g.HideRows(3, 3);  // already hidden: nothing happens
  EXPECT_EQ(g.RowCount(), 8);
  g.HideRows(7, 8);
  EXPECT_EQ(g.RowCount(), 6);
  g.UnHideRowsAll();
  EXPECT_EQ(g.RowCount(), 10);
  EXPECT_EQ(Column(g, 1), (std::vector<std::string>{"a", "b", "c", "d", "e", "f", "g", "h", "i"}));
  EXPECT_EQ(g.HiddenRows().Count(), 0);
}

TEST(GridHiddenRows, HiddenColumnTextsTravelWithHiddenRows) {
  TQnStringGrid g(nullptr);
  FillColumn(g, {"x", "y"});
  g.SetColCount(3);
  g.SetCells(2, 2, "secret");
  g.HideColumn(2);
  g.HideRows(2, 2);
  EXPECT_EQ(g.RowCount(), 2);
  g.UnHideRows(2, 2);
  EXPECT_EQ(g.Cells(2, 2), "secret");
  EXPECT_EQ(g.Cells(1, 2), "y");
}

TEST(GridFilter, HidesRowsThatFailAndBringsThemBack) {
  TQnStringGrid g(nullptr);
  FillColumn(g, {"5", "15", "7", "8", "20"});
  TFilterData* f = g.Filter().Add();
  f->Column = 1;
  f->Condition = ">10";
  g.SetFilterActive(true);
  EXPECT_EQ(Column(g, 1), (std::vector<std::string>{"15", "20"}));
  EXPECT_EQ(g.HiddenRows().Count(), 3);
  g.SetFilterActive(false);
  EXPECT_EQ(Column(g, 1), (std::vector<std::string>{"5", "15", "7", "8", "20"}));
  EXPECT_EQ(Column(g, 0), (std::vector<std::string>{"0", "1", "2", "3", "4"}));
}

TEST(GridFilter, NoMatchLeavesOneEmptyRowThatGoesAgain) {
  TQnStringGrid g(nullptr);
  FillColumn(g, {"1", "2"});
  TFilterData* f = g.Filter().Add();
  f->Column = 1;
  f->Condition = ">100";
  g.SetFilterActive(true);
  EXPECT_EQ(g.RowCount(), 2);
  EXPECT_EQ(g.FixedRows(), 1);
  EXPECT_EQ(g.Cells(1, 1), "");
  g.SetFilterActive(false);
  EXPECT_EQ(g.RowCount(), 3);
  EXPECT_EQ(g.FixedRows(), 1);
  EXPECT_EQ(Column(g, 1), (std::vector<std::string>{"1", "2"}));
}

TEST(GridRowSelection, FlagsGrowAndRejectRowsOutside) {
  TQnStringGrid g(nullptr);
  EXPECT_FALSE(g.RowSelect(3));
  g.SetRowSelect(3, true);
  EXPECT_TRUE(g.RowSelect(3));
  g.ClearRowSelect();
  EXPECT_FALSE(g.RowSelect(3));
  try {
    g.RowSelect(5);
    FAIL();
  } catch (const EQnGridError& e) {
    EXPECT_STREQ(e.what(), "Invalid row accessed");
  }
  EXPECT_THROW(g.SetRowSelect(-1, true), EQnGridError);
}

}  // namespace
