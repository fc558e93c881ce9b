// Dean-Dixon and Grubbs outlier tests, the Durbin-Watson statistic and its 5% bounds.
#include "qmr_test_support.h"

#include "analysis/detail/QMR_statis_tables.h"

#include <cmath>
#include <initializer_list>
#include <string>

namespace {

using namespace qmr;
using qmr::test::NaN;

struct Vec {
    TVector V{nullptr};
    explicit Vec(std::initializer_list<double> X) {
        V.SetNrOfElem(static_cast<std::int32_t>(X.size()));
        std::int32_t i = 0;
        for (double x : X) V.SetElem(++i, x);
    }
    explicit Vec(std::int32_t n, double Fill = 0) {
        V.SetNrOfElem(n);
        for (std::int32_t i = 1; i <= n; ++i) V.SetElem(i, Fill);
    }
};

template <class F>
void ExpectStatisError(F&& Call, const std::string& Text) {
    try {
        Call();
        ADD_FAILURE() << "no exception, expected: " << Text;
    } catch (const EQMRStatisError& E) {
        EXPECT_EQ(std::string(E.what()), Text);
    }
}

// ---------------------------------------------------------------- published values

TEST(StatisTables, DeanDixonPublishedRows) {
    const std::initializer_list<std::pair<int, std::array<double, 9>>> Rows = {
        {3, {0.999, 0.998, 0.994, 0.988, 0.976, 0.941, 0.886, 0.782, 0.501}},
        {4, {0.964, 0.949, 0.921, 0.889, 0.847, 0.766, 0.679, 0.561, 0.324}},
        {5, {0.895, 0.869, 0.824, 0.782, 0.729, 0.643, 0.559, 0.452, 0.251}},
        {99, {0.387, 0.368, 0.341, 0.318, 0.292, 0.254, 0.220, 0.180, 0.111}},
        {100, {0.387, 0.368, 0.341, 0.317, 0.292, 0.253, 0.219, 0.179, 0.111}}};
    for (const auto& [n, Row] : Rows)
        for (int L = 0; L < 9; ++L)
            EXPECT_EQ(DeanDixonCriticalValues(n, static_cast<TSignifLevelEx>(L)), Row[static_cast<std::size_t>(L)])
                << n << " " << L;
    // Every row falls as the level rises.
    for (int n = 3; n <= 100; ++n)
        for (int L = 1; L < 9; ++L)
            EXPECT_LT(detail::DeanDixonCritTable[n - 3][L], detail::DeanDixonCritTable[n - 3][L - 1]) << n;
    EXPECT_EQ(NumericSigLevel[static_cast<std::size_t>(TSignifLevelEx::Dot050)], 0.05);
}

TEST(StatisTables, DurbinWatsonPublishedValues) {
    struct Case {
        int n, k;
        double L, U;
    };
    for (const Case& C : std::initializer_list<Case>{{6, 1, 0.610, 1.400},
                                                     {10, 1, 0.879, 1.320},
                                                     {10, 2, 0.697, 1.641},
                                                     {10, 3, 0.525, 2.016},
                                                     {10, 4, 0.376, 2.414},
                                                     {10, 5, 0.243, 2.822},
                                                     {25, 20, 0.041, 3.790},
                                                     {50, 1, 1.503, 1.585},
                                                     {100, 1, 1.654, 1.694},
                                                     {100, 20, 1.229, 2.164}}) {
        double L = 0, U = 0;
        ASSERT_TRUE(DurbinWatsonCrit5pct(C.n, C.k, L, U)) << C.n << " " << C.k;
        EXPECT_EQ(L, C.L) << C.n << " " << C.k;
        EXPECT_EQ(U, C.U) << C.n << " " << C.k;
    }
    // The k = 1 coefficients as published.
    const double Low150[7] = {-0.0117024, 7.2534e-05, -4.54802e-07, 2.77802e-09, -1.82713e-11, 1.61046e-13,
                              -7.61412e-16};
    for (int j = 0; j < 7; ++j) EXPECT_EQ(detail::DurbinWatsonLowPoly150[0][j], Low150[j]) << j;
    EXPECT_EQ(detail::DurbinWatsonLowHyperbola[0][0], -12.4106);
    EXPECT_EQ(detail::DurbinWatsonLowHyperbola[0][1], -0.512356);
    EXPECT_EQ(detail::DurbinWatsonHighHyperbola[0][0], -13.3122);
    EXPECT_EQ(detail::DurbinWatsonHighHyperbola[0][1], 0.490158);
    // ... and the published k = 1 dL where the pieces join.
    for (const auto& [n, Want] : std::initializer_list<std::pair<int, double>>{
             {101, 1.6558}, {150, 1.7197}, {201, 1.7591}, {501, 1.8493}, {2000, 1.9255}}) {
        double L = 0, U = 0;
        ASSERT_TRUE(DurbinWatsonCrit5pct(n, 1, L, U));
        EXPECT_NEAR(L, Want, 5e-5) << n;
    }
}

// ---------------------------------------------------------------- Dean-Dixon

TEST(DeanDixon, RatioFormChangesWithTheSampleSize) {
    // 0, 1, .., n - 2 and an outlier n + 8: x1 = 0, x2 = 1, x3 = 2, x(n-2) = n - 3,
    // x(n-1) = n - 2, xn = n + 8; the expected high ratios by hand.
    for (const auto& [n, Want] : std::initializer_list<std::pair<int, double>>{
             {7, 10.0 / 15}, {8, 10.0 / 15}, {10, 10.0 / 17}, {11, 11.0 / 18}, {13, 11.0 / 20}, {14, 11.0 / 20},
             {100, 11.0 / 106}}) {
        Vec D(n);
        for (int i = 1; i < n; ++i) D.V.SetElem(i, i - 1);
        D.V.SetElem(n, n + 8);
        double Q = -1;
        const std::int32_t Pos = DeanDixonTest(&D.V, TSignifLevelEx::Dot050, Q);
        EXPECT_DOUBLE_EQ(Q, Want) << n;
        EXPECT_EQ(Pos, Q > DeanDixonCriticalValues(n, TSignifLevelEx::Dot050) ? n : 0) << n;
    }
}

TEST(DeanDixon, SuspectPositionTiesAndLimits) {
    double Q = -1;
    Vec A{1, 2, 3, 4, 100};
    EXPECT_EQ(DeanDixonTest(&A.V, TSignifLevelEx::Dot050, Q), 5);
    EXPECT_DOUBLE_EQ(Q, 96.0 / 99);
    // The low end, the first of two equal suspects (n = 11: (x3 - x1) / (x(n-1) - x1)).
    Vec B{5, -100, 4, 3, -100, 2, 1, 0, 6, 7, 8};
    EXPECT_EQ(DeanDixonTest(&B.V, TSignifLevelEx::Dot100, Q), 2);
    EXPECT_DOUBLE_EQ(Q, 100.0 / 107);
    Vec C{5, 4, -100, 3, 2, 1};
    EXPECT_EQ(DeanDixonTest(&C.V, TSignifLevelEx::Dot050, Q), 3);
    EXPECT_DOUBLE_EQ(Q, 101.0 / 105);
    EXPECT_EQ(C.V.Elem(3), -100);
    Vec Flat(5, 7.0);
    EXPECT_EQ(DeanDixonTest(&Flat.V, TSignifLevelEx::Dot500, Q), 0);
    EXPECT_EQ(Q, 0.0);
    // Equal to the critical value is not beyond it: 1 - (1 - 0.941) is 0.941 exactly.
    Vec Edge{0, 1 - 0.941, 1};
    EXPECT_EQ(DeanDixonTest(&Edge.V, TSignifLevelEx::Dot050, Q), 0);
    EXPECT_EQ(Q, 0.941);
    Edge.V.SetElem(2, 0.0589);
    EXPECT_EQ(DeanDixonTest(&Edge.V, TSignifLevelEx::Dot050, Q), 3);

    EXPECT_EQ(DeanDixonCriticalValues(2, TSignifLevelEx::Dot050), -1);
    EXPECT_EQ(DeanDixonCriticalValues(101, TSignifLevelEx::Dot050), -1);
    EXPECT_EQ(DeanDixonCriticalValues(3, TSignifLevelEx::Dot050), 0.941);
    Vec Two{1, 2}, Many(101);
    Q = 5;
    ExpectStatisError([&] { DeanDixonTest(&Two.V, TSignifLevelEx::Dot050, Q); },
                      "DeanDixonTest: number of data points is too low");
    EXPECT_EQ(Q, 0.0);
    ExpectStatisError([&] { DeanDixonTest(nullptr, TSignifLevelEx::Dot050, Q); },
                      "DeanDixonTest: number of data points is too low");
    ExpectStatisError([&] { DeanDixonTest(&Many.V, TSignifLevelEx::Dot050, Q); },
                      "DeanDixonTest: number of data points is too high");
}

// ---------------------------------------------------------------- Grubbs

TEST(Grubbs, CriticalValuesAgainstTheTQuantile) {
    // (n - 1)/sqrt(n) sqrt(t^2 / (n - 2 + t^2)), t the quantile of upper tail alpha / (k n)
    // solved in mpmath (40 digits) on betainc; scipy.stats.t.isf agrees within 2e-9 relative.
    struct Case {
        int n;
        double Alpha;
        bool Two;
        double Want;
    };
    for (const Case& C : std::initializer_list<Case>{{3, 0.05, true, 1.1543048513440384},
                                                     {4, 0.05, true, 1.48125},
                                                     {10, 0.05, true, 2.2899540844796004},
                                                     {10, 0.01, false, 2.4097245871541462},
                                                     {30, 0.001, true, 3.610290690371401},
                                                     {100, 0.2, false, 2.8253902915875021},
                                                     {1000, 0.05, true, 4.0399781637615097},
                                                     {50000, 1e-6, true, 6.7045490111231609}})
        EXPECT_NEAR(GrubbsCriticalValues(C.n, C.Alpha, C.Two), C.Want, 1e-12 * C.Want) << C.n << " " << C.Alpha;
    for (const auto& [n, Alpha] : std::initializer_list<std::pair<int, double>>{
             {2, 0.05}, {-5, 0.05}, {10, 0}, {10, 1}, {10, -0.1}, {10, NaN}})
        EXPECT_EQ(GrubbsCriticalValues(n, Alpha, true), -1) << n << " " << Alpha;
}

TEST(Grubbs, TestFindsTheFirstLargestDeviation) {
    double G = -1;
    // numpy: |x - mean| / std(ddof=1), largest at position 5.
    Vec A{2.1, 2.4, 2.3, 2.2, 9.0, 2.5, 2.6, 2.2, 2.0, 2.4};
    EXPECT_EQ(GrubbsTest(&A.V, 0.05, G), 5);
    EXPECT_NEAR(G, 2.8355416250191143, 1e-13);
    EXPECT_EQ(GrubbsTest(&A.V, 1e-9, G), 0);  // far beyond this sample's reach
    // +1 and -1 among zeros: G = sqrt(29 / 2) at both, above the n = 30 value; the first wins.
    Vec B(30);
    B.V.SetElem(5, 1);
    B.V.SetElem(20, -1);
    EXPECT_EQ(GrubbsTest(&B.V, 0.05, G), 5);
    EXPECT_DOUBLE_EQ(G, std::sqrt(14.5));
    Vec Flat(4, 3.0);
    EXPECT_EQ(GrubbsTest(&Flat.V, 0.05, G), 0);
    EXPECT_EQ(G, 0.0);

    Vec Three{1, 2, 30};
    for (double Bad : {0.0, 1.0, NaN})
        ExpectStatisError([&] { GrubbsTest(&Three.V, Bad, G); }, "GrubbsTest: invalid level of significance");
    ExpectStatisError([&] { GrubbsTest(&Three.V, 0.05, G); }, "GrubbsTest: number of data points is too low");
    ExpectStatisError([&] { GrubbsTest(nullptr, 0.05, G); }, "GrubbsTest: number of data points is too low");
}

// ---------------------------------------------------------------- Durbin-Watson

TEST(DurbinWatson, Statistic) {
    struct Case {
        TDoubleArray E;
        double Want;
    };
    for (const Case& C : std::initializer_list<Case>{{{}, 2},
                                                     {{1, -7}, 2},
                                                     {{1, -1, 1, -1}, 3},
                                                     {{1, 2, 3}, 2.0 / 14},
                                                     {{0, 0, 0, 0}, 0},
                                                     // scaled sums: no underflow of e^2
                                                     {{1e-200, -1e-200, 1e-200, -1e-200}, 3},
                                                     {{1e200, 2e200, 3e200}, 2.0 / 14}})
        EXPECT_DOUBLE_EQ(DurbinWatson(C.E), C.Want) << C.E.size();
    // A value that is not a number makes the statistic NaN, even among zeros.
    for (const TDoubleArray& E : {TDoubleArray{0, 0, NaN}, TDoubleArray{NaN, 0, 0, 0}, TDoubleArray{1, NaN, 2}})
        EXPECT_TRUE(std::isnan(DurbinWatson(E))) << E.size();
}

TEST(DurbinWatson, BoundsAgainstExactPoints) {
    // Exact 5% points of sum(l z^2) / sum(z^2) over the smallest / largest n - k - 1 of
    // l_j = 2 (1 - cos(pi j / n)), by Imhof's integral (scipy.integrate.quad, brentq).
    struct Case {
        int n, k;
        double L, U;
    };
    for (const Case& C : std::initializer_list<Case>{{101, 1, 1.655824, 1.695770},
                                                     {150, 7, 1.636665, 1.831592},
                                                     {200, 20, 1.553905, 1.990756},
                                                     {201, 3, 1.738876, 1.799420},
                                                     {350, 12, 1.754134, 1.895814},
                                                     {500, 20, 1.770446, 1.936626},
                                                     {501, 5, 1.833174, 1.873479},
                                                     {1000, 10, 1.875889, 1.916280},
                                                     {2000, 20, 1.906289, 1.946683},
                                                     {2000, 1, 1.925474, 1.927474}}) {
        double L = 0, U = 0;
        ASSERT_TRUE(DurbinWatsonCrit5pct(C.n, C.k, L, U)) << C.n << " " << C.k;
        EXPECT_NEAR(L, C.L, 2.1e-4) << C.n << " " << C.k;
        EXPECT_NEAR(U, C.U, 2.1e-4) << C.n << " " << C.k;
    }
    // No jumps where the pieces meet, for every k: the step from n to n + 1 is the mean of
    // its neighbours' steps up to the table's rounding.
    for (int k = 1; k <= 20; ++k)
        for (int n : {100, 200, 500}) {
            double L[4], U[4];
            for (int i = 0; i < 4; ++i) ASSERT_TRUE(DurbinWatsonCrit5pct(n - 1 + i, k, L[i], U[i]));
            EXPECT_NEAR(L[2] - L[1], (L[3] - L[0]) / 3, 1.5e-3) << n << " " << k;
            EXPECT_NEAR(U[2] - U[1], (U[3] - U[0]) / 3, 1.5e-3) << n << " " << k;
        }
    // Refusals leave the bounds alone; (25, 20) is the last admissible k at n = 25.
    for (const auto& [n, k] : std::initializer_list<std::pair<int, int>>{
             {6, 2}, {2001, 1}, {5, 1}, {30, 0}, {30, 21}, {25, 21}, {-10, -20}}) {
        double L = -7, U = -8;
        EXPECT_FALSE(DurbinWatsonCrit5pct(n, k, L, U)) << n << " " << k;
        EXPECT_EQ(L, -7);
        EXPECT_EQ(U, -8);
    }
}

}  // namespace
