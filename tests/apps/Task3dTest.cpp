// `cae task3d` as a user runs it: the examples against CalculiX on the same mesh (and the round bar
// against the closed form too), broken task files, and a solver run that fails.
#include "TestSupport.h"

#include "apps/file/Format.h"

#include <rapidjson/document.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using cae_app_test::examplesDir;
using cae_app_test::Outcome;
using cae_app_test::quote;
using cae_app_test::run;
using cae_app_test::slurp;
using cae_app_test::spit;
using cae_app_test::TempDir;

namespace
{
Outcome runTask(const std::vector<std::string>& args, const fs::path& scratch)
{
    // Working folders kept with --keep-work go into the test's own folder, which is removed after it.
    std::string command = "TMPDIR=" + quote(scratch.string()) + " " + quote(CAE_PROGRAM) + " task3d";
    for (const auto& a : args)
        command += " " + quote(a);
    return run(command, scratch);
}

/// The running test's name: what its task file is called, so that the deck's title tells its working
/// folder from those of tests running beside it.
std::string testName()
{
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

rapidjson::Document summary(const fs::path& dir)
{
    rapidjson::Document d;
    d.Parse<rapidjson::kParseFullPrecisionFlag>(slurp(dir / "summary.json").c_str());
    return d;
}

/// Largest displacement length and element von Mises stress that CalculiX computes for the deck.
std::pair<double, double> calculix(const fs::path& deck, const fs::path& scratch)
{
    const fs::path script = cae_app_test::sourceDir() / "tests" / "apps" / "deck_to_calculix.py";
    const Outcome o = run("/usr/bin/python3 " + quote(script.string()) + " " + quote(deck.string()) + " " +
                              quote((scratch / "calculix").string()),
                          scratch);
    EXPECT_EQ(o.exitStatus, 0) << o.err;
    std::istringstream in(o.out);
    double u = 0.0, s = 0.0;
    in >> u >> s;
    return {u, s};
}

/// Runs an example as a user would (under a name of the test's, and the bracket a little coarser to
/// stay quick under the sanitizers) and checks its results against CalculiX on the same mesh and,
/// for `closedForm` > 0, the largest displacement against that closed form.
void checkExample(const char* example, double closedForm, const std::array<double, 3>& low,
                  const std::array<double, 3>& high)
{
    TempDir dir;
    // The deck's title, the file's name, tells this run's working folder from those of other runs
    // of the examples.
    std::string text = slurp(examplesDir() / example);
    if (const auto at = text.find("\"fineness\": 1"); at != std::string::npos)
        text.replace(at, 13, "\"fineness\": 2");
    const fs::path file = dir.path() / ("Task3dExamples_" + fs::path(example).filename().string());
    spit(file, text);
    spit(dir.path() / "round_bar.step", slurp(examplesDir() / "3d" / "round_bar.step"));
    const Outcome o =
        runTask({file.string(), "--out", (dir.path() / "out").string(), "--keep-work"}, dir.path());
    ASSERT_EQ(o.exitStatus, 0) << o.err;
    EXPECT_NE(o.out.find("Analysis complete 0"), std::string::npos) << "the solver's log is echoed";
    EXPECT_NE(o.out.find("Material     steel: E "), std::string::npos) << o.out;
    for (const char* name : {"result.vtu", "result.svg", "result.png", "model.dxf"})
        EXPECT_GT(fs::file_size(dir.path() / "out" / name), 1000u) << name;
    const auto d = summary(dir.path() / "out");
    ASSERT_TRUE(d.IsObject() && d["status"] == "solved");
    // A drawing program sees the result mesh's surface as coloured faces.
    const Outcome faces =
        run("/usr/bin/python3 -c \"import ezdxf, sys; m = ezdxf.readfile(sys.argv[1]).modelspace(); "
            "print(len(m.query('3DFACE')), len({f.dxf.true_color for f in m}))\" " +
                quote((dir.path() / "out" / "model.dxf").string()),
            dir.path());
    std::istringstream counts(faces.out);
    std::uint64_t faceCount = 0, colorCount = 0;
    counts >> faceCount >> colorCount;
    EXPECT_EQ(faceCount, d["mesh"]["surfaceTriangles"].GetUint64()) << faces.err;
    EXPECT_GT(colorCount, 10u);
    const double u = d["maxDisplacement"]["value"].GetDouble(), s = d["maxVonMises"]["value"].GetDouble();
    EXPECT_NEAR(d["safetyFactor"].GetDouble(), d["yield"].GetDouble() / s, 1e-9 * s);

    EXPECT_STREQ(d["mesh"]["elements"].GetString(), "quadratic tetrahedra");
    // ParaView reads ten-node tetrahedra, their results named with their units.
    const std::string vtu = slurp(dir.path() / "out" / "result.vtu");
    const std::vector<double> types = cae_app_test::vtuArray(vtu, "Name=\"types\""),
                              offsets = cae_app_test::vtuArray(vtu, "Name=\"offsets\"");
    ASSERT_GE(offsets.size(), 2u);
    EXPECT_EQ(types.front(), 24);
    EXPECT_EQ(offsets[0], 10);
    EXPECT_EQ(offsets[1], 20);
    EXPECT_NE(vtu.find("Name=\"vonMises [" + std::string(d["units"]["stress"].GetString()) + "]\""),
              std::string::npos);
    const double uReference =
        calculix(fs::path(d["workingFolder"].GetString()) / "task.dat", dir.path()).first;
    // Same ten-node mesh: the solvers differ by round-off. CalculiX's stresses are those of its
    // integration points, not of the grids, so only the displacements compare; the deck is in
    // the modelling length unit, the summary in the drawing's.
    const double toDrawing = d["units"]["length"] == "mm" ? 1000.0 : 1.0;
    EXPECT_NEAR(u, toDrawing * uReference, 1e-6 * toDrawing * uReference);
    if (closedForm > 0)
    {
        EXPECT_NEAR(u, closedForm, 0.03 * closedForm);
    }
    // Where the extremes occur, in the drawing's units: inside the solid's box.
    for (const char* extreme : {"maxVonMises", "maxDisplacement"})
    {
        const auto& point = d[extreme]["point"];
        for (unsigned i = 0; i < 3; ++i)
        {
            const double tolerance = 1e-9 * (high[i] - low[i]);
            EXPECT_GE(point[i].GetDouble(), low[i] - tolerance) << extreme;
            EXPECT_LE(point[i].GetDouble(), high[i] + tolerance) << extreme;
        }
    }
}

TEST(Task3dExamples, TheBracketAgreesWithCalculixOnTheSameMesh)
{
    checkExample("3d/bracket.json", 0.0, {0, 0, 0}, {100, 40, 20});
}

TEST(Task3dExamples, TheRoundBarAgreesWithCalculixAndShortensAsTheClosedForm)
{
    // 1000 psi over 4 in of steel; the fixed end holds the bar's contraction across, which stiffens
    // it by a little.
    checkExample("3d/round_bar.json", 1000.0 * 4.0 / 30e6, {0, -0.5, -0.5}, {4, 0.5, 0.5});
}

/// Runs `text` as a task file with --out; the summary of the run.
rapidjson::Document solve(const std::string& text, const TempDir& dir)
{
    const fs::path file = dir.path() / (testName() + ".json");
    spit(file, text);
    const Outcome o =
        runTask({file.string(), "--out", (dir.path() / "out").string(), "--keep-work"}, dir.path());
    EXPECT_EQ(o.exitStatus, 0) << o.err;
    return summary(dir.path() / "out");
}

bool solved(const rapidjson::Document& d)
{
    return d.IsObject() && d.HasMember("status") && d["status"] == "solved";
}

double value(const rapidjson::Value& v, const char* key)
{
    return v.HasMember(key) && v[key].IsNumber() ? v[key].GetDouble() : -1.0;
}

/// A box [0, L] x [0, W] x [0, H] held on its three faces through the origin by slides, pushed by `p`
/// on its far end: the stress is -p along x everywhere, and the far corner moves by p/E (-L, nu W, nu H).
std::string pushedBar(const char* units, const char* modelling, double L, double W, double H, double E,
                      double nu, double p, double size)
{
    const auto n = [](double v) { return cae_app::formatNumber(v, 17); };
    return std::string(R"({"drawing": {"insunits": ")") + units + R"(", "modelling": ")" + modelling + R"("},
  "solid": {"box": {"corner": [0, 0, 0], "size": [)" +
           n(L) + ", " + n(W) + ", " + n(H) + R"(]}},
  "material": {"youngsModulus": )" +
           n(E) + R"(, "poissonRatio": )" + n(nu) + R"(},
  "meshing": {"size": )" +
           n(size) + R"(},
  "features": [
    {"slide": {"faces": [{"point": [0, )" +
           n(W / 2) + ", " + n(H / 2) + R"(]}]}},
    {"slide": {"faces": [{"point": [)" +
           n(L / 2) + ", 0, " + n(H / 2) + R"(]}]}},
    {"slide": {"faces": [{"point": [)" +
           n(L / 2) + ", " + n(W / 2) + R"(, 0]}]}},
    {"pressure": {"magnitude": )" +
           n(p) + R"(, "faces": [{"point": [)" + n(L) + ", " + n(W / 2) + ", " + n(H / 2) + R"(]}]}}]})";
}

TEST(Task3dAnswers, ABarUnderEndPressureCarriesItUniformlyAndShortensByPLOverE)
{
    const struct
    {
        const char* units;
        const char* modelling;
        double L, W, H, E, nu, p;
        /// The pressure in the output's stress unit.
        double pShown;
    } cases[] = {
        // 10 MPa on a 100 mm steel bar: mm, N, MPa out.
        {"millimeters", "si", 100, 10, 20, 2.1e11, 0.3, 1e7, 10},
        {"inches", "english", 4, 1, 1, 3e7, 0.3, 1000, 1000},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.units);
        TempDir dir;
        const auto d = solve(pushedBar(c.units, c.modelling, c.L, c.W, c.H, c.E, c.nu, c.p, c.W / 2), dir);
        ASSERT_TRUE(solved(d));
        // The modulus in the stress unit of the output, the lengths in the drawing's.
        const double E = c.E * c.pShown / c.p;
        const double corner = c.pShown / E * std::hypot(c.L, c.nu * c.W, c.nu * c.H);
        EXPECT_NEAR(value(d["maxDisplacement"], "value"), corner, 1e-5 * corner);
        EXPECT_NEAR(value(d["maxVonMises"], "value"), c.pShown, 1e-5 * c.pShown);
        EXPECT_NEAR(value(d["material"], "youngsModulus"), E, 1e-12 * E);
        // The slide on the x = 0 end carries the whole push (MPa times mm^2 is N, psi times in^2 lbf).
        const double push = c.pShown * c.W * c.H;
        EXPECT_NEAR(d["reactions"][0]["force"][0].GetDouble(), push, 1e-6 * push);
    }
}

TEST(Task3dAnswers, QuadraticTetrahedraBendACoarseCantileverAsBeamTheoryWhereLinearOnesAreFarTooStiff)
{
    // 100 x 10 x 10 mm, steel, 100 N down on the free end, two elements through the depth.
    const double L = 100, h = 10, F = 100, E = 210000, nu = 0.3;
    const double I = h * h * h * h / 12, G = E / (2 * (1 + nu)), shearArea = 5.0 / 6.0 * h * h;
    const double beam = F * L * L * L / (3 * E * I) + F * L / (G * shearArea);
    const std::string text = R"({"drawing": {"insunits": "millimeters", "modelling": "si"},
  "solid": {"box": {"corner": [0, 0, 0], "size": [100, 10, 10]}},
  "material": {"name": "steel", "youngsModulus": 2.1e11, "poissonRatio": 0.3},
  "deck": {"elements": "ELEMENTS"},
  "meshing": {"size": 5},
  "features": [{"fix": {"faces": [{"point": [0, 5, 5]}]}},
               {"force": {"vector": [0, 0, -100], "units": "N", "faces": [{"point": [100, 5, 5]}]}}]})";
    const auto tip = [&](const std::string& elements)
    {
        TempDir dir;
        std::string t = text;
        t.replace(t.find("ELEMENTS"), 8, elements);
        const auto d = solve(t, dir);
        if (!solved(d))
            return 0.0;
        EXPECT_STREQ(d["mesh"]["elements"].GetString(), (elements + " tetrahedra").c_str());
        return value(d["maxDisplacement"], "value");
    };
    EXPECT_NEAR(tip("quadratic"), beam, 0.02 * beam);
    EXPECT_LT(tip("linear"), 0.92 * beam);
}

TEST(Task3dAnswers, AQuarterTubeOnTwoSlidePlanesCarriesInternalPressureAsLame)
{
    // Inner radius a 10 mm, outer b 20 mm, 10 mm long, open ends: plane stress, exact in 3D. The
    // grids' stresses come from the elements', so they converge from above, 2 % at this size.
    const double a = 10, b = 20, length = 10, p = 100, E = 210000, nu = 0.3;
    const double hoop = p * (b * b + a * a) / (b * b - a * a), radial = -p;
    const double vonMises = std::sqrt(hoop * hoop + radial * radial - hoop * radial);
    const double ur = a / E * (hoop - nu * radial), uz = -nu * length / E * (hoop + radial);
    TempDir dir;
    const auto d = solve(R"({"drawing": {"insunits": "millimeters", "modelling": "si"},
  "solid": {"intersection": [
    {"difference": [{"cylinder": {"base": [0, 0, 0], "axis": [0, 0, 10], "radius": 20}},
                    {"cylinder": {"base": [0, 0, -1], "axis": [0, 0, 12], "radius": 10}}]},
    {"box": {"corner": [0, 0, -1], "size": [25, 25, 12]}}]},
  "material": {"name": "steel", "youngsModulus": 2.1e11, "poissonRatio": 0.3},
  "meshing": {"size": 1.5},
  "features": [{"slide": {"faces": [{"point": [0, 15, 5]}]}},
               {"slide": {"faces": [{"point": [15, 0, 5]}]}},
               {"slide": {"faces": [{"point": [10.6066017178, 10.6066017178, 0]}]}},
               {"pressure": {"magnitude": 1e8, "faces": [{"point": [7.07106781187, 7.07106781187, 5]}]}}]})",
                         dir);
    ASSERT_TRUE(solved(d));
    EXPECT_NEAR(value(d["maxDisplacement"], "value"), std::hypot(ur, uz), 0.005 * std::hypot(ur, uz));
    EXPECT_NEAR(value(d["maxVonMises"], "value"), vonMises, 0.03 * vonMises);
    // Each symmetry plane carries the pressure on the quarter's projection, p a length.
    EXPECT_NEAR(d["reactions"][0]["force"][0].GetDouble(), -p * a * length, 1e-4 * p * a * length);
    EXPECT_NEAR(d["reactions"][1]["force"][1].GetDouble(), -p * a * length, 1e-4 * p * a * length);
}

TEST(Task3dAnswers, AForceIsBalancedByTheReactionsOfItsSupportsAndCalculixAgrees)
{
    // Held across its x = 0 end and along one edge of it only: together they hold the block, and
    // the edge's grids are held in all three directions.
    TempDir dir;
    const auto d = solve(R"({"drawing": {"insunits": "millimeters", "modelling": "si"},
  "solid": {"box": {"corner": [0, 0, 0], "size": [20, 10, 10]}},
  "material": {"name": "aluminium", "youngsModulus": 7e10, "poissonRatio": 0.33},
  "meshing": {"size": 4},
  "features": [{"hold": {"faces": [{"point": [0, 5, 5]}], "components": "1"}},
               {"hold": {"edges": [{"point": [0, 0, 5]}], "components": "23"}},
               {"force": {"vector": [30, -40, 120], "units": "N", "faces": [{"point": [20, 5, 5]}]}}]})",
                         dir);
    ASSERT_TRUE(solved(d));
    const double force[] = {30, -40, 120};
    for (int i = 0; i < 3; ++i)
    {
        SCOPED_TRACE(i);
        const double sum =
            d["reactions"][0]["force"][i].GetDouble() + d["reactions"][1]["force"][i].GetDouble();
        EXPECT_NEAR(sum, -force[i], 1e-6 * 130);
        EXPECT_NEAR(d["equilibrium"]["applied"][i].GetDouble(), force[i], 1e-9 * 130);
    }
    EXPECT_EQ(d["reactions"][1]["force"][0].GetDouble(), 0.0) << "the edge holds no x";
    const double u = calculix(fs::path(d["workingFolder"].GetString()) / "task.dat", dir.path()).first;
    // CalculiX works in the deck's units, m; the summary in mm.
    EXPECT_NEAR(value(d["maxDisplacement"], "value"), 1000 * u, 1e-6 * 1000 * u);
}

TEST(Task3dAnswers, ASlideOnASlantedPlaneHoldsItsNormalAsCalculixDoes)
{
    // A bar along (1, 1, 0), its base cap sliding on its slanted plane and pinned at its rim, pulled
    // along its axis: the cap's inner grids are held by multipoint constraints.
    TempDir dir;
    const auto d = solve(R"({"drawing": {"insunits": "millimeters", "modelling": "si"},
  "solid": {"cylinder": {"base": [0, 0, 0], "axis": [20, 20, 0], "radius": 5}},
  "material": {"name": "steel", "youngsModulus": 2.1e11, "poissonRatio": 0.3},
  "meshing": {"size": 3},
  "features": [{"slide": {"faces": [{"point": [0, 0, 0]}]}},
               {"fix": {"edges": [{"point": [2.5, -2.5, 3.5355339059327378]}]}},
               {"force": {"vector": [100, 100, 0], "units": "N", "faces": [{"point": [20, 20, 0]}]}}]})",
                         dir);
    ASSERT_TRUE(solved(d));
    const std::string deck = slurp(fs::path(d["workingFolder"].GetString()) / "task.dat");
    EXPECT_NE(deck.find("\nMPC,100,"), std::string::npos);
    const double u = calculix(fs::path(d["workingFolder"].GetString()) / "task.dat", dir.path()).first;
    EXPECT_NEAR(value(d["maxDisplacement"], "value"), 1000 * u, 1e-6 * 1000 * u);
    for (int i = 0; i < 2; ++i)
        EXPECT_NEAR(d["equilibrium"]["reactions"][i].GetDouble(), -100, 1e-6 * 100);
}

TEST(Task3dDeck, TheFixedLinearDeckIsTheModulesOwn)
{
    TempDir dir;
    std::string text = slurp(examplesDir() / "3d/bracket.json");
    const std::string material = text.substr(text.find("  \"material\""));
    text.replace(text.find("  \"material\""), material.find('\n') + 1,
                 "  \"deck\": {\"material\": \"fixed\", \"elements\": \"linear\"},\n");
    text.replace(text.find("\"fineness\": 1"), 13, "\"fineness\": 4");
    const auto d = solve(text, dir);
    ASSERT_TRUE(solved(d));
    EXPECT_STREQ(d["material"]["deck"].GetString(), "fixed");
    const std::string deck = slurp(fs::path(d["workingFolder"].GetString()) / "task.dat");
    EXPECT_EQ(deck.substr(0, deck.find("BEGIN BULK")),
              "$ VANTORIX RUN\nSOL 101\nCEND\nDISP=ALL\nSTRESS(VONMISES)=ALL\nTITLE=" + testName() +
                  "\n"
                  "SUBTITLE=VANTORIX TASK\nLABEL=SUMMARY\nSPC=100\nECHO=PUNCH\nLOAD=10\n$\n");
    EXPECT_NE(deck.find("\nPSOLID,1,105,0\nMAT1,105,200000.,76923.,0.3\n"), std::string::npos);
    const auto tetra = deck.find("\nCTETRA,");
    ASSERT_NE(tetra, std::string::npos);
    const std::string line = deck.substr(tetra + 1, deck.find('\n', tetra + 1) - tetra - 1);
    EXPECT_EQ(std::count(line.begin(), line.end(), ','), 6) << line;
    EXPECT_NE(deck.find("$     FIX CONSTRAINTS\nSPC1,100,123,"), std::string::npos);
}

TEST(Task3dErrors, ABrokenTaskFileExitsTwoNamingTheKeyPath)
{
    const std::string bar = slurp(examplesDir() / "3d/round_bar.json");
    const auto replaced = [&](const std::string& from, const std::string& to)
    {
        std::string text = bar;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const struct
    {
        std::string text;
        const char* message;
    } cases[] = {
        {replaced("\"yield\"", "\"yeld\""), "unknown key \"yeld\""},
        {replaced("\"units\": \"psi\"", "\"units\": \"Pa\""),
         "features[1].pressure.units: the modelling units are \"english\", whose pressures are in \"psi\""},
        {replaced("[4, 0.2, 0.1]", "[5, 0.2, 0.1]"),
         "features[1].pressure.faces[0]: the point (5, 0.2, 0.1) lies on no face"},
        {replaced("[4, 0.2, 0.1]", "[4, 0.5, 0]"),
         "features[1].pressure.faces[0]: the point (4, 0.5, 0) lies on faces"},
        {replaced("{\"point\": [4, 0.2, 0.1]}", "9"),
         "features[1].pressure.faces[0]: the solid has no face 9"},
        {replaced("\"fineness\": 2", "\"fineness\": 200"), "meshing.fineness: must be from 0.01 to 100"},
        {replaced("round_bar.step", "missing.step"), "solid.step: there is no STEP file /"},
        {replaced("{\"fix\": {\"faces\": [{\"point\": [0, 0, 0]}]}}",
                  "{\"slide\": {\"faces\": [{\"point\": [2, 0.5, 0]}]}}"),
         "features[0].slide.faces[0]: face 1 is curved; a slide needs plane faces"},
    };
    TempDir dir;
    spit(dir.path() / "round_bar.step", slurp(examplesDir() / "3d" / "round_bar.step"));
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.message);
        spit(dir.path() / "task.json", c.text);
        const Outcome o = runTask(
            {(dir.path() / "task.json").string(), "--out", (dir.path() / "out").string()}, dir.path());
        EXPECT_EQ(o.exitStatus, 2);
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_STREQ(summary(dir.path() / "out")["status"].GetString(), "invalid");
    }
}

TEST(Task3dErrors, AMeshBeyondTheBudgetExitsTwoNamingTheEstimateAndTheOption)
{
    TempDir dir;
    const Outcome o = runTask({(examplesDir() / "3d/round_bar.json").string(), "--max-tetrahedra", "100",
                               "--out", (dir.path() / "out").string()},
                              dir.path());
    EXPECT_EQ(o.exitStatus, 2);
    EXPECT_NE(o.err.find("tetrahedra are expected, more than the budget of 100"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("raise --max-tetrahedra N"), std::string::npos) << o.err;
    EXPECT_STREQ(summary(dir.path() / "out")["status"].GetString(), "invalid");
}

TEST(Task3dErrors, AFailingSolverRunExitsThreeWithItsMessageAndLeavesNoEarlierResult)
{
    TempDir dir;
    std::string text = slurp(examplesDir() / "3d/round_bar.json");
    // Nothing holds the bar, so the solver program finds the model singular.
    const auto fix = text.find("{\"fix\"");
    text.erase(fix, text.find('\n', fix) - fix + 1);
    text.replace(text.find("\"fineness\": 2"), 13, "\"fineness\": 5");
    spit(dir.path() / "round_bar.step", slurp(examplesDir() / "3d" / "round_bar.step"));
    spit(dir.path() / "task.json", text);
    const fs::path out = dir.path() / "out";
    fs::create_directories(out);
    for (const char* name : {"result.vtu", "result.svg", "result.png"})
        spit(out / name, "an earlier run's result");

    const Outcome o = runTask({(dir.path() / "task.json").string(), "--out", out.string()}, dir.path());
    EXPECT_EQ(o.exitStatus, 3);
    EXPECT_NE(o.err.find("Entity doesn't have CAE constraints"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("the solver run failed: eSolverFailed"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("singular"), std::string::npos) << "the solver's fatal message: " << o.err;
    for (const char* name : {"result.vtu", "result.svg", "result.png"})
        EXPECT_FALSE(fs::exists(out / name)) << name;
    const auto d = summary(out);
    EXPECT_STREQ(d["status"].GetString(), "failed");
    EXPECT_EQ(d["result"].GetInt(), 13);
}
} // namespace
