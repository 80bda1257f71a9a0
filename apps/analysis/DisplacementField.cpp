#include "apps/analysis/DisplacementField.h"

#include <algorithm>

namespace cae_app
{
namespace
{
std::vector<std::array<OdGePoint2d, 3>> cornersOf(const cae_core::Solver2dOutput& output)
{
    std::vector<std::array<OdGePoint2d, 3>> corners;
    corners.reserve(output.elementData.size());
    for (const auto& e : output.elementData)
        corners.push_back({e.corners[0].position, e.corners[1].position, e.corners[2].position});
    return corners;
}
} // namespace

DisplacementField::DisplacementField(cae_core::fea2d::SimulationOutput output)
    : m_output(std::move(output)), m_locator(cornersOf(m_output.solverOutput))
{
}

OdGeVector2d DisplacementField::getValue(const OdGePoint2d& p) const
{
    // A point outside the previous mesh (which cuts across curved boundaries) has no value;
    // zero makes it count as changed, so it is kept.
    const auto hit = m_locator.locate(p);
    if (!hit)
        return OdGeVector2d();
    const auto& c = m_output.solverOutput.elementData[hit->element].corners;
    return c[0].displacement * (1.0 - hit->r - hit->s) + c[1].displacement * hit->r +
           c[2].displacement * hit->s;
}

bool DisplacementField::isValid() const
{
    return m_output.result == cae_core::eOk && m_output.solverOutput.pointEvaluator;
}

double DisplacementField::scale() const
{
    double m = 0.0;
    for (const auto& v : m_output.solverOutput.vertexData)
        m = std::max(m, v.displacement.length());
    return m;
}
} // namespace cae_app
