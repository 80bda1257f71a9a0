#include "host/oa/SysVars.h"

#include "platform/db/DbDatabase.h"
#include "tests/host/HostTestSupport.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{

TEST(GetTEMPPREFIX, TakesTmpdirOrElseTmpAndEndsWithOneSeparator)
{
    const std::pair<std::optional<std::string>, const wchar_t*> cases[] = {
        {"/var/tmp/cae", L"/var/tmp/cae/"},
        {"/var/tmp/cae/", L"/var/tmp/cae/"},
        {std::nullopt, L"/tmp/"},
        {"", L"/tmp/"},
    };
    for (const auto& [tmpdir, expected] : cases)
    {
        host_test::ScopedEnv env("TMPDIR", tmpdir);
        EXPECT_EQ(oa::SysVars::getTEMPPREFIX(), OdString(expected)) << tmpdir.value_or("(unset)");
    }
}

TEST(SafeCANNOSCALE, IsDrawingUnitsPerPaperUnitOrOneWhenThatIsNotAPositiveFiniteNumber)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(oa::safeCANNOSCALE(nullptr), 1.0);
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    EXPECT_DOUBLE_EQ(oa::safeCANNOSCALE(db.get()), 1.0) << "a new drawing is at 1:1";
    db->setCANNOSCALE(OdDbAnnotationScalePtr());
    EXPECT_EQ(oa::safeCANNOSCALE(db.get()), 1.0) << "no scale";

    const struct
    {
        double paper, drawing, factor;
    } cases[] = {{1.0, 50.0, 50.0}, {2.0, 1.0, 0.5},   {0.25, 10.0, 40.0},   {0.0, 50.0, 1.0},
                 {1.0, 0.0, 1.0},   {-1.0, 50.0, 1.0}, {1.0, -50.0, 1.0},    {nan, 1.0, 1.0},
                 {1.0, nan, 1.0},   {1.0, inf, 1.0},   {1e-300, 1e300, 1.0}, {1e300, 1e-300, 1.0}};
    for (const auto& c : cases)
    {
        OdDbAnnotationScalePtr scale = odrxCreateObject<OdDbAnnotationScale>();
        scale->setPaperUnits(c.paper);
        scale->setDrawingUnits(c.drawing);
        db->setCANNOSCALE(scale);
        EXPECT_DOUBLE_EQ(oa::safeCANNOSCALE(db.get()), c.factor) << c.paper << ":" << c.drawing;
    }
}

} // namespace
