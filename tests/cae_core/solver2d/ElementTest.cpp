#include "cae_core/solver2d/detail/Element2d.h"

#include <Eigen/Eigenvalues>
#include <gtest/gtest.h>

#include <algorithm>
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
    {
        v(2 * k) = u[k].x;
        v(2 * k + 1) = u[k].y;
    }
    return v;
}

const NodePositions<3> kGeneralTriangle = {OdGePoint2d(0.3, -0.2), OdGePoint2d(2.1, 0.4),
                                           OdGePoint2d(0.9, 1.7)};
const NodePositions<3> kSliverTriangle = {OdGePoint2d(0.0, 0.0), OdGePoint2d(10.0, 0.1),
                                          OdGePoint2d(5.0, 0.4)};

TEST(MaterialMatrix, PlaneStressAndPlaneStrainFollowHookesLawAndOtherModesGiveZeros)
{
    const double e = 210.0, nu = 0.25;
    const MaterialMatrix stress = materialMatrix(e, nu, fea2d::ePlanarStress);
    const double cs = e / (1.0 - nu * nu);
    EXPECT_DOUBLE_EQ(stress(0, 0), cs);
    EXPECT_DOUBLE_EQ(stress(0, 1), cs * nu);
    EXPECT_DOUBLE_EQ(stress(1, 0), cs * nu);
    EXPECT_DOUBLE_EQ(stress(1, 1), cs);
    EXPECT_DOUBLE_EQ(stress(2, 2), cs * (1.0 - nu) / 2.0);
    EXPECT_EQ(stress(0, 2), 0.0);
    EXPECT_EQ(stress(2, 1), 0.0);

    const MaterialMatrix strain = materialMatrix(e, nu, fea2d::ePlanarStrain);
    const double cn = e / ((1.0 + nu) * (1.0 - 2.0 * nu));
    EXPECT_DOUBLE_EQ(strain(0, 0), cn * (1.0 - nu));
    EXPECT_DOUBLE_EQ(strain(0, 1), cn * nu);
    EXPECT_DOUBLE_EQ(strain(1, 1), cn * (1.0 - nu));
    EXPECT_DOUBLE_EQ(strain(2, 2), cn * (1.0 - 2.0 * nu) / 2.0);
    // The shear modulus is E / (2 (1 + nu)) in both modes.
    EXPECT_NEAR(stress(2, 2), e / (2.0 * (1.0 + nu)), 1e-12 * e);
    EXPECT_NEAR(strain(2, 2), e / (2.0 * (1.0 + nu)), 1e-12 * e);

    EXPECT_TRUE(materialMatrix(e, nu, static_cast<fea2d::EMode>(7)).isZero(0.0));
}

TEST(TriangleStiffness, UnitRightTriangleMatchesTheClosedForm)
{
    const NodePositions<3> p = {OdGePoint2d(0, 0), OdGePoint2d(1, 0), OdGePoint2d(0, 1)};
    const ElementStiffness<3> k = elementStiffness<3>(p, materialMatrix(1.0, 0.0, fea2d::ePlanarStress), 1.0);
    Eigen::Matrix<double, 3, 6> b;
    b << -1, 0, 1, 0, 0, 0, //
        0, -1, 0, 0, 0, 1,  //
        -1, -1, 0, 1, 1, 0;
    const Eigen::Matrix<double, 6, 6> expected =
        0.5 * b.transpose() * Eigen::Vector3d(1, 1, 0.5).asDiagonal() * b;
    EXPECT_TRUE(k.isApprox(expected, kRoundOff)) << k << "\n\n" << expected;
    EXPECT_DOUBLE_EQ(k(0, 0), 0.75);
    EXPECT_DOUBLE_EQ(k(0, 1), 0.25);
    EXPECT_DOUBLE_EQ(k(2, 2), 0.5);
    EXPECT_DOUBLE_EQ(k(5, 5), 0.5);
}

