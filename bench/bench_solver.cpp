// The in-house 2D solver on the largest mesh the mesher allows (about 25,000 triangles): the whole run
// against the bare factorisation of the same constrained matrix, and point queries on the solution.

#include "cae_core/solver2d/Solver2d.h"
#include "cae_core/solver2d/detail/VelmorProfile.h"
#include "tests/support/Meshes.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <ctime>
#include <random>

namespace
{

using namespace cae_core;

/// A structured mesh of the 2:1 rectangle [0, 2] x [0, 1]: 158 x 79 cells, 24,964 triangles.
constexpr int kCellsX = 158;
constexpr int kCellsY = 79;

/// A cantilever plate: fixed along x = 0, sliding on y = 0, an edge load on x = 2 and a point load on top.
Solver2dInput benchmarkInput(fea2d::EElementType type)
{
    Solver2dInput input;
    input.elementType = type;
    input.youngsModulus = 210000.0;
    input.poissonRatio = 0.3;
    input.thickness = 5.0;
    input.mode = fea2d::ePlanarStress;
    const test_meshes::RectangleMesh rm = test_meshes::rectangleMesh(2.0, 1.0, kCellsX, kCellsY);
    input.mesh = rm.mesh;
    for (int j = 0; j < kCellsY; ++j)
    {
        input.fixedEdges.push_back({rm.vertex(0, j + 1), rm.vertex(0, j)});
        input.edgeLoads[{rm.vertex(kCellsX, j), rm.vertex(kCellsX, j + 1)}] = OdGeVector2d(0.0, -10.0);
    }
    for (int i = 0; i < kCellsX; ++i)
        input.rollingEdges.push_back({rm.vertex(i, 0), rm.vertex(i + 1, 0)});
    input.vertexForces[rm.vertex(kCellsX / 2, kCellsY)] = OdGeVector2d(5.0, -20.0);
    return input;
}

double peakMemoryMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // ru_maxrss is in kilobytes on Linux
}

/// CPU time of this thread in milliseconds. The machines the benchmarks run on are shared, so run and
/// reference are compared in CPU time, which other processes do not inflate.
double cpuMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

void runExecute(benchmark::State& state, fea2d::EElementType type)
{
    const Solver2dInput input = benchmarkInput(type);
    // The reference: AMD ordering and numeric LDL^T alone, on the very matrix the run factorises.
    double bareMs = 0.0;
    {
        solver2d::detail::ConstrainedSystem system(input);
        constexpr int kRepeats = 3;
        const double start = cpuMilliseconds();
        for (int i = 0; i < kRepeats; ++i)
            if (!system.factorise())
                state.SkipWithError("the benchmark system did not factorise");
        bareMs = (cpuMilliseconds() - start) / kRepeats;
    }
    // Phase times summed over the iterations and reported as means.
    solver2d::detail::VelmorProfile sum;
    double totalMs = 0.0;
    for (auto _ : state)
    {
        Solver2dOutput output;
        solver2d::detail::VelmorProfile profile;
        profile.clock = &cpuMilliseconds;
        const double start = cpuMilliseconds();
        const EResult result = solver2d::detail::executeVelmor(input, output, &profile);
        totalMs += cpuMilliseconds() - start;
        if (result != cae_core::eOk)
            state.SkipWithError("the solver failed");
        benchmark::DoNotOptimize(output.vertexData.data());
        sum.unknowns = profile.unknowns;
        sum.matrixNonZeros = profile.matrixNonZeros;
        sum.factorNonZeros = profile.factorNonZeros;
        sum.modelMs += profile.modelMs;
        sum.assemblyMs += profile.assemblyMs;
        sum.supportsMs += profile.supportsMs;
        sum.factoriseMs += profile.factoriseMs;
        sum.solveMs += profile.solveMs;
        sum.internalForcesMs += profile.internalForcesMs;
        sum.resultsMs += profile.resultsMs;
        sum.evaluatorMs += profile.evaluatorMs;
        state.PauseTiming();
        output = Solver2dOutput(); // released outside the timed region: the caller's output outlives the run
        state.ResumeTiming();
    }
    const double runs = double(state.iterations());
    const solver2d::detail::VelmorProfile& profile = sum;
    totalMs /= runs;
    state.counters["unknowns"] = double(profile.unknowns);
    state.counters["matrixNonZeros"] = double(profile.matrixNonZeros);
    state.counters["factorNonZeros"] = double(profile.factorNonZeros);
    state.counters["modelMs"] = profile.modelMs / runs;
    state.counters["assemblyMs"] = profile.assemblyMs / runs;
    state.counters["supportsMs"] = profile.supportsMs / runs;
    state.counters["factoriseMs"] = profile.factoriseMs / runs;
    state.counters["solveMs"] = profile.solveMs / runs;
    state.counters["internalForcesMs"] = profile.internalForcesMs / runs;
    state.counters["resultsMs"] = profile.resultsMs / runs;
    state.counters["evaluatorMs"] = profile.evaluatorMs / runs;
    // All times are CPU milliseconds of the running thread.
    state.counters["totalMs"] = totalMs;
    state.counters["bareFactorisationMs"] = bareMs;
    state.counters["runOverBareFactorisation"] = totalMs / bareMs;
    state.counters["peakMemoryMB"] = peakMemoryMegabytes();
}

