#pragma once
// Timing for the whole-render benchmarks: seconds on the steady clock, and
// the median of a run of figures.

#include <algorithm>
#include <chrono>
#include <vector>

using BenchClock = std::chrono::steady_clock;

inline double secondsSince(BenchClock::time_point start)
{
    return std::chrono::duration<double>(BenchClock::now() - start).count();
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
