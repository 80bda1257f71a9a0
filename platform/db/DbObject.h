#pragma once

#include "platform/base/OdResult.h"
#include "platform/base/RxObject.h"
#include "platform/base/SmartPtr.h"
#include "platform/db/DbObjectId.h"
#include "platform/ge/GeExtents3d.h"

class OdDbDatabase;

/// An object that can live in a drawing database. Outside a database its id is null.
class OdDbObject : public OdRxObject
{
public:
    OdDbObjectId objectId() const { return m_id; }
    OdDbDatabase* database() const { return m_database; }

    /// The mode of the latest opening; an object that is not in a database is open for write.
    OdDb::OpenMode openMode() const { return m_database ? m_openMode : OdDb::kForWrite; }
    bool isWriteEnabled() const { return openMode() == OdDb::kForWrite; }
    /// Throws OdError(eNotOpenForWrite) unless the object is open for write.
    void assertWriteEnabled() const
    {
        if (!isWriteEnabled())
            throw OdError(eNotOpenForWrite);
    }
    void upgradeOpen() { m_openMode = OdDb::kForWrite; }
    void downgradeOpen() { m_openMode = OdDb::kForRead; }

private:
    friend class OdDbDatabase;
    friend class OdDbObjectId;
    OdDb::OpenMode m_openMode = OdDb::kForRead;
    OdDbObjectId m_id;
    OdDbDatabase* m_database = nullptr;
};

/// A drawable object of the drawing.
class OdDbEntity : public OdDbObject
{
public:
    /// The entity's bounding box; eInvalidExtents when it has no geometry.
    virtual OdResult getGeomExtents(OdGeExtents3d& extents) const = 0;
};

using OdDbObjectPtr = OdSmartPtr<OdDbObject>;
using OdDbEntityPtr = OdSmartPtr<OdDbEntity>;
