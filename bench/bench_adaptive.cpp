// Speed of adaptive refinement on the plate with a hole (200 x 100, hole of radius 20 in the middle), from a
// coarse start, with a cheap field: an analytic vector field with a stress-concentration-like peak at the
// hole, interpolated linearly on each mesh. The field changes between meshes where the mesh is too coarse
// for it (near the hole), so refinement concentrates there as it would with a solver.
//
// Counters: iterations (refinement iterations run); final_triangles; ms_per_iteration (wall time of the
// whole call per iteration); own_ms_per_iteration (the same without the time spent computing fields, i.e.
// what the mesher itself costs: two triangulations, smoothing and the point bookkeeping).

#include "bench/BenchPlate.h"
#include "cae_core/mesher2d/DelaunayMesher.h"
#include "cae_core/mesher2d/MeshVectorField2d.h"
#include "platform/db/DbRegion.h"
#include "platform/db/DbSubDMesh.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace
{

using bench_plate::kHoleRadius;
using bench_plate::plateWithHole;
const OdGePoint2d kHoleCentre(bench_plate::kHoleCentreX, bench_plate::kHoleCentreY);

/// Relative change of the field below which a point needs no refinement (1 %), against a floor of a
/// hundredth of the field's peak so that near-zero values do not demand refinement on their own.
constexpr double kRelativeChange = 0.01;
constexpr double kValueFloor = 0.01;

/// Barycentric slack for locating a point in a triangle: points on a shared edge or on the boundary
/// (computed as curve midpoints) are off by rounding only.
constexpr double kBarycentricSlack = 1e-9;

/// (R/r)^2 (cos 2t, sin 2t) about the hole's centre: 1 on the hole, falling off with the square of the
/// distance, like the disturbance a hole makes in a uniform stress.
OdGeVector2d analytic(const OdGePoint2d& p)
{
    const double dx = p.x - kHoleCentre.x;
    const double dy = p.y - kHoleCentre.y;
    const double r2 = dx * dx + dy * dy;
    const double f = kHoleRadius * kHoleRadius / r2;
    // cos 2t = (dx^2 - dy^2) / r^2, sin 2t = 2 dx dy / r^2
    return OdGeVector2d(f * (dx * dx - dy * dy) / r2, f * 2.0 * dx * dy / r2);
}

/// The analytic field interpolated linearly on a mesh's triangles, located through a uniform bucket grid.
class InterpolatedField : public cae_core::MeshVectorField2d
{
public:
    explicit InterpolatedField(const OdDbSubDMesh& mesh)
    {
        OdGePoint3dArray vertices;
        OdInt32Array faces;
        mesh.getVertices(vertices);
        mesh.getFaceArray(faces);
        for (const OdGePoint3d& v : vertices)
        {
            m_points.emplace_back(v.x, v.y);
            m_values.push_back(analytic(m_points.back()));
        }
        for (unsigned i = 0; i + 3 < faces.size(); i += 4)
            m_triangles.push_back({static_cast<unsigned>(faces[i + 1]), static_cast<unsigned>(faces[i + 2]),
                                   static_cast<unsigned>(faces[i + 3])});

        m_nx = m_ny = std::max<std::size_t>(1, static_cast<std::size_t>(std::sqrt(m_triangles.size() / 2.0)));
        m_cellX = bench_plate::kWidth / m_nx;
        m_cellY = bench_plate::kHeight / m_ny;
        m_cells.resize(m_nx * m_ny);
        for (unsigned t = 0; t < m_triangles.size(); ++t)
        {
            double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
            for (const unsigned v : m_triangles[t])
            {
                x0 = std::min(x0, m_points[v].x);
                x1 = std::max(x1, m_points[v].x);
                y0 = std::min(y0, m_points[v].y);
                y1 = std::max(y1, m_points[v].y);
            }
            for (std::size_t i = cellX(x0); i <= cellX(x1); ++i)
                for (std::size_t j = cellY(y0); j <= cellY(y1); ++j)
                    m_cells[j * m_nx + i].push_back(t);
        }
    }

    OdGeVector2d getValue(const OdGePoint2d& p) const override
    {
        const std::vector<unsigned>& cell = m_cells[cellY(p.y) * m_nx + cellX(p.x)];
        unsigned nearest = m_triangles.empty() ? 0 : m_triangles.front()[0];
        for (const unsigned t : cell)
        {
            const OdGePoint2d& a = m_points[m_triangles[t][0]];
            const OdGePoint2d& b = m_points[m_triangles[t][1]];
            const OdGePoint2d& c = m_points[m_triangles[t][2]];
            const double d = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
            const double r = ((p.x - a.x) * (c.y - a.y) - (c.x - a.x) * (p.y - a.y)) / d;
            const double s = ((b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y)) / d;
            if (r >= -kBarycentricSlack && s >= -kBarycentricSlack && r + s <= 1.0 + kBarycentricSlack)
                return m_values[m_triangles[t][0]] * (1.0 - r - s) + m_values[m_triangles[t][1]] * r +
                       m_values[m_triangles[t][2]] * s;
            if (p.distanceTo(a) < p.distanceTo(m_points[nearest]))
                nearest = m_triangles[t][0];
        }
        // Only rounding puts a point of the domain off every triangle: take the nearest corner met.
        return m_values.empty() ? OdGeVector2d() : m_values[nearest];
    }

    bool isValid() const override { return !m_triangles.empty(); }

private:
    std::size_t cellX(double x) const
    {
        return static_cast<std::size_t>(
            std::clamp(std::floor(x / m_cellX), 0.0, static_cast<double>(m_nx - 1)));
    }
    std::size_t cellY(double y) const
    {
        return static_cast<std::size_t>(
            std::clamp(std::floor(y / m_cellY), 0.0, static_cast<double>(m_ny - 1)));
    }

    std::vector<OdGePoint2d> m_points;
    std::vector<OdGeVector2d> m_values;
    std::vector<std::array<unsigned, 3>> m_triangles;
    std::size_t m_nx = 1, m_ny = 1;
    double m_cellX = 1.0, m_cellY = 1.0;
    std::vector<std::vector<unsigned>> m_cells;
};

bool relativelyUnchanged(OdGeVector2d oldValue, OdGeVector2d newValue)
{
    const double scale = std::max({oldValue.length(), newValue.length(), kValueFloor});
    return (newValue - oldValue).length() <= kRelativeChange * scale;
}

/// Adaptive refinement of the plate meshed at the size given as the benchmark's argument.
void BM_AdaptivePlateWithHole(benchmark::State& state)
{
    const double size = static_cast<double>(state.range(0));
    const OdSmartPtr<OdDbRegion> region = plateWithHole();
    double fieldSeconds = 0.0;
    int fieldCalls = 0;
    cae_core::Mesher2d::AdaptiveRefinementParams params;
    params.computeField = [&](OdSmartPtr<OdDbSubDMesh> mesh)
    {
        const auto start = std::chrono::steady_clock::now();
        auto field = std::make_shared<InterpolatedField>(*mesh);
        fieldSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ++fieldCalls;
        return field;
    };
    params.fieldConverged = relativelyUnchanged;

    double totalSeconds = 0.0;
    int triangles = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        cae_core::DelaunayMesher mesher;
        if (mesher.createMesh(region, size, nullptr, 5) != cae_core::eOk)
        {
            state.SkipWithError("the plate could not be meshed");
            return;
        }
        fieldSeconds = 0.0;
        fieldCalls = 0;
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        if (mesher.adaptivelyRefineMesh(params, nullptr) != cae_core::eOk)
        {
            state.SkipWithError("adaptive refinement failed");
            return;
        }
        totalSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        state.PauseTiming();
        mesher.getMesh()->numOfFaces(triangles);
        state.ResumeTiming();
    }
    const double iterations = fieldCalls / 2.0;
    state.counters["iterations"] = iterations;
    state.counters["final_triangles"] = triangles;
    state.counters["ms_per_iteration"] = 1e3 * totalSeconds / iterations;
    state.counters["own_ms_per_iteration"] = 1e3 * (totalSeconds - fieldSeconds) / iterations;
}

} // namespace

BENCHMARK(BM_AdaptivePlateWithHole)->Arg(8)->Arg(4)->Unit(benchmark::kMillisecond);