template <std::size_t N>
void expectSymmetricWithRigidBodyNullSpace(const NodePositions<N>& p, fea2d::EMode mode)
{
    const ElementStiffness<N> k = elementStiffness<N>(p, materialMatrix(3.0, 0.3, mode), 0.7);
    const double scale = k.cwiseAbs().maxCoeff();
    EXPECT_LE((k - k.transpose()).cwiseAbs().maxCoeff(), kRoundOff * scale);

    Eigen::SelfAdjointEigenSolver<ElementStiffness<N>> eigen(0.5 * (k + k.transpose()));
    const auto& values = eigen.eigenvalues();
    int zeros = 0;
    for (int i = 0; i < values.size(); ++i)
    {
        EXPECT_GT(values(i), -kRoundOff * values.maxCoeff());
        if (std::abs(values(i)) <= 1e-10 * values.maxCoeff())
            ++zeros;
    }
    EXPECT_EQ(zeros, 3) << values.transpose();

    // The null space is spanned by the two translations and the rotation.
    Eigen::Matrix2d rotation;
    rotation << 0, -1, 1, 0;
    const Eigen::Matrix2d none = Eigen::Matrix2d::Zero();
    for (const auto& u : {linearField<N>(p, {1, 0}, none), linearField<N>(p, {0, 1}, none),
                          linearField<N>(p, {0, 0}, rotation)})
    {
        const auto v = flatten<N>(u);
        EXPECT_LE((k * v).norm(), kRoundOff * 10.0 * scale * v.norm());
    }
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

TEST(TriangleStiffness, ReversedCornerOrderOnlyPermutesRowsAndColumns)
{
    const MaterialMatrix d = materialMatrix(5.0, 0.2, fea2d::ePlanarStress);
    {
        const NodePositions<3> p = kGeneralTriangle;
        const NodePositions<3> q = {p[0], p[2], p[1]};
        const ElementStiffness<3> kp = elementStiffness<3>(p, d, 1.0);
        const ElementStiffness<3> kq = elementStiffness<3>(q, d, 1.0);
        const int node[3] = {0, 2, 1}; // node k of q is node[k] of p
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 6; ++c)
                EXPECT_NEAR(kq(r, c), kp(2 * node[r / 2] + r % 2, 2 * node[c / 2] + c % 2),
                            kRoundOff * kp.cwiseAbs().maxCoeff());
    }
    {
        const NodePositions<6> p = withMidpoints(kGeneralTriangle);
        // Corners 0, 2, 1; mid-sides of 0-2, 2-1, 1-0.
        const int node[6] = {0, 2, 1, 5, 4, 3};
        NodePositions<6> q;
        for (int k = 0; k < 6; ++k)
            q[k] = p[node[k]];
        const ElementStiffness<6> kp = elementStiffness<6>(p, d, 1.0);
        const ElementStiffness<6> kq = elementStiffness<6>(q, d, 1.0);
        for (int r = 0; r < 12; ++r)
            for (int c = 0; c < 12; ++c)
                EXPECT_NEAR(kq(r, c), kp(2 * node[r / 2] + r % 2, 2 * node[c / 2] + c % 2),
                            kRoundOff * kp.cwiseAbs().maxCoeff());
    }
}

TEST(TriangleStiffness, IsProportionalToThicknessAndModulusAndIndependentOfSize)
{
    const MaterialMatrix d = materialMatrix(1.0, 0.3, fea2d::ePlanarStrain);
    const NodePositions<6> p = withMidpoints(kGeneralTriangle);
    NodePositions<6> big;
    for (int k = 0; k < 6; ++k)
        big[k] = OdGePoint2d(1e3 * p[k].x + 50.0, 1e3 * p[k].y - 20.0);
    const ElementStiffness<6> k = elementStiffness<6>(p, d, 1.0);
    EXPECT_TRUE(elementStiffness<6>(big, d, 1.0).isApprox(k, 1e-10));
    EXPECT_TRUE(elementStiffness<6>(p, 4.0 * d, 0.5).isApprox(2.0 * k, kRoundOff));

    const NodePositions<3> c = kGeneralTriangle;
    NodePositions<3> cBig;
    for (int i = 0; i < 3; ++i)
        cBig[i] = OdGePoint2d(1e-3 * c[i].x, 1e-3 * c[i].y);
    EXPECT_TRUE(elementStiffness<3>(cBig, d, 1.0).isApprox(elementStiffness<3>(c, d, 1.0), 1e-10));
}

