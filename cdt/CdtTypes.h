#pragma once

// Small value types of the constrained Delaunay triangulation: points, indices with named sentinels,
// triangles with their local numbering, and constraint edges.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <unordered_set>

namespace CDT
{

/// Index of a vertex in `Triangulation::vertices`.
using VertInd = std::uint32_t;
/// Index of a triangle in `Triangulation::triangles`.
using TriInd = std::uint32_t;
/// Local index (0, 1 or 2) of a vertex, an edge or a neighbour inside one triangle.
using Index = std::uint8_t;

/// "No vertex": an index that never names a vertex.
inline constexpr VertInd noVertex = std::numeric_limits<VertInd>::max();
/// "No neighbour": stored in `Triangle::neighbors` across an edge on the border of the triangulation.
inline constexpr TriInd noNeighbor = std::numeric_limits<TriInd>::max();

/// A point in the plane.
template <typename T> struct V2d
{
    T x{};
    T y{};

    /// Exact coordinate equality: the triangulation treats two points as one vertex only when they are equal.
    friend bool operator==(const V2d& a, const V2d& b) noexcept { return a.x == b.x && a.y == b.y; }
    friend bool operator!=(const V2d& a, const V2d& b) noexcept { return !(a == b); }
};

/// The local index that follows i counter-clockwise: 0 -> 1 -> 2 -> 0.
constexpr Index ccw(Index i) noexcept
{
    return static_cast<Index>((i + 1) % 3);
}

/// The local index that follows i clockwise: 0 -> 2 -> 1 -> 0.
constexpr Index cw(Index i) noexcept
{
    return static_cast<Index>((i + 2) % 3);
}

/// Three vertex indices of a triangle, counter-clockwise.
using VerticesArr3 = std::array<VertInd, 3>;
/// Three neighbour triangle indices of a triangle, one across each edge.
using NeighborsArr3 = std::array<TriInd, 3>;

/// A triangle of the triangulation.
///
/// Local numbering (vertices counter-clockwise; edge i runs from vertices[i] to vertices[ccw(i)];
/// neighbors[i] is the triangle on the other side of edge i, or noNeighbor on the border):
///
///                      v2
///                      /\      n1 across edge 1 (v1 -> v2)
///                     /  \     n2 across edge 2 (v2 -> v0)
///                    /    \    n0 across edge 0 (v0 -> v1)
///               n2  /      \  n1
///                  /________\ .
///                v0    n0    v1
///
/// The neighbour across edge i sees the same edge in the opposite direction (vertices[ccw(i)] ->
/// vertices[i]).
struct Triangle
{
    VerticesArr3 vertices{noVertex, noVertex, noVertex};
    NeighborsArr3 neighbors{noNeighbor, noNeighbor, noNeighbor};

    /// Local index of vertex v, or 3 when the triangle does not have it.
    Index vertexIndex(VertInd v) const noexcept
    {
        return vertices[0] == v   ? Index{0}
               : vertices[1] == v ? Index{1}
               : vertices[2] == v ? Index{2}
                                  : Index{3};
    }
    /// Local index of the edge whose neighbour is t, or 3 when t is not a neighbour.
    Index neighborIndex(TriInd t) const noexcept
    {
        return neighbors[0] == t   ? Index{0}
               : neighbors[1] == t ? Index{1}
               : neighbors[2] == t ? Index{2}
                                   : Index{3};
    }
    bool containsVertex(VertInd v) const noexcept { return vertexIndex(v) != 3; }

    friend bool operator==(const Triangle& a, const Triangle& b) noexcept
    {
        return a.vertices == b.vertices && a.neighbors == b.neighbors;
    }
};

/// An undirected edge between two vertices. The smaller index is always stored first, so that
/// Edge(a, b) == Edge(b, a) and both hash alike.
class Edge
{
public:
    Edge(VertInd a, VertInd b) noexcept : m_v1(a < b ? a : b), m_v2(a < b ? b : a) {}

    /// The smaller vertex index.
    VertInd v1() const noexcept { return m_v1; }
    /// The larger vertex index.
    VertInd v2() const noexcept { return m_v2; }

    friend bool operator==(const Edge& a, const Edge& b) noexcept
    {
        return a.m_v1 == b.m_v1 && a.m_v2 == b.m_v2;
    }
    friend bool operator!=(const Edge& a, const Edge& b) noexcept { return !(a == b); }
    /// Lexicographic order, so that edges can be sorted for comparisons.
    friend bool operator<(const Edge& a, const Edge& b) noexcept
    {
        return a.m_v1 < b.m_v1 || (a.m_v1 == b.m_v1 && a.m_v2 < b.m_v2);
    }

private:
    VertInd m_v1;
    VertInd m_v2;
};

} // namespace CDT

template <> struct std::hash<CDT::Edge>
{
    std::size_t operator()(const CDT::Edge& e) const noexcept
    {
        // Mix both indices into 64 bits so that edges of neighbouring vertices spread over the buckets.
        std::uint64_t key = (static_cast<std::uint64_t>(e.v1()) << 32) | e.v2();
        key ^= key >> 33;
        key *= 0xff51afd7ed558ccdULL;
        key ^= key >> 33;
        return static_cast<std::size_t>(key);
    }
};

namespace CDT
{
/// A set of undirected edges (the constraint edges of a triangulation).
using EdgeUSet = std::unordered_set<Edge>;
} // namespace CDT
