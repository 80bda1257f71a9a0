#include "platform/db/DbHatch.h"

#include "platform/base/OdError.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbPlanarTransform.h"
#include "platform/gi/GiWorldDraw.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace
{
constexpr double kPi = std::numbers::pi;
/// Metric pattern definitions are the imperial ones in millimetres per inch.
constexpr double kMetricPatternUnit = 25.4;

/// One boundary piece in 2D: a straight segment (no centre) or an arc from a to b, turning
/// by `sweep` radians (positive counter-clockwise) about centre.
struct Piece
{
    OdGePoint2d a;
    OdGePoint2d b;
    bool isArc = false;
    OdGePoint2d center;
    double radius = 0.0;
    double startAngle = 0.0;
    double sweep = 0.0;
};

/// The piece from a to b with the given bulge (tan of a quarter of the included angle).
Piece makePiece(const OdGePoint2d& a, const OdGePoint2d& b, double bulge)
{
    Piece p;
    p.a = a;
    p.b = b;
    const OdGeVector2d chord = b - a;
    if (bulge == 0.0 || chord.isZeroLength())
        return p;
    p.isArc = true;
    p.sweep = 4.0 * std::atan(bulge);
    // The centre lies on the chord's perpendicular bisector, (1 - b^2) / (4 b) chord lengths
    // to the left of it: to the left for a counter-clockwise arc of less than half a turn.
    p.center = a + chord * 0.5 + chord.perpVector() * ((1.0 - bulge * bulge) / (4.0 * bulge));
    p.radius = (a - p.center).length();
    p.startAngle = (a - p.center).angle();
    return p;
}

std::vector<Piece> piecesOf(const OdGePoint2dArray& vertices, const OdGeDoubleArray& bulges)
{
    std::vector<Piece> pieces;
    const unsigned n = vertices.size();
    for (unsigned i = 0; i < n; ++i)
    {
        const double bulge = bulges.isEmpty() ? 0.0 : bulges[i];
        pieces.push_back(makePiece(vertices[i], vertices[(i + 1) % n], bulge));
    }
    return pieces;
}

OdGePoint2d arcPoint(const Piece& p, double angle)
{
    return p.center + OdGeVector2d(std::cos(angle), std::sin(angle)) * p.radius;
}

/// Where the piece crosses the line {x : x . across = h}, as positions x . along, appended
/// to hits. Each end counts as lying above the line when its height is greater than h, so a
/// line through a shared vertex is crossed once, not twice, and a touching line not at all.
void crossings(const Piece& p, const OdGeVector2d& along, const OdGeVector2d& across, double h,
               std::vector<double>& hits)
{
    auto crossStraight = [&](const OdGePoint2d& a, const OdGePoint2d& b)
    {
        const double ha = a.asVector().dotProduct(across), hb = b.asVector().dotProduct(across);
        if ((ha > h) == (hb > h))
            return;
        const double f = (h - ha) / (hb - ha);
        hits.push_back((a + (b - a) * f).asVector().dotProduct(along));
    };
    if (!p.isArc)
    {
        crossStraight(p.a, p.b);
        return;
    }
    // Split the arc where its height is extreme (angles of +-across); each part is monotone
    // in height and crosses at most once, at the angle where cos(angle - phi) = (h - hc) / r.
    const double phi = across.angle();
    const double hc = p.center.asVector().dotProduct(across);
    std::vector<double> cuts{p.startAngle};
    const double lo = std::min(p.startAngle, p.startAngle + p.sweep);
    const double hi = std::max(p.startAngle, p.startAngle + p.sweep);
    for (double e = phi - 4.0 * kPi; e <= hi; e += kPi)
        if (e > lo && e < hi)
            cuts.push_back(e);
    std::sort(cuts.begin() + 1, cuts.end(), [&](double x, double y) { return p.sweep > 0 ? x < y : x > y; });
    cuts.push_back(p.startAngle + p.sweep);
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i)
    {
        const double t0 = cuts[i], t1 = cuts[i + 1];
        const OdGePoint2d a = i == 0 ? p.a : arcPoint(p, t0);
        const OdGePoint2d b = i + 2 == cuts.size() ? p.b : arcPoint(p, t1);
        const double ha = a.asVector().dotProduct(across), hb = b.asVector().dotProduct(across);
        if ((ha > h) == (hb > h))
            continue;
        const double c = std::clamp((h - hc) / p.radius, -1.0, 1.0);
        const double d = std::acos(c);
        // Of the two angles with that height, the one inside this monotone part.
        double best = t0, bestGap = 1e300;
        for (double base : {phi + d, phi - d})
            for (int k = -3; k <= 3; ++k)
            {
                const double t = base + 2.0 * kPi * k;
                const double gap = std::max(std::min(t0, t1) - t, t - std::max(t0, t1));
                if (gap < bestGap)
                {
                    bestGap = gap;
                    best = t;
                }
            }
        hits.push_back(arcPoint(p, best).asVector().dotProduct(along));
    }
}
} // namespace

