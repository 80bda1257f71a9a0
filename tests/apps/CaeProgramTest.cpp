// Runs the built `cae` program on the examples and on broken files, as a user would, and checks
// the numbers against mechanics and the failures against what the user is told.

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;
using cae_app_test::examplesDir;
using cae_app_test::hasTemporaryFiles;
using cae_app_test::Outcome;
using cae_app_test::quote;
using cae_app_test::slurp;
using cae_app_test::spit;
using cae_app_test::TempDir;
using cae_app_test::vtuArray;
using cae_app_test::vtuPoints;

namespace
{
/// Equilibrium holds to round-off: the reactions are the supported rows of K u, and every other
/// row equals its load up to the solver's residual, which grows with the stiffness matrix's
/// condition number. For the slender cantilever (20 times longer than deep) that residual is
/// about 2e-9 of the load; a lost load on even one boundary edge would be 1e-3 of it or more.
constexpr double kEquilibriumTolerance = 1e-7;

Outcome runCae(const std::vector<std::string>& args, const fs::path& scratch)
{
    // The solver program's working folders go into the test's own folder, which is removed after it.
    std::string command = "TMPDIR=" + quote(scratch.string()) + " " + quote(CAE_PROGRAM);
    for (const auto& a : args)
        command += " " + quote(a);
    Outcome o = cae_app_test::run(command, scratch);
    // What a run leaves in the folder is checked without the captured output.
    fs::remove(scratch / "stdout.txt");
    fs::remove(scratch / "stderr.txt");
    return o;
}

/// A value of summary.json reached by its key path. Reading a key that is missing, or a value of
/// another type, throws naming the path, so a renamed key fails the test with its name instead of
/// reading as null or crashing.
class Json
{
public:
    Json(std::shared_ptr<const rapidjson::Document> document, const rapidjson::Value& value, std::string path)
        : m_document(std::move(document)), m_value(value), m_path(std::move(path))
    {
    }

    Json operator[](const char* key) const
    {
        const std::string path = m_path.empty() ? key : m_path + "." + key;
        if (!m_value.IsObject() || !m_value.HasMember(key))
            throw std::runtime_error("summary.json has no key " + path);
        return Json(m_document, m_value[key], path);
    }
    Json operator[](int index) const
    {
        const auto i = static_cast<rapidjson::SizeType>(index);
        const std::string path = m_path + "[" + std::to_string(index) + "]";
        if (index < 0 || !m_value.IsArray() || i >= m_value.Size())
            throw std::runtime_error("summary.json has no entry " + path);
        return Json(m_document, m_value[i], path);
    }
    std::size_t size() const { return check(m_value.IsArray(), "a list").Size(); }
    std::vector<Json> items() const
    {
        std::vector<Json> all;
        for (std::size_t i = 0; i < size(); ++i)
            all.push_back((*this)[static_cast<int>(i)]);
        return all;
    }
    double num() const { return check(m_value.IsNumber(), "a number").GetDouble(); }
    std::uint64_t u64() const { return check(m_value.IsUint64(), "a whole number").GetUint64(); }
    const char* str() const { return check(m_value.IsString(), "a string").GetString(); }

private:
    const rapidjson::Value& check(bool ok, const char* what) const
    {
        if (!ok)
            throw std::runtime_error("summary.json: " + m_path + " is not " + what);
        return m_value;
    }

    std::shared_ptr<const rapidjson::Document> m_document;
    const rapidjson::Value& m_value;
    std::string m_path;
};

Json readSummary(const fs::path& dir)
{
    auto d = std::make_shared<rapidjson::Document>();
    d->Parse<rapidjson::kParseFullPrecisionFlag>(slurp(dir / "summary.json").c_str());
    if (d->HasParseError())
        throw std::runtime_error("summary.json is not complete JSON");
    return Json(d, *d, "");
}

/// Checks that the applied loads and the summed reactions cancel. Supports that share no vertex
/// are assumed, as in the examples, so the reported reactions add up to the vertex reactions.
void expectEquilibrium(const Json& d)
{
    const double ax = d["appliedLoad"][0].num(), ay = d["appliedLoad"][1].num();
    double rx = 0, ry = 0;
    for (const auto& r : d["reactions"].items())
    {
        rx += r["force"][0].num();
        ry += r["force"][1].num();
    }
    const double scale = std::hypot(ax, ay);
    ASSERT_GT(scale, 0.0);
    EXPECT_LE(std::hypot(ax + rx, ay + ry), kEquilibriumTolerance * scale)
        << "applied (" << ax << ", " << ay << "), reactions (" << rx << ", " << ry << ")";
}

/// The mean displacement of the result's points on the line x = `x`, and how many there are.
std::pair<std::array<double, 2>, int> meanDisplacementAtX(const fs::path& vtu, double x)
{
    const std::string text = slurp(vtu);
    const auto points = vtuPoints(text);
    const auto u = vtuArray(text, "Name=\"displacement\"");
    EXPECT_EQ(points.size(), u.size());
    std::array<double, 2> sum{0, 0};
    int count = 0;
    for (std::size_t i = 0; i + 2 < points.size(); i += 3)
        if (points[i] == x)
        {
            sum[0] += u[i];
            sum[1] += u[i + 1];
            ++count;
        }
    return {{sum[0] / std::max(count, 1), sum[1] / std::max(count, 1)}, count};
}
} // namespace

