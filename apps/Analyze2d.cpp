#include "apps/Analyze2d.h"

#include "apps/AtomicFile.h"
#include "apps/DrawingContext.h"
#include "apps/Format.h"
#include "apps/Loops.h"
#include "apps/RegionBuilder.h"
#include "apps/Results.h"
#include "apps/Summary.h"

#include "cae_core/core/Result.h"
#include "cae_core/core/Translation.h"
#include "cae_core/fea2d/InputHandler.h"
#include "cae_core/fea2d/Simulation.h"
#include "cae_core/mesher2d/DelaunayMesher.h"
#include "cae_core/mesher2d/MeshVectorField2d.h"
#include "cae_core/mesher2d/Mesher2d.h"
#include "cae_core/mesher2d/RefinementRegion.h"
#include "cae_core/mesher2d/TriangularMesh2d.h"
#include "cae_core/solver2d/Solver2dPointEvaluator.h"
#include "host/ca/CommandLine.h"
#include "host/cma/ProgressMeter.h"
#include "host/ut/StopWatch.h"
#include "platform/ge/GeUtils.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <optional>
#include <ostream>
#include <sstream>
#include <vector>

namespace cae_app
{
namespace fea2d = cae_core::fea2d;
namespace fs = std::filesystem;
using cae_core::EResult;

namespace
{
/// The mesher's triangle budget: it refuses a size whose estimated triangle count (the region's
/// area over half the squared size) exceeds this, and stops refining beyond it.
constexpr double kMesherTriangleBudget = 25000.0;

/// Displacements smaller than this fraction of the largest one are compared against that
/// fraction rather than against themselves when adaptive refinement judges a change: near
/// supports the displacement tends to zero and its relative change would be pure noise.
constexpr double kNegligibleDisplacement = 1e-3;

/// Forces below this fraction of the largest force of the run are shown as 0 in the report
/// (summary.json keeps every digit). Reactions in directions nothing loads come out as the
/// solver's residual, which reaches a few 1e-9 of the load on slender parts.
constexpr double kDisplayedForceFloor = 1e-7;

/// A problem that ends the run: what to tell the user and how the run ended.
struct Stop
{
    int exitStatus;
    std::string status; // "invalid" or "failed"
    std::vector<std::string> messages;
    std::optional<std::uint32_t> result;
    /// The messages are the input handler's status texts rather than the program's own errors.
    bool statusMessages = false;
};

std::string utf8(const OdString& s)
{
    return OdAnsiString(s).str();
}

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

std::string withoutNewline(std::string s)
{
    while (!s.empty() && s.back() == '\n')
        s.pop_back();
    return s;
}

const char* kindName(const LoadOrSupportSpec& given)
{
    static constexpr const char* names[] = {"pointLoad", "linearLoad", "pointSupport", "linearSupport"};
    return names[given.value.index()];
}

/// The module's provider of meshers, as the module's start-up registers it.
void registerMesherProvider()
{
    static std::once_flag once;
    std::call_once(once,
                   []
                   {
                       cae_core::Mesher2d::initProvider(
                           []
                           { return std::unique_ptr<cae_core::Mesher2d>(new cae_core::DelaunayMesher()); });
                   });
}

/// The field adaptive refinement follows: the displacement of the analysis solved on a mesh,
/// interpolated linearly between the corners of the element that holds the point.
///
/// Refinement asks for the field at every candidate point of every iteration, so a point is
/// located through a uniform grid of element boxes instead of the evaluator's scan over all
/// elements, which would make each iteration quadratic in the mesh size. Candidates in a cell
/// are kept in element order and tested with the evaluator's parameter rule, so the element
/// found is the first one in element order that holds the point, as the evaluator's would be.
class DisplacementField : public cae_core::MeshVectorField2d
{
public:
    explicit DisplacementField(fea2d::SimulationOutput output) : m_output(std::move(output)) { buildGrid(); }

