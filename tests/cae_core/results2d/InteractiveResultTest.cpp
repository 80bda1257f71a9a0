#include "cae_core/results2d/InteractiveResult.h"

#include "ResultsTestSupport.h"
#include "cae_core/fea2d/InputHandler.h"
#include "host/ca/Application.h"
#include "host/oa/DwgViewer.h"
#include "tests/cae_core/core/MemoryCatalogue.h"
#include "tests/host/PictureSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>

namespace
{
using namespace results_test;

std::string narrow(const OdString& s)
{
    return OdAnsiString(s).str();
}

/// name | value | unit, one string per row.
std::vector<std::string> rows(const std::vector<TableEntry>& table)
{
    std::vector<std::string> out;
    for (const TableEntry& e : table)
        out.push_back(narrow(e.name) + " | " + narrow(e.value) + " | " + narrow(e.unit));
    return out;
}

/// The solved plate with its result, shown in a viewer of the host's application.
struct Shown
{
    TestContext context;
    SimulationOutput output = solvedPlate();
    ca::Application app;
    oa::DwgViewer viewer;
    std::unique_ptr<InteractiveResult> result;
    Shown()
    {
        app.setCurrentViewer(&viewer);
        result = std::make_unique<InteractiveResult>(output, context);
    }
};

TEST(InteractiveResultTables, ListTheInputsAndTheMaximaInOrderWithTheirFormatsAndUnits)
{
    Shown s;
    EXPECT_EQ(rows(s.result->inputTable()),
              (std::vector<std::string>{"Mode | Planar stress | ", "Thickness | 5.000e+00 | mm",
                                        "Youngs modulus | 2.100e+05 | MPa", "Yield | 2.350e+02 | MPa",
                                        "Poisson ratio | 0.300 | "}));

    double maxVonMises = 0.0;
    for (const auto& e : s.output.solverOutput.elementData)
        for (const auto& c : e.corners)
            maxVonMises = std::max(maxVonMises, c.stress.vonMises);
    double maxDisplacement = 0.0;
    for (const auto& v : s.output.solverOutput.vertexData)
        maxDisplacement = std::max(maxDisplacement, v.displacement.length());
    OdString time, stress, displacement, safety;
    time.format(L"%.0f", s.output.solverOutput.time);
    stress.format(L"%.3e", maxVonMises);
    displacement.format(L"%.3e", maxDisplacement);
    safety.format(L"%.3f", 235.0 / maxVonMises);
    EXPECT_EQ(rows(s.result->outputTable()),
              (std::vector<std::string>{"Execution time | " + narrow(time) + " | ms",
                                        "Max Von Mises stress | " + narrow(stress) + " | MPa",
                                        "Max displacement | " + narrow(displacement) + " | mm",
                                        "Safety factor | " + narrow(safety) + " | "}));
    // Pulled with 50 MPa, the plate's hole concentrates the stress about threefold.
    EXPECT_GT(maxVonMises, 100.0);
    EXPECT_LT(maxVonMises, 200.0);
}

TEST(InteractiveResultTables, ShowTheModeNotANumberAndAZeroMaximumAsTheRulesSay)
{
    TestContext context;
    SimulationOutput output;
    output.params.mode = ePlanarStrain;
    output.params.materialProperties =
        MaterialProperties{std::numeric_limits<double>::quiet_NaN(), 1.0, 0.25, 10.0};
    const InteractiveResult result(output, context);
    EXPECT_EQ(rows(result.inputTable())[0], "Mode | Planar strain | ");
    EXPECT_EQ(rows(result.inputTable())[1], "Thickness | N/A | mm");
    EXPECT_EQ(rows(result.outputTable())[3], "Safety factor | inf | ") << "yield over a zero maximum";
    EXPECT_EQ(result.pointEvaluator(), nullptr);
    EXPECT_TRUE(result.localQuantitiesTable(OdGePoint2d(1, 1)).empty());
}

TEST(InteractiveResultTables, TranslateLabelsAndNotApplicableThroughTheCatalogue)
{
    const test::ScopedGermanCatalogue catalogue{{{"Thickness", "Dicke"},
                                                 {"N/A", "k. A."},
                                                 {"Planar strain", "Ebener Verzerrungszustand"},
                                                 {"ms", "Millisek."}}};
    ASSERT_TRUE(catalogue.loaded());
    TestContext context;
    SimulationOutput output;
    output.params.mode = ePlanarStrain;
    output.params.materialProperties.thickness = std::numeric_limits<double>::quiet_NaN();
    const InteractiveResult result(output, context);
    EXPECT_EQ(rows(result.inputTable())[0], "Mode | Ebener Verzerrungszustand | ");
    EXPECT_EQ(rows(result.inputTable())[1], "Dicke | k. A. | mm");
    EXPECT_EQ(narrow(result.outputTable()[0].unit), "Millisek.");
}

TEST(LocalQuantities, ArePositionStressAndDisplacementOnTheMeshAsDisplayed)
{
    Shown s;
    const auto outside = rows(s.result->localQuantitiesTable(OdGePoint2d(100, 50)));
    EXPECT_EQ(outside, (std::vector<std::string>{"Position x | 100 | mm", "Position y | 50 | mm",
                                                 "Von Mises stress | N/A | MPa", "Displacement x | N/A | mm",
                                                 "Displacement y | N/A | mm", "Displacement | N/A | mm"}))
        << "the hole's centre lies in no element";

    // A vertex of the loaded edge, picked where the deformed drawing shows it.
    const auto& vertex = *std::max_element(
        s.output.solverOutput.vertexData.begin(), s.output.solverOutput.vertexData.end(),
        [](const auto& a, const auto& b) { return a.displacement.length() < b.displacement.length(); });
    MeshQuantityVisualizer& visualizer = s.result->meshQuantityVisualizer();
    visualizer.setDisplacementFactor(visualizer.getLargeDisplacementFactor());
    ASSERT_GT(visualizer.getDisplacementFactor(), 100.0);
    const OdGePoint2d picked = vertex.position + vertex.displacement * visualizer.getDisplacementFactor();
    const std::vector<TableEntry> table = s.result->localQuantitiesTable(picked);
    ASSERT_EQ(table.size(), 6u);
    // At a vertex the field is the vertex's own displacement, component by component and its length.
    const double components[] = {vertex.displacement.x, vertex.displacement.y, vertex.displacement.length()};
    for (int k = 0; k < 3; ++k)
    {
        OdString expected;
        expected.format(L"%.3e", components[k]);
        EXPECT_EQ(table[3 + k].value, expected) << narrow(table[3 + k].name);
    }
    EXPECT_NE(table[2].value, OdString(L"N/A"));
}

TEST(InteractiveResultPicture, ShowsTheHolesStressConcentrationInRedAndOneFilledPathPerColour)
{
    Shown s;
    oa::View& view = s.viewer.view();
    EXPECT_EQ(view.numDrawables(), 3u) << "the shell and two reaction glyphs";
    s.result->meshQuantityVisualizer().setDisplacementFactor(0.0);
    const int w = 800, h = 400;
    const host_test::Picture png(view.renderPng(w, h));
    // The brightest pixel near a point: edges are drawn black over the colours.
    const auto colourNear = [&](double x, double y)
    {
        const OdGePoint3d p = view.pictureOf(OdGePoint3d(x, y, 0), w, h);
        host_test::Picture::Rgb best{0, 0, 0};
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
            {
                const auto c = png.at(static_cast<int>(p.x) + dx, static_cast<int>(p.y) + dy);
                if (c.r + c.g + c.b > best.r + best.g + best.b)
                    best = c;
            }
        return best;
    };
    const auto hole = colourNear(100, 50 + 21);
    EXPECT_GT(hole.r, 200);
    EXPECT_LT(hole.b, 60) << "red to yellow at the top of the hole";
    const auto far = colourNear(150, 90);
    EXPECT_LT(far.r, 100) << "blue to green far from the hole";
    EXPECT_TRUE(png.isWhite(static_cast<int>(view.pictureOf(OdGePoint3d(100, 50, 0), w, h).x),
                            static_cast<int>(view.pictureOf(OdGePoint3d(100, 50, 0), w, h).y)))
        << "the hole is empty";

    const std::string svg = view.renderSvg(w, h);
    const std::size_t triangles = s.output.solverOutput.elementData.size();
    // The background is a rectangle and the texts are glyphs in the font's definitions: only the
    // triangles are filled paths, those of one colour together.
    const std::string fill = "fill-rule:nonzero;fill:rgb(";
    std::set<std::string> colours;
    std::size_t filled = 0;
    for (auto at = svg.find(fill); at != std::string::npos; at = svg.find(fill, at + 1), ++filled)
        colours.insert(svg.substr(at, svg.find(')', at) - at));
    EXPECT_EQ(filled, colours.size()) << "one path per colour";
    EXPECT_GT(filled, 10u);
    EXPECT_LT(filled, triangles);
}

TEST(InteractiveResult, MovesWithItsVisualisersAndKeepsItsReferences)
{
    Shown s;
    const MeshQuantityVisualizer* visualizer = &s.result->meshQuantityVisualizer();
    const InteractiveResult moved(std::move(*s.result));
    EXPECT_EQ(&moved.meshQuantityVisualizer(), visualizer);
    EXPECT_EQ(&moved.simulationOutput(), &s.output);
    EXPECT_EQ(moved.pointEvaluator(), s.output.solverOutput.pointEvaluator.get());
    EXPECT_EQ(moved.inputTable().size(), 5u);
}

/// Records what the notifier tells it.
struct RecordingListener : Analyze2dStageListener
{
    std::vector<std::string> calls;
    void onStartSetup(InputHandler&) override { calls.push_back("setup"); }
    void onStartResults(InteractiveResult&) override { calls.push_back("results"); }
};

TEST(StageLink, NotifiesOncePerStageChangeAndNeitherSideOutlivesItsLink)
{
    Shown s;
    InputHandler handler{Params2d()};
    RecordingListener listener;
    EXPECT_EQ(listener.getStage(), eUndefined);
    {
        Analyze2dStageNotifier notifier;
        notifier.startSetup(handler); // no listener yet
        notifier.setListener(&listener);
        EXPECT_EQ(listener.getStage(), eSetup);
        notifier.startSetup(handler);
        notifier.startResults(*s.result);
        notifier.startResults(*s.result);
        notifier.startSetup(handler);
        EXPECT_EQ(listener.calls, (std::vector<std::string>{"results", "setup"}));

        RecordingListener other;
        notifier.setListener(&other);
        EXPECT_EQ(listener.getStage(), eUndefined) << "the previous listener was unlinked";
        notifier.setListener(&listener);
    }
    EXPECT_EQ(listener.getStage(), eUndefined) << "the notifier's destruction unlinked the listener";

    Analyze2dStageNotifier notifier;
    {
        RecordingListener shortLived;
        notifier.setListener(&shortLived);
    }
    notifier.startResults(*s.result); // must not reach the destroyed listener
    EXPECT_EQ(notifier.stage(), eResults);
}

} // namespace
