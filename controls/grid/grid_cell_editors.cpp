#include "controls/grid/grid_cell_editors.h"

#include <algorithm>

#include "controls/grid/grid_arrows.h"
#include "controls/grid/grid_inplace.h"
#include "controls/grid/grid_utils.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/sysutils.h"
#include "platform/sys/libraries.h"
#include "platform/ui/screen.h"
#include "platform/ui/std_control_messages.h"


namespace {

// Posted by an editor with child controls of its own when it loses the focus: the edit ends
// only when the focus went outside it (not to its button or spinner).
constexpr UINT kCheckFocusMessage = WM_USER + 0x4E1;

bool EndsOnFocusCheck(TWinControl& Editor, TQnStringGrid& Grid) {
  return Editor.Visible() && Grid.ActiveCellControl() == &Editor &&
         !Editor.ContainsControl(GetFocus());
}

}  // namespace

// ---- shared steps ----

void TGridCellEditorAccess::GridKeyDown(TQnStringGrid& Grid, WORD Key, TShiftState Shift) {
  Grid.KeyDown(Key, Shift);
}

bool TGridCellEditorAccess::EndEdit(TQnStringGrid& Grid, WORD Key, TShiftState Shift,
                                    std::string& Text, bool Validate, bool PassOn,
                                    bool SwitchAlwaysEdit) {
  const int realCol = Grid.RealColIndex(Grid.Col());
  const int row = Grid.Row();
  if (Validate && (Key == VK_RETURN || Key == VK_UP || Key == VK_DOWN)) {
    Grid.SetCells(realCol, row, Text);
    if (!Grid.ValidateCell(Text)) {
      Text = Grid.Cells(realCol, row);
      return false;
    }
    Text = Grid.Cells(realCol, row);
  }
  if (Key == VK_ESCAPE) {
    Text = Grid.EditStartText();
    if (TWinControl* control = Grid.ActiveCellControl();
        control && !dynamic_cast<TDateTimePicker*>(control) && !dynamic_cast<TCheckBox*>(control))
      control->SetText(Text);
  }
  Grid.HideCellControl();
  if (PassOn) GridKeyDown(Grid, Key, Shift);
  TNavigation& nav = Grid.Navigation();
  const bool alwaysEdit = nav.AlwaysEdit;
  if (SwitchAlwaysEdit) nav.AlwaysEdit = false;
  if (Grid.CanFocus()) Grid.SetFocus();
  if (Key == VK_RETURN) Grid.AdvanceCell(Grid.Col(), Grid.Row(), true, true, false);
  nav.AlwaysEdit = alwaysEdit;
  return true;
}

// ---- TGridChildEditor ----

template <class TBase>
TGridChildEditor<TBase>::TGridChildEditor(TQnStringGrid* Grid, bool HasChildren, bool WantChars)
    : TBase(Grid), FGrid(Grid), FHasChildren(HasChildren), FWantChars(WantChars) {
  this->SetVisible(false);
}

template <class TBase>
LRESULT TGridChildEditor<TBase>::DialogCode() const {
  LRESULT code = DLGC_WANTARROWS | DLGC_WANTALLKEYS;
  if (FWantChars) code |= DLGC_WANTCHARS;
  return code;
}

template <class TBase>
void TGridChildEditor<TBase>::DoExit() {
  TBase::DoExit();
  if (!this->Visible() || FGrid->ActiveCellControl() != this) return;
  if (FHasChildren) this->PostMessage(kCheckFocusMessage);
  else FGrid->HideCellControl();
}

template <class TBase>
void TGridChildEditor<TBase>::WndProc(TMessage& Message) {
  GuardInput(*FGrid, Message, [&] {
    if (EditorMessage(Message)) return;
    if (FHasChildren && Message.Msg == kCheckFocusMessage) {
      if (EndsOnFocusCheck(*this, *FGrid)) FGrid->HideCellControl();
      return;
    }
    if (Message.Msg == WM_GETDLGCODE) {
      Message.Result = DialogCode();
      return;
    }
    TBase::WndProc(Message);
  });
}

