// Plane polygons, the great-circle distance and the convex hull.
#include "analysis/QMR_math2.h"
#include "foundations/QMR_math1_geometry.h"
#include "foundations/detail/combsort.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace qmr {

namespace {

constexpr double kPi = std::numbers::pi;

// A count as the interface's 32-bit integer (saturated; no real array gets that long).
std::int32_t CountToInt32(std::size_t N) {
    return static_cast<std::int32_t>(std::min<std::size_t>(N, std::numeric_limits<std::int32_t>::max()));
}

// Whether inner point B is collinear with its neighbours A and C, from the coordinate
// differences of the steps A -> B and B -> C (slopes as real divisions).
bool CollinearSteps(double Dx1, double Dy1, double Dx2, double Dy2) {
    if (Dx1 == 0) return Dx2 == 0;
    if (Dx2 == 0) return Dy2 == 0;
    return std::fabs(Dy1 / Dx1 - Dy2 / Dx2) < 1e-10;
}

double Diff(double A, double B) { return A - B; }
// Integer coordinates are subtracted in 64 bits: exact, then rounded once to double.
double Diff(std::int32_t A, std::int32_t B) { return static_cast<double>(std::int64_t{A} - B); }

template <class TPointT> std::int32_t ReducePolygonOf(std::vector<TPointT>& Poly) {
    // Repeated points: each point equal to its predecessor goes (the first one stays).
    Poly.erase(std::unique(Poly.begin(), Poly.end()), Poly.end());
    const std::size_t N = Poly.size();
    if (N < 3) return CountToInt32(N);
    std::vector<bool> Collinear(N, false);
    for (std::size_t K = 1; K + 1 < N; ++K) {
        const TPointT& A = Poly[K - 1];
        const TPointT& B = Poly[K];
        const TPointT& C = Poly[K + 1];
        Collinear[K] = CollinearSteps(Diff(A.x, B.x), Diff(A.y, B.y), Diff(B.x, C.x), Diff(B.y, C.y));
    }
    std::size_t Kept = 0;
    for (std::size_t K = 0; K < N; ++K)
        if (!Collinear[K]) Poly[Kept++] = Poly[K];
    Poly.resize(Kept);
    return CountToInt32(Kept);
}

// One edge (U, V) of the crossing test for Q: 0 when Q lies on the edge, -1 when the
// edge crosses the ray from Q to the right, 1 otherwise (half-open in y, so a vertex on
// the ray counts once).
int CrossingFactor(const TPointDouble& Q, TPointDouble U, TPointDouble V) {
    if (Q.y == U.y && Q.y == V.y) {
        const bool Between = (U.x <= Q.x && Q.x <= V.x) || (V.x <= Q.x && Q.x <= U.x);
        return Between ? 0 : 1;
    }
    if (U.y > V.y) std::swap(U, V);
    if (Q == U) return 0;
    if (Q.y <= U.y || Q.y > V.y) return 1;
    const double Delta = (U.x - Q.x) * (V.y - Q.y) - (U.y - Q.y) * (V.x - Q.x);
    if (Delta > 0) return -1;
    if (Delta < 0) return 1;
    return 0;
}

bool BoxesOverlap(const TPointDouble& A, const TPointDouble& B, const TPointDouble& C, const TPointDouble& D) {
    return std::max(std::min(A.x, B.x), std::min(C.x, D.x)) <= std::min(std::max(A.x, B.x), std::max(C.x, D.x)) &&
           std::max(std::min(A.y, B.y), std::min(C.y, D.y)) <= std::min(std::max(A.y, B.y), std::max(C.y, D.y));
}

// Direction of a step for merging runs: its slope, 2^31 - 1 for a vertical step.
double StepSlope(const TPointDouble& D) { return D.x == 0 ? 2147483647.0 : D.y / D.x; }

// Nearly equal angles about the centroid: in angle order, each point R not yet marked
// meets the points after it (cyclic) while their angle lies within 1e-4 of its own, and of
// each such pair the one nearer the centroid is marked (the partner when R is at least as
// far). Angle is sorted ascending; Dist2 holds the squared distances from the centroid.
void MarkNearlyAligned(const std::vector<double>& Angle, const std::vector<double>& Dist2, std::vector<bool>& Marked) {
    const auto N = static_cast<std::int32_t>(Angle.size());
    constexpr double Gap = 1e-4;
    auto Near = [&](std::int32_t J, std::int32_t R) { return std::fabs(Angle[J] - Angle[R]) < Gap; };
    // A walk comes round past the last point only when all angles lie within about 2e-4
    // (and NaNs leave the order unsorted): then walk pair by pair, stopping back at R.
    auto IsNaN = [](double X) { return std::isnan(X); };
    const bool Numbers = std::none_of(Angle.begin(), Angle.end(), IsNaN) && std::none_of(Dist2.begin(), Dist2.end(), IsNaN);
    if (!Numbers || !(Angle[N - 1] - Angle[0] > 3 * Gap)) {
        for (std::int32_t R = 0; R < N; ++R) {
            if (Marked[R]) continue;
            for (std::int32_t J = R + 1 == N ? 0 : R + 1; J != R && Near(J, R); J = J + 1 == N ? 0 : J + 1)
                Marked[Dist2[R] >= Dist2[J] ? J : R] = true;
        }
        return;
    }
    // Sorted angles: the walk from R covers R + 1 .. End[R] - 1, and End never decreases.
    // So R marks itself when the farthest point of its walk is farther than R, and a point
    // J is marked from before when a walk that reached it started at a point not marked
    // then and at least as far as J. Two sliding maxima give both in linear time, where
    // walking every pair costs time quadratic in the length of a run of equal angles.
    std::vector<std::int32_t> WalkEnd(Angle.size());
    std::vector<std::int32_t> Walkers, Ahead;  // monotone queues: distances decrease
    std::size_t WalkersFront = 0, AheadFront = 0;
    std::int32_t End = 0, Added = 0;
    for (std::int32_t J = 0; J < N; ++J) {
        End = std::max(End, J + 1);
        while (End < N && Near(End, J)) ++End;
        WalkEnd[J] = End;
        while (WalkersFront < Walkers.size() && WalkEnd[Walkers[WalkersFront]] <= J) ++WalkersFront;
        if (WalkersFront < Walkers.size() && Dist2[Walkers[WalkersFront]] >= Dist2[J]) {
            Marked[J] = true;  // J does not walk
            continue;
        }
        for (Added = std::max(Added, J + 1); Added < End; ++Added) {
            while (Ahead.size() > AheadFront && Dist2[Ahead.back()] <= Dist2[Added]) Ahead.pop_back();
            Ahead.push_back(Added);
        }
        while (AheadFront < Ahead.size() && Ahead[AheadFront] <= J) ++AheadFront;
        if (AheadFront < Ahead.size() && Dist2[Ahead[AheadFront]] > Dist2[J]) Marked[J] = true;
        while (Walkers.size() > WalkersFront && Dist2[Walkers.back()] <= Dist2[J]) Walkers.pop_back();
        Walkers.push_back(J);
    }
}

}  // namespace

