// Fills a list box and a combo box with 100,000 items one by one on the Qt backend offscreen (the
// native widgets take every item), reads every item back, and prints the times.
//
//   list_fill_bench [ITEMS]
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_timing.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/ui/forms.h"
#include "platform/ui/list_controls.h"

int main(int argc, char** argv) {
  const int Items = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  InstallQtBackend();
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  TListBox list(&form);
  list.SetParent(&form);
  TComboBox combo(&form);
  combo.SetParent(&form);
  form.Show();
  QApplication::processEvents();

  std::size_t Read = 0;
  const double ListMs = qn_bench::TimeMs([&] {
    for (int i = 0; i < Items; ++i) list.Items().Add("item " + std::to_string(i));
  });
  const double ListReadMs = qn_bench::TimeMs([&] {
    for (int i = 0; i < list.Items().Count(); ++i) Read += list.Items()[i].size();
  });
  const double ComboMs = qn_bench::TimeMs([&] {
    for (int i = 0; i < Items; ++i) combo.Items().Add("entry " + std::to_string(i));
  });
  const double ComboReadMs = qn_bench::TimeMs([&] {
    for (int i = 0; i < combo.Items().Count(); ++i) Read += combo.Items()[i].size();
  });
  std::printf("items                                    %d\n", Items);
  std::printf("list box filled item by item            %8.1f ms\n", ListMs);
  std::printf("list box read item by item              %8.1f ms\n", ListReadMs);
  std::printf("combo box filled item by item           %8.1f ms\n", ComboMs);
  std::printf("combo box read item by item             %8.1f ms\n", ComboReadMs);
  if (list.Items().Count() != Items || combo.Items().Count() != Items || Read == 0) {
    std::fprintf(stderr, "list_fill_bench: the items did not all go in\n");
    return 1;
  }
  return 0;
}
