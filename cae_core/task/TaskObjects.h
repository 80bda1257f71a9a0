#pragma once

#include "cae_core/core/Result.h"
#include "cae_core/core/Units.h"
#include "host/ut/Reporter.h"
#include "platform/base/OdArray.h"
#include "platform/base/OdString.h"
#include "platform/db/DbObjectId.h"
#include "platform/db/DbUnits.h"
#include "platform/ge/GeVector3d.h"

#include <cstdint>
#include <memory>

namespace cae_core
{
class Task;
class Mesh;
class TaskOutput;

/// Base of every object of a 3D task: the factory's number, the caller's number, the drawing object
/// it stands for and the task it belongs to (not owned).
class IObject
{
public:
    explicit IObject(Task* task) : m_parentTask(task) {}
    virtual ~IObject() = default;
    IObject(const IObject&) = default;
    IObject(IObject&&) = default;
    IObject& operator=(const IObject&) = default;
    IObject& operator=(IObject&&) = default;

    /// Unique per task and concrete class, from 1; what the Nastran deck numbers grids and elements by.
    std::uint64_t id() const { return m_id; }
    void setId(std::uint64_t id) { m_id = id; }
    /// The caller's own number; stored and returned, never read.
    std::uint64_t userId() const { return m_userId; }
    void setUserId(std::uint64_t id) { m_userId = id; }
    OdDbObjectId originalId() const { return m_originalId; }
    void setOriginalId(const OdDbObjectId& id) { m_originalId = id; }
    Task* parentTask() const { return m_parentTask; }

private:
    std::uint64_t m_id = 0;
    std::uint64_t m_userId = 0;
    OdDbObjectId m_originalId;
    Task* m_parentTask = nullptr;
};

/// The solid of a task with its tetrahedral mesh.
class Entity : public IObject
{
public:
    explicit Entity(Task* task) : IObject(task) {}

    std::shared_ptr<Mesh> mesh;
    /// A reference the host may keep to another task object; the module never sets or reads it.
    std::weak_ptr<IObject> reference;
};

/// A material of a task; its values belong to the host (the deck uses a fixed material).
class Material : public IObject
{
public:
    explicit Material(Task* task) : IObject(task) {}

    double m_value0 = 0.0;
    double m_value1 = 0.0;
    double m_value2 = 0.0;
    double m_value3 = 0.0;
};

/// A task object that applies to an entity (not owned).
class ReferenceOnEntity : public IObject
{
public:
    explicit ReferenceOnEntity(Task* task) : IObject(task) {}

    std::weak_ptr<Entity> entity;
};

class Constraint;
class Load;

/// A fixed mesh edge (2 vertex indices) or mesh triangle (3 vertex indices) of the entity's mesh.
class Constraint : public ReferenceOnEntity
{
public:
    explicit Constraint(Task* task) : ReferenceOnEntity(task) {}

    /// One constraint per mesh edge or triangle of every edge or face that a fix feature of the
    /// entity's solid names, appended to `constraints` and filed in the task.
    /// eInvalidArgument without entity or mesh, for a feature of the wrong class or a missing mesh
    /// element; eUnsupported (after reporting eRpt_EntityHasNoConstraints) when the solid has no
    /// fix feature, and for a path that is neither face nor edge.
    static EResult createConstraints(ut::IReporter& reporter, Task* task, std::shared_ptr<Entity>& entity,
                                     OdArray<std::shared_ptr<Constraint>>& constraints);

    /// Positions in the entity mesh's vertex list (0-based).
    OdArray<std::uint64_t> vertices;
};

/// A load on mesh triangles of the entity's mesh.
class Load : public ReferenceOnEntity
{
public:
    /// One pressure per face named by the pressure features of the entity's solid (the first
    /// feature naming a face wins), carrying that face's mesh triangles; appended to `loads` and
    /// filed in the task. Results as for Constraint::createConstraints, with
    /// eRpt_EntityHasNoLoads; an edge in a pressure feature asserts and gives a pressure without faces.
    static EResult createLoads(ut::IReporter& reporter, Task* task, std::shared_ptr<Entity>& entity,
                               OdArray<std::shared_ptr<Load>>& loads);

    double magnitude = 0.0;
    EUnits units = eNoUnits;
    OdGeVector3d direction;
    /// One entry per loaded mesh triangle: its 3 vertex positions in the entity mesh.
    OdArray<OdArray<std::uint64_t>> faces;

protected:
    explicit Load(Task* task) : ReferenceOnEntity(task) {}
};

/// A pressure: normal to the loaded faces (type 0) or along `direction` (type 1).
class Pressure : public Load
{
public:
    explicit Pressure(Task* task) : Load(task) {}

    std::int32_t type = 0;
};

/// A 3D analysis: one solid with its mesh, loads and constraints, and the results of the last run.
class Task : public IObject
{
public:
    /// `documentUnits` is the drawing's length unit; `systemInternational` fixes the modelling units.
    Task(OdDb::UnitsValue documentUnits, bool systemInternational)
        : IObject(nullptr), m_systemInternational(systemInternational), m_documentUnits(documentUnits)
    {
    }

    OdDb::UnitsValue documentLinearUnits() const { return m_documentUnits; }
    EUnits modelingLinearUnits() const { return m_systemInternational ? eSI_Meter : eEnglish_Inch; }
    EUnits modelingMassUnits() const { return m_systemInternational ? eSI_Kilogram : eEnglish_LbfSecSqPerInch; }
    EUnits modelingForceUnits() const { return m_systemInternational ? eSI_Newton : eEnglish_Lbf; }
    EUnits modelingMomentUnits() const { return m_systemInternational ? eSI_NewtonMeter : eEnglish_LbfInch; }
    EUnits modelingPressureUnits() const
    {
        return m_systemInternational ? eSI_NewtonPerMeterSq : eEnglish_LbfPerInchSq;
    }
    /// Solves the task through the external solver: writes its deck into a new working folder, runs the
    /// solver there and reads its results into a new output (result()). The deck's or the run's failure
    /// is returned at once and leaves result() as it was; eFileError when the results cannot be read,
    /// leaving an empty output. Defined with the solver road (cae_nastran).
    EResult run();

    /// The results of the last run that got past the solver; empty before.
    std::shared_ptr<TaskOutput> result() const { return m_result; }

    OdString m_name;
    /// Values of the host's, copied with the task and never interpreted.
    std::uint64_t m_hostValue0 = 0;
    std::uint64_t m_hostValue1 = 0;
    OdArray<std::shared_ptr<Entity>> m_entities;
    OdArray<std::shared_ptr<Material>> m_materials;
    OdArray<std::shared_ptr<Load>> m_loads;
    OdArray<std::shared_ptr<Constraint>> m_constraints;
    bool m_systemInternational = true;
    OdDb::UnitsValue m_documentUnits = OdDb::kUnitsUndefined;
    std::shared_ptr<TaskOutput> m_result;
};
} // namespace cae_core
