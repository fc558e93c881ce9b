// Polygons, the great-circle distance and the convex hull.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

using namespace qmr;

namespace {

constexpr double kPi = std::numbers::pi;

TPDblArray Poly(std::initializer_list<std::pair<double, double>> Pts) {
    TPDblArray P;
    for (auto [X, Y] : Pts) P.push_back(TPointDouble{X, Y});
    return P;
}

// Exact orientation of integer-valued points (coordinates well below 2^26).
std::int64_t Cross(const TPointDouble& O, const TPointDouble& A, const TPointDouble& B) {
    const auto Ax = static_cast<std::int64_t>(A.x - O.x), Ay = static_cast<std::int64_t>(A.y - O.y);
    const auto Bx = static_cast<std::int64_t>(B.x - O.x), By = static_cast<std::int64_t>(B.y - O.y);
    return Ax * By - Ay * Bx;
}

// Exact test of a common point of two integer segments (a degenerate segment is a point).
bool ExactMeet(const TPointDouble& A, const TPointDouble& B, const TPointDouble& C, const TPointDouble& D) {
    auto OnSeg = [](const TPointDouble& P, const TPointDouble& Q, const TPointDouble& R) {
        return Cross(P, Q, R) == 0 && std::min(P.x, Q.x) <= R.x && R.x <= std::max(P.x, Q.x) &&
               std::min(P.y, Q.y) <= R.y && R.y <= std::max(P.y, Q.y);
    };
    const auto D1 = Cross(A, B, C), D2 = Cross(A, B, D), D3 = Cross(C, D, A), D4 = Cross(C, D, B);
    if (((D1 > 0 && D2 < 0) || (D1 < 0 && D2 > 0)) && ((D3 > 0 && D4 < 0) || (D3 < 0 && D4 > 0))) return true;
    return OnSeg(A, B, C) || OnSeg(A, B, D) || OnSeg(C, D, A) || OnSeg(C, D, B);
}

// Strict hull vertices, counter-clockwise (Andrew's monotone chain, exact).
TPDblArray ReferenceHull(TPDblArray P) {
    std::sort(P.begin(), P.end(), [](auto& A, auto& B) { return A.x < B.x || (A.x == B.x && A.y < B.y); });
    P.erase(std::unique(P.begin(), P.end()), P.end());
    if (P.size() < 3) return P;
    TPDblArray H(2 * P.size());
    std::size_t K = 0;
    for (std::size_t I = 0; I < P.size(); ++I) {
        while (K >= 2 && Cross(H[K - 2], H[K - 1], P[I]) <= 0) --K;
        H[K++] = P[I];
    }
    for (std::size_t I = P.size() - 1, T = K + 1; I-- > 0;) {
        while (K >= T && Cross(H[K - 2], H[K - 1], P[I]) <= 0) --K;
        H[K++] = P[I];
    }
    H.resize(K - 1);
    return H;
}

// True when B is A turned cyclically.
bool SameCycle(const TPDblArray& A, const TPDblArray& B) {
    if (A.size() != B.size()) return false;
    if (A.empty()) return true;
    const auto It = std::find(B.begin(), B.end(), A[0]);
    if (It == B.end()) return false;
    TPDblArray R(It, B.end());
    R.insert(R.end(), B.begin(), It);
    return R == A;
}

TPDblArray RandomIntPoints(std::mt19937& Gen, int N, int Range) {
    std::uniform_int_distribution<int> C(0, Range);
    TPDblArray P(static_cast<std::size_t>(N));
    for (auto& Q : P) Q = TPointDouble{double(C(Gen)), double(C(Gen))};
    return P;
}

// Whether two points of the set lie in different directions from the centroid closer than
// Gap rad: the hull then may merge them by design, so such sets are not compared.
bool HasNearlyAlignedDirections(const TPDblArray& P, double Gap) {
    const auto N = static_cast<double>(P.size());
    double Sx = 0, Sy = 0;
    for (auto& Q : P) Sx += Q.x, Sy += Q.y;
    for (std::size_t I = 0; I < P.size(); ++I)
        for (std::size_t J = I + 1; J < P.size(); ++J) {
            // N * p - sum is exact for these small integers.
            const double Ux = N * P[I].x - Sx, Uy = N * P[I].y - Sy, Vx = N * P[J].x - Sx, Vy = N * P[J].y - Sy;
            if ((Ux == 0 && Uy == 0) || (Vx == 0 && Vy == 0)) continue;
            if (Ux * Vy - Uy * Vx == 0 && Ux * Vx + Uy * Vy > 0) continue;  // one ray
            double D = std::fabs(std::atan2(Uy, Ux) - std::atan2(Vy, Vx));
            if (std::min(D, 2 * kPi - D) < Gap) return true;
        }
    return false;
}

}  // namespace

