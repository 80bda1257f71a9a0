#include "TestModels.h"

#include "tools/nastran/Analysis.h"
#include "tools/nastran/Deck.h"
#include "tools/nastran/Elements.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace nastran;
using namespace nastran::test;

namespace
{

constexpr double kE = 2.0e5;
constexpr double kNu = 0.3;
/// Exact patch tests reproduce their fields up to rounding of a few hundred operations.
constexpr double kExact = 1e-10;

struct Solved
{
    Model model;
    Results results;
    std::vector<Note> notes;
};

Solved solve(const std::string& text)
{
    DeckReadResult r = readDeck(text);
    if (!r.errors.empty())
        throw std::runtime_error(r.errors.front().text);
    Solved s{std::move(r.model), {}, {}};
    Analysis a(s.model);
    s.results = a.run(0.0);
    s.notes = a.notes();
    return s;
}

std::size_t gridAt(const Results& r, Id id)
{
    return static_cast<std::size_t>(std::lower_bound(r.gridIds.begin(), r.gridIds.end(), id) -
                                    r.gridIds.begin());
}

} // namespace

struct SolidPatchCase
{
    bool quadratic;
    bool alongDirection;
    /// Cells along each side: ten make separators wider than the factor's blocks, which are then cut.
    int cells = 2;
    /// Interior corner nodes moved by up to this fraction of a cell; edges stay straight.
    double distortion = 0.0;
};

class SolidPatch : public testing::TestWithParam<SolidPatchCase>
{
};

// Uniform pressure p on the face x = lx of a block on rollers (x = 0, y = 0, z = 0): sxx = -p exactly,
// u = (-p x / E, nu p y / E, nu p z / E).
TEST_P(SolidPatch, UniformPressureOnRollersGivesTheExactField)
{
    const double lx = 2.0, ly = 1.5, lz = 1.0, p = 10.0;
    const int n = GetParam().cells;
    const TetMesh m = boxMesh(n, n, n, lx, ly, lz, GetParam().quadratic, GetParam().distortion);
    const auto faces = facesWhere(m, [&](const Vec3& x) { return x[0] == lx; });
    std::string bulk =
        solidBulk(m, kE, kNu) + pressureCards(m, faces, 1, p, GetParam().alongDirection ? "-1.,0.,0." : ",,");
    bulk += "LOAD,10,1.0,1.0,1\n";
    bulk += spc1("1", nodesWhere(m, [](const Vec3& x) { return x[0] == 0.0; }));
    bulk += spc1("2", nodesWhere(m, [](const Vec3& x) { return x[1] == 0.0; }));
    bulk += spc1("3", nodesWhere(m, [](const Vec3& x) { return x[2] == 0.0; }));
    const Solved s = solve(deckHeader() + bulk + "ENDDATA");

    for (std::size_t k = 0; k < s.results.gridIds.size(); ++k)
    {
        const Vec3& x = m.nodes[static_cast<std::size_t>(s.results.gridIds[k] - 1)];
        const auto& u = s.results.displacement[k];
        EXPECT_NEAR(u[0], -p * x[0] / kE, kExact * p / kE) << "grid " << s.results.gridIds[k];
        EXPECT_NEAR(u[1], kNu * p * x[1] / kE, kExact * p / kE);
        EXPECT_NEAR(u[2], kNu * p * x[2] / kE, kExact * p / kE);
    }
    ASSERT_EQ(s.results.tetras.size(), m.elements.size());
    for (const auto& e : s.results.tetras)
        for (const auto& st : e.stress)
        {
            EXPECT_NEAR(st[0], -p, kExact * p) << "element " << e.id;
            for (int c = 1; c < 6; ++c)
                EXPECT_NEAR(st[static_cast<std::size_t>(c)], 0.0, kExact * p) << "element " << e.id;
        }
}

