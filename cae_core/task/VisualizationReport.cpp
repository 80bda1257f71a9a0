#include "cae_core/task/VisualizationReport.h"

#include "host/kfx/KfxFeature.h"
#include "host/ut/Assert.h"
#include "platform/db/DbBlockTableRecord.h"

#include <algorithm>
#include <limits>

namespace cae_core
{
namespace
{
constexpr const char* kSource = "cae_core/cae_api_visualization_report";
// The safety value s of a stress: 10000 / stress, capped at this.
constexpr double kSafetyCap = 100.0;
constexpr double kSafetyScale = 10000.0;
} // namespace

double ColorPolicy::getValueAtVertex(std::uint64_t gridId) const
{
    if (!output)
    {
        ut::callAssert("0", nullptr, kSource, 72);
        return 0.0;
    }
    const auto it = output->vertexData.find(gridId);
    if (it == output->vertexData.end())
    {
        ut::callAssert("0", nullptr, kSource, 62);
        return 0.0;
    }
    const TaskOutput::Data& d = it->second;
    switch (m_type)
    {
    case eVonMisesStress:
        return d.vonMisesStress;
    case eDisplacement:
        return d.displacement.length();
    case eSafetyFactor:
        return d.vonMisesStress > 0.0 ? std::min(kSafetyCap, kSafetyScale / d.vonMisesStress) : kSafetyCap;
    }
    return 0.0;
}

EResult ColorPolicy::setType(EType t)
{
    if (!output)
        return eInvalidArgument;
    m_type = t;
    double low = std::numeric_limits<double>::max(), high = -std::numeric_limits<double>::max();
    for (const auto& [id, data] : output->vertexData)
    {
        const double v = getValueAtVertex(id);
        low = std::min(low, v);
        high = std::max(high, v);
    }
    if (t == eSafetyFactor)
        high = kSafetyCap;
    colorMap = ColorMap::get(ColorMap::eBlueGreenYellowRed, {low, high}, t == eSafetyFactor);
    return eOk;
}

EResult ColorPolicy::apply(std::shared_ptr<Mesh> mesh, OdSmartPtr<OdDbSubDMesh> dbMesh) const
{
    if (!mesh || dbMesh.isNull() || !output)
        return eInvalidArgument;
    OdCmEntityColorArray colors(static_cast<unsigned>(mesh->nbVertices()));
    for (std::uint64_t i = 0; i < mesh->nbVertices(); ++i)
    {
        const auto& vertex = mesh->vertex(i);
        if (!vertex)
            return eOk;
        const OdCmColor c = colorMap.getColor(getValueAtVertex(vertex->id()));
        colors.append(OdCmEntityColor(c.red(), c.green(), c.blue()));
    }
    dbMesh->setVertexColorArray(colors);
    return eOk;
}

EResult VisualizationReport::init(std::shared_ptr<Task> t, std::shared_ptr<TaskOutput> o)
{
    if (!t || !o)
        return eInvalidArgument;
    task = std::move(t);
    output = std::move(o);
    colorPolicy = std::make_shared<ColorPolicy>(output);
    return colorPolicy->setType(ColorPolicy::eVonMisesStress);
}

bool VisualizationReport::isEmpty() const
{
    return !(task && output && colorPolicy && !task->m_entities.isEmpty() && !output->isEmpty());
}

EResult VisualizationReport::copyTo(VisualizationReport* other) const
{
    if (!other)
        return eInvalidArgument;
    other->dbMeshes = dbMeshes;
    other->colorPolicy = colorPolicy;
    other->task = task;
    other->output = output;
    return eOk;
}

VisualizationReport* VisualizationReport::getVisuReport(OdDbDatabase* database)
{
    KfxDatabaseData* data = KfxDatabaseData::get(database);
    if (!data)
        return nullptr;
    auto& extensions = data->dataExtensions();
    for (const auto& extension : extensions)
        if (auto* report = dynamic_cast<VisualizationReport*>(extension.get()))
            return report;
    extensions.push_back(std::make_unique<VisualizationReport>());
    return static_cast<VisualizationReport*>(extensions.back().get());
}

EResult VisualizationReport::buildModel(OdDbDatabase* database, double factor)
{
    if (!database)
        return eInvalidArgument;
    if (isEmpty())
        return eEmpty;
    for (const auto& entity : task->m_entities)
    {
        if (!entity || !entity->mesh)
            continue;
        const auto displaced = output->apply(task.get(), entity->mesh, factor);
        if (!displaced)
            continue;
        const auto known = dbMeshes.find(entity.get());
        if (known == dbMeshes.end())
        {
            OdSmartPtr<OdDbSubDMesh> dbMesh = OdDbSubDMesh::createObject();
            if (displaced->applyDbMesh(false, false, dbMesh) != eOk)
                continue;
            colorPolicy->apply(entity->mesh, dbMesh);
            const auto space = OdSmartPtr<OdDbBlockTableRecord>::cast(
                database->getModelSpaceId().openObject(OdDb::kForWrite));
            dbMeshes[entity.get()] = space.isNull() ? OdDbObjectId() : space->appendOdDbEntity(dbMesh.get());
        }
        else
        {
            auto dbMesh = OdSmartPtr<OdDbSubDMesh>::cast(known->second.openObject(OdDb::kForWrite));
            if (dbMesh.isNull() || displaced->applyDbMesh(false, false, dbMesh) != eOk)
                continue;
            colorPolicy->apply(entity->mesh, dbMesh);
        }
    }
    return eOk;
}
} // namespace cae_core
