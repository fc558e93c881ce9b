// Dean-Dixon and Grubbs outlier tests, the Durbin-Watson statistic and its 5% bounds.
#include "qmr_test_support.h"

#include "analysis/detail/QMR_statis_tables.h"

#include <cmath>
#include <array>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace qmr;
using qmr::test::NaN;
using qmr::test::RaisedMessage;

std::unique_ptr<TVector> Vec(const std::vector<double>& X) {
    auto V = std::make_unique<TVector>(nullptr);
    qmr::test::SetValues(*V, X);
    return V;
}

constexpr auto D050 = TSignifLevelEx::Dot050;

// ---------------------------------------------------------------- published values

TEST(StatisTables, DeanDixonPublishedRowsAndShape) {
    EXPECT_EQ(std::vector<double>(NumericSigLevel.begin(), NumericSigLevel.end()),
              (std::vector<double>{0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5}));
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
    // Every row falls as the level rises; every column falls (or stays) with n while the
    // ratio keeps its form (n = 3..7, 8..10, 11..13, 14..100).
    const auto& T = detail::DeanDixonCritTable;
    for (int n = 3; n <= 100; ++n)
        for (int L = 0; L < 9; ++L) {
            if (L > 0) {
                EXPECT_LT(T[n - 3][L], T[n - 3][L - 1]) << n;
            }
            if (n != 3 && n != 8 && n != 11 && n != 14) {
                EXPECT_LE(T[n - 3][L], T[n - 4][L]) << n << " " << L;
            }
        }
    // One row of each ratio form against a second Monte Carlo run (1e7 normal samples per
    // n, np.partition on the order statistics, seed [77, n]; tools/check_statis_tables.py).
    for (const auto& [n, Row] : std::initializer_list<std::pair<int, std::array<double, 9>>>{
             {7, {0.7627, 0.7305, 0.6805, 0.6368, 0.5864, 0.5071, 0.4340, 0.3442, 0.1838}},
             {9, {0.7518, 0.7210, 0.6751, 0.6341, 0.5867, 0.5109, 0.4401, 0.3516, 0.1893}},
             {12, {0.7394, 0.7143, 0.6764, 0.6434, 0.6056, 0.5457, 0.4898, 0.4197, 0.2843}},
             {50, {0.4596, 0.4393, 0.4095, 0.3838, 0.3554, 0.3116, 0.2723, 0.2255, 0.1424}}})
        for (int L = 0; L < 9; ++L)
            EXPECT_NEAR(T[n - 3][L], Row[static_cast<std::size_t>(L)], 2.5e-3) << n << " " << L;
    for (const int n : {2, 101, -3}) EXPECT_EQ(DeanDixonCriticalValues(n, D050), -1) << n;
}

TEST(StatisTables, DurbinWatsonPublishedValues) {
    struct Case { int n, k; double L, U; };
    for (const Case& C : std::initializer_list<Case>{
             {6, 1, 0.610, 1.400}, {10, 1, 0.879, 1.320}, {10, 2, 0.697, 1.641}, {10, 3, 0.525, 2.016},
             {10, 4, 0.376, 2.414}, {10, 5, 0.243, 2.822}, {25, 20, 0.041, 3.790}, {50, 1, 1.503, 1.585},
             {100, 1, 1.654, 1.694}, {100, 20, 1.229, 2.164}}) {
        double L = 0, U = 0;
        ASSERT_TRUE(DurbinWatsonCrit5pct(C.n, C.k, L, U)) << C.n << " " << C.k;
        EXPECT_EQ(L, C.L) << C.n << " " << C.k;
        EXPECT_EQ(U, C.U) << C.n << " " << C.k;
    }
    // The k = 1 coefficients as published ...
    const double* Low150 = detail::DurbinWatsonLowPoly150[0];
    EXPECT_EQ(std::vector<double>(Low150, Low150 + 7), (std::vector<double>{-0.0117024, 7.2534e-05, -4.54802e-07,
                                                                           2.77802e-09, -1.82713e-11, 1.61046e-13,
                                                                           -7.61412e-16}));
    const auto &HL = detail::DurbinWatsonLowHyperbola[0], &HU = detail::DurbinWatsonHighHyperbola[0];
    EXPECT_EQ((std::array{HL[0], HL[1], HU[0], HU[1]}), (std::array{-12.4106, -0.512356, -13.3122, 0.490158}));
    // ... and the published k = 1 dL where the pieces join.
    for (const auto& [n, Want] : std::initializer_list<std::pair<int, double>>{
             {101, 1.6558}, {150, 1.7197}, {201, 1.7591}, {501, 1.8493}, {2000, 1.9255}}) {
        double L = 0, U = 0;
        ASSERT_TRUE(DurbinWatsonCrit5pct(n, 1, L, U));
        EXPECT_NEAR(L, Want, 5e-5) << n;
    }
}

