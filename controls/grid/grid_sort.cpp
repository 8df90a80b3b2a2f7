// Sorting of TQnStringGrid: cell comparison by sort style, row comparison with ties broken by
// further columns or by the sort index list, and the bounded quicksort that moves whole rows.
#include <cctype>
#include <cstring>

#include "controls/grid/grid_utils.h"
#include "controls/grid/markup.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/sysutils.h"

// ---- TIntList and TSortIndexList ----

int TIntList::Add(std::int32_t Value) {
  FItems.push_back(Value);
  Changed();
  return Count() - 1;
}

void TIntList::SetItems(int Index, std::int32_t Value) {
  FItems.at(static_cast<std::size_t>(Index)) = Value;
  Changed();
}

void TIntList::Changed() {
  if (OnChange) OnChange(this, FParam1, FParam2);
}

void TSortIndexList::AddIndex(int ACol, bool Ascending) {
  std::uint32_t entry = static_cast<std::uint32_t>(ACol) & 0x7FFFFFFFu;
  if (!Ascending) entry |= kDescending;
  Add(static_cast<std::int32_t>(entry));
}

int TSortIndexList::FindIndex(int ACol) const {
  for (int i = 0; i < Count(); ++i)
    if (Column(Items(i)) == ACol) return i;
  return -1;
}

void TSortIndexList::ToggleIndex(int ACol) {
  const int i = FindIndex(ACol);
  if (i >= 0) SetItems(i, static_cast<std::int32_t>(static_cast<std::uint32_t>(Items(i)) ^ kDescending));
}

// ---- comparisons ----

namespace {

int Sign(double a, double b) { return (a > b) - (a < b); }

int CompareBytes(const std::string& a, const std::string& b) {
  const int r = a.compare(b);
  return (r > 0) - (r < 0);
}

// Reads a number cell: suffix and prefix removed (first occurrence), thousands separators
// removed when grouped, the decimal separator made ".".  An empty cell reads as 0.
bool ReadSortNumber(const std::string& cell, const std::string& prefix, const std::string& suffix,
                    bool grouped, double& value) {
  if (cell.empty()) {
    value = 0;
    return true;
  }
  const char d = FormatSettings.DecimalSeparator;
  if (prefix.empty() && suffix.empty() && !grouped && d == '.') return ReadPlainNumber(cell, value);
  std::string s = cell;
  if (!suffix.empty())
    if (auto p = s.find(suffix); p != std::string::npos) s.erase(p, suffix.size());
  if (!prefix.empty())
    if (auto p = s.find(prefix); p != std::string::npos) s.erase(p, prefix.size());
  if (grouped) {
    const char t = FormatSettings.ThousandSeparator;
    std::string out;
    for (char c : s)
      if (c != t) out += c;
    s.swap(out);
  }
  if (d != '.')
    if (auto p = s.find(d); p != std::string::npos) s[p] = '.';
  return ReadPlainNumber(s, value);
}

// The grid's own day-month-year reader; 0 when the text does not read.
double ReadGridDate(const std::string& text, bool dayFirst) {
  auto next = [](std::string& rest, std::string& piece) {
    std::size_t p = rest.find('-');
    if (p == std::string::npos) p = rest.find('/');
    if (p == std::string::npos) p = rest.find('.');
    if (p == std::string::npos) return false;
    piece = rest.substr(0, p);
    rest.erase(0, p + 1);
    return true;
  };
  std::string rest = text, first, second;
  if (!next(rest, first) || !next(rest, second)) return 0;
  auto num = [](const std::string& s) {
    int v = 0;
    return TryStrToInt(Trim(s), v) ? v : 0;
  };
  const int a = num(first), b = num(second);
  int year = num(rest);
  // The century rule applies to two-digit years only.
  if (year >= 0 && year < 100) year += year <= 25 ? 2000 : 1900;
  const int day = dayFirst ? a : b, month = dayFirst ? b : a;
  TDateTime date = 0;
  if (!TryEncodeDate(year, month, day, date)) return 0;
  return date;
}

double ReadLocaleDate(const std::string& text) {
  TDateTime value = 0;
  return TryStrToDateTime(text, value) ? value : 0;
}

}  // namespace

