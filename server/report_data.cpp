#include "server/report_data.h"

#include <vector>

#include "platform/rtl/sysutils.h"

namespace {

// The graph takes at most this many categories.
constexpr int MaxCategories = 1001;

bool EndsWith(const std::string& Text, const std::string& Tail) {
  return Text.size() >= Tail.size() && Text.compare(Text.size() - Tail.size(), Tail.size(), Tail) == 0;
}

// The body loaded into a cleared grid of 2 columns and 1 row; false when it is not a grid text
// stream (the grid keeps what was loaded).
bool LoadBodyGrid(const THandlerContext& Context, TQnStringGrid& Grid) {
  PrepareWorkGrid(Grid);
  ClearGrid(Grid, 2, 1);
  try {
    LoadGridText(Grid, Context.ReadBody(), 2, 1);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

std::string ReportValue(const ItemRecord& Record, int Code) {
  if (Code % 10 != 0) return {};
  const int n = Code / 10;
  const auto At = [](int Index) { return static_cast<std::size_t>(Index); };
  if (n >= 1 && n <= 10) {
    const std::string& Value = Record.Descriptions[At(n - 1)];
    return Value.substr(0, Value.find(':'));
  }
  if (n >= 11 && n <= 20) return Record.Details[At(n - 11)];
  if (n == 21) return Record.Memos[0].empty() ? std::string() : Record.Memos[0].front();
  if (n == 22) return Record.Code;
  if (n == 23) return Record.Name;
  if (n >= 24 && n <= 29) return Record.Others[At(n - 24)];
  return {};
}

void GenerateReport(const THandlerContext& Context) {
  TQnStringGrid DataGrid(nullptr);
  if (!LoadBodyGrid(Context, DataGrid))
    Context.Reply("<HTML>Error in Report: " + std::to_string(Context.Request.GetContentLength()) + "</HTML>");
  const TDatabase& D = Context.Database;
  const int Cols = DataGrid.ColCount();
  std::vector<int> Codes(static_cast<std::size_t>(Cols));
  for (int Col = 0; Col < Cols; ++Col) Codes[static_cast<std::size_t>(Col)] = StrToIntDef(DataGrid.Cells(Col, 1), -1);

  TQnStringGrid& Result = Context.ResultGrid;
  PrepareWorkGrid(Result);
  ClearGrid(Result, Cols, D.Count() + 1);
  for (int Col = 0; Col < Cols; ++Col) Result.SetCells(Col, 0, DataGrid.Cells(Col, 0));
  for (int i = 0; i < D.Count(); ++i) {
    const ItemRecord& R = D.Record(i);
    for (int Col = 0; Col < Cols; ++Col) {
      std::string Value = ReportValue(R, Codes[static_cast<std::size_t>(Col)]);
      if (!Value.empty()) Result.SetCells(Col, i + 1, Value);
    }
  }
  ReturnData(Context);
}

void SendGraphData(const THandlerContext& Context) {
  TQnStringGrid SearchGrid(nullptr);
  if (!LoadBodyGrid(Context, SearchGrid)) Context.Reply("<HTML>Error in Graph Request</HTML>");
  const std::string Caption = SearchGrid.Cells(0, 0);
  const int d = StrToInt(SearchGrid.Cells(0, 1));  // not a number: the request fails
  const int Categories = std::max(SearchGrid.RowCount() - 2, 0);
  if (Categories > MaxCategories) return Context.Reply("<HTML>Error in Graph Request</HTML>");

  std::vector<std::string> Patterns;
  for (int Row = 2; Row < SearchGrid.RowCount(); ++Row)
    Patterns.push_back(": " + LowerCase(SearchGrid.Cells(0, Row) + " : " + Caption));
  std::vector<int> Counts(Patterns.size(), 0);
  const TDatabase& D = Context.Database;
  if (d >= 1 && d <= 10) {
    const std::string& Name = D.Config.DescriptionNames[static_cast<std::size_t>(d - 1)];
    std::string Key;
    for (int i = 0; i < D.Count(); ++i) {
      Key = ": " + LowerCase(D.Record(i).Descriptions[static_cast<std::size_t>(d - 1)] + " : " + Name);
      for (std::size_t k = 0; k < Patterns.size(); ++k)
        if (EndsWith(Key, Patterns[k])) ++Counts[k];
    }
  }

  try {
    TQnStringGrid& Result = Context.ResultGrid;
    PrepareWorkGrid(Result);
    ClearGrid(Result, 1, Categories + 1);
    Result.SetCells(0, 0, std::to_string(D.Count()));
    for (int k = 0; k < Categories; ++k) Result.SetCells(0, k + 1, std::to_string(Counts[static_cast<std::size_t>(k)]));
    ReturnData(Context);
  } catch (const std::exception&) {
    Context.Reply("<HTML>Error in graph load</HTML>");
  }
}
