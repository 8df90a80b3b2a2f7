#include "platform/ui/grids.h"

#include <algorithm>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/invariant.h"

namespace {

[[noreturn]] void GridIndexError() { throw EInvalidGridOperation("Grid index out of range"); }

const std::string kEmpty;

template <class T>
void RotateItem(std::vector<T>& v, int from, int to) {
  if (from < 0 || to < 0 || from >= static_cast<int>(v.size()) || to >= static_cast<int>(v.size()))
    return;
  if (from < to)
    std::rotate(v.begin() + from, v.begin() + from + 1, v.begin() + to + 1);
  else if (from > to)
    std::rotate(v.begin() + to, v.begin() + from, v.begin() + from + 1);
}

// Where an index moves when the item at From moves to To.
int MovedIndex(int index, int from, int to) {
  if (index == from) return to;
  if (from < to && index > from && index <= to) return index - 1;
  if (from > to && index >= to && index < from) return index + 1;
  return index;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TCustomGrid

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
  FColWidths.assign(static_cast<std::size_t>(FColCount), FDefaultColWidth);
  FRowHeights.assign(static_cast<std::size_t>(FRowCount), FDefaultRowHeight);
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomGrid::~TCustomGrid() = default;

void TCustomGrid::ChangeSize(int NewColCount, int NewRowCount) {
  const int oldCols = FColCount, oldRows = FRowCount;
  FColCount = NewColCount;
  FRowCount = NewRowCount;
  FColWidths.resize(static_cast<std::size_t>(FColCount), FDefaultColWidth);
  FRowHeights.resize(static_cast<std::size_t>(FRowCount), FDefaultRowHeight);
  StoreResized();
  ClampView();
  SizeChanged(oldCols, oldRows);
  Invalidate();
}

void TCustomGrid::ClampView() {
  auto clamp = [](int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); };
  const int lastCol = std::max(0, FColCount - 1), lastRow = std::max(0, FRowCount - 1);
  FCurrent.X = clamp(FCurrent.X, FFixedCols, lastCol);
  FCurrent.Y = clamp(FCurrent.Y, FFixedRows, lastRow);
  FAnchor.X = clamp(FAnchor.X, FFixedCols, lastCol);
  FAnchor.Y = clamp(FAnchor.Y, FFixedRows, lastRow);
  FTopLeft.X = clamp(FTopLeft.X, FFixedCols, lastCol);
  FTopLeft.Y = clamp(FTopLeft.Y, FFixedRows, lastRow);
}

void TCustomGrid::SetColCount(int Value) {
  if (Value < 1) Value = 1;
  if (Value == FColCount) return;
  if (Value <= FFixedCols) FFixedCols = Value - 1;
  ChangeSize(Value, FRowCount);
}

void TCustomGrid::SetRowCount(int Value) {
  if (Value < 1) Value = 1;
  if (Value == FRowCount) return;
  if (Value <= FFixedRows) FFixedRows = Value - 1;
  ChangeSize(FColCount, Value);
}

void TCustomGrid::SetFixedCols(int Value) {
  if (Value < 0) Value = 0;
  if (Value >= FColCount)
    throw EInvalidGridOperation("Fixed column count must be less than column count");
  if (Value == FFixedCols) return;
  // A view that started at the first scrollable column keeps doing so: fewer fixed columns
  // bring the freed ones into view instead of leaving them scrolled out.
  if (FTopLeft.X < Value || FTopLeft.X == FFixedCols) FTopLeft.X = Value;
  FFixedCols = Value;
  ClampView();
  Invalidate();
}

void TCustomGrid::SetFixedRows(int Value) {
  if (Value < 0) Value = 0;
  if (Value >= FRowCount)
    throw EInvalidGridOperation("Fixed row count must be less than row count");
  if (Value == FFixedRows) return;
  if (FTopLeft.Y < Value || FTopLeft.Y == FFixedRows) FTopLeft.Y = Value;
  FFixedRows = Value;
  ClampView();
  Invalidate();
}

void TCustomGrid::SetDefaultColWidth(int Value) {
  FDefaultColWidth = Value;
  std::fill(FColWidths.begin(), FColWidths.end(), Value);
  ColWidthsChanged();
  Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int Value) {
  FDefaultRowHeight = Value;
  std::fill(FRowHeights.begin(), FRowHeights.end(), Value);
  RowHeightsChanged();
  Invalidate();
}

int TCustomGrid::ColWidths(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(FColWidths.size())) return FDefaultColWidth;
  return FColWidths[static_cast<std::size_t>(Index)];
}

