#include "platform/db/DbDatabase.h"
#include "platform/db/DbPolyline.h"
#include "platform/db/DbText.h"
#include "platform/ge/GeMatrix3d.h"
#include "platform/gi/GiGeometry.h"

#include <gtest/gtest.h>

#include <numbers>

namespace
{

constexpr double kTol = 1e-9;

void expectBox(const OdDbEntity& e, double x0, double y0, double x1, double y1)
{
    OdGeExtents3d box;
    ASSERT_EQ(e.getGeomExtents(box), eOk);
    EXPECT_NEAR(box.minPoint().x, x0, kTol);
    EXPECT_NEAR(box.minPoint().y, y0, kTol);
    EXPECT_NEAR(box.maxPoint().x, x1, kTol);
    EXPECT_NEAR(box.maxPoint().y, y1, kTol);
}

TEST(DatabaseDefaults, GiveNewEntitiesTheDrawingsColourButKeepTheTextHeight)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    OdCmColor red;
    red.setColorIndex(1);
    db->setCECOLOR(red);

    const OdDbTextPtr text = OdDbText::createObject();
    text->setHeight(3.5);
    text->setDatabaseDefaults(db.get());
    EXPECT_EQ(text->color(), red);
    EXPECT_DOUBLE_EQ(text->height(), 3.5);
    EXPECT_EQ(text->database(), nullptr) << "defaults do not add the entity to the database";

    const OdDbPolylinePtr pline = OdDbPolyline::createObject();
    EXPECT_TRUE(pline->color().isByLayer());
    pline->setDatabaseDefaults(db.get());
    EXPECT_EQ(pline->colorIndex(), 1);
}

TEST(DbText, ExtentsSpanItsCharactersAndFollowRotationAndTransforms)
{
    const OdDbTextPtr text = OdDbText::createObject();
    text->setTextString(L"1250 [N]");
    text->setHeight(2.0);
    text->setPosition(OdGePoint3d(10, 5, 0));
    const double width = 8 * kOdGiCharacterAdvance * 2.0;
    expectBox(*text, 10, 5, 10 + width, 7);

    text->setRotation(std::numbers::pi / 2);
    expectBox(*text, 8, 5, 10, 5 + width);

    text->setRotation(0.0);
    ASSERT_EQ(text->transformBy(OdGeMatrix3d::scaling(3.0, OdGePoint3d(10, 5, 0))), eOk);
    EXPECT_DOUBLE_EQ(text->height(), 6.0);
    ASSERT_EQ(text->transformBy(OdGeMatrix3d::translation(OdGeVector3d(1, 2, 0))), eOk);
    EXPECT_TRUE(text->position().isEqualTo(OdGePoint3d(11, 7, 0)));
    EXPECT_EQ(text->transformBy(OdGeMatrix3d::mirroring(OdGePoint3d::kOrigin, OdGeVector3d::kXAxis)),
              eNotApplicable);
    EXPECT_EQ(text->transformBy(OdGeMatrix3d::rotation(0.3, OdGeVector3d::kXAxis)), eNotApplicable);
    EXPECT_TRUE(text->position().isEqualTo(OdGePoint3d(11, 7, 0))) << "a refused transform changes nothing";

    OdDbTextPtr empty = OdDbText::createObject();
    OdGeExtents3d box;
    EXPECT_EQ(empty->getGeomExtents(box), eInvalidExtents);
}

TEST(DbPolyline, StoresVerticesInOrderAndBoundsArcsByTheirExtremes)
{
    const OdDbPolylinePtr p = OdDbPolyline::createObject();
    p->addVertexAt(0, OdGePoint2d(0, 0));
    p->addVertexAt(1, OdGePoint2d(2, 0), 1.0); // bulge 1: half a turn, counter-clockwise
    p->addVertexAt(1, OdGePoint2d(1, 0));
    EXPECT_THROW(p->addVertexAt(9, OdGePoint2d(0, 0)), OdError_InvalidIndex);
    ASSERT_EQ(p->numVerts(), 3u);
    OdGePoint2d second;
    p->getPointAt(1, second);
    EXPECT_TRUE(second.isEqualTo(OdGePoint2d(1, 0)));
    EXPECT_DOUBLE_EQ(p->getBulgeAt(2), 1.0);

    // Open: the arc segment from the last vertex is not drawn, so the box is the three points.
    expectBox(*p, 0, 0, 2, 0);
    // Closed: the half circle from (2, 0) back to (0, 0), counter-clockwise, passes (1, 1).
    p->setClosed(true);
    expectBox(*p, 0, 0, 2, 1);
    const std::vector<OdGePoint3d> pts = p->flattened();
    EXPECT_TRUE(pts.back().isEqualTo(OdGePoint3d(0, 0, 0)));
    for (const OdGePoint3d& q : pts)
        EXPECT_NEAR(q.distanceTo(OdGePoint3d(1, 0, 0)), q.y > kTol ? 1.0 : q.distanceTo(OdGePoint3d(1, 0, 0)),
                    kTol);
}

TEST(DbPolyline, TransformsMoveVerticesMirrorsReverseBulgesAndUnevenScalesOfArcsAreRefused)
{
    const OdDbPolylinePtr p = OdDbPolyline::createObject();
    p->addVertexAt(0, OdGePoint2d(1, 0), 0.5);
    p->addVertexAt(1, OdGePoint2d(2, 0));
    ASSERT_EQ(p->transformBy(OdGeMatrix3d::rotation(std::numbers::pi / 2, OdGeVector3d::kZAxis)), eOk);
    OdGePoint2d q;
    p->getPointAt(1, q);
    EXPECT_TRUE(q.isEqualTo(OdGePoint2d(0, 2)));
    EXPECT_DOUBLE_EQ(p->getBulgeAt(0), 0.5);

    ASSERT_EQ(p->transformBy(OdGeMatrix3d::mirroring(OdGePoint3d::kOrigin, OdGeVector3d::kXAxis)), eOk);
    EXPECT_DOUBLE_EQ(p->getBulgeAt(0), -0.5);

    OdGeMatrix3d stretch;
    stretch[0][0] = 2.0;
    EXPECT_EQ(p->transformBy(stretch), eNotApplicable);
    const OdSmartPtr<OdDbPolyline> copy = OdSmartPtr<OdDbPolyline>::cast(p->clone());
    ASSERT_TRUE(copy);
    copy->addVertexAt(2, OdGePoint2d(5, 5));
    EXPECT_EQ(p->numVerts(), 2u) << "a clone is independent";
    EXPECT_EQ(copy->objectId(), OdDbObjectId::kNull);
}

} // namespace
