#pragma once

#include "platform/base/OdString.h"
#include "platform/db/DbUnits.h"

class OdDbDatabase;

namespace cae_core::fea2d
{
/// What the module asks the host about the current drawing. Implemented by the host; the
/// module only holds references to it.
///
/// The 2D analysis works in the drawing's units without conversion, so only three consistent
/// systems are admitted (see isValid): m-N-Pa, mm-N-MPa and in-lbf-psi.
///
/// The unit questions (isValid, lengthUnit, forceUnit, pressureUnit) need the drawing: when
/// database() gives null they throw OdError(eNullPtr) rather than guess a unit system. annoScale()
/// is then 1.0, so glyphs can still be drawn at their plain size.
class Context
{
public:
    virtual ~Context();

    /// The drawing's database.
    virtual OdDbDatabase* database() const = 0;
    /// True when MEASUREMENT and INSUNITS form one of the admitted systems; otherwise false and
    /// `message` (translated) says which INSUNITS are admitted. `message` is untouched on success.
    virtual bool isValid(OdString& message) const;
    /// Whether developer-only output is wanted; false.
    virtual bool isInDevMode() const;
    /// The host's name of the drawing's length unit (INSUNITS).
    virtual OdString lengthUnit();
    /// "N" in a metric drawing, "lbf" in an imperial one (translated).
    virtual OdString forceUnit();
    /// "Pa" for metres, "MPa" for millimetres, "psi" for an imperial drawing, else empty (translated).
    virtual OdString pressureUnit();
    /// The drawing's current annotation scale (CANNOSCALE) as a positive factor.
    virtual double annoScale() const;
    /// The size of load and support glyphs: annoScale(), through the virtual call.
    virtual double supportLoadDrawableSize() const;
    /// The host's display name of a drawing length unit.
    virtual OdString unitName(OdDb::UnitsValue units) = 0;
};
} // namespace cae_core::fea2d
