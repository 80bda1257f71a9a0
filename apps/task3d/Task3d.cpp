#include "apps/task3d/Task3d.h"

#include "apps/analysis/Convergence.h"
#include "apps/analysis/Stop.h"
#include "apps/file/AnalysisFile.h"
#include "apps/file/Format.h"
#include "apps/output/AtomicFile.h"
#include "apps/output/DxfText.h"
#include "apps/output/OutputFolder.h"
#include "apps/output/VtuWriter.h"
#include "apps/task3d/SolverGuard.h"
#include "apps/task3d/Task3dTolerances.h"
#include "apps/task3d/TaskFields.h"
#include "apps/task3d/TaskFile.h"
#include "apps/task3d/TaskModel.h"
#include "apps/task3d/TaskPicture.h"
#include "apps/task3d/TaskSummary.h"
#include "apps/task3d/TaskUnits.h"
#include "cae_core/core/Result.h"
#include "cae_core/core/Units.h"
#include "cae_core/meshing_parameters/ParameterFiles.h"
#include "cae_core/nastran/TaskRun.h"
#include "cae_core/task/Factory.h"
#include "cae_core/task/Mesh.h"
#include "cae_core/task/TaskDeckOptions.h"
#include "cae_core/task/TaskObjects.h"
#include "cae_core/task/TaskOutput.h"
#include "cae_core/task/VisualizationReport.h"
#include "host/ca/CommandLine.h"
#include "host/oa/DwgViewer.h"
#include "host/oa/SysVars.h"
#include "host/tetra/GmshTetraMeshGenerator.h"
#include "host/ut/Reporter.h"
#include "host/ut/StopWatch.h"
#include "platform/base/OdError.h"
#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbSubDMesh.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <set>

namespace cae_app
{
namespace
{
using cae_core::EResult;
namespace fs = std::filesystem;

constexpr const char* kSummaryName = "summary.json";
constexpr const char* kOwnedNames[] = {"summary.json", "result.vtu", "result.svg", "result.png", "model.dxf"};
/// The deck writer's fixed material (in the modelling units), used when the file asks for it.
constexpr double kDeckYoungsModulus = 200000.0;
constexpr double kDeckPoissonRatio = 0.3;
/// Without --deform, the largest displacement is drawn as this share of the solid's diagonal.
constexpr double kShownDisplacementShare = 0.1;

std::array<double, 3> toArray(const OdGeVector3d& v)
{
    return {v.x, v.y, v.z};
}

std::string vectorText(const OdGeVector3d& v)
{
    return "(" + formatNumber(v.x, 6) + ", " + formatNumber(v.y, 6) + ", " + formatNumber(v.z, 6) + ")";
}

const char* featureKind(FeatureEntry::Kind kind)
{
    switch (kind)
    {
    case FeatureEntry::Kind::ePressure:
        return "pressure";
    case FeatureEntry::Kind::eForce:
        return "force";
    case FeatureEntry::Kind::eFix:
        return "fix";
    case FeatureEntry::Kind::eSlide:
        return "slide";
    case FeatureEntry::Kind::eHold:
        return "hold";
    }
    return "";
}

bool isSupport(FeatureEntry::Kind kind)
{
    return kind == FeatureEntry::Kind::eFix || kind == FeatureEntry::Kind::eSlide ||
           kind == FeatureEntry::Kind::eHold;
}

/// Ends a run with the exit status `exitStatus` (invalid, failed, or interrupted by a signal) and why.
[[noreturn]] void stop(int exitStatus, std::vector<std::string> messages, std::optional<EResult> result = {})
{
    Stop s{exitStatus == eExitInvalid      ? Stop::EKind::eInvalid
           : exitStatus > eExitInterrupted ? Stop::EKind::eInterrupted
                                           : Stop::EKind::eFailed,
           std::move(messages), std::nullopt};
    if (result)
        s.result = static_cast<std::uint32_t>(*result);
    if (s.kind == Stop::EKind::eInterrupted)
        s.signal = exitStatus - eExitInterrupted;
    throw s;
}

std::string pointText(const std::array<double, 3>& p)
{
    return "(" + formatNumber(p[0]) + ", " + formatNumber(p[1]) + ", " + formatNumber(p[2]) + ")";
}

/// The tetrahedral mesh with displacement, von Mises stress and, when the output holds them, the
/// stress tensor and the principal stresses per grid, as a VTK unstructured grid in the output units:
/// second-order meshes as ten-node cells, whose node order VTK shares with the deck. The printout has
/// stresses at the corners only: a mid grid takes the mean of its edge's corners. Field data names the
/// units.
std::string formatTaskVtu(const cae_core::Mesh& mesh, const cae_core::TaskOutput& output,
                          const TaskUnits& units)
{
    const std::uint64_t points = mesh.nbVertices(), cells = mesh.nbTetra();
    const bool quadratic = mesh.order() == 2;
    const auto stresses = vertexStresses(mesh, output);
    const bool tensors = !output.stresses.empty();
    std::vector<double> vonMises(points, 0.0);
    for (std::uint64_t i = 0; i < points; ++i)
        if (const auto it = output.vertexData.find(mesh.vertex(i)->id()); it != output.vertexData.end())
            vonMises[i] = it->second.vonMisesStress;
    takeMeansAtMidVertices(mesh, vonMises);

    VtuGrid grid;
    grid.nodesPerCell = quadratic ? 10 : 4;
    grid.points.reserve(points);
    VtuArray displacement{"displacement [" + units.length + "]", 3, {}};
    VtuArray stress{"vonMises [" + units.stress + "]", 1, {}};
    VtuArray tensor{"stress [" + units.stress + "]", 6, {}, {"XX", "YY", "ZZ", "XY", "YZ", "XZ"}};
    VtuArray principal[3] = {{"s1 [" + units.stress + "]", 1, {}},
                             {"s2 [" + units.stress + "]", 1, {}},
                             {"s3 [" + units.stress + "]", 1, {}}};
    for (std::uint64_t i = 0; i < points; ++i)
    {
        const auto& v = *mesh.vertex(i);
        grid.points.push_back(
            {v.point.x * units.lengthScale, v.point.y * units.lengthScale, v.point.z * units.lengthScale});
        const auto it = output.vertexData.find(v.id());
        const cae_core::TaskOutput::Data d =
            it == output.vertexData.end() ? cae_core::TaskOutput::Data{} : it->second;
        for (const double c : {d.displacement.x, d.displacement.y, d.displacement.z})
            displacement.values.push_back(c * units.lengthScale);
        stress.values.push_back(vonMises[i] * units.stressScale);
        if (!tensors)
            continue;
        const cae_core::SolidStress s = units.stressScale * stresses[i].value_or(cae_core::SolidStress{});
        tensor.values.insert(tensor.values.end(), {s.xx, s.yy, s.zz, s.xy, s.yz, s.zx});
        const auto p = s.principal();
        for (std::size_t k = 0; k < 3; ++k)
            principal[k].values.push_back(p[k]);
    }
    grid.connectivity.reserve(cells * static_cast<std::uint64_t>(grid.nodesPerCell));
    for (std::uint64_t i = 0; i < cells; ++i)
    {
        const auto& tetra = *mesh.tetra(i);
        grid.connectivity.insert(grid.connectivity.end(), tetra.vertices.begin(), tetra.vertices.end());
        if (quadratic)
            grid.connectivity.insert(grid.connectivity.end(), tetra.midVertices.begin(),
                                     tetra.midVertices.end());
    }
    grid.pointData.push_back(std::move(displacement));
    grid.pointData.push_back(std::move(stress));
    if (tensors)
    {
        grid.pointData.push_back(std::move(tensor));
        for (VtuArray& p : principal)
            grid.pointData.push_back(std::move(p));
    }
    grid.fieldData = {
        {"length unit", {units.length}}, {"force unit", {units.force}}, {"stress unit", {units.stress}}};
    return formatVtu(grid);
}

/// The picture title of a stress colour, without its unit.
std::string stressTitle(CommandLine::Color color)
{
    using C = CommandLine::Color;
    switch (color)
    {
    case C::eS1:
        return "Largest principal stress s1";
    case C::eS3:
        return "Smallest principal stress s3";
    case C::eSxx:
        return "Normal stress sxx";
    case C::eSyy:
        return "Normal stress syy";
    case C::eSzz:
        return "Normal stress szz";
    case C::eSxy:
        return "Shear stress sxy";
    case C::eSyz:
        return "Shear stress syz";
    case C::eSzx:
        return "Shear stress szx";
    case C::eVonMises:
    case C::eDisplacement:
    case C::eSafety:
        break;
    }
    return "von Mises stress";
}

/// The solver's working folders ("CAE_...") under the host's temporary folder.
std::set<std::filesystem::path> workingFolders()
{
    std::set<std::filesystem::path> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(utf8(oa::SysVars::getTEMPPREFIX()), ec), end;
         !ec && it != end; it.increment(ec))
        if (it->path().filename().string().rfind("CAE_", 0) == 0)
            found.insert(it->path());
    return found;
}

/// Seconds since 1970 of a file's last change; empty when it cannot be told.
std::optional<double> modified(const std::filesystem::path& file)
{
    struct stat s
    {
    };
    if (::stat(file.c_str(), &s) != 0)
        return std::nullopt;
    return static_cast<double>(s.st_mtim.tv_sec) + 1e-9 * static_cast<double>(s.st_mtim.tv_nsec);
}

double now()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

/// What the solver's log says after its fatal-error line, up to the completion line.
std::vector<std::string> solverFatalMessage(const std::filesystem::path& folder)
{
    std::vector<std::string> lines;
    std::ifstream log(folder / "task.log");
    bool fatal = false;
    for (std::string line; std::getline(log, line) && lines.size() < 20;)
    {
        if (line.find("Analysis complete") != std::string::npos)
            break;
        if (fatal && !line.empty())
            lines.push_back(printable(line, 200));
        fatal = fatal || line.find("FATAL") != std::string::npos;
    }
    return lines;
}

class TaskRun
{
public:
    /// `sizeScale` scales the file's element size, for the finer meshes of a convergence study.
    TaskRun(const CommandLine& cl, std::ostream& err, double sizeScale = 1.0)
        : m_cl(cl), m_err(err), m_sizeScale(sizeScale)
    {
    }
    ~TaskRun()
    {
        // The host tells the factory when it lets a task go.
        if (m_task)
            cae_core::Factory::instance().onTaskDestroyed(m_task.get());
    }
    TaskRun(const TaskRun&) = delete;
    TaskRun& operator=(const TaskRun&) = delete;

