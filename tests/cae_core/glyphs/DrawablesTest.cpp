#include "cae_core/fea2d/Context.h"
#include "cae_core/glyphs/DbEntityDrawer.h"
#include "cae_core/glyphs/DistributedDrawables.h"
#include "cae_core/glyphs/PointDrawables.h"
#include "platform/db/DbCircle.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbHatch.h"
#include "platform/db/DbLine.h"
#include "platform/db/DbPolyline.h"
#include "platform/db/DbSpline.h"
#include "platform/db/DbText.h"
#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeLineSeg3d.h"

#include "GlyphsTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
using namespace cae_core::fea2d;
constexpr double kExact = 1e-9;

using glyphs_test::TestContext;

/// The kinds of the collected entities, one letter each: L line, P polyline, T text, H hatch,
/// S spline, C circle.
std::string kinds(const DbEntityDrawer& drawer)
{
    std::string result;
    for (const auto& e : drawer.entities())
        result += e->isKindOf<OdDbLine>()       ? 'L'
                  : e->isKindOf<OdDbPolyline>() ? 'P'
                  : e->isKindOf<OdDbText>()     ? 'T'
                  : e->isKindOf<OdDbHatch>()    ? 'H'
                  : e->isKindOf<OdDbSpline>()   ? 'S'
                  : e->isKindOf<OdDbCircle>()   ? 'C'
                                                : '?';
    return result;
}

template <class T> OdSmartPtr<T> at(const DbEntityDrawer& drawer, unsigned i)
{
    return OdSmartPtr<T>::cast(drawer.entities()[i]);
}

BaseDistributedDrawable::CurveArray square()
{
    auto line = [](double x0, double y0, double x1, double y1)
    { return OdSharedPtr<OdGeCurve3d>(new OdGeLineSeg3d(OdGePoint3d(x0, y0, 0), OdGePoint3d(x1, y1, 0))); };
    return {line(0, 0, 100, 0), line(100, 0, 100, 100), line(100, 100, 0, 100), line(0, 100, 0, 0)};
}

TEST(DbEntityDrawer, CollectsAPointLoadAsShaftHeadAndLabel)
{
    TestContext context;
    const auto load = PointLoadDrawable::createObject(context);
    load->setDirection(OdGeVector3d(0, -3, 0));
    EXPECT_TRUE(load->direction().isEqualTo(OdGeVector3d(0, -1, 0)));
    DbEntityDrawer plain;
    load->draw(plain);
    EXPECT_EQ(kinds(plain), "LP") << "no magnitude, no label";

    load->setMagnitude(100.0);
    DbEntityDrawer drawer;
    load->draw(drawer);
    ASSERT_EQ(kinds(drawer), "LPT");
    const auto head = at<OdDbPolyline>(drawer, 1);
    EXPECT_TRUE(head->isClosed());
    EXPECT_EQ(head->numVerts(), 3u);
    double startWidth = 0, endWidth = 0;
    head->getWidthsAt(0, startWidth, endWidth);
    EXPECT_EQ(startWidth, -1.0);
    const auto label = at<OdDbText>(drawer, 2);
    EXPECT_EQ(label->textString(), OdString(L"100 [N]"));
    EXPECT_LE(label->position().distanceTo(OdGePoint3d(0, 25.5, 0)), kExact);
    EXPECT_EQ(label->height(), 6.0);
}

TEST(DbEntityDrawer, CollectsAPointSupportAsTriangleGroundLinesAndHatch)
{
    TestContext context(2.0);
    for (const bool rolling : {false, true})
    {
        const auto support = PointSupportDrawable::createObject(context);
        support->setDirection(OdGeVector3d(0, -1, 0));
        support->setRolling(rolling);
        DbEntityDrawer drawer;
        support->draw(drawer);
        ASSERT_EQ(kinds(drawer), rolling ? "PLLH" : "PLH");
        EXPECT_LE(at<OdDbLine>(drawer, 1)->startPoint().distanceTo(OdGePoint3d(-40, 24, 0)), kExact);
        const auto hatch = at<OdDbHatch>(drawer, rolling ? 3 : 2);
        EXPECT_EQ(hatch->patternName(), OdString(L"ANSI31"));
        EXPECT_EQ(hatch->patternType(), OdDbHatch::kPreDefined);
        EXPECT_EQ(hatch->patternScale(), 1.0);
        EXPECT_EQ(hatch->loopTypeAt(0), OdDbHatch::kExternal | OdDbHatch::kPolyline);
    }
}

