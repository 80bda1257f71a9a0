#include "TaskTestSupport.h"

#include "cae_core/core/Units.h"
#include "host/ut/Assert.h"

namespace cae_core::test
{
namespace
{
TEST(TaskFactory, NumbersPerTaskAndConcreteClassAndFilesObjectsInTheirTask)
{
    ScopedTask a, b;
    const OdDbObjectId solid(42);
    EXPECT_EQ(Factory::instance().createEntity(a.get(), solid)->id(), 1u);
    EXPECT_EQ(Factory::instance().createEntity(b.get(), solid)->id(), 1u);
    EXPECT_EQ(Factory::instance().createPressure(a.get(), solid)->id(), 1u);
    Factory::instance().createConstraint(a.get(), solid);
    Factory::instance().createMeshVertex(a.get());
    const auto second = Factory::instance().createPressure(a.get(), OdDbObjectId(7));
    EXPECT_EQ(second->id(), 2u);
    EXPECT_EQ(second->originalId(), OdDbObjectId(7));
    EXPECT_EQ(second->parentTask(), a.get());
    EXPECT_EQ(a->m_entities.size(), 1u);
    EXPECT_EQ(a->m_loads.size(), 2u);
    EXPECT_EQ(a->m_constraints.size(), 1u);
    EXPECT_EQ(Factory::instance().createMaterial(a.get(), solid)->id(), 1u);
    EXPECT_EQ(a->m_materials.size(), 1u);
    EXPECT_EQ(Factory::instance().createMesh(a.get())->id(), 1u);
    EXPECT_EQ(a->id(), 0u);
    EXPECT_EQ(a->m_name, OdString(L"test"));

    Factory::instance().onTaskDestroyed(a.get());
    EXPECT_EQ(Factory::instance().createPressure(a.get(), solid)->id(), 1u);
    EXPECT_EQ(Factory::instance().createEntity(b.get(), solid)->id(), 2u);

    EXPECT_EQ(Factory::instance().createEntity(nullptr, solid), nullptr);
    EXPECT_EQ(Factory::instance().createMaterial(nullptr, solid), nullptr);
    EXPECT_EQ(Factory::instance().createPressure(nullptr, solid), nullptr);
    EXPECT_EQ(Factory::instance().createConstraint(nullptr, solid), nullptr);
}

TEST(TaskUnits, FollowTheTasksSystem)
{
    const Task si(OdDb::kUnitsMillimeters, true), english(OdDb::kUnitsInches, false);
    EXPECT_EQ(si.documentLinearUnits(), OdDb::kUnitsMillimeters);
    const std::pair<EUnits, EUnits> pairs[] = {{si.modelingLinearUnits(), english.modelingLinearUnits()},
                                               {si.modelingMassUnits(), english.modelingMassUnits()},
                                               {si.modelingForceUnits(), english.modelingForceUnits()},
                                               {si.modelingMomentUnits(), english.modelingMomentUnits()},
                                               {si.modelingPressureUnits(), english.modelingPressureUnits()}};
    int expected = 1;
    for (const auto& [s, e] : pairs)
    {
        EXPECT_EQ(s, expected);
        EXPECT_EQ(e, expected + 1);
        expected += 2;
    }
    EXPECT_EQ(si.result(), nullptr);
}

TEST(UnitsValidation, AcceptsAConsistentTaskAndNamesTheFirstInconsistency)
{
    ScopedTask t(OdDb::kUnitsMillimeters, true);
    auto entity = Factory::instance().createEntity(t.get(), OdDbObjectId());
    entity->mesh = Factory::instance().createMesh(t.get());
    auto pressure = Factory::instance().createPressure(t.get(), OdDbObjectId());
    pressure->units = eSI_NewtonPerMeterSq;
    Factory::instance().createConstraint(t.get(), OdDbObjectId());
    const UnitsValidator validator;
    {
        ut::AssertRecorder recorder;
        EXPECT_TRUE(validator.validate(*t.task));
        EXPECT_EQ(recorder.count(), 0u);
    }
    {
        // A load of another kind is reported and passed over.
        struct OtherLoad : Load
        {
            OtherLoad() : Load(nullptr) {}
        };
        t->m_loads.append(std::make_shared<OtherLoad>());
        ut::AssertRecorder recorder;
        EXPECT_TRUE(validator.validate(*t.task));
        EXPECT_TRUE(recorder.fired("Type of load is not supported yet"));
        t->m_loads.removeLast();
    }
    ScopedTask inches(OdDb::kUnitsInches, false);
    pressure->units = eEnglish_LbfPerInchSq;
    {
        ut::AssertRecorder recorder;
        EXPECT_FALSE(validator.validate(*t.task));
        ASSERT_EQ(recorder.count(), 1u);
        EXPECT_EQ(recorder.reports()[0].source, "cae_core/cae_api_units");
        pressure->units = eSI_NewtonPerMeterSq;
    }
    entity->mesh = Factory::instance().createMesh(inches.get());
    {
        ut::AssertRecorder recorder;
        EXPECT_FALSE(validator.validate(*t.task));
        EXPECT_EQ(recorder.count(), 1u);
    }
    entity->mesh.reset();
    t->m_constraints.append(nullptr);
    {
        ut::AssertRecorder recorder;
        EXPECT_FALSE(validator.validate(*t.task));
        EXPECT_EQ(recorder.count(), 1u);
    }
}
} // namespace
} // namespace cae_core::test
