// The whole `cae task3d` run of the bracket example, as the program runs it (with --out: summary,
// result mesh, picture, drawing): at about 200,000 four-node tetrahedra and at about 60,000 ten-node
// ones. Meshing (the host's generator) and the solver program are timed apart from the rest,
// everything the module and the program do around them, whose share of the whole must stay at or
// below 10 %. The result picture alone, of the same 200,000-tetrahedron mesh, must stay below 10 %
// of that whole run.
#include "apps/CommandLine.h"
#include "apps/ModuleSession.h"
#include "apps/task3d/Task3d.h"
#include "apps/task3d/TaskFile.h"
#include "apps/task3d/TaskModel.h"
#include "apps/task3d/TaskPicture.h"
#include "cae_core/task/Factory.h"
#include "cae_core/task/Mesh.h"
#include "host/tetra/GmshTetraMeshGenerator.h"
#include "host/ut/Reporter.h"
#include "host/ut/StopWatch.h"

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace
{
/// The fineness that meshes the bracket into about 200,000 tetrahedra.
constexpr double kFineness = 0.07;
/// The fineness that meshes it into about 60,000.
constexpr double kFineness60k = 0.19;

/// The bracket example at `fineness`, on ten-node or four-node tetrahedra, as a task file in `dir`.
std::filesystem::path bracketTask(const std::filesystem::path& dir, double fineness, bool quadratic)
{
    std::ifstream example(std::filesystem::path(CAE_SOURCE_DIR) / "examples" / "3d" / "bracket.json");
    std::stringstream text;
    text << example.rdbuf();
    std::string task = text.str();
    const std::string meshing = "\"meshing\": {\"fineness\": 1}";
    task.replace(task.find(meshing), meshing.size(),
                 "\"meshing\": {\"fineness\": " + std::to_string(fineness) +
                     "},\n  \"deck\": {\"elements\": \"" + (quadratic ? "quadratic" : "linear") + "\"}");
    const std::filesystem::path file = dir / (quadratic ? "bracket_quadratic.json" : "bracket_linear.json");
    std::ofstream(file) << task;
    return file;
}

/// Runs `cae task3d` on the bracket in every iteration and reports the stages' times, the mesh and the
/// largest (tip) displacement, in mm.
void runBracket(benchmark::State& state, double fineness, bool quadratic)
{
    const cae_app::ModuleSession session(CAE_MODULE_FILE);
    if (!session.loaded())
    {
        state.SkipWithError(session.error().c_str());
        return;
    }
    cae_app::useSolverProgramIn(std::filesystem::path(CAE_MODULE_FILE).parent_path());
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "cae_bench_task3d";
    std::filesystem::create_directories(dir);

    cae_app::CommandLine cl;
    cl.action = cae_app::CommandLine::Action::eTask3d;
    cl.file = bracketTask(dir, fineness, quadratic).string();
    // One folder per variant: the picture benchmark reads the four-node run's summary back.
    cl.outDir = (dir / std::filesystem::path(cl.file).stem()).string();
    cl.quiet = true;
    double mesh = 0.0, solve = 0.0, total = 0.0, tetras = 0.0, tip = 0.0;
    for (auto _ : state)
    {
        std::ostringstream err;
        if (cae_app::runTask3d(cl, err) != cae_app::eExitSolved)
        {
            state.SkipWithError(err.str().c_str());
            return;
        }
        std::ifstream in(std::filesystem::path(*cl.outDir) / "summary.json");
        std::stringstream s;
        s << in.rdbuf();
        rapidjson::Document d;
        d.Parse(s.str().c_str());
        const auto& t = d["timeMs"];
        mesh += t["mesh"].GetDouble();
        solve += t["solve"].GetDouble();
        total += t["total"].GetDouble();
        tetras = d["mesh"]["tetrahedra"].GetDouble();
        tip = d["maxDisplacement"]["value"].GetDouble();
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["tetras"] = tetras;
    state.counters["tip_mm"] = tip;
    state.counters["mesh_s"] = mesh / runs / 1000.0;
    state.counters["solver_s"] = solve / runs / 1000.0;
    state.counters["total_s"] = total / runs / 1000.0;
    state.counters["own_share_pct"] = 100.0 * (total - mesh - solve) / total;
}

/// The module's and the program's share around the mesher and the solver, on four-node tetrahedra: the
/// road whose share was measured before ten-node ones became the default.
void BM_Task3dBracket(benchmark::State& state)
{
    runBracket(state, kFineness, false);
}
BENCHMARK(BM_Task3dBracket)->Iterations(1)->Unit(benchmark::kSecond);

/// Accuracy for time: ten-node tetrahedra at about 60,000 elements against four-node ones at about
/// 200,000; the tip counters tell how far each is from the converged deflection.
void BM_Task3dBracketQuadratic60k(benchmark::State& state)
{
    runBracket(state, kFineness60k, true);
}
BENCHMARK(BM_Task3dBracketQuadratic60k)->Iterations(1)->Unit(benchmark::kSecond);

/// The result picture alone as the program draws it (scene, SVG and PNG at the default 1600 x 1000) of
/// the bracket meshed as BM_Task3dBracket meshes it, with a stress-like field rising from the fixed end
/// in place of the solved one (the drawing's work does not depend on the values). Its share is taken
/// of the whole run BM_Task3dBracket stored, so that the solve is not repeated; without that run the
/// share is not reported.
void BM_Task3dBracketPicture(benchmark::State& state)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "cae_bench_task3d";
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = bracketTask(dir, kFineness, false);
    std::ifstream taskText(file);
    std::stringstream text;
    text << taskText.rdbuf();
    const cae_app::TaskFile task =
        cae_app::parseTaskText(text.str(), file.filename().string(), file.parent_path());
    const cae_app::TaskModel model = cae_app::buildTaskModel(task);
    tetra::GmshTetraMeshGenerator::Settings settings;
    settings.order = 1;
    cae_core::TetraMeshGenerator::init(std::make_unique<tetra::GmshTetraMeshGenerator>(settings));
    const std::shared_ptr<cae_core::Task> owner =
        cae_core::Factory::instance().createTask(OdString(L"picture"), task.units, true);
    const auto entity = cae_core::Factory::instance().createEntity(owner.get(), model.solidId);
    std::ostringstream log;
    ut::StreamReporter reporter(log);
    cae_core::MeshingParameters parameters = cae_core::MeshingParameters::buildParameters(kFineness);
    std::shared_ptr<cae_core::Mesh> mesh;
    if (cae_core::TetraMeshGenerator::get().generate(reporter, model.solidId, owner.get(), entity.get(),
                                                     parameters, mesh) != cae_core::eOk)
    {
        state.SkipWithError(("the bracket cannot be meshed: " + log.str()).c_str());
        return;
    }
    OdSmartPtr<OdDbSubDMesh> db = OdDbSubDMesh::createObject();
    mesh->applyDbMesh(false, false, db);
    OdGePoint3dArray vertices;
    db->getVertices(vertices);
    const std::vector<OdGePoint3d> points(vertices.begin(), vertices.end());
    std::vector<double> values;
    for (const OdGePoint3d& p : points)
        values.push_back(100.0 - p.x);
    std::vector<cae_app::SceneFeature> features;
    for (std::size_t i = 0; i < task.features.size() && i < model.targets.size(); ++i)
        features.push_back(
            {i == 0 ? cae_app::SceneFeature::EKind::eFixed : cae_app::SceneFeature::EKind::eLoad,
             model.targets[i].faces,
             {}});

    double seconds = 0.0;
    for (auto _ : state)
    {
        ut::StopWatch watch;
        cae_app::TaskScene scene = cae_app::makeTaskScene(*mesh, points, values, features);
        scene.title = "von Mises stress [MPa]";
        const cae_app::TaskPicture picture(scene);
        benchmark::DoNotOptimize(picture.svg(1600, 1000));
        benchmark::DoNotOptimize(picture.png(1600, 1000));
        seconds += watch.time() / 1000.0;
    }
    cae_core::Factory::instance().onTaskDestroyed(owner.get());
    const double runs = static_cast<double>(state.iterations());
    state.counters["tetras"] = static_cast<double>(mesh->nbTetra());
    state.counters["picture_s"] = seconds / runs;
    std::ifstream stored(dir / "bracket_linear" / "summary.json");
    std::stringstream summary;
    summary << stored.rdbuf();
    rapidjson::Document d;
    d.Parse(summary.str().c_str());
    if (d.IsObject() && d.HasMember("timeMs") && d["timeMs"].HasMember("total"))
    {
        const double whole = d["timeMs"]["total"].GetDouble() / 1000.0;
        state.counters["whole_run_s"] = whole;
        state.counters["picture_share_pct"] = 100.0 * seconds / runs / whole;
    }
}
BENCHMARK(BM_Task3dBracketPicture)->Iterations(1)->Unit(benchmark::kSecond);
} // namespace
