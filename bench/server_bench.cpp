// The record server at its dispatcher, in-process, on a generated database of 20,000 records
// (10 details, 10 descriptions, 3 memos, a 5-line grid 3 and 1 KB of rich text each): opening
// the database beside the raw read of its file, "S" stored durably beside a whole write of the
// file, "S" that changes nothing, "N" and "G" by code; at 20,000 and 80,000 records.
//
//   server_bench [FOLDER] [RECORDS]
// FOLDER is where the benchmark makes the folder of its own that it works in (default: the temp
// folder); that folder goes when it ends, and nothing else is touched.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_scratch.h"
#include "bench/bench_timing.h"
#include "bench/sample_records.h"
#include "platform/rtl/file_io.h"
#include "server/qnserver_form.h"

namespace {

using namespace qn_bench;

std::int64_t FolderBytes(const std::filesystem::path& Folder) {
  std::int64_t Total = 0;
  for (const auto& Entry : std::filesystem::directory_iterator(Folder))
    if (Entry.is_regular_file()) Total += static_cast<std::int64_t>(Entry.file_size());
  return Total;
}

// A line of /proc/self/status in bytes ("VmRSS", "VmHWM").
double StatusBytes(const std::string& Key) {
  std::ifstream In("/proc/self/status");
  std::string Line;
  while (std::getline(In, Line))
    if (Line.rfind(Key + ":", 0) == 0) return std::atof(Line.c_str() + Key.size() + 1) * 1024.0;
  return 0;
}

// The child of the memory figures: opens the database in a process of its own and prints its
// resident bytes after the open and at the peak.
int OpenAndMeasure(const std::filesystem::path& Folder) {
  auto Form = std::make_unique<TQNServerForm>(Folder.string());
  TMemoryRequest R("H:bench", "");
  Form->ExecRequest(R);
  if (!Form->Database() || Form->Database()->Count() == 0) return 1;
  std::printf("%.0f %.0f\n", StatusBytes("VmRSS"), StatusBytes("VmHWM"));
  std::fflush(stdout);
  ::_exit(0);  // the figures are out; taking the records down is not what is measured
}

// Steady and peak resident bytes of a fresh process that opened the folder's database.
bool MeasureOpen(const std::filesystem::path& Folder, double& Steady, double& Peak) {
  int Pipe[2];
  if (::pipe(Pipe) != 0) return false;
  const pid_t Child = ::fork();
  if (Child == 0) {
    ::dup2(Pipe[1], 1);
    ::execl("/proc/self/exe", "server_bench", "--open", Folder.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(Pipe[1]);
  char Text[128] = {};
  const ssize_t Got = ::read(Pipe[0], Text, sizeof Text - 1);
  ::close(Pipe[0]);
  int Status = 0;
  ::waitpid(Child, &Status, 0);
  return Got > 0 && WIFEXITED(Status) && WEXITSTATUS(Status) == 0 &&
         std::sscanf(Text, "%lf %lf", &Steady, &Peak) == 2;
}

// One size of database: load, "S", "S" that changes nothing, "N" and "G".
int Run(const std::filesystem::path& Folder, int Records) {
  std::filesystem::create_directory(Folder);
  const std::string Bytes = SampleDatabase(Records);
  const std::string FileName = (Folder / "bench.qnd").string();
  AtomicWriteFile(FileName, Bytes);
  std::printf("database: %d records, %.1f MB (%.1f KB a record)\n", Records, Bytes.size() / 1e6,
              Bytes.size() / 1e3 / Records);

  auto Form = std::make_unique<TQNServerForm>(Folder.string());
  auto Request = [&](const std::string& UA, const std::string& Body = {}) {
    TMemoryRequest R(UA, Body);
    Form->ExecRequest(R);
    return R.Reply;
  };

  double Steady = 0, Peak = 0;
  const bool Measured = MeasureOpen(Folder, Steady, Peak);
  // The reference: the file read whole into a buffer of its size, nothing else.
  const double RawRead = BestMs(3, [&] {
    const int Fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
    std::unique_ptr<char[]> Buffer(new char[Bytes.size()]);
    std::size_t Got = 0;
    for (ssize_t N; Got < Bytes.size() && (N = ::read(Fd, Buffer.get() + Got, Bytes.size() - Got)) > 0;)
      Got += static_cast<std::size_t>(N);
    ::close(Fd);
    if (Got != Bytes.size()) std::printf("short read of the file\n");
  });
  double Load = 1e30;
  for (int Round = 0; Round < 3; ++Round) {
    Form.reset();  // taking the previous one down is not part of the load
    const auto Start = Clock::now();
    Form = std::make_unique<TQNServerForm>(Folder.string());
    Request("H:bench");
    Load = std::min(Load, MsSince(Start));
  }
  TDatabase& D = *Form->Database();
  const std::string Middle = D.Record(Records / 2).Code;
  const std::string Last = D.Record(Records - 1).Code;

  // "S" of a record whose name and rich text changed, stored durably before the reply.
  auto SaveBody = [&](const std::string& Name) {
    std::string Body;
    TValueWriter W(Body);
    TChangeMask Mask;
    Mask.Set(RecordMask::Name, 0);
    Mask.Set(RecordMask::RichText, 0);
    Mask.Set(RecordMask::Descriptions, 3);
    Mask.Write(W);
    ItemRecord R = D.Record(Records / 2);
    R.Name = Name;
    WriteItemRecord(W, R, TRecordForm::Stream);
    return Body;
  };
  std::vector<std::string> Bodies;
  for (int i = 0; i < 41; ++i) Bodies.push_back(SaveBody("Changed " + std::to_string(i)));
  std::string Reply;
  bool SaveFailed = false;
  const double Save = MedianMs(41, [&](int i) {
    Reply = Request("S" + Middle + ":bench", Bodies[static_cast<std::size_t>(i)]);
    SaveFailed = SaveFailed || Reply.rfind("<HTML>" + std::to_string(Records / 2) + "</HTML>", 0) != 0;
  });
  if (SaveFailed) {
    std::printf("save failed: %s\n", Reply.c_str());
    return 1;
  }
  const double WholeFile = MedianMs(5, [&](int) { AtomicWriteFile(FileName + ".copy", Bytes); });
  std::filesystem::remove(FileName + ".copy");
  const std::int64_t BeforeSame = FolderBytes(Folder);
  const double Same = MedianMs(21, [&](int) { Request("S" + Middle + ":bench", Bodies.back()); });
  const std::int64_t Written = FolderBytes(Folder) - BeforeSame;
  const double Next = BestMs(50, [&] { Request("N" + Middle + ":bench"); });
  const double GoTo = BestMs(50, [&] { Request("G" + Last + ":bench"); });
  const double Close = BestMs(1, [&] { Form.reset(); });

  std::printf("  load the database:          %8.1f ms   raw read of the file %6.1f ms   (target <= 2 x raw)\n",
              Load, RawRead);
  if (Measured)
    std::printf("  resident memory after open: %8.2f x the file steady, %.2f x at peak   (target <= 1.5 / <= 2)\n",
                Steady / static_cast<double>(Bytes.size()), Peak / static_cast<double>(Bytes.size()));
  else
    std::printf("  resident memory: the measuring process failed\n");
  std::printf("  S merge and save (median):  %8.2f ms   write+fsync+rename of the file %6.1f ms   (target <= 5)\n",
              Save, WholeFile);
  std::printf("  S that changes nothing:     %8.2f ms   bytes written %lld   (target 0)\n", Same,
              static_cast<long long>(Written));
  std::printf("  N:                          %8.3f ms   (target < 5)\n", Next);
  std::printf("  G by code:                  %8.3f ms   (target < 5)\n", GoTo);
  std::printf("  close (journal folded):     %8.1f ms\n", Close);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--open") return OpenAndMeasure(argv[2]);
  const TScratchFolder Scratch("qnserver_bench", argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::path());
  std::vector<int> Sizes = {20000, 80000};
  if (argc > 2) Sizes = {std::stoi(argv[2])};
  int Result = 0;
  for (int Records : Sizes) Result |= Run(Scratch / ("records_" + std::to_string(Records)), Records);
  return Result;
}
