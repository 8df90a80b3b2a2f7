// Sorting of TQnStringGrid: cell comparison by sort style, row comparison with ties broken by
// further columns or by the sort index list, and the bounded quicksort that moves whole rows.
#include <cctype>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

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
// removed when grouped (a cell whose separators stand out of their groups of three reads as
// none), the decimal separator made ".".  An empty cell reads as 0.
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
  if (grouped && !RemoveThousandSeparators(s)) return false;
  if (d != '.')
    if (auto p = s.find(d); p != std::string::npos) s[p] = '.';
  return ReadPlainNumber(s, value);
}

}  // namespace

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

namespace {

double ReadLocaleDate(const std::string& text) {
  TDateTime value = 0;
  return TryStrToDateTime(text, value) ? value : 0;
}

}  // namespace

// ---- sort keys ----

namespace {

// What a comparison needs of one cell, read once: its text, the style it sorts by (an automatic
// style resolved by this cell's own text), and what that style reads of the text.  Numbers and
// dates are read when first asked for.
struct TSortKey {
  const std::string* Text = nullptr;
  TSortStyle Asked = sortText;  // the column's style
  TSortStyle Style = sortText;  // the style a comparison with this cell on the left uses
  std::string Folded;           // upper-cased or markup-free text
  std::uint64_t Head = 0;       // the first 8 bytes of the compared text, big-endian
  mutable signed char NumberState = -1;  // -1 not read, 0 unreadable, 1 read
  mutable bool DateRead = false;
  mutable double Number = 0;
  mutable double Date = 0;
};

struct TColumnFormat {
  TSortStyle Style = sortText;
  std::string Prefix, Suffix;
};

std::uint64_t HeadOf(const std::string& text) {
  std::uint64_t head = 0;
  const std::size_t n = text.size() < 8 ? text.size() : 8;
  for (std::size_t i = 0; i < 8; ++i)
    head = (head << 8) | (i < n ? static_cast<unsigned char>(text[i]) : 0u);
  return head;
}

}  // namespace

TSortStyle AutoSortStyle(const std::string& t) {
  if (IsNumericText(t) < 2) return sortNumber;
  const auto p = t.find('/');
  const int pos = p == std::string::npos ? 0 : static_cast<int>(p) + 1;
  if (pos > 1 && pos < static_cast<int>(t.size()) && pos < 4 &&
      std::isdigit(static_cast<unsigned char>(t[p - 1])) && std::isdigit(static_cast<unsigned char>(t[p + 1])))
    return sortDateTime;
  return sortText;
}

namespace {

TSortKey MakeKey(const std::string& text, const TColumnFormat& format) {
  TSortKey key;
  key.Text = &text;
  key.Asked = format.Style;
  key.Style = format.Style == sortAuto ? AutoSortStyle(text) : format.Style;
  if (key.Style == sortTextNoCase) key.Folded = UpperCaseText(text);
  if (key.Style == sortMarkupText) key.Folded = StripMarkup(text);
  key.Head = HeadOf(key.Folded.empty() ? text : key.Folded);
  return key;
}

// The number a comparison in `style` reads (the automatic style reads plain numbers).
bool KeyNumber(const TSortKey& key, TSortStyle style, const TColumnFormat& format, double& value) {
  if (key.NumberState < 0) {
    const bool grouped = style == sortNumberGrouped && key.Asked == sortNumberGrouped;
    key.NumberState = ReadSortNumber(*key.Text, format.Prefix, format.Suffix, grouped, key.Number) ? 1 : 0;
  }
  value = key.Number;
  return key.NumberState == 1;
}

double KeyDate(const TSortKey& key, TSortStyle style) {
  if (!key.DateRead) {
    key.Date = style == sortDateDMY   ? ReadGridDate(*key.Text, true)
               : style == sortDateMDY ? ReadGridDate(*key.Text, false)
                                      : ReadLocaleDate(*key.Text);
    key.DateRead = true;
  }
  return key.Date;
}

int CompareHeads(const TSortKey& a, const TSortKey& b, const std::string& ta, const std::string& tb) {
  if (a.Head != b.Head) return a.Head < b.Head ? -1 : 1;
  if (ta.size() <= 8 || tb.size() <= 8) return Sign(static_cast<double>(ta.size()), static_cast<double>(tb.size()));
  return CompareBytes(ta, tb);
}

}  // namespace

