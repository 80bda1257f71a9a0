#include "apps/analysis/NodalField.h"

#include "apps/analysis/AnalysisTolerances.h"

#include <Eigen/Dense>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <stdexcept>
#include <string>
#include <utility>

namespace cae_app
{
namespace fea2d = cae_core::fea2d;

namespace
{
/// The sampling points of a six-node element's stresses: the three-point rule's, where the
/// element's stresses are nearly as accurate as the solution allows.
constexpr double kSamples6[3][2] = {{1.0 / 6.0, 1.0 / 6.0}, {2.0 / 3.0, 1.0 / 6.0}, {1.0 / 6.0, 2.0 / 3.0}};

/// A node's accumulated values from the patches that reach it.
struct Sum
{
    StressState stress;
    int count = 0;

    void add(const StressState& s)
    {
        stress.sxx += s.sxx;
        stress.syy += s.syy;
        stress.sxy += s.sxy;
        ++count;
    }
    StressState mean() const { return {stress.sxx / count, stress.syy / count, stress.sxy / count}; }
};

/// The element's own stress at barycentric weights l of its corners: a six-node element's
/// stress is linear over the element, a three-node element's constant (all corners equal).
StressState elementStress(const cae_core::Solver2dOutput::ElementData& e, const std::array<double, 3>& l)
{
    StressState s;
    for (int k = 0; k < 3; ++k)
    {
        s.sxx += l[k] * e.corners[k].stress.sxx;
        s.syy += l[k] * e.corners[k].stress.syy;
        s.sxy += l[k] * e.corners[k].stress.sxy;
    }
    return s;
}

/// The monomials of degree `degree` (1 or 2) at local coordinates (x, y).
Eigen::RowVectorXd monomials(int degree, double x, double y)
{
    Eigen::RowVectorXd m(degree == 2 ? 6 : 3);
    m(0) = 1.0;
    m(1) = x;
    m(2) = y;
    if (degree == 2)
    {
        m(3) = x * x;
        m(4) = x * y;
        m(5) = y * y;
    }
    return m;
}

/// Strain (exx, eyy and the tensor shear exy) from the in-plane stress of the mode.
std::array<double, 3> strainOf(const StressState& s, const cae_core::Solver2dInput& input)
{
    const double e = input.youngsModulus, nu = input.poissonRatio;
    if (input.mode == fea2d::EMode::ePlanarStrain)
        return {(1.0 + nu) / e * ((1.0 - nu) * s.sxx - nu * s.syy),
                (1.0 + nu) / e * ((1.0 - nu) * s.syy - nu * s.sxx), (1.0 + nu) / e * s.sxy};
    return {(s.sxx - nu * s.syy) / e, (s.syy - nu * s.sxx) / e, (1.0 + nu) / e * s.sxy};
}

/// The second derivatives (xx, xy, yy) of ux and uy in one six-node element. Its strain is linear,
/// and compatibility gives every second derivative of the displacement from the strain's gradient.
/// Empty for a degenerate element.
std::optional<std::array<std::array<double, 3>, 2>>
displacementCurvature(const cae_core::Solver2dInput& input, const std::array<OdGePoint2d, 3>& p,
                      const cae_core::Solver2dOutput::ElementData& e)
{
    const double b[3] = {p[1].y - p[2].y, p[2].y - p[0].y, p[0].y - p[1].y};
    const double c[3] = {p[2].x - p[1].x, p[0].x - p[2].x, p[1].x - p[0].x};
    const double det = b[0] * c[1] - b[1] * c[0];
    if (!(std::abs(det) > 0.0))
        return std::nullopt;
    double dx[3] = {}, dy[3] = {}; // gradients of exx, eyy, exy
    for (int k = 0; k < 3; ++k)
    {
        const auto strain =
            strainOf({e.corners[k].stress.sxx, e.corners[k].stress.syy, e.corners[k].stress.sxy}, input);
        for (int i = 0; i < 3; ++i)
        {
            dx[i] += strain[i] * b[k] / det;
            dy[i] += strain[i] * c[k] / det;
        }
    }
    const std::array<double, 3> ux{dx[0], dy[0], 2.0 * dy[2] - dx[1]};
    const std::array<double, 3> uy{2.0 * dx[2] - dy[0], dx[1], dy[1]};
    std::array<std::array<double, 3>, 2> h{ux, uy};
    for (const auto& row : h)
        for (const double v : row)
            if (!std::isfinite(v))
                return std::nullopt;
    return h;
}

std::array<double, 3> barycentric(double r, double s)
{
    return {1.0 - r - s, r, s};
}

/// Shape functions of the element's nodes at (r, s).
std::array<double, 6> shapeFunctions(int nodes, double r, double s)
{
    const double l = 1.0 - r - s;
    if (nodes == 3)
        return {l, r, s, 0.0, 0.0, 0.0};
    return {(2.0 * l - 1.0) * l, (2.0 * r - 1.0) * r, (2.0 * s - 1.0) * s,
            4.0 * r * l,         4.0 * r * s,         4.0 * s * l};
}

/// Superconvergent patch recovery of the stresses at the field's nodes (see nodalField).
class Recovery
{
public:
    Recovery(const cae_core::Solver2dInput& input, const cae_core::Solver2dOutput& output, NodalField& field)
        : m_input(input), m_output(output), m_field(field),
          m_nodes(static_cast<std::size_t>(field.nodesPerElement))
    {
    }

