#pragma once

#include "apps/CommandLine.h"
#include "cae_core/task/Mesh.h"
#include "cae_core/task/SolidStress.h"
#include "cae_core/task/TaskOutput.h"
#include "platform/ge/GePoint3d.h"
#include "platform/ge/GeVector3d.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

/// The solved fields of a task between its grids: stresses at every vertex of its mesh and the
/// quantities at any material point.
namespace cae_app
{
/// The stress tensor at every vertex of `mesh`, in vertex-list order, in the output's units: a corner
/// grid's from the output's stresses; a mid-edge grid's the mean of its edge's two corners (the printout
/// has stresses at the corners only). Empty where the output has none.
std::vector<std::optional<cae_core::SolidStress>> vertexStresses(const cae_core::Mesh& mesh,
                                                                 const cae_core::TaskOutput& output);

/// Gives every mid-edge vertex of a second-order `mesh` the mean of `values` at its edge's corners;
/// `values` is in vertex-list order. A first-order mesh is left as it is.
void takeMeansAtMidVertices(const cae_core::Mesh& mesh, std::vector<double>& values);

/// What a stress picture shows of a tensor: a principal stress or a component (`--color s1 ... szx`);
/// empty for the colours that are no stress of the tensor (von Mises, displacement, safety).
std::optional<double> stressValue(const cae_core::SolidStress& stress, CommandLine::Color color);

/// The quantities at a material point of the undeformed solid.
struct PointFields
{
    /// Position of the tetrahedron in the mesh's list.
    std::uint64_t tetra = 0;
    /// Interpolated by the element's own shape functions (quadratic on ten-node tetrahedra).
    OdGeVector3d displacement;
    /// Interpolated linearly between the corners' tensors.
    cae_core::SolidStress stress;
};

/// The tetrahedron of `mesh` holding `point` (in the mesh's units; on a shared face or edge the one it
/// lies deepest in) and the fields there, from the output's displacements and `stresses` (as
/// vertexStresses gives them). Elements are taken with straight edges, so a point between a curved
/// face and its chord counts as outside. Empty when no tetrahedron holds the point or its corners lack
/// results.
std::optional<PointFields> fieldsAt(const cae_core::Mesh& mesh, const cae_core::TaskOutput& output,
                                    const std::vector<std::optional<cae_core::SolidStress>>& stresses,
                                    const OdGePoint3d& point);
} // namespace cae_app
