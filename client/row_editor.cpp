#include "client/row_editor.h"

#include "client/view_layout.h"
#include "controls/calendar_popup.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/date_time.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/screen.h"

using namespace view_layout;

// ---- Notes -------------------------------------------------------------------------------------

TNotesForm::TNotesForm(TComponent* AOwner) : TForm(AOwner) {
  SetName("NotesForm");
  SetCaption("Notes");
  SetPosition(poScreenCenter);
  SetColor(clBtnFace);
  SetBounds(0, 0, 360, 280);
  Notes = Make<TMemo>(this, this, "Notes", 8, 8, 336, 200);
  OKBtn = MakeCaptioned<TButton>(this, this, "OKBtn", "OK", 269, 216, 75, 25);
  OKBtn->SetDefault(true);
  OKBtn->SetModalResult(mrOk);
}

std::string TNotesForm::Edit(const std::string& Text, const std::string& Title) {
  if (!Title.empty()) SetCaption(Title);
  TStringList Shown;
  for (const auto& L : SplitNotesText(Text)) Shown.Add(L);
  Notes->SetLines(Shown);
  ShowModal();
  std::vector<std::string> Lines;
  for (int i = 0; i < Notes->Lines().Count(); ++i) Lines.push_back(Notes->Lines()[i]);
  return JoinNotesLines(Lines);
}

// ---- The row editor --------------------------------------------------------------------------------

TEditDirListingForm::TEditDirListingForm(TComponent* AOwner, TGridLineCommands& Commands, TLineCommandInput In,
                                         int Row, std::string DateFormat)
    : TForm(AOwner), FCommands(Commands), FIn(std::move(In)), FRow(Row), FDateFormat(std::move(DateFormat)) {
  SetName("EditDirListingForm");
  SetCaption("Edit");
  SetPosition(poScreenCenter);
  SetColor(clBtnFace);
  SetBounds(0, 0, 420, 360);
  PaintFormBackground(this);
  EditGrid = Make<TQnStringGrid>(this, this, "EditGrid", 8, 8, 396, 270);
  EditGrid->SetColCount(2);
  EditGrid->SetFixedCols(1);
  EditGrid->SetFixedRows(0);
  EditGrid->SetColWidths(0, 130);
  EditGrid->SetColWidths(1, 260);
  EditGrid->SetOptions(EditGrid->Options() + TGridOptions{goEditing, goTabs});
  EditGrid->OnClickCell = [this](TObject*, int ARow, int ACol) {
    if (ACol == 1) EditGridClickCell(ARow, MousePoint());
  };
  OKButton = MakeCaptioned<TButton>(this, this, "OKButton", "OK", 248, 290, 75, 25);
  OKButton->OnClick = [this](TObject*) { OKButtonClick(); };
  CancelBtn = MakeCaptioned<TButton>(this, this, "CancelBtn", "Cancel", 329, 290, 75, 25);
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
  DateMenu = new TPopupMenu(this);
  DateMenu->SetName("DateMenu");
  AddItem(this, DateMenu->Items(), "SelectDate2", "Select Date")->OnClick = [this](TObject*) { SelectDate2Click(); };
  AddItem(this, DateMenu->Items(), "ClearDate2", "Clear Date")->OnClick = [this](TObject*) { ClearDate2Click(); };
  ChoiceMenu = new TPopupMenu(this);
  ChoiceMenu->SetName("ChoiceMenu");
  ChoiceMenu->SetAutoHotkeys(maManual);
  GetDate = std::make_unique<TCalendarPopup>(nullptr);
  FormActivate();
}

TEditDirListingForm::~TEditDirListingForm() = default;

void TEditDirListingForm::Activate() {
  TForm::Activate();
  if (!FActivated) FocusControl(EditGrid);
  FActivated = true;
}

void TEditDirListingForm::FormActivate() {
  const int Cols = std::max(ColCountOf(FIn.Grid), 1);
  EditGrid->SetRowCount(Cols);
  for (int k = 0; k < Cols; ++k) {
    EditGrid->SetCells(0, k, k == 0 ? std::string("LINE ID") : CellOf(FIn.Grid, k, 0));
    EditGrid->SetCells(1, k, FRow == -1 ? std::string(k == 0 ? "NEW" : "") : CellOf(FIn.Grid, k, FRow));
  }
}

std::vector<std::string> TEditDirListingForm::Values() const {
  std::vector<std::string> V;
  for (int k = 0; k < EditGrid->RowCount(); ++k) V.push_back(EditGrid->Cells(1, k));
  return V;
}

void TEditDirListingForm::EditGridClickCell(int Row, TPoint At) {
  if (Row <= 0 || Row > 10) return;
  FClickedRow = Row;
  FClickPoint = At;
  const std::string& Kind = FIn.Defs[Row - 1][1];
  switch (CellInputOf(Kind)) {
    case TCellInput::Date: DateMenu->Popup(At.X, At.Y); break;
    case TCellInput::Menu: {
      EditGrid->SetEnabled(false);
      ChoiceMenu->Items()->Clear();
      for (const auto& Choice : ParseChoiceList(Kind)) {
        auto* Item = new TMenuItem(this);
        Item->SetCaption(Choice);
        Item->SetAutoHotkeys(maManual);
        Item->OnClick = [this, Choice](TObject*) {
          if (FClickedRow > 0) EditGrid->SetCells(1, FClickedRow, Choice);
        };
        ChoiceMenu->Items()->Add(Item);
      }
      ChoiceMenu->Popup(At.X, At.Y);
      EditGrid->SetEnabled(true);
      break;
    }
    case TCellInput::MultiLine: {
      TNotesForm Notes(this);
      EditGrid->SetCells(1, Row, Notes.Edit(EditGrid->Cells(1, Row), EditGrid->Cells(0, Row)));
      break;
    }
    case TCellInput::Plain: break;
  }
}

void TEditDirListingForm::SelectDate2Click() {
  if (FClickedRow <= 0) return;
  EditGrid->SetEnabled(false);
  GetDate->SetDate(Date());
  GetDate->SetCalLeft(FClickPoint.X + 10);
  GetDate->SetCalTop(FClickPoint.Y + 10);
  if (GetDate->Execute()) {
    const std::string Format = FDateFormat.empty() ? std::string("mm/dd/yyyy") : FDateFormat;
    EditGrid->SetCells(1, FClickedRow,
                       FormatDateTime(Format, EncodeDate(static_cast<WORD>(GetDate->Year()),
                                                         static_cast<WORD>(GetDate->Month()),
                                                         static_cast<WORD>(GetDate->Day()))));
  }
  EditGrid->SetEnabled(true);
}

void TEditDirListingForm::ClearDate2Click() {
  if (FClickedRow > 0) EditGrid->SetCells(1, FClickedRow, "");
}

void TEditDirListingForm::OKButtonClick() {
  for (TControl* C : std::initializer_list<TControl*>{EditGrid, OKButton, CancelBtn}) C->SetEnabled(false);
  Sent = FCommands.SendRowEditor(FIn.GridNumber, FRow, Values());
  for (TControl* C : std::initializer_list<TControl*>{EditGrid, OKButton, CancelBtn}) C->SetEnabled(true);
  // A line the server would not take keeps the editor open with what was typed.
  if (Sent) SetModalResult(mrOk);
}
