// In-place editing on the headless backend: the editor kind per cell, the text editor's
// filters and re-casing, lookup completion, validation, and the child editors' key hand-back.
#include <gtest/gtest.h>

#include "controls/grid/grid_cell_editors.h"
#include "controls/grid/grid_inplace.h"
#include "controls/grid/qn_grid.h"
#include "platform/headless/headless_peer.h"
#include "platform/ui/application.h"
#include "platform/rtl/format_settings.h"
#include "platform/sys/libraries.h"
#include "platform/ui/scroll_bars.h"
#include "platform/ui/screen.h"

namespace {

struct TEditGrid {
  TForm form{nullptr};
  TQnStringGrid* grid = nullptr;
  int kind = 0;
  TEditGrid() {
    InstallHeadlessBackend();
    form.SetBounds(0, 0, 500, 300);
    grid = new TQnStringGrid(&form);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 480, 280);
    grid->SetOptions(grid->Options() + goEditing);
    grid->OnGetEditorType = [this](TObject*, int, int, int& editor) { editor = kind; };
    form.HandleNeeded();
    grid->HandleNeeded();
    grid->SetFocus();
  }
  TQnStringGrid& g() { return *grid; }
  TQnInplaceEdit* edit() { return grid->InplaceEditor(); }
  void type(const std::string& text) {
    for (char c : text) {
      TWinControl* target = edit() && edit()->Visible() ? static_cast<TWinControl*>(edit()) : grid;
      if (TWinControl* control = grid->ActiveCellControl()) target = control;
      target->Perform(WM_CHAR, static_cast<unsigned char>(c));
    }
  }
  void key(WORD k, TShiftState shift = {}) {
    TWinControl* target = edit() && edit()->Visible() ? static_cast<TWinControl*>(edit()) : grid;
    if (TWinControl* control = grid->ActiveCellControl()) target = control;
    SetKeyboardShiftState(shift);
    target->Perform(WM_KEYDOWN, k);
    if (k == VK_RETURN) target->Perform(WM_CHAR, 13);
    if (k == VK_ESCAPE) target->Perform(WM_CHAR, 27);
    if (k == VK_BACK) target->Perform(WM_CHAR, 8);
    target->Perform(WM_KEYUP, k);
    SetKeyboardShiftState({});
  }
  int beeps() { return ScreenService().Beeps(); }
};

TEST(GridEditing, TypingOpensTheEditorEnterWritesEscapeRestores) {
  TEditGrid t;
  t.g().SetCells(1, 1, "old");
  t.type("x");
  ASSERT_NE(t.edit(), nullptr);
  EXPECT_TRUE(t.edit()->Visible());
  EXPECT_EQ(t.edit()->Text(), "x");
  t.type("yz");
  EXPECT_EQ(t.g().Cells(1, 1), "xyz");
  t.key(VK_RETURN);
  EXPECT_FALSE(t.edit()->Visible());
  EXPECT_EQ(t.g().Cells(1, 1), "xyz");
  EXPECT_EQ(t.g().Col(), 1);  // no advance without AdvanceOnEnter
  // Escape puts the text of the cell back.
  t.type("q");
  EXPECT_EQ(t.g().Cells(1, 1), "q");
  t.key(VK_ESCAPE);
  EXPECT_FALSE(t.edit()->Visible());
  EXPECT_EQ(t.g().Cells(1, 1), "xyz");
  // A control character does not open the editor.
  t.g().Perform(WM_CHAR, 3);
  EXPECT_FALSE(t.edit()->Visible());
  // With AdvanceOnEnter, Enter moves on to the next cell.
  t.g().Navigation().AdvanceOnEnter = true;
  t.type("n");
  t.key(VK_RETURN);
  EXPECT_EQ(t.g().Cells(1, 1), "n");
  EXPECT_EQ(t.g().Col(), 2);
}