// Compares two cells of one column by the left cell's style; the events get the real rows.
// Each column's format is asked for once per sort.
class TGridRowComparer {
public:
  explicit TGridRowComparer(TQnStringGrid& grid) : FGrid(grid) {}

  int CompareCells(int ACol, int ARow1, int ARow2) {
    const TColumnFormat& format = Format(ACol);
    const TSortKey a = MakeKey(FGrid.Cells(ACol, ARow1), format), b = MakeKey(FGrid.Cells(ACol, ARow2), format);
    return Compare(FGrid, format, a, b, ACol, ARow1, ARow2);
  }

  const TColumnFormat& Format(int ACol) {
    if (ACol == FLastCol) return *FLast;
    auto it = FFormats.find(ACol);
    if (it == FFormats.end()) it = FFormats.emplace(ACol, FormatOf(FGrid, ACol)).first;
    FLastCol = ACol;
    FLast = &it->second;
    return *FLast;
  }

  static int Compare(TQnStringGrid& grid, const TColumnFormat& format, const TSortKey& a, const TSortKey& b,
                     int ACol, int ARow1, int ARow2) {
    const std::string& t1 = *a.Text;
    const std::string& t2 = *b.Text;
    switch (a.Style) {
      case sortAuto:
        return 0;  // resolved when the key is made
      case sortText:
      case sortTextCase:
        return CompareHeads(a, b, t1, t2);
      case sortTextNoCase:
      case sortMarkupText:
        return CompareHeads(a, b, a.Folded, b.Folded);
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
        double x = 0, y = 0;
        if (!KeyNumber(a, a.Style, format, x) || !KeyNumber(b, a.Style, format, y)) return 0;
        return Sign(x, y);
      }
      case sortDateTime:
      case sortDateDMY:
      case sortDateMDY:
        return Sign(KeyDate(a, a.Style), KeyDate(b, a.Style));
      case sortCustom: {
        int res = 0;
        if (grid.OnCustomCompare) grid.OnCustomCompare(&grid, t1, t2, res);
        return res;
      }
      case sortRaw: {
        int res = 0;
        if (grid.OnRawCompare) grid.OnRawCompare(&grid, ACol, ARow1, ARow2, res);
        return res;
      }
      case sortGraphicIndex:
        return 0;  // no cell carries a graphic
    }
    return 0;
  }

  static TColumnFormat FormatOf(TQnStringGrid& grid, int ACol) {
    TColumnFormat format;
    format.Style = grid.SortAutoFormat ? sortAuto : sortText;
    grid.GetCellFormat(ACol, format.Style, format.Prefix, format.Suffix);
    return format;
  }

private:
  TQnStringGrid& FGrid;
  std::map<int, TColumnFormat> FFormats;
  int FLastCol = -1;
  const TColumnFormat* FLast = nullptr;
};

