#pragma once

// Interleaved timing rounds for the comparison programs: each round runs every contender once, in turn, so
// that a change in the machine's load falls on all of them alike; the medians over the rounds are
// reported, wall and CPU time apart (a program that waits, or uses other cores, shows in the difference).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace bench_rounds
{
struct Contender
{
    std::string name;
    std::function<void()> run;
    /// Untimed work before each run (set-up the run must not be charged for); may be empty.
    std::function<void()> prepare = {};
    std::vector<double> wall = {}, cpu = {}; // seconds, one per round
};

inline double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : 0.5 * (v[m - 1] + v[m]);
}

/// Runs `rounds` rounds over `contenders` and prints each one's median wall and CPU time and its ratio to
/// the first contender's median wall time.
inline void runRounds(std::vector<Contender>& contenders, int rounds)
{
    for (int r = 0; r < rounds; ++r)
        for (Contender& c : contenders)
        {
            if (c.prepare)
                c.prepare();
            const auto w0 = std::chrono::steady_clock::now();
            const double c0 = cpuSeconds();
            c.run();
            c.cpu.push_back(cpuSeconds() - c0);
            c.wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count());
        }
    const double reference = median(contenders.front().wall);
    std::printf("%-28s %12s %12s %10s   (%d rounds)\n", "", "wall [ms]", "cpu [ms]", "wall/first", rounds);
    for (const Contender& c : contenders)
        std::printf("%-28s %12.2f %12.2f %10.3f\n", c.name.c_str(), 1e3 * median(c.wall), 1e3 * median(c.cpu),
                    reference > 0.0 ? median(c.wall) / reference : 0.0);
}
} // namespace bench_rounds
