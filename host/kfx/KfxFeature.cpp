#include "host/kfx/KfxFeature.h"

#include "platform/base/OdError.h"

namespace
{
template <class T, class Map> bool getValue(const Map& values, const OdString& key, T& value)
{
    const auto it = values.find(key);
    if (it == values.end() || !std::holds_alternative<T>(it->second))
        return false;
    value = std::get<T>(it->second);
    return true;
}
} // namespace

bool KfxProperties::getLong(const OdString& key, long& value) const
{
    return getValue(m_values, key, value);
}

bool KfxProperties::getDouble(const OdString& key, double& value) const
{
    return getValue(m_values, key, value);
}

bool KfxProperties::getDoubleArray(const OdString& key, OdDoubleArray& value) const
{
    return getValue(m_values, key, value);
}

OdRxClass* KfxFeature::s_pDesc = nullptr;

OdRxClass* KfxFeature::desc()
{
    return s_pDesc;
}

OdRxClass* KfxFeature::isA() const
{
    return s_pDesc;
}

OdRxObject* KfxFeature::queryX(const OdRxClass* pClass) const
{
    return pClass && pClass == s_pDesc ? const_cast<KfxFeature*>(this) : nullptr;
}

void KfxFeature::rxInit()
{
    s_pDesc = newOdRxClass(L"KfxFeature", nullptr, nullptr);
}

void KfxFeature::rxUninit()
{
    deleteOdRxClass(s_pDesc);
    s_pDesc = nullptr;
}

KfxFeature::~KfxFeature() = default;

OdArray<std::uint32_t> KfxFeature::singleEntityMasks()
{
    return {eFaceMask | eEdgeMask};
}

OdArray<std::uint32_t> KfxFeature::masks() const
{
    return singleEntityMasks();
}

void KfxFeature::init(const OdArray<KfxFeatureGroupFaces>& groups)
{
    assertWriteEnabled();
    m_groups = groups;
}

void KfxFeature::init(const OdDbFullSubentPathArray& paths)
{
    KfxFeatureGroupFaces group;
    group.mask = masks().isEmpty() ? 0u : masks().first();
    group.paths = paths;
    init(OdArray<KfxFeatureGroupFaces>{group});
}

OdDbFullSubentPathArray KfxFeature::getFeatureEntities(int group, int index, bool) const
{
    OdDbFullSubentPathArray result;
    for (unsigned g = 0; g < m_groups.size(); ++g)
    {
        if (group >= 0 && static_cast<unsigned>(group) != g)
            continue;
        const OdDbFullSubentPathArray& paths = m_groups[g].paths;
        for (unsigned i = 0; i < paths.size(); ++i)
            if (index < 0 || static_cast<unsigned>(index) == i)
                result.append(paths[i]);
    }
    return result;
}

OdDbObjectId KfxFeature::solidId() const
{
    for (const auto& group : m_groups)
        for (const auto& path : group.paths)
            if (!path.objectIds().isEmpty())
                return path.objectIds().first();
    return OdDbObjectId();
}

KfxDatabaseData* KfxDatabaseData::get(OdDbDatabase* database)
{
    static const OdString kKey(L"KfxDatabaseData");
    if (!database)
        return nullptr;
    if (auto* data = dynamic_cast<KfxDatabaseData*>(database->hostAppData(kKey)))
        return data;
    auto data = std::make_unique<KfxDatabaseData>();
    KfxDatabaseData* result = data.get();
    database->setHostAppData(kKey, std::move(data));
    return result;
}

OdDbObjectId KfxFeatureManagerUtils::addFeature(KfxFeature* feature)
{
    if (!feature)
        return OdDbObjectId();
    OdDbDatabase* db = feature->solidId().database();
    if (!db)
        return OdDbObjectId();
    const OdDbObjectId id = db->addOdDbObject(feature);
    KfxDatabaseData::get(db)->m_features.append(id);
    return id;
}

OdDbObjectIdArray KfxFeatureManagerUtils::getFeatures(const OdDbObjectId& solid,
                                                      std::initializer_list<const OdRxClass*> classes, int)
{
    OdDbObjectIdArray result;
    OdDbDatabase* db = solid.database();
    if (!db)
        return result;
    for (const OdDbObjectId& id : KfxDatabaseData::get(db)->featureIds())
    {
        const auto* feature = dynamic_cast<const KfxFeature*>(db->getObject(id).get());
        if (!feature || !(feature->solidId() == solid) || !feature->isA())
            continue;
        for (const OdRxClass* cls : classes)
        {
            if (feature->isA()->isDerivedFrom(cls))
            {
                result.append(id);
                break;
            }
        }
    }
    return result;
}
