#include "tools/nastran/Analysis.h"

#include "tools/nastran/Deck.h"

#include <Eigen/SparseLU>
#include <cholmod.h>
#include <malloc.h>
#include <metis.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <numeric>
#include <sstream>
#include <tuple>

namespace nastran
{
namespace
{

constexpr std::size_t npos = std::numeric_limits<std::size_t>::max();
constexpr int kDofsPerGrid = 6;
/// A pivot of the factor that is this many times smaller than the matrix diagonal it came from means
/// the stiffness of that degree of freedom was cancelled by its neighbours down to rounding: a mechanism.
/// Rounding leaves ratios near 1e13 and more; well-posed but stiff models stay below about 1e8.
constexpr double kMechanismPivotRatio = 1e10;
/// Longest chain of MPCs whose dependents are independents of the next one.
constexpr std::size_t kMpcChainLimit = 1000;
/// Messages of one kind listed before "and N more".
constexpr std::size_t kListedMessages = 20;
/// Nested dissection: separators tried per level, refinement passes, and allowed imbalance of the
/// parts in thousandths (METIS's own defaults are 1, 10 and 200).
constexpr idx_t kOrderingSeparators = 5;
constexpr idx_t kOrderingRefinements = 20;
constexpr idx_t kOrderingImbalance = 30;
/// Orderings (seeds) tried before factorising; each costs about a fiftieth of the factorisation of a
/// large solid.
constexpr int kOrderingTries = 4;

std::string elementName(EElementType t)
{
    switch (t)
    {
    case EElementType::eTetra4:
    case EElementType::eTetra10:
        return "CTETRA";
    case EElementType::eTria3:
        return "CTRIA3";
    case EElementType::eTria6:
        return "CTRIA6";
    }
    return "?";
}

bool isSolid(EElementType t)
{
    return t == EElementType::eTetra4 || t == EElementType::eTetra10;
}

std::string lineText(int line)
{
    return " on line " + std::to_string(line);
}

/// The term of an MPC whose degree of freedom it eliminates: the first, or when that one's coefficient
/// is zero, the one of largest coefficient (which may be zero too).
std::size_t dependentTerm(const MultiPointConstraint& m)
{
    std::size_t dep = 0;
    if (m.terms.front().coefficient == 0.0)
        for (std::size_t t = 1; t < m.terms.size(); ++t)
            if (std::abs(m.terms[t].coefficient) > std::abs(m.terms[dep].coefficient))
                dep = t;
    return dep;
}

template <class T> std::vector<std::size_t> orderById(const std::vector<T>& v)
{
    std::vector<std::size_t> order(v.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return v[a].id < v[b].id; });
    return order;
}

/// Collects problems and throws them together.
class Problems
{
public:
    void add(std::string s) { m_list.push_back(std::move(s)); }
    bool empty() const { return m_list.empty(); }
    void throwIfAny(int code) const
    {
        if (m_list.empty())
            return;
        std::string text;
        for (std::size_t i = 0; i < m_list.size() && i < kListedMessages; ++i)
            text += (i ? "\n" : "") + m_list[i];
        if (m_list.size() > kListedMessages)
            text += "\nand " + std::to_string(m_list.size() - kListedMessages) + " more";
        throw FatalError(code, text);
    }

private:
    std::vector<std::string> m_list;
};

struct CholmodCommon
{
    cholmod_common c;
    CholmodCommon()
    {
        cholmod_l_start(&c);
        c.error_handler = nullptr;
        c.print = 0;
    }
    ~CholmodCommon() { cholmod_l_finish(&c); }
    CholmodCommon(const CholmodCommon&) = delete;
    CholmodCommon& operator=(const CholmodCommon&) = delete;
};

/// A CHOLMOD view (no copy) of a packed, sorted triangle in compressed columns, the upper one
/// (`stype` 1) or the lower one (-1); a pattern only when `values` is null. The vectors must outlive
/// the view.
cholmod_sparse triangleView(std::size_t n, std::vector<std::int64_t>& colPtr, std::vector<std::int64_t>& rows,
                            double* values, int stype = 1)
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

/// Nested dissection (METIS) of the grid graph with the given seed (-1: METIS's own), expanded to the
/// equations; empty
/// when METIS fails. Several separators tried per level and a tight balance give noticeably smaller
/// factors of solid meshes than METIS's defaults, for a small part of the factorisation's time.
std::vector<std::int64_t> equationOrdering(GridGraph& g, idx_t seed)
{
    idx_t options[METIS_NOPTIONS];
    METIS_SetDefaultOptions(options);
    options[METIS_OPTION_NSEPS] = kOrderingSeparators;
    options[METIS_OPTION_NITER] = kOrderingRefinements;
    options[METIS_OPTION_UFACTOR] = kOrderingImbalance;
    options[METIS_OPTION_SEED] = seed;
    idx_t n = static_cast<idx_t>(g.start.size() - 1);
    std::vector<idx_t> perm(static_cast<std::size_t>(n)), inverse(static_cast<std::size_t>(n));
    if (n == 0 || METIS_NodeND(&n, g.start.data(), g.adjacent.data(), nullptr, options, perm.data(),
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

using FactorPtr = std::unique_ptr<cholmod_factor, std::function<void(cholmod_factor*)>>;

/// Columns of a supernode above which it is cut into pieces; see splitSupernodes.
constexpr std::int64_t kSupernodeColumns = 256;

/// Cuts every supernode of the symbolic factor `f` wider than `width` columns into pieces of at most
/// that many, each a supernode of its own whose rows are the rest of the old one's rows. The factor's
/// pattern stays the same, but supernodal storage holds each block's diagonal part as a full square,
/// whose upper half is never used: for the separators of a solid mesh, thousands of columns wide,
/// that half is a tenth of the factor. Many narrower blocks waste little, and still give BLAS blocks
/// wide enough to run at full speed. The sizes the numeric factorisation and the solve allocate their
/// workspace by (the largest update and the largest block below a diagonal) are worked out anew, the
/// way CHOLMOD derives them.
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
    const auto pieces = static_cast<std::int64_t>(newSuper.size()) - 1;
    // The supernode of every column, to group a block's rows by the supernode they update.
    std::vector<std::int64_t> superOf(f.n);
    for (std::int64_t sn = 0; sn < pieces; ++sn)
        std::fill(superOf.begin() + newSuper[static_cast<std::size_t>(sn)],
                  superOf.begin() + newSuper[static_cast<std::size_t>(sn) + 1], sn);
    std::int64_t maxcsize = 1, maxesize = 1;
    for (std::int64_t sn = 0; sn < pieces; ++sn)
    {
        const auto k = static_cast<std::size_t>(sn);
        const std::int64_t columns = newSuper[k + 1] - newSuper[k];
        const std::int64_t rows = newPi[k + 1] - newPi[k];
        maxesize = std::max(maxesize, rows - columns);
        // Its rows below the diagonal block, ascending, fall into runs of one ancestor's columns each;
        // updating that ancestor takes a block of the run's length times the rows from the run on.
        const auto superOfRow = [&](std::int64_t p)
        { return superOf[static_cast<std::size_t>(newS[static_cast<std::size_t>(newPi[k] + p)])]; };
        for (std::int64_t p = columns; p < rows;)
        {
            std::int64_t q = p + 1;
            while (q < rows && superOfRow(q) == superOfRow(p))
                ++q;
            maxcsize = std::max(maxcsize, (q - p) * (rows - p));
            p = q;
        }
    }
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
    f.nsuper = static_cast<std::size_t>(pieces);
    f.ssize = newS.size();
    f.xsize = static_cast<std::size_t>(newPx.back());
    f.maxcsize = static_cast<std::size_t>(maxcsize);
    f.maxesize = static_cast<std::size_t>(maxesize);
}

/// Values the supernodal factorisation holds at its peak: the factor's blocks and the largest update
/// matrix it works with.
double peakValues(const cholmod_factor& f)
{
    return static_cast<double>(f.xsize) + static_cast<double>(f.maxcsize);
}

/// The symbolic factor of the pattern `a` under the orderings of several seeds, keeping the one whose
/// factorisation needs the least memory: the factor of a solid mesh, and the largest update, differ
/// by several per cent from one nested dissection to another.
FactorPtr bestSymbolicFactor(cholmod_sparse& a, const std::vector<std::int64_t>& colPtr,
                             const std::vector<std::int64_t>& rows,
                             const std::vector<std::size_t>& gridOfEquation, cholmod_common* c)
{
    auto freeFactor = [c](cholmod_factor* f) { cholmod_l_free_factor(&f, c); };
    GridGraph graph = gridGraph(colPtr, rows, gridOfEquation);
    FactorPtr best(nullptr, freeFactor);
    for (int k = 0; k < kOrderingTries; ++k)
    {
        // METIS's own seed first, then others.
        std::vector<std::int64_t> ordering = equationOrdering(graph, static_cast<idx_t>(k - 1));
        c->nmethods = 1;
        c->method[0].ordering = ordering.empty() ? CHOLMOD_METIS : CHOLMOD_GIVEN;
        FactorPtr f(cholmod_l_analyze_p(&a, ordering.empty() ? nullptr : ordering.data(), nullptr, 0, c),
                    freeFactor);
        if (!f || c->status < CHOLMOD_OK)
            return FactorPtr(nullptr, freeFactor);
        if (f->is_super)
        {
            splitSupernodes(*f, kSupernodeColumns, c);
            if (!f->super || !f->pi || !f->px || !f->s)
                return FactorPtr(nullptr, freeFactor);
        }
        if (!best || peakValues(*f) < peakValues(*best))
            best = std::move(f);
        if (ordering.empty())
            break; // CHOLMOD's own ordering has no seed to vary
    }
    return best;
}

/// The lower triangle of A(p, p), where A is given by its upper triangle in compressed columns and p
/// is the factor's permutation: the matrix exactly as the supernodal factorisation reads it, so that
/// it need not make a permuted copy of its own. Columns sorted, the diagonal first.
struct PermutedLower
{
    std::vector<std::int64_t> colPtr, rows;
    std::vector<double> values;
};

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

} // namespace

std::size_t Analysis::gridIndex(Id id) const
{
    auto it = std::lower_bound(m_sortedGridIds.begin(), m_sortedGridIds.end(), id);
    return it != m_sortedGridIds.end() && *it == id ? static_cast<std::size_t>(it - m_sortedGridIds.begin())
                                                    : npos;
}

Analysis::Analysis(const Model& model, Progress progress) : m_model(model), m_progress(std::move(progress))
{
    Problems problems;
    m_gridOrder = orderById(model.grids);
    m_elementOrder = orderById(model.elements);
    for (std::size_t k = 0; k < m_gridOrder.size(); ++k)
    {
        const Grid& g = model.grids[m_gridOrder[k]];
        if (k > 0 && m_sortedGridIds.back() == g.id)
            problems.add("GRID " + std::to_string(g.id) + lineText(g.line) + " repeats a grid id");
        else
            m_sortedGridIds.push_back(g.id);
    }
    for (std::size_t k = 0; k < m_elementOrder.size(); ++k)
    {
        const Element& e = model.elements[m_elementOrder[k]];
        if (k > 0 && m_sortedElementIds.back() == e.id)
            problems.add(elementName(e.type) + " " + std::to_string(e.id) + lineText(e.line) +
                         " repeats an element id");
        else
            m_sortedElementIds.push_back(e.id);
    }

    std::map<Id, int> materials, solids, shells;
    for (std::size_t i = 0; i < model.materials.size(); ++i)
        if (!materials.emplace(model.materials[i].id, static_cast<int>(i)).second)
            problems.add("MAT1 " + std::to_string(model.materials[i].id) + lineText(model.materials[i].line) +
                         " repeats a material id");
    for (std::size_t i = 0; i < model.solidProperties.size(); ++i)
        if (!solids.emplace(model.solidProperties[i].id, static_cast<int>(i)).second ||
            shells.count(model.solidProperties[i].id))
            problems.add("PSOLID " + std::to_string(model.solidProperties[i].id) +
                         lineText(model.solidProperties[i].line) + " repeats a property id");
    for (std::size_t i = 0; i < model.shellProperties.size(); ++i)
        if (!shells.emplace(model.shellProperties[i].id, static_cast<int>(i)).second ||
            solids.count(model.shellProperties[i].id))
            problems.add("PSHELL " + std::to_string(model.shellProperties[i].id) +
                         lineText(model.shellProperties[i].line) + " repeats a property id");

    m_elementMaterial.assign(model.elements.size(), -1);
    m_elementShell.assign(model.elements.size(), -1);
    for (std::size_t i = 0; i < model.elements.size(); ++i)
    {
        const Element& e = model.elements[i];
        const std::string what = elementName(e.type) + " " + std::to_string(e.id) + lineText(e.line);
        Id mid = 0;
        if (isSolid(e.type))
        {
            auto p = solids.find(e.property);
            if (p == solids.end())
            {
                problems.add(what + " refers to PSOLID " + std::to_string(e.property) +
                             ", which is not defined");
                continue;
            }
            mid = model.solidProperties[p->second].material;
        }
        else
        {
            auto p = shells.find(e.property);
            if (p == shells.end())
            {
                problems.add(what + " refers to PSHELL " + std::to_string(e.property) +
                             ", which is not defined");
                continue;
            }
            m_elementShell[i] = p->second;
            mid = model.shellProperties[p->second].material;
        }
        auto m = materials.find(mid);
        if (m == materials.end())
            problems.add(what + " uses material " + std::to_string(mid) + ", which is not defined");
        else
            m_elementMaterial[i] = m->second;
        std::vector<Id> seen;
        for (Id g : e.grids)
        {
            if (gridIndex(g) == npos)
                problems.add(what + " refers to GRID " + std::to_string(g) + ", which is not defined");
            if (std::find(seen.begin(), seen.end(), g) != seen.end())
                problems.add(what + " lists GRID " + std::to_string(g) + " twice");
            seen.push_back(g);
        }
    }

    for (const FacePressure& p : model.pressures)
    {
        const std::string what = "PLOAD4 " + std::to_string(p.set) + lineText(p.line);
        auto it = std::lower_bound(m_sortedElementIds.begin(), m_sortedElementIds.end(), p.element);
        if (it == m_sortedElementIds.end() || *it != p.element)
        {
            problems.add(what + " refers to element " + std::to_string(p.element) + ", which is not defined");
            continue;
        }
        const Element& e =
            model.elements[m_elementOrder[static_cast<std::size_t>(it - m_sortedElementIds.begin())]];
        if (!isSolid(e.type))
        {
            problems.add(what + " loads element " + std::to_string(p.element) +
                         ", which is not a CTETRA; only tetrahedron faces are supported");
            continue;
        }
        auto corner = [&](Id g)
        { return std::find(e.grids.begin(), e.grids.begin() + 4, g) - e.grids.begin(); };
        if (corner(p.cornerOnFace) == 4 || corner(p.oppositeCorner) == 4 ||
            p.cornerOnFace == p.oppositeCorner)
            problems.add(what + ": G1 " + std::to_string(p.cornerOnFace) + " and G4 " +
                         std::to_string(p.oppositeCorner) + " must be two different corners of CTETRA " +
                         std::to_string(e.id));
    }
    for (const NodalForce& f : model.forces)
        if (gridIndex(f.grid) == npos)
            problems.add("FORCE " + std::to_string(f.set) + lineText(f.line) + " refers to GRID " +
                         std::to_string(f.grid) + ", which is not defined");
    for (const SinglePointConstraint& s : model.spcs)
        for (const GridRange& r : s.grids)
            if (r.first == r.last && gridIndex(r.first) == npos)
                problems.add((s.rangesMayHaveGaps || s.grids.size() > 1 ? "SPC1 " : "SPC ") +
                             std::to_string(s.set) + lineText(s.line) + " refers to GRID " +
                             std::to_string(r.first) + ", which is not defined");
    for (const MultiPointConstraint& m : model.mpcs)
        for (const MpcTerm& t : m.terms)
            if (gridIndex(t.grid) == npos)
                problems.add("MPC " + std::to_string(m.set) + lineText(m.line) + " refers to GRID " +
                             std::to_string(t.grid) + ", which is not defined");

    std::map<Id, int> loadSets;
    for (const auto& f : model.forces)
        loadSets[f.set] |= 1;
    for (const auto& p : model.pressures)
        loadSets[p.set] |= 1;
    for (const auto& l : model.loadCombinations)
    {
        if (loadSets[l.set] & 2)
            problems.add("LOAD " + std::to_string(l.set) + lineText(l.line) + " repeats a LOAD set id");
        loadSets[l.set] |= 2;
    }
    for (const auto& l : model.loadCombinations)
        for (const auto& [scale, set] : l.terms)
        {
            auto it = loadSets.find(set);
            if (it == loadSets.end() || !(it->second & 1))
                problems.add("LOAD " + std::to_string(l.set) + lineText(l.line) + " refers to load set " +
                             std::to_string(set) + ", which has no FORCE or PLOAD4 card");
        }
    const CaseControl& cc = model.caseControl;
    if (cc.loadSet && !loadSets.count(*cc.loadSet))
        problems.add("LOAD = " + std::to_string(*cc.loadSet) +
                     " in the case control selects a load set that no LOAD, FORCE or PLOAD4 card defines");
    if (cc.spcSet && std::none_of(model.spcs.begin(), model.spcs.end(),
                                  [&](const SinglePointConstraint& c) { return c.set == *cc.spcSet; }))
        problems.add("SPC = " + std::to_string(*cc.spcSet) +
                     " in the case control selects a set that no SPC or SPC1 card defines");
    // The module's 2D deck selects its MPC set whether or not it writes MPC cards; only a deck that has
    // MPCs in other sets has mistaken the set.
    if (cc.mpcSet && std::none_of(model.mpcs.begin(), model.mpcs.end(),
                                  [&](const MultiPointConstraint& c) { return c.set == *cc.mpcSet; }))
    {
        const std::string text = "MPC = " + std::to_string(*cc.mpcSet) +
                                 " in the case control selects a set that no MPC card defines";
        if (model.mpcs.empty())
            m_notes.push_back({true, text});
        else
            problems.add(text);
    }
    if (model.elements.empty())
        problems.add("the bulk data defines no element");
    problems.throwIfAny(eFatalInput);
}

namespace
{

/// How one degree of freedom is expressed in the unknowns: u = sum coef * x[eq] + constant.
struct DofExpansion
{
    std::vector<std::pair<std::int64_t, double>> terms;
    double constant = 0.0;
};

} // namespace

struct Analysis::Impl
{
    /// Per degree of freedom: equation number (>= 0), or kHeld (value in heldValue), or kDependent.
    static constexpr std::int64_t kHeld = -1;
    static constexpr std::int64_t kDependent = -2;
    std::vector<std::int64_t> equation;
    std::vector<double> heldValue;
    std::map<std::size_t, std::vector<std::pair<std::size_t, double>>> dependent; ///< dof -> (dof, coef)
    std::size_t equations = 0;

    /// Expansion of a global degree of freedom in equations and a constant (dependents are already
    /// expressed in free and held degrees of freedom).
    void expand(std::size_t dof, double coef, DofExpansion& out) const
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
};

Results Analysis::run(double memoryLimit)
{
    const Model& model = m_model;
    const CaseControl& cc = model.caseControl;
    const std::size_t nGrids = m_sortedGridIds.size();
    const std::size_t nDofs = nGrids * kDofsPerGrid;
    Impl impl;
    impl.equation.assign(nDofs, 0);
    impl.heldValue.assign(nDofs, 0.0);
    auto dofName = [&](std::size_t dof)
    {
        return "GRID " + std::to_string(m_sortedGridIds[dof / kDofsPerGrid]) + " component " +
               std::to_string(dof % kDofsPerGrid + 1);
    };

    // Single-point constraints: the selected set and every grid's permanent constraints.
    auto hold = [&](std::size_t g, const std::string& components, double value)
    {
        for (char c : components)
        {
            const std::size_t dof = g * kDofsPerGrid + static_cast<std::size_t>(c - '1');
            impl.equation[dof] = Impl::kHeld;
            impl.heldValue[dof] = value;
        }
    };
    for (std::size_t k = 0; k < nGrids; ++k)
    {
        const Grid& g = model.grids[m_gridOrder[k]];
        if (!g.permanentSpc.empty())
            hold(k, g.permanentSpc, 0.0);
    }
    if (cc.spcSet)
    {
        for (const SinglePointConstraint& s : model.spcs)
        {
            if (s.set != *cc.spcSet)
                continue;
            for (const GridRange& r : s.grids)
            {
                auto it = std::lower_bound(m_sortedGridIds.begin(), m_sortedGridIds.end(), r.first);
                for (; it != m_sortedGridIds.end() && *it <= r.last; ++it)
                    hold(static_cast<std::size_t>(it - m_sortedGridIds.begin()), s.components, s.value);
            }
        }
    }

    // Multipoint constraints: each eliminates one dependent degree of freedom.
    Problems problems;
    if (cc.mpcSet)
    {
        for (const MultiPointConstraint& m : model.mpcs)
        {
            if (m.set != *cc.mpcSet)
                continue;
            const std::string what = "MPC " + std::to_string(m.set) + lineText(m.line);
            const std::size_t dep = dependentTerm(m);
            if (m.terms[dep].coefficient == 0.0)
            {
                problems.add(what + " has no non-zero coefficient");
                continue;
            }
            auto dofOf = [&](const MpcTerm& t)
            { return gridIndex(t.grid) * kDofsPerGrid + static_cast<std::size_t>(t.component - 1); };
            const std::size_t depDof = dofOf(m.terms[dep]);
            if (dep != 0)
                m_notes.push_back({false, what + ": the first coefficient is zero; " + dofName(depDof) +
                                              " (largest coefficient) is the dependent degree of freedom"});
            if (impl.equation[depDof] == Impl::kHeld)
            {
                problems.add(what + ": its dependent " + dofName(depDof) + " is also held by an SPC");
                continue;
            }
            if (impl.equation[depDof] == Impl::kDependent)
            {
                problems.add(what + ": its dependent " + dofName(depDof) + " is dependent in another MPC");
                continue;
            }
            std::vector<std::pair<std::size_t, double>> terms;
            for (std::size_t t = 0; t < m.terms.size(); ++t)
                if (t != dep && m.terms[t].coefficient != 0.0)
                {
                    if (dofOf(m.terms[t]) == depDof)
                    {
                        problems.add(what + " names its dependent " + dofName(depDof) + " twice");
                        break;
                    }
                    terms.emplace_back(dofOf(m.terms[t]), -m.terms[t].coefficient / m.terms[dep].coefficient);
                }
            impl.equation[depDof] = Impl::kDependent;
            impl.dependent[depDof] = std::move(terms);
        }
    }
    // Dependents that are independents of other MPCs are substituted once here, so that every
    // dependent is expressed in free and held degrees of freedom only. A closed chain cannot be
    // eliminated; chains are bounded so that a hostile deck cannot exhaust the stack.
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
            for (const auto& [d, c] : impl.dependent[dof])
            {
                if (impl.equation[d] != Impl::kDependent)
                {
                    flat[d] += c;
                    continue;
                }
                if (!resolve(d, depth + 1))
                    return false;
                for (const auto& [dd, cc] : impl.dependent[d])
                    flat[dd] += c * cc;
            }
            impl.dependent[dof].assign(flat.begin(), flat.end());
            state[dof] = 2;
            return true;
        };
        for (const auto& [dof, terms] : impl.dependent)
            if (!resolve(dof, 0))
            {
                problems.add("the MPCs form a closed chain, or a chain of more than " +
                             std::to_string(kMpcChainLimit) + " dependents, through " + dofName(dof));
                break;
            }
    }
    problems.throwIfAny(eFatalInput);

