#pragma once
// What the passes over a survey's records gather for the criteria: the aggregated series of
// every quantity and where each came from. Internal to the assessment (Assessment.cpp fills it,
// Criteria.cpp judges it).

#include <array>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "AssessStatistics.h"
#include "Assessment.h"
#include "LogQuantities.h"

namespace assess {

// Distinct descriptions of where a quantity came from, in the order first met.
class Sources {
 public:
  void Add(const std::string& source);
  bool Empty() const { return m_list.empty(); }
  std::string Text() const;  // joined with "; "

 private:
  std::vector<std::string> m_list;
};

struct SlotMeasurements {
  bool measuresVoltage = false, lineToLine = false, measuresCurrent = false;
  Sources voltageSources, thdSources, harmonicSources, currentSources, currentHarmonicSources;
  WindowSeries voltage;                               // 10-minute values, V
  WindowSeries thd;                                   // 10-minute values, %
  std::array<WindowSeries, kHarmonicCount> harmonic;  // 10-minute values, % of the fundamental
  bool voltageHarmonics = false;                      // some log records them
  bool recordedThdOnly = false;  // the THD comes from a recorded THD column somewhere
  // Currents: the 15-minute means of the fundamental (IL), then, with IL known, the 10-minute
  // values of each harmonic and the TDD in % of IL.
  bool currentHarmonics = false;
  WindowSeries fundamental15;
  std::optional<double> il;
  bool ilDerived = false;
  std::optional<int64_t> ilWindow;
  std::array<WindowSeries, kHarmonicCount> currentHarmonic;
  WindowSeries tdd;
};

struct Measurements {
  Family family = Family::kNone;
  std::vector<int64_t> frequencyTimes;  // one value per record
  std::vector<double> frequency;
  Sources frequencySources;
  std::array<SlotMeasurements, kSlots> slots;
  // Unbalance: u2 from the voltage phasors, LVUR from the phase voltages (10-minute values).
  WindowSeries unbalance, lvur;
  bool phasors = false, vectorLogReadPlain = false;
  // Informative values.
  std::vector<double> powerFactor;  // per record
  Sources powerFactorSources, powerSources, energySources;
  WindowSeries demand;  // 15-minute means of the total power
  std::optional<double> energy;
  uint64_t energyCounters = 0, energySegments = 0;
};

// Builds the criteria, series and profiles of `result` from the measurements (the survey facts
// are in place already).
void JudgeMeasurements(const Measurements& m, const AssessOptions& options,
                       AssessmentResult& result);

}  // namespace assess
