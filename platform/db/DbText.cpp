#include "platform/db/DbText.h"

#include "platform/base/OdError.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbPlanarTransform.h"
#include "platform/gi/GiWorldDraw.h"

#include <cmath>

OdSmartPtr<OdDbText> OdDbText::createObject()
{
    return odrxCreateObject<OdDbText>();
}

void OdDbText::setHeight(double height)
{
    if (!(height > 0.0) || !std::isfinite(height))
        throw OdError(eInvalidInput, "OdDbText::setHeight: the height must be positive and finite");
    m_height = height;
    adjustAlignment();
}

void OdDbText::setPosition(const OdGePoint3d& position)
{
    m_position = position;
    adjustAlignment();
}

void OdDbText::setRotation(double rotation)
{
    m_rotation = rotation;
    adjustAlignment();
}

void OdDbText::setTextString(const OdString& text)
{
    m_text = text;
    adjustAlignment();
}

void OdDbText::setHorizontalMode(OdDb::TextHorzMode mode)
{
    m_horizontalMode = mode;
    adjustAlignment();
}

void OdDbText::setVerticalMode(OdDb::TextVertMode mode)
{
    m_verticalMode = mode;
    adjustAlignment();
}

void OdDbText::setAlignmentPoint(const OdGePoint3d& point)
{
    m_alignmentPoint = point;
    adjustAlignment();
}

void OdDbText::adjustAlignment()
{
    if (isDefaultAlignment())
        return;
    const double width = m_text.getLength() * kOdGiCharacterAdvance * m_height;
    double along = 0.0;
    if (m_horizontalMode == OdDb::kTextCenter || m_horizontalMode == OdDb::kTextMid)
        along = -0.5 * width;
    else if (m_horizontalMode == OdDb::kTextRight)
        along = -width;
    double across = 0.0;
    if (m_verticalMode == OdDb::kTextVertMid)
        across = -0.5 * m_height;
    else if (m_verticalMode == OdDb::kTextTop)
        across = -m_height;
    const OdGeVector3d dir(std::cos(m_rotation), std::sin(m_rotation), 0.0);
    const OdGeVector3d up(-dir.y, dir.x, 0.0);
    m_position = m_alignmentPoint + dir * along + up * across;
}

void OdDbText::setDatabaseDefaults(OdDbDatabase* database)
{
    OdDbEntity::setDatabaseDefaults(database);
    if (database && database->getTEXTSIZE() > 0.0)
        m_height = database->getTEXTSIZE();
    adjustAlignment();
}

OdResult OdDbText::getGeomExtents(OdGeExtents3d& extents) const
{
    if (m_text.isEmpty())
        return eInvalidExtents;
    const double width = m_text.getLength() * kOdGiCharacterAdvance * m_height;
    const OdGeVector3d along(std::cos(m_rotation), std::sin(m_rotation), 0.0);
    const OdGeVector3d up(-along.y, along.x, 0.0);
    OdGeExtents3d box;
    box.addPoint(m_position);
    box.addPoint(m_position + along * width);
    box.addPoint(m_position + up * m_height);
    box.addPoint(m_position + along * width + up * m_height);
    extents = box;
    return eOk;
}

OdResult OdDbText::transformBy(const OdGeMatrix3d& xform)
{
    const auto planar = OdDbDetail::planarPart(xform);
    if (!planar || !planar->uniform || planar->mirrors)
        return eNotApplicable;
    m_position = xform * m_position;
    m_alignmentPoint = xform * m_alignmentPoint;
    m_height *= planar->scale;
    m_rotation += planar->rotation;
    return eOk;
}

OdSmartPtr<OdDbEntity> OdDbText::clone() const
{
    return OdSmartPtr<OdDbEntity>(new OdDbText(*this));
}

bool OdDbText::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw)
        return false;
    const OdGeVector3d along(std::cos(m_rotation), std::sin(m_rotation), 0.0);
    worldDraw->geometry().text(m_position, normal(), along, m_height, 1.0, 0.0, m_text);
    return true;
}
