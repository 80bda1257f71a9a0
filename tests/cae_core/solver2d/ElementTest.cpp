#include "cae_core/solver2d/detail/Element2d.h"

#include <Eigen/Eigenvalues>
#include <Eigen/LU>
#include <gtest/gtest.h>

#include <cmath>

namespace
{

using namespace cae_core;
using namespace cae_core::solver2d::detail;

/// Round-off scale of element matrices assembled from O(1) data: a few hundred ulps.
constexpr double kRoundOff = 1e-13;

NodePositions<6> withMidpoints(const NodePositions<3>& c)
{
    const auto mid = [](const OdGePoint2d& a, const OdGePoint2d& b)
    { return OdGePoint2d(0.5 * (a.x + b.x), 0.5 * (a.y + b.y)); };
    return {c[0], c[1], c[2], mid(c[0], c[1]), mid(c[1], c[2]), mid(c[2], c[0])};
}

/// Node displacements of the linear field u = a + G (x, y).
template <std::size_t N>
NodeDisplacements<N> linearField(const NodePositions<N>& p, const OdGeVector2d& a, const Eigen::Matrix2d& g)
{
    NodeDisplacements<N> u;
    for (std::size_t k = 0; k < N; ++k)
        u[k] = OdGeVector2d(a.x + g(0, 0) * p[k].x + g(0, 1) * p[k].y,
                            a.y + g(1, 0) * p[k].x + g(1, 1) * p[k].y);
    return u;
}

template <std::size_t N> Eigen::Matrix<double, 2 * int(N), 1> flatten(const NodeDisplacements<N>& u)
{
    Eigen::Matrix<double, 2 * int(N), 1> v;
    for (std::size_t k = 0; k < N; ++k)
        v.template segment<2>(2 * k) << u[k].x, u[k].y;
    return v;
}

const NodePositions<3> kGeneralTriangle = {OdGePoint2d(0.3, -0.2), OdGePoint2d(2.1, 0.4),
                                           OdGePoint2d(0.9, 1.7)};
const NodePositions<3> kSliverTriangle = {OdGePoint2d(0.0, 0.0), OdGePoint2d(10.0, 0.1),
                                          OdGePoint2d(5.0, 0.4)};

TEST(MaterialMatrix, UniaxialStressAndPureShearGiveTheStrainsOfHookesLaw)
{
    // A uniaxial stress s contracts sideways by nu s / E (plane stress) or, with the thickness strain held
    // at zero, by nu (1 + nu) s / E (plane strain); a shear stress t gives the shear strain 2 (1 + nu) t / E.
    const double e = 210.0, nu = 0.25, s = 3.0, t = 2.0;
    const Eigen::Matrix3d planeStress = materialMatrix(e, nu, fea2d::ePlanarStress);
    const Eigen::Matrix3d planeStrain = materialMatrix(e, nu, fea2d::ePlanarStrain);
    const Eigen::Vector3d uniaxial(s, 0.0, 0.0), shear(0.0, 0.0, t);
    EXPECT_TRUE((planeStress.inverse() * uniaxial).isApprox(Eigen::Vector3d(s / e, -nu * s / e, 0.0), 1e-14));
    EXPECT_TRUE((planeStrain.inverse() * uniaxial)
                    .isApprox(Eigen::Vector3d((1 - nu * nu) * s / e, -nu * (1 + nu) * s / e, 0.0), 1e-14));
    for (const Eigen::Matrix3d& d : {planeStress, planeStrain})
        EXPECT_NEAR((d.inverse() * shear)(2), 2 * (1 + nu) * t / e, 1e-15);
    EXPECT_TRUE(materialMatrix(e, nu, static_cast<fea2d::EMode>(7)).isZero(0.0));
}

TEST(StressRecovery, CountsTheThicknessStressInPlaneStrainOnlyAndShearThreeTimes)
{
    // A uniaxial strain state of stress (S, 0, 0) in plane strain has szz = nu S: von Mises S sqrt(0.79) for
    // nu = 0.3. The same strains read in plane stress (or an unknown mode) have no szz.
    const double e = 100.0, nu = 0.3, stress = 2.5;
    const MaterialMatrix d = materialMatrix(e, nu, fea2d::ePlanarStrain);
    const Eigen::Vector3d strain = d.inverse() * Eigen::Vector3d(stress, 0.0, 0.0);
    Eigen::Matrix2d g = Eigen::Matrix2d::Zero();
    g.diagonal() << strain(0), strain(1);
    const NodePositions<6> p = withMidpoints(kGeneralTriangle);
    const Solver2dOutput::Stress s =
        stressAt<6>(p, linearField<6>(p, {0, 0}, g), d, nu, fea2d::ePlanarStrain, 0.3, 0.6);
    EXPECT_NEAR(s.sxx, stress, 1e-12);
    EXPECT_NEAR(s.syy, 0.0, 1e-12);
    EXPECT_NEAR(s.vonMises, stress * std::sqrt(0.79), 1e-12);
    EXPECT_NEAR(
        stressAt<6>(p, linearField<6>(p, {0, 0}, g), d, nu, static_cast<fea2d::EMode>(7), 0.3, 0.6).vonMises,
        stress, 1e-12);
    EXPECT_NEAR(vonMises(0.0, 0.0, 1.0, 0.0), std::sqrt(3.0), 1e-15);
}

TEST(IntegrationRules, IntegrateTheMonomialsOfTheirDegreeOverTheTriangle)
{
    // Mean of r^a s^b over the parameter triangle: 2 a! b! / (a + b + 2)!. The seven-point rule is exact
    // to degree five and the one-point rule to degree one; the thirteen-decimal constants leave ~1e-13.
    const auto exactMean = [](int a, int b)
    { return 2.0 * std::tgamma(a + 1.0) * std::tgamma(b + 1.0) / std::tgamma(a + b + 3.0); };
    for (int a = 0; a <= 5; ++a)
        for (int b = 0; a + b <= 5; ++b)
        {
            double sum = 0.0;
            for (const IntegrationPoint& q : kTriangle6Rule)
                sum += q.weight * std::pow(q.r, a) * std::pow(q.s, b);
            EXPECT_NEAR(sum, exactMean(a, b), 1e-12) << "r^" << a << " s^" << b;
            if (a + b <= 1)
            {
                EXPECT_NEAR(std::pow(kTriangle3Rule[0].r, a) * std::pow(kTriangle3Rule[0].s, b),
                            exactMean(a, b), 1e-12);
            }
        }
    EXPECT_EQ(kTriangle3Rule[0].weight, 1.0);
}

template <std::size_t N>
void expectSymmetricWithRigidBodyNullSpace(const NodePositions<N>& p, fea2d::EMode mode)
{
    const ElementStiffness<N> k = elementStiffness<N>(p, materialMatrix(3.0, 0.3, mode), 0.7);
    EXPECT_TRUE(k == k.transpose()) << "exactly symmetric";
    const auto values = Eigen::SelfAdjointEigenSolver<ElementStiffness<N>>(k).eigenvalues();
    int zeros = 0;
    for (int i = 0; i < values.size(); ++i)
    {
        EXPECT_GT(values(i), -kRoundOff * values.maxCoeff());
        zeros += std::abs(values(i)) <= 1e-10 * values.maxCoeff();
    }
    EXPECT_EQ(zeros, 3) << values.transpose();
    // The null space is spanned by the two translations and the rotation.
    Eigen::Matrix2d rotation;
    rotation << 0, -1, 1, 0;
    const Eigen::Matrix2d none = Eigen::Matrix2d::Zero();
    for (const auto& u : {linearField<N>(p, {1, 0}, none), linearField<N>(p, {0, 1}, none),
                          linearField<N>(p, {0, 0}, rotation)})
        EXPECT_LE((k * flatten<N>(u)).norm(),
                  kRoundOff * 10.0 * k.cwiseAbs().maxCoeff() * flatten<N>(u).norm());
}

TEST(TriangleStiffness, IsSymmetricPositiveSemiDefiniteWithExactlyThreeRigidBodyModes)
{
    for (const auto mode : {fea2d::ePlanarStress, fea2d::ePlanarStrain})
        for (const NodePositions<3>& p : {kGeneralTriangle, kSliverTriangle})
        {
            expectSymmetricWithRigidBodyNullSpace<3>(p, mode);
            expectSymmetricWithRigidBodyNullSpace<6>(withMidpoints(p), mode);
        }
}

/// Element q is element p with its nodes taken in the order `node` (node k of q is node[k] of p).
template <std::size_t N>
void expectPermutedStiffness(const NodePositions<N>& p, const std::array<int, N>& node)
{
    const MaterialMatrix d = materialMatrix(5.0, 0.2, fea2d::ePlanarStress);
    NodePositions<N> q;
    for (std::size_t k = 0; k < N; ++k)
        q[k] = p[node[k]];
    const ElementStiffness<N> kp = elementStiffness<N>(p, d, 1.0);
    const ElementStiffness<N> kq = elementStiffness<N>(q, d, 1.0);
    for (int r = 0; r < 2 * int(N); ++r)
        for (int c = 0; c < 2 * int(N); ++c)
            EXPECT_NEAR(kq(r, c), kp(2 * node[r / 2] + r % 2, 2 * node[c / 2] + c % 2),
                        kRoundOff * kp.cwiseAbs().maxCoeff());
}

TEST(TriangleStiffness, ReversedCornerOrderOnlyPermutesRowsAndColumns)
{
    expectPermutedStiffness<3>(kGeneralTriangle, {0, 2, 1});
    // Corners 0, 2, 1; mid-sides of 0-2, 2-1, 1-0.
    expectPermutedStiffness<6>(withMidpoints(kGeneralTriangle), {0, 2, 1, 5, 4, 3});
}

TEST(SixNodeElement, ReproducesALinearFieldExactlyAtEverySampleWithTheStatedCentroidWeights)
{
    // At the centroid the shape functions are -1/9 at the corners and 4/9 at the mid-side nodes.
    const auto centre = shapeFunctions<6>(1.0 / 3.0, 1.0 / 3.0);
    for (int k = 0; k < 3; ++k)
    {
        EXPECT_NEAR(centre[k], -1.0 / 9.0, 2e-16); // a couple of ulps
        EXPECT_NEAR(centre[3 + k], 4.0 / 9.0, 2e-16);
    }
    const NodePositions<6> p = withMidpoints(kGeneralTriangle);
    const MaterialMatrix d = materialMatrix(7.0, 0.3, fea2d::ePlanarStrain);
    Eigen::Matrix2d g;
    g << 0.02, 0.005, -0.01, -0.03;
    const NodeDisplacements<6> u = linearField<6>(p, {0.5, -0.25}, g);
    const Eigen::Vector3d expected = d * Eigen::Vector3d(g(0, 0), g(1, 1), g(0, 1) + g(1, 0));
    for (const auto& [r, s] : {std::pair{0.0, 0.0}, std::pair{1.0, 0.0}, std::pair{0.0, 1.0},
                               std::pair{1.0 / 3.0, 1.0 / 3.0}, std::pair{0.1, 0.8}, std::pair{0.45, 0.05}})
    {
        SCOPED_TRACE(testing::Message() << "at " << r << ", " << s);
        const Solver2dOutput::Stress stress = stressAt<6>(p, u, d, 0.3, fea2d::ePlanarStrain, r, s);
        EXPECT_NEAR(stress.sxx, expected(0), 1e-13);
        EXPECT_NEAR(stress.syy, expected(1), 1e-13);
        EXPECT_NEAR(stress.sxy, expected(2), 1e-13);
        // The interpolated displacement is the field at the point of parameters (r, s).
        const OdGePoint2d x = p[0] + r * (p[1] - p[0]) + s * (p[2] - p[0]);
        const OdGeVector2d at = interpolate<6>(u, r, s);
        EXPECT_NEAR(at.x, 0.5 + g(0, 0) * x.x + g(0, 1) * x.y, 1e-14);
        EXPECT_NEAR(at.y, -0.25 + g(1, 0) * x.x + g(1, 1) * x.y, 1e-14);
    }
}

} // namespace
