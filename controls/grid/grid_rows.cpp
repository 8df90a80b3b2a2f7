// Row and column insertion, removal and clearing of TQnStringGrid.
#include <algorithm>

#include "controls/grid/qn_grid.h"

void TQnStringGrid::ClearRect(int ACol1, int ARow1, int ACol2, int ARow2) {
  if (ARow2 < ARow1) return;
  for (int r = ARow1; r <= ARow2; ++r)
    for (int c = ACol1; c <= ACol2; ++c)
      if (!Cells(c, r).empty()) SetCells(c, r, std::string());
}

void TQnStringGrid::ClearRows(int RowIndex, int RCount) {
  if (RowCount() > 0 && ColCount() > 0 && RCount > 0)
    ClearRect(0, RowIndex, StoreColCount() - 1, RowIndex + RCount - 1);
}

void TQnStringGrid::ClearCols(int ColIndex, int CCount) {
  if (RowCount() > 0 && ColCount() > 0 && CCount > 0)
    ClearRect(ColIndex, 0, ColIndex + CCount - 1, RowCount() - 1);
}

void TQnStringGrid::ExchangeRows(int ARow1, int ARow2) {
  if (ARow1 == ARow2) return;
  ExchangeStoreRows(ARow1, ARow2);
  const int h1 = RowHeights(ARow1), h2 = RowHeights(ARow2);
  if (h1 != h2 && ARow1 < RowCount() && ARow2 < RowCount()) {
    SetRowHeights(ARow1, h2);
    SetRowHeights(ARow2, h1);
  }
  if (FMouseActions->DisjunctRowSelect) {
    const std::size_t need = static_cast<std::size_t>(std::max(ARow1, ARow2)) + 1;
    if (FRowSelected.size() < need) FRowSelected.resize(need);
    const bool s1 = FRowSelected[static_cast<std::size_t>(ARow1)];
    FRowSelected[static_cast<std::size_t>(ARow1)] = FRowSelected[static_cast<std::size_t>(ARow2)];
    FRowSelected[static_cast<std::size_t>(ARow2)] = s1;
  }
  if (FSortRememberedRow == ARow1)
    FSortRememberedRow = ARow2;
  else if (FSortRememberedRow == ARow2)
    FSortRememberedRow = ARow1;
}

void TQnStringGrid::InsertRows(int RowIndex, int RCount) {
  if (RCount <= 0 || RowIndex < 0 || RowIndex > RowCount()) return;
  const int oldCount = RowCount();
  SetRowCount(oldCount + RCount);
  // The new (empty) rows at the end move up to RowIndex; heights move with their rows.
  for (int r = RowCount() - 1; r >= RowIndex + RCount; --r) {
    ExchangeStoreRows(r, r - RCount);
    SetRowHeights(r, RowHeights(r - RCount));
  }
  for (int r = RowIndex; r < RowIndex + RCount; ++r) {
    SetRowHeights(r, DefaultRowHeight());
    for (int c = 0; c < StoreColCount(); ++c) SetObjects(c, r, nullptr);
  }
  if (!FRowSelected.empty() && RowIndex < static_cast<int>(FRowSelected.size()))
    FRowSelected.insert(FRowSelected.begin() + RowIndex, static_cast<std::size_t>(RCount), false);
  ClearRows(RowIndex, RCount);
}

