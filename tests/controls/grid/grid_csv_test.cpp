#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
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

TEST(GridCsv, DoubledQuotesInTheLastColumnComeBackWhole) {
  const std::string path = TempPath("lastquotes");
  TQnStringGrid g(nullptr);
  g.SetColCount(2);
  g.SetRowCount(3);
  g.SetCells(0, 0, "first");
  g.SetCells(1, 0, "a\"\"b");
  g.SetCells(1, 1, "\"\"");
  g.SetCells(1, 2, "x \"y\"");
  g.SaveToCSV(path);
  TQnStringGrid back(nullptr);
  back.FieldDelimiter = ',';
  back.LoadFromCSV(path);
  EXPECT_EQ(back.Cells(1, 0), "a\"\"b");
  EXPECT_EQ(back.Cells(1, 1), "\"\"");
  EXPECT_EQ(back.Cells(1, 2), "x \"y\"");
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
  g.SetCells(2, 1, "kept");
  g.SetCells(1, 2, "old");
  g.FieldDelimiter = ',';
  WriteWholeFile(path, "a,b,\r\nc,d,\"\"\r\n\"open,e,f\r\n");
  g.LoadFromCSV(path);
  EXPECT_EQ(g.Cells(1, 0), "b");
  EXPECT_EQ(g.Cells(2, 0), "before");
  EXPECT_EQ(g.Cells(2, 1), "kept");  // "" as the last field is empty too
  // The unclosed quote gives an empty cell; the line goes on after the next delimiter.
  EXPECT_EQ(g.Cells(0, 2), "");
  EXPECT_EQ(g.Cells(1, 2), "e");
  EXPECT_EQ(g.Cells(2, 2), "f");
  EXPECT_EQ(g.RowCount(), 3);
  std::remove(path.c_str());
}

TEST(GridCsv, QuotedFieldsDoNotHideTheDelimiterFromDetection) {
  const std::string path = TempPath("quotedetect");
  TQnStringGrid g(nullptr);
  WriteWholeFile(path, "a,\"b\",c\r\nd,e,f\r\n");
  g.LoadFromCSV(path);
  EXPECT_EQ(g.Cells(1, 0), "b");
  EXPECT_EQ(g.Cells(2, 0), "c");
  EXPECT_EQ(g.Cells(2, 1), "f");

  // No delimiter found: each line is one field and loses its outer quotes.
  TQnStringGrid raw(nullptr);
  WriteWholeFile(path, "\"x,y\"\r\n\"\"\r\n");
  raw.SetCells(0, 1, "old");
  raw.LoadFromCSV(path);
  EXPECT_EQ(raw.Cells(0, 0), "x,y");
  EXPECT_EQ(raw.Cells(0, 1), "old");
  std::remove(path.c_str());
}

int RunPython(const std::string& script, const std::string& argument) {
  const std::string file = TempPath("script") + ".py";
  WriteWholeFile(file, script);
  const int status = std::system(("python3 " + file + " " + argument).c_str());
  std::remove(file.c_str());
  return status;
}

// Python's csv module writes what the grid reads and reads what the grid writes.
TEST(GridCsv, ExchangesFilesWithPythonsCsvModule) {
  const std::string path = TempPath("python");
  const std::string writer =
      "import csv,sys\n"
      "with open(sys.argv[1], 'w', newline='') as f:\n"
      "    w = csv.writer(f)\n"
      "    w.writerow(['a', 'b,x', 'say \"hi\"', 'd'])\n"
      "    w.writerow(['1', '2', '3', '4'])\n"
      "    w.writerow(['x', '', 'z', 'w'])\n";
  ASSERT_EQ(RunPython(writer, path), 0);
  TQnStringGrid in(nullptr);
  in.LoadFromCSV(path);
  EXPECT_EQ(in.Cells(1, 0), "b,x");
  EXPECT_EQ(in.Cells(2, 0), "say \"hi\"");
  EXPECT_EQ(in.Cells(3, 0), "d");
  EXPECT_EQ(in.Cells(3, 1), "4");
  EXPECT_EQ(in.Cells(1, 2), "");
  EXPECT_EQ(in.Cells(2, 2), "z");

  TQnStringGrid out(nullptr);
  out.SetColCount(3);
  out.SetRowCount(1);
  out.SetFixedRows(0);
  out.SetCells(0, 0, "p;q,r");
  out.SetCells(1, 0, "two\r\nlines");
  out.SetCells(2, 0, "quote \"x\"");
  out.SaveToCSV(path);
  const std::string reader =
      "import csv,sys\n"
      "rows = list(csv.reader(open(sys.argv[1], newline='')))\n"
      "assert rows == [['p;q,r', 'two\\nlines', 'quote \"x\"']], rows\n";
  EXPECT_EQ(RunPython(reader, path), 0);
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
