// Prints 100 pages of text to the "PDF" printer on the Qt backend (offscreen) and reports the
// time beside the target.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_scratch.h"
#include "platform/gfx/printer.h"
#include "platform/qt/qt_window_peer.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  InstallQtBackend();
  TPrinter& printer = Printer();
  auto names = printer.Printers();
  if (names.empty() || names.back() != "PDF") {
    std::fprintf(stderr, "no PDF printer\n");
    return 1;
  }
  printer.SetPrinterIndex(static_cast<int>(names.size()) - 1);
  const qn_bench::TScratchFolder Scratch("print_bench");
  std::string file = (Scratch / "print_bench.pdf").string();
  printer.SetOutputFile(file);
  const int pages = 100, lines = 60;
  auto start = std::chrono::steady_clock::now();
  printer.BeginDoc();
  for (int page = 1; page <= pages; ++page) {
    if (page > 1) printer.NewPage();
    TCanvas& c = printer.Canvas();
    SetMapMode(printer.Handle(), MM_LOMETRIC);
    c.Font().SetName("Arial");
    c.Font().SetHeight(-35);
    c.Brush().SetStyle(bsClear);
    for (int line = 0; line < lines; ++line)
      c.TextOut(150, -150 - line * 45,
                "Page " + std::to_string(page) + ", line " + std::to_string(line + 1) +
                    ": the quick brown fox jumps over the lazy dog 0123456789");
  }
  printer.EndDoc();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("print_bench: %d pages of %d text lines to PDF in %.3f s (target <= 1 s), %ld bytes\n", pages, lines,
              seconds, static_cast<long>(std::filesystem::file_size(file)));
  return 0;
}
