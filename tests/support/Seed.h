#pragma once

// The seed of a randomised test, shared by every test program that draws random input.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>

namespace test_support
{

/// CAE_TEST_SEED when it is set, to replay a reported run, else a fresh seed. Printed with the test's name
/// and recorded in the test report either way.
inline std::uint64_t testSeed()
{
    const char* given = std::getenv("CAE_TEST_SEED");
    const std::uint64_t seed = given != nullptr && *given != '\0'
                                   ? std::strtoull(given, nullptr, 10)
                                   : (std::uint64_t(std::random_device{}()) << 32) ^ std::random_device{}();
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::cout << "[   SEED   ] " << (info != nullptr ? info->name() : "")
              << ": replay with CAE_TEST_SEED=" << seed << '\n';
    testing::Test::RecordProperty("CAE_TEST_SEED", std::to_string(seed));
    return seed;
}

} // namespace test_support
