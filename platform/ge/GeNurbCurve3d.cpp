#include "platform/ge/GeNurbCurve3d.h"

#include "platform/base/OdError.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace
{
using Vec4 = std::array<double, 4>;
using Vec3 = std::array<double, 3>;
/// Highest derivative order evaluated.
constexpr int kMaxDeriv = 2;
/// Highest degree accepted; evaluation works in fixed buffers of this size. Far above the
/// cubic and quintic curves that drawings carry.
constexpr int kMaxDegree = 25;

Vec4 lerp(const Vec4& a, const Vec4& b, double alpha)
{
    Vec4 r;
    for (int c = 0; c < 4; ++c)
        r[c] = (1.0 - alpha) * a[c] + alpha * b[c];
    return r;
}

/// Solves the tridiagonal system (sub-diagonal dl, diagonal d, super-diagonal du) for three
/// right-hand sides by Gaussian elimination with partial pivoting (the natural end rows are
/// not diagonally dominant, so pivoting is needed). Returns false for a singular matrix.
bool solveTridiagonal(std::vector<double> dl, std::vector<double> d, std::vector<double> du,
                      std::vector<Vec3>& b)
{
    const std::size_t n = d.size();
    std::vector<double> du2(n, 0.0);
    for (std::size_t k = 0; k + 1 < n; ++k)
    {
        if (std::abs(d[k]) >= std::abs(dl[k]))
        {
            if (d[k] == 0.0)
                return false;
            const double f = dl[k] / d[k];
            d[k + 1] -= f * du[k];
            for (int c = 0; c < 3; ++c)
                b[k + 1][c] -= f * b[k][c];
        }
        else
        {
            // Swap rows k and k + 1, then eliminate; the swap fills the second super-diagonal.
            const double f = d[k] / dl[k];
            d[k] = dl[k];
            const double oldDiag = d[k + 1];
            d[k + 1] = du[k] - f * oldDiag;
            if (k + 2 < n)
            {
                du2[k] = du[k + 1];
                du[k + 1] = -f * du[k + 1];
            }
            du[k] = oldDiag;
            std::swap(b[k], b[k + 1]);
            for (int c = 0; c < 3; ++c)
                b[k + 1][c] -= f * b[k][c];
        }
    }
    if (d[n - 1] == 0.0)
        return false;
    for (std::size_t kk = n; kk-- > 0;)
        for (int c = 0; c < 3; ++c)
        {
            double s = b[kk][c];
            if (kk + 1 < n)
                s -= du[kk] * b[kk + 1][c];
            if (kk + 2 < n)
                s -= du2[kk] * b[kk + 2][c];
            b[kk][c] = s / d[kk];
        }
    return true;
}

/// Degree of the curve through fit points.
constexpr int kFitDegree = 3;

/// Chord-length parameters of the fit points, the first 0.
std::vector<double> chordParameters(const OdGePoint3dArray& fit)
{
    const int n = static_cast<int>(fit.size()) - 1;
    std::vector<double> c(static_cast<std::size_t>(n + 1), 0.0);
    for (int k = 1; k <= n; ++k)
        c[k] = c[k - 1] + fit[static_cast<unsigned>(k)].distanceTo(fit[static_cast<unsigned>(k - 1)]);
    return c;
}

/// A clamped cubic knot vector with the inner parameters as simple knots.
OdGeDoubleArray clampedFitKnots(const std::vector<double>& c)
{
    const std::size_t n = c.size() - 1;
    OdGeDoubleArray knots;
    for (int i = 0; i < 4; ++i)
        knots.append(c[0]);
    for (std::size_t k = 1; k < n; ++k)
        knots.append(c[k]);
    for (int i = 0; i < 4; ++i)
        knots.append(c[n]);
    return knots;
}

/// The tridiagonal system of an interpolation, a row per control point: each touches three
/// neighbouring unknowns only.
struct InterpolationRows
{
    explicit InterpolationRows(std::size_t n) : dl(n, 0.0), d(n, 0.0), du(n, 0.0), rhs(n, Vec3{0.0, 0.0, 0.0})
    {
    }
    void setRhs(std::size_t row, const OdGeVector3d& v) { rhs[row] = Vec3{v.x, v.y, v.z}; }

    std::vector<double> dl, d, du;
    std::vector<Vec3> rhs;
};

/// The second and last but one rows: the given tangent at an end, else a vanishing second derivative.
void setEndConditionRows(InterpolationRows& rows, const OdGeDoubleArray& knots,
                         const OdGeVector3d* startTangent, const OdGeVector3d* endTangent)
{
    auto u = [&](int i) { return knots[static_cast<unsigned>(i)]; };
    const std::size_t N = rows.d.size();
    const int p = kFitDegree;
    // First derivative at the start is 3 (P1 - P0) / (u4 - u1); the second derivative vanishes
    // when (P2 - P1) / (u5 - u2) = (P1 - P0) / (u4 - u1). The end mirrors this.
    if (startTangent)
    {
        const double h = (u(4) - u(1)) / p;
        rows.dl[0] = -1.0;
        rows.d[1] = 1.0;
        rows.setRhs(1, *startTangent * h);
    }
    else
    {
        const double a = 1.0 / (u(4) - u(1)), b = 1.0 / (u(5) - u(2));
        rows.dl[0] = a;
        rows.d[1] = -(a + b);
        rows.du[1] = b;
    }
    const int last = static_cast<int>(N) - 1;
    if (endTangent)
    {
        const double h = (u(last + 3) - u(last)) / p;
        rows.d[N - 2] = -1.0;
        rows.du[N - 2] = 1.0;
        rows.setRhs(N - 2, *endTangent * h);
    }
    else
    {
        const double a = 1.0 / (u(last + 3) - u(last)), b = 1.0 / (u(last + 2) - u(last - 1));
        rows.du[N - 2] = a;
        rows.d[N - 2] = -(a + b);
        rows.dl[N - 3] = b;
    }
}

/// The cubic basis functions N_(s-3)..N_s at `t` in the knot span starting at u_s.
std::array<double, 4> cubicBasisAt(const OdGeDoubleArray& knots, int s, double t)
{
    auto u = [&](int i) { return knots[static_cast<unsigned>(i)]; };
    std::array<double, 4> basis = {1.0, 0.0, 0.0, 0.0};
    double left[4] = {}, right[4] = {};
    for (int j = 1; j <= kFitDegree; ++j)
    {
        left[j] = t - u(s + 1 - j);
        right[j] = u(s + j) - t;
        double saved = 0.0;
        for (int r = 0; r < j; ++r)
        {
            const double tmp = basis[r] / (right[r + 1] + left[j - r]);
            basis[r] = saved + right[r + 1] * tmp;
            saved = left[j - r] * tmp;
        }
        basis[j] = saved;
    }
    return basis;
}
} // namespace

