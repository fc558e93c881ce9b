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

// Comb sort written from the rule (gap = Trunc(gap / 1.3) in reals); returns its pass count.
template <class T> int ReferenceCombSort(std::vector<T>& A, bool Ascending) {
    const std::size_t N = A.size();
    if (N <= 1) return 0;
    std::size_t Gap = N;
    int Passes = 0;
    bool Swapped;
    do {
        Gap = std::max<std::size_t>(1, static_cast<std::size_t>(std::trunc(static_cast<double>(Gap) / 1.3)));
        Swapped = false;
        for (std::size_t I = 0; I + Gap < N; ++I)
            if (Ascending ? A[I + Gap] < A[I] : A[I + Gap] > A[I]) {
                std::swap(A[I], A[I + Gap]);
                Swapped = true;
            }
        ++Passes;
    } while (Gap > 1 || Swapped);
    return Passes;
}

// N random doubles; with Distinct > 0 only the values 0..Distinct-1 (many duplicates).
std::vector<double> RandomDoubles(std::size_t N, unsigned Seed, int Distinct = 0) {
    std::mt19937 Gen(Seed);
    std::vector<double> V(N);
    for (auto& X : V) X = Distinct > 0 ? double(Gen() % Distinct) : std::ldexp(double(Gen()) - 2147483648.0, -20);
    return V;
}

}  // namespace

TEST(ExChangeTest, TypedAndBlockForms) {
    std::string S1 = "left", S2 = "a much longer right-hand string";
    ExChange(S1, S2);
    EXPECT_EQ(S1 + "|" + S2, "a much longer right-hand string|left");
    TBoolArray Flags{true, false};
    ExChange(Flags[0], Flags[1]);
    EXPECT_EQ(Flags, (TBoolArray{false, true}));
    std::vector<std::uint8_t> X{1, 2, 3, 4}, Y{9, 8, 7, 6};
    ExChange(X.data(), Y.data(), 3);
    ExChange(X.data(), Y.data(), 0);
    EXPECT_EQ(X, (std::vector<std::uint8_t>{9, 8, 7, 4}));
    EXPECT_EQ(Y, (std::vector<std::uint8_t>{1, 2, 3, 6}));
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
            auto V = RandomDoubles(N, static_cast<unsigned>(N), N > 100 ? 50 : 0), Sorted = V, Ref = V;
            const int Passes = ReferenceCombSort(Ref, Asc);
            std::sort(Sorted.begin(), Sorted.end());
            if (!Asc) std::reverse(Sorted.begin(), Sorted.end());
            // The callback core the container classes use: positions from 1, exchanges by callback.
            ProcStat = 0.0;
            std::vector<double> Elems(N + 1, -1.0);
            std::copy(V.begin(), V.end(), Elems.begin() + 1);
            using P = std::int64_t;
            detail::CombSort(
                1, static_cast<P>(N), [&](P I, P J) { return Asc ? Elems[J] < Elems[I] : Elems[J] > Elems[I]; },
                [&](P I, P J) { std::swap(Elems[I], Elems[J]); });
            EXPECT_TRUE(Elems[0] == -1.0 && std::equal(Sorted.begin(), Sorted.end(), Elems.begin() + 1));
            EXPECT_EQ(ProcStat.load(), Passes);
            ProcStat = 0.0;
            Calls().clear();
            SortArray(V, Asc);
            EXPECT_EQ(V, Sorted);
            ASSERT_EQ(Calls().size(), static_cast<std::size_t>(Passes));
            for (int I = 0; I < Passes; ++I) EXPECT_EQ(Calls()[I], I + 1.0);
        }
    }
}

