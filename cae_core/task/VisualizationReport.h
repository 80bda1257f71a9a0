#pragma once

#include "cae_core/results2d/ColorMap.h"
#include "cae_core/task/TaskOutput.h"
#include "host/ut/DataExtension.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbSubDMesh.h"

#include <map>
#include <memory>

namespace cae_core
{
/// Turns a task output into vertex colours: von Mises stress, displacement length or the safety
/// value min(100, 10000 / stress), blue to red (the safety value red to blue).
class ColorPolicy
{
public:
    enum EType
    {
        eVonMisesStress = 0,
        eDisplacement = 1,
        eSafetyFactor = 2
    };

    explicit ColorPolicy(std::shared_ptr<TaskOutput> output) : output(std::move(output)) {}

    EType type() const { return m_type; }
    /// Chooses the quantity and stretches the map over its range in the output (the safety value up
    /// to 100). eInvalidArgument, nothing changed, without output.
    EResult setType(EType t);
    ColorMap getColorMap() const { return colorMap; }
    /// Gives the drawing mesh one colour per vertex of `mesh`, from the results at its vertex ids.
    /// eInvalidArgument without mesh, drawing mesh or output.
    EResult apply(std::shared_ptr<Mesh> mesh, OdSmartPtr<OdDbSubDMesh> dbMesh) const;

    ColorMap colorMap;

private:
    EType m_type = eVonMisesStress;

public:
    std::shared_ptr<TaskOutput> output;

private:
    /// The chosen quantity at a grid id; 0 (with an assertion) without output or entry.
    double getValueAtVertex(std::uint64_t gridId) const;
};

/// The results display of one drawing: a task, its output and how they are coloured, and the
/// drawing meshes in model space that show each entity. The drawing's data owns it.
class VisualizationReport : public ut::DataExtension
{
public:
    VisualizationReport() = default;

    /// Shows `output` of `task`, coloured by von Mises stress. eInvalidArgument, nothing changed,
    /// when either is missing.
    EResult init(std::shared_ptr<Task> task, std::shared_ptr<TaskOutput> output);
    /// True unless task, output and colour policy are set, the task has an entity and the output data.
    bool isEmpty() const;
    /// `other` shares this report's task, output and policy and takes a copy of its drawing meshes.
    EResult copyTo(VisualizationReport* other) const;
    /// The drawing's report, created empty on first request; null without the drawing's data.
    static VisualizationReport* getVisuReport(OdDbDatabase* database);
    /// Adds to model space (first call) or refills (later calls) one drawing mesh per meshed entity,
    /// displaced by `factor` times the displacements and coloured by the policy. eInvalidArgument
    /// without database, eEmpty for an empty report; a failing entity is passed over.
    EResult buildModel(OdDbDatabase* database, double factor);

    std::shared_ptr<ColorPolicy> colorPolicy;
    std::shared_ptr<Task> task;
    std::shared_ptr<TaskOutput> output;
    std::map<const Entity*, OdDbObjectId> dbMeshes;
};
} // namespace cae_core
