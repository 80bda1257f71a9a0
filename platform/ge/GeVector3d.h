#pragma once

#include "platform/ge/GeContext.h"

#include <cmath>

class OdGeMatrix3d;
class OdGePlanarEnt;

/// 3D vector of the SDK.
class OdGeVector3d
{
public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    static const OdGeVector3d kXAxis;
    static const OdGeVector3d kYAxis;
    static const OdGeVector3d kZAxis;

    constexpr OdGeVector3d() = default;
    constexpr OdGeVector3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

    OdGeVector3d& set(double xx, double yy, double zz)
    {
        x = xx;
        y = yy;
        z = zz;
        return *this;
    }
    double length() const { return std::sqrt(x * x + y * y + z * z); }
    double lengthSqrd() const { return x * x + y * y + z * z; }
    double dotProduct(const OdGeVector3d& v) const { return x * v.x + y * v.y + z * v.z; }
    OdGeVector3d crossProduct(const OdGeVector3d& v) const
    {
        return OdGeVector3d(y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x);
    }
    bool isZeroLength(const OdGeTol& tol = OdGeContext::gTol) const { return length() <= tol.equalVector(); }
    bool isEqualTo(const OdGeVector3d& v, const OdGeTol& tol = OdGeContext::gTol) const
    {
        return OdGeVector3d(x - v.x, y - v.y, z - v.z).length() <= tol.equalVector();
    }
    bool isParallelTo(const OdGeVector3d& v, const OdGeTol& tol = OdGeContext::gTol) const
    {
        if (isZeroLength(tol) || v.isZeroLength(tol))
            return false;
        return normal().crossProduct(v.normal()).length() <= tol.equalVector();
    }
    /// The unit vector of the same direction; a zero-length vector is returned unchanged.
    OdGeVector3d normal(const OdGeTol& tol = OdGeContext::gTol) const
    {
        OdGeVector3d v(*this);
        return v.normalize(tol);
    }
    OdGeVector3d& normalize(const OdGeTol& tol = OdGeContext::gTol)
    {
        const double len = length();
        if (len > tol.equalVector())
            set(x / len, y / len, z / len);
        return *this;
    }
    /// Unsigned angle to v in [0, pi].
    double angleTo(const OdGeVector3d& v) const
    {
        return std::atan2(crossProduct(v).length(), dotProduct(v));
    }
    /// The angle in [0, 2 pi) of this vector's projection into the plane, measured from the
    /// plane's first axis counter-clockwise about its normal (0 for a vector along the normal).
    /// Defined with the plane (GePlane.cpp).
    double angleOnPlane(const OdGePlanarEnt& plane) const;
    /// Applies the linear part of m (translation does not move vectors).
    OdGeVector3d& transformBy(const OdGeMatrix3d& m);

    OdGeVector3d operator-() const { return OdGeVector3d(-x, -y, -z); }
    OdGeVector3d operator+(const OdGeVector3d& v) const { return OdGeVector3d(x + v.x, y + v.y, z + v.z); }
    OdGeVector3d operator-(const OdGeVector3d& v) const { return OdGeVector3d(x - v.x, y - v.y, z - v.z); }
    OdGeVector3d operator*(double s) const { return OdGeVector3d(x * s, y * s, z * s); }
    OdGeVector3d operator/(double s) const { return OdGeVector3d(x / s, y / s, z / s); }
    friend OdGeVector3d operator*(double s, const OdGeVector3d& v) { return v * s; }
    OdGeVector3d& operator+=(const OdGeVector3d& v) { return set(x + v.x, y + v.y, z + v.z); }
    OdGeVector3d& operator-=(const OdGeVector3d& v) { return set(x - v.x, y - v.y, z - v.z); }
    OdGeVector3d& operator*=(double s) { return set(x * s, y * s, z * s); }
    bool operator==(const OdGeVector3d& v) const { return isEqualTo(v); }
};

inline const OdGeVector3d OdGeVector3d::kXAxis{1.0, 0.0, 0.0};
inline const OdGeVector3d OdGeVector3d::kYAxis{0.0, 1.0, 0.0};
inline const OdGeVector3d OdGeVector3d::kZAxis{0.0, 0.0, 1.0};
