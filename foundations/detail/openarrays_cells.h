// Cell walkers over nested arrays of one to four dimensions, bounded by the extents
// read from the first sub-arrays (see openarrays_core.h), plus block bound checks,
// shape helpers and the clock re-seeding of the platform generator.
#pragma once

#include "foundations/detail/openarrays_core.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace qmr::detail::oa {

// True when both arrays have the same extents in every dimension.
template <class V, class W> bool SameExtents(const V& A, const W& B) {
    static_assert(Rank<V>() == Rank<W>());
    return Extents(A) == Extents(B);
}

// An array of the given extents, every cell value-initialised.
template <class V> V Shaped(const TExtents& E, int Level = 0) {
    if constexpr (IsVector<typename V::value_type>::value) {
        return V(E[static_cast<std::size_t>(Level)], Shaped<typename V::value_type>(E, Level + 1));
    } else {
        return V(E[static_cast<std::size_t>(Level)]);
    }
}

namespace impl {
template <class V, class F> void Walk(V& A, const TExtents& E, int Level, F& Fn) {
    const std::size_t N = E[static_cast<std::size_t>(Level)];
    if constexpr (IsVector<std::remove_cv_t<typename std::remove_reference_t<V>::value_type>>::value) {
        for (std::size_t I = 0; I < N; ++I) Walk(A[I], E, Level + 1, Fn);
    } else {
        for (std::size_t I = 0; I < N; ++I) Fn(A[I]);
    }
}
template <class V, class W, class F>
void Walk2(V& A, W& B, const TExtents& E, int Level, F& Fn) {
    const std::size_t N = E[static_cast<std::size_t>(Level)];
    if constexpr (IsVector<std::remove_cv_t<typename std::remove_reference_t<V>::value_type>>::value) {
        for (std::size_t I = 0; I < N; ++I) Walk2(A[I], B[I], E, Level + 1, Fn);
    } else {
        for (std::size_t I = 0; I < N; ++I) Fn(A[I], B[I]);
    }
}
template <class V, class W, class X, class F>
void Walk3(V& A, W& B, X& C, const TExtents& E, int Level, F& Fn) {
    const std::size_t N = E[static_cast<std::size_t>(Level)];
    if constexpr (IsVector<std::remove_cv_t<typename std::remove_reference_t<V>::value_type>>::value) {
        for (std::size_t I = 0; I < N; ++I) Walk3(A[I], B[I], C[I], E, Level + 1, Fn);
    } else {
        for (std::size_t I = 0; I < N; ++I) Fn(A[I], B[I], C[I]);
    }
}
template <class V, class F>
void WalkBlock(V& A, const std::int64_t* Lo, const std::int64_t* Hi, F& Fn) {
    const auto L = static_cast<std::size_t>(*Lo), H = static_cast<std::size_t>(*Hi);
    if constexpr (IsVector<std::remove_cv_t<typename std::remove_reference_t<V>::value_type>>::value) {
        for (std::size_t I = L; I <= H; ++I) WalkBlock(A[I], Lo + 1, Hi + 1, Fn);
    } else {
        for (std::size_t I = L; I <= H; ++I) Fn(A[I]);
    }
}
}  // namespace impl

// Calls Fn(cell) for every cell inside the extents E, first index outermost.
template <class V, class F> void ForEachCell(V& A, const TExtents& E, F&& Fn) { impl::Walk(A, E, 0, Fn); }
// Calls Fn(a, b) for the cells of A and B at the same indices inside the extents E.
template <class V, class W, class F> void ForEachCellPair(V& A, W& B, const TExtents& E, F&& Fn) {
    impl::Walk2(A, B, E, 0, Fn);
}
// Calls Fn(a, b, c) for the cells of three arrays at the same indices inside the extents E.
template <class V, class W, class X, class F> void ForEachCellTriple(V& A, W& B, X& C, const TExtents& E, F&& Fn) {
    impl::Walk3(A, B, C, E, 0, Fn);
}

namespace impl {
template <class V, class F>
void WalkCellsAt(V& A, const std::size_t* Ext, std::size_t* Pos, int Level, F& Visit) {
    for (std::size_t I = 0; I < Ext[0]; ++I) {
        Pos[Level] = I;
        if constexpr (IsVector<typename std::remove_const_t<V>::value_type>::value)
            WalkCellsAt(A[I], Ext + 1, Pos, Level + 1, Visit);
        else
            Visit(A[I], static_cast<const std::size_t*>(Pos));
    }
}
}  // namespace impl

// Calls Visit(cell, pos) for every cell below the extents of A (first index outermost);
// pos points at the indices of the cell, one per dimension. A must be Usable or Rectangular.
template <class V, class F> void ForEachCellAt(V& A, F&& Visit) {
    const TExtents Ext = Extents(A);
    std::size_t Pos[4] = {0, 0, 0, 0};
    impl::WalkCellsAt(A, Ext.data(), Pos, 0, Visit);
}

// Block bounds of an array type, one per dimension.
template <class V> using TBlockBounds = std::array<std::int64_t, Rank<V>()>;

// Strict block test: per dimension 0 <= Lo <= Hi < extent.
template <class V> bool BlockOk(const V& A, const std::int64_t* Lo, const std::int64_t* Hi) {
    const TExtents E = Extents(A);
    for (int D = 0; D < Rank<V>(); ++D)
        if (!RangeOk(Lo[D], Hi[D], E[static_cast<std::size_t>(D)])) return false;
    return true;
}
// Calls Fn(cell) for every cell of the block Lo..Hi (bounds included); checked by BlockOk.
template <class V, class F> void ForEachInBlock(V& A, const std::int64_t* Lo, const std::int64_t* Hi, F&& Fn) {
    impl::WalkBlock(A, Lo, Hi, Fn);
}

// Re-seeds the platform generator from the clock, mixing in a per-call counter so
// that two calls within one clock tick still start different sequences.
inline void ReseedFromClock() {
    static constinit std::atomic<std::uint32_t> Calls{0};
    qmr::Randomize();
    std::uint32_t C = Calls.fetch_add(1, std::memory_order_relaxed) + 1u;
    C *= 0x9E3779B1u;
    C ^= C >> 15;
    RandSeed = static_cast<std::int32_t>(static_cast<std::uint32_t>(RandSeed) ^ C);
}

}  // namespace qmr::detail::oa