template class TGridChildEditor<TQnComboBox>;
template class TGridChildEditor<TCellSpinEdit>;
template class TGridChildEditor<TDateTimePicker>;
template class TGridChildEditor<TCheckBox>;
template class TGridChildEditor<TCellEditBtn>;
template class TGridChildEditor<TCellUnitEditBtn>;
template class TGridChildEditor<TButton>;

// ---- TGridCombo ----

TGridCombo::TGridCombo(TQnStringGrid* Grid) : TGridChildEditor(Grid, false, true) { SetButtonWidth(16); }

void TGridCombo::Change() {
  TQnComboBox::Change();
  Changed = true;
  if (!FSelecting) Notify(CBN_EDITCHANGE);
}

void TGridCombo::Select() {
  FSelecting = true;
  Notify(CBN_SELCHANGE);
  try {
    TQnComboBox::Select();
  } catch (...) {
    FSelecting = false;
    throw;
  }
  FSelecting = false;
}

void TGridCombo::Notify(WORD Code) {
  if (Visible()) FGrid->Perform(WM_COMMAND, MAKEWPARAM(0, Code), reinterpret_cast<LPARAM>(this));
}

void TGridCombo::KeyDown(WORD& Key, TShiftState Shift) {
  FCompletion = !(Key == VK_BACK || Key == VK_DELETE);
  const bool listStyle = !Editable() || DroppedDown();
  bool ends = false, passOn = false;
  switch (Key) {
    case VK_TAB: case VK_RETURN: case VK_ESCAPE: case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME:
      ends = true;
      passOn = Key == VK_TAB;
      break;
    case VK_UP: case VK_DOWN:
      ends = !listStyle;
      passOn = ends;
      break;
    case VK_LEFT: case VK_RIGHT:
      ends = listStyle;
      passOn = ends;
      break;
    default: break;
  }
  if (!ends) {
    TQnComboBox::KeyDown(Key, Shift);
    return;
  }
  if (DroppedDown()) SetDroppedDown(false);
  std::string text = Text();
  const bool validate = listStyle ? Key == VK_RETURN : (Key == VK_RETURN || Key == VK_UP || Key == VK_DOWN);
  const WORD key = Key;
  Key = 0;
  if (!TGridCellEditorAccess::EndEdit(*FGrid, key, Shift, text, validate, passOn)) SetText(text);
  else if (key == VK_ESCAPE) SetText(text);
}

void TGridCombo::KeyPress(char32_t& Key) {
  if (Key == 13) {
    Key = 0;
    return;
  }
  TQnComboBox::KeyPress(Key);
}

void TGridCombo::KeyUp(WORD& Key, TShiftState Shift) {
  if (Key != VK_RETURN) TQnComboBox::KeyUp(Key, Shift);
  if (FCompletion && FGrid->Lookup) LookupCompletion();
}

void TGridCombo::LookupCompletion() {
  const std::string text = Text();
  std::string typed = text.substr(0, static_cast<std::size_t>(std::max(SelStart(), 0)));
  if (typed.empty()) return;
  if (!FGrid->LookupCaseSensitive) typed = UpperCaseText(typed);
  for (int i = 0; i < Items().Count(); ++i) {
    const std::string item = Items().Strings(i);
    const std::string compared = FGrid->LookupCaseSensitive ? item : UpperCaseText(item);
    if (compared.compare(0, typed.size(), typed) != 0) continue;
    const std::string completed = text.substr(0, typed.size()) + item.substr(typed.size(), 255);
    SetText(completed);
    SetItemIndex(i);
    SetText(completed);
    SetSelStart(static_cast<int>(typed.size()));
    SetSelLength(static_cast<int>(completed.size() - typed.size()));
    return;
  }
}

