#pragma once

#include "host/ut/DataExtension.h"
#include "platform/base/OdArray.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbObject.h"
#include "platform/db/DbSubentId.h"
#include "platform/rx/RxClass.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <variant>
#include <vector>

/// Named values of a feature: longs, doubles and arrays of doubles under wide-string keys.
class KfxProperties
{
public:
    /// Each getter is false (and leaves `value` alone) when the key is absent or holds another kind.
    bool getLong(const OdString& key, long& value) const;
    bool getDouble(const OdString& key, double& value) const;
    bool getDoubleArray(const OdString& key, OdDoubleArray& value) const;
    void setLong(const OdString& key, long value) { m_values[key] = value; }
    void setDouble(const OdString& key, double value) { m_values[key] = value; }
    void setDoubleArray(const OdString& key, const OdDoubleArray& value) { m_values[key] = value; }
    bool has(const OdString& key) const { return m_values.count(key) != 0; }
    void remove(const OdString& key) { m_values.erase(key); }

private:
    std::map<OdString, std::variant<long, double, OdDoubleArray>> m_values;
};

/// The data of a feature kept in the drawing: its property store.
class KfxDbFeatureData
{
public:
    const KfxProperties& getReadProperties() const { return m_properties; }
    KfxProperties& getWriteProperties() { return m_properties; }

private:
    KfxProperties m_properties;
};

/// One group of the sub-entities a feature holds: which kinds it accepts, the paths, and its index
/// (-1 for "append").
struct KfxFeatureGroupFaces
{
    std::uint32_t mask = 0;
    OdDbFullSubentPathArray paths;
    int index = -1;
};

/// A feature of the host's feature framework: a drawing object attached to a solid that names
/// sub-entities (faces, edges) of it and carries properties. Run-time class "KfxFeature".
class KfxFeature : public OdDbObject
{
public:
    /// Kinds of sub-entity a group accepts.
    enum EMask : std::uint32_t
    {
        eFaceMask = 1,
        eEdgeMask = 2,
        eVertexMask = 4
    };

    static OdRxClass* desc();
    virtual OdRxClass* isA() const;
    /// This object when it is of class `pClass` (or derives from it), else null. Not reference-counted.
    virtual OdRxObject* queryX(const OdRxClass* pClass) const;
    static void rxInit();
    static void rxUninit();

    KfxFeature() = default;
    ~KfxFeature() override;

    /// The masks of a feature that names single faces or edges.
    static OdArray<std::uint32_t> singleEntityMasks();
    /// The masks of the feature's groups.
    virtual OdArray<std::uint32_t> masks() const;

    /// Replaces the feature's groups; the solid is the first object of the first path. Requires the
    /// feature to be open for write (throws OdError(eNotOpenForWrite)).
    void init(const OdArray<KfxFeatureGroupFaces>& groups);
    /// Makes the feature name `paths`; the host's version puts them in one group.
    virtual void init(const OdDbFullSubentPathArray& paths);

    /// The paths of group `group` (-1: every group), of entry `index` within it (-1: all); `all`
    /// includes paths whose sub-entity no longer exists (the stand-in keeps every path).
    OdDbFullSubentPathArray getFeatureEntities(int group, int index, bool all) const;
    /// The solid the feature is attached to, null before init.
    OdDbObjectId solidId() const;

    void setStatus(int status) { m_status = status; }
    int status() const { return m_status; }

    const KfxDbFeatureData& featureData() const { return m_data; }
    KfxDbFeatureData& featureData()
    {
        assertWriteEnabled();
        return m_data;
    }

private:
    static OdRxClass* s_pDesc;
    OdArray<KfxFeatureGroupFaces> m_groups;
    int m_status = 0;
    KfxDbFeatureData m_data;
};
using KfxFeaturePtr = OdSmartPtr<KfxFeature>;

/// The host's per-drawing data of the feature framework: the drawing's features and the data
/// extensions modules attach to the drawing. Lives as long as the drawing.
class KfxDatabaseData : public OdDbHostAppData
{
public:
    /// The data of `database`, created on first request; null for a null database.
    static KfxDatabaseData* get(OdDbDatabase* database);

    /// Extensions attached to the drawing, in the order they were added; the drawing owns them.
    std::vector<std::unique_ptr<ut::DataExtension>>& dataExtensions() { return m_extensions; }
    /// The features of the drawing, in the order they were added.
    const OdDbObjectIdArray& featureIds() const { return m_features; }

private:
    friend class KfxFeatureManagerUtils;
    std::vector<std::unique_ptr<ut::DataExtension>> m_extensions;
    OdDbObjectIdArray m_features;
};

/// Finding and adding the features of solids.
class KfxFeatureManagerUtils
{
public:
    /// Adds an initialised feature to the database of its solid; the null id when the feature has
    /// no solid or the solid is not in a database.
    static OdDbObjectId addFeature(KfxFeature* feature);
    /// The features attached to `solid` whose class is one of `classes` (or derives from one), in
    /// the order they were added. `group` is accepted for the host's signature: -1 means any.
    static OdDbObjectIdArray getFeatures(const OdDbObjectId& solid,
                                         std::initializer_list<const OdRxClass*> classes, int group);
};