void TCustomGrid::SetColWidths(int Index, int Value) {
  if (Index < 0 || Index >= FColCount) GridIndexError();
  if (FColWidths[static_cast<std::size_t>(Index)] == Value) return;
  FColWidths[static_cast<std::size_t>(Index)] = Value;
  ColWidthsChanged();
  Invalidate();
}

int TCustomGrid::RowHeights(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(FRowHeights.size())) return FDefaultRowHeight;
  return FRowHeights[static_cast<std::size_t>(Index)];
}

void TCustomGrid::SetRowHeights(int Index, int Value) {
  if (Index < 0 || Index >= FRowCount) GridIndexError();
  if (FRowHeights[static_cast<std::size_t>(Index)] == Value) return;
  FRowHeights[static_cast<std::size_t>(Index)] = Value;
  RowHeightsChanged();
  Invalidate();
}

void TCustomGrid::SetGridLineWidth(int Value) {
  FGridLineWidth = std::max(0, Value);
  Invalidate();
}

void TCustomGrid::SetOptions(TGridOptions Value) {
  if (Value == FOptions) return;
  if (Value.Contains(goRowSelect)) Value.Exclude(goAlwaysShowEditor);
  FOptions = Value;
  if (!Value.Contains(goEditing)) FEditorMode = false;
  Invalidate();
}

void TCustomGrid::SetFixedColor(TColor Value) {
  FFixedColor = Value;
  Invalidate();
}

void TCustomGrid::SetCol(int Value) {
  if (Value != FCurrent.X) FocusCell(Value, FCurrent.Y, true);
}

void TCustomGrid::SetRow(int Value) {
  if (Value != FCurrent.Y) FocusCell(FCurrent.X, Value, true);
}

TGridRect TCustomGrid::Selection() const {
  TGridRect r{std::min(FAnchor.X, FCurrent.X), std::min(FAnchor.Y, FCurrent.Y),
              std::max(FAnchor.X, FCurrent.X), std::max(FAnchor.Y, FCurrent.Y)};
  if (FOptions.Contains(goRowSelect)) {
    r.Left = FFixedCols;
    r.Right = FColCount - 1;
  }
  return r;
}

void TCustomGrid::SetSelection(const TGridRect& Value) {
  FAnchor = {Value.Left, Value.Top};
  FCurrent = {Value.Right, Value.Bottom};
  Invalidate();
}

void TCustomGrid::FocusCell(int ACol, int ARow, bool MoveAnchor) {
  if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= FRowCount) GridIndexError();
  if (!SelectCell(ACol, ARow)) return;
  MoveCurrentRaw(ACol, ARow, MoveAnchor);
}

void TCustomGrid::MoveCurrentRaw(int ACol, int ARow, bool MoveAnchor) {
  FCurrent = {ACol, ARow};
  if (MoveAnchor || !FOptions.Contains(goRangeSelect)) FAnchor = FCurrent;
  ScrollToCurrent();
  Invalidate();
}

