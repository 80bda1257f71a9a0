#pragma once

// CHOLMOD's supernodal Cholesky factorisation of the reduced stiffness matrix: ordering by nested
// dissection of the grids, CHOLMOD's relaxed supernodes (exact ones cut to a bounded width when memory
// is short), the numeric factor with its check for mechanisms, the solve and its residual.

#include "tools/nastran/Assembly.h"

#include <cholmod.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace nastran
{

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

/// Supernodal factorisation with CHOLMOD's default relaxed amalgamation: the few explicit zeros it
/// stores buy larger BLAS blocks, the fastest factorisation of solids.
void useRelaxedSupernodes(cholmod_common& c);

/// Supernodal factorisation without relaxed amalgamation: merging supernodes stores explicit zeros in
/// the factor; the smallest factor, for a model that would not fit otherwise.
void useExactSupernodes(cholmod_common& c);

using FactorPtr = std::unique_ptr<cholmod_factor, std::function<void(cholmod_factor*)>>;

/// A CHOLMOD view (no copy) of a packed, sorted triangle in compressed columns, the upper one
/// (`stype` 1) or the lower one (-1); a pattern only when `values` is null. The vectors must outlive
/// the view.
cholmod_sparse triangleView(std::size_t n, std::vector<std::int64_t>& colPtr, std::vector<std::int64_t>& rows,
                            double* values, int stype = 1);

/// Columns of a supernode above which it is cut into pieces when memory is short; see splitSupernodes.
constexpr std::int64_t kSupernodeColumns = 256;
/// Columns above which a supernode is always cut: only the top separators of a large solid are that
/// wide, and cutting them saves a tenth of the factor (a hundred megabytes at 200,000 tetrahedra)
/// without slowing the factorisation, whose BLAS blocks stay large.
constexpr std::int64_t kWideSupernodeColumns = 1024;

/// The sizes the numeric factorisation and the solve allocate their workspace by: the largest update
/// matrix and the largest block below a diagonal block.
struct SupernodeWorkspace
{
    std::int64_t maxcsize = 1, maxesize = 1;
};

/// The workspace of supernodes `super` (nsuper + 1 first columns) whose row lists are
/// s[pi[sn] .. pi[sn + 1]), worked out the way CHOLMOD derives it.
SupernodeWorkspace supernodeWorkspace(std::size_t n, const std::vector<std::int64_t>& super,
                                      const std::vector<std::int64_t>& pi,
                                      const std::vector<std::int64_t>& s);

/// Cuts every supernode of the symbolic factor `f` wider than `width` columns into pieces of at most
/// that many, each a supernode of its own whose rows are the rest of the old one's rows. The factor's
/// pattern stays the same, but supernodal storage holds each block's diagonal part as a full square,
/// whose upper half is never used: for the separators of a solid mesh, thousands of columns wide,
/// that half is a tenth of the factor. Many narrower blocks waste little, and still give BLAS blocks
/// wide enough to run at full speed. The workspace sizes are worked out anew. On failure to allocate,
/// one of the factor's supernodal arrays is null.
void splitSupernodes(cholmod_factor& f, std::int64_t width, cholmod_common* c);

/// The supernodal symbolic factor of the upper-triangle pattern `a` under `ordering` (METIS's own
/// ordering of the equations when empty), with the supernodes `c` asks for; null on failure (c->status
/// tells why).
FactorPtr analyse(cholmod_sparse& a, std::vector<std::int64_t>& ordering, cholmod_common* c);

/// The lower triangle of A(p, p), where A is given by its upper triangle in compressed columns and p
/// is the factor's permutation: the matrix exactly as the supernodal factorisation reads it, so that
/// it need not make a permuted copy of its own. Columns sorted, the diagonal first.
struct PermutedLower
{
    std::vector<std::int64_t> colPtr, rows;
    std::vector<double> values;
};

PermutedLower permutedLower(const std::vector<std::int64_t>& colPtr, const std::vector<std::int64_t>& rows,
                            const std::vector<double>& values, const std::int64_t* perm);

/// Writes the upper triangle `k` as a symmetric matrix in Matrix Market format, as CHOLMOD reads it
/// back; throws FatalError when the file cannot be written.
void writeMatrix(UpperMatrix& k, const std::string& path);

/// What the solve reports besides the solution.
struct SolveSummary
{
    double factorNonzeros = 0.0;
    double relativeResidual = 0.0; ///< |K u - f| / |f| (0 without load)
};

/// Names an equation in messages.
using EquationName = std::function<std::string(std::size_t)>;

/// The relative residual |K x - f| / |f| from its squared parts (0 without load). Throws FatalError when
/// it is not finite or above kResidualLimit.
double checkedResidual(double squaredResidual, double squaredLoad);

/// Solves k x = rhs for the solution of every equation; `k` and `gridOfEquation` (the grid position
/// of each equation, for the ordering) are consumed to make room for the factor,
/// which may not need more than memoryLimit bytes (0: no limit). Throws FatalError for a factor too
/// large, a mechanism, a solution that is not finite or a residual above kResidualLimit.
std::vector<double> solveReduced(UpperMatrix&& k, const std::vector<double>& rhs,
                                 std::vector<std::size_t>&& gridOfEquation, double memoryLimit,
                                 const EquationName& name,
                                 const std::function<void(const std::string&)>& progress,
                                 SolveSummary& summary);

} // namespace nastran
