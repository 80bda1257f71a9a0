// What every entity and the region and mesh entities add as drawables: attributes, graphics,
// transforms and copies.
#include "platform/base/OdError.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbRegion.h"
#include "platform/db/DbSubDMesh.h"
#include "platform/ge/GeMatrix3d.h"
#include "platform/gi/GiWorldDraw.h"

#include <vector>

namespace
{
/// Points per flattened curve that is not a straight line. Curves of a region are arcs and splines a
/// few times the mesh size long; 64 chords keep an arc's chord error below 0.12% of its radius.
constexpr int kCurveSamples = 65;
} // namespace

void OdDbEntity::setDatabaseDefaults(OdDbDatabase* database)
{
    if (database)
        m_color = database->getCECOLOR();
}

OdResult OdDbEntity::transformBy(const OdGeMatrix3d&)
{
    return eNotApplicable;
}

OdSmartPtr<OdDbEntity> OdDbEntity::clone() const
{
    throw OdError(eNotApplicable, "this kind of entity cannot be copied");
}

std::uint32_t OdDbEntity::subSetAttributes(OdGiDrawableTraits* traits) const
{
    if (auto* subEntity = dynamic_cast<OdGiSubEntityTraits*>(traits))
        subEntity->setTrueColor(m_color.entityColor());
    return kDrawableNone;
}

OdResult OdDbRegion::transformBy(const OdGeMatrix3d& xform)
{
    std::vector<Loop> moved;
    moved.reserve(m_loops.size());
    for (const Loop& loop : m_loops)
    {
        Loop copy;
        for (const auto& curve : loop)
        {
            OdSharedPtr<OdGeCurve3d> c(curve->copy());
            c->transformBy(xform);
            copy.push_back(c);
        }
        moved.push_back(std::move(copy));
    }
    // setLoops checks that the moved loops still lie in the XY plane and are still closed.
    return setLoops(moved) == eOk ? eOk : eNotApplicable;
}

OdSmartPtr<OdDbEntity> OdDbRegion::clone() const
{
    // The curves are never changed in place (transformBy replaces them), so the copy may share them.
    return OdSmartPtr<OdDbEntity>(new OdDbRegion(*this));
}

bool OdDbRegion::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw)
        return false;
    for (const Loop& loop : m_loops)
    {
        for (const auto& curve : loop)
        {
            OdGePoint3dArray points;
            OdGeInterval interval;
            curve->getInterval(interval);
            if (curve->isLinear())
            {
                points.append(curve->evalPoint(interval.lowerBound()));
                points.append(curve->evalPoint(interval.upperBound()));
            }
            else
            {
                for (int i = 0; i < kCurveSamples; ++i)
                    points.append(curve->evalPoint(interval.lowerBound() +
                                                   interval.length() * i / (kCurveSamples - 1)));
            }
            worldDraw->geometry().polyline(static_cast<std::int32_t>(points.size()), points.getPtr());
        }
    }
    return true;
}

OdResult OdDbSubDMesh::transformBy(const OdGeMatrix3d& xform)
{
    for (OdGePoint3d& p : m_vertices)
        p = xform * p;
    return eOk;
}

OdSmartPtr<OdDbEntity> OdDbSubDMesh::clone() const
{
    return OdSmartPtr<OdDbEntity>(new OdDbSubDMesh(*this));
}

bool OdDbSubDMesh::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw)
        return false;
    worldDraw->geometry().shell(static_cast<std::int32_t>(m_vertices.size()), m_vertices.getPtr(),
                                static_cast<std::int32_t>(m_faces.size()), m_faces.getPtr());
    return true;
}
