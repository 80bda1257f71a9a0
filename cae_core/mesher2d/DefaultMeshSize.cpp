#include "cae_core/mesher2d/DefaultMeshSize.h"

#include "host/tdx/Brep.h"

#include <cmath>

namespace cae_core::fea2d
{

namespace
{
/// Corner value of the empty box the extents start from; far beyond any drawing coordinate, so
/// that any real geometry makes the box valid.
constexpr double kEmptyExtent = 1e80;
/// How many mesh sizes span the extents' diagonal.
constexpr double kDiagonalDivisions = 25.0;
/// Fraction of the region's area covered by one triangle of the fallback size.
constexpr double kAreaFraction = 1.0 / 1000.0;
/// Offered sizes are rounded to this many steps per drawing unit (two decimals).
constexpr double kRoundingSteps = 100.0;
} // namespace

double getDefaultMeshSize(const OdSmartPtr<OdDbRegion>& region)
{
    if (region.isNull())
        return 0.0;

    OdGeExtents3d extents(OdGePoint3d(kEmptyExtent, kEmptyExtent, kEmptyExtent),
                          OdGePoint3d(-kEmptyExtent, -kEmptyExtent, -kEmptyExtent));
    tdx::getSectionableExtents(region.get(), extents);

    double size = 0.0;
    if (extents.isValidExtents())
    {
        size = extents.diagonal().length() / kDiagonalDivisions;
    }
    else
    {
        double area = 0.0;
        region->getArea(area);
        // Side of the equilateral triangle whose area is the chosen fraction of the region's.
        size = std::sqrt((area * kAreaFraction) * 4.0 / std::sqrt(3.0));
    }
    return std::round(size * kRoundingSteps) / kRoundingSteps;
}

} // namespace cae_core::fea2d