    void run()
    {
        const std::size_t corners = m_input.mesh.vertices.size();
        const std::size_t count = m_field.points.size();
        std::vector<std::vector<std::size_t>> around(corners);
        for (std::size_t e = 0; e < m_output.elementData.size(); ++e)
            for (const auto v : m_output.elementData[e].vertices)
                around[v].push_back(e);
        const std::vector<bool> onBoundary = boundaryNodes();

        std::vector<Sum> sums(count);
        for (std::size_t v = 0; v < corners; ++v)
            if (!onBoundary[v] && !around[v].empty())
                fitPatch(v, around[v], onBoundary, sums);

        // Where no patch reached, the elements' own values at the node, averaged.
        std::vector<Sum> own(count);
        for (std::size_t e = 0; e < m_output.elementData.size(); ++e)
            for (std::size_t k = 0; k < m_nodes; ++k)
                own[node(e, k)].add(elementStress(m_output.elementData[e], nodeWeights(k)));
        m_field.stress.assign(count, {});
        for (std::size_t i = 0; i < count; ++i)
            if (sums[i].count > 0)
                m_field.stress[i] = sums[i].mean();
            else if (own[i].count > 0)
                m_field.stress[i] = own[i].mean();
    }

private:
    std::uint64_t node(std::size_t element, std::size_t k) const
    {
        return m_field.connectivity[element * m_nodes + k];
    }

    /// Barycentric weights of the element's node k.
    static std::array<double, 3> nodeWeights(std::size_t k)
    {
        constexpr double kWeights[6][3] = {{1, 0, 0},     {0, 1, 0},     {0, 0, 1},
                                           {0.5, 0.5, 0}, {0, 0.5, 0.5}, {0.5, 0, 0.5}};
        return {kWeights[k][0], kWeights[k][1], kWeights[k][2]};
    }

    /// Nodes on edges that only one element uses.
    std::vector<bool> boundaryNodes() const
    {
        std::map<std::pair<std::uint64_t, std::uint64_t>, int> uses;
        for (const auto& e : m_output.elementData)
            for (int k = 0; k < 3; ++k)
            {
                const auto a = e.vertices[k], b = e.vertices[(k + 1) % 3];
                ++uses[{std::min(a, b), std::max(a, b)}];
            }
        std::vector<bool> on(m_field.points.size(), false);
        for (std::size_t e = 0; e < m_output.elementData.size(); ++e)
            for (std::size_t k = 0; k < 3; ++k)
            {
                const auto a = node(e, k), b = node(e, (k + 1) % 3);
                if (uses[{std::min(a, b), std::max(a, b)}] != 1)
                    continue;
                on[a] = on[b] = true;
                if (m_nodes == 6)
                    on[node(e, 3 + k)] = true;
            }
        return on;
    }

