// Complex numbers: arithmetic, tolerance comparisons, polar form.
#include "qmr_test_support.h"

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <random>

using namespace qmr;

namespace {

#if QMR_EXTENDED_80
constexpr Extended kDefaultNearZero = 1e-15L;
#else
constexpr Extended kDefaultNearZero = 1e-15;
#endif
constexpr Extended kPi = std::numbers::pi_v<Extended>;
constexpr Extended kEps = std::numeric_limits<Extended>::epsilon();

// Compared in Extended: a cast to double would hide the wide build's precision.
void ExpectNear(const TComplex& Z, Extended Re, Extended Im, Extended Tol) {
    EXPECT_LE(std::fabs(Z.re - Re), Tol) << static_cast<double>(Z.re) << " vs " << static_cast<double>(Re);
    EXPECT_LE(std::fabs(Z.im - Im), Tol) << static_cast<double>(Z.im) << " vs " << static_cast<double>(Im);
}

}  // namespace

TEST(Complex, ArithmeticAgainstStdComplex) {
    EXPECT_TRUE(CpxIsEqual(COMPLEX_0, Cpx(0, 0)) && CpxIsEqual(COMPLEX_1, Cpx(1, 0)));
    const TComplex I = Cpx(0, 1);
    EXPECT_TRUE(CpxIsEqual(CpxMult(I, I), Cpx(-1, 0)));
    EXPECT_TRUE(CpxIsEqual(CpxDiv(Cpx(-1, 0), I), I));
    EXPECT_TRUE(CpxIsEqual(CpxAdd(Cpx(1, 2), Cpx(3, -5)), Cpx(4, -3)) && CpxIsEqual(CpxConj(Cpx(1, 2)), Cpx(1, -2)));
    EXPECT_TRUE(CpxIsEqual(CpxSub(Cpx(1, 2), Cpx(3, -5)), Cpx(-2, 7)) && CpxIsEqual(CpxNeg(Cpx(1, -2)), Cpx(-1, 2)));
    EXPECT_EQ(CpxAbsSqr(Cpx(3, -4)), 25);
    std::mt19937 Gen(21);
    std::uniform_real_distribution<double> U(-100, 100);
    for (int K = 0; K < 500; ++K) {
        const Extended A = U(Gen), B = U(Gen), C = U(Gen), D = U(Gen);
        const std::complex<Extended> Z1(A, B), Z2(C, D), P = Z1 * Z2, Q = Z1 / Z2;
        ExpectNear(CpxMult(Cpx(A, B), Cpx(C, D)), P.real(), P.imag(), std::abs(P) * 8 * kEps);
        ExpectNear(CpxDiv(Cpx(A, B), Cpx(C, D)), Q.real(), Q.imag(), std::abs(Q) * 8 * kEps);
        EXPECT_LE(std::fabs(CpxAbs(Cpx(A, B)) - std::abs(Z1)), std::abs(Z1) * 4 * kEps);
    }
}

TEST(Complex, ModulusAndDivisionAtTheEndsOfTheRange) {
    const Extended Big = std::numeric_limits<Extended>::max() / 4;
    const Extended Tiny = std::numeric_limits<Extended>::min() * 4;
    // The squares overflow or underflow; the modulus does not.
    EXPECT_NEAR(static_cast<double>(CpxAbs(Cpx(Big, Big)) / Big), std::numbers::sqrt2, 1e-15);
    EXPECT_NEAR(static_cast<double>(CpxAbs(Cpx(Tiny, -Tiny)) / Tiny), std::numbers::sqrt2, 1e-15);
    // Divisors whose squared modulus overflows or underflows.
    ExpectNear(CpxDiv(Cpx(Big, 0), Cpx(Big, Big)), 0.5, -0.5, 1e-15);
    ExpectNear(CpxDiv(Cpx(Tiny, 0), Cpx(Tiny, Tiny)), 0.5, -0.5, 1e-15);
    const Extended Small = std::scalbn(Extended(1), std::numeric_limits<Extended>::min_exponent / 2 - 8);
    const TComplex Q = CpxDiv(Cpx(1, 1), Cpx(Small, Small));
    EXPECT_TRUE(Q.re == 1 / Small && Q.im == 0);
    // Division by zero follows the floating-point rules and does not raise.
    const TComplex Z = CpxDiv(Cpx(1, 1), COMPLEX_0);
    EXPECT_FALSE(std::isfinite(Z.re) || std::isfinite(Z.im));
}

TEST(Complex, ToleranceComparisonsAreStrict) {
    EXPECT_EQ(CpxNearZero, kDefaultNearZero);
    EXPECT_TRUE(CpxIsZero(Cpx(1e-16, -1e-16)));
    EXPECT_FALSE(CpxIsZero(Cpx(kDefaultNearZero, 0)));
    EXPECT_FALSE(CpxIsZero(Cpx(0, -kDefaultNearZero)));
    EXPECT_FALSE(CpxIsNearEqual(Cpx(0, 0), Cpx(CpxNearZero, 0)));
    EXPECT_FALSE(CpxIsNearEqual(Cpx(0, 0), Cpx(0, CpxNearZero)));
    EXPECT_TRUE(CpxIsNearEqual(Cpx(1, 1), Cpx(1 + kDefaultNearZero / 2, 1 - kDefaultNearZero / 2)));
    EXPECT_FALSE(CpxIsEqual(Cpx(1, 1), Cpx(1, 1 + kEps)));
    CpxNearZero = 0.1L;  // the host may change the tolerance
    const bool Zero = CpxIsZero(Cpx(0.05, -0.05));
    const bool Near = CpxIsNearEqual(Cpx(2, 3), Cpx(2.05, 2.95)), Far = CpxIsNearEqual(Cpx(2, 3), Cpx(2.05, 2.85));
    CpxNearZero = kDefaultNearZero;
    EXPECT_TRUE(Zero && Near && !Far);
}

TEST(Complex, PolarForm) {
    TComplexPolar P = ConvertRectToPolar(Cpx(0, -1));
    EXPECT_TRUE(P.r == 1 && P.phi == -kPi / 2);
    EXPECT_EQ(ConvertRectToPolar(Cpx(-1, 0)).phi, kPi);
    EXPECT_NEAR(static_cast<double>(ConvertRectToPolar(Cpx(-1, -1)).phi), -3 * std::numbers::pi / 4, 1e-15);
    ExpectNear(ConvertPolarToRect(TComplexPolar{2, kPi / 6}), std::sqrt(Extended(3)), 1, 4 * kEps);
    std::mt19937 Gen(8);
    std::uniform_real_distribution<double> U(-50, 50);
    for (int K = 0; K < 300; ++K) {
        const TComplex W = Cpx(U(Gen), U(Gen));
        const TComplexPolar Pw = ConvertRectToPolar(W);
        EXPECT_TRUE(Pw.phi >= -kPi && Pw.phi <= kPi);
        ExpectNear(ConvertPolarToRect(Pw), W.re, W.im, 200 * kEps);
    }
}
