// Plane polygons given as point arrays (the ring P[0], ..., P[H], H = last index), the
// great-circle distance on a sphere and the convex hull of a point set. Orientation is
// that of a y-up frame: counter-clockwise means a positive signed area. None of these
// routines raises; an empty polygon gives the neutral result each line names.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr {

// Distance along a great circle of a sphere of the given Radius between two points given
// by latitude and longitude in degrees: Radius * arccos(h), h clamped to [-1, 1].
QMR_API double SphereGreatCircleDist(double Radius, double Lat1, double Long1, double Lat2, double Long2);

// Removes points equal to their predecessor, then every inner point collinear with its two
// neighbours (slopes compared as real divisions, absolute tolerance 1e-10; a spike that
// turns back is collinear); all marks are decided before any point goes, and the first and
// last points stay. Poly is shortened in place; returns its new length (0 when empty).
QMR_API std::int32_t ReducePolygon(TPIntArray& Poly);
QMR_API std::int32_t ReducePolygon(TPDblArray& Poly);

// True when (x, y) lies strictly inside the polygon (crossing test); points on the
// boundary and every point tested against an empty polygon are outside.
QMR_API bool PointIsInsidePolygon(double x, double y, const TPDblArray& Poly);

// Signed area: positive for counter-clockwise vertices, 0 for fewer than three points.
QMR_API double PolygonArea(const TPDblArray& Poly);
// The same, and NumIntersections := the number of pairs of non-adjacent edges (closing
// edge included) that meet: SegmentsIntersect reports them and their bounding boxes
// overlap, so collinear edges apart do not count. 0 for a simple polygon and for fewer
// than three points.
QMR_API double PolygonArea(const TPDblArray& Poly, std::int32_t& NumIntersections);

// Sum of the edge lengths P[i] -> P[i + 1]; Closed adds P[H] -> P[0]. 0 when empty.
QMR_API double PolygonLength(const TPDblArray& Poly, bool Closed);

// Smallest and largest coordinates over all points; an empty polygon leaves the outputs.
QMR_API void OuterRectOfPolygon(const TPDblArray& Poly, double& MinX, double& MinY, double& MaxX, double& MaxY);

// DiffPoly := the steps P[j] - P[j - 1], j = 1..H; Mode > 0 drops (0, 0) steps; Mode 2 also
// sums each run of consecutive steps of equal slope dy/dx (2^31 - 1 for dx = 0, compared
// exactly: opposite steps merge too). Returns the number of steps kept.
QMR_API std::int32_t ConvertToDiffPolygon(const TPDblArray& Poly, TPDblArray& DiffPoly, std::int32_t Mode);
// Poly := Start followed by the running sums of the steps; returns Length(DiffPoly) + 1.
QMR_API std::int32_t ConvertFromDiffPolygon(const TPointDouble& Start, const TPDblArray& DiffPoly, TPDblArray& Poly);

// Smallest DistanceToSegment from P to the edges P[i] -> P[i + 1] (and P[H] -> P[0] when
// Closed); uc_MaxDouble when there is no edge.
QMR_API double DistanceToPolygon(const TPointDouble& P, const TPDblArray& Poly, bool Closed);

// True when (x, y) lies strictly left of every directed edge of Hull, which must list its
// vertices counter-clockwise; points on an edge, and any point against a clockwise or
// empty hull, are outside.
QMR_API bool PointIsInsideConvexHull(double x, double y, const TPDblArray& Hull);

// Hull := the vertices of the convex hull of Points, counter-clockwise, starting with the
// vertex whose direction from the centroid follows the downward one. Points that lie on a
// hull edge, repeated points, and a point within 1e-4 rad of the direction of a farther
// point (seen from the centroid) are not vertices. Up to three points are copied as given
// (a clockwise triangle then fails PointIsInsideConvexHull); coincident points give one
// vertex, points on one line its two ends. Coordinates whose products overflow (beyond
// about 1e150) or NaN leave the turns undecided: the result is then some of the points.
QMR_API void Convex2DHull(const TPDblArray& Points, TPDblArray& Hull);

}  // namespace qmr
