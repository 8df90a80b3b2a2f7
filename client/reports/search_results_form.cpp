#include "client/reports/search_results_form.h"

#include "client/core/client_settings.h"
#include "platform/rtl/ini_files.h"
#include "client/reports/form_parts.h"
#include "client/reports/report_windows.h"
#include "client/reports/search_form.h"
#include "controls/grid/qn_grid.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"
#include "platform/ui/tool_bar.h"

using namespace form_parts;

TSnapShot::TSnapShot(TReportWindows& Windows) : TForm(nullptr), FWindows(Windows) {
  SetName("SnapShot");
  SetCaption("Search Results");
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 640, 420);
  ToolBar = MakeToolBar(this, this);
  PrintTBtn = AddToolButton(this, ToolBar, "PrintTBtn", "Print", "Print a screenshot",
                            [this] { FWindows.PrintGrid(*SearchDisplay); });
  SearchTBtn = AddToolButton(this, ToolBar, "SearchTBtn", "Search", "Perform Search", [this] { FWindows.ShowSearchWindow(); });
  GraphTBtn = AddToolButton(this, ToolBar, "GraphTBtn", "Graph", "Generate Graph", [this] { FWindows.OpenGraph(); });
  ReportTBtn = AddToolButton(this, ToolBar, "ReportTBtn", "Report", "Generate Report",
                             [this] { FWindows.OpenQuickReportSetup(); });
  const TToolButtons Tools = AddRecordTools(this, ToolBar, FWindows.Host);
  CalculatorTBtn = Tools.Calculator;
  CalendarTBtn = Tools.Calendar;
  CDTBtn = Tools.CD;
  CloseTBtn = AddToolButton(this, ToolBar, "CloseTBtn", "Close", "Close Search Results Window", [this] { Close(); });
  PrintMenu = new TPopupMenu(this);
  PrintMenu->SetName("PrintMenu");
  // SpreadPrintDialog: the print settings of the display.
  AddItem(this, PrintMenu->Items(), "PrintSettings1", "Print Settings")->OnClick = [this](TObject*) {
    RunPrintSettings(*SearchDisplay);
  };
  AddItem(this, PrintMenu->Items(), "Print1", "Print")->OnClick = [this](TObject*) { PrintGridDirectly(*SearchDisplay); };

  auto* Top = Make<TPanel>(this, this, "TopPanel", 0, 28, 640, 32);
  Top->SetAlign(alTop);
  Top->SetCaption("");
  Hbox = MakeCaptioned<TCheckBox>(this, Top, "Hbox", "Highlight", 8, 8, 90, 17);
  Hbox->SetChecked(true);
  SelectListBTN = MakeCaptioned<TButton>(this, Top, "SelectListBTN", "Select Fields", 104, 4, 100, 25);
  Status = MakeCaptioned<TLabel>(this, Top, "Status", "", 214, 8, 300, 17);
  auto* Bottom = Make<TPanel>(this, this, "StatusPanel", 0, 390, 640, 24);
  Bottom->SetAlign(alBottom);
  Bottom->SetCaption("");
  Progress = MakeProgressBar(this, Bottom, "Progress", 4, 4, 200, 16);
  PStatus = MakeCaptioned<TLabel>(this, Bottom, "PStatus", "", 212, 4, 200, 17);
  SearchDisplay = Make<TQnStringGrid>(this, this, "SearchDisplay", 0, 60, 640, 330);
  SearchDisplay->SetAlign(alClient);
  SearchDisplay->SetDefaultColWidth(150);
  SearchDisplay->SetOptions(SearchDisplay->Options() << goRowSelect << goColSizing);
  SearchDisplay->SetFixedCols(0);
  SearchDisplay->SetLeftCol(0);
  FResults = std::make_unique<TSearchResults>(Windows.Host, Windows.List, *SearchDisplay);
  // Ctrl+C (and Ctrl+Insert) copies the selected rows as tab-separated text; the display takes
  // no cut or paste.
  SearchDisplay->Navigation().AllowClipboardShortCuts = true;
  SearchDisplay->OnClipboardCut = [](TObject*, bool& Allow) { Allow = false; };
  SearchDisplay->OnClipboardPaste = [](TObject*, bool& Allow) { Allow = false; };
  // The display has its header before the first search.
  FResults->LoadSearchDisplay();

  Hbox->OnClick = [this](TObject*) {
    FResults->Highlight = Hbox->Checked();
    SearchDisplay->Invalidate();
  };
  SelectListBTN->OnClick = [this](TObject*) { SelectListBTNClick(); };
  SearchDisplay->OnDblClickCell = [this](TObject*, int Row, int) { FResults->SearchDisplayDblClickCell(Row); };
  SearchDisplay->OnGetCellColor = [this](TObject*, int Row, int, TGridDrawState State, TBrush& Brush, TFont&) {
    if (State.Contains(gdFixed)) return;
    const TColor C = FResults->RowColor(Row, FWindows.Search().Terms().ListGrid());
    if (C != clNone) Brush.SetColor(C);
  };
  OnActivate = [this](TObject*) { FormActivate(); };
  OnMouseMove = [this](TObject*, TShiftState, int, int) {
    if (FWindows.Host.UserActivity) FWindows.Host.UserActivity();
  };
}

