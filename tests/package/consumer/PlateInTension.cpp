// A 2D analysis through the module's installed headers: a plate pulled at one edge and sliding along the
// opposite one, meshed by the module's mesher and solved by its in-house solver. The uniform stress state
// is exact on any triangle mesh, so every vertex's stretch must match sigma x / E.

#include "cae_core/fea2d/Params2d.h"
#include "cae_core/fea2d/Simulation.h"
#include "cae_core/mesher2d/DelaunayMesher.h"
#include "cae_core/solver2d/Solver2d.h"
#include "platform/db/DbRegion.h"
#include "platform/ge/GeLineSeg3d.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace fea2d = cae_core::fea2d;

namespace
{

constexpr double kLength = 20.0;
constexpr double kHeight = 10.0;
constexpr double kStress = 2.0;
constexpr double kYoungsModulus = 1000.0;

OdSharedPtr<OdGeCurve3d> line(double x0, double y0, double x1, double y1)
{
    return OdSharedPtr<OdGeCurve3d>(new OdGeLineSeg3d(OdGePoint3d(x0, y0, 0.0), OdGePoint3d(x1, y1, 0.0)));
}

int fail(const char* what)
{
    std::fprintf(stderr, "plate in tension: %s\n", what);
    return 1;
}

} // namespace

int main()
{
    fea2d::Params2d params;
    params.region = OdDbRegion::createObject();
    const OdDbRegion::Loop outline = {line(0, 0, kLength, 0), line(kLength, 0, kLength, kHeight),
                                      line(kLength, kHeight, 0, kHeight), line(0, kHeight, 0, 0)};
    if (params.region->setLoops({outline}) != eOk)
        return fail("the region refuses the rectangle");

    cae_core::DelaunayMesher mesher;
    if (mesher.createMesh(params.region, 2.5, nullptr, 0) != cae_core::eOk)
        return fail("meshing failed");
    params.mesh = mesher.getMesh();

    params.mode = fea2d::ePlanarStress;
    params.elementType = fea2d::eTriangle3;
    params.materialProperties.thickness = 1.0;
    params.materialProperties.youngsModulus = kYoungsModulus;
    params.materialProperties.poissonRatio = 0.3;
    // The outline runs counter-clockwise; the pull's direction (-cos angle, -sin angle) is +x. The left
    // edge slides (x blocked) and its lower corner is pinned.
    fea2d::LinearLoad pull;
    pull.magnitude = kStress;
    pull.angle = std::numbers::pi;
    pull.startLocation = OdGePoint2d(kLength, 0.0);
    pull.endLocation = OdGePoint2d(kLength, kHeight);
    pull.flipped = true;
    fea2d::LinearSupport slide;
    slide.startLocation = OdGePoint2d(0.0, kHeight);
    slide.endLocation = OdGePoint2d(0.0, 0.0);
    slide.rolling = slide.flipped = true;
    params.loadsAndSupports = {pull, slide, fea2d::PointSupport{}};

    const fea2d::SimulationOutput output = fea2d::runSimulation(params, cae_core::Solver2d::eInHouse);
    if (output.result != cae_core::eOk)
        return fail("the solver failed");
    const auto& vertices = output.solverOutput.vertexData;
    if (vertices.size() < 20)
        return fail("the mesh is too coarse for the mesh size asked for");
    for (const auto& vertex : vertices)
        if (std::abs(vertex.displacement.x - kStress * vertex.position.x / kYoungsModulus) > 1e-9)
            return fail("a vertex's stretch differs from sigma x / E");
    std::printf("plate in tension: %zu vertices, stretch %g\n", vertices.size(),
                kStress * kLength / kYoungsModulus);
    return 0;
}
