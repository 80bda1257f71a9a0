#include "cae_core/core/ReporterMessages.h"
#include "cae_core/task/Factory.h"
#include "cae_core/task/Features.h"
#include "cae_core/task/MeshFaces.h"
#include "host/ut/Assert.h"
#include "platform/db/DbHandle.h"

#include <cmath>
#include <map>
#include <string>

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
EResult collectPaths(ut::IReporter& reporter, const OdDbObjectId& solid, EReporterMessage noneKey,
                     PathSet& paths)
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

/// A slide normal counts as along an axis when its other two components are below this share of it.
constexpr double kAxisTolerance = 1e-6;
/// A slide's faces count as planar when no vertex lies farther from their mean plane than this share of
/// their size.
constexpr double kPlanarTolerance = 1e-6;

/// The vertex positions of a mesh triangle: corners, then on a second-order mesh its mid vertices.
OdArray<std::uint64_t> faceVertices(const Mesh& mesh, const MeshTriangle& triangle)
{
    const auto& v = triangle.vertices;
    OdArray<std::uint64_t> face{v[0], v[1], v[2]};
    if (mesh.order() == 2)
        for (const std::uint64_t m : triangle.midVertices)
            face.append(m);
    return face;
}

OdArray<std::uint64_t> edgeVertices(const Mesh& mesh, const MeshEdge& edge)
{
    OdArray<std::uint64_t> ends{edge.vertices[0], edge.vertices[1]};
    if (mesh.order() == 2)
        ends.append(edge.midVertex);
    return ends;
}

std::string handleText(const OdDbObjectId& id)
{
    return OdAnsiString(OdDbHandle(id.getHandle()).ascii()).str();
}

void reportPlain(ut::IReporter& reporter, const std::string& text)
{
    reporter.report(eRpt_NastranNotFoundCustom, OdString(text.c_str()));
}

/// Whether the mesh triangles of a face lie in one plane.
bool isPlanar(const Mesh& mesh, const OdArray<std::uint64_t>& triangles)
{
    OdGeVector3d normal;
    OdGeExtents3d box;
    std::vector<OdGePoint3d> points;
    for (const std::uint64_t i : triangles)
    {
        const auto& triangle = mesh.triangle(i);
        if (!triangle)
            continue;
        for (const std::uint64_t v : faceVertices(mesh, *triangle))
        {
            if (v >= mesh.nbVertices() || !mesh.vertex(v))
                return false;
            points.push_back(mesh.vertex(v)->point);
            box.addPoint(points.back());
        }
        const std::size_t first = points.size() - (mesh.order() == 2 ? 6 : 3);
        normal += (points[first + 1] - points[first]).crossProduct(points[first + 2] - points[first]);
    }
    if (points.empty() || normal.isZeroLength())
        return false;
    normal.normalize();
    const double tolerance = kPlanarTolerance * box.diagonal().length();
    for (const OdGePoint3d& p : points)
        if (std::abs((p - points[0]).dotProduct(normal)) > tolerance)
            return false;
    return true;
}
} // namespace

EResult Load::createLoads(ut::IReporter& reporter, Task* task, std::shared_ptr<Entity>& entity,
                          OdArray<std::shared_ptr<Load>>& loads)
{
    if (!entity || !entity->mesh)
        return eInvalidArgument;
    const Mesh& mesh = *entity->mesh;
    PathSet paths;
    if (const EResult r =
            collectPaths<CaePressureFeature>(reporter, entity->originalId(), eRpt_EntityHasNoLoads, paths);
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
                pressure->faces.append(faceVertices(mesh, *triangle));
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

    // What each feature holds: its components, or for a slide the axis or the plane's normal.
    struct Hold
    {
        std::string components;
        OdGeVector3d normal;
        bool slide = false;
    };
    std::map<OdDbObjectId, Hold> holds;
    for (const auto& [path, featureId] : paths)
    {
        if (holds.count(featureId))
            continue;
        const OdSmartPtr<CaeFixFeature> feature = CaeFixFeature::cast(featureId.openObject().get());
        if (feature.isNull())
            return eInvalidArgument;
        Hold hold{feature->components(), OdGeVector3d()};
        OdGeVector3d slide = feature->slideNormal();
        if (!slide.isZeroLength())
        {
            slide.normalize();
            hold.slide = true;
            hold.components.clear();
            hold.normal = slide;
            const double n[3] = {slide.x, slide.y, slide.z};
            for (int axis = 0; axis < 3; ++axis)
                if (std::abs(n[(axis + 1) % 3]) < kAxisTolerance &&
                    std::abs(n[(axis + 2) % 3]) < kAxisTolerance)
                {
                    hold.components = std::string(1, static_cast<char>('1' + axis));
                    hold.normal = OdGeVector3d();
                }
        }
        holds.emplace(featureId, hold);
    }

    const auto add = [&](const OdDbObjectId& featureId, OdArray<std::uint64_t> vertices) -> EResult
    {
        const auto constraint = Factory::instance().createConstraint(task, featureId);
        if (!constraint)
            return eInvalidArgument;
        constraint->vertices = std::move(vertices);
        constraint->entity = entity;
        constraint->components = holds[featureId].components;
        constraint->normal = holds[featureId].normal;
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
                if (const EResult r = add(featureId, edgeVertices(mesh, *edge)); r != eOk)
                    return r;
            }
            break;
        case OdDb::kFaceSubentType:
        {
            const OdArray<std::uint64_t> triangles = mesh.findTriangles(path.subentId());
            if (holds[featureId].slide && !isPlanar(mesh, triangles))
            {
                reportPlain(reporter, "Support feature " + handleText(featureId) + " slides face " +
                                          std::to_string(path.subentId().index()) +
                                          ", which is not planar: only plane faces can slide");
                return eInvalidArgument;
            }
            for (const std::uint64_t i : triangles)
            {
                const auto& triangle = mesh.triangle(i);
                if (!triangle)
                    return eInvalidArgument;
                if (const EResult r = add(featureId, faceVertices(mesh, *triangle)); r != eOk)
                    return r;
            }
            break;
        }
        default:
            return eUnsupported;
        }
    }
    return eOk;
}
} // namespace cae_core

