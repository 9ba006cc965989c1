// Order statistics over a handful of timings, and the monotonic clock they are read from.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace bench {

// Milliseconds on QueryPerformanceCounter's clock, which Wine backs with CLOCK_MONOTONIC.
inline double NowMs() noexcept {
    static const double frequency = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / frequency;
}

struct Summary {
    std::size_t count = 0;
    double median = 0;
    double p25 = 0;
    double p75 = 0;
    double p95 = 0;
    double min = 0;
    double max = 0;
};

// Linear interpolation between closest ranks; `sorted` is not empty.
inline double Quantile(const std::vector<double>& sorted, double q) noexcept {
    const double position = q * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(position);
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    const double fraction = position - static_cast<double>(below);
    return sorted[below] + (sorted[above] - sorted[below]) * fraction;
}

inline Summary Summarise(std::vector<double> values) {
    Summary s;
    s.count = values.size();
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    s.median = Quantile(values, 0.5);
    s.p25 = Quantile(values, 0.25);
    s.p75 = Quantile(values, 0.75);
    s.p95 = Quantile(values, 0.95);
    s.min = values.front();
    s.max = values.back();
    return s;
}

}  // namespace bench
