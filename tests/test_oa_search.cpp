// Distances, sorting with an index, duplicates, shuffling, flood fill, sorted search and
// frequency distributions.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

using namespace qmr;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

}  // namespace

// ---------------------------------------------------------------- distances

TEST(DistanceOfObjects, EveryMode) {
    // Rows 0 and 1 are (1, 2) and (4, 6); row 2 is zero; columns are the variables.
    const TDouble2DArray A{{1, 4, 0, 9}, {2, 6, 0, 9}};
    double D = -1;
    EXPECT_EQ(DistanceOfObjects(A, TDistMode::dmEuclid, 0, 1, 0, 1, D), 0);
    EXPECT_EQ(D, 5);
    EXPECT_EQ(DistanceOfObjects(A, TDistMode::dmManhattan, 0, 1, 0, 1, D), 0);
    EXPECT_EQ(D, 7);
    EXPECT_EQ(DistanceOfObjects(A, TDistMode::dmEuclidSqr, 0, 1, 0, 1, D), 0);
    EXPECT_EQ(D, 25);
    EXPECT_EQ(DistanceOfObjects(A, TDistMode::dmTanimoto, 0, 1, 0, 1, D), 0);
    EXPECT_DOUBLE_EQ(D, 16.0 / (5 + 52 - 16));
    EXPECT_EQ(DistanceOfObjects(A, TDistMode::dmDice, 0, 1, 0, 1, D), 0);
    EXPECT_DOUBLE_EQ(D, 32.0 / 57);
    EXPECT_EQ(DistanceOfObjects(A, TDistMode::dmManhattan, 1, 3, 1, 1, D), 0);  // one variable
    EXPECT_EQ(D, 3);
    // Two all-zero objects: 0, not NaN; one zero object: 0 as well.
    const TDouble2DArray Z{{0, 0, 1}, {0, 0, 2}};
    for (TDistMode M : {TDistMode::dmTanimoto, TDistMode::dmDice}) {
        D = -1;
        EXPECT_EQ(DistanceOfObjects(Z, M, 0, 1, 0, 1, D), 0);
        EXPECT_EQ(D, 0);
        EXPECT_EQ(DistanceOfObjects(Z, M, 0, 2, 0, 1, D), 0);
        EXPECT_EQ(D, 0);
    }
}

TEST(DistanceOfObjects, StatusPrecedenceAndRefusals) {
    const TDouble2DArray A{{1, 4}, {2, 6}};
    double D = 9;
    EXPECT_EQ(DistanceOfObjects(A, TDistMode::dmUser, 0, 1, 0, 1, D), -1);
    EXPECT_EQ(D, 0);
    D = 9;
    EXPECT_EQ(DistanceOfObjects(A, TDistMode::dmUser, 0, 2, 0, 1, D), -2);
    EXPECT_EQ(D, 0);
    EXPECT_EQ(DistanceOfObjects(A, TDistMode::dmEuclid, -1, 0, 0, 1, D), -2);
    EXPECT_EQ(DistanceOfObjects(A, TDistMode::dmUser, 0, 2, 0, 2, D), -3);
    EXPECT_EQ(DistanceOfObjects(A, TDistMode::dmEuclid, 0, 1, -1, 1, D), -3);
    EXPECT_EQ(DistanceOfObjects(A, TDistMode::dmUser, 5, 2, 7, 3, D), -4);
    EXPECT_EQ(DistanceOfObjects(A, TDistMode::dmEuclid, 0, 1, 1, 0, D), -4);
    // No columns at all: refused without a read.
    EXPECT_EQ(DistanceOfObjects(TDouble2DArray{}, TDistMode::dmEuclid, 0, 0, 0, 0, D), -3);
    EXPECT_EQ(DistanceOfObjects(TDouble2DArray(2), TDistMode::dmEuclid, 0, 0, 0, 1, D), -2);
    EXPECT_EQ(DistanceOfObjects(TDouble2DArray{{1, 2}, {3}}, TDistMode::dmEuclid, 0, 1, 0, 1, D), -2);  // ragged
    // Non-finite data never give success.
    D = 9;
    EXPECT_EQ(DistanceOfObjects(TDouble2DArray{{1, NaN}}, TDistMode::dmEuclid, 0, 1, 0, 0, D), -5);
    EXPECT_EQ(D, 0);
    EXPECT_EQ(DistanceOfObjects(TDouble2DArray{{1, Inf}}, TDistMode::dmTanimoto, 0, 1, 0, 0, D), -5);
    EXPECT_EQ(DistanceOfObjects(TDouble2DArray{{-1e300, 1e300}}, TDistMode::dmEuclidSqr, 0, 1, 0, 0, D), -5);
}

