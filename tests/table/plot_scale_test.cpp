// Value axes that show the data: which axis a series goes on, the range a near-constant or a
// zero series gets, tick labels that tell neighbours apart, and the envelope of a long trend
// against the records it was made from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "table/PlotScale.h"
#include "table/TrendEnvelope.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(PlotScale, FourAxesAtMostAndPowerSharesOne) {
  using U = Unit;
  // Hz, V, then W, var and VA on one axis, A, and % would be a fifth: refused.
  EXPECT_EQ(AssignValueAxes({U::kHertz, U::kVolt, U::kWatt, U::kVar, U::kAmpere, U::kVoltAmpere,
                             U::kPercent, U::kVolt}),
            (std::vector<int>{0, 1, 2, 2, 3, 2, -1, 1}));
  EXPECT_EQ(AssignValueAxes({U::kWattHour, U::kVarHour, U::kNone, U::kDegree}),
            (std::vector<int>{0, 0, 1, 2}));
  EXPECT_TRUE(AssignValueAxes({}).empty());
}

TEST(PlotScale, AConstantSeriesGetsASensibleSpanWithPadding) {
  // 50 Hz exactly: 1 % of the value, 0.5 Hz, centred, and 5 % of that on either side.
  AxisRange r = ValueAxisRange(50, 50, Unit::kHertz);
  EXPECT_DOUBLE_EQ(r.lower, 50 - 0.25 - 0.025);
  EXPECT_DOUBLE_EQ(r.upper, 50 + 0.25 + 0.025);
  // A near-constant voltage (noise of 0.05 V on 230 V) is not blown up to fill the plot.
  r = ValueAxisRange(229.98, 230.03, Unit::kVolt);
  EXPECT_GE(r.upper - r.lower, 2.3);
  EXPECT_LT(r.lower, 229.98);
  EXPECT_GT(r.upper, 230.03);
  // A constant zero spans the unit's resolution: 0.001 A, not a degenerate range.
  r = ValueAxisRange(0, 0, Unit::kAmpere);
  EXPECT_NEAR(r.upper - r.lower, 0.0011, 1e-12);
  EXPECT_LT(r.lower, 0);
  // A series that varies keeps its own range and padding.
  r = ValueAxisRange(100, 200, Unit::kVolt);
  EXPECT_DOUBLE_EQ(r.lower, 95);
  EXPECT_DOUBLE_EQ(r.upper, 205);
  // No values: a plain unit range.
  r = ValueAxisRange(kNaN, kNaN, Unit::kVolt);
  EXPECT_EQ(r.lower, 0);
  EXPECT_EQ(r.upper, 1);
}

TEST(PlotScale, PercentAndPowerFactorAxesStartAtZeroWhereThatReadsBetter) {
  // THD of 2.1 % to 2.5 % is read against 0.
  AxisRange r = ValueAxisRange(2.1, 2.5, Unit::kPercent);
  EXPECT_EQ(r.lower, 0);
  EXPECT_GT(r.upper, 2.5);
  // A constant 2.1 % stands clear of the top, as the padding of the span from 0 sets it.
  r = ValueAxisRange(2.1, 2.1, Unit::kPercent);
  EXPECT_EQ(r.lower, 0);
  EXPECT_DOUBLE_EQ(r.upper, 2.1 * 1.05);
  // A constant 0 % THD still has a range.
  r = ValueAxisRange(0, 0, Unit::kPercent);
  EXPECT_EQ(r.lower, 0);
  EXPECT_GT(r.upper, 0);
  // A power factor spread from 0.4 to 0.95 starts at 0; one between 0.95 and 0.99 keeps its
  // own range, where its changes can be read.
  EXPECT_EQ(ValueAxisRange(0.4, 0.95, Unit::kNone).lower, 0);
  EXPECT_GT(ValueAxisRange(0.95, 0.99, Unit::kNone).lower, 0.9);
  // Negative values keep their place below 0; volts never start at 0 on their own.
  EXPECT_LT(ValueAxisRange(-1, 3, Unit::kPercent).lower, -1);
  EXPECT_GT(ValueAxisRange(1, 3, Unit::kVolt).lower, 0);
}

