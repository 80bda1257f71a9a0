#pragma once

#include "platform/base/OdString.h"
#include "platform/base/RxObject.h"
#include "platform/base/SmartPtr.h"

using OdRxObjectPtr = OdSmartPtr<OdRxObject>;

class OdRxClass;
/// Creates a new object of a run-time class.
using OdPseudoConstructorType = OdRxObjectPtr (*)();
/// Called when the application name of a class changes (the stand-in never changes it).
using AppNameChangeFuncPtr = void (*)(const OdRxClass* classObj, OdString& newAppName, int saveVer);

/// The description of a run-time class: its name, its parent and how to create its objects.
/// Classes live in the process-wide class dictionary between their registration and removal.
class OdRxClass : public OdRxObject
{
public:
    OdRxClass(const OdString& name, OdRxClass* parent, OdPseudoConstructorType constructor,
              AppNameChangeFuncPtr appNameChange);

    const OdString& name() const { return m_name; }
    OdRxClass* myParent() const { return m_parent; }
    /// True when this class is `other` or derives from it.
    bool isDerivedFrom(const OdRxClass* other) const;
    /// A new object of the class; null for a class without constructor.
    OdRxObjectPtr create() const { return m_constructor ? m_constructor() : OdRxObjectPtr(); }
    AppNameChangeFuncPtr appNameCallbackPtr() const { return m_appNameChange; }

private:
    OdString m_name;
    OdRxClass* m_parent;
    OdPseudoConstructorType m_constructor;
    AppNameChangeFuncPtr m_appNameChange;
};

/// Registers a new class in the class dictionary. Throws OdError(eDuplicateKey) naming the class
/// when a class of that name is registered already, and OdError(eInvalidInput) for an empty name.
/// The dictionary holds the class until deleteOdRxClass.
OdRxClass* newOdRxClass(const OdString& name, OdRxClass* parent,
                        OdPseudoConstructorType constructor = nullptr,
                        AppNameChangeFuncPtr appNameChange = nullptr);
/// Removes a class from the dictionary and destroys it; a class that is not registered is ignored.
void deleteOdRxClass(OdRxClass* cls);
/// The registered class of that name, null when there is none.
OdRxClass* odrxGetClass(const OdString& name);

/// The run-time class members of a class, as the SDK declares them.
#define ODRX_DECLARE_MEMBERS(ClassName)                                                                      \
public:                                                                                                      \
    static OdRxClass* desc();                                                                                \
    OdRxClass* isA() const override;                                                                         \
    OdRxObject* queryX(const OdRxClass* pClass) const override;                                              \
    static OdSmartPtr<ClassName> cast(const OdRxObject* pObj);                                               \
    static OdSmartPtr<ClassName> createObject();                                                             \
    static OdRxObjectPtr pseudoConstructor();                                                                \
    static void rxInit();                                                                                    \
    static void rxInit(AppNameChangeFuncPtr appNameChangeFunc);                                              \
    static void rxUninit();                                                                                  \
                                                                                                             \
private:                                                                                                     \
    static OdRxClass* s_pDesc;                                                                               \
                                                                                                             \
public:

/// Defines the members declared by ODRX_DECLARE_MEMBERS for a class with a public default
/// constructor, registered under `Name` with `ParentClass`'s class as parent. `ParentClass` must
/// itself have run-time class members (queryX is answered up the chain).
#define ODRX_CONS_DEFINE_MEMBERS(ClassName, ParentClass, Name)                                               \
    OdRxClass* ClassName::s_pDesc = nullptr;                                                                 \
    OdRxClass* ClassName::desc()                                                                             \
    {                                                                                                        \
        return s_pDesc;                                                                                      \
    }                                                                                                        \
    OdRxClass* ClassName::isA() const                                                                        \
    {                                                                                                        \
        return s_pDesc;                                                                                      \
    }                                                                                                        \
    OdRxObject* ClassName::queryX(const OdRxClass* pClass) const                                             \
    {                                                                                                        \
        if (pClass && pClass == s_pDesc)                                                                     \
            return const_cast<ClassName*>(this);                                                             \
        return ParentClass::queryX(pClass);                                                                  \
    }                                                                                                        \
    OdSmartPtr<ClassName> ClassName::cast(const OdRxObject* pObj)                                            \
    {                                                                                                        \
        const auto* rx = dynamic_cast<const ClassName*>(pObj);                                               \
        if (!rx || !s_pDesc || rx->queryX(s_pDesc) == nullptr)                                               \
            return OdSmartPtr<ClassName>();                                                                  \
        return OdSmartPtr<ClassName>(const_cast<ClassName*>(rx));                                            \
    }                                                                                                        \
    OdSmartPtr<ClassName> ClassName::createObject()                                                          \
    {                                                                                                        \
        return OdSmartPtr<ClassName>(new ClassName);                                                         \
    }                                                                                                        \
    OdRxObjectPtr ClassName::pseudoConstructor()                                                             \
    {                                                                                                        \
        return OdRxObjectPtr(createObject().get());                                                          \
    }                                                                                                        \
    void ClassName::rxInit()                                                                                 \
    {                                                                                                        \
        rxInit(nullptr);                                                                                     \
    }                                                                                                        \
    void ClassName::rxInit(AppNameChangeFuncPtr appNameChangeFunc)                                           \
    {                                                                                                        \
        s_pDesc = newOdRxClass(Name, ParentClass::desc(), &ClassName::pseudoConstructor, appNameChangeFunc); \
    }                                                                                                        \
    void ClassName::rxUninit()                                                                               \
    {                                                                                                        \
        deleteOdRxClass(s_pDesc);                                                                            \
        s_pDesc = nullptr;                                                                                   \
    }
