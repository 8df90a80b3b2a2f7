#include "client/view_grid_commands.h"

#include "client/core/record_streams.h"
#include "client/core/record_window.h"
#include "client/core/server_requests.h"
#include "client/reports/data_summary.h"
#include "client/reports/record_print_form.h"
#include "client/reports/reminder_report.h"
#include "client/reports/report_common.h"
#include "client/reports/report_windows.h"
#include "client/view.h"
#include "client/view_fields.h"
#include "client/view_layout.h"
#include "client/view_reports.h"
#include "controls/grid/qn_grid.h"
#include "controls/pick_dialog.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/modal_service.h"

namespace {

constexpr const char* kRecordListEnd = "*** Record List End ***";

void SaveShown(TView& V) {
  if (V.Logic && V.Logic->LoggedIn()) V.Logic->SaveRecord(V.Logic->Buffers.Current, true);
}

}  // namespace

TGridPageCommands::TGridPageCommands(TView& View) : V(View), FFindItem(std::make_unique<TFindDialog>(nullptr)) {
  WireGrids();
  WireRelationMenu();
}

TGridPageCommands::~TGridPageCommands() = default;

int TGridPageCommands::GridFieldFound(const std::string& Word, TQnStringGrid& Grid) {
  const std::string Wanted = LowerCase(Word);
  for (int c = 0; c < Grid.ColCount(); ++c)
    if (LowerCase(Grid.Cells(c, 0)).find(Wanted) != std::string::npos) return c;
  return -1;
}

// ---- Printing --------------------------------------------------------------------------------

void TGridPageCommands::PrintDirClick(TQnStringGrid& Grid) {
  if (GridFieldFound("name", Grid) >= 0 && GridFieldFound("address", Grid) >= 0) {
    FPrintedGrid = &Grid;
    const TPoint P = view_layout::MousePoint();
    V.GridPrintMenu->Popup(P.X, P.Y);
    return;
  }
  PrintGridReport(V, Grid);
}

void TGridPageCommands::List1Click() {
  if (FPrintedGrid) PrintGridReport(V, *FPrintedGrid);
}

void TGridPageCommands::SelectedAddress1Click() { PrintAddresses(FPrintedGrid, true); }

void TGridPageCommands::AllAddresses1Click() { PrintAddresses(FPrintedGrid, false); }

void TGridPageCommands::Grid3Address1Click() {
  FPrintedGrid = V.DirGrid;
  AllAddresses1Click();
}

void TGridPageCommands::Grid4Address1Click() {
  FPrintedGrid = V.Grid4;
  AllAddresses1Click();
}

void TGridPageCommands::PrintAddresses(TQnStringGrid* Grid, bool SelectedOnly) {
  if (!Grid) return;
  const int NameColumn = GridFieldFound("name", *Grid), AddressColumn = GridFieldFound("address", *Grid);
  SaveShown(V);
  TRTFForm Form(ReportWindowsOf(V));
  // A grid without one of the columns gives labels without that part (cells outside are empty).
  BuildAddressList(NameColumn, AddressColumn, Form.AddressList, *Grid, SelectedOnly ? Grid->Row() : -1);
  // A line with neither name nor address gets no label: it would print as a blank one.
  for (std::size_t i = 0; i < Form.AddressList.size(); ++i)
    if (!PrintsNoAddress(*Form.AddressList[i])) Form.OrderList.push_back(std::to_string(i));
  Form.SetCaption("Print Address");
  Form.PrintMode = 4;
  Form.ShowModal();
}

void TGridPageCommands::PrintSettings1Click(TQnStringGrid& Grid) { RunPrintSettings(Grid); }

void TGridPageCommands::Print1Click(TQnStringGrid& Grid) { PrintGridDirectly(Grid); }

void TGridPageCommands::WireGrids() {
  using view_layout::AddItem;
  auto Item = [this](const char* Name, void (TGridPageCommands::*F)()) {
    if (auto* M = dynamic_cast<TMenuItem*>(V.Find(Name))) M->OnClick = [this, F](TObject*) { (this->*F)(); };
  };
  Item("List1", &TGridPageCommands::List1Click);
  Item("SelectedAddress1", &TGridPageCommands::SelectedAddress1Click);
  Item("AllAddresses1", &TGridPageCommands::AllAddresses1Click);
  Item("Grid3Address1", &TGridPageCommands::Grid3Address1Click);
  Item("Grid4Address1", &TGridPageCommands::Grid4Address1Click);

  // Both grids share the pop-up; it acts on the grid it was opened over.
  GridPopup = new TPopupMenu(&V);
  GridPopup->SetName("GridPopup");
  auto Target = [this]() -> TQnStringGrid* {
    auto* G = dynamic_cast<TQnStringGrid*>(GridPopup->PopupComponent());
    return G ? G : V.DirGrid;
  };
  AddItem(&V, GridPopup->Items(), "PrintSettings1", "Print Settings")->OnClick = [this, Target](TObject*) {
    PrintSettings1Click(*Target());
  };
  AddItem(&V, GridPopup->Items(), "Print1", "Print")->OnClick = [this, Target](TObject*) { Print1Click(*Target()); };

  for (TGridPage* Page : {&V.Grid3Page, &V.Grid4Page}) {
    TQnStringGrid* Grid = Page->Grid;
    Grid->SetPopupMenu(GridPopup);
    Page->PrintBtn->OnClick = [this, Grid](TObject*) { PrintDirClick(*Grid); };
    Page->FindBtn->OnClick = [this, Grid](TObject*) { FindGridBtnClick(*Grid); };
  }
}