// ---------------------------------------------------------------- sorting

class SortIdx : public qmr::test::ProgressFixture {};

TEST_F(SortIdx, SmallExampleAndGapFromNMinusOne) {
    TDoubleArray A{3, 1, 2};
    TIntArray Idx;
    EXPECT_EQ(SortArray(true, A, Idx), 0);
    EXPECT_EQ(A, (TDoubleArray{1, 2, 3}));
    EXPECT_EQ(Idx, (TIntArray{2, 3, 1}));
    // Equal keys show the gap sequence: from n - 1 = 2 the first gap is 1 (from n it
    // would be 2 and give 3, 2, 1).
    TIntArray B{1, 1, 0};
    EXPECT_EQ(SortArray(true, B, Idx), 0);
    EXPECT_EQ(B, (TIntArray{0, 1, 1}));
    EXPECT_EQ(Idx, (TIntArray{3, 1, 2}));
    EXPECT_EQ(ProcStat.load(), 0.0);  // no progress
    EXPECT_TRUE(Calls().empty());

    Idx = {7, 7, 7};
    TDoubleArray One{5};
    EXPECT_EQ(SortArray(true, One, Idx), -1);
    EXPECT_EQ(Idx, TIntArray{1});
    TIntArray None;
    EXPECT_EQ(SortArray(false, None, Idx), -1);
    EXPECT_TRUE(Idx.empty());
}

TEST_F(SortIdx, IndexFollowsTheValues) {
    std::mt19937_64 Gen(21);
    std::uniform_int_distribution<int> V(-50, 50);
    for (std::size_t N : {2u, 3u, 10u, 101u, 1000u})
        for (bool Asc : {true, false}) {
            TIntArray A(N);
            for (auto& X : A) X = V(Gen);
            TDoubleArray D(A.begin(), A.end());
            const TIntArray A0 = A;
            TIntArray Idx, IdxD;
            ASSERT_EQ(SortArray(Asc, A, Idx), 0);
            ASSERT_EQ(SortArray(Asc, D, IdxD), 0);
            TIntArray Expect = A0;
            if (Asc) std::sort(Expect.begin(), Expect.end());
            else std::sort(Expect.begin(), Expect.end(), std::greater<>());
            EXPECT_EQ(A, Expect);
            EXPECT_EQ(Idx, IdxD);  // same comparisons for both element types
            TIntArray Perm = Idx;
            std::sort(Perm.begin(), Perm.end());
            for (std::size_t K = 0; K < N; ++K) {
                EXPECT_EQ(Perm[K], static_cast<int>(K + 1));
                EXPECT_EQ(A[K], A0[static_cast<std::size_t>(Idx[K] - 1)]);
            }
        }
}

TEST_F(SortIdx, RemoveDuplicates) {
    TIntArray A{3, 1, 3, 1};
    EXPECT_EQ(SortAndRemoveDuplicates(A, true), 2);
    EXPECT_EQ(A, (TIntArray{1, 3}));
    EXPECT_EQ(ProcStat.load(), 3.0);  // comb passes with gaps 3, 2, 1
    A = {5, 2, 9, 2, 5, 5, 7};
    EXPECT_EQ(SortAndRemoveDuplicates(A, false), 3);
    EXPECT_EQ(A, (TIntArray{9, 7, 5, 2}));
    A = {4, 4};
    EXPECT_EQ(SortAndRemoveDuplicates(A, true), 1);
    EXPECT_EQ(A, TIntArray{4});
    const double Before = ProcStat.load();
    EXPECT_EQ(SortAndRemoveDuplicates(A, true), -1);
    EXPECT_EQ(A, TIntArray{4});
    EXPECT_EQ(ProcStat.load(), Before);
}

