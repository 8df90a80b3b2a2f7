#include "client/reports/search_form.h"

#include "client/core/client_settings.h"
#include "client/core/record_window.h"
#include "client/reports/criterion_dialogs.h"
#include "client/reports/form_parts.h"
#include "client/reports/report_windows.h"
#include "client/reports/search_list.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/ini_files.h"
#include "platform/ui/menus.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"
#include "platform/ui/timer.h"
#include "platform/ui/tool_bar.h"

using namespace form_parts;

TSearch::TSearch(TReportWindows& Windows)
    : TForm(nullptr), FWindows(Windows), FTerms(std::make_unique<TSearchTerms>(Windows.Host, Windows.List)) {
  SetName("Search");
  SetCaption("Search");
  SetPosition(poScreenCenter);
  int W = 581, H = 454;
  if (auto Key = OpenSettingsKey()) ReadFormSize(*Key, "Search", 581, 454, W, H);
  SetBounds(0, 0, W, H);
  SetKeyPreview(true);

  ToolBar = MakeToolBar(this, this);
  PrintTBtn = AddToolButton(this, ToolBar, "PrintTBtn", "Print", "Print a screenshot", [this] {
    const TPoint P = CursorPosition();
    PrintMenu->Popup(P.X, P.Y);
  });
  PerformSearchTBtn = AddToolButton(this, ToolBar, "PerformSearchTBtn", "Search", "Perform Search", nullptr);
  PerformSearchTBtn->SetEnabled(false);
  GraphTBtn = AddToolButton(this, ToolBar, "GraphTBtn", "Graph", "Generate Graph", [this] { FWindows.OpenGraph(); });
  ReportTBtn = AddToolButton(this, ToolBar, "ReportTBtn", "Report", "Generate Report",
                             [this] { FWindows.OpenQuickReportSetup(); });
  ViewTBtn = AddToolButton(this, ToolBar, "ViewTBtn", "View", "View the Record Window", [this] {
    if (FWindows.Host.ShowRecordWindow) FWindows.Host.ShowRecordWindow();
  });
  SearchListTBtn = AddToolButton(this, ToolBar, "SearchListTBtn", "List", "View the Search List",
                                 [this] { FWindows.ShowSearchResults(); });
  const TToolButtons Tools = AddRecordTools(this, ToolBar, FWindows.Host);
  CalculatorTBtn = Tools.Calculator;
  CalendarTBtn = Tools.Calendar;
  CDTBtn = Tools.CD;
  CloseTBtn = AddToolButton(this, ToolBar, "CloseTBtn", "Close", "Close Search Window", [this] { Close(); });

  SearchGrid = Make<TQnStringGrid>(this, this, "SearchGrid", 0, 28, W, H - 206);
  SearchGrid->SetColCount(3);
  SearchGrid->SetRowCount(2);
  SearchGrid->SetFixedCols(0);
  SearchGrid->SetFixedRows(1);
  SearchGrid->SetDefaultColWidth(188);
  SearchGrid->SetDefaultRowHeight(21);
  SearchGrid->SetOptions(SearchGrid->Options() << goEditing);
  SearchGrid->SetLeftCol(0);
  SearchGrid->SetCol(0);
  SearchGrid->SetRow(1);

  ControlPanel = Make<TPanel>(this, this, "ControlPanel", 0, H - 177, W, 177);
  ControlPanel->SetCaption("");
  SearchResult = MakeCaptioned<TLabel>(this, ControlPanel, "SearchResult", "", 8, 6, 400, 17);
  ButtonPanel = Make<TPanel>(this, ControlPanel, "ButtonPanel", 0, 28, 560, 70);
  ButtonPanel->SetCaption("");
  PerformSearchBtn = MakeCaptioned<TButton>(this, ButtonPanel, "PerformSearchBtn", "Search", 4, 4, 100, 27);
  AddTermBtn = MakeCaptioned<TButton>(this, ButtonPanel, "AddTermBtn", "Add Term", 110, 4, 100, 27);
  RemoveTermBtn = MakeCaptioned<TButton>(this, ButtonPanel, "RemoveTermBtn", "Remove Term", 216, 4, 100, 27);
  ClearBtn = MakeCaptioned<TButton>(this, ButtonPanel, "ClearBtn", "Clear", 322, 4, 100, 27);
  NewSearchBtn = MakeCaptioned<TButton>(this, ButtonPanel, "NewSearchBtn", "New Search", 428, 4, 100, 27);
  SaveSearchBtn = MakeCaptioned<TButton>(this, ButtonPanel, "SaveSearchBtn", "Save Search To Disk", 4, 36, 160, 27);
  LoadSearchBtn = MakeCaptioned<TButton>(this, ButtonPanel, "LoadSearchBtn", "Load Search From Disk", 170, 36, 160, 27);
  SearchProgress = MakeProgressBar(this, ControlPanel, "SearchProgress", 8, 104, 300, 16);
  Progress = MakeProgressBar(this, ControlPanel, "Progress", 8, 128, 300, 16);
  PStatus = MakeCaptioned<TLabel>(this, ControlPanel, "PStatus", "", 316, 128, 200, 17);

  FieldMenu = new TPopupMenu(this);
  FieldMenu->SetName("FieldMenu");
  TypeMenu = new TPopupMenu(this);
  TypeMenu->SetName("TypeMenu");
  for (const char* Caption : {"Includes", "Does Not Include"}) {
    TMenuItem* Item = AddItem(this, TypeMenu->Items(), "", Caption);
    Item->OnClick = [this, Caption](TObject*) {
      FTerms->Includes1Click(CurrentRow(), Caption);
      ShowRows();
    };
  }
  StatusMenu = new TPopupMenu(this);
  StatusMenu->SetName("StatusMenu");
  for (int n = 1; n <= 3; ++n) {
    TMenuItem* Item = AddItem(this, StatusMenu->Items(), "", "Checkbox" + std::to_string(n), n);
    Item->OnClick = [this, n](TObject*) {
      FTerms->StatusClick(CurrentRow(), n);
      ShowRows();
    };
  }
  PrintMenu = new TPopupMenu(this);
  PrintMenu->SetName("PrintMenu");
  AddItem(this, PrintMenu->Items(), "PrintSettings1", "Print Settings")->OnClick = [this](TObject*) {
    RunPrintSettings(*SearchGrid);
  };
  AddItem(this, PrintMenu->Items(), "Print1", "Print")->OnClick = [this](TObject*) { PrintGridDirectly(*SearchGrid); };

  PerformSearchBtn->OnClick = [this](TObject*) { PerformSearchBtnClick(); };
  AddTermBtn->OnClick = [this](TObject*) {
    SyncTypedCells();
    FTerms->AddTermBtnClick();
    ShowRows();
  };
  RemoveTermBtn->OnClick = [this](TObject*) {
    SyncTypedCells();
    FTerms->RemoveTermBtnClick(CurrentRow());
    ShowRows();
  };
  ClearBtn->OnClick = [this](TObject*) { FTerms->ClearClick(); };
  NewSearchBtn->OnClick = [this](TObject*) {
    FTerms->NewSearchBtnClick();
    SetProgressPosition(SearchProgress, FTerms->SearchProgress);
    BuildFieldMenu();
    ShowRows();
  };
  SaveSearchBtn->OnClick = [this](TObject*) {
    SyncTypedCells();
    FTerms->SaveSearchBtnClick();
  };
  LoadSearchBtn->OnClick = [this](TObject*) {
    FTerms->LoadSearchBtnClick();
    BuildFieldMenu();
    ShowRows();
  };
  SearchGrid->OnCanEditCell = [this](TObject*, int Row, int Col, bool& Can) { Can = FTerms->CanEditCell(Row, Col); };
  SearchGrid->OnCellValidate = [this](TObject*, int Col, int Row, std::string& Value, bool& Valid) {
    Valid = true;
    FTerms->CellValidate(Row, Col, Value);
  };
  SearchGrid->OnMouseDown = [this](TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    // This runs before the grid moves to the pressed cell: a press on the current cell acts.
    int Col = -1, Row = -1;
    SearchGrid->MouseToCell(X, Y, Col, Row);
    if (Button == mbLeft && Col == SearchGrid->Col() && Row == SearchGrid->Row()) ActSoon();
  };
  SearchGrid->OnKeyDown = [this](TObject*, WORD& Key, TShiftState) {
    if (SearchGrid->EditorMode()) return;
    if (Key == VK_UP || Key == VK_DOWN || Key == VK_LEFT || Key == VK_RIGHT || Key == VK_TAB || Key == VK_RETURN ||
        Key == VK_ESCAPE || Key == VK_SHIFT || Key == VK_CONTROL)
      return;
    if (SearchGrid->Col() == 2 && FTerms->CanEditCell(SearchGrid->Row(), 2)) return;  // typed in the cell
    ActSoon();
  };
  // Menus and dialogs open once the grid has finished with the press or key that asked for them.
  ActTimer = new TTimer(this);
  ActTimer->SetEnabled(false);
  ActTimer->SetInterval(10);
  ActTimer->OnTimer = [this](TObject*) {
    ActTimer->SetEnabled(false);
    ActOnCell();
  };
  OnActivate = [this](TObject*) { FormActivate(); };
  OnDeactivate = [this](TObject*) { FormDeactivate(); };
  OnResize = [this](TObject*) { FormResize(); };
  OnMouseMove = [this](TObject*, TShiftState, int, int) {
    if (FWindows.Host.UserActivity) FWindows.Host.UserActivity();
  };
  OnKeyDown = [this](TObject*, WORD&, TShiftState) {
    if (FWindows.Host.UserActivity) FWindows.Host.UserActivity();
  };
  ShowRows();
  FormResize();
}

