#include "platform/db/DbDatabase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace
{
/// A minimal entity to put into a database.
class Box : public OdDbEntity
{
public:
    static inline int s_alive = 0;
    Box() { ++s_alive; }
    ~Box() override { --s_alive; }
    OdResult getGeomExtents(OdGeExtents3d& extents) const override
    {
        extents.set(OdGePoint3d(0, 0, 0), OdGePoint3d(1, 1, 1));
        return eOk;
    }
};

TEST(DbDatabaseDefaults, ANewDrawingIsMetricInMillimetresAtScaleOneToOne)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    EXPECT_EQ(db->getMEASUREMENT(), OdDb::kMetric);
    EXPECT_EQ(db->getINSUNITS(), OdDb::kUnitsMillimeters);
    const OdDbAnnotationScalePtr scale = db->getCANNOSCALE();
    ASSERT_FALSE(scale.isNull());
    EXPECT_EQ(scale->getName(), OdString(L"1:1"));
    double factor = 0.0;
    ASSERT_EQ(scale->getScale(factor), eOk);
    EXPECT_EQ(factor, 1.0);
    db->setCANNOSCALE(nullptr);
    EXPECT_TRUE(db->getCANNOSCALE().isNull());
}

TEST(DbAnnotationScale, IsPaperUnitsOverDrawingUnitsAndRefusesUnitsThatAreNotPositive)
{
    const struct
    {
        double paper, drawing;
        OdResult result;
        double factor;
    } cases[] = {{1.0, 50.0, eOk, 0.02},
                 {4.0, 1.0, eOk, 4.0},
                 {1.0, 0.0, eInvalidInput, 7.0},
                 {1.0, -2.0, eInvalidInput, 7.0},
                 {1.0, std::nan(""), eInvalidInput, 7.0},
                 {0.0, 1.0, eInvalidInput, 7.0}};
    for (const auto& c : cases)
    {
        OdDbAnnotationScale scale;
        scale.setPaperUnits(c.paper);
        scale.setDrawingUnits(c.drawing);
        double factor = 7.0;
        EXPECT_EQ(scale.getScale(factor), c.result) << c.paper << ":" << c.drawing;
        EXPECT_EQ(factor, c.factor) << "a refused scale leaves the output as it was";
    }
}

TEST(DbDatabaseObjects, AddedObjectsGetDistinctIdsAndAreFoundAgain)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    Box::s_alive = 0;
    const OdSmartPtr<Box> a = odrxCreateObject<Box>();
    EXPECT_TRUE(a->objectId().isNull());
    EXPECT_EQ(a->database(), nullptr);
    const OdDbObjectId idA = db->addOdDbObject(a.get());
    const OdDbObjectId idB = db->addOdDbObject(odrxCreateObject<Box>().get());
    EXPECT_FALSE(idA.isNull());
    EXPECT_NE(idA, idB);
    EXPECT_EQ(a->objectId(), idA);
    EXPECT_EQ(a->database(), db.get());
    EXPECT_EQ(db->getObject(idA).get(), a.get());
    EXPECT_EQ(db->addOdDbObject(a.get()), idA) << "adding again keeps the id";
    EXPECT_EQ(db->numObjects(), 2u);
    EXPECT_TRUE(db->getObject(OdDbObjectId::kNull).isNull());
    EXPECT_TRUE(db->getObject(OdDbObjectId(12345)).isNull());

    EXPECT_EQ(Box::s_alive, 2) << "the database holds what it was given";
}

TEST(DbDatabaseObjects, AnObjectBelongsToOneDatabaseAndForgetsItWhenItGoes)
{
    const OdDbDatabasePtr other = OdDbDatabase::createObject();
    const OdSmartPtr<Box> box = odrxCreateObject<Box>();
    {
        const OdDbDatabasePtr db = OdDbDatabase::createObject();
        db->addOdDbObject(box.get());
        try
        {
            other->addOdDbObject(box.get());
            FAIL() << "an object cannot live in two databases";
        }
        catch (const OdError& e)
        {
            EXPECT_EQ(e.code(), eInvalidInput);
            EXPECT_NE(std::string(e.what()).find("another database"), std::string::npos);
        }
    }
    EXPECT_EQ(box->database(), nullptr);
    EXPECT_TRUE(box->objectId().isNull());
    EXPECT_THROW(other->addOdDbObject(nullptr), OdError);
}
} // namespace
