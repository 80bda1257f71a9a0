#include "apps/output/ResultGrid.h"

#include "apps/analysis/ResultFigures.h"

namespace cae_app
{
VtuGrid resultGrid(const cae_core::Solver2dInput& input, const cae_core::Solver2dOutput& output)
{
    VtuGrid grid;
    grid.points = input.mesh.vertices;
    const std::size_t n = grid.points.size();
    grid.nodesPerCell = 3;
    grid.connectivity.reserve(output.elementData.size() * 3);

    VtuArray displacement{"displacement", 3, std::vector<double>(3 * n, 0.0)};
    VtuArray reaction{"reaction", 3, std::vector<double>(3 * n, 0.0)};
    for (const auto& v : output.vertexData)
        if (v.index < n)
        {
            displacement.values[3 * v.index] = v.displacement.x;
            displacement.values[3 * v.index + 1] = v.displacement.y;
        }
    for (const auto i : supportedVertices(input))
        if (i < output.vertexData.size() && i < n)
        {
            const OdGeVector2d r = output.vertexData[i].internalForce - output.vertexData[i].externalForce;
            reaction.values[3 * i] = r.x;
            reaction.values[3 * i + 1] = r.y;
        }

    VtuArray vonMisesAtPoints{"vonMises", 1, std::vector<double>(n, 0.0)};
    std::vector<int> corners(n, 0);
    VtuArray vonMises{"vonMises", 1, {}}, sxx{"sxx", 1, {}}, syy{"syy", 1, {}}, sxy{"sxy", 1, {}};
    for (auto* a : {&vonMises, &sxx, &syy, &sxy})
        a->values.reserve(output.elementData.size());
    for (const auto& e : output.elementData)
    {
        for (int k = 0; k < 3; ++k)
        {
            const auto v = e.vertices[k];
            grid.connectivity.push_back(v);
            if (v < n)
            {
                vonMisesAtPoints.values[v] += e.corners[k].stress.vonMises;
                ++corners[v];
            }
        }
        vonMises.values.push_back(e.center.stress.vonMises);
        sxx.values.push_back(e.center.stress.sxx);
        syy.values.push_back(e.center.stress.syy);
        sxy.values.push_back(e.center.stress.sxy);
    }
    for (std::size_t i = 0; i < n; ++i)
        if (corners[i] > 0)
            vonMisesAtPoints.values[i] /= corners[i];

    grid.pointData = {std::move(vonMisesAtPoints), std::move(displacement), std::move(reaction)};
    grid.cellData = {std::move(vonMises), std::move(sxx), std::move(syy), std::move(sxy)};
    return grid;
}
} // namespace cae_app
