#pragma once

/* Element mathematics of the in-house solver: material matrices, the three- and six-node isoparametric
   triangles, their stiffness and stress recovery. Fixed-size Eigen blocks only, so nothing here allocates.

   Local node numbering (parameters r along 0->1, s along 0->2):

          2                      2
          | \                    | \
          |  \                   5   4
          |   \                  |     \
          0----1                 0--3---1

     three-node: corners 0, 1, 2 at (0,0), (1,0), (0,1);
     six-node:   mid-side node 3 on edge 0-1, 4 on edge 1-2, 5 on edge 2-0.
   Node k owns local degrees of freedom 2k (x) and 2k + 1 (y). Strain (exx, eyy, gxy) with the engineering
   shear gxy = du/dy + dv/dx; stress (sxx, syy, sxy) in the same order. */

#include "cae_core/fea2d/Params2d.h"
#include "cae_core/solver2d/Solver2d.h"
#include "platform/ge/GePoint2d.h"
#include "platform/ge/GeVector2d.h"

#include <Eigen/Core>

#include <array>
#include <cmath>
#include <cstddef>

namespace cae_core::solver2d::detail
{

template <std::size_t N> using NodePositions = std::array<OdGePoint2d, N>;
template <std::size_t N> using NodeDisplacements = std::array<OdGeVector2d, N>;
template <std::size_t N> using ElementStiffness = Eigen::Matrix<double, 2 * int(N), 2 * int(N)>;
using MaterialMatrix = Eigen::Matrix3d;

/// One integration point of a rule over the parameter triangle, whose weights sum to 1.
struct IntegrationPoint
{
    double r;
    double s;
    double weight;
};

/// The one-point rule of the linear triangle, at the centroid written to thirteen decimals rather than as
/// the exact 1/3, like the seven-point rule's points. B is constant over the element, so the point's position
/// has no effect on the stiffness; only the weight 1 counts.
inline constexpr IntegrationPoint kTriangle3Rule[1] = {{0.3333333333333, 0.3333333333333, 1.0}};

/// The seven-point rule (exact for polynomials of degree five) of the quadratic triangle, thirteen decimals.
inline constexpr IntegrationPoint kTriangle6Rule[7] = {{0.1012865073235, 0.1012865073235, 0.1259391805448},
                                                       {0.7974269853531, 0.1012865073235, 0.1259391805448},
                                                       {0.1012865073235, 0.7974269853531, 0.1259391805448},
                                                       {0.4701420641051, 0.0597158717898, 0.1323941527885},
                                                       {0.4701420641051, 0.4701420641051, 0.1323941527885},
                                                       {0.0597158717898, 0.4701420641051, 0.1323941527885},
                                                       {0.3333333333333, 0.3333333333333, 0.225}};

/// D of Hooke's law, stress = D strain. Any mode other than plane stress and plane strain gives zeros.
/// No guard against the singular values of nu: the input handler refuses nu outside (-1, 0.5).
inline MaterialMatrix materialMatrix(double youngsModulus, double poissonRatio, fea2d::EMode mode)
{
    const double nu = poissonRatio;
    MaterialMatrix d = MaterialMatrix::Zero();
    if (mode == fea2d::EMode::ePlanarStress)
    {
        const double c = youngsModulus / (1.0 - nu * nu);
        d << c * 1.0, c * nu, 0.0, c * nu, c * 1.0, 0.0, 0.0, 0.0, c * ((1.0 - nu) / 2.0);
    }
    else if (mode == fea2d::EMode::ePlanarStrain)
    {
        const double c = youngsModulus / ((1.0 + nu) * (1.0 - 2.0 * nu));
        d << c * (1.0 - nu), c * nu, 0.0, c * nu, c * (1.0 - nu), 0.0, 0.0, 0.0, c * ((1.0 - 2.0 * nu) / 2.0);
    }
    return d;
}

/// Signed area of the triangle p0, p1, p2; positive when counter-clockwise.
inline double signedArea(const OdGePoint2d& p0, const OdGePoint2d& p1, const OdGePoint2d& p2)
{
    return 0.5 * ((p1.y - p2.y) * p0.x + (p2.y - p0.y) * p1.x + (p0.y - p1.y) * p2.x);
}

/// Shape functions at (r, s): (1 - r - s, r, s) for three nodes, the quadratic N0..N5 for six.
template <std::size_t N> inline std::array<double, N> shapeFunctions(double r, double s)
{
    static_assert(N == 3 || N == 6);
    const double l = 1.0 - r - s;
    if constexpr (N == 3)
        return {l, r, s};
    else
        return {(1.0 - 2.0 * r - 2.0 * s) * l,
                (2.0 * r - 1.0) * r,
                (2.0 * s - 1.0) * s,
                4.0 * r * l,
                4.0 * r * s,
                4.0 * s * l};
}

/// Cartesian derivatives (dNk/dx, dNk/dy) of the shape functions at one point.
template <std::size_t N> struct ShapeDerivatives
{
    std::array<double, N> dx;
    std::array<double, N> dy;
};

/// Derivatives of the linear triangle, constant over the element: dNk/dx = bk / det, dNk/dy = ck / det.
/// Reversing the corner order flips the signs of the numerators and of det together, so they only permute.
inline ShapeDerivatives<3> shapeDerivatives3(const NodePositions<3>& p)
{
    const double b0 = p[1].y - p[2].y, b1 = p[2].y - p[0].y, b2 = p[0].y - p[1].y;
    const double c0 = p[2].x - p[1].x, c1 = p[0].x - p[2].x, c2 = p[1].x - p[0].x;
    const double inv = 1.0 / (b0 * c1 - b1 * c0); // det = twice the signed area
    return {{inv * b0, inv * b1, inv * b2}, {inv * c0, inv * c1, inv * c2}};
}

/// Derivatives of the quadratic triangle at parameters (r, s), through the isoparametric Jacobian.
inline ShapeDerivatives<6> shapeDerivatives6(const NodePositions<6>& p, double r, double s)
{
    // dN/dr and dN/ds of N0..N5.
    const double dr[6] = {4.0 * r + 4.0 * s - 3.0,  4.0 * r - 1.0, 0.0,
                          -8.0 * r - 4.0 * s + 4.0, 4.0 * s,       -4.0 * s};
    const double ds[6] = {4.0 * r + 4.0 * s - 3.0, 0.0, 4.0 * s - 1.0, -4.0 * r, 4.0 * r,
                          -4.0 * r - 8.0 * s + 4.0};
    // J = [[dx/dr, dy/dr], [dx/ds, dy/ds]]
    double j00 = 0.0, j01 = 0.0, j10 = 0.0, j11 = 0.0;
    for (int k = 0; k < 6; ++k)
    {
        j00 += p[k].x * dr[k];
        j01 += p[k].y * dr[k];
        j10 += p[k].x * ds[k];
        j11 += p[k].y * ds[k];
    }
    const double invDet = 1.0 / (j00 * j11 - j01 * j10);
    const double i00 = j11 * invDet, i01 = -j01 * invDet, i10 = -j10 * invDet, i11 = j00 * invDet;
    ShapeDerivatives<6> g;
    for (int k = 0; k < 6; ++k)
    {
        g.dx[k] = i00 * dr[k] + i01 * ds[k];
        g.dy[k] = i10 * dr[k] + i11 * ds[k];
    }
    return g;
}

template <std::size_t N>
inline ShapeDerivatives<N> shapeDerivatives(const NodePositions<N>& p, double r, double s)
{
    if constexpr (N == 3)
    {
        (void)r;
        (void)s;
        return shapeDerivatives3(p);
    }
    else
        return shapeDerivatives6(p, r, s);
}

/// Adds w B^T D B to the upper triangle of k, node block by node block: half of B is zeros, so the 2 x 2
/// block of nodes i, j is B_i^T (D B_j) with B_k = [[dxk, 0], [0, dyk], [dyk, dxk]].
template <std::size_t N>
inline void addUpperBtDB(ElementStiffness<N>& k, const ShapeDerivatives<N>& g, const MaterialMatrix& d,
                         double w)
{
    for (std::size_t j = 0; j < N; ++j)
    {
        const double xj = g.dx[j], yj = g.dy[j];
        // Columns of w D B_j.
        const double ax0 = w * (d(0, 0) * xj + d(0, 2) * yj), ax1 = w * (d(1, 0) * xj + d(1, 2) * yj),
                     ax2 = w * (d(2, 0) * xj + d(2, 2) * yj);
        const double ay0 = w * (d(0, 1) * yj + d(0, 2) * xj), ay1 = w * (d(1, 1) * yj + d(1, 2) * xj),
                     ay2 = w * (d(2, 1) * yj + d(2, 2) * xj);
        for (std::size_t i = 0; i <= j; ++i)
        {
            const double xi = g.dx[i], yi = g.dy[i];
            const int r = 2 * int(i), c = 2 * int(j);
            k(r, c) += xi * ax0 + yi * ax2;
            k(r, c + 1) += xi * ay0 + yi * ay2;
            if (i != j)
                k(r + 1, c) += yi * ax1 + xi * ax2;
            k(r + 1, c + 1) += yi * ay1 + xi * ay2;
        }
    }
}

/// K = t |A| sum_i w_i B_i^T D B_i over the element's rule, with A the area of the three corners (equal to
/// the Jacobian's for the straight-sided elements the model builds). Exactly symmetric: the upper triangle
/// is computed and mirrored, so the assembled matrix is symmetric to the last bit as well.
template <std::size_t N>
inline ElementStiffness<N> elementStiffness(const NodePositions<N>& p, const MaterialMatrix& d,
                                            double thickness)
{
    ElementStiffness<N> k = ElementStiffness<N>::Zero();
    if constexpr (N == 3)
        addUpperBtDB<3>(k, shapeDerivatives3(p), d, kTriangle3Rule[0].weight);
    else
        for (const IntegrationPoint& q : kTriangle6Rule)
            addUpperBtDB<6>(k, shapeDerivatives6(p, q.r, q.s), d, q.weight);
    const double scale = thickness * std::abs(signedArea(p[0], p[1], p[2]));
    for (int c = 0; c < 2 * int(N); ++c)
    {
        for (int r = 0; r < c; ++r)
            k(c, r) = k(r, c) = scale * k(r, c);
        k(c, c) = scale * k(c, c);
    }
    return k;
}

/// Von Mises stress from the in-plane components and the out-of-plane szz.
inline double vonMises(double sxx, double syy, double sxy, double szz)
{
    return std::sqrt(0.5 *
                         ((sxx - syy) * (sxx - syy) + (syy - szz) * (syy - szz) + (szz - sxx) * (szz - sxx)) +
                     3.0 * sxy * sxy);
}

/// Stress from the shape derivatives at a point: D B u_e, with the strain (exx, eyy, gxy) summed node by
/// node; szz = nu (sxx + syy) in plane strain (0 in any other mode); and the von Mises equivalent.
template <std::size_t N>
inline Solver2dOutput::Stress stressFrom(const ShapeDerivatives<N>& g, const NodeDisplacements<N>& u,
                                         const MaterialMatrix& d, double poissonRatio, fea2d::EMode mode)
{
    double exx = 0.0, eyy = 0.0, gxy = 0.0;
    for (std::size_t k = 0; k < N; ++k)
    {
        exx += g.dx[k] * u[k].x;
        eyy += g.dy[k] * u[k].y;
        gxy += g.dy[k] * u[k].x + g.dx[k] * u[k].y;
    }
    const Eigen::Vector3d sigma = d * Eigen::Vector3d(exx, eyy, gxy);
    const double szz = mode == fea2d::EMode::ePlanarStrain ? poissonRatio * (sigma(0) + sigma(1)) : 0.0;
    return {sigma(0), sigma(1), sigma(2), vonMises(sigma(0), sigma(1), sigma(2), szz)};
}

/// Stress at parameters (r, s) of one element from its node positions and displacements.
template <std::size_t N>
inline Solver2dOutput::Stress stressAt(const NodePositions<N>& p, const NodeDisplacements<N>& u,
                                       const MaterialMatrix& d, double poissonRatio, fea2d::EMode mode,
                                       double r, double s)
{
    return stressFrom<N>(shapeDerivatives<N>(p, r, s), u, d, poissonRatio, mode);
}

/// Displacement interpolated at (r, s) with the element's shape functions.
template <std::size_t N> inline OdGeVector2d interpolate(const NodeDisplacements<N>& u, double r, double s)
{
    const std::array<double, N> w = shapeFunctions<N>(r, s);
    OdGeVector2d v;
    for (std::size_t k = 0; k < N; ++k)
        v += w[k] * u[k];
    return v;
}

} // namespace cae_core::solver2d::detail