    std::size_t eq = 0;
    for (auto& q : impl.equation)
        if (q >= 0)
            q = static_cast<std::int64_t>(eq++);
    impl.equations = eq;
    std::vector<std::size_t> dofOfEquation(eq);
    for (std::size_t dof = 0; dof < nDofs; ++dof)
        if (impl.equation[dof] >= 0)
            dofOfEquation[static_cast<std::size_t>(impl.equation[dof])] = dof;

    // Element equation lists.
    progress("ASSEMBLING " + std::to_string(model.elements.size()) + " ELEMENTS, " + std::to_string(eq) +
             " EQUATIONS");
    const std::size_t nElements = model.elements.size();
    auto gridPositions = [&](const Element& e)
    {
        std::vector<std::size_t> g(e.grids.size());
        for (std::size_t a = 0; a < g.size(); ++a)
            g[a] = gridIndex(e.grids[a]);
        return g;
    };
    auto coordinatesOf = [&](const std::vector<std::size_t>& g)
    {
        std::vector<Vec3> x(g.size());
        for (std::size_t a = 0; a < g.size(); ++a)
            x[a] = model.grids[m_gridOrder[g[a]]].x;
        return x;
    };
    auto expansionsOf = [&](const std::vector<std::size_t>& g, std::vector<DofExpansion>& ex)
    {
        ex.assign(3 * g.size(), DofExpansion{});
        for (std::size_t a = 0; a < g.size(); ++a)
            for (std::size_t c = 0; c < 3; ++c)
                impl.expand(g[a] * kDofsPerGrid + c, 1.0, ex[3 * a + c]);
    };

