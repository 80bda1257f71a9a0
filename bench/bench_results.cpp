// The result display of the 25,000-triangle plate with a hole: building the interactive result (tables,
// coloured shell, reaction arrows) and rendering the host's view of it as a 1600 x 1000 PNG, each against
// the plate's solve time. Counters: triangles, solveMs, ms, overSolve (the share of the solve time; the
// target is at most 0.2).

#include "BenchPlate.h"

#include "cae_core/fea2d/Simulation.h"
#include "cae_core/mesher2d/DelaunayMesher.h"
#include "cae_core/results2d/InteractiveResult.h"
#include "host/ca/Application.h"
#include "host/oa/DwgViewer.h"
#include "platform/db/DbDatabase.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <numbers>

namespace
{
using namespace cae_core;
using namespace cae_core::fea2d;

/// About 25,000 triangles on the plate (200 x 100 less the hole).
constexpr double kMeshSize = 1.35;

double cpuMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

class BenchContext : public Context
{
public:
    BenchContext() : m_db(OdDbDatabase::createObject()) {}
    OdDbDatabase* database() const override { return m_db.get(); }
    OdString unitName(OdDb::UnitsValue) override { return L"mm"; }

private:
    OdDbDatabasePtr m_db;
};

/// The solved plate, pulled on its right edge, rolling on its left; solved once for all benchmarks.
struct SolvedPlate
{
    BenchContext context;
    SimulationOutput output;
    double solveMs = 0.0;
    std::size_t triangles = 0;

    SolvedPlate()
    {
        Params2d params;
        params.region = bench_plate::plateWithHole();
        DelaunayMesher mesher;
        // The mesher refuses sizes whose mesh would exceed its triangle budget: coarsen until it meshes.
        for (double size = kMeshSize; !params.mesh; size *= 1.02)
            if (mesher.createMesh(params.region, size, nullptr, 0) == cae_core::eOk)
                params.mesh = mesher.getMesh();
        params.elementType = eTriangle6;
        params.materialProperties = MaterialProperties{5.0, 210000.0, 0.3, 235.0};
        params.loadsAndSupports = {
            LinearLoad{OdDbObjectId(), 250.0, true, -std::numbers::pi / 2, OdGePoint2d(200, 0),
                       OdGePoint2d(200, 100), true},
            LinearSupport{OdDbObjectId(), OdGePoint2d(0, 100), OdGePoint2d(0, 0), true, true},
            PointSupport{OdDbObjectId(), OdGeVector2d(0, 1), OdGePoint2d(200, 50), true},
        };
        const double start = cpuMilliseconds();
        output = runSimulation(params, Solver2d::eInHouse);
        solveMs = cpuMilliseconds() - start;
        triangles = output.solverOutput.elementData.size();
    }
};

const SolvedPlate& plate()
{
    static const SolvedPlate s;
    return s;
}

void report(benchmark::State& state, double totalMs)
{
    const double ms = totalMs / double(state.iterations());
    state.counters["triangles"] = double(plate().triangles);
    state.counters["solveMs"] = plate().solveMs;
    state.counters["ms"] = ms;
    state.counters["overSolve"] = ms / plate().solveMs;
}

void BM_BuildInteractiveResult(benchmark::State& state)
{
    const SolvedPlate& p = plate();
    ca::Application app;
    oa::DwgViewer viewer;
    app.setCurrentViewer(&viewer);
    double total = 0.0;
    for (auto _ : state)
    {
        const double start = cpuMilliseconds();
        InteractiveResult result(p.output, p.context);
        total += cpuMilliseconds() - start;
        benchmark::DoNotOptimize(&result);
    }
    report(state, total);
}

void BM_RenderResultPng(benchmark::State& state)
{
    const SolvedPlate& p = plate();
    ca::Application app;
    oa::DwgViewer viewer;
    app.setCurrentViewer(&viewer);
    InteractiveResult result(p.output, p.context);
    double total = 0.0;
    for (auto _ : state)
    {
        const double start = cpuMilliseconds();
        const std::string png = viewer.view().renderPng(1600, 1000);
        total += cpuMilliseconds() - start;
        benchmark::DoNotOptimize(png.data());
    }
    report(state, total);
}

BENCHMARK(BM_BuildInteractiveResult)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderResultPng)->Unit(benchmark::kMillisecond);
} // namespace