TEST(ShuffleArray, AlwaysOneCycle) {
    TIntArray Two{1, 2};
    for (int K = 0; K < 20; ++K) {
        EXPECT_EQ(ShuffleArray(Two), 0);
        EXPECT_EQ(Two, (K % 2 == 0 ? TIntArray{2, 1} : TIntArray{1, 2}));
    }
    for (int Trial = 0; Trial < 400; ++Trial) {
        const std::size_t N = 2 + static_cast<std::size_t>(Trial % 30);
        TIntArray A(N);
        std::iota(A.begin(), A.end(), 0);
        ASSERT_EQ(ShuffleArray(A), 0);
        // A[i] is where position i's element came from; following it from 0 must visit
        // every position before returning.
        std::size_t Len = 0, P = 0;
        do {
            P = static_cast<std::size_t>(A[P]);
            ++Len;
        } while (P != 0 && Len <= N);
        EXPECT_EQ(Len, N) << Trial;
    }
    // The draws come from the platform generator as it stands, from the last position down.
    const std::int32_t Seed = 20261209;
    RandSeed = Seed;
    TIntArray Expect(9);
    std::iota(Expect.begin(), Expect.end(), 0);
    for (std::size_t I = Expect.size() - 1; I >= 1; --I)
        std::swap(Expect[I], Expect[static_cast<std::size_t>(Random(static_cast<std::int32_t>(I)))]);
    TIntArray Got(9);
    std::iota(Got.begin(), Got.end(), 0);
    RandSeed = Seed;
    ASSERT_EQ(ShuffleArray(Got), 0);
    EXPECT_EQ(Got, Expect);

    TDoubleArray D{0.5, 1.5, 2.5};
    EXPECT_EQ(ShuffleArray(D), 0);
    EXPECT_NE(D[0], 0.5);
    EXPECT_NE(D[1], 1.5);
    EXPECT_NE(D[2], 2.5);
    TDoubleArray One{1};
    EXPECT_EQ(ShuffleArray(One), -1);
    TIntArray None;
    EXPECT_EQ(ShuffleArray(None), -1);
}

// ---------------------------------------------------------------- flood fill

namespace {

struct Box {
    int Count = 0, MinI = 0, MaxI = 0, MinJ = 0, MaxJ = 0;
};

// Breadth-first labelling of the 4-connected component of the seed under Same.
template <class T, class F> Box Component(const std::vector<std::vector<T>>& A, int I0, int J0, F Same,
                                          std::vector<std::vector<char>>& In) {
    const int NI = static_cast<int>(A.size()), NJ = static_cast<int>(A[0].size());
    In.assign(NI, std::vector<char>(NJ, 0));
    Box B{0, I0, I0, J0, J0};
    std::vector<std::pair<int, int>> Queue{{I0, J0}};
    In[I0][J0] = 1;
    for (std::size_t Q = 0; Q < Queue.size(); ++Q) {
        auto [I, J] = Queue[Q];
        ++B.Count;
        B.MinI = std::min(B.MinI, I);
        B.MaxI = std::max(B.MaxI, I);
        B.MinJ = std::min(B.MinJ, J);
        B.MaxJ = std::max(B.MaxJ, J);
        const int DI[] = {1, -1, 0, 0}, DJ[] = {0, 0, 1, -1};
        for (int K = 0; K < 4; ++K) {
            const int Ni = I + DI[K], Nj = J + DJ[K];
            if (Ni < 0 || Nj < 0 || Ni >= NI || Nj >= NJ || In[Ni][Nj] || !Same(A[Ni][Nj])) continue;
            In[Ni][Nj] = 1;
            Queue.emplace_back(Ni, Nj);
        }
    }
    return B;
}

}  // namespace

