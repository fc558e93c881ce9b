// Complex numbers: arithmetic, tolerance comparisons, polar form.
#include "qmr_test_support.h"

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <random>
#include <type_traits>

using namespace qmr;

namespace {

#if QMR_EXTENDED_80
constexpr Extended kDefaultNearZero = 1e-15L;
constexpr Extended kPi = std::numbers::pi_v<long double>;
#else
constexpr Extended kDefaultNearZero = 1e-15;
constexpr Extended kPi = std::numbers::pi;
#endif
constexpr Extended kEps = std::numeric_limits<Extended>::epsilon();

// Restores the tolerance a test changes.
class NearZeroGuard {
public:
    NearZeroGuard() : FSaved(CpxNearZero) {}
    ~NearZeroGuard() { CpxNearZero = FSaved; }
private:
    Extended FSaved;
};

void ExpectNear(const TComplex& Z, Extended Re, Extended Im, Extended Tol) {
    // Compared in Extended: a cast to double would hide the wide build's precision.
    EXPECT_LE(std::fabs(Z.re - Re), Tol) << static_cast<double>(Z.re) << " vs " << static_cast<double>(Re);
    EXPECT_LE(std::fabs(Z.im - Im), Tol) << static_cast<double>(Z.im) << " vs " << static_cast<double>(Im);
}

}  // namespace

TEST(Complex, ExportedDataAtLoad) {
    EXPECT_EQ(CpxNearZero, kDefaultNearZero);
    EXPECT_TRUE(CpxIsEqual(COMPLEX_0, Cpx(0, 0)));
    EXPECT_TRUE(CpxIsEqual(COMPLEX_1, Cpx(1, 0)));
    static_assert(std::is_same_v<decltype(TComplex::re), Extended>);
    static_assert(std::is_same_v<decltype(TComplexPolar::phi), Extended>);
    static_assert(std::is_base_of_v<EQMRError, EQMRComplexError>);
}

TEST(Complex, ArithmeticAgainstStdComplex) {
    const TComplex I = Cpx(0, 1);
    EXPECT_TRUE(CpxIsEqual(CpxMult(I, I), Cpx(-1, 0)));
    EXPECT_TRUE(CpxIsEqual(CpxAdd(Cpx(1, 2), Cpx(3, -5)), Cpx(4, -3)));
    EXPECT_TRUE(CpxIsEqual(CpxSub(Cpx(1, 2), Cpx(3, -5)), Cpx(-2, 7)));
    EXPECT_TRUE(CpxIsEqual(CpxConj(Cpx(1, 2)), Cpx(1, -2)));
    EXPECT_TRUE(CpxIsEqual(CpxNeg(Cpx(1, -2)), Cpx(-1, 2)));
    EXPECT_EQ(CpxAbs(Cpx(3, -4)), 5);
    EXPECT_EQ(CpxAbsSqr(Cpx(3, -4)), 25);
    EXPECT_TRUE(CpxIsEqual(CpxDiv(Cpx(-1, 0), I), I));

    std::mt19937 Gen(21);
    std::uniform_real_distribution<double> U(-100, 100);
    for (int K = 0; K < 500; ++K) {
        const Extended A = U(Gen), B = U(Gen), C = U(Gen), D = U(Gen);
        const std::complex<Extended> Z1(A, B), Z2(C, D);
        const Extended Scale = std::abs(Z1) * std::abs(Z2) * 8 * kEps;
        ExpectNear(CpxMult(Cpx(A, B), Cpx(C, D)), (Z1 * Z2).real(), (Z1 * Z2).imag(), Scale);
        const std::complex<Extended> Q = Z1 / Z2;
        ExpectNear(CpxDiv(Cpx(A, B), Cpx(C, D)), Q.real(), Q.imag(), std::abs(Q) * 8 * kEps);
        EXPECT_LE(std::fabs(CpxAbs(Cpx(A, B)) - std::abs(Z1)), std::abs(Z1) * 4 * kEps);
        // (Z1 / Z2) * Z2 = Z1.
        const TComplex Back = CpxMult(CpxDiv(Cpx(A, B), Cpx(C, D)), Cpx(C, D));
        ExpectNear(Back, A, B, std::abs(Z1) * 16 * kEps);
    }
}

