// Distances, sorting with an index, duplicates, shuffling, flood fill, sorted search and
// frequency distributions.
#include "qmr_test_support.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

using namespace qmr;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(DistanceOfObjects, EveryModeAndStatus) {
    using M = TDistMode;
    const TDouble2DArray A{{1, 4, 0, 0, 9}, {2, 6, 0, 0, 9}};  // rows (1, 2), (4, 6), (0, 0), (0, 0), (9, 9)
    const std::tuple<M, int, int, int, int, int, double> Cases[] = {
        {M::dmEuclid, 0, 1, 0, 1, 0, 5}, {M::dmManhattan, 0, 1, 0, 1, 0, 7}, {M::dmEuclidSqr, 0, 1, 0, 1, 0, 25},
        {M::dmTanimoto, 0, 1, 0, 1, 0, 16.0 / 41}, {M::dmDice, 0, 1, 0, 1, 0, 32.0 / 57}, {M::dmManhattan, 1, 4, 1, 1, 0, 3},
        {M::dmTanimoto, 2, 3, 0, 1, 0, 0}, {M::dmDice, 2, 3, 0, 1, 0, 0}, {M::dmTanimoto, 0, 2, 0, 1, 0, 0},
        {M::dmUser, 0, 1, 0, 1, -1, 0}, {M::dmUser, 0, 5, 0, 1, -2, 0}, {M::dmEuclid, -1, 0, 0, 1, -2, 0},
        {M::dmUser, 0, 5, 0, 2, -3, 0}, {M::dmEuclid, 0, 1, -1, 1, -3, 0}, {M::dmUser, 7, 5, 7, 3, -4, 0},
        {M::dmEuclid, 0, 1, 1, 0, -4, 0}};
    for (const auto& [Mode, Obj1, Obj2, VarLo, VarHi, Status, Want] : Cases) {
        double D = -9;
        EXPECT_EQ(DistanceOfObjects(A, Mode, Obj1, Obj2, VarLo, VarHi, D), Status);
        EXPECT_EQ(D, Want) << static_cast<int>(Mode) << " " << Obj1 << " " << Obj2;
    }
    double D = -9;
    EXPECT_EQ(DistanceOfObjects(TDouble2DArray{}, M::dmEuclid, 0, 0, 0, 0, D), -3);  // no column: not read
    EXPECT_EQ(DistanceOfObjects(TDouble2DArray{{1, 2}, {3}}, M::dmEuclid, 0, 1, 0, 1, D), -2);  // ragged
    // Non-finite data never give success.
    EXPECT_EQ(DistanceOfObjects(TDouble2DArray{{1, NaN}}, M::dmEuclid, 0, 1, 0, 0, D), -5);
    EXPECT_EQ(DistanceOfObjects(TDouble2DArray{{1, Inf}}, M::dmTanimoto, 0, 1, 0, 0, D), -5);
    EXPECT_EQ(DistanceOfObjects(TDouble2DArray{{-1e300, 1e300}}, M::dmEuclidSqr, 0, 1, 0, 0, D), -5);
    EXPECT_EQ(D, 0);
}

class SortIdx : public qmr::test::ProgressFixture {};

TEST_F(SortIdx, ExamplesGapFromNMinusOneAndProgress) {
    auto Sorted = [](bool Asc, auto A) {
        TIntArray Idx{7, 7, 7};
        const int S = SortArray(Asc, A, Idx);
        return std::tuple{S, A, Idx};
    };
    EXPECT_EQ(Sorted(true, TDoubleArray{3, 1, 2}), (std::tuple{0, TDoubleArray{1, 2, 3}, TIntArray{2, 3, 1}}));
    // Equal keys show the gaps: from n the first gap would be 2, giving 3, 2, 1.
    EXPECT_EQ(Sorted(true, TIntArray{1, 1, 0}), (std::tuple{0, TIntArray{0, 1, 1}, TIntArray{3, 1, 2}}));
    EXPECT_EQ(Sorted(false, TIntArray{1, 3, 2}), (std::tuple{0, TIntArray{3, 2, 1}, TIntArray{2, 3, 1}}));
    EXPECT_EQ(Sorted(true, TDoubleArray{5}), (std::tuple{-1, TDoubleArray{5}, TIntArray{1}}));
    EXPECT_EQ(ProcStat.load(), 0.0);  // no progress

    auto Dedup = [](TIntArray A, bool Asc) {
        const int S = SortAndRemoveDuplicates(A, Asc);
        return std::pair{S, A};
    };
    EXPECT_EQ(Dedup({3, 1, 3, 1}, true), (std::pair{2, TIntArray{1, 3}}));
    EXPECT_EQ(ProcStat.load(), 3.0);  // comb passes with gaps 3, 2, 1
    EXPECT_EQ(Dedup({5, 2, 9, 2, 5, 5, 7}, false), (std::pair{3, TIntArray{9, 7, 5, 2}}));
    EXPECT_EQ(Dedup({4}, true), (std::pair{-1, TIntArray{4}}));
}