int TQnStringGrid::CompareTexts(int ACol, int ARow1, int ARow2, TSortStyle Style,
                                const std::string& Prefix, const std::string& Suffix) {
  const std::string& t1 = Cells(ACol, ARow1);
  const std::string& t2 = Cells(ACol, ARow2);
  switch (Style) {
    case sortAuto: {
      TSortStyle found = sortText;
      if (IsNumericText(t1) < 2) {
        found = sortNumber;
      } else {
        const auto p = t1.find('/');
        const int pos = p == std::string::npos ? 0 : static_cast<int>(p) + 1;
        if (pos > 1 && pos < static_cast<int>(t1.size()) && pos < 4 &&
            std::isdigit(static_cast<unsigned char>(t1[p - 1])) &&
            std::isdigit(static_cast<unsigned char>(t1[p + 1])))
          found = sortDateTime;
      }
      return CompareTexts(ACol, ARow1, ARow2, found, Prefix, Suffix);
    }
    case sortText:
    case sortTextCase:
      return CompareBytes(t1, t2);
    case sortTextNoCase:
      return CompareBytes(UpperCaseText(t1), UpperCaseText(t2));
    case sortMarkupText:
      return CompareBytes(StripMarkup(t1), StripMarkup(t2));
    case sortLocaleCase: {
      const int r = AnsiCompareStr(t1, t2);
      return (r > 0) - (r < 0);
    }
    case sortLocaleNoCase: {
      const int r = AnsiCompareText(t1, t2);
      return (r > 0) - (r < 0);
    }
    case sortNumber:
    case sortNumberGrouped: {
      double a = 0, b = 0;
      const bool grouped = Style == sortNumberGrouped;
      if (!ReadSortNumber(t1, Prefix, Suffix, grouped, a) || !ReadSortNumber(t2, Prefix, Suffix, grouped, b))
        return 0;
      return Sign(a, b);
    }
    case sortDateTime:
      return Sign(ReadLocaleDate(t1), ReadLocaleDate(t2));
    case sortDateDMY:
      return Sign(ReadGridDate(t1, true), ReadGridDate(t2, true));
    case sortDateMDY:
      return Sign(ReadGridDate(t1, false), ReadGridDate(t2, false));
    case sortCustom: {
      int res = 0;
      if (OnCustomCompare) OnCustomCompare(this, t1, t2, res);
      return res;
    }
    case sortRaw: {
      int res = 0;
      if (OnRawCompare) OnRawCompare(this, ACol, ARow1, ARow2, res);
      return res;
    }
    case sortGraphicIndex:
      return 0;  // no cell carries a graphic
  }
  return 0;
}

int TQnStringGrid::CompareCells(int ACol, int ARow1, int ARow2) {
  TSortStyle style = SortAutoFormat ? sortAuto : sortText;
  std::string prefix, suffix;
  GetCellFormat(ACol, style, prefix, suffix);
  return CompareTexts(ACol, ARow1, ARow2, style, prefix, suffix);
}

int TQnStringGrid::CompareRows(int ACol, int ARow1, int ARow2) {
  // Ties fall to the columns on the right (the loop form of the recursion).
  for (int c = ACol;; ++c) {
    const int r = CompareCells(c, ARow1, ARow2);
    if (r != 0 || !SortFull || c > ColCount() - 2) return r;
  }
}

int TQnStringGrid::CompareRowsIndexed(int Position, int ARow1, int ARow2) {
  for (int k = Position; k < FSortIndexes->Count(); ++k) {
    const std::int32_t entry = FSortIndexes->Items(k);
    const int r = CompareCells(TSortIndexList::Column(entry), ARow1, ARow2);
    if (r == 0 && SortFull) continue;
    return TSortIndexList::Descending(entry) ? -r : r;
  }
  return 0;
}

// ---- the quicksorts ----

void TQnStringGrid::CopyRowToSpare(int ARow, int Spare) {
  for (int c = 0; c < StoreColCount(); ++c) {
    SetCells(c, Spare, Cells(c, ARow));
    SetObjects(c, Spare, Objects(c, ARow));
  }
}