    int run()
    {
        try
        {
            if (m_cl.outDir)
            {
                std::vector<std::string> owned(std::begin(kOwnedNames), std::end(kOwnedNames));
                m_out.emplace(*m_cl.outDir, owned);
            }
            try
            {
                m_file = readTaskFile(m_cl.file);
                if (m_file.meshing.size)
                    *m_file.meshing.size *= m_sizeScale;
            }
            catch (const InputError& e)
            {
                stop(eExitInvalid, {e.what()});
            }
            describe();
            buildModel();
            mesh();
            giveMaterial();
            convertFeatures();
            solve();
            report();
            checkEquilibrium();
            writeResults();
            removeWorkingFolder();
            m_summary.status = ERunStatus::eSolved;
            m_summary.result = 0;
            finish();
            printClosing();
            return eExitSolved;
        }
        catch (const Stop& s)
        {
            for (const auto& m : s.messages)
                m_err << m << "\n";
            const std::string kept = keptFolderMessage(s.messages);
            if (!kept.empty())
                m_err << kept << "\n";
            m_summary.status = s.kind == Stop::EKind::eInvalid       ? ERunStatus::eInvalid
                               : s.kind == Stop::EKind::eInterrupted ? ERunStatus::eInterrupted
                                                                     : ERunStatus::eFailed;
            m_summary.result = s.result;
            m_summary.messages.insert(m_summary.messages.end(), s.messages.begin(), s.messages.end());
            try
            {
                finish();
            }
            catch (const OutputError& e)
            {
                m_err << "cae: " << e.what() << "\n";
            }
            return s.kind == Stop::EKind::eInvalid       ? eExitInvalid
                   : s.kind == Stop::EKind::eInterrupted ? eExitInterrupted + s.signal
                                                         : eExitFailed;
        }
        catch (const OutputError& e)
        {
            m_err << "cae: " << e.what() << "\n";
            return eExitFailed;
        }
    }

    const TaskSummary& summary() const { return m_summary; }
    /// The element size the file asks for (after run()), scaled; empty when it gives none.
    std::optional<double> elementSize() const { return m_file.meshing.size; }

private:
    void print(const std::string& text)
    {
        // Flushed at once: a pipe would otherwise hold the lines back until the solver's echo, and a
        // signal would lose them.
        if (!m_cl.quiet)
            std::cout << text << std::flush;
    }

    /// After a run that went well the working folder goes, unless the user keeps it.
    void removeWorkingFolder()
    {
        if (m_cl.keepWork || m_folder.empty())
            return;
        std::error_code ec;
        fs::remove_all(m_folder, ec);
        if (ec)
            m_err << "cae: the working folder " << m_folder.string() << " cannot be removed: " << ec.message()
                  << "\n";
        else
            m_summary.workingFolder.reset();
    }

    /// Where the working folder is, for a run that stopped, unless a message already says so.
    std::string keptFolderMessage(const std::vector<std::string>& messages) const
    {
        if (m_folder.empty() || !fs::exists(m_folder))
            return {};
        for (const auto& m : messages)
            if (m.find(m_folder.string()) != std::string::npos)
                return {};
        return "working folder: " + m_folder.string();
    }

    void finish()
    {
        m_summary.timeMs.total = m_total.time();
        if (m_out)
            m_out->finish(kSummaryName, formatTaskSummary(m_summary));
    }

    void printClosing()
    {
        const auto ms = [](const std::optional<double>& t) { return formatMilliseconds(t.value_or(0.0)); };
        std::string text = "Time         mesh " + ms(m_summary.timeMs.mesh) + " ms, deck " +
                           ms(m_summary.timeMs.deck) + " ms, solve " + ms(m_summary.timeMs.solve) +
                           " ms, read " + ms(m_summary.timeMs.read) + " ms, total " +
                           ms(m_summary.timeMs.total) + " ms\n";
        if (m_out)
        {
            std::string names;
            for (const auto& path : m_out->written())
                names += (names.empty() ? "" : ", ") + path.string();
            text += "Wrote        " + names + "\n";
        }
        print(text);
    }

    /// The task's name, which the deck takes as its title: the task file's name without extension,
    /// in printable ASCII (the deck is a line-oriented text).
    std::string taskName() const
    {
        std::string name = fs::path(m_cl.file).stem().string();
        for (char& c : name)
            if (c < 0x20 || c > 0x7e)
                c = '_';
        return name;
    }

