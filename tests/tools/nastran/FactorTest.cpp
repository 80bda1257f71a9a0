#include "tools/nastran/Factor.h"

#include "tools/nastran/Analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace nastran;

namespace
{

/// The upper triangle of the 7-point Laplacian of an n x n x n grid plus a small shift: SPD, and its
/// nested-dissection factor has separators n * n columns wide above smaller supernodes.
UpperMatrix gridLaplacian(std::int64_t n)
{
    UpperMatrix m;
    m.n = static_cast<std::size_t>(n * n * n);
    const auto at = [n](std::int64_t x, std::int64_t y, std::int64_t z) { return (z * n + y) * n + x; };
    m.colPtr.push_back(0);
    for (std::int64_t z = 0; z < n; ++z)
        for (std::int64_t y = 0; y < n; ++y)
            for (std::int64_t x = 0; x < n; ++x)
            {
                // Rows ascending: the neighbours before this column, then the diagonal.
                for (const auto& [inside, row] :
                     {std::pair{z > 0, at(x, y, z - 1)}, std::pair{y > 0, at(x, y - 1, z)},
                      std::pair{x > 0, at(x - 1, y, z)}})
                    if (inside)
                    {
                        m.rows.push_back(row);
                        m.values.push_back(-1.0);
                    }
                m.rows.push_back(at(x, y, z));
                m.values.push_back(6.1);
                m.colPtr.push_back(static_cast<std::int64_t>(m.rows.size()));
            }
    return m;
}

/// A factorisation of the Laplacian with CHOLMOD's relaxed supernodes or exact ones, cut to `width`
/// columns (none when 0), its solve, and the factor as CHOLMOD built it before and after the cut.
struct Factorised
{
    std::size_t nsuper = 0;
    std::int64_t widest = 0; ///< columns of the widest supernode
    SupernodeWorkspace cholmodWorkspace, ownWorkspace;
    std::vector<double> solution;
    std::vector<std::int64_t> colPtr, rows;
    std::vector<double> values;
};

Factorised factorise(std::int64_t n, std::int64_t width, bool relaxed = false)
{
    UpperMatrix m = gridLaplacian(n);
    CholmodCommon common;
    cholmod_common* c = &common.c;
    if (relaxed)
        useRelaxedSupernodes(*c);
    else
        useExactSupernodes(*c);
    c->nmethods = 1;
    c->method[0].ordering = CHOLMOD_METIS;
    cholmod_sparse a = triangleView(m.n, m.colPtr, m.rows, m.values.data());
    cholmod_factor* f = cholmod_l_analyze(&a, c);
    EXPECT_TRUE(f && f->is_super);
    Factorised r;
    const auto array = [](void* p, std::size_t size)
    {
        const auto* v = static_cast<const std::int64_t*>(p);
        return std::vector<std::int64_t>(v, v + size);
    };
    r.cholmodWorkspace = {static_cast<std::int64_t>(f->maxcsize), static_cast<std::int64_t>(f->maxesize)};
    r.ownWorkspace = supernodeWorkspace(f->n, array(f->super, f->nsuper + 1), array(f->pi, f->nsuper + 1),
                                        array(f->s, f->ssize));
    if (width > 0)
        splitSupernodes(*f, width, c);
    r.nsuper = f->nsuper;
    const auto* super = static_cast<const std::int64_t*>(f->super);
    for (std::size_t sn = 0; sn < f->nsuper; ++sn)
        r.widest = std::max(r.widest, super[sn + 1] - super[sn]);
    if (width > 0)
    {
        // What the numeric factorisation and the solve will allocate their workspace by.
        r.ownWorkspace = supernodeWorkspace(f->n, array(f->super, f->nsuper + 1), array(f->pi, f->nsuper + 1),
                                            array(f->s, f->ssize));
        EXPECT_EQ(static_cast<std::int64_t>(f->maxcsize), r.ownWorkspace.maxcsize);
        EXPECT_EQ(static_cast<std::int64_t>(f->maxesize), r.ownWorkspace.maxesize);
    }
    EXPECT_TRUE(cholmod_l_factorize(&a, f, c));
    EXPECT_EQ(c->status, CHOLMOD_OK);
    std::vector<double> rhs(m.n);
    for (std::size_t k = 0; k < m.n; ++k)
        rhs[k] = std::sin(static_cast<double>(k));
    cholmod_dense b{};
    b.nrow = b.nzmax = b.d = m.n;
    b.ncol = 1;
    b.x = rhs.data();
    b.xtype = CHOLMOD_REAL;
    b.dtype = CHOLMOD_DOUBLE;
    cholmod_dense* x = cholmod_l_solve(CHOLMOD_A, f, &b, c);
    r.solution.assign(static_cast<const double*>(x->x), static_cast<const double*>(x->x) + m.n);
    cholmod_l_free_dense(&x, c);
    // L column by column, as stored in the supernodes (their whole trapezoids).
    cholmod_sparse* l = cholmod_l_factor_to_sparse(f, c);
    r.colPtr = array(l->p, m.n + 1);
    r.rows = array(l->i, l->nzmax);
    const auto* lx = static_cast<const double*>(l->x);
    r.values.assign(lx, lx + l->nzmax);
    cholmod_l_free_sparse(&l, c);
    cholmod_l_free_factor(&f, c);
    return r;
}

TEST(SplitSupernodes, WorkspaceSizesAreWorkedOutAsCholmodDoes)
{
    for (const bool relaxed : {false, true})
    {
        const Factorised r = factorise(7, 0, relaxed);
        EXPECT_GT(r.widest, 16);
        EXPECT_EQ(r.ownWorkspace.maxcsize, r.cholmodWorkspace.maxcsize) << relaxed;
        EXPECT_EQ(r.ownWorkspace.maxesize, r.cholmodWorkspace.maxesize) << relaxed;
    }
}

TEST(SplitSupernodes, CutFactorKeepsItsPatternValuesAndSolve)
{
    constexpr std::int64_t kN = 7;
    for (const bool relaxed : {false, true})
    {
        const Factorised whole = factorise(kN, 0, relaxed);
        for (const std::int64_t width : {1, 5, 16, 48, 1000})
        {
            SCOPED_TRACE("width " + std::to_string(width) + (relaxed ? ", relaxed" : ", exact"));
            const Factorised cut = factorise(kN, width, relaxed);
            EXPECT_EQ(cut.widest, std::min(width, whole.widest));
            EXPECT_EQ(cut.nsuper > whole.nsuper, width < whole.widest);
            EXPECT_EQ(cut.colPtr, whole.colPtr);
            EXPECT_EQ(cut.rows, whole.rows);
            ASSERT_EQ(cut.values.size(), whole.values.size());
            for (std::size_t k = 0; k < whole.values.size(); ++k)
                EXPECT_NEAR(cut.values[k], whole.values[k], 1e-12) << "entry " << k;
            for (std::size_t k = 0; k < whole.solution.size(); ++k)
                EXPECT_NEAR(cut.solution[k], whole.solution[k], 1e-12) << "unknown " << k;
        }
    }
}

/// Bytes of the values of the Laplacian's factor under METIS's ordering with relaxed or exact
/// supernodes, cut to `width` columns.
double factorBytes(std::int64_t n, bool relaxed, std::int64_t width)
{
    UpperMatrix m = gridLaplacian(n);
    CholmodCommon common;
    if (relaxed)
        useRelaxedSupernodes(common.c);
    else
        useExactSupernodes(common.c);
    cholmod_sparse a = triangleView(m.n, m.colPtr, m.rows, nullptr);
    std::vector<std::int64_t> metisOrdering;
    FactorPtr f = analyse(a, metisOrdering, &common.c);
    EXPECT_TRUE(f);
    splitSupernodes(*f, width, &common.c);
    return static_cast<double>(f->xsize) * sizeof(double);
}

// Relaxed supernodes make the fastest factor; a memory limit it would exceed is met by the frugal
// factor with exact, cut supernodes, which solves the same, and only a limit below that one is refused.
TEST(SolveReduced, MeetsAMemoryLimitWithTheSmallerFactorBeforeRefusingIt)
{
    constexpr std::int64_t kN = 12;
    const double relaxed = factorBytes(kN, true, kWideSupernodeColumns);
    const double frugal = factorBytes(kN, false, kSupernodeColumns);
    ASSERT_LT(frugal, relaxed);
    const auto solve = [&](double limit)
    {
        UpperMatrix m = gridLaplacian(kN);
        std::vector<double> rhs(m.n);
        for (std::size_t k = 0; k < m.n; ++k)
            rhs[k] = std::sin(static_cast<double>(k));
        std::vector<std::size_t> grids(m.n);
        for (std::size_t k = 0; k < m.n; ++k)
            grids[k] = k;
        SolveSummary summary;
        return solveReduced(
            std::move(m), rhs, std::move(grids), limit, [](std::size_t q) { return std::to_string(q); },
            [](const std::string&) {}, summary);
    };
    const std::vector<double> unlimited = solve(0.0);
    const std::vector<double> limited = solve(frugal);
    ASSERT_EQ(limited.size(), unlimited.size());
    for (std::size_t k = 0; k < unlimited.size(); ++k)
        EXPECT_NEAR(limited[k], unlimited[k], 1e-12) << "unknown " << k;
    try
    {
        solve(frugal - 1.0);
        ADD_FAILURE() << "a limit below the smallest factor was accepted";
    }
    catch (const FatalError& e)
    {
        EXPECT_EQ(e.code, eFatalMemory);
        EXPECT_NE(std::string(e.what()).find("memorymaximum"), std::string::npos) << e.what();
    }
}

} // namespace
