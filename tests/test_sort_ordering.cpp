// Exchange, comb sort, top-N lists, quick-select, histogram bins and the conditional swap.
#include "qmr_test_support.h"

#include "foundations/detail/combsort.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>

using namespace qmr;

namespace {

// Straightforward comb sort written from the rule (gap = Trunc(gap / 1.3) in reals),
// returning the number of passes.
template <class T> int ReferenceCombSort(std::vector<T>& A, bool Ascending) {
    const std::size_t N = A.size();
    if (N <= 1) return 0;
    std::size_t Gap = N;
    int Passes = 0;
    bool Swapped;
    do {
        Gap = static_cast<std::size_t>(std::trunc(static_cast<double>(Gap) / 1.3));
        if (Gap == 0) Gap = 1;
        Swapped = false;
        for (std::size_t I = 0; I + Gap < N; ++I) {
            bool Out = Ascending ? A[I + Gap] < A[I] : A[I + Gap] > A[I];
            if (Out) {
                std::swap(A[I], A[I + Gap]);
                Swapped = true;
            }
        }
        ++Passes;
    } while (Gap > 1 || Swapped);
    return Passes;
}

std::vector<double> RandomDoubles(std::size_t N, unsigned Seed, int Distinct = 0) {
    std::mt19937 Gen(Seed);
    std::vector<double> V(N);
    for (auto& X : V) X = Distinct > 0 ? static_cast<double>(Gen() % Distinct) : std::ldexp(double(Gen()) - 2147483648.0, -20);
    return V;
}

std::vector<double> Ramp(int N) {
    std::vector<double> V(N);
    for (int I = 0; I < N; ++I) V[I] = I;
    return V;
}

}  // namespace

TEST(ExChangeTest, TypedAndBlockForms) {
    int A = 1, B = 2;
    ExChange(A, B);
    EXPECT_EQ(A, 2);
    EXPECT_EQ(B, 1);
    std::string S1 = "left", S2 = "a much longer right-hand string";
    ExChange(S1, S2);
    EXPECT_EQ(S1, "a much longer right-hand string");
    EXPECT_EQ(S2, "left");
    char16_t W1 = u'x', W2 = u'\u00e9';
    ExChange(W1, W2);
    EXPECT_EQ(W1, u'\u00e9');
    Extended E1 = 1.5, E2 = -2.25;
    ExChange(E1, E2);
    EXPECT_EQ(E1, -2.25);
    TBoolArray Flags{true, false};
    ExChange(Flags[0], Flags[1]);
    EXPECT_EQ(Flags, (TBoolArray{false, true}));

    unsigned char X[5] = {1, 2, 3, 4, 5}, Y[5] = {9, 8, 7, 6, 5};
    ExChange(X, Y, 3);
    EXPECT_EQ(std::vector<int>(X, X + 5), (std::vector<int>{9, 8, 7, 4, 5}));
    EXPECT_EQ(std::vector<int>(Y, Y + 5), (std::vector<int>{1, 2, 3, 6, 5}));
    ExChange(X, Y, 0);
    EXPECT_EQ(X[0], 9);
}

TEST(CombGapTest, IntegerRuleEqualsRealRule) {
    for (std::int64_t G = 1; G <= 3000000; ++G) {
        auto Real = static_cast<std::int64_t>(std::trunc(static_cast<double>(G) / 1.3));
        ASSERT_EQ(detail::NextCombGap(G), Real == 0 ? 1 : Real) << G;
    }
}

class SortArrayTest : public test::ProgressFixture {};

TEST_F(SortArrayTest, MatchesStdSortAndReferencePasses) {
    for (std::size_t N : {2u, 3u, 10u, 97u, 1000u, 4099u}) {
        for (bool Asc : {true, false}) {
            auto V = RandomDoubles(N, static_cast<unsigned>(N), N > 100 ? 50 : 0);
            auto Ref = V;
            int Passes = ReferenceCombSort(Ref, Asc);
            auto Sorted = V;
            if (Asc) std::sort(Sorted.begin(), Sorted.end());
            else std::sort(Sorted.begin(), Sorted.end(), std::greater<>());
            ProcStat = 0.0;
            Calls().clear();
            SortArray(V, Asc);
            EXPECT_EQ(V, Sorted);
            EXPECT_EQ(ProcStat.load(), Passes);
            ASSERT_EQ(Calls().size(), static_cast<std::size_t>(Passes));
            for (int I = 0; I < Passes; ++I) EXPECT_EQ(Calls()[I], I + 1.0);
        }
    }
}

