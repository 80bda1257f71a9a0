#pragma once

#include "cae_core/glyphs/detail/GlyphGeometry.h"
#include "platform/db/DbHatch.h"
#include "platform/db/DbText.h"

namespace cae_core::fea2d
{
class Context;
}

/// The database entities the glyphs hand to drawEntity, made with the defaults of the context's
/// drawing (setDatabaseDefaults) before the glyph's own height, pattern, scale and angle.
namespace cae_core::fea2d::detail
{
/// A single-line text of the given height at position.
OdDbTextPtr makeText(const Context& context, const OdString& text, const OdGePoint3d& position,
                     double height);
/// An "ANSI31" hatch of the band's loops, angle and scale.
OdDbHatchPtr makeHatch(const Context& context, const HatchBand& band);
/// The glyph size s of a context.
double glyphSize(const Context& context);
/// The context's unit texts; they only read the drawing, so a const context may answer them.
OdString forceUnitOf(const Context& context);
OdString lengthUnitOf(const Context& context);
/// A load's label, "<magnitude> [<force unit>]" or, per length, "<magnitude> [<force unit>/<length
/// unit>]". A context without a drawing knows no units: the label is the magnitude alone.
OdString loadLabel(const Context& context, double magnitude, bool perLength);
} // namespace cae_core::fea2d::detail
