#include "cae_core/fea2d/Context.h"

#include "cae_core/core/Translation.h"
#include "host/oa/SysVars.h"
#include "platform/base/OdError.h"
#include "platform/db/DbDatabase.h"

namespace cae_core::fea2d
{
namespace
{
/// The host's database; every unit question needs one.
const OdDbDatabase& drawingOf(const Context& context)
{
    const OdDbDatabase* db = context.database();
    if (!db)
        throw OdError(eNullPtr, "fea2d::Context: the host gave no drawing database");
    return *db;
}

bool isMetric(const OdDbDatabase& db)
{
    return db.getMEASUREMENT() != OdDb::kEnglish;
}
} // namespace

Context::~Context() = default;

bool Context::isValid(OdString& message) const
{
    const OdDbDatabase& db = drawingOf(*this);
    const OdDb::UnitsValue units = db.getINSUNITS();
    if (isMetric(db))
    {
        if (units == OdDb::kUnitsMillimeters || units == OdDb::kUnitsMeters)
            return true;
        message =
            translate(L"Only meter and millimeter are supported INSUNITS if MEASUREMENT is set to Metric.");
        return false;
    }
    if (units == OdDb::kUnitsInches)
        return true;
    message = translate(L"Only Inches are supported INSUNITS if MEASUREMENT is set to Imperial.");
    return false;
}

bool Context::isInDevMode() const
{
    return false;
}

OdString Context::lengthUnit()
{
    return unitName(drawingOf(*this).getINSUNITS());
}

OdString Context::forceUnit()
{
    return isMetric(drawingOf(*this)) ? translate(L"N") : translate(L"lbf");
}

OdString Context::pressureUnit()
{
    const OdDbDatabase& db = drawingOf(*this);
    const OdDb::UnitsValue units = db.getINSUNITS();
    if (units == OdDb::kUnitsMeters)
        return translate(L"Pa");
    if (units == OdDb::kUnitsMillimeters)
        return translate(L"MPa");
    if (!isMetric(db))
        return translate(L"psi");
    // Not one of the admitted systems (isValid says so); there is no unit to name.
    return OdString();
}

double Context::annoScale() const
{
    return oa::safeCANNOSCALE(database());
}

double Context::supportLoadDrawableSize() const
{
    return annoScale();
}
} // namespace cae_core::fea2d
