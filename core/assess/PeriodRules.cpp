#include "PeriodRules.h"

#include <algorithm>
#include <cmath>

#include "AssessLimits.h"
#include "stats/Percentiles.h"

namespace assess {

using meterlog2::stats::NearestRankPercentile;

namespace {

// As a fraction of the limit it breaks (AssessmentResult's Criterion::excess).
double Beyond(double value, double limit) {
  return limit != 0 ? (value - limit) / std::abs(limit) : value - limit;
}

// The values of a period that are numbers.
std::vector<double> Finite(std::span<const double> values) {
  std::vector<double> finite;
  finite.reserve(values.size());
  for (double v : values)
    if (std::isfinite(v)) finite.push_back(v);
  return finite;
}

PeriodResult Open(const Period& p) {
  PeriodResult r;
  r.start = p.start;
  r.end = p.end;
  return r;
}

}  // namespace

double AtResolution(double value) {
  return std::round(value * kStepsPerUnit) / kStepsPerUnit;
}

std::pair<size_t, size_t> Slice(std::span<const int64_t> times, int64_t start, int64_t end) {
  const auto first = std::lower_bound(times.begin(), times.end(), start);
  const auto last = std::lower_bound(first, times.end(), end);
  return {static_cast<size_t>(first - times.begin()), static_cast<size_t>(last - times.begin())};
}

std::vector<PeriodResult> PercentilePeriods(const std::vector<Period>& periods,
                                            std::span<const int64_t> times,
                                            std::span<const double> values, int percent,
                                            double limit) {
  std::vector<PeriodResult> results;
  for (const Period& p : periods) {
    PeriodResult r = Open(p);
    const auto [first, last] = Slice(times, p.start, p.end);
    std::vector<double> finite = Finite(values.subspan(first, last - first));
    r.count = finite.size();
    if (const std::optional<double> value = NearestRankPercentile(finite, percent)) {
      r.value = value;
      r.verdict = AtMost(*value, limit) ? Verdict::kPass : Verdict::kFail;
      r.excess = Beyond(AtResolution(*value), limit);
    }
    results.push_back(r);
  }
  return results;
}

namespace {

// A period's values against a rule's inner band: how many are numbers, how many lie inside, and
// the extremes.
struct BandCount {
  uint64_t count = 0, inside = 0;
  double min = 0, max = 0;
  double Share() const { return 100.0 * static_cast<double>(inside) / static_cast<double>(count); }
};

BandCount CountBand(std::span<const double> values, const ShareRule& rule) {
  BandCount b;
  for (double v : values) {
    if (!std::isfinite(v)) continue;
    if (b.count == 0 || v < b.min) b.min = v;
    if (b.count == 0 || v > b.max) b.max = v;
    ++b.count;
    if (AtLeast(v, rule.innerLow) && AtMost(v, rule.innerHigh)) ++b.inside;
  }
  return b;
}

// How far the extremes lie beyond the outer band, as a fraction of the edge they pass.
double OuterExcess(const BandCount& b, const ShareRule& rule) {
  return std::max(Beyond(AtResolution(b.max), rule.outerHigh),
                  (rule.outerLow - AtResolution(b.min)) / rule.outerLow);
}

template <typename Judge>
std::vector<PeriodResult> BandPeriods(const std::vector<Period>& periods,
                                      std::span<const int64_t> times,
                                      std::span<const double> values, const ShareRule& rule,
                                      Judge judge) {
  std::vector<PeriodResult> results;
  for (const Period& p : periods) {
    PeriodResult r = Open(p);
    const auto [first, last] = Slice(times, p.start, p.end);
    const BandCount b = CountBand(values.subspan(first, last - first), rule);
    r.count = b.count;
    if (b.count > 0) judge(b, r);
    results.push_back(r);
  }
  return results;
}

}  // namespace

std::vector<PeriodResult> SharePeriods(const std::vector<Period>& periods,
                                       std::span<const int64_t> times,
                                       std::span<const double> values, const ShareRule& rule) {
  return BandPeriods(periods, times, values, rule, [&](const BandCount& b, PeriodResult& r) {
    const double share = b.Share();
    r.value = share;
    const bool pass = AtLeast(share, rule.share) && AtLeast(b.min, rule.outerLow) &&
                      AtMost(b.max, rule.outerHigh);
    r.verdict = pass ? Verdict::kPass : Verdict::kFail;
    r.excess = std::max((rule.share - AtResolution(share)) / rule.share, OuterExcess(b, rule));
  });
}

std::vector<PeriodResult> RangePeriods(const std::vector<Period>& periods,
                                       std::span<const int64_t> times,
                                       std::span<const double> values, const ShareRule& rule) {
  return BandPeriods(periods, times, values, rule, [&](const BandCount& b, PeriodResult& r) {
    r.value = b.Share();
    const bool pass = AtLeast(b.min, rule.outerLow) && AtMost(b.max, rule.outerHigh);
    r.verdict = pass ? Verdict::kPass : Verdict::kFail;
    r.excess = OuterExcess(b, rule);
  });
}

std::vector<PeriodResult> GivenPeriods(const std::vector<Period>& periods,
                                       std::span<const uint64_t> counts,
                                       std::span<const double> values, double limit) {
  std::vector<PeriodResult> results;
  for (size_t i = 0; i < periods.size(); ++i) {
    PeriodResult r = Open(periods[i]);
    if (i < counts.size() && counts[i] > 0 && std::isfinite(values[i])) {
      r.count = counts[i];
      r.value = values[i];
      r.verdict = AtMost(values[i], limit) ? Verdict::kPass : Verdict::kFail;
      r.excess = Beyond(AtResolution(values[i]), limit);
    }
    results.push_back(r);
  }
  return results;
}

bool SettleFromPeriods(Criterion& c, std::vector<PeriodResult> periods) {
  const PeriodResult* worst = nullptr;
  bool failed = false;
  for (const PeriodResult& p : periods) {
    if (!p.value) continue;
    failed = failed || p.verdict == Verdict::kFail;
    if (!worst || *p.excess > *worst->excess) worst = &p;
  }
  if (worst) {
    c.value = worst->value;
    c.excess = worst->excess;
    c.verdict = failed ? Verdict::kFail : Verdict::kPass;
  }
  c.periods = std::move(periods);
  return worst != nullptr;
}

}  // namespace assess
