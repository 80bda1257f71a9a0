#include "platform/db/DbCurve.h"

#include "platform/base/OdError.h"
#include "platform/db/DbArc.h"
#include "platform/db/DbCircle.h"
#include "platform/db/DbEllipse.h"
#include "platform/db/DbLine.h"
#include "platform/db/DbSpline.h"
#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeEllipArc3d.h"
#include "platform/ge/GeExternalCurve3d.h"
#include "platform/ge/GeLineSeg3d.h"
#include "platform/ge/GeMatrix3d.h"
#include "platform/ge/GePlane.h"
#include "platform/gi/GiWorldDraw.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace
{
constexpr double kTwoPi = 2.0 * std::numbers::pi;
/// Largest angle one chord of a drawn arc or circle spans: the chord then stays within 0.05% of
/// the radius of the arc, finer than a picture shows a glyph.
constexpr double kMaxChordAngle = std::numbers::pi / 64.0;

/// The geometry copy of a database curve, or null when it has none.
std::unique_ptr<OdGeCurve3d> geCopy(const OdDbCurve& curve)
{
    OdGeCurve3d* ge = nullptr;
    if (curve.getOdGeCurve(ge) != eOk)
    {
        delete ge;
        return nullptr;
    }
    return std::unique_ptr<OdGeCurve3d>(ge);
}

/// The x axis of the plane with the given normal, by the drawing's arbitrary-axis rule.
OdGeVector3d planeXAxis(const OdGeVector3d& normal)
{
    OdGePoint3d origin;
    OdGeVector3d u, v;
    OdGePlane(OdGePoint3d::kOrigin, normal).getCoordSystem(origin, u, v);
    return u;
}

/// The angle of the Ge arc's reference vector in the normal's plane.
double refAngle(const OdGeCircArc3d& arc)
{
    const OdGeVector3d u = planeXAxis(arc.normal());
    const OdGeVector3d v = arc.normal().crossProduct(u);
    return std::atan2(arc.refVec().dotProduct(v), arc.refVec().dotProduct(u));
}

/// The circular geometry of a circle or arc entity moved by xform, or null when the transform
/// would not keep it circular.
/// Moves a circle or an arc by `xform` onto the circle it lands on (centre, radius, normal); null, with
/// nothing changed, for a transform that would not keep it round.
std::unique_ptr<OdGeCircArc3d> moveRound(const OdDbCurve& curve, const OdGeMatrix3d& xform,
                                         OdGePoint3d& center, double& radius, OdGeVector3d& normal)
{
    OdGeCurve3d* ge = nullptr;
    if (curve.getOdGeCurve(ge) != eOk)
    {
        delete ge;
        return nullptr;
    }
    std::unique_ptr<OdGeCircArc3d> arc(static_cast<OdGeCircArc3d*>(ge));
    try
    {
        arc->transformBy(xform);
    }
    catch (const OdError&)
    {
        return nullptr;
    }
    center = arc->center();
    radius = arc->radius();
    normal = arc->normal();
    return arc;
}

OdResult setRadiusOf(double value, double& radius)
{
    if (!(value > 0.0))
        return eInvalidInput;
    radius = value;
    return eOk;
}

OdResult setNormalOf(const OdGeVector3d& value, OdGeVector3d& normal)
{
    if (value.isZeroLength())
        return eInvalidInput;
    normal = value.normal();
    return eOk;
}

/// Draws a circle or arc entity as chords no longer than kMaxChordAngle.
bool drawArc(const OdDbCurve& curve, OdGiWorldDraw* worldDraw)
{
    if (!worldDraw)
        return false;
    OdGeCurve3d* ge = nullptr;
    if (curve.getOdGeCurve(ge) != eOk)
    {
        delete ge;
        return true;
    }
    const std::unique_ptr<OdGeCurve3d> arc(ge);
    OdGeInterval iv;
    arc->getInterval(iv);
    const int chords = std::max(1, static_cast<int>(std::ceil(iv.length() / kMaxChordAngle)));
    OdGePoint3dArray points;
    for (int k = 0; k <= chords; ++k)
        points.append(
            arc->evalPoint(k == chords ? iv.upperBound() : iv.lowerBound() + iv.length() * k / chords));
    worldDraw->geometry().polyline(static_cast<std::int32_t>(points.size()), points.getPtr());
    return true;
}
} // namespace