TSearch::~TSearch() = default;

int TSearch::CurrentRow() const { return SearchGrid->Row(); }

void TSearch::SyncTypedCells() {
  // What a person typed reaches the term also when the editor has not handed it over yet.
  if (SearchGrid->EditorMode()) static_cast<TCustomGrid*>(SearchGrid)->SetEditorMode(false);
  for (int r = 1; r < SearchGrid->RowCount() && r < static_cast<int>(FTerms->Rows.size()); ++r)
    if (FTerms->CanEditCell(r, 2) && SearchGrid->Cells(2, r) != FTerms->Rows[r].Value)
      FTerms->CellValidate(r, 2, SearchGrid->Cells(2, r));
}

void TSearch::ShowRows() {
  const auto& Rows = FTerms->Rows;
  SearchGrid->SetRowCount(static_cast<int>(Rows.size()));
  for (int r = 0; r < static_cast<int>(Rows.size()); ++r) {
    SearchGrid->SetCells(0, r, Rows[r].Field);
    SearchGrid->SetCells(1, r, Rows[r].Match);
    SearchGrid->SetCells(2, r, Rows[r].Value);
  }
  SearchResult->SetCaption(FTerms->SearchResult());
}

void TSearch::BuildFieldMenu() {
  FieldMenu->Items()->Clear();
  for (const auto& Entry : FTerms->FieldMenu) {
    TMenuItem* Item = AddItem(this, FieldMenu->Items(), "", Entry.Caption, Entry.Code);
    Item->SetEnabled(Entry.Enabled);
    const int Code = Entry.Code;
    Item->OnClick = [this, Code](TObject*) {
      if (Code == TSearchTerms::RemoveCode)
        FTerms->RemoveTermBtnClick(CurrentRow());
      else
        FTerms->SelectField(CurrentRow(), Code);
      BuildFieldMenu();
      ShowRows();
    };
  }
}

