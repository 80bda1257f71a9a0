#include "host/ut/SymbolNames.h"

namespace ut
{

OdString makeUniqueName(const OdString& base, const OdDbSymbolTable* table, const OdDbObjectId* ownRecord,
                        bool legacyNames, bool alwaysNumber, const OdArray<OdString>* reserved)
{
    const OdString start = legacyNames ? base.left(kMaxLegacySymbolNameLength) : base;
    const auto taken = [&](const OdString& name)
    {
        if (alwaysNumber && name == start)
            return true;
        if (reserved)
            for (const OdString& other : *reserved)
                if (other.iCompare(name) == 0)
                    return true;
        if (!table)
            return false;
        const OdDbObjectId id = table->getAt(name);
        return !id.isNull() && !(ownRecord && *ownRecord == id);
    };
    return makeUniqueName(start, taken);
}

} // namespace ut
