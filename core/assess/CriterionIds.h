#pragma once
// A criterion's id, built from typed parts: the rule (a standard's quantity), the harmonic order,
// the phase or channel and the statistic. The ids' text is what the JSON and CSV outputs carry
// ("en50160.voltage.a", "ieee519.current.harmonic.5.a.daily99"); the assessment, the writers,
// the desktop and the report ask for ids and their groups here, never by string literal.

#include <cstdint>
#include <string>
#include <string_view>

namespace assess {

enum class Standard : uint8_t { kEn50160, kIeee519, kAnsiC84_1, kNema, kInfo };

// "en50160", "ieee519", "ansi_c84_1", "nema", "info".
const char* StandardKey(Standard standard);

// What a row judges: one standard's rule on one quantity.
enum class Rule : uint8_t {
  kEnFrequency,
  kEnVoltage,
  kEnThd,
  kEnHarmonic,
  kEnUnbalance,
  kEnInterruptions,
  kEnDips,
  kEnSwells,
  kEnRapidVoltageChanges,
  kEnFlicker,
  kEnMainsSignalling,
  kIeeeCurrent,  // the current rows when no IL or Isc was declared
  kIeeeVoltageThd,
  kIeeeVoltageHarmonic,
  kIeeeTdd,
  kIeeeCurrentHarmonic,
  kAnsiVoltage,
  kNemaLvur,
  kInfoPvur,
  kInfoPowerFactor,
  kInfoEnergy,
  kInfoDemand,
};

Standard StandardOf(Rule rule);

// The statistic a row's value is, where a rule has several: the weekly 95th percentile (no
// part in the id), the weekly or the daily 99th percentile.
enum class IdStatistic : uint8_t { kWeekly95, kWeekly99, kDaily99 };

// "", "weekly99", "daily99".
const char* StatisticKey(IdStatistic statistic);

struct CriterionId {
  Rule rule;
  int harmonic = 0;             // 2..50 for one harmonic's row, else 0
  std::string_view phase = {};  // "a", "b", "c", "ch1", "ch2", or empty for the whole survey
  IdStatistic statistic = IdStatistic::kWeekly95;
};

// "ieee519.current.harmonic.5.a.daily99": standard, quantity, harmonic, phase, statistic.
std::string IdText(const CriterionId& id);

// The id of the rows of one rule without harmonic and phase, the statistic kept:
// "en50160.harmonic", "ieee519.current.tdd.weekly99". CriterionGroup (Assessment.h) gives a
// row's group; a rule without phase and harmonic has its one row's id as its group.
std::string GroupText(Rule rule, IdStatistic statistic = IdStatistic::kWeekly95);

}  // namespace assess
