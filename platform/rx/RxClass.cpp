#include "platform/rx/RxClass.h"

#include "platform/base/OdError.h"

#include <map>
#include <mutex>

namespace
{
// The class dictionary: registration happens at module load and unload, possibly from any thread.
std::mutex s_mutex;
std::map<OdString, OdSmartPtr<OdRxClass>>& dictionary()
{
    static std::map<OdString, OdSmartPtr<OdRxClass>> s_classes;
    return s_classes;
}
} // namespace

OdRxClass::OdRxClass(const OdString& name, OdRxClass* parent, OdPseudoConstructorType constructor,
                     AppNameChangeFuncPtr appNameChange)
    : m_name(name), m_parent(parent), m_constructor(constructor), m_appNameChange(appNameChange)
{
}

bool OdRxClass::isDerivedFrom(const OdRxClass* other) const
{
    for (const OdRxClass* c = this; c; c = c->m_parent)
        if (c == other)
            return true;
    return false;
}

OdRxClass* newOdRxClass(const OdString& name, OdRxClass* parent, OdPseudoConstructorType constructor,
                        AppNameChangeFuncPtr appNameChange)
{
    if (name.isEmpty())
        throw OdError(eInvalidInput, "newOdRxClass: a class needs a name");
    std::lock_guard lock(s_mutex);
    auto& classes = dictionary();
    if (classes.count(name) != 0)
        throw OdError(eDuplicateKey, OdAnsiString(name).c_str());
    OdSmartPtr<OdRxClass> cls(new OdRxClass(name, parent, constructor, appNameChange));
    classes.emplace(name, cls);
    return cls.get();
}

void deleteOdRxClass(OdRxClass* cls)
{
    if (!cls)
        return;
    std::lock_guard lock(s_mutex);
    auto& classes = dictionary();
    const auto it = classes.find(cls->name());
    if (it != classes.end() && it->second.get() == cls)
        classes.erase(it);
}

OdRxClass* odrxGetClass(const OdString& name)
{
    std::lock_guard lock(s_mutex);
    const auto& classes = dictionary();
    const auto it = classes.find(name);
    return it == classes.end() ? nullptr : it->second.get();
}
