#include "Percentiles.h"

#include <algorithm>
#include <cmath>

namespace meterlog2::stats {

size_t NearestRank(size_t n, int percent) {
  return (n * static_cast<size_t>(percent) + 99) / 100;
}

namespace {

// Moves the finite values to the front; returns how many there are.
size_t KeepFinite(std::vector<double>& values) {
  const auto end =
      std::partition(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
  return static_cast<size_t>(end - values.begin());
}

}  // namespace

std::optional<double> NearestRankPercentile(std::vector<double>& values, int percent) {
  const size_t n = KeepFinite(values);
  if (n == 0) return std::nullopt;
  const size_t rank = std::max<size_t>(NearestRank(n, percent), 1);
  const auto at = values.begin() + static_cast<std::ptrdiff_t>(rank - 1);
  std::nth_element(values.begin(), at, values.begin() + static_cast<std::ptrdiff_t>(n));
  return *at;
}

std::optional<double> Median(std::vector<double>& values) {
  const size_t n = KeepFinite(values);
  if (n == 0) return std::nullopt;
  const auto end = values.begin() + static_cast<std::ptrdiff_t>(n);
  const auto upper = values.begin() + static_cast<std::ptrdiff_t>(n / 2);
  std::nth_element(values.begin(), upper, end);
  if (n % 2) return *upper;
  const double lower = *std::max_element(values.begin(), upper);
  return lower + (*upper - lower) / 2;
}

}  // namespace meterlog2::stats
