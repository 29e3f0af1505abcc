#include "Assessment.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <memory>
#include <set>

#include "Measurements.h"
#include "SurveyPasses.h"
#include "file/PathText.h"
#include "file/Sha256.h"
#include "log/CMeterlog2Doc.h"
#include "log/LogTypes.h"
#include "log/NumberText.h"
#include "text/DecimalText.h"

namespace assess {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string FileName(const std::filesystem::path& path) {
  return PathText(path);
}

std::string TypeName(int logType) {
  const char* name = LogTypeName(logType);
  return name ? name : "log of no known type";
}

bool CheckOptions(const AssessOptions& o, std::string& error) {
  auto inRange = [](const std::optional<double>& v, double max) {
    return !v || (*v > 0 && *v <= max);
  };
  if (o.standards && !o.standards->Any()) {
    error = "no standard to assess against";
  } else if (!inRange(o.nominalVoltage, kMaxNominalVoltage)) {
    error = "the nominal voltage must be a positive number of volts up to " +
            ShortestDecimal(kMaxNominalVoltage);
  } else if (o.nominalFrequency && *o.nominalFrequency != 50 && *o.nominalFrequency != 60) {
    error = "the nominal frequency must be 50 or 60 Hz";
  } else if (!inRange(o.isc, kMaxCurrent)) {
    error = "the short-circuit current must be a positive number of amperes up to " +
            ShortestDecimal(kMaxCurrent);
  } else if (!inRange(o.il, kMaxCurrent)) {
    error = "the load current IL must be a positive number of amperes up to " +
            ShortestDecimal(kMaxCurrent);
  } else {
    return true;
  }
  return false;
}

bool CheckFamilies(std::span<const SurveyLog> logs, const std::vector<LogQuantities>& readers,
                   std::string& error) {
  std::string list;
  bool single = false, three = false;
  for (size_t i = 0; i < logs.size(); ++i) {
    const std::string name = FileName(logs[i].path);
    if (logs[i].doc->GetRecordCount() == 0) {
      error = name + ": the log holds no records";
      return false;
    }
    const Family family = readers[i].GetFamily();
    if (family == Family::kNone) {
      error = name + ": its first record has no known log type (type byte " +
              std::to_string(logs[i].doc->GetRecord(0)[0] & 0x3F) + "), nothing to assess";
      return false;
    }
    (family == Family::kSinglePhase ? single : three) = true;
    list += (list.empty() ? "" : ", ") + name + " (" + TypeName(readers[i].LogType()) + ")";
  }
  if (single && three) {
    error = "the logs mix single-phase and three-phase types: " + list +
            "; a survey is logs of one kind, so assess each kind on its own";
    return false;
  }
  return true;
}

// Valid time stamps of every log in time order; ties keep the order of the files as given and of
// the records in each, and only the first of equal time stamps is used.
std::vector<UsedRecord> JoinRecords(std::span<const SurveyLog> logs, SurveyFacts& facts) {
  std::vector<UsedRecord> all;
  for (uint32_t f = 0; f < logs.size(); ++f) {
    const CMeterlog2Doc& doc = *logs[f].doc;
    SurveyFile& file = facts.files[f];
    file.records = doc.GetRecordCount();
    for (uint32_t row = 0; row < file.records; ++row) {
      int64_t t;
      if (doc.GetTimeSeconds(t, row)) {
        all.push_back({t, f, row});
      } else {
        ++file.invalidTime;
      }
    }
  }
  const auto earlier = [](const UsedRecord& a, const UsedRecord& b) { return a.t < b.t; };
  if (!std::is_sorted(all.begin(), all.end(), earlier))
    std::stable_sort(all.begin(), all.end(), earlier);
  std::vector<UsedRecord> used;
  used.reserve(all.size());
  for (const UsedRecord& r : all) {
    if (!used.empty() && used.back().t == r.t) {
      ++facts.files[r.file].overlaps;
      continue;
    }
    used.push_back(r);
    SurveyFile& file = facts.files[r.file];
    ++file.used;
    if (!file.first) file.first = r.t;
    file.last = r.t;
  }
  for (const SurveyFile& file : facts.files) {
    facts.records += file.records;
    facts.recordsUsed += file.used;
    facts.invalidTime += file.invalidTime;
    facts.overlaps += file.overlaps;
  }
  return used;
}

// The spans of `length` seconds from the first record's 10-minute window to the last record,
// each with the windows that hold a record.
std::vector<Period> MakePeriods(const std::vector<UsedRecord>& used, int64_t anchor,
                                int64_t length) {
  const auto count = static_cast<size_t>((used.back().t - anchor) / length + 1);
  std::vector<Period> periods(count);
  for (size_t i = 0; i < count; ++i) {
    periods[i].start = anchor + static_cast<int64_t>(i) * length;
    periods[i].end = periods[i].start + length;
    periods[i].expectedWindows = static_cast<uint64_t>(length / kWindowSeconds);
  }
  int64_t lastWindow = 0;
  for (size_t i = 0; i < used.size(); ++i) {
    const int64_t window = WindowIndex(used[i].t, kWindowSeconds);
    if (i > 0 && window == lastWindow) continue;
    lastWindow = window;
    ++periods[static_cast<size_t>((used[i].t - anchor) / length)].windows;
  }
  return periods;
}

void FillTimes(const std::vector<UsedRecord>& used, SurveyFacts& facts) {
  facts.first = used.front().t;
  facts.last = used.back().t;
  std::vector<double> steps;
  steps.reserve(used.size());
  int64_t lastWindow = 0;
  for (size_t i = 0; i < used.size(); ++i) {
    if (i > 0) steps.push_back(static_cast<double>(used[i].t - used[i - 1].t));
    const int64_t window = WindowIndex(used[i].t, kWindowSeconds);
    if (i == 0 || window != lastWindow) ++facts.windows;
    lastWindow = window;
  }
  facts.intervalS = Median(steps);
  facts.durationS = static_cast<double>(*facts.last - *facts.first) + facts.intervalS.value_or(0);
  const int64_t firstWindow = WindowIndex(*facts.first, kWindowSeconds);
  facts.windowsSpanned = static_cast<uint64_t>(lastWindow - firstWindow + 1);
  facts.coverage = static_cast<double>(facts.windows) / static_cast<double>(facts.windowsSpanned);
  const int64_t anchor = firstWindow * kWindowSeconds;
  facts.periods = MakePeriods(used, anchor, kWeekSeconds);
  facts.days = MakePeriods(used, anchor, kDaySeconds);
  if (facts.intervalS) {
    const double longest = kGapIntervals * *facts.intervalS;
    for (size_t i = 1; i < used.size(); ++i)
      if (static_cast<double>(used[i].t - used[i - 1].t) > longest)
        facts.gaps.push_back({used[i - 1].t, used[i].t});
  }
}

std::string LogTypeNames(const SurveyFacts& facts) {
  std::vector<int> types;
  for (const SurveyFile& file : facts.files)
    if (std::find(types.begin(), types.end(), file.logType) == types.end())
      types.push_back(file.logType);
  std::string names;
  for (int type : types) names += (names.empty() ? "" : " + ") + TypeName(type);
  return names;
}

// What each slot measures across the logs, and where from. Single-phase logs joined in one
// survey must measure the same inputs on their channels.
bool DescribeSlots(std::span<const SurveyLog> logs, const std::vector<LogQuantities>& readers,
                   Measurements& m, std::string& error) {
  for (size_t f = 0; f < readers.size(); ++f) {
    const LogQuantities& q = readers[f];
    for (int s = 0; s < kSlots; ++s) {
      const LogQuantities::Slot& slot = q.GetSlot(s);
      SlotMeasurements& sm = m.slots[static_cast<size_t>(s)];
      if (m.family == Family::kSinglePhase && f > 0 && s < 2) {
        std::string first, here;
        logs[0].doc->GetChannelSelectName(first, 0, static_cast<unsigned>(s));
        logs[f].doc->GetChannelSelectName(here, 0, static_cast<unsigned>(s));
        if (first != here) {
          error = FileName(logs[f].path) + ": channel " + std::to_string(s + 1) + " measures " +
                  here + ", but in " + FileName(logs[0].path) + " it measures " + first +
                  "; the logs of a survey must measure the same inputs";
          return false;
        }
      }
      if (slot.voltage) {
        sm.measuresVoltage = true;
        sm.lineToLine = slot.lineToLine;
        sm.voltageSources.Add(slot.voltageSource);
        if (q.HasVoltageHarmonics()) {
          sm.voltageHarmonics = true;
          sm.harmonicSources.Add(slot.harmonicSource);
          sm.thdSources.Add("harmonics 2 to 40 of " + slot.harmonicSource);
          sm.ieeeThdSources.Add("harmonics 2 to 50 of " + slot.harmonicSource);
        } else if (!slot.thdSource.empty()) {
          sm.recordedThdOnly = true;
          sm.thdSources.Add("the recorded " + slot.thdSource + " column");
          sm.ieeeThdSources.Add("the recorded " + slot.thdSource + " column");
        }
      }
      if (slot.current) {
        sm.measuresCurrent = true;
        sm.currentSources.Add(slot.currentSource);
        if (q.HasCurrentHarmonics()) {
          sm.currentHarmonics = true;
          sm.currentHarmonicSources.Add(slot.currentHarmonicSource);
        }
      }
    }
    if (q.HasFrequency()) m.frequencySources.Add(q.FrequencySource());
    if (q.HasPowerFactor()) m.powerFactorSources.Add(q.PowerFactorSource());
    if (q.HasPower()) m.powerSources.Add(q.PowerSource());
    if (q.HasEnergy()) m.energySources.Add(q.EnergySource());
    m.phasors = m.phasors || q.HasPhasors();
    m.vectorLogReadPlain = m.vectorLogReadPlain || q.VectorLogReadPlain();
  }
  return true;
}

// How each slot's voltage relates to the declared Un under the connection, and what is said of
// the slots that are not judged.
void SettleReferences(Connection connection, Measurements& m) {
  const bool three = m.family == Family::kThreePhase;
  for (size_t s = 0; s < kSlots; ++s) {
    SlotMeasurements& sm = m.slots[s];
    if (!sm.measuresVoltage) continue;
    SlotReference& ref = sm.reference;
    ref.judged = true;
    const std::string name = three ? "phase " + std::string(1, static_cast<char>('A' + s))
                                   : "channel " + std::to_string(s + 1);
    if (three) {
      // A three-phase log's phases: phase to neutral, or between phases on a delta system.
      if ((connection == Connection::kSplitPhase && s == 2) ||
          (connection == Connection::kSinglePhase && s > 0)) {
        ref.judged = false;
        ref.why = name + " is not judged: a " + ConnectionText(connection) + " supply has " +
                  (connection == Connection::kSplitPhase ? "two phases" : "one phase");
      }
      m.lineVoltagesMeasured = connection == Connection::kDelta;
    } else if (sm.lineToLine) {
      switch (connection) {
        case Connection::kWye:
          ref.factor = std::sqrt(3.0);
          ref.factorText = "sqrt(3) x Un";
          break;
        case Connection::kSplitPhase:
          ref.factor = 2;
          ref.factorText = "2 x Un";
          break;
        case Connection::kDelta:
          break;
        case Connection::kSinglePhase:
          ref.judged = false;
          ref.why =
              name + " measures between two phases, which a single-phase supply does not have";
          break;
      }
    } else if (connection == Connection::kDelta) {
      ref.judged = false;
      ref.why = name + " measures to the neutral, which a delta system does not have";
    }
    if (!ref.why.empty()) m.slotNotes.push_back(ref.why);
  }
}

// A sentence naming the log when its values cannot be a supply in the byte order it was read
// in: a median frequency outside 40 to 70 Hz, or voltages that are mostly no numbers.
std::string ImplausibleReason(const std::filesystem::path& path, const CMeterlog2Doc& doc,
                              LogPlausibility& p) {
  std::string what;
  if (p.recordsFrequency) {
    const std::optional<double> median = Median(p.frequency);
    if (!median) {
      what = "no record holds a frequency that is a number";
    } else if (*median < kPlausibleFrequencyLow || *median > kPlausibleFrequencyHigh) {
      what = "its median frequency is " + ReadableDecimal(*median, 3) + " Hz";
      if (*median != 0 && std::abs(*median) < 0.001)
        what = "its median frequency is " + ShortestDecimal(*median) + " Hz";
      what += ", outside " + ShortestDecimal(kPlausibleFrequencyLow) + " to " +
              ShortestDecimal(kPlausibleFrequencyHigh) + " Hz";
    }
  }
  if (what.empty() && p.voltageValues > 0 && 2 * p.finiteVoltages < p.voltageValues)
    what = std::to_string(p.voltageValues - p.finiteVoltages) + " of its " +
           std::to_string(p.voltageValues) + " voltage values are no numbers";
  if (what.empty()) return {};
  const uint32_t format = doc.GetDataFormat();
  const uint32_t other = format == kDataFormat0100 ? kDataFormat0001 : kDataFormat0100;
  return FileName(path) + ": the values cannot come from a supply as read in data format " +
         std::to_string(format) + " (" + DataFormatName(format) + "): " + what +
         "; read the log in the other byte order, data format " + std::to_string(other) + " (" +
         DataFormatName(other) + ")";
}

// The runs of interrupted records: each with its start, and its end after the last record's
// interval (or at the next record, when that comes sooner); a gap ends a run.
std::vector<TimeSpan> InterruptionRuns(const std::vector<UsedRecord>& used,
                                       const std::vector<bool>& interrupted, double interval) {
  std::vector<TimeSpan> runs;
  const double longest = kGapIntervals * interval;
  for (size_t i = 0; i < used.size(); ++i) {
    if (!interrupted[i]) continue;
    const bool continues =
        i > 0 && interrupted[i - 1] && static_cast<double>(used[i].t - used[i - 1].t) <= longest;
    if (!continues) runs.push_back({used[i].t, used[i].t});
    int64_t end = used[i].t + static_cast<int64_t>(interval);
    if (i + 1 < used.size()) end = std::min(end, used[i + 1].t);
    runs.back().end = end;
  }
  return runs;
}

// IL for IEEE 519: given, or the largest 15-minute mean of the fundamental current over all the
// slots whose current harmonics are recorded.
void SettleLoadCurrent(const AssessOptions& options, Measurements& m) {
  if (options.il) {
    m.il = options.il;
    return;
  }
  for (size_t s = 0; s < kSlots; ++s) {
    const SlotMeasurements& sm = m.slots[s];
    if (!sm.currentHarmonics) continue;
    const WindowSeries& means = sm.fundamental15;
    const auto largest = std::max_element(means.values.begin(), means.values.end());
    if (largest == means.values.end() || !(*largest > 0) || (m.il && *largest <= *m.il)) continue;
    m.il = *largest;
    m.ilDerived = true;
    m.ilWindow = means.starts[static_cast<size_t>(largest - means.values.begin())];
    m.ilSlot = static_cast<int>(s);
  }
}

}  // namespace

