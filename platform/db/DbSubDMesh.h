#pragma once

#include "platform/base/OdArray.h"
#include "platform/db/DbObject.h"
#include "platform/ge/GePoint3d.h"
#include "platform/ge/GeVector3d.h"

using OdGePoint3dArray = OdArray<OdGePoint3d>;
using OdGeVector3dArray = OdArray<OdGeVector3d>;

/// A subdivision mesh entity. Faces are stored as a face list: for each face a vertex count
/// followed by that many vertex indices.
class OdDbSubDMesh : public OdDbEntity
{
public:
    static OdSmartPtr<OdDbSubDMesh> createObject();

    /// Replaces the mesh data. eInvalidInput (and nothing changed) when the face list is
    /// malformed: a count below 3, a list that ends inside a face, or an index outside the
    /// vertex array; or when subDLevel is negative.
    OdResult setSubDMesh(const OdGePoint3dArray& vertexArray, const OdInt32Array& faceArray, int subDLevel);

    /// Copies share storage with the mesh (copy-on-write), so reading a large mesh is cheap.
    OdResult getVertices(OdGePoint3dArray& vertexArray) const;
    OdResult getFaceArray(OdInt32Array& faceArray) const;
    /// One unit normal per vertex: the area-weighted average of the normals of the faces that
    /// use it (zero for a vertex without faces).
    OdResult getNormalArray(OdGeVector3dArray& normalArray) const;
    OdResult numOfVertices(int& count) const;
    OdResult numOfFaces(int& count) const;
    int subDLevel() const { return m_level; }

    OdResult getGeomExtents(OdGeExtents3d& extents) const override;
    /// Moves every vertex.
    OdResult transformBy(const OdGeMatrix3d& xform) override;
    OdSmartPtr<OdDbEntity> clone() const override;

protected:
    /// Draws the mesh as a shell (its faces' outlines unless the traits ask for filling).
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

private:
    OdGePoint3dArray m_vertices;
    OdInt32Array m_faces;
    int m_level = 0;
};
using OdDbSubDMeshPtr = OdSmartPtr<OdDbSubDMesh>;
