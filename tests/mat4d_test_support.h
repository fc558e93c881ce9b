// Builders and element checks shared by the TMat4D tests.
#pragma once

#include "qmr_test_support.h"

#include <algorithm>
#include <array>
#include <string>

namespace qmr::test {

// Counts per axis: columns, rows, layers, time slots.
using Dims4 = std::array<int, 4>;

inline Dims4 DimsOf(const TMat4D& M) { return {M.NrOfColumns(), M.NrOfRows(), M.NrOfLayers(), M.NrOfTimeSlots()}; }

// Calls Fn(c, r, l, t) over a block of N, column outermost, time slot innermost.
template <class F> void Each4(const Dims4& N, F&& Fn) {
    for (int C = 1; C <= N[0]; ++C)
        for (int R = 1; R <= N[1]; ++R)
            for (int L = 1; L <= N[2]; ++L)
                for (int T = 1; T <= N[3]; ++T) Fn(C, R, L, T);
}

// Every element, column outermost, time slot innermost.
inline std::vector<double> All(const TMat4D& M) {
    std::vector<double> V;
    Each4(DimsOf(M), [&](int C, int R, int L, int T) { V.push_back(static_cast<double>(M.Elem(C, R, L, T))); });
    return V;
}

inline double Code(int C, int R, int L, int T) { return 1000 * C + 100 * R + 10 * L + T; }

// Resized to N, holding 1000 c + 100 r + 10 l + t.
inline void Numbered(TMat4D& M, const Dims4& N) {
    M.Resize(N[0], N[1], N[2], N[3]);
    Each4(N, [&](int C, int R, int L, int T) { M.SetElem(C, R, L, T, Code(C, R, L, T)); });
}

// Success when Elem(c, r, l, t) == Want(c, r, l, t) over the block N (exact comparison);
// otherwise names the first element that differs.
template <class F> ::testing::AssertionResult ElemsAre(const TMat4D& M, const Dims4& N, F&& Want) {
    for (int C = 1; C <= N[0]; ++C)
        for (int R = 1; R <= N[1]; ++R)
            for (int L = 1; L <= N[2]; ++L)
                for (int T = 1; T <= N[3]; ++T) {
                    const Extended Got = M.Elem(C, R, L, T), W = static_cast<Extended>(Want(C, R, L, T));
                    if (!(Got == W))
                        return ::testing::AssertionFailure()
                               << "Elem(" << C << ", " << R << ", " << L << ", " << T << ") = " << static_cast<double>(Got)
                               << ", want " << static_cast<double>(W);
                }
    return ::testing::AssertionSuccess();
}

}  // namespace qmr::test
