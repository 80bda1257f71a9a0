#pragma once

#include "platform/base/OdString.h"
#include "platform/db/DbObject.h"
#include "platform/ge/GePoint3d.h"
#include "platform/ge/GeVector3d.h"

namespace OdDb
{
/// Where a text's alignment point sits along the text.
enum TextHorzMode
{
    kTextLeft = 0,
    kTextCenter = 1,
    kTextRight = 2,
    kTextMid = 4
};
/// Where a text's alignment point sits across the text.
enum TextVertMode
{
    kTextBase = 0,
    kTextBottom = 1,
    kTextVertMid = 2,
    kTextTop = 3
};
} // namespace OdDb

/// A single-line text in the XY plane. `position` is the left end of the baseline; the text runs
/// along `rotation` (radians, counter-clockwise from +x) and its capitals are `height` tall. Each
/// character is kOdGiCharacterAdvance heights wide.
class OdDbText : public OdDbEntity
{
public:
    static OdSmartPtr<OdDbText> createObject();

    OdGePoint3d position() const { return m_position; }
    /// Ignored while the text is aligned (see alignmentPoint).
    void setPosition(const OdGePoint3d& position);
    double height() const { return m_height; }
    /// OdError(eInvalidInput) for a height that is not positive and finite.
    void setHeight(double height);
    double rotation() const { return m_rotation; }
    void setRotation(double rotation);
    OdString textString() const { return m_text; }
    void setTextString(const OdString& text);

    /// With a mode other than left and baseline, the text is aligned: its position follows from the
    /// alignment point, the modes and the text's width (mid and centre are the same along the text;
    /// bottom is the baseline).
    OdDb::TextHorzMode horizontalMode() const { return m_horizontalMode; }
    void setHorizontalMode(OdDb::TextHorzMode mode);
    OdDb::TextVertMode verticalMode() const { return m_verticalMode; }
    void setVerticalMode(OdDb::TextVertMode mode);
    OdGePoint3d alignmentPoint() const { return m_alignmentPoint; }
    void setAlignmentPoint(const OdGePoint3d& point);
    bool isDefaultAlignment() const { return m_horizontalMode == OdDb::kTextLeft && m_verticalMode == OdDb::kTextBase; }
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
    void adjustAlignment();

    OdGePoint3d m_position;
    OdGePoint3d m_alignmentPoint;
    OdDb::TextHorzMode m_horizontalMode = OdDb::kTextLeft;
    OdDb::TextVertMode m_verticalMode = OdDb::kTextBase;
    double m_height = 1.0;
    double m_rotation = 0.0;
    OdString m_text;
};
using OdDbTextPtr = OdSmartPtr<OdDbText>;
