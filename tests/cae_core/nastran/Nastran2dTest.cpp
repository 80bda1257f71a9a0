#include "cae_core/nastran/NastranSolver2d.h"

#include "cae_core/core/ReporterMessages.h"
#include "cae_core/nastran/NastranProcess.h"
#include "cae_core/nastran/detail/Nastran2d.h"
#include "host/ca/CommandLine.h"
#include "tests/cae_core/nastran/NastranTestSupport.h"
#include "tests/host/HostTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <optional>
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
    std::snprintf(row, sizeof row, "%14d      G    %14.6E %14.6E %14s %14s %14s %14s\n", id, ux, uy, "0.0", "0.0",
                  "0.0", "0.0");
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
    std::snprintf(row, sizeof row,
                  "0%8d   -5.000000E-01    %14.6E %14.6E %14.6E   -41.2353    1.082448E+02    6.111030E+00  %14.6E\n"
                  "              5.000000E-01    %14.6E %14.6E %14.6E   -41.2353    1.082448E+02    6.111030E+00  "
                  "%14.6E\n",
                  id, s.sxx, s.syy, s.sxy, s.vonMises, s.sxx, s.syy, s.sxy, s.vonMises);
    return row;
}

/// One sample of a six-node element: its two fibre rows and the empty line; `label` is "CEN/6" for the
/// centre (the element's first row) or a grid id.
std::string tria6Sample(int id, const std::string& label, const Solver2dOutput::Stress& s)
{
    char row[400];
    const std::string start = label == "CEN/6" ? "0" + std::string(9 - std::to_string(id).size(), ' ') +
                                                     std::to_string(id) + "    CEN/6"
                                               : std::string(20 - label.size(), ' ') + label;
    std::snprintf(row, sizeof row,
                  "%s  -5.000000E-01 %13.6E %13.6E %13.6E   -29.3445   1.128772E+02 -1.279800E+01 %13.6E\n"
                  "                       5.000000E-01 %13.6E %13.6E %13.6E   -29.3445   1.128772E+02 "
                  "-1.279800E+01 %13.6E\n\n",
                  start.c_str(), s.sxx, s.syy, s.sxy, s.vonMises, s.sxx, s.syy, s.sxy, s.vonMises);
    return row;
}

constexpr const char* kTria3Title = "                           S T R E S S E S   I N   T R I A N G U L A R   E L E M E N T S   ( T R I A 3 )\n"
                                    "  ELEMENT      FIBER               STRESSES IN ELEMENT COORD SYSTEM             PRINCIPAL STRESSES (ZERO SHEAR)\n"
                                    "    ID.       DISTANCE           NORMAL-X       NORMAL-Y      SHEAR-XY       ANGLE         MAJOR           MINOR        VON MISES\n";
constexpr const char* kTria6Title = "                           S T R E S S E S   I N   T R I A N G U L A R   E L E M E N T S   ( T R I A 6 )\n"
                                    " \n"
                                    "    ELEMENT              FIBER            STRESSES IN ELEMENT COORD SYSTEM         PRINCIPAL STRESSES (ZERO SHEAR)\n"
                                    "      ID      GRID-ID   DISTANCE        NORMAL-X      NORMAL-Y      SHEAR-XY      ANGLE        MAJOR         MINOR       VON MISES \n";

void expectStress(const Solver2dOutput::Stress& actual, const Solver2dOutput::Stress& expected, const char* where)
{
    constexpr double kPrinted = 1e-6; // the printout's six decimals, relative
    const double scale = std::max({std::abs(expected.sxx), std::abs(expected.syy), std::abs(expected.sxy), 1.0});
    EXPECT_NEAR(actual.sxx, expected.sxx, kPrinted * scale) << where;
    EXPECT_NEAR(actual.syy, expected.syy, kPrinted * scale) << where;
    EXPECT_NEAR(actual.sxy, expected.sxy, kPrinted * scale) << where;
    EXPECT_NEAR(actual.vonMises, expected.vonMises, kPrinted * std::max(expected.vonMises, 1.0)) << where;
}

