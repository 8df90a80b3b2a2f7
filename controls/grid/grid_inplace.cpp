// In-place editing: which editor a cell gets, the grid's own text editor with its character
// filters, lookup completion and clipboard rules, and how an edit starts and ends.
#include "controls/grid/grid_inplace.h"

#include <algorithm>

#include "controls/grid/grid_utils.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/screen.h"

namespace {

bool IsNameBreak(char c) { return c == ' ' || c == '\'' || c == ',' || c == '-' || c == '.'; }

void Beep() { MessageBeep(0); }

}  // namespace

std::string MixedCaseText(const std::string& Text) {
  std::string s = Text;
  const int n = static_cast<int>(s.size());
  bool capitalise = true;
  for (int k = 0; k < n; ++k) {
    char& c = s[static_cast<std::size_t>(k)];
    if (!IsNameBreak(c)) {
      if (capitalise) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        capitalise = false;
      } else if (c >= 'A' && c <= 'Z') {
        c = static_cast<char>(c - 'A' + 'a');
      }
    } else {
      capitalise = true;
    }
    const int i = k + 1;  // the position, counting from 1
    if (i == 2 && s.compare(0, 2, "Mc") == 0) capitalise = true;
    const std::size_t mc = s.find(" Mc");
    if (mc != std::string::npos && static_cast<int>(mc) + 3 == i && i > 2) capitalise = true;
    if (i > n - 3) {
      if (i >= 2 && s.compare(static_cast<std::size_t>(i - 2), 2, " I") == 0) capitalise = true;
      if (i >= 3 && s.compare(static_cast<std::size_t>(i - 3), 3, " II") == 0) capitalise = true;
    }
  }
  return s;
}

// ---- TQnInplaceEdit ----

TQnInplaceEdit::TQnInplaceEdit(TQnStringGrid* Grid) : TCustomMaskEdit(Grid), FGrid(Grid) {
  SetVisible(false);
  SetTabStop(false);
  SetAutoSelect(false);
}

std::string TQnInplaceEdit::WindowClass() const { return MultiLine() ? "MEMO" : "EDIT"; }

bool TQnInplaceEdit::MultiLine() const {
  return Kind() != edPassword && (FWordWrap || FGrid->Multilinecells);
}

int TQnInplaceEdit::Kind() const { return FGrid->EditorKind(); }

DWORD TQnInplaceEdit::EditStyle() const {
  DWORD style = TCustomMaskEdit::EditStyle();
  if (FVAlign != 0) style |= ES_RIGHT;
  if (Kind() == edPassword) style = (style | ES_PASSWORD) & ~static_cast<DWORD>(ES_MULTILINE);
  else if (MultiLine()) style |= ES_MULTILINE | ES_WANTRETURN;
  if (FWordWrap) style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
  return style;
}

void TQnInplaceEdit::SetVAlign(int Value) {
  if (Value == FVAlign) return;
  FVAlign = Value;
  SetAlignment(Value != 0 ? taRightJustify : taLeftJustify);
}

void TQnInplaceEdit::SetWordWrap(bool Value) {
  if (Value == FWordWrap) return;
  FWordWrap = Value;
  if (HandleAllocated()) RecreateWnd();
}

// Characters, before the edit carries them out.
bool TQnInplaceEdit::FilterChar(char32_t& Key) {
  const std::string text = Text();
  const bool nothingSelected = SelLength() == 0;
  // A full text takes nothing but Backspace, Escape and (advancing) Enter.
  if (FLengthLimit > 0 && static_cast<int>(text.size()) >= FLengthLimit && nothingSelected) {
    if (Key == 8 || Key == 27) return true;
    if (Key == 13 && FGrid->Navigation().AdvanceOnEnter) return true;
    return false;
  }
  const int kind = Kind();
  const bool control = Key == 8 || Key == 9 || Key == 13;
  switch (kind) {
    case edNumeric:
      if (control || (Key >= '0' && Key <= '9')) return true;
      if (Key == '-' && SelStart() == 0 && text.find('-') == std::string::npos) return true;
      Beep();
      return false;
    case edPositiveNumeric:
      if (control || (Key >= '0' && Key <= '9')) return true;
      Beep();
      return false;
    case edFloat: {
      if (control || (Key >= '0' && Key <= '9')) return true;
      if (Key == '.' || Key == ',') {
        const std::string sel = SelText();
        const bool holds = text.find('.') != std::string::npos || text.find(',') != std::string::npos;
        const bool selHolds = sel.find('.') != std::string::npos || sel.find(',') != std::string::npos;
        return !holds || selHolds;
      }
      if (Key == '-') {
        if (SelStart() == 0 && text.find('-') == std::string::npos) return true;
        Beep();
        return false;
      }
      return false;
    }
    case edCapital:
    case edUpperCase:
      if (Key >= 32 && Key < 128) Key = static_cast<char32_t>(UpperCase(std::string(1, static_cast<char>(Key)))[0]);
      return true;
    case edLowerCase:
      if (Key >= 32 && Key < 128) Key = static_cast<char32_t>(LowerCase(std::string(1, static_cast<char>(Key)))[0]);
      return true;
    default:
      return true;
  }
}

