#include "Summaries.h"

#include <cmath>
#include <vector>

#include "Percentiles.h"

namespace meterlog2::stats {

namespace {

// Running sum with Neumaier's compensation.
struct CompensatedSum {
  double sum = 0, compensation = 0;
  void Add(double value) {
    const double t = sum + value;
    compensation += std::fabs(sum) >= std::fabs(value) ? (sum - t) + value : (value - t) + sum;
    sum = t;
  }
  double Total() const { return sum + compensation; }
};

}  // namespace

Summary Summarize(std::span<const double> values) {
  Summary s;
  std::vector<double> finite;
  finite.reserve(values.size());
  for (double v : values) {
    if (!std::isfinite(v)) continue;
    finite.push_back(v);
    if (!s.min || v < *s.min) s.min = v;
    if (!s.max || v > *s.max) s.max = v;
  }
  s.count = finite.size();
  s.p95 = NearestRankPercentile(finite, 95);
  return s;
}

std::optional<double> ShareWithin(std::span<const double> values, double low, double high) {
  uint64_t count = 0, inside = 0;
  for (double v : values) {
    if (!std::isfinite(v)) continue;
    ++count;
    if (v >= low && v <= high) ++inside;
  }
  if (count == 0) return std::nullopt;
  return 100.0 * static_cast<double>(inside) / static_cast<double>(count);
}

Spread MeanAndDeviation(std::span<const double> values) {
  Spread spread;
  CompensatedSum sum;
  size_t n = 0;
  for (double v : values) {
    if (!std::isfinite(v)) continue;
    sum.Add(v);
    ++n;
  }
  if (n == 0) return spread;
  const double count = static_cast<double>(n);
  spread.mean = sum.Total() / count;
  if (n > 1) {
    CompensatedSum squares;
    for (double v : values) {
      if (std::isfinite(v)) squares.Add((v - spread.mean) * (v - spread.mean));
    }
    spread.standardDeviation = std::sqrt(squares.Total() / (count - 1));
  }
  return spread;
}

}  // namespace meterlog2::stats