void Sources::Add(const std::string& source) {
  if (!source.empty() && std::find(m_list.begin(), m_list.end(), source) == m_list.end())
    m_list.push_back(source);
}

std::string Sources::Text() const {
  std::string text;
  for (const std::string& s : m_list) text += (text.empty() ? "" : "; ") + s;
  return text;
}

const char* ConnectionText(Connection connection) {
  switch (connection) {
    case Connection::kDelta:
      return "delta";
    case Connection::kSplitPhase:
      return "split-phase";
    case Connection::kSinglePhase:
      return "single-phase";
    case Connection::kWye:
      break;
  }
  return "wye";
}

std::optional<Connection> ConnectionFromText(std::string_view text) {
  for (Connection c :
       {Connection::kWye, Connection::kDelta, Connection::kSplitPhase, Connection::kSinglePhase})
    if (text == ConnectionText(c)) return c;
  return std::nullopt;
}

StandardSet DefaultStandards(std::optional<double> nominalFrequency) {
  StandardSet set;
  set.ieee519 = true;
  set.en50160 = nominalFrequency == 50.0;
  set.ansiC84 = nominalFrequency == 60.0;
  return set;
}

const char* VerdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::kPass:
      return "pass";
    case Verdict::kFail:
      return "fail";
    case Verdict::kInfo:
      return "info";
    case Verdict::kIncomplete:
      return "incomplete";
    case Verdict::kNotAssessed:
      break;
  }
  return "not assessed";
}

