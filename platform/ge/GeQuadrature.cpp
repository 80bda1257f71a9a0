#include "platform/ge/GeQuadrature.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace
{
constexpr int kOrder = 10;
/// Bisection depth limit: 2^-40 of the interval is far below any useful panel.
constexpr int kMaxDepth = 40;
/// The precision asked of an integral is never finer than this fraction of its magnitude: about 4500
/// units of round-off, the most that sums of rounded integrand values can be trusted to. An absolute
/// tolerance finer than that (1e-10 on a curve 1e8 long) could otherwise never be met.
constexpr double kRelativeTolerance = 1e-12;
/// Most panels one integral may be split into. A smooth integrand at the tolerances above needs a few
/// hundred; the limit bounds the work on an integrand that is not smooth, whose panels are then accepted
/// as they stand.
constexpr long kMaxPanels = 1L << 16;

struct GaussRule
{
    std::array<double, kOrder> nodes{};
    std::array<double, kOrder> weights{};

    GaussRule()
    {
        // Roots of the Legendre polynomial P_n by Newton's method from Chebyshev-like guesses.
        for (int i = 0; i < kOrder; ++i)
        {
            double x = std::cos(std::numbers::pi * (i + 0.75) / (kOrder + 0.5));
            double dp = 1.0;
            for (int iter = 0; iter < 100; ++iter)
            {
                double p0 = 1.0, p1 = x;
                for (int k = 2; k <= kOrder; ++k)
                {
                    const double p2 = ((2.0 * k - 1.0) * x * p1 - (k - 1.0) * p0) / k;
                    p0 = p1;
                    p1 = p2;
                }
                dp = kOrder * (x * p1 - p0) / (x * x - 1.0);
                const double dx = p1 / dp;
                x -= dx;
                if (std::abs(dx) < 1e-16)
                    break;
            }
            nodes[static_cast<std::size_t>(i)] = x;
            weights[static_cast<std::size_t>(i)] = 2.0 / ((1.0 - x * x) * dp * dp);
        }
    }

    double apply(const std::function<double(double)>& f, double a, double b) const
    {
        const double half = 0.5 * (b - a), mid = 0.5 * (a + b);
        double s = 0.0;
        for (int i = 0; i < kOrder; ++i)
            s += weights[static_cast<std::size_t>(i)] * f(mid + half * nodes[static_cast<std::size_t>(i)]);
        return s * half;
    }
};

const GaussRule& rule()
{
    static const GaussRule r;
    return r;
}

double adapt(const std::function<double(double)>& f, double a, double b, double whole, double tol, int depth,
             long& panels)
{
    const double mid = 0.5 * (a + b);
    const double left = rule().apply(f, a, mid);
    const double right = rule().apply(f, mid, b);
    const double refined = left + right;
    // Rounding puts a floor under the achievable difference; without it a tiny tolerance on a
    // large integral would always recurse to the depth limit.
    const double floor = 64.0 * std::numeric_limits<double>::epsilon() * std::abs(refined);
    if (std::abs(refined - whole) <= std::max(tol, floor) || depth >= kMaxDepth || panels >= kMaxPanels)
        return refined;
    ++panels;
    return adapt(f, a, mid, left, 0.5 * tol, depth + 1, panels) +
           adapt(f, mid, b, right, 0.5 * tol, depth + 1, panels);
}
} // namespace

double OdGeQuadrature::integrate(const std::function<double(double)>& f, double a, double b, double absTol)
{
    if (a == b)
        return 0.0;
    if (a > b)
        return -integrate(f, b, a, absTol);
    const double whole = rule().apply(f, a, b);
    const double tol =
        std::max({absTol, kRelativeTolerance * std::abs(whole), std::numeric_limits<double>::min()});
    long panels = 0;
    return adapt(f, a, b, whole, tol, 0, panels);
}
