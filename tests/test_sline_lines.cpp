// Straight lines: construction, queries, intersection and clipping.
#include "qmr_test_support.h"

#include <cmath>
#include <numbers>
#include <random>
#include <tuple>
#include <type_traits>

using namespace qmr;

namespace {

constexpr double kPi = std::numbers::pi;

template <class F>
std::string MessageOf(F&& Call) {
    try {
        Call();
    } catch (const EQMRSLineError& E) {
        return E.what();
    }
    return "<no EQMRSLineError>";
}

void SetLine(TSLine& L, double A, double B, double C) {
    L.SetParA(1);  // keeps the invariant while the coefficients change
    L.SetParB(B);
    L.SetParA(A);
    L.SetParC(C);
}

}  // namespace

TEST(SLine, NewLineAndCoefficientInvariant) {
    static_assert(std::is_base_of_v<Exception, EQMRSLineError>);
    static_assert(!std::is_base_of_v<EQMRError, EQMRSLineError>);
    TComponent Owner(nullptr);
    auto* L = new TSLine(&Owner);  // freed by its owner
    EXPECT_EQ(L->ClassName(), "TSLine");
    EXPECT_EQ(L->ParA(), 0);
    EXPECT_EQ(L->ParB(), 1);
    EXPECT_EQ(L->ParC(), 0);
    EXPECT_FALSE(L->SubstituteInf());
    EXPECT_EQ(L->Slope(), 0);
    EXPECT_EQ(L->Intercept(), 0);
    EXPECT_EQ(L->Direction(), 0);

    const std::string Both = "parameter A and B must not both be zero";
    EXPECT_EQ(MessageOf([&] { L->SetParB(0); }), Both);  // A is 0
    EXPECT_EQ(L->ParB(), 1);
    L->SetParA(2);
    L->SetParB(0);
    EXPECT_EQ(MessageOf([&] { L->SetParA(0); }), Both);
    EXPECT_EQ(L->ParA(), 2);
    EXPECT_EQ(L->ParB(), 0);
    L->SetParB(-3);
    L->SetParA(0);
    L->SetParC(7);
    EXPECT_EQ(L->ParA(), 0);
    EXPECT_EQ(L->ParB(), -3);
    EXPECT_EQ(L->ParC(), 7);
}

TEST(SLine, ConstructionsPassThroughTheirPoints) {
    TSLine L(nullptr);
    EXPECT_TRUE(L.LineFrom2Points(0, 0, 1, 1));
    EXPECT_EQ(L.ParA(), -1);
    EXPECT_EQ(L.ParB(), 1);
    EXPECT_EQ(L.ParC(), 0);
    EXPECT_EQ(L.Slope(), 1);
    EXPECT_FALSE(L.LineFrom2Points(2, 3, 2, 3));  // equal points: no change
    EXPECT_EQ(L.ParA(), -1);
    EXPECT_EQ(L.ParB(), 1);
    L.LineFrom2Points(5, 0, 5, 1);  // vertical, upwards and downwards
    EXPECT_DOUBLE_EQ(L.Direction(), kPi / 2);
    L.LineFrom2Points(5, 1, 5, 0);
    EXPECT_DOUBLE_EQ(L.Direction(), 3 * kPi / 2);

    std::mt19937 Gen(13);
    std::uniform_real_distribution<double> U(-10, 10);
    for (int I = 0; I < 200; ++I) {
        const double X1 = U(Gen), Y1 = U(Gen), X2 = U(Gen), Y2 = U(Gen);
        ASSERT_TRUE(L.LineFrom2Points(X1, Y1, X2, Y2));
        EXPECT_NEAR(L.Distance(X1, Y1), 0, 1e-13);
        EXPECT_NEAR(L.Distance(X2, Y2), 0, 1e-13);
        double Ref = std::atan2(Y2 - Y1, X2 - X1);  // direction from the first point to the second
        if (Ref < 0) Ref += 2 * kPi;
        EXPECT_NEAR(L.Direction(), Ref, 1e-12);

        const double Angle = U(Gen) * 0.3 + 3;  // 0 .. 6
        L.LineThroughPoint(X1, Y1, Angle);
        EXPECT_NEAR(L.Distance(X1, Y1), 0, 1e-13);
        EXPECT_NEAR(L.Distance(X1 + std::cos(Angle), Y1 + std::sin(Angle)), 0, 1e-13);
        EXPECT_NEAR(L.Direction(), Angle, 1e-12);
    }

    L.LineFromSlopeIcpt(2, -3);
    EXPECT_EQ(L.Slope(), 2);
    EXPECT_EQ(L.Intercept(), -3);
    EXPECT_EQ(L.CalcY(4), 5);
    EXPECT_EQ(L.CalcX(5), 4);
    double K = 0, D = 0;
    L.CalcKDForm(K, D);
    EXPECT_EQ(K, 2);
    EXPECT_EQ(D, -3);
}