void TQnInplaceEdit::KeyPress(char32_t& Key) {
  TCustomMaskEdit::KeyPress(Key);
  if (Key == 0) return;
  const int kind = Kind();
  if (Key == 13 && FGrid->Navigation().LineFeedOnEnter &&
      (kind == 0 || kind == 14 || kind == 15 || kind == 18 || kind == 19)) {
    if (MultiLine()) SetSelText("\r\n");
    Key = 0;
    return;
  }
  if (Key != 27 && !FilterChar(Key)) {
    Key = 0;
    return;
  }
  if (Key == 27) {
    Key = 0;
    FGrid->FEditPending = false;
    SetText(FGrid->FEditStartText);
    FGrid->HideInplaceEdit();
    FGrid->SetCells(FGrid->RealColIndex(FGrid->Col()), FGrid->Row(), FGrid->FEditStartText);
    return;
  }
  if (Key == 13) {
    Key = 0;
    if (!FGrid->Navigation().LineFeedOnEnter && !FGrid->ValidateCell(Text())) {
      SetText(FGrid->Cells(FGrid->RealColIndex(FGrid->Col()), FGrid->Row()));
      return;
    }
    const bool show = FGrid->Navigation().AlwaysEdit || FGrid->Options().Contains(goAlwaysShowEditor);
    FGrid->HideInplaceEdit();
    FGrid->AdvanceCell(FGrid->Col(), FGrid->Row(), true, show, false);
    return;
  }
  if (kind == edMixedCase && Key >= 32) {
    SetSelText(Utf8Encode(Key));
    const int caret = SelStart();
    const std::string recased = MixedCaseText(Text());
    ReplaceText(recased, caret, caret, true);
    Key = 0;
    return;
  }
  // Auto advance: a complete text of the maximum length moves on.
  if (FGrid->Navigation().AdvanceAuto && MaxLength() > 0 && Key >= 32) {
    SetSelText(Utf8Encode(Key));
    Key = 0;
    const std::string t = Text();
    if (static_cast<int>(t.size()) >= MaxLength() && t.find(' ') == std::string::npos &&
        SelStart() == static_cast<int>(t.size())) {
      char32_t enter = 13;
      KeyPress(enter);
    }
  }
}

void TQnInplaceEdit::HandBack(WORD Key, TShiftState Shift) {
  if (!FGrid->ValidateCell(Text())) {
    SetText(FGrid->Cells(FGrid->RealColIndex(FGrid->Col()), FGrid->Row()));
    return;
  }
  FGrid->HideInplaceEdit();
  WORD key = Key;
  FGrid->KeyDown(key, Shift);
}

