#pragma once
// The charts of a report as data, and the QCustomPlot that draws one: series of the assessment
// against the time with their limits, or the 95th percentiles of the harmonics of one phase as
// bars with each harmonic's limit as a marker. The units stand on both axes, the legend sits
// under the plot where it covers no data, and the numbers and times of the axes are written the
// way the rest of the program writes them.

#include <QColor>
#include <QString>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "assess/Assessment.h"

class QCustomPlot;

struct ChartLine {
  QString name;
  const assess::Series* series = nullptr;  // owned by the assessment's result
  QColor color;
};

// A limit drawn across a time chart: a shaded band between two values, or lines at the finite
// edges of low..high. The value axis always reaches to every limit a chart names.
struct ChartLimit {
  QString name;
  double low = 0, high = 0;  // -inf / +inf for an open side
  bool shaded = false;
  QColor color;
};

struct ChartBar {
  int harmonic = 0;
  double value = 0;
  bool failed = false;
};

// A limit per harmonic, drawn as a marker over the bar.
struct ChartMarker {
  enum class Shape { kDash, kTriangle };
  QString name;
  std::vector<std::pair<int, double>> limits;  // harmonic, limit
  Shape shape = Shape::kDash;
  QColor color;
};

struct ChartPlan {
  enum class Kind { kNone, kTime, kHarmonics };
  Kind kind = Kind::kNone;
  QString title;
  QString valueLabel;     // the value axis, with its unit: "Voltage (V)"
  bool fromZero = false;  // the value axis starts at 0 (or below, for negative values)
  // kTime: a line breaks where consecutive values lie further apart than `gapSeconds`, and
  // across each of `gaps` (the survey's gaps: the last record before, the first one after).
  std::vector<ChartLine> lines;
  std::vector<ChartLimit> limits;
  double gapSeconds = 0;
  std::vector<std::pair<int64_t, int64_t>> gaps;
  // kHarmonics: harmonics firstHarmonic..lastHarmonic.
  int firstHarmonic = 2, lastHarmonic = 25;
  QString barName, failedBarName;
  QColor barColor;
  std::vector<ChartBar> bars;
  std::vector<ChartMarker> markers;
};

// The chart's size in points (PDF) or CSS pixels (HTML).
constexpr int kChartWidth = 500;
constexpr int kChartHeight = 250;
// Pixels to a point of the HTML page's images: drawn at twice their CSS size, they are sharp on
// screens of high density and in print.
constexpr int kChartPixelRatio = 2;

// The value axis's range: every value and every limit the chart draws, with a little room
// around (from 0 where the plan asks for it).
std::pair<double, double> ValueRange(const ChartPlan& plan);

// A line of a time chart as it is drawn: the series' times and values, with a NaN value (drawn
// as a break) between two values that lie too far apart or have a gap of the plan between them.
struct LinePoints {
  std::vector<double> keys, values;
};
LinePoints LineData(const ChartPlan& plan, const ChartLine& line);

// A line with more values than its chart is points wide is drawn as its band, as the desktop's
// trend draws a long log: in each of `columns` columns over from..to, the least and the greatest
// of its values. The band breaks where the line breaks (at a NaN), and a piece of the line covers
// the time from its first to its last value, so a gap stays as long as it was; within a piece a
// column reaches to the next one that holds a value.
struct BandColumn {
  double from = 0, to = 0;
  double lower = 0, upper = 0;
  bool first = false;  // the first column of a piece: the band breaks before it
};
std::vector<BandColumn> BandData(const LinePoints& points, double from, double to, size_t columns);

// A plot that draws `plan` (never shown; drawn with toPainter or toPixmap).
std::unique_ptr<QCustomPlot> MakeChart(const ChartPlan& plan);