void TCustomGrid::ScrollToCurrent() {
  TGridCoord tl = FTopLeft;
  if (FCurrent.X >= FFixedCols) {
    if (FCurrent.X < tl.X) tl.X = FCurrent.X;
    else if (FCurrent.X >= tl.X + VisibleColCount()) tl.X = FCurrent.X - VisibleColCount() + 1;
  }
  if (FCurrent.Y >= FFixedRows) {
    if (FCurrent.Y < tl.Y) tl.Y = FCurrent.Y;
    else if (FCurrent.Y >= tl.Y + VisibleRowCount()) tl.Y = FCurrent.Y - VisibleRowCount() + 1;
  }
  tl.X = std::max(tl.X, FFixedCols);
  tl.Y = std::max(tl.Y, FFixedRows);
  if (!(tl == FTopLeft)) {
    FTopLeft = tl;
    TopLeftChanged();
  }
}

void TCustomGrid::SetTopRow(int Value) {
  Value = std::max(FFixedRows, std::min(Value, FRowCount - 1));
  if (Value == FTopLeft.Y) return;
  FTopLeft.Y = Value;
  TopLeftChanged();
  Invalidate();
}

void TCustomGrid::SetLeftCol(int Value) {
  Value = std::max(FFixedCols, std::min(Value, FColCount - 1));
  if (Value == FTopLeft.X) return;
  FTopLeft.X = Value;
  TopLeftChanged();
  Invalidate();
}

int TCustomGrid::VisibleColCount() const {
  int x = 0;
  for (int c = 0; c < FFixedCols; ++c) x += ColWidths(c) + FGridLineWidth;
  int n = 0;
  for (int c = FTopLeft.X; c < FColCount; ++c) {
    x += ColWidths(c) + FGridLineWidth;
    if (x > ClientWidth()) break;
    ++n;
  }
  return std::max(n, FTopLeft.X < FColCount ? 1 : 0);
}

int TCustomGrid::VisibleRowCount() const {
  int y = 0;
  for (int r = 0; r < FFixedRows; ++r) y += RowHeights(r) + FGridLineWidth;
  int n = 0;
  for (int r = FTopLeft.Y; r < FRowCount; ++r) {
    y += RowHeights(r) + FGridLineWidth;
    if (y > ClientHeight()) break;
    ++n;
  }
  return std::max(n, FTopLeft.Y < FRowCount ? 1 : 0);
}

int TCustomGrid::ColLeft(int ACol) const {
  if (ACol < 0 || ACol >= FColCount) return -1;
  int x = 0;
  if (ACol < FFixedCols) {
    for (int c = 0; c < ACol; ++c) x += ColWidths(c) + FGridLineWidth;
    return x;
  }
  if (ACol < FTopLeft.X) return -1;
  for (int c = 0; c < FFixedCols; ++c) x += ColWidths(c) + FGridLineWidth;
  for (int c = FTopLeft.X; c < ACol; ++c) {
    x += ColWidths(c) + FGridLineWidth;
    if (x >= ClientWidth()) return -1;
  }
  return x < ClientWidth() ? x : -1;
}

int TCustomGrid::RowTop(int ARow) const {
  if (ARow < 0 || ARow >= FRowCount) return -1;
  int y = 0;
  if (ARow < FFixedRows) {
    for (int r = 0; r < ARow; ++r) y += RowHeights(r) + FGridLineWidth;
    return y;
  }
  if (ARow < FTopLeft.Y) return -1;
  for (int r = 0; r < FFixedRows; ++r) y += RowHeights(r) + FGridLineWidth;
  for (int r = FTopLeft.Y; r < ARow; ++r) {
    y += RowHeights(r) + FGridLineWidth;
    if (y >= ClientHeight()) return -1;
  }
  return y < ClientHeight() ? y : -1;
}

TRect TCustomGrid::CellRect(int ACol, int ARow) const {
  const int x = ColLeft(ACol), y = RowTop(ARow);
  if (x < 0 || y < 0) return {};
  return Rect(x, y, x + ColWidths(ACol), y + RowHeights(ARow));
}

