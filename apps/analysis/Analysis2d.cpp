#include "apps/analysis/Analysis2d.h"

#include "apps/analysis/AnalysisTolerances.h"
#include "apps/analysis/DisplacementField.h"
#include "apps/analysis/Stop.h"
#include "apps/analysis/WorkProgress.h"
#include "apps/file/Format.h"
#include "apps/file/Loops.h"

#include "cae_core/core/Result.h"
#include "cae_core/core/Translation.h"
#include "cae_core/mesher2d/DelaunayMesher.h"
#include "cae_core/mesher2d/Mesher2d.h"
#include "cae_core/mesher2d/RefinementRegion.h"
#include "cae_core/mesher2d/TriangularMesh2d.h"
#include "cdt/CdtErrors.h"
#include "host/cma/ProgressMeter.h"
#include "host/ut/StopWatch.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <set>
#include <utility>

namespace cae_app
{
namespace fea2d = cae_core::fea2d;
using cae_core::EResult;

namespace
{
/// What a result code of the module means, for messages: the summary keeps the code itself.
std::string meaning(EResult rc)
{
    switch (rc)
    {
    case cae_core::eFailed:
        return "the computation produced no result";
    case cae_core::eNotPossible:
        return "it cannot be done on this input";
    case cae_core::eLimitExceeded:
        return "the mesher's triangle budget would be exceeded";
    case cae_core::eSolverFailed:
        return "the solver ran but did not complete the analysis";
    case cae_core::eSolverNotFound:
        return "no solver program was found";
    case cae_core::eInvalidArgument:
        return "an input is missing or of the wrong kind";
    case cae_core::eDatabaseError:
        return "the drawing could not hold the mesh";
    default:
        return std::string("the module's result ") + cae_core::getResultName(rc);
    }
}

std::string budgetText()
{
    return std::to_string(cae_core::DelaunayMesher::kMaxTriangles);
}

/// Boundary points a loop needs to enclose a triangle; the mesher samples loops at the mesh size.
constexpr double kPointsPerLoop = 3.0;

/// The largest scale of stiffness, load and displacement the analysis accepts (and its inverse
/// the smallest non-zero one): products of two such values stay far inside the doubles' range.
constexpr double kLargestScale = 1e150;

/// Rough in-house solve time per mesh vertex (six-node elements on this kind of machine: about one
/// second for 50,000 vertices); it only sets the pace of the progress meter, never an outcome.
constexpr double kSolveSecondsPerVertex = 2e-5;

/// The messages of a status text, each with its terminating newline as the module gives it.
std::vector<std::string> statusLines(const OdString& status)
{
    std::vector<std::string> lines;
    std::string text = utf8(status);
    std::size_t begin = 0;
    while (begin < text.size())
    {
        const std::size_t end = text.find('\n', begin);
        const std::size_t stop = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(begin, stop - begin));
        begin = stop;
    }
    return lines;
}

} // namespace

Analysis2d::Analysis2d(const AnalysisFile& file, const Drawing& drawing, std::string sourceName,
                       bool showProgress, bool consistentEdgeLoads)
    : m_file(file), m_drawing(drawing), m_source(std::move(sourceName)), m_showProgress(showProgress)
{
    fea2d::Params2d params;
    params.region = m_drawing.region;
    for (std::size_t i = 0; i < m_file.loadsAndSupports.size(); ++i)
        params.loadsAndSupports.push_back(toLoadOrSupport(
            m_file.loadsAndSupports[i], m_drawing.chainEnds[i].first, m_drawing.chainEnds[i].second));
    params.mode = m_file.mode == AnalysisMode::ePlaneStress ? fea2d::ePlanarStress : fea2d::ePlanarStrain;
    params.elementType =
        m_file.elementType == ElementKind::eTriangle6 ? fea2d::eTriangle6 : fea2d::eTriangle3;
    params.materialProperties =
        fea2d::MaterialProperties{m_file.material.thickness, m_file.material.youngsModulus,
                                  m_file.material.poissonRatio, m_file.material.yield};
    params.meshProperties.meshSize = -1.0;
    params.meshProperties.desiredMeshSize = m_file.mesh.size.value_or(0.0);
    params.meshProperties.meshRefinementRatio = 1.0;
    params.meshProperties.meshRefinementEnabled = true;
    const AdaptiveSettings& a = m_file.mesh.adaptive;
    params.adaptiveParams = fea2d::AdaptiveRefinementParameters{a.refineAutomatically, a.boundaryRefinement,
                                                                a.internalTriangleThreshold, a.maxIterations,
                                                                a.elasticityThreshold};
    params.consistentEdgeLoads = consistentEdgeLoads;
    m_handler = std::make_unique<fea2d::InputHandler>(std::move(params));
    if (!m_file.mesh.size)
        m_handler->initializeMeshSize();
    m_meshSize = m_handler->getMeshProperties().desiredMeshSize;
    if (!(m_meshSize > 0.0))
        stopInvalid(m_source +
                    ": mesh.size: the region is too small for a default mesh size (it rounds to 0); give "
                    "\"size\" in \"mesh\"");
    checkScales();
}