OdSmartPtr<OdDbHatch> OdDbHatch::createObject()
{
    return odrxCreateObject<OdDbHatch>();
}

void OdDbHatch::appendLoop(int loopType, const OdGePoint2dArray& vertices, const OdGeDoubleArray& bulges)
{
    if (!(loopType & kPolyline))
        throw OdError(eInvalidInput, "OdDbHatch::appendLoop: a loop of vertices must be of polyline type");
    if (vertices.size() < 2)
        throw OdError(eInvalidInput, "OdDbHatch::appendLoop: a loop needs at least 2 vertices");
    if (!bulges.isEmpty() && bulges.size() != vertices.size())
        throw OdError(eInvalidInput, "OdDbHatch::appendLoop: give one bulge per vertex or none");
    Loop loop;
    loop.type = loopType;
    loop.vertices = vertices;
    loop.bulges = bulges;
    if (loop.bulges.isEmpty())
        loop.bulges.resize(vertices.size(), 0.0);
    m_loops.push_back(loop);
}

int OdDbHatch::loopTypeAt(int loopIndex) const
{
    return m_loops.at(static_cast<std::size_t>(loopIndex)).type;
}

void OdDbHatch::getLoopAt(int loopIndex, OdGePoint2dArray& vertices, OdGeDoubleArray& bulges) const
{
    const Loop& loop = m_loops.at(static_cast<std::size_t>(loopIndex));
    vertices = loop.vertices;
    bulges = loop.bulges;
}

void OdDbHatch::setPattern(HatchPatternType patternType, const OdString& patternName)
{
    std::vector<PatternLine> pattern;
    const double unit = m_metricPatterns ? kMetricPatternUnit : 1.0;
    if (patternType == kPreDefined && patternName.iCompare(OdString(L"ANSI31")) == 0)
        pattern.push_back({kPi / 4.0, OdGePoint2d(0.0, 0.0), OdGeVector2d(0.0, 0.125 * unit)});
    else if (patternType != kPreDefined || patternName.iCompare(OdString(L"SOLID")) != 0)
        throw OdError(eInvalidInput, (std::string("OdDbHatch::setPattern: the pattern \"") +
                                      OdAnsiString(patternName).c_str() + "\" is not defined")
                                         .c_str());
    m_patternType = patternType;
    m_patternName = patternName;
    m_pattern = pattern;
}

void OdDbHatch::setPatternScale(double scale)
{
    if (!(scale > 0.0) || !std::isfinite(scale))
        throw OdError(eInvalidInput, "OdDbHatch::setPatternScale: the scale must be positive");
    m_patternScale = scale;
}