TGridCoord TCustomGrid::MouseCoord(int X, int Y) const {
  TGridCoord result{-1, -1};
  auto find = [this](int pos, int fixed, int first, int count, int limit, auto size) {
    int edge = 0;
    for (int i = 0; i < count; ++i) {
      const int index = i < fixed ? i : first + (i - fixed);
      if (index >= count) break;
      edge += size(index) + FGridLineWidth;
      if (pos < edge) return index;
      if (edge >= limit) break;
    }
    return -1;
  };
  if (X < 0 || Y < 0 || X >= ClientWidth() || Y >= ClientHeight()) return result;
  const int c = find(X, FFixedCols, FTopLeft.X, FColCount, ClientWidth(),
                     [this](int i) { return ColWidths(i); });
  const int r = find(Y, FFixedRows, FTopLeft.Y, FRowCount, ClientHeight(),
                     [this](int i) { return RowHeights(i); });
  if (c >= 0 && r >= 0) result = {c, r};
  return result;
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const {
  const TGridCoord c = MouseCoord(X, Y);
  ACol = c.X;
  ARow = c.Y;
}

void TCustomGrid::InvalidateCell(int ACol, int ARow) {
  if (FUpdateCount > 0 || !HandleAllocated()) return;
  const TRect r = CellRect(ACol, ARow);
  if (r.Width() > 0) InvalidateRect(r);
}

void TCustomGrid::InvalidateRow(int ARow) {
  if (RowTop(ARow) >= 0) Invalidate();
}

void TCustomGrid::InvalidateCol(int ACol) {
  if (ColLeft(ACol) >= 0) Invalidate();
}

void TCustomGrid::Invalidate() {
  if (FUpdateCount > 0) {
    FPaintPending = true;
    return;
  }
  if (HandleAllocated()) TCustomControl::Invalidate();
}

void TCustomGrid::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) {
    FPaintPending = false;
    Invalidate();
  }
}

void TCustomGrid::SetEditorMode(bool Value) {
  FEditorMode = Value && FOptions.Contains(goEditing) && CanEditShow();
}

void TCustomGrid::MoveColumn(int FromIndex, int ToIndex) {
  if (FromIndex == ToIndex) return;
  if (FromIndex < 0 || ToIndex < 0 || FromIndex >= FColCount || ToIndex >= FColCount)
    GridIndexError();
  RotateItem(FColWidths, FromIndex, ToIndex);
  StoreMoveColumn(FromIndex, ToIndex);
  FCurrent.X = MovedIndex(FCurrent.X, FromIndex, ToIndex);
  FAnchor.X = MovedIndex(FAnchor.X, FromIndex, ToIndex);
  ColumnMoved(FromIndex, ToIndex);
  ColWidthsChanged();
  Invalidate();
}

void TCustomGrid::MoveRow(int FromIndex, int ToIndex) {
  if (FromIndex == ToIndex) return;
  if (FromIndex < 0 || ToIndex < 0 || FromIndex >= FRowCount || ToIndex >= FRowCount)
    GridIndexError();
  RotateItem(FRowHeights, FromIndex, ToIndex);
  StoreMoveRow(FromIndex, ToIndex);
  FCurrent.Y = MovedIndex(FCurrent.Y, FromIndex, ToIndex);
  FAnchor.Y = MovedIndex(FAnchor.Y, FromIndex, ToIndex);
  RowMoved(FromIndex, ToIndex);
  RowHeightsChanged();
  Invalidate();
}

void TCustomGrid::DeleteColumn(int ACol) {
  MoveColumn(ACol, FColCount - 1);
  SetColCount(FColCount - 1);
}

void TCustomGrid::DeleteRow(int ARow) {
  MoveRow(ARow, FRowCount - 1);
  SetRowCount(FRowCount - 1);
}

void TCustomGrid::SizeChanged(int, int) {}
void TCustomGrid::ColWidthsChanged() {}
void TCustomGrid::RowHeightsChanged() {}
void TCustomGrid::TopLeftChanged() {}
bool TCustomGrid::SelectCell(int, int) { return true; }
void TCustomGrid::DrawCell(int, int, const TRect&, TGridDrawState) {}
bool TCustomGrid::CanEditShow() {
  return FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect);
}
void TCustomGrid::ColumnMoved(int, int) {}
void TCustomGrid::RowMoved(int, int) {}

