#pragma once

#include "platform/base/OdArray.h"
#include "platform/base/OdString.h"
#include "platform/db/DbObjectId.h"

#include <cstdint>

/// A graphics-system marker: the index of a sub-entity within its entity.
using OdGsMarker = std::int64_t;

namespace OdDb
{
/// Kinds of sub-entity of an entity.
enum SubentType
{
    kNullSubentType = 0,
    kFaceSubentType = 1,
    kEdgeSubentType = 2,
    kVertexSubentType = 3,
    kMlineSubentCache = 4,
    kClassSubentType = 5
};
} // namespace OdDb

/// A sub-entity of one entity: its type, its index and the name of the class that interprets the
/// index (empty for the entity's own sub-entities). Null when its type is kNullSubentType.
class OdDbSubentId
{
public:
    OdDbSubentId() = default;
    OdDbSubentId(OdDb::SubentType type, OdGsMarker index, const OdString& typeClassName = OdString())
        : m_type(type), m_index(index), m_typeClassName(typeClassName)
    {
    }

    OdDb::SubentType type() const { return m_type; }
    void setType(OdDb::SubentType type) { m_type = type; }
    OdGsMarker index() const { return m_index; }
    void setIndex(OdGsMarker index) { m_index = index; }
    const OdString& typeClassName() const { return m_typeClassName; }
    void setTypeClassName(const OdString& name) { m_typeClassName = name; }
    bool isNull() const { return m_type == OdDb::kNullSubentType; }

    /// Equal in all three parts.
    friend bool operator==(const OdDbSubentId&, const OdDbSubentId&) = default;

private:
    OdDb::SubentType m_type = OdDb::kNullSubentType;
    OdGsMarker m_index = 0;
    OdString m_typeClassName;
};

using OdDbObjectIdArray = OdArray<OdDbObjectId>;

/// A sub-entity reached through a chain of objects: the ids from the outermost container down to
/// the entity that owns the sub-entity, and the sub-entity's id.
class OdDbFullSubentPath
{
public:
    OdDbFullSubentPath() = default;
    OdDbFullSubentPath(const OdDbObjectId& entity, const OdDbSubentId& subent) : m_subentId(subent)
    {
        m_objectIds.append(entity);
    }
    OdDbFullSubentPath(const OdDbObjectIdArray& objectIds, const OdDbSubentId& subent)
        : m_objectIds(objectIds), m_subentId(subent)
    {
    }

    const OdDbObjectIdArray& objectIds() const { return m_objectIds; }
    OdDbObjectIdArray& objectIds() { return m_objectIds; }
    const OdDbSubentId& subentId() const { return m_subentId; }
    OdDbSubentId& subentId() { return m_subentId; }

    friend bool operator==(const OdDbFullSubentPath& a, const OdDbFullSubentPath& b)
    {
        if (!(a.m_subentId == b.m_subentId) || a.m_objectIds.size() != b.m_objectIds.size())
            return false;
        for (unsigned i = 0; i < a.m_objectIds.size(); ++i)
            if (!(a.m_objectIds[i] == b.m_objectIds[i]))
                return false;
        return true;
    }

private:
    OdDbObjectIdArray m_objectIds;
    OdDbSubentId m_subentId;
};

using OdDbFullSubentPathArray = OdArray<OdDbFullSubentPath>;