OdGeNurbCurve3d::OdGeNurbCurve3d(int degree, const OdGeKnotVector& knots,
                                 const OdGePoint3dArray& controlPoints)
    : m_degree(degree), m_knots(knots), m_controlPoints(controlPoints)
{
    validate();
}

OdGeNurbCurve3d::OdGeNurbCurve3d(int degree, const OdGeKnotVector& knots,
                                 const OdGePoint3dArray& controlPoints, const OdGeDoubleArray& weights)
    : m_degree(degree), m_knots(knots), m_controlPoints(controlPoints), m_weights(weights)
{
    validate();
}

OdGeNurbCurve3d::OdGeNurbCurve3d(const OdGePoint3dArray& fitPoints, const OdGeVector3d& startTangent,
                                 const OdGeVector3d& endTangent, bool startTangentDefined,
                                 bool endTangentDefined, const OdGeTol& fitTolerance)
{
    for (unsigned i = 1; i < fitPoints.size(); ++i)
        if (fitPoints[i].isEqualTo(fitPoints[i - 1], fitTolerance))
            throw OdError(eInvalidInput, ("spline fit points " + std::to_string(i) + " and " +
                                          std::to_string(i + 1) + " coincide")
                                             .c_str());
    // A zero tangent carries no direction: that end is left natural.
    const bool useStart = startTangentDefined && !startTangent.isZeroLength();
    const bool useEnd = endTangentDefined && !endTangent.isZeroLength();
    interpolate(fitPoints, useStart ? &startTangent : nullptr, useEnd ? &endTangent : nullptr);
}

OdGeNurbCurve3d::OdGeNurbCurve3d(const OdGePoint3dArray& fitPoints, const OdGeTol& fitTolerance)
    : OdGeNurbCurve3d(fitPoints, OdGeVector3d(), OdGeVector3d(), false, false, fitTolerance)
{
}

