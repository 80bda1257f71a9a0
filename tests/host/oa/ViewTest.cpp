#include "host/oa/DrawableImpl.h"
#include "host/oa/DwgViewer.h"
#include "host/oa/RenderTraits.h"
#include "platform/db/DbPolyline.h"
#include "platform/gi/GiWorldDraw.h"
#include "tests/host/PictureSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{
using host_test::Picture;
using Rgb = Picture::Rgb;

/// A transient drawable whose drawing the test supplies.
class TestDrawable : public oa::DrawableImpl
{
public:
    std::function<void(OdGiDrawableTraits*)> attributes;
    std::function<void(OdGiWorldDraw&)> drawing;

private:
    std::uint32_t subSetAttributes(OdGiDrawableTraits* traits) const override
    {
        if (attributes)
            attributes(traits);
        return kDrawableNone;
    }
    bool subWorldDraw(OdGiWorldDraw* wd) const override
    {
        if (drawing)
            drawing(*wd);
        return true;
    }
};

OdCmEntityColor rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return OdCmEntityColor(r, g, b);
}

/// The square 0..10 as two triangles: (0,0)-(10,0)-(10,10) below the diagonal, (0,0)-(10,10)-(0,10) above.
const OdGePoint3d kSquare[] = {OdGePoint3d(0, 0, 0), OdGePoint3d(10, 0, 0), OdGePoint3d(10, 10, 0),
                               OdGePoint3d(0, 10, 0)};
const std::int32_t kFaces[] = {3, 0, 1, 2, 3, 0, 2, 3};
const OdCmEntityColor kFaceColors[] = {rgb(255, 0, 0), rgb(0, 0, 255)};

OdSmartPtr<TestDrawable> coloredSquare(bool shaded)
{
    auto d = odrxCreateObject<TestDrawable>();
    d->attributes = [shaded](OdGiDrawableTraits* t)
    {
        ASSERT_NE(oa::RenderTraits::from(t), nullptr) << "the host's traits carry render traits";
        oa::RenderTraits::from(t)->setFlag(oa::RenderTraits::eShaded, shaded);
    };
    d->drawing = [](OdGiWorldDraw& wd)
    {
        wd.subEntityTraits().setFillType(kOdGiFillAlways);
        wd.subEntityTraits().setTrueColor(rgb(0, 128, 0));
        OdGiFaceData faces;
        faces.setTrueColors(kFaceColors);
        wd.geometry().shell(4, kSquare, 8, kFaces, nullptr, &faces, nullptr);
    };
    return d;
}

TEST(ViewPicture, ShadedShellsTakeTheirFaceColoursAndOthersTheCurrentColour)
{
    for (const bool shaded : {true, false})
    {
        oa::View view;
        view.add(coloredSquare(shaded).get());
        const Picture png(view.renderPng(200, 200));
        ASSERT_EQ(png.width(), 200);
        // The square fills the picture but for the margin; y points up in the world, down in the picture.
        const Rgb below = shaded ? Rgb{255, 0, 0} : Rgb{0, 128, 0};
        const Rgb above = shaded ? Rgb{0, 0, 255} : Rgb{0, 128, 0};
        EXPECT_EQ(png.at(150, 150), below) << "shaded " << shaded;
        EXPECT_EQ(png.at(50, 50), above) << "shaded " << shaded;
        EXPECT_TRUE(png.isWhite(2, 2)) << "the margin stays white";

        const std::string svg = view.renderSvg(200, 200);
        const std::size_t background = host_test::countOf(svg, "fill:rgb(100%,100%,100%)");
        EXPECT_EQ(host_test::countOf(svg, "fill:rgb(") - background, shaded ? 2u : 1u)
            << "one filled path per colour";
        EXPECT_EQ(host_test::countOf(svg, "fill:rgb(100%,0%,0%)"), shaded ? 1u : 0u);
    }
}

