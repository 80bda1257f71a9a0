#pragma once

#include "cae_core/fea2d/Params2d.h"
#include "cae_core/solver2d/ElementLocator.h"
#include "cae_core/solver2d/Solver2dPointEvaluator.h"
#include "cae_core/solver2d/detail/Element2d.h"

#include <array>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace cae_core
{

template <class NodePositions> class Solver2dPointEvaluatorImpl;

/// The in-house solver's evaluator for elements of N nodes (3 or 6), holding a copy of every element's
/// undeformed node positions and solved node displacements. A query scans the elements in order; the mesher's
/// triangle budget bounds the cost, and the scan makes "the first element that contains the point" the
/// answer by construction.
template <std::size_t N>
class Solver2dPointEvaluatorImpl<std::array<OdGePoint2d, N>> final : public Solver2dPointEvaluator
{
public:
    struct Element
    {
        /// Element node order: corners, then (six nodes) the mid-side nodes of 0-1, 1-2, 2-0.
        std::array<OdGePoint2d, N> positions;
        std::array<OdGeVector2d, N> displacements;
    };

    Solver2dPointEvaluatorImpl(double youngsModulus_, double poissonRatio_, fea2d::EMode mode_,
                               std::vector<Element> elements_)
        : youngsModulus(youngsModulus_), poissonRatio(poissonRatio_), mode(mode_),
          elements(std::move(elements_))
    {
    }

    std::optional<PointValues> evaluate(const OdGePoint2d& point, double deformationScale) const override
    {
        double r = 0.0, s = 0.0;
        const std::optional<std::size_t> found = findElement(point, deformationScale, r, s);
        if (!found)
            return std::nullopt;
        const Element& e = elements[*found];
        const solver2d::detail::MaterialMatrix d =
            solver2d::detail::materialMatrix(youngsModulus, poissonRatio, mode);
        PointValues values;
        values.displacement = solver2d::detail::interpolate<N>(e.displacements, r, s);
        values.vonMises =
            solver2d::detail::stressAt<N>(e.positions, e.displacements, d, poissonRatio, mode, r, s).vonMises;
        return values;
    }

    /// The first element in element order whose displaced corners contain the point, with the point's
    /// parameters in it; the mid-side nodes take no part in locating the point.
    std::optional<std::size_t> findElement(const OdGePoint2d& point, double deformationScale, double& r,
                                           double& s) const
    {
        const double c = deformationScale;
        const Element* e = elements.data();
        for (std::size_t k = 0, count = elements.size(); k < count; ++k, ++e)
        {
            const OdGePoint2d* p = e->positions.data();
            const OdGeVector2d* u = e->displacements.data();
            if (locateInTriangle(p[0].x + c * u[0].x, p[0].y + c * u[0].y, p[1].x + c * u[1].x,
                                 p[1].y + c * u[1].y, p[2].x + c * u[2].x, p[2].y + c * u[2].y, point.x,
                                 point.y, r, s))
                return k;
        }
        return std::nullopt;
    }

    double youngsModulus;
    double poissonRatio;
    fea2d::EMode mode;
    std::vector<Element> elements;
};

} // namespace cae_core
