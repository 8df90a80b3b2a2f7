// Tests that a long input is read in time that grows with its length, not with its square.  The
// work is timed on the thread's processor clock, which a busy machine does not stretch, against a
// bound far above what the linear path takes (ten times and more) and far below what a path that
// rescans the input for every line would take.
#pragma once

#include <time.h>

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
