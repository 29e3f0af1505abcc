#pragma once
// The power-quality assessment of a survey: one or more logs of one family joined in time order,
// judged against EN 50160 and IEEE 519-2014. The result holds everything a report needs without
// going back to the logs: the survey's facts per file, one row per criterion (its statistic, the
// limit, the verdict and what it was computed from), and the series the criteria were judged on.
// Method and limits: AssessStatistics.h, AssessLimits.h and docs/assessment.md.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "AssessLimits.h"

class CMeterlog2Doc;

namespace assess {

struct AssessOptions {
  bool en50160 = true;
  bool ieee519 = true;
  std::optional<double> nominalVoltage;    // Un, phase to neutral, V; inferred when not given
  std::optional<double> nominalFrequency;  // Fn, 50 or 60; inferred when not given
  std::optional<double> isc;               // short-circuit current at the point of coupling, A
  std::optional<double> il;                // maximum demand load current, A; derived when not given
};

enum class Verdict { kPass, kFail, kNotAssessed, kInfo };
// "pass", "fail", "not assessed", "info".
const char* VerdictText(Verdict verdict);

// A band a value is judged against; -inf / +inf for an open side.
struct LimitBand {
  double low, high;
  std::string label;  // "95 % of the values", "all values", "limit": for a chart's legend
};

struct Criterion {
  std::string standard;   // "en50160", "ieee519", "nema" or "info"
  std::string id;         // "en50160.voltage.a", ...
  std::string quantity;   // "supply voltage", "harmonic voltage 5", ...
  std::string phase;      // "a", "b", "c", "ch1", "ch2" or empty
  std::string limit;      // the rule as text
  std::string statistic;  // what `value` is
  std::optional<double> value;
  std::string unit;
  uint64_t count = 0;  // values judged (10-minute values, or records for the frequency)
  std::optional<double> min, max, p95;
  Verdict verdict = Verdict::kNotAssessed;
  std::string note;  // where the values came from, what could not be judged, why
  // How far the judged values lie beyond the rule, as a fraction of the limit they break: above 0
  // for a failure (0.25: a quarter beyond), 0 or below for a pass; nothing where nothing was
  // judged. For a share rule, the larger of the share's shortfall and the outer band's excess.
  // It ranks failures of different kinds against each other (WorstFailure).
  std::optional<double> excess;
  // For charts: the series judged (a key of AssessmentResult::series, empty for none), the
  // harmonic number (0 for none) and the limit bands, inner band first.
  std::string seriesKey;
  int harmonic = 0;
  std::vector<LimitBand> bands;
};

// One log of the survey.
struct SurveyFile {
  std::filesystem::path path;
  int logType = 0;
  uint32_t records = 0;
  uint32_t used = 0;  // records that went into the assessment
  uint32_t invalidTime = 0;
  uint32_t overlaps = 0;
  std::optional<int64_t> first, last;  // seconds since 1970-01-01 of the instrument's clock
  std::string sha256;  // the file's SHA-256 as hex (AddFileDigests), empty until taken
};

struct SurveyFacts {
  std::vector<SurveyFile> files;
  std::string logTypeName;  // "Three Phase Tabular Log"; names joined by " + " when they differ
  bool threePhase = false;
  uint32_t dataFormat = 0;  // the byte order read (of the first log)
  uint64_t records = 0, recordsUsed = 0, invalidTime = 0, overlaps = 0;
  std::optional<int64_t> first, last;
  // Last minus first plus the usual interval (the last record covers its interval too).
  double durationS = 0;
  std::optional<double> intervalS;  // median spacing of the used records
  uint64_t windows = 0;             // 10-minute windows holding at least one record
  // Un and Fn as given or inferred; nothing when neither given nor inferable (no voltage or no
  // frequency recorded).
  std::optional<double> nominalVoltage;
  bool nominalVoltageInferred = false;
  std::optional<double> nominalFrequency;
  bool nominalFrequencyInferred = false;
};

// A series a criterion was judged on: 10-minute values (window start times), the frequency per
// record, or 15-minute means.
struct Series {
  std::string key;       // "voltage.a", "frequency", "thd.a", "harmonic.5.a", "tdd.a", ...
  std::string quantity;  // as the criterion names it
  std::string phase;
  std::string unit;
  int64_t windowSeconds = 0;  // 600, 900, or 0 for one value per record
  std::vector<int64_t> times;
  std::vector<double> values;
};

// The 95th percentile of each harmonic 2..50 of one phase (NaN where none).
struct HarmonicProfile {
  std::string phase;
  bool current = false;  // voltage in % of the fundamental; current in % of IL
  std::array<double, kHarmonicCount> p95{};
};

// What IEEE 519's current limits of one phase were taken from.
struct CurrentBasis {
  std::string phase;
  double isc = 0;
  double il = 0;
  bool ilDerived = false;           // the largest 15-minute mean of the fundamental current
  std::optional<int64_t> ilWindow;  // start of that 15-minute window
  double ratio = 0;                 // Isc / IL
  std::string row;                  // Table 2's row, "20 <= Isc/IL < 50"
};

struct AssessmentResult {
  SurveyFacts survey;
  // Fail when a criterion fails, else pass; "not assessed" when nothing could be judged.
  Verdict verdict = Verdict::kNotAssessed;
  bool indicative = false;  // the survey is shorter than 7 days
  std::string indicativeNote;
  std::vector<Criterion> criteria;  // in the order of the standards, then the informative rows
  std::vector<Series> series;
  std::vector<HarmonicProfile> harmonics;
  std::vector<CurrentBasis> currentBasis;

  const Series* FindSeries(const std::string& key) const;
  const Criterion* FindCriterion(const std::string& id) const;
  // The failed criterion furthest beyond its limit (the first of equals); null without failures.
  const Criterion* WorstFailure() const;
};

// One log of a survey, loaded, read in the byte order its document is set to.
struct SurveyLog {
  std::filesystem::path path;
  const CMeterlog2Doc* doc = nullptr;
};

// Assesses the logs together. False with `error` set (a sentence naming the files) when they
// cannot be assessed: no logs, logs of both families, a log of no known type, no record with a
// valid time stamp, or an option out of range.
bool Assess(std::span<const SurveyLog> logs, const AssessOptions& options, AssessmentResult& result,
            std::string& error);

// Loads the files (dataFormat 1 or 256 overrides each file's own; 0 keeps it) and assesses them
// together: one call for one log as for many.
bool AssessFiles(const std::vector<std::filesystem::path>& paths, const AssessOptions& options,
                 uint32_t dataFormat, AssessmentResult& result, std::string& error);

// Takes the SHA-256 of every file of the survey that has none yet, as the file is now. False
// with `error` naming the file when one cannot be read.
bool AddFileDigests(SurveyFacts& survey, std::string& error);

// The criterion's id without its harmonic number and phase: the rows of one rule
// ("en50160.harmonic.9.a" and "en50160.harmonic.b" are both "en50160.harmonic").
std::string CriterionGroup(const Criterion& criterion);

// A duration for people: "7 days", "2 days 3 h 20 min", "1 day", "45 s".
std::string DurationText(double seconds);

// The nominal value an inferred Un or Fn rounds to: the nearest of the list (the lower one on a
// tie).
double NearestNominalVoltage(double median);
double NearestNominalFrequency(double median);

}  // namespace assess
