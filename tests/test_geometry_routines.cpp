// Plane geometry: angles, orientation, segments, rectangles, ellipses.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>

using namespace qmr;

namespace {

constexpr double kPi = std::numbers::pi;

TPointDouble Pt(double X, double Y) { return TPointDouble{X, Y}; }

// Exact orientation of three integer points.
int ExactOrient(const std::int64_t* X, const std::int64_t* Y, int I, int J, int K) {
    const std::int64_t C = (X[J] - X[I]) * (Y[K] - Y[I]) - (X[K] - X[I]) * (Y[J] - Y[I]);
    return (C > 0) - (C < 0);
}

}  // namespace

TEST(AngleToXAxis, SpecialDirectionsAndAtan2) {
    EXPECT_DOUBLE_EQ(AngleToXAxis(0, 0), 3 * kPi / 2);
    EXPECT_DOUBLE_EQ(AngleToXAxis(-1, 0), kPi);
    EXPECT_DOUBLE_EQ(AngleToXAxis(1, -1), 7 * kPi / 4);
    EXPECT_DOUBLE_EQ(AngleToXAxis(0, 2), kPi / 2);
    for (int I = -20; I <= 20; ++I)
        for (int J = -20; J <= 20; ++J) {
            if (I == 0) continue;
            const double Ref = std::atan2(J * 0.53, I * 0.37);
            EXPECT_NEAR(AngleToXAxis(I * 0.37, J * 0.53), Ref < 0 ? Ref + 2 * kPi : Ref, 1e-14) << I << " " << J;
        }
}

TEST(SegmentsIntersect, OrientationAndIntersectionAgainstExactReference) {
    // Reference: exact rational test of a common point; four collinear points count as
    // intersecting even when the segments are disjoint.
    auto Reference = [](const std::int64_t* X, const std::int64_t* Y) {
        if (ExactOrient(X, Y, 0, 1, 2) == 0 && ExactOrient(X, Y, 0, 1, 3) == 0) return true;
        const std::int64_t D1x = X[1] - X[0], D1y = Y[1] - Y[0], D2x = X[3] - X[2], D2y = Y[3] - Y[2];
        const std::int64_t Den = D1x * D2y - D1y * D2x, Sg = Den < 0 ? -1 : 1;
        if (Den == 0) return false;  // parallel, not on one line
        const std::int64_t Ex = X[2] - X[0], Ey = Y[2] - Y[0];
        const std::int64_t S = Sg * (Ex * D2y - Ey * D2x), T = Sg * (Ex * D1y - Ey * D1x);
        return S >= 0 && S <= Sg * Den && T >= 0 && T <= Sg * Den;
    };
    std::mt19937 Gen(5);
    std::uniform_int_distribution<int> Coord(0, 5);
    int Hits = 0, Tested = 0;
    for (int I = 0; I < 20000; ++I) {
        std::int64_t X[4], Y[4];
        for (int K = 0; K < 4; ++K) X[K] = Coord(Gen), Y[K] = Coord(Gen);
        const TPointDouble P[4] = {Pt(X[0], Y[0]), Pt(X[1], Y[1]), Pt(X[2], Y[2]), Pt(X[3], Y[3])};
        ASSERT_EQ(CcwTriangle(P[0], P[1], P[2]), ExactOrient(X, Y, 0, 1, 2));
        if ((X[0] == X[1] && Y[0] == Y[1]) || (X[2] == X[3] && Y[2] == Y[3])) continue;
        const bool Ref = Reference(X, Y);
        Hits += Ref;
        ++Tested;
        ASSERT_EQ(SegmentsIntersect(P[0], P[1], P[2], P[3]), Ref) << "case " << I;
    }
    EXPECT_TRUE(Hits > Tested / 10 && Hits < Tested * 9 / 10);
    EXPECT_TRUE(SegmentsIntersect(Pt(0, 0), Pt(1, 0), Pt(3, 0), Pt(4, 0)));  // collinear, disjoint
}

