#include "platform/br/BrBrep.h"
#include "platform/br/BrepData.h"

#include <vector>

namespace
{
/// Points per curve for the loop's signed area: enough to tell the sense of any loop whose curves do
/// not cross, which a region's loops never do.
constexpr int kAreaSamples = 16;

OdGePoint3d startOf(const OdGeCurve3d& c, bool forward)
{
    OdGeInterval i;
    c.getInterval(i);
    return c.evalPoint(forward ? i.lowerBound() : i.upperBound());
}

/// For each curve of a closed loop, whether it runs in the loop's walking order.
std::vector<bool> walkingDirections(const std::vector<std::unique_ptr<OdGeCurve3d>>& loop)
{
    std::vector<bool> forward(loop.size(), true);
    if (loop.size() < 2)
        return forward;
    // The first curve runs forward when its end meets the second curve (at either of its ends).
    const OdGePoint3d end0 = startOf(*loop[0], false);
    forward[0] = end0.isEqualTo(startOf(*loop[1], true)) || end0.isEqualTo(startOf(*loop[1], false));
    OdGePoint3d at = startOf(*loop[0], !forward[0]);
    for (std::size_t i = 1; i < loop.size(); ++i)
    {
        forward[i] = at.isEqualTo(startOf(*loop[i], true));
        at = startOf(*loop[i], !forward[i]);
    }
    return forward;
}

/// Twice the signed area enclosed by the loop walked in its walking order (positive: counter-clockwise).
double signedArea(const std::vector<std::unique_ptr<OdGeCurve3d>>& loop, const std::vector<bool>& forward)
{
    std::vector<OdGePoint3d> points;
    for (std::size_t i = 0; i < loop.size(); ++i)
    {
        OdGeInterval interval;
        loop[i]->getInterval(interval);
        for (int k = 0; k < kAreaSamples; ++k)
        {
            const double f = static_cast<double>(k) / kAreaSamples;
            const double t = forward[i] ? interval.lowerBound() + f * interval.length()
                                        : interval.upperBound() - f * interval.length();
            points.push_back(loop[i]->evalPoint(t));
        }
    }
    double area = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i)
    {
        const OdGePoint3d& p = points[i];
        const OdGePoint3d& q = points[(i + 1) % points.size()];
        area += p.x * q.y - q.x * p.y;
    }
    return area;
}
} // namespace

bool OdBrLoopEdgeTraverser::getEdgeOrientToLoop() const
{
    if (done() || !m_data)
        return false;
    const auto& loop =
        m_data->faces[static_cast<std::size_t>(m_face)].loops[static_cast<std::size_t>(m_loop)];
    const std::vector<bool> forward = walkingDirections(loop);
    const bool counterClockwise = signedArea(loop, forward) > 0.0;
    const bool exterior = m_loop == 0;
    const bool walkIsLoopDirection = counterClockwise == exterior;
    const bool alongWalk = forward[static_cast<std::size_t>(m_edge)];
    return alongWalk == walkIsLoopDirection;
}