    void fitPatch(std::size_t v, const std::vector<std::size_t>& patch, const std::vector<bool>& onBoundary,
                  std::vector<Sum>& sums) const
    {
        const int degree = m_nodes == 6 ? 2 : 1;
        const std::size_t perElement = m_nodes == 6 ? 3 : 1;
        const OdGePoint2d centre = m_field.points[v];
        // Local coordinates of the patch's own size keep the fit's columns of like size whatever the units.
        double size = 0.0;
        for (const auto e : patch)
            for (std::size_t k = 0; k < 3; ++k)
                size = std::max(size, centre.distanceTo(m_field.points[node(e, k)]));
        if (!(size > 0.0))
            return;
        const auto rows = static_cast<Eigen::Index>(patch.size() * perElement);
        const Eigen::Index terms = degree == 2 ? 6 : 3;
        if (rows < terms)
            return;
        Eigen::MatrixXd a(rows, terms);
        Eigen::MatrixXd values(rows, 3);
        Eigen::Index row = 0;
        for (const auto e : patch)
        {
            const auto& data = m_output.elementData[e];
            for (std::size_t q = 0; q < perElement; ++q)
            {
                const std::array<double, 3> l = m_nodes == 6
                                                    ? barycentric(kSamples6[q][0], kSamples6[q][1])
                                                    : std::array<double, 3>{1.0 / 3, 1.0 / 3, 1.0 / 3};
                OdGePoint2d at(0.0, 0.0);
                for (int k = 0; k < 3; ++k)
                    at += l[k] * data.corners[k].position.asVector();
                a.row(row) = monomials(degree, (at.x - centre.x) / size, (at.y - centre.y) / size);
                const StressState s = elementStress(data, l);
                values.row(row) << s.sxx, s.syy, s.sxy;
                ++row;
            }
        }
        Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(a);
        qr.setThreshold(kRankThreshold);
        if (qr.rank() < terms)
            return;
        const Eigen::MatrixXd coefficients = qr.solve(values);
        if (!coefficients.allFinite())
            return;
        std::vector<std::uint64_t> reached;
        for (const auto e : patch)
            for (std::size_t k = 0; k < m_nodes; ++k)
            {
                const auto n = node(e, k);
                // An interior vertex takes its own patch's value only.
                if (n < m_input.mesh.vertices.size() && n != v && !onBoundary[n])
                    continue;
                if (std::find(reached.begin(), reached.end(), n) != reached.end())
                    continue;
                reached.push_back(n);
                const OdGePoint2d& p = m_field.points[n];
                const Eigen::RowVector3d s =
                    monomials(degree, (p.x - centre.x) / size, (p.y - centre.y) / size) * coefficients;
                sums[n].add({s(0), s(1), s(2)});
            }
    }

