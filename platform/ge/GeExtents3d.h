#pragma once

#include "platform/ge/GePoint3d.h"

#include <algorithm>
#include <limits>

/// Axis-aligned box of the SDK. A default box is invalid (min above max) until a point is added.
class OdGeExtents3d
{
public:
    OdGeExtents3d() = default;
    OdGeExtents3d(const OdGePoint3d& minPt, const OdGePoint3d& maxPt) : m_min(minPt), m_max(maxPt) {}

    const OdGePoint3d& minPoint() const { return m_min; }
    const OdGePoint3d& maxPoint() const { return m_max; }
    void set(const OdGePoint3d& minPt, const OdGePoint3d& maxPt)
    {
        m_min = minPt;
        m_max = maxPt;
    }
    OdGeExtents3d& addPoint(const OdGePoint3d& p)
    {
        m_min.set(std::min(m_min.x, p.x), std::min(m_min.y, p.y), std::min(m_min.z, p.z));
        m_max.set(std::max(m_max.x, p.x), std::max(m_max.y, p.y), std::max(m_max.z, p.z));
        return *this;
    }
    OdGeExtents3d& addExt(const OdGeExtents3d& e)
    {
        if (e.isValidExtents())
        {
            addPoint(e.m_min);
            addPoint(e.m_max);
        }
        return *this;
    }
    bool isValidExtents() const { return m_min.x <= m_max.x && m_min.y <= m_max.y && m_min.z <= m_max.z; }
    OdGeVector3d diagonal() const { return m_max - m_min; }
    OdGePoint3d center() const
    {
        return OdGePoint3d((m_min.x + m_max.x) / 2, (m_min.y + m_max.y) / 2, (m_min.z + m_max.z) / 2);
    }
    bool contains(const OdGePoint3d& p, const OdGeTol& tol = OdGeContext::gTol) const
    {
        const double t = tol.equalPoint();
        return p.x >= m_min.x - t && p.x <= m_max.x + t && p.y >= m_min.y - t && p.y <= m_max.y + t &&
               p.z >= m_min.z - t && p.z <= m_max.z + t;
    }

private:
    static constexpr double kBig = std::numeric_limits<double>::max();
    OdGePoint3d m_min{kBig, kBig, kBig};
    OdGePoint3d m_max{-kBig, -kBig, -kBig};
};
