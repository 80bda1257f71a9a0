// The exact predicates against rational arithmetic on nearly degenerate inputs, where a plain floating-point
// evaluation gets the sign wrong.

#include "cdt/Predicates.h"
#include "tests/cdt/TopologyChecker.h"

#include <boost/multiprecision/cpp_int.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{

using boost::multiprecision::cpp_rational;
using CDT::PtCircleLocation;
using CDT::PtLineLocation;
using P = CDT::V2d<double>;

// Every double converts exactly to a rational.
PtLineLocation referenceLine(const P& p, const P& a, const P& b)
{
    const cpp_rational ax(a.x), ay(a.y), bx(b.x), by(b.y), px(p.x), py(p.y);
    const cpp_rational det = (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    return det > 0 ? PtLineLocation::Left : (det < 0 ? PtLineLocation::Right : PtLineLocation::OnLine);
}

PtCircleLocation referenceCircle(const P& p, const P& a, const P& b, const P& c)
{
    const cpp_rational adx = cpp_rational(a.x) - p.x, ady = cpp_rational(a.y) - p.y;
    const cpp_rational bdx = cpp_rational(b.x) - p.x, bdy = cpp_rational(b.y) - p.y;
    const cpp_rational cdx = cpp_rational(c.x) - p.x, cdy = cpp_rational(c.y) - p.y;
    const cpp_rational det = (adx * adx + ady * ady) * (bdx * cdy - cdx * bdy) +
                             (bdx * bdx + bdy * bdy) * (cdx * ady - adx * cdy) +
                             (cdx * cdx + cdy * cdy) * (adx * bdy - bdx * ady);
    return det > 0 ? PtCircleLocation::Inside
                   : (det < 0 ? PtCircleLocation::Outside : PtCircleLocation::OnCircle);
}

TEST(CdtExactPredicates, OrientationMatchesRationalArithmeticNearALine)
{
    // Points a few ulps around (0.5, 0.5) against the line through (12, 12) and (24, 24): naive evaluation
    // gives a speckled, wrong picture here.
    const P a{12.0, 12.0}, b{24.0, 24.0};
    int onLine = 0;
    P p{0.5, 0.5};
    for (int i = 0; i < 40; ++i, p.x = std::nextafter(p.x, 1.0))
    {
        p.y = 0.5;
        for (int j = 0; j < 40; ++j, p.y = std::nextafter(p.y, 1.0))
        {
            const PtLineLocation expected = referenceLine(p, a, b);
            ASSERT_EQ(CDT::locatePointLine(p, a, b), expected) << "i = " << i << ", j = " << j;
            onLine += expected == PtLineLocation::OnLine;
        }
    }
    EXPECT_EQ(onLine, 40);

    // Random triples, the third on the line through the others up to rounding, at scales 1e-8 to 1e8.
    std::mt19937_64 rng(cdt_test::testSeed());
    std::uniform_real_distribution<double> u(-1.0, 1.0), t(-2.0, 2.0);
    for (int trial = 0; trial < 2000; ++trial)
    {
        const double scale = std::pow(10.0, (trial % 17) - 8);
        const P q{scale * u(rng), scale * u(rng)}, r{scale * u(rng), scale * u(rng)};
        const double s = t(rng);
        const P on{q.x + s * (r.x - q.x), q.y + s * (r.y - q.y)};
        ASSERT_EQ(CDT::locatePointLine(on, q, r), referenceLine(on, q, r)) << "trial " << trial;
    }
}

TEST(CdtExactPredicates, OrientationFilterDecidesOrDefersForEveryMixOfProductSigns)
{
    // The filter compares |det| with a bound on the magnitudes of det's two products: each row sets up one
    // mix of their signs (zero, opposite, equal and cancelling to the last bit or exactly).
    const double tiny = std::nextafter(1.0, 2.0) - 1.0;
    struct Row
    {
        const char* what;
        P p, a, b;
    };
    const Row rows[] = {
        {"both products zero, on a horizontal line", {2, 1}, {0, 1}, {4, 1}},
        {"first product zero", {2, 1}, {2, 0}, {5, 3}},
        {"second product zero", {1, 2}, {0, 2}, {3, 5}},
        {"opposite signs", {0, 3}, {-1, 0}, {1, 0}},
        {"equal products, exactly collinear", {3, 3}, {1, 1}, {2, 2}},
        {"cancelling to one ulp, left", {0.5, 0.5 + tiny / 2}, {12, 12}, {24, 24}},
        {"cancelling to one ulp, right", {0.5 + tiny / 2, 0.5}, {12, 12}, {24, 24}},
        {"large and tiny coordinates", {1e30, 1e30 * (1 + tiny)}, {-1e30, -1e30}, {1e-30, 1e-30}},
    };
    for (const Row& r : rows)
    {
        EXPECT_EQ(CDT::locatePointLine(r.p, r.a, r.b), referenceLine(r.p, r.a, r.b)) << r.what;
        EXPECT_EQ(CDT::locatePointLine(r.p, r.b, r.a), referenceLine(r.p, r.b, r.a))
            << r.what << ", reversed";
    }
}

TEST(CdtExactPredicates, InCircleMatchesRationalArithmeticForPointsPerturbedOffACircle)
{
    std::mt19937_64 rng(cdt_test::testSeed());
    std::uniform_real_distribution<double> angle(0.0, 6.283185307179586);
    std::uniform_int_distribution<int> ulps(-3, 3);
    for (int trial = 0; trial < 800; ++trial)
    {
        const double scale = trial % 3 == 0 ? 1e8 : (trial % 3 == 1 ? 1e-8 : 1.0);
        P q[4];
        for (P& p : q)
        {
            const double t = angle(rng);
            p = {scale * (3.0 + std::cos(t)), scale * (-2.0 + std::sin(t))};
            for (int k = ulps(rng); k != 0; k += (k > 0 ? -1 : 1))
                p.x = std::nextafter(p.x, k > 0 ? 1e300 : -1e300);
        }
        if (CDT::locatePointLine(q[2], q[0], q[1]) != PtLineLocation::Left)
            std::swap(q[0], q[1]);
        if (CDT::locatePointLine(q[2], q[0], q[1]) != PtLineLocation::Left)
            continue;
        ASSERT_EQ(CDT::locatePointCircle(q[3], q[0], q[1], q[2]), referenceCircle(q[3], q[0], q[1], q[2]))
            << "trial " << trial;
    }
    // Corners of a square are co-circular (exactly so on integer grids), at any scale.
    for (const double s : {1.0, 1e8, 1e-8, 0.1})
    {
        const P a{0.0, 0.0}, b{s, 0.0}, c{s, s}, d{0.0, s};
        EXPECT_EQ(CDT::locatePointCircle(d, a, b, c), referenceCircle(d, a, b, c)) << s;
        EXPECT_EQ(CDT::locatePointLine(P{2.0 * s, 0.0}, a, b), PtLineLocation::OnLine) << s;
        EXPECT_EQ(CDT::locatePointLine(d, b, a), PtLineLocation::Right) << s;
    }
    EXPECT_EQ(CDT::locatePointCircle(P{0, 1}, P{0, 0}, P{1, 0}, P{1, 1}), PtCircleLocation::OnCircle);
    EXPECT_EQ(CDT::locatePointCircle(P{0.5, 0.5}, P{0, 0}, P{1, 0}, P{1, 1}), PtCircleLocation::Inside);
    EXPECT_EQ(CDT::locatePointCircle(P{3, 3}, P{0, 0}, P{1, 0}, P{1, 1}), PtCircleLocation::Outside);
}

} // namespace
