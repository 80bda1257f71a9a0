#pragma once

#include "platform/br/BrBrep.h"
#include "platform/db/DbObject.h"
#include "platform/ge/GeCurve3d.h"
#include "platform/ge/GePoint3d.h"
#include "platform/ge/GeVector3d.h"

#include <memory>

namespace tdx
{

/// The boundary representation of an entity that has one (a region). False, leaving `brep` as it was,
/// for a null entity or one of another kind.
bool getBrep(const OdDbEntity* entity, OdBrBrep& brep);

/// Whether a face is planar, and if so a point of its plane and its unit normal: the side from which
/// the face's exterior loop runs counter-clockwise. False for a null face or one whose boundary leaves
/// every plane.
bool getPlanarFace(const OdBrFace& face, OdGePoint3d& origin, OdGeVector3d& normal);

/// Conversions of boundary-representation geometry to the SDK's geometry classes.
class BrToGeConverter
{
public:
    /// The curve of an edge as a geometry curve, in the edge's own direction; null for a null edge.
    static std::unique_ptr<OdGeCurve3d> quickConvert(const OdBrEdge& edge);
};

} // namespace tdx
