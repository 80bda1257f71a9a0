#include "host/solid/GmshBody.h"
#include "host/solid/GmshMeshing.h"

#include "../HostTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

namespace solid
{
namespace
{
void expectBox(const OdGeExtents3d& box, const OdGePoint3d& min, const OdGePoint3d& max)
{
    // OpenCASCADE pads bounding boxes by its own tolerance.
    constexpr double kKernelPadding = 1e-6;
    EXPECT_TRUE(box.minPoint().isEqualTo(min, OdGeTol(kKernelPadding))) << box.minPoint().x;
    EXPECT_TRUE(box.maxPoint().isEqualTo(max, OdGeTol(kKernelPadding))) << box.maxPoint().x;
}

TEST(GmshBodies, PrimitivesHaveTheirFacesEdgesAndVerticesAsSubentities)
{
    const auto box = GmshBody::box(OdGePoint3d(1, 2, 3), OdGeVector3d(10, 5, 2));
    ASSERT_TRUE(box);
    EXPECT_EQ(box->subentIndices(OdDb::kFaceSubentType).size(), 6u);
    EXPECT_EQ(box->subentIndices(OdDb::kEdgeSubentType).size(), 12u);
    EXPECT_EQ(box->subentIndices(OdDb::kVertexSubentType).size(), 8u);
    EXPECT_TRUE(box->subentIndices(OdDb::kClassSubentType).isEmpty());
    expectBox(box->extents(), OdGePoint3d(1, 2, 3), OdGePoint3d(11, 7, 5));
    const auto top = box->facesOnPlane(OdGePoint3d(0, 0, 5), OdGeVector3d(0, 0, 1), 1e-6);
    ASSERT_EQ(top.size(), 1u);
    expectBox(box->subentExtents(OdDb::kFaceSubentType, top[0]), OdGePoint3d(1, 2, 5), OdGePoint3d(11, 7, 5));
    EXPECT_FALSE(box->subentExtents(OdDb::kFaceSubentType, 99).isValidExtents());

    const auto ball = GmshBody::sphere(OdGePoint3d(0, 0, 0), 2.0);
    ASSERT_TRUE(ball);
    expectBox(ball->extents(), OdGePoint3d(-2, -2, -2), OdGePoint3d(2, 2, 2));
    const auto rod = GmshBody::cylinder(OdGePoint3d(0, 0, 0), OdGeVector3d(0, 0, 4), 1.0);
    ASSERT_TRUE(rod);
    EXPECT_EQ(rod->subentIndices(OdDb::kFaceSubentType).size(), 3u);
}

TEST(GmshBodies, BooleanCombinationsKeepTheirOperandsAndRefuseEmptyResults)
{
    const auto a = GmshBody::box(OdGePoint3d(0, 0, 0), OdGeVector3d(2, 2, 2));
    const auto b = GmshBody::box(OdGePoint3d(1, 1, 1), OdGeVector3d(2, 2, 2));
    const auto far = GmshBody::box(OdGePoint3d(10, 10, 10), OdGeVector3d(1, 1, 1));
    ASSERT_TRUE(a && b && far);
    const auto both = GmshBody::unite(*a, *b);
    ASSERT_TRUE(both);
    expectBox(both->extents(), OdGePoint3d(0, 0, 0), OdGePoint3d(3, 3, 3));
    const auto common = GmshBody::intersect(*a, *b);
    ASSERT_TRUE(common);
    expectBox(common->extents(), OdGePoint3d(1, 1, 1), OdGePoint3d(2, 2, 2));
    const auto hole = GmshBody::cylinder(OdGePoint3d(1, 1, -1), OdGeVector3d(0, 0, 4), 0.5);
    const auto drilled = GmshBody::subtract(*a, *hole);
    ASSERT_TRUE(drilled);
    EXPECT_GT(drilled->subentIndices(OdDb::kFaceSubentType).size(), 6u);
    expectBox(a->extents(), OdGePoint3d(0, 0, 0), OdGePoint3d(2, 2, 2));

    std::string error;
    EXPECT_FALSE(GmshBody::intersect(*a, *far, &error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(GmshBody::box(OdGePoint3d(0, 0, 0), OdGeVector3d(0, 1, 1), &error));
    EXPECT_FALSE(error.empty());
}

TEST(GmshBodies, APointPicksTheFacesAndEdgesItLiesOnInsideTheirBoundaries)
{
    // A 10 x 10 x 10 box with a hole of radius 2 through it along z.
    const auto box = GmshBody::box(OdGePoint3d(0, 0, 0), OdGeVector3d(10, 10, 10));
    const auto hole = GmshBody::cylinder(OdGePoint3d(5, 5, -1), OdGeVector3d(0, 0, 12), 2.0);
    const auto body = GmshBody::subtract(*box, *hole);
    ASSERT_TRUE(body);
    const auto top = body->facesOnPlane(OdGePoint3d(0, 0, 10), OdGeVector3d(0, 0, 1), 1e-6);
    ASSERT_EQ(top.size(), 1u);
    const double tol = 1e-6;
    const struct
    {
        OdDb::SubentType type;
        OdGePoint3d point;
        std::size_t count;
        const char* what;
    } cases[] = {
        {OdDb::kFaceSubentType, OdGePoint3d(1, 1, 10), 1, "inside the top face"},
        {OdDb::kFaceSubentType, OdGePoint3d(5, 5, 10), 0, "in the hole, on the top face's plane"},
        {OdDb::kFaceSubentType, OdGePoint3d(7, 5, 5), 1, "on the hole's wall"},
        {OdDb::kFaceSubentType, OdGePoint3d(1, 1, 10.1), 0, "above the top face"},
        {OdDb::kFaceSubentType, OdGePoint3d(0, 1, 10), 2, "on the edge between two faces"},
        {OdDb::kEdgeSubentType, OdGePoint3d(0, 1, 10), 1, "on one edge"},
        {OdDb::kEdgeSubentType, OdGePoint3d(0, 12, 10), 0, "on an edge's line beyond its end"},
        {OdDb::kEdgeSubentType, OdGePoint3d(0, 0, 10), 3, "at a corner"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(body->subentsAt(c.type, c.point, tol).size(), c.count) << c.what;
    EXPECT_EQ(body->subentsAt(OdDb::kFaceSubentType, OdGePoint3d(1, 1, 10), tol)[0], top[0]);
}

TEST(GmshBodies, StepFilesReadBackWhatWasWrittenAndUnreadableOnesAreRefused)
{
    host_test::TempDir dir;
    const auto box = GmshBody::box(OdGePoint3d(0, 0, 0), OdGeVector3d(4, 3, 2));
    const OdString path((dir.path() / "box.step").string().c_str());
    ASSERT_TRUE(box->writeStep(path));
    const auto read = GmshBody::importStep(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->subentIndices(OdDb::kFaceSubentType).size(), 6u);
    expectBox(read->extents(), OdGePoint3d(0, 0, 0), OdGePoint3d(4, 3, 2));

    std::string error;
    EXPECT_FALSE(GmshBody::importStep(OdString((dir.path() / "missing.step").string().c_str()), &error));
    EXPECT_NE(error.find("missing.step"), std::string::npos);
    // The kernel's own report of where the file is broken goes into the message, not onto the terminal.
    std::ofstream(dir.path() / "junk.step") << "ISO-10303-21;\nnot a step file\n";
    error.clear();
    testing::internal::CaptureStdout();
    EXPECT_FALSE(GmshBody::importStep(OdString((dir.path() / "junk.step").string().c_str()), &error));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_NE(error.find("Line "), std::string::npos) << error;
    EXPECT_EQ(error.find('\x1b'), std::string::npos) << error;
}

TEST(GmshMeshing, GivesLinearTetrahedraWithBoundaryElementsOnTheirEntities)
{
    const auto box = GmshBody::box(OdGePoint3d(0, 0, 0), OdGeVector3d(4, 2, 1));
    GmshMeshOptions options;
    options.sizeMax = 0.5;
    GmshSolidMesh mesh;
    std::string error;
    std::vector<int> stages;
    ASSERT_TRUE(meshBody(*box, options, mesh, error, [&](int s) { stages.push_back(s); })) << error;
    EXPECT_EQ(stages, (std::vector<int>{1, 2, 3}));
    EXPECT_GT(mesh.tetras.size(), 100u);
    const auto faces = box->subentIndices(OdDb::kFaceSubentType);
    const std::set<OdGsMarker> faceTags(faces.begin(), faces.end());
    for (const auto& t : mesh.triangles)
        ASSERT_TRUE(faceTags.count(t.tag));
    int corners = 0;
    for (const auto& n : mesh.nodes)
        corners += n.dim == 0;
    EXPECT_EQ(corners, 8);
    for (const auto& e : mesh.edges)
        for (const std::size_t v : e.nodes)
            ASSERT_LE(mesh.nodes[v].dim, 1);
    for (const auto& t : mesh.tetras)
        for (const std::size_t v : t)
            ASSERT_LT(v, mesh.nodes.size());

    options.sizeMax = -1.0;
    EXPECT_FALSE(meshBody(*box, options, mesh, error));
    EXPECT_EQ(error, "Error: Wrong mesh element size lc = -1 (lcmin = 0, lcmax = -1)");
}
} // namespace
} // namespace solid
