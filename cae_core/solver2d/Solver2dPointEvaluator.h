#pragma once

#include "platform/ge/GePoint2d.h"
#include "platform/ge/GeVector2d.h"

#include <optional>

namespace cae_core
{

/// Solution values at one point of the solved region.
struct PointValues
{
    /// ux, uy at the point, in drawing units.
    OdGeVector2d displacement;
    /// Von Mises equivalent stress at the point, in the drawing's pressure unit.
    double vonMises = 0.0;
};

/// Evaluates a finished 2D solution anywhere on the mesh. Holds its own copy of the solution, so it stays
/// valid after the solver, its input and its output are gone.
class Solver2dPointEvaluator
{
public:
    virtual ~Solver2dPointEvaluator() = default;

    /// Values at `point`, where `point` is taken on the mesh displayed with its displacements multiplied by
    /// `deformationScale` (0 for the undeformed mesh). Empty when the point lies in no element; when it lies
    /// in several (on a shared edge or vertex), the first element in element order answers.
    virtual std::optional<PointValues> evaluate(const OdGePoint2d& point, double deformationScale) const = 0;
};

} // namespace cae_core
