// Convergence studies: the extrapolation and the singularity test on sequences of known order.
#include "apps/analysis/Convergence.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>

using cae_app::ConvergenceStep;
using cae_app::ConvergenceStudy;
using cae_app::EConvergenceEnd;

namespace
{
/// Values f(h) = limit + c h^p on 2D meshes of n, 4n and 16n unknowns (h halving each time).
std::array<double, 3> sequence(double limit, double c, double p)
{
    return {limit + c, limit + c * std::pow(0.5, p), limit + c * std::pow(0.25, p)};
}

constexpr std::array<double, 3> kHalving{1000.0, 4000.0, 16000.0};

TEST(Richardson, RecoversTheLimitAndOrderOfAPowerLaw)
{
    struct Case
    {
        double limit, c, p;
        std::array<double, 3> unknowns;
        int dimension;
    };
    const Case cases[] = {
        {151.5, -20.0, 2.0, kHalving, 2},              // rising to the limit, quadratic elements
        {0.05, 0.01, 1.0, kHalving, 2},                // falling, linear elements
        {10.0, 3.0, 3.0, {500.0, 1687.5, 5695.3}, 3},  // 3D meshes of h, h/1.5, h/2.25
        {7.0, 1.0, 2.0, {1000.0, 3000.0, 20000.0}, 2}, // uneven steps, as adaptive refinement makes
    };
    for (const auto& k : cases)
    {
        const double e = 1.0 / k.dimension;
        std::array<double, 3> values{};
        for (int i = 0; i < 3; ++i)
            values[i] = k.limit + k.c * std::pow(k.unknowns[0] / k.unknowns[i], e * k.p);
        const auto x = cae_app::richardson(k.unknowns, values, k.dimension);
        ASSERT_TRUE(x) << k.limit;
        EXPECT_NEAR(x->value, k.limit, 1e-9 * std::abs(k.limit) + 1e-12) << k.limit;
        EXPECT_NEAR(x->order, k.p, 1e-6) << k.limit;
    }
}

TEST(Richardson, RefusesSequencesWithoutAnOrder)
{
    const std::array<double, 3> noOrder[] = {
        {100.0, 110.0, 125.0}, // growing increments: singular
        {100.0, 110.0, 105.0}, // oscillating
        {100.0, 110.0, 120.0}, // steps of one size: no convergence seen
    };
    for (const auto& values : noOrder)
        EXPECT_FALSE(cae_app::richardson(kHalving, values, 2)) << values[2];
}

TEST(GrowsWithoutBound, TellsASingularStressFromAConvergingOne)
{
    // A 270 degree re-entrant corner: stress ~ h^-0.456.
    EXPECT_TRUE(cae_app::growsWithoutBound(kHalving, sequence(0.0, 100.0, -0.456), 2));
    // The end of a fixed edge grows more slowly, still with increments that do not shrink much.
    EXPECT_TRUE(cae_app::growsWithoutBound(kHalving, sequence(300.0, -100.0, 0.2), 2));
    EXPECT_FALSE(cae_app::growsWithoutBound(kHalving, sequence(151.5, -20.0, 1.0), 2));
    EXPECT_FALSE(cae_app::growsWithoutBound(kHalving, sequence(151.5, 20.0, 0.1), 2)) << "falling";
}

ConvergenceStep step(std::uint64_t unknowns, double stress, double displacement)
{
    return {1.0, unknowns / 2, unknowns, stress, displacement, {}, {}};
}

TEST(ConvergenceStudy, EndsOnlyWithThreeStepsAndBothMaximaSettled)
{
    ConvergenceStudy study;
    study.tolerance = 0.01;
    EXPECT_FALSE(cae_app::addStep(study, step(1000, 140.0, 0.0500)));
    // Changes below the tolerance on the second mesh still leave no three steps to extrapolate from.
    EXPECT_FALSE(cae_app::addStep(study, step(4000, 140.5, 0.0501)));
    EXPECT_NEAR(*study.steps[1].vonMisesChange, 0.5 / 140.5, 1e-12);
    // The displacement still moves by more than the tolerance.
    EXPECT_FALSE(cae_app::addStep(study, step(16000, 140.6, 0.0520)));
    EXPECT_EQ(cae_app::addStep(study, step(64000, 140.62, 0.0521)), EConvergenceEnd::eConverged);
    ASSERT_TRUE(study.vonMises);
    EXPECT_GT(study.vonMises->value, 140.62);
}
} // namespace