void Analysis2d::checkScales() const
{
    // The stiffness scales with E t, the forces with the loads, the displacements with their
    // quotient; the solver forms sums and products of these, so each must stay well inside the
    // doubles' range. Units that put a value outside [1e-150, 1e150] are surely not meant.
    const double size = regionSize(m_file.outer, m_file.holes);
    double load = 0.0;
    for (const auto& given : m_file.loadsAndSupports)
    {
        if (const auto* p = std::get_if<PointLoadEntry>(&given.value))
            load += std::abs(p->magnitude);
        else if (const auto* l = std::get_if<LinearLoadEntry>(&given.value))
            load += std::abs(l->magnitude) * size;
    }
    const double stiffness = m_file.material.youngsModulus * m_file.material.thickness;
    auto outside = [](double v)
    { return !(std::abs(v) <= kLargestScale) || (v != 0.0 && std::abs(v) < 1.0 / kLargestScale); };
    const std::string advice = "; the analysis computes with products of these values, so choose units that "
                               "keep them nearer to 1 (e.g. N, mm and MPa)";
    if (outside(stiffness))
        stopInvalid(m_source + ": material: youngsModulus times thickness is " + formatNumber(stiffness, 3) +
                    ", outside 1e-150 to 1e+150" + advice);
    if (outside(load))
        stopInvalid(m_source + ": loadsAndSupports: the loads add up to about " + formatNumber(load, 3) +
                    " (a linear load counted over the region's size), outside 1e-150 to 1e+150" + advice);
    if (outside(load / stiffness))
        stopInvalid(m_source + ": the loads (about " + formatNumber(load, 3) +
                    ") over youngsModulus times thickness (" + formatNumber(stiffness, 3) +
                    ") give displacements of about " + formatNumber(load / stiffness, 3) +
                    ", outside 1e-150 to 1e+150" + advice);
}

void Analysis2d::checkReady(bool meshMessagesToo) const
{
    const auto lines = statusLines(m_handler->getStatus().message);
    // Before meshing, the program is about to make the mesh, so only the other checks count.
    const std::string noMesh = utf8(cae_core::translate(L"No mesh is generated.\n"));
    const std::string staleMesh = utf8(cae_core::translate(L"Current mesh is not valid, update mesh.\n"));
    // The analysis names a wrong material value by its meaning; the file's key path says where it is.
    const std::pair<const wchar_t*, const char*> materialKeys[] = {
        {L"Poisson ratio needs to be greater than -1 and smaller than 0.5.\n", "material.poissonRatio"},
        {L"The thickness needs to be greater than zero.\n", "material.thickness"},
        {L"The Young's modulus needs to be greater than zero.\n", "material.youngsModulus"},
        {L"The yield needs to be greater than zero.\n", "material.yield"},
    };
    std::vector<std::string> messages;
    for (const auto& line : lines)
    {
        if (!meshMessagesToo && (line == noMesh || line == staleMesh))
            continue;
        std::string message = line;
        for (const auto& [text, key] : materialKeys)
            if (line == utf8(cae_core::translate(text)))
                message = std::string(key) + ": " + line;
        messages.push_back(message);
    }
    if (!messages.empty())
        throw Stop{Stop::EKind::eInvalid, messages, {}, true};
}