    static std::string deckTitle(const fs::path& folder)
    {
        std::ifstream deck(folder / "task.dat");
        std::string line;
        for (int i = 0; i < 10 && std::getline(deck, line); ++i)
            if (line.rfind("TITLE=", 0) == 0)
                return line.substr(6);
        return {};
    }

    void describe()
    {
        const bool si = m_file.systemInternational;
        m_units = taskUnits(m_file.units, si);
        m_summary.units = TaskSummary::Units{{m_units.length, m_units.force, m_units.stress},
                                             std::string(unitsName(m_file.units)),
                                             si ? "si" : "english"};
        if (!m_file.description.empty())
            print(printable(m_file.description, 200) + "\n");
        print("Units        drawing in " + m_summary.units->drawing + "; modelling " +
              (si ? "SI: m, N, Pa" : "English: in, lbf, psi") + "; results in " + m_units.length + ", " +
              m_units.force + ", " + m_units.stress + "\n");
    }

    void buildModel()
    {
        try
        {
            m_model = buildTaskModel(m_file);
        }
        catch (const InputError& e)
        {
            stop(eExitInvalid, {e.what()});
        }
        print("Solid        " + std::to_string(m_model.body->subentIndices(OdDb::kFaceSubentType).size()) +
              " faces, " + std::to_string(m_model.body->subentIndices(OdDb::kEdgeSubentType).size()) +
              " edges\n");
    }

    cae_core::MeshingParameters meshingParameters()
    {
        if (m_file.meshing.file)
        {
            ut::StreamReporter reporter(m_err);
            cae_core::MeshingParameters parameters;
            const EResult rc =
                cae_core::readJsonFile(reporter, OdString(m_file.meshing.file->string().c_str()), parameters);
            if (rc != cae_core::eOk)
            {
                JsonPath path = m_file.meshing.path;
                path.emplace_back(std::string("file"));
                stop(eExitInvalid,
                     {m_file.messageAt(path, "the meshing-parameter file " + m_file.meshing.file->string() +
                                                 " cannot be used: " + cae_core::getResultName(rc))},
                     rc);
            }
            print("Meshing      parameters from " + m_file.meshing.file->string() + "\n");
            return parameters;
        }
        if (m_file.meshing.size)
        {
            // The element size in drawing units, as the generator reads absolute sizes; the other
            // defaults stay those of the one-knob builder.
            cae_core::MeshingParameters parameters = cae_core::MeshingParameters::defaultParameters();
            const cae_core::MeshingReal size(*m_file.meshing.size, cae_core::MeshingReal::eAbsolute);
            parameters.surfaceParameters.global_physical_size = size;
            parameters.surfaceParameters.max_size = size;
            parameters.tetraParameters.max_size = size;
            print("Meshing      element size " + formatNumber(*m_file.meshing.size) + " " + m_units.length +
                  "\n");
            return parameters;
        }
        const double fineness = m_file.meshing.fineness.value_or(1.0);
        print("Meshing      fineness " + formatNumber(fineness) +
              (m_file.meshing.fineness ? "" : " (the defaults)") + "\n");
        return cae_core::MeshingParameters::buildParameters(fineness);
    }

    void mesh()
    {
        cae_core::MeshingParameters parameters = meshingParameters();
        // The host installs its own generator in place of the module's default, which meshes nothing,
        // with this run's element order and budget.
        tetra::GmshTetraMeshGenerator::Settings settings;
        settings.order = m_file.deck.quadratic ? 2 : 1;
        settings.elementBudget = m_cl.maxTetrahedra;
        cae_core::TetraMeshGenerator::init(std::make_unique<tetra::GmshTetraMeshGenerator>(settings));

        m_task = cae_core::Factory::instance().createTask(OdString(taskName().c_str()), m_file.units,
                                                          m_file.systemInternational);
        m_entity = cae_core::Factory::instance().createEntity(m_task.get(), m_model.solidId);
        ut::StreamReporter reporter(m_err);
        ut::StopWatch watch;
        std::shared_ptr<cae_core::Mesh> mesh;
        const EResult rc = cae_core::TetraMeshGenerator::get().generate(
            reporter, m_model.solidId, m_task.get(), m_entity.get(), parameters, mesh);
        m_summary.timeMs.mesh = watch.time();
        if (rc == cae_core::eLimitExceeded)
        {
            // The generator's message, already printed, names its estimate.
            for (const auto& m : reporter.messages())
                m_summary.messages.push_back(utf8(m.text));
            stop(eExitInvalid,
                 {m_cl.file + ": the mesh would exceed the budget of " + std::to_string(m_cl.maxTetrahedra) +
                  " tetrahedra; give a coarser \"meshing\" or raise --max-tetrahedra N"},
                 rc);
        }
        if (rc != cae_core::eOk || !mesh || mesh->nbTetra() == 0)
        {
            std::vector<std::string> messages{m_cl.file +
                                              ": the solid cannot be meshed: " + cae_core::getResultName(rc)};
            for (const auto& m : reporter.messages())
                m_summary.messages.push_back(utf8(m.text));
            stop(eExitFailed, messages, rc == cae_core::eOk ? cae_core::eFailed : rc);
        }
        m_entity->mesh = mesh;
        const std::string elements = mesh->order() == 2 ? "quadratic tetrahedra" : "linear tetrahedra";
        m_summary.mesh = TaskSummary::Mesh{mesh->nbVertices(), mesh->nbTetra(), mesh->nbTriangles(), elements,
                                           m_file.meshing.size};
        print("Mesh         " + std::to_string(mesh->nbVertices()) + " vertices, " +
              std::to_string(mesh->nbTetra()) + " " + elements +
              (m_file.meshing.size ? " of size " + formatNumber(*m_file.meshing.size) + " " + m_units.length
                                   : std::string()) +
              ", " + std::to_string(mesh->nbTriangles()) + " surface triangles\n");
    }

    /// The file's material as the task's, which the deck reads when it writes the task's material.
    void giveMaterial()
    {
        TaskSummary::Material m;
        const double toStress = m_units.stressScale;
        if (m_file.deck.taskMaterial && m_file.material)
        {
            const auto material = cae_core::Factory::instance().createMaterial(m_task.get(), OdDbObjectId());
            material->m_value0 = m_file.material->youngsModulus;
            material->m_value1 = m_file.material->poissonRatio;
            m_entity->reference = material;
            m = TaskSummary::Material{m_file.material->name, "task",
                                      m_file.material->youngsModulus * toStress,
                                      m_file.material->poissonRatio, std::nullopt};
        }
        else
            m = TaskSummary::Material{"the deck's fixed material", "fixed", kDeckYoungsModulus * toStress,
                                      kDeckPoissonRatio, std::nullopt};
        if (m_file.yield)
            m.yield = *m_file.yield * toStress;
        m_summary.material = m;
    }

