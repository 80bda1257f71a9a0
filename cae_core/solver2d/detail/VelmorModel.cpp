#include "cae_core/solver2d/detail/VelmorModel.h"

#include "host/ut/Assert.h"

#include <boost/container_hash/hash.hpp>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <unordered_map>

namespace cae_core::solver2d::detail
{

namespace
{

using Edge = Solver2dInput::Edge;

[[noreturn]] void throwBadSubscript()
{
    throw std::out_of_range("invalid vector subscript");
}

[[noreturn]] void throwBadKey()
{
    throw std::out_of_range("invalid map<K, T> key");
}

Node& nodeAt(std::vector<Node>& nodes, std::uint64_t index)
{
    if (index >= nodes.size())
        throwBadSubscript();
    return nodes[index];
}

void fix(Node& node)
{
    node.fixed = true;
    node.hasBlockedDirection = false;
    node.blockedDirection = OdGeVector2d();
}

/// The edge vector of (a, b) turned by +90 degrees: the direction a rolling edge blocks.
OdGeVector2d edgeNormal(const Node& a, const Node& b)
{
    return OdGeVector2d(-(b.position.y - a.position.y), b.position.x - a.position.x);
}

/// Mid-side node numbers of the six-node model, keyed by the edge's (smaller, larger) corner pair. Hashed,
/// so that numbering and look-up stay linear in the edge count.
class MidNodes
{
public:
    explicit MidNodes(std::size_t expectedEdges) { m_map.reserve(expectedEdges); }

    /// The mid-side node of edge (a, b), numbered `next` and reported as new when the edge is new.
    std::uint64_t findOrAdd(std::uint64_t a, std::uint64_t b, std::uint64_t next, bool& added)
    {
        const auto [it, inserted] = m_map.try_emplace(key(a, b), next);
        added = inserted;
        return it->second;
    }

    /// Throws std::out_of_range when no triangle has the edge.
    std::uint64_t at(std::uint64_t a, std::uint64_t b) const
    {
        const auto it = m_map.find(key(a, b));
        if (it == m_map.end())
            throwBadKey();
        return it->second;
    }

private:
    // Both indices are below kMaxNodeCount (2^30), so the pair packs into one 64-bit key.
    static std::uint64_t key(std::uint64_t a, std::uint64_t b)
    {
        return a < b ? (a << 32) | b : (b << 32) | a;
    }

    struct Hash
    {
        std::size_t operator()(std::uint64_t k) const noexcept
        {
            // Mixed, because the packed keys of neighbouring vertices differ only in a few low bits.
            std::size_t h = 0;
            boost::hash_combine(h, k);
            return h;
        }
    };

