#pragma once
// The charts of a report as data: series of the assessment against the time with their limits,
// or the 95th percentiles of the harmonics of one phase as bars with each harmonic's limit as a
// marker. The drawing side (gui/report/ReportChart.h) turns a plan into a plot.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "assess/Assessment.h"
#include "table/SeriesPalette.h"

namespace meterlog2::report {

using table::Rgb;

inline constexpr Rgb kLimitColor{40, 40, 40};  // limit lines and markers
inline constexpr Rgb kBandColor{46, 160, 67};  // the band a value should stay in

struct ChartLine {
  std::string name;
  const assess::Series* series = nullptr;  // owned by the assessment's result
  Rgb color;
};

// A limit drawn across a time chart: a shaded band between two values, or lines at the finite
// edges of low..high. The value axis always reaches to every limit a chart names.
struct ChartLimit {
  std::string name;
  double low = 0, high = 0;  // -inf / +inf for an open side
  bool shaded = false;
  Rgb color;
};

struct ChartBar {
  int harmonic = 0;
  double value = 0;
  bool failed = false;
};

// A limit per harmonic, drawn as a marker over the bar.
struct ChartMarker {
  enum class Shape { kDash, kTriangle };
  std::string name;
  std::vector<std::pair<int, double>> limits;  // harmonic, limit
  Shape shape = Shape::kDash;
  Rgb color;
};

struct ChartPlan {
  enum class Kind { kNone, kTime, kHarmonics };
  Kind kind = Kind::kNone;
  std::string title;
  std::string valueLabel;  // the value axis, with its unit: "Voltage (V)"
  bool fromZero = false;   // the value axis starts at 0 (or below, for negative values)
  // kTime: a line breaks where consecutive values lie further apart than `gapSeconds`, and
  // across each of `gaps` (the survey's gaps: the last record before, the first one after).
  std::vector<ChartLine> lines;
  std::vector<ChartLimit> limits;
  double gapSeconds = 0;
  std::vector<std::pair<int64_t, int64_t>> gaps;
  // kHarmonics: harmonics firstHarmonic..lastHarmonic.
  int firstHarmonic = 2, lastHarmonic = 25;
  std::string barName, failedBarName;
  Rgb barColor;
  std::vector<ChartBar> bars;
  std::vector<ChartMarker> markers;
};

}  // namespace meterlog2::report
