#pragma once

#include "cae_core/glyphs/Analyze2dDrawable.h"
#include "platform/base/SmartPtr.h"
#include "platform/ge/GePoint3d.h"

#include <optional>

namespace cae_core::fea2d
{
/// A point load: an arrow 25 glyph sizes long pointing at the loaded point along the force,
/// labelled with the magnitude and force unit behind its tail.
class PointLoadDrawable : public Analyze2dDrawable
{
public:
    static OdSmartPtr<PointLoadDrawable> createObject(const Context& context);
    explicit PointLoadDrawable(const Context& context) : m_context(&context) {}

    OdGePoint3d location() const { return m_location; }
    void setLocation(const OdGePoint3d& location) { m_location = location; }
    /// The force's size; without one the glyph has no label.
    std::optional<double> magnitude() const { return m_magnitude; }
    void setMagnitude(std::optional<double> magnitude) { m_magnitude = magnitude; }
    /// The force's unit direction.
    OdGeVector3d direction() const { return m_direction; }
    /// Stores the direction normalised (within the global tolerance).
    void setDirection(const OdGeVector3d& direction) { m_direction = direction.normal(); }

    const Context& context() const override { return *m_context; }
    void draw(BaseDrawer& drawer) const override;

private:
    const Context* m_context;
    OdGePoint3d m_location;
    std::optional<double> m_magnitude;
    OdGeVector3d m_direction{0.0, -1.0, 0.0};
};

/// A point support: a triangle with its apex at the point, standing on a hatched ground line
/// across `direction`; a rolling support shows a second ground line.
class PointSupportDrawable : public Analyze2dDrawable
{
public:
    static OdSmartPtr<PointSupportDrawable> createObject(const Context& context);
    explicit PointSupportDrawable(const Context& context) : m_context(&context) {}

    OdGePoint3d location() const { return m_location; }
    void setLocation(const OdGePoint3d& location) { m_location = location; }
    /// The unit direction in which the support pushes on the point (the triangle's apex points
    /// along it).
    OdGeVector3d direction() const { return m_direction; }
    /// Stores the direction normalised (within the global tolerance).
    void setDirection(const OdGeVector3d& direction) { m_direction = direction.normal(); }
    bool isRolling() const { return m_rolling; }
    void setRolling(bool rolling) { m_rolling = rolling; }

    const Context& context() const override { return *m_context; }
    void draw(BaseDrawer& drawer) const override;

private:
    const Context* m_context;
    OdGePoint3d m_location;
    OdGeVector3d m_direction;
    bool m_rolling = false;
};
} // namespace cae_core::fea2d
