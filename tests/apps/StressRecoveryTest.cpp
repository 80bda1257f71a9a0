// Runs the built `cae` on problems with closed-form stresses and reads the nodal stresses of the
// result file and of the probes, as a user would, without fitting anything.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <rapidjson/document.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace
{
namespace fs = std::filesystem;
using cae_app_test::quote;
using cae_app_test::slurp;
using cae_app_test::spit;
using cae_app_test::TempDir;

/// A quarter of a 60 x 60 plate with a hole of radius 1 at its centre, pulled by 100 MPa along x;
/// rolling supports on the symmetry lines. Thirty radii to the edges leave the hole's stresses within
/// a few tenths of a percent of the infinite plate's.
constexpr const char* kKirsch = R"({
  "drawing": {"measurement": "metric", "insunits": "millimeters"},
  "region": {"outer": [
      {"line": {"from": [1, 0], "to": [30, 0]}},
      {"line": {"from": [30, 0], "to": [30, 30]}},
      {"line": {"from": [30, 30], "to": [0, 30]}},
      {"line": {"from": [0, 30], "to": [0, 1]}},
      {"arc": {"center": [0, 0], "radius": 1, "startAngleDeg": 0, "endAngleDeg": 90}}]},
  "mode": "planeStress",
  "elementType": "triangle6",
  "material": {"thickness": 1, "youngsModulus": 210000, "poissonRatio": 0.3, "yield": 235},
  "mesh": {"size": 3, "refinementRegions": [{"circle": {"center": [0, 0], "radius": 4}, "ratio": 12}]},
  "loadsAndSupports": [
    {"linearLoad": {"start": [30, 0], "end": [30, 30], "magnitude": 100, "angleDeg": -90,
                    "angleRelativeToBoundary": true, "flipped": true}},
    {"linearSupport": {"start": [1, 0], "end": [30, 0], "rolling": true, "flipped": true}},
    {"linearSupport": {"start": [0, 30], "end": [0, 1], "rolling": true, "flipped": true}}]
})";
constexpr double kKirschLoad = 100.0;

/// A quarter of a thick cylinder, bore 10 and outside 20, under 100 MPa inside, in plane strain.
constexpr const char* kLame = R"({
  "drawing": {"measurement": "metric", "insunits": "millimeters"},
  "region": {"outer": [
      {"line": {"from": [10, 0], "to": [20, 0]}},
      {"arc": {"center": [0, 0], "radius": 20, "startAngleDeg": 0, "endAngleDeg": 90}},
      {"line": {"from": [0, 20], "to": [0, 10]}},
      {"arc": {"center": [0, 0], "radius": 10, "startAngleDeg": 0, "endAngleDeg": 90}}]},
  "mode": "planeStrain",
  "elementType": "triangle6",
  "material": {"thickness": 1, "youngsModulus": 210000, "poissonRatio": 0.3, "yield": 235},
  "mesh": {"size": 1},
  "loadsAndSupports": [
    {"linearLoad": {"start": [0, 10], "end": [10, 0], "magnitude": 100, "angleDeg": 90,
                    "angleRelativeToBoundary": true, "flipped": true}},
    {"linearSupport": {"start": [10, 0], "end": [20, 0], "rolling": true, "flipped": true}},
    {"linearSupport": {"start": [0, 20], "end": [0, 10], "rolling": true, "flipped": true}}]
})";

