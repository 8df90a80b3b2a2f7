// The data summary (per group of a text column, within a date range: high, low, frequency,
// average and total of a numeric column of a grid) and the grid data summary (the lines of
// grid 3 or grid 4 of all records, or of the search list's records, in one grid).
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "client/reports/report_common.h"

class TQnStringGrid;
class TSearchList;

class TDataSummary {
public:
  // A combo's entries: caption and column number.
  using TEntries = std::vector<std::pair<std::string, int>>;

  explicit TDataSummary(TQnStringGrid& Source) : FSource(Source) {}

  std::array<std::string, 13> ColumnKinds;  // 1..12: the kind word of each source column
  TEntries DateFields, FilterFields, SummaryFields;
  std::string DateField, FilterField, SummaryField;  // the combos' texts
  std::string FromDate, ToDate, DateFormat;
  // One row per group: the group, high, low, frequency, average, total.
  std::vector<std::array<std::string, 6>> Rows;

  static inline const std::array<const char*, 6> Headers = {"Filter", "High", "Low", "Frequency", "Average",
                                                           "Total"};

  // The three combos from the column kinds, each with its first entry chosen.
  void FormActivate();
  TEntries EnumerateFields(const std::string& First, const std::string& Kind, const std::string& Kind2 = "") const;
  // Fills Rows; false (Rows as they were) when the summary field is not one of its entries.
  bool FillSummaryGrid();

private:
  TQnStringGrid& FSource;
};

class TGridDataSummary {
public:
  TGridDataSummary(TReportHost& Host, TSearchList& List, TQnStringGrid& Summary)
      : FHost(Host), FList(List), FSummary(Summary) {}

  bool Grid3 = true;            // the source grid: grid 3 or grid 4
  std::string Scope = "All";    // "All" or "Search"
  std::vector<std::string> SourceHeaders;  // the source grid's header row (column 0 the line ID)
  std::string RecordTitle;      // the record window's title caption

  // "B3"/"B4" with the body, the reply into the summary grid, then the headers.  The windows are
  // enabled again on every path; false when the request or the reply failed.
  bool GetData();
  // The request body: "All", or the search list's codes one per line.
  std::string Body() const;

  // The find dialog over the summary grid: from the current cell, one step in the direction.
  int FindCol = 0, FindRow = 0;
  bool Find(const std::string& Text, bool Down, bool MatchCase, bool WholeWord);

private:
  TReportHost& FHost;
  TSearchList& FList;
  TQnStringGrid& FSummary;
};
