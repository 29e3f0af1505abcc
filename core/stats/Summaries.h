#pragma once
// Summaries of a set of values, each defined once: the count, extremes and 95th percentile; the
// share inside a band; the mean and the sample standard deviation. Values that are not finite
// are left out everywhere.

#include <cstdint>
#include <optional>
#include <span>

namespace meterlog2::stats {

// Count, minimum, maximum and 95th percentile (nearest rank, Percentiles.h) of the finite values.
struct Summary {
  uint64_t count = 0;
  std::optional<double> min, max, p95;
};
Summary Summarize(std::span<const double> values);

// The percentage of finite values v with low <= v <= high; nothing without any.
std::optional<double> ShareWithin(std::span<const double> values, double low, double high);

// The mean of the finite values and their sample standard deviation, sqrt(sum((x - mean)^2) /
// (n - 1)); both 0 without values, the deviation 0 below two. The sums are compensated
// (Neumaier), so that a mean over hundreds of thousands of readings keeps the digits a table
// shows.
struct Spread {
  double mean = 0;
  double standardDeviation = 0;
};
Spread MeanAndDeviation(std::span<const double> values);

}  // namespace meterlog2::stats
