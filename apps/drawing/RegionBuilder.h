#pragma once

#include "apps/file/AnalysisFile.h"

#include "platform/base/SharedPtr.h"
#include "platform/db/DbRegion.h"
#include "platform/ge/GeCurve3d.h"

#include <string>
#include <vector>

/// Turns the file's prepared loops into the drawing's region. Linear loads and supports act on
/// boundary chains that must start and end at mesh vertices, and the mesher puts a vertex at
/// every curve end, so the curves are split where those chains start and end; the end points
/// are moved onto the exact split points. This is what the host does when the user picks the
/// ends of a distributed load on the boundary.
namespace cae_app
{
/// The curve of the drawing for a curve of the file (lines, arcs, full circles, ellipses and NURBS
/// curves exactly; splines as the interpolating cubic spline through the fit points).
OdSharedPtr<OdGeCurve3d> makeCurve(const BoundaryCurve& curve);

/// The two halves of a spline cut at `param` (strictly inside its interval), by knot insertion,
/// so together they are the same curve. The first half ends exactly where the second starts.
std::pair<OdSharedPtr<OdGeCurve3d>, OdSharedPtr<OdGeCurve3d>> splitSpline(const OdGeCurve3d& spline,
                                                                          double param);

/// A point that must become a boundary vertex: the start or end of a linear load or support.
struct BoundaryPoint
{
    BoundaryPoint(const OdGePoint2d& p, std::string keyPath) : point(p), path(std::move(keyPath)) {}

    OdGePoint2d point;
    /// Key path for messages, e.g. "loadsAndSupports[1].linearLoad.start".
    std::string path;
    /// Set by buildRegion: the point on the boundary that the mesh will have as a vertex, and
    /// the loop (0 outer, then the holes in order) it lies on.
    OdGePoint2d snapped;
    int loop = -1;
};

/// The region bounded by `outer` and `holes` (closed and oriented, see prepareLoops), with its
/// curves split at `points`. Throws InputError ("<sourceName>: <path>: ...") for a point that
/// is not on the boundary within `tolerance`, naming the nearest boundary point and its curve.
OdDbRegionPtr buildRegion(const BoundaryLoop& outer, const std::vector<BoundaryLoop>& holes,
                          std::vector<BoundaryPoint>& points, double tolerance,
                          const std::string& sourceName);
} // namespace cae_app
