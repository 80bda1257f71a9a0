// `cae task3d` as a user runs it: the examples against CalculiX on the same mesh (and the round bar
// against the closed form too), broken task files, and a solver run that fails.
#include "TestSupport.h"

#include "apps/task3d/Task3dCommandLine.h"

#include <rapidjson/document.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using cae_app_test::slurp;
using cae_app_test::spit;
using cae_app_test::TempDir;

namespace
{
struct Outcome
{
    int exitStatus = -1;
    std::string out;
    std::string err;
};

std::string quote(const std::string& s)
{
    std::string q = "'";
    for (const char c : s)
        q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

Outcome run(const std::string& command, const fs::path& scratch)
{
    const fs::path out = scratch / "stdout.txt", err = scratch / "stderr.txt";
    const int status =
        std::system((command + " >" + quote(out.string()) + " 2>" + quote(err.string())).c_str());
    Outcome o;
    o.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = slurp(out);
    o.err = slurp(err);
    return o;
}

Outcome runTask(const std::vector<std::string>& args, const fs::path& scratch)
{
    std::string command = quote(CAE_PROGRAM) + " task3d";
    for (const auto& a : args)
        command += " " + quote(a);
    return run(command, scratch);
}

fs::path examples()
{
    const char* source = std::getenv("CAE_SOURCE_DIR");
    return fs::path(source ? source : ".") / "examples";
}

rapidjson::Document summary(const fs::path& dir)
{
    rapidjson::Document d;
    d.Parse<rapidjson::kParseFullPrecisionFlag>(slurp(dir / "summary.json").c_str());
    return d;
}

/// Largest displacement length and element von Mises stress that CalculiX computes for the deck.
std::pair<double, double> calculix(const fs::path& deck, const fs::path& scratch)
{
    const fs::path script =
        fs::path(std::getenv("CAE_SOURCE_DIR")) / "tests" / "apps" / "deck_to_calculix.py";
    const Outcome o = run("/usr/bin/python3 " + quote(script.string()) + " " + quote(deck.string()) + " " +
                              quote((scratch / "calculix").string()),
                          scratch);
    EXPECT_EQ(o.exitStatus, 0) << o.err;
    std::istringstream in(o.out);
    double u = 0.0, s = 0.0;
    in >> u >> s;
    return {u, s};
}

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
    EXPECT_EQ(parse({"--help"}).action, CommandLine::Action::eShowText);
    const std::vector<std::string> wrong[] = {
        {},
        {"t.json", "u.json"},
        {"t.json", "--color", "red"},
        {"t.json", "--deform", "-1"},
        {"t.json", "--deform"},
        {"t.json", "--quantity", "vonMises"},
        {"t.json", "--out", "a", "--out", "b"},
    };
    for (const auto& args : wrong)
        EXPECT_EQ(parse(args).action, CommandLine::Action::eUsageError) << ::testing::PrintToString(args);
}

TEST(Task3dExamples, AgreeWithCalculixOnTheSameMeshAndTheBarWithItsClosedForm)
{
    const struct
    {
        const char* file;
        /// Expected end shortening by the closed form p L / E, 0 when there is none.
        double closedForm;
    } cases[] = {
        {"3d/bracket.json", 0.0},
        // 1000 psi over 4 in with the deck's E of 200000 psi; the fixed end holds the bar's
        // contraction across, which stiffens it by a little over 1 %.
        {"3d/round_bar.json", 1000.0 * 4.0 / 200000.0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.file);
        TempDir dir;
        const Outcome o =
            runTask({(examples() / c.file).string(), "--out", (dir.path() / "out").string(), "--keep-work"},
                    dir.path());
        ASSERT_EQ(o.exitStatus, 0) << o.err;
        EXPECT_NE(o.out.find("Analysis complete 0"), std::string::npos) << "the solver's log is echoed";
        EXPECT_NE(o.out.find("the solver deck's material is fixed: E 200000"), std::string::npos);
        for (const char* name : {"result.vtu", "result.svg", "result.png", "model.dxf"})
            EXPECT_GT(fs::file_size(dir.path() / "out" / name), 1000u) << name;
        const auto d = summary(dir.path() / "out");
        ASSERT_TRUE(d.IsObject() && d["status"] == "solved");
        // A drawing program sees the result mesh's surface as coloured faces.
        const Outcome faces =
            run("/usr/bin/python3 -c \"import ezdxf, sys; m = ezdxf.readfile(sys.argv[1]).modelspace(); "
                "print(len(m.query('3DFACE')), len({f.dxf.true_color for f in m}))\" " +
                    quote((dir.path() / "out" / "model.dxf").string()),
                dir.path());
        std::istringstream counts(faces.out);
        std::uint64_t faceCount = 0, colorCount = 0;
        counts >> faceCount >> colorCount;
        EXPECT_EQ(faceCount, d["mesh"]["surfaceTriangles"].GetUint64()) << faces.err;
        EXPECT_GT(colorCount, 10u);
        const double u = d["maxDisplacement"]["value"].GetDouble(), s = d["maxVonMises"]["value"].GetDouble();
        EXPECT_NEAR(d["safetyFactor"].GetDouble(), d["yield"].GetDouble() / s, 1e-9 * s);

        const auto [uReference, sReference] =
            calculix(fs::path(d["workingFolder"].GetString()) / "task.dat", dir.path());
        // Same mesh, same linear tetrahedra: the solvers differ by round-off, and the f06 prints
        // stresses to 7 digits.
        EXPECT_NEAR(u, uReference, 1e-6 * uReference);
        EXPECT_NEAR(s, sReference, 1e-5 * sReference);
        if (c.closedForm > 0)
        {
            EXPECT_NEAR(u, c.closedForm, 0.03 * c.closedForm);
        }
    }
}

TEST(Task3dErrors, ABrokenTaskFileExitsTwoNamingTheKeyPath)
{
    const std::string bar = slurp(examples() / "3d/round_bar.json");
    const auto replaced = [&](const std::string& from, const std::string& to)
    {
        std::string text = bar;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const struct
    {
        std::string text;
        const char* message;
    } cases[] = {
        {replaced("\"yield\"", "\"yeld\""), "unknown key \"yeld\""},
        {replaced("\"units\": \"psi\"", "\"units\": \"Pa\""),
         "features[1].pressure.units: the modelling units are \"english\", whose pressures are in \"psi\""},
        {replaced("[4, 0.2, 0.1]", "[5, 0.2, 0.1]"),
         "features[1].pressure.faces[0]: the point (5, 0.2, 0.1) lies on no face"},
        {replaced("[4, 0.2, 0.1]", "[4, 0.5, 0]"),
         "features[1].pressure.faces[0]: the point (4, 0.5, 0) lies on faces"},
        {replaced("{\"point\": [4, 0.2, 0.1]}", "9"),
         "features[1].pressure.faces[0]: the solid has no face 9"},
        {replaced("\"fineness\": 2", "\"fineness\": 200"), "meshing.fineness: must be from 0.01 to 100"},
        {replaced("round_bar.step", "missing.step"), "solid.step: the solid cannot be built"},
    };
    TempDir dir;
    spit(dir.path() / "round_bar.step", slurp(examples() / "3d" / "round_bar.step"));
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.message);
        spit(dir.path() / "task.json", c.text);
        const Outcome o = runTask(
            {(dir.path() / "task.json").string(), "--out", (dir.path() / "out").string()}, dir.path());
        EXPECT_EQ(o.exitStatus, 2);
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_STREQ(summary(dir.path() / "out")["status"].GetString(), "invalid");
    }
}

