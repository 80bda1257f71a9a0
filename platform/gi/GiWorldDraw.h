#pragma once

#include "platform/gi/GiDrawable.h"
#include "platform/gi/GiGeometry.h"

/// What a drawable draws through: its geometry and the traits of what it draws next.
class OdGiCommonDraw
{
public:
    virtual ~OdGiCommonDraw() = default;
    virtual OdGiSubEntityTraits& subEntityTraits() const = 0;
};

/// Context of OdGiDrawable::worldDraw.
class OdGiWorldDraw : public OdGiCommonDraw
{
public:
    virtual OdGiWorldGeometry& geometry() const = 0;
};

/// Context of OdGiDrawable::viewportDraw.
class OdGiViewportDraw : public OdGiCommonDraw
{
public:
    virtual OdGiViewportGeometry& geometry() const = 0;
};