TEST_F(SortIdx, IndexFollowsTheValues) {
    std::mt19937_64 Gen(21);
    for (std::size_t N : {2u, 3u, 10u, 101u, 1000u})
        for (bool Asc : {true, false}) {
            TIntArray A(N), Idx;
            for (auto& X : A) X = static_cast<int>(Gen() % 101) - 50;
            const TIntArray A0 = A;
            ASSERT_EQ(SortArray(Asc, A, Idx), 0);
            EXPECT_TRUE(Asc ? std::is_sorted(A.begin(), A.end()) : std::is_sorted(A.rbegin(), A.rend()));
            TIntArray Perm = Idx;
            std::sort(Perm.begin(), Perm.end());
            for (std::size_t K = 0; K < N; ++K) {
                EXPECT_EQ(Perm[K], static_cast<int>(K + 1));
                EXPECT_EQ(A[K], A0[static_cast<std::size_t>(Idx[K] - 1)]);
            }
        }
}

TEST(ShuffleArray, AlwaysOneCycleDrawnFromTheTop) {
    for (int Trial = 0; Trial < 400; ++Trial) {
        TIntArray A(2 + static_cast<std::size_t>(Trial % 30));
        std::iota(A.begin(), A.end(), 0);
        ASSERT_EQ(ShuffleArray(A), 0);
        std::size_t Len = 0, P = 0;  // following where each element came from visits every position
        do {
            P = static_cast<std::size_t>(A[P]);
            ++Len;
        } while (P != 0 && Len <= A.size());
        EXPECT_EQ(Len, A.size()) << Trial;
    }
    TIntArray Expect{0, 1, 2, 3, 4, 5, 6, 7, 8}, Got = Expect;  // the platform generator's draws, from the top
    RandSeed = 20261209;
    for (std::size_t I = Expect.size() - 1; I >= 1; --I)
        std::swap(Expect[I], Expect[static_cast<std::size_t>(Random(static_cast<std::int32_t>(I)))]);
    RandSeed = 20261209;
    ASSERT_EQ(ShuffleArray(Got), 0);
    EXPECT_EQ(Got, Expect);
    TDoubleArray D{0.5, 1.5}, One{1};
    EXPECT_EQ(ShuffleArray(D), 0);
    EXPECT_EQ(D, (TDoubleArray{1.5, 0.5}));
    EXPECT_EQ(ShuffleArray(One), -1);
}

namespace {

using TBox = std::array<std::int32_t, 4>;  // MinI, MaxI, MinJ, MaxJ

// FloodFillArray(Args..., copy of A, bounds): the status, the array afterwards and the bounds.
template <class Arr, class... T> std::tuple<int, Arr, TBox> Flooded(Arr A, T... Args) {
    TBox B{-9, -9, -9, -9};
    const int S = FloodFillArray(Args..., A, B[3], B[2], B[0], B[1]);
    return {S, A, B};
}

// Compares the fill from (I0, J0) with a breadth-first labelling of the seed's 4-connected
// component under Same (NewVal must not occur in A: it marks the cells visited).
template <class T, class SameFn, class... Fill>
void ExpectLikeLabelling(const std::vector<std::vector<T>>& A, int I0, int J0, SameFn Same, T NewVal, Fill... Args) {
    const int NI = static_cast<int>(A.size()), NJ = static_cast<int>(A[0].size());
    auto Want = A;
    std::vector<std::pair<int, int>> Queue{{I0, J0}};
    TBox Box{I0, I0, J0, J0};
    Want[I0][J0] = NewVal;
    for (std::size_t Q = 0; Q < Queue.size(); ++Q) {
        const auto [I, J] = Queue[Q];
        Box = {std::min(Box[0], I), std::max(Box[1], I), std::min(Box[2], J), std::max(Box[3], J)};
        for (const auto& [DI, DJ] : {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}}) {
            const int Ni = I + DI, Nj = J + DJ;
            if (Ni < 0 || Nj < 0 || Ni >= NI || Nj >= NJ || Want[Ni][Nj] == NewVal || !Same(A[Ni][Nj])) continue;
            Want[Ni][Nj] = NewVal;
            Queue.emplace_back(Ni, Nj);
        }
    }
    EXPECT_EQ(Flooded(A, I0, J0, Args..., NewVal), (std::tuple{static_cast<int>(Queue.size()), Want, Box}));
}

}  // namespace