const Series* AssessmentResult::FindSeries(const std::string& key) const {
  for (const Series& s : series)
    if (s.key == key) return &s;
  return nullptr;
}

const Criterion* AssessmentResult::FindCriterion(const std::string& id) const {
  for (const Criterion& c : criteria)
    if (c.id == id) return &c;
  return nullptr;
}

const Criterion* AssessmentResult::WorstFailure() const {
  const Criterion* worst = nullptr;
  for (const Criterion& c : criteria) {
    if (c.verdict != Verdict::kFail) continue;
    if (!worst || c.excess.value_or(0) > worst->excess.value_or(0)) worst = &c;
  }
  return worst;
}

size_t AssessmentResult::Judged() const {
  return static_cast<size_t>(
      std::count_if(criteria.begin(), criteria.end(), [](const Criterion& c) {
        return c.verdict == Verdict::kPass || c.verdict == Verdict::kFail;
      }));
}

size_t AssessmentResult::Failed() const {
  return static_cast<size_t>(
      std::count_if(criteria.begin(), criteria.end(),
                    [](const Criterion& c) { return c.verdict == Verdict::kFail; }));
}

std::vector<std::string> AssessmentResult::MissingInputs() const {
  std::vector<std::string> inputs;
  for (const char* id : {"nominal_voltage", "isc"}) {
    if (std::none_of(criteria.begin(), criteria.end(),
                     [&](const Criterion& c) { return c.missingInput == id; }))
      continue;
    inputs.push_back(std::string(id) == "isc" ? "the short-circuit current Isc"
                                              : "the nominal voltage Un");
  }
  return inputs;
}