INSTANTIATE_TEST_SUITE_P(LinearAndQuadratic, SolidPatch,
                         testing::Values(SolidPatchCase{false, false}, SolidPatchCase{true, false},
                                         SolidPatchCase{false, true}, SolidPatchCase{true, true},
                                         SolidPatchCase{false, false, 10},
                                         SolidPatchCase{true, false, 3, 0.15}),
                         [](const testing::TestParamInfo<SolidPatchCase>& info)
                         {
                             return std::string(info.param.quadratic ? "Quadratic" : "Linear") +
                                    (info.param.alongDirection ? "PressureAlongADirection"
                                                               : "NormalPressure") +
                                    (info.param.distortion > 0.0 ? "OnADistortedMesh"
                                     : info.param.cells > 2      ? "WithWideSeparators"
                                                                 : "");
                         });

struct MembranePatchCase
{
    bool sixNodes;
    bool planeStrain;
};

class MembranePatch : public testing::TestWithParam<MembranePatchCase>
{
};

// A rectangle pulled by a uniform traction s on x = lx, held along x = 0 by SPCs and along y = 0 by MPCs
// written as the module writes a support blocked along y (first coefficient zero).
TEST_P(MembranePatch, UniformTractionGivesTheExactField)
{
    const bool six = GetParam().sixNodes;
    const bool strain = GetParam().planeStrain;
    const double lx = 3.0, ly = 2.0, t = 0.25, s = 7.0;
    const int nx = 3, ny = 2;
    const int step = six ? 2 : 1; // nodes per cell edge
    const int cols = nx * step + 1, rowsCount = ny * step + 1;
    auto nid = [&](int i, int j) { return static_cast<Id>(1 + i + cols * j); };
    std::string bulk;
    for (int j = 0; j < rowsCount; ++j)
        for (int i = 0; i < cols; ++i)
            bulk += "GRID," + std::to_string(nid(i, j)) + ",," + real(lx * i / (cols - 1)) + "," +
                    real(ly * j / (rowsCount - 1)) + ",0.\n";
    Id eid = 0;
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
        {
            const int i0 = i * step, j0 = j * step, i1 = i0 + step, j1 = j0 + step, im = i0 + 1, jm = j0 + 1;
            // Two triangles per cell with first edges in different directions, so that element and
            // global axes differ.
            if (six)
            {
                bulk += card("CTRIA6", {++eid, 37, nid(i1, j0), nid(i1, j1), nid(i0, j0), nid(i1, jm),
                                        nid(im, jm), nid(im, j0)});
                bulk += card("CTRIA6", {++eid, 37, nid(i0, j0), nid(i1, j1), nid(i0, j1), nid(im, jm),
                                        nid(im, j1), nid(i0, jm)});
            }
            else
            {
                bulk += card("CTRIA3", {++eid, 37, nid(i1, j0), nid(i1, j1), nid(i0, j0)});
                bulk += card("CTRIA3", {++eid, 37, nid(i0, j0), nid(i1, j1), nid(i0, j1)});
            }
        }
    bulk += std::string("PSHELL,37,105,") + real(t) + (strain ? ",-1\n" : ",0\n");
    bulk += "MAT1,105," + real(kE) + ",," + real(kNu) + "\n";
    // Consistent nodal forces of a uniform edge traction: per edge segment 1/2, 1/2 (linear) or
    // 1/6, 4/6, 1/6 (quadratic) of s t h.
    const double h = ly / ny;
    for (int j = 0; j < rowsCount; ++j)
    {
        double w = 0.0;
        if (six)
            w = (j % 2 == 1) ? 4.0 / 6.0 : ((j == 0 || j == rowsCount - 1) ? 1.0 / 6.0 : 2.0 / 6.0);
        else
            w = (j == 0 || j == rowsCount - 1) ? 0.5 : 1.0;
        bulk += "FORCE,10," + std::to_string(nid(cols - 1, j)) + ",0," + real(1.0) + "," +
                real(w * s * t * h) + ",0.,0.\n";
    }
    for (int j = 0; j < rowsCount; ++j)
        for (int i = 0; i < cols; ++i)
        {
            const Id g = nid(i, j);
            bulk += "SPC,100," + std::to_string(g) + (i == 0 ? ",13456\n" : ",3456\n");
            if (j == 0)
                bulk += "MPC,100," + std::to_string(g) + ",1,0.0," + std::to_string(g) + ",2,1.0\n";
        }
    const Solved r = solve(deckHeader() + bulk + "ENDDATA");

    const double e = strain ? kE / (1.0 - kNu * kNu) : kE;
    const double nu = strain ? kNu / (1.0 - kNu) : kNu;
    for (std::size_t k = 0; k < r.results.gridIds.size(); ++k)
    {
        const Id g = r.results.gridIds[k];
        const double x = lx * static_cast<double>((g - 1) % cols) / (cols - 1);
        const double y = ly * static_cast<double>((g - 1) / cols) / (rowsCount - 1);
        EXPECT_NEAR(r.results.displacement[k][0], s * x / e, kExact * s / e) << "grid " << g;
        EXPECT_NEAR(r.results.displacement[k][1], -nu * s * y / e, kExact * s / e) << "grid " << g;
    }
    const auto& elements = six ? r.results.trias6 : r.results.trias3;
    ASSERT_EQ(elements.size(), static_cast<std::size_t>(eid));
    for (const auto& m : elements)
    {
        // Element axes: x from corner 1 to corner 2. Back to global axes as the module's reader does.
        const Vec3 a = r.model.grids[static_cast<std::size_t>(m.corners[0] - 1)].x;
        const Vec3 b = r.model.grids[static_cast<std::size_t>(m.corners[1] - 1)].x;
        const double th = std::atan2(b[1] - a[1], b[0] - a[0]);
        const double sn = std::sin(th), cs = std::cos(th);
        for (const auto& st : m.stress)
        {
            const double sxx = st[0] * cs * cs + st[1] * sn * sn - 2 * st[2] * sn * cs;
            const double syy = st[1] * cs * cs + st[0] * sn * sn + 2 * st[2] * sn * cs;
            const double sxy = (st[0] - st[1]) * sn * cs + (cs * cs - sn * sn) * st[2];
            EXPECT_NEAR(sxx, s, kExact * s) << "element " << m.id;
            EXPECT_NEAR(syy, 0.0, kExact * s) << "element " << m.id;
            EXPECT_NEAR(sxy, 0.0, kExact * s) << "element " << m.id;
        }
    }
    ASSERT_FALSE(r.notes.empty());
    EXPECT_NE(r.notes.front().text.find("first coefficient is zero; GRID 1 component 2"), std::string::npos)
        << r.notes.front().text;
}

