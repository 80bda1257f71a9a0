#include "platform/db/DbBlockReference.h"

#include "platform/base/OdError.h"
#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbPlanarTransform.h"
#include "platform/gi/GiWorldDraw.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

OdSmartPtr<OdDbBlockReference> OdDbBlockReference::createObject()
{
    return odrxCreateObject<OdDbBlockReference>();
}

void OdDbBlockReference::setScaleFactors(const OdGeScale3d& scale)
{
    if (scale.sx == 0.0 || scale.sy == 0.0 || scale.sz == 0.0)
        throw OdError(eInvalidInput, "OdDbBlockReference::setScaleFactors: a scale factor is zero");
    m_scale = scale;
}

namespace
{
/// The blocks whose references this thread is expanding. A drawing read from a file may hold a block
/// that references itself, directly or through others; such a reference stands for nothing where it
/// is met again, instead of expanding for ever.
thread_local std::vector<const OdDbBlockTableRecord*> t_expanding;

class Expansion
{
public:
    explicit Expansion(const OdDbBlockTableRecord* block)
        : m_entered(std::ranges::find(t_expanding, block) == t_expanding.end())
    {
        if (m_entered)
            t_expanding.push_back(block);
    }
    ~Expansion()
    {
        if (m_entered)
            t_expanding.pop_back();
    }
    Expansion(const Expansion&) = delete;
    Expansion& operator=(const Expansion&) = delete;

    bool entered() const { return m_entered; }

private:
    bool m_entered;
};

OdSmartPtr<OdDbBlockTableRecord> blockOf(const OdDbBlockReference& ref)
{
    OdDbDatabase* db = ref.blockTableRecord().database();
    return db ? OdSmartPtr<OdDbBlockTableRecord>::cast(db->getObject(ref.blockTableRecord()))
              : OdSmartPtr<OdDbBlockTableRecord>();
}
} // namespace

OdGeMatrix3d OdDbBlockReference::blockTransform() const
{
    const auto block = blockOf(*this);
    const OdGePoint3d origin = block ? block->origin() : OdGePoint3d::kOrigin;
    OdGeMatrix3d scaling;
    scaling[0][0] = m_scale.sx;
    scaling[1][1] = m_scale.sy;
    scaling[2][2] = m_scale.sz;
    return OdGeMatrix3d::translation(m_position - OdGePoint3d::kOrigin) *
           OdGeMatrix3d::rotation(m_rotation, OdGeVector3d::kZAxis) * scaling *
           OdGeMatrix3d::translation(OdGePoint3d::kOrigin - origin);
}

OdResult OdDbBlockReference::getGeomExtents(OdGeExtents3d& extents) const
{
    const auto block = blockOf(*this);
    const Expansion expansion(block.get());
    if (!block || !expansion.entered())
        return eInvalidExtents;
    const OdGeMatrix3d toDrawing = blockTransform();
    OdGeExtents3d box;
    for (const OdDbObjectId& id : block->entityIds())
    {
        const auto entity = OdDbEntityPtr::cast(block->database()->getObject(id));
        OdGeExtents3d part;
        if (!entity || entity->getGeomExtents(part) != eOk)
            continue;
        const OdGePoint3d& lo = part.minPoint();
        const OdGePoint3d& hi = part.maxPoint();
        for (int corner = 0; corner < 8; ++corner)
            box.addPoint(toDrawing * OdGePoint3d((corner & 1) ? hi.x : lo.x, (corner & 2) ? hi.y : lo.y,
                                                 (corner & 4) ? hi.z : lo.z));
    }
    if (!box.isValidExtents())
        return eInvalidExtents;
    extents = box;
    return eOk;
}

OdResult OdDbBlockReference::transformBy(const OdGeMatrix3d& xform)
{
    const auto planar = OdDbDetail::planarPart(xform);
    if (!planar || !planar->uniform)
        return eNotApplicable;
    m_position = xform * m_position;
    // A mirror is a rotation followed by flipping the block's y axis: R(a) diag(s, -s) R(r) equals
    // R(a - r) diag(s, -s).
    if (planar->mirrors)
    {
        m_rotation = planar->rotation - m_rotation;
        m_scale.sy = -m_scale.sy;
    }
    else
        m_rotation += planar->rotation;
    m_rotation = std::remainder(m_rotation, 2.0 * std::numbers::pi);
    if (m_rotation < 0.0)
        m_rotation += 2.0 * std::numbers::pi;
    m_scale.sx *= planar->scale;
    m_scale.sy *= planar->scale;
    m_scale.sz *= planar->scale;
    return eOk;
}

OdSmartPtr<OdDbEntity> OdDbBlockReference::clone() const
{
    return OdSmartPtr<OdDbEntity>(new OdDbBlockReference(*this));
}

bool OdDbBlockReference::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    const auto block = blockOf(*this);
    const Expansion expansion(block.get());
    if (!worldDraw || !block || !expansion.entered())
        return false;
    const OdGeMatrix3d toDrawing = blockTransform();
    for (const OdDbObjectId& id : block->entityIds())
    {
        const auto entity = OdDbEntityPtr::cast(block->database()->getObject(id));
        if (!entity)
            continue;
        try
        {
            const OdDbEntityPtr placed = entity->clone();
            if (placed->transformBy(toDrawing) == eOk)
                worldDraw->geometry().draw(placed.get());
        }
        catch (const OdError&)
        {
            // An entity kind that cannot be copied is left out of the picture, as a proxy would be.
        }
    }
    return true;
}