TEST(SLine, NormalAndParallelLinesMayUseThemselves) {
    TSLine L(nullptr), M(nullptr);
    L.LineFromSlopeIcpt(0.5, 1);
    M.NormalLine(3, 4, &L);
    EXPECT_NEAR(M.Distance(3, 4), 0, 1e-15);
    EXPECT_EQ(L.ParA() * M.ParA() + L.ParB() * M.ParB(), 0);
    M.ParallelLine(-1, 2, &L);
    EXPECT_NEAR(M.Distance(-1, 2), 0, 1e-15);
    EXPECT_EQ(L.ParA() * M.ParB() - M.ParA() * L.ParB(), 0);

    // With the line itself as the other line.
    const double A = L.ParA(), B = L.ParB();
    L.NormalLine(3, 4, &L);
    EXPECT_EQ(L.ParA(), -B);
    EXPECT_EQ(L.ParB(), A);
    EXPECT_NEAR(L.Distance(3, 4), 0, 1e-15);
    L.ParallelLine(5, 6, &L);
    EXPECT_EQ(L.ParA(), -B);
    EXPECT_EQ(L.ParB(), A);
    EXPECT_NEAR(L.Distance(5, 6), 0, 1e-15);
}

TEST(SLine, DistanceAngleAndIntersection) {
    TSLine L(nullptr), M(nullptr);
    SetLine(L, 3, 4, -10);  // 3x + 4y = 10
    EXPECT_DOUBLE_EQ(L.Distance(0, 0), -2);
    EXPECT_DOUBLE_EQ(L.Distance(6, 8), 8);
    EXPECT_EQ(L.Distance(2, 1), 0);

    L.LineFromSlopeIcpt(1, 0);
    M.LineFromSlopeIcpt(0, 5);
    EXPECT_DOUBLE_EQ(L.AngleBetweenLines(&M), kPi / 4);
    M.NormalLine(0, 0, &L);
    EXPECT_EQ(L.AngleBetweenLines(&M), kPi / 2);
    double X = 0, Y = 0;
    M.LineFromSlopeIcpt(-1, 2);
    EXPECT_TRUE(L.InterSection(&M, X, Y));
    EXPECT_DOUBLE_EQ(X, 1);
    EXPECT_DOUBLE_EQ(Y, 1);
    M.LineFromSlopeIcpt(1, 3);  // parallel
    X = 42, Y = 43;
    EXPECT_FALSE(L.InterSection(&M, X, Y));
    EXPECT_EQ(X, 42);
    EXPECT_EQ(Y, 43);

    std::mt19937 Gen(17);
    std::uniform_real_distribution<double> U(-5, 5);
    for (int I = 0; I < 200; ++I) {
        L.LineFrom2Points(U(Gen), U(Gen), U(Gen), U(Gen));
        M.LineFrom2Points(U(Gen), U(Gen), U(Gen), U(Gen));
        // Angle between the direction vectors, folded into [0, pi/2].
        double Ref = std::fabs(L.Direction() - M.Direction());
        Ref = std::fmod(Ref, kPi);
        if (Ref > kPi / 2) Ref = kPi - Ref;
        EXPECT_NEAR(L.AngleBetweenLines(&M), Ref, 1e-9);
        if (Ref > 0.01 && L.InterSection(&M, X, Y)) {
            EXPECT_NEAR(L.Distance(X, Y), 0, 1e-9);
            EXPECT_NEAR(M.Distance(X, Y), 0, 1e-9);
        }
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
    EXPECT_EQ(L.CalcX(123), 2);
    EXPECT_DOUBLE_EQ(L.Direction(), 3 * kPi / 2);
    L.SetSubstituteInf(true);
    EXPECT_NEAR(L.CalcY(1) / 2e100, 1, 1e-15);  // (-1 * 2 + 4) / 1e-100
    SetLine(L, 0, 1, -3);  // y = 3
    L.SetSubstituteInf(false);
    EXPECT_EQ(MessageOf([&] { L.CalcX(1); }), "cannot calculate x");
    L.SetSubstituteInf(true);
    EXPECT_NEAR(L.CalcX(1) / 2e100, 1, 1e-15);  // (-1 + 3) / 1e-100
    // A nil other line is refused.
    double X = 0, Y = 0;
    EXPECT_NE(MessageOf([&] { L.InterSection(nullptr, X, Y); }), "<no EQMRSLineError>");
    EXPECT_NE(MessageOf([&] { L.AngleBetweenLines(nullptr); }), "<no EQMRSLineError>");
    EXPECT_NE(MessageOf([&] { L.NormalLine(0, 0, nullptr); }), "<no EQMRSLineError>");
    EXPECT_NE(MessageOf([&] { L.ParallelLine(0, 0, nullptr); }), "<no EQMRSLineError>");
    EXPECT_EQ(L.ParA(), 0);
    EXPECT_EQ(L.ParB(), 1);
    EXPECT_EQ(L.ParC(), -3);
}

TEST(SLine, ClipBox) {
    TSLine L(nullptr);
    double X1 = -1, Y1 = -1, X2 = -1, Y2 = -1;
    L.LineFromSlopeIcpt(0, 0.5);
    EXPECT_TRUE(L.ClipBox(0, 0, 1, 1, X1, Y1, X2, Y2));
    EXPECT_EQ(X1, 0);
    EXPECT_EQ(Y1, 0.5);
    EXPECT_EQ(X2, 1);
    EXPECT_EQ(Y2, 0.5);
    EXPECT_FALSE(L.SubstituteInf());  // restored

    // Missing the box.
    L.LineFromSlopeIcpt(1, 5);
    L.SetSubstituteInf(true);
    X1 = Y1 = X2 = Y2 = -7;
    EXPECT_FALSE(L.ClipBox(0, 0, 1, 1, X1, Y1, X2, Y2));
    EXPECT_TRUE(L.SubstituteInf());
    EXPECT_EQ(X1, -7);
    EXPECT_EQ(Y2, -7);

    // A vertical and a horizontal line meet the box only on the edges they cross.
    SetLine(L, 1, 0, 0);  // x = 0
    L.SetSubstituteInf(false);
    EXPECT_TRUE(L.ClipBox(0, -1, 1, 1, X1, Y1, X2, Y2));
    EXPECT_EQ(X1, 0);
    EXPECT_EQ(Y1, -1);
    EXPECT_EQ(X2, 0);
    EXPECT_EQ(Y2, 1);
    SetLine(L, 0, 2, -2);  // y = 1
    EXPECT_TRUE(L.ClipBox(0, 0, 2, 1, X1, Y1, X2, Y2));
    EXPECT_EQ(X1, 0);
    EXPECT_EQ(Y1, 1);
    EXPECT_EQ(X2, 2);
    EXPECT_EQ(Y2, 1);

    // Edges are tested left, right, bottom, top and the first two points found are kept.
    auto Clip = [&](double K, double D) {
        L.LineFromSlopeIcpt(K, D);
        X1 = Y1 = X2 = Y2 = -7;
        const bool Ok = L.ClipBox(0, 0, 1, 1, X1, Y1, X2, Y2);
        return std::tuple{Ok, X1, Y1, X2, Y2};
    };
    EXPECT_EQ(Clip(1, -0.5), std::tuple(true, 1.0, 0.5, 0.5, 0.0));    // right before bottom
    EXPECT_EQ(Clip(-1, 1), std::tuple(true, 0.0, 1.0, 1.0, 0.0));      // both corners: left, right
    EXPECT_EQ(Clip(2, -0.5), std::tuple(true, 0.25, 0.0, 0.75, 1.0));  // bottom, top
    EXPECT_EQ(Clip(-1, 0), std::tuple(true, 0.0, 0.0, 0.0, 0.0));      // a corner, found twice
    EXPECT_EQ(Clip(2, 0.5), std::tuple(true, 0.0, 0.5, 0.25, 1.0));    // left, then top

    // Random lines through the box: both points lie on the line and on the border.
    std::mt19937 Gen(23);
    std::uniform_real_distribution<double> U(-3, 3), In(0.1, 1.9);
    for (int I = 0; I < 300; ++I) {
        L.LineThroughPoint(In(Gen), In(Gen), U(Gen));
        ASSERT_TRUE(L.ClipBox(0, 0, 2, 2, X1, Y1, X2, Y2));
        for (auto [X, Y] : {std::pair{X1, Y1}, std::pair{X2, Y2}}) {
            EXPECT_NEAR(L.Distance(X, Y), 0, 1e-12);
            const double Border = std::min({std::fabs(X), std::fabs(X - 2), std::fabs(Y), std::fabs(Y - 2)});
            EXPECT_LT(Border, 1e-12);
            EXPECT_GE(X, -1e-12);
            EXPECT_LE(X, 2 + 1e-12);
            EXPECT_GE(Y, -1e-12);
            EXPECT_LE(Y, 2 + 1e-12);
        }
        EXPECT_GT(std::hypot(X2 - X1, Y2 - Y1), 0.05);
    }
}
