#include <gtest/gtest.h>

#include "controls/grid/qn_grid.h"

namespace {

// One fixed row, then the given texts in column 1; column 0 numbers the rows.
void Fill(TQnStringGrid& g, const std::vector<std::string>& texts, int cols = 2) {
  g.SetColCount(cols);
  g.SetRowCount(static_cast<int>(texts.size()) + 1);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    g.SetCells(0, static_cast<int>(i) + 1, std::to_string(i));
    g.SetCells(1, static_cast<int>(i) + 1, texts[i]);
  }
}

std::vector<std::string> Col(TQnStringGrid& g, int c) {
  std::vector<std::string> out;
  for (int r = 1; r < g.RowCount(); ++r) out.push_back(g.Cells(c, r));
  return out;
}

void SortBy(TQnStringGrid& g, int col, TSortStyle style, TSortDirection dir = sdAscending) {
  g.OnGetFormat = [style](TObject*, int, TSortStyle& s, std::string&, std::string&) { s = style; };
  g.SetSortColumn(col);
  g.SortDirection = dir;
  g.SortByColumn();
}

TEST(GridSortStyles, NumbersWithEmptyAndUnreadableCells) {
  TQnStringGrid g(nullptr);
  Fill(g, {"10", "9", "", "2"});
  SortBy(g, 1, sortNumber);
  EXPECT_EQ(Col(g, 1), (std::vector<std::string>{"", "2", "9", "10"}));
  SortBy(g, 1, sortNumber, sdDescending);
  EXPECT_EQ(Col(g, 1), (std::vector<std::string>{"10", "9", "2", ""}));
  TQnStringGrid h(nullptr);
  Fill(h, {"10", "abc", "9"});
  h.OnGetFormat = [](TObject*, int, TSortStyle& s, std::string&, std::string&) { s = sortNumber; };
  EXPECT_EQ(h.CompareCells(1, 2, 1), 0);  // unreadable equals everything
  SortBy(h, 1, sortNumber);  // contradictory comparisons still end
  EXPECT_EQ(h.RowCount(), 4);
}

TEST(GridSortStyles, PrefixSuffixAndGroupedNumbers) {
  TQnStringGrid g(nullptr);
  Fill(g, {"40 kg", "5 kg", "1,200 kg"});
  g.OnGetFormat = [](TObject*, int, TSortStyle& s, std::string&, std::string& suffix) {
    s = sortNumberGrouped;
    suffix = " kg";
  };
  g.SetSortColumn(1);
  g.SortByColumn();
  EXPECT_EQ(Col(g, 1), (std::vector<std::string>{"5 kg", "40 kg", "1,200 kg"}));
  // A comma that groups no three digits is no separator: "99,95" is not 9995, it reads as
  // nothing and compares equal to everything, as any unreadable number does.
  TQnStringGrid c(nullptr);
  Fill(c, {"99,95", "1,234.50", "100"});
  c.OnGetFormat = [](TObject*, int, TSortStyle& s, std::string&, std::string&) { s = sortNumberGrouped; };
  EXPECT_EQ(c.CompareCells(1, 1, 3), 0);
  EXPECT_EQ(c.CompareCells(1, 1, 2), 0);
  EXPECT_EQ(c.CompareCells(1, 2, 3), 1);  // 1234.5 > 100
  // Nor does the automatic style take it for a number: it sorts as the text it is.
  TQnStringGrid a(nullptr);
  Fill(a, {"99,95", "1000"});
  EXPECT_EQ(a.CompareCells(1, 1, 2), 1);  // bytes: "9" > "1"
}

TEST(GridSortStyles, DayMonthYearAndMonthDayYear) {
  TQnStringGrid g(nullptr);
  Fill(g, {"3/4/01", "5/3/01", "31/12/99", "1-2-26", "1.1.2001", "2/1/2001"});
  SortBy(g, 1, sortDateDMY);
  // 1926-02-01, 1999-12-31, 2001-01-01, 2001-01-02, 2001-03-05, 2001-04-03.
  EXPECT_EQ(Col(g, 1),
            (std::vector<std::string>{"1-2-26", "31/12/99", "1.1.2001", "2/1/2001", "5/3/01", "3/4/01"}));
  TQnStringGrid m(nullptr);
  Fill(m, {"3/4/01", "4/2/01", "12/31/2000"});
  SortBy(m, 1, sortDateMDY);
  // 31 December 2000, 4 March 2001, 2 April 2001.
  EXPECT_EQ(Col(m, 1), (std::vector<std::string>{"12/31/2000", "3/4/01", "4/2/01"}));
  // Four-digit years are taken as written, not shifted by a century.
  TQnStringGrid y(nullptr);
  Fill(y, {"1/1/2030", "1/1/1990"});
  SortBy(y, 1, sortDateDMY);
  EXPECT_EQ(Col(y, 1), (std::vector<std::string>{"1/1/1990", "1/1/2030"}));
}