TEST(SphereGreatCircleDist, KnownArcsAndHaversine) {
    EXPECT_DOUBLE_EQ(SphereGreatCircleDist(1, 0, 0, 0, 90), kPi / 2);
    EXPECT_DOUBLE_EQ(SphereGreatCircleDist(2, 0, 0, 0, 180), 2 * kPi);
    EXPECT_DOUBLE_EQ(SphereGreatCircleDist(1, 90, 0, -90, 0), kPi);
    // Equal points: h rounds past 1 at these latitudes (cos^2 + sin^2 in double, checked
    // with Python's math module), the clamp keeps the result 0.
    for (double Lat : {0.08, 0.12, 0.31, -0.67}) EXPECT_EQ(SphereGreatCircleDist(6371, Lat, 11.4, Lat, 11.4), 0) << Lat;
    // Haversine form on random pairs (well-conditioned there to ~1e-12 relative).
    std::mt19937 Gen(3);
    std::uniform_real_distribution<double> Lat(-80, 80), Lon(-180, 180);
    for (int I = 0; I < 200; ++I) {
        const double A = Lat(Gen), B = Lon(Gen), C = Lat(Gen), D = Lon(Gen), R = kPi / 180;
        const double S1 = std::sin((C - A) * R / 2), S2 = std::sin((D - B) * R / 2);
        const double Ref = 2 * 6371 * std::asin(std::sqrt(S1 * S1 + std::cos(A * R) * std::cos(C * R) * S2 * S2));
        if (Ref < 100) continue;  // arccos loses digits for short arcs
        EXPECT_NEAR(SphereGreatCircleDist(6371, A, B, C, D), Ref, 1e-9 * Ref);
    }
}

TEST(ReducePolygon, DuplicatesCollinearAndSpikes) {
    struct Case {
        std::vector<std::pair<int, int>> In, Out;
    };
    const Case Cases[] = {
        {{{0, 0}, {0, 0}, {1, 0}, {2, 0}, {2, 1}}, {{0, 0}, {2, 0}, {2, 1}}},
        {{}, {}},
        {{{5, 5}, {5, 5}}, {{5, 5}}},
        {{{0, 0}, {1, 0}, {2, 0}}, {{0, 0}, {2, 0}}},                        // ends stay
        {{{0, 0}, {2, 0}, {1, 0}, {1, 5}, {1, 9}}, {{0, 0}, {1, 0}, {1, 9}}},  // spike, vertical run
        {{{0, 0}, {2, 1}, {5, 2}}, {{0, 0}, {2, 1}, {5, 2}}},                  // slopes 1/2, 1/3: real division
        {{{0, 0}, {3, 1}, {6, 2}, {6, 2}, {0, 0}}, {{0, 0}, {0, 0}}},  // spike at the far end
        {{{-2000000000, 7}, {0, 7}, {2000000000, 7}}, {{-2000000000, 7}, {2000000000, 7}}},  // 64-bit steps
    };
    for (const Case& C : Cases) {
        TPIntArray PI;
        TPDblArray PD;
        for (auto [X, Y] : C.In) PI.push_back(TPoint{X, Y}), PD.push_back(TPointDouble{double(X), double(Y)});
        TPIntArray EI;
        TPDblArray ED;
        for (auto [X, Y] : C.Out) EI.push_back(TPoint{X, Y}), ED.push_back(TPointDouble{double(X), double(Y)});
        EXPECT_EQ(ReducePolygon(PI), std::int32_t(EI.size()));
        EXPECT_EQ(PI, EI) << C.In.size();
        EXPECT_EQ(ReducePolygon(PD), std::int32_t(ED.size()));
        EXPECT_EQ(PD, ED) << C.In.size();
    }
    // A gentle curve: neighbouring slopes differ by 0.6e-10 each, so every inner point is
    // marked against its original neighbours (re-testing after each removal would keep some).
    TPDblArray Curve;
    for (int K = 0; K < 10; ++K) Curve.push_back(TPointDouble{double(K), 3e-11 * K * K});
    EXPECT_EQ(ReducePolygon(Curve), 2);
    EXPECT_EQ(Curve.back().x, 9);
}

