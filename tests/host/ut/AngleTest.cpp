#include "host/ut/Angle.h"

#include <gtest/gtest.h>

#include <numbers>

namespace
{
constexpr double kPi = std::numbers::pi;

TEST(NormalizeAngle, ReducesByWholeTurnsIntoThePositiveOrTheSymmetricTurn)
{
    const struct
    {
        double angle;
        bool positive;
        double expected;
    } cases[] = {
        {-kPi / 2, true, 3 * kPi / 2},
        {5 * kPi / 2, true, kPi / 2},
        {2 * kPi, true, 0.0},
        {-1e-300, true, 0.0},
        {3 * kPi / 2, false, -kPi / 2},
        {kPi, false, kPi},
        {-kPi, false, kPi},
        {-7 * kPi / 4, false, kPi / 4},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(ut::normalizeAngle(c.angle, c.positive), c.expected, 1e-12)
            << c.angle << (c.positive ? " positive" : " symmetric");
}
} // namespace
