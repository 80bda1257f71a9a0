#include "cae_core/nastran/F06Reader.h"
#include "cae_core/nastran/TaskDeck.h"
#include "cae_core/nastran/TaskRun.h"
#include "cae_core/task/Factory.h"
#include "cae_core/task/Mesh.h"
#include "cae_core/task/TaskOutput.h"
#include "tests/cae_core/nastran/NastranTestSupport.h"
#include "tests/host/HostTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace
{
using namespace cae_core;
namespace fs = std::filesystem;

const std::string kGridHeader =
    " \n      POINT ID.   TYPE          T1             T2             T3             R1   "
    "          R2             R3\n";

std::string forceRow(int grid, const char* values)
{
    char row[160];
    std::snprintf(row, sizeof row, "%14d      G     %s\n", grid, values);
    return row;
}

// Rows of both tables are summed per grid, a page break (page header, the title again) does not end a
// table, and the next table's title does.
TEST(ConstraintForceTables, AreSummedPerGridAcrossPagesAndTablesUpToTheNextTitle)
{
    const std::string spc =
        "                               F O R C E S   O F   S I N G L E - P O I N T   C O N S "
        "T R A I N T\n";
    const std::string mpc =
        "                                  F O R C E S   O F   M U L T I P O I N T   C O N S T R "
        "A I N T\n";
    const std::string page =
        "1    TASK                           DECEMBER   6, 2026  CAE NASTRAN  1.0   PAGE     3\n"
        "     VANTORIX TASK\n0    SUMMARY                       SUBCASE 1\n";
    const std::string text =
        spc + kGridHeader +
        forceRow(4, " 1.000000E+00   2.000000E+00   0.0            0.0            0.0          0.0") + page +
        spc + kGridHeader +
        forceRow(5, "-1.500000E+00   0.0            3.000000E+00   0.0            0.0   0.0") + mpc +
        kGridHeader + forceRow(4, " 2.000000E+00  -2.000000E+00   1.000000E+00   0.0            0.0   0.0") +
        "                                             L O A D   V E C T O R\n" + kGridHeader +
        forceRow(6, " 9.000000E+00   9.000000E+00   9.000000E+00   0.0            0.0            0.0");
    std::istringstream stream(text);
    const GridForces reactions = readTaskResultTables(stream).reactions;
    ASSERT_EQ(reactions.size(), 2u);
    EXPECT_EQ(reactions.at(4), OdGeVector3d(3.0, 0.0, 1.0));
    EXPECT_EQ(reactions.at(5), OdGeVector3d(-1.5, 0.0, 3.0));
    EXPECT_EQ(readTaskResultTables(std::string_view(text)).reactions, reactions);
}

// The recorded printout's forces of single-point constraint, grids 22 to 25, while the grid results
// stay exactly what the grid reader gives.
TEST(ConstraintForceTables, RecordedSampleGivesItsSinglePointConstraintForces)
{
    NASTRAN_REQUIRE_SAMPLES(samples);
    const std::string text = nastran_test::slurp(samples / "static_solid_shell_bar.f06");
    const TaskResultTables tables = readTaskResultTables(std::string_view(text));
    const GridForces expected = {{22, {-1.804034E-04, -3.090290E+00, -2.558886E+03}},
                                 {23, {1.804034E-04, 3.090290E+00, -2.570716E+03}},
                                 {24, {0.0, 0.0, -2.432185E+03}},
                                 {25, {0.0, 0.0, -2.438213E+03}}};
    EXPECT_EQ(tables.reactions, expected);
    const GridResults grids = readGridResults(std::string_view(text));
    ASSERT_EQ(tables.grids.size(), grids.size());
    for (const auto& [grid, result] : grids)
        EXPECT_TRUE(tables.grids.at(grid).displacement == result.displacement &&
                    tables.grids.at(grid).vonMisesStress == result.vonMisesStress)
            << "grid " << grid;
}

/// A unit cube of six tetrahedra in metres, fixed on x = 0 and pressed on x = 1, solved by the solver
/// program with the forces of single-point constraint asked for.
class SolvedTask : public testing::Test
{
protected:
    static constexpr double kPressure = 1000.0;

    void SetUp() override
    {
        m_task = Factory::instance().createTask("Cube", OdDb::kUnitsMeters, true);
        auto entity = Factory::instance().createEntity(m_task.get(), OdDbObjectId(0x1F));
        entity->mesh = Factory::instance().createMesh(m_task.get());
        for (int k = 0; k < 8; ++k)
            entity->mesh->addVertex(OdGePoint3d(k & 1, (k >> 1) & 1, (k >> 2) & 1), OdDbSubentId());
        // Six tetrahedra around the diagonal from vertex 0 to vertex 7, one per order of the axes.
        const int orders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
        auto x = [&](std::uint64_t v) { return entity->mesh->vertex(v)->point; };
        auto load = Factory::instance().createPressure(m_task.get(), OdDbObjectId(0x30));
        load->entity = entity;
        load->magnitude = kPressure;
        for (const auto& order : orders)
        {
            std::array<std::uint64_t, 4> t{0, 0, 0, 0};
            for (int a = 0; a < 3; ++a)
                t[static_cast<std::size_t>(a) + 1] = t[static_cast<std::size_t>(a)] | (1u << order[a]);
            if ((x(t[1]) - x(t[0])).crossProduct(x(t[2]) - x(t[0])).dotProduct(x(t[3]) - x(t[0])) < 0.0)
                std::swap(t[1], t[2]);
            entity->mesh->addTetra(t);
            for (std::size_t off = 0; off < 4; ++off)
            {
                OdArray<std::uint64_t> face;
                for (std::size_t a = 0; a < 4; ++a)
                    if (a != off && x(t[a]).x == 1.0)
                        face.append(t[a]);
                if (face.size() == 3)
                    load->faces.append(face);
            }
        }
        auto fix = Factory::instance().createConstraint(m_task.get(), OdDbObjectId(0x31));
        fix->entity = entity;
        for (std::uint64_t v = 0; v < 8; v += 2)
            fix->vertices.append(v);

        std::string deck;
        ASSERT_EQ(buildTaskDeck(*m_task, deck), cae_core::eOk);
        const std::string stress = "STRESS(VONMISES)=ALL\n";
        deck.insert(deck.find(stress) + stress.size(), "SPCFORCES=ALL\n");
        std::ofstream(m_temp.path() / "task.dat") << deck;
        const std::string command =
            "\"" + std::string(CAE_SOLVER_PROGRAM) + "\" \"" + (m_temp.path() / "task.dat").string() + "\"";
        ASSERT_EQ(std::system(command.c_str()), 0) << nastran_test::slurp(m_temp.path() / "task.log");
        m_f06 = nastran_test::slurp(m_temp.path() / "task.f06");
        m_log = nastran_test::slurp(m_temp.path() / "task.log");
    }
    void TearDown() override { Factory::instance().onTaskDestroyed(m_task.get()); }

    OdString folder() const { return OdString(m_temp.path().wstring().c_str()); }

    host_test::TempDir m_temp;
    std::shared_ptr<Task> m_task;
    std::string m_f06, m_log;
};

TEST_F(SolvedTask, ReactionsBalanceTheLoadAndTheCompleteAnswerPassesTheCheck)
{
    TaskOutput output;
    ASSERT_EQ(readTaskResults(folder(), output), cae_core::eOk);
    OdGeVector3d sum;
    for (const auto& [grid, force] : output.reactions)
        sum += force;
    // The load pushes the face x = 1 (area 1) towards -x; printed values keep seven digits.
    EXPECT_NEAR(sum.x, kPressure, 1e-6 * kPressure);
    EXPECT_NEAR(sum.y, 0.0, 1e-6 * kPressure);
    EXPECT_NEAR(sum.z, 0.0, 1e-6 * kPressure);
    ASSERT_EQ(output.vertexData.size(), 8u);
    const std::uint64_t fixedGrid = m_task->m_entities[0]->mesh->vertex(0)->id();
    EXPECT_EQ(output.vertexData.at(fixedGrid).displacement, OdGeVector3d())
        << "the constraint table's row of a fixed grid is no displacement";
    EXPECT_EQ(checkTaskResults(folder(), *m_task), "");

    // The printout reading gives the same records from the solver program's printout.
    cae_core::F06ReadOptions printout;
    printout.printout = true;
    TaskOutput asPrinted;
    ASSERT_EQ(readTaskResults(folder(), asPrinted, printout), cae_core::eOk);
    ASSERT_EQ(asPrinted.vertexData.size(), output.vertexData.size());
    for (const auto& [grid, data] : output.vertexData)
    {
        EXPECT_EQ(asPrinted.vertexData.at(grid).displacement, data.displacement) << "grid " << grid;
        EXPECT_EQ(asPrinted.vertexData.at(grid).vonMisesStress, data.vonMisesStress) << "grid " << grid;
    }
    EXPECT_EQ(asPrinted.reactions, output.reactions);
}

TEST_F(SolvedTask, StressTensorsAreReadOnlyWhenAskedAndTheirMeanStaysWithinTheLargestVonMises)
{
    TaskOutput plain;
    ASSERT_EQ(readTaskResults(folder(), plain), cae_core::eOk);
    EXPECT_TRUE(plain.stresses.empty());
    for (const bool printout : {false, true})
    {
        cae_core::F06ReadOptions options;
        options.printout = printout;
        options.stressComponents = true;
        TaskOutput output;
        ASSERT_EQ(readTaskResults(folder(), output, options), cae_core::eOk);
        ASSERT_EQ(output.stresses.size(), 8u) << "every grid is a corner";
        for (const auto& [grid, stress] : output.stresses)
            EXPECT_LE(stress.vonMises(), (1.0 + 1e-6) * output.vertexData.at(grid).vonMisesStress)
                << "grid " << grid << ": a mean of corners is no larger than the largest of them";
    }
}

// Each kind of damage is named with its file and, where it has one, its line, grid or element.
TEST_F(SolvedTask, DamagedPrintoutsAndLogsAreNamed)
{
    const auto lineOf = [](const std::string& text, const std::string& what)
    {
        const std::size_t at = text.find(what);
        const std::size_t start = text.rfind('\n', at) + 1;
        return std::make_pair(start, text.find('\n', at) + 1 - start);
    };
    const std::uint64_t grid3 = m_task->m_entities[0]->mesh->vertex(3)->id();
    const std::string row3 = [&]
    {
        char id[32];
        std::snprintf(id, sizeof id, "%14llu      G", static_cast<unsigned long long>(grid3));
        return std::string(id);
    }();
    const std::size_t stressTitle = m_f06.find("S T R E S S E S   I N    T E T R A");
    const std::size_t stressPage = m_f06.rfind("\n1 ", stressTitle) + 1;
    struct Case
    {
        const char* name;
        std::function<void(std::string& f06, std::string& log)> damage;
        std::string expected;
    };
    const Case cases[] = {
        {"cut before the stress table", [&](std::string& f06, std::string&) { f06.resize(stressPage); },
         "task.f06 does not end with its END OF JOB line"},
        {"stress table left out",
         [&](std::string& f06, std::string&)
         { f06.erase(stressPage, f06.find("\n1 ", stressTitle) + 1 - stressPage); },
         "task.f06 has 0 of the 5 stress points of CTETRA "},
        {"a grid's row missing",
         [&](std::string& f06, std::string&)
         {
             const auto [start, length] = lineOf(f06, row3);
             f06.erase(start, length);
         },
         "task.f06 has no displacement row for grid " + std::to_string(grid3)},
        {"NaN",
         [&](std::string& f06, std::string&)
         { f06.replace(f06.find(row3) + row3.size() + 5, 13, "         -NAN"); },
         "the displacement of grid " + std::to_string(grid3) + " is not finite (\"-NAN\")"},
        {"a garbled number",
         [&](std::string& f06, std::string&) { f06[f06.find("E+0", f06.find(" XY ", stressTitle))] = 'Q'; },
         "in the stresses of CTETRA "},
        {"no END OF JOB", [&](std::string& f06, std::string&) { f06.erase(f06.find("* * * END OF JOB")); },
         "task.f06 does not end with its END OF JOB line"},
        {"a non-zero completion code",
         [&](std::string&, std::string& log) { log.replace(log.find("Analysis complete 0") + 18, 1, "3"); },
         "ended with completion code 3"},
        {"no completion line",
         [&](std::string&, std::string& log) { log.erase(log.find("Analysis complete")); },
         "task.log has no completion line"},
    };
    for (const Case& c : cases)
    {
        std::string f06 = m_f06, log = m_log;
        c.damage(f06, log);
        std::ofstream(m_temp.path() / "task.f06", std::ios::binary) << f06;
        std::ofstream(m_temp.path() / "task.log", std::ios::binary) << log;
        const std::string answer = checkTaskResults(folder(), *m_task);
        EXPECT_NE(answer.find(c.expected), std::string::npos) << c.name << ": " << answer;
    }
    // The printout reading refuses the garbled number, naming its line, and leaves the output alone.
    std::string garbled = m_f06;
    const std::size_t at = garbled.find("E+0", garbled.find(" XY ", stressTitle));
    garbled[at] = 'Q';
    std::ofstream(m_temp.path() / "task.f06", std::ios::binary) << garbled;
    cae_core::F06ReadOptions printout;
    printout.printout = true;
    TaskOutput untouched;
    std::string error;
    EXPECT_EQ(readTaskResults(folder(), untouched, printout, &error), cae_core::eParseError);
    const auto line =
        std::count(garbled.begin(), garbled.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 1;
    EXPECT_EQ(error.rfind("task.f06, line " + std::to_string(line) + " ", 0), 0u) << error;
    EXPECT_TRUE(untouched.vertexData.empty());

    fs::remove(m_temp.path() / "task.f06");
    std::ofstream(m_temp.path() / "task.log", std::ios::binary) << m_log;
    EXPECT_EQ(checkTaskResults(folder(), *m_task),
              "task.f06 cannot be opened: the solver left no printed results");
}

} // namespace