OdResult OdDbCurve::getStartParam(double& param) const
{
    const auto ge = geCopy(*this);
    if (!ge)
        return eInvalidInput;
    OdGeInterval iv;
    ge->getInterval(iv);
    param = iv.lowerBound();
    return eOk;
}

OdResult OdDbCurve::getEndParam(double& param) const
{
    const auto ge = geCopy(*this);
    if (!ge)
        return eInvalidInput;
    OdGeInterval iv;
    ge->getInterval(iv);
    param = iv.upperBound();
    return eOk;
}

OdResult OdDbCurve::getStartPoint(OdGePoint3d& point) const
{
    const auto ge = geCopy(*this);
    return ge && ge->hasStartPoint(point) ? eOk : eInvalidInput;
}

OdResult OdDbCurve::getEndPoint(OdGePoint3d& point) const
{
    const auto ge = geCopy(*this);
    return ge && ge->hasEndPoint(point) ? eOk : eInvalidInput;
}

OdResult OdDbCurve::getPointAtParam(double param, OdGePoint3d& point) const
{
    const auto ge = geCopy(*this);
    if (!ge)
        return eInvalidInput;
    if (!ge->isOn(param))
        return eInvalidInput;
    point = ge->evalPoint(param);
    return eOk;
}

bool OdDbCurve::isClosed() const
{
    const auto ge = geCopy(*this);
    return ge && ge->isClosed();
}

OdResult OdDbCurve::getGeomExtents(OdGeExtents3d& extents) const
{
    const auto ge = geCopy(*this);
    if (!ge)
        return eInvalidExtents;
    OdGeExtents3d box;
    ge->getGeomExtents(box);
    if (!box.isValidExtents())
        return eInvalidExtents;
    extents = box;
    return eOk;
}

OdResult OdDbCurve::createFromOdGeCurve(const OdGeCurve3d& geCurve, OdDbCurve*& dbCurve,
                                        const OdGeVector3d* normal, const OdGeTol& tol)
{
    dbCurve = nullptr;
    switch (geCurve.type())
    {
    case OdGe::kLineSeg3d:
    {
        const auto& seg = static_cast<const OdGeLineSeg3d&>(geCurve);
        auto* line = new OdDbLine;
        line->setStartPoint(seg.startPoint());
        line->setEndPoint(seg.endPoint());
        dbCurve = line;
        return eOk;
    }
    case OdGe::kCircArc3d:
    {
        OdGeCircArc3d arc = static_cast<const OdGeCircArc3d&>(geCurve);
        if (normal && !normal->isZeroLength(tol) && arc.normal().dotProduct(*normal) < 0.0)
            arc.reverseParam();
        if (arc.isClosed(tol))
        {
            auto* circle = new OdDbCircle;
            circle->setCenter(arc.center());
            circle->setRadius(arc.radius());
            circle->setNormal(arc.normal());
            dbCurve = circle;
            return eOk;
        }
        auto* dbArc = new OdDbArc;
        dbArc->setCenter(arc.center());
        dbArc->setRadius(arc.radius());
        dbArc->setNormal(arc.normal());
        const double shift = refAngle(arc);
        dbArc->setStartAngle(arc.startAng() + shift);
        dbArc->setEndAngle(arc.endAng() + shift);
        dbCurve = dbArc;
        return eOk;
    }
    case OdGe::kEllipArc3d:
    {
        const auto& arc = static_cast<const OdGeEllipArc3d&>(geCurve);
        // The entity runs counter-clockwise about its normal from start to end: a reversed curve is
        // stored about the opposite normal, where its angles run the other way.
        const bool reversed = arc.isReversed();
        const double s = arc.angleAt(reversed ? arc.endAng() : arc.startAng());
        const double e = arc.angleAt(reversed ? arc.startAng() : arc.endAng());
        auto* ellipse = new OdDbEllipse;
        const OdGeVector3d n = arc.normal();
        if (ellipse->set(arc.center(), n, arc.majorAxis() * arc.majorRadius(),
                         arc.minorRadius() / arc.majorRadius(), s, e) != eOk)
        {
            delete ellipse;
            return eInvalidInput;
        }
        dbCurve = ellipse;
        return eOk;
    }
    case OdGe::kNurbCurve3d:
    {
        auto* spline = new OdDbSpline;
        if (spline->setFromOdGeCurve(static_cast<const OdGeNurbCurve3d&>(geCurve)) != eOk)
        {
            delete spline;
            return eInvalidInput;
        }
        dbCurve = spline;
        return eOk;
    }
    case OdGe::kExternalCurve3d:
    {
        OdGeCurve3d* native = nullptr;
        if (!static_cast<const OdGeExternalCurve3d&>(geCurve).isNativeCurve(native))
            return eNotApplicable;
        const std::unique_ptr<OdGeCurve3d> owned(native);
        return createFromOdGeCurve(*native, dbCurve, normal, tol);
    }
    default:
        return eNotApplicable;
    }
}

