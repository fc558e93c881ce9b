// Straight lines in the plane.
#include "foundations/QMR_sline.h"

#include <cmath>
#include <numbers>

namespace qmr {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kInfSubstitute = 1e-100;

const TSLine& Other(const TSLine* OtherLine) {
    if (OtherLine == nullptr) throw EQMRSLineError("other line is not assigned");
    return *OtherLine;
}

// U from Coef * U + K * V + C = 0; a zero Coef is replaced by 1e-100 when Subst is on,
// else raises Failure.
double SolveFor(double V, double K, double C, double Coef, bool Subst, const char* Failure) {
    if (Coef == 0) {
        if (!Subst) throw EQMRSLineError(Failure);
        Coef = kInfSubstitute;
    }
    return (-V * K - C) / Coef;
}

}  // namespace

TSLine::TSLine(TComponent* AOwner) : TComponent(AOwner) {}

std::string TSLine::ClassName() const { return "TSLine"; }

void TSLine::SetParA(double Value) {
    if (Value == 0 && FParB == 0) throw EQMRSLineError("parameter A and B must not both be zero");
    FParA = Value;
}

void TSLine::SetParB(double Value) {
    if (Value == 0 && FParA == 0) throw EQMRSLineError("parameter A and B must not both be zero");
    FParB = Value;
}

double TSLine::Direction() const {
    double A;
    if (FParB != 0)
        A = std::atan(-FParA / FParB);
    else
        A = FParA > 0 ? kPi / 2 : -kPi / 2;
    if (FParB <= 0) return A + kPi;
    if (FParA > 0) return A + 2 * kPi;
    return A;
}

double TSLine::Slope() const {
    if (FParB == 0) throw EQMRSLineError("slope is infinite");
    return -FParA / FParB;
}

double TSLine::Intercept() const {
    if (FParB == 0) throw EQMRSLineError("cannot calculate intercept (line is parallel to y axis)");
    return -FParC / FParB;
}

bool TSLine::LineFrom2Points(double P1X, double P1Y, double P2X, double P2Y) {
    if (P1X == P2X && P1Y == P2Y) return false;
    FParA = P1Y - P2Y;
    FParB = P2X - P1X;
    FParC = P1X * P2Y - P2X * P1Y;
    return true;
}

void TSLine::SetThrough(double A, double B, double px, double py) {
    FParA = A;
    FParB = B;
    FParC = -A * px - B * py;
}

void TSLine::LineThroughPoint(double px, double py, double Angle) {
    SetThrough(-std::sin(Angle), std::cos(Angle), px, py);
}

void TSLine::LineFromSlopeIcpt(double k, double d) {
    FParA = k;
    FParB = -1.0;
    FParC = d;
}

void TSLine::NormalLine(double px, double py, const TSLine* OtherLine) {
    const TSLine& L = Other(OtherLine);
    SetThrough(-L.FParB, L.FParA, px, py);
}

void TSLine::ParallelLine(double px, double py, const TSLine* OtherLine) {
    const TSLine& L = Other(OtherLine);
    SetThrough(L.FParA, L.FParB, px, py);
}

void TSLine::CalcKDForm(double& k, double& d) const {
    if (FParB == 0) throw EQMRSLineError("cannot convert to k-d-form if ParB is zero");
    k = -FParA / FParB;
    d = -FParC / FParB;
}

double TSLine::CalcX(double y) const { return SolveFor(y, FParB, FParC, FParA, FSubstInf, "cannot calculate x"); }

double TSLine::CalcY(double x) const { return SolveFor(x, FParA, FParC, FParB, FSubstInf, "cannot calculate y"); }

double TSLine::Distance(double px, double py) const {
    return (FParA * px + FParB * py + FParC) / std::sqrt(FParA * FParA + FParB * FParB);
}

double TSLine::AngleBetweenLines(const TSLine* OtherLine) const {
    const TSLine& L = Other(OtherLine);
    const double Denom = FParA * L.FParA + FParB * L.FParB;
    if (Denom == 0) return kPi / 2;
    return std::fabs(std::atan((FParA * L.FParB - L.FParA * FParB) / Denom));
}

bool TSLine::InterSection(const TSLine* OtherLine, double& x, double& y) const {
    const TSLine& L = Other(OtherLine);
    const double Det = FParA * L.FParB - L.FParA * FParB;
    if (Det == 0) return false;
    x = (FParB * L.FParC - L.FParB * FParC) / Det;
    y = (L.FParA * FParC - FParA * L.FParC) / Det;
    return true;
}

bool TSLine::ClipBox(double bllx, double blly, double burx, double bury, double& x1, double& y1, double& x2,
                     double& y2) {
    int Found = 0;
    auto Collect = [&](double X, double Y) {
        if (Found == 0) {
            x1 = X;
            y1 = Y;
        } else if (Found == 1) {
            x2 = X;
            y2 = Y;
        }
        ++Found;
    };
    // A vertical line never meets the left or right edge at a single y, nor a horizontal
    // line the bottom or top edge at a single x: those edges are skipped, so CalcX and
    // CalcY never meet a zero coefficient here and SubstituteInf plays no part.
    if (FParB != 0) {
        const double YLeft = CalcY(bllx);
        if (YLeft >= blly && YLeft <= bury) Collect(bllx, YLeft);
        const double YRight = CalcY(burx);
        if (YRight >= blly && YRight <= bury) Collect(burx, YRight);
    }
    if (FParA != 0) {
        const double XBottom = CalcX(blly);
        if (XBottom >= bllx && XBottom <= burx) Collect(XBottom, blly);
        const double XTop = CalcX(bury);
        if (XTop >= bllx && XTop <= burx) Collect(XTop, bury);
    }
    return Found >= 2;
}

}  // namespace qmr
