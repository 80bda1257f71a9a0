#include "cae_core/fea2d/Params2d.h"

#include "platform/ge/GePoint3d.h"

#include <cmath>
#include <type_traits>

namespace cae_core::fea2d
{
namespace
{
/// Moves a location by the full transform, as the 3D point (x, y, 0).
OdGePoint2d transformLocation(const OdGePoint2d& p, const OdGeMatrix3d& m)
{
    return (m * OdGePoint3d(p.x, p.y, 0.0)).convert2d();
}
} // namespace

LoadOrSupportType getLoadOrSupportType(const LoadOrSupport& loadOrSupport)
{
    return static_cast<LoadOrSupportType>(loadOrSupport.index());
}

LoadOrSupport transform(const LoadOrSupport& loadOrSupport, const OdGeMatrix3d& m)
{
    // Directions follow only the in-plane rotation so that they stay unit (or keep their length)
    // whatever scaling or mirroring the transform carries.
    const double rotation = std::atan2(m[1][0], m[0][0]);
    return std::visit(
        [&](auto record) -> LoadOrSupport
        {
            using Record = std::decay_t<decltype(record)>;
            if constexpr (std::is_same_v<Record, PointLoad>)
            {
                record.direction.rotateBy(rotation);
                record.location = transformLocation(record.location, m);
            }
            else if constexpr (std::is_same_v<Record, PointSupport>)
            {
                record.direction.rotateBy(rotation);
                record.location = transformLocation(record.location, m);
            }
            else
            {
                record.startLocation = transformLocation(record.startLocation, m);
                record.endLocation = transformLocation(record.endLocation, m);
            }
            return record;
        },
        loadOrSupport);
}
} // namespace cae_core::fea2d
