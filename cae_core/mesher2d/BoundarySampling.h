#pragma once

#include "platform/base/SharedPtr.h"
#include "platform/base/SmartPtr.h"
#include "platform/db/DbRegion.h"
#include "platform/ge/GeCurve3d.h"
#include "platform/ge/GePoint2d.h"

#include <functional>
#include <vector>

namespace cae_core
{

/// One vertex on a boundary curve. All vertices of one edge share one curve object, whose
/// parameterisation runs in the loop's walking direction.
struct BoundaryVertex
{
    /// The edge's curve the vertex lies on.
    OdSharedPtr<OdGeCurve3d> curve;
    /// The vertex's parameter on `curve`.
    double param = 0.0;

    /// The point of `curve` at `param`, z dropped.
    OdGePoint2d position() const;
};

/// A closed boundary loop in walking order; the segment from the last vertex to the first is implied.
using SampledLoop = std::vector<BoundaryVertex>;

/// Discretises the boundary loops of a region into vertices at most `size` apart along each edge
/// (each linear or circular edge into ceil(length / size) * pointsPerSegment pieces, other edges
/// into ceil(length / size) pieces of equal arc length). The exterior loops come first, the holes
/// after them. A loop whose edges do not chain end to start is dropped.
std::vector<SampledLoop> sampleBoundaries(OdSmartPtr<OdDbRegion> region, double size, int pointsPerSegment);

/// Resamples, at `size`, every run of consecutive vertices on one curve that has a vertex for which
/// `isInside` holds: the run keeps its vertices outside and gains the new samples inside, in curve
/// order. False, with the loops unchanged, when a vertex has no curve or lies off its curve; false
/// also when a run cannot be found again in its loop or would become empty.
bool refineBoundaries(std::vector<SampledLoop>& loops, const std::function<bool(BoundaryVertex)>& isInside,
                      double size);

namespace mesher2d::detail
{
/// Appends the vertices of one curve of a chained loop: its start and its inner samples, not its end
/// (which starts the next curve), except that a closed or zero-length curve keeps its last sample.
void sampleCurve(const OdSharedPtr<OdGeCurve3d>& curve, double size, int pointsPerSegment,
                 std::vector<BoundaryVertex>& out);
} // namespace mesher2d::detail

} // namespace cae_core
