#include "controls/grid/qn_grid.h"

#include <algorithm>
#include <cmath>

#include "controls/grid/grid_utils.h"
#include "controls/grid/grid_arrows.h"
#include "platform/ui/forms.h"
#include "platform/ui/hints.h"
#include "controls/grid/markup.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/sysutils.h"

namespace {
constexpr UINT kGridTimerId = 111;
constexpr UINT kGridTimerMs = 500;
}  // namespace

bool IsTextEditorKind(int Kind) {
  return Kind == 0 || (Kind >= 11 && Kind <= 16) || Kind == 18 || Kind == 19;
}

TQnStringGrid::TQnStringGrid(TComponent* AOwner) : TStringGrid(AOwner) {
  RegisterQnGridClasses();
  FPrintSettings = std::make_unique<TPrintsettings>();
  FHTMLSettings = std::make_unique<THTMLSettings>();
  FNavigation = std::make_unique<TNavigation>();
  FColumnSize = std::make_unique<TColumnSize>(this);
  FCellNode = std::make_unique<TCellNode>(this);
  FBands = std::make_unique<TBands>(this);
  FSizeWhileTyping = std::make_unique<TSizeWhileTyping>();
  FMouseActions = std::make_unique<TMouseActions>();
  FColumnHeaders = std::make_unique<TStringList>();
  FColumnHeaders->OnChange = [this](TObject*) { ApplyColumnHeaders(); };
  FRowHeaders = std::make_unique<TStringList>();
  FRowHeaders->OnChange = [this](TObject*) { ApplyRowHeaders(); };
  FFixedFont.OnChange = [this](TGraphicsObject*) { Invalidate(); };
  FLookupHistory = std::make_unique<TStringList>();
  FLookupItems = std::make_unique<TStringList>();
  FBackGround = std::make_unique<TBackGround>(this);
  FFilter = std::make_unique<TFilter>();
  FHiddenRows = std::make_unique<TGridItems>();
  FSortIndexes = std::make_unique<TSortIndexList>();
  SetDefaultRowHeight(21);
}

TQnStringGrid::~TQnStringGrid() {
  if (FColumnSize->Save) {
    try {
      SaveColumnSizes();
    } catch (...) {
      // A destructor cannot report a settings write error.
    }
  }
  FColumnHeaders->OnChange = nullptr;
  FRowHeaders->OnChange = nullptr;
  // The editors sit in the grid's window: they go while it still exists.
  FreeEditors();
  if (FResizeForm) FResizeForm->OnResize = FFormResize;
}

// ---- counts ----

void TQnStringGrid::SetRowCount(int Value) {
  TStringGrid::SetRowCount(Value);
  if (Value >= 2 && FixedRowAlways && TStringGrid::FixedRows() == 0) SetFixedRows(1);
}

void TQnStringGrid::SetColCount(int Value) {
  TStringGrid::SetColCount(Value);
  if (Value >= 2 && FixedColAlways && TStringGrid::FixedCols() == 0) SetFixedCols(1);
}

int TQnStringGrid::FixedRows() const {
  const int n = TStringGrid::FixedRows();
  return n == 0 && FixedRowAlways ? 1 : n;
}

int TQnStringGrid::FixedCols() const {
  const int n = TStringGrid::FixedCols();
  return n == 0 && FixedColAlways ? 1 : n;
}

void TQnStringGrid::SetFixedFooters(int Value) {
  FFixedFooters = std::max(0, Value);
  Invalidate();
}

void TQnStringGrid::SetFixedRightCols(int Value) {
  FFixedRightCols = std::max(0, Value);
  Invalidate();
}

void TQnStringGrid::SetFixedColWidth(int Value) {
  for (int c = 0; c < TStringGrid::FixedCols(); ++c) SetColWidths(c, Value);
}

void TQnStringGrid::SetFixedRowHeight(int Value) {
  for (int r = 0; r < TStringGrid::FixedRows(); ++r) SetRowHeights(r, Value);
}

// ---- headers ----

void TQnStringGrid::SetColumnHeaders(const TStrings& Value) {
  if (TStringGrid::FixedRows() > 0)
    for (int c = 0; c < StoreColCount(); ++c) SetCells(c, 0, std::string());
  FColumnHeaders->Assign(&Value);  // the change notice applies them
  ApplyColumnHeaders();
}

