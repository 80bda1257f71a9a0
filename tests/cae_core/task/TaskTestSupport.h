#pragma once

#include "cae_core/core/ReporterMessages.h"
#include "cae_core/task/Factory.h"
#include "cae_core/task/Features.h"
#include "platform/db/Db3dSolid.h"
#include "platform/db/DbDatabase.h"

#include <gtest/gtest.h>

namespace cae_core::test
{
/// Registers the feature classes and the module's messages for the whole test program, as the
/// module's start-up does.
class ModuleEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        KfxFeature::rxInit();
        CaeFeature::rxInit();
        CaeFixFeature::rxInit();
        CaePressureFeature::rxInit();
        CaeForceFeature::rxInit();
        registerReporterMessages();
    }
    void TearDown() override
    {
        unregisterReporterMessages();
        CaeForceFeature::rxUninit();
        CaePressureFeature::rxUninit();
        CaeFixFeature::rxUninit();
        CaeFeature::rxUninit();
        KfxFeature::rxUninit();
    }
};

/// A task whose counters the factory forgets when it goes.
struct ScopedTask
{
    ScopedTask(OdDb::UnitsValue units = OdDb::kUnitsMillimeters, bool si = true)
        : task(Factory::instance().createTask(L"test", units, si))
    {
    }
    ~ScopedTask() { Factory::instance().onTaskDestroyed(task.get()); }
    Task* operator->() const { return task.get(); }
    Task* get() const { return task.get(); }

    std::shared_ptr<Task> task;
};

/// A solid entity in a fresh drawing, for features to be attached to.
struct DrawingWithSolid
{
    DrawingWithSolid()
    {
        const auto solid = OdDb3dSolid::createObject();
        solidId = db->addOdDbObject(solid.get());
    }

    /// A feature of class T on `paths` of the solid, added to the drawing.
    template <class T> OdSmartPtr<T> addFeature(std::initializer_list<OdDbSubentId> subents)
    {
        const OdSmartPtr<T> feature = T::createObject();
        OdDbFullSubentPathArray paths;
        for (const auto& s : subents)
            paths.append(OdDbFullSubentPath(solidId, s));
        feature->init(paths);
        KfxFeatureManagerUtils::addFeature(feature.get());
        return feature;
    }

    OdSmartPtr<OdDbDatabase> db = OdDbDatabase::createObject();
    OdDbObjectId solidId;
};

inline OdDbSubentId face(OdGsMarker i)
{
    return OdDbSubentId(OdDb::kFaceSubentType, i);
}
inline OdDbSubentId edge(OdGsMarker i)
{
    return OdDbSubentId(OdDb::kEdgeSubentType, i);
}
} // namespace cae_core::test
