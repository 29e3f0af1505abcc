#include "PlotScale.h"

#include <algorithm>
#include <cmath>

#include "text/DecimalText.h"

std::vector<int> AssignValueAxes(const std::vector<Unit>& units) {
  std::vector<Unit> families;
  std::vector<int> axes;
  axes.reserve(units.size());
  for (Unit unit : units) {
    const Unit family = AxisFamily(unit);
    auto it = std::find(families.begin(), families.end(), family);
    if (it == families.end()) {
      if (families.size() == kMaxValueAxes) {
        axes.push_back(-1);
        continue;
      }
      it = families.insert(families.end(), family);
    }
    axes.push_back(static_cast<int>(it - families.begin()));
  }
  return axes;
}

AxisRange ValueAxisRange(double low, double high, Unit unit) {
  if (!std::isfinite(low) || !std::isfinite(high) || low > high) return {};
  const double resolution = std::pow(10.0, -DisplayDecimals(unit));
  const double minimumSpan = std::max(0.01 * std::max(std::fabs(low), std::fabs(high)), resolution);
  double lower = low, upper = high;
  if (upper - lower < minimumSpan) {
    const double middle = lower / 2 + upper / 2;
    lower = middle - minimumSpan / 2;
    upper = middle + minimumSpan / 2;
  }
  const double padding = 0.05 * (upper - lower);
  lower -= padding;
  upper += padding;
  const bool fromZero = unit == Unit::kPercent ? low >= 0
                        : unit == Unit::kNone  ? low >= 0 && high - low > high / 6
                                               : false;
  if (fromZero) {  // the padding then of the span from 0, so the line keeps off the top
    lower = 0;
    upper = 1.05 * std::max(high, minimumSpan);
  }
  return {lower, upper};
}

namespace {

// The decimals that write multiples of `step` exactly enough to tell neighbours apart.
int StepDecimals(double step) {
  if (!(step > 0) || !std::isfinite(step)) return 0;
  int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
  // 0.25 needs two decimals where 0.2 needs one.
  while (decimals < 15) {
    const double scaled = step * std::pow(10.0, decimals);
    if (std::fabs(scaled - std::round(scaled)) < 1e-6 * scaled) break;
    ++decimals;
  }
  return decimals;
}

}  // namespace

std::vector<std::string> TickLabels(const std::vector<double>& ticks) {
  const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 0;
  const int decimals = StepDecimals(step);
  std::vector<std::string> labels;
  labels.reserve(ticks.size());
  for (double tick : ticks) {
    // A tick a rounding error away from 0 is 0.
    if (step > 0 && std::fabs(tick) < step * 1e-9) tick = 0;
    std::string label = step > 0 ? FixedDecimal(tick, decimals) : ReadableDecimal(tick, 6);
    if (label.front() == '-' && label.find_first_of("123456789") == std::string::npos)
      label.erase(0, 1);
    labels.push_back(std::move(label));
  }
  return labels;
}
