// Waiting in a test for a state another thread or process brings about: the state is asked for
// again and again until it holds or the time is up, never assumed after a fixed pause.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

// True as soon as done() is, false when it still is not after timeoutMs (a bound for a machine
// busy with other work, not an expected time).
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}
