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
}

TEST(DbDatabaseDefaults, SystemVariablesReadBackWhatWasSet)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    db->setMEASUREMENT(OdDb::kEnglish);
    db->setINSUNITS(OdDb::kUnitsInches);
    EXPECT_EQ(db->getMEASUREMENT(), OdDb::kEnglish);
    EXPECT_EQ(db->getINSUNITS(), OdDb::kUnitsInches);

    const OdDbAnnotationScalePtr scale = odrxCreateObject<OdDbAnnotationScale>();
    scale->setName(L"1:50");
    scale->setDrawingUnits(50.0);
    db->setCANNOSCALE(scale);
    EXPECT_EQ(db->getCANNOSCALE(), scale);
    db->setCANNOSCALE(nullptr);
    EXPECT_TRUE(db->getCANNOSCALE().isNull());
}

TEST(DbAnnotationScale, TheScaleIsPaperUnitsOverDrawingUnits)
{
    OdDbAnnotationScale scale;
    scale.setPaperUnits(1.0);
    scale.setDrawingUnits(50.0);
    double factor = 0.0;
    ASSERT_EQ(scale.getScale(factor), eOk);
    EXPECT_EQ(factor, 0.02);
    scale.setPaperUnits(4.0);
    scale.setDrawingUnits(1.0);
    ASSERT_EQ(scale.getScale(factor), eOk);
    EXPECT_EQ(factor, 4.0);
}

TEST(DbAnnotationScale, NonPositiveUnitsAreRejectedAndTheOutputKept)
{
    OdDbAnnotationScale scale;
    double factor = 7.0;
    scale.setDrawingUnits(0.0);
    EXPECT_EQ(scale.getScale(factor), eInvalidInput);
    scale.setDrawingUnits(-2.0);
    EXPECT_EQ(scale.getScale(factor), eInvalidInput);
    scale.setDrawingUnits(std::nan(""));
    EXPECT_EQ(scale.getScale(factor), eInvalidInput);
    scale.setDrawingUnits(1.0);
    scale.setPaperUnits(0.0);
    EXPECT_EQ(scale.getScale(factor), eInvalidInput);
    EXPECT_EQ(factor, 7.0);
}

TEST(DbDatabaseObjects, AddedObjectsGetDistinctIdsAndAreFoundAgain)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    const OdSmartPtr<Box> a = odrxCreateObject<Box>();
    const OdSmartPtr<Box> b = odrxCreateObject<Box>();
    EXPECT_TRUE(a->objectId().isNull());
    EXPECT_EQ(a->database(), nullptr);

    const OdDbObjectId idA = db->addOdDbObject(a.get());
    const OdDbObjectId idB = db->addOdDbObject(b.get());
    EXPECT_FALSE(idA.isNull());
    EXPECT_NE(idA, idB);
    EXPECT_EQ(a->objectId(), idA);
    EXPECT_EQ(a->database(), db.get());
    EXPECT_EQ(db->getObject(idB).get(), b.get());
    EXPECT_EQ(db->numObjects(), 2u);
    // Adding again keeps the id.
    EXPECT_EQ(db->addOdDbObject(a.get()), idA);
    EXPECT_EQ(db->numObjects(), 2u);
}

TEST(DbDatabaseObjects, UnknownIdsGiveNullAndErasedObjectsAreGone)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    EXPECT_TRUE(db->getObject(OdDbObjectId::kNull).isNull());
    EXPECT_TRUE(db->getObject(OdDbObjectId(12345)).isNull());

    Box::s_alive = 0;
    const OdDbObjectId id = db->addOdDbObject(odrxCreateObject<Box>().get());
    EXPECT_EQ(Box::s_alive, 1); // the database holds it
    EXPECT_TRUE(db->eraseObject(id));
    EXPECT_EQ(Box::s_alive, 0);
    EXPECT_TRUE(db->getObject(id).isNull());
    EXPECT_FALSE(db->eraseObject(id));
}

TEST(DbDatabaseObjects, ObjectsOutlivingTheirDatabaseForgetIt)
{
    OdSmartPtr<Box> box = odrxCreateObject<Box>();
    {
        const OdDbDatabasePtr db = OdDbDatabase::createObject();
        db->addOdDbObject(box.get());
    }
    EXPECT_EQ(box->database(), nullptr);
    EXPECT_TRUE(box->objectId().isNull());
}

TEST(DbDatabaseObjects, BadObjectsAreRejectedWithAReason)
{
    const OdDbDatabasePtr first = OdDbDatabase::createObject();
    const OdDbDatabasePtr second = OdDbDatabase::createObject();
    const OdSmartPtr<Box> box = odrxCreateObject<Box>();
    first->addOdDbObject(box.get());
    try
    {
        second->addOdDbObject(box.get());
        FAIL() << "an object cannot live in two databases";
    }
    catch (const OdError& e)
    {
        EXPECT_EQ(e.code(), eInvalidInput);
        EXPECT_NE(std::string(e.what()).find("another database"), std::string::npos);
    }
    EXPECT_THROW(first->addOdDbObject(nullptr), OdError);
}
} // namespace
