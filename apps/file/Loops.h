#pragma once

#include "apps/file/AnalysisFile.h"
#include "apps/file/FileTolerances.h"

#include "platform/ge/GeNurbCurve3d.h"

#include <vector>

/// Boundary loops as the file gives them, made ready for a region: chained end to start,
/// closed, oriented, and checked against each other. Works on the file's plain curves so that
/// every problem can be reported with the curves' key paths.
namespace cae_app
{
/// The platform's curve for a checked NURBS curve (see checkNurbs), with the same parameters.
OdGeNurbCurve3d nurbsOf(const NurbsCurve& nurbs);

OdGePoint2d startPoint(const BoundaryCurve& curve);
OdGePoint2d endPoint(const BoundaryCurve& curve);
/// The same curve travelled the other way.
void reverse(BoundaryCurve& curve);

/// Points along the curve from its start to its end, both included; arcs and ellipses at most 5
/// degrees of angle apart, splines through their fit points, NURBS curves 8 to a knot span. Enough to judge
/// orientation and containment.
std::vector<OdGePoint2d> polyline(const BoundaryCurve& curve);

/// Signed area enclosed by the loop, positive when it runs counter-clockwise. Exact for lines
/// and arcs; splines count as the polygon of their fit points.
double signedArea(const BoundaryLoop& loop);

/// The diagonal of the box around every curve of the loops (whole circles of arcs included), the
/// scale for kJoinPrecision.
double regionSize(const BoundaryLoop& outer, const std::vector<BoundaryLoop>& holes);

/// Chains the loop's curves in walking order, reversing curves given the other way round and
/// moving the end of a line or spline that misses its neighbour by less than `joinTolerance` onto
/// it, so that consecutive curves meet exactly. Throws InputError ("<loop path>: ...") for an open
/// loop, naming the two curves and the gap, for a circle that is not alone in its loop, and for
/// two arcs that nearly meet (neither can be moved).
void closeLoop(BoundaryLoop& loop, double joinTolerance);

/// Turns the loop so that it runs counter-clockwise (`counterClockwise`) or clockwise.
void orient(BoundaryLoop& loop, bool counterClockwise);

/// Closes, orients (outer counter-clockwise, holes clockwise) and checks that every hole lies
/// inside the outer loop and outside the other holes. `sourceName` starts every message.
void prepareLoops(BoundaryLoop& outer, std::vector<BoundaryLoop>& holes, const std::string& sourceName);
} // namespace cae_app
