#include "apps/file/AnalysisFile.h"
#include "apps/file/Format.h"
#include "apps/file/JsonDocument.h"
#include "apps/file/JsonLocation.h"

#include <gtest/gtest.h>

#include <numbers>
#include <optional>
#include <string>

using namespace cae_app;

namespace
{
// A complete, valid analysis; tests replace one piece of it at a time.
const std::string kValid = R"({
  "description": "square",
  "drawing": {"measurement": "metric", "insunits": "millimeters"},
  "region": {
    "outer": [
      {"line": {"from": [0, 0], "to": [10, 0]}},
      {"line": {"from": [10, 0], "to": [10, 10]}},
      {"arc": {"center": [5, 10], "radius": 5, "startAngleDeg": 0, "endAngleDeg": 180}},
      {"line": {"from": [0, 10], "to": [0, 0]}}
    ],
    "holes": [[{"circle": {"center": [5, 5], "radius": 1}}]]
  },
  "mode": "planeStrain",
  "elementType": "triangle3",
  "material": {"thickness": 2, "youngsModulus": 210000, "poissonRatio": 0.3, "yield": 235},
  "mesh": {"size": 0.5, "refinementRegions": [{"circle": {"center": [5, 5], "radius": 2}, "ratio": 2}]},
  "loadsAndSupports": [
    {"pointLoad": {"location": [10, 5], "direction": [3, 4], "magnitude": 100}},
    {"linearLoad": {"start": [10, 0], "end": [10, 10], "magnitude": 1.5, "angleDeg": 90}},
    {"pointSupport": {"location": [0, 0], "rolling": true, "direction": [0, -2]}},
    {"linearSupport": {"start": [0, 10], "end": [0, 0]}}
  ]
})";

std::string replaced(const std::string& from, const std::string& to)
{
    std::string text = kValid;
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

std::string errorOf(const std::string& text)
{
    try
    {
        parseAnalysisText(text, "a.json");
    }
    catch (const InputError& e)
    {
        return e.what();
    }
    ADD_FAILURE() << "no error";
    return {};
}
} // namespace

TEST(AnalysisFileReading, TakesEveryValueOfACompleteFile)
{
    const AnalysisFile f = parseAnalysisText(kValid, "a.json");
    EXPECT_EQ(f.description, "square");
    EXPECT_EQ(f.drawing.insunits, OdDb::kUnitsMillimeters);
    ASSERT_EQ(f.outer.curves.size(), 4u);
    EXPECT_EQ(f.outer.curves[2].kind, "arc");
    EXPECT_EQ(f.outer.curves[2].path, "region.outer[2]");
    const auto& arc = std::get<ArcCurve>(f.outer.curves[2].geometry);
    EXPECT_DOUBLE_EQ(arc.sweep, std::numbers::pi);
    ASSERT_EQ(f.holes.size(), 1u);
    EXPECT_EQ(f.holes[0].path, "region.holes[0]");
    EXPECT_DOUBLE_EQ(std::get<ArcCurve>(f.holes[0].curves[0].geometry).sweep, 2 * std::numbers::pi);
    EXPECT_EQ(f.mode, AnalysisMode::ePlaneStrain);
    EXPECT_EQ(f.elementType, ElementKind::eTriangle3);
    EXPECT_EQ(f.material.yield, 235.0);
    EXPECT_EQ(f.mesh.size, 0.5);
    ASSERT_EQ(f.mesh.refinementRegions.size(), 1u);
    EXPECT_EQ(f.mesh.refinementRegions[0].ratio, 2.0);
    ASSERT_EQ(f.loadsAndSupports.size(), 4u);
    const auto& pl = std::get<PointLoadEntry>(f.loadsAndSupports[0].value);
    EXPECT_DOUBLE_EQ(pl.direction.x, 0.6); // directions are unit vectors
    EXPECT_DOUBLE_EQ(pl.direction.y, 0.8);
    const auto& ll = std::get<LinearLoadEntry>(f.loadsAndSupports[1].value);
    EXPECT_DOUBLE_EQ(ll.angle, std::numbers::pi / 2);
    EXPECT_FALSE(ll.flipped);
    EXPECT_FALSE(ll.angleRelativeToBoundary);
    const auto& ps = std::get<PointSupportEntry>(f.loadsAndSupports[2].value);
    EXPECT_TRUE(ps.rolling);
    EXPECT_DOUBLE_EQ(ps.direction.y, -1.0);
    EXPECT_EQ(f.loadsAndSupports[3].path, "loadsAndSupports[3].linearSupport");
}

