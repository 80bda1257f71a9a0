#pragma once

#include "cae_core/fea2d/Params2d.h"
#include "cae_core/solver2d/Solver2dPointEvaluator.h"
#include "cae_core/solver2d/detail/Element2d.h"
#include "cae_core/solver2d/detail/ElementGrid.h"

#include <array>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <tuple>
#include <vector>

namespace cae_core
{

template <class NodePositions> class Solver2dPointEvaluatorImpl;

/// The in-house solver's evaluator for elements of N nodes (3 or 6), holding a copy of every element's
/// undeformed node positions and solved node displacements.
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
    /// parameters in it. Uses a grid of the displaced elements, built on the first query of each scale.
    std::optional<std::size_t> findElement(const OdGePoint2d& point, double deformationScale, double& r,
                                           double& s) const
    {
        const std::shared_ptr<const solver2d::detail::ElementGrid> grid = gridFor(deformationScale);
        const std::size_t i = grid->findFirst(point, [&](std::size_t k)
                                              { return locate(elements[k], point, deformationScale, r, s); });
        if (i == solver2d::detail::ElementGrid::none)
            return std::nullopt;
        return i;
    }

    /// The same answer by scanning every element in order; the grid search must agree with it.
    std::optional<std::size_t> findElementByScan(const OdGePoint2d& point, double deformationScale, double& r,
                                                 double& s) const
    {
        for (std::size_t k = 0; k < elements.size(); ++k)
            if (locate(elements[k], point, deformationScale, r, s))
                return k;
        return std::nullopt;
    }

    double youngsModulus;
    double poissonRatio;
    fea2d::EMode mode;
    std::vector<Element> elements;

private:
    /// Corners on the displayed mesh; the mid-side nodes take no part in locating a point.
    static std::array<OdGePoint2d, 3> displacedCorners(const Element& e, double deformationScale)
    {
        std::array<OdGePoint2d, 3> q;
        for (std::size_t k = 0; k < 3; ++k)
            q[k] = OdGePoint2d(e.positions[k].x + deformationScale * e.displacements[k].x,
                               e.positions[k].y + deformationScale * e.displacements[k].y);
        return q;
    }

    static bool locate(const Element& e, const OdGePoint2d& point, double deformationScale, double& r,
                       double& s)
    {
        return solver2d::detail::locateInTriangle(displacedCorners(e, deformationScale), point, r, s);
    }

    std::shared_ptr<const solver2d::detail::ElementGrid> gridFor(double deformationScale) const
    {
        // The evaluator is logically immutable; the grid is a cache of the last displayed scale. The lock
        // keeps concurrent const queries safe, although the module itself queries from one thread.
        std::lock_guard<std::mutex> lock(m_gridMutex);
        if (!m_grid || !(m_gridScale == deformationScale))
        {
            std::vector<std::array<OdGePoint2d, 3>> corners;
            corners.reserve(elements.size());
            for (const Element& e : elements)
                corners.push_back(displacedCorners(e, deformationScale));
            m_grid = std::make_shared<const solver2d::detail::ElementGrid>(corners);
            m_gridScale = deformationScale;
        }
        return m_grid;
    }

    mutable std::mutex m_gridMutex;
    mutable std::shared_ptr<const solver2d::detail::ElementGrid> m_grid;
    mutable double m_gridScale = 0.0;
};

} // namespace cae_core