TEST(CaeExamples, PlateWithHoleShowsTheHolesStressConcentration)
{
    TempDir dir;
    const Outcome o =
        runCae({"analyze2d", (examplesDir() / "plate_with_hole.json").string(), "--out", dir.path().string()},
               dir.path());
    ASSERT_EQ(o.exitStatus, 0) << o.err;
    EXPECT_TRUE(o.err.empty()) << o.err;
    const auto d = readSummary(dir.path());
    EXPECT_STREQ(d["status"].str(), "solved");
    EXPECT_EQ(d["result"].u64(), 0u);
    EXPECT_EQ(d["messages"].size(), 0u);
    EXPECT_STREQ(d["mesh"]["elementType"].str(), "triangle6");
    EXPECT_GT(d["mesh"]["triangles"].u64(), 1000u);
    expectEquilibrium(d);
    // 250 N/mm on the 100 mm end: 25 kN along +x, carried by the rolling support on the left edge.
    EXPECT_NEAR(d["appliedLoad"][0].num(), 25000.0, 1e-6);
    EXPECT_EQ(d["reactions"][0]["index"].u64(), 1u);
    EXPECT_NEAR(d["reactions"][0]["force"][0].num(), -25000.0, kEquilibriumTolerance * 25000.0);

    // Gross stress 250 N/mm / 5 mm = 50 MPa. For a hole of d/W = 0.1 in a finite strip the
    // net-section factor is about 2 + (1 - d/W)^3 = 2.73, i.e. 3.03 on the gross stress
    // (Heywood's fit, within 1% of Howland's solution); the infinite plate's 3 is the lower bound.
    const double kt = d["maxVonMises"].num() / 50.0;
    EXPECT_GT(kt, 2.9);
    EXPECT_LT(kt, 3.2);
    EXPECT_TRUE(fs::exists(dir.path() / "result.vtu"));
    EXPECT_FALSE(hasTemporaryFiles(dir.path()));
    EXPECT_NE(o.out.find("Equilibrium"), std::string::npos);
    EXPECT_NE(o.out.find("MPa"), std::string::npos);
}

TEST(CaeExamples, CantileverDeflectsAsBeamTheorySays)
{
    TempDir dir;
    const Outcome o = runCae(
        {"analyze2d", (examplesDir() / "cantilever.json").string(), "--out", dir.path().string(), "--quiet"},
        dir.path());
    ASSERT_EQ(o.exitStatus, 0) << o.err;
    EXPECT_TRUE(o.out.empty()) << "--quiet printed: " << o.out;
    const auto d = readSummary(dir.path());
    expectEquilibrium(d);

    // Timoshenko beam: P L^3 / (3 E I) + P L / (k G A), k = 5/6 for a rectangle.
    const double P = 50, L = 200, h = 10, t = 5, E = 210000, nu = 0.3;
    const double I = t * h * h * h / 12, G = E / (2 * (1 + nu)), A = t * h;
    const double expected = P * L * L * L / (3 * E * I) + P * L / (5.0 / 6.0 * G * A);
    // The end section stays nearly straight, so the mean over its vertices is the tip deflection.
    const auto [u, count] = meanDisplacementAtX(dir.path() / "result.vtu", 200);
    ASSERT_GE(count, 2) << "no vertices on the loaded end";
    EXPECT_NEAR(-u[1], expected, 0.02 * expected);
}

