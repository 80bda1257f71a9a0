#include "host/tdx/Brep.h"

#include "platform/db/DbRegion.h"
#include "platform/db/DbSubDMesh.h"

namespace tdx
{

namespace
{
/// The kinds of entity that carry an area or volume a section plane can cut. Curves, texts and
/// the like have extents too, but no section, so they are not sectionable.
bool isSectionable(const OdDbEntity& entity)
{
    return entity.isKindOf<OdDbRegion>() || entity.isKindOf<OdDbSubDMesh>();
}
} // namespace

bool getSectionableExtents(const OdDbEntity* entity, OdGeExtents3d& extents)
{
    if (!entity || !isSectionable(*entity))
        return false;
    OdGeExtents3d own;
    if (entity->getGeomExtents(own) != eOk || !own.isValidExtents())
        return false;
    extents.addExt(own);
    return true;
}

} // namespace tdx
