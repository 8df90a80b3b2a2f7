#include "platform/rtl/random.h"

#include <chrono>
#include <cmath>
#include <mutex>
#include <random>
#include <utility>

#include <unistd.h>

namespace {

std::mutex gMutex;
bool gSeeded = false;

// Made at the first use: its state is five kilobytes that a process drawing no number (a CGI
// process) would otherwise fill at its start.
std::mt19937& Generator() {
  static std::mt19937 generator;
  return generator;
}

void SeedLocked() {
  if (gSeeded) return;
  // One word seeds the generator: a sequence of several costs a short process (a CGI request's)
  // more than all else it does with random numbers.
  std::random_device device;
  auto clock = static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
  Generator().seed(device() ^ static_cast<std::uint32_t>(getpid()) * 0x9E3779B9u ^ static_cast<std::uint32_t>(clock) ^
                  static_cast<std::uint32_t>(clock >> 32));
  gSeeded = true;
}

}  // namespace

void Randomize() {
  std::lock_guard<std::mutex> lock(gMutex);
  SeedLocked();
}

void RandSeed(std::uint32_t seed) {
  std::lock_guard<std::mutex> lock(gMutex);
  Generator().seed(seed);
  gSeeded = true;
}

int Random(int range) {
  if (range <= 0) return 0;
  std::lock_guard<std::mutex> lock(gMutex);
  SeedLocked();
  return std::uniform_int_distribution<int>(0, range - 1)(Generator());
}

double Random() {
  std::lock_guard<std::mutex> lock(gMutex);
  SeedLocked();
  double r = std::generate_canonical<double, 53>(Generator());
  return r < 1.0 ? r : std::nextafter(1.0, 0.0);  // the canonical draw may round up to 1
}

int RandomRange(int from, int to) {
  if (from > to) std::swap(from, to);
  long long span = static_cast<long long>(to) - from;
  if (span == 0) return from;
  if (span > 0x7FFFFFFF) span = 0x7FFFFFFF;
  return from + Random(static_cast<int>(span));
}
