#pragma once

#include "cae_core/meshing_parameters/MeshingParameters.h"
#include "cae_core/task/TaskObjects.h"
#include "platform/db/DbSubDMesh.h"
#include "platform/db/DbSubentId.h"
#include "platform/ge/GePoint3d.h"

#include <array>
#include <cstdint>
#include <memory>

namespace cae_core
{
/// A mesh element: remembers the sub-entity (face, edge or vertex) of the solid it was generated
/// on; a null id when it lies on none.
class MeshElement : public IObject
{
public:
    explicit MeshElement(Task* task) : IObject(task) {}

    OdDbSubentId subentId;
};

/// A mesh vertex, in the task's modelling length unit.
class MeshVertex : public MeshElement
{
public:
    explicit MeshVertex(Task* task) : MeshElement(task) {}

    OdGePoint3d point;
};

/// A boundary segment: two end vertex positions, and on a second-order mesh its mid vertex.
class MeshEdge : public MeshElement
{
public:
    explicit MeshEdge(Task* task) : MeshElement(task) {}

    std::array<std::uint64_t, 2> vertices{};
    std::uint64_t midVertex = 0; ///< meaningful only when the mesh's order() is 2
};

/// A boundary triangle: three corner vertex positions, and on a second-order mesh the mid vertices of
/// its edges (0,1), (1,2), (2,0).
class MeshTriangle : public MeshElement
{
public:
    explicit MeshTriangle(Task* task) : MeshElement(task) {}

    std::array<std::uint64_t, 3> vertices{};
    std::array<std::uint64_t, 3> midVertices{}; ///< meaningful only when the mesh's order() is 2
};

/// A tetrahedron: four corner vertex positions, and on a second-order mesh the mid vertices of its
/// edges (0,1), (1,2), (2,0), (0,3), (1,3), (2,3); it lies on no sub-entity.
class MeshTetra : public MeshElement
{
public:
    explicit MeshTetra(Task* task) : MeshElement(task) {}

    std::array<std::uint64_t, 4> vertices{};
    std::array<std::uint64_t, 6> midVertices{}; ///< meaningful only when the mesh's order() is 2
};

/// The tetrahedral mesh of a task's solid. Element lists are copy-on-write arrays, and elements
/// refer to vertices by position in the vertex list (not by id). Points are stored in the task's
/// modelling length unit (metre or inch) and converted from and to the drawing's unit on the way
/// in (addVertex) and out (applyDbMesh).
///
/// A second-order mesh (order() 2) has a vertex in the middle of every element edge, curved onto the
/// solid's surface where the edge lies on it. Mid vertices are ordinary vertices of the vertex list;
/// `vertices` of every element still hold the corners only, and `midVertices` name the mid vertices
/// edge by edge, in the order the deck's ten-grid tetrahedron takes them:
///
///            3            tetrahedron: mid 0 on (0,1), 1 on (1,2), 2 on (2,0),
///          / | \                       3 on (0,3), 4 on (1,3), 5 on (2,3)
///        m3 m5  m4        triangle:    mid 0 on (0,1), 1 on (1,2), 2 on (2,0)
///       /    |    \       edge:        midVertex between its two ends
///      0 -m2-2-m1- 1      (m0 lies on the edge 0-1, behind)
///
/// Element lookups by vertices (findTetras, the deck's face owners) work on the corners alone.
class Mesh : public MeshElement
{
public:
    /// A tetrahedron owning a searched face and its vertex off that face.
    struct FindResult
    {
        std::uint64_t tetra = 0;
        std::uint64_t oppositeVertex = 0;
    };

    explicit Mesh(Task* task);

    std::uint64_t nbVertices() const { return m_vertices.size(); }
    std::uint64_t nbEdges() const { return m_edges.size(); }
    std::uint64_t nbTriangles() const { return m_triangles.size(); }
    std::uint64_t nbTetra() const { return m_tetras.size(); }

    /// The element at position i; throws OdError_InvalidIndex when i is not below the count.
    const std::shared_ptr<MeshVertex>& vertex(std::uint64_t i) const;
    const std::shared_ptr<MeshEdge>& edge(std::uint64_t i) const;
    const std::shared_ptr<MeshTriangle>& triangle(std::uint64_t i) const;
    const std::shared_ptr<MeshTetra>& tetra(std::uint64_t i) const;

