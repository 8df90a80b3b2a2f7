#include "client/bulk_forms.h"

#include <fstream>

#include "client/view_layout.h"
#include "controls/grid/qn_grid.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/screen.h"

using namespace view_layout;

namespace {

TComboBox* FieldCombo(TForm* Owner, TWinControl* Parent, const std::string& Name, int Left, int Top,
                      const std::vector<TReplaceField>& Fields) {
  auto* C = Make<TComboBox>(Owner, Parent, Name, Left, Top, 220, 21);
  for (const auto& F : Fields) C->Items().Add(F.Name);
  return C;
}

TTabSheet* Page(TForm* Owner, TPageControl* Book, const std::string& Name, const std::string& Caption) {
  auto* P = new TTabSheet(Owner);
  P->SetName(Name);
  P->SetCaption(Caption);
  P->SetPageControl(Book);
  return P;
}

}  // namespace

// ---- Search and replace --------------------------------------------------------------------------

TReplaceForm::TReplaceForm(TComponent* AOwner, const TConfiguration& Config)
    : TForm(AOwner), FChecks(ReplaceFieldList(Config)) {
  SetName("ReplaceForm");
  SetCaption("Search and Replace");
  SetPosition(poScreenCenter);
  SetColor(clBtnFace);
  SetBounds(0, 0, 400, 260);
  PaintFormBackground(this);
  Book = Make<TPageControl>(this, this, "Book", 8, 8, 376, 180);
  const auto& F = FChecks.Fields();
  TTabSheet* P1 = Page(this, Book, "ReplacePage", "Search and Replace");
  MakeCaptioned<TLabel>(this, P1, "FieldLabel", "Field", 10, 14, 100, 15);
  Field = FieldCombo(this, P1, "Field", 120, 10, F);
  MakeCaptioned<TLabel>(this, P1, "OldLabel", "Old Value", 10, 44, 100, 15);
  OldValue = Make<TEdit>(this, P1, "OldValue", 120, 40, 220, 21);
  MakeCaptioned<TLabel>(this, P1, "NewLabel", "New Value", 10, 74, 100, 15);
  NewValue = Make<TEdit>(this, P1, "NewValue", 120, 70, 220, 21);
  OKBtn = MakeCaptioned<TButton>(this, P1, "OKBtn", "OK", 265, 110, 75, 25);
  OKBtn->OnClick = [this](TObject*) {
    Accept(FChecks.OKBtnClick(Field->Text(), OldValue->Text(), NewValue->Text(), Choice));
  };
  TTabSheet* P2 = Page(this, Book, "DefaultPage", "Load Default");
  MakeCaptioned<TLabel>(this, P2, "DefaultFieldLabel", "Field", 10, 14, 100, 15);
  DefaultField = FieldCombo(this, P2, "DefaultField", 120, 10, F);
  MakeCaptioned<TLabel>(this, P2, "DefaultValueLabel", "Default Value", 10, 44, 100, 15);
  DefaultValue = Make<TEdit>(this, P2, "DefaultValue", 120, 40, 220, 21);
  OKDefault = MakeCaptioned<TButton>(this, P2, "OKDefault", "OK", 265, 110, 75, 25);
  OKDefault->OnClick = [this](TObject*) {
    Accept(FChecks.OKDefaultClick(DefaultField->Text(), DefaultValue->Text(), Choice));
  };
  TTabSheet* P3 = Page(this, Book, "ConditionalPage", "Load Conditional");
  MakeCaptioned<TLabel>(this, P3, "ConditionalFieldLabel", "Conditional", 10, 10, 100, 15);
  ConditionalField = FieldCombo(this, P3, "ConditionalField", 120, 6, F);
  MakeCaptioned<TLabel>(this, P3, "ConditionalLabel", "Conditional Value", 10, 36, 100, 15);
  Conditional = Make<TEdit>(this, P3, "Conditional", 120, 32, 220, 21);
  MakeCaptioned<TLabel>(this, P3, "LoadFieldLabel", "Load Field", 10, 62, 100, 15);
  LoadField = FieldCombo(this, P3, "LoadField", 120, 58, F);
  MakeCaptioned<TLabel>(this, P3, "LoadValueLabel", "Load Value", 10, 88, 100, 15);
  LoadValue = Make<TEdit>(this, P3, "LoadValue", 120, 84, 220, 21);
  ConditionalOK = MakeCaptioned<TButton>(this, P3, "ConditionalOK", "OK", 265, 116, 75, 25);
  ConditionalOK->OnClick = [this](TObject*) {
    Accept(FChecks.ConditionalOKClick(ConditionalField->Text(), LoadField->Text(), Conditional->Text(),
                                      LoadValue->Text(), Choice));
  };
  Book->SetActivePageIndex(0);
  CancelBtn = MakeCaptioned<TButton>(this, this, "CancelBtn", "Cancel", 309, 196, 75, 25);
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
}