TEST(ViewPicture, VertexColoursBlendAcrossTrianglesInPngsAndAverageInSvgs)
{
    const OdCmEntityColor corners[] = {rgb(255, 0, 0), rgb(255, 0, 0), rgb(0, 0, 255), rgb(0, 0, 255)};
    auto d = odrxCreateObject<TestDrawable>();
    d->attributes = [](OdGiDrawableTraits* t)
    { oa::RenderTraits::from(t)->setFlag(oa::RenderTraits::eShaded, true); };
    d->drawing = [&corners](OdGiWorldDraw& wd)
    {
        wd.subEntityTraits().setFillType(kOdGiFillAlways);
        OdGiVertexData vertices;
        vertices.setTrueColors(corners);
        wd.geometry().shell(4, kSquare, 8, kFaces, nullptr, nullptr, &vertices);
    };
    oa::View view;
    view.add(d.get());
    const Picture png(view.renderPng(200, 200));
    EXPECT_GT(png.at(100, 190).r, 240) << "near the red bottom edge";
    EXPECT_GT(png.at(100, 10).b, 240) << "near the blue top edge";
    const Rgb middle = png.at(100, 100);
    EXPECT_NEAR(middle.r, 128, 8);
    EXPECT_NEAR(middle.b, 128, 8);

    const std::string svg = view.renderSvg(200, 200);
    // Below the diagonal two red corners and one blue, above one red and two blue.
    EXPECT_EQ(host_test::countOf(svg, "fill:rgb(66.666667%,0%,33.333333%)"), 1u) << svg.substr(0, 2000);
    EXPECT_EQ(host_test::countOf(svg, "fill:rgb(33.333333%,0%,66.666667%)"), 1u);
}

TEST(ViewPicture, LinesTakeTheWidthSetBeforeThemAsAMultipleOfTheFineLine)
{
    // Two horizontal lines of one colour, the lower one four times as wide: the width is not lost
    // where lines of one colour are stroked together.
    auto d = odrxCreateObject<TestDrawable>();
    d->drawing = [](OdGiWorldDraw& wd)
    {
        wd.subEntityTraits().setTrueColor(rgb(0, 0, 0));
        for (const double width : {1.0, 4.0})
        {
            oa::RenderTraits::from(&wd.subEntityTraits())->setLineWidth(width);
            const double y = width > 1.0 ? 2.0 : 8.0;
            const OdGePoint3d line[] = {OdGePoint3d(0, y, 0), OdGePoint3d(10, y, 0)};
            wd.geometry().polyline(2, line);
        }
    };
    oa::View view;
    view.add(d.get());
    const Picture png(view.renderPng(200, 200));
    // Rows darker than mid-grey across the middle of each line.
    const auto darkRows = [&](int from, int to)
    {
        int rows = 0;
        for (int y = from; y < to; ++y)
            rows += png.at(60, y).r < 128 ? 1 : 0;
        return rows;
    };
    const int fine = darkRows(30, 70), wide = darkRows(130, 170);
    EXPECT_LE(fine, 1);
    EXPECT_GE(wide, 2) << "four fine lines are 2.4 pixels";
}

TEST(ViewPicture, ShellEdgesWithColoursAreDrawnInThemOverTheFillOnePathPerColour)
{
    // Edges in face-list order: the lower triangle's three, then the upper one's.
    const OdCmEntityColor red = rgb(255, 0, 0), blue = rgb(0, 0, 255);
    const OdCmEntityColor edgeColors[] = {red, blue, red, blue, red, blue};
    auto d = odrxCreateObject<TestDrawable>();
    d->drawing = [&edgeColors](OdGiWorldDraw& wd)
    {
        wd.subEntityTraits().setFillType(kOdGiFillAlways);
        wd.subEntityTraits().setTrueColor(rgb(0, 128, 0));
        OdGiEdgeData edges;
        edges.setTrueColors(edgeColors);
        wd.geometry().shell(4, kSquare, 8, kFaces, &edges, nullptr, nullptr);
    };
    oa::View view;
    view.add(d.get());
    const std::string svg = view.renderSvg(200, 200);
    EXPECT_EQ(host_test::countOf(svg, "stroke:rgb(100%,0%,0%)"), 1u) << svg.substr(0, 3000);
    EXPECT_EQ(host_test::countOf(svg, "stroke:rgb(0%,0%,100%)"), 1u);
    EXPECT_EQ(host_test::countOf(svg, "fill:rgb(0%,50.196078%,0%)"), 1u) << "the fill stays";
    // The bottom edge (0,0)-(10,0) is red, the right one (10,0)-(10,10) blue, over the green fill.
    const Picture png(view.renderPng(200, 200));
    const auto bottom = png.at(100, 194), right = png.at(194, 100);
    EXPECT_GT(bottom.r, bottom.g) << "red over green";
    EXPECT_GT(right.b, right.g) << "blue over green";
}