TEST(FloodFillArray, CentreOfZerosAndRepeat) {
    TInt2DArray A(3, TIntArray(3, 0));
    std::int32_t MaxJ = -9, MinJ = -9, MinI = -9, MaxI = -9;
    EXPECT_EQ(FloodFillArray(1, 1, 1, A, MaxJ, MinJ, MinI, MaxI), 9);
    EXPECT_EQ(A, TInt2DArray(3, TIntArray(3, 1)));
    EXPECT_EQ(MinI, 0);
    EXPECT_EQ(MaxI, 2);
    EXPECT_EQ(MinJ, 0);
    EXPECT_EQ(MaxJ, 2);
    MaxJ = MinJ = MinI = MaxI = -9;
    EXPECT_EQ(FloodFillArray(1, 1, 1, A, MaxJ, MinJ, MinI, MaxI), -2);
    EXPECT_EQ(MaxJ, -9);
    EXPECT_EQ(FloodFillArray(3, 1, 2, A, MaxJ, MinJ, MinI, MaxI), -1);
    EXPECT_EQ(FloodFillArray(0, -1, 2, A, MaxJ, MinJ, MinI, MaxI), -1);
    TInt2DArray Ragged{{0, 0}, {0}};
    EXPECT_EQ(FloodFillArray(0, 0, 2, Ragged, MaxJ, MinJ, MinI, MaxI), -1);
    TInt2DArray Empty;
    EXPECT_EQ(FloodFillArray(0, 0, 2, Empty, MaxJ, MinJ, MinI, MaxI), -1);
    EXPECT_EQ(A, TInt2DArray(3, TIntArray(3, 1)));
}

TEST(FloodFillArray, IntegerRegionsAgainstIndependentLabelling) {
    std::mt19937_64 Gen(17);
    std::uniform_int_distribution<int> V(0, 2);
    for (int Trial = 0; Trial < 30; ++Trial) {
        TInt2DArray A(23, TIntArray(17));
        for (auto& C : A)
            for (auto& X : C) X = V(Gen) == 0 ? 1 : 0;  // mostly zeros: large winding regions
        const int I0 = Trial % 23, J0 = (Trial * 7) % 17;
        const int Seed = A[I0][J0];
        std::vector<std::vector<char>> In;
        const Box B = Component(A, I0, J0, [Seed](int X) { return X == Seed; }, In);
        TInt2DArray F = A;
        std::int32_t MaxJ, MinJ, MinI, MaxI;
        ASSERT_EQ(FloodFillArray(I0, J0, 5, F, MaxJ, MinJ, MinI, MaxI), B.Count);
        EXPECT_EQ(MinI, B.MinI);
        EXPECT_EQ(MaxI, B.MaxI);
        EXPECT_EQ(MinJ, B.MinJ);
        EXPECT_EQ(MaxJ, B.MaxJ);
        for (int I = 0; I < 23; ++I)
            for (int J = 0; J < 17; ++J) EXPECT_EQ(F[I][J], In[I][J] ? 5 : A[I][J]);
    }
}

