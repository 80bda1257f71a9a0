#include "cae_core/task/TaskOutput.h"

#include "cae_core/task/Factory.h"
#include "host/ut/Assert.h"

namespace cae_core
{
std::shared_ptr<Mesh> TaskOutput::apply(Task* task, std::shared_ptr<Mesh> mesh, double factor)
{
    if (!task || !mesh)
        return nullptr;
    auto displaced = Factory::instance().createMesh(task);
    if (!displaced)
        return nullptr;
    for (std::uint64_t i = 0; i < mesh->nbVertices(); ++i)
    {
        const auto& source = mesh->vertex(i);
        if (!source)
            return nullptr;
        OdGePoint3d p = source->point;
        const auto found = vertexData.find(source->id());
        if (found != vertexData.end())
            p += found->second.displacement * factor;
        // Points stay in the modelling unit: the displaced mesh is converted once, when drawn.
        auto vertex = Factory::instance().createMeshVertex(task);
        vertex->point = p;
        vertex->subentId = source->subentId;
        const std::uint64_t index = displaced->m_vertices.append(vertex);
        if (index != i)
        {
            ut::callAssert("0", nullptr, "cae_core/cae_api_task_output", 55);
            return nullptr;
        }
        const auto& added = displaced->vertex(index);
        if (!added)
        {
            ut::callAssert("pNewVertex", nullptr, "cae_core/cae_api_task_output", 59);
            return nullptr;
        }
        if (found != vertexData.end())
            vertexData[added->id()] = found->second.copy(factor);
    }
    mesh->shareTopology(displaced.get());
    return displaced;
}
} // namespace cae_core