TEST(FloodFillArray, RegionsAgainstIndependentLabelling) {
    std::mt19937_64 Gen(17);
    std::uniform_real_distribution<double> U(0, 1);
    for (int Trial = 0; Trial < 30; ++Trial) {
        TInt2DArray A(23, TIntArray(17));
        for (auto& C : A)
            for (auto& X : C) X = Gen() % 3 == 0;  // mostly zeros: large winding regions
        const int I0 = Trial % 23, J0 = Trial * 7 % 17, Seed = A[I0][J0];
        ExpectLikeLabelling(A, I0, J0, [Seed](int X) { return X == Seed; }, 5);
        TDouble2DArray R(19, TDoubleArray(21));
        for (auto& C : R)
            for (auto& X : C) X = U(Gen);
        const double S = R[Trial % 19][J0];  // the tolerance's sign does not matter
        ExpectLikeLabelling(R, Trial % 19, J0, [S](double X) { return X >= S - 0.3 && X <= S + 0.3; }, -7.0, -0.3);
    }
}

TEST(FloodFillArray, SeedsBandsAndRefusals) {
    const TInt2DArray Z(3, TIntArray(3, 0)), Ones(3, TIntArray(3, 1));
    EXPECT_EQ(Flooded(Z, 1, 1, 1), (std::tuple{9, Ones, TBox{0, 2, 0, 2}}));
    const TBox Kept{-9, -9, -9, -9};
    EXPECT_EQ(Flooded(Ones, 1, 1, 1), (std::tuple{-2, Ones, Kept}));
    EXPECT_EQ(Flooded(Z, 3, 1, 2), (std::tuple{-1, Z, Kept}));
    EXPECT_EQ(Flooded(Z, 0, -1, 2), (std::tuple{-1, Z, Kept}));
    EXPECT_EQ(std::get<0>(Flooded(TInt2DArray{{0, 0}, {0}}, 0, 0, 2)), -1);  // ragged
    EXPECT_EQ(std::get<0>(Flooded(TInt2DArray{}, 0, 0, 2)), -1);
    // Real form: NewVal inside the band is refused; both ends of the band belong to it; a
    // NaN tolerance gives an empty band.
    const TDouble2DArray R{{1.0, 1.5, 1.75}, {0.5, 1.0, 0.25}};
    EXPECT_EQ(std::get<0>(Flooded(R, 0, 0, 0.5, 1.25)), -2);
    EXPECT_EQ(Flooded(R, 0, 0, -0.5, 9.0), (std::tuple{4, TDouble2DArray{{9, 9, 1.75}, {9, 9, 0.25}}, TBox{0, 1, 0, 1}}));
    EXPECT_EQ(Flooded(R, 0, 0, NaN, 2.0), (std::tuple{0, R, TBox{0, 0, 0, 0}}));
}

TEST(FloodFillArray, LongRegionNeedsNoDeepCallStack) {
    const auto [S, A, B] = Flooded(TInt2DArray(3, TIntArray(300000, 0)), 1, 150000, 1);  // every row's run leads on
    EXPECT_EQ(S, 900000);
    EXPECT_EQ(B, (TBox{0, 2, 0, 299999}));
}

