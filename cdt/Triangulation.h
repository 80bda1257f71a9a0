#pragma once

// Constrained Delaunay triangulation of points in the plane with constraint edges, built incrementally.
//
// Life of a triangulation:
//   1. insertVertices(points)            the first call surrounds the points with a large helper triangle
//                                        (three helper vertices) and triangulates them inside it;
//   2. insertEdges(edges)                constraint edges between inserted points (a boundary, holes);
//   3. insertVertices({p}) ...           further points, one at a time or in batches;
//   4. eraseOuterTrianglesAndHoles()     keeps only the triangles inside the constraint loops and drops the
//                                        helper vertices; no insertion is possible afterwards.
//
// Vertex numbering. Until step 4, `vertices()` holds the three helper vertices at indices 0, 1, 2 and then
// every inserted point in the caller's order, so the point the caller inserted k-th (counting from 0 over all
// calls) is vertices[k + helperVertexCount()]. `triangles` and `fixedEdges` use these `vertices` indices.
// The caller's own numbering ("user" indices, k) is used where the caller names vertices: the edges passed to
// insertEdges and the indices carried by errors. After step 4 both numberings agree.
//
// Coordinates are doubles: the exact predicates are written for them.

#include "cdt/CdtErrors.h"
#include "cdt/CdtTypes.h"

#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

namespace CDT
{

/// Constrained Delaunay triangulation; see the file comment for the life cycle and vertex numbering.
///
/// Geometry is decided by exact predicates only (orientation and in-circle), so collinear, co-circular and
/// grid-aligned inputs, and points exactly on edges, are handled without tolerance and never corrupt the
/// mesh. Every triangle is counter-clockwise; its local numbering is drawn at `Triangle`.
class Triangulation
{

public:
    Triangulation() = default;

    /// All vertices: helper vertices first (until eraseOuterTrianglesAndHoles), then the inserted points in
    /// the caller's order.
    const std::vector<V2d<double>>& vertices() const noexcept { return m_vertices; }
    /// All triangles, counter-clockwise, with neighbour links.
    const std::vector<Triangle>& triangles() const noexcept { return m_triangles; }
    /// The constraint edges, in `vertices()` indices. A constraint that passes exactly through other
    /// vertices is stored as its pieces between consecutive vertices, and so is a constraint later split by a
    /// point inserted exactly on it.
    const EdgeUSet& fixedEdges() const noexcept { return m_fixedEdges; }

    /// Moves vertex v (a `vertices()` index) to p, keeping every triangle and edge: what smoothing a finished
    /// mesh needs. Only on a final triangulation (after eraseOuterTrianglesAndHoles), where no later
    /// insertion relies on the Delaunay property a move may break; throws Error otherwise, or when v is not
    /// a vertex or p is not finite.
    void moveVertex(VertInd v, const V2d<double>& p);

    /// Inserts points; the k-th point gets the next free user index.
    ///
    /// A batch is inserted in a spatially coherent order (not the caller's order); the vertex numbering still
    /// follows the caller's order. Points outside the current helper triangle make the triangulation rebuild
    /// itself around a larger one, which renumbers triangles but never vertices.
    ///
    /// Changes to `triangles` for a single point: the triangle (or the two triangles sharing the edge) that
    /// holds it is rewritten in place, the other new triangles are appended at the end, and Delaunay flips
    /// rewrite pairs of triangles in place. A sweep over `triangles` by index therefore meets the triangles
    /// created during the sweep later in the same sweep.
    ///
    /// Throws (and then leaves the triangulation exactly as it was before the call, for a single point and
    /// for a batch alike):
    /// - DuplicateVertexError when a point coincides exactly with an inserted point or another point of
    ///   the batch;
    /// - Error when a coordinate is not finite or its magnitude exceeds maxCoordinateMagnitude, or when
    ///   called after eraseOuterTrianglesAndHoles.
    void insertVertices(const std::vector<V2d<double>>& newVertices);

    /// Inserts the points of [first, last), reading coordinates with getX(*it) and getY(*it); as above.
    template <typename TVertexIter, typename TGetX, typename TGetY>
    void insertVertices(TVertexIter first, TVertexIter last, TGetX getX, TGetY getY)
    {
        std::vector<V2d<double>> points;
        for (; first != last; ++first)
            points.push_back(
                V2d<double>{static_cast<double>(getX(*first)), static_cast<double>(getY(*first))});
        insertVertices(points);
    }

    /// Makes each edge (user indices) a constraint: the triangulation is changed so that the segment is a
    /// chain of triangle edges that Delaunay flips never cross. An inserted point lying exactly on the
    /// segment splits it into constraint pieces. Edges already present are accepted again without change.
    ///
    /// Throws:
    /// - Error (before anything changes) when an edge names a vertex that was not inserted or joins a
    ///   vertex to itself, or when called after eraseOuterTrianglesAndHoles;
    /// - IntersectingConstraintsError when an edge crosses a constraint edge (from an earlier call or an
    ///   earlier edge of this call) other than at a common vertex. The edges before the offending one
    ///   are then inserted, the offending one and those after it are not, and the triangulation is a
    ///   valid constrained Delaunay triangulation of what was inserted.
    void insertEdges(const std::vector<Edge>& edges);

    /// Removes the triangles outside the outermost constraint loops and inside holes, and the helper
    /// vertices.
    ///
    /// Depth counting: triangles reached from the helper triangle without crossing a constraint edge have
    /// depth 0, crossing one constraint edge adds 1; triangles of odd depth are kept, so nested loops
    /// alternate between region and hole. Afterwards `vertices` holds exactly the inserted points in
    /// insertion order (including any that no kept triangle uses), triangles and fixedEdges refer to them,
    /// and the neighbour across a removed triangle is noNeighbor. Constraint edges that no kept triangle
    /// borders (parts of constraints outside the domain) are dropped from fixedEdges. A second call does
    /// nothing.
    void eraseOuterTrianglesAndHoles();

