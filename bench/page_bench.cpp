// The page engine on the Qt backend (offscreen): a 5,000-row, 8-column grid laid out over
// preview pages and printed to the "PDF" printer, and a 200-page document of text boxes and
// shapes repainted in the preview at 100 % and at fit-whole-page. Each figure is printed beside
// its target.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_scratch.h"
#include "platform/gfx/bitmap.h"
#include "platform/qt/qt_window_peer.h"
#include "print/grid_print.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Report(const char* what, double value, double target, const char* unit) {
  std::printf("%-44s %9.3f %s  (target <= %g %s) %s\n", what, value, unit, target, unit, value <= target ? "ok" : "OVER");
}

// Average milliseconds of one repaint of the current page over `pages` pages.
double Repaint(TPgPreview& preview, int pages) {
  // A 32-bit surface, as the window's backing image is.
  TBitmap screen(preview.Width(), preview.Height(), pf32bit);
  double total = 0;
  for (int p = 1; p <= pages; ++p) {
    preview.SetCurrentPage(p);
    auto start = std::chrono::steady_clock::now();
    TCanvas& c = screen.Canvas();
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(preview.Color());
    c.FillRect(Rect(0, 0, screen.Width(), screen.Height()));
    preview.PaperImage().Paint(c, preview.PaperRect());
    screen.ReleaseCanvas();
    total += Seconds(start);
  }
  return total * 1000 / pages;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  InstallQtBackend();

  // ---- A 5,000-row grid over preview pages, then to PDF -------------------------------------
  TStringGrid grid(nullptr);
  grid.SetColCount(8);
  grid.SetRowCount(5000);
  grid.SetDefaultColWidth(90);
  grid.SetDefaultRowHeight(18);
  for (int r = 0; r < 5000; ++r)
    for (int c = 0; c < 8; ++c) grid.SetCells(c, r, r == 0 ? "Column " + std::to_string(c) : std::to_string(r * 8 + c));
  TPgPreview gridPreview(nullptr);
  TPgGridPrint printer(nullptr);
  printer.SetPreview(&gridPreview);
  printer.SetGrid(&grid);
  auto start = std::chrono::steady_clock::now();
  printer.Print(gmInches, 0.5, 0.75, 7.2);
  double layout = Seconds(start);
  std::printf("grid: %d pages\n", gridPreview.NumPages());
  Report("lay out 5,000 x 8 grid over preview pages", layout, 0.5, "s");

  TPgPrinter& pg = gridPreview.PgPrinter();
  std::vector<std::string> names = pg.PrinterList();
  if (names.empty() || names.back() != "PDF") {
    std::fprintf(stderr, "no PDF printer\n");
    return 1;
  }
  pg.SetPrinterIndex(static_cast<int>(names.size()) - 1);
  const qn_bench::TScratchFolder Scratch("page_bench");
  std::string file = (Scratch / "page_bench.pdf").string();
  Printer().SetOutputFile(file);
  start = std::chrono::steady_clock::now();
  gridPreview.Print();
  double print = Seconds(start);
  Printer().SetOutputFile("");
  std::printf("pdf: %lld bytes\n", static_cast<long long>(std::filesystem::file_size(file)));
  Report("print the grid's pages to PDF", print, 2, "s");

  // ---- 200 pages of text boxes and shapes, repainted ----------------------------------------
  TPgPreview doc(nullptr);
  doc.SetBounds(0, 0, 1000, 800);
  doc.Header().SetVisible(true);
  doc.Header().CaptionCenter.SetCaption("Page {PAGE} of {NUMPAGES}");
  doc.BeginUpdate();
  for (int p = 0; p < 200; ++p) {
    if (p > 0) doc.NewPage();
    TPgCanvas& c = doc.Canvas();
    for (int i = 0; i < 20; ++i) {
      double y = 1 + i * 0.45;
      c.Brush().SetColor(i % 2 ? clYellow : clAqua);
      c.Rectangle(0.8, y, 1.2, y + 0.3, gmInches);
      c.Ellipse(1.3, y, 1.6, y + 0.3, gmInches);
      c.Brush().SetStyle(bsClear);
      c.TextBox(1.8, y, 7.4, y + 0.4,
                "Line " + std::to_string(i + 1) + " of page " + std::to_string(p + 1) +
                    ": a text box whose words are laid out at 600 units per inch",
                taLeftJustify, gmTop, 0.02, gmInches);
      c.Line(0.8, y + 0.42, 7.4, y + 0.42, gmInches);
    }
  }
  doc.EndUpdate();
  doc.SetZoom(100);
  Report("repaint one page at 100 % (average of 200)", Repaint(doc, 200), 16, "ms");
  doc.FitWholePage();
  std::printf("fit whole page: zoom %d\n", doc.Zoom());
  Report("repaint one page at fit-whole-page", Repaint(doc, 200), 16, "ms");
  return 0;
}
