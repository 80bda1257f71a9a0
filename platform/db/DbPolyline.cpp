#include "platform/db/DbPolyline.h"

#include "platform/base/OdError.h"
#include "platform/db/DbPlanarTransform.h"
#include "platform/gi/GiWorldDraw.h"

#include <array>
#include <cmath>
#include <numbers>

namespace
{
/// Arc segments are flattened into chords of at most this angle: 64 chords to the full circle.
constexpr double kMaxChordAngle = std::numbers::pi / 32.0;

/// The circle of an arc segment from a to b with the given bulge (not 0).
struct Arc
{
    OdGePoint2d center;
    double radius;
    double startAngle;
    double sweep; ///< signed: positive counter-clockwise
};

Arc arcOf(const OdGePoint2d& a, const OdGePoint2d& b, double bulge)
{
    const double sweep = 4.0 * std::atan(bulge);
    const OdGeVector2d chord = b - a;
    const double half = chord.length() / 2.0;
    const OdGePoint2d mid(a.x + chord.x / 2.0, a.y + chord.y / 2.0);
    // The centre lies left of the chord for a counter-clockwise arc of less than half a turn.
    const OdGeVector2d left = chord.normal().perpVector();
    const OdGePoint2d center = mid + left * (half / std::tan(sweep / 2.0));
    return Arc{center, center.distanceTo(a), std::atan2(a.y - center.y, a.x - center.x), sweep};
}

/// True when `angle` lies on the arc's sweep.
bool onSweep(const Arc& arc, double angle)
{
    const double turn = 2.0 * std::numbers::pi;
    double d = arc.sweep >= 0.0 ? angle - arc.startAngle : arc.startAngle - angle;
    d = std::fmod(d, turn);
    if (d < 0.0)
        d += turn;
    return d <= std::abs(arc.sweep);
}
} // namespace

OdSmartPtr<OdDbPolyline> OdDbPolyline::createObject()
{
    return odrxCreateObject<OdDbPolyline>();
}

void OdDbPolyline::addVertexAt(unsigned int index, const OdGePoint2d& point, double bulge, double startWidth,
                               double endWidth)
{
    if (index > m_vertices.size())
        throw OdError_InvalidIndex();
    m_vertices.insert(m_vertices.begin() + index, Vertex{point, bulge, startWidth, endWidth});
}

const OdDbPolyline::Vertex& OdDbPolyline::vertexAt(unsigned int index) const
{
    if (index >= m_vertices.size())
        throw OdError_InvalidIndex();
    return m_vertices[index];
}

void OdDbPolyline::getPointAt(unsigned int index, OdGePoint2d& point) const
{
    point = vertexAt(index).point;
}

void OdDbPolyline::getPointAt(unsigned int index, OdGePoint3d& point) const
{
    const OdGePoint2d& p = vertexAt(index).point;
    point.set(p.x, p.y, m_elevation);
}

double OdDbPolyline::getBulgeAt(unsigned int index) const
{
    return vertexAt(index).bulge;
}

void OdDbPolyline::getWidthsAt(unsigned int index, double& startWidth, double& endWidth) const
{
    startWidth = vertexAt(index).startWidth;
    endWidth = vertexAt(index).endWidth;
}

OdResult OdDbPolyline::getGeomExtents(OdGeExtents3d& extents) const
{
    if (m_vertices.empty())
        return eInvalidExtents;
    OdGeExtents3d box;
    const std::size_t n = m_vertices.size();
    const std::size_t segments = m_closed ? n : n - 1;
    for (std::size_t i = 0; i < n; ++i)
        box.addPoint(OdGePoint3d(m_vertices[i].point.x, m_vertices[i].point.y, m_elevation));
    for (std::size_t i = 0; i < segments; ++i)
    {
        const Vertex& v = m_vertices[i];
        const OdGePoint2d& next = m_vertices[(i + 1) % n].point;
        if (v.bulge == 0.0 || v.point.isEqualTo(next))
            continue;
        const Arc arc = arcOf(v.point, next, v.bulge);
        for (int k = 0; k < 4; ++k)
        {
            const double angle = k * std::numbers::pi / 2.0;
            if (onSweep(arc, angle))
                box.addPoint(OdGePoint3d(arc.center.x + arc.radius * std::cos(angle),
                                         arc.center.y + arc.radius * std::sin(angle), m_elevation));
        }
    }
    extents = box;
    return eOk;
}

OdResult OdDbPolyline::transformBy(const OdGeMatrix3d& xform)
{
    const auto planar = OdDbDetail::planarPart(xform);
    if (!planar)
        return eNotApplicable;
    bool hasArcs = false;
    for (const Vertex& v : m_vertices)
        hasArcs = hasArcs || v.bulge != 0.0;
    if (hasArcs && !planar->uniform)
        return eNotApplicable;
    double elevation = m_elevation;
    for (Vertex& v : m_vertices)
    {
        const OdGePoint3d p = xform * OdGePoint3d(v.point.x, v.point.y, m_elevation);
        v.point.set(p.x, p.y);
        elevation = p.z;
        if (planar->mirrors)
            v.bulge = -v.bulge;
        if (planar->uniform)
        {
            if (v.startWidth > 0.0)
                v.startWidth *= planar->scale;
            if (v.endWidth > 0.0)
                v.endWidth *= planar->scale;
        }
    }
    m_elevation = m_vertices.empty() ? (xform * OdGePoint3d(0.0, 0.0, m_elevation)).z : elevation;
    return eOk;
}

OdSmartPtr<OdDbEntity> OdDbPolyline::clone() const
{
    return OdSmartPtr<OdDbEntity>(new OdDbPolyline(*this));
}

std::vector<OdGePoint3d> OdDbPolyline::flattened() const
{
    std::vector<OdGePoint3d> points;
    const std::size_t n = m_vertices.size();
    if (n == 0)
        return points;
    const std::size_t segments = m_closed ? n : n - 1;
    points.emplace_back(m_vertices[0].point.x, m_vertices[0].point.y, m_elevation);
    for (std::size_t i = 0; i < segments; ++i)
    {
        const Vertex& v = m_vertices[i];
        const OdGePoint2d& next = m_vertices[(i + 1) % n].point;
        if (v.bulge != 0.0 && !v.point.isEqualTo(next))
        {
            const Arc arc = arcOf(v.point, next, v.bulge);
            const int chords = std::max(2, static_cast<int>(std::ceil(std::abs(arc.sweep) / kMaxChordAngle)));
            for (int k = 1; k < chords; ++k)
            {
                const double angle = arc.startAngle + arc.sweep * k / chords;
                points.emplace_back(arc.center.x + arc.radius * std::cos(angle),
                                    arc.center.y + arc.radius * std::sin(angle), m_elevation);
            }
        }
        points.emplace_back(next.x, next.y, m_elevation);
    }
    return points;
}

bool OdDbPolyline::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw)
        return false;
    const std::vector<OdGePoint3d> points = flattened();
    if (!points.empty())
        worldDraw->geometry().polyline(static_cast<std::int32_t>(points.size()), points.data());
    return true;
}
