#include "platform/db/DbPlanarTransform.h"

#include "platform/ge/GeVector2d.h"

#include <algorithm>
#include <cmath>

namespace OdDbDetail
{
std::optional<PlanarTransform> planarPart(const OdGeMatrix3d& m)
{
    const double tol = OdGeContext::gTol.equalVector();
    if (std::abs(m[2][0]) > tol || std::abs(m[2][1]) > tol || std::abs(m[0][2]) > tol ||
        std::abs(m[1][2]) > tol)
        return std::nullopt;
    const OdGeVector2d ax(m[0][0], m[1][0]);
    const OdGeVector2d ay(m[0][1], m[1][1]);
    PlanarTransform t;
    t.scale = ax.length();
    t.rotation = std::atan2(ax.y, ax.x);
    t.mirrors = ax.crossProduct(ay) < 0.0;
    const double size = std::max(ax.length(), ay.length());
    t.uniform =
        std::abs(ax.length() - ay.length()) <= tol * size && std::abs(ax.dotProduct(ay)) <= tol * size * size;
    return t;
}
} // namespace OdDbDetail
