#pragma once

#include "platform/ge/GePoint3d.h"

/// A flat surface given by a point and two perpendicular unit axes; its normal is
/// uAxis x vAxis. Angles in the plane are measured from uAxis, counter-clockwise seen from the
/// normal's tip.
class OdGePlanarEnt
{
public:
    OdGePoint3d pointOnPlane() const { return m_origin; }
    OdGeVector3d normal() const { return m_u.crossProduct(m_v); }
    void getCoordSystem(OdGePoint3d& origin, OdGeVector3d& axis1, OdGeVector3d& axis2) const
    {
        origin = m_origin;
        axis1 = m_u;
        axis2 = m_v;
    }

protected:
    OdGePlanarEnt(const OdGePoint3d& origin, const OdGeVector3d& uAxis, const OdGeVector3d& vAxis)
        : m_origin(origin), m_u(uAxis), m_v(vAxis)
    {
    }
    void setCoordSystem(const OdGePoint3d& origin, const OdGeVector3d& uAxis, const OdGeVector3d& vAxis)
    {
        m_origin = origin;
        m_u = uAxis;
        m_v = vAxis;
    }

private:
    OdGePoint3d m_origin;
    OdGeVector3d m_u;
    OdGeVector3d m_v;
};

/// An unbounded plane.
class OdGePlane : public OdGePlanarEnt
{
public:
    /// The plane z = 0 with axes x and y.
    static const OdGePlane kXYPlane;

    /// The XY plane.
    OdGePlane() : OdGePlanarEnt(OdGePoint3d::kOrigin, OdGeVector3d::kXAxis, OdGeVector3d::kYAxis) {}
    /// The plane through origin with the given normal; its axes follow the drawing's
    /// arbitrary-axis rule, so a normal +z gives the axes x and y. Raises OdError(eInvalidInput)
    /// for a zero normal.
    OdGePlane(const OdGePoint3d& origin, const OdGeVector3d& normal);
};

inline const OdGePlane OdGePlane::kXYPlane{};
