#include "platform/db/DbHatch.h"
#include "platform/base/OdError.h"
#include "platform/ge/GeUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace
{
constexpr double kPi = std::numbers::pi;
constexpr double kExact = 1e-9;

OdGePoint2dArray points(std::initializer_list<OdGePoint2d> list)
{
    OdGePoint2dArray result;
    for (const auto& p : list)
        result.append(p);
    return result;
}

OdDbHatchPtr ansi31(double scale, double angle)
{
    OdDbHatchPtr hatch = OdDbHatch::createObject();
    hatch->setPattern(OdDbHatch::kPreDefined, OdString(L"ANSI31"));
    hatch->setPatternScale(scale);
    hatch->setPatternAngle(angle);
    return hatch;
}

TEST(DbHatchLines, FillASquareWithParallelLinesSpacedByThePatternAndClippedToItsEdges)
{
    const OdDbHatchPtr hatch = ansi31(8.0, kPi / 4); // lines at 90 degrees, 1 apart
    hatch->appendLoop(OdDbHatch::kExternal | OdDbHatch::kPolyline,
                      points({{0.5, 0}, {10.5, 0}, {10.5, 4}, {0.5, 4}}), OdGeDoubleArray());
    OdGePoint2dArray from, to;
    hatch->getHatchLinesData(from, to);
    ASSERT_EQ(from.size(), 10u) << "vertical lines x = 1 .. 10";
    for (unsigned i = 0; i < from.size(); ++i)
    {
        EXPECT_NEAR(from[i].x, to[i].x, kExact);
        EXPECT_NEAR(std::abs(to[i].y - from[i].y), 4.0, kExact);
        EXPECT_NEAR(std::abs(from[i].x - std::round(from[i].x)), 0.0, kExact);
    }
}

TEST(DbHatchLines, EndOnArcsExactlyAndLeaveIslandsEmpty)
{
    // A disc of radius 5 (two half-circle bulges) with a square island of side 4.
    const OdDbHatchPtr hatch = ansi31(2.0, 0.0);
    const OdGeDoubleArray halfTurns{1.0, 1.0};
    hatch->appendLoop(OdDbHatch::kExternal | OdDbHatch::kPolyline, points({{5, 0}, {-5, 0}}), halfTurns);
    const OdGePoint2dArray island = points({{-2, -2}, {2, -2}, {2, 2}, {-2, 2}});
    hatch->appendLoop(OdDbHatch::kPolyline, island, OdGeDoubleArray());
    OdGePoint2dArray from, to;
    hatch->getHatchLinesData(from, to);
    ASSERT_GT(from.size(), 20u);
    for (unsigned i = 0; i < from.size(); ++i)
    {
        const OdGePoint2d mid = from[i] + (to[i] - from[i]) * 0.5;
        EXPECT_EQ(OdGeUtils::classifyPointPolygonRayTest(mid, island), 0)
            << "segment " << i << " in the island";
        for (const OdGePoint2d& end : {from[i], to[i]})
        {
            const double r = end.asVector().length();
            const bool onCircle = std::abs(r - 5.0) <= kExact;
            const bool onIsland = OdGeUtils::classifyPointPolygonRayTest(end, island) == 2;
            EXPECT_TRUE(onCircle || onIsland) << "end of segment " << i << " at radius " << r;
        }
    }
    OdGeExtents3d box;
    ASSERT_EQ(hatch->getGeomExtents(box), eOk);
    EXPECT_NEAR(box.minPoint().y, -5.0, kExact);
    EXPECT_NEAR(box.maxPoint().y, 5.0, kExact);
}

TEST(DbHatch, RefusesUnknownPatternsAndMalformedLoops)
{
    const OdDbHatchPtr hatch = OdDbHatch::createObject();
    EXPECT_THROW(hatch->setPattern(OdDbHatch::kPreDefined, OdString(L"NO_SUCH")), OdError);
    EXPECT_THROW(hatch->setPatternScale(0.0), OdError);
    EXPECT_THROW(hatch->appendLoop(OdDbHatch::kExternal, points({{0, 0}, {1, 0}, {1, 1}}), OdGeDoubleArray()),
                 OdError);
    EXPECT_THROW(hatch->appendLoop(OdDbHatch::kPolyline, points({{0, 0}}), OdGeDoubleArray()), OdError);
    EXPECT_THROW(
        hatch->appendLoop(OdDbHatch::kPolyline, points({{0, 0}, {1, 0}, {1, 1}}), OdGeDoubleArray{0.0}),
        OdError);
    EXPECT_EQ(hatch->numLoops(), 0);
    OdGePoint2dArray from, to;
    hatch->getHatchLinesData(from, to);
    EXPECT_TRUE(from.isEmpty());
}
} // namespace