TEST_F(SortArrayTest, PassCountsTracedByHand) {
    // {data, ascending, passes}: n <= 1 makes none; sorted n = 10 runs gaps 7, 5, 3, 2, 1;
    // [1, 2] descending exchanges at gap 1 and needs a clean gap-1 pass; [3, 1, 2] takes
    // gap 2, gap 1 and a clean gap 1.
    const struct { TIntArray Data; bool Asc; double Passes; } Cases[] = {
        {{}, true, 0}, {{3}, false, 0}, {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, true, 5},
        {{1, 2}, true, 1}, {{1, 2}, false, 2}, {{3, 1, 2}, true, 3}};
    for (const auto& C : Cases) {
        ProcStat = 0.0;
        auto V = C.Data;
        SortArray(V, C.Asc);
        EXPECT_EQ(ProcStat.load(), C.Passes) << C.Data.size();
        EXPECT_TRUE(C.Asc ? std::is_sorted(V.begin(), V.end()) : std::is_sorted(V.rbegin(), V.rend()));
    }
    // Equal values are never exchanged: the signs of the zeros stay where they were.
    std::vector<double> Z{0.0, -0.0, 0.0, -0.0};
    SortArray(Z, true);
    SortArray(Z, false);
    EXPECT_EQ((std::vector<bool>{std::signbit(Z[0]), std::signbit(Z[1]), std::signbit(Z[2]), std::signbit(Z[3])}),
              (std::vector<bool>{false, true, false, true}));
}

TEST_F(SortArrayTest, SingleIntegerAndUntypedForms) {
    const auto Check = [](auto V, bool Asc, auto&& Sort) {
        auto Want = V;
        std::sort(Want.begin(), Want.end());
        if (!Asc) std::reverse(Want.begin(), Want.end());
        Sort(V);
        EXPECT_EQ(V, Want);
    };
    std::mt19937 Gen(7);
    TIntArray I(500);
    for (auto& X : I) X = static_cast<std::int32_t>(Gen());
    TSingleArray F(300);
    for (auto& X : F) X = static_cast<float>(Gen() % 1000) / 7.0f;
    const auto D = RandomDoubles(200, 3);
    // Untyped kinds: 0 and 1 are doubles, 2 singles, 3 and 4 32-bit integers.
    const auto Untyped = [](int Kind, bool Asc) {
        return [=](auto& V) { SortArray(V.data(), static_cast<int>(V.size()), static_cast<TVarKind>(Kind), Asc); };
    };
    for (bool Asc : {true, false}) {
        Check(I, Asc, [&](auto& V) { SortArray(V, Asc); });
        Check(F, Asc, [&](auto& V) { SortArray(V, Asc); });
        for (int Kind : {0, 1}) Check(D, Asc, Untyped(Kind, Asc));
        Check(F, Asc, Untyped(2, Asc));
        for (int Kind : {3, 4}) Check(I, Asc, Untyped(Kind, Asc));
    }
    TIntArray I2{5, -1, 3};
    Untyped(5, true)(I2);  // a kind above 4 leaves the data alone
    EXPECT_EQ(I2, (TIntArray{5, -1, 3}));
}

TEST(SortIntoArrayTest, TopNListRules) {
    // {list, value, ascending, duplicates, index, list afterwards}. The scan stops at the last
    // element: a value equal to it goes there only with duplicates allowed.
    const struct { TDoubleArray In; double V; bool Asc, Dup; int Ix; TDoubleArray After; } Cases[] = {
        {{1, 3, 5}, 4, true, false, 2, {1, 3, 4}}, {{1, 3, 5}, 6, true, false, -1, {1, 3, 5}},
        {{1, 3, 5}, 3, true, false, -1, {1, 3, 5}}, {{1, 3, 5}, 3, true, true, 1, {1, 3, 3}},
        {{1, 3, 5}, 0, true, false, 0, {0, 1, 3}}, {{0, 1, 3}, 3, true, false, -1, {0, 1, 3}},
        {{0, 1, 3}, 3, true, true, 2, {0, 1, 3}}, {{9, 5, 1}, 6, false, false, 1, {9, 6, 5}},
        {{9, 5, 1}, 5, false, false, -1, {9, 5, 1}}, {{9, 5, 1}, 0, false, true, -1, {9, 5, 1}},
        {{}, 1, true, true, -1, {}}};
    for (const auto& C : Cases) {
        auto D = C.In;
        EXPECT_EQ(SortIntoArray(D, C.V, C.Asc, C.Dup), C.Ix) << C.V << C.Asc << C.Dup;
        EXPECT_EQ(D, C.After) << C.V << C.Asc << C.Dup;
        // The untyped form on the same list: 1-based position, 0 when not inserted.
        for (auto Kind : {TVarKind::vkDouble, TVarKind::vkReal}) {
            auto U = C.In;
            EXPECT_EQ(SortIntoArray(U.data(), static_cast<int>(U.size()), Kind, &C.V, C.Asc, C.Dup), C.Ix + 1);
            EXPECT_EQ(U, C.After);
        }
    }
    TIntArray I{9, 5, 1};
    std::int32_t IV = 5;
    EXPECT_EQ(SortIntoArray(I, 6, false, false), 1);
    EXPECT_EQ(SortIntoArray(I.data(), 3, TVarKind::vkLongint, &IV, false, true), 3);
    EXPECT_EQ(I, (TIntArray{9, 6, 5}));
    TSingleArray F{5, 3, 1};
    float FV = 4;
    EXPECT_EQ(SortIntoArray(F, 2.0f, false, false), 2);
    EXPECT_EQ(SortIntoArray(F.data(), 3, TVarKind::vkSingle, &FV, false, false), 2);
    EXPECT_EQ(F, (TSingleArray{5, 4, 3}));
    EXPECT_EQ(SortIntoArray(nullptr, 0, TVarKind::vkDouble, &FV, true, true), 0);
    EXPECT_EQ(SortIntoArray(F.data(), 3, static_cast<TVarKind>(9), &FV, false, false), 0);
    EXPECT_EQ(F, (TSingleArray{5, 4, 3}));
}

