// Figures the benchmark programs print: median and 99th percentile of a set
// of samples, and rates.
#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

namespace twbench {

struct Spread {
    double median;
    double p99;
};

inline Spread spread(std::vector<double> samples) {
    if (samples.empty()) return {0, 0};
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) { return samples[static_cast<size_t>(q * static_cast<double>(samples.size() - 1))]; };
    return {at(0.5), at(0.99)};
}

inline void print_spread(const char* what, const std::vector<double>& micros) {
    Spread s = spread(micros);
    std::printf("%-52s median %8.1f us   p99 %8.1f us   (%zu samples)\n", what, s.median, s.p99, micros.size());
}

inline void print_rate(const char* what, double per_second) {
    std::printf("%-52s %12.0f per second\n", what, per_second);
}

}  // namespace twbench
