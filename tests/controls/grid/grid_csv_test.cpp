#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "controls/grid/qn_grid.h"
#include "grid_test_support.h"

namespace {

std::string TempPath(const char* name) { return GridTempPath(name, ".csv"); }

TEST(GridCsv, QuotesWhatWouldBreakTheFieldAndRoundTrips) {
  const std::string path = TempPath("round");
  TQnStringGrid g(nullptr);
  g.SetColCount(4);
  g.SetRowCount(2);
  g.SetCells(0, 0, "a,b");
  g.SetCells(1, 0, "say \"hi\"");
  g.SetCells(2, 0, "x\r\ny");
  g.SetCells(3, 0, "plain");
  g.SetCells(0, 1, "lone\rcr");
  g.SetCells(2, 1, "q\"");
  g.SaveToCSV(path);
  EXPECT_EQ(ReadWholeFile(path),
            "\"a,b\",\"say \"\"hi\"\"\",\"x\ny\",plain\r\n\"lone\ncr\",\"\",\"q\"\"\",\"\"\r\n");
  TQnStringGrid back(nullptr);
  back.FieldDelimiter = ',';
  back.LoadFromCSV(path);
  EXPECT_EQ(back.ColCount(), 5);  // only raised, never lowered
  EXPECT_EQ(back.RowCount(), 2);
  EXPECT_EQ(back.Cells(0, 0), "a,b");
  EXPECT_EQ(back.Cells(1, 0), "say \"hi\"");
  EXPECT_EQ(back.Cells(2, 0), "x\r\ny");
  EXPECT_EQ(back.Cells(3, 0), "plain");
  EXPECT_EQ(back.Cells(0, 1), "lone\r\ncr");
  EXPECT_EQ(back.Cells(1, 1), "");
  EXPECT_EQ(back.Cells(2, 1), "q\"");
  std::remove(path.c_str());
}

TEST(GridCsv, DetectsTheDelimiterFromTheFirstTwoLines) {
  const std::string path = TempPath("detect");
  TQnStringGrid g(nullptr);
  WriteWholeFile(path, "a;b;c\r\n1;2;3\r\n");
  g.LoadFromCSV(path);
  EXPECT_EQ(g.Cells(2, 1), "3");
  EXPECT_EQ(g.FieldDelimiter, '\0');  // the detected delimiter does not stay

  TQnStringGrid h(nullptr);
  WriteWholeFile(path, "a,b;x;y\r\n1,2;3\r\n");  // ";" counts differ, "," counts agree
  h.LoadFromCSV(path);
  EXPECT_EQ(h.Cells(0, 0), "a");
  EXPECT_EQ(h.Cells(1, 0), "b;x;y");

  TQnStringGrid one(nullptr);
  WriteWholeFile(path, "a,b\r\n");
  one.LoadFromCSV(path);
  EXPECT_EQ(one.Cells(0, 0), "a,b");

  TQnStringGrid quoted(nullptr);  // delimiters inside quotes do not count
  WriteWholeFile(path, "\"x;y;z\",1\r\n\"p\",2\r\n");
  quoted.LoadFromCSV(path);
  EXPECT_EQ(quoted.Cells(0, 0), "x;y;z");
  EXPECT_EQ(quoted.Cells(1, 1), "2");
  std::remove(path.c_str());
}

TEST(GridCsv, EmptyLastFieldKeepsTheOldTextAndUnclosedQuoteGivesEmpty) {
  const std::string path = TempPath("fields");
  TQnStringGrid g(nullptr);
  g.SetCells(2, 0, "before");
  g.FieldDelimiter = ',';
  WriteWholeFile(path, "a,b,\r\n");
  g.LoadFromCSV(path);
  EXPECT_EQ(g.Cells(1, 0), "b");
  EXPECT_EQ(g.Cells(2, 0), "before");
  EXPECT_EQ(g.RowCount(), 1);
  std::remove(path.c_str());
}

TEST(GridCsv, HiddenColumnsAreExportedOnlyWhenAsked) {
  const std::string path = TempPath("hidden");
  TQnStringGrid g(nullptr);
  MakeRowWithHiddenMiddle(g);
  g.SaveToCSV(path);
  EXPECT_EQ(ReadWholeFile(path), "a,c\r\n");
  g.StoreHiddenCells = true;
  g.SaveToCSV(path);
  EXPECT_EQ(ReadWholeFile(path), "a,b,c\r\n");
  std::remove(path.c_str());
}

TEST(GridCsv, FileErrorsNameTheFile) {
  TQnStringGrid g(nullptr);
  try {
    g.LoadFromCSV("/nonexistent-dir/x.csv");
    FAIL();
  } catch (const EQnGridError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file /nonexistent-dir/x.csv");
  }
  try {
    g.SaveToCSV("/nonexistent-dir/x.csv");
    FAIL();
  } catch (const EQnGridError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file /nonexistent-dir/x.csv");
  }
}

}  // namespace

namespace {

TEST(GridCsv, AFileThatWouldNeedTooManyCellsIsRefused) {
  const std::string path = GridTempPath("huge", ".csv");
  std::string bytes(200000, ',');  // 200,001 fields on the first line
  bytes += "\r\n";
  for (int i = 0; i < 60; ++i) bytes += "x\r\n";
  WriteWholeFile(path, bytes);
  TQnStringGrid g(nullptr);
  g.FieldDelimiter = ',';
  EXPECT_THROW(g.LoadFromCSV(path), EQnGridError);
  EXPECT_LT(static_cast<long long>(g.ColCount()) * g.RowCount(), 10000001LL);
  std::remove(path.c_str());
}

}  // namespace