TEST(DistanceToSegment, ClosedFormAroundAnObliqueSegment) {
    EXPECT_DOUBLE_EQ(DistanceToSegment(Pt(4, 5), Pt(1, 1), Pt(1, 1)), 5.0);  // A = B
    // A = (1, 1), B = (4, 5): length 5 along U = (0.6, 0.8), normal N = (-0.8, 0.6).
    // P = A + a U + b N lies |b| from the segment for a in [0, 5], else from the nearer end.
    for (double A = -3; A <= 8; A += 0.5)
        for (double B = -2; B <= 2; B += 0.75) {
            const TPointDouble P = Pt(1 + 0.6 * A - 0.8 * B, 1 + 0.8 * A + 0.6 * B);
            const double Ref = A < 0 ? std::hypot(A, B) : A > 5 ? std::hypot(A - 5, B) : std::fabs(B);
            EXPECT_NEAR(DistanceToSegment(P, Pt(1, 1), Pt(4, 5)), Ref, 1e-14) << A << " " << B;
            EXPECT_NEAR(DistanceToSegment(P, Pt(4, 5), Pt(1, 1)), Ref, 1e-14) << A << " " << B;
        }
    EXPECT_DOUBLE_EQ(EuclideanDistance(Pt(1, 2), Pt(4, 6)), 5.0);
    EXPECT_DOUBLE_EQ(EuclideanDistance(1, 2, -4, -10), 13.0);
}

TEST(DistFromRect, MatchesRoundedExactDistance) {
    // Reference for an ordered rectangle: the distance to the filled rectangle, rounded
    // (the root of an integer never lies on a half).
    auto Reference = [](const TPoint& P, const TRect& R) {
        const std::int64_t Dx = std::max<std::int64_t>({std::int64_t{R.Left} - P.x, 0, std::int64_t{P.x} - R.Right});
        const std::int64_t Dy = std::max<std::int64_t>({std::int64_t{R.Top} - P.y, 0, std::int64_t{P.y} - R.Bottom});
        return std::llround(std::sqrt(static_cast<double>(Dx * Dx + Dy * Dy)));
    };
    std::mt19937 Gen(7);
    for (int Scale : {10, 1000, 400000}) {  // beyond 46340 the squares exceed 32 bits
        std::uniform_int_distribution<int> C(-Scale, Scale);
        for (int I = 0; I < 3000; ++I) {
            int L = C(Gen), Rt = C(Gen), T = C(Gen), B = C(Gen);
            if (L > Rt) std::swap(L, Rt);
            if (T > B) std::swap(T, B);
            const TRect R{L, T, Rt, B};
            const TPoint P{C(Gen), C(Gen)};
            ASSERT_EQ(DistFromRect(P, R), Reference(P, R)) << Scale << " case " << I;
        }
    }
    EXPECT_EQ(DistFromRect(TPoint{0, 5}, TRect{0, 0, 10, 10}), 0);  // left edge
    EXPECT_EQ(DistFromRect(TPoint{0, 0}, TRect{100000, 100000, 200000, 200000}), 141421);
    constexpr std::int32_t Lo = std::numeric_limits<std::int32_t>::min(), Hi = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(DistFromRect(TPoint{Lo, Lo}, TRect{Hi - 1, Hi - 1, Hi, Hi}), Hi);  // saturates
    EXPECT_EQ(DistFromRect(TPoint{Lo, 0}, TRect{Hi - 1, -5, Hi, 5}), Hi);
    // Taken as given: with Left > Right a point between them lies left of the left edge.
    EXPECT_EQ(DistFromRect(TPoint{5, 5}, TRect{10, 0, 0, 10}), 5);
}

TEST(DistFromEllipse, AgainstParametricSearch) {
    // Reference: minimum over the parametric ellipse (centred), refined by ternary search.
    auto Reference = [](double Px, double Py, double A, double B) {
        auto F = [&](double T) { return std::hypot(A * std::cos(T) - Px, B * std::sin(T) - Py); };
        int Best = 0;
        for (int K = 1; K < 4000; ++K) Best = F(kPi * K / 2000) < F(kPi * Best / 2000) ? K : Best;
        double Lo = kPi * (Best - 1) / 2000, Hi = kPi * (Best + 1) / 2000;
        for (int It = 0; It < 200; ++It) {
            const double M1 = (2 * Lo + Hi) / 3, M2 = (Lo + 2 * Hi) / 3;
            if (F(M1) < F(M2)) Hi = M2; else Lo = M1;
        }
        return F((Lo + Hi) / 2);
    };
    std::mt19937 Gen(19);
    std::uniform_real_distribution<double> Axis(0.2, 5), Off(-3, 3), Pos(-8, 8);
    for (int I = 0; I < 300; ++I) {
        const double A = Axis(Gen), B = I % 10 == 0 ? A : Axis(Gen), Cx = Off(Gen), Cy = Off(Gen);
        const TPointDouble P = Pt(Cx + Pos(Gen), Cy + Pos(Gen));
        TPointDouble Near;
        const double D = DistFromEllipse(P, Cx, Cy, A, B, Near);
        EXPECT_NEAR(D, Reference(P.x - Cx, P.y - Cy, A, B), 1e-8) << A << " " << B;
        const double U = (Near.x - Cx) / A, V = (Near.y - Cy) / B;
        EXPECT_NEAR(U * U + V * V, 1.0, 1e-12);
        EXPECT_NEAR(std::hypot(Near.x - P.x, Near.y - P.y), D, 1e-12);
    }
}

