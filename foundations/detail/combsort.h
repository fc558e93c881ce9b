// Comb sort core shared by the array sorts and the sorts of the container classes.
//
// The gap starts at the element count (the vector sorts: count - 1) and shrinks by the
// factor 1.3 before every pass, computed in integers as gap * 10 / 13 (1 when that gives
// 0), which equals Trunc(gap / 1.3) exactly. Every pass compares the pairs (i, i + gap)
// in ascending i and exchanges a pair when OutOfOrder says so; the sort ends after a pass
// with gap 1 that exchanged nothing. Every pass adds one progress step (ProcStat and
// MathFeedBackProc); fewer than two elements make no pass and report nothing.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace qmr::detail {

// The next comb gap after Gap.
constexpr std::int64_t NextCombGap(std::int64_t Gap) noexcept {
    Gap = Gap * 10 / 13;
    return Gap == 0 ? 1 : Gap;
}

// Comb passes over the positions Low..High with no progress reported (the sorts of
// the matrix and table rows and columns): the gap starts at High - Low; OutOfOrder(i, j)
// with i < j tells when Exchange(i, j) must swap the pair.
template <class OutOfOrderFn, class ExchangeFn>
void CombRange(std::int32_t Low, std::int32_t High, OutOfOrderFn&& OutOfOrder, ExchangeFn&& Exchange) {
    if (High - std::int64_t{Low} < 1) return;
    std::int64_t Gap = std::int64_t{High} - Low;
    bool Swapped = false;
    do {
        Gap = NextCombGap(Gap);
        Swapped = false;
        for (std::int64_t I = Low; I + Gap <= High; ++I) {
            const auto A = static_cast<std::int32_t>(I), B = static_cast<std::int32_t>(I + Gap);
            if (OutOfOrder(A, B)) {
                Exchange(A, B);
                Swapped = true;
            }
        }
    } while (Gap > 1 || Swapped);
}

// Runs comb passes from the start gap Gap (no pass when Gap < 1): Pass(G) makes one pass
// with the gap G and returns whether it exchanged anything.
template <class PassFn> void CombPassesFrom(std::int64_t Gap, PassFn&& Pass) {
    if (Gap < 1) return;
    bool Swapped = false;
    do {
        Gap = NextCombGap(Gap);
        Swapped = Pass(Gap);
        StepProgress();
    } while (Gap > 1 || Swapped);
}

// Runs the comb passes over N elements, starting with the gap N.
template <class PassFn> void CombPasses(std::int64_t N, PassFn&& Pass) {
    if (N > 1) CombPassesFrom(N, Pass);
}

// Sorts positions First..First + N - 1 through callbacks: OutOfOrder(i, j) with i < j tells
// whether the pair must be exchanged, Exchange(i, j) exchanges it (and may fire events).
template <class OutOfOrderFn, class ExchangeFn>
void CombSort(std::int64_t First, std::int64_t N, OutOfOrderFn&& OutOfOrder, ExchangeFn&& Exchange) {
    const std::int64_t Last = First + N - 1;
    CombPasses(N, [&](std::int64_t Gap) {
        bool Swapped = false;
        for (std::int64_t I = First; I + Gap <= Last; ++I) {
            if (OutOfOrder(I, I + Gap)) {
                Exchange(I, I + Gap);
                Swapped = true;
            }
        }
        return Swapped;
    });
}

// One comb pass over the pairs (i, i + Gap), i = 0..Pairs - 1 in ascending order,
// exchanging a pair when Before(later, earlier); returns whether any pair was exchanged.
// The pair update has no branches (the compiler vectorises the loop for large gaps).
template <class T, class BeforeFn> bool CombPass(T* Data, std::int64_t Gap, std::int64_t Pairs, BeforeFn Before) {
    T* P = Data;
    T* Q = Data + Gap;
    unsigned Any = 0;
    for (std::int64_t I = 0; I < Pairs; ++I) {
        T X = P[I], Y = Q[I];
        bool Ex = Before(Y, X);
        P[I] = Ex ? Y : X;
        Q[I] = Ex ? X : Y;
        Any |= static_cast<unsigned>(Ex);
    }
    return Any != 0;
}

// CombPass over Keys that moves Carried[i] along with Keys[i] (two parallel arrays).
template <class T, class U, class BeforeFn>
bool CombPassCarry(T* Keys, U* Carried, std::int64_t Gap, std::int64_t Pairs, BeforeFn Before) {
    unsigned Any = 0;
    for (std::int64_t I = 0; I < Pairs; ++I) {
        T X = Keys[I], Y = Keys[I + Gap];
        U A = Carried[I], B = Carried[I + Gap];
        bool Ex = Before(Y, X);
        Keys[I] = Ex ? Y : X;
        Keys[I + Gap] = Ex ? X : Y;
        Carried[I] = Ex ? B : A;
        Carried[I + Gap] = Ex ? A : B;
        Any |= static_cast<unsigned>(Ex);
    }
    return Any != 0;
}

// Comb sort of a plain array of arithmetic values, in place. Equal values are never
// exchanged (the pair is exchanged only when the later value is strictly smaller, or
// strictly greater for a descending sort); NaNs compare false and are never exchanged.
template <class T> void CombSortValues(T* Data, std::int64_t N, bool Ascending) {
    CombPasses(N, [&](std::int64_t Gap) {
        return Ascending ? CombPass(Data, Gap, N - Gap, [](T A, T B) { return A < B; })
                         : CombPass(Data, Gap, N - Gap, [](T A, T B) { return A > B; });
    });
}

// A value and its position, ranked by MidRanks.
struct TRankItem {
    double Value;
    std::size_t Pos;
};

// Sorts Items[0..N-1] ascending by value, NaNs last (each ranked on its own), with the
// comb passes (no progress steps), and calls Rank(Pos, MidRank) for every item: equal
// values share the mean of their 1-based places. Returns the tie sum, over the groups of
// t equal values, of t (t^2 - 1).
template <class RankFn> double MidRanks(TRankItem* Items, std::int64_t N, RankFn&& Rank) {
    auto Before = [](const TRankItem& Y, const TRankItem& X) {
        return Y.Value < X.Value || (std::isnan(X.Value) && !std::isnan(Y.Value));
    };
    if (N > 1) {
        std::int64_t Gap = N;
        bool Swapped = false;
        do {
            Gap = NextCombGap(Gap);
            Swapped = CombPass(Items, Gap, N - Gap, Before);
        } while (Gap > 1 || Swapped);
    }
    double TieSum = 0;
    const auto Count = static_cast<std::size_t>(N > 0 ? N : 0);
    for (std::size_t i = 0; i < Count;) {
        std::size_t j = i + 1;
        while (j < Count && Items[j].Value == Items[i].Value) ++j;
        const double Mid = (static_cast<double>(i + 1) + static_cast<double>(j)) / 2;
        for (std::size_t k = i; k < j; ++k) Rank(Items[k].Pos, Mid);
        const double t = static_cast<double>(j - i);
        TieSum += t * (t * t - 1);
        i = j;
    }
    return TieSum;
}

}  // namespace qmr::detail