TEST(PointIsInsidePolygon, MatchesExactEvenOddRule) {
    const TPDblArray Square = Poly({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    EXPECT_TRUE(PointIsInsidePolygon(0.5, 0.5, Square));
    for (auto [X, Y] : {std::pair{1.0, 0.5}, {0.0, 0.0}, {0.5, 1.0}, {0.0, 0.3}, {1.5, 0.5}, {0.5, -0.1}})
        EXPECT_FALSE(PointIsInsidePolygon(X, Y, Square)) << X << " " << Y;
    EXPECT_FALSE(PointIsInsidePolygon(0, 0, {}));
    EXPECT_FALSE(PointIsInsidePolygon(1, 1, Poly({{1, 1}})));
    // Random integer polygons (self-intersecting too) against the even-odd rule for a ray
    // to the right at a height no vertex has; points on an edge are outside.
    std::mt19937 Gen(11);
    int Inside = 0;
    for (int T = 0; T < 400; ++T) {
        const TPDblArray P = RandomIntPoints(Gen, 3 + T % 7, 8);
        for (int Q = 0; Q < 40; ++Q) {
            const TPointDouble Pt{(Gen() % 20) * 0.5 - 0.5, (Gen() % 9) + 0.25 * (1 + Gen() % 3)};
            bool OnEdge = false, Odd = false;
            for (std::size_t I = 0; I < P.size(); ++I) {
                const TPointDouble A = P[I], B = P[(I + 1) % P.size()];
                // Scaled by 4 the query is an integer point: exact orientation.
                const TPointDouble A4{4 * A.x, 4 * A.y}, B4{4 * B.x, 4 * B.y}, Q4{4 * Pt.x, 4 * Pt.y};
                if (ExactMeet(A4, B4, Q4, Q4)) OnEdge = true;
                if ((A.y > Pt.y) != (B.y > Pt.y) && (Cross(A4, B4, Q4) > 0) == (B.y > A.y)) Odd = !Odd;
            }
            const bool Expected = Odd && !OnEdge;
            Inside += Expected;
            ASSERT_EQ(PointIsInsidePolygon(Pt.x, Pt.y, P), Expected) << T << " " << Pt.x << " " << Pt.y;
        }
    }
    EXPECT_GT(Inside, 1000);
}

TEST(PolygonArea, SignedAreaAndIntersectionCount) {
    struct Case {
        TPDblArray P;
        double Area;
        std::int32_t Crossings;
    };
    const Case Cases[] = {
        {Poly({{0, 0}, {1, 0}, {1, 1}, {0, 1}}), 1, 0},
        {Poly({{0, 1}, {1, 1}, {1, 0}, {0, 0}}), -1, 0},
        {Poly({{0, 0}, {1, 1}, {1, 0}, {0, 1}}), 0, 1},  // bow-tie
        {Poly({{0, 0}, {4, 0}, {4, 4}}), 8, 0},
        {Poly({{0, 0}, {4, 0}}), 0, 0},  // fewer than three points: 0, not -1
        {Poly({{3, 3}}), 0, 0},
        {{}, 0, 0},
        // Edges (0,0)-(1,0) and (2,0)-(3,0) lie on one line apart: no crossing.
        {Poly({{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 0}, {3, 0}, {3, -1}, {0, -1}}), -4, 0},
        // Overlapping on that line: (0,0)-(2,0) meets (1,1)-(1,0) and (1,0)-(3,0), which
        // also meets (2,0)-(2,1).
        {Poly({{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 0}, {3, 0}, {3, -1}, {0, -1}}), -2, 3},
    };
    for (const Case& C : Cases) {
        std::int32_t N = -99;
        EXPECT_EQ(PolygonArea(C.P, N), C.Area) << C.P.size();
        EXPECT_EQ(N, C.Crossings) << C.P.size();
    }
    // Random integer polygons: the cross-product sum and an exact pair count.
    std::mt19937 Gen(17);
    for (int T = 0; T < 500; ++T) {
        const TPDblArray P = RandomIntPoints(Gen, 3 + T % 9, 6);
        const std::size_t N = P.size();
        double Twice = 0;
        std::int32_t Pairs = 0;
        for (std::size_t I = 0; I < N; ++I) {
            Twice += P[I].x * P[(I + 1) % N].y - P[(I + 1) % N].x * P[I].y;
            for (std::size_t J = I + 2; J < N; ++J)
                if (!(I == 0 && J == N - 1)) Pairs += ExactMeet(P[I], P[I + 1], P[J], P[(J + 1) % N]);
        }
        std::int32_t Count = -99;
        ASSERT_EQ(PolygonArea(P, Count), Twice / 2) << T;
        ASSERT_EQ(Count, Pairs) << T;
    }
}

TEST(PolygonMeasures, LengthOuterRectAndDistance) {
    const TPDblArray Square = Poly({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    EXPECT_EQ(PolygonLength(Square, false), 3);
    EXPECT_EQ(PolygonLength(Square, true), 4);
    EXPECT_EQ(PolygonLength(Poly({{0, 0}, {3, 4}}), true), 10);
    EXPECT_EQ(PolygonLength({}, true), 0);
    EXPECT_EQ(PolygonLength(Poly({{2, 2}}), true), 0);

    double R[4] = {-7, -7, -7, -7};
    OuterRectOfPolygon({}, R[0], R[1], R[2], R[3]);
    EXPECT_EQ(R[0] + R[1] + R[2] + R[3], -28);  // untouched
    OuterRectOfPolygon(Poly({{3, -1}, {-2, 5}, {4, 0.5}, {0, -6}}), R[0], R[1], R[2], R[3]);
    EXPECT_EQ(std::vector<double>(R, R + 4), (std::vector<double>{-2, -6, 4, 5}));

    struct Case {
        TPointDouble P;
        TPDblArray Poly;
        bool Closed;
        double Dist;
    };
    const Case Cases[] = {
        {{-1, 0.5}, Square, true, 1},
        {{-1, 0.5}, Square, false, std::sqrt(1.25)},  // the closing edge is not there
        {{0.5, 0.4}, Square, true, 0.4},
        {{4, 5}, Poly({{1, 1}}), true, 5},
        {{4, 5}, Poly({{1, 1}}), false, uc_MaxDouble},
        {{4, 5}, {}, true, uc_MaxDouble},
    };
    for (const Case& C : Cases) EXPECT_DOUBLE_EQ(DistanceToPolygon(C.P, C.Poly, C.Closed), C.Dist) << C.Closed;
}

TEST(DiffPolygon, ModesAndRoundTrip) {
    const TPDblArray P = Poly({{0, 0}, {1, 0}, {1, 0}, {2, 0}, {2, 1}});
    struct Case {
        TPDblArray In;
        std::int32_t Mode;
        TPDblArray Out;
    };
    const Case Cases[] = {
        {P, 0, Poly({{1, 0}, {0, 0}, {1, 0}, {0, 1}})},
        {P, -3, Poly({{1, 0}, {0, 0}, {1, 0}, {0, 1}})},
        {P, 1, Poly({{1, 0}, {1, 0}, {0, 1}})},
        {P, 2, Poly({{2, 0}, {0, 1}})},
        {Poly({{0, 0}, {1, 0}, {0, 0}, {0, 2}, {0, -1}, {1, 1}, {3, 3}}), 2, Poly({{0, 0}, {0, -1}, {1, 2}, {2, 2}})},
        {Poly({{0, 0}, {1, 2}, {2, 3}}), 2, Poly({{1, 2}, {1, 1}})},
        {Poly({{4, 4}}), 2, {}},
        {{}, 0, {}},
    };
    for (const Case& C : Cases) {
        TPDblArray D = Poly({{9, 9}});
        EXPECT_EQ(ConvertToDiffPolygon(C.In, D, C.Mode), std::int32_t(C.Out.size()));
        EXPECT_EQ(D, C.Out) << C.Mode << " " << C.In.size();
    }
    TPDblArray Back;
    EXPECT_EQ(ConvertFromDiffPolygon({0, 0}, Poly({{1, 0}, {0, 1}}), Back), 3);
    EXPECT_EQ(Back, Poly({{0, 0}, {1, 0}, {1, 1}}));
    TPDblArray Steps;
    ConvertToDiffPolygon(P, Steps, 0);
    EXPECT_EQ(ConvertFromDiffPolygon(P[0], Steps, Steps), 5);  // output may be the input
    EXPECT_EQ(Steps, P);
}

TEST(Convex2DHull, SmallAndDegenerateSets) {
    struct Case {
        TPDblArray In, Out;
    };
    const Case Cases[] = {
        {{}, {}},
        {Poly({{1, 1}, {0, 0}, {2, 5}}), Poly({{1, 1}, {0, 0}, {2, 5}})},  // copied as given
        {Poly({{2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}}), Poly({{2, 2}})},
        {Poly({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {1, 0}}), Poly({{3, 0}, {0, 0}})},
        {Poly({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {1.5, 1.5}, {0, 0}}), Poly({{3, 3}, {0, 0}})},
        {Poly({{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.5, 0.5}}), Poly({{1, 0}, {1, 1}, {0, 1}, {0, 0}})},
        {Poly({{0, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 0}, {2, 1}, {0, 0}, {1, 2}}),
         Poly({{2, 0}, {2, 2}, {0, 2}, {0, 0}})},
    };
    for (const Case& C : Cases) {
        TPDblArray H = Poly({{7, 7}});
        Convex2DHull(C.In, H);
        EXPECT_EQ(H, C.Out) << C.In.size();
    }
    // A clockwise triangle comes back clockwise, so nothing is inside it.
    TPDblArray Tri;
    Convex2DHull(Poly({{0, 0}, {0, 4}, {4, 0}}), Tri);
    EXPECT_FALSE(PointIsInsideConvexHull(1, 1, Tri));
    EXPECT_FALSE(PointIsInsideConvexHull(0, 0, {}));
    TPDblArray Same = Poly({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {1, 2}});
    Convex2DHull(Same, Same);  // output may be the input
    EXPECT_EQ(Same, Poly({{4, 0}, {4, 4}, {0, 4}, {0, 0}}));
}

TEST(Convex2DHull, MatchesReferenceHullAndInsideTest) {
    std::mt19937 Gen(23);
    int Compared = 0, Skipped = 0;
    for (int T = 0; T < 30000; ++T) {
        const int N = T < 20000 ? 5 : 4 + T % 60;
        const TPDblArray P = RandomIntPoints(Gen, N, T < 20000 ? 1000 : 12);
        if (HasNearlyAlignedDirections(P, 2e-4)) {
            ++Skipped;
            continue;
        }
        ++Compared;
        TPDblArray H;
        Convex2DHull(P, H);
        const TPDblArray Ref = ReferenceHull(P);
        ASSERT_TRUE(SameCycle(Ref, H)) << T << ": " << H.size() << " vertices, expected " << Ref.size();
        if (T % 50 != 0 || H.size() < 3) continue;
        for (int Q = 0; Q < 50; ++Q) {
            const TPointDouble X{double(Gen() % 16) - 2, double(Gen() % 16) - 2};
            bool Strict = true;
            for (std::size_t I = 0; I < Ref.size(); ++I) Strict &= Cross(Ref[I], Ref[(I + 1) % Ref.size()], X) > 0;
            ASSERT_EQ(PointIsInsideConvexHull(X.x, X.y, H), Strict) << T;
        }
    }
    EXPECT_GT(Compared, 10 * Skipped);
    // Many points: a ring of 720 vertices around 2000 interior points (real coordinates).
    TPDblArray P;
    for (int K = 0; K < 720; ++K) P.push_back(TPointDouble{100 * std::cos(K * kPi / 360), 100 * std::sin(K * kPi / 360)});
    std::uniform_real_distribution<double> U(-60, 60);
    for (int K = 0; K < 2000; ++K) P.push_back(TPointDouble{U(Gen), U(Gen)});
    std::shuffle(P.begin(), P.end(), Gen);
    TPDblArray H;
    Convex2DHull(P, H);
    ASSERT_EQ(H.size(), 720u);
    for (std::size_t I = 0; I < H.size(); ++I)
        EXPECT_NEAR(std::hypot(H[I].x, H[I].y), 100, 1e-12);
    EXPECT_GT(PolygonArea(H), 0);
}