TEST(FindInSortedArray, NearestWithTiesUpward) {
    const TDoubleArray Up{1, 2, 3}, Down{3, 2, 1};
    const std::tuple<double, bool, int> Cases[] = {
        {2.5, true, 2}, {2.4, true, 1},  {1.5, true, 1},  {0, true, -2},   {3.1, true, -2},  {1, true, 0},
        {3, true, 2},   {NaN, true, -2}, {2.5, false, 1}, {1.4, false, 2}, {3.5, false, -2}, {0.5, false, -2}};
    for (const auto& [X, Asc, Want] : Cases) EXPECT_EQ(FindInSortedArray(X, Asc ? Up : Down, Asc), Want) << X;
    EXPECT_EQ(FindInSortedArray(1, TDoubleArray{}, true), -1);
    EXPECT_EQ(FindInSortedArray(4, TDoubleArray{4}, true), 0);
}

TEST(FindInSortedArray, AgainstLinearScan) {
    std::mt19937_64 Gen(8);
    std::uniform_real_distribution<double> U(0, 100);
    for (std::size_t N : {1u, 2u, 7u, 64u, 333u}) {
        TDoubleArray A(N);
        for (auto& X : A) X = U(Gen);
        std::sort(A.begin(), A.end());
        const TDoubleArray D(A.rbegin(), A.rend());
        for (int T = 0; T < 200; ++T) {
            const double X = A.front() + (A.back() - A.front()) * (T / 199.0);
            auto Nearest = [X](const TDoubleArray& V) {  // the later index on a tie
                std::size_t Best = 0;
                for (std::size_t I = 1; I < V.size(); ++I)
                    if (std::fabs(V[I] - X) <= std::fabs(V[Best] - X)) Best = I;
                return static_cast<int>(Best);
            };
            EXPECT_EQ(FindInSortedArray(X, A, true), Nearest(A)) << N << " " << X;
            EXPECT_EQ(FindInSortedArray(X, D, false), Nearest(D)) << N << " " << X;
        }
    }
}

namespace {

using TFreq = std::tuple<int, TIntArray, int, int, int>;  // status, Freq, Under, Over, MaxFreq

template <class... T> TFreq Freq(const T&... Args) {
    TIntArray F{-1};
    std::int32_t Under = -1, Over = -1, Max = -1;
    const int S = FrequDistOfArray(Args..., F, Under, Over, Max);
    return {S, F, Under, Over, Max};
}
TFreq Refused(int S) { return {S, {-1}, -1, -1, -1}; }  // the outputs keep their values

}  // namespace

TEST(FrequDistOfArray, VectorFormBinsAndStatuses) {
    const TDoubleArray A{0, 0.5, 1, 1.99, 2, 2.99, 3, -0.1, NaN};
    EXPECT_EQ(Freq(A, 0, 0, 0.0, 2.0, 1.0), (TFreq{0, {2, 2, 2}, 2, 1, 2}));  // zero bounds: all; NaN is Under
    EXPECT_EQ(Freq(A, 2, 4, 0.0, 2.0, 1.0), (TFreq{0, {0, 2, 1}, 0, 0, 2}));
    // The rounded bin count: 1.5 / 0.3 gives 6 bins up to 1.8, yet 1.7999999999999998 computes
    // bin 6; 2.2 / 1 gives 3 bins up to 3, yet 3.1 lies below Hi + Width: both count as Over.
    // 2.6 / 1 gives 4 bins up to 4, yet Over starts at Hi + Width = 3.6.
    EXPECT_EQ(Freq(TDoubleArray{1.7999999999999998, 1.8, 0.0}, 0, 0, 0.0, 1.5, 0.3), (TFreq{0, {1, 0, 0, 0, 0, 0}, 0, 2, 1}));
    EXPECT_EQ(Freq(TDoubleArray{3.1, 2.9}, 0, 0, 0.0, 2.2, 1.0), (TFreq{0, {0, 0, 1}, 0, 1, 1}));
    EXPECT_EQ(Freq(TDoubleArray{3.6, 3.5}, 0, 0, 0.0, 2.6, 1.0), (TFreq{0, {0, 0, 0, 1}, 0, 1, 1}));
    // At most 1000 bins, tested in floating point: Round(998.5) = 998, Round(999.5) = 1000.
    EXPECT_EQ(std::get<1>(Freq(A, 0, 0, 0.0, 999.0, 1.0)).size(), 1000u);
    EXPECT_EQ(std::get<1>(Freq(A, 0, 0, 0.0, 998.5, 1.0)).size(), 999u);
    const std::tuple<int, int, double, double, double, int> Bad[] = {
        {0, 9, 0, 2, 1, -1},   {-1, 2, 0, 2, 1, -1},   {3, 2, 0, 2, 1, -2},     {0, 2, 2, 2, 1, -3},
        {0, 2, NaN, 2, 1, -3}, {0, 2, 0, 2, 0, -4},    {0, 2, 0, 2, NaN, -4},   {0, 0, 0, 1000, 1, -5},
        {0, 0, 0, 999.5, 1, -5}, {0, 0, 0, 1, 1e-300, -5}, {0, 0, -1e308, 1e308, 1, -5}, {0, 0, -Inf, 1, 1, -5}};
    for (const auto& [First, Last, Lo, Hi, W, Status] : Bad)
        EXPECT_EQ(Freq(A, First, Last, Lo, Hi, W), Refused(Status)) << Hi << " " << W;
    EXPECT_EQ(Freq(TDoubleArray{}, 0, 0, 0.0, 2.0, 1.0), Refused(-1));
}