    void convertFeatures()
    {
        ut::StreamReporter reporter(m_err);
        OdArray<std::shared_ptr<cae_core::Load>> loads;
        OdArray<std::shared_ptr<cae_core::Constraint>> constraints;
        // A solid loaded by forces alone has no pressure to report missing.
        const bool forces =
            std::any_of(m_file.features.begin(), m_file.features.end(),
                        [](const FeatureEntry& f) { return f.kind == FeatureEntry::Kind::eForce; });
        const bool pressures =
            std::any_of(m_file.features.begin(), m_file.features.end(),
                        [](const FeatureEntry& f) { return f.kind == FeatureEntry::Kind::ePressure; });
        const EResult loadsResult = pressures || !forces
                                        ? cae_core::Load::createLoads(reporter, m_task.get(), m_entity, loads)
                                        : cae_core::eOk;
        const EResult forceResult = cae_core::Load::createForceLoads(reporter, m_task.get(), m_entity, loads);
        const EResult fixResult =
            cae_core::Constraint::createConstraints(reporter, m_task.get(), m_entity, constraints);
        for (const auto& m : reporter.messages())
            m_summary.messages.push_back(utf8(m.text));
        // A solid without pressures or supports is reported above and left to the solver, which tells
        // what it cannot do without them.
        const std::pair<EResult, bool> results[] = {
            {loadsResult, true}, {forceResult, false}, {fixResult, true}};
        for (const auto& [rc, noneAllowed] : results)
            if (rc != cae_core::eOk && !(noneAllowed && rc == cae_core::eUnsupported))
                stop(eExitFailed,
                     {m_cl.file + ": the features cannot be turned into loads and constraints: " +
                      cae_core::getResultName(rc)},
                     rc);

        // What each feature became, in file order.
        std::map<OdDbObjectId, std::size_t> triangles;
        for (const auto& load : loads)
            triangles[load->originalId()] += load->faces.size();
        for (const auto& c : constraints)
            ++triangles[c->originalId()];
        std::string text;
        for (std::size_t i = 0; i < m_file.features.size(); ++i)
        {
            const FeatureEntry& f = m_file.features[i];
            const FeatureTargets& t = m_model.targets[i];
            std::string line = "[" + std::to_string(i) + "] ";
            const std::string fileStress = m_file.systemInternational ? "Pa" : "psi";
            line += featureKind(f.kind);
            if (f.kind == FeatureEntry::Kind::ePressure)
                line += " " + formatNumber(f.magnitude) + " " + fileStress +
                        (f.direction ? " along " + vectorText(*f.direction) : std::string(" normal"));
            else if (f.kind == FeatureEntry::Kind::eForce)
                line += " " + vectorText(f.force) + " " + m_units.force;
            else if (f.kind == FeatureEntry::Kind::eHold)
                line += " " + f.components;
            const auto list = [](const std::vector<long>& ids)
            {
                std::string s;
                for (const long id : ids)
                    s += (s.empty() ? "" : ", ") + std::to_string(id);
                return s;
            };
            if (!t.faces.empty())
                line += std::string(" on face") + (t.faces.size() > 1 ? "s " : " ") + list(t.faces);
            if (!t.edges.empty())
                line += std::string(t.faces.empty() ? " on" : " and") + " edge" +
                        (t.edges.size() > 1 ? "s " : " ") + list(t.edges);
            const OdDbObjectId id = m_model.featureIds[i];
            line += ": " + std::to_string(triangles[id]) + " mesh " +
                    (!isSupport(f.kind) || t.edges.empty() ? "triangles" : "elements");
            text += (i == 0 ? "Features     " : "             ") + line + "\n";
        }
        print(text);
    }

    /// The validator knows pressures only and asserts on any other load, so forces are checked here
    /// and kept out of its sight.
    void checkUnits()
    {
        OdArray<std::shared_ptr<cae_core::Load>> forces, others;
        for (const auto& load : m_task->m_loads)
            (dynamic_cast<const cae_core::Force*>(load.get()) ? forces : others).append(load);
        for (const auto& force : forces)
            if (force->units != m_task->modelingForceUnits())
                stop(eExitFailed,
                     {m_cl.file + ": a force is not in the task's force unit " +
                      (m_task->m_systemInternational ? "N" : "lbf")},
                     cae_core::eInvalidArgument);
        const OdArray<std::shared_ptr<cae_core::Load>> all = m_task->m_loads;
        m_task->m_loads = others;
        const bool valid = cae_core::UnitsValidator().validate(*m_task);
        m_task->m_loads = all;
        if (!valid)
            stop(eExitFailed, {m_cl.file + ": the task's units do not agree (see the assertions above)"},
                 cae_core::eInvalidArgument);
    }

    void solve()
    {
        checkUnits();

        const auto before = workingFolders();
        std::optional<ca::CommandLineCapture> quiet;
        if (m_cl.quiet)
            quiet.emplace();
        const double start = now();
        ut::StopWatch watch;
        cae_core::TaskDeckOptions options;
        options.taskMaterial = m_file.deck.taskMaterial;
        options.quadratic = m_file.deck.quadratic;
        options.reactions = wantsReactions();
        // Any solver's printout, not only the module's own layout, and a damaged table fails the run.
        options.printoutReading = true;
        options.stressComponents = true;
        // The command line's keywords after the file's: the solver program takes the last of a keyword.
        options.solverKeywords = m_file.solverOptions;
        options.solverKeywords.insert(options.solverKeywords.end(), m_cl.solverOptions.begin(),
                                      m_cl.solverOptions.end());
        std::optional<SolverGuard> guard(std::in_place, m_cl.solverTimeout);
        const EResult rc = m_task->run(options);
        const int signal = guard->signal();
        const bool timedOut = guard->timedOut();
        guard.reset();
        const double total = watch.time();
        const double end = now();
        quiet.reset();
        print("\n");

        // Other runs may start their solver at the same time: the deck's title tells this run's.
        for (const auto& folder : workingFolders())
            if (!before.count(folder) && (m_folder.empty() || deckTitle(folder) == taskName()))
                m_folder = folder;
        if (!m_folder.empty())
        {
            m_summary.workingFolder = m_folder.string();
            // The module writes the deck, the solver program runs until its last write, and the module
            // reads the results after; the files' times split the run.
            const auto deck = modified(m_folder / "task.dat");
            const auto f06 = modified(m_folder / "task.f06"), log = modified(m_folder / "task.log");
            const double solverEnd = std::max(f06.value_or(end), log.value_or(end));
            if (deck && start <= *deck && *deck <= solverEnd && solverEnd <= end)
            {
                m_summary.timeMs.deck = 1000.0 * (*deck - start);
                m_summary.timeMs.solve = 1000.0 * (solverEnd - *deck);
                m_summary.timeMs.read =
                    std::max(0.0, total - *m_summary.timeMs.deck - *m_summary.timeMs.solve);
            }
        }
        if (!m_summary.timeMs.solve)
            m_summary.timeMs.solve = total;
        stopIfSolverStopped(signal, timedOut, rc);

        if (rc != cae_core::eOk)
        {
            std::vector<std::string> messages{
                m_cl.file + ": the solver run failed: " + cae_core::getResultName(rc) +
                (rc == cae_core::eSolverNotFound
                     ? " (no solver program was found: set CAE_NASTRAN_PATH to one)"
                 : rc == cae_core::eSolverFailed ? " (the solver program did not report a clean completion)"
                                                 : "")};
            if (!m_folder.empty())
            {
                const auto fatal = solverFatalMessage(m_folder);
                if (!fatal.empty())
                {
                    messages.push_back("the solver says:");
                    for (const auto& line : fatal)
                        messages.push_back("  " + line);
                }
                if (rc == cae_core::eParseError)
                    if (const std::string damaged =
                            cae_core::checkTaskResults(OdString(m_folder.string().c_str()), *m_task);
                        !damaged.empty())
                        messages.push_back(damaged);
                messages.push_back("working folder: " + m_folder.string());
            }
            stop(eExitFailed, messages, rc);
        }
        m_output = m_task->result();
        if (!m_output || m_output->isEmpty())
            stop(eExitFailed,
                 {m_cl.file + ": the solver's results hold no grid (working folder " + m_folder.string() +
                  ")"},
                 cae_core::eMissingData);
        if (!m_folder.empty())
            if (const std::string missing =
                    cae_core::checkTaskResults(OdString(m_folder.string().c_str()), *m_task);
                !missing.empty())
                stop(eExitFailed,
                     {m_cl.file + ": the solver's results are incomplete: " + missing,
                      "working folder: " + m_folder.string()},
                     cae_core::eMissingData);
    }