TEST(DistFromEllipse, SpecialPointsAndDegenerateAxes) {
    const struct { TPointDouble P; double Cx, Cy, Sx, Sy, Dist; TPointDouble Near; } Cases[] = {
        {{5, 0}, 0, 0, 5, 3, 0, {5, 0}},   // on the ellipse
        {{7, 2}, 1, -2, 10, 5, 0, {7, 2}},  // (0.6)^2 + (0.8)^2 - 1 is exactly 0
        {{0, 9}, 0, 0, 2, 6, 3, {0, 6}},   // taller than wide: axes exchanged
        {{5, 4}, 0, 0, 3, 0, std::sqrt(20.0), {3, 0}},  // flat: the segment [-3, 3]
        {{-4, -10}, 0, 0, 0, 7, 5, {0, -7}},
        {{4, 5}, 1, 1, 0, 0, 5, {1, 1}},   // both zero: the centre
    };
    for (const auto& C : Cases) {
        TPointDouble Near;
        EXPECT_DOUBLE_EQ(DistFromEllipse(C.P, C.Cx, C.Cy, C.Sx, C.Sy, Near), C.Dist) << C.P.x << "," << C.P.y;
        EXPECT_EQ(Near, C.Near) << C.P.x << "," << C.P.y;
    }
    TPointDouble Near, NearPos;
    EXPECT_DOUBLE_EQ(DistFromEllipse(Pt(1, 1), 1, 1, 2, 2, Near), 2.0);  // centre of a circle
    EXPECT_DOUBLE_EQ(std::hypot(Near.x - 1, Near.y - 1), 2.0);
    const double Q = 5.0 / (25 - 9);  // on the long axis inside the evolute: off the axis
    EXPECT_NEAR(DistFromEllipse(Pt(1, 0), 0, 0, 5, 3, Near), std::hypot(5 * Q - 1, 3 * std::sqrt(1 - Q * Q)), 1e-15);
    EXPECT_GT(Near.y, 0.0);
    const double DPos = DistFromEllipse(Pt(2, 7), 1, -1, 3, 4, NearPos);  // negative axes by magnitude
    EXPECT_EQ(DistFromEllipse(Pt(2, 7), 1, -1, -3, -4, Near), DPos);
    EXPECT_EQ(Near, NearPos);
}

TEST(RectanglePoints, WithinAndConfineOrderTheRectangle) {
    const TRectDouble R{4, 3, 1, -2};  // right-to-left and bottom-to-top
    EXPECT_TRUE(WithinRect(Pt(2, 0), R));
    EXPECT_TRUE(WithinRect(Pt(1, -2), R));  // corner
    EXPECT_FALSE(WithinRect(Pt(0.999, 0), R));
    EXPECT_FALSE(WithinRect(Pt(2, 3.001), R));
    const struct { TPointDouble P; bool Moved; TPointDouble Want; } Cases[] = {
        {{4, -2}, false, {4, -2}}, {{9, 0}, true, {4, 0}}, {{-1, 8}, true, {1, 3}}, {{2, -5}, true, {2, -2}}};
    for (const auto& C : Cases) {
        TPointDouble P = C.P;
        EXPECT_EQ(ConfinePointToRect(P, R), C.Moved) << C.P.x << "," << C.P.y;
        EXPECT_EQ(P, C.Want) << C.P.x << "," << C.P.y;
    }
}