void TCustomGrid::CalcSizingState(int X, int Y, TGridState& State, int& Index) {
  State = gsNormal;
  Index = -1;
  const TGridCoord cell = MouseCoord(X, Y);
  if (cell.X < 0) return;
  const TRect r = CellRect(cell.X, cell.Y);
  if (cell.Y < FFixedRows && FOptions.Contains(goColSizing)) {
    if (r.Right - X < 4) { State = gsColSizing; Index = cell.X; }
    else if (X - r.Left < 4 && cell.X > 0) { State = gsColSizing; Index = cell.X - 1; }
  } else if (cell.X < FFixedCols && FOptions.Contains(goRowSizing)) {
    if (r.Bottom - Y < 4) { State = gsRowSizing; Index = cell.Y; }
    else if (Y - r.Top < 4 && cell.Y > 0) { State = gsRowSizing; Index = cell.Y - 1; }
  }
}

void TCustomGrid::PaintLines(const TRect& r, bool fixed) {
  if (FGridLineWidth <= 0) return;
  TCanvas& canvas = Canvas();
  const bool vert = FOptions.Contains(fixed ? goFixedVertLine : goVertLine);
  const bool horz = FOptions.Contains(fixed ? goFixedHorzLine : goHorzLine);
  canvas.Brush().SetColor(fixed ? clBlack : clSilver);
  if (vert) canvas.FillRect(Rect(r.Right, r.Top, r.Right + FGridLineWidth, r.Bottom + FGridLineWidth));
  if (horz) canvas.FillRect(Rect(r.Left, r.Bottom, r.Right + FGridLineWidth, r.Bottom + FGridLineWidth));
}

