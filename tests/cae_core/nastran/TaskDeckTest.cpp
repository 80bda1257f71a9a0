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

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
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
    void fix(const std::vector<std::uint64_t>& vertices)
    {
        auto constraint = Factory::instance().createConstraint(task.get(), OdDbObjectId(0x99));
        constraint->entity = entity;
        for (const std::uint64_t v : vertices)
            constraint->vertices.append(v);
    }
    std::string deck() const
    {
        std::string text;
        EXPECT_EQ(buildTaskDeck(*task, text), cae_core::eOk);
        return text;
    }

    std::shared_ptr<Task> task;
    std::shared_ptr<Entity> entity;
};

const std::vector<OdGePoint3d> kTetCorners = {{0.0, 0.0, 0.0}, {12.5, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, -0.0003}};

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
        t.pressure(0x100 + i, 1.0 + i, i < 4 ? std::vector<std::array<std::uint64_t, 3>>{{0, 1, 2}} : std::vector<std::array<std::uint64_t, 3>>{});
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
    std::ofstream(recorded) << "                                             D I S P L A C E M E N T   V E C T O R\n \n\n"
                            << "             2      G      1.000000E-03  -2.000000E-03   0.0            0.0            "
                               "0.0            0.0\n";
    EXPECT_EQ(run("--completion=1"), cae_core::eSolverFailed);
    EXPECT_EQ(t.task->result(), nullptr);

    ASSERT_EQ(run("--f06=" + recorded.string()), cae_core::eOk) << commandLine.text();
    const std::shared_ptr<TaskOutput> first = t.task->result();
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(first->vertexData.size(), 1u);
    EXPECT_EQ(first->vertexData.at(2).displacement, OdGeVector3d(0.001, -0.002, 0.0));
    EXPECT_NE(commandLine.text().find("task.dat\" memorymaximum=16GB\n"), std::string::npos) << commandLine.text();
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

} // namespace
