#include "cae_core/mesher2d/detail/DelaunayMesherImpl.h"

#include "platform/ge/GeUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <random>

using cae_core::detail::DomainLocator;
using Polygon = std::vector<OdGePoint2d>;

namespace
{

/// The seed of the randomised cases: CAE_TEST_SEED when set (to replay a failure), else a fresh one.
unsigned testSeed()
{
    if (const char* given = std::getenv("CAE_TEST_SEED"))
        return static_cast<unsigned>(std::strtoul(given, nullptr, 10));
    return std::random_device{}();
}

Polygon sampledRectangle(double w, double h, int perSide)
{
    Polygon p;
    for (int k = 0; k < perSide; ++k)
        p.emplace_back(w * k / perSide, 0.0);
    for (int k = 0; k < perSide; ++k)
        p.emplace_back(w, h * k / perSide);
    for (int k = 0; k < perSide; ++k)
        p.emplace_back(w - w * k / perSide, h);
    for (int k = 0; k < perSide; ++k)
        p.emplace_back(0.0, h - h * k / perSide);
    return p;
}

Polygon circlePolygon(double cx, double cy, double r, int n)
{
    Polygon p;
    for (int k = 0; k < n; ++k)
    {
        const double t = 2 * std::numbers::pi * k / n;
        p.emplace_back(cx + r * std::cos(t), cy + r * std::sin(t));
    }
    return p;
}

/// A concave comb with horizontal and vertical edges, collinear vertices and vertices level with
/// each other, walked clockwise, with its first vertex repeated at the end.
Polygon comb()
{
    return {{0, 0}, {0, 4}, {1, 4}, {1, 1}, {2, 1}, {2, 4}, {3, 4},
            {3, 2}, {3, 1}, {4, 1}, {4, 0}, {2, 0}, {0, 0}};
}

/// Query points that stress the ray test: vertices, edge midpoints, points a hair off the edges,
/// points level with vertices, and random points around the polygon.
std::vector<OdGePoint2d> probes(const Polygon& polygon, std::mt19937& random)
{
    std::vector<OdGePoint2d> points;
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (std::size_t i = 0; i < polygon.size(); ++i)
    {
        const OdGePoint2d& a = polygon[i];
        const OdGePoint2d& b = polygon[(i + 1) % polygon.size()];
        minX = std::min(minX, a.x);
        maxX = std::max(maxX, a.x);
        minY = std::min(minY, a.y);
        maxY = std::max(maxY, a.y);
        const OdGePoint2d mid((a.x + b.x) / 2, (a.y + b.y) / 2);
        points.push_back(a);
        points.push_back(mid);
        for (const double off : {0.5e-10, 0.99e-10, 1.01e-10, 3e-10, 1e-6})
        {
            points.emplace_back(mid.x + off, mid.y);
            points.emplace_back(mid.x, mid.y - off);
            points.emplace_back(a.x - off, a.y + off);
        }
    }
    std::uniform_real_distribution<double> ux(minX - 1, maxX + 1), uy(minY - 1, maxY + 1);
    std::uniform_int_distribution<std::size_t> pick(0, polygon.size() - 1);
    for (int k = 0; k < 3000; ++k)
    {
        points.emplace_back(ux(random), uy(random));
        points.emplace_back(ux(random), polygon[pick(random)].y);
    }
    const double inf = std::numeric_limits<double>::infinity();
    points.emplace_back(std::numeric_limits<double>::quiet_NaN(), 0.5);
    points.emplace_back(-inf, (minY + maxY) / 2);
    points.emplace_back(1e200, -1e200);
    return points;
}

} // namespace

TEST(DomainLocator, ClassifiesEveryPointAsTheSdkRayTestDoes)
{
    const unsigned seed = testSeed();
    SCOPED_TRACE("CAE_TEST_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    const std::vector<Polygon> polygons{sampledRectangle(200, 100, 77),
                                        circlePolygon(100, 50, 20, 97),
                                        comb(),
                                        circlePolygon(1e6, -3e5, 1e-3, 13),
                                        Polygon{{1, 1}, {2, 2}},
                                        Polygon{{1, 1}},
                                        Polygon{}};
    const DomainLocator locator(polygons);
    ASSERT_EQ(locator.polygonCount(), polygons.size());
    for (std::size_t i = 0; i < polygons.size(); ++i)
    {
        const Polygon& polygon = polygons[i];
        std::vector<OdGePoint2d> points =
            polygon.empty() ? std::vector<OdGePoint2d>{{0, 0}} : probes(polygon, random);
        for (const OdGePoint2d& p : points)
        {
            const int expected =
                OdGeUtils::classifyPointPolygonRayTest(p, polygon.data(), static_cast<int>(polygon.size()));
            ASSERT_EQ(locator.classify(i, p), expected)
                << "polygon " << i << " point (" << p.x << ", " << p.y << ")";
        }
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