    OdGeVector2d getValue(const OdGePoint2d& p) const override
    {
        // A point outside the previous mesh (which cuts across curved boundaries) has no value;
        // zero makes it count as changed, so it is kept.
        const auto cell = cellOf(p);
        if (!cell)
            return OdGeVector2d();
        const auto& elements = m_output.solverOutput.elementData;
        for (std::uint32_t k = m_cellStart[*cell]; k < m_cellStart[*cell + 1]; ++k)
        {
            const auto& c = elements[m_cellElements[k]].corners;
            double r = 0.0, s = 0.0;
            if (locate(c[0].position, c[1].position, c[2].position, p, r, s))
                return c[0].displacement * (1.0 - r - s) + c[1].displacement * r + c[2].displacement * s;
        }
        return OdGeVector2d();
    }
    bool isValid() const override
    {
        return m_output.result == cae_core::eOk && m_output.solverOutput.pointEvaluator;
    }

    double scale() const
    {
        double m = 0.0;
        for (const auto& v : m_output.solverOutput.vertexData)
            m = std::max(m, v.displacement.length());
        return m;
    }

private:
    /// How far a point's triangle parameters may leave [0, 1], as in the solver's evaluator.
    static constexpr double kParameterTolerance = 1e-12;

    static bool locate(const OdGePoint2d& q0, const OdGePoint2d& q1, const OdGePoint2d& q2,
                       const OdGePoint2d& p, double& r, double& s)
    {
        const double a = 0.5 * ((q1.y - q2.y) * q0.x + (q2.y - q0.y) * q1.x + (q0.y - q1.y) * q2.x);
        r = 0.5 * ((p.y - q2.y) * q0.x + (q2.y - q0.y) * p.x + (q0.y - p.y) * q2.x) / a;
        s = 0.5 * ((p.y - q0.y) * q1.x + (q1.y - p.y) * q0.x + (q0.y - q1.y) * p.x) / a;
        const auto within = [](double v)
        { return v >= -kParameterTolerance && v - 1.0 <= kParameterTolerance; };
        return within(r) && within(s) && within(1.0 - r - s);
    }

    std::optional<std::size_t> cellOf(const OdGePoint2d& p) const
    {
        if (m_columns == 0)
            return std::nullopt;
        const double fx = std::floor((p.x - m_origin.x) / m_cellSize);
        const double fy = std::floor((p.y - m_origin.y) / m_cellSize);
        if (!(fx >= 0.0 && fy >= 0.0 && fx < double(m_columns) && fy < double(m_rows)))
            return std::nullopt;
        return std::size_t(fy) * m_columns + std::size_t(fx);
    }

    /// Bins every element into the cells its (slightly widened) box overlaps: about one element
    /// per cell on average, in two counting passes (compressed rows, no per-cell vectors).
    void buildGrid()
    {
        const auto& elements = m_output.solverOutput.elementData;
        if (elements.empty())
            return;
        OdGePoint2d lo = elements.front().corners[0].position, hi = lo;
        for (const auto& e : elements)
            for (const auto& c : e.corners)
            {
                lo.set(std::min(lo.x, c.position.x), std::min(lo.y, c.position.y));
                hi.set(std::max(hi.x, c.position.x), std::max(hi.y, c.position.y));
            }
        const double width = hi.x - lo.x, height = hi.y - lo.y;
        if (!(width > 0.0 && height > 0.0) || !std::isfinite(width * height))
            return;
        m_cellSize = std::sqrt(width * height / double(elements.size()));
        // Widening the boxes by a sliver of a cell keeps points on an element's edge, which pass the
        // parameter test within its tolerance, in a cell that lists the element.
        const double pad = kCellPadding * m_cellSize;
        m_origin.set(lo.x - 2.0 * pad, lo.y - 2.0 * pad);
        m_columns = std::size_t((width + 4.0 * pad) / m_cellSize) + 1;
        m_rows = std::size_t((height + 4.0 * pad) / m_cellSize) + 1;

        auto forEachCell = [&](const Solver2dOutputElement& e, auto&& visit)
        {
            double x0 = e.corners[0].position.x, x1 = x0, y0 = e.corners[0].position.y, y1 = y0;
            for (const auto& c : e.corners)
            {
                x0 = std::min(x0, c.position.x), x1 = std::max(x1, c.position.x);
                y0 = std::min(y0, c.position.y), y1 = std::max(y1, c.position.y);
            }
            const auto column = [&](double x) {
                return std::min(m_columns - 1,
                                std::size_t(std::max(0.0, std::floor((x - m_origin.x) / m_cellSize))));
            };
            const auto row = [&](double y) {
                return std::min(m_rows - 1,
                                std::size_t(std::max(0.0, std::floor((y - m_origin.y) / m_cellSize))));
            };
            for (std::size_t j = row(y0 - pad); j <= row(y1 + pad); ++j)
                for (std::size_t i = column(x0 - pad); i <= column(x1 + pad); ++i)
                    visit(j * m_columns + i);
        };
        m_cellStart.assign(m_columns * m_rows + 1, 0);
        for (const auto& e : elements)
            forEachCell(e, [&](std::size_t cell) { ++m_cellStart[cell + 1]; });
        for (std::size_t c = 0; c + 1 < m_cellStart.size(); ++c)
            m_cellStart[c + 1] += m_cellStart[c];
        m_cellElements.resize(m_cellStart.back());
        std::vector<std::uint32_t> fill(m_cellStart.begin(), m_cellStart.end() - 1);
        for (std::uint32_t k = 0; k < elements.size(); ++k)
            forEachCell(elements[k], [&](std::size_t cell) { m_cellElements[fill[cell]++] = k; });
    }

