// The 3D meshing stage against Gmsh's own meshing of the same solid at the same size, in interleaved rounds
// (bench/Rounds.h):
//
//   taskset -c 1 build-bench/bench/mesh3d_vs_gmsh [fineness] [rounds]    (default 0.07, 5 rounds)
//
// The solid is the bracket example's (a 100 x 40 x 20 mm box less a 16 mm bolt hole), sized by the task's
// fineness as `cae task3d` sizes it, on four-node tetrahedra. The contenders:
//   gmsh generate(3)   Gmsh alone on the host's model of the solid (the same entities in the same order):
//                      the host's options set and the model's mesh cleared beforehand, untimed, and only
//                      gmsh::model::mesh::generate(3) timed;
//   gmsh generate(2), (3)  the same in the two calls the host makes (surfaces, then the volume), so that
//                      the host can report the stages; Gmsh's volume mesh comes out a little different;
//   host meshBody      the host's solid meshing (solid::meshBody): Gmsh's mesh and reading it back;
//   host generator     the whole stage `cae task3d` times as "mesh": the host's tetrahedral generator,
//                      including the module's task mesh it fills.

#include "bench/Rounds.h"
#include "cae_core/core/ReporterMessages.h"
#include "cae_core/task/Factory.h"
#include "cae_core/task/Features.h"
#include "host/solid/GmshBody.h"
#include "host/solid/GmshMeshing.h"
#include "host/tetra/GmshTetraMeshGenerator.h"
#include "platform/db/Db3dSolid.h"
#include "platform/db/DbBlockTableRecord.h"

#include <gmsh.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{
using namespace cae_core;

std::size_t countTetrahedra()
{
    std::vector<std::size_t> tags, nodes;
    gmsh::model::mesh::getElementsByType(4, tags, nodes, -1);
    return tags.size();
}
} // namespace

int main(int argc, char** argv)
{
    const double fineness = argc > 1 ? std::atof(argv[1]) : 0.07;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;

    KfxFeature::rxInit();
    CaeFeature::rxInit();
    registerReporterMessages();
    const auto box = solid::GmshBody::box(OdGePoint3d(0, 0, 0), OdGeVector3d(100, 40, 20));
    const auto hole = solid::GmshBody::cylinder(OdGePoint3d(70, 20, -1), OdGeVector3d(0, 0, 22), 8.0);
    const auto body = solid::GmshBody::subtract(*box, *hole);
    if (!body)
        throw std::runtime_error("the bracket could not be built");
    const double diagonal = body->extents().diagonal().length();
    MeshingParameters parameters = MeshingParameters::buildParameters(fineness);
    const solid::GmshMeshOptions options = tetra::GmshTetraMeshGenerator::options(parameters, diagonal);

    OdDbDatabasePtr db = OdDbDatabase::createObject();
    const auto solidEntity = OdDb3dSolid::createObject();
    solidEntity->setBody(body);
    const auto space = OdDbBlockTableRecordPtr::cast(db->getModelSpaceId().openObject(OdDb::kForWrite));
    const OdDbObjectId solidId = space->appendOdDbEntity(solidEntity.get());
    // As `cae task3d` sets it up by default: four-node tetrahedra, the default budget checked first.
    tetra::GmshTetraMeshGenerator::Settings settings;
    settings.order = 1;
    settings.elementBudget = 2'000'000;
    const tetra::GmshTetraMeshGenerator generator(settings);

    std::size_t aloneTetras = 0, splitTetras = 0, hostTetras = 0, stageTetras = 0;
    std::vector<bench_rounds::Contender> contenders;
    const auto resetMesh = [&]
    {
        gmsh::model::setCurrent(body->modelName());
        gmsh::model::mesh::clear();
        solid::applyMeshOptions(options);
    };
    contenders.push_back({"gmsh generate(3)",
                          [&]
                          {
                              gmsh::model::mesh::generate(3);
                              aloneTetras = countTetrahedra();
                          },
                          resetMesh});
    contenders.push_back({"gmsh generate(2), (3)",
                          [&]
                          {
                              gmsh::model::mesh::generate(2);
                              gmsh::model::mesh::generate(3);
                              splitTetras = countTetrahedra();
                          },
                          resetMesh});
    contenders.push_back({"host meshBody", [&]
                          {
                              solid::GmshSolidMesh mesh;
                              std::string error;
                              if (!solid::meshBody(*body, options, mesh, error))
                                  throw std::runtime_error(error);
                              hostTetras = mesh.tetras.size();
                          }});
    contenders.push_back({"host generator (stage)", [&]
                          {
                              auto task =
                                  Factory::instance().createTask(L"bench", OdDb::kUnitsMillimeters, true);
                              auto entity = Factory::instance().createEntity(task.get(), solidId);
                              std::shared_ptr<Mesh> mesh;
                              MeshingParameters p = parameters;
                              if (generator.generate(ut::IReporter::nullReporter(), solidId, task.get(),
                                                     entity.get(), p, mesh) != cae_core::eOk)
                                  throw std::runtime_error("the host's generator failed");
                              stageTetras = mesh->nbTetra();
                              Factory::instance().onTaskDestroyed(task.get());
                          }});
    std::printf("bracket at fineness %g: size %g .. %g mm\n", fineness, options.sizeMin, options.sizeMax);
    bench_rounds::runRounds(contenders, rounds);
    std::printf("tetrahedra: gmsh %zu, in two calls %zu, host %zu, stage %zu\n", aloneTetras, splitTetras,
                hostTetras, stageTetras);
    return 0;
}
