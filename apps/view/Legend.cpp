#include "apps/view/Legend.h"

#include "platform/gi/GiGeometry.h"
#include "platform/gi/GiWorldDraw.h"

#include <algorithm>

namespace cae_app
{
namespace
{
/// Bands of the bar: enough that neighbours differ by less than the eye tells apart.
constexpr int kBands = 48;
/// The legend's unit of size is this share of the larger of the height and half the width of what
/// it explains, so that a long slender part gets a legend as readable as a squat one.
constexpr double kUnitShare = 0.05;
/// In legend units: the gap to what it explains, the bar's width and height, the text height (the
/// bar's tick pitch of 1.2 leaves a text height's gap between neighbouring labels).
constexpr double kGap = 2.0;
constexpr double kBarWidth = 1.0;
constexpr double kBarHeight = 12.0;
constexpr double kTextHeight = 0.6;

cae_app::Legend::Label label(const OdGePoint3d& at, double height, const OdString& text)
{
    const double length = text.getLength() * kOdGiCharacterAdvance * height;
    return {at, height, text, OdGeExtents3d(at, at + OdGeVector3d(length, height, 0.0))};
}
} // namespace

OdString Legend::tickText(double value)
{
    OdString text;
    text.format(L"%.4g", value);
    return text;
}

Legend::Legend(const std::optional<cae_core::ColorMap>& map, const OdString& title, const OdString& caption,
               const OdGeExtents3d& beside)
    : m_map(map)
{
    if (!beside.isValidExtents())
        return;
    const OdGePoint3d lo = beside.minPoint(), hi = beside.maxPoint();
    const double u = std::max(hi.y - lo.y, (hi.x - lo.x) / 2) * kUnitShare;
    const double h = kTextHeight * u;
    const double x0 = hi.x + kGap * u;
    const double middle = lo.y + (hi.y - lo.y) / 2;
    Layout& l = m_layout;
    if (m_map)
    {
        const double y0 = middle - kBarHeight * u / 2, y1 = y0 + kBarHeight * u;
        l.bar = OdGeExtents3d(OdGePoint3d(x0, y0, 0), OdGePoint3d(x0 + kBarWidth * u, y1, 0));
        const cae_core::ColorMapDomain domain = m_map->getColorMapDomain();
        // A map of one value has one tick; its labels would all say the same.
        const int ticks = domain.max > domain.min ? kTicks : 1;
        for (int i = 0; i < ticks; ++i)
        {
            const double t = ticks == 1 ? 1.0 : static_cast<double>(i) / (ticks - 1);
            // The last tick is the upper end itself, not a sum that may round past it.
            const double value = i + 1 == ticks ? domain.max : domain.min + t * (domain.max - domain.min);
            l.ticks.push_back(value);
            l.tickLabels.push_back(label(
                OdGePoint3d(x0 + (kBarWidth + 0.6) * u, y0 + t * (y1 - y0) - h / 2, 0), h, tickText(value)));
        }
        l.title = label(OdGePoint3d(x0, y1 + 0.8 * u, 0), h, title);
        if (!caption.isEmpty())
            l.caption = label(OdGePoint3d(x0, y0 - 0.8 * u - h, 0), h, caption);
    }
    else if (!caption.isEmpty())
        l.caption = label(OdGePoint3d(x0, middle - h / 2, 0), h, caption);
    l.box = l.bar;
    for (const Label& t : l.tickLabels)
        l.box.addExt(t.box);
    for (const auto& t : {l.title, l.caption})
        if (t)
            l.box.addExt(t->box);
}

bool Legend::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw || !m_layout.box.isValidExtents())
        return false;
    OdGiSubEntityTraits& traits = worldDraw->subEntityTraits();
    OdGiWorldGeometry& geometry = worldDraw->geometry();
    if (m_map && m_layout.bar.isValidExtents())
    {
        const double x0 = m_layout.bar.minPoint().x, x1 = m_layout.bar.maxPoint().x;
        const double y0 = m_layout.bar.minPoint().y, y1 = m_layout.bar.maxPoint().y;
        const cae_core::ColorMapDomain domain = m_map->getColorMapDomain();
        traits.setFillType(kOdGiFillAlways);
        for (int i = 0; i < kBands; ++i)
        {
            const double t = (i + 0.5) / kBands;
            const OdCmColor c = m_map->getColor(domain.min + t * (domain.max - domain.min));
            traits.setTrueColor(OdCmEntityColor(c.red(), c.green(), c.blue()));
            const double a = y0 + (y1 - y0) * i / kBands, b = y0 + (y1 - y0) * (i + 1) / kBands;
            const OdGePoint3d band[] = {OdGePoint3d(x0, a, 0), OdGePoint3d(x1, a, 0), OdGePoint3d(x1, b, 0),
                                        OdGePoint3d(x0, b, 0)};
            geometry.polygon(4, band);
        }
        traits.setTrueColor(OdCmEntityColor(0, 0, 0));
        const OdGePoint3d frame[] = {OdGePoint3d(x0, y0, 0), OdGePoint3d(x1, y0, 0), OdGePoint3d(x1, y1, 0),
                                     OdGePoint3d(x0, y1, 0), OdGePoint3d(x0, y0, 0)};
        geometry.polyline(5, frame);
        // A tick mark on each side of the bar where its label reads.
        const double mark = (x1 - x0) / 4;
        for (std::size_t i = 0; i < m_layout.ticks.size(); ++i)
        {
            const double y = m_layout.ticks.size() == 1
                                 ? y1
                                 : y0 + (y1 - y0) * static_cast<double>(i) / (m_layout.ticks.size() - 1);
            const OdGePoint3d right[] = {OdGePoint3d(x1, y, 0), OdGePoint3d(x1 + mark, y, 0)};
            geometry.polyline(2, right);
        }
    }
    traits.setTrueColor(OdCmEntityColor(0, 0, 0));
    auto write = [&geometry](const Label& l)
    { geometry.text(l.position, OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, l.height, 1.0, 0.0, l.text); };
    for (const Label& l : m_layout.tickLabels)
        write(l);
    for (const auto& l : {m_layout.title, m_layout.caption})
        if (l)
            write(*l);
    return true;
}
} // namespace cae_app
