// Plane geometry routines.
#include "foundations/QMR_math1_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace qmr {

namespace {

constexpr double kPi = std::numbers::pi;

// Clamps V into the range spanned by A and B (in any order); true when V had to be moved.
bool ClampToSpan(double& V, double A, double B) {
    const double Lo = std::min(A, B), Hi = std::max(A, B);
    if (V < Lo)
        V = Lo;
    else if (V > Hi)
        V = Hi;
    else
        return false;
    return true;
}

// Rounded distance between two integer points; squares are taken in double, which holds
// every coordinate difference of 32-bit points exactly.
std::int64_t RoundedCornerDist(std::int64_t X, std::int64_t Y, std::int64_t Cx, std::int64_t Cy) {
    const double Dx = static_cast<double>(X - Cx);
    const double Dy = static_cast<double>(Y - Cy);
    return Round(std::sqrt(Dx * Dx + Dy * Dy));
}

// Root s of (r0 z0 / (s + r0))^2 + (z1 / (s + 1))^2 - 1 by bisection.
double EllipseRoot(double R0, double Z0, double Z1, double G) {
    const double N0 = R0 * Z0;
    double S0 = Z1 - 1.0;
    double S1 = G > 0 ? std::sqrt(N0 * N0 + Z1 * Z1) - 1.0 : 0.0;
    double S = 0.0;
    for (int Step = 0; Step < 1075; ++Step) {
        S = (S0 + S1) / 2.0;
        if (S == S0 || S == S1) break;
        const double Ratio0 = N0 / (S + R0);
        const double Ratio1 = Z1 / (S + 1.0);
        const double F = Ratio0 * Ratio0 + Ratio1 * Ratio1 - 1.0;
        if (F > 0)
            S0 = S;
        else if (F < 0)
            S1 = S;
        else
            break;
    }
    return S;
}

// Nearest point and distance for an ellipse centred at the origin with E0 >= E1 > 0,
// for a point (Y0, Y1) in the first quadrant.
double EllipseFirstQuadrant(double E0, double E1, double Y0, double Y1, double& X0, double& X1) {
    if (Y1 > 0) {
        if (Y0 > 0) {
            const double Z0 = Y0 / E0;
            const double Z1 = Y1 / E1;
            const double G = Z0 * Z0 + Z1 * Z1 - 1.0;
            if (G != 0) {
                const double R0 = (E0 / E1) * (E0 / E1);
                const double S = EllipseRoot(R0, Z0, Z1, G);
                X0 = R0 * Y0 / (S + R0);
                X1 = Y1 / (S + 1.0);
                return std::sqrt((X0 - Y0) * (X0 - Y0) + (X1 - Y1) * (X1 - Y1));
            }
            X0 = Y0;
            X1 = Y1;
            return 0.0;
        }
        X0 = 0.0;
        X1 = E1;
        return std::fabs(Y1 - E1);
    }
    const double Numer = E0 * Y0;
    const double Denom = E0 * E0 - E1 * E1;
    if (Numer < Denom) {
        const double Q = Numer / Denom;
        X0 = E0 * Q;
        X1 = E1 * std::sqrt(1.0 - Q * Q);
        return std::sqrt((X0 - Y0) * (X0 - Y0) + X1 * X1);
    }
    X0 = E0;
    X1 = 0.0;
    return std::fabs(Y0 - E0);
}

}  // namespace

double AngleToXAxis(double Dx, double Dy) {
    double A;
    if (Dx != 0) {
        A = std::atan(Dy / Dx);
        if (Dx < 0) A += kPi;
    } else {
        A = Dy > 0 ? kPi / 2 : 3 * kPi / 2;
    }
    if (A < 0) A += 2 * kPi;
    if (A > 2 * kPi) A -= 2 * kPi;
    return A;
}

std::int32_t CcwTriangle(const TPointDouble& P1, const TPointDouble& P2, const TPointDouble& P3) {
    const double C = (P2.x - P1.x) * (P3.y - P1.y) - (P3.x - P1.x) * (P2.y - P1.y);
    if (C > 0) return 1;
    if (C < 0) return -1;
    return 0;
}

