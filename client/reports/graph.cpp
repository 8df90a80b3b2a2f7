#include "client/reports/graph.h"

#include "client/core/server_requests.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/chart.h"
#include "platform/ui/modal_service.h"

namespace {

// A category's legend: its value without the explanation after the first ":" ("Art" of
// "Art:Paintings, prints and sculpture"), as the reports show it; the request keeps the whole.
std::string LegendText(const std::string& Category) { return Category.substr(0, Category.find(':')); }

}  // namespace

std::string TGraphLogic::GraphRequest(const TGraphSelection& Node) {
  std::string Path;
  for (auto It = Node.Path.rbegin(); It != Node.Path.rend(); ++It) {
    if (!Path.empty()) Path += " : ";
    Path += *It;
  }
  TQnStringGrid Grid(nullptr);
  Grid.SetColCount(1);
  Grid.SetRowCount(3 + static_cast<int>(Node.Children.size()));
  Grid.SetCells(0, 0, LowerCase(Path));
  Grid.SetCells(0, 1, std::to_string(Node.Description));
  for (std::size_t k = 0; k < Node.Children.size(); ++k) Grid.SetCells(0, 2 + static_cast<int>(k), Node.Children[k]);
  return GridStreamText(Grid);
}

bool TGraphLogic::DrawGraph(const TGraphSelection& Node, TChartfx& Chart) {
  if (Node.Children.empty()) return false;
  TServerSession& Session = *FHost.Session;
  const std::string Request = GraphRequest(Node);
  if (OnBusy) OnBusy(true);
  if (FHost.SetStatus) FHost.SetStatus("Wait", true);
  Session.WriteDiagnostic("logsend.txt", Request);
  std::string Reply;
  bool Sent = true;
  try {
    Reply = Session.Post("4", Request, false);
  } catch (const std::exception&) {
    Sent = false;
  }
  Session.WriteDiagnostic("logdata.txt", Reply);
  if (OnBusy) OnBusy(false);
  if (FHost.SetStatus) FHost.SetStatus("Ready", false);
  if (!Sent) {
    MessageDlg("There was a problem with the request.  Please try again.", mtError, TMsgDlgButtons{mbOK});
    return false;
  }
  const int N = static_cast<int>(Node.Children.size());
  std::vector<int> Counts(N + 1, 0);
  try {
    TQnStringGrid Grid(nullptr);
    Grid.SetColCount(2);
    Grid.SetRowCount(1);
    LoadGridStream(Grid, Reply);
    for (int k = 0; k <= N; ++k) Counts[k] = StrToInt(Grid.Cells(0, k));
  } catch (const std::exception& E) {
    MessageDlg(E.what(), mtError, TMsgDlgButtons{mbOK});
    return false;
  }
  Chart.OpenData(1, 1, N);
  Chart.SetIndexedValue(1, Counts[0]);
  Chart.SetShortProperty(1, 0);
  for (int k = 0; k < N; ++k) {
    Chart.SetValue(static_cast<short>(k), Counts[k + 1]);
    Chart.SetLegend(static_cast<short>(k), LegendText(Node.Children[k]));
  }
  Chart.CloseData(1);
  return true;
}
