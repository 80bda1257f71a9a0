#include "cae_core/nastran/TaskDeck.h"

#include "cae_core/core/ReporterMessages.h"
#include "cae_core/nastran/NastranProcess.h"
#include "cae_core/task/TaskOutput.h"
#include "host/ca/CommandLine.h"
#include "tests/host/HostTestSupport.h"

#include "cae_core/task/Factory.h"
#include "cae_core/task/Mesh.h"
#include "host/ut/Assert.h"
#include "tests/cae_core/nastran/NastranTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

namespace
{
using namespace cae_core;
using nastran::detail::compressIds;

/// A task in metres (drawing and modelling units alike) with one entity whose mesh has `vertices` and
/// `tetras` (vertex positions); vertex and tetrahedron ids run from 1 in list order.
struct TestTask
{
    TestTask(const char* name, const std::vector<OdGePoint3d>& vertices,
             const std::vector<std::array<std::uint64_t, 4>>& tetras)
        : task(Factory::instance().createTask(name, OdDb::kUnitsMeters, true))
    {
        entity = Factory::instance().createEntity(task.get(), OdDbObjectId(0x1F));
        entity->mesh = Factory::instance().createMesh(task.get());
        for (const OdGePoint3d& p : vertices)
            entity->mesh->addVertex(p, OdDbSubentId());
        for (const auto& t : tetras)
            entity->mesh->addTetra(t);
    }
    ~TestTask() { Factory::instance().onTaskDestroyed(task.get()); }

    std::shared_ptr<Pressure> pressure(std::uint64_t handle, double magnitude,
                                       const std::vector<std::array<std::uint64_t, 3>>& faces)
    {
        std::vector<std::vector<std::uint64_t>> any;
        for (const auto& f : faces)
            any.emplace_back(f.begin(), f.end());
        return pressureOn(handle, magnitude, any);
    }
    /// A pressure on faces of any number of vertices (six on a second-order mesh).
    std::shared_ptr<Pressure> pressureOn(std::uint64_t handle, double magnitude,
                                         const std::vector<std::vector<std::uint64_t>>& faces)
    {
        auto load = Factory::instance().createPressure(task.get(), OdDbObjectId(handle));
        load->entity = entity;
        load->magnitude = magnitude;
        for (const auto& f : faces)
        {
            OdArray<std::uint64_t> face;
            for (const std::uint64_t v : f)
                face.append(v);
            load->faces.append(face);
        }
        return load;
    }
    void fix(const std::vector<std::uint64_t>& vertices, const std::string& components = "123",
             const OdGeVector3d& normal = OdGeVector3d())
    {
        auto constraint = Factory::instance().createConstraint(task.get(), OdDbObjectId(0x99));
        constraint->entity = entity;
        for (const std::uint64_t v : vertices)
            constraint->vertices.append(v);
        constraint->components = components;
        constraint->normal = normal;
    }
    std::shared_ptr<Force> force(const OdGeVector3d& f, const std::vector<std::vector<std::uint64_t>>& faces)
    {
        auto load = Factory::instance().createForce(task.get(), OdDbObjectId(0x77));
        load->entity = entity;
        load->magnitude = f.length();
        load->direction = f.normal();
        for (const auto& v : faces)
        {
            OdArray<std::uint64_t> face;
            for (const std::uint64_t i : v)
                face.append(i);
            load->faces.append(face);
        }
        return load;
    }
    std::string deck(const TaskDeckOptions& options = {}) const
    {
        std::string text;
        EXPECT_EQ(buildTaskDeck(*task, text, options), cae_core::eOk);
        return text;
    }