bool SegmentsIntersect(const TPointDouble& P1, const TPointDouble& P2, const TPointDouble& P3,
                       const TPointDouble& P4) {
    if (CcwTriangle(P1, P2, P3) * CcwTriangle(P1, P2, P4) > 0) return false;
    return CcwTriangle(P3, P4, P1) * CcwTriangle(P3, P4, P2) <= 0;
}

double DistanceToSegment(const TPointDouble& P, const TPointDouble& A, const TPointDouble& B) {
    const double Dx = B.x - A.x;
    const double Dy = B.y - A.y;
    const double Len2 = Dx * Dx + Dy * Dy;
    const double T = Len2 == 0 ? -1.0 : (Dx * (P.x - A.x) + Dy * (P.y - A.y)) / Len2;
    double Qx, Qy;
    if (T < 0) {
        Qx = A.x;
        Qy = A.y;
    } else if (T > 1) {
        Qx = B.x;
        Qy = B.y;
    } else {
        Qx = A.x + T * Dx;
        Qy = A.y + T * Dy;
    }
    return EuclideanDistance(P.x, P.y, Qx, Qy);
}

std::int32_t DistFromRect(const TPoint& P, const TRect& R) {
    const std::int64_t X = P.x, Y = P.y;
    const std::int64_t L = R.Left, T = R.Top, Rt = R.Right, B = R.Bottom;
    std::int64_t D;
    if (L < X && X < Rt) {
        if (Y < T)
            D = T - Y;
        else if (Y > B)
            D = Y - B;
        else
            D = 0;
    } else if (T < Y && Y < B) {
        D = X <= L ? L - X : X - Rt;
    } else {
        D = std::min(std::min(RoundedCornerDist(X, Y, L, T), RoundedCornerDist(X, Y, Rt, T)),
                     std::min(RoundedCornerDist(X, Y, L, B), RoundedCornerDist(X, Y, Rt, B)));
    }
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(D, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

double DistFromEllipse(const TPointDouble& P, double Cx, double Cy, double SemiX, double SemiY,
                       TPointDouble& Nearest) {
    double U = P.x - Cx;
    double V = P.y - Cy;
    double E0 = std::fabs(SemiX);
    double E1 = std::fabs(SemiY);
    const bool Swapped = E1 > E0;
    if (Swapped) {
        std::swap(U, V);
        std::swap(E0, E1);
    }
    double X0, X1, Dist;
    if (E1 == 0) {
        // Degenerate ellipse: the segment [-E0, E0] along the first axis (a point when E0 = 0).
        X0 = std::clamp(U, -E0, E0);
        X1 = 0.0;
        Dist = EuclideanDistance(U, V, X0, X1);
    } else {
        Dist = EllipseFirstQuadrant(E0, E1, std::fabs(U), std::fabs(V), X0, X1);
        if (U < 0) X0 = -X0;
        if (V < 0) X1 = -X1;
    }
    if (Swapped) std::swap(X0, X1);
    Nearest.x = X0 + Cx;
    Nearest.y = X1 + Cy;
    return Dist;
}

bool WithinRect(const TPointDouble& P, const TRectDouble& R) {
    const double X0 = std::min(R.Left, R.Right), X1 = std::max(R.Left, R.Right);
    const double Y0 = std::min(R.Top, R.Bottom), Y1 = std::max(R.Top, R.Bottom);
    return P.x >= X0 && P.x <= X1 && P.y >= Y0 && P.y <= Y1;
}

bool ConfinePointToRect(TPointDouble& P, const TRectDouble& R) {
    const bool MovedX = ClampToSpan(P.x, R.Left, R.Right);
    const bool MovedY = ClampToSpan(P.y, R.Top, R.Bottom);
    return MovedX || MovedY;
}

double EuclideanDistance(const TPointDouble& P1, const TPointDouble& P2) {
    return EuclideanDistance(P1.x, P1.y, P2.x, P2.y);
}

double EuclideanDistance(double X1, double Y1, double X2, double Y2) {
    const double Dx = X2 - X1;
    const double Dy = Y2 - Y1;
    return std::sqrt(Dx * Dx + Dy * Dy);
}

}  // namespace qmr
