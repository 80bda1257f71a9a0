#include "cae_core/task/Factory.h"

namespace cae_core
{
std::shared_ptr<Task> FactoryImpl::createTask(const OdString& name, OdDb::UnitsValue documentUnits,
                                              bool systemInternational)
{
    auto task = std::make_shared<Task>(documentUnits, systemInternational);
    task->m_name = name;
    return task;
}

void FactoryImpl::onTaskDestroyed(Task* task)
{
    m_counters.erase(task);
}

std::uint64_t FactoryImpl::nextId(Task* task, std::type_index concreteClass)
{
    auto& counter = m_counters[task].try_emplace(concreteClass, 1).first->second;
    return counter++;
}

Factory::Factory() : m_impl(std::make_shared<FactoryImpl>()) {}

Factory& Factory::instance()
{
    static Factory s_factory;
    return s_factory;
}

template <class T, class NumberedAs> std::shared_ptr<T> Factory::numbered(Task* task)
{
    auto object = std::make_shared<T>(task);
    object->setId(m_impl->nextId(task, std::type_index(typeid(NumberedAs))));
    return object;
}

std::shared_ptr<Task> Factory::createTask(const OdString& name, OdDb::UnitsValue documentUnits,
                                          bool systemInternational)
{
    return m_impl->createTask(name, documentUnits, systemInternational);
}

namespace
{
template <class T, class List>
std::shared_ptr<T> filed(std::shared_ptr<T> object, List& list, const OdDbObjectId& originalId)
{
    list.append(object);
    object->setOriginalId(originalId);
    return object;
}
} // namespace

std::shared_ptr<Entity> Factory::createEntity(Task* task, const OdDbObjectId& originalId)
{
    return task ? filed(numbered<Entity>(task), task->m_entities, originalId) : nullptr;
}

std::shared_ptr<Material> Factory::createMaterial(Task* task, const OdDbObjectId& originalId)
{
    return task ? filed(numbered<Material>(task), task->m_materials, originalId) : nullptr;
}

std::shared_ptr<Pressure> Factory::createPressure(Task* task, const OdDbObjectId& originalId)
{
    if (!task)
        return nullptr;
    auto pressure = numbered<Pressure>(task);
    task->m_loads.append(pressure);
    pressure->setOriginalId(originalId);
    return pressure;
}

std::shared_ptr<Force> Factory::createForce(Task* task, const OdDbObjectId& originalId)
{
    if (!task)
        return nullptr;
    auto force = numbered<Force, Pressure>(task);
    task->m_loads.append(force);
    force->setOriginalId(originalId);
    return force;
}

std::shared_ptr<Constraint> Factory::createConstraint(Task* task, const OdDbObjectId& originalId)
{
    return task ? filed(numbered<Constraint>(task), task->m_constraints, originalId) : nullptr;
}

std::shared_ptr<MeshVertex> Factory::createMeshVertex(Task* task)
{
    return numbered<MeshVertex>(task);
}

std::shared_ptr<MeshEdge> Factory::createMeshEdge(Task* task)
{
    return numbered<MeshEdge>(task);
}

std::shared_ptr<MeshTriangle> Factory::createMeshTriangle(Task* task)
{
    return numbered<MeshTriangle>(task);
}

std::shared_ptr<MeshTetra> Factory::createMeshTetra(Task* task)
{
    return numbered<MeshTetra>(task);
}

std::shared_ptr<Mesh> Factory::createMesh(Task* task)
{
    return numbered<Mesh>(task);
}

void Factory::onTaskDestroyed(Task* task)
{
    m_impl->onTaskDestroyed(task);
}
} // namespace cae_core
