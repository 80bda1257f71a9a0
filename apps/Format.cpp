#include "apps/Format.h"

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
    return "(" + formatNumber(p.x, significant) + ", " + formatNumber(p.y, significant) + ")";
}

std::string formatVector(const OdGeVector2d& v, int significant)
{
    return "(" + formatNumber(v.x, significant) + ", " + formatNumber(v.y, significant) + ")";
}
} // namespace cae_app
