// TCurveFit: running sums, statistics, fits, rank statistics and the ASC table.
// Reference values: numpy 1.24 / scipy 1.10 (/usr/bin/python3), offline.
#include "qmr_test_support.h"

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace qmr::detail {
struct TCurveFitAccess {
    static const TCurveFitSums& Sums(const TCurveFit& C) { return C.FSums; }
    static std::uint8_t ErrIndic(const TCurveFit& C) { return C.FErrIndic; }
    static std::array<std::int64_t, 4> Counts(const TCurveFit& C) {
        C.KruskalGamma();
        return {C.FKendallConcord, C.FKendallDiscord, C.FKendallTies1, C.FKendallTies2};
    }
};
}  // namespace qmr::detail

namespace {

using namespace qmr;
using Acc = detail::TCurveFitAccess;
using Pairs = std::vector<std::pair<double, double>>;
using E = EQMRMath2Error;

// The shared data set of the references.
const std::vector<double> kX = {0.5, 1.25, 2.0, 3.5, 3.75, 5.0, 6.5, 7.25, 8.0, 9.5, 10.25, 12.0};
const std::vector<double> kY = {2.1, 2.9, 4.4, 5.1, 6.9, 7.2, 9.8, 10.1, 12.6, 13.0, 15.7, 17.9};

void Fill(TCurveFit& C, const std::vector<double>& X, const std::vector<double>& Y) {
    for (std::size_t i = 0; i < X.size(); ++i) C.EnterStatValue(X[i], Y[i]);
}
void Fill(TCurveFit& C, const Pairs& P) {
    for (auto [x, y] : P) C.EnterStatValue(x, y);
}
// Every sum the same value bits (an 80-bit Extended has padding bytes: not compared).
bool SameSums(const detail::TCurveFitSums& A, const detail::TCurveFitSums& B) {
    constexpr std::size_t Count = sizeof A / sizeof(Extended), Bytes = sizeof(Extended) == 8 ? 8 : 10;
    const auto *a = reinterpret_cast<const Extended*>(&A), *b = reinterpret_cast<const Extended*>(&B);
    for (std::size_t i = 0; i < Count; ++i)
        if (std::memcmp(a + i, b + i, Bytes) != 0) return false;
    return true;
}
bool SameSums(const TCurveFit& A, const TCurveFit& B) { return SameSums(Acc::Sums(A), Acc::Sums(B)); }
#define EXPECT_REL(Got, Want, Tol) EXPECT_NEAR(Got, Want, (Tol) * std::fabs(Want))

TEST(CurveFitSums, ReplacedTermsAndErrorKinds) {
    constexpr Extended M = uc_MaxReal;
    constexpr std::uint8_t XLE0 = 1, YLE0 = 2, XEQ0 = 4, YEQ0 = 8;
    using S = detail::TCurveFitSums;
    // |v| <= 1e-30 is zero for the reciprocals; the logarithms test v > 0 and v != 0.
    struct Case {
        double x, y;
        std::uint8_t Err;
        std::vector<std::pair<Extended S::*, Extended>> Sums;
    } Cases[] = {{0, 4, XEQ0 | XLE0, {{&S::sum1byx, M}, {&S::sumybyx, 4 * M}, {&S::sum1byxy, M / 4}}},
                 {2, 1e-31, YEQ0, {{&S::sum1byy, M}, {&S::sumlny, std::log(Extended(1e-31))},
                                   {&S::sumlnxbyy, std::log(Extended(2)) / Extended(1e-31)}}},
                 {-1e-30, 2, XEQ0 | XLE0, {{&S::sum1byx, M}, {&S::sum1byxy, M / 2}}},
                 {-1, 0, XLE0 | YLE0 | YEQ0, {{&S::sumlnx, 0}, {&S::sumlny, 0}, {&S::sum1byxy, -M}}}};
    for (const auto& K : Cases) {
        TCurveFit C(nullptr);
        C.EnterStatValue(K.x, K.y);
        for (auto [Sum, Want] : K.Sums) EXPECT_EQ(Acc::Sums(C).*Sum, Want) << K.x;
        C.RemoveStatValue(1);
        EXPECT_EQ(Acc::ErrIndic(C), K.Err) << K.x;  // kept on removal
    }
}

TEST(CurveFitSums, RemoveAndFlip) {
    std::mt19937 G(7);
    std::uniform_real_distribution<double> U(-3, 3);
    std::vector<double> X(300), Y(300);
    for (int i = 0; i < 300; ++i) X[i] = U(G), Y[i] = i % 17 ? U(G) : 0.0;
    TCurveFit C(nullptr), Fresh(nullptr);
    Fill(C, X, Y);
    const double MaxX = C.MaxX();
    for (int ix : {1, 0, 301}) C.RemoveStatValue(ix);
    ASSERT_EQ(C.NumData(), 299);
    for (int i = 1; i <= 299; ++i) ASSERT_EQ(C.DataX(i), X[i]) << i;
    EXPECT_EQ(C.DataX(300), 0);
    EXPECT_EQ(C.MaxX(), MaxX);
    Fill(Fresh, std::vector<double>(X.begin() + 1, X.end()), std::vector<double>(Y.begin() + 1, Y.end()));
    const auto &A = Acc::Sums(C), &B = Acc::Sums(Fresh);
    for (auto Sum : {&detail::TCurveFitSums::sumx, &detail::TCurveFitSums::sumxy2, &detail::TCurveFitSums::sumx4,
                     &detail::TCurveFitSums::sumlnxq, &detail::TCurveFitSums::sumylny})
        EXPECT_NEAR(double(A.*Sum), double(B.*Sum), 1e-9 * std::fabs(B.*Sum) + 1e-9);
    EXPECT_NEAR(C.CorrCoeff(), Fresh.CorrCoeff(), 1e-13);

    // FlipXY equals entering the pairs the other way round; twice restores every bit.
    TCurveFit F(nullptr), Swapped(nullptr);
    Fill(F, {0, 1.5, -2, 1e-31, 4, 7}, {3, 0, 2.5, -1, 1e-40, 7});
    Fill(Swapped, {3, 0, 2.5, -1, 1e-40, 7}, {0, 1.5, -2, 1e-31, 4, 7});
    const detail::TCurveFitSums Before = Acc::Sums(F);
    F.FlipXY();
    EXPECT_TRUE(SameSums(F, Swapped));
    EXPECT_EQ(F.MinX(), Swapped.MinX());
    EXPECT_EQ(F.DataY(2), 1.5);
    F.FlipXY();
    EXPECT_TRUE(SameSums(Acc::Sums(F), Before));

    // Emptied by removals, the next pair starts afresh.
    while (C.NumData() > 0) C.RemoveStatValue(1);
    EXPECT_EQ(C.EnterStatValue(4, 2), 1);
    EXPECT_EQ(C.MeanX() + C.StdDevX(), 4);
    // A NaN is not <= the maximum: it replaces it, and the next value replaces the NaN.
    TCurveFit N(nullptr);
    Fill(N, {4, std::nan("")}, {1, 1});
    EXPECT_TRUE(std::isnan(N.MaxX()) && N.MinX() == 4);
    N.EnterStatValue(3, 1);
    EXPECT_TRUE(N.MaxX() == 3 && N.MinX() == 3);
}

TEST(CurveFitStatistics, AgreeWithNumpy) {
    TCurveFit C(nullptr);
    Fill(C, kX, kY);
    std::int32_t n = 0;
    double V[7];
    C.CalcStatistics(n, V[0], V[1], V[2], V[3], V[4], V[5], V[6]);
    EXPECT_EQ(n, 12);
    // means and std(ddof=1) of x, y, x - y, corrcoef; scipy skew, kurtosis (bias=False).
    const double Want[][2] = {{V[0], 5.791666666666667},     {V[1], 8.975},
                              {V[2], 3.726187018517683},     {V[3], 5.078855454457503},
                              {V[4], -3.183333333333333},    {V[5], 1.4677337715820342},
                              {V[6], 0.9914257714127785},    {C.SkewnessX(), 0.15966436894101282},
                              {C.SkewnessY(), 0.34330238260270446}, {C.KurtosisX(), -1.1234597424610564},
                              {C.KurtosisY(), -0.9272267389105799}};
    for (const auto& W : Want) EXPECT_REL(W[0], W[1], 1e-12);
    // The spare rows hold zeros: the order statistics must not see them.
    EXPECT_EQ(C.PercentileX(0), 0.5);
    EXPECT_EQ(C.PercentileY(100), 17.9);
    double q1, q2, q3;
    C.QuartilesX(q1, q2, q3);
    EXPECT_DOUBLE_EQ(q2, 5.75);

    // Far from the origin (numpy std(arange(1000), ddof=1), corrcoef(i, 37 i % 1000)),
    // also after removing a first pair far from the rest: its cancellation must go with it.
    for (double Lead : {1e9 - 1, -1e12}) {
        TCurveFit F(nullptr);
        F.EnterStatValue(Lead, Lead);
        for (int i = 0; i < 1000; ++i) F.EnterStatValue(1e9 + i, 1e9 + 0.3 * ((i * 37) % 1000));
        F.RemoveStatValue(1);
        EXPECT_NEAR(F.StdDevX(), 288.8194360957494, 1e-9);
        EXPECT_NEAR(F.CorrCoeff(), -0.006993006993006994, 1e-12);
        double k, d, q;
        F.CalcLinFit(k, d, q);
        EXPECT_NEAR(q, F.CorrCoeff() * F.CorrCoeff(), 1e-14);
    }

    // Below three pairs.
    TCurveFit S(nullptr);
    EXPECT_EQ(S.PercentileX(50) + S.MeanX() + S.MeanAngleX(), 0);
    Fill(S, {1, 3}, {2, 7});
    S.CalcStatistics(n, V[0], V[1], V[2], V[3], V[4], V[5], V[6]);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(V[1], 4.5);
    for (int j : {2, 3, 5, 6}) EXPECT_EQ(V[j], 0) << j;
    EXPECT_EQ((std::array{S.StdDevX(), S.StdDevY(), S.GetStdDevDiff(), S.CorrCoeff()}), (std::array{0., 0., 0., 0.}));
    S.Init();
    Fill(S, {5, 5, 5}, {1, 2, 4});  // x constant: no correlation
    EXPECT_EQ(S.CorrCoeff(), 0);
}

TEST(CurveFitStatistics, CircularMeans) {
    struct Case {
        std::vector<double> Deg;
        double Want;  // scipy.stats.circmean(deg, high=360, low=0)
    } Cases[] = {{{350, 10}, 0},
                 {{10, 20, 30, 355, 95.5, 200}, 29.89825895246068},
                 {{100, 200, 250}, 191.53056046639057},
                 {{350, 10, 20, 340.5, 15.25}, 3.2230882852074045}};
    for (const auto& K : Cases) {
        TCurveFit C(nullptr);
        for (double D : K.Deg) C.EnterStatValue(D, -D);
        const double M = C.MeanAngleX();
        EXPECT_TRUE(M >= 0 && M < 360) << M;
        EXPECT_NEAR(M, K.Want, 1e-10);
        EXPECT_EQ(C.CalcMeanDegrees(3), 0);
    }
}

TEST(CurveFitFits, ClosedForms) {
    TCurveFit C(nullptr);
    Fill(C, kX, kY);
    double L[3], P[4];
    C.CalcLinFit(L[0], L[1], L[2]);
    C.CalcParabolFit(P[0], P[1], P[2], P[3]);
    // scipy.stats.linregress (slope, intercept, r^2); numpy.polyfit(x, y, 2), 1 - SSres / SStot.
    const double Want[][2] = {{L[0], 1.3513299686263807}, {L[1], 1.1485472650388777}, {L[2], 0.982925060221423},
                              {P[0], 1.71092765801082},   {P[1], 1.0645503473880857}, {P[2], 0.02374177210337362},
                              {P[3], 0.9860609546564791}};
    for (const auto& W : Want) EXPECT_REL(W[0], W[1], 1e-12);

    // numpy.linalg.lstsq of [x, y, 1] c = x^2 + y^2; also moved far from the origin.
    const std::vector<double> CX = {7.99, 4.6, -1.0, -1.2, -1.9, 1.6, 5.3, 7.6},
                              CY = {-1.5, 1.9, 2.8, 0.6, -2.9, -6.8, -6.4, -3.6};
    for (double Off : {0.0, 1e6}) {
        TCurveFit Circ(nullptr);
        Circ.EnterStatValue(-1e7, 1e7);  // removed below: its cancellation must go with it
        for (std::size_t i = 0; i < CX.size(); ++i) Circ.EnterStatValue(CX[i] + Off, CY[i] - Off);
        Circ.RemoveStatValue(1);
        double r, dx, dy;
        Circ.CalcCircleFit(r, dx, dy);
        const double Tol = Off == 0 ? 1e-12 : 1e-7;
        EXPECT_NEAR(dx - Off, 2.728030103385106, Tol);
        EXPECT_NEAR(dy + Off, -1.8554090283307954, Tol);
        EXPECT_NEAR(r, 5.058789331506696, Tol);
    }
}

TEST(CurveFitFits, FailuresRaiseWithOutputsZero) {
    double o[4];
    auto Raises = [&](TCurveFit& C, int Fit, const std::string& Msg) {
        std::fill(o, o + 4, 1.0);
        const bool R = test::ThrowsWith<E>(
            [&] {
                if (Fit == 0) C.CalcLinFit(o[0], o[1], o[2]);
                else if (Fit == 1) C.CalcParabolFit(o[0], o[1], o[2], o[3]);
                else C.CalcCircleFit(o[0], o[1], o[2]);
            },
            Msg);
        return R && o[0] == 0 && o[1] == 0 && o[2] == 0;
    };
    TCurveFit C(nullptr);
    Fill(C, {1}, {1});
    EXPECT_TRUE(Raises(C, 0, "CalcLinFit: not enough data points"));
    C.EnterStatValue(2, 2);
    EXPECT_TRUE(Raises(C, 1, "CalcParabolFit: not enough data points"));
    EXPECT_TRUE(Raises(C, 2, "CalcCircleFit: not enough data points"));
    C.EnterStatValue(3, 3);
    EXPECT_TRUE(Raises(C, 2, "CalcCircleFit: radius is infinite"));
    C.Init();
    Fill(C, {0.1, 0.1, 0.1}, {1, 2, 4});  // equal x with a mean that is not exact
    EXPECT_TRUE(Raises(C, 0, "CalcLinFit: slope is infinite"));
    C.CalcParabolFit(o[0], o[1], o[2], o[3]);
    EXPECT_DOUBLE_EQ(o[0], 7.0 / 3);
    EXPECT_EQ(o[1] + o[2], 0);
    C.Init();
    Fill(C, {1, 2, 4}, {5, 5, 5});  // constant y: FitQual 1
    C.CalcLinFit(o[0], o[1], o[2]);
    EXPECT_EQ(o[2], 1);
}

TEST(CurveFitFits, AnovaAgainstFractions) {
    const std::vector<double> X = {3, 5, 7, 6, 9};
    struct Case {  // Python fractions
        std::vector<double> Y;
        bool Const;
        std::int32_t Dft;
        double SSE, SSR, SST, MSE, F;
    } Cases[] = {{{3.5, 4.5, 6.5, 7, 8.5}, true, 4, 2, 16, 20, 2.0 / 3, 24},
                 {{3.5, 4.5, 6.5, 7, 8.5}, false, 5, 2, 196, 200, 0.5, 392},
                 {{4.5, 5.5, 7.5, 8, 9.5}, true, 4, 7, 21, 20, 7.0 / 3, 9}};  // y about the mean of x
    std::int32_t dfreg, dfres, dft;
    double SSE, SSR, SST, MSE, MSR, F;
    for (const auto& K : Cases) {
        TCurveFit C(nullptr);
        Fill(C, X, K.Y);
        C.CalcAnovaReg(1, K.Const, dfreg, dfres, dft, SSE, SSR, SST, MSE, MSR, F);
        EXPECT_EQ((std::array{dfreg, dft, dfres}), (std::array{1, K.Dft, K.Dft - 1}));
        const double Got[] = {SSE, SSR, SST, MSE, MSR, F}, Want[] = {K.SSE, K.SSR, K.SST, K.MSE, K.SSR, K.F};
        for (int j = 0; j < 6; ++j) EXPECT_REL(Got[j], Want[j], 1e-12) << j;
    }
    // SSE = 0 < SSR gives 1e10; MSR = 0 gives 0, also with MSE = 0.
    struct Special {
        std::vector<double> X, Y;
        double F;
    } Specials[] = {{{1, 2, 4}, {1, 2, 4}, 1e10}, {{1, 2, 4}, {0, 0, 0}, 0}, {{0, 0, 0}, {0, 0, 0}, 0}};
    for (const auto& K : Specials) {
        TCurveFit A(nullptr);
        Fill(A, K.X, K.Y);
        A.CalcAnovaReg(1, false, dfreg, dfres, dft, SSE, SSR, SST, MSE, MSR, F);
        EXPECT_EQ(F, K.F);
    }
    TCurveFit C(nullptr);
    Fill(C, X, Cases[0].Y);
    for (std::int32_t Vars : {0, 4}) {
        MSE = 5;
        EXPECT_TRUE(test::ThrowsWith<E>([&] { C.CalcAnovaReg(Vars, true, dfreg, dfres, dft, SSE, SSR, SST, MSE, MSR, F); },
                                        "CalcAnovaReg: not enough data points"));
        EXPECT_EQ((std::array{dfreg, dft, dfres}), (std::array{Vars, 4, 4 - Vars}));
        EXPECT_EQ(MSE, 0);
    }
}

class CurveFitPoly : public test::ProgressFixture {};

TEST_F(CurveFitPoly, CoefficientsAndSignificance) {
    TCurveFit C(nullptr);
    Fill(C, kX, kY);
    TDoubleArray k(2, 7.0), Alpha;
    double q = 0, Shift = 0;
    bool Near = true;
    // numpy lstsq on [x, x^2, x^3, 1]; Alpha = 2 scipy t.sf(|c / (s se)|, 8). Centred:
    // the same on [t, t^2, t^3, 1], t = (x - mean) / std, against y - mean y.
    const double Wk[2][4] = {{1.571039164027226, 1.1995693896214394, -0.0033637834559205313, 0.0014514319594188902},
                             {8.687685360094171, 1.306663465048344, 0.02185484683898327, 0.0014514319594188681}};
    const double Wa[2][4] = {{0.07991242434327381, 0.06671830209921559, 0.9754725031783149, 0.8020220545148907},
                             {0.37720898453489093, 1.3626136209204817e-05, 0.2848478249548904, 0.8020220545148816}};
    for (int Centred = 0; Centred < 2; ++Centred) {
        ASSERT_TRUE(Centred ? C.CalcCenteredPolyFit(3, k, Alpha, Shift, q, Near) : C.CalcPolyFit(3, k, Alpha, q, Near));
        ASSERT_EQ(k.size() * 10 + Alpha.size(), 44u);  // grown from 2
        for (int j = 0; j < 4; ++j) {
            EXPECT_REL(k[j], Wk[Centred][j], 1e-10);
            EXPECT_NEAR(Alpha[j], Wa[Centred][j], 1e-10);
        }
        EXPECT_REL(q, 0.9861770456337382, 1e-12);
        EXPECT_FALSE(Near);
    }
    EXPECT_DOUBLE_EQ(Shift, 5.791666666666667);
    k.assign(5, 3.0);
    Shift = 2;  // kept, and kArray does not shrink
    ASSERT_TRUE(C.CalcCenteredPolyFit(1, k, Shift, q, Near));
    EXPECT_EQ(Shift, 2);
    EXPECT_EQ(k.size(), 5u);
    EXPECT_REL(k[0], 1.1485472650388777 + 2 * 1.3513299686263807, 1e-12);

    // Significances far below 1e-16 survive (scipy 2 t.sf(|t|, 8)).
    TCurveFit L(nullptr);
    for (int i = 1; i <= 10; ++i) L.EnterStatValue(i, 3 + 2 * i + (i % 2 ? 0.01 : -0.01));
    ASSERT_TRUE(L.CalcPolyFit(1, k, Alpha, q, Near));
    EXPECT_REL(Alpha[0], 1.7318992608927915e-18, 1e-9);
    EXPECT_REL(Alpha[1], 2.0435951657019277e-23, 1e-9);
}

TEST_F(CurveFitPoly, RefusalsAndAbort) {
    TCurveFit C(nullptr);
    Fill(C, {1, 2, 3}, {1, 4, 9});
    TDoubleArray k = {42}, Alpha = {42};
    double q = 42, Shift = 42;
    bool Near = true;
    for (std::int32_t Order : {-1, 3, 4}) {
        EXPECT_FALSE(C.CalcPolyFit(Order, k, Alpha, q, Near));
        EXPECT_FALSE(C.CalcCenteredPolyFit(Order, k, Alpha, Shift, q, Near));
    }
    EXPECT_TRUE(k == TDoubleArray{42} && Alpha == TDoubleArray{42} && q == 42 && Shift == 42 && Near);
    AbortMathProc = true;  // cleared by the fit; an exact fit has every Alpha 0
    ASSERT_TRUE(C.CalcPolyFit(2, k, Alpha, q, Near));
    EXPECT_NEAR(k[2], 1, 1e-14);
    EXPECT_EQ(Alpha, TDoubleArray(3, 0.0));
    EXPECT_GT(Calls().size(), 0u);
    // Aborted in the solver: False, the outputs of the zero solution.
    MathFeedBackProc = [](double) { AbortMathProc = true; };
    k.assign(3, 1);
    ASSERT_FALSE(C.CalcCenteredPolyFit(1, k, Alpha, Shift, q, Near));
    EXPECT_EQ(k, (TDoubleArray{14.0 / 3, 0, 1}));
    EXPECT_TRUE(q == 0 && !Near && Alpha == TDoubleArray(2, 0.0));
}

// ---------------------------------------------------------------- rank statistics

TEST(CurveFitRanks, WorkedExamplesAndScipy) {
    auto Zip = [](const std::vector<double>& X, const std::vector<double>& Y) {
        Pairs P;
        for (std::size_t i = 0; i < X.size(); ++i) P.emplace_back(X[i], Y[i]);
        return P;
    };
    // The last two: scipy kendalltau (method='asymptotic' for p; no ties), spearmanr,
    // gamma from brute-force pair counts.
    struct Case {
        Pairs P;
        double Tau, Gamma, Spearman, p;
    } Cases[] = {{{{1, 1}, {2, 2}, {3, 3}}, 1, 1, 1, -1},
                 {{{1, 1}, {1, 2}, {2, 3}}, 2 / std::sqrt(6.0), 1, 0.8660254037844387, -1},
                 {{{1, 1}, {2, 2}}, 0, 0, 0, 0},
                 {{{5, 1}, {5, 2}, {5, 3}}, 0, 0, 0, -1},
                 {{{3, 1}, {2, 2}, {1, 3}, {0, 4}}, -1, -1, -1, -1},
                 {Zip(kX, {2.1, 4.4, 2.9, 7.2, 5.1, 6.9, 12.6, 10.1, 9.8, 17.9, 13.0, 15.7}), 0.7575757575757575,
                  0.7575757575757575, 0.9230769230769231, 0.0006066417252270709},
                 {Zip({1, 2, 2, 3, 4, 4, 4, 5, 6, 7}, {2, 1, 3, 3, 5, 4, 6, 6, 8, 7}), 0.8335696394016967,
                  0.8974358974358975, 0.93812095999547, -1}};
    for (const auto& K : Cases) {
        TCurveFit C(nullptr);
        Fill(C, K.P);
        double p = -1;
        EXPECT_NEAR(C.KendallsTau(p), K.Tau, 1e-14);
        if (K.p >= 0) {
            EXPECT_NEAR(p, K.p, 2e-7);
        }
        EXPECT_NEAR(C.KruskalGamma(), K.Gamma, 1e-14);
        EXPECT_NEAR(C.SpearmanRankCorr(), K.Spearman, 1e-14);
        TCurveFit D(nullptr);  // the counts follow the data
        for (TCurveFit* T : {&C, &D}) T->EnterStatValue(0, 100);
        Fill(D, K.P);
        EXPECT_EQ(C.KruskalGamma(), D.KruskalGamma());
    }
    TCurveFit C(nullptr);
    Fill(C, {{1, 1}, {1, 2}, {2, 3}});
    EXPECT_EQ(Acc::Counts(C), (std::array<std::int64_t, 4>{2, 0, 0, 1}));
}

TEST(CurveFitRanks, MergeCountsEqualPairByPair) {
    constexpr double Inf = std::numeric_limits<double>::infinity();
    const double Pool[] = {-Inf, -2, -0.0, 0.0, 1e-300, 3, 3.5, Inf};
    std::mt19937 G(11);
    for (int Round = 0; Round < 40; ++Round) {
        const int n = 3 + Round * 7;
        Pairs P;
        std::uniform_int_distribution<int> Pick(0, Round % 2 ? 7 : 3);
        for (int i = 0; i < n; ++i) P.emplace_back(Pool[Pick(G)] + (Round % 3 ? i % 5 : 0), Pool[Pick(G)]);
        if (Round % 4 == 1) P[n / 2].second = std::nan("");  // the pair-by-pair route
        // Concordant, discordant, differing in x only, in y only (a NaN pair may be both).
        std::array<std::int64_t, 4> Want{};
        auto Sign = [](double a, double b) { return (a > b) - (a < b); };
        for (std::size_t i = 0; i < P.size(); ++i)
            for (std::size_t j = i + 1; j < P.size(); ++j) {
                const int h = Sign(P[i].first, P[j].first) * Sign(P[i].second, P[j].second);
                if (h != 0) ++Want[h > 0 ? 0 : 1];
                else Want[2] += P[i].first != P[j].first, Want[3] += P[i].second != P[j].second;
            }
        TCurveFit C(nullptr);
        Fill(C, P);
        EXPECT_EQ(Acc::Counts(C), Want) << Round;
    }
    // Steps of 1e-200, whose products underflow, are still ordered.
    TCurveFit C(nullptr);
    for (int i = 1; i <= 5; ++i) C.EnterStatValue(i * 1e-200, -i * 1e-200);
    EXPECT_EQ(C.KruskalGamma(), -1);
    // Beyond 2^31 pairs: n (n - 1) / 2 = 2449965000 concordant.
    TCurveFit Big(nullptr);
    for (int i = 0; i < 70000; ++i) Big.EnterStatValue(i, 2 * i);
    EXPECT_EQ(Acc::Counts(Big), (std::array<std::int64_t, 4>{2449965000, 0, 0, 0}));
    // Ten runs of 300 (tie terms beyond 32 bits): each column a ranked copy of the other.
    TCurveFit R(nullptr);
    for (int i = 0; i < 3000; ++i) R.EnterStatValue(i / 300, 10 + i / 300);
    EXPECT_NEAR(R.SpearmanRankCorr(), 1, 1e-14);
}

// ---------------------------------------------------------------- ASC files

TEST(CurveFitFiles, ExportAndRoundTrip) {
    test::TempPath F("cf.asc");
    TCurveFit C(nullptr);
    Fill(C, {{1.5, -2}, {0.125, 1e3}});
    EXPECT_EQ(C.ExportAsASC(F.str(), "a\nb", 3), "");
    EXPECT_EQ(test::FileBytes(F.str()), "a b\r\n2\t;nr. of columns\r\n2\t;nr. of rows\r\n"
                                        "FALSE TRUE FALSE\t;row attributes, column names, row names\r\n"
                                        "x   y\r\n1.500\t-2.000\r\n0.125\t1000.000\r\n");
    EXPECT_EQ(C.ExportAsASC(F.str(), "", 0), "");
    EXPECT_EQ(test::FileBytes(F.str()).substr(0, 37 + F.str().size()), "Exported by QMR TCurveFit component: " + F.str());
    const std::string Bad = F.str() + "/no/dir/x.asc";
    EXPECT_NE(C.ExportAsASC(Bad, "", 2).find(Bad), std::string::npos);

    std::mt19937 G(5);
    std::uniform_int_distribution<int> U(-100000, 100000);
    TCurveFit Src(nullptr), D(nullptr);
    for (int i = 0; i < 2500; ++i) Src.EnterStatValue(U(G) / 1024.0, U(G) / 64.0);  // exact in 10 decimals
    ASSERT_EQ(Src.ExportAsASC(F.str(), "", 10), "");
    D.EnterStatValue(77, 77);  // replaced, not added to
    D.SetSplineSmoothingFactor(0.25);
    ASSERT_EQ(D.ImportASC(F.str()), 0);
    EXPECT_EQ(D.NumData(), 2500);
    EXPECT_TRUE(SameSums(D, Src));
    EXPECT_EQ(D.DataY(2500), Src.DataY(2500));
    EXPECT_EQ(D.MinX(), Src.MinX());
    EXPECT_EQ(D.SplineSmoothingFactor(), 0.25);
}

TEST(CurveFitFiles, FailedImportsLeaveTheObject) {
    test::TempPath F("bad.asc");
    struct Case {
        std::string Body;
        std::int32_t Want;
    } Cases[] = {{"FALSE TRUE FALSE\r\nx y\r\n1 2\r\n3 abc\r\n", 250},
                 {"FALSE TRUE FALSE\r\nx y\r\n1 2\r\n3\r\n", 250},  // the file ends
                 {"FALSE FALSE FALSE\r\nNAN 2\r\n3 4\r\n", 250},
                 {"TRUE FALSE FALSE\r\n1 1 2\r\nq 3 4\r\n", 251},
                 {"FALSE FALSE FALSE TRUE\r\n1 2\r\n3 4\r\n", -7},
                 {"MAYBE\r\n", ascErrFlags},
                 {"TRUE TRUE TRUE\r\n\"a b\" \"c\"\r\n9 \"r1\" 1 2\r\n9 \"r2\" 3 4\r\n", 0}};
    for (const auto& K : Cases) {
        test::WriteBytes(F.str(), "c\r\n2\t;c\r\n2\t;r\r\n" + K.Body);
        TCurveFit C(nullptr);
        C.EnterStatValue(5, 6);
        EXPECT_EQ(C.ImportASC(F.str()), K.Want) << K.Body;
        EXPECT_EQ(C.NumData(), K.Want ? 1 : 2);
        EXPECT_EQ(C.MaxY(), K.Want ? 6 : 4);
        EXPECT_EQ(C.DataX(1), K.Want ? 5 : 1);
    }
    // A header announcing 2e9 rows over two: refused, no allocation for 2e9.
    test::WriteBytes(F.str(), "c\n2\n2000000000\nFALSE TRUE FALSE\nx y\n1 2\n3 4\n");
    TCurveFit C(nullptr);
    EXPECT_EQ(C.ImportASC(F.str()), 250);
    EXPECT_EQ(C.ImportASC(F.str() + ".missing"), ascErrOpen);
    test::WriteBytes(F.str(), "c\n3\n1\nFALSE\n1 2 3\n");
    EXPECT_TRUE(test::ThrowsWith<E>([&] { C.ImportASC(F.str()); },
                                    "TCurveFit.ImportASC: number of columns must be 2 (is actually 3)."));
    EXPECT_EQ(C.NumData(), 0);

    // Random damage to a valid file: success, or failure with the object untouched.
    TCurveFit Src(nullptr);
    for (int i = 0; i < 20; ++i) Src.EnterStatValue(i * 0.5, 20 - i);
    ASSERT_EQ(Src.ExportAsASC(F.str(), "", 2), "");
    const std::string Good = test::FileBytes(F.str());
    std::mt19937 G(3);
    for (int Round = 0; Round < 300; ++Round) {
        std::string B = Good.substr(0, G() % (Good.size() + 1));
        for (int k = Round % 4; k > 0 && !B.empty(); --k) B[G() % B.size()] = static_cast<char>(G());
        test::WriteBytes(F.str(), B);
        TCurveFit T(nullptr);
        T.EnterStatValue(-1, -1);
        try {
            if (T.ImportASC(F.str()) == 0) continue;
        } catch (const E&) {
        }
        ASSERT_TRUE(T.NumData() == 1 && T.DataX(1) == -1 && T.MeanY() == -1) << Round;
    }
}

}  // namespace
