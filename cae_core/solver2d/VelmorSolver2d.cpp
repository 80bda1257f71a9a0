#include "cae_core/solver2d/VelmorSolver2d.h"

#include "cae_core/solver2d/detail/Element2d.h"
#include "cae_core/solver2d/detail/Solver2dPointEvaluatorImpl.h"
#include "cae_core/solver2d/detail/VelmorModel.h"
#include "cae_core/solver2d/detail/VelmorProfile.h"

#include <Eigen/OrderingMethods>
#include <Eigen/SparseCholesky>

#include <chrono>
#include <memory>
#include <optional>

namespace cae_core
{

namespace solver2d::detail
{

namespace
{

/// LDL^T of the lower triangle with AMD ordering, shift 0 and scale 1. It fails exactly when a pivot of D is
/// 0.0; a system singular only within round-off factorises and gives huge displacements.
using Factorisation = Eigen::SimplicialLDLT<SparseMatrix, Eigen::Lower, Eigen::AMDOrdering<int>>;

/// Milliseconds between construction and each lap(), on the profile's clock or else the steady clock.
class PhaseClock
{
public:
    explicit PhaseClock(double (*clock)()) : m_clock(clock), m_last(now()) {}

    double lap()
    {
        const double t = now();
        const double ms = t - m_last;
        m_last = t;
        return ms;
    }

private:
    double now() const
    {
        if (m_clock)
            return m_clock();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    double (*m_clock)();
    double m_last;
};

std::uint64_t factorNonZeros(const Factorisation& ldlt)
{
    return std::uint64_t(ldlt.matrixL().nestedExpression().nonZeros());
}

OdGeVector2d nodeVector(const Eigen::VectorXd& v, std::uint64_t node)
{
    return OdGeVector2d(v(Eigen::Index(2 * node)), v(Eigen::Index(2 * node + 1)));
}

/// The displacements of every node, in the node order of the model, from K and F: supports rotate the
/// degrees of freedom and constrain the blocked ones, LDL^T solves the rest. Empty when the system cannot
/// be factorised or its solution is not finite (a load or a modulus so large that the numbers overflow).
std::optional<Eigen::VectorXd> solveDisplacements(const std::vector<Node>& nodes, const SparseMatrix& k,
                                                  const Eigen::VectorXd& f, VelmorProfile& prof,
                                                  PhaseClock& clock)
{
    const SupportTransform t = supportTransform(nodes);
    Eigen::VectorXd fr = rotate(t, f);
    for (Eigen::Index i = 0; i < fr.size(); ++i)
        if (t.constrained[std::size_t(i)])
            fr(i) = 0.0;
    // A copy: K itself is kept for the internal forces.
    SparseMatrix kr = constrainedSystem(k, t);
    prof.supportsMs = clock.lap();

    Eigen::VectorXd ur;
    if (kr.rows() > 0)
    {
        // Scoped so that the factor is released before the results are built.
        Factorisation ldlt;
        ldlt.compute(kr);
        prof.factorNonZeros = factorNonZeros(ldlt);
        prof.factoriseMs = clock.lap();
        if (ldlt.info() != Eigen::Success)
            return std::nullopt;
        ur = ldlt.solve(fr);
    }
    Eigen::VectorXd u = rotateBack(t, ur);
    prof.solveMs = clock.lap();
    if (!u.allFinite())
        return std::nullopt;
    return u;
}

/// One record per corner node, with the loads and internal forces of the mid-side nodes shared half and
/// half by the corners of their edge (the vertex list has no mid-side nodes).
template <std::size_t N>
std::vector<Solver2dOutput::VertexData> vertexResults(const Model<N>& model, const Eigen::VectorXd& u,
                                                      const Eigen::VectorXd& f, const Eigen::VectorXd& r)
{
    std::vector<Solver2dOutput::VertexData> vertexData(model.cornerCount);
    for (std::uint64_t n = 0; n < model.cornerCount; ++n)
        vertexData[n] = {n, model.nodes[n].position, nodeVector(u, n), nodeVector(f, n), nodeVector(r, n)};
    for (std::size_t i = 0; i < model.midNodeEdges.size(); ++i)
    {
        const std::uint64_t m = model.cornerCount + i;
        const OdGeVector2d halfF = 0.5 * nodeVector(f, m);
        const OdGeVector2d halfR = 0.5 * nodeVector(r, m);
        for (const std::uint64_t corner : {model.midNodeEdges[i].first, model.midNodeEdges[i].second})
        {
            vertexData[corner].externalForce += halfF;
            vertexData[corner].internalForce += halfR;
        }
    }
    return vertexData;
}

template <std::size_t N>
std::unique_ptr<Solver2dPointEvaluator> pointEvaluator(const Model<N>& model, const Eigen::VectorXd& u)
{
    using Evaluator = Solver2dPointEvaluatorImpl<std::array<OdGePoint2d, N>>;
    std::vector<typename Evaluator::Element> elements(model.elements.size());
    for (std::size_t e = 0; e < model.elements.size(); ++e)
        for (std::size_t kk = 0; kk < N; ++kk)
        {
            const std::uint64_t node = model.elements[e][kk];
            elements[e].positions[kk] = model.nodes[node].position;
            elements[e].displacements[kk] = nodeVector(u, node);
        }
    return std::make_unique<Evaluator>(model.youngsModulus, model.poissonRatio, model.mode,
                                       std::move(elements));
}

template <std::size_t N>
EResult solve(Model<N> model, Solver2dOutput& output, VelmorProfile* profile, PhaseClock& clock)
{
    VelmorProfile local;
    VelmorProfile& prof = profile ? *profile : local;
    prof.modelMs = clock.lap();

    const SparseMatrix k = assembleStiffness<N>(model);
    const Eigen::VectorXd f = assembleForces(model.nodes);
    prof.unknowns = std::uint64_t(k.rows());
    prof.matrixNonZeros = std::uint64_t(k.nonZeros());
    prof.assemblyMs = clock.lap();

    const std::optional<Eigen::VectorXd> u = solveDisplacements(model.nodes, k, f, prof, clock);
    if (!u)
        return eFailed;

    // With the unconstrained K: the reactions are the supported vertices' share of K u - F.
    const Eigen::VectorXd r = k * *u;
    prof.internalForcesMs = clock.lap();
    std::vector<Solver2dOutput::VertexData> vertexData = vertexResults(model, *u, f, r);
    std::vector<Solver2dOutput::ElementData> elementData = elementResults(model, *u);
    prof.resultsMs = clock.lap();
    std::unique_ptr<Solver2dPointEvaluator> evaluator = pointEvaluator(model, *u);

    output.vertexData = std::move(vertexData);
    output.elementData = std::move(elementData);
    output.pointEvaluator = std::move(evaluator);
    prof.evaluatorMs = clock.lap();
    return eOk;
}

} // namespace

template <std::size_t N>
std::vector<Solver2dOutput::ElementData> elementResults(const Model<N>& model, const Eigen::VectorXd& u)
{
    const MaterialMatrix d = materialMatrix(model.youngsModulus, model.poissonRatio, model.mode);
    constexpr double kThird = 1.0 / 3.0;
    constexpr double kCornerParameters[3][2] = {{0.0, 0.0}, {1.0, 0.0}, {0.0, 1.0}};
    std::vector<Solver2dOutput::ElementData> elementData(model.elements.size());
    for (std::size_t e = 0; e < model.elements.size(); ++e)
    {
        const std::array<std::uint64_t, N>& element = model.elements[e];
        NodePositions<N> p;
        NodeDisplacements<N> ue;
        for (std::size_t kk = 0; kk < N; ++kk)
        {
            p[kk] = model.nodes[element[kk]].position;
            ue[kk] = nodeVector(u, element[kk]);
        }
        Solver2dOutput::ElementData& out = elementData[e];
        out.index = e;
        out.vertices = {element[0], element[1], element[2]};
        out.center.position = OdGePoint2d((p[0].x + p[1].x + p[2].x) / 3.0, (p[0].y + p[1].y + p[2].y) / 3.0);
        out.center.displacement = interpolate<N>(ue, kThird, kThird);
        for (std::size_t c = 0; c < 3; ++c)
        {
            out.corners[c].position = p[c];
            out.corners[c].displacement = ue[c];
        }
        if constexpr (N == 3)
        {
            // B is constant: one stress serves the centre and the corners.
            const Solver2dOutput::Stress stress =
                stressFrom<3>(shapeDerivatives3(p), ue, d, model.poissonRatio, model.mode);
            out.center.stress = stress;
            for (std::size_t c = 0; c < 3; ++c)
                out.corners[c].stress = stress;
        }
        else
        {
            out.center.stress = stressAt<N>(p, ue, d, model.poissonRatio, model.mode, kThird, kThird);
            for (std::size_t c = 0; c < 3; ++c)
                out.corners[c].stress = stressAt<N>(p, ue, d, model.poissonRatio, model.mode,
                                                    kCornerParameters[c][0], kCornerParameters[c][1]);
        }
    }
    return elementData;
}

template std::vector<Solver2dOutput::ElementData> elementResults<3>(const Model<3>&, const Eigen::VectorXd&);
template std::vector<Solver2dOutput::ElementData> elementResults<6>(const Model<6>&, const Eigen::VectorXd&);

EResult executeVelmor(const Solver2dInput& input, Solver2dOutput& output, VelmorProfile* profile)
{
    PhaseClock clock(profile ? profile->clock : nullptr);
    if (input.elementType == fea2d::EElementType::eTriangle3)
        return solve<3>(buildModel3(input), output, profile, clock);
    if (input.elementType == fea2d::EElementType::eTriangle6)
        return solve<6>(buildModel6(input), output, profile, clock);
    return eFailed;
}

struct ConstrainedSystem::Impl
{
    SparseMatrix kr;
    std::uint64_t factorNonZeros = 0;
};

ConstrainedSystem::ConstrainedSystem(const Solver2dInput& input) : m_impl(std::make_unique<Impl>())
{
    const auto build = [&](const auto& model)
    {
        m_impl->kr = assembleStiffness(model);
        constrainInPlace(m_impl->kr, supportTransform(model.nodes));
    };
    if (input.elementType == fea2d::EElementType::eTriangle3)
        build(buildModel3(input));
    else
        build(buildModel6(input));
}

ConstrainedSystem::~ConstrainedSystem() = default;

bool ConstrainedSystem::factorise()
{
    Factorisation ldlt;
    ldlt.compute(m_impl->kr);
    m_impl->factorNonZeros = solver2d::detail::factorNonZeros(ldlt);
    return ldlt.info() == Eigen::Success;
}

std::uint64_t ConstrainedSystem::unknowns() const
{
    return std::uint64_t(m_impl->kr.rows());
}

std::uint64_t ConstrainedSystem::factorNonZeros() const
{
    return m_impl->factorNonZeros;
}

} // namespace solver2d::detail

EResult VelmorSolver2d::executeImpl(const Solver2dInput& input, Solver2dOutput& output)
{
    return solver2d::detail::executeVelmor(input, output, nullptr);
}

} // namespace cae_core
