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
int ExactOrient(std::int64_t X1, std::int64_t Y1, std::int64_t X2, std::int64_t Y2, std::int64_t X3,
                std::int64_t Y3) {
    const std::int64_t C = (X2 - X1) * (Y3 - Y1) - (X3 - X1) * (Y2 - Y1);
    return (C > 0) - (C < 0);
}

}  // namespace

TEST(AngleToXAxis, SpecialDirectionsAndAtan2) {
    EXPECT_DOUBLE_EQ(AngleToXAxis(0, 0), 3 * kPi / 2);
    EXPECT_DOUBLE_EQ(AngleToXAxis(-1, 0), kPi);
    EXPECT_DOUBLE_EQ(AngleToXAxis(1, -1), 7 * kPi / 4);
    EXPECT_DOUBLE_EQ(AngleToXAxis(0, 2), kPi / 2);
    EXPECT_DOUBLE_EQ(AngleToXAxis(0, -2), 3 * kPi / 2);
    for (int I = -20; I <= 20; ++I)
        for (int J = -20; J <= 20; ++J) {
            if (I == 0) continue;
            const double Dx = I * 0.37, Dy = J * 0.53;
            double Ref = std::atan2(Dy, Dx);
            if (Ref < 0) Ref += 2 * kPi;
            EXPECT_NEAR(AngleToXAxis(Dx, Dy), Ref, 1e-14) << Dx << " " << Dy;
        }
}

TEST(SegmentsIntersect, OrientationAndIntersectionAgainstExactReference) {
    // Reference: exact rational test of a common point; four collinear points count as
    // intersecting even when the segments are disjoint.
    auto Reference = [](const std::int64_t* X, const std::int64_t* Y) {
        const int O3 = ExactOrient(X[0], Y[0], X[1], Y[1], X[2], Y[2]);
        const int O4 = ExactOrient(X[0], Y[0], X[1], Y[1], X[3], Y[3]);
        if (O3 == 0 && O4 == 0) return true;
        const std::int64_t D1x = X[1] - X[0], D1y = Y[1] - Y[0], D2x = X[3] - X[2], D2y = Y[3] - Y[2];
        std::int64_t Den = D1x * D2y - D1y * D2x;
        if (Den == 0) return false;  // parallel, not on one line
        const std::int64_t Ex = X[2] - X[0], Ey = Y[2] - Y[0];
        std::int64_t S = Ex * D2y - Ey * D2x, T = Ex * D1y - Ey * D1x;
        if (Den < 0) {
            Den = -Den;
            S = -S;
            T = -T;
        }
        return S >= 0 && S <= Den && T >= 0 && T <= Den;
    };
    std::mt19937 Gen(5);
    std::uniform_int_distribution<int> Coord(0, 5);
    int Hits = 0, Tested = 0;
    for (int I = 0; I < 20000; ++I) {
        std::int64_t X[4], Y[4];
        for (int K = 0; K < 4; ++K) X[K] = Coord(Gen), Y[K] = Coord(Gen);
        const TPointDouble P[4] = {Pt(X[0], Y[0]), Pt(X[1], Y[1]), Pt(X[2], Y[2]), Pt(X[3], Y[3])};
        ASSERT_EQ(CcwTriangle(P[0], P[1], P[2]), ExactOrient(X[0], Y[0], X[1], Y[1], X[2], Y[2]));
        if ((X[0] == X[1] && Y[0] == Y[1]) || (X[2] == X[3] && Y[2] == Y[3])) continue;
        const bool Ref = Reference(X, Y);
        Hits += Ref;
        ++Tested;
        ASSERT_EQ(SegmentsIntersect(P[0], P[1], P[2], P[3]), Ref)
            << X[0] << "," << Y[0] << " " << X[1] << "," << Y[1] << " / " << X[2] << "," << Y[2] << " "
            << X[3] << "," << Y[3];
    }
    EXPECT_GT(Hits, Tested / 10);
    EXPECT_LT(Hits, Tested * 9 / 10);
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
    // For an ordered rectangle the result is the exact distance to the filled rectangle,
    // rounded; the reference rounds the square root with integers only.
    auto Reference = [](const TPoint& P, const TRect& R) {
        const std::int64_t Dx = std::max<std::int64_t>({std::int64_t{R.Left} - P.x, 0, std::int64_t{P.x} - R.Right});
        const std::int64_t Dy = std::max<std::int64_t>({std::int64_t{R.Top} - P.y, 0, std::int64_t{P.y} - R.Bottom});
        const std::int64_t D4 = 4 * (Dx * Dx + Dy * Dy);
        std::int64_t S = 0;  // floor(sqrt(4 d^2)) = floor(2 d)
        for (std::int64_t Step = std::int64_t{1} << 22; Step > 0; Step /= 2)
            if ((S + Step) * (S + Step) <= D4) S += Step;
        return (S + 1) / 2;
    };
    std::mt19937 Gen(7);
    for (int Scale : {10, 1000, 400000}) {
        std::uniform_int_distribution<int> C(-Scale, Scale);
        for (int I = 0; I < 3000; ++I) {
            int L = C(Gen), Rt = C(Gen), T = C(Gen), B = C(Gen);
            if (L > Rt) std::swap(L, Rt);
            if (T > B) std::swap(T, B);
            const TRect R{L, T, Rt, B};
            const TPoint P{C(Gen), C(Gen)};
            ASSERT_EQ(DistFromRect(P, R), Reference(P, R))
                << P.x << "," << P.y << " in " << L << "," << T << "," << Rt << "," << B;
        }
    }
}

