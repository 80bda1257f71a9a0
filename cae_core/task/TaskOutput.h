#pragma once

#include "cae_core/task/Mesh.h"
#include "cae_core/task/SolidStress.h"
#include "platform/ge/GeVector3d.h"

#include <cstdint>
#include <map>
#include <memory>

namespace cae_core
{
/// The results of a task per grid point (the id of a mesh vertex).
class TaskOutput
{
public:
    /// Results at one grid point, in the task's modelling units.
    struct Data
    {
        OdGeVector3d displacement;
        double vonMisesStress = 0.0;

        /// All four values times `factor`.
        Data copy(double factor) const { return Data{displacement * factor, vonMisesStress * factor}; }
    };

    TaskOutput() = default;

    bool isEmpty() const { return vertexData.empty(); }
    /// A new output with a copy of the data.
    std::shared_ptr<TaskOutput> clone() const { return std::make_shared<TaskOutput>(*this); }

    /// A new mesh of `task`, with `mesh`'s vertices displaced by `factor` times their displacement
    /// and its elements shared; the new vertices get the scaled results in this output. Empty for
    /// a null task or mesh, or an empty vertex.
    std::shared_ptr<Mesh> apply(Task* task, std::shared_ptr<Mesh> mesh, double factor);

    std::map<std::uint64_t, Data> vertexData;
    /// Grid id -> the force its constraints (single- and multipoint) exert on it, in the task's modelling
    /// force unit, as the solver printed it: applied loads plus these sum to zero. Empty unless the
    /// printout holds the tables of forces of constraint.
    std::map<std::uint64_t, OdGeVector3d> reactions;
    /// Grid id -> the stress tensor at the grid: the mean of the tetrahedron corner stresses printed
    /// for it. Empty unless the results were read with their stress components; a grid that is no
    /// tetrahedron's corner (a mid-edge grid) has none.
    std::map<std::uint64_t, SolidStress> stresses;
};
} // namespace cae_core
