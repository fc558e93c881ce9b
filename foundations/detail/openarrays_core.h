// Internal layer shared by the open-array routines: extents and shape tests, strict bound checks,
// 32-bit wrap-around arithmetic and the rounding conversion of array cells.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace qmr::detail::oa {

template <class T> struct IsVector : std::false_type {};
template <class T, class A> struct IsVector<std::vector<T, A>> : std::true_type {};

// Number of dimensions of a nested vector type (TDoubleArray 1, TDouble2DArray 2, ...).
template <class V> constexpr int Rank() {
    if constexpr (IsVector<typename V::value_type>::value) return 1 + Rank<typename V::value_type>();
    else return 1;
}

// Cell type of a nested vector type.
template <class V> struct CellOf { using type = typename V::value_type; };
template <class T, class A> struct CellOf<std::vector<std::vector<T, A>>> { using type = typename CellOf<std::vector<T, A>>::type; };
template <class V> using Cell = typename CellOf<V>::type;

// Extent of each dimension, read from the first sub-array at each level (0 when empty).
template <class V> std::size_t Extent0(const V& A) { return A.size(); }
template <class V> std::size_t Extent1(const V& A) { return A.empty() ? 0 : A[0].size(); }
template <class V> std::size_t Extent2(const V& A) { return Extent1(A) == 0 ? 0 : A[0][0].size(); }
template <class V> std::size_t Extent3(const V& A) { return Extent2(A) == 0 ? 0 : A[0][0][0].size(); }

namespace impl {
// True when every sub-array at every level holds at least as many items as the
// first one of its level (Ext[level]); longer sub-arrays are fine.
template <class V> bool CoversExtents(const V& A, const std::size_t* Ext) {
    if (A.size() < Ext[0]) return false;
    if constexpr (IsVector<typename V::value_type>::value) {
        for (std::size_t I = 0; I < Ext[0]; ++I)
            if (!CoversExtents(A[I], Ext + 1)) return false;
    }
    return true;
}
}  // namespace impl

using TExtents = std::array<std::size_t, 4>;

// Extents of every dimension (unused trailing entries are 0).
template <class V> TExtents Extents(const V& A) {
    constexpr int R = Rank<V>();
    TExtents E{Extent0(A), 0, 0, 0};
    if constexpr (R >= 2) E[1] = Extent1(A);
    if constexpr (R >= 3) E[2] = Extent2(A);
    if constexpr (R >= 4) E[3] = Extent3(A);
    return E;
}

// True when no sub-array is shorter than the first one of its level; empty dimensions
// are allowed (a 3 x 0 array is rectangular).
template <class V> bool Rectangular(const V& A) {
    const TExtents Ext = Extents(A);
    return impl::CoversExtents(A, Ext.data());
}

// A usable array is rectangular and non-empty in every dimension, so every index below
// the extents is valid.
template <class V> bool Usable(const V& A) {
    const TExtents Ext = Extents(A);
    for (int D = 0; D < Rank<V>(); ++D)
        if (Ext[static_cast<std::size_t>(D)] == 0) return false;
    return impl::CoversExtents(A, Ext.data());
}

// Strict range test: 0 <= Lo <= Hi < N.
inline bool RangeOk(std::int64_t Lo, std::int64_t Hi, std::size_t N) {
    return Lo >= 0 && Lo <= Hi && Hi < static_cast<std::int64_t>(N);
}
// Strict index test: 0 <= I < N.
inline bool IndexOk(std::int64_t I, std::size_t N) { return I >= 0 && I < static_cast<std::int64_t>(N); }

// 32-bit two's-complement arithmetic that wraps instead of overflowing.
inline std::int32_t WrapAdd(std::int32_t A, std::int32_t B) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(A) + static_cast<std::uint32_t>(B));
}
inline std::int32_t WrapSub(std::int32_t A, std::int32_t B) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(A) - static_cast<std::uint32_t>(B));
}
inline std::int32_t WrapMul(std::int32_t A, std::int32_t B) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(A) * static_cast<std::uint32_t>(B));
}
inline std::int32_t WrapNeg(std::int32_t A) { return static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(A)); }

// Banker's rounding of a real to int32, saturating at the int32 limits; NaN gives 0.
inline std::int32_t RoundToInt32(long double X) { return qmr::detail::RoundToInt32Sat(X, 0); }

}  // namespace qmr::detail::oa
