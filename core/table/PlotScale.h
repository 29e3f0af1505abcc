#pragma once
// How a trend's value axes are chosen and scaled so that they show the data and never mislead:
// which axis each series goes on, the range an axis spans, and tick labels that differ from
// one another. Nothing here knows how the axes are drawn.

#include <string>
#include <vector>

#include "Units.h"

// A trend draws at most this many value axes: two on the left, two on the right.
constexpr int kMaxValueAxes = 4;

// The value axis (0 to kMaxValueAxes - 1) of each series of these units, in order: one axis
// per axis family (W, VA and var share one), numbered in the order the families first appear;
// -1 for a series whose family would need a fifth axis.
std::vector<int> AssignValueAxes(const std::vector<Unit>& units);

struct AxisRange {
  double lower = 0, upper = 1;
};

// The range of a value axis whose series hold values from `low` to `high` in `unit` (either
// one NaN: no values). The span is never below 1 % of the largest magnitude nor below the
// unit's display resolution (a near-constant series is not blown up into noise), with 5 %
// padding on both sides. A percent axis (THD, harmonics) starts at 0 when no value is below 0;
// so does an axis without a unit (power factor, K-factor) when its values are spread over more
// than a sixth of the largest one.
AxisRange ValueAxisRange(double low, double high, Unit unit);

// The labels of ticks spaced evenly (ascending), each with as many decimals as their spacing
// needs to tell them apart and no more; never "-0".
std::vector<std::string> TickLabels(const std::vector<double>& ticks);
