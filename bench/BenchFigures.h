#pragma once

// The figures the benchmarks report: percentiles of their samples and durations in
// milliseconds.

#include <chrono>
#include <vector>

namespace corvane::bench {

// The sample at fraction p (0.5 the median, 1.0 the largest) of the sorted samples; 0 when
// there are none.
double Percentile(std::vector<double> samples, double p);

double Ms(std::chrono::steady_clock::duration d);

} // namespace corvane::bench
