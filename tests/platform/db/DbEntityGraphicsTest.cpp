#include "platform/base/OdError.h"
#include "platform/db/DbArc.h"
#include "platform/db/DbCircle.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbHatch.h"
#include "platform/db/DbLine.h"
#include "platform/db/DbSpline.h"
#include "platform/ge/GeMatrix3d.h"
#include "tests/platform/gi/RecordingWorldDraw.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <numbers>

namespace
{
constexpr double kPi = std::numbers::pi;
constexpr double kExact = 1e-9;
using platform_test::RecordingWorldDraw;

OdGePoint3d pt(double x, double y)
{
    return OdGePoint3d(x, y, 0.0);
}

OdDbEntityPtr line()
{
    auto e = OdDbLine::createObject();
    e->setStartPoint(pt(1, 2));
    e->setEndPoint(pt(5, 2));
    return e;
}

OdDbEntityPtr arc()
{
    auto e = OdDbArc::createObject();
    e->setCenter(pt(3, 1));
    e->setRadius(2.0);
    e->setStartAngle(0.0);
    e->setEndAngle(kPi / 2);
    return e;
}

OdDbEntityPtr circle()
{
    auto e = OdDbCircle::createObject();
    e->setCenter(pt(-2, 4));
    e->setRadius(1.5);
    return e;
}

OdDbEntityPtr spline()
{
    auto e = OdDbSpline::createObject();
    e->setFromOdGeCurve(OdGeNurbCurve3d(OdGePoint3dArray{pt(0, 0), pt(2, 3), pt(5, -1), pt(7, 1)}));
    return e;
}

/// A quarter turn about (1, 1) and a shift by (10, -3): a move every entity kind follows.
OdGeMatrix3d turnAndShift()
{
    return OdGeMatrix3d::translation(OdGeVector3d(10, -3, 0)) *
           OdGeMatrix3d::rotation(kPi / 2, OdGeVector3d::kZAxis, pt(1, 1));
}

/// The entity's own geometry curve, to compare points with.
std::unique_ptr<OdGeCurve3d> geOf(const OdDbEntity& entity)
{
    OdGeCurve3d* ge = nullptr;
    EXPECT_EQ(static_cast<const OdDbCurve&>(entity).getOdGeCurve(ge), eOk);
    return std::unique_ptr<OdGeCurve3d>(ge);
}

TEST(DbCurveGraphics, EveryCurveDrawsOnItselfCopiesAndFollowsATurnAndShift)
{
    const struct
    {
        const char* kind;
        std::function<OdDbEntityPtr()> make;
        const char* drawn;
    } cases[] = {{"line", line, "polyline"},
                 {"arc", arc, "polyline"},
                 {"circle", circle, "polyline"},
                 {"spline", spline, "nurbs"}};
    for (const auto& c : cases)
    {
        const OdDbEntityPtr entity = c.make();
        const auto ge = geOf(*entity);
        RecordingWorldDraw drawn;
        EXPECT_TRUE(entity->worldDraw(&drawn.world())) << c.kind;
        EXPECT_FALSE(entity->worldDraw(nullptr)) << c.kind;
        ASSERT_EQ(drawn.kinds(), c.drawn) << c.kind;
        OdGePoint3d start, end;
        ge->hasStartPoint(start);
        ge->hasEndPoint(end);
        EXPECT_TRUE(drawn.primitives[0].points.front().isEqualTo(start)) << c.kind;
        EXPECT_TRUE(drawn.primitives[0].points.back().isEqualTo(end)) << c.kind;
        for (const OdGePoint3d& p : drawn.primitives[0].points)
            EXPECT_TRUE(ge->isOn(p)) << c.kind;

        const OdDbEntityPtr copy = entity->clone();
        ASSERT_EQ(copy->transformBy(turnAndShift()), eOk) << c.kind;
        const auto moved = geOf(*copy);
        for (const double share : {0.0, 0.3, 1.0})
        {
            OdGeInterval iv;
            ge->getInterval(iv);
            const OdGePoint3d p = turnAndShift() * ge->evalPoint(iv.lowerBound() + share * iv.length());
            EXPECT_TRUE(moved->isOn(p)) << c.kind << " at " << share;
        }
        EXPECT_TRUE(geOf(*entity)->isOn(start)) << c.kind << ": the original stays";
    }
}

TEST(DbCurveGraphics, CirclesAndArcsStayRoundOrRefuseTheTransform)
{
    // A mirror keeps the arc's points: it now runs about the -z normal.
    const OdDbEntityPtr mirrored = arc();
    ASSERT_EQ(mirrored->transformBy(OdGeMatrix3d::mirroring(pt(0, 0), OdGeVector3d::kXAxis)), eOk);
    const auto ge = geOf(*mirrored);
    EXPECT_TRUE(ge->isOn(pt(-5, 1)));
    EXPECT_TRUE(ge->isOn(pt(-3, 3)));
    EXPECT_FALSE(ge->isOn(pt(-1, 1))) << "not the other side of the circle";
    EXPECT_EQ(OdDbArcPtr::cast(mirrored)->normal().z, -1.0);

    OdGeMatrix3d stretch;
    stretch[0][0] = 2.0;
    for (const auto& make : {arc, circle})
    {
        const OdDbEntityPtr e = make();
        EXPECT_EQ(e->transformBy(stretch), eNotApplicable);
        OdGePoint3d before, after;
        geOf(*make())->hasEndPoint(before);
        geOf(*e)->hasEndPoint(after);
        EXPECT_TRUE(after.isEqualTo(before)) << "unchanged";
    }
}

OdDbHatchPtr square()
{
    OdDbHatchPtr hatch = OdDbHatch::createObject();
    hatch->appendLoop(
        OdDbHatch::kExternal | OdDbHatch::kPolyline,
        OdGePoint2dArray{OdGePoint2d(0, 0), OdGePoint2d(3, 0), OdGePoint2d(3, 3), OdGePoint2d(0, 3)},
        OdGeDoubleArray());
    hatch->setPattern(OdDbHatch::kPreDefined, OdString(L"ANSI31"));
    hatch->setPatternScale(4.0); // lines 0.5 apart
    hatch->setPatternAngle(0.3);
    return hatch;
}

TEST(DbHatchGraphics, DrawsItsPatternLinesAndMovesThemWithItsLoops)
{
    const OdDbHatchPtr hatch = square();
    RecordingWorldDraw drawn;
    ASSERT_TRUE(hatch->worldDraw(&drawn.world()));
    OdGePoint2dArray from, to;
    hatch->getHatchLinesData(from, to);
    ASSERT_FALSE(from.isEmpty());
    ASSERT_EQ(drawn.primitives.size(), from.size()) << "one two-point line per pattern line, no outline";
    for (unsigned i = 0; i < from.size(); ++i)
    {
        EXPECT_TRUE(drawn.primitives[i].points[0].isEqualTo(pt(from[i].x, from[i].y)));
        EXPECT_TRUE(drawn.primitives[i].points[1].isEqualTo(pt(to[i].x, to[i].y)));
    }

    // Moved (and scaled by 2), the hatch shows the same lines moved: the pattern keeps its place in the loop.
    const OdGeMatrix3d move = OdGeMatrix3d::scaling(2.0, pt(0, 0)) * turnAndShift();
    const OdDbEntityPtr copy = hatch->clone();
    ASSERT_EQ(copy->transformBy(move), eOk);
    OdGePoint2dArray movedFrom, movedTo;
    OdDbHatchPtr::cast(copy)->getHatchLinesData(movedFrom, movedTo);
    ASSERT_EQ(movedFrom.size(), from.size());
    for (unsigned i = 0; i < from.size(); ++i)
    {
        const OdGePoint3d a = move * pt(from[i].x, from[i].y), b = move * pt(to[i].x, to[i].y);
        bool found = false;
        for (unsigned k = 0; k < movedFrom.size() && !found; ++k)
        {
            const OdGePoint3d c = pt(movedFrom[k].x, movedFrom[k].y), d = pt(movedTo[k].x, movedTo[k].y);
            found =
                (c.distanceTo(a) + d.distanceTo(b) < kExact) || (c.distanceTo(b) + d.distanceTo(a) < kExact);
        }
        EXPECT_TRUE(found) << "line " << i;
    }

    // A mirror, an uneven scale or a lift out of the plane leaves it as it was.
    OdGeMatrix3d stretch;
    stretch[0][0] = 2.0;
    for (const OdGeMatrix3d& refused : {OdGeMatrix3d::mirroring(pt(0, 0), OdGeVector3d::kXAxis), stretch,
                                        OdGeMatrix3d::translation(OdGeVector3d(0, 0, 1))})
    {
        const OdDbHatchPtr h = square();
        EXPECT_EQ(h->transformBy(refused), eNotApplicable);
        OdGePoint2dArray v;
        OdGeDoubleArray b;
        h->getLoopAt(0, v, b);
        EXPECT_TRUE(v[1].isEqualTo(OdGePoint2d(3, 0)));
        EXPECT_EQ(h->patternAngle(), 0.3);
    }
}

TEST(DbHatchGraphics, TakesTheMetricPatternsOfAMetricDrawing)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    for (const auto measurement : {OdDb::kEnglish, OdDb::kMetric})
    {
        db->setMEASUREMENT(measurement);
        const OdDbHatchPtr hatch = OdDbHatch::createObject();
        hatch->setDatabaseDefaults(db.get());
        hatch->setPattern(OdDbHatch::kPreDefined, OdString(L"ANSI31"));
        EXPECT_NEAR(hatch->patternLines().at(0).offset.y, measurement == OdDb::kMetric ? 3.175 : 0.125,
                    kExact);
    }
}
} // namespace
