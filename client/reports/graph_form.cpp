#include "client/reports/graph_form.h"

#include "client/core/client_settings.h"
#include "platform/rtl/ini_files.h"
#include "client/reports/form_parts.h"
#include "client/reports/report_windows.h"
#include "platform/ui/chart.h"
#include "platform/ui/containers.h"
#include "platform/ui/std_painted.h"
#include "platform/ui/tool_bar.h"
#include "platform/ui/tree_view.h"

using namespace form_parts;

TGraphDisplay::TGraphDisplay(TReportWindows& Windows) : TForm(nullptr), FWindows(Windows), FLogic(Windows.Host) {
  SetName("GraphDisplay");
  SetCaption("Graph Function");
  SetPosition(poScreenCenter);
  int W = 611, H = 414;
  if (auto Key = OpenSettingsKey()) ReadFormSize(*Key, "Graph", 611, 414, W, H);
  SetBounds(0, 0, W, H);
  ToolBar = MakeToolBar(this, this);
  PrintTBtn = AddToolButton(this, ToolBar, "PrintTBtn", "Print", "Print a screenshot", [this] { Graph->PrintChart(); });
  SearchTBtn = AddToolButton(this, ToolBar, "SearchTBtn", "Search", "Perform Search", [this] { FWindows.ShowSearchWindow(); });
  SpreadsheetTBtn = AddToolButton(this, ToolBar, "SpreadsheetTBtn", "List", "Generate Spreadsheet",
                                  [this] { FWindows.ShowSearchResults(); });
  ReportTBtn = AddToolButton(this, ToolBar, "ReportTBtn", "Report", "Generate Report",
                             [this] { FWindows.OpenQuickReportSetup(); });
  ViewTBtn = AddToolButton(this, ToolBar, "ViewTBtn", "View", "View the Record Window", [this] {
    if (FWindows.Host.ShowRecordWindow) FWindows.Host.ShowRecordWindow();
  });
  const TToolButtons Tools = AddRecordTools(this, ToolBar, FWindows.Host);
  CalculatorTBtn = Tools.Calculator;
  CalendarTBtn = Tools.Calendar;
  CDTBtn = Tools.CD;
  SaveTBtn = AddToolButton(this, ToolBar, "SaveTBtn", "Save", "Save Database", nullptr);
  CloseTBtn = AddToolButton(this, ToolBar, "CloseTBtn", "Close", "Close Graph Window", [this] { Close(); });

  TreePanel = Make<TPanel>(this, this, "TreePanel", 0, 28, 200, H - 93);
  TreePanel->SetAlign(alLeft);
  TreePanel->SetCaption("");
  Splitter1 = Make<TSplitter>(this, this, "Splitter1", 200, 28, 3, H - 93);
  Splitter1->SetAlign(alLeft);
  ChartPanel = Make<TPanel>(this, this, "ChartPanel", 203, 28, W - 203, H - 93);
  ChartPanel->SetAlign(alClient);
  ChartPanel->SetCaption("");
  SGraph = Make<TTreeView>(this, TreePanel, "SGraph", 4, 4, 168, H - 113);
  Graph = Make<TChartfx>(this, ChartPanel, "Graph", 4, 4, W - 240, H - 119);

  SGraph->OnDblClick = [this](TObject*) { SGraphDblClick(); };
  FLogic.OnBusy = [this](bool Busy) {
    Graph->SetVisible(!Busy);
    SGraph->SetEnabled(!Busy);
  };
  OnActivate = [this](TObject*) { FormActivate(); };
  OnDeactivate = [this](TObject*) {
    if (auto Key = OpenSettingsKey()) WriteFormSize(*Key, "Graph", Width(), Height());
  };
  OnResize = [this](TObject*) { FormResize(); };
  Splitter1->OnMoved = [this](TObject*) { FormResize(); };
}

TGraphDisplay::~TGraphDisplay() = default;

void TGraphDisplay::FormResize() {
  SGraph->SetBounds(4, 4, std::max(20, TreePanel->Width() - 32), std::max(20, TreePanel->Height() - 20));
  Graph->SetBounds(4, 4, std::max(20, ChartPanel->Width() - 23), std::max(20, ChartPanel->Height() - 26));
}

void TGraphDisplay::MakeBranch(int Description) {
  const TFieldCaptions& C = FWindows.Host.Captions;
  TTreeNode* Root = SGraph->Items().AddChild(nullptr, C.DescriptionNames[Description - 1]);
  Root->SetData(reinterpret_cast<void*>(static_cast<std::intptr_t>(Description)));
  std::function<void(TTreeNode*, const TDescriptionNode&)> Copy = [&](TTreeNode* Parent, const TDescriptionNode& Node) {
    TTreeNode* N = SGraph->Items().AddChild(Parent, Node.Text);
    N->SetData(reinterpret_cast<void*>(static_cast<std::intptr_t>(Description)));
    for (const auto& Child : Node.Children) Copy(N, Child);
  };
  for (const auto& Node : C.Trees[Description - 1].Nodes) Copy(Root, Node);
}

void TGraphDisplay::FormActivate() {
  const bool HadSelection = SGraph->Selected() != nullptr;
  if (HadSelection) return;
  SGraph->Items().Clear();
  for (int d = 1; d <= 10; ++d) MakeBranch(d);
  if (SGraph->Items().Count() > 0) {
    SGraph->SetSelected(SGraph->Items().Item(0));
    SGraphDblClick();
  }
}

TGraphSelection TGraphDisplay::SelectionOf(TTreeNode* Node) {
  TGraphSelection S;
  if (!Node) return S;
  S.Description = static_cast<int>(reinterpret_cast<std::intptr_t>(Node->Data()));
  for (TTreeNode* N = Node; N; N = N->Parent()) S.Path.insert(S.Path.begin(), N->Text());
  for (int i = 0; i < Node->Count(); ++i) S.Children.push_back(Node->Item(i)->Text());
  return S;
}

void TGraphDisplay::SGraphDblClick() { FLogic.DrawGraph(SelectionOf(SGraph->Selected()), *Graph); }
