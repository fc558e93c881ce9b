// Special functions of QMR_statis: accuracy of the fixed approximations, neutral results,
// exact messages, bounded iterations.
#include "qmr_test_support.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace qmr;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// References: mpmath 1.2 at 30 digits (loggamma, gammainc, erf, beta, betainc, ncdf,
// sqrt(2) erfinv(2p - 1)); the points include the worst ones of a random sweep over the
// stated domains. The bound is max(Tol, Rel |Ref|).
TEST(StatisSpecial, AccuracyAgainstMpmath) {
    using F = std::function<double(double, double, double)>;
    using TPts = std::vector<std::array<double, 4>>;  // x, y, z, Ref
    const TPts ErfPts = {{-1.0553223935259286, 0, 0, -0.86441910961386301169}, {0.3, 0, 0, 0.32862675945912741619},
                         {2.5, 0, 0, 0.99959304798255504106}, {-4.0, 0, 0, -0.99999998458274209972},
                         {0.038018408203597254, 0, 0, 0.042878519926695647184}, {1.0, 0, 0, 0.84270079294971486934},
                         {-2.0, 0, 0, -0.99532226501895273416}};
    // Phi relative to its reference (in y) on [-5, 0]
    const TPts PhiLow = {{-1.7646128651736444, 0.038814425900062192388, 0, 1}, {-5.0, 2.8665157187919391167e-7, 0, 1},
                         {-0.2, 0.42074029056089697262, 0, 1}};
    const struct {
        F Fn;
        double Tol, Rel;  // bound max(Tol, Rel |Ref|)
        TPts Pts;
    } Groups[] = {
        {[](double x, double, double) { return LnGamma(x); }, 3e-10, 0,
         {{0.001, 0, 0, 6.9071788853838536617}, {0.5, 0, 0, 0.57236494292470008707}, {1, 0, 0, 0}, {2, 0, 0, 0},
          {1.0157490659198039, 0, 0, -0.0088881572733008334701}, {3.7, 0, 0, 1.4280723266653881292},
          {15.762117677086708, 0, 0, 27.249066954123425943}, {100000.0, 0, 0, 1051287.7089736568949}}},
        {[](double x, double a, double) { return IncompleteGamma(x, a); }, 3e-9, 2e-8,
         {{55.14389576093433, 57.68124735185271, 0, 0.38397868704775100863}, {0.5, 0.1, 0, 0.94140244589013351866},
          {300.0, 100.0, 0, 1.0}, {0.01, 2.0, 0, 0.000049667913340265892416}, {150.0, 100.0, 0, 0.99999407545966451608},
          {20.0, 3.0, 0, 0.99999954448504944108}, {2.0, 0.5, 0, 0.9544997361036415856},
          {94.13229976599068, 95.25513667327164, 0, 0.46759939664443843617}}},
        {[](double x, double, double) { return Erf(x); }, 2e-9, 0, ErfPts},
        {[](double x, double, double) { return ErfApprox(x); }, 1.2e-7, 0, ErfPts},
        {[](double z, double w, double) { return LnBeta(z, w); }, 5e-10, 0,
         {{19.48543480786168, 22.101551310789038, 0, -28.987344277403987321}, {100.0, 0.1, 0, 1.7926462324527930383},
          {0.4281109895099519, 5.414187152596196, 0, 0.027025165932601269053}, {1.0, 1.0, 0, 0.0}}},
        {[](double x, double a, double b) { return IncompleteBeta(x, a, b); }, 1e-9, 1e-8,
         {{0.3068918808654707, 43.94404651150984, 98.58124160272256, 0.49449691743029244335}, {0.5, 0.1, 0.1, 0.5},
          {0.9486343036886887, 39.96295933738365, 0.8602459818985158, 0.095046856274998446777},
          {0.2, 2.0, 5.0, 0.34464}, {0.99, 100.0, 100.0, 1.0}, {0.45, 100.0, 100.0, 0.078387932712220530466}}},
        {[](double x, double, double) { return nDistriIntegral(x); }, 1e-9, 0,
         {{1.7503238371450554, 0, 0, 0.95996877502084981573}, {-1.7646128651736444, 0, 0, 0.038814425900062192388},
          {0.3, 0, 0, 0.61791142218895263307}, {-0.2, 0, 0, 0.42074029056089697262}}},
        {[](double x, double Ref, double) { return nDistriIntegral(x) / Ref; }, 2e-8, 0, PhiLow},
        {[](double p, double, double) { return nDistriQuantile(p); }, 2e-7, 0,
         {{0.8680551689842851, 0, 0, 1.1172448191447138573}, {1e-07, 0, 0, -5.19933758219281694},
          {0.025, 0, 0, -1.9599639845400542118}, {0.5001484682044225, 0, 0, 0.00037215460767962279397},
          {0.975, 0, 0, 1.9599639845400538556}}},
        {[](double p, double, double) { return nDistriQuantile(p); }, 3e-6, 0,
         {{0.9989987030443753, 0, 0, 3.0898473493217437698}}},
    };
    for (const auto& G : Groups)
        for (const auto& [x, y, z, Ref] : G.Pts)
            EXPECT_NEAR(G.Fn(x, y, z), Ref, std::fmax(G.Tol, G.Rel * std::fabs(Ref))) << x << " " << y << " " << z;
    // scipy.stats.weibull_min.pdf(x, shape, scale=...), scipy.stats.norm.pdf(1.5), atanh(0.5)
    EXPECT_NEAR(WeibullDensity(1.3, 2.5, 2.0), 0.4659573313431132, 1e-14);
    EXPECT_NEAR(WeibullDensity(0.2, 0.7, 1.5), 0.6691768165463539, 1e-14);
    EXPECT_NEAR(nDistriDensity(1.5), 0.12951759566589174, 1e-16);
    EXPECT_NEAR(FisherTransform(0.5), 0.54930614433405484570, 1e-15);
    EXPECT_NEAR(ConfidenceInterval(0.05, 2, 16), 1.959963984540054 * 2 / 4, 2e-7);
}

