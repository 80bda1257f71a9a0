#include "cae_core/results2d/ColorMap.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{
using cae_core::ColorMap;
using cae_core::ColorMapDomain;
using cae_core::ColorMapValue;

struct Rgb
{
    int r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

Rgb rgbOf(const OdCmColor& c)
{
    return {c.red(), c.green(), c.blue()};
}

OdCmColor color(int r, int g, int b)
{
    OdCmColor c;
    c.setRGB(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b));
    return c;
}

TEST(ColorMapColours, InterpolateBetweenStopsTruncateChannelsAndClampOutsideTheDomain)
{
    const ColorMap map = ColorMap::get(ColorMap::eBlueGreenYellowRed, {0.0, 1.0}, false);
    const std::pair<double, Rgb> cases[] = {
        {0.0, {0, 0, 255}},         {1.0, {255, 0, 0}},  {0.5, {127, 255, 0}}, // 127.5 truncated
        {1.0 / 6.0, {0, 127, 127}}, {-3.0, {0, 0, 255}}, {7.0, {255, 0, 0}},   {2.0 / 3.0, {255, 255, 0}},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(rgbOf(map.getColor(value)), expected) << value;
    EXPECT_EQ(rgbOf(map.getColor(std::numeric_limits<double>::quiet_NaN())), (Rgb{0, 0, 0}));
    EXPECT_TRUE(map.getColor(0.25).isByColor());
}

TEST(ColorMapDomains, AreStoredOrderedAndADegenerateOneGivesTheFirstColour)
{
    const ColorMap swapped = ColorMap::get(ColorMap::eGreenRed, {10.0, 2.0}, false);
    EXPECT_DOUBLE_EQ(swapped.getColorMapDomain().min, 2.0);
    EXPECT_DOUBLE_EQ(swapped.getColorMapDomain().max, 10.0);
    EXPECT_EQ(rgbOf(swapped.getColor(2.0)), (Rgb{0, 255, 0}));

    const ColorMap flat = ColorMap::get(ColorMap::eBlueGreenYellowRed, {5.0, 5.0}, false);
    for (const double v : {-1.0, 5.0, 100.0})
        EXPECT_EQ(rgbOf(flat.getColor(v)), (Rgb{0, 0, 255})) << v;
}

TEST(ColorMapPredefined, ReversedRunsBackwardsAndUnknownMapsAreBlack)
{
    const ColorMap reversed = ColorMap::get(ColorMap::eBlueGreenYellowRed, {0.0, 30.0}, true);
    EXPECT_EQ(rgbOf(reversed.getColor(0.0)), (Rgb{255, 0, 0}));
    // The yellow stop moves to 1 - 2/3, a hair above 1/3, so a third of the domain still interpolates
    // towards it and the green channel truncates to 254.
    EXPECT_EQ(rgbOf(reversed.getColor(10.0)), (Rgb{255, 254, 0}));
    EXPECT_EQ(rgbOf(reversed.getColor(20.0)), (Rgb{0, 255, 0}));
    EXPECT_EQ(rgbOf(reversed.getColor(30.0)), (Rgb{0, 0, 255}));

    const ColorMap unknown = ColorMap::get(static_cast<ColorMap::EPredefined>(7), {0.0, 1.0}, false);
    ASSERT_EQ(unknown.getColorMapValues().size(), 2u);
    for (const double v : {0.0, 0.5, 1.0})
        EXPECT_EQ(rgbOf(unknown.getColor(v)), (Rgb{0, 0, 0}));
}

TEST(ColorMapStops, AreNormalisedToSpanZeroToOne)
{
    const OdCmColor a = color(10, 20, 30), b = color(200, 100, 0), c = color(1, 2, 3);
    struct Case
    {
        const char* what;
        std::vector<ColorMapValue> given;
        std::vector<double> positions;
        std::vector<Rgb> colors;
    };
    const Case cases[] = {
        {"stretched", {{0.7, b}, {0.2, a}}, {0.0, 1.0}, {{10, 20, 30}, {200, 100, 0}}},
        {"all equal: spread in given order",
         {{0.5, b}, {0.5, a}, {0.5, c}},
         {0.0, 0.5, 1.0},
         {{200, 100, 0}, {10, 20, 30}, {1, 2, 3}}},
        {"one stop", {{0.3, c}}, {0.0, 1.0}, {{1, 2, 3}, {1, 2, 3}}},
        {"none", {}, {0.0, 1.0}, {{0, 0, 0}, {0, 0, 0}}},
        {"already 0..1",
         {{0.0, a}, {0.25, c}, {1.0, b}},
         {0.0, 0.25, 1.0},
         {{10, 20, 30}, {1, 2, 3}, {200, 100, 0}}},
    };
    for (const Case& k : cases)
    {
        const ColorMap map(k.given, {0.0, 1.0});
        const auto& values = map.getColorMapValues();
        ASSERT_EQ(values.size(), k.positions.size()) << k.what;
        for (std::size_t i = 0; i < values.size(); ++i)
        {
            EXPECT_NEAR(values[i].value, k.positions[i], 1e-12) << k.what << " " << i;
            EXPECT_EQ(rgbOf(values[i].color), k.colors[i]) << k.what << " " << i;
        }
    }
}

TEST(ColorMapValueSemantics, AMovedFromMapKeepsNoStops)
{
    ColorMap map = ColorMap::get(ColorMap::eGreenRed, {0.0, 1.0}, false);
    const ColorMap copy = map;
    const ColorMap moved = std::move(map);
    EXPECT_EQ(moved.getColorMapValues().size(), 2u);
    EXPECT_EQ(copy.getColorMapValues().size(), 2u);
    EXPECT_TRUE(map.getColorMapValues().empty()); // NOLINT(bugprone-use-after-move): the rule under test
    const ColorMap empty;
    EXPECT_DOUBLE_EQ(empty.getColorMapDomain().max, 1.0);
}

} // namespace
