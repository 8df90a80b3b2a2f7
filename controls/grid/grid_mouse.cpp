// Mouse presses and releases on the grid: fixed cells as buttons, links and markup anchors,
// header selection, direct editing, disjunct row selection, moved rows and columns, header
// clicks that sort, the end of column and row sizing; and the cell hints.
#include <algorithm>
#include <cmath>

#include "controls/grid/grid_arrows.h"
#include "controls/grid/grid_utils.h"
#include "controls/grid/markup.h"
#include "controls/grid/grid_inplace.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/application.h"
#include "platform/ui/shell.h"

namespace {

// Links the shell may open: the web, file transfer and mail. Anything else (file://, local
// handlers) would let a cell text from shared data start a program.
bool ShellSafeLink(const std::string& anchor) {
  const std::string up = UpperCase(anchor);
  for (const char* scheme : {"HTTP://", "HTTPS://", "FTP://", "MAILTO:"})
    if (up.rfind(scheme, 0) == 0) return true;
  return false;
}

}  // namespace

void TQnStringGrid::ClickAnchor(const std::string& Anchor, int ACol, int ARow) {
  bool autoHandle = true;
  if (OnAnchorClick) OnAnchorClick(this, ARow, ACol, Anchor, autoHandle);
  if (!autoHandle) return;
  const std::string up = UpperCase(Anchor);
  if (up.find("CELL://") != std::string::npos) {
    TPoint cell;
    if (ParseCellRef(Anchor.substr(7), cell) && cell.X >= 0 && cell.Y >= 0 && cell.X < ColCount() &&
        cell.Y < RowCount()) {
      ShowCell(cell.X, cell.Y);
      if (cell.X >= TStringGrid::FixedCols() && cell.Y >= TStringGrid::FixedRows())
        FocusCell(cell.X, cell.Y, true);
    }
    return;
  }
  if (ShellSafeLink(Anchor)) ShellOpenOrTell(this, Anchor, "the link \"" + Anchor + "\"");
}

void TQnStringGrid::LeftButtonDown(TShiftState Shift, int X, int Y) {
  FTypedText.clear();
  FSelectionPending = false;
  FSuppressClick = false;
  FDeselectOnUp = false;
  FDownPos = {X, Y};
  const TGridCoord cell = MouseCoord(X, Y);
  FDownCell = cell;
  FDownInHeader = cell.Y >= 0 && cell.Y < TStringGrid::FixedRows();
  if (FMouseActions->CaretPositioning) FCaretPending = true;
  const int fixedCols = TStringGrid::FixedCols(), fixedRows = TStringGrid::FixedRows();
  const bool inCell = cell.X >= 0 && cell.Y >= 0;
  const int realCol = inCell ? RealColIndex(cell.X) : -1;
  const TRect r = inCell ? CellRect(cell.X, cell.Y) : TRect{};
  FDownOffset = {X - r.Left, Y - r.Top};
  FLastMoveCell = cell;

  if (FixedAsButtons && inCell &&
      (Options().Contains(goFixedVertLine) || Options().Contains(goFixedHorzLine)) &&
      (cell.X < fixedCols || cell.Y < fixedRows || IsFixedCell(realCol, cell.Y))) {
    TRect e = r;
    Canvas().DrawEdge(e, BDR_SUNKENINNER, BF_BOTTOMRIGHT);
    e = r;
    Canvas().DrawEdge(e, BDR_SUNKENINNER, BF_TOPLEFT);
    FPressedRect = r;
    FPressedFixed = true;
  }
  if (HasState(csDesigning)) {
    TStringGrid::MouseDown(mbLeft, Shift, X, Y);
    return;
  }
  if (inCell && IsFixed(realCol, cell.Y)) {
    TStringGrid::MouseDown(mbLeft, Shift, X, Y);
    if (OnClickCell) OnClickCell(this, cell.Y, cell.X);
    return;
  }
  if (!inCell) {
    TStringGrid::MouseDown(mbLeft, Shift, X, Y);
    return;
  }
  const bool dataRow = cell.Y >= fixedRows && cell.Y < RowCount() - FFixedFooters;
  if (FMouseActions->DisjunctRowSelect && dataRow) {
    if (Shift.Contains(ssCtrl)) {
      if (RowSelect(cell.Y)) FDeselectOnUp = true;
    } else {
      ClearRowSelect();
    }
  }
  // A press on the selection (or on a header while columns do not move) may start a drag; the
  // release selects the cell when none happened.
  if (FOleDropSource && !Options().Contains(goEditing) &&
      (IsCellSelected(cell.X, cell.Y) || (cell.Y < fixedRows && !EnhRowColMove)) &&
      !(Options().Contains(goColSizing) && (X - r.Left < 4 || r.Right - X < 4))) {
    FSelectionPending = true;
    if (OnClickCell) OnClickCell(this, cell.Y, cell.X);
    return;
  }
  // Links and markup anchors.
  const std::string text = Cells(realCol, cell.Y);
  if (FURLShow || GetTextKind(text, EnableHTML) == 1) {
    std::string anchor;
    if (GetTextKind(text, EnableHTML) == 1) {
      std::string stripped;
      int xs = 0, ys = 0;
      TRect hr = r;
      OffsetRect(hr, 2, 2);
      RenderCellMarkup(Canvas(), text, hr, GridImages, X, Y, true, false, false, false, true, 1.0,
                       FURLColor, anchor, stripped, xs, ys);
    } else if (IsURL(text)) {
      anchor = text;
    }
    if (!anchor.empty()) {
      ClickAnchor(anchor, cell.X, cell.Y);
      return;
    }
  }
  // Header presses pick what a move drags and may select a whole column, row or the grid.
  FMoveSource = -1;
  if (cell.Y < fixedRows && cell.X >= fixedCols) FMoveSource = cell.X;
  else if (cell.X < fixedCols && cell.Y >= fixedRows) FMoveSource = cell.Y;
  if (Options().Contains(goRangeSelect)) {
    const int lastCol = ColCount() - 1 - FFixedRightCols, lastRow = RowCount() - 1 - FFixedFooters;
    if (cell.X < fixedCols && cell.Y < fixedRows && FMouseActions->AllSelect && FCursorMode == 3) {
      SetSelection({fixedCols, fixedRows, lastCol, lastRow});
    } else if (cell.X < fixedCols && cell.Y >= fixedRows && FMouseActions->RowSelect && FCursorMode == 2) {
      SetSelection({fixedCols, cell.Y, lastCol, cell.Y});
    } else if (cell.Y < fixedRows && cell.X >= fixedCols && FMouseActions->ColSelect && FCursorMode == 1) {
      SetSelection({cell.X, fixedRows, cell.X, lastRow});
    }
  }
  bool canEdit = Options().Contains(goEditing);
  CanEditCell(cell.Y, realCol, canEdit);
  if (canEdit && FMouseActions->DirectEdit) HideInplaceEdit();
  TStringGrid::MouseDown(mbLeft, Shift, X, Y);
  if (OnClickCell) OnClickCell(this, cell.Y, cell.X);
  const bool dataCell = cell.X >= fixedCols && dataRow && !IsFixedCell(realCol, cell.Y);
  if (dataCell && canEdit && FMouseActions->DirectEdit && X - r.Left >= 4 && r.Right - X >= 4 &&
      GridState() != gsColSizing && GridState() != gsRowSizing)
    ShowInplaceEdit();
}

