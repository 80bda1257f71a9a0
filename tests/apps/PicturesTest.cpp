// Runs the built `cae` for its pictures and probes, as a user would.

#include "TestSupport.h"
#include "tests/host/PictureSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace
{
namespace fs = std::filesystem;

fs::path example(const std::string& name)
{
    return cae_app_test::examplesDir() / name;
}

/// Exit status and standard output of `cae` with `args`.
std::pair<int, std::string> cae(const std::string& args, const fs::path& scratch)
{
    const fs::path out = scratch / "stdout.txt";
    const int status =
        std::system((std::string(CAE_PROGRAM) + " " + args + " >" + out.string() + " 2>&1").c_str());
    std::string text = cae_app_test::slurp(out);
    fs::remove(out);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
}

/// Width and height from a PNG's header.
std::pair<int, int> pngSize(const std::string& png)
{
    auto be = [&png](std::size_t at)
    {
        return (static_cast<unsigned char>(png.at(at)) << 24) |
               (static_cast<unsigned char>(png.at(at + 1)) << 16) |
               (static_cast<unsigned char>(png.at(at + 2)) << 8) | static_cast<unsigned char>(png.at(at + 3));
    };
    EXPECT_EQ(png.substr(1, 3), "PNG");
    return {be(16), be(20)};
}

TEST(CaePictures, ASolvedRunWritesBothStagesPicturesAndItsProbes)
{
    const cae_app_test::TempDir dir;
    const fs::path out = dir.path() / "out";
    const auto [status, text] = cae("analyze2d " + example("plate_with_hole.json").string() + " --out " +
                                        out.string() + " --picture-size 400x300 --probe 100,50 --probe -5,20",
                                    dir.path());
    ASSERT_EQ(status, 0) << text;
    for (const char* name : {"setup.svg", "setup.png", "result.svg", "result.png"})
        EXPECT_TRUE(fs::exists(out / name)) << name;
    EXPECT_EQ(pngSize(cae_app_test::slurp(out / "result.png")), (std::pair<int, int>{400, 300}));
    EXPECT_NE(cae_app_test::slurp(out / "result.svg").find("width=\"400pt\""), std::string::npos);
    EXPECT_NE(text.find("Output       Execution time"), std::string::npos) << text;
    // The report's largest stress and the picture's colours are different kinds of value: it says which.
    EXPECT_NE(text.find("Max Von Mises stress  1.534e+02 MPa (at element corners)"), std::string::npos)
        << text;
    EXPECT_NE(
        text.find(
            "Picture      Colours               von Mises stress at element centres, 8.855 to 138.1 MPa"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("             Deformation scale     459.9"), std::string::npos) << text;
    EXPECT_NE(text.find("Probe        Position x            -5 mm"), std::string::npos) << text;
    const std::string summary = cae_app_test::slurp(out / "summary.json");
    EXPECT_NE(summary.find("\"probes\""), std::string::npos);
    EXPECT_NE(summary.find("\"N/A\""), std::string::npos) << "the point outside the plate";
}

// One case per example, so that each analysis has the whole time limit of a test.
const std::vector<std::string> kExamples{"cantilever", "drawn_bracket", "l_bracket", "not_ready",
                                         "plate_with_hole"};

TEST(CaePictures, TheExampleListHoldsEveryExample)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(example("")))
        if (entry.path().extension() == ".json")
            found.push_back(entry.path().stem().string());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, kExamples);
}

class EveryExample : public testing::TestWithParam<std::string>
{
};

TEST_P(EveryExample, ShowsItsSetUpAndOnlyASolvedOneItsResult)
{
    const cae_app_test::TempDir dir;
    const fs::path out = dir.path() / "out";
    const fs::path file = example(GetParam() + ".json");
    const auto [status, text] = cae(
        "analyze2d " + file.string() + " --quiet --picture-size 200x150 --out " + out.string(), dir.path());
    const bool solved = GetParam() != "not_ready";
    EXPECT_EQ(status, solved ? 0 : 2) << text;
    for (const char* name : {"setup.svg", "setup.png"})
        EXPECT_TRUE(fs::exists(out / name)) << name;
    for (const char* name : {"result.svg", "result.png"})
        EXPECT_EQ(fs::exists(out / name), solved) << name;
}

INSTANTIATE_TEST_SUITE_P(CaePictures, EveryExample, testing::ValuesIn(kExamples),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(CaePictures, TheGlyphSizeScalesTheLoadAndSupportGlyphsOfTheSetUp)
{
    const cae_app_test::TempDir dir;
    std::string pictures[2];
    for (int i = 0; i < 2; ++i)
    {
        const fs::path out = dir.path() / std::to_string(i);
        const auto [status, text] = cae("analyze2d " + example("cantilever.json").string() +
                                            " --quiet --picture-size 300x200 --glyph-size " +
                                            (i ? "2" : "0.5") + " --out " + out.string(),
                                        dir.path());
        ASSERT_EQ(status, 0) << text;
        pictures[i] = cae_app_test::slurp(out / "setup.svg");
    }
    // Nothing else of the set-up depends on the glyph size.
    EXPECT_NE(pictures[0], pictures[1]);
}

/// The heights of the DXF text entities that say `text`, in the file's order.
std::vector<double> textHeights(const std::string& dxf, const std::string& text)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    std::istringstream in(dxf);
    std::string code, value;
    while (std::getline(in, code) && std::getline(in, value))
        pairs.emplace_back(code.substr(code.find_first_not_of(' ')), value);
    std::vector<double> heights;
    for (std::size_t i = 0; i < pairs.size(); ++i)
        if (pairs[i] == std::pair<std::string, std::string>{"0", "TEXT"})
        {
            double height = 0.0;
            bool match = false;
            for (std::size_t j = i + 1; j < pairs.size() && pairs[j].first != "0"; ++j)
            {
                if (pairs[j].first == "40")
                    height = std::stod(pairs[j].second);
                match = match || (pairs[j].first == "1" && pairs[j].second == text);
            }
            if (match)
                heights.push_back(height);
        }
    return heights;
}