TEST(Nastran2dDeck, MatchesTheExpectedTextsForThreeAndSixNodeElements)
{
    nastran_test::expectGolden(detail::writeDeck2d(model::buildModel3(rectangle(cae_core::fea2d::eTriangle3))),
                               "plane_strain_tria3.dat");
    nastran_test::expectGolden(detail::writeDeck2d(model::buildModel6(rectangle(cae_core::fea2d::eTriangle6))),
                               "plane_strain_tria6.dat");
}

TEST(Nastran2dResults, ThreeNodeStressesAreTurnedFromTheElementAxesToTheGlobalAxes)
{
    const auto m = model::buildModel3(rectangle(cae_core::fea2d::eTriangle3));
    const std::vector<OdGeVector2d> d = {{0.0, 0.0}, {1e-3, 0.0}, {1e-3, -2e-3}, {-4e-4, -2e-3}};
    // Element 1's first edge runs along x; element 2's along (2, 1). A uniaxial stress along the edge
    // becomes n n^T times its value in global axes.
    const Solver2dOutput::Stress along{100.0, 0.0, 0.0, 100.0};
    std::stringstream f06(displacementTable(d) + kTria3Title + tria3Rows(1, {10.0, -20.0, 5.0, 27.8}) +
                          tria3Rows(2, along));
    Solver2dOutput output;
    detail::readResults2d(f06, m, output);

    ASSERT_EQ(output.vertexData.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ(output.vertexData[i].index, i);
        EXPECT_EQ(output.vertexData[i].position, m.nodes[i].position);
        EXPECT_TRUE(output.vertexData[i].displacement.isEqualTo(d[i])) << i;
        EXPECT_TRUE(output.vertexData[i].externalForce.isZeroLength());
    }
    ASSERT_EQ(output.elementData.size(), 2u);
    const auto& second = output.elementData[1];
    EXPECT_EQ(second.index, 1u);
    EXPECT_EQ(second.vertices, (std::array<std::uint64_t, 3>{0, 2, 3}));
    EXPECT_TRUE(second.center.position.isEqualTo(OdGePoint2d(2.0 / 3.0, 2.0 / 3.0)));
    EXPECT_TRUE(second.center.displacement.isEqualTo((d[0] + d[2] + d[3]) / 3.0));
    EXPECT_TRUE(second.corners[2].displacement.isEqualTo(d[3]));

    expectStress(output.elementData[0].center.stress, {10.0, -20.0, 5.0, 27.8}, "element along x");
    const double c = 2.0 / std::sqrt(5.0), s = 1.0 / std::sqrt(5.0);
    const Solver2dOutput::Stress global{100.0 * c * c, 100.0 * s * s, 100.0 * s * c, 100.0};
    expectStress(second.center.stress, global, "turned element, centre");
    for (const auto& corner : second.corners)
        expectStress(corner.stress, global, "turned element, corner");
    EXPECT_EQ(output.pointEvaluator, nullptr);
}

TEST(Nastran2dResults, SixNodeElementsTakeCentreAndCornerSamplesAndTheQuadraticCentreDisplacement)
{
    const auto m = model::buildModel6(rectangle(cae_core::fea2d::eTriangle6));
    std::vector<OdGeVector2d> d;
    for (std::size_t i = 0; i < m.nodes.size(); ++i)
        d.emplace_back(1e-3 * static_cast<double>(i + 1), -2e-4 * static_cast<double>(i * i));
    std::string text = displacementTable(d) + kTria6Title;
    auto sample = [](double k) { return Solver2dOutput::Stress{k, 2.0 * k, 0.0, 3.0 * k}; };
    for (int e = 1; e <= 2; ++e)
    {
        text += tria6Sample(e, "CEN/6", sample(10.0 * e));
        for (int k = 0; k < 3; ++k)
            text += tria6Sample(e, std::to_string(m.elements[e - 1][k] + 1), sample(10.0 * e + k + 1));
    }
    std::stringstream f06(text);
    Solver2dOutput output;
    detail::readResults2d(f06, m, output);

    ASSERT_EQ(output.vertexData.size(), 4u) << "the mid-side nodes are not vertices";
    const auto& first = output.elementData[0];
    const auto& n = m.elements[0];
    const OdGeVector2d centre = (-(d[n[0]] + d[n[1]] + d[n[2]]) + 4.0 * (d[n[3]] + d[n[4]] + d[n[5]])) / 9.0;
    EXPECT_TRUE(first.center.displacement.isEqualTo(centre));
    // Element 1's first edge runs along x, so its samples come through unturned.
    expectStress(first.center.stress, sample(10.0), "centre");
    for (int k = 0; k < 3; ++k)
        expectStress(first.corners[k].stress, sample(11.0 + k), "corner");
    EXPECT_NEAR(output.elementData[1].center.stress.vonMises, 60.0, 1e-9);
}

