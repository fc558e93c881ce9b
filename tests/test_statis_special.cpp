// Special functions of QMR_statis: accuracy of the fixed approximations, neutral results,
// exact messages, bounded iterations.
#include "qmr_test_support.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

using namespace qmr;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct TRef1 {
    double x, Ref;
};
struct TRef2 {
    double x, y, Ref;
};
struct TRef3 {
    double x, a, b, Ref;
};

// References: mpmath 1.2 at 30 digits (loggamma, gammainc, erf, beta, betainc, ncdf, erfinv).
// The points include the worst ones of a random sweep over the stated domains.
TEST(StatisSpecial, AccuracyAgainstMpmath) {
    const TRef1 LnG[] = {{0.001, 6.9071788853838536617}, {0.5, 0.57236494292470008707},
                         {1.0157490659198039, -0.0088881572733008334701}, {3.7, 1.4280723266653881292},
                         {15.762117677086708, 27.249066954123425943}, {100000.0, 1051287.7089736568949}};
    for (const auto& R : LnG) EXPECT_NEAR(LnGamma(R.x), R.Ref, 3e-10) << R.x;
    const TRef2 IncG[] = {{55.14389576093433, 57.68124735185271, 0.38397868704775100863},
                          {0.5, 0.1, 0.94140244589013351866}, {300.0, 100.0, 1.0},
                          {0.01, 2.0, 0.000049667913340265892416}, {150.0, 100.0, 0.99999407545966451608},
                          {20.0, 3.0, 0.99999954448504944108}, {2.0, 0.5, 0.9544997361036415856}};
    for (const auto& R : IncG)
        EXPECT_NEAR(IncompleteGamma(R.x, R.y), R.Ref, std::fmax(3e-9, 2e-8 * R.Ref)) << R.x << " " << R.y;
    const TRef1 Erfs[] = {{-1.0553223935259286, -0.86441910961386301169}, {0.3, 0.32862675945912741619},
                          {2.5, 0.99959304798255504106}, {-4.0, -0.99999998458274209972},
                          {0.038018408203597254, 0.042878519926695647184}, {1.0, 0.84270079294971486934},
                          {-2.0, -0.99532226501895273416}};
    for (const auto& R : Erfs) {
        EXPECT_NEAR(Erf(R.x), R.Ref, 2e-9) << R.x;
        EXPECT_NEAR(ErfApprox(R.x), R.Ref, 1.2e-7) << R.x;
    }
    const TRef2 LnB[] = {{19.48543480786168, 22.101551310789038, -28.987344277403987321},
                         {0.4281109895099519, 5.414187152596196, 0.027025165932601269053},
                         {100.0, 0.1, 1.7926462324527930383}, {1.0, 1.0, 0.0}};
    for (const auto& R : LnB) EXPECT_NEAR(LnBeta(R.x, R.y), R.Ref, 5e-10) << R.x << " " << R.y;
    const TRef3 IncB[] = {{0.3068918808654707, 43.94404651150984, 98.58124160272256, 0.49449691743029244335},
                          {0.9486343036886887, 39.96295933738365, 0.8602459818985158, 0.095046856274998446777},
                          {0.5, 0.1, 0.1, 0.5}, {0.2, 2.0, 5.0, 0.34464},
                          {0.99, 100.0, 100.0, 1.0}, {0.45, 100.0, 100.0, 0.078387932712220530466}};
    for (const auto& R : IncB)
        EXPECT_NEAR(IncompleteBeta(R.x, R.a, R.b), R.Ref, std::fmax(1e-9, 1e-8 * R.Ref)) << R.x << " " << R.a;
    const TRef1 Phi[] = {{1.7503238371450554, 0.95996877502084981573}, {-1.7646128651736444, 0.038814425900062192388},
                         {-5.0, 2.8665157187919391167e-7}, {0.3, 0.61791142218895263307},
                         {-0.2, 0.42074029056089697262}};
    for (const auto& R : Phi) {
        EXPECT_NEAR(nDistriIntegral(R.x), R.Ref, 1e-9) << R.x;
        if (R.x <= 0) {
            EXPECT_NEAR(nDistriIntegral(R.x) / R.Ref, 1.0, 2e-8) << R.x;
        }
    }
    const TRef1 Quant[] = {{0.8680551689842851, 1.1172448191447138573}, {1e-07, -5.19933758219281694},
                           {0.025, -1.9599639845400542118}, {0.5001484682044225, 0.00037215460767962279397},
                           {0.975, 1.9599639845400538556}};
    for (const auto& R : Quant) EXPECT_NEAR(nDistriQuantile(R.x), R.Ref, 2e-7) << R.x;
    EXPECT_NEAR(nDistriQuantile(0.9989987030443753), 3.0898473493217437698, 3e-6);
    // scipy.stats.weibull_min.pdf(x, shape, scale=...)
    EXPECT_NEAR(WeibullDensity(1.3, 2.5, 2.0), 0.4659573313431132, 1e-14);
    EXPECT_NEAR(WeibullDensity(0.2, 0.7, 1.5), 0.6691768165463539, 1e-14);
    EXPECT_NEAR(nDistriDensity(1.5), 0.12951759566589174, 1e-16);  // scipy.stats.norm.pdf(1.5)
}

