// Runs the 2D command in the test's process with the program's view, to read the result picture's
// layout and legend back while the result exists.

#include "apps/view/HostView.h"
#include "apps/Analyze2d.h"
#include "apps/CommandLine.h"
#include "apps/ModuleSession.h"
#include "apps/analysis/Analysis2d.h"

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
        for (const auto& element : stage.analysis.output().solverOutput.elementData)
            largestCentreStress = std::max(largestCentreStress, element.center.stress.vonMises);
    }

    cae_app::HostView view;
    cae_app::Legend::Layout legend;
    std::vector<OdGeExtents3d> labels;
    double largestCentreStress = 0.0;
};

class SolvedExample : public testing::TestWithParam<std::string>
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
cae_app::ModuleSession* SolvedExample::module = nullptr;

TEST_P(SolvedExample, LabelsStayClearOfEachOtherAndOfTheLegendWhoseTopTickIsTheLargestValueDrawn)
{
    ASSERT_TRUE(module->loaded()) << module->error();
    const char* source = std::getenv("CAE_SOURCE_DIR");
    cae_app::CommandLine cl;
    cl.action = cae_app::CommandLine::Action::eAnalyze2d;
    cl.file = (fs::path(source ? source : ".") / "examples" / (GetParam() + ".json")).string();
    cl.quiet = true;
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
    for (const OdGeExtents3d& label : recorder.labels)
        EXPECT_FALSE(overlap(label, legend.box))
            << "a label at " << label.minPoint().x << ", " << label.minPoint().y << " covers the legend";
    const auto& labels = recorder.labels;
    for (std::size_t i = 0; i < labels.size(); ++i)
        for (std::size_t j = i + 1; j < labels.size(); ++j)
            EXPECT_FALSE(overlap(labels[i], labels[j])) << "labels " << i << " and " << j;
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
