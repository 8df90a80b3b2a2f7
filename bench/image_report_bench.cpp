// The image report against the real stack (bin/hmserv, the web server, the server program with
// its resident instance) on a generated database of 20,000 records whose first record holds six
// pictures (three JPEG photographs of 1024 x 768, two GIF and one PCX picture of 640 x 480): the
// quick print (six downloads with "IR", the window) and the page with six pictures generated in
// the preview.  Medians of several runs, in milliseconds.
//
//   image_report_bench [RECORDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_client.h"
#include "client/core/login_logic.h"
#include "client/core/server_requests.h"
#include "client/reports/image_report_form.h"
#include "client/reports/report_windows.h"
#include "net/http_client.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/std_buttons.h"
#include "print/preview.h"
#include "records/configuration.h"
#include "server/database_store.h"
#include "records/value_stream.h"

namespace {

using qn_bench::Clock;
using qn_bench::Median;
constexpr auto Ms = qn_bench::MsSince;

const char* const kNames[] = {"photo1.jpg", "photo2.jpg", "photo3.jpg", "plan1.gif", "plan2.gif", "scan.pcx"};

std::string MakeDatabase(int Records, std::string& FirstCode) {
  return ShippedDatabase(
      Records,
      [&](ItemRecord& Rec, int i) {
        Rec.Name = "Record " + std::to_string(i);
        for (int f = 0; f < 10; ++f) Rec.Details[f] = std::to_string((i * 7 + f) % 1000);
        Rec.Memos[2] = {"Memo line one of " + std::to_string(i), "Memo line two"};
        if (i == 0) {
          FirstCode = Rec.Code;
          for (int s = 0; s < 6; ++s) Rec.Images[static_cast<std::size_t>(s)] = {kNames[s], "Picture " + std::to_string(s + 1), false};
        }
      },
      7);
}

}  // namespace

int main(int argc, char** argv) {
  const int Records = argc > 1 ? std::max(10, std::atoi(argv[1])) : 20000;
  THeadlessRun Headless;

  std::string Code;
  TBenchStack Stack("image_report_bench", MakeDatabase(Records, Code));
  // The pictures as the server keeps them: CODE.im1 .. CODE.im6 (photographs with detail).
  const std::string Make =
      "/usr/bin/python3 -c \"import sys\nfrom PIL import Image\nb = sys.argv[1]\n"
      "def pic(w, h, k):\n"
      "  im = Image.new('RGB', (w, h)); px = im.load()\n"
      "  for y in range(0, h):\n"
      "    for x in range(0, w): px[x, y] = ((x * k) % 256, (y * 3) % 256, ((x ^ y) * k) % 256)\n"
      "  return im\n"
      "for s in (1, 2, 3): pic(1024, 768, s + 1).save(b + '.im%d' % s, 'JPEG', quality=88)\n"
      "for s in (4, 5): pic(640, 480, s).convert('P').save(b + '.im%d' % s, 'GIF')\n"
      "pic(640, 480, 7).save(b + '.im6', 'PCX')\" '" +
      (Stack.Root / "Data" / "database" / Code).string() + "'";
  if (std::system(Make.c_str()) != 0) {
    std::fprintf(stderr, "image_report_bench: the pictures could not be made\n");
    return 1;
  }
  if (!Stack.Start()) return 1;
  TBenchClient Client(Stack);
  if (!Client.Open("image_report_bench")) return 1;
  TServerSession& Session = Client.Session;
  TRecordWindow& Window = Client.Window;
  TLoginLogic& Login = Client.Login;
  if (Window.Buffers.Current.Code != Code) {
    std::fprintf(stderr, "image_report_bench: the first record is not the one with pictures\n");
    return 1;
  }
  TReportHost Host;
  Host.Session = &Session;
  Host.Record = &Window;
  Host.Captions = CaptionsFromConfiguration(Window.Buffers.Configuration);
  TReportWindows Windows(Host);
  image_report::TReportRecord Text;
  Text.Name = Window.Buffers.Current.Name;
  for (int f = 0; f < 10; ++f) Text.Values[110 + 10 * f] = {Window.Buffers.Current.Details[static_cast<std::size_t>(f)]};
  Text.Values[610] = Window.Buffers.Current.Memos[2];

  std::vector<double> Pages, Whole;
  int Drawn = 0, NumPages = 0;
  const std::vector<double> Trips = HandshakeTimes(Login, 20);
  for (int run = 0; run < 9; ++run) {
    const auto T0 = Clock::now();
    QuickPrintClick(Windows, Window.Buffers.Current, Text, [&](TImageReportForm& Form) {
      Form.FormActivate();
      for (int s = 0; s < 6; ++s) Form.Image[static_cast<std::size_t>(s)]->SetItemIndex(s + 1);
      Form.IncludeRecordNameBtn->SetChecked(true);
      Form.IncludeFieldNamesBtn->SetChecked(true);
      for (int f = 0; f < 10; ++f) Form.AddReportItemClick(110 + 10 * f);
      Form.AddReportItemClick(610);
      Form.Layout->SetItemIndex(run % 4);
      const auto T1 = Clock::now();
      Form.PreviewBtnClick();
      Pages.push_back(Ms(T1));
      Drawn = Form.ImagesDrawn();
      NumPages = Form.PrintPreview->NumPages();
    });
    Whole.push_back(Ms(T0));
  }
  std::printf("records                               %d\n", Records);
  std::printf("hand-over round trip (median)         %.1f ms\n", Median(Trips));
  std::printf("image page, six pictures generated    %.1f ms (%d pictures, %d page; target <= 300 ms)\n", Median(Pages),
              Drawn, NumPages);
  std::printf("quick print: 6 downloads, window, page %.1f ms\n", Median(Whole));
  return Drawn == 6 ? 0 : 1;
}