TEST(FloodFillArray, RealRegionsWithTolerance) {
    std::mt19937_64 Gen(4);
    std::uniform_real_distribution<double> U(0, 1);
    for (int Trial = 0; Trial < 20; ++Trial) {
        TDouble2DArray A(19, TDoubleArray(21));
        for (auto& C : A)
            for (auto& X : C) X = U(Gen);
        const int I0 = (Trial * 3) % 19, J0 = (Trial * 5) % 21;
        const double Seed = A[I0][J0], Tol = -0.3;  // the sign of the tolerance does not matter
        std::vector<std::vector<char>> In;
        const Box B =
            Component(A, I0, J0, [&](double X) { return X >= Seed - 0.3 && X <= Seed + 0.3; }, In);
        TDouble2DArray F = A;
        std::int32_t MaxJ, MinJ, MinI, MaxI;
        ASSERT_EQ(FloodFillArray(I0, J0, Tol, -7.0, F, MaxJ, MinJ, MinI, MaxI), B.Count);
        EXPECT_EQ(MinI, B.MinI);
        EXPECT_EQ(MaxI, B.MaxI);
        EXPECT_EQ(MinJ, B.MinJ);
        EXPECT_EQ(MaxJ, B.MaxJ);
        for (int I = 0; I < 19; ++I)
            for (int J = 0; J < 21; ++J) EXPECT_EQ(F[I][J], In[I][J] ? -7.0 : A[I][J]);
    }
    // NewVal inside the band would match again: refused.
    TDouble2DArray A{{1.0, 1.2}, {0.9, 5}};
    std::int32_t MaxJ = 0, MinJ = 0, MinI = 0, MaxI = 0;
    EXPECT_EQ(FloodFillArray(0, 0, 0.25, 1.25, A, MaxJ, MinJ, MinI, MaxI), -2);
    EXPECT_EQ(FloodFillArray(0, 0, 0.25, 0.5, A, MaxJ, MinJ, MinI, MaxI), 3);
    EXPECT_EQ(A, (TDouble2DArray{{0.5, 0.5}, {0.5, 5}}));
    // Both ends of the band belong to it.
    TDouble2DArray Ends{{1.0, 1.5, 1.75}, {0.5, 1.0, 0.25}};
    EXPECT_EQ(FloodFillArray(0, 0, -0.5, 9.0, Ends, MaxJ, MinJ, MinI, MaxI), 4);
    EXPECT_EQ(Ends, (TDouble2DArray{{9, 9, 1.75}, {9, 9, 0.25}}));
    // A NaN tolerance gives an empty band: nothing matches, nothing is filled.
    TDouble2DArray N{{1.0}};
    EXPECT_EQ(FloodFillArray(0, 0, NaN, 2.0, N, MaxJ, MinJ, MinI, MaxI), 0);
    EXPECT_EQ(N[0][0], 1.0);
}

TEST(FloodFillArray, LongRegionNeedsNoDeepCallStack) {
    // Three columns of 300000 rows: every row's run leads on to the next row.
    TInt2DArray A(3, TIntArray(300000, 0));
    std::int32_t MaxJ, MinJ, MinI, MaxI;
    EXPECT_EQ(FloodFillArray(1, 150000, 1, A, MaxJ, MinJ, MinI, MaxI), 900000);
    EXPECT_EQ(MinJ, 0);
    EXPECT_EQ(MaxJ, 299999);
    EXPECT_EQ(MinI, 0);
    EXPECT_EQ(MaxI, 2);
    EXPECT_EQ(std::count(A[2].begin(), A[2].end(), 1), 300000);
}

// ---------------------------------------------------------------- sorted search

TEST(FindInSortedArray, NearestWithTiesUpward) {
    const TDoubleArray A{1, 2, 3};
    EXPECT_EQ(FindInSortedArray(2.5, A, true), 2);
    EXPECT_EQ(FindInSortedArray(2.4, A, true), 1);
    EXPECT_EQ(FindInSortedArray(1.5, A, true), 1);
    EXPECT_EQ(FindInSortedArray(0, A, true), -2);
    EXPECT_EQ(FindInSortedArray(3.1, A, true), -2);
    EXPECT_EQ(FindInSortedArray(1, A, true), 0);
    EXPECT_EQ(FindInSortedArray(3, A, true), 2);
    EXPECT_EQ(FindInSortedArray(NaN, A, true), -2);
    EXPECT_EQ(FindInSortedArray(1, TDoubleArray{}, true), -1);
    EXPECT_EQ(FindInSortedArray(4, TDoubleArray{4}, true), 0);
    const TDoubleArray Dn{3, 2, 1};
    EXPECT_EQ(FindInSortedArray(2.5, Dn, false), 1);  // positions of 2 and 3: the upper is index 1
    EXPECT_EQ(FindInSortedArray(1.4, Dn, false), 2);
    EXPECT_EQ(FindInSortedArray(3.5, Dn, false), -2);
    EXPECT_EQ(FindInSortedArray(0.5, Dn, false), -2);
}

