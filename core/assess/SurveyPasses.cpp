#include "SurveyPasses.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <memory>

#include "log/NumberText.h"

namespace assess {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// u2 = |V-| / |V+| in % from the three voltage phasors (magnitudes, angles in degrees).
double NegativeSequence(const SlotValues& magnitude, const SlotValues& angle) {
  const std::complex<double> a = std::polar(1.0, 2 * kPi / 3);
  std::complex<double> v[3];
  for (size_t p = 0; p < 3; ++p) v[p] = std::polar(magnitude[p], angle[p] / kRadiansToDegrees);
  const std::complex<double> positive = (v[0] + a * v[1] + a * a * v[2]) / 3.0;
  const std::complex<double> negative = (v[0] + a * a * v[1] + a * v[2]) / 3.0;
  const double p = std::abs(positive);
  return p > 0 ? 100 * std::abs(negative) / p : kNaN;
}

// 100 x the largest deviation of one of three voltages from their mean, over that mean: NEMA's
// rate for voltages between phases, the phase voltage unbalance rate for phase voltages.
double UnbalanceRate(const SlotValues& v) {
  const double mean = (v[0] + v[1] + v[2]) / 3;
  if (!(mean > 0)) return kNaN;
  double largest = 0;
  for (double x : v) largest = std::max(largest, std::abs(x - mean));
  return 100 * largest / mean;
}

// The voltages between phases from the three phasors: |Va - Vb|, |Vb - Vc|, |Vc - Va|.
SlotValues LineVoltages(const SlotValues& magnitude, const SlotValues& angle) {
  std::complex<double> v[3];
  for (size_t p = 0; p < 3; ++p) v[p] = std::polar(magnitude[p], angle[p] / kRadiansToDegrees);
  return {std::abs(v[0] - v[1]), std::abs(v[1] - v[2]), std::abs(v[2] - v[0])};
}

// The daily quantities of a slot: THD, TDD, then the voltage and current harmonics.
constexpr size_t kDailyPerSlot = 2 + 2 * kHarmonicCount;
constexpr size_t DailyThd(size_t s) {
  return s * kDailyPerSlot;
}
constexpr size_t DailyTdd(size_t s) {
  return s * kDailyPerSlot + 1;
}
constexpr size_t DailyHarmonic(size_t s, size_t h) {
  return s * kDailyPerSlot + 2 + h;
}
constexpr size_t DailyCurrentHarmonic(size_t s, size_t h) {
  return s * kDailyPerSlot + 2 + kHarmonicCount + h;
}

DailySeries& DailyOf(Measurements& m, size_t q) {
  SlotMeasurements& sm = m.slots[q / kDailyPerSlot];
  const size_t i = q % kDailyPerSlot;
  if (i == 0) return sm.dailyThd;
  if (i == 1) return sm.dailyTdd;
  if (i < 2 + kHarmonicCount) return sm.dailyHarmonic[i - 2];
  return sm.dailyCurrentHarmonic[i - 2 - kHarmonicCount];
}

void KeepWindows(WindowSeries& series, const std::set<int64_t>& leftOut) {
  if (leftOut.empty()) return;
  WindowSeries kept;
  for (size_t i = 0; i < series.starts.size(); ++i) {
    if (leftOut.count(WindowIndex(series.starts[i], kWindowSeconds) * kWindowSeconds)) continue;
    kept.starts.push_back(series.starts[i]);
    kept.values.push_back(series.values[i]);
    kept.counts.push_back(series.counts[i]);
  }
  series = std::move(kept);
}

}  // namespace

SurveyPasses::SurveyPasses(const std::vector<LogQuantities>& readers,
                           const std::vector<UsedRecord>& used, Measurements& m, int64_t anchor,
                           std::optional<double> un)
    : m_readers(readers),
      m_used(used),
      m_m(m),
      m_anchor(anchor),
      m_un(un),
      m_plausibility(readers.size()) {}

