#pragma once

#include "cae_core/fea2d/Simulation.h"
#include "cae_core/mesher2d/MeshVectorField2d.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace cae_app
{
/// The field adaptive refinement follows: the displacement of the analysis solved on a mesh,
/// interpolated linearly between the corners of the element that holds the point.
///
/// Refinement asks for the field at every candidate point of every iteration, so a point is
/// located through a uniform grid of element boxes instead of the evaluator's scan over all
/// elements, which would make each iteration quadratic in the mesh size. Candidates in a cell
/// are kept in element order and tested with the evaluator's parameter rule, so the element
/// found is the first one in element order that holds the point, as the evaluator's would be.
class DisplacementField : public cae_core::MeshVectorField2d
{
public:
    explicit DisplacementField(cae_core::fea2d::SimulationOutput output);

    OdGeVector2d getValue(const OdGePoint2d& p) const override;
    bool isValid() const override;

    /// The largest displacement of the solution.
    double scale() const;

private:
    std::optional<std::size_t> cellOf(const OdGePoint2d& p) const;
    void buildGrid();

    cae_core::fea2d::SimulationOutput m_output;
    OdGePoint2d m_origin;
    double m_cellSize = 0.0;
    std::size_t m_columns = 0, m_rows = 0;
    std::vector<std::uint32_t> m_cellStart; ///< elements of cell c: m_cellElements[m_cellStart[c] .. c + 1)
    std::vector<std::uint32_t> m_cellElements; ///< element indices, ascending within each cell
};
} // namespace cae_app