void TCustomGrid::Paint() {
  if (FUpdateCount > 0) return;
  TCanvas& canvas = Canvas();
  const TGridRect sel = Selection();
  const bool focused = Focused();
  std::vector<int> cols, rows;
  for (int c = 0; c < FFixedCols && c < FColCount; ++c) cols.push_back(c);
  for (int c = FTopLeft.X; c < FColCount && ColLeft(c) >= 0; ++c) cols.push_back(c);
  for (int r = 0; r < FFixedRows && r < FRowCount; ++r) rows.push_back(r);
  for (int r = FTopLeft.Y; r < FRowCount && RowTop(r) >= 0; ++r) rows.push_back(r);
  for (int r : rows) {
    for (int c : cols) {
      const TRect rect = CellRect(c, r);
      TGridDrawState state;
      const bool fixed = c < FFixedCols || r < FFixedRows;
      if (fixed) state << gdFixed;
      const bool current = c == FCurrent.X && r == FCurrent.Y;
      if (!fixed && c >= sel.Left && c <= sel.Right && r >= sel.Top && r <= sel.Bottom) {
        if (!current || FOptions.Contains(goDrawFocusSelected) || FOptions.Contains(goRowSelect))
          state << gdSelected;
      }
      if (current && focused) state << gdFocused;
      canvas.Font().Assign(Font());
      if (fixed) {
        canvas.Brush().SetColor(FFixedColor);
      } else if (state.Contains(gdSelected)) {
        canvas.Brush().SetColor(clHighlight);
        canvas.Font().SetColor(clHighlightText);
      } else {
        canvas.Brush().SetColor(Color());
      }
      if (FDefaultDrawing) canvas.FillRect(rect);
      DrawCell(c, r, rect, state);
      if (FDefaultDrawing && state.Contains(gdFocused) && !FOptions.Contains(goRowSelect))
        canvas.DrawFocusRect(rect);
      PaintLines(rect, fixed);
    }
  }
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  if (CanFocus()) SetFocus();
  TGridState state = gsNormal;
  int index = -1;
  CalcSizingState(X, Y, state, index);
  if (state != gsNormal) {
    FGridState = state;
    FSizingIndex = index;
    FSizingPos = state == gsColSizing ? ColLeft(index) : RowTop(index);
    return;
  }
  const TGridCoord cell = MouseCoord(X, Y);
  if (cell.X < 0) return;
  if (cell.Y < FFixedRows && cell.X >= FFixedCols && FOptions.Contains(goColMoving)) {
    FGridState = gsColMoving;
    FMoveIndex = cell.X;
    return;
  }
  if (cell.X < FFixedCols && cell.Y >= FFixedRows && FOptions.Contains(goRowMoving)) {
    FGridState = gsRowMoving;
    FMoveIndex = cell.Y;
    return;
  }
  if (cell.X < FFixedCols || cell.Y < FFixedRows) return;
  const bool extend = Shift.Contains(ssShift) && FOptions.Contains(goRangeSelect);
  FocusCell(cell.X, cell.Y, !extend);
  FGridState = gsSelecting;
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  switch (FGridState) {
    case gsColSizing:
      if (FSizingIndex >= 0 && FSizingPos >= 0) SetColWidths(FSizingIndex, std::max(0, X - FSizingPos));
      break;
    case gsRowSizing:
      if (FSizingIndex >= 0 && FSizingPos >= 0) SetRowHeights(FSizingIndex, std::max(0, Y - FSizingPos));
      break;
    case gsSelecting: {
      const TGridCoord cell = MouseCoord(X, Y);
      if (cell.X >= FFixedCols && cell.Y >= FFixedRows && !(cell == FCurrent) &&
          FOptions.Contains(goRangeSelect))
        FocusCell(cell.X, cell.Y, false);
      break;
    }
    default:
      break;
  }
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const TGridCoord cell = MouseCoord(X, Y);
  if (FGridState == gsColMoving && cell.X >= FFixedCols && cell.X != FMoveIndex)
    MoveColumn(FMoveIndex, cell.X);
  else if (FGridState == gsRowMoving && cell.Y >= FFixedRows && cell.Y != FMoveIndex)
    MoveRow(FMoveIndex, cell.Y);
  FGridState = gsNormal;
  FSizingIndex = -1;
  FMoveIndex = -1;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TCustomGrid::WndProc(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    Message.Result = DLGC_WANTARROWS;
    if (!FOptions.Contains(goRowSelect)) {
      if (FOptions.Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
      if (FOptions.Contains(goEditing)) Message.Result |= DLGC_WANTCHARS;
    }
    return;
  }
  TCustomControl::WndProc(Message);
}

void TCustomGrid::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0) return;
  const bool extend = Shift.Contains(ssShift) && FOptions.Contains(goRangeSelect);
  TGridCoord target = FCurrent;
  const int page = std::max(1, VisibleRowCount());
  switch (Key) {
    case VK_UP: --target.Y; break;
    case VK_DOWN: ++target.Y; break;
    case VK_LEFT: --target.X; break;
    case VK_RIGHT: ++target.X; break;
    case VK_PRIOR: target.Y -= page; break;
    case VK_NEXT: target.Y += page; break;
    case VK_HOME: target.X = FFixedCols; if (Shift.Contains(ssCtrl)) target.Y = FFixedRows; break;
    case VK_END: target.X = FColCount - 1; if (Shift.Contains(ssCtrl)) target.Y = FRowCount - 1; break;
    case VK_TAB:
      if (!FOptions.Contains(goTabs)) return;
      if (Shift.Contains(ssShift)) {
        if (--target.X < FFixedCols) { target.X = FColCount - 1; --target.Y; }
      } else if (++target.X >= FColCount) {
        target.X = FFixedCols;
        ++target.Y;
      }
      break;
    default:
      return;
  }
  target.X = std::max(FFixedCols, std::min(target.X, FColCount - 1));
  target.Y = std::max(FFixedRows, std::min(target.Y, FRowCount - 1));
  if (!(target == FCurrent)) FocusCell(target.X, target.Y, !extend);
}

// ---------------------------------------------------------------------------------------------
// TCustomDrawGrid

