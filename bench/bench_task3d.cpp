// The whole `cae task3d` run of the bracket example at about 200,000 tetrahedra, as the program runs
// it (with --out: summary, result mesh, picture, drawing). Meshing (the host's generator) and the
// solver program are timed apart from the rest, everything the module and the program do around
// them, whose share of the whole must stay at or below 10 %.
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

void BM_Task3dBracket(benchmark::State& state)
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
    std::ifstream example(std::filesystem::path(CAE_SOURCE_DIR) / "examples" / "3d" / "bracket.json");
    std::stringstream text;
    text << example.rdbuf();
    std::string task = text.str();
    const std::string fineness = "\"fineness\": 1";
    task.replace(task.find(fineness), fineness.size(), "\"fineness\": " + std::to_string(kFineness));
    std::ofstream(dir / "bracket.json") << task;

    cae_app::CommandLine cl;
    cl.action = cae_app::CommandLine::Action::eTask3d;
    cl.file = (dir / "bracket.json").string();
    cl.outDir = (dir / "out").string();
    cl.quiet = true;
    double mesh = 0.0, solve = 0.0, total = 0.0, tetras = 0.0;
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
        std::filesystem::remove_all(d["workingFolder"].GetString());
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["tetras"] = tetras;
    state.counters["mesh_s"] = mesh / runs / 1000.0;
    state.counters["solver_s"] = solve / runs / 1000.0;
    state.counters["total_s"] = total / runs / 1000.0;
    state.counters["own_share_pct"] = 100.0 * (total - mesh - solve) / total;
}
BENCHMARK(BM_Task3dBracket)->Iterations(1)->Unit(benchmark::kSecond);
} // namespace