void TGridCombo::DoEnter() {
  TQnComboBox::DoEnter();
  if (FGrid->CaretPlacementPending()) FGrid->ClearCaretPlacement();
}

bool TGridCombo::EditorMessage(TMessage& Message) {
  if (Message.Msg != CM_WANTSPECIALKEY || Message.WParam != VK_TAB) return false;
  Message.Result = FGrid->Options().Contains(goTabs) ? 1 : 0;
  return true;
}

LRESULT TGridCombo::DialogCode() const {
  LRESULT code = TGridChildEditor::DialogCode();
  if (FGrid->Options().Contains(goTabs)) code |= DLGC_WANTTAB;
  return code;
}

// ---- TGridSpin ----

TGridSpin::TGridSpin(TQnStringGrid* Grid) : TGridChildEditor(Grid, true, true) {
  MaxValue = 100;
  MinValue = 0;
  Increment = 1;
}

void TGridSpin::Clicked(bool Up) {
  const int col = FGrid->Col(), row = FGrid->Row();
  switch (SpinType()) {
    case sptNormal: if (FGrid->OnSpinClick) FGrid->OnSpinClick(FGrid, col, row, Value(), Up); break;
    case sptFloat: if (FGrid->OnFloatSpinClick) FGrid->OnFloatSpinClick(FGrid, col, row, FloatValue(), Up); break;
    case sptDate: if (FGrid->OnDateSpinClick) FGrid->OnDateSpinClick(FGrid, col, row, DateValue(), Up); break;
    case sptTime: if (FGrid->OnTimeSpinClick) FGrid->OnTimeSpinClick(FGrid, col, row, TimeValue(), Up); break;
    default: break;
  }
}

void TGridSpin::UpClick(TObject* Sender) {
  TCellSpinEdit::UpClick(Sender);
  Clicked(true);
}

void TGridSpin::DownClick(TObject* Sender) {
  TCellSpinEdit::DownClick(Sender);
  Clicked(false);
}

void TGridSpin::KeyDown(WORD& Key, TShiftState Shift) {
  if (Key == VK_PRIOR || Key == VK_NEXT || Key == VK_END || Key == VK_HOME) {
    const bool up = Key == VK_PRIOR || Key == VK_HOME;
    if (SpinType() == sptFloat) {
      const double v = FloatValue();
      if (Key == VK_PRIOR && v + IncrementFloat <= MaxFloatValue) SetFloatValue(v + IncrementFloat);
      else if (Key == VK_NEXT && v - IncrementFloat >= MinFloatValue) SetFloatValue(v - IncrementFloat);
      else if (Key == VK_END) SetFloatValue(MinFloatValue);
      else if (Key == VK_HOME) SetFloatValue(MaxFloatValue);
    } else {
      const int v = Value();
      if (Key == VK_PRIOR && v + Increment <= MaxValue) SetValue(v + Increment);
      else if (Key == VK_NEXT && v - Increment >= MinValue) SetValue(v - Increment);
      else if (Key == VK_END) SetValue(MinValue);
      else if (Key == VK_HOME) SetValue(MaxValue);
    }
    if (FGrid->OnSpinClick) FGrid->OnSpinClick(FGrid, FGrid->Col(), FGrid->Row(), Value(), up);
    Key = 0;
    return;
  }
  if (Key == VK_RETURN || Key == VK_ESCAPE || Key == VK_UP || Key == VK_DOWN) {
    std::string text = Text();
    const WORD key = Key;
    Key = 0;
    const bool ended = TGridCellEditorAccess::EndEdit(*FGrid, key, Shift, text, true,
                                                      key == VK_UP || key == VK_DOWN);
    if (!ended || key == VK_ESCAPE) SetText(text);
    return;
  }
  TCellSpinEdit::KeyDown(Key, Shift);
}

void TGridSpin::KeyPress(char32_t& Key) {
  if (Key == 13) {
    Key = 0;
    return;
  }
  TCellSpinEdit::KeyPress(Key);
}