// The written algorithms are the contract, branch choices included: a double transcription
// of them in Python (series or continued fraction either side of x = a + 1, the beta
// fraction either side of (a + 1) / (a + b + 2), ErfApprox at 0) agrees to rounding.
TEST(StatisSpecial, WrittenAlgorithms) {
    const struct {
        double Got, Want;
    } Cases[] = {
        {IncompleteGamma(3.5, 1.0), 0.9698026165764217},   {IncompleteGamma(5.0, 2.5), 0.92476475374918},
        {IncompleteGamma(12.0, 10.0), 0.7576078382788356}, {IncompleteGamma(2.2, 1.0), 0.8891968416330439},
        {IncompleteBeta(0.3, 2, 5), 0.5798250000351522},    {IncompleteBeta(0.35, 2, 5), 0.6809200781056556},
        {IncompleteBeta(0.5, 3, 3), 0.49999999996967437},   {IncompleteBeta(0.4, 1.5, 4), 0.7709632935295399},
        {ErfApprox(0), -3.0000000483809686e-08},
    };
    for (const auto& C : Cases) EXPECT_NEAR(C.Got, C.Want, 4e-16 * std::fabs(C.Want)) << C.Want;
}

TEST(StatisSpecial, NeutralResultsAndLimits) {
    const struct {
        double Got, Want;
    } Cases[] = {
        {LnGamma(0), 0}, {LnGamma(-3), 0}, {LnGamma(kInf), kInf}, {IncompleteGamma(0, 2), 0}, {IncompleteGamma(1, 0), 0},
        {IncompleteGamma(1, kInf), 0}, {IncompleteGamma(kInf, 3), 1}, {Erf(0), 0}, {Erf(kInf), 1}, {Erf(-kInf), -1},
        {Erf(-0.7), -Erf(0.7)}, {nDistriIntegral(0), 0.5}, {nDistriIntegral(kInf), 1}, {nDistriIntegral(-kInf), 0},
        {nDistriQuantile(0), 0}, {nDistriQuantile(1), 0}, {nDistriQuantile(-0.5), 0}, {nDistriQuantile(kNaN), 0},
        {WeibullDensity(0, 2, 1), 0}, {WeibullDensity(1, 2, 0), 0}, {WeibullDensity(1, 0, 1), 0},
        {WeibullDensity(1, -2, 1), 0}, {LnBinomCoeff(2, 5), -1}, {LnBinomCoeff(-1, 0), -1}, {LnBinomCoeff(3, -1), -1},
        {LnBeta(-1, 2), 0}, {LnBeta(2, -0.5), 0}, {IncompleteBeta(0, 2, 3), 0}, {IncompleteBeta(1, 2, 3), 1},
        {IncompleteBeta(1.5, 2, 3), 1}, {IncompleteBeta(-0.1, 2, 3), 0}, {IncompleteBeta(-0.1, 0, 3), 0},
        {IncompleteBeta(1.5, 0, 3), 1}, {IncompleteBeta(0.5, 0, 3), 0}, {IncompleteBeta(0.5, 2, -1), 0},
        {FisherTransformInv(400), 1}, {FisherTransformInv(-800), -1}, {CalcFishQ(1, 1, 0, 0), 0},
        {CalcFishQ(2, 1, 0, 0), 1e6}, {CalcFishQ(3, 1, 1, 1), 2}, {ConfidenceInterval(0.05, 2, 0), 0},
        {ConfidenceInterval(0.05, 2, -3), 0},
    };
    for (std::size_t i = 0; i < std::size(Cases); ++i) EXPECT_EQ(Cases[i].Got, Cases[i].Want) << "case " << i;
    for (double v : {LnGamma(kNaN), LnBeta(kNaN, 2), IncompleteGamma(kNaN, 1), Erf(kNaN), IncompleteBeta(kNaN, 1, 1)})
        EXPECT_TRUE(std::isnan(v));
    EXPECT_NEAR(FisherTransformInv(FisherTransform(0.5)), 0.5, 1e-15);
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
            // beyond 32 bits: "no value"; exact below (Round(exp) drifts from n = 60)
            const std::int64_t Want = C > std::numeric_limits<std::int32_t>::max() ? 0 : C;
            if (Want == 0 || n <= 59) {
                EXPECT_EQ(BinomCoeff(n, k), Want) << n << " " << k;
            }
            EXPECT_NEAR(LnBinomCoeff(n, k), std::log(static_cast<double>(C)), 5e-9) << n << " " << k;
        }
        std::vector<std::int64_t> Next(Row.size() + 1, 1);
        for (std::size_t k = 1; k < Row.size(); ++k) Next[k] = Row[k - 1] + Row[k];
        Row.swap(Next);
    }
    const std::int32_t Max = std::numeric_limits<std::int32_t>::max();
    for (const auto& [n, k, Want] : {std::tuple{2, 5, 0}, {-1, 0, 0}, {34, 17, 0},
                                     {60904, 2, 1854618156 + 1}})  // the last: the rounded exponential is one high
        EXPECT_EQ(BinomCoeff(n, k), Want) << n << " " << k;
    // n + 1 is formed in 64 bits
    EXPECT_NEAR(LnBinomCoeff(Max, 1), std::log(2147483647.0), 1e-4);
    EXPECT_NEAR(LnBinomCoeff(Max, Max), 0, 1e-4);
}

