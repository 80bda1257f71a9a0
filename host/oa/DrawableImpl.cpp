#include "host/oa/DrawableImpl.h"

namespace oa
{

std::uint32_t DrawableImpl::subSetAttributes(OdGiDrawableTraits*) const
{
    return kDrawableNone;
}

} // namespace oa
