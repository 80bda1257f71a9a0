#pragma once

#include "platform/base/OdString.h"
#include "platform/db/DbObject.h"
#include "platform/ge/GePoint3dArray.h"

/// A single line of text, left-aligned on its baseline at position(), in the XY plane.
class OdDbText : public OdDbEntity
{
public:
    /// Width of a character as a fraction of the text height, for the text's box.
    static constexpr double kCharWidthFactor = 0.7;

    static OdSmartPtr<OdDbText> createObject();

    OdGePoint3d position() const { return m_position; }
    void setPosition(const OdGePoint3d& position) { m_position = position; }
    double height() const { return m_height; }
    /// Raises OdError(eInvalidInput) unless height > 0.
    void setHeight(double height);
    OdString textString() const { return m_text; }
    void setTextString(const OdString& text) { m_text = text; }

    /// The corners of the text's box: lower left, lower right, upper left, upper right.
    void getBoundingPoints(OdGePoint3dArray& points) const;
    OdResult getGeomExtents(OdGeExtents3d& extents) const override;

private:
    OdGePoint3d m_position;
    double m_height = 1.0;
    OdString m_text;
};
using OdDbTextPtr = OdSmartPtr<OdDbText>;
