#include "apps/analysis/ResultFigures.h"

#include <algorithm>
#include <cmath>

namespace cae_app
{
std::vector<std::uint64_t> supportedVertices(const cae_core::Solver2dInput& input)
{
    std::vector<std::uint64_t> v(input.fixedVertices.begin(), input.fixedVertices.end());
    for (const auto& [a, b] : input.fixedEdges)
        v.insert(v.end(), {a, b});
    for (const auto& [a, b] : input.rollingEdges)
        v.insert(v.end(), {a, b});
    for (const auto& entry : input.rollingVertices)
        v.push_back(entry.first);
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
    return v;
}

ResultFigures resultFigures(const cae_core::Solver2dInput& input, const cae_core::Solver2dOutput& output)
{
    ResultFigures f;
    bool first = true;
    auto sample = [&](const cae_core::Solver2dOutput::SamplePoint& s)
    {
        f.finite = f.finite && std::isfinite(s.stress.vonMises);
        if (first || s.stress.vonMises > f.maxVonMises)
        {
            f.maxVonMises = s.stress.vonMises;
            f.maxVonMisesAt = s.position;
            first = false;
        }
    };
    for (const auto& e : output.elementData)
    {
        for (const auto& c : e.corners)
            sample(c);
        sample(e.center);
    }
    for (const auto& v : output.vertexData)
    {
        const double d = v.displacement.length();
        if (d > f.maxDisplacement || &v == &output.vertexData.front())
        {
            f.maxDisplacement = d;
            f.maxDisplacementAt = v.position;
        }
    }

    for (const auto& [vertex, force] : input.vertexForces)
    {
        f.appliedLoad += force;
        f.loadScale += force.length();
    }
    const auto& pts = input.mesh.vertices;
    for (const auto& [edge, load] : input.edgeLoads)
        if (edge.first < pts.size() && edge.second < pts.size())
        {
            const OdGeVector2d force = load * pts[edge.first].distanceTo(pts[edge.second]);
            f.appliedLoad += force;
            f.loadScale += force.length();
        }

    for (const auto v : supportedVertices(input))
        if (v < output.vertexData.size())
            f.reactionSum += output.vertexData[v].internalForce - output.vertexData[v].externalForce;

    auto finite = [](const OdGeVector2d& v) { return std::isfinite(v.x) && std::isfinite(v.y); };
    for (const auto& v : output.vertexData)
        f.finite = f.finite && finite(v.displacement) && finite(v.internalForce) && finite(v.externalForce);
    f.finite = f.finite && std::isfinite(f.maxVonMises) && finite(f.reactionSum);
    return f;
}

void zeroNegligibleReactions(std::map<std::uint64_t, OdGeVector2d>& reactions, double loadScale)
{
    const double floor = kNegligibleReactionShare * loadScale;
    for (auto& [index, force] : reactions)
        if (force.length() < floor)
            force = OdGeVector2d();
}
} // namespace cae_app
