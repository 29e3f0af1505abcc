#pragma once
// The power-quality assessment of a survey: one or more logs of one family joined in time order,
// judged against EN 50160 and IEEE 519-2014. The result holds everything a report needs without
// going back to the logs: the survey's facts per file, one row per criterion (its statistic, the
// limit, the verdict and what it was computed from), and the series the criteria were judged on.
// Method and limits: core/stats (windows, percentiles, summaries), AssessLimits.h and
// docs/assessment.md.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "AssessLimits.h"
#include "CriterionIds.h"
#include "table/Units.h"

class CMeterlog2Doc;

namespace assess {

// How the channels are connected to the supply: what a channel between two phases is compared
// with, and what the declared Un is. Wye, split-phase and single-phase: Un is phase to neutral,
// a channel between phases is compared with sqrt(3) x Un (wye) or 2 x Un (split-phase). Delta:
// Un is the voltage between phases, and a three-phase log's phase voltages are taken as
// voltages between phases (a delta system has no neutral).
enum class Connection { kWye, kDelta, kSplitPhase, kSinglePhase };
// "wye", "delta", "split-phase", "single-phase".
const char* ConnectionText(Connection connection);
std::optional<Connection> ConnectionFromText(std::string_view text);

// The standards to judge against.
struct StandardSet {
  bool en50160 = false;
  bool ieee519 = false;
  bool ansiC84 = false;
  bool Any() const { return en50160 || ieee519 || ansiC84; }
  bool operator==(const StandardSet&) const = default;
};
// The standards judged when none are chosen: EN 50160 and IEEE 519 for a 50 Hz supply, IEEE 519
// and ANSI C84.1 for a 60 Hz one, IEEE 519 alone when Fn is not known.
StandardSet DefaultStandards(std::optional<double> nominalFrequency);

struct AssessOptions {
  std::optional<StandardSet> standards;  // nothing: DefaultStandards of Fn
  std::optional<double> nominalVoltage;  // Un as declared, V (phase to neutral but for delta)
  Connection connection = Connection::kWye;
  std::optional<double> nominalFrequency;  // Fn, 50 or 60; inferred when not given
  std::optional<double> isc;               // short-circuit current at the point of coupling, A
  std::optional<double> il;                // maximum demand load current, A; derived when not given
};

// A criterion's verdict is pass, fail, not assessed or info; the survey's is pass, fail or
// incomplete.
enum class Verdict { kPass, kFail, kNotAssessed, kInfo, kIncomplete };
// "pass", "fail", "not assessed", "info", "incomplete".
const char* VerdictText(Verdict verdict);

// A band a value is judged against; -inf / +inf for an open side.
struct LimitBand {
  double low, high;
  std::string label;  // "95 % of the values", "all values", "limit": for a chart's legend
};

// One period of a criterion: a week (or, for IEEE 519's daily statistics, a day) from the
// survey's first 10-minute window.
struct PeriodResult {
  int64_t start = 0, end = 0;  // seconds of the instrument's clock; end excluded
  uint64_t count = 0;          // values judged in the period
  std::optional<double> value;
  Verdict verdict = Verdict::kNotAssessed;  // not assessed without values
  std::optional<double> excess;             // as Criterion::excess, for this period
};

struct Criterion {
  std::string standard;   // "en50160", "ieee519", "ansi_c84_1", "nema" or "info"
  std::string id;         // "en50160.voltage.a", "ieee519.current.tdd.a.weekly99", ...
  std::string quantity;   // "supply voltage", "harmonic voltage 5", ...
  std::string phase;      // "a", "b", "c", "ch1", "ch2" or empty
  std::string limit;      // the rule as text, with the class and row it comes from
  std::string statistic;  // what `value` is
  // The value of the worst period (the one furthest beyond, or nearest to, its limit).
  std::optional<double> value;
  Unit unit = Unit::kNone;
  uint64_t count = 0;                   // values judged over the whole survey
  std::optional<double> min, max, p95;  // of those values
  Verdict verdict = Verdict::kNotAssessed;
  std::string note;  // where the values came from, what could not be judged, why
  // How far the worst period's values lie beyond the rule, as a fraction of the limit they
  // break: above 0 for a failure (0.25: a quarter beyond), 0 or below for a pass; nothing where
  // nothing was judged. For a share rule, the larger of the share's shortfall and the outer
  // band's excess. It ranks failures of different kinds against each other (WorstFailure).
  std::optional<double> excess;
  // Every period of the survey, judged one by one; empty for informative rows.
  std::vector<PeriodResult> periods;
  // The criterion rests on a stand-in (records further apart than 3 s for 3-second values).
  bool indicative = false;
  // Not assessed for want of a declared input: "nominal_voltage" or "isc"; empty otherwise.
  std::string missingInput;
  // The statistic's part of the id: none (the weekly 95th percentile), "weekly99", "daily99".
  IdStatistic idStatistic = IdStatistic::kWeekly95;
  // For charts: the series judged (a key of AssessmentResult::series, empty for none), the
  // harmonic number (0 for none) and the limit bands, inner band first.
  std::string seriesKey;
  int harmonic = 0;
  std::vector<LimitBand> bands;
};

// The index of the period a criterion's value and verdict come from (its worst); -1 without.
int WorstPeriodIndex(const Criterion& criterion);

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

// A span of the survey: a week or a day from its first 10-minute window.
struct Period {
  int64_t start = 0, end = 0;  // end excluded
  uint64_t windows = 0;        // 10-minute windows holding at least one record
  uint64_t expectedWindows = 0;
  // windows / expectedWindows, and whether that is below kCoverageRequired (the result is then
  // indicative).
  double Coverage() const {
    return expectedWindows ? static_cast<double>(windows) / static_cast<double>(expectedWindows)
                           : 0;
  }
  bool LowCoverage() const { return Coverage() < kCoverageRequired; }
};

// Consecutive records further apart than kGapIntervals record intervals: `start` is the time of
// the last record before the gap, `end` the first one after it.
struct TimeSpan {
  int64_t start = 0, end = 0;
  int64_t Seconds() const { return end - start; }
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
  uint64_t windowsSpanned = 0;      // from the first record's window to the last one's
  double coverage = 0;              // windows / windowsSpanned
  std::vector<Period> periods;      // the weeks from the first window
  std::vector<Period> days;         // the days from the first window
  std::vector<TimeSpan> gaps;
  // Long interruptions (3 minutes or more), found only with a declared Un and records at most
  // 1 minute apart.
  std::vector<TimeSpan> interruptions;
  // 10-minute windows left out of the supply's statistics because they hold an interruption.
  uint64_t windowsLeftOut = 0;
  // Un as declared (nothing when not), and what the records suggest (nothing without voltages).
  std::optional<double> nominalVoltage;
  std::optional<double> nominalVoltageSuggested;
  Connection connection = Connection::kWye;
  // The nominal voltage between phases and its class; nothing without Un.
  std::optional<double> systemVoltage;
  std::optional<VoltageClass> voltageClass;
  std::optional<double> nominalFrequency;
  bool nominalFrequencyInferred = false;
  StandardSet standards;         // judged against
  bool standardsChosen = false;  // false: chosen by Fn
};

// A series a criterion was judged on: 10-minute values (window start times), the frequency per
// record, or 15-minute means.
struct Series {
  std::string key;       // "voltage.a", "frequency", "thd.a", "harmonic.5.a", "tdd.a", ...
  std::string quantity;  // as the criterion names it
  std::string phase;
  Unit unit = Unit::kNone;
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

// What IEEE 519's current limits were taken from: one IL for the point of common coupling.
struct CurrentBasis {
  double isc = 0;
  double il = 0;
  bool ilDerived = false;           // the largest 15-minute mean of the fundamental current
  std::optional<int64_t> ilWindow;  // start of that 15-minute window
  std::string ilPhase;              // the phase or channel it came from
  double ratio = 0;                 // Isc / IL
  std::string table;                // "Table 2 (systems rated 120 V through 69 kV)"
  std::string row;                  // the table's row, "20 <= Isc/IL < 50"
};

struct AssessmentResult {
  SurveyFacts survey;
  // Fail when a criterion fails; incomplete when none fails but one the logs could support was
  // not judged for want of a declared input, or none passed; else pass.
  Verdict verdict = Verdict::kIncomplete;
  // A period below kCoverageRequired coverage, or records further apart than 10 minutes.
  bool indicative = false;
  std::string indicativeNote;      // "indicative: ..." with every reason; empty when not indicative
  std::vector<std::string> notes;  // what a reader must know of the whole result
  std::vector<Criterion> criteria;  // in the order of the standards, then the informative rows
  std::vector<Series> series;
  std::vector<HarmonicProfile> harmonics;
  std::optional<CurrentBasis> currentBasis;

