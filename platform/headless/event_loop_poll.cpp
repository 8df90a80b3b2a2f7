#include "platform/headless/event_loop_poll.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/sys/process.h"

TPollEventLoop::TPollEventLoop(bool WatchQuitSignals) : FWatchSignals(WatchQuitSignals) {
  FWakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (FWakeFd < 0) throw EOutOfResources("Cannot create the event loop's wake descriptor");
  if (FWatchSignals) InstallQuitSignals();
}

TPollEventLoop::~TPollEventLoop() {
  Retire();
  if (FWakeFd >= 0) ::close(FWakeFd);
  FWakeFd = -1;
}

std::uint64_t TPollEventLoop::NowMs() const { return FFake ? FFakeNow : GetTickCount64(); }

void TPollEventLoop::UseFakeClock(std::uint64_t StartMs) {
  // Deadlines keep their distance from now when the clock changes.
  const std::uint64_t now = NowMs();
  for (auto& [id, timer] : FTimers) {
    const std::uint64_t left = timer.Deadline > now ? timer.Deadline - now : 0;
    timer.Deadline = StartMs + left;
  }
  FFake = true;
  FFakeNow = StartMs;
}

void TPollEventLoop::AdvanceClock(std::uint64_t Ms) {
  const std::uint64_t target = FFakeNow + Ms;
  // Bounded: a repeating timer of interval 0 would otherwise fire forever at one moment.
  for (int guard = 0; guard < 1000000; ++guard) {
    const TTimer* first = nullptr;
    for (const auto& [id, timer] : FTimers) {
      if (timer.Deadline > target) continue;
      if (!first || timer.Deadline < first->Deadline ||
          (timer.Deadline == first->Deadline && timer.Seq < first->Seq))
        first = &timer;
    }
    if (!first) break;
    if (first->Deadline > FFakeNow) FFakeNow = first->Deadline;
    FireOneDueTimer(FFakeNow);
  }
  FFakeNow = target;
}

TEventLoop::TTimerId TPollEventLoop::AddTimer(unsigned IntervalMs, bool Repeat, TTimerProc OnFire) {
  TTimerId id = FNextTimerId++;
  if (FNextTimerId == 0) FNextTimerId = 1;
  FTimers[id] = TTimer{IntervalMs, Repeat, NowMs() + IntervalMs, FNextSeq++, std::move(OnFire)};
  return id;
}

void TPollEventLoop::RemoveTimer(TTimerId Id) { FTimers.erase(Id); }

void TPollEventLoop::SetFdWatch(int Fd, unsigned Mask, TFdProc OnReady) {
  if (Fd < 0) return;
  if ((Mask & (fdeRead | fdeWrite)) == 0 || !OnReady) {
    FWatches.erase(Fd);
    return;
  }
  FWatches[Fd] = TWatch{Mask & (fdeRead | fdeWrite), std::move(OnReady), FNextGeneration++};
}

void TPollEventLoop::RemoveFdWatch(int Fd) { FWatches.erase(Fd); }

void TPollEventLoop::Wake() {
  if (FWakeFd < 0) return;
  const std::uint64_t one = 1;
  ssize_t ignored = ::write(FWakeFd, &one, sizeof one);
  (void)ignored;
}

void TPollEventLoop::DrainWake() {
  std::uint64_t value;
  while (::read(FWakeFd, &value, sizeof value) > 0) {
  }
}

void TPollEventLoop::OnQuitSignal() {
  ClearQuitSignal();
  Quit();
}

void TPollEventLoop::Reschedule(TTimer& Timer, std::uint64_t Now) {
  // The next deadline keeps the rhythm; a loop that fell behind does not fire a burst.
  Timer.Deadline += Timer.Interval;
  if (Timer.Deadline <= Now) Timer.Deadline = Now + (Timer.Interval ? Timer.Interval : 1);
  Timer.Seq = FNextSeq++;
}

bool TPollEventLoop::FireOneDueTimer(std::uint64_t Now) {
  auto best = FTimers.end();
  for (auto it = FTimers.begin(); it != FTimers.end(); ++it) {
    if (it->second.Deadline > Now) continue;
    if (best == FTimers.end() || it->second.Deadline < best->second.Deadline ||
        (it->second.Deadline == best->second.Deadline && it->second.Seq < best->second.Seq))
      best = it;
  }
  if (best == FTimers.end()) return false;
  TTimerProc proc = best->second.OnFire;  // the handler may remove or replace the timer
  if (best->second.Repeat) Reschedule(best->second, Now);
  else FTimers.erase(best);
  if (proc) Guard(proc);
  return true;
}