void Analysis2d::mesh()
{
    std::unique_ptr<cae_core::Mesher2d> mesher = cae_core::Mesher2d::create();
    if (!mesher)
        stopFailed("no mesher is registered: the module is not loaded", std::nullopt);
    const int smoothing = m_file.mesh.smoothing;

    std::optional<cma::ProgressMeter> meter;
    if (m_showProgress)
        meter.emplace();
    const int steps = 1 + static_cast<int>(m_file.mesh.refinementRegions.size());
    if (meter)
        meter->start(L"Meshing", steps);

    double elapsed = 0.0;
    EResult rc = cae_core::eOk;
    try
    {
        rc = mesher->createMesh(m_drawing.region, m_meshSize, &elapsed, smoothing);
    }
    catch (const CDT::IntersectingConstraintsError&)
    {
        // The mesher's errors count its own boundary points, which mean nothing in the file.
        stopFailed(m_source + ": region: the region cannot be meshed with size " + formatNumber(m_meshSize) +
                       ": the mesher's boundary edges cross each other (does a spline swing across another "
                       "curve, or do curves nearly touch?)",
                   std::nullopt);
    }
    m_meshTime += elapsed;
    if (rc != cae_core::eOk)
        meshingRefused(rc);
    if (meter)
        meter->progress(1);
    refineInRegions(*mesher, elapsed,
                    [&meter](int i)
                    {
                        if (meter)
                            meter->progress(i + 2);
                    });
    if (meter)
        meter->stop();

    if (m_file.mesh.adaptive.refineAutomatically)
        refineAdaptively(*mesher, elapsed);

    m_handler->setMesh(mesher->getMesh(), m_meshSize);
    m_handler->setValidMeshSize(true);
    checkMeshConstraints();
}

void Analysis2d::meshingRefused(EResult rc) const
{
    if (rc == cae_core::eLimitExceeded)
    {
        double area = 0.0;
        m_drawing.region->getArea(area);
        const double estimate = cae_core::DelaunayMesher::estimatedTriangleCount(area, m_meshSize);
        if (estimate > static_cast<double>(cae_core::DelaunayMesher::kMaxTriangles))
            stopFailed(m_source + ": mesh.size: a mesh of size " + formatNumber(m_meshSize) +
                           " would need about " + std::to_string(std::lround(estimate)) +
                           " triangles, more than the mesher allows (" + budgetText() +
                           "); use a size larger than " +
                           formatNumber(cae_core::DelaunayMesher::smallestSizeWithinBudget(area), 3),
                       rc);
        stopFailed(m_source + ": mesh.size: meshing with size " + formatNumber(m_meshSize) +
                       " went past the mesher's limit of " + budgetText() + " triangles; use a larger size",
                   rc);
    }
    if (rc == cae_core::eNotPossible)
    {
        // The mesher cannot place a loop of fewer than three boundary points: name the loop.
        for (std::size_t l = 0; l <= m_file.holes.size(); ++l)
        {
            const BoundaryLoop& loop = l == 0 ? m_file.outer : m_file.holes[l - 1];
            double around = 0.0;
            for (const auto& c : loop.curves)
            {
                const auto pts = polyline(c);
                for (std::size_t i = 0; i + 1 < pts.size(); ++i)
                    around += pts[i].distanceTo(pts[i + 1]);
            }
            if (around < kPointsPerLoop * m_meshSize)
                stopFailed(m_source + ": " + loop.path + ": the loop is only " + formatNumber(around, 3) +
                               " around, too short for the mesh size " + formatNumber(m_meshSize) +
                               "; use a size below " + formatNumber(around / kPointsPerLoop, 3) +
                               " or a refinement region there",
                           rc);
        }
    }
    stopFailed(m_source + ": region: the region cannot be meshed with size " + formatNumber(m_meshSize) +
                   ": " + meaning(rc) + " (do curves nearly touch each other?)",
               rc);
}

