// The grid's window messages and key handling: the timer (hovering, blinking), cursors, typing
// that opens the editor, clipboard and row short cuts, right clicks on links, double clicks on
// header borders, focus, moved columns and rows, and validation of an edited cell.
#include <algorithm>

#include "controls/grid/grid_cell_editors.h"
#include "controls/grid/grid_inplace.h"
#include "controls/grid/grid_utils.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/application.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/hints.h"
#include "platform/ui/screen.h"
#include "platform/ui/scroll_bars.h"

namespace {
constexpr UINT kGridTimerId = 111;

bool ContainsBlink(const std::string& text) {
  return text.find('<') != std::string::npos && UpperCase(text).find("<BLI") != std::string::npos;
}
}  // namespace

// ---- the cell-change hooks ----

void TQnStringGrid::CellEnter() {
  FEnteredCol = Col();
  FEnteredRow = Row();
  FEnteredText = Cells(RealColIndex(Col()), Row());
}

bool TQnStringGrid::ValidateCell(const std::string& NewValue) {
  bool valid = true;
  if (FEditPending) {
    FEditPending = false;
    const int col = RealColIndex(FEnteredCol >= 0 ? FEnteredCol : Col());
    const int row = FEnteredRow >= 0 ? FEnteredRow : Row();
    if (NewValue != FEnteredText) {
      CellsChanged(Rect(col, row, col, row));
      std::string value = NewValue;
      if (OnCellValidate) OnCellValidate(this, col, row, value, valid);
      if (valid) {
        if (value != Cells(col, row)) SetCells(col, row, value);
      } else {
        SetCells(col, row, value != NewValue ? value : FEnteredText);
        const int displayCol = DisplColIndex(col);
        FInternalChange = true;
        if (displayCol != Col() || row != Row()) FocusCell(displayCol, row, true);
        FInternalChange = false;
        FEditPending = true;
        if (FInplaceEdit && FInplaceEdit->Visible()) FInplaceEdit->SetText(Cells(col, row));
        else ShowInplaceEdit();
        return false;
      }
    }
  }
  CellEnter();
  return valid;
}

int TQnStringGrid::LookupRow(const std::string& Key) {
  if (RowCount() < 2) return -1;
  const int col = FSortShow ? FSortColumn : 1;
  for (int r = TStringGrid::FixedRows(); r < RowCount(); ++r) {
    std::string cell = Cells(col, r).substr(0, Key.size());
    for (char& c : cell)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (cell == Key) return r;
  }
  return -1;
}

// The clipboard operations themselves are in grid_clipboard.cpp.

// ---- keys ----