double SphereGreatCircleDist(double Radius, double Lat1, double Long1, double Lat2, double Long2) {
    constexpr double DegToRad = kPi / 180;
    const double Phi1 = Lat1 * DegToRad, Phi2 = Lat2 * DegToRad;
    const double H =
        std::cos(Phi1) * std::cos(Phi2) * std::cos((Long2 - Long1) * DegToRad) + std::sin(Phi1) * std::sin(Phi2);
    // Rounding can carry h just past 1 for (nearly) equal points; NaN stays NaN.
    const double Clamped = H > 1 ? 1.0 : (H < -1 ? -1.0 : H);
    return Radius * std::acos(Clamped);
}

std::int32_t ReducePolygon(TPIntArray& Poly) { return ReducePolygonOf(Poly); }
std::int32_t ReducePolygon(TPDblArray& Poly) { return ReducePolygonOf(Poly); }

bool PointIsInsidePolygon(double x, double y, const TPDblArray& Poly) {
    if (Poly.empty()) return false;
    const TPointDouble Q{x, y};
    int T = -CrossingFactor(Q, Poly.back(), Poly.front());
    for (std::size_t I = 1; I < Poly.size() && T != 0; ++I) T *= CrossingFactor(Q, Poly[I - 1], Poly[I]);
    return T == 1;
}

double PolygonArea(const TPDblArray& Poly) {
    if (Poly.empty()) return 0;
    const std::size_t H = Poly.size() - 1;
    double Sum = (Poly[H].x - Poly[0].x) * (Poly[H].y + Poly[0].y);
    for (std::size_t I = 0; I < H; ++I) Sum += (Poly[I].x - Poly[I + 1].x) * (Poly[I].y + Poly[I + 1].y);
    return Sum / 2;
}

