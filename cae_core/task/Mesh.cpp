#include "cae_core/task/Mesh.h"

#include "cae_core/task/Factory.h"
#include "host/ut/Assert.h"
#include "platform/base/OdError.h"

#include <boost/container_hash/hash.hpp>

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace cae_core
{
namespace
{
constexpr const char* kSource = "cae_core/cae_api_mesh";

template <class T> const std::shared_ptr<T>& at(const OdArray<std::shared_ptr<T>>& list, std::uint64_t i)
{
    if (i >= list.size())
        throw OdError_InvalidIndex();
    return list[static_cast<unsigned>(i)];
}

template <class T>
OdArray<std::uint64_t> findOn(const OdArray<std::shared_ptr<T>>& list, const OdDbSubentId& id)
{
    OdArray<std::uint64_t> found;
    for (unsigned i = 0; i < list.size(); ++i)
        if (list[i] && list[i]->subentId == id)
            found.append(i);
    return found;
}

/// An unordered pair or triple of vertex positions as one sortable key.
struct VertexKey
{
    std::array<std::int64_t, 3> v{-1, -1, -1};

    template <class It> static VertexKey of(It first, It last)
    {
        VertexKey key;
        std::size_t n = 0;
        for (It it = first; it != last && n < 3; ++it)
            key.v[n++] = static_cast<std::int64_t>(*it);
        // Two or three values: a fixed exchange sequence orders them.
        const auto order = [&key](std::size_t i, std::size_t j)
        {
            if (key.v[j] < key.v[i])
                std::swap(key.v[i], key.v[j]);
        };
        order(0, 1);
        if (n == 3)
        {
            order(1, 2);
            order(0, 1);
        }
        return key;
    }
    friend bool operator==(const VertexKey&, const VertexKey&) = default;
};

struct VertexKeyHash
{
    std::size_t operator()(const VertexKey& k) const noexcept
    {
        return boost::hash_range(k.v.begin(), k.v.end());
    }
};
} // namespace

Mesh::Mesh(Task* task) : MeshElement(task), m_units(task ? task->modelingLinearUnits() : eNoUnits) {}

const std::shared_ptr<MeshVertex>& Mesh::vertex(std::uint64_t i) const
{
    return at(m_vertices, i);
}
const std::shared_ptr<MeshEdge>& Mesh::edge(std::uint64_t i) const
{
    return at(m_edges, i);
}
const std::shared_ptr<MeshTriangle>& Mesh::triangle(std::uint64_t i) const
{
    return at(m_triangles, i);
}
const std::shared_ptr<MeshTetra>& Mesh::tetra(std::uint64_t i) const
{
    return at(m_tetras, i);
}

std::uint64_t Mesh::addVertex(const OdGePoint3d& point, const OdDbSubentId& subentId)
{
    Task* task = parentTask();
    if (!task)
        throw eInvalidArgument;
    const double scale = getLinearScale(task->documentLinearUnits(), task->modelingLinearUnits());
    auto vertex = Factory::instance().createMeshVertex(task);
    vertex->point = OdGePoint3d(point.x * scale, point.y * scale, point.z * scale);
    vertex->subentId = subentId;
    return m_vertices.append(vertex);
}

std::uint64_t Mesh::addEdge(const std::array<std::uint64_t, 2>& vertices, const OdDbSubentId& subentId)
{
    auto edge = Factory::instance().createMeshEdge(parentTask());
    edge->vertices = vertices;
    edge->subentId = subentId;
    return m_edges.append(edge);
}

std::uint64_t Mesh::addTriangle(const std::array<std::uint64_t, 3>& vertices, const OdDbSubentId& subentId)
{
    auto triangle = Factory::instance().createMeshTriangle(parentTask());
    triangle->vertices = vertices;
    triangle->subentId = subentId;
    return m_triangles.append(triangle);
}

std::uint64_t Mesh::addTetra(const std::array<std::uint64_t, 4>& vertices)
{
    auto tetra = Factory::instance().createMeshTetra(parentTask());
    tetra->vertices = vertices;
    return m_tetras.append(tetra);
}

std::uint64_t Mesh::addEdge(const std::array<std::uint64_t, 2>& vertices, std::uint64_t midVertex,
                            const OdDbSubentId& subentId)
{
    const std::uint64_t i = addEdge(vertices, subentId);
    m_edges[static_cast<unsigned>(i)]->midVertex = midVertex;
    return i;
}

std::uint64_t Mesh::addTriangle(const std::array<std::uint64_t, 3>& vertices,
                                const std::array<std::uint64_t, 3>& midVertices, const OdDbSubentId& subentId)
{
    const std::uint64_t i = addTriangle(vertices, subentId);
    m_triangles[static_cast<unsigned>(i)]->midVertices = midVertices;
    return i;
}

std::uint64_t Mesh::addTetra(const std::array<std::uint64_t, 4>& vertices,
                             const std::array<std::uint64_t, 6>& midVertices)
{
    const std::uint64_t i = addTetra(vertices);
    m_tetras[static_cast<unsigned>(i)]->midVertices = midVertices;
    return i;
}

OdArray<std::uint64_t> Mesh::findEdges(const OdDbSubentId& subentId) const
{
    return findOn(m_edges, subentId);
}

OdArray<std::uint64_t> Mesh::findTriangles(const OdDbSubentId& subentId) const
{
    return findOn(m_triangles, subentId);
}

OdArray<Mesh::FindResult> Mesh::findTetras(const OdArray<std::uint64_t>& vertexIndices) const
{
    const std::unordered_set<std::uint64_t> wanted(vertexIndices.begin(), vertexIndices.end());
    OdArray<FindResult> found;
    for (unsigned i = 0; i < m_tetras.size(); ++i)
    {
        const auto& t = m_tetras[i];
        if (!t)
        {
            ut::callAssert("0", nullptr, kSource, 193);
            continue;
        }
        int inside = 0;
        std::uint64_t outside = 0;
        for (const std::uint64_t v : t->vertices)
        {
            if (wanted.count(v))
                ++inside;
            else
                outside = v;
        }
        if (inside == 3)
            found.append(FindResult{i, outside});
    }
    return found;
}

EResult Mesh::createDbMesh(bool useTetras, bool colorSubentities, OdSmartPtr<OdDbSubDMesh>& dbMesh)
{
    dbMesh = OdDbSubDMesh::createObject();
    return applyDbMesh(useTetras, colorSubentities, dbMesh);
}

namespace
{
using VertexKeys = std::unordered_set<VertexKey, VertexKeyHash>;

/// Gives `colorIndex` to the drawing mesh's subentities of `type` whose vertices form one of `keys`;
/// `items[k]` holds the vertices of the drawing's k-th subentity of that type. The assertion lines are the
/// ones the host's log names for a failed path look-up and a failed colouring.
EResult colorMatchingSubentities(OdDbSubDMesh& dbMesh, const VertexKeys& keys,
                                 const std::vector<VertexKey>& items, OdDb::SubentType type,
                                 std::uint16_t colorIndex, int pathAssertLine, int colorAssertLine)
{
    std::vector<OdDbSubentId> colored;
    for (std::size_t k = 0; k < items.size(); ++k)
    {
        if (!keys.count(items[k]))
            continue;
        OdDbFullSubentPathArray paths;
        if (dbMesh.getSubentPath(static_cast<OdGsMarker>(k), type, paths) != ::eOk || paths.isEmpty())
        {
            ut::callAssert("0", nullptr, kSource, pathAssertLine);
            return eDatabaseError;
        }
        colored.push_back(paths[0].subentId());
    }
    OdCmColor color;
    color.setColorIndex(colorIndex);
    for (const auto& id : colored)
    {
        if (dbMesh.setSubentColor(id, color) != ::eOk)
        {
            ut::callAssert("0", nullptr, kSource, colorAssertLine);
            return eDatabaseError;
        }
    }
    return eOk;
}
} // namespace

EResult Mesh::applyDbMesh(bool useTetras, bool colorSubentities, OdSmartPtr<OdDbSubDMesh>& dbMesh) const
{
    Task* task = parentTask();
    if (!task || dbMesh.isNull())
        return eInvalidArgument;
    const EResult shaped = setDbMeshShape(useTetras, *dbMesh);
    if (shaped != eOk || !colorSubentities)
        return shaped;
    return colorDbMeshSubentities(*dbMesh);
}

EResult Mesh::setDbMeshShape(bool useTetras, OdDbSubDMesh& dbMesh) const
{
    const double scale =
        getLinearScale(parentTask()->modelingLinearUnits(), parentTask()->documentLinearUnits());
    OdGePoint3dArray points(m_vertices.size());
    for (const auto& v : m_vertices)
    {
        if (!v)
            return eInvalidArgument;
        points.append(OdGePoint3d(v->point.x * scale, v->point.y * scale, v->point.z * scale));
    }

    OdInt32Array faces(useTetras ? m_tetras.size() * 16 : m_triangles.size() * 4);
    const auto addFace = [&faces](std::uint64_t a, std::uint64_t b, std::uint64_t c)
    {
        faces.append(3);
        faces.append(static_cast<int>(a));
        faces.append(static_cast<int>(b));
        faces.append(static_cast<int>(c));
    };
    if (useTetras)
    {
        for (const auto& t : m_tetras)
        {
            if (!t)
                return eInvalidArgument;
            const auto& [a, b, c, d] = t->vertices;
            addFace(a, b, c);
            addFace(b, c, d);
            addFace(c, d, a);
            addFace(d, a, b);
        }
    }
    else
    {
        for (const auto& t : m_triangles)
        {
            if (!t)
                return eInvalidArgument;
            addFace(t->vertices[0], t->vertices[1], t->vertices[2]);
        }
    }
    return dbMesh.setSubDMesh(points, faces, 0) == ::eOk ? eOk : eDatabaseError;
}

EResult Mesh::colorDbMeshSubentities(OdDbSubDMesh& dbMesh) const
{
    // Solid edges: the drawing mesh's edges whose ends are those of a mesh edge generated on one.
    VertexKeys edgeKeys;
    for (const auto& e : m_edges)
    {
        if (!e)
            return eInvalidArgument;
        if (e->subentId.type() == OdDb::kEdgeSubentType)
            edgeKeys.insert(VertexKey::of(e->vertices.begin(), e->vertices.end()));
    }
    OdInt32Array drawingEdges;
    dbMesh.getEdgeArray(drawingEdges);
    std::vector<VertexKey> edges;
    for (unsigned i = 0; i + 1 < drawingEdges.size(); i += 2)
    {
        const std::array<std::int64_t, 2> ends{drawingEdges[i], drawingEdges[i + 1]};
        edges.push_back(VertexKey::of(ends.begin(), ends.end()));
    }
    const EResult edgesColored =
        colorMatchingSubentities(dbMesh, edgeKeys, edges, OdDb::kEdgeSubentType, 5, 350, 362);
    if (edgesColored != eOk)
        return edgesColored;

    // Solid faces: the drawing mesh's triangles with the corners of a mesh triangle generated on one.
    VertexKeys faceKeys;
    for (const auto& t : m_triangles)
    {
        if (!t)
            return eInvalidArgument;
        if (t->subentId.type() == OdDb::kFaceSubentType)
            faceKeys.insert(VertexKey::of(t->vertices.begin(), t->vertices.end()));
    }
    OdInt32Array drawingFaces;
    dbMesh.getFaceArray(drawingFaces);
    std::vector<VertexKey> faces;
    for (unsigned i = 0; i < drawingFaces.size(); i += 4)
    {
        if (drawingFaces[i] != 3 || i + 3 >= drawingFaces.size())
        {
            ut::callAssert("0", nullptr, kSource, 393);
            return eFailed;
        }
        const std::array<std::int64_t, 3> corners{drawingFaces[i + 1], drawingFaces[i + 2],
                                                  drawingFaces[i + 3]};
        faces.push_back(VertexKey::of(corners.begin(), corners.end()));
    }
    return colorMatchingSubentities(dbMesh, faceKeys, faces, OdDb::kFaceSubentType, 3, 404, 416);
}

EResult Mesh::shareTopology(Mesh* other) const
{
    if (!other)
        return eInvalidArgument;
    other->m_edges = m_edges;
    other->m_triangles = m_triangles;
    other->m_tetras = m_tetras;
    other->m_order = m_order;
    return eOk;
}

std::unique_ptr<TetraMeshGenerator> TetraMeshGenerator::s_generator = std::make_unique<TetraMeshGenerator>();

EResult TetraMeshGenerator::generate(ut::IReporter&, const OdDbObjectId&, Task*, Entity*, MeshingParameters&,
                                     std::shared_ptr<Mesh>&) const
{
    return eNotPossible;
}

const TetraMeshGenerator& TetraMeshGenerator::get()
{
    return *s_generator;
}

bool TetraMeshGenerator::init(std::unique_ptr<TetraMeshGenerator> generator)
{
    if (!generator)
        return false;
    s_generator = std::move(generator);
    return true;
}
} // namespace cae_core