void TQnStringGrid::KeyDown(WORD& Key, TShiftState Shift) {
  // End or Home that has no column to move to (the current cell is already the last, or the
  // first) opens the cell's editor with the caret at the text's end or start: what is typed next
  // is added to the cell rather than replacing it.
  if ((Key == VK_END || Key == VK_HOME) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssShift) &&
      !Shift.Contains(ssAlt) && !EditorMode() &&
      Col() == (Key == VK_END ? ColCount() - 1 : TStringGrid::FixedCols())) {
    ShowInplaceEdit();
    if (FInplaceEdit && FInplaceEdit->Visible()) {
      const int caret = Key == VK_END ? static_cast<int>(FInplaceEdit->Text().size()) : 0;
      FInplaceEdit->SetSelection(caret, caret);
      Key = 0;
      return;
    }
  }
  const TGridRect before = Selection();
  const int colBefore = Col();
  const WORD key = Key;
  TStringGrid::KeyDown(Key, Shift);
  if (FSelectionRectangle && !(Selection() == before)) {
    InvalidateCellRange(before);
    InvalidateCellRange(Selection());
  }
  if (Key == 0) return;
  const bool ctrl = Shift.Contains(ssCtrl), shift = Shift.Contains(ssShift), alt = Shift.Contains(ssAlt);
  auto ask = [this](const TClipboardEvent& event) {
    bool allow = true;
    if (event) event(this, allow);
    return allow;
  };
  if (FNavigation->AllowClipboardShortCuts) {
    if (ctrl && key == 'X') { if (ask(OnClipboardCut)) CutToClipBoard(); return; }
    if (ctrl && key == 'V') { if (ask(OnClipboardPaste)) PasteFromClipBoard(); return; }
    if (ctrl && (key == VK_INSERT || key == 'C')) { if (ask(OnClipboardCopy)) CopyToClipBoard(); return; }
    if (shift && key == VK_INSERT) { if (ask(OnClipboardPaste)) PasteFromClipBoard(); return; }
    if (shift && key == VK_DELETE) { if (ask(OnClipboardCut)) CutToClipBoard(); return; }
  }
  if (key == VK_INSERT && !ctrl && !shift && !alt && FNavigation->AllowInsertRow) {
    bool canInsert = true;
    if (OnCanInsertRow) OnCanInsertRow(this, Row(), canInsert);
    if (!canInsert) return;
    const int at = FNavigation->InsertPosition == pInsertAfter ? Row() + 1 : Row();
    InsertRows(at, 1);
    if (at != Row()) SetRow(at);
    if (OnAutoInsertRow) OnAutoInsertRow(this, at);
    return;
  }
  if (key == VK_DELETE && !alt && FNavigation->AllowDeleteRow &&
      RowCount() - TStringGrid::FixedRows() - FFixedFooters >= 1) {
    bool canDelete = true;
    const int row = Row();
    if (OnCanDeleteRow) OnCanDeleteRow(this, row, canDelete);
    if (!canDelete) return;
    const int dataRows = RowCount() - TStringGrid::FixedRows() - FFixedFooters;
    if (dataRows == 1) {
      ClearRows(row, 1);
    } else {
      RemoveRows(row, 1);
      const int lastData = RowCount() - FFixedFooters - 1;
      if (Row() > lastData && lastData >= TStringGrid::FixedRows()) SetRow(lastData);
    }
    if (OnAutoDeleteRow) OnAutoDeleteRow(this, row);
    return;
  }
  if (key == VK_TAB && Options().Contains(goTabs) && FFixedRightCols >= 1 && !shift &&
      colBefore == ColCount() - FFixedRightCols - 1) {
    int row = Row();
    if (Col() == colBefore || Col() >= ColCount() - FFixedRightCols) {
      row = Row() + (Col() == colBefore ? 1 : 0);
    }
    const int lastData = RowCount() - FFixedFooters - 1;
    if (row > lastData) row = TStringGrid::FixedRows();
    FocusCell(TStringGrid::FixedCols(), std::max(row, TStringGrid::FixedRows()), true);
  }
}

void TQnStringGrid::KeyUp(WORD& Key, TShiftState Shift) {
  switch (Key) {
    case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME: case VK_LEFT: case VK_UP:
    case VK_RIGHT: case VK_DOWN: case VK_INSERT: case VK_DELETE:
      FTypedText.clear();
      break;
    default: break;
  }
  const WORD key = Key;
  TStringGrid::KeyUp(Key, Shift);
  if ((key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) && FNavigation->AlwaysEdit)
    ShowInplaceEdit();
}