TEST(DistFromRect, EdgesLargeCoordinatesAndUnorderedRectangle) {
    const TRect R{0, 0, 10, 10};
    EXPECT_EQ(DistFromRect(TPoint{0, 5}, R), 0);    // left edge
    EXPECT_EQ(DistFromRect(TPoint{0, 0}, R), 0);    // corner
    EXPECT_EQ(DistFromRect(TPoint{13, -4}, R), 5);  // corner region: 3-4-5
    // Corner distances beyond 46340 (their squares exceed 32 bits).
    EXPECT_EQ(DistFromRect(TPoint{0, 0}, TRect{100000, 100000, 200000, 200000}), 141421);
    EXPECT_EQ(DistFromRect(TPoint{-60000, 0}, TRect{0, 80000, 5, 90000}), 100000);
    // Distances beyond the 32-bit range saturate.
    constexpr std::int32_t Lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t Hi = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(DistFromRect(TPoint{Lo, Lo}, TRect{Hi - 1, Hi - 1, Hi, Hi}), Hi);
    EXPECT_EQ(DistFromRect(TPoint{Lo, 0}, TRect{Hi - 1, -5, Hi, 5}), Hi);
    // The rectangle is taken as given: with Left > Right a point between them counts as
    // left of the left edge.
    EXPECT_EQ(DistFromRect(TPoint{5, 5}, TRect{10, 0, 0, 10}), 5);
}

TEST(DistFromEllipse, AgainstParametricSearch) {
    // Reference: minimum over the parametric ellipse, refined by golden-section search.
    auto Reference = [](double Px, double Py, double Cx, double Cy, double A, double B) {
        auto F = [&](double T) { return std::hypot(Cx + A * std::cos(T) - Px, Cy + B * std::sin(T) - Py); };
        const int N = 4000;
        int BestK = 0;
        for (int K = 1; K < N; ++K)
            if (F(2 * kPi * K / N) < F(2 * kPi * BestK / N)) BestK = K;
        double Lo = 2 * kPi * (BestK - 1) / N, Hi = 2 * kPi * (BestK + 1) / N;
        const double G = (std::sqrt(5.0) - 1) / 2;
        for (int It = 0; It < 200; ++It) {
            const double M1 = Hi - G * (Hi - Lo), M2 = Lo + G * (Hi - Lo);
            if (F(M1) < F(M2)) Hi = M2; else Lo = M1;
        }
        return F((Lo + Hi) / 2);
    };
    std::mt19937 Gen(19);
    std::uniform_real_distribution<double> Axis(0.2, 5), Off(-3, 3), Pos(-8, 8);
    for (int I = 0; I < 300; ++I) {
        const double A = Axis(Gen), B = I % 10 == 0 ? A : Axis(Gen);
        const double Cx = Off(Gen), Cy = Off(Gen);
        const TPointDouble P = Pt(Cx + Pos(Gen), Cy + Pos(Gen));
        TPointDouble Near;
        const double D = DistFromEllipse(P, Cx, Cy, A, B, Near);
        EXPECT_NEAR(D, Reference(P.x, P.y, Cx, Cy, A, B), 1e-8) << A << " " << B;
        const double U = (Near.x - Cx) / A, V = (Near.y - Cy) / B;
        EXPECT_NEAR(U * U + V * V, 1.0, 1e-12);
        EXPECT_NEAR(std::hypot(Near.x - P.x, Near.y - P.y), D, 1e-12);
    }
}

