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
#include <string>

namespace cae_core
{
class Task;
class Mesh;
class TaskOutput;
struct TaskDeckOptions;

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

/// A material of a task. The deck reads it only when asked for the task's material (TaskDeckOptions);
/// otherwise its values belong to the host.
class Material : public IObject
{
public:
    explicit Material(Task* task) : IObject(task) {}

    double m_value0 = 0.0; ///< Young's modulus, in the task's modelling pressure unit (Pa or psi)
    double m_value1 = 0.0; ///< Poisson's ratio
    double m_value2 = 0.0; ///< unused by the module
    double m_value3 = 0.0; ///< unused by the module
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

/// A supported mesh edge or mesh triangle of the entity's mesh: its corner vertex indices (2 or 3),
/// followed on a second-order mesh by its mid-edge vertex indices (1 or 3).
class Constraint : public ReferenceOnEntity
{
public:
    explicit Constraint(Task* task) : ReferenceOnEntity(task) {}

    /// One constraint per mesh edge or triangle of every edge or face that a fix feature of the
    /// entity's solid names, appended to `constraints` and filed in the task. Each carries its
    /// feature's components, or for a slide the axis of an axis-aligned normal as its one component,
    /// else no component and the unit normal.
    /// eInvalidArgument without entity or mesh, for a feature of the wrong class or a missing mesh
    /// element, and (reported) for a slide on a face that is not planar; eUnsupported (after reporting
    /// eRpt_EntityHasNoConstraints) when the solid has no fix feature, and for a path that is neither face
    /// nor edge.
    static EResult createConstraints(ut::IReporter& reporter, Task* task, std::shared_ptr<Entity>& entity,
                                     OdArray<std::shared_ptr<Constraint>>& constraints);

    /// Positions in the entity mesh's vertex list (0-based).
    OdArray<std::uint64_t> vertices;
    /// The held translations, digits 1 to 3 in ascending order (x, y, z).
    std::string components = "123";
    /// Zero, or the unit normal of a slide plane that is not axis-aligned: the displacement along it is
    /// held at every vertex (u . normal = 0), in addition to `components`.
    OdGeVector3d normal;
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
    /// One Force per force feature of the entity's solid, carrying the mesh triangles of all the faces
    /// it names; appended to `loads` and filed in the task. eOk with nothing reported when the solid
    /// has no force feature; eInvalidArgument as for createLoads; eUnsupported for an edge or any other
    /// path that is not a face.
    static EResult createForceLoads(ut::IReporter& reporter, Task* task, std::shared_ptr<Entity>& entity,
                                    OdArray<std::shared_ptr<Load>>& loads);

    double magnitude = 0.0;
    EUnits units = eNoUnits;
    OdGeVector3d direction;
    /// One entry per loaded mesh triangle: its 3 corner vertex positions in the entity mesh, followed
    /// on a second-order mesh by its 3 mid-edge vertex positions.
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

/// A total force spread evenly over its faces: `magnitude` is |F| in the modelling force unit and
/// `direction` the unit vector of F. The deck applies it as the directional pressure |F| / A on faces
/// of total area A.
class Force : public Load
{
public:
    explicit Force(Task* task) : Load(task) {}
};

/// The resultant that the deck's cards of `load` apply: for a normal pressure p times the integral of
/// the inward normal over its faces, for a directional one p A along its direction, for a force F.
/// Curved (six-vertex) faces are integrated over their curved shape. The zero vector when the load's
/// entity or mesh is gone.
OdGeVector3d totalForce(const Load& load);

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
    EUnits modelingMassUnits() const
    {
        return m_systemInternational ? eSI_Kilogram : eEnglish_LbfSecSqPerInch;
    }
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
    /// The same with a deck that carries `options`; run() is run({}).
    EResult run(const TaskDeckOptions& options);

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