TEST(GridEditing, NumericFiltersBeepWhereTheyRefuse) {
  TEditGrid t;
  t.kind = edNumeric;
  t.type("12");
  int beeps = t.beeps();
  t.type("-");
  EXPECT_EQ(t.edit()->Text(), "12");
  EXPECT_EQ(t.beeps(), beeps + 1);
  t.key(VK_ESCAPE);
  t.type("-5");
  EXPECT_EQ(t.edit()->Text(), "-5");
  t.key(VK_ESCAPE);

  t.kind = edPositiveNumeric;
  beeps = t.beeps();
  t.type("7-a");
  EXPECT_EQ(t.edit()->Text(), "7");
  EXPECT_EQ(t.beeps(), beeps + 2);
  t.key(VK_ESCAPE);

  t.kind = edFloat;
  t.g().SetCells(1, 1, "");
  t.type("1.5");
  beeps = t.beeps();
  t.type(".x");
  EXPECT_EQ(t.edit()->Text(), "1.5");
  EXPECT_EQ(t.beeps(), beeps);  // dropped without a beep
  t.edit()->SelectAll();
  t.type(".");
  EXPECT_EQ(t.edit()->Text(), ".");
  t.key(VK_ESCAPE);
}

TEST(GridEditing, CaseKindsAndTheLengthLimit) {
  TEditGrid t;
  EXPECT_EQ(MixedCaseText("mcdonald"), "McDonald");
  EXPECT_EQ(MixedCaseText("john o'neil"), "John O'Neil");
  EXPECT_EQ(MixedCaseText("henry iii"), "Henry III");
  t.kind = edMixedCase;
  t.type("henry ii");
  EXPECT_EQ(t.edit()->Text(), "Henry II");
  t.key(VK_RETURN);
  EXPECT_EQ(t.g().Cells(1, 1), "Henry II");
  t.kind = edUpperCase;
  t.g().SetCol(2);
  t.type("abc");
  EXPECT_EQ(t.edit()->Text(), "ABC");
  t.key(VK_RETURN);
  t.kind = edLowerCase;
  t.g().SetCol(3);
  t.type("AbC");
  EXPECT_EQ(t.edit()->Text(), "abc");
  t.key(VK_RETURN);

  t.kind = edNormal;
  t.g().SetCol(4);
  t.type("a");
  t.edit()->SetLengthLimit(3);
  t.type("bcd");
  EXPECT_EQ(t.edit()->Text(), "abc");
  t.type("\b");
  EXPECT_EQ(t.edit()->Text(), "ab");
}

TEST(GridEditing, LookupCompletesFromTheListAndBackspaceStopsIt) {
  TEditGrid t;
  t.g().Lookup = true;
  t.g().LookupItems().Add("Apple");
  t.g().LookupItems().Add("Apricot");
  t.type("a");
  t.edit()->Perform(WM_KEYUP, 'A');
  EXPECT_EQ(t.edit()->Text(), "apple");
  EXPECT_EQ(t.edit()->SelStart(), 1);
  EXPECT_EQ(t.edit()->SelLength(), 4);
  t.type("pr");
  t.edit()->Perform(WM_KEYUP, 'R');
  EXPECT_EQ(t.edit()->Text(), "apricot");
  EXPECT_EQ(t.edit()->SelLength(), 4);
  // Backspace deletes the completed part; no completion until another key.
  t.key(VK_BACK);
  EXPECT_EQ(t.edit()->Text(), "apr");
}

TEST(GridEditing, ValidationRejectsAndTheEditGoesOn) {
  TEditGrid t;
  t.g().SetCells(1, 1, "good");
  t.g().OnCellValidate = [](TObject*, int, int, std::string& value, bool& valid) {
    valid = value != "bad";
  };
  t.type("bad");
  t.key(VK_RETURN);
  EXPECT_EQ(t.g().Cells(1, 1), "good");
  EXPECT_TRUE(t.edit()->Visible());
  EXPECT_EQ(t.edit()->Text(), "good");
  t.edit()->SelectAll();
  t.type("fine");
  t.key(VK_RETURN);
  EXPECT_EQ(t.g().Cells(1, 1), "fine");
  EXPECT_FALSE(t.edit()->Visible());
}

