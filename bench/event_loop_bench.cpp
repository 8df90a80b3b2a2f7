// Figures of the headless event loop: posted messages, cross-thread posts, timers on the fake
// clock and descriptor wake-ups.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/headless/event_loop_poll.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class TCounter : public TMessageTarget {
public:
  void HandlePostedMessage(UINT, WPARAM, LPARAM) override { ++Count; }
  long Count = 0;
};

}  // namespace

int main() {
  TPollEventLoop loop(false);

  {
    TCounter target;
    const long n = 1000000;
    auto start = Clock::now();
    for (long i = 0; i < n; ++i) loop.PostMessage(&target, 2146, 0, 0);
    while (target.Count < n) loop.ProcessMessages(0);
    std::printf("posted messages, same thread:   %8.0f k/s\n", n / Seconds(start) / 1000);
  }

  {
    TCounter target;
    const long n = 200000;
    auto start = Clock::now();
    std::thread poster([&] {
      for (long i = 0; i < n; ++i) loop.PostMessage(&target, 2146, 0, 0);
    });
    while (target.Count < n) loop.ProcessMessages(100);
    poster.join();
    std::printf("posted messages, other thread:  %8.0f k/s\n", n / Seconds(start) / 1000);
  }

  {
    TPollEventLoop fake(false);
    fake.UseFakeClock();
    long fired = 0;
    for (int i = 0; i < 100; ++i) fake.AddTimer(50 + i, true, [&] { ++fired; });
    auto start = Clock::now();
    fake.AdvanceClock(100000);
    std::printf("timer firings, 100 timers:      %8.0f k/s (%ld fired)\n",
                fired / Seconds(start) / 1000, fired);
  }

  {
    int p[2];
    if (::pipe(p) != 0) return 1;
    long got = 0;
    loop.SetFdWatch(p[0], fdeRead, [&](int fd, unsigned) {
      char byte;
      if (::read(fd, &byte, 1) == 1) ++got;
    });
    const long n = 100000;
    auto start = Clock::now();
    for (long i = 0; i < n; ++i) {
      if (::write(p[1], "x", 1) != 1) return 1;
      loop.ProcessMessages(100);
    }
    std::printf("descriptor wake-ups:            %8.1f us each (%ld)\n",
                Seconds(start) * 1e6 / n, got);
    loop.RemoveFdWatch(p[0]);
    ::close(p[0]);
    ::close(p[1]);
  }
  return 0;
}
