#include "TestModels.h"

#include "tools/nastran/Run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

using namespace nastran;
using namespace nastran::test;
namespace fs = std::filesystem;

namespace
{

std::string slurp(const fs::path& p)
{
    std::ifstream in(p);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> v;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        v.push_back(l);
    return v;
}

class ProgramRun : public testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("nastran run " + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

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

    fs::path m_dir;
};

std::string boxDeck()
{
    const TetMesh m = boxMesh(2, 1, 1, 2.0, 1.0, 1.0, false);
    return deckHeader() + solidBulk(m, 2.0e5, 0.3) +
           pressureCards(m, facesWhere(m, [](const Vec3& x) { return x[0] == 2.0; }), 1, 5.0) +
           "LOAD,10,1.0,1.0,1\n" + spc1("123", nodesWhere(m, [](const Vec3& x) { return x[0] == 0.0; })) +
           "ENDDATA";
}

const std::regex kCompletion(".*Analysis complete *[\\-0-9]+");

} // namespace

TEST_F(ProgramRun, WritesTheLogPhaseByPhaseAndTheResultsBesideTheDeck)
{
    EXPECT_EQ(run(boxDeck(), {"memorymaximum=16GB", "scr=yes", "old=no"}), 0);
    const auto log = lines(slurp(m_dir / "task.log"));
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

TEST_F(ProgramRun, FatalErrorsEndWithANonZeroCompletionCodeInLogAndF06)
{
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {std::string(boxDeck()).insert(boxDeck().find("ENDDATA"), "CQUAD4,1,1,1,2,3,4\n"), {}},
        {boxDeck(), {"memorymaximum=1KB"}},
    };
    for (const auto& [deck, options] : cases)
    {
        EXPECT_NE(run(deck, options), 0);
        const auto log = lines(slurp(m_dir / "task.log"));
        ASSERT_FALSE(log.empty());
        EXPECT_TRUE(std::regex_match(log.back(), kCompletion)) << log.back();
        EXPECT_NE(log.back().substr(log.back().size() - 2), " 0") << log.back();
        const std::string f06 = slurp(m_dir / "task.f06");
        EXPECT_NE(f06.find("*** USER FATAL MESSAGE"), std::string::npos);
        EXPECT_EQ(f06.find("D I S P L A C E M E N T"), std::string::npos);
    }
    const std::string f06 = slurp(m_dir / "task.f06");
    EXPECT_NE(f06.find("more than the memory limit (memorymaximum)"), std::string::npos) << f06;
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

namespace
{

std::string e6(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6E", v);
    return buf;
}

/// Reads a result file the way the module's 2D solver does: displacement rows in node order, then per
/// element the centre stress (three-node) or centre and corner stresses (six-node), in element axes.
struct TwoDimensionalResults
{
    std::vector<std::array<double, 2>> displacement;
    std::vector<std::array<double, 4>> stress; ///< sxx, syy, sxy, von Mises; 1 or 4 per element
};

TwoDimensionalResults readLikeTheModule(const std::string& f06, std::size_t nodes, std::size_t elements,
                                        bool six)
{
    TwoDimensionalResults r;
    const auto all = lines(f06);
    auto tokens = [](const std::string& l)
    {
        std::istringstream in(l);
        std::vector<std::string> t;
        for (std::string s; in >> s;)
            t.push_back(s);
        return t;
    };
    for (std::size_t k = 0; k < all.size(); ++k)
    {
        if (all[k].find("D I S P L A C E M E N T   V E C T O R") != std::string::npos)
            for (std::size_t n = 0; n < nodes; ++n)
            {
                const auto t = tokens(all.at(k + 3 + n));
                r.displacement.push_back({std::stod(t.at(2)), std::stod(t.at(3))});
            }
        if (all[k].find("S T R E S S E S   I N   T R I A N G U L A R   E L E M E N T S") == std::string::npos)
            continue;
        std::size_t at = k + (six ? 4 : 3);
        for (std::size_t e = 0; e < elements; ++e)
            for (int sample = 0; sample < (six ? 4 : 1); ++sample)
            {
                const std::string& row = all.at(at);
                const auto t = tokens(row);
                const std::size_t first = six ? (row[0] == '0' ? 4 : 2) : 3;
                r.stress.push_back({std::stod(t.at(first)), std::stod(t.at(first + 1)),
                                    std::stod(t.at(first + 2)), std::stod(t.at(first + 6))});
                at += six ? 3 : 2;
            }
    }
    return r;
}

} // namespace

struct TwoDimensionalCase
{
    bool sixNodes;
    bool planeStrain;
};

class TwoDimensionalDeck : public ProgramRun, public testing::WithParamInterface<TwoDimensionalCase>
{
};

// A deck in the module's 2D layout (one SPC per node, MPCs for supports blocked in one direction,
// FORCE cards, LINES so that no table breaks): a rectangle pulled by a uniform traction s on x = lx,
// rolling along x = 0 (blocked along x) and y = 0 (blocked along y, first MPC coefficient zero).
// Closed form: sxx = s, syy = sxy = 0; u = s x / E', v = -nu' s y / E'.
TEST_P(TwoDimensionalDeck, MembraneResultsReadLikeTheModuleMatchTheClosedForm)
{
    const bool six = GetParam().sixNodes, strain = GetParam().planeStrain;
    const double lx = 2.0, ly = 1.0, t = 0.1, s = 50.0, e = 7.0e4, nu = 0.33;
    const int step = six ? 2 : 1, cols = 2 * step + 1, rowsCount = step + 1;
    std::string deck =
        "$ VANTORIX RUN\nSOL 101\nCEND\nDISP=ALL\nSTRESS(VONMISES)=ALL\nTITLE=2D STRESS ANALYSIS\n"
        "SUBTITLE=VANTORIX TASK\nLABEL=SUMMARY\nLINES=10000000\nECHO=PUNCH\nSPC=100\nMPC=100\n"
        "LOAD=100\n$\nBEGIN BULK\n$     DEFINE GRID POINTS\n";
    auto nid = [&](int i, int j) { return 1 + i + cols * j; };
    for (int j = 0; j < rowsCount; ++j)
        for (int i = 0; i < cols; ++i)
            deck += "GRID," + std::to_string(nid(i, j)) + ",," + e6(lx * i / (cols - 1)) + "," +
                    e6(ly * j / (rowsCount - 1)) + "," + e6(0.0) + "\n";
    deck += "$\n$     DEFINE TRIANGULAR ELEMENTS\n";
    int elements = 0;
    for (int i = 0; i < 2; ++i)
    {
        const int a = i * step, b = a + step, m = a + 1;
        if (six)
        {
            deck += "CTRIA6," + std::to_string(++elements) + ",37," + std::to_string(nid(a, 0)) + "," +
                    std::to_string(nid(b, 0)) + "," + std::to_string(nid(b, 2)) + "," +
                    std::to_string(nid(m, 0)) + "," + std::to_string(nid(b, 1)) + "," +
                    std::to_string(nid(m, 1)) + "\n";
            deck += "CTRIA6," + std::to_string(++elements) + ",37," + std::to_string(nid(b, 2)) + "," +
                    std::to_string(nid(a, 2)) + "," + std::to_string(nid(a, 0)) + "," +
                    std::to_string(nid(m, 2)) + "," + std::to_string(nid(a, 1)) + "," +
                    std::to_string(nid(m, 1)) + "\n";
        }
        else
        {
            deck += "CTRIA3," + std::to_string(++elements) + ",37," + std::to_string(nid(a, 0)) + "," +
                    std::to_string(nid(b, 0)) + "," + std::to_string(nid(b, 1)) + "\n";
            deck += "CTRIA3," + std::to_string(++elements) + ",37," + std::to_string(nid(b, 1)) + "," +
                    std::to_string(nid(a, 1)) + "," + std::to_string(nid(a, 0)) + "\n";
        }
    }
    deck +=
        "$\n$     DEFINE PROPERTIES OF PLATE ELEMENTS\nPSHELL,37,105," + e6(t) + (strain ? ",-1\n" : ",0\n");
    deck += "MAT1,105," + e6(e) + ",," + e6(nu) + "\n$\n$     DEFINE CONSTRAINTS\n";
    for (int j = 0; j < rowsCount; ++j)
        for (int i = 0; i < cols; ++i)
        {
            const std::string g = std::to_string(nid(i, j));
            deck += "SPC,100," + g + ",3456\n";
            if (i == 0 || j == 0)
                deck += "MPC,100," + g + ",1," + e6(i == 0 ? 1.0 : 0.0) + "," + g + ",2," +
                        e6(j == 0 && i != 0 ? 1.0 : 0.0) + "\n";
            if (i == 0 && j == 0)
                deck += "MPC,100," + g + ",2," + e6(1.0) + "," + g + ",1," + e6(0.0) + "\n";
        }
    deck += "$\n$     DEFINE FORCE\n";
    for (int j = 0; j < rowsCount; ++j)
    {
        const double w = six ? (j == 1 ? 4.0 / 6.0 : 1.0 / 6.0) : 0.5;
        deck += "FORCE,100," + std::to_string(nid(cols - 1, j)) + ",0," + e6(1.0) + "," + e6(w * s * t * ly) +
                "," + e6(0.0) + ",0.0\n";
    }
    deck += "$\nENDDATA\n";

    ASSERT_EQ(run(deck, {}), 0) << slurp(m_dir / "task.log");
    const auto r = readLikeTheModule(slurp(m_dir / "task.f06"), static_cast<std::size_t>(cols * rowsCount),
                                     static_cast<std::size_t>(elements), six);
    const double ep = strain ? e / (1 - nu * nu) : e;
    const double nup = strain ? nu / (1 - nu) : nu;
    // The f06 prints 7 significant digits.
    constexpr double kPrinted = 1e-6;
    for (int j = 0; j < rowsCount; ++j)
        for (int i = 0; i < cols; ++i)
        {
            const auto& u = r.displacement.at(static_cast<std::size_t>(nid(i, j) - 1));
            EXPECT_NEAR(u[0], s * lx * i / (cols - 1) / ep, kPrinted * s * lx / ep);
            EXPECT_NEAR(u[1], -nup * s * ly * j / (rowsCount - 1) / ep, kPrinted * s * lx / ep);
        }
    ASSERT_EQ(r.stress.size(), static_cast<std::size_t>(elements * (six ? 4 : 1)));
    const double mises = strain ? s * std::sqrt(1 - nu + nu * nu) : s;
    for (const auto& st : r.stress)
    {
        // Element axes run along each element's first edge; only the invariants are axis-free.
        EXPECT_NEAR(st[0] + st[1], s, kPrinted * s * 10);
        EXPECT_NEAR(st[0] * st[1] - st[2] * st[2], 0.0, kPrinted * s * s * 10);
        EXPECT_NEAR(st[3], mises, kPrinted * s * 10);
    }
}

INSTANTIATE_TEST_SUITE_P(ThreeAndSixNodes, TwoDimensionalDeck,
                         testing::Values(TwoDimensionalCase{false, false}, TwoDimensionalCase{true, true}));
