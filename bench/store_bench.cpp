// The record server's store under a steady stream of "G" requests, in-process, on generated
// databases of records of about 5 KB (10 details, 10 descriptions, 3 memos, a 5-line grid 3 and
// rich text): how long a "G" waits in the 10 s after an "S" and while the database file is
// written whole (requests served as the resident instance serves them: one at a time, its idle
// timer once a second between them), the first search after a change beside the steady search,
// and one "X" batch of many lines on one record.
//
//   store_bench [RECORDS ...]        (default: 20000 80000)
//
// Every run works in a folder of its own that it makes under the temp folder and removes at the end.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_scratch.h"
#include "bench/bench_timing.h"
#include "bench/sample_records.h"
#include "platform/rtl/file_io.h"
#include "server/qnserver_form.h"

namespace {

using namespace qn_bench;
namespace fs = std::filesystem;

std::string GridText(int Cols, int Rows, const std::vector<std::pair<std::pair<int, int>, std::string>>& Cells) {
  std::string Out = std::to_string(Cols) + "," + std::to_string(Rows) + "\r\n";
  for (const auto& [At, Text] : Cells)
    Out += std::to_string(At.first) + "," + std::to_string(At.second) + "," + Text + "\r\n";
  return Out;
}

class TBench {
public:
  TBench(const fs::path& Folder, int Records) : FFolder(Folder), FRecords(Records) {}

  int Run() {
    const std::string Bytes = SampleDatabase(FRecords);
    AtomicWriteFile((FFolder / "bench.qnd").string(), Bytes);
    std::printf("database: %d records, %.1f MB (%.1f KB a record)\n", FRecords, Bytes.size() / 1e6,
                Bytes.size() / 1e3 / FRecords);
    FForm = std::make_unique<TQNServerForm>(FFolder.string());
    const double Load = TimeMs([&] { Request("H:bench"); });
    const TDatabase& D = *FForm->Database();
    for (int i = 0; i < 200; ++i) FCodes.push_back(D.Record(static_cast<int>((static_cast<long long>(i) * 7919) % FRecords)).Code);
    const double Go = Median(51, [&](int i) { Request("G" + FCodes[static_cast<std::size_t>(i)] + ":bench"); });
    std::printf("  load %.0f ms; G by code (median) %.3f ms\n", Load, Go);

    // The 10 s after one "S".
    Save(0, "Changed once");
    TWaits AfterSave = Serve(10.0, false, false);
    std::printf("  G in the 10 s after an S: longest wait %7.2f ms, 99th percentile %6.2f ms, %zu G   (target <= 20)\n"
                "    of which the server's own work before the reply: at most %.2f ms (idle round %.2f, S %.2f, G %.2f)\n",
                AfterSave.Longest, Percentile(AfterSave.Waits, 0.99), AfterSave.Waits.size(), AfterSave.Held,
                AfterSave.IdleMs, AfterSave.SaveMs, AfterSave.GMs);

    // A whole write of the file, with saves going on meanwhile.
    Save(1, "Before the whole write");
    const auto Start = Clock::now();
    FForm->StartFold();
    TWaits During = Serve(60.0, true, true);
    std::printf("  G while the file is written whole (%.1f s, %d S meanwhile): longest wait %7.2f ms, 99th "
                "percentile %6.2f ms, %zu G   (target <= 20)\n"
                "    of which the server's own work before the reply: at most %.2f ms (idle round %.2f, S %.2f, G %.2f)\n",
                SecondsSince(Start), During.Saves, During.Longest, Percentile(During.Waits, 0.99),
                During.Waits.size(), During.Held, During.IdleMs,
                During.SaveMs, During.GMs);

    // Searches: steady, and the first one after each change.
    const std::string Terms = SearchBody();
    const double Steady = Median(15, [&](int) { Request("2:bench", Terms); });
    const double First = Median(15, [&](int i) {
      Save(2 + i % 10, "Search round " + std::to_string(i));
      const auto From = Clock::now();
      Request("2:bench", Terms);
      FLast = MsSince(From);
    }, true);
    std::printf("  search: steady %.2f ms, first after a change %.2f ms = %.2f x   (target <= 1.5 x)\n", Steady,
                First, First / Steady);

    // One "X" batch of many new lines on one record's grid 3.
    for (int Lines : {2000, 8000, 16000}) {
      const std::string Body = LineBatch(FCodes[20 + Lines % 100], Lines);
      std::string Reply;
      const double Took = TimeMs([&] { Reply = Request("X:bench", Body); });
      const bool Done = Reply.find("Error") == std::string::npos;
      std::printf("  X of %5d lines on one record: %8.1f ms%s\n", Lines, Took, Done ? "" : "  (refused)");
    }
    const double Close = TimeMs([&] { FForm.reset(); });
    std::printf("  close (journal folded): %.0f ms\n", Close);
    return 0;
  }

private:
  struct TWaits {
    std::vector<double> Waits;
    double Longest = 0;
    double Held = 0;  // the longest time the server worked between a G's due time and its reply
    double IdleMs = 0, SaveMs = 0, GMs = 0;  // the longest idle round, S and G
    int Saves = 0;
  };

  std::string Request(const std::string& UA, const std::string& Body = {}) {
    TMemoryRequest R(UA, Body);
    FForm->ExecRequest(R);
    return R.Reply;
  }