    /// Ends a run whose solver a signal or the time limit stopped, whatever the module's result says.
    void stopIfSolverStopped(int signal, bool timedOut, EResult rc)
    {
        std::vector<std::string> messages;
        if (signal != 0)
            messages.push_back(m_cl.file + ": interrupted by " + signalName(signal) +
                               "; the solver was stopped");
        else if (timedOut)
            messages.push_back(m_cl.file + ": the solver did not finish within " +
                               formatNumber(*m_cl.solverTimeout) + " s (--solver-timeout) and was stopped");
        else
            return;
        if (!m_folder.empty())
            messages.push_back("working folder: " + m_folder.string());
        stop(signal != 0 ? eExitInterrupted + signal : eExitFailed, messages, rc);
    }

    void report()
    {
        std::map<std::uint64_t, OdGePoint3d> positions;
        const auto& mesh = *m_entity->mesh;
        for (std::uint64_t i = 0; i < mesh.nbVertices(); ++i)
            positions[mesh.vertex(i)->id()] = mesh.vertex(i)->point;
        const auto extreme = [&](auto value, double scale)
        {
            TaskSummary::Extreme e;
            e.value = -1.0;
            for (const auto& [grid, data] : m_output->vertexData)
                if (const double v = value(data); v > e.value)
                {
                    e.value = v;
                    e.grid = grid;
                }
            e.value *= scale;
            const OdGePoint3d p = positions.count(e.grid) ? positions[e.grid] : OdGePoint3d();
            const double toDrawing = m_units.lengthScale;
            e.point = {p.x * toDrawing, p.y * toDrawing, p.z * toDrawing};
            return e;
        };
        m_summary.maxVonMises = extreme([](const cae_core::TaskOutput::Data& d) { return d.vonMisesStress; },
                                        m_units.stressScale);
        m_summary.maxDisplacement = extreme(
            [](const cae_core::TaskOutput::Data& d) { return d.displacement.length(); }, m_units.lengthScale);
        const auto& m = *m_summary.material;
        std::string text;
        const std::string& stress = m_units.stress;
        principalExtremes(positions);
        text += "Material     " +
                (m.deck == "task" ? (m.name.empty() ? std::string("the task's") : m.name) + ": "
                                  : std::string("the deck's fixed material: ")) +
                "E " + formatNumber(m.youngsModulus, 6) + " " + stress + ", nu " +
                formatNumber(m.poissonRatio, 6) +
                (m.yield ? ", yield " + formatNumber(*m.yield, 6) + " " + stress : std::string()) + "\n";
        text += "Max von Mises     " + formatNumber(m_summary.maxVonMises->value, 4) + " " + stress +
                " at grid " + std::to_string(m_summary.maxVonMises->grid) + " " +
                pointText(m_summary.maxVonMises->point) + " " + m_units.length + "\n";
        text += "Max displacement  " + formatNumber(m_summary.maxDisplacement->value, 4) + " " +
                m_units.length + " at grid " + std::to_string(m_summary.maxDisplacement->grid) + " " +
                pointText(m_summary.maxDisplacement->point) + " " + m_units.length + "\n";
        if (m.yield)
        {
            m_summary.yield = m.yield;
            if (m_summary.maxVonMises->value > 0)
                m_summary.safetyFactor = *m.yield / m_summary.maxVonMises->value;
            text += "Safety factor     " +
                    (m_summary.safetyFactor ? formatNumber(*m_summary.safetyFactor, 4) : "-") +
                    " against the yield stress " + formatNumber(*m.yield, 6) + " " + stress + "\n";
        }
        if (m_summary.maxS1 && m_summary.minS3)
            for (const auto& [label, e] :
                 {std::pair<const char*, const TaskSummary::Extreme&>{"Max s1            ", *m_summary.maxS1},
                  {"Min s3            ", *m_summary.minS3}})
                text += label + formatNumber(e.value, 4) + " " + stress + " at grid " +
                        std::to_string(e.grid) + " " + pointText(e.point) + " " + m_units.length + "\n";
        text += probesText();
        text += reactionsText();
        if (m_cl.keepWork)
            text += "Working folder    " + m_folder.string() + "\n";
        print(text);
    }

    /// The largest s1 and the smallest s3 over the grids that have a stress tensor.
    void principalExtremes(const std::map<std::uint64_t, OdGePoint3d>& positions)
    {
        if (m_output->stresses.empty())
            return;
        TaskSummary::Extreme s1{-std::numeric_limits<double>::infinity()},
            s3{std::numeric_limits<double>::infinity()};
        for (const auto& [grid, tensor] : m_output->stresses)
        {
            const auto p = tensor.principal();
            if (p[0] > s1.value)
                s1 = {p[0], grid};
            if (p[2] < s3.value)
                s3 = {p[2], grid};
        }
        for (TaskSummary::Extreme* e : {&s1, &s3})
        {
            e->value *= m_units.stressScale;
            const auto found = positions.find(e->grid);
            const OdGePoint3d p = found != positions.end() ? found->second : OdGePoint3d();
            e->point = {p.x * m_units.lengthScale, p.y * m_units.lengthScale, p.z * m_units.lengthScale};
        }
        m_summary.maxS1 = s1;
        m_summary.minS3 = s3;
    }

    /// The quantities at each `--probe` point; fills the summary's probes.
    std::string probesText()
    {
        if (m_cl.solidProbes.empty())
            return {};
        const cae_core::Mesh& mesh = *m_entity->mesh;
        const auto stresses = vertexStresses(mesh, *m_output);
        const std::string& stress = m_units.stress;
        std::string text;
        for (const auto& point : m_cl.solidProbes)
        {
            TaskSummary::Probe probe;
            probe.point = point;
            const double toModel = 1.0 / m_units.lengthScale;
            const auto fields =
                fieldsAt(mesh, *m_output, stresses,
                         OdGePoint3d(point[0] * toModel, point[1] * toModel, point[2] * toModel));
            text += "Probe        " + pointText(point) + " " + m_units.length + ": ";
            if (!fields)
            {
                text += "N/A (in no tetrahedron of the solid)\n";
                m_summary.probes.push_back(probe);
                continue;
            }
            const cae_core::SolidStress s = m_units.stressScale * fields->stress;
            const auto principal = s.principal();
            TaskSummary::Probe::Values v;
            v.tetrahedron = fields->tetra;
            v.displacement = toArray(m_units.lengthScale * fields->displacement);
            v.stress = {s.xx, s.yy, s.zz, s.xy, s.yz, s.zx};
            v.principal = principal;
            v.vonMises = s.vonMises();
            probe.values = v;
            m_summary.probes.push_back(probe);
            const auto numbers = [](std::initializer_list<double> values)
            {
                std::string list;
                for (const double x : values)
                    list += (list.empty() ? "" : ", ") + formatNumber(x, 6);
                return list;
            };
            text += "displacement " + vectorText(m_units.lengthScale * fields->displacement) + " " +
                    m_units.length + "\n             stress xx, yy, zz, xy, yz, zx " +
                    numbers({s.xx, s.yy, s.zz, s.xy, s.yz, s.zx}) + " " + stress +
                    "\n             principal s1, s2, s3 " +
                    numbers({principal[0], principal[1], principal[2]}) + " " + stress + ", von Mises " +
                    formatNumber(v.vonMises, 6) + " " + stress + "\n";
        }
        return text;
    }

