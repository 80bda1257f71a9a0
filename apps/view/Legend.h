#pragma once

#include "cae_core/results2d/ColorMap.h"
#include "host/oa/DrawableImpl.h"
#include "platform/base/OdString.h"
#include "platform/ge/GeExtents3d.h"
#include "platform/ge/GePoint3d.h"

#include <optional>
#include <vector>

/// The legend of a result picture: the colour map as a bar of bands with labelled ticks from its
/// domain's lower to its upper end under a title, and a caption (the deformation scale), standing
/// right of what the picture shows.
namespace cae_app
{
class Legend : public oa::DrawableImpl
{
public:
    /// The most ticks the bar is labelled at; its ends are always among them.
    static constexpr int kTicks = 11;

    /// One line of text of the legend.
    struct Label
    {
        OdGePoint3d position;
        double height = 0.0;
        OdString text;
        /// From the baseline to the cap height, as long as the characters advance.
        OdGeExtents3d box;
    };
    /// Where everything of the legend stands, in drawing units.
    struct Layout
    {
        /// The bar; invalid without a colour map.
        OdGeExtents3d bar;
        /// The tick values from the bar's lower end up; the last is the domain's upper end.
        std::vector<double> ticks;
        /// One per tick, in the same order.
        std::vector<Label> tickLabels;
        std::optional<Label> title;
        std::optional<Label> caption;
        /// Everything above together.
        OdGeExtents3d box;
    };

    /// `map`: what the colours mean, empty when nothing is coloured (the legend is then only its
    /// caption). `beside`: the box of everything the legend explains, glyphs and their labels
    /// included, so that it stands in free space; the legend's sizes follow that box.
    Legend(const std::optional<cae_core::ColorMap>& map, const OdString& title, const OdString& caption,
           const OdGeExtents3d& beside);

    const Layout& layout() const { return m_layout; }

    /// A tick's value as its label shows it.
    static OdString tickText(double value);

private:
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

    std::optional<cae_core::ColorMap> m_map;
    Layout m_layout;
};
} // namespace cae_app