void OdDbHatch::getHatchLinesData(OdGePoint2dArray& startPoints, OdGePoint2dArray& endPoints) const
{
    startPoints.clear();
    endPoints.clear();
    std::vector<Piece> pieces;
    for (const Loop& loop : m_loops)
    {
        const auto p = piecesOf(loop.vertices, loop.bulges);
        pieces.insert(pieces.end(), p.begin(), p.end());
    }
    OdGeExtents3d box;
    if (pieces.empty() || getGeomExtents(box) != eOk)
        return;
    const OdGePoint2d corners[4] = {
        {box.minPoint().x, box.minPoint().y},
        {box.maxPoint().x, box.minPoint().y},
        {box.minPoint().x, box.maxPoint().y},
        {box.maxPoint().x, box.maxPoint().y},
    };
    for (const PatternLine& family : m_pattern)
    {
        const double angle = family.angle + m_patternAngle;
        const OdGeVector2d along(std::cos(angle), std::sin(angle));
        const OdGeVector2d across = along.perpVector();
        const double spacing = std::abs(family.offset.y) * m_patternScale;
        if (!(spacing > 0.0))
            continue;
        const OdGePoint2d base =
            m_origin + family.basePoint.asVector().rotateBy(m_patternAngle) * m_patternScale;
        const double h0 = base.asVector().dotProduct(across);
        double hMin = 1e300, hMax = -1e300;
        for (const OdGePoint2d& c : corners)
        {
            hMin = std::min(hMin, c.asVector().dotProduct(across));
            hMax = std::max(hMax, c.asVector().dotProduct(across));
        }
        if ((hMax - hMin) / spacing > kMaxHatchLines)
        {
            startPoints.clear();
            endPoints.clear();
            return;
        }
        const auto kFirst = static_cast<long long>(std::ceil((hMin - h0) / spacing));
        const auto kLast = static_cast<long long>(std::floor((hMax - h0) / spacing));
        std::vector<double> hits;
        for (long long k = kFirst; k <= kLast; ++k)
        {
            const double h = h0 + static_cast<double>(k) * spacing;
            hits.clear();
            for (const Piece& p : pieces)
                crossings(p, along, across, h, hits);
            std::sort(hits.begin(), hits.end());
            for (std::size_t i = 0; i + 1 < hits.size(); i += 2)
            {
                if (hits[i + 1] <= hits[i])
                    continue;
                startPoints.append(OdGePoint2d(0.0, 0.0) + along * hits[i] + across * h);
                endPoints.append(OdGePoint2d(0.0, 0.0) + along * hits[i + 1] + across * h);
            }
        }
    }
}

OdResult OdDbHatch::getGeomExtents(OdGeExtents3d& extents) const
{
    OdGeExtents3d box;
    for (const Loop& loop : m_loops)
        for (const Piece& p : piecesOf(loop.vertices, loop.bulges))
        {
            box.addPoint(OdGePoint3d(p.a.x, p.a.y, 0.0));
            if (!p.isArc)
                continue;
            const double lo = std::min(p.startAngle, p.startAngle + p.sweep);
            const double hi = std::max(p.startAngle, p.startAngle + p.sweep);
            for (int q = -8; q <= 8; ++q)
            {
                const double e = q * kPi / 2.0;
                if (e > lo && e < hi)
                {
                    const OdGePoint2d x = arcPoint(p, e);
                    box.addPoint(OdGePoint3d(x.x, x.y, 0.0));
                }
            }
        }
    if (!box.isValidExtents())
        return eInvalidExtents;
    extents = box;
    return eOk;
}

void OdDbHatch::setDatabaseDefaults(OdDbDatabase* database)
{
    OdDbEntity::setDatabaseDefaults(database);
    if (database)
        m_metricPatterns = database->getMEASUREMENT() == OdDb::kMetric;
}

OdResult OdDbHatch::transformBy(const OdGeMatrix3d& xform)
{
    const auto planar = OdDbDetail::planarPart(xform);
    // The hatch lies at elevation 0: a transform that lifts it cannot be followed either.
    if (!planar || !planar->uniform || planar->mirrors ||
        std::abs((xform * OdGePoint3d::kOrigin).z) > OdGeContext::gTol.equalPoint())
        return eNotApplicable;
    auto moved = [&xform](const OdGePoint2d& p)
    {
        const OdGePoint3d q = xform * OdGePoint3d(p.x, p.y, 0.0);
        return OdGePoint2d(q.x, q.y);
    };
    for (Loop& loop : m_loops)
        for (OdGePoint2d& v : loop.vertices)
            v = moved(v);
    m_origin = moved(m_origin);
    m_patternAngle += planar->rotation;
    m_patternScale *= planar->scale;
    return eOk;
}

OdSmartPtr<OdDbEntity> OdDbHatch::clone() const
{
    return OdSmartPtr<OdDbEntity>(new OdDbHatch(*this));
}

bool OdDbHatch::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw)
        return false;
    OdGePoint2dArray starts, ends;
    getHatchLinesData(starts, ends);
    for (unsigned i = 0; i < starts.size(); ++i)
    {
        const OdGePoint3d line[2] = {OdGePoint3d(starts[i].x, starts[i].y, 0.0),
                                     OdGePoint3d(ends[i].x, ends[i].y, 0.0)};
        worldDraw->geometry().polyline(2, line);
    }
    return true;
}