TEST(StatisSpecial, NeutralResultsAndLimits) {
    const struct {
        double Got, Want;
    } Cases[] = {
        {LnGamma(0), 0}, {LnGamma(-3), 0}, {IncompleteGamma(0, 2), 0}, {IncompleteGamma(1, 0), 0},
        {IncompleteGamma(1, kInf), 0}, {IncompleteGamma(kInf, 3), 1}, {Erf(0), 0}, {Erf(kInf), 1}, {Erf(-kInf), -1},
        {nDistriIntegral(0), 0.5}, {nDistriIntegral(kInf), 1}, {nDistriIntegral(-kInf), 0}, {nDistriQuantile(0), 0},
        {nDistriQuantile(1), 0}, {nDistriQuantile(-0.5), 0}, {nDistriQuantile(kNaN), 0}, {WeibullDensity(0, 2, 1), 0},
        {WeibullDensity(1, 2, 0), 0}, {WeibullDensity(1, 0, 1), 0}, {WeibullDensity(1, -2, 1), 0},
        {LnBinomCoeff(2, 5), -1}, {LnBinomCoeff(-1, 0), -1}, {LnBinomCoeff(3, -1), -1}, {LnBeta(-1, 2), 0},
        {LnBeta(2, -0.5), 0}, {IncompleteBeta(0, 2, 3), 0}, {IncompleteBeta(1, 2, 3), 1},
        {IncompleteBeta(1.5, 2, 3), 1}, {IncompleteBeta(-0.1, 2, 3), 0}, {IncompleteBeta(0.5, 0, 3), 0},
        {IncompleteBeta(0.5, 2, -1), 0}, {FisherTransformInv(400), 1}, {FisherTransformInv(-800), -1},
        {CalcFishQ(1, 1, 0, 0), 0}, {CalcFishQ(2, 1, 0, 0), 1e6}, {CalcFishQ(3, 1, 1, 1), 2},
        {ConfidenceInterval(0.05, 2, 0), 0}, {ConfidenceInterval(0.05, 2, -3), 0},
    };
    for (std::size_t i = 0; i < std::size(Cases); ++i) EXPECT_EQ(Cases[i].Got, Cases[i].Want) << "case " << i;
    for (double v : {IncompleteGamma(kNaN, 1), Erf(kNaN), IncompleteBeta(kNaN, 1, 1)}) EXPECT_TRUE(std::isnan(v));
    EXPECT_NEAR(LnGamma(1), 0, 1e-10);
    EXPECT_NEAR(LnGamma(2), 0, 1e-10);
    EXPECT_EQ(Erf(-0.7), -Erf(0.7));
    EXPECT_NEAR(ErfApprox(1), Erf(1), 1.2e-7);
    EXPECT_NEAR(FisherTransformInv(FisherTransform(0.5)), 0.5, 1e-15);
    EXPECT_NEAR(ConfidenceInterval(0.05, 2, 16), 1.959963984540054 * 2 / 4, 2e-7);
}

// The bisection and the gamma series are bounded: far-tail probabilities and a huge a
// return (finite) instead of spinning.
TEST(StatisSpecial, IterationsAreBounded) {
    for (double p : {1e-9, 1e-20, 1e-200, 5e-324, 1 - 1e-16}) {
        const double x = nDistriQuantile(p);
        EXPECT_TRUE(std::isfinite(x)) << p;
        EXPECT_EQ(x < 0, p < 0.5) << p;
    }
    EXPECT_NEAR(nDistriQuantile(1e-9), -5.997807015007686, 1e-4);  // mpmath: sqrt(2) erfinv(2p - 1)
    // Above 2^53 the series index stops growing: the term limit ends it.
    const double P = IncompleteGamma(std::nextafter(1e17, 0.0), 1e17);
    EXPECT_TRUE(P >= 0 && P <= 1.5) << P;
}