void TQnStringGrid::LeftButtonUp(TShiftState Shift, int X, int Y) {
  FDeselectOnUp = FDeselectOnUp && FMouseActions->DisjunctRowSelect;
  if (!HasState(csDesigning))
    for (TArrowWindow* arrow : FArrows)
      if (arrow) arrow->SetVisible(false);
  if (FPressedFixed) {
    TRect e = FPressedRect;
    Canvas().DrawEdge(e, BDR_RAISEDINNER, BF_BOTTOMRIGHT);
    e = FPressedRect;
    Canvas().DrawEdge(e, BDR_RAISEDINNER, BF_TOPLEFT);
    FPressedFixed = false;
  }
  const TGridCoord cell = MouseCoord(X, Y);
  const int fixedCols = TStringGrid::FixedCols(), fixedRows = TStringGrid::FixedRows();
  const bool dataRow = cell.Y >= fixedRows && cell.Y < RowCount() - FFixedFooters;
  if (FSelectionPending && cell.X >= fixedCols && dataRow) FocusCell(cell.X, cell.Y, true);
  FSelectionPending = false;
  if (FMouseActions->DisjunctRowSelect && dataRow) {
    const TGridRect s = Selection();
    for (int r = s.Top; r <= s.Bottom; ++r) SetRowSelect(r, true);
    if (FDeselectOnUp) SetRowSelect(cell.Y, false);
  }
  FDeselectOnUp = false;
  // A row or column moved with the grid's own feedback lands where it is dropped.
  if (!HasState(csDesigning)) DropMoved(cell);
  const bool wasSizing = GridState() == gsColSizing || GridState() == gsRowSizing;
  TStringGrid::MouseUp(mbLeft, Shift, X, Y);
  if (wasSizing || cell.X < 0 || cell.Y < 0) return;
  if (cell.X < fixedCols && !SortFixedCols) return;
  const int realCol = RealColIndex(cell.X);
  if (FSuppressClick) {
    FSuppressClick = false;
    return;
  }
  if (cell.Y == 0 && Options().Contains(goColSizing)) {
    const TRect r = CellRect(cell.X, cell.Y);
    if (std::abs(X - r.Left) < 4 || std::abs(r.Right - X) < 4) return;
  }
  if (cell.Y == 0 && FDownCell.Y == 0 && fixedRows >= 1 && FSortShow && RowCount() > 2)
    HeaderSort(realCol, Shift);
}