TEST(AnalysisFileReading, ArcSweepsRunCounterClockwiseAcrossZeroDegrees)
{
    const AnalysisFile f = parseAnalysisText(
        replaced(R"("startAngleDeg": 0, "endAngleDeg": 180)", R"("startAngleDeg": 270, "endAngleDeg": 90)"),
        "a.json");
    EXPECT_DOUBLE_EQ(std::get<ArcCurve>(f.outer.curves[2].geometry).sweep, std::numbers::pi);
}

TEST(AnalysisFileErrors, EachMistakeIsNamedByItsKeyPathAndPlace)
{
    const char* const kCircleHole = R"({"circle": {"center": [5, 5], "radius": 1}})";
    constexpr bool kWhole = true, kPart = false;
    const struct
    {
        const char *from, *to;
        bool whole;
        const char* message;
    } cases[] = {
        {R"("mode": "planeStrain",)", R"("mode": "planeStrain")", kWhole,
         "a.json:14:3: not valid JSON: Missing a comma or '}' after an object member."},
        {R"("magnitude": 1.5, )", "", kWhole,
         "a.json:19:20: loadsAndSupports[1].linearLoad: missing key \"magnitude\""},
        {R"("magnitude": 1.5)", R"("magnitude": "1.5")", kWhole,
         "a.json:19:69: loadsAndSupports[1].linearLoad.magnitude: expected a number, found the string "
         "\"1.5\""},
        {R"("magnitude": 100)", R"("magnitdue": 100)", kWhole,
         "a.json:18:62: loadsAndSupports[0].pointLoad.magnitdue: unknown key \"magnitdue\" (did you mean "
         "\"magnitude\"?)"},
        {R"("mode")", R"("colour": 1, "mode")", kPart, "unknown key \"colour\"; expected \"description\""},
        {R"("yield": 235)", R"("yield": 235, "yield": 240)", kPart,
         "material.yield: the key \"yield\" is given twice"},
        {R"("millimeters")", R"("furlongs")", kPart,
         "a.json:3:52: drawing.insunits: unknown drawing unit \"furlongs\"; known units are unitless, "
         "inches, "
         "feet"},
        {R"("location": [10, 5])", R"("location": [10])", kPart,
         "loadsAndSupports[0].pointLoad.location: expected a point [x, y], found a list of 1"},
        {R"("direction": [3, 4])", R"("direction": [0, 0])", kPart,
         "pointLoad.direction: a direction must not be the zero vector"},
        {R"("rolling": true, "direction": [0, -2])", R"("rolling": true)", kPart,
         "loadsAndSupports[2].pointSupport: a rolling support needs the \"direction\" it blocks"},
        {R"("radius": 1)", R"("radius": -1)", kPart,
         "region.holes[0][0].circle.radius: must be greater than zero, found -1"},
        {R"("ratio": 2)", R"("ratio": 0.5)", kPart, "refinementRegions[0].ratio: must be at least 1"},
        {R"("size": 0.5)", R"("size": 0.5, "smoothing": 1.5)", kPart,
         "mesh.smoothing: expected a whole number, found 1.5"},
        {R"("size": 0.5)", R"("size": 0.5, "smoothing": 2147483647)", kPart,
         "mesh.smoothing: must be at most 100, found 2147483647"},
        {R"("planeStrain")", R"("plane")", kPart,
         "mode: expected \"planeStress\" or \"planeStrain\", found \"plane\""},
        {R"({"circle": {"center": [5, 5], "radius": 1}})",
         R"({"circle": {"center": [5, 5], "radius": 1}, "line": {}})", kPart,
         "give only one of \"line\", \"arc\", \"circle\", \"spline\", \"ellipse\" or \"nurbs\""},
        {R"("startAngleDeg": 0, "endAngleDeg": 180)", R"("startAngleDeg": 5, "endAngleDeg": 5)", kPart,
         "an arc needs different start and end angles"},
        {R"({"circle": {"center": [5, 5], "radius": 1}})",
         R"({"spline": {"fitPoints": [[4, 5], [4, 5], [6, 5]]}})", kPart,
         "region.holes[0][0].spline.fitPoints[1]: a fit point repeats the one before it"},
        {kCircleHole, R"({"ellipse": {"center": [5, 5], "majorAxis": [1, 0], "ratio": 0}})", kPart,
         "region.holes[0][0].ellipse.ratio: the ratio of the minor to the major radius must be in (0, 1], "
         "found 0"},
        {kCircleHole, R"({"ellipse": {"center": [5, 5], "majorAxis": [1, 0], "ratio": 1.5}})", kPart,
         "ellipse.ratio: the ratio of the minor to the major radius must be in (0, 1], found 1.5"},
        {kCircleHole, R"({"ellipse": {"center": [5, 5], "majorAxis": [0, 0], "ratio": 0.5}})", kPart,
         "region.holes[0][0].ellipse.majorAxis: the major axis must not be the zero vector"},
        {kCircleHole,
         R"({"ellipse": {"center": [5, 5], "majorAxis": [1, 0], "ratio": 0.5, "startParam": 1}})", kPart,
         "region.holes[0][0].ellipse: give both \"startParam\" and \"endParam\""},
        {kCircleHole,
         R"({"nurbs": {"degree": 2, "controlPoints": [[4, 5], [5, 6], [6, 5]], "knots": [0, 0, 0, 1, 1]}})",
         kPart, "region.holes[0][0].nurbs: expected 6 knots (control points + degree + 1), found 5"},
        {kCircleHole,
         R"({"nurbs": {"degree": 2, "controlPoints": [[4, 5], [5, 6], [6, 5]], "knots": [0, 0, 0, 1, 0.5, 1]}})",
         kPart,
         "region.holes[0][0].nurbs: the knots must not decrease, but knots[4] = 0.5 is below knots[3] = 1"},
        {kCircleHole,
         R"({"nurbs": {"degree": 2, "controlPoints": [[4, 5], [5, 6], [6, 5]], "knots": [0, 0, 0, 1, 1, 1], "weights": [1, 0, 1]}})",
         kPart, "region.holes[0][0].nurbs: weights[1] is 0; weights must be positive"},
        {kCircleHole,
         R"({"nurbs": {"degree": 2, "controlPoints": [[4, 5], [5, 6], [6, 5]], "knots": [0, 0, 0, 1, 1, 1], "weights": [1, 1]}})",
         kPart, "region.holes[0][0].nurbs: expected one weight per control point, 3, found 2"},
        {kCircleHole,
         R"({"nurbs": {"degree": 3, "controlPoints": [[4, 5], [5, 6], [6, 5]], "knots": [0, 0, 0, 0, 1, 1, 1]}})",
         kPart, "region.holes[0][0].nurbs: a curve of degree 3 needs at least 4 control points, found 3"},
        {kCircleHole,
         R"({"nurbs": {"degree": 2, "controlPoints": [[4, 5], [5, 6], [6, 5]], "knots": [0, 1, 1, 2, 3, 3]}})",
         kPart, "region.holes[0][0].nurbs: the curve must be clamped"},
        {kCircleHole, R"({"nurbs": {"degree": 0, "controlPoints": [[4, 5], [6, 5]], "knots": [0, 1, 2]}})",
         kPart, "region.holes[0][0].nurbs.degree: must be at least 1, found 0"},
    };
    for (const auto& c : cases)
    {
        const std::string e = errorOf(replaced(c.from, c.to));
        if (c.whole)
            EXPECT_EQ(e, c.message);
        else
            EXPECT_NE(e.find(c.message), std::string::npos) << e;
    }
    EXPECT_EQ(errorOf(""), "a.json:1:1: not valid JSON: The document is empty.");

    // The analysis reports these with its own status messages, so reading accepts them.
    EXPECT_EQ(parseAnalysisText(replaced(R"("poissonRatio": 0.3)", R"("poissonRatio": 0.5)"), "a.json")
                  .material.poissonRatio,
              0.5);
}

