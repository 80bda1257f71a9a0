#include "host/solid/GmshBody.h"
#include "host/solid/GmshMeshing.h"

#include "../HostTestSupport.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

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
    const auto read = GmshBody::importStep(path, OdDb::kUnitsMillimeters);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->subentIndices(OdDb::kFaceSubentType).size(), 6u);
    expectBox(read->extents(), OdGePoint3d(0, 0, 0), OdGePoint3d(4, 3, 2));

    std::string error;
    EXPECT_FALSE(GmshBody::importStep(OdString((dir.path() / "missing.step").string().c_str()),
                                      OdDb::kUnitsMillimeters, &error));
    EXPECT_NE(error.find("missing.step"), std::string::npos);
    // The kernel's own report of where the file is broken goes into the message, not onto the terminal.
    std::ofstream(dir.path() / "junk.step") << "ISO-10303-21;\nnot a step file\n";
    error.clear();
    testing::internal::CaptureStdout();
    EXPECT_FALSE(GmshBody::importStep(OdString((dir.path() / "junk.step").string().c_str()),
                                      OdDb::kUnitsMillimeters, &error));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_NE(error.find("Line "), std::string::npos) << error;
    EXPECT_EQ(error.find('\x1b'), std::string::npos) << error;
}

/// The STEP text of a round bar 4 long and 1 across along x, in millimetres, as the kernel writes it.
std::string roundBarStep(const host_test::TempDir& dir)
{
    const auto bar = GmshBody::cylinder(OdGePoint3d(0, 0, 0), OdGeVector3d(4, 0, 0), 0.5);
    const auto path = dir.path() / "bar.step";
    EXPECT_TRUE(bar && bar->writeStep(OdString(path.string().c_str())));
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

OdString writeText(const host_test::TempDir& dir, const std::string& name, const std::string& text)
{
    std::ofstream(dir.path() / name) << text;
    return OdString((dir.path() / name).string().c_str());
}

TEST(GmshBodies, StepFilesThatCrashTheKernelsReaderEndWithAnErrorNamingTheFile)
{
    host_test::TempDir dir;
    const std::string bar = roundBarStep(dir);
    const struct
    {
        const char* name;
        std::regex from;
        const char* to;
        const char* says;
    } cases[] = {
        // A misspelt type of a direction in the faces' parameter space crashes the reader.
        {"misspelt.step", std::regex(R"(DIRECTION\('',\(([-0-9.E]+),([-0-9.E]+)\)\))"),
         "DIR4CTION('',($1,$2))", "crashed"},
        {"huge.step", std::regex(R"(CARTESIAN_POINT\('',\(([-0-9.E]+),)"), "CARTESIAN_POINT('',(1.E308,",
         "cannot read"},
    };
    for (const auto& c : cases)
    {
        const std::string broken = std::regex_replace(bar, c.from, c.to);
        ASSERT_NE(broken, bar) << c.name;
        std::string error;
        EXPECT_FALSE(GmshBody::importStep(writeText(dir, c.name, broken), OdDb::kUnitsMillimeters, &error));
        EXPECT_NE(error.find(c.name), std::string::npos) << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
    // A circle of radius 0 is taken by the reader, and picking the faces around it never ended.
    std::string error;
    const std::string circle =
        std::regex_replace(bar, std::regex(R"(CIRCLE\('',(#[0-9]+),[-0-9.E]+\))"), "CIRCLE('',$1,0.)",
                           std::regex_constants::format_first_only);
    EXPECT_FALSE(
        GmshBody::importStep(writeText(dir, "circle.step", circle), OdDb::kUnitsMillimeters, &error));
    EXPECT_NE(error.find("a CIRCLE of radius 0."), std::string::npos) << error;
    // The process goes on using the kernel.
    EXPECT_TRUE(GmshBody::box(OdGePoint3d(0, 0, 0), OdGeVector3d(1, 1, 1)));
}

TEST(GmshBodies, StepFilesAreReadInTheirOwnUnitIntoTheDrawingsUnit)
{
    host_test::TempDir dir;
    const auto bar = GmshBody::importStep(writeText(dir, "bar.step", roundBarStep(dir)), OdDb::kUnitsInches);
    ASSERT_TRUE(bar);
    expectBox(bar->extents(), OdGePoint3d(0, -0.5 / 25.4, -0.5 / 25.4),
              OdGePoint3d(4 / 25.4, 0.5 / 25.4, 0.5 / 25.4));
    const auto inMetres =
        GmshBody::importStep(writeText(dir, "bar.step", roundBarStep(dir)), OdDb::kUnitsMeters);
    ASSERT_TRUE(inMetres);
    expectBox(inMetres->extents(), OdGePoint3d(0, -0.0005, -0.0005), OdGePoint3d(0.004, 0.0005, 0.0005));
    std::string error;
    EXPECT_FALSE(
        GmshBody::importStep(writeText(dir, "bar.step", roundBarStep(dir)), OdDb::kUnitsYards, &error));
    EXPECT_NE(error.find("bar.step"), std::string::npos) << error;
}

TEST(GmshBodies, UnionsOfManyOperandsAreBuiltInOneConstruction)
{
    // A row of 200 overlapping unit boxes; built pair by pair, each step replayed all the steps before.
    constexpr int kBoxes = 200;
    std::vector<std::shared_ptr<GmshBody>> boxes;
    std::vector<const GmshBody*> operands;
    for (int i = 0; i < kBoxes; ++i)
    {
        boxes.push_back(GmshBody::box(OdGePoint3d(0.5 * i, 0, 0), OdGeVector3d(1, 1, 1)));
        operands.push_back(boxes.back().get());
    }
    // Processor time, which other programs on a busy machine do not inflate; one construction takes a
    // few seconds, a chain of 200 many minutes.
    const std::clock_t start = std::clock();
    const auto row = GmshBody::combine(GmshBody::eUnite, operands);
    ASSERT_TRUE(row);
    EXPECT_LT(double(std::clock() - start) / CLOCKS_PER_SEC, 60.0);
    expectBox(row->extents(), OdGePoint3d(0, 0, 0), OdGePoint3d(0.5 * (kBoxes - 1) + 1, 1, 1));
    EXPECT_EQ(row->subentIndices(OdDb::kFaceSubentType).size(), 6u);

    const auto notch =
        GmshBody::combine(GmshBody::eSubtract, {boxes[0].get(), boxes[1].get(), boxes[2].get()});
    ASSERT_TRUE(notch);
    expectBox(notch->extents(), OdGePoint3d(0, 0, 0), OdGePoint3d(0.5, 1, 1));
    const auto common =
        GmshBody::combine(GmshBody::eIntersect, {boxes[0].get(), boxes[1].get(), boxes[2].get()});
    EXPECT_FALSE(common) << "the first and third boxes only touch";
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
