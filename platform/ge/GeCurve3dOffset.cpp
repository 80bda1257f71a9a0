#include "platform/base/OdError.h"
#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeCurve3d.h"
#include "platform/ge/GeExternalCurve3d.h"
#include "platform/ge/GeLineSeg3d.h"
#include "platform/ge/GeNurbCurve3d.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace
{
/// Samples of the first offset approximation (at least one per formula piece); doubled until
/// it fits, so a curve of many short pieces starts at its own resolution.
constexpr int kFirstSamples = 16;
/// Samples per formula piece when checking that a curve lies in the plane.
constexpr int kPlaneCheckSamplesPerSpan = 8;
/// Upper bound on the samples of one offset approximation: a cubic through 2^16 points is
/// far finer than anything a glyph or a mesh needs, and the bound keeps a pathological curve
/// from running away.
constexpr int kMaxOffsetSamples = 1 << 16;
/// Newton steps of the local closest-point search in the fitting check; each step roughly
/// squares the error, so a handful reach double precision from a midpoint guess.
constexpr int kClosestPointSteps = 8;

/// The size of the curve, to scale the absolute tolerance to the model.
double curveSize(const OdGeCurve3d& curve)
{
    OdGeExtents3d box;
    curve.getGeomExtents(box);
    return box.isValidExtents() ? (box.maxPoint() - box.minPoint()).length() : 0.0;
}

void requireInPlane(const OdGeCurve3d& curve, const OdGeVector3d& n, const OdGeTol& tol)
{
    OdGeInterval iv;
    curve.getInterval(iv);
    if (!iv.isBounded())
        throw OdError(eInvalidInput, "getTrimmedOffset: the curve is unbounded");
    OdGeDoubleArray breaks;
    curve.getBreakParams(breaks);
    const OdGePoint3d origin = curve.evalPoint(iv.lowerBound());
    const double allowed = tol.equalPoint() * std::max(1.0, curveSize(curve));
    for (unsigned i = 0; i + 1 < breaks.size(); ++i)
        for (int k = 0; k <= kPlaneCheckSamplesPerSpan; ++k)
        {
            const double t = breaks[i] + (breaks[i + 1] - breaks[i]) * k / kPlaneCheckSamplesPerSpan;
            if (std::abs((curve.evalPoint(t) - origin).dotProduct(n)) > allowed)
                throw OdError(eInvalidInput, "getTrimmedOffset: the curve does not lie in a plane "
                                             "perpendicular to the plane normal");
        }
}

/// The exact offset point at t and the factor 1 + d k by which offsetting stretches the
/// curve there (k the signed curvature about n); the offset folds back where it is <= 0.
struct OffsetSample
{
    OdGePoint3d point;
    OdGeVector3d tangent;
    double stretch = 1.0;
};

bool offsetSample(const OdGeCurve3d& curve, double t, double d, const OdGeVector3d& n, OffsetSample& out)
{
    OdGeVector3dArray der;
    const OdGePoint3d p = curve.evalPoint(t, 2, der);
    const double speed = der[0].length();
    if (speed == 0.0)
        return false;
    out.tangent = der[0] / speed;
    out.point = p + out.tangent.crossProduct(n) * d;
    out.stretch = 1.0 + d * der[0].crossProduct(der[1]).dotProduct(n) / (speed * speed * speed);
    return true;
}

/// The parameter near `guess` (within [lo, hi]) whose curve point is closest to q.
double closestParamNear(const OdGeCurve3d& curve, const OdGePoint3d& q, double guess, double lo, double hi)
{
    double t = guess;
    for (int k = 0; k < kClosestPointSteps; ++k)
    {
        OdGeVector3dArray der;
        const OdGeVector3d r = curve.evalPoint(t, 2, der) - q;
        const double g = r.dotProduct(der[0]);
        const double dg = der[0].lengthSqrd() + r.dotProduct(der[1]);
        if (dg <= 0.0)
            break;
        t = std::clamp(t - g / dg, lo, hi);
    }
    return t;
}

/// A cubic spline through offset points of `curve`, refined until it meets `allowed`;
/// null when the offset folds back or the curve has a point without a tangent.
std::unique_ptr<OdGeCurve3d> sampledOffset(const OdGeCurve3d& curve, double d, const OdGeVector3d& n,
                                           double allowed)
{
    OdGeDoubleArray breaks;
    curve.getBreakParams(breaks);
    const int spans = static_cast<int>(breaks.size()) - 1;
    if (spans < 1)
        return nullptr;
    for (int perSpan = std::max(1, (kFirstSamples + spans - 1) / spans); perSpan * spans <= kMaxOffsetSamples;
         perSpan *= 2)
    {
        OdGeDoubleArray params;
        OdGePoint3dArray points;
        OdGeVector3d startTangent, endTangent;
        for (int i = 0; i < spans; ++i)
            for (int k = (i == 0 ? 0 : 1); k <= perSpan; ++k)
            {
                const double t =
                    k == perSpan ? breaks[i + 1] : breaks[i] + (breaks[i + 1] - breaks[i]) * k / perSpan;
                OffsetSample s;
                if (!offsetSample(curve, t, d, n, s) || s.stretch <= 0.0)
                    return nullptr;
                if (params.isEmpty())
                    startTangent = s.tangent;
                endTangent = s.tangent;
                params.append(t);
                points.append(s.point);
            }
        auto fit = std::make_unique<OdGeNurbCurve3d>(points, startTangent, endTangent);
        // The fit's parameters are the cumulative chord lengths of its points.
        double worst = 0.0, chord = 0.0;
        bool folds = false;
        for (unsigned k = 0; k + 1 < points.size(); ++k)
        {
            const double step = points[k].distanceTo(points[k + 1]);
            const OdGePoint3d q = fit->evalPoint(chord + 0.5 * step);
            chord += step;
            const double t =
                closestParamNear(curve, q, 0.5 * (params[k] + params[k + 1]), params[k], params[k + 1]);
            OffsetSample exact;
            if (!offsetSample(curve, t, d, n, exact) || exact.stretch <= 0.0)
            {
                folds = true;
                break;
            }
            worst = std::max(worst, q.distanceTo(exact.point));
        }
        if (folds)
            return nullptr;
        if (worst <= allowed || 2 * perSpan * spans > kMaxOffsetSamples)
            return fit;
    }
    return nullptr;
}
} // namespace

