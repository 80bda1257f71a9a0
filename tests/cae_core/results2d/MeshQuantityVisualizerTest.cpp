#include "cae_core/results2d/MeshQuantityVisualizer.h"

#include "host/ca/Application.h"
#include "host/cma/DrawableHolder.h"
#include "host/oa/DwgViewer.h"
#include "tests/host/PictureSupport.h"

#include <gtest/gtest.h>

namespace
{
using namespace cae_core::fea2d;
using Q = MeshQuantityVisualizer::EQuantity;

/// A 30 x 40 rectangle (diagonal 50) as two triangles, with the host's application and viewer.
struct Fixture
{
    OdSmartPtr<OdDbSubDMesh> mesh = OdDbSubDMesh::createObject();
    ca::Application app;
    oa::DwgViewer viewer;
    const OdGePoint3dArray unmoved{OdGePoint3d(0, 0, 0), OdGePoint3d(30, 0, 0), OdGePoint3d(30, 40, 0),
                                   OdGePoint3d(0, 40, 0)};
    Fixture()
    {
        EXPECT_EQ(mesh->setSubDMesh(unmoved, OdInt32Array{3, 0, 1, 2, 3, 0, 2, 3}, 0), eOk);
        app.setCurrentViewer(&viewer);
    }
    std::unique_ptr<MeshQuantityVisualizer> make(std::vector<OdGeVector2d> displacements)
    {
        return std::make_unique<MeshQuantityVisualizer>(*mesh, std::vector<double>{1.0, 3.0},
                                                        std::move(displacements), L"MPa", L"mm");
    }
    void expectVerticesAt(const MeshQuantityVisualizer& v, const std::vector<OdGeVector2d>& u, double factor)
    {
        ASSERT_EQ(v.getVertices().size(), unmoved.size());
        for (unsigned int i = 0; i < unmoved.size(); ++i)
        {
            const OdGeVector2d d = i < u.size() ? u[i] * factor : OdGeVector2d();
            EXPECT_NEAR(v.getVertices()[i].x, unmoved[i].x + d.x, 1e-12) << i;
            EXPECT_NEAR(v.getVertices()[i].y, unmoved[i].y + d.y, 1e-12) << i;
        }
    }
};

const std::vector<OdGeVector2d> kDisplacements{{0, 0}, {0.6, 0.8}, {0.3, 0.4}, {0, 0}};

TEST(MeshQuantityVisualizer, StartsShownColouredByStressAtTrueScaleWithBothColourMaps)
{
    Fixture f;
    const auto v = f.make(kDisplacements);
    EXPECT_EQ(v->getColoredQuantity(), MeshQuantityVisualizer::eVonMisesStress);
    EXPECT_DOUBLE_EQ(v->getDisplacementFactor(), 1.0);
    f.expectVerticesAt(*v, kDisplacements, 1.0);
    ASSERT_NE(v->getShellHolder(), nullptr);
    EXPECT_TRUE(f.viewer.view().contains(v->getShellHolder()->drawable()));
    EXPECT_DOUBLE_EQ(v->getColorMap().getColorMapDomain().min, 1.0);
    EXPECT_DOUBLE_EQ(v->getColorMap().getColorMapDomain().max, 3.0);
    EXPECT_EQ(v->getStressColors()[1], OdCmEntityColor(255, 0, 0));
    EXPECT_EQ(v->getDisplacementColors()[1], OdCmEntityColor(255, 0, 0));
    EXPECT_EQ(v->getDisplacementColors()[0], OdCmEntityColor(0, 0, 255));
    EXPECT_EQ(v->getUnitStress(), OdString(L"MPa"));

    v->setColoredQuantity(MeshQuantityVisualizer::eNone);
    EXPECT_DOUBLE_EQ(v->getColorMap().getColorMapDomain().max, 1.0) << "eNone gives the displacement map";
}

TEST(MeshQuantityVisualizer, ChangingTheQuantityReplacesTheShellAndSignalsOnlyRealChanges)
{
    Fixture f;
    const auto v = f.make(kDisplacements);
    int signals = 0;
    const boost::signals2::scoped_connection c =
        v->connectVisualizationChangedSignal([&signals] { ++signals; });
    const OdGiDrawable* first = v->getShellHolder()->drawable();
    v->setColoredQuantity(MeshQuantityVisualizer::eVonMisesStress);
    EXPECT_EQ(signals, 0);
    EXPECT_EQ(v->getShellHolder()->drawable(), first);

    v->setColoredQuantity(MeshQuantityVisualizer::eDisplacement);
    EXPECT_EQ(signals, 1);
    EXPECT_NE(v->getShellHolder()->drawable(), first);
    EXPECT_EQ(f.viewer.view().numDrawables(), 1u) << "the previous shell left the view";
}

TEST(MeshQuantityVisualizer, FactorsApplyIncrementallyAndIgnoreTinyChangesAndMismatchedCounts)
{
    Fixture f;
    const auto v = f.make(kDisplacements);
    v->setDisplacementFactor(2.0);
    v->setDisplacementFactor(0.5);
    f.expectVerticesAt(*v, kDisplacements, 0.5);
    v->setDisplacementFactor(0.5 + 5e-11);
    EXPECT_DOUBLE_EQ(v->getDisplacementFactor(), 0.5);

    const auto mismatched = f.make({{1, 1}});
    mismatched->setDisplacementFactor(3.0);
    EXPECT_DOUBLE_EQ(mismatched->getDisplacementFactor(), 3.0);
    f.expectVerticesAt(*mismatched, {}, 0.0);
}

TEST(MeshQuantityVisualizer, LargeFactorDrawsTheLargestDisplacementATenthOfTheDiagonalButNeverShrinks)
{
    Fixture f;
    const std::pair<std::vector<OdGeVector2d>, double> cases[] = {
        {{{0, 0}, {0.6, 0.8}, {0, 0}, {0, 0}}, 5.0}, // largest 1, diagonal 50
        {{{0, 0}, {6, 8}, {0, 0}, {0, 0}}, 1.0},     // largest 10
        {{{0, 0}, {0, 0}, {0, 0}, {0, 0}}, 0.0},
        {{}, 0.0},
    };
    for (const auto& [u, factor] : cases)
        EXPECT_DOUBLE_EQ(f.make(u)->getLargeDisplacementFactor(), factor);
}

TEST(MeshQuantityVisualizer, ResetShowsAnUncolouredShellOnceAndNothingTheSecondTime)
{
    Fixture f;
    const auto v = f.make(kDisplacements);
    for (const std::size_t shown : {1u, 0u})
    {
        v->reset();
        EXPECT_EQ(f.viewer.view().numDrawables(), shown);
        EXPECT_EQ(v->getShellHolder() != nullptr, shown == 1u);
        EXPECT_EQ(v->getColoredQuantity(), MeshQuantityVisualizer::eNone);
        EXPECT_DOUBLE_EQ(v->getDisplacementFactor(), 0.0);
        f.expectVerticesAt(*v, kDisplacements, 0.0);
    }
}

TEST(ShellDrawable, DrawsFilledTrianglesInTheQuantitysColoursWithBlackEdges)
{
    Fixture f;
    const auto v = f.make(kDisplacements);
    v->setDisplacementFactor(0.0);
    f.viewer.view().fitTo(OdGeExtents3d(OdGePoint3d(0, 0, 0), OdGePoint3d(30, 40, 0)));
    const auto at = [&f](const host_test::Picture& png, double x, double y)
    {
        const OdGePoint3d p = f.viewer.view().pictureOf(OdGePoint3d(x, y, 0), 300, 400);
        return png.at(static_cast<int>(p.x), static_cast<int>(p.y));
    };
    using Rgb = host_test::Picture::Rgb;
    const host_test::Picture stress(f.viewer.view().renderPng(300, 400));
    EXPECT_EQ(at(stress, 20, 10), (Rgb{0, 0, 255})) << "triangle 0, the lower stress";
    EXPECT_EQ(at(stress, 10, 30), (Rgb{255, 0, 0})) << "triangle 1, the higher stress";
    const OdGePoint3d edge = f.viewer.view().pictureOf(OdGePoint3d(15, 20, 0), 300, 400);
    int darkest = 3 * 255;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
        {
            const Rgb c = stress.at(static_cast<int>(edge.x) + dx, static_cast<int>(edge.y) + dy);
            darkest = std::min(darkest, c.r + c.g + c.b);
        }
    EXPECT_LT(darkest, 180) << "the shared edge is drawn black (a fine line, partly covering its pixels)";

    v->setColoredQuantity(MeshQuantityVisualizer::eDisplacement);
    const host_test::Picture displacement(f.viewer.view().renderPng(300, 400));
    EXPECT_GT(at(displacement, 29, 1).r, 200) << "next to the most displaced vertex";
    EXPECT_GT(at(displacement, 1, 1).b, 200) << "next to a fixed vertex";
}

TEST(ShellDrawable, AShellStyleLightensOrDropsTheEdgesAndFillsAnUncolouredShellPlainly)
{
    Fixture f;
    const auto v = f.make(kDisplacements);
    v->setDisplacementFactor(0.0);
    v->setColoredQuantity(MeshQuantityVisualizer::eNone);
    f.viewer.view().fitTo(OdGeExtents3d(OdGePoint3d(0, 0, 0), OdGePoint3d(30, 40, 0)));
    const OdGePoint3d edge = f.viewer.view().pictureOf(OdGePoint3d(15, 20, 0), 300, 400);
    const OdGePoint3d inside = f.viewer.view().pictureOf(OdGePoint3d(20, 10, 0), 300, 400);
    /// The darkest grey of the pixels around the shared edge, and the colour inside a triangle.
    const auto look = [&]
    {
        const host_test::Picture png(f.viewer.view().renderPng(300, 400));
        int darkest = 3 * 255;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
            {
                const auto c = png.at(static_cast<int>(edge.x) + dx, static_cast<int>(edge.y) + dy);
                darkest = std::min(darkest, c.r + c.g + c.b);
            }
        return std::pair{darkest, png.at(static_cast<int>(inside.x), static_cast<int>(inside.y))};
    };
    MeshQuantityVisualizer::ShellStyle style;
    style.plainColor = OdCmEntityColor(240, 240, 240);
    style.edgeColor = OdCmEntityColor(200, 200, 200);
    v->setShellStyle(style);
    const auto [lightEdge, plain] = look();
    EXPECT_EQ(plain, (host_test::Picture::Rgb{240, 240, 240}));
    EXPECT_GE(lightEdge, 3 * 200) << "the edge is no darker than its colour";
    EXPECT_LT(lightEdge, 3 * 240) << "but drawn";
    style.edges = false;
    v->setShellStyle(style);
    EXPECT_EQ(look().first, 3 * 240) << "no edge at all";
}

TEST(ShellDrawable, ColoursWhatHasValuesWhenThereAreFewerValuesThanTrianglesOrVertices)
{
    Fixture f;
    MeshQuantityVisualizer v(*f.mesh, std::vector<double>{1.0}, {{0, 0}, {0.6, 0.8}}, L"MPa", L"mm");
    v.setDisplacementFactor(0.0);
    f.viewer.view().fitTo(OdGeExtents3d(OdGePoint3d(0, 0, 0), OdGePoint3d(30, 40, 0)));
    const auto at = [&f](const host_test::Picture& png, double x, double y)
    {
        const OdGePoint3d p = f.viewer.view().pictureOf(OdGePoint3d(x, y, 0), 300, 400);
        return png.at(static_cast<int>(p.x), static_cast<int>(p.y));
    };
    const host_test::Picture stress(f.viewer.view().renderPng(300, 400));
    EXPECT_NE(at(stress, 20, 10), at(stress, 10, 30)) << "triangle 0 in its colour, triangle 1 plain";
    v.setColoredQuantity(MeshQuantityVisualizer::eDisplacement);
    const host_test::Picture displacement(f.viewer.view().renderPng(300, 400));
    const auto red = at(displacement, 29, 1);
    EXPECT_TRUE(red.r > 200 && red.b < 100) << "next to the displaced vertex, coloured";
}

TEST(MeshQuantityVisualizer, WithoutAViewerNothingIsShownButTheStateIsKept)
{
    Fixture f;
    f.app.setCurrentViewer(nullptr);
    const auto v = f.make(kDisplacements);
    EXPECT_EQ(v->getShellHolder(), nullptr);
    f.expectVerticesAt(*v, kDisplacements, 1.0);
}

} // namespace
