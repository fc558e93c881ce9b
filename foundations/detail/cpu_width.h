// The widest vector of doubles this processor runs, for the kernels compiled at several
// widths and chosen at run time.
#pragma once

namespace qmr::detail {

// 8 (AVX-512), 4 (AVX2) or 2 (SSE2), found once.
inline int WidestDoubleVector() noexcept {
    static const int Width = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") ? 8 : __builtin_cpu_supports("avx2") ? 4 : 2;
    }();
    return Width;
}

}  // namespace qmr::detail
