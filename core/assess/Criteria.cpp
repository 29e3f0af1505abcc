// The criteria of EN 50160 and IEEE 519-2014 judged on a survey's measurements, with the rows
// that cannot be judged and why, and the informative rows.

#include <algorithm>
#include <cmath>
#include <limits>

#include "Measurements.h"
#include "text/DecimalText.h"
#include "text/TimeText.h"

namespace assess {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Readable(double value) {
  return ReadableDecimal(value, 3);
}

std::string IsoTime(int64_t seconds) {
  return TimeText(seconds, TimeStyle::kIso);
}

// A share rule's excess (Criterion::excess): the share's shortfall from what is required and
// the extremes' excess beyond the outer band, each as a fraction of its limit, the larger.
double ShareExcess(double share, double required, double min, double max, LimitBand outer) {
  return std::max({(required - share) / required, (max - outer.high) / outer.high,
                   (outer.low - min) / outer.low});
}

// nominal x (1 + percent / 100), formed so that whole-numbered limits stay exact (230 V - 10 %
// is 207 V exactly).
double Edge(double nominal, double percent) {
  return nominal + nominal * percent / 100;
}

std::string HarmonicKey(const char* prefix, int h, const std::string& phase) {
  return std::string(prefix) + std::to_string(h) + "." + phase;
}

class Judge {
 public:
  Judge(const Measurements& m, const AssessOptions& options, AssessmentResult& result)
      : m_m(m), m_options(options), m_result(result), m_facts(result.survey) {
    if (m_facts.durationS < static_cast<double>(kWeekSeconds)) {
      m_result.indicative = true;
      m_result.indicativeNote = "indicative: the survey lasted " +
                                assess::DurationText(m_facts.durationS) +
                                ", less than the 7 days the standards judge";
    }
  }

  void En50160();
  void Ieee519();
  void Informative();
  void Profiles();
  // The series a report charts whichever standards were chosen: frequency, voltage, THD and TDD.
  void ChartedSeries();
  void Verdict();

 private:
  std::string Phase(size_t s) const { return SlotName(m_m.family, static_cast<int>(s)); }
  std::vector<size_t> VoltageSlots() const;
  std::vector<size_t> CurrentSlots() const;

  Criterion& Row(const char* standard, std::string id, std::string quantity, std::string phase,
                 std::string unit);
  void NotAssessed(Criterion& c, const std::string& reason);
  // The row's statistics over the series; false (and the row not assessed) when it has no value.
  bool Summarize(Criterion& c, const std::vector<double>& values, const std::string& empty);
  void Finish(Criterion& c, assess::Verdict verdict, const std::string& note);
  void AddSeries(const std::string& key, const std::string& quantity, const std::string& phase,
                 const std::string& unit, int64_t window, const std::vector<int64_t>& times,
                 const std::vector<double>& values);
  void AddSeries(const std::string& key, const Criterion& c, int64_t window,
                 const WindowSeries& series) {
    AddSeries(key, c.quantity, c.phase, c.unit, window, series.starts, series.values);
  }
  // A row judged on the 95th percentile of 10-minute values against an upper limit.
  void Percentile(Criterion& c, const WindowSeries& series, double limit, const std::string& key,
                  const std::string& source);
  void EnFrequency();
  void EnVoltage();
  // EN 50160's voltage unbalance, with NEMA's informative LVUR beside it.
  void EnUnbalance();
  // The EN 50160 criteria a log cannot judge.
  void EnNotRecorded();
  void ThdRows(const char* standard, const std::string& prefix, double limit);
  void VoltageHarmonicRows(const char* standard, const std::string& prefix, int last,
                           double (*limit)(int));
  void CurrentRows(size_t s);