void TQnStringGrid::SetRowHeaders(const TStrings& Value) {
  FRowHeaders->Assign(&Value);
  ApplyRowHeaders();
}

void TQnStringGrid::SetLookupItems(const TStrings* Value) {
  if (Value) FLookupItems->Assign(Value);
}

void TQnStringGrid::ApplyColumnHeaders() {
  if (TStringGrid::FixedRows() <= 0) return;
  for (int i = 0; i < FColumnHeaders->Count() && i < ColCount(); ++i)
    SetCells(i, 0, LiteralNLToCR(FColumnHeaders->Strings(i)));
}

void TQnStringGrid::ApplyRowHeaders() {
  if (TStringGrid::FixedCols() <= 0) return;
  for (int i = 0; i < FRowHeaders->Count() && i < RowCount(); ++i)
    SetCells(0, i, LiteralNLToCR(FRowHeaders->Strings(i)));
}

// ---- settings that repaint ----

void TQnStringGrid::SetVAlignment(TVAlignment Value) { FVAlignment = Value; Invalidate(); }
void TQnStringGrid::SetWordWrap(bool Value) { FWordWrap = Value; Invalidate(); }
void TQnStringGrid::SetSelectionColor(TColor Value) { FSelectionColor = Value; Invalidate(); }
void TQnStringGrid::SetSelectionTextColor(TColor Value) { FSelectionTextColor = Value; Invalidate(); }
void TQnStringGrid::SetSelectionRectangle(bool Value) { FSelectionRectangle = Value; Invalidate(); }
void TQnStringGrid::SetShowSelection(bool Value) { FShowSelection = Value; Invalidate(); }
void TQnStringGrid::SetURLColor(TColor Value) {
  FURLColor = Value;
  if (FURLShow) Invalidate();
}
void TQnStringGrid::SetURLShow(bool Value) { FURLShow = Value; InvalidateRow(0); }
void TQnStringGrid::SetURLFull(bool Value) { FURLFull = Value; InvalidateRow(0); }
void TQnStringGrid::SetFlat(bool Value) {
  FFlat = Value;
  if (!HasState(csLoading)) Invalidate();
}
void TQnStringGrid::SetSortShow(bool Value) {
  if (Value == FSortShow) return;
  FSortShow = Value;
  InvalidateRow(0);
}
void TQnStringGrid::SetSortIndexShow(bool Value) {
  if (Value == FSortIndexShow) return;
  FSortIndexShow = Value;
  InvalidateRow(0);
}
void TQnStringGrid::SetSortColumn(int Value) {
  if (Value == FSortColumn) return;
  FSortColumn = Value;
  InvalidateRow(0);
}

// ---- typed cell access ----

int TQnStringGrid::Ints(int ACol, int ARow) const {
  const std::string& cell = Cells(ACol, ARow);
  const std::string s = cell.empty() ? std::string(1, '0') : cell;
  bool ok = !s.empty();
  std::size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0;
  if (i == s.size()) ok = false;
  for (; ok && i < s.size(); ++i) ok = s[i] >= '0' && s[i] <= '9';
  int value = 0;
  if (!ok || !TryStrToInt(s, value)) throw EQnGridError("Cell does not contain integer value");
  return value;
}

void TQnStringGrid::SetInts(int ACol, int ARow, int Value) { SetCells(ACol, ARow, IntToStr(Value)); }

double TQnStringGrid::Floats(int ACol, int ARow) const {
  const std::string& cell = Cells(ACol, ARow);
  const std::string s = cell.empty() ? std::string(1, '0') : cell;
  double value = 0;
  if (!ReadPlainNumber(NormalizeNumber(s), value))
    throw EQnGridError("Cell does not contain integer value");
  return value;
}

double TQnStringGrid::Dates(int ACol, int ARow) const { return StrToDate(Cells(ACol, ARow)); }

// ---- view ----

