// What every database object has: erasing and extended data.
#include "platform/db/DbObject.h"

#include "platform/base/OdError.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbSymbolTable.h"

#include <algorithm>

OdDbObject::OdDbObject(const OdDbObject& other) : OdGiDrawable(other)
{
    for (const OdResBufPtr& chain : other.m_xdata)
        m_xdata.push_back(OdResBuf::copyChain(chain.get()));
}

OdResult OdDbObject::erase(bool erasing)
{
    if (!m_database)
        return eNotInDatabase;
    assertWriteEnabled();
    if (erasing)
        ++m_database->m_erasures;
    m_erased = erasing;
    return eOk;
}

OdResBufPtr OdDbObject::xData(const OdString& regappName) const
{
    OdResBufPtr head;
    OdResBufPtr tail;
    for (const OdResBufPtr& chain : m_xdata)
    {
        if (!regappName.isEmpty() && chain->getString().iCompare(regappName) != 0)
            continue;
        const OdResBufPtr copy = OdResBuf::copyChain(chain.get());
        if (tail)
            tail->setNext(copy.get());
        else
            head = copy;
        tail = copy->last();
    }
    return head;
}

OdResult OdDbObject::setXData(const OdResBuf* xdata)
{
    assertWriteEnabled();
    if (!xdata || xdata->restype() != OdResBuf::kDxfRegAppName)
        return eInvalidInput;
    // Split into one chain per application before changing anything, so that a refused chain leaves the
    // object as it was.
    std::vector<OdResBufPtr> chains;
    for (const OdResBuf* rb = xdata; rb; rb = rb->next().get())
    {
        const OdResBufPtr item = OdResBuf::newRb(rb->restype());
        item->copyValue(*rb);
        if (rb->restype() == OdResBuf::kDxfRegAppName)
            chains.push_back(item);
        else
            chains.back()->last()->setNext(item.get());
    }
    if (m_database)
    {
        const auto table = OdDbRegAppTablePtr::cast(m_database->getObject(m_database->getRegAppTableId()));
        for (const OdResBufPtr& chain : chains)
            if (!table->has(chain->getString()))
                return eRegappIdNotFound;
    }
    for (const OdResBufPtr& chain : chains)
    {
        auto it = std::find_if(m_xdata.begin(), m_xdata.end(),
                               [&](const OdResBufPtr& own)
                               { return own->getString().iCompare(chain->getString()) == 0; });
        if (!chain->next())
        {
            if (it != m_xdata.end())
                m_xdata.erase(it);
        }
        else if (it != m_xdata.end())
            *it = chain;
        else
            m_xdata.push_back(chain);
    }
    return eOk;
}

OdResult OdDbEntity::setLayer(const OdString& layerName)
{
    if (OdDbDatabase* db = database())
    {
        const auto table = OdDbLayerTablePtr::cast(db->getObject(db->getLayerTableId()));
        if (!table->has(layerName))
            return eKeyNotFound;
    }
    m_layer = layerName;
    return eOk;
}