TEST(Nastran2dResults, ABrokenResultFileThrowsNamingTheLineAndOneWithoutTablesLeavesZeros)
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
        {std::string(kTria3Title) + tria3Rows(1, {1.0, 2.0, 3.0, 4.0}), "ends inside the triangle stress table"},
        {std::string(kTria3Title) + "0       1   -5.0E-01   abc\n\n", "line 4 of the result file: field 4 \"abc\""},
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
    for (const std::string& text : {std::string(), std::string("\0\x01\xff\xfe binary\n\x80", 13),
                                    std::string(1'000'000, 'D')})
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
        std::stringstream f06(excerpt(file, "S T R E S S E S   I N   T R I A N G U L A R   E L E M E N T S   ( T R I A 3 )", "1    MSC"));
        Solver2dOutput output;
        detail::readResults2d(f06, flatModel<3>(6), output);
        expectStress(output.elementData[0].center.stress, {63.86951, 50.48630, -50.62656, 105.3223}, "21");
        expectStress(output.elementData[5].corners[2].stress, {57.65689, 43.34315, -56.94384, 111.4976}, "30");
    }
    {
        // The first page holds three whole six-node elements (19, 20, 22); the page ends inside element 24.
        std::stringstream f06(excerpt(file, "S T R E S S E S   I N   T R I A N G U L A R   E L E M E N T S   ( T R I A 6 )", "1    MSC"));
        Solver2dOutput output;
        detail::readResults2d(f06, flatModel<6>(3), output);
        expectStress(output.elementData[0].center.stress, {82.69518, 17.38405, -53.68594, 119.7901}, "19 centre");
        expectStress(output.elementData[0].corners[0].stress, {27.35724, -158.1968, 113.0911, 261.6702}, "19 G1");
        expectStress(output.elementData[0].corners[2].stress, {-1.420098, 50.86517, -178.9723, 314.2527}, "19 G3");
        expectStress(output.elementData[2].corners[2].stress, {-4.332081, 110.0160, -113.2494, 225.9981}, "22 G3");
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
                            << kTria3Title << tria3Rows(1, {1.0, 2.0, 0.0, 3.0}) << tria3Rows(2, {4.0, 4.0, 0.0, 4.0});
    useSolver("--f06=" + recorded.string());
    const auto solver = cae_core::Solver2d::create(cae_core::Solver2d::eNastran);
    ASSERT_NE(dynamic_cast<cae_core::NastranSolver2d*>(solver.get()), nullptr);
    ASSERT_EQ(solver->execute(input, output), cae_core::eOk) << commandLine.text();

    fs::remove(recorded);
    const auto folders = workingFolders();
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].filename().string().rfind("CAE_", 0), 0u);
    EXPECT_EQ(nastran_test::slurp(folders[0] / "analysis_2d.dat"), detail::writeDeck2d(model::buildModel3(input)));
    EXPECT_TRUE(fs::exists(folders[0] / "analysis_2d.log"));
    EXPECT_TRUE(output.vertexData[2].displacement.isEqualTo(OdGeVector2d(1e-3, -2e-3)));
    EXPECT_NEAR(output.elementData[1].corners[1].stress.sxx, 4.0, 1e-12) << "an isotropic stress does not turn";
    EXPECT_EQ(output.pointEvaluator, nullptr);
}

TEST_F(NastranSolver2dTest, FailuresLeaveTheOutputAsItWas)
{
    output.vertexData.resize(1);
    output.vertexData[0].index = 77;
    struct Case
    {
        int elementType;
        const char* solver;
        cae_core::EResult result;
        std::size_t folders;
    };
    const Case cases[] = {
        {7, "", cae_core::eUnsupported, 0},
        {cae_core::fea2d::eTriangle3, "--completion=1", cae_core::eSolverFailed, 1},
        {cae_core::fea2d::eTriangle6, "--completion=0", cae_core::eFileError, 2},
    };
    for (const Case& c : cases)
    {
        useSolver(c.solver);
        input.elementType = static_cast<cae_core::fea2d::EElementType>(c.elementType);
        EXPECT_EQ(cae_core::NastranSolver2d().execute(input, output), c.result) << c.elementType;
        EXPECT_EQ(output.vertexData.size(), 1u);
        EXPECT_EQ(output.vertexData[0].index, 77u);
        // Two runs within one millisecond share a folder; wait so that each run has its own.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_EQ(workingFolders().size(), c.folders) << c.elementType;
    }
}

} // namespace

