#include "apps/file/AnalysisFile.h"
#include "apps/file/Loops.h"
#include "tests/apps/TestSupport.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>

using namespace cae_app;
using cae_app_test::DxfText;
using cae_app_test::TempDir;

namespace
{
/// An analysis file whose region is `dxf`, written beside it as part.dxf; `region` and `drawing`
/// replace the file's region and drawing entries.
struct DrawnFile
{
    DrawnFile(const TempDir& dir, const DxfText& dxf,
              const std::string& region = R"({"dxf": "part.dxf", "layer": "PART"})",
              const std::string& drawing = R"({"measurement": "metric"})")
        : json((dir.path() / "a.json").string())
    {
        cae_app_test::spit(dir.path() / "part.dxf", dxf.text());
        text = R"({"drawing": )" + drawing + R"(, "region": )" + region +
               R"(, "mode": "planeStress", "elementType": "triangle3",
                  "material": {"thickness": 1, "youngsModulus": 1, "poissonRatio": 0.3, "yield": 1}})";
    }

    /// The file read and its loops prepared, as the program does before building the region.
    AnalysisFile read() const
    {
        AnalysisFile file = parseAnalysisText(text, json);
        prepareLoops(file.outer, file.holes, json);
        return file;
    }

    std::string json;
    std::string text;
};

std::string errorOf(const DrawnFile& f)
{
    try
    {
        f.read();
    }
    catch (const InputError& e)
    {
        return e.what();
    }
    ADD_FAILURE() << "no error";
    return {};
}

DxfText square(DxfText d, double size = 10)
{
    return d.line(0, 0, size, 0).line(size, 0, size, size).line(size, size, 0, size).line(0, size, 0, 0);
}
} // namespace

TEST(DrawnRegion, CurvesOfEveryKindJoinIntoTheOuterLoopAndHolesWithTheDrawingsUnits)
{
    TempDir dir;
    DxfText d(1); // inches
    // Out of order and some drawn backwards, as a CAD user leaves them.
    // The fillet from (45, 15) to (40, 20) drawn mirrored, as CAD programs store arcs after a mirror.
    d.arcFromBelow(-40, 15, 5, 90, 180, "PART")
        .line(0, 0, 45, 0)
        .spline(3, {0, 0, 0, 0, 1, 1, 1, 1}, {{45, 0}, {50, 4}, {50, 11}, {45, 15}})
        .polyline({{{40, 20, 0}, {0, 20, 1}, {0, 10, 0}, {0, 0, 0}}}, false)
        .circle(10, 10, 3)
        .ellipse(30, 10, 4, 0, 0.5, 0, 2 * std::numbers::pi)
        .other("TEXT", "NOTES");
    const AnalysisFile f = DrawnFile(dir, d).read();
    EXPECT_EQ(f.drawing.insunits, OdDb::kUnitsInches);
    EXPECT_EQ(f.drawing.measurement, OdDb::kMetric);
    ASSERT_EQ(f.holes.size(), 2u);
    EXPECT_EQ(f.outer.path, "part.dxf loop 3");
    std::string kinds;
    for (const auto& c : f.outer.curves)
        kinds += c.kind + " ";
    EXPECT_NE(kinds.find("SPLINE"), std::string::npos) << kinds;
    EXPECT_NE(kinds.find("LWPOLYLINE arc"), std::string::npos) << kinds;
    EXPECT_NE(kinds.find("ARC"), std::string::npos) << kinds;
    EXPECT_TRUE(std::holds_alternative<EllipseCurve>(f.holes[1].curves[0].geometry));
    EXPECT_GT(signedArea(f.outer), 0.0);
    EXPECT_LT(signedArea(f.holes[0]), 0.0);
}

TEST(DrawnRegion, EachDrawingMistakeIsNamedWithWhereItIs)
{
    const struct
    {
        const char* what;
        DxfText drawing;
        const char* region;
        const char* drawingEntry;
        const char* message;
    } cases[] = {
        {"a gap", DxfText().line(0, 0, 10, 0).line(10.01, 0, 10, 10).line(10, 10, 0, 10).line(0, 10, 0, 0),
         nullptr, nullptr,
         "part.dxf: a gap of 0.01 between the end of handle 100 (LINE) at (10, 0) and the start of handle "
         "101 (LINE) "
         "at (10.01, 0)"},
        {"an open loop", DxfText().line(0, 0, 10, 0).line(10, 0, 10, 10).line(10, 10, 0, 10), nullptr,
         nullptr, "part.dxf: the boundary is open: nothing meets the start of handle 100 (LINE) at (0, 0)"},
        {"overlapping loops",
         square(DxfText()).line(5, 5, 20, 5).line(20, 5, 20, 8).line(20, 8, 5, 8).line(5, 8, 5, 5), nullptr,
         nullptr, "the hole crosses the outer loop"},
        {"a self-crossing boundary",
         DxfText().line(0, 0, 10, 10).line(10, 10, 10, 0).line(10, 0, 0, 6).line(0, 6, 0, 0), nullptr,
         nullptr, "a.json: part.dxf loop 1: handle 10"},
        {"a self-crossing boundary (where)",
         DxfText().line(0, 0, 10, 10).line(10, 10, 10, 0).line(10, 0, 0, 6).line(0, 6, 0, 0), nullptr,
         nullptr, "(LINE) cross at (3.75, 3.75); a loop must not cross itself"},
        {"a branch", square(DxfText()).line(0, 0, -5, -5), nullptr, nullptr,
         "part.dxf: 3 curve ends meet at (0, 0)"},
        {"an unsupported kind", square(DxfText()).other("MTEXT"), nullptr, nullptr,
         "part.dxf: the layer PART holds a MTEXT (handle 104), which cannot bound a region"},
        {"a spline of fit points only",
         DxfText()
             .line(0, 0, 10, 0)
             .line(10, 0, 10, 10)
             .fitSpline({{10, 10}, {5, 12}, {0, 10}})
             .line(0, 10, 0, 0),
         nullptr, nullptr,
         "part.dxf: the SPLINE handle 102 cannot be read: a spline must give its control points"},
        {"an empty layer", square(DxfText()), R"({"dxf": "part.dxf", "layer": "HOLES"})", nullptr,
         "part.dxf: the layer HOLES holds no entities in model space (the drawing has no such layer)"},
        {"a unitless drawing", square(DxfText(-1)), nullptr, nullptr,
         "region.dxf: the drawing \"part.dxf\" is unitless"},
        {"units that disagree", square(DxfText(4)), nullptr,
         R"({"measurement": "metric", "insunits": "meters"})",
         "drawing.insunits: the file says meters but the drawing \"part.dxf\" is in millimeters"},
        {"a missing drawing", DxfText(), R"({"dxf": "other.dxf"})", nullptr,
         "region.dxf: other.dxf: Invalid input: cannot open the drawing file"},
    };
    for (const auto& c : cases)
    {
        TempDir dir;
        const DrawnFile f(dir, c.drawing, c.region ? c.region : R"({"dxf": "part.dxf", "layer": "PART"})",
                          c.drawingEntry ? c.drawingEntry : R"({"measurement": "metric"})");
        const std::string e = errorOf(f);
        EXPECT_NE(e.find(c.message), std::string::npos) << c.what << ": " << e;
    }
    // A unitless drawing is taken in the units the file states.
    TempDir dir;
    const DrawnFile stated(dir, square(DxfText(-1)), R"({"dxf": "part.dxf"})",
                           R"({"measurement": "metric", "insunits": "meters"})");
    EXPECT_EQ(stated.read().drawing.insunits, OdDb::kUnitsMeters);
}
