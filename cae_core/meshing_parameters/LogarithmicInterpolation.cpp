#include "cae_core/meshing_parameters/LogarithmicInterpolation.h"

#include "cae_core/core/Result.h"
#include "host/ut/Assert.h"

#include <cmath>

namespace cae_core
{
LogarithmicInterpolation::LogarithmicInterpolation(const std::vector<std::pair<double, double>>& l)
{
    if (l.size() < 2)
    {
        ut::callAssert("2 <= l.size()", nullptr, "cae_core/cae_core_interpolation", 29);
        throw eUnsupported;
    }
    for (std::size_t i = 0; i + 1 < l.size(); ++i)
    {
        const auto [x1, y1] = l[i];
        const auto [x2, y2] = l[i + 1];
        if (!(0.0 < x1 && x1 < x2))
            throw eUnsupported;
        const double a = (y2 - y1) / (std::log(x2) - std::log(x1));
        m_segments.push_back(std::make_shared<const Segment>(Segment{x2, a, y1 - a * std::log(x1)}));
    }
}

double LogarithmicInterpolation::operator()(double x) const
{
    if (!(x > 0.0))
        throw eUnsupported;
    const Segment* chosen = nullptr;
    for (const auto& segment : m_segments)
    {
        if (!segment)
            throw eFailed;
        chosen = segment.get();
        if (segment->upper > x)
            break;
    }
    return chosen->a * std::log(x) + chosen->b;
}
} // namespace cae_core
