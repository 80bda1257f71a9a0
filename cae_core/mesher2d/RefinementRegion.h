#pragma once

#include "platform/ge/GePoint2d.h"

namespace cae_core
{

/// A shape inside which a mesh is made finer. The target element size inside the shape is the
/// mesher's mesh size divided by the refinement ratio, so a ratio above 1 refines. The caller sets
/// the ratio before handing the region to a mesher; a fresh region has ratio 0.
class RefinementRegion
{
public:
    RefinementRegion() = default;
    RefinementRegion(const RefinementRegion&) = default;
    RefinementRegion& operator=(const RefinementRegion&) = default;
    virtual ~RefinementRegion();

    /// True when p lies in the region, its border included (with a small tolerance).
    virtual bool containsPoint(const OdGePoint2d& p) const = 0;

    /// The factor by which the mesh size is divided inside the region.
    double getRefinementRatio() const { return refinementRatio; }
    void setRefinementRatio(double ratio) { refinementRatio = ratio; }

protected:
    double refinementRatio = 0.0;
};

/// An axis-aligned rectangle given by two opposite corners in any order.
class RefinementRectangle : public RefinementRegion
{
public:
    /// a, b: opposite corners, in any order; the ratio stays 0.
    RefinementRectangle(const OdGePoint2d& a, const OdGePoint2d& b);

    /// Inside or on the border within the global equal-point tolerance.
    bool containsPoint(const OdGePoint2d& p) const override;

    /// The corner with the smaller x and the smaller y.
    OdGePoint2d minPoint;
    /// The corner with the larger x and the larger y.
    OdGePoint2d maxPoint;
};

/// A disc given by its centre and radius.
class RefinementCircle : public RefinementRegion
{
public:
    /// The ratio stays 0.
    RefinementCircle(const OdGePoint2d& center, double radius);

    /// Inside or within 1e-10 outside the circle.
    bool containsPoint(const OdGePoint2d& p) const override;

    OdGePoint2d center;
    double radius = 0.0;
};

} // namespace cae_core