    const cae_core::Solver2dInput& m_input;
    const cae_core::Solver2dOutput& m_output;
    NodalField& m_field;
    std::size_t m_nodes;
};

/// Numbers the mid-side nodes, places them at their edges' midpoints and gives each the
/// displacement of the quadratic its element's strain gradient fixes along the edge (averaged over
/// the elements on the edge, which agree up to the solver's round-off).
void addMidsideNodes(const cae_core::Solver2dInput& input, const cae_core::Solver2dOutput& output,
                     NodalField& field)
{
    const std::size_t corners = input.mesh.vertices.size();
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::uint64_t> midOf;
    std::vector<OdGeVector2d> curvatureSum;
    std::vector<int> curvatureCount;
    field.connectivity.resize(output.elementData.size() * 6);
    for (std::size_t e = 0; e < output.elementData.size(); ++e)
    {
        const auto& data = output.elementData[e];
        const std::array<OdGePoint2d, 3> p{input.mesh.vertices[data.vertices[0]],
                                           input.mesh.vertices[data.vertices[1]],
                                           input.mesh.vertices[data.vertices[2]]};
        const auto h = displacementCurvature(input, p, data);
        for (std::size_t k = 0; k < 3; ++k)
        {
            const auto a = data.vertices[k], b = data.vertices[(k + 1) % 3];
            field.connectivity[e * 6 + k] = a;
            const auto [it, added] = midOf.try_emplace({std::min(a, b), std::max(a, b)}, field.points.size());
            if (added)
            {
                field.points.push_back(OdGePoint2d(0.5 * (field.points[a].x + field.points[b].x),
                                                   0.5 * (field.points[a].y + field.points[b].y)));
                curvatureSum.emplace_back();
                curvatureCount.push_back(0);
            }
            const std::uint64_t m = it->second;
            field.connectivity[e * 6 + 3 + k] = m;
            if (h)
            {
                // The second derivative along the edge a -> b of each component.
                const OdGeVector2d d = field.points[b] - field.points[a];
                auto along = [&d](const std::array<double, 3>& c)
                { return c[0] * d.x * d.x + 2.0 * c[1] * d.x * d.y + c[2] * d.y * d.y; };
                curvatureSum[m - corners] += OdGeVector2d(along((*h)[0]), along((*h)[1]));
                ++curvatureCount[m - corners];
            }
        }
    }
    field.displacement.resize(field.points.size());
    for (const auto& [edge, m] : midOf)
    {
        // A quadratic's midpoint value is the mean of its ends less an eighth of its second derivative.
        OdGeVector2d u = 0.5 * (field.displacement[edge.first] + field.displacement[edge.second]);
        if (curvatureCount[m - corners] > 0)
            u -= curvatureSum[m - corners] / (8.0 * curvatureCount[m - corners]);
        field.displacement[m] = u;
    }
}
} // namespace

PrincipalStresses principalStresses(const StressState& s, fea2d::EMode mode, double poissonRatio)
{
    const double mean = 0.5 * (s.sxx + s.syy);
    const double radius = std::hypot(0.5 * (s.sxx - s.syy), s.sxy);
    PrincipalStresses p;
    p.s1 = mean + radius;
    p.s2 = mean - radius;
    p.angle = radius > 0.0 ? 0.5 * std::atan2(2.0 * s.sxy, s.sxx - s.syy) * 180.0 / std::numbers::pi : 0.0;
    const double szz = mode == fea2d::EMode::ePlanarStrain ? poissonRatio * (s.sxx + s.syy) : 0.0;
    p.vonMises = std::sqrt(0.5 * ((s.sxx - s.syy) * (s.sxx - s.syy) + (s.syy - szz) * (s.syy - szz) +
                                  (szz - s.sxx) * (szz - s.sxx)) +
                           3.0 * s.sxy * s.sxy);
    return p;
}

NodalField nodalField(const cae_core::Solver2dInput& input, const cae_core::Solver2dOutput& output)
{
    NodalField field;
    field.mode = input.mode;
    field.poissonRatio = input.poissonRatio;
    field.points = input.mesh.vertices;
    const std::size_t corners = field.points.size();
    for (const auto& e : output.elementData)
        for (const auto v : e.vertices)
            if (v >= corners)
                throw std::invalid_argument("element " + std::to_string(e.index) + " refers to vertex " +
                                            std::to_string(v) + " of a mesh of " + std::to_string(corners));
    field.displacement.assign(corners, OdGeVector2d());
    for (const auto& v : output.vertexData)
        if (v.index < corners)
            field.displacement[v.index] = v.displacement;
    if (input.elementType == fea2d::EElementType::eTriangle6)
    {
        field.nodesPerElement = 6;
        addMidsideNodes(input, output, field);
    }
    else
    {
        field.nodesPerElement = 3;
        for (const auto& e : output.elementData)
            field.connectivity.insert(field.connectivity.end(), e.vertices.begin(), e.vertices.end());
    }
    Recovery(input, output, field).run();
    return field;
}

namespace
{
std::vector<std::array<OdGePoint2d, 3>> elementCorners(const NodalField& field)
{
    const auto nodes = static_cast<std::size_t>(field.nodesPerElement);
    std::vector<std::array<OdGePoint2d, 3>> corners(field.connectivity.size() / nodes);
    for (std::size_t e = 0; e < corners.size(); ++e)
        for (std::size_t k = 0; k < 3; ++k)
            corners[e][k] = field.points[field.connectivity[e * nodes + k]];
    return corners;
}
} // namespace

FieldProbe::FieldProbe(const NodalField& field) : m_field(field), m_locator(elementCorners(field)) {}

std::optional<FieldValues> FieldProbe::at(const OdGePoint2d& point) const
{
    const auto hit = m_locator.locate(point);
    if (!hit)
        return std::nullopt;
    const auto nodes = static_cast<std::size_t>(m_field.nodesPerElement);
    const auto n = shapeFunctions(m_field.nodesPerElement, hit->r, hit->s);
    FieldValues values;
    for (std::size_t k = 0; k < nodes; ++k)
    {
        const auto i = m_field.connectivity[hit->element * nodes + k];
        values.displacement += n[k] * m_field.displacement[i];
        values.stress.sxx += n[k] * m_field.stress[i].sxx;
        values.stress.syy += n[k] * m_field.stress[i].syy;
        values.stress.sxy += n[k] * m_field.stress[i].sxy;
    }
    values.principal = principalStresses(values.stress, m_field.mode, m_field.poissonRatio);
    return values;
}

std::optional<PrincipalExtremes> principalExtremes(const NodalField& field)
{
    if (field.points.empty() || field.stress.size() != field.points.size())
        return std::nullopt;
    PrincipalExtremes x;
    for (std::size_t i = 0; i < field.points.size(); ++i)
    {
        const PrincipalStresses p = principalStresses(field.stress[i], field.mode, field.poissonRatio);
        const NodalExtreme s1{p.s1, field.points[i]}, s2{p.s2, field.points[i]};
        if (i == 0)
        {
            x = {s1, s1, s2, s2};
            continue;
        }
        if (p.s1 > x.s1Max.value)
            x.s1Max = s1;
        if (p.s1 < x.s1Min.value)
            x.s1Min = s1;
        if (p.s2 > x.s2Max.value)
            x.s2Max = s2;
        if (p.s2 < x.s2Min.value)
            x.s2Min = s2;
    }
    return x;
}
} // namespace cae_app