bool TPollEventLoop::FireDueTimers() {
  // Each timer due at the start of the round fires at most once in the round.
  const std::uint64_t now = NowMs();
  std::vector<std::pair<std::uint64_t, TTimerId>> due;
  for (const auto& [id, timer] : FTimers)
    if (timer.Deadline <= now) due.push_back({timer.Seq, id});
  std::sort(due.begin(), due.end(), [&](const auto& a, const auto& b) {
    const TTimer& ta = FTimers.at(a.second);
    const TTimer& tb = FTimers.at(b.second);
    if (ta.Deadline != tb.Deadline) return ta.Deadline < tb.Deadline;
    return a.first < b.first;
  });
  bool any = false;
  for (const auto& [seq, id] : due) {
    auto it = FTimers.find(id);
    if (it == FTimers.end() || it->second.Seq != seq) continue;  // removed or replaced meanwhile
    TTimerProc proc = it->second.OnFire;
    if (it->second.Repeat) Reschedule(it->second, now);
    else FTimers.erase(it);
    any = true;
    if (proc) Guard(proc);
    if (QuitRequested()) break;
  }
  return any;
}

bool TPollEventLoop::ProcessMessages(int WaitMs) {
  // Posted messages and due timers first; waiting only when there is nothing to do.
  bool any = DispatchPosted();
  if (!FFake) any = FireDueTimers() || any;
  if (FWatchSignals && QuitSignalled()) {
    OnQuitSignal();
    any = true;
  }

  const bool handledBeforeWait = any;
  int timeout = any ? 0 : WaitMs;
  // On the fake clock nothing but a descriptor can end an endless wait: do not wait at all.
  if (FFake && timeout < 0) timeout = 0;
  if (timeout != 0 && !FFake && !FTimers.empty()) {
    std::uint64_t next = std::numeric_limits<std::uint64_t>::max();
    for (const auto& [id, timer] : FTimers) next = std::min(next, timer.Deadline);
    const std::uint64_t now = NowMs();
    const std::uint64_t left = next > now ? next - now : 0;
    if (timeout < 0 || left < static_cast<std::uint64_t>(timeout)) timeout = static_cast<int>(left);
  }
  if (QuitRequested() && timeout != 0) timeout = 0;

  std::vector<pollfd> fds;
  std::vector<std::pair<int, std::uint64_t>> watched;
  fds.reserve(FWatches.size() + 2);
  fds.push_back({FWakeFd, POLLIN, 0});
  const int signalFd = FWatchSignals ? QuitSignalFd() : -1;
  if (signalFd >= 0) fds.push_back({signalFd, POLLIN, 0});
  const size_t firstWatch = fds.size();
  for (const auto& [fd, watch] : FWatches) {
    short events = 0;
    if (watch.Mask & fdeRead) events |= POLLIN;
    if (watch.Mask & fdeWrite) events |= POLLOUT;
    fds.push_back({fd, events, 0});
    watched.push_back({fd, watch.Generation});
  }

  int n = ::poll(fds.data(), fds.size(), timeout);
  if (n < 0 && errno != EINTR) n = 0;
  if (n > 0) {
    if (fds[0].revents) DrainWake();
    if (signalFd >= 0 && fds[1].revents) {
      OnQuitSignal();
      any = true;
    }
    for (size_t i = firstWatch; i < fds.size(); ++i) {
      const short revents = fds[i].revents;
      if (!revents) continue;
      const auto [fd, generation] = watched[i - firstWatch];
      auto it = FWatches.find(fd);
      // A handler earlier in this round may have removed or replaced this watch.
      if (it == FWatches.end() || it->second.Generation != generation) continue;
      unsigned events = 0;
      if (revents & (POLLIN | POLLPRI)) events |= fdeRead;
      if (revents & POLLOUT) events |= fdeWrite;
      if (revents & (POLLHUP | POLLERR | POLLNVAL)) {
        events |= fdeHangUp;
        if (it->second.Mask & fdeRead) events |= fdeRead;
        if (it->second.Mask & fdeWrite) events |= fdeWrite;
      }
      TFdProc proc = it->second.OnReady;
      // A descriptor closed under its watch: its owner hears of it once, as a hang-up, and
      // the loop stops polling it.
      if (revents & POLLNVAL) FWatches.erase(it);
      any = true;
      Guard([&proc, fd = fd, events] { proc(fd, events); });
    }
  }
  // What came during the wait belongs to this round; what the round itself posted waits for
  // the next one.
  if (!handledBeforeWait) {
    any = DispatchPosted() || any;
    if (!FFake) any = FireDueTimers() || any;
  }
  return any;
}

void InstallHeadlessEventLoop() {
  SetEventLoopFactory([] { return std::make_unique<TPollEventLoop>(); });
}