TEST(DistFromEllipse, CentrePointsOnTheCurveAndAxes) {
    TPointDouble Near;
    EXPECT_DOUBLE_EQ(DistFromEllipse(Pt(1, 1), 1, 1, 2, 2, Near), 2.0);  // centre of a circle
    EXPECT_DOUBLE_EQ(std::hypot(Near.x - 1, Near.y - 1), 2.0);
    EXPECT_EQ(DistFromEllipse(Pt(5, 0), 0, 0, 5, 3, Near), 0.0);
    EXPECT_EQ(Near, Pt(5, 0));
    // (6, 4) relative to the centre: (6/10)^2 + (4/5)^2 - 1 is exactly 0 in double.
    EXPECT_EQ(DistFromEllipse(Pt(7, 2), 1, -2, 10, 5, Near), 0.0);
    EXPECT_EQ(Near, Pt(7, 2));
    // On the long axis inside the evolute the nearest point is off the axis.
    const double D = DistFromEllipse(Pt(1, 0), 0, 0, 5, 3, Near);
    const double Q = 5.0 * 1 / (25 - 9);
    EXPECT_NEAR(D, std::hypot(5 * Q - 1, 3 * std::sqrt(1 - Q * Q)), 1e-15);
    EXPECT_GT(Near.y, 0.0);
    // Taller than wide: the axes are exchanged internally.
    EXPECT_DOUBLE_EQ(DistFromEllipse(Pt(0, 9), 0, 0, 2, 6, Near), 3.0);
    EXPECT_EQ(Near, Pt(0, 6));
}

TEST(DistFromEllipse, ZeroAndNegativeSemiAxes) {
    TPointDouble Near;
    // Flat ellipse: the segment from -3 to 3 on the x axis.
    EXPECT_DOUBLE_EQ(DistFromEllipse(Pt(5, 4), 0, 0, 3, 0, Near), std::sqrt(20.0));
    EXPECT_EQ(Near, Pt(3, 0));
    // Upright segment.
    EXPECT_DOUBLE_EQ(DistFromEllipse(Pt(-4, -10), 0, 0, 0, 7, Near), 5.0);
    EXPECT_EQ(Near, Pt(0, -7));
    // Both zero: the centre.
    EXPECT_DOUBLE_EQ(DistFromEllipse(Pt(4, 5), 1, 1, 0, 0, Near), 5.0);
    EXPECT_EQ(Near, Pt(1, 1));
    // Negative semi-axes count by their magnitude.
    TPointDouble NearPos;
    const double DPos = DistFromEllipse(Pt(2, 7), 1, -1, 3, 4, NearPos);
    EXPECT_EQ(DistFromEllipse(Pt(2, 7), 1, -1, -3, -4, Near), DPos);
    EXPECT_EQ(Near, NearPos);
}

TEST(RectanglePoints, WithinAndConfine) {
    const TRectDouble R{4, 3, 1, -2};  // right-to-left and bottom-to-top
    EXPECT_TRUE(WithinRect(Pt(2, 0), R));
    EXPECT_TRUE(WithinRect(Pt(1, -2), R));  // corner
    EXPECT_FALSE(WithinRect(Pt(0.999, 0), R));
    EXPECT_FALSE(WithinRect(Pt(2, 3.001), R));

    TPointDouble P = Pt(4, -2);  // on the border: not moved
    EXPECT_FALSE(ConfinePointToRect(P, R));
    EXPECT_EQ(P, Pt(4, -2));
    P = Pt(9, 0);
    EXPECT_TRUE(ConfinePointToRect(P, R));
    EXPECT_EQ(P, Pt(4, 0));
    P = Pt(-1, 8);
    EXPECT_TRUE(ConfinePointToRect(P, R));
    EXPECT_EQ(P, Pt(1, 3));
}