namespace cae_core
{
EResult Load::createForceLoads(ut::IReporter& reporter, Task* task, std::shared_ptr<Entity>& entity,
                               OdArray<std::shared_ptr<Load>>& loads)
{
    if (!entity || !entity->mesh)
        return eInvalidArgument;
    const Mesh& mesh = *entity->mesh;
    const OdDbObjectIdArray features =
        KfxFeatureManagerUtils::getFeatures(entity->originalId(), {CaeForceFeature::desc()}, -1);
    for (const OdDbObjectId& id : features)
    {
        const OdSmartPtr<CaeForceFeature> feature =
            CaeForceFeature::cast(id.openObject(OdDb::kForRead).get());
        if (feature.isNull())
            return eInvalidArgument;
        const auto force = Factory::instance().createForce(task, id);
        if (!force)
            return eInvalidArgument;
        force->entity = entity;
        const OdGeVector3d f = feature->force();
        force->magnitude = f.length();
        force->direction = f.isZeroLength() ? OdGeVector3d() : f.normal();
        force->units = task->modelingForceUnits();
        loads.append(force);
        for (const OdDbFullSubentPath& path : feature->getFeatureEntities(-1, -1, true))
        {
            if (path.subentId().type() != OdDb::kFaceSubentType)
            {
                reportPlain(
                    reporter,
                    "Force feature " + handleText(id) + " names " +
                        (path.subentId().type() == OdDb::kEdgeSubentType ? "an edge" : "a sub-entity") + " " +
                        std::to_string(path.subentId().index()) + ": a force is spread over faces only");
                return eUnsupported;
            }
            for (const std::uint64_t i : mesh.findTriangles(path.subentId()))
            {
                const auto& triangle = mesh.triangle(i);
                if (!triangle)
                    return eInvalidArgument;
                force->faces.append(faceVertices(mesh, *triangle));
            }
        }
    }
    return eOk;
}

OdGeVector3d totalForce(const Load& load)
{
    if (dynamic_cast<const Force*>(&load))
        return load.direction.isZeroLength() ? OdGeVector3d() : load.direction.normal() * load.magnitude;
    const auto* pressure = dynamic_cast<const Pressure*>(&load);
    const std::shared_ptr<Entity> entity = load.entity.lock();
    if (!pressure || !entity || !entity->mesh)
        return OdGeVector3d();
    const Mesh& mesh = *entity->mesh;
    const FaceOwners owners(mesh, FaceOwners::cornersOf(load.faces));
    double area = 0.0;
    OdGeVector3d inward;
    for (const OdArray<std::uint64_t>& face : load.faces)
    {
        // As the deck: only a face of exactly one tetrahedron carries a card.
        if (face.size() != 3 && face.size() != 6)
            continue;
        const OdArray<Mesh::FindResult> found = owners.find(face);
        if (found.size() != 1 || found[0].oppositeVertex >= mesh.nbVertices())
            continue;
        OdGePoint3d points[6];
        bool complete = true;
        for (unsigned k = 0; k < face.size() && complete; ++k)
        {
            complete = face[k] < mesh.nbVertices() && mesh.vertex(face[k]);
            if (complete)
                points[k] = mesh.vertex(face[k])->point;
        }
        if (!complete)
            continue;
        const FaceIntegral integral = integrateFace(points, face.size());
        const OdGePoint3d centroid = points[0] + ((points[1] - points[0]) + (points[2] - points[0])) / 3.0;
        const OdGeVector3d towardsInside = mesh.vertex(found[0].oppositeVertex)->point - centroid;
        const OdGeVector3d corners = (points[1] - points[0]).crossProduct(points[2] - points[0]);
        area += integral.area;
        inward += corners.dotProduct(towardsInside) < 0.0 ? -integral.normal : integral.normal;
    }
    if (pressure->type == 1)
        return pressure->direction.isZeroLength()
                   ? OdGeVector3d()
                   : pressure->direction.normal() * (pressure->magnitude * area);
    return inward * pressure->magnitude;
}
} // namespace cae_core