    std::shared_ptr<Task> task;
    std::shared_ptr<Entity> entity;
};

const std::vector<OdGePoint3d> kTetCorners = {
    {0.0, 0.0, 0.0}, {12.5, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, -0.0003}};

/// The module's messages, registered as the module's start-up does, for the tests that read reports.
struct RegisteredMessages
{
    RegisteredMessages() { registerReporterMessages(); }
    ~RegisteredMessages() { unregisterReporterMessages(); }
    RegisteredMessages(const RegisteredMessages&) = delete;
    RegisteredMessages& operator=(const RegisteredMessages&) = delete;
};

/// The text from `from` up to (not including) `to`, empty when either is missing.
std::string between(const std::string& text, const std::string& from, const std::string& to)
{
    const std::size_t a = text.find(from);
    const std::size_t b = a == std::string::npos ? a : text.find(to, a);
    return b == std::string::npos ? std::string() : text.substr(a, b - a);
}

/// A ten-node tetrahedron: the corners of a right-angled unit tetrahedron, then the mid vertices of
/// (0,1), (1,2), (2,0), (0,3), (1,3), (2,3); the mids of the face (0,1,2) bulge out of its plane by
/// `bulge` (away from vertex 3), the others sit at their edge's middle.
TestTask quadraticTetra(const char* name, double bulge)
{
    std::vector<OdGePoint3d> points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const int edges[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
    for (int m = 0; m < 6; ++m)
    {
        OdGePoint3d mid = points[edges[m][0]] + (points[edges[m][1]] - points[edges[m][0]]) / 2.0;
        if (m < 3)
            mid.z -= bulge;
        points.push_back(mid);
    }
    TestTask t(name, points, {});
    t.entity->mesh->setOrder(2);
    t.entity->mesh->addTetra({0, 1, 2, 3}, {4, 5, 6, 7, 8, 9});
    return t;
}

TEST(TaskDeck, ASingleTetrahedronWithANormalAndADirectionalPressureAndAFixedFace)
{
    TestTask t("Bracket \xC3\xBC", kTetCorners, {{0, 1, 2, 3}});
    t.pressure(0x2A, 12.5, {{0, 1, 2}});
    auto directional = t.pressure(0x2B, 2.0, {{3, 2, 1}});
    directional->type = 1;
    directional->direction.set(0.0, 0.0, -1.0);
    t.fix({0, 1, 3});
    nastran_test::expectGolden(t.deck(), "single_tetra.dat");
}

TEST(TaskDeck, TwelveSeparateRangesMakeTwoConstraintCardsAndNoLoadsNoLoadSection)
{
    std::vector<OdGePoint3d> grid;
    for (int i = 0; i < 32; ++i)
        grid.emplace_back(double(i), 0.0, 0.0);
    TestTask t("Ranges", grid, {});
    // Ids 1-5 (one range), 7 8 (two), 10-13 (four: too short for a range), 15 17 19, 21-30 and 32.
    t.fix({0, 1, 2, 3, 4, 6, 7, 9, 10, 11, 12, 14, 16, 18, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 31});
    nastran_test::expectGolden(t.deck(), "twelve_ranges.dat");
}

TEST(TaskDeck, SevenLoadsOfAnUnconstrainedTaskMatchTheExpectedText)
{
    // The LOAD card breaks after its fifth term; without constraints the rotations are still held.
    TestTask t("Loads", kTetCorners, {{0, 1, 2, 3}});
    for (int i = 0; i < 7; ++i)
        t.pressure(0x100 + i, 1.0 + i,
                   i < 4 ? std::vector<std::array<std::uint64_t, 3>>{{0, 1, 2}}
                         : std::vector<std::array<std::uint64_t, 3>>{});
    nastran_test::expectGolden(t.deck(), "seven_loads.dat");
}

TEST(TaskDeck, ARangeMayEndAtTheLargestId)
{
    // The deck tests above cover where ranges start and stop; the last id must not wrap round.
    using Ranges = std::set<IndexRange>;
    EXPECT_EQ(compressIds({UINT64_MAX - 4, UINT64_MAX - 3, UINT64_MAX - 2, UINT64_MAX - 1, UINT64_MAX}),
              (Ranges{{UINT64_MAX - 4, UINT64_MAX}}));
    EXPECT_TRUE(compressIds({}).empty());
}

TEST(TaskDeck, BrokenTasksAreRefused)
{
    {
        TestTask t("Two", kTetCorners, {{0, 1, 2, 3}});
        Factory::instance().createEntity(t.task.get(), OdDbObjectId(0x20));
        ut::AssertRecorder asserts;
        std::string deck = "untouched";
        EXPECT_EQ(buildTaskDeck(*t.task, deck), cae_core::eUnsupported);
        EXPECT_TRUE(asserts.fired("task.m_entities.size() == 1", "cae_core/cae_core_nastran_task", 280));
        EXPECT_EQ(deck, "untouched");
    }
    {
        TestTask t("Out of range", kTetCorners, {{0, 1, 2, 7}});
        std::string deck;
        EXPECT_EQ(buildTaskDeck(*t.task, deck), cae_core::eInvalidArgument);
    }
    {
        TestTask t("Gone", kTetCorners, {{0, 1, 2, 3}});
        t.pressure(1, 1.0, {})->entity.reset();
        std::string deck;
        EXPECT_EQ(buildTaskDeck(*t.task, deck), cae_core::eInvalidArgument);
    }
}

TEST(TaskDeck, AFaceOfNoTetrahedronIsReportedAndSkipped)
{
    TestTask t("Not a face", kTetCorners, {{0, 1, 2, 3}});
    t.pressure(1, 1.0, {{0, 1, 2}, {0, 1, 1}});
    ut::AssertRecorder asserts;
    const std::string deck = t.deck();
    EXPECT_EQ(asserts.count(), 1u);
    EXPECT_NE(deck.find("\nPLOAD4,1,1,1.000000E+00,,,,1,4,,,,\n$     DEFINE CONSTRAINTS"), std::string::npos)
        << deck;
}

TEST(TaskDeck, TheTaskMaterialReplacesTheFixedOneOrRefusesTheDeck)
{
    const RegisteredMessages messages;
    TestTask t("Material", kTetCorners, {{0, 1, 2, 3}});
    TaskDeckOptions options;
    options.taskMaterial = true;
    std::string deck;
    ut::StreamReporter reporter;
    EXPECT_EQ(buildTaskDeck(*t.task, deck, options, reporter), cae_core::eMissingData);
    ASSERT_EQ(reporter.messages().size(), 1u);

    const auto steel = Factory::instance().createMaterial(t.task.get(), OdDbObjectId(0x50));
    steel->m_value0 = 2.1e11;
    steel->m_value1 = 0.3;
    EXPECT_NE(t.deck(options).find(
                  "$     DEFINE PROPERTIES OF ELEMENTS\nPSOLID,1,1,0\nMAT1,1,2.100000E+11,,3.000000E-01\n"),
              std::string::npos)
        << "the task's only material";
    const auto aluminium = Factory::instance().createMaterial(t.task.get(), OdDbObjectId(0x51));
    aluminium->m_value0 = 7e10;
    aluminium->m_value1 = 0.33;
    EXPECT_EQ(buildTaskDeck(*t.task, deck, options), cae_core::eMissingData)
        << "two materials and no reference";
    t.entity->reference = aluminium;
    EXPECT_NE(t.deck(options).find("PSOLID,1,2,0\nMAT1,2,7.000000E+10,,3.300000E-01\n"), std::string::npos);

    for (const auto& [e, nu] : {std::pair{0.0, 0.3}, {7e10, 0.5}, {7e10, -1.0}})
    {
        aluminium->m_value0 = e;
        aluminium->m_value1 = nu;
        reporter.clear();
        EXPECT_EQ(buildTaskDeck(*t.task, deck, options, reporter), cae_core::eInvalidArgument)
            << e << " " << nu;
        EXPECT_EQ(reporter.messages().size(), 1u);
    }
}

TEST(TaskDeck, ASecondOrderMeshWritesTenGridTetrahedraOnlyWhenAskedAndLoadsTheirFacesByTheCorners)
{
    TestTask t = quadraticTetra("Quadratic", 0.0);
    t.pressureOn(0x2A, 3.0, {{2, 1, 0, 5, 4, 6}});
    TaskDeckOptions options;
    options.quadratic = true;
    const std::string quadratic = t.deck(options);
    EXPECT_EQ(between(quadratic, "CTETRA", "$"), "CTETRA,1,1,1,2,3,4,5,6\n,7,8,9,10\n");
    EXPECT_NE(quadratic.find("\nPLOAD4,1,1,3.000000E+00,,,,1,4,,,,\n"), std::string::npos) << quadratic;
    const std::string linear = t.deck();
    EXPECT_EQ(between(linear, "CTETRA", "$"), "CTETRA,1,1,1,2,3,4\n");
    EXPECT_NE(linear.find("\nPLOAD4,1,1,3.000000E+00,,,,1,4,,,,\n"), std::string::npos) << linear;
}

TEST(TaskDeck, ReactionsAreAskedForAfterTheStresses)
{
    TestTask t("Reactions", kTetCorners, {{0, 1, 2, 3}});
    t.fix({0, 1, 2});
    TaskDeckOptions options;
    options.reactions = true;
    EXPECT_NE(t.deck(options).find("STRESS(VONMISES)=ALL\nSPCFORCES=ALL\nTITLE="), std::string::npos);
    t.fix({3}, "", OdGeVector3d(1, 1, 1));
    const std::string deck = t.deck(options);
    EXPECT_NE(deck.find("STRESS(VONMISES)=ALL\nSPCFORCES=ALL\nMPCFORCES=ALL\nTITLE="), std::string::npos);
    EXPECT_NE(deck.find("\nSPC=100\nMPC=100\nECHO=PUNCH\n"), std::string::npos);
}

TEST(TaskDeck, SupportsAreMergedPerGridAndSlidesBecomeConstraintsOnFreeTranslations)
{
    const RegisteredMessages messages;
    TestTask t("Slides", kTetCorners, {{0, 1, 2, 3}});
    const OdGeVector3d oblique(1.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0);
    t.fix({0}, "13");
    t.fix({1}, "123");
    t.fix({2, 3}, "", oblique);
    // Grid 1 holds x and z, so its slide only holds y; grid 4 holds x, so its slide ties y to z.
    t.fix({0}, "", oblique);
    t.fix({3}, "1");
    EXPECT_EQ(between(t.deck(), "$     DEFINE CONSTRAINTS", "ENDDATA"),
              "$     DEFINE CONSTRAINTS\n"
              "$     FIX CONSTRAINTS\nSPC1,100,1,4\n"
              "$     FIX CONSTRAINTS\nSPC1,100,123,1,2\n"
              "$     SLIDE CONSTRAINTS\n"
              "MPC,100,3,2,1.000000E+00,3,1,5.000000E-01\n,,3,3,1.000000E+00\n"
              "MPC,100,4,2,1.000000E+00,4,3,1.000000E+00\n"
              "$     ROTATION CONSTRAINTS\nSPC1,100,456,1,2,3,4\n");

    t.fix({1}, "31");
    std::string deck;
    ut::StreamReporter reporter;
    EXPECT_EQ(buildTaskDeck(*t.task, deck, {}, reporter), cae_core::eInvalidArgument);
    ASSERT_EQ(reporter.messages().size(), 1u);
    EXPECT_NE(OdAnsiString(reporter.messages()[0].text).str().find("\"31\""), std::string::npos);
}

/// The area of a six-vertex face by many flat pieces, independent of the deck's own rule.
double finelyDividedArea(const std::array<OdGePoint3d, 6>& p)
{
    const auto at = [&p](double s, double t)
    {
        const double l[3] = {1.0 - s - t, s, t};
        OdGeVector3d x;
        for (int k = 0; k < 3; ++k)
        {
            x += p[static_cast<std::size_t>(k)].asVector() * (l[k] * (2.0 * l[k] - 1.0));
            x += p[static_cast<std::size_t>(3 + k)].asVector() * (4.0 * l[k] * l[(k + 1) % 3]);
        }
        return OdGePoint3d(x.x, x.y, x.z);
    };
    constexpr int n = 400;
    double area = 0.0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; i + j < n; ++j)
        {
            const double s = double(i) / n, t = double(j) / n, d = 1.0 / n;
            const OdGePoint3d a = at(s, t), b = at(s + d, t), c = at(s, t + d);
            area += (b - a).crossProduct(c - a).length() / 2.0;
            if (i + j + 1 < n)
            {
                const OdGePoint3d e = at(s + d, t + d);
                area += (b - e).crossProduct(c - e).length() / 2.0;
            }
        }
    return area;
}

TEST(TaskDeck, AForceIsSplitSoThatItsCardsAddUpToIt)
{
    const OdGeVector3d f(3.0, -4.0, 12.0);
    for (const double bulge : {0.0, 0.2})
        for (const bool quadratic : {false, true})
        {
            SCOPED_TRACE(testing::Message() << "bulge " << bulge << " quadratic " << quadratic);
            TestTask t = quadraticTetra("Force", bulge);
            // Two faces: the curved one and the flat x = 0 one.
            t.force(f, {{0, 1, 2, 4, 5, 6}, {0, 2, 3, 6, 9, 7}});
            EXPECT_EQ(totalForce(*t.task->m_loads[0]), f);
            TaskDeckOptions options;
            options.quadratic = quadratic;
            const std::string deck = t.deck(options);

            const Mesh& mesh = *t.entity->mesh;
            std::array<double, 2> areas{};
            for (std::size_t k = 0; k < 2; ++k)
            {
                std::array<OdGePoint3d, 6> p;
                for (std::size_t v = 0; v < 6; ++v)
                    p[v] =
                        mesh.vertex(
                                t.task->m_loads[0]->faces[static_cast<unsigned>(k)][static_cast<unsigned>(v)])
                            ->point;
                if (!quadratic)
                    for (std::size_t m = 0; m < 3; ++m)
                        p[3 + m] = p[m] + (p[(m + 1) % 3] - p[m]) / 2.0;
                areas[k] = finelyDividedArea(p);
            }
            OdGeVector3d sum;
            std::size_t card = 0;
            for (std::size_t at = deck.find("\nPLOAD4,"); at != std::string::npos;
                 at = deck.find("\nPLOAD4,", at + 1), ++card)
            {
                // PLOAD4,SID,EID,P,,,,G1,G34,,N1,N2,N3
                std::vector<std::string> fields;
                std::stringstream line(deck.substr(at + 1, deck.find('\n', at + 1) - at - 1));
                for (std::string field; std::getline(line, field, ',');)
                    fields.push_back(field);
                ASSERT_EQ(fields.size(), 13u);
                ASSERT_LT(card, 2u);
                const OdGeVector3d n(std::stod(fields[10]), std::stod(fields[11]), std::stod(fields[12]));
                sum += n * (std::stod(fields[3]) * areas[card]);
            }
            EXPECT_EQ(card, 2u);
            EXPECT_NEAR(sum.x, f.x, 1e-4 * f.length());
            EXPECT_NEAR(sum.y, f.y, 1e-4 * f.length());
            EXPECT_NEAR(sum.z, f.z, 1e-4 * f.length());
        }
}

TEST(TaskDeck, APressuresResultantIsItsInwardNormalIntegral)
{
    TestTask t = quadraticTetra("Resultant", 0.2);
    const auto bottom = t.pressureOn(1, 2.0, {{0, 1, 2, 4, 5, 6}});
    const auto all = t.pressureOn(
        2, 2.0, {{0, 1, 2, 4, 5, 6}, {0, 1, 3, 4, 8, 7}, {1, 2, 3, 5, 9, 8}, {2, 0, 3, 6, 7, 9}});
    // The curved bottom's projection on z = 0 is the unit right triangle, and vertex 3 lies above it.
    const OdGeVector3d b = totalForce(*bottom);
    EXPECT_NEAR(b.x, 0.0, 1e-12);
    EXPECT_NEAR(b.y, 0.0, 1e-12);
    EXPECT_NEAR(b.z, 2.0 * 0.5, 1e-12);
    EXPECT_TRUE(totalForce(*all).isZeroLength(1e-12)) << "a closed surface under pressure has no resultant";

    bottom->type = 1;
    bottom->direction.set(0.0, 0.0, -5.0);
    std::array<OdGePoint3d, 6> p;
    for (std::size_t v = 0; v < 6; ++v)
        p[v] = t.entity->mesh->vertex(bottom->faces[0][static_cast<unsigned>(v)])->point;
    EXPECT_NEAR(totalForce(*bottom).z, -2.0 * finelyDividedArea(p), 1e-5);
}

TEST(TaskDeck, AModelFarFromTheOriginIsWarnedAbout)
{
    const RegisteredMessages messages;
    for (const double offset : {0.0, 10.123456789, 1.0e4 + 0.123456789})
    {
        std::vector<OdGePoint3d> far;
        for (const OdGePoint3d& p : kTetCorners)
            far.push_back(p + OdGeVector3d(offset, 0.0, 0.0));
        TestTask t("Far", far, {{0, 1, 2, 3}});
        std::string deck;
        ut::StreamReporter reporter;
        ASSERT_EQ(buildTaskDeck(*t.task, deck, {}, reporter), cae_core::eOk);
        EXPECT_EQ(reporter.messages().size(), offset > 100.0 ? 1u : 0u) << offset;
        if (!reporter.messages().empty())
        {
            EXPECT_NE(OdAnsiString(reporter.messages()[0].text).str().find("nearer the origin"),
                      std::string::npos);
        }
    }
}

/// Runs of a one-tetrahedron task in a scratch temporary folder, with the test program as the solver.
class TaskRunTest : public testing::Test
{
protected:
    TaskRunTest() { registerReporterMessages(); }
    ~TaskRunTest() override { unregisterReporterMessages(); }

