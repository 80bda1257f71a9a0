#include "TestModels.h"
#include "TestSupport.h"

#include "tools/nastran/Run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

using namespace nastran;
using namespace nastran::test;
namespace fs = std::filesystem;

namespace
{

class ProgramRun : public FolderTest
{
protected:
    ProgramRun() : FolderTest("nastran run ") {}

    /// Writes the deck and runs the program the way the module's command line reaches it: the quoted
    /// path split at its blank, then the options.
    int run(const std::string& deck, std::vector<std::string> options)
    {
        std::ofstream(m_dir / "task.dat") << deck;
        const std::string quoted = "\"" + (m_dir / "task.dat").string() + "\"";
        const std::size_t blank = quoted.find(' ');
        std::vector<std::string> args{quoted.substr(0, blank), quoted.substr(blank + 1)};
        args.insert(args.end(), options.begin(), options.end());
        return runProgram(args);
    }
};

std::string boxDeck(double pressure = 5.0, double youngsModulus = 2.0e5)
{
    const TetMesh m = boxMesh(2, 1, 1, 2.0, 1.0, 1.0, false);
    return deckHeader() + solidBulk(m, youngsModulus, 0.3) +
           pressureCards(m, facesWhere(m, [](const Vec3& x) { return x[0] == 2.0; }), 1, pressure) +
           "LOAD,10,1.0,1.0,1\n" + spc1("123", nodesWhere(m, [](const Vec3& x) { return x[0] == 0.0; })) +
           "ENDDATA";
}

const std::regex kCompletion(".*Analysis complete *[\\-0-9]+");

} // namespace

TEST_F(ProgramRun, WritesTheLogPhaseByPhaseAndTheResultsBesideTheDeck)
{
    EXPECT_EQ(run(boxDeck(), {"memorymaximum=16GB", "scr=yes", "old=no"}), 0);
    const auto log = linesOf(slurp(m_dir / "task.log"));
    ASSERT_FALSE(log.empty());
    std::string all;
    for (const auto& l : log)
        all += l + "\n";
    for (const char* phase :
         {"MEMORY LIMIT OF THE FACTOR: 16GB", "UNKNOWN KEYWORD scr=yes", "KEYWORD old=no HAS NO EFFECT",
          "READING DECK", "ASSEMBLING", "ORDERING", "FACTORISING", "SOLVING", "WRITING RESULTS"})
        EXPECT_NE(all.find(phase), std::string::npos) << phase << "\n" << all;
    EXPECT_TRUE(std::regex_match(log.back(), kCompletion)) << log.back();
    EXPECT_EQ(log.back().substr(log.back().size() - 2), " 0");

    const std::string f06 = slurp(m_dir / "task.f06");
    EXPECT_NE(f06.find("D I S P L A C E M E N T   V E C T O R"), std::string::npos);
    EXPECT_NE(f06.find("S T R E S S E S   I N    T E T R A H E D R O N"), std::string::npos);
    EXPECT_NE(f06.find("A N A L Y S I S  S U M M A R Y  T A B L E"), std::string::npos);
    EXPECT_NE(f06.find("* * * END OF JOB * * *"), std::string::npos);
    EXPECT_FALSE(fs::exists(m_dir / "task.f06.part"));
}

// Each refusal names its cause in the log and the printout, which holds no result table, and the
// completion line carries a non-zero code.
TEST_F(ProgramRun, FatalErrorsEndWithANonZeroCompletionCodeInLogAndF06)
{
    struct Case
    {
        std::string deck;
        std::vector<std::string> options;
        std::string message;
    };
    std::string noLoadSet = boxDeck();
    noLoadSet.replace(noLoadSet.find("LOAD,10"), 7, "LOAD,11");
    const Case cases[] = {
        {std::string(boxDeck()).insert(boxDeck().find("ENDDATA"), "CQUAD4,1,1,1,2,3,4\n"), {}, "\"CQUAD4\""},
        {boxDeck(), {"memorymaximum=1KB"}, "more than the memory limit (memorymaximum)"},
        {boxDeck(), {"memorymaximum=abc"}, "memorymaximum=abc is not an amount of memory"},
        {boxDeck(), {"parallel=two"}, "parallel=two is not a number of threads"},
        {noLoadSet, {}, "LOAD = 10 in the case control selects a load set that no"},
        {std::string(boxDeck()).replace(boxDeck().find("SPC=100"), 7, "SPC=7"),
         {},
         "SPC = 7 in the case control"},
        {boxDeck(1e308), {}, "the residual of the solution is not finite"},
        {boxDeck(5.0, -2.0e5), {}, "MAT1 on line"},
    };
    for (const auto& c : cases)
    {
        EXPECT_NE(run(c.deck, c.options), 0) << c.message;
        const std::string log = slurp(m_dir / "task.log");
        const auto lines = linesOf(log);
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(std::regex_match(lines.back(), kCompletion)) << lines.back();
        EXPECT_NE(lines.back().substr(lines.back().size() - 2), " 0") << lines.back();
        EXPECT_NE(log.find(c.message), std::string::npos) << log;
        const std::string f06 = slurp(m_dir / "task.f06");
        EXPECT_NE(f06.find("*** USER FATAL MESSAGE"), std::string::npos);
        EXPECT_NE(f06.find(c.message), std::string::npos) << f06;
        EXPECT_EQ(f06.find("D I S P L A C E M E N T"), std::string::npos);
    }
}

