// A record with a 300,000-line memo through the record window (the real TView on the headless
// backend): shown (the memo's lines go into the window), then read back out of the window as a
// save does it, and the record stream of the save written and read again.
//
//   memo_bench [LINES]
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_scratch.h"
#include "bench/bench_timing.h"
#include "client/core/record_streams.h"
#include "client/view.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "records/value_stream.h"

namespace {

// No server: the window is filled and read without one.
// This process's processor time, in milliseconds: a busy machine stretches the wall clock of each
// phase but not this.
double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

class TNoServer : public TServerTransport {
public:
  std::string Send(const TClientRequest&) override { return {}; }
};

}  // namespace

int main(int argc, char** argv) {
  const int Lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300000;
  InstallHeadlessBackend();
  TPollEventLoop Loop{false};
  SetCurrentEventLoop(&Loop);

  ItemRecord Record = EmptyRecord();
  Record.Code = "MEMO0001";
  Record.Name = "A record with a long memo";
  for (int i = 0; i < Lines; ++i) Record.Memos[0].push_back("Memo line " + std::to_string(i) + " of the long memo");
  Record.Memos[1] = {"A short memo"};

  qn_bench::TScratchFolder Folder("memo_bench");
  TNoServer Server;
  ItemRecord Read;
  double ShowMs = 0, ReadMs = 0, StreamMs = 0, CpuTotalMs = 0;
  bool Same = false;
  {
    TView View(nullptr, TViewOptions{&Server, Folder.Path().string() + "/"});
    std::array<std::string, 10> Texts;
    double Cpu = CpuMs();
    ShowMs = qn_bench::TimeMs([&] { View.ShowRecord(Record, Texts); });
    CpuTotalMs += CpuMs() - Cpu;
    Read = Record;
    Read.Memos = {};
    Cpu = CpuMs();
    ReadMs = qn_bench::TimeMs([&] { View.ReadRecord(Read); });
    CpuTotalMs += CpuMs() - Cpu;
    TChangeMask All;
    All.SetAll(true);
    ItemRecord Back = EmptyRecord();
    std::size_t Sent = 0;
    bool Taken = false;
    Cpu = CpuMs();
    StreamMs = qn_bench::TimeMs([&] {
      // The save's body, and the record as the server's reply carries it, read as the client does.
      Sent = WriteRecordStream(All, Read).size();
      std::string Reply;
      TValueWriter W(Reply);
      WriteItemRecord(W, Read, TRecordForm::Stream);
      Taken = ReadRecordStream(Reply, Back);
    });
    CpuTotalMs += CpuMs() - Cpu;
    std::printf("save body                                %zu bytes\n", Sent);
    Same = Taken;
    Same = Same && Read.Memos == Record.Memos && Back.Memos == Record.Memos;
  }
  const double Total = ShowMs + ReadMs + StreamMs;
  std::printf("memo lines                               %d\n", Lines);
  std::printf("record shown in the window              %8.1f ms\n", ShowMs);
  std::printf("record read out of the window (save)    %8.1f ms\n", ReadMs);
  std::printf("record stream written and read back     %8.1f ms\n", StreamMs);
  std::printf("in all                                  %8.1f ms   target <= 500 ms\n", Total);
  std::printf("in all, processor time                  %8.1f ms\n", CpuTotalMs);
  if (!Same) {
    std::fprintf(stderr, "memo_bench: the memo did not come back whole\n");
    return 1;
  }
  return 0;
}