void BM_SolverExecuteTriangle6(benchmark::State& state)
{
    runExecute(state, fea2d::eTriangle6);
}

void BM_SolverExecuteTriangle3(benchmark::State& state)
{
    runExecute(state, fea2d::eTriangle3);
}

void runFactorisation(benchmark::State& state, fea2d::EElementType type)
{
    solver2d::detail::ConstrainedSystem system(benchmarkInput(type));
    for (auto _ : state)
        benchmark::DoNotOptimize(system.factorise());
    state.counters["unknowns"] = double(system.unknowns());
    state.counters["factorNonZeros"] = double(system.factorNonZeros());
}

void BM_SolverBareFactorisationTriangle6(benchmark::State& state)
{
    runFactorisation(state, fea2d::eTriangle6);
}

void BM_SolverBareFactorisationTriangle3(benchmark::State& state)
{
    runFactorisation(state, fea2d::eTriangle3);
}

/// 1,000 points spread over the plate and a little beyond it, on the solution of `type`, each located by the
/// evaluator's scan over all elements of the displayed (scaled) mesh.
void runPointEvaluation(benchmark::State& state, fea2d::EElementType type)
{
    Solver2dOutput output;
    if (solver2d::detail::executeVelmor(benchmarkInput(type), output, nullptr) != cae_core::eOk)
        state.SkipWithError("the solver failed");
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> x(-0.05, 2.05), y(-0.05, 1.05);
    std::vector<OdGePoint2d> points(1000);
    for (OdGePoint2d& p : points)
        p = OdGePoint2d(x(random), y(random));
    const double scale = 100.0;
    std::size_t hits = 0;
    for (auto _ : state)
    {
        hits = 0;
        for (const OdGePoint2d& p : points)
            hits += output.pointEvaluator->evaluate(p, scale).has_value();
    }
    state.counters["points"] = double(points.size());
    state.counters["hits"] = double(hits);
}

void BM_SolverPointEvaluationTriangle6(benchmark::State& state)
{
    runPointEvaluation(state, fea2d::eTriangle6);
}

void BM_SolverPointEvaluationTriangle3(benchmark::State& state)
{
    runPointEvaluation(state, fea2d::eTriangle3);
}

} // namespace

BENCHMARK(BM_SolverExecuteTriangle6)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SolverBareFactorisationTriangle6)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SolverExecuteTriangle3)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SolverBareFactorisationTriangle3)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SolverPointEvaluationTriangle6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SolverPointEvaluationTriangle3)->Unit(benchmark::kMillisecond);