void SurveyPasses::First() {
  auto values = std::make_unique<RecordValues>();
  RecordValues& v = *values;
  // 10-minute values: the voltage of each slot, u2, LVUR, PVUR; 15-minute means: the fundamental
  // current of each slot, the total power.
  constexpr size_t kUnbalance = kSlots, kLvur = kSlots + 1, kPvur = kSlots + 2, kDemand = kSlots;
  WindowBank ten(kSlots + 3, kWindowSeconds, WindowKind::kRms);
  WindowBank fifteen(kSlots + 1, kDemandSeconds, WindowKind::kMean);
  m_m.frequency.reserve(m_used.size());
  m_m.frequencyTimes.reserve(m_used.size());
  m_m.powerFactor.reserve(m_used.size());
  m_nominalVoltages.reserve(m_used.size() * (m_m.family == Family::kThreePhase ? 3 : 1));
  m_recordedThd.resize(m_used.size());
  m_interrupted.assign(m_used.size(), false);
  for (size_t f = 0; f < m_readers.size(); ++f)
    m_plausibility[f].recordsFrequency = m_readers[f].HasFrequency();
  // Energy: the counter's last minus first value over each run of records from one log (a log
  // starts its counter afresh).
  double segmentFirst = kNaN, segmentLast = kNaN;
  uint32_t segmentFile = 0;
  auto closeSegment = [&] {
    if (std::isnan(segmentFirst)) return;
    m_m.energy = m_m.energy.value_or(0) + (segmentLast - segmentFirst);
    ++m_m.energySegments;
    segmentFirst = segmentLast = kNaN;
  };
  // Unbalance needs all three phases judged (not a split-phase or single-phase supply).
  const bool three = m_m.family == Family::kThreePhase &&
                     std::all_of(m_m.slots.begin(), m_m.slots.end(),
                                 [](const SlotMeasurements& sm) { return sm.reference.judged; });
  for (size_t i = 0; i < m_used.size(); ++i) {
    const UsedRecord& r = m_used[i];
    const LogQuantities& q = m_readers[r.file];
    LogPlausibility& plausible = m_plausibility[r.file];
    q.ReadBasic(r.row, v);
    ten.Begin(r.t);
    fifteen.Begin(r.t);
    if (std::isfinite(v.frequency)) {
      m_m.frequencyTimes.push_back(r.t);
      m_m.frequency.push_back(v.frequency);
      plausible.frequency.push_back(v.frequency);
    }
    bool anyVoltage = false, allLow = true;
    for (size_t s = 0; s < kSlots; ++s) {
      const LogQuantities::Slot& slot = q.GetSlot(static_cast<int>(s));
      const SlotMeasurements& sm = m_m.slots[s];
      if (slot.voltage) {
        ++plausible.voltageValues;
        if (std::isfinite(v.voltage[s])) ++plausible.finiteVoltages;
      }
      if (slot.voltage && sm.reference.judged) {
        ten.Add(s, v.voltage[s]);
        if (std::isfinite(v.voltage[s])) {
          const double reference = sm.reference.factor;
          m_nominalVoltages.push_back(v.voltage[s] / reference);
          if (m_un) {
            anyVoltage = true;
            allLow = allLow && v.voltage[s] < kInterruptionPercent / 100 * reference * *m_un;
          }
        }
      }
      if (slot.current) fifteen.Add(s, v.currentFundamental[s]);
      m_recordedThd[i][s] = v.voltageThd[s];
    }
    m_interrupted[i] = anyVoltage && allLow;
    if (three) {
      if (q.HasPhasors()) {
        ten.Add(kUnbalance, NegativeSequence(v.phasorMagnitude, v.phasorAngle));
        if (!m_m.lineVoltagesMeasured)
          ten.Add(kLvur, UnbalanceRate(LineVoltages(v.phasorMagnitude, v.phasorAngle)));
      }
      ten.Add(m_m.lineVoltagesMeasured ? kLvur : kPvur, UnbalanceRate(v.voltage));
    }
    if (std::isfinite(v.powerFactor)) m_m.powerFactor.push_back(v.powerFactor);
    fifteen.Add(kDemand, v.power);
    if (std::isfinite(v.wattHours)) {
      ++m_m.energyCounters;
      if (r.file != segmentFile) closeSegment();
      if (std::isnan(segmentFirst)) segmentFirst = v.wattHours;
      segmentLast = v.wattHours;
      segmentFile = r.file;
    }
  }
  closeSegment();
  std::vector<WindowSeries> tens = ten.Finish(), fifteens = fifteen.Finish();
  for (size_t s = 0; s < kSlots; ++s) {
    m_m.slots[s].voltage = std::move(tens[s]);
    m_m.slots[s].fundamental15 = std::move(fifteens[s]);
  }
  m_m.unbalance = std::move(tens[kUnbalance]);
  m_m.lvur = std::move(tens[kLvur]);
  m_m.pvur = std::move(tens[kPvur]);
  m_m.demand = std::move(fifteens[kDemand]);
}

