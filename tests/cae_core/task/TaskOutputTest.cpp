#include "TaskTestSupport.h"

#include "cae_core/task/VisualizationReport.h"
#include "host/ut/Assert.h"
#include "platform/db/DbBlockTableRecord.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace cae_core::test
{
namespace
{
/// A task with one meshed entity (a single tetrahedron) and results at its vertices.
struct SolvedTask
{
    SolvedTask()
    {
        entity = Factory::instance().createEntity(task.get(), OdDbObjectId());
        entity->mesh = Factory::instance().createMesh(task.get());
        const OdGePoint3d points[] = {{0, 0, 0}, {1000, 0, 0}, {0, 1000, 0}, {0, 0, 1000}};
        const double stresses[] = {400.0, 50.0, 0.0, 100.0};
        for (int i = 0; i < 4; ++i)
        {
            const auto index = entity->mesh->addVertex(points[i], OdDbSubentId());
            output->vertexData[entity->mesh->vertex(index)->id()] = {OdGeVector3d(0, 0, 0.5 * i),
                                                                     stresses[i]};
        }
        entity->mesh->addTetra({0, 1, 2, 3});
        entity->mesh->addTriangle({0, 1, 2}, face(1));
    }

    ScopedTask task;
    std::shared_ptr<Entity> entity;
    std::shared_ptr<TaskOutput> output = std::make_shared<TaskOutput>();
};

TEST(TaskOutputs, ScaleTheirDataAndDisplaceACopyOfTheMeshSharingItsElements)
{
    const TaskOutput::Data d{OdGeVector3d(1, 2, 2), 5.0};
    const auto twice = d.copy(2.0);
    EXPECT_EQ(twice.displacement, OdGeVector3d(2, 4, 4));
    EXPECT_EQ(twice.vonMisesStress, 10.0);

    SolvedTask s;
    const auto still = s.output->apply(s.task.get(), s.entity->mesh, 0.0);
    ASSERT_TRUE(still);
    for (std::uint64_t i = 0; i < 4; ++i)
        EXPECT_EQ(still->vertex(i)->point, s.entity->mesh->vertex(i)->point);
    EXPECT_EQ(s.output->vertexData.size(), 8u);

    const auto moved = s.output->apply(s.task.get(), s.entity->mesh, 2.0);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->vertex(3)->point, OdGePoint3d(0, 0, 1.0 + 3.0));
    EXPECT_EQ(moved->tetra(0), s.entity->mesh->tetra(0));
    EXPECT_EQ(s.output->vertexData.at(moved->vertex(3)->id()).vonMisesStress, 200.0);
    EXPECT_EQ(s.output->apply(nullptr, s.entity->mesh, 1.0), nullptr);
    EXPECT_FALSE(s.output->clone()->isEmpty());
}

TEST(ColorPolicies, ColourTheSafetyValueRedToBlueUpToAHundred)
{
    SolvedTask s;
    ColorPolicy policy(s.output);
    ASSERT_EQ(policy.setType(ColorPolicy::eSafetyFactor), eOk);
    EXPECT_EQ(policy.type(), ColorPolicy::eSafetyFactor);
    const ColorMap map = policy.getColorMap();
    const auto& domain = map.getColorMapDomain();
    EXPECT_EQ(domain.min, 25.0);
    EXPECT_EQ(domain.max, 100.0);

    OdDbSubDMeshPtr db;
    ASSERT_EQ(s.entity->mesh->createDbMesh(false, false, db), eOk);
    ASSERT_EQ(policy.apply(s.entity->mesh, db), eOk);
    OdCmEntityColorArray colors;
    db->getVertexColorArray(colors);
    ASSERT_EQ(colors.size(), 4u);
    EXPECT_EQ(colors[0], OdCmEntityColor(255, 0, 0)) << "stress 400: safety 25";
    EXPECT_EQ(colors[1], OdCmEntityColor(0, 0, 255)) << "stress 50: safety 200, capped at 100";
    EXPECT_EQ(colors[2], OdCmEntityColor(0, 0, 255)) << "no stress: safety 100";
    EXPECT_EQ(colors[3], OdCmEntityColor(0, 0, 255)) << "stress 100: safety 100";

    ASSERT_EQ(policy.setType(ColorPolicy::eVonMisesStress), eOk);
    EXPECT_EQ(policy.getColorMap().getColorMapDomain().max, 400.0);
    ASSERT_EQ(policy.apply(s.entity->mesh, db), eOk);
    db->getVertexColorArray(colors);
    EXPECT_EQ(colors[0], OdCmEntityColor(255, 0, 0));
    EXPECT_EQ(colors[2], OdCmEntityColor(0, 0, 255));

    ColorPolicy empty(std::make_shared<TaskOutput>());
    ASSERT_EQ(empty.setType(ColorPolicy::eDisplacement), eOk);
    EXPECT_EQ(empty.getColorMap().getColorMapDomain().min, -std::numeric_limits<double>::max());
    ColorPolicy none(nullptr);
    EXPECT_EQ(none.setType(ColorPolicy::eDisplacement), eInvalidArgument);
    EXPECT_EQ(none.type(), ColorPolicy::eVonMisesStress);
    EXPECT_EQ(none.apply(s.entity->mesh, db), eInvalidArgument);

    ut::AssertRecorder recorder;
    auto unknown = Factory::instance().createMesh(s.task.get());
    unknown->addVertex(OdGePoint3d(), OdDbSubentId());
    ASSERT_EQ(policy.apply(unknown, db), eOk);
    EXPECT_TRUE(recorder.fired("0", "cae_core/cae_api_visualization_report", 62));
}

TEST(VisualizationReports, BelongToTheirDrawingAndBuildItsMeshesOnceThenRefillThem)
{
    OdDbDatabasePtr db = OdDbDatabase::createObject();
    VisualizationReport* report = VisualizationReport::getVisuReport(db.get());
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(VisualizationReport::getVisuReport(db.get()), report);
    EXPECT_EQ(VisualizationReport::getVisuReport(nullptr), nullptr);
    EXPECT_TRUE(report->isEmpty());
    EXPECT_EQ(report->buildModel(db.get(), 1.0), eEmpty);
    EXPECT_EQ(report->buildModel(nullptr, 1.0), eInvalidArgument);

    SolvedTask s;
    EXPECT_EQ(report->init(nullptr, s.output), eInvalidArgument);
    ASSERT_EQ(report->init(s.task.task, s.output), eOk);
    EXPECT_FALSE(report->isEmpty());
    ASSERT_EQ(report->buildModel(db.get(), 0.0), eOk);
    const auto space = OdDbBlockTableRecordPtr::cast(db->getModelSpaceId().openObject());
    ASSERT_EQ(space->entityIds().size(), 1u);
    const OdDbObjectId meshId = space->entityIds()[0];
    EXPECT_EQ(report->dbMeshes.at(s.entity.get()), meshId);

    ASSERT_EQ(report->buildModel(db.get(), 1000.0), eOk);
    EXPECT_EQ(space->entityIds().size(), 1u);
    const auto shown = OdDbSubDMeshPtr::cast(meshId.openObject());
    OdGePoint3dArray points;
    shown->getVertices(points);
    ASSERT_EQ(points.size(), 4u);
    EXPECT_NEAR(points[3].z, 1000.0 + 1.5 * 1000.0 * 1000.0, 1e-6)
        << "1.5 m times 1000, shown in millimetres";
    int faces = 0;
    shown->numOfFaces(faces);
    EXPECT_EQ(faces, 1);
    OdCmEntityColorArray colors;
    shown->getVertexColorArray(colors);
    EXPECT_EQ(colors.size(), 4u);

    VisualizationReport copy;
    EXPECT_EQ(report->copyTo(nullptr), eInvalidArgument);
    ASSERT_EQ(report->copyTo(&copy), eOk);
    EXPECT_EQ(copy.colorPolicy, report->colorPolicy);
    EXPECT_EQ(copy.dbMeshes, report->dbMeshes);
}
TEST(SolidStresses, GiveTheirPrincipalStressesInDescendingOrderAndTheirVonMisesStress)
{
    // A uniaxial 100 turned by 30 degrees about z: sxx = 100 c^2, syy = 100 s^2, sxy = 100 s c.
    const double c = std::sqrt(3.0) / 2.0, s = 0.5;
    const struct
    {
        const char* what;
        SolidStress stress;
        std::array<double, 3> principal;
        double vonMises;
    } cases[] = {
        {"pure shear", {0, 0, 0, 50, 0, 0}, {50, 0, -50}, 50 * std::sqrt(3.0)},
        {"turned uniaxial tension", {100 * c * c, 100 * s * s, 0, 100 * s * c, 0, 0}, {100, 0, 0}, 100},
        {"hydrostatic pressure", {-7, -7, -7, 0, 0, 0}, {-7, -7, -7}, 0},
        {"shear in yz and zx", {0, 0, 0, 0, 3, 4}, {5, 0, -5}, 5 * std::sqrt(3.0)},
        {"a tiny shear on a large normal stress", {1e9, 0, 0, 0, 1e-3, 0}, {1e9, 1e-3, -1e-3}, 1e9},
    };
    for (const auto& k : cases)
    {
        const auto p = k.stress.principal();
        // Round-off of the largest stress, which the smaller ones must not lose more than.
        const double tolerance = 1e-14 * std::max({1.0, std::abs(k.principal[0]), std::abs(k.principal[2])});
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_NEAR(p[i], k.principal[i], tolerance) << k.what << ", s" << i + 1;
        EXPECT_NEAR(k.stress.vonMises(), k.vonMises, 1e-12 * std::max(1.0, k.vonMises)) << k.what;
    }
}

} // namespace
} // namespace cae_core::test
