// The child controls the grid lays over a cell for the editor kinds that its text editor does
// not handle: combo box, spin edit, date and time picker, check box, edit with button, unit
// edit, push button, and an application's own editor through an edit link.
#pragma once

#include <memory>
#include <string>

#include "controls/grid/cell_edit_btn.h"
#include "controls/grid/cell_spin.h"
#include "controls/grid/qn_combo.h"
#include "platform/ui/date_time_picker.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_buttons.h"

class TQnStringGrid;

// Steps shared by the child editors: the end of an edit on a key, and the grid's key-down.
class TGridCellEditorAccess {
public:
  // Ends the edit of `Control` for Key: validated keys write the text and ask the grid's
  // validation (false: the edit goes on with the cell's text in `Text`), Escape restores the
  // cell's text, the control is hidden with its write-back, PassOn keys move the grid, Enter
  // advances. Returns true when the edit ended.
  static bool EndEdit(TQnStringGrid& Grid, WORD Key, TShiftState Shift, std::string& Text,
                      bool Validate, bool PassOn, bool SwitchAlwaysEdit = true);
  static void GridKeyDown(TQnStringGrid& Grid, WORD Key, TShiftState Shift);
};

// What the child editors do alike: each knows its grid, starts hidden and answers the dialog
// code with the keys it wants. An editor with children of its own (a button or spinner beside
// its edit) ends the edit only when the focus has left it and its children; the others end it
// as they lose the focus.
template <class TBase>
class TGridChildEditor : public TBase {
public:
  TGridChildEditor(TQnStringGrid* Grid, bool HasChildren, bool WantChars);
  TQnStringGrid* Grid() const { return FGrid; }
  void WndProc(TMessage& Message) override;

protected:
  void DoExit() override;
  // A message the editor answers itself, before its focus check, dialog code and base (true:
  // answered).
  virtual bool EditorMessage(TMessage&) { return false; }
  virtual LRESULT DialogCode() const;
  TQnStringGrid* const FGrid;

private:
  const bool FHasChildren;
  const bool FWantChars;
};

class TGridCombo : public TGridChildEditor<TQnComboBox> {
public:
  explicit TGridCombo(TQnStringGrid* Grid);
  bool Changed = false;

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void DoEnter() override;
  // The grid hears of an edit text change (CBN_EDITCHANGE) and of a selection change
  // (CBN_SELCHANGE), as a parent hears of its combo box's.
  void Change() override;
  void Select() override;
  bool EditorMessage(TMessage& Message) override;
  LRESULT DialogCode() const override;

private:
  void LookupCompletion();
  void Notify(WORD Code);
  bool FCompletion = true;
  bool FSelecting = false;
};

class TGridSpin : public TGridChildEditor<TCellSpinEdit> {
public:
  explicit TGridSpin(TQnStringGrid* Grid);
  void UpClick(TObject* Sender) override;
  void DownClick(TObject* Sender) override;

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;

private:
  void Clicked(bool Up);
};

class TGridDatePicker : public TGridChildEditor<TDateTimePicker> {
public:
  explicit TGridDatePicker(TQnStringGrid* Grid);
  void WndProc(TMessage& Message) override;

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;
};

class TGridCheckBox : public TGridChildEditor<TCheckBox> {
public:
  explicit TGridCheckBox(TQnStringGrid* Grid);

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;
};

class TGridEditBtn : public TGridChildEditor<TCellEditBtn> {
public:
  explicit TGridEditBtn(TQnStringGrid* Grid);
  void ClickButton() override;

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
};

class TGridUnitEditBtn : public TGridChildEditor<TCellUnitEditBtn> {
public:
  explicit TGridUnitEditBtn(TQnStringGrid* Grid);

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;
  bool EditorMessage(TMessage& Message) override;
};

class TGridButton : public TGridChildEditor<TButton> {
public:
  explicit TGridButton(TQnStringGrid* Grid);

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  void Ellipsis();
};

// The application's own editor for kind 25, handed to the grid through OnGetEditorProp.
class TEditLink : public TObject {
public:
  explicit TEditLink(TQnStringGrid* Grid) : FGrid(Grid) {}
  ~TEditLink() override;

  TQnStringGrid* Grid() const { return FGrid; }
  int EditCol = -1, EditRow = -1;
  int PopupStyle = 0;  // 1: the editor sits in a pop-up form
  int PopupWidth = 100, PopupHeight = 100;
  bool WriteThrough = false;
  // While set, hiding the grid's editor leaves the link's editor alone.
  bool NotHidden = false;
  TForm* PopupForm() const { return FPopupForm.get(); }

  // The application's side.
  virtual std::string GetEditorValue() = 0;
  virtual TWinControl* GetEditControl() = 0;
  virtual void DestroyEditor() {}

  // The grid's side.
  void Show(int ACol, int ARow, const TRect& CellScreenRect);
  void SetCellValue(const std::string& Value);
  void WriteBack();
  void EndEdit();
  void PopupStep();

private:
  TQnStringGrid* FGrid;
  std::unique_ptr<TForm> FPopupForm;
};