// ---- TGridDatePicker ----

TGridDatePicker::TGridDatePicker(TQnStringGrid* Grid) : TGridChildEditor(Grid, false, false) {}

void TGridDatePicker::KeyDown(WORD& Key, TShiftState Shift) {
  switch (Key) {
    case VK_RETURN: case VK_ESCAPE: case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME:
    case VK_UP: case VK_DOWN: {
      if (Key == VK_ESCAPE) {
        TDateTime d = 0;
        const std::string& cell = FGrid->EditStartText();
        if (Kind() == dtkTime ? TryStrToTime(cell, d) : TryStrToDate(cell, d)) {
          if (Kind() == dtkTime) SetTime(d);
          else SetDate(d);
        }
      }
      std::string text = DisplayText();
      const WORD key = Key;
      Key = 0;
      TGridCellEditorAccess::EndEdit(*FGrid, key, Shift, text, false, key == VK_UP || key == VK_DOWN);
      return;
    }
    default:
      TDateTimePicker::KeyDown(Key, Shift);
  }
}

void TGridDatePicker::WndProc(TMessage& Message) {
  TGridChildEditor::WndProc(Message);
  if (Message.Msg == WM_NCPAINT && Message.WParam) {
    TCanvas canvas;
    canvas.SetPainter(reinterpret_cast<TPainter*>(Message.WParam));
    try {
      TRect r = Rect(0, 0, Width(), Height());
      canvas.Brush().SetColor(clWindow);
      canvas.FrameRect(r);
      InflateRect(r, -1, -1);
      canvas.FrameRect(r);
    } catch (...) {
      canvas.SetPainter(nullptr);
      throw;
    }
    canvas.SetPainter(nullptr);
  }
}

// ---- TGridCheckBox ----

TGridCheckBox::TGridCheckBox(TQnStringGrid* Grid) : TGridChildEditor(Grid, false, false) {}

void TGridCheckBox::KeyDown(WORD& Key, TShiftState Shift) {
  switch (Key) {
    case VK_RETURN: case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME: case VK_LEFT:
    case VK_UP: case VK_RIGHT: case VK_DOWN: {
      std::string text = Caption();
      const WORD key = Key;
      Key = 0;
      TGridCellEditorAccess::EndEdit(*FGrid, key, Shift, text, false, key == VK_UP || key == VK_DOWN, false);
      return;
    }
    default:
      TCheckBox::KeyDown(Key, Shift);
  }
}

// ---- TGridEditBtn ----

TGridEditBtn::TGridEditBtn(TQnStringGrid* Grid) : TGridChildEditor(Grid, true, true) {}

void TGridEditBtn::ClickButton() {
  TCellEditBtn::ClickButton();
  SetText(FGrid->EllipsClick(Text()));
  SetSelection(0, static_cast<int>(Text().size()));
  Invalidate();
}

void TGridEditBtn::KeyDown(WORD& Key, TShiftState Shift) {
  const bool ends = !Shift.Contains(ssCtrl) &&
                    (Key == VK_RETURN || Key == VK_ESCAPE || Key == VK_PRIOR || Key == VK_NEXT ||
                     Key == VK_UP || Key == VK_DOWN);
  if (!ends) {
    TCellEditBtn::KeyDown(Key, Shift);
    return;
  }
  std::string text = Text();
  const WORD key = Key;
  Key = 0;
  const bool ended = TGridCellEditorAccess::EndEdit(*FGrid, key, Shift, text, true,
                                                    key == VK_UP || key == VK_DOWN);
  if (!ended) {
    SetText(text);
    SetSelection(static_cast<int>(text.size()), static_cast<int>(text.size()));
    Invalidate();
  }
}

