// Meshing a solid for a 3D task and turning its features into loads and constraints. Gmsh's own
// meshing is timed apart from everything the module and the host's generator do around it (reading
// Gmsh's mesh into the task mesh, converting units, and the loads and constraints), whose share of
// the whole must stay small.
#include "cae_core/core/ReporterMessages.h"
#include "cae_core/task/Factory.h"
#include "cae_core/task/Features.h"
#include "host/solid/GmshBody.h"
#include "host/tetra/GmshTetraMeshGenerator.h"
#include "platform/db/Db3dSolid.h"
#include "platform/db/DbBlockTableRecord.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <stdexcept>

namespace
{
using namespace cae_core;
using Clock = std::chrono::steady_clock;

void registerModuleOnce()
{
    static const bool s_done = []
    {
        KfxFeature::rxInit();
        CaeFeature::rxInit();
        CaeFixFeature::rxInit();
        CaePressureFeature::rxInit();
        registerReporterMessages();
        return true;
    }();
    (void)s_done;
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

/// A 100 x 50 x 20 mm plate with a 10 mm hole through its thickness, meshed with at most
/// `state.range(0)` micrometres between nodes; then a pressure on its end and its other end fixed.
void BM_TaskMeshAndFeatures(benchmark::State& state)
{
    registerModuleOnce();
    const auto plate = solid::GmshBody::box(OdGePoint3d(0, 0, 0), OdGeVector3d(100, 50, 20));
    const auto hole = solid::GmshBody::cylinder(OdGePoint3d(50, 25, -1), OdGeVector3d(0, 0, 22), 5.0);
    const auto body = solid::GmshBody::subtract(*plate, *hole);
    if (!body)
        throw std::runtime_error("the plate with a hole could not be built");

    MeshingParameters parameters;
    parameters.surfaceParameters.max_size =
        MeshingReal(static_cast<double>(state.range(0)) / 1000.0, MeshingReal::eAbsolute);
    const OdGeExtents3d box = body->extents();
    const auto options = tetra::GmshTetraMeshGenerator::options(parameters, box.diagonal().length());

    double gmshSeconds = 0.0, moduleSeconds = 0.0;
    std::size_t tetras = 0, loaded = 0, fixed = 0;
    for (auto _ : state)
    {
        OdDbDatabasePtr db = OdDbDatabase::createObject();
        const auto solidEntity = OdDb3dSolid::createObject();
        solidEntity->setBody(body);
        const auto space = OdDbBlockTableRecordPtr::cast(db->getModelSpaceId().openObject(OdDb::kForWrite));
        const OdDbObjectId solidId = space->appendOdDbEntity(solidEntity.get());
        const auto feature = [&](auto created, double x)
        {
            const auto faces = body->facesOnPlane(OdGePoint3d(x, 0, 0), OdGeVector3d(1, 0, 0), 1e-6);
            created->init(OdDbFullSubentPathArray{
                OdDbFullSubentPath(solidId, OdDbSubentId(OdDb::kFaceSubentType, faces[0]))});
            KfxFeatureManagerUtils::addFeature(created.get());
        };
        feature(CaePressureFeature::createObject(), 100.0);
        feature(CaeFixFeature::createObject(), 0.0);

        const auto t0 = Clock::now();
        solid::GmshSolidMesh generated;
        std::string error;
        if (!solid::meshBody(*body, options, generated, error))
            throw std::runtime_error(error);
        const auto t1 = Clock::now();

        auto task = Factory::instance().createTask(L"bench", OdDb::kUnitsMillimeters, true);
        auto entity = Factory::instance().createEntity(task.get(), solidId);
        entity->mesh = tetra::GmshTetraMeshGenerator::toTaskMesh(task.get(), generated);
        OdArray<std::shared_ptr<Load>> loads;
        OdArray<std::shared_ptr<Constraint>> constraints;
        if (Load::createLoads(ut::IReporter::nullReporter(), task.get(), entity, loads) != cae_core::eOk ||
            Constraint::createConstraints(ut::IReporter::nullReporter(), task.get(), entity, constraints) !=
                cae_core::eOk)
            throw std::runtime_error("the plate's features gave no loads or constraints");
        const auto t2 = Clock::now();

        gmshSeconds += seconds(t1 - t0);
        moduleSeconds += seconds(t2 - t1);
        tetras = generated.tetras.size();
        loaded = loads.isEmpty() ? 0 : loads[0]->faces.size();
        fixed = constraints.size();
        Factory::instance().onTaskDestroyed(task.get());
    }
    state.counters["tetras"] = static_cast<double>(tetras);
    state.counters["loaded_faces"] = static_cast<double>(loaded);
    state.counters["constraints"] = static_cast<double>(fixed);
    state.counters["gmsh_s"] = benchmark::Counter(gmshSeconds, benchmark::Counter::kAvgIterations);
    state.counters["module_s"] = benchmark::Counter(moduleSeconds, benchmark::Counter::kAvgIterations);
    state.counters["module_share_pct"] = 100.0 * moduleSeconds / (gmshSeconds + moduleSeconds);
}
// About 200,000 tetrahedra at 1.3 mm.
BENCHMARK(BM_TaskMeshAndFeatures)->Arg(1300)->Iterations(1)->Unit(benchmark::kSecond);
} // namespace
