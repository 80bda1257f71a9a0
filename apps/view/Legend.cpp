#include "apps/view/Legend.h"

#include "platform/gi/GiWorldDraw.h"

#include <algorithm>

namespace cae_app
{
namespace
{
/// Bands of the bar: enough that neighbours differ by less than the eye tells apart.
constexpr int kBands = 48;
/// The legend's unit of size is this share of the height of what it explains.
constexpr double kUnitShare = 0.05;
} // namespace

Legend::Legend(const cae_core::ColorMap& map, const OdString& title, const OdGeExtents3d& beside)
    : m_map(map), m_title(title), m_beside(beside)
{
}

bool Legend::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw || !m_beside.isValidExtents())
        return false;
    const OdGePoint3d lo = m_beside.minPoint(), hi = m_beside.maxPoint();
    const double u = std::max(hi.y - lo.y, (hi.x - lo.x) / 2) * kUnitShare;
    const double x0 = hi.x + 2 * u, x1 = x0 + u;
    const double y0 = lo.y + (hi.y - lo.y) / 2 - 6 * u, y1 = y0 + 12 * u;
    const cae_core::ColorMapDomain domain = m_map.getColorMapDomain();
    OdGiSubEntityTraits& traits = worldDraw->subEntityTraits();
    traits.setFillType(kOdGiFillAlways);
    for (int i = 0; i < kBands; ++i)
    {
        const double t = (i + 0.5) / kBands;
        const OdCmColor c = m_map.getColor(domain.min + t * (domain.max - domain.min));
        traits.setTrueColor(OdCmEntityColor(c.red(), c.green(), c.blue()));
        const double a = y0 + (y1 - y0) * i / kBands, b = y0 + (y1 - y0) * (i + 1) / kBands;
        const OdGePoint3d band[] = {OdGePoint3d(x0, a, 0), OdGePoint3d(x1, a, 0), OdGePoint3d(x1, b, 0),
                                    OdGePoint3d(x0, b, 0)};
        worldDraw->geometry().polygon(4, band);
    }
    traits.setTrueColor(OdCmEntityColor(0, 0, 0));
    const OdGePoint3d frame[] = {OdGePoint3d(x0, y0, 0), OdGePoint3d(x1, y0, 0), OdGePoint3d(x1, y1, 0),
                                 OdGePoint3d(x0, y1, 0), OdGePoint3d(x0, y0, 0)};
    worldDraw->geometry().polyline(5, frame);
    const double h = 0.7 * u;
    OdString text;
    text.format(L"%.4g", domain.max);
    worldDraw->geometry().text(OdGePoint3d(x1 + 0.5 * u, y1 - h, 0), OdGeVector3d::kZAxis,
                               OdGeVector3d::kXAxis, h, 1.0, 0.0, text);
    text.format(L"%.4g", domain.min);
    worldDraw->geometry().text(OdGePoint3d(x1 + 0.5 * u, y0, 0), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis,
                               h, 1.0, 0.0, text);
    worldDraw->geometry().text(OdGePoint3d(x0, y1 + 0.8 * u, 0), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis,
                               h, 1.0, 0.0, m_title);
    return true;
}
} // namespace cae_app
