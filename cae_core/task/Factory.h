#pragma once

#include "cae_core/task/Mesh.h"
#include "cae_core/task/TaskObjects.h"

#include <map>
#include <memory>
#include <typeindex>

namespace cae_core
{
/// Carries the factory's id counters and creates the objects.
class FactoryImpl
{
public:
    std::shared_ptr<Task> createTask(const OdString& name, OdDb::UnitsValue documentUnits,
                                     bool systemInternational);
    void onTaskDestroyed(Task* task);
    /// The next id of class C in `task`: 1 for the first.
    std::uint64_t nextId(Task* task, std::type_index concreteClass);

private:
    std::map<Task*, std::map<std::type_index, std::uint64_t>> m_counters;
};

/// Creates and numbers every task object: ids run from 1 per task and concrete class.
///
/// Threads: the one instance has no lock. Tasks and their objects are created and changed on one thread at
/// a time (the command thread, or the worker running a task while the command thread only waits).
class Factory
{
public:
    static Factory& instance();

    Factory(const Factory&) = default;
    Factory(Factory&&) = default;
    Factory& operator=(const Factory&) = default;
    Factory& operator=(Factory&&) = default;

    /// A new task named `name`; the task itself is not numbered.
    std::shared_ptr<Task> createTask(const OdString& name, OdDb::UnitsValue documentUnits,
                                     bool systemInternational);
    /// A numbered object filed in its task's list and given `originalId`; empty for a null task.
    std::shared_ptr<Entity> createEntity(Task* task, const OdDbObjectId& originalId);
    std::shared_ptr<Material> createMaterial(Task* task, const OdDbObjectId& originalId);
    std::shared_ptr<Pressure> createPressure(Task* task, const OdDbObjectId& originalId);
    /// Forces are numbered with the pressures: a load's id is its load set in the deck, which must be
    /// unique among all the loads of the task.
    std::shared_ptr<Force> createForce(Task* task, const OdDbObjectId& originalId);
    std::shared_ptr<Constraint> createConstraint(Task* task, const OdDbObjectId& originalId);
    /// A numbered mesh element of `task`, filed nowhere.
    std::shared_ptr<MeshVertex> createMeshVertex(Task* task);
    std::shared_ptr<MeshEdge> createMeshEdge(Task* task);
    std::shared_ptr<MeshTriangle> createMeshTriangle(Task* task);
    std::shared_ptr<MeshTetra> createMeshTetra(Task* task);
    std::shared_ptr<Mesh> createMesh(Task* task);
    /// Forgets the id counters of `task`; the host calls it when it releases the task.
    void onTaskDestroyed(Task* task);

private:
    Factory();
    template <class T, class NumberedAs = T> std::shared_ptr<T> numbered(Task* task);

    std::shared_ptr<FactoryImpl> m_impl;
};
} // namespace cae_core
