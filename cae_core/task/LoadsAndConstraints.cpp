#include "cae_core/core/ReporterMessages.h"
#include "cae_core/task/Factory.h"
#include "cae_core/task/Features.h"
#include "host/ut/Assert.h"

#include <map>

namespace cae_core
{
namespace
{
/// Orders paths by sub-entity index, then type, then the number of objects, then the objects.
struct PathLess
{
    bool operator()(const OdDbFullSubentPath& a, const OdDbFullSubentPath& b) const
    {
        const std::int64_t ia = a.subentId().index(), ib = b.subentId().index();
        if (ia != ib)
            return ia < ib;
        if (a.subentId().type() != b.subentId().type())
            return a.subentId().type() < b.subentId().type();
        const auto& oa = a.objectIds();
        const auto& ob = b.objectIds();
        if (oa.size() != ob.size())
            return oa.size() < ob.size();
        for (unsigned i = 0; i < oa.size(); ++i)
            if (!(oa[i] == ob[i]))
                return oa[i] < ob[i];
        return false;
    }
};

/// Each path once, with the first feature that names it.
using PathSet = std::map<OdDbFullSubentPath, OdDbObjectId, PathLess>;

/// Gathers the paths of the solid's features of class T; eUnsupported after reporting `noneKey`
/// when there are none, eInvalidArgument for a feature that does not open as a T.
template <class T>
EResult collectPaths(ut::IReporter& reporter, const OdDbObjectId& solid, EReporterMessage noneKey, PathSet& paths)
{
    const OdDbObjectIdArray features = KfxFeatureManagerUtils::getFeatures(solid, {T::desc()}, -1);
    if (features.isEmpty())
    {
        // The whole solid is named, so the host can highlight it with the notice.
        const OdDbFullSubentPathArray solidPath{OdDbFullSubentPath(solid, OdDbSubentId())};
        reporter.report(noneKey, &solidPath);
        return eUnsupported;
    }
    for (const OdDbObjectId& id : features)
    {
        const OdSmartPtr<T> feature = T::cast(id.openObject(OdDb::kForRead).get());
        if (feature.isNull())
            return eInvalidArgument;
        for (const OdDbFullSubentPath& path : feature->getFeatureEntities(-1, -1, true))
            paths.emplace(path, id);
    }
    return eOk;
}
} // namespace

EResult Load::createLoads(ut::IReporter& reporter, Task* task, std::shared_ptr<Entity>& entity,
                          OdArray<std::shared_ptr<Load>>& loads)
{
    if (!entity || !entity->mesh)
        return eInvalidArgument;
    const Mesh& mesh = *entity->mesh;
    PathSet paths;
    if (const EResult r = collectPaths<CaePressureFeature>(reporter, entity->originalId(), eRpt_EntityHasNoLoads, paths);
        r != eOk)
        return r;

    for (const auto& [path, featureId] : paths)
    {
        const auto pressure = Factory::instance().createPressure(task, featureId);
        if (!pressure)
            return eInvalidArgument;
        pressure->entity = entity;
        const OdSmartPtr<CaePressureFeature> feature = CaePressureFeature::cast(featureId.openObject().get());
        if (feature.isNull())
            return eInvalidArgument;
        pressure->type = feature->type();
        pressure->magnitude = feature->pressureMagnitude();
        pressure->units = feature->units();
        pressure->direction = feature->pressureDirection();
        loads.append(pressure);

        switch (path.subentId().type())
        {
        case OdDb::kEdgeSubentType:
            ut::callAssert("OdDb::kFaceSubentType == subentId.type()", "an edge cannot carry a pressure",
                           "cae_core/cae_api_load", 97);
            break;
        case OdDb::kFaceSubentType:
            for (const std::uint64_t i : mesh.findTriangles(path.subentId()))
            {
                const auto& triangle = mesh.triangle(i);
                if (!triangle)
                    return eInvalidArgument;
                const auto& v = triangle->vertices;
                pressure->faces.append(OdArray<std::uint64_t>{v[0], v[1], v[2]});
            }
            break;
        default:
            return eUnsupported;
        }
    }
    return eOk;
}

EResult Constraint::createConstraints(ut::IReporter& reporter, Task* task, std::shared_ptr<Entity>& entity,
                                      OdArray<std::shared_ptr<Constraint>>& constraints)
{
    if (!entity || !entity->mesh)
        return eInvalidArgument;
    const Mesh& mesh = *entity->mesh;
    PathSet paths;
    if (const EResult r =
            collectPaths<CaeFixFeature>(reporter, entity->originalId(), eRpt_EntityHasNoConstraints, paths);
        r != eOk)
        return r;

    const auto add = [&](const OdDbObjectId& featureId, OdArray<std::uint64_t> vertices) -> EResult {
        const auto constraint = Factory::instance().createConstraint(task, featureId);
        if (!constraint)
            return eInvalidArgument;
        constraint->vertices = std::move(vertices);
        constraint->entity = entity;
        constraints.append(constraint);
        return eOk;
    };
    for (const auto& [path, featureId] : paths)
    {
        switch (path.subentId().type())
        {
        case OdDb::kEdgeSubentType:
            for (const std::uint64_t i : mesh.findEdges(path.subentId()))
            {
                const auto& edge = mesh.edge(i);
                if (!edge)
                    return eInvalidArgument;
                if (const EResult r = add(featureId, {edge->vertices[0], edge->vertices[1]}); r != eOk)
                    return r;
            }
            break;
        case OdDb::kFaceSubentType:
            for (const std::uint64_t i : mesh.findTriangles(path.subentId()))
            {
                const auto& triangle = mesh.triangle(i);
                if (!triangle)
                    return eInvalidArgument;
                const auto& v = triangle->vertices;
                if (const EResult r = add(featureId, {v[0], v[1], v[2]}); r != eOk)
                    return r;
            }
            break;
        default:
            return eUnsupported;
        }
    }
    return eOk;
}
} // namespace cae_core