void TQnInplaceEdit::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomMaskEdit::KeyDown(Key, Shift);
  if (Key == 0) return;
  const bool noModifier = !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt);
  const int length = static_cast<int>(Text().size());
  if (Key == VK_BACK || Key == VK_DELETE) FCompletion = false;
  else if (Key != VK_LEFT && Key != VK_RIGHT && Key != VK_UP && Key != VK_DOWN && Key != VK_RETURN)
    FCompletion = true;
  // The caret walking out of the text moves to the cell beside.
  const bool walkRight = Key == VK_RIGHT && SelStart() >= length;
  const bool walkLeft = Key == VK_LEFT && SelStart() == 0;
  if ((walkRight || walkLeft) && noModifier && SelLength() == 0 && FGrid->Navigation().CursorWalkEditor) {
    Key = 0;
    if (!FGrid->ValidateCell(Text())) return;
    const TAdvanceDirection saved = FGrid->Navigation().AdvanceDirection;
    FGrid->Navigation().AdvanceDirection = adLeftRight;
    FGrid->HideInplaceEdit();
    FGrid->AdvanceCell(FGrid->Col(), FGrid->Row(), walkRight, true, true);
    FGrid->Navigation().AdvanceDirection = saved;
    return;
  }
  if (Key == VK_UP || Key == VK_DOWN) {
    if (MultiLine()) {
      const int line = LineOfOffset(SelStart());
      if ((Key == VK_UP && line > 0) || (Key == VK_DOWN && line < LineCount() - 1)) return;
    }
    const WORD key = Key;
    Key = 0;
    HandBack(key, Shift);
    return;
  }
  if (Key == VK_RETURN && Shift.Contains(ssCtrl) && FGrid->SizeWhileTyping().Height &&
      FGrid->Multilinecells) {
    const int lines = ::LineCount(Text() + " \r\n", true);
    const int shown = std::max(1, FGrid->RowHeights(FGrid->Row()) / std::max(1, Canvas().TextHeight("gh")));
    if (lines >= shown) FGrid->SetRowHeightForLines(FGrid->Row(), lines, 4);
    else FGrid->AutoSizeRow(FGrid->Row());
  }
  if (Key == VK_TAB && FGrid->Options().Contains(goTabs)) {
    const WORD key = Key;
    Key = 0;
    HandBack(key, Shift);
    return;
  }
  if (Key == VK_PRIOR || Key == VK_NEXT) {
    const WORD key = Key;
    Key = 0;
    HandBack(key, Shift);
  }
}

void TQnInplaceEdit::KeyUp(WORD& Key, TShiftState Shift) {
  const WORD key = Key;
  TCustomMaskEdit::KeyUp(Key, Shift);
  if (key != VK_LEFT && key != VK_RIGHT) LookupCompletion();
  if (!Visible()) return;
  if (FGrid->SizeWhileTyping().Width) {
    TCanvas& canvas = FGrid->Canvas();
    canvas.Font().Assign(FGrid->Font());
    const int needed = canvas.TextWidth(Text()) + 8;
    if (needed > FGrid->ColWidths(FGrid->Col())) FGrid->SetColWidths(FGrid->Col(), needed);
  }
  if (FGrid->SizeWhileTyping().Height && FGrid->WordWrap()) FGrid->AutoSizeRow(FGrid->Row());
}

void TQnInplaceEdit::LookupCompletion() {
  if (!FGrid->Lookup || FGrid->LookupItems().Count() == 0) return;
  if (!FCompletion || SelLength() != 0) return;
  const std::string text = Text();
  std::string typed = text.substr(0, static_cast<std::size_t>(SelStart()));
  if (typed.empty()) return;
  if (!FGrid->LookupCaseSensitive) typed = UpperCaseText(typed);
  TStringList& items = FGrid->LookupItems();
  for (int i = 0; i < items.Count(); ++i) {
    std::string item = items.Strings(i);
    const std::string compared = FGrid->LookupCaseSensitive ? item : UpperCaseText(item);
    if (compared.compare(0, typed.size(), typed) != 0) continue;
    const std::string rest = item.substr(typed.size(), 255);
    const std::string completed = text.substr(0, typed.size()) + rest;
    ReplaceText(completed, static_cast<int>(completed.size()), static_cast<int>(typed.size()), true);
    FCompletionDone = true;
    return;
  }
}

