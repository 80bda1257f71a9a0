#include "platform/rx/RxModule.h"

#include <dlfcn.h>

#include <cstdio>

namespace
{
OdString fileNameOf(const OdString& path)
{
    const std::wstring& text = path.str();
    const std::size_t separator = text.find_last_of(L"/\\");
    return separator == std::wstring::npos ? path : OdString(text.substr(separator + 1));
}
} // namespace

std::size_t OdRxDynamicLinker::find(const OdString& name) const
{
    for (std::size_t i = 0; i < m_modules.size(); ++i)
    {
        if (m_modules[i].fileName == name || m_modules[i].module->moduleName() == name)
            return i;
    }
    return m_modules.size();
}

OdRxModulePtr OdRxDynamicLinker::loadModule(const OdString& fileName, bool silent)
{
    m_error.empty();
    if (const std::size_t i = find(fileName); i < m_modules.size())
        return m_modules[i].module;

    const auto fail = [&](const std::string& reason, void* handle)
    {
        m_error = OdString(reason.c_str());
        if (!silent)
            std::fprintf(stderr, "%s\n", reason.c_str());
        if (handle)
            ::dlclose(handle);
        return OdRxModulePtr();
    };
    const std::string path = OdAnsiString(fileName).str();
    // Resolve everything now, so that a module with a missing symbol fails here and not in mid-command.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
    {
        const char* reason = ::dlerror();
        return fail("cannot load module " + path + ": " + (reason ? reason : "unknown error"), nullptr);
    }
    const auto create =
        reinterpret_cast<OdRxCreateModuleObjectFunc>(::dlsym(handle, kOdrxCreateModuleObjectName));
    const auto version = reinterpret_cast<OdRxGetApiVersionFunc>(::dlsym(handle, kOdrxGetApiVersionName));
    if (!create || !version)
        return fail("module " + path + " does not export " + kOdrxCreateModuleObjectName + " and " +
                        kOdrxGetApiVersionName,
                    handle);
    int major = 0, minor = 0, majorBuild = 0, minorBuild = 0;
    version(major, minor, majorBuild, minorBuild);
    if (major != kOdrxApiMajorVersion || minor != kOdrxApiMinorVersion)
        return fail("module " + path + " was built against release " + std::to_string(major) + "." +
                        std::to_string(minor) + ", not " + std::to_string(kOdrxApiMajorVersion) + "." +
                        std::to_string(kOdrxApiMinorVersion),
                    handle);
    OdRxModulePtr module(create(handle));
    if (module.isNull())
        return fail("module " + path + " created no module object", handle);
    module->m_name = fileNameOf(fileName);
    m_modules.push_back({fileName, module, handle});
    module->initApp();
    return module;
}

bool OdRxDynamicLinker::unloadModule(const OdString& fileNameOrModuleName)
{
    const std::size_t i = find(fileNameOrModuleName);
    if (i == m_modules.size())
        return false;
    // The object's code lives in the file, so the file stays while anyone else holds the object.
    if (m_modules[i].module->numRefs() > 1)
        return false;
    Loaded loaded = m_modules[i];
    m_modules.erase(m_modules.begin() + static_cast<std::ptrdiff_t>(i));
    loaded.module->uninitApp();
    loaded.module.release();
    ::dlclose(loaded.handle);
    return true;
}

OdRxModulePtr OdRxDynamicLinker::getModule(const OdString& fileNameOrModuleName) const
{
    const std::size_t i = find(fileNameOrModuleName);
    return i < m_modules.size() ? m_modules[i].module : OdRxModulePtr();
}

OdRxDynamicLinker* odrxDynamicLinker()
{
    static OdRxDynamicLinker s_linker;
    return &s_linker;
}
