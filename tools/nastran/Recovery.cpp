#include "tools/nastran/Recovery.h"

#include <Eigen/SparseLU>

#include <map>

namespace nastran
{
namespace
{

/// The element's displacements, three per grid.
ElementVector elementDisplacements(const std::vector<std::size_t>& g, const Results& results)
{
    ElementVector u(static_cast<Eigen::Index>(3 * g.size()));
    for (std::size_t a = 0; a < g.size(); ++a)
        for (std::size_t c = 0; c < 3; ++c)
            u(static_cast<Eigen::Index>(3 * a + c)) = results.displacement[g[a]][c];
    return u;
}

/// r = K u - f over every degree of freedom: at a free one it vanishes to rounding, at a held or
/// MPC-bound one it is the force the constraints exert there.
std::vector<double> constraintResidual(const Model& model, const ModelIndex& index,
                                       const std::vector<double>& load, const Results& results)
{
    std::vector<double> r(load.size(), 0.0);
    for (std::size_t dof = 0; dof < load.size(); ++dof)
        r[dof] = -load[dof];
    ElementMatrix k;
    for (std::size_t i = 0; i < model.elements.size(); ++i)
    {
        const Element& e = model.elements[i];
        const auto g = index.gridPositions(e);
        const auto x = index.coordinates(model, g);
        const Material& mat = model.materials[static_cast<std::size_t>(index.elementMaterial[i])];
        if (isSolid(e.type))
            tetraStiffness(x, mat.youngsModulus, mat.poissonRatio, k);
        else
        {
            const ShellProperty& p = model.shellProperties[static_cast<std::size_t>(index.elementShell[i])];
            membraneStiffness(x, mat.youngsModulus, mat.poissonRatio, p.thickness, p.planeStrain, k);
        }
        const ElementVector f = k * elementDisplacements(g, results);
        for (std::size_t a = 0; a < g.size(); ++a)
            for (std::size_t c = 0; c < 3; ++c)
                r[g[a] * kDofsPerGrid + c] += f(static_cast<Eigen::Index>(3 * a + c));
    }
    return r;
}

/// The force of the MPCs on every degree of freedom. Each MPC a . u = 0 exerts lambda a. Its dependent
/// degree of freedom is held by nothing else, so the residual there is the sum of the lambdas of the
/// MPCs that name it: one equation per MPC.
std::vector<double> mpcForces(const std::vector<const MultiPointConstraint*>& mpcs, const ModelIndex& index,
                              const std::vector<double>& r)
{
    std::vector<double> force(r.size(), 0.0);
    if (mpcs.empty())
        return force;
    const auto n = static_cast<Eigen::Index>(mpcs.size());
    std::map<std::size_t, Eigen::Index> rowOfDependent;
    Eigen::VectorXd b(n);
    for (Eigen::Index m = 0; m < n; ++m)
    {
        const MultiPointConstraint& c = *mpcs[static_cast<std::size_t>(m)];
        const std::size_t dof = index.dofOf(c.terms[dependentTerm(c)]);
        rowOfDependent[dof] = m;
        b(m) = r[dof];
    }
    std::vector<Eigen::Triplet<double>> entries;
    for (Eigen::Index m = 0; m < n; ++m)
        for (const MpcTerm& t : mpcs[static_cast<std::size_t>(m)]->terms)
        {
            const auto row = rowOfDependent.find(index.dofOf(t));
            if (row != rowOfDependent.end())
                entries.emplace_back(row->second, m, t.coefficient);
        }
    Eigen::SparseMatrix<double> a(n, n);
    a.setFromTriplets(entries.begin(), entries.end());
    Eigen::SparseLU<Eigen::SparseMatrix<double>> lu;
    lu.compute(a);
    if (lu.info() != Eigen::Success)
        throw FatalError(eFatalInternal, "the forces of the multipoint constraints cannot be separated");
    const Eigen::VectorXd lambda = lu.solve(b);
    for (Eigen::Index m = 0; m < n; ++m)
        for (const MpcTerm& t : mpcs[static_cast<std::size_t>(m)]->terms)
            force[index.dofOf(t)] += lambda(m) * t.coefficient;
    return force;
}

} // namespace

void recoverDisplacements(const ModelIndex& index, const DofMap& dofs, const std::vector<double>& solution,
                          Results& results)
{
    results.gridIds = index.sortedGridIds;
    results.displacement.assign(index.sortedGridIds.size(), {});
    for (std::size_t dof = 0; dof < dofs.equation.size(); ++dof)
    {
        DofExpansion e;
        dofs.expand(dof, 1.0, e);
        double u = e.constant;
        for (const auto& [q, cf] : e.terms)
            u += cf * solution[static_cast<std::size_t>(q)];
        results.displacement[dof / kDofsPerGrid][dof % kDofsPerGrid] = u;
    }
}

void recoverConstraintForces(const Model& model, const ModelIndex& index, const DofMap& dofs,
                             const std::vector<double>& load, Results& results)
{
    const CaseControl& cc = model.caseControl;
    const std::vector<double> r = constraintResidual(model, index, load, results);
    std::vector<const MultiPointConstraint*> mpcs;
    if (cc.mpcSet)
        for (const MultiPointConstraint& m : model.mpcs)
            if (m.set == *cc.mpcSet)
                mpcs.push_back(&m);
    const std::vector<double> mpcForce = mpcForces(mpcs, index, r);

    const std::size_t nGrids = index.sortedGridIds.size();
    std::vector<char> inMpc(nGrids, 0);
    for (const MultiPointConstraint* m : mpcs)
        for (const MpcTerm& t : m->terms)
            inMpc[index.gridIndex(t.grid)] = 1;
    for (std::size_t gi = 0; gi < nGrids; ++gi)
    {
        GridForce spc{index.sortedGridIds[gi], {}};
        bool held = false;
        for (std::size_t c = 0; c < kDofsPerGrid; ++c)
        {
            const std::size_t dof = gi * kDofsPerGrid + c;
            if (dofs.equation[dof] == DofMap::kHeld)
            {
                held = true;
                spc.force[c] = r[dof] - mpcForce[dof];
            }
        }
        if (held && cc.printSpcForces)
            results.spcForces.push_back(spc);
        if (inMpc[gi] && cc.printMpcForces)
        {
            GridForce mpc{index.sortedGridIds[gi], {}};
            for (std::size_t c = 0; c < kDofsPerGrid; ++c)
                mpc.force[c] = mpcForce[gi * kDofsPerGrid + c];
            results.mpcForces.push_back(mpc);
        }
    }
}

void recoverStresses(const Model& model, const ModelIndex& index, Results& results)
{
    for (std::size_t idx : index.elementOrder)
    {
        const Element& e = model.elements[idx];
        const auto g = index.gridPositions(e);
        const auto x = index.coordinates(model, g);
        const ElementVector u = elementDisplacements(g, results);
        const Material& mat = model.materials[static_cast<std::size_t>(index.elementMaterial[idx])];
        if (isSolid(e.type))
        {
            SolidResult s;
            s.id = e.id;
            s.type = e.type;
            std::copy_n(e.grids.begin(), 4, s.corners.begin());
            s.stress = tetraStresses(x, u, mat.youngsModulus, mat.poissonRatio);
            results.tetras.push_back(s);
        }
        else
        {
            const ShellProperty& p = model.shellProperties[static_cast<std::size_t>(index.elementShell[idx])];
            MembraneResult m;
            m.id = e.id;
            m.type = e.type;
            std::copy_n(e.grids.begin(), 3, m.corners.begin());
            m.thickness = p.thickness;
            m.planeStrain = p.planeStrain;
            m.poissonRatio = mat.poissonRatio;
            m.stress = membraneStresses(x, u, mat.youngsModulus, mat.poissonRatio, p.planeStrain);
            (e.type == EElementType::eTria3 ? results.trias3 : results.trias6).push_back(m);
        }
    }
}

} // namespace nastran
