#include "cae_core/core/Units.h"

#include "cae_core/core/Result.h"

#include <cmath>

namespace cae_core
{
namespace
{
// The two base factors; every other cross-system factor is derived from them at each call so
// that all of them stay consistent with these two definitions.
constexpr double kInchToMeter = 0.0254;
constexpr double kLbfToNewton = 4.44822;
constexpr double kLbfSecSqPerInchToKilogram = 175.1268;

/// The factor from an inch-pound unit to an SI unit; throws eUnsupported for units of different
/// quantities (or values that are no units).
double englishToSi(EUnits from, EUnits to)
{
    if (from == eEnglish_Inch && to == eSI_Meter)
        return kInchToMeter;
    if (from == eEnglish_LbfSecSqPerInch && to == eSI_Kilogram)
        return kLbfSecSqPerInchToKilogram;
    if (from == eEnglish_Lbf && to == eSI_Newton)
        return kLbfToNewton;
    if (from == eEnglish_LbfInch && to == eSI_NewtonMeter)
        return getPhysicalScale(eEnglish_Lbf, eSI_Newton) * getPhysicalScale(eEnglish_Inch, eSI_Meter);
    if (from == eEnglish_LbfPerInchSq && to == eSI_NewtonPerMeterSq)
        return getPhysicalScale(eEnglish_Lbf, eSI_Newton) /
               std::pow(getPhysicalScale(eEnglish_Inch, eSI_Meter), 2.0);
    throw eUnsupported;
}

OdDb::UnitsValue drawingUnitOf(EUnits lengthUnit)
{
    switch (lengthUnit)
    {
    case eSI_Meter:
        return OdDb::kUnitsMeters;
    case eEnglish_Inch:
        return OdDb::kUnitsInches;
    default:
        throw eUnsupported;
    }
}
} // namespace

bool UnitsValidator::isSystemInternational(EUnits u)
{
    switch (u)
    {
    case eSI_Meter:
    case eSI_Kilogram:
    case eSI_Newton:
    case eSI_NewtonMeter:
    case eSI_NewtonPerMeterSq:
        return true;
    default:
        return false;
    }
}

double getPhysicalScale(EUnits from, EUnits to)
{
    if (from == to)
        return 1.0;
    const bool fromSi = UnitsValidator::isSystemInternational(from);
    const bool toSi = UnitsValidator::isSystemInternational(to);
    // The reverse direction is the exact reciprocal of the one table entry.
    if (fromSi && !toSi)
        return 1.0 / getPhysicalScale(to, from);
    if (!fromSi && toSi)
        return englishToSi(from, to);
    // Within one system (or between values that are no units) there is nothing to convert to.
    throw eUnsupported;
}

double getLinearScale(OdDb::UnitsValue from, EUnits to)
{
    return oddbGetUnitsConversion(from, drawingUnitOf(to));
}

double getLinearScale(EUnits from, OdDb::UnitsValue to)
{
    const OdDb::UnitsValue fromDrawingUnit = drawingUnitOf(from);
    return 1.0 / oddbGetUnitsConversion(to, fromDrawingUnit);
}
} // namespace cae_core