bool AddFileDigests(SurveyFacts& survey, std::string& error) {
  for (SurveyFile& file : survey.files) {
    if (!file.sha256.empty()) continue;
    std::string reason;
    if (!Sha256OfFile(file.path, file.sha256, reason)) {
      error = FileName(file.path) + ": " + reason;
      return false;
    }
  }
  return true;
}

int WorstPeriodIndex(const Criterion& c) {
  if (!c.value || !c.excess) return -1;
  for (size_t i = 0; i < c.periods.size(); ++i)
    if (c.periods[i].value && c.periods[i].excess == c.excess) return static_cast<int>(i);
  return -1;
}

std::string CriterionGroup(const Criterion& criterion) {
  std::string group = criterion.id;
  auto dropLast = [&](const std::string& part) {
    const std::string suffix = "." + part;
    if (group.size() > suffix.size() &&
        group.compare(group.size() - suffix.size(), suffix.size(), suffix) == 0)
      group.resize(group.size() - suffix.size());
  };
  const std::string statistic = StatisticKey(criterion.idStatistic);
  if (!statistic.empty()) dropLast(statistic);
  if (!criterion.phase.empty()) dropLast(criterion.phase);
  if (criterion.harmonic > 0) dropLast(std::to_string(criterion.harmonic));
  if (!statistic.empty()) group += "." + statistic;
  return group;
}

