#pragma once
// The QCustomPlot that draws a chart of a report (core/report/ChartPlan.h): series of the
// assessment against the time with their limits, or the 95th percentiles of the harmonics of one
// phase as bars with each harmonic's limit as a marker. The units stand on both axes, the legend
// sits under the plot where it covers no data, and the numbers and times of the axes are written
// the way the rest of the program writes them.

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "report/ChartPlan.h"

class QCustomPlot;

using meterlog2::report::ChartLine;
using meterlog2::report::ChartPlan;

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
