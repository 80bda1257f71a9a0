#pragma once

#include "cae_core/glyphs/BaseDrawer.h"
#include "platform/base/RxObject.h"

namespace cae_core::fea2d
{
class Context;

/// The base of every load and support glyph: a reference-counted drawable that draws itself
/// through a drawer, so the same code shows it on screen and turns it into entities.
class Analyze2dDrawable : public OdRxObject
{
public:
    /// Draws the glyph into the drawer.
    virtual void draw(BaseDrawer& drawer) const = 0;
    /// The drawing the glyph belongs to; its glyph size scales every glyph.
    virtual const Context& context() const = 0;
};
} // namespace cae_core::fea2d