TEST(GridEditing, ChildEditorsOpenAndWriteBack) {
  TEditGrid t;
  // Spin edit: Up steps, Enter writes the value back and validates.
  t.kind = edSpinEdit;
  t.g().SetCells(1, 1, "41");
  t.key(VK_RETURN);  // Enter on the grid opens the editor
  ASSERT_EQ(t.g().ActiveCellControl(), &t.g().Spin());
  EXPECT_EQ(t.g().Spin().Value(), 41);
  t.g().Spin().UpClick(nullptr);
  t.key(VK_RETURN);
  EXPECT_EQ(t.g().ActiveCellControl(), nullptr);
  EXPECT_EQ(t.g().Cells(1, 1), "42");

  // Combo: the typed character opens it and becomes its first character; Escape restores.
  t.kind = edComboEdit;
  t.g().SetCol(2);
  t.g().SetCells(2, 1, "start");
  t.type("z");
  ASSERT_EQ(t.g().ActiveCellControl(), &t.g().Combo());
  t.key(VK_ESCAPE);
  EXPECT_EQ(t.g().Cells(2, 1), "start");

  // Edit with button: the ellipsis asks OnEllipsClick; PgDn ends without moving the row.
  t.kind = edEditBtn;
  t.g().SetCol(3);
  t.g().OnEllipsClick = [](TObject*, int, int, std::string& s) { s = "chosen"; };
  t.key(VK_RETURN);
  ASSERT_EQ(t.g().ActiveCellControl(), &t.g().EditBtn());
  t.g().EditBtn().ClickButton();
  EXPECT_EQ(t.g().EditBtn().Text(), "chosen");
  t.key(VK_NEXT);
  EXPECT_EQ(t.g().ActiveCellControl(), nullptr);
  EXPECT_EQ(t.g().Cells(3, 1), "chosen");
  EXPECT_EQ(t.g().Row(), 1);

  // Unit edit: the text splits into value and unit, and both come back.
  t.kind = edUnitEditBtn;
  t.g().SetCol(4);
  t.g().SetCells(4, 1, "12.5kg");
  t.key(VK_RETURN);
  ASSERT_EQ(t.g().ActiveCellControl(), &t.g().UnitEditBtn());
  EXPECT_EQ(t.g().UnitEditBtn().Text(), "12.5");
  EXPECT_EQ(t.g().UnitEditBtn().UnitID(), "kg");
  t.key(VK_RETURN);
  EXPECT_EQ(t.g().Cells(4, 1), "12.5kg");
}

// The child editors answer the dialog code with the keys they take (the combo the Tab key too
// when the grid moves on Tab); an editor with a button or spinner of its own ends the edit only
// once the focus has left it and its parts, the others as soon as they lose the focus.
TEST(GridEditing, ChildEditorsTakeTheirKeysAndEndWhenTheFocusLeaves) {
  TEditGrid t;
  t.form.Show();  // the editors take the focus only on a shown form
  const struct {
    int kind;
    bool chars, parts;
  } kinds[] = {{edComboEdit, true, false}, {edSpinEdit, true, true},     {edDateEdit, false, false},
               {edCheckBox, false, false}, {edEditBtn, true, true},      {edUnitEditBtn, true, true},
               {edButton, false, false}};
  for (const auto& k : kinds) {
    SCOPED_TRACE(k.kind);
    t.kind = k.kind;
    t.g().SetFocus();
    t.key(VK_RETURN);
    TWinControl* control = t.g().ActiveCellControl();
    ASSERT_NE(control, nullptr);
    ASSERT_TRUE(control->Visible());
    const LRESULT code = control->Perform(WM_GETDLGCODE);
    EXPECT_EQ(code & (DLGC_WANTARROWS | DLGC_WANTALLKEYS), DLGC_WANTARROWS | DLGC_WANTALLKEYS);
    EXPECT_EQ((code & DLGC_WANTCHARS) != 0, k.chars);
    EXPECT_EQ(code & DLGC_WANTTAB, 0);
    t.g().SetFocus();
    if (k.parts) {
      EXPECT_TRUE(control->Visible()) << "ended before the focus check";
      GetApplication().ProcessMessages();
    }
    EXPECT_FALSE(control->Visible());
    EXPECT_EQ(t.g().ActiveCellControl(), nullptr);
  }

  t.g().SetOptions(t.g().Options() + goTabs);
  t.kind = edComboEdit;
  t.key(VK_RETURN);
  TGridCombo& combo = t.g().Combo();
  EXPECT_NE(combo.Perform(WM_GETDLGCODE) & DLGC_WANTTAB, 0);
  EXPECT_EQ(combo.Perform(CM_WANTSPECIALKEY, VK_TAB), 1);
  t.key(VK_ESCAPE);

  // The focus on the edit's own button keeps the edit going.
  t.kind = edEditBtn;
  t.key(VK_RETURN);
  TGridEditBtn& edit = t.g().EditBtn();
  ASSERT_TRUE(edit.Visible());
  ASSERT_TRUE(edit.Button().CanFocus());
  edit.Button().SetFocus();
  GetApplication().ProcessMessages();
  EXPECT_TRUE(edit.Visible());
  EXPECT_EQ(t.g().ActiveCellControl(), &edit);
}

