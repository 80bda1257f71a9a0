#pragma once

#include "platform/db/DbObject.h"
#include "platform/ge/GeMatrix3d.h"
#include "platform/ge/GePoint3d.h"
#include "platform/ge/GeScale3d.h"

/// A placement of a block in the XY plane: the block's origin goes to `position`, after scaling by
/// `scaleFactors` and turning by `rotation` (radians, counter-clockwise) about it.
class OdDbBlockReference : public OdDbEntity
{
public:
    static OdSmartPtr<OdDbBlockReference> createObject();

    /// The placed block (an OdDbBlockTableRecord of the same database).
    OdDbObjectId blockTableRecord() const { return m_block; }
    void setBlockTableRecord(const OdDbObjectId& block) { m_block = block; }
    OdGePoint3d position() const { return m_position; }
    void setPosition(const OdGePoint3d& position) { m_position = position; }
    double rotation() const { return m_rotation; }
    void setRotation(double rotation) { m_rotation = rotation; }
    OdGeScale3d scaleFactors() const { return m_scale; }
    /// OdError(eInvalidInput) for a zero factor.
    void setScaleFactors(const OdGeScale3d& scale);
    OdGeVector3d normal() const { return OdGeVector3d::kZAxis; }

    /// From block coordinates to the drawing: translation to the position, rotation, scaling, and the
    /// translation that takes the block's origin to (0, 0, 0).
    OdGeMatrix3d blockTransform() const;

    /// The box of the block's entities, placed; eInvalidExtents for a missing or empty block.
    OdResult getGeomExtents(OdGeExtents3d& extents) const override;
    /// Follows transforms that keep the XY plane and scale evenly (mirrors included: they flip the y
    /// scale); eNotApplicable for others.
    OdResult transformBy(const OdGeMatrix3d& xform) override;
    OdSmartPtr<OdDbEntity> clone() const override;

protected:
    /// Draws placed copies of the block's entities.
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

private:
    OdDbObjectId m_block;
    OdGePoint3d m_position;
    double m_rotation = 0.0;
    OdGeScale3d m_scale;
};
using OdDbBlockReferencePtr = OdSmartPtr<OdDbBlockReference>;