    // Pattern of the upper triangle, column by column.
    std::vector<std::int64_t> colCount(eq + 1, 0);
    std::vector<std::vector<std::int64_t>> elementEquations(nElements);
    std::vector<DofExpansion> ex;
    for (std::size_t i = 0; i < nElements; ++i)
    {
        const auto g = gridPositions(model.elements[i]);
        std::vector<std::int64_t>& list = elementEquations[i];
        expansionsOf(g, ex);
        for (const auto& e : ex)
            for (const auto& [q, c] : e.terms)
                list.push_back(q);
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
        for (std::size_t k = 0; k < list.size(); ++k)
            colCount[static_cast<std::size_t>(list[k])] += static_cast<std::int64_t>(k + 1);
    }
    std::vector<std::int64_t> colStart(eq + 1, 0);
    for (std::size_t j = 0; j < eq; ++j)
        colStart[j + 1] = colStart[j] + colCount[j] + 1; // + 1: the diagonal, even when no element gives it
    std::vector<std::int64_t> rows(static_cast<std::size_t>(colStart[eq]));
    std::vector<std::int64_t> fill(colStart.begin(), colStart.end() - 1);
    for (std::size_t j = 0; j < eq; ++j)
        rows[static_cast<std::size_t>(fill[j]++)] = static_cast<std::int64_t>(j);
    for (const auto& list : elementEquations)
        for (std::size_t k = 0; k < list.size(); ++k)
            for (std::size_t r = 0; r <= k; ++r)
                rows[static_cast<std::size_t>(fill[static_cast<std::size_t>(list[k])]++)] = list[r];
    std::vector<std::int64_t> colPtr(eq + 1, 0);
    std::size_t nnz = 0;
    for (std::size_t j = 0; j < eq; ++j)
    {
        auto b = rows.begin() + colStart[j], e = rows.begin() + colStart[j + 1];
        std::sort(b, e);
        auto u = std::unique(b, e);
        const auto len = u - b;
        std::copy(b, u, rows.begin() + static_cast<std::ptrdiff_t>(nnz));
        colPtr[j] = static_cast<std::int64_t>(nnz);
        nnz += static_cast<std::size_t>(len);
    }
    colPtr[eq] = static_cast<std::int64_t>(nnz);
    rows.resize(nnz);
    rows.shrink_to_fit();
    elementEquations.clear();
    elementEquations.shrink_to_fit();
    std::vector<double> values(nnz, 0.0);
    std::vector<double> rhs(eq, 0.0);
    auto addAt = [&](std::int64_t r, std::int64_t c, double v)
    {
        const auto b = rows.begin() + colPtr[static_cast<std::size_t>(c)];
        const auto e = rows.begin() + colPtr[static_cast<std::size_t>(c) + 1];
        values[static_cast<std::size_t>(std::lower_bound(b, e, r) - rows.begin())] += v;
    };