TEST(DistributedDrawables, KeepTheirChainAndLengthAsTheWalkChanges)
{
    TestContext context;
    const auto load = DistributedLoadDrawable::createObject(square(), context);
    load->setStartLocation(OdGePoint3d(20, 0, 0));
    load->setEndLocation(OdGePoint3d(100, 50, 0));
    EXPECT_EQ(load->segmentChain().size(), 2u);
    EXPECT_NEAR(load->length(), 130.0, kExact);
    load->setFlipped(true);
    EXPECT_EQ(load->segmentChain().size(), 4u);
    EXPECT_NEAR(load->length(), 270.0, kExact);
    load->setEndLocation(OdGePoint3d(50, 50, 0));
    EXPECT_TRUE(load->segmentChain().isEmpty()) << "an end point off the boundary";
    EXPECT_EQ(load->length(), 0.0);
    DbEntityDrawer drawer;
    load->draw(drawer);
    EXPECT_TRUE(drawer.entities().isEmpty());
}

TEST(DbEntityDrawer, CollectsADistributedLoadWithItsTailCurveAndOneLabelAtTheEnd)
{
    TestContext context;
    const auto load = DistributedLoadDrawable::createObject(square(), context);
    load->setStartLocation(OdGePoint3d(50, 0, 0));
    load->setEndLocation(OdGePoint3d(100, 50, 0));
    load->setMagnitude(5.0);
    DbEntityDrawer drawer;
    load->draw(drawer);
    // Three arrows and the tail curve on each of the two edges, the label after the last.
    ASSERT_EQ(kinds(drawer), "LPLPLPSLPLPLPST");
    const auto label = at<OdDbText>(drawer, 14);
    EXPECT_EQ(label->textString(), OdString(L"5 [N/mm]"));
    // Its left edge 25 outside the end point (100, 50), along the right edge's normal (1, 0).
    OdGeExtents3d box;
    ASSERT_EQ(label->getGeomExtents(box), eOk);
    EXPECT_NEAR(box.minPoint().x, 125.0, kExact);

    // The whole loop: four edges, no label before the last.
    load->setClose(true);
    DbEntityDrawer whole;
    load->draw(whole);
    EXPECT_EQ(kinds(whole).size(), 4 * 11u + 1);
}

TEST(DbEntityDrawer, LoadsOfAContextWithoutDrawingAreDrawnAtSizeOneWithTheirMagnitude)
{
    class NoDrawing : public Context
    {
    public:
        OdDbDatabase* database() const override { return nullptr; }
        OdString unitName(OdDb::UnitsValue) override { return L"mm"; }
    } context;
    const auto point = PointLoadDrawable::createObject(context);
    point->setLocation(OdGePoint3d(10, 10, 0));
    point->setMagnitude(2.5);
    const auto linear = DistributedLoadDrawable::createObject(square(), context);
    linear->setStartLocation(OdGePoint3d(20, 0, 0));
    linear->setEndLocation(OdGePoint3d(80, 0, 0));
    linear->setMagnitude(5.0);
    const std::pair<const Analyze2dDrawable*, const char*> loads[] = {{point.get(), "2.5"},
                                                                      {linear.get(), "5"}};
    for (const auto& [load, label] : loads)
    {
        DbEntityDrawer drawer;
        load->draw(drawer);
        const std::string k = kinds(drawer);
        ASSERT_EQ(k.back(), 'T') << label;
        const auto text = at<OdDbText>(drawer, static_cast<unsigned>(k.size() - 1));
        EXPECT_EQ(text->textString(), OdString(label));
    }
    DbEntityDrawer drawer;
    linear->draw(drawer);
    EXPECT_EQ(kinds(drawer), "LPLPLPST") << "arrows 30 apart, as at glyph size 1";
    EXPECT_NEAR(at<OdDbText>(drawer, 7)->height(), 6.0, kExact);
}

TEST(DbEntityDrawer, CollectsADistributedSupportRoundAHoleWithItsGroundCircleAndHatch)
{
    TestContext context;
    auto* hole = new OdGeCircArc3d(OdGePoint3d(0, 0, 0), OdGeVector3d::kZAxis, 40.0);
    hole->reverseParam();
    const auto support = DistributedSupportDrawable::createObject({OdSharedPtr<OdGeCurve3d>(hole)}, context);
    support->setClose(true);
    DbEntityDrawer drawer;
    support->draw(drawer);
    const std::string k = kinds(drawer);
    ASSERT_GE(k.size(), 6u);
    EXPECT_EQ(k.substr(k.size() - 2), "CH");
    EXPECT_EQ(k.find_first_not_of('L'), k.size() - 2) << "two sides per triangle, then ground and hatch";
    EXPECT_NEAR(at<OdDbCircle>(drawer, static_cast<unsigned>(k.size() - 2))->radius(), 28.0, kExact);
    EXPECT_EQ(at<OdDbHatch>(drawer, static_cast<unsigned>(k.size() - 1))->numLoops(), 2);
}
} // namespace