TEST_F(SortArrayTest, ShortAndSortedArrays) {
    std::vector<double> Empty, One{3.0};
    SortArray(Empty, true);
    SortArray(One, false);
    EXPECT_EQ(ProcStat.load(), 0.0);
    EXPECT_TRUE(Calls().empty());
    // Already sorted, n = 10: gaps 7, 5, 3, 2, 1 and no further pass.
    auto V = Ramp(10);
    SortArray(V, true);
    EXPECT_EQ(V, Ramp(10));
    EXPECT_EQ(ProcStat.load(), 5.0);
    ProcStat = 0.0;
    std::vector<double> Two{1, 2};
    SortArray(Two, true);
    EXPECT_EQ(ProcStat.load(), 1.0);
    // Gap 1 with an exchange, then a clean gap-1 pass.
    ProcStat = 0.0;
    SortArray(Two, false);
    EXPECT_EQ(Two, (std::vector<double>{2, 1}));
    EXPECT_EQ(ProcStat.load(), 2.0);
    // n = 3: gap 2 exchanges (3, 2), gap 1 exchanges (2, 1), a clean gap-1 pass.
    ProcStat = 0.0;
    TIntArray Three{3, 1, 2};
    SortArray(Three, true);
    EXPECT_EQ(Three, (TIntArray{1, 2, 3}));
    EXPECT_EQ(ProcStat.load(), 3.0);
}

TEST_F(SortArrayTest, EqualValuesNeverExchanged) {
    std::vector<double> Z{0.0, -0.0, 0.0, -0.0};
    SortArray(Z, true);
    EXPECT_FALSE(std::signbit(Z[0]));
    EXPECT_TRUE(std::signbit(Z[1]));
    SortArray(Z, false);
    EXPECT_FALSE(std::signbit(Z[0]));
    EXPECT_TRUE(std::signbit(Z[3]));
}

TEST_F(SortArrayTest, IntegerSingleAndUntypedForms) {
    std::mt19937 Gen(7);
    TIntArray I(500);
    for (auto& X : I) X = static_cast<std::int32_t>(Gen());
    auto RefI = I;
    ReferenceCombSort(RefI, false);
    SortArray(I, false);
    EXPECT_EQ(I, RefI);
    EXPECT_TRUE(std::is_sorted(I.rbegin(), I.rend()));

    TSingleArray F(300);
    for (auto& X : F) X = static_cast<float>(Gen() % 1000) / 7.0f;
    auto RefF = F;
    std::sort(RefF.begin(), RefF.end());
    SortArray(F, true);
    EXPECT_EQ(F, RefF);

    for (auto Kind : {TVarKind::vkDouble, TVarKind::vkReal}) {
        auto D = RandomDoubles(200, 3);
        auto RefD = D;
        std::sort(RefD.begin(), RefD.end());
        SortArray(D.data(), 200, Kind, true);
        EXPECT_EQ(D, RefD);
    }
    TSingleArray F2{3, 1, 2};
    SortArray(F2.data(), 3, TVarKind::vkSingle, false);
    EXPECT_EQ(F2, (TSingleArray{3, 2, 1}));
    for (auto Kind : {TVarKind::vkInteger, TVarKind::vkLongint}) {
        TIntArray I2{5, -1, 3};
        SortArray(I2.data(), 3, Kind, true);
        EXPECT_EQ(I2, (TIntArray{-1, 3, 5}));
    }
    ProcStat = 0.0;
    TIntArray I3{5, -1, 3};
    SortArray(I3.data(), 3, static_cast<TVarKind>(5), true);
    EXPECT_EQ(I3, (TIntArray{5, -1, 3}));
    EXPECT_EQ(ProcStat.load(), 0.0);
}

TEST_F(SortArrayTest, CallbackCoreSortsThroughExchanges) {
    // 1-based positions and an exchange callback, as the container classes use it.
    auto V = RandomDoubles(300, 21, 40);
    std::vector<double> Elems(V.size() + 1, -1.0);
    std::copy(V.begin(), V.end(), Elems.begin() + 1);
    int Exchanges = 0;
    detail::CombSort(
        1, static_cast<std::int64_t>(V.size()), [&](std::int64_t I, std::int64_t J) { return Elems[J] > Elems[I]; },
        [&](std::int64_t I, std::int64_t J) {
            std::swap(Elems[I], Elems[J]);
            ++Exchanges;
        });
    const double Passes = ProcStat.load();
    auto Ref = V;
    int RefPasses = ReferenceCombSort(Ref, false);
    EXPECT_EQ(Elems[0], -1.0);
    EXPECT_TRUE(std::equal(Ref.begin(), Ref.end(), Elems.begin() + 1));
    EXPECT_EQ(Passes, RefPasses);
    EXPECT_GT(Exchanges, 0);
    ProcStat = 0.0;
    detail::CombSort(1, 1, [](std::int64_t, std::int64_t) { return true; }, [](std::int64_t, std::int64_t) {});
    EXPECT_EQ(ProcStat.load(), 0.0);
}