TEST(FindInSortedArray, AgainstLinearScan) {
    std::mt19937_64 Gen(8);
    std::uniform_real_distribution<double> U(0, 100);
    for (std::size_t N : {1u, 2u, 7u, 64u, 333u}) {
        TDoubleArray A(N);
        for (auto& X : A) X = U(Gen);
        std::sort(A.begin(), A.end());
        TDoubleArray D(A.rbegin(), A.rend());
        for (int T = 0; T < 200; ++T) {
            const double X = A.front() + (A.back() - A.front()) * (T / 199.0);
            // Nearest by linear scan, the later index on a tie.
            std::size_t Best = 0;
            for (std::size_t I = 1; I < N; ++I)
                if (std::fabs(A[I] - X) <= std::fabs(A[Best] - X)) Best = I;
            EXPECT_EQ(FindInSortedArray(X, A, true), static_cast<int>(Best)) << N << " " << X;
            std::size_t BestD = 0;
            for (std::size_t I = 1; I < N; ++I)
                if (std::fabs(D[I] - X) < std::fabs(D[BestD] - X)) BestD = I;
            EXPECT_EQ(D[static_cast<std::size_t>(FindInSortedArray(X, D, false))], D[BestD]) << N << " " << X;
        }
    }
}

// ---------------------------------------------------------------- frequencies

namespace {

struct Dist {
    TIntArray Freq{-1};
    std::int32_t Under = -1, Over = -1, Max = -1;
    bool operator==(const Dist&) const = default;
};

}  // namespace

TEST(FrequDistOfArray, VectorForm) {
    Dist R;
    const TDoubleArray A{0, 0.5, 1, 1.99, 2, 2.99, 3, -0.1, NaN};
    EXPECT_EQ(FrequDistOfArray(A, 0, 0, 0, 2, 1, R.Freq, R.Under, R.Over, R.Max), 0);
    EXPECT_EQ(R.Freq, (TIntArray{2, 2, 2}));
    EXPECT_EQ(R.Under, 2);  // -0.1 and NaN
    EXPECT_EQ(R.Over, 1);   // 3
    EXPECT_EQ(R.Max, 2);
    EXPECT_EQ(FrequDistOfArray(A, 2, 4, 0, 2, 1, R.Freq, R.Under, R.Over, R.Max), 0);
    EXPECT_EQ(R.Freq, (TIntArray{0, 2, 1}));
    EXPECT_EQ(R.Under + R.Over, 0);

    const Dist Keep;
    Dist K;
    EXPECT_EQ(FrequDistOfArray(A, 0, 9, 0, 2, 1, K.Freq, K.Under, K.Over, K.Max), -1);
    EXPECT_EQ(FrequDistOfArray(A, -1, 2, 0, 2, 1, K.Freq, K.Under, K.Over, K.Max), -1);
    EXPECT_EQ(FrequDistOfArray(A, 3, 2, 0, 2, 1, K.Freq, K.Under, K.Over, K.Max), -2);
    EXPECT_EQ(FrequDistOfArray(A, 0, 2, 2, 2, 1, K.Freq, K.Under, K.Over, K.Max), -3);
    EXPECT_EQ(FrequDistOfArray(A, 0, 2, NaN, 2, 1, K.Freq, K.Under, K.Over, K.Max), -3);
    EXPECT_EQ(FrequDistOfArray(A, 0, 2, 0, 2, 0, K.Freq, K.Under, K.Over, K.Max), -4);
    EXPECT_EQ(FrequDistOfArray(A, 0, 2, 0, 2, NaN, K.Freq, K.Under, K.Over, K.Max), -4);
    EXPECT_EQ(FrequDistOfArray(TDoubleArray{}, 0, 0, 0, 2, 1, K.Freq, K.Under, K.Over, K.Max), -1);
    EXPECT_EQ(K, Keep);
}

