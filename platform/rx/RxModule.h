#pragma once

#include "platform/base/OdString.h"
#include "platform/base/RxObject.h"
#include "platform/base/SmartPtr.h"

#include <cstddef>
#include <vector>

/// The SDK release this stand-in implements, which a module must have been built against (major and
/// minor must match).
constexpr int kOdrxApiMajorVersion = 26;
constexpr int kOdrxApiMinorVersion = 3;

/// An extension module loaded from a file. The run-time creates its object through the module's
/// exported odrxCreateModuleObject, calls initApp once after loading and uninitApp once before
/// unloading it.
class OdRxModule : public OdRxObject
{
public:
    virtual void initApp() = 0;
    virtual void uninitApp() = 0;
    /// The operating system's handle of the loaded module file (null for a module linked in).
    void* sysData() const { return m_handle; }
    /// The module's name: its file name without folder.
    const OdString& moduleName() const { return m_name; }

protected:
    explicit OdRxModule(void* handle) : m_handle(handle) {}

private:
    friend class OdRxDynamicLinker;
    void* m_handle;
    OdString m_name;
};

using OdRxModulePtr = OdSmartPtr<OdRxModule>;

/// The two functions a module file exports with C linkage, under these names.
using OdRxCreateModuleObjectFunc = OdRxModule* (*)(void* moduleHandle);
using OdRxGetApiVersionFunc = int (*)(int& major, int& minor, int& majorBuild, int& minorBuild);
constexpr const char* kOdrxCreateModuleObjectName = "odrxCreateModuleObject";
constexpr const char* kOdrxGetApiVersionName = "odrxGetAPIVersion";

/// Loads and unloads extension modules by file name. One per process (odrxDynamicLinker()); not
/// synchronised: load and unload on the host's main thread.
class OdRxDynamicLinker
{
public:
    /// Loads the module file `fileName` (a path, or a name the system's library search finds), checks its
    /// API version, creates its object and calls initApp. A module loaded already is returned as it is.
    /// Null when the file cannot be loaded, lacks one of the two entry points, was built against another
    /// release or gives no object; unless `silent`, the reason is written to standard error. lastError()
    /// tells it in any case.
    OdRxModulePtr loadModule(const OdString& fileName, bool silent = true);
    /// Calls the module's uninitApp, releases the run-time's reference to its object and unloads the
    /// file. False (and nothing done) when no module of that file name or module name is loaded, or when
    /// a reference to its object is held outside the run-time.
    bool unloadModule(const OdString& fileNameOrModuleName);
    /// The loaded module of that file name or module name; null when there is none.
    OdRxModulePtr getModule(const OdString& fileNameOrModuleName) const;
    const OdString& lastError() const { return m_error; }

private:
    struct Loaded
    {
        OdString fileName;
        OdRxModulePtr module;
        void* handle;
    };
    std::size_t find(const OdString& name) const;

    std::vector<Loaded> m_modules;
    OdString m_error;
};

OdRxDynamicLinker* odrxDynamicLinker();