INSTANTIATE_TEST_SUITE_P(ThreeAndSixNodes, MembranePatch,
                         testing::Values(MembranePatchCase{false, false}, MembranePatchCase{false, true},
                                         MembranePatchCase{true, false}, MembranePatchCase{true, true}),
                         [](const testing::TestParamInfo<MembranePatchCase>& info)
                         {
                             return std::string(info.param.sixNodes ? "SixNodes" : "ThreeNodes") +
                                    (info.param.planeStrain ? "PlaneStrain" : "PlaneStress");
                         });

// Tip deflection of a cantilever against beam theory with shear deformation (Timoshenko, shear factor
// 5/6); the clamped end's Poisson restraint stiffens it slightly. Four-node tetrahedra lock in bending
// on a mesh this coarse; ten-node ones do not.
TEST(Cantilever, QuadraticTetrahedraMatchBeamTheoryWhereLinearOnesLock)
{
    const double l = 10.0, b = 1.0, h = 1.0, load = 1.0;
    const double inertia = b * h * h * h / 12.0;
    const double shear = kE / (2.0 * (1.0 + kNu));
    const double beam = load * l * l * l / (3.0 * kE * inertia) + load * l / (5.0 / 6.0 * shear * b * h);
    auto tipDeflection = [&](bool quadratic)
    {
        const TetMesh m = boxMesh(10, 2, 2, l, b, h, quadratic);
        std::string bulk =
            solidBulk(m, kE, kNu) + pressureCards(m, facesWhere(m, [&](const Vec3& x) { return x[0] == l; }),
                                                  1, load / (b * h), "0.,0.,-1.");
        bulk += "LOAD,10,1.0,1.0,1\n" + spc1("123", nodesWhere(m, [](const Vec3& x) { return x[0] == 0.0; }));
        const Solved s = solve(deckHeader() + bulk + "ENDDATA");
        double sum = 0.0;
        const auto tip = nodesWhere(m, [&](const Vec3& x) { return x[0] == l; });
        for (Id g : tip)
            sum += s.results.displacement[gridAt(s.results, g)][2];
        return -sum / static_cast<double>(tip.size());
    };
    const double quadratic = tipDeflection(true), linear = tipDeflection(false);
    EXPECT_NEAR(quadratic, beam, 0.02 * beam);
    EXPECT_LT(linear, 0.6 * beam) << "four-node tetrahedra no longer lock: is the beam still coarse?";
}

