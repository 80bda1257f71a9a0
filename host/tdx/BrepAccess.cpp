#include "host/tdx/BrepAccess.h"

#include "platform/br/BrepData.h"
#include "platform/db/DbRegion.h"

#include <cmath>

namespace tdx
{

namespace
{
/// Points per curve when testing a face's boundary for planarity.
constexpr int kPlanaritySamples = 8;
} // namespace

bool getBrep(const OdDbEntity* entity, OdBrBrep& brep)
{
    const auto* region = dynamic_cast<const OdDbRegion*>(entity);
    if (!region)
        return false;
    OdBrBrep filled;
    if (region->brep(filled) != eOk)
        return false;
    brep = filled;
    return true;
}

bool getPlanarFace(const OdBrFace& face, OdGePoint3d& origin, OdGeVector3d& normal)
{
    if (face.isNull() || !face.data())
        return false;
    const auto& faceData = face.data()->faces.at(static_cast<std::size_t>(face.faceIndex()));
    // The boundary representations of this host come from regions, whose faces lie in planes parallel
    // to XY with their exterior loop counter-clockwise seen from +z (the brep's loop orientation).
    bool first = true;
    double z = 0.0;
    for (const auto& loop : faceData.loops)
    {
        for (const auto& curve : loop)
        {
            OdGeInterval interval;
            curve->getInterval(interval);
            for (int k = 0; k <= kPlanaritySamples; ++k)
            {
                const OdGePoint3d p =
                    curve->evalPoint(interval.lowerBound() + interval.length() * k / kPlanaritySamples);
                if (first)
                {
                    z = p.z;
                    origin = p;
                    first = false;
                }
                else if (std::abs(p.z - z) > OdGeContext::gTol.equalPoint())
                    return false;
            }
        }
    }
    if (first)
        return false;
    normal = OdGeVector3d::kZAxis;
    return true;
}

std::unique_ptr<OdGeCurve3d> BrToGeConverter::quickConvert(const OdBrEdge& edge)
{
    return std::unique_ptr<OdGeCurve3d>(edge.getCurve());
}

} // namespace tdx