void OdGeNurbCurve3d::validate() const
{
    const int n = numControlPoints();
    auto fail = [](const std::string& what) { throw OdError(eInvalidInput, ("spline: " + what).c_str()); };
    if (m_degree < 1 || m_degree > kMaxDegree)
        fail("the degree must be between 1 and " + std::to_string(kMaxDegree) + ", got " +
             std::to_string(m_degree));
    if (n < m_degree + 1)
        fail("a degree " + std::to_string(m_degree) + " spline needs at least " +
             std::to_string(m_degree + 1) + " control points, got " + std::to_string(n));
    if (m_knots.length() != n + m_degree + 1)
        fail("expected " + std::to_string(n + m_degree + 1) + " knots for " + std::to_string(n) +
             " control points of degree " + std::to_string(m_degree) + ", got " +
             std::to_string(m_knots.length()));
    if (!m_knots.isNonDecreasing())
        fail("the knots decrease");
    if (!(m_knots[m_degree] < m_knots[n]))
        fail("the parameter interval is empty");
    if (!m_weights.isEmpty())
    {
        if (static_cast<int>(m_weights.size()) != n)
            fail("expected " + std::to_string(n) + " weights, got " + std::to_string(m_weights.size()));
        for (unsigned i = 0; i < m_weights.size(); ++i)
            if (!(m_weights[i] > 0.0))
                fail("weight " + std::to_string(i + 1) + " is not positive");
    }
}

void OdGeNurbCurve3d::interpolate(const OdGePoint3dArray& fit, const OdGeVector3d* startTangent,
                                  const OdGeVector3d* endTangent)
{
    if (fit.size() < 2)
        throw OdError(eInvalidInput, "spline: at least 2 fit points are needed");
    const int n = static_cast<int>(fit.size()) - 1; // fit points Q0..Qn
    const std::vector<double> c = chordParameters(fit);
    const OdGeDoubleArray knots = clampedFitKnots(c);
    m_degree = kFitDegree;
    m_knots.set(knots);
    m_weights.clear();
    const int numCtrl = n + 3;
    m_controlPoints.clear();
    m_controlPoints.resize(static_cast<unsigned>(numCtrl));

    // Unknowns P0..P(n+2). Rows: P0 = Q0; start condition; C(c_k) = Q_k for the inner fit
    // points; end condition; P(n+2) = Qn.
    const std::size_t N = static_cast<std::size_t>(numCtrl);
    InterpolationRows rows(N);
    rows.d[0] = 1.0;
    rows.setRhs(0, fit.first().asVector());
    rows.d[N - 1] = 1.0;
    rows.setRhs(N - 1, fit.last().asVector());
    setEndConditionRows(rows, knots, startTangent, endTangent);
    for (int k = 1; k < n; ++k)
    {
        // At the knot c_k = u[k + 3] the non-zero basis functions are N_k, N_(k+1), N_(k+2); N_(k+3)
        // vanishes at its own knot.
        const std::array<double, 4> basis = cubicBasisAt(knots, k + 3, c[static_cast<std::size_t>(k)]);
        const std::size_t row = static_cast<std::size_t>(k + 1);
        rows.dl[row - 1] = basis[0];
        rows.d[row] = basis[1];
        rows.du[row] = basis[2];
        rows.setRhs(row, fit[static_cast<unsigned>(k)].asVector());
    }
    if (!solveTridiagonal(rows.dl, rows.d, rows.du, rows.rhs))
        throw OdError(eDegenerateGeometry, "spline: the interpolation system is singular");
    for (std::size_t i = 0; i < N; ++i)
        m_controlPoints[static_cast<unsigned>(i)].set(rows.rhs[i][0], rows.rhs[i][1], rows.rhs[i][2]);
    // The ends are interpolated exactly, not up to the solver's rounding.
    m_controlPoints[0] = fit.first();
    m_controlPoints[static_cast<unsigned>(numCtrl - 1)] = fit.last();
    m_fitPoints = fit;
}

void OdGeNurbCurve3d::getDefinitionData(int& degree, bool& rational, bool& periodic, OdGeKnotVector& knots,
                                        OdGePoint3dArray& controlPoints, OdGeDoubleArray& weights) const
{
    degree = m_degree;
    rational = isRational();
    periodic = false;
    knots = m_knots;
    controlPoints = m_controlPoints;
    weights = m_weights;
}