// Exact binomials by integer recursion (Pascal's triangle in 64 bits).
TEST(StatisSpecial, BinomialCoefficients) {
    std::vector<std::int64_t> Row{1};
    for (std::int32_t n = 0; n <= 60; ++n) {
        for (std::int32_t k = 0; k <= n; ++k) {
            const std::int64_t C = Row[static_cast<std::size_t>(k)];
            if (C <= std::numeric_limits<std::int32_t>::max()) {
                if (n <= 59) {
                    EXPECT_EQ(BinomCoeff(n, k), C) << n << " " << k;
                }
            } else {
                EXPECT_EQ(BinomCoeff(n, k), 0) << n << " " << k;  // beyond 32 bits: "no value"
            }
            EXPECT_NEAR(LnBinomCoeff(n, k), std::log(static_cast<double>(C)), 5e-9) << n << " " << k;
        }
        std::vector<std::int64_t> Next(Row.size() + 1, 1);
        for (std::size_t k = 1; k < Row.size(); ++k) Next[k] = Row[k - 1] + Row[k];
        Row.swap(Next);
    }
    EXPECT_EQ(BinomCoeff(5, 2), 10);
    EXPECT_EQ(BinomCoeff(2, 5), 0);
    EXPECT_EQ(BinomCoeff(-1, 0), 0);
    EXPECT_EQ(BinomCoeff(34, 17), 0);
    EXPECT_EQ(BinomCoeff(60904, 2), 1854618156 + 1);  // the rounded exponential is one high
    // n + 1 is formed in 64 bits
    EXPECT_NEAR(LnBinomCoeff(std::numeric_limits<std::int32_t>::max(), 1), std::log(2147483647.0), 1e-4);
    EXPECT_NEAR(LnBinomCoeff(std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()), 0, 1e-4);
}

TEST(StatisSpecial, HypergeometricDensity) {
    // Exact ratios C(m, k) C(N - m, n - k) / C(N, n).
    EXPECT_NEAR(HyperGeoDistriDensity(0.5, 10, 4, 2), 100.0 / 210, 1e-9);
    EXPECT_EQ(HyperGeoDistriDensity(0.5, 10, 4, 5), 0);
    // m = Round(0.25 * 10) = 2 (half to even): C(2, 2) C(8, 1) / C(10, 3) = 8 / 120
    EXPECT_NEAR(HyperGeoDistriDensity(0.25, 10, 3, 2), 8.0 / 120, 1e-9);
    // m = Round(0.45 * 10) = 4 (4.5 to even): C(4, 1) C(6, 2) / C(10, 3) = 60 / 120
    EXPECT_NEAR(HyperGeoDistriDensity(0.45, 10, 3, 1), 60.0 / 120, 1e-9);
    // k below nsample + m - npop: C(8, 6) needs at least 4 successes among 6 of 10
    EXPECT_EQ(HyperGeoDistriDensity(0.8, 10, 6, 3), 0);
    EXPECT_NEAR(HyperGeoDistriDensity(0.8, 10, 6, 4), 70.0 / 210, 1e-9);
    EXPECT_EQ(HyperGeoDistriDensity(0.5, 10, 4, -1), 0);
    // nsample + m - npop is formed in 64 bits
    const std::int32_t Max = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(HyperGeoDistriDensity(1.0, Max, Max, 0), 0);

    const struct {
        double p;
        std::int32_t npop, nsample;
        const char* Msg;
    } Bad[] = {
        {-0.1, 0, 5, "HyperGeoDistriDensity: probability p must be between 0.0 and 1.0"},
        {kNaN, 10, 5, "HyperGeoDistriDensity: probability p must be between 0.0 and 1.0"},
        {1.5, 10, 5, "HyperGeoDistriDensity: probability p must be between 0.0 and 1.0"},
        {0.5, 0, 5, "HyperGeoDistriDensity: npop must be greater than 0"},
        {0.5, 10, 11, "HyperGeoDistriDensity: nsample must not be greater than npop"},
        {0.5, 10, 0, "HyperGeoDistriDensity: nsample must not be less than 1"},
    };
    for (const auto& B : Bad) {
        try {
            HyperGeoDistriDensity(B.p, B.npop, B.nsample, 1);
            ADD_FAILURE() << B.Msg;
        } catch (const EQMRStatisError& E) {
            EXPECT_EQ(std::string(E.what()), B.Msg);
        }
    }
}

TEST(StatisSpecial, FisherTransformRaises) {
    for (double r : {1.0, -1.0, 1.5, kNaN, -kInf}) {
        try {
            FisherTransform(r);
            ADD_FAILURE() << r;
        } catch (const EQMRStatisError& E) {
            EXPECT_EQ(std::string(E.what()), "FisherTransform: argument out of range");
        }
    }
    EXPECT_NEAR(FisherTransform(0.5), 0.54930614433405484570, 1e-15);  // atanh(0.5), mpmath
}

}  // namespace
