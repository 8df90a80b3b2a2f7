// Hidden columns, hidden rows, the row filter and the row selection flags of TQnStringGrid.
#include <algorithm>

#include "controls/grid/grid_utils.h"
#include "controls/grid/qn_grid.h"

namespace {
constexpr int kMappedColumns = 256;
}

// ---- widening: the hidden columns join the count while rows move ----

void TQnStringGrid::Widen() {
  FWidenedLastWidth = ColWidths(ColCount() - 1);
  FWidened = true;
  TStringGrid::SetColCount(ColCount() + FNumHidden);
}

void TQnStringGrid::Narrow() {
  FWidened = false;  // the store keeps the hidden columns beyond the narrowed count
  TStringGrid::SetColCount(ColCount() - FNumHidden);
  SetColWidths(ColCount() - 1, FWidenedLastWidth);
}

// ---- columns ----

int TQnStringGrid::RealColIndex(int ACol) const {
  if (ACol >= kMappedColumns) return ACol;
  int visible = 0;
  for (int c = 0; c < kMappedColumns; ++c) {
    if (!FColumnVisible[static_cast<std::size_t>(c)]) continue;
    if (visible == ACol) return c;
    ++visible;
  }
  return 0;
}

int TQnStringGrid::DisplColIndex(int ACol) const {
  int hidden = 0;
  for (int c = 0; c < ACol && c < kMappedColumns + 1; ++c)
    if (!FColumnVisible[static_cast<std::size_t>(c)]) ++hidden;
  return ACol - hidden;
}

bool TQnStringGrid::IsHiddenColumn(int ACol) const {
  return ACol >= 0 && ACol <= kMappedColumns && !FColumnVisible[static_cast<std::size_t>(ACol)];
}

void TQnStringGrid::HideColumns(int AFirst, int ALast) {
  for (int c = std::max(0, AFirst); c <= ALast && c <= kMappedColumns; ++c) {
    if (!FColumnVisible[static_cast<std::size_t>(c)] || c >= ColCount() + FNumHidden || ColCount() < 2)
      continue;
    const int d = DisplColIndex(c);
    FSavedWidths[static_cast<std::size_t>(c)] = ColWidths(d);
    for (int i = d; i <= ColCount() - 2; ++i) SetColWidths(i, ColWidths(i + 1));
    ++FNumHidden;
    FColumnVisible[static_cast<std::size_t>(c)] = false;
    // The store keeps the column: ColCount shrinks while the hidden count grows.
    TStringGrid::SetColCount(ColCount() - 1);
  }
  Invalidate();
}

// ---- rows ----

int TQnStringGrid::RealRowIndex(int ARow) const {
  if (ARow < 0) return -1;
  std::vector<int> hidden;
  hidden.reserve(static_cast<std::size_t>(FHiddenRows->Count()));
  for (int i = 0; i < FHiddenRows->Count(); ++i) hidden.push_back(FHiddenRows->Item(i)->Idx);
  std::sort(hidden.begin(), hidden.end());
  int r = ARow;
  for (int h : hidden) {
    if (h <= r) ++r;
    else break;
  }
  return r;
}

int TQnStringGrid::DisplRowIndex(int ARow) const {
  int below = 0;
  for (int i = 0; i < FHiddenRows->Count(); ++i)
    if (FHiddenRows->Item(i)->Idx < ARow) ++below;
  return ARow - below;
}

bool TQnStringGrid::IsHiddenRow(int ARow) const {
  for (int i = 0; i < FHiddenRows->Count(); ++i)
    if (FHiddenRows->Item(i)->Idx == ARow) return true;
  return false;
}

std::vector<std::string> TQnStringGrid::RowTexts(int ARow) const {
  std::vector<std::string> texts;
  texts.reserve(static_cast<std::size_t>(StoreColCount()));
  for (int c = 0; c < StoreColCount(); ++c) texts.push_back(Cells(c, ARow));
  return texts;
}

void TQnStringGrid::HideRows(int AFirst, int ALast) {
  if (ALast < AFirst || IsHiddenRow(AFirst)) return;
  const int d = DisplRowIndex(AFirst);
  if (d < 0 || d + (ALast - AFirst) >= RowCount()) return;
  for (int i = AFirst; i <= ALast; ++i) {
    auto* item = static_cast<TGridItem*>(FHiddenRows->Add());
    item->Idx = i;
    for (const std::string& text : RowTexts(d + i - AFirst)) item->Items().Add(text);
  }
  RemoveRows(d, ALast - AFirst + 1);
}

