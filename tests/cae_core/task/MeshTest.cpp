#include "TaskTestSupport.h"

#include "host/ut/Assert.h"

#include <gmock/gmock.h>

namespace cae_core::test
{
namespace
{
/// Two tetrahedra on the common face (0, 1, 2); the first one's boundary triangle (0, 1, 3) lies on
/// face 7 of the solid, (3, 1, 2) on a face 7 of another kernel, (2, 0, 3) on no face, and the
/// side (0, 3) on edge 4.
std::shared_ptr<Mesh> twoTetras(Task* task)
{
    auto mesh = Factory::instance().createMesh(task);
    const OdGePoint3d points[] = {{0, 0, 0}, {1000, 0, 0}, {0, 1000, 0}, {0, 0, 1000}, {0, 0, -1000}};
    for (const auto& p : points)
        mesh->addVertex(p, OdDbSubentId());
    mesh->addTetra({0, 1, 2, 3});
    mesh->addTetra({0, 1, 2, 4});
    mesh->addTriangle({0, 1, 3}, face(7));
    mesh->addTriangle({3, 1, 2}, OdDbSubentId(OdDb::kFaceSubentType, 7, L"OtherKernel"));
    mesh->addTriangle({2, 0, 3}, OdDbSubentId());
    mesh->addEdge({3, 0}, edge(4));
    mesh->addEdge({1, 2}, OdDbSubentId(OdDb::kVertexSubentType, 4));
    return mesh;
}

TEST(TaskMesh, ASecondOrderMeshKeepsItsMidVerticesAndSharesItsOrderWithDisplacedCopies)
{
    ScopedTask t;
    auto mesh = twoTetras(t.get());
    EXPECT_EQ(mesh->order(), 1);
    mesh->setOrder(3);
    EXPECT_EQ(mesh->order(), 1) << "only 1 and 2 are orders";
    mesh->setOrder(2);
    const std::uint64_t tetra = mesh->addTetra({0, 1, 2, 3}, {5, 6, 7, 8, 9, 10});
    const std::uint64_t triangle = mesh->addTriangle({0, 1, 3}, {5, 9, 8}, face(7));
    const std::uint64_t segment = mesh->addEdge({3, 0}, 8, edge(4));
    EXPECT_EQ(mesh->tetra(tetra)->midVertices, (std::array<std::uint64_t, 6>{5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(mesh->triangle(triangle)->midVertices, (std::array<std::uint64_t, 3>{5, 9, 8}));
    EXPECT_EQ(mesh->triangle(triangle)->subentId, face(7));
    EXPECT_EQ(mesh->edge(segment)->midVertex, 8u);

    auto copy = Factory::instance().createMesh(t.get());
    ASSERT_EQ(mesh->shareTopology(copy.get()), eOk);
    EXPECT_EQ(copy->order(), 2);
}

TEST(TaskMesh, ConvertsDrawingUnitsToModellingUnitsAndBack)
{
    for (const auto& [units, si, stored] : {std::tuple{OdDb::kUnitsMillimeters, true, 1.0},
                                            std::tuple{OdDb::kUnitsMillimeters, false, 1000.0 / 25.4},
                                            std::tuple{OdDb::kUnitsMeters, true, 1000.0}})
    {
        ScopedTask t(units, si);
        auto mesh = Factory::instance().createMesh(t.get());
        EXPECT_EQ(mesh->units(), si ? eSI_Meter : eEnglish_Inch);
        EXPECT_EQ(mesh->addVertex(OdGePoint3d(1000, 0, -2000), OdDbSubentId()), 0u);
        EXPECT_DOUBLE_EQ(mesh->vertex(0)->point.x, stored);
        EXPECT_DOUBLE_EQ(mesh->vertex(0)->point.z, -2.0 * stored);
        mesh->addVertex(OdGePoint3d(0, 1000, 0), OdDbSubentId());
        mesh->addVertex(OdGePoint3d(0, 0, 1000), OdDbSubentId());
        mesh->addTriangle({0, 1, 2}, face(1));
        OdDbSubDMeshPtr db;
        ASSERT_EQ(mesh->createDbMesh(false, false, db), eOk);
        OdGePoint3dArray back;
        db->getVertices(back);
        EXPECT_NEAR(back[0].x, 1000.0, 1e-9);
        EXPECT_NEAR(back[0].z, -2000.0, 1e-9);
    }
    Mesh orphan(nullptr);
    EXPECT_EQ(orphan.units(), eNoUnits);
    EXPECT_THAT([&] { orphan.addVertex(OdGePoint3d(), OdDbSubentId()); },
                testing::Throws<EResult>(testing::Eq(eInvalidArgument)));
    OdDbSubDMeshPtr db = OdDbSubDMesh::createObject();
    EXPECT_EQ(orphan.applyDbMesh(false, false, db), eInvalidArgument);
    EXPECT_THROW(orphan.vertex(0), OdError_InvalidIndex);
    EXPECT_THROW(orphan.tetra(0), OdError_InvalidIndex);
}

TEST(TaskMesh, FindsElementsBySubentityInAllThreePartsAndTetrasByFace)
{
    ScopedTask t;
    const auto mesh = twoTetras(t.get());
    EXPECT_EQ(mesh->findTriangles(face(7)), (OdArray<std::uint64_t>{0}));
    EXPECT_EQ(mesh->findEdges(edge(4)), (OdArray<std::uint64_t>{0}));
    EXPECT_TRUE(mesh->findEdges(edge(5)).isEmpty());
    EXPECT_THROW(mesh->edge(2), OdError_InvalidIndex);

    const auto found = mesh->findTetras({0, 1, 3});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].tetra, 0u);
    EXPECT_EQ(found[0].oppositeVertex, 2u);
    const auto shared = mesh->findTetras({2, 1, 0});
    ASSERT_EQ(shared.size(), 2u);
    EXPECT_EQ(shared[1].oppositeVertex, 4u);
    EXPECT_TRUE(mesh->findTetras({0, 1}).isEmpty());
    EXPECT_EQ(mesh->findTetras({0, 1, 2, 3}).size(), 1u); // the second tetra has three of them
}

TEST(TaskMesh, DrawingMeshHoldsTetraFacesOrBoundaryTrianglesWithSolidSubentitiesColoured)
{
    ScopedTask t;
    const auto mesh = twoTetras(t.get());
    OdDbSubDMeshPtr db;
    ASSERT_EQ(mesh->createDbMesh(true, false, db), eOk);
    int vertices = 0, faces = 0;
    db->numOfVertices(vertices);
    db->numOfFaces(faces);
    EXPECT_EQ(vertices, 5);
    EXPECT_EQ(faces, 8);
    OdInt32Array faceArray;
    db->getFaceArray(faceArray);
    EXPECT_EQ(faceArray.size(), 32u);
    EXPECT_EQ((std::vector<int>(faceArray.begin(), faceArray.begin() + 16)),
              (std::vector<int>{3, 0, 1, 2, 3, 1, 2, 3, 3, 2, 3, 0, 3, 3, 0, 1}));

    ASSERT_EQ(mesh->applyDbMesh(false, true, db), eOk);
    db->numOfFaces(faces);
    ASSERT_EQ(faces, 3);
    OdCmColor color;
    for (const OdGsMarker onFace : {0, 1})
    {
        ASSERT_EQ(db->getSubentColor(face(onFace), color), ::eOk);
        EXPECT_EQ(color.colorIndex(), 3);
    }
    EXPECT_EQ(db->getSubentColor(face(2), color), ::eKeyNotFound);
    OdInt32Array edges;
    db->getEdgeArray(edges);
    int colouredEdges = 0;
    for (unsigned i = 0; i < edges.size() / 2; ++i)
    {
        if (db->getSubentColor(edge(i), color) != ::eOk)
            continue;
        ++colouredEdges;
        EXPECT_EQ(color.colorIndex(), 5);
        EXPECT_EQ(std::min(edges[2 * i], edges[2 * i + 1]), 0);
        EXPECT_EQ(std::max(edges[2 * i], edges[2 * i + 1]), 3);
    }
    EXPECT_EQ(colouredEdges, 1);
}

TEST(TaskMesh, SharedTopologyKeepsTheOtherMeshsVertices)
{
    ScopedTask t;
    const auto mesh = twoTetras(t.get());
    auto other = Factory::instance().createMesh(t.get());
    other->addVertex(OdGePoint3d(1, 2, 3), OdDbSubentId());
    EXPECT_EQ(mesh->shareTopology(nullptr), eInvalidArgument);
    ASSERT_EQ(mesh->shareTopology(other.get()), eOk);
    EXPECT_EQ(other->nbVertices(), 1u);
    EXPECT_EQ(other->nbTetra(), 2u);
    EXPECT_EQ(other->nbTriangles(), 3u);
    EXPECT_EQ(other->nbEdges(), 2u);
    EXPECT_EQ(other->tetra(1), mesh->tetra(1));
}

TEST(TetraMeshGeneratorSlot, TheModulesGeneratorDeclinesUntilTheHostInstallsOne)
{
    ScopedTask t;
    std::shared_ptr<Mesh> mesh;
    MeshingParameters p;
    const TetraMeshGenerator& before = TetraMeshGenerator::get();
    EXPECT_EQ(before.generate(ut::IReporter::nullReporter(), OdDbObjectId(), t.get(), nullptr, p, mesh),
              eNotPossible);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_FALSE(TetraMeshGenerator::init(nullptr));
    EXPECT_EQ(&TetraMeshGenerator::get(), &before);

    struct Counting : TetraMeshGenerator
    {
        EResult generate(ut::IReporter&, const OdDbObjectId&, Task*, Entity*, MeshingParameters&,
                         std::shared_ptr<Mesh>&) const override
        {
            return eOk;
        }
    };
    EXPECT_TRUE(TetraMeshGenerator::init(std::make_unique<Counting>()));
    EXPECT_EQ(TetraMeshGenerator::get().generate(ut::IReporter::nullReporter(), OdDbObjectId(), t.get(),
                                                 nullptr, p, mesh),
              eOk);
    EXPECT_TRUE(TetraMeshGenerator::init(std::make_unique<TetraMeshGenerator>()));
}
} // namespace
} // namespace cae_core::test
