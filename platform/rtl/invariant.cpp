// The one place a broken invariant ends the process (see invariant.h).
#include "platform/rtl/invariant.h"

#include <cstdio>
#include <cstdlib>

#if defined(QN_CHECK_INVARIANTS)
namespace qn_detail {
void InvariantBroken(const char* condition, const char* file, int line) noexcept {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  std::fflush(stderr);
  std::abort();
}
}  // namespace qn_detail
#endif
