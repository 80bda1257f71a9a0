#include "apps/task3d/TaskModel.h"

#include "apps/file/AnalysisFile.h"
#include "apps/file/Format.h"
#include "apps/task3d/Task3dTolerances.h"
#include "cae_core/task/Features.h"
#include "platform/db/Db3dSolid.h"
#include "platform/db/DbBlockTableRecord.h"

#include <filesystem>

namespace cae_app
{
namespace
{
std::string pointText(const OdGePoint3d& p)
{
    return "(" + formatNumber(p.x) + ", " + formatNumber(p.y) + ", " + formatNumber(p.z) + ")";
}

/// The sub-entity `ref` names on `body`; throws InputError when it names none or, by a point, two.
long resolve(const TaskFile& file, const solid::GmshBody& body, OdDb::SubentType type, const SubentRef& ref)
{
    const char* noun = type == OdDb::kFaceSubentType ? "face" : "edge";
    if (ref.index)
    {
        const OdArray<OdGsMarker> all = body.subentIndices(type);
        for (const OdGsMarker i : all)
            if (i == *ref.index)
                return *ref.index;
        throw InputError(file.messageAt(ref.path, "the solid has no " + std::string(noun) + " " +
                                                      std::to_string(*ref.index) + " (it has " +
                                                      std::to_string(all.size()) + ", numbered from 1)"));
    }
    const double tolerance = kPickTolerance * body.extents().diagonal().length();
    const OdArray<OdGsMarker> found = body.subentsAt(type, ref.point, tolerance);
    if (found.size() == 1)
        return found[0];
    if (found.empty())
        throw InputError(file.messageAt(ref.path, "the point " + pointText(ref.point) + " lies on no " +
                                                      noun + " of the solid"));
    throw InputError(file.messageAt(ref.path, "the point " + pointText(ref.point) + " lies on " + noun +
                                                  "s " + std::to_string(found[0]) + " and " +
                                                  std::to_string(found[1]) + "; give a point inside one " +
                                                  noun + " or its index"));
}
/// The common normal of a slide's faces: each must be planar, and all on parallel planes, since one
/// slide holds one direction.
OdGeVector3d slideNormal(const TaskFile& file, const solid::GmshBody& body, const FeatureEntry& entry,
                         const std::vector<long>& faces)
{
    OdGeVector3d normal;
    for (std::size_t i = 0; i < faces.size(); ++i)
    {
        const auto n = body.planeNormal(faces[i]);
        if (!n)
            throw InputError(
                file.messageAt(entry.faces[i].path,
                               "face " + std::to_string(faces[i]) + " is curved; a slide needs plane faces"));
        if (i == 0)
            normal = *n;
        else if (!n->isParallelTo(normal, OdGeTol(kParallelTolerance)))
            throw InputError(file.messageAt(entry.faces[i].path,
                                            "face " + std::to_string(faces[i]) + " is not parallel to face " +
                                                std::to_string(faces[0]) +
                                                "; one slide holds one direction, give a slide per plane"));
    }
    return normal;
}
} // namespace

std::shared_ptr<solid::GmshBody> buildSolid(const TaskFile& file, const SolidEntry& entry)
{
    using solid::GmshBody;
    std::string error;
    std::shared_ptr<GmshBody> body;
    if (entry.kind == SolidEntry::Kind::eStep)
    {
        // The kernel's own message for a missing file names no path. Any file but a folder will do: a
        // STEP file may reach the program through a pipe.
        std::error_code ec;
        if (!std::filesystem::exists(entry.file, ec) || std::filesystem::is_directory(entry.file, ec))
            throw InputError(file.messageAt(
                entry.path, "there is no STEP file " + std::filesystem::absolute(entry.file, ec).string()));
    }
    switch (entry.kind)
    {
    case SolidEntry::Kind::eStep:
        body = GmshBody::importStep(OdString(entry.file.string().c_str()), file.units, &error);
        break;
    case SolidEntry::Kind::eBox:
        body = GmshBody::box(entry.point, entry.vector, &error);
        break;
    case SolidEntry::Kind::eCylinder:
        body = GmshBody::cylinder(entry.point, entry.vector, entry.radius, &error);
        break;
    case SolidEntry::Kind::eSphere:
        body = GmshBody::sphere(entry.point, entry.radius, &error);
        break;
    default:
    {
        std::vector<std::shared_ptr<GmshBody>> operands;
        std::vector<const GmshBody*> bodies;
        for (const SolidEntry& operand : entry.operands)
        {
            operands.push_back(buildSolid(file, operand));
            bodies.push_back(operands.back().get());
        }
        body = GmshBody::combine(entry.kind == SolidEntry::Kind::eUnion        ? GmshBody::eUnite
                                 : entry.kind == SolidEntry::Kind::eDifference ? GmshBody::eSubtract
                                                                               : GmshBody::eIntersect,
                                 bodies, &error);
        break;
    }
    }
    if (!body)
        throw InputError(
            file.messageAt(entry.path, "the solid cannot be built: " +
                                           (error.empty() ? std::string("the kernel gave no body") : error)));
    return body;
}

TaskModel buildTaskModel(const TaskFile& file)
{
    TaskModel model;
    model.body = buildSolid(file, file.solid);
    model.database = OdDbDatabase::createObject();
    model.database->setINSUNITS(file.units);
    const auto solidEntity = OdDb3dSolid::createObject();
    solidEntity->setBody(model.body);
    const auto space =
        OdDbBlockTableRecordPtr::cast(model.database->getModelSpaceId().openObject(OdDb::kForWrite));
    model.solidId = space->appendOdDbEntity(solidEntity.get());

    for (const FeatureEntry& entry : file.features)
    {
        FeatureTargets targets;
        OdDbFullSubentPathArray paths;
        for (const SubentRef& ref : entry.faces)
        {
            targets.faces.push_back(resolve(file, *model.body, OdDb::kFaceSubentType, ref));
            paths.append(
                OdDbFullSubentPath(model.solidId, OdDbSubentId(OdDb::kFaceSubentType, targets.faces.back())));
        }
        for (const SubentRef& ref : entry.edges)
        {
            targets.edges.push_back(resolve(file, *model.body, OdDb::kEdgeSubentType, ref));
            paths.append(
                OdDbFullSubentPath(model.solidId, OdDbSubentId(OdDb::kEdgeSubentType, targets.edges.back())));
        }
        OdDbObjectId id;
        switch (entry.kind)
        {
        case FeatureEntry::Kind::ePressure:
        {
            const auto feature = cae_core::CaePressureFeature::createObject();
            feature->init(paths);
            feature->setPressureMagnitude(entry.magnitude);
            feature->setUnits(entry.units);
            if (entry.direction)
                feature->setPressureDirection(*entry.direction);
            id = KfxFeatureManagerUtils::addFeature(feature.get());
            break;
        }
        case FeatureEntry::Kind::eForce:
        {
            const auto feature = cae_core::CaeForceFeature::createObject();
            feature->init(paths);
            feature->setForce(entry.force);
            id = KfxFeatureManagerUtils::addFeature(feature.get());
            break;
        }
        default:
        {
            const auto feature = cae_core::CaeFixFeature::createObject();
            feature->init(paths);
            if (entry.kind == FeatureEntry::Kind::eHold)
                feature->setComponents(entry.components);
            else if (entry.kind == FeatureEntry::Kind::eSlide)
                feature->setSlideNormal(slideNormal(file, *model.body, entry, targets.faces));
            id = KfxFeatureManagerUtils::addFeature(feature.get());
            break;
        }
        }
        model.featureIds.push_back(id);
        model.targets.push_back(std::move(targets));
    }
    return model;
}
} // namespace cae_app
