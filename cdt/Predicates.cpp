#include "cdt/Predicates.h"

#include "cdt/detail/FilteredPredicates.h"

#include <vector>

// Exact evaluation by floating-point expansions: a value is held as a sum of doubles that do not overlap
// bitwise, stored by increasing magnitude without zeros, so that the sign of the sum is the sign of the last
// (largest) component. Sums and products of doubles are split into a rounded result and its exact rounding
// error, so no information is lost as long as nothing overflows or underflows.

namespace CDT::detail
{
namespace
{

using Expansion = std::vector<double>;

/// x + y == a + b exactly, x = fl(a + b).
inline void twoSum(double a, double b, double& x, double& y)
{
    x = a + b;
    const double bVirtual = x - a;
    const double aVirtual = x - bVirtual;
    y = (a - aVirtual) + (b - bVirtual);
}

/// x + y == a - b exactly, x = fl(a - b).
inline void twoDiff(double a, double b, double& x, double& y)
{
    x = a - b;
    const double bVirtual = a - x;
    const double aVirtual = x + bVirtual;
    y = (a - aVirtual) + (bVirtual - b);
}

/// Veltkamp's splitter 2^27 + 1: cuts a double into two halves of at most 26 significant bits each, whose
/// products are then exact.
inline constexpr double splitter = 134217729.0;

inline void split(double a, double& hi, double& lo)
{
    const double c = splitter * a;
    const double aBig = c - a;
    hi = c - aBig;
    lo = a - hi;
}

/// x + y == a * b exactly, x = fl(a * b) (Dekker's product; needs no fused multiply-add).
inline void twoProduct(double a, double b, double& x, double& y)
{
    x = a * b;
    double aHi, aLo, bHi, bLo;
    split(a, aHi, aLo);
    split(b, bHi, bLo);
    const double err1 = x - aHi * bHi;
    const double err2 = err1 - aLo * bHi;
    const double err3 = err2 - aHi * bLo;
    y = aLo * bLo - err3;
}

Expansion difference(double a, double b)
{
    double x, y;
    twoDiff(a, b, x, y);
    Expansion e;
    if (y != 0.0)
        e.push_back(y);
    if (x != 0.0)
        e.push_back(x);
    return e;
}

/// e + f: merge both by magnitude, then accumulate with exact two-sums, keeping every non-zero error term.
Expansion sum(const Expansion& e, const Expansion& f)
{
    Expansion merged;
    merged.reserve(e.size() + f.size());
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < e.size() || j < f.size())
    {
        if (j == f.size() || (i < e.size() && std::fabs(e[i]) < std::fabs(f[j])))
            merged.push_back(e[i++]);
        else
            merged.push_back(f[j++]);
    }
    Expansion h;
    if (merged.empty())
        return h;
    h.reserve(merged.size());
    double q = merged[0];
    for (std::size_t k = 1; k < merged.size(); ++k)
    {
        double qNew, err;
        twoSum(q, merged[k], qNew, err);
        if (err != 0.0)
            h.push_back(err);
        q = qNew;
    }
    if (q != 0.0)
        h.push_back(q);
    return h;
}

Expansion negated(Expansion e)
{
    for (double& c : e)
        c = -c;
    return e;
}

/// e * b.
Expansion scaled(const Expansion& e, double b)
{
    Expansion h;
    if (e.empty() || b == 0.0)
        return h;
    h.reserve(2 * e.size());
    double q, err;
    twoProduct(e[0], b, q, err);
    if (err != 0.0)
        h.push_back(err);
    for (std::size_t i = 1; i < e.size(); ++i)
    {
        double productHi, productLo;
        twoProduct(e[i], b, productHi, productLo);
        double s;
        twoSum(q, productLo, s, err);
        if (err != 0.0)
            h.push_back(err);
        twoSum(productHi, s, q, err);
        if (err != 0.0)
            h.push_back(err);
    }
    if (q != 0.0)
        h.push_back(q);
    return h;
}

Expansion product(const Expansion& e, const Expansion& f)
{
    Expansion acc;
    for (double c : f)
        acc = sum(acc, scaled(e, c));
    return acc;
}

int sign(const Expansion& e)
{
    if (e.empty())
        return 0;
    return e.back() > 0.0 ? 1 : -1;
}

} // namespace

int orientSignExact(double ax, double ay, double bx, double by, double cx, double cy)
{
    const Expansion acx = difference(ax, cx);
    const Expansion acy = difference(ay, cy);
    const Expansion bcx = difference(bx, cx);
    const Expansion bcy = difference(by, cy);
    return sign(sum(product(acx, bcy), negated(product(acy, bcx))));
}

int inCircleSignExact(double ax, double ay, double bx, double by, double cx, double cy, double dx, double dy)
{
    const Expansion adx = difference(ax, dx);
    const Expansion ady = difference(ay, dy);
    const Expansion bdx = difference(bx, dx);
    const Expansion bdy = difference(by, dy);
    const Expansion cdx = difference(cx, dx);
    const Expansion cdy = difference(cy, dy);

    const Expansion bc = sum(product(bdx, cdy), negated(product(cdx, bdy)));
    const Expansion ca = sum(product(cdx, ady), negated(product(adx, cdy)));
    const Expansion ab = sum(product(adx, bdy), negated(product(bdx, ady)));
    const Expansion aLift = sum(product(adx, adx), product(ady, ady));
    const Expansion bLift = sum(product(bdx, bdx), product(bdy, bdy));
    const Expansion cLift = sum(product(cdx, cdx), product(cdy, cdy));

    return sign(sum(sum(product(aLift, bc), product(bLift, ca)), product(cLift, ab)));
}

} // namespace CDT::detail

namespace CDT
{

PtLineLocation locatePointLine(const V2d<double>& p, const V2d<double>& v1, const V2d<double>& v2)
{
    const int s = detail::orientSign(v1.x, v1.y, v2.x, v2.y, p.x, p.y);
    return s > 0 ? PtLineLocation::Left : (s < 0 ? PtLineLocation::Right : PtLineLocation::OnLine);
}

PtCircleLocation locatePointCircle(const V2d<double>& p, const V2d<double>& v1, const V2d<double>& v2,
                                   const V2d<double>& v3)
{
    const int s = detail::inCircleSign(v1.x, v1.y, v2.x, v2.y, v3.x, v3.y, p.x, p.y);
    return s > 0 ? PtCircleLocation::Inside
                 : (s < 0 ? PtCircleLocation::Outside : PtCircleLocation::OnCircle);
}

} // namespace CDT
