#pragma once

#include "platform/ge/GeVector2d.h"

/// 2D point of the SDK.
class OdGePoint2d
{
public:
    double x = 0.0;
    double y = 0.0;

    static const OdGePoint2d kOrigin;

    constexpr OdGePoint2d() = default;
    constexpr OdGePoint2d(double xx, double yy) : x(xx), y(yy) {}

    OdGePoint2d& set(double xx, double yy)
    {
        x = xx;
        y = yy;
        return *this;
    }
    double distanceTo(const OdGePoint2d& p) const { return std::hypot(x - p.x, y - p.y); }
    /// Coincident within tol.equalPoint().
    bool isEqualTo(const OdGePoint2d& p, const OdGeTol& tol = OdGeContext::gTol) const
    {
        return distanceTo(p) <= tol.equalPoint();
    }
    OdGeVector2d asVector() const { return OdGeVector2d(x, y); }
    /// Rotates counter-clockwise by angle radians about base.
    OdGePoint2d& rotateBy(double angle, const OdGePoint2d& base = kOrigin)
    {
        OdGeVector2d v(x - base.x, y - base.y);
        v.rotateBy(angle);
        return set(base.x + v.x, base.y + v.y);
    }

    OdGePoint2d operator+(const OdGeVector2d& v) const { return OdGePoint2d(x + v.x, y + v.y); }
    OdGePoint2d operator-(const OdGeVector2d& v) const { return OdGePoint2d(x - v.x, y - v.y); }
    OdGeVector2d operator-(const OdGePoint2d& p) const { return OdGeVector2d(x - p.x, y - p.y); }
    OdGePoint2d& operator+=(const OdGeVector2d& v) { return set(x + v.x, y + v.y); }
    OdGePoint2d& operator-=(const OdGeVector2d& v) { return set(x - v.x, y - v.y); }
    OdGePoint2d operator*(double s) const { return OdGePoint2d(x * s, y * s); }
    /// Equality within the global tolerance, as the SDK's operator== does.
    bool operator==(const OdGePoint2d& p) const { return isEqualTo(p); }
};

inline const OdGePoint2d OdGePoint2d::kOrigin{0.0, 0.0};
