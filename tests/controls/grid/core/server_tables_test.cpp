// The grid as an in-memory table store: no window, no display, the headless backend only.
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

#include "controls/grid/qn_grid.h"
#include "controls/grid/grid_test_support.h"
#include "platform/rtl/streams.h"

namespace {

void FillTable(TQnStringGrid& g, int cols, int rows) {
  g.SetColCount(cols);
  g.SetRowCount(rows);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c)
      if ((r + c) % 7 != 0) g.SetCells(c, r, Numbered("r", r) + Numbered("c", c) + (c == 1 ? ",x" : ""));
}

class ServerTables : public ::testing::TestWithParam<int> {};

TEST_P(ServerTables, StreamAndFileRoundTripWithoutAWindow) {
  const int cols = GetParam(), rows = 3000;
  TQnStringGrid g(nullptr);
  FillTable(g, cols, rows);
  TMemoryStream stream;
  g.SaveToStream(stream);
  stream.SetPosition(0);
  TQnStringGrid back(nullptr);
  back.SetColCount(2);
  back.SetRowCount(1);
  back.LoadFromStream(stream);
  ASSERT_EQ(back.ColCount(), cols);
  ASSERT_EQ(back.RowCount(), rows);
  for (int r = 0; r < rows; r += 97)
    for (int c = 0; c < cols; ++c) ASSERT_EQ(back.Cells(c, r), g.Cells(c, r)) << c << "," << r;

  const std::string path = std::string(::testing::TempDir()) + "/table" + std::to_string(cols) +
                           "_" + std::to_string(::getpid()) + ".dat";
  g.SaveToFile(path);
  TQnStringGrid file(nullptr);
  file.LoadFromFile(path);
  EXPECT_EQ(file.Cells(cols - 1, rows - 1), g.Cells(cols - 1, rows - 1));
  std::remove(path.c_str());
  EXPECT_FALSE(g.HandleAllocated());
  EXPECT_FALSE(back.HandleAllocated());
}

INSTANTIATE_TEST_SUITE_P(ColumnCounts, ServerTables, ::testing::Values(2, 5, 16));

TEST(ServerTableOperations, RowsFindClearAndSortAsTheServerUsesThem) {
  TQnStringGrid g(nullptr);
  g.SetColCount(2);
  g.SetRowCount(1);
  g.SetFixedRows(0);
  for (int i = 0; i < 1000; ++i) {
    g.SetRowCount(i + 1);
    g.SetCells(0, i, std::to_string((i * 37) % 1000));
    g.SetCells(1, i, Numbered("code", i));
  }
  EXPECT_EQ(g.FindText("code500"), (TPoint{1, 500}));
  g.RemoveRows(0, 10);
  EXPECT_EQ(g.RowCount(), 990);
  EXPECT_EQ(g.Cells(1, 0), "code10");
  g.InsertRows(0, 1);
  EXPECT_EQ(g.Cells(1, 0), "");
  g.Rows(0)->Clear();
  g.SetCells(0, 0, "-1");
  g.SetSortColumn(0);
  g.SortByColumn();  // numbers, ascending; no fixed row
  for (int r = 1; r < g.RowCount(); ++r)
    ASSERT_LE(std::stoi(g.Cells(0, r - 1)), std::stoi(g.Cells(0, r))) << r;
  g.Cols(1)->Clear();
  EXPECT_EQ(g.FindText("code10"), (TPoint{-1, -1}));
}

}  // namespace
