#include "platform/gi/GiDrawable.h"

std::uint32_t OdGiDrawable::subSetAttributes(OdGiDrawableTraits*) const
{
    return kDrawableNone;
}

bool OdGiDrawable::subWorldDraw(OdGiWorldDraw*) const
{
    return true;
}

void OdGiDrawable::subViewportDraw(OdGiViewportDraw*) const {}
