#pragma once

#include "platform/ge/GeMatrix3d.h"

namespace OdGe
{
/// Class identifiers of the geometry entities, for type() and isKindOf().
enum EntityId
{
    kEntity3d,
    kCurve3d,
    kLinearEnt3d,
    kLineSeg3d,
    kCircArc3d,
    kEllipArc3d,
    kSplineEnt3d,
    kNurbCurve3d,
    kExternalCurve3d,
};
} // namespace OdGe

/// Root of the SDK's 3D geometry objects: plain value objects (no reference count), copied
/// with copy(), which hands a new heap object to the caller.
class OdGeEntity3d
{
public:
    virtual ~OdGeEntity3d() = default;

    /// The most derived class of this object.
    virtual OdGe::EntityId type() const = 0;
    /// True when this object is of class entType or of a class derived from it
    /// (a line segment is a kind of linear entity, of curve and of entity).
    virtual bool isKindOf(OdGe::EntityId entType) const;
    /// A new copy of this object; the caller owns it.
    virtual OdGeEntity3d* copy() const = 0;
    /// Applies xfm to the object's geometry. Curves accept rigid motions, mirrors and
    /// uniform scalings; a transform that would turn a circle into an ellipse raises
    /// OdError(eNotApplicable).
    virtual OdGeEntity3d& transformBy(const OdGeMatrix3d& xfm) = 0;

protected:
    OdGeEntity3d() = default;
    OdGeEntity3d(const OdGeEntity3d&) = default;
    OdGeEntity3d& operator=(const OdGeEntity3d&) = default;
};
