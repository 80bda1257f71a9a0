#include "cae_core/mesher2d/Mesher2d.h"

#include "host/ut/StopWatch.h"

#include <utility>

namespace cae_core
{

namespace
{
/// The module-wide provider; empty until the module registers its mesher at start-up.
std::function<std::unique_ptr<Mesher2d>()>& provider()
{
    static std::function<std::unique_ptr<Mesher2d>()> s_provider;
    return s_provider;
}
} // namespace

MeshVectorField2d::~MeshVectorField2d() = default;

Mesher2d::~Mesher2d() = default;

bool Mesher2d::supportsAdaptiveRefinement()
{
    return false;
}

void Mesher2d::initProvider(std::function<std::unique_ptr<Mesher2d>()> newProvider)
{
    provider() = std::move(newProvider);
}

std::unique_ptr<Mesher2d> Mesher2d::create()
{
    if (!provider())
        return nullptr;
    return provider()();
}

EResult Mesher2d::createMesh(OdSmartPtr<OdDbRegion> region, double meshSize, double* elapsed,
                             int smoothingIterations)
{
    const ut::StopWatch watch;
    const EResult result = createMeshImpl(std::move(region), meshSize, smoothingIterations);
    if (elapsed)
        *elapsed = watch.time();
    return result;
}

EResult Mesher2d::refineMesh(std::unique_ptr<RefinementRegion> region, double* elapsed,
                             int smoothingIterations)
{
    const ut::StopWatch watch;
    const EResult result = refineMeshImpl(std::move(region), smoothingIterations);
    if (elapsed)
        *elapsed = watch.time();
    return result;
}

EResult Mesher2d::adaptivelyRefineMesh(const AdaptiveRefinementParams& params, double* elapsed)
{
    const ut::StopWatch watch;
    const EResult result = adaptivelyRefineMeshImpl(params);
    if (elapsed)
        *elapsed = watch.time();
    return result;
}

EResult Mesher2d::adaptivelyRefineMeshImpl(const AdaptiveRefinementParams&)
{
    return eNotPossible;
}

} // namespace cae_core