    using Solver2dOutputElement = cae_core::Solver2dOutput::ElementData;
    /// Box widening, as a fraction of the cell size: far above round-off, far below an element.
    static constexpr double kCellPadding = 1e-6;

    fea2d::SimulationOutput m_output;
    OdGePoint2d m_origin;
    double m_cellSize = 0.0;
    std::size_t m_columns = 0, m_rows = 0;
    std::vector<std::uint32_t> m_cellStart; ///< elements of cell c: m_cellElements[m_cellStart[c] .. c + 1)
    std::vector<std::uint32_t> m_cellElements; ///< element indices, ascending within each cell
};

/// Everything one run builds, in the order the host builds it.
class Run
{
public:
    Run(const CommandLine& cl, std::ostream& err) : m_cl(cl), m_err(err) {}

    int execute();

private:
    void readFile();
    void buildDrawing();
    void buildRegion();
    void createHandler();
    bool insideOrOnRegion(const OdGePoint2d& p, double tolerance) const;
    void checkStatus(bool meshMessagesToo);
    void mesh();
    void adaptivelyRefine(cae_core::Mesher2d& mesher, double& elapsed);
    void checkMeshConstraints();
    void solve();
    void report();
    void writeFiles();
    void writeSummary();

    [[noreturn]] void invalid(std::string message)
    {
        throw Stop{eExitInvalid, "invalid", {std::move(message)}, {}};
    }
    [[noreturn]] void notReady(std::vector<std::string> statusTexts)
    {
        throw Stop{eExitInvalid, "invalid", std::move(statusTexts), {}, true};
    }
    [[noreturn]] void failed(std::string message, std::optional<std::uint32_t> result)
    {
        throw Stop{eExitFailed, "failed", {std::move(message)}, result};
    }
    void print(const std::string& text)
    {
        if (!m_cl.quiet)
            ca::print(OdString(text.c_str()));
    }
    std::string forceText(const OdGeVector2d& v) const;

    const CommandLine& m_cl;
    std::ostream& m_err;
    ut::StopWatch m_total;
    Summary m_summary;

