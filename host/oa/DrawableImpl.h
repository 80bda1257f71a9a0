#pragma once

#include "platform/gi/GiDrawable.h"

namespace oa
{

/// Base of the host's transient drawables: graphics that are shown in a view but belong to no drawing
/// and are never saved. Reference counted; a view holds a reference while it shows one.
class DrawableImpl : public OdGiDrawable
{
public:
    /// Transient drawables are not database objects.
    bool isPersistent() const { return false; }

protected:
    /// The host's defaults for transient graphics: visible, in the traits the view starts with.
    std::uint32_t subSetAttributes(OdGiDrawableTraits* traits) const override;
};

} // namespace oa
