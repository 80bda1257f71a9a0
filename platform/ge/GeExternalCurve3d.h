#pragma once

#include "platform/ge/GeCurve3d.h"

/// A curve defined outside the geometry library (as a modeller's edge curve is). The
/// stand-in wraps a copy of a native curve and evaluates through it.
class OdGeExternalCurve3d : public OdGeCurve3d
{
public:
    /// An undefined external curve (no native curve): its interval is unbounded, it has no
    /// start or end point, and evaluation gives the origin.
    OdGeExternalCurve3d() = default;
    /// Wraps a copy of nativeCurve.
    explicit OdGeExternalCurve3d(const OdGeCurve3d& nativeCurve);
    OdGeExternalCurve3d(const OdGeExternalCurve3d& source);
    OdGeExternalCurve3d& operator=(const OdGeExternalCurve3d& source);
    ~OdGeExternalCurve3d() override;

    bool isDefined() const { return m_native != nullptr; }
    /// When the curve has a native equivalent: true, and nativeCurve receives a new copy of it
    /// that the caller owns. Otherwise false and nativeCurve is set to null.
    bool isNativeCurve(OdGeCurve3d*& nativeCurve) const;

    OdGe::EntityId type() const override { return OdGe::kExternalCurve3d; }
    bool isKindOf(OdGe::EntityId entType) const override;
    OdGeExternalCurve3d* copy() const override { return new OdGeExternalCurve3d(*this); }
    OdGeExternalCurve3d& transformBy(const OdGeMatrix3d& xfm) override;

    void getInterval(OdGeInterval& interval) const override;
    bool hasStartPoint(OdGePoint3d& startPoint) const override;
    bool hasEndPoint(OdGePoint3d& endPoint) const override;
    OdGeExternalCurve3d& reverseParam() override;
    bool isLinear(const OdGeTol& tol = OdGeContext::gTol) const override;
    bool isCircular(const OdGeTol& tol = OdGeContext::gTol) const override;
    bool isClosed(const OdGeTol& tol = OdGeContext::gTol) const override;
    double length(double fromParam, double toParam,
                  double tol = OdGeContext::gTol.equalPoint()) const override;
    double paramAtLength(double datumParam, double length, bool posParamDir = true,
                         double tol = OdGeContext::gTol.equalPoint()) const override;
    OdGePoint3d evalPoint(double param) const override;
    OdGePoint3d evalPoint(double param, int numDeriv, OdGeVector3dArray& derivatives) const override;
    double paramOf(const OdGePoint3d& point, const OdGeTol& tol = OdGeContext::gTol) const override;
    void getGeomExtents(OdGeExtents3d& extents) const override;
    void getBreakParams(OdGeDoubleArray& params) const override;

private:
    OdGeCurve3d* m_native = nullptr;
};
