#pragma once

#include "platform/base/OdArray.h"
#include "platform/base/OdString.h"
#include "platform/cm/CmColor.h"
#include "platform/db/DbObject.h"
#include "platform/db/DbSubentId.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

/// A named entry of a symbol table (a block, a layer, a registered application).
class OdDbSymbolTableRecord : public OdDbObject
{
public:
    OdString getName() const { return m_name; }
    /// Renames the record. In a table, OdError(eDuplicateKey) when another record has the name (names
    /// compare without regard to case) and OdError(eInvalidInput) for an empty name.
    void setName(const OdString& name);

private:
    friend class OdDbSymbolTable;
    OdString m_name;
    OdDbObjectId m_table;
};
using OdDbSymbolTableRecordPtr = OdSmartPtr<OdDbSymbolTableRecord>;

/// A table of records with unique names; names compare without regard to case, as the host's do.
class OdDbSymbolTable : public OdDbObject
{
public:
    /// True when a record (not erased) has this name.
    bool has(const OdString& name) const { return !getAt(name).isNull(); }
    /// The id of the record with this name (not erased); null when there is none.
    OdDbObjectId getAt(const OdString& name) const;
    /// Adds the record to the table's database and to the table. OdError(eDuplicateKey) when the name is
    /// taken, OdError(eInvalidInput) for an empty name or a record of the wrong kind, OdError(eNotInDatabase)
    /// for a table outside a database; throws OdError(eNotOpenForWrite) unless open for write.
    OdDbObjectId add(OdDbSymbolTableRecord* record);
    /// The records in the order they were added, erased ones left out.
    OdDbObjectIdArray recordIds() const;

protected:
    /// Whether the table takes records of this kind.
    virtual bool accepts(const OdDbSymbolTableRecord& record) const = 0;
    /// The name a record is filed under; the block table gives anonymous blocks their number here.
    virtual OdString nameToAdd(const OdDbSymbolTableRecord& record) { return record.getName(); }

private:
    friend class OdDbSymbolTableRecord;
    friend class OdDbBlockTable;
    /// The records under each name in lower case, erased ones included (a lookup skips them), so that a
    /// lookup does not walk the table.
    void index(const OdString& name, const OdDbObjectId& id);
    void unindex(const OdString& name, const OdDbObjectId& id);
    OdDbObjectIdArray m_records;
    std::unordered_map<std::wstring, std::vector<OdDbObjectId>> m_byName;
    /// The lowest anonymous block number that may be free, valid while no record of the database was
    /// erased and no record of the table renamed since it was set.
    int m_anonymousFrom = 1;
    std::uint64_t m_anonymousErasures = 0;
};
using OdDbSymbolTablePtr = OdSmartPtr<OdDbSymbolTable>;

/// A registered application: the owner of one kind of extended data.
class OdDbRegAppTableRecord : public OdDbSymbolTableRecord
{
public:
    static OdSmartPtr<OdDbRegAppTableRecord> createObject();
};
using OdDbRegAppTableRecordPtr = OdSmartPtr<OdDbRegAppTableRecord>;

/// The table of registered applications; "ACAD" is in every database.
class OdDbRegAppTable : public OdDbSymbolTable
{
public:
    static OdSmartPtr<OdDbRegAppTable> createObject();

protected:
    bool accepts(const OdDbSymbolTableRecord& record) const override;
};
using OdDbRegAppTablePtr = OdSmartPtr<OdDbRegAppTable>;

/// A layer with its colour; entities whose colour is by layer show it.
class OdDbLayerTableRecord : public OdDbSymbolTableRecord
{
public:
    static OdSmartPtr<OdDbLayerTableRecord> createObject();
    OdDbLayerTableRecord() { m_color.setColorIndex(7); }
    /// White (palette index 7) for a new layer.
    OdCmColor color() const { return m_color; }
    void setColor(const OdCmColor& color) { m_color = color; }

private:
    OdCmColor m_color;
};
using OdDbLayerTableRecordPtr = OdSmartPtr<OdDbLayerTableRecord>;

/// The table of layers; layer "0" is in every database.
class OdDbLayerTable : public OdDbSymbolTable
{
public:
    static OdSmartPtr<OdDbLayerTable> createObject();

protected:
    bool accepts(const OdDbSymbolTableRecord& record) const override;
};
using OdDbLayerTablePtr = OdSmartPtr<OdDbLayerTable>;

/// The table of blocks. A block whose name is "*U" is anonymous: the table files it as "*U" followed by
/// the lowest number that gives a free name, and the host's name checks do not apply to it.
class OdDbBlockTable : public OdDbSymbolTable
{
public:
    static OdSmartPtr<OdDbBlockTable> createObject();

protected:
    bool accepts(const OdDbSymbolTableRecord& record) const override;
    OdString nameToAdd(const OdDbSymbolTableRecord& record) override;
};
using OdDbBlockTablePtr = OdSmartPtr<OdDbBlockTable>;
