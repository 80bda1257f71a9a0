#pragma once

#include "cae_core/solver2d/Solver2d.h"

namespace cae_core
{

/// The in-house finite-element solver: three- or six-node isoparametric triangles, supports by rotated
/// degrees of freedom, a sparse LDL^T factorisation with AMD ordering.
class VelmorSolver2d : public Solver2d
{
public:
    VelmorSolver2d() = default;

protected:
    /// 0 on success. 4 (output untouched) when the element type is neither eTriangle6 nor eTriangle3, when
    /// the system has an exactly zero pivot, or when the solution is not finite (NaN inputs, or values whose
    /// products overflow). Indices outside the mesh throw std::out_of_range.
    EResult executeImpl(const Solver2dInput& input, Solver2dOutput& output) override;
};

} // namespace cae_core
