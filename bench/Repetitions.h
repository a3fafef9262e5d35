#pragma once
// Repetitions of a benchmark (three, or kRepetitions), reported as their minimum, median and
// maximum (and the library's mean and deviation), for its time and for each of its counters.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace bench {

template <int kRepetitions>
void MinMedianMaxOf(benchmark::internal::Benchmark* b) {
  b->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
  b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
  b->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); });
}

inline void MinMedianMax(benchmark::internal::Benchmark* b) { MinMedianMaxOf<3>(b); }

}  // namespace bench