TEST(FrequDistOfArray, BlockFormAgainstIndependentBinning) {
    std::mt19937_64 Gen(13);
    TDouble2DArray A(7, TDoubleArray(11));
    for (auto& C : A)
        for (auto& X : C) X = (static_cast<int>(Gen() % 121) - 20) / 8.0;  // exact eighths
    A[3][4] = NaN;
    const double Lo = 0.5, Hi = 10, W = 0.75;  // Round(12.67) + 1 = 14 bins, up to 11.0
    TFreq Want{0, TIntArray(14, 0), 0, 0, 0};
    auto& [S, F, Under, Over, Max] = Want;
    for (int C = 1; C <= 5; ++C)
        for (int Row = 2; Row <= 9; ++Row) {
            const double X = A[C][Row];
            int K = 0;
            while (K < 14 && !(X >= Lo + K * W && X < Lo + (K + 1) * W)) ++K;
            if (!(X >= Lo)) ++Under;
            else if (K == 14) ++Over;
            else Max = std::max(Max, ++F[K]);
        }
    EXPECT_EQ(Freq(A, 1, 2, 5, 9, Lo, Hi, W), Want);
}

TEST(FrequDistOfArray, BlockAndMaskedForms) {
    const TDouble2DArray A{{0.5, 1.5, 2.5}, {-1, 3, 1}};
    EXPECT_EQ(Freq(A, 0, 0, 0, 0, 0.0, 2.0, 1.0), (TFreq{0, {1, 2, 1}, 1, 1, 2}));
    EXPECT_EQ(Freq(A, 0, 1, 1, 2, 0.0, 2.0, 1.0), (TFreq{0, {0, 2, 1}, 0, 1, 2}));
    EXPECT_EQ(Freq(A, 0, 0, 2, 2, 0.0, 2.0, 1.0), Refused(-1));  // not clamped
    EXPECT_EQ(Freq(A, 0, 2, 1, 1, 0.0, 2.0, 1.0), Refused(-2));
    EXPECT_EQ(Freq(TDouble2DArray(2), 0, 0, 0, 0, 0.0, 2.0, 1.0), Refused(-1));
    EXPECT_EQ(Freq(TDouble2DArray{{1, 2}, {3}}, 0, 0, 0, 0, 0.0, 2.0, 1.0), Refused(-1));

    const TBool2DArray M{{false, false, false}, {true, false, false}}, None;
    EXPECT_EQ(Freq(A, M, 0, 0, 0, 0, 0.0, 2.0, 1.0), (TFreq{0, {1, 2, 1}, 0, 1, 2}));
    EXPECT_EQ(Freq(TDouble2DArray{{NaN, 0.5}}, TBool2DArray{{false, false}}, 0, 0, 0, 0, 0.0, 2.0, 1.0),
              (TFreq{0, {1, 0, 0}, 1, 0, 1}));
    for (const TBool2DArray& B : {TBool2DArray(3, TBoolArray(3, false)), None, TBool2DArray(2, TBoolArray(2, false))})
        EXPECT_EQ(Freq(A, B, 0, 0, 0, 0, 0.0, 2.0, 1.0), Refused(-6));  // more columns, none, shorter columns
    EXPECT_EQ(Freq(A, None, 0, 0, 0, 0, 0.0, 2.0, 0.0), Refused(-4));     // -4 before -6
    EXPECT_EQ(Freq(A, None, 0, 0, 0, 0, 0.0, 2000.0, 1.0), Refused(-6));  // -6 before -5
}
