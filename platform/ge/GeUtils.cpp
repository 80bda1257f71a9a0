#include "platform/ge/GeUtils.h"

#include <algorithm>

namespace
{
double distanceToSegment(const OdGePoint2d& p, const OdGePoint2d& a, const OdGePoint2d& b)
{
    const OdGeVector2d ab = b - a;
    const double len2 = ab.lengthSqrd();
    if (len2 <= 0.0)
        return p.distanceTo(a);
    const double t = std::clamp((p - a).dotProduct(ab) / len2, 0.0, 1.0);
    return p.distanceTo(a + ab * t);
}
} // namespace

int OdGeUtils::classifyPointPolygonRayTest(const OdGePoint2d& point, const OdGePoint2dArray& polygon,
                                           const OdGeTol& tol)
{
    return classifyPointPolygonRayTest(point, polygon.getPtr(), static_cast<int>(polygon.size()), tol);
}

int OdGeUtils::classifyPointPolygonRayTest(const OdGePoint2d& point, const OdGePoint2d* polygon,
                                           int numVertices, const OdGeTol& tol)
{
    if (!polygon || numVertices < 1)
        return 0;
    int n = numVertices;
    // A closing vertex that repeats the first adds only a zero-length edge; drop it.
    if (n > 1 && polygon[n - 1].x == polygon[0].x && polygon[n - 1].y == polygon[0].y)
        --n;

    for (int i = 0; i < n; ++i)
        if (distanceToSegment(point, polygon[i], polygon[(i + 1) % n]) <= tol.equalPoint())
            return 2;
    if (n < 3)
        return 0;

    // Horizontal ray to +x. Each edge counts as the half-open span of y between its ends
    // (one end strictly above the ray, the other not), so a vertex level with the point is
    // counted once where the boundary crosses the ray and not at all (or twice) where it only
    // touches it, and horizontal edges never count.
    bool inside = false;
    for (int i = 0, j = n - 1; i < n; j = i++)
    {
        const OdGePoint2d& a = polygon[j];
        const OdGePoint2d& b = polygon[i];
        if ((a.y > point.y) != (b.y > point.y))
        {
            const double xCross = a.x + (point.y - a.y) * (b.x - a.x) / (b.y - a.y);
            if (point.x < xCross)
                inside = !inside;
        }
    }
    return inside ? 1 : 0;
}
