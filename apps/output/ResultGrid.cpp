#include "apps/output/ResultGrid.h"

#include "apps/analysis/ResultFigures.h"

namespace cae_app
{
VtuGrid resultGrid(const cae_core::Solver2dInput& input, const cae_core::Solver2dOutput& output,
                   const NodalField& field, const Summary::Units& units)
{
    VtuGrid grid;
    for (const OdGePoint2d& p : field.points)
        grid.points.push_back({p.x, p.y, 0.0});
    grid.nodesPerCell = field.nodesPerElement;
    grid.connectivity = field.connectivity;
    const std::size_t n = grid.points.size();

    VtuArray displacement{"displacement", 3, std::vector<double>(3 * n, 0.0)};
    for (std::size_t i = 0; i < n && i < field.displacement.size(); ++i)
    {
        displacement.values[3 * i] = field.displacement[i].x;
        displacement.values[3 * i + 1] = field.displacement[i].y;
    }
    VtuArray reaction{"reaction", 3, std::vector<double>(3 * n, 0.0)};
    for (const auto i : supportedVertices(input))
        if (i < output.vertexData.size() && i < n)
        {
            const OdGeVector2d r = output.vertexData[i].internalForce - output.vertexData[i].externalForce;
            reaction.values[3 * i] = r.x;
            reaction.values[3 * i + 1] = r.y;
        }

    VtuArray vonMisesAtPoints{"vonMises", 1, {}}, sxxAtPoints{"sxx", 1, {}}, syyAtPoints{"syy", 1, {}},
        sxyAtPoints{"sxy", 1, {}}, s1{"s1", 1, {}}, s2{"s2", 1, {}}, angle{"s1Angle", 1, {}};
    for (std::size_t i = 0; i < n; ++i)
    {
        const StressState s = i < field.stress.size() ? field.stress[i] : StressState{};
        const PrincipalStresses p = principalStresses(s, field.mode, field.poissonRatio);
        vonMisesAtPoints.values.push_back(p.vonMises);
        sxxAtPoints.values.push_back(s.sxx);
        syyAtPoints.values.push_back(s.syy);
        sxyAtPoints.values.push_back(s.sxy);
        s1.values.push_back(p.s1);
        s2.values.push_back(p.s2);
        angle.values.push_back(p.angle);
    }

    VtuArray vonMises{"vonMises", 1, {}}, sxx{"sxx", 1, {}}, syy{"syy", 1, {}}, sxy{"sxy", 1, {}};
    for (auto* a : {&vonMises, &sxx, &syy, &sxy})
        a->values.reserve(output.elementData.size());
    for (const auto& e : output.elementData)
    {
        vonMises.values.push_back(e.center.stress.vonMises);
        sxx.values.push_back(e.center.stress.sxx);
        syy.values.push_back(e.center.stress.syy);
        sxy.values.push_back(e.center.stress.sxy);
    }

    grid.pointData = {std::move(vonMisesAtPoints),
                      std::move(sxxAtPoints),
                      std::move(syyAtPoints),
                      std::move(sxyAtPoints),
                      std::move(s1),
                      std::move(s2),
                      std::move(angle),
                      std::move(displacement),
                      std::move(reaction)};
    grid.cellData = {std::move(vonMises), std::move(sxx), std::move(syy), std::move(sxy)};
    if (!units.length.empty() || !units.stress.empty() || !units.force.empty())
        grid.fieldData.push_back(
            {"units",
             {"vonMises: " + units.stress, "sxx: " + units.stress, "syy: " + units.stress,
              "sxy: " + units.stress, "s1: " + units.stress, "s2: " + units.stress, "s1Angle: deg",
              "displacement: " + units.length, "reaction: " + units.force}});
    return grid;
}

VtuGrid resultGrid(const cae_core::Solver2dInput& input, const cae_core::Solver2dOutput& output)
{
    return resultGrid(input, output, nodalField(input, output), {});
}
} // namespace cae_app
