#include "platform/db/DbSubDMesh.h"

#include <cstddef>
#include <vector>

OdSmartPtr<OdDbSubDMesh> OdDbSubDMesh::createObject()
{
    return odrxCreateObject<OdDbSubDMesh>();
}

OdResult OdDbSubDMesh::setSubDMesh(const OdGePoint3dArray& vertexArray, const OdInt32Array& faceArray,
                                   int subDLevel)
{
    if (subDLevel < 0)
        return eInvalidInput;
    const auto nVertices = static_cast<long long>(vertexArray.size());
    const OdInt32Array::size_type n = faceArray.size();
    int faceCount = 0;
    for (OdInt32Array::size_type i = 0; i < n;)
    {
        const int count = faceArray[i];
        if (count < 3 || static_cast<long long>(n - i - 1) < count)
            return eInvalidInput;
        for (int k = 1; k <= count; ++k)
        {
            const int index = faceArray[i + static_cast<OdInt32Array::size_type>(k)];
            if (index < 0 || index >= nVertices)
                return eInvalidInput;
        }
        i += static_cast<OdInt32Array::size_type>(count) + 1;
        ++faceCount;
    }
    m_vertices = vertexArray;
    m_faces = faceArray;
    m_faceCount = faceCount;
    m_level = subDLevel;
    m_edgesValid = false;
    m_subentColors.clear();
    m_vertexColors.clear();
    return eOk;
}

OdResult OdDbSubDMesh::getVertices(OdGePoint3dArray& vertexArray) const
{
    vertexArray = m_vertices;
    return eOk;
}

OdResult OdDbSubDMesh::getFaceArray(OdInt32Array& faceArray) const
{
    faceArray = m_faces;
    return eOk;
}

OdResult OdDbSubDMesh::getNormalArray(OdGeVector3dArray& normalArray) const
{
    const OdGePoint3d* v = m_vertices.getPtr();
    const int* f = m_faces.getPtr();
    const std::size_t nFaceInts = m_faces.size();
    std::vector<OdGeVector3d> sums(m_vertices.size());
    for (std::size_t i = 0; i < nFaceInts;)
    {
        const auto count = static_cast<std::size_t>(f[i]);
        const int* idx = f + i + 1;
        // Newell's method: the vector is normal to the polygon and twice its area long, so the
        // sum over faces weights each face by its area (and copes with non-planar faces).
        OdGeVector3d faceNormal;
        for (std::size_t k = 0; k < count; ++k)
        {
            const OdGePoint3d& p = v[idx[k]];
            const OdGePoint3d& q = v[idx[(k + 1) % count]];
            faceNormal.x += (p.y - q.y) * (p.z + q.z);
            faceNormal.y += (p.z - q.z) * (p.x + q.x);
            faceNormal.z += (p.x - q.x) * (p.y + q.y);
        }
        for (std::size_t k = 0; k < count; ++k)
            sums[static_cast<std::size_t>(idx[k])] += faceNormal;
        i += count + 1;
    }
    OdGeVector3dArray normals(static_cast<OdGeVector3dArray::size_type>(sums.size()));
    for (const OdGeVector3d& s : sums)
    {
        // A vertex without faces (or only degenerate ones) has no direction: zero, not NaN.
        const double len = s.length();
        normals.append(len > 0.0 ? s / len : OdGeVector3d());
    }
    normalArray = normals;
    return eOk;
}

OdResult OdDbSubDMesh::numOfVertices(int& count) const
{
    count = static_cast<int>(m_vertices.size());
    return eOk;
}

OdResult OdDbSubDMesh::numOfFaces(int& count) const
{
    count = m_faceCount;
    return eOk;
}

OdResult OdDbSubDMesh::getGeomExtents(OdGeExtents3d& extents) const
{
    if (m_vertices.isEmpty())
        return eInvalidExtents;
    OdGeExtents3d box;
    for (const OdGePoint3d& p : m_vertices)
        box.addPoint(p);
    extents = box;
    return eOk;
}
