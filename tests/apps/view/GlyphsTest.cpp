#include "apps/view/Glyphs.h"
#include "apps/drawing/Drawing.h"
#include "apps/drawing/DrawingContext.h"
#include "cae_core/glyphs/DistributedDrawables.h"
#include "cae_core/glyphs/PointDrawables.h"
#include "tests/support/Regions.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{
namespace fea2d = cae_core::fea2d;

struct Square
{
    OdSmartPtr<OdDbRegion> region = test_regions::makeRectangle(0, 0, 100, 100);
    cae_app::DrawingContext context{OdDbDatabase::createObject()};
};

TEST(LoadAndSupportGlyphs, WalkTheChainTheAnalysisLoadsWhicheverWayItIsFlipped)
{
    // The analysis walks a linear record from its start to its end when flipped, else from its
    // end to its start, counter-clockwise round the square: from (50, 0) to (100, 50) is 100 long,
    // the other way round 300.
    Square sq;
    for (const bool flipped : {false, true})
    {
        fea2d::Params2d params;
        fea2d::LinearLoad load;
        load.startLocation = OdGePoint2d(50, 0);
        load.endLocation = OdGePoint2d(100, 50);
        load.flipped = flipped;
        params.loadsAndSupports.push_back(load);
        fea2d::LinearSupport support;
        support.startLocation = load.startLocation;
        support.endLocation = load.endLocation;
        support.flipped = flipped;
        params.loadsAndSupports.push_back(support);
        const auto glyphs = cae_app::loadAndSupportGlyphs(params, *sq.region, sq.context);
        ASSERT_EQ(glyphs.size(), 2u);
        for (const auto& glyph : glyphs)
        {
            const auto* walk = dynamic_cast<const fea2d::BaseDistributedDrawable*>(glyph.get());
            ASSERT_NE(walk, nullptr);
            EXPECT_NEAR(walk->length(), flipped ? 100.0 : 300.0, 1e-9) << "flipped " << flipped;
        }
    }
}

TEST(LoadAndSupportGlyphs, StandPointSupportsOutsideTheBoundary)
{
    Square sq;
    const struct
    {
        OdGePoint2d location;
        bool rolling;
        OdGeVector2d blocked;
        OdGeVector3d expected;
    } cases[] = {
        {{50, 0}, false, {}, {0, 1, 0}}, // fixed: along the inward normal
        {{0, 50}, false, {}, {1, 0, 0}},
        {{50, 0}, true, {0, -1}, {0, 1, 0}},  // rolling: the blocked direction turned inwards
        {{100, 50}, true, {0, 1}, {0, 1, 0}}, // along the edge: as given
        {{50, 50}, false, {}, {0, 1, 0}},     // inside the region: upright
    };
    for (const auto& c : cases)
    {
        fea2d::Params2d params;
        fea2d::PointSupport support;
        support.location = c.location;
        support.rolling = c.rolling;
        support.direction = c.blocked;
        params.loadsAndSupports.push_back(support);
        const auto glyphs = cae_app::loadAndSupportGlyphs(params, *sq.region, sq.context);
        const auto* glyph = dynamic_cast<const fea2d::PointSupportDrawable*>(glyphs.at(0).get());
        ASSERT_NE(glyph, nullptr);
        EXPECT_TRUE(glyph->direction().isEqualTo(c.expected))
            << c.location.x << ", " << c.location.y << " rolling " << c.rolling;
        EXPECT_EQ(glyph->isRolling(), c.rolling);
    }
}
} // namespace

TEST(DefaultGlyphSize, StaysNeutralOnPartsAndFollowsTheRegionBeyondThem)
{
    const struct
    {
        double regionSize;
        double glyphSize;
    } cases[] = {
        {224, 1},         // the examples: an arrow of 25 is a ninth of the region
        {2500, 1},        // an arrow 1 % of the region
        {100, 1},         // a quarter of it
        {2.24e8, 8.96e4}, // a plate 200 km x 100 km in millimetres: arrows 1 % of it
        {10, 0.1},        // a quarter of a small part
    };
    for (const auto& c : cases)
    {
        const auto size = cae_app::defaultGlyphSize(c.regionSize);
        ASSERT_TRUE(size) << c.regionSize;
        EXPECT_NEAR(*size, c.glyphSize, 1e-12 * c.glyphSize) << c.regionSize;
    }
    EXPECT_FALSE(cae_app::defaultGlyphSize(0.0));
    EXPECT_FALSE(cae_app::defaultGlyphSize(std::numeric_limits<double>::quiet_NaN()));
}