void TGridEditBtn::KeyPress(char32_t& Key) {
  if (Key == 13) {
    Key = 0;
    return;
  }
  const int kind = FGrid->EditorKind();
  const std::string text = Text();
  const bool control = Key == 8 || Key == 9;
  const bool digit = Key >= '0' && Key <= '9';
  if (kind == edNumericEditBtn) {
    if (Key == '-') {
      if (text.find('-') != std::string::npos || SelStart() != 0) {
        MessageBeep(0);
        Key = 0;
        return;
      }
    } else if (!control && !digit) {
      MessageBeep(0);
      Key = 0;
      return;
    }
  } else if (kind == edFloatEditBtn) {
    if (Key == '.' || Key == ',') {
      const std::string sel = SelText();
      if ((text.find('.') != std::string::npos && sel.find('.') == std::string::npos) ||
          (text.find(',') != std::string::npos && sel.find(',') == std::string::npos)) {
        Key = 0;
        return;
      }
    } else if (Key == '-') {
      if (SelStart() != 0 || text.find('-') != std::string::npos) {
        MessageBeep(0);
        Key = 0;
        return;
      }
    } else if (!control && !digit) {
      Key = 0;
      return;
    }
  } else if (kind != edEditBtn) {
    Key = 0;
    return;
  }
  // Only Tab and the digits reach the application's key-press event.
  if (Key == 9 || digit) {
    TCellEditBtn::KeyPress(Key);
  }
}

// ---- TGridUnitEditBtn ----

TGridUnitEditBtn::TGridUnitEditBtn(TQnStringGrid* Grid) : TGridChildEditor(Grid, true, true) {}

void TGridUnitEditBtn::KeyDown(WORD& Key, TShiftState Shift) {
  const bool ends = Key == VK_RETURN || Key == VK_ESCAPE || Key == VK_PRIOR || Key == VK_NEXT ||
                    Key == VK_UP || Key == VK_DOWN;
  if (!ends) {
    TCellUnitEditBtn::KeyDown(Key, Shift);
    return;
  }
  std::string text = Text();
  const WORD key = Key;
  Key = 0;
  if (!TGridCellEditorAccess::EndEdit(*FGrid, key, Shift, text, true, key == VK_UP || key == VK_DOWN))
    SetText(text);
}

// Enter ends the edit in KeyDown: its character goes nowhere.
bool TGridUnitEditBtn::EditorMessage(TMessage& Message) {
  if (Message.Msg != WM_CHAR || Message.WParam != 13) return false;
  Message.Result = 0;
  return true;
}

// ---- TGridButton ----

TGridButton::TGridButton(TQnStringGrid* Grid) : TGridChildEditor(Grid, false, false) {}

void TGridButton::Ellipsis() { SetCaption(FGrid->EllipsClick(Caption())); }

void TGridButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) Ellipsis();
  TButton::MouseUp(Button, Shift, X, Y);
}

void TGridButton::KeyUp(WORD& Key, TShiftState Shift) {
  if (Key == VK_SPACE) {
    Ellipsis();
    TButton::KeyUp(Key, Shift);
    if (CanFocus()) SetFocus();
    Invalidate();
    return;
  }
  if (Key == VK_LEFT || Key == VK_UP || Key == VK_RIGHT || Key == VK_DOWN) {
    const WORD key = Key;
    TGridCellEditorAccess::GridKeyDown(*FGrid, key, Shift);
    SetVisible(false);
    SetEnabled(false);
    FGrid->CloseInCellControl();
    if (FGrid->CanFocus()) FGrid->SetFocus();
    WORD up = key;
    FGrid->Perform(WM_KEYUP, up, 0);
    return;
  }
  TButton::KeyUp(Key, Shift);
}

void TGridButton::KeyDown(WORD& Key, TShiftState Shift) {
  if (Key == VK_ESCAPE) {
    Key = 0;
    SetVisible(false);
    SetEnabled(false);
    FGrid->CloseInCellControl();
    if (FGrid->CanFocus()) FGrid->SetFocus();
    FGrid->SetCells(FGrid->RealColIndex(FGrid->Col()), FGrid->Row(), FGrid->EditStartText());
    FGrid->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
    return;
  }
  TButton::KeyDown(Key, Shift);
}