void TQnStringGrid::UnHideRows(int AFirst, int ALast) {
  if (ALast < AFirst || !IsHiddenRow(AFirst)) return;
  const int d = DisplRowIndex(AFirst);
  int n = ALast - AFirst + 1;
  for (int r = AFirst; r <= ALast; ++r)
    if (!IsHiddenRow(r)) --n;
  if (n <= 0) return;
  InsertRows(d, n);
  for (int i = FHiddenRows->Count() - 1; i >= 0; --i) {
    TGridItem* item = FHiddenRows->Item(i);
    if (item->Idx < AFirst || item->Idx > ALast) continue;
    const int row = d + item->Idx - AFirst;
    for (int c = 0; c < item->Items().Count() && c < StoreColCount(); ++c)
      SetCells(c, row, item->Items().Strings(c));
    delete item;  // leaves the collection
  }
}

void TQnStringGrid::UnHideRowsAll() {
  // Bounded: each pass shows at least the first remaining item.
  for (int guard = FHiddenRows->Count(); FHiddenRows->Count() > 0 && guard >= 0; --guard) {
    const int first = FHiddenRows->Item(0)->Idx;
    int last = first;
    for (int i = 1; i < FHiddenRows->Count() && FHiddenRows->Item(i)->Idx == last + 1; ++i) ++last;
    const int before = FHiddenRows->Count();
    UnHideRows(first, last);
    if (FHiddenRows->Count() == before) break;  // cannot be shown here: it stays hidden, texts kept
  }
}

// ---- filter ----

bool TQnStringGrid::RowMatchesFilter(int ARow) const {
  for (int i = 0; i < FFilter->Count(); ++i) {
    const TFilterData* f = FFilter->Item(i);
    if (!MatchFilter(f->Condition, Cells(f->Column, ARow))) return false;
  }
  return true;
}

void TQnStringGrid::ApplyFilter() {
  int r = TStringGrid::FixedRows();
  int runStart = -1;  // display row of the current run of non-matching rows
  while (r < RowCount() - FFixedFooters) {
    if (!RowMatchesFilter(r)) {
      if (runStart < 0) runStart = r;
      ++r;
      continue;
    }
    if (runStart >= 0) {
      const int first = RealRowIndex(runStart);
      HideRows(first, first + (r - runStart) - 1);
      r = runStart;
      runStart = -1;
    }
    ++r;
  }
  if (runStart >= 0) {
    const int first = RealRowIndex(runStart);
    HideRows(first, first + (r - runStart) - 1);
  }
}

void TQnStringGrid::SetFilterActive(bool Value) {
  if (Value == FFilterActive) return;
  FFilterActive = Value;
  if (Value) {
    FSavedFixedRows = TStringGrid::FixedRows();
    ApplyFilter();
    if (RowCount() == FFixedFooters + FSavedFixedRows) {
      SetRowCount(RowCount() + 1);
      SetFixedRows(FSavedFixedRows);
    } else {
      FSavedFixedRows = 0;
    }
  } else {
    int fixed = TStringGrid::FixedRows();
    if (RowCount() == fixed + FFixedFooters + 1 && FSavedFixedRows > 0) {
      fixed = FSavedFixedRows;
      SetRowCount(RowCount() - 1);
    }
    UnHideRowsAll();
    if (fixed < RowCount()) SetFixedRows(fixed);
  }
}

// ---- row selection flags ----

bool TQnStringGrid::RowSelect(int ARow) {
  if (ARow < 0 || ARow >= RowCount()) throw EQnGridError("Invalid row accessed");
  if (static_cast<int>(FRowSelected.size()) <= ARow) FRowSelected.resize(static_cast<std::size_t>(ARow) + 1);
  return FRowSelected[static_cast<std::size_t>(ARow)];
}

void TQnStringGrid::SetRowSelect(int ARow, bool Value) {
  if (RowSelect(ARow) == Value) return;
  FRowSelected[static_cast<std::size_t>(ARow)] = Value;
  InvalidateRow(ARow);
}

void TQnStringGrid::ClearRowSelect() {
  for (std::size_t r = 0; r < FRowSelected.size(); ++r) {
    if (!FRowSelected[r]) continue;
    FRowSelected[r] = false;
    InvalidateRow(static_cast<int>(r));
  }
}

void TQnStringGrid::SelectToRowSelect() {
  const TGridRect sel = Selection();
  if (sel.Top < 0 || sel.Bottom < 0) return;
  for (int r = sel.Top; r <= sel.Bottom && r < RowCount(); ++r)
    if (!RowSelect(r)) SetRowSelect(r, true);
}
