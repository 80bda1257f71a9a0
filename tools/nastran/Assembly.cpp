#include "tools/nastran/Assembly.h"

#include "tools/nastran/Analysis.h"
#include "tools/nastran/Elements.h"

#include <algorithm>
#include <cmath>

namespace nastran
{
namespace
{

/// The sorted equations each element couples.
std::vector<std::vector<std::int64_t>> elementEquations(const Model& model, const ModelIndex& index,
                                                        const DofMap& dofs)
{
    std::vector<std::vector<std::int64_t>> equations(model.elements.size());
    std::vector<DofExpansion> ex;
    for (std::size_t i = 0; i < model.elements.size(); ++i)
    {
        std::vector<std::int64_t>& list = equations[i];
        dofs.translations(index.gridPositions(model.elements[i]), ex);
        for (const auto& e : ex)
            for (const auto& [q, c] : e.terms)
                list.push_back(q);
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
    }
    return equations;
}

/// The element's stiffness, or a problem naming it when its geometry gives none.
bool elementStiffness(const Model& model, const ModelIndex& index, std::size_t i, const std::vector<Vec3>& x,
                      ElementMatrix& k, Problems& problems)
{
    const Element& e = model.elements[i];
    const Material& mat = model.materials[static_cast<std::size_t>(index.elementMaterial[i])];
    try
    {
        if (isSolid(e.type))
            tetraStiffness(x, mat.youngsModulus, mat.poissonRatio, k);
        else
        {
            const ShellProperty& p = model.shellProperties[static_cast<std::size_t>(index.elementShell[i])];
            membraneStiffness(x, mat.youngsModulus, mat.poissonRatio, p.thickness, p.planeStrain, k);
        }
    }
    catch (const ElementGeometryError& err)
    {
        problems.add(elementName(e.type) + " " + std::to_string(e.id) + lineText(e.line) + ": " + err.what());
        return false;
    }
    return true;
}

/// Where an element's stiffness goes in the matrix: its equations, ascending, the place of every pair
/// of them in the upper triangle, and each of its degrees of freedom as terms of those equations.
struct ElementScatter
{
    std::vector<std::int64_t> equations;
    std::vector<std::size_t> place; ///< place[i * m + j]: entry (equations[i], equations[j]), i <= j
    std::vector<std::vector<std::pair<std::size_t, double>>> terms; ///< per degree of freedom: (i, coef)