// ---- TEditLink ----

TEditLink::~TEditLink() = default;

void TEditLink::Show(int ACol, int ARow, const TRect& CellScreenRect) {
  EditCol = ACol;
  EditRow = ARow;
  if (PopupStyle != 1) return;
  FPopupForm = std::make_unique<TForm>(nullptr);
  FPopupForm->SetBorderStyle(bsNone);
  FPopupForm->OnDeactivate = [this](TObject*) { PopupStep(); };
  FPopupForm->SetBounds(CellScreenRect.Left, CellScreenRect.Top, PopupWidth, PopupHeight);
  FPopupForm->Show();
}

void TEditLink::SetCellValue(const std::string& Value) {
  FGrid->SetCells(FGrid->RealColIndex(FGrid->Col()), FGrid->Row(), Value);
}

void TEditLink::WriteBack() {
  SetCellValue(GetEditorValue());
  FGrid->HideCellControl();
  if (TWinControl* control = GetEditControl()) control->Perform(WM_CLOSE);
}

void TEditLink::EndEdit() {
  WriteBack();
  DestroyEditor();
  if (PopupStyle == 1) FPopupForm.reset();
}

void TEditLink::PopupStep() {
  if (WriteThrough) SetCellValue(GetEditorValue());
  else EndEdit();
}

// ---- the grid's side ----

namespace {

// The grid's child editor of a kind, made when it is first needed.
template <class TEditor>
TEditor& ChildEditor(TEditor*& Editor, TQnStringGrid* Grid) {
  if (!Editor) {
    Editor = new TEditor(Grid);
    Editor->SetParent(Grid);
  }
  return *Editor;
}

}  // namespace

void TQnStringGrid::FreeEditors() {
  FInCellControl = false;
  delete FInplaceEdit;
  delete FCombo;
  delete FSpin;
  delete FDatePicker;
  delete FCheckBox;
  delete FEditBtn;
  delete FUnitEditBtn;
  delete FButton;
  for (TArrowWindow*& arrow : FArrows) {
    delete arrow;
    arrow = nullptr;
  }
  delete FDragImage;
  FDragImage = nullptr;
  FInplaceEdit = nullptr;
  FCombo = nullptr;
  FSpin = nullptr;
  FDatePicker = nullptr;
  FCheckBox = nullptr;
  FEditBtn = nullptr;
  FUnitEditBtn = nullptr;
  FButton = nullptr;
}

TGridCombo& TQnStringGrid::Combo() { return ChildEditor(FCombo, this); }

TGridSpin& TQnStringGrid::Spin() { return ChildEditor(FSpin, this); }

TGridDatePicker& TQnStringGrid::DatePicker() { return ChildEditor(FDatePicker, this); }

TGridCheckBox& TQnStringGrid::CheckBox() { return ChildEditor(FCheckBox, this); }

TGridEditBtn& TQnStringGrid::EditBtn() { return ChildEditor(FEditBtn, this); }

TGridUnitEditBtn& TQnStringGrid::UnitEditBtn() { return ChildEditor(FUnitEditBtn, this); }

TGridButton& TQnStringGrid::CellButton() { return ChildEditor(FButton, this); }

bool TQnStringGrid::CellDateControlsAvailable() const {
  DWORD ms = 0, ls = 0;
  if (!GetBuiltinModuleVersion("comctl32.dll", ms, ls)) return false;
  return ms >= ((4u << 16) | 70u);
}

std::string TQnStringGrid::EllipsClick(const std::string& S) {
  std::string s = S;
  if (OnEllipsClick) OnEllipsClick(this, RealColIndex(Col()), Row(), s);
  return s;
}

