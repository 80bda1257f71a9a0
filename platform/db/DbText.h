#pragma once

#include "platform/base/OdString.h"
#include "platform/db/DbObject.h"
#include "platform/ge/GePoint3d.h"
#include "platform/ge/GeVector3d.h"

/// A single-line text in the XY plane. `position` is the left end of the baseline; the text runs
/// along `rotation` (radians, counter-clockwise from +x) and its capitals are `height` tall. Each
/// character is kOdGiCharacterAdvance heights wide.
class OdDbText : public OdDbEntity
{
public:
    static OdSmartPtr<OdDbText> createObject();

    OdGePoint3d position() const { return m_position; }
    void setPosition(const OdGePoint3d& position) { m_position = position; }
    double height() const { return m_height; }
    /// OdError(eInvalidInput) for a height that is not positive and finite.
    void setHeight(double height);
    double rotation() const { return m_rotation; }
    void setRotation(double rotation) { m_rotation = rotation; }
    OdString textString() const { return m_text; }
    void setTextString(const OdString& text) { m_text = text; }
    OdGeVector3d normal() const { return OdGeVector3d::kZAxis; }

    /// Also takes the database's text height (TEXTSIZE).
    void setDatabaseDefaults(OdDbDatabase* database) override;
    /// The box from the baseline's left end to the top of the last character, turned by the rotation;
    /// eInvalidExtents for an empty text.
    OdResult getGeomExtents(OdGeExtents3d& extents) const override;
    /// Position and direction follow `xform`; the height scales with its in-plane scale. eNotApplicable
    /// for a transform that takes the text out of the XY plane or scales unevenly.
    OdResult transformBy(const OdGeMatrix3d& xform) override;
    OdSmartPtr<OdDbEntity> clone() const override;

protected:
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

private:
    OdGePoint3d m_position;
    double m_height = 1.0;
    double m_rotation = 0.0;
    OdString m_text;
};
using OdDbTextPtr = OdSmartPtr<OdDbText>;
