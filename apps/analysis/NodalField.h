#pragma once

#include "cae_core/fea2d/Params2d.h"
#include "cae_core/solver2d/ElementLocator.h"
#include "cae_core/solver2d/Solver2d.h"
#include "platform/ge/GePoint2d.h"
#include "platform/ge/GeVector2d.h"

#include <cstdint>
#include <optional>
#include <vector>

/// The solution as smooth fields over the nodes of the elements, mid-side nodes included: what a
/// user reads at a boundary point without fitting the element values by hand.
namespace cae_app
{
/// In-plane stress components.
struct StressState
{
    double sxx = 0.0;
    double syy = 0.0;
    double sxy = 0.0;
};

/// The principal stresses (s1 >= s2), the angle of s1 from the x axis in degrees (-90, 90], and the
/// von Mises equivalent with the out-of-plane stress of the mode, as the solver reckons it.
struct PrincipalStresses
{
    double s1 = 0.0;
    double s2 = 0.0;
    double angle = 0.0;
    double vonMises = 0.0;
};

PrincipalStresses principalStresses(const StressState& s, cae_core::fea2d::EMode mode, double poissonRatio);

/// Displacements and recovered stresses at every node of the mesh's elements.
struct NodalField
{
    /// The mesh vertices in vertex order, then (six-node elements) the mid-side nodes at the edge
    /// midpoints, numbered as the elements first reach their edges 0-1, 1-2, 2-0.
    std::vector<OdGePoint2d> points;
    /// 3 or 6; element nodes as the solver orders them: corners, then the mid-side nodes of 0-1, 1-2, 2-0.
    int nodesPerElement = 3;
    std::vector<std::uint64_t> connectivity;
    std::vector<OdGeVector2d> displacement;
    std::vector<StressState> stress;
    cae_core::fea2d::EMode mode = cae_core::fea2d::EMode::ePlanarStress;
    double poissonRatio = 0.0;
};

/// The nodal field of a solution. Stresses are recovered from the elements' own stresses by
/// superconvergent patch recovery: around each interior vertex a polynomial of the elements' degree
/// is fitted to the stresses at their sampling points (the three-point rule's points of a six-node
/// element, the centroid of a three-node one) and taken at the nodes of the patch; a node that
/// several patches reach gets their mean, and a node none reaches (a patch too small to fit) the
/// mean of the elements' own values there. Mid-side displacements are rebuilt from the corner
/// displacements and the element's strain gradient, which fixes the quadratic along each edge, so
/// the solvers' outputs need not list them.
NodalField nodalField(const cae_core::Solver2dInput& input, const cae_core::Solver2dOutput& output);

/// Values of the nodal field at one point.
struct FieldValues
{
    OdGeVector2d displacement;
    StressState stress;
    PrincipalStresses principal;
};

/// Evaluates the nodal field at material points of the undeformed region, interpolated with the
/// shape functions of the element that holds the point (the first one in element order on a shared
/// edge). Keeps a reference to the field.
class FieldProbe
{
public:
    explicit FieldProbe(const NodalField& field);
    /// Empty when no element holds the point: it lies outside the region or in a hole.
    std::optional<FieldValues> at(const OdGePoint2d& point) const;

private:
    const NodalField& m_field;
    cae_core::ElementLocator m_locator;
};

/// The largest or smallest of one principal stress over the nodes, and where.
struct NodalExtreme
{
    double value = 0.0;
    OdGePoint2d point;
};

struct PrincipalExtremes
{
    NodalExtreme s1Max, s1Min, s2Max, s2Min;
};

/// Empty when the field has no nodes.
std::optional<PrincipalExtremes> principalExtremes(const NodalField& field);
} // namespace cae_app
