// The record window's pictures, grid 3 line edits and data import against the real stack
// (bin/hmserv, the web server, the server program): a record with six 1920 x 1080 JPEG pictures
// downloaded, decoded and fitted; a grid 3 line edit with two linked totals (its requests
// against one hand-over round trip); 10,000 rows of a comma-separated file imported through the
// import window's logic.
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

#include "client/core/data_import.h"
#include "client/core/grid_lines.h"
#include "client/core/local_server.h"
#include "client/core/login_logic.h"
#include "client/core/record_fields.h"
#include "client/core/record_window.h"
#include "controls/grid/qn_grid.h"
#include "net/http_client.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "bench/bench_client.h"

namespace fs = std::filesystem;
using qn_bench::Clock;
using qn_bench::Median;
constexpr auto Ms = qn_bench::MsSince;

namespace {

// Grid 3 of the shown record as rows of cells.
TCellRows ShownGrid(const TModelView& V, int Cols) {
  TQnStringGrid G(nullptr);
  G.SetFixedRows(0);
  G.SetColCount(Cols);
  G.SetRowCount(std::max(V.Editors.Grid3Rows, 2));
  if (!V.Editors.Grid3.empty()) {
    TMemoryStream S;
    S.WriteBuffer(V.Editors.Grid3.data(), static_cast<long>(V.Editors.Grid3.size()));
    S.SetPosition(0);
    G.LoadFromStream(S);
  }
  TCellRows Rows;
  for (int r = 0; r < G.RowCount(); ++r) {
    Rows.emplace_back();
    for (int c = 0; c < G.ColCount(); ++c) Rows.back().push_back(G.Cells(c, r));
  }
  return Rows;
}

}  // namespace

