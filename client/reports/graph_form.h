// TGraphDisplay, the graph window ("Graph Function"): the category trees of the ten
// descriptions on the left, the chart of the chosen node's children on the right.
#pragma once

#include "client/reports/graph.h"
#include "platform/ui/forms.h"

class TReportWindows;
class TTreeView;
class TTreeNode;
class TChartfx;
class TToolBar;
class TToolButton;
class TPanel;
class TSplitter;

class TGraphDisplay : public TForm {
public:
  explicit TGraphDisplay(TReportWindows& Windows);
  ~TGraphDisplay() override;

  void FormActivate();
  void MakeBranch(int Description);
  // Draws the graph of the selected node.
  void SGraphDblClick();
  static TGraphSelection SelectionOf(TTreeNode* Node);
  TGraphLogic& Logic() { return FLogic; }

  TToolBar* ToolBar = nullptr;
  TToolButton* PrintTBtn = nullptr;
  TToolButton* SearchTBtn = nullptr;
  TToolButton* SpreadsheetTBtn = nullptr;
  TToolButton* ReportTBtn = nullptr;
  TToolButton* ViewTBtn = nullptr;
  TToolButton* CalculatorTBtn = nullptr;
  TToolButton* CalendarTBtn = nullptr;
  TToolButton* CDTBtn = nullptr;
  TToolButton* CloseTBtn = nullptr;
  TToolButton* SaveTBtn = nullptr;
  TPanel* TreePanel = nullptr;
  TSplitter* Splitter1 = nullptr;
  TPanel* ChartPanel = nullptr;
  TTreeView* SGraph = nullptr;
  TChartfx* Graph = nullptr;

private:
  void FormResize();
  TReportWindows& FWindows;
  TGraphLogic FLogic;
};
