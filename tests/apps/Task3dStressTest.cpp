// The stresses of `cae task3d`: the tensor and principal stresses per grid in result.vtu, the probe,
// and the stress colours, against closed forms, CalculiX on the same mesh and ParaView's reader.
#include "TestSupport.h"

#include <rapidjson/document.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using cae_app_test::Outcome;
using cae_app_test::quote;
using cae_app_test::run;
using cae_app_test::slurp;
using cae_app_test::sourceDir;
using cae_app_test::spit;
using cae_app_test::TempDir;
using cae_app_test::vtuArray;
using cae_app_test::vtuPoints;

namespace
{
bool available(const char* program)
{
    return std::system(("command -v " + std::string(program) + " > /dev/null 2>&1").c_str()) == 0;
}

/// Solves the task file `text` under the running test's name (its deck title tells its working folder
/// from those of tests running beside it), with `extra` options.
rapidjson::Document solve(const std::string& text, const TempDir& dir,
                          const std::vector<std::string>& extra = {})
{
    const fs::path file =
        dir.path() / (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".json");
    spit(file, text);
    // A kept working folder goes into the test's own folder, which is removed after it.
    std::string command = "TMPDIR=" + quote(dir.path().string()) + " " + quote(CAE_PROGRAM) + " task3d " +
                          quote(file.string()) + " --out " + quote((dir.path() / "out").string()) +
                          " --quiet";
    for (const auto& a : extra)
        command += " " + quote(a);
    const Outcome o = run(command, dir.path());
    EXPECT_EQ(o.exitStatus, 0) << o.err;
    rapidjson::Document d;
    d.Parse<rapidjson::kParseFullPrecisionFlag>(slurp(dir.path() / "out" / "summary.json").c_str());
    return d;
}

/// The six components (xx, yy, zz, xy, yz, zx) per point of result.vtu's tensor, in MPa.
std::vector<double> tensors(const TempDir& dir)
{
    return vtuArray(slurp(dir.path() / "out" / "result.vtu"), "Name=\"stress [MPa]\"");
}

/// A box 40 x 10 x 10 mm sliding on its three faces through the origin and pulled by 100 MPa on its far
/// end: uniaxial tension, sxx = 100 MPa everywhere, u = p / E (x, -nu y, -nu z).
const char* kPulledBar = R"({"drawing": {"insunits": "millimeters", "modelling": "si"},
  "solid": {"box": {"corner": [0, 0, 0], "size": [40, 10, 10]}},
  "material": {"youngsModulus": 200e9, "poissonRatio": 0.3},
  "meshing": {"size": 5},
  "features": [{"slide": {"faces": [{"point": [0, 5, 5]}]}},
               {"slide": {"faces": [{"point": [20, 0, 5]}]}},
               {"slide": {"faces": [{"point": [20, 5, 0]}]}},
               {"pressure": {"magnitude": 100e6, "units": "Pa", "direction": [1, 0, 0],
                             "faces": [{"point": [40, 5, 5]}]}}]})";

TEST(Task3dStresses, ABarInTensionCarriesThePullAsSxxAloneAtEveryGridAndAtAProbe)
{
    TempDir dir;
    const auto d = solve(kPulledBar, dir, {"--probe", "12.5,3,7", "--probe", "41,5,5"});
    ASSERT_TRUE(d.IsObject() && d["status"] == "solved");
    const double p = 100.0;
    // The printout's seven digits bound the agreement.
    const double tolerance = 1e-6 * p;
    const std::vector<double> s = tensors(dir);
    const std::string vtu = slurp(dir.path() / "out" / "result.vtu");
    const std::vector<double> s1 = vtuArray(vtu, "Name=\"s1 [MPa]\""),
                              s3 = vtuArray(vtu, "Name=\"s3 [MPa]\""),
                              vonMises = vtuArray(vtu, "Name=\"vonMises [MPa]\"");
    const std::uint64_t points = d["mesh"]["vertices"].GetUint64();
    ASSERT_EQ(s.size(), 6 * points);
    ASSERT_EQ(s1.size(), points);
    for (std::uint64_t i = 0; i < points; ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_NEAR(s[6 * i], p, tolerance);
        for (int c = 1; c < 6; ++c)
            EXPECT_NEAR(s[6 * i + c], 0.0, tolerance) << "component " << c;
        EXPECT_NEAR(s1[i], p, tolerance);
        EXPECT_NEAR(s3[i], 0.0, tolerance);
        EXPECT_NEAR(vonMises[i], p, tolerance) << "mid grids too";
    }
    EXPECT_NEAR(d["maxS1"]["value"].GetDouble(), p, tolerance);
    EXPECT_STREQ(d["maxS1"]["unit"].GetString(), "MPa");
    EXPECT_NEAR(d["minS3"]["value"].GetDouble(), 0.0, tolerance);

    const auto& inside = d["probes"][0];
    ASSERT_TRUE(inside["inside"].GetBool());
    const double strain = p / 200e3;
    const double u[] = {strain * 12.5, -0.3 * strain * 3, -0.3 * strain * 7};
    for (unsigned k = 0; k < 3; ++k)
        EXPECT_NEAR(inside["displacement"]["value"][k].GetDouble(), u[k], 1e-6 * strain * 40) << k;
    EXPECT_NEAR(inside["stress"]["xx"].GetDouble(), p, tolerance);
    EXPECT_NEAR(inside["stress"]["yz"].GetDouble(), 0.0, tolerance);
    EXPECT_NEAR(inside["principal"]["s1"].GetDouble(), p, tolerance);
    EXPECT_NEAR(inside["vonMises"]["value"].GetDouble(), p, tolerance);
    EXPECT_STREQ(inside["vonMises"]["unit"].GetString(), "MPa");
    const auto& outside = d["probes"][1];
    EXPECT_FALSE(outside["inside"].GetBool());
    EXPECT_TRUE(outside["stress"].IsNull() && outside["displacement"].IsNull() &&
                outside["vonMises"].IsNull());
}