TEST(Singularity, NamesAGridAndComponentThatIsNotHeld)
{
    const TetMesh m = boxMesh(1, 1, 1, 1.0, 1.0, 1.0, false);
    const std::string base =
        solidBulk(m, kE, kNu) +
        pressureCards(m, facesWhere(m, [](const Vec3& x) { return x[0] == 1.0; }), 10, 1.0);
    const std::pair<std::string, std::string> cases[] = {
        // Held along y and z only: the block slides along x.
        {base + spc1("23", nodesWhere(m, [](const Vec3& x) { return x[0] == 0.0; })),
         "the model is singular (a mechanism): GRID "},
        // Rotations left free.
        {std::string(base).replace(base.find("SPC1,100,456"), 12, "SPC1,999,456") +
             spc1("123", nodesWhere(m, [](const Vec3& x) { return x[0] == 0.0; })),
         "GRID 1 component 4 is not held: no element gives it stiffness"},
    };
    for (const auto& [bulk, expected] : cases)
    {
        try
        {
            solve(deckHeader() + bulk + "ENDDATA");
            ADD_FAILURE() << "no fatal error for " << expected;
        }
        catch (const FatalError& e)
        {
            EXPECT_EQ(e.code, eFatalModel);
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("component"), std::string::npos) << e.what();
        }
    }
}

/// Rollers on the faces x = 0, y = 0 and z = 0 of a unit box, those on x = 0 written as a chain of MPCs
/// that ties each grid to the one before and ends in a single SPC.
std::string chainedRollers(const TetMesh& m)
{
    std::string cards;
    const auto face = nodesWhere(m, [](const Vec3& x) { return x[0] == 0.0; });
    cards += spc1("1", {face.front()});
    for (std::size_t k = 1; k < face.size(); ++k)
        cards += "MPC,100," + std::to_string(face[k]) + ",1,1.0," + std::to_string(face[k - 1]) + ",1,-1.0\n";
    cards += spc1("2", nodesWhere(m, [](const Vec3& x) { return x[1] == 0.0; }));
    cards += spc1("3", nodesWhere(m, [](const Vec3& x) { return x[2] == 0.0; }));
    return cards;
}

// Rollers on x = 0 written as a chain of MPCs (each grid's x tied to the previous grid's, the first
// held by an SPC) give the rollers' exact field; a closed chain is refused.
TEST(MpcChains, AreSubstitutedThroughAndClosedChainsRefused)
{
    const double p = 10.0;
    const TetMesh m = boxMesh(2, 2, 2, 1.0, 1.0, 1.0, false);
    std::string bulk = solidBulk(m, kE, kNu) +
                       pressureCards(m, facesWhere(m, [](const Vec3& x) { return x[0] == 1.0; }), 10, p);
    bulk += chainedRollers(m);
    const Solved s = solve(deckHeader() + bulk + "ENDDATA");
    for (std::size_t k = 0; k < s.results.gridIds.size(); ++k)
    {
        const Vec3& x = m.nodes[static_cast<std::size_t>(s.results.gridIds[k] - 1)];
        EXPECT_NEAR(s.results.displacement[k][0], -p * x[0] / kE, kExact * p / kE);
    }

    const std::string closed = "MPC,100,27,1,1.0,26,1,-1.0\nMPC,100,26,1,1.0,27,1,-1.0\n";
    try
    {
        solve(deckHeader() + bulk + closed + "ENDDATA");
        ADD_FAILURE() << "a closed chain of MPCs was accepted";
    }
    catch (const FatalError& e)
    {
        EXPECT_NE(std::string(e.what()).find("closed chain"), std::string::npos) << e.what();
    }
}