double PolygonArea(const TPDblArray& Poly, std::int32_t& NumIntersections) {
    // Adjacent edges share a point and always meet: only the other pairs are counted.
    // Edge E of N is P[E] -> P[(E + 1) mod N]; edges E and F > E are adjacent when
    // F = E + 1 or (E, F) = (0, N - 1).
    const std::size_t N = Poly.size();
    std::int64_t Count = 0;
    for (std::size_t E = 0; E + 2 < N; ++E) {
        const TPointDouble& A = Poly[E];
        const TPointDouble& B = Poly[E + 1];
        const std::size_t LastF = E == 0 ? N - 2 : N - 1;
        for (std::size_t F = E + 2; F <= LastF; ++F) {
            const TPointDouble& C = Poly[F];
            const TPointDouble& D = Poly[F + 1 == N ? 0 : F + 1];
            if (BoxesOverlap(A, B, C, D) && SegmentsIntersect(A, B, C, D)) ++Count;
        }
    }
    NumIntersections =
        static_cast<std::int32_t>(std::min<std::int64_t>(Count, std::numeric_limits<std::int32_t>::max()));
    return PolygonArea(Poly);
}

double PolygonLength(const TPDblArray& Poly, bool Closed) {
    if (Poly.empty()) return 0;
    double Len = 0;
    for (std::size_t I = 1; I < Poly.size(); ++I) Len += EuclideanDistance(Poly[I - 1], Poly[I]);
    if (Closed) Len += EuclideanDistance(Poly.front(), Poly.back());
    return Len;
}

void OuterRectOfPolygon(const TPDblArray& Poly, double& MinX, double& MinY, double& MaxX, double& MaxY) {
    if (Poly.empty()) return;
    MinX = MaxX = Poly[0].x;
    MinY = MaxY = Poly[0].y;
    for (const TPointDouble& P : Poly) {
        if (P.x < MinX) MinX = P.x;
        if (P.x > MaxX) MaxX = P.x;
        if (P.y < MinY) MinY = P.y;
        if (P.y > MaxY) MaxY = P.y;
    }
}

std::int32_t ConvertToDiffPolygon(const TPDblArray& Poly, TPDblArray& DiffPoly, std::int32_t Mode) {
    TPDblArray Steps;
    Steps.reserve(Poly.empty() ? 0 : Poly.size() - 1);
    double RunSlope = 0;
    for (std::size_t J = 1; J < Poly.size(); ++J) {
        const TPointDouble D{Poly[J].x - Poly[J - 1].x, Poly[J].y - Poly[J - 1].y};
        if (Mode > 0 && D.x == 0 && D.y == 0) continue;
        // A step of the slope of the step kept before it joins that step's run.
        const double Slope = StepSlope(D);
        if (Mode == 2 && !Steps.empty() && Slope == RunSlope) {
            Steps.back().x += D.x;
            Steps.back().y += D.y;
            continue;
        }
        RunSlope = Slope;
        Steps.push_back(D);
    }
    DiffPoly = std::move(Steps);
    return CountToInt32(DiffPoly.size());
}

std::int32_t ConvertFromDiffPolygon(const TPointDouble& Start, const TPDblArray& DiffPoly, TPDblArray& Poly) {
    TPDblArray Points(DiffPoly.size() + 1);
    Points[0] = Start;
    for (std::size_t I = 0; I < DiffPoly.size(); ++I)
        Points[I + 1] = TPointDouble{Points[I].x + DiffPoly[I].x, Points[I].y + DiffPoly[I].y};
    Poly = std::move(Points);
    return CountToInt32(Poly.size());
}

double DistanceToPolygon(const TPointDouble& P, const TPDblArray& Poly, bool Closed) {
    if (Poly.empty() || (Poly.size() == 1 && !Closed)) return uc_MaxDouble;
    // The first edge's distance starts the search, so NaN coordinates give NaN, not a bound.
    double Best = Poly.size() > 1 ? DistanceToSegment(P, Poly[0], Poly[1]) : DistanceToSegment(P, Poly[0], Poly[0]);
    for (std::size_t I = 2; I < Poly.size(); ++I) Best = std::min(Best, DistanceToSegment(P, Poly[I - 1], Poly[I]));
    if (Closed) Best = std::min(Best, DistanceToSegment(P, Poly.back(), Poly.front()));
    return Best;
}

bool PointIsInsideConvexHull(double x, double y, const TPDblArray& Hull) {
    if (Hull.empty()) return false;
    auto LeftOf = [x, y](const TPointDouble& A, const TPointDouble& B) {
        return (x - A.x) * (A.y - B.y) + (y - A.y) * (B.x - A.x) > 0;
    };
    if (!LeftOf(Hull.back(), Hull.front())) return false;
    for (std::size_t I = 1; I < Hull.size(); ++I)
        if (!LeftOf(Hull[I - 1], Hull[I])) return false;
    return true;
}

