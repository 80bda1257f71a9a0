#include "cae_core/mesher2d/TriangularMesh2d.h"
#include "cae_core/mesher2d/MesherTolerances.h"

#include "platform/db/DbSubDMesh.h"
#include "platform/ge/GeContext.h"

#include <limits>
#include <map>
#include <stdexcept>
#include <unordered_map>
#include <utility>

namespace cae_core
{
namespace
{
/// Number of integers one triangle takes in a sub-division mesh face list (count + 3 indices).
constexpr std::size_t kFaceListIntsPerTriangle = 4;

using Index = std::uint64_t;

struct DirectedEdge
{
    Index start;
    Index end;
};

/// Orders edges as unordered vertex pairs: (a, b) and (b, a) are the same key.
struct UnorderedEdgeLess
{
    bool operator()(const DirectedEdge& l, const DirectedEdge& r) const
    {
        const auto lk = std::minmax(l.start, l.end);
        const auto rk = std::minmax(r.start, r.end);
        return lk < rk;
    }
};

void orientCounterClockwise(const std::vector<OdGePoint2d>& vertices, std::array<Index, 3>& t)
{
    const OdGePoint2d& a = vertices[t[0]];
    const OdGePoint2d& b = vertices[t[1]];
    const OdGePoint2d& c = vertices[t[2]];
    const double cross = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
    // Degenerate (zero) and undefined (NaN) areas are swapped as well.
    if (!(cross > 0.0))
        std::swap(t[1], t[2]);
}

/// Closed boundary loops of counter-clockwise triangles: each boundary edge (used by one
/// triangle only) is followed to the boundary edge that starts where it ends.
std::vector<std::vector<Index>> traceBoundaries(const std::vector<std::array<Index, 3>>& triangles,
                                                std::size_t vertexCount)
{
    std::map<DirectedEdge, int, UnorderedEdgeLess> edgeUse;
    for (const auto& t : triangles)
        for (int k = 0; k < 3; ++k)
            ++edgeUse.try_emplace(DirectedEdge{t[k], t[(k + 1) % 3]}, 0).first->second;

    // The work list, in ascending key order. Edges leave it by being flagged, which keeps the
    // order of the remaining ones and makes "the last remaining edge" a downward scan.
    std::vector<DirectedEdge> work;
    std::unordered_map<Index, std::size_t> edgeStartingAt;
    for (const auto& [edge, count] : edgeUse)
        if (count < 2)
        {
            // Where two boundary edges start at one vertex the first one stays.
            edgeStartingAt.try_emplace(edge.start, work.size());
            work.push_back(edge);
        }
    std::vector<bool> removed(work.size(), false);
    std::size_t remaining = work.size();
    std::size_t last = work.size();

    std::vector<std::vector<Index>> loops;
    std::size_t emitted = 0;
    while (remaining > 0 && emitted < vertexCount)
    {
        while (removed[last - 1])
            --last;
        std::size_t current = last - 1;
        std::vector<Index> loop;
        for (;;)
        {
            loop.push_back(work[current].start);
            ++emitted;
            if (!removed[current])
            {
                removed[current] = true;
                --remaining;
            }
            const auto next = edgeStartingAt.find(work[current].end);
            if (next == edgeStartingAt.end())
                throw std::out_of_range("invalid unordered_map<K, T> key");
            current = next->second;
            if (work[current].start == loop.front() || emitted == vertexCount)
                break;
        }
        loops.push_back(std::move(loop));
    }
    return loops;
}

bool coincide(const OdGePoint2d& a, const OdGePoint2d& b)
{
    const double t = OdGeContext::gTol.equalPoint();
    return (a - b).isZeroLength(OdGeTol(t, t));
}
} // namespace

TriangularMesh2d getTriangularMesh2d(const OdDbSubDMesh& mesh)
{
    OdGePoint3dArray vertexArray;
    OdInt32Array faceArray;
    mesh.getVertices(vertexArray);
    mesh.getFaceArray(faceArray);

    std::vector<OdGePoint2d> vertices;
    std::vector<std::array<Index, 3>> triangles;
    vertices.reserve(vertexArray.size());
    triangles.reserve(faceArray.size() / kFaceListIntsPerTriangle);

    for (const OdGePoint3d& p : vertexArray)
        vertices.emplace_back(p.x, p.y);

    for (OdInt32Array::size_type i = 0; i < faceArray.size(); i += kFaceListIntsPerTriangle)
    {
        if (faceArray[i] != 3)
            return {};
        triangles.push_back({static_cast<Index>(faceArray[i + 1]), static_cast<Index>(faceArray[i + 2]),
                             static_cast<Index>(faceArray[i + 3])});
    }

    for (auto& t : triangles)
        orientCounterClockwise(vertices, t);

    TriangularMesh2d result;
    result.boundaries = traceBoundaries(triangles, vertices.size());
    result.vertices = std::move(vertices);
    result.triangles = std::move(triangles);
    return result;
}

std::uint64_t getClosestVertex(const TriangularMesh2d& mesh, const OdGePoint2d& point)
{
    Index best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (Index i = 0; i < mesh.vertices.size(); ++i)
    {
        const double d = (mesh.vertices[i] - point).lengthSqrd();
        if (d >= -kClosestVertexSquaredTolerance && d <= kClosestVertexSquaredTolerance)
            return i;
        if (d < bestDistance)
        {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

std::vector<std::uint64_t> getVerticesOnBoundaryBetween(const TriangularMesh2d& mesh, const OdGePoint2d& from,
                                                        const OdGePoint2d& to)
{
    for (const auto& loop : mesh.boundaries)
    {
        std::size_t start = 0;
        while (start < loop.size() && !coincide(mesh.vertices.at(loop[start]), from))
            ++start;
        if (start == loop.size())
            continue;

        if (coincide(from, to))
            return loop;

        std::vector<Index> chain;
        for (std::size_t k = 0; k < loop.size(); ++k)
        {
            const Index v = loop[(start + k) % loop.size()];
            chain.push_back(v);
            if (k > 0 && coincide(mesh.vertices.at(v), to))
                return chain;
        }
        return {};
    }
    return {};
}
} // namespace cae_core
