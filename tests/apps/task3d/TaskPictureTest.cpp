// The 3D result picture of the bracket as an engineer reads it: faces told apart by their light, the
// bolt hole open, the solid's edges where they are seen, and a legend that states what is drawn.

#include "apps/task3d/TaskPicture.h"
#include "apps/task3d/TaskFile.h"
#include "apps/task3d/TaskModel.h"
#include "cae_core/task/Factory.h"
#include "cae_core/task/Mesh.h"
#include "host/tetra/GmshTetraMeshGenerator.h"
#include "host/ut/Reporter.h"
#include "tests/apps/TestSupport.h"
#include "tests/host/PictureSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <set>
#include <sstream>

namespace
{
namespace fs = std::filesystem;
using host_test::Picture;

constexpr int kWidth = 800, kHeight = 500;

/// The bracket example (100 x 40 x 20 with a bolt hole of radius 8 at (70, 20)), meshed coarsely
/// with four-node tetrahedra, in millimetres.
class BracketPicture : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const fs::path example = cae_app_test::examplesDir() / "3d" / "bracket.json";
        std::string text = cae_app_test::slurp(example);
        if (const auto at = text.find("\"fineness\": 1"); at != std::string::npos)
            text.replace(at, 13, "\"fineness\": 3");
        s_file = new cae_app::TaskFile(cae_app::parseTaskText(text, "bracket.json", example.parent_path()));
        s_model = new cae_app::TaskModel(cae_app::buildTaskModel(*s_file));
        tetra::GmshTetraMeshGenerator::Settings settings;
        settings.order = 1;
        cae_core::TetraMeshGenerator::init(std::make_unique<tetra::GmshTetraMeshGenerator>(settings));
        s_task = new std::shared_ptr<cae_core::Task>(
            cae_core::Factory::instance().createTask(OdString(L"picture"), s_file->units, true));
        const auto entity = cae_core::Factory::instance().createEntity(s_task->get(), s_model->solidId);
        std::ostringstream log;
        ut::StreamReporter reporter(log);
        cae_core::MeshingParameters parameters = cae_core::MeshingParameters::buildParameters(3.0);
        s_mesh = new std::shared_ptr<cae_core::Mesh>();
        ASSERT_EQ(cae_core::TetraMeshGenerator::get().generate(reporter, s_model->solidId, s_task->get(),
                                                               entity.get(), parameters, *s_mesh),
                  cae_core::eOk)
            << log.str();
    }
    static void TearDownTestSuite()
    {
        cae_core::Factory::instance().onTaskDestroyed(s_task->get());
        delete s_mesh;
        delete s_task;
        delete s_model;
        delete s_file;
    }

    /// The mesh's points in millimetres.
    static std::vector<OdGePoint3d> points()
    {
        OdSmartPtr<OdDbSubDMesh> db = OdDbSubDMesh::createObject();
        EXPECT_EQ((*s_mesh)->applyDbMesh(false, false, db), cae_core::eOk);
        OdGePoint3dArray p;
        db->getVertices(p);
        return {p.begin(), p.end()};
    }
    /// The undisplaced bracket with `values`, fixed on its left end and pressed on its top.
    static cae_app::TaskScene scene(std::vector<double> values, cae_app::ETaskView view)
    {
        using Kind = cae_app::SceneFeature::EKind;
        std::vector<cae_app::SceneFeature> features;
        for (std::size_t i = 0; i < s_file->features.size(); ++i)
            features.push_back({i == 0 ? Kind::eFixed : Kind::eLoad, s_model->targets[i].faces, {}});
        cae_app::TaskScene s = cae_app::makeTaskScene(**s_mesh, points(), std::move(values), features);
        s.title = "von Mises stress [MPa]";
        s.view = view;
        return s;
    }
    static int brightness(const Picture::Rgb& c) { return c.r + c.g + c.b; }

    static cae_app::TaskFile* s_file;
    static cae_app::TaskModel* s_model;
    static std::shared_ptr<cae_core::Task>* s_task;
    static std::shared_ptr<cae_core::Mesh>* s_mesh;
};
cae_app::TaskFile* BracketPicture::s_file = nullptr;
cae_app::TaskModel* BracketPicture::s_model = nullptr;
std::shared_ptr<cae_core::Task>* BracketPicture::s_task = nullptr;
std::shared_ptr<cae_core::Mesh>* BracketPicture::s_mesh = nullptr;