    /// The fixed material on four-node tetrahedra is the module's own deck, byte for byte, which asks
    /// the solver for no reactions.
    bool wantsReactions() const { return m_file.deck.taskMaterial || m_file.deck.quadratic; }

    /// The reactions per support feature and the equilibrium line; fills the summary's.
    std::string reactionsText()
    {
        if (!wantsReactions())
            return "Reactions    not asked of the solver: the fixed material on linear tetrahedra is the "
                   "module's "
                   "own deck, which has none\n";
        std::map<OdDbObjectId, std::size_t> featureOf;
        for (std::size_t i = 0; i < m_model.featureIds.size(); ++i)
            featureOf[m_model.featureIds[i]] = i;
        // What each support holds at each grid: per axis, the features holding it; and the features
        // that hold it along a slanted normal.
        struct Held
        {
            std::array<std::set<std::size_t>, 3> axes;
            std::set<std::size_t> slanted;
        };
        std::map<std::uint64_t, Held> held;
        const auto& mesh = *m_entity->mesh;
        for (const auto& c : m_task->m_constraints)
        {
            const auto it = featureOf.find(c->originalId());
            if (it == featureOf.end())
                continue;
            for (const std::uint64_t v : c->vertices)
            {
                if (v >= mesh.nbVertices())
                    continue;
                Held& h = held[mesh.vertex(v)->id()];
                for (const char digit : c->components)
                    if (digit >= '1' && digit <= '3')
                        h.axes[static_cast<std::size_t>(digit - '1')].insert(it->second);
                if (!c->normal.isZeroLength())
                    h.slanted.insert(it->second);
            }
        }
        // A grid's reaction goes to the supports holding it, per axis, shared evenly where several
        // hold the same axis; a grid on a slanted slide and another support shares it evenly as a
        // whole. So the supports' reactions add up to the solid's.
        std::map<std::size_t, OdGeVector3d> sums;
        for (const auto& [grid, h] : held)
        {
            const auto r = m_output->reactions.find(grid);
            if (r == m_output->reactions.end())
                continue;
            if (!h.slanted.empty())
            {
                std::set<std::size_t> all(h.slanted);
                for (const auto& axis : h.axes)
                    all.insert(axis.begin(), axis.end());
                for (const std::size_t f : all)
                    sums[f] += r->second / static_cast<double>(all.size());
                continue;
            }
            const double components[] = {r->second.x, r->second.y, r->second.z};
            for (std::size_t axis = 0; axis < 3; ++axis)
                for (const std::size_t f : h.axes[axis])
                {
                    const double share = components[axis] / static_cast<double>(h.axes[axis].size());
                    sums[f] += OdGeVector3d(axis == 0 ? share : 0.0, axis == 1 ? share : 0.0,
                                            axis == 2 ? share : 0.0);
                }
        }
        std::string text;
        for (std::size_t i = 0; i < m_file.features.size(); ++i)
        {
            if (!isSupport(m_file.features[i].kind))
                continue;
            const OdGeVector3d sum = sums[i];
            m_summary.reactions.push_back({i, featureKind(m_file.features[i].kind), toArray(sum)});
            std::string label = "  [" + std::to_string(i) + "] " + featureKind(m_file.features[i].kind);
            label.resize(std::max<std::size_t>(label.size() + 1, 22), ' ');
            text += label + vectorText(sum) + " " + m_units.force + "\n";
        }
        if (!text.empty())
            text = "Reactions\n" + text;

        OdGeVector3d applied, reactions;
        double loads = 0.0, supports = 0.0;
        for (const auto& load : m_task->m_loads)
            if (load)
            {
                const OdGeVector3d f = cae_core::totalForce(*load);
                applied += f;
                loads += f.length();
            }
        for (const auto& [grid, force] : m_output->reactions)
        {
            reactions += force;
            supports += force.length();
        }
        const double imbalance = (applied + reactions).length();
        m_summary.equilibrium = TaskSummary::Equilibrium{toArray(applied), toArray(reactions), imbalance};
        // Loads without a resultant (a pressure all round a closed surface) are measured by the
        // supports' forces instead.
        m_balanceScale = loads > 0.0 ? loads : supports;
        text += "Equilibrium  applied loads " + vectorText(applied) + " " + m_units.force + ", reactions " +
                vectorText(reactions) + " " + m_units.force + ", imbalance " + formatNumber(imbalance, 2) +
                " " + m_units.force + "\n";
        return text;
    }

    /// A solution whose reactions do not balance its loads is not one of this task.
    void checkEquilibrium()
    {
        if (!wantsReactions())
            return;
        const auto& e = *m_summary.equilibrium;
        if (m_output->reactions.empty())
            stop(eExitFailed,
                 {m_cl.file +
                  ": the solver's results hold no reactions, so the solution cannot be checked "
                  "(working folder " +
                  m_folder.string() + ")"},
                 cae_core::eMissingData);
        if (!(e.imbalance <= kTaskEquilibriumTolerance * m_balanceScale))
            stop(eExitFailed,
                 {m_cl.file + ": the solution does not balance: the reactions leave " +
                  formatNumber(e.imbalance, 3) + " " + m_units.force +
                  " of the loads unbalanced; the supports probably leave the part free to "
                  "move or turn, or the stiffness matrix is nearly singular (working folder " +
                  m_folder.string() + ")"},
                 cae_core::eSolverFailed);
    }

    void writeResults()
    {
        if (!m_out)
            return;
        try
        {
            m_out->write("result.vtu", formatTaskVtu(*m_entity->mesh, *m_output, m_units));
            writePictures();
        }
        catch (const oa::PictureError& e)
        {
            stop(eExitFailed, {m_cl.file + ": the result picture cannot be drawn: " + e.what()});
        }
        catch (const OutputError& e)
        {
            stop(eExitFailed, {std::string("cae: ") + e.what()});
        }
    }

