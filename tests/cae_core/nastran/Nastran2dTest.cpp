#include "cae_core/nastran/NastranSolver2d.h"

#include "cae_core/core/ReporterMessages.h"
#include "cae_core/nastran/NastranProcess.h"
#include "cae_core/nastran/detail/Nastran2d.h"
#include "host/ca/CommandLine.h"
#include "tests/cae_core/nastran/NastranTestSupport.h"
#include "tests/host/HostTestSupport.h"
#include "tests/support/Meshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace
{
namespace fs = std::filesystem;
using cae_core::Solver2dInput;
using cae_core::Solver2dOutput;
namespace detail = cae_core::nastran::detail;
namespace model = cae_core::solver2d::detail;

/// A 2 x 1 rectangle of two triangles in plane strain: vertex 0 fixed and loaded (the load goes nowhere),
/// vertex 1 on a roller that blocks y, forces on vertices 2 and 3.
Solver2dInput rectangle(cae_core::fea2d::EElementType type)
{
    Solver2dInput input;
    input.elementType = type;
    input.mode = cae_core::fea2d::ePlanarStrain;
    input.thickness = 0.5;
    input.youngsModulus = 210000.0;
    input.poissonRatio = 0.3;
    input.mesh.vertices = {{0.0, 0.0}, {2.0, 0.0}, {2.0, 1.0}, {0.0, 1.0}};
    input.mesh.triangles = {{0, 1, 2}, {0, 2, 3}};
    input.mesh.boundaries = {{0, 1, 2, 3}};
    input.fixedVertices = {0};
    input.rollingVertices[1] = OdGeVector2d(0.0, 1.0);
    input.vertexForces[0] = OdGeVector2d(5.0, 0.0);
    input.vertexForces[2] = OdGeVector2d(0.0, -12.5);
    input.vertexForces[3] = OdGeVector2d(-0.0003, 0.0);
    return input;
}

/// A row of the displacement table in the solver's layout (T1, T2 and zero T3 and rotations).
std::string displacementRow(int id, double ux, double uy)
{
    char row[160];
    std::snprintf(row, sizeof row, "%14d      G    %14.6E %14.6E %14s %14s %14s %14s\n", id, ux, uy, "0.0",
                  "0.0", "0.0", "0.0");
    return row;
}

std::string displacementTable(const std::vector<OdGeVector2d>& displacements)
{
    std::string table = "                                             D I S P L A C E M E N T   V E C T O R\n"
                        " \n"
                        "      POINT ID.   TYPE          T1             T2             T3             R1     "
                        "        R2             R3\n";
    for (std::size_t i = 0; i < displacements.size(); ++i)
        table += displacementRow(static_cast<int>(i + 1), displacements[i].x, displacements[i].y);
    return table;
}

/// The two fibre rows of a three-node element: NORMAL-X, NORMAL-Y, SHEAR-XY, then angle, major, minor
/// (not read) and von Mises.
std::string tria3Rows(int id, const Solver2dOutput::Stress& s)
{
    char row[400];
    std::snprintf(
        row, sizeof row,
        "0%8d   -5.000000E-01    %14.6E %14.6E %14.6E   -41.2353    1.082448E+02    6.111030E+00  %14.6E\n"
        "              5.000000E-01    %14.6E %14.6E %14.6E   -41.2353    1.082448E+02    6.111030E+00  "
        "%14.6E\n",
        id, s.sxx, s.syy, s.sxy, s.vonMises, s.sxx, s.syy, s.sxy, s.vonMises);
    return row;
}

constexpr const char* kTria3Title = "                           S T R E S S E S   I N   T R I A N G U L A R  "
                                    " E L E M E N T S   ( T R I A 3 )\n"
                                    "  ELEMENT      FIBER               STRESSES IN ELEMENT COORD SYSTEM     "
                                    "        PRINCIPAL STRESSES (ZERO SHEAR)\n"
                                    "    ID.       DISTANCE           NORMAL-X       NORMAL-Y      SHEAR-XY  "
                                    "     ANGLE         MAJOR           MINOR        VON MISES\n";

void expectStress(const Solver2dOutput::Stress& actual, const Solver2dOutput::Stress& expected,
                  const char* where)
{
    constexpr double kPrinted = 1e-6; // the printout's six decimals, relative
    const double scale =
        std::max({std::abs(expected.sxx), std::abs(expected.syy), std::abs(expected.sxy), 1.0});
    EXPECT_NEAR(actual.sxx, expected.sxx, kPrinted * scale) << where;
    EXPECT_NEAR(actual.syy, expected.syy, kPrinted * scale) << where;
    EXPECT_NEAR(actual.sxy, expected.sxy, kPrinted * scale) << where;
    EXPECT_NEAR(actual.vonMises, expected.vonMises, kPrinted * std::max(expected.vonMises, 1.0)) << where;
}

TEST(Nastran2dDeck, MatchesTheExpectedTextsForThreeAndSixNodeElements)
{
    nastran_test::expectGolden(
        detail::writeDeck2d(model::buildModel3(rectangle(cae_core::fea2d::eTriangle3))),
        "plane_strain_tria3.dat");
    nastran_test::expectGolden(
        detail::writeDeck2d(model::buildModel6(rectangle(cae_core::fea2d::eTriangle6))),
        "plane_strain_tria6.dat");
}

TEST(Nastran2dResults, ABrokenResultFileThrowsNamingWhereItBreaks)
{
    const auto m = model::buildModel3(rectangle(cae_core::fea2d::eTriangle3));
    const std::string table = displacementTable({{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}});
    struct Case
    {
        std::string text;
        const char* message;
    };
    const Case broken[] = {
        {table.substr(0, table.rfind('\n', table.size() - 2) + 1), "ends inside the displacement table"},
        {std::string(kTria3Title) + tria3Rows(1, {1.0, 2.0, 3.0, 4.0}),
         "ends inside the triangle stress table"},
        {std::string(kTria3Title) + "0       1   -5.0E-01   abc\n\n",
         "line 4 of the result file: field 4 \"abc\""},
    };
    for (const Case& c : broken)
    {
        std::stringstream f06(c.text);
        Solver2dOutput output;
        try
        {
            detail::readResults2d(f06, m, output);
            ADD_FAILURE() << c.message;
        }
        catch (const std::runtime_error& error)
        {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
}

TEST(Nastran2dResults, AFileWithoutResultTablesGivesZeroResults)
{
    const auto m = model::buildModel3(rectangle(cae_core::fea2d::eTriangle3));
    for (const std::string& text :
         {std::string(), std::string("\0\x01\xff\xfe binary\n\x80", 13), std::string(1'000'000, 'D')})
    {
        std::stringstream f06(text);
        Solver2dOutput output;
        detail::readResults2d(f06, m, output);
        ASSERT_EQ(output.elementData.size(), 2u);
        EXPECT_EQ(output.elementData[1].center.stress.vonMises, 0.0);
    }
}

/// The lines of a recorded file from the first line holding `title` up to, not including, the next line
/// starting with `stop` (the next page's header).
std::string excerpt(const std::filesystem::path& file, const std::string& title, const std::string& stop)
{
    std::ifstream in(file);
    std::string line, text;
    bool inside = false;
    while (std::getline(in, line))
    {
        if (!inside && line.find(title) != std::string::npos)
            inside = true;
        else if (inside && line.rfind(stop, 0) == 0)
            break;
        if (inside)
            text += line + "\n";
    }
    return text;
}

/// A model of `count` elements whose first edges all run along x, so that the printed stresses come
/// through unturned.
template <std::size_t N> model::Model<N> flatModel(std::size_t count)
{
    model::Model<N> m;
    for (std::size_t i = 0; i < N * count; ++i)
    {
        model::Node node;
        node.position.set(static_cast<double>(i % N), static_cast<double>(i % N == 2));
        m.nodes.push_back(node);
    }
    for (std::size_t e = 0; e < count; ++e)
    {
        std::array<std::uint64_t, N> nodes{};
        for (std::size_t k = 0; k < N; ++k)
            nodes[k] = N * e + k;
        m.elements.push_back(nodes);
    }
    m.cornerCount = m.nodes.size();
    return m;
}

TEST(Nastran2dResults, TheTriangleTablesOfARecordedFileHaveTheAssumedLayout)
{
    NASTRAN_REQUIRE_SAMPLES(samples);
    const auto file = samples / "flat_plate_metallic.f06";
    {
        // Six three-node elements on one page; the rows of element 21 and of the last one, element 30.
        std::stringstream f06(
            excerpt(file, "S T R E S S E S   I N   T R I A N G U L A R   E L E M E N T S   ( T R I A 3 )",
                    "1    MSC"));
        Solver2dOutput output;
        detail::readResults2d(f06, flatModel<3>(6), output);
        expectStress(output.elementData[0].center.stress, {63.86951, 50.48630, -50.62656, 105.3223}, "21");
        expectStress(output.elementData[5].corners[2].stress, {57.65689, 43.34315, -56.94384, 111.4976},
                     "30");
    }
    {
        // The first page holds three whole six-node elements (19, 20, 22); the page ends inside element 24.
        std::stringstream f06(
            excerpt(file, "S T R E S S E S   I N   T R I A N G U L A R   E L E M E N T S   ( T R I A 6 )",
                    "1    MSC"));
        Solver2dOutput output;
        detail::readResults2d(f06, flatModel<6>(3), output);
        expectStress(output.elementData[0].center.stress, {82.69518, 17.38405, -53.68594, 119.7901},
                     "19 centre");
        expectStress(output.elementData[0].corners[0].stress, {27.35724, -158.1968, 113.0911, 261.6702},
                     "19 G1");
        expectStress(output.elementData[0].corners[2].stress, {-1.420098, 50.86517, -178.9723, 314.2527},
                     "19 G3");
        expectStress(output.elementData[2].corners[2].stress, {-4.332081, 110.0160, -113.2494, 225.9981},
                     "22 G3");
    }
}

std::string wholeFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <std::size_t N> Solver2dOutput readPrintout2d(const std::string& text, const model::Model<N>& m)
{
    std::istringstream f06(text);
    Solver2dOutput output;
    detail::readResults2d(f06, m, output, true);
    return output;
}

/// `text` with `inserted` put in before the first line holding `before`.
std::string insertedBefore(const std::string& text, const std::string& before, const std::string& inserted)
{
    const std::size_t at = text.rfind('\n', text.find(before)) + 1;
    return text.substr(0, at) + inserted + text.substr(at);
}

TEST(Nastran2dPrintout, RecordedTriangleTablesAreReadOverPageBreaksAndOnlyFromTheFirstSubcase)
{
    NASTRAN_REQUIRE_SAMPLES(samples);
    const std::string whole = wholeFile(samples / "flat_plate_metallic.f06");
    const std::string tria3Title =
        "S T R E S S E S   I N   T R I A N G U L A R   E L E M E N T S   ( T R I A 3 )";
    // A nonlinear table of the same elements, whose title holds the linear one's, with other numbers.
    std::string nonlinear = excerpt(samples / "flat_plate_metallic.f06", tria3Title, "1    MSC");
    nonlinear.replace(nonlinear.find("S T R E S S E S"), 0, "N O N L I N E A R   ");
    for (std::size_t at = nonlinear.find("E+01"); at != std::string::npos; at = nonlinear.find("E+01", at))
        nonlinear[at += 3] = '3';
    const std::pair<const char*, std::string> files[] = {
        {"the recorded file", whole},
        {"a nonlinear table before", insertedBefore(whole, tria3Title, nonlinear)},
    };
    for (const auto& [what, text] : files)
    {
        SCOPED_TRACE(what);
        // The three-node table is followed by the six-node one, whose title starts alike.
        const Solver2dOutput tria3 = readPrintout2d(text, flatModel<3>(6));
        expectStress(tria3.elementData[0].center.stress, {63.86951, 50.48630, -50.62656, 105.3223}, "21");
        expectStress(tria3.elementData[5].corners[2].stress, {57.65689, 43.34315, -56.94384, 111.4976}, "30");
        // Six elements over two pages; element 24's last corner comes after the break.
        const Solver2dOutput tria6 = readPrintout2d(text, flatModel<6>(6));
        expectStress(tria6.elementData[0].corners[0].stress, {27.35724, -158.1968, 113.0911, 261.6702},
                     "19 G1");
        expectStress(tria6.elementData[3].corners[2].stress, {167.8381, 159.6887, -80.52670, 215.2253},
                     "24 G3");
    }
}

TEST(Nastran2dPrintout, ReadsTheModulesOwnTablesAsTheFixedLayoutDoesAndPassesOverPagesAndScalarPoints)
{
    const auto m = flatModel<3>(2);
    const std::vector<OdGeVector2d> displacements = {{1e-3, 0.0},  {2e-3, 1e-4}, {0.0, -3e-3},
                                                     {4e-3, 5e-4}, {-1e-3, 0.0}, {0.0, 6e-3}};
    const std::string own = displacementTable(displacements) + kTria3Title +
                            tria3Rows(1, {1.0, 2.0, 0.5, 3.0}) + tria3Rows(2, {4.0, 5.0, 0.0, 6.0});
    std::istringstream fixed(own);
    Solver2dOutput want;
    detail::readResults2d(fixed, m, want);

    const std::string pageTop = "1    TITLE                        JUNE  16, 2016  SOLVER   PAGE     7\n"
                                "     SUBTITLE\n"
                                "0                                                  SUBCASE 1\n";
    std::string paged = insertedBefore(own, "             3      G", pageTop + displacementTable({}));
    paged = insertedBefore(paged, "             4      G", "             9      S      1.0E+00\n");
    paged = insertedBefore(paged, "0       2", pageTop + kTria3Title);
    const Solver2dOutput got = readPrintout2d(paged, m);
    for (std::size_t i = 0; i < want.vertexData.size(); ++i)
        EXPECT_EQ(got.vertexData[i].displacement, want.vertexData[i].displacement) << "vertex " << i;
    for (std::size_t e = 0; e < want.elementData.size(); ++e)
    {
        expectStress(got.elementData[e].center.stress, want.elementData[e].center.stress, "centre");
        EXPECT_EQ(got.elementData[e].center.displacement, want.elementData[e].center.displacement);
    }
}

TEST(Nastran2dPrintout, ATableThatEndsEarlyOrHoldsABrokenRowThrowsNamingItsLine)
{
    const auto m = flatModel<3>(2);
    const std::vector<OdGeVector2d> six(6, OdGeVector2d(1e-3, 0.0));
    const std::string stresses =
        kTria3Title + tria3Rows(1, {1.0, 2.0, 0.5, 3.0}) + tria3Rows(2, {4.0, 5.0, 0.0, 6.0});
    std::string garbled = displacementTable(six);
    garbled.replace(garbled.find("1.000000E-03"), 12, "1.000000Q-03");
    const std::pair<std::string, const char*> broken[] = {
        {displacementTable({six.begin(), six.begin() + 5}) + stresses, "line 9 "},
        {garbled, "line 4 "},
        {displacementTable(six) + kTria3Title + tria3Rows(1, {1.0, 2.0, 0.5, 3.0}), "ends inside"},
        {displacementTable(six) + kTria3Title + tria3Rows(1, {1.0, 2.0, 0.5, 3.0}).substr(0, 40) + "\n" +
             tria3Rows(2, {4.0, 5.0, 0.0, 6.0}),
         "line 13 "},
    };
    for (const auto& [text, where] : broken)
    {
        try
        {
            readPrintout2d(text, m);
            ADD_FAILURE() << "read as complete:\n" << text;
        }
        catch (const std::runtime_error& error)
        {
            EXPECT_NE(std::string(error.what()).find(where), std::string::npos) << error.what();
        }
    }
}

/// The Nastran 2D solver behind the solver factory, with working folders in a scratch folder.
class NastranSolver2dTest : public testing::Test
{
protected:
    NastranSolver2dTest()
    {
        cae_core::registerReporterMessages();
        cae_core::NastranSolver2d::installInSolverFactory();
    }
    ~NastranSolver2dTest() override
    {
        cae_core::Solver2d::initNastranProvider({});
        cae_core::unregisterReporterMessages();
    }

    void useSolver(const std::string& arguments)
    {
        solverPath.emplace(cae_core::NastranProcess::kPathVariable,
                           "\"" + std::string(CAE_TEST_SOLVER) + "\" " + arguments);
    }
    std::vector<fs::path> workingFolders() const
    {
        std::vector<fs::path> folders;
        for (const auto& entry : fs::directory_iterator(temp.path()))
            folders.push_back(entry.path());
        return folders;
    }

    host_test::TempDir temp;
    host_test::ScopedEnv tmpdir{"TMPDIR", temp.path().string()};
    std::optional<host_test::ScopedEnv> solverPath;
    ca::CommandLineCapture commandLine;
    Solver2dInput input = rectangle(cae_core::fea2d::eTriangle3);
    Solver2dOutput output;
};

TEST_F(NastranSolver2dTest, WritesTheDeckRunsTheSolverAndReadsItsResults)
{
    const fs::path recorded = temp.path() / "recorded.f06";
    std::ofstream(recorded) << displacementTable({{0.0, 0.0}, {1e-3, 0.0}, {1e-3, -2e-3}, {0.0, -2e-3}})
                            << kTria3Title << tria3Rows(1, {1.0, 2.0, 0.0, 3.0})
                            << tria3Rows(2, {4.0, 4.0, 0.0, 4.0});
    useSolver("--f06=" + recorded.string());
    const auto solver = cae_core::Solver2d::create(cae_core::Solver2d::eNastran);
    ASSERT_NE(dynamic_cast<cae_core::NastranSolver2d*>(solver.get()), nullptr);
    ASSERT_EQ(solver->execute(input, output), cae_core::eOk) << commandLine.text();

    fs::remove(recorded);
    const auto folders = workingFolders();
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].filename().string().rfind("CAE_", 0), 0u);
    EXPECT_EQ(nastran_test::slurp(folders[0] / "analysis_2d.dat"),
              detail::writeDeck2d(model::buildModel3(input)));
    EXPECT_TRUE(fs::exists(folders[0] / "analysis_2d.log"));
    EXPECT_TRUE(output.vertexData[2].displacement.isEqualTo(OdGeVector2d(1e-3, -2e-3)));
    EXPECT_NEAR(output.elementData[1].corners[1].stress.sxx, 4.0, 1e-12)
        << "an isotropic stress does not turn";
    EXPECT_EQ(output.pointEvaluator, nullptr);
}

TEST_F(NastranSolver2dTest, FailuresLeaveTheOutputAsItWas)
{
    output.vertexData.resize(1);
    output.vertexData[0].index = 77;
    struct Case
    {
        const char* name;
        int elementType;
        const char* solver;
        cae_core::EResult result;
        std::size_t folders;
    };
    const Case cases[] = {
        {"unknown element type, refused before a folder is made", 7, "", cae_core::eUnsupported, 0},
        {"the solver reports a failure", cae_core::fea2d::eTriangle3, "--completion=1",
         cae_core::eSolverFailed, 1},
        {"no result file", cae_core::fea2d::eTriangle6, "--completion=0", cae_core::eFileError, 2},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        useSolver(c.solver);
        input.elementType = static_cast<cae_core::fea2d::EElementType>(c.elementType);
        EXPECT_EQ(cae_core::NastranSolver2d().execute(input, output), c.result);
        EXPECT_EQ(output.vertexData.size(), 1u);
        EXPECT_EQ(output.vertexData[0].index, 77u);
        // Two runs within one millisecond share a folder; wait so that each run has its own.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_EQ(workingFolders().size(), c.folders);
    }
}

/// A square plate of 4 x 4 cells cut along alternating diagonals, fixed along x = 0, pulled and sheared at
/// x = 1: many elements have their first edge at an angle to the x axis.
Solver2dInput plate(cae_core::fea2d::EElementType type)
{
    const test_meshes::RectangleMesh rm = test_meshes::rectangleMesh(1.0, 1.0, 4, 4, true);
    Solver2dInput input;
    input.elementType = type;
    input.mode = cae_core::fea2d::ePlanarStress;
    input.thickness = 0.1;
    input.youngsModulus = 1000.0;
    input.poissonRatio = 0.25;
    input.mesh = rm.mesh;
    for (int j = 0; j <= rm.ny; ++j)
    {
        input.fixedVertices.push_back(rm.vertex(0, j));
        input.vertexForces[rm.vertex(rm.nx, j)] = OdGeVector2d(1.0, 0.4);
    }
    return input;
}

TEST_F(NastranSolver2dTest, TheSolverProgramAgreesWithTheInHouseSolver)
{
    solverPath.emplace(cae_core::NastranProcess::kPathVariable,
                       "\"" + std::string(CAE_SOLVER_PROGRAM) + "\"");
    for (const auto type : {cae_core::fea2d::eTriangle3, cae_core::fea2d::eTriangle6})
    {
        const Solver2dInput problem = plate(type);
        Solver2dOutput viaFiles, inHouse;
        ASSERT_EQ(cae_core::NastranSolver2d().execute(problem, viaFiles), cae_core::eOk)
            << commandLine.text();
        ASSERT_EQ(cae_core::Solver2d::create(cae_core::Solver2d::eInHouse)->execute(problem, inHouse),
                  cae_core::eOk);
        // The printout reading gives the fixed layout's numbers exactly on the solver program's printout.
        cae_core::NastranSolver2d printoutReader;
        printoutReader.setPrintoutReading(true);
        Solver2dOutput asPrinted;
        ASSERT_EQ(printoutReader.execute(problem, asPrinted), cae_core::eOk);
        for (std::size_t i = 0; i < viaFiles.vertexData.size(); ++i)
            EXPECT_EQ(asPrinted.vertexData[i].displacement, viaFiles.vertexData[i].displacement)
                << "vertex " << i;
        for (std::size_t e = 0; e < viaFiles.elementData.size(); ++e)
            for (std::size_t k = 0; k < 3; ++k)
                EXPECT_EQ(asPrinted.elementData[e].corners[k].stress.sxx,
                          viaFiles.elementData[e].corners[k].stress.sxx)
                    << "element " << e;
        // The printout keeps seven significant digits.
        constexpr double kPrinted = 1e-5;
        double largest = 0.0;
        for (const auto& v : inHouse.vertexData)
            largest = std::max(largest, v.displacement.length());
        for (std::size_t i = 0; i < inHouse.vertexData.size(); ++i)
            EXPECT_LE((viaFiles.vertexData[i].displacement - inHouse.vertexData[i].displacement).length(),
                      kPrinted * largest)
                << "vertex " << i;
        // Stresses come back turned from each element's axes to the global ones, six-node corner samples at
        // their own corners, and the six-node centre displacement by the quadratic shape functions.
        for (std::size_t e = 0; e < inHouse.elementData.size(); ++e)
            for (std::size_t k = 0; k < 4; ++k)
            {
                const auto& a = k == 3 ? viaFiles.elementData[e].center : viaFiles.elementData[e].corners[k];
                const auto& b = k == 3 ? inHouse.elementData[e].center : inHouse.elementData[e].corners[k];
                const double scale = std::max(b.stress.vonMises, 1.0);
                SCOPED_TRACE(testing::Message() << "element " << e << ", sample " << k);
                EXPECT_NEAR(a.stress.sxx, b.stress.sxx, 1e-4 * scale);
                EXPECT_NEAR(a.stress.syy, b.stress.syy, 1e-4 * scale);
                EXPECT_NEAR(a.stress.sxy, b.stress.sxy, 1e-4 * scale);
                EXPECT_NEAR(a.stress.vonMises, b.stress.vonMises, 1e-4 * scale);
                EXPECT_TRUE(a.position.isEqualTo(b.position));
                EXPECT_TRUE(a.displacement.isEqualTo(b.displacement, OdGeTol(kPrinted * largest)));
            }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

} // namespace