void OdGeCurve3d::getTrimmedOffset(double distance, const OdGeVector3d& planeNormal,
                                   OdGeCurve3dPtrArray& offsetCurveList, OdGe::OffsetCrvExtType,
                                   const OdGeTol& tol) const
{
    if (planeNormal.isZeroLength(tol))
        throw OdError(eInvalidInput, "getTrimmedOffset: the plane normal is zero");
    const OdGeVector3d n = planeNormal.normal(tol);
    if (type() == OdGe::kExternalCurve3d)
    {
        OdGeCurve3d* native = nullptr;
        if (!static_cast<const OdGeExternalCurve3d*>(this)->isNativeCurve(native))
            throw OdError(eInvalidInput, "getTrimmedOffset: the external curve is undefined");
        const std::unique_ptr<OdGeCurve3d> owned(native);
        native->getTrimmedOffset(distance, planeNormal, offsetCurveList, OdGe::kFillet, tol);
        return;
    }
    requireInPlane(*this, n, tol);
    if (distance == 0.0)
    {
        offsetCurveList.append(OdSharedPtr<OdGeCurve3d>(copy()));
        return;
    }
    switch (type())
    {
    case OdGe::kLineSeg3d:
    {
        const auto& line = static_cast<const OdGeLineSeg3d&>(*this);
        const OdGeVector3d dir = line.direction();
        if (dir.isZeroLength(tol))
            return;
        const OdGeVector3d shift = dir.normal().crossProduct(n) * distance;
        offsetCurveList.append(
            OdSharedPtr<OdGeCurve3d>(new OdGeLineSeg3d(line.startPoint() + shift, line.endPoint() + shift)));
        return;
    }
    case OdGe::kCircArc3d:
    {
        const auto& arc = static_cast<const OdGeCircArc3d&>(*this);
        if (!arc.normal().isParallelTo(n, tol))
            throw OdError(eInvalidInput, "getTrimmedOffset: the arc does not lie in a plane perpendicular "
                                         "to the plane normal");
        // t x n points away from the centre when the arc turns counter-clockwise about n.
        const double radius = arc.radius() + (arc.normal().dotProduct(n) > 0.0 ? distance : -distance);
        if (radius <= tol.equalPoint())
            return;
        auto* result = new OdGeCircArc3d(arc);
        result->set(arc.center(), arc.normal(), arc.refVec(), radius, arc.startAng(), arc.endAng());
        offsetCurveList.append(OdSharedPtr<OdGeCurve3d>(result));
        return;
    }
    default:
    {
        const double allowed = tol.equalPoint() * std::max(1.0, curveSize(*this));
        if (auto result = sampledOffset(*this, distance, n, allowed))
            offsetCurveList.append(OdSharedPtr<OdGeCurve3d>(result.release()));
        return;
    }
    }
}
