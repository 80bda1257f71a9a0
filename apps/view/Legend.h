#pragma once

#include "cae_core/results2d/ColorMap.h"
#include "host/oa/DrawableImpl.h"
#include "platform/base/OdString.h"
#include "platform/ge/GeExtents3d.h"

/// The colour legend of a result picture: the map as a bar of bands with its domain's ends and a
/// title, standing to the right of what the picture shows.
namespace cae_app
{
class Legend : public oa::DrawableImpl
{
public:
    /// `beside`: the box of what the legend explains; the legend's sizes follow its height.
    Legend(const cae_core::ColorMap& map, const OdString& title, const OdGeExtents3d& beside);

private:
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

    cae_core::ColorMap m_map;
    OdString m_title;
    OdGeExtents3d m_beside;
};
} // namespace cae_app