TEST(ViewPicture, TextsAreDrawnAtTheirHeightAcrossTheWidthTheirExtentsGive)
{
    auto d = odrxCreateObject<TestDrawable>();
    d->drawing = [](OdGiWorldDraw& wd)
    {
        wd.geometry().text(OdGePoint3d(2, 2, 0), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, 4.0, 1.0, 0.0,
                           L"HHHH");
        // Two points fix the window to 0..20 in both directions.
        const OdGePoint3d corners[] = {OdGePoint3d(0, 0, 0), OdGePoint3d(20, 20, 0)};
        wd.subEntityTraits().setTrueColor(rgb(255, 255, 255));
        wd.geometry().polyline(2, corners);
    };
    oa::View view;
    view.add(d.get());
    const Picture png(view.renderPng(212, 212)); // margin 6 px, 10 px per drawing unit
    int top = 212, bottom = -1, left = 212, right = -1;
    for (int y = 0; y < 212; ++y)
        for (int x = 0; x < 212; ++x)
            if (png.at(x, y).r < 128)
            {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_NEAR(bottom - top + 1, 40, 2) << "capitals 4 units = 40 px tall";
    EXPECT_NEAR(bottom, 212 - 6 - 20, 2) << "the baseline at y = 2";
    // The ink lies inside the box of four fixed-pitch characters (x 26..146), less the glyphs' side bearings.
    EXPECT_GE(left, 26);
    EXPECT_LE(right, 146);
    EXPECT_GT(right - left + 1, 0.9 * 4 * 0.75 * 40) << "four characters of the fixed pitch";
}

TEST(ViewContent, TransientDrawablesShowWhatTheyDrewUntilUpdatedAndEntitiesShowTheirCurrentState)
{
    double x = 0.0;
    auto d = odrxCreateObject<TestDrawable>();
    d->drawing = [&x](OdGiWorldDraw& wd)
    {
        const OdGePoint3d pts[] = {OdGePoint3d(x, 0, 0), OdGePoint3d(x + 1, 1, 0)};
        wd.geometry().polyline(2, pts);
    };
    oa::View view;
    view.add(d.get());
    EXPECT_EQ(d->numRefs(), 2) << "the view holds a reference";
    x = 5.0;
    EXPECT_DOUBLE_EQ(view.extents().minPoint().x, 0.0) << "not redrawn yet";
    EXPECT_TRUE(view.update(d.get()));
    EXPECT_DOUBLE_EQ(view.extents().minPoint().x, 5.0);

    const OdDbPolylinePtr pline = OdDbPolyline::createObject();
    pline->addVertexAt(0, OdGePoint2d(-3, 0));
    pline->addVertexAt(1, OdGePoint2d(0, 0));
    view.addEntity(pline);
    EXPECT_DOUBLE_EQ(view.extents().minPoint().x, -3.0);
    pline->addVertexAt(0, OdGePoint2d(-7, 0));
    EXPECT_DOUBLE_EQ(view.extents().minPoint().x, -7.0) << "entities are drawn afresh";

    EXPECT_TRUE(view.erase(d.get()));
    EXPECT_FALSE(view.erase(d.get()));
    EXPECT_FALSE(view.update(d.get()));
    EXPECT_EQ(d->numRefs(), 1);
    EXPECT_TRUE(view.eraseEntity(pline.get()));
    EXPECT_FALSE(view.extents().isValidExtents());
}

TEST(ViewPicture, AFixedWindowKeepsTheMappingWhateverIsShown)
{
    auto d = coloredSquare(true);
    oa::View view;
    view.add(d.get());
    view.fitTo(OdGeExtents3d(OdGePoint3d(0, 0, 0), OdGePoint3d(20, 20, 0)));
    const Picture png(view.renderPng(200, 200));
    EXPECT_EQ(png.at(80, 150), (Rgb{255, 0, 0})) << "the square fills the lower left quarter";
    EXPECT_TRUE(png.isWhite(150, 50));
}

TEST(ViewPicture, SizesOutsideTheRangeAreRefusedWithTheSizeNamed)
{
    oa::View view;
    for (const auto& [w, h] :
         {std::pair{0, 10}, std::pair{10, -1}, std::pair{oa::View::kMaxPictureSide + 1, 10}})
    {
        try
        {
            view.renderPng(w, h);
            ADD_FAILURE() << w << "x" << h;
        }
        catch (const oa::PictureError& e)
        {
            EXPECT_NE(std::string(e.what()).find(std::to_string(w) + "x" + std::to_string(h)),
                      std::string::npos);
        }
    }
    EXPECT_NO_THROW(view.renderSvg(1, 1)) << "an empty view is a white picture";
}

} // namespace
