// Polygons, the great-circle distance and the convex hull.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

using namespace qmr;

namespace {

constexpr double kPi = std::numbers::pi;

TPDblArray Poly(std::vector<std::pair<double, double>> P) {
    TPDblArray R;
    for (auto [X, Y] : P) R.push_back({X, Y});
    return R;
}
TPDblArray RandomPoly(std::mt19937& Gen, std::size_t N, unsigned Range) {
    TPDblArray P(N);
    for (auto& Q : P) Q = {double(Gen() % Range), double(Gen() % Range)};
    return P;
}
// Orientation, exact for the small quarter-integer coordinates used here.
double Cross(const TPointDouble& O, const TPointDouble& A, const TPointDouble& B) {
    return (A.x - O.x) * (B.y - O.y) - (A.y - O.y) * (B.x - O.x);
}
bool OnSegment(const TPointDouble& P, const TPointDouble& Q, const TPointDouble& R) {
    return Cross(P, Q, R) == 0 && std::min(P.x, Q.x) <= R.x && R.x <= std::max(P.x, Q.x) &&
           std::min(P.y, Q.y) <= R.y && R.y <= std::max(P.y, Q.y);
}
bool SegmentsMeet(const TPointDouble& A, const TPointDouble& B, const TPointDouble& C, const TPointDouble& D) {
    if (Cross(A, B, C) * Cross(A, B, D) < 0 && Cross(C, D, A) * Cross(C, D, B) < 0) return true;
    return OnSegment(A, B, C) || OnSegment(A, B, D) || OnSegment(C, D, A) || OnSegment(C, D, B);
}
// Strict hull vertices, counter-clockwise (Andrew's monotone chain).
TPDblArray ReferenceHull(TPDblArray P) {
    std::sort(P.begin(), P.end(), [](auto& A, auto& B) { return A.x < B.x || (A.x == B.x && A.y < B.y); });
    P.erase(std::unique(P.begin(), P.end()), P.end());
    if (P.size() < 3) return P;
    TPDblArray H;
    for (int Pass = 0; Pass < 2; ++Pass, std::reverse(P.begin(), P.end())) {
        const std::size_t Start = H.size();
        for (const auto& Q : P) {
            while (H.size() >= Start + 2 && Cross(H[H.size() - 2], H.back(), Q) <= 0) H.pop_back();
            H.push_back(Q);
        }
        H.pop_back();
    }
    return H;
}

}  // namespace

TEST(SphereGreatCircleDist, KnownArcsAndClamp) {
    EXPECT_DOUBLE_EQ(SphereGreatCircleDist(1, 0, 0, 0, 90), kPi / 2);
    EXPECT_DOUBLE_EQ(SphereGreatCircleDist(2, 0, 0, 0, 180), 2 * kPi);
    EXPECT_DOUBLE_EQ(SphereGreatCircleDist(1, 60, 0, 60, 180), kPi / 3);  // over the pole
    // h rounds past 1 for equal points at these latitudes (cos^2 + sin^2 in double, checked
    // with Python's math module): the clamp gives 0, not NaN.
    for (double Lat : {0.08, 0.12, 0.31, -0.67}) EXPECT_EQ(SphereGreatCircleDist(6371, Lat, 11.4, Lat, 11.4), 0);
}

TEST(ReducePolygon, DuplicatesCollinearAndSpikesInBothOverloads) {
    const std::vector<std::pair<TPDblArray, TPDblArray>> Cases = {
        {Poly({{0, 0}, {0, 0}, {1, 0}, {2, 0}, {2, 1}}), Poly({{0, 0}, {2, 0}, {2, 1}})},
        {{}, {}},
        {Poly({{5, 5}, {5, 5}}), Poly({{5, 5}})},
        {Poly({{0, 0}, {2, 0}, {1, 0}, {1, 5}, {1, 9}}), Poly({{0, 0}, {1, 0}, {1, 9}})},  // spike, vertical run
        {Poly({{0, 0}, {2, 1}, {5, 2}}), Poly({{0, 0}, {2, 1}, {5, 2}})},  // slopes 1/2 and 1/3 differ
        {Poly({{0, 0}, {3, 1}, {6, 2}, {6, 2}, {0, 0}}), Poly({{0, 0}, {0, 0}})},  // the ends stay
        {Poly({{-2e9, -2}, {2e9, 2}, {0, 0}}), Poly({{-2e9, -2}, {0, 0}})},  // a spike, steps beyond 32 bits
        {Poly({{-2e9, 0}, {0, 0}, {2e9, 1}}), Poly({{-2e9, 0}, {0, 0}, {2e9, 1}})},  // slopes 5e-10 apart
        {Poly({{-2e9, -1}, {0, 0}, {2.1e9, 1}}), Poly({{-2e9, -1}, {2.1e9, 1}})},     // 2.4e-11 apart
    };
    auto ToInt = [](const TPDblArray& P) {
        TPIntArray R;
        for (auto Q : P) R.push_back({std::int32_t(Q.x), std::int32_t(Q.y)});
        return R;
    };
    for (auto [In, Out] : Cases) {
        TPIntArray PI = ToInt(In), EI = ToInt(Out);
        EXPECT_EQ(ReducePolygon(PI), std::int32_t(EI.size()));
        EXPECT_EQ(PI, EI) << In.size();
        EXPECT_EQ(ReducePolygon(In), std::int32_t(Out.size()));
        EXPECT_EQ(In, Out);
    }
    // Neighbouring slopes differ by 0.6e-10: every inner point is marked against its
    // original neighbours (testing again after each removal would keep some).
    TPDblArray Curve;
    for (int K = 0; K < 10; ++K) Curve.push_back({double(K), 3e-11 * K * K});
    EXPECT_EQ(ReducePolygon(Curve), 2);
}