TEST(InsertIntoArrayTest, TypedCountsFromZeroUntypedFromOne) {
    TIntArray I{1, 2, 3, 4};
    for (int Ix : {1, 3, 4, -1}) InsertIntoArray(I, 9 - Ix, Ix);
    EXPECT_EQ(I, (TIntArray{1, 8, 2, 6}));
    TDoubleArray D{1, 2};
    InsertIntoArray(D, 0.5, 0);
    EXPECT_EQ(D, (TDoubleArray{0.5, 1}));
    TSingleArray F{1, 2};
    InsertIntoArray(F, 3.0f, 1);
    EXPECT_EQ(F, (TSingleArray{1, 3}));
    TIntArray U{1, 2, 3};
    std::int32_t V = 8;
    for (int Ix : {1, 0, 4}) InsertIntoArray(U.data(), 3, TVarKind::vkInteger, &V, Ix);
    EXPECT_EQ(U, (TIntArray{8, 1, 2}));
    double DV = 6;
    TDoubleArray UD{1, 2, 3};
    InsertIntoArray(UD.data(), 3, TVarKind::vkDouble, &DV, 3);
    InsertIntoArray(UD.data(), 3, TVarKind::vkDouble, &UD[2], 1);  // the value may live in the array
    EXPECT_EQ(UD, (TDoubleArray{6, 1, 2}));
}

TEST(QuickSelectTest, ResultsAndOrdersTracedByHand) {
    // {data, K, Lo, Hi, result, data afterwards}. In {1, 2, 5, 3, 4} the first pivot 5 lands
    // at 4 > K and the range stays 0..4 (narrowing to 0..3 leaves 1, 2, 4, 3, 5).
    const struct { TDoubleArray In; int K, Lo, Hi; double Want; TDoubleArray After; } Cases[] = {
        {{1, 0}, 0, 0, 1, 0, {0, 1}}, {{1, 3, 2}, 1, 0, 2, 2, {1, 2, 3}}, {{7, 7, 7}, 2, 0, 2, 7, {7, 7, 7}},
        {{5, 4, 3, 2, 1}, 2, 0, 4, 3, {1, 2, 3, 4, 5}}, {{3, 1, 2}, 0, 0, 2, 1, {1, 3, 2}},
        {{1, 2, 5, 3, 4}, 1, 0, 4, 2, {1, 2, 3, 4, 5}}, {{9, 5, 4, 3, 2, 1, -9}, 3, 1, 5, 3, {9, 1, 2, 3, 4, 5, -9}}};
    for (const auto& C : Cases) {
        auto D = C.In;
        EXPECT_EQ(QuickSelect(D, C.K, C.Lo, C.Hi), C.Want) << C.In.size() << " K=" << C.K;
        EXPECT_EQ(D, C.After) << C.In.size() << " K=" << C.K;
    }
    // K outside Lo..Hi, Hi < Lo or a range leaving the array: 0, nothing moves.
    TDoubleArray A{4, 2, 9}, Empty;
    for (auto [K, Lo, Hi] : {std::tuple{0, 2, 1}, {3, 0, 2}, {-1, 0, 2}, {0, 1, 2}, {3, 0, 3}, {0, -1, 2}})
        EXPECT_EQ(QuickSelect(A, K, Lo, Hi), 0.0) << K << Lo << Hi;
    EXPECT_EQ(QuickSelect(Empty, 0, 0, 0), 0.0);
    EXPECT_EQ(A, (TDoubleArray{4, 2, 9}));
    // All-equal values come back untouched (the signs of the zeros show it).
    TDoubleArray Z{0.0, -0.0, 0.0};
    EXPECT_EQ(QuickSelect(Z, 2, 0, 2), 0.0);
    EXPECT_TRUE(!std::signbit(Z[0]) && std::signbit(Z[1]));
}

