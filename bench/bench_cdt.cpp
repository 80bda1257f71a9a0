// Speed and memory of the constrained Delaunay triangulation on the workloads the mesher produces: a bulk
// insertion, random single insertions, and a constrained boundary refined point by point.
//
// Counters: points_per_second; bytes_per_vertex (heap bytes in use by one finished triangulation, from the
// allocator's statistics, so every container counts, private ones included); public_bytes_per_vertex
// (capacities of vertices, triangles and fixedEdges); peak_rss_MB (getrusage, over the whole process so far).

#include "cdt/Triangulation.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <random>
#include <vector>

namespace
{

using Tri = CDT::Triangulation;
using P = CDT::V2d<double>;

std::vector<P> randomPoints(std::size_t n, double x0, double x1, std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(x0, x1);
    std::vector<P> points(n);
    for (P& p : points)
        p = {u(rng), u(rng)};
    return points;
}

/// Heap bytes in use now (small blocks and mapped large ones).
double heapBytesInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

double peakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in kilobytes on Linux
}

double publicBytes(const Tri& t)
{
    return static_cast<double>(t.vertices().capacity() * sizeof(P) +
                               t.triangles().capacity() * sizeof(CDT::Triangle) +
                               t.fixedEdges().size() * (sizeof(CDT::Edge) + 2 * sizeof(void*)) +
                               t.fixedEdges().bucket_count() * sizeof(void*));
}

/// Times `build`, a triangulation of `points` points, then builds once more outside the timed loop to
/// measure the memory of one finished triangulation.
template <typename Build> void timeBuilds(benchmark::State& state, std::size_t points, Build build)
{
    for (auto _ : state)
    {
        Tri t = build();
        benchmark::DoNotOptimize(t.triangles().data());
    }
    const double before = heapBytesInUse();
    const Tri t = build();
    const double after = heapBytesInUse();
    const double n = static_cast<double>(t.vertices().size());
    state.counters["points_per_second"] = benchmark::Counter(
        static_cast<double>(points) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["bytes_per_vertex"] = (after - before) / n;
    state.counters["public_bytes_per_vertex"] = publicBytes(t) / n;
    state.counters["peak_rss_MB"] = peakResidentMegabytes();
}

/// Times inserting `points` as one batch into a fresh triangulation.
void runBatch(benchmark::State& state, const std::vector<P>& points)
{
    const auto build = [&]
    {
        Tri t;
        t.insertVertices(points);
        return t;
    };
    timeBuilds(state, points.size(), build);
}

void BM_CdtBatchRandom(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    runBatch(state, randomPoints(n, 0.0, 1.0, 42));
}
BENCHMARK(BM_CdtBatchRandom)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_CdtOneByOneRandom(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::vector<P> points = randomPoints(n, 0.0, 1.0, 42);
    const auto build = [&]
    {
        Tri t;
        for (const P& p : points)
            t.insertVertices({p});
        return t;
    };
    timeBuilds(state, n, build);
}
BENCHMARK(BM_CdtOneByOneRandom)->Arg(100'000)->Unit(benchmark::kMillisecond);

void BM_CdtSquareBoundaryThenSinglePoints(benchmark::State& state)
{
    // A square boundary of 4,000 constraint edges inserted as one batch, then 50,000 interior points one at a
    // time, as the mesher's refinement does.
    constexpr int perSide = 1000;
    constexpr std::size_t interiorCount = 50'000;
    std::vector<P> boundary;
    const P corners[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const P steps[4] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    for (int side = 0; side < 4; ++side)
        for (int i = 0; i < perSide; ++i)
            boundary.push_back({corners[side].x + steps[side].x * i / perSide,
                                corners[side].y + steps[side].y * i / perSide});
    std::vector<CDT::Edge> edges;
    for (std::size_t i = 0; i < boundary.size(); ++i)
        edges.emplace_back(static_cast<CDT::VertInd>(i),
                           static_cast<CDT::VertInd>((i + 1) % boundary.size()));
    const std::vector<P> interior = randomPoints(interiorCount, 0.0005, 0.9995, 7);
    const auto build = [&]
    {
        Tri t;
        t.insertVertices(boundary);
        t.insertEdges(edges);
        for (const P& p : interior)
            t.insertVertices({p});
        return t;
    };
    timeBuilds(state, boundary.size() + interiorCount, build);
}
BENCHMARK(BM_CdtSquareBoundaryThenSinglePoints)->Unit(benchmark::kMillisecond);

void BM_CdtBatchGrid(benchmark::State& state)
{
    // A regular grid: every quadrilateral is co-circular, so the exact fallback of the in-circle test runs
    // often.
    const auto side = static_cast<int>(state.range(0));
    std::vector<P> points;
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i)
            points.push_back({static_cast<double>(i), static_cast<double>(j)});
    runBatch(state, points);
}
BENCHMARK(BM_CdtBatchGrid)->Arg(316)->Unit(benchmark::kMillisecond);

void BM_CdtEraseOuterTriangles(benchmark::State& state)
{
    // Copy and erase, as the mesher does when it finishes a mesh: 100,000 points inside a constrained square.
    std::vector<P> points = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const std::vector<P> interior = randomPoints(100'000, 0.001, 0.999, 3);
    points.insert(points.end(), interior.begin(), interior.end());
    Tri t;
    t.insertVertices(points);
    t.insertEdges({CDT::Edge(0, 1), CDT::Edge(1, 2), CDT::Edge(2, 3), CDT::Edge(3, 0)});
    for (auto _ : state)
    {
        Tri copy = t;
        copy.eraseOuterTrianglesAndHoles();
        benchmark::DoNotOptimize(copy.triangles().data());
    }
    state.counters["points_per_second"] =
        benchmark::Counter(static_cast<double>(points.size()) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CdtEraseOuterTriangles)->Unit(benchmark::kMillisecond);

} // namespace
