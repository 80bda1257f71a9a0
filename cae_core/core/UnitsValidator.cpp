#include "cae_core/core/Units.h"

#include "cae_core/task/Mesh.h"
#include "cae_core/task/TaskObjects.h"
#include "host/ut/Assert.h"

namespace cae_core
{
namespace
{
constexpr const char* kSource = "cae_core/cae_api_units";

bool check(bool condition, const char* expression, int line)
{
    if (!condition)
        ut::callAssert(expression, nullptr, kSource, line);
    return condition;
}
} // namespace

bool UnitsValidator::validate(Task& task) const
{
    const EUnits length = task.modelingLinearUnits();
    const EUnits pressure = task.modelingPressureUnits();
    for (const auto& entity : task.m_entities)
    {
        if (!check(entity != nullptr, "pEntity", 118) ||
            !check(entity->mesh != nullptr, "pEntity->mesh", 119) ||
            !check(entity->mesh->units() == length, "pEntity->mesh->units() == lengthUnits", 120))
            return false;
    }
    for (const auto& load : task.m_loads)
    {
        if (!check(load != nullptr, "pLoad", 125))
            return false;
        if (dynamic_cast<const Pressure*>(load.get()))
        {
            if (!check(load->units == pressure, "pLoad->units == pressureUnits", 129))
                return false;
        }
        else
            ut::callAssert("Type of load is not supported yet", nullptr, kSource, 133);
    }
    for (const auto& constraint : task.m_constraints)
        if (!check(constraint != nullptr, "pConstraint", 137))
            return false;
    return true;
}
} // namespace cae_core
