// Runs of the program shared by two processes under mpirun, against the same decks solved by one.
#include "TestModels.h"
#include "TestSupport.h"

#include "tools/nastran/Distributed.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

using namespace nastran;
using namespace nastran::test;
namespace fs = std::filesystem;

namespace
{

using Displacements = std::map<Id, std::array<double, 6>>;

/// The rows of the f06's displacement table.
Displacements displacementsOf(const std::string& f06)
{
    Displacements d;
    bool inTable = false;
    for (const std::string& line : linesOf(f06))
    {
        if (line.find("D I S P L A C E M E N T") != std::string::npos)
            inTable = true;
        else if (line.find("S T R E S S") != std::string::npos ||
                 line.find("F O R C E S") != std::string::npos)
            inTable = false;
        std::istringstream in(line);
        long long grid = 0;
        std::string type;
        std::array<double, 6> u{};
        if (inTable && in >> grid >> type && type == "G" &&
            in >> u[0] >> u[1] >> u[2] >> u[3] >> u[4] >> u[5])
            d[static_cast<Id>(grid)] = u;
    }
    return d;
}

class SharedRun : public FolderTest
{
protected:
    SharedRun() : FolderTest("nastran dmp ") {}

    /// Runs the program on the deck, saved as <name>.dat, as a separate process (started by `launcher`
    /// when given); a run that hangs is stopped after two minutes. Returns its exit status.
    int run(const std::string& name, const std::string& deck, const std::string& options,
            const std::string& launcher = "")
    {
        std::ofstream(m_dir / (name + ".dat")) << deck;
        const std::string command = "timeout 120 " + launcher + " \"" NASTRAN_PROGRAM "\" \"" +
                                    (m_dir / (name + ".dat")).string() + "\" " + options + " > \"" +
                                    (m_dir / (name + ".out")).string() + "\" 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string text(const std::string& file) const { return slurp(m_dir / file); }

    /// Both runs' displacements agree to `tolerance` relative to the largest.
    void expectSameDisplacements(const std::string& one, const std::string& other, double tolerance = 1e-9)
    {
        const Displacements a = displacementsOf(text(one + ".f06")),
                            b = displacementsOf(text(other + ".f06"));
        ASSERT_FALSE(a.empty()) << text(one + ".f06");
        ASSERT_EQ(a.size(), b.size()) << text(other + ".f06");
        double largest = 0.0;
        for (const auto& [grid, u] : a)
            for (double v : u)
                largest = std::max(largest, std::abs(v));
        ASSERT_GT(largest, 0.0);
        for (const auto& [grid, u] : a)
            for (std::size_t c = 0; c < 6; ++c)
                EXPECT_NEAR(b.at(grid)[c], u[c], tolerance * largest)
                    << "grid " << grid << " component " << c;
    }
};

std::string boxDeck(bool quadratic, bool mpcRollers)
{
    const TetMesh m = boxMesh(3, 2, 2, 2.0, 1.0, 1.0, quadratic, 0.1);
    std::string deck =
        deckHeader() + solidBulk(m, 2.0e5, 0.3) +
        pressureCards(m, facesWhere(m, [](const Vec3& x) { return x[0] == 2.0; }), 10, 5.0, "1.,2.,-3.");
    if (!mpcRollers)
        return deck + spc1("123", nodesWhere(m, [](const Vec3& x) { return x[0] == 0.0; })) + "ENDDATA";
    // Rollers on x = 0 as a chain of MPCs ended by one SPC, and on y = 0 and z = 0 as SPCs.
    const auto face = nodesWhere(m, [](const Vec3& x) { return x[0] == 0.0; });
    deck += spc1("1", {face.front()});
    for (std::size_t k = 1; k < face.size(); ++k)
        deck += "MPC,100," + std::to_string(face[k]) + ",1,1.0," + std::to_string(face[k - 1]) + ",1,-1.0\n";
    deck += spc1("2", nodesWhere(m, [](const Vec3& x) { return x[1] == 0.0; }));
    deck += spc1("3", nodesWhere(m, [](const Vec3& x) { return x[2] == 0.0; }));
    return deck + "ENDDATA";
}

/// A plate of six-node membranes held along x = 0, its edge y = 0 on rollers written as MPCs, pulled
/// along x and sheared along y at x = 3.
std::string membraneDeck()
{
    const int cols = 7, rowsCount = 5;
    auto nid = [&](int i, int j) { return static_cast<Id>(1 + i + cols * j); };
    std::string bulk;
    for (int j = 0; j < rowsCount; ++j)
        for (int i = 0; i < cols; ++i)
        {
            bulk +=
                "GRID," + std::to_string(nid(i, j)) + ",," + real(0.5 * i) + "," + real(0.5 * j) + ",0.\n";
            bulk += "SPC,100," + std::to_string(nid(i, j)) + (i == 0 ? ",13456\n" : ",3456\n");
            if (j == 0 && i > 0)
                bulk += "MPC,100," + std::to_string(nid(i, j)) + ",2,1.0," + std::to_string(nid(i, j)) +
                        ",1,0.1\n";
        }
    Id eid = 0;
    for (int j = 0; j + 2 < rowsCount; j += 2)
        for (int i = 0; i + 2 < cols; i += 2)
        {
            bulk += card("CTRIA6", {++eid, 37, nid(i + 2, j), nid(i + 2, j + 2), nid(i, j), nid(i + 2, j + 1),
                                    nid(i + 1, j + 1), nid(i + 1, j)});
            bulk += card("CTRIA6", {++eid, 37, nid(i, j), nid(i + 2, j + 2), nid(i, j + 2), nid(i + 1, j + 1),
                                    nid(i + 1, j + 2), nid(i, j + 1)});
        }
    bulk += "PSHELL,37,105,0.25,0\nMAT1,105,2.0E5,,0.3\n";
    for (int j = 0; j < rowsCount; ++j)
        bulk += "FORCE,10," + std::to_string(nid(cols - 1, j)) + ",0,1.0,3.0,1.0,0.\n";
    return deckHeader() + bulk + "ENDDATA";
}

} // namespace

TEST_F(SharedRun, TwoProcessesGiveTheDisplacementsOfOne)
{
    // The program that mpirun starts is one of the processes without being told.
    ASSERT_EQ(run("started", boxDeck(false, false), "", "mpirun -np 2"), 0) << text("started.out");
    EXPECT_NE(text("started.log").find("PROCESS 2: ELEMENTS"), std::string::npos) << text("started.log");
    // A host list goes to mpirun as it is: this machine named twice holds both processes.
    ASSERT_EQ(run("hosts", boxDeck(false, false), "dmp=2 hosts=localhost:localhost"), 0) << text("hosts.out");
    expectSameDisplacements("started", "hosts");
    const std::map<std::string, std::string> decks = {
        {"linear", boxDeck(false, false)}, {"quadratic", boxDeck(true, true)}, {"membrane", membraneDeck()}};
    for (const auto& [name, deck] : decks)
    {
        SCOPED_TRACE(name);
        ASSERT_EQ(run(name + "_one", deck, ""), 0) << text(name + "_one.log");
        ASSERT_EQ(run(name + "_two", deck, "dmp=2"), 0) << text(name + "_two.log") << text(name + "_two.out");
        expectSameDisplacements(name + "_one", name + "_two");
        const std::string log = text(name + "_two.log");
        for (const char* line :
             {"PROCESSES: 2", "PROCESS 1: ELEMENTS", "PROCESS 2: ELEMENTS", "PROCESS 2: PREDICTED FACTOR",
              "PROCESS 2: PREDICTED ELIMINATION", "PROCESS 2: FACTOR", "PROCESS 2: ELIMINATION",
              "ALL PROCESSES: ELIMINATION", "Analysis complete 0"})
            EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    }
}

TEST_F(SharedRun, AFactorOverTheMemoryLimitIsKeptOnDiskWithTheSameAnswer)
{
    const std::string deck = boxDeck(true, false);
    fs::create_directories(m_dir / "scratch");
    ASSERT_EQ(run("memory", deck, "dmp=2"), 0) << text("memory.log");
    ASSERT_EQ(
        run("disk", deck, "dmp=2 memorymaximum=0.05MB \"sdirectory=" + (m_dir / "scratch").string() + "\""),
        0)
        << text("disk.log") << text("disk.out");
    expectSameDisplacements("memory", "disk");
    EXPECT_EQ(text("memory.log").find("OUT OF CORE"), std::string::npos);
    EXPECT_NE(text("disk.log").find("OUT OF CORE"), std::string::npos) << text("disk.log");
    EXPECT_TRUE(fs::is_empty(m_dir / "scratch")); // the factor's files go with the run
}

// A mechanism, found by every process, and an element without stiffness that only the second process
// assembles: every process stops, the fatal message in the log and the f06, nothing waits forever.
TEST_F(SharedRun, AFailureOnAnyProcessEndsAllOfThemWithTheFatalMessage)
{
    const TetMesh m = boxMesh(3, 2, 2, 2.0, 1.0, 1.0, false);
    const std::string loads =
        pressureCards(m, facesWhere(m, [](const Vec3& x) { return x[0] == 2.0; }), 10, 5.0);
    const auto face = nodesWhere(m, [](const Vec3& x) { return x[0] == 0.0; });
    const std::string flat =
        card("CTETRA", {static_cast<Id>(m.elements.size() + 1), 1, face[0], face[1], face[2], face[3]});
    const struct
    {
        const char* name;
        std::string deck;
        int code;
        std::string message;
    } cases[] = {
        {"mechanism", deckHeader() + solidBulk(m, 2.0e5, 0.3) + loads + spc1("23", face) + "ENDDATA", 2,
         "the model is singular (a mechanism): GRID"},
        {"flat", deckHeader() + solidBulk(m, 2.0e5, 0.3) + flat + loads + spc1("123", face) + "ENDDATA", 1,
         "CTETRA " + std::to_string(m.elements.size() + 1)},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run(c.name, c.deck, "dmp=2"), c.code) << text(std::string(c.name) + ".out");
        const std::string log = text(std::string(c.name) + ".log");
        EXPECT_NE(log.find(c.message), std::string::npos) << log;
        EXPECT_NE(log.find("Analysis complete " + std::to_string(c.code)), std::string::npos) << log;
        EXPECT_NE(text(std::string(c.name) + ".f06").find(c.message), std::string::npos);
    }
}

TEST(SharedRunCommand, StartsTheProgramUnderMpirunOnTheHostsGiven)
{
    EXPECT_EQ(mpirunCommand("/bin/nastran", 2, "", {"a b.dat", "dmp=2"}),
              (std::vector<std::string>{"mpirun", "-np", "2", "/bin/nastran", "a b.dat", "dmp=2"}));
    EXPECT_EQ(
        mpirunCommand("nastran", 3, "node1:node2:node3", {"t.dat"}),
        (std::vector<std::string>{"mpirun", "-np", "3", "--host", "node1,node2,node3", "nastran", "t.dat"}));
}