// ---------------------------------------------------------------- Dean-Dixon

TEST(DeanDixon, RatioFormChangesWithTheSampleSizeOnBothEnds) {
    // 0, 1, .., n - 2 and an outlier n + 8: x1 = 0, x2 = 1, x3 = 2, x(n-2) = n - 3,
    // x(n-1) = n - 2, xn = n + 8; the expected high ratios by hand. Negated, the same
    // ratio belongs to the smallest value at the same position.
    for (const auto& [n, Want] : std::initializer_list<std::pair<int, double>>{
             {7, 10.0 / 15}, {8, 10.0 / 15}, {10, 10.0 / 17}, {11, 11.0 / 18}, {13, 11.0 / 20}, {14, 11.0 / 20},
             {100, 11.0 / 106}})
        for (const double Sign : {1.0, -1.0}) {
            std::vector<double> X(static_cast<std::size_t>(n));
            for (int i = 1; i <= n; ++i) X[static_cast<std::size_t>(i - 1)] = Sign * (i < n ? i - 1 : n + 8);
            const auto D = Vec(X);
            double Q = -1;
            const std::int32_t Pos = DeanDixonTest(D.get(), TSignifLevelEx::Dot100, Q);
            EXPECT_DOUBLE_EQ(Q, Want) << n << " " << Sign;
            EXPECT_EQ(Pos, Q > DeanDixonCriticalValues(n, TSignifLevelEx::Dot100) ? n : 0) << n << " " << Sign;
        }
}

TEST(DeanDixon, SuspectPositionTiesAndLimits) {
    struct Case { std::vector<double> X; TSignifLevelEx Level; std::int32_t Pos; double Q; };
    for (const Case& C : std::initializer_list<Case>{
             {{1, 2, 3, 4, 100}, D050, 5, 96.0 / 99},
             // the low end, the first of two equal suspects (n = 11: (x3 - x1) / (x(n-1) - x1))
             {{5, -100, 4, 3, -100, 2, 1, 0, 6, 7, 8}, TSignifLevelEx::Dot100, 2, 100.0 / 107},
             {{5, 4, -100, 3, 2, 1}, D050, 3, 101.0 / 105},
             // equal ratios at both ends (n = 8): the smallest value is the suspect
             {{100, 0, -100, 0, 0, 0, 0, 0}, D050, 3, 1},
             {{7, 7, 7, 7, 7}, TSignifLevelEx::Dot500, 0, 0},
             // equal to the critical value is not beyond it: 1 - (1 - 0.941) is 0.941 exactly
             {{0, 1 - 0.941, 1}, D050, 0, 0.941},
             {{0, 0.0589, 1}, D050, 3, 0.9411}}) {
        const auto D = Vec(C.X);
        double Q = -1;
        EXPECT_EQ(DeanDixonTest(D.get(), C.Level, Q), C.Pos) << C.X.size() << " " << C.X[0];
        EXPECT_DOUBLE_EQ(Q, C.Q) << C.X.size() << " " << C.X[0];
        EXPECT_EQ(qmr::test::ValuesOf(*D), C.X);  // the caller's data stay as they were
    }
    const auto Two = Vec({1, 2}), Many = Vec(std::vector<double>(101));
    struct Refusal { const TVector* Data; std::string Text; };
    for (const Refusal& R : std::initializer_list<Refusal>{
             {Two.get(), "DeanDixonTest: number of data points is too low"},
             {nullptr, "DeanDixonTest: number of data points is too low"},
             {Many.get(), "DeanDixonTest: number of data points is too high"}}) {
        double Q = 5;
        EXPECT_EQ(RaisedMessage<EQMRStatisError>([&] { DeanDixonTest(R.Data, D050, Q); }), R.Text);
        EXPECT_EQ(Q, 0.0);
    }
}

