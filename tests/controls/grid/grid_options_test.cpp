#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "controls/grid/qn_grid.h"
#include "grid_test_support.h"

namespace {

std::string TempIni(const char* name) { return GridTempPath(name, ".ini"); }

void UseIniWidths(TQnStringGrid& g, const std::string& path, const std::string& section) {
  g.ColumnSize().Location = clInifile;
  g.ColumnSize().Key = path;
  g.ColumnSize().Section = section;
}

TEST(GridPrintSettingsFile, RoundTripsEveryStoredValue) {
  const std::string path = TempIni("print");
  TPrintsettings out;
  out.ColumnSpacing = 7;
  out.Centered = true;
  out.Borders = pbAround;
  out.PageNr = ppBottomRight;
  out.TitleText = "Report";
  out.TitleLines().Add("A");
  out.TitleLines().Add("B");
  out.HeaderFont().SetName("Courier New");
  out.HeaderFont().SetStyle(TFontStyles{fsBold, fsUnderline});
  out.Orientation = poLandscape;
  out.SaveToIni(path, "PRINTSETTINGS");
  const std::string text = ReadWholeFile(path);
  EXPECT_NE(text.find("TitleLines=A\\nB"), std::string::npos) << text;
  EXPECT_NE(text.find("Centered=Y"), std::string::npos);
  EXPECT_NE(text.find("HeaderFontStyle=5"), std::string::npos);

  TPrintsettings in;
  in.LoadFromIni(path, "PRINTSETTINGS");
  EXPECT_EQ(in.ColumnSpacing, 7);
  EXPECT_TRUE(in.Centered);
  EXPECT_EQ(in.Borders, pbAround);
  EXPECT_EQ(in.PageNr, ppBottomRight);
  EXPECT_EQ(in.TitleText, "Report");
  ASSERT_EQ(in.TitleLines().Count(), 2);
  EXPECT_EQ(in.TitleLines().Strings(1), "B");
  EXPECT_EQ(in.HeaderFont().Name(), "Courier New");
  EXPECT_EQ(in.HeaderFont().Style(), (TFontStyles{fsBold, fsUnderline}));
  EXPECT_EQ(in.Orientation, poLandscape);
  std::remove(path.c_str());
}

TEST(GridPrintSettingsFile, MissingKeysGiveTheLoadDefaults) {
  const std::string path = TempIni("sparse");
  std::ofstream(path) << "[PRINTSETTINGS]\nCentered=N\n";
  TPrintsettings s;
  s.LoadFromIni(path, "PRINTSETTINGS");
  EXPECT_EQ(s.ColumnSpacing, 20);
  EXPECT_EQ(s.TitleSpacing, 20);
  EXPECT_EQ(s.LeftSize, 100);
  EXPECT_EQ(s.FooterSize, 100);
  EXPECT_EQ(s.Font().Name(), "Arial");
  EXPECT_EQ(s.Font().Size(), 10);
  EXPECT_FALSE(s.Centered);
  EXPECT_EQ(s.PageNumSep, "");
  std::remove(path.c_str());
}

TEST(GridPrintSettingsFile, OutOfRangeValuesGiveDefaultsAndStylesAreExact) {
  const std::string path = TempIni("bad");
  std::ofstream(path) << "[P]\nBorders=99\nDate=-1\nFitToPage=7\nOrientation=3\nFontStyle=3\n";
  TPrintsettings s;
  s.Font().SetStyle(TFontStyles{fsUnderline});
  s.LoadFromIni(path, "P");
  EXPECT_EQ(s.Borders, pbNoborder);
  EXPECT_EQ(s.Date, ppNone);
  EXPECT_EQ(s.FitToPage, fpNever);
  EXPECT_EQ(s.Orientation, poPortrait);
  // The stored bits are the style: the underline set before is not kept.
  EXPECT_EQ(s.Font().Style(), (TFontStyles{fsBold, fsItalic}));
  std::remove(path.c_str());
}

TEST(GridColumnSizes, SavedAndLoadedPerVisibleColumn) {
  const std::string path = TempIni("widths");
  {
    TQnStringGrid g(nullptr);
    UseIniWidths(g, path, "Widths");
    g.SetColWidths(2, 99);
    g.SaveColumnSizes();
  }
  EXPECT_NE(ReadWholeFile(path).find("col2=99"), std::string::npos);
  std::ofstream(path) << "[Widths]\ncol1=-1\ncol2=0\ncol3=99\n";
  TQnStringGrid h(nullptr);
  UseIniWidths(h, path, "Widths");
  h.SetColWidths(1, 77);
  h.LoadColumnSizes();
  EXPECT_EQ(h.ColWidths(1), 77);  // -1 leaves the width as it is
  EXPECT_EQ(h.ColWidths(2), 0);
  EXPECT_EQ(h.ColWidths(3), 99);
  std::remove(path.c_str());
}

TEST(GridColumnSizes, NothingHappensWithoutASection) {
  const std::string path = TempIni("nosection");
  TQnStringGrid g(nullptr);
  UseIniWidths(g, path, "");
  g.SaveColumnSizes();
  EXPECT_FALSE(std::ifstream(path).good());
}

TEST(GridStretch, LastColumnFillsTheClientWidth) {
  TQnStringGrid g(nullptr);
  g.SetBounds(0, 0, 400, 100);
  g.SetColCount(3);
  g.ColumnSize().SetStretch(true);
  // 2 * (64 + 1) = 130 before the last column.
  EXPECT_EQ(g.ColWidths(2), 400 - 130 - 1);
}

}  // namespace

#include "platform/rtl/streams.h"

namespace {

TEST(GridPublishedProperties, ComponentStreamCarriesCountsFlagsAndOptionObjects) {
  TQnStringGrid out(nullptr);
  out.SetColCount(7);
  out.SetRowCount(9);
  out.SetFixedRows(2);
  out.SetOptions(out.Options() + goEditing + goRowSelect);
  out.SortFull = false;
  out.SortDirection = sdDescending;
  out.SetVAlignment(vtaBottom);
  out.FloatFormat = "%.3f";
  out.Navigation().AdvanceOnEnter = true;
  out.Navigation().AdvanceDirection = adTopBottom;
  out.Bands().SetActive(true);
  out.Bands().SetPrimaryLength(3);
  out.ColumnSize().Section = "Widths";
  out.ColumnHeaders().Add("Name");
  TMemoryStream stream;
  stream.WriteComponent(&out);
  stream.SetPosition(0);

  TQnStringGrid in(nullptr);
  stream.ReadComponent(&in);
  EXPECT_EQ(in.ColCount(), 7);
  EXPECT_EQ(in.RowCount(), 9);
  EXPECT_EQ(in.FixedRows(), 2);
  EXPECT_TRUE(in.Options().Contains(goEditing));
  EXPECT_TRUE(in.Options().Contains(goRowSelect));
  EXPECT_FALSE(in.SortFull);
  EXPECT_EQ(in.SortDirection, sdDescending);
  EXPECT_EQ(in.VAlignment(), vtaBottom);
  EXPECT_EQ(in.FloatFormat, "%.3f");
  EXPECT_TRUE(in.Navigation().AdvanceOnEnter);
  EXPECT_EQ(in.Navigation().AdvanceDirection, adTopBottom);
  EXPECT_TRUE(in.Bands().Active());
  EXPECT_EQ(in.Bands().PrimaryLength(), 3);
  EXPECT_EQ(in.ColumnSize().Section, "Widths");
  ASSERT_EQ(in.ColumnHeaders().Count(), 1);
  EXPECT_EQ(in.Cells(0, 0), "Name");
}

}  // namespace
