#include "cae_core/nastran/NastranSolver2d.h"

#include "cae_core/nastran/NastranProcess.h"
#include "cae_core/nastran/detail/Nastran2d.h"
#include "host/ut/File.h"
#include "host/ut/Reporter.h"

#include <fstream>

namespace cae_core
{
namespace
{
template <std::size_t N>
EResult solve(const solver2d::detail::Model<N>& model, Solver2dOutput& output, bool printout)
{
    const std::string deck = nastran::detail::writeDeck2d(model);
    const OdString folder = createWorkingFolder();
    const ut::FileName deckPath(folder, L"analysis_2d", L"dat");
    const ut::FileName resultPath(folder, L"analysis_2d", L"f06");

    if (!ut::File::create(deckPath, ut::File::eFile, true))
        return eFailed;
    {
        std::ofstream file(ut::convFileNameToMB(deckPath.path()), std::ios::binary | std::ios::trunc);
        file.write(deck.data(), static_cast<std::streamsize>(deck.size()));
        if (!file)
            return eFailed;
    }

    NastranProcess process;
    process.impl().m_inputFile = deckPath.path();
    process.impl().m_workingDirectory = folder;
    if (const EResult result = process.run(ut::IReporter::nullReporter()); result != eOk)
        return result;

    std::ifstream results(ut::convFileNameToMB(resultPath.path()), std::ios::binary);
    if (!results)
        return eFileError;
    nastran::detail::readResults2d(results, model, output, printout);
    return eOk;
}
} // namespace

void NastranSolver2d::installInSolverFactory(bool printoutReading)
{
    Solver2d::initNastranProvider(
        [printoutReading]
        {
            auto solver = std::unique_ptr<NastranSolver2d>(new NastranSolver2d());
            solver->setPrintoutReading(printoutReading);
            return std::unique_ptr<Solver2d>(std::move(solver));
        });
}

void NastranSolver2d::uninstallFromSolverFactory()
{
    Solver2d::initNastranProvider({});
}

EResult NastranSolver2d::executeImpl(const Solver2dInput& input, Solver2dOutput& output)
{
    switch (input.elementType)
    {
    case fea2d::EElementType::eTriangle3:
        return solve(solver2d::detail::buildModel3(input), output, m_printoutReading);
    case fea2d::EElementType::eTriangle6:
        return solve(solver2d::detail::buildModel6(input), output, m_printoutReading);
    }
    return eUnsupported;
}

} // namespace cae_core