int main() {
  THeadlessRun Headless;
  // The stack without a database: the benchmark creates "Bench" from the shipped definition.
  TBenchStack Stack("fields_bench", "");
  const fs::path& R = Stack.Root;
  const std::string& Folder = Stack.Folder;
  fs::create_directories(R / "pics");
  // Six photographs' worth of JPEG (noise keeps them near the upload limit's size class).
  const std::string Make = "/usr/bin/python3 -c \"import random\nfrom PIL import Image, ImageDraw\nfor n in range(1, 7):\n"
                           "  im = Image.new('RGB', (1920, 1080), (20 * n, 90, 200))\n  d = ImageDraw.Draw(im)\n"
                           "  [d.ellipse((random.randint(0, 1900), random.randint(0, 1060), random.randint(0, 1920) + 20, "
                           "random.randint(0, 1080) + 20), fill=(random.randint(0, 255), 200, 40)) for _ in range(300)]\n"
                           "  im.save('" + (R / "pics").string() + "/p%d.jpg' % n, quality=80)\"";
  if (std::system(Make.c_str()) != 0) {
    std::fprintf(stderr, "fields_bench: the pictures could not be written\n");
    return 1;
  }

  if (!Stack.Start()) return 1;
  TBenchClient<TModelView> Client(Stack);
  TServerSession& Session = Client.Session;
  TModelView& View = Client.View;
  TRecordWindow& Window = Client.Window;
  TLoginLogic& Login = Client.Login;
  TNewDatabase New{"Bench", "Bench", "Benchmark", "General", "2026/12/01", "2026/12/09"};
  if (Login.CreateDatabase(New, Folder + "Data/database/General", Folder) != "Bench") {
    std::fprintf(stderr, "fields_bench: the database could not be created\n");
    return 1;
  }
  if (!Client.Open("fields_bench")) return 1;
  int Failures = 0;

  // ---- Six pictures: download, decode, fit into an 800 x 450 panel ----
  TRecordFields Fields(Window);
  for (int n = 1; n <= 6; ++n)
    if (!Fields.SelectPicture(n, (R / "pics" / ("p" + std::to_string(n) + ".jpg")).string())) ++Failures;
  std::vector<double> Shows;
  for (int round = 0; round < 5; ++round) {
    const auto T0 = Clock::now();
    for (int n = 1; n <= 6; ++n)
      if (Fields.DisplayPicture(n, true, 800, 450).State != TPictureShow::Shown) ++Failures;
    Shows.push_back(Ms(T0));
  }

  // ---- A grid 3 line edit with two linked totals ----
  TGridLineCommands Lines(Window);
  Window.Buffers.Configuration.DetailNames[8] = "Paid";
  Window.Buffers.Configuration.DetailNames[9] = "Worth";
  Window.Buffers.ConfigMask.Set(ConfigMask::DetailNames, 8);
  Window.Buffers.ConfigMask.Set(ConfigMask::DetailNames, 9);
  Window.SaveServerConfiguration();
  TColumnDefs Defs{};
  Defs[0] = {"Date", "date", "", ""};
  Defs[1] = {"Event", "", "", ""};
  Defs[2] = {"Place", "", "", ""};
  Defs[3] = {"Value", "money", "add", "Paid"};
  Defs[4] = {"Note", "", "total", "Worth"};
  Lines.GridInput = [&](int) {
    TLineCommandInput In;
    In.RecordCode = Window.Number();
    In.Grid = ShownGrid(View, 6);
    In.Defs = Defs;
    In.FieldNumber = [&](const std::string& C) { return Window.ReturnFieldString(C); };
    return In;
  };
  for (int i = 0; i < 20; ++i)
    Lines.SendRowEditor(3, -1, {"NEW", "01/02/2026", "line " + std::to_string(i), "here", "10", "5"});
  Window.GetRecord("G" + Window.Number());
  std::vector<double> Trips, Edits;
  for (int i = 0; i < 30; ++i) {
    auto T0 = Clock::now();
    Login.Handshake("Bench");
    Trips.push_back(Ms(T0));
    const TCellRows Grid = ShownGrid(View, 6);
    std::vector<std::string> Values = Grid[1];
    Values[4] = std::to_string(11 + i);
    T0 = Clock::now();
    if (!Lines.SendRowEditor(3, 1, Values) || !Window.GetRecord("G" + Window.Number())) ++Failures;
    Edits.push_back(Ms(T0));
  }

  // ---- 10,000 rows imported ----
  {
    std::ofstream Csv(R / "import.csv");
    for (int i = 0; i < 10000; ++i) Csv << "Imported " << i << ",Maker " << i << ",Model " << i % 97 << "\r\n";
  }
  TQnStringGrid Grid(nullptr);
  TImportLogic Import(Session, Grid);
  TConfiguration Config;
  SetDefaultFieldNames(Config);
  const auto Menu = ImportFieldMenu(Config, "Name");
  auto T0 = Clock::now();
  if (!Import.LoadFile((R / "import.csv").string())) ++Failures;
  Import.SelectField(0, Menu[21]);
  Import.SelectField(1, Menu[12]);
  Import.SelectField(2, Menu[13]);
  if (!Import.PerformImport()) ++Failures;
  const double ImportMs = Ms(T0);

  std::printf("six 1920x1080 JPEG pictures shown (download, decode, fit), median of 5: %.1f ms (target <= 300 ms)\n",
              Median(Shows));
  std::printf("hand-over round trip, median of 30: %.2f ms\n", Median(Trips));
  std::printf("grid 3 line edit with two linked totals (X + reload), median of 30: %.2f ms (target <= %.2f ms = "
              "2 round trips + 20 ms)\n",
              Median(Edits), 2 * Median(Trips) + 20);
  std::printf("10,000 CSV rows imported (load, map, send): %.1f ms (target <= 3000 ms)\n", ImportMs);
  std::printf("failures: %d\n", Failures);
  Stack.Server.Stop();
  TLocalServer::WaitForServerProgramEnd(Folder, 5000);
  return Failures == 0 ? 0 : 1;
}
