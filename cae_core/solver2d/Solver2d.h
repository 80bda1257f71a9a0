#pragma once

#include "cae_core/core/Result.h"
#include "cae_core/fea2d/Params2d.h"
#include "cae_core/mesher2d/TriangularMesh2d.h"
#include "cae_core/solver2d/Solver2dPointEvaluator.h"
#include "platform/ge/GePoint2d.h"
#include "platform/ge/GeVector2d.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace cae_core
{

/// A discretised plane linear-elastic problem, solver-neutral. Loads and supports are already mapped onto
/// mesh vertices and edges; indices are vertex numbers into `mesh.vertices`. All values are in the drawing's
/// consistent unit system (lengths, forces, stresses), never converted.
struct Solver2dInput
{
    using Edge = std::pair<std::uint64_t, std::uint64_t>;

    fea2d::EElementType elementType = fea2d::EElementType::eTriangle6;
    double thickness = 0.0;
    double youngsModulus = 0.0;
    double poissonRatio = 0.0;
    fea2d::EMode mode = fea2d::EMode::ePlanarStress;
    /// Triangles with counter-clockwise corner indices.
    TriangularMesh2d mesh;
    /// Vertices blocked in both directions.
    std::vector<std::uint64_t> fixedVertices;
    /// Mesh edges whose nodes (ends and, for six-node elements, the mid-side node) are blocked in both
    /// directions.
    std::vector<Edge> fixedEdges;
    /// Mesh edges whose nodes are blocked normal to the edge only.
    std::vector<Edge> rollingEdges;
    /// Vertex -> blocked direction (any length); the vertex slides perpendicular to it.
    std::map<std::uint64_t, OdGeVector2d> rollingVertices;
    /// Vertex -> concentrated force (the sum of all point loads there).
    std::map<std::uint64_t, OdGeVector2d> vertexForces;
    /// Directed edge (first, second) in the walking order of its chain -> load per unit length.
    std::map<Edge, OdGeVector2d> edgeLoads;
    /// Six-node elements: share an edge load 1/6, 2/3, 1/6 among its end, mid-side and end node (the
    /// work-equivalent loads of a quadratic edge) instead of a quarter, a half and a quarter. The
    /// quarters disturb the stresses next to a loaded edge by a sixth of the load or so, however fine
    /// the mesh; off by default.
    bool consistentEdgeLoads = false;
};

/// What a solver run produced. Movable, not copyable: it owns the point evaluator.
struct Solver2dOutput
{
    /// In-plane stress components and their von Mises equivalent, in the pressure unit.
    struct Stress
    {
        double sxx = 0.0;
        double syy = 0.0;
        double sxy = 0.0;
        double vonMises = 0.0;
    };

    struct SamplePoint
    {
        OdGePoint2d position;
        OdGeVector2d displacement;
        Stress stress;
    };

    /// Results at one mesh vertex (corner node).
    struct VertexData
    {
        std::uint64_t index = 0;
        OdGePoint2d position;
        OdGeVector2d displacement;
        /// The applied nodal load.
        OdGeVector2d externalForce;
        /// The vertex's rows of the unconstrained stiffness matrix times the displacements; minus
        /// `externalForce` it is the support reaction (zero up to round-off where nothing supports it).
        OdGeVector2d internalForce;
    };

    /// Results of one triangle; stresses are the element's own, not averaged with its neighbours.
    struct ElementData
    {
        std::uint64_t index = 0;
        /// At the centroid, parameters (1/3, 1/3).
        SamplePoint center;
        /// At the corners, in the triangle's vertex order, parameters (0,0), (1,0), (0,1).
        std::array<SamplePoint, 3> corners;
        std::array<std::uint64_t, 3> vertices{};
    };

    /// One entry per mesh vertex, in vertex order.
    std::vector<VertexData> vertexData;
    /// One entry per triangle, in `mesh.triangles` order.
    std::vector<ElementData> elementData;
    /// Null until a solve succeeded.
    std::unique_ptr<Solver2dPointEvaluator> pointEvaluator;
    /// Run time of the solver in milliseconds, as the host's stopwatch measures it.
    double time = 0.0;
};

/// A 2D linear-elastic solver. Implementations are chosen by `EImpl` and live on the SDK's heap.
///
/// Threads: the eNastran provider is a process-wide value without a lock, installed while the module loads
/// and not changed while commands run. execute may run off the command thread; a solver object serves one
/// thread at a time, and the input must not change while it runs.
class Solver2d
{
public:
    enum EImpl : std::int32_t
    {
        eInHouse = 0,
        eNastran = 1
    };

    Solver2d() = default;
    Solver2d(const Solver2d&) = default;
    Solver2d& operator=(const Solver2d&) = default;
    virtual ~Solver2d() = default;

    /// The solver of `impl`; null when there is no implementation of it (any value other than eInHouse and
    /// eNastran, and eNastran until its provider is installed).
    static std::unique_ptr<Solver2d> create(EImpl impl);

    /// Installs (or, given an empty function, removes) the maker of the eNastran solver, which lives in a
    /// layer above this one; the module installs it at start-up.
    static void initNastranProvider(std::function<std::unique_ptr<Solver2d>()> provider);

    /// Runs `executeImpl` under a stopwatch; `output.time` receives the elapsed milliseconds whatever the
    /// result. On failure the rest of `output` is as it was before the call.
    EResult execute(const Solver2dInput& input, Solver2dOutput& output);

    static void* operator new(std::size_t size);
    static void operator delete(void* p) noexcept;

protected:
    virtual EResult executeImpl(const Solver2dInput& input, Solver2dOutput& output) = 0;
};

} // namespace cae_core
