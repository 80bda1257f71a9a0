#include "cae_core/mesher2d/detail/DelaunayMesherImpl.h"

#include "platform/ge/GeUtils.h"
#include "tests/support/Seed.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>

using cae_core::mesher2d::detail::DomainLocator;
using Polygon = std::vector<OdGePoint2d>;

namespace
{

/// [0, w] x [0, h] with perSide vertices on each side: long runs of collinear and level vertices.
Polygon sampledRectangle(double w, double h, int perSide)
{
    const OdGePoint2d corners[] = {{0, 0}, {w, 0}, {w, h}, {0, h}, {0, 0}};
    Polygon p;
    for (int side = 0; side < 4; ++side)
        for (int k = 0; k < perSide; ++k)
            p.push_back(corners[side] + (corners[side + 1] - corners[side]) * (double(k) / perSide));
    return p;
}

Polygon circlePolygon(double cx, double cy, double r, int n)
{
    Polygon p;
    for (int k = 0; k < n; ++k)
        p.emplace_back(cx + r * std::cos(2 * std::numbers::pi * k / n),
                       cy + r * std::sin(2 * std::numbers::pi * k / n));
    return p;
}

/// Query points that stress the ray test: vertices, edge midpoints, points a hair off the edges,
/// points level with vertices, random points around the polygon, and points not finite or far away.
std::vector<OdGePoint2d> probes(const Polygon& polygon, std::mt19937& random)
{
    std::vector<OdGePoint2d> points;
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (std::size_t i = 0; i < polygon.size(); ++i)
    {
        const OdGePoint2d& a = polygon[i];
        const OdGePoint2d mid = (a + (polygon[(i + 1) % polygon.size()] - a) * 0.5);
        minX = std::min(minX, a.x), maxX = std::max(maxX, a.x);
        minY = std::min(minY, a.y), maxY = std::max(maxY, a.y);
        points.insert(points.end(), {a, mid});
        for (const double off : {0.5e-10, 0.99e-10, 1.01e-10, 3e-10, 1e-6})
            points.insert(points.end(), {{mid.x + off, mid.y}, {mid.x, mid.y - off}, {a.x - off, a.y + off}});
    }
    std::uniform_real_distribution<double> ux(minX - 1, maxX + 1), uy(minY - 1, maxY + 1);
    std::uniform_int_distribution<std::size_t> pick(0, polygon.size() - 1);
    for (int k = 0; k < 3000; ++k)
        points.insert(points.end(), {{ux(random), uy(random)}, {ux(random), polygon[pick(random)].y}});
    points.insert(points.end(), {{std::numeric_limits<double>::quiet_NaN(), 0.5},
                                 {-std::numeric_limits<double>::infinity(), (minY + maxY) / 2},
                                 {1e200, -1e200}});
    return points;
}

} // namespace

TEST(DomainLocator, ClassifiesEveryPointAsTheSdkRayTestDoes)
{
    std::mt19937 random(static_cast<unsigned>(test_support::testSeed()));
    // The comb is concave, with horizontal and vertical edges, collinear vertices and vertices level with
    // each other, walked clockwise, with its first vertex repeated at the end.
    const Polygon comb{{0, 0}, {0, 4}, {1, 4}, {1, 1}, {2, 1}, {2, 4}, {3, 4},
                       {3, 2}, {3, 1}, {4, 1}, {4, 0}, {2, 0}, {0, 0}};
    const std::vector<Polygon> polygons{sampledRectangle(200, 100, 77),
                                        circlePolygon(100, 50, 20, 97),
                                        comb,
                                        circlePolygon(1e6, -3e5, 1e-3, 13),
                                        Polygon{{1, 1}, {2, 2}},
                                        Polygon{{1, 1}},
                                        Polygon{}};
    const DomainLocator locator(polygons);
    ASSERT_EQ(locator.polygonCount(), polygons.size());
    for (std::size_t i = 0; i < polygons.size(); ++i)
    {
        const Polygon& polygon = polygons[i];
        for (const OdGePoint2d& p : polygon.empty() ? Polygon{{0, 0}} : probes(polygon, random))
            ASSERT_EQ(locator.classify(i, p), OdGeUtils::classifyPointPolygonRayTest(
                                                  p, polygon.data(), static_cast<int>(polygon.size())))
                << "polygon " << i << " point (" << p.x << ", " << p.y << ")";
    }
}

TEST(DomainLocator, AdmitsPointsInsideTheOuterLoopAndOutsideEveryHole)
{
    const DomainLocator locator(std::vector<Polygon>{
        sampledRectangle(200, 100, 40), circlePolygon(100, 50, 20, 60), circlePolygon(30, 30, 5, 20)});
    EXPECT_TRUE(locator.contains(OdGePoint2d(10, 90)));
    EXPECT_FALSE(locator.contains(OdGePoint2d(100, 50))); // in the first hole
    EXPECT_FALSE(locator.contains(OdGePoint2d(30, 30)));  // in the second hole
    EXPECT_TRUE(locator.contains(OdGePoint2d(100, 70)));  // on a hole's boundary is not inside the hole
    EXPECT_FALSE(locator.contains(OdGePoint2d(0, 50)));   // on the outer boundary
    EXPECT_FALSE(locator.contains(OdGePoint2d(-5, 50)));  // outside
    EXPECT_FALSE(DomainLocator(std::vector<Polygon>{}).contains(OdGePoint2d(0, 0)));
}
