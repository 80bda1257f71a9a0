#include "apps/view/Glyphs.h"

#include "cae_core/glyphs/BoundaryNormal.h"
#include "cae_core/glyphs/DistributedDrawables.h"
#include "cae_core/glyphs/PointDrawables.h"

#include <type_traits>
#include <variant>

namespace cae_app
{
namespace fea2d = cae_core::fea2d;

namespace
{
OdGePoint3d at(const OdGePoint2d& p)
{
    return OdGePoint3d(p.x, p.y, 0.0);
}

/// The region's loop that p lies on, or an empty array.
fea2d::BaseDistributedDrawable::CurveArray loopThrough(const OdDbRegion& region, const OdGePoint2d& p)
{
    fea2d::BaseDistributedDrawable::CurveArray curves;
    for (int i = 0; i < region.numLoops() && curves.isEmpty(); ++i)
    {
        const OdDbRegion::Loop& loop = region.loopAt(i);
        bool on = false;
        for (const auto& curve : loop)
            on = on || curve->isOn(at(p));
        if (on)
            for (const auto& curve : loop)
                curves.append(curve);
    }
    return curves;
}

/// The unit normal into the region at p, from the first boundary curve p lies on; zero off the
/// boundary.
OdGeVector3d inwardNormal(const OdDbRegion& region, const OdGePoint2d& p)
{
    for (int i = 0; i < region.numLoops(); ++i)
        for (const auto& curve : region.loopAt(i))
        {
            const OdGeVector3d out = fea2d::getCurveNormalAtPoint(*curve, at(p), OdGeVector3d::kZAxis);
            if (!out.isZeroLength())
                return -out;
        }
    return OdGeVector3d();
}

OdGeVector3d supportDirection(const fea2d::PointSupport& support, const OdDbRegion& region)
{
    const OdGeVector3d inward = inwardNormal(region, support.location);
    const OdGeVector3d blocked(support.direction.x, support.direction.y, 0.0);
    if (!support.rolling || blocked.isZeroLength())
        return inward.isZeroLength() ? OdGeVector3d::kYAxis : inward;
    return blocked.dotProduct(inward) < 0.0 ? -blocked : blocked;
}

/// Walk, ends and whole-loop flag of a linear glyph from its record.
template <class Record> void setWalk(fea2d::BaseDistributedDrawable& glyph, const Record& r)
{
    glyph.setStartLocation(at(r.startLocation));
    glyph.setEndLocation(at(r.endLocation));
    // The record walks from its start only when flipped, the glyph only when not.
    glyph.setFlipped(!r.flipped);
    glyph.setClose(r.startLocation.isEqualTo(r.endLocation));
}
} // namespace

std::vector<OdSmartPtr<fea2d::Analyze2dDrawable>>
loadAndSupportGlyphs(const fea2d::Params2d& params, const OdDbRegion& region, const fea2d::Context& context)
{
    std::vector<OdSmartPtr<fea2d::Analyze2dDrawable>> glyphs;
    for (const fea2d::LoadOrSupport& item : params.loadsAndSupports)
        glyphs.push_back(std::visit(
            [&](const auto& r) -> OdSmartPtr<fea2d::Analyze2dDrawable>
            {
                using T = std::decay_t<decltype(r)>;
                if constexpr (std::is_same_v<T, fea2d::PointLoad>)
                {
                    const auto glyph = fea2d::PointLoadDrawable::createObject(context);
                    glyph->setLocation(at(r.location));
                    glyph->setDirection(OdGeVector3d(r.direction.x, r.direction.y, 0.0));
                    glyph->setMagnitude(r.magnitude);
                    return glyph;
                }
                else if constexpr (std::is_same_v<T, fea2d::PointSupport>)
                {
                    const auto glyph = fea2d::PointSupportDrawable::createObject(context);
                    glyph->setLocation(at(r.location));
                    glyph->setDirection(supportDirection(r, region));
                    glyph->setRolling(r.rolling);
                    return glyph;
                }
                else if constexpr (std::is_same_v<T, fea2d::LinearLoad>)
                {
                    const auto glyph = fea2d::DistributedLoadDrawable::createObject(
                        loopThrough(region, r.startLocation), context);
                    glyph->setMagnitude(r.magnitude);
                    glyph->setAngleRelativeToBoundary(r.angleRelativeToBoundary);
                    glyph->setAngle(r.angle);
                    setWalk(*glyph, r);
                    return glyph;
                }
                else
                {
                    const auto glyph = fea2d::DistributedSupportDrawable::createObject(
                        loopThrough(region, r.startLocation), context);
                    glyph->setRolling(r.rolling);
                    setWalk(*glyph, r);
                    return glyph;
                }
            },
            item));
    return glyphs;
}
} // namespace cae_app