    // Numeric assembly.
    ElementMatrix k;
    for (std::size_t i = 0; i < nElements; ++i)
    {
        const Element& e = model.elements[i];
        const auto g = gridPositions(e);
        const auto x = coordinatesOf(g);
        const Material& mat = model.materials[static_cast<std::size_t>(m_elementMaterial[i])];
        try
        {
            if (isSolid(e.type))
                tetraStiffness(x, mat.youngsModulus, mat.poissonRatio, k);
            else
            {
                const ShellProperty& p = model.shellProperties[static_cast<std::size_t>(m_elementShell[i])];
                membraneStiffness(x, mat.youngsModulus, mat.poissonRatio, p.thickness, p.planeStrain, k);
            }
        }
        catch (const ElementGeometryError& err)
        {
            problems.add(elementName(e.type) + " " + std::to_string(e.id) + lineText(e.line) + ": " +
                         err.what());
            continue;
        }
        expansionsOf(g, ex);
        const Eigen::Index n = k.rows();
        for (Eigen::Index a = 0; a < n; ++a)
        {
            const DofExpansion& ea = ex[static_cast<std::size_t>(a)];
            for (Eigen::Index b = 0; b < n; ++b)
            {
                const double kab = k(a, b);
                if (kab == 0.0)
                    continue;
                const DofExpansion& eb = ex[static_cast<std::size_t>(b)];
                for (const auto& [qa, ca] : ea.terms)
                {
                    if (eb.constant != 0.0)
                        rhs[static_cast<std::size_t>(qa)] -= ca * kab * eb.constant;
                    // Only the upper triangle is stored: pairs with qa > qb belong to the lower one.
                    for (const auto& [qb, cb] : eb.terms)
                        if (qa <= qb)
                            addAt(qa, qb, ca * cb * kab);
                }
            }
        }
    }
    problems.throwIfAny(eFatalInput);

