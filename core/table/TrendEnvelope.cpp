#include "TrendEnvelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

TrendEnvelope BuildEnvelope(std::span<const double> keys, std::span<const double> values,
                            double from, double to, size_t columns) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  TrendEnvelope envelope;
  if (columns == 0 || !(to > from)) return envelope;
  const double width = (to - from) / static_cast<double>(columns);
  envelope.keys.resize(columns);
  for (size_t c = 0; c < columns; ++c)
    envelope.keys[c] = from + (static_cast<double>(c) + 0.5) * width;
  envelope.lower.assign(columns, kNaN);
  envelope.upper.assign(columns, kNaN);
  const size_t count = std::min(keys.size(), values.size());
  for (size_t i = 0; i < count; ++i) {
    const double key = keys[i], value = values[i];
    if (!(key >= from && key <= to) || !std::isfinite(value)) continue;
    const size_t c = std::min(columns - 1, static_cast<size_t>((key - from) / width));
    double& lower = envelope.lower[c];
    double& upper = envelope.upper[c];
    // NaN compares false: the first value of a column sets both ends.
    if (!(value >= lower)) lower = value;
    if (!(value <= upper)) upper = value;
    ++envelope.points;
  }
  return envelope;
}
