// Straight lines: construction, queries, intersection and clipping.
#include "qmr_test_support.h"

#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <tuple>
#include <type_traits>

using namespace qmr;

namespace {

constexpr double kPi = std::numbers::pi;

template <class F> std::string MessageOf(F&& Call) try {
    return Call(), "<no EQMRSLineError>";
} catch (const EQMRSLineError& E) {
    return E.what();
}

void SetLine(TSLine& L, double A, double B, double C) {
    L.SetParA(1);  // keeps the invariant while the coefficients change
    L.SetParB(B);
    L.SetParA(A);
    L.SetParC(C);
}

}  // namespace

TEST(SLine, NewLineAndCoefficientInvariant) {
    static_assert(std::is_base_of_v<Exception, EQMRSLineError> && !std::is_base_of_v<EQMRError, EQMRSLineError>);
    TSLine L(nullptr);
    EXPECT_TRUE(L.ParA() == 0 && L.ParB() == 1 && L.ParC() == 0 && !L.SubstituteInf());
    EXPECT_TRUE(L.Slope() == 0 && L.Intercept() == 0 && L.Direction() == 0);
    const std::string Both = "parameter A and B must not both be zero";
    EXPECT_EQ(MessageOf([&] { L.SetParB(0); }), Both);
    EXPECT_EQ(L.ParB(), 1);
    L.SetParA(2);
    L.SetParB(0);
    EXPECT_EQ(MessageOf([&] { L.SetParA(0); }), Both);
    EXPECT_TRUE(L.ParA() == 2 && L.ParB() == 0);
    L.SetParB(-3);
    L.SetParA(0);
    EXPECT_TRUE(L.ParA() == 0 && L.ParB() == -3);
}

TEST(SLine, ConstructionsPassThroughTheirPoints) {
    TSLine L(nullptr);
    EXPECT_TRUE(L.LineFrom2Points(0, 0, 1, 1));
    EXPECT_TRUE(L.ParA() == -1 && L.ParB() == 1 && L.ParC() == 0 && L.Slope() == 1);
    EXPECT_FALSE(L.LineFrom2Points(2, 3, 2, 3));  // equal points: no change
    EXPECT_TRUE(L.ParA() == -1 && L.ParB() == 1);
    L.LineFrom2Points(5, 1, 5, 0);  // vertical, downwards
    EXPECT_DOUBLE_EQ(L.Direction(), 3 * kPi / 2);
    std::mt19937 Gen(13);
    std::uniform_real_distribution<double> U(-10, 10);
    for (int I = 0; I < 200; ++I) {
        const double X1 = U(Gen), Y1 = U(Gen), X2 = I % 10 == 0 ? X1 : U(Gen), Y2 = U(Gen);
        ASSERT_TRUE(L.LineFrom2Points(X1, Y1, X2, Y2));
        EXPECT_NEAR(L.Distance(X1, Y1), 0, 1e-13);
        EXPECT_NEAR(L.Distance(X2, Y2), 0, 1e-13);
        const double Ref = std::atan2(Y2 - Y1, X2 - X1);  // from the first point to the second
        EXPECT_NEAR(L.Direction(), Ref < 0 ? Ref + 2 * kPi : Ref, 1e-12);
        const double Angle = U(Gen) * 0.3 + 3;  // 0 .. 6
        L.LineThroughPoint(X1, Y1, Angle);
        EXPECT_NEAR(L.Distance(X1, Y1), 0, 1e-13);
        EXPECT_NEAR(L.Distance(X1 + std::cos(Angle), Y1 + std::sin(Angle)), 0, 1e-13);
        EXPECT_NEAR(L.Direction(), Angle, 1e-12);
    }
    L.LineFromSlopeIcpt(2, -3);
    double K = 0, D = 0;
    L.CalcKDForm(K, D);
    EXPECT_TRUE(L.Slope() == 2 && L.Intercept() == -3 && K == 2 && D == -3);
    EXPECT_TRUE(L.CalcY(4) == 5 && L.CalcX(5) == 4);
}

TEST(SLine, NormalAndParallelLinesMayUseThemselves) {
    TSLine L(nullptr), M(nullptr);
    L.LineFromSlopeIcpt(0.5, 1);
    M.NormalLine(3, 4, &L);
    EXPECT_TRUE(M.Distance(3, 4) == 0 && L.ParA() * M.ParA() + L.ParB() * M.ParB() == 0);
    M.ParallelLine(-1, 2, &L);
    EXPECT_TRUE(M.Distance(-1, 2) == 0 && L.ParA() * M.ParB() - M.ParA() * L.ParB() == 0);
    const double A = L.ParA(), B = L.ParB();  // with the line itself as the other line
    L.NormalLine(3, 4, &L);
    EXPECT_TRUE(L.ParA() == -B && L.ParB() == A && L.Distance(3, 4) == 0);
    L.ParallelLine(5, 6, &L);
    EXPECT_TRUE(L.ParA() == -B && L.ParB() == A && L.Distance(5, 6) == 0);
}

