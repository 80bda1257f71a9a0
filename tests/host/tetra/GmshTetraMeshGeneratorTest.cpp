#include "host/tetra/GmshTetraMeshGenerator.h"

#include "host/solid/GmshBody.h"
#include "platform/db/DbBlockTableRecord.h"
#include "tests/cae_core/task/TaskTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
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
    EXPECT_DOUBLE_EQ(GmshTetraMeshGenerator::options(p, d).sizeMin, 0.1)
        << "the minimum never exceeds the maximum";

    p.surfaceParameters.geometric_approximation_angle = R(8.0, R::eAbsolute);
    EXPECT_DOUBLE_EQ(GmshTetraMeshGenerator::options(p, d).elementsPerTwoPi, 45.0);
    p.surfaceParameters.chordal_error = R(0.001, R::eTimesD);
    EXPECT_NEAR(GmshTetraMeshGenerator::options(p, d).elementsPerTwoPi, std::acos(-1.0) / std::acos(0.998),
                1e-9);
    p.tetraParameters.optimisation_level = TetraParameters::eStrong;
    p.tetraParameters.max_number_of_threads = 3;
    o = GmshTetraMeshGenerator::options(p, d);
    EXPECT_TRUE(o.optimizeNetgen);
    EXPECT_EQ(o.threads, 3);
    const MeshingParameters fixed = MeshingParameters::defaultMeshGemsParameters();
    EXPECT_DOUBLE_EQ(GmshTetraMeshGenerator::options(fixed, d).sizeMax, 0.1);
    EXPECT_DOUBLE_EQ(GmshTetraMeshGenerator::options(fixed, d).sizeMin, 0.1);
}