// ---------------------------------------------------------------- Grubbs

TEST(Grubbs, CriticalValuesAgainstTheTQuantile) {
    // (n - 1)/sqrt(n) sqrt(t^2 / (n - 2 + t^2)), t the quantile of upper tail alpha / (k n)
    // solved in mpmath (40 digits) on betainc; scipy.stats.t.isf agrees within 2e-9 relative.
    struct Case { int n; double Alpha; bool Two; double Want; };
    for (const Case& C : std::initializer_list<Case>{
             {3, 0.05, true, 1.1543048513440384}, {4, 0.05, true, 1.48125},
             {10, 0.05, true, 2.2899540844796004}, {10, 0.01, false, 2.4097245871541462},
             {30, 0.001, true, 3.610290690371401}, {100, 0.2, false, 2.8253902915875021},
             {1000, 0.05, true, 4.0399781637615097}, {50000, 1e-6, true, 6.7045490111231609}})
        EXPECT_NEAR(GrubbsCriticalValues(C.n, C.Alpha, C.Two), C.Want, 1e-12 * C.Want) << C.n << " " << C.Alpha;
    for (const auto& [n, Alpha] : std::initializer_list<std::pair<int, double>>{
             {2, 0.05}, {-5, 0.05}, {10, 0}, {10, 1}, {10, -0.1}, {10, NaN}})
        EXPECT_EQ(GrubbsCriticalValues(n, Alpha, true), -1) << n << " " << Alpha;
}

TEST(Grubbs, TestFindsTheFirstLargestDeviation) {
    std::vector<double> PlusMinus(30);  // +1 and -1 among zeros: G = sqrt(29 / 2) at both
    PlusMinus[4] = 1;
    PlusMinus[19] = -1;
    struct Case { std::vector<double> X; double Alpha; std::int32_t Pos; double G; };
    // G by numpy: max |x - mean| / std(ddof=1).
    for (const Case& C : std::initializer_list<Case>{
             {{2.1, 2.4, 2.3, 2.2, 9.0, 2.5, 2.6, 2.2, 2.0, 2.4}, 0.05, 5, 2.8355416250191143},
             {{2.1, 2.4, 2.3, 2.2, 9.0, 2.5, 2.6, 2.2, 2.0, 2.4}, 1e-9, 0, 2.8355416250191143},
             {PlusMinus, 0.05, 5, std::sqrt(14.5)},
             // between the one-sided (2.1761) and the two-sided (2.2900) value: not an outlier
             {{0, 1, 2, 3, 4, 5, 6, 7, 8, 14}, 0.05, 0, 2.2045407685048604},
             {{0, 1, 2, 3, 4, 5, 6, 7, 8, 15.5}, 0.05, 10, 2.3206239139101106},
             {{3, 3, 3, 3}, 0.05, 0, 0}}) {
        const auto D = Vec(C.X);
        double G = -1;
        EXPECT_EQ(GrubbsTest(D.get(), C.Alpha, G), C.Pos) << C.X.size() << " " << C.X.back();
        EXPECT_DOUBLE_EQ(G, C.G) << C.X.size() << " " << C.X.back();
    }
    // The level is checked before the count; a refusal leaves G = 0.
    const auto Three = Vec({1, 2, 30});
    struct Refusal { const TVector* Data; double Alpha; std::string Text; };
    for (const Refusal& R : std::initializer_list<Refusal>{
             {Three.get(), 0.0, "GrubbsTest: invalid level of significance"},
             {Three.get(), 1.0, "GrubbsTest: invalid level of significance"},
             {Three.get(), NaN, "GrubbsTest: invalid level of significance"},
             {Three.get(), 0.05, "GrubbsTest: number of data points is too low"},
             {nullptr, 0.05, "GrubbsTest: number of data points is too low"}}) {
        double G = 5;
        EXPECT_EQ(RaisedMessage<EQMRStatisError>([&] { GrubbsTest(R.Data, R.Alpha, G); }), R.Text);
        EXPECT_EQ(G, 0.0);
    }
}