bool OdGeNurbCurve3d::getFitPointAt(int i, OdGePoint3d& point) const
{
    if (i < 0 || i >= numFitPoints())
        return false;
    point = m_fitPoints[static_cast<unsigned>(i)];
    return true;
}

bool OdGeNurbCurve3d::isKindOf(OdGe::EntityId entType) const
{
    return entType == OdGe::kSplineEnt3d || OdGeCurve3d::isKindOf(entType);
}

OdGeNurbCurve3d& OdGeNurbCurve3d::transformBy(const OdGeMatrix3d& xfm)
{
    for (auto& p : m_controlPoints)
        p.transformBy(xfm);
    for (auto& p : m_fitPoints)
        p.transformBy(xfm);
    return *this;
}

void OdGeNurbCurve3d::getInterval(OdGeInterval& interval) const
{
    if (m_controlPoints.isEmpty())
    {
        interval.set();
        return;
    }
    interval.set(m_knots[m_degree], m_knots[numControlPoints()]);
}

bool OdGeNurbCurve3d::hasStartPoint(OdGePoint3d& startPoint) const
{
    if (m_controlPoints.isEmpty())
        return false;
    startPoint = evalPoint(m_knots[m_degree]);
    return true;
}

bool OdGeNurbCurve3d::hasEndPoint(OdGePoint3d& endPoint) const
{
    if (m_controlPoints.isEmpty())
        return false;
    endPoint = evalPoint(m_knots[numControlPoints()]);
    return true;
}

OdGeNurbCurve3d& OdGeNurbCurve3d::reverseParam()
{
    if (m_controlPoints.isEmpty())
        return *this;
    // Mirror the knots in the interval: u'[k] = a + b - u[m - 1 - k], so [a, b] stays.
    const double sum = m_knots[m_degree] + m_knots[numControlPoints()];
    OdGeDoubleArray knots;
    for (int k = m_knots.length() - 1; k >= 0; --k)
        knots.append(sum - m_knots[k]);
    m_knots.set(knots);
    m_controlPoints.reverse();
    m_weights.reverse();
    m_fitPoints.reverse();
    return *this;
}

bool OdGeNurbCurve3d::isLinear(const OdGeTol& tol) const
{
    if (m_controlPoints.isEmpty())
        return false;
    // The curve lies in the convex hull of its control points, so collinear control points
    // make a straight curve. The line runs through the first and the farthest control point.
    const OdGePoint3d& p0 = m_controlPoints.first();
    OdGePoint3d far = p0;
    for (const auto& p : m_controlPoints)
        if (p.distanceTo(p0) > far.distanceTo(p0))
            far = p;
    if (far.isEqualTo(p0, tol))
        return false;
    const OdGeVector3d dir = (far - p0).normal();
    for (const auto& p : m_controlPoints)
    {
        const OdGeVector3d d = p - p0;
        if ((d - dir * d.dotProduct(dir)).length() > tol.equalPoint())
            return false;
    }
    return true;
}

bool OdGeNurbCurve3d::isCircular(const OdGeTol&) const
{
    return false;
}

int OdGeNurbCurve3d::findSpan(double param) const
{
    const int n = numControlPoints(), p = m_degree;
    int s;
    if (param >= m_knots[n])
    {
        s = n - 1;
        while (s > p && m_knots[s] == m_knots[s + 1])
            --s;
    }
    else if (param <= m_knots[p])
    {
        s = p;
        while (s < n - 1 && m_knots[s] == m_knots[s + 1])
            ++s;
    }
    else
    {
        // The last knot index in [p, n] with u[s] <= param; then u[s] <= param < u[s + 1].
        const double* u = m_knots.asArrayPtr();
        s = static_cast<int>(std::upper_bound(u + p, u + n + 1, param) - u) - 1;
    }
    return s;
}

