#pragma once
// Windows aligned to the clock: window index floor(t / length), t in seconds from a fixed
// midnight. A window's RMS value is the square root of the mean of the squares of its valid
// values, its mean value the plain mean. Values that are not finite are left out.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace meterlog2::stats {

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

}  // namespace meterlog2::stats
