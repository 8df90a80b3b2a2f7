#include "client/view_reports.h"

#include "client/core/record_window.h"
#include "client/reports/image_report_form.h"
#include "client/reports/report_windows.h"
#include "client/reports/search_form.h"
#include "client/reports/search_results_form.h"
#include "client/view.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/screen.h"

namespace {

// The captions the record window shows now, and the kinds and trees of its configuration.
TFieldCaptions CaptionsOf(TView& V) {
  TFieldCaptions C;
  if (V.Logic) C = CaptionsFromConfiguration(V.Logic->Buffers.Configuration);
  for (int i = 0; i < 10; ++i) {
    if (V.Desc[i]) C.DescriptionNames[i] = V.Desc[i]->Caption();
    if (V.sn[i]) C.DetailNames[i] = V.sn[i]->Caption();
  }
  for (int i = 0; i < 6; ++i)
    if (V.OtherC[i]) C.OtherNames[i] = V.OtherC[i]->Caption();
  if (V.boxname) C.StatusCaption = V.boxname->Caption();
  if (V.RecordTitle) C.RecordTitle = V.RecordTitle->Caption();
  const TLabel* Notes[] = {V.Notes1Title, V.Notes2Title, V.Notes3Title};
  const TCheckBox* Checks[] = {V.CheckBox1, V.CheckBox2, V.CheckBox3};
  for (int i = 0; i < 3; ++i) {
    if (Notes[i]) C.NotesTitles[i] = Notes[i]->Caption();
    if (Checks[i]) C.CheckBoxCaptions[i] = Checks[i]->Caption();
    if (V.ItemList && i < V.ItemList->Columns().Count()) C.ItemColumns[i] = V.ItemList->Columns().Items(i)->Caption();
  }
  if (V.RecordBook)
    for (int p = 0; p < 8 && p < V.RecordBook->PageCount(); ++p) C.PageCaptions[p] = V.RecordBook->Pages(p)->Caption();
  auto Grid = [](const std::vector<std::string>& Captions, const std::array<std::array<std::string, 4>, 10>& Columns,
                 std::vector<std::string>& Headers, std::vector<std::string>& Kinds) {
    Headers.assign(1, "LINE ID");
    Kinds.assign(1, "Text");
    for (std::size_t c = 0; c < Captions.size() && c < 10; ++c) {
      Headers.push_back(Captions[c]);
      Kinds.push_back(GridColumnKind(Columns[c][1]));
    }
  };
  Grid(V.Grid3Captions, V.Grid3Columns, C.Grid3Headers, C.Grid3Kinds);
  Grid(V.Grid4Captions, V.Grid4Columns, C.Grid4Headers, C.Grid4Kinds);
  return C;
}

TReportWindows& Windows(TView& V) {
  if (!V.Reports) {
    TReportHost Host;
    Host.Session = V.Session.get();
    Host.Record = V.Logic.get();
    Host.ShowRecordWindow = [&V] { V.ViewRecordClick(); };
    Host.OpenTool = [&V](const std::string& Tool) {
      TMenuItem* Item = Tool == "Calculator" ? V.Calculator1 : Tool == "Calendar" ? V.Calander1 : nullptr;
      if (Item && Item->OnClick) Item->OnClick(Item);
      if (Tool == "CD Player" && V.CDTBtn && V.CDTBtn->OnClick) V.CDTBtn->OnClick(V.CDTBtn);
    };
    Host.PopupDateMenu = [&V](TCustomEdit* Target) {
      if (!V.DateMenu) return;
      // Another window's date box has no reminder report.
      if (auto* Reminder = dynamic_cast<TMenuItem*>(V.Find("ReminderReport"))) Reminder->SetVisible(false);
      V.DateMenu->SetPopupComponent(Target);
      TPoint P{0, 0};
      GetCursorPos(&P);
      V.DateMenu->Popup(P.X, P.Y);
    };
    Host.SetStatus = [&V](const std::string& Text, bool Busy) {
      if (!V.Status) return;
      V.Status->SetCaption(Text);
      V.Status->Font().SetColor(Busy ? clRed : clGreen);
    };
    Host.UserActivity = [&V] {
      if (V.Logic) V.Logic->UserActivity();
    };
    V.Reports = std::make_unique<TReportWindows>(Host);
  }
  // The captions follow the database shown now.
  V.Reports->Host.Captions = CaptionsOf(V);
  V.Reports->Host.Session = V.Session.get();
  V.Reports->Host.Record = V.Logic.get();
  return *V.Reports;
}

void SaveShown(TView& V) {
  if (V.Logic && V.Logic->LoggedIn()) V.Logic->SaveRecord(V.Logic->Buffers.Current, true);
}

}  // namespace