// ---- Find --------------------------------------------------------------------------------------

void TGridPageCommands::FindGridBtnClick(TQnStringGrid& Grid) {
  FFinder = std::make_unique<TGridDataSummary>(ReportWindowsOf(V).Host, ViewSearchList(V), Grid);
  FFinder->FindCol = Grid.Col();
  FFinder->FindRow = Grid.Row();
  TFindDialog& D = *FFindItem;
  D.OnFind = [this, &D](TObject*) {
    if (!FFinder) return;
    const TFindOptions O = D.Options();
    if (FFinder->Find(D.FindText(), O.Contains(frDown), O.Contains(frMatchCase), O.Contains(frWholeWord))) return;
    MessageDlg(D.FindText() + " not found.", mtInformation, TMsgDlgButtons{mbOK});
    D.CloseDialog();
  };
  D.Execute();
}

// ---- Relational descriptions ---------------------------------------------------------------

std::vector<TRelatedChoice> TGridPageCommands::RelatedChoices(const std::vector<std::string>& Lines,
                                                              const std::string& Current,
                                                              bool SearchListOnly) const {
  std::vector<TRelatedChoice> Out;
  TSearchList& List = ViewSearchList(V);
  for (const auto& B : ReadReplyBlocks(Lines, 2, kRecordListEnd)) {
    if (B[0] == Current) continue;
    if (SearchListOnly && !List.Contains(B[0])) continue;
    Out.emplace_back(B[0], B[1]);
  }
  return Out;
}

void TGridPageCommands::Select1Click(int Index, bool SearchListOnly, const std::string& Caption) {
  if (Index < 0 || Index > 9 || !V.Logic) return;
  TRecordWindow& W = *V.Logic;
  TPickDialog PickRelated;
  PickRelated.Caption = Caption;
  PickRelated.Title = Caption;
  PickRelated.OkCaption = "Select";
  std::vector<TRelatedChoice> Choices;
  if (V.DescEdit[static_cast<std::size_t>(Index)]->Tag() >= 0) {
    TServerSession& S = *V.Session;
    S.InitializeRequest();
    S.SetParameter("Function", "ListRecords", true);
    std::vector<std::string> Lines;
    // A failed request leaves the dialog without entries; it still shows.
    if (S.GetServerPath() && S.CheckResult("SendRecordList", &Lines))
      Choices = RelatedChoices(Lines, V.number->Text(), SearchListOnly);
  }
  for (const auto& C : Choices) PickRelated.PickItems().Add(C.second);
  W.BeginModal();
  const TModalResult Result = PickRelated.Execute();
  W.EndModal();
  const int Chosen = PickRelated.ItemIndex;
  if (Result != mrOk || Chosen < 0 || Chosen >= static_cast<int>(Choices.size())) return;
  const TRelatedChoice& C = Choices[static_cast<std::size_t>(Chosen)];
  W.ChooseDescriptionValue(Index, C.second + " : " + C.first);
}

void TGridPageCommands::ClearField1Click(int Index) {
  if (V.Logic && Index >= 0 && Index <= 9) V.Logic->ClearFieldClick(Index);
}

void TGridPageCommands::WireRelationMenu() {
  if (!V.Fields || !V.Fields->RelationMenu) return;
  using view_layout::AddItem;
  TMenuItem* Root = V.Fields->RelationMenu->Items();
  TMenuItem* Select = AddItem(&V, Root, "SelectRelated1", "Select");
  for (const bool SearchList : {false, true}) {
    TMenuItem* M = AddItem(&V, Select, SearchList ? "FromSearchList1" : "FromEntireDatabase1",
                           SearchList ? "From Search List" : "From Entire Database");
    M->OnClick = [this, M, SearchList](TObject*) { Select1Click(RelationIndex, SearchList, M->Caption()); };
  }
  AddItem(&V, Root, "ClearField1", "Clear Field")->OnClick = [this](TObject*) { ClearField1Click(RelationIndex); };
  // The menu's entries act on the description whose button opened it.
  for (int i = 0; i < 10; ++i) {
    TNotifyEvent Open = V.DescBtn[static_cast<std::size_t>(i)]->OnClick;
    V.DescBtn[static_cast<std::size_t>(i)]->OnClick = [this, i, Open](TObject* Sender) {
      RelationIndex = i;
      if (Open) Open(Sender);
    };
  }
}
