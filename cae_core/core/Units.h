#pragma once

#include "platform/db/DbUnits.h"

#include <cstdint>

namespace cae_core
{
class Task;

/// A physical unit. Each quantity has one SI unit (odd value) and one inch-pound unit (the
/// next even value). 0 and every value outside 1..10 belong to neither system.
enum EUnits : std::int32_t
{
    eNoUnits = 0,
    eSI_Meter = 1,
    eEnglish_Inch = 2,
    eSI_Kilogram = 3,
    eEnglish_LbfSecSqPerInch = 4,
    eSI_Newton = 5,
    eEnglish_Lbf = 6,
    eSI_NewtonMeter = 7,
    eEnglish_LbfInch = 8,
    eSI_NewtonPerMeterSq = 9,
    eEnglish_LbfPerInchSq = 10
};

/// Checks that quantities are stated in one consistent unit system.
class UnitsValidator
{
public:
    /// True exactly for the five SI units.
    static bool isSystemInternational(EUnits u);
    /// True when every entity's mesh is in the task's modelling length unit, every pressure in its
    /// pressure unit, and no entity, mesh, load or constraint is missing. Each violation is reported
    /// through the host's assertion reporter; a load of another kind is reported and passed over.
    bool validate(Task& task) const;
};

/// The factor that turns a value in `from` into a value in `to`: 1 when both are the same
/// value (unit or not). Conversions exist only between the SI and the inch-pound unit of one
/// quantity; any other pair throws the EResult eUnsupported.
double getPhysicalScale(EUnits from, EUnits to);

/// The factor from the drawing's length unit to `to`, which must be eSI_Meter or
/// eEnglish_Inch (otherwise throws the EResult eUnsupported).
double getLinearScale(OdDb::UnitsValue from, EUnits to);

/// The factor from `from` (eSI_Meter or eEnglish_Inch, otherwise throws the EResult
/// eUnsupported) to the drawing's length unit; the reciprocal of the other direction.
double getLinearScale(EUnits from, OdDb::UnitsValue to);
} // namespace cae_core
