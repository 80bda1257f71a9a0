#include "tools/nastran/Dofs.h"

#include "tools/nastran/Analysis.h"

#include <algorithm>
#include <functional>

namespace nastran
{
namespace
{

/// Longest chain of MPCs whose dependents are independents of the next one.
constexpr std::size_t kMpcChainLimit = 1000;

/// Turns one selected MPC into the expression of its dependent in its other terms.
void addMpc(const MultiPointConstraint& m, const ModelIndex& index, DofMap& dofs, std::vector<Note>& notes,
            Problems& problems)
{
    const std::string what = "MPC " + std::to_string(m.set) + lineText(m.line);
    const std::size_t dep = dependentTerm(m);
    if (m.terms[dep].coefficient == 0.0)
    {
        problems.add(what + " has no non-zero coefficient");
        return;
    }
    const std::size_t depDof = index.dofOf(m.terms[dep]);
    if (dep != 0)
        notes.push_back({false, what + ": the first coefficient is zero; " + index.dofName(depDof) +
                                    " (largest coefficient) is the dependent degree of freedom"});
    if (dofs.equation[depDof] == DofMap::kHeld)
    {
        problems.add(what + ": its dependent " + index.dofName(depDof) + " is also held by an SPC");
        return;
    }
    if (dofs.equation[depDof] == DofMap::kDependent)
    {
        problems.add(what + ": its dependent " + index.dofName(depDof) + " is dependent in another MPC");
        return;
    }
    std::vector<std::pair<std::size_t, double>> terms;
    for (std::size_t t = 0; t < m.terms.size(); ++t)
        if (t != dep && m.terms[t].coefficient != 0.0)
        {
            if (index.dofOf(m.terms[t]) == depDof)
            {
                problems.add(what + " names its dependent " + index.dofName(depDof) + " twice");
                break;
            }
            terms.emplace_back(index.dofOf(m.terms[t]), -m.terms[t].coefficient / m.terms[dep].coefficient);
        }
    dofs.equation[depDof] = DofMap::kDependent;
    dofs.dependent[depDof] = std::move(terms);
}

/// Dependents that are independents of other MPCs are substituted once here, so that every dependent
/// is expressed in free and held degrees of freedom only. A closed chain cannot be eliminated; chains
/// are bounded so that a hostile deck cannot exhaust the stack.
void substituteChains(const ModelIndex& index, DofMap& dofs, Problems& problems)
{
    std::map<std::size_t, int> state; // 1 being resolved, 2 resolved
    std::function<bool(std::size_t, std::size_t)> resolve = [&](std::size_t dof, std::size_t depth)
    {
        int& st = state[dof];
        if (st == 2)
            return true;
        if (st == 1 || depth > kMpcChainLimit)
            return false;
        st = 1;
        std::map<std::size_t, double> flat;
        for (const auto& [d, c] : dofs.dependent[dof])
        {
            if (dofs.equation[d] != DofMap::kDependent)
            {
                flat[d] += c;
                continue;
            }
            if (!resolve(d, depth + 1))
                return false;
            for (const auto& [dd, cc] : dofs.dependent[d])
                flat[dd] += c * cc;
        }
        dofs.dependent[dof].assign(flat.begin(), flat.end());
        state[dof] = 2;
        return true;
    };
    for (const auto& [dof, terms] : dofs.dependent)
        if (!resolve(dof, 0))
        {
            problems.add("the MPCs form a closed chain, or a chain of more than " +
                         std::to_string(kMpcChainLimit) + " dependents, through " + index.dofName(dof));
            break;
        }
}

void numberEquations(DofMap& dofs)
{
    std::size_t eq = 0;
    for (auto& q : dofs.equation)
        if (q >= 0)
            q = static_cast<std::int64_t>(eq++);
    dofs.equations = eq;
    dofs.dofOfEquation.assign(eq, 0);
    for (std::size_t dof = 0; dof < dofs.equation.size(); ++dof)
        if (dofs.equation[dof] >= 0)
            dofs.dofOfEquation[static_cast<std::size_t>(dofs.equation[dof])] = dof;
}

} // namespace

void DofMap::expand(std::size_t dof, double coef, DofExpansion& out) const
{
    const std::int64_t q = equation[dof];
    if (q >= 0)
        out.terms.emplace_back(q, coef);
    else if (q == kHeld)
        out.constant += coef * heldValue[dof];
    else
        for (const auto& [d, c] : dependent.at(dof))
        {
            const std::int64_t qd = equation[d];
            if (qd >= 0)
                out.terms.emplace_back(qd, coef * c);
            else
                out.constant += coef * c * heldValue[d];
        }
}

void DofMap::translations(const std::vector<std::size_t>& positions, std::vector<DofExpansion>& out) const
{
    // Cleared, not replaced: the terms keep their storage from one element to the next.
    out.resize(3 * positions.size());
    for (DofExpansion& e : out)
    {
        e.terms.clear();
        e.constant = 0.0;
    }
    for (std::size_t a = 0; a < positions.size(); ++a)
        for (std::size_t c = 0; c < 3; ++c)
            expand(positions[a] * kDofsPerGrid + c, 1.0, out[3 * a + c]);
}

void holdSpcs(const Model& model, const ModelIndex& index, DofMap& dofs)
{
    auto hold = [&](std::size_t g, const std::string& components, double value)
    {
        for (char c : components)
        {
            const std::size_t dof = g * kDofsPerGrid + static_cast<std::size_t>(c - '1');
            dofs.equation[dof] = DofMap::kHeld;
            dofs.heldValue[dof] = value;
        }
    };
    for (std::size_t k = 0; k < index.sortedGridIds.size(); ++k)
    {
        const Grid& g = model.grids[index.gridOrder[k]];
        if (!g.permanentSpc.empty())
            hold(k, g.permanentSpc, 0.0);
    }
    const CaseControl& cc = model.caseControl;
    if (!cc.spcSet)
        return;
    for (const SinglePointConstraint& s : model.spcs)
    {
        if (s.set != *cc.spcSet)
            continue;
        for (const GridRange& r : s.grids)
        {
            auto it = std::lower_bound(index.sortedGridIds.begin(), index.sortedGridIds.end(), r.first);
            for (; it != index.sortedGridIds.end() && *it <= r.last; ++it)
                hold(static_cast<std::size_t>(it - index.sortedGridIds.begin()), s.components, s.value);
        }
    }
}

void eliminateMpcs(const Model& model, const ModelIndex& index, DofMap& dofs, std::vector<Note>& notes)
{
    Problems problems;
    const CaseControl& cc = model.caseControl;
    if (cc.mpcSet)
        for (const MultiPointConstraint& m : model.mpcs)
            if (m.set == *cc.mpcSet)
                addMpc(m, index, dofs, notes, problems);
    substituteChains(index, dofs, problems);
    problems.throwIfAny(eFatalInput);
}

DofMap constrainDofs(const Model& model, const ModelIndex& index, std::vector<Note>& notes)
{
    const std::size_t nDofs = index.sortedGridIds.size() * kDofsPerGrid;
    DofMap dofs;
    dofs.equation.assign(nDofs, 0);
    dofs.heldValue.assign(nDofs, 0.0);
    holdSpcs(model, index, dofs);
    eliminateMpcs(model, index, dofs, notes);
    numberEquations(dofs);
    return dofs;
}

} // namespace nastran
