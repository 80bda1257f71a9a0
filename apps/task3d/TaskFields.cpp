#include "apps/task3d/TaskFields.h"

#include "apps/task3d/Task3dTolerances.h"

#include <algorithm>
#include <limits>

namespace cae_app
{
namespace
{
/// The corners (0-3) of the tetrahedron edges that MeshTetra::midVertices follow.
constexpr int kEdgeCorners[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
} // namespace

std::vector<std::optional<cae_core::SolidStress>> vertexStresses(const cae_core::Mesh& mesh,
                                                                 const cae_core::TaskOutput& output)
{
    std::vector<std::optional<cae_core::SolidStress>> stresses(mesh.nbVertices());
    if (output.stresses.empty())
        return stresses;
    for (std::uint64_t i = 0; i < mesh.nbVertices(); ++i)
        if (const auto found = output.stresses.find(mesh.vertex(i)->id()); found != output.stresses.end())
            stresses[i] = found->second;
    if (mesh.order() != 2)
        return stresses;
    for (std::uint64_t t = 0; t < mesh.nbTetra(); ++t)
    {
        const auto& tetra = *mesh.tetra(t);
        for (int e = 0; e < 6; ++e)
        {
            const std::uint64_t mid = tetra.midVertices[static_cast<std::size_t>(e)];
            const auto a = tetra.vertices[static_cast<std::size_t>(kEdgeCorners[e][0])];
            const auto b = tetra.vertices[static_cast<std::size_t>(kEdgeCorners[e][1])];
            if (mid < stresses.size() && a < stresses.size() && b < stresses.size() && stresses[a] &&
                stresses[b])
            {
                cae_core::SolidStress s = *stresses[a];
                s += *stresses[b];
                stresses[mid] = 0.5 * s;
            }
        }
    }
    return stresses;
}

void takeMeansAtMidVertices(const cae_core::Mesh& mesh, std::vector<double>& values)
{
    if (mesh.order() != 2)
        return;
    for (std::uint64_t t = 0; t < mesh.nbTetra(); ++t)
    {
        const auto& tetra = *mesh.tetra(t);
        for (std::size_t e = 0; e < 6; ++e)
        {
            const std::uint64_t mid = tetra.midVertices[e];
            const auto a = tetra.vertices[static_cast<std::size_t>(kEdgeCorners[e][0])];
            const auto b = tetra.vertices[static_cast<std::size_t>(kEdgeCorners[e][1])];
            if (mid < values.size() && a < values.size() && b < values.size())
                values[mid] = 0.5 * (values[a] + values[b]);
        }
    }
}

std::optional<double> stressValue(const cae_core::SolidStress& s, CommandLine::Color color)
{
    using C = CommandLine::Color;
    switch (color)
    {
    case C::eS1:
        return s.principal()[0];
    case C::eS3:
        return s.principal()[2];
    case C::eSxx:
        return s.xx;
    case C::eSyy:
        return s.yy;
    case C::eSzz:
        return s.zz;
    case C::eSxy:
        return s.xy;
    case C::eSyz:
        return s.yz;
    case C::eSzx:
        return s.zx;
    case C::eVonMises:
    case C::eDisplacement:
    case C::eSafety:
        break;
    }
    return std::nullopt;
}

std::optional<PointFields> fieldsAt(const cae_core::Mesh& mesh, const cae_core::TaskOutput& output,
                                    const std::vector<std::optional<cae_core::SolidStress>>& stresses,
                                    const OdGePoint3d& point)
{
    const std::uint64_t vertices = mesh.nbVertices();
    std::optional<std::uint64_t> best;
    std::array<double, 4> bestWeights{};
    double deepest = -kBarycentricTolerance;
    for (std::uint64_t t = 0; t < mesh.nbTetra(); ++t)
    {
        const auto& corners = mesh.tetra(t)->vertices;
        if (std::any_of(corners.begin(), corners.end(), [&](std::uint64_t v) { return v >= vertices; }))
            continue;
        const OdGePoint3d& p0 = mesh.vertex(corners[0])->point;
        const OdGeVector3d a = mesh.vertex(corners[1])->point - p0, b = mesh.vertex(corners[2])->point - p0,
                           c = mesh.vertex(corners[3])->point - p0, d = point - p0;
        const double volume = a.dotProduct(b.crossProduct(c));
        if (volume == 0.0)
            continue;
        std::array<double, 4> w{0.0, d.dotProduct(b.crossProduct(c)) / volume,
                                a.dotProduct(d.crossProduct(c)) / volume,
                                a.dotProduct(b.crossProduct(d)) / volume};
        w[0] = 1.0 - w[1] - w[2] - w[3];
        const double depth = *std::min_element(w.begin(), w.end());
        if (depth >= deepest)
        {
            deepest = depth;
            best = t;
            bestWeights = w;
        }
    }
    if (!best)
        return std::nullopt;
    const auto& tetra = *mesh.tetra(*best);
    const auto displacementOf = [&](std::uint64_t v) -> std::optional<OdGeVector3d>
    {
        if (v >= vertices)
            return std::nullopt;
        const auto found = output.vertexData.find(mesh.vertex(v)->id());
        if (found == output.vertexData.end())
            return std::nullopt;
        return found->second.displacement;
    };
    PointFields fields;
    fields.tetra = *best;
    const bool quadratic = mesh.order() == 2;
    for (std::size_t k = 0; k < 4; ++k)
    {
        const std::uint64_t v = tetra.vertices[k];
        const auto u = displacementOf(v);
        if (!u || !stresses[v])
            return std::nullopt;
        const double l = bestWeights[k];
        // Ten-node corner functions l (2 l - 1); four-node ones l.
        fields.displacement += (quadratic ? l * (2.0 * l - 1.0) : l) * *u;
        fields.stress += l * *stresses[v];
    }
    if (quadratic)
        for (std::size_t e = 0; e < 6; ++e)
        {
            const auto u = displacementOf(tetra.midVertices[e]);
            if (!u)
                return std::nullopt;
            fields.displacement += 4.0 * bestWeights[static_cast<std::size_t>(kEdgeCorners[e][0])] *
                                   bestWeights[static_cast<std::size_t>(kEdgeCorners[e][1])] * *u;
        }
    return fields;
}
} // namespace cae_app