    AnalysisFile m_file;
    OdDbDatabasePtr m_database;
    std::unique_ptr<DrawingContext> m_context;
    std::string m_lengthUnit, m_forceUnit, m_stressUnit;
    OdDbRegionPtr m_region;
    double m_regionSize = 0.0;
    /// Per entry of loadsAndSupports: the boundary points its chain runs between (linear ones only).
    std::vector<std::pair<OdGePoint2d, OdGePoint2d>> m_chainEnds;
    std::unique_ptr<fea2d::InputHandler> m_handler;
    double m_meshSize = 0.0;
    double m_meshTime = 0.0;
    double m_solveTime = 0.0;
    std::optional<fea2d::SimulationOutput> m_output;
    ResultFigures m_figures;
};

int Run::execute()
{
    m_summary.status = "invalid";
    try
    {
        try
        {
            readFile();
            buildDrawing();
            buildRegion();
            createHandler();
            checkStatus(false);
            mesh();
            checkMeshConstraints();
            checkStatus(true);
            solve();
            m_summary.status = "solved";
            m_summary.result = cae_core::eOk;
            report();
            writeFiles();
            return eExitSolved;
        }
        catch (const Stop&)
        {
            throw;
        }
        catch (const OutputError&)
        {
            throw;
        }
        catch (const std::exception& e)
        {
            // Whatever the module throws (a mesh it cannot read, an allocation failure) ends the
            // run like any other failure, with a summary that says so.
            failed(m_cl.file + ": the analysis stopped: " + e.what(), std::nullopt);
        }
    }
    catch (const Stop& stop)
    {
        m_summary.status = stop.status;
        m_summary.result = stop.result;
        m_summary.messages = stop.messages;
        if (stop.statusMessages)
            m_err << m_cl.file << ": the analysis is not ready:\n";
        for (const auto& m : stop.messages)
            m_err << (stop.statusMessages ? "  " : "") << withoutNewline(m) << "\n";
        try
        {
            writeSummary();
        }
        catch (const OutputError& e)
        {
            m_err << e.what() << "\n";
        }
        return stop.exitStatus;
    }
    catch (const OutputError& e)
    {
        m_err << e.what() << "\n";
    }
    return eExitFailed;
}

void Run::readFile()
{
    try
    {
        m_file = readAnalysisFile(m_cl.file);
        prepareLoops(m_file.outer, m_file.holes, m_cl.file);
        m_regionSize = regionSize(m_file.outer, m_file.holes);
    }
    catch (const InputError& e)
    {
        invalid(e.what());
    }
    if (!m_file.description.empty())
        print(m_file.description + "\n");
}

void Run::buildDrawing()
{
    m_database = OdDbDatabase::createObject();
    m_database->setMEASUREMENT(m_file.drawing.measurement);
    m_database->setINSUNITS(m_file.drawing.insunits);
    OdDbAnnotationScalePtr scale = odrxCreateObject<OdDbAnnotationScale>();
    scale->setPaperUnits(1.0);
    scale->setDrawingUnits(m_file.drawing.annoScale);
    m_database->setCANNOSCALE(scale);
    m_context = std::make_unique<DrawingContext>(m_database);

    OdString message;
    if (!m_context->isValid(message))
        invalid(m_cl.file + ": drawing: " + utf8(message));
    m_lengthUnit = utf8(m_context->lengthUnit());
    m_forceUnit = utf8(m_context->forceUnit());
    m_stressUnit = utf8(m_context->pressureUnit());
    m_summary.units = Summary::Units{m_lengthUnit, m_forceUnit, m_stressUnit};
}

void Run::buildRegion()
{
    const double tolerance = kJoinPrecision * m_regionSize;
    std::vector<BoundaryPoint> points;
    for (const auto& given : m_file.loadsAndSupports)
    {
        if (const auto* l = std::get_if<LinearLoadSpec>(&given.value))
        {
            points.push_back({l->start, given.path + ".start"});
            points.push_back({l->end, given.path + ".end"});
        }
        else if (const auto* s = std::get_if<LinearSupportSpec>(&given.value))
        {
            points.push_back({s->start, given.path + ".start"});
            points.push_back({s->end, given.path + ".end"});
        }
    }
    try
    {
        m_region = cae_app::buildRegion(m_file.outer, m_file.holes, points, tolerance, m_cl.file);
    }
    catch (const InputError& e)
    {
        invalid(e.what());
    }
    m_database->addOdDbObject(m_region.get());

    // Pair the snapped points up again with their entries; both ends must share a loop.
    std::size_t next = 0;
    auto loopName = [this](int loop)
    { return loop == 0 ? m_file.outer.path : m_file.holes[static_cast<std::size_t>(loop - 1)].path; };
    for (const auto& given : m_file.loadsAndSupports)
    {
        if (std::holds_alternative<LinearLoadSpec>(given.value) ||
            std::holds_alternative<LinearSupportSpec>(given.value))
        {
            const BoundaryPoint& a = points[next++];
            const BoundaryPoint& b = points[next++];
            if (a.loop != b.loop)
                invalid(m_cl.file + ": " + given.path + ": start lies on " + loopName(a.loop) +
                        " but end on " + loopName(b.loop) + "; both must lie on the same boundary loop");
            if (a.snapped.isEqualTo(b.snapped) && !m_cl.quiet)
                // The mesh gives a closed loop as an open chain from its first vertex round to its
                // last, so the edge from the last back to the first carries nothing.
                m_err << m_cl.file << ": warning: " << given.path
                      << ": start and end are the same point, so it covers the whole loop "
                      << loopName(a.loop) << " except the one mesh edge that closes it\n";
            m_chainEnds.emplace_back(a.snapped, b.snapped);
        }
        else
        {
            // A point load or support acts at the nearest vertex; far outside the region that is
            // surely a typing error.
            const OdGePoint2d at = std::holds_alternative<PointLoadSpec>(given.value)
                                       ? std::get<PointLoadSpec>(given.value).location
                                       : std::get<PointSupportSpec>(given.value).location;
            if (!insideOrOnRegion(at, tolerance))
                invalid(m_cl.file + ": " + given.path + ": " + formatPoint(at, 9) +
                        " lies outside the region");
            m_chainEnds.emplace_back(at, at);
        }
    }
}

bool Run::insideOrOnRegion(const OdGePoint2d& p, double tolerance) const
{
    const OdGePoint3d p3(p.x, p.y, 0.0);
    for (int l = 0; l < m_region->numLoops(); ++l)
        for (const auto& curve : m_region->loopAt(l))
            if (curve->closestPointTo(p3).distanceTo(p3) <= tolerance)
                return true;
    // Off the boundary: inside the outer loop and outside every hole. The polygons follow arcs to
    // within a few thousandths of their radius, far less than any distance that would matter here.
    auto inside = [&p](const BoundaryLoop& loop)
    {
        OdGePoint2dArray polygon;
        for (const auto& c : loop.curves)
        {
            const auto pts = polyline(c);
            for (std::size_t i = 0; i + 1 < pts.size(); ++i)
                polygon.append(pts[i]);
        }
        return OdGeUtils::classifyPointPolygonRayTest(p, polygon) != 0;
    };
    if (!inside(m_file.outer))
        return false;
    for (const auto& h : m_file.holes)
        if (inside(h))
            return false;
    return true;
}

void Run::createHandler()
{
    fea2d::Params2d params;
    params.region = m_region;
    for (std::size_t i = 0; i < m_file.loadsAndSupports.size(); ++i)
        params.loadsAndSupports.push_back(
            toLoadOrSupport(m_file.loadsAndSupports[i], m_chainEnds[i].first, m_chainEnds[i].second));
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
    m_handler = std::make_unique<fea2d::InputHandler>(std::move(params));
    if (!m_file.mesh.size)
        m_handler->initializeMeshSize();
    m_meshSize = m_handler->getMeshProperties().desiredMeshSize;
    if (!(m_meshSize > 0.0))
        invalid(m_cl.file +
                ": mesh.size: the region is too small for a default mesh size (it rounds to 0); give "
                "\"size\" in \"mesh\"");
}

void Run::checkStatus(bool meshMessagesToo)
{
    const auto lines = statusLines(m_handler->getStatus().message);
    // Before meshing, the program is about to make the mesh, so only the other checks count.
    const std::string noMesh = utf8(cae_core::translate(L"No mesh is generated.\n"));
    const std::string staleMesh = utf8(cae_core::translate(L"Current mesh is not valid, update mesh.\n"));
    std::vector<std::string> messages;
    for (const auto& line : lines)
        if (meshMessagesToo || (line != noMesh && line != staleMesh))
            messages.push_back(line);
    if (!messages.empty())
        notReady(messages);
}

void Run::mesh()
{
    registerMesherProvider();
    std::unique_ptr<cae_core::Mesher2d> mesher = cae_core::Mesher2d::create();
    if (!mesher)
        failed("no mesher is registered", std::nullopt);
    const int smoothing = m_file.mesh.smoothing;

    std::optional<cma::ProgressMeter> meter;
    if (!m_cl.quiet)
        meter.emplace();
    const int steps = 1 + static_cast<int>(m_file.mesh.refinementRegions.size());
    if (meter)
        meter->start(L"Meshing", steps);

    double elapsed = 0.0;
    EResult rc = cae_core::eOk;
    try
    {
        rc = mesher->createMesh(m_region, m_meshSize, &elapsed, smoothing);
    }
    catch (const std::exception& e)
    {
        failed(m_cl.file + ": region: the region cannot be meshed: " + e.what() +
                   " (do boundary curves cross each other?)",
               std::nullopt);
    }
    m_meshTime += elapsed;
    if (rc == cae_core::eLimitExceeded)
    {
        double area = 0.0;
        m_region->getArea(area);
        const double estimate = area / (0.5 * m_meshSize * m_meshSize);
        const std::string budget = std::to_string(static_cast<long>(kMesherTriangleBudget));
        if (estimate > kMesherTriangleBudget)
            failed(m_cl.file + ": mesh.size: a mesh of size " + formatNumber(m_meshSize) +
                       " would need about " + std::to_string(std::lround(estimate)) +
                       " triangles, more than the mesher allows (" + budget + "); use a size larger than " +
                       formatNumber(std::sqrt(2.0 * area / kMesherTriangleBudget), 3),
                   rc);
        failed(m_cl.file + ": mesh.size: meshing with size " + formatNumber(m_meshSize) +
                   " went past the mesher's limit of " + budget + " triangles; use a larger size",
               rc);
    }
    if (rc != cae_core::eOk)
        failed(m_cl.file + ": region: the region cannot be meshed with size " + formatNumber(m_meshSize) +
                   " (result " + std::to_string(rc) + ")",
               rc);
    if (meter)
        meter->progress(1);

    for (std::size_t i = 0; i < m_file.mesh.refinementRegions.size(); ++i)
    {
        const RefinementRegionSpec& given = m_file.mesh.refinementRegions[i];
        std::unique_ptr<cae_core::RefinementRegion> region;
        if (const auto* c = std::get_if<RefinementCircleSpec>(&given.shape))
            region = std::make_unique<cae_core::RefinementCircle>(c->center, c->radius);
        else
        {
            const auto& r = std::get<RefinementRectangleSpec>(given.shape);
            region = std::make_unique<cae_core::RefinementRectangle>(r.corner1, r.corner2);
        }
        region->setRefinementRatio(given.ratio);
        rc = mesher->refineMesh(std::move(region), &elapsed, smoothing);
        m_meshTime += elapsed;
        if (rc == cae_core::eLimitExceeded)
            failed(m_cl.file + ": " + given.path + ": refining here would take the mesh past the mesher's " +
                       formatNumber(kMesherTriangleBudget) +
                       " triangles; use a smaller ratio or region, or a larger "
                       "mesh size",
                   rc);
        if (rc != cae_core::eOk)
            failed(m_cl.file + ": " + given.path + ": the mesh cannot be refined here (result " +
                       std::to_string(rc) + ")",
                   rc);
        if (meter)
            meter->progress(static_cast<int>(i) + 2);
    }
    if (meter)
        meter->stop();

    if (m_file.mesh.adaptive.refineAutomatically)
        adaptivelyRefine(*mesher, elapsed);

    m_handler->setMesh(mesher->getMesh(), m_meshSize);
    m_handler->setValidMeshSize(true);
}

void Run::adaptivelyRefine(cae_core::Mesher2d& mesher, double& elapsed)
{
    if (!mesher.supportsAdaptiveRefinement())
        failed(m_cl.file + ": mesh.adaptive: this mesher cannot refine adaptively", cae_core::eNotPossible);

    const auto impl =
        m_file.solver == SolverChoice::eInHouse ? cae_core::Solver2d::eInHouse : cae_core::Solver2d::eNastran;
    std::optional<cma::ProgressMeter> meter;
    if (!m_cl.quiet)
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
    if (rc != cae_core::eOk)
        failed(m_cl.file +
                   ": mesh.adaptive: adaptive refinement failed: the analysis could not be solved on a "
                   "refined mesh (result " +
                   std::to_string(rc) + ")",
               rc);
}

void Run::checkMeshConstraints()
{
    // The linear loads and supports start and end at curve ends of the region, which the mesher
    // makes vertices; check it rather than trust it, as the host does before it sets the flag.
    const cae_core::TriangularMesh2d mesh = cae_core::getTriangularMesh2d(*m_handler->getMesh());
    for (std::size_t i = 0; i < m_file.loadsAndSupports.size(); ++i)
    {
        const auto& given = m_file.loadsAndSupports[i];
        if (!std::holds_alternative<LinearLoadSpec>(given.value) &&
            !std::holds_alternative<LinearSupportSpec>(given.value))
            continue;
        const auto chain =
            cae_core::getVerticesOnBoundaryBetween(mesh, m_chainEnds[i].first, m_chainEnds[i].second);
        if (chain.size() < 2)
            failed(m_cl.file + ": " + given.path + ": the mesh has no boundary chain from " +
                       formatPoint(m_chainEnds[i].first) + " to " + formatPoint(m_chainEnds[i].second),
                   cae_core::eFailed);
    }
    m_handler->setValidMeshConstraints(true);
    const auto& props = m_handler->getMeshProperties();
    m_summary.mesh = Summary::Mesh{props.meshSize, mesh.vertices.size(), mesh.triangles.size(),
                                   m_file.elementType == ElementKind::eTriangle6 ? "triangle6" : "triangle3"};
    m_summary.timeMs.mesh = m_meshTime;
}

void Run::solve()
{
    const auto impl =
        m_file.solver == SolverChoice::eInHouse ? cae_core::Solver2d::eInHouse : cae_core::Solver2d::eNastran;
    std::optional<cma::ProgressMeter> meter;
    if (!m_cl.quiet)
    {
        meter.emplace();
        meter->start(L"Solving", 1);
    }
    ut::StopWatch watch;
    m_output.emplace(fea2d::runSimulation(m_handler->getParams2d(), impl));
    m_solveTime = watch.time();
    if (meter)
    {
        meter->progress(1);
        meter->stop();
    }
    m_summary.timeMs.solve = m_solveTime;

    const EResult rc = m_output->result;
    if (rc != cae_core::eOk)
    {
        if (m_file.solver == SolverChoice::eNastran &&
            !cae_core::Solver2d::create(cae_core::Solver2d::eNastran))
            failed(m_cl.file + ": solver: there is no Nastran 2D solver in this build (result " +
                       std::to_string(rc) + "); use \"inHouse\"",
                   rc);
        if (m_file.solver == SolverChoice::eNastran)
            failed(m_cl.file + ": solver: the Nastran solver failed (result " + std::to_string(rc) + ")", rc);
        failed(m_cl.file + ": the solver failed (result " + std::to_string(rc) +
                   "): the stiffness matrix could not be factorised",
               rc);
    }

    m_figures = resultFigures(m_output->solverInput, m_output->solverOutput);
    m_summary.maxVonMises = m_figures.maxVonMises;
    m_summary.maxDisplacement = m_figures.maxDisplacement;
    m_summary.appliedLoad = std::array<double, 2>{m_figures.appliedLoad.x, m_figures.appliedLoad.y};
    for (const auto& [index, force] : m_output->reactionForces)
        m_summary.reactions.push_back({index, {force.x, force.y}});
}

std::string Run::forceText(const OdGeVector2d& v) const
{
    double largest = m_figures.appliedLoad.length();
    for (const auto& r : m_summary.reactions)
        largest = std::max(largest, std::hypot(r.force[0], r.force[1]));
    const double floor = kDisplayedForceFloor * largest;
    auto clean = [floor](double x) { return std::abs(x) < floor ? 0.0 : x; };
    return formatVector(OdGeVector2d(clean(v.x), clean(v.y))) + " " + m_forceUnit;
}

void Run::report()
{
    const auto& mesh = *m_summary.mesh;
    std::ostringstream out;
    out << "Units        " << m_lengthUnit << ", " << m_forceUnit << ", " << m_stressUnit << "\n";
    out << "Mesh         size " << formatNumber(mesh.size);
    if (!m_file.mesh.refinementRegions.empty())
        out << ", " << m_file.mesh.refinementRegions.size() << " refinement region"
            << (m_file.mesh.refinementRegions.size() == 1 ? "" : "s");
    if (m_file.mesh.adaptive.refineAutomatically)
        out << ", refined adaptively";
    out << ": " << mesh.vertices << " vertices, " << mesh.triangles << " triangles ("
        << (m_file.elementType == ElementKind::eTriangle6 ? "six-node" : "three-node") << " elements)\n";
    out << "Analysis     " << (m_file.mode == AnalysisMode::ePlaneStress ? "plane stress" : "plane strain")
        << ", " << (m_file.solver == SolverChoice::eInHouse ? "in-house" : "Nastran") << " solver\n";
    out << "Max von Mises     " << formatNumber(m_figures.maxVonMises) << " " << m_stressUnit << " at "
        << formatPoint(m_figures.maxVonMisesAt) << "\n";
    out << "Max displacement  " << formatNumber(m_figures.maxDisplacement) << " " << m_lengthUnit << " at "
        << formatPoint(m_figures.maxDisplacementAt) << "\n";
    if (!m_summary.reactions.empty())
    {
        out << "Reactions\n";
        for (const auto& r : m_summary.reactions)
        {
            const auto& given = m_file.loadsAndSupports[r.index];
            std::string label = "  [" + std::to_string(r.index) + "] " + kindName(given);
            label.resize(std::max<std::size_t>(label.size() + 1, 22), ' ');
            out << label << forceText(OdGeVector2d(r.force[0], r.force[1])) << "\n";
        }
    }
    const OdGeVector2d imbalance = m_figures.appliedLoad + m_figures.reactionSum;
    out << "Equilibrium  applied loads " << forceText(m_figures.appliedLoad) << ", reactions "
        << forceText(m_figures.reactionSum) << ", imbalance " << formatNumber(imbalance.length(), 2) << " "
        << m_forceUnit << "\n";
    print(out.str());
}

void Run::writeFiles()
{
    if (m_cl.outDir)
    {
        std::optional<cma::ProgressMeter> meter;
        if (!m_cl.quiet)
        {
            meter.emplace();
            meter->start(L"Writing", 1);
        }
        const fs::path dir(*m_cl.outDir);
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec)
            throw OutputError(dir.string() + ": cannot create the folder: " + ec.message());
        writeFileAtomically(dir / "result.vtu",
                            formatVtu(resultGrid(m_output->solverInput, m_output->solverOutput)));
        if (meter)
        {
            meter->progress(1);
            meter->stop();
        }
    }
    writeSummary();
    std::ostringstream out;
    out << "Time         mesh " << formatMilliseconds(m_meshTime) << " ms, solve "
        << formatMilliseconds(m_solveTime) << " ms, total " << formatMilliseconds(m_summary.timeMs.total)
        << " ms\n";
    if (m_cl.outDir)
        out << "Wrote        " << (fs::path(*m_cl.outDir) / "summary.json").string() << ", "
            << (fs::path(*m_cl.outDir) / "result.vtu").string() << "\n";
    else
        out << "(no files written: add --out DIR for summary.json and result.vtu)\n";
    print(out.str());
}

void Run::writeSummary()
{
    m_summary.timeMs.total = m_total.time();
    if (!m_cl.outDir)
        return;
    const fs::path dir(*m_cl.outDir);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec)
        throw OutputError(dir.string() + ": cannot create the folder: " + ec.message());
    writeFileAtomically(dir / "summary.json", formatSummary(m_summary));
}
} // namespace

fea2d::LoadOrSupport toLoadOrSupport(const LoadOrSupportSpec& given, const OdGePoint2d& start,
                                     const OdGePoint2d& end)
{
    return std::visit(
        [&](const auto& s) -> fea2d::LoadOrSupport
        {
            using T = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<T, PointLoadSpec>)
            {
                fea2d::PointLoad r;
                r.direction = s.direction;
                r.magnitude = s.magnitude;
                r.location = s.location;
                return r;
            }
            else if constexpr (std::is_same_v<T, LinearLoadSpec>)
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
            else if constexpr (std::is_same_v<T, PointSupportSpec>)
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

int runAnalyze2d(const CommandLine& commandLine, std::ostream& err)
{
    Run run(commandLine, err);
    return run.execute();
}
} // namespace cae_app
