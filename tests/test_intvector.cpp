// TIntVector: the integer twin of TVector (core, 32-bit wrap-around, 64-bit real results,
// its documented differences and its histogram).
#include "qmr_test_support.h"

#include <cmath>
#include <limits>

namespace {

using qmr::EQMRVectorError;
using qmr::TIntVector;
using qmr::test::CountChanges;
using qmr::test::SetValues;
using qmr::test::ThrowsWith;
using qmr::test::ValuesOf;
using Ints = std::vector<std::int32_t>;
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(IntVector, CoreCopiesAndFingerprint) {
    TIntVector V(nullptr);
    EXPECT_EQ(std::tuple(ValuesOf<int>(V), V.IsEmpty(), V.ClassName()), std::tuple(Ints{0}, true, "TIntVector"));
    // One zero element: each of the four registers has seen one 0 byte; zlib.crc32(b"\0") = 0xD202EF8D.
    EXPECT_EQ(V.CRCofData(), "D202EF8DD202EF8DD202EF8DD202EF8D");
    int Ev;
    CountChanges(V, Ev);
    EXPECT_TRUE(V.Resize(4));
    EXPECT_FALSE(V.Resize(0));
    V.SetElem(5, 9);
    V.CopyFromArray(Ints{7, 8, 9, 10}, 2);  // the fourth value falls outside
    V.CopyFrom(&V, 2, 4, 1);                // onto itself, overlapping
    EXPECT_EQ(std::tuple(ValuesOf<int>(V), Ev), std::tuple(Ints{7, 8, 9, 9}, 1 + 3 + 4));
    TIntVector W(nullptr);
    W.Assign(&V);
    W.SetElem(1, 1);  // Assign copied the handler
    EXPECT_EQ(Ev, 9);
    W.Clone(&V);
    W.SetElem(2, -4);
    W.AbsVal();
    EXPECT_EQ(ValuesOf<int>(W), (Ints{7, 4, 9, 9}));
    EXPECT_THROW(W.Assign(static_cast<const qmr::TPersistent*>(nullptr)), qmr::EConvertError);
}

TEST(IntVector, IntegerResultsWrapAtThirtyTwoBits) {
    TIntVector V(nullptr), W(nullptr);
    SetValues(V, Ints{kMax, kMin, 65536, -7});
    SetValues(W, Ints{1, -1, 65536, 3});
    EXPECT_EQ(V.Sum(0, 0), 65528);       // kMax + kMin = -1
    EXPECT_EQ(V.DotProduct(&W), -22);    // kMax + kMin (kMin * -1 wraps) + 0 (2^32 wraps) - 21
    V.Add(&W);
    EXPECT_EQ(ValuesOf<int>(V), (Ints{kMin, kMax, 131072, -4}));
    V.Subtract(&W);
    V.SMult(65536);
    EXPECT_EQ(ValuesOf<int>(V), (Ints{-65536, 0, 0, -458752}));
    SetValues(V, Ints{kMin, -5});
    V.AbsVal();
    EXPECT_EQ(ValuesOf<int>(V), (Ints{kMin, 5}));
    W.Resize(3);
    EXPECT_THROW(V.Add(&W), EQMRVectorError);
    EXPECT_EQ(V.DotProduct(nullptr), 0);
    // Correlate pairs self[i] with other[i + shift]; positions outside read 0; no minimum overlap.
    SetValues(V, Ints{1, 2, 3});
    SetValues(W, Ints{1, 1, 1});
    EXPECT_EQ(V.Correlate(&W, 1), 3);  // 1 * 1 + 2 * 1 + 3 * 0
    SetValues(W, Ints{1, 10, 100});
    for (auto [Shift, Want] : {std::pair{1, 210}, {-1, 32}, {2, 100}, {-2, 3}, {3, 0}, {kMax, 0}, {kMin, 0}})
        EXPECT_EQ(V.Correlate(&W, Shift), Want) << Shift;
    SetValues(V, Ints{65536, 65536});
    EXPECT_EQ(V.Correlate(&V, 0), 0);  // 2 * 2^32 wraps to 0
}

TEST(IntVector, RealResultsFormSquaresInSixtyFourBits) {
    TIntVector V(nullptr), W(nullptr);
    SetValues(V, Ints{46341, 46341});
    EXPECT_NEAR(static_cast<double>(V.Leng()), 46341 * std::sqrt(2.0), 1e-9);
    SetValues(V, Ints{kMin, 0});
    SetValues(W, Ints{kMax, 0});
    EXPECT_NEAR(V.EuclideanDistance(&W), 4294967295.0, 1e-5);  // the square summed in double
    EXPECT_THROW(V.EuclideanDistance(nullptr), EQMRVectorError);
    EXPECT_EQ(V.Find(0, 0, kMax), 2);  // |kMin - kMax| does not wrap to 1
    SetValues(V, Ints{kMin, 0, kMax});
    for (auto [X, Want] : {std::pair{kMax - 1, 3}, {-1073741825, 1}, {-1073741824, 2} /* a tie: the higher */})
        EXPECT_EQ(V.FindInSortedVector(true, X), Want) << X;
    // Exact rational arithmetic (Python fractions) for the moments and r; scipy 1.10 for the
    // sample skewness and kurtosis; numpy.percentile (linear, weibull) for the order statistics.
    SetValues(V, Ints{kMax, -kMax, 5, 100000, -99999, 46341, 7, -3});
    SetValues(W, Ints{1, 2, 3, 4, 5, 6, 7, kMin});
    double Mean, Var, S, K, Q1, Q2, Q3;
    V.MeanVar(0, 0, Mean, Var);
    EXPECT_EQ(Mean, 5793.875);
    EXPECT_NEAR(Var, 1.3176245785919396e+18, 1e-15 * 1.3176245785919396e+18);
    EXPECT_NEAR(V.PearsonCorrCoeff(&W), 2.0401876765677037e-06, 1e-9 * 2.04e-06);
    V.SkewKurtSample(0, 0, S, K);
    EXPECT_NEAR(S, -2.0189858193502362e-05, 1e-9);
    EXPECT_NEAR(K, 3.499999960515634, 1e-12);
    EXPECT_EQ(V.Percentile(50, 0, 0), 6);
    EXPECT_EQ(V.Percentile(100, 0, 0), kMax);
    EXPECT_NEAR(V.Percentile(30, 0, 0), -2.2, 1e-12);
    V.Quartiles(0, 0, Q1, Q2, Q3);
    EXPECT_EQ(std::tuple(Q1, Q2, Q3), std::tuple(-75000.0, 6.0, 86585.25));
    SetValues(V, Ints{3, 1, 3, 1});
    EXPECT_EQ(V.Mode(0, 0), 1);
    SetValues(V, Ints{9, 9, 9, 9});
    V.SkewKurtSample(0, 0, S, K);
    EXPECT_EQ(std::pair(S, K), std::pair(0.0, 0.0));
}

TEST(IntVector, ExtremesExactFindsAndSorting) {
    TIntVector V(nullptr);
    int Mn, Mx, MnI, MxI, A, B;
    SetValues(V, Ints{kMin});
    V.MinMax(0, 0, Mn, Mx, MnI, MxI);
    EXPECT_EQ(std::tuple(Mn, Mx, MnI, MxI), std::tuple(kMin, -kMax, 1, 0));  // the start values stay
    SetValues(V, Ints{4, 7, 7, -1, -1});
    V.MinMax(0, 0, Mn, Mx, MnI, MxI);
    EXPECT_EQ(std::tuple(Mn, Mx, MnI, MxI), std::tuple(-1, 7, 4, 2));
    EXPECT_EQ(std::tuple(V.FindExact(0, 0, 7), V.FindExact(0, 0, 5), V.FindExact(3, 9, 7)), std::tuple(2, 0, 3));
    EXPECT_FALSE(V.IsDichotomous(A, B));
    std::vector<std::pair<int, int>> Ex;
    V.OnSortExchange = [&](qmr::TObject*, std::uint8_t, std::int32_t I, std::int32_t J, std::int32_t,
                           std::int32_t) { Ex.emplace_back(I, J); };
    SetValues(V, Ints{3, 2, 1});
    V.SortElems(true, 0, 0);
    EXPECT_EQ(ValuesOf<int>(V), (Ints{1, 2, 3}));
    EXPECT_EQ(Ex, (std::vector<std::pair<int, int>>{{1, 2}, {2, 3}, {1, 2}}));
}

TEST(IntVector, HistogramBinsMessagesAndSelfTarget) {
    TIntVector V(nullptr), H(nullptr);
    V.SetName("Hv");
    int U, O, M;
    SetValues(V, Ints{-1, 0, 9, 10, 3, 3});
    ASSERT_TRUE(V.Histogram(1, 6, 0, 9, 0, &H, U, O, M));  // width 0 is width 1: ten bins
    EXPECT_EQ(std::tuple(ValuesOf<int>(H), U, O, M), std::tuple(Ints{1, 0, 0, 2, 0, 0, 0, 0, 0, 1}, 1, 1, 2));
    for (std::tuple B : {std::tuple{0, 1000, 2}, {kMin, kMax, 1}})
        EXPECT_TRUE(ThrowsWith<EQMRVectorError>(
            [&] { V.Histogram(1, 6, std::get<0>(B), std::get<1>(B), std::get<2>(B), &H, U, O, M); },
            "Component \"Hv.Histogram\": invalid number of bins"));
    EXPECT_FALSE(V.Histogram(1, 6, 0, 9, 1, nullptr, U, O, M));
    // Bin arithmetic in 64 bits across the whole integer range: three bins of 2^31 - 1.
    SetValues(V, Ints{kMin, -1, kMax});
    ASSERT_TRUE(V.Histogram(1, 3, kMin, kMax, kMax, &H, U, O, M));
    EXPECT_EQ(ValuesOf<int>(H), (Ints{1, 1, 1}));
    // Itself as target: counted from a copy; outside positions are zeros, saturating.
    SetValues(V, Ints{0, 1, 1, 2});
    ASSERT_TRUE(V.Histogram(-1, 4, 0, 1, 1, &V, U, O, M));
    EXPECT_EQ(std::tuple(ValuesOf<int>(V), U, O, M), std::tuple(Ints{3, 2}, 0, 1, 3));
    ASSERT_TRUE(V.Histogram(kMin, kMax, 5, 5, 1, &H, U, O, M));
    EXPECT_EQ(std::tuple(U, H.Elem(1), M), std::tuple(kMax, 0, 0));
}

}  // namespace
