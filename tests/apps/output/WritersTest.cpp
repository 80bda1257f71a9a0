#include "apps/output/AtomicFile.h"
#include "apps/output/Summary.h"
#include "apps/output/VtuWriter.h"

#include "tests/apps/TestSupport.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <cmath>
#include <filesystem>

using namespace cae_app;
namespace fs = std::filesystem;

namespace
{
using cae_app_test::hasTemporaryFiles;
using cae_app_test::slurp;
using cae_app_test::TempDir;

std::vector<double> arrayValues(const std::string& vtu, const std::string& name)
{
    return cae_app_test::vtuArray(vtu, "Name=\"" + name + "\"");
}
} // namespace

TEST(AtomicFileWriting, ReplacesTheTargetWithTheFullContentUnderAHiddenMarkedTemporaryName)
{
    TempDir dir;
    const fs::path target = dir.path() / "summary.json";
    writeFileAtomically(target, "old");
    writeFileAtomically(target, std::string(1 << 20, 'x'));
    EXPECT_EQ(slurp(target), std::string(1 << 20, 'x'));
    EXPECT_FALSE(hasTemporaryFiles(dir.path()));
    EXPECT_TRUE(isTemporaryName(".summary.json.tmp-12-0"));
    EXPECT_FALSE(isTemporaryName("summary.json"));
    EXPECT_FALSE(isTemporaryName(".hidden"));
}

TEST(AtomicFileWriting, AFailedWriteKeepsThePreviousFileAndLeavesNoTemporary)
{
    TempDir dir;
    // A folder where the file should go cannot be replaced by a file: the rename fails.
    const fs::path target = dir.path() / "result.vtu";
    fs::create_directories(target / "inside");
    EXPECT_THROW(writeFileAtomically(target, "new"), OutputError);
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    EXPECT_FALSE(hasTemporaryFiles(dir.path()));
    try
    {
        writeFileAtomically(dir.path() / "missing" / "x.json", "new");
        FAIL();
    }
    catch (const OutputError& e)
    {
        EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos) << e.what();
    }
}

TEST(VtuWriting, NumbersReadBackExactlyAndEachTriangleKindHasItsCellType)
{
    VtuGrid grid;
    grid.points = {{0.1, 1e-300}, {1.0 / 3.0, -2.5e7}, {std::nextafter(1.0, 2.0), 0.0}};
    grid.connectivity = {0, 1, 2};
    grid.pointData.push_back({"displacement", 3, {1e-17, 2, 0, 0.3, 0.7, 0, -1, -2, 0}});
    grid.cellData.push_back({"vonMises", 1, {123.456789012345}});
    std::string vtu = formatVtu(grid);
    EXPECT_NE(vtu.find("NumberOfPoints=\"3\" NumberOfCells=\"1\""), std::string::npos);
    EXPECT_EQ(cae_app_test::vtuPoints(vtu),
              (std::vector<double>{0.1, 1e-300, 0, 1.0 / 3.0, -2.5e7, 0, std::nextafter(1.0, 2.0), 0, 0}));
    EXPECT_EQ(arrayValues(vtu, "displacement"), grid.pointData[0].values);
    EXPECT_EQ(arrayValues(vtu, "vonMises"), grid.cellData[0].values);
    EXPECT_EQ(arrayValues(vtu, "connectivity"), (std::vector<double>{0, 1, 2}));
    EXPECT_EQ(arrayValues(vtu, "offsets"), (std::vector<double>{3}));
    EXPECT_EQ(arrayValues(vtu, "types"), (std::vector<double>{5}));

    VtuGrid quadratic;
    quadratic.points = {{0, 0}, {2, 0}, {0, 2}, {1, 0}, {1, 1}, {0, 1}};
    quadratic.nodesPerCell = 6;
    quadratic.connectivity = {0, 1, 2, 3, 4, 5};
    quadratic.fieldData.push_back({"units", {"u: m", "s: Pa"}});
    vtu = formatVtu(quadratic);
    EXPECT_EQ(arrayValues(vtu, "types"), (std::vector<double>{22}));
    EXPECT_EQ(arrayValues(vtu, "offsets"), (std::vector<double>{6}));
    // VTK's text form of strings: their bytes, each string ended by a zero.
    EXPECT_NE(vtu.find("<Array type=\"String\" Name=\"units\" NumberOfTuples=\"2\" format=\"ascii\">\n"
                       "          117 58 32 109 0 115 58 32 80 97 0\n"),
              std::string::npos)
        << vtu;
}

TEST(VtuWriting, ArraysThatDoNotFitTheGridAreRefused)
{
    VtuGrid grid;
    grid.points = {{0, 0}, {1, 0}, {0, 1}};
    grid.connectivity = {0, 1, 3};
    EXPECT_THROW(formatVtu(grid), std::invalid_argument);
    grid.connectivity = {0, 1, 2};
    grid.pointData.push_back({"u", 3, {1, 2, 3}});
    EXPECT_THROW(formatVtu(grid), std::invalid_argument);
    grid.pointData.clear();
    grid.nodesPerCell = 4;
    EXPECT_THROW(formatVtu(grid), std::invalid_argument);
}

TEST(SummaryWriting, WritesEveryKeyAndNullForWhatIsUnknown)
{
    Summary s;
    s.status = ERunStatus::eInvalid;
    s.messages = {"There are no non-zero loads defined.\n"};
    s.timeMs.total = 1.5;
    s.maxDisplacement = std::nan("");
    rapidjson::Document d;
    d.Parse(formatSummary(s).c_str());
    ASSERT_FALSE(d.HasParseError());
    EXPECT_STREQ(d["status"].GetString(), "invalid");
    EXPECT_TRUE(d["result"].IsNull());
    EXPECT_STREQ(d["messages"][0].GetString(), "There are no non-zero loads defined.\n");
    for (const char* key : {"units", "mesh", "maxVonMises", "maxDisplacement", "appliedLoad"})
        EXPECT_TRUE(d[key].IsNull()) << key;
    EXPECT_TRUE(d["reactions"].IsArray());
    EXPECT_TRUE(d["timeMs"]["mesh"].IsNull());
    EXPECT_EQ(d["timeMs"]["total"].GetDouble(), 1.5);
}

TEST(SummaryWriting, NumbersRoundTrip)
{
    Summary s;
    s.status = ERunStatus::eSolved;
    s.result = 0;
    s.mesh = Summary::Mesh{2.5, 1234, 2345, "triangle6"};
    s.maxVonMises = 303.123456789012;
    s.reactions = {{2, {-1.0 / 3.0, 1e-13}}};
    s.appliedLoad = std::array<double, 2>{1.0 / 3.0, 0.0};
    rapidjson::Document d;
    d.Parse<rapidjson::kParseFullPrecisionFlag>(formatSummary(s).c_str());
    ASSERT_FALSE(d.HasParseError());
    EXPECT_EQ(d["result"].GetUint(), 0u);
    EXPECT_EQ(d["mesh"]["triangles"].GetUint64(), 2345u);
    EXPECT_STREQ(d["mesh"]["elementType"].GetString(), "triangle6");
    EXPECT_EQ(d["maxVonMises"].GetDouble(), 303.123456789012);
    EXPECT_EQ(d["reactions"][0]["index"].GetUint64(), 2u);
    EXPECT_EQ(d["reactions"][0]["force"][0].GetDouble(), -1.0 / 3.0);
    EXPECT_EQ(d["reactions"][0]["force"][1].GetDouble(), 1e-13);
    EXPECT_EQ(d["appliedLoad"][0].GetDouble(), 1.0 / 3.0);
}
