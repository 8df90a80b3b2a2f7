// The search and report windows' logic against the real stack (bin/hmserv, the web server, the
// server program with its resident instance) on a generated database of 20,000 records: one
// hand-over round trip (a handshake); a search of three terms with its results shown; a quick
// report of ten columns over all records generated and laid out in the preview; the graph of a
// ten-value category.  Medians of several runs, in milliseconds.
//
//   reports_bench [RECORDS]
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "client/core/local_server.h"
#include "client/core/login_logic.h"
#include "client/core/record_window.h"
#include "client/reports/criterion_dialogs.h"
#include "client/reports/graph.h"
#include "client/reports/quick_report.h"
#include "client/reports/search_list.h"
#include "client/reports/search_results.h"
#include "client/reports/search_terms.h"
#include "controls/grid/qn_grid.h"
#include "net/http_client.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/file_io.h"
#include "platform/ui/chart.h"
#include "print/grid_print.h"
#include "print/preview.h"
#include "records/configuration.h"
#include "server/database_store.h"
#include "records/value_stream.h"
#include "bench/bench_client.h"

namespace fs = std::filesystem;
using qn_bench::Clock;
using qn_bench::Median;
constexpr auto Ms = qn_bench::MsSince;

namespace {

const char* const kColours[] = {"Red", "Orange", "Yellow", "Green", "Blue", "Indigo", "Violet", "Black", "White", "Grey"};

std::string MakeDatabase(int Records) {
  return ShippedDatabase(Records, [](ItemRecord& Rec, int i) {
    Rec.Name = "Record " + std::to_string(i) + (i % 9 == 0 ? " special" : "");
    for (int f = 0; f < 10; ++f) {
      Rec.Details[f] = std::to_string((i * 7 + f) % 1000);
      Rec.Descriptions[f] = "Category " + std::to_string((i + f) % 7) + ":Long text";
    }
    Rec.Descriptions[5] = kColours[i % 10];
    for (int f = 0; f < 6; ++f) Rec.Others[f] = "Other " + std::to_string(i % 13);
    Rec.Checks = {i % 2 == 0, i % 3 == 0, false};
    Rec.Memos[0] = {"Memo of record " + std::to_string(i)};
  });
}

}  // namespace

int main(int argc, char** argv) {
  const int Records = argc > 1 ? std::max(10, std::atoi(argv[1])) : 20000;
  THeadlessRun Headless;

  TBenchStack Stack("reports_bench", MakeDatabase(Records));
  if (!Stack.Start()) return 1;
  TBenchClient Client(Stack);
  if (!Client.Open("reports_bench")) return 1;
  TServerSession& Session = Client.Session;
  TRecordWindow& Window = Client.Window;
  TLoginLogic& Login = Client.Login;
  TReportHost Host;
  Host.Session = &Session;
  Host.Record = &Window;
  Host.Captions = CaptionsFromConfiguration(Window.Buffers.Configuration);

  std::vector<double> Searches, Reports, ReportRequest, Graphs;
  int Found = 0, ReportRows = 0, Pages = 0;
  const std::vector<double> Trips = HandshakeTimes(Login, 20);
  for (int i = 0; i < 10; ++i) {
    TSearchList List;
    TQnStringGrid Display(nullptr);
    TSearchResults Results(Host, List, Display);
    Results.ColumnMap[0] = 21;  // the results window shows name and code from the server ("5")
    Results.ColumnMap[1] = 28;
    TSearchTerms Terms(Host, List);
    Terms.BuildFieldMenu();
    Terms.SelectField(1, 0);
    Terms.DescClick(1, {"Category 3"});
    Terms.AddTermBtnClick();
    Terms.SelectField(2, 100);
    criterion::RangeOK(Terms.RowTerm(2), Terms.Rows[2].Value, "100", "600");
    Terms.AddTermBtnClick();
    Terms.SelectField(3, 210);
    Terms.CellValidate(3, 2, "special");
    Terms.OnSearchListChanged = [&] { Results.LoadSearchDisplay(); };
    const auto T0 = Clock::now();
    Terms.PerformSearchBtnClick();
    const double All = Ms(T0);
    Searches.push_back(All);
    Found = Display.RowCount() - 1;
  }
  for (int i = 0; i < 5; ++i) {
    TQuickReportSetup Setup(Host);
    for (int Code : {230, 10, 20, 30, 110, 120, 130, 240, 250, 260}) Setup.OnItemClick(Code);
    TSearchList List;
    TQuickReport Report(&List);
    TPgPreview Preview(nullptr);
    TPgGridPrint Print(nullptr);
    TReportLayout Layout;
    Layout.Header.Visible = true;
    Layout.Header.Center = "Quick Report";
    const auto T0 = Clock::now();
    Setup.Generate(Report.DataGrid());
    ReportRequest.push_back(Ms(T0));
    Report.FormActivate();
    BuildReportPreview(Preview, Print, AsStringGrid(Report.DisplayGrid()), Layout, "12/09/2026");
    Reports.push_back(Ms(T0));
    ReportRows = Report.DisplayGrid().RowCount() - 1;
    Pages = Preview.NumPages();
  }
  TGraphLogic Graph(Host);
  TChartfx Chart(nullptr);
  TGraphSelection Colours{6, {Host.Captions.DescriptionNames[5]}, {}};
  for (const char* C : kColours) Colours.Children.push_back(C);
  for (int i = 0; i < 10; ++i) {
    const auto T0 = Clock::now();
    Graph.DrawGraph(Colours, Chart);
    Graphs.push_back(Ms(T0));
  }
  std::printf("records                         %d\n", Records);
  std::printf("hand-over round trip (median)   %.1f ms\n", Median(Trips));
  std::printf("3-term search, results shown    %.1f ms (%d rows shown, 2 requests; target <= round trip + 30 ms)\n", Median(Searches), Found);
  std::printf("quick report, 10 columns        %.1f ms (request %.1f ms; %d rows, %d pages; target <= 1000 ms)\n",
              Median(Reports), Median(ReportRequest), ReportRows, Pages);
  std::printf("graph of 10 values              %.1f ms (value 0 = %.0f; target <= round trip + 20 ms)\n",
              Median(Graphs), Chart.Points() ? Chart.Value(0) : -1.0);
  return 0;
}
