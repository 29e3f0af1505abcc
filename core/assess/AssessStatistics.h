#pragma once
// The aggregation and statistics of the assessment, each defined once:
// - windows aligned to the clock: index floor(t / length), t in seconds from a fixed midnight;
//   a 10-minute value is the square root of the mean of the squares of the window's valid
//   values, a 15-minute value the plain mean;
// - the 95th percentile by nearest rank: the values sorted ascending, element ceil(0.95 n),
//   counted from 1;
// - the share of values inside a band, edges included, in percent.
// Values that are not finite are left out everywhere.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace assess {

// floor(t / length) for any t, negative ones too (length > 0).
constexpr int64_t WindowIndex(int64_t t, int64_t length) {
  const int64_t q = t / length;
  return (t % length != 0 && t < 0) ? q - 1 : q;
}

// Values in time order, one value per window.
struct WindowSeries {
  std::vector<int64_t> starts;  // the window's first second: index * length
  std::vector<double> values;
  std::vector<uint32_t> counts;  // how many valid values made each window's value
};

enum class WindowKind { kRms, kMean };

// Windows of several quantities over the same times: Begin(t) with each record's time, in time
// order (an earlier time opens a new window all the same), then Add(i, value) for the record's
// values. A quantity's windows without any finite value give no entry in its series.
class WindowBank {
 public:
  WindowBank(size_t quantities, int64_t length, WindowKind kind);
  void Begin(int64_t t);
  void Add(size_t quantity, double value) {
    if (!std::isfinite(value)) return;
    m_sums[quantity] += m_kind == WindowKind::kRms ? value * value : value;
    ++m_counts[quantity];
  }
  // Every quantity's windows, the open one included; the bank is empty afterwards.
  std::vector<WindowSeries> Finish();

 private:
  void Close();
  int64_t m_length;
  WindowKind m_kind;
  int64_t m_index = 0;
  bool m_open = false;
  std::vector<double> m_sums;
  std::vector<uint32_t> m_counts;
  std::vector<WindowSeries> m_series;
};

// One quantity's windows.
class WindowAccumulator {
 public:
  WindowAccumulator(int64_t length, WindowKind kind) : m_bank(1, length, kind) {}
  void Add(int64_t t, double value) {
    m_bank.Begin(t);
    m_bank.Add(0, value);
  }
  WindowSeries Finish() { return std::move(m_bank.Finish().front()); }

 private:
  WindowBank m_bank;
};

// Element ceil(percent / 100 * n) (1-based) of the finite values sorted ascending, computed in
// whole numbers; nothing when there is no finite value. `values` is reordered.
std::optional<double> NearestRankPercentile(std::vector<double>& values, int percent);
// The 1-based rank that NearestRankPercentile takes: ceil(percent * n / 100).
size_t NearestRank(size_t n, int percent);

// The median of the finite values (the mean of the two middle ones for an even count); nothing
// without any. `values` is reordered.
std::optional<double> Median(std::vector<double>& values);

// Count, minimum, maximum and 95th percentile of the finite values.
struct Summary {
  uint64_t count = 0;
  std::optional<double> min, max, p95;
};
Summary Summarize(std::span<const double> values);

// The percentage of finite values v with low <= v <= high; nothing without any.
std::optional<double> ShareWithin(std::span<const double> values, double low, double high);

}  // namespace assess
