#include "apps/file/Format.h"

#include <cstdio>

namespace cae_app
{
std::string formatNumber(double v, int significant)
{
    if (v == 0.0)
        v = 0.0; // no "-0"
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", significant, v);
    return buffer;
}

std::string formatPoint(const OdGePoint2d& p, int significant)
{
    std::string out = "(";
    out += formatNumber(p.x, significant);
    out += ", ";
    out += formatNumber(p.y, significant);
    return out += ")";
}

std::string formatVector(const OdGeVector2d& v, int significant)
{
    return formatPoint(OdGePoint2d(v.x, v.y), significant);
}

std::string formatMilliseconds(double ms)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", ms < 10.0 ? 2 : (ms < 100.0 ? 1 : 0), ms);
    return buffer;
}
} // namespace cae_app
