#pragma once
// The quantity catalogue: every header text of the table, under its string number 257..391,
// with the column identifier (0..901) it heads and what that column shows: the quantity, the
// kind of log it belongs to, the phase or channel, the bandwidth and the unit. A text holding
// "%d" heads a harmonic family of 49 columns (harmonics 2..50) from its identifier on.
//
// Each column is described here once. The column sets, the titles, the cell dispatch, the units
// and every lookup of a quantity's column (plots, statistics, the assessment) are derived from
// these rows; nothing else does arithmetic on identifiers.

#include <array>
#include <cstdint>

#include "Units.h"

inline constexpr int kColumnIdCount = 902;

enum class Bandwidth : uint8_t { kWide = 0, kNarrow = 1 };
// What one of a phase's two measuring inputs records.
enum class Signal { kVoltage = 0, kCurrent = 1 };

inline constexpr int kPhaseCount = 3;  // A, B, C as 0, 1, 2
// The phase selector of the record's single-phase block, or of a three-phase average or total.
inline constexpr int kNoPhase = 3;
inline constexpr int kChannelCount = 2;
inline constexpr int kFirstHarmonic = 2;  // the harmonic numbers of the families: 2..50
inline constexpr int kLastHarmonic = 50;
inline constexpr int kHarmonicFamilySize = kLastHarmonic - kFirstHarmonic + 1;