  const Series* FindSeries(const std::string& key) const;
  const Criterion* FindCriterion(const std::string& id) const;
  // The failed criterion furthest beyond its limit (the first of equals); null without failures.
  const Criterion* WorstFailure() const;
  // Criteria judged (pass or fail), and those that failed.
  size_t Judged() const;
  size_t Failed() const;
  // The declared inputs whose want left criteria unjudged, in words: "the nominal voltage Un",
  // "the short-circuit current Isc"; empty when none.
  std::vector<std::string> MissingInputs() const;
};

// One log of a survey, loaded, read in the byte order its document is set to.
struct SurveyLog {
  std::filesystem::path path;
  const CMeterlog2Doc* doc = nullptr;
};

// Why a survey was not assessed.
enum class AssessFailure {
  kNone,
  kRefused,      // no logs, logs of both families, no valid time stamp, an option out of range
  kImplausible,  // the values cannot be a supply in the byte order read
};

// Assesses the logs together. False with `error` set (a sentence naming the files) when they
// cannot be assessed, and `failure` (when given) saying why.
bool Assess(std::span<const SurveyLog> logs, const AssessOptions& options, AssessmentResult& result,
            std::string& error, AssessFailure* failure = nullptr);

// Loads the files (dataFormat 1 or 256 overrides each file's own; 0 keeps it) and assesses them
// together: one call for one log as for many.
bool AssessFiles(const std::vector<std::filesystem::path>& paths, const AssessOptions& options,
                 uint32_t dataFormat, AssessmentResult& result, std::string& error,
                 AssessFailure* failure = nullptr);

// Takes the SHA-256 of every file of the survey that has none yet, as the file is now. False
// with `error` naming the file when one cannot be read.
bool AddFileDigests(SurveyFacts& survey, std::string& error);

// The criterion's id without its harmonic number and phase: the rows of one rule
// ("en50160.harmonic.9.a" and "en50160.harmonic.b" are both "en50160.harmonic";
// "ieee519.current.tdd.a.weekly99" is "ieee519.current.tdd.weekly99").
std::string CriterionGroup(const Criterion& criterion);

// A duration for people: "7 days", "2 days 3 h 20 min", "1 day", "45 s".
std::string DurationText(double seconds);

// The Un the records suggest from the median voltage (phase to neutral, or between phases for a
// delta connection): the nearest nominal voltage of the list when within 15 % of it (the lower
// one on a tie), else the median to three significant digits.
double SuggestedNominalVoltage(double median, Connection connection);
// The nominal frequency an inferred Fn rounds to: the nearer of 50 and 60 Hz (50 on a tie).
double NearestNominalFrequency(double median);

// A judged value as text at the comparison's resolution ("6", "6.01", "253.4"); the text, the
// CSV's readers and the report show judged values this way.
std::string JudgedText(double value);

}  // namespace assess