TEST(QuickSelectTest, MatchesNthElementAndPartitionsTheRange) {
    for (int Trial = 0; Trial < 60; ++Trial) {
        auto V = RandomDoubles(1 + Trial * 7, 100 + Trial, Trial % 3 == 0 ? 4 : 0);
        const int N = static_cast<int>(V.size());
        const int Lo = Trial % 2 == 0 ? 0 : N / 4, Hi = std::max(Lo, N - 1 - (Trial % 5 == 0 ? N / 5 : 0));
        const int K = Lo + (Trial * 13) % (Hi - Lo + 1);
        std::vector<double> Peer(V.begin() + Lo, V.begin() + Hi + 1);
        std::nth_element(Peer.begin(), Peer.begin() + (K - Lo), Peer.end());
        const auto Before = V;
        const double Got = QuickSelect(V, K, Lo, Hi);
        EXPECT_EQ(Got, Peer[K - Lo]);
        EXPECT_EQ(V[K], Got);
        for (int I = Lo; I <= Hi; ++I) ASSERT_TRUE(I < K ? V[I] <= Got : V[I] >= Got) << I;
        EXPECT_TRUE(std::is_permutation(V.begin() + Lo, V.begin() + Hi + 1, Before.begin() + Lo));
        EXPECT_TRUE(std::equal(V.begin(), V.begin() + Lo, Before.begin()));
        EXPECT_TRUE(std::equal(V.begin() + Hi + 1, V.end(), Before.begin() + Hi + 1));
    }
    // NaNs and duplicates: every call ends, the result sits at K and no value is lost.
    std::mt19937 Gen(31);
    const auto IsNaN = [](double X) { return std::isnan(X); };
    for (int T = 0; T < 400; ++T) {
        TDoubleArray A(1 + Gen() % 12);
        for (auto& X : A) X = Gen() % 4 == 0 ? std::nan("") : static_cast<double>(Gen() % 3);
        const int N = static_cast<int>(A.size()), K = static_cast<int>(Gen() % N);
        const auto NaNs = std::count_if(A.begin(), A.end(), IsNaN);
        const double Q = QuickSelect(A, K, 0, N - 1);
        EXPECT_TRUE(std::isnan(Q) ? std::isnan(A[K]) : Q == A[K]);
        EXPECT_EQ(std::count_if(A.begin(), A.end(), IsNaN), NaNs);
    }
}

TEST(HistoBinRefAndSortSwapTest, FloorBinsAndSwapRules) {
    double Off = -1;
    EXPECT_EQ(HistoBinRef(7.5, 1, 2, Off), 7.0);
    EXPECT_EQ(Off, 0.5);
    EXPECT_EQ(HistoBinRef(-0.5, 1, 2, Off), -1.0);  // Floor, not truncation
    EXPECT_EQ(Off, 0.5);
    for (double W : {0.0, -0.0, std::numeric_limits<double>::infinity(), std::nan("")}) {
        Off = 7;
        EXPECT_EQ(HistoBinRef(3.25, 1, W, Off), 3.25);
        EXPECT_EQ(Off, 0.0);
    }
    // {A, B, ascending, exchanged}: ascending exchanges equal values too (the comb sort never does).
    const struct { double A, B; bool Asc, Ex; } Swaps[] = {
        {2, 1, true, true}, {1, 2, true, false}, {1, 2, false, true}, {2, 1, false, false},
        {0.0, -0.0, true, true}, {-0.0, 0.0, false, false}};
    for (const auto& C : Swaps) {
        double A = C.A, B = C.B;
        EXPECT_EQ(SortSwap(A, B, C.Asc), C.Ex) << C.A << C.B << C.Asc;
        EXPECT_EQ(std::signbit(A), std::signbit(C.Ex ? C.B : C.A));
        EXPECT_EQ(A, C.Ex ? C.B : C.A);
    }
}
