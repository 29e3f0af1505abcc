#pragma once
// What the passes over a survey's records gather for the criteria: the aggregated series of
// every quantity, the daily statistics of the records, and where each came from. Internal to the
// assessment (SurveyPasses.cpp fills it, Criteria.cpp judges it).

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "Assessment.h"
#include "LogQuantities.h"
#include "stats/Percentiles.h"
#include "stats/Summaries.h"
#include "stats/TimeWindows.h"

namespace assess {

// The statistics the assessment shares with the table (core/stats), by the names it reads them.
using meterlog2::stats::Median;
using meterlog2::stats::NearestRankPercentile;
using meterlog2::stats::Summarize;
using meterlog2::stats::Summary;
using meterlog2::stats::WindowBank;
using meterlog2::stats::WindowIndex;
using meterlog2::stats::WindowKind;
using meterlog2::stats::WindowSeries;

// Distinct descriptions of where a quantity came from, in the order first met.
class Sources {
 public:
  void Add(const std::string& source);
  bool Empty() const { return m_list.empty(); }
  std::string Text() const;  // joined with "; "

 private:
  std::vector<std::string> m_list;
};

// One quantity's records summarised per day: the count and the 99th percentile of each day (NaN
// where the day has none), and the extremes over the survey.
struct DailySeries {
  std::vector<uint64_t> counts;
  std::vector<double> p99;
  uint64_t count = 0;
  std::optional<double> min, max;
};

// How a slot's voltage relates to the declared Un under the connection: judged against
// `factor` x Un, or not judged at all (`judged` false, with `why`).
struct SlotReference {
  bool judged = false;
  double factor = 1;
  std::string factorText;  // "sqrt(3) x Un", "2 x Un", empty for Un itself
  std::string why;         // why a voltage measured here is not judged
};

struct SlotMeasurements {
  bool measuresVoltage = false, lineToLine = false, measuresCurrent = false;
  SlotReference reference;
  Sources voltageSources, thdSources, ieeeThdSources, harmonicSources, currentSources,
      currentHarmonicSources;
  WindowSeries voltage;                               // 10-minute values, V
  WindowSeries thd;                                   // 10-minute values, % (harmonics 2 to 40)
  WindowSeries ieeeThd;                               // 10-minute values, % (harmonics 2 to 50)
  std::array<WindowSeries, kHarmonicCount> harmonic;  // 10-minute values, % of the fundamental
  bool voltageHarmonics = false;                      // some log records them
  bool recordedThdOnly = false;  // the THD comes from a recorded THD column somewhere
  // Currents: the 15-minute means of the fundamental (for IL), then, with IL known, the 10-minute
  // values of each harmonic and the TDD in % of IL.
  bool currentHarmonics = false;
  WindowSeries fundamental15;
  std::array<WindowSeries, kHarmonicCount> currentHarmonic;
  WindowSeries tdd;
  // IEEE 519's daily statistics of the records: THD, harmonics, TDD and current harmonics.
  DailySeries dailyThd, dailyTdd;
  std::array<DailySeries, kHarmonicCount> dailyHarmonic, dailyCurrentHarmonic;
};

struct Measurements {
  Family family = Family::kNone;
  std::vector<int64_t> frequencyTimes;  // one value per record
  std::vector<double> frequency;
  Sources frequencySources;
  std::array<SlotMeasurements, kSlots> slots;
  // Unbalance (10-minute values): u2 from the voltage phasors; the line voltage unbalance rate
  // from voltages between phases (measured, or from the phasors); the phase voltage unbalance
  // rate from phase-to-neutral voltages.
  WindowSeries unbalance, lvur, pvur;
  bool phasors = false, vectorLogReadPlain = false;
  bool lineVoltagesMeasured = false;  // the phases are voltages between phases (delta)
  // IL for IEEE 519, given or derived, with where it came from.
  std::optional<double> il;
  bool ilDerived = false;
  std::optional<int64_t> ilWindow;
  int ilSlot = -1;
  // The records' spacing stands in for the 3-second values of IEEE 519's daily statistics.
  bool dailyFromRecords = false;
  // Informative values.
  std::vector<double> powerFactor;  // per record
  Sources powerFactorSources, powerSources, energySources;
  WindowSeries demand;  // 15-minute means of the total power
  std::optional<double> energy;
  uint64_t energyCounters = 0, energySegments = 0;
  // Slots judged under the connection, and what is said of those that are not.
  std::vector<std::string> slotNotes;
};

// Builds the criteria, series and profiles of `result` from the measurements (the survey facts
// are in place already).
void JudgeMeasurements(const Measurements& m, const AssessOptions& options,
                       AssessmentResult& result);

}  // namespace assess
