#include "TaskTestSupport.h"

#include "host/ut/Assert.h"

#include <cmath>
#include <sstream>

namespace cae_core::test
{
namespace
{
TEST(FeatureClasses, AreRunTimeClassesUnderTheHostsFeatureThatRegisterOnce)
{
    EXPECT_EQ(CaeFeature::desc()->name(), OdString(L"CaeFeature"));
    EXPECT_EQ(CaeFixFeature::desc()->myParent(), CaeFeature::desc());
    EXPECT_EQ(CaeFeature::desc()->myParent(), KfxFeature::desc());
    EXPECT_EQ(odrxGetClass(L"CaePressureFeature"), CaePressureFeature::desc());
    EXPECT_THROW(CaePressureFeature::rxInit(), OdError);

    const OdRxObjectPtr made = CaePressureFeature::desc()->create();
    ASSERT_FALSE(made.isNull());
    const auto pressure = CaePressureFeature::cast(made.get());
    ASSERT_FALSE(pressure.isNull());
    EXPECT_EQ(pressure->isA(), CaePressureFeature::desc());
    EXPECT_EQ(pressure->queryX(CaeFeature::desc()), pressure.get());
    EXPECT_EQ(pressure->queryX(CaeFixFeature::desc()), nullptr);
    EXPECT_TRUE(CaeFixFeature::cast(made.get()).isNull());
    EXPECT_FALSE(CaeFeature::cast(made.get()).isNull());
    EXPECT_EQ(pressure->masks(), KfxFeature::singleEntityMasks());
}

TEST(PressureFeature, KeepsItsPropertiesWithDefaultsWhenAbsent)
{
    const auto feature = CaePressureFeature::createObject();
    EXPECT_EQ(feature->units(), eSI_NewtonPerMeterSq);
    EXPECT_EQ(feature->pressureMagnitude(), 0.0);
    EXPECT_TRUE(feature->pressureDirection().isZeroLength());
    EXPECT_EQ(feature->type(), CaePressureFeature::eNormal);

    feature->setUnits(eEnglish_LbfPerInchSq);
    feature->setPressureMagnitude(2.5);
    feature->setPressureDirection(OdGeVector3d(0, 0, -1));
    EXPECT_EQ(feature->units(), eEnglish_LbfPerInchSq);
    EXPECT_EQ(feature->pressureMagnitude(), 2.5);
    EXPECT_EQ(feature->type(), CaePressureFeature::eDirectional);
    feature->setPressureDirection(OdGeVector3d());
    EXPECT_EQ(feature->type(), CaePressureFeature::eNormal);
    feature->featureData().getWriteProperties().setDoubleArray(kPropertyDirection, OdDoubleArray{1.0, 2.0});
    EXPECT_TRUE(feature->pressureDirection().isZeroLength()) << "a direction needs exactly three values";

    ut::AssertRecorder recorder;
    feature->setUnits(eSI_Newton);
    EXPECT_TRUE(recorder.fired(
        "cae_core::EUnits::eEnglish_LbfPerInchSq == u || cae_core::EUnits::eSI_NewtonPerMeterSq == u",
        "cae_core/cae_api_pressure_feature", 51));
    EXPECT_EQ(feature->units(), eSI_Newton);
}

TEST(PressureFeature, InitNeedsWriteAccessAndNamesItsPathsAsOneValidGroup)
{
    DrawingWithSolid drawing;
    const auto feature = drawing.addFeature<CaePressureFeature>({face(3), face(1)});
    EXPECT_EQ(feature->status(), 1);
    const auto paths = feature->getFeatureEntities(-1, -1, true);
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[0].subentId(), face(3));
    EXPECT_EQ(paths[0].objectIds()[0], drawing.solidId);

