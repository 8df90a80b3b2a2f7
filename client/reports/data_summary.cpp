#include "client/reports/data_summary.h"

#include <algorithm>
#include <set>

#include "client/core/record_streams.h"
#include "client/core/server_requests.h"
#include "client/reports/search_list.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/file_io.h"
#include "platform/rtl/sysutils.h"

// ---- Data summary ----------------------------------------------------------------------------

TDataSummary::TEntries TDataSummary::EnumerateFields(const std::string& First, const std::string& Kind,
                                                     const std::string& Kind2) const {
  TEntries E;
  if (!First.empty()) E.emplace_back(First, -1);
  for (int c = 1; c <= 12; ++c) {
    const std::string K = LowerCase(ColumnKinds[static_cast<std::size_t>(c)]);
    const bool Match = (!Kind.empty() && K.find(Kind) != std::string::npos) ||
                       (!Kind2.empty() && K.find(Kind2) != std::string::npos);
    if (Match) E.emplace_back(c < FSource.ColCount() ? FSource.Cells(c, 0) : std::string(), c);
  }
  return E;
}

void TDataSummary::FormActivate() {
  DateFields = EnumerateFields("", "date");
  FilterFields = EnumerateFields("None", "text");
  SummaryFields = EnumerateFields("", "numeric", "money");
  DateField = DateFields.empty() ? "" : DateFields[0].first;
  FilterField = FilterFields[0].first;
  SummaryField = SummaryFields.empty() ? "" : SummaryFields[0].first;
}

namespace {
int ColumnOf(const TDataSummary::TEntries& E, const std::string& Text, std::size_t From = 0) {
  for (std::size_t i = From; i < E.size(); ++i)
    if (E[i].first == Text) return E[i].second;
  return -1;
}
}  // namespace

bool TDataSummary::FillSummaryGrid() {
  const int DateCol = ColumnOf(DateFields, DateField);
  const TDateTime Current = Now();
  auto ReadDate = [&](const std::string& T) {
    TDateTime D;
    return TryStrToDate(T, D, DateFormat) ? D : Current;
  };
  const bool HasFrom = !FromDate.empty(), HasTo = !ToDate.empty();
  const TDateTime From = HasFrom ? ReadDate(FromDate) : 0, To = HasTo ? ReadDate(ToDate) : 0;
  const int SummaryCol = ColumnOf(SummaryFields, SummaryField);
  if (SummaryCol < 0) return false;
  const int FilterCol = ColumnOf(FilterFields, FilterField, 1);
  const int Last = FSource.RowCount() - 2;  // the empty entry row is never used
  auto Cell = [&](int c, int r) { return c >= 0 && c < FSource.ColCount() ? FSource.Cells(c, r) : std::string(); };

  std::vector<std::string> Groups;
  if (FilterCol >= 0) {
    std::set<std::string> Seen;
    for (int r = 1; r <= Last; ++r) {
      const std::string V = Cell(FilterCol, r);
      if (Seen.insert(LowerCase(V)).second) Groups.push_back(V);
    }
    std::stable_sort(Groups.begin(), Groups.end(),
                     [](const std::string& A, const std::string& B) { return LowerCase(A) < LowerCase(B); });
  }
  const bool Grouped = !Groups.empty();
  if (!Grouped) Groups = {"None"};
  struct TAcc {
    std::string High = "0", Low = "0", Count = "0", Total = "0";
    int Records = 0;
    bool First = true;
  };
  std::vector<TAcc> Acc(Groups.size());
  for (int r = 1; r <= Last; ++r) {
    if (DateCol >= 0) {
      const TDateTime D = ReadDate(Cell(DateCol, r));
      if ((HasFrom && D < From) || (HasTo && D > To)) continue;
    }
    int g = 0;
    if (Grouped) {
      g = -1;
      const std::string Key = LowerCase(Cell(FilterCol, r));
      for (std::size_t i = 0; i < Groups.size(); ++i)
        if (LowerCase(Groups[i]) == Key) g = static_cast<int>(i);
      if (g < 0) continue;
    }
    TAcc& A = Acc[static_cast<std::size_t>(g)];
    const std::string V = NumberTextOf(Cell(SummaryCol, r));
    A.Total = AddNumberText(A.Total, V);
    A.Count = AddNumberText(A.Count, "1");
    ++A.Records;
    if (A.First) {
      A.High = A.Low = AddNumberText(V, "0");
      A.First = false;
    } else {
      A.High = MaxNumberText(A.High, V);
      A.Low = MinNumberText(A.Low, V);
    }
  }
  Rows.clear();
  for (std::size_t i = 0; i < Groups.size(); ++i) {
    const TAcc& A = Acc[i];
    auto Two = [](const std::string& T) { return AddNumberText(T, "0"); };
    // The frequency is a count of records: a whole number.
    Rows.push_back({Groups[i], Two(A.High), Two(A.Low), std::to_string(A.Records), DivideNumberText(A.Total, A.Count),
                    Two(A.Total)});
  }
  return true;
}

// ---- Grid data summary -----------------------------------------------------------------------

std::string TGridDataSummary::Body() const {
  if (Scope == "All") return "All\r\n";
  std::string B;
  for (int r = 1; r <= FList.Count(); ++r) B += FList.Code(r) + "\r\n";
  return B;
}

bool TGridDataSummary::GetData() {
  TServerSession& S = *FHost.Session;
  bool Ok = false;
  try {
    // The session locks the windows around the request and unlocks them on every path.
    const std::string Reply = S.Post(Grid3 ? "B3" : "B4", Body(), true);
    S.WriteDiagnostic("testdata.txt", Reply);
    LoadGridStream(FSummary, Reply);
    Ok = true;
  } catch (const std::exception&) {
  }
  if (FSummary.ColCount() < 2) FSummary.SetColCount(std::max<int>(2, static_cast<int>(SourceHeaders.size()) + 1));
  FSummary.SetCells(0, 0, "Record ID");
  FSummary.SetCells(1, 0, "Record " + RecordTitle);
  for (std::size_t c = 1; c < SourceHeaders.size(); ++c)
    if (static_cast<int>(c) + 1 < FSummary.ColCount()) FSummary.SetCells(static_cast<int>(c) + 1, 0, SourceHeaders[c]);
  return Ok;
}

bool TGridDataSummary::Find(const std::string& Text, bool Down, bool MatchCase, bool WholeWord) {
  const int Step = Down ? 1 : -1;
  const int Cols = FSummary.ColCount(), RowsN = FSummary.RowCount();
  const std::string Wanted = MatchCase ? Text : LowerCase(Text);
  for (;;) {
    if (FindCol >= Cols) {
      FindCol = 0;
      ++FindRow;
    } else if (FindCol < 0) {
      FindCol = Cols - 1;
      --FindRow;
    }
    if (FindRow < 0 || FindRow >= RowsN) return false;
    const std::string Cell = MatchCase ? FSummary.Cells(FindCol, FindRow) : LowerCase(FSummary.Cells(FindCol, FindRow));
    const bool Match = WholeWord ? Cell == Wanted : Cell.find(Wanted) != std::string::npos;
    const int C = FindCol;
    FindCol += Step;
    if (Match) {
      if (FindRow >= FSummary.FixedRows() && FindRow < RowsN) FSummary.SetRow(FindRow);
      if (C >= FSummary.FixedCols()) FSummary.SetCol(C);
      FSummary.Invalidate();
      return true;
    }
  }
}