    cae_core::EResult run(const std::string& solverArguments)
    {
        // Each run gets a folder of its own only when the clock has moved on.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const host_test::ScopedEnv solver(NastranProcess::kPathVariable,
                                          "\"" + std::string(CAE_TEST_SOLVER) + "\" " + solverArguments);
        return t.task->run();
    }

    host_test::TempDir temp;
    host_test::ScopedEnv tmpdir{"TMPDIR", temp.path().string()};
    ca::CommandLineCapture commandLine;
    TestTask t{"Run", kTetCorners, {{0, 1, 2, 3}}};
};

TEST_F(TaskRunTest, AResultExistsOnlyOnceARunGotPastTheSolverAndIsReplacedByEachLaterOne)
{
    const std::filesystem::path recorded = temp.path() / "recorded.f06";
    std::ofstream(recorded)
        << "                                             D I S P L A C E M E N T   V E C T O R\n \n\n"
        << "             2      G      1.000000E-03  -2.000000E-03   0.0            0.0            "
           "0.0            0.0\n";
    EXPECT_EQ(run("--completion=1"), cae_core::eSolverFailed);
    EXPECT_EQ(t.task->result(), nullptr);

    ASSERT_EQ(run("--f06=" + recorded.string()), cae_core::eOk) << commandLine.text();
    const std::shared_ptr<TaskOutput> first = t.task->result();
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(first->vertexData.size(), 1u);
    EXPECT_EQ(first->vertexData.at(2).displacement, OdGeVector3d(0.001, -0.002, 0.0));
    EXPECT_NE(commandLine.text().find("task.dat\" memorymaximum=16GB\n"), std::string::npos)
        << commandLine.text();
    EXPECT_NE(commandLine.text().find("\noption memorymaximum=16GB\n"), std::string::npos);

    Factory::instance().createEntity(t.task.get(), OdDbObjectId(0x21));
    ut::AssertRecorder asserts;
    EXPECT_EQ(run("--f06=" + recorded.string()), cae_core::eUnsupported);
    EXPECT_EQ(t.task->result(), first) << "a failed deck leaves the result";
    t.task->m_entities.removeLast();

    EXPECT_EQ(run("--completion=0"), cae_core::eFileError);
    ASSERT_NE(t.task->result(), nullptr);
    EXPECT_NE(t.task->result(), first);
    EXPECT_TRUE(t.task->result()->isEmpty());

    std::size_t decks = 0;
    for (const auto& folder : std::filesystem::directory_iterator(temp.path()))
        decks += std::filesystem::exists(folder.path() / "task.dat");
    EXPECT_EQ(decks, 3u) << "every run that built its deck left it in a folder of its own";
}