TEST(GridSortStyles, AutoFormatPicksNumbersDatesOrText) {
  TQnStringGrid g(nullptr);
  Fill(g, {"10", "9", "100"});
  g.SetSortColumn(1);
  g.SortByColumn();  // sortAuto: numbers
  EXPECT_EQ(Col(g, 1), (std::vector<std::string>{"9", "10", "100"}));
  TQnStringGrid t(nullptr);
  Fill(t, {"2001/12/5", "10", "2001/1/5"});
  EXPECT_EQ(t.CompareCells(1, 1, 3), 1);  // "/" at position 5: text, "2001/12" > "2001/1"
  TQnStringGrid plain(nullptr);
  plain.SortAutoFormat = false;
  Fill(plain, {"10", "9"});
  plain.SetSortColumn(1);
  plain.SortByColumn();
  EXPECT_EQ(Col(plain, 1), (std::vector<std::string>{"10", "9"}));
}

TEST(GridSortStyles, TextStylesAndCustomComparison) {
  TQnStringGrid g(nullptr);
  Fill(g, {"abc", "ABC", "b"});
  g.OnGetFormat = [](TObject*, int, TSortStyle& s, std::string&, std::string&) { s = sortTextNoCase; };
  EXPECT_EQ(g.CompareCells(1, 1, 2), 0);
  EXPECT_EQ(g.CompareCells(1, 2, 1), 0);
  g.OnGetFormat = [](TObject*, int, TSortStyle& s, std::string&, std::string&) { s = sortText; };
  EXPECT_EQ(g.CompareCells(1, 1, 2), 1);
  g.OnGetFormat = [](TObject*, int, TSortStyle& s, std::string&, std::string&) { s = sortCustom; };
  EXPECT_EQ(g.CompareCells(1, 1, 3), 0);  // no handler: equal
  g.OnCustomCompare = [](TObject*, const std::string& a, const std::string& b, int& res) {
    res = a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
  };
  EXPECT_EQ(g.CompareCells(1, 3, 1), -1);
  g.OnGetFormat = [](TObject*, int, TSortStyle& s, std::string&, std::string&) { s = sortMarkupText; };
  g.SetCells(1, 1, "<B>b</B>");
  g.SetCells(1, 2, "a");
  EXPECT_EQ(g.CompareCells(1, 1, 2), 1);
}

TEST(GridSortFrame, FullSortBreaksTiesFooterAndColumnZeroStay) {
  TQnStringGrid g(nullptr);
  g.SetColCount(3);
  g.SetRowCount(5);
  const char* rows[][3] = {{"n0", "b", "2"}, {"n1", "a", "9"}, {"n2", "b", "1"}, {"total", "0", "0"}};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c) g.SetCells(c, r + 1, rows[r][c]);
  g.SetFixedFooters(1);
  g.SortNormalCellsOnly = true;
  g.OnGetFormat = [](TObject*, int, TSortStyle& s, std::string&, std::string&) { s = sortText; };
  g.SetSortColumn(1);
  g.SortByColumn();
  EXPECT_EQ(Col(g, 1), (std::vector<std::string>{"a", "b", "b", "0"}));
  EXPECT_EQ(Col(g, 2), (std::vector<std::string>{"9", "1", "2", "0"}));  // ties by column 2
  EXPECT_EQ(Col(g, 0), (std::vector<std::string>{"n0", "n1", "n2", "total"}));
  EXPECT_EQ(g.RowCount(), 5);  // the spare rows are gone
  EXPECT_EQ(g.Cells(0, 5), "");
}

TEST(GridSortFrame, CurrentRowFollowsItsData) {
  TQnStringGrid g(nullptr);
  Fill(g, {"d", "c", "b", "a"});
  g.SetRow(1);  // "d"
  g.SetSortColumn(1);
  g.SortByColumn();
  EXPECT_EQ(g.Row(), 4);
  EXPECT_EQ(g.Cells(1, g.Row()), "d");
}

