// QN_ASSERT stops the process at a broken invariant in the builds the tests run.
#include <gtest/gtest.h>

#include "platform/rtl/invariant.h"

namespace {

int CheckedHalf(int even) {
  QN_ASSERT(even % 2 == 0);
  return even / 2;
}

TEST(Invariant, HoldingInvariantLetsTheCodeGoOn) { EXPECT_EQ(CheckedHalf(8), 4); }

#if defined(QN_CHECK_INVARIANTS)
TEST(InvariantDeathTest, BrokenInvariantAbortsNamingItsCondition) {
  EXPECT_DEATH(CheckedHalf(7), "invariant broken: even % 2 == 0");
}
#endif

}  // namespace
