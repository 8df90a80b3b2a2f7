// The grid's exchange figures: a 100,000-row, 10-column grid saved as HTML and as .xlsx, read
// back from .xlsx (each beside python3-openpyxl on the same cells), copied to the clipboard as
// text and printed to the "PDF" printer; a 10,000-item list view sorted by a text column and
// printed. Runs on the Qt backend (offscreen).
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_scratch.h"
#include "controls/grid/qn_grid.h"
#include "controls/grid/qn_list_view.h"
#include "platform/gfx/printer.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/ui/clipboard.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs a python3-openpyxl script and returns the seconds it reports (-1 when it cannot run).
double Openpyxl(const std::string& script) {
  const qn_bench::TScratchFolder Scratch("grid_exchange_bench_py");
  const std::string path = (Scratch / "grid_exchange_bench.py").string();
  if (FILE* f = std::fopen(path.c_str(), "w")) {
    std::fputs(script.c_str(), f);
    std::fclose(f);
  }
  FILE* pipe = popen(("/usr/bin/python3 " + path + " 2>/dev/null").c_str(), "r");
  if (!pipe) return -1;
  char buffer[128] = {0};
  double seconds = -1;
  if (std::fgets(buffer, sizeof buffer, pipe)) seconds = std::atof(buffer);
  pclose(pipe);
  std::filesystem::remove(path);
  return seconds;
}

void Report(const char* what, double seconds, const char* target) {
  std::printf("grid_exchange_bench: %-44s %8.3f s  (target %s)\n", what, seconds, target);
}

}  // namespace

int main(int argc, char** argv) {
  // With arguments only the named parts run: html, xlsx, clipboard, print, list.
  auto part = [argc, argv](const char* name) {
    if (argc < 2) return true;
    for (int i = 1; i < argc; ++i)
      if (std::string(argv[i]) == name) return true;
    return false;
  };
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  InstallQtBackend();
  const qn_bench::TScratchFolder Scratch("grid_exchange_bench");
  const std::filesystem::path dir = Scratch.Path();
  const int rows = 100000, cols = 10;

  TQnStringGrid grid(nullptr);
  grid.SetColCount(cols);
  grid.SetRowCount(rows + 1);
  for (int c = 0; c < cols; ++c) grid.SetCells(c, 0, "Column " + std::to_string(c));
  for (int r = 1; r <= rows; ++r)
    for (int c = 0; c < cols; ++c)
      grid.SetCells(c, r, c % 2 == 0 ? std::to_string(r * 10 + c) : "text " + std::to_string(r) + "-" + std::to_string(c));

  auto start = std::chrono::steady_clock::now();
  const std::string html = (dir / "grid_exchange_bench.html").string();
  if (part("html")) {
    grid.SaveToHTML(html);
    Report("HTML, 100,000 x 10", Seconds(start), "<= 0.3 s");
  }

  const std::string xlsx = (dir / "grid_exchange_bench.xlsx").string();
  std::filesystem::remove(xlsx);
  if (part("xlsx")) {
  start = std::chrono::steady_clock::now();
  grid.SaveToXLS(xlsx, "Data");
  const double ourWrite = Seconds(start);
  const double pyWrite = Openpyxl(
      "import time, openpyxl\nt=time.time()\nwb=openpyxl.Workbook(write_only=True)\nws=wb.create_sheet('Data')\n"
      "ws.append(['Column %d' % c for c in range(10)])\n"
      "for r in range(1, 100001):\n"
      "    ws.append([r*10+c if c % 2 == 0 else 'text %d-%d' % (r, c) for c in range(10)])\n"
      "wb.save('" + (dir / "grid_exchange_bench_py.xlsx").string() + "')\nprint(time.time()-t)\n");
  Report(".xlsx write", ourWrite, "<= 1.5 s, faster than openpyxl");
  std::printf("grid_exchange_bench: %-44s %8.3f s\n", "  python3-openpyxl write (write-only mode)", pyWrite);

  TQnStringGrid back(nullptr);
  start = std::chrono::steady_clock::now();
  back.LoadFromXLS(xlsx, "Data");
  const double ourRead = Seconds(start);
  const double pyRead = Openpyxl("import time, openpyxl\nt=time.time()\nwb=openpyxl.load_workbook(open('" + xlsx +
                                 "','rb'), read_only=True)\nn=0\nfor row in wb['Data'].iter_rows(values_only=True):\n"
                                 "    n+=len(row)\nprint(time.time()-t)\n");
  Report(".xlsx read", ourRead, "<= 1.5 s, faster than openpyxl");
  std::printf("grid_exchange_bench: %-44s %8.3f s\n", "  python3-openpyxl read (read-only mode)", pyRead);
  // The sheet's cells land after the reading grid's fixed column and row.
  if (back.RowCount() != rows + 2 || back.Cells(1, 1) != grid.Cells(0, 0) ||
      back.Cells(cols, rows + 1) != grid.Cells(cols - 1, rows))
    std::printf("grid_exchange_bench: the workbook read back differs\n");
  }

  if (part("clipboard")) {
    grid.SetSelection(TGridRect{0, 1, cols - 1, rows});
    start = std::chrono::steady_clock::now();
    grid.CopyToClipBoard();
    Report("clipboard text, 100,000 x 10", Seconds(start), "<= 0.2 s");
  }

  TPrinter& printer = Printer();
  auto names = printer.Printers();
  if (names.empty() || names.back() != "PDF") {
    std::fprintf(stderr, "no PDF printer\n");
    return 1;
  }
  printer.SetPrinterIndex(static_cast<int>(names.size()) - 1);
  const std::string pdf = (dir / "grid_exchange_bench.pdf").string();
  printer.SetOutputFile(pdf);
  if (part("print")) {
    grid.PrintSettings().PageNr = ppBottomCenter;
    start = std::chrono::steady_clock::now();
    grid.Print();
    const double printSeconds = Seconds(start);
    const int pages = grid.TotalPages;
    char line[96];
    std::snprintf(line, sizeof line, "print to PDF, %d pages (%.3f s per 1,000)", pages, printSeconds * 1000.0 / pages);
    Report(line, printSeconds, "<= 2 s per 1,000 pages");
    std::filesystem::remove(pdf);
  }

  if (!part("list")) return 0;
  TQnListView list(nullptr);
  for (int c = 0; c < 3; ++c) list.Columns().Add()->SetCaption("Column " + std::to_string(c));
  list.BeginUpdate();
  for (int i = 0; i < 10000; ++i) {
    TListItem* item = list.Items().Add();
    item->SetCaption("item " + std::to_string((i * 7919) % 10000));
    item->SubItems().Add("text " + std::to_string((i * 104729) % 10007));
    item->SubItems().Add(std::to_string(i));
  }
  list.EndUpdate();
  start = std::chrono::steady_clock::now();
  list.SetSortColumn(1);
  Report("list view sort, 10,000 items by a text column", Seconds(start), "<= 50 ms");
  const std::string listPdf = (dir / "grid_exchange_bench_list.pdf").string();
  printer.SetOutputFile(listPdf);
  start = std::chrono::steady_clock::now();
  list.Print();
  Report("list view print to PDF, 10,000 items", Seconds(start), "none");
  printer.SetOutputFile("");
  for (const std::string& f : {html, xlsx, pdf, listPdf, (dir / "grid_exchange_bench_py.xlsx").string()})
    std::filesystem::remove(f);
  return 0;
}
