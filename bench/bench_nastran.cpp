// The external solver's files at the size of a large 3D task (200,000 tetrahedra): writing its deck and
// reading back its printed results (about 3.3 million lines). Target: at most 1 s each.

#include "cae_core/nastran/F06Reader.h"
#include "cae_core/nastran/TaskDeck.h"
#include "cae_core/task/Factory.h"
#include "cae_core/task/Mesh.h"

#include <benchmark/benchmark.h>

#include <array>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace
{

constexpr std::uint64_t kTetrahedra = 200'000;
constexpr std::uint64_t kGrids = 37'000;

/// Appends a printed number field: 13 characters, a blank where a positive value has no sign.
void field(std::string& out, double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "% .6E", value);
    out += text;
}

/// A results file of the task's size in the solver's layout: the displacement table, then per
/// tetrahedron its element line and the three lines of its centre and of each corner.
const std::filesystem::path& largeResults()
{
    static const std::filesystem::path path = []
    {
        const auto file = std::filesystem::temp_directory_path() /
                          ("cae_bench_task_" + std::to_string(::getpid()) + ".f06");
        std::string text =
            "                                             D I S P L A C E M E N T   V E C T O R\n \n"
            "      POINT ID.   TYPE          T1             T2             T3             R1     "
            "        R2             R3\n";
        char head[64];
        for (std::uint64_t g = 1; g <= kGrids; ++g)
        {
            std::snprintf(head, sizeof head, "%14llu      G     ", static_cast<unsigned long long>(g));
            text += head;
            for (int k = 0; k < 6; ++k)
            {
                field(text, 1e-6 * static_cast<double>(g) - 1e-3 * k);
                text += k < 5 ? "  " : "\n";
            }
        }
        text +=
            "                   S T R E S S E S   I N    T E T R A H E D R O N   S O L I D   E L E M E N T S"
            "   ( C T E T R A )\n";
        std::ofstream out(file, std::ios::binary);
        for (std::uint64_t e = 1; e <= kTetrahedra; ++e)
        {
            std::snprintf(head, sizeof head, "0%10llu           0GRID CS  4 GP\n",
                          static_cast<unsigned long long>(e));
            text += head;
            for (int p = 0; p < 5; ++p)
            {
                const std::string point =
                    p == 0 ? std::string("CENTER")
                           : std::to_string((e * 4 + static_cast<std::uint64_t>(p)) % kGrids + 1);
                std::snprintf(head, sizeof head, "0%22s  X  ", point.c_str());
                text += head;
                field(text, 4.363144e3);
                text += "  XY  ";
                field(text, 1.354255e3);
                text += "   A  ";
                field(text, 3.054184e4);
                text += "  LX-0.10-0.70-0.70   ";
                field(text, -1.289711e4);
                text += "   ";
                field(text, 2.0e4 + static_cast<double>(e % 977));
                text +=
                    "\n                         Y   4.330592E+03  YZ  -2.599933E+03   B   2.992493E+03  "
                    "LY-0.10 0.71-0.69\n                         Z   2.999760E+04  ZX  -2.599933E+03   C   "
                    "5.157004E+03  LZ 0.99 0.00-0.15\n";
            }
            if (text.size() > (std::size_t(1) << 24))
            {
                out << text;
                text.clear();
            }
        }
        out << text;
        return file;
    }();
    return path;
}

/// A box of 32 x 32 x 33 cubes, each cut into six tetrahedra around its diagonal (202,752 in all), fixed
/// at its bottom and pressed on its top (2,048 loaded triangles).
const cae_core::Task& largeTask()
{
    static const std::shared_ptr<cae_core::Task> task = []
    {
        using namespace cae_core;
        constexpr int nx = 32, ny = 32, nz = 33;
        auto t = Factory::instance().createTask(L"Large", OdDb::kUnitsMeters, true);
        auto entity = Factory::instance().createEntity(t.get(), OdDbObjectId(0x10));
        auto mesh = Factory::instance().createMesh(t.get());
        entity->mesh = mesh;
        const auto at = [](int i, int j, int k) { return std::uint64_t((k * (ny + 1) + j) * (nx + 1) + i); };
        for (int k = 0; k <= nz; ++k)
            for (int j = 0; j <= ny; ++j)
                for (int i = 0; i <= nx; ++i)
                    mesh->addVertex(OdGePoint3d(i, j, k), OdDbSubentId());
        auto pressure = Factory::instance().createPressure(t.get(), OdDbObjectId(0x11));
        pressure->entity = entity;
        pressure->magnitude = 1.5;
        auto constraint = Factory::instance().createConstraint(t.get(), OdDbObjectId(0x12));
        constraint->entity = entity;
        // The corners of a cube by bits (x = 1, y = 2, z = 4), and its six tetrahedra along 0 -> 7.
        static constexpr int kAxes[6][2] = {{1, 2}, {1, 4}, {2, 1}, {2, 4}, {4, 1}, {4, 2}};
        for (int k = 0; k < nz; ++k)
            for (int j = 0; j < ny; ++j)
                for (int i = 0; i < nx; ++i)
                {
                    const auto corner = [&](int bits)
                    { return at(i + (bits & 1), j + ((bits >> 1) & 1), k + ((bits >> 2) & 1)); };
                    for (const auto& a : kAxes)
                        mesh->addTetra({corner(0), corner(a[0]), corner(a[0] | a[1]), corner(7)});
                    if (k == nz - 1)
                    {
                        for (const auto& f : {std::array<int, 3>{4, 5, 7}, std::array<int, 3>{4, 6, 7}})
                        {
                            OdArray<std::uint64_t> face;
                            for (const int c : f)
                                face.append(corner(c));
                            pressure->faces.append(face);
                        }
                    }
                }
        for (int j = 0; j <= ny; ++j)
            for (int i = 0; i <= nx; ++i)
                constraint->vertices.append(at(i, j, 0));
        return t;
    }();
    return *task;
}

void BM_WriteTaskDeck(benchmark::State& state)
{
    const cae_core::Task& task = largeTask();
    for (auto _ : state)
    {
        std::string deck;
        if (cae_core::buildTaskDeck(task, deck) != cae_core::eOk)
            state.SkipWithError("the deck was not built");
        benchmark::DoNotOptimize(deck);
        state.counters["MB"] = static_cast<double>(deck.size()) / 1e6;
    }
}
BENCHMARK(BM_WriteTaskDeck)->Unit(benchmark::kMillisecond);

void BM_ReadTaskResults(benchmark::State& state)
{
    const auto& file = largeResults();
    for (auto _ : state)
    {
        std::ifstream in(file, std::ios::binary);
        const cae_core::GridResults results = cae_core::readGridResults(in);
        if (results.size() != kGrids)
            state.SkipWithError("the reader missed grids");
        benchmark::DoNotOptimize(results);
    }
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
}
BENCHMARK(BM_ReadTaskResults)->Unit(benchmark::kMillisecond);

/// Removes the generated file when the benchmark program ends.
struct Cleanup
{
    ~Cleanup()
    {
        std::error_code ignored;
        std::filesystem::remove(std::filesystem::temp_directory_path() /
                                    ("cae_bench_task_" + std::to_string(::getpid()) + ".f06"),
                                ignored);
    }
} s_cleanup;

} // namespace