TEST(GridEditing, DateKindsWriteTheLocaleDateBack) {
  TEditGrid t;
  t.kind = edDateEdit;
  t.g().SetCells(1, 1, DateToStr(EncodeDate(2001, 1, 15)));
  t.key(VK_RETURN);
  ASSERT_EQ(t.g().ActiveCellControl(), &t.g().DatePicker());
  t.g().DatePicker().SetDate(EncodeDate(2001, 2, 3));
  t.key(VK_RETURN);
  EXPECT_EQ(t.g().Cells(1, 1), DateToStr(EncodeDate(2001, 2, 3)));
}

TEST(GridEditing, EditButtonFilters) {
  TEditGrid t;
  t.kind = edNumericEditBtn;
  t.key(VK_RETURN);
  TGridEditBtn& e = t.g().EditBtn();
  e.SetText("");
  int beeps = t.beeps();
  e.Perform(WM_CHAR, '-');
  EXPECT_EQ(e.Text(), "-");
  e.Perform(WM_CHAR, '1');
  e.Perform(WM_CHAR, '-');
  EXPECT_EQ(e.Text(), "-1");
  EXPECT_EQ(t.beeps(), beeps + 1);
  t.key(VK_ESCAPE);

  t.kind = edFloatEditBtn;
  t.key(VK_RETURN);
  e.SetText("1.5");
  e.SetSelection(3, 3);
  beeps = t.beeps();
  e.Perform(WM_CHAR, ',');
  EXPECT_EQ(e.Text(), "1.5");
  EXPECT_EQ(t.beeps(), beeps);
  e.SelectAll();
  e.Perform(WM_CHAR, ',');
  EXPECT_EQ(e.Text(), ",");
  t.key(VK_ESCAPE);
}

TEST(GridEditing, ComboCompletesFromItsItemsAndFitsItsDropWidth) {
  TEditGrid t;
  t.kind = edComboEdit;
  t.g().Lookup = true;
  t.key(VK_RETURN);
  TGridCombo& combo = t.g().Combo();
  ASSERT_EQ(t.g().ActiveCellControl(), &combo);
  combo.Items().Add("Apple");
  combo.Items().Add("Apricot");
  combo.SetText("");
  auto typeKey = [&combo](char c) {
    combo.Perform(WM_KEYDOWN, static_cast<WPARAM>(c >= 'a' ? c - 'a' + 'A' : c));
    combo.Perform(WM_CHAR, static_cast<unsigned char>(c));
    combo.Perform(WM_KEYUP, static_cast<WPARAM>(c >= 'a' ? c - 'a' + 'A' : c));
  };
  typeKey('a');
  typeKey('p');
  typeKey('r');
  EXPECT_EQ(combo.Text(), "apricot");
  EXPECT_EQ(combo.ItemIndex(), 1);
  EXPECT_EQ(combo.SelStart(), 3);
  EXPECT_EQ(combo.SelLength(), 4);
  // Backspace stops completing until another key comes.
  combo.Perform(WM_KEYDOWN, VK_BACK);
  combo.Perform(WM_CHAR, 8);
  combo.Perform(WM_KEYUP, VK_BACK);
  EXPECT_EQ(combo.Text(), "apr");
  // With the caret at the start nothing is completed.
  combo.SetText("ap");
  combo.SetSelStart(0);
  combo.Perform(WM_KEYUP, 'X');
  EXPECT_EQ(combo.Text(), "ap");
  t.key(VK_ESCAPE);

  // Items narrower than the combo leave the dropped width at the combo's own width.
  t.g().Navigation().AutoComboDropSize = true;
  combo.Items().Clear();
  combo.Items().Add("a");
  t.g().SetCol(2);
  t.key(VK_RETURN);
  EXPECT_EQ(combo.DroppedWidth(), combo.Width());
  t.key(VK_ESCAPE);
}