    const auto reopened = CaePressureFeature::cast(feature->objectId().openObject(OdDb::kForRead).get());
    ASSERT_FALSE(reopened.isNull());
    EXPECT_THROW(reopened->init(OdDbFullSubentPathArray()), OdError);
}

/// A mesh with three triangles on face 7, one on face 2 and two segments on edge 4.
struct MeshedSolid : DrawingWithSolid
{
    MeshedSolid()
    {
        entity = Factory::instance().createEntity(task.get(), solidId);
        entity->mesh = Factory::instance().createMesh(task.get());
        for (int i = 0; i < 6; ++i)
            entity->mesh->addVertex(OdGePoint3d(i, i % 2, 0), OdDbSubentId());
        entity->mesh->addTriangle({0, 1, 2}, face(7));
        entity->mesh->addTriangle({1, 2, 3}, face(2));
        entity->mesh->addTriangle({2, 3, 4}, face(7));
        entity->mesh->addTriangle({3, 4, 5}, face(7));
        entity->mesh->addEdge({0, 5}, edge(4));
        entity->mesh->addEdge({5, 4}, edge(4));
        // Face 8 folds out of the plane z = 0.
        entity->mesh->addVertex(OdGePoint3d(0, 0, 1), OdDbSubentId());
        entity->mesh->addTriangle({0, 1, 2}, face(8));
        entity->mesh->addTriangle({0, 1, 6}, face(8));
    }

