#pragma once

#include "platform/ge/GePoint2d.h"
#include "platform/ge/GeVector2d.h"

namespace cae_core
{

/// A 2D vector field computed on a mesh (for a stress analysis, a solver result sampled at points).
/// Adaptive refinement compares two such fields, one on the current mesh and one on a finer candidate.
class MeshVectorField2d
{
public:
    virtual ~MeshVectorField2d();

    /// The field's value at p (p inside the meshed region).
    virtual OdGeVector2d getValue(const OdGePoint2d& p) const = 0;
    /// False when computing the field failed; the values are then meaningless.
    virtual bool isValid() const = 0;
};

} // namespace cae_core
