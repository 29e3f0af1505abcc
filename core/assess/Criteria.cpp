// The criteria of EN 50160, IEEE 519-2014 and ANSI C84.1 judged on a survey's measurements, period
// by period, against the limits of the survey's voltage class, with the rows that cannot be
// judged and why, the informative rows, the overall verdict and what makes it indicative.

#include <algorithm>
#include <cmath>
#include <limits>

#include "Measurements.h"
#include "PeriodRules.h"
#include "text/DecimalText.h"
#include "text/TimeText.h"

namespace assess {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Readable(double value) {
  return ReadableDecimal(value, 3);
}

std::string Judged(double value) {
  return JudgedText(value);
}

std::string IsoTime(int64_t seconds) {
  return TimeText(seconds, TimeStyle::kIso);
}

std::string Minutes(int64_t seconds) {
  return TimeText(seconds, TimeStyle::kIsoSpace).substr(0, 16);
}

// nominal x (1 + percent / 100), formed so that whole-numbered limits stay exact (230 V - 10 %
// is 207 V exactly).
double Edge(double nominal, double percent) {
  return nominal + nominal * percent / 100;
}

std::string HarmonicKey(const char* prefix, int h, const std::string& phase) {
  return std::string(prefix) + std::to_string(h) + "." + phase;
}

// The id of rule `rule` for phase `phase`, harmonic `h` (0: none) and statistic `statistic`.
CriterionId Id(Rule rule, const std::string& phase = {}, int h = 0,
               IdStatistic statistic = IdStatistic::kWeekly95) {
  return CriterionId{rule, h, phase, statistic};
}

// What a weekly or daily statistic is, for a row's `statistic`.
struct StatisticKind {
  int percent;
  bool daily;
  IdStatistic id;  // its part of the id
  double factor;   // of the table's limit
};
constexpr StatisticKind kWeekly95 = {kPercentile, false, IdStatistic::kWeekly95, 1};

std::string StatisticText(const StatisticKind& k) {
  return std::to_string(k.percent) + "th percentile of each " +
         (k.daily ? std::string("day's records") : std::string("week's 10-minute values"));
}

class Judge {
 public:
  Judge(const Measurements& m, const AssessOptions& options, AssessmentResult& result)
      : m_m(m), m_options(options), m_result(result), m_facts(result.survey) {}

  void En50160();
  void Ieee519();
  void Ansi();
  void Unbalance();
  void Informative();
  void Profiles();
  // The series a report charts whichever standards were chosen: frequency, voltage, THD and TDD.
  void ChartedSeries();
  void Notes();
  void Indicative();
  void Verdict();

 private:
  std::string Phase(size_t s) const { return SlotName(m_m.family, static_cast<int>(s)); }
  std::vector<size_t> VoltageSlots() const;
  std::vector<size_t> CurrentSlots() const;

  Criterion& Row(const CriterionId& id, std::string quantity, Unit unit);
  void NotAssessed(Criterion& c, const std::string& reason);
  // Not assessed until Un is declared: the row says what the records suggest.
  void WantsNominalVoltage(Criterion& c, const std::string& what);
  // The survey's statistics of the values; false (and the row not assessed) without any.
  bool Summarize(Criterion& c, const std::vector<double>& values, const std::string& empty);
  void Finish(Criterion& c, const std::string& note);
  void AddSeries(const std::string& key, const std::string& quantity, const std::string& phase,
                 Unit unit, int64_t window, const std::vector<int64_t>& times,
                 const std::vector<double>& values);
  void AddSeries(const std::string& key, const Criterion& c, int64_t window,
                 const WindowSeries& series) {
    AddSeries(key, c.quantity, c.phase, c.unit, window, series.starts, series.values);
  }
  // A row judged on the weekly percentile of 10-minute values against an upper limit.
  void Percentile(Criterion& c, const WindowSeries& series, const StatisticKind& kind, double limit,
                  const std::string& limitText, const std::string& key, const std::string& source);
  // A row judged on the daily 99th percentile of the records against an upper limit.
  void Daily(Criterion& c, const DailySeries& series, const StatisticKind& kind, double limit,
             const std::string& limitText, const std::string& source);

  // EN 50160: whether its limits apply to the survey's class (false: the row is not assessed).
  bool EnApplies(Criterion& c, bool needsClassLimits);
  std::string EnRow() const;
  void EnFrequency();
  void EnVoltage();
  void EnThd();
  void EnHarmonics();
  void EnUnbalance();
  void EnInterruptions();
  void EnNotRecorded();

  bool IeeeApplies(Criterion& c);
  void IeeeVoltage(size_t s);
  void IeeeCurrent(size_t s);
  bool SettleCurrentBasis();