void TReplaceForm::Accept(bool Done) {
  if (Done) SetModalResult(mrOk);
}

// ---- Data import --------------------------------------------------------------------------------

TImportForm::TImportForm(TComponent* AOwner, TServerSession& Session, const TConfiguration& Config,
                         const std::string& RecordTitle, const std::string& Folder)
    : TForm(AOwner), FItems(ImportFieldMenu(Config, RecordTitle)), FFolder(Folder) {
  SetName("ImportForm");
  SetCaption("Import Data");
  SetPosition(poScreenCenter);
  SetColor(clBtnFace);
  SetBounds(0, 0, 900, 520);
  PaintFormBackground(this);
  GridPanel = Make<TPanel>(this, this, "GridPanel", 10, 10, 880, 365);
  GridPanel->SetCaption("");
  ImportGrid = Make<TQnStringGrid>(this, GridPanel, "ImportGrid", 0, 0, 880, 365);
  ImportGrid->SetAlign(alClient);
  ImportGrid->SetColCount(1);
  ImportGrid->SetRowCount(1);
  ImportGrid->SetFixedRows(0);
  ImportGrid->SetFixedCols(0);
  ImportGrid->OnClickCell = [this](TObject*, int ARow, int ACol) {
    ImportGridClickCell(ARow, ACol, MousePoint());
  };
  ControlPanel = Make<TPanel>(this, this, "ControlPanel", 10, 385, 560, 40);
  ControlPanel->SetCaption("");
  SelectImportFileBtn = MakeCaptioned<TButton>(this, ControlPanel, "SelectImportFileBtn", "Open Import File", 5, 8, 130, 25);
  PerformImportBtn = MakeCaptioned<TButton>(this, ControlPanel, "PerformImportBtn", "Perform Import", 140, 8, 130, 25);
  ClearImportBtn = MakeCaptioned<TButton>(this, ControlPanel, "ClearImportBtn", "Clear", 275, 8, 130, 25);
  CloseImportDatabtn = MakeCaptioned<TButton>(this, ControlPanel, "CloseImportDatabtn", "Close", 410, 8, 130, 25);
  TablePanel = Make<TPanel>(this, this, "TablePanel", 580, 385, 310, 100);
  TablePanel->SetCaption("");
  IMport = MakeCaptioned<TButton>(this, TablePanel, "IMport", "Import", 5, 8, 95, 25);
  BitBtn1 = MakeCaptioned<TButton>(this, TablePanel, "BitBtn1", "Save", 105, 8, 95, 25);
  BitBtn2 = MakeCaptioned<TButton>(this, TablePanel, "BitBtn2", "<LI> Import", 205, 8, 95, 25);
  html = Make<TMemo>(this, TablePanel, "html", 5, 38, 240, 56);
  Lines = MakeCaptioned<TLabel>(this, TablePanel, "Lines", "0", 250, 40, 50, 15);
  FieldMenu = new TPopupMenu(this);
  FieldMenu->SetName("FieldMenu");
  FieldMenu->SetAutoHotkeys(maManual);
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    auto* Item = AddItem(this, FieldMenu->Items(), "", FItems[i].Caption, FItems[i].Code);
    Item->SetAutoHotkeys(maManual);
    Item->OnClick = [this, i](TObject*) { Logic->SelectField(FColumn, FItems[i]); };
  }
  Logic = std::make_unique<TImportLogic>(Session, *ImportGrid);
  Logic->EnableForm = [this](bool E) { EnableForm(E); };
  Logic->SetTimeOut = [this](int S) {
    if (SetTimeOut) SetTimeOut(S);
  };
  PerformImportBtn->SetEnabled(false);
  SelectImportFileBtn->OnClick = [this](TObject*) { SelectImportFileBtnClick(); };
  PerformImportBtn->OnClick = [this](TObject*) {
    Logic->PerformImport();
    PerformImportBtn->SetEnabled(ImportGrid->RowCount() > 1);
  };
  ClearImportBtn->OnClick = [this](TObject*) {
    Logic->ClearImportGrid();
    PerformImportBtn->SetEnabled(false);
  };
  CloseImportDatabtn->OnClick = [this](TObject*) { Close(); };
  IMport->OnClick = [this](TObject*) { IMportClick(); };
  BitBtn1->OnClick = [this](TObject*) {
    std::vector<std::string> L;
    std::ifstream F(FFolder + "html.csv");
    for (std::string S; std::getline(F, S);) L.push_back(S.empty() || S.back() != '\r' ? S : S.substr(0, S.size() - 1));
    SetMemoLines(L);
  };
  BitBtn2->OnClick = [this](TObject*) { SetMemoLines(ListItemImport(MemoLines())); };
  FormActivate();
}