namespace {

// Ties fall to the columns on the right (the loop form of the recursion).
template <class CellCompare>
int CompareRowsBy(TQnStringGrid& grid, CellCompare&& cells, int ACol, int ARow1, int ARow2) {
  for (int c = ACol;; ++c) {
    const int r = cells(c, ARow1, ARow2);
    if (r != 0 || !grid.SortFull || c > grid.ColCount() - 2) return r;
  }
}

template <class CellCompare>
int CompareRowsIndexedBy(TQnStringGrid& grid, CellCompare&& cells, int Position, int ARow1, int ARow2) {
  for (int k = Position; k < grid.SortIndexes().Count(); ++k) {
    const std::int32_t entry = grid.SortIndexes().Items(k);
    const int r = cells(TSortIndexList::Column(entry), ARow1, ARow2);
    if (r == 0 && grid.SortFull) continue;
    return TSortIndexList::Descending(entry) ? -r : r;
  }
  return 0;
}

// The bounded quicksort over sort entries: the recursion goes into one part and loops over the
// other, so the depth stays bounded by the number of nested partitions of the smaller sides.
// Compare(a, b) == Sign means a sorts after b; with SkipEqual, equal rows are not swapped.
template <class Entry, class RowCompare>
void QuickSortOrder(std::vector<Entry>& order, int lo, int hi, RowCompare& compare, int sign, bool skipEqual) {
  while (lo < hi) {
    const Entry pivot = order[static_cast<std::size_t>((lo + hi) / 2)];
    int i = lo, j = hi;
    do {
      while (compare(pivot, order[static_cast<std::size_t>(i)]) == sign && i < hi) ++i;
      while (compare(order[static_cast<std::size_t>(j)], pivot) == sign && j > lo) --j;
      if (i <= j) {
        Entry& a = order[static_cast<std::size_t>(i)];
        Entry& b = order[static_cast<std::size_t>(j)];
        if (i != j && (!skipEqual || compare(a, b) != 0)) std::swap(a, b);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - lo < hi - i) {
      if (j > lo) QuickSortOrder(order, lo, j, compare, sign, skipEqual);
      lo = i;
    } else {
      if (i < hi) QuickSortOrder(order, i, hi, compare, sign, skipEqual);
      hi = j;
    }
  }
}

// A row in the sort: its number and, for the first sort column, a head that decides most
// comparisons without touching the cell (the first 8 bytes of a text, or a number in an order
// that compares as unsigned).  The entries move as the sort goes, so they stay close in memory.
struct TSortEntry {
  std::uint64_t Head = 0;
  std::uint64_t Head2 = 0;  // a text column: bytes 8 to 15 of the text
  const std::string* Text = nullptr;  // a text column: the compared text (cell or folded)
  int Row = 0;
  bool Readable = true;  // a number column: the cell reads as a number
};

enum TFastKind { fkNone, fkText, fkNumber, fkDate };

TFastKind FastKindOf(TSortStyle style) {
  switch (style) {
    case sortText:
    case sortTextCase:
    case sortTextNoCase:
    case sortMarkupText:
      return fkText;
    case sortNumber:
    case sortNumberGrouped:
      return fkNumber;
    case sortDateTime:
    case sortDateDMY:
    case sortDateMDY:
      return fkDate;
    default:
      return fkNone;
  }
}

std::uint64_t NumberHead(double value) {
  if (value == 0) value = 0;  // -0 and 0 are one number
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
}

}  // namespace

int TQnStringGrid::CompareCells(int ACol, int ARow1, int ARow2) {
  const TColumnFormat format = TGridRowComparer::FormatOf(*this, ACol);
  const TSortKey a = MakeKey(Cells(ACol, ARow1), format), b = MakeKey(Cells(ACol, ARow2), format);
  return TGridRowComparer::Compare(*this, format, a, b, ACol, ARow1, ARow2);
}

int TQnStringGrid::CompareRows(int ACol, int ARow1, int ARow2) {
  return CompareRowsBy(*this, [this](int c, int r1, int r2) { return CompareCells(c, r1, r2); }, ACol, ARow1, ARow2);
}

int TQnStringGrid::CompareRowsIndexed(int Position, int ARow1, int ARow2) {
  return CompareRowsIndexedBy(*this, [this](int c, int r1, int r2) { return CompareCells(c, r1, r2); },
                              Position, ARow1, ARow2);
}

// ---- the quicksort ----

void TQnStringGrid::QuickSortRows(int Lo, int Hi, int SortSign) {
  if (Lo >= Hi) return;
  const bool indexed = SortSign == 0;
  const std::int32_t firstIndex = indexed ? FSortIndexes->Items(0) : 0;
  const int firstCol = indexed ? TSortIndexList::Column(firstIndex) : FSortColumn;
  TGridRowComparer keys(*this);
  const TColumnFormat& format = keys.Format(firstCol);
  const TFastKind fast = FastKindOf(format.Style);
  std::vector<TSortEntry> order(static_cast<std::size_t>(Hi - Lo + 1));
  // Folded texts of a case-blind or markup column; the cells stay where they are meanwhile.
  std::vector<std::string> folded(fast == fkText && (format.Style == sortTextNoCase || format.Style == sortMarkupText)
                                      ? order.size() : 0);
  for (std::size_t k = 0; k < order.size(); ++k) {
    TSortEntry& e = order[k];
    e.Row = Lo + static_cast<int>(k);
    if (fast == fkNone) continue;
    TSortKey key = MakeKey(Cells(firstCol, e.Row), format);
    double value = 0;
    if (fast == fkText) {
      e.Head = key.Head;
      if (folded.empty()) {
        e.Text = key.Text;
      } else {
        folded[k] = std::move(key.Folded);
        e.Text = &folded[k];
      }
      if (e.Text->size() > 8) e.Head2 = HeadOf(e.Text->substr(8, 8));
    }
    if (fast == fkNumber) e.Readable = KeyNumber(key, key.Style, format, value);
    if (fast == fkDate) value = KeyDate(key, key.Style);
    if (fast != fkText) e.Head = NumberHead(value);
  }
  auto cells = [&keys](int c, int r1, int r2) { return keys.CompareCells(c, r1, r2); };
  auto first = [&](const TSortEntry& a, const TSortEntry& b) {
    if (fast == fkNumber || fast == fkDate) {
      if (!a.Readable || !b.Readable) return 0;
      return a.Head == b.Head ? 0 : a.Head < b.Head ? -1 : 1;
    }
    if (fast == fkText) {
      if (a.Head != b.Head) return a.Head < b.Head ? -1 : 1;
      if (a.Head2 != b.Head2) return a.Head2 < b.Head2 ? -1 : 1;
      if (a.Text->size() <= 16 || b.Text->size() <= 16)
        return Sign(static_cast<double>(a.Text->size()), static_cast<double>(b.Text->size()));
      return CompareBytes(*a.Text, *b.Text);
    }
    return keys.CompareCells(firstCol, a.Row, b.Row);
  };
  const int last = static_cast<int>(order.size()) - 1;
  if (indexed) {
    auto rows = [&](const TSortEntry& a, const TSortEntry& b) {
      if (a.Row == b.Row) return 0;  // the pivot against itself
      const int r = first(a, b);
      if (r != 0 || !SortFull) return TSortIndexList::Descending(firstIndex) ? -r : r;
      return CompareRowsIndexedBy(*this, cells, 1, a.Row, b.Row);
    };
    QuickSortOrder(order, 0, last, rows, 1, false);
  } else {
    auto rows = [&](const TSortEntry& a, const TSortEntry& b) {
      if (a.Row == b.Row) return 0;  // the pivot against itself
      const int r = first(a, b);
      if (r != 0 || !SortFull || firstCol > ColCount() - 2) return r;
      return CompareRowsBy(*this, cells, firstCol + 1, a.Row, b.Row);
    };
    QuickSortOrder(order, 0, last, rows, SortSign, true);
  }
  std::vector<int> rows(order.size());
  for (std::size_t k = 0; k < order.size(); ++k) rows[k] = order[k].Row;
  PermuteRows(Lo, rows);
}

void TQnStringGrid::PermuteRows(int Lo, const std::vector<int>& Order) {
  const std::size_t n = Order.size();
  // at[k]: the original row now at position Lo + k; where[r - Lo]: where original row r is.
  std::vector<int> at(n), where(n);
  for (std::size_t k = 0; k < n; ++k) at[k] = where[k] = static_cast<int>(k);
  for (std::size_t k = 0; k < n; ++k) {
    const int wanted = Order[k] - Lo;
    const int from = where[static_cast<std::size_t>(wanted)];
    if (from == static_cast<int>(k)) continue;
    ExchangeRows(Lo + static_cast<int>(k), Lo + from);
    const int displaced = at[k];
    at[k] = wanted;
    at[static_cast<std::size_t>(from)] = displaced;
    where[static_cast<std::size_t>(wanted)] = static_cast<int>(k);
    where[static_cast<std::size_t>(displaced)] = from;
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
  QuickSortRows(TStringGrid::FixedRows(), frame.OldRowCount() - 1 - FFixedFooters, 0);
  if (FSortRememberedRow >= 0 && FSortRememberedRow < RowCount())
    MoveCurrentRaw(Col(), FSortRememberedRow, true);
}
