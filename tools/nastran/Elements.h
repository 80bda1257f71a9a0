#pragma once

// Element matrices of linear and quadratic tetrahedra (displacement degrees of freedom only) and of
// three- and six-node triangles used as membranes, with their stress recovery and face pressure loads.
//
// Local node numbering (deck order), corners first:
//
//   tetrahedron   4                 triangle   3
//                /|`.                          |`.
//              8/ |  `.10                      6  `5
//              /  9    `.                      |    `.
//             1---|-7----3                     1--4---2
//              `. |    .'
//              5 `2 .'6
//
//   mid-side nodes of the 10-node tetrahedron: 5 on 1-2, 6 on 2-3, 7 on 3-1, 8 on 1-4, 9 on 2-4,
//   10 on 3-4; of the 6-node triangle: 4 on 1-2, 5 on 2-3, 6 on 3-1.
//
// Global vectors hold three translations per node (x, y, z), so an element of n nodes has 3n rows.
// Stress components are ordered xx, yy, zz, xy, yz, zx; engineering shear strains.

#include "tools/nastran/Model.h"

#include <Eigen/Dense>

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace nastran
{

/// An element whose geometry cannot be integrated (zero or inverted volume, collinear corners).
struct ElementGeometryError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

using ElementMatrix = Eigen::MatrixXd;
using ElementVector = Eigen::VectorXd;
using Stress6 = std::array<double, 6>; ///< xx, yy, zz, xy, yz, zx

/// Stiffness of a 4- or 10-node tetrahedron, integrated exactly for straight edges (one point for the
/// linear element, four points for the quadratic one). K = sum w |det J| B^T D B.
void tetraStiffness(const std::vector<Vec3>& x, double youngsModulus, double poissonRatio, ElementMatrix& k);

/// Stresses D B u at the centre and at the four corners (natural coordinates of the corner), in that order.
std::array<Stress6, 5> tetraStresses(const std::vector<Vec3>& x, const ElementVector& u, double youngsModulus,
                                     double poissonRatio);

/// Consistent nodal forces (3n entries) of a uniform pressure on the face opposite corner
/// `oppositeCorner` (0..3). Without a direction the load acts normal to the face, a positive pressure
/// pushing into the element; with a direction it acts along that direction (normalised) per unit of face
/// area.
ElementVector tetraFaceLoad(const std::vector<Vec3>& x, int oppositeCorner, double pressure,
                            const std::optional<Vec3>& direction);

/// The element coordinate system of a triangle: x along corner 1 to corner 2, z normal to the plane of
/// the corners (right-handed with the corner order), y = z cross x.
struct MembraneFrame
{
    Eigen::Vector3d origin;
    Eigen::Vector3d ex, ey, ez;
};
MembraneFrame membraneFrame(const std::vector<Vec3>& x);

/// Stiffness of a 3- or 6-node membrane triangle of thickness t in plane stress or plane strain, in
/// global translations (the element's in-plane stiffness rotated out of its frame).
void membraneStiffness(const std::vector<Vec3>& x, double youngsModulus, double poissonRatio,
                       double thickness, bool planeStrain, ElementMatrix& k);

/// In-plane stresses (xx, yy, xy) in the element coordinate system at the centre and the three corners.
std::array<std::array<double, 3>, 4> membraneStresses(const std::vector<Vec3>& x, const ElementVector& u,
                                                      double youngsModulus, double poissonRatio,
                                                      bool planeStrain);

/// Von Mises stress of a 3D stress state.
double vonMises(const Stress6& s);

} // namespace nastran