OdSmartPtr<OdDbLine> OdDbLine::createObject()
{
    return odrxCreateObject<OdDbLine>();
}

OdResult OdDbLine::getOdGeCurve(OdGeCurve3d*& geCurve, const OdGeTol&) const
{
    geCurve = new OdGeLineSeg3d(m_start, m_end);
    return eOk;
}

OdSmartPtr<OdDbCircle> OdDbCircle::createObject()
{
    return odrxCreateObject<OdDbCircle>();
}

OdResult OdDbCircle::setRadius(double radius)
{
    return setRadiusOf(radius, m_radius);
}

OdResult OdDbCircle::setNormal(const OdGeVector3d& normal)
{
    return setNormalOf(normal, m_normal);
}

OdResult OdDbCircle::getOdGeCurve(OdGeCurve3d*& geCurve, const OdGeTol&) const
{
    geCurve = new OdGeCircArc3d(m_center, m_normal, planeXAxis(m_normal), m_radius, 0.0, kTwoPi);
    return eOk;
}

OdSmartPtr<OdDbArc> OdDbArc::createObject()
{
    return odrxCreateObject<OdDbArc>();
}

OdResult OdDbArc::setRadius(double radius)
{
    return setRadiusOf(radius, m_radius);
}

OdResult OdDbArc::setNormal(const OdGeVector3d& normal)
{
    return setNormalOf(normal, m_normal);
}

OdResult OdDbArc::getOdGeCurve(OdGeCurve3d*& geCurve, const OdGeTol&) const
{
    double end = m_endAngle;
    if (end <= m_startAngle)
        end += kTwoPi * (std::floor((m_startAngle - end) / kTwoPi) + 1.0);
    geCurve = new OdGeCircArc3d(m_center, m_normal, planeXAxis(m_normal), m_radius, m_startAngle, end);
    return eOk;
}

OdSmartPtr<OdDbSpline> OdDbSpline::createObject()
{
    return odrxCreateObject<OdDbSpline>();
}

OdResult OdDbSpline::setFromOdGeCurve(const OdGeNurbCurve3d& curve)
{
    if (curve.numControlPoints() == 0)
        return eInvalidInput;
    m_curve = curve;
    return eOk;
}

OdResult OdDbSpline::getOdGeCurve(OdGeCurve3d*& geCurve, const OdGeTol&) const
{
    if (m_curve.numControlPoints() == 0)
        return eInvalidInput;
    geCurve = m_curve.copy();
    return eOk;
}

OdResult OdDbLine::transformBy(const OdGeMatrix3d& xform)
{
    m_start = xform * m_start;
    m_end = xform * m_end;
    return eOk;
}

OdSmartPtr<OdDbEntity> OdDbLine::clone() const
{
    return OdSmartPtr<OdDbEntity>(new OdDbLine(*this));
}