TEST(GridSortFrame, HiddenColumnsMoveWithTheirRows) {
  TQnStringGrid g(nullptr);
  Fill(g, {"b", "a"}, 3);
  g.SetCells(2, 1, "of b");
  g.SetCells(2, 2, "of a");
  g.HideColumn(2);
  g.SetSortColumn(1);
  g.SortByColumn();
  EXPECT_EQ(g.Cells(2, 1), "of a");
  EXPECT_EQ(g.ColCount(), 2);
  EXPECT_EQ(g.NumHiddenColumns(), 1);
}

TEST(GridSortFrame, RowHeightsMoveWithTheirRows) {
  TQnStringGrid g(nullptr);
  // A permutation of cycles of every length up to four, so each row is moved by exchanges.
  const std::vector<std::string> texts{"e", "a", "g", "c", "b", "f", "d", "h"};
  Fill(g, texts);
  for (std::size_t i = 0; i < texts.size(); ++i)
    g.SetRowHeights(static_cast<int>(i) + 1, 30 + (texts[i][0] - 'a'));  // "a" 30, "b" 31, ...
  g.SetRowHeights(0, 25);
  SortBy(g, 1, sortText);
  ASSERT_EQ(Col(g, 1), (std::vector<std::string>{"a", "b", "c", "d", "e", "f", "g", "h"}));
  for (int r = 1; r < g.RowCount(); ++r) EXPECT_EQ(g.RowHeights(r), 29 + r) << "row " << r;
  EXPECT_EQ(g.RowHeights(0), 25);
  SortBy(g, 1, sortText, sdDescending);
  ASSERT_EQ(Col(g, 1), (std::vector<std::string>{"h", "g", "f", "e", "d", "c", "b", "a"}));
  for (int r = 1; r < g.RowCount(); ++r) EXPECT_EQ(g.RowHeights(r), 38 - r) << "row " << r;
}

TEST(GridSortIndexes, SortsByTheListAndRefusesAnEmptyOne) {
  TQnStringGrid g(nullptr);
  try {
    g.SortByIndexes();
    FAIL();
  } catch (const EQnGridError& e) {
    EXPECT_STREQ(e.what(), "No indexes specified for indexed sort");
  }
  g.SetColCount(3);
  g.SetRowCount(5);
  const char* rows[][2] = {{"x", "1"}, {"y", "2"}, {"x", "3"}, {"y", "1"}};
  for (int r = 0; r < 4; ++r) {
    g.SetCells(1, r + 1, rows[r][0]);
    g.SetCells(2, r + 1, rows[r][1]);
  }
  g.SortIndexes().AddIndex(1, true);
  g.SortIndexes().AddIndex(2, false);
  EXPECT_EQ(g.SortIndexes().FindIndex(2), 1);
  g.SortByIndexes();
  EXPECT_EQ(Col(g, 1), (std::vector<std::string>{"x", "x", "y", "y"}));
  EXPECT_EQ(Col(g, 2), (std::vector<std::string>{"3", "1", "2", "1"}));
  g.SortIndexes().ToggleIndex(1);
  g.SortByIndexes();
  EXPECT_EQ(Col(g, 1), (std::vector<std::string>{"y", "y", "x", "x"}));
  g.SortByColumn();  // clears the list
  EXPECT_EQ(g.SortIndexes().Count(), 0);
}

}  // namespace

#include "platform/rtl/format_settings.h"