TEST(AnalysisFileErrors, AMissingFileOrAFolderIsNamedWithTheReason)
{
    for (const auto& [path, message] :
         {std::pair{"no/such/file.json",
                    "no/such/file.json: cannot open the file: No such file or directory"},
          std::pair{".", ".: cannot read the file: it is a folder"}})
    {
        try
        {
            readAnalysisFile(path);
            ADD_FAILURE() << path;
        }
        catch (const InputError& e)
        {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}

TEST(UnitNames, RoundTripAndAcceptBritishSpelling)
{
    for (int u = OdDb::kUnitsUndefined; u <= OdDb::kUnitsMax; ++u)
        EXPECT_EQ(unitsFromName(unitsName(static_cast<OdDb::UnitsValue>(u))),
                  static_cast<OdDb::UnitsValue>(u));
    EXPECT_EQ(unitsFromName("metres"), OdDb::kUnitsMeters);
    EXPECT_FALSE(unitsFromName("Meters"));
}

TEST(JsonLocation, FindsValuesAndKeysByPath)
{
    const std::string text = "{\n  \"a\": [1, {\"b\": true}],\n  \"c\": \"x\"\n}";
    const auto b = locateJsonPath(text, {std::string("a"), std::size_t{1}, std::string("b")});
    ASSERT_TRUE(b);
    EXPECT_EQ(text.substr(*b, 4), "true");
    const auto key = locateJsonPath(text, {std::string("c")}, true);
    ASSERT_TRUE(key);
    EXPECT_EQ(text.substr(*key, 3), "\"c\"");
    EXPECT_FALSE(locateJsonPath(text, {std::string("a"), std::size_t{2}}));
    EXPECT_EQ(formatJsonPath({std::string("a"), std::size_t{1}, std::string("b")}), "a[1].b");
}

TEST(JsonLocation, ColumnsCountCharactersNotBytes)
{
    const std::string text = "{\"\xC3\xA9\xC3\xA9\": x}"; // two two-byte characters in the key
    const TextPosition p = textPosition(text, text.find('x'));
    EXPECT_EQ(p.line, 1u);
    EXPECT_EQ(p.column, 8u);
}

TEST(JsonReading, NumbersKeepFullPrecisionAndNoTokenCrashes)
{
    const struct
    {
        std::string token;
        std::optional<double> value;
        bool accepted; // the reader itself refuses integers beyond the largest double
    } cases[] = {
        {"8.660254037844386", 8.660254037844386, true},
        {"2.2250738585072011e-308", 2.2250738585072011e-308, true},
        {"-0.1", -0.1, true},
        {"0." + std::string(350, '0') + "1", 0.0, true},
        {"1" + std::string(350, '0') + "e-345", 1e5, false},
        {"0." + std::string(340, '0') + "1e400", 1e59, true},
        {"1e400", std::nullopt, false},
        {"-" + std::string(400, '9'), std::nullopt, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.token.substr(0, 40));
        const auto v = jsonNumberValue(c.token);
        ASSERT_EQ(v.has_value(), c.value.has_value());
        if (v)
        {
            EXPECT_DOUBLE_EQ(*v, *c.value);
        }
        rapidjson::Document d;
        const auto error = parseJson("[" + c.token + "]", d);
        EXPECT_EQ(!error, c.accepted) << (error ? error->message : "");
    }
    const std::string e = errorOf(replaced(R"("magnitude": 100)", R"("magnitude": 1e400)"));
    EXPECT_NE(e.find("a.json:18:75: not valid JSON: Number too big"), std::string::npos) << e;
}

TEST(JsonReading, DeepNestingIsRefusedWithoutExhaustingTheStack)
{
    const std::size_t depth = 150000;
    const std::string text = std::string(depth, '[') + std::string(depth, ']');
    EXPECT_EQ(errorOf(text),
              "a.json:1:65: not valid JSON: objects and lists are nested more than 64 levels deep");
}

TEST(JsonReading, AMultiByteSequenceCutShortAtTheEndIsRefusedInsideTheText)
{
    // Found by fuzzing: the encoding check read past the end of a string ending in a lead byte.
    rapidjson::Document d;
    const std::string text = "\"recip\xf3";
    EXPECT_TRUE(parseJson(std::string_view(text), d).has_value());
}

TEST(AnalysisFileErrors, EchoedTextIsCutAndCannotControlTheTerminal)
{
    const std::string e =
        errorOf(replaced(R"("mode")", "\"\\u001b[2J" + std::string(100, 'k') + "\": 1, \"mode\""));
    EXPECT_NE(e.find("unknown key \"\\x1B[2J" + std::string(36, 'k') + "...\""), std::string::npos) << e;
    EXPECT_EQ(e.find('\x1b'), std::string::npos);
    // C1 controls (U+009B starts a terminal command too) and DEL as well; other characters pass.
    EXPECT_EQ(printable("\xc2\x9b"
                        "a\x7f\xc3\xa9",
                        10),
              "\\u009Ba\\x7F\xc3\xa9");
}
