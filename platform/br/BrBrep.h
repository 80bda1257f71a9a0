#pragma once

#include "platform/br/BrEnums.h"
#include "platform/ge/GeCurve3d.h"

#include <memory>

namespace OdBrDetail
{
struct BrepData;
}

/// Boundary representation of an entity. It holds its own snapshot of the entity's
/// geometry, so it stays valid after the entity changes or is destroyed. Faces, loops and
/// edges taken from it are light handles sharing that snapshot.
class OdBrBrep
{
public:
    OdBrBrep();
    ~OdBrBrep();
    OdBrBrep(const OdBrBrep&);
    OdBrBrep& operator=(const OdBrBrep&);

    /// True before the brep has been filled (by OdDbRegion::brep).
    bool isNull() const;
    /// Number of faces (0 for a null brep).
    int numFaces() const;

    /// Stand-in: shared snapshot used by the handles and traversers.
    const std::shared_ptr<const OdBrDetail::BrepData>& data() const { return m_data; }
    void setData(std::shared_ptr<const OdBrDetail::BrepData> data) { m_data = std::move(data); }

private:
    std::shared_ptr<const OdBrDetail::BrepData> m_data;
};

/// A face of a brep.
class OdBrFace
{
public:
    OdBrFace() = default;
    bool isNull() const { return !m_data; }
    /// Number of loops of the face.
    int numLoops() const;

    /// Stand-in: the shared snapshot and this face's number in it, for the host's face queries.
    const std::shared_ptr<const OdBrDetail::BrepData>& data() const { return m_data; }
    int faceIndex() const { return m_face; }

private:
    friend class OdBrBrepFaceTraverser;
    friend class OdBrFaceLoopTraverser;
    std::shared_ptr<const OdBrDetail::BrepData> m_data;
    int m_face = -1;
};

/// A loop of a face: its exterior boundary or a hole.
class OdBrLoop
{
public:
    OdBrLoop() = default;
    bool isNull() const { return !m_data; }
    /// odbrLoopExterior for the face's outer boundary, odbrLoopInterior for a hole,
    /// odbrLoopUnclassified for a null loop.
    OdBr::LoopType getType() const;
    /// Number of edges of the loop.
    int numEdges() const;

private:
    friend class OdBrFaceLoopTraverser;
    friend class OdBrLoopEdgeTraverser;
    std::shared_ptr<const OdBrDetail::BrepData> m_data;
    int m_face = -1;
    int m_loop = -1;
};

/// An edge of a loop.
class OdBrEdge
{
public:
    OdBrEdge() = default;
    bool isNull() const { return !m_data; }
    /// A new copy of the edge's curve, in the direction it was given in; the caller owns it
    /// (delete it). Null for a null edge.
    OdGeCurve3d* getCurve() const;

private:
    friend class OdBrLoopEdgeTraverser;
    std::shared_ptr<const OdBrDetail::BrepData> m_data;
    int m_face = -1;
    int m_loop = -1;
    int m_edge = -1;
};

/// Visits the faces of a brep in order. Usage: setBrep; while (!done()) { getFace(); next(); }
class OdBrBrepFaceTraverser
{
public:
    /// odbrUninitialisedObject for a null brep.
    OdBrErrorStatus setBrep(const OdBrBrep& brep);
    OdBrErrorStatus restart();
    bool done() const;
    /// odbrOutOfRange when already done.
    OdBrErrorStatus next();
    /// The current face; a null face when done.
    OdBrFace getFace() const;

private:
    std::shared_ptr<const OdBrDetail::BrepData> m_data;
    int m_face = 0;
};

/// Visits the loops of a face in order: the exterior loop first, then the holes.
class OdBrFaceLoopTraverser
{
public:
    /// odbrUninitialisedObject for a null face.
    OdBrErrorStatus setFace(const OdBrFace& face);
    OdBrErrorStatus restart();
    bool done() const;
    OdBrErrorStatus next();
    OdBrLoop getLoop() const;

private:
    std::shared_ptr<const OdBrDetail::BrepData> m_data;
    int m_face = -1;
    int m_loop = 0;
};

/// Visits the edges of a loop in order.
class OdBrLoopEdgeTraverser
{
public:
    /// odbrUninitialisedObject for a null loop.
    OdBrErrorStatus setLoop(const OdBrLoop& loop);
    OdBrErrorStatus restart();
    bool done() const;
    OdBrErrorStatus next();
    OdBrEdge getEdge() const;
    /// True when the current edge's curve runs along its loop. Loops run with the face on their left
    /// as seen from the face normal (+z): the exterior loop counter-clockwise, holes clockwise, whatever
    /// direction the region's curves were given in. False when done or not set.
    bool getEdgeOrientToLoop() const;

private:
    std::shared_ptr<const OdBrDetail::BrepData> m_data;
    int m_face = -1;
    int m_loop = -1;
    int m_edge = 0;
};
