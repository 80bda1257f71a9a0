#include "tools/nastran/Elements.h"

#include <cmath>
#include <numbers>

namespace nastran
{
namespace
{

using Mat3 = Eigen::Matrix3d;
using Mat6 = Eigen::Matrix<double, 6, 6>;

/// Mid-side nodes 5..10 of the quadratic tetrahedron, as pairs of corners (0-based).
constexpr int kTetraEdges[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
/// Mid-side nodes 4..6 of the quadratic triangle.
constexpr int kTriaEdges[3][2] = {{0, 1}, {1, 2}, {2, 0}};

/// A Jacobian determinant this small relative to the cube of the element size means a flat or
/// degenerate element: no stiffness can be computed from it.
constexpr double kDegenerateVolume = 1e-12;

Mat6 solidElasticity(double e, double nu)
{
    const double lambda = e * nu / ((1.0 + nu) * (1.0 - 2.0 * nu));
    const double mu = e / (2.0 * (1.0 + nu));
    Mat6 d = Mat6::Zero();
    for (int i = 0; i < 3; ++i)
    {
        for (int j = 0; j < 3; ++j)
            d(i, j) = lambda;
        d(i, i) = lambda + 2.0 * mu;
        d(i + 3, i + 3) = mu;
    }
    return d;
}

Eigen::Matrix3d planeElasticity(double e, double nu, bool planeStrain)
{
    Eigen::Matrix3d d = Eigen::Matrix3d::Zero();
    if (planeStrain)
    {
        const double c = e / ((1.0 + nu) * (1.0 - 2.0 * nu));
        d << c * (1.0 - nu), c * nu, 0.0, c * nu, c * (1.0 - nu), 0.0, 0.0, 0.0, c * (1.0 - 2.0 * nu) / 2.0;
    }
    else
    {
        const double c = e / (1.0 - nu * nu);
        d << c, c * nu, 0.0, c * nu, c, 0.0, 0.0, 0.0, c * (1.0 - nu) / 2.0;
    }
    return d;
}

/// Derivatives of the tetrahedron's shape functions with respect to (r, s, t), one column per node;
/// L1 = 1 - r - s - t, L2 = r, L3 = s, L4 = t.
Eigen::Matrix<double, 3, Eigen::Dynamic> tetraShapeDerivatives(int nodes, const Eigen::Vector3d& rst)
{
    const double l[4] = {1.0 - rst.sum(), rst(0), rst(1), rst(2)};
    const Eigen::Vector3d dl[4] = {{-1, -1, -1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    Eigen::Matrix<double, 3, Eigen::Dynamic> dn(3, nodes);
    if (nodes == 4)
    {
        for (int a = 0; a < 4; ++a)
            dn.col(a) = dl[a];
        return dn;
    }
    for (int a = 0; a < 4; ++a)
        dn.col(a) = (4.0 * l[a] - 1.0) * dl[a];
    for (int m = 0; m < 6; ++m)
    {
        const int i = kTetraEdges[m][0], j = kTetraEdges[m][1];
        dn.col(4 + m) = 4.0 * (l[i] * dl[j] + l[j] * dl[i]);
    }
    return dn;
}

Eigen::Matrix<double, Eigen::Dynamic, 3> coordinates(const std::vector<Vec3>& x)
{
    Eigen::Matrix<double, Eigen::Dynamic, 3> c(static_cast<Eigen::Index>(x.size()), 3);
    for (std::size_t a = 0; a < x.size(); ++a)
        c.row(static_cast<Eigen::Index>(a)) << x[a][0], x[a][1], x[a][2];
    return c;
}

double elementSize(const Eigen::Matrix<double, Eigen::Dynamic, 3>& c)
{
    return (c.colwise().maxCoeff() - c.colwise().minCoeff()).norm();
}

/// Strain-displacement matrix at (r, s, t) and |det J|; throws for a degenerate point.
Eigen::Matrix<double, 6, Eigen::Dynamic> tetraB(const Eigen::Matrix<double, Eigen::Dynamic, 3>& c,
                                                const Eigen::Vector3d& rst, double& detJ)
{
    const int n = static_cast<int>(c.rows());
    const auto dn = tetraShapeDerivatives(n, rst);
    const Mat3 j = dn * c; // j(i, k) = d x_k / d r_i
    detJ = j.determinant();
    const double size = elementSize(c);
    if (!(std::abs(detJ) > kDegenerateVolume * size * size * size))
        throw ElementGeometryError("zero or negative volume");
    const Eigen::Matrix<double, 3, Eigen::Dynamic> dx = j.inverse() * dn;
    Eigen::Matrix<double, 6, Eigen::Dynamic> b = Eigen::Matrix<double, 6, Eigen::Dynamic>::Zero(6, 3 * n);
    for (int a = 0; a < n; ++a)
    {
        const double nx = dx(0, a), ny = dx(1, a), nz = dx(2, a);
        b(0, 3 * a) = nx;
        b(1, 3 * a + 1) = ny;
        b(2, 3 * a + 2) = nz;
        b(3, 3 * a) = ny;
        b(3, 3 * a + 1) = nx;
        b(4, 3 * a + 1) = nz;
        b(4, 3 * a + 2) = ny;
        b(5, 3 * a) = nz;
        b(5, 3 * a + 2) = nx;
    }
    return b;
}

/// Points (u, v) and weights of a rule on the triangle u, v >= 0, u + v <= 1 (weights sum to 1/2).
using TriangleRule = std::vector<std::array<double, 3>>;

/// Three points of degree 2: exact for the linear shape functions of a flat three-node face times its
/// constant normal.
const TriangleRule& flatFaceRule()
{
    static const TriangleRule rule = {
        {1.0 / 6, 1.0 / 6, 1.0 / 6}, {2.0 / 3, 1.0 / 6, 1.0 / 6}, {1.0 / 6, 2.0 / 3, 1.0 / 6}};
    return rule;
}

/// Gauss-Legendre points of the square collapsed onto the triangle (u = a, v = b (1 - a), weight
/// times 1 - a), exact to degree 2 n - 2. On a six-node face the area vector t_u x t_v is quadratic in
/// (u, v), so a normal pressure's consistent loads are of degree 4; its length, which a load along a
/// direction needs, is no polynomial on a curved face, and six points per direction integrate it to
/// rounding for the mild curvature of a mesh of a smooth surface.
const TriangleRule& curvedFaceRule()
{
    constexpr int kPoints = 6;
    static const TriangleRule rule = []
    {
        // The roots of the Legendre polynomial by Newton's method from Chebyshev guesses.
        std::array<double, kPoints> x{}, w{};
        for (int i = 0; i < kPoints; ++i)
        {
            double z = std::cos(std::numbers::pi * (i + 0.75) / (kPoints + 0.5));
            double dp = 0.0;
            for (int iteration = 0; iteration < 100; ++iteration)
            {
                double p0 = 1.0, p1 = z;
                for (int k = 2; k <= kPoints; ++k)
                {
                    const double p2 = ((2.0 * k - 1.0) * z * p1 - (k - 1.0) * p0) / k;
                    p0 = p1;
                    p1 = p2;
                }
                dp = kPoints * (z * p1 - p0) / (z * z - 1.0);
                const double step = p1 / dp;
                z -= step;
                if (std::abs(step) < 1e-16)
                    break;
            }
            x[static_cast<std::size_t>(i)] = 0.5 * (1.0 - z);
            w[static_cast<std::size_t>(i)] = 1.0 / ((1.0 - z * z) * dp * dp);
        }
        TriangleRule r;
        for (std::size_t i = 0; i < x.size(); ++i)
            for (std::size_t j = 0; j < x.size(); ++j)
                r.push_back({x[i], x[j] * (1.0 - x[i]), w[i] * w[j] * (1.0 - x[i])});
        return r;
    }();
    return rule;
}

} // namespace

void tetraStiffness(const std::vector<Vec3>& x, double youngsModulus, double poissonRatio, ElementMatrix& k)
{
    const auto c = coordinates(x);
    const Mat6 d = solidElasticity(youngsModulus, poissonRatio);
    const int n = static_cast<int>(x.size());
    k.setZero(3 * n, 3 * n);
    double det = 0.0;
    if (n == 4)
    {
        const auto b = tetraB(c, Eigen::Vector3d::Constant(0.25), det);
        k.noalias() = b.transpose() * (d * b) * (std::abs(det) / 6.0);
        return;
    }
    // Four-point rule of degree 2: exact for B^T D B of a straight-edged quadratic tetrahedron.
    const double a = 0.5854101966249685, bb = 0.1381966011250105;
    const Eigen::Vector3d points[4] = {{bb, bb, bb}, {a, bb, bb}, {bb, a, bb}, {bb, bb, a}};
    double firstSign = 0.0;
    for (const auto& p : points)
    {
        const auto b = tetraB(c, p, det);
        if (firstSign == 0.0)
            firstSign = det;
        else if (det * firstSign < 0.0)
            throw ElementGeometryError("inverted at an integration point (mid-side grids misplaced)");
        k.noalias() += b.transpose() * (d * b) * (std::abs(det) / 24.0);
    }
}

std::array<Stress6, 5> tetraStresses(const std::vector<Vec3>& x, const ElementVector& u, double youngsModulus,
                                     double poissonRatio)
{
    const auto c = coordinates(x);
    const Mat6 d = solidElasticity(youngsModulus, poissonRatio);
    const Eigen::Vector3d points[5] = {
        Eigen::Vector3d::Constant(0.25), {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    std::array<Stress6, 5> out{};
    double det = 0.0;
    for (int p = 0; p < 5; ++p)
    {
        if (x.size() == 4 && p > 0)
        {
            out[p] = out[0];
            continue;
        }
        const Eigen::Matrix<double, 6, 1> s = d * (tetraB(c, points[p], det) * u);
        for (int i = 0; i < 6; ++i)
            out[p][i] = s(i);
    }
    return out;
}

ElementVector tetraFaceLoad(const std::vector<Vec3>& x, int oppositeCorner, double pressure,
                            const std::optional<Vec3>& direction)
{
    const int n = static_cast<int>(x.size());
    // Face nodes in element numbering: three corners, then (quadratic) the mid-side nodes between them.
    int corners[3];
    for (int a = 0, m = 0; a < 4; ++a)
        if (a != oppositeCorner)
            corners[m++] = a;
    std::vector<int> face(corners, corners + 3);
    if (n == 10)
    {
        for (const auto& e : kTriaEdges)
        {
            const int i = corners[e[0]], j = corners[e[1]];
            for (int m = 0; m < 6; ++m)
                if ((kTetraEdges[m][0] == i && kTetraEdges[m][1] == j) ||
                    (kTetraEdges[m][0] == j && kTetraEdges[m][1] == i))
                    face.push_back(4 + m);
        }
    }
    auto at = [&](int a) { return Eigen::Vector3d(x[a][0], x[a][1], x[a][2]); };
    Eigen::Vector3d centroid = (at(corners[0]) + at(corners[1]) + at(corners[2])) / 3.0;
    const Eigen::Vector3d towardsInside = at(oppositeCorner) - centroid;
    Eigen::Vector3d unit = Eigen::Vector3d::Zero();
    if (direction)
        unit = Eigen::Vector3d((*direction)[0], (*direction)[1], (*direction)[2]).normalized();

    ElementVector f = ElementVector::Zero(3 * n);
    const bool quadratic = face.size() == 6;
    for (const auto& q : quadratic ? curvedFaceRule() : flatFaceRule())
    {
        const double l[3] = {1.0 - q[0] - q[1], q[0], q[1]};
        const double dl[3][2] = {{-1, -1}, {1, 0}, {0, 1}};
        double shape[6];
        double dshape[6][2];
        for (int a = 0; a < 3; ++a)
        {
            shape[a] = quadratic ? l[a] * (2.0 * l[a] - 1.0) : l[a];
            for (int k = 0; k < 2; ++k)
                dshape[a][k] = quadratic ? (4.0 * l[a] - 1.0) * dl[a][k] : dl[a][k];
        }
        if (quadratic)
            for (int m = 0; m < 3; ++m)
            {
                const int i = kTriaEdges[m][0], j = kTriaEdges[m][1];
                shape[3 + m] = 4.0 * l[i] * l[j];
                for (int k = 0; k < 2; ++k)
                    dshape[3 + m][k] = 4.0 * (l[i] * dl[j][k] + l[j] * dl[i][k]);
            }
        Eigen::Vector3d tu = Eigen::Vector3d::Zero(), tv = Eigen::Vector3d::Zero();
        for (std::size_t a = 0; a < face.size(); ++a)
        {
            tu += dshape[a][0] * at(face[a]);
            tv += dshape[a][1] * at(face[a]);
        }
        Eigen::Vector3d areaNormal = tu.cross(tv); // length = area scale of the point
        if (areaNormal.dot(towardsInside) < 0.0)
            areaNormal = -areaNormal;
        const Eigen::Vector3d load = direction ? Eigen::Vector3d(unit * areaNormal.norm()) : areaNormal;
        for (std::size_t a = 0; a < face.size(); ++a)
            f.segment<3>(3 * face[a]) += (pressure * shape[a] * q[2]) * load;
    }
    return f;
}

MembraneFrame membraneFrame(const std::vector<Vec3>& x)
{
    MembraneFrame fr;
    const Eigen::Vector3d p0(x[0][0], x[0][1], x[0][2]), p1(x[1][0], x[1][1], x[1][2]),
        p2(x[2][0], x[2][1], x[2][2]);
    fr.origin = p0;
    const Eigen::Vector3d e1 = p1 - p0;
    const Eigen::Vector3d n = e1.cross(p2 - p0);
    const double size = std::max(e1.norm(), (p2 - p0).norm());
    if (!(n.norm() > kDegenerateVolume * size * size))
        throw ElementGeometryError("corners are collinear or coincide");
    fr.ex = e1.normalized();
    fr.ez = n.normalized();
    fr.ey = fr.ez.cross(fr.ex);
    return fr;
}

namespace
{

/// In-plane B (3 x 2n) at (r, s) and det J of a membrane triangle, from its local coordinates (n x 2).
Eigen::Matrix<double, 3, Eigen::Dynamic> membraneB(const Eigen::Matrix<double, Eigen::Dynamic, 2>& c,
                                                   double r, double s, double& detJ)
{
    const int n = static_cast<int>(c.rows());
    const double l[3] = {1.0 - r - s, r, s};
    const double dl[3][2] = {{-1, -1}, {1, 0}, {0, 1}};
    Eigen::Matrix<double, 2, Eigen::Dynamic> dn(2, n);
    for (int a = 0; a < 3; ++a)
        for (int k = 0; k < 2; ++k)
            dn(k, a) = n == 6 ? (4.0 * l[a] - 1.0) * dl[a][k] : dl[a][k];
    if (n == 6)
        for (int m = 0; m < 3; ++m)
        {
            const int i = kTriaEdges[m][0], j = kTriaEdges[m][1];
            for (int k = 0; k < 2; ++k)
                dn(k, 3 + m) = 4.0 * (l[i] * dl[j][k] + l[j] * dl[i][k]);
        }
    const Eigen::Matrix2d j = dn * c;
    detJ = j.determinant();
    const double size = (c.colwise().maxCoeff() - c.colwise().minCoeff()).norm();
    if (!(std::abs(detJ) > kDegenerateVolume * size * size))
        throw ElementGeometryError("zero area or mid-side grids misplaced");
    const Eigen::Matrix<double, 2, Eigen::Dynamic> dx = j.inverse() * dn;
    Eigen::Matrix<double, 3, Eigen::Dynamic> b = Eigen::Matrix<double, 3, Eigen::Dynamic>::Zero(3, 2 * n);
    for (int a = 0; a < n; ++a)
    {
        b(0, 2 * a) = dx(0, a);
        b(1, 2 * a + 1) = dx(1, a);
        b(2, 2 * a) = dx(1, a);
        b(2, 2 * a + 1) = dx(0, a);
    }
    return b;
}

struct MembraneLocal
{
    Eigen::Matrix<double, Eigen::Dynamic, 2> c; ///< node coordinates in the element frame
    Eigen::MatrixXd t;                          ///< 2n x 3n: global translations to in-plane ones
};

MembraneLocal membraneLocal(const std::vector<Vec3>& x)
{
    const MembraneFrame fr = membraneFrame(x);
    const int n = static_cast<int>(x.size());
    MembraneLocal m;
    m.c.resize(n, 2);
    m.t = Eigen::MatrixXd::Zero(2 * n, 3 * n);
    for (int a = 0; a < n; ++a)
    {
        const Eigen::Vector3d d = Eigen::Vector3d(x[a][0], x[a][1], x[a][2]) - fr.origin;
        m.c(a, 0) = d.dot(fr.ex);
        m.c(a, 1) = d.dot(fr.ey);
        m.t.block<1, 3>(2 * a, 3 * a) = fr.ex.transpose();
        m.t.block<1, 3>(2 * a + 1, 3 * a) = fr.ey.transpose();
    }
    return m;
}

} // namespace

void membraneStiffness(const std::vector<Vec3>& x, double youngsModulus, double poissonRatio,
                       double thickness, bool planeStrain, ElementMatrix& k)
{
    const MembraneLocal m = membraneLocal(x);
    const Eigen::Matrix3d d = planeElasticity(youngsModulus, poissonRatio, planeStrain);
    const int n = static_cast<int>(x.size());
    Eigen::MatrixXd kl = Eigen::MatrixXd::Zero(2 * n, 2 * n);
    double det = 0.0;
    if (n == 3)
    {
        const auto b = membraneB(m.c, 1.0 / 3, 1.0 / 3, det);
        kl = b.transpose() * d * b * (thickness * std::abs(det) / 2.0);
    }
    else
    {
        // Three interior points, degree 2: exact for a straight-sided six-node triangle.
        const double qp[3][2] = {{1.0 / 6, 1.0 / 6}, {2.0 / 3, 1.0 / 6}, {1.0 / 6, 2.0 / 3}};
        double firstSign = 0.0;
        for (const auto& q : qp)
        {
            const auto b = membraneB(m.c, q[0], q[1], det);
            if (firstSign == 0.0)
                firstSign = det;
            else if (det * firstSign < 0.0)
                throw ElementGeometryError("inverted at an integration point (mid-side grids misplaced)");
            kl += b.transpose() * d * b * (thickness * std::abs(det) / 6.0);
        }
    }
    k = m.t.transpose() * kl * m.t;
}

std::array<std::array<double, 3>, 4> membraneStresses(const std::vector<Vec3>& x, const ElementVector& u,
                                                      double youngsModulus, double poissonRatio,
                                                      bool planeStrain)
{
    const MembraneLocal m = membraneLocal(x);
    const Eigen::Matrix3d d = planeElasticity(youngsModulus, poissonRatio, planeStrain);
    const Eigen::VectorXd ul = m.t * u;
    const double pts[4][2] = {{1.0 / 3, 1.0 / 3}, {0, 0}, {1, 0}, {0, 1}};
    std::array<std::array<double, 3>, 4> out{};
    double det = 0.0;
    for (int p = 0; p < 4; ++p)
    {
        const Eigen::Vector3d s = d * (membraneB(m.c, pts[p][0], pts[p][1], det) * ul);
        out[p] = {s(0), s(1), s(2)};
    }
    return out;
}

double vonMises(const Stress6& s)
{
    const double dxy = s[0] - s[1], dyz = s[1] - s[2], dzx = s[2] - s[0];
    return std::sqrt(0.5 * (dxy * dxy + dyz * dyz + dzx * dzx) +
                     3.0 * (s[3] * s[3] + s[4] * s[4] + s[5] * s[5]));
}

} // namespace nastran
