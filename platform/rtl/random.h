// The process-wide random generator: one std::mt19937 seeded once.
#pragma once

#include <cstdint>

// Seeds the generator from std::random_device, the process id and the clock; a no-op after the
// first seeding (by Randomize or RandSeed).
void Randomize();
// Fixes the sequence (tests): every later call draws from this seed.
void RandSeed(std::uint32_t seed);
// 0 <= result < range; 0 when range <= 0. Seeds on first use when nobody has.
int Random(int range);
// 0 <= result < 1.
double Random();
// from <= result < to (either order of the two bounds, like the class library).
int RandomRange(int from, int to);
