#include "platform/ge/GePlane.h"

#include "platform/base/OdError.h"

#include <cmath>
#include <numbers>

namespace
{
/// Below this size of both x and y of a unit normal, the arbitrary-axis rule takes the world
/// y axis instead of z as its helper, as drawings do (1/64).
constexpr double kArbitraryAxisLimit = 1.0 / 64.0;

OdGeVector3d arbitraryXAxis(const OdGeVector3d& n)
{
    const OdGeVector3d helper = (std::abs(n.x) < kArbitraryAxisLimit && std::abs(n.y) < kArbitraryAxisLimit)
                                    ? OdGeVector3d::kYAxis
                                    : OdGeVector3d::kZAxis;
    return helper.crossProduct(n).normal();
}
} // namespace

OdGePlane::OdGePlane(const OdGePoint3d& origin, const OdGeVector3d& normal)
    : OdGePlanarEnt(origin, OdGeVector3d::kXAxis, OdGeVector3d::kYAxis)
{
    if (normal.isZeroLength())
        throw OdError(eInvalidInput, "OdGePlane: the normal is zero");
    const OdGeVector3d n = normal.normal();
    const OdGeVector3d u = arbitraryXAxis(n);
    setCoordSystem(origin, u, n.crossProduct(u));
}

double OdGeVector3d::angleOnPlane(const OdGePlanarEnt& plane) const
{
    OdGePoint3d origin;
    OdGeVector3d u, v;
    plane.getCoordSystem(origin, u, v);
    double a = std::atan2(dotProduct(v), dotProduct(u));
    if (a < 0.0)
        a += 2.0 * std::numbers::pi;
    // A tiny negative angle rounds up to a whole turn; the range is [0, 2 pi).
    return a < 2.0 * std::numbers::pi ? a : 0.0;
}
