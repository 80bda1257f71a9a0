#pragma once

#include "platform/base/OdString.h"
#include "platform/base/SharedPtr.h"
#include "platform/db/DbObject.h"
#include "platform/ge/GeCurve3d.h"

#include <vector>

class OdBrBrep;

/// A planar region bounded by closed loops of curves in the XY plane: the first loop is the
/// exterior boundary, the others are holes. The region keeps its own copies of the curves,
/// each with the direction it was given in.
class OdDbRegion : public OdDbEntity
{
public:
    /// One closed loop: curves in walking order, each in either direction.
    using Loop = std::vector<OdSharedPtr<OdGeCurve3d>>;

    static OdSmartPtr<OdDbRegion> createObject();

    /// Stand-in for building a region from curves. Requires: at least one loop; every loop
    /// non-empty; no null curve; every curve bounded and in the XY plane (z within
    /// tol.equalPoint()); every loop closed: with each curve taken in one of its two directions,
    /// each curve's end meets the next curve's start, the last's end the first's start (one
    /// curve: it must be closed). On failure returns eInvalidInput and leaves the region as it
    /// was; describeLoops tells what is wrong.
    OdResult setLoops(const std::vector<Loop>& loops, const OdGeTol& tol = OdGeContext::gTol);
    /// Empty when setLoops would accept loops; otherwise an English sentence naming the first
    /// problem and where it is, with loops and curves counted from 1, e.g.
    /// "loop 2 is open: the end of curve 3 at (10, 0, 0) does not meet curve 4 (gap 0.5)".
    static OdString describeLoops(const std::vector<Loop>& loops, const OdGeTol& tol = OdGeContext::gTol);

    /// Number of loops (0 for an empty region).
    int numLoops() const { return static_cast<int>(m_loops.size()); }
    /// The region's own curves of loop i (0 = exterior); read-only view.
    const Loop& loopAt(int i) const { return m_loops.at(static_cast<std::size_t>(i)); }

    /// Area of the exterior minus the holes: exact for lines and arcs, adaptive quadrature for
    /// other curves. eInvalidInput for an empty region.
    OdResult getArea(double& area) const;
    /// Total length of all loops. eInvalidInput for an empty region.
    OdResult getPerimeter(double& perimeter) const;
    /// Tight box: arcs contribute their extreme points, not their control box.
    /// eInvalidExtents for an empty region.
    OdResult getGeomExtents(OdGeExtents3d& extents) const override;
    /// Normal of the region's plane (+z).
    OdGeVector3d normal() const { return OdGeVector3d::kZAxis; }

    /// Fills brep with the region's boundary representation: one face, its loops in the
    /// order given to setLoops (exterior first), edges in the order of their loop.
    /// Defined in the od_br library (platform/br/BrBrep.cpp) so that od_db need not depend
    /// on od_br: callers of brep link od_br.
    OdResult brep(OdBrBrep& brep) const;

    /// Moves every curve. eNotApplicable for a transform that takes the region out of the XY plane.
    OdResult transformBy(const OdGeMatrix3d& xform) override;
    OdSmartPtr<OdDbEntity> clone() const override;

protected:
    /// Draws the boundary loops as polylines (curves are flattened within a small fraction of their
    /// size).
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

private:
    std::vector<Loop> m_loops;
};

using OdDbRegionPtr = OdSmartPtr<OdDbRegion>;