TEST_F(BracketPicture, FacesOfDifferentOrientationDifferInBrightnessButNoneIsDark)
{
    const cae_app::TaskPicture picture(
        scene(std::vector<double>(points().size(), 1.0), cae_app::ETaskView::eIso));
    const Picture png(picture.png(kWidth, kHeight));
    // Away from the hole and the glyphs: the top, the front (y = 0) and the free end (x = 100).
    std::vector<int> seen;
    for (const OdGePoint3d& p : {OdGePoint3d(40, 30, 20), OdGePoint3d(50, 0, 6), OdGePoint3d(100, 30, 6)})
    {
        const OdGePoint3d px = picture.pixelOf(p, kWidth, kHeight);
        const Picture::Rgb c = png.at(static_cast<int>(px.x), static_cast<int>(px.y));
        EXPECT_FALSE(png.isWhite(static_cast<int>(px.x), static_cast<int>(px.y))) << p.x << " " << p.y;
        seen.push_back(brightness(c));
    }
    // Every face of one colour (the map's lowest, full blue) keeps at least about a third of it.
    for (std::size_t i = 0; i < seen.size(); ++i)
    {
        EXPECT_GE(seen[i], 0.3 * 255) << i;
        for (std::size_t j = i + 1; j < seen.size(); ++j)
            EXPECT_GT(std::abs(seen[i] - seen[j]), 10) << i << " and " << j;
    }
}

TEST_F(BracketPicture, TheBoltHoleShowsAndTheHiddenEdgesDoNot)
{
    for (const auto view : {cae_app::ETaskView::eIso, cae_app::ETaskView::eTop})
    {
        const cae_app::TaskPicture picture(scene(std::vector<double>(points().size(), 1.0), view));
        const Picture png(picture.png(kWidth, kHeight));
        const auto at = [&](const OdGePoint3d& p)
        {
            const OdGePoint3d px = picture.pixelOf(p, kWidth, kHeight);
            return png.at(static_cast<int>(px.x), static_cast<int>(px.y));
        };
        const Picture::Rgb top = at(OdGePoint3d(45, 28, 20));
        // The hole's middle, and a point of it well inside its projected rim, show its wall or what lies
        // beyond, never the top face.
        for (const OdGePoint3d& p : {OdGePoint3d(70, 20, 20), OdGePoint3d(70, 15, 20)})
            EXPECT_NE(at(p), top) << static_cast<int>(view) << ": " << p.x << " " << p.y;
    }
    const cae_app::TaskPicture iso(
        scene(std::vector<double>(points().size(), 1.0), cae_app::ETaskView::eIso));
    const Picture png(iso.png(kWidth, kHeight));
    // The darkest pixel within one of the point: a fine line covers part of a pixel only.
    const auto brightnessAt = [&](const OdGePoint3d& p)
    {
        const OdGePoint3d px = iso.pixelOf(p, kWidth, kHeight);
        int darkest = 3 * 255;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                darkest = std::min(
                    darkest, brightness(png.at(static_cast<int>(px.x) + dx, static_cast<int>(px.y) + dy)));
        return darkest;
    };
    // The front face's upper edge is drawn dark over its faces; the bottom's far edge, behind the solid,
    // is not drawn at all.
    EXPECT_LT(brightnessAt(OdGePoint3d(40, 0, 20)), brightnessAt(OdGePoint3d(40, 0, 14)) - 30);
    EXPECT_NEAR(brightnessAt(OdGePoint3d(50, 40, 0)), brightnessAt(OdGePoint3d(52, 40, 0)), 20);
    EXPECT_NEAR(brightnessAt(OdGePoint3d(50, 40, 0)), brightnessAt(OdGePoint3d(50, 0, 10)), 30);
}

