// Sorts a 100,000-row, 10-column grid by a text and by a numeric column, and saves and loads it
// as a grid text stream and as CSV.  Prints rows per second for each; the target is under 0.5 s
// per operation.
#include <algorithm>
#include <chrono>
#include <vector>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <unistd.h>

#include "bench/bench_scratch.h"
#include "bench/bench_timing.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/streams.h"

namespace {

constexpr int kRows = 100000;
constexpr int kCols = 10;

void Fill(TQnStringGrid& g) {
  std::mt19937 random(12345);
  g.SetColCount(kCols);
  g.SetRowCount(kRows + 1);
  for (int c = 0; c < kCols; ++c) g.SetCells(c, 0, "Column " + std::to_string(c));
  for (int r = 1; r <= kRows; ++r) {
    g.SetCells(0, r, std::to_string(r));
    g.SetCells(1, r, "name " + std::to_string(random() % 1000000));
    g.SetCells(2, r, std::to_string(random() % 100000) + "." + std::to_string(random() % 100));
    for (int c = 3; c < kCols; ++c) g.SetCells(c, r, "text, " + std::to_string(random() % 1000));
  }
}

double Measure(const char* what, const std::function<void()>& run) {
  const double seconds = qn_bench::TimeMs(run) / 1000.0;
  std::printf("%-28s %8.3f s %12.0f rows/s %s\n", what, seconds, kRows / seconds,
              seconds < 0.5 ? "ok" : "SLOW");
  return seconds;
}

}  // namespace

int main() {
  TQnStringGrid grid(nullptr);
  Fill(grid);
  grid.OnGetFormat = [](TObject*, int col, TSortStyle& style, std::string&, std::string&) {
    style = col == 2 ? sortNumber : sortText;
  };
  bool slow = false;
  {
    // The reference: std::sort of the same texts, in the same run.
    std::vector<std::string> texts;
    for (int r = 1; r <= kRows; ++r) texts.push_back(grid.Cells(1, r));
    const double seconds = qn_bench::TimeMs([&] { std::sort(texts.begin(), texts.end()); }) / 1000.0;
    std::printf("%-28s %8.3f s (reference)\n", "std::sort of the same texts", seconds);
  }
  grid.SetSortColumn(1);
  slow |= Measure("sort by text column", [&] { grid.SortByColumn(); }) >= 0.5;
  grid.SetSortColumn(2);
  slow |= Measure("sort by numeric column", [&] { grid.SortByColumn(); }) >= 0.5;

  TMemoryStream stream;
  slow |= Measure("save grid text stream", [&] { grid.SaveToStream(stream); }) >= 0.5;
  TQnStringGrid loaded(nullptr);
  slow |= Measure("load grid text stream", [&] {
            stream.SetPosition(0);
            loaded.LoadFromStream(stream);
          }) >= 0.5;

  const qn_bench::TScratchFolder Scratch("grid_bench");
  const std::string csv = (Scratch / "grid_bench.csv").string();
  slow |= Measure("save CSV", [&] { grid.SaveToCSV(csv); }) >= 0.5;
  TQnStringGrid fromCsv(nullptr);
  fromCsv.FieldDelimiter = ',';
  slow |= Measure("load CSV", [&] { fromCsv.LoadFromCSV(csv); }) >= 0.5;

  if (loaded.Cells(2, kRows) != grid.Cells(2, kRows) || fromCsv.Cells(3, kRows) != grid.Cells(3, kRows)) {
    std::printf("round trip lost data\n");
    return 1;
  }
  return slow ? 2 : 0;
}