void TQnStringGrid::HeaderSort(int RealCol, TShiftState Shift) {
  bool doSort = true;
  if (OnCanSort) OnCanSort(this, RealCol, doSort);
  if (!doSort) return;
  HideInplaceEdit();
  if (FSortIndexShow) {
    TSortIndexList& list = *FSortIndexes;
    if (!Shift.Contains(ssShift)) {
      if (list.Count() == 1 && TSortIndexList::Column(list.Items(0)) == RealCol) {
        list.ToggleIndex(RealCol);
      } else {
        list.Clear();
        list.AddIndex(RealCol, true);
      }
    } else if (list.FindIndex(RealCol) < 0) {
      list.AddIndex(RealCol, true);
    } else {
      list.ToggleIndex(RealCol);
    }
    SortByIndexes();
  } else {
    if (RealCol != FSortColumn) {
      SetSortColumn(RealCol);
      SortDirection = sdAscending;
    } else {
      SortDirection = SortDirection == sdAscending ? sdDescending : sdAscending;
    }
    SortByColumn();
  }
  InvalidateRow(0);
  if (OnClickSort) OnClickSort(this, FSortColumn);
}

// ---- the base mouse handlers, with the sizing that follows them ----

void TQnStringGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button != mbLeft) {
    TStringGrid::MouseDown(Button, Shift, X, Y);
    return;
  }
  // A click elsewhere ends an edit of a cell.
  if (FInplaceEdit && FInplaceEdit->Visible()) {
    if (!ValidateCell(FInplaceEdit->Text())) return;
    HideInplaceEdit();
  }
  if (FInCellControl) HideCellControl();
  FEditing = false;
  LeftButtonDown(Shift, X, Y);
  FSizingCol = FSizingRow = -1;
  if (GridState() == gsColSizing || GridState() == gsRowSizing) {
    TGridState state = gsNormal;
    int index = -1;
    TStringGrid::CalcSizingState(X, Y, state, index);
    if (index >= 0) {
      if (state == gsColSizing) {
        FSizingCol = index;
        FSizingOldSize = ColWidths(index);
      } else if (state == gsRowSizing) {
        FSizingRow = index;
        FSizingOldSize = RowHeights(index);
      }
    }
  }
}

void TQnStringGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button != mbLeft) {
    if (Button == mbRight && GridState() == gsColMoving) return;
    TStringGrid::MouseUp(Button, Shift, X, Y);
    return;
  }
  LeftButtonUp(Shift, X, Y);
  if (FSizingCol >= 0) {
    const int col = FSizingCol;
    if (FColumnSize->Stretch()) StretchColumns();
    if (FMouseActions->AllColumnSize && FSizingOldSize > 0) {
      const double ratio = static_cast<double>(ColWidths(col)) / FSizingOldSize;
      for (int c = TStringGrid::FixedCols(); c < ColCount(); ++c)
        if (c != col) SetColWidths(c, static_cast<int>(std::lround(ColWidths(c) * ratio)));
    }
    if (OnEndColumnSize) OnEndColumnSize(this, col);
  } else if (FSizingRow >= 0) {
    const int row = FSizingRow;
    if (FMouseActions->AllRowSize && FSizingOldSize > 0) {
      const double ratio = static_cast<double>(RowHeights(row)) / FSizingOldSize;
      for (int r = TStringGrid::FixedRows(); r < RowCount(); ++r)
        if (r != row) SetRowHeights(r, static_cast<int>(std::lround(RowHeights(r) * ratio)));
    }
    if (OnEndRowSize) OnEndRowSize(this, row);
  }
  FSizingCol = FSizingRow = -1;
}

// ---- cell hints ----

void TQnStringGrid::HandleCellHint(TMessage& Message) {
  auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
  Message.Result = 0;
  if (!info) return;
  info->HintColor = HintColor;
  const TGridCoord cell = MouseCoord(info->CursorPos.X, info->CursorPos.Y);
  if (cell.X < 0 || cell.Y < 0) return;
  const int realCol = RealColIndex(cell.X);
  const TRect r = CellRect(cell.X, cell.Y);
  std::string hint = info->HintStr;
  bool placed = false;
  if (OnGridHint) {
    OnGridHint(this, cell.Y, cell.X, hint);
    info->HintPos = ClientToScreen({r.Left, r.Bottom});
    placed = true;
  }
  const bool dataCell = cell.X >= TStringGrid::FixedCols() && cell.Y >= TStringGrid::FixedRows() &&
                        !IsFixedCell(realCol, cell.Y);
  if (dataCell && (HintShowCells || HintShowLargeText)) {
    const std::string text = Cells(realCol, cell.Y);
    bool show = HintShowCells;
    if (!show) show = CellTextSize(cell.X, cell.Y).X > ColWidths(cell.X) - 4;
    if (show && !text.empty()) {
      hint = text;
      info->HintPos = ClientToScreen({r.Left, r.Top});
      placed = true;
    }
  }
  info->CursorRect = r;
  info->HintStr = hint;
  FHintCell = placed && !hint.empty() ? cell : TGridCoord{-1, -1};
  if (!placed && hint.empty()) Message.Result = 1;
}
