// The search and report windows of the client, as the main window reaches them: the search
// list, the search window and the search results window (created once and kept), and the
// windows opened on demand (quick report setup, quick report, graph), each shown modally and
// freed on every path.
#pragma once

#include <memory>

#include "client/reports/report_common.h"
#include "client/reports/search_list.h"

class TSearch;
class TSnapShot;
class TQnStringGrid;

class TReportWindows {
public:
  explicit TReportWindows(TReportHost Host);
  ~TReportWindows();

  // The main window's services, kept here (the captions follow each opening).
  TReportHost Host;
  TSearchList List;

  TSearch& Search();
  TSnapShot& SnapShot();

  void ShowSearchWindow();
  void ShowSearchResults();
  // The graph window, modal; freed when it closes.
  void OpenGraph();
  // The quick report setup, modal; released when it closes.
  void OpenQuickReportSetup();
  // The quick report window over the grid's header and data rows, its empty last row left out
  // (the record window's grid printing).
  void PrintGrid(TQnStringGrid& Grid);

private:
  std::unique_ptr<TSearch> FSearch;
  std::unique_ptr<TSnapShot> FSnapShot;
};
