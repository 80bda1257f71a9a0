#pragma once

#include "platform/base/OdArray.h"
#include "platform/cm/CmColor.h"
#include "platform/db/DbObject.h"
#include "platform/db/DbSubentId.h"
#include "platform/ge/GePoint3d.h"
#include "platform/ge/GeVector3d.h"

#include <map>
#include <utility>

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

    /// The mesh's edges as consecutive vertex-index pairs: every distinct undirected side of a
    /// face, in the order the face list first meets it, each pair as the face walks it.
    OdResult getEdgeArray(OdInt32Array& edgeArray) const;
    OdResult numOfEdges(int& count) const;
    /// The path of face, edge or vertex `index` (0-based in the face list, the edge array or the
    /// vertex array): this mesh's id and the sub-entity id. eInvalidInput for another type or an
    /// index out of range.
    OdResult getSubentPath(OdGsMarker index, OdDb::SubentType type, OdDbFullSubentPathArray& paths) const;
    /// Colours one face, edge or vertex; eInvalidInput when the sub-entity does not exist.
    /// Replacing the mesh data (setSubDMesh) drops every sub-entity colour.
    OdResult setSubentColor(const OdDbSubentId& subentId, const OdCmColor& color);
    /// eInvalidInput when the sub-entity does not exist, eKeyNotFound when it has no colour.
    OdResult getSubentColor(const OdDbSubentId& subentId, OdCmColor& color) const;
    /// One colour per vertex, in vertex order; eInvalidInput (nothing changed) when the count does
    /// not match. Replacing the mesh data drops the vertex colours.
    OdResult setVertexColorArray(const OdCmEntityColorArray& colors);
    OdResult getVertexColorArray(OdCmEntityColorArray& colors) const;

protected:
    /// Draws the mesh as a shell (its faces' outlines unless the traits ask for filling).
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

private:
    bool hasSubent(const OdDbSubentId& subentId) const;
    const OdInt32Array& edges() const;

    OdGePoint3dArray m_vertices;
    OdInt32Array m_faces;
    /// Faces in m_faces, counted once: sub-entity lookups ask for it per face.
    int m_faceCount = 0;
    int m_level = 0;
    mutable OdInt32Array m_edges; ///< derived from m_faces on first use
    mutable bool m_edgesValid = false;
    std::map<std::pair<int, OdGsMarker>, OdCmColor> m_subentColors;
    OdCmEntityColorArray m_vertexColors;
};
using OdDbSubDMeshPtr = OdSmartPtr<OdDbSubDMesh>;
