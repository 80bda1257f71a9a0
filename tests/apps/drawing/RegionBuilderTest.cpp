#include "apps/drawing/RegionBuilder.h"
#include "apps/file/Loops.h"

#include "cae_core/mesher2d/DelaunayMesher.h"
#include "cae_core/mesher2d/TriangularMesh2d.h"
#include "platform/db/DbSubDMesh.h"

#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeNurbCurve3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace cae_app;

namespace
{
BoundaryCurve line(double x0, double y0, double x1, double y1)
{
    return BoundaryCurve{LineCurve{{x0, y0}, {x1, y1}}, "region.outer[0]", "line"};
}

/// A 10 x 10 square with a circular hole of radius 2 at its centre, prepared as the program does.
void plate(BoundaryLoop& outer, std::vector<BoundaryLoop>& holes)
{
    outer = BoundaryLoop{{line(0, 0, 10, 0), line(10, 0, 10, 10), line(10, 10, 0, 10), line(0, 10, 0, 0)},
                         "region.outer"};
    holes = {BoundaryLoop{
        {BoundaryCurve{ArcCurve{{5, 5}, 2, 0, 2 * std::numbers::pi}, "region.holes[0][0]", "circle"}},
        "region.holes[0]"}};
    prepareLoops(outer, holes, "a.json");
}

std::size_t curveCount(const OdDbRegion& region, int loop)
{
    return region.loopAt(loop).size();
}

bool isCurveStart(const OdDbRegion& region, int loop, const OdGePoint2d& p)
{
    for (const auto& c : region.loopAt(loop))
    {
        OdGePoint3d s;
        c->hasStartPoint(s);
        if (s.x == p.x && s.y == p.y)
            return true;
    }
    return false;
}
} // namespace

TEST(RegionBuilding, SplitsCurvesWhereLinearLoadsStartAndEnd)
{
    BoundaryLoop outer;
    std::vector<BoundaryLoop> holes;
    plate(outer, holes);
    std::vector<BoundaryPoint> points{{{10, 2.5}, "l.start"},
                                      {{10, 7.5}, "l.end"},
                                      {{0, 0}, "s.start"},
                                      {{5, 3}, "h.start"},
                                      {{3, 5}, "h.end"}};
    const OdDbRegionPtr region = buildRegion(outer, holes, points, 1e-6, "a.json");
    ASSERT_FALSE(region.isNull());
    EXPECT_EQ(curveCount(*region, 0), 6u); // the right side in three pieces; (0, 0) was already a curve end
    EXPECT_EQ(curveCount(*region, 1), 2u); // the circle in two arcs
    for (const auto& p : points)
        EXPECT_TRUE(isCurveStart(*region, p.loop, p.snapped)) << p.path;
    EXPECT_EQ(points[0].loop, 0);
    EXPECT_EQ(points[3].loop, 1);
    EXPECT_NEAR(points[3].snapped.x, 5.0, 1e-12);
    EXPECT_NEAR(points[3].snapped.y, 3.0, 1e-12);
    double area = 0;
    ASSERT_EQ(region->getArea(area), eOk);
    EXPECT_NEAR(area, 100 - 4 * std::numbers::pi, 1e-9);
}

TEST(RegionBuilding, OnePointOnACircleStartsTheCircleThere)
{
    BoundaryLoop outer;
    std::vector<BoundaryLoop> holes;
    plate(outer, holes);
    std::vector<BoundaryPoint> points{{{5, 7}, "p"}};
    const OdDbRegionPtr region = buildRegion(outer, holes, points, 1e-6, "a.json");
    ASSERT_EQ(curveCount(*region, 1), 1u);
    EXPECT_TRUE(region->loopAt(1).front()->isClosed());
    EXPECT_TRUE(isCurveStart(*region, 1, points[0].snapped));
}

