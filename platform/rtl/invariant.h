// QN_ASSERT(condition): an invariant that the code after it relies on, stated where it can break.
//
// On in every build but Release (the tests, the fuzz targets, the installed program built by
// scripts/run): a broken invariant prints its place and its text to standard error and aborts,
// so a test or a fuzz run stops at the cause instead of at a later crash or a wrong reply.
// In Release (a build made with CMAKE_BUILD_TYPE=Release; the default build, benchmarks
// included, is RelWithDebInfo and checks) the condition is not evaluated at all, so it must have
// no side effects.
#pragma once

#if defined(QN_CHECK_INVARIANTS)

namespace qn_detail {
[[noreturn]] void InvariantBroken(const char* condition, const char* file, int line) noexcept;
}

#define QN_ASSERT(condition) \
  ((condition) ? static_cast<void>(0) : ::qn_detail::InvariantBroken(#condition, __FILE__, __LINE__))

#else

#define QN_ASSERT(condition) static_cast<void>(sizeof(static_cast<bool>(condition)))

#endif