TEST(SortIntoArrayTest, TopNListRules) {
    TDoubleArray D{1, 3, 5};
    EXPECT_EQ(SortIntoArray(D, 4.0, true, false), 2);
    EXPECT_EQ(D, (TDoubleArray{1, 3, 4}));
    D = {1, 3, 5};
    EXPECT_EQ(SortIntoArray(D, 6.0, true, false), -1);
    EXPECT_EQ(SortIntoArray(D, 3.0, true, false), -1);
    EXPECT_EQ(D, (TDoubleArray{1, 3, 5}));
    EXPECT_EQ(SortIntoArray(D, 3.0, true, true), 1);
    EXPECT_EQ(D, (TDoubleArray{1, 3, 3}));
    EXPECT_EQ(SortIntoArray(D, 0.0, true, true), 0);
    EXPECT_EQ(D, (TDoubleArray{0, 1, 3}));
    // The scan stops at the last element: a value equal to it goes there with duplicates.
    EXPECT_EQ(SortIntoArray(D, 3.0, true, false), -1);
    EXPECT_EQ(SortIntoArray(D, 3.0, true, true), 2);
    EXPECT_EQ(D, (TDoubleArray{0, 1, 3}));
    // Descending mirrors every comparison.
    TIntArray I{9, 5, 1};
    EXPECT_EQ(SortIntoArray(I, 6, false, false), 1);
    EXPECT_EQ(I, (TIntArray{9, 6, 5}));
    EXPECT_EQ(SortIntoArray(I, 5, false, false), -1);
    EXPECT_EQ(SortIntoArray(I, 4, false, false), -1);
    TSingleArray F{1.5f};
    EXPECT_EQ(SortIntoArray(F, 1.0f, true, false), 0);
    EXPECT_EQ(F[0], 1.0f);
    TDoubleArray Empty;
    EXPECT_EQ(SortIntoArray(Empty, 1.0, true, true), -1);
}

TEST(SortIntoArrayTest, UntypedFormCountsFromOne) {
    TDoubleArray D{1, 3, 5};
    double V = 4;
    EXPECT_EQ(SortIntoArray(D.data(), 3, TVarKind::vkDouble, &V, true, false), 3);
    EXPECT_EQ(D, (TDoubleArray{1, 3, 4}));
    V = 9;
    EXPECT_EQ(SortIntoArray(D.data(), 3, TVarKind::vkReal, &V, true, false), 0);
    TIntArray I{1, 3, 5};
    std::int32_t IV = 3;
    EXPECT_EQ(SortIntoArray(I.data(), 3, TVarKind::vkLongint, &IV, true, true), 2);
    EXPECT_EQ(I, (TIntArray{1, 3, 3}));
    TSingleArray F{5, 3, 1};
    float FV = 4;
    EXPECT_EQ(SortIntoArray(F.data(), 3, TVarKind::vkSingle, &FV, false, false), 2);
    EXPECT_EQ(F, (TSingleArray{5, 4, 3}));
    EXPECT_EQ(SortIntoArray(F.data(), 0, TVarKind::vkSingle, &FV, false, false), 0);
    EXPECT_EQ(SortIntoArray(nullptr, 0, TVarKind::vkDouble, &V, true, true), 0);
    EXPECT_EQ(SortIntoArray(F.data(), 3, static_cast<TVarKind>(9), &FV, false, false), 0);
    EXPECT_EQ(F, (TSingleArray{5, 4, 3}));
}

