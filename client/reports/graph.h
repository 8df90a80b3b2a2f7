// The graph window's logic: the chosen node of a description's category tree becomes the graph
// request (command "4"), and the counts of its children in the reply fill the chart.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "client/reports/report_common.h"

class TChartfx;

// A node of the graph tree as the request needs it.
struct TGraphSelection {
  int Description = 0;                // 1..10
  std::vector<std::string> Path;      // the texts from the root (the description name) to the node
  std::vector<std::string> Children;  // the node's direct children, in order
};

class TGraphLogic {
public:
  explicit TGraphLogic(TReportHost& Host) : FHost(Host) {}

  // Column 0: the node's lower-cased path (the node first, " : " between, the root last), the
  // description number, the children, one empty row.
  static std::string GraphRequest(const TGraphSelection& Node);
  // Asks the server and fills the chart.  Every reply cell is read before the chart is opened:
  // a reply that does not hold a count per child leaves the chart as it was (false, after the
  // message).  A node without children does nothing.
  bool DrawGraph(const TGraphSelection& Node, TChartfx& Chart);
  // Hooks around the request: the window hides the chart and disables the tree.
  std::function<void(bool Busy)> OnBusy;

private:
  TReportHost& FHost;
};
