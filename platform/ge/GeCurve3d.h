#pragma once

#include "platform/base/OdArray.h"
#include "platform/base/SharedPtr.h"
#include "platform/ge/GeDoubleArray.h"
#include "platform/ge/GeEntity3d.h"
#include "platform/ge/GeExtents3d.h"
#include "platform/ge/GeInterval.h"
#include "platform/ge/GePoint3dArray.h"
#include "platform/ge/GeVector3dArray.h"

class OdGeCurve3d;
/// A list of curves owned jointly by their holders, as offsets are handed back.
using OdGeCurve3dPtrArray = OdArray<OdSharedPtr<OdGeCurve3d>>;

namespace OdGe
{
/// How the offsets of neighbouring pieces of a compound curve are joined. The stand-in's
/// curves are single pieces, so the choice never comes into play.
enum OffsetCrvExtType
{
    kFillet,
    kChamfer,
    kExtend,
};
} // namespace OdGe

/// A bounded parametric curve of the SDK. Every curve of the stand-in has a bounded
/// interval; reverseParam keeps the interval and the point set and swaps the ends.
class OdGeCurve3d : public OdGeEntity3d
{
public:
    bool isKindOf(OdGe::EntityId entType) const override;

    /// The curve's parameter interval.
    virtual void getInterval(OdGeInterval& interval) const = 0;
    /// The point at the lower end of the interval; false when the interval has no lower bound.
    virtual bool hasStartPoint(OdGePoint3d& startPoint) const;
    /// The point at the upper end of the interval; false when the interval has no upper bound.
    virtual bool hasEndPoint(OdGePoint3d& endPoint) const;
    /// Reverses the direction of travel: afterwards evalPoint(lower + upper - t) gives the
    /// point that evalPoint(t) gave before, so the ends swap.
    virtual OdGeCurve3d& reverseParam() = 0;

    /// True when every point of the curve lies on one straight line (within tol.equalPoint()).
    virtual bool isLinear(const OdGeTol& tol = OdGeContext::gTol) const;
    /// True when the curve is a circular arc or circle, so that parameter and arc length are
    /// proportional (evenly spaced parameters give evenly spaced points).
    virtual bool isCircular(const OdGeTol& tol = OdGeContext::gTol) const;
    /// True when the start and end points coincide within tol.equalPoint().
    virtual bool isClosed(const OdGeTol& tol = OdGeContext::gTol) const;

    /// Arc length between two parameters (in either order; always >= 0), accurate to about tol
    /// (absolute, drawing units).
    virtual double length(double fromParam, double toParam,
                          double tol = OdGeContext::gTol.equalPoint()) const;
    /// The parameter at arc length `length` from datumParam, going in the direction of
    /// increasing parameter when posParamDir, else decreasing. Clamped to the interval.
    virtual double paramAtLength(double datumParam, double length, bool posParamDir = true,
                                 double tol = OdGeContext::gTol.equalPoint()) const;

    /// numSample points evenly spaced in parameter. An open curve: both ends included
    /// (spacing (upper - lower) / (numSample - 1)). A closed curve: the start is not repeated
    /// at the end (spacing (upper - lower) / numSample). numSample < 1 gives no points; 1 gives
    /// the start point.
    void getSamplePoints(int numSample, OdGePoint3dArray& points, OdGeDoubleArray& params) const;
    /// As above without the parameters.
    void getSamplePoints(int numSample, OdGePoint3dArray& points) const;

    /// True when param lies in the interval, its ends widened by tol.equalPoint().
    bool isOn(double param, const OdGeTol& tol = OdGeContext::gTol) const;
    /// True when point lies on the curve within tol.equalPoint().
    bool isOn(const OdGePoint3d& point, const OdGeTol& tol = OdGeContext::gTol) const;
    /// As above; on success param is the parameter of point.
    bool isOn(const OdGePoint3d& point, double& param, const OdGeTol& tol = OdGeContext::gTol) const;

    /// The point at param. Parameters outside the interval extrapolate the curve's formula.
    virtual OdGePoint3d evalPoint(double param) const = 0;
    /// The point at param and its first numDeriv derivatives (numDeriv 0..2) in derivatives.
    virtual OdGePoint3d evalPoint(double param, int numDeriv, OdGeVector3dArray& derivatives) const = 0;
    /// The parameter of the curve point closest to point.
    virtual double paramOf(const OdGePoint3d& point, const OdGeTol& tol = OdGeContext::gTol) const;
    /// The curve point closest to point.
    OdGePoint3d closestPointTo(const OdGePoint3d& point, const OdGeTol& tol = OdGeContext::gTol) const;
    /// Stand-in: adds the curve's tight bounding box (extreme points included) to extents.
    virtual void getGeomExtents(OdGeExtents3d& extents) const;
    /// Stand-in: the parameters where the curve's formula changes (the interval ends and, for
    /// a spline, its distinct inner knots), ascending. Numerical routines split there.
    virtual void getBreakParams(OdGeDoubleArray& params) const;

    /// The curve offset by `distance` in the plane perpendicular to planeNormal, appended to
    /// offsetCurveList. A positive distance moves every point along t x planeNormal (t the
    /// unit tangent): to the right of the direction of travel seen from planeNormal's tip, so
    /// out of a region whose loop runs counter-clockwise. Lines and arcs give their exact
    /// offsets (an arc shrunk to radius 0 or less gives none). Other curves are offset point
    /// by point and interpolated by a cubic spline, sampled more finely until the spline lies
    /// within tol.equalPoint() times max(1, the curve's size) of the true offset at every
    /// midpoint between samples: the global tolerance at the scale of the model, far below
    /// any mesh size. A curve whose offset would fold back on itself (the distance reaches a
    /// radius of curvature on that side) gives none rather than a looped curve. Raises
    /// OdError(eInvalidInput) for a zero planeNormal or a curve not in a plane perpendicular
    /// to it.
    void getTrimmedOffset(double distance, const OdGeVector3d& planeNormal,
                          OdGeCurve3dPtrArray& offsetCurveList,
                          OdGe::OffsetCrvExtType extensionType = OdGe::kFillet,
                          const OdGeTol& tol = OdGeContext::gTol) const;

    OdGeCurve3d* copy() const override = 0;
    OdGeCurve3d& transformBy(const OdGeMatrix3d& xfm) override = 0;

protected:
    OdGeCurve3d() = default;
    OdGeCurve3d(const OdGeCurve3d&) = default;
    OdGeCurve3d& operator=(const OdGeCurve3d&) = default;

    /// First derivative at param, for the numerical routines' inner loops. The default goes
    /// through evalPoint with an array; curves may answer without allocating.
    virtual OdGeVector3d firstDerivative(double param) const;
};
