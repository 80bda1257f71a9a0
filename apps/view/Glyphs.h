#pragma once

#include "cae_core/fea2d/Context.h"
#include "cae_core/fea2d/Params2d.h"
#include "cae_core/glyphs/Analyze2dDrawable.h"
#include "platform/base/SmartPtr.h"
#include "platform/db/DbRegion.h"

#include <optional>
#include <vector>

/// The host's glyphs of an analysis's loads and supports, as its view shows them.
namespace cae_app
{
/// The drawing's context with the glyph size of the command line in place of the context's own
/// (the annotation scale). Everything else is the drawing's; `base` must outlive it.
class GlyphSizeContext : public cae_core::fea2d::Context
{
public:
    GlyphSizeContext(cae_core::fea2d::Context& base, std::optional<double> glyphSize)
        : m_base(base), m_glyphSize(glyphSize)
    {
    }

    OdDbDatabase* database() const override { return m_base.database(); }
    OdString unitName(OdDb::UnitsValue units) override { return m_base.unitName(units); }
    double annoScale() const override { return m_base.annoScale(); }
    double supportLoadDrawableSize() const override
    {
        return m_glyphSize ? *m_glyphSize : m_base.supportLoadDrawableSize();
    }

private:
    cae_core::fea2d::Context& m_base;
    std::optional<double> m_glyphSize;
};

/// One glyph per entry of `params.loadsAndSupports`, in order, on the boundary loops of `region`
/// (counter-clockwise outside, clockwise round holes). A linear load or support follows the loop
/// its start lies on, in the walking direction of the analysis (so its `flipped` sense is the
/// opposite of the glyph's), the whole loop when start and end coincide. A point support on the
/// boundary stands outside it: fixed, its triangle points along the inward normal; rolling, along
/// its blocked direction turned to the inside. Off the boundary a fixed support points up.
std::vector<OdSmartPtr<cae_core::fea2d::Analyze2dDrawable>>
loadAndSupportGlyphs(const cae_core::fea2d::Params2d& params, const OdDbRegion& region,
                     const cae_core::fea2d::Context& context);
} // namespace cae_app