    std::unordered_map<std::uint64_t, std::uint64_t, Hash> m_map;
};

template <std::size_t N> Model<N> startModel(const Solver2dInput& input)
{
    const std::vector<OdGePoint2d>& vertices = input.mesh.vertices;
    if (vertices.size() >= kMaxNodeCount)
        throw std::length_error("mesh has too many vertices for 32-bit degree-of-freedom numbers");
    Model<N> model;
    model.youngsModulus = input.youngsModulus;
    model.poissonRatio = input.poissonRatio;
    model.mode = input.mode;
    model.thickness = input.thickness;
    model.cornerCount = vertices.size();
    model.nodes.reserve(N == 6 ? 4 * vertices.size() : vertices.size());
    for (const OdGePoint2d& p : vertices)
        model.nodes.push_back(Node{p, OdGeVector2d(), false, OdGeVector2d(), false});
    return model;
}

void checkCorners(const std::array<std::uint64_t, 3>& triangle, std::uint64_t cornerCount)
{
    for (const std::uint64_t v : triangle)
        if (v >= cornerCount)
            throwBadSubscript();
}

/// Supports and loads on the corner nodes that both element kinds treat alike, in their fixed order; `mid`
/// maps an edge to its mid-side node (nothing for three-node models), `endShare` and `midShare` split an
/// edge load's resultant between the end nodes and the mid-side node.
template <class MidOf>
void applySupportsAndLoads(const Solver2dInput& input, std::vector<Node>& nodes, MidOf&& mid, double endShare,
                           double midShare)
{
    for (const std::uint64_t v : input.fixedVertices)
        fix(nodeAt(nodes, v));
    for (const Edge& e : input.fixedEdges)
    {
        fix(nodeAt(nodes, e.first));
        fix(nodeAt(nodes, e.second));
        if (const std::optional<std::uint64_t> m = mid(e.first, e.second))
            fix(nodes[*m]);
    }
    for (const Edge& e : input.rollingEdges)
    {
        Node& a = nodeAt(nodes, e.first);
        Node& b = nodeAt(nodes, e.second);
        const OdGeVector2d n = edgeNormal(a, b);
        applyRollingRule(a, n);
        applyRollingRule(b, n);
        if (const std::optional<std::uint64_t> m = mid(e.first, e.second))
            applyRollingRule(nodes[*m], n);
    }
    for (const auto& [v, direction] : input.rollingVertices)
        applyRollingRule(nodeAt(nodes, v), direction);
    for (const auto& [v, force] : input.vertexForces)
        nodeAt(nodes, v).force += force;
    for (const auto& [e, q] : input.edgeLoads)
    {
        Node& a = nodeAt(nodes, e.first);
        Node& b = nodeAt(nodes, e.second);
        const double length = (a.position - b.position).length();
        a.force += endShare * length * q;
        b.force += endShare * length * q;
        if (const std::optional<std::uint64_t> m = mid(e.first, e.second))
            nodes[*m].force += midShare * length * q;
    }
}

} // namespace

void applyRollingRule(Node& node, const OdGeVector2d& direction)
{
    if (node.fixed)
        return;
    if (!node.hasBlockedDirection)
    {
        node.blockedDirection = direction;
        node.hasBlockedDirection = true;
        return;
    }
    if (node.blockedDirection.isParallelTo(direction, OdGeContext::gTol))
        return;
    fix(node);
}

Model<3> buildModel3(const Solver2dInput& input)
{
    Model<3> model = startModel<3>(input);
    model.elements.reserve(input.mesh.triangles.size());
    for (const std::array<std::uint64_t, 3>& t : input.mesh.triangles)
    {
        checkCorners(t, model.cornerCount);
        model.elements.push_back(t);
    }
    applySupportsAndLoads(
        input, model.nodes, [](std::uint64_t, std::uint64_t) { return std::optional<std::uint64_t>(); }, 0.5,
        0.0);
    return model;
}

Model<6> buildModel6(const Solver2dInput& input)
{
    Model<6> model = startModel<6>(input);
    const std::size_t triangleCount = input.mesh.triangles.size();
    // A planar triangulation has fewer than 1.5 edges per triangle plus the boundary.
    MidNodes midNodes(triangleCount + triangleCount / 2 + 16);
    model.elements.reserve(triangleCount);
    for (const std::array<std::uint64_t, 3>& t : input.mesh.triangles)
    {
        checkCorners(t, model.cornerCount);
        std::array<std::uint64_t, 6> element = {t[0], t[1], t[2], 0, 0, 0};
        for (std::size_t k = 0; k < 3; ++k)
        {
            const std::uint64_t a = t[k];
            const std::uint64_t b = t[(k + 1) % 3];
            bool added = false;
            const std::uint64_t m = midNodes.findOrAdd(a, b, model.nodes.size(), added);
            if (added)
            {
                if (model.nodes.size() >= kMaxNodeCount)
                    throw std::length_error("mesh has too many edges for 32-bit degree-of-freedom numbers");
                const OdGePoint2d& pa = model.nodes[a].position;
                const OdGePoint2d& pb = model.nodes[b].position;
                model.nodes.push_back(Node{OdGePoint2d(0.5 * (pa.x + pb.x), 0.5 * (pa.y + pb.y)),
                                           OdGeVector2d(), false, OdGeVector2d(), false});
                model.midNodeEdges.emplace_back(std::min(a, b), std::max(a, b));
            }
            element[3 + k] = m;
        }
        model.elements.push_back(element);
    }
    applySupportsAndLoads(
        input, model.nodes,
        [&](std::uint64_t a, std::uint64_t b) { return std::optional<std::uint64_t>(midNodes.at(a, b)); },
        input.consistentEdgeLoads ? 1.0 / 6.0 : 0.25, input.consistentEdgeLoads ? 2.0 / 3.0 : 0.5);
    return model;
}

template <std::size_t N> NodeAdjacency nodeAdjacency(const Model<N>& model)
{
    const std::size_t nodeCount = model.nodes.size();
    // Every element lists all its nodes in the lists of all its nodes; duplicates are dropped below.
    NodeAdjacency adjacency;
    std::vector<int> count(nodeCount + 1, 0);
    for (const std::array<std::uint64_t, N>& element : model.elements)
        for (const std::uint64_t n : element)
            count[n + 1] += int(N);
    for (std::size_t n = 0; n < nodeCount; ++n)
        count[n + 1] += count[n];
    std::vector<int> all(static_cast<std::size_t>(count[nodeCount]));
    {
        std::vector<int> fill(count.begin(), count.end() - 1);
        for (const std::array<std::uint64_t, N>& element : model.elements)
            for (const std::uint64_t a : element)
                for (const std::uint64_t b : element)
                    all[std::size_t(fill[a]++)] = int(b);
    }
    adjacency.start.assign(nodeCount + 1, 0);
    adjacency.nodes.reserve(all.size() / 2);
    std::vector<std::size_t> seen(nodeCount, std::size_t(-1));
    for (std::size_t a = 0; a < nodeCount; ++a)
    {
        const std::size_t first = adjacency.nodes.size();
        for (int p = count[a]; p < count[a + 1]; ++p)
        {
            const int b = all[std::size_t(p)];
            if (seen[std::size_t(b)] == a)
                continue;
            seen[std::size_t(b)] = a;
            adjacency.nodes.push_back(b);
        }
        std::sort(adjacency.nodes.begin() + std::ptrdiff_t(first), adjacency.nodes.end());
        adjacency.start[a + 1] = int(adjacency.nodes.size());
    }
    return adjacency;
}

template NodeAdjacency nodeAdjacency<3>(const Model<3>&);
template NodeAdjacency nodeAdjacency<6>(const Model<6>&);

SparseMatrix compressTriplets(const NodeAdjacency& adjacency, const std::vector<Triplet>& triplets)
{
    const std::size_t nodeCount = adjacency.start.size() - 1;
    const int size = int(2 * nodeCount);
    // Columns 2m and 2m + 1 both hold rows 2n and 2n + 1 of every neighbour n of node m, ascending.
    SparseMatrix k(size, size);
    k.resizeNonZeros(Eigen::Index(4 * adjacency.nodes.size()));
    int* outer = k.outerIndexPtr();
    int* inner = k.innerIndexPtr();
    double* value = k.valuePtr();
    int entry = 0;
    for (std::size_t m = 0; m < nodeCount; ++m)
        for (int column = 0; column < 2; ++column)
        {
            outer[2 * m + std::size_t(column)] = entry;
            for (int p = adjacency.start[m]; p < adjacency.start[m + 1]; ++p)
            {
                inner[entry++] = 2 * adjacency.nodes[std::size_t(p)];
                inner[entry++] = 2 * adjacency.nodes[std::size_t(p)] + 1;
            }
        }
    outer[size] = entry;
    // -0.0 is the exact identity of IEEE addition (-0.0 + x == x for every x, -0.0 included), so each entry
    // ends as the plain left-to-right sum of its triplets, bit for bit what setFromTriplets gives; a start
    // of +0.0 would turn an entry summed from negative zeros into +0.0.
    std::fill(value, value + entry, -0.0);

    // Consecutive triplets mostly share their node pair (the x and y columns of a node follow each other),
    // so the last look-up is kept.
    int lastRowNode = -1, lastColumnNode = -1, lastOffset = 0;
    for (const Triplet& t : triplets)
    {
        const int rowNode = t.row() / 2, columnNode = t.col() / 2;
        if (rowNode != lastRowNode || columnNode != lastColumnNode)
        {
            const int* first = adjacency.nodes.data() + adjacency.start[std::size_t(columnNode)];
            const int* last = adjacency.nodes.data() + adjacency.start[std::size_t(columnNode) + 1];
            const int* at = std::lower_bound(first, last, rowNode);
            if (at == last || *at != rowNode)
            {
                UT_ASSERT(at != last && *at == rowNode, "element triplet outside the node pattern",
                          "cae_core/cae_velmor_model");
                continue;
            }
            lastRowNode = rowNode;
            lastColumnNode = columnNode;
            lastOffset = 2 * int(at - first);
        }
        value[outer[t.col()] + lastOffset + t.row() % 2] += t.value();
    }
    return k;
}

template <std::size_t N> std::vector<Triplet> elementTriplets(const Model<N>& model)
{
    constexpr int kDofs = 2 * int(N);
    const MaterialMatrix d = materialMatrix(model.youngsModulus, model.poissonRatio, model.mode);
    std::vector<Triplet> triplets;
    triplets.reserve(model.elements.size() * std::size_t(kDofs * kDofs));
    for (const std::array<std::uint64_t, N>& element : model.elements)
    {
        NodePositions<N> positions;
        std::array<int, kDofs> dofs;
        for (std::size_t k = 0; k < N; ++k)
        {
            positions[k] = model.nodes[element[k]].position;
            dofs[2 * k] = int(2 * element[k]);
            dofs[2 * k + 1] = int(2 * element[k] + 1);
        }
        const ElementStiffness<N> ke = elementStiffness<N>(positions, d, model.thickness);
        for (int r = 0; r < kDofs; ++r)
            for (int c = 0; c < kDofs; ++c)
                triplets.emplace_back(dofs[r], dofs[c], ke(r, c));
    }
    return triplets;
}

template std::vector<Triplet> elementTriplets<3>(const Model<3>&);
template std::vector<Triplet> elementTriplets<6>(const Model<6>&);

template <std::size_t N> SparseMatrix assembleStiffness(const Model<N>& model)
{
    return compressTriplets(nodeAdjacency(model), elementTriplets(model));
}

template SparseMatrix assembleStiffness<3>(const Model<3>&);
template SparseMatrix assembleStiffness<6>(const Model<6>&);

Eigen::VectorXd assembleForces(const std::vector<Node>& nodes)
{
    Eigen::VectorXd f(Eigen::Index(2 * nodes.size()));
    for (std::size_t n = 0; n < nodes.size(); ++n)
    {
        f(Eigen::Index(2 * n)) = nodes[n].force.x;
        f(Eigen::Index(2 * n + 1)) = nodes[n].force.y;
    }
    return f;
}

SupportTransform supportTransform(const std::vector<Node>& nodes)
{
    SupportTransform t;
    t.blocks.resize(nodes.size());
    t.constrained.resize(2 * nodes.size());
    for (std::size_t n = 0; n < nodes.size(); ++n)
    {
        const Node& node = nodes[n];
        if (node.hasBlockedDirection && !node.blockedDirection.isZeroLength(OdGeContext::gTol) && !node.fixed)
        {
            const OdGeVector2d u = node.blockedDirection.normal(OdGeContext::gTol);
            // Row 2n: the tangential direction; row 2n + 1: the blocked one.
            t.blocks[n] = {u.y, -u.x, u.x, u.y};
            t.constrained[2 * n] = false;
            t.constrained[2 * n + 1] = true;
            t.rotatedNodes.push_back(n);
        }
        else
        {
            t.blocks[n] = {1.0, 0.0, 0.0, 1.0};
            t.constrained[2 * n] = node.fixed;
            t.constrained[2 * n + 1] = node.fixed;
        }
    }
    return t;
}

namespace
{

/// Whether the pattern lets T K T^T be formed in place: the two columns of every rotated node hold the same
/// rows, and in every column the rows of a rotated node come as adjacent pairs (2n, 2n + 1). Element-wise
/// assembly of full element matrices always gives this; the check guards the in-place shortcut.
bool pairedPattern(const SparseMatrix& k, const SupportTransform& t, const std::vector<char>& rotatedDof)
{
    const int* outer = k.outerIndexPtr();
    const int* inner = k.innerIndexPtr();
    for (const std::uint64_t n : t.rotatedNodes)
    {
        const int a = int(2 * n), b = a + 1;
        if (outer[a + 1] - outer[a] != outer[b + 1] - outer[b])
            return false;
        for (int p = 0; p < outer[a + 1] - outer[a]; ++p)
            if (inner[outer[a] + p] != inner[outer[b] + p])
                return false;
    }
    for (int j = 0; j < k.outerSize(); ++j)
    {
        for (int p = outer[j]; p < outer[j + 1]; ++p)
        {
            const int i = inner[p];
            if (!rotatedDof[std::size_t(i)])
                continue;
            if (i % 2 != 0 || p + 1 >= outer[j + 1] || inner[p + 1] != i + 1)
                return false;
            ++p;
        }
    }
    return true;
}

void rotateInPlace(SparseMatrix& k, const SupportTransform& t, const std::vector<char>& rotatedDof)
{
    const int* outer = k.outerIndexPtr();
    const int* inner = k.innerIndexPtr();
    double* value = k.valuePtr();
    // K T^T: mixes the two columns of each rotated node.
    for (const std::uint64_t n : t.rotatedNodes)
    {
        const std::array<double, 4>& r = t.blocks[n];
        const int a = int(2 * n), b = a + 1;
        const int count = outer[a + 1] - outer[a];
        double* va = value + outer[a];
        double* vb = value + outer[b];
        for (int p = 0; p < count; ++p)
        {
            const double x = va[p], y = vb[p];
            va[p] = r[0] * x + r[1] * y;
            vb[p] = r[2] * x + r[3] * y;
        }
    }
    // T (K T^T): mixes the two rows of each rotated node, adjacent within every column.
    for (int j = 0; j < k.outerSize(); ++j)
    {
        for (int p = outer[j]; p < outer[j + 1]; ++p)
        {
            const int i = inner[p];
            if (!rotatedDof[std::size_t(i)])
                continue;
            const std::array<double, 4>& r = t.blocks[std::size_t(i / 2)];
            const double x = value[p], y = value[p + 1];
            value[p] = r[0] * x + r[1] * y;
            value[p + 1] = r[2] * x + r[3] * y;
            ++p;
        }
    }
}

SparseMatrix rotationMatrix(const SupportTransform& t)
{
    std::vector<Eigen::Triplet<double, int>> triplets;
    triplets.reserve(4 * t.blocks.size());
    for (std::size_t n = 0; n < t.blocks.size(); ++n)
    {
        const int a = int(2 * n);
        const std::array<double, 4>& r = t.blocks[n];
        triplets.emplace_back(a, a, r[0]);
        triplets.emplace_back(a, a + 1, r[1]);
        triplets.emplace_back(a + 1, a, r[2]);
        triplets.emplace_back(a + 1, a + 1, r[3]);
    }
    const int size = int(2 * t.blocks.size());
    SparseMatrix m(size, size);
    m.setFromTriplets(triplets.begin(), triplets.end());
    return m;
}

} // namespace

void constrainInPlace(SparseMatrix& k, const SupportTransform& t)
{
    if (!t.rotatedNodes.empty())
    {
        std::vector<char> rotatedDof(std::size_t(k.rows()), 0);
        for (const std::uint64_t n : t.rotatedNodes)
            rotatedDof[2 * n] = rotatedDof[2 * n + 1] = 1;
        if (k.isCompressed() && pairedPattern(k, t, rotatedDof))
            rotateInPlace(k, t, rotatedDof);
        else
        {
            const SparseMatrix rot = rotationMatrix(t);
            k = SparseMatrix(rot * k * SparseMatrix(rot.transpose()));
        }
    }

    bool anyConstrained = false;
    for (const char c : t.constrained)
        anyConstrained = anyConstrained || c;
    if (!anyConstrained)
        return;

    const std::vector<char>& c = t.constrained;
    k.prune([&](const Eigen::Index& row, const Eigen::Index& col, const double&)
            { return row == col || (!c[std::size_t(row)] && !c[std::size_t(col)]); });
    std::vector<int> missingDiagonal;
    for (int j = 0; j < k.outerSize(); ++j)
    {
        if (!c[std::size_t(j)])
            continue;
        // Only the diagonal survived the pruning in a constrained column.
        if (k.outerIndexPtr()[j + 1] > k.outerIndexPtr()[j])
            k.valuePtr()[k.outerIndexPtr()[j]] = 1.0;
        else
            missingDiagonal.push_back(j);
    }
    if (!missingDiagonal.empty())
    {
        // Only constrained nodes that no element uses; rare, so the slow insertion path is fine.
        for (const int j : missingDiagonal)
            k.insert(j, j) = 1.0;
        k.makeCompressed();
    }
}

SparseMatrix constrainedSystem(const SparseMatrix& k, const SupportTransform& t)
{
    SparseMatrix kr = k;
    constrainInPlace(kr, t);
    return kr;
}

namespace
{
/// T v, or T^T v when `transposed`: each rotated node's 2x2 block, stored row by row.
Eigen::VectorXd applyRotation(const SupportTransform& t, const Eigen::VectorXd& v, bool transposed)
{
    const std::size_t upper = transposed ? 2 : 1, lower = transposed ? 1 : 2;
    Eigen::VectorXd out = v;
    for (const std::uint64_t n : t.rotatedNodes)
    {
        const std::array<double, 4>& r = t.blocks[n];
        const Eigen::Index a = Eigen::Index(2 * n);
        out(a) = r[0] * v(a) + r[upper] * v(a + 1);
        out(a + 1) = r[lower] * v(a) + r[3] * v(a + 1);
    }
    return out;
}
} // namespace

Eigen::VectorXd rotate(const SupportTransform& t, const Eigen::VectorXd& v)
{
    return applyRotation(t, v, false);
}

Eigen::VectorXd rotateBack(const SupportTransform& t, const Eigen::VectorXd& v)
{
    return applyRotation(t, v, true);
}

} // namespace cae_core::solver2d::detail
