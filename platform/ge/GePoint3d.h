#pragma once

#include "platform/ge/GePoint2d.h"
#include "platform/ge/GeVector3d.h"

/// 3D point of the SDK.
class OdGePoint3d
{
public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    static const OdGePoint3d kOrigin;

    constexpr OdGePoint3d() = default;
    constexpr OdGePoint3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

    OdGePoint3d& set(double xx, double yy, double zz)
    {
        x = xx;
        y = yy;
        z = zz;
        return *this;
    }
    double distanceTo(const OdGePoint3d& p) const { return (*this - p).length(); }
    bool isEqualTo(const OdGePoint3d& p, const OdGeTol& tol = OdGeContext::gTol) const
    {
        return distanceTo(p) <= tol.equalPoint();
    }
    OdGeVector3d asVector() const { return OdGeVector3d(x, y, z); }
    /// The point without its z.
    OdGePoint2d convert2d() const { return OdGePoint2d(x, y); }
    OdGePoint3d& transformBy(const OdGeMatrix3d& m);

    OdGePoint3d operator+(const OdGeVector3d& v) const { return OdGePoint3d(x + v.x, y + v.y, z + v.z); }
    OdGePoint3d operator-(const OdGeVector3d& v) const { return OdGePoint3d(x - v.x, y - v.y, z - v.z); }
    OdGeVector3d operator-(const OdGePoint3d& p) const { return OdGeVector3d(x - p.x, y - p.y, z - p.z); }
    OdGePoint3d& operator+=(const OdGeVector3d& v) { return set(x + v.x, y + v.y, z + v.z); }
    OdGePoint3d& operator-=(const OdGeVector3d& v) { return set(x - v.x, y - v.y, z - v.z); }
    bool operator==(const OdGePoint3d& p) const { return isEqualTo(p); }
};

inline const OdGePoint3d OdGePoint3d::kOrigin{0.0, 0.0, 0.0};