TWinControl* TQnStringGrid::ActiveCellControl() const {
  if (!FInCellControl) return nullptr;
  switch (FEditorKind) {
    case edSpinEdit: case edFloatSpinEdit: case edTimeSpinEdit: case edDateSpinEdit: return FSpin;
    case edComboEdit: case edComboList: return FCombo;
    case edEditBtn: case edNumericEditBtn: case edFloatEditBtn: return FEditBtn;
    case edCheckBox: return FCheckBox;
    case edDateEdit: case edDateEditUpDown: case edTimeEdit: return FDatePicker;
    case edButton: return FButton;
    case edUnitEditBtn: return FUnitEditBtn;
    case edCustom: return EditLink ? EditLink->GetEditControl() : nullptr;
    default: return nullptr;
  }
}

void TQnStringGrid::ShowCellControl(int Kind) {
  if (Kind == edNone) return;
  const TRect r = CellRect(Col(), Row());
  const int realCol = RealColIndex(Col());
  const std::string text = Cells(realCol, Row());
  CellEnter();
  FEditPending = true;
  FEditorKind = Kind;
  TWinControl* control = nullptr;
  switch (Kind) {
    case edSpinEdit: case edFloatSpinEdit: case edTimeSpinEdit: case edDateSpinEdit: {
      TGridSpin& spin = Spin();
      if (OnGetEditorProp) OnGetEditorProp(this, realCol, Row(), EditLink);
      spin.SetBounds(r.Left, r.Top, r.Width(), r.Height());
      if (Kind == edSpinEdit) {
        spin.SetSpinType(sptNormal);
        int v = 0;
        spin.SetValue(TryStrToInt(text, v) ? v : 0);
      } else if (Kind == edFloatSpinEdit) {
        spin.SetSpinType(sptFloat);
        double v = 0;
        spin.SetFloatValue(ReadPlainNumber(NormalizeNumber(text), v) ? v : 0);
      } else if (Kind == edDateSpinEdit) {
        spin.SetSpinType(sptDate);
        TDateTime d = 0;
        spin.SetDateValue(TryStrToDate(text, d) ? d : Date());
      } else {
        spin.SetSpinType(sptTime);
      }
      control = &spin;
      break;
    }
    case edCheckBox: {
      TGridCheckBox& check = CheckBox();
      if (OnGetEditorProp) OnGetEditorProp(this, realCol, Row(), EditLink);
      check.SetBounds(r.Left, r.Top, r.Width(), r.Height());
      check.SetCaption(text);
      control = &check;
      break;
    }
    case edEditBtn: case edNumericEditBtn: case edFloatEditBtn: {
      TGridEditBtn& edit = EditBtn();
      if (OnGetEditorProp) OnGetEditorProp(this, realCol, Row(), EditLink);
      edit.SetBounds(r.Left, r.Top, r.Width(), r.Height());
      edit.SetText(text);
      control = &edit;
      break;
    }
    case edDateEdit: case edDateEditUpDown: case edTimeEdit: {
      TGridDatePicker& picker = DatePicker();
      if (OnGetEditorProp) OnGetEditorProp(this, realCol, Row(), EditLink);
      picker.SetKind(Kind == edTimeEdit ? dtkTime : dtkDate);
      picker.SetDateMode(Kind == edDateEditUpDown ? dmUpDown : dmComboBox);
      TDateTime d = 0;
      if (Kind == edTimeEdit) {
        if (TryStrToTime(text, d)) picker.SetTime(d);
      } else if (TryStrToDate(text, d)) {
        picker.SetDate(d);
      }
      picker.SetBounds(r.Left, r.Top, r.Width(), picker.Height());
      control = &picker;
      break;
    }
    case edUnitEditBtn: {
      TGridUnitEditBtn& unit = UnitEditBtn();
      if (OnGetEditorProp) OnGetEditorProp(this, realCol, Row(), EditLink);
      unit.SetBounds(r.Left, r.Top, r.Width(), r.Height());
      std::string value, id;
      for (char c : text) {
        if ((c >= '0' && c <= '9') || c == ',' || c == '-' || c == '.') value += c;
        else id += c;
      }
      unit.SetText(value);
      unit.SetUnitID(id);
      control = &unit;
      break;
    }
    case edButton: {
      TGridButton& button = CellButton();
      if (OnGetEditorProp) OnGetEditorProp(this, realCol, Row(), EditLink);
      button.SetBounds(r.Left, r.Top, r.Width() + 2, r.Height() + 2);
      button.SetCaption(text);
      control = &button;
      break;
    }
    case edComboEdit: case edComboList: {
      TGridCombo& combo = Combo();
      combo.SetStyle(Kind == edComboList ? csDropDownList : csDropDown);
      if (OnGetEditorProp) OnGetEditorProp(this, realCol, Row(), EditLink);
      combo.SetBounds(r.Left, r.Top, r.Width(), r.Height());
      combo.SetText(text);
      combo.Changed = false;
      if (FNavigation->AutoComboDropSize) {
        int w = combo.Width();
        TCanvas& canvas = Canvas();
        canvas.Font().Assign(Font());
        for (int i = 0; i < combo.Items().Count(); ++i)
          w = std::max(w, canvas.TextWidth(combo.Items().Strings(i)) + 6);
        combo.Perform(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(w));
      }
      control = &combo;
      break;
    }
    case edCustom: {
      if (OnGetEditorProp) OnGetEditorProp(this, realCol, Row(), EditLink);
      if (!EditLink) return;
      FInCellControl = true;
      const TPoint topLeft = ClientToScreen({r.Left, r.Top});
      EditLink->Show(Col(), Row(), Bounds(topLeft.X, topLeft.Y, r.Width(), r.Height()));
      control = EditLink->GetEditControl();
      if (control) {
        if (!control->Parent()) control->SetParent(this);
        if (EditLink->PopupStyle != 1) control->SetBounds(r.Left, r.Top, r.Width(), r.Height());
      }
      break;
    }
    default:
      return;
  }
  FInCellControl = true;
  if (!control) return;
  control->SetEnabled(true);
  control->SetVisible(true);
  control->BringToFront();
  if (control->CanFocus()) control->SetFocus();
}

