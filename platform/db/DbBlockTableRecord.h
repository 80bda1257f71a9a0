#pragma once

#include "platform/base/OdArray.h"
#include "platform/db/DbHandle.h"
#include "platform/db/DbSubentId.h"
#include "platform/db/DbSymbolTable.h"
#include "platform/db/DbUnits.h"
#include "platform/ge/GePoint3d.h"

/// A block: an ordered list of entities of one database, drawn relative to its origin (the base
/// point). The model space is one of them ("*Model_Space").
class OdDbBlockTableRecord : public OdDbSymbolTableRecord
{
public:
    static OdSmartPtr<OdDbBlockTableRecord> createObject();

    /// Adds the entity to the block's database (when it is in none yet) and to the block.
    /// A null id when the block is not in a database or the entity belongs to another one;
    /// throws OdError(eNotOpenForWrite) unless the block is open for write.
    OdDbObjectId appendOdDbEntity(OdDbEntity* entity);
    /// The ids of the block's entities in the order they were appended, erased ones left out.
    OdDbObjectIdArray entityIds() const;

    /// The base point: the block's point that a reference places at its position.
    OdGePoint3d origin() const { return m_origin; }
    void setOrigin(const OdGePoint3d& origin) { m_origin = origin; }
    /// The length unit the block is drawn in; undefined for a new block.
    OdDb::UnitsValue blockInsertUnits() const { return m_insertUnits; }
    void setBlockInsertUnits(OdDb::UnitsValue units) { m_insertUnits = units; }
    /// The handles of the block's begin and end records in the file it was read from, which a file
    /// written from the database gives them again; null for a block not read from a file.
    OdDbHandle fileBeginHandle() const { return m_beginHandle; }
    OdDbHandle fileEndHandle() const { return m_endHandle; }
    void setFileHandles(OdDbHandle begin, OdDbHandle end)
    {
        m_beginHandle = begin;
        m_endHandle = end;
    }
    /// True for a block filed under a "*U" name.
    bool isAnonymous() const;
    /// True for the model space.
    bool isLayout() const;

private:
    OdDbObjectIdArray m_entities;
    OdGePoint3d m_origin;
    OdDb::UnitsValue m_insertUnits = OdDb::kUnitsUndefined;
    OdDbHandle m_beginHandle;
    OdDbHandle m_endHandle;
};
using OdDbBlockTableRecordPtr = OdSmartPtr<OdDbBlockTableRecord>;