    void writePictures()
    {
        // The display shows the results in the output units, so that its legend reads as the report.
        const auto shownOutput = m_output->clone();
        for (auto& [grid, data] : shownOutput->vertexData)
            data = cae_core::TaskOutput::Data{data.displacement * m_units.lengthScale,
                                              data.vonMisesStress * m_units.stressScale};
        // A principal stress or a component is shown through the stress slot of the shown output, so
        // that the module's colour policy colours the drawing's mesh by it as the picture does.
        const bool stressColor = stressValue(cae_core::SolidStress{}, m_cl.color).has_value();
        if (stressColor)
        {
            const cae_core::Mesh& mesh = *m_entity->mesh;
            const auto stresses = vertexStresses(mesh, *m_output);
            for (std::uint64_t i = 0; i < mesh.nbVertices(); ++i)
                if (const auto found = shownOutput->vertexData.find(mesh.vertex(i)->id());
                    found != shownOutput->vertexData.end())
                    found->second.vonMisesStress =
                        stresses[i] ? *stressValue(*stresses[i], m_cl.color) * m_units.stressScale : 0.0;
        }
        cae_core::VisualizationReport* report =
            cae_core::VisualizationReport::getVisuReport(m_model.database.get());
        if (!report || report->init(m_task, shownOutput) != cae_core::eOk)
            stop(eExitFailed, {m_cl.file + ": the results display cannot be set up"});
        using Policy = cae_core::ColorPolicy;
        const Policy::EType type = m_cl.color == CommandLine::Color::eDisplacement ? Policy::eDisplacement
                                   : m_cl.color == CommandLine::Color::eSafety     ? Policy::eSafetyFactor
                                                                                   : Policy::eVonMisesStress;
        report->colorPolicy->setType(type);
        // The mesh is in modelling units, the shown displacements in output units.
        const double factor = deformFactor() / m_units.lengthScale;
        const EResult rc = report->buildModel(m_model.database.get(), factor);
        const auto shown = report->dbMeshes.find(m_entity.get());
        if (rc != cae_core::eOk || shown == report->dbMeshes.end() || shown->second.isNull())
            stop(eExitFailed,
                 {m_cl.file +
                  ": the result mesh cannot be put into the drawing: " + cae_core::getResultName(rc)},
                 rc == cae_core::eOk ? cae_core::eDatabaseError : rc);
        const auto mesh = OdDbSubDMeshPtr::cast(shown->second.openObject(OdDb::kForRead));
        const auto& units = *m_summary.units;
        const OdString title =
            type == Policy::eSafetyFactor && m_summary.yield
                ? OdString(L"Safety factor: yield ") + OdString(formatNumber(*m_summary.yield, 6).c_str()) +
                      L" " + OdString(units.stress.c_str()) + L" / von Mises"
            : type == Policy::eDisplacement
                ? OdString((L"Displacement [" + OdString(units.length.c_str()) + L"]").c_str())
            : type == Policy::eSafetyFactor ? OdString(L"Safety value min(100, 10000 / von Mises)")
            : stressColor ? OdString((stressTitle(m_cl.color) + " [" + units.stress + "]").c_str())
                          : OdString((L"von Mises stress [" + OdString(units.stress.c_str()) + L"]").c_str());
        const TaskScene scene = pictureScene(*mesh, *shownOutput, type, utf8(title));
        if (m_cl.view == CommandLine::View::eAll)
        {
            const TaskSheet sheet(scene);
            m_out->write("result.svg", sheet.svg(m_cl.pictureWidth, m_cl.pictureHeight));
            m_out->write("result.png", sheet.png(m_cl.pictureWidth, m_cl.pictureHeight));
        }
        else
        {
            const TaskPicture picture(scene);
            m_out->write("result.svg", picture.svg(m_cl.pictureWidth, m_cl.pictureHeight));
            m_out->write("result.png", picture.png(m_cl.pictureWidth, m_cl.pictureHeight));
        }
        writeDrawing(*mesh, report->colorPolicy->getColorMap(), scene);
    }

    /// What the result picture shows: the displaced surface, the quantity at every grid, the
    /// features' glyphs and the caption.
    TaskScene pictureScene(const OdDbSubDMesh& shown, const cae_core::TaskOutput& output,
                           cae_core::ColorPolicy::EType type, const std::string& title) const
    {
        const cae_core::Mesh& mesh = *m_entity->mesh;
        std::vector<double> values(mesh.nbVertices(), std::numeric_limits<double>::quiet_NaN());
        for (std::uint64_t i = 0; i < mesh.nbVertices(); ++i)
        {
            const auto found = output.vertexData.find(mesh.vertex(i)->id());
            if (found == output.vertexData.end())
                continue;
            const auto& d = found->second;
            // The safety factor against the yield stress where the task gives one, else the module's
            // safety value, as its colour policy takes it from the shown stresses.
            const double stress = d.vonMisesStress;
            const double safety = m_summary.yield
                                      ? (stress > 0.0 ? *m_summary.yield / stress : kNoStressSafety)
                                  : stress > 0.0 ? std::min(100.0, 10000.0 / stress)
                                                 : 100.0;
            values[i] = type == cae_core::ColorPolicy::eDisplacement   ? d.displacement.length()
                        : type == cae_core::ColorPolicy::eSafetyFactor ? safety
                                                                       : d.vonMisesStress;
        }
        // The printout has stresses at the corners only; the picture takes them halfway at the mid grids.
        if (mesh.order() == 2 && type != cae_core::ColorPolicy::eDisplacement)
            for (std::uint64_t t = 0; t < mesh.nbTetra(); ++t)
                for (const std::uint64_t m : mesh.tetra(t)->midVertices)
                    if (m < values.size())
                        values[m] = std::numeric_limits<double>::quiet_NaN();
        std::vector<SceneFeature> features;
        for (std::size_t i = 0; i < m_file.features.size() && i < m_model.targets.size(); ++i)
        {
            const FeatureEntry& f = m_file.features[i];
            SceneFeature s;
            s.faces = m_model.targets[i].faces;
            using Kind = FeatureEntry::Kind;
            s.kind = f.kind == Kind::ePressure || f.kind == Kind::eForce ? SceneFeature::EKind::eLoad
                     : f.kind == Kind::eFix                              ? SceneFeature::EKind::eFixed
                                                                         : SceneFeature::EKind::eSliding;
            if (f.kind == Kind::eForce)
                s.direction = f.force;
            else if (f.kind == Kind::ePressure)
                s.direction = f.direction;
            features.push_back(std::move(s));
        }
        OdGePoint3dArray points;
        shown.getVertices(points);
        TaskScene scene = makeTaskScene(mesh, std::vector<OdGePoint3d>(points.begin(), points.end()),
                                        std::move(values), features);
        scene.title = title;
        scene.view =
            m_cl.view == CommandLine::View::eAll ? ETaskView::eIso : static_cast<ETaskView>(m_cl.view);
        if (type == cae_core::ColorPolicy::eSafetyFactor)
        {
            // Red where the part is closest to yielding; the critical range keeps most colours.
            scene.reversed = true;
            scene.clipAtMultipleOfSmallest = 5.0;
        }
        char factor[32];
        // Large factors in whole numbers, as a scale reads: "x 3200", not "x 3.2e+03".
        const double shownFactor = deformFactor();
        if (shownFactor >= 100.0)
            std::snprintf(factor, sizeof factor, "%.0f", std::stod(formatNumber(shownFactor, 3)));
        else
            std::snprintf(factor, sizeof factor, "%.3g", shownFactor);
        scene.caption.push_back(std::string("displacements x ") + factor);
        if (m_summary.mesh)
        {
            std::string line = "mesh: " + std::to_string(m_summary.mesh->tetrahedra) + " " +
                               (mesh.order() == 2 ? "ten-node" : "four-node") + " tetrahedra, " +
                               std::to_string(m_summary.mesh->vertices) + " grids";
            // The size asked for, else the one the mesher chose from the fineness, as its tetrahedra's
            // mean edge.
            if (m_summary.mesh->size)
                line += ", size " + formatNumber(*m_summary.mesh->size, 3) + " " + m_summary.units->length;
            else if (const double edge = meanEdge(mesh); edge > 0.0)
                line += ", mean edge " + formatNumber(edge * m_units.lengthScale, 3) + " " +
                        m_summary.units->length;
            scene.caption.push_back(line);
        }
        return scene;
    }

