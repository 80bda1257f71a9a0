#include "cae_core/core/Units.h"
#include "cae_core/core/Result.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string_view>
#include <type_traits>
#include <utility>

namespace cae_core
{
namespace
{
// The numeric values and widths are part of the exported interface.
static_assert(std::is_same_v<std::underlying_type_t<EResult>, std::uint32_t>);
static_assert(std::is_same_v<std::underlying_type_t<EUnits>, std::int32_t>);
static_assert(eOk == 0 && eEmpty == 2 && eFileError == 3 && eFailed == 4 && eUnsupported == 5 &&
              eWriteError == 6 && eMissingData == 7 && eParseError == 8 && eWrongType == 9 &&
              eNotPossible == 10 && eLimitExceeded == 11 && eSolverFailed == 13 && eSolverNotFound == 14 &&
              eInvalidArgument == 15 && eDatabaseError == 16);
// Messages name results by their enumerator; a value outside the enumeration still gets a text.
static_assert(std::string_view(getResultName(eLimitExceeded)) == "eLimitExceeded");
static_assert(std::string_view(getResultName(static_cast<EResult>(12))) == "unknown result");

EUnits unit(int value)
{
    return static_cast<EUnits>(value);
}

/// Matches a call that throws the EResult eUnsupported.
const auto kThrowsUnsupported = testing::Throws<EResult>(testing::Eq(eUnsupported));

TEST(UnitSystems, OddUnitsAreSiAndEverythingElseIsNot)
{
    for (int v = -2; v <= 12; ++v)
        EXPECT_EQ(UnitsValidator::isSystemInternational(unit(v)), v >= 1 && v <= 9 && v % 2 == 1) << v;
}

TEST(PhysicalScale, InchPoundToSiUsesTheBaseFactorsAndTheReverseIsTheExactReciprocal)
{
    const std::pair<EUnits, double> cases[] = {{eEnglish_Inch, 0.0254},
                                               {eEnglish_LbfSecSqPerInch, 175.1268},
                                               {eEnglish_Lbf, 4.44822},
                                               {eEnglish_LbfInch, 4.44822 * 0.0254},
                                               {eEnglish_LbfPerInchSq, 4.44822 / std::pow(0.0254, 2.0)}};
    for (const auto& [english, factor] : cases)
    {
        EXPECT_EQ(getPhysicalScale(english, unit(english - 1)), factor) << english;
        EXPECT_EQ(getPhysicalScale(unit(english - 1), english), 1.0 / factor) << english;
    }
    EXPECT_DOUBLE_EQ(getPhysicalScale(eEnglish_LbfInch, eSI_NewtonMeter), 0.112984788);
    EXPECT_NEAR(getPhysicalScale(eEnglish_LbfPerInchSq, eSI_NewtonPerMeterSq), 6894.7547895, 1e-7);
    EXPECT_EQ(getPhysicalScale(eSI_Meter, eEnglish_Inch), 39.37007874015748);
}

TEST(PhysicalScale, SameValuesConvertByOneEvenWhenNoUnitAndOtherPairsWithinOneSystemOrQuantityThrow)
{
    for (int v : {-7, 0, 1, 4, 10, 11, 1000})
        EXPECT_EQ(getPhysicalScale(unit(v), unit(v)), 1.0) << v;
    const std::pair<EUnits, EUnits> pairs[] = {
        {eSI_Meter, eSI_Newton},     {eEnglish_Inch, eEnglish_Lbf}, {eEnglish_Inch, eSI_Newton},
        {eSI_Newton, eEnglish_Inch}, {eNoUnits, eSI_Meter},         {eSI_Meter, eNoUnits},
        {eEnglish_Inch, eNoUnits},   {unit(11), unit(12)},          {eSI_Kilogram, eEnglish_LbfInch}};
    for (const auto& [from, to] : pairs)
        EXPECT_THAT([&] { getPhysicalScale(from, to); }, kThrowsUnsupported) << from << " -> " << to;
}

TEST(LinearScale, FromTheDrawingUnitToMetresAndInchesAndBackAsTheReciprocalButNoOtherUnit)
{
    EXPECT_EQ(getLinearScale(OdDb::kUnitsMillimeters, eSI_Meter), 0.001);
    EXPECT_EQ(getLinearScale(eSI_Meter, OdDb::kUnitsMillimeters), 1000.0);
    EXPECT_EQ(getLinearScale(OdDb::kUnitsMillimeters, eEnglish_Inch), 1.0 / 25.4);
    EXPECT_EQ(getLinearScale(eEnglish_Inch, OdDb::kUnitsMillimeters), 25.4);
    EXPECT_EQ(getLinearScale(OdDb::kUnitsInches, eSI_Meter), 0.0254);
    EXPECT_EQ(getLinearScale(OdDb::kUnitsFeet, eEnglish_Inch), 12.0);
    EXPECT_EQ(getLinearScale(OdDb::kUnitsUndefined, eSI_Meter), 1.0);
    for (int u = 1; u <= OdDb::kUnitsMax; ++u)
    {
        const auto drawing = static_cast<OdDb::UnitsValue>(u);
        EXPECT_EQ(getLinearScale(eSI_Meter, drawing), 1.0 / getLinearScale(drawing, eSI_Meter)) << u;
        EXPECT_EQ(getLinearScale(eEnglish_Inch, drawing), 1.0 / getLinearScale(drawing, eEnglish_Inch)) << u;
    }
    // Units other than metre and inch throw either way.
    for (const EUnits u : {eNoUnits, eSI_Kilogram, eSI_Newton, eEnglish_Lbf, eEnglish_LbfPerInchSq, unit(42)})
    {
        EXPECT_THAT([u] { getLinearScale(OdDb::kUnitsMillimeters, u); }, kThrowsUnsupported) << u;
        EXPECT_THAT([u] { getLinearScale(u, OdDb::kUnitsInches); }, kThrowsUnsupported) << u;
    }
}
} // namespace
} // namespace cae_core