/// A 100 x 50 x 20 box (or another body), in a drawing in millimetres, meshed by the host's generator.
struct MeshedBox
{
    explicit MeshedBox(std::shared_ptr<solid::GmshBody> solidBody = nullptr,
                       GmshTetraMeshGenerator::Settings settings = {}, double fineness = 10.0)
        : body(solidBody ? std::move(solidBody)
                         : solid::GmshBody::box(OdGePoint3d(0, 0, 0), OdGeVector3d(100, 50, 20)))
    {
        const auto solidEntity = OdDb3dSolid::createObject();
        solidEntity->setBody(body);
        const auto space =
            OdDbBlockTableRecordPtr::cast(drawing.db->getModelSpaceId().openObject(OdDb::kForWrite));
        drawing.solidId = space->appendOdDbEntity(solidEntity.get());
        entity = Factory::instance().createEntity(task.get(), drawing.solidId);
        MeshingParameters parameters = MeshingParameters::buildParameters(fineness);
        result = GmshTetraMeshGenerator(settings).generate(reporter, drawing.solidId, task.get(),
                                                           entity.get(), parameters, entity->mesh);
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
    ASSERT_EQ(Constraint::createConstraints(box.reporter, box.task.get(), box.entity, constraints),
              cae_core::eOk);

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

/// The Jacobian determinant of a ten-node tetrahedron at natural coordinates (s, t, u).
double jacobian(const Mesh& mesh, const MeshTetra& tetra, double s, double t, double u)
{
    const double l[4] = {1.0 - s - t - u, s, t, u};
    // d l_i / d(s, t, u)
    const double dl[4][3] = {{-1, -1, -1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    static constexpr int kEdges[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
    OdGeVector3d d[3];
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k < 3; ++k)
            d[k] += mesh.vertex(tetra.vertices[c])->point.asVector() * ((4.0 * l[c] - 1.0) * dl[c][k]);
    for (int m = 0; m < 6; ++m)
    {
        const int i = kEdges[m][0], j = kEdges[m][1];
        for (int k = 0; k < 3; ++k)
            d[k] += mesh.vertex(tetra.midVertices[m])->point.asVector() *
                    (4.0 * (l[i] * dl[j][k] + l[j] * dl[i][k]));
    }
    return d[0].crossProduct(d[1]).dotProduct(d[2]);
}

TEST(GmshTetraGenerator, ASecondOrderCylinderHasItsMidVerticesOnTheCurvedFaceAndNoInvertedTetrahedra)
{
    const double radius = 10.0, height = 30.0; // millimetres
    MeshedBox cylinder(solid::GmshBody::cylinder(OdGePoint3d(0, 0, 0), OdGeVector3d(0, 0, height), radius),
                       {2, 0}, 3.0);
    ASSERT_EQ(cylinder.result, cae_core::eOk);
    const Mesh& mesh = *cylinder.entity->mesh;
    ASSERT_EQ(mesh.order(), 2);
    ASSERT_GT(mesh.nbTetra(), 100u);

    const double r = radius / 1000.0, h = height / 1000.0; // the mesh is in metres
    std::size_t onCurvedFace = 0;
    for (std::uint64_t i = 0; i < mesh.nbTetra(); ++i)
    {
        const MeshTetra& tetra = *mesh.tetra(i);
        static constexpr int kEdges[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
        for (int m = 0; m < 6; ++m)
        {
            const MeshVertex& mid = *mesh.vertex(tetra.midVertices[m]);
            const OdGePoint3d& a = mesh.vertex(tetra.vertices[kEdges[m][0]])->point;
            const OdGePoint3d& b = mesh.vertex(tetra.vertices[kEdges[m][1]])->point;
            // Each mid vertex belongs to its own edge: near the chord's middle, far from the others'.
            ASSERT_LT(mid.point.distanceTo(a + (b - a) / 2.0), 0.25 * a.distanceTo(b))
                << "tetra " << i << " mid " << m;
            const bool onEnd = std::abs(mid.point.z) < 1e-12 || std::abs(mid.point.z - h) < 1e-12;
            if (mid.subentId.type() == OdDb::kFaceSubentType && !onEnd)
            {
                ++onCurvedFace;
                ASSERT_NEAR(std::hypot(mid.point.x, mid.point.y), r, 1e-9 * r);
            }
        }
        for (const auto& [s, t, u] :
             {std::array<double, 3>{0.25, 0.25, 0.25}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}})
            ASSERT_GT(jacobian(mesh, tetra, s, t, u), 0.0) << "tetra " << i;
    }
    EXPECT_GT(onCurvedFace, 50u);

    // Loads and supports of a second-order mesh name the mid vertices after the corners.
    cylinder.drawing.addFeature<CaePressureFeature>(
        {face(cylinder.body->facesOnPlane(OdGePoint3d(0, 0, height), OdGeVector3d(0, 0, 1), 1e-6)[0])});
    cylinder.drawing.addFeature<CaeFixFeature>(
        {edge(cylinder.body->subentIndices(OdDb::kEdgeSubentType)[0])});
    OdArray<std::shared_ptr<Load>> loads;
    OdArray<std::shared_ptr<Constraint>> constraints;
    ASSERT_EQ(Load::createLoads(cylinder.reporter, cylinder.task.get(), cylinder.entity, loads),
              cae_core::eOk);
    ASSERT_EQ(
        Constraint::createConstraints(cylinder.reporter, cylinder.task.get(), cylinder.entity, constraints),
        cae_core::eOk);
    ASSERT_FALSE(loads[0]->faces.isEmpty());
    for (const auto& f : loads[0]->faces)
    {
        ASSERT_EQ(f.size(), 6u);
        for (const std::uint64_t v : f)
            EXPECT_NEAR(mesh.vertex(v)->point.z, h, 1e-12);
    }
    ASSERT_FALSE(constraints.isEmpty());
    for (const auto& c : constraints)
        ASSERT_EQ(c->vertices.size(), 3u);
}

TEST(GmshTetraGenerator, FindsTetrahedraFoldedByAMidVertexPastTheirCorner)
{
    ScopedTask task;
    const auto mesh = Factory::instance().createMesh(task.get());
    mesh->setOrder(2);
    const OdGePoint3d corners[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (const auto& p : corners)
        mesh->addVertex(p, OdDbSubentId());
    const int edges[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
    for (const auto& e : edges)
        mesh->addVertex(corners[e[0]] + (corners[e[1]] - corners[e[0]]) / 2.0, OdDbSubentId());
    mesh->addTetra({0, 1, 2, 3}, {4, 5, 6, 7, 8, 9});
    EXPECT_EQ(GmshTetraMeshGenerator::invertedTetrahedra(*mesh), 0u);
    // The mid vertex of (0,1) beyond vertex 1: the edge doubles back on itself near that corner.
    mesh->addVertex(OdGePoint3d(1.2, 0, 0), OdDbSubentId());
    mesh->addTetra({0, 1, 2, 3}, {10, 5, 6, 7, 8, 9});
    EXPECT_EQ(GmshTetraMeshGenerator::invertedTetrahedra(*mesh), 1u);
}

TEST(GmshTetraGenerator, ABudgetRefusesTheFinestMeshOfABoxBeforeMeshing)
{
    const auto start = std::chrono::steady_clock::now();
    MeshedBox box(solid::GmshBody::box(OdGePoint3d(0, 0, 0), OdGeVector3d(100, 100, 100)), {1, 1000000},
                  0.01);
    EXPECT_EQ(box.result, eLimitExceeded);
    EXPECT_EQ(box.entity->mesh, nullptr);
    ASSERT_EQ(box.reporter.messages().size(), 1u);
    const std::string text(OdAnsiString(box.reporter.messages()[0].text).str());
    EXPECT_NE(text.find("1000000"), std::string::npos) << text;
    EXPECT_NE(text.find("about "), std::string::npos) << text;
    // Meshing it takes minutes; refusing it is a volume query.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(GmshTetraGenerator, TheTetrahedronEstimateIsCloseOnABox)
{
    MeshedBox box;
    ASSERT_EQ(box.result, cae_core::eOk);
    const double diagonal = std::sqrt(100.0 * 100.0 + 50.0 * 50.0 + 20.0 * 20.0);
    const double estimate = GmshTetraMeshGenerator::estimateTetrahedra(
        100.0 * 50.0 * 20.0, diagonal,
        GmshTetraMeshGenerator::options(MeshingParameters::buildParameters(10.0), diagonal));
    const double actual = static_cast<double>(box.entity->mesh->nbTetra());
    EXPECT_GT(estimate, actual / 1.5);
    EXPECT_LT(estimate, actual * 1.5);
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