std::string DurationText(double seconds) {
  const auto total = static_cast<int64_t>(seconds);
  const int64_t parts[4] = {total / 86400, total % 86400 / 3600, total % 3600 / 60, total % 60};
  static constexpr const char* kUnits[4] = {" day", " h", " min", " s"};
  std::string text;
  for (size_t i = 0; i < 4; ++i) {
    if (parts[i] == 0 && !(i == 3 && text.empty())) continue;
    text += (text.empty() ? "" : " ") + std::to_string(parts[i]) + kUnits[i];
    if (i == 0 && parts[i] != 1) text += "s";
  }
  return text;
}

double SuggestedNominalVoltage(double median, Connection connection) {
  const std::span<const double> list = connection == Connection::kDelta
                                           ? std::span<const double>(kNominalLineVoltages)
                                           : std::span<const double>(kNominalVoltages);
  double best = list.front();
  for (double v : list)
    if (std::abs(v - median) < std::abs(best - median)) best = v;
  if (std::abs(best - median) <= 0.15 * best) return best;
  if (!(median > 0)) return median;
  // Three significant digits.
  const double scale = std::pow(10.0, std::floor(std::log10(median)) - 2);
  return std::round(median / scale) * scale;
}

double NearestNominalFrequency(double median) {
  double best = kNominalFrequencies.front();
  for (double f : kNominalFrequencies)
    if (std::abs(f - median) < std::abs(best - median)) best = f;
  return best;
}

std::string JudgedText(double value) {
  // Rounded as AtMost rounds, so that the text and the verdict never disagree.
  return ReadableDecimal(std::round(value * kStepsPerUnit) / kStepsPerUnit, kResolutionDecimals);
}

