#include "platform/ge/GeQuadrature.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace
{
constexpr int kOrder = 10;
/// Bisection depth limit: 2^-40 of the interval is far below any useful panel, and the limit
/// keeps a non-smooth integrand from recursing forever.
constexpr int kMaxDepth = 40;

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

double adapt(const std::function<double(double)>& f, double a, double b, double whole, double tol, int depth)
{
    const double mid = 0.5 * (a + b);
    const double left = rule().apply(f, a, mid);
    const double right = rule().apply(f, mid, b);
    const double refined = left + right;
    // Rounding puts a floor under the achievable difference; without it a tiny tolerance on a
    // large integral would always recurse to the depth limit.
    const double floor = 64.0 * std::numeric_limits<double>::epsilon() * std::abs(refined);
    if (std::abs(refined - whole) <= std::max(tol, floor) || depth >= kMaxDepth)
        return refined;
    return adapt(f, a, mid, left, 0.5 * tol, depth + 1) + adapt(f, mid, b, right, 0.5 * tol, depth + 1);
}
} // namespace

double OdGeQuadrature::integrate(const std::function<double(double)>& f, double a, double b, double absTol)
{
    if (a == b)
        return 0.0;
    if (a > b)
        return -integrate(f, b, a, absTol);
    const double tol = absTol > 0.0 ? absTol : std::numeric_limits<double>::epsilon();
    return adapt(f, a, b, rule().apply(f, a, b), tol, 0);
}