// The threads asked for are named in the log, and the reduced system written for comparisons reads back
// into CHOLMOD as the symmetric matrix of the model's equations.
TEST_F(ProgramRun, SetsThreadsAndWritesTheMatrixWhenAsked)
{
    const fs::path matrix = m_dir / "k.mtx";
    ASSERT_EQ(run(boxDeck(), {"smp=2", "matrix=" + matrix.string()}), 0);
    const std::string log = slurp(m_dir / "task.log");
    EXPECT_NE(log.find("THREADS: 2"), std::string::npos) << log;
    const std::smatch equations = [&]
    {
        std::smatch m;
        std::regex_search(log, m, std::regex("([0-9]+) EQUATIONS, ([0-9]+) MATRIX TERMS"));
        return m;
    }();
    ASSERT_EQ(equations.size(), 3u) << log;
    std::istringstream header(linesOf(slurp(matrix)).at(1));
    std::size_t rows = 0, columns = 0, terms = 0;
    header >> rows >> columns >> terms;
    EXPECT_EQ(linesOf(slurp(matrix)).at(0), "%%MatrixMarket matrix coordinate real symmetric");
    EXPECT_EQ(rows, std::stoul(equations[1]));
    EXPECT_EQ(columns, rows);
    EXPECT_EQ(terms, std::stoul(equations[2]));
    EXPECT_FALSE(fs::exists(m_dir / "k.mtx.part"));
}

TEST(CommandLine, ReadsThreadAndProcessCounts)
{
    EXPECT_EQ(parseCommandLine({"a.dat", "smp=3"}).threads, 3);
    EXPECT_EQ(parseCommandLine({"a.dat", "PARALLEL=1"}).threads, 1);
    EXPECT_EQ(parseCommandLine({"a.dat"}).threads, 0);
    EXPECT_EQ(parseCommandLine({"a.dat", "dmp=2"}).processes, 2);
    for (const char* bad : {"", "-1", "2x", "x"})
        EXPECT_LT(parseThreads(bad), 0) << bad;
    // A count not understood is an error naming the keyword as given, and leaves the default.
    const CommandLine wrong = parseCommandLine({"a.dat", "dmp=two", "smp=-1"});
    ASSERT_EQ(wrong.errors.size(), 2u);
    EXPECT_NE(wrong.errors[0].find("keyword dmp=two is not a number of processes"), std::string::npos);
    EXPECT_NE(wrong.errors[1].find("keyword smp=-1 is not a number of threads"), std::string::npos);
    EXPECT_EQ(wrong.processes, 0);
    EXPECT_EQ(wrong.threads, 0);
}

TEST(CommandLine, ReadsMemoryAmountsInBytesAndWords)
{
    EXPECT_DOUBLE_EQ(parseMemory("16GB"), 16.0 * 1073741824.0);
    EXPECT_DOUBLE_EQ(parseMemory("512mb"), 512.0 * 1048576.0);
    EXPECT_DOUBLE_EQ(parseMemory("2MW"), 2.0 * 8.0 * 1048576.0);
    EXPECT_DOUBLE_EQ(parseMemory("1000"), 8000.0);
    EXPECT_LT(parseMemory("lots"), 0.0);
    EXPECT_LT(parseMemory("16XB"), 0.0);
    EXPECT_EQ(parseCommandLine({"plain/path.dat"}).deck, "plain/path.dat");
    EXPECT_EQ(parseCommandLine({"\"a b/c d.dat\"", "memorymaximum=1GB"}).deck, "a b/c d.dat");
}
