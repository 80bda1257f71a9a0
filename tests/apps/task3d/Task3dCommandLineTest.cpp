// The 3D command's options: pictures, probes, stress colours and the solver's control.
#include "apps/task3d/Task3dCommandLine.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace
{
TEST(Task3dCommandLine, ReadsThePictureOptionsAndRefusesWrongOnes)
{
    using cae_app::CommandLine;
    const auto parse = [](std::vector<std::string> args)
    {
        args.insert(args.begin(), "task3d");
        return cae_app::parseTask3dCommandLine(args);
    };
    const CommandLine cl =
        parse({"t.json", "--color", "safety", "--deform=2.5", "--out", "o", "--picture-size", "80x50"});
    EXPECT_EQ(cl.action, CommandLine::Action::eTask3d);
    EXPECT_EQ(cl.file, "t.json");
    EXPECT_EQ(cl.color, CommandLine::Color::eSafety);
    EXPECT_EQ(cl.deform, 2.5);
    EXPECT_EQ(cl.outDir, "o");
    EXPECT_EQ(cl.pictureWidth, 80);
    EXPECT_FALSE(parse({"t.json"}).deform) << "the automatic factor unless one is given";
    EXPECT_EQ(parse({"t.json"}).view, CommandLine::View::eIso);
    for (const auto& [name, view] :
         {std::pair{"front", CommandLine::View::eFront}, std::pair{"top", CommandLine::View::eTop},
          std::pair{"right", CommandLine::View::eRight}, std::pair{"all", CommandLine::View::eAll}})
        EXPECT_EQ(parse({"t.json", "--view", name}).view, view) << name;
    EXPECT_EQ(parse({"t.json", "--views", "all"}).view, CommandLine::View::eAll);
    EXPECT_EQ(parse({"--help"}).action, CommandLine::Action::eShowText);
    const std::vector<std::string> wrong[] = {
        {},
        {"t.json", "u.json"},
        {"t.json", "--color", "red"},
        {"t.json", "--view", "left"},
        {"t.json", "--deform", "-1"},
        {"t.json", "--deform"},
        {"t.json", "--quantity", "vonMises"},
        {"t.json", "--out", "a", "--out", "b"},
    };
    for (const auto& args : wrong)
        EXPECT_EQ(parse(args).action, CommandLine::Action::eUsageError) << ::testing::PrintToString(args);
}

TEST(Task3dStressCommandLine, TakesProbePointsAndStressColoursAndRefusesMalformedOnes)
{
    using cae_app::CommandLine;
    const auto parse = [](std::vector<std::string> args)
    {
        args.insert(args.begin(), "task3d");
        args.push_back("t.json");
        return cae_app::parseTask3dCommandLine(args);
    };
    const auto cl = parse({"--probe", "1,-2.5,3e1", "--probe=0,0,0", "--color", "szx"});
    ASSERT_EQ(cl.action, CommandLine::Action::eTask3d) << cl.text;
    ASSERT_EQ(cl.solidProbes.size(), 2u);
    EXPECT_EQ(cl.solidProbes[0], (std::array<double, 3>{1.0, -2.5, 30.0}));
    EXPECT_EQ(cl.color, CommandLine::Color::eSzx);
    const std::pair<const char*, CommandLine::Color> colours[] = {
        {"s1", CommandLine::Color::eS1},   {"s3", CommandLine::Color::eS3},
        {"sxx", CommandLine::Color::eSxx}, {"syy", CommandLine::Color::eSyy},
        {"szz", CommandLine::Color::eSzz}, {"sxy", CommandLine::Color::eSxy},
        {"syz", CommandLine::Color::eSyz}};
    for (const auto& [name, colour] : colours)
        EXPECT_EQ(parse({"--color", name}).color, colour) << name;
    for (const char* wrong : {"1,2", "1,2,3,4", "1,,3", "a,b,c", "1,2,3,"})
    {
        const auto bad = parse({"--probe", wrong});
        EXPECT_EQ(bad.action, CommandLine::Action::eUsageError) << wrong;
        EXPECT_NE(bad.text.find("--probe must be X,Y,Z"), std::string::npos) << bad.text;
    }
    EXPECT_NE(parse({"--color", "s2"}).text.find("--color must be"), std::string::npos);
}

TEST(SolverControlOptions, TakeATimeLimitAboveZeroAndTheKeepSwitch)
{
    using cae_app::CommandLine;
    const auto parse = [](std::vector<std::string> args)
    {
        args.insert(args.begin(), "task3d");
        return cae_app::parseTask3dCommandLine(args);
    };
    const CommandLine plain = parse({"t.json"});
    EXPECT_FALSE(plain.solverTimeout);
    EXPECT_FALSE(plain.keepWork);
    const CommandLine cl = parse({"t.json", "--solver-timeout=2.5", "--keep-work"});
    ASSERT_EQ(cl.action, CommandLine::Action::eTask3d) << cl.text;
    EXPECT_EQ(cl.solverTimeout, 2.5);
    EXPECT_TRUE(cl.keepWork);
    for (const char* wrong : {"0", "-1", "soon", "nan"})
    {
        const CommandLine refused = parse({"t.json", "--solver-timeout", wrong});
        EXPECT_EQ(refused.action, CommandLine::Action::eUsageError) << wrong;
        EXPECT_NE(refused.text.find("--solver-timeout must be a number of seconds above 0, not '" +
                                    std::string(wrong) + "'"),
                  std::string::npos)
            << refused.text;
    }
}

TEST(SolverControlOptions, TakeSolverKeywordsInOrderAndRefuseWhatTheCommandLineCannotCarry)
{
    using cae_app::CommandLine;
    const CommandLine cl = cae_app::parseTask3dCommandLine(
        {"task3d", "t.json", "--solver-option", "dmp=2", "--solver-option=smp=1"});
    ASSERT_EQ(cl.action, CommandLine::Action::eTask3d) << cl.text;
    EXPECT_EQ(cl.solverOptions, (std::vector<std::string>{"dmp=2", "smp=1"}));
    for (const char* wrong : {"dmp", "=2", "dmp=", "d mp=2", "sdirectory=a b", "hosts=\"a\""})
    {
        const CommandLine refused =
            cae_app::parseTask3dCommandLine({"task3d", "t.json", "--solver-option", wrong});
        EXPECT_EQ(refused.action, CommandLine::Action::eUsageError) << wrong;
        EXPECT_NE(refused.text.find("--solver-option must be KEY=VALUE"), std::string::npos) << refused.text;
    }
}
} // namespace