bool Assess(std::span<const SurveyLog> logs, const AssessOptions& options, AssessmentResult& result,
            std::string& error, AssessFailure* failure) {
  result = AssessmentResult();
  AssessFailure ignored;
  AssessFailure& why = failure ? *failure : ignored;
  why = AssessFailure::kRefused;
  if (!CheckOptions(options, error)) return false;
  if (logs.empty()) {
    error = "no log to assess";
    return false;
  }
  std::vector<LogQuantities> readers;
  readers.reserve(logs.size());
  for (const SurveyLog& log : logs) readers.emplace_back(*log.doc);
  if (!CheckFamilies(logs, readers, error)) return false;

  SurveyFacts& facts = result.survey;
  facts.files.resize(logs.size());
  for (size_t f = 0; f < logs.size(); ++f) {
    facts.files[f].path = logs[f].path;
    facts.files[f].logType = readers[f].LogType();
  }
  facts.logTypeName = LogTypeNames(facts);
  facts.threePhase = readers.front().GetFamily() == Family::kThreePhase;
  facts.dataFormat = logs.front().doc->GetDataFormat();
  const std::vector<UsedRecord> used = JoinRecords(logs, facts);
  if (used.empty()) {
    error = "no record of the survey has a valid time stamp (" + std::to_string(facts.records) +
            (facts.records == 1 ? " record" : " records") + " read), nothing to assess";
    return false;
  }
  FillTimes(used, facts);
  facts.connection = options.connection;
  facts.nominalVoltage = options.nominalVoltage;

  auto measurements = std::make_unique<Measurements>();
  Measurements& m = *measurements;
  m.family = readers.front().GetFamily();
  if (!DescribeSlots(logs, readers, m, error)) return false;
  SettleReferences(options.connection, m);
  const int64_t anchor = facts.periods.front().start;
  SurveyPasses passes(readers, used, m, anchor, options.nominalVoltage);
  passes.First();
  std::vector<LogPlausibility> plausibility = passes.Plausibility();
  for (size_t f = 0; f < logs.size(); ++f) {
    if (facts.files[f].used == 0) continue;
    error = ImplausibleReason(logs[f].path, *logs[f].doc, plausibility[f]);
    if (!error.empty()) {
      why = AssessFailure::kImplausible;
      return false;
    }
  }
  if (const std::optional<double> median = passes.MedianNominalVoltage())
    facts.nominalVoltageSuggested = SuggestedNominalVoltage(*median, options.connection);
  if (options.nominalFrequency) {
    facts.nominalFrequency = options.nominalFrequency;
  } else if (const std::optional<double> median = passes.MedianFrequency()) {
    facts.nominalFrequency = NearestNominalFrequency(*median);
    facts.nominalFrequencyInferred = true;
  }
  facts.standardsChosen = options.standards.has_value();
  facts.standards = options.standards.value_or(DefaultStandards(facts.nominalFrequency));
  if (facts.nominalVoltage) {
    const double un = *facts.nominalVoltage;
    switch (options.connection) {
      case Connection::kWye:
        facts.systemVoltage = std::sqrt(3.0) * un;
        break;
      case Connection::kSplitPhase:
        facts.systemVoltage = 2 * un;
        break;
      case Connection::kDelta:
      case Connection::kSinglePhase:
        facts.systemVoltage = un;
        break;
    }
    facts.voltageClass = ClassOf(*facts.systemVoltage);
  }
  // Interruptions: the windows that hold a record of one are left out of the supply's statistics;
  // records at most a minute apart time the long ones.
  std::set<int64_t> leftOut;
  const std::vector<bool>& interrupted = passes.Interrupted();
  for (size_t i = 0; i < used.size(); ++i)
    if (interrupted[i]) leftOut.insert(WindowIndex(used[i].t, kWindowSeconds) * kWindowSeconds);
  facts.windowsLeftOut = leftOut.size();
  if (facts.intervalS && *facts.intervalS <= kInterruptionInterval)
    for (const TimeSpan& run : InterruptionRuns(used, interrupted, *facts.intervalS))
      if (run.Seconds() >= kLongInterruptionSeconds) facts.interruptions.push_back(run);
  passes.LeaveOut(leftOut);
  if (facts.standards.ieee519 && options.isc) SettleLoadCurrent(options, m);
  m.dailyFromRecords = !facts.intervalS || *facts.intervalS > kVeryShortSeconds;
  passes.Second(facts.standards.ieee519 ? facts.days.size() : 0);
  JudgeMeasurements(m, options, result);
  why = AssessFailure::kNone;
  return true;
}

bool AssessFiles(const std::vector<std::filesystem::path>& paths, const AssessOptions& options,
                 uint32_t dataFormat, AssessmentResult& result, std::string& error,
                 AssessFailure* failure) {
  if (failure) *failure = AssessFailure::kRefused;
  std::vector<std::unique_ptr<CMeterlog2Doc>> docs;
  std::vector<SurveyLog> logs;
  for (const std::filesystem::path& path : paths) {
    auto doc = std::make_unique<CMeterlog2Doc>();
    const LoadResult loaded = doc->Load(path);
    if (loaded.status != LoadResult::Status::kLoaded) {
      error = FileName(path) + ": " +
              (loaded.message.empty() ? "the file could not be loaded" : loaded.message);
      return false;
    }
    if (dataFormat != 0) doc->SetDataFormat(dataFormat);
    logs.push_back({path, doc.get()});
    docs.push_back(std::move(doc));
  }
  return Assess(logs, options, result, error, failure);
}

}  // namespace assess
