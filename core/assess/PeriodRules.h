#pragma once
// The rules a criterion applies to each period of a survey, and how the periods make the
// criterion's value and verdict: each period judged on its own values, the criterion's value
// and verdict those of its worst period (the furthest beyond, or nearest to, its limit), failing
// when any period fails. Values are compared with their limits at kResolution (AtMost). Internal
// to the assessment (Criteria.cpp).

#include <optional>
#include <span>
#include <vector>

#include "Assessment.h"

namespace assess {

// `value` at the comparison's resolution.
double AtResolution(double value);

// The indices [first, last) of the times in [start, end) (times ascending).
std::pair<size_t, size_t> Slice(std::span<const int64_t> times, int64_t start, int64_t end);

// Each period's nearest-rank `percent` percentile of the values against an upper limit.
std::vector<PeriodResult> PercentilePeriods(const std::vector<Period>& periods,
                                            std::span<const int64_t> times,
                                            std::span<const double> values, int percent,
                                            double limit);

// Each period's share of values within the inner band, required to be at least `share` %, with
// every value within the outer band. `value` is the share.
struct ShareRule {
  double innerLow, innerHigh, share, outerLow, outerHigh;
};
std::vector<PeriodResult> SharePeriods(const std::vector<Period>& periods,
                                       std::span<const int64_t> times,
                                       std::span<const double> values, const ShareRule& rule);

// Each period's values against a range they must all lie in (ANSI C84.1's Range B); `value` is
// the share within the narrower band (Range A).
std::vector<PeriodResult> RangePeriods(const std::vector<Period>& periods,
                                       std::span<const int64_t> times,
                                       std::span<const double> values, const ShareRule& rule);

// Each day's statistic given already (count and value per period) against an upper limit.
std::vector<PeriodResult> GivenPeriods(const std::vector<Period>& periods,
                                       std::span<const uint64_t> counts,
                                       std::span<const double> values, double limit);

// The criterion's value, excess and verdict from its periods (the worst of those with values);
// false when no period has a value.
bool SettleFromPeriods(Criterion& c, std::vector<PeriodResult> periods);

}  // namespace assess
