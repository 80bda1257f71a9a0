#include "tools/nastran/Factor.h"

#include "tools/nastran/Analysis.h"

#include <malloc.h>
#include <metis.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <tuple>

namespace nastran
{
namespace
{

/// A pivot of the factor that is this many times smaller than the matrix diagonal it came from means
/// the stiffness of that degree of freedom was cancelled by its neighbours down to rounding: a mechanism.
/// Rounding leaves ratios near 1e13 and more; well-posed but stiff models stay below about 1e8.
constexpr double kMechanismPivotRatio = 1e10;
/// The graph of the grids that carry equations, for ordering: nested dissection of a graph three
/// times smaller than that of the scalar equations is faster, and keeping a grid's components together
/// gives larger supernodes.
struct GridGraph
{
    std::vector<std::int64_t> blockOfEquation;
    /// The equations of block b are equationsByBlock[firstOfBlock[b] .. firstOfBlock[b + 1]).
    std::vector<std::int64_t> firstOfBlock, equationsByBlock;
    /// Both directions of every edge, without self loops, in METIS's compressed rows.
    std::vector<idx_t> start, adjacent;
};

GridGraph gridGraph(const std::vector<std::int64_t>& colPtr, const std::vector<std::int64_t>& rows,
                    const std::vector<std::size_t>& gridOfEquation)
{
    const std::size_t eq = gridOfEquation.size();
    GridGraph g;
    g.blockOfEquation.assign(eq, 0);
    std::size_t blocks = 0;
    {
        std::vector<std::pair<std::size_t, std::size_t>> byGrid(eq);
        for (std::size_t q = 0; q < eq; ++q)
            byGrid[q] = {gridOfEquation[q], q};
        std::sort(byGrid.begin(), byGrid.end());
        for (std::size_t k = 0; k < eq; ++k)
        {
            if (k > 0 && byGrid[k].first != byGrid[k - 1].first)
                ++blocks;
            g.blockOfEquation[byGrid[k].second] = static_cast<std::int64_t>(blocks);
        }
        if (eq > 0)
            ++blocks;
    }
    g.firstOfBlock.assign(blocks + 1, 0);
    for (std::size_t q = 0; q < eq; ++q)
        ++g.firstOfBlock[static_cast<std::size_t>(g.blockOfEquation[q]) + 1];
    for (std::size_t b = 0; b < blocks; ++b)
        g.firstOfBlock[b + 1] += g.firstOfBlock[b];
    g.equationsByBlock.assign(eq, 0);
    {
        std::vector<std::int64_t> next(g.firstOfBlock.begin(), g.firstOfBlock.end() - 1);
        for (std::size_t q = 0; q < eq; ++q)
            g.equationsByBlock[static_cast<std::size_t>(
                next[static_cast<std::size_t>(g.blockOfEquation[q])]++)] = static_cast<std::int64_t>(q);
    }
    std::vector<std::vector<idx_t>> adjacency(blocks);
    for (std::size_t j = 0; j < eq; ++j)
        for (auto p = colPtr[j]; p < colPtr[j + 1]; ++p)
        {
            const auto a = static_cast<idx_t>(
                g.blockOfEquation[static_cast<std::size_t>(rows[static_cast<std::size_t>(p)])]);
            const auto b = static_cast<idx_t>(g.blockOfEquation[j]);
            if (a != b)
            {
                adjacency[static_cast<std::size_t>(a)].push_back(b);
                adjacency[static_cast<std::size_t>(b)].push_back(a);
            }
        }
    g.start.assign(blocks + 1, 0);
    for (std::size_t b = 0; b < blocks; ++b)
    {
        auto& list = adjacency[b];
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
        g.adjacent.insert(g.adjacent.end(), list.begin(), list.end());
        g.start[b + 1] = static_cast<idx_t>(g.adjacent.size());
        std::vector<idx_t>().swap(list);
    }
    return g;
}

/// Nested dissection (METIS, its own defaults) of the grid graph, expanded to the equations; empty
/// when METIS fails. One ordering of a graph a third the size of the equations' costs a fraction of
/// the factorisation; trying several to keep the smallest factor cost more time than it saved.
std::vector<std::int64_t> equationOrdering(GridGraph& g)
{
    idx_t n = static_cast<idx_t>(g.start.size() - 1);
    std::vector<idx_t> perm(static_cast<std::size_t>(n)), inverse(static_cast<std::size_t>(n));
    if (n == 0 || METIS_NodeND(&n, g.start.data(), g.adjacent.data(), nullptr, nullptr, perm.data(),
                               inverse.data()) != METIS_OK)
        return {};
    std::vector<std::int64_t> ordering;
    ordering.reserve(g.blockOfEquation.size());
    for (const idx_t b : perm)
        for (auto k = g.firstOfBlock[static_cast<std::size_t>(b)];
             k < g.firstOfBlock[static_cast<std::size_t>(b) + 1]; ++k)
            ordering.push_back(g.equationsByBlock[static_cast<std::size_t>(k)]);
    return ordering;
}

/// The megabytes of a number of bytes, to one decimal.
std::string megabytes(double bytes)
{
    std::ostringstream size;
    size.precision(1);
    size << std::fixed << bytes / 1048576.0;
    return size.str();
}

/// Bytes of the factor's values: supernodal storage holds the values of L in dense blocks (xsize of
/// them) and few integers.
double factorBytes(const cholmod_factor& f, const cholmod_common* c)
{
    return (f.is_super ? static_cast<double>(f.xsize) : c->lnz) * sizeof(double);
}

/// The symbolic factor under the grids' nested dissection, refused when its values would need more
/// than memoryLimit bytes. CHOLMOD's relaxed amalgamation gives the fastest factorisation, with only
/// the top separators cut, which costs no time; only when that factor would not fit is the frugal one
/// made, without explicit zeros and with every wide supernode cut.
FactorPtr symbolicFactor(UpperMatrix& k, const std::vector<std::size_t>& gridOfEquation, double memoryLimit,
                         cholmod_common* c)
{
    cholmod_sparse pattern = triangleView(k.n, k.colPtr, k.rows, nullptr);
    std::vector<std::int64_t> ordering;
    {
        GridGraph graph = gridGraph(k.colPtr, k.rows, gridOfEquation);
        ordering = equationOrdering(graph);
    }
    const auto failed = [c]
    {
        return FatalError(c->status == CHOLMOD_OUT_OF_MEMORY ? eFatalMemory : eFatalInternal,
                          "the ordering of the stiffness matrix failed (CHOLMOD status " +
                              std::to_string(c->status) + ")");
    };
    useRelaxedSupernodes(*c);
    FactorPtr factor = analyse(pattern, ordering, c);
    if (!factor)
        throw failed();
    splitSupernodes(*factor, kWideSupernodeColumns, c);
    if (!factor->super || !factor->pi || !factor->px || !factor->s)
        throw failed();
    if (memoryLimit > 0.0 && factorBytes(*factor, c) > memoryLimit)
    {
        factor.reset();
        useExactSupernodes(*c);
        factor = analyse(pattern, ordering, c);
        if (!factor)
            throw failed();
        splitSupernodes(*factor, kSupernodeColumns, c);
        if (!factor->super || !factor->pi || !factor->px || !factor->s)
            throw failed();
    }
    const double bytes = factorBytes(*factor, c);
    if (memoryLimit > 0.0 && bytes > memoryLimit)
        throw FatalError(eFatalMemory, "the factor needs " + megabytes(bytes) +
                                           " MB, more than the memory limit (memorymaximum) allows");
    return factor;
}

/// Refuses a factor whose pivots L(j, j)^2 lost too much against the diagonal of the matrix they came
/// from: the stiffness there was cancelled to rounding.
void checkPivots(const cholmod_factor& factor, const PermutedLower& s, const EquationName& name)
{
    const auto* perm = static_cast<const std::int64_t*>(factor.Perm);
    const auto* super = static_cast<const std::int64_t*>(factor.super);
    const auto* pi = static_cast<const std::int64_t*>(factor.pi);
    const auto* px = static_cast<const std::int64_t*>(factor.px);
    const auto* lx = static_cast<const double*>(factor.x);
    double worst = 0.0;
    std::size_t worstEq = 0;
    for (std::size_t sn = 0; sn < factor.nsuper; ++sn)
    {
        const std::int64_t rowsInSuper = pi[sn + 1] - pi[sn];
        for (std::int64_t j = super[sn]; j < super[sn + 1]; ++j)
        {
            const std::int64_t jj = j - super[sn];
            const double l = lx[px[sn] + jj + jj * rowsInSuper];
            // The diagonal of the permuted matrix's column j comes first in it.
            const double ratio =
                s.values[static_cast<std::size_t>(s.colPtr[static_cast<std::size_t>(j)])] / (l * l);
            if (ratio > worst)
            {
                worst = ratio;
                worstEq = static_cast<std::size_t>(perm[j]);
            }
        }
    }
    if (worst > kMechanismPivotRatio)
        throw FatalError(eFatalModel,
                         "the model is singular (a mechanism): " + name(worstEq) + " is not held");
}

/// The numeric factor of the permuted matrix, with the checks for mechanisms.
void numericFactor(PermutedLower& s, cholmod_factor& factor, const std::string& size,
                   const EquationName& name, cholmod_common* c)
{
    const std::size_t eq = s.colPtr.size() - 1;
    cholmod_sparse a = triangleView(eq, s.colPtr, s.rows, s.values.data(), -1);
    double noShift[2] = {0.0, 0.0};
    cholmod_l_super_numeric(&a, nullptr, noShift, &factor, c);
    if (c->status == CHOLMOD_OUT_OF_MEMORY)
        throw FatalError(eFatalMemory,
                         "not enough memory to factorise the stiffness matrix (" + size + " MB)");
    if (c->status == CHOLMOD_NOT_POSDEF || factor.minor < eq)
    {
        const auto q = static_cast<std::size_t>(static_cast<const std::int64_t*>(factor.Perm)[factor.minor]);
        throw FatalError(eFatalModel, "the model is singular (a mechanism): " + name(q) + " is not held");
    }
    if (c->status < CHOLMOD_OK)
        throw FatalError(eFatalInternal,
                         "the factorisation failed (CHOLMOD status " + std::to_string(c->status) + ")");
    checkPivots(factor, s, name);
}

std::vector<double> solveFactored(cholmod_factor& factor, const std::vector<double>& rhs,
                                  const EquationName& name, cholmod_common* c)
{
    const std::size_t eq = rhs.size();
    cholmod_dense b{};
    b.nrow = eq;
    b.ncol = 1;
    b.nzmax = eq;
    b.d = eq;
    b.x = const_cast<double*>(rhs.data()); // only read
    b.xtype = CHOLMOD_REAL;
    b.dtype = CHOLMOD_DOUBLE;
    cholmod_dense* xs = cholmod_l_solve(CHOLMOD_A, &factor, &b, c);
    if (!xs)
        throw FatalError(eFatalMemory, "not enough memory to solve");
    std::vector<double> solution(eq);
    std::copy_n(static_cast<const double*>(xs->x), eq, solution.begin());
    cholmod_l_free_dense(&xs, c);
    for (std::size_t q = 0; q < eq; ++q)
        if (!std::isfinite(solution[q]))
            throw FatalError(eFatalNumerical, "the displacement of " + name(q) +
                                                  " is not finite: the solution overflows double precision");
    return solution;
}

/// Residual of the reduced system: a check on the factorisation, reported in the log. Taken in the
/// factor's order, where the matrix now is.
double relativeResidual(const PermutedLower& s, const std::int64_t* perm, const std::vector<double>& rhs,
                        const std::vector<double>& solution)
{
    const std::size_t eq = rhs.size();
    std::vector<double> r(eq), x(eq);
    for (std::size_t k = 0; k < eq; ++k)
    {
        r[k] = rhs[static_cast<std::size_t>(perm[k])];
        x[k] = solution[static_cast<std::size_t>(perm[k])];
    }
    for (std::size_t j = 0; j < eq; ++j)
        for (auto p = s.colPtr[j]; p < s.colPtr[j + 1]; ++p)
        {
            const auto i = static_cast<std::size_t>(s.rows[static_cast<std::size_t>(p)]);
            const double v = s.values[static_cast<std::size_t>(p)];
            r[i] -= v * x[j];
            if (i != j)
                r[j] -= v * x[i];
        }
    double rn = 0.0, fn = 0.0;
    for (std::size_t j = 0; j < eq; ++j)
    {
        rn += r[j] * r[j];
        fn += rhs[j] * rhs[j];
    }
    return checkedResidual(rn, fn);
}

} // namespace

void useRelaxedSupernodes(cholmod_common& c)
{
    const CholmodCommon defaults;
    c.supernodal = CHOLMOD_SUPERNODAL;
    c.postorder = 1;
    std::copy_n(defaults.c.nrelax, 3, c.nrelax);
    std::copy_n(defaults.c.zrelax, 3, c.zrelax);
}

void useExactSupernodes(cholmod_common& c)
{
    c.supernodal = CHOLMOD_SUPERNODAL;
    c.postorder = 1;
    c.nrelax[0] = c.nrelax[1] = c.nrelax[2] = 0;
    c.zrelax[0] = c.zrelax[1] = c.zrelax[2] = 0.0;
}

cholmod_sparse triangleView(std::size_t n, std::vector<std::int64_t>& colPtr, std::vector<std::int64_t>& rows,
                            double* values, int stype)
{
    cholmod_sparse a{};
    a.nrow = n;
    a.ncol = n;
    a.nzmax = rows.size();
    a.p = colPtr.data();
    a.i = rows.data();
    a.x = values;
    a.stype = stype;
    a.itype = CHOLMOD_LONG;
    a.xtype = values ? CHOLMOD_REAL : CHOLMOD_PATTERN;
    a.dtype = CHOLMOD_DOUBLE;
    a.sorted = 1;
    a.packed = 1;
    return a;
}

SupernodeWorkspace supernodeWorkspace(std::size_t n, const std::vector<std::int64_t>& super,
                                      const std::vector<std::int64_t>& pi, const std::vector<std::int64_t>& s)
{
    const auto nsuper = static_cast<std::int64_t>(super.size()) - 1;
    // The supernode of every column, to group a block's rows by the supernode they update.
    std::vector<std::int64_t> superOf(n);
    for (std::int64_t sn = 0; sn < nsuper; ++sn)
        std::fill(superOf.begin() + super[static_cast<std::size_t>(sn)],
                  superOf.begin() + super[static_cast<std::size_t>(sn) + 1], sn);
    SupernodeWorkspace w;
    for (std::int64_t sn = 0; sn < nsuper; ++sn)
    {
        const auto k = static_cast<std::size_t>(sn);
        const std::int64_t columns = super[k + 1] - super[k];
        const std::int64_t rows = pi[k + 1] - pi[k];
        w.maxesize = std::max(w.maxesize, rows - columns);
        // Its rows below the diagonal block, ascending, fall into runs of one ancestor's columns each;
        // updating that ancestor takes a block of the run's length times the rows from the run on.
        const auto superOfRow = [&](std::int64_t p)
        { return superOf[static_cast<std::size_t>(s[static_cast<std::size_t>(pi[k] + p)])]; };
        for (std::int64_t p = columns; p < rows;)
        {
            std::int64_t q = p + 1;
            while (q < rows && superOfRow(q) == superOfRow(p))
                ++q;
            w.maxcsize = std::max(w.maxcsize, (q - p) * (rows - p));
            p = q;
        }
    }
    return w;
}

void splitSupernodes(cholmod_factor& f, std::int64_t width, cholmod_common* c)
{
    const auto nsuper = static_cast<std::int64_t>(f.nsuper);
    const auto* super = static_cast<const std::int64_t*>(f.super);
    const auto* pi = static_cast<const std::int64_t*>(f.pi);
    const auto* ls = static_cast<const std::int64_t*>(f.s);
    bool wide = false;
    for (std::int64_t sn = 0; sn < nsuper && !wide; ++sn)
        wide = super[sn + 1] - super[sn] > width;
    if (!wide)
        return;
    std::vector<std::int64_t> newSuper{0}, newPi{0}, newPx{0}, newS;
    for (std::int64_t sn = 0; sn < nsuper; ++sn)
    {
        const std::int64_t columns = super[sn + 1] - super[sn];
        const std::int64_t rows = pi[sn + 1] - pi[sn];
        for (std::int64_t first = 0; first < columns; first += width)
        {
            const std::int64_t pieceColumns = std::min(width, columns - first);
            const std::int64_t pieceRows = rows - first;
            newSuper.push_back(super[sn] + first + pieceColumns);
            newS.insert(newS.end(), ls + pi[sn] + first, ls + pi[sn + 1]);
            newPi.push_back(static_cast<std::int64_t>(newS.size()));
            newPx.push_back(newPx.back() + pieceColumns * pieceRows);
        }
    }
    const SupernodeWorkspace w = supernodeWorkspace(f.n, newSuper, newPi, newS);
    const auto replace = [c](void*& array, std::size_t oldSize, const std::vector<std::int64_t>& values)
    {
        cholmod_l_free(oldSize, sizeof(std::int64_t), array, c);
        array = cholmod_l_malloc(values.size(), sizeof(std::int64_t), c);
        if (array)
            std::copy(values.begin(), values.end(), static_cast<std::int64_t*>(array));
    };
    const std::size_t oldSuper = f.nsuper + 1;
    replace(f.super, oldSuper, newSuper);
    replace(f.pi, oldSuper, newPi);
    replace(f.px, oldSuper, newPx);
    replace(f.s, f.ssize, newS);
    f.nsuper = newSuper.size() - 1;
    f.ssize = newS.size();
    f.xsize = static_cast<std::size_t>(newPx.back());
    f.maxcsize = static_cast<std::size_t>(w.maxcsize);
    f.maxesize = static_cast<std::size_t>(w.maxesize);
}

FactorPtr analyse(cholmod_sparse& a, std::vector<std::int64_t>& ordering, cholmod_common* c)
{
    auto freeFactor = [c](cholmod_factor* f) { cholmod_l_free_factor(&f, c); };
    c->nmethods = 1;
    c->method[0].ordering = ordering.empty() ? CHOLMOD_METIS : CHOLMOD_GIVEN;
    FactorPtr f(cholmod_l_analyze_p(&a, ordering.empty() ? nullptr : ordering.data(), nullptr, 0, c),
                freeFactor);
    if (!f || c->status < CHOLMOD_OK || !f->is_super)
        return FactorPtr(nullptr, freeFactor);
    return f;
}

PermutedLower permutedLower(const std::vector<std::int64_t>& colPtr, const std::vector<std::int64_t>& rows,
                            const std::vector<double>& values, const std::int64_t* perm)
{
    const std::size_t n = colPtr.size() - 1;
    std::vector<std::int64_t> inverse(n);
    for (std::size_t k = 0; k < n; ++k)
        inverse[static_cast<std::size_t>(perm[k])] = static_cast<std::int64_t>(k);
    PermutedLower s;
    s.colPtr.assign(n + 1, 0);
    for (std::size_t j = 0; j < n; ++j)
        for (auto p = colPtr[j]; p < colPtr[j + 1]; ++p)
        {
            const std::int64_t a = inverse[static_cast<std::size_t>(rows[static_cast<std::size_t>(p)])];
            const std::int64_t b = inverse[j];
            ++s.colPtr[static_cast<std::size_t>(std::min(a, b)) + 1];
        }
    for (std::size_t j = 0; j < n; ++j)
        s.colPtr[j + 1] += s.colPtr[j];
    s.rows.resize(rows.size());
    s.values.resize(rows.size());
    std::vector<std::int64_t> next(s.colPtr.begin(), s.colPtr.end() - 1);
    for (std::size_t j = 0; j < n; ++j)
        for (auto p = colPtr[j]; p < colPtr[j + 1]; ++p)
        {
            const std::int64_t a = inverse[static_cast<std::size_t>(rows[static_cast<std::size_t>(p)])];
            const std::int64_t b = inverse[j];
            const auto at = static_cast<std::size_t>(next[static_cast<std::size_t>(std::min(a, b))]++);
            s.rows[at] = std::max(a, b);
            s.values[at] = values[static_cast<std::size_t>(p)];
        }
    // A column holds a few dozen rows.
    std::vector<std::pair<std::int64_t, double>> column;
    for (std::size_t j = 0; j < n; ++j)
    {
        const auto b = static_cast<std::size_t>(s.colPtr[j]), e = static_cast<std::size_t>(s.colPtr[j + 1]);
        column.clear();
        for (std::size_t p = b; p < e; ++p)
            column.emplace_back(s.rows[p], s.values[p]);
        std::sort(column.begin(), column.end(),
                  [](const auto& x, const auto& y) { return x.first < y.first; });
        for (std::size_t p = b; p < e; ++p)
            std::tie(s.rows[p], s.values[p]) = column[p - b];
    }
    return s;
}

void writeMatrix(UpperMatrix& k, const std::string& path)
{
    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "w");
    if (!file)
        throw FatalError(eFatalFile, "the matrix file " + path + " cannot be created");
    CholmodCommon common;
    cholmod_sparse a = triangleView(k.n, k.colPtr, k.rows, k.values.data());
    const int written = cholmod_l_write_sparse(file, &a, nullptr, nullptr, &common.c);
    if (std::fclose(file) != 0 || written < 0 || std::rename(temporary.c_str(), path.c_str()) != 0)
    {
        std::remove(temporary.c_str());
        throw FatalError(eFatalFile, "the matrix file " + path + " cannot be written");
    }
}

