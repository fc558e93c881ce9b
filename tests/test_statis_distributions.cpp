// Full-precision t, chi-square and F distributions (internal module).
#include "qmr_test_support.h"

#include "analysis/detail/QMR_distributions.h"

#include <cmath>
#include <limits>

namespace {

using namespace qmr::detail;

// One signature for all: (x, Df1, Df2).
using TFn = double (*)(double, std::int32_t, std::int32_t);
const TFn tup = [](double x, std::int32_t n, std::int32_t) { return StudentTUpper(x, n); };
const TFn tcdf = [](double x, std::int32_t n, std::int32_t) { return StudentTCdf(x, n); };
const TFn tpdf = [](double x, std::int32_t n, std::int32_t) { return StudentTDensity(x, n); };
const TFn tq = [](double q, std::int32_t n, std::int32_t) { return StudentTQuantileUpper(q, n); };
const TFn cup = [](double x, std::int32_t n, std::int32_t) { return ChiSquareUpper(x, n); };
const TFn ccdf = [](double x, std::int32_t n, std::int32_t) { return ChiSquareCdf(x, n); };
const TFn cpdf = [](double x, std::int32_t n, std::int32_t) { return ChiSquareDensity(x, n); };
const TFn fup = FUpper, fcdf = FCdf, fpdf = FDensity;

struct TCase {
    TFn Fn;
    double x;
    std::int32_t Df1, Df2;
    double Ref;
};

// References: mpmath 1.2 at 50 digits (betainc, gammainc, gamma; quantiles by findroot on
// the log of the mpmath tail; the t tail at df 10^8 by quad of the density: there the beta
// function's x = 1 - 6.25e-8 must carry more than 53 bits into its continued fraction).
const TCase kCases[] = {
    {tup, 2.5, 5, 0, 0.027245049671188120558}, {tup, -1.3, 3, 0, 0.8577662456360513068},
    {tup, 1e-08, 7, 0, 0.49999999615008549168}, {tup, 0.7, 1, 0, 0.30559988778578522},
    {tup, 30000000000.0, 1, 0, 1.0610329539459689051e-11}, {tup, 1e+100, 2, 0, 4.999999999999999841e-201},
    {tup, 40.0, 3, 0, 0.000017190340394579264142}, {tup, 1.7, 10000, 0, 0.044581011363852524271},
    {tup, -2.2, 10000, 0, 0.98608515683663245966}, {tup, 38.0, 10000, 0, 1.448300534885690189e-295},
    {tup, 3.0, 123456, 0, 0.0013501672824286226354}, {tpdf, 0.0, 1, 0, 0.31830988618379067154},
    {tpdf, 1.5, 4, 0, 0.12288}, {tpdf, 20.0, 2, 0, 0.00012406832538652150535},
    {tpdf, 8.0, 10000, 0, 5.5766500019289782726e-15}, {tq, 0.025, 4, 0, 2.7764451051977943036},
    {tq, 1e-300, 3, 0, 1.0331108360446529009e+100}, {tq, 1e-100, 10000, 0, 21.516974193914982341},
    {tq, 0.49999, 6, 0, 0.000026127890593181598813}, {tq, 1e-12, 1, 0, 318309886183.79067794},
    {tq, 0.9, 12, 0, -1.3562173340232055774}, {tq, 1e-05, 2, 0, 223.60344363403718812},
    {cup, 3.84, 1, 0, 0.050043521248705103189}, {cup, 0.01, 2, 0, 0.99501247919268231325},
    {cup, 1380.0, 3, 0, 6.4417142547846233684e-299}, {cup, 100.0, 100, 0, 0.48119168452795671811},
    {cup, 10300.0, 10000, 0, 0.017638117447345399638}, {ccdf, 10300.0, 10000, 0, 0.98236188255265460036},
    {ccdf, 9700.0, 10000, 0, 0.016250795177709931034}, {cup, 12000.0, 10000, 0, 1.1470065524601247764e-40},
    {cup, 1e-06, 5, 0, 0.99999999999999994681}, {ccdf, 1e-06, 5, 0, 5.3192285056276597263e-17},
    {cup, 202000.0, 200000, 0, 0.00080842151292559073247}, {ccdf, 202000.0, 200000, 0, 0.99919157848707440927},
    {cpdf, 0.5, 1, 0, 0.43939128946772239705}, {cpdf, 9990.0, 10000, 0, 0.0028166694342055453993},
    {cpdf, 1300.0, 3, 0, 7.3530666892693053266e-282}, {fup, 3.0, 2, 7, 0.11456221633906808503},
    {fcdf, 0.2, 5, 1, 0.07558681842161244384}, {fup, 0.001, 1, 1, 0.97987502169635586897},
    {fup, 50.0, 3, 10000, 4.5649950875200373663e-32}, {fup, 1.05, 10000, 10000, 0.0073573382358560730088},
    {fcdf, 1.05, 10000, 10000, 0.99264266176414392699}, {fup, 0.97, 300, 2000, 0.62736109533431220836},
    {fup, 100000.0, 4, 4, 2.9999200014999760003e-10}, {fcdf, 100000.0, 4, 4, 0.99999999970000799985},
    {fcdf, 2.0, 1, 100000, 0.84269767965083510816}, {fpdf, 1.3, 3, 8, 0.29017887591148193817},
    {fpdf, 0.02, 1, 5, 2.6522699277379792903}, {fpdf, 1.01, 10000, 10000, 17.450150911246773716},
    {fpdf, 400.0, 2, 2, 6.2188667980920516663e-6}, {tup, 2.5, 100000000, 0, 0.0062096661200272706694889},
    {tcdf, -2.5, 5, 0, 0.027245049671188120558}, {tcdf, -38.0, 10000, 0, 1.448300534885690189e-295},
    // densities at tiny x where x^(df/2) alone leaves the normal range
    {cpdf, 1e-300, 3, 0, 3.9894228040143267794e-151}, {cpdf, 1e-200, 5, 0, 1.3298076013381089265e-301},
    {fpdf, 1e-300, 3, 5, 2.3669930651961592534e-150}, {fpdf, 1e-160, 4, 7, 5.1428571428571428571e-160},
};

TEST(Distributions, MatchMpmath) {
    for (const TCase& C : kCases) {
        const bool Beyond = C.Df1 > 10000 || C.Df2 > 10000;
        const double Got = C.Fn(C.x, C.Df1, C.Df2);
        EXPECT_NEAR(Got / C.Ref, 1.0, Beyond ? 1e-10 : 1e-12)
            << "x " << C.x << " df " << C.Df1 << ", " << C.Df2 << " got "
            << Got;
    }
}

// P(T > t) + P(T <= t) = 1 and the quantile inverts the tail, over a grid of df and
// probabilities down to 1e-300 (relative round trip of the probability).
TEST(Distributions, QuantileInvertsTail) {
    for (std::int32_t Df : {1, 2, 3, 4, 9, 30, 200, 5000, 10000, 1000000}) {
        for (double q : {1e-300, 1e-150, 1e-40, 1e-9, 0.001, 0.05, 0.2, 0.3, 0.45, 0.4999999, 0.5, 0.7, 0.99}) {
            const double t = StudentTQuantileUpper(q, Df);
            const double Back = StudentTUpper(t, Df);
            // a few ulps of t move the tail by its elasticity t f(t) / S(t) (1262 at df 10^4, 1e-300)
            const double Elasticity = std::fabs(t) * StudentTDensity(t, Df) / std::fmin(q, 1 - q);
            EXPECT_NEAR(Back / q, 1.0, (Df > 10000 ? 1e-10 : 1e-12) + 8e-16 * Elasticity) << "df " << Df << " q " << q;
            EXPECT_NEAR(StudentTUpper(t, Df) + StudentTCdf(t, Df), 1.0, 4e-16) << Df << " " << q;
        }
    }
}

TEST(Distributions, DomainCorners) {
    const double NaN = std::numeric_limits<double>::quiet_NaN(), Inf = std::numeric_limits<double>::infinity();
    for (double v : {StudentTUpper(1, 0), StudentTCdf(NaN, 3), StudentTDensity(1, -2), StudentTQuantileUpper(0.1, 0),
                     StudentTQuantileUpper(NaN, 4), StudentTQuantileUpper(1.5, 4), ChiSquareUpper(1, 0),
                     ChiSquareCdf(NaN, 2), ChiSquareDensity(1, 0), FUpper(1, 0, 3), FCdf(1, 3, 0), FDensity(NaN, 2, 2),
                     GammaP(0, 1), GammaQ(1, -1), BetaI(1, 1, 1.5), BetaIc(-1, 1, 0.5)})
        EXPECT_TRUE(std::isnan(v));
    const struct {
        double Got, Want;
    } Exact[] = {
        {StudentTUpper(Inf, 5), 0},      {StudentTUpper(-Inf, 5), 1},     {StudentTCdf(Inf, 1), 1},
        {StudentTUpper(0, 7), 0.5},      {StudentTDensity(Inf, 3), 0},    {StudentTQuantileUpper(0, 3), Inf},
        {StudentTQuantileUpper(1, 3), -Inf}, {StudentTQuantileUpper(0.5, 3), 0},
        {ChiSquareUpper(0, 3), 1},       {ChiSquareCdf(-1, 3), 0},        {ChiSquareUpper(Inf, 3), 0},
        {ChiSquareDensity(0, 1), Inf},   {ChiSquareDensity(0, 2), 0.5},   {ChiSquareDensity(0, 3), 0},
        {ChiSquareDensity(-1, 3), 0},    {FUpper(0, 2, 2), 1},            {FCdf(Inf, 2, 2), 1},
        {FUpper(Inf, 2, 2), 0},          {FDensity(0, 1, 4), Inf},        {FDensity(0, 2, 4), 1},
        {FDensity(0, 3, 4), 0},          {FDensity(-2, 3, 4), 0},         {GammaP(2, 0), 0},
        {GammaQ(2, Inf), 0},             {BetaI(2, 3, 0), 0},             {BetaIc(2, 3, 1), 0},
    };
    for (const auto& E : Exact) EXPECT_EQ(E.Got, E.Want);
}

// Closed forms with integer parameters: I_x(1, b) = 1 - (1 - x)^b, Q(1, x) = e^-x, the
// df = 2 tail of t, the F(2, 2) upper tail 1 / (1 + x).
TEST(Distributions, ClosedForms) {
    for (double x : {1e-12, 0.01, 0.3, 0.77, 0.999}) {
        EXPECT_NEAR(BetaIc(1, 7, x) / std::pow(1 - x, 7), 1.0, 1e-14) << x;
        EXPECT_NEAR(GammaQ(1, 40 * x) / std::exp(-40 * x), 1.0, 1e-14) << x;
    }
    for (double t : {0.01, 1.0, 7.5, 1e8, 1e200}) {
        // a tail e^-E carries the rounding of E: |E| ulps, about 1e-13 at 1e-200
        EXPECT_NEAR(FUpper(t, 2, 2) * (1 + t), 1.0, 2e-13) << t;
    }
    EXPECT_NEAR(StudentTUpper(3, 2) / (0.5 * (1 - 3 / std::sqrt(11.0))), 1.0, 1e-14);
}

}  // namespace