void TQnStringGrid::ShowCell(int ACol, int ARow) {
  if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return;
  const int visCols = VisibleColCount(), visRows = VisibleRowCount();
  if (ACol < LeftCol() || ACol > LeftCol() + visCols) {
    SetCol(ACol);
    SetLeftCol(std::max(TStringGrid::FixedCols(), ACol - visCols / 2));
  }
  if (ARow < TopRow() || ARow > TopRow() + visRows) {
    SetRow(ARow);
    SetTopRow(std::max(TStringGrid::FixedRows(), ARow - visRows / 2));
  }
  if (Col() != ACol || Row() != ARow) FocusCell(ACol, ARow, true);
}

void TQnStringGrid::HideSelection() {
  FHiddenSelection = Selection();
  SetSelection({ColCount(), RowCount(), ColCount(), RowCount()});
}

bool TQnStringGrid::IsSizingEdge(int X, int Y) const {
  const TGridCoord cell = MouseCoord(X, Y);
  if (cell.X < 0) return false;
  const TRect r = CellRect(cell.X, cell.Y);
  if (cell.Y < TStringGrid::FixedRows() && Options().Contains(goColSizing))
    return X - r.Left < 4 || r.Right - X < 4;
  if (cell.X < TStringGrid::FixedCols() && Options().Contains(goRowSizing))
    return Y - r.Top < 4 || r.Bottom - Y < 4;
  return false;
}

TPoint TQnStringGrid::FindText(const std::string& Text) const {
  for (int r = 0; r < RowCount(); ++r)
    for (int c = 0; c < StoreColCount(); ++c)
      if (Cells(c, r) == Text) return {c, r};
  return {-1, -1};
}

// ---- fixed cells and the per-cell queries ----

bool TQnStringGrid::IsFixed(int ACol, int ARow) {
  bool fixed = false;
  if (FixedRowAlways && ARow == 0 && RowCount() == 1)
    fixed = true;
  else if (FixedColAlways && ACol == 0 && ColCount() == 1)
    fixed = true;
  if (OnIsFixedCell) OnIsFixedCell(this, ARow, ACol, fixed);
  return fixed;
}

bool TQnStringGrid::IsFixedCell(int ACol, int ARow) const {
  if (ARow >= RowCount() - FFixedFooters) return true;
  if (ACol >= ColCount() - FFixedRightCols + FNumHidden) return true;
  return const_cast<TQnStringGrid*>(this)->IsFixed(ACol, ARow);
}

void TQnStringGrid::GetCellColor(int ACol, int ARow, TGridDrawState AState, TBrush& ABrush,
                                 TFont& AFont) {
  if (FBands->Active() && ACol >= TStringGrid::FixedCols() &&
      ACol < ColCount() - FFixedRightCols + FNumHidden && ARow >= TStringGrid::FixedRows() &&
      ARow < RowCount() - FFixedFooters) {
    const int k = (ARow - TStringGrid::FixedRows()) % FBands->Period();
    ABrush.SetColor(k >= FBands->PrimaryLength() ? FBands->SecondaryColor() : FBands->PrimaryColor());
  }
  if (OnGetCellColor) OnGetCellColor(this, ARow, ACol, AState, ABrush, AFont);
}

void TQnStringGrid::GetCellPrintColor(int ACol, int ARow, TGridDrawState AState, TBrush& ABrush,
                                      TFont& AFont) {
  if (FBands->Active() && FBands->Print && ACol >= TStringGrid::FixedCols() &&
      ACol < ColCount() - FFixedRightCols && ARow >= TStringGrid::FixedRows() &&
      ARow < RowCount() - FFixedFooters) {
    const int k = (ARow - TStringGrid::FixedRows()) % FBands->Period();
    ABrush.SetColor(k >= FBands->PrimaryLength() ? FBands->SecondaryColor() : FBands->PrimaryColor());
  }
  if (OnGetCellPrintColor) OnGetCellPrintColor(this, ARow, ACol, AState, ABrush, AFont);
}

void TQnStringGrid::GetCellBorder(int ACol, int ARow, TPen& APen, TCellBorders& Borders) {
  if (OnGetCellBorder) OnGetCellBorder(this, ARow, ACol, APen, Borders);
}

void TQnStringGrid::GetCellPrintBorder(int ACol, int ARow, TPen& APen, TCellBorders& Borders) {
  if (OnGetCellPrintBorder) OnGetCellPrintBorder(this, ARow, ACol, APen, Borders);
}