void TQnStringGrid::RemoveRows(int RowIndex, int RCount) {
  if (RCount <= 0 || RowIndex < 0 || RowIndex >= RowCount()) return;
  RCount = std::min(RCount, RowCount() - RowIndex);
  const int remembered = Row(), top = TopRow();
  BeginUpdate();
  try {
    for (int r = RowIndex; r + RCount < RowCount(); ++r) {
      ExchangeStoreRows(r, r + RCount);
      SetRowHeights(r, RowHeights(r + RCount));
    }
    if (RowIndex < static_cast<int>(FRowSelected.size())) {
      const auto end = std::min(FRowSelected.size(), static_cast<std::size_t>(RowIndex + RCount));
      FRowSelected.erase(FRowSelected.begin() + RowIndex, FRowSelected.begin() + static_cast<long>(end));
    }
    SetRowCount(RowCount() - RCount);
    const int fixedRows = TStringGrid::FixedRows();
    if (RowCount() <= remembered) {
      if (fixedRows < RowCount()) {
        MoveCurrentRaw(Col(), fixedRows, true);
        SetTopRow(fixedRows);
      }
    } else {
      MoveCurrentRaw(Col(), remembered, true);
      SetTopRow(top);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TQnStringGrid::DeleteRows(int RowIndex, int RCount) {
  if (RCount <= 0 || RowIndex < 0 || RowIndex >= RowCount()) return;
  const bool editing = EditorMode();
  SetEditorMode(false);
  BeginUpdate();
  try {
    const int top = TopRow(), remembered = Row(), fixedRows = TStringGrid::FixedRows();
    for (int i = 0; i < RCount && RowIndex < RowCount() && RowCount() > 1; ++i) {
      DeleteRow(RowIndex);
      if (FMouseActions->DisjunctRowSelect && RowIndex < static_cast<int>(FRowSelected.size()))
        FRowSelected.erase(FRowSelected.begin() + RowIndex);
    }
    const int lastNormal = RowCount() - FFixedFooters;
    if (lastNormal > remembered) {
      MoveCurrentRaw(Col(), remembered, true);
      SetTopRow(top);
    } else if (lastNormal > fixedRows) {
      MoveCurrentRaw(Col(), lastNormal - 1, true);
    } else {
      HideSelection();
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  if (editing) SetEditorMode(true);
}

void TQnStringGrid::RemoveSelectedRows() {
  BeginUpdate();
  try {
    int r = TStringGrid::FixedRows();
    while (r < RowCount() && RowCount() > 1) {
      if (RowSelect(r))
        DeleteRows(r, 1);
      else
        ++r;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TQnStringGrid::InsertCols(int ColIndex, int CCount) {
  if (CCount <= 0 || ColIndex < 0 || ColIndex > StoreColCount()) return;
  const int oldStore = StoreColCount();
  TStringGrid::SetColCount(ColCount() + CCount);
  // The new store columns arrive at the end; bring them to ColIndex.
  for (int i = 0; i < CCount; ++i) StoreMoveColumn(oldStore + i, ColIndex + i);
  const int d = DisplColIndex(ColIndex);
  for (int c = ColCount() - 1; c >= d + CCount; --c) SetColWidths(c, ColWidths(c - CCount));
  for (int c = d; c < d + CCount && c < ColCount(); ++c) SetColWidths(c, DefaultColWidth());
  // Hidden flags move with their columns.
  for (int c = static_cast<int>(FColumnVisible.size()) - 1; c >= ColIndex + CCount; --c)
    FColumnVisible[static_cast<std::size_t>(c)] = FColumnVisible[static_cast<std::size_t>(c - CCount)];
  for (int c = ColIndex; c < ColIndex + CCount && c < static_cast<int>(FColumnVisible.size()); ++c)
    FColumnVisible[static_cast<std::size_t>(c)] = true;
  ClearCols(ColIndex, CCount);
}

void TQnStringGrid::RemoveCols(int ColIndex, int CCount) {
  if (CCount <= 0 || ColIndex < 0 || ColIndex >= StoreColCount()) return;
  CCount = std::min({CCount, StoreColCount() - ColIndex, ColCount() - 1});
  if (CCount <= 0) return;
  ClearCols(ColIndex, CCount);
  for (int i = 0; i < CCount; ++i) StoreMoveColumn(ColIndex, StoreColCount() - 1);
  const int d = DisplColIndex(ColIndex);
  for (int c = d; c + CCount < ColCount(); ++c) SetColWidths(c, ColWidths(c + CCount));
  for (int c = ColIndex; c < static_cast<int>(FColumnVisible.size()); ++c) {
    const int from = c + CCount;
    FColumnVisible[static_cast<std::size_t>(c)] =
        from < static_cast<int>(FColumnVisible.size()) ? FColumnVisible[static_cast<std::size_t>(from)] : true;
  }
  TStringGrid::SetColCount(ColCount() - CCount);
}