    /// The equations and terms; the places in `k` too unless it is null.
    void locate(const std::vector<DofExpansion>& ex, const UpperMatrix* k)
    {
        equations.clear();
        for (const auto& e : ex)
            for (const auto& [q, c] : e.terms)
                equations.push_back(q);
        std::sort(equations.begin(), equations.end());
        equations.erase(std::unique(equations.begin(), equations.end()), equations.end());
        const std::size_t m = equations.size();
        // One pass down each column finds all its rows: both lists are ascending.
        place.resize(m * m);
        for (std::size_t j = 0; k && j < m; ++j)
        {
            const auto column = static_cast<std::size_t>(equations[j]);
            auto p = static_cast<std::size_t>(k->colPtr[column]);
            for (std::size_t i = 0; i <= j; ++i)
            {
                while (k->rows[p] < equations[i])
                    ++p;
                place[i * m + j] = p;
            }
        }
        terms.resize(ex.size());
        for (std::size_t a = 0; a < ex.size(); ++a)
        {
            terms[a].clear();
            for (const auto& [q, c] : ex[a].terms)
                terms[a].emplace_back(
                    static_cast<std::size_t>(std::lower_bound(equations.begin(), equations.end(), q) -
                                             equations.begin()),
                    c);
        }
    }
};

/// Adds the element's stiffness through its expansions to `values` at the places of `to` (or, with
/// `dense`, at i * m + j of its m equations) and the held values' share to `rhs`.
void scatter(const ElementMatrix& k, const std::vector<DofExpansion>& ex, const ElementScatter& to,
             std::vector<double>& values, bool dense, std::vector<double>& rhs)
{
    const Eigen::Index n = k.rows();
    const std::size_t m = to.equations.size();
    for (Eigen::Index a = 0; a < n; ++a)
    {
        const auto& ta = to.terms[static_cast<std::size_t>(a)];
        for (Eigen::Index b = 0; b < n; ++b)
        {
            const double kab = k(a, b);
            if (kab == 0.0)
                continue;
            const DofExpansion& eb = ex[static_cast<std::size_t>(b)];
            const auto& tb = to.terms[static_cast<std::size_t>(b)];
            for (const auto& [ia, ca] : ta)
            {
                if (eb.constant != 0.0)
                    rhs[static_cast<std::size_t>(to.equations[ia])] -= ca * kab * eb.constant;
                // Only the upper triangle is stored: pairs with ia > ib belong to the lower one.
                for (const auto& [ib, cb] : tb)
                    if (ia <= ib)
                        values[dense ? ia * m + ib : to.place[ia * m + ib]] += ca * cb * kab;
            }
        }
    }
}

void addPressure(const Model& model, const ModelIndex& index, const FacePressure& p, double scale,
                 std::vector<double>& load)
{
    const Element& e = index.element(model, p.element);
    const auto g = index.gridPositions(e);
    const int opposite =
        static_cast<int>(std::find(e.grids.begin(), e.grids.begin() + 4, p.oppositeCorner) - e.grids.begin());
    const ElementVector f =
        tetraFaceLoad(index.coordinates(model, g), opposite, scale * p.pressure, p.direction);
    for (std::size_t a = 0; a < g.size(); ++a)
        for (std::size_t c = 0; c < 3; ++c)
            load[g[a] * kDofsPerGrid + c] += f(static_cast<Eigen::Index>(3 * a + c));
}

} // namespace

void UpperMatrix::add(std::int64_t r, std::int64_t c, double v)
{
    const auto b = rows.begin() + colPtr[static_cast<std::size_t>(c)];
    const auto e = rows.begin() + colPtr[static_cast<std::size_t>(c) + 1];
    values[static_cast<std::size_t>(std::lower_bound(b, e, r) - rows.begin())] += v;
}

UpperMatrix matrixPattern(const Model& model, const ModelIndex& index, const DofMap& dofs)
{
    const std::size_t eq = dofs.equations;
    std::vector<std::vector<std::int64_t>> equations = elementEquations(model, index, dofs);
    std::vector<std::int64_t> colCount(eq + 1, 0);
    for (const auto& list : equations)
        for (std::size_t k = 0; k < list.size(); ++k)
            colCount[static_cast<std::size_t>(list[k])] += static_cast<std::int64_t>(k + 1);
    std::vector<std::int64_t> colStart(eq + 1, 0);
    for (std::size_t j = 0; j < eq; ++j)
        colStart[j + 1] = colStart[j] + colCount[j] + 1; // + 1: the diagonal, even when no element gives it
    UpperMatrix m;
    m.n = eq;
    m.rows.resize(static_cast<std::size_t>(colStart[eq]));
    std::vector<std::int64_t> fill(colStart.begin(), colStart.end() - 1);
    for (std::size_t j = 0; j < eq; ++j)
        m.rows[static_cast<std::size_t>(fill[j]++)] = static_cast<std::int64_t>(j);
    for (const auto& list : equations)
        for (std::size_t k = 0; k < list.size(); ++k)
            for (std::size_t r = 0; r <= k; ++r)
                m.rows[static_cast<std::size_t>(fill[static_cast<std::size_t>(list[k])]++)] = list[r];
    // Sort and deduplicate each column, packing the columns to the front.
    m.colPtr.assign(eq + 1, 0);
    std::size_t nnz = 0;
    for (std::size_t j = 0; j < eq; ++j)
    {
        auto b = m.rows.begin() + colStart[j], e = m.rows.begin() + colStart[j + 1];
        std::sort(b, e);
        auto u = std::unique(b, e);
        std::copy(b, u, m.rows.begin() + static_cast<std::ptrdiff_t>(nnz));
        m.colPtr[j] = static_cast<std::int64_t>(nnz);
        nnz += static_cast<std::size_t>(u - b);
    }
    m.colPtr[eq] = static_cast<std::int64_t>(nnz);
    m.rows.resize(nnz);
    m.rows.shrink_to_fit();
    std::vector<std::vector<std::int64_t>>().swap(equations);
    m.values.assign(nnz, 0.0);
    return m;
}

void assembleElements(const Model& model, const ModelIndex& index, const DofMap& dofs, UpperMatrix& k,
                      std::vector<double>& rhs)
{
    Problems problems;
    ElementMatrix ke;
    std::vector<DofExpansion> ex;
    ElementScatter to;
    for (std::size_t i = 0; i < model.elements.size(); ++i)
    {
        const auto g = index.gridPositions(model.elements[i]);
        if (!elementStiffness(model, index, i, index.coordinates(model, g), ke, problems))
            continue;
        dofs.translations(g, ex);
        to.locate(ex, &k);
        scatter(ke, ex, to, k.values, false, rhs);
    }
    problems.throwIfAny(eFatalInput);
}

std::vector<std::string> assembleShare(const Model& model, const ModelIndex& index, const DofMap& dofs,
                                       std::size_t begin, std::size_t end, MatrixEntries& k,
                                       std::vector<double>& rhs)
{
    Problems problems;
    ElementMatrix ke;
    std::vector<DofExpansion> ex;
    ElementScatter to;
    std::vector<double> local;
    for (std::size_t i = begin; i < end; ++i)
    {
        const auto g = index.gridPositions(model.elements[i]);
        if (!elementStiffness(model, index, i, index.coordinates(model, g), ke, problems))
            continue;
        dofs.translations(g, ex);
        to.locate(ex, nullptr);
        const std::size_t m = to.equations.size();
        local.assign(m * m, 0.0);
        scatter(ke, ex, to, local, true, rhs);
        for (std::size_t j = 0; j < m; ++j)
            for (std::size_t r = 0; r <= j; ++r)
                if (local[r * m + j] != 0.0)
                {
                    k.rows.push_back(to.equations[r]);
                    k.cols.push_back(to.equations[j]);
                    k.values.push_back(local[r * m + j]);
                }
    }
    return problems.list();
}

std::vector<double> gridLoads(const Model& model, const ModelIndex& index)
{
    std::vector<double> load(index.sortedGridIds.size() * kDofsPerGrid, 0.0);
    const CaseControl& cc = model.caseControl;
    if (!cc.loadSet)
        return load;
    std::vector<std::pair<double, Id>> sets{{1.0, *cc.loadSet}};
    for (const auto& l : model.loadCombinations)
        if (l.set == *cc.loadSet)
        {
            sets.clear();
            for (const auto& [s, id] : l.terms)
                sets.emplace_back(l.scale * s, id);
        }
    for (const auto& [scale, set] : sets)
    {
        for (const NodalForce& f : model.forces)
            if (f.set == set)
                for (std::size_t c = 0; c < 3; ++c)
                    load[index.gridIndex(f.grid) * kDofsPerGrid + c] += scale * f.scale * f.direction[c];
        for (const FacePressure& p : model.pressures)
            if (p.set == set)
                addPressure(model, index, p, scale, load);
    }
    return load;
}

void addLoads(const ModelIndex& index, const DofMap& dofs, const std::vector<double>& load,
              std::vector<double>& rhs)
{
    for (std::size_t dof = 0; dof < load.size(); ++dof)
    {
        if (load[dof] == 0.0)
            continue;
        DofExpansion e;
        dofs.expand(dof, 1.0, e);
        for (const auto& [q, c] : e.terms)
            rhs[static_cast<std::size_t>(q)] += c * load[dof];
    }
    for (std::size_t q = 0; q < rhs.size(); ++q)
        if (!std::isfinite(rhs[q]))
            throw FatalError(eFatalNumerical, "the load on " + index.dofName(dofs.dofOfEquation[q]) +
                                                  " is not finite: the loads overflow double precision");
}

void checkStiffness(const ModelIndex& index, const DofMap& dofs, const UpperMatrix& k)
{
    // Components without any stiffness cannot be solved for: name them rather than let the
    // factorisation stumble on them.
    std::vector<double> diagonal(k.n);
    for (std::size_t j = 0; j < k.n; ++j)
        diagonal[j] = k.values[static_cast<std::size_t>(k.colPtr[j + 1] - 1)];
    checkDiagonal(index, dofs, diagonal);
}

void checkDiagonal(const ModelIndex& index, const DofMap& dofs, const std::vector<double>& diagonal)
{
    Problems problems;
    for (std::size_t j = 0; j < diagonal.size(); ++j)
        if (!(diagonal[j] > 0.0))
            problems.add(index.dofName(dofs.dofOfEquation[j]) +
                         " is not held: no element gives it stiffness and no SPC or MPC holds it");
    problems.throwIfAny(eFatalModel);
}

} // namespace nastran
