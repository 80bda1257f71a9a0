#pragma once

#include "platform/ge/GeCurve3d.h"
#include "platform/ge/GeKnotVector.h"

/// A non-uniform rational B-spline curve, open (non-periodic). The interval runs from knot
/// [degree] to knot [numKnots - degree - 1]; evaluation is de Boor's algorithm in homogeneous
/// coordinates. Splines made from fit points interpolate them exactly (see the constructor).
class OdGeNurbCurve3d : public OdGeCurve3d
{
public:
    /// An empty spline (no control points); it has no interval and evaluates to the origin.
    OdGeNurbCurve3d() = default;
    /// Non-rational spline. Needs numKnots == numControlPoints + degree + 1, 1 <= degree <= 25,
    /// non-decreasing knots and a non-empty interval; otherwise raises OdError(eInvalidInput)
    /// saying which requirement failed.
    OdGeNurbCurve3d(int degree, const OdGeKnotVector& knots, const OdGePoint3dArray& controlPoints);
    /// Rational spline; weights (one per control point, all > 0) may be empty for a
    /// non-rational one. Same checks as above.
    OdGeNurbCurve3d(int degree, const OdGeKnotVector& knots, const OdGePoint3dArray& controlPoints,
                    const OdGeDoubleArray& weights);
    /// The cubic spline through the fit points (at least 2, consecutive ones distinct),
    /// C2 inside, parameterised by cumulative chord length (fit point k at the sum of the
    /// distances up to it, so the interval is [0, total chord]). Knots: clamped, the inner fit
    /// parameters as simple knots. End conditions: at an end whose tangent is defined the
    /// first derivative equals that tangent (its direction scaled by the magnitude given;
    /// clamped end); at an end whose tangent is not defined, or is zero, the second derivative
    /// is zero (natural end). Raises OdError(eInvalidInput) for too few or coincident fit
    /// points.
    OdGeNurbCurve3d(const OdGePoint3dArray& fitPoints, const OdGeVector3d& startTangent,
                    const OdGeVector3d& endTangent, bool startTangentDefined = true,
                    bool endTangentDefined = true, const OdGeTol& fitTolerance = OdGeContext::gTol);
    /// The natural cubic spline (both ends natural) through the fit points, as above.
    explicit OdGeNurbCurve3d(const OdGePoint3dArray& fitPoints,
                             const OdGeTol& fitTolerance = OdGeContext::gTol);

    int degree() const { return m_degree; }
    int order() const { return m_degree + 1; }
    bool isRational() const { return !m_weights.isEmpty(); }
    int numControlPoints() const { return static_cast<int>(m_controlPoints.size()); }
    OdGePoint3d controlPointAt(int i) const { return m_controlPoints[static_cast<unsigned>(i)]; }
    /// 1.0 for a non-rational spline.
    double weightAt(int i) const { return isRational() ? m_weights[static_cast<unsigned>(i)] : 1.0; }
    int numKnots() const { return m_knots.length(); }
    double knotAt(int i) const { return m_knots[i]; }
    const OdGeKnotVector& knots() const { return m_knots; }
    void getDefinitionData(int& degree, bool& rational, bool& periodic, OdGeKnotVector& knots,
                           OdGePoint3dArray& controlPoints, OdGeDoubleArray& weights) const;
    /// The fit points the spline was made from (empty for a spline given by control points).
    int numFitPoints() const { return static_cast<int>(m_fitPoints.size()); }
    bool getFitPointAt(int i, OdGePoint3d& point) const;

    OdGe::EntityId type() const override { return OdGe::kNurbCurve3d; }
    bool isKindOf(OdGe::EntityId entType) const override;
    OdGeNurbCurve3d* copy() const override { return new OdGeNurbCurve3d(*this); }
    /// Transforms the control points (and fit points); splines accept every affine transform.
    OdGeNurbCurve3d& transformBy(const OdGeMatrix3d& xfm) override;

    void getInterval(OdGeInterval& interval) const override;
    bool hasStartPoint(OdGePoint3d& startPoint) const override;
    bool hasEndPoint(OdGePoint3d& endPoint) const override;
    /// Mirrors the knots in the interval and reverses the control points and weights.
    OdGeNurbCurve3d& reverseParam() override;
    /// Control points all on one line.
    bool isLinear(const OdGeTol& tol = OdGeContext::gTol) const override;
    /// False: a spline's parameter is not proportional to its arc length.
    bool isCircular(const OdGeTol& tol = OdGeContext::gTol) const override;
    OdGePoint3d evalPoint(double param) const override;
    OdGePoint3d evalPoint(double param, int numDeriv, OdGeVector3dArray& derivatives) const override;
    void getBreakParams(OdGeDoubleArray& params) const override;

protected:
    OdGeVector3d firstDerivative(double param) const override;

private:
    void validate() const;
    /// Index of the knot span [knot[s], knot[s+1]) holding param, clamped to the interval's spans.
    int findSpan(double param) const;
    /// The homogeneous point (w x, w y, w z, w) and its derivatives up to numDeriv at param.
    void evalHomogeneous(double param, int numDeriv, double out[3][4]) const;
    void interpolate(const OdGePoint3dArray& fitPoints, const OdGeVector3d* startTangent,
                     const OdGeVector3d* endTangent);

    int m_degree = 0;
    OdGeKnotVector m_knots;
    OdGePoint3dArray m_controlPoints;
    OdGeDoubleArray m_weights;
    OdGePoint3dArray m_fitPoints;
};
