#include "TimeWindows.h"

namespace meterlog2::stats {

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

}  // namespace meterlog2::stats
