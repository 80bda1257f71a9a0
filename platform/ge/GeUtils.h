#pragma once

#include "platform/ge/GePoint2dArray.h"

/// Geometry utilities of the SDK.
class OdGeUtils
{
public:
    /// Where point lies relative to the closed polygon (the last vertex joins the first; a
    /// repeated first vertex at the end is allowed): 0 outside, 1 inside, 2 on the boundary
    /// (within tol.equalPoint() of an edge or vertex). Either orientation; concave and
    /// self-touching polygons follow the even-odd rule. Fewer than 3 vertices: only the
    /// boundary test applies (0 or 2).
    static int classifyPointPolygonRayTest(const OdGePoint2d& point, const OdGePoint2dArray& polygon,
                                           const OdGeTol& tol = OdGeContext::gTol);
    static int classifyPointPolygonRayTest(const OdGePoint2d& point, const OdGePoint2d* polygon,
                                           int numVertices, const OdGeTol& tol = OdGeContext::gTol);
};