TEST(StatisSpecial, HypergeometricDensity) {
    // Exact ratios C(m, k) C(N - m, n - k) / C(N, n); m = Round(p N), halves to even.
    const std::int32_t Max = std::numeric_limits<std::int32_t>::max();
    const struct {
        double p;
        std::int32_t npop, nsample, k;
        double Want;
    } Cases[] = {
        {0.5, 10, 4, 2, 100.0 / 210}, {0.5, 10, 4, 5, 0}, {0.5, 10, 4, -1, 0},
        {0.25, 10, 3, 2, 8.0 / 120},   // m = 2: C(2, 2) C(8, 1) / C(10, 3)
        {0.45, 10, 3, 1, 60.0 / 120},  // m = 4: C(4, 1) C(6, 2) / C(10, 3)
        {0.8, 10, 6, 3, 0},            // k below nsample + m - npop = 4
        {0.8, 10, 6, 4, 70.0 / 210}, {1.0, Max, Max, 0, 0},  // nsample + m - npop in 64 bits
    };
    for (const auto& C : Cases) EXPECT_NEAR(HyperGeoDistriDensity(C.p, C.npop, C.nsample, C.k), C.Want, 1e-9) << C.p;
}

// The messages and their order: each call also fails the checks after its own.
TEST(StatisSpecial, ExactMessages) {
    const std::string HG = "HyperGeoDistriDensity: ", FT = "FisherTransform: argument out of range";
    const std::string P01 = HG + "probability p must be between 0.0 and 1.0";
    const struct {
        std::function<void()> Call;
        std::string Msg;
    } Cases[] = {
        {[] { HyperGeoDistriDensity(-0.1, 0, 5, 1); }, P01}, {[] { HyperGeoDistriDensity(kNaN, 10, 5, 1); }, P01},
        {[] { HyperGeoDistriDensity(1.5, 10, 5, 1); }, P01},
        {[] { HyperGeoDistriDensity(0.5, 0, 5, 1); }, HG + "npop must be greater than 0"},
        {[] { HyperGeoDistriDensity(0.5, 10, 11, 1); }, HG + "nsample must not be greater than npop"},
        {[] { HyperGeoDistriDensity(0.5, 10, 0, 1); }, HG + "nsample must not be less than 1"},
        {[] { FisherTransform(1.0); }, FT}, {[] { FisherTransform(-1.0); }, FT}, {[] { FisherTransform(1.5); }, FT},
        {[] { FisherTransform(kNaN); }, FT}, {[] { FisherTransform(-kInf); }, FT},
    };
    for (const auto& C : Cases) {
        try {
            C.Call();
            ADD_FAILURE() << C.Msg;
        } catch (const EQMRStatisError& E) {
            EXPECT_EQ(std::string(E.what()), C.Msg);
        }
    }
}

}  // namespace
