// The record server opening a database of 20,000 and of 80,000 sample records (bench/
// sample_records.h) beside a read() of the same file into a new buffer, the file warm in the
// page cache.  The two alternate round by round, so that a busy machine weighs on both alike, and
// each prints the median of its rounds:
//
//   FIGURE <step> <load ms> <read ms> <load / read>
//
//   load_bench [FOLDER] [RECORDS] [ROUNDS]
// FOLDER is where the benchmark makes the folder of its own that it works in (default: the temp
// folder); that folder goes when it ends.  RECORDS picks one size; ROUNDS (default 11) the runs
// of each.
#include <fcntl.h>
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

// The reference: the file read whole into a buffer of its size made for it, nothing else.
bool ReadWhole(const std::string& FileName, std::size_t Size) {
  const int Fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) return false;
  std::unique_ptr<char[]> Buffer(new char[Size]);
  std::size_t Got = 0;
  for (ssize_t N; Got < Size && (N = ::read(Fd, Buffer.get() + Got, Size - Got)) > 0;)
    Got += static_cast<std::size_t>(N);
  ::close(Fd);
  return Got == Size;
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
  std::vector<double> Loads, Reads;
  for (int Round = 0; Round < Rounds && !Failed; ++Round) {
    Form.reset();  // taking the previous one down is not part of the load
    Loads.push_back(TimeMs([&] {
      Form = std::make_unique<TQNServerForm>(Folder.string());
      TMemoryRequest R("H:bench", "");
      Form->ExecRequest(R);
    }));
    Failed = !Form->Database() || Form->Database()->Count() != Records;
    Reads.push_back(TimeMs([&] { Failed = Failed || !ReadWhole(FileName, Size); }));
  }
  if (Failed) {
    std::printf("the load or the read failed\n");
    return 1;
  }
  const double Load = Median(Loads), Read = Median(Reads);
  std::printf("  load: min %.1f median %.1f max %.1f ms; read: min %.1f median %.1f max %.1f ms (%d rounds)\n",
              Percentile(Loads, 0), Load, Percentile(Loads, 1), Percentile(Reads, 0), Read,
              Percentile(Reads, 1), Rounds);
  std::printf("FIGURE server-load-%d %.1f %.1f %.2f\n", Records, Load, Read, Load / Read);
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