void Analysis2d::refineInRegions(cae_core::Mesher2d& mesher, double& elapsed,
                                 const std::function<void(int)>& done)
{
    for (std::size_t i = 0; i < m_file.mesh.refinementRegions.size(); ++i)
    {
        const RefinementRegionEntry& given = m_file.mesh.refinementRegions[i];
        std::unique_ptr<cae_core::RefinementRegion> region;
        if (const auto* c = std::get_if<RefinementCircleEntry>(&given.shape))
            region = std::make_unique<cae_core::RefinementCircle>(c->center, c->radius);
        else
        {
            const auto& r = std::get<RefinementRectangleEntry>(given.shape);
            region = std::make_unique<cae_core::RefinementRectangle>(r.corner1, r.corner2);
        }
        region->setRefinementRatio(given.ratio);
        const EResult rc = mesher.refineMesh(std::move(region), &elapsed, m_file.mesh.smoothing);
        m_meshTime += elapsed;
        if (rc == cae_core::eLimitExceeded)
            stopFailed(m_source + ": " + given.path +
                           ": refining here would take the mesh past the mesher's " + budgetText() +
                           " triangles; use a smaller ratio or region, or a larger "
                           "mesh size",
                       rc);
        if (rc != cae_core::eOk)
            stopFailed(m_source + ": " + given.path + ": the mesh cannot be refined here: " + meaning(rc),
                       rc);
        done(static_cast<int>(i));
    }
}

void Analysis2d::refineAdaptively(cae_core::Mesher2d& mesher, double& elapsed)
{
    if (!mesher.supportsAdaptiveRefinement())
        stopFailed(m_source + ": mesh.adaptive: this mesher cannot refine adaptively",
                   cae_core::eNotPossible);

    const auto impl = solverImpl();
    std::optional<cma::ProgressMeter> meter;
    if (m_showProgress)
    {
        meter.emplace();
        // Each iteration solves twice: on the current mesh and on the finer candidate.
        meter->start(L"Refining adaptively", 2 * std::max(1, m_file.mesh.adaptive.maxIterations));
    }
    auto scale = std::make_shared<double>(0.0);
    cae_core::Mesher2d::AdaptiveRefinementParams p;
    p.boundaryRefinement = m_file.mesh.adaptive.boundaryRefinement;
    p.internalTriangleThreshold = m_file.mesh.adaptive.internalTriangleThreshold;
    p.maxIterations = m_file.mesh.adaptive.maxIterations;
    p.computeField = [this, impl, scale, &meter](OdSmartPtr<OdDbSubDMesh> mesh)
    {
        fea2d::Params2d params = m_handler->getParams2d();
        params.mesh = std::move(mesh);
        auto field = std::make_shared<DisplacementField>(fea2d::runSimulation(params, impl));
        *scale = std::max(*scale, field->scale());
        if (meter)
            meter->meterProgress();
        return std::shared_ptr<cae_core::MeshVectorField2d>(field);
    };
    const double threshold = m_file.mesh.adaptive.elasticityThreshold;
    p.fieldConverged = [scale, threshold](OdGeVector2d oldValue, OdGeVector2d newValue)
    {
        const double reference =
            std::max({oldValue.length(), newValue.length(), kNegligibleDisplacement * *scale});
        return (newValue - oldValue).length() <= threshold * reference;
    };
    const EResult rc = mesher.adaptivelyRefineMesh(p, &elapsed);
    m_meshTime += elapsed;
    if (meter)
    {
        // Refinement stops early once nothing changes any more; the work is done then too.
        if (rc == cae_core::eOk)
            meter->progress(meter->total());
        meter->stop();
    }
    if (rc == cae_core::eLimitExceeded)
        stopFailed(m_source + ": mesh.adaptive: refining adaptively went past the mesher's limit of " +
                       budgetText() +
                       " triangles; use a larger size or elasticityThreshold, or fewer maxIterations",
                   rc);
    if (rc != cae_core::eOk)
        stopFailed(m_source + ": mesh.adaptive: adaptive refinement failed: " + meaning(rc) +
                       " (the analysis could not be solved on a refined mesh)",
                   rc);
}

