// The record server opening a database of 20,000 and of 80,000 sample records (bench/
// sample_records.h) beside two reads of the same file, the file warm in the page cache: a read()
// into a new buffer of its size (every page of which is first touched by the read, which costs
// what the machine charges for a fresh page), and a read() into a buffer the benchmark has read
// into before (the copy alone).  The three alternate round by round, so that a busy machine
// weighs on all alike, and each prints the median of its rounds:
//
//   FIGURE server-load-<N> <load ms> <read into a new buffer ms> <load / that read>
//   FIGURE server-load-<N>-touched <load ms> <read into a touched buffer ms> <load / that read>
//
//   load_bench [FOLDER] [RECORDS] [ROUNDS]
// FOLDER is where the benchmark makes the folder of its own that it works in (default: the temp
// folder); that folder goes when it ends.  RECORDS picks one size; ROUNDS (default 11) the runs
// of each.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
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

// The file read whole into Buffer (of the file's Size at least), nothing else.
bool ReadInto(const std::string& FileName, std::size_t Size, char* Buffer) {
  const int Fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) return false;
  std::size_t Got = 0;
  for (ssize_t N; Got < Size && (N = ::read(Fd, Buffer + Got, Size - Got)) > 0;) Got += static_cast<std::size_t>(N);
  ::close(Fd);
  return Got == Size;
}

// The first reference: the file read whole into a buffer of its size made for it.
bool ReadWhole(const std::string& FileName, std::size_t Size) {
  std::unique_ptr<char[]> Buffer(new char[Size]);
  return ReadInto(FileName, Size, Buffer.get());
}

// The page faults this process has taken so far.
long PageFaults() {
  rusage Usage{};
  ::getrusage(RUSAGE_SELF, &Usage);
  return Usage.ru_minflt + Usage.ru_majflt;
}

int Run(const std::filesystem::path& Folder, int Records, int Rounds) {
  std::filesystem::create_directory(Folder);
  const std::string FileName = (Folder / "bench.qnd").string();
  std::size_t Size = 0;
  {
    const std::string Bytes = SampleDatabase(Records);
    Size = Bytes.size();
    AtomicWriteFile(FileName, Bytes);
  }
  std::printf("database: %d records, %.1f MB\n", Records, static_cast<double>(Size) / 1e6);

  std::unique_ptr<TQNServerForm> Form;
  bool Failed = !ReadWhole(FileName, Size);  // warms the page cache
  // The second reference's buffer, touched by a first read before the rounds.
  const std::unique_ptr<char[]> Touched(new char[Size]);
  Failed = Failed || !ReadInto(FileName, Size, Touched.get());
  std::vector<double> Loads, Reads, TouchedReads, LoadFaults;
  for (int Round = 0; Round < Rounds && !Failed; ++Round) {
    Form.reset();  // taking the previous one down is not part of the load
    const long FaultsBefore = PageFaults();
    Loads.push_back(TimeMs([&] {
      Form = std::make_unique<TQNServerForm>(Folder.string());
      TMemoryRequest R("H:bench", "");
      Form->ExecRequest(R);
    }));
    LoadFaults.push_back(static_cast<double>(PageFaults() - FaultsBefore));
    Failed = !Form->Database() || Form->Database()->Count() != Records;
    Reads.push_back(TimeMs([&] { Failed = Failed || !ReadWhole(FileName, Size); }));
    TouchedReads.push_back(TimeMs([&] { Failed = Failed || !ReadInto(FileName, Size, Touched.get()); }));
  }
  if (Failed) {
    std::printf("the load or the read failed\n");
    return 1;
  }
  const double Load = Median(Loads), Read = Median(Reads), TouchedRead = Median(TouchedReads);
  std::printf("  load: min %.1f median %.1f max %.1f ms; read: min %.1f median %.1f max %.1f ms;"
              " read into a touched buffer: min %.1f median %.1f max %.1f ms (%d rounds)\n",
              Percentile(Loads, 0), Load, Percentile(Loads, 1), Percentile(Reads, 0), Read, Percentile(Reads, 1),
              Percentile(TouchedReads, 0), TouchedRead, Percentile(TouchedReads, 1), Rounds);
  // Most of what the load costs beyond the copy: the records' memory, every page of it fresh.
  std::printf("  page faults a load (the process's, all threads): median %.0f, %.0f KB of fresh pages\n",
              Median(LoadFaults), Median(LoadFaults) * 4);
  std::printf("FIGURE server-load-%d %.1f %.1f %.2f\n", Records, Load, Read, Load / Read);
  std::printf("FIGURE server-load-%d-touched %.1f %.1f %.2f\n", Records, Load, TouchedRead, Load / TouchedRead);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const TScratchFolder Scratch("qnload_bench", argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::path());
  std::vector<int> Sizes = {20000, 80000};
  if (argc > 2) Sizes = {std::stoi(argv[2])};
  const int Rounds = argc > 3 ? std::max(1, std::stoi(argv[3])) : 11;
  int Result = 0;
  for (int Records : Sizes) Result |= Run(Scratch / ("records_" + std::to_string(Records)), Records, Rounds);
  return Result;
}