/// Exit status of `cae` with `args`; its output goes to `scratch`/out.txt.
int cae(const std::string& args, const fs::path& scratch)
{
    const std::string command =
        quote(CAE_PROGRAM) + " " + args + " >" + quote((scratch / "out.txt").string()) + " 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

/// Solves `analysis` into `scratch`/out with `options`, expecting success.
fs::path solve(const fs::path& scratch, const std::string& analysis, const std::string& options)
{
    const fs::path file = scratch / "analysis.json", out = scratch / "out";
    spit(file, analysis);
    const int status =
        cae("analyze2d " + quote(file.string()) + " --out " + quote(out.string()) + " " + options, scratch);
    EXPECT_EQ(status, 0) << slurp(scratch / "out.txt");
    return out;
}

/// The point arrays of a 2D result file, and its points.
struct Nodes
{
    std::vector<double> points, sxx, syy, sxy;

    explicit Nodes(const std::string& vtu)
        : points(cae_app_test::vtuPoints(vtu)), sxx(cae_app_test::vtuArray(vtu, "Name=\"sxx\"")),
          syy(cae_app_test::vtuArray(vtu, "Name=\"syy\"")), sxy(cae_app_test::vtuArray(vtu, "Name=\"sxy\""))
    {
    }
    /// The node at (x, y), or -1.
    int at(double x, double y) const
    {
        for (std::size_t i = 0; i + 2 < points.size(); i += 3)
            if (std::hypot(points[i] - x, points[i + 1] - y) < 1e-9)
                return static_cast<int>(i / 3);
        return -1;
    }
};

rapidjson::Document summary(const fs::path& out)
{
    rapidjson::Document d;
    d.Parse(slurp(out / "summary.json").c_str());
    EXPECT_FALSE(d.HasParseError());
    return d;
}

/// The shortest text that reads back as `v`.
std::string exact(double v)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
    return std::string(buffer, end);
}

double probeValue(const rapidjson::Document& d, int probe, const char* name)
{
    return d["probes"][probe]["values"][name]["value"].GetDouble();
}
} // namespace

TEST(NodalStresses, KirschHoopStressAtTheHoleIsThreeTimesThePullAtTheNodeAndAtTheProbe)
{
    const TempDir dir;
    const fs::path out = solve(dir.path(), kKirsch, "--quiet --probe 0,1");
    const std::string vtu = slurp(out / "result.vtu");
    // Six-node triangles with all their nodes.
    EXPECT_NE(vtu.find("Name=\"types\" format=\"ascii\">\n          22 22"), std::string::npos);
    const Nodes nodes(vtu);
    const int top = nodes.at(0.0, 1.0);
    ASSERT_GE(top, 0);
    EXPECT_NEAR(nodes.sxx[top], 3.0 * kKirschLoad, 0.01 * 3.0 * kKirschLoad);
    const rapidjson::Document d = summary(out);
    EXPECT_NEAR(probeValue(d, 0, "sxx"), 3.0 * kKirschLoad, 0.01 * 3.0 * kKirschLoad);
    EXPECT_NEAR(probeValue(d, 0, "s1"), 3.0 * kKirschLoad, 0.01 * 3.0 * kKirschLoad);
    EXPECT_STREQ(d["probes"][0]["values"]["sxx"]["unit"].GetString(), "MPa");
    // The largest principal stress of the part is there too.
    const auto& s1 = d["principalStresses"]["s1"]["max"];
    EXPECT_NEAR(s1["value"].GetDouble(), 3.0 * kKirschLoad, 0.01 * 3.0 * kKirschLoad);
    EXPECT_NEAR(s1["point"][0].GetDouble(), 0.0, 1e-9);
    EXPECT_NEAR(s1["point"][1].GetDouble(), 1.0, 1e-9);
}

