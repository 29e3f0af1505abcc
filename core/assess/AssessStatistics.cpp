#include "AssessStatistics.h"

#include <algorithm>
#include <cmath>

#include "AssessLimits.h"

namespace assess {

WindowBank::WindowBank(size_t quantities, int64_t length, WindowKind kind)
    : m_length(length),
      m_kind(kind),
      m_sums(quantities),
      m_counts(quantities),
      m_series(quantities) {}

void WindowBank::Begin(int64_t t) {
  // Most records fall into the open window: two comparisons instead of a division.
  const int64_t start = m_index * m_length;
  if (m_open && t >= start && t - start < m_length) return;
  Close();
  m_open = true;
  m_index = WindowIndex(t, m_length);
}

void WindowBank::Close() {
  if (!m_open) return;
  for (size_t i = 0; i < m_sums.size(); ++i) {
    if (m_counts[i] == 0) continue;
    const double mean = m_sums[i] / m_counts[i];
    WindowSeries& series = m_series[i];
    series.starts.push_back(m_index * m_length);
    series.values.push_back(m_kind == WindowKind::kRms ? std::sqrt(mean) : mean);
    series.counts.push_back(m_counts[i]);
    m_sums[i] = 0;
    m_counts[i] = 0;
  }
  m_open = false;
}

std::vector<WindowSeries> WindowBank::Finish() {
  Close();
  std::vector<WindowSeries> series(m_series.size());
  series.swap(m_series);
  return series;
}

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
  s.p95 = NearestRankPercentile(finite, kPercentile);
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

}  // namespace assess
