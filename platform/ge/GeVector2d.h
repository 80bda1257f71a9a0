#pragma once

#include "platform/ge/GeContext.h"

#include <cmath>
#include <numbers>

/// 2D vector of the SDK.
class OdGeVector2d
{
public:
    double x = 0.0;
    double y = 0.0;

    static const OdGeVector2d kXAxis;
    static const OdGeVector2d kYAxis;
    static const OdGeVector2d kIdentity;

    constexpr OdGeVector2d() = default;
    constexpr OdGeVector2d(double xx, double yy) : x(xx), y(yy) {}

    OdGeVector2d& set(double xx, double yy)
    {
        x = xx;
        y = yy;
        return *this;
    }

    double length() const { return std::hypot(x, y); }
    double lengthSqrd() const { return x * x + y * y; }
    double dotProduct(const OdGeVector2d& v) const { return x * v.x + y * v.y; }
    /// z of the 3D cross product: positive when v lies counter-clockwise of this vector.
    double crossProduct(const OdGeVector2d& v) const { return x * v.y - y * v.x; }

    /// Zero length within tol.equalVector().
    bool isZeroLength(const OdGeTol& tol = OdGeContext::gTol) const { return length() <= tol.equalVector(); }
    bool isEqualTo(const OdGeVector2d& v, const OdGeTol& tol = OdGeContext::gTol) const
    {
        return OdGeVector2d(x - v.x, y - v.y).length() <= tol.equalVector();
    }
    /// Both non-zero and the unit vectors' cross product within tol.equalVector()
    /// (same or opposite direction).
    bool isParallelTo(const OdGeVector2d& v, const OdGeTol& tol = OdGeContext::gTol) const
    {
        if (isZeroLength(tol) || v.isZeroLength(tol))
            return false;
        return std::abs(normal().crossProduct(v.normal())) <= tol.equalVector();
    }
    bool isCodirectionalTo(const OdGeVector2d& v, const OdGeTol& tol = OdGeContext::gTol) const
    {
        return isParallelTo(v, tol) && dotProduct(v) > 0.0;
    }
    bool isPerpendicularTo(const OdGeVector2d& v, const OdGeTol& tol = OdGeContext::gTol) const
    {
        if (isZeroLength(tol) || v.isZeroLength(tol))
            return false;
        return std::abs(normal().dotProduct(v.normal())) <= tol.equalVector();
    }

    /// The unit vector of the same direction; a zero-length vector is returned unchanged.
    OdGeVector2d normal(const OdGeTol& tol = OdGeContext::gTol) const
    {
        OdGeVector2d v(*this);
        return v.normalize(tol);
    }
    OdGeVector2d& normalize(const OdGeTol& tol = OdGeContext::gTol)
    {
        const double len = length();
        if (len > tol.equalVector())
        {
            x /= len;
            y /= len;
        }
        return *this;
    }

    /// Rotates counter-clockwise by angle radians.
    OdGeVector2d& rotateBy(double angle)
    {
        const double c = std::cos(angle), s = std::sin(angle);
        return set(c * x - s * y, s * x + c * y);
    }
    /// Angle from the x axis, counter-clockwise, in [0, 2 pi).
    double angle() const
    {
        double a = std::atan2(y, x);
        if (a < 0.0)
            a += 2.0 * std::numbers::pi;
        return a;
    }
    /// Unsigned angle to v in [0, pi].
    double angleTo(const OdGeVector2d& v) const
    {
        return std::abs(std::atan2(crossProduct(v), dotProduct(v)));
    }
    /// This vector rotated by 90 degrees counter-clockwise.
    OdGeVector2d perpVector() const { return OdGeVector2d(-y, x); }

    OdGeVector2d operator-() const { return OdGeVector2d(-x, -y); }
    OdGeVector2d operator+(const OdGeVector2d& v) const { return OdGeVector2d(x + v.x, y + v.y); }
    OdGeVector2d operator-(const OdGeVector2d& v) const { return OdGeVector2d(x - v.x, y - v.y); }
    OdGeVector2d operator*(double s) const { return OdGeVector2d(x * s, y * s); }
    OdGeVector2d operator/(double s) const { return OdGeVector2d(x / s, y / s); }
    friend OdGeVector2d operator*(double s, const OdGeVector2d& v) { return v * s; }
    OdGeVector2d& operator+=(const OdGeVector2d& v) { return set(x + v.x, y + v.y); }
    OdGeVector2d& operator-=(const OdGeVector2d& v) { return set(x - v.x, y - v.y); }
    OdGeVector2d& operator*=(double s) { return set(x * s, y * s); }
    OdGeVector2d& operator/=(double s) { return set(x / s, y / s); }
    /// Equality within the global tolerance, as the SDK's operator== does.
    bool operator==(const OdGeVector2d& v) const { return isEqualTo(v); }
};

inline const OdGeVector2d OdGeVector2d::kXAxis{1.0, 0.0};
inline const OdGeVector2d OdGeVector2d::kYAxis{0.0, 1.0};
inline const OdGeVector2d OdGeVector2d::kIdentity{1.0, 1.0};
