#include "cae_core/core/Units.h"
#include "cae_core/core/Result.h"

#include <gtest/gtest.h>

#include <cmath>
#include <type_traits>

namespace cae_core
{
namespace
{
EUnits unit(int value)
{
    return static_cast<EUnits>(value);
}

/// Runs f and returns the EResult it throws, or eOk when it throws nothing.
template <class F> EResult thrownResult(F&& f)
{
    try
    {
        f();
    }
    catch (EResult r)
    {
        return r;
    }
    return eOk;
}

TEST(ResultCodes, KeepTheirNumericValuesAndWidth)
{
    static_assert(std::is_same_v<std::underlying_type_t<EResult>, std::uint32_t>);
    static_assert(std::is_same_v<std::underlying_type_t<EUnits>, std::int32_t>);
    EXPECT_EQ(eOk, 0u);
    EXPECT_EQ(eEmpty, 2u);
    EXPECT_EQ(eFailed, 4u);
    EXPECT_EQ(eUnsupported, 5u);
    EXPECT_EQ(eNotPossible, 10u);
    EXPECT_EQ(eLimitExceeded, 11u);
    EXPECT_EQ(eSolverFailed, 13u);
    EXPECT_EQ(eInvalidArgument, 15u);
    EXPECT_EQ(eDatabaseError, 16u);
}

TEST(UnitSystems, OddUnitsAreSiAndEverythingElseIsNot)
{
    for (int v = -2; v <= 12; ++v)
        EXPECT_EQ(UnitsValidator::isSystemInternational(unit(v)), v >= 1 && v <= 9 && v % 2 == 1) << v;
}

TEST(PhysicalScale, InchPoundToSiUsesTheBaseFactors)
{
    EXPECT_EQ(getPhysicalScale(eEnglish_Inch, eSI_Meter), 0.0254);
    EXPECT_EQ(getPhysicalScale(eEnglish_Lbf, eSI_Newton), 4.44822);
    EXPECT_EQ(getPhysicalScale(eEnglish_LbfSecSqPerInch, eSI_Kilogram), 175.1268);
    EXPECT_EQ(getPhysicalScale(eEnglish_LbfInch, eSI_NewtonMeter), 4.44822 * 0.0254);
    EXPECT_DOUBLE_EQ(getPhysicalScale(eEnglish_LbfInch, eSI_NewtonMeter), 0.112984788);
    EXPECT_EQ(getPhysicalScale(eEnglish_LbfPerInchSq, eSI_NewtonPerMeterSq), 4.44822 / std::pow(0.0254, 2.0));
    EXPECT_NEAR(getPhysicalScale(eEnglish_LbfPerInchSq, eSI_NewtonPerMeterSq), 6894.7547895, 1e-7);
}

TEST(PhysicalScale, SiToInchPoundIsTheExactReciprocal)
{
    EXPECT_EQ(getPhysicalScale(eSI_Meter, eEnglish_Inch), 39.37007874015748);
    EXPECT_EQ(getPhysicalScale(eSI_Newton, eEnglish_Lbf), 1.0 / 4.44822);
    for (int si = 1; si <= 9; si += 2)
        EXPECT_EQ(getPhysicalScale(unit(si), unit(si + 1)), 1.0 / getPhysicalScale(unit(si + 1), unit(si)))
            << si;
}

TEST(PhysicalScale, TheSameValueConvertsWithOneEvenWhenItIsNoUnit)
{
    for (int v : {-7, 0, 1, 4, 10, 11, 1000})
        EXPECT_EQ(getPhysicalScale(unit(v), unit(v)), 1.0) << v;
}

TEST(PhysicalScale, PairsWithoutConversionThrowUnsupported)
{
    EXPECT_EQ(thrownResult([] { getPhysicalScale(eSI_Meter, eSI_Newton); }), eUnsupported);
    EXPECT_EQ(thrownResult([] { getPhysicalScale(eEnglish_Inch, eEnglish_Lbf); }), eUnsupported);
    EXPECT_EQ(thrownResult([] { getPhysicalScale(eEnglish_Inch, eSI_Newton); }), eUnsupported);
    EXPECT_EQ(thrownResult([] { getPhysicalScale(eSI_Newton, eEnglish_Inch); }), eUnsupported);
    EXPECT_EQ(thrownResult([] { getPhysicalScale(eNoUnits, eSI_Meter); }), eUnsupported);
    EXPECT_EQ(thrownResult([] { getPhysicalScale(eSI_Meter, eNoUnits); }), eUnsupported);
    EXPECT_EQ(thrownResult([] { getPhysicalScale(eEnglish_Inch, eNoUnits); }), eUnsupported);
    EXPECT_EQ(thrownResult([] { getPhysicalScale(unit(11), unit(12)); }), eUnsupported);
}

TEST(LinearScale, FromTheDrawingUnitToMetresAndInches)
{
    EXPECT_EQ(getLinearScale(OdDb::kUnitsMillimeters, eSI_Meter), 0.001);
    EXPECT_EQ(getLinearScale(OdDb::kUnitsMillimeters, eEnglish_Inch), 1.0 / 25.4);
    EXPECT_EQ(getLinearScale(OdDb::kUnitsInches, eSI_Meter), 0.0254);
    EXPECT_EQ(getLinearScale(OdDb::kUnitsFeet, eEnglish_Inch), 12.0);
    EXPECT_EQ(getLinearScale(OdDb::kUnitsUndefined, eSI_Meter), 1.0);
}

TEST(LinearScale, ToTheDrawingUnitIsTheReciprocal)
{
    EXPECT_EQ(getLinearScale(eSI_Meter, OdDb::kUnitsMillimeters), 1000.0);
    EXPECT_EQ(getLinearScale(eEnglish_Inch, OdDb::kUnitsMillimeters), 25.4);
    EXPECT_EQ(getLinearScale(eSI_Meter, OdDb::kUnitsInches), 1.0 / 0.0254);
    for (int u = 1; u <= OdDb::kUnitsMax; ++u)
    {
        const auto drawing = static_cast<OdDb::UnitsValue>(u);
        EXPECT_EQ(getLinearScale(eSI_Meter, drawing), 1.0 / getLinearScale(drawing, eSI_Meter)) << u;
        EXPECT_EQ(getLinearScale(eEnglish_Inch, drawing), 1.0 / getLinearScale(drawing, eEnglish_Inch)) << u;
    }
}

TEST(LinearScale, UnitsOtherThanMetreAndInchThrowUnsupported)
{
    EXPECT_EQ(thrownResult([] { getLinearScale(OdDb::kUnitsMillimeters, eSI_Kilogram); }), eUnsupported);
    EXPECT_EQ(thrownResult([] { getLinearScale(OdDb::kUnitsInches, eNoUnits); }), eUnsupported);
    EXPECT_EQ(thrownResult([] { getLinearScale(eSI_Newton, OdDb::kUnitsMillimeters); }), eUnsupported);
    EXPECT_EQ(thrownResult([] { getLinearScale(eEnglish_Lbf, OdDb::kUnitsInches); }), eUnsupported);
}
} // namespace
} // namespace cae_core
