// Tests that a long input is handled in time that grows with its length, not with its square.
// The work is timed on the thread's processor clock, which other processes do not stretch, at
// two sizes in one run: n and 8 n (Growth).  Linear work takes about 8 times as long at 8 n,
// work that goes over everything so far for each piece 64 times, whatever the machine's speed.
//
// The processor time of a thread includes its page faults, and the first touch of a page the
// process was just given can cost more than the work done on it (on a virtual machine whose
// freed memory goes back to the host, about 20 us a page).  A small run in memory already
// touched against a large run in fresh memory measures the machine, not the work.  So Growth
// first has the heap keep what is freed (nothing goes back to the system, no block gets a
// mapping of its own that is unmapped when freed) and runs the large size once untimed: every
// timed run then works in memory the process has touched.  The sizes should both be well past
// a core's own cache, so that neither runs from it.
#pragma once

#include <malloc.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <climits>
#include <cstdio>
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

// The page faults this thread has taken so far.
inline long ThreadPageFaults() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_minflt + usage.ru_majflt;
}

// From the first call on, memory freed stays with the process, touched, for the next allocation.
// Each call also merges the small blocks freed since the last into the free space around them,
// so that a run does not pay for sorting what the run before it freed.
inline void KeepFreedMemory() {
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, INT_MAX);
}

// How many times longer Seconds(Factor n) is than Seconds(n), each the least of Tries runs, the
// sizes taking turns (a run slowed by another process emptying the caches counts for nothing).
// Seconds(size) does the work for that size and returns the processor seconds of the part that
// must grow linearly.  The large size runs once before, untimed, so that the timed runs find
// the memory they need touched; the page faults of the fastest runs are printed beside them.
template <class F>
double Growth(F&& Seconds, long n, int Factor, int Tries = 3) {
  KeepFreedMemory();
  Seconds(Factor * n);
  double small = std::numeric_limits<double>::max(), large = small;
  long smallFaults = 0, largeFaults = 0;
  for (int i = 0; i < Tries; ++i) {
    KeepFreedMemory();
    long before = ThreadPageFaults();
    const double s = Seconds(n);
    if (s < small) small = s, smallFaults = ThreadPageFaults() - before;
    KeepFreedMemory();
    before = ThreadPageFaults();
    const double l = Seconds(Factor * n);
    if (l < large) large = l, largeFaults = ThreadPageFaults() - before;
  }
  std::printf("size %ld: %.4f s, %ld page faults; size %ld: %.4f s, %ld page faults\n", n, small, smallFaults,
              Factor * n, large, largeFaults);
  return large / std::max(small, 1e-6);
}

// Linear work grows Factor times, work square in n Factor * Factor times: a growth above twice
// the factor is not linear.
constexpr double LinearGrowthBound(int Factor) { return 2.0 * Factor; }
