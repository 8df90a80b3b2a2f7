// The timing harness of the benchmarks: a clock, the time since a start, one timed run, the best
// and the median of several runs, and percentiles (the median) of a set of times.
#pragma once

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace qn_bench {

using Clock = std::chrono::steady_clock;

inline double MsSince(Clock::time_point From) {
  return std::chrono::duration<double, std::milli>(Clock::now() - From).count();
}
inline double SecondsSince(Clock::time_point From) { return MsSince(From) / 1000.0; }

// Milliseconds of one run of Work().
template <class F>
double TimeMs(F&& Work) {
  const auto Start = Clock::now();
  Work();
  return MsSince(Start);
}

// The fastest of Rounds runs of Work(), in milliseconds.
template <class F>
double BestMs(int Rounds, F&& Work) {
  double Best = 1e300;
  for (int i = 0; i < Rounds; ++i) Best = std::min(Best, TimeMs(Work));
  return Best;
}

// The value at Share (0..1) of the sorted Values; 0 for none.
inline double Percentile(std::vector<double> Values, double Share) {
  if (Values.empty()) return 0;
  std::sort(Values.begin(), Values.end());
  const auto At = static_cast<std::size_t>(Share * static_cast<double>(Values.size()));
  return Values[std::min(At, Values.size() - 1)];
}

inline double Median(std::vector<double> Values) { return Percentile(std::move(Values), 0.5); }

// The median of Rounds runs of Work(Round), in milliseconds.
template <class F>
double MedianMs(int Rounds, F&& Work) {
  std::vector<double> Times;
  for (int i = 0; i < Rounds; ++i) Times.push_back(TimeMs([&] { Work(i); }));
  return Percentile(std::move(Times), 0.5);
}

// The machine's load averages over 1, 5 and 15 minutes, as "1.00 2.00 3.00".
inline std::string LoadAverage() {
  std::ifstream In("/proc/loadavg");
  std::string One, Five, Fifteen;
  In >> One >> Five >> Fifteen;
  return One + " " + Five + " " + Fifteen;
}

}  // namespace qn_bench