void TQnInplaceEdit::DoEnter() {
  TCustomMaskEdit::DoEnter();
  TCanvas& canvas = FGrid->Canvas();
  canvas.Brush().SetColor(FGrid->Color());
  FGrid->GetCellColor(FGrid->RealColIndex(FGrid->Col()), FGrid->Row(), TGridDrawState(),
                      canvas.Brush(), canvas.Font());
  SetColor(canvas.Brush().Color());
  if (IsMasked() && !FGrid->CaretPlacementPending() && FGrid->Navigation().ImproveMaskSel) {
    // A masked text is entered from its first position on.
    SetSelStart(0);
    SetSelLength(1);
  } else if (FGrid->CaretPlacementPending()) {
    TPoint screen;
    GetCursorPos(&screen);
    const TPoint p = ScreenToClient(screen);
    if (p.X >= 0 && p.Y >= 0 && p.X <= Width() && p.Y <= Height()) {
      const int pos = CharFromPoint(p);
      if (pos >= 0) {
        SetSelection(pos, pos);
        FGrid->ClearCaretPlacement();
      }
    }
  }
}

void TQnInplaceEdit::DoExit() {
  if (FGrid->LookupHistory && FGrid->LookupItems().IndexOf(Text()) < 0)
    FGrid->LookupItems().Add(Text());
  if (GetFocus() == FGrid) FGrid->FFocusFromEditor = true;
  TCustomMaskEdit::DoExit();
  if (!Visible()) return;
  if (!FGrid->ValidateCell(Text())) return;
  FGrid->HideInplaceEdit();
}

// The cell follows the editor as it is typed in.
void TQnInplaceEdit::Change() {
  TCustomMaskEdit::Change();
  if (Visible()) FGrid->SetEditText(FGrid->Col(), FGrid->Row(), Text());
}

void TQnInplaceEdit::DoCut() {
  bool allow = true;
  if (FGrid->OnClipboardCut) FGrid->OnClipboardCut(this, allow);
  if (allow) TCustomMaskEdit::DoCut();
}

void TQnInplaceEdit::DoPaste() {
  if (!Clipboard().HasFormat(CF_TEXT)) return;
  const std::string pasted = Clipboard().AsText();
  if (FLengthLimit >= 1 && static_cast<int>(pasted.size()) > FLengthLimit) return;
  bool allow = true;
  if (FGrid->OnClipboardPaste) FGrid->OnClipboardPaste(this, allow);
  if (!allow) return;
  const int start = SelStart(), length = SelLength();
  std::string text = Text();
  text.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(length), pasted);
  const int kind = Kind();
  if ((kind == edNumeric || kind == edPositiveNumeric) && IsNumericText(text) != 0) return;
  if (kind == edFloat && IsNumericText(text) > 1) return;
  if (kind == edMixedCase) text = MixedCaseText(text);
  else if (kind == edLowerCase) text = LowerCase(text);
  else if (kind == edUpperCase) text = UpperCase(text);
  const int end = start + static_cast<int>(pasted.size());
  if (length > 0) ReplaceText(text, start, end, true);
  else ReplaceText(text, end, end, true);
}

