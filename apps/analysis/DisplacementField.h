#pragma once

#include "cae_core/fea2d/Simulation.h"
#include "cae_core/mesher2d/MeshVectorField2d.h"
#include "cae_core/solver2d/ElementLocator.h"

namespace cae_app
{
/// The field adaptive refinement follows: the displacement of the analysis solved on a mesh,
/// interpolated linearly between the corners of the element that holds the point. Refinement
/// asks for the field at every candidate point of every iteration, so points are found through
/// the solver's grid of element boxes rather than a scan over all elements.
class DisplacementField : public cae_core::MeshVectorField2d
{
public:
    explicit DisplacementField(cae_core::fea2d::SimulationOutput output);

    OdGeVector2d getValue(const OdGePoint2d& p) const override;
    bool isValid() const override;

    /// The largest displacement of the solution.
    double scale() const;

private:
    cae_core::fea2d::SimulationOutput m_output;
    cae_core::ElementLocator m_locator;
};
} // namespace cae_app
