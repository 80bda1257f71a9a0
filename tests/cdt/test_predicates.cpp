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

int sign(const cpp_rational& r)
{
    return r > 0 ? 1 : (r < 0 ? -1 : 0);
}

// Every double converts exactly to a rational.
PtLineLocation referenceLine(const P& p, const P& a, const P& b)
{
    const cpp_rational ax(a.x), ay(a.y), bx(b.x), by(b.y), px(p.x), py(p.y);
    const int s = sign((bx - ax) * (py - ay) - (by - ay) * (px - ax));
    return s > 0 ? PtLineLocation::Left : (s < 0 ? PtLineLocation::Right : PtLineLocation::OnLine);
}

PtCircleLocation referenceCircle(const P& p, const P& a, const P& b, const P& c)
{
    const cpp_rational adx = cpp_rational(a.x) - p.x, ady = cpp_rational(a.y) - p.y;
    const cpp_rational bdx = cpp_rational(b.x) - p.x, bdy = cpp_rational(b.y) - p.y;
    const cpp_rational cdx = cpp_rational(c.x) - p.x, cdy = cpp_rational(c.y) - p.y;
    const cpp_rational det = (adx * adx + ady * ady) * (bdx * cdy - cdx * bdy) +
                             (bdx * bdx + bdy * bdy) * (cdx * ady - adx * cdy) +
                             (cdx * cdx + cdy * cdy) * (adx * bdy - bdx * ady);
    const int s = sign(det);
    return s > 0 ? PtCircleLocation::Inside
                 : (s < 0 ? PtCircleLocation::Outside : PtCircleLocation::OnCircle);
}

TEST(CdtExactPredicates, OrientationMatchesRationalArithmeticOnAGridOfUlpsAroundALine)
{
    // Points a few ulps around (0.5, 0.5) against the line through (12, 12) and (24, 24): naive evaluation
    // gives a speckled, wrong picture here.
    const P a{12.0, 12.0};
    const P b{24.0, 24.0};
    int onLine = 0;
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 40; ++j)
        {
            P p{0.5, 0.5};
            for (int k = 0; k < i; ++k)
                p.x = std::nextafter(p.x, 1.0);
            for (int k = 0; k < j; ++k)
                p.y = std::nextafter(p.y, 1.0);
            const PtLineLocation expected = referenceLine(p, a, b);
            ASSERT_EQ(CDT::locatePointLine(p, a, b), expected) << "i = " << i << ", j = " << j;
            onLine += expected == PtLineLocation::OnLine;
        }
    EXPECT_EQ(onLine, 40);
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
}

TEST(CdtExactPredicates, GridPointsAreExactlyCollinearAndCocircularAtAnyScale)
{
    for (const double scale : {1.0, 1e8, 1e-8, 0.1})
    {
        const P a{0.0 * scale, 0.0 * scale};
        const P b{1.0 * scale, 0.0 * scale};
        const P c{1.0 * scale, 1.0 * scale};
        const P d{0.0 * scale, 1.0 * scale};
        EXPECT_EQ(CDT::locatePointCircle(d, a, b, c), referenceCircle(d, a, b, c)) << scale;
        EXPECT_EQ(CDT::locatePointLine(P{2.0 * scale, 0.0}, a, b), PtLineLocation::OnLine) << scale;
        EXPECT_EQ(CDT::locatePointLine(d, a, b), PtLineLocation::Left) << scale;
        EXPECT_EQ(CDT::locatePointLine(d, b, a), PtLineLocation::Right) << scale;
    }
    // Integer grids are exact: the square's corners are co-circular, the centre inside, a far point outside.
    EXPECT_EQ(CDT::locatePointCircle(P{0, 1}, P{0, 0}, P{1, 0}, P{1, 1}), PtCircleLocation::OnCircle);
    EXPECT_EQ(CDT::locatePointCircle(P{0.5, 0.5}, P{0, 0}, P{1, 0}, P{1, 1}), PtCircleLocation::Inside);
    EXPECT_EQ(CDT::locatePointCircle(P{3, 3}, P{0, 0}, P{1, 0}, P{1, 1}), PtCircleLocation::Outside);
}

TEST(CdtExactPredicates, OrientationMatchesRationalArithmeticForRandomNearlyCollinearTriples)
{
    std::mt19937_64 rng(cdt_test::testSeed());
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_real_distribution<double> t(-2.0, 2.0);
    for (int trial = 0; trial < 2000; ++trial)
    {
        const double scale = std::pow(10.0, (trial % 17) - 8);
        const P a{scale * u(rng), scale * u(rng)};
        const P b{scale * u(rng), scale * u(rng)};
        const double s = t(rng);
        const P p{a.x + s * (b.x - a.x), a.y + s * (b.y - a.y)}; // on the line up to rounding
        ASSERT_EQ(CDT::locatePointLine(p, a, b), referenceLine(p, a, b)) << "trial " << trial;
    }
}

} // namespace