    /// Number of helper vertices at the front of `vertices`: 3 while the helper triangle exists, else 0.
    VertInd helperVertexCount() const noexcept
    {
        return m_state == State::Open ? helperTriangleVertexCount : 0;
    }

    /// True after eraseOuterTrianglesAndHoles: the triangulation is final and takes no more insertions.
    bool isFinalized() const noexcept { return m_state == State::Erased; }

    /// Largest accepted coordinate magnitude. The exact predicates evaluate products of up to four coordinate
    /// differences; below this bound (with the helper triangle around the points) they cannot overflow.
    static constexpr double maxCoordinateMagnitude = 1e60;

    /// Number of helper vertices of the helper triangle.
    static constexpr VertInd helperTriangleVertexCount = 3;

private:
    enum class State : std::uint8_t
    {
        Empty,  ///< nothing inserted yet
        Open,   ///< helper triangle present; insertions allowed
        Erased, ///< outer triangles and helper vertices removed; final
    };

    /// Where a point was found: inside a triangle, on one of its edges, or on one of its vertices.
    struct Location
    {
        enum class Kind : std::uint8_t
        {
            InTriangle,
            OnEdge,
            OnVertex,
        };
        TriInd triangle = noNeighbor;
        Kind kind = Kind::InTriangle;
        Index index = 0; ///< the local edge (OnEdge) or vertex (OnVertex)
    };

    /// The path of one constraint piece from vertex `start`: either an existing edge to `end`, or the
    /// triangles the open segment start -> end crosses (end is the first vertex on the segment after start,
    /// or its target).
    struct ConstraintPiece
    {
        VertInd end = noVertex;
        std::vector<TriInd> crossedTriangles;             ///< empty when start -> end is already an edge
        std::vector<std::pair<VertInd, VertInd>> crossed; ///< crossed edges (right end, left end)
        std::vector<VertInd> leftChain;  ///< cavity vertices left of start -> end, from start towards end
        std::vector<VertInd> rightChain; ///< cavity vertices right of start -> end, from start towards end
    };

    /// A coarse uniform grid remembering the latest vertex inserted in each cell: a good start for locating a
    /// point that is not near the previous one. A hint only; correctness never depends on it.
    struct LocatorGrid
    {
        double x0 = 0.0;
        double y0 = 0.0;
        double inverseCellSize = 0.0;
        std::uint32_t nx = 0;
        std::uint32_t ny = 0;
        std::vector<VertInd> cells; ///< row-major, noVertex when empty; empty vector = grid not built
    };

    int orient(VertInd a, VertInd b, const V2d<double>& p) const;
    int orient(VertInd a, VertInd b, VertInd c) const;
    int inCircle(VertInd a, VertInd b, VertInd c, VertInd d) const;

    VertInd toUser(VertInd v) const noexcept { return v - helperVertexCount(); }
    Edge toUser(Edge e) const noexcept { return Edge(toUser(e.v1()), toUser(e.v2())); }
    bool isFixed(VertInd a, VertInd b) const
    {
        return !m_fixedEdges.empty() && m_fixedEdges.count(Edge(a, b)) != 0;
    }

    void checkCoordinates(const std::vector<V2d<double>>& points) const;
    void setUpHelperTriangle(double minX, double minY, double maxX, double maxY);
    bool strictlyInsideHelperTriangle(const V2d<double>& p) const;
    void rebuildAround(double minX, double minY, double maxX, double maxY);
    void insertFirstBatch(const std::vector<V2d<double>>& points);
    void insertLaterBatch(const std::vector<V2d<double>>& points);
    void insertSingle(const V2d<double>& p);
    /// Inserts the vertices [first, last) along a space-filling curve in rounds. `callerOrder`, when given,
    /// holds their coordinates in the same order and stays unchanged during the call (saves a copy).
    void insertInSpatialOrder(VertInd first, VertInd last, const V2d<double>* callerOrder = nullptr);
    void insertVertexAt(VertInd v, const Location& loc);

    Location locate(const V2d<double>& p, TriInd start) const;
    TriInd startTriangleNear(const V2d<double>& p);
    void rebuildGrid();
    std::uint32_t gridCell(const V2d<double>& p) const;

    void splitTriangle(TriInd t, VertInd v);
    void splitEdge(TriInd t, Index edge, VertInd v);
    void flip(TriInd t, TriInd o, Index eo);
    void restoreDelaunay(VertInd v);
    void replaceNeighbor(TriInd t, TriInd oldNeighbor, TriInd newNeighbor);
    void prefetchTriangle(TriInd t) const;

    void insertConstraint(VertInd a, VertInd b, Edge userEdge);
    ConstraintPiece traceConstraintPiece(VertInd a, VertInd b) const;
    void retriangulateCavity(VertInd a, const ConstraintPiece& piece);

    std::uint32_t nextRandom() const noexcept;

    std::vector<V2d<double>> m_vertices;
    std::vector<Triangle> m_triangles;
    EdgeUSet m_fixedEdges;
    std::vector<TriInd> m_vertexTriangle; ///< per vertex, one triangle that uses it (noNeighbor if none)
    LocatorGrid m_grid;
    TriInd m_lastTriangle = noNeighbor; ///< triangle of the last inserted vertex: start of the next walk
    std::vector<TriInd>
        m_flipStack; ///< scratch stack of triangles whose edge opposite the new vertex to test
    mutable std::uint32_t m_randomState = 2463534242u; ///< xorshift state of the stochastic walk
    State m_state = State::Empty;
};

} // namespace CDT
