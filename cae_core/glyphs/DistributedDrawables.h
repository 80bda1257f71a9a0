#pragma once

#include "cae_core/glyphs/Analyze2dDrawable.h"
#include "platform/base/SharedPtr.h"
#include "platform/base/SmartPtr.h"
#include "platform/ge/GeCurve3d.h"

#include <optional>

namespace cae_core::fea2d
{
/// A glyph along a stretch of the region's boundary: the boundary loop's curves (in loop order,
/// counter-clockwise round the outside and clockwise round holes) and the two points between
/// which the glyph is drawn, walking in the loop's direction from the start to the end point
/// (from the end to the start when flipped).
class BaseDistributedDrawable : public Analyze2dDrawable
{
public:
    using CurveArray = OdArray<OdSharedPtr<OdGeCurve3d>>;

    OdGePoint3d startLocation() const { return m_startLocation; }
    /// Sets the start point and recomputes the chain.
    void setStartLocation(const OdGePoint3d& location);
    OdGePoint3d endLocation() const { return m_endLocation; }
    /// Sets the end point and recomputes the chain.
    void setEndLocation(const OdGePoint3d& location);
    bool flipped() const { return m_flipped; }
    /// Recomputes the chain when the value changes.
    void setFlipped(bool flipped);
    /// Draw along the whole loop instead of the chain.
    void setClose(bool close) { m_close = close; }
    /// The curves walked from the walk's first point to its last (shared with the loop).
    const CurveArray& segmentChain() const { return m_segmentChain; }
    /// The arc length of the walk (drawing units); 0 when a point is off the boundary.
    double length() const;

    const Context& context() const override { return *m_context; }
    /// Draws each piece of the walk (or of the whole loop) with drawCurveSegment.
    void draw(BaseDrawer& drawer) const override;

protected:
    BaseDistributedDrawable(const CurveArray& curves, const Context& context);

    /// Draws the glyph along curve from fromParam to toParam (round the curve's end when toParam
    /// is below fromParam on a closed curve); nextCurve is the following piece's curve, null
    /// on the last piece.
    virtual void drawCurveSegment(const OdGeCurve3d& curve, double fromParam, double toParam,
                                  const OdGeCurve3d* nextCurve, BaseDrawer& drawer) const = 0;

private:
    void computeSegmentChain();
    /// The walk's first and last point.
    OdGePoint3d walkStart() const { return m_flipped ? m_endLocation : m_startLocation; }
    OdGePoint3d walkEnd() const { return m_flipped ? m_startLocation : m_endLocation; }

    const Context* m_context;
    CurveArray m_curves;
    OdGePoint3d m_startLocation;
    OdGePoint3d m_endLocation;
    bool m_flipped = false;
    bool m_close = false;
    CurveArray m_segmentChain;
};

/// A distributed load: a row of arrows 25 glyph sizes long, their tails joined by a smooth
/// curve, labelled with the magnitude per length at the walk's end.
class DistributedLoadDrawable : public BaseDistributedDrawable
{
public:
    static OdSmartPtr<DistributedLoadDrawable> createObject(const CurveArray& curves, const Context& context);
    DistributedLoadDrawable(const CurveArray& curves, const Context& context)
        : BaseDistributedDrawable(curves, context)
    {
    }

    /// Radians: relative to the walking tangent (counter-clockwise) when relative to the
    /// boundary, else the load comes from (cos, sin).
    double getAngle() const { return m_angle; }
    void setAngle(double angle) { m_angle = angle; }
    /// Force per length; without one the glyph has no label.
    std::optional<double> magnitude() const { return m_magnitude; }
    void setMagnitude(std::optional<double> magnitude) { m_magnitude = magnitude; }
    bool isAngleRelativeToBoundary() const { return m_angleRelativeToBoundary; }
    void setAngleRelativeToBoundary(bool relative) { m_angleRelativeToBoundary = relative; }

protected:
    void drawCurveSegment(const OdGeCurve3d& curve, double fromParam, double toParam,
                          const OdGeCurve3d* nextCurve, BaseDrawer& drawer) const override;

private:
    std::optional<double> m_magnitude;
    bool m_angleRelativeToBoundary = true;
    double m_angle = 1.5707963267948966; // pi/2: pushing into the region
};

/// A distributed support: triangles standing on a ground line 12 glyph sizes outside the
/// boundary, with a hatched band behind it; a rolling support shows a second ground line.
class DistributedSupportDrawable : public BaseDistributedDrawable
{
public:
    static OdSmartPtr<DistributedSupportDrawable> createObject(const CurveArray& curves,
                                                               const Context& context);
    DistributedSupportDrawable(const CurveArray& curves, const Context& context)
        : BaseDistributedDrawable(curves, context)
    {
    }

    bool rolling() const { return m_rolling; }
    void setRolling(bool rolling) { m_rolling = rolling; }

protected:
    void drawCurveSegment(const OdGeCurve3d& curve, double fromParam, double toParam,
                          const OdGeCurve3d* nextCurve, BaseDrawer& drawer) const override;

private:
    bool m_rolling = false;
};
} // namespace cae_core::fea2d