  void Save(int Which, const std::string& Name) {
    const std::string& Code = FCodes[static_cast<std::size_t>(Which) % FCodes.size()];
    const TDatabase& D = *FForm->Database();
    ItemRecord R = D.Record(D.FindRecordIndex(Code));
    R.Name = Name;
    R.Details[1] = Name;
    TChangeMask Mask;
    Mask.Set(RecordMask::Name, 0);
    Mask.Set(RecordMask::Details, 1);
    std::string Body;
    TValueWriter W(Body);
    Mask.Write(W);
    WriteItemRecord(W, R, TRecordForm::Stream);
    const std::string Reply = Request("S" + Code + ":bench", Body);
    if (Reply.rfind("<HTML>", 0) != 0 || Reply.find("Error") != std::string::npos)
      std::printf("  save failed: %s\n", Reply.c_str());
  }

  // A "G" every 5 ms for Seconds, served one at a time with the idle timer run between them once
  // a second, as the resident instance does; the wait of a "G" runs from when it is due to its
  // reply.  WithSaves: an "S" every 100 ms besides.  UntilFolded: ends when no whole write is
  // under way any more.
  TWaits Serve(double Seconds, bool WithSaves, bool UntilFolded) {
    TWaits Out;
    const auto Start = Clock::now();
    auto LastIdle = Start;
    for (int n = 0;; ++n) {
      const auto Due = Start + std::chrono::microseconds(5000LL * n);
      if (Due > Start + std::chrono::duration<double>(Seconds)) break;
      if (UntilFolded && !Folding()) break;
      while (Clock::now() < Due) ::usleep(200);
      // What the server does before it answers this G: the idle timer, an S, the G itself.  The
      // wait besides that is the machine's (other processes, the sleep's own lateness).
      double Held = 0;
      if (Clock::now() - LastIdle >= std::chrono::seconds(1)) {
        const double Took = TimeMs([&] { FForm->Idle(); });
        Out.IdleMs = std::max(Out.IdleMs, Took);
        Held += Took;
        LastIdle = Clock::now();
      }
      if (WithSaves && n % 20 == 10) {
        const double Took = TimeMs([&] { Save(100 + n % 50, "During " + std::to_string(n)); });
        Out.SaveMs = std::max(Out.SaveMs, Took);
        Held += Took;
        ++Out.Saves;
      }
      const double Took = TimeMs([&] { Request("G" + FCodes[static_cast<std::size_t>(n) % FCodes.size()] + ":bench"); });
      Out.GMs = std::max(Out.GMs, Took);
      Held += Took;
      Out.Held = std::max(Out.Held, Held);
      const double Wait = std::chrono::duration<double, std::milli>(Clock::now() - Due).count();
      Out.Waits.push_back(Wait);
      Out.Longest = std::max(Out.Longest, Wait);
    }
    FForm->Idle();
    return Out;
  }

  bool Folding() { return FForm->Folding(); }

  static std::string SearchBody() {
    // Description 1 contains "Category 3", and detail 2 lies between "Detail value 1 of 1" and
    // "Detail value 1 of 5".
    const std::string Grid = GridText(11, 2, {{{3, 0}, "0"}, {{4, 0}, "1"}, {{5, 0}, "Category 3"}, {{10, 0}, "0"},
                                              {{3, 1}, "110"}, {{4, 1}, "1"}, {{5, 1}, "Detail value 1 of 1"},
                                              {{6, 1}, "Detail value 1 of 5"}, {{10, 1}, "0"}});
    return Grid;
  }

  static std::string LineBatch(const std::string& Code, int Lines) {
    std::vector<std::pair<std::pair<int, int>, std::string>> Cells;
    for (int i = 0; i < Lines; ++i) {
      Cells.push_back({{0, i}, Code});
      Cells.push_back({{1, i}, "3UPDATELINE"});
      Cells.push_back({{2, i}, "N" + std::to_string(i)});
      Cells.push_back({{3, i}, "value " + std::to_string(i)});
    }
    std::string Body;
    TValueWriter W(Body);
    W.WriteInteger(6);
    W.WriteInteger(Lines);
    W.WriteChars(GridText(7, Lines, Cells));
    return Body;
  }

  // The median of Rounds runs: of Work's own time, or (Own) of the time Work leaves in FLast.
  template <class F>
  double Median(int Rounds, F&& Work, bool Own = false) {
    std::vector<double> Times;
    for (int i = 0; i < Rounds; ++i) {
      const double Took = TimeMs([&] { Work(i); });
      Times.push_back(Own ? FLast : Took);
    }
    return Percentile(Times, 0.5);
  }

  fs::path FFolder;
  int FRecords;
  std::unique_ptr<TQNServerForm> FForm;
  std::vector<std::string> FCodes;
  double FLast = 0;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> Sizes;
  for (int i = 1; i < argc; ++i) Sizes.push_back(std::atoi(argv[i]));
  if (Sizes.empty()) Sizes = {20000, 80000};
  const TScratchFolder Folder("store_bench");
  int Result = 0;
  for (int Records : Sizes) {
    if (Records <= 0) continue;
    const fs::path Run = Folder / std::to_string(Records);
    fs::create_directories(Run);
    Result |= TBench(Run, Records).Run();
    fs::remove_all(Run);
  }
  return Result;
}
