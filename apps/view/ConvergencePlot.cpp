#include "apps/view/ConvergencePlot.h"

#include "apps/file/Format.h"

#include "host/oa/DrawableImpl.h"
#include "host/oa/DwgViewer.h"
#include "platform/gi/GiWorldDraw.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace cae_app
{
namespace
{
/// World sizes of the plot: two panels of this width and height, one above the other.
constexpr double kWidth = 16.0;
constexpr double kHeight = 4.0;
constexpr double kGap = 2.0;
constexpr double kText = 0.35;
/// Half the side of a point's marker.
constexpr double kMarker = 0.08;

struct Series
{
    OdString title;
    std::vector<double> values;
    std::optional<double> limit;
    OdCmEntityColor color;
};

class Plot : public oa::DrawableImpl
{
public:
    Plot(std::vector<double> unknowns, std::vector<Series> series)
        : m_unknowns(std::move(unknowns)), m_series(std::move(series))
    {
    }

private:
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;
    void panel(OdGiWorldDraw& draw, const Series& series, double bottom) const;

    std::vector<double> m_unknowns;
    std::vector<Series> m_series;
};

void text(OdGiWorldDraw& draw, double x, double y, const OdString& s)
{
    draw.geometry().text(OdGePoint3d(x, y, 0), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, kText, 1.0, 0.0,
                         s);
}

OdString odText(const std::string& s)
{
    return OdString(s.c_str());
}

bool Plot::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw || m_unknowns.empty())
        return false;
    for (std::size_t i = 0; i < m_series.size(); ++i)
        panel(*worldDraw, m_series[i], static_cast<double>(m_series.size() - 1 - i) * (kHeight + kGap));
    return true;
}

void Plot::panel(OdGiWorldDraw& draw, const Series& series, double bottom) const
{
    OdGiSubEntityTraits& traits = draw.subEntityTraits();
    auto [lo, hi] = std::minmax_element(series.values.begin(), series.values.end());
    double y0 = *lo, y1 = *hi;
    if (series.limit)
    {
        y0 = std::min(y0, *series.limit);
        y1 = std::max(y1, *series.limit);
    }
    // A flat series still gets a band to sit in.
    const double pad = std::max(0.05 * (y1 - y0), 1e-9 * std::max(std::abs(y0), std::abs(y1)) + 1e-300);
    y0 -= pad;
    y1 += pad;
    const double x0 = std::log10(m_unknowns.front()), x1 = std::log10(m_unknowns.back());
    const double xSpan = x1 > x0 ? x1 - x0 : 1.0;
    auto at = [&](double unknowns, double value)
    {
        const double x = m_unknowns.size() > 1 ? (std::log10(unknowns) - x0) / xSpan * kWidth : kWidth / 2;
        return OdGePoint3d(x, bottom + (value - y0) / (y1 - y0) * kHeight, 0);
    };

    traits.setTrueColor(OdCmEntityColor(0, 0, 0));
    const OdGePoint3d frame[] = {OdGePoint3d(0, bottom, 0), OdGePoint3d(kWidth, bottom, 0),
                                 OdGePoint3d(kWidth, bottom + kHeight, 0),
                                 OdGePoint3d(0, bottom + kHeight, 0), OdGePoint3d(0, bottom, 0)};
    draw.geometry().polyline(5, frame);
    text(draw, 0, bottom + kHeight + 0.4, series.title);
    text(draw, -3.2, bottom + kHeight - kText, odText(formatNumber(y1, 5)));
    text(draw, -3.2, bottom, odText(formatNumber(y0, 5)));
    text(draw, 0, bottom - 0.7, odText(formatNumber(m_unknowns.front())));
    if (m_unknowns.size() > 1)
        text(draw, kWidth - 1.5, bottom - 0.7, odText(formatNumber(m_unknowns.back())));
    text(draw, kWidth / 2 - 1.2, bottom - 0.7, L"unknowns (log)");

    if (series.limit)
    {
        traits.setTrueColor(OdCmEntityColor(128, 128, 128));
        const OdGePoint3d line[] = {at(m_unknowns.front(), *series.limit),
                                    at(m_unknowns.back(), *series.limit)};
        OdGePoint3d l[] = {OdGePoint3d(0, line[0].y, 0), OdGePoint3d(kWidth, line[1].y, 0)};
        draw.geometry().polyline(2, l);
        text(draw, kWidth + 0.3, line[0].y - kText / 2, L"extrapolated");
    }

    traits.setTrueColor(series.color);
    std::vector<OdGePoint3d> points;
    for (std::size_t i = 0; i < series.values.size(); ++i)
        points.push_back(at(m_unknowns[i], series.values[i]));
    draw.geometry().polyline(static_cast<std::int32_t>(points.size()), points.data());
    traits.setFillType(kOdGiFillAlways);
    for (const auto& p : points)
    {
        const OdGePoint3d marker[] = {
            OdGePoint3d(p.x - kMarker, p.y - kMarker, 0), OdGePoint3d(p.x + kMarker, p.y - kMarker, 0),
            OdGePoint3d(p.x + kMarker, p.y + kMarker, 0), OdGePoint3d(p.x - kMarker, p.y + kMarker, 0)};
        draw.geometry().polygon(4, marker);
    }
    traits.setFillType(kOdGiFillNever);
}
} // namespace

ConvergencePictures convergencePictures(const ConvergenceStudy& study, const std::string& lengthUnit,
                                        const std::string& stressUnit, int width, int height)
{
    std::vector<double> unknowns;
    Series stress{
        odText("Largest von Mises stress [" + stressUnit + "]"), {}, {}, OdCmEntityColor(200, 30, 30)};
    Series displacement{
        odText("Largest displacement [" + lengthUnit + "]"), {}, {}, OdCmEntityColor(30, 60, 200)};
    for (const auto& s : study.steps)
    {
        unknowns.push_back(static_cast<double>(s.unknowns));
        stress.values.push_back(s.maxVonMises);
        displacement.values.push_back(s.maxDisplacement);
    }
    if (study.vonMises)
        stress.limit = study.vonMises->value;
    if (study.displacement)
        displacement.limit = study.displacement->value;
    if (study.end == EConvergenceEnd::eSingular)
        stress.title += L" - grows without bound (singular)";
    oa::View view;
    const auto plot = odrxCreateObject<Plot>(std::move(unknowns), std::vector<Series>{stress, displacement});
    view.add(plot.get());
    return {view.renderSvg(width, height), view.renderPng(width, height)};
}
} // namespace cae_app
