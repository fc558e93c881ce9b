// Walking the cells of nested arrays of one to four dimensions in storage order.
#pragma once

#include "foundations/detail/openarrays_core.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace qmr::detail::oa {

// Extents of every dimension of A, read from the first sub-arrays (see Extent0..3).
template <class V> std::array<std::size_t, 4> Extents(const V& A) {
    constexpr int R = Rank<V>();
    std::array<std::size_t, 4> Ext{Extent0(A), 0, 0, 0};
    if constexpr (R >= 2) Ext[1] = Extent1(A);
    if constexpr (R >= 3) Ext[2] = Extent2(A);
    if constexpr (R >= 4) Ext[3] = Extent3(A);
    return Ext;
}

// True when no sub-array is shorter than the first one of its level; unlike Usable,
// empty dimensions are allowed (a 3 x 0 array is rectangular).
template <class V> bool Rectangular(const V& A) {
    const auto Ext = Extents(A);
    return impl::CoversExtents(A, Ext.data());
}

namespace impl {
template <class V, class F>
void WalkCells(V& A, const std::size_t* Ext, std::size_t* Pos, int Level, F& Visit) {
    for (std::size_t I = 0; I < Ext[0]; ++I) {
        Pos[Level] = I;
        if constexpr (IsVector<typename std::remove_const_t<V>::value_type>::value)
            WalkCells(A[I], Ext + 1, Pos, Level + 1, Visit);
        else
            Visit(A[I], static_cast<const std::size_t*>(Pos));
    }
}
}  // namespace impl

// Calls Visit(cell, pos) for every cell below the extents of A (first index outermost);
// pos points at the indices of the cell, one per dimension. A must be Usable or
// Rectangular. A may be const (cells by value or const reference) or not (cells by
// reference; std::vector<bool> hands out its proxy).
template <class V, class F> void ForEachCell(V& A, F&& Visit) {
    const auto Ext = Extents(A);
    std::size_t Pos[4] = {0, 0, 0, 0};
    impl::WalkCells(A, Ext.data(), Pos, 0, Visit);
}

}  // namespace qmr::detail::oa