    // Loads.
    std::vector<double> load(nDofs, 0.0);
    if (cc.loadSet)
    {
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
                        load[gridIndex(f.grid) * kDofsPerGrid + c] += scale * f.scale * f.direction[c];
            for (const FacePressure& p : model.pressures)
            {
                if (p.set != set)
                    continue;
                auto it = std::lower_bound(m_sortedElementIds.begin(), m_sortedElementIds.end(), p.element);
                const Element& e =
                    model.elements[m_elementOrder[static_cast<std::size_t>(it - m_sortedElementIds.begin())]];
                const auto g = gridPositions(e);
                const int opposite = static_cast<int>(
                    std::find(e.grids.begin(), e.grids.begin() + 4, p.oppositeCorner) - e.grids.begin());
                const ElementVector f =
                    tetraFaceLoad(coordinatesOf(g), opposite, scale * p.pressure, p.direction);
                for (std::size_t a = 0; a < g.size(); ++a)
                    for (std::size_t c = 0; c < 3; ++c)
                        load[g[a] * kDofsPerGrid + c] += f(static_cast<Eigen::Index>(3 * a + c));
            }
        }
    }
    for (std::size_t dof = 0; dof < nDofs; ++dof)
    {
        if (load[dof] == 0.0)
            continue;
        DofExpansion e;
        impl.expand(dof, 1.0, e);
        for (const auto& [q, c] : e.terms)
            rhs[static_cast<std::size_t>(q)] += c * load[dof];
    }
    const bool constraintForcesWanted = cc.printSpcForces || cc.printMpcForces;
    if (!constraintForcesWanted)
        std::vector<double>().swap(load);
    for (std::size_t q = 0; q < eq; ++q)
        if (!std::isfinite(rhs[q]))
            throw FatalError(eFatalNumerical, "the load on " + dofName(dofOfEquation[q]) +
                                                  " is not finite: the loads overflow double precision");

    // Components without any stiffness cannot be solved for: name them rather than let the
    // factorisation stumble on them.
    for (std::size_t j = 0; j < eq; ++j)
    {
        const auto last = static_cast<std::size_t>(colPtr[j + 1] - 1);
        if (!(values[last] > 0.0))
            problems.add(dofName(dofOfEquation[j]) +
                         " is not held: no element gives it stiffness and no SPC or MPC holds it");
    }
    problems.throwIfAny(eFatalModel);

    Results results;
    results.equations = eq;
    results.matrixNonzeros = nnz;
    std::vector<double> solution(eq, 0.0);
    if (eq > 0)
    {
        CholmodCommon common;
        cholmod_common* c = &common.c;
        c->supernodal = CHOLMOD_SUPERNODAL;
        c->postorder = 1;
        // No relaxed amalgamation: merging supernodes stores explicit zeros in the factor, which is
        // what bounds the size of the models this program solves, and gains little speed on solids.
        c->nrelax[0] = c->nrelax[1] = c->nrelax[2] = 0;
        c->zrelax[0] = c->zrelax[1] = c->zrelax[2] = 0.0;
        std::vector<std::size_t> gridOfEquation(eq);
        for (std::size_t q = 0; q < eq; ++q)
            gridOfEquation[q] = dofOfEquation[q] / kDofsPerGrid;
        cholmod_sparse pattern = triangleView(eq, colPtr, rows, nullptr);

        progress("ORDERING " + std::to_string(eq) + " EQUATIONS, " + std::to_string(nnz) + " MATRIX TERMS");
        // Nested dissection keeps the factor of a 3D solid mesh far smaller than minimum degree does.
        FactorPtr factor = bestSymbolicFactor(pattern, colPtr, rows, gridOfEquation, c);
        if (!factor || c->status < CHOLMOD_OK)
            throw FatalError(c->status == CHOLMOD_OUT_OF_MEMORY ? eFatalMemory : eFatalInternal,
                             "the ordering of the stiffness matrix failed (CHOLMOD status " +
                                 std::to_string(c->status) + ")");
        std::vector<std::size_t>().swap(gridOfEquation);
        // Supernodal storage holds the values of L in dense blocks (xsize of them) and few integers.
        const double factorValues = factor->is_super ? static_cast<double>(factor->xsize) : c->lnz;
        const double factorBytes = factorValues * sizeof(double);
        results.factorNonzeros = c->lnz;
        std::ostringstream size;
        size.precision(1);
        size << std::fixed << factorBytes / 1048576.0;
        if (memoryLimit > 0.0 && factorBytes > memoryLimit)
            throw FatalError(eFatalMemory, "the factor needs " + size.str() +
                                               " MB, more than the memory limit (memorymaximum) allows");

        // The matrix in the factor's order replaces the assembled one, and what the assembly left
        // behind goes back to the system before the factor takes its place.
        const auto* perm = static_cast<const std::int64_t*>(factor->Perm);
        PermutedLower s = permutedLower(colPtr, rows, values, perm);
        std::vector<std::int64_t>().swap(colPtr);
        std::vector<std::int64_t>().swap(rows);
        std::vector<double>().swap(values);
        malloc_trim(0);
        cholmod_sparse a = triangleView(eq, s.colPtr, s.rows, s.values.data(), -1);
        progress("FACTORISING: " + std::to_string(static_cast<long long>(c->lnz)) + " TERMS IN THE FACTOR (" +
                 size.str() + " MB)");
        double noShift[2] = {0.0, 0.0};
        cholmod_l_super_numeric(&a, nullptr, noShift, factor.get(), c);
        if (c->status == CHOLMOD_OUT_OF_MEMORY)
            throw FatalError(eFatalMemory,
                             "not enough memory to factorise the stiffness matrix (" + size.str() + " MB)");
        // The diagonal of the permuted matrix's column k comes first in it.
        auto diagonal = [&](std::size_t k) { return s.values[static_cast<std::size_t>(s.colPtr[k])]; };
        if (c->status == CHOLMOD_NOT_POSDEF || factor->minor < eq)
        {
            const auto q = static_cast<std::size_t>(perm[factor->minor]);
            throw FatalError(eFatalModel, "the model is singular (a mechanism): " +
                                              dofName(dofOfEquation[q]) + " is not held");
        }
        if (c->status < CHOLMOD_OK)
            throw FatalError(eFatalInternal,
                             "the factorisation failed (CHOLMOD status " + std::to_string(c->status) + ")");
        // Pivots of the supernodal LL^T factor: L(j, j)^2 against the matrix diagonal.
        {
            const auto* super = static_cast<const std::int64_t*>(factor->super);
            const auto* pi = static_cast<const std::int64_t*>(factor->pi);
            const auto* px = static_cast<const std::int64_t*>(factor->px);
            const auto* lx = static_cast<const double*>(factor->x);
            double worst = 0.0;
            std::size_t worstEq = 0;
            for (std::size_t sn = 0; sn < factor->nsuper; ++sn)
            {
                const std::int64_t rowsInSuper = pi[sn + 1] - pi[sn];
                for (std::int64_t j = super[sn]; j < super[sn + 1]; ++j)
                {
                    const std::int64_t jj = j - super[sn];
                    const double l = lx[px[sn] + jj + jj * rowsInSuper];
                    const double ratio = diagonal(static_cast<std::size_t>(j)) / (l * l);
                    if (ratio > worst)
                    {
                        worst = ratio;
                        worstEq = static_cast<std::size_t>(perm[j]);
                    }
                }
            }
            if (worst > kMechanismPivotRatio)
                throw FatalError(eFatalModel, "the model is singular (a mechanism): " +
                                                  dofName(dofOfEquation[worstEq]) + " is not held");
        }
        progress("SOLVING");
        cholmod_dense b{};
        b.nrow = eq;
        b.ncol = 1;
        b.nzmax = eq;
        b.d = eq;
        b.x = rhs.data();
        b.xtype = CHOLMOD_REAL;
        b.dtype = CHOLMOD_DOUBLE;
        cholmod_dense* xs = cholmod_l_solve(CHOLMOD_A, factor.get(), &b, c);
        if (!xs)
            throw FatalError(eFatalMemory, "not enough memory to solve");
        std::copy_n(static_cast<const double*>(xs->x), eq, solution.begin());
        cholmod_l_free_dense(&xs, c);
        for (std::size_t q = 0; q < eq; ++q)
            if (!std::isfinite(solution[q]))
                throw FatalError(eFatalNumerical,
                                 "the displacement of " + dofName(dofOfEquation[q]) +
                                     " is not finite: the solution overflows double precision");

        // Residual of the reduced system: a check on the factorisation, reported in the log. Taken in
        // the factor's order, where the matrix now is.
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
        results.relativeResidual = fn > 0.0 ? std::sqrt(rn / fn) : 0.0;
        if (!std::isfinite(results.relativeResidual))
            throw FatalError(eFatalNumerical, "the residual of the solution is not finite: the loads or the "
                                              "displacements reach the limits of double precision");
        if (!(results.relativeResidual <= kResidualLimit))
        {
            char text[160];
            std::snprintf(
                text, sizeof text,
                "the solution does not satisfy its equations: relative residual %.3E, more than %.0E",
                results.relativeResidual, kResidualLimit);
            throw FatalError(eFatalNumerical, text);
        }
    }

    // Displacements of every degree of freedom.
    results.gridIds = m_sortedGridIds;
    results.displacement.assign(nGrids, {});
    for (std::size_t dof = 0; dof < nDofs; ++dof)
    {
        DofExpansion e;
        impl.expand(dof, 1.0, e);
        double u = e.constant;
        for (const auto& [q, cf] : e.terms)
            u += cf * solution[static_cast<std::size_t>(q)];
        results.displacement[dof / kDofsPerGrid][dof % kDofsPerGrid] = u;
    }

    if (constraintForcesWanted)
    {
        progress("FORCES OF CONSTRAINT");
        constraintForces(impl, load, results);
    }

    // Stresses, by ascending element id.
    for (std::size_t idx : m_elementOrder)
    {
        const Element& e = model.elements[idx];
        const auto g = gridPositions(e);
        const auto x = coordinatesOf(g);
        ElementVector u(static_cast<Eigen::Index>(3 * g.size()));
        for (std::size_t a = 0; a < g.size(); ++a)
            for (std::size_t cmp = 0; cmp < 3; ++cmp)
                u(static_cast<Eigen::Index>(3 * a + cmp)) = results.displacement[g[a]][cmp];
        const Material& mat = model.materials[static_cast<std::size_t>(m_elementMaterial[idx])];
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
            const ShellProperty& p = model.shellProperties[static_cast<std::size_t>(m_elementShell[idx])];
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
    return results;
}

