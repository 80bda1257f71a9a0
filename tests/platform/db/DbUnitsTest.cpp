#include "platform/db/DbUnits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
OdDb::UnitsValue unit(int i)
{
    return static_cast<OdDb::UnitsValue>(i);
}

TEST(UnitsConversion, FactorsAreTheDecimalLiteralsOfTheDefinedLengths)
{
    using namespace OdDb;
    const struct
    {
        UnitsValue from, to;
        double factor;
    } cases[] = {{kUnitsMillimeters, kUnitsMeters, 0.001},
                 {kUnitsCentimeters, kUnitsMeters, 0.01},
                 {kUnitsKilometers, kUnitsMillimeters, 1e6},
                 {kUnitsAngstroms, kUnitsNanometers, 0.1},
                 {kUnitsMicrons, kUnitsMeters, 1e-6},
                 {kUnitsDecimeters, kUnitsDekameters, 0.01},
                 {kUnitsHectometers, kUnitsMeters, 100.0},
                 {kUnitsGigameters, kUnitsKilometers, 1e6},
                 // Imperial units are exact multiples of the inch of 25.4 mm.
                 {kUnitsInches, kUnitsMeters, 0.0254},
                 {kUnitsMeters, kUnitsInches, 39.37007874015748},
                 {kUnitsFeet, kUnitsInches, 12.0},
                 {kUnitsYards, kUnitsFeet, 3.0},
                 {kUnitsMiles, kUnitsFeet, 5280.0},
                 {kUnitsMils, kUnitsInches, 0.001},
                 {kUnitsMicroinches, kUnitsInches, 1e-6},
                 // Survey units are defined through 1 m = 39.37 survey inches.
                 {kUnitsUSSurveyFeet, kUnitsMeters, 1200.0 / 3937.0},
                 {kUnitsMeters, kUnitsUSSurveyInch, 39.37},
                 {kUnitsUSSurveyYard, kUnitsUSSurveyFeet, 3.0},
                 {kUnitsUSSurveyMile, kUnitsUSSurveyFeet, 5280.0},
                 {kUnitsAstronomical, kUnitsMeters, 149597870700.0},
                 {kUnitsLightYears, kUnitsMeters, 9460730472580800.0},
                 {kUnitsParsecs, kUnitsMeters, 3.0856775814913673e16},
                 {kUnitsLightYears, kUnitsKilometers, 9460730472580.8}};
    for (const auto& c : cases)
        EXPECT_EQ(oddbGetUnitsConversion(c.from, c.to), c.factor) << c.from << " -> " << c.to;
    // The survey foot is 2 parts per million longer than the international foot; a parsec is
    // 648000 / pi astronomical units.
    EXPECT_DOUBLE_EQ(oddbGetUnitsConversion(kUnitsUSSurveyFeet, kUnitsFeet), 1.0 / 0.999998);
    EXPECT_NEAR(oddbGetUnitsConversion(kUnitsParsecs, kUnitsAstronomical), 648000.0 / std::acos(-1.0), 1e-9);
}

TEST(UnitsConversion, UndefinedAndOutOfRangeUnitsAreUnitless)
{
    // kUnitsMax + 1 is still a value the enumeration can hold, unlike a negative one.
    for (int i = 0; i <= OdDb::kUnitsMax + 1; ++i)
    {
        EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsUndefined, unit(i)), 1.0) << i;
        EXPECT_EQ(oddbGetUnitsConversion(unit(i), OdDb::kUnitsUndefined), 1.0) << i;
        EXPECT_EQ(oddbGetUnitsConversion(unit(i), unit(i)), 1.0) << i;
    }
    EXPECT_EQ(oddbGetUnitsConversion(unit(OdDb::kUnitsMax + 1), OdDb::kUnitsMeters), 1.0);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsMeters, unit(OdDb::kUnitsMax + 1)), 1.0);
}

TEST(UnitsConversion, EveryFactorIsConsistentWithItsReverseAndWithGoingThroughMetres)
{
    const double ulpOfOne = std::numeric_limits<double>::epsilon();
    // Each factor is rounded once, so going through metres costs at most a few ulps.
    const double chainedSlack = 4 * ulpOfOne;
    for (int a = 1; a <= OdDb::kUnitsMax; ++a)
        for (int b = 1; b <= OdDb::kUnitsMax; ++b)
        {
            const double forward = oddbGetUnitsConversion(unit(a), unit(b));
            const double backward = oddbGetUnitsConversion(unit(b), unit(a));
            EXPECT_LE(std::abs(forward * backward - 1.0), ulpOfOne) << a << " -> " << b;
            const double chained = oddbGetUnitsConversion(unit(a), OdDb::kUnitsMeters) *
                                   oddbGetUnitsConversion(OdDb::kUnitsMeters, unit(b));
            EXPECT_NEAR(chained / forward, 1.0, chainedSlack) << a << " -> " << b;
        }
}
} // namespace
