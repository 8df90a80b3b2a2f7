#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "controls/grid/qn_grid.h"
#include "grid_test_support.h"
#include "platform/rtl/streams.h"

namespace {

std::string Saved(TQnStringGrid& g) {
  TMemoryStream s;
  g.SaveToStream(s);
  return s.DataString();
}

void Load(TQnStringGrid& g, const std::string& bytes) {
  TStringStream s(bytes);
  g.LoadFromStream(s);
}

std::string TempPath(const char* name) { return GridTempPath(name); }

TEST(GridTextStream, WritesSizeLineThenNonEmptyCellsRowByRow) {
  TQnStringGrid g(nullptr);
  g.SetColCount(3);
  g.SetRowCount(1);
  EXPECT_EQ(Saved(g), "3,1\r\n");
  g.SetRowCount(2);
  g.SetCells(2, 1, "x,y");
  g.SetCells(0, 0, "a");
  EXPECT_EQ(Saved(g), "3,2\r\n0,0,a\r\n2,1,x,y\r\n");
}

TEST(GridTextStream, LoadSetsSizeAndCellsButKeepsFixedCounts) {
  TQnStringGrid g(nullptr);
  g.SetFixedCols(1);
  g.SetFixedRows(1);
  Load(g, "3,2\r\n0,0,a\r\n2,1,x,y\r\n");
  EXPECT_EQ(g.ColCount(), 3);
  EXPECT_EQ(g.RowCount(), 2);
  EXPECT_EQ(g.FixedCols(), 1);
  EXPECT_EQ(g.FixedRows(), 1);
  EXPECT_EQ(g.Cells(0, 0), "a");
  EXPECT_EQ(g.Cells(2, 1), "x,y");
}

TEST(GridTextStream, LoadKeepsCellsTheStreamDoesNotName) {
  TQnStringGrid g(nullptr);
  g.SetCells(1, 1, "old");
  Load(g, "5,2\r\n");
  EXPECT_EQ(g.ColCount(), 5);
  EXPECT_EQ(g.RowCount(), 2);
  EXPECT_EQ(g.Cells(1, 1), "old");
  Load(g, "");  // nothing after the position changes nothing
  EXPECT_EQ(g.ColCount(), 5);
}

TEST(GridTextStream, LineBreaksTravelCodedAndComeBack) {
  TQnStringGrid g(nullptr);
  g.SetCells(1, 1, "first\r\nsecond");
  const std::string bytes = Saved(g);
  EXPECT_NE(bytes.find("1,1,first\t\bsecond\r\n"), std::string::npos);
  TQnStringGrid multi(nullptr);
  multi.Multilinecells = true;
  Load(multi, bytes);
  EXPECT_EQ(multi.Cells(1, 1), "first\r\nsecond");
  TQnStringGrid single(nullptr);
  Load(single, bytes);
  EXPECT_EQ(single.Cells(1, 1), "first");
}

TEST(GridTextStream, LoneLineBreakBytesRoundTrip) {
  TQnStringGrid g(nullptr);
  g.Multilinecells = true;
  g.SetCells(1, 1, "lone\rcr");
  g.SetCells(2, 1, "lone\nlf");
  g.SetCells(3, 1, "tab\tand\r\nbreak");
  TQnStringGrid back(nullptr);
  back.Multilinecells = true;
  Load(back, Saved(g));
  EXPECT_EQ(back.Cells(1, 1), "lone\r\ncr");  // a lone CR comes back as a line break
  EXPECT_EQ(back.Cells(2, 1), "lone\nlf");    // a lone LF travels raw
  EXPECT_EQ(back.Cells(3, 1), "tab\rand\r\nbreak");  // the format cannot keep this TAB
}

TEST(GridTextStream, MalformedStreamRaisesAndChangesNothing) {
  TQnStringGrid g(nullptr);
  g.SetCells(1, 1, "keep");
  for (const char* bad : {"x,2\r\n", "3,2\r\n0,0,a\r\nzz,1,b\r\n", "3,2\n0,0,a\n", "-3,2\r\n",
                          "2000,2000\r\n", "3,2\r\n\r\n",
                          "4294967296,4294967296\r\n", "9000000000000000000,3\r\n"}) {
    EXPECT_THROW(Load(g, bad), EConvertError) << bad;
    EXPECT_EQ(g.ColCount(), 5) << bad;
    EXPECT_EQ(g.Cells(1, 1), "keep") << bad;
    EXPECT_EQ(g.Cells(0, 0), "") << bad;
  }
}

TEST(GridTextStream, CellLinesOutsideTheGridAreIgnored) {
  TQnStringGrid g(nullptr);
  Load(g, "2,2\r\n5,0,far\r\n-1,0,neg\r\n1,9,low\r\n1,1,in\r\n");
  EXPECT_EQ(g.Cells(1, 1), "in");
  EXPECT_EQ(g.Cells(5, 0), "");
  EXPECT_EQ(g.ColCount(), 2);
}

TEST(GridTextStream, HiddenColumnsAreWrittenSoNothingIsLost) {
  TQnStringGrid g(nullptr);
  MakeRowWithHiddenMiddle(g);
  EXPECT_EQ(Saved(g), "3,1\r\n0,0,a\r\n1,0,b\r\n2,0,c\r\n");
}

TEST(GridTextFile, RoundTripsCellsAndColumnWidths) {
  const std::string path = TempPath("grid_file");
  TQnStringGrid g(nullptr);
  g.SetColCount(3);
  g.SetRowCount(2);
  g.SetColWidths(1, 120);
  g.SetCells(2, 1, "two\r\nlines");
  std::vector<int> progress;
  g.OnFileProgress = [&](TObject*, int p) { progress.push_back(p); };
  g.SaveToFile(path);
  EXPECT_EQ(progress, (std::vector<int>{0, 100}));
  EXPECT_EQ(ReadWholeFile(path), "3,2\r\ncw 0,64\r\ncw 1,120\r\ncw 2,64\r\n2,1,two\t\blines\r\n");

  TQnStringGrid back(nullptr);
  back.Multilinecells = true;
  back.LoadFromFile(path);
  EXPECT_EQ(back.ColCount(), 3);
  EXPECT_EQ(back.ColWidths(1), 120);
  EXPECT_EQ(back.Cells(2, 1), "two\r\nlines");
  std::remove(path.c_str());
}

TEST(GridTextFile, MissingOrEmptyFilesRaiseTheGridErrors) {
  TQnStringGrid g(nullptr);
  const std::string missing = TempPath("no_such_grid");
  try {
    g.LoadFromFile(missing);
    FAIL();
  } catch (const EQnGridError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file " + missing);
  }
  const std::string empty = TempPath("empty_grid");
  WriteWholeFile(empty, "0,0\r\n");
  try {
    g.LoadFromFile(empty);
    FAIL();
  } catch (const EQnGridError& e) {
    EXPECT_EQ(e.Message(), "File contains no data or corrupt file " + empty);
  }
  std::remove(empty.c_str());
}

TEST(GridTextFile, CellsBeyondTheSizeLineAreDropped) {
  const std::string path = TempPath("grid_beyond");
  WriteWholeFile(path, "2,2\r\ncw 7,30\r\n0,0,in\r\n4,0,out\r\n0,5,low\r\n");
  TQnStringGrid g(nullptr);
  g.LoadFromFile(path);
  EXPECT_EQ(g.Cells(0, 0), "in");
  EXPECT_EQ(g.Cells(4, 0), "");
  EXPECT_EQ(g.ColWidths(0), 64);
  std::remove(path.c_str());
}

}  // namespace

namespace {

TEST(GridTextStream, StreamLinesEndAtCrAndDropTheNextByte) {
  TStringStream s("one\r\ntwo\rXthree");
  EXPECT_EQ(ReadStreamLine(s), "one");
  EXPECT_EQ(ReadStreamLine(s), "two");   // the X after the bare CR is lost
  EXPECT_EQ(ReadStreamLine(s), "three");
  EXPECT_EQ(ReadStreamLine(s), "");
  TStringStream out;
  WriteStreamLine(out, "a,b");
  EXPECT_EQ(out.DataString(), "a,b\r\n");
}

}  // namespace