    ScopedTask task;
    std::shared_ptr<Entity> entity;
    std::ostringstream log;
    ut::StreamReporter reporter{log};
};

TEST(LoadsFromFeatures, OnePressurePerFaceWithTheFirstFeaturesValuesAndTheFacesTriangles)
{
    MeshedSolid s;
    const auto first = s.addFeature<CaePressureFeature>({face(7)});
    first->setPressureMagnitude(3.0);
    first->setUnits(eEnglish_LbfPerInchSq);
    first->setPressureDirection(OdGeVector3d(0, 0, -1));
    const auto second = s.addFeature<CaePressureFeature>({face(7), face(2)});
    second->setPressureMagnitude(5.0);
    s.addFeature<CaeFixFeature>({face(9)});

    OdArray<std::shared_ptr<Load>> loads;
    ASSERT_EQ(Load::createLoads(s.reporter, s.task.get(), s.entity, loads), eOk);
    ASSERT_EQ(loads.size(), 2u);
    EXPECT_EQ(s.task->m_loads.size(), 2u);
    // Paths run by sub-entity index: face 2 first.
    const auto* onTwo = dynamic_cast<Pressure*>(loads[0].get());
    const auto* onSeven = dynamic_cast<Pressure*>(loads[1].get());
    ASSERT_TRUE(onTwo && onSeven);
    EXPECT_EQ(onTwo->magnitude, 5.0);
    EXPECT_EQ(onTwo->type, 0);
    EXPECT_EQ(onTwo->originalId(), second->objectId());
    EXPECT_EQ(onSeven->magnitude, 3.0);
    EXPECT_EQ(onSeven->units, eEnglish_LbfPerInchSq);
    EXPECT_EQ(onSeven->type, 1);
    EXPECT_EQ(onSeven->direction, OdGeVector3d(0, 0, -1));
    EXPECT_EQ(onSeven->originalId(), first->objectId());
    EXPECT_EQ(onSeven->entity.lock(), s.entity);
    ASSERT_EQ(onSeven->faces.size(), 3u);
    EXPECT_EQ(onSeven->faces[2], (OdArray<std::uint64_t>{3, 4, 5}));
    EXPECT_EQ(onSeven->id(), 2u);
    EXPECT_TRUE(s.reporter.messages().empty());
}

TEST(LoadsFromFeatures, PressuresOnEdgesAreAssertedAndOnOtherSubentitiesRefused)
{
    MeshedSolid s;
    OdArray<std::shared_ptr<Load>> loads;
    ASSERT_EQ(Load::createLoads(s.reporter, s.task.get(), s.entity, loads), eUnsupported);
    ASSERT_EQ(s.reporter.messages().size(), 1u);
    EXPECT_EQ(s.reporter.messages()[0].text,
              OdString(L"Entity doesn't have CAE loads. The CAE task may not be solved"));

    s.addFeature<CaePressureFeature>({edge(4)});
    {
        ut::AssertRecorder recorder;
        ASSERT_EQ(Load::createLoads(s.reporter, s.task.get(), s.entity, loads), eOk);
        EXPECT_EQ(recorder.count(), 1u);
        ASSERT_EQ(loads.size(), 1u);
        EXPECT_TRUE(loads[0]->faces.isEmpty());
    }
    s.addFeature<CaePressureFeature>({OdDbSubentId(OdDb::kVertexSubentType, 1)});
    {
        ut::AssertRecorder recorder;
        EXPECT_EQ(Load::createLoads(s.reporter, s.task.get(), s.entity, loads), eUnsupported);
    }
}

TEST(LoadsFromFeatures, AMissingEntityOrMeshIsAnInvalidArgument)
{
    MeshedSolid s;
    s.addFeature<CaePressureFeature>({face(7)});
    OdArray<std::shared_ptr<Load>> loads;
    std::shared_ptr<Entity> none;
    EXPECT_EQ(Load::createLoads(s.reporter, s.task.get(), none, loads), eInvalidArgument);
    OdArray<std::shared_ptr<Constraint>> constraints;
    EXPECT_EQ(Constraint::createConstraints(s.reporter, s.task.get(), none, constraints), eInvalidArgument);
    s.entity->mesh.reset();
    EXPECT_EQ(Load::createLoads(s.reporter, s.task.get(), s.entity, loads), eInvalidArgument);
}

TEST(ConstraintsFromFeatures, OnePerMeshTriangleOfAFixedFaceAndPerSegmentOfAFixedEdge)
{
    MeshedSolid s;
    OdArray<std::shared_ptr<Constraint>> constraints;
    EXPECT_EQ(Constraint::createConstraints(s.reporter, s.task.get(), s.entity, constraints), eUnsupported);
    ASSERT_EQ(s.reporter.messages().size(), 1u);
    EXPECT_EQ(s.reporter.messages()[0].text,
              OdString(L"Entity doesn't have CAE constraints. The CAE task may not be solved"));

    const auto fix = s.addFeature<CaeFixFeature>({edge(4), face(7)});
    s.addFeature<CaeFixFeature>({face(7)});
    ASSERT_EQ(Constraint::createConstraints(s.reporter, s.task.get(), s.entity, constraints), eOk);
    ASSERT_EQ(constraints.size(), 5u);
    EXPECT_EQ(s.task->m_constraints.size(), 5u);
    EXPECT_EQ(constraints[0]->vertices, (OdArray<std::uint64_t>{0, 5}));
    EXPECT_EQ(constraints[1]->vertices, (OdArray<std::uint64_t>{5, 4}));
    EXPECT_EQ(constraints[2]->vertices, (OdArray<std::uint64_t>{0, 1, 2}));
    EXPECT_EQ(constraints[4]->vertices, (OdArray<std::uint64_t>{3, 4, 5}));
    EXPECT_EQ(constraints[4]->originalId(), fix->objectId());
    EXPECT_EQ(constraints[4]->id(), 5u);

    s.addFeature<CaeFixFeature>({OdDbSubentId(OdDb::kVertexSubentType, 0)});
    EXPECT_EQ(Constraint::createConstraints(s.reporter, s.task.get(), s.entity, constraints), eUnsupported);
}
TEST(FixFeature, ComponentsAndSlideNormalDefaultToAFullSupport)
{
    const auto feature = CaeFixFeature::createObject();
    EXPECT_EQ(feature->components(), "123");
    EXPECT_TRUE(feature->slideNormal().isZeroLength());
    feature->setComponents("31");
    EXPECT_EQ(feature->components(), "13");
    long stored = 0;
    EXPECT_TRUE(feature->featureData().getReadProperties().getLong(kPropertyComponents, stored));
    EXPECT_EQ(stored, 13);
    feature->featureData().getWriteProperties().setLong(kPropertyComponents, 2);
    EXPECT_EQ(feature->components(), "2");
    feature->featureData().getWriteProperties().setLong(kPropertyComponents, 456);
    EXPECT_EQ(feature->components(), "123") << "no translation named reads as all three";
    feature->setSlideNormal(OdGeVector3d(0, 0, 2));
    EXPECT_EQ(feature->slideNormal(), OdGeVector3d(0, 0, 2));
}

TEST(ConstraintsFromFeatures, CarryTheHeldComponentsOrTheSlidesAxisOrNormal)
{
    struct Case
    {
        const char* components; // null: property absent
        OdGeVector3d normal;
        std::string held;
        OdGeVector3d expectedNormal;
    };
    const double r = std::sqrt(0.5);
    for (const Case& c : {Case{nullptr, {}, "123", {}}, Case{"13", {}, "13", {}},
                          Case{"13", {0, -3, 0}, "2", {}}, Case{nullptr, {1, 1, 0}, "", {r, r, 0}}})
    {
        MeshedSolid s;
        const auto fix = s.addFeature<CaeFixFeature>({face(7), edge(4)});
        if (c.components)
            fix->setComponents(c.components);
        if (!c.normal.isZeroLength())
            fix->setSlideNormal(c.normal);
        OdArray<std::shared_ptr<Constraint>> constraints;
        ASSERT_EQ(Constraint::createConstraints(s.reporter, s.task.get(), s.entity, constraints), eOk);
        ASSERT_EQ(constraints.size(), 5u);
        for (const auto& constraint : constraints)
        {
            EXPECT_EQ(constraint->components, c.held);
            EXPECT_TRUE(constraint->normal.isEqualTo(c.expectedNormal)) << c.held;
        }
    }

    MeshedSolid s;
    s.addFeature<CaeFixFeature>({face(8)})->setSlideNormal(OdGeVector3d(0, 0, 1));
    OdArray<std::shared_ptr<Constraint>> constraints;
    EXPECT_EQ(Constraint::createConstraints(s.reporter, s.task.get(), s.entity, constraints),
              eInvalidArgument);
    ASSERT_EQ(s.reporter.messages().size(), 1u);
    EXPECT_NE(s.log.str().find("not planar"), std::string::npos) << s.log.str();
}

TEST(ForceLoads, OneForcePerFeatureOverAllItsFacesNumberedWithThePressures)
{
    MeshedSolid s;
    OdArray<std::shared_ptr<Load>> loads;
    EXPECT_EQ(Load::createForceLoads(s.reporter, s.task.get(), s.entity, loads), eOk);
    EXPECT_TRUE(loads.isEmpty());
    EXPECT_TRUE(s.reporter.messages().empty());

    s.addFeature<CaePressureFeature>({face(2)});
    const auto feature = s.addFeature<CaeForceFeature>({face(7), face(2)});
    feature->setForce(OdGeVector3d(0, 30, -40));
    ASSERT_EQ(Load::createLoads(s.reporter, s.task.get(), s.entity, loads), eOk);
    ASSERT_EQ(Load::createForceLoads(s.reporter, s.task.get(), s.entity, loads), eOk);
    ASSERT_EQ(loads.size(), 2u);
    const auto* force = dynamic_cast<const Force*>(loads[1].get());
    ASSERT_NE(force, nullptr);
    EXPECT_EQ(force->id(), 2u) << "a load's id is its load set: unique among all loads";
    EXPECT_EQ(force->originalId(), feature->objectId());
    EXPECT_DOUBLE_EQ(force->magnitude, 50.0);
    EXPECT_TRUE(force->direction.isEqualTo(OdGeVector3d(0, 0.6, -0.8)));
    EXPECT_EQ(force->units, eSI_Newton);
    EXPECT_EQ(force->faces.size(), 4u);
    EXPECT_TRUE(totalForce(*force).isEqualTo(OdGeVector3d(0, 30, -40)));

    s.addFeature<CaeForceFeature>({edge(4)});
    EXPECT_EQ(Load::createForceLoads(s.reporter, s.task.get(), s.entity, loads), eUnsupported);
    EXPECT_EQ(s.reporter.messages().size(), 1u);
}
} // namespace
} // namespace cae_core::test

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new cae_core::test::ModuleEnvironment);
    return RUN_ALL_TESTS();
}