namespace {

TEST(GridSortStyles, LocaleDateRawAndGraphicStyles) {
  TQnStringGrid g(nullptr);
  Fill(g, {"b", "B", "a"});
  g.OnGetFormat = [](TObject*, int, TSortStyle& s, std::string&, std::string&) { s = sortLocaleNoCase; };
  EXPECT_EQ(g.CompareCells(1, 1, 2), 0);
  EXPECT_EQ(g.CompareCells(1, 1, 3), 1);
  g.OnGetFormat = [](TObject*, int, TSortStyle& s, std::string&, std::string&) { s = sortLocaleCase; };
  EXPECT_EQ(g.CompareCells(1, 1, 2), -1);  // lower before upper
  g.OnGetFormat = [](TObject*, int, TSortStyle& s, std::string&, std::string&) { s = sortGraphicIndex; };
  EXPECT_EQ(g.CompareCells(1, 1, 3), 0);
  g.OnGetFormat = [](TObject*, int, TSortStyle& s, std::string&, std::string&) { s = sortRaw; };
  EXPECT_EQ(g.CompareCells(1, 1, 3), 0);
  g.OnRawCompare = [&g](TObject*, int col, int r1, int r2, int& res) {
    EXPECT_EQ(col, 1);
    const std::string &a = g.Cells(0, r1), &b = g.Cells(0, r2);  // column 0, descending
    res = a < b ? 1 : a > b ? -1 : 0;
  };
  g.SetSortColumn(1);
  g.SortByColumn();
  EXPECT_EQ(Col(g, 0), (std::vector<std::string>{"2", "1", "0"}));

  TFormatSettingsScope scope;
  FormatSettings.ShortDateFormat = "m/d/yyyy";
  TQnStringGrid d(nullptr);
  Fill(d, {"12/5/2001", "1/6/2002", "not a date", "3/1/2001"});
  SortBy(d, 1, sortDateTime);
  // An unreadable date counts as day 0, so it comes first.
  EXPECT_EQ(Col(d, 1), (std::vector<std::string>{"not a date", "3/1/2001", "12/5/2001", "1/6/2002"}));
}

}  // namespace

namespace {

// The whole-grid sort decides most comparisons from each row's first bytes or number; the
// result must be what the cell comparison says, row after row, for texts that share long
// prefixes, differ only past byte 16, hold NUL bytes or case, and for numbers and dates.
TEST(GridSortFrame, WholeGridSortAgreesWithTheCellComparison) {
  const char* prefixes[] = {"", "a", "name ", "name 12345678", "Name 12345678", "name 12345678 and more "};
  std::vector<std::string> texts;
  unsigned seed = 1;
  for (int i = 0; i < 600; ++i) {
    seed = seed * 1103515245u + 12345u;
    std::string t = prefixes[(seed >> 8) % 6] + std::to_string((seed >> 12) % 97);
    if (i % 50 == 0) t += std::string(1, '\0') + "x";
    texts.push_back(t);
  }
  struct TCase {
    TSortStyle Style;
    TSortDirection Direction;
  } cases[] = {{sortText, sdAscending}, {sortTextNoCase, sdDescending}, {sortMarkupText, sdAscending}};
  for (const TCase& c : cases) {
    TQnStringGrid g(nullptr);
    Fill(g, texts, 3);
    for (int r = 1; r < g.RowCount(); ++r) g.SetCells(2, r, std::to_string(r % 7));
    SortBy(g, 1, c.Style, c.Direction);
    const int sign = c.Direction == sdAscending ? 1 : -1;
    for (int r = 1; r + 1 < g.RowCount(); ++r)
      ASSERT_NE(g.CompareRows(1, r, r + 1), sign) << "style " << c.Style << " row " << r;
  }

  TQnStringGrid numbers(nullptr);
  std::vector<std::string> values;
  for (int i = 0; i < 400; ++i) values.push_back(std::to_string((i * 7919) % 1000 - 500) + "." + std::to_string(i % 10));
  values.push_back("-0");
  values.push_back("0");
  Fill(numbers, values, 3);
  // -0 and 0 are one number: the next column decides between them.
  numbers.SetCells(2, numbers.RowCount() - 2, "b");
  numbers.SetCells(2, numbers.RowCount() - 1, "a");
  numbers.SortFull = true;
  numbers.OnGetFormat = [](TObject*, int col, TSortStyle& s, std::string&, std::string&) {
    s = col == 1 ? sortNumber : sortText;
  };
  numbers.SetSortColumn(1);
  numbers.SortByColumn();
  for (int r = 1; r + 1 < numbers.RowCount(); ++r) ASSERT_NE(numbers.CompareRows(1, r, r + 1), 1) << r;
  int zero = 1;
  while (numbers.Cells(1, zero) != "0" && numbers.Cells(1, zero) != "-0") ++zero;
  EXPECT_EQ(numbers.Cells(1, zero), "0");
  EXPECT_EQ(numbers.Cells(1, zero + 1), "-0");

  TQnStringGrid dates(nullptr);
  Fill(dates, {"03/02/2001", "01/12/1999", "31/01/2001", "not a date", "02/03/2001", "01/12/1999"});
  SortBy(dates, 1, sortDateDMY);
  EXPECT_EQ(Col(dates, 1), (std::vector<std::string>{"not a date", "01/12/1999", "01/12/1999", "31/01/2001",
                                                      "03/02/2001", "02/03/2001"}));
}

}  // namespace