void SurveyPasses::LeaveOut(const std::set<int64_t>& windows) {
  m_leftOut = windows;
  for (SlotMeasurements& sm : m_m.slots) KeepWindows(sm.voltage, windows);
  KeepWindows(m_m.unbalance, windows);
  KeepWindows(m_m.lvur, windows);
  KeepWindows(m_m.pvur, windows);
  if (std::none_of(m_interrupted.begin(), m_interrupted.end(), [](bool b) { return b; })) return;
  // The frequency of the records of interruptions: the records that hold a frequency are those
  // kept in First, in the same order.
  std::vector<int64_t> times;
  std::vector<double> frequency;
  size_t k = 0;
  for (size_t i = 0; i < m_used.size() && k < m_m.frequency.size(); ++i) {
    if (m_m.frequencyTimes[k] != m_used[i].t) continue;
    if (!m_interrupted[i]) {
      times.push_back(m_m.frequencyTimes[k]);
      frequency.push_back(m_m.frequency[k]);
    }
    ++k;
  }
  m_m.frequencyTimes = std::move(times);
  m_m.frequency = std::move(frequency);
}

void SurveyPasses::DailyFlush(size_t day) {
  for (size_t q = 0; q < m_day.size(); ++q) {
    std::vector<double>& values = m_day[q];
    if (values.empty()) continue;
    DailySeries& daily = DailyOf(m_m, q);
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    if (!daily.min || *low < *daily.min) daily.min = *low;
    if (!daily.max || *high > *daily.max) daily.max = *high;
    daily.count += values.size();
    daily.counts[day] = values.size();
    daily.p99[day] = NearestRankPercentile(values, kHighPercentile).value_or(kNaN);
    values.clear();
  }
}