TImportForm::~TImportForm() = default;

void TImportForm::FormActivate() { SetFieldMenuEnableState(); }

void TImportForm::Loaded(bool Any) { PerformImportBtn->SetEnabled(Any); }

void TImportForm::SelectImportFileBtnClick() {
  TOpenDialog Dialog(this);
  Dialog.SetFilter("Comma Delimited File|*.csv|Text File|*.txt");
  if (!Dialog.Execute()) return;
  Loaded(Logic->LoadFile(Dialog.FileName()));
}

void TImportForm::ImportGridClickCell(int Row, int Col, TPoint At) {
  if (Row != 0 || ImportGrid->RowCount() < 2) return;
  FColumn = Col;
  SetFieldMenuEnableState();
  FieldMenu->Popup(At.X, At.Y);
}

void TImportForm::SetFieldMenuEnableState() {
  Logic->SetFieldMenuEnableState(FItems);
  for (std::size_t i = 0; i < FItems.size() && static_cast<int>(i) < FieldMenu->Items()->Count(); ++i)
    FieldMenu->Items()->Items(static_cast<int>(i))->SetEnabled(FItems[i].Enabled);
}

std::vector<std::string> TImportForm::MemoLines() const {
  std::vector<std::string> L;
  for (int i = 0; i < html->Lines().Count(); ++i) L.push_back(html->Lines()[i]);
  return L;
}

void TImportForm::SetMemoLines(const std::vector<std::string>& L) {
  TStringList Text;
  for (const auto& S : L) Text.Add(S);
  html->SetLines(Text);
  Lines->SetCaption(std::to_string(html->Lines().Count()));
}

void TImportForm::IMportClick() {
  std::vector<std::string> L = MemoLines();
  const bool Any = Logic->LoadHtml(L, FFolder);
  SetMemoLines(L);
  Loaded(Any);
}

void TImportForm::EnableForm(bool Enable) {
  for (TControl* C : std::initializer_list<TControl*>{ImportGrid, SelectImportFileBtn, PerformImportBtn,
                                                      ClearImportBtn, CloseImportDatabtn})
    C->SetEnabled(Enable);
  SetEnabled(Enable);
}

void TImportForm::Resize() {
  TForm::Resize();
  FormResize();
}

void TImportForm::FormResize() {
  if (!ControlPanel) return;
  ControlPanel->SetTop(Height() - 135);
  ControlPanel->SetLeft(std::max(0, (Width() - ControlPanel->Width() - TablePanel->Width()) / 2));
  GridPanel->SetHeight(std::max(50, Height() - 155));
  GridPanel->SetWidth(std::max(50, Width() - 20));
  TablePanel->SetLeft(ControlPanel->Left() + 570);
  TablePanel->SetTop(ControlPanel->Top());
}
