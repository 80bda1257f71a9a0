#include "cae_core/fea2d/Context.h"
#include "cae_core/glyphs/DbEntityDrawer.h"
#include "cae_core/glyphs/GiWorldDrawer.h"
#include "cae_core/glyphs/HighlightDrawable.h"
#include "cae_core/glyphs/MeshDrawable.h"
#include "cae_core/glyphs/PointDrawables.h"
#include "host/ca/Preferences.h"
#include "host/oa/RenderTraits.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbHatch.h"
#include "platform/db/DbLine.h"
#include "platform/db/DbText.h"
#include "tests/platform/gi/RecordingWorldDraw.h"

#include "GlyphsTestSupport.h"

#include <gtest/gtest.h>

namespace
{
using namespace cae_core::fea2d;
using platform_test::RecordingWorldDraw;

using glyphs_test::TestContext;

/// The host's traits: the SDK's sub-entity traits with the host's render traits behind them.
class HostTraits : public RecordingWorldDraw, public oa::RenderTraits
{
};

TEST(GiWorldDrawer, DrawsLinesPolygonsFilledAndEntitiesAsTheyDrawThemselves)
{
    RecordingWorldDraw wd;
    GiWorldDrawer drawer(wd.world());
    drawer.drawLine(OdGePoint3d(0, 0, 0), OdGePoint3d(1, 2, 0));
    drawer.drawPolygon(OdArray<OdGePoint3d>());
    drawer.drawPolygon(
        OdArray<OdGePoint3d>{OdGePoint3d(0, 0, 0), OdGePoint3d(1, 0, 0), OdGePoint3d(0, 1, 0)});
    const auto text = OdDbText::createObject();
    text->setTextString(L"5 [N]");
    drawer.drawEntity(*text);
    ASSERT_EQ(wd.kinds(), "polyline polygon text") << "an empty polygon draws nothing";
    EXPECT_EQ(wd.primitives[0].points.size(), 2u);
    EXPECT_EQ(wd.primitives[1].fill, kOdGiFillAlways);
    EXPECT_EQ(wd.primitives[2].fill, kOdGiFillNever) << "the fill before the polygon comes back";
    EXPECT_EQ(wd.primitives[2].text, OdString(L"5 [N]"));
}

TEST(Analyze2dDrawable, ShowsInTheViewWhatItGivesADbEntityDrawer)
{
    TestContext context;
    const auto load = PointLoadDrawable::createObject(context);
    load->setMagnitude(100.0);
    EXPECT_FALSE(load->worldDraw(nullptr));
    RecordingWorldDraw wd;
    ASSERT_TRUE(load->worldDraw(&wd.world()));
    EXPECT_EQ(wd.kinds(), "polyline polygon text");
    DbEntityDrawer entities;
    load->draw(entities);
    ASSERT_EQ(entities.entities().size(), 3u);
    EXPECT_TRUE(wd.primitives[0].points[1].isEqualTo(OdDbLinePtr::cast(entities.entities()[0])->endPoint()));
    EXPECT_EQ(wd.primitives[2].height, 6.0);
}

TEST(GlyphEntities, TakeTheDrawingsDefaultsButKeepTheGlyphsOwnHeight)
{
    TestContext context;
    OdCmColor blue;
    blue.setColorIndex(5);
    context.database()->setCECOLOR(blue);
    const auto load = PointLoadDrawable::createObject(context);
    load->setMagnitude(1.0);
    const auto support = PointSupportDrawable::createObject(context);
    support->setDirection(OdGeVector3d(0, 1, 0));
    DbEntityDrawer drawer;
    load->draw(drawer);
    support->draw(drawer);
    const auto label = OdDbTextPtr::cast(drawer.entities()[2]);
    const auto hatch = OdDbHatchPtr::cast(drawer.entities().last());
    ASSERT_TRUE(label && hatch);
    EXPECT_EQ(label->colorIndex(), 5);
    EXPECT_EQ(label->height(), 6.0);
    EXPECT_EQ(hatch->colorIndex(), 5);
}

TEST(MeshDrawable, DrawsItsMeshInTheViewportUnshaded)
{
    const auto mesh = OdDbSubDMesh::createObject();
    const auto drawable = MeshDrawable::createObject(mesh);
    HostTraits host;
    host.setFlag(oa::RenderTraits::eShaded, true);
    host.setFlag(oa::RenderTraits::eOnTop, true);
    EXPECT_EQ(drawable->setAttributes(static_cast<OdGiSubEntityTraits*>(&host)), OdGiDrawable::kDrawableNone);
    EXPECT_FALSE(host.flag(oa::RenderTraits::eShaded));
    EXPECT_TRUE(host.flag(oa::RenderTraits::eOnTop)) << "only its own flag changes";
    EXPECT_FALSE(drawable->worldDraw(&host.world())) << "it draws in the viewport";
    drawable->viewportDraw(&host.viewport());
    ASSERT_EQ(host.kinds(), "draw");
    EXPECT_EQ(host.primitives[0].drawable, mesh.get());
}

TEST(HighlightDrawable, ShowsACopyInTheHighlightColourOnTop)
{
    ASSERT_TRUE(ca::preferences().setHighlightColorIndex(3));
    const auto line = OdDbLine::createObject();
    line->setColorIndex(7);
    const auto highlight = HighlightDrawable::createObject(line);
    EXPECT_EQ(highlight->copy().colorIndex(), 3);
    EXPECT_EQ(line->colorIndex(), 7) << "the entity itself keeps its colour";
    line->setEndPoint(OdGePoint3d(9, 9, 0));
    EXPECT_TRUE(dynamic_cast<const OdDbLine&>(highlight->copy()).endPoint().isEqualTo(OdGePoint3d::kOrigin))
        << "a private copy";

    HostTraits host;
    host.setFlag(oa::RenderTraits::eShaded, true);
    host.setFlag(oa::RenderTraits::eFaded, true);
    highlight->setAttributes(static_cast<OdGiSubEntityTraits*>(&host));
    EXPECT_TRUE(host.flag(oa::RenderTraits::eOnTop));
    EXPECT_FALSE(host.flag(oa::RenderTraits::eShaded));
    EXPECT_FALSE(host.flag(oa::RenderTraits::eFaded));
    EXPECT_EQ(host.fadeFactor(), 0.25);
    EXPECT_EQ(host.trueColor().colorIndex(), 3) << "the copy's own attributes";
    EXPECT_FALSE(highlight->worldDraw(&host.world()));
    highlight->viewportDraw(&host.viewport());
    ASSERT_EQ(host.kinds(), "draw");
    EXPECT_EQ(host.primitives[0].drawable, &highlight->copy());
    ca::preferences().setHighlightColorIndex(1);
}
} // namespace