void Convex2DHull(const TPDblArray& Points, TPDblArray& Hull) {
    const std::size_t N = Points.size();
    if (N <= 3) {
        Hull = Points;
        return;
    }
    if (N > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw std::length_error("Convex2DHull: too many points");
    const auto Count = static_cast<std::int32_t>(N);

    // The points relative to their centroid, with their angle about it turned by pi/2 into
    // (0, 2 pi], sorted by angle as a matrix row sort orders its rows.
    double Sx = 0, Sy = 0;
    for (const TPointDouble& P : Points) {
        Sx += P.x;
        Sy += P.y;
    }
    const double Cx = Sx / static_cast<double>(N), Cy = Sy / static_cast<double>(N);
    std::vector<double> Angle(N);
    std::vector<std::int32_t> Source(N);
    for (std::int32_t I = 0; I < Count; ++I) {
        double A = AngleToXAxis(Points[I].x - Cx, Points[I].y - Cy) + kPi / 2;
        if (A > 2 * kPi) A -= 2 * kPi;
        Angle[I] = A;
        Source[I] = I;
    }
    detail::CombRange(
        0, Count - 1, [&](std::int32_t I, std::int32_t J) { return Angle[J] < Angle[I]; },
        [&](std::int32_t I, std::int32_t J) {
            std::swap(Angle[I], Angle[J]);
            std::swap(Source[I], Source[J]);
        });
    auto Pt = [&](std::int32_t K) -> const TPointDouble& { return Points[Source[K]]; };
    std::vector<double> Dist2(N);
    for (std::int32_t K = 0; K < Count; ++K) {
        const double Dx = Pt(K).x - Cx, Dy = Pt(K).y - Cy;
        Dist2[K] = Dx * Dx + Dy * Dy;
    }

    // Of two points in nearly the same direction the nearer is no vertex.
    std::vector<bool> Marked(N, false);
    MarkNearlyAligned(Angle, Dist2, Marked);
    auto Unmarked = static_cast<std::int32_t>(std::count(Marked.begin(), Marked.end(), false));
    auto Mark = [&](std::int32_t K) {
        Marked[K] = true;
        --Unmarked;
    };

    // Scan the unmarked points in angle order with three of them (previous, middle, next):
    // a middle point where the path makes no strict left turn is no vertex and the scan
    // steps back; otherwise it moves on. The scan ends once it has moved on past every
    // remaining point since its last mark (all turns left: convex), which a fixed budget
    // of steps does not always reach (say, a dense ring of points inside a large
    // triangle). It is linear: once it has passed every point, a mark changes only the
    // neighbours it re-checks next. The unmarked points are a cyclic doubly linked list.
    if (Unmarked >= 3) {
        std::vector<std::int32_t> Prev(N), Succ(N);
        std::int32_t First = -1, Last = -1;
        for (std::int32_t K = 0; K < Count; ++K) {
            if (Marked[K]) continue;
            if (First < 0)
                First = K;
            else {
                Succ[Last] = K;
                Prev[K] = Last;
            }
            Last = K;
        }
        Succ[Last] = First;
        Prev[First] = Last;
        std::int32_t Nr = First, L = Succ[Nr], Nr2 = Succ[L];
        for (std::int32_t Passed = 0; Passed < Unmarked && Unmarked >= 3;) {
            if (CcwTriangle(Pt(Nr), Pt(L), Pt(Nr2)) <= 0) {
                Mark(L);
                Passed = 0;
                Succ[Nr] = Nr2;
                Prev[Nr2] = Nr;
                L = Nr;
                Nr = Prev[Nr];
            } else {
                Nr = L;
                L = Nr2;
                Nr2 = Succ[L];
                ++Passed;
            }
        }
        // Every turn left was straight: the points lie on one line, and the two left need
        // not be its ends (a point at the centroid has no direction of its own, so the angle
        // order can put it between them). The ends, first and last in (x, y) order, are the
        // hull.
        if (Unmarked < 3) {
            auto Before = [&](std::int32_t A, std::int32_t B) {
                return Pt(A).x < Pt(B).x || (Pt(A).x == Pt(B).x && Pt(A).y < Pt(B).y);
            };
            std::int32_t Lo = 0, Hi = 0;
            for (std::int32_t K = 1; K < Count; ++K) {
                if (Before(K, Lo)) Lo = K;
                if (Before(Hi, K)) Hi = K;
            }
            std::fill(Marked.begin(), Marked.end(), true);
            Marked[Lo] = Marked[Hi] = false;
            Unmarked = Lo == Hi ? 1 : 2;
        }
    }

    TPDblArray Result;
    Result.reserve(static_cast<std::size_t>(Unmarked));
    for (std::int32_t K = 0; K < Count; ++K)
        if (!Marked[K]) Result.push_back(Pt(K));
    Hull = std::move(Result);
}

}  // namespace qmr