void Analysis2d::checkMeshConstraints()
{
    // The linear loads and supports start and end at curve ends of the region, which the mesher
    // makes vertices; check it rather than trust it, as the host does before it sets the flag.
    const cae_core::TriangularMesh2d mesh = cae_core::getTriangularMesh2d(*m_handler->getMesh());
    for (std::size_t i = 0; i < m_file.loadsAndSupports.size(); ++i)
    {
        const auto& given = m_file.loadsAndSupports[i];
        if (!std::holds_alternative<LinearLoadEntry>(given.value) &&
            !std::holds_alternative<LinearSupportEntry>(given.value))
            continue;
        const auto chain = cae_core::getVerticesOnBoundaryBetween(mesh, m_drawing.chainEnds[i].first,
                                                                  m_drawing.chainEnds[i].second);
        if (chain.size() < 2)
            stopFailed(m_source + ": " + given.path + ": the mesh has no boundary chain from " +
                           formatPoint(m_drawing.chainEnds[i].first) + " to " +
                           formatPoint(m_drawing.chainEnds[i].second),
                       cae_core::eFailed);
    }
    m_handler->setValidMeshConstraints(true);
    m_meshVertices = mesh.vertices.size();
    m_meshTriangles = mesh.triangles.size();
    checkSupportsWhereTheyAct(mesh);
}

void Analysis2d::checkSupportsWhereTheyAct(const cae_core::TriangularMesh2d& mesh) const
{
    // The supports check judges point supports where the file places them, but the solver applies
    // each at its nearest mesh vertex: two supports a short way apart can land on one vertex and
    // leave the part free to turn about it. Judge them again where they act.
    const std::string insufficient =
        utf8(cae_core::translate(L"Specify additional supports to fully constrain translational and "
                                 L"rotational movement of the boundary.\n"));
    auto supportsMessage = [&](const fea2d::Params2d& params)
    {
        fea2d::InputHandler judge(params);
        return utf8(judge.getStatus().message).find(insufficient) != std::string::npos;
    };
    fea2d::Params2d placed = m_handler->getParams2d();
    if (supportsMessage(placed))
        return; // already reported as not ready
    std::map<std::uint64_t, std::vector<std::size_t>> byVertex;
    for (std::size_t i = 0; i < placed.loadsAndSupports.size(); ++i)
        if (auto* support = std::get_if<fea2d::PointSupport>(&placed.loadsAndSupports[i]))
        {
            const std::uint64_t v = cae_core::getClosestVertex(mesh, support->location);
            support->location = mesh.vertices[v];
            byVertex[v].push_back(i);
        }
    if (!supportsMessage(placed))
        return;
    std::vector<std::string> messages{insufficient};
    for (const auto& [vertex, entries] : byVertex)
        if (entries.size() > 1)
        {
            std::string names;
            for (std::size_t k = 0; k < entries.size(); ++k)
                names += (k == 0 ? "" : (k + 1 == entries.size() ? " and " : ", ")) +
                         m_file.loadsAndSupports[entries[k]].path;
            messages.push_back(names + " act on the same mesh vertex " + formatPoint(mesh.vertices[vertex]) +
                               "; place them further apart than the mesh size (" + formatNumber(m_meshSize) +
                               ") or refine the mesh there\n");
        }
    if (messages.size() == 1)
        messages.push_back(
            "the point supports act on the mesh vertices nearest to them, and there they do not hold "
            "the part; place them on vertices of the boundary or refine the mesh there\n");
    throw Stop{Stop::EKind::eInvalid, messages, {}, true};
}

