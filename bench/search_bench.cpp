// The record server's searches in-process on 20,000 and 80,000 records held in memory: a search of three
// terms ("2": a description, a detail range and a grid 3 column; the first, and the best of
// five after it), the search
// display of every record code ("5") and the search index file ("Y").
//
//   search_bench [RECORDS]   (20,000 and 80,000 without)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_scratch.h"
#include "bench/bench_timing.h"
#include "server/search_index.h"
#include "server/searches.h"

namespace {


struct TBench {
  TDatabase Database;
  TQnStringGrid ResultGrid{nullptr};

  // Runs one request; returns its milliseconds and the reply's size.
  template <class F>
  double Time(F&& Handler, const std::string& Body, std::size_t& ReplySize) {
    TMemoryRequest Request("", Body);
    THandlerContext Context{Database, Request, ResultGrid, [&] { return Request.Body; }, [] {}};
    const double Ms = qn_bench::TimeMs([&] { Handler(Context); });
    ReplySize = Request.Reply.size();
    return Ms;
  }
};

std::string Cell(int Col, int Row, const std::string& Text) {
  return std::to_string(Col) + "," + std::to_string(Row) + "," + Text + "\r\n";
}

void Fill(TDatabase& D, int Records) {
  TRecordCodeGenerator Codes(5);
  D.Config.Grid3Columns = 5;
  for (int i = 0; i < Records; ++i) {
    ItemRecord& R = D.Record(D.NewRecord(Codes));
    R.Name = "Record " + std::to_string(i) + ", the blue series";
    for (std::size_t f = 0; f < 10; ++f) {
      R.Details[f] = std::to_string((i * 7 + f) % 1000);
      R.Descriptions[f] = "Category " + std::to_string((i + f) % 7) + ":Long text";
    }
    for (std::size_t f = 0; f < 6; ++f) R.Others[f] = "Other " + std::to_string(i % 13) + " here";
    R.Grid3 = "6,6\r\n";
    for (int Row = 1; Row <= 4; ++Row)
      for (int Col = 1; Col < 6; ++Col) R.Grid3 += Cell(Col, Row, std::to_string((i + Row * Col) % 500));
    R.Grid3Rows = 6;
  }
}

int Run(int Records) {
  TBench B;
  Fill(B.Database, Records);
  std::size_t Size = 0;

  // Few records pass the first two terms, so the grid term runs on about a tenth of them.
  const std::string Terms = "11,3\r\n" + Cell(3, 0, "0") + Cell(4, 0, "1") + Cell(5, 0, "Category 3") +
                            Cell(10, 0, "0") + Cell(3, 1, "100") + Cell(4, 1, "1") + Cell(5, 1, "100") +
                            Cell(6, 1, "500") + Cell(10, 1, "0") + Cell(3, 2, "420") + Cell(4, 2, "2") +
                            Cell(5, 2, "450") + Cell(6, 2, "460") + Cell(10, 2, "0");
  // The first search makes the field columns it reads; the next ones find them made.
  const double First = B.Time(LoadSearch, Terms, Size);
  double Search = 1e30;
  for (int Round = 0; Round < 5; ++Round) Search = std::min(Search, B.Time(LoadSearch, Terms, Size));
  std::printf("first search of 3 terms over %d records (making its columns): %.1f ms\n", Records, First);
  std::printf("search of 3 terms over %d records: %.1f ms, %d matches\n", Records, Search,
              B.ResultGrid.RowCount() - 1);

  // The slowest kind of term, a grid column, tried on every record.
  const std::string GridTerm = "11,1\r\n" + Cell(3, 0, "430") + Cell(4, 0, "1") + Cell(5, 0, "10") +
                               Cell(6, 0, "20") + Cell(10, 0, "0");
  const double Grid = B.Time(LoadSearch, GridTerm, Size);
  std::printf("search of 1 grid column term over %d records: %.1f ms, %d matches\n", Records, Grid,
              B.ResultGrid.RowCount() - 1);

  std::string Display = "4," + std::to_string(Records + 2) + "\r\n" + Cell(0, 0, "Code") + Cell(1, 0, "Name") +
                        Cell(2, 0, "Status") + Cell(3, 0, "Detail") + Cell(0, 1, "28") + Cell(1, 1, "21") +
                        Cell(2, 1, "20") + Cell(3, 1, "10");
  for (int i = 0; i < Records; ++i) Display += Cell(0, i + 2, B.Database.Record(i).Code);
  const double Shown = B.Time(SendSearchDisplay, Display, Size);
  std::printf("search display of %d codes: %.1f ms, %zu bytes\n", Records, Shown, Size);

  const qn_bench::TScratchFolder Scratch("search_bench");
  const std::filesystem::path File = Scratch / "search_bench.qnd.sea";
  const double Index = B.Time([&](const THandlerContext& C) { BuildSearchIndex(C, File.string()); }, {}, Size);
  std::printf("search index of %d records: %.1f ms, %ju bytes\n", Records, Index,
              static_cast<std::uintmax_t>(std::filesystem::file_size(File)));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) return Run(std::atoi(argv[1]));
  return Run(20000) | Run(80000);
}
