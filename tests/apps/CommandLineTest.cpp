#include "apps/CommandLine.h"

#include <gtest/gtest.h>

using namespace cae_app;
using Action = CommandLine::Action;

TEST(CommandLineParsing, ReadsTheAnalyzeCommandInAnyOrder)
{
    auto cl = parseCommandLine({"analyze2d", "--out", "out", "plate.json", "--quiet", "--consistent-loads"});
    EXPECT_EQ(cl.action, Action::eAnalyze2d);
    EXPECT_EQ(cl.file, "plate.json");
    EXPECT_EQ(cl.outDir, "out");
    EXPECT_TRUE(cl.quiet);
    EXPECT_TRUE(cl.consistentLoads);

    cl = parseCommandLine({"analyze2d", "--out=results", "--", "-odd.json"});
    EXPECT_EQ(cl.action, Action::eAnalyze2d);
    EXPECT_EQ(cl.file, "-odd.json");
    EXPECT_EQ(cl.outDir, "results");
    EXPECT_FALSE(cl.quiet);
    EXPECT_FALSE(cl.consistentLoads);
}

TEST(CommandLineParsing, ReadsTheConvergenceToleranceOnlyWhereOneIsGiven)
{
    struct Case
    {
        std::vector<std::string> args;
        std::optional<double> tolerance;
        std::string file;
    };
    const Case cases[] = {
        {{"analyze2d", "plate.json"}, std::nullopt, "plate.json"},
        {{"analyze2d", "--converge", "plate.json"}, 0.01, "plate.json"},
        {{"analyze2d", "--converge", "0.5%", "plate.json"}, 0.005, "plate.json"},
        {{"analyze2d", "plate.json", "--converge=2%"}, 0.02, "plate.json"},
        {{"task3d", "--converge", "2%", "bar.json"}, 0.02, "bar.json"},
    };
    for (const auto& c : cases)
    {
        const auto cl = parseCommandLine(c.args);
        ASSERT_EQ(cl.action, c.args[0] == "task3d" ? Action::eTask3d : Action::eAnalyze2d) << cl.text;
        EXPECT_NEAR(cl.converge.value_or(-1.0), c.tolerance.value_or(-1.0), 1e-15) << c.args.back();
        EXPECT_EQ(cl.file, c.file);
    }
    for (const char* wrong : {"--converge=0%", "--converge=100%", "--converge=1", "--converge="})
    {
        const auto cl = parseCommandLine({"analyze2d", "plate.json", wrong});
        EXPECT_EQ(cl.action, Action::eUsageError) << wrong;
        EXPECT_NE(cl.text.find("--converge"), std::string::npos) << wrong;
    }
}

TEST(CommandLineParsing, HelpIsShownNotAnError)
{
    EXPECT_EQ(parseCommandLine({"--help"}).action, Action::eShowText);
    EXPECT_EQ(parseCommandLine({"--help"}).text, generalHelp());
    EXPECT_EQ(parseCommandLine({"analyze2d", "x.json", "--help"}).text, analyze2dHelp());
    EXPECT_NE(analyze2dHelp().find("examples/"), std::string::npos);
    EXPECT_NE(generalHelp().find("examples/"), std::string::npos);
}

TEST(CommandLineParsing, WrongUsageSaysWhatIsWrong)
{
    struct Case
    {
        std::vector<std::string> args;
        const char* message;
    };
    for (const Case& c :
         {Case{{}, "cae: no command given\n"}, Case{{"analyse"}, "cae: unknown command 'analyse'\n"},
          Case{{"analyze2d"}, "cae: analyze2d needs an analysis file\n"},
          Case{{"analyze2d", "a.json", "b.json"}, "cae: more than one file given ('a.json' and 'b.json')\n"},
          Case{{"analyze2d", "a.json", "--out"}, "cae: --out needs a folder\n"},
          Case{{"analyze2d", "a.json", "--out", "x", "--out=y"}, "cae: --out is given twice\n"},
          Case{{"analyze2d", "a.json", "--verbose"}, "cae: unknown option '--verbose'\n"}})
    {
        const auto cl = parseCommandLine(c.args);
        EXPECT_EQ(cl.action, Action::eUsageError);
        EXPECT_EQ(cl.text.substr(0, cl.text.find('\n') + 1), c.message);
        EXPECT_NE(cl.text.find("--help"), std::string::npos);
    }
}

TEST(CommandLineParsing, BothCommandsReadThePictureSizeAlike)
{
    struct Case
    {
        const char* value;
        int width, height;
        /// First line of the usage error; empty when the size is taken.
        const char* message;
    };
    const Case cases[] = {
        {"300x200", 300, 200, ""},
        {"1x16384", 1, 16384, ""},
        {"0x100", 0, 0, "cae: --picture-size must be WIDTHxHEIGHT in pixels, each 1 to 16384, not '0x100'\n"},
        {"100", 0, 0, "cae: --picture-size must be WIDTHxHEIGHT in pixels, each 1 to 16384, not '100'\n"},
        {"2.5x10", 0, 0,
         "cae: --picture-size must be WIDTHxHEIGHT in pixels, each 1 to 16384, not '2.5x10'\n"},
        {"16385x1", 0, 0,
         "cae: --picture-size must be WIDTHxHEIGHT in pixels, each 1 to 16384, not '16385x1'\n"},
    };
    for (const char* command : {"analyze2d", "task3d"})
        for (const Case& c : cases)
        {
            const auto cl = parseCommandLine({command, "a.json", std::string("--picture-size=") + c.value});
            if (*c.message)
            {
                EXPECT_EQ(cl.action, Action::eUsageError) << command << " " << c.value;
                EXPECT_EQ(cl.text.substr(0, cl.text.find('\n') + 1), c.message) << command;
                continue;
            }
            EXPECT_EQ(cl.pictureWidth, c.width) << command << " " << c.value;
            EXPECT_EQ(cl.pictureHeight, c.height) << command << " " << c.value;
        }
}
