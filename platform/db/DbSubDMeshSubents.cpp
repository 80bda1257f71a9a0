#include "platform/db/DbSubDMesh.h"

#include <cstdint>
#include <unordered_set>

namespace
{
std::uint64_t edgeKey(int a, int b)
{
    const auto lo = static_cast<std::uint32_t>(a < b ? a : b);
    const auto hi = static_cast<std::uint32_t>(a < b ? b : a);
    return (std::uint64_t(lo) << 32) | hi;
}
} // namespace

const OdInt32Array& OdDbSubDMesh::edges() const
{
    if (m_edgesValid)
        return m_edges;
    OdInt32Array result;
    std::unordered_set<std::uint64_t> seen;
    seen.reserve(m_faces.size());
    const int* f = m_faces.getPtr();
    for (std::size_t i = 0, n = m_faces.size(); i < n;)
    {
        const auto count = static_cast<std::size_t>(f[i]);
        const int* idx = f + i + 1;
        for (std::size_t k = 0; k < count; ++k)
        {
            const int a = idx[k], b = idx[(k + 1) % count];
            if (seen.insert(edgeKey(a, b)).second)
            {
                result.append(a);
                result.append(b);
            }
        }
        i += count + 1;
    }
    m_edges = result;
    m_edgesValid = true;
    return m_edges;
}

OdResult OdDbSubDMesh::getEdgeArray(OdInt32Array& edgeArray) const
{
    edgeArray = edges();
    return eOk;
}

OdResult OdDbSubDMesh::numOfEdges(int& count) const
{
    count = static_cast<int>(edges().size() / 2);
    return eOk;
}

bool OdDbSubDMesh::hasSubent(const OdDbSubentId& id) const
{
    int count = 0;
    switch (id.type())
    {
    case OdDb::kFaceSubentType:
        numOfFaces(count);
        break;
    case OdDb::kEdgeSubentType:
        numOfEdges(count);
        break;
    case OdDb::kVertexSubentType:
        numOfVertices(count);
        break;
    default:
        return false;
    }
    return id.index() >= 0 && id.index() < count;
}

OdResult OdDbSubDMesh::getSubentPath(OdGsMarker index, OdDb::SubentType type,
                                     OdDbFullSubentPathArray& paths) const
{
    const OdDbSubentId id(type, index);
    if (!hasSubent(id))
        return eInvalidInput;
    OdDbFullSubentPathArray result;
    result.append(OdDbFullSubentPath(objectId(), id));
    paths = result;
    return eOk;
}

OdResult OdDbSubDMesh::setSubentColor(const OdDbSubentId& subentId, const OdCmColor& color)
{
    if (!hasSubent(subentId))
        return eInvalidInput;
    m_subentColors[{subentId.type(), subentId.index()}] = color;
    return eOk;
}

OdResult OdDbSubDMesh::getSubentColor(const OdDbSubentId& subentId, OdCmColor& color) const
{
    if (!hasSubent(subentId))
        return eInvalidInput;
    const auto it = m_subentColors.find({subentId.type(), subentId.index()});
    if (it == m_subentColors.end())
        return eKeyNotFound;
    color = it->second;
    return eOk;
}

OdResult OdDbSubDMesh::setVertexColorArray(const OdCmEntityColorArray& colors)
{
    if (colors.size() != m_vertices.size())
        return eInvalidInput;
    m_vertexColors = colors;
    return eOk;
}

OdResult OdDbSubDMesh::getVertexColorArray(OdCmEntityColorArray& colors) const
{
    colors = m_vertexColors;
    return eOk;
}