TEST(Task3dStresses, ABlockInPureShearHasPrincipalStressesOfPlusAndMinusTauAt45Degrees)
{
    // Shear tractions of 50 MPa round a 10 mm cube; z held by a slide, and two edges along z hold the
    // simple-shear field (u = gamma (y, 0, 0)) without a reaction.
    TempDir dir;
    const auto d = solve(R"({"drawing": {"insunits": "millimeters", "modelling": "si"},
  "solid": {"box": {"corner": [0, 0, 0], "size": [10, 10, 10]}},
  "material": {"youngsModulus": 70e9, "poissonRatio": 0.33},
  "meshing": {"size": 5},
  "features": [{"pressure": {"magnitude": 50e6, "units": "Pa", "direction": [1, 0, 0], "faces": [{"point": [5, 10, 5]}]}},
               {"pressure": {"magnitude": 50e6, "units": "Pa", "direction": [-1, 0, 0], "faces": [{"point": [5, 0, 5]}]}},
               {"pressure": {"magnitude": 50e6, "units": "Pa", "direction": [0, 1, 0], "faces": [{"point": [10, 5, 5]}]}},
               {"pressure": {"magnitude": 50e6, "units": "Pa", "direction": [0, -1, 0], "faces": [{"point": [0, 5, 5]}]}},
               {"slide": {"faces": [{"point": [5, 5, 0]}]}},
               {"hold": {"edges": [{"point": [0, 0, 5]}], "components": "12"}},
               {"hold": {"edges": [{"point": [10, 0, 5]}], "components": "2"}}]})",
                         dir, {"--probe", "3,6,4"});
    ASSERT_TRUE(d.IsObject() && d["status"] == "solved");
    const double tau = 50.0, tolerance = 1e-6 * tau;
    const std::vector<double> s = tensors(dir);
    const std::string vtu = slurp(dir.path() / "out" / "result.vtu");
    const std::vector<double> principal[] = {vtuArray(vtu, "Name=\"s1 [MPa]\""),
                                             vtuArray(vtu, "Name=\"s2 [MPa]\""),
                                             vtuArray(vtu, "Name=\"s3 [MPa]\"")};
    ASSERT_FALSE(s.empty());
    for (std::size_t i = 0; i < s.size() / 6; ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_NEAR(s[6 * i + 3], tau, tolerance);
        EXPECT_NEAR(principal[0][i], tau, tolerance);
        EXPECT_NEAR(principal[1][i], 0.0, tolerance);
        EXPECT_NEAR(principal[2][i], -tau, tolerance);
        // The normal stress across the planes at 45 degrees to x and y: the principal ones.
        const double xx = s[6 * i], yy = s[6 * i + 1], xy = s[6 * i + 3];
        EXPECT_NEAR(0.5 * (xx + yy) + xy, tau, tolerance);
        EXPECT_NEAR(0.5 * (xx + yy) - xy, -tau, tolerance);
    }
    const auto& probe = d["probes"][0];
    EXPECT_NEAR(probe["principal"]["s1"].GetDouble(), tau, tolerance);
    EXPECT_NEAR(probe["principal"]["s3"].GetDouble(), -tau, tolerance);
    EXPECT_NEAR(probe["vonMises"]["value"].GetDouble(), std::sqrt(3.0) * tau, tolerance);
}