TEST(FrequDistOfArray, BinCountLimitInFloatingPoint) {
    const TDoubleArray A{0.5};
    Dist R;
    EXPECT_EQ(FrequDistOfArray(A, 0, 0, 0, 999, 1, R.Freq, R.Under, R.Over, R.Max), 0);
    EXPECT_EQ(R.Freq.size(), 1000u);
    EXPECT_EQ(FrequDistOfArray(A, 0, 0, 0, 998.5, 1, R.Freq, R.Under, R.Over, R.Max), 0);  // Round(998.5) = 998
    EXPECT_EQ(R.Freq.size(), 999u);
    const Dist Keep;
    Dist K;
    EXPECT_EQ(FrequDistOfArray(A, 0, 0, 0, 1000, 1, K.Freq, K.Under, K.Over, K.Max), -5);
    EXPECT_EQ(FrequDistOfArray(A, 0, 0, 0, 999.5, 1, K.Freq, K.Under, K.Over, K.Max), -5);  // Round(999.5) = 1000
    EXPECT_EQ(FrequDistOfArray(A, 0, 0, 0, 1, 1e-300, K.Freq, K.Under, K.Over, K.Max), -5);
    EXPECT_EQ(FrequDistOfArray(A, 0, 0, -1e308, 1e308, 1, K.Freq, K.Under, K.Over, K.Max), -5);
    EXPECT_EQ(FrequDistOfArray(A, 0, 0, -Inf, 1, 1, K.Freq, K.Under, K.Over, K.Max), -5);
    EXPECT_EQ(FrequDistOfArray(A, 0, 0, 0, 1, 5e-324, K.Freq, K.Under, K.Over, K.Max), -5);
    EXPECT_EQ(K, Keep);
}

TEST(FrequDistOfArray, RoundedBinCountNeverWritesPastTheBins) {
    // 1.5 / 0.3 rounds to 5 (6 bins, up to 1.8); 1.7999999999999998 lies below Hi + Width
    // but its bin index computes as 6.
    Dist R;
    const TDoubleArray A{1.7999999999999998, 1.8, 0.0};
    EXPECT_EQ(FrequDistOfArray(A, 0, 0, 0, 1.5, 0.3, R.Freq, R.Under, R.Over, R.Max), 0);
    ASSERT_EQ(R.Freq.size(), 6u);
    EXPECT_EQ(R.Over, 2);
    EXPECT_EQ(R.Freq[0], 1);
    EXPECT_EQ(std::accumulate(R.Freq.begin(), R.Freq.end(), 0), 1);
    // Rounding down of the bin count: 2.2 / 1 gives 3 bins ending at 3; a value in [3, 3.2)
    // lies below Hi + Width but belongs to no bin.
    const TDoubleArray B{3.1, 2.9};
    EXPECT_EQ(FrequDistOfArray(B, 0, 0, 0, 2.2, 1, R.Freq, R.Under, R.Over, R.Max), 0);
    EXPECT_EQ(R.Freq, (TIntArray{0, 0, 1}));
    EXPECT_EQ(R.Over, 1);
}

TEST(FrequDistOfArray, AgainstIndependentBinning) {
    std::mt19937_64 Gen(13);
    std::uniform_int_distribution<int> V(-20, 100);
    TDouble2DArray A(7, TDoubleArray(11));
    for (auto& C : A)
        for (auto& X : C) X = V(Gen) / 8.0;  // exact eighths
    const double Lo = 0.5, Hi = 10, W = 0.75;  // Round(12.67) + 1 = 14 bins, up to 11.0
    TIntArray Expect(14, 0);
    int Under = 0, Over = 0;
    for (int C = 1; C <= 5; ++C)
        for (int R = 2; R <= 9; ++R) {
            const double X = A[C][R];
            if (X < Lo) { ++Under; continue; }
            int K = 0;
            while (K < 14 && !(X >= Lo + K * W && X < Lo + (K + 1) * W)) ++K;
            if (K == 14) ++Over;
            else ++Expect[K];
        }
    Dist R;
    ASSERT_EQ(FrequDistOfArray(A, 1, 2, 5, 9, Lo, Hi, W, R.Freq, R.Under, R.Over, R.Max), 0);
    EXPECT_EQ(R.Freq, Expect);
    EXPECT_EQ(R.Under, Under);
    EXPECT_EQ(R.Over, Over);
    EXPECT_EQ(R.Max, *std::max_element(Expect.begin(), Expect.end()));
}