TEST(Complex, ModulusAndDivisionAtTheEndsOfTheRange) {
    const Extended Big = std::numeric_limits<Extended>::max() / 4;
    const Extended Tiny = std::numeric_limits<Extended>::min() * 4;
    const Extended Sqrt2 = std::sqrt(Extended(2));
    // The squares overflow or underflow; the modulus does not.
    EXPECT_NEAR(static_cast<double>(CpxAbs(Cpx(Big, Big)) / Big), static_cast<double>(Sqrt2), 1e-15);
    EXPECT_NEAR(static_cast<double>(CpxAbs(Cpx(Tiny, -Tiny)) / Tiny), static_cast<double>(Sqrt2), 1e-15);
    EXPECT_EQ(CpxAbs(Cpx(-Big, 0)), Big);
    // Divisors whose squared modulus overflows or underflows.
    ExpectNear(CpxDiv(Cpx(Big, 0), Cpx(Big, Big)), 0.5, -0.5, 1e-15);
    ExpectNear(CpxDiv(Cpx(Tiny, 0), Cpx(Tiny, Tiny)), 0.5, -0.5, 1e-15);
    const Extended Small = std::scalbn(Extended(1), std::numeric_limits<Extended>::min_exponent / 2 - 8);
    const TComplex Q = CpxDiv(Cpx(1, 1), Cpx(Small, Small));
    EXPECT_EQ(Q.re, 1 / Small);
    EXPECT_EQ(Q.im, 0);
    // Division by zero follows the floating-point rules and does not raise.
    const TComplex Z = CpxDiv(Cpx(1, 1), COMPLEX_0);
    EXPECT_FALSE(std::isfinite(Z.re));
    EXPECT_FALSE(std::isfinite(Z.im));
}

TEST(Complex, ToleranceComparisonsAreStrict) {
    EXPECT_TRUE(CpxIsZero(Cpx(1e-16, -1e-16)));
    EXPECT_FALSE(CpxIsZero(Cpx(kDefaultNearZero, 0)));
    EXPECT_FALSE(CpxIsZero(Cpx(0, -kDefaultNearZero)));
    EXPECT_TRUE(CpxIsZero(COMPLEX_0));
    EXPECT_FALSE(CpxIsNearEqual(Cpx(0, 0), Cpx(CpxNearZero, 0)));
    EXPECT_FALSE(CpxIsNearEqual(Cpx(0, 0), Cpx(0, CpxNearZero)));
    EXPECT_TRUE(CpxIsNearEqual(Cpx(1, 1), Cpx(1 + kDefaultNearZero / 2, 1 - kDefaultNearZero / 2)));
    EXPECT_FALSE(CpxIsEqual(Cpx(1, 1), Cpx(1, 1 + kEps)));
    {
        NearZeroGuard Guard;
        CpxNearZero = 0.1L;
        EXPECT_TRUE(CpxIsZero(Cpx(0.05, -0.05)));
        EXPECT_TRUE(CpxIsNearEqual(Cpx(2, 3), Cpx(2.05, 2.95)));
        EXPECT_FALSE(CpxIsNearEqual(Cpx(2, 3), Cpx(2.05, 2.85)));
    }
    EXPECT_EQ(CpxNearZero, kDefaultNearZero);
}

TEST(Complex, PolarForm) {
    TComplexPolar P = ConvertRectToPolar(Cpx(0, -1));
    EXPECT_EQ(P.r, 1);
    EXPECT_EQ(P.phi, -kPi / 2);
    P = ConvertRectToPolar(Cpx(-1, 0));
    EXPECT_EQ(P.phi, kPi);
    P = ConvertRectToPolar(Cpx(-1, -1));
    EXPECT_NEAR(static_cast<double>(P.phi), static_cast<double>(-3 * kPi / 4), 1e-15);
    const TComplex Z = ConvertPolarToRect(TComplexPolar{2, kPi / 6});
    ExpectNear(Z, std::sqrt(Extended(3)), 1, 4 * kEps);
    std::mt19937 Gen(8);
    std::uniform_real_distribution<double> U(-50, 50);
    for (int K = 0; K < 300; ++K) {
        const TComplex W = Cpx(U(Gen), U(Gen));
        const TComplexPolar Pw = ConvertRectToPolar(W);
        EXPECT_GE(Pw.phi, -kPi);
        EXPECT_LE(Pw.phi, kPi);
        ExpectNear(ConvertPolarToRect(Pw), W.re, W.im, 200 * kEps);
    }
}
