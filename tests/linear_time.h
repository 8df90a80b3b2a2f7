// Tests that a long input is handled in time that grows with its length, not with its square.
// The work is timed on the thread's processor clock, which a busy machine does not stretch, at
// two sizes in one run: n and 8 n (Growth).  Linear work takes about 8 times as long at 8 n,
// work that goes over everything so far for each piece 64 times, whatever the machine's speed.
#pragma once

#include <time.h>

#include <algorithm>
#include <limits>
#include <utility>

// The processor time Work takes on this thread, in seconds.
template <class F>
double ThreadCpuSeconds(F&& Work) {
  timespec a{}, b{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
  std::forward<F>(Work)();
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
  return static_cast<double>(b.tv_sec - a.tv_sec) + static_cast<double>(b.tv_nsec - a.tv_nsec) / 1e9;
}

// How many times longer Seconds(Factor n) is than Seconds(n), each the least of Tries runs (a
// run slowed by page faults or a cache emptied by another process counts for nothing).
// Seconds(size) does the work for that size and returns the processor seconds of the part that
// must grow linearly.
template <class F>
double Growth(F&& Seconds, long n, int Factor, int Tries = 3) {
  double small = std::numeric_limits<double>::max(), large = small;
  for (int i = 0; i < Tries; ++i) {
    small = std::min(small, Seconds(n));
    large = std::min(large, Seconds(Factor * n));
  }
  return large / std::max(small, 1e-6);
}

// Linear work grows Factor times, work square in n Factor * Factor times: a growth above twice
// the factor is not linear.
constexpr double LinearGrowthBound(int Factor) { return 2.0 * Factor; }