void OdGeNurbCurve3d::evalHomogeneous(double param, int numDeriv, double out[3][4]) const
{
    const int p = m_degree, s = findSpan(param);
    const double* u = m_knots.asArrayPtr();
    const OdGePoint3d* cps = m_controlPoints.getPtr();
    const double* ws = m_weights.isEmpty() ? nullptr : m_weights.getPtr();
    // The p + 1 control points of the span in homogeneous form (w x, w y, w z, w); fixed
    // buffers because evaluation sits in the inner loop of every length and search.
    std::array<Vec4, kMaxDegree + 1> pts;
    for (int j = 0; j <= p; ++j)
    {
        const int i = s - p + j;
        const double w = ws ? ws[i] : 1.0;
        pts[static_cast<std::size_t>(j)] = Vec4{w * cps[i].x, w * cps[i].y, w * cps[i].z, w};
    }
    for (int k = 0; k <= numDeriv; ++k)
    {
        const int deg = p - k;
        if (deg < 0)
        {
            for (int c = 0; c < 4; ++c)
                out[k][c] = 0.0;
            continue;
        }
        if (k > 0)
        {
            // Control points of the k-th derivative curve (degree p - k) from those of the
            // (k-1)-th; the derivative curve uses the knots shifted by k.
            for (int j = 0; j <= deg; ++j)
            {
                const double den = u[s + j + 1] - u[s - p + j + k];
                auto& q = pts[static_cast<std::size_t>(j)];
                const auto& qNext = pts[static_cast<std::size_t>(j + 1)];
                for (int c = 0; c < 4; ++c)
                    q[c] = den > 0.0 ? (deg + 1) * (qNext[c] - q[c]) / den : 0.0;
            }
        }
        // de Boor's algorithm on a copy: repeated convex combinations over the span.
        std::array<Vec4, kMaxDegree + 1> d;
        std::copy_n(pts.begin(), deg + 1, d.begin());
        for (int r = 1; r <= deg; ++r)
            for (int j = deg; j >= r; --j)
            {
                const double lo = u[s - p + j + k], hi = u[s + j + 1 - r];
                const double alpha = hi > lo ? (param - lo) / (hi - lo) : 0.0;
                d[static_cast<std::size_t>(j)] =
                    lerp(d[static_cast<std::size_t>(j - 1)], d[static_cast<std::size_t>(j)], alpha);
            }
        for (int c = 0; c < 4; ++c)
            out[k][c] = d[static_cast<std::size_t>(deg)][c];
    }
}

OdGePoint3d OdGeNurbCurve3d::evalPoint(double param) const
{
    OdGeVector3dArray unused;
    return evalPoint(param, 0, unused);
}

OdGePoint3d OdGeNurbCurve3d::evalPoint(double param, int numDeriv, OdGeVector3dArray& derivatives) const
{
    derivatives.clear();
    numDeriv = std::clamp(numDeriv, 0, kMaxDeriv);
    if (m_controlPoints.isEmpty())
    {
        for (int k = 0; k < numDeriv; ++k)
            derivatives.append(OdGeVector3d());
        return OdGePoint3d();
    }
    double h[3][4] = {};
    evalHomogeneous(param, numDeriv, h);
    // Quotient rule for C = A / w: C' = (A' - w' C) / w, C'' = (A'' - 2 w' C' - w'' C) / w.
    const double w = h[0][3];
    const OdGeVector3d c0(h[0][0] / w, h[0][1] / w, h[0][2] / w);
    if (numDeriv >= 1)
    {
        const OdGeVector3d c1 = (OdGeVector3d(h[1][0], h[1][1], h[1][2]) - c0 * h[1][3]) / w;
        derivatives.append(c1);
        if (numDeriv >= 2)
            derivatives.append(
                (OdGeVector3d(h[2][0], h[2][1], h[2][2]) - c1 * (2.0 * h[1][3]) - c0 * h[2][3]) / w);
    }
    return OdGePoint3d(c0.x, c0.y, c0.z);
}

OdGeVector3d OdGeNurbCurve3d::firstDerivative(double param) const
{
    if (m_controlPoints.isEmpty())
        return OdGeVector3d();
    double h[3][4] = {};
    evalHomogeneous(param, 1, h);
    const double w = h[0][3];
    const OdGeVector3d c0(h[0][0] / w, h[0][1] / w, h[0][2] / w);
    return (OdGeVector3d(h[1][0], h[1][1], h[1][2]) - c0 * h[1][3]) / w;
}

void OdGeNurbCurve3d::getBreakParams(OdGeDoubleArray& params) const
{
    params.clear();
    if (m_controlPoints.isEmpty())
        return;
    const int n = numControlPoints();
    for (int i = m_degree; i <= n; ++i)
        if (params.isEmpty() || m_knots[i] > params.last())
            params.append(m_knots[i]);
}
