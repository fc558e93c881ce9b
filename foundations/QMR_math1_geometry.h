// Plane geometry: angles, orientation, segments, rectangles, ellipses, distances.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr {

// Angle of the vector (Dx, Dy) against the x axis in [0, 2 pi]; (0, 0) gives 3 pi/2.
QMR_API double AngleToXAxis(double Dx, double Dy);
// Orientation of P1, P2, P3: 1 counter-clockwise, -1 clockwise, 0 collinear.
QMR_API std::int32_t CcwTriangle(const TPointDouble& P1, const TPointDouble& P2, const TPointDouble& P3);
// True when segment P1-P2 meets segment P3-P4 (touching and collinear segments count).
QMR_API bool SegmentsIntersect(const TPointDouble& P1, const TPointDouble& P2, const TPointDouble& P3,
                               const TPointDouble& P4);
// Distance of P from the segment A-B.
QMR_API double DistanceToSegment(const TPointDouble& P, const TPointDouble& A, const TPointDouble& B);
// Integer distance of P from the rectangle R (0 inside), saturated to the int32 range.
QMR_API std::int32_t DistFromRect(const TPoint& P, const TRect& R);
// Distance of P from the axis-parallel ellipse centred at (Cx, Cy) with semi-axes SemiX
// and SemiY; Nearest receives the closest point of the ellipse.
QMR_API double DistFromEllipse(const TPointDouble& P, double Cx, double Cy, double SemiX, double SemiY,
                               TPointDouble& Nearest);
// True when P lies within R, borders included (corners in any order).
QMR_API bool WithinRect(const TPointDouble& P, const TRectDouble& R);
// Clamps P into R (corners in any order); True when P had to be moved.
QMR_API bool ConfinePointToRect(TPointDouble& P, const TRectDouble& R);
// Euclidean distance of two points.
QMR_API double EuclideanDistance(const TPointDouble& P1, const TPointDouble& P2);
QMR_API double EuclideanDistance(double X1, double Y1, double X2, double Y2);

}  // namespace qmr