namespace meterlog2::table {

// What a column shows; each names the one document query that reads it.
enum class Quantity : uint8_t {
  kLogType,        // the row's own log type, by name
  kTime,           // the record's time stamp
  kChannelSelect,  // a single-phase channel's input, by name
  kFrequency,
  kPhaseAngle,  // between voltage and current: the record's, the average, or a phase's
  kPower,
  kPowerFactor,
  kVoltAmps,
  kVars,
  kMagnitude,  // a channel's or a phase input's level, Wide or Narrow
  kThd,
  kWattHours,
  kVoltAmpHours,
  kVarHours,
  kKFactor,
  kFundamental,       // the fundamental's magnitude: the same field as the Narrow level
  kHarmonic,          // a family: harmonic magnitudes 2..50
  kFundamentalAngle,  // always 0: the harmonic angles are relative to the fundamental
  kHarmonicAngle,     // a family: harmonic angles 2..50
  kPhaseDirection,    // the rotation, by name
  kVoltage,           // a three-phase average, or a vector log's phasor magnitude
  kCurrent,
  kVoltagePhase,  // a vector log's phasor angles
  kCurrentPhase,
};

// Which logs' records hold the quantity. It tells apart columns that show the same quantity
// with the same selectors: "Power Wide" of a single-phase record and "Total Power Wide".
enum class Scope : uint8_t { kAnyLog, kSinglePhase, kThreePhase };

// Flags of a row.
inline constexpr uint8_t kNoQuery = 1;      // in no column set; its cells read "-"
inline constexpr uint8_t kUnitOfInput = 2;  // a single-phase channel: the unit of its input

// One header text and the column (or harmonic family) it heads.
struct CatalogueEntry {
  int16_t textId;  // string number
  int16_t id;      // column identifier; a family's first
  const char* text;
  Scope scope;
  Quantity quantity;
  int8_t phase;  // 0..2 for A..C; kNoPhase for a single-phase record or a three-phase summary
  int8_t input;  // channel 0 or 1, or the Signal of a phase's input; else 0
  Bandwidth bandwidth;
  Unit unit;  // for kUnitOfInput: the unit once the log is three-phase (channel 1 V, 2 A)
  uint8_t flags = 0;
};

constexpr bool IsHarmonicFamily(Quantity quantity) {
  return quantity == Quantity::kHarmonic || quantity == Quantity::kHarmonicAngle;
}

inline constexpr int kFirstColumnTextId = 257;
inline constexpr int kLastColumnTextId = 391;

// In the order of the string numbers.
namespace catalogue_rows {
using enum Scope;
using enum Quantity;
using enum Bandwidth;
using enum Unit;
inline constexpr std::array<CatalogueEntry, kLastColumnTextId - kFirstColumnTextId + 1> kRows = {{
    // string number, identifier, text, scope, quantity, phase, input, bandwidth, unit, flags
    {257, 0, "Log Type", kAnyLog, kLogType, kNoPhase, 0, kWide, kNone},
    {258, 1, "Time", kAnyLog, kTime, kNoPhase, 0, kWide, kNone},
    {259, 2, "Ch1 Select", kSinglePhase, kChannelSelect, kNoPhase, 0, kWide, kNone},
    {260, 3, "Ch2 Select", kSinglePhase, kChannelSelect, kNoPhase, 1, kWide, kNone},
    {261, 4, "Frequency", kSinglePhase, kFrequency, kNoPhase, 0, kWide, kHertz},
    {262, 5, "Phase", kSinglePhase, kPhaseAngle, kNoPhase, 0, kWide, kDegree},
    {263, 6, "Power Wide", kSinglePhase, kPower, kNoPhase, 0, kWide, kWatt},
    {264, 7, "Power Factor Wide", kSinglePhase, kPowerFactor, kNoPhase, 0, kWide, kNone},
    {265, 8, "Volt Amps Wide", kSinglePhase, kVoltAmps, kNoPhase, 0, kWide, kVoltAmpere},
    {266, 9, "VARs Wide", kSinglePhase, kVars, kNoPhase, 0, kWide, kVar},
    {267, 10, "Ch1 Mag Wide", kSinglePhase, kMagnitude, kNoPhase, 0, kWide, kVolt, kUnitOfInput},
    {268, 11, "Ch1 Mag Narrow", kSinglePhase, kMagnitude, kNoPhase, 0, kNarrow, kVolt,
     kUnitOfInput},
    {269, 12, "Ch1 THD", kSinglePhase, kThd, kNoPhase, 0, kWide, kPercent},
    {270, 13, "Power Narrow", kSinglePhase, kPower, kNoPhase, 0, kNarrow, kWatt},
    {271, 14, "Power Factor Narrow", kSinglePhase, kPowerFactor, kNoPhase, 0, kNarrow, kNone},
    {272, 15, "Volt Amps Narrow", kSinglePhase, kVoltAmps, kNoPhase, 0, kNarrow, kVoltAmpere},
    {273, 16, "VARs Narrow", kSinglePhase, kVars, kNoPhase, 0, kNarrow, kVar},
    {274, 17, "Ch2 Mag Wide", kSinglePhase, kMagnitude, kNoPhase, 1, kWide, kAmpere, kUnitOfInput},
    {275, 18, "Ch2 Mag Narrow", kSinglePhase, kMagnitude, kNoPhase, 1, kNarrow, kAmpere,
     kUnitOfInput},
    {276, 19, "Ch2 THD", kSinglePhase, kThd, kNoPhase, 1, kWide, kPercent},
    {277, 20, "Watt Hours", kAnyLog, kWattHours, kNoPhase, 0, kWide, kWattHour},
    {278, 21, "Volt Amp Hours", kAnyLog, kVoltAmpHours, kNoPhase, 0, kWide, kVoltAmpereHour},
    {279, 22, "VAR Hours", kAnyLog, kVarHours, kNoPhase, 0, kWide, kVarHour},
    {280, 23, "Ch1 K-Factor", kSinglePhase, kKFactor, kNoPhase, 0, kWide, kNone},
    {281, 24, "Ch1 Mag Fund", kSinglePhase, kFundamental, kNoPhase, 0, kNarrow, kVolt,
     kUnitOfInput},
    {282, 25, "Ch1 Mag Harm %d", kSinglePhase, kHarmonic, kNoPhase, 0, kWide, kVolt, kUnitOfInput},
    {283, 74, "Ch1 Ph Fund", kSinglePhase, kFundamentalAngle, kNoPhase, 0, kWide, kDegree},
    {284, 75, "Ch1 Ph Harm %d", kSinglePhase, kHarmonicAngle, kNoPhase, 0, kWide, kDegree},
    {285, 124, "Ch2 K-Factor", kSinglePhase, kKFactor, kNoPhase, 1, kWide, kNone},
    {286, 125, "Ch2 Mag Fund", kSinglePhase, kFundamental, kNoPhase, 1, kNarrow, kAmpere,
     kUnitOfInput},
    {287, 126, "Ch2 Mag Harm %d", kSinglePhase, kHarmonic, kNoPhase, 1, kWide, kAmpere,
     kUnitOfInput},
    {288, 175, "Ch2 Ph Fund", kSinglePhase, kFundamentalAngle, kNoPhase, 1, kWide, kDegree},
    {289, 176, "Ch2 Ph Harm %d", kSinglePhase, kHarmonicAngle, kNoPhase, 1, kWide, kDegree},
    {290, 225, "3 Phase Direction", kThreePhase, kPhaseDirection, kNoPhase, 0, kWide, kNone},
    {291, 226, "Average Phase", kThreePhase, kPhaseAngle, kNoPhase, 0, kWide, kDegree},
    {292, 227, "Average Volts Wide", kThreePhase, kVoltage, kNoPhase, 0, kWide, kVolt},
    {293, 228, "Average Current Wide", kThreePhase, kCurrent, kNoPhase, 0, kWide, kAmpere},
    {294, 229, "Average Power Factor Wide", kThreePhase, kPowerFactor, kNoPhase, 0, kWide, kNone},
    {295, 230, "Total Power Wide", kThreePhase, kPower, kNoPhase, 0, kWide, kWatt},
    {296, 231, "Total Volt Amps Wide", kThreePhase, kVoltAmps, kNoPhase, 0, kWide, kVoltAmpere},
    {297, 232, "Total VARs Wide", kThreePhase, kVars, kNoPhase, 0, kWide, kVar},
    {298, 233, "Average Volts Narrow", kThreePhase, kVoltage, kNoPhase, 0, kNarrow, kVolt},
    {299, 234, "Average Current Narrow", kThreePhase, kCurrent, kNoPhase, 0, kNarrow, kAmpere},
    {300, 235, "Average Power Factor Narrow", kThreePhase, kPowerFactor, kNoPhase, 0, kNarrow,
     kNone},
    {301, 236, "Total Power Narrow", kThreePhase, kPower, kNoPhase, 0, kNarrow, kWatt},
    {302, 237, "Total Volt Amps Narrow", kThreePhase, kVoltAmps, kNoPhase, 0, kNarrow, kVoltAmpere},
    {303, 238, "Total VARs Narrow", kThreePhase, kVars, kNoPhase, 0, kNarrow, kVar},
    {304, 4, "3 Phase Frequency", kThreePhase, kFrequency, kNoPhase, 0, kWide, kHertz},
    {305, 239, "Phase A Phase Angle", kThreePhase, kPhaseAngle, 0, 0, kWide, kDegree},
    {306, 240, "Phase A Power Wide", kThreePhase, kPower, 0, 0, kWide, kWatt},
    {307, 241, "Phase A Power Factor Wide", kThreePhase, kPowerFactor, 0, 0, kWide, kNone},
    {308, 242, "Phase A Volt Amps Wide", kThreePhase, kVoltAmps, 0, 0, kWide, kVoltAmpere},
    {309, 243, "Phase A VARs Wide", kThreePhase, kVars, 0, 0, kWide, kVar},
    {310, 244, "Phase A Volts Wide", kThreePhase, kMagnitude, 0, 0, kWide, kVolt},
    {311, 245, "Phase A Current Wide", kThreePhase, kMagnitude, 0, 1, kWide, kAmpere, kNoQuery},
    {312, 246, "Phase A Volts THD", kThreePhase, kThd, 0, 0, kWide, kPercent},
    {313, 247, "Phase A Power Narrow", kThreePhase, kPower, 0, 0, kNarrow, kWatt},
    {314, 248, "Phase A Power Factor Narrow", kThreePhase, kPowerFactor, 0, 0, kNarrow, kNone},
    {315, 249, "Phase A Volt Amps Narrow", kThreePhase, kVoltAmps, 0, 0, kNarrow, kVoltAmpere},
    {316, 250, "Phase A VARs Narrow", kThreePhase, kVars, 0, 0, kNarrow, kVar},
    {317, 251, "Phase A Volts Narrow", kThreePhase, kMagnitude, 0, 0, kNarrow, kVolt, kNoQuery},
    {318, 252, "Phase A Current Narrow", kThreePhase, kMagnitude, 0, 1, kNarrow, kAmpere},
    {319, 253, "Phase A Current THD", kThreePhase, kThd, 0, 1, kWide, kPercent},
    {320, 254, "Phase B Phase Angle", kThreePhase, kPhaseAngle, 1, 0, kWide, kDegree},
    {321, 255, "Phase B Power Wide", kThreePhase, kPower, 1, 0, kWide, kWatt},
    {322, 256, "Phase B Power Factor Wide", kThreePhase, kPowerFactor, 1, 0, kWide, kNone},
    {323, 257, "Phase B Volt Amps Wide", kThreePhase, kVoltAmps, 1, 0, kWide, kVoltAmpere},
    {324, 258, "Phase B VARs Wide", kThreePhase, kVars, 1, 0, kWide, kVar},
    {325, 259, "Phase B Volts Wide", kThreePhase, kMagnitude, 1, 0, kWide, kVolt},
    {326, 260, "Phase B Current Wide", kThreePhase, kMagnitude, 1, 1, kWide, kAmpere, kNoQuery},
    {327, 261, "Phase B Volts THD", kThreePhase, kThd, 1, 0, kWide, kPercent},
    {328, 262, "Phase B Power Narrow", kThreePhase, kPower, 1, 0, kNarrow, kWatt},
    {329, 263, "Phase B Power Factor Narrow", kThreePhase, kPowerFactor, 1, 0, kNarrow, kNone},
    {330, 264, "Phase B Volt Amps Narrow", kThreePhase, kVoltAmps, 1, 0, kNarrow, kVoltAmpere},
    {331, 265, "Phase B VARs Narrow", kThreePhase, kVars, 1, 0, kNarrow, kVar},
    {332, 266, "Phase B Volts Narrow", kThreePhase, kMagnitude, 1, 0, kNarrow, kVolt},
    {333, 267, "Phase B Current Narrow", kThreePhase, kMagnitude, 1, 1, kNarrow, kAmpere, kNoQuery},
    {334, 268, "Phase B Current THD", kThreePhase, kThd, 1, 1, kWide, kPercent},
    {335, 269, "Phase C Phase Angle", kThreePhase, kPhaseAngle, 2, 0, kWide, kDegree},
    {336, 270, "Phase C Power Wide", kThreePhase, kPower, 2, 0, kWide, kWatt},
    {337, 271, "Phase C Power Factor Wide", kThreePhase, kPowerFactor, 2, 0, kWide, kNone},
    {338, 272, "Phase C Volt Amps Wide", kThreePhase, kVoltAmps, 2, 0, kWide, kVoltAmpere},
    {339, 273, "Phase C VARs Wide", kThreePhase, kVars, 2, 0, kWide, kVar},
    {340, 274, "Phase C Volts Wide", kThreePhase, kMagnitude, 2, 0, kWide, kVolt},
    {341, 275, "Phase C Current Wide", kThreePhase, kMagnitude, 2, 1, kWide, kAmpere, kNoQuery},
    {342, 276, "Phase C Volts THD", kThreePhase, kThd, 2, 0, kWide, kPercent},
    {343, 277, "Phase C Power Narrow", kThreePhase, kPower, 2, 0, kNarrow, kWatt},
    {344, 278, "Phase C Power Factor Narrow", kThreePhase, kPowerFactor, 2, 0, kNarrow, kNone},
    {345, 279, "Phase C Volt Amps Narrow", kThreePhase, kVoltAmps, 2, 0, kNarrow, kVoltAmpere},
    {346, 280, "Phase C VARs Narrow", kThreePhase, kVars, 2, 0, kNarrow, kVar},
    {347, 281, "Phase C Volts Narrow", kThreePhase, kMagnitude, 2, 0, kNarrow, kVolt, kNoQuery},
    {348, 282, "Phase C Current Narrow", kThreePhase, kMagnitude, 2, 1, kNarrow, kAmpere},
    {349, 283, "Phase C Current THD", kThreePhase, kThd, 2, 1, kWide, kPercent},
    {350, 284, "Phase A Volts K-Factor", kThreePhase, kKFactor, 0, 0, kWide, kNone},
    {351, 285, "Phase A Volts Fund", kThreePhase, kFundamental, 0, 0, kNarrow, kVolt},
    {352, 286, "Phase A Volts Harm %d", kThreePhase, kHarmonic, 0, 0, kWide, kVolt},
    {353, 335, "Phase A Volts Phase Angle Fund", kThreePhase, kFundamentalAngle, 0, 0, kWide,
     kDegree},
    {354, 336, "Phase A Volts Phase Angle Harm %d", kThreePhase, kHarmonicAngle, 0, 0, kWide,
     kDegree},
    {355, 385, "Phase A Current K-Factor", kThreePhase, kKFactor, 0, 1, kWide, kNone},
    {356, 386, "Phase A Current Fund", kThreePhase, kFundamental, 0, 1, kNarrow, kAmpere},
    {357, 387, "Phase A Current Harm %d", kThreePhase, kHarmonic, 0, 1, kWide, kAmpere},
    {358, 436, "Phase A Current Phase Angle Fund", kThreePhase, kFundamentalAngle, 0, 1, kWide,
     kDegree},
    {359, 437, "Phase A Current Phase Angle Harm %d", kThreePhase, kHarmonicAngle, 0, 1, kWide,
     kDegree},
    {360, 486, "Phase B Volts K-Factor", kThreePhase, kKFactor, 1, 0, kWide, kNone},
    {361, 487, "Phase B Volts Fund", kThreePhase, kFundamental, 1, 0, kNarrow, kVolt},
    {362, 488, "Phase B Volts Harm %d", kThreePhase, kHarmonic, 1, 0, kWide, kVolt},
    {363, 537, "Phase B Volts Phase Angle Fund", kThreePhase, kFundamentalAngle, 1, 0, kWide,
     kDegree},
    {364, 538, "Phase B Volts Phase Angle Harm %d", kThreePhase, kHarmonicAngle, 1, 0, kWide,
     kDegree},
    {365, 587, "Phase B Current K-Factor", kThreePhase, kKFactor, 1, 1, kWide, kNone},
    {366, 588, "Phase B Current Fund", kThreePhase, kFundamental, 1, 1, kNarrow, kAmpere},
    {367, 589, "Phase B Current Harm %d", kThreePhase, kHarmonic, 1, 1, kWide, kAmpere},
    {368, 638, "Phase B Current Phase Angle Fund", kThreePhase, kFundamentalAngle, 1, 1, kWide,
     kDegree},
    {369, 639, "Phase B Current Phase Angle Harm %d", kThreePhase, kHarmonicAngle, 1, 1, kWide,
     kDegree},
    {370, 688, "Phase C Volts K-Factor", kThreePhase, kKFactor, 2, 0, kWide, kNone},
    {371, 689, "Phase C Volts Fund", kThreePhase, kFundamental, 2, 0, kNarrow, kVolt},
    {372, 690, "Phase C Volts Harm %d", kThreePhase, kHarmonic, 2, 0, kWide, kVolt},
    {373, 739, "Phase C Volts Phase Angle Fund", kThreePhase, kFundamentalAngle, 2, 0, kWide,
     kDegree},
    {374, 740, "Phase C Volts Phase Angle Harm %d", kThreePhase, kHarmonicAngle, 2, 0, kWide,
     kDegree},
    {375, 789, "Phase C Current K-Factor", kThreePhase, kKFactor, 2, 1, kWide, kNone},
    {376, 790, "Phase C Current Fund", kThreePhase, kFundamental, 2, 1, kNarrow, kAmpere},
    {377, 791, "Phase C Current Harm %d", kThreePhase, kHarmonic, 2, 1, kWide, kAmpere},
    {378, 840, "Phase C Current Phase Angle Fund", kThreePhase, kFundamentalAngle, 2, 1, kWide,
     kDegree},
    {379, 841, "Phase C Current Phase Angle Harm %d", kThreePhase, kHarmonicAngle, 2, 1, kWide,
     kDegree},
    {380, 890, "Phase A Volts", kThreePhase, kVoltage, 0, 0, kNarrow, kVolt},
    {381, 891, "Phase A Volts Phase", kThreePhase, kVoltagePhase, 0, 0, kWide, kDegree},
    {382, 892, "Phase A Current", kThreePhase, kCurrent, 0, 0, kNarrow, kAmpere},
    {383, 893, "Phase A Current Phase", kThreePhase, kCurrentPhase, 0, 0, kWide, kDegree},
    {384, 894, "Phase B Volts", kThreePhase, kVoltage, 1, 0, kNarrow, kVolt},
    {385, 895, "Phase B Volts Phase", kThreePhase, kVoltagePhase, 1, 0, kWide, kDegree},
    {386, 896, "Phase B Current", kThreePhase, kCurrent, 1, 0, kNarrow, kAmpere},
    {387, 897, "Phase B Current Phase", kThreePhase, kCurrentPhase, 1, 0, kWide, kDegree},
    {388, 898, "Phase C Volts", kThreePhase, kVoltage, 2, 0, kNarrow, kVolt},
    {389, 899, "Phase C Volts Phase", kThreePhase, kVoltagePhase, 2, 0, kWide, kDegree},
    {390, 900, "Phase C Current", kThreePhase, kCurrent, 2, 0, kNarrow, kAmpere},
    {391, 901, "Phase C Current Phase", kThreePhase, kCurrentPhase, 2, 0, kWide, kDegree},
}};
}  // namespace catalogue_rows
inline constexpr const auto& kCatalogue = catalogue_rows::kRows;

// The row of string number `textId`; nullptr outside 257..391.
constexpr const CatalogueEntry* FindCatalogueEntry(int textId) {
  if (textId < kFirstColumnTextId || textId > kLastColumnTextId) return nullptr;
  return &kCatalogue[static_cast<size_t>(textId - kFirstColumnTextId)];
}

// What one identifier shows, derived from its row.
struct ColumnDescription {
  const CatalogueEntry* entry = nullptr;  // nullptr outside 0..901
  int harmonic = 0;                       // 2..50 in a harmonic family, else 0
};
ColumnDescription DescribeColumn(int columnId);

// A quantity as a lookup names it.
struct QuantityKey {
  Quantity quantity;
  Scope scope = Scope::kAnyLog;
  int phase = kNoPhase;
  int input = 0;
  Bandwidth bandwidth = Bandwidth::kWide;
};

// The identifier of the column that shows `key` (of a family: its harmonic `harmonic`, 2..50);
// -1 when the catalogue has none. The first row wins where two texts head one column.
constexpr int ColumnOf(const QuantityKey& key, int harmonic = 0) {
  for (const CatalogueEntry& entry : kCatalogue) {
    if (entry.quantity != key.quantity || entry.scope != key.scope || entry.phase != key.phase ||
        entry.input != key.input || entry.bandwidth != key.bandwidth)
      continue;
    if (!IsHarmonicFamily(entry.quantity)) return entry.id;
    if (harmonic < kFirstHarmonic || harmonic > kLastHarmonic) return -1;
    return entry.id + harmonic - kFirstHarmonic;
  }
  return -1;
}

}  // namespace meterlog2::table
