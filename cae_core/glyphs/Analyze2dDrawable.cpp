#include "cae_core/glyphs/Analyze2dDrawable.h"

#include "cae_core/glyphs/GiWorldDrawer.h"

namespace cae_core::fea2d
{
bool Analyze2dDrawable::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw)
        return false;
    GiWorldDrawer drawer(*worldDraw);
    draw(drawer);
    return true;
}
} // namespace cae_core::fea2d