void TQnStringGrid::KeyPress(char32_t& Key) {
  if (Key == 27) {
    if (Options().Contains(goEditing)) SetCells(RealColIndex(Col()), Row(), FEditStartText);
    return;
  }
  if (Key == 13) {
    // Enter on the grid itself opens the editor of the current cell.
    if (Options().Contains(goEditing) && !EditorMode()) {
      ShowInplaceEdit();
      Key = 0;
      return;
    }
  }
  if (!Options().Contains(goEditing) && FNavigation->AutoGotoWhenSorted && Key >= 8 && Key < 256) {
    const char ch = static_cast<char>(Key);
    const std::string up = UpperCaseText(std::string(1, ch));
    if (!FNavigation->AutoGotoIncremental) {
      FTypedText = up;
    } else if (Key == 8) {
      if (!FTypedText.empty()) FTypedText.pop_back();
    } else {
      FTypedText += up;
    }
    for (int r = TStringGrid::FixedRows(); r < RowCount() - FFixedFooters; ++r) {
      if (UpperCaseText(Cells(FSortColumn, r)).rfind(FTypedText, 0) == 0) {
        SetRow(r);
        break;
      }
    }
  }
  TStringGrid::KeyPress(Key);
}

void TQnStringGrid::WMChar(TMessage& Message) {
  const auto ch = static_cast<char32_t>(Message.WParam);
  if (Options().Contains(goEditing) && (ch == 8 || ch >= 32) && !FNoEditor) {
    FLastTypedChar = ch;
    ShowInplaceEdit();
    if (FInplaceEdit && FInplaceEdit->Visible()) {
      FInplaceEdit->SelectAll();
      FInplaceEdit->Perform(WM_CHAR, ch);
    } else if (TWinControl* control = ActiveCellControl()) {
      if (control == FCombo || control == FSpin) control->Perform(WM_CHAR, ch);
    }
    FLastTypedChar = 0;
    Message.Result = 1;
    return;
  }
  TStringGrid::WndProc(Message);
}

// ---- mouse messages handled by number ----

void TQnStringGrid::WMRButtonDown(TMessage& Message) {
  TStringGrid::WndProc(Message);
  const TGridCoord cell = MouseCoord(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
  if (OnRightClickCell) OnRightClickCell(this, cell.Y, cell.X);
  if (cell.X < 0 && cell.Y < 0) return;
  if (cell.X < 0 || cell.Y < 0) return;
  if (FURLShow && URLEdit && IsURL(Cells(RealColIndex(cell.X), cell.Y)) &&
      !IsFixedCell(RealColIndex(cell.X), cell.Y) && cell.X >= TStringGrid::FixedCols() &&
      cell.Y >= TStringGrid::FixedRows()) {
    FocusCell(cell.X, cell.Y, true);
    ShowInplaceEdit();
  }
}

bool TQnStringGrid::WMLButtonDblClk(TMessage& Message) {
  const int x = GET_X_LPARAM(Message.LParam), y = GET_Y_LPARAM(Message.LParam);
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.Y == 0 && cell.X >= 0 && Options().Contains(goColSizing)) {
    const TRect r = CellRect(cell.X, cell.Y);
    // The release that follows is no header click.
    if (x - r.Left < 4) {
      if (cell.X - 1 >= TStringGrid::FixedCols()) AutoSizeColumn(cell.X - 1);
      FSuppressClick = true;
      return true;
    }
    if (r.Right - x < 4) {
      if (cell.X >= TStringGrid::FixedCols()) AutoSizeColumn(cell.X);
      FSuppressClick = true;
      return true;
    }
  }
  return false;
}

// ---- the grid's timer ----

void TQnStringGrid::TimerTick() {
  if (Hovering && !HasState(csDesigning)) {
    TPoint screen;
    GetCursorPos(&screen);
    const TPoint p = ScreenToClient(screen);
    if (p.X >= 0 && p.Y >= 0 && p.X < ClientWidth() && p.Y < ClientHeight()) {
      const TGridCoord cell = MouseCoord(p.X, p.Y);
      if (cell.X >= TStringGrid::FixedCols() && cell.Y >= TStringGrid::FixedRows() &&
          !IsFixedCell(RealColIndex(cell.X), cell.Y)) {
        if (cell.Y != Row()) SetRow(cell.Y);
        if (cell.X != Col()) SetCol(cell.X);
      }
    }
  }
  FBlinkOn = !FBlinkOn;
  auto each = [&](int c, int r) {
    if (ContainsBlink(Cells(RealColIndex(c), r))) InvalidateCell(c, r);
  };
  for (int r = 0; r < RowCount(); ++r) {
    if (r >= TStringGrid::FixedRows() && r < TopRow()) continue;
    if (r >= TStringGrid::FixedRows() && r > TopRow() + VisibleRowCount()) break;
    for (int c = 0; c < ColCount(); ++c) {
      if (c >= TStringGrid::FixedCols() && c < LeftCol()) continue;
      if (c >= TStringGrid::FixedCols() && c > LeftCol() + VisibleColCount()) break;
      each(c, r);
    }
  }
}

