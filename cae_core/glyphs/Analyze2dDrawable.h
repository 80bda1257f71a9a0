#pragma once

#include "cae_core/glyphs/BaseDrawer.h"
#include "host/oa/DrawableImpl.h"

namespace cae_core::fea2d
{
class Context;

/// The base of every load and support glyph: a transient drawable of the host that draws itself
/// through a drawer, so the same code shows it on screen and turns it into entities.
class Analyze2dDrawable : public oa::DrawableImpl
{
public:
    /// Draws the glyph into the drawer.
    virtual void draw(BaseDrawer& drawer) const = 0;
    /// The drawing the glyph belongs to; its glyph size scales every glyph.
    virtual const Context& context() const = 0;

protected:
    /// Draws the glyph through a GiWorldDrawer on `worldDraw`; false, drawing nothing, for null.
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;
};
} // namespace cae_core::fea2d
