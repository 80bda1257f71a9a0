#include "platform/db/DbArc.h"
#include "platform/db/DbCircle.h"
#include "platform/db/DbLine.h"
#include "platform/db/DbSpline.h"
#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeExternalCurve3d.h"
#include "platform/ge/GeLineSeg3d.h"
#include "platform/ge/GeNurbCurve3d.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <numbers>

namespace
{
constexpr double kPi = std::numbers::pi;
constexpr double kExact = 1e-12;

/// Every tenth of the Ge curve lies on the database curve, and the ends agree.
void expectSamePointSet(const OdGeCurve3d& ge, const OdDbCurve& db)
{
    OdGeCurve3d* back = nullptr;
    ASSERT_EQ(db.getOdGeCurve(back), eOk);
    const std::unique_ptr<OdGeCurve3d> owned(back);
    OdGeInterval iv;
    ge.getInterval(iv);
    for (int i = 0; i <= 10; ++i)
    {
        const OdGePoint3d p = ge.evalPoint(iv.lowerBound() + iv.length() * i / 10.0);
        EXPECT_LE(back->closestPointTo(p).distanceTo(p), 1e-9) << "sample " << i;
    }
    OdGeExtents3d a, b;
    ge.getGeomExtents(a);
    ASSERT_EQ(db.getGeomExtents(b), eOk);
    EXPECT_LE(a.minPoint().distanceTo(b.minPoint()) + a.maxPoint().distanceTo(b.maxPoint()), 1e-9);
}

TEST(DbCurveFromGeCurve, MakesTheEntityOfEachKindWithTheSamePoints)
{
    OdGePoint3dArray fit;
    fit.append(OdGePoint3d(0, 0, 0));
    fit.append(OdGePoint3d(5, 3, 0));
    fit.append(OdGePoint3d(9, -1, 0));
    const OdGeLineSeg3d line(OdGePoint3d(1, 2, 0), OdGePoint3d(4, 6, 0));
    const OdGeCircArc3d circle(OdGePoint3d(1, 1, 0), OdGeVector3d::kZAxis, 2.0);
    const OdGeCircArc3d arc(OdGePoint3d(1, 1, 0), OdGeVector3d::kZAxis, OdGeVector3d(0, 1, 0), 2.0, 0.5, 2.0);
    OdGeCircArc3d clockwise(arc);
    clockwise.reverseParam();
    const OdGeNurbCurve3d spline(fit);
    const OdGeExternalCurve3d external(arc);
    const struct
    {
        const OdGeCurve3d* ge;
        std::function<bool(const OdDbCurve*)> isExpectedKind;
    } cases[] = {
        {&line, [](const OdDbCurve* c) { return c->isKindOf<OdDbLine>(); }},
        {&circle, [](const OdDbCurve* c) { return c->isKindOf<OdDbCircle>(); }},
        {&arc, [](const OdDbCurve* c) { return c->isKindOf<OdDbArc>(); }},
        {&clockwise, [](const OdDbCurve* c) { return c->isKindOf<OdDbArc>(); }},
        {&spline, [](const OdDbCurve* c) { return c->isKindOf<OdDbSpline>(); }},
        {&external, [](const OdDbCurve* c) { return c->isKindOf<OdDbArc>(); }},
    };
    for (const auto& c : cases)
    {
        OdDbCurve* raw = nullptr;
        ASSERT_EQ(OdDbCurve::createFromOdGeCurve(*c.ge, raw), eOk);
        const OdDbCurvePtr db(raw);
        EXPECT_TRUE(c.isExpectedKind(db.get()));
        expectSamePointSet(*c.ge, *db);
    }
    // A line keeps its ends and parameters.
    OdDbCurve* raw = nullptr;
    ASSERT_EQ(OdDbCurve::createFromOdGeCurve(line, raw), eOk);
    const OdDbCurvePtr db(raw);
    OdGePoint3d start, mid;
    double endParam = 0.0;
    ASSERT_EQ(db->getStartPoint(start), eOk);
    ASSERT_EQ(db->getEndParam(endParam), eOk);
    ASSERT_EQ(db->getPointAtParam(0.5, mid), eOk);
    EXPECT_LE(start.distanceTo(OdGePoint3d(1, 2, 0)), kExact);
    EXPECT_EQ(endParam, 1.0);
    EXPECT_LE(mid.distanceTo(OdGePoint3d(2.5, 4, 0)), kExact);
    EXPECT_EQ(db->getPointAtParam(2.0, mid), eInvalidInput);
}

TEST(DbCurveFromGeCurve, TurnsAnArcToTheRequestedNormalAndGivesAClockwiseOneItsOwn)
{
    OdGeCircArc3d clockwise(OdGePoint3d(0, 0, 0), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, 1.0, 0.0,
                            kPi / 2);
    clockwise.reverseParam();
    OdDbCurve* raw = nullptr;
    ASSERT_EQ(OdDbCurve::createFromOdGeCurve(clockwise, raw), eOk);
    OdDbArcPtr own = OdDbArcPtr::cast(OdDbCurvePtr(raw));
    ASSERT_FALSE(own.isNull());
    EXPECT_TRUE(own->normal().isEqualTo(-OdGeVector3d::kZAxis));
    OdGePoint3d start;
    ASSERT_EQ(own->getStartPoint(start), eOk);
    EXPECT_LE(start.distanceTo(OdGePoint3d(0, 1, 0)), kExact) << "the clockwise arc starts where it did";

    const OdGeVector3d up = OdGeVector3d::kZAxis;
    ASSERT_EQ(OdDbCurve::createFromOdGeCurve(clockwise, raw, &up), eOk);
    const OdDbArcPtr turned = OdDbArcPtr::cast(OdDbCurvePtr(raw));
    EXPECT_TRUE(turned->normal().isEqualTo(up));
    EXPECT_NEAR(turned->startAngle(), 0.0, kExact);
    EXPECT_NEAR(turned->endAngle(), kPi / 2, kExact);
}
} // namespace
