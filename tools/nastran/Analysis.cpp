#include "tools/nastran/Analysis.h"

#include "tools/nastran/Assembly.h"
#include "tools/nastran/Deck.h"
#include "tools/nastran/Dofs.h"
#include "tools/nastran/Factor.h"
#include "tools/nastran/Recovery.h"

namespace nastran
{

Analysis::Analysis(Model model, Progress progress)
    : m_model(std::move(model)), m_progress(std::move(progress)), m_index(indexModel(m_model, m_notes))
{
}

Results Analysis::run(double memoryLimit, const std::string& matrixFile)
{
    const CaseControl& cc = m_model.caseControl;
    const DofMap dofs = constrainDofs(m_model, m_index, m_notes);
    const std::size_t eq = dofs.equations;
    progress("ASSEMBLING " + std::to_string(m_model.elements.size()) + " ELEMENTS, " + std::to_string(eq) +
             " EQUATIONS");
    UpperMatrix k = matrixPattern(m_model, m_index, dofs);
    std::vector<double> rhs(eq, 0.0);
    assembleElements(m_model, m_index, dofs, k, rhs);
    std::vector<double> load = gridLoads(m_model, m_index);
    addLoads(m_index, dofs, load, rhs);
    const bool constraintForcesWanted = cc.printSpcForces || cc.printMpcForces;
    if (!constraintForcesWanted)
        std::vector<double>().swap(load);
    checkStiffness(m_index, dofs, k);

    Results results;
    results.equations = eq;
    results.matrixNonzeros = k.rows.size();
    std::vector<double> solution(eq, 0.0);
    if (!matrixFile.empty())
    {
        progress("WRITING THE MATRIX " + matrixFile);
        writeMatrix(k, matrixFile);
    }
    if (eq > 0)
    {
        std::vector<std::size_t> gridOfEquation(eq);
        for (std::size_t q = 0; q < eq; ++q)
            gridOfEquation[q] = dofs.dofOfEquation[q] / kDofsPerGrid;
        SolveSummary summary;
        solution = solveReduced(
            std::move(k), rhs, std::move(gridOfEquation), memoryLimit,
            [&](std::size_t q) { return m_index.dofName(dofs.dofOfEquation[q]); },
            [&](const std::string& s) { progress(s); }, summary);
        results.factorNonzeros = summary.factorNonzeros;
        results.relativeResidual = summary.relativeResidual;
    }
    recoverDisplacements(m_index, dofs, solution, results);
    if (constraintForcesWanted)
    {
        progress("FORCES OF CONSTRAINT");
        recoverConstraintForces(m_model, m_index, dofs, load, results);
    }
    recoverStresses(m_model, m_index, results);
    return results;
}

std::optional<Results> Analysis::runShared(const ShareSolver& solve)
{
    const CaseControl& cc = m_model.caseControl;
    const DofMap dofs = constrainDofs(m_model, m_index, m_notes);
    std::vector<double> load = gridLoads(m_model, m_index);
    std::vector<double> solution(dofs.equations, 0.0);
    addLoads(m_index, dofs, load, solution);
    Results results;
    results.equations = dofs.equations;
    if (!solve(m_model, m_index, dofs, solution, results))
        return std::nullopt;
    recoverDisplacements(m_index, dofs, solution, results);
    if (cc.printSpcForces || cc.printMpcForces)
    {
        progress("FORCES OF CONSTRAINT");
        recoverConstraintForces(m_model, m_index, dofs, load, results);
    }
    recoverStresses(m_model, m_index, results);
    return results;
}

std::vector<std::string> checkDeck(std::string_view text)
{
    std::vector<std::string> messages;
    try
    {
        DeckReadResult r = readDeck(text);
        for (const auto& m : r.errors)
            messages.push_back(m.text);
        if (!r.errors.empty())
            return messages;
        Analysis a(r.model);
        for (const auto& n : a.notes())
            messages.push_back(n.text);
    }
    catch (const FatalError& e)
    {
        messages.push_back(e.what());
    }
    catch (const std::bad_alloc&)
    {
        messages.push_back("out of memory");
    }
    return messages;
}

} // namespace nastran
