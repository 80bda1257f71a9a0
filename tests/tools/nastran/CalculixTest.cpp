// Cross-check with CalculiX: the same tetrahedral mesh, supports and face pressures solved by both
// programs must give the same displacements.

#include "TestModels.h"

#include "tools/nastran/Analysis.h"
#include "tools/nastran/Deck.h"

#include <gtest/gtest.h>

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

/// Two direct solvers on the same system agree to rounding; CalculiX prints 7 significant digits.
constexpr double kAgreement = 1e-6;

bool calculixAvailable()
{
    return std::system("command -v ccx > /dev/null 2>&1") == 0;
}

/// Face label of CalculiX's tetrahedra for the face opposite a corner: faces 1-2-3, 1-4-2, 2-4-3, 3-4-1.
int calculixFace(int oppositeCorner)
{
    static const int faceOf[4] = {3, 4, 2, 1};
    return faceOf[oppositeCorner];
}

std::string calculixInput(const TetMesh& m, double e, double nu, const std::vector<Id>& fixed,
                          const std::vector<std::pair<std::vector<BoundaryFace>, double>>& pressures)
{
    std::ostringstream s;
    s << "*NODE, NSET=NALL\n";
    for (std::size_t n = 0; n < m.nodes.size(); ++n)
        s << n + 1 << ", " << real(m.nodes[n][0]) << ", " << real(m.nodes[n][1]) << ", "
          << real(m.nodes[n][2]) << "\n";
    s << "*ELEMENT, TYPE=" << (m.elements.front().size() == 10 ? "C3D10" : "C3D4") << ", ELSET=EALL\n";
    for (std::size_t e2 = 0; e2 < m.elements.size(); ++e2)
    {
        s << e2 + 1;
        for (std::size_t a = 0; a < m.elements[e2].size(); ++a)
            s << (a == 8 ? ",\n" : ", ") << m.elements[e2][a];
        s << "\n";
    }
    s << "*MATERIAL, NAME=STEEL\n*ELASTIC\n" << real(e) << ", " << real(nu) << "\n";
    s << "*SOLID SECTION, ELSET=EALL, MATERIAL=STEEL\n*BOUNDARY\n";
    for (Id g : fixed)
        s << g << ", 1, 3\n";
    s << "*STEP\n*STATIC\n*DLOAD\n";
    for (const auto& [faces, p] : pressures)
        for (const auto& f : faces)
            s << f.element + 1 << ", P" << calculixFace(f.opposite) << ", " << real(p) << "\n";
    s << "*NODE PRINT, NSET=NALL\nU\n*END STEP\n";
    return s.str();
}

/// Displacements of the CalculiX .dat file by node.
std::map<Id, Vec3> calculixDisplacements(const fs::path& dat)
{
    std::map<Id, Vec3> u;
    std::ifstream in(dat);
    bool inTable = false;
    for (std::string line; std::getline(in, line);)
    {
        if (line.find("displacements (vx,vy,vz)") != std::string::npos)
        {
            inTable = true;
            continue;
        }
        if (!inTable)
            continue;
        std::istringstream row(line);
        Id id = 0;
        Vec3 v{};
        if (row >> id >> v[0] >> v[1] >> v[2])
            u[id] = v;
    }
    return u;
}

} // namespace

class CalculixCrossCheck : public testing::TestWithParam<bool>
{
};

TEST_P(CalculixCrossCheck, SameMeshSupportsAndPressuresGiveTheSameDisplacements)
{
    if (!calculixAvailable())
        GTEST_SKIP() << "CalculiX (ccx) is not installed";
    const bool quadratic = GetParam();
    const double lx = 4.0, ly = 2.0, lz = 1.5, e = 2.1e5, nu = 0.28;
    const TetMesh m = boxMesh(4, 2, 2, lx, ly, lz, quadratic);
    const auto fixed = nodesWhere(m, [](const Vec3& x) { return x[0] == 0.0; });
    const std::vector<std::pair<std::vector<BoundaryFace>, double>> pressures = {
        {facesWhere(m, [&](const Vec3& x) { return x[0] == lx; }), 30.0},
        {facesWhere(m, [&](const Vec3& x) { return x[2] == lz; }), 2.5},
        {facesWhere(m, [&](const Vec3& x) { return x[1] == 0.0; }), -4.0},
    };

    std::string bulk = solidBulk(m, e, nu) + spc1("123", fixed);
    for (std::size_t k = 0; k < pressures.size(); ++k)
        bulk += pressureCards(m, pressures[k].first, static_cast<Id>(k + 1), pressures[k].second);
    bulk += "LOAD,10,1.0,1.0,1,1.0,2,1.0,3\n";
    DeckReadResult deck = readDeck(deckHeader() + bulk + "ENDDATA");
    ASSERT_TRUE(deck.errors.empty()) << deck.errors.front().text;
    Analysis analysis(deck.model);
    const Results ours = analysis.run(0.0);

    const fs::path dir = fs::temp_directory_path() / ("nastran_ccx_" + std::to_string(quadratic));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "job.inp") << calculixInput(m, e, nu, fixed, pressures);
    const std::string command = "cd \"" + dir.string() + "\" && OMP_NUM_THREADS=1 ccx -i job > ccx.out 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << "ccx failed; see " << (dir / "ccx.out");
    const auto theirs = calculixDisplacements(dir / "job.dat");
    ASSERT_EQ(theirs.size(), m.nodes.size());

    double largest = 0.0;
    for (const auto& [id, v] : theirs)
        for (double c : v)
            largest = std::max(largest, std::abs(c));
    ASSERT_GT(largest, 0.0);
    for (std::size_t k = 0; k < ours.gridIds.size(); ++k)
    {
        const Vec3& v = theirs.at(ours.gridIds[k]);
        for (std::size_t c = 0; c < 3; ++c)
            EXPECT_NEAR(ours.displacement[k][c], v[c], kAgreement * largest)
                << "grid " << ours.gridIds[k] << " component " << c + 1;
    }
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(LinearAndQuadratic, CalculixCrossCheck, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info)
                         { return std::string(info.param ? "QuadraticTetrahedra" : "LinearTetrahedra"); });