TEST(Polygon, AreaCrossingsAndInsideAgainstExactReferences) {
    const TPDblArray Square = Poly({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    const std::vector<std::tuple<TPDblArray, double, std::int32_t>> Cases = {
        {Square, 1, 0},
        {Poly({{0, 1}, {1, 1}, {1, 0}, {0, 0}}), -1, 0},
        {Poly({{0, 0}, {1, 1}, {1, 0}, {0, 1}}), 0, 1},  // bow-tie
        {Poly({{0, 0}, {4, 0}}), 0, 0},                   // fewer than three points: 0, not -1
        {{}, 0, 0},
        // Edges (0,0)-(1,0) and (2,0)-(3,0) lie on one line apart: no crossing.
        {Poly({{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 0}, {3, 0}, {3, -1}, {0, -1}}), -4, 0},
    };
    for (auto& [P, Area, Crossings] : Cases) {
        std::int32_t N = -99;
        EXPECT_EQ(PolygonArea(P, N), Area);
        EXPECT_EQ(N, Crossings) << P.size();
    }
    EXPECT_TRUE(PointIsInsidePolygon(0.5, 0.5, Square));
    for (auto [X, Y] : Poly({{1, 0.5}, {0, 0}, {0.5, 1}, {1.5, 0.5}}))
        EXPECT_FALSE(PointIsInsidePolygon(X, Y, Square)) << X << " " << Y;
    EXPECT_FALSE(PointIsInsidePolygon(0, 0, {}));
    // Random integer polygons, self-intersecting too: the cross-product sum, an exact count
    // of meeting non-adjacent edges, and the even-odd rule (points on an edge are outside).
    std::mt19937 Gen(17);
    int Inside = 0;
    for (int T = 0; T < 600; ++T) {
        const TPDblArray P = RandomPoly(Gen, 3 + T % 9, 7);
        const std::size_t N = P.size();
        double Twice = 0;
        std::int32_t Pairs = 0;
        for (std::size_t I = 0; I < N; ++I) {
            Twice += P[I].x * P[(I + 1) % N].y - P[(I + 1) % N].x * P[I].y;
            for (std::size_t J = I + 2; J < N - (I == 0); ++J) Pairs += SegmentsMeet(P[I], P[I + 1], P[J], P[(J + 1) % N]);
        }
        std::int32_t Count = -99;
        ASSERT_EQ(PolygonArea(P, Count), Twice / 2) << T;
        ASSERT_EQ(Count, Pairs) << T;
        for (int K = 0; K < 20; ++K) {
            const TPointDouble Q{(Gen() % 18) * 0.5 - 0.5, (Gen() % 32) * 0.25 - 0.5};
            bool OnEdge = false, Odd = false;
            for (std::size_t I = 0; I < N; ++I) {
                const TPointDouble &A = P[I], &B = P[(I + 1) % N];
                OnEdge |= OnSegment(A, B, Q);
                if ((A.y > Q.y) != (B.y > Q.y) && (Cross(A, B, Q) > 0) == (B.y > A.y)) Odd = !Odd;
            }
            Inside += Odd && !OnEdge;
            ASSERT_EQ(PointIsInsidePolygon(Q.x, Q.y, P), Odd && !OnEdge) << T << " " << Q.x << " " << Q.y;
        }
    }
    EXPECT_GT(Inside, 500);
}

TEST(Polygon, LengthOuterRectDistanceAndDiffPolygons) {
    const TPDblArray Square = Poly({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    EXPECT_EQ(PolygonLength(Square, false), 3);
    EXPECT_EQ(PolygonLength(Square, true), 4);
    EXPECT_EQ(PolygonLength({}, true), 0);
    double R[4] = {-7, -7, -7, -7};
    OuterRectOfPolygon({}, R[0], R[1], R[2], R[3]);
    EXPECT_EQ(R[0] + R[1] + R[2] + R[3], -28);  // untouched
    OuterRectOfPolygon(Poly({{3, -1}, {-2, 5}, {4, 0.5}, {0, -6}}), R[0], R[1], R[2], R[3]);
    EXPECT_EQ(std::vector<double>(R, R + 4), (std::vector<double>{-2, -6, 4, 5}));
    EXPECT_DOUBLE_EQ(DistanceToPolygon({-1, 0.5}, Square, true), 1);
    EXPECT_DOUBLE_EQ(DistanceToPolygon({-1, 0.5}, Square, false), std::sqrt(1.25));  // no closing edge
    EXPECT_DOUBLE_EQ(DistanceToPolygon({4, 5}, Poly({{1, 1}}), true), 5);
    EXPECT_EQ(DistanceToPolygon({4, 5}, Poly({{1, 1}}), false), uc_MaxDouble);
    EXPECT_EQ(DistanceToPolygon({4, 5}, {}, true), uc_MaxDouble);

    const TPDblArray P = Poly({{0, 0}, {1, 0}, {1, 0}, {2, 0}, {2, 1}});
    // Opposite steps have equal slopes (0 and -0, or both vertical) and merge.
    const TPDblArray Zigzag = Poly({{0, 0}, {1, 0}, {0, 0}, {0, 2}, {0, -1}, {1, 1}, {3, 3}});
    const std::vector<std::tuple<TPDblArray, std::int32_t, TPDblArray>> Cases = {
        {P, -3, Poly({{1, 0}, {0, 0}, {1, 0}, {0, 1}})}, {P, 1, Poly({{1, 0}, {1, 0}, {0, 1}})},
        {P, 2, Poly({{2, 0}, {0, 1}})}, {P, 3, Poly({{1, 0}, {1, 0}, {0, 1}})},  // only Mode 2 merges
        {Zigzag, 2, Poly({{0, 0}, {0, -1}, {1, 2}, {2, 2}})}, {Poly({{4, 4}}), 2, {}},
    };
    for (auto& [In, Mode, Out] : Cases) {
        TPDblArray D = Poly({{9, 9}});
        EXPECT_EQ(ConvertToDiffPolygon(In, D, Mode), std::int32_t(Out.size()));
        EXPECT_EQ(D, Out) << Mode;
    }
    TPDblArray Steps;
    ConvertToDiffPolygon(P, Steps, 0);
    EXPECT_EQ(ConvertFromDiffPolygon(P[0], Steps, Steps), 5);  // output may be the input
    EXPECT_EQ(Steps, P);
}

TEST(Convex2DHull, DegenerateSetsAndOrder) {
    const std::vector<std::pair<TPDblArray, TPDblArray>> Cases = {
        {{}, {}},
        {Poly({{0, 0}, {0, 4}, {4, 0}}), Poly({{0, 0}, {0, 4}, {4, 0}})},  // copied, clockwise
        {Poly({{2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}}), Poly({{2, 2}})},
        {Poly({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {1, 0}}), Poly({{3, 0}, {0, 0}})},
        {Poly({{0, 0}, {1, 1}, {3, 3}, {1.5, 1.5}, {0, 0}}), Poly({{3, 3}, {0, 0}})},
        {Poly({{0, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 0}, {2, 1}, {0, 0}, {1, 2}}), Poly({{2, 0}, {2, 2}, {0, 2}, {0, 0}})},
        // The vertex straight below the centroid has the angle 2 pi: it comes last.
        {Poly({{0, -1}, {-1, 0}, {1, 0}, {0, 1}}), Poly({{1, 0}, {0, 1}, {-1, 0}, {0, -1}})},
        // Points on one line, some of them at the centroid: the two ends.
        {Poly({{3, 0}, {15, 30}, {7, 10}, {11, 20}, {9, 15}, {9, 15}}), Poly({{15, 30}, {3, 0}})},
        {Poly({{29, 23}, {50, 38}, {8, 8}, {1, 3}, {57, 43}}), Poly({{57, 43}, {1, 3}})},
        // x = 1.1 six times sums to a centroid off the line: every direction nearly vertical.
        {Poly({{1.1, 6}, {1.1, 2}, {1.1, 5}, {1.1, 4}, {1.1, 3}, {1.1, 5}}), Poly({{1.1, 6}, {1.1, 2}})},
    };
    for (auto [In, Out] : Cases) {
        Convex2DHull(In, In);  // output may be the input
        EXPECT_EQ(In, Out) << Out.size();
    }
    EXPECT_FALSE(PointIsInsideConvexHull(1, 1, Cases[1].second));  // clockwise: nothing inside
    EXPECT_FALSE(PointIsInsideConvexHull(0, 0, {}));
    // A NaN coordinate, or products that overflow, leave no turn to trust: the hull still
    // ends, and holds points of the set.
    for (const TPDblArray& In : {Poly({{0, 0}, {1, 0}, {NAN, 1}, {1, 1}, {0, 1}}),
                                 Poly({{-1e200, -1e200}, {1e200, -1e200}, {1e200, 1e200}, {-1e200, 1e200}, {0, 0}})}) {
        TPDblArray H;
        Convex2DHull(In, H);
        EXPECT_LE(H.size(), In.size());
        auto Same = [](double A, double B) { return A == B || (std::isnan(A) && std::isnan(B)); };
        for (auto& Q : H)
            EXPECT_TRUE(std::any_of(In.begin(), In.end(), [&](auto& P) { return Same(P.x, Q.x) && Same(P.y, Q.y); }));
    }
}

TEST(Convex2DHull, MatchesReferenceHullAndInsideTest) {
    // Random sets: many of five points (where a chord test drops vertices), small grids
    // (repeats, collinear runs, points at the centroid), and sets unchanged by quarter
    // turns of points (k, v), k near 20000, |v| <= 20 (directions about 5e-5 rad apart per
    // unit of v, equally far at +-v). Reference: the rule for nearly equal directions as it
    // reads, pair by pair (in angle order each point R not yet marked walks on, cyclic,
    // while the angle stays within 1e-4 of its own, marking the nearer of each pair, the
    // later when equally far), then the strict hull of the rest, up to rotation.
    std::mt19937 Gen(23);
    for (int T = 0; T < 33000; ++T) {
        TPDblArray P = RandomPoly(Gen, T < 20000 ? 5 : 4 + T % 60, T < 20000 ? 1000 : 12);
        if (T >= 30000) {
            P.clear();
            for (int M = 3 + T % 10; M > 0; --M) {
                const double K = 19998 + Gen() % 5, V = double(int(Gen() % 41) - 20);
                P.insert(P.end(), {{K, V}, {-V, K}, {-K, -V}, {V, -K}});
            }
        }
        const std::size_t N = P.size();
        double Cx = 0, Cy = 0;
        for (auto& Q : P) Cx += Q.x, Cy += Q.y;
        Cx /= double(N), Cy /= double(N);
        std::vector<std::pair<double, TPointDouble>> Order;
        for (auto& Q : P) {
            const double A = AngleToXAxis(Q.x - Cx, Q.y - Cy) + kPi / 2;
            Order.push_back({A > 2 * kPi ? A - 2 * kPi : A, Q});
        }
        std::stable_sort(Order.begin(), Order.end(), [](auto& A, auto& B) { return A.first < B.first; });
        auto Dist2 = [&](std::size_t I) {
            const double Dx = Order[I].second.x - Cx, Dy = Order[I].second.y - Cy;
            return Dx * Dx + Dy * Dy;
        };
        std::vector<bool> Marked(N);
        for (std::size_t R = 0; R < N; ++R) {
            if (Marked[R]) continue;
            for (std::size_t J = (R + 1) % N; J != R && std::fabs(Order[J].first - Order[R].first) < 1e-4;
                 J = (J + 1) % N)
                Marked[Dist2(R) >= Dist2(J) ? J : R] = true;
        }
        TPDblArray Rest, H;
        for (std::size_t R = 0; R < N; ++R)
            if (!Marked[R]) Rest.push_back(Order[R].second);
        TPDblArray Ref = ReferenceHull(Rest);
        Convex2DHull(P, H);
        if (!H.empty()) std::rotate(Ref.begin(), std::find(Ref.begin(), Ref.end(), H[0]), Ref.end());
        ASSERT_EQ(H, Ref) << T;
        for (int K = 0; T % 50 == 0 && K < 50; ++K) {
            const TPointDouble X{double(Gen() % 16) - 2, double(Gen() % 16) - 2};
            bool Strict = Ref.size() > 2;
            for (std::size_t I = 0; I < Ref.size(); ++I) Strict &= Cross(Ref[I], Ref[(I + 1) % Ref.size()], X) > 0;
            ASSERT_EQ(PointIsInsideConvexHull(X.x, X.y, H), Strict) << T;
        }
    }
    // Points near the centroid inside a large triangle: the scan needs more than 2n steps.
    TPDblArray H, P = Poly({{-166, -986}, {4, -30}, {29, -8}, {-29, -8}, {-13, -27}, {252, 968}, {-15, -26},
                            {20, -22}, {-629, 778}});
    Convex2DHull(P, H);
    EXPECT_EQ(H, Poly({{252, 968}, {-629, 778}, {-166, -986}}));
}
