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

TEST(UnitsConversion, MetricFactorsAreTheDecimalLiterals)
{
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsMillimeters, OdDb::kUnitsMeters), 0.001);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsMeters, OdDb::kUnitsMillimeters), 1000.0);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsCentimeters, OdDb::kUnitsMeters), 0.01);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsKilometers, OdDb::kUnitsMillimeters), 1e6);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsAngstroms, OdDb::kUnitsNanometers), 0.1);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsMicrons, OdDb::kUnitsMeters), 1e-6);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsDecimeters, OdDb::kUnitsDekameters), 0.01);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsHectometers, OdDb::kUnitsMeters), 100.0);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsGigameters, OdDb::kUnitsKilometers), 1e6);
}

TEST(UnitsConversion, ImperialUnitsAreExactMultiplesOfTheInch)
{
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsInches, OdDb::kUnitsMeters), 0.0254);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsInches, OdDb::kUnitsMillimeters), 25.4);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsMeters, OdDb::kUnitsInches), 1.0 / 0.0254);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsMeters, OdDb::kUnitsInches), 39.37007874015748);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsFeet, OdDb::kUnitsInches), 12.0);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsYards, OdDb::kUnitsFeet), 3.0);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsMiles, OdDb::kUnitsFeet), 5280.0);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsMiles, OdDb::kUnitsMeters), 1609.344);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsMils, OdDb::kUnitsInches), 0.001);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsMicroinches, OdDb::kUnitsInches), 1e-6);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsFeet, OdDb::kUnitsMeters), 0.3048);
}

TEST(UnitsConversion, SurveyUnitsAreDefinedThrough3937Over1200Metres)
{
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsUSSurveyFeet, OdDb::kUnitsMeters), 1200.0 / 3937.0);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsMeters, OdDb::kUnitsUSSurveyInch), 39.37);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsUSSurveyYard, OdDb::kUnitsUSSurveyFeet), 3.0);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsUSSurveyMile, OdDb::kUnitsUSSurveyFeet), 5280.0);
    // The survey foot is 2 parts per million longer than the international foot.
    EXPECT_DOUBLE_EQ(oddbGetUnitsConversion(OdDb::kUnitsUSSurveyFeet, OdDb::kUnitsFeet), 1.0 / 0.999998);
}

TEST(UnitsConversion, AstronomicalUnitsUseTheirDefinedLengths)
{
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsAstronomical, OdDb::kUnitsMeters), 149597870700.0);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsLightYears, OdDb::kUnitsMeters), 9460730472580800.0);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsParsecs, OdDb::kUnitsMeters), 3.0856775814913673e16);
    EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsLightYears, OdDb::kUnitsKilometers), 9460730472580.8);
    // A parsec is 648000 / pi astronomical units.
    EXPECT_NEAR(oddbGetUnitsConversion(OdDb::kUnitsParsecs, OdDb::kUnitsAstronomical),
                648000.0 / std::acos(-1.0), 1e-9);
}

TEST(UnitsConversion, UndefinedUnitsAreUnitless)
{
    for (int i = 0; i <= OdDb::kUnitsMax; ++i)
    {
        EXPECT_EQ(oddbGetUnitsConversion(OdDb::kUnitsUndefined, unit(i)), 1.0) << i;
        EXPECT_EQ(oddbGetUnitsConversion(unit(i), OdDb::kUnitsUndefined), 1.0) << i;
        EXPECT_EQ(oddbGetUnitsConversion(unit(i), unit(i)), 1.0) << i;
    }
}

TEST(UnitsConversion, AFactorAndItsReverseMultiplyToOneWithinOneUlp)
{
    const double ulpOfOne = std::numeric_limits<double>::epsilon();
    for (int a = 1; a <= OdDb::kUnitsMax; ++a)
        for (int b = 1; b <= OdDb::kUnitsMax; ++b)
        {
            const double forward = oddbGetUnitsConversion(unit(a), unit(b));
            const double backward = oddbGetUnitsConversion(unit(b), unit(a));
            EXPECT_LE(std::abs(forward * backward - 1.0), ulpOfOne) << a << " -> " << b;
        }
}

TEST(UnitsConversion, ChainedFactorsAgreeWithTheDirectOne)
{
    // Each factor is rounded once, so going through metres costs at most a few ulps.
    const double relativeSlack = 4 * std::numeric_limits<double>::epsilon();
    for (int a = 1; a <= OdDb::kUnitsMax; ++a)
        for (int b = 1; b <= OdDb::kUnitsMax; ++b)
        {
            const double direct = oddbGetUnitsConversion(unit(a), unit(b));
            const double chained = oddbGetUnitsConversion(unit(a), OdDb::kUnitsMeters) *
                                   oddbGetUnitsConversion(OdDb::kUnitsMeters, unit(b));
            EXPECT_NEAR(chained / direct, 1.0, relativeSlack) << a << " -> " << b;
        }
}
} // namespace
