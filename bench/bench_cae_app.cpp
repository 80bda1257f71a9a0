// The `cae` program's own share of a run. The plate-with-a-hole example (200 x 100 with a hole of
// radius 5, pulled on its right end) is analysed at the finest mesh size that stays within the
// mesher's triangle budget (found by bisection on the mesher alone before the runs), without
// refinement regions, six-node elements, through the same entry point as `cae analyze2d --quiet
// --out DIR`: reading the file, building the drawing and region, checking, meshing, solving,
// formatting and writing summary.json and result.vtu.
//
// Counters: size and triangles of the mesh; module_ms, the module's own meshing and solving time as
// the program measures it; total_ms, the whole command; overhead, total_ms / module_ms, whose target
// is at most 1.2.

#include "apps/Analyze2d.h"
#include "apps/CommandLine.h"
#include "apps/ModuleSession.h"
#include "apps/drawing/Drawing.h"
#include "apps/drawing/RegionBuilder.h"
#include "apps/file/AnalysisFile.h"
#include "apps/file/Loops.h"

#include "cae_core/mesher2d/DelaunayMesher.h"

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace
{
/// The example's plate with the mesh size left open.
std::string plateText(double size)
{
    std::ostringstream s;
    s.precision(17);
    s << R"({
  "drawing": {"measurement": "metric", "insunits": "millimeters"},
  "region": {
    "outer": [
      {"line": {"from": [0, 0], "to": [200, 0]}},
      {"line": {"from": [200, 0], "to": [200, 100]}},
      {"line": {"from": [200, 100], "to": [0, 100]}},
      {"line": {"from": [0, 100], "to": [0, 0]}}
    ],
    "holes": [[{"circle": {"center": [100, 50], "radius": 5}}]]
  },
  "mode": "planeStress",
  "elementType": "triangle6",
  "material": {"thickness": 5, "youngsModulus": 210000, "poissonRatio": 0.3, "yield": 235},
  "mesh": {"size": )"
      << size << R"(},
  "loadsAndSupports": [
    {"linearLoad": {"start": [200, 0], "end": [200, 100], "magnitude": 250, "angleDeg": -90,
                    "angleRelativeToBoundary": true, "flipped": true}},
    {"linearSupport": {"start": [0, 100], "end": [0, 0], "rolling": true, "flipped": true}},
    {"pointSupport": {"location": [200, 50], "rolling": true, "direction": [0, 1]}}
  ]
})";
    return s.str();
}

/// Bisection stops when the bracket is this narrow relative to the size.
constexpr double kBisectionRelativeWidth = 1e-3;

/// Whether the mesher meshes the plate's region, split as the program splits it, at `size`.
bool meshes(double size)
{
    cae_app::AnalysisFile file = cae_app::parseAnalysisText(plateText(size), "plate");
    cae_app::prepareLoops(file.outer, file.holes, "plate");
    std::vector<cae_app::BoundaryPoint> points = cae_app::linearEnds(file);
    const double tolerance = cae_app::kJoinPrecision * cae_app::regionSize(file.outer, file.holes);
    const OdDbRegionPtr region = cae_app::buildRegion(file.outer, file.holes, points, tolerance, "plate");
    cae_core::DelaunayMesher mesher;
    return mesher.createMesh(region, size, nullptr, file.mesh.smoothing) == cae_core::eOk;
}

double finestSize()
{
    double fine = 0.5, coarse = 8.0; // 0.5 is far past the budget, 8 far within it
    while (coarse - fine > kBisectionRelativeWidth * coarse)
    {
        const double mid = 0.5 * (fine + coarse);
        (meshes(mid) ? coarse : fine) = mid;
    }
    return coarse;
}

void BM_CaeAnalyzePlateAtFinestSize(benchmark::State& state)
{
    const double size = finestSize();
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "cae_bench_plate";
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / "plate.json";
    std::ofstream(file) << plateText(size);

    // As the program does: the module file's start-up installs the mesher.
    const cae_app::ModuleSession session(CAE_MODULE_FILE);
    if (!session.loaded())
    {
        state.SkipWithError(session.error().c_str());
        return;
    }
    cae_app::CommandLine cl;
    cl.action = cae_app::CommandLine::Action::eAnalyze2d;
    cl.file = file.string();
    cl.outDir = (dir / "out").string();
    cl.quiet = true;

    double module = 0.0, total = 0.0;
    std::uint64_t triangles = 0;
    for (auto _ : state)
    {
        std::ostringstream err;
        if (cae_app::runAnalyze2d(cl, err) != cae_app::eExitSolved)
        {
            state.SkipWithError(err.str().c_str());
            break;
        }
        state.PauseTiming();
        std::ifstream in(dir / "out" / "summary.json");
        std::stringstream text;
        text << in.rdbuf();
        rapidjson::Document summary;
        summary.Parse(text.str().c_str());
        module += summary["timeMs"]["mesh"].GetDouble() + summary["timeMs"]["solve"].GetDouble();
        total += summary["timeMs"]["total"].GetDouble();
        triangles = summary["mesh"]["triangles"].GetUint64();
        state.ResumeTiming();
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["size"] = size;
    state.counters["triangles"] = static_cast<double>(triangles);
    state.counters["module_ms"] = module / runs;
    state.counters["total_ms"] = total / runs;
    state.counters["overhead"] = module > 0.0 ? total / module : 0.0;
    std::filesystem::remove_all(dir);
}
} // namespace

BENCHMARK(BM_CaeAnalyzePlateAtFinestSize)->Unit(benchmark::kMillisecond)->Iterations(5);

namespace
{
/// Checking the loops of a plate with 100 x 100 circular holes against each other (closing,
/// orienting, holes inside the outer loop, apart from it and from each other). Target: well under a
/// second, so that the check is never what a user with many holes waits for.
void BM_PrepareLoopsOfTenThousandHoles(benchmark::State& state)
{
    cae_app::BoundaryLoop outer{{}, "region.outer"};
    const OdGePoint2d corners[] = {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}};
    for (int i = 0; i < 4; ++i)
        outer.curves.push_back(
            {cae_app::LineCurve{corners[i], corners[(i + 1) % 4]}, "region.outer", "line"});
    std::vector<cae_app::BoundaryLoop> holes;
    for (int i = 0; i < 100; ++i)
        for (int j = 0; j < 100; ++j)
            holes.push_back({{{cae_app::ArcCurve{{5.0 + 10.0 * i, 5.0 + 10.0 * j}, 3.0, 0.0, 2.0 * M_PI},
                               "region.holes", "circle"}},
                             "region.holes"});
    for (auto _ : state)
    {
        auto o = outer;
        auto h = holes;
        cae_app::prepareLoops(o, h, "plate");
        benchmark::DoNotOptimize(h.data());
    }
}
} // namespace

BENCHMARK(BM_PrepareLoopsOfTenThousandHoles)->Unit(benchmark::kMillisecond);
