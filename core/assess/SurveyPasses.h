#pragma once
// The passes over a survey's records, in time order: the first gathers everything that needs no
// IL (voltages, frequency, unbalance, the fundamental currents, the informative values) and
// finds the records of interruptions; the second, with IL settled, the harmonics, THD and TDD
// as 10-minute values and IEEE 519's daily statistics of the records. Internal to the
// assessment (Assessment.cpp runs them).

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "Measurements.h"

namespace assess {

// A record taken into the survey.
struct UsedRecord {
  int64_t t;
  uint32_t file;
  uint32_t row;
};

// What the first pass saw of one log, to tell whether its values can be a supply.
struct LogPlausibility {
  std::vector<double> frequency;  // every finite frequency value
  bool recordsFrequency = false;
  uint64_t voltageValues = 0, finiteVoltages = 0;
};

class SurveyPasses {
 public:
  // `anchor` is the start of the survey's first 10-minute window, where its periods begin;
  // `un` the declared Un (nothing: no interruption is looked for).
  SurveyPasses(const std::vector<LogQuantities>& readers, const std::vector<UsedRecord>& used,
               Measurements& m, int64_t anchor, std::optional<double> un);

  void First();
  // Every voltage value as the declared Un would be (divided by its slot's factor): what the
  // records suggest as Un.
  std::optional<double> MedianNominalVoltage() { return Median(m_nominalVoltages); }
  std::optional<double> MedianFrequency() {
    std::vector<double> values = m_m.frequency;
    return Median(values);
  }
  const std::vector<LogPlausibility>& Plausibility() const { return m_plausibility; }
  // The records of interruptions (empty without Un), in the order of the used records.
  const std::vector<bool>& Interrupted() const { return m_interrupted; }
  // Leaves the 10-minute windows that start at `windows` out of every statistic of the supply,
  // and the records of interruptions out of the frequency.
  void LeaveOut(const std::set<int64_t>& windows);
  // The harmonics, THD and TDD (with IL settled in the measurements), leaving out what LeaveOut
  // left out; `days` is the number of daily periods.
  void Second(size_t days);

 private:
  void DailyFlush(size_t day);

  const std::vector<LogQuantities>& m_readers;
  const std::vector<UsedRecord>& m_used;
  Measurements& m_m;
  int64_t m_anchor;
  std::optional<double> m_un;
  std::vector<double> m_nominalVoltages;
  std::vector<LogPlausibility> m_plausibility;
  std::vector<bool> m_interrupted;
  std::set<int64_t> m_leftOut;
  std::vector<SlotValues> m_recordedThd;  // per used record, for the second pass
  // The second pass's records of the current day, per daily quantity.
  std::vector<std::vector<double>> m_day;
};

}  // namespace assess
