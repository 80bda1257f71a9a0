#include "cae_core/task/SolidStress.h"

#include <Eigen/Eigenvalues>

#include <cmath>

namespace cae_core
{
std::array<double, 3> SolidStress::principal() const
{
    Eigen::Matrix3d m;
    m << xx, xy, zx, xy, yy, yz, zx, yz, zz;
    // The iterative solver keeps the small principal stresses of a nearly uniaxial state exact to
    // round-off of the largest, which the closed form does not.
    const Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> solver(m, Eigen::EigenvaluesOnly);
    const Eigen::Vector3d ascending = solver.eigenvalues();
    return {ascending[2], ascending[1], ascending[0]};
}

double SolidStress::vonMises() const
{
    const double a = xx - yy, b = yy - zz, c = zz - xx;
    return std::sqrt(0.5 * (a * a + b * b + c * c) + 3.0 * (xy * xy + yz * yz + zx * zx));
}
} // namespace cae_core