TEST(GridEditing, ButtonEscapeRestoresAndPasswordShowsStars) {
  TEditGrid t;
  t.kind = edButton;
  t.g().SetCells(1, 1, "before");
  t.key(VK_RETURN);
  TGridButton& button = t.g().CellButton();
  ASSERT_TRUE(button.Visible());
  EXPECT_EQ(button.Caption(), "before");
  t.g().SetCells(1, 1, "changed meanwhile");
  button.Perform(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_FALSE(button.Visible());
  EXPECT_EQ(t.g().Cells(1, 1), "before");

  t.kind = edPassword;
  t.g().SetCol(2);
  t.type("secret");
  EXPECT_EQ(t.edit()->PasswordChar(), U'*');
  EXPECT_TRUE(t.edit()->EditStyle() & ES_PASSWORD);
  t.key(VK_RETURN);
  EXPECT_EQ(t.g().Cells(2, 1), "secret");
}

TEST(GridEditing, DatePickerWritesNothingWithAnOlderLibrary) {
  TEditGrid t;
  auto proc = [](auto f) { return reinterpret_cast<FARPROC>(f); };
  const std::map<std::string, FARPROC> procs = {
      {"InitializeFlatSB", proc(&InitializeFlatSB)}, {"UninitializeFlatSB", proc(&UninitializeFlatSB)},
      {"FlatSB_ShowScrollBar", proc(&FlatSB_ShowScrollBar)}, {"FlatSB_SetScrollInfo", proc(&FlatSB_SetScrollInfo)},
      {"FlatSB_GetScrollInfo", proc(&FlatSB_GetScrollInfo)}, {"FlatSB_SetScrollProp", proc(&FlatSB_SetScrollProp)},
      {"FlatSB_GetScrollProp", proc(&FlatSB_GetScrollProp)}, {"FlatSB_SetScrollPos", proc(&FlatSB_SetScrollPos)},
      {"FlatSB_GetScrollPos", proc(&FlatSB_GetScrollPos)}, {"FlatSB_SetScrollRange", proc(&FlatSB_SetScrollRange)}};
  RegisterBuiltinModule("comctl32.dll", procs, (4u << 16) | 71u, 0);
  EXPECT_TRUE(t.g().CellDateControlsAvailable());
  RegisterBuiltinModule("comctl32.dll", procs, (4u << 16) | 0u, 0);
  EXPECT_FALSE(t.g().CellDateControlsAvailable());
  t.kind = edDateEdit;
  t.g().SetCells(1, 1, "not a date");
  t.key(VK_RETURN);
  t.g().DatePicker().SetDate(EncodeDate(2001, 2, 3));
  t.key(VK_RETURN);
  EXPECT_EQ(t.g().Cells(1, 1), "not a date");
  RegisterBuiltinModule("comctl32.dll", procs, (5u << 16) | 81u, 0);
}

// An application's editor: a plain edit whose text is the value.
class TTextLink : public TEditLink {
public:
  explicit TTextLink(TQnStringGrid* Grid) : TEditLink(Grid), Edit(Grid) { Edit.SetVisible(false); }
  std::string GetEditorValue() override { return Edit.Text(); }
  TWinControl* GetEditControl() override { return &Edit; }
  void DestroyEditor() override { ++Destroyed; }
  TEdit Edit;
  int Destroyed = 0;
};

TEST(GridEditing, AnEditLinkShowsTheApplicationsEditorAndWritesItsValue) {
  TEditGrid t;
  t.kind = edCustom;
  TTextLink link(t.grid);
  t.g().OnGetEditorProp = [&link](TObject* sender, int, int, TEditLink*) {
    static_cast<TQnStringGrid*>(sender)->EditLink = &link;
  };
  t.g().SetCells(1, 1, "old");
  t.key(VK_RETURN);
  ASSERT_EQ(t.g().ActiveCellControl(), &link.Edit);
  EXPECT_TRUE(link.Edit.Visible());
  EXPECT_EQ(link.Edit.Left(), t.g().CellRect(1, 1).Left);
  EXPECT_EQ(link.EditCol, 1);
  link.Edit.SetText("from the link");
  t.g().HideCellControl();
  EXPECT_EQ(t.g().Cells(1, 1), "from the link");
  EXPECT_EQ(link.Destroyed, 0);  // only the link's end destroys its editor
  EXPECT_FALSE(link.Edit.Visible());
  // While the link says it is not hidden, hiding the grid's editor leaves the cell alone.
  link.NotHidden = true;
  t.key(VK_RETURN);
  link.Edit.SetText("kept out");
  t.g().HideCellControl();
  EXPECT_EQ(t.g().Cells(1, 1), "from the link");
  link.NotHidden = false;
  // The pop-up style: a form at the cell; with write-through the pop-up step writes and stays.
  link.PopupStyle = 1;
  link.WriteThrough = true;
  t.key(VK_RETURN);
  ASSERT_NE(link.PopupForm(), nullptr);
  link.Edit.SetText("through");
  link.PopupStep();
  EXPECT_EQ(t.g().Cells(1, 1), "through");
  EXPECT_NE(link.PopupForm(), nullptr);
  link.WriteThrough = false;
  link.Edit.SetText("ended");
  link.PopupStep();
  EXPECT_EQ(t.g().Cells(1, 1), "ended");
  EXPECT_EQ(link.PopupForm(), nullptr);
  EXPECT_EQ(link.Destroyed, 1);
}

}  // namespace

