// Allocation failures on demand, for tests of what a failure leaves behind. Include it in
// one source file of a test executable: it replaces the global operator new there.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__clang__) && defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define QMR_TEST_NO_ALLOC_FAILURES 1  // Clang links its sanitizer's operator new statically
#endif
#endif

namespace qmr::test {

// 0: no failure; N > 0: the N-th operator new of this thread from now throws std::bad_alloc.
inline thread_local int FailIn = 0;
// False where operator new cannot be replaced: tests of failures skip there.
#ifdef QMR_TEST_NO_ALLOC_FAILURES
inline constexpr bool CanFailAllocations = false;
#else
inline constexpr bool CanFailAllocations = true;
#endif

}  // namespace qmr::test

#ifndef QMR_TEST_NO_ALLOC_FAILURES
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"  // these news are malloc, these deletes free
#endif

void* operator new(std::size_t N) {
    if (qmr::test::FailIn > 0 && --qmr::test::FailIn == 0) throw std::bad_alloc();
    if (void* P = std::malloc(N > 0 ? N : 1)) return P;
    throw std::bad_alloc();
}
void* operator new(std::size_t N, const std::nothrow_t&) noexcept {
    try {
        return ::operator new(N);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* P) noexcept { std::free(P); }
void operator delete(void* P, std::size_t) noexcept { std::free(P); }
void operator delete(void* P, const std::nothrow_t&) noexcept { std::free(P); }
#endif