void TQnStringGrid::HideCellControl() {
  if (!FInCellControl) return;
  TWinControl* control = ActiveCellControl();
  FInCellControl = false;
  const int realCol = RealColIndex(Col());
  const int row = Row();
  switch (FEditorKind) {
    case edSpinEdit: case edFloatSpinEdit: case edTimeSpinEdit: case edDateSpinEdit:
      SetCells(realCol, row, FSpin->Text());
      break;
    case edComboEdit: case edComboList:
      if (FCombo->Changed) SetCells(realCol, row, FCombo->Text());
      break;
    case edEditBtn: case edNumericEditBtn: case edFloatEditBtn:
      SetCells(realCol, row, FEditBtn->Text());
      break;
    case edDateEdit: case edDateEditUpDown:
      if (CellDateControlsAvailable()) SetCells(realCol, row, DateToStr(FDatePicker->Date()));
      break;
    case edTimeEdit:
      if (CellDateControlsAvailable()) SetCells(realCol, row, TimeToStr(FDatePicker->Time()));
      break;
    case edUnitEditBtn:
      SetCells(realCol, row, FUnitEditBtn->Text() + FUnitEditBtn->UnitID());
      break;
    case edCustom:
      // The link's own hide: its value goes into the cell; its editor lives until it ends.
      if (EditLink && !EditLink->NotHidden) EditLink->SetCellValue(EditLink->GetEditorValue());
      break;
    default:
      break;
  }
  FEditing = false;
  FEditPending = false;
  if (control && control->Visible()) {
    const bool hadFocus = control->Focused();
    control->SetVisible(false);
    if (hadFocus && CanFocus()) SetFocus();
  }
  CellEnter();
}
