// The report, summary, label and mail commands against the real stack (bin/hmserv, the web
// server, the server program) on a generated database of 20,000 records: the reminder, quick
// order and value reports; the grid data summary of every record and the data summary over it;
// 300 address labels laid out on preview pages; and a message to 100 recipients through a mail
// server on loopback.
//
//   commands_bench [RECORDS]
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "client/core/local_server.h"
#include "client/core/login_logic.h"
#include "client/core/record_window.h"
#include "client/reports/data_summary.h"
#include "client/reports/email_window.h"
#include "client/reports/record_print_form.h"
#include "client/reports/reminder_report.h"
#include "client/reports/report_windows.h"
#include "controls/grid/qn_grid.h"
#include "net/http_client.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "platform/headless/headless_modal.h"
#include "platform/rtl/file_io.h"
#include "server/database_store.h"
#include "records/value_stream.h"
#include "tests/loopback_listener.h"
#include "bench/bench_client.h"

namespace fs = std::filesystem;
using qn_bench::Clock;
using qn_bench::Median;
constexpr auto Ms = qn_bench::MsSince;

namespace {

std::string MakeDatabase(int Records) {
  return ShippedDatabase(Records, [](ItemRecord& Rec, int i) {
    Rec.Name = "Record " + std::to_string(i);
    Rec.Details[0] = std::to_string(i % 97);                 // quantity
    Rec.Details[1] = std::to_string((i * 7) % 120);          // desired quantity
    Rec.Details[2] = std::to_string(i % 1000) + ".25";       // money
    Rec.Others[0] = "20" + std::to_string(10 + i % 15) + "/0" + std::to_string(1 + i % 9) + "/1" + std::to_string(i % 9);
    Rec.Others[1] = "user" + std::to_string(i) + "@example.com";
    Rec.Memos[0] = {"Record " + std::to_string(i), "Street " + std::to_string(i), "Town"};
    Rec.Grid3 = "4,3\r\n0,1,1\r\n1,1,2020/01/0" + std::to_string(1 + i % 9) + "\r\n2,1,Group " +
                std::to_string(i % 5) + "\r\n3,1," + std::to_string(i % 31) + "\r\n";
    Rec.Grid3Rows = 3;
  });
}

}  // namespace

