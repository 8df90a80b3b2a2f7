// The record window's field clicks by kind, label renames, pictures and attachment, the line
// commands of grids 3 and 4 with their row editor, and the windows of search and replace, data
// import, the relationship diagram and the CD player: wired onto the window's controls.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "client/core/grid_lines.h"
#include "client/core/record_fields.h"

class TView;
class TEdit;
class TCustomEdit;
class TCalendarPopup;
class TPopupMenu;

class TViewFields {
public:
  explicit TViewFields(TView& View);
  ~TViewFields();

  TRecordFields Fields;
  TGridLineCommands Lines;
  std::unique_ptr<TCalendarPopup> GetDate;
  TPopupMenu* RelationMenu = nullptr;
  // The row editor's window while it is open (for tests and the X server driver).
  class TEditDirListingForm* RowEditor = nullptr;

  // A record was shown: its picture.
  void RecordShown();
  // ---- Fields ----
  void Detail0Enter(TEdit* Field);
  void Detail8Click(TEdit* Field);
  void SelectDate1Click();
  void ClearDate1Click();
  // A barcode field: the barcode editor over its value and the database's barcode settings.
  void EditBarcodeField(TEdit* Field);
  // The link menu of a URL field.
  void SetURL1Click();
  void JumptoURL1Click();
  // What the read-only state reaches beyond the editors: grid 3's in-place editing, the item
  // list's double click, the check boxes and the picture buttons.
  void SetReadOnlyState(bool ReadOnly);
  void CustomizeLabels(int Tag);
  void CustomizeDetailLabel(int Tag);
  // ---- Pictures and attachment ----
  void DisplayPicture();
  void SelectPictureClick();
  void ClearPictureClick();
  void SelectResumeBtnClick();
  void ViewResumeBtnClick();
  // ---- Grids 3 and 4 ----
  TLineCommandInput GridInput(int GridNumber);
  bool OpenRowEditor(int GridNumber, int Row);
  // ---- Windows ----
  void SearchandReplace1Click();
  void ImportData1Click();
  void ImportBTNClick();
  void Diagram1Click(int Description);
  void CDTBtnClick();

private:
  void Wire();
  int TagOf(TEdit* Field) const;
  std::string KindOf(TEdit* Field) const;
  TCustomEdit* DateTarget() const;
  // A money field whose text no total can read shows it in red; its own colour comes back once
  // the text reads (the save refuses such a typed value with the row editor's message).
  void MarkAmount(TEdit* Field);
  TView& V;
  TEdit* FURLField = nullptr;
  std::map<TEdit*, int> FUnmarkedColours;
};