void TQnStringGrid::GetCellAlign(int ACol, int ARow, TAlignment& AAlignment) {
  if (OnGetAlignment) OnGetAlignment(this, ARow, ACol, AAlignment);
}

void TQnStringGrid::GetCellFormat(int ACol, TSortStyle& AStyle, std::string& APrefix,
                                  std::string& ASuffix) {
  if (OnGetFormat) OnGetFormat(this, ACol, AStyle, APrefix, ASuffix);
}

void TQnStringGrid::GetCellEditor(int ACol, int ARow, int& AEditor) {
  if (OnGetEditorType) OnGetEditorType(this, ACol, ARow, AEditor);
}

void TQnStringGrid::CanEditCell(int ARow, int ACol, bool& CanEdit) {
  if (OnCanEditCell) OnCanEditCell(this, ARow, ACol, CanEdit);
}

void TQnStringGrid::IsPasswordCell(int ARow, int ACol, bool& IsPassword) {
  if (OnIsPasswordCell) OnIsPasswordCell(this, ARow, ACol, IsPassword);
}

// ---- selection, editing and advancing ----

bool TQnStringGrid::SelectCell(int ACol, int ARow) {
  if (ACol < 0 || ARow < 0) return TStringGrid::SelectCell(ACol, ARow);
  bool allowed = true;
  if (ARow != Row() && OnRowChanging) OnRowChanging(this, Row(), ARow, allowed);
  if (ACol != Col() && OnColChanging) OnColChanging(this, Col(), ACol, allowed);
  if ((ARow != Row() || ACol != Col()) && OnCellChanging)
    OnCellChanging(this, Row(), Col(), ARow, ACol, allowed);
  if (!allowed) return false;
  const int realCol = RealColIndex(ACol);
  FEditStartText = Cells(realCol, ARow);
  bool editable = Options().Contains(goEditing);
  CanEditCell(ARow, realCol, editable);
  TGridOptions options = Options();
  if (editable) options << goEditing; else options >> goEditing;
  if (!(options == Options())) SetOptions(options);
  const int oldRow = Row();
  const bool result = IsFixedCell(realCol, ARow) ? false : TStringGrid::SelectCell(ACol, ARow);
  if (TStringGrid::FixedCols() > 0) {
    InvalidateCell(0, oldRow);
    InvalidateCell(0, ARow);
  }
  return result;
}

void TQnStringGrid::AdvanceCell(int ACol, int ARow, bool Forward, bool ShowEditor, bool Forced) {
  if (!FNavigation->AdvanceOnEnter && !Forced) return;
  const int fixedCols = TStringGrid::FixedCols(), fixedRows = TStringGrid::FixedRows();
  // One full cycle over the cells: beyond that no reachable cell is editable.
  const long long limit = 1LL * ColCount() * RowCount() + 1;
  int c = ACol, r = ARow;
  bool inserted = false;  // one new row (or column) per advance at most
  for (long long step = 0; step < limit; ++step) {
    const int lastCol = ColCount() - 1 - FFixedRightCols;
    const int lastRow = RowCount() - 1 - FFixedFooters;
    const bool leftRight = FNavigation->AdvanceDirection == adLeftRight;
    if (Forward && leftRight) {
      if (c >= lastCol) {
        if (r < lastRow) {
          c = fixedCols;
          ++r;
        } else if (FNavigation->AdvanceInsert && !inserted) {
          inserted = true;
          bool canAdd = true;
          if (OnCanAddRow) OnCanAddRow(this, canAdd);
          if (!canAdd) return;
          SetRowCount(RowCount() + 1);
          c = fixedCols;
          ++r;
          if (OnAutoAddRow) OnAutoAddRow(this, RowCount() - 1);
        } else {
          c = fixedCols;
          r = fixedRows;
        }
      } else {
        ++c;
      }
    } else if (Forward) {
      if (r >= lastRow) {
        if (c < lastCol) {
          ++c;
          r = fixedRows;
        } else if (FNavigation->AdvanceInsert && !inserted) {
          inserted = true;
          SetColCount(ColCount() + 1);
          ++c;
          r = fixedRows;
          if (OnAutoInsertCol) OnAutoInsertCol(this, ColCount() - 1);
        } else {
          c = fixedCols;
          r = fixedRows;
        }
        Invalidate();
      } else {
        ++r;
      }
    } else if (leftRight) {
      if (c <= fixedCols) {
        if (r > fixedRows) {
          c = lastCol;
          --r;
        } else {
          return;  // at the first cell: stay
        }
      } else {
        --c;
      }
    } else {
      if (r > fixedRows) {
        --r;
      } else if (c > fixedCols) {
        --c;
        r = lastRow;
      } else {
        return;
      }
    }
    bool editable = Options().Contains(goEditing);
    if (editable) CanEditCell(r, RealColIndex(c), editable);
    if (editable) {
      FocusCell(c, r, true);
      if (ShowEditor) SetEditorMode(true);
      return;
    }
    if (c == ACol && r == ARow) return;  // a full cycle: nothing reachable is editable
  }
}

