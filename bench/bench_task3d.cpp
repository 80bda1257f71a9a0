// The whole `cae task3d` run of the bracket example, as the program runs it (with --out: summary,
// result mesh, picture, drawing): at about 200,000 four-node tetrahedra and at about 60,000 ten-node
// ones. Meshing (the host's generator) and the solver program are timed apart from the rest,
// everything the module and the program do around them, whose share of the whole must stay at or
// below 10 %.
#include "apps/CommandLine.h"
#include "apps/ModuleSession.h"
#include "apps/task3d/Task3d.h"

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
    cl.outDir = (dir / "out").string();
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
        std::ifstream in(dir / "out" / "summary.json");
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
} // namespace