void SurveyPasses::Second(size_t days) {
  auto values = std::make_unique<RecordValues>();
  RecordValues& v = *values;
  // 10-minute values of each slot's THD (to 40 and to 50) and TDD, then its voltage and current
  // harmonics.
  auto thd = [](size_t s) { return s; };
  auto ieeeThd = [](size_t s) { return kSlots + s; };
  auto tdd = [](size_t s) { return 2 * kSlots + s; };
  auto harmonic = [](size_t s, size_t h) { return 3 * kSlots + s * kHarmonicCount + h; };
  auto current = [](size_t s, size_t h) { return 3 * kSlots + (kSlots + s) * kHarmonicCount + h; };
  WindowBank ten(3 * kSlots + 2 * kSlots * kHarmonicCount, kWindowSeconds, WindowKind::kRms);
  m_day.assign(kSlots * kDailyPerSlot, {});
  for (size_t q = 0; q < m_day.size(); ++q) {
    DailySeries& daily = DailyOf(m_m, q);
    daily.counts.assign(days, 0);
    daily.p99.assign(days, kNaN);
  }
  // A record's value for its day (records of interruptions are left out).
  bool dailyRecord = false;
  auto daily = [&](size_t q, double value) {
    if (dailyRecord && std::isfinite(value)) m_day[q].push_back(value);
  };
  size_t day = 0;
  const bool ieee = days > 0;
  for (size_t i = 0; i < m_used.size(); ++i) {
    const UsedRecord& r = m_used[i];
    const LogQuantities& q = m_readers[r.file];
    const bool windowKept = !m_leftOut.count(WindowIndex(r.t, kWindowSeconds) * kWindowSeconds);
    dailyRecord = ieee && !m_interrupted[i];
    const size_t recordDay =
        std::min(static_cast<size_t>((r.t - m_anchor) / kDaySeconds), days ? days - 1 : 0);
    if (recordDay != day) {
      DailyFlush(day);
      day = recordDay;
    }
    if (!windowKept && !dailyRecord) continue;
    ten.Begin(r.t);
    for (size_t s = 0; s < kSlots; ++s) {
      const LogQuantities::Slot& slot = q.GetSlot(static_cast<int>(s));
      const SlotMeasurements& sm = m_m.slots[s];
      auto add = [&](size_t index, double value) {
        if (windowKept) ten.Add(index, value);
      };
      if (slot.voltage && sm.reference.judged && q.HasVoltageHarmonics()) {
        q.ReadVoltageHarmonics(r.row, static_cast<int>(s), v);
        const double fundamental = v.voltageFundamental[s];
        double squares = 0, squares40 = 0;
        for (size_t h = 0; h < kHarmonicCount; ++h) {
          const double percent =
              fundamental > 0 ? 100 * v.voltageHarmonic[s][h] / fundamental : kNaN;
          add(harmonic(s, h), percent);
          daily(DailyHarmonic(s, h), percent);
          squares += percent * percent;
          if (h + kFirstHarmonic <= kLastThdHarmonic) squares40 += percent * percent;
        }
        add(thd(s), std::sqrt(squares40));  // NaN when any harmonic is missing
        add(ieeeThd(s), std::sqrt(squares));
        daily(DailyThd(s), std::sqrt(squares));
      } else if (slot.voltage && sm.reference.judged) {
        add(thd(s), m_recordedThd[i][s]);
        add(ieeeThd(s), m_recordedThd[i][s]);
        daily(DailyThd(s), m_recordedThd[i][s]);
      }
      if (slot.current && q.HasCurrentHarmonics() && m_m.il) {
        q.ReadCurrentHarmonics(r.row, static_cast<int>(s), v);
        const double il = *m_m.il;
        double squares = 0;
        for (size_t h = 0; h < kHarmonicCount; ++h) {
          const double amperes = v.currentHarmonic[s][h];
          add(current(s, h), 100 * amperes / il);
          daily(DailyCurrentHarmonic(s, h), 100 * amperes / il);
          squares += amperes * amperes;
        }
        add(tdd(s), 100 * std::sqrt(squares) / il);
        daily(DailyTdd(s), 100 * std::sqrt(squares) / il);
      }
    }
  }
  if (days) DailyFlush(day);
  m_day.clear();
  std::vector<WindowSeries> series = ten.Finish();
  for (size_t s = 0; s < kSlots; ++s) {
    SlotMeasurements& sm = m_m.slots[s];
    sm.thd = std::move(series[thd(s)]);
    sm.ieeeThd = std::move(series[ieeeThd(s)]);
    sm.tdd = std::move(series[tdd(s)]);
    for (size_t h = 0; h < kHarmonicCount; ++h) {
      sm.harmonic[h] = std::move(series[harmonic(s, h)]);
      sm.currentHarmonic[h] = std::move(series[current(s, h)]);
    }
  }
}

}  // namespace assess