TEST(Task3dErrors, AFailingSolverRunExitsThreeWithItsMessageAndLeavesNoEarlierResult)
{
    TempDir dir;
    std::string text = slurp(examples() / "3d/round_bar.json");
    // Nothing holds the bar, so the solver program finds the model singular.
    const auto fix = text.find("{\"fix\"");
    text.erase(fix, text.find('\n', fix) - fix + 1);
    text.replace(text.find("\"fineness\": 2"), 13, "\"fineness\": 5");
    spit(dir.path() / "round_bar.step", slurp(examples() / "3d" / "round_bar.step"));
    spit(dir.path() / "task.json", text);
    const fs::path out = dir.path() / "out";
    fs::create_directories(out);
    for (const char* name : {"result.vtu", "result.svg", "result.png"})
        spit(out / name, "an earlier run's result");

    const Outcome o = runTask({(dir.path() / "task.json").string(), "--out", out.string()}, dir.path());
    EXPECT_EQ(o.exitStatus, 3);
    EXPECT_NE(o.err.find("Entity doesn't have CAE constraints"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("the solver run failed: eSolverFailed"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("singular"), std::string::npos) << "the solver's fatal message: " << o.err;
    for (const char* name : {"result.vtu", "result.svg", "result.png"})
        EXPECT_FALSE(fs::exists(out / name)) << name;
    const auto d = summary(out);
    EXPECT_STREQ(d["status"].GetString(), "failed");
    EXPECT_EQ(d["result"].GetInt(), 13);
}
} // namespace
