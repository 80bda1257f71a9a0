#include "cae_core/mesher2d/DelaunayMesher.h"

#include "cae_core/mesher2d/detail/DelaunayMesherImpl.h"

namespace cae_core
{

EResult DelaunayMesher::adaptivelyRefineMeshImpl(const AdaptiveRefinementParams&)
{
    return eNotPossible;
}

} // namespace cae_core
