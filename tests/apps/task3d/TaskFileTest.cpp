// The task file as the 3D command reads it, and what it refuses naming the key path.
#include "apps/task3d/TaskFile.h"
#include "apps/file/AnalysisFile.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace
{
/// A task file around `features`, with `extra` top-level keys (each ending in a comma).
std::string taskText(const std::string& extra,
                     const std::string& features =
                         R"([{"fix": {"faces": [1]}}, {"pressure": {"magnitude": 1, "faces": [2]}}])")
{
    return R"({"drawing": {"insunits": "millimeters", "modelling": "si"},
  "solid": {"box": {"corner": [0, 0, 0], "size": [10, 1, 1]}}, )" +
           extra + R"( "features": )" + features + "}";
}

cae_app::TaskFile parseTask(const std::string& text)
{
    return cae_app::parseTaskText(text, "task.json", ".");
}

constexpr const char* kSteel =
    R"("material": {"name": "steel", "youngsModulus": 2.1e11, "poissonRatio": 0.3, "yield": 2.5e8},)";

TEST(Task3dFile, ReadsMaterialDeckSizeAndSupports)
{
    const auto file = parseTask(
        taskText(std::string(kSteel) + R"( "deck": {"elements": "linear"}, "meshing": {"size": 2.5},)",
                 R"([{"hold": {"edges": [1], "components": "13"}}, {"slide": {"faces": [3]}},
                     {"force": {"vector": [0, -10, 0], "units": "N", "faces": [2]}}])"));
    ASSERT_TRUE(file.material);
    EXPECT_EQ(file.material->name, "steel");
    EXPECT_EQ(file.material->youngsModulus, 2.1e11);
    EXPECT_EQ(file.material->poissonRatio, 0.3);
    EXPECT_EQ(file.yield, 2.5e8);
    EXPECT_TRUE(file.deck.taskMaterial) << "the task's material unless the deck says otherwise";
    EXPECT_FALSE(file.deck.quadratic);
    EXPECT_EQ(file.meshing.size, 2.5);
    ASSERT_EQ(file.features.size(), 3u);
    EXPECT_EQ(file.features[0].kind, cae_app::FeatureEntry::Kind::eHold);
    EXPECT_EQ(file.features[0].components, "13");
    EXPECT_EQ(file.features[1].kind, cae_app::FeatureEntry::Kind::eSlide);
    EXPECT_EQ(file.features[2].kind, cae_app::FeatureEntry::Kind::eForce);
    EXPECT_EQ(file.features[2].force, OdGeVector3d(0, -10, 0));
    EXPECT_EQ(file.features[2].units, cae_core::eSI_Newton);

    const auto fixed = parseTask(taskText(R"("deck": {"material": "fixed"}, "yield": 5,)"));
    EXPECT_FALSE(fixed.material) << "the fixed deck needs no material";
    EXPECT_TRUE(fixed.deck.quadratic);
    EXPECT_EQ(fixed.yield, 5.0) << "the top-level yield stays accepted";
}

TEST(Task3dFile, ReadsSolverKeywordsInFileOrder)
{
    EXPECT_TRUE(parseTask(taskText(kSteel)).solverOptions.empty());
    const auto file =
        parseTask(taskText(std::string(kSteel) +
                           R"( "solver": {"options": {"smp": 1, "dmp": "2", "sdirectory": "/scratch"}},)"));
    EXPECT_EQ(file.solverOptions, (std::vector<std::string>{"smp=1", "dmp=2", "sdirectory=/scratch"}));
}

TEST(Task3dFile, RefusesWhatCannotBeMeantNamingTheKeyPath)
{
    const struct
    {
        std::string text;
        const char* message;
    } cases[] = {
        {taskText(""), "missing key \"material\": the deck takes the task's material"},
        {taskText(std::string(kSteel) + R"( "yield": 3,)"),
         "material.yield: the yield stress is given twice"},
        {taskText(R"("material": {"youngsModulus": 1, "poissonRatio": 0.5},)"),
         "material.poissonRatio: must lie"},
        {taskText(R"("material": {"youngsModulus": 0, "poissonRatio": 0.3},)"),
         "material.youngsModulus: must be greater than zero"},
        {taskText(R"("material": {"youngsModulus": 1, "poissonRatio": 0.3, "thickness": 1},)"),
         "material.thickness: unknown key"},
        {taskText(R"("materal": {},)"), "unknown key \"materal\" (did you mean \"material\"?)"},
        {taskText(std::string(kSteel) + R"( "solver": {"options": {"sdirectory": "my scratch"}},)"),
         "solver.options.sdirectory: cannot go on the solver's command line"},
        {taskText(std::string(kSteel) + R"( "solver": {"options": ["dmp=2"]},)"),
         "solver.options: expected an object"},
        {taskText(std::string(kSteel) + R"( "deck": {"elements": "cubic"},)"),
         "deck.elements: expected \"quadratic\" or \"linear\""},
        {taskText(std::string(kSteel) + R"( "meshing": {"size": 1, "fineness": 2},)"),
         "meshing: give one of \"file\", \"fineness\" and \"size\""},
        {taskText(kSteel, R"([{"presure": {"magnitude": 1, "faces": [2]}}])"),
         "features[0].presure: unknown key \"presure\" (did you mean \"pressure\"?)"},
        {taskText(kSteel, R"([{"hold": {"faces": [1], "components": "31"}}])"),
         "features[0].hold.components: expected the held axes as digits"},
        {taskText(kSteel, R"([{"hold": {"faces": [1], "components": "4"}}])"),
         "features[0].hold.components: expected the held axes"},
        {taskText(kSteel, R"([{"slide": {"edges": [1]}}])"), "features[0].slide.edges: unknown key"},
        {taskText(kSteel, R"([{"force": {"vector": [1, 0, 0], "units": "lbf", "faces": [2]}}])"),
         "features[0].force.units: the modelling units are \"si\", whose forces are in \"N\""},
        {taskText(kSteel, R"([{"force": {"vector": [0, 0, 0], "faces": [2]}}])"),
         "features[0].force.vector: must not be the zero vector"},
        {taskText(kSteel,
                  R"([{"pressure": {"magnitude": 1, "direction": [1e200, 1e200, 0], "faces": [2]}}])"),
         "features[0].pressure.direction: the vector cannot be normalised"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.message);
        try
        {
            parseTask(c.text);
            ADD_FAILURE() << "accepted";
        }
        catch (const cae_app::InputError& e)
        {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}
} // namespace
