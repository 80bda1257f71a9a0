#include "cae_core/glyphs/DistributedDrawables.h"

#include "cae_core/glyphs/detail/Entities.h"
#include "cae_core/glyphs/detail/GlyphGeometry.h"
#include "platform/db/DbCurve.h"
#include "platform/ge/GeNurbCurve3d.h"

#include <memory>

namespace cae_core::fea2d
{
namespace
{
/// Draws a geometry curve as the database curve made from it.
void drawCurve(BaseDrawer& drawer, const OdGeCurve3d& curve)
{
    OdDbCurve* raw = nullptr;
    if (OdDbCurve::createFromOdGeCurve(curve, raw) != eOk)
        return;
    const OdDbCurvePtr entity(raw);
    drawer.drawEntity(*entity);
}
} // namespace

BaseDistributedDrawable::BaseDistributedDrawable(const CurveArray& curves, const Context& context)
    : m_context(&context)
{
    for (const auto& curve : curves)
        m_curves.append(OdSharedPtr<OdGeCurve3d>(curve ? curve->copy() : nullptr));
}

void BaseDistributedDrawable::setStartLocation(const OdGePoint3d& location)
{
    m_startLocation = location;
    computeSegmentChain();
}

void BaseDistributedDrawable::setEndLocation(const OdGePoint3d& location)
{
    m_endLocation = location;
    computeSegmentChain();
}

void BaseDistributedDrawable::setFlipped(bool flipped)
{
    if (flipped == m_flipped)
        return;
    m_flipped = flipped;
    computeSegmentChain();
}

void BaseDistributedDrawable::computeSegmentChain()
{
    m_segmentChain = detail::segmentChain(m_curves, walkStart(), walkEnd());
}

double BaseDistributedDrawable::length() const
{
    return detail::chainLength(m_segmentChain, walkStart(), walkEnd());
}

void BaseDistributedDrawable::draw(BaseDrawer& drawer) const
{
    for (const detail::Piece& piece :
         detail::pieces(m_close ? m_curves : m_segmentChain, m_close, walkStart(), walkEnd()))
        drawCurveSegment(*piece.curve, piece.from, piece.to, piece.next, drawer);
}

OdSmartPtr<DistributedLoadDrawable> DistributedLoadDrawable::createObject(const CurveArray& curves,
                                                                          const Context& context)
{
    return odrxCreateObject<DistributedLoadDrawable>(curves, context);
}

void DistributedLoadDrawable::drawCurveSegment(const OdGeCurve3d& curve, double fromParam, double toParam,
                                               const OdGeCurve3d* nextCurve, BaseDrawer& drawer) const
{
    const double s = detail::glyphSize(context());
    const detail::DistributedLoadPiece g = detail::distributedLoadPiece(
        {&curve, fromParam, toParam, nextCurve}, m_angleRelativeToBoundary, m_angle, s);
    for (const detail::Arrow& a : g.arrows)
    {
        drawer.drawLine(a.tip, a.tail);
        drawer.drawPolygon(OdArray<OdGePoint3d>{a.head[0], a.head[1], a.head[2]});
    }
    OdGePoint3dArray tails;
    for (const OdGePoint3d& p : g.tails)
        if (tails.isEmpty() || !tails.last().isEqualTo(p))
            tails.append(p);
    if (tails.size() >= 2)
        drawCurve(drawer, OdGeNurbCurve3d(tails));
    if (nextCurve || !m_magnitude)
        return;
    const OdDbTextPtr label = detail::makeText(context(), detail::loadLabel(context(), *m_magnitude, true),
                                               OdGePoint3d::kOrigin, 6.0 * s);
    OdGePoint3dArray corners;
    OdGeExtents3d box;
    if (label->getGeomExtents(box) == eOk)
        for (const double fx : {0.0, 1.0})
            for (const double fy : {0.0, 1.0})
                corners.append(box.minPoint() + OdGeVector3d(fx * (box.maxPoint().x - box.minPoint().x),
                                                             fy * (box.maxPoint().y - box.minPoint().y),
                                                             0.0));
    label->setPosition(OdGePoint3d::kOrigin + detail::labelShift(corners, g.labelAnchor, g.labelNormal));
    drawer.drawEntity(*label);
}

OdSmartPtr<DistributedSupportDrawable> DistributedSupportDrawable::createObject(const CurveArray& curves,
                                                                                const Context& context)
{
    return odrxCreateObject<DistributedSupportDrawable>(curves, context);
}

void DistributedSupportDrawable::drawCurveSegment(const OdGeCurve3d& curve, double fromParam, double toParam,
                                                  const OdGeCurve3d* nextCurve, BaseDrawer& drawer) const
{
    const double s = detail::glyphSize(context());
    const detail::DistributedSupportPiece g =
        detail::distributedSupportPiece({&curve, fromParam, toParam, nextCurve}, m_rolling, s);
    if (g.triangles.empty())
        return;
    for (const detail::Triangle& t : g.triangles)
    {
        drawer.drawLine(t[0], t[1]);
        drawer.drawLine(t[0], t[2]);
    }
    drawCurve(drawer, *g.groundLine);
    if (g.secondLine)
        drawCurve(drawer, *g.secondLine);
    if (g.hatch)
        drawer.drawEntity(*detail::makeHatch(context(), *g.hatch));
}
} // namespace cae_core::fea2d