TEST(TriangleStiffness, StrainEnergyOfALinearFieldIsExactForBothElements)
{
    // u^T K u = t A eps^T D eps for a constant strain, which holds only if the rule's weights sum to one and
    // the area enters once.
    const MaterialMatrix d = materialMatrix(2.0, 0.3, fea2d::ePlanarStress);
    Eigen::Matrix2d g;
    g << 0.01, -0.02, 0.03, 0.015;
    const Eigen::Vector3d eps(g(0, 0), g(1, 1), g(0, 1) + g(1, 0));
    const double t = 0.4;
    const double area = std::abs(signedArea(kGeneralTriangle[0], kGeneralTriangle[1], kGeneralTriangle[2]));
    const double exact = t * area * eps.dot(d * eps);

    const auto u3 = flatten<3>(linearField<3>(kGeneralTriangle, {0.1, 0.2}, g));
    EXPECT_NEAR(u3.dot(elementStiffness<3>(kGeneralTriangle, d, t) * u3), exact, 1e-12 * exact);
    const NodePositions<6> p6 = withMidpoints(kGeneralTriangle);
    const auto u6 = flatten<6>(linearField<6>(p6, {0.1, 0.2}, g));
    // The seven weights are given to thirteen decimals; they sum to one within 1e-13.
    EXPECT_NEAR(u6.dot(elementStiffness<6>(p6, d, t) * u6), exact, 1e-12 * exact);
}

TEST(SixNodeElement, ShapeFunctionsAreOneAtTheirNodeZeroAtTheOthersAndSumToOne)
{
    const double nodes[6][2] = {{0, 0}, {1, 0}, {0, 1}, {0.5, 0}, {0.5, 0.5}, {0, 0.5}};
    for (int j = 0; j < 6; ++j)
    {
        const auto n = shapeFunctions<6>(nodes[j][0], nodes[j][1]);
        for (int k = 0; k < 6; ++k)
            EXPECT_EQ(n[k], k == j ? 1.0 : 0.0) << "N" << k << " at node " << j;
    }
    for (const auto& [r, s] : {std::pair{0.2, 0.3}, std::pair{0.7, 0.1}, std::pair{1.0 / 3.0, 1.0 / 3.0}})
    {
        const auto n = shapeFunctions<6>(r, s);
        double sum = 0.0;
        for (double v : n)
            sum += v;
        EXPECT_NEAR(sum, 1.0, 1e-15);
    }
    const auto centre = shapeFunctions<6>(1.0 / 3.0, 1.0 / 3.0);
    for (int k = 0; k < 3; ++k)
    {
        // A couple of ulps of 4/9.
        EXPECT_NEAR(centre[k], -1.0 / 9.0, 2e-16);
        EXPECT_NEAR(centre[3 + k], 4.0 / 9.0, 2e-16);
    }
}

