// Runs the 2D command in the test's process with the program's view, to read the result picture's
// layout and legend back while the result exists.

#include "apps/view/HostView.h"
#include "apps/Analyze2d.h"
#include "apps/CommandLine.h"
#include "apps/ModuleSession.h"
#include "apps/analysis/Analysis2d.h"
#include "apps/view/LabelPlacer.h"
#include "tests/apps/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;

/// Whether two boxes share more than a boundary.
bool overlap(const OdGeExtents3d& a, const OdGeExtents3d& b)
{
    return a.minPoint().x < b.maxPoint().x && b.minPoint().x < a.maxPoint().x &&
           a.minPoint().y < b.maxPoint().y && b.minPoint().y < a.maxPoint().y;
}

/// The program's view, and what its result picture showed, read while the result still lived.
class RecordingView : public cae_app::StageListener
{
public:
    explicit RecordingView(const cae_app::CommandLine& cl) : view(cl) {}

    void enterSetupStage(const cae_app::StageContext& stage) override { view.enterSetupStage(stage); }
    void enterResultsStage(const cae_app::StageContext& stage) override
    {
        view.enterResultsStage(stage);
        ASSERT_TRUE(view.legend());
        legend = view.legend()->layout();
        labels = view.labelBoxes();
        placed = view.placedLabels();
        for (const auto& element : stage.analysis.output().solverOutput.elementData)
            largestCentreStress = std::max(largestCentreStress, element.center.stress.vonMises);
    }

    cae_app::HostView view;
    cae_app::Legend::Layout legend;
    std::vector<OdGeExtents3d> labels;
    std::vector<cae_app::HostView::PlacedLabel> placed;
    double largestCentreStress = 0.0;
};

bool sameBox(const OdGeExtents3d& a, const OdGeExtents3d& b)
{
    return a.minPoint() == b.minPoint() && a.maxPoint() == b.maxPoint();
}

void expectNoOverlaps(const RecordingView& recorder)
{
    const auto& labels = recorder.labels;
    for (const OdGeExtents3d& label : labels)
        EXPECT_FALSE(overlap(label, recorder.legend.box))
            << "a label at " << label.minPoint().x << ", " << label.minPoint().y << " covers the legend";
    for (std::size_t i = 0; i < labels.size(); ++i)
        for (std::size_t j = i + 1; j < labels.size(); ++j)
            EXPECT_FALSE(overlap(labels[i], labels[j])) << "labels " << i << " and " << j;
}

class ModuleTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const fs::path folder = fs::path(CAE_PROGRAM).parent_path();
        cae_app::useSolverProgramIn(folder);
        module = new cae_app::ModuleSession(folder / cae_app::kModuleFileName);
    }
    static void TearDownTestSuite()
    {
        delete module;
        module = nullptr;
    }
    static cae_app::ModuleSession* module;
};
cae_app::ModuleSession* ModuleTest::module = nullptr;

cae_app::CommandLine commandLine(const fs::path& file)
{
    cae_app::CommandLine cl;
    cl.action = cae_app::CommandLine::Action::eAnalyze2d;
    cl.file = file.string();
    cl.quiet = true;
    return cl;
}

class SolvedExample : public ModuleTest, public testing::WithParamInterface<std::string>
{
};

TEST_P(SolvedExample, LabelsStayClearOfEachOtherAndOfTheLegendWhoseTopTickIsTheLargestValueDrawn)
{
    ASSERT_TRUE(module->loaded()) << module->error();
    const cae_app::CommandLine cl = commandLine(cae_app_test::examplesDir() / (GetParam() + ".json"));
    RecordingView recorder(cl);
    std::ostringstream err;
    ASSERT_EQ(cae_app::runAnalyze2d(cl, err, &recorder), cae_app::eExitSolved) << err.str();

    const cae_app::Legend::Layout& legend = recorder.legend;
    ASSERT_TRUE(legend.box.isValidExtents());
    EXPECT_GE(legend.ticks.size(), 5u);
    EXPECT_LE(legend.ticks.size(), 11u);
    ASSERT_EQ(legend.tickLabels.size(), legend.ticks.size());
    EXPECT_EQ(legend.ticks.back(), recorder.largestCentreStress);
    EXPECT_EQ(legend.tickLabels.back().text, cae_app::Legend::tickText(recorder.largestCentreStress));
    EXPECT_FALSE(recorder.labels.empty()) << "the glyphs' and reactions' labels";
    expectNoOverlaps(recorder);
    ASSERT_EQ(recorder.placed.size(), recorder.labels.size());
    for (const auto& label : recorder.placed)
        EXPECT_TRUE(sameBox(label.box, label.natural)) << "nothing collides here, so no label moves";
    std::vector<OdGeExtents3d> own;
    for (const auto& l : legend.tickLabels)
        own.push_back(l.box);
    for (const auto& l : {legend.title, legend.caption})
        if (l)
            own.push_back(l->box);
    for (std::size_t i = 0; i < own.size(); ++i)
        for (std::size_t j = i + 1; j < own.size(); ++j)
            EXPECT_FALSE(overlap(own[i], own[j])) << "legend labels " << i << " and " << j;
}