TEST(CaeExamples, TheNastranSolverOfTheLoadedModuleGivesTheInHouseResults)
{
    // cae loads the module file, whose start-up installs the Nastran 2D solver, and runs the solver
    // program built beside it.
    TempDir dir;
    std::string text = slurp(examplesDir() / "cantilever.json");
    text.insert(text.rfind('}'), ", \"solver\": \"nastran\"");
    spit(dir.path() / "nastran.json", text);
    const fs::path inHouse = dir.path() / "in_house", nastran = dir.path() / "nastran";
    ASSERT_EQ(runCae({"analyze2d", (examplesDir() / "cantilever.json").string(), "--out", inHouse.string(),
                      "--quiet"},
                     dir.path())
                  .exitStatus,
              0);
    const Outcome o =
        runCae({"analyze2d", (dir.path() / "nastran.json").string(), "--out", nastran.string()}, dir.path());
    ASSERT_EQ(o.exitStatus, 0) << o.err;
    EXPECT_NE(o.out.find("Analysis complete 0"), std::string::npos) << "the solver's log is echoed";
    EXPECT_NE(o.out.find("Reactions    not available from Nastran results"), std::string::npos) << o.out;
    const auto expected = readSummary(inHouse), got = readSummary(nastran);
    EXPECT_NEAR(got["maxDisplacement"].num(), expected["maxDisplacement"].num(),
                1e-4 * expected["maxDisplacement"].num());
    EXPECT_EQ(got["reactions"].size(), 0u);

    // A solver that pages its tables every 20 lines, as real ones do: cae reads its printout the same.
    const fs::path paging = dir.path() / "paging_solver.sh", paged = dir.path() / "paged";
    spit(paging, "#!/bin/sh\nsed -i 's/^LINES=.*/LINES=20/' \"$1\"\nexec " +
                     quote((fs::path(CAE_PROGRAM).parent_path() / "nastran").string()) + " \"$@\"\n");
    fs::permissions(paging, fs::perms::owner_all);
    const char* given = std::getenv("CAE_NASTRAN_PATH");
    const std::string before = given ? given : "";
    ::setenv("CAE_NASTRAN_PATH", paging.c_str(), 1);
    const Outcome p =
        runCae({"analyze2d", (dir.path() / "nastran.json").string(), "--out", paged.string()}, dir.path());
    if (given)
        ::setenv("CAE_NASTRAN_PATH", before.c_str(), 1);
    else
        ::unsetenv("CAE_NASTRAN_PATH");
    ASSERT_EQ(p.exitStatus, 0) << p.err;
    EXPECT_EQ(readSummary(paged)["maxDisplacement"].num(), got["maxDisplacement"].num());
}

TEST(CaeExamples, BracketRestsOnItsRollingSupportWithoutFriction)
{
    TempDir dir;
    const Outcome o = runCae(
        {"analyze2d", (examplesDir() / "l_bracket.json").string(), "--out", dir.path().string()}, dir.path());
    ASSERT_EQ(o.exitStatus, 0) << o.err;
    const auto d = readSummary(dir.path());
    expectEquilibrium(d);
    // 20 N/mm over 30 mm of the arm, downwards.
    EXPECT_NEAR(d["appliedLoad"][1].num(), -600.0, 1e-6);
    ASSERT_EQ(d["reactions"].size(), 2u);
    // The rolling support on the vertical wall (index 2) can only push along x.
    const auto& rolling = d["reactions"][1];
    EXPECT_EQ(rolling["index"].u64(), 2u);
    EXPECT_LT(std::abs(rolling["force"][1].num()), kEquilibriumTolerance * 600.0);
    EXPECT_GT(std::abs(rolling["force"][0].num()), 1.0);
    // The fillet takes the stress peak: the largest stress sits near the re-entrant corner.
    EXPECT_NE(o.out.find("refined adaptively"), std::string::npos);
}

TEST(CaeExamples, NotReadyFileListsTheAnalysisOwnMessages)
{
    TempDir dir;
    spit(dir.path() / "result.vtu", "previous good result");
    const Outcome o = runCae(
        {"analyze2d", (examplesDir() / "not_ready.json").string(), "--out", dir.path().string()}, dir.path());
    EXPECT_EQ(o.exitStatus, 2);
    const auto d = readSummary(dir.path());
    EXPECT_STREQ(d["status"].str(), "invalid");
    ASSERT_EQ(d["messages"].size(), 3u);
    EXPECT_STREQ(d["messages"][0].str(), "There are no non-zero loads defined.");
    EXPECT_STREQ(
        d["messages"][1].str(),
        "Specify additional supports to fully constrain translational and rotational movement of the "
        "boundary.");
    EXPECT_STREQ(d["messages"][2].str(),
                 "material.poissonRatio: Poisson ratio needs to be greater than -1 and smaller than 0.5.");
    EXPECT_NE(o.err.find("the analysis is not ready:\n  There are no non-zero loads defined.\n"),
              std::string::npos)
        << o.err;
    EXPECT_FALSE(fs::exists(dir.path() / "result.vtu"))
        << "a result of an earlier run beside a failed summary";
    EXPECT_FALSE(hasTemporaryFiles(dir.path()));
}

