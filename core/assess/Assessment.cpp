#include "Assessment.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <memory>

#include "Measurements.h"
#include "file/PathText.h"
#include "file/Sha256.h"
#include "log/CMeterlog2Doc.h"
#include "log/LogTypes.h"
#include "log/NumberText.h"
#include "text/DecimalText.h"

namespace assess {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kSqrt3 = std::sqrt(3.0);

std::string FileName(const std::filesystem::path& path) {
  return PathText(path);
}

std::string TypeName(int logType) {
  const char* name = LogTypeName(logType);
  return name ? name : "log of no known type";
}

// A record taken into the survey.
struct UsedRecord {
  int64_t t;
  uint32_t file;
  uint32_t row;
};

bool CheckOptions(const AssessOptions& o, std::string& error) {
  auto inRange = [](const std::optional<double>& v, double max) {
    return !v || (*v > 0 && *v <= max);
  };
  if (!o.en50160 && !o.ieee519) {
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

// 100 x the largest deviation of a phase voltage from the mean of the three, over that mean.
double LineVoltageUnbalance(const SlotValues& v) {
  const double mean = (v[0] + v[1] + v[2]) / 3;
  if (!(mean > 0)) return kNaN;
  double largest = 0;
  for (double x : v) largest = std::max(largest, std::abs(x - mean));
  return 100 * largest / mean;
}

// The passes over the used records, in time order.
class SurveyPasses {
 public:
  SurveyPasses(const std::vector<LogQuantities>& readers, const std::vector<UsedRecord>& used,
               Measurements& m)
      : m_readers(readers), m_used(used), m_m(m) {}

  // Everything that needs no nominal value and no IL; keeps the voltages for the inference.
  void First();
  std::optional<double> MedianPhaseVoltage() { return Median(m_phaseVoltages); }
  std::optional<double> MedianFrequency() {
    std::vector<double> values = m_m.frequency;
    return Median(values);
  }
  // The 10-minute THD and voltage harmonics, and the current harmonics and TDD in % of IL of
  // the slots whose IL is known.
  void Second();

 private:
  const std::vector<LogQuantities>& m_readers;
  const std::vector<UsedRecord>& m_used;
  Measurements& m_m;
  std::vector<double> m_phaseVoltages;    // every voltage value, line-to-line ones over sqrt 3
  std::vector<SlotValues> m_recordedThd;  // per used record, for the second pass
};

void SurveyPasses::First() {
  auto values = std::make_unique<RecordValues>();
  RecordValues& v = *values;
  // 10-minute values: the voltage of each slot, u2, LVUR; 15-minute means: the fundamental
  // current of each slot, the total power.
  constexpr size_t kUnbalance = kSlots, kLvur = kSlots + 1, kDemand = kSlots;
  WindowBank ten(kSlots + 2, kWindowSeconds, WindowKind::kRms);
  WindowBank fifteen(kSlots + 1, kDemandSeconds, WindowKind::kMean);
  m_m.frequency.reserve(m_used.size());
  m_m.frequencyTimes.reserve(m_used.size());
  m_m.powerFactor.reserve(m_used.size());
  m_phaseVoltages.reserve(m_used.size() * (m_m.family == Family::kThreePhase ? 3 : 1));
  m_recordedThd.resize(m_used.size());
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
  for (size_t i = 0; i < m_used.size(); ++i) {
    const UsedRecord& r = m_used[i];
    const LogQuantities& q = m_readers[r.file];
    q.ReadBasic(r.row, v);
    ten.Begin(r.t);
    fifteen.Begin(r.t);
    if (std::isfinite(v.frequency)) {
      m_m.frequencyTimes.push_back(r.t);
      m_m.frequency.push_back(v.frequency);
    }
    for (size_t s = 0; s < kSlots; ++s) {
      const LogQuantities::Slot& slot = q.GetSlot(static_cast<int>(s));
      if (slot.voltage) {
        ten.Add(s, v.voltage[s]);
        if (std::isfinite(v.voltage[s]))
          m_phaseVoltages.push_back(slot.lineToLine ? v.voltage[s] / kSqrt3 : v.voltage[s]);
      }
      if (slot.current) fifteen.Add(s, v.currentFundamental[s]);
      m_recordedThd[i][s] = v.voltageThd[s];
    }
    if (m_m.family == Family::kThreePhase) {
      if (q.HasPhasors()) ten.Add(kUnbalance, NegativeSequence(v.phasorMagnitude, v.phasorAngle));
      ten.Add(kLvur, LineVoltageUnbalance(v.voltage));
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
  m_m.demand = std::move(fifteens[kDemand]);
}

void SurveyPasses::Second() {
  auto values = std::make_unique<RecordValues>();
  RecordValues& v = *values;
  // 10-minute values of each slot's THD and TDD, then its voltage and current harmonics.
  auto thd = [](size_t s) { return s; };
  auto tdd = [](size_t s) { return kSlots + s; };
  auto harmonic = [](size_t s, size_t h) { return 2 * kSlots + s * kHarmonicCount + h; };
  auto current = [](size_t s, size_t h) { return 2 * kSlots + (kSlots + s) * kHarmonicCount + h; };
  WindowBank ten(2 * kSlots + 2 * kSlots * kHarmonicCount, kWindowSeconds, WindowKind::kRms);
  for (size_t i = 0; i < m_used.size(); ++i) {
    const UsedRecord& r = m_used[i];
    const LogQuantities& q = m_readers[r.file];
    ten.Begin(r.t);
    for (size_t s = 0; s < kSlots; ++s) {
      const LogQuantities::Slot& slot = q.GetSlot(static_cast<int>(s));
      const SlotMeasurements& sm = m_m.slots[s];
      if (slot.voltage && q.HasVoltageHarmonics()) {
        q.ReadVoltageHarmonics(r.row, static_cast<int>(s), v);
        const double fundamental = v.voltageFundamental[s];
        double squares = 0;
        for (size_t h = 0; h < kHarmonicCount; ++h) {
          const double percent =
              fundamental > 0 ? 100 * v.voltageHarmonic[s][h] / fundamental : kNaN;
          ten.Add(harmonic(s, h), percent);
          if (h + kFirstHarmonic <= kLastThdHarmonic) squares += percent * percent;
        }
        ten.Add(thd(s), std::sqrt(squares));  // NaN when any harmonic is missing
      } else if (slot.voltage) {
        ten.Add(thd(s), m_recordedThd[i][s]);
      }
      if (slot.current && q.HasCurrentHarmonics() && sm.il) {
        q.ReadCurrentHarmonics(r.row, static_cast<int>(s), v);
        const double il = *sm.il;
        double squares = 0;
        for (size_t h = 0; h < kHarmonicCount; ++h) {
          const double amperes = v.currentHarmonic[s][h];
          ten.Add(current(s, h), 100 * amperes / il);
          squares += amperes * amperes;
        }
        ten.Add(tdd(s), 100 * std::sqrt(squares) / il);
      }
    }
  }
  std::vector<WindowSeries> series = ten.Finish();
  for (size_t s = 0; s < kSlots; ++s) {
    SlotMeasurements& sm = m_m.slots[s];
    sm.thd = std::move(series[thd(s)]);
    sm.tdd = std::move(series[tdd(s)]);
    for (size_t h = 0; h < kHarmonicCount; ++h) {
      sm.harmonic[h] = std::move(series[harmonic(s, h)]);
      sm.currentHarmonic[h] = std::move(series[current(s, h)]);
    }
  }
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
        } else if (!slot.thdSource.empty()) {
          sm.recordedThdOnly = true;
          sm.thdSources.Add("the recorded " + slot.thdSource + " column");
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

// IL of each slot whose current harmonics are recorded: given, or the largest 15-minute mean
// of the fundamental current.
void SettleLoadCurrents(const AssessOptions& options, Measurements& m) {
  for (SlotMeasurements& sm : m.slots) {
    if (!sm.currentHarmonics) continue;
    if (options.il) {
      sm.il = options.il;
      continue;
    }
    const WindowSeries& means = sm.fundamental15;
    const auto largest = std::max_element(means.values.begin(), means.values.end());
    if (largest == means.values.end() || !(*largest > 0)) continue;
    sm.il = *largest;
    sm.ilDerived = true;
    sm.ilWindow = means.starts[static_cast<size_t>(largest - means.values.begin())];
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

const char* VerdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::kPass:
      return "pass";
    case Verdict::kFail:
      return "fail";
    case Verdict::kInfo:
      return "info";
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

std::string CriterionGroup(const Criterion& criterion) {
  std::string group = criterion.id;
  auto dropLast = [&](const std::string& part) {
    const std::string suffix = "." + part;
    if (group.size() > suffix.size() &&
        group.compare(group.size() - suffix.size(), suffix.size(), suffix) == 0)
      group.resize(group.size() - suffix.size());
  };
  if (!criterion.phase.empty()) dropLast(criterion.phase);
  if (criterion.harmonic > 0) dropLast(std::to_string(criterion.harmonic));
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

double NearestNominalVoltage(double median) {
  double best = kNominalVoltages.front();
  for (double v : kNominalVoltages)
    if (std::abs(v - median) < std::abs(best - median)) best = v;
  return best;
}

double NearestNominalFrequency(double median) {
  double best = kNominalFrequencies.front();
  for (double f : kNominalFrequencies)
    if (std::abs(f - median) < std::abs(best - median)) best = f;
  return best;
}

bool Assess(std::span<const SurveyLog> logs, const AssessOptions& options, AssessmentResult& result,
            std::string& error) {
  result = AssessmentResult();
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

  auto measurements = std::make_unique<Measurements>();
  Measurements& m = *measurements;
  m.family = readers.front().GetFamily();
  if (!DescribeSlots(logs, readers, m, error)) return false;
  SurveyPasses passes(readers, used, m);
  passes.First();
  if (options.nominalVoltage) {
    facts.nominalVoltage = options.nominalVoltage;
  } else if (const std::optional<double> median = passes.MedianPhaseVoltage()) {
    facts.nominalVoltage = NearestNominalVoltage(*median);
    facts.nominalVoltageInferred = true;
  }
  if (options.nominalFrequency) {
    facts.nominalFrequency = options.nominalFrequency;
  } else if (const std::optional<double> median = passes.MedianFrequency()) {
    facts.nominalFrequency = NearestNominalFrequency(*median);
    facts.nominalFrequencyInferred = true;
  }
  if (options.isc && options.ieee519) SettleLoadCurrents(options, m);
  passes.Second();
  JudgeMeasurements(m, options, result);
  return true;
}

bool AssessFiles(const std::vector<std::filesystem::path>& paths, const AssessOptions& options,
                 uint32_t dataFormat, AssessmentResult& result, std::string& error) {
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
  return Assess(logs, options, result, error);
}

}  // namespace assess
