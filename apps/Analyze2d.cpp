#include "apps/Analyze2d.h"

#include "apps/DrawingOutput.h"
#include "apps/analysis/Convergence.h"
#include "apps/analysis/NodalField.h"
#include "apps/analysis/ResultFigures.h"
#include "apps/analysis/Stop.h"
#include "apps/drawing/GlyphDrawing.h"
#include "apps/file/Format.h"
#include "apps/file/Loops.h"
#include "apps/output/AtomicFile.h"
#include "apps/output/Report.h"
#include "apps/output/ResultGrid.h"
#include "apps/output/Summary.h"
#include "apps/view/ConvergencePlot.h"
#include "apps/view/HostView.h"

#include "cae_core/core/Result.h"
#include "cae_core/mesher2d/DelaunayMesher.h"
#include "host/ca/CommandLine.h"
#include "host/cma/ProgressMeter.h"
#include "host/ut/StopWatch.h"

#include <memory>
#include <optional>
#include <ostream>

namespace cae_app
{
namespace
{
/// A table of the module's interactive result as the report prints it.
ReportTable reportTable(const std::string& title, const std::vector<cae_core::fea2d::TableEntry>& entries)
{
    ReportTable table{title, {}};
    for (const auto& e : entries)
        table.rows.push_back(
            {OdAnsiString(e.name).str(), OdAnsiString(e.value).str(), OdAnsiString(e.unit).str()});
    return table;
}

std::string withoutNewline(std::string s)
{
    while (!s.empty() && s.back() == '\n')
        s.pop_back();
    return s;
}

constexpr const char* kSummaryName = "summary.json";
constexpr const char* kDrawingName = "drawing.dxf";
constexpr const char* kConvergenceNames[] = {"convergence.svg", "convergence.png"};

/// Meshes a convergence study may try: with the mesher's budget and size halving, fewer always
/// stop it first, but a budget raised some day must not make a run endless.
constexpr int kMaxConvergenceSteps = 8;

/// The longest description printed; a description is a title, not a document.
constexpr std::size_t kShownDescription = 500;

/// One file a solved run writes into the output folder, and how its content is made.
struct ResultWriter
{
    const char* fileName;
    std::string (*content)(const StageContext& stage);
};

/// The result files beside summary.json, one per output kind.
constexpr ResultWriter kResultWriters[] = {
    {"result.vtu",
     [](const StageContext& stage)
     {
         const auto& output = stage.analysis.output();
         return formatVtu(
             resultGrid(output.solverInput, output.solverOutput, stage.analysis.nodalField(),
                        {stage.drawing.lengthUnit, stage.drawing.forceUnit, stage.drawing.stressUnit}));
     }},
};

/// One run of the command: its stages in the order the host goes through them.
class Run
{
public:
    Run(const CommandLine& cl, std::ostream& err, StageListener* listener)
        : m_cl(cl), m_err(err), m_listener(listener)
    {
        // Without a listener of the caller's the program itself listens, as the host with its view.
        if (!m_listener)
        {
            m_view = std::make_unique<HostView>(cl);
            m_listener = m_view.get();
        }
        if (m_cl.outDir)
        {
            std::vector<std::string> names{kSummaryName, kDrawingName};
            for (const auto& writer : kResultWriters)
                names.push_back(writer.fileName);
            if (m_cl.converge)
                names.insert(names.end(), std::begin(kConvergenceNames), std::end(kConvergenceNames));
            if (m_listener)
                for (auto& name : m_listener->outputNames())
                    names.push_back(std::move(name));
            m_out.emplace(*m_cl.outDir, std::move(names));
        }
    }

    int execute();

private:
    void stages();
    void prepare();
    void analyse();
    void writeResults();
    void writeDrawing(bool withResult);
    void writeSummary();
    void reportProbes();
    void converge();
    int stopped(const Stop& stop);

    void print(const std::string& text)
    {
        if (!m_cl.quiet)
            ca::print(OdString(text.c_str()));
    }
    StageContext stage() { return {m_file, m_drawing, *m_analysis, m_out ? &*m_out : nullptr}; }

