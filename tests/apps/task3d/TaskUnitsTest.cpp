// The units the 3D command reports in, from the drawing's units and its modelling system.
#include "apps/task3d/TaskUnits.h"

#include <gtest/gtest.h>

namespace
{
TEST(Task3dUnits, ReportInTheDrawingsLengthAndItsForcePerSquareLength)
{
    const struct
    {
        OdDb::UnitsValue drawing;
        bool si;
        const char* length;
        const char* stress;
        /// One modelling length and one modelling pressure in the output units.
        double length1;
        double stress1;
    } cases[] = {
        {OdDb::kUnitsMillimeters, true, "mm", "MPa", 1000.0, 1e-6},
        {OdDb::kUnitsMeters, true, "m", "Pa", 1.0, 1.0},
        {OdDb::kUnitsCentimeters, true, "cm", "N/cm^2", 100.0, 1e-4},
        {OdDb::kUnitsInches, false, "in", "psi", 1.0, 1.0},
        {OdDb::kUnitsFeet, false, "ft", "psf", 1.0 / 12.0, 144.0},
        {OdDb::kUnitsMillimeters, false, "mm", "lbf/mm^2", 25.4, 1.0 / (25.4 * 25.4)},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.stress);
        const cae_app::TaskUnits u = cae_app::taskUnits(c.drawing, c.si);
        EXPECT_EQ(u.length, c.length);
        EXPECT_EQ(u.force, c.si ? "N" : "lbf");
        EXPECT_EQ(u.stress, c.stress);
        EXPECT_NEAR(u.lengthScale, c.length1, 1e-12 * c.length1);
        EXPECT_NEAR(u.stressScale, c.stress1, 1e-12 * c.stress1);
    }
}
} // namespace