  const Measurements& m_m;
  const AssessOptions& m_options;
  AssessmentResult& m_result;
  const SurveyFacts& m_facts;
};

std::vector<size_t> Judge::VoltageSlots() const {
  std::vector<size_t> slots;
  for (size_t s = 0; s < kSlots; ++s)
    if (m_m.slots[s].measuresVoltage && m_m.slots[s].reference.judged) slots.push_back(s);
  return slots;
}

std::vector<size_t> Judge::CurrentSlots() const {
  std::vector<size_t> slots;
  for (size_t s = 0; s < kSlots; ++s)
    if (m_m.slots[s].measuresCurrent) slots.push_back(s);
  return slots;
}

Criterion& Judge::Row(const CriterionId& id, std::string quantity, Unit unit) {
  Criterion& c = m_result.criteria.emplace_back();
  c.standard = StandardKey(StandardOf(id.rule));
  c.id = IdText(id);
  c.quantity = std::move(quantity);
  c.phase = std::string(id.phase);
  c.unit = unit;
  return c;
}

void Judge::NotAssessed(Criterion& c, const std::string& reason) {
  c.verdict = assess::Verdict::kNotAssessed;
  c.value.reset();
  c.note = reason;
}

void Judge::WantsNominalVoltage(Criterion& c, const std::string& what) {
  std::string note = "declare the nominal voltage Un: " + what;
  if (m_facts.nominalVoltageSuggested)
    note += "; the records suggest " + Readable(*m_facts.nominalVoltageSuggested) + " V";
  NotAssessed(c, note);
  c.missingInput = "nominal_voltage";
}

bool Judge::Summarize(Criterion& c, const std::vector<double>& values, const std::string& empty) {
  static_assert(kPercentile == 95, "a summary's percentile is the 95th: the method's");
  const Summary s = assess::Summarize(values);
  c.count = s.count;
  c.min = s.min;
  c.max = s.max;
  c.p95 = s.p95;
  if (s.count > 0) return true;
  NotAssessed(c, empty);
  return false;
}

void Judge::Finish(Criterion& c, const std::string& note) {
  c.note = note;
}

void Judge::AddSeries(const std::string& key, const std::string& quantity, const std::string& phase,
                      Unit unit, int64_t window, const std::vector<int64_t>& times,
                      const std::vector<double>& values) {
  if (key.empty() || values.empty() || m_result.FindSeries(key)) return;
  Series& s = m_result.series.emplace_back();
  s.key = key;
  s.quantity = quantity;
  s.phase = phase;
  s.unit = unit;
  s.windowSeconds = window;
  s.times = times;
  s.values = values;
}

void Judge::Percentile(Criterion& c, const WindowSeries& series, const StatisticKind& kind,
                       double limit, const std::string& limitText, const std::string& key,
                       const std::string& source) {
  c.statistic = StatisticText(kind);
  c.idStatistic = kind.id;
  c.limit = StatisticText(kind) + " <= " + Readable(limit) + " " + UnitSymbol(c.unit) + " (" +
            limitText + ")";
  c.seriesKey = key;
  c.bands = {{-kInfinity, limit, "limit"}};
  if (!Summarize(c, series.values, "no valid value in the survey (" + source + ")")) return;
  AddSeries(key, c, kWindowSeconds, series);
  if (!SettleFromPeriods(c, PercentilePeriods(m_facts.periods, series.starts, series.values,
                                              kind.percent, limit))) {
    NotAssessed(c, "no valid value in the survey (" + source + ")");
    return;
  }
  Finish(c, "10-minute values from " + source);
}

void Judge::Daily(Criterion& c, const DailySeries& series, const StatisticKind& kind, double limit,
                  const std::string& limitText, const std::string& source) {
  c.statistic = StatisticText(kind);
  c.idStatistic = kind.id;
  c.limit = StatisticText(kind) + " <= " + Readable(limit) + " " + UnitSymbol(c.unit) + " (" +
            limitText + ")";
  c.bands = {{-kInfinity, limit, "limit"}};
  c.count = series.count;
  c.min = series.min;
  c.max = series.max;
  if (!SettleFromPeriods(c, GivenPeriods(m_facts.days, series.counts, series.p99, limit))) {
    NotAssessed(c, "no valid value in the survey (" + source + ")");
    return;
  }
  std::string note = "every record's value from " + source;
  if (m_m.dailyFromRecords) {
    c.indicative = true;
    note += "; the records, " + Readable(m_facts.intervalS.value_or(0)) +
            " s apart, stand in for IEEE 519's very-short-time (3-second) values, so the row is "
            "indicative";
  }
  Finish(c, note);
}

// ---- EN 50160 ----

std::string Judge::EnRow() const {
  return std::string(kEnEdition) + ", " +
         (m_facts.voltageClass ? ClassName(*m_facts.voltageClass) : "class unknown");
}

bool Judge::EnApplies(Criterion& c, bool needsClassLimits) {
  if (m_facts.systemVoltage && *m_facts.systemVoltage > kEnHighVoltageMax) {
    NotAssessed(c, "EN 50160 covers networks up to 150 kV between phases; this one is " +
                       Readable(*m_facts.systemVoltage / 1000) + " kV");
    return false;
  }
  if (!needsClassLimits) return true;
  if (!m_facts.voltageClass) {
    WantsNominalVoltage(c, "the limit depends on the voltage class");
    return false;
  }
  if (!EnLimitsFor(*m_facts.voltageClass).limits) {
    NotAssessed(c, std::string(kEnEdition) +
                       " gives only indicative values for high-voltage networks, no limits; "
                       "agree them with the network operator");
    return false;
  }
  return true;
}

void Judge::En50160() {
  EnFrequency();
  EnVoltage();
  EnThd();
  EnHarmonics();
  EnUnbalance();
  EnInterruptions();
  EnNotRecorded();
  if (m_facts.nominalFrequency == 60.0) {
    for (Criterion& c : m_result.criteria)
      if (c.standard == StandardKey(Standard::kEn50160) &&
          c.verdict != assess::Verdict::kNotAssessed)
        c.note += "; EN 50160 describes 50 Hz public networks and this supply is 60 Hz";
  }
}

void Judge::EnFrequency() {
  const std::optional<double>& fn = m_facts.nominalFrequency;
  Criterion& c = Row(Id(Rule::kEnFrequency), "power frequency (Hz)", Unit::kPercent);
  c.statistic = "percent of each week's records within Fn +/-1 %";
  c.seriesKey = "frequency";
  if (m_m.frequencySources.Empty()) {
    NotAssessed(c, "the " + m_facts.logTypeName + " records no frequency");
    return;
  }
  if (!fn) {
    NotAssessed(c, "no valid frequency value to infer Fn from; declare it");
    return;
  }
  if (!EnApplies(c, false)) return;
  if (!Summarize(c, m_m.frequency, "no valid frequency value in the survey")) return;
  const ShareBand& in = kEnFrequencyBand;
  const ShareBand& out = kEnFrequencyOuterBand;
  const LimitBand inner = {Edge(*fn, in.lowPercent), Edge(*fn, in.highPercent),
                           Readable(in.share) + " % of the records"};
  const LimitBand outer = {Edge(*fn, out.lowPercent), Edge(*fn, out.highPercent), "all records"};
  c.bands = {inner, outer};
  c.limit = Readable(in.share) + " % of each week's records within " + Readable(inner.low) +
            " to " + Readable(inner.high) + " Hz, all within " + Readable(outer.low) + " to " +
            Readable(outer.high) + " Hz (" + kEnEdition +
            ", power frequency, synchronous connection)";
  SettleFromPeriods(c, SharePeriods(m_facts.periods, m_m.frequencyTimes, m_m.frequency,
                                    {inner.low, inner.high, in.share, outer.low, outer.high}));
  AddSeries(c.seriesKey, "power frequency", "", Unit::kHertz, 0, m_m.frequencyTimes, m_m.frequency);
  Finish(c, "every record's value of " + m_m.frequencySources.Text() +
                "; min, max and 95th percentile in Hz");
}

void Judge::EnVoltage() {
  const std::vector<size_t> voltages = VoltageSlots();
  if (voltages.empty()) {
    Criterion& c = Row(Id(Rule::kEnVoltage), "supply voltage (V)", Unit::kPercent);
    NotAssessed(c, "no channel of the log measures a voltage that is judged");
  }
  for (size_t s : voltages) {
    const SlotMeasurements& sm = m_m.slots[s];
    Criterion& c = Row(Id(Rule::kEnVoltage, Phase(s)), "supply voltage (V)", Unit::kPercent);
    c.statistic = "percent of each week's 10-minute values within Un +/-10 %";
    c.seriesKey = "voltage." + Phase(s);
    const std::string source = sm.voltageSources.Text();
    if (!m_facts.nominalVoltage) {
      WantsNominalVoltage(c, "the band is a share of Un");
      continue;
    }
    if (!EnApplies(c, false)) continue;
    if (m_facts.voltageClass && !EnLimitsFor(*m_facts.voltageClass).limits) {
      NotAssessed(c, std::string(kEnEdition) +
                         " sets no limits for the supply voltage variations of high-voltage "
                         "networks; agree them with the network operator");
      continue;
    }
    if (!Summarize(c, sm.voltage.values, "no valid value of " + source + " in the survey"))
      continue;
    const EnClassLimits& limits = EnLimitsFor(*m_facts.voltageClass);
    const double reference = *m_facts.nominalVoltage * sm.reference.factor;
    const ShareBand& in = limits.voltageBand;
    const ShareBand& out = limits.voltageOuterBand;
    const LimitBand inner = {Edge(reference, in.lowPercent), Edge(reference, in.highPercent),
                             Readable(in.share) + " % of the values"};
    const LimitBand outer = {Edge(reference, out.lowPercent), Edge(reference, out.highPercent),
                             "all values"};
    c.bands = {inner, outer};
    c.limit = Readable(in.share) + " % of each week's 10-minute values within " +
              Readable(inner.low) + " to " + Readable(inner.high) + " V, all within " +
              Readable(outer.low) + " to " + Readable(outer.high) + " V (" + EnRow() +
              ", supply voltage variations)";
    SettleFromPeriods(c, SharePeriods(m_facts.periods, sm.voltage.starts, sm.voltage.values,
                                      {inner.low, inner.high, in.share, outer.low, outer.high}));
    AddSeries(c.seriesKey, "supply voltage", Phase(s), Unit::kVolt, kWindowSeconds,
              sm.voltage.starts, sm.voltage.values);
    std::string note = "10-minute values from " + source + "; min, max and 95th percentile in V";
    if (!sm.reference.factorText.empty())
      note += "; measured between two phases, so judged against " + sm.reference.factorText +
              " = " + Readable(reference) + " V";
    if (m_facts.windowsLeftOut)
      note += "; " + std::to_string(m_facts.windowsLeftOut) +
              " 10-minute windows holding an interruption left out";
    Finish(c, note);
  }
}

void Judge::EnThd() {
  for (size_t s : VoltageSlots()) {
    const SlotMeasurements& sm = m_m.slots[s];
    Criterion& c = Row(Id(Rule::kEnThd, Phase(s)), "voltage THD", Unit::kPercent);
    c.statistic = StatisticText(kWeekly95);
    if (sm.thdSources.Empty()) {
      NotAssessed(c, "the " + m_facts.logTypeName + " records neither harmonics nor a THD");
      continue;
    }
    if (!EnApplies(c, true)) continue;
    std::string source = sm.thdSources.Text();
    if (sm.recordedThdOnly)
      source +=
          " (the recorded THD is the residual over the RMS value, as the instrument gives it)";
    Percentile(c, sm.thd, kWeekly95, EnLimitsFor(*m_facts.voltageClass).thd,
               EnRow() + ", harmonic voltage", "thd." + Phase(s), source);
  }
}

void Judge::EnHarmonics() {
  for (size_t s : VoltageSlots()) {
    const SlotMeasurements& sm = m_m.slots[s];
    const std::string group = "harmonic voltages 2 to " + std::to_string(kLastEnHarmonic);
    if (!sm.voltageHarmonics) {
      NotAssessed(Row(Id(Rule::kEnHarmonic, Phase(s)), group, Unit::kPercent),
                  "the " + m_facts.logTypeName + " records no individual harmonics");
      continue;
    }
    Criterion probe;
    if (!EnApplies(probe, true)) {
      Criterion& c = Row(Id(Rule::kEnHarmonic, Phase(s)), group, Unit::kPercent);
      c.note = probe.note;
      c.missingInput = probe.missingInput;
      continue;
    }
    for (int h = kFirstHarmonic; h <= kLastEnHarmonic; ++h) {
      Criterion& c = Row(Id(Rule::kEnHarmonic, Phase(s), h),
                         "harmonic voltage " + std::to_string(h), Unit::kPercent);
      c.harmonic = h;
      Percentile(c, sm.harmonic[static_cast<size_t>(h - kFirstHarmonic)], kWeekly95,
                 EnHarmonicLimit(h), EnRow() + ", harmonic voltage table",
                 HarmonicKey("harmonic.", h, Phase(s)),
                 "100 x harmonic / fundamental of " + sm.harmonicSources.Text());
    }
  }
}

void Judge::EnUnbalance() {
  Criterion& c =
      Row(Id(Rule::kEnUnbalance), "voltage unbalance u2 (negative sequence)", Unit::kPercent);
  if (m_m.family != Family::kThreePhase) {
    NotAssessed(c, "a single-phase survey has no three-phase voltages");
  } else if (!m_m.lineVoltagesMeasured && !m_m.phasors && m_m.vectorLogReadPlain) {
    NotAssessed(c,
                "the Three Phase Vector Log was read without its vector layout (data format "
                "1): read it with data format 256 to judge the unbalance from its phasors");
  } else if (!m_m.phasors) {
    NotAssessed(c, "the " + m_facts.logTypeName +
                       " records no voltage phasors (a Three Phase Vector Log read with its "
                       "vector layout does)");
  } else if (EnApplies(c, true)) {
    Percentile(c, m_m.unbalance, kWeekly95, EnLimitsFor(*m_facts.voltageClass).unbalance,
               EnRow() + ", supply voltage unbalance", "unbalance",
               "u2 = 100 x |V-| / |V+| of each record's voltage phasors");
  }
}

void Judge::EnInterruptions() {
  Criterion& c = Row(Id(Rule::kEnInterruptions), "long supply interruptions", Unit::kNone);
  c.statistic = "number of long interruptions (3 minutes or more)";
  c.limit =
      "informative: EN 50160 gives only indicative numbers a year (from fewer than 10 to "
      "50, depending on the area)";
  const double interval = m_facts.intervalS.value_or(0);
  if (!m_facts.nominalVoltage) {
    NotAssessed(c, "an interruption is a voltage below 5 % of Un: declare the nominal voltage");
    return;
  }
  if (VoltageSlots().empty()) {
    NotAssessed(c, "no channel of the log measures a voltage that is judged");
    return;
  }
  if (interval > kInterruptionInterval) {
    NotAssessed(c, "the records are " + Readable(interval) +
                       " s apart; timing a long interruption (3 minutes or more) needs records "
                       "at most 60 s apart. Short interruptions need the RMS voltage over each "
                       "half cycle");
    return;
  }
  c.value = static_cast<double>(m_facts.interruptions.size());
  c.count = m_facts.interruptions.size();
  c.verdict = assess::Verdict::kInfo;
  std::string note = "records below 5 % of Un on every judged voltage, 3 minutes or more";
  for (size_t i = 0; i < m_facts.interruptions.size(); ++i) {
    const TimeSpan& t = m_facts.interruptions[i];
    note += i == 0 ? ": " : ", ";
    if (i == 5) {
      note += "and " + std::to_string(m_facts.interruptions.size() - 5) + " more";
      break;
    }
    note += "from " + IsoTime(t.start) + " for " + DurationText(static_cast<double>(t.Seconds()));
  }
  note += "; short interruptions need the RMS voltage over each half cycle";
  Finish(c, note);
}

void Judge::EnNotRecorded() {
  struct NotRecorded {
    Rule rule;
    const char* quantity;
    const char* reason;
  };
  static constexpr NotRecorded kNotRecorded[] = {
      {Rule::kEnDips, "voltage dips",
       "needs the RMS voltage over each half cycle; a log holds one value per record"},
      {Rule::kEnSwells, "temporary overvoltages (swells)",
       "needs the RMS voltage over each half cycle; a log holds one value per record"},
      {Rule::kEnRapidVoltageChanges, "rapid voltage changes",
       "needs the RMS voltage over each half cycle; a log holds one value per record"},
      {Rule::kEnFlicker, "flicker severity (Plt)", "the logs record no flicker values (Pst, Plt)"},
      {Rule::kEnMainsSignalling, "mains signalling voltages",
       "needs the 3-second values of the signalling frequencies, which the logs do not record"},
  };
  for (const NotRecorded& row : kNotRecorded)
    NotAssessed(Row(Id(row.rule), row.quantity, Unit::kNone), row.reason);
}

// ---- Unbalance rates (informative, with EN 50160 or ANSI C84.1) ----

void Judge::Unbalance() {
  const bool three = m_m.family == Family::kThreePhase;
  const bool allPhases = three && VoltageSlots().size() == kSlots;
  {
    Criterion& n = Row(Id(Rule::kNemaLvur), "line voltage unbalance rate (LVUR)", Unit::kPercent);
    n.statistic = "95th percentile of the 10-minute values";
    n.limit = "informative";
    n.seriesKey = "lvur";
    if (!allPhases) {
      NotAssessed(n, three ? "needs all three phases of a three-phase supply"
                           : "a single-phase survey has no three-phase voltages");
    } else if (!m_m.lineVoltagesMeasured && !m_m.phasors) {
      NotAssessed(n,
                  "needs the voltages between phases: the log records phase-to-neutral voltages "
                  "without phasors (the phase voltage unbalance rate is given instead)");
    } else if (Summarize(n, m_m.lvur.values, "no record holds all three voltages")) {
      n.value = n.p95;
      n.verdict = assess::Verdict::kInfo;
      AddSeries(n.seriesKey, n, kWindowSeconds, m_m.lvur);
      Finish(n, std::string("100 x the largest deviation of a voltage between phases from the "
                            "mean of the three, over that mean, from ") +
                    (m_m.lineVoltagesMeasured
                         ? "the phase voltages, measured between phases (delta)"
                         : "the voltages between phases formed from the voltage phasors"));
    }
  }
  if (!allPhases || m_m.lineVoltagesMeasured) return;
  Criterion& p = Row(Id(Rule::kInfoPvur), "phase voltage unbalance rate (PVUR)", Unit::kPercent);
  p.statistic = "95th percentile of the 10-minute values";
  p.limit = "informative";
  p.seriesKey = "pvur";
  if (Summarize(p, m_m.pvur.values, "no record holds all three phase voltages")) {
    p.value = p.p95;
    p.verdict = assess::Verdict::kInfo;
    AddSeries(p.seriesKey, p, kWindowSeconds, m_m.pvur);
    Finish(p,
           "100 x the largest deviation of a phase-to-neutral voltage from the mean of the three, "
           "over that mean, from " +
               m_m.slots[0].voltageSources.Text() + " and the other phases");
  }
}

// ---- IEEE 519-2014 ----

bool Judge::IeeeApplies(Criterion& c) {
  if (m_facts.systemVoltage) return true;
  WantsNominalVoltage(c, "the limits depend on the bus voltage (IEEE 519 Table 1 to Table 4)");
  return false;
}

void Judge::Ieee519() {
  for (size_t s : VoltageSlots()) IeeeVoltage(s);
  const std::vector<size_t> currents = CurrentSlots();
  if (currents.empty()) {
    NotAssessed(Row(Id(Rule::kIeeeCurrent), "current distortion", Unit::kPercent),
                m_m.family == Family::kSinglePhase
                    ? "no channel of the log measures a current"
                    : "the " + m_facts.logTypeName + " records no current harmonics");
  }
  const bool basis = SettleCurrentBasis();
  for (size_t s : currents) {
    if (basis || !m_m.slots[s].currentHarmonics) {
      IeeeCurrent(s);
      continue;
    }
    // The reason the basis could not be settled, once per phase.
    Criterion& c = Row(Id(Rule::kIeeeCurrent, Phase(s)), "current distortion", Unit::kPercent);
    if (!IeeeApplies(c)) continue;
    if (*m_facts.systemVoltage < kIeeeCurrentMinVoltage) {
      NotAssessed(c, "IEEE 519's current tables start at systems rated 120 V; this one is " +
                         Readable(*m_facts.systemVoltage) + " V");
    } else if (!m_options.isc) {
      NotAssessed(c,
                  "needs the short-circuit current Isc at the point of common coupling, which "
                  "was not declared; IL is then the one given or the largest 15-minute mean of "
                  "the fundamental current");
      c.missingInput = "isc";
    } else {
      NotAssessed(c,
                  "IL cannot be derived: no 15-minute mean of the fundamental current is "
                  "above 0, and none was given");
    }
  }
}

void Judge::IeeeVoltage(size_t s) {
  const SlotMeasurements& sm = m_m.slots[s];
  const std::string phase = Phase(s);
  const StatisticKind daily = {kHighPercentile, true, IdStatistic::kDaily99,
                               kIeeeVoltageDaily99Factor};
  {
    Criterion& c = Row(Id(Rule::kIeeeVoltageThd, phase), "voltage THD", Unit::kPercent);
    c.statistic = StatisticText(kWeekly95);
    if (sm.ieeeThdSources.Empty()) {
      NotAssessed(c, "the " + m_facts.logTypeName + " records neither harmonics nor a THD");
    } else if (IeeeApplies(c)) {
      const IeeeVoltageRow& row = IeeeVoltageRowFor(*m_facts.systemVoltage);
      const std::string table = std::string(kIeeeEdition) + " Table 1, " + row.text;
      std::string source = sm.ieeeThdSources.Text();
      if (sm.recordedThdOnly)
        source +=
            " (the recorded THD is the residual over the RMS value, as the instrument "
            "gives it)";
      Percentile(c, sm.ieeeThd, kWeekly95, row.thd, table, "ieee_thd." + phase, source);
      Criterion& d = Row(Id(Rule::kIeeeVoltageThd, phase, 0, IdStatistic::kDaily99), "voltage THD",
                         Unit::kPercent);
      Daily(d, sm.dailyThd, daily, daily.factor * row.thd,
            Readable(daily.factor) + " x " + Readable(row.thd) + " %, " + table, source);
    }
  }
  const std::string group = "harmonic voltages 2 to " + std::to_string(kLastHarmonic);
  if (!sm.voltageHarmonics) {
    NotAssessed(Row(Id(Rule::kIeeeVoltageHarmonic, phase), group, Unit::kPercent),
                "the " + m_facts.logTypeName + " records no individual harmonics");
    return;
  }
  Criterion probe;
  if (!IeeeApplies(probe)) {
    Criterion& c = Row(Id(Rule::kIeeeVoltageHarmonic, phase), group, Unit::kPercent);
    c.note = probe.note;
    c.missingInput = probe.missingInput;
    return;
  }
  const IeeeVoltageRow& row = IeeeVoltageRowFor(*m_facts.systemVoltage);
  const std::string table = std::string(kIeeeEdition) + " Table 1, " + row.text;
  const std::string source = "100 x harmonic / fundamental of " + sm.harmonicSources.Text();
  for (const StatisticKind& kind : {kWeekly95, daily}) {
    for (int h = kFirstHarmonic; h <= kLastHarmonic; ++h) {
      const auto i = static_cast<size_t>(h - kFirstHarmonic);
      Criterion& c = Row(Id(Rule::kIeeeVoltageHarmonic, phase, h, kind.id),
                         "harmonic voltage " + std::to_string(h), Unit::kPercent);
      c.harmonic = h;
      if (kind.daily) {
        Daily(c, sm.dailyHarmonic[i], kind, kind.factor * row.individual,
              Readable(kind.factor) + " x " + Readable(row.individual) + " %, " + table, source);
      } else {
        Percentile(c, sm.harmonic[i], kind, row.individual, table,
                   HarmonicKey("harmonic.", h, phase), source);
      }
    }
  }
}

bool Judge::SettleCurrentBasis() {
  if (!m_options.isc || !m_m.il || !m_facts.systemVoltage ||
      *m_facts.systemVoltage < kIeeeCurrentMinVoltage)
    return false;
  CurrentBasis& basis = m_result.currentBasis.emplace();
  basis.isc = *m_options.isc;
  basis.il = *m_m.il;
  basis.ilDerived = m_m.ilDerived;
  basis.ilWindow = m_m.ilWindow;
  if (m_m.ilSlot >= 0) basis.ilPhase = Phase(static_cast<size_t>(m_m.ilSlot));
  basis.ratio = basis.isc / basis.il;
  const IeeeCurrentTable& table = IeeeCurrentTableFor(*m_facts.systemVoltage);
  basis.table = table.text;
  basis.row = IeeeRowFor(table, basis.ratio).text;
  return true;
}

void Judge::IeeeCurrent(size_t s) {
  const SlotMeasurements& sm = m_m.slots[s];
  const std::string phase = Phase(s);
  if (!sm.currentHarmonics) {
    NotAssessed(Row(Id(Rule::kIeeeCurrent, phase), "current distortion", Unit::kPercent),
                "the " + m_facts.logTypeName + " records no current harmonics");
    return;
  }
  const CurrentBasis& basis = *m_result.currentBasis;
  const IeeeCurrentTable& table = IeeeCurrentTableFor(*m_facts.systemVoltage);
  const IeeeCurrentRow& row = IeeeRowFor(table, basis.ratio);
  std::string ilText = "IL = " + Readable(basis.il) + " A";
  ilText += basis.ilDerived
                ? " (derived: the largest 15-minute mean of the fundamental current of every " +
                      std::string(m_m.family == Family::kThreePhase ? "phase" : "channel") +
                      ", that of " +
                      m_m.slots[static_cast<size_t>(m_m.ilSlot)].currentSources.Text() + " from " +
                      IsoTime(*basis.ilWindow) + ")"
                : " (given)";
  const std::string tableName = std::string(table.text).substr(0, 7);  // "Table 2"
  const std::string rowText = std::string(kIeeeEdition) + " " + tableName + ", row " + row.text +
                              ", Isc/IL = " + Readable(basis.ratio);
  const StatisticKind kinds[] = {
      kWeekly95,
      {kHighPercentile, false, IdStatistic::kWeekly99, kIeeeCurrentWeekly99Factor},
      {kHighPercentile, true, IdStatistic::kDaily99, kIeeeCurrentDaily99Factor},
  };
  auto limitText = [&](const StatisticKind& k, double limit) {
    const std::string where = std::string(kIeeeEdition) + " " + tableName + ", " + row.text;
    return k.factor == 1 ? where : Readable(k.factor) + " x " + Readable(limit) + " %, " + where;
  };
  const std::string tddSource = "100 x sqrt(sum of harmonics 2 to 50 squared) / IL of " +
                                sm.currentHarmonicSources.Text() + "; " + ilText + "; " + rowText;
  for (const StatisticKind& k : kinds) {
    Criterion& c =
        Row(Id(Rule::kIeeeTdd, phase, 0, k.id), "total demand distortion (TDD)", Unit::kPercent);
    if (k.daily)
      Daily(c, sm.dailyTdd, k, k.factor * row.tdd, limitText(k, row.tdd), tddSource);
    else
      Percentile(c, sm.tdd, k, k.factor * row.tdd, limitText(k, row.tdd), "tdd." + phase,
                 tddSource);
  }
  for (const StatisticKind& k : kinds) {
    for (int h = kFirstHarmonic; h <= kLastHarmonic; ++h) {
      const auto i = static_cast<size_t>(h - kFirstHarmonic);
      Criterion& c = Row(Id(Rule::kIeeeCurrentHarmonic, phase, h, k.id),
                         "harmonic current " + std::to_string(h), Unit::kPercent);
      c.harmonic = h;
      const double limit = IeeeCurrentHarmonicLimit(row, h);
      const std::string source = "100 x harmonic / IL of " + sm.currentHarmonicSources.Text() +
                                 "; " + ilText + "; " + rowText;
      if (k.daily)
        Daily(c, sm.dailyCurrentHarmonic[i], k, k.factor * limit, limitText(k, limit), source);
      else
        Percentile(c, sm.currentHarmonic[i], k, k.factor * limit, limitText(k, limit),
                   HarmonicKey("current.harmonic.", h, phase), source);
    }
  }
}

// ---- ANSI C84.1 ----

void Judge::Ansi() {
  const std::vector<size_t> voltages = VoltageSlots();
  if (voltages.empty())
    NotAssessed(Row(Id(Rule::kAnsiVoltage), "service voltage (V)", Unit::kPercent),
                "no channel of the log measures a voltage that is judged");
  for (size_t s : voltages) {
    const SlotMeasurements& sm = m_m.slots[s];
    Criterion& c = Row(Id(Rule::kAnsiVoltage, Phase(s)), "service voltage (V)", Unit::kPercent);
    c.statistic = "percent of each week's 10-minute values within Range A";
    c.seriesKey = "voltage." + Phase(s);
    if (!m_facts.nominalVoltage) {
      WantsNominalVoltage(c, "the ranges are shares of the nominal voltage");
      continue;
    }
    if (*m_facts.systemVoltage > kAnsiMaxSystemVoltage) {
      NotAssessed(c, std::string("the ranges judged here are ") + kAnsiEdition +
                         "'s for systems up to 600 V; this one is " +
                         Readable(*m_facts.systemVoltage) + " V between phases");
      continue;
    }
    const std::string source = sm.voltageSources.Text();
    if (!Summarize(c, sm.voltage.values, "no valid value of " + source + " in the survey"))
      continue;
    const double reference = *m_facts.nominalVoltage * sm.reference.factor;
    const LimitBand a = {reference * kAnsiRangeALow, reference * kAnsiRangeAHigh, "Range A"};
    const LimitBand b = {reference * kAnsiRangeBLow, reference * kAnsiRangeBHigh, "Range B"};
    c.bands = {a, b};
    c.limit = "every 10-minute value within Range B, " + Judged(b.low) + " to " + Judged(b.high) +
              " V; the share within Range A, " + Judged(a.low) + " to " + Judged(a.high) +
              " V, is shown (" + kAnsiEdition + ", service voltage, systems up to 600 V)";
    SettleFromPeriods(c, RangePeriods(m_facts.periods, sm.voltage.starts, sm.voltage.values,
                                      {a.low, a.high, 0, b.low, b.high}));
    AddSeries(c.seriesKey, "supply voltage", Phase(s), Unit::kVolt, kWindowSeconds,
              sm.voltage.starts, sm.voltage.values);
    std::string note = "10-minute values from " + source +
                       "; the standard sets no share of time within Range A: a value outside "
                       "Range B fails";
    if (!sm.reference.factorText.empty())
      note += "; measured between two phases, so judged against " + sm.reference.factorText +
              " = " + Readable(reference) + " V";
    Finish(c, note);
  }
}

// ---- Informative rows ----

void Judge::Informative() {
  {
    Criterion& c = Row(Id(Rule::kInfoPowerFactor), "power factor", Unit::kNone);
    c.statistic = "mean of the records";
    c.limit = "informative";
    if (m_m.powerFactorSources.Empty()) {
      NotAssessed(c, "the " + m_facts.logTypeName + " records no power factor");
    } else if (Summarize(c, m_m.powerFactor, "no valid power factor in the survey")) {
      double sum = 0;
      for (double v : m_m.powerFactor) sum += v;
      c.value = sum / static_cast<double>(m_m.powerFactor.size());
      c.verdict = assess::Verdict::kInfo;
      Finish(c, "every record's " + m_m.powerFactorSources.Text());
    }
  }
  {
    Criterion& c = Row(Id(Rule::kInfoEnergy), "active energy", Unit::kWattHour);
    c.statistic = "last minus first counter value";
    c.limit = "informative";
    if (m_m.energySources.Empty()) {
      NotAssessed(c, "the " + m_facts.logTypeName + " records no energy counter");
    } else if (!m_m.energy) {
      NotAssessed(c, "no valid energy counter value in the survey");
    } else {
      c.count = m_m.energyCounters;
      c.value = m_m.energy;
      c.verdict = assess::Verdict::kInfo;
      std::string note =
          "the last minus the first value of the " + m_m.energySources.Text() + " counter";
      if (m_m.energySegments > 1)
        note += ", summed over the " + std::to_string(m_m.energySegments) +
                " runs of records from one log (each log counts afresh)";
      Finish(c, note);
    }
  }
  {
    Criterion& c = Row(Id(Rule::kInfoDemand), "demand (active power)", Unit::kWatt);
    c.statistic = "largest 15-minute mean";
    c.limit = "informative";
    c.seriesKey = "demand";
    if (m_m.powerSources.Empty()) {
      NotAssessed(c, "the " + m_facts.logTypeName + " records no active power");
    } else if (Summarize(c, m_m.demand.values, "no valid active power in the survey")) {
      c.value = c.max;
      c.verdict = assess::Verdict::kInfo;
      const auto at = std::max_element(m_m.demand.values.begin(), m_m.demand.values.end());
      AddSeries(c.seriesKey, c, kDemandSeconds, m_m.demand);
      Finish(c,
             "15-minute means of " + m_m.powerSources.Text() + "; the largest from " +
                 IsoTime(m_m.demand.starts[static_cast<size_t>(at - m_m.demand.values.begin())]));
    }
  }
}

// The bars of the harmonic charts: each harmonic's 95th percentile of its worst week.
void Judge::Profiles() {
  auto worstWeek = [&](const WindowSeries& series) {
    double worst = kNaN;
    for (const PeriodResult& p :
         PercentilePeriods(m_facts.periods, series.starts, series.values, kPercentile, kInfinity))
      if (p.value && !(*p.value <= worst)) worst = *p.value;
    return worst;
  };
  for (size_t s = 0; s < kSlots; ++s) {
    const SlotMeasurements& sm = m_m.slots[s];
    for (bool current : {false, true}) {
      if (current ? !m_result.currentBasis || !sm.currentHarmonics
                  : !sm.voltageHarmonics || !sm.reference.judged)
        continue;
      HarmonicProfile& profile = m_result.harmonics.emplace_back();
      profile.phase = Phase(s);
      profile.current = current;
      const auto& series = current ? sm.currentHarmonic : sm.harmonic;
      for (size_t h = 0; h < kHarmonicCount; ++h) profile.p95[h] = worstWeek(series[h]);
    }
  }
}

void Judge::ChartedSeries() {
  AddSeries("frequency", "power frequency", "", Unit::kHertz, 0, m_m.frequencyTimes, m_m.frequency);
  for (size_t s = 0; s < kSlots; ++s) {
    const SlotMeasurements& sm = m_m.slots[s];
    if (sm.measuresVoltage && sm.reference.judged) {
      AddSeries("voltage." + Phase(s), "supply voltage", Phase(s), Unit::kVolt, kWindowSeconds,
                sm.voltage.starts, sm.voltage.values);
      AddSeries("thd." + Phase(s), "voltage THD", Phase(s), Unit::kPercent, kWindowSeconds,
                sm.thd.starts, sm.thd.values);
    }
    if (!sm.tdd.values.empty())
      AddSeries("tdd." + Phase(s), "total demand distortion (TDD)", Phase(s), Unit::kPercent,
                kWindowSeconds, sm.tdd.starts, sm.tdd.values);
  }
}

void Judge::Notes() {
  std::vector<std::string>& notes = m_result.notes;
  const StandardSet& set = m_facts.standards;
  std::string names;
  for (const auto& [on, name] :
       {std::pair{set.en50160, kEnEdition}, std::pair{set.ieee519, kIeeeEdition},
        std::pair{set.ansiC84, kAnsiEdition}})
    if (on) names += (names.empty() ? "" : ", ") + std::string(name);
  if (!m_facts.standardsChosen)
    notes.push_back(
        "standards judged: " + names +
        (m_facts.nominalFrequency
             ? ", chosen by the nominal frequency (" + Readable(*m_facts.nominalFrequency) +
                   " Hz); EN 50160 describes 50 Hz public networks, ANSI C84.1 60 Hz systems"
             : ", since the nominal frequency is not known; declare it to judge EN 50160 or "
               "ANSI C84.1"));
  if (set.en50160 && m_facts.nominalFrequency == 60.0)
    notes.push_back(
        "EN 50160 describes 50 Hz public networks; this supply is 60 Hz, so its "
        "verdicts are given as asked for, outside its scope");
  if (!m_facts.nominalVoltage) {
    std::string note =
        "Un was not declared: the criteria whose limits depend on it are not "
        "assessed";
    if (m_facts.nominalVoltageSuggested)
      note += "; the records suggest " + Readable(*m_facts.nominalVoltageSuggested) + " V";
    notes.push_back(note);
  }
  if (m_facts.nominalFrequencyInferred)
    notes.push_back("Fn = " + Readable(*m_facts.nominalFrequency) +
                    " Hz inferred from the median frequency");
  for (const std::string& note : m_m.slotNotes) notes.push_back(note);
  if (m_facts.windowsLeftOut)
    notes.push_back(std::to_string(m_facts.windowsLeftOut) +
                    " 10-minute windows left out of the supply's statistics: they hold records "
                    "below 5 % of Un (interruptions)");
}

void Judge::Indicative() {
  std::vector<std::string> reasons;
  auto below = [](const Period& p) { return p.LowCoverage(); };
  // A day is named only where its week is not named already.
  auto weekNamed = [&](const Period& day) {
    const auto week =
        static_cast<size_t>((day.start - m_facts.periods.front().start) / kWeekSeconds);
    return week < m_facts.periods.size() && below(m_facts.periods[week]);
  };
  auto lowCoverage = [&](const std::vector<Period>& periods, const char* what) {
    size_t low = 0;
    const bool days = &periods == &m_facts.days;
    for (size_t i = 0; i < periods.size(); ++i) {
      const Period& p = periods[i];
      const double coverage = p.Coverage();
      if (!below(p) || (days && weekNamed(p))) continue;
      if (++low > 3) continue;
      reasons.push_back(std::string(what) + " " + std::to_string(i + 1) + " (" + Minutes(p.start) +
                        " to " + Minutes(p.end) + ") holds " + std::to_string(p.windows) +
                        " of its " + std::to_string(p.expectedWindows) + " 10-minute windows (" +
                        Judged(100 * coverage) + " %), less than 90 %");
    }
    if (low > 3)
      reasons.push_back("and " + std::to_string(low - 3) + " more " + what + "s below 90 %");
  };
  lowCoverage(m_facts.periods, "week");
  const bool daily =
      std::any_of(m_result.criteria.begin(), m_result.criteria.end(), [](const Criterion& c) {
        return c.idStatistic == IdStatistic::kDaily99 &&
               (c.verdict == assess::Verdict::kPass || c.verdict == assess::Verdict::kFail);
      });
  if (daily) lowCoverage(m_facts.days, "day");
  if (m_facts.intervalS && *m_facts.intervalS > kCoarsestInterval)
    reasons.push_back("the records are " + Readable(*m_facts.intervalS) +
                      " s apart, further than the 10-minute values the standards judge");
  if (reasons.empty()) return;
  m_result.indicative = true;
  m_result.indicativeNote = "indicative: ";
  for (size_t i = 0; i < reasons.size(); ++i)
    m_result.indicativeNote += (i ? "; " : "") + reasons[i];
  for (Criterion& c : m_result.criteria)
    if (c.verdict != assess::Verdict::kNotAssessed) c.note += "; " + m_result.indicativeNote;
}

void Judge::Verdict() {
  bool passed = false, failed = false, missing = false;
  for (const Criterion& c : m_result.criteria) {
    passed = passed || c.verdict == assess::Verdict::kPass;
    failed = failed || c.verdict == assess::Verdict::kFail;
    missing = missing || !c.missingInput.empty();
  }
  m_result.verdict = failed               ? assess::Verdict::kFail
                     : missing || !passed ? assess::Verdict::kIncomplete
                                          : assess::Verdict::kPass;
}

}  // namespace

void JudgeMeasurements(const Measurements& m, const AssessOptions& options,
                       AssessmentResult& result) {
  Judge judge(m, options, result);
  const StandardSet& set = result.survey.standards;
  if (set.en50160) judge.En50160();
  if (set.en50160 || set.ansiC84) judge.Unbalance();
  if (set.ieee519) judge.Ieee519();
  if (set.ansiC84) judge.Ansi();
  judge.Informative();
  judge.ChartedSeries();
  judge.Profiles();
  judge.Notes();
  judge.Indicative();
  judge.Verdict();
}

}  // namespace assess
