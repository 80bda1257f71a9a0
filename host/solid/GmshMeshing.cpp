#include "host/solid/GmshMeshing.h"

#include "host/solid/GmshSession.h"

#include <gmsh.h>

#include <array>
#include <cstdint>
#include <stdexcept>

namespace solid
{
namespace
{
// Gmsh's element type numbers of linear and quadratic segments, triangles and tetrahedra.
constexpr int kLine = 1;
constexpr int kTriangle = 2;
constexpr int kTetrahedron = 4;
constexpr int kLine3 = 8;
constexpr int kTriangle6 = 9;
constexpr int kTetrahedron10 = 11;
/// Where Gmsh's ten-node tetrahedron keeps the mid node of our edge k. Its edges run (0,1), (1,2),
/// (2,0), (3,0), (3,2), (3,1); ours end with (1,3), (2,3), the order of the deck's grids.
constexpr std::array<std::size_t, 6> kGmshTetraMid = {4, 5, 6, 7, 9, 8};

void readMesh(GmshSolidMesh& out, int order)
{
    namespace mesh = gmsh::model::mesh;
    GmshSolidMesh result;
    result.order = order;
    const bool quadratic = order == 2;
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
                result.nodes.push_back(
                    {OdGePoint3d(coords[3 * i], coords[3 * i + 1], coords[3 * i + 2]), d, tag});
            }
        }
    }
    const auto position = [&index](std::size_t tag)
    {
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
            const std::size_t n = d == 1 ? (quadratic ? 3 : 2) : (quadratic ? 6 : 3);
            mesh::getElementsByType(d == 1 ? (quadratic ? kLine3 : kLine)
                                           : (quadratic ? kTriangle6 : kTriangle),
                                    elementTags, nodeTags, tag);
            for (std::size_t e = 0; e < elementTags.size(); ++e)
            {
                const std::size_t* t = &nodeTags[n * e];
                if (d == 1)
                {
                    result.edges.push_back({{position(t[0]), position(t[1])}, tag});
                    if (quadratic)
                        result.edgeMids.push_back(position(t[2]));
                }
                else
                {
                    result.triangles.push_back({{position(t[0]), position(t[1]), position(t[2])}, tag});
                    if (quadratic)
                        result.triangleMids.push_back({position(t[3]), position(t[4]), position(t[5])});
                }
            }
        }
    }
    elementTags.clear();
    nodeTags.clear();
    const std::size_t n = quadratic ? 10 : 4;
    mesh::getElementsByType(quadratic ? kTetrahedron10 : kTetrahedron, elementTags, nodeTags, -1);
    result.tetras.reserve(elementTags.size());
    for (std::size_t e = 0; e < elementTags.size(); ++e)
    {
        const std::size_t* t = &nodeTags[n * e];
        result.tetras.push_back({position(t[0]), position(t[1]), position(t[2]), position(t[3])});
        if (quadratic)
        {
            std::array<std::size_t, 6> mids{};
            for (std::size_t k = 0; k < 6; ++k)
                mids[k] = position(t[kGmshTetraMid[k]]);
            result.tetraMids.push_back(mids);
        }
    }
    if (result.tetras.empty())
        throw std::runtime_error("Gmsh produced no tetrahedra");
    out = std::move(result);
}
} // namespace

void applyMeshOptions(const GmshMeshOptions& o)
{
    using gmsh::option::setNumber;
    // The order is raised after the volume mesh (setOrder), which places the new nodes on the geometry.
    setNumber("Mesh.ElementOrder", 1);
    setNumber("Mesh.Algorithm3D", 1);
    setNumber("Mesh.MeshSizeMin", o.sizeMin);
    setNumber("Mesh.MeshSizeMax", o.sizeMax);
    setNumber("Mesh.MeshSizeFromCurvature", o.elementsPerTwoPi);
    setNumber("Mesh.Optimize", o.optimize);
    setNumber("Mesh.OptimizeNetgen", o.optimizeNetgen ? 1 : 0);
    setNumber("General.NumThreads", o.threads);
}

double bodyVolume(const GmshBody& body)
{
    GmshSession session(body.modelName());
    try
    {
        gmsh::vectorpair volumes;
        gmsh::model::getEntities(volumes, 3);
        double total = 0.0;
        for (const auto& [dim, tag] : volumes)
        {
            double mass = 0.0;
            gmsh::model::occ::getMass(dim, tag, mass);
            total += mass;
        }
        return session.failed() ? 0.0 : total;
    }
    catch (...)
    {
        return 0.0;
    }
}

bool meshBody(const GmshBody& body, const GmshMeshOptions& options, GmshSolidMesh& mesh, std::string& error,
              const std::function<void(int)>& stage)
{
    GmshSession session(body.modelName());
    const auto tell = [&stage](int done)
    {
        if (stage)
            stage(done);
    };
    bool ok = false;
    try
    {
        gmsh::model::mesh::clear();
        applyMeshOptions(options);
        gmsh::model::mesh::generate(2);
        if (session.failed())
            throw std::runtime_error("");
        tell(1);
        gmsh::model::mesh::generate(3);
        if (session.failed())
            throw std::runtime_error("");
        if (options.order == 2)
        {
            gmsh::model::mesh::setOrder(2);
            if (session.failed())
                throw std::runtime_error("");
        }
        tell(2);
        readMesh(mesh, options.order == 2 ? 2 : 1);
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