    const CommandLine& m_cl;
    std::ostream& m_err;
    StageListener* m_listener;
    std::unique_ptr<HostView> m_view;
    ut::StopWatch m_total;
    Summary m_summary;
    std::optional<OutputFolder> m_out;

    AnalysisFile m_file;
    double m_regionSize = 0.0;
    Drawing m_drawing;
    std::unique_ptr<Analysis2d> m_analysis;
};

int Run::execute()
{
    m_summary.status = ERunStatus::eInvalid;
    try
    {
        try
        {
            stages();
            return eExitSolved;
        }
        catch (const InputError& e)
        {
            stopInvalid(e.what());
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
            stopFailed(m_cl.file + ": the analysis stopped: " + e.what(), std::nullopt);
        }
    }
    catch (const Stop& stop)
    {
        return stopped(stop);
    }
    catch (const OutputError& e)
    {
        m_err << e.what() << "\n";
    }
    return eExitFailed;
}

void Run::stages()
{
    prepare();
    analyse();
    m_summary.status = ERunStatus::eSolved;
    m_summary.result = cae_core::eOk;
    std::vector<ReportTable> tables;
    if (m_view && m_view->result())
    {
        tables = {reportTable("Input", m_view->result()->inputTable()),
                  reportTable("Output", m_view->result()->outputTable())};
        // The module's largest stress is its elements' corners'; the picture colours their centres,
        // which peak lower: the report says which is which.
        for (auto& row : tables[1].rows)
            if (row[0] == "Max Von Mises stress")
                row[2] += " (at element corners)";
        tables.push_back({"Picture", m_view->pictureRows()});
    }
    print(formatReport(m_file, m_summary, m_analysis->figures(), tables));
    reportProbes();
    converge();
    writeResults();
}

void Run::prepare()
{
    // Reading and checking a file of many holes or long splines takes a while too.
    std::optional<cma::ProgressMeter> meter;
    if (!m_cl.quiet)
    {
        meter.emplace();
        meter->start(L"Reading", 3);
    }
    std::vector<std::string> warnings;
    m_file = readAnalysisFile(m_cl.file);
    if (m_cl.loadsFrom)
        m_file.loadsAndSupports = loadsFromDrawing(*m_cl.loadsFrom);
    if (meter)
        meter->progress(1);
    prepareLoops(m_file.outer, m_file.holes, m_cl.file);
    m_regionSize = regionSize(m_file.outer, m_file.holes);
    if (meter)
        meter->progress(2);
    m_drawing = setUpDrawing(m_file, m_cl.file);
    // The command line's glyph size holds for the drawing's glyph blocks as for the pictures.
    if (m_cl.glyphSize)
        m_drawing.context = std::make_unique<DrawingContext>(m_drawing.database, m_cl.glyphSize);
    m_summary.units = Summary::Units{m_drawing.lengthUnit, m_drawing.forceUnit, m_drawing.stressUnit};
    drawRegion(m_drawing, m_file, m_regionSize, m_cl.file,
               [&warnings](const std::string& message) { warnings.push_back(message); });
    if (meter)
        meter->stop();
    if (!m_file.description.empty())
        print(printable(m_file.description, kShownDescription) + "\n");
    if (!m_cl.quiet)
        for (const auto& w : warnings)
            m_err << w << "\n";
}

void Run::analyse()
{
    m_analysis =
        std::make_unique<Analysis2d>(m_file, m_drawing, m_cl.file, !m_cl.quiet, m_cl.consistentLoads);
    try
    {
        m_analysis->checkReady(false);
        m_analysis->mesh();
        m_summary.mesh =
            Summary::Mesh{m_analysis->handler().getMeshProperties().meshSize, m_analysis->meshVertices(),
                          m_analysis->meshTriangles(),
                          m_file.elementType == ElementKind::eTriangle6 ? "triangle6" : "triangle3"};
        m_summary.timeMs.mesh = m_analysis->meshTime();
        m_analysis->checkReady(true);
    }
    catch (const Stop& stop)
    {
        // The host shows the set-up also while the analysis is not ready: it is where the user
        // sees what to change.
        if (stop.statusMessages && m_listener)
            m_listener->enterSetupStage(stage());
        throw;
    }
    if (m_listener)
        m_listener->enterSetupStage(stage());

    m_analysis->solve();
    m_summary.timeMs.solve = m_analysis->solveTime();
    const auto& output = m_analysis->output();
    const ResultFigures& figures = m_analysis->figures();
    m_summary.maxVonMises = figures.maxVonMises;
    m_summary.maxDisplacement = figures.maxDisplacement;
    if (const auto x = principalExtremes(m_analysis->nodalField()))
    {
        auto extreme = [](const NodalExtreme& e) {
            return Summary::Extreme{e.value, {e.point.x, e.point.y}};
        };
        m_summary.principalStresses = Summary::PrincipalExtremes{extreme(x->s1Max), extreme(x->s1Min),
                                                                 extreme(x->s2Max), extreme(x->s2Min)};
    }
    m_summary.appliedLoad = std::array<double, 2>{figures.appliedLoad.x, figures.appliedLoad.y};
    if (m_file.solver == SolverChoice::eInHouse)
        for (const auto& [index, force] : output.reactionForces)
            m_summary.reactions.push_back({index, {force.x, force.y}});
    if (m_listener)
        m_listener->enterResultsStage(stage());
}

void Run::writeResults()
{
    if (m_out)
    {
        std::optional<cma::ProgressMeter> meter;
        if (!m_cl.quiet)
        {
            meter.emplace();
            meter->start(L"Writing", static_cast<int>(std::size(kResultWriters)));
        }
        int done = 0;
        for (const auto& writer : kResultWriters)
        {
            m_out->write(writer.fileName, writer.content(stage()));
            if (meter)
                meter->progress(++done);
        }
        if (meter)
            meter->stop();
        writeDrawing(true);
    }
    writeSummary();
    std::vector<std::string> written;
    if (m_out)
        for (const auto& path : m_out->written())
            written.push_back(path.string());
    print(formatClosing(m_summary, written));
}

void Run::writeDrawing(bool withResult)
{
    if (!m_out || !m_drawing.region || m_drawing.chainEnds.size() != m_file.loadsAndSupports.size())
        return;
    std::unique_ptr<cae_core::fea2d::InteractiveResult> ownResult;
    const cae_core::fea2d::InteractiveResult* result = nullptr;
    if (withResult)
    {
        result = m_view ? m_view->result() : nullptr;
        if (!result)
        {
            ownResult = std::make_unique<cae_core::fea2d::InteractiveResult>(m_analysis->output(),
                                                                             *m_drawing.context);
            result = ownResult.get();
        }
    }
    // A region drawn in a CAD drawing comes back in that drawing, with the run's parts on their own layers.
    const std::filesystem::path base =
        m_file.regionDrawing.empty()
            ? std::filesystem::path()
            : std::filesystem::path(m_cl.file).parent_path() / std::filesystem::path(m_file.regionDrawing);
    m_out->write(kDrawingName, drawingFile(m_drawing, m_file, result, base));
}

void Run::reportProbes()
{
    if (m_cl.probes.empty())
        return;
    // A probe names a material point of the part as drawn: the deformation a picture exaggerates
    // must not move it onto another element, or off the part.
    const FieldProbe probe(m_analysis->nodalField());
    const std::string& length = m_drawing.lengthUnit;
    const std::string& stress = m_drawing.stressUnit;
    for (const auto& point : m_cl.probes)
    {
        const std::optional<FieldValues> v = probe.at(OdGePoint2d(point[0], point[1]));
        Summary::Probe entry{point, {}, v.has_value(), {}};
        if (v)
            entry.values = {
                {"ux", v->displacement.x, length},       {"uy", v->displacement.y, length},
                {"u", v->displacement.length(), length}, {"sxx", v->stress.sxx, stress},
                {"syy", v->stress.syy, stress},          {"sxy", v->stress.sxy, stress},
                {"s1", v->principal.s1, stress},         {"s2", v->principal.s2, stress},
                {"s1Angle", v->principal.angle, "deg"},  {"vonMises", v->principal.vonMises, stress}};
        ReportTable table{
            "Probe",
            {{"Position x", formatNumber(point[0]), length}, {"Position y", formatNumber(point[1]), length}}};
        const char* labels[] = {"Displacement x",     "Displacement y",     "Displacement",
                                "Stress xx",          "Stress yy",          "Stress xy",
                                "Principal stress 1", "Principal stress 2", "Principal angle",
                                "Von Mises stress"};
        const char* units[] = {length.c_str(), length.c_str(), length.c_str(), stress.c_str(),
                               stress.c_str(), stress.c_str(), stress.c_str(), stress.c_str(),
                               "deg",          stress.c_str()};
        for (std::size_t i = 0; i < std::size(labels); ++i)
            table.rows.push_back({labels[i], v ? formatNumber(entry.values[i].value) : "N/A", units[i]});
        print(formatTable(table));
        entry.rows = table.rows;
        m_summary.probes.push_back(std::move(entry));
    }
}

void Run::converge()
{
    if (!m_cl.converge)
        return;
    print("Refining until the maxima change by less than " + formatNumber(100.0 * *m_cl.converge, 3) + "%\n");
    const auto stepDone = [this](const ConvergenceStep& step)
    {
        print("  solved on " + std::to_string(step.elements) + " triangles (mesh size " +
              formatNumber(step.meshSize, 4) + ")\n");
    };
    try
    {
        m_summary.convergence = convergeAnalysis2d(
            m_file, m_drawing, m_cl.file, *m_analysis, *m_cl.converge, m_cl.consistentLoads,
            cae_core::DelaunayMesher::kMaxTriangles, kMaxConvergenceSteps, stepDone);
    }
    catch (const Stop& stop)
    {
        // The analysis on the file's own mesh stands: a finer mesh that fails ends only the study,
        // and the run keeps its results.
        for (const auto& m : stop.messages)
            m_err << withoutNewline(m) << "\n";
        m_err << m_cl.file << ": the convergence study stopped; the results are those of the file's mesh\n";
        return;
    }
    print(formatConvergence(*m_summary.convergence, m_drawing.lengthUnit, m_drawing.stressUnit));
    if (m_out)
    {
        const ConvergencePictures pictures =
            convergencePictures(*m_summary.convergence, m_drawing.lengthUnit, m_drawing.stressUnit,
                                m_cl.pictureWidth, m_cl.pictureHeight);
        m_out->write(kConvergenceNames[0], pictures.svg);
        m_out->write(kConvergenceNames[1], pictures.png);
    }
}

void Run::writeSummary()
{
    m_summary.timeMs.total = m_total.time();
    if (m_out)
        m_out->finish(kSummaryName, formatSummary(m_summary));
}

int Run::stopped(const Stop& stop)
{
    m_summary.status = stop.kind == Stop::EKind::eInvalid ? ERunStatus::eInvalid : ERunStatus::eFailed;
    m_summary.result = stop.result;
    m_summary.messages.clear();
    for (const auto& m : stop.messages)
        m_summary.messages.push_back(withoutNewline(m));
    if (stop.statusMessages)
        m_err << m_cl.file << ": the analysis is not ready:\n";
    for (const auto& m : stop.messages)
        m_err << (stop.statusMessages ? "  " : "") << withoutNewline(m) << "\n";
    try
    {
        // The set-up is worth keeping when the analysis failed: the user can fix it in the drawing.
        if (stop.kind != Stop::EKind::eInvalid)
            writeDrawing(false);
    }
    catch (const std::exception& e)
    {
        // The summary must still say how the run ended.
        m_err << e.what() << "\n";
    }
    try
    {
        writeSummary();
    }
    catch (const OutputError& e)
    {
        m_err << e.what() << "\n";
    }
    return stop.kind == Stop::EKind::eInvalid ? eExitInvalid : eExitFailed;
}
} // namespace

int runAnalyze2d(const CommandLine& commandLine, std::ostream& err, StageListener* listener)
{
    Run run(commandLine, err, listener);
    return run.execute();
}
} // namespace cae_app