TEST(RegionBuilding, APointOffTheBoundaryIsRefusedAlsoWhenTooFarToMeasure)
{
    BoundaryLoop outer;
    std::vector<BoundaryLoop> holes;
    plate(outer, holes);
    const struct
    {
        OdGePoint2d point;
        const char* message;
    } cases[] = {
        {{10.5, 5},
         "a.json: loadsAndSupports[1].linearLoad.start: (10.5, 5) is not on the region's boundary; the "
         "nearest boundary point is (10, 5) on region.outer[0] (line), 0.5 away"},
        // Every distance overflows this far away.
        {{1e200, 5},
         "a.json: loadsAndSupports[1].linearLoad.start: (1e+200, 5) is not on the region's boundary; it "
         "lies too far from the region to measure"},
        {{5, -1e155}, "(5, -1e+155) is not on the region's boundary"},
    };
    for (const auto& c : cases)
    {
        std::vector<BoundaryPoint> points{{c.point, "loadsAndSupports[1].linearLoad.start"}};
        try
        {
            buildRegion(outer, holes, points, 1e-6, "a.json");
            ADD_FAILURE() << c.message;
        }
        catch (const InputError& e)
        {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST(SplineSplitting, HalvesTraceTheSameCurveAndMeetExactlyAlsoWhenCutAtAKnot)
{
    OdGePoint3dArray fit{{0, 0, 0}, {3, 2, 0}, {6, -1, 0}, {9, 1, 0}, {12, 0, 0}};
    const OdGeNurbCurve3d spline(fit);
    OdGeInterval iv;
    spline.getInterval(iv);
    const double knot = std::hypot(3.0, 2.0); // the second fit point's chord-length parameter
    for (const double u : {0.3 * iv.upperBound(), 0.5 * iv.upperBound(), knot})
    {
        const auto [left, right] = splitSpline(spline, u);
        OdGePoint3d leftEnd, rightStart, leftStart, rightEnd;
        left->hasEndPoint(leftEnd);
        right->hasStartPoint(rightStart);
        left->hasStartPoint(leftStart);
        right->hasEndPoint(rightEnd);
        EXPECT_EQ(leftEnd.x, rightStart.x);
        EXPECT_EQ(leftEnd.y, rightStart.y);
        EXPECT_TRUE(leftStart.isEqualTo({0, 0, 0}));
        EXPECT_TRUE(rightEnd.isEqualTo({12, 0, 0}));
        EXPECT_LT(leftEnd.distanceTo(spline.evalPoint(u)), 1e-12);
        // Same parameters, same points, on both sides of the cut.
        for (double t = 0; t <= 1.0; t += 0.125)
        {
            const double a = iv.lowerBound() + t * (u - iv.lowerBound());
            const double b = u + t * (iv.upperBound() - u);
            EXPECT_LT(left->evalPoint(a).distanceTo(spline.evalPoint(a)), 1e-12) << a;
            EXPECT_LT(right->evalPoint(b).distanceTo(spline.evalPoint(b)), 1e-12) << b;
        }
    }
}

namespace
{
/// How far `p` is off the ellipse with centre c, major axis u (its length the major radius) and
/// radius ratio r, as a fraction of the major radius.
double offEllipse(const OdGePoint2d& p, const OdGePoint2d& c, const OdGeVector2d& u, double r)
{
    const double a = u.length();
    const OdGeVector2d d = p - c;
    const double x = (d.x * u.x + d.y * u.y) / (a * a);
    const double y = (-d.x * u.y + d.y * u.x) / (a * a * r);
    return std::abs(std::hypot(x, y) - 1.0);
}
} // namespace

TEST(RegionBuilding, EllipseAndNurbsEdgesAreMeshedOnTheTrueCurves)
{
    // A 20 x 10 plate: its top an elliptical arc, its right side a quarter circle as a rational
    // quadratic NURBS curve, a tilted elliptical hole in it.
    const AnalysisFile file = parseAnalysisText(R"({
      "drawing": {"measurement": "metric", "insunits": "millimeters"},
      "region": {
        "outer": [
          {"line": {"from": [0, 0], "to": [16, 0]}},
          {"nurbs": {"degree": 2, "controlPoints": [[16, 0], [20, 0], [20, 4]], "weights": [1, 0.7071067811865476, 1],
                     "knots": [0, 0, 0, 1, 1, 1]}},
          {"line": {"from": [20, 4], "to": [20, 10]}},
          {"ellipse": {"center": [10, 10], "majorAxis": [10, 0], "ratio": 0.4, "startParam": 0, "endParam": 3.141592653589793}},
          {"line": {"from": [0, 10], "to": [0, 0]}}
        ],
        "holes": [[{"ellipse": {"center": [8, 6], "majorAxis": [3, 1.5], "ratio": 0.5}}]]
      },
      "mode": "planeStress", "elementType": "triangle3",
      "material": {"thickness": 1, "youngsModulus": 1, "poissonRatio": 0.3, "yield": 1}
    })",
                                                "e.json");
    BoundaryLoop outer = file.outer;
    std::vector<BoundaryLoop> holes = file.holes;
    prepareLoops(outer, holes, "e.json");
    std::vector<BoundaryPoint> none;
    const OdDbRegionPtr region = buildRegion(outer, holes, none, 1e-6, "e.json");
    cae_core::DelaunayMesher mesher;
    ASSERT_EQ(mesher.createMesh(region, 0.7, nullptr, 0), cae_core::eOk);
    const cae_core::TriangularMesh2d mesh = cae_core::getTriangularMesh2d(*mesher.getMesh());
    ASSERT_EQ(mesh.boundaries.size(), 2u);

    const double size = 20.0;
    int onArc = 0, onTop = 0, onHole = 0;
    for (const auto& loop : mesh.boundaries)
        for (const auto v : loop)
        {
            const OdGePoint2d& p = mesh.vertices[v];
            if (p.distanceTo({8, 6}) < 4.0)
            {
                ++onHole;
                EXPECT_LE(offEllipse(p, {8, 6}, {3, 1.5}, 0.5) * std::hypot(3, 1.5), 1e-9 * size);
            }
            else if (p.y > 10.0 + 1e-9)
            {
                ++onTop;
                EXPECT_LE(offEllipse(p, {10, 10}, {10, 0}, 0.4) * 10.0, 1e-9 * size) << p.x << " " << p.y;
            }
            else if (p.x > 16.0 + 1e-9 && p.y < 4.0 - 1e-9)
            {
                ++onArc;
                EXPECT_NEAR(p.distanceTo({16, 4}), 4.0, 1e-9 * size) << p.x << " " << p.y;
            }
        }
    EXPECT_GT(onTop, 20);
    EXPECT_GT(onArc, 5);
    EXPECT_GT(onHole, 10);
}