TEST(FrequDistOfArray, BlockAndMaskedForms) {
    const TDouble2DArray A{{0.5, 1.5, 2.5}, {-1, 3, 1}};
    Dist R;
    EXPECT_EQ(FrequDistOfArray(A, 0, 0, 0, 0, 0, 2, 1, R.Freq, R.Under, R.Over, R.Max), 0);
    EXPECT_EQ(R, (Dist{{1, 2, 1}, 1, 1, 2}));
    EXPECT_EQ(FrequDistOfArray(A, 0, 1, 1, 2, 0, 2, 1, R.Freq, R.Under, R.Over, R.Max), 0);
    EXPECT_EQ(R, (Dist{{0, 2, 1}, 0, 1, 2}));
    EXPECT_EQ(FrequDistOfArray(A, 0, 1, 0, 2, 0, 2, 1, R.Freq, R.Under, R.Over, R.Max), 0);  // column 0 only
    EXPECT_EQ(R, (Dist{{0, 1, 1}, 0, 0, 1}));

    const Dist Keep;
    Dist K;
    EXPECT_EQ(FrequDistOfArray(A, 0, 0, 2, 2, 0, 2, 1, K.Freq, K.Under, K.Over, K.Max), -1);  // not clamped
    EXPECT_EQ(FrequDistOfArray(A, 0, 2, 1, 1, 0, 2, 1, K.Freq, K.Under, K.Over, K.Max), -2);
    EXPECT_EQ(FrequDistOfArray(TDouble2DArray(2), 0, 0, 0, 0, 0, 2, 1, K.Freq, K.Under, K.Over, K.Max), -1);
    EXPECT_EQ(FrequDistOfArray(TDouble2DArray{{1, 2}, {3}}, 0, 0, 0, 0, 0, 2, 1, K.Freq, K.Under, K.Over, K.Max), -1);
    EXPECT_EQ(K, Keep);

    const TBool2DArray M{{false, false, false}, {true, false, false}};
    EXPECT_EQ(FrequDistOfArray(A, M, 0, 0, 0, 0, 0, 2, 1, R.Freq, R.Under, R.Over, R.Max), 0);
    EXPECT_EQ(R, (Dist{{1, 2, 1}, 0, 1, 2}));
    const TBool2DArray M3(3, TBoolArray(3, false)), Empty, Short{{false, false}, {false, false}};
    EXPECT_EQ(FrequDistOfArray(A, M3, 0, 0, 0, 0, 0, 2, 1, K.Freq, K.Under, K.Over, K.Max), -6);
    EXPECT_EQ(FrequDistOfArray(A, Empty, 0, 0, 0, 0, 0, 2, 1, K.Freq, K.Under, K.Over, K.Max), -6);
    EXPECT_EQ(FrequDistOfArray(A, Short, 0, 0, 0, 0, 0, 2, 1, K.Freq, K.Under, K.Over, K.Max), -6);
    EXPECT_EQ(FrequDistOfArray(A, Empty, 0, 0, 0, 0, 0, 2, 0, K.Freq, K.Under, K.Over, K.Max), -4);
    EXPECT_EQ(FrequDistOfArray(A, Empty, 0, 0, 0, 0, 0, 2000, 1, K.Freq, K.Under, K.Over, K.Max), -6);
    EXPECT_EQ(K, Keep);

    const TDouble2DArray WithNaN{{NaN, 0.5}};
    EXPECT_EQ(FrequDistOfArray(WithNaN, 0, 0, 0, 0, 0, 2, 1, R.Freq, R.Under, R.Over, R.Max), 0);
    EXPECT_EQ(R.Under, 1);
    EXPECT_EQ(FrequDistOfArray(WithNaN, TBool2DArray{{false, false}}, 0, 0, 0, 0, 0, 2, 1, R.Freq, R.Under, R.Over,
                               R.Max),
              0);
    EXPECT_EQ(R.Under, 1);
}
