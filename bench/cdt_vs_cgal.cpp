// The triangulation's bulk insertion against CGAL's Delaunay triangulation on the same random points in the
// unit square, in interleaved rounds (bench/Rounds.h):
//
//   taskset -c 1 build-bench/bench/cdt_vs_cgal [points] [rounds]      (default 1,000,000 points, 7 rounds)
//
// Both take the points as one batch, order them along a space-filling curve themselves and decide with exact
// predicates (CGAL's kernel with exact predicates and inexact constructions). Built only where CGAL's
// headers are installed (Debian's libcgal-dev).

#include "bench/Rounds.h"
#include "cdt/Triangulation.h"

#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace
{
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using CgalTriangulation = CGAL::Delaunay_triangulation_2<Kernel>;
} // namespace

int main(int argc, char** argv)
{
    const std::size_t n = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1'000'000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<CDT::V2d<double>> points(n);
    std::vector<Kernel::Point_2> cgalPoints(n);
    for (std::size_t i = 0; i < n; ++i)
    {
        points[i] = {u(rng), u(rng)};
        cgalPoints[i] = Kernel::Point_2(points[i].x, points[i].y);
    }

    std::size_t ours = 0, theirs = 0;
    std::vector<bench_rounds::Contender> contenders;
    contenders.push_back({"cdt insertVertices", [&]
                          {
                              CDT::Triangulation t;
                              t.insertVertices(points);
                              ours = t.triangles().size();
                          }});
    contenders.push_back({"CGAL Delaunay_triangulation_2", [&]
                          {
                              CgalTriangulation t;
                              t.insert(cgalPoints.begin(), cgalPoints.end());
                              theirs = t.number_of_faces();
                          }});
    // The machine may be shared: the CPU-time ratio is the figure to compare, with the load beside it.
    double loadBefore[1] = {0.0}, loadAfter[1] = {0.0};
    getloadavg(loadBefore, 1);
    std::printf("%zu random points in the unit square\n", n);
    bench_rounds::runRounds(contenders, rounds);
    getloadavg(loadAfter, 1);
    const double cgalCpu = bench_rounds::median(contenders[1].cpu);
    std::printf("cpu time cdt/CGAL: %.3f   (load average %.2f before, %.2f after)\n",
                cgalCpu > 0.0 ? bench_rounds::median(contenders[0].cpu) / cgalCpu : 0.0, loadBefore[0],
                loadAfter[0]);
    // The helper triangle's three vertices add triangles on our side; the counts agree otherwise.
    std::printf("triangles: cdt %zu (with the helper triangle's), CGAL %zu\n", ours, theirs);
    return 0;
}
