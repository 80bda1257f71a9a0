#pragma once

#include "platform/db/DbObject.h"
#include "platform/ge/GeExtents3d.h"

namespace tdx
{

/// Extents of an entity that a section plane can cut (a region or a sub-division mesh): grows
/// `extents` by the entity's bounding box and returns true. Returns false, leaving `extents` as it
/// was, for a null entity, an entity of another kind, or one without geometry.
bool getSectionableExtents(const OdDbEntity* entity, OdGeExtents3d& extents);

} // namespace tdx
