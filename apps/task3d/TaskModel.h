#pragma once

#include "apps/task3d/TaskFile.h"
#include "host/solid/GmshBody.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbObjectId.h"

#include <memory>
#include <string>
#include <vector>

/// The host's drawing of a task file: a drawing in the file's units holding the solid, and the CAE
/// features on the solid's faces and edges as the user would have placed them.
namespace cae_app
{
/// What one feature acts on, for the report.
struct FeatureTargets
{
    std::vector<long> faces;
    std::vector<long> edges;
};

struct TaskModel
{
    OdDbDatabasePtr database;
    std::shared_ptr<solid::GmshBody> body;
    OdDbObjectId solidId;
    /// One per feature of the file, in file order.
    std::vector<OdDbObjectId> featureIds;
    std::vector<FeatureTargets> targets;
};

/// Builds the solid and the drawing. Throws InputError naming the key path when the kernel refuses
/// a solid, or a face or edge index or point names nothing (or, for a point, two).
TaskModel buildTaskModel(const TaskFile& file);

/// The file's solid as the kernel builds it; throws InputError with the kernel's message.
std::shared_ptr<solid::GmshBody> buildSolid(const TaskFile& file, const SolidEntry& entry);
} // namespace cae_app