  const Measurements& m_m;
  const AssessOptions& m_options;
  AssessmentResult& m_result;
  const SurveyFacts& m_facts;
};

std::vector<size_t> Judge::VoltageSlots() const {
  std::vector<size_t> slots;
  for (size_t s = 0; s < kSlots; ++s)
    if (m_m.slots[s].measuresVoltage) slots.push_back(s);
  return slots;
}

std::vector<size_t> Judge::CurrentSlots() const {
  std::vector<size_t> slots;
  for (size_t s = 0; s < kSlots; ++s)
    if (m_m.slots[s].measuresCurrent) slots.push_back(s);
  return slots;
}

Criterion& Judge::Row(const char* standard, std::string id, std::string quantity, std::string phase,
                      std::string unit) {
  Criterion& c = m_result.criteria.emplace_back();
  c.standard = standard;
  c.id = std::move(id);
  c.quantity = std::move(quantity);
  c.phase = std::move(phase);
  c.unit = std::move(unit);
  return c;
}

void Judge::NotAssessed(Criterion& c, const std::string& reason) {
  c.verdict = assess::Verdict::kNotAssessed;
  c.note = reason;
}

bool Judge::Summarize(Criterion& c, const std::vector<double>& values, const std::string& empty) {
  const Summary s = assess::Summarize(values);
  c.count = s.count;
  c.min = s.min;
  c.max = s.max;
  c.p95 = s.p95;
  if (s.count > 0) return true;
  NotAssessed(c, empty);
  return false;
}

void Judge::Finish(Criterion& c, assess::Verdict verdict, const std::string& note) {
  c.verdict = verdict;
  c.note = note;
  if (m_result.indicative) c.note += "; " + m_result.indicativeNote;
}

void Judge::AddSeries(const std::string& key, const std::string& quantity, const std::string& phase,
                      const std::string& unit, int64_t window, const std::vector<int64_t>& times,
                      const std::vector<double>& values) {
  if (values.empty() || m_result.FindSeries(key)) return;
  Series& s = m_result.series.emplace_back();
  s.key = key;
  s.quantity = quantity;
  s.phase = phase;
  s.unit = unit;
  s.windowSeconds = window;
  s.times = times;
  s.values = values;
}

void Judge::Percentile(Criterion& c, const WindowSeries& series, double limit,
                       const std::string& key, const std::string& source) {
  c.statistic = "95th percentile of the 10-minute values";
  c.limit = "95th percentile <= " + Readable(limit) + " " + c.unit;
  c.seriesKey = key;
  c.bands = {{-kInfinity, limit, "limit"}};
  if (!Summarize(c, series.values, "no valid value in the survey (" + source + ")")) return;
  AddSeries(key, c, kWindowSeconds, series);
  c.value = c.p95;
  c.excess = (*c.p95 - limit) / limit;
  Finish(c, *c.p95 <= limit ? assess::Verdict::kPass : assess::Verdict::kFail,
         "10-minute values from " + source);
}

// ---- EN 50160 ----

void Judge::En50160() {
  EnFrequency();
  EnVoltage();
  ThdRows("en50160", "en50160.thd.", kEnThdLimit);
  VoltageHarmonicRows("en50160", "en50160.harmonic.", kLastEnHarmonic, EnHarmonicLimit);
  EnUnbalance();
  EnNotRecorded();
}

void Judge::EnFrequency() {
  const std::optional<double>& fn = m_facts.nominalFrequency;
  Criterion& c = Row("en50160", "en50160.frequency", "power frequency (Hz)", "", "%");
  c.statistic = "percent of the records within Fn +/-1 %";
  c.seriesKey = "frequency";
  if (m_m.frequencySources.Empty()) {
    NotAssessed(c, "the " + m_facts.logTypeName + " records no frequency");
  } else if (!fn) {
    NotAssessed(c, "no valid frequency value to infer Fn from; give --nominal-frequency");
  } else if (Summarize(c, m_m.frequency, "no valid frequency value in the survey")) {
    const ShareBand& in = kEnFrequencyBand;
    const ShareBand& out = kEnFrequencyOuterBand;
    const LimitBand inner = {Edge(*fn, in.lowPercent), Edge(*fn, in.highPercent),
                             Readable(in.share) + " % of the records"};
    const LimitBand outer = {Edge(*fn, out.lowPercent), Edge(*fn, out.highPercent), "all records"};
    c.bands = {inner, outer};
    c.limit = Readable(in.share) + " % of the records within " + Readable(inner.low) + " to " +
              Readable(inner.high) + " Hz, all within " + Readable(outer.low) + " to " +
              Readable(outer.high) + " Hz";
    c.value = ShareWithin(m_m.frequency, inner.low, inner.high);
    const bool pass = *c.value >= in.share && *c.min >= outer.low && *c.max <= outer.high;
    c.excess = ShareExcess(*c.value, in.share, *c.min, *c.max, outer);
    AddSeries(c.seriesKey, "power frequency", "", "Hz", 0, m_m.frequencyTimes, m_m.frequency);
    Finish(c, pass ? assess::Verdict::kPass : assess::Verdict::kFail,
           "every record's value of " + m_m.frequencySources.Text() + "; min, max and 95th " +
               "percentile in Hz");
  }
}

void Judge::EnVoltage() {
  const std::optional<double>& un = m_facts.nominalVoltage;
  const std::vector<size_t> voltages = VoltageSlots();
  if (voltages.empty()) {
    Criterion& c = Row("en50160", "en50160.voltage", "supply voltage (V)", "", "%");
    NotAssessed(c, "no channel of the log measures a voltage");
  }
  for (size_t s : voltages) {
    const SlotMeasurements& sm = m_m.slots[s];
    Criterion& c =
        Row("en50160", "en50160.voltage." + Phase(s), "supply voltage (V)", Phase(s), "%");
    c.statistic = "percent of the 10-minute values within Un +/-10 %";
    c.seriesKey = "voltage." + Phase(s);
    const std::string source = sm.voltageSources.Text();
    if (!un) {
      NotAssessed(c, "no valid voltage value to infer Un from; give --nominal-voltage");
      continue;
    }
    if (!Summarize(c, sm.voltage.values, "no valid value of " + source + " in the survey"))
      continue;
    const double reference = sm.lineToLine ? *un * std::sqrt(3.0) : *un;
    const ShareBand& in = kEnVoltageBand;
    const ShareBand& out = kEnVoltageOuterBand;
    const LimitBand inner = {Edge(reference, in.lowPercent), Edge(reference, in.highPercent),
                             Readable(in.share) + " % of the values"};
    const LimitBand outer = {Edge(reference, out.lowPercent), Edge(reference, out.highPercent),
                             "all values"};
    c.bands = {inner, outer};
    c.limit = Readable(in.share) + " % of the 10-minute values within " + Readable(inner.low) +
              " to " + Readable(inner.high) + " V, all within " + Readable(outer.low) + " to " +
              Readable(outer.high) + " V";
    c.value = ShareWithin(sm.voltage.values, inner.low, inner.high);
    const bool pass = *c.value >= in.share && *c.min >= outer.low && *c.max <= outer.high;
    c.excess = ShareExcess(*c.value, in.share, *c.min, *c.max, outer);
    AddSeries(c.seriesKey, "supply voltage", Phase(s), "V", kWindowSeconds, sm.voltage.starts,
              sm.voltage.values);
    std::string note = "10-minute values from " + source + "; min, max and 95th percentile in V";
    if (sm.lineToLine)
      note +=
          "; measured between two phases, so judged against sqrt(3) x Un = " + Readable(reference) +
          " V";
    Finish(c, pass ? assess::Verdict::kPass : assess::Verdict::kFail, note);
  }
}

void Judge::EnUnbalance() {
  if (m_m.family == Family::kThreePhase) {
    Criterion& c =
        Row("en50160", "en50160.unbalance", "voltage unbalance u2 (negative sequence)", "", "%");
    if (m_m.phasors) {
      Percentile(c, m_m.unbalance, kEnUnbalanceLimit, "unbalance",
                 "u2 = 100 x |V-| / |V+| of each record's voltage phasors");
    } else if (m_m.vectorLogReadPlain) {
      NotAssessed(c,
                  "the Three Phase Vector Log was read without its vector layout (data format "
                  "1): read it with data format 256 to judge the unbalance from its phasors");
    } else {
      NotAssessed(c, "the " + m_facts.logTypeName +
                         " records no voltage phasors (a Three Phase Vector Log read with its "
                         "vector layout does)");
    }
    Criterion& n =
        Row("nema", "nema.unbalance.lvur", "line voltage unbalance rate (LVUR)", "", "%");
    n.statistic = "95th percentile of the 10-minute values";
    n.limit = "informative";
    n.seriesKey = "lvur";
    if (Summarize(n, m_m.lvur.values, "no record holds all three phase voltages")) {
      n.value = n.p95;
      AddSeries(n.seriesKey, n, kWindowSeconds, m_m.lvur);
      Finish(n, assess::Verdict::kInfo,
             "100 x the largest deviation of a phase voltage from the mean of the three, over "
             "that mean, from " +
                 m_m.slots[0].voltageSources.Text() + " and the other phases");
    }
  } else {
    NotAssessed(Row("en50160", "en50160.unbalance", "voltage unbalance u2", "", "%"),
                "a single-phase survey has no three-phase voltages");
    NotAssessed(Row("nema", "nema.unbalance.lvur", "line voltage unbalance rate (LVUR)", "", "%"),
                "a single-phase survey has no three-phase voltages");
  }
}

void Judge::EnNotRecorded() {
  static constexpr const char* kNotRecorded[][3] = {
      {"en50160.dips", "voltage dips",
       "needs the RMS voltage over each half cycle; a log holds one value per record"},
      {"en50160.swells", "temporary overvoltages (swells)",
       "needs the RMS voltage over each half cycle; a log holds one value per record"},
      {"en50160.interruptions", "supply interruptions",
       "needs the RMS voltage over each half cycle to find and time interruptions; a log holds "
       "one value per record"},
      {"en50160.rapid_voltage_changes", "rapid voltage changes",
       "needs the RMS voltage over each half cycle; a log holds one value per record"},
      {"en50160.flicker", "flicker severity (Plt)", "the logs record no flicker values (Pst, Plt)"},
      {"en50160.mains_signalling", "mains signalling voltages",
       "needs the 3-second values of the signalling frequencies, which the logs do not record"},
  };
  for (const auto& row : kNotRecorded) NotAssessed(Row("en50160", row[0], row[1], "", ""), row[2]);
}

void Judge::ThdRows(const char* standard, const std::string& prefix, double limit) {
  for (size_t s : VoltageSlots()) {
    const SlotMeasurements& sm = m_m.slots[s];
    Criterion& c = Row(standard, prefix + Phase(s), "voltage THD", Phase(s), "%");
    if (sm.thdSources.Empty()) {
      c.statistic = "95th percentile of the 10-minute values";
      NotAssessed(c, "the " + m_facts.logTypeName + " records neither harmonics nor a THD");
      continue;
    }
    std::string source = sm.thdSources.Text();
    if (sm.recordedThdOnly)
      source +=
          " (the recorded THD is the residual over the RMS value, as the instrument gives it)";
    Percentile(c, sm.thd, limit, "thd." + Phase(s), source);
  }
}

void Judge::VoltageHarmonicRows(const char* standard, const std::string& prefix, int last,
                                double (*limit)(int)) {
  for (size_t s : VoltageSlots()) {
    const SlotMeasurements& sm = m_m.slots[s];
    if (!sm.voltageHarmonics) {
      Criterion& c = Row(standard, prefix + Phase(s),
                         "harmonic voltages 2 to " + std::to_string(last), Phase(s), "%");
      NotAssessed(c, "the " + m_facts.logTypeName + " records no individual harmonics");
      continue;
    }
    for (int h = kFirstHarmonic; h <= last; ++h) {
      Criterion& c = Row(standard, HarmonicKey(prefix.c_str(), h, Phase(s)),
                         "harmonic voltage " + std::to_string(h), Phase(s), "%");
      c.harmonic = h;
      Percentile(c, sm.harmonic[static_cast<size_t>(h - kFirstHarmonic)], limit(h),
                 HarmonicKey("harmonic.", h, Phase(s)),
                 "100 x harmonic / fundamental of " + sm.harmonicSources.Text());
    }
  }
}

// ---- IEEE 519-2014 ----

double IeeeVoltageHarmonicLimit(int) {
  return kIeeeVoltageHarmonicLimit;
}

void Judge::Ieee519() {
  ThdRows("ieee519", "ieee519.voltage.thd.", kIeeeVoltageThdLimit);
  VoltageHarmonicRows("ieee519", "ieee519.voltage.harmonic.", kLastHarmonic,
                      IeeeVoltageHarmonicLimit);
  const std::vector<size_t> currents = CurrentSlots();
  if (currents.empty()) {
    NotAssessed(Row("ieee519", "ieee519.current", "current distortion", "", "%"),
                m_m.family == Family::kSinglePhase
                    ? "no channel of the log measures a current"
                    : "the " + m_facts.logTypeName + " records no current harmonics");
  }
  for (size_t s : currents) CurrentRows(s);
}

void Judge::CurrentRows(size_t s) {
  const SlotMeasurements& sm = m_m.slots[s];
  const std::string phase = Phase(s);
  auto notAssessed = [&](const std::string& reason) {
    NotAssessed(Row("ieee519", "ieee519.current." + phase, "current distortion", phase, "%"),
                reason);
  };
  if (!sm.currentHarmonics) {
    notAssessed("the " + m_facts.logTypeName + " records no current harmonics");
    return;
  }
  if (!m_options.isc) {
    notAssessed(
        "needs the short-circuit current Isc at the point of common coupling, which was not "
        "given; IL is then the one given or the largest 15-minute mean of the fundamental "
        "current");
    return;
  }
  if (!sm.il) {
    notAssessed("IL cannot be derived: no 15-minute mean of the fundamental current (" +
                sm.currentSources.Text() + ") is above 0, and none was given");
    return;
  }
  CurrentBasis& basis = m_result.currentBasis.emplace_back();
  basis.phase = phase;
  basis.isc = *m_options.isc;
  basis.il = *sm.il;
  basis.ilDerived = sm.ilDerived;
  basis.ilWindow = sm.ilWindow;
  basis.ratio = basis.isc / basis.il;
  const IeeeCurrentRow& row = IeeeRowFor(basis.ratio);
  basis.row = row.text;
  std::string ilText = "IL = " + Readable(basis.il) + " A";
  ilText += basis.ilDerived
                ? " (derived: the largest 15-minute mean of " + sm.currentSources.Text() +
                      ", from " + IsoTime(*basis.ilWindow) + ")"
                : " (given)";
  const std::string rowText = "Isc/IL = " + Readable(basis.ratio) + ", Table 2 row " + row.text;
  {
    Criterion& c =
        Row("ieee519", "ieee519.current.tdd." + phase, "total demand distortion (TDD)", phase, "%");
    Percentile(c, sm.tdd, row.tdd, "tdd." + phase,
               "100 x sqrt(sum of harmonics 2 to 50 squared) / IL of " +
                   sm.currentHarmonicSources.Text() + "; " + ilText + "; " + rowText);
  }
  for (int h = kFirstHarmonic; h <= kLastHarmonic; ++h) {
    Criterion& c = Row("ieee519", HarmonicKey("ieee519.current.harmonic.", h, phase),
                       "harmonic current " + std::to_string(h), phase, "%");
    c.harmonic = h;
    Percentile(c, sm.currentHarmonic[static_cast<size_t>(h - kFirstHarmonic)],
               IeeeCurrentHarmonicLimit(row, h), HarmonicKey("current.harmonic.", h, phase),
               "100 x harmonic / IL of " + sm.currentHarmonicSources.Text() + "; " + ilText + "; " +
                   rowText);
  }
}

// ---- Informative rows ----

void Judge::Informative() {
  {
    Criterion& c = Row("info", "info.power_factor", "power factor", "", "");
    c.statistic = "mean of the records";
    c.limit = "informative";
    if (m_m.powerFactorSources.Empty()) {
      NotAssessed(c, "the " + m_facts.logTypeName + " records no power factor");
    } else if (Summarize(c, m_m.powerFactor, "no valid power factor in the survey")) {
      double sum = 0;
      for (double v : m_m.powerFactor) sum += v;
      c.value = sum / static_cast<double>(m_m.powerFactor.size());
      Finish(c, assess::Verdict::kInfo, "every record's " + m_m.powerFactorSources.Text());
    }
  }
  {
    Criterion& c = Row("info", "info.energy", "active energy", "", "Wh");
    c.statistic = "last minus first counter value";
    c.limit = "informative";
    if (m_m.energySources.Empty()) {
      NotAssessed(c, "the " + m_facts.logTypeName + " records no energy counter");
    } else if (!m_m.energy) {
      NotAssessed(c, "no valid energy counter value in the survey");
    } else {
      c.count = m_m.energyCounters;
      c.value = m_m.energy;
      std::string note =
          "the last minus the first value of the " + m_m.energySources.Text() + " counter";
      if (m_m.energySegments > 1)
        note += ", summed over the " + std::to_string(m_m.energySegments) +
                " runs of records from one log (each log counts afresh)";
      Finish(c, assess::Verdict::kInfo, note);
    }
  }
  {
    Criterion& c = Row("info", "info.demand", "demand (active power)", "", "W");
    c.statistic = "largest 15-minute mean";
    c.limit = "informative";
    c.seriesKey = "demand";
    if (m_m.powerSources.Empty()) {
      NotAssessed(c, "the " + m_facts.logTypeName + " records no active power");
    } else if (Summarize(c, m_m.demand.values, "no valid active power in the survey")) {
      c.value = c.max;
      const auto at = std::max_element(m_m.demand.values.begin(), m_m.demand.values.end());
      AddSeries(c.seriesKey, c, kDemandSeconds, m_m.demand);
      Finish(c, assess::Verdict::kInfo,
             "15-minute means of " + m_m.powerSources.Text() + "; the largest from " +
                 IsoTime(m_m.demand.starts[static_cast<size_t>(at - m_m.demand.values.begin())]));
    }
  }
}

void Judge::Profiles() {
  for (size_t s = 0; s < kSlots; ++s) {
    const SlotMeasurements& sm = m_m.slots[s];
    for (bool current : {false, true}) {
      const auto& series = current ? sm.currentHarmonic : sm.harmonic;
      if (current ? !sm.il || !m_options.isc || !sm.currentHarmonics : !sm.voltageHarmonics)
        continue;
      HarmonicProfile& profile = m_result.harmonics.emplace_back();
      profile.phase = Phase(s);
      profile.current = current;
      for (size_t h = 0; h < kHarmonicCount; ++h) {
        std::vector<double> values = series[h].values;
        profile.p95[h] = NearestRankPercentile(values, kPercentile).value_or(kNaN);
      }
    }
  }
}

void Judge::ChartedSeries() {
  AddSeries("frequency", "power frequency", "", "Hz", 0, m_m.frequencyTimes, m_m.frequency);
  for (size_t s = 0; s < kSlots; ++s) {
    const SlotMeasurements& sm = m_m.slots[s];
    if (sm.measuresVoltage) {
      AddSeries("voltage." + Phase(s), "supply voltage", Phase(s), "V", kWindowSeconds,
                sm.voltage.starts, sm.voltage.values);
      AddSeries("thd." + Phase(s), "voltage THD", Phase(s), "%", kWindowSeconds, sm.thd.starts,
                sm.thd.values);
    }
    if (!sm.tdd.values.empty())
      AddSeries("tdd." + Phase(s), "total demand distortion (TDD)", Phase(s), "%", kWindowSeconds,
                sm.tdd.starts, sm.tdd.values);
  }
}

void Judge::Verdict() {
  bool passed = false, failed = false;
  for (const Criterion& c : m_result.criteria) {
    passed = passed || c.verdict == assess::Verdict::kPass;
    failed = failed || c.verdict == assess::Verdict::kFail;
  }
  m_result.verdict = failed   ? assess::Verdict::kFail
                     : passed ? assess::Verdict::kPass
                              : assess::Verdict::kNotAssessed;
}

}  // namespace

void JudgeMeasurements(const Measurements& m, const AssessOptions& options,
                       AssessmentResult& result) {
  Judge judge(m, options, result);
  if (options.en50160) judge.En50160();
  if (options.ieee519) judge.Ieee519();
  judge.Informative();
  judge.ChartedSeries();
  judge.Profiles();
  judge.Verdict();
}

}  // namespace assess