int main(int argc, char** argv) {
  const int Records = argc > 1 ? std::max(2, std::atoi(argv[1])) : 20000;
  THeadlessRun Headless;

  TBenchStack Stack("commands_bench", MakeDatabase(Records));
  if (!Stack.Start()) return 1;
  const fs::path& R = Stack.Root;
  TBenchClient Client(Stack);
  if (!Client.Open("commands_bench")) return 1;
  TServerSession& Session = Client.Session;
  TRecordWindow& Window = Client.Window;
  TLoginLogic& Login = Client.Login;
  TReportHost Host;
  Host.Session = &Session;
  Host.Record = &Window;
  Host.Captions = CaptionsFromConfiguration(Window.Buffers.Configuration);
  TReportWindows Windows(Host);

  const std::vector<double> Trips = HandshakeTimes(Login, 20);
  std::vector<double> Reminders, Orders, Values, Summaries;
  std::size_t Kept = 0, OrderRows = 0, ValueRows = 0, Groups = 0;
  for (int i = 0; i < 5; ++i) {
    TReminderReport Rem(Host, Windows.List);
    Rem.ReminderFieldNo = 21;
    Rem.DateFormat = "yyyy/mm/dd";
    Rem.FromDate = "2012/01/01";
    Rem.ToDate = "2020/12/31";
    auto T0 = Clock::now();
    Rem.FindReminders();
    Rem.FilterReminders();
    Reminders.push_back(Ms(T0));
    Kept = Rem.View.size();

    TQuantityReport Q(Host, Windows.List);
    Q.QuantityFieldNo = 0;
    Q.DesiredFieldNo = 1;
    T0 = Clock::now();
    Q.Generate();
    Orders.push_back(Ms(T0));
    OrderRows = Q.Rows.size();

    TValueReport V(Host, Windows.List);
    V.FieldList = {"2", "0"};
    T0 = Clock::now();
    V.Generate();
    Values.push_back(Ms(T0));
    ValueRows = V.Rows.size();

    TQnStringGrid Gathered(nullptr);
    TGridDataSummary G(Host, Windows.List, Gathered);
    G.SourceHeaders = {"ID", "Date", "Group", "Count"};
    T0 = Clock::now();
    G.GetData();
    TDataSummary S(Gathered);
    S.ColumnKinds = {"", "text", "text", "date", "text", "numeric"};
    S.FormActivate();
    S.FilterField = Gathered.Cells(4, 0);
    S.FillSummaryGrid();
    Summaries.push_back(Ms(T0));
    Groups = S.Rows.size();
  }

  // 300 address labels laid out on the preview's pages.
  double LabelsMs = 0;
  int LabelPages = 0;
  {
    TRTFForm Form(Windows);
    ReadEntryList(Session.Get("A"), Form.AddressList);
    for (int i = 0; i < 300 && i < static_cast<int>(Form.AddressList.size()); ++i) Form.OrderList.push_back(std::to_string(i));
    Form.PrintMode = 4;
    const auto T0 = Clock::now();
    Form.FormActivate();
    LabelsMs = Ms(T0);
    LabelPages = Form.LabelsDrawn();
  }

  // A message to 100 recipients through a mail server on loopback.
  double MailMs = -1;
  int Sent = 0;
  {
    const int MailPort = FreeLoopbackPort();
    const fs::path Script = R / "smtpd.py", Stop = R / "stop";
    std::ofstream(Script) << "import os, time\nfrom aiosmtpd.controller import Controller\n"
                             "class H:\n    async def handle_DATA(self, server, session, envelope): return '250 OK'\n"
                             "c = Controller(H(), hostname='127.0.0.1', port=" << MailPort << ")\n"
                             "c.start(); print('ready', flush=True)\nt = time.time()\n"
                             "while not os.path.exists('" << Stop.string() << "') and time.time() - t < 120: time.sleep(0.02)\n"
                             "c.stop()\n";
    FILE* Py = ::popen(("/usr/bin/python3 " + Script.string() + " 2>&1").c_str(), "r");
    char Line[64] = {};
    if (Py && std::fgets(Line, sizeof Line, Py) && std::string(Line) == "ready\n") {
      TEmailSender Mail;
      Mail.MailServer = "127.0.0.1";
      Mail.MailPort = std::to_string(MailPort);
      Mail.SenderEmail = "bench@example.com";
      Mail.Subject = "Bench";
      Mail.Body = {"Hello"};
      for (int i = 0; i < 100; ++i) {
        TEmailRecipient E;
        E.Code = std::to_string(i);
        E.Name = "User " + std::to_string(i);
        E.Address = "user" + std::to_string(i) + "@example.com";
        Mail.Items.push_back(E);
      }
      const auto T0 = Clock::now();
      Sent = Mail.Send();
      MailMs = Ms(T0);
    }
    std::ofstream(Stop) << "x";
    if (Py) ::pclose(Py);
  }

  const double Trip = Median(Trips);
  std::printf("records                                 %d\n", Records);
  std::printf("hand-over round trip (handshake)        %8.2f ms   median of 20\n", Trip);
  std::printf("reminder report (%zu kept)           %8.1f ms   median of 5; target <= %.1f ms\n", Kept, Median(Reminders), Trip + 100);
  std::printf("quick order report (%zu rows)        %8.1f ms   median of 5; target <= %.1f ms\n", OrderRows, Median(Orders), Trip + 100);
  std::printf("value report (%zu rows)              %8.1f ms   median of 5; target <= %.1f ms\n", ValueRows, Median(Values), Trip + 100);
  std::printf("grid data summary + summary (%zu groups) %8.1f ms  median of 5; target <= 500 ms\n", Groups, Median(Summaries));
  std::printf("300 address labels on preview pages     %8.1f ms   (%d drawn); target <= 2000 ms\n", LabelsMs, LabelPages);
  std::printf("mail to 100 recipients on loopback      %8.1f ms   (%d sent); target <= 3000 ms\n", MailMs, Sent);

  Window.CloseSequence({nullptr, nullptr, nullptr, [&] { Stack.Server.Stop(); }});
  TLocalServer::WaitForServerProgramEnd(Stack.Folder, 5000);
  return 0;
}