void TQnInplaceEdit::WndProc(TMessage& Message) {
  GuardInput(*FGrid, Message, [&] {
    switch (Message.Msg) {
      case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
        if (FGrid->Options().Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
        return;
      case WM_COPY: {
        bool allow = true;
        if (FGrid->OnClipboardCopy) FGrid->OnClipboardCopy(this, allow);
        if (!allow) return;
        break;
      }
      case WM_KEYDOWN:
        // Ctrl+Enter ends a line edit where plain Enter breaks the line.
        if (Message.WParam == VK_RETURN && KeyboardShiftState().Contains(ssCtrl) &&
            FGrid->Navigation().LineFeedOnEnter) {
          FGrid->Navigation().LineFeedOnEnter = false;
          char32_t enter = 13;
          try {
            KeyPress(enter);
          } catch (...) {
            FGrid->Navigation().LineFeedOnEnter = true;
            throw;
          }
          FGrid->Navigation().LineFeedOnEnter = true;
          Message.Result = 1;
          return;
        }
        break;
      default:
        break;
    }
    TCustomMaskEdit::WndProc(Message);
  });
}

// ---- the grid's side ----

TQnInplaceEdit* TQnStringGrid::CreateEditor() { return new TQnInplaceEdit(this); }

std::string TQnStringGrid::GetEditText(int ACol, int ARow) {
  const int realCol = RealColIndex(ACol);
  if (FInplaceEdit) {
    TAlignment align = taLeftJustify;
    if (AutoNumAlign && IsNumericText(Cells(realCol, ARow)) != 2) align = taRightJustify;
    GetCellAlign(realCol, ARow, align);
    FInplaceEdit->SetVAlign(align == taRightJustify ? 1 : 0);
  }
  return Cells(realCol, ARow);
}

void TQnStringGrid::SetEditText(int ACol, int ARow, const std::string& Value) {
  SetCells(RealColIndex(ACol), ARow, Value);
}

bool TQnStringGrid::CanEditShow() {
  if (FNoEditor) return false;
  bool result = TStringGrid::CanEditShow();
  if (FModeGuard) return result;
  if (HasState(csDesigning)) return result;
  if (result && !FInCellControl) {
    FEditStartText = Cells(RealColIndex(Col()), Row());
    FEditorKind = 0;
    GetCellEditor(RealColIndex(Col()), Row(), FEditorKind);
    if (!IsTextEditorKind(FEditorKind)) {
      ShowCellControl(FEditorKind);
      FEditing = true;
      result = false;
    }
  } else if (FInCellControl) {
    result = false;
  }
  if (result) FEditing = FTextEditorInUse = true;
  return result;
}

void TQnStringGrid::SetEditorMode(bool Value) {
  if (Value) ShowInplaceEdit();
  else HideInplaceEdit();
}

void TQnStringGrid::PlaceInplaceEdit() {
  if (!FInplaceEdit || !FInplaceEdit->Visible()) return;
  const TRect r = CellRect(Col(), Row());
  if (r.Width() <= 0) {
    // Scrolled out of view: the edit ends with its text kept.
    SetEditText(Col(), Row(), FInplaceEdit->Text());
    HideInplaceEdit();
    return;
  }
  FInplaceEdit->SetBounds(r.Left, r.Top, r.Width(), r.Height());
}

std::string TQnStringGrid::GetEditMask(int ACol, int ARow) {
  std::string mask;
  if (OnGetEditMask) OnGetEditMask(this, ACol, ARow, mask);
  return mask;
}

void TQnStringGrid::ShowInplaceEdit() {
  if (!Options().Contains(goEditing) || FNoEditor) return;
  if (FInplaceEdit && FInplaceEdit->Visible()) return;
  if (FInCellControl) return;
  const int realCol = RealColIndex(Col());
  if (Col() < TStringGrid::FixedCols() || Row() < TStringGrid::FixedRows() || IsFixedCell(realCol, Row()))
    return;
  if (!CanEditShow()) return;
  CellEnter();
  FEditPending = true;
  if (!FInplaceEdit) {
    FInplaceEdit = CreateEditor();
    FInplaceEdit->SetParent(this);
  }
  TQnInplaceEdit& edit = *FInplaceEdit;
  edit.Font().Assign(Font());
  edit.SetWordWrap(FWordWrap);
  edit.SetPasswordChar(FEditorKind == edPassword ? static_cast<char32_t>(PasswordChar) : 0);
  edit.SetMaxLength(edit.LengthLimit() == 0 ? FMaxEditLength : edit.LengthLimit());
  edit.SetEditMask(GetEditMask(Col(), Row()));
  edit.SetText(GetEditText(Col(), Row()));
  const TRect r = CellRect(Col(), Row());
  edit.SetBounds(r.Left, r.Top, std::max(r.Width(), 1), std::max(r.Height(), 1));
  edit.SetVisible(true);
  edit.SelectAll();
  FModeGuard = true;
  TStringGrid::SetEditorMode(true);
  FModeGuard = false;
  if (edit.CanFocus()) edit.SetFocus();
}

void TQnStringGrid::HideInplaceEdit() {
  if (FInplaceEdit && FInplaceEdit->Visible()) {
    const bool hadFocus = FInplaceEdit->Focused();
    FTextEditorInUse = false;
    FEditing = false;
    FInplaceEdit->SetVisible(false);
    TStringGrid::SetEditorMode(false);
    if (hadFocus && CanFocus()) {
      // The focus comes back from the editor (hiding it may have passed it on already).
      FFocusFromEditor = true;
      SetFocus();
      FFocusFromEditor = false;
    }
    Invalidate();
    return;
  }
  if (FInCellControl) HideCellControl();
  TStringGrid::SetEditorMode(false);
}