struct ReactionCase
{
    bool quadratic;
    const char* direction; ///< N1,N2,N3 of the pressure, or ",," for a normal one
};

class ConstraintForces : public testing::TestWithParam<ReactionCase>
{
};

// A block on rollers, those on x = 0 written as a chain of MPCs tied to one SPC: the constraints' forces
// balance the applied load exactly, the chain passes the x force on without adding any, and the one
// SPC that ends it takes all of it.
TEST_P(ConstraintForces, BalanceTheAppliedLoadBetweenSingleAndMultipointConstraints)
{
    const double p = 10.0;
    const TetMesh m = boxMesh(2, 2, 2, 1.0, 1.0, 1.0, GetParam().quadratic);
    std::string bulk =
        solidBulk(m, kE, kNu) + pressureCards(m, facesWhere(m, [](const Vec3& x) { return x[0] == 1.0; }), 10,
                                              p, GetParam().direction);
    bulk += chainedRollers(m);
    const auto face = nodesWhere(m, [](const Vec3& x) { return x[0] == 0.0; });
    const Solved s = solve(deckHeader("SPCFORCES=ALL\nMPCFORCES(PRINT,SORT1,REAL)=ALL\n") + bulk + "ENDDATA");

    // The unit face x = 1 under p: inward normal -x, or along the given direction per unit area.
    Eigen::Vector3d applied(-p, 0.0, 0.0);
    if (std::string(GetParam().direction) != ",,")
    {
        double d[3];
        std::sscanf(GetParam().direction, "%lf,%lf,%lf", &d[0], &d[1], &d[2]);
        applied = p * Eigen::Vector3d(d[0], d[1], d[2]).normalized();
    }
    Eigen::Vector3d spc = Eigen::Vector3d::Zero(), mpc = Eigen::Vector3d::Zero();
    double firstGridX = 0.0;
    for (const GridForce& f : s.results.spcForces)
    {
        spc += Eigen::Vector3d(f.force[0], f.force[1], f.force[2]);
        if (f.grid == face.front())
            firstGridX = f.force[0];
    }
    for (const GridForce& f : s.results.mpcForces)
        mpc += Eigen::Vector3d(f.force[0], f.force[1], f.force[2]);
    EXPECT_EQ(s.results.spcForces.size(), m.nodes.size()); // rotations are held everywhere
    EXPECT_EQ(s.results.mpcForces.size(), face.size());
    EXPECT_LT((spc + mpc + applied).norm(), 1e-10 * p)
        << "spc " << spc.transpose() << " mpc " << mpc.transpose();
    EXPECT_NEAR(mpc.norm(), 0.0, 1e-10 * p);
    EXPECT_NEAR(firstGridX, -applied.x(), 1e-10 * p);
}

INSTANTIATE_TEST_SUITE_P(LinearAndQuadratic, ConstraintForces,
                         testing::Values(ReactionCase{false, ",,"}, ReactionCase{true, "1.,2.,-3."}),
                         [](const testing::TestParamInfo<ReactionCase>& info) {
                             return std::string(info.param.quadratic ? "QuadraticDirectional"
                                                                     : "LinearNormal");
                         });

