// The `cae analyze2d --converge` runs that a user would trust or be warned by.
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using cae_app_test::examplesDir;
using cae_app_test::Outcome;
using cae_app_test::quote;
using cae_app_test::slurp;
using cae_app_test::spit;
using cae_app_test::TempDir;

namespace
{
Outcome runCae(const std::vector<std::string>& args, const fs::path& scratch)
{
    std::string command = quote(CAE_PROGRAM);
    for (const auto& a : args)
        command += " " + quote(a);
    return cae_app_test::run(command, scratch);
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

rapidjson::Document convergenceOf(const fs::path& summary)
{
    rapidjson::Document d;
    d.Parse(slurp(summary).c_str());
    EXPECT_FALSE(d.HasParseError());
    return d;
}

TEST(ConvergeProgram, PlateWithHoleReachesTheHandbookConcentrationFactor)
{
    // The example's plate, started coarse away from the hole so that the mesher's budget leaves
    // room for three halvings; the hole's edge goes from 2 to 0.5 mm.
    const TempDir dir;
    std::string text = slurp(examplesDir() / "plate_with_hole.json");
    text = replaced(text, "\"size\": 4", "\"size\": 16");
    text = replaced(text, "\"ratio\": 4", "\"ratio\": 8");
    spit(dir.path() / "plate.json", text);
    const fs::path out = dir.path() / "out";
    const Outcome o =
        runCae({"analyze2d", (dir.path() / "plate.json").string(), "--converge", "1%", "--out", out.string()},
               dir.path());
    ASSERT_EQ(o.exitStatus, 0) << o.err;
    EXPECT_NE(o.out.find("Extrapolated max von Mises"), std::string::npos) << o.out;

    const rapidjson::Document d = convergenceOf(out / "summary.json");
    ASSERT_TRUE(d.HasMember("convergence")) << o.out;
    const auto& c = d["convergence"];
    EXPECT_STREQ(c["end"].GetString(), "converged") << o.out;
    EXPECT_GE(c["steps"].Size(), 3u);
    ASSERT_TRUE(c["maxVonMises"].IsObject()) << o.out;
    // Howland's factor for a hole of a tenth of the strip's width: 3.03 times the 50 MPa pull.
    const double handbook = 3.03 * 50.0;
    EXPECT_NEAR(c["maxVonMises"]["value"].GetDouble(), handbook, 0.01 * handbook) << o.out;
    // Six-node triangles: stresses converge with h^2, less where the stress field is steep.
    const double order = c["maxVonMises"]["order"].GetDouble();
    EXPECT_GT(order, 1.3) << o.out;
    EXPECT_LT(order, 3.0) << o.out;
    for (const char* picture : {"convergence.svg", "convergence.png"})
        EXPECT_GT(fs::file_size(out / picture), 100u) << picture;
}

TEST(ConvergeProgram, NamesTheStressAtAReEntrantCornerSingular)
{
    // An L pulled at the top of its upright and guided on rollers along its foot: nothing but the
    // inner corner at (50, 50) concentrates stress without bound.
    const TempDir dir;
    spit(dir.path() / "l.json", R"({
  "drawing": {"measurement": "metric", "insunits": "millimeters"},
  "region": {"outer": [
      {"line": {"from": [0, 0], "to": [100, 0]}}, {"line": {"from": [100, 0], "to": [100, 50]}},
      {"line": {"from": [100, 50], "to": [50, 50]}}, {"line": {"from": [50, 50], "to": [50, 100]}},
      {"line": {"from": [50, 100], "to": [0, 100]}}, {"line": {"from": [0, 100], "to": [0, 0]}}]},
  "mode": "planeStress",
  "elementType": "triangle6",
  "material": {"thickness": 5, "youngsModulus": 210000, "poissonRatio": 0.3, "yield": 235},
  "mesh": {"size": 10},
  "loadsAndSupports": [
    {"linearLoad": {"start": [50, 100], "end": [0, 100], "magnitude": 100, "angleDeg": -90,
                    "angleRelativeToBoundary": true, "flipped": true}},
    {"linearSupport": {"start": [0, 0], "end": [100, 0], "rolling": true, "flipped": true}},
    {"pointSupport": {"location": [0, 0], "rolling": true, "direction": [1, 0]}}
  ]
})");
    const fs::path out = dir.path() / "out";
    const Outcome o = runCae(
        {"analyze2d", (dir.path() / "l.json").string(), "--converge", "--out", out.string()}, dir.path());
    ASSERT_EQ(o.exitStatus, 0) << o.err;
    EXPECT_NE(o.out.find("singular"), std::string::npos) << o.out;
    const rapidjson::Document d = convergenceOf(out / "summary.json");
    const auto& c = d["convergence"];
    EXPECT_STREQ(c["end"].GetString(), "singular") << o.out;
    EXPECT_TRUE(c["maxVonMises"].IsNull()) << o.out;
}

TEST(ConvergeProgram, NamesTheStressAtTheEdgeOfAFixedFaceSingularIn3d)
{
    // A small bar clamped at one end and pressed on its top: the clamped face's edges are where
    // the stress grows as the tetrahedra get smaller.
    const TempDir dir;
    spit(dir.path() / "bar.json", R"({
  "drawing": {"insunits": "millimeters", "modelling": "si"},
  "solid": {"box": {"corner": [0, 0, 0], "size": [40, 10, 10]}},
  "material": {"name": "steel", "youngsModulus": 210e9, "poissonRatio": 0.3, "yield": 250e6},
  "meshing": {"size": 5},
  "features": [
    {"fix": {"faces": [{"point": [0, 5, 5]}]}},
    {"pressure": {"magnitude": 1e6, "units": "Pa", "faces": [{"point": [20, 5, 10]}]}}
  ]
})");
    const Outcome o = runCae(
        {"task3d", (dir.path() / "bar.json").string(), "--converge", "--out", (dir.path() / "out").string()},
        dir.path());
    ASSERT_EQ(o.exitStatus, 0) << o.err;
    EXPECT_NE(o.out.find("Not converging"), std::string::npos) << o.out;
    EXPECT_EQ(o.out.find("Extrapolated max von Mises"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("element size 2.222"), std::string::npos) << o.out;
    // The first run's summary gains the study, its stress not extrapolated.
    const rapidjson::Document d = convergenceOf(dir.path() / "out" / "summary.json");
    ASSERT_TRUE(d.HasMember("convergence") && d["convergence"].IsObject());
    EXPECT_EQ(std::string(d["convergence"]["end"].GetString()), "singular");
    EXPECT_EQ(d["convergence"]["steps"].Size(), 3u);
    EXPECT_TRUE(d["convergence"]["steps"][0].HasMember("tetrahedra"));
    EXPECT_TRUE(d["convergence"]["maxVonMises"].IsNull());
}
} // namespace