TEST(PlotScale, TickLabelsDifferFromOneAnother) {
  using Labels = std::vector<std::string>;
  EXPECT_EQ(TickLabels({230.1, 230.2, 230.3}), (Labels{"230.1", "230.2", "230.3"}));
  EXPECT_EQ(TickLabels({49.9975, 50.0, 50.0025}), (Labels{"49.9975", "50.0000", "50.0025"}));
  EXPECT_EQ(TickLabels({-0.5, 0.0, 0.5, 1.0}), (Labels{"-0.5", "0.0", "0.5", "1.0"}));
  EXPECT_EQ(TickLabels({0, 200, 400}), (Labels{"0", "200", "400"}));
  EXPECT_EQ(TickLabels({0.25, 0.5, 0.75}), (Labels{"0.25", "0.50", "0.75"}));
  // A tick a rounding error away from 0 is "0.0", never "-0.0".
  EXPECT_EQ(TickLabels({-0.2, -1e-17, 0.2}), (Labels{"-0.2", "0.0", "0.2"}));
  EXPECT_EQ(TickLabels({42.5}), (Labels{"42.5"}));
  // Ticks a hundred-thousandth apart on a large value: every label distinct.
  std::vector<double> ticks;
  for (int i = 0; i < 6; ++i) ticks.push_back(230.12340 + i * 0.00001);
  const Labels labels = TickLabels(ticks);
  EXPECT_EQ(std::set<std::string>(labels.begin(), labels.end()).size(), labels.size());
}

// A long series with gaps and a time that steps back, checked column by column against the
// records that fall in each one.
TEST(TrendEnvelope, MinimumAndMaximumPerPixelColumnAreTheRecords) {
  const size_t n = 20000;
  std::vector<double> keys(n), values(n);
  for (size_t i = 0; i < n; ++i) {
    keys[i] = 1000.0 + static_cast<double>(i) * 3;
    values[i] = 230 + 5 * std::sin(static_cast<double>(i) * 0.013) + ((i * 7919) % 13) * 0.1;
  }
  for (size_t i = 5000; i < 5600; ++i) values[i] = kNaN;  // a break: no values there
  keys[n - 1] = keys[1000];  // the clock stepped back: its value counts where its time lies
  values[n - 1] = 999;
  const double from = 2000, to = 50000;
  const size_t columns = 640;
  const TrendEnvelope e = BuildEnvelope(keys, values, from, to, columns);
  ASSERT_EQ(e.keys.size(), columns);
  ASSERT_EQ(e.lower.size(), columns);
  size_t points = 0;
  for (size_t c = 0; c < columns; ++c) {
    const double left = from + 75.0 * static_cast<double>(c);  // 48,000 s over 640 columns
    const double right = left + 75;
    EXPECT_GT(e.keys[c], left);
    EXPECT_LT(e.keys[c], right);
    double lo = INFINITY, hi = -INFINITY;
    for (size_t i = 0; i < n; ++i) {
      const bool inside =
          keys[i] >= left && (keys[i] < right || (c + 1 == columns && keys[i] <= to));
      if (!inside || std::isnan(values[i])) continue;
      lo = std::min(lo, values[i]);
      hi = std::max(hi, values[i]);
      ++points;
    }
    if (std::isinf(lo)) {
      EXPECT_TRUE(std::isnan(e.lower[c]) && std::isnan(e.upper[c])) << c;
    } else {
      EXPECT_EQ(e.lower[c], lo) << c;
      EXPECT_EQ(e.upper[c], hi) << c;
    }
  }
  EXPECT_EQ(e.points, points);
  EXPECT_EQ(e.upper[static_cast<size_t>((keys[1000] - from) / 75)], 999);
  // An empty range or no columns: nothing.
  EXPECT_TRUE(BuildEnvelope(keys, values, 10, 10, 100).keys.empty());
  EXPECT_TRUE(BuildEnvelope(keys, values, 0, 10, 0).keys.empty());
}

}  // namespace