TEST(NodalStresses, LameCylinderRadialAndHoopStressesAtBoreAndOuterFace)
{
    const TempDir dir;
    const fs::path out = solve(dir.path(), kLame, "--quiet --consistent-loads");
    const Nodes nodes(slurp(out / "result.vtu"));
    const double a = 10.0, b = 20.0, p = 100.0, k = b * b / (a * a) - 1.0;
    // Along the x axis sxx is radial and syy hoop; along the y axis the other way round.
    for (const double r : {a, b})
    {
        const double radial = -p * (b * b / (r * r) - 1.0) / k, hoop = p * (b * b / (r * r) + 1.0) / k;
        const int onX = nodes.at(r, 0.0), onY = nodes.at(0.0, r);
        ASSERT_GE(onX, 0) << r;
        ASSERT_GE(onY, 0) << r;
        EXPECT_NEAR(nodes.sxx[onX], radial, 0.01 * p) << "radial at r = " << r;
        EXPECT_NEAR(nodes.syy[onX], hoop, 0.01 * hoop) << "hoop at r = " << r;
        EXPECT_NEAR(nodes.syy[onY], radial, 0.01 * p) << "radial at r = " << r;
        EXPECT_NEAR(nodes.sxx[onY], hoop, 0.01 * hoop) << "hoop at r = " << r;
    }
}

TEST(NodalStresses, AProbeReadsTheUndeformedPartWhateverThePicturesDeformation)
{
    // Just outside the pulled edge, where a picture deformed a thousandfold has material, and inside.
    const TempDir dir;
    std::vector<std::array<double, 2>> inside;
    for (const char* deform : {"none", "large", "1000"})
    {
        const fs::path out = solve(
            dir.path(), kKirsch,
            std::string("--quiet --picture-size 40x30 --probe 30.5,15 --probe 20,10 --deform ") + deform);
        const rapidjson::Document d = summary(out);
        EXPECT_FALSE(d["probes"][0]["inside"].GetBool()) << deform;
        EXPECT_TRUE(d["probes"][0]["values"].IsNull()) << deform;
        EXPECT_STREQ(d["probes"][0]["rows"][2]["value"].GetString(), "N/A") << deform;
        ASSERT_TRUE(d["probes"][1]["inside"].GetBool()) << deform;
        inside.push_back({probeValue(d, 1, "sxx"), probeValue(d, 1, "ux")});
    }
    EXPECT_EQ(inside[1], inside[0]);
    EXPECT_EQ(inside[2], inside[0]);
}

TEST(NodalStresses, ParaViewReadsTheResultFile)
{
    if (std::system("command -v pvpython >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "pvpython (Debian's python3-paraview) is not installed";
    const TempDir dir;
    const fs::path out = solve(dir.path(), kKirsch, "--quiet");
    const Nodes nodes(slurp(out / "result.vtu"));
    const int top = nodes.at(0.0, 1.0);
    ASSERT_GE(top, 0);
    const char* const script = R"(import sys
from paraview import servermanager
from paraview.simple import XMLUnstructuredGridReader
reader = XMLUnstructuredGridReader(FileName=[sys.argv[1]])
reader.UpdatePipeline()
grid = servermanager.Fetch(reader)
points = grid.GetPointData()
names = sorted(points.GetArrayName(i) for i in range(points.GetNumberOfArrays()))
expected = sorted(["vonMises", "sxx", "syy", "sxy", "s1", "s2", "s1Angle", "displacement", "reaction"])
if names != expected:
    sys.exit("point arrays %s" % names)
types = set(grid.GetCellType(i) for i in range(grid.GetNumberOfCells()))
if types != {22}:
    sys.exit("cell types %s" % types)
units = grid.GetFieldData().GetAbstractArray("units")
texts = [units.GetValue(i) for i in range(units.GetNumberOfValues())]
if "sxx: MPa" not in texts or "displacement: mm" not in texts:
    sys.exit("units %s" % texts)
value = points.GetArray("sxx").GetValue(int(sys.argv[2]))
if abs(value - float(sys.argv[3])) > 1e-9 * abs(float(sys.argv[3])):
    sys.exit("sxx %r" % value)
)";
    spit(dir.path() / "read.py", script);
    const std::string command = "pvpython " + quote((dir.path() / "read.py").string()) + " " +
                                quote((out / "result.vtu").string()) + " " + std::to_string(top) + " " +
                                exact(nodes.sxx[top]) + " >" + quote((dir.path() / "pv.txt").string()) +
                                " 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << slurp(dir.path() / "pv.txt");
}