// ---------------------------------------------------------------- Durbin-Watson

TEST(DurbinWatson, Statistic) {
    struct Case { TDoubleArray E; double Want; };
    // Scaled sums: no underflow of e^2; a value that is not a number gives NaN, even among zeros.
    for (const Case& C : std::initializer_list<Case>{
             {{}, 2}, {{1, -7}, 2}, {{1, -1, 1, -1}, 3}, {{1, 2, 3}, 2.0 / 14}, {{0, 0, 0, 0}, 0},
             {{1e-200, -1e-200, 1e-200, -1e-200}, 3}, {{1e200, 2e200, 3e200}, 2.0 / 14},
             {{0, 0, NaN}, NaN}, {{NaN, 0, 0, 0}, NaN}, {{1, NaN, 2}, NaN}}) {
        const double D = DurbinWatson(C.E);
        if (std::isnan(C.Want)) {
            EXPECT_TRUE(std::isnan(D)) << C.E.size();
        } else {
            EXPECT_DOUBLE_EQ(D, C.Want) << C.E.size();
        }
    }
}

TEST(DurbinWatson, BoundsAgainstExactPoints) {
    // Exact 5% points of sum(l z^2) / sum(z^2) over the smallest / largest n - k - 1 of
    // l_j = 2 (1 - cos(pi j / n)), by Imhof's integral (scipy.integrate.quad, brentq);
    // the stored rows are them rounded to three decimals.
    struct Case { int n, k; double L, U; };
    for (const Case& C : std::initializer_list<Case>{
             {7, 1, 0.699544, 1.356344}, {8, 2, 0.559072, 1.777103}, {9, 4, 0.295712, 2.588101},
             {12, 6, 0.268133, 2.831954}, {15, 1, 1.076962, 1.360546}, {18, 10, 0.244053, 3.073451},
             {20, 15, 0.063275, 3.676181}, {30, 3, 1.213803, 1.649806}, {33, 8, 0.927424, 2.084548},
             {40, 20, 0.430534, 2.974308}, {45, 4, 1.335711, 1.719998}, {60, 5, 1.408323, 1.767112},
             {64, 13, 1.149486, 2.099522}, {70, 10, 1.304689, 1.948047}, {77, 17, 1.139542, 2.182481},
             {85, 1, 1.623504, 1.671046}, {93, 9, 1.457305, 1.878704}, {99, 19, 1.247040, 2.139311},
             {101, 1, 1.655824, 1.695770}, {150, 7, 1.636665, 1.831592}, {200, 20, 1.553905, 1.990756},
             {201, 3, 1.738876, 1.799420}, {350, 12, 1.754134, 1.895814}, {500, 20, 1.770446, 1.936626},
             {501, 5, 1.833174, 1.873479}, {1000, 10, 1.875889, 1.916280}, {2000, 20, 1.906289, 1.946683},
             {2000, 1, 1.925474, 1.927474}, {401, 1, 1.831105, 1.841102}, {1707, 2, 1.918074, 1.922766},
             {103, 3, 1.619551, 1.739237}, {442, 4, 1.825622, 1.862136}, {1203, 5, 1.896883, 1.913575},
             {152, 6, 1.653670, 1.817487}, {389, 7, 1.797084, 1.870317}, {929, 8, 1.874822, 1.909558},
             {197, 9, 1.672234, 1.862933}, {217, 10, 1.682240, 1.874678}, {917, 11, 1.867227, 1.915774},
             {138, 12, 1.537577, 1.913428}, {371, 13, 1.757535, 1.902438}, {1113, 14, 1.876033, 1.926968},
             {113, 15, 1.405450, 1.999374}, {214, 16, 1.618176, 1.938229}, {502, 17, 1.783770, 1.923672},
             {105, 18, 1.304282, 2.091415}, {245, 19, 1.626335, 1.959103}, {1998, 20, 1.906231, 1.946667}}) {
        double L = 0, U = 0;
        ASSERT_TRUE(DurbinWatsonCrit5pct(C.n, C.k, L, U)) << C.n << " " << C.k;
        const double Tol = C.n <= 100 ? 5.01e-4 : 2.1e-4;  // three decimals, the fits
        EXPECT_NEAR(L, C.L, Tol) << C.n << " " << C.k;
        EXPECT_NEAR(U, C.U, Tol) << C.n << " " << C.k;
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
    // The stored rows: 0 exactly where n - k < 5; elsewhere 0 < dL < dU < 4, dL rises with
    // n, and from n = 40 on both run smoothly (second differences within the rounding).
    const auto &TL = detail::DurbinWatsonLowTable, &TU = detail::DurbinWatsonHighTable;
    for (int n = 6; n <= 100; ++n)
        for (int k = 1; k <= 20; ++k) {
            const double L = TL[n - 6][k - 1], U = TU[n - 6][k - 1];
            if (n - k < 5) {
                EXPECT_TRUE(L == 0 && U == 0) << n << " " << k;
                continue;
            }
            EXPECT_TRUE(0 < L && L < U && U < 4) << n << " " << k;
            if (n - k > 5) {
                EXPECT_GT(L, TL[n - 7][k - 1]) << n << " " << k;
            }
            for (const auto* T : {&TL, &TU})
                if (n >= 40 && n < 100) {
                    EXPECT_LE(std::fabs((*T)[n - 5][k - 1] - 2 * (*T)[n - 6][k - 1] + (*T)[n - 7][k - 1]), 3.5e-3)
                        << n << " " << k;
                }
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

TEST(DurbinWatson, EachPieceServesItsOwnRange) {
    // The first and last n of each fitted piece against its coefficients (the pieces agree
    // within 2e-4 where they meet, so only this tells which one answered).
    const double Z = nDistriQuantile(0.05);
    for (int k = 1; k <= 20; ++k)
        for (const int n : {101, 200, 201, 500, 501, 2000}) {
            const auto Poly = [&](const double (&A)[20][7], double x) {
                double S = 0;
                for (int j = 6; j >= 0; --j) S = S * x + A[k - 1][j];
                return S;
            };
            const auto Hyp = [&](const double (&A)[20][2]) { return 1 / (n * A[k - 1][1] + A[k - 1][0]); };
            const bool First = n <= 200, Second = n > 200 && n <= 500;
            const double dL = First ? Poly(detail::DurbinWatsonLowPoly150, n - 150)
                              : Second ? Poly(detail::DurbinWatsonLowPoly350, n - 350)
                                       : Hyp(detail::DurbinWatsonLowHyperbola);
            const double dU = First ? Poly(detail::DurbinWatsonHighPoly150, n - 150)
                              : Second ? Poly(detail::DurbinWatsonHighPoly350, n - 350)
                                       : Hyp(detail::DurbinWatsonHighHyperbola);
            double L = 0, U = 0;
            ASSERT_TRUE(DurbinWatsonCrit5pct(n, k, L, U));
            EXPECT_NEAR(L, 2 + Z * std::sqrt(4.0 / n) + dL, 1e-12) << n << " " << k;
            EXPECT_NEAR(U, 2 + Z * std::sqrt(4.0 / n) + dU, 1e-12) << n << " " << k;
        }
}

}  // namespace
