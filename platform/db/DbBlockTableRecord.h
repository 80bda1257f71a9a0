#pragma once

#include "platform/base/OdArray.h"
#include "platform/db/DbObject.h"
#include "platform/db/DbSubentId.h"

/// A block: an ordered list of entities of one database. The model space is one of them.
class OdDbBlockTableRecord : public OdDbObject
{
public:
    static OdSmartPtr<OdDbBlockTableRecord> createObject();

    /// Adds the entity to the block's database (when it is in none yet) and to the block.
    /// A null id when the block is not in a database or the entity belongs to another one;
    /// throws OdError(eNotOpenForWrite) unless the block is open for write.
    OdDbObjectId appendOdDbEntity(OdDbEntity* entity);
    /// The ids of the block's entities in the order they were appended.
    const OdDbObjectIdArray& entityIds() const { return m_entities; }

private:
    OdDbObjectIdArray m_entities;
};
using OdDbBlockTableRecordPtr = OdSmartPtr<OdDbBlockTableRecord>;