TEST(InsertIntoArrayTest, TypedAndUntyped) {
    TIntArray I{1, 2, 3, 4};
    InsertIntoArray(I, 9, 1);
    EXPECT_EQ(I, (TIntArray{1, 9, 2, 3}));
    InsertIntoArray(I, 7, 3);
    EXPECT_EQ(I, (TIntArray{1, 9, 2, 7}));
    InsertIntoArray(I, 5, 4);
    InsertIntoArray(I, 5, -1);
    EXPECT_EQ(I, (TIntArray{1, 9, 2, 7}));
    TDoubleArray D{1, 2};
    InsertIntoArray(D, 0.5, 0);
    EXPECT_EQ(D, (TDoubleArray{0.5, 1}));
    TSingleArray F{1, 2};
    InsertIntoArray(F, 3.0f, 1);
    EXPECT_EQ(F, (TSingleArray{1, 3}));

    TIntArray U{1, 2, 3};
    std::int32_t V = 8;
    InsertIntoArray(U.data(), 3, TVarKind::vkInteger, &V, 1);
    EXPECT_EQ(U, (TIntArray{8, 1, 2}));
    InsertIntoArray(U.data(), 3, TVarKind::vkInteger, &V, 0);
    InsertIntoArray(U.data(), 3, TVarKind::vkInteger, &V, 4);
    EXPECT_EQ(U, (TIntArray{8, 1, 2}));
    double DV = 6;
    TDoubleArray UD{1, 2, 3};
    InsertIntoArray(UD.data(), 3, TVarKind::vkDouble, &DV, 3);
    EXPECT_EQ(UD, (TDoubleArray{1, 2, 6}));
    // The value may live inside the array itself.
    InsertIntoArray(UD.data(), 3, TVarKind::vkDouble, &UD[2], 1);
    EXPECT_EQ(UD, (TDoubleArray{6, 1, 2}));
}

TEST(InsertIntoArrayTest, KeepsTopNWithRowNumbers) {
    // Five nearest of twenty distances with their row numbers, as a caller keeps them.
    TDoubleArray Dist(5, std::numeric_limits<double>::max());
    TIntArray Rows(5, 0);
    auto All = RandomDoubles(20, 11);
    for (int R = 0; R < 20; ++R) {
        int Ix = SortIntoArray(Dist, All[R], true, true);
        if (Ix >= 0) InsertIntoArray(Rows, R, Ix);
    }
    auto Sorted = All;
    std::sort(Sorted.begin(), Sorted.end());
    for (int K = 0; K < 5; ++K) {
        EXPECT_EQ(Dist[K], Sorted[K]);
        EXPECT_EQ(All[Rows[K]], Sorted[K]);
    }
}

TEST(QuickSelectTest, SpecExamples) {
    TDoubleArray A{1, 0};
    EXPECT_EQ(QuickSelect(A, 0, 0, 1), 0.0);
    TDoubleArray B{1, 3, 2};
    EXPECT_EQ(QuickSelect(B, 1, 0, 2), 2.0);
    TDoubleArray C{7, 7, 7};
    EXPECT_EQ(QuickSelect(C, 2, 0, 2), 7.0);
}

TEST(QuickSelectTest, OrderLeftBehindTracedByHand) {
    TDoubleArray D{5, 4, 3, 2, 1};
    EXPECT_EQ(QuickSelect(D, 2, 0, 4), 3.0);
    EXPECT_EQ(D, (TDoubleArray{1, 2, 3, 4, 5}));
    TDoubleArray E{3, 1, 2};
    EXPECT_EQ(QuickSelect(E, 0, 0, 2), 1.0);
    EXPECT_EQ(E, (TDoubleArray{1, 3, 2}));
    // The first partition puts the pivot 5 at index 4 > K; the range stays 0..4 with it
    // (narrowing to 0..3 would end with 1, 2, 4, 3, 5).
    TDoubleArray F{1, 2, 5, 3, 4};
    EXPECT_EQ(QuickSelect(F, 1, 0, 4), 2.0);
    EXPECT_EQ(F, (TDoubleArray{1, 2, 3, 4, 5}));
    // Only the range moves.
    TDoubleArray G{9, 5, 4, 3, 2, 1, -9};
    EXPECT_EQ(QuickSelect(G, 3, 1, 5), 3.0);
    EXPECT_EQ(G, (TDoubleArray{9, 1, 2, 3, 4, 5, -9}));
}