// ---- focus, clicks and moves ----

void TQnStringGrid::Click() {
  TStringGrid::Click();
  FEditPending = false;
  CellEnter();
}

void TQnStringGrid::DoEnter() {
  if (FInternalChange) return;
  TStringGrid::DoEnter();
  if (OnSelectCell) {
    bool can = true;
    OnSelectCell(this, Col(), Row(), can);
  }
  CellEnter();
}

void TQnStringGrid::DoExit() {
  if (FInternalChange) return;
  if (FEditPending) ValidateCell(Cells(RealColIndex(Col()), Row()));
  TStringGrid::DoExit();
}

void TQnStringGrid::ColumnMoved(int FromIndex, int ToIndex) {
  int from = FromIndex, to = ToIndex;
  if (FNumHidden > 0) {
    from = RealColIndex(from);
    to = RealColIndex(to);
  }
  if (FSortColumn == from) FSortColumn = to;
  else if (from < to && FSortColumn > from && FSortColumn <= to) --FSortColumn;
  else if (from > to && FSortColumn >= to && FSortColumn < from) ++FSortColumn;
  TStringGrid::ColumnMoved(FromIndex, ToIndex);
}

void TQnStringGrid::RowMoved(int FromIndex, int ToIndex) { TStringGrid::RowMoved(FromIndex, ToIndex); }

void TQnStringGrid::CalcSizingState(int X, int Y, TGridState& State, int& Index) {
  TStringGrid::CalcSizingState(X, Y, State, Index);
  bool allow = true;
  if (State == gsColSizing && OnColumnSize) OnColumnSize(this, Index, allow);
  else if (State == gsRowSizing && OnRowSize) OnRowSize(this, Index, allow);
  if (!allow) {
    State = gsNormal;
    Index = -1;
  }
}

// ---- the window procedure ----

void TQnStringGrid::RecoverFromError() {
  if (FInplaceEdit && FInplaceEdit->Visible()) {
    FEditPending = false;
    FInplaceEdit->SetVisible(false);
    SetCells(RealColIndex(Col()), Row(), FEditStartText);
  }
  if (FInCellControl) {
    TWinControl* control = ActiveCellControl();
    FInCellControl = false;
    if (control) control->SetVisible(false);
    SetCells(RealColIndex(Col()), Row(), FEditStartText);
  }
  FEditPending = false;
  FEditing = FTextEditorInUse = false;
  TStringGrid::SetEditorMode(false);
  if ((GridState() == gsColMoving || GridState() == gsRowMoving) && Screen().Cursor() == crDrag)
    Screen().SetCursor(crDefault);
  HideArrows();
  HideDragImage();
  SetGridState(gsNormal);
  FSizingCol = FSizingRow = -1;
  FMoveSource = -1;
  FSelectionPending = FDeselectOnUp = FPressedFixed = false;
  FInternalChange = false;
  if (MouseCapture()) ReleaseCapture();
  Invalidate();
}

