#include "platform/br/BrBrep.h"

#include "platform/br/BrepData.h"
#include "platform/db/DbRegion.h"

namespace
{
using OdBrDetail::BrepData;

int faceCount(const std::shared_ptr<const BrepData>& d)
{
    return d ? static_cast<int>(d->faces.size()) : 0;
}

int loopCount(const std::shared_ptr<const BrepData>& d, int face)
{
    return (d && face >= 0 && face < faceCount(d))
               ? static_cast<int>(d->faces[static_cast<std::size_t>(face)].loops.size())
               : 0;
}

int edgeCount(const std::shared_ptr<const BrepData>& d, int face, int loop)
{
    if (loop < 0 || loop >= loopCount(d, face))
        return 0;
    return static_cast<int>(
        d->faces[static_cast<std::size_t>(face)].loops[static_cast<std::size_t>(loop)].size());
}
} // namespace

// Lives here rather than in od_db so that the library graph stays a tree: od_br depends on
// od_db, not the other way round.
OdResult OdDbRegion::brep(OdBrBrep& brep) const
{
    if (m_loops.empty())
        return eInvalidInput;
    auto data = std::make_shared<BrepData>();
    auto& face = data->faces.emplace_back();
    for (const Loop& loop : m_loops)
    {
        auto& edges = face.loops.emplace_back();
        for (const auto& curve : loop)
            edges.emplace_back(curve->copy());
    }
    brep.setData(std::move(data));
    return eOk;
}

OdBrBrep::OdBrBrep() = default;
OdBrBrep::~OdBrBrep() = default;
OdBrBrep::OdBrBrep(const OdBrBrep&) = default;
OdBrBrep& OdBrBrep::operator=(const OdBrBrep&) = default;

bool OdBrBrep::isNull() const
{
    return !m_data;
}

int OdBrBrep::numFaces() const
{
    return faceCount(m_data);
}

int OdBrFace::numLoops() const
{
    return loopCount(m_data, m_face);
}

OdBr::LoopType OdBrLoop::getType() const
{
    if (!m_data || m_loop < 0)
        return OdBr::odbrLoopUnclassified;
    return m_loop == 0 ? OdBr::odbrLoopExterior : OdBr::odbrLoopInterior;
}

int OdBrLoop::numEdges() const
{
    return edgeCount(m_data, m_face, m_loop);
}

OdGeCurve3d* OdBrEdge::getCurve() const
{
    if (!m_data || m_edge < 0 || m_edge >= edgeCount(m_data, m_face, m_loop))
        return nullptr;
    const auto& curve = m_data->faces[static_cast<std::size_t>(m_face)]
                            .loops[static_cast<std::size_t>(m_loop)][static_cast<std::size_t>(m_edge)];
    return curve ? curve->copy() : nullptr;
}

OdBrErrorStatus OdBrBrepFaceTraverser::setBrep(const OdBrBrep& brep)
{
    if (brep.isNull())
        return odbrUninitialisedObject;
    m_data = brep.data();
    m_face = 0;
    return odbrOK;
}

OdBrErrorStatus OdBrBrepFaceTraverser::restart()
{
    if (!m_data)
        return odbrUninitialisedObject;
    m_face = 0;
    return odbrOK;
}

bool OdBrBrepFaceTraverser::done() const
{
    return m_face >= faceCount(m_data);
}

OdBrErrorStatus OdBrBrepFaceTraverser::next()
{
    if (done())
        return odbrOutOfRange;
    ++m_face;
    return odbrOK;
}

OdBrFace OdBrBrepFaceTraverser::getFace() const
{
    OdBrFace face;
    if (!done())
    {
        face.m_data = m_data;
        face.m_face = m_face;
    }
    return face;
}

OdBrErrorStatus OdBrFaceLoopTraverser::setFace(const OdBrFace& face)
{
    if (face.isNull())
        return odbrUninitialisedObject;
    m_data = face.m_data;
    m_face = face.m_face;
    m_loop = 0;
    return odbrOK;
}

OdBrErrorStatus OdBrFaceLoopTraverser::restart()
{
    if (!m_data)
        return odbrUninitialisedObject;
    m_loop = 0;
    return odbrOK;
}

bool OdBrFaceLoopTraverser::done() const
{
    return m_loop >= loopCount(m_data, m_face);
}

OdBrErrorStatus OdBrFaceLoopTraverser::next()
{
    if (done())
        return odbrOutOfRange;
    ++m_loop;
    return odbrOK;
}

OdBrLoop OdBrFaceLoopTraverser::getLoop() const
{
    OdBrLoop loop;
    if (!done())
    {
        loop.m_data = m_data;
        loop.m_face = m_face;
        loop.m_loop = m_loop;
    }
    return loop;
}

OdBrErrorStatus OdBrLoopEdgeTraverser::setLoop(const OdBrLoop& loop)
{
    if (loop.isNull())
        return odbrUninitialisedObject;
    m_data = loop.m_data;
    m_face = loop.m_face;
    m_loop = loop.m_loop;
    m_edge = 0;
    return odbrOK;
}

OdBrErrorStatus OdBrLoopEdgeTraverser::restart()
{
    if (!m_data)
        return odbrUninitialisedObject;
    m_edge = 0;
    return odbrOK;
}

bool OdBrLoopEdgeTraverser::done() const
{
    return m_edge >= edgeCount(m_data, m_face, m_loop);
}

OdBrErrorStatus OdBrLoopEdgeTraverser::next()
{
    if (done())
        return odbrOutOfRange;
    ++m_edge;
    return odbrOK;
}

OdBrEdge OdBrLoopEdgeTraverser::getEdge() const
{
    OdBrEdge edge;
    if (!done())
    {
        edge.m_data = m_data;
        edge.m_face = m_face;
        edge.m_loop = m_loop;
        edge.m_edge = m_edge;
    }
    return edge;
}