double checkedResidual(double squaredResidual, double squaredLoad)
{
    const double residual = squaredLoad > 0.0 ? std::sqrt(squaredResidual / squaredLoad) : 0.0;
    if (!std::isfinite(residual))
        throw FatalError(eFatalNumerical, "the residual of the solution is not finite: the loads or the "
                                          "displacements reach the limits of double precision");
    if (!(residual <= kResidualLimit))
    {
        char text[160];
        std::snprintf(text, sizeof text,
                      "the solution does not satisfy its equations: relative residual %.3E, more than %.0E",
                      residual, kResidualLimit);
        throw FatalError(eFatalNumerical, text);
    }
    return residual;
}

std::vector<double> solveReduced(UpperMatrix&& k, const std::vector<double>& rhs,
                                 std::vector<std::size_t>&& gridOfEquation, double memoryLimit,
                                 const EquationName& name,
                                 const std::function<void(const std::string&)>& progress,
                                 SolveSummary& summary)
{
    const std::size_t eq = k.n;
    CholmodCommon common;
    cholmod_common* c = &common.c;
    progress("ORDERING " + std::to_string(eq) + " EQUATIONS, " + std::to_string(k.rows.size()) +
             " MATRIX TERMS");
    FactorPtr factor = symbolicFactor(k, gridOfEquation, memoryLimit, c);
    std::vector<std::size_t>().swap(gridOfEquation);
    summary.factorNonzeros = c->lnz;
    const std::string size = megabytes(factorBytes(*factor, c));
    // The matrix in the factor's order replaces the assembled one, and what the assembly left behind
    // goes back to the system before the factor takes its place.
    const auto* perm = static_cast<const std::int64_t*>(factor->Perm);
    PermutedLower s = permutedLower(k.colPtr, k.rows, k.values, perm);
    k = UpperMatrix{};
    malloc_trim(0);
    progress("FACTORISING: " + std::to_string(static_cast<long long>(c->lnz)) + " TERMS IN THE FACTOR (" +
             size + " MB)");
    numericFactor(s, *factor, size, name, c);
    progress("SOLVING");
    std::vector<double> solution = solveFactored(*factor, rhs, name, c);
    summary.relativeResidual = relativeResidual(s, perm, rhs, solution);
    return solution;
}

} // namespace nastran
