#include "cae_core/glyphs/detail/Entities.h"

#include "cae_core/fea2d/Context.h"

namespace cae_core::fea2d::detail
{
OdDbTextPtr makeText(const Context& context, const OdString& text, const OdGePoint3d& position, double height)
{
    const OdDbTextPtr label = OdDbText::createObject();
    // The drawing's colour for new entities; its text size gives way to the glyph's height.
    label->setDatabaseDefaults(context.database());
    label->setTextString(text);
    label->setPosition(position);
    label->setHeight(height);
    return label;
}

OdDbHatchPtr makeHatch(const Context& context, const HatchBand& band)
{
    const OdDbHatchPtr hatch = OdDbHatch::createObject();
    hatch->setDatabaseDefaults(context.database());
    bool first = true;
    for (const HatchLoop& loop : band.loops)
    {
        hatch->appendLoop(first ? (OdDbHatch::kExternal | OdDbHatch::kPolyline) : OdDbHatch::kPolyline,
                          loop.vertices, loop.bulges);
        first = false;
    }
    hatch->setPattern(OdDbHatch::kPreDefined, OdString(L"ANSI31"));
    hatch->setPatternScale(band.patternScale);
    hatch->setPatternAngle(band.patternAngle);
    return hatch;
}

double glyphSize(const Context& context)
{
    return context.supportLoadDrawableSize();
}

OdString forceUnitOf(const Context& context)
{
    return const_cast<Context&>(context).forceUnit();
}

OdString lengthUnitOf(const Context& context)
{
    return const_cast<Context&>(context).lengthUnit();
}

OdString loadLabel(const Context& context, double magnitude, bool perLength)
{
    OdString text;
    if (!context.database())
        text.format(L"%g", magnitude);
    else if (perLength)
        text.format(L"%g [%ls/%ls]", magnitude, forceUnitOf(context).c_str(), lengthUnitOf(context).c_str());
    else
        text.format(L"%g [%ls]", magnitude, forceUnitOf(context).c_str());
    return text;
}
} // namespace cae_core::fea2d::detail
