// Straight lines in the plane (TSLine).
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

// Failure of a TSLine operation (bare reason as message).
class QMR_API EQMRSLineError : public Exception { public: using Exception::Exception; };

// Straight line A x + B y + C = 0; A and B are never both zero. A new line is y = 0.
class QMR_API TSLine : public TComponent {
public:
    explicit TSLine(TComponent* AOwner);
    std::string ClassName() const override;

    double ParA() const noexcept { return FParA; }
    // Refuses a value that would make A and B both zero.
    void SetParA(double Value);
    double ParB() const noexcept { return FParB; }
    // Refuses a value that would make A and B both zero.
    void SetParB(double Value);
    double ParC() const noexcept { return FParC; }
    void SetParC(double Value) { FParC = Value; }
    // When true, CalcX and CalcY divide by 1e-100 instead of failing on a zero coefficient.
    bool SubstituteInf() const noexcept { return FSubstInf; }
    void SetSubstituteInf(bool Value) { FSubstInf = Value; }

    // Angle of the line's direction (B, -A) in [0, 2 pi).
    double Direction() const;
    // Slope -A / B; fails when B = 0.
    double Slope() const;
    // Intercept -C / B; fails when B = 0.
    double Intercept() const;

    // Line through two points; false and no change when they are equal.
    bool LineFrom2Points(double P1X, double P1Y, double P2X, double P2Y);
    // Line through (px, py) at Angle radians against the x axis.
    void LineThroughPoint(double px, double py, double Angle);
    // The line y = k x + d.
    void LineFromSlopeIcpt(double k, double d);
    // Line through (px, py) normal to OtherLine (which may be this line).
    void NormalLine(double px, double py, const TSLine* OtherLine);
    // Line through (px, py) parallel to OtherLine (which may be this line).
    void ParallelLine(double px, double py, const TSLine* OtherLine);
    // Slope k and intercept d of the line; fails when B = 0.
    void CalcKDForm(double& k, double& d) const;
    // x of the line at y.
    double CalcX(double y) const;
    // y of the line at x.
    double CalcY(double x) const;
    // Signed distance of (px, py) from the line.
    double Distance(double px, double py) const;
    // Acute angle between this line and OtherLine in [0, pi/2].
    double AngleBetweenLines(const TSLine* OtherLine) const;
    // Intersection with OtherLine; false (x, y unchanged) for parallel lines.
    bool InterSection(const TSLine* OtherLine, double& x, double& y) const;
    // Points where the line crosses the box (bllx, blly)-(burx, bury), tested on the left,
    // right, bottom and top edges in turn; the first two found go to (x1, y1) and
    // (x2, y2), outputs not reached keep their values. True when two points were found.
    bool ClipBox(double bllx, double blly, double burx, double bury, double& x1, double& y1, double& x2,
                 double& y2);

private:
    // Sets A and B and the C that puts (px, py) on the line.
    void SetThrough(double A, double B, double px, double py);

    double FParA = 0;
    double FParB = 1.0;
    double FParC = 0;
    bool FSubstInf = false;
};

}  // namespace qmr