    /// Appends a vertex at `point`, given in the drawing's unit; returns its position. Throws the
    /// EResult eInvalidArgument for a mesh without task.
    std::uint64_t addVertex(const OdGePoint3d& point, const OdDbSubentId& subentId);
    /// Append an element (vertex positions unchecked) and return its position.
    std::uint64_t addEdge(const std::array<std::uint64_t, 2>& vertices, const OdDbSubentId& subentId);
    std::uint64_t addTriangle(const std::array<std::uint64_t, 3>& vertices, const OdDbSubentId& subentId);
    std::uint64_t addTetra(const std::array<std::uint64_t, 4>& vertices);
    /// The same for a second-order mesh, with the mid vertices in the order above.
    std::uint64_t addEdge(const std::array<std::uint64_t, 2>& vertices, std::uint64_t midVertex,
                          const OdDbSubentId& subentId);
    std::uint64_t addTriangle(const std::array<std::uint64_t, 3>& vertices,
                              const std::array<std::uint64_t, 3>& midVertices, const OdDbSubentId& subentId);
    std::uint64_t addTetra(const std::array<std::uint64_t, 4>& vertices,
                           const std::array<std::uint64_t, 6>& midVertices);

    /// 1 for a linear mesh (the default), 2 for a second-order one.
    int order() const { return m_order; }
    /// Values other than 1 and 2 are stored as 1.
    void setOrder(int order) { m_order = order == 2 ? 2 : 1; }

    /// Positions of the elements generated on `subentId` (equal in type, index and class name).
    OdArray<std::uint64_t> findEdges(const OdDbSubentId& subentId) const;
    OdArray<std::uint64_t> findTriangles(const OdDbSubentId& subentId) const;
    /// The tetrahedra with exactly three of their vertices in `vertexIndices`, with the fourth.
    OdArray<FindResult> findTetras(const OdArray<std::uint64_t>& vertexIndices) const;

    /// `dbMesh` becomes a new drawing mesh filled by applyDbMesh.
    EResult createDbMesh(bool useTetras, bool colorSubentities, OdSmartPtr<OdDbSubDMesh>& dbMesh);
    /// Fills a drawing mesh in drawing units with the boundary triangles (or the four faces of every
    /// tetrahedron), optionally colouring the drawing edges on solid edges with colour index 5 and the
    /// faces on solid faces with index 3. eInvalidArgument without task or with an empty element,
    /// eDatabaseError when the drawing mesh refuses data, a path or a colour, eFailed for a drawing
    /// face that is not a triangle.
    EResult applyDbMesh(bool useTetras, bool colorSubentities, OdSmartPtr<OdDbSubDMesh>& dbMesh) const;
    /// Gives `other` this mesh's edges, triangles and tetrahedra (sharing storage); its vertices stay.
    EResult shareTopology(Mesh* other) const;

    const MeshingParameters& meshingParameters() const { return m_meshingParameters; }
    void setMeshingParameters(const MeshingParameters& parameters) { m_meshingParameters = parameters; }
    /// eSI_Meter for an SI task, eEnglish_Inch for an English one, eNoUnits without task.
    EUnits units() const { return m_units; }

private:
    // Displaced copies take their points as they are, already in the modelling unit.
    friend class TaskOutput;

    // The two halves of applyDbMesh: the drawing mesh's shape, then its colours on the solid's own
    // edges and faces.
    EResult setDbMeshShape(bool useTetras, OdDbSubDMesh& dbMesh) const;
    EResult colorDbMeshSubentities(OdDbSubDMesh& dbMesh) const;

    EUnits m_units = eNoUnits;
    int m_order = 1;
    OdArray<std::shared_ptr<MeshVertex>> m_vertices;
    OdArray<std::shared_ptr<MeshEdge>> m_edges;
    OdArray<std::shared_ptr<MeshTriangle>> m_triangles;
    OdArray<std::shared_ptr<MeshTetra>> m_tetras;
    MeshingParameters m_meshingParameters;
};

class Entity;

/// Makes the tetrahedral mesh of a solid. The module holds one generator, which the host replaces
/// with its own; the module's own does nothing and answers eNotPossible.
///
/// Threads: the registered generator is a process-wide value without a lock; the host replaces it while the
/// module loads, and it must not change while any task meshes. generate may run off the command thread.
class TetraMeshGenerator
{
public:
    virtual ~TetraMeshGenerator() = default;

    /// Meshes the solid `solidId` for `entity` of `task` with `parameters` into a new `mesh`.
    virtual EResult generate(ut::IReporter& reporter, const OdDbObjectId& solidId, Task* task, Entity* entity,
                             MeshingParameters& parameters, std::shared_ptr<Mesh>& mesh) const;

    /// The registered generator.
    static const TetraMeshGenerator& get();
    /// Replaces the registered generator; false (and nothing changed) for an empty one.
    static bool init(std::unique_ptr<TetraMeshGenerator> generator);

private:
    static std::unique_ptr<TetraMeshGenerator> s_generator;
};
} // namespace cae_core