TEST(CaePictures, TheGlyphSizeScalesTheLoadLabelsOfTheDrawingsGlyphBlocksAndResultsBlock)
{
    const cae_app_test::TempDir dir;
    std::vector<double> heights[2];
    for (int i = 0; i < 2; ++i)
    {
        const fs::path out = dir.path() / std::to_string(i);
        const auto [status, text] = cae("analyze2d " + example("cantilever.json").string() +
                                            " --quiet --picture-size 30x20 --glyph-size " +
                                            (i ? "2" : "0.5") + " --out " + out.string(),
                                        dir.path());
        ASSERT_EQ(status, 0) << text;
        heights[i] = textHeights(cae_app_test::slurp(out / "drawing.dxf"), "5 [N/mm]");
    }
    ASSERT_EQ(heights[0].size(), 2u) << "the glyph block's label and its copy in the results block";
    ASSERT_EQ(heights[1].size(), 2u);
    for (std::size_t k = 0; k < 2; ++k)
        EXPECT_DOUBLE_EQ(heights[1][k], 4 * heights[0][k]) << k;
}

TEST(CaePictures, AReactionThatIsTheSolversResidualIsZeroInTheSummaryAndTheDrawingsLabels)
{
    const cae_app_test::TempDir dir;
    const fs::path out = dir.path() / "out";
    const auto [status, text] = cae("analyze2d " + example("plate_with_hole.json").string() +
                                        " --picture-size 30x20 --out " + out.string(),
                                    dir.path());
    ASSERT_EQ(status, 0) << text;
    EXPECT_NE(text.find("[2] pointSupport    (0, 0) N"), std::string::npos) << text;
    const std::string summary = cae_app_test::slurp(out / "summary.json");
    EXPECT_NE(summary.find("\"index\": 2,\n      \"force\": [0.0, 0.0]"), std::string::npos) << summary;
    const std::string dxf = cae_app_test::slurp(out / "drawing.dxf");
    EXPECT_EQ(textHeights(dxf, "0 [N]").size(), 1u) << "the point support's reaction in the results block";
    EXPECT_EQ(textHeights(dxf, "25000 [N]").size(), 1u);
}

TEST(CaePictures, WithoutAQuantityTheResultShowsAPaleMeshNotABlackPart)
{
    const cae_app_test::TempDir dir;
    const fs::path out = dir.path() / "out";
    const auto [status, text] =
        cae("analyze2d " + example("plate_with_hole.json").string() +
                " --quantity none --deform none --picture-size 400x300 --out " + out.string(),
            dir.path());
    ASSERT_EQ(status, 0) << text;
    EXPECT_NE(text.find("Deformation scale     0 (undeformed)"), std::string::npos) << text;
    const host_test::Picture png(cae_app_test::slurp(out / "result.png"));
    int dark = 0, pale = 0;
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x)
        {
            const auto c = png.at(x, y);
            const int sum = c.r + c.g + c.b;
            dark += sum < 3 * 100;
            pale += sum < 3 * 250 && sum > 3 * 150;
        }
    // The plate covers about a fifth of the picture; its glyphs and labels darken a few percent.
    const int pixels = png.width() * png.height();
    EXPECT_LT(dark, pixels / 20);
    EXPECT_GT(pale, pixels / 10);
}

TEST(CaePictures, PictureOptionsWithValuesOutsideTheirRangeAreUsageErrors)
{
    const cae_app_test::TempDir dir;
    const std::pair<const char*, const char*> cases[] = {
        {"--quantity stress", "--quantity must be vonMises, displacement or none"},
        {"--deform -1", "--deform must be a factor of at least 0, large or none"},
        {"--picture-size 0x100", "--picture-size must be WIDTHxHEIGHT"},
        {"--picture-size 100", "--picture-size must be WIDTHxHEIGHT"},
        {"--probe 1", "--probe must be X,Y"},
        {"--glyph-size 0", "--glyph-size must be a size greater than 0"},
        {"--edges no", "--edges must be on or off"},
        {"--probe", "--probe needs a value"},
    };
    for (const auto& [option, message] : cases)
    {
        const auto [status, text] = cae("analyze2d x.json " + std::string(option), dir.path());
        EXPECT_EQ(status, 1) << option;
        EXPECT_NE(text.find(message), std::string::npos) << option << ": " << text;
    }
}

} // namespace
