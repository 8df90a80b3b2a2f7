#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/rtl/random.h"

TEST(RandomGenerator, FixedSeedRepeatsTheSequence) {
  RandSeed(1234);
  std::vector<int> first;
  for (int i = 0; i < 20; ++i) first.push_back(Random(1000));
  RandSeed(1234);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(Random(1000), first[static_cast<std::size_t>(i)]);
  RandSeed(1235);
  std::vector<int> other;
  for (int i = 0; i < 20; ++i) other.push_back(Random(1000));
  EXPECT_NE(first, other);
}

TEST(RandomGenerator, RandomizeDoesNotReseedAFixedSequence) {
  RandSeed(99);
  int a = Random(1 << 30);
  RandSeed(99);
  Randomize();
  EXPECT_EQ(Random(1 << 30), a);
}

TEST(RandomGenerator, StaysInRange) {
  RandSeed(7);
  std::set<int> seen;
  for (int i = 0; i < 2000; ++i) {
    int v = Random(10);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 10);
    seen.insert(v);
    double f = Random();
    ASSERT_GE(f, 0.0);
    ASSERT_LT(f, 1.0);
    int r = RandomRange(5, -3);
    ASSERT_GE(r, -3);
    ASSERT_LT(r, 5);
  }
  EXPECT_EQ(seen.size(), 10u);  // every value turns up
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(-5), 0);
  EXPECT_EQ(Random(1), 0);
  EXPECT_EQ(RandomRange(4, 4), 4);
}
