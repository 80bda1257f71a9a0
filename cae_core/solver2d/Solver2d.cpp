#include "cae_core/solver2d/Solver2d.h"

#include "cae_core/solver2d/VelmorSolver2d.h"
#include "host/ut/StopWatch.h"
#include "platform/base/OdAlloc.h"

namespace cae_core
{
namespace
{
std::function<std::unique_ptr<Solver2d>()>& nastranProvider()
{
    static std::function<std::unique_ptr<Solver2d>()> s_provider;
    return s_provider;
}
} // namespace

void Solver2d::initNastranProvider(std::function<std::unique_ptr<Solver2d>()> provider)
{
    nastranProvider() = std::move(provider);
}

std::unique_ptr<Solver2d> Solver2d::create(EImpl impl)
{
    switch (impl)
    {
    case eInHouse:
        return std::make_unique<VelmorSolver2d>();
    case eNastran:
        return nastranProvider() ? nastranProvider()() : nullptr;
    }
    return nullptr;
}

EResult Solver2d::execute(const Solver2dInput& input, Solver2dOutput& output)
{
    const ut::StopWatch watch;
    const EResult result = executeImpl(input, output);
    output.time = watch.time();
    return result;
}

void* Solver2d::operator new(std::size_t size)
{
    return odrxAlloc(size);
}

void Solver2d::operator delete(void* p) noexcept
{
    odrxFree(p);
}

} // namespace cae_core
