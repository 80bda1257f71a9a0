#include "apps/task3d/TaskModel.h"

#include "apps/file/AnalysisFile.h"
#include "apps/file/Format.h"
#include "cae_core/task/Features.h"
#include "platform/db/Db3dSolid.h"
#include "platform/db/DbBlockTableRecord.h"

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
} // namespace

std::shared_ptr<solid::GmshBody> buildSolid(const TaskFile& file, const SolidEntry& entry)
{
    using solid::GmshBody;
    std::string error;
    std::shared_ptr<GmshBody> body;
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
        if (entry.kind == FeatureEntry::Kind::ePressure)
        {
            const auto feature = cae_core::CaePressureFeature::createObject();
            feature->init(paths);
            feature->setPressureMagnitude(entry.magnitude);
            feature->setUnits(entry.units);
            if (entry.direction)
                feature->setPressureDirection(*entry.direction);
            id = KfxFeatureManagerUtils::addFeature(feature.get());
        }
        else
        {
            const auto feature = cae_core::CaeFixFeature::createObject();
            feature->init(paths);
            id = KfxFeatureManagerUtils::addFeature(feature.get());
        }
        model.featureIds.push_back(id);
        model.targets.push_back(std::move(targets));
    }
    return model;
}
} // namespace cae_app
