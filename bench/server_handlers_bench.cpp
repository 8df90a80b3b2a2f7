// The record server's table commands in-process on 20,000 records held in memory: the quick
// report of 10 columns ("3"), the graph counts ("4"), the summary of every grid 3 line ("B3"),
// a list for the client's reports ("Z" ListRecords), a bulk replace ("Z" Replace) and a batch of
// 1,000 grid line commands ("X").
//
//   server_handlers_bench [RECORDS]
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>

#include "server/grid_line_updates.h"
#include "server/report_data.h"
#include "server/server_functions.h"

namespace {

using Clock = std::chrono::steady_clock;

struct TBench {
  TDatabase Database;
  TQnStringGrid ResultGrid{nullptr};
  int Saves = 0;

  // Runs one request; returns its milliseconds and the reply's size.
  template <class F>
  double Time(F&& Handler, const std::string& Body, std::map<std::string, std::string> Fields,
              std::size_t& ReplySize) {
    TMemoryRequest Request("", Body);
    Request.Fields = std::move(Fields);
    THandlerContext Context{Database, Request, ResultGrid, [&] { return Request.Body; }, [&] { ++Saves; }};
    const auto Start = Clock::now();
    Handler(Context);
    const double Ms = std::chrono::duration<double, std::milli>(Clock::now() - Start).count();
    ReplySize = Request.Reply.size();
    return Ms;
  }
};

std::string Cell(int Col, int Row, const std::string& Text) {
  return std::to_string(Col) + "," + std::to_string(Row) + "," + Text + "\r\n";
}

void Fill(TDatabase& D, int Records) {
  TRecordCodeGenerator Codes(3);
  D.Config.Grid3Columns = 5;
  D.Config.DescriptionNames[1] = "Colour";
  std::string Grid = "6,7\r\n";
  for (int Row = 1; Row <= 5; ++Row) {
    Grid += Cell(0, Row, std::to_string(Row * 17));
    for (int Col = 1; Col < 6; ++Col) Grid += Cell(Col, Row, "value " + std::to_string(Row * 10 + Col));
  }
  const char* Colours[] = {"Red", "Colour: Green", "Blue", "Black", "White: shade"};
  for (int i = 0; i < Records; ++i) {
    ItemRecord& R = D.Record(D.NewRecord(Codes));
    R.Name = "Record " + std::to_string(i);
    for (std::size_t f = 0; f < 10; ++f) {
      R.Details[f] = "Detail " + std::to_string(f) + " of " + std::to_string(i);
      R.Descriptions[f] = "Category " + std::to_string((i + f) % 7) + ":Long text";
    }
    R.Descriptions[1] = Colours[i % 5];
    R.Memos[0] = {"Memo line one of record " + std::to_string(i), "Second line"};
    R.Grid3 = Grid;
    R.Grid3Rows = 7;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int Records = argc > 1 ? std::stoi(argv[1]) : 20000;
  TBench B;
  Fill(B.Database, Records);
  std::printf("records: %d\n", Records);
  std::size_t Size = 0;

  std::string Report = "10,2\r\n";
  const int ReportCodes[] = {220, 230, 10, 20, 110, 120, 130, 210, 240, 250};
  for (int Col = 0; Col < 10; ++Col)
    Report += Cell(Col, 0, "Column " + std::to_string(Col)) + Cell(Col, 1, std::to_string(ReportCodes[Col]));
  double Ms = B.Time(GenerateReport, Report, {}, Size);
  std::printf("report of 10 columns (\"3\"): %.1f ms, %.1f MB\n", Ms, Size / 1e6);

  std::string Graph = "1,7\r\n" + Cell(0, 0, "Colour") + Cell(0, 1, "2");
  const char* Categories[] = {"Red", "Green", "Blue", "Black", "Shade"};
  for (int k = 0; k < 5; ++k) Graph += Cell(0, k + 2, Categories[k]);
  Ms = B.Time(SendGraphData, Graph, {}, Size);
  std::printf("graph of 5 categories (\"4\"): %.1f ms\n", Ms);

  TGridLineUpdates Lines(1);
  Ms = B.Time([&](const THandlerContext& C) { Lines.GenerateGridSummary(C, "B3"); }, "All", {}, Size);
  std::printf("summary of every grid 3 line (\"B3\" All, %d lines): %.1f ms, %.1f MB\n", Records * 5, Ms,
              Size / 1e6);

  Ms = B.Time(ProcessHTMLRequest, {}, {{"Function", "ListRecords"}}, Size);
  std::printf("record list (\"Z\" ListRecords): %.1f ms\n", Ms);
  Ms = B.Time(ProcessHTMLRequest, {},
              {{"Function", "Replace"}, {"field", "10"}, {"oldvalue", "Detail 0"}, {"newvalue", "D0"}}, Size);
  std::printf("bulk replace (\"Z\" Replace): %.1f ms (without the save to disk)\n", Ms);

  std::string Batch = "8,1000\r\n";
  for (int Row = 0; Row < 1000; ++Row) {
    Batch += Cell(0, Row, std::as_const(B.Database).Record(Row * 7 % Records).Code) +
             Cell(1, Row, Row % 2 ? "3" : "3UPDATELINE") + Cell(2, Row, std::to_string(Row % 3 ? 34 : 900000 + Row)) +
             Cell(3, Row, "new " + std::to_string(Row)) + Cell(4, Row, "more");
  }
  std::string Body;
  TValueWriter W(Body);
  W.WriteInteger(8);
  W.WriteInteger(1000);
  W.WriteChars(Batch);
  Ms = B.Time([&](const THandlerContext& C) { Lines.UpdateGrid(C); }, Body, {}, Size);
  std::printf("1,000 grid line commands (\"X\"): %.1f ms (without the save to disk)\n", Ms);
  return 0;
}