// End or Home with no column to move to opens the cell's editor with the caret at the end or the
// start: what is typed next is added, not put in place of the cell.  Where a column lies that
// way, they move there as before.
TEST(GridEditing, EndOrHomeOnTheLastOrFirstColumnTypesIntoTheCell) {
  TEditGrid t;
  t.g().SetColCount(2);  // one value column, as the row editor's
  t.g().SetCells(1, 1, "Ann Example");
  t.g().SetCells(1, 2, "Mill Lane");
  t.key(VK_END);
  ASSERT_NE(t.edit(), nullptr);
  EXPECT_TRUE(t.edit()->Visible());
  t.type(" Jr");
  t.key(VK_RETURN);
  EXPECT_EQ(t.g().Cells(1, 1), "Ann Example Jr");
  t.key(VK_DOWN);
  EXPECT_EQ(t.g().Row(), 2);
  t.key(VK_HOME);
  t.type("9 ");
  t.key(VK_RETURN);
  EXPECT_EQ(t.g().Cells(1, 2), "9 Mill Lane");

  // Several columns: End from the first goes to the last, and only there does it type.
  TEditGrid wide;
  wide.g().SetColCount(4);
  wide.g().SetCells(3, 1, "end");
  wide.g().SetCol(1);
  wide.key(VK_END);
  EXPECT_EQ(wide.g().Col(), 3);
  EXPECT_FALSE(wide.edit() && wide.edit()->Visible());
  wide.key(VK_END);
  wide.type("s");
  wide.key(VK_RETURN);
  EXPECT_EQ(wide.g().Cells(3, 1), "ends");
  // Ctrl+End still goes to the last row, without an editor.
  wide.g().SetRowCount(5);
  wide.key(VK_END, TShiftState{ssCtrl});
  EXPECT_EQ(wide.g().Row(), 4);
  EXPECT_FALSE(wide.edit()->Visible());
}