void TQnStringGrid::WMSetFocus() {
  const bool fromEditor = FFocusFromEditor;
  FFocusFromEditor = false;
  bool canEdit = Options().Contains(goEditing);
  if (canEdit && Col() >= 0 && Row() >= 0) CanEditCell(Row(), RealColIndex(Col()), canEdit);
  if (canEdit && FNavigation->AlwaysEdit && !FNoEditor) {
    // Back from its own editor: the edit has just ended and stays so.
    if (fromEditor && FInplaceEdit) return;
    ShowInplaceEdit();
  }
  // A grid that is only its fixed line (one row with FixedRowAlways, one column with
  // FixedColAlways) has no cell to stand on: nothing shows as current or selected there.
  if ((FixedRowAlways && RowCount() == 1) || (FixedColAlways && ColCount() == 1)) {
    HideInplaceEdit();
    if (Selection().Left < ColCount()) HideSelection();
    Invalidate();
  }
}

void TQnStringGrid::WMCommand(TMessage& Message) {
  if (!OnComboChange || !FCombo || Message.LParam != reinterpret_cast<LPARAM>(FCombo)) return;
  switch (HIWORD(Message.WParam)) {
    case CBN_SELCHANGE: {
      const int index = FCombo->ItemIndex();
      const std::string text = index >= 0 && index < FCombo->Items().Count() ? FCombo->Items()[index] : std::string();
      OnComboChange(this, Col(), Row(), index, text);
      break;
    }
    case CBN_EDITCHANGE:
      OnComboChange(this, Col(), Row(), -1, FCombo->Text());
      break;
    default:
      break;
  }
}

bool IsInputMessage(UINT Msg) {
  return (Msg >= WM_KEYDOWN && Msg <= WM_SYSCHAR) || (Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST);
}

// An error raised by a key or mouse handler goes on to the application's guard, with the grid
// back in its normal state: no cell left half edited, no capture kept.
void TQnStringGrid::WndProc(TMessage& Message) {
  GuardInput(*this, Message, [&] { DispatchMessage(Message); });
}

void TQnStringGrid::DispatchMessage(TMessage& Message) {
  if (PanMessage(Message)) return;
  switch (Message.Msg) {
    case WM_PAINT:
    case WM_ERASEBKGND:
      if (UpdateCount() > 0) {
        Message.Result = 0;
        return;
      }
      break;
    case WM_TIMER:
      if (Message.WParam == kGridTimerId) {
        TimerTick();
        return;
      }
      break;
    case WM_SETCURSOR:
      if (FCursorMode != 0 && GridState() != gsColSizing && GridState() != gsRowSizing) {
        FCursorGuard = true;
        EnsureGridCursors();
        SetCursor(FCursorMode == 1 ? 8011 : FCursorMode == 2 ? 8010 : 8012);
        Message.Result = 1;
        return;
      }
      break;
    case CM_CURSORCHANGED:
      TStringGrid::WndProc(Message);
      if (!FCursorGuard) FCursorMode = 0;
      FCursorGuard = false;
      return;
    case WM_SIZE:
      TStringGrid::WndProc(Message);
      if (FColumnSize->Stretch()) StretchColumns();
      UpdateScrollBars();
      PlaceInplaceEdit();
      return;
    case WM_CHAR:
      WMChar(Message);
      return;
    case WM_RBUTTONDOWN:
      WMRButtonDown(Message);
      return;
    case WM_LBUTTONDBLCLK: {
      if (WMLButtonDblClk(Message)) return;
      TStringGrid::WndProc(Message);
      const TGridCoord cell = MouseCoord(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
      if (OnDblClickCell) OnDblClickCell(this, cell.Y, cell.X);
      return;
    }
    case WM_SETFOCUS:
      TStringGrid::WndProc(Message);
      WMSetFocus();
      return;
    case WM_COMMAND:
      WMCommand(Message);
      break;
    case CM_HINTSHOW:
      HandleCellHint(Message);
      return;
    case WM_VSCROLL:
      WMScroll(Message, true);
      return;
    case WM_HSCROLL:
      WMScroll(Message, false);
      return;
    default:
      break;
  }
  TStringGrid::WndProc(Message);
}