TEST(Task3dStresses, CalculixAgreesOnEveryComponentAtTheCornerGridsOfTheSameMesh)
{
    if (!available("ccx"))
        GTEST_SKIP() << "CalculiX (ccx) is not installed";
    // A bent and twisted cantilever: every component varies over the mesh.
    TempDir dir;
    const auto d = solve(R"({"drawing": {"insunits": "millimeters", "modelling": "si"},
  "solid": {"box": {"corner": [0, 0, 0], "size": [30, 10, 8]}},
  "material": {"youngsModulus": 200e9, "poissonRatio": 0.3},
  "meshing": {"size": 4},
  "features": [{"fix": {"faces": [{"point": [0, 5, 4]}]}},
               {"force": {"vector": [40, -300, 200], "units": "N", "faces": [{"point": [30, 5, 4]}]}},
               {"pressure": {"magnitude": 2e6, "units": "Pa", "faces": [{"point": [15, 10, 4]}]}}]})",
                         dir, {"--keep-work"});
    ASSERT_TRUE(d.IsObject() && d["status"] == "solved");
    const fs::path corners = dir.path() / "corners.txt";
    const Outcome o =
        run("/usr/bin/python3 " + quote((sourceDir() / "tests" / "apps" / "deck_to_calculix.py").string()) +
                " " + quote((fs::path(d["workingFolder"].GetString()) / "task.dat").string()) + " " +
                quote((dir.path() / "calculix").string()) + " " + quote(corners.string()),
            dir.path());
    std::error_code ignored;
    fs::remove_all(d["workingFolder"].GetString(), ignored);
    ASSERT_EQ(o.exitStatus, 0) << o.err;

    // The grids by their position: the deck prints coordinates to eight digits.
    const std::string vtu = slurp(dir.path() / "out" / "result.vtu");
    const std::vector<double> xyz = vtuPoints(vtu), s = tensors(dir);
    const auto nearest = [&](double x, double y, double z)
    {
        std::size_t best = 0;
        double distance = std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < xyz.size() / 3; ++i)
            if (const double d = std::hypot(xyz[3 * i] - x, xyz[3 * i + 1] - y, xyz[3 * i + 2] - z);
                d < distance)
            {
                distance = d;
                best = i;
            }
        return std::make_pair(best, distance);
    };
    std::vector<std::pair<std::size_t, std::array<double, 6>>> reference;
    double largest = 0.0;
    std::ifstream in(corners);
    for (std::array<double, 9> v; in >> v[0] >> v[1] >> v[2] >> v[3] >> v[4] >> v[5] >> v[6] >> v[7] >> v[8];)
    {
        // CalculiX works in the deck's m and Pa, the file in mm and MPa.
        const auto [point, distance] = nearest(1e3 * v[0], 1e3 * v[1], 1e3 * v[2]);
        ASSERT_LT(distance, 1e-3) << v[0] << " " << v[1] << " " << v[2];
        std::array<double, 6> t{};
        for (std::size_t c = 0; c < 6; ++c)
        {
            t[c] = 1e-6 * v[3 + c];
            largest = std::max(largest, std::abs(t[c]));
        }
        reference.emplace_back(point, t);
    }
    ASSERT_GT(reference.size(), 50u);
    for (const auto& [i, t] : reference)
        for (std::size_t c = 0; c < 6; ++c)
            EXPECT_NEAR(s[6 * i + c], t[c], 1e-5 * largest) << "point " << i << ", component " << c;
}

TEST(Task3dStresses, ParaviewReadsTheTensorThePrincipalStressesAndTheUnitsOfTenNodeCells)
{
    if (!available("pvpython"))
        GTEST_SKIP() << "ParaView's pvpython is not installed";
    TempDir dir;
    std::string bar = kPulledBar;
    bar.replace(bar.find("\"size\": 5"), 9, "\"size\": 10");
    const auto d = solve(bar, dir);
    ASSERT_TRUE(d.IsObject() && d["status"] == "solved");
    const Outcome o =
        run("pvpython " + quote((sourceDir() / "tests" / "apps" / "read_task_vtu.py").string()) + " " +
                quote((dir.path() / "out" / "result.vtu").string()),
            dir.path());
    ASSERT_EQ(o.exitStatus, 0) << o.err;
    std::map<std::string, std::string> seen;
    std::istringstream lines(o.out);
    for (std::string line; std::getline(lines, line);)
    {
        const auto blank = line.find(' ');
        if (blank == std::string::npos)
            continue;
        const std::string kind = line.substr(0, blank), rest = line.substr(blank + 1);
        const auto last = rest.rfind(' ');
        if (kind == "value")
            seen["value " + rest.substr(0, last)] = rest.substr(last + 1);
        else if (kind == "point" || kind == "field")
            seen[kind + " " + rest.substr(0, last)] = rest.substr(last + 1);
        else
            seen[kind] = rest;
    }
    EXPECT_EQ(seen["cells"], "24") << o.out;
    EXPECT_EQ(seen["tensors"], "stress [MPa]");
    EXPECT_EQ(seen["point stress [MPa]"], "6");
    for (const char* name : {"s1 [MPa]", "s2 [MPa]", "s3 [MPa]", "vonMises [MPa]"})
        EXPECT_EQ(seen["point " + std::string(name)], "1") << name;
    EXPECT_EQ(seen["field stress unit"], "MPa") << "the field data name the units";
    EXPECT_EQ(seen["field length unit"], "mm");
    EXPECT_NEAR(std::stod(seen["value stress [MPa] 0"]), 100.0, 1e-4);
    EXPECT_NEAR(std::stod(seen["value s1 [MPa] 0"]), 100.0, 1e-4);
}
} // namespace