namespace
{
/// A valid file to break in one place.
std::string plateText()
{
    return slurp(examplesDir() / "plate_with_hole.json");
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

/// Runs `text` as an analysis file with an earlier run's result in the output folder, and checks
/// what every failed run must guarantee: the expected status, a complete summary saying so, no
/// result beside it and no temporary file left.
std::string expectFailure(const std::string& text, int exitStatus, const char* status)
{
    TempDir dir;
    const fs::path file = dir.path() / "analysis.json";
    const fs::path out = dir.path() / "out";
    spit(file, text);
    fs::create_directories(out);
    spit(out / "result.vtu", "previous good result");
    const Outcome o = runCae({"analyze2d", file.string(), "--out", out.string()}, dir.path());
    EXPECT_EQ(o.exitStatus, exitStatus) << o.err;
    const auto d = readSummary(out);
    EXPECT_STREQ(d["status"].str(), status);
    EXPECT_FALSE(fs::exists(out / "result.vtu")) << "a result of an earlier run beside a failed summary";
    EXPECT_FALSE(hasTemporaryFiles(out));
    EXPECT_FALSE(o.err.empty());
    return o.err;
}
} // namespace

TEST(CaeErrors, EveryBrokenFileIsRefusedWithItsStatusAMessageSayingWhereAndNoEarlierResultBesideIt)
{
    const struct
    {
        const char *from, *to;
        int exitStatus;
        const char *status, *message;
    } cases[] = {
        {"\"mode\": \"planeStress\",", "\"mode\": \"planeStress\"", 2, "invalid",
         "analysis.json:16:3: not valid JSON: Missing a comma or '}' after an object member."},
        {"\"yield\": 235", "\"yeld\": 235", 2, "invalid",
         "material.yeld: unknown key \"yeld\" (did you mean \"yield\"?)"},
        {", \"yield\": 235", "", 2, "invalid", "material: missing key \"yield\""},
        {"\"thickness\": 5", "\"thickness\": -5", 2, "invalid",
         "material.thickness: The thickness needs to be greater than zero."},
        {"{\"line\": {\"from\": [200, 0], \"to\": [200, 100]}}",
         "{\"line\": {\"from\": [200, 0], \"to\": [200, 99]}}", 2, "invalid",
         "region.outer: the loop is open between region.outer[1] (line) and region.outer[2] (line): "
         "region.outer[1] (line) ends at (200, 99) but region.outer[2] (line) runs from (200, 100) "
         "to (0, 100) (gap 1)"},
        {"\"millimeters\"", "\"centimeters\"", 2, "invalid",
         "Only meter and millimeter are supported INSUNITS if MEASUREMENT is set to Metric."},
        {"\"measurement\": \"metric\", \"insunits\": \"millimeters\"",
         "\"measurement\": \"imperial\", \"insunits\": \"feet\"", 2, "invalid",
         "Only Inches are supported INSUNITS if MEASUREMENT is set to Imperial."},
        {"\"end\": [200, 100]", "\"end\": [105, 50]", 2, "invalid",
         "loadsAndSupports[0].linearLoad: start lies on region.outer but end on region.holes[0]; "
         "both must lie on the same boundary loop"},
        {"\"location\": [200, 50]", "\"location\": [100, 50]", 2, "invalid",
         "loadsAndSupports[2].pointSupport: (100, 50) lies outside the region"},
        {"\"size\": 4", "\"size\": 0.5", 3, "failed",
         "mesh.size: a mesh of size 0.5 would need about 159372 triangles, more than the "
         "mesher allows (25000); use a size larger than 1.26"},
        // The estimate lets 1.5 through, but refining past the budget is reported as well.
        {"\"size\": 4", "\"size\": 1.5", 3, "failed",
         "mesh.size: meshing with size 1.5 went past the mesher's limit of 25000 triangles; "
         "use a larger size"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.message);
        const std::string err = expectFailure(replaced(plateText(), c.from, c.to), c.exitStatus, c.status);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
}

namespace
{
/// A 100 x 50 plate of steel, 1 thick, meshed at `size`, with the given loads and supports.
std::string smallPlate(const std::string& loadsAndSupports, double size = 5.0)
{
    return R"({
  "drawing": {"measurement": "metric", "insunits": "millimeters"},
  "region": {"outer": [{"line": {"from": [0, 0], "to": [100, 0]}}, {"line": {"from": [100, 0], "to": [100, 50]}},
                       {"line": {"from": [100, 50], "to": [0, 50]}}, {"line": {"from": [0, 50], "to": [0, 0]}}]},
  "mode": "planeStress", "elementType": "triangle3",
  "material": {"thickness": 1, "youngsModulus": 210000, "poissonRatio": 0.3, "yield": 235},
  "mesh": {"size": )" +
           std::to_string(size) +
           R"(},
  "loadsAndSupports": [)" +
           loadsAndSupports + "]}";
}
} // namespace

TEST(CaeErrors, NothingUnbalancedOrNotFiniteIsReportedAsSolved)
{
    const std::string load =
        R"({"pointLoad": {"location": [100, 50], "direction": [1, 0], "magnitude": 100}}, )";
    const struct
    {
        std::string text;
        int exitStatus;
        const char *status, *message;
    } cases[] = {
        // Two clamps a mesh size apart act on one vertex, and two at one point hold no better than one:
        // the plate can turn about it.
        {smallPlate(load +
                        R"({"pointSupport": {"location": [0, 0]}}, {"pointSupport": {"location": [0, 1]}})",
                    4.47),
         2, "invalid",
         "loadsAndSupports[1].pointSupport and loadsAndSupports[2].pointSupport act on the same mesh vertex "
         "(0, 0)"},
        {smallPlate(load +
                    R"({"pointSupport": {"location": [0, 0]}}, {"pointSupport": {"location": [0, 0]}})"),
         2, "invalid", "Specify additional supports to fully constrain"},
        // Three rollers whose lines of action meet at the centre leave the turn about it free.
        {smallPlate(load + R"({"pointSupport": {"location": [0, 25], "rolling": true, "direction": [1, 0]}},
                              {"pointSupport": {"location": [50, 0], "rolling": true, "direction": [0, 1]}},
                              {"pointSupport": {"location": [100, 25], "rolling": true, "direction": [1, 0]}})"),
         3, "failed", "the solution does not balance"},
        // A closed spline about 3 around at size 4 gets fewer than three boundary points.
        {replaced(plateText(), R"({"circle": {"center": [100, 50], "radius": 5}})",
                  R"({"spline": {"fitPoints": [[100, 50], [101, 50], [100.5, 51], [100, 50]]}})"),
         3, "failed", "region.holes[0]: the loop is only 3.24 around, too short for the mesh size 4"},
        {replaced(plateText(), "\"youngsModulus\": 210000", "\"youngsModulus\": 1e300"), 2, "invalid",
         "material: youngsModulus times thickness is 5e+300, outside 1e-150 to 1e+150"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.message);
        const std::string err = expectFailure(c.text, c.exitStatus, c.status);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
}

TEST(CaeErrors, AnUnreadableFileIsInvalid)
{
    TempDir dir;
    const Outcome o = runCae(
        {"analyze2d", (dir.path() / "missing.json").string(), "--out", dir.path().string()}, dir.path());
    EXPECT_EQ(o.exitStatus, 2);
    EXPECT_NE(o.err.find("missing.json: cannot open the file"), std::string::npos) << o.err;
    EXPECT_STREQ(readSummary(dir.path())["status"].str(), "invalid");
}

TEST(CaeUsage, WrongUsageExitsWithOneAndHelpWithZero)
{
    TempDir dir;
    EXPECT_EQ(runCae({}, dir.path()).exitStatus, 1);
    EXPECT_EQ(runCae({"analyze2d"}, dir.path()).exitStatus, 1);
    EXPECT_EQ(runCae({"analyze2d", "a.json", "--bogus"}, dir.path()).exitStatus, 1);
    const Outcome help = runCae({"analyze2d", "--help"}, dir.path());
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_NE(help.out.find("examples/"), std::string::npos);
}

namespace
{
/// The shared libraries the dynamic linker loaded while `cae args` ran (its LD_DEBUG=files log), every
/// one that came into the process by start-up or by a later dlopen.
std::string loadedLibraries(const std::vector<std::string>& args, const fs::path& scratch)
{
    const fs::path logs = scratch / "ld";
    fs::create_directories(logs);
    ::setenv("LD_DEBUG", "files", 1);
    ::setenv("LD_DEBUG_OUTPUT", (logs / "log").c_str(), 1);
    runCae(args, scratch);
    ::unsetenv("LD_DEBUG");
    ::unsetenv("LD_DEBUG_OUTPUT");
    std::string loaded;
    for (const auto& log : fs::directory_iterator(logs))
        loaded += slurp(log.path());
    return loaded;
}
} // namespace

TEST(CaeStartUp, OnlyTheThreeDCommandLoadsTheSolidKernel)
{
    TempDir dir;
    const std::string twoD =
        loadedLibraries({"analyze2d", (examplesDir() / "cantilever.json").string(), "--quiet"}, dir.path());
    ASSERT_NE(twoD.find("cae_core.tx"), std::string::npos) << "no loader log to check";
    EXPECT_EQ(twoD.find("libgmsh"), std::string::npos);
    EXPECT_EQ(twoD.find("/libTK"), std::string::npos);
    EXPECT_EQ(loadedLibraries({"analyze2d", "--help"}, dir.path() / "help").find("libgmsh"),
              std::string::npos);
    // The same log does show them where they are needed.
    const std::string threeD =
        loadedLibraries({"task3d", (dir.path() / "missing.json").string()}, dir.path() / "3d");
    EXPECT_NE(threeD.find("libgmsh"), std::string::npos);
    EXPECT_NE(threeD.find("/libTK"), std::string::npos);
}

TEST(CaeWarnings, AWholeLoopLoadIsRunButFlagged)
{
    TempDir dir;
    const fs::path file = dir.path() / "pressure.json";
    spit(file,
         replaced(plateText(), "\"loadsAndSupports\": [",
                  "\"loadsAndSupports\": [\n    {\"linearLoad\": {\"start\": [105, 50], \"end\": [105, 50], "
                  "\"magnitude\": 10, \"angleDeg\": 90, \"angleRelativeToBoundary\": true}},"));
    const Outcome o = runCae({"analyze2d", file.string(), "--out", dir.path().string()}, dir.path());
    EXPECT_EQ(o.exitStatus, 0) << o.err;
    EXPECT_NE(
        o.err.find(
            "warning: loadsAndSupports[0].linearLoad: start and end are the same point, so it covers the "
            "whole loop region.holes[0] except the one mesh edge that closes it"),
        std::string::npos)
        << o.err;
    expectEquilibrium(readSummary(dir.path()));
}

TEST(CaeOutputs, ARunOwnsItsFilesInTheFolderAndLeavesOthersAlone)
{
    TempDir dir;
    const fs::path out = dir.path() / "out";
    fs::create_directories(out);
    spit(out / "notes.txt", "the user's own");
    spit(out / ".result.vtu.tmp-999999-0", "left by a run that was killed");
    const Outcome o =
        runCae({"analyze2d", (examplesDir() / "cantilever.json").string(), "--out", out.string(), "--quiet"},
               dir.path());
    ASSERT_EQ(o.exitStatus, 0) << o.err;
    EXPECT_EQ(slurp(out / "notes.txt"), "the user's own");
    EXPECT_FALSE(hasTemporaryFiles(out));
    EXPECT_TRUE(fs::exists(out / "result.vtu"));
}

TEST(CaeOutputs, TwoRunsIntoOneFolderLeaveOneMatchingSet)
{
    TempDir dir;
    const fs::path out = dir.path() / "out";
    const fs::path broken = dir.path() / "broken.json";
    spit(broken, replaced(slurp(examplesDir() / "cantilever.json"), "\"yield\"", "\"yeld\""));
    // Both at once, then each order finishing last: the summary and the result always agree.
    const std::string cae = quote(CAE_PROGRAM), o = quote(out.string());
    const std::string good =
        cae + " analyze2d " + quote((examplesDir() / "cantilever.json").string()) + " --quiet --out " + o;
    const std::string bad = cae + " analyze2d " + quote(broken.string()) + " --quiet --out " + o;
    for (const std::string& command : {"(" + good + " & " + bad + "; wait) 2>/dev/null",
                                       bad + " 2>/dev/null; " + good, good + "; " + bad + " 2>/dev/null"})
    {
        ASSERT_NE(std::system(command.c_str()), -1);
        const bool solved = std::string(readSummary(out)["status"].str()) == "solved";
        EXPECT_EQ(fs::exists(out / "result.vtu"), solved) << command;
        EXPECT_FALSE(hasTemporaryFiles(out));
    }
}

TEST(CaeOutputs, WhatCannotBeWrittenEndsTheRunAsFailed)
{
    TempDir dir;
    const fs::path file = dir.path() / "a-file";
    spit(file, "");
    const Outcome o = runCae(
        {"analyze2d", (examplesDir() / "cantilever.json").string(), "--out", file.string()}, dir.path());
    EXPECT_EQ(o.exitStatus, 3);
    EXPECT_NE(o.err.find("cannot create the folder"), std::string::npos) << o.err;

    // A full disk under standard output: the report is lost, so the run did not succeed.
    for (const std::string& args :
         {std::string(" --help"), " analyze2d " + quote((examplesDir() / "cantilever.json").string())})
    {
        const int status = std::system((quote(CAE_PROGRAM) + args + " >/dev/full 2>/dev/null").c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << args;
    }
}

/// Runs a Python script with Debian's own interpreter, for which the independent DXF reader is
/// installed; its exit status.
int runPython(const fs::path& scratch, const std::string& script, const std::vector<std::string>& args)
{
    const fs::path file = scratch / "script.py";
    spit(file, script);
    std::string command = "/usr/bin/python3 " + quote(file.string());
    for (const auto& a : args)
        command += " " + quote(a);
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CaeDrawing, KeepsTheSetUpAndResultForACadProgramAndTakesEditedGlyphsBack)
{
    TempDir dir;
    const fs::path file = dir.path() / "tip_load.json";
    spit(
        file,
        replaced(
            slurp(examplesDir() / "cantilever.json"),
            R"({"linearLoad": {"start": [200, 0], "end": [200, 10], "magnitude": 5, "angleDeg": 90, "flipped": true}})",
            R"({"pointLoad": {"location": [200, 5], "direction": [0, -1], "magnitude": 50}})"));
    const fs::path first = dir.path() / "first";
    Outcome o = runCae({"analyze2d", file.string(), "--out", first.string(), "--quiet"}, dir.path());
    ASSERT_EQ(o.exitStatus, 0) << o.err;

    // The drawing passes a strict reader's audit, carries one glyph block reference per load and
    // support and the results block right of the region; the tip load is then turned a quarter
    // turn counter-clockwise about its point, as a user would in a CAD program.
    const char* const edit = R"(import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
for e in auditor.errors:
    print('audit error:', e.message)
inserts = doc.modelspace().query('INSERT')
glyphs = [i for i in inserts if i.has_xdata('CAEANALYZE2D')]
results = [i for i in inserts if i.dxf.name.startswith('CAE_ANALYZE2D_RESULT')]
layers = {e.dxf.layer for e in doc.modelspace().query('LINE')}
if auditor.has_errors or len(glyphs) != 2 or len(results) != 1 or results[0].dxf.insert.x <= 200 or 'CAE_REGION' not in layers:
    sys.exit(1)
load = [g for g in glyphs if g.get_xdata('CAEANALYZE2D')[0].value == 0][0]
load.dxf.rotation = 90.0
doc.saveas(sys.argv[2])
)";
    const fs::path edited = dir.path() / "edited.dxf";
    ASSERT_EQ(runPython(dir.path(), edit, {(first / "drawing.dxf").string(), edited.string()}), 0);

    const fs::path second = dir.path() / "second";
    o = runCae(
        {"analyze2d", file.string(), "--loads-from", edited.string(), "--out", second.string(), "--quiet"},
        dir.path());
    ASSERT_EQ(o.exitStatus, 0) << o.err;
    const auto d = readSummary(second);
    EXPECT_NEAR(d["appliedLoad"][0].num(), 50.0, 1e-9) << "the turned load pulls along +x";
    EXPECT_NEAR(d["appliedLoad"][1].num(), 0.0, 1e-9);
    expectEquilibrium(d);

    // A glyph moved off the region is named as the report numbers loads and supports, from 0, with
    // its handle.
    const char* const away = R"(import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
glyphs = [i for i in doc.modelspace().query('INSERT') if i.has_xdata('CAEANALYZE2D')]
glyphs[1].dxf.insert = (5000.0, 5000.0)
doc.saveas(sys.argv[2])
)";
    const fs::path moved = dir.path() / "moved.dxf";
    ASSERT_EQ(runPython(dir.path(), away, {(first / "drawing.dxf").string(), moved.string()}), 0);
    o = runCae({"analyze2d", file.string(), "--loads-from", moved.string(), "--quiet"}, dir.path());
    EXPECT_EQ(o.exitStatus, 2);
    EXPECT_NE(o.err.find(moved.string() + ": glyph block reference 1 (handle "), std::string::npos) << o.err;

    // A drawing without glyph blocks gives no set-up.
    const fs::path empty = dir.path() / "empty.dxf";
    ASSERT_EQ(runPython(dir.path(), "import sys, ezdxf\nezdxf.new('R2000').saveas(sys.argv[1])\n",
                        {empty.string()}),
              0);
    o = runCae({"analyze2d", file.string(), "--loads-from", empty.string()}, dir.path());
    EXPECT_EQ(o.exitStatus, 2);
    EXPECT_NE(o.err.find(empty.string() + ": the drawing holds no load or support glyph block"),
              std::string::npos)
        << o.err;
}

TEST(CaeDrawnRegion, ADrawnRegionGivesTheMeshAndStressesOfTheSameRegionTyped)
{
    TempDir dir;
    // A bracket: lines, a fillet ARC, a LWPOLYLINE with a half-circle bulge, a SPLINE end, a
    // CIRCLE and an ELLIPSE as holes; the same curves typed into the analysis file.
    cae_app_test::DxfText dxf(4);
    dxf.line(0, 0, 60, 0)
        .spline(3, {0, 0, 0, 0, 1, 1, 1, 1}, {{60, 0}, {66, 5}, {66, 15}, {60, 20}})
        .line(60, 20, 35, 20)
        .arc(35, 25, 5, 180, 270)
        .polyline({{{30, 25, 0}, {30, 40, 0}, {0, 40, 0}, {0, 30, 1}, {0, 10, 0}, {0, 0, 0}}}, false)
        .circle(12, 25, 4)
        .ellipse(45, 10, 6, 2, 0.5, 0, 2 * std::numbers::pi)
        .other("MTEXT", "NOTES");
    spit(dir.path() / "part.dxf", dxf.text());
    const std::string rest = R"(,
      "mode": "planeStress", "elementType": "triangle6",
      "material": {"thickness": 5, "youngsModulus": 70000, "poissonRatio": 0.33, "yield": 240},
      "mesh": {"size": 2.5},
      "loadsAndSupports": [
        {"linearLoad": {"start": [60, 20], "end": [40, 20], "magnitude": 10, "angleDeg": 90, "flipped": true}},
        {"linearSupport": {"start": [30, 40], "end": [0, 40], "flipped": true}}]})";
    spit(dir.path() / "drawn.json",
         R"({"drawing": {"measurement": "metric"}, "region": {"dxf": "part.dxf", "layer": "PART"})" + rest);
    spit(dir.path() / "typed.json", R"({"drawing": {"measurement": "metric", "insunits": "millimeters"},
      "region": {"outer": [
        {"line": {"from": [0, 0], "to": [60, 0]}},
        {"nurbs": {"degree": 3, "controlPoints": [[60, 0], [66, 5], [66, 15], [60, 20]], "knots": [0, 0, 0, 0, 1, 1, 1, 1]}},
        {"line": {"from": [60, 20], "to": [35, 20]}},
        {"arc": {"center": [35, 25], "radius": 5, "startAngleDeg": 180, "endAngleDeg": 270}},
        {"line": {"from": [30, 25], "to": [30, 40]}},
        {"line": {"from": [30, 40], "to": [0, 40]}},
        {"line": {"from": [0, 40], "to": [0, 30]}},
        {"arc": {"center": [0, 20], "radius": 10, "startAngleDeg": 90, "endAngleDeg": 270}},
        {"line": {"from": [0, 10], "to": [0, 0]}}],
      "holes": [[{"circle": {"center": [12, 25], "radius": 4}}],
                [{"ellipse": {"center": [45, 10], "majorAxis": [6, 2], "ratio": 0.5}}]]})" +
                                        rest);

    std::vector<Json> summaries;
    for (const char* name : {"drawn", "typed"})
    {
        const fs::path out = dir.path() / name;
        const Outcome o = runCae({"analyze2d", (dir.path() / (std::string(name) + ".json")).string(), "--out",
                                  out.string(), "--quiet"},
                                 dir.path());
        ASSERT_EQ(o.exitStatus, 0) << name << ": " << o.err;
        summaries.push_back(readSummary(out));
    }
    const Json& drawn = summaries[0];
    const Json& typed = summaries[1];
    EXPECT_STREQ(drawn["status"].str(), "solved");
    EXPECT_EQ(drawn["mesh"]["triangles"].u64(), typed["mesh"]["triangles"].u64());
    EXPECT_NEAR(drawn["maxVonMises"].num(), typed["maxVonMises"].num(), 1e-9 * typed["maxVonMises"].num());
    EXPECT_NEAR(drawn["maxDisplacement"].num(), typed["maxDisplacement"].num(),
                1e-9 * typed["maxDisplacement"].num());
    for (int k = 0; k < 2; ++k)
        EXPECT_NEAR(drawn["reactions"][0]["force"][k].num(), typed["reactions"][0]["force"][k].num(), 1e-6);
}
