#include "host/tetra/GmshTetraMeshGenerator.h"

#include "host/solid/GmshBody.h"
#include "platform/db/DbBlockTableRecord.h"
#include "tests/cae_core/task/TaskTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tetra
{
namespace
{
using namespace cae_core;
using namespace cae_core::test;

TEST(GmshTetraOptions, ResolveSizesAgainstTheDiagonalAndKeepTheTightestBounds)
{
    using R = MeshingReal;
    const double d = 10.0;
    MeshingParameters p;
    EXPECT_EQ(GmshTetraMeshGenerator::options(p, d).sizeMax, 1e22);
    p.surfaceParameters.global_physical_size = R(0.03, R::eRelative);
    EXPECT_DOUBLE_EQ(GmshTetraMeshGenerator::options(p, d).sizeMax, 0.3);
    p.surfaceParameters.max_size = R(50.0, R::eDOver);
    EXPECT_DOUBLE_EQ(GmshTetraMeshGenerator::options(p, d).sizeMax, 0.2);
    p.tetraParameters.max_size = R(0.01, R::eTimesD);
    p.tetraParameters.min_size = R(-1.0, R::eAbsolute);
    p.surfaceParameters.min_size = R(0.05, R::eAbsolute);
    auto o = GmshTetraMeshGenerator::options(p, d);
    EXPECT_DOUBLE_EQ(o.sizeMax, 0.1);
    EXPECT_DOUBLE_EQ(o.sizeMin, 0.05);
    p.surfaceParameters.min_size = R(1.0, R::eAbsolute);
    EXPECT_DOUBLE_EQ(GmshTetraMeshGenerator::options(p, d).sizeMin, 0.1) << "the minimum never exceeds the maximum";

    p.surfaceParameters.geometric_approximation_angle = R(8.0, R::eAbsolute);
    EXPECT_DOUBLE_EQ(GmshTetraMeshGenerator::options(p, d).elementsPerTwoPi, 45.0);
    p.surfaceParameters.chordal_error = R(0.001, R::eTimesD);
    EXPECT_NEAR(GmshTetraMeshGenerator::options(p, d).elementsPerTwoPi, std::acos(-1.0) / std::acos(0.998), 1e-9);
    p.tetraParameters.optimisation_level = TetraParameters::eStrong;
    p.tetraParameters.max_number_of_threads = 3;
    o = GmshTetraMeshGenerator::options(p, d);
    EXPECT_TRUE(o.optimizeNetgen);
    EXPECT_EQ(o.threads, 3);
    const MeshingParameters fixed = MeshingParameters::defaultMeshGemsParameters();
    EXPECT_DOUBLE_EQ(GmshTetraMeshGenerator::options(fixed, d).sizeMax, 0.1);
    EXPECT_DOUBLE_EQ(GmshTetraMeshGenerator::options(fixed, d).sizeMin, 0.1);
}

/// A 100 x 50 x 20 box, in a drawing in millimetres, meshed by the host's generator.
struct MeshedBox
{
    MeshedBox()
    {
        body = solid::GmshBody::box(OdGePoint3d(0, 0, 0), OdGeVector3d(100, 50, 20));
        const auto solidEntity = OdDb3dSolid::createObject();
        solidEntity->setBody(body);
        const auto space = OdDbBlockTableRecordPtr::cast(drawing.db->getModelSpaceId().openObject(OdDb::kForWrite));
        drawing.solidId = space->appendOdDbEntity(solidEntity.get());
        entity = Factory::instance().createEntity(task.get(), drawing.solidId);
        MeshingParameters parameters = MeshingParameters::buildParameters(10.0);
        result = GmshTetraMeshGenerator().generate(reporter, drawing.solidId, task.get(), entity.get(), parameters,
                                                   entity->mesh);
    }

    OdGsMarker faceAtX(double x) const
    {
        const auto faces = body->facesOnPlane(OdGePoint3d(x, 0, 0), OdGeVector3d(1, 0, 0), 1e-6);
        EXPECT_EQ(faces.size(), 1u);
        return faces.isEmpty() ? 0 : faces[0];
    }

    DrawingWithSolid drawing;
    std::shared_ptr<solid::GmshBody> body;
    ScopedTask task{OdDb::kUnitsMillimeters, true};
    std::shared_ptr<Entity> entity;
    ut::StreamReporter reporter;
    EResult result = cae_core::eFailed;
};

TEST(GmshTetraGenerator, MeshesABoxWhosePressedAndFixedFacesBecomeLoadsAndConstraintsOnThoseFaces)
{
    MeshedBox box;
    ASSERT_EQ(box.result, cae_core::eOk);
    const Mesh& mesh = *box.entity->mesh;
    EXPECT_EQ(mesh.units(), eSI_Meter);
    EXPECT_EQ(mesh.meshingParameters(), MeshingParameters::buildParameters(10.0));
    ASSERT_GT(mesh.nbTetra(), 500u);

    // Tetrahedra fill the box exactly (in cubic metres).
    double volume = 0.0;
    for (std::uint64_t i = 0; i < mesh.nbTetra(); ++i)
    {
        const auto& v = mesh.tetra(i)->vertices;
        const OdGePoint3d& a = mesh.vertex(v[0])->point;
        volume += std::abs((mesh.vertex(v[1])->point - a)
                               .crossProduct(mesh.vertex(v[2])->point - a)
                               .dotProduct(mesh.vertex(v[3])->point - a)) /
                  6.0;
    }
    EXPECT_NEAR(volume, 0.1 * 0.05 * 0.02, 1e-12);

    const auto pressure = box.drawing.addFeature<CaePressureFeature>({face(box.faceAtX(100.0))});
    pressure->setPressureMagnitude(1e6);
    box.drawing.addFeature<CaeFixFeature>({face(box.faceAtX(0.0))});
    OdArray<std::shared_ptr<Load>> loads;
    OdArray<std::shared_ptr<Constraint>> constraints;
    ASSERT_EQ(Load::createLoads(box.reporter, box.task.get(), box.entity, loads), cae_core::eOk);
    ASSERT_EQ(Constraint::createConstraints(box.reporter, box.task.get(), box.entity, constraints), cae_core::eOk);

    // Geometrically on their faces: x = 0.1 m for the load, x = 0 for the supports.
    constexpr double kOnFace = 1e-12;
    ASSERT_EQ(loads.size(), 1u);
    double area = 0.0;
    for (const auto& f : loads[0]->faces)
    {
        ASSERT_EQ(f.size(), 3u);
        for (const std::uint64_t v : f)
            ASSERT_NEAR(mesh.vertex(v)->point.x, 0.1, kOnFace);
        const OdGePoint3d& a = mesh.vertex(f[0])->point;
        area += (mesh.vertex(f[1])->point - a).crossProduct(mesh.vertex(f[2])->point - a).length() / 2.0;
    }
    EXPECT_NEAR(area, 0.05 * 0.02, 1e-12);
    ASSERT_FALSE(constraints.isEmpty());
    for (const auto& c : constraints)
    {
        ASSERT_EQ(c->vertices.size(), 3u);
        for (const std::uint64_t v : c->vertices)
            ASSERT_NEAR(mesh.vertex(v)->point.x, 0.0, kOnFace);
    }
    // Every loaded triangle is the face of exactly one tetrahedron.
    for (const auto& f : loads[0]->faces)
        ASSERT_EQ(mesh.findTetras(f).size(), 1u);

    OdDbSubDMeshPtr db;
    ASSERT_EQ(box.entity->mesh->createDbMesh(false, true, db), cae_core::eOk);
    OdGeExtents3d extents;
    db->getGeomExtents(extents);
    EXPECT_NEAR(extents.maxPoint().x, 100.0, 1e-9);
}

TEST(GmshTetraGenerator, RefusesWhatItCannotMesh)
{
    MeshedBox box;
    MeshingParameters p;
    std::shared_ptr<Mesh> mesh;
    const GmshTetraMeshGenerator generator;
    EXPECT_EQ(generator.generate(box.reporter, box.drawing.solidId, nullptr, box.entity.get(), p, mesh),
              eInvalidArgument);
    const auto empty = OdDb3dSolid::createObject();
    const OdDbObjectId emptyId = box.drawing.db->addOdDbObject(empty.get());
    EXPECT_EQ(generator.generate(box.reporter, emptyId, box.task.get(), box.entity.get(), p, mesh),
              eInvalidArgument);
    EXPECT_EQ(mesh, nullptr);
}
} // namespace
} // namespace tetra

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new cae_core::test::ModuleEnvironment);
    return RUN_ALL_TESTS();
}