void Analysis::constraintForces(const Impl& impl, const std::vector<double>& load, Results& results) const
{
    const Model& model = m_model;
    const CaseControl& cc = model.caseControl;
    // r = K u - f over every degree of freedom: at a free one it vanishes to rounding, at a held or
    // MPC-bound one it is the force the constraints exert there.
    std::vector<double> r(load.size(), 0.0);
    for (std::size_t dof = 0; dof < load.size(); ++dof)
        r[dof] = -load[dof];
    ElementMatrix k;
    for (const Element& e : model.elements)
    {
        const std::size_t i = static_cast<std::size_t>(&e - model.elements.data());
        std::vector<std::size_t> g(e.grids.size());
        std::vector<Vec3> x(e.grids.size());
        for (std::size_t a = 0; a < g.size(); ++a)
        {
            g[a] = gridIndex(e.grids[a]);
            x[a] = model.grids[m_gridOrder[g[a]]].x;
        }
        const Material& mat = model.materials[static_cast<std::size_t>(m_elementMaterial[i])];
        if (isSolid(e.type))
            tetraStiffness(x, mat.youngsModulus, mat.poissonRatio, k);
        else
        {
            const ShellProperty& p = model.shellProperties[static_cast<std::size_t>(m_elementShell[i])];
            membraneStiffness(x, mat.youngsModulus, mat.poissonRatio, p.thickness, p.planeStrain, k);
        }
        ElementVector u(k.rows());
        for (std::size_t a = 0; a < g.size(); ++a)
            for (std::size_t c = 0; c < 3; ++c)
                u(static_cast<Eigen::Index>(3 * a + c)) = results.displacement[g[a]][c];
        const ElementVector f = k * u;
        for (std::size_t a = 0; a < g.size(); ++a)
            for (std::size_t c = 0; c < 3; ++c)
                r[g[a] * kDofsPerGrid + c] += f(static_cast<Eigen::Index>(3 * a + c));
    }

    // Each MPC a . u = 0 exerts lambda a. Its dependent degree of freedom is held by nothing else, so
    // the residual there is the sum of the lambdas of the MPCs that name it: one equation per MPC.
    std::vector<const MultiPointConstraint*> mpcs;
    if (cc.mpcSet)
        for (const MultiPointConstraint& m : model.mpcs)
            if (m.set == *cc.mpcSet)
                mpcs.push_back(&m);
    auto dofOf = [&](const MpcTerm& t)
    { return gridIndex(t.grid) * kDofsPerGrid + static_cast<std::size_t>(t.component - 1); };
    std::vector<double> mpcForce(r.size(), 0.0);
    if (!mpcs.empty())
    {
        const auto n = static_cast<Eigen::Index>(mpcs.size());
        std::map<std::size_t, Eigen::Index> rowOfDependent;
        Eigen::VectorXd b(n);
        for (Eigen::Index m = 0; m < n; ++m)
        {
            const MultiPointConstraint& c = *mpcs[static_cast<std::size_t>(m)];
            const std::size_t dof = dofOf(c.terms[dependentTerm(c)]);
            rowOfDependent[dof] = m;
            b(m) = r[dof];
        }
        std::vector<Eigen::Triplet<double>> entries;
        for (Eigen::Index m = 0; m < n; ++m)
            for (const MpcTerm& t : mpcs[static_cast<std::size_t>(m)]->terms)
            {
                const auto row = rowOfDependent.find(dofOf(t));
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
                mpcForce[dofOf(t)] += lambda(m) * t.coefficient;
    }

    const std::size_t nGrids = m_sortedGridIds.size();
    std::vector<char> inMpc(nGrids, 0);
    for (const MultiPointConstraint* m : mpcs)
        for (const MpcTerm& t : m->terms)
            inMpc[gridIndex(t.grid)] = 1;
    for (std::size_t gi = 0; gi < nGrids; ++gi)
    {
        GridForce spc{m_sortedGridIds[gi], {}};
        bool held = false;
        for (std::size_t c = 0; c < kDofsPerGrid; ++c)
        {
            const std::size_t dof = gi * kDofsPerGrid + c;
            if (impl.equation[dof] == Impl::kHeld)
            {
                held = true;
                spc.force[c] = r[dof] - mpcForce[dof];
            }
        }
        if (held && cc.printSpcForces)
            results.spcForces.push_back(spc);
        if (inMpc[gi] && cc.printMpcForces)
        {
            GridForce mpc{m_sortedGridIds[gi], {}};
            for (std::size_t c = 0; c < kDofsPerGrid; ++c)
                mpc.force[c] = mpcForce[gi * kDofsPerGrid + c];
            results.mpcForces.push_back(mpc);
        }
    }
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