void OpenSearchWindow(TView& V) {
  SaveShown(V);
  Windows(V).ShowSearchWindow();
}

void OpenSearchResults(TView& V) { Windows(V).ShowSearchResults(); }

void OpenGraphWindow(TView& V) { Windows(V).OpenGraph(); }

void OpenQuickReportSetup(TView& V) {
  SaveShown(V);
  Windows(V).OpenQuickReportSetup();
}

void PrintGridReport(TView& V, TQnStringGrid& Grid) { Windows(V).PrintGrid(Grid); }

TSearchList& ViewSearchList(TView& V) { return Windows(V).List; }

void OpenImageReport(TView& V) {
  if (!V.Logic) return;
  image_report::TReportRecord Text;
  auto Edit = [](const TCustomEdit* E) { return std::vector<std::string>{E ? E->Text() : ""}; };
  auto Lines = [](TMemo* M, bool FirstOnly) {
    std::vector<std::string> Out;
    if (M)
      for (int i = 0; i < M->Lines().Count() && !(FirstOnly && i > 0); ++i) Out.push_back(M->Lines()[i]);
    return Out;
  };
  Text.Name = V.RecordName ? V.RecordName->Text() : "";
  Text.Values[500] = {Text.Name};
  for (int i = 0; i < 10; ++i) {
    Text.Values[10 * (i + 1)] = Edit(V.DescEdit[i]);
    Text.Values[110 + 10 * i] = Edit(V.Detail[i]);
  }
  for (int i = 0; i < 6; ++i) Text.Values[210 + 10 * i] = Edit(V.Other[i]);
  Text.Values[600] = Lines(V.Memo1, true);
  Text.Values[610] = Lines(V.Memo3, false);
  Text.Values[620] = Lines(V.Memo2, true);
  std::vector<std::string>& Checked = Text.Values[700];
  if (V.ItemList)
    for (int i = 0; i < V.ItemList->Items().Count(); ++i)
      if (V.ItemList->Items()[i]->Checked()) Checked.push_back(V.ItemList->Items()[i]->Caption());
  if (Checked.empty()) Checked.push_back("");
  if (V.ItemDetails)
    for (int i = 0; i < V.ItemDetails->Lines().Count(); ++i) Text.Values[800].push_back(V.ItemDetails->Lines()[i]);
  QuickPrintClick(Windows(V), V.Logic->Buffers.Current, Text);
}

void WireReportWindows(TView& V) {
  auto Click = [&V](TControl* C, void (*Open)(TView&)) {
    if (C) C->OnClick = [&V, Open](TObject*) { Open(V); };
  };
  auto Item = [&V](TMenuItem* M, void (*Open)(TView&)) {
    if (M) M->OnClick = [&V, Open](TObject*) { Open(V); };
  };
  Click(V.SearchTBtn, OpenSearchWindow);
  Click(V.SearchRecordsTBtn, OpenSearchWindow);
  Click(V.SearchListTBtn, OpenSearchResults);
  Click(V.GraphTBtn, OpenGraphWindow);
  Item(V.ViewtheSearchWindow1, OpenSearchWindow);
  if (V.ViewtheSpreadSheet1) V.ViewtheSpreadSheet1->OnClick = [&V](TObject*) { V.ViewtheSpreadSheet1Click(); };
  Click(V.QuickPrint, OpenImageReport);
  Item(V.QuickRecordPrint1, OpenImageReport);
}

TReportWindows& ReportWindowsOf(TView& V) { return Windows(V); }
