#include "host/oa/SysVars.h"

#include "platform/db/DbDatabase.h"
#include "tests/host/HostTestSupport.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{

TEST(GetTEMPPREFIX, TakesTmpdirAndEndsWithOneSeparator)
{
    {
        host_test::ScopedEnv env("TMPDIR", "/var/tmp/cae");
        EXPECT_EQ(oa::SysVars::getTEMPPREFIX(), OdString(L"/var/tmp/cae/"));
    }
    {
        host_test::ScopedEnv env("TMPDIR", "/var/tmp/cae/");
        EXPECT_EQ(oa::SysVars::getTEMPPREFIX(), OdString(L"/var/tmp/cae/"));
    }
}

TEST(GetTEMPPREFIX, FallsBackToTmpWhenTmpdirIsUnsetOrEmpty)
{
    {
        host_test::ScopedEnv env("TMPDIR", std::nullopt);
        EXPECT_EQ(oa::SysVars::getTEMPPREFIX(), OdString(L"/tmp/"));
    }
    {
        host_test::ScopedEnv env("TMPDIR", "");
        EXPECT_EQ(oa::SysVars::getTEMPPREFIX(), OdString(L"/tmp/"));
    }
}

OdDbAnnotationScalePtr makeScale(double paper, double drawing)
{
    OdDbAnnotationScalePtr scale = odrxCreateObject<OdDbAnnotationScale>();
    scale->setPaperUnits(paper);
    scale->setDrawingUnits(drawing);
    return scale;
}

TEST(SafeCANNOSCALE, IsDrawingUnitsPerPaperUnit)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    EXPECT_DOUBLE_EQ(oa::safeCANNOSCALE(db.get()), 1.0) << "a new drawing is at 1:1";
    db->setCANNOSCALE(makeScale(1.0, 50.0));
    EXPECT_DOUBLE_EQ(oa::safeCANNOSCALE(db.get()), 50.0);
    db->setCANNOSCALE(makeScale(2.0, 1.0));
    EXPECT_DOUBLE_EQ(oa::safeCANNOSCALE(db.get()), 0.5);
    db->setCANNOSCALE(makeScale(0.25, 10.0));
    EXPECT_DOUBLE_EQ(oa::safeCANNOSCALE(db.get()), 40.0);
}

TEST(SafeCANNOSCALE, IsOneWithoutADatabaseOrAScale)
{
    EXPECT_EQ(oa::safeCANNOSCALE(nullptr), 1.0);
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    db->setCANNOSCALE(OdDbAnnotationScalePtr());
    EXPECT_EQ(oa::safeCANNOSCALE(db.get()), 1.0);
}

TEST(SafeCANNOSCALE, IsOneForAScaleThatIsNotPositiveAndFinite)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    for (const auto& [paper, drawing] : {std::pair{0.0, 50.0},
                                         {1.0, 0.0},
                                         {-1.0, 50.0},
                                         {1.0, -50.0},
                                         {nan, 1.0},
                                         {1.0, nan},
                                         {1.0, inf},
                                         {1e-300, 1e300},
                                         {1e300, 1e-300}})
    {
        db->setCANNOSCALE(makeScale(paper, drawing));
        EXPECT_EQ(oa::safeCANNOSCALE(db.get()), 1.0) << paper << ":" << drawing;
    }
}

} // namespace