// A six-node face bulged out of its plane: the consistent nodal loads of a normal pressure have the
// load's exact resultant (the vector area, from the boundary: 1/2 of the loop integral of x cross dx)
// and its exact first moment (sum x_a f_a^T = p times the integral of x n^T, as the shape functions
// interpolate x), which a rule too weak for the curved face misses.
TEST(CurvedFacePressure, ConsistentLoadsCarryTheExactResultantAndMoment)
{
    std::vector<Vec3> x = {{0, 0, 0},      {1, 0, 0},         {0, 1, 0},       {0, 0, 1}, // corners
                           {0.5, 0, -0.2}, {0.5, 0.5, -0.15}, {0, 0.5, -0.25}, // mid-sides on the face z ~ 0
                           {0, 0, 0.5},    {0.5, 0, 0.5},     {0, 0.5, 0.5}};
    const double p = 3.0;
    const ElementVector f = tetraFaceLoad(x, 3, p, std::nullopt);
    auto at = [&](int a) { return Eigen::Vector3d(x[a][0], x[a][1], x[a][2]); };
    // The face x(u, v) over its parameter triangle, corners 0, 1, 2 and mid-sides 4, 5, 6.
    auto point = [&](double u, double v)
    {
        const double l[3] = {1.0 - u - v, u, v};
        return Eigen::Vector3d(l[0] * (2 * l[0] - 1) * at(0) + l[1] * (2 * l[1] - 1) * at(1) +
                               l[2] * (2 * l[2] - 1) * at(2) + 4 * l[0] * l[1] * at(4) +
                               4 * l[1] * l[2] * at(5) + 4 * l[2] * l[0] * at(6));
    };
    // Resultant: each boundary edge is a parabola, x cross dx/dt of degree 3, two Gauss points exact.
    Eigen::Vector3d area = Eigen::Vector3d::Zero();
    const double g = 0.5 / std::sqrt(3.0);
    const std::array<std::array<double, 4>, 3> edges = {{{0, 0, 1, 0}, {1, 0, 0, 1}, {0, 1, 0, 0}}};
    for (const auto& e : edges)
        for (double t : {0.5 - g, 0.5 + g})
        {
            const double h = 1e-6;
            auto along = [&](double s) { return point(e[0] + s * (e[2] - e[0]), e[1] + s * (e[3] - e[1])); };
            area += 0.5 * along(t).cross((along(t + h) - along(t - h)) / (2 * h)) * 0.5;
        }
    Eigen::Vector3d resultant = Eigen::Vector3d::Zero();
    Eigen::Matrix3d moment = Eigen::Matrix3d::Zero();
    for (int a = 0; a < 10; ++a)
    {
        resultant += f.segment<3>(3 * a);
        moment += at(a) * f.segment<3>(3 * a).transpose();
    }
    // Corners 0, 1, 2 wind the face's area vector towards corner 3: a normal pressure pushes along it.
    EXPECT_LT((resultant - p * area).norm(), 1e-8 * p * area.norm()) << resultant.transpose();

    // Reference moment: a composite three-point rule on 64 x 64 sub-triangles, accurate to about 1e-6.
    Eigen::Matrix3d reference = Eigen::Matrix3d::Zero();
    const int n = 64;
    const double d = 1e-7;
    for (int i = 0; i < n; ++i)
        for (int j = 0; i + j < n; ++j)
            for (int up = 0; up < (i + j < n - 1 ? 2 : 1); ++up)
            {
                const double c[3][2] = {{double(i), double(j)}, {i + 1.0, double(j)}, {double(i), j + 1.0}};
                const double cu[3][2] = {{i + 1.0, j + 1.0}, {double(i), j + 1.0}, {i + 1.0, double(j)}};
                const auto& tri = up ? cu : c;
                for (const auto& q : {std::array<double, 3>{4, 1, 1}, {1, 4, 1}, {1, 1, 4}})
                {
                    const double u = (q[0] * tri[0][0] + q[1] * tri[1][0] + q[2] * tri[2][0]) / (6.0 * n);
                    const double v = (q[0] * tri[0][1] + q[1] * tri[1][1] + q[2] * tri[2][1]) / (6.0 * n);
                    const Eigen::Vector3d tu = (point(u + d, v) - point(u - d, v)) / (2 * d);
                    const Eigen::Vector3d tv = (point(u, v + d) - point(u, v - d)) / (2 * d);
                    // Sub-triangle area in (u, v) is 1 / (2 n^2), a third of it per point.
                    reference += point(u, v) * (p * tu.cross(tv)).transpose() / (6.0 * n * n);
                }
            }
    EXPECT_LT((moment - reference).norm(), 1e-5 * reference.norm()) << moment << "\n\n" << reference;
}
