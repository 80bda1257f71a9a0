#include "cae_core/fea2d/Simulation.h"

#include "cae_core/mesher2d/TriangularMesh2d.h"
#include "platform/db/DbSubDMesh.h"
#include "platform/ge/GeContext.h"

#include <memory>
#include <type_traits>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

namespace cae_core::fea2d
{

namespace
{

using VertexList = std::vector<std::uint64_t>;

/// Whether the chain of a linear load or support is walked from its start location to its end location.
/// That is what the record's `flipped` flag means when set; unset, the chain runs from the end to the start.
template <class LinearItem> bool walksFromStartToEnd(const LinearItem& item)
{
    return item.flipped;
}

/// The boundary chain of a linear load or support, in the loop's stored direction.
template <class LinearItem> VertexList chainOf(const TriangularMesh2d& mesh, const LinearItem& item)
{
    return walksFromStartToEnd(item)
               ? getVerticesOnBoundaryBetween(mesh, item.startLocation, item.endLocation)
               : getVerticesOnBoundaryBetween(mesh, item.endLocation, item.startLocation);
}

/// `fixed` mirrors input.fixedVertices for look-ups.
void addPointSupport(Solver2dInput& input, std::unordered_set<std::uint64_t>& fixed, std::uint64_t v,
                     const PointSupport& support)
{
    if (fixed.count(v) != 0)
        return;
    if (!support.rolling)
    {
        fixed.insert(v);
        input.fixedVertices.push_back(v);
        input.rollingVertices.erase(v);
        return;
    }
    const auto it = input.rollingVertices.find(v);
    if (it == input.rollingVertices.end())
        input.rollingVertices.emplace(v, support.direction);
    else if (!it->second.isParallelTo(support.direction, OdGeContext::gTol))
    {
        // Two rolling supports in different directions hold the vertex completely.
        input.rollingVertices.erase(it);
        fixed.insert(v);
        input.fixedVertices.push_back(v);
    }
}

/// Fills the mesh, loads and supports of `input`, returning for every load or support, in order, the
/// vertices it acts on.
std::vector<VertexList> fillLoadsAndSupports(const Params2d& params, Solver2dInput& input)
{
    std::vector<VertexList> vertexLists(params.loadsAndSupports.size());
    if (params.mesh.isNull())
        return vertexLists;
    int vertexCount = 0;
    if (params.mesh->numOfVertices(vertexCount) != OdResult::eOk || vertexCount == 0)
        return vertexLists;

    input.mesh = getTriangularMesh2d(*params.mesh);
    const TriangularMesh2d& mesh = input.mesh;
    std::unordered_set<std::uint64_t> fixed;
    for (std::size_t i = 0; i < params.loadsAndSupports.size(); ++i)
    {
        VertexList& vertices = vertexLists[i];
        std::visit(
            [&](const auto& item)
            {
                using T = std::decay_t<decltype(item)>;
                if constexpr (std::is_same_v<T, PointLoad>)
                {
                    const std::uint64_t v = getClosestVertex(mesh, item.location);
                    input.vertexForces[v] += item.magnitude * item.direction;
                    vertices = {v};
                }
                else if constexpr (std::is_same_v<T, LinearLoad>)
                {
                    vertices = chainOf(mesh, item);
                    for (std::size_t k = 1; k < vertices.size(); ++k)
                    {
                        const std::uint64_t a = vertices[k - 1], b = vertices[k];
                        OdGeVector2d direction;
                        if (item.angleRelativeToBoundary)
                            direction = (mesh.vertices[b] - mesh.vertices[a]).normal().rotateBy(item.angle);
                        else
                            direction = -OdGeVector2d(1.0, 0.0).rotateBy(item.angle);
                        input.edgeLoads[{a, b}] += item.magnitude * direction;
                    }
                }
                else if constexpr (std::is_same_v<T, PointSupport>)
                {
                    const std::uint64_t v = getClosestVertex(mesh, item.location);
                    addPointSupport(input, fixed, v, item);
                    vertices = {v};
                }
                else
                {
                    static_assert(std::is_same_v<T, LinearSupport>);
                    vertices = chainOf(mesh, item);
                    auto& edges = item.rolling ? input.rollingEdges : input.fixedEdges;
                    for (std::size_t k = 1; k < vertices.size(); ++k)
                        edges.emplace_back(vertices[k - 1], vertices[k]);
                }
            },
            params.loadsAndSupports[i]);
    }
    return vertexLists;
}

} // namespace

SimulationOutput runSimulation(const Params2d& params, Solver2d::EImpl impl)
{
    SimulationOutput output;
    output.params = params;
    output.result = eOk;

    const std::unique_ptr<Solver2d> solver = Solver2d::create(impl);
    if (!solver)
    {
        output.result = eFailed;
        return output;
    }

    Solver2dInput& input = output.solverInput;
    if (params.elementType == eTriangle6 || params.elementType == eTriangle3)
        input.elementType = params.elementType;
    if (params.mode == ePlanarStress || params.mode == ePlanarStrain)
        input.mode = params.mode;
    input.thickness = params.materialProperties.thickness;
    input.youngsModulus = params.materialProperties.youngsModulus;
    input.poissonRatio = params.materialProperties.poissonRatio;
    input.consistentEdgeLoads = params.consistentEdgeLoads;
    const std::vector<VertexList> vertexLists = fillLoadsAndSupports(params, input);

    output.result = solver->execute(input, output.solverOutput);

    // A failed solve leaves no vertex data of this run to read: the reactions then stay empty.
    if (output.result != eOk)
        return output;
    const std::vector<Solver2dOutput::VertexData>& vertexData = output.solverOutput.vertexData;
    for (std::size_t i = 0; i < params.loadsAndSupports.size(); ++i)
    {
        const LoadOrSupportType type = getLoadOrSupportType(params.loadsAndSupports[i]);
        if (type != ePointSupport && type != eLinearSupport)
            continue;
        for (const std::uint64_t v : vertexLists[i])
            if (v < vertexData.size())
                output.reactionForces[i] += vertexData[v].internalForce - vertexData[v].externalForce;
    }
    return output;
}

} // namespace cae_core::fea2d
