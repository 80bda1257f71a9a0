#include "cae_core/results2d/ReactionForceVisualizer.h"

#include "ResultsTestSupport.h"
#include "host/ca/Application.h"
#include "host/oa/DwgViewer.h"

#include <gtest/gtest.h>

#include <numbers>

namespace
{
using namespace results_test;

OdGeExtents3d glyphBox(const ReactionForceDrawable& d)
{
    OdGeExtents3d box, part;
    EXPECT_EQ(d.arrow()->getGeomExtents(part), ::eOk);
    box.addExt(part);
    EXPECT_EQ(d.label()->getGeomExtents(part), ::eOk);
    box.addExt(part);
    return box;
}

TEST(ReactionForceDrawable, SizesEverythingFromTheGlyphSize)
{
    TestContext context;
    context.setGlyphSize(2.0);
    const auto d = ReactionForceDrawable::createObject(context, OdGePoint2d(0, 0), OdGeVector2d(1250, 0),
                                                       OdGeVector2d(0, 1));
    ASSERT_EQ(d->arrow()->numVerts(), 7u);
    EXPECT_TRUE(d->arrow()->isClosed());
    OdGePoint2d p[7];
    for (unsigned int i = 0; i < 7; ++i)
        d->arrow()->getPointAt(i, p[i]);
    EXPECT_NEAR(p[0].x - p[3].x, 18.0, 1e-9) << "arrow length 9 s";
    EXPECT_NEAR(p[1].y - p[6].y, 9.0, 1e-9) << "head width 4.5 s";
    EXPECT_NEAR(p[2].y - p[5].y, 4.5, 1e-9) << "shaft width 2.25 s";
    EXPECT_DOUBLE_EQ(d->label()->height(), 12.0);
    EXPECT_EQ(d->label()->textString(), OdString(L"1250 [N]"));
    EXPECT_DOUBLE_EQ(d->label()->rotation(), 0.0);
    EXPECT_NEAR(glyphBox(*d).minPoint().y, 38.0, 1e-9) << "near corner 19 s off along the normal";
}

TEST(ReactionForceDrawable, PointsAlongTheForceAndSitsOnTheNormalsSide)
{
    TestContext context;
    const OdGePoint2d point(10, 20);
    const auto down =
        ReactionForceDrawable::createObject(context, point, OdGeVector2d(0, -100), OdGeVector2d(1, 0));
    OdGePoint2d tip, tail0, tail1;
    down->arrow()->getPointAt(0, tip);
    down->arrow()->getPointAt(3, tail0);
    down->arrow()->getPointAt(4, tail1);
    const OdGePoint2d tail((tail0.x + tail1.x) / 2, (tail0.y + tail1.y) / 2);
    EXPECT_NEAR(tip.x, tail.x, 1e-9);
    EXPECT_NEAR(tail.y - tip.y, 9.0, 1e-9) << "the tip lies below the tail";
    EXPECT_EQ(down->label()->textString(), OdString(L"100 [N]"));

    const std::tuple<OdGeVector2d, int, double> cases[] = {
        {OdGeVector2d(1, 0), 0, point.x + 19},  // left edge
        {OdGeVector2d(-1, 0), 1, point.x - 19}, // right edge
        {OdGeVector2d(0, 3), 2, point.y + 19},  // bottom edge; the normal need not be a unit vector
        {OdGeVector2d(0, -1), 3, point.y - 19}, // top edge
        {OdGeVector2d(0, 0), 1, point.x},       // zero normal: the corner sits on the point
    };
    for (const auto& [normal, side, expected] : cases)
    {
        const OdGeExtents3d box =
            glyphBox(*ReactionForceDrawable::createObject(context, point, OdGeVector2d(0, -100), normal));
        const double edge[] = {box.minPoint().x, box.maxPoint().x, box.minPoint().y, box.maxPoint().y};
        EXPECT_NEAR(edge[side], expected, 1e-9) << normal.x << "," << normal.y;
    }
}

TEST(ReactionForceVisualizer, ShowsOneGlyphPerSupportOutsideTheRegionWhileItLives)
{
    TestContext context;
    const SimulationOutput output = solvedPlate(12.0);
    ASSERT_EQ(output.reactionForces.size(), 2u);
    ca::Application app;
    oa::DwgViewer viewer;
    {
        const ReactionForceVisualizer hidden(output, context);
        EXPECT_TRUE(hidden.drawables().empty()) << "no current viewer";
    }
    app.setCurrentViewer(&viewer);
    {
        const ReactionForceVisualizer visualizer(output, context);
        const auto glyphs = visualizer.drawables();
        ASSERT_EQ(glyphs.size(), 2u);
        EXPECT_EQ(viewer.view().numDrawables(), 2u);
        // The left support's point is its start (0, 100), on the top edge first: set off upwards.
        EXPECT_NEAR(glyphBox(*glyphs[0]).minPoint().y, 119.0, 1e-9);
        // The point support at (200, 50) on the right edge: set off to the right.
        EXPECT_NEAR(glyphBox(*glyphs[1]).minPoint().x, 219.0, 1e-9);
    }
    EXPECT_EQ(viewer.view().numDrawables(), 0u);

    SimulationOutput unsupported = solvedPlate(12.0);
    unsupported.reactionForces.clear();
    EXPECT_TRUE(ReactionForceVisualizer(unsupported, context).drawables().empty());
}

} // namespace