TEST(QuickSelectTest, MatchesNthElementAndPartitionsTheRange) {
    for (int Trial = 0; Trial < 60; ++Trial) {
        auto V = RandomDoubles(1 + Trial * 7, 100 + Trial, Trial % 3 == 0 ? 4 : 0);
        int N = static_cast<int>(V.size());
        int Lo = Trial % 2 == 0 ? 0 : N / 4, Hi = N - 1 - (Trial % 5 == 0 ? N / 5 : 0);
        if (Hi < Lo) Hi = Lo;
        int K = Lo + (Trial * 13) % (Hi - Lo + 1);
        auto Peer = std::vector<double>(V.begin() + Lo, V.begin() + Hi + 1);
        std::nth_element(Peer.begin(), Peer.begin() + (K - Lo), Peer.end());
        const auto Before = V;
        double Got = QuickSelect(V, K, Lo, Hi);
        EXPECT_EQ(Got, Peer[K - Lo]);
        EXPECT_EQ(V[K], Got);
        for (int I = Lo; I < K; ++I) ASSERT_LE(V[I], Got);
        for (int I = K + 1; I <= Hi; ++I) ASSERT_GE(V[I], Got);
        EXPECT_TRUE(std::is_permutation(V.begin() + Lo, V.begin() + Hi + 1, Before.begin() + Lo));
        EXPECT_TRUE(std::equal(V.begin(), V.begin() + Lo, Before.begin()));
        EXPECT_TRUE(std::equal(V.begin() + Hi + 1, V.end(), Before.begin() + Hi + 1));
    }
}

TEST(QuickSelectTest, BadRangesReturnZeroUntouched) {
    TDoubleArray A{4, 2, 9};
    EXPECT_EQ(QuickSelect(A, 0, 2, 1), 0.0);
    EXPECT_EQ(QuickSelect(A, 3, 0, 2), 0.0);
    EXPECT_EQ(QuickSelect(A, -1, 0, 2), 0.0);
    EXPECT_EQ(QuickSelect(A, 0, 1, 2), 0.0);
    EXPECT_EQ(QuickSelect(A, 3, 0, 3), 0.0);
    EXPECT_EQ(QuickSelect(A, 0, -1, 2), 0.0);
    TDoubleArray Empty;
    EXPECT_EQ(QuickSelect(Empty, 0, 0, 0), 0.0);
    EXPECT_EQ(A, (TDoubleArray{4, 2, 9}));
}

TEST(QuickSelectTest, NaNsAndDuplicatesTerminate) {
    const double NaN = std::numeric_limits<double>::quiet_NaN();
    std::mt19937 Gen(31);
    for (int T = 0; T < 400; ++T) {
        TDoubleArray A(1 + Gen() % 12);
        for (auto& X : A) X = Gen() % 4 == 0 ? NaN : static_cast<double>(Gen() % 3);
        const int N = static_cast<int>(A.size()), K = static_cast<int>(Gen() % N);
        const auto NaNs = std::count_if(A.begin(), A.end(), [](double X) { return std::isnan(X); });
        const double Q = QuickSelect(A, K, 0, N - 1);
        EXPECT_TRUE(std::isnan(Q) ? std::isnan(A[K]) : Q == A[K]);
        EXPECT_EQ(std::count_if(A.begin(), A.end(), [](double X) { return std::isnan(X); }), NaNs);
    }
}

TEST(HistoBinRefTest, FloorAndDegenerateWidths) {
    double Off = -1;
    EXPECT_EQ(HistoBinRef(7.5, 1, 2, Off), 7.0);
    EXPECT_EQ(Off, 0.5);
    EXPECT_EQ(HistoBinRef(-0.5, 1, 2, Off), -1.0);
    EXPECT_EQ(Off, 0.5);
    EXPECT_EQ(HistoBinRef(1.0, 1, 2, Off), 1.0);
    EXPECT_EQ(Off, 0.0);
    for (double W : {0.0, -0.0, std::numeric_limits<double>::infinity(), std::nan("")}) {
        Off = 7;
        EXPECT_EQ(HistoBinRef(3.25, 1, W, Off), 3.25);
        EXPECT_EQ(Off, 0.0);
    }
}

TEST(SortSwapTest, EqualValuesAreExchangedAscending) {
    double A = 2, B = 1;
    EXPECT_TRUE(SortSwap(A, B, true));
    EXPECT_EQ(A, 1);
    EXPECT_FALSE(SortSwap(A, B, true));
    EXPECT_TRUE(SortSwap(A, B, false));
    EXPECT_EQ(A, 2);
    EXPECT_FALSE(SortSwap(A, B, false));
    double Z1 = 0.0, Z2 = -0.0;
    EXPECT_TRUE(SortSwap(Z1, Z2, true));
    EXPECT_TRUE(std::signbit(Z1));
    EXPECT_FALSE(SortSwap(Z1, Z2, false));
}
