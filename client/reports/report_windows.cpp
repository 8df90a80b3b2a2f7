#include "client/reports/report_windows.h"

#include "client/reports/graph_form.h"
#include "client/reports/quick_report_forms.h"
#include "client/reports/search_form.h"
#include "client/reports/search_results_form.h"
#include <algorithm>
#include <utility>

#include "controls/grid/qn_grid.h"

TReportWindows::TReportWindows(TReportHost AHost) : Host(std::move(AHost)) {
  FSnapShot = std::make_unique<TSnapShot>(*this);
  FSearch = std::make_unique<TSearch>(*this);
  FSearch->Terms().OnSearchListChanged = [this] { FSnapShot->LoadSearchDisplay(); };
  FSearch->Terms().OnShowResults = [this] { ShowSearchResults(); };
}

TReportWindows::~TReportWindows() = default;

TSearch& TReportWindows::Search() { return *FSearch; }
TSnapShot& TReportWindows::SnapShot() { return *FSnapShot; }

void TReportWindows::ShowSearchWindow() {
  FSearch->Show();
  FSearch->FormActivate();
}

void TReportWindows::ShowSearchResults() {
  FSnapShot->Show();
  FSnapShot->FormActivate();
}

void TReportWindows::OpenGraph() {
  auto Graph = std::make_unique<TGraphDisplay>(*this);
  Graph->ShowModal();
}

void TReportWindows::OpenQuickReportSetup() {
  auto Setup = std::make_unique<TQuickReportSetupForm>(*this);
  Setup->ShowModal();
}

void TReportWindows::PrintGrid(TQnStringGrid& Grid) {
  auto Report = std::make_unique<TQuickReportForm>(*this, nullptr);
  // The grid as received: a record code column first, then the grid's own columns.
  TQnStringGrid& Data = Report->Report().DataGrid();
  bool LastHasText = false;
  for (int c = 0; c < Grid.ColCount(); ++c) LastHasText = LastHasText || !Grid.Cells(c, Grid.RowCount() - 1).empty();
  const int Rows = std::max(1, LastHasText ? Grid.RowCount() : Grid.RowCount() - 1);
  Data.SetColCount(Grid.ColCount() + 1);
  Data.SetRowCount(Rows);
  for (int r = 0; r < Rows; ++r)
    for (int c = 0; c < Grid.ColCount(); ++c) Data.SetCells(c + 1, r, Grid.Cells(c, r));
  Report->FormActivate();
  Report->ShowModal();
}
