#pragma once

#include "platform/base/OdString.h"
#include "platform/rx/RxModule.h"

#include <cstddef>

namespace cae_core
{

/// The module object the host's run-time creates when it loads the module file (cae_core.tx).
/// initApp registers the feature classes, the reporter messages and the 2D mesher (and the external
/// solver's 2D solver); uninitApp undoes them. One object per process, allocated with the SDK's allocator.
class CaeCoreModule : public OdRxModule
{
public:
    explicit CaeCoreModule(void* moduleHandle);
    ~CaeCoreModule() override;

    void initApp() override;
    void uninitApp() override;

    /// The full path of the file the module was loaded from; empty when it cannot be told.
    OdString moduleFileName() const;

    /// The object as odrxCreateModuleObject made it; null before and after its life.
    static CaeCoreModule* instance();

    static void* operator new(std::size_t size);
    static void operator delete(void* p) noexcept;
};

} // namespace cae_core

/// The module's entry points, exported with C linkage under the names the run-time looks up.
extern "C"
{
    /// The module object, created on the first call with the module's handle; the same object after.
    OdRxModule* odrxCreateModuleObject(void* moduleHandle);
    /// The SDK release the module is built against: 26, 3, 0, 0. Returns 0.
    int odrxGetAPIVersion(int& major, int& minor, int& majorBuild, int& minorBuild);
}