TEST_F(BracketPicture, ASheetHoldsEachViewInItsQuarterAsThatViewsOwnPictureWithItsName)
{
    const cae_app::TaskScene s = scene(std::vector<double>(points().size(), 1.0), cae_app::ETaskView::eIso);
    const cae_app::TaskSheet sheet(s);
    // An odd size: the right and bottom quarters take the odd pixel.
    constexpr int kSheetWidth = 801, kSheetHeight = 501;
    const Picture png(sheet.png(kSheetWidth, kSheetHeight));
    ASSERT_EQ(png.width(), kSheetWidth);
    ASSERT_EQ(png.height(), kSheetHeight);
    const char* const names[] = {"iso", "front", "top", "right"};
    for (std::size_t i = 0; i < cae_app::TaskSheet::kViews.size(); ++i)
    {
        cae_app::TaskScene alone = s;
        alone.view = cae_app::TaskSheet::kViews[i];
        alone.caption.push_back(std::string("view: ") + names[i]);
        const int x0 = i % 2 ? kSheetWidth / 2 : 0, y0 = i >= 2 ? kSheetHeight / 2 : 0;
        const int w = i % 2 ? kSheetWidth - kSheetWidth / 2 : kSheetWidth / 2;
        const int h = i >= 2 ? kSheetHeight - kSheetHeight / 2 : kSheetHeight / 2;
        const Picture own(cae_app::TaskPicture(alone).png(w, h));
        int differing = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                differing += own.at(x, y) == png.at(x0 + x, y0 + y) ? 0 : 1;
        EXPECT_EQ(differing, 0) << names[i];
    }

    // The vector sheet nests the four pictures, each with ids of its own that its references find.
    const std::string svg = sheet.svg(kSheetWidth, kSheetHeight);
    std::set<std::string> ids;
    for (std::size_t at = svg.find(" id=\""); at != std::string::npos; at = svg.find(" id=\"", at + 1))
        EXPECT_TRUE(ids.insert(svg.substr(at + 5, svg.find('"', at + 5) - at - 5)).second);
    std::size_t references = 0;
    for (std::size_t at = svg.find("href=\"#"); at != std::string::npos;
         at = svg.find("href=\"#", at + 1), ++references)
        EXPECT_TRUE(ids.count(svg.substr(at + 7, svg.find('"', at + 7) - at - 7)));
    EXPECT_GT(references, 0u);
    std::size_t nested = 0;
    for (std::size_t at = svg.find("<svg"); at != std::string::npos; at = svg.find("<svg", at + 1))
        ++nested;
    EXPECT_EQ(nested, 5u);
    EXPECT_EQ(svg.find("<?xml", 1), std::string::npos);
}

TEST_F(BracketPicture, TheLegendRunsOverTheValuesDrawnAndStatesItsClip)
{
    // The surface takes values from 1 up along x; inner grids, never drawn, a far larger one.
    const auto p = points();
    std::set<std::uint64_t> surface;
    for (std::uint64_t t = 0; t < (*s_mesh)->nbTriangles(); ++t)
        for (const std::uint64_t v : (*s_mesh)->triangle(t)->vertices)
            surface.insert(v);
    std::vector<double> values(p.size(), 1e6);
    double largest = 0.0;
    for (const std::uint64_t v : surface)
    {
        values[v] = 1.0 + p[v].x;
        largest = std::max(largest, values[v]);
    }
    struct Case
    {
        std::optional<double> clip;
        double top;
    };
    for (const Case& c : {Case{{}, largest}, Case{5.0, 5.0}, Case{1000.0, largest}})
    {
        cae_app::TaskScene s = scene(values, cae_app::ETaskView::eIso);
        s.clipAtMultipleOfSmallest = c.clip;
        const cae_app::TaskPicture picture(s);
        EXPECT_DOUBLE_EQ(picture.legendRange()[0], 1.0);
        EXPECT_DOUBLE_EQ(picture.legendRange()[1], c.top) << c.clip.value_or(0);
    }
}
} // namespace
