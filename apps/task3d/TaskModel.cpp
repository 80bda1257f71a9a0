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

std::shared_ptr<solid::GmshBody> buildSolid(const TaskFile& file, const SolidSpec& spec)
{
    using solid::GmshBody;
    std::string error;
    std::shared_ptr<GmshBody> body;
    switch (spec.kind)
    {
    case SolidSpec::Kind::eStep:
        body = GmshBody::importStep(OdString(spec.file.string().c_str()), &error);
        break;
    case SolidSpec::Kind::eBox:
        body = GmshBody::box(spec.point, spec.vector, &error);
        break;
    case SolidSpec::Kind::eCylinder:
        body = GmshBody::cylinder(spec.point, spec.vector, spec.radius, &error);
        break;
    case SolidSpec::Kind::eSphere:
        body = GmshBody::sphere(spec.point, spec.radius, &error);
        break;
    default:
        body = buildSolid(file, spec.operands[0]);
        for (std::size_t i = 1; i < spec.operands.size() && body; ++i)
        {
            const auto other = buildSolid(file, spec.operands[i]);
            body = spec.kind == SolidSpec::Kind::eUnion        ? GmshBody::unite(*body, *other, &error)
                   : spec.kind == SolidSpec::Kind::eDifference ? GmshBody::subtract(*body, *other, &error)
                                                               : GmshBody::intersect(*body, *other, &error);
        }
        break;
    }
    if (!body)
        throw InputError(
            file.messageAt(spec.path, "the solid cannot be built: " +
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

    for (const FeatureSpec& spec : file.features)
    {
        FeatureTargets targets;
        OdDbFullSubentPathArray paths;
        for (const SubentRef& ref : spec.faces)
        {
            targets.faces.push_back(resolve(file, *model.body, OdDb::kFaceSubentType, ref));
            paths.append(
                OdDbFullSubentPath(model.solidId, OdDbSubentId(OdDb::kFaceSubentType, targets.faces.back())));
        }
        for (const SubentRef& ref : spec.edges)
        {
            targets.edges.push_back(resolve(file, *model.body, OdDb::kEdgeSubentType, ref));
            paths.append(
                OdDbFullSubentPath(model.solidId, OdDbSubentId(OdDb::kEdgeSubentType, targets.edges.back())));
        }
        OdDbObjectId id;
        if (spec.kind == FeatureSpec::Kind::ePressure)
        {
            const auto feature = cae_core::CaePressureFeature::createObject();
            feature->init(paths);
            feature->setPressureMagnitude(spec.magnitude);
            feature->setUnits(spec.units);
            if (spec.direction)
                feature->setPressureDirection(*spec.direction);
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