void Analysis2d::checkResults() const
{
    if (!m_figures.finite)
        stopFailed(m_source +
                       ": the solution holds numbers that are not finite (an overflow): the material's "
                       "values or the loads are too large, or too far apart in size, to compute with",
                   cae_core::eSolverFailed);
    // Nastran's printed results carry no support forces, so there is nothing to balance.
    if (m_file.solver == SolverChoice::eNastran)
        return;
    // The reactions are the supported rows of K u, every other row equals its load up to the
    // solver's residual: a few 1e-9 of the load on slender parts. More means the solution is not
    // one of this problem.
    const double imbalance = (m_figures.appliedLoad + m_figures.reactionSum).length();
    if (imbalance > kEquilibriumTolerance * m_figures.loadScale)
        stopFailed(
            m_source + ": the solution does not balance: the reactions leave " + formatNumber(imbalance, 3) +
                " of loads adding up to " + formatNumber(m_figures.loadScale, 3) +
                " unbalanced; the supports probably leave the part free to move or turn (a mechanism), "
                "or the stiffness matrix is nearly singular",
            cae_core::eSolverFailed);
}

void Analysis2d::solve()
{
    const auto impl = solverImpl();
    // The Nastran solver shows its own progress while its program runs.
    std::optional<cma::ProgressMeter> meter;
    if (m_showProgress && impl == cae_core::Solver2d::eInHouse)
        meter.emplace();
    ut::StopWatch watch;
    const fea2d::Params2d& params = m_handler->getParams2d();
    m_output.emplace(runShowingProgress(meter ? &*meter : nullptr, L"Solving",
                                        kSolveSecondsPerVertex * static_cast<double>(m_meshVertices),
                                        [&params, impl] { return fea2d::runSimulation(params, impl); }));
    m_solveTime = watch.time();

    const EResult rc = m_output->result;
    if (rc != cae_core::eOk)
    {
        if (m_file.solver == SolverChoice::eNastran &&
            !cae_core::Solver2d::create(cae_core::Solver2d::eNastran))
            stopFailed(m_source + ": solver: there is no Nastran 2D solver in this build; use \"inHouse\"",
                       rc);
        if (m_file.solver == SolverChoice::eNastran)
            stopFailed(m_source + ": solver: the Nastran solver failed: " + meaning(rc), rc);
        stopFailed(m_source + ": the solver failed: " + meaning(rc) +
                       "; the stiffness matrix could not be factorised",
                   rc);
    }
    m_figures = resultFigures(m_output->solverInput, m_output->solverOutput);
    checkResults();
    m_nodalField = cae_app::nodalField(m_output->solverInput, m_output->solverOutput);
    zeroNegligibleReactions(m_output->reactionForces, m_figures.loadScale);
}

Analysis2d::~Analysis2d() = default;

cae_core::Solver2d::EImpl Analysis2d::solverImpl() const
{
    return m_file.solver == SolverChoice::eInHouse ? cae_core::Solver2d::eInHouse
                                                   : cae_core::Solver2d::eNastran;
}

fea2d::LoadOrSupport toLoadOrSupport(const LoadOrSupportEntry& given, const OdGePoint2d& start,
                                     const OdGePoint2d& end)
{
    return std::visit(
        [&](const auto& s) -> fea2d::LoadOrSupport
        {
            using T = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<T, PointLoadEntry>)
            {
                fea2d::PointLoad r;
                r.direction = s.direction;
                r.magnitude = s.magnitude;
                r.location = s.location;
                return r;
            }
            else if constexpr (std::is_same_v<T, LinearLoadEntry>)
            {
                fea2d::LinearLoad r;
                r.magnitude = s.magnitude;
                r.angleRelativeToBoundary = s.angleRelativeToBoundary;
                r.angle = s.angle;
                r.startLocation = start;
                r.endLocation = end;
                r.flipped = s.flipped;
                return r;
            }
            else if constexpr (std::is_same_v<T, PointSupportEntry>)
            {
                fea2d::PointSupport r;
                r.direction = s.direction;
                r.location = s.location;
                r.rolling = s.rolling;
                return r;
            }
            else
            {
                fea2d::LinearSupport r;
                r.startLocation = start;
                r.endLocation = end;
                r.rolling = s.rolling;
                r.flipped = s.flipped;
                return r;
            }
        },
        given.value);
}

} // namespace cae_app