TEST(SLine, DistanceAngleAndIntersection) {
    TSLine L(nullptr), M(nullptr);
    SetLine(L, 3, 4, -10);  // 3x + 4y = 10
    EXPECT_DOUBLE_EQ(L.Distance(0, 0), -2);
    EXPECT_DOUBLE_EQ(L.Distance(6, 8), 8);
    L.LineFromSlopeIcpt(1, 0);
    M.NormalLine(0, 0, &L);
    EXPECT_EQ(L.AngleBetweenLines(&M), kPi / 2);
    double X = 0, Y = 0;
    M.LineFromSlopeIcpt(-1, 2);
    EXPECT_TRUE(L.InterSection(&M, X, Y) && X == 1 && Y == 1);
    M.LineFromSlopeIcpt(1, 3);  // parallel: False, x and y untouched
    EXPECT_TRUE(!L.InterSection(&M, X, Y) && X == 1 && Y == 1);
    std::mt19937 Gen(17);
    std::uniform_real_distribution<double> U(-5, 5);
    for (int I = 0; I < 200; ++I) {
        L.LineFrom2Points(U(Gen), U(Gen), U(Gen), U(Gen));
        M.LineFrom2Points(U(Gen), U(Gen), U(Gen), U(Gen));
        // Angle between the direction vectors, folded into [0, pi/2].
        double Ref = std::fmod(std::fabs(L.Direction() - M.Direction()), kPi);
        if (Ref > kPi / 2) Ref = kPi - Ref;
        EXPECT_NEAR(L.AngleBetweenLines(&M), Ref, 1e-9);
        const bool Meets = Ref > 0.01 && L.InterSection(&M, X, Y);
        EXPECT_TRUE(!Meets || (std::fabs(L.Distance(X, Y)) < 1e-9 && std::fabs(M.Distance(X, Y)) < 1e-9)) << I;
    }
}

TEST(SLine, FailuresKeepTheLine) {
    TSLine L(nullptr);
    SetLine(L, 2, 0, -4);  // x = 2
    double K = 9, D = 9;
    EXPECT_EQ(MessageOf([&] { L.CalcKDForm(K, D); }), "cannot convert to k-d-form if ParB is zero");
    EXPECT_EQ(K, 9);
    EXPECT_EQ(MessageOf([&] { L.CalcY(1); }), "cannot calculate y");
    EXPECT_EQ(MessageOf([&] { L.Slope(); }), "slope is infinite");
    EXPECT_EQ(MessageOf([&] { L.Intercept(); }), "cannot calculate intercept (line is parallel to y axis)");
    L.SetSubstituteInf(true);
    EXPECT_NEAR(L.CalcY(1) / 2e100, 1, 1e-15);  // (-1 * 2 + 4) / 1e-100
    SetLine(L, 0, 1, -3);  // y = 3
    L.SetSubstituteInf(false);
    EXPECT_EQ(MessageOf([&] { L.CalcX(1); }), "cannot calculate x");
    double X = 0, Y = 0;  // a nil other line is refused
    for (auto Call : std::initializer_list<std::function<void()>>{
             [&] { L.InterSection(nullptr, X, Y); }, [&] { L.AngleBetweenLines(nullptr); },
             [&] { L.NormalLine(0, 0, nullptr); }, [&] { L.ParallelLine(0, 0, nullptr); }})
        EXPECT_NE(MessageOf(Call), "<no EQMRSLineError>");
    EXPECT_TRUE(L.ParA() == 0 && L.ParB() == 1 && L.ParC() == -3);
}

TEST(SLine, ClipBoxTestsLeftRightBottomTopAndKeepsTheFirstTwo) {
    TSLine L(nullptr);
    auto Clip = [&](double A, double B, double C, double Bx, double By, bool Subst) {
        SetLine(L, A, B, C);
        L.SetSubstituteInf(Subst);
        double X1 = -7, Y1 = -7, X2 = -7, Y2 = -7;
        const bool Ok = L.ClipBox(0, By, Bx, 1, X1, Y1, X2, Y2);
        EXPECT_EQ(L.SubstituteInf(), Subst);  // restored
        return std::tuple{Ok, X1, Y1, X2, Y2};
    };
    // A x + B y + C = 0 against the box (0, By) - (Bx, 1).
    EXPECT_EQ(Clip(0, -1, 0.5, 1, 0, false), std::tuple(true, 0.0, 0.5, 1.0, 0.5));    // y = 0.5
    EXPECT_EQ(Clip(1, -1, 5, 1, 0, true), std::tuple(false, -7.0, -7.0, -7.0, -7.0));  // misses
    EXPECT_EQ(Clip(1, 0, 0, 1, -1, false), std::tuple(true, 0.0, -1.0, 0.0, 1.0));     // x = 0
    EXPECT_EQ(Clip(0, 2, -2, 2, 0, false), std::tuple(true, 0.0, 1.0, 2.0, 1.0));      // y = 1
    EXPECT_EQ(Clip(1, -1, -0.5, 1, 0, false), std::tuple(true, 1.0, 0.5, 0.5, 0.0));   // right before bottom
    EXPECT_EQ(Clip(-1, -1, 1, 1, 0, false), std::tuple(true, 0.0, 1.0, 1.0, 0.0));     // two corners
    EXPECT_EQ(Clip(2, -1, -0.5, 1, 0, false), std::tuple(true, 0.25, 0.0, 0.75, 1.0)); // bottom, top
    EXPECT_EQ(Clip(-1, -1, 0, 1, 0, false), std::tuple(true, 0.0, 0.0, 0.0, 0.0));     // a corner twice
    EXPECT_EQ(Clip(2, -1, 0.5, 1, 0, false), std::tuple(true, 0.0, 0.5, 0.25, 1.0));   // left, then top
}