TEST(SixNodeElement, ReproducesALinearFieldExactlyAtEverySample)
{
    const NodePositions<6> p = withMidpoints(kGeneralTriangle);
    const MaterialMatrix d = materialMatrix(7.0, 0.3, fea2d::ePlanarStrain);
    Eigen::Matrix2d g;
    g << 0.02, 0.005, -0.01, -0.03;
    const NodeDisplacements<6> u = linearField<6>(p, {0.5, -0.25}, g);
    const Eigen::Vector3d expected = d * Eigen::Vector3d(g(0, 0), g(1, 1), g(0, 1) + g(1, 0));
    for (const auto& [r, s] : {std::pair{0.0, 0.0}, std::pair{1.0, 0.0}, std::pair{0.0, 1.0},
                               std::pair{1.0 / 3.0, 1.0 / 3.0}, std::pair{0.1, 0.8}, std::pair{0.45, 0.05}})
    {
        const Solver2dOutput::Stress stress = stressAt<6>(p, u, d, 0.3, fea2d::ePlanarStrain, r, s);
        EXPECT_NEAR(stress.sxx, expected(0), 1e-13) << r << ", " << s;
        EXPECT_NEAR(stress.syy, expected(1), 1e-13) << r << ", " << s;
        EXPECT_NEAR(stress.sxy, expected(2), 1e-13) << r << ", " << s;
        // The interpolated displacement is the field itself.
        const OdGeVector2d at = interpolate<6>(u, r, s);
        const auto n = shapeFunctions<6>(r, s);
        double x = 0.0, y = 0.0;
        for (int k = 0; k < 6; ++k)
        {
            x += n[k] * p[k].x;
            y += n[k] * p[k].y;
        }
        EXPECT_NEAR(at.x, 0.5 + g(0, 0) * x + g(0, 1) * y, 1e-14);
        EXPECT_NEAR(at.y, -0.25 + g(1, 0) * x + g(1, 1) * y, 1e-14);
    }
}

TEST(VonMises, EqualsTheUniaxialStressInPlaneStress)
{
    const double e = 100.0, nu = 0.3, stress = 2.5;
    const NodePositions<3> p = kGeneralTriangle;
    Eigen::Matrix2d g = Eigen::Matrix2d::Zero();
    g(0, 0) = stress / e;
    g(1, 1) = -nu * stress / e;
    const Solver2dOutput::Stress s =
        stressAt<3>(p, linearField<3>(p, {0, 0}, g), materialMatrix(e, nu, fea2d::ePlanarStress), nu,
                    fea2d::ePlanarStress, 0.2, 0.2);
    EXPECT_NEAR(s.sxx, stress, 1e-13);
    EXPECT_NEAR(s.syy, 0.0, 1e-13);
    EXPECT_NEAR(s.sxy, 0.0, 1e-13);
    EXPECT_NEAR(s.vonMises, stress, 1e-13);
}

TEST(VonMises, CountsTheThicknessStressInPlaneStrain)
{
    const double e = 100.0, nu = 0.3, stress = 2.5;
    const MaterialMatrix d = materialMatrix(e, nu, fea2d::ePlanarStrain);
    const Eigen::Vector3d strain = d.inverse() * Eigen::Vector3d(stress, 0.0, 0.0);
    Eigen::Matrix2d g = Eigen::Matrix2d::Zero();
    g(0, 0) = strain(0);
    g(1, 1) = strain(1);
    const NodePositions<6> p = withMidpoints(kGeneralTriangle);
    const Solver2dOutput::Stress s =
        stressAt<6>(p, linearField<6>(p, {0, 0}, g), d, nu, fea2d::ePlanarStrain, 0.3, 0.6);
    EXPECT_NEAR(s.sxx, stress, 1e-12);
    EXPECT_NEAR(s.syy, 0.0, 1e-12);
    // szz = 0.3 S, so the equivalent stress is S sqrt(0.79).
    EXPECT_NEAR(s.vonMises, stress * std::sqrt(0.79), 1e-12);
    // The same field read as plane stress has no szz.
    EXPECT_NEAR(vonMises(stress, 0.0, 0.0, 0.0), stress, 1e-15);
    EXPECT_NEAR(vonMises(0.0, 0.0, 1.0, 0.0), std::sqrt(3.0), 1e-15);
}

} // namespace
