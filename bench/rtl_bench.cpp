// Figures of the run-time library: typed value stream throughput, string list sorting and
// splitting, component stream round trips.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "bench/bench_scratch.h"
#include "platform/rtl/base64.h"
#include "bench/bench_timing.h"
#include "platform/rtl/component_stream.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/typed_stream.h"

namespace {

double Seconds(qn_bench::Clock::time_point start) { return qn_bench::SecondsSince(start); }

}  // namespace

int main() {
  // A record-like mix: 1 Boolean, 40 Strings, 6 Integers, 100 Booleans, per value group.
  const int records = 20000;
  TMemoryStream stream;
  auto start = qn_bench::Clock::now();
  {
    TWriter w(stream, 100);
    for (int r = 0; r < records; ++r) {
      w.WriteBoolean(r % 2 == 0);
      for (int i = 0; i < 40; ++i) w.WriteString(i % 4 == 0 ? "" : "detail text " + std::to_string(i));
      for (int i = 0; i < 6; ++i) w.WriteInteger(r * i);
      for (int i = 0; i < 100; ++i) w.WriteBoolean(i == r % 100);
    }
  }
  double writeTime = Seconds(start);
  const double mb = static_cast<double>(stream.Size()) / 1e6;
  stream.SetPosition(0);
  start = qn_bench::Clock::now();
  long long checksum = 0;
  {
    TReader rd(stream, 100);
    for (int r = 0; r < records; ++r) {
      checksum += rd.ReadBoolean();
      for (int i = 0; i < 40; ++i) checksum += static_cast<long long>(rd.ReadString().size());
      for (int i = 0; i < 6; ++i) checksum += rd.ReadInteger();
      for (int i = 0; i < 100; ++i) checksum += rd.ReadBoolean();
    }
  }
  double readTime = Seconds(start);
  std::printf("typed stream: %d records, %.1f MB; write %.1f MB/s, read %.1f MB/s (check %lld)\n",
              records, mb, mb / writeTime, mb / readTime, checksum);

  TStringList list;
  for (int i = 0; i < 200000; ++i) list.Add("Item " + std::to_string((i * 7919) % 200000));
  start = qn_bench::Clock::now();
  list.Sort();
  std::printf("string list: sort of %d lines in %.1f ms\n", list.Count(), Seconds(start) * 1e3);
  std::string text = list.Text();
  start = qn_bench::Clock::now();
  TStringList split;
  split.SetText(text);
  std::printf("string list: text of %.1f MB split in %.1f ms\n", static_cast<double>(text.size()) / 1e6,
              Seconds(start) * 1e3);
  start = qn_bench::Clock::now();
  int found = 0;
  list.SetSorted(true);
  for (int i = 0; i < 200000; ++i) {
    int index;
    found += list.Find("item " + std::to_string(i), index);
  }
  std::printf("string list: 200000 Find calls in %.1f ms (%d found)\n", Seconds(start) * 1e3, found);
  {
    // Base64 decoding of 32 MiB of text, beside the coreutils decoder on the same bytes.
    std::mt19937 random(1);
    std::string data(24u << 20, '\0');
    for (char& c : data) c = static_cast<char>(random() & 0xFF);
    const std::string text = Base64Encode(data);
    std::string back;
    auto t = qn_bench::Clock::now();
    const bool ok = Base64Decode(text, back);
    const double ours = Seconds(t);
    const qn_bench::TScratchFolder Scratch("rtl_bench");
    const std::string file = (Scratch / "base64.txt").string();
    std::ofstream(file, std::ios::binary) << text;
    t = qn_bench::Clock::now();
    const int status = std::system(("base64 -d " + file + " > /dev/null").c_str());
    const double reference = Seconds(t);
    std::printf("base64 decode %.0f MiB: %.1f ms (%s); coreutils base64 -d, same bytes: %.1f ms%s\n",
                text.size() / 1048576.0, ours * 1000, ok && back == data ? "exact" : "WRONG",
                reference * 1000, status == 0 ? "" : " (failed)");
  }
  return 0;
}
