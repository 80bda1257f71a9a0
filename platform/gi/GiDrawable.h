#pragma once

#include "platform/base/RxObject.h"
#include "platform/base/SmartPtr.h"
#include "platform/cm/CmColor.h"

#include <cstdint>

class OdGiWorldDraw;
class OdGiViewportDraw;

/// How the faces of shells and polygons are drawn.
enum OdGiFillType
{
    kOdGiFillAlways = 1, ///< filled with the current colour (or the face and vertex colours)
    kOdGiFillNever = 2   ///< outlines only
};

/// The attributes a drawable sets once before it is drawn. The host's implementation may offer more
/// (see the host's render traits).
class OdGiDrawableTraits
{
public:
    virtual ~OdGiDrawableTraits() = default;
};

/// The attributes of what is drawn next: colour and fill. A change applies to every primitive drawn
/// after it, until the next change.
class OdGiSubEntityTraits : public OdGiDrawableTraits
{
public:
    /// Sets a palette colour (OdCmEntityColor::setColorIndex rules).
    virtual void setColor(std::uint16_t colorIndex) = 0;
    virtual void setTrueColor(const OdCmEntityColor& color) = 0;
    virtual void setFillType(OdGiFillType fillType) = 0;
    virtual OdCmEntityColor trueColor() const = 0;
    virtual OdGiFillType fillType() const = 0;
};

/// Something that can be drawn: a database entity or a transient graphic of the host. The viewer asks
/// for its attributes (setAttributes), then lets it draw its view-independent geometry (worldDraw);
/// when that answers false, the drawable draws view-dependent geometry in viewportDraw instead.
class OdGiDrawable : public OdRxObject
{
public:
    /// Flags a drawable returns from setAttributes.
    enum SetAttributesFlags : std::uint32_t
    {
        kDrawableNone = 0,
        kDrawableIsInvisible = 0x200000
    };

    std::uint32_t setAttributes(OdGiDrawableTraits* traits) const { return subSetAttributes(traits); }
    bool worldDraw(OdGiWorldDraw* worldDraw) const { return subWorldDraw(worldDraw); }
    void viewportDraw(OdGiViewportDraw* viewportDraw) const { subViewportDraw(viewportDraw); }

protected:
    /// The default sets nothing and returns kDrawableNone.
    virtual std::uint32_t subSetAttributes(OdGiDrawableTraits* traits) const;
    /// The default draws nothing and returns true (nothing view-dependent to add).
    virtual bool subWorldDraw(OdGiWorldDraw* worldDraw) const;
    /// The default draws nothing.
    virtual void subViewportDraw(OdGiViewportDraw* viewportDraw) const;
};
using OdGiDrawablePtr = OdSmartPtr<OdGiDrawable>;