bool TCustomDrawGrid::SelectCell(int ACol, int ARow) {
  bool canSelect = true;
  if (OnSelectCell) OnSelectCell(this, ACol, ARow, canSelect);
  return canSelect;
}

void TCustomDrawGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
  if (OnDrawCell) OnDrawCell(this, ACol, ARow, ARect, AState);
}

void TCustomDrawGrid::TopLeftChanged() {
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TCustomDrawGrid::ColumnMoved(int FromIndex, int ToIndex) {
  if (OnColumnMoved) OnColumnMoved(this, FromIndex, ToIndex);
}

void TCustomDrawGrid::RowMoved(int FromIndex, int ToIndex) {
  if (OnRowMoved) OnRowMoved(this, FromIndex, ToIndex);
}

// ---------------------------------------------------------------------------------------------
// TStringGridStrings

std::string TStringGridStrings::Get(int Index) const {
  return FIsRow ? FGrid.Cells(Index, FIndex) : FGrid.Cells(FIndex, Index);
}

void TStringGridStrings::Put(int Index, const std::string& S) {
  if (FIsRow)
    FGrid.SetCells(Index, FIndex, S);
  else
    FGrid.SetCells(FIndex, Index, S);
}

TObject* TStringGridStrings::GetObject(int Index) const {
  return FIsRow ? FGrid.Objects(Index, FIndex) : FGrid.Objects(FIndex, Index);
}

void TStringGridStrings::PutObject(int Index, TObject* AObject) {
  if (FIsRow)
    FGrid.SetObjects(Index, FIndex, AObject);
  else
    FGrid.SetObjects(FIndex, Index, AObject);
}

int TStringGridStrings::GetCount() const { return FIsRow ? FGrid.ColCount() : FGrid.RowCount(); }

void TStringGridStrings::Insert(int, const std::string&) {
  throw EInvalidGridOperation("Grid does not support insert");
}

void TStringGridStrings::Delete(int) {
  throw EInvalidGridOperation("Grid does not support delete");
}

void TStringGridStrings::Clear() {
  for (int i = 0, n = GetCount(); i < n; ++i) {
    Put(i, std::string());
    PutObject(i, nullptr);
  }
}

int TStringGridStrings::AddObject(const std::string& S, TObject* AObject) {
  for (int i = 0, n = GetCount(); i < n; ++i) {
    if (Get(i).empty() && GetObject(i) == nullptr) {
      Put(i, S);
      PutObject(i, AObject);
      return i;
    }
  }
  return -1;
}

void TStringGridStrings::Assign(const TPersistent* Source) {
  const auto* strings = dynamic_cast<const TStrings*>(Source);
  if (!strings) {
    TStrings::Assign(Source);
    return;
  }
  const int n = GetCount(), m = strings->Count();
  for (int i = 0; i < n; ++i) {
    Put(i, i < m ? strings->Get(i) : std::string());
    PutObject(i, i < m ? strings->GetObject(i) : nullptr);
  }
}

// ---------------------------------------------------------------------------------------------
// TStringGrid

TStringGrid::TStringGrid(TComponent* AOwner) : TDrawGrid(AOwner) { StoreResized(); }

TStringGrid::~TStringGrid() = default;

void TStringGrid::StoreResized() {
  const int cols = ColCount() + StoreExtraCols();
  const auto rows = static_cast<std::size_t>(RowCount());
  if (FStore.size() != rows) FStore.resize(rows);
  if (cols != FStoreCols || FStore.empty() || FStore.back().Texts.size() != static_cast<std::size_t>(cols)) {
    for (auto& row : FStore) {
      row.Texts.resize(static_cast<std::size_t>(cols));
      row.Objects.resize(static_cast<std::size_t>(cols), nullptr);
    }
  }
  FStoreCols = cols;
  // Every row holds the store's columns (rows are resized together, the newest last).
  QN_ASSERT(FStore.size() == rows &&
            (FStore.empty() || (FStore.front().Texts.size() == static_cast<std::size_t>(cols) &&
                                FStore.back().Texts.size() == static_cast<std::size_t>(cols) &&
                                FStore.back().Objects.size() == static_cast<std::size_t>(cols))));
  // Views beyond the store would read nothing; drop them.
  FRowViews.erase(FRowViews.lower_bound(RowCount()), FRowViews.end());
  FColViews.erase(FColViews.lower_bound(cols), FColViews.end());
}

const std::string& TStringGrid::Cells(int ACol, int ARow) const {
  if (ACol < 0 || ARow < 0 || ACol >= FStoreCols || ARow >= static_cast<int>(FStore.size()))
    return kEmpty;
  QN_ASSERT(FStore[static_cast<std::size_t>(ARow)].Texts.size() == static_cast<std::size_t>(FStoreCols));
  return FStore[static_cast<std::size_t>(ARow)].Texts[static_cast<std::size_t>(ACol)];
}

void TStringGrid::SetCells(int ACol, int ARow, const std::string& Value) {
  if (ACol < 0 || ARow < 0 || ACol >= FStoreCols || ARow >= static_cast<int>(FStore.size()))
    return;
  QN_ASSERT(FStore[static_cast<std::size_t>(ARow)].Texts.size() == static_cast<std::size_t>(FStoreCols));
  FStore[static_cast<std::size_t>(ARow)].Texts[static_cast<std::size_t>(ACol)] = Value;
  CellChanged(ACol, ARow);
  InvalidateCell(ACol, ARow);
}

TObject* TStringGrid::Objects(int ACol, int ARow) const {
  if (ACol < 0 || ARow < 0 || ACol >= FStoreCols || ARow >= static_cast<int>(FStore.size()))
    return nullptr;
  QN_ASSERT(FStore[static_cast<std::size_t>(ARow)].Objects.size() == static_cast<std::size_t>(FStoreCols));
  return FStore[static_cast<std::size_t>(ARow)].Objects[static_cast<std::size_t>(ACol)];
}

void TStringGrid::SetObjects(int ACol, int ARow, TObject* Value) {
  if (ACol < 0 || ARow < 0 || ACol >= FStoreCols || ARow >= static_cast<int>(FStore.size()))
    return;
  QN_ASSERT(FStore[static_cast<std::size_t>(ARow)].Objects.size() == static_cast<std::size_t>(FStoreCols));
  FStore[static_cast<std::size_t>(ARow)].Objects[static_cast<std::size_t>(ACol)] = Value;
}

TStrings* TStringGrid::Rows(int Index) {
  if (Index < 0 || Index >= RowCount()) GridIndexError();
  auto& view = FRowViews[Index];
  if (!view) view = std::make_unique<TStringGridStrings>(*this, Index, true);
  return view.get();
}

TStrings* TStringGrid::Cols(int Index) {
  if (Index < 0 || Index >= FStoreCols) GridIndexError();
  auto& view = FColViews[Index];
  if (!view) view = std::make_unique<TStringGridStrings>(*this, Index, false);
  return view.get();
}

void TStringGrid::ExchangeStoreRows(int ARow1, int ARow2) {
  const int n = static_cast<int>(FStore.size());
  if (ARow1 < 0 || ARow2 < 0 || ARow1 >= n || ARow2 >= n || ARow1 == ARow2) return;
  std::swap(FStore[static_cast<std::size_t>(ARow1)], FStore[static_cast<std::size_t>(ARow2)]);
}

void TStringGrid::StoreMoveColumn(int FromIndex, int ToIndex) {
  for (auto& row : FStore) {
    RotateItem(row.Texts, FromIndex, ToIndex);
    RotateItem(row.Objects, FromIndex, ToIndex);
  }
}

void TStringGrid::StoreMoveRow(int FromIndex, int ToIndex) { RotateItem(FStore, FromIndex, ToIndex); }

void TStringGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
  if (DefaultDrawing()) Canvas().TextRect(ARect, ARect.Left + 2, ARect.Top + 2, Cells(ACol, ARow));
  TDrawGrid::DrawCell(ACol, ARow, ARect, AState);
}