namespace
{
/// A square plate of 4 x 4 cells, each cut into two triangles along alternating diagonals, fixed along
/// x = 0, pulled and sheared at x = 1: most elements have their first edge at an angle to the x axis.
Solver2dInput plate(cae_core::fea2d::EElementType type)
{
    constexpr int kCells = 4;
    Solver2dInput input;
    input.elementType = type;
    input.mode = cae_core::fea2d::ePlanarStress;
    input.thickness = 0.1;
    input.youngsModulus = 1000.0;
    input.poissonRatio = 0.25;
    const auto at = [](int i, int j) { return static_cast<std::uint64_t>(j * (kCells + 1) + i); };
    for (int j = 0; j <= kCells; ++j)
        for (int i = 0; i <= kCells; ++i)
            input.mesh.vertices.emplace_back(double(i) / kCells, double(j) / kCells);
    for (int j = 0; j < kCells; ++j)
        for (int i = 0; i < kCells; ++i)
        {
            if ((i + j) % 2 == 0)
            {
                input.mesh.triangles.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
                input.mesh.triangles.push_back({at(i + 1, j + 1), at(i, j + 1), at(i, j)});
            }
            else
            {
                input.mesh.triangles.push_back({at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
                input.mesh.triangles.push_back({at(i, j + 1), at(i, j), at(i + 1, j)});
            }
        }
    for (int j = 0; j <= kCells; ++j)
    {
        input.fixedVertices.push_back(at(0, j));
        input.vertexForces[at(kCells, j)] = OdGeVector2d(1.0, 0.4);
    }
    return input;
}
} // namespace

TEST_F(NastranSolver2dTest, TheSolverProgramAgreesWithTheInHouseSolver)
{
    solverPath.emplace(cae_core::NastranProcess::kPathVariable, "\"" + std::string(CAE_SOLVER_PROGRAM) + "\"");
    for (const auto type : {cae_core::fea2d::eTriangle3, cae_core::fea2d::eTriangle6})
    {
        const Solver2dInput problem = plate(type);
        Solver2dOutput viaFiles, inHouse;
        ASSERT_EQ(cae_core::NastranSolver2d().execute(problem, viaFiles), cae_core::eOk) << commandLine.text();
        ASSERT_EQ(cae_core::Solver2d::create(cae_core::Solver2d::eInHouse)->execute(problem, inHouse), cae_core::eOk);
        // The printout keeps seven significant digits.
        constexpr double kPrinted = 1e-5;
        double largest = 0.0;
        for (const auto& v : inHouse.vertexData)
            largest = std::max(largest, v.displacement.length());
        for (std::size_t i = 0; i < inHouse.vertexData.size(); ++i)
            EXPECT_LE((viaFiles.vertexData[i].displacement - inHouse.vertexData[i].displacement).length(),
                      kPrinted * largest)
                << "vertex " << i;
        for (std::size_t e = 0; e < inHouse.elementData.size(); ++e)
        {
            const auto& a = viaFiles.elementData[e];
            const auto& b = inHouse.elementData[e];
            const double scale = std::max(b.center.stress.vonMises, 1.0);
            EXPECT_NEAR(a.center.stress.sxx, b.center.stress.sxx, 1e-4 * scale) << "element " << e;
            EXPECT_NEAR(a.center.stress.syy, b.center.stress.syy, 1e-4 * scale) << "element " << e;
            EXPECT_NEAR(a.center.stress.sxy, b.center.stress.sxy, 1e-4 * scale) << "element " << e;
            EXPECT_NEAR(a.center.stress.vonMises, b.center.stress.vonMises, 1e-4 * scale) << "element " << e;
            EXPECT_TRUE(a.center.displacement.isEqualTo(b.center.displacement, OdGeTol(kPrinted * largest)));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}
