#include "host/oa/SysVars.h"

#include "host/ut/Environment.h"
#include "host/ut/File.h"
#include "platform/db/DbDatabase.h"

#include <cmath>

namespace oa
{

OdString SysVars::getTEMPPREFIX()
{
    OdString folder;
    if (!ut::getEnvironment(L"TMPDIR", folder) || folder.isEmpty())
        folder = L"/tmp";
    const wchar_t last = folder.getAt(folder.getLength() - 1);
    if (last != L'/' && last != L'\\')
        folder += ut::Config::separator();
    return folder;
}

double safeCANNOSCALE(const OdDbDatabase* database)
{
    constexpr double kNeutral = 1.0;
    if (!database)
        return kNeutral;
    const OdDbAnnotationScalePtr scale = database->getCANNOSCALE();
    if (scale.isNull())
        return kNeutral;
    const double paper = scale->getPaperUnits();
    const double drawing = scale->getDrawingUnits();
    // Written as negations so that NaN counts as not positive.
    if (!(paper > 0.0) || !(drawing > 0.0))
        return kNeutral;
    const double factor = drawing / paper;
    return std::isfinite(factor) && factor > 0.0 ? factor : kNeutral;
}

} // namespace oa
