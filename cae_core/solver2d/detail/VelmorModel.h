#pragma once

// The in-house solver's private finite-element model and the sparse algebra around it. Exposed in a detail
// header only so that tests can check each stage against a dense reference; nothing outside the solver
// folder builds on it.

#include "cae_core/solver2d/Solver2d.h"
#include "cae_core/solver2d/detail/Element2d.h"
#include "platform/ge/GePoint2d.h"
#include "platform/ge/GeVector2d.h"

#include <Eigen/Core>
#include <Eigen/SparseCore>

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace cae_core::solver2d::detail
{

/// Global degree-of-freedom numbers are signed 32-bit (Eigen's sparse index), two per node.
using SparseMatrix = Eigen::SparseMatrix<double, Eigen::ColMajor, int>;

/// Largest node count whose degree-of-freedom numbers 2n + 1 fit a signed 32-bit integer.
inline constexpr std::uint64_t kMaxNodeCount = std::uint64_t(1) << 30;

struct Node
{
    OdGePoint2d position;
    /// Assembled nodal load.
    OdGeVector2d force;
    /// Blocked in both directions.
    bool fixed = false;
    /// The direction a rolling support blocks; any length, a zero one blocks nothing.
    OdGeVector2d blockedDirection;
    bool hasBlockedDirection = false;
};

/// Nodes, elements and material of one run. The first `cornerCount` nodes are the mesh vertices in vertex
/// order; a six-node model appends its mid-side nodes after them.
template <std::size_t N> struct Model
{
    std::vector<Node> nodes;
    /// Node indices per element: corners a, b, c, then (six-node) the mid-side nodes of a-b, b-c, c-a.
    std::vector<std::array<std::uint64_t, N>> elements;
    std::uint64_t cornerCount = 0;
    /// For mid-side node cornerCount + i, the corners (smaller, larger) of its edge at index i.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> midNodeEdges;
    double youngsModulus = 0.0;
    double poissonRatio = 0.0;
    fea2d::EMode mode = fea2d::EMode::ePlanarStress;
    double thickness = 0.0;
};

/// A rolling support for direction d: leaves a fixed node alone, makes a free node block d, keeps a parallel
/// blocked direction and fixes the node when d is not parallel to the one it already blocks.
void applyRollingRule(Node& node, const OdGeVector2d& direction);

/// The models of the two element kinds. Indices out of range throw std::out_of_range ("invalid vector
/// subscript"); a support or load edge that no triangle has throws std::out_of_range ("invalid map<K, T>
/// key") in the six-node model.
Model<3> buildModel3(const Solver2dInput& input);
Model<6> buildModel6(const Solver2dInput& input);

using Triplet = Eigen::Triplet<double, int>;

/// For every node, the nodes it shares an element with (itself included), ascending: the node pattern of K.
struct NodeAdjacency
{
    /// Node n's neighbours are nodes[start[n]] .. nodes[start[n + 1] - 1].
    std::vector<int> start;
    std::vector<int> nodes;
};

template <std::size_t N> NodeAdjacency nodeAdjacency(const Model<N>& model);

/// One triplet (global row, global column, value) per entry of every element matrix, element by element,
/// rows of an element matrix in order and its columns in order within a row; reserved up front exactly.
template <std::size_t N> std::vector<Triplet> elementTriplets(const Model<N>& model);

/// The 2 x node count matrix of the triplets, entries at equal (row, column) summed in triplet order, rows
/// sorted within each column; its pattern is the node pattern `adjacency`, which every triplet must lie in.
/// The same matrix as Eigen's setFromTriplets gives, but laid out from the known pattern first and then
/// filled by one streaming pass over the triplets, without a transposed or bucketed copy of them.
SparseMatrix compressTriplets(const NodeAdjacency& adjacency, const std::vector<Triplet>& triplets);

/// K of size 2 x node count built once from elementTriplets.
template <std::size_t N> SparseMatrix assembleStiffness(const Model<N>& model);

/// F with F[2n] = force.x and F[2n + 1] = force.y of node n.
Eigen::VectorXd assembleForces(const std::vector<Node>& nodes);

/// The block-diagonal rotation T of the supported degrees of freedom. Block n maps global (x, y) of node n
/// to (tangential, blocked) for a rolling node, and is the identity otherwise.
struct SupportTransform
{
    /// Row-major 2 x 2 block per node: {t00, t01, t10, t11}.
    std::vector<std::array<double, 4>> blocks;
    /// Per degree of freedom, whether its rotated displacement is held at zero.
    std::vector<char> constrained;
    /// Nodes whose block is not the identity, ascending.
    std::vector<std::uint64_t> rotatedNodes;
};

SupportTransform supportTransform(const std::vector<Node>& nodes);

/// Turns K into T K T^T with every entry in a constrained row or column removed and 1 on the constrained
/// diagonal: the constrained rotated displacements come out exactly 0 and the others are uncoupled from
/// them. The pattern of K is kept (explicit zeros included), so the fill-reducing ordering sees the pattern
/// of the pruned T K T^T.
void constrainInPlace(SparseMatrix& k, const SupportTransform& t);

/// The constrained system of K, K left as it is.
SparseMatrix constrainedSystem(const SparseMatrix& k, const SupportTransform& t);

/// T v and T^T v.
Eigen::VectorXd rotate(const SupportTransform& t, const Eigen::VectorXd& v);
Eigen::VectorXd rotateBack(const SupportTransform& t, const Eigen::VectorXd& v);

/// The samples of every element, in element order: its centre (the corners' mean, interpolated and
/// evaluated at parameters 1/3, 1/3) and its corners (parameters (0, 0), (1, 0), (0, 1)), from the node
/// displacements u (x, y per node, in the model's node order).
template <std::size_t N>
std::vector<Solver2dOutput::ElementData> elementResults(const Model<N>& model, const Eigen::VectorXd& u);

} // namespace cae_core::solver2d::detail
