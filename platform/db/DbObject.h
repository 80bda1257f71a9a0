#pragma once

#include "platform/base/OdResult.h"
#include "platform/base/SmartPtr.h"
#include "platform/cm/CmColor.h"
#include "platform/db/DbObjectId.h"
#include "platform/db/DbResBuf.h"
#include "platform/ge/GeExtents3d.h"
#include "platform/gi/GiDrawable.h"

#include <vector>

class OdDbDatabase;
class OdGeMatrix3d;

/// An object that can live in a drawing database. Outside a database its id is null. Every
/// database object is drawable, as in the SDK; objects without graphics draw nothing.
class OdDbObject : public OdGiDrawable
{
public:
    OdDbObject() = default;
    /// A copy is a new object outside any database, with a copy of the extended data.
    OdDbObject(const OdDbObject& other);
    OdDbObject& operator=(const OdDbObject&) { return *this; }

    OdDbObjectId objectId() const { return m_id; }
    OdDbDatabase* database() const { return m_database; }

    /// The mode of the latest opening; an object that is not in a database is open for write.
    OdDb::OpenMode openMode() const { return m_database ? m_openMode : OdDb::kForWrite; }
    bool isWriteEnabled() const { return openMode() == OdDb::kForWrite; }
    /// Throws OdError(eNotOpenForWrite) unless the object is open for write.
    void assertWriteEnabled() const
    {
        if (!isWriteEnabled())
            throw OdError(eNotOpenForWrite);
    }
    void upgradeOpen() { m_openMode = OdDb::kForWrite; }
    void downgradeOpen() { m_openMode = OdDb::kForRead; }

    /// Marks the object erased (or, with false, brings it back). An erased object stays in its database
    /// but is no longer opened by its id, and blocks no longer list it. eNotInDatabase for an object
    /// outside a database; throws OdError(eNotOpenForWrite) unless open for write.
    OdResult erase(bool erasing = true);
    bool isErased() const { return m_erased; }

    /// A copy of the extended data of the application `regappName`, starting with its 1001 item; null
    /// when the object has none. An empty name gives the chains of all applications, one after another.
    OdResBufPtr xData(const OdString& regappName = OdString()) const;
    /// Takes the extended data in `xdata`: each 1001 item starts one application's chain, which replaces
    /// that application's chain; a 1001 item alone removes it. eInvalidInput when the chain does not
    /// start with a 1001 item; eRegappIdNotFound when an application is not registered in the object's
    /// database (nothing is changed in both cases). Throws OdError(eNotOpenForWrite) unless open for write.
    OdResult setXData(const OdResBuf* xdata);

private:
    friend class OdDbDatabase;
    friend class OdDbObjectId;
    /// One chain per application, in the order the applications were first given.
    std::vector<OdResBufPtr> m_xdata;
    bool m_erased = false;
    OdDb::OpenMode m_openMode = OdDb::kForRead;
    OdDbObjectId m_id;
    OdDbDatabase* m_database = nullptr;
};

/// A drawable object of the drawing, with the properties every entity has (its colour).
class OdDbEntity : public OdDbObject
{
public:
    /// The entity's bounding box; eInvalidExtents when it has no geometry.
    virtual OdResult getGeomExtents(OdGeExtents3d& extents) const = 0;

    /// Gives the entity the database's current settings for new entities: the colour CECOLOR, and what
    /// an entity kind adds (a text's height). Does not add the entity to the database.
    virtual void setDatabaseDefaults(OdDbDatabase* database);
    /// Moves the entity by `xform`. eNotApplicable, with the entity unchanged, for a transform the
    /// entity kind cannot follow (it says which).
    virtual OdResult transformBy(const OdGeMatrix3d& xform);
    /// A new entity with the same geometry and properties, outside any database. Entity kinds that
    /// cannot be copied raise OdError(eNotApplicable).
    virtual OdSmartPtr<OdDbEntity> clone() const;

    /// The entity's layer; "0" for a new entity.
    OdString layer() const { return m_layer; }
    /// eKeyNotFound (nothing changed) when the entity is in a database whose layer table has no such layer.
    OdResult setLayer(const OdString& layerName);

    /// The entity's colour; by layer for a new entity.
    OdCmColor color() const { return m_color; }
    void setColor(const OdCmColor& color) { m_color = color; }
    /// The colour's palette index (OdCmEntityColor::colorIndex).
    int colorIndex() const { return m_color.colorIndex(); }
    /// Sets a palette colour; OdError(eInvalidInput) for an index outside 0..256.
    void setColorIndex(int index) { m_color.setColorIndex(index); }
    /// The name of the entity's line type; "BYLAYER" for a new entity.
    OdString linetype() const { return m_linetype; }
    void setLinetype(const OdString& name) { m_linetype = name; }

protected:
    /// Draws in the entity's own colour.
    std::uint32_t subSetAttributes(OdGiDrawableTraits* traits) const override;

private:
    OdCmColor m_color;
    OdString m_layer = L"0";
    OdString m_linetype = L"BYLAYER";
};

using OdDbObjectPtr = OdSmartPtr<OdDbObject>;
using OdDbEntityPtr = OdSmartPtr<OdDbEntity>;