TEST_F(TaskRunTest, TheSolverProgramTakesATenGridDeckWithTheTaskMaterialAForceAndASlide)
{
    TestTask q = quadraticTetra("Solved", 0.1);
    const auto material = Factory::instance().createMaterial(q.task.get(), OdDbObjectId(0x50));
    material->m_value0 = 2.1e11;
    material->m_value1 = 0.3;
    q.fix({0, 2, 3, 6, 7, 9});
    const OdGeVector3d normal(1.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0);
    q.fix({1}, "", normal);
    q.force(OdGeVector3d(0.0, 0.0, -1.0e6), {{0, 1, 2, 4, 5, 6}});
    const host_test::ScopedEnv solver(NastranProcess::kPathVariable,
                                      "\"" + std::string(CAE_SOLVER_PROGRAM) + "\"");
    TaskDeckOptions options;
    options.taskMaterial = true;
    options.quadratic = true;
    ASSERT_EQ(q.task->run(options), cae_core::eOk) << commandLine.text();
    const std::shared_ptr<TaskOutput> result = q.task->result();
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(result->vertexData.size(), 10u);
    double largest = 0.0;
    for (const auto& [grid, data] : result->vertexData)
        largest = std::max(largest, data.displacement.length());
    ASSERT_GT(largest, 0.0);
    EXPECT_TRUE(result->vertexData.at(1).displacement.isZeroLength());
    // The slide's grid moves in its plane, to the printout's seven digits.
    EXPECT_NEAR(result->vertexData.at(2).displacement.dotProduct(normal), 0.0, 1e-6 * largest);
    EXPECT_GT(result->vertexData.at(2).displacement.length(), 1e-3 * largest);
}

} // namespace