void TQnStringGrid::StretchColumns() {
  if (ColCount() <= 0 || !FColumnSize->Stretch() || FStretching) return;
  FStretching = true;
  if (ColCount() == 1) {
    SetColWidths(0, ClientWidth());
  } else {
    int s = 0;
    for (int c = 0; c <= ColCount() - 2; ++c) s += ColWidths(c) + GridLineWidth();
    const int last = ColCount() - 1;
    if (s < ClientWidth() && ClientWidth() - s - 1 > ColWidths(last))
      SetColWidths(last, ClientWidth() - s - 1);
  }
  FStretching = false;
}

void TQnStringGrid::SizeChanged(int OldColCount, int OldRowCount) {
  if (FColumnSize->Stretch()) StretchColumns();
  TStringGrid::SizeChanged(OldColCount, OldRowCount);
  UpdateScrollBars();
  if (FFixedFooters >= 1 || FFixedRightCols >= 1) Invalidate();
}

void TQnStringGrid::ColWidthsChanged() {
  TStringGrid::ColWidthsChanged();
  if (FColumnSize->Stretch()) StretchColumns();
  UpdateScrollBars();
  PlaceInplaceEdit();
}

// ---- life cycle ----

void TQnStringGrid::Loaded() {
  TStringGrid::Loaded();
  ApplyColumnHeaders();
  ApplyRowHeaders();
}

void TQnStringGrid::CreateWnd() {
  TStringGrid::CreateWnd();
  if (FColumnSize->Save) LoadColumnSizes();
  SetTimer(kGridTimerId, kGridTimerMs);
  if (ScrollProportional) SetScrollProportional(true);
  UpdateScrollBars();
  if (!HasState(csDesigning)) {
    // Top-level windows of the grid's own, shown in screen coordinates.
    for (int d = 0; d < 4; ++d)
      if (!FArrows[d]) FArrows[d] = new TArrowWindow(this, d);
    if (!FDragImage) FDragImage = new TPopupButton(this);
    // The form-resize hook: the form's own handler is kept and called after the grid's.
    if (auto* form = dynamic_cast<TCustomForm*>(Owner()); form && SizeWithForm && !FResizeForm) {
      FResizeForm = form;
      FFormWidth = form->Width();
      FFormHeight = form->Height();
      FFormResize = form->OnResize;
      form->OnResize = [this](TObject*) { FormResized(); };
    }
  }
}

TArrowWindow* TQnStringGrid::ArrowWindow(int Direction) const {
  return Direction >= 0 && Direction < 4 ? FArrows[Direction] : nullptr;
}

void TQnStringGrid::FormResized() {
  if (!FResizeForm) return;
  const int dw = FResizeForm->Width() - FFormWidth, dh = FResizeForm->Height() - FFormHeight;
  FFormWidth = FResizeForm->Width();
  FFormHeight = FResizeForm->Height();
  if (SizeWithForm && Width() + dw > 0 && Height() + dh > 0)
    SetBounds(Left(), Top(), Width() + dw, Height() + dh);
  if (FFormResize) FFormResize(FResizeForm);
  StretchColumns();
}

void TColumnSize::SetStretch(bool Value) {
  FStretch = Value;
  if (FGrid && Value) FGrid->StretchColumns();
}
