#include "host/solid/GmshMeshing.h"

#include "host/solid/GmshSession.h"

#include <gmsh.h>

#include <cstdint>
#include <stdexcept>

namespace solid
{
namespace
{
// Gmsh's element type numbers of linear segments, triangles and tetrahedra.
constexpr int kLine = 1;
constexpr int kTriangle = 2;
constexpr int kTetrahedron = 4;

void applyOptions(const GmshMeshOptions& o)
{
    using gmsh::option::setNumber;
    setNumber("Mesh.ElementOrder", 1);
    setNumber("Mesh.Algorithm3D", 1);
    setNumber("Mesh.MeshSizeMin", o.sizeMin);
    setNumber("Mesh.MeshSizeMax", o.sizeMax);
    setNumber("Mesh.MeshSizeFromCurvature", o.elementsPerTwoPi);
    setNumber("Mesh.Optimize", o.optimize);
    setNumber("Mesh.OptimizeNetgen", o.optimizeNetgen ? 1 : 0);
    setNumber("General.NumThreads", o.threads);
}

void readMesh(GmshSolidMesh& out)
{
    namespace mesh = gmsh::model::mesh;
    GmshSolidMesh result;
    std::vector<std::size_t> index; // Gmsh node tag -> position in result.nodes
    std::vector<std::size_t> tags;
    std::vector<double> coords, parametric;
    for (int dim = 0; dim <= 3; ++dim)
    {
        gmsh::vectorpair entities;
        gmsh::model::getEntities(entities, dim);
        for (const auto& [d, tag] : entities)
        {
            tags.clear();
            coords.clear();
            mesh::getNodes(tags, coords, parametric, d, tag, false, false);
            for (std::size_t i = 0; i < tags.size(); ++i)
            {
                if (tags[i] >= index.size())
                    index.resize(tags[i] + 1, SIZE_MAX);
                index[tags[i]] = result.nodes.size();
                result.nodes.push_back({OdGePoint3d(coords[3 * i], coords[3 * i + 1], coords[3 * i + 2]), d, tag});
            }
        }
    }
    const auto position = [&index](std::size_t tag) {
        if (tag >= index.size() || index[tag] == SIZE_MAX)
            throw std::runtime_error("an element refers to a node that is not in the mesh");
        return index[tag];
    };
    std::vector<std::size_t> elementTags, nodeTags;
    for (int dim = 1; dim <= 2; ++dim)
    {
        gmsh::vectorpair entities;
        gmsh::model::getEntities(entities, dim);
        for (const auto& [d, tag] : entities)
        {
            // Gmsh fills caller-sized arrays only when they start empty.
            elementTags.clear();
            nodeTags.clear();
            mesh::getElementsByType(d == 1 ? kLine : kTriangle, elementTags, nodeTags, tag);
            for (std::size_t e = 0; e < elementTags.size(); ++e)
            {
                if (d == 1)
                    result.edges.push_back({{position(nodeTags[2 * e]), position(nodeTags[2 * e + 1])}, tag});
                else
                    result.triangles.push_back({{position(nodeTags[3 * e]), position(nodeTags[3 * e + 1]),
                                                 position(nodeTags[3 * e + 2])},
                                                tag});
            }
        }
    }
    elementTags.clear();
    nodeTags.clear();
    mesh::getElementsByType(kTetrahedron, elementTags, nodeTags, -1);
    result.tetras.reserve(elementTags.size());
    for (std::size_t e = 0; e < elementTags.size(); ++e)
        result.tetras.push_back({position(nodeTags[4 * e]), position(nodeTags[4 * e + 1]),
                                 position(nodeTags[4 * e + 2]), position(nodeTags[4 * e + 3])});
    if (result.tetras.empty())
        throw std::runtime_error("Gmsh produced no tetrahedra");
    out = std::move(result);
}
} // namespace

bool meshBody(const GmshBody& body, const GmshMeshOptions& options, GmshSolidMesh& mesh, std::string& error,
              const std::function<void(int)>& stage)
{
    GmshSession session(body.modelName());
    const auto tell = [&stage](int done) {
        if (stage)
            stage(done);
    };
    bool ok = false;
    try
    {
        gmsh::model::mesh::clear();
        applyOptions(options);
        gmsh::model::mesh::generate(2);
        if (session.failed())
            throw std::runtime_error("");
        tell(1);
        gmsh::model::mesh::generate(3);
        if (session.failed())
            throw std::runtime_error("");
        tell(2);
        readMesh(mesh);
        tell(3);
        ok = true;
    }
    catch (const std::exception& e)
    {
        error = session.failureMessage(&e);
    }
    catch (...)
    {
        error = session.failureMessage();
    }
    try
    {
        gmsh::model::mesh::clear();
    }
    catch (...)
    {
    }
    return ok;
}
} // namespace solid