    /// The mean length of the tetrahedra's corner edges (shared edges counted once per tetrahedron),
    /// in modelling units; 0 for a mesh without tetrahedra.
    static double meanEdge(const cae_core::Mesh& mesh)
    {
        double sum = 0.0;
        for (std::uint64_t t = 0; t < mesh.nbTetra(); ++t)
        {
            const auto& v = mesh.tetra(t)->vertices;
            for (std::size_t a = 0; a < 4; ++a)
                for (std::size_t b = a + 1; b < 4; ++b)
                    sum += mesh.vertex(v[a])->point.distanceTo(mesh.vertex(v[b])->point);
        }
        return mesh.nbTetra() ? sum / (6.0 * static_cast<double>(mesh.nbTetra())) : 0.0;
    }

    /// model.dxf: the result mesh as it stands in the drawing's model space. The drawing's solid has
    /// no DXF form (its body is the kernel's), so the file holds a drawing of the mesh alone; and
    /// DXF faces carry one colour each, so each face takes the mean of its corners' colours. The
    /// legend of the faces' colour map stands right of the mesh with the picture's title and caption.
    void writeDrawing(const OdDbSubDMesh& shown, const cae_core::ColorMap& map, const TaskScene& scene)
    {
        OdGePoint3dArray vertices;
        OdInt32Array faces;
        OdCmEntityColorArray colors;
        shown.getVertices(vertices);
        shown.getFaceArray(faces);
        shown.getVertexColorArray(colors);
        const OdDbDatabasePtr drawing = OdDbDatabase::createObject();
        drawing->setINSUNITS(m_file.units);
        const OdDbSubDMeshPtr mesh = OdDbSubDMesh::createObject();
        mesh->setSubDMesh(vertices, faces, 0);
        int face = 0;
        for (unsigned i = 0; i < faces.size(); i += static_cast<unsigned>(faces[i]) + 1, ++face)
        {
            int rgb[3] = {0, 0, 0};
            const int n = faces[i];
            for (int k = 1; k <= n && colors.size() == vertices.size(); ++k)
            {
                const OdCmEntityColor& c = colors[static_cast<unsigned>(faces[i + static_cast<unsigned>(k)])];
                rgb[0] += c.red();
                rgb[1] += c.green();
                rgb[2] += c.blue();
            }
            OdCmColor color;
            color.setRGB(static_cast<std::uint8_t>(rgb[0] / n), static_cast<std::uint8_t>(rgb[1] / n),
                         static_cast<std::uint8_t>(rgb[2] / n));
            mesh->setSubentColor(OdDbSubentId(OdDb::kFaceSubentType, face), color);
        }
        addRoleLayers(*drawing);
        OdDbBlockTableRecordPtr::cast(drawing->getModelSpaceId().openObject(OdDb::kForWrite))
            ->appendOdDbEntity(mesh.get());
        mesh->setLayer(layers::kMesh);
        OdGeExtents3d extents;
        mesh->getGeomExtents(extents);
        try
        {
            addLegend(*drawing, map, scene.title, scene.caption, extents);
            m_out->write("model.dxf", dxfText(*drawing));
        }
        catch (const OdError& e)
        {
            stop(eExitFailed,
                 {m_cl.file + ": the result drawing cannot be saved: " + std::string(e.description())});
        }
    }

    /// The safety factor pictured where a grid carries no stress: far above any clip of the legend.
    static constexpr double kNoStressSafety = 1e9;

    /// The displacement factor of the pictures: the given one, or the one that draws the largest
    /// displacement as a tenth of the solid's diagonal.
    double deformFactor() const
    {
        if (m_cl.deform)
            return *m_cl.deform;
        // Both in drawing units.
        const double largest = m_summary.maxDisplacement ? m_summary.maxDisplacement->value : 0.0;
        const double diagonal = m_model.body->extents().diagonal().length();
        return largest > 0.0 ? kShownDisplacementShare * diagonal / largest : 0.0;
    }

    const CommandLine& m_cl;
    std::ostream& m_err;
    double m_sizeScale = 1.0;
    ut::StopWatch m_total;
    TaskFile m_file;
    TaskModel m_model;
    std::optional<OutputFolder> m_out;
    TaskSummary m_summary;
    std::shared_ptr<cae_core::Task> m_task;
    std::shared_ptr<cae_core::Entity> m_entity;
    std::shared_ptr<cae_core::TaskOutput> m_output;
    std::filesystem::path m_folder;
    TaskUnits m_units;
    /// The sizes of the applied loads, summed: what the imbalance is measured against.
    double m_balanceScale = 0.0;
};
} // namespace

namespace
{
/// The maxima of a solved run as a step of a convergence study.
ConvergenceStep convergenceStep(const TaskSummary& s, double size)
{
    // Three unknowns at every grid; the mesh's vertices include the mid-side nodes of ten-node
    // tetrahedra.
    return {size,
            s.mesh ? s.mesh->tetrahedra : 0,
            s.mesh ? 3 * s.mesh->vertices : 0,
            s.maxVonMises ? s.maxVonMises->value : 0.0,
            s.maxDisplacement ? s.maxDisplacement->value : 0.0,
            {},
            {}};
}

/// Solves again with elements of 1/1.5 and 1/2.25 of the first run's size and prints the study.
int convergeTask3d(const CommandLine& cl, std::ostream& err, const TaskSummary& first,
                   std::optional<double> size)
{
    if (!size)
    {
        err << cl.file << ": meshing: --converge needs an element \"size\" to make finer\n";
        return eExitInvalid;
    }
    CommandLine finer = cl;
    finer.outDir.reset();
    finer.quiet = true;
    finer.keepWork = false;
    finer.converge.reset();
    if (!cl.quiet)
        std::cout << "Refining until the maxima change by less than " << formatNumber(100.0 * *cl.converge, 3)
                  << "%\n"
                  << std::flush;
    const ConvergenceStudy study =
        convergeSizes(convergenceStep(first, *size), {1 / 1.5, 1 / 2.25}, *cl.converge, 3, cl.maxTetrahedra,
                      [&](double scale) -> std::optional<ConvergenceStep>
                      {
                          TaskRun run(finer, err, scale);
                          if (run.run() != eExitSolved)
                              return std::nullopt;
                          if (!cl.quiet)
                              std::cout << "  solved with element size " << formatNumber(*size * scale, 4)
                                        << "\n"
                                        << std::flush;
                          return convergenceStep(run.summary(), *size * scale);
                      });
    if (!cl.quiet && first.units)
        std::cout << formatConvergence(study, first.units->length, first.units->stress) << std::flush;
    if (cl.outDir)
    {
        // The first run's summary, now with the study beside it.
        TaskSummary summary = first;
        summary.convergence = study;
        try
        {
            writeFileAtomically(std::filesystem::path(*cl.outDir) / kSummaryName, formatTaskSummary(summary));
        }
        catch (const OutputError& e)
        {
            err << "cae: " << e.what() << "\n";
            return eExitFailed;
        }
    }
    return eExitSolved;
}
} // namespace

int runTask3d(const CommandLine& commandLine, std::ostream& err)
{
    TaskSummary summary;
    std::optional<double> size;
    {
        // The task goes before the finer ones are made: the host holds one task of a name at a time.
        TaskRun run(commandLine, err);
        const int status = run.run();
        if (status != eExitSolved || !commandLine.converge)
            return status;
        summary = run.summary();
        size = run.elementSize();
    }
    return convergeTask3d(commandLine, err, summary, size);
}
} // namespace cae_app