void TSearch::CreateMenu(int Description) {
  TPopupMenu*& Menu = SearchMenu[Description - 1];
  delete Menu;
  Menu = new TPopupMenu(this);
  Menu->SetName("SearchMenu" + std::to_string(Description));
  // Each level shows in reverse tree order: every node is inserted at the top of its level.
  std::function<void(TMenuItem*, const TDescriptionNode&)> AddNode = [&](TMenuItem* Parent, const TDescriptionNode& Node) {
    auto* Item = new TMenuItem(this);
    Item->SetCaption(Node.Text);
    Item->SetTag(Description);
    Parent->Insert(0, Item);
    Item->OnClick = [this, Item](TObject*) {
      std::vector<std::string> Path;
      for (TMenuItem* I = Item; I && I->Parent(); I = I->Parent()) Path.insert(Path.begin(), I->Caption());
      FTerms->DescClick(CurrentRow(), Path);
      ShowRows();
    };
    for (const auto& Child : Node.Children) AddNode(Item, Child);
  };
  for (const auto& Node : FWindows.Host.Captions.Trees[Description - 1].Nodes) AddNode(Menu->Items(), Node);
}

void TSearch::FormActivate() {
  FTerms->BuildFieldMenu();
  for (int n = 1; n <= 10; ++n) CreateMenu(n);
  BuildFieldMenu();
  for (int n = 0; n < 3; ++n) StatusMenu->Items()->Items(n)->SetCaption(FWindows.Host.Captions.CheckBoxCaptions[n]);
  ShowRows();
  SearchResult->SetCaption("");
}