INSTANTIATE_TEST_SUITE_P(HostView, SolvedExample,
                         testing::Values("cantilever", "l_bracket", "plate_with_hole"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

using CrowdedSetUp = ModuleTest;

TEST_F(CrowdedSetUp, LabelsMoveApartNearTheirGlyphsTheSameWayEveryRun)
{
    ASSERT_TRUE(module->loaded()) << module->error();
    cae_app_test::TempDir dir;
    cae_app_test::spit(dir.path() / "crowded.json", cae_app_test::kCrowded);
    cae_app::CommandLine cl = commandLine(dir.path() / "crowded.json");
    cl.glyphSize = 0.5;
    std::vector<std::vector<cae_app::HostView::PlacedLabel>> runs;
    for (int run = 0; run < 2; ++run)
    {
        RecordingView recorder(cl);
        std::ostringstream err;
        ASSERT_EQ(cae_app::runAnalyze2d(cl, err, &recorder), cae_app::eExitSolved) << err.str();
        ASSERT_EQ(recorder.placed.size(), 8u) << "three loads and five reactions";
        std::size_t collisions = 0;
        for (std::size_t i = 0; i < recorder.placed.size(); ++i)
            for (std::size_t j = i + 1; j < recorder.placed.size(); ++j)
                collisions += overlap(recorder.placed[i].natural, recorder.placed[j].natural);
        ASSERT_GE(collisions, 4u) << "the set-up is crowded where the glyphs put the labels";
        expectNoOverlaps(recorder);
        for (const auto& label : recorder.placed)
        {
            // Beside its neighbour or a line or two above or below it.
            const OdGeVector3d size = label.natural.diagonal();
            const OdGePoint3d nearest = cae_app::nearestPointOf(label.box, label.anchor);
            EXPECT_LE(nearest.distanceTo(label.anchor), size.x + 2 * size.y)
                << "the label at " << label.box.minPoint().x << ", " << label.box.minPoint().y;
        }
        runs.push_back(recorder.placed);
    }
    for (std::size_t i = 0; i < runs[0].size(); ++i)
        EXPECT_TRUE(sameBox(runs[0][i].box, runs[1][i].box)) << "label " << i;
}

TEST(LabelPlacer, AMovedLabelKeepsClearOfTheGlyphLinesAndTheRegionWhereItCan)
{
    // Two labels 6 x 1 on the same spot, their anchor below them; a glyph line under them and the
    // region over them, in turn.
    const OdGeExtents3d spot(OdGePoint3d(0, 0, 0), OdGePoint3d(6, 1, 0));
    const OdGePoint3d anchor(3, -3, 0);
    auto rectangle = [](double x0, double y0, double x1, double y1)
    {
        const OdGePoint3d c[] = {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}};
        return std::vector<cae_app::LabelObstacle>{{c[0], c[1]}, {c[1], c[2]}, {c[2], c[3]}, {c[3], c[0]}};
    };
    const double lineY = -0.5;
    const OdGeExtents3d region(OdGePoint3d(-20, 1.5, 0), OdGePoint3d(20, 10, 0));
    struct Case
    {
        const char* name;
        bool line;
        bool area;
    };
    for (const Case& c : {Case{"nothing near", false, false}, Case{"a line below", true, false},
                          Case{"a line below and the region above", true, true}})
    {
        cae_app::LabelPlacer placer;
        if (c.line)
            placer.addLines({{OdGePoint3d(-20, lineY, 0), OdGePoint3d(20, lineY, 0)}});
        if (c.area)
            placer.addArea(rectangle(-20, 1.5, 20, 10));
        const auto placed = placer.place({{spot, anchor}, {spot, anchor}});
        ASSERT_EQ(placed.size(), 2u);
        EXPECT_TRUE(placed[0].offset.isZeroLength()) << c.name;
        const OdGeVector3d o = placed[1].offset;
        const OdGeExtents3d box(spot.minPoint() + o, spot.maxPoint() + o);
        EXPECT_FALSE(overlap(box, spot)) << c.name;
        EXPECT_LE(o.length(), 6 + 2 * 1) << c.name;
        EXPECT_EQ(placed[1].leader, o.length() > 1) << c.name;
        if (c.line)
        {
            EXPECT_FALSE(box.minPoint().y < lineY && lineY < box.maxPoint().y) << c.name;
        }
        if (c.area)
        {
            EXPECT_FALSE(overlap(box, region)) << c.name;
        }
    }
}

TEST(Legend, AMapOfOneValueHasOneTickAndNoMapOnlyTheCaption)
{
    const OdGeExtents3d beside(OdGePoint3d(0, 0, 0), OdGePoint3d(100, 50, 0));
    const cae_app::Legend one(
        cae_core::ColorMap::get(cae_core::ColorMap::eBlueGreenYellowRed, {7.0, 7.0}, false), L"Title",
        L"Deformation scale 1", beside);
    ASSERT_EQ(one.layout().ticks, std::vector<double>{7.0});
    EXPECT_GT(one.layout().box.minPoint().x, 100.0) << "right of what it explains";
    const cae_app::Legend none(std::nullopt, L"", L"Deformation scale 0", beside);
    EXPECT_TRUE(none.layout().ticks.empty());
    EXPECT_FALSE(none.layout().bar.isValidExtents());
    ASSERT_TRUE(none.layout().caption);
    EXPECT_EQ(none.layout().box.minPoint(), none.layout().caption->box.minPoint());
}
} // namespace