void TQnStringGrid::QuickSortRows(int Lo, int Hi, int SortSign) {
  // The recursion goes into one part and loops over the other, so the depth stays bounded by
  // the number of nested partitions of the smaller sides.
  while (Lo < Hi) {
    const int pivot = RowCount() - 2;
    CopyRowToSpare((Lo + Hi) / 2, pivot);
    int i = Lo, j = Hi;
    do {
      while (CompareRows(FSortColumn, pivot, i) == SortSign && i < Hi) ++i;
      while (CompareRows(FSortColumn, j, pivot) == SortSign && j > Lo) --j;
      if (i <= j) {
        if (i != j && CompareRows(FSortColumn, i, j) != 0) ExchangeRows(i, j);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - Lo < Hi - i) {
      if (j > Lo) QuickSortRows(Lo, j, SortSign);
      Lo = i;
    } else {
      if (i < Hi) QuickSortRows(i, Hi, SortSign);
      Hi = j;
    }
  }
}

void TQnStringGrid::QuickSortRowsIndexed(int Lo, int Hi) {
  while (Lo < Hi) {
    const int pivot = RowCount() - 2;
    CopyRowToSpare((Lo + Hi) / 2, pivot);
    int i = Lo, j = Hi;
    do {
      while (CompareRowsIndexed(0, pivot, i) == 1 && i < Hi) ++i;
      while (CompareRowsIndexed(0, j, pivot) == 1 && j > Lo) --j;
      if (i <= j) {
        if (i != j) ExchangeRows(i, j);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - Lo < Hi - i) {
      if (j > Lo) QuickSortRowsIndexed(Lo, j);
      Lo = i;
    } else {
      if (i < Hi) QuickSortRowsIndexed(i, Hi);
      Hi = j;
    }
  }
}

namespace {

// The sort frame: spare rows, widened columns and the update count, undone on every exit.
class TSortFrame {
public:
  TSortFrame(TQnStringGrid& grid, std::function<void()> widen, std::function<void()> narrow)
      : FGrid(grid), FNarrow(std::move(narrow)) {
    FGrid.BeginUpdate();
    FOldRowCount = FGrid.RowCount();
    FGrid.SetRowCount(FOldRowCount + 3);
    widen();
  }
  ~TSortFrame() {
    // The pivot copy rows are emptied before they go.
    for (int r = FOldRowCount + 1; r < FOldRowCount + 3; ++r)
      for (int c = 0; c < FGrid.StoreColCount(); ++c) {
        FGrid.SetCells(c, r, std::string());
        FGrid.SetObjects(c, r, nullptr);
      }
    FNarrow();
    FGrid.SetRowCount(FOldRowCount);
    FGrid.EndUpdate();
  }
  int OldRowCount() const { return FOldRowCount; }

private:
  TQnStringGrid& FGrid;
  std::function<void()> FNarrow;
  int FOldRowCount = 0;
};

}  // namespace

void TQnStringGrid::SortByColumn() {
  FSortIndexes->Clear();
  std::vector<std::pair<std::string, TObject*>> column0;
  const bool keepColumn0 = SortNormalCellsOnly && TStringGrid::FixedCols() > 0;
  if (keepColumn0)
    for (int r = 0; r < RowCount(); ++r) column0.emplace_back(Cells(0, r), Objects(0, r));
  FSortSign = SortDirection == sdAscending ? 1 : -1;
  {
    const int fixedRows = TStringGrid::FixedRows();
    TSortFrame frame(*this, [this] { Widen(); }, [this] { Narrow(); });
    FSortRememberedRow = Row();
    if (FNavigation->MoveRowOnSort) MoveCurrentRaw(Col(), frame.OldRowCount(), true);
    QuickSortRows(fixedRows, frame.OldRowCount() - 1 - FFixedFooters, FSortSign);
    const bool editing = EditorMode();
    SetEditorMode(false);
    if (FSortRememberedRow >= 0 && FSortRememberedRow < RowCount())
      MoveCurrentRaw(Col(), FSortRememberedRow, true);
    if (editing) SetEditorMode(true);
  }
  if (keepColumn0)
    for (int r = 0; r < RowCount() && r < static_cast<int>(column0.size()); ++r) {
      SetCells(0, r, column0[static_cast<std::size_t>(r)].first);
      SetObjects(0, r, column0[static_cast<std::size_t>(r)].second);
    }
}

void TQnStringGrid::SortByIndexes() {
  if (FSortIndexes->Count() == 0) throw EQnGridError("No indexes specified for indexed sort");
  TSortFrame frame(*this, [this] { Widen(); }, [this] { Narrow(); });
  FSortRememberedRow = Row();
  if (FNavigation->MoveRowOnSort) MoveCurrentRaw(Col(), frame.OldRowCount(), true);
  QuickSortRowsIndexed(TStringGrid::FixedRows(), frame.OldRowCount() - 1 - FFixedFooters);
  if (FSortRememberedRow >= 0 && FSortRememberedRow < RowCount())
    MoveCurrentRaw(Col(), FSortRememberedRow, true);
}