void TSearch::ActSoon() { ActTimer->SetEnabled(true); }

void TSearch::ActOnCell() {
  if (FBusy) return;
  switch (SearchGrid->Col()) {
    case 0: GetField(); break;
    case 1: {
      const TPoint P = CursorPosition();
      TypeMenu->Popup(P.X, P.Y);
      break;
    }
    case 2: GetValue(); break;
    default: break;
  }
}

void TSearch::GetField() {
  const TPoint P = CursorPosition();
  FieldMenu->Popup(P.X, P.Y);
}

void TSearch::GetValue() {
  const int Row = CurrentRow();
  TSearchTerm* Term = FTerms->RowTerm(Row);
  if (!Term) return;
  const TValueEditorInfo Info = FTerms->ValueEditorOf(Term->FieldCode);
  // A typed value belongs to the grid's own editor.
  if (Info.Editor == veTyped || Info.Editor == veNone) return;
  std::string& Cell = FTerms->Rows[Row].Value;
  const TPoint P = CursorPosition();
  switch (Info.Editor) {
    case veRemove:
      FTerms->RemoveTermBtnClick(Row);
      break;
    case veDescriptionMenu:
      if (SearchMenu[Info.Description - 1]) SearchMenu[Info.Description - 1]->Popup(P.X, P.Y);
      break;
    case veStatusMenu:
      StatusMenu->Popup(P.X, P.Y);
      break;
    case veRange:
    case veSchedule: {
      auto Dialog = std::make_unique<TSelectRangeForm>(FWindows.Host, Term, Cell, Info.Editor == veSchedule);
      if (Info.Editor == veRange) Dialog->Prepare("", "", Info.Mask, Info.FieldKind);
      Dialog->ShowModal();
      break;
    }
    case veSkills: {
      auto Dialog = std::make_unique<TSelectSkillsForm>(FWindows.Host, Term, Cell);
      Dialog->ShowModal();
      break;
    }
    default:
      break;
  }
  ShowRows();
}

void TSearch::PerformSearchBtnClick() {
  if (FBusy) return;
  // The buttons that start requests stay disabled while this one runs.
  SyncTypedCells();
  FBusy = true;
  PerformSearchBtn->SetEnabled(false);
  FTerms->PerformSearchBtnClick();
  PerformSearchBtn->SetEnabled(true);
  FBusy = false;
  ShowRows();
}

void TSearch::FormResize() {
  const int H = ClientHeight();
  SearchGrid->SetBounds(0, ToolBar->Height(), ClientWidth(), std::max(40, H - 206));
  // The value column takes the width the field and match columns leave.
  SearchGrid->SetColWidths(2, std::max(188, SearchGrid->ClientWidth() - 2 * 188 - 4));
  ControlPanel->SetBounds(0, H - 177, ClientWidth(), 177);
  ButtonPanel->SetLeft(std::max(0, (ControlPanel->Width() - ButtonPanel->Width()) / 2));
}

void TSearch::FormDeactivate() {
  if (auto Key = OpenSettingsKey()) WriteFormSize(*Key, "Search", Width(), Height());
}
