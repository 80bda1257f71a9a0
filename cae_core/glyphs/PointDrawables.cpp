#include "cae_core/glyphs/PointDrawables.h"

#include "cae_core/glyphs/detail/Entities.h"
#include "cae_core/glyphs/detail/GlyphGeometry.h"

namespace cae_core::fea2d
{
namespace
{
OdArray<OdGePoint3d> polygon(const detail::Triangle& t)
{
    return OdArray<OdGePoint3d>{t[0], t[1], t[2]};
}
} // namespace

OdSmartPtr<PointLoadDrawable> PointLoadDrawable::createObject(const Context& context)
{
    return odrxCreateObject<PointLoadDrawable>(context);
}

void PointLoadDrawable::draw(BaseDrawer& drawer) const
{
    const double s = detail::glyphSize(context());
    const detail::PointLoadGlyph g = detail::pointLoadGlyph(m_location, m_direction, s);
    drawer.drawLine(g.arrow.tip, g.arrow.tail);
    drawer.drawPolygon(polygon(g.arrow.head));
    if (!m_magnitude)
        return;
    drawer.drawEntity(*detail::makeText(context(), detail::loadLabel(context(), *m_magnitude, false),
                                        g.labelPosition, g.labelHeight));
}

OdSmartPtr<PointSupportDrawable> PointSupportDrawable::createObject(const Context& context)
{
    return odrxCreateObject<PointSupportDrawable>(context);
}

void PointSupportDrawable::draw(BaseDrawer& drawer) const
{
    const double s = detail::glyphSize(context());
    const detail::PointSupportGlyph g = detail::pointSupportGlyph(m_location, m_direction, m_rolling, s);
    drawer.drawPolygon(polygon(g.triangle));
    for (const auto& line : g.groundLines)
        drawer.drawLine(line[0], line[1]);
    drawer.drawEntity(*detail::makeHatch(context(), g.hatch));
}
} // namespace cae_core::fea2d
