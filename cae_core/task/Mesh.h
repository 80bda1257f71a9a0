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

/// A boundary segment: two vertex positions.
class MeshEdge : public MeshElement
{
public:
    explicit MeshEdge(Task* task) : MeshElement(task) {}

    std::array<std::uint64_t, 2> vertices{};
};

/// A boundary triangle: three vertex positions.
class MeshTriangle : public MeshElement
{
public:
    explicit MeshTriangle(Task* task) : MeshElement(task) {}

    std::array<std::uint64_t, 3> vertices{};
};

/// A linear tetrahedron: four vertex positions; it lies on no sub-entity.
class MeshTetra : public MeshElement
{
public:
    explicit MeshTetra(Task* task) : MeshElement(task) {}

    std::array<std::uint64_t, 4> vertices{};
};

/// The tetrahedral mesh of a task's solid. Element lists are copy-on-write arrays, and elements
/// refer to vertices by position in the vertex list (not by id). Points are stored in the task's
/// modelling length unit (metre or inch) and converted from and to the drawing's unit on the way
/// in (addVertex) and out (applyDbMesh).
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

    EUnits m_units = eNoUnits;
    OdArray<std::shared_ptr<MeshVertex>> m_vertices;
    OdArray<std::shared_ptr<MeshEdge>> m_edges;
    OdArray<std::shared_ptr<MeshTriangle>> m_triangles;
    OdArray<std::shared_ptr<MeshTetra>> m_tetras;
    MeshingParameters m_meshingParameters;
};

class Entity;

/// Makes the tetrahedral mesh of a solid. The module holds one generator, which the host replaces
/// with its own; the module's own does nothing and answers eNotPossible.
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