bool OdDbLine::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw)
        return false;
    const OdGePoint3d points[2] = {m_start, m_end};
    worldDraw->geometry().polyline(2, points);
    return true;
}

OdResult OdDbCircle::transformBy(const OdGeMatrix3d& xform)
{
    return moveRound(*this, xform, m_center, m_radius, m_normal) ? eOk : eNotApplicable;
}

OdSmartPtr<OdDbEntity> OdDbCircle::clone() const
{
    return OdSmartPtr<OdDbEntity>(new OdDbCircle(*this));
}

bool OdDbCircle::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    return drawArc(*this, worldDraw);
}

OdResult OdDbArc::transformBy(const OdGeMatrix3d& xform)
{
    const auto arc = moveRound(*this, xform, m_center, m_radius, m_normal);
    if (!arc)
        return eNotApplicable;
    const double shift = refAngle(*arc);
    m_startAngle = arc->startAng() + shift;
    m_endAngle = arc->endAng() + shift;
    return eOk;
}

OdSmartPtr<OdDbEntity> OdDbArc::clone() const
{
    return OdSmartPtr<OdDbEntity>(new OdDbArc(*this));
}

bool OdDbArc::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    return drawArc(*this, worldDraw);
}

OdResult OdDbSpline::transformBy(const OdGeMatrix3d& xform)
{
    if (m_curve.numControlPoints() == 0)
        return eInvalidInput;
    m_curve.transformBy(xform);
    return eOk;
}

OdSmartPtr<OdDbEntity> OdDbSpline::clone() const
{
    return OdSmartPtr<OdDbEntity>(new OdDbSpline(*this));
}

bool OdDbSpline::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw)
        return false;
    if (m_curve.numControlPoints() > 0)
        worldDraw->geometry().nurbs(m_curve);
    return true;
}

OdSmartPtr<OdDbEllipse> OdDbEllipse::createObject()
{
    return odrxCreateObject<OdDbEllipse>();
}

OdResult OdDbEllipse::set(const OdGePoint3d& center, const OdGeVector3d& normal,
                          const OdGeVector3d& majorAxis, double radiusRatio, double startAngle,
                          double endAngle)
{
    if (normal.isZeroLength() || majorAxis.isZeroLength() || !(radiusRatio > 0.0 && radiusRatio <= 1.0) ||
        std::abs(majorAxis.normal().dotProduct(normal.normal())) > OdGeContext::gTol.equalVector())
        return eInvalidInput;
    m_center = center;
    m_normal = normal.normal();
    m_majorAxis = majorAxis;
    m_radiusRatio = radiusRatio;
    m_startAngle = startAngle;
    m_endAngle = endAngle;
    return eOk;
}

OdResult OdDbEllipse::getOdGeCurve(OdGeCurve3d*& geCurve, const OdGeTol&) const
{
    double end = m_endAngle;
    if (end <= m_startAngle)
        end += kTwoPi * (std::floor((m_startAngle - end) / kTwoPi) + 1.0);
    const double major = m_majorAxis.length();
    geCurve = new OdGeEllipArc3d(m_center, m_normal, m_majorAxis, major, major * m_radiusRatio, m_startAngle,
                                 std::min(end, m_startAngle + kTwoPi));
    return eOk;
}

OdResult OdDbEllipse::transformBy(const OdGeMatrix3d& xform)
{
    OdGeCurve3d* ge = nullptr;
    if (getOdGeCurve(ge) != eOk)
        return eInvalidInput;
    const std::unique_ptr<OdGeEllipArc3d> arc(static_cast<OdGeEllipArc3d*>(ge));
    try
    {
        arc->transformBy(xform);
    }
    catch (const OdError&)
    {
        return eNotApplicable;
    }
    m_center = arc->center();
    m_normal = arc->normal();
    m_majorAxis = arc->majorAxis() * arc->majorRadius();
    return eOk;
}

OdSmartPtr<OdDbEntity> OdDbEllipse::clone() const
{
    return OdSmartPtr<OdDbEntity>(new OdDbEllipse(*this));
}

bool OdDbEllipse::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    return drawArc(*this, worldDraw);
}
