// TCurveFit: running sums, statistics from the sums and the data, and the fits.
#include "qmr_test_support.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace qmr::detail {
struct TCurveFitAccess {
    static const TCurveFitSums& Sums(const TCurveFit& C) { return C.FSums; }
    static std::uint8_t ErrIndic(const TCurveFit& C) { return C.FErrIndic; }
};
}  // namespace qmr::detail

namespace {

using namespace qmr;
using Acc = detail::TCurveFitAccess;

constexpr std::uint8_t XLE0 = 1, YLE0 = 2, XEQ0 = 4, YEQ0 = 8;

// The shared data set; every reference value below was computed from it offline.
const std::vector<double> kX = {0.5, 1.25, 2.0, 3.5, 3.75, 5.0, 6.5, 7.25, 8.0, 9.5, 10.25, 12.0};
const std::vector<double> kY = {2.1, 2.9, 4.4, 5.1, 6.9, 7.2, 9.8, 10.1, 12.6, 13.0, 15.7, 17.9};

void Fill(TCurveFit& C, const std::vector<double>& X, const std::vector<double>& Y) {
    for (std::size_t i = 0; i < X.size(); ++i) C.EnterStatValue(X[i], Y[i]);
}

bool SameSums(const detail::TCurveFitSums& A, const detail::TCurveFitSums& B) {
    return std::memcmp(&A, &B, sizeof A) == 0;
}

void ExpectRel(double Got, double Want, double Tol, const char* What) {
    EXPECT_NEAR(Got, Want, Tol * std::fabs(Want)) << What;
}

TEST(CurveFitSums, ReplacedTermsAndErrorKinds) {
    constexpr long double M = uc_MaxReal;
    TCurveFit C(nullptr);
    C.EnterStatValue(0, 5);
    const auto& S = Acc::Sums(C);
    EXPECT_EQ(S.sum1byx, M);
    EXPECT_EQ(S.sumybyx, 5 * static_cast<Extended>(M));
    EXPECT_EQ(Acc::ErrIndic(C), XEQ0 | XLE0);
    C.RemoveStatValue(1);
    EXPECT_EQ(S.sum1byx, 0);
    EXPECT_EQ(Acc::ErrIndic(C), XEQ0 | XLE0);  // kept on removal

    // 1e-31 is zero for the reciprocals but positive for the logarithms.
    C.Init();
    C.EnterStatValue(2, 1e-31);
    EXPECT_EQ(S.sum1byy, M);
    EXPECT_EQ(S.sumlny, std::log(static_cast<Extended>(1e-31)));
    EXPECT_EQ(S.sumlnxbyy, std::log(Extended(2)) / Extended(1e-31));
    EXPECT_EQ(Acc::ErrIndic(C), YEQ0);
    C.Init();
    C.EnterStatValue(-1, 0);
    EXPECT_EQ(Acc::ErrIndic(C), XLE0 | YLE0 | YEQ0);
    EXPECT_EQ(S.sumlnx, 0);
    EXPECT_EQ(S.sumlny, 0);
}

TEST(CurveFitSums, RemoveMovesPairsUpAndUndoesTerms) {
    std::mt19937 G(7);
    std::uniform_real_distribution<double> U(-3, 3);
    std::vector<double> X(300), Y(300);
    for (int i = 0; i < 300; ++i) {
        X[i] = U(G);
        Y[i] = i % 17 == 0 ? 0.0 : U(G);  // zeros exercise the replaced terms
    }
    TCurveFit C(nullptr), Fresh(nullptr);
    Fill(C, X, Y);
    const double MinX = C.MinX(), MaxX = C.MaxX();
    C.RemoveStatValue(1);
    C.RemoveStatValue(0);
    C.RemoveStatValue(300);
    ASSERT_EQ(C.NumData(), 299);
    for (int i = 1; i <= 299; ++i) ASSERT_EQ(C.DataX(i), X[i]) << i;
    EXPECT_EQ(C.DataX(300), 0);
    EXPECT_EQ(C.MinX(), MinX);
    EXPECT_EQ(C.MaxX(), MaxX);
    for (int i = 1; i < 300; ++i) Fresh.EnterStatValue(X[i], Y[i]);
    const auto& A = Acc::Sums(C);
    const auto& B = Acc::Sums(Fresh);
    for (auto Sum : {&detail::TCurveFitSums::sumx, &detail::TCurveFitSums::sumyq, &detail::TCurveFitSums::sumxy2,
                     &detail::TCurveFitSums::sumx4, &detail::TCurveFitSums::sumlnxq,
                     &detail::TCurveFitSums::sumylny, &detail::TCurveFitSums::sumlnyq})
        EXPECT_NEAR(static_cast<double>(A.*Sum), static_cast<double>(B.*Sum), 1e-9 * std::fabs(B.*Sum) + 1e-9);
    EXPECT_NEAR(C.StdDevY(), Fresh.StdDevY(), 1e-13);
    EXPECT_NEAR(C.CorrCoeff(), Fresh.CorrCoeff(), 1e-13);

    // Past the 1000 rows of the start, and removal of everything.
    TCurveFit Big(nullptr);
    for (int i = 1; i <= 1001; ++i) EXPECT_EQ(Big.EnterStatValue(i, -i), i);
    EXPECT_EQ(Big.DataY(1001), -1001);
    while (Big.NumData() > 0) Big.RemoveStatValue(Big.NumData());
    EXPECT_EQ(Big.MeanX(), 0);
    Big.EnterStatValue(4, 2);
    EXPECT_EQ(Big.MeanX(), 4);
}

TEST(CurveFitSums, FlipXYSwapsRoles) {
    const std::vector<double> X = {0, 1.5, -2, 1e-31, 4, 7}, Y = {3, 0, 2.5, -1, 1e-40, 7};
    TCurveFit C(nullptr), Swapped(nullptr);
    Fill(C, X, Y);
    Fill(Swapped, Y, X);
    const detail::TCurveFitSums Before = Acc::Sums(C);
    C.FlipXY();
    EXPECT_TRUE(SameSums(Acc::Sums(C), Acc::Sums(Swapped)));
    EXPECT_EQ(C.MinX(), Swapped.MinX());
    EXPECT_EQ(C.MaxY(), Swapped.MaxY());
    EXPECT_EQ(C.DataX(2), 0);
    EXPECT_EQ(C.DataY(2), 1.5);
    C.FlipXY();
    EXPECT_TRUE(SameSums(Acc::Sums(C), Before));
    EXPECT_EQ(C.DataX(3), -2);
}

TEST(CurveFitStatistics, AgreeWithNumpy) {
    TCurveFit C(nullptr);
    Fill(C, kX, kY);
    std::int32_t n = 0;
    double mx, my, sx, sy, md, sd, r;
    C.CalcStatistics(n, mx, my, sx, sy, md, sd, r);
    EXPECT_EQ(n, 12);
    // numpy: mean, std(ddof=1) of x, y, x - y; corrcoef.
    const double Want[][2] = {{mx, 5.791666666666667},   {my, 8.975},
                              {sx, 3.726187018517683},   {sy, 5.078855454457503},
                              {md, -3.183333333333333},  {sd, 1.4677337715820342},
                              {r, 0.9914257714127785},   {C.SkewnessX(), 0.15966436894101282},
                              {C.SkewnessY(), 0.34330238260270446}, {C.KurtosisX(), -1.1234597424610564},
                              {C.KurtosisY(), -0.9272267389105799}};
    for (const auto& W : Want) ExpectRel(W[0], W[1], 1e-12, "statistic");
    EXPECT_EQ(C.StdDevX(), sx);
    EXPECT_EQ(C.CorrCoeff(), r);

    // Rows beyond NumData hold zeros: none of the order statistics may see them.
    EXPECT_EQ(C.PercentileX(0), 0.5);
    EXPECT_EQ(C.PercentileY(100), 17.9);
    double q1, q2, q3;
    C.QuartilesX(q1, q2, q3);
    EXPECT_GT(q1, 0.5);
    EXPECT_DOUBLE_EQ(q2, 5.75);  // (5.0 + 6.5) / 2

    // Far from the origin the deviations are still those of the offsets.
    TCurveFit F(nullptr);
    for (int i = 0; i < 1000; ++i) F.EnterStatValue(1e9 + i, 1e9 + 0.3 * ((i * 37) % 1000));
    EXPECT_NEAR(F.StdDevX(), 288.8194360957494, 1e-9);  // numpy std(arange(1000), ddof=1)
    EXPECT_NEAR(F.CorrCoeff(), -0.006993006993006994, 1e-12);  // numpy corrcoef(i, 37 i % 1000)
    F.RemoveStatValue(1);  // 999 pairs: means that are not exact
    double k, d, q;
    F.CalcLinFit(k, d, q);
    EXPECT_NEAR(q, F.CorrCoeff() * F.CorrCoeff(), 1e-14);
}

TEST(CurveFitStatistics, SmallSamplesAndEmpty) {
    TCurveFit C(nullptr);
    EXPECT_EQ(C.MeanX(), 0);
    EXPECT_EQ(C.PercentileX(50), 0);
    EXPECT_EQ(C.MeanAngleX(), 0);
    EXPECT_EQ(C.DataX(1), 0);
    C.EnterStatValue(1, 2);
    C.EnterStatValue(3, 7);
    std::int32_t n = -1;
    double V[7] = {9, 9, 9, 9, 9, 9, 9};
    C.CalcStatistics(n, V[0], V[1], V[2], V[3], V[4], V[5], V[6]);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(V[0], 2);
    EXPECT_EQ(V[1], 4.5);
    for (int k : {2, 3, 5, 6}) EXPECT_EQ(V[k], 0) << k;
    EXPECT_EQ(C.StdDevX(), 0);
    EXPECT_EQ(C.CorrCoeff(), 0);
}

TEST(CurveFitStatistics, CircularMeans) {
    struct Case {
        std::vector<double> Deg;
        double Want;  // scipy.stats.circmean(deg, high=360, low=0)
    } Cases[] = {{{350, 10}, 0},
                 {{10, 20, 30, 355, 95.5, 200}, 29.89825895246068},
                 {{100, 200, 250}, 191.53056046639057},
                 {{350, 10, 20, 340.5, 15.25}, 3.2230882852074045},
                 {{359.9999999999, 0.0000000001}, 0}};
    for (const auto& K : Cases) {
        TCurveFit C(nullptr);
        for (double D : K.Deg) C.EnterStatValue(D, -D);
        const double M = C.MeanAngleX();
        EXPECT_GE(M, 0);
        EXPECT_LT(M, 360);
        EXPECT_NEAR(M, K.Want, 1e-10) << K.Deg.size();
        EXPECT_EQ(C.CalcMeanDegrees(3), 0);
    }
}

TEST(CurveFitFits, ClosedFormsAgreeWithReferences) {
    TCurveFit C(nullptr);
    Fill(C, kX, kY);
    double k, d, q, k0, k1, k2;
    C.CalcLinFit(k, d, q);
    // scipy.stats.linregress
    ExpectRel(k, 1.3513299686263807, 1e-12, "slope");
    ExpectRel(d, 1.1485472650388777, 1e-12, "intercept");
    ExpectRel(q, 0.982925060221423, 1e-12, "r^2");
    C.CalcParabolFit(k0, k1, k2, q);
    // numpy.polyfit(x, y, 2); 1 - SSres / SStot
    ExpectRel(k0, 1.71092765801082, 1e-12, "k0");
    ExpectRel(k1, 1.0645503473880857, 1e-12, "k1");
    ExpectRel(k2, 0.02374177210337362, 1e-11, "k2");
    ExpectRel(q, 0.9860609546564791, 1e-12, "parabola r^2");

    // The circle by numpy.linalg.lstsq on [x, y, 1] c = x^2 + y^2, moved far away too.
    const std::vector<double> CX = {7.99, 4.6, -1.0, -1.2, -1.9, 1.6, 5.3, 7.6},
                              CY = {-1.5, 1.9, 2.8, 0.6, -2.9, -6.8, -6.4, -3.6};
    for (double Off : {0.0, 1e6}) {
        TCurveFit Circ(nullptr);
        for (std::size_t i = 0; i < CX.size(); ++i) Circ.EnterStatValue(CX[i] + Off, CY[i] - Off);
        double r, dx, dy;
        Circ.CalcCircleFit(r, dx, dy);
        const double Tol = Off == 0 ? 1e-12 : 1e-7;
        EXPECT_NEAR(dx - Off, 2.728030103385106, Tol);
        EXPECT_NEAR(dy + Off, -1.8554090283307954, Tol);
        EXPECT_NEAR(r, 5.058789331506696, Tol);
    }
}

TEST(CurveFitFits, FailuresRaiseWithOutputsZero) {
    auto Lin = [](TCurveFit& C) { double a = 1, b = 1, c = 1; try { C.CalcLinFit(a, b, c); } catch (...) { EXPECT_EQ(a + b + c, 0); throw; } };
    auto Par = [](TCurveFit& C) { double a = 1, b = 1, c = 1, e = 1; try { C.CalcParabolFit(a, b, c, e); } catch (...) { EXPECT_EQ(a + b + c + e, 0); throw; } };
    auto Cir = [](TCurveFit& C) { double a = 1, b = 1, c = 1; try { C.CalcCircleFit(a, b, c); } catch (...) { EXPECT_EQ(a + b + c, 0); throw; } };
    TCurveFit C(nullptr);
    C.EnterStatValue(1, 1);
    C.EnterStatValue(2, 2);
    using E = EQMRMath2Error;
    EXPECT_TRUE(test::ThrowsWith<E>([&] { Par(C); }, "CalcParabolFit: not enough data points"));
    EXPECT_TRUE(test::ThrowsWith<E>([&] { Cir(C); }, "CalcCircleFit: not enough data points"));
    C.EnterStatValue(3, 3);
    EXPECT_TRUE(test::ThrowsWith<E>([&] { Cir(C); }, "CalcCircleFit: radius is infinite"));
    C.Init();
    C.EnterStatValue(1, 1);
    EXPECT_TRUE(test::ThrowsWith<E>([&] { Lin(C); }, "CalcLinFit: not enough data points"));
    // Equal x whose mean is not exact (0.1 * 3 / 3 != 0.1) leave the slope infinite.
    C.Init();
    for (double y : {1.0, 2.0, 4.0}) C.EnterStatValue(0.1, y);
    EXPECT_TRUE(test::ThrowsWith<E>([&] { Lin(C); }, "CalcLinFit: slope is infinite"));
    double k0, k1, k2, q;
    C.CalcParabolFit(k0, k1, k2, q);
    EXPECT_EQ(k1, 0);
    EXPECT_EQ(k2, 0);
    EXPECT_DOUBLE_EQ(k0, 7.0 / 3);
    // Constant y fits exactly: FitQual 1.
    C.Init();
    for (double x : {1.0, 2.0, 4.0}) C.EnterStatValue(x, 5);
    double k, d;
    C.CalcLinFit(k, d, q);
    EXPECT_EQ(q, 1);
    EXPECT_EQ(k, 0);
}

TEST(CurveFitFits, AnovaAgainstFractions) {
    TCurveFit C(nullptr);
    for (auto [x, y] : std::vector<std::pair<double, double>>{{3, 3.5}, {5, 4.5}, {7, 6.5}, {6, 7}, {9, 8.5}})
        C.EnterStatValue(x, y);
    // Python fractions: with constant SSE 2, SSR 16, SST 20, MSE 2/3, F 24; without
    // SSR 196, SST 200, MSE 1/2, F 392.
    struct Case {
        bool Const;
        std::int32_t Dft, Dfr;
        double SSR, SST, MSE, F;
    } Cases[] = {{true, 4, 3, 16, 20, 2.0 / 3, 24}, {false, 5, 4, 196, 200, 0.5, 392}};
    for (const auto& K : Cases) {
        std::int32_t dfreg, dfres, dft;
        double SSE, SSR, SST, MSE, MSR, F;
        C.CalcAnovaReg(1, K.Const, dfreg, dfres, dft, SSE, SSR, SST, MSE, MSR, F);
        EXPECT_EQ(dfreg, 1);
        EXPECT_EQ(dft, K.Dft);
        EXPECT_EQ(dfres, K.Dfr);
        EXPECT_EQ(SSE, 2);
        EXPECT_NEAR(SSR, K.SSR, 1e-13 * K.SSR);
        EXPECT_NEAR(SST, K.SST, 1e-13 * K.SST);
        EXPECT_NEAR(MSE, K.MSE, 1e-15);
        EXPECT_NEAR(MSR, K.SSR, 1e-13 * K.SSR);
        EXPECT_NEAR(F, K.F, 1e-12 * K.F);
    }
    std::int32_t dfreg, dfres, dft;
    double SSE, SSR, SST, MSE, MSR, F;
    TCurveFit Exact(nullptr);
    for (double v : {1.0, 2.0, 4.0}) Exact.EnterStatValue(v, v);  // SSE = 0 < SSR
    Exact.CalcAnovaReg(1, false, dfreg, dfres, dft, SSE, SSR, SST, MSE, MSR, F);
    EXPECT_EQ(F, 1e10);
    TCurveFit Flat(nullptr);
    for (double v : {1.0, 2.0, 4.0}) Flat.EnterStatValue(v, 0);  // MSR = 0
    Flat.CalcAnovaReg(1, false, dfreg, dfres, dft, SSE, SSR, SST, MSE, MSR, F);
    EXPECT_EQ(F, 0);
    TCurveFit Zero(nullptr);
    for (int i = 0; i < 3; ++i) Zero.EnterStatValue(0, 0);  // MSE = MSR = 0: 0, not 1e10
    Zero.CalcAnovaReg(1, false, dfreg, dfres, dft, SSE, SSR, SST, MSE, MSR, F);
    EXPECT_EQ(F, 0);
    for (std::int32_t Vars : {0, 2}) {
        MSE = 5;
        EXPECT_TRUE(test::ThrowsWith<EQMRMath2Error>(
            [&] { Flat.CalcAnovaReg(Vars, true, dfreg, dfres, dft, SSE, SSR, SST, MSE, MSR, F); },
            "CalcAnovaReg: not enough data points"));
        EXPECT_EQ(dfreg, Vars);
        EXPECT_EQ(dft, 2);
        EXPECT_EQ(dfres, 2 - Vars);
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
    ASSERT_TRUE(C.CalcPolyFit(3, k, Alpha, q, Near));
    EXPECT_FALSE(Near);
    // numpy.linalg.lstsq on [x, x^2, x^3, 1]; Alpha = 2 t.sf(|c / (s se)|, 8) (scipy).
    const double Wk[] = {1.571039164027226, 1.1995693896214394, -0.0033637834559205313, 0.0014514319594188902};
    const double Wa[] = {0.07991242434327381, 0.06671830209921559, 0.9754725031783149, 0.8020220545148907};
    ASSERT_EQ(k.size(), 4u);
    ASSERT_EQ(Alpha.size(), 4u);
    for (int j = 0; j < 4; ++j) {
        ExpectRel(k[j], Wk[j], 1e-10, "k");
        EXPECT_NEAR(Alpha[j], Wa[j], 1e-10) << j;
    }
    ExpectRel(q, 0.9861770456337382, 1e-12, "FitQual");

    // Centred on the mean and scaled: the same curve; Alpha from the scaled fit against
    // y - mean y (numpy/scipy as above on [t, t^2, t^3, 1], t = (x - mean) / std).
    TDoubleArray kc(9, 5.0);
    ASSERT_TRUE(C.CalcCenteredPolyFit(3, kc, Alpha, Shift, q, Near));
    EXPECT_EQ(kc.size(), 9u);
    EXPECT_EQ(kc[4], 5.0);
    EXPECT_DOUBLE_EQ(Shift, 5.791666666666667);
    const double Wc[] = {8.687685360094171, 1.306663465048344, 0.02185484683898327, 0.0014514319594188681};
    const double Wca[] = {0.37720898453489093, 1.3626136209204817e-05, 0.2848478249548904, 0.8020220545148816};
    for (int j = 0; j < 4; ++j) {
        ExpectRel(kc[j], Wc[j], 1e-10, "centred k");
        EXPECT_NEAR(Alpha[j], Wca[j], 1e-10) << j;
    }
    ExpectRel(q, 0.9861770456337382, 1e-12, "centred FitQual");
    // A given shift is kept.
    Shift = 2;
    ASSERT_TRUE(C.CalcCenteredPolyFit(1, kc, Shift, q, Near));
    EXPECT_EQ(Shift, 2);

    // Significances far below 1e-16 survive (twice the upper tail, not 2 (1 - P)).
    TCurveFit L(nullptr);
    for (int i = 1; i <= 10; ++i) L.EnterStatValue(i, 3 + 2 * i + (i % 2 ? 0.01 : -0.01));
    ASSERT_TRUE(L.CalcPolyFit(1, k, Alpha, q, Near));
    EXPECT_NEAR(Alpha[0], 1.7318992608927915e-18, 1e-27);  // scipy 2 t.sf(|t|, 8)
    EXPECT_NEAR(Alpha[1], 2.0435951657019277e-23, 1e-32);
    ExpectRel(kc[1], 1.3513299686263807, 1e-12, "centred slope");
    ExpectRel(kc[0], 1.1485472650388777 + 2 * 1.3513299686263807, 1e-12, "value at the shift");
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
    EXPECT_EQ(k, TDoubleArray{42});
    EXPECT_EQ(Alpha, TDoubleArray{42});
    EXPECT_EQ(q + Shift, 84);
    EXPECT_TRUE(Near);

    // An exact fit: residual 0, so every Alpha is 0.
    AbortMathProc = true;  // cleared by the fit
    ASSERT_TRUE(C.CalcPolyFit(2, k, Alpha, q, Near));
    EXPECT_NEAR(k[2], 1, 1e-14);
    EXPECT_EQ(Alpha, TDoubleArray(3, 0.0));
    EXPECT_GT(Calls().size(), 0u);

    // An abort inside the solver: False, outputs of the zero solution.
    MathFeedBackProc = [](double) { AbortMathProc = true; };
    k.assign(3, 9);
    ASSERT_FALSE(C.CalcCenteredPolyFit(1, k, Alpha, Shift, q, Near));
    EXPECT_EQ(k[0], 14.0 / 3);  // the mean of y
    EXPECT_EQ(k[1], 0);
    EXPECT_EQ(k[2], 9);
    EXPECT_EQ(q, 0);
    EXPECT_FALSE(Near);
    EXPECT_EQ(Alpha, TDoubleArray(2, 0.0));
}

}  // namespace