TSnapShot::~TSnapShot() = default;

void TSnapShot::LoadSearchDisplay() {
  FResults->LoadSearchDisplay();
  Status->SetCaption(FResults->StatusText());
}

void TSnapShot::FormActivate() { Status->SetCaption(FResults->StatusText()); }

void TSnapShot::SelectListBTNClick() {
  {
    TSelectSpreadsheetForm Chooser(FWindows.Host.Captions, FResults->ColumnMap);
    Chooser.ShowModal();
  }
  LoadSearchDisplay();
}

// ---- The column chooser ----------------------------------------------------------------------

TSelectSpreadsheetForm::TSelectSpreadsheetForm(const TFieldCaptions& Captions, std::array<int, 51>& Map)
    : TForm(nullptr), Chooser(Captions), FMap(Map) {
  SetName("SelectSpreadsheetForm");
  SetCaption("Select Spreadsheet Fields");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 360, 320);
  MakeCaptioned<TLabel>(this, this, "FieldsLabel", "Search List Items", 8, 8, 200, 17);
  Fields = Make<TListBox>(this, this, "Fields", 8, 28, 220, 240);
  AddBtn = MakeCaptioned<TButton>(this, this, "AddBtn", "Add", 240, 28, 100, 25);
  AddBtn->SetHint("Add a new field to the Report");
  RemoveBtn = MakeCaptioned<TButton>(this, this, "RemoveBtn", "Remove", 240, 58, 100, 25);
  RemoveBtn->SetHint("Remove the Last added field");
  MoveUpBtn = MakeCaptioned<TButton>(this, this, "MoveUpBtn", "Move Up", 240, 100, 100, 25);
  MoveDownBtn = MakeCaptioned<TButton>(this, this, "MoveDownBtn", "Move Down", 240, 130, 100, 25);
  OKBtn = MakeCaptioned<TButton>(this, this, "OKBtn", "OK", 190, 280, 75, 25);
  CancelBtn = MakeCaptioned<TButton>(this, this, "CancelBtn", "Cancel", 270, 280, 75, 25);
  CancelBtn->SetModalResult(mrCancel);
  CancelBtn->SetCancel(true);
  ritems = new TPopupMenu(this);
  ritems->SetName("ritems");
  Chooser.Activate(Map);
  for (const auto& Entry : Chooser.Menu) {
    TMenuItem* Item = AddItem(this, ritems->Items(), "", Entry.Caption, Entry.Code);
    const int Code = Entry.Code;
    Item->OnClick = [this, Code](TObject*) {
      Chooser.Add(Code);
      ShowList();
    };
  }
  AddBtn->OnClick = [this](TObject*) {
    const TPoint P = CursorPosition();
    ritems->Popup(P.X, P.Y);
  };
  RemoveBtn->OnClick = [this](TObject*) {
    Chooser.Remove(Selected());
    ShowList();
  };
  MoveUpBtn->OnClick = [this](TObject*) {
    const int I = Selected();
    Chooser.MoveUp(I);
    ShowList();
    if (I > 0) Fields->SetItemIndex(I - 1);
  };
  MoveDownBtn->OnClick = [this](TObject*) {
    const int I = Selected();
    Chooser.MoveDown(I);
    ShowList();
    if (I >= 0 && I + 1 < Fields->Items().Count()) Fields->SetItemIndex(I + 1);
  };
  OKBtn->OnClick = [this](TObject*) {
    Chooser.Apply(FMap);
    SetModalResult(mrOk);
  };
  ShowList();
}

int TSelectSpreadsheetForm::Selected() const { return LastSelected(*Fields); }

void TSelectSpreadsheetForm::ShowList() {
  Fields->Items().Clear();
  for (int Number : Chooser.Fields) Fields->Items().Add(Chooser.Caption(Number));
  for (int i = 0; i < ritems->Items()->Count(); ++i)
    ritems->Items()->Items(i)->SetEnabled(Chooser.Menu[i].Enabled);
  RemoveBtn->SetEnabled(Chooser.RemoveEnabled);
}
