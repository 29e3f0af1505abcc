#pragma once
// The limits the assessment judges against, as data, each written once: EN 50160:2010 by voltage
// class, IEEE 519-2014's Table 1 by bus voltage and its current Tables 2 to 4, ANSI C84.1's
// service voltage ranges, and the conventions of the method (window lengths, percentiles,
// periods, coverage, gaps, interruptions, the resolution of a comparison). Everything that names
// a limit in the criteria, the notes, the writers and the desktop reads it from here; the sources
// of every number are in docs/assessment.md.

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <span>
#include <string_view>

#include "CriterionIds.h"
#include "table/QuantityColumns.h"

namespace assess {

// ---- Method ----

constexpr long long kWindowSeconds = 600;      // the 10-minute values
constexpr long long kDemandSeconds = 900;      // the 15-minute means (demand, IEEE 519's IL)
constexpr long long kDaySeconds = 86400;       // IEEE 519's daily statistics
constexpr long long kWeekSeconds = 7 * 86400;  // the period each weekly statistic judges
// The 10-minute windows of a whole week: what a week's coverage is counted against.
constexpr long long kWindowsPerWeek = kWeekSeconds / kWindowSeconds;  // 1008
constexpr long long kWindowsPerDay = kDaySeconds / kWindowSeconds;    // 144
constexpr int kPercentile = 95;      // nearest rank: element ceil(0.95 n), 1-based
constexpr int kHighPercentile = 99;  // IEEE 519's daily and weekly 99th percentiles
// A period with less than this share of its 10-minute windows makes the result indicative.
constexpr double kCoverageRequired = 0.9;
// Records further apart than this make the result indicative (the standards judge 10-minute
// values); consecutive records further apart than kGapIntervals median intervals are a gap.
constexpr long long kCoarsestInterval = kWindowSeconds;
constexpr int kGapIntervals = 2;
// IEEE 519's very-short-time values are 3-second values; records further apart stand in for them.
constexpr long long kVeryShortSeconds = 3;
// Interruptions: every judged voltage below 5 % of its reference; 3 minutes or more is a long
// interruption, which records at most 1 minute apart can time.
constexpr double kInterruptionPercent = 5;
constexpr long long kLongInterruptionSeconds = 180;
constexpr long long kInterruptionInterval = 60;
// The comparison with a limit: the value rounded to the nearest 0.01 (%, V or Hz), half away
// from zero, against the limit. A value at its limit passes.
constexpr double kResolution = 0.01;
constexpr double kStepsPerUnit = 100;  // 1 / kResolution, exact
constexpr int kResolutionDecimals = 2;
// A median frequency outside this range cannot come from a supply: the floats were read in the
// wrong byte order.
constexpr double kPlausibleFrequencyLow = 40;
constexpr double kPlausibleFrequencyHigh = 70;
// The logs record harmonics kFirstHarmonic..kLastHarmonic (2..50, QuantityColumns.h).
constexpr int kHarmonicCount = kLastHarmonic - kFirstHarmonic + 1;  // 49
constexpr int kLastThdHarmonic = 40;  // EN 50160's THD sums harmonics 2 to 40
constexpr int kLastEnHarmonic = 25;   // EN 50160 judges harmonics 2 to 25

// True when `value` compared at kResolution is at most `limit` (or at least, for AtLeast).
inline bool AtMost(double value, double limit) {
  return std::round(value * kStepsPerUnit) <= std::round(limit * kStepsPerUnit);
}
inline bool AtLeast(double value, double limit) {
  return std::round(value * kStepsPerUnit) >= std::round(limit * kStepsPerUnit);
}

// Nominal voltages the records' median is suggested as: phase to neutral, and between phases
// (for a delta connection, whose Un is the voltage between phases).
inline constexpr std::array<double, 9> kNominalVoltages = {100, 110, 115, 120, 127,
                                                           220, 230, 240, 277};
inline constexpr std::array<double, 12> kNominalLineVoltages = {200, 208, 220, 230, 240, 380,
                                                                400, 415, 440, 480, 600, 690};
inline constexpr std::array<double, 2> kNominalFrequencies = {50, 60};
// The largest Un and the largest Isc or IL taken: beyond them the arithmetic of the limits would
// leave the range of numbers (and no survey has them).
constexpr double kMaxNominalVoltage = 1e6;  // V
constexpr double kMaxCurrent = 1e9;         // A

// ---- Voltage classes (EN 50160:2010, 3 Terms and definitions) ----

// By the nominal voltage between phases: low voltage up to 1 kV, medium voltage above 1 kV up to
// 36 kV, high voltage above 36 kV (EN 50160 covers it up to 150 kV).
enum class VoltageClass { kLow, kMedium, kHigh };
constexpr double kLowVoltageMax = 1000;
constexpr double kMediumVoltageMax = 36000;
constexpr double kEnHighVoltageMax = 150000;
constexpr VoltageClass ClassOf(double systemVoltage) {
  return systemVoltage <= kLowVoltageMax      ? VoltageClass::kLow
         : systemVoltage <= kMediumVoltageMax ? VoltageClass::kMedium
                                              : VoltageClass::kHigh;
}
// "LV", "MV", "HV".
constexpr const char* ClassCode(VoltageClass c) {
  return c == VoltageClass::kLow ? "LV" : c == VoltageClass::kMedium ? "MV" : "HV";
}
// "low voltage", "medium voltage", "high voltage".
constexpr const char* ClassName(VoltageClass c) {
  return c == VoltageClass::kLow      ? "low voltage"
         : c == VoltageClass::kMedium ? "medium voltage"
                                      : "high voltage";
}
// "up to 1 kV", "above 1 kV up to 36 kV", "above 36 kV": between phases.
constexpr const char* ClassRange(VoltageClass c) {
  return c == VoltageClass::kLow      ? "up to 1 kV"
         : c == VoltageClass::kMedium ? "above 1 kV up to 36 kV"
                                      : "above 36 kV";
}

// ---- EN 50160:2010 ----

constexpr const char* kEnEdition = "EN 50160:2010";

struct ShareBand {
  double lowPercent, highPercent;  // the band around the nominal value, in % of it
  double share;                    // at least this share (%) of the values lie inside
};

// Power frequency, every class: 99.5 % within +/-1 %, all within -6 % / +4 % (a synchronous
// connection to an interconnected system).
inline constexpr ShareBand kEnFrequencyBand = {-1, 1, 99.5};
inline constexpr ShareBand kEnFrequencyOuterBand = {-6, 4, 100};

// What EN 50160 sets for one voltage class; `limits` false where it gives none (high voltage:
// indicative values only, to be agreed with the network operator).
struct EnClassLimits {
  VoltageClass voltageClass;
  bool limits;
  ShareBand voltageBand;       // supply voltage variations: the share within the inner band
  ShareBand voltageOuterBand;  // ... and all within the outer band
  double thd;                  // % of the fundamental, harmonics 2 to 40
  double unbalance;            // % negative sequence of positive sequence
};
inline constexpr std::array<EnClassLimits, 3> kEnClassLimits = {{
    {VoltageClass::kLow, true, {-10, 10, 95}, {-15, 10, 100}, 8, 2},
    {VoltageClass::kMedium, true, {-10, 10, 99}, {-15, 10, 100}, 8, 2},
    {VoltageClass::kHigh, false, {0, 0, 0}, {0, 0, 0}, 0, 0},
}};
constexpr const EnClassLimits& EnLimitsFor(VoltageClass c) {
  return kEnClassLimits[static_cast<size_t>(c)];
}

// Harmonic voltages in % of the fundamental, harmonics 2 to 25 (index h - 2): EN 50160:2010's
// table for low voltage, which its table for medium voltage repeats.
inline constexpr std::array<double, kLastEnHarmonic - 1> kEnHarmonicLimits = {
    2,    // 2
    5,    // 3
    1,    // 4
    6,    // 5
    0.5,  // 6
    5,    // 7
    0.5,  // 8
    1.5,  // 9
    0.5,  // 10
    3.5,  // 11
    0.5,  // 12
    3,    // 13
    0.5,  // 14
    0.5,  // 15
    0.5,  // 16
    2,    // 17
    0.5,  // 18
    1.5,  // 19
    0.5,  // 20
    0.5,  // 21
    0.5,  // 22
    1.5,  // 23
    0.5,  // 24
    1.5,  // 25
};
constexpr double EnHarmonicLimit(int h) {
  return h >= kFirstHarmonic && h <= kLastEnHarmonic
             ? kEnHarmonicLimits[static_cast<size_t>(h - kFirstHarmonic)]
             : std::numeric_limits<double>::quiet_NaN();
}

// ---- IEEE 519-2014 ----

constexpr const char* kIeeeEdition = "IEEE 519-2014";

// Table 1: voltage distortion limits by the bus voltage V at the point of common coupling.
struct IeeeVoltageRow {
  double busVoltageTo;  // V up to and including this (infinity for the last row)
  const char* text;     // the row as Table 1 writes it
  double individual;    // each harmonic, % of the fundamental
  double thd;           // %
};
inline constexpr std::array<IeeeVoltageRow, 4> kIeeeVoltageRows = {{
    {1000, "V <= 1.0 kV", 5, 8},
    {69000, "1 kV < V <= 69 kV", 3, 5},
    {161000, "69 kV < V <= 161 kV", 1.5, 2.5},
    {std::numeric_limits<double>::infinity(), "161 kV < V", 1, 1.5},
}};
constexpr const IeeeVoltageRow& IeeeVoltageRowFor(double busVoltage) {
  for (const IeeeVoltageRow& row : kIeeeVoltageRows)
    if (busVoltage <= row.busVoltageTo) return row;
  return kIeeeVoltageRows.back();
}

// Tables 2 to 4: current distortion limits in % of IL, by Isc / IL. The odd-harmonic limits hold
// for the five ranges of harmonic numbers below; an even harmonic gets a quarter of the odd limit
// of its range.
inline constexpr std::array<int, 6> kIeeeHarmonicRangeStarts = {2, 11, 17, 23, 35, 51};
constexpr double kIeeeEvenFactor = 0.25;
// The multiples of the tables' values that the 99th percentiles are judged against (5.1, 5.2).
constexpr double kIeeeVoltageDaily99Factor = 1.5;
constexpr double kIeeeCurrentWeekly99Factor = 1.5;
constexpr double kIeeeCurrentDaily99Factor = 2.0;
struct IeeeCurrentRow {
  double ratioFrom;  // Isc / IL at or above this ...
  double ratioTo;    // ... and below this (infinity for the last row)
  const char* text;  // the row as the table writes it
  std::array<double, 5> odd;
  double tdd;
};
struct IeeeCurrentTable {
  double busVoltageTo;  // systems rated up to and including this
  const char* text;     // "Table 2 (120 V through 69 kV)"
  std::span<const IeeeCurrentRow> rows;
};
inline constexpr std::array<IeeeCurrentRow, 5> kIeeeTable2 = {{
    {0, 20, "Isc/IL < 20", {4, 2, 1.5, 0.6, 0.3}, 5},
    {20, 50, "20 <= Isc/IL < 50", {7, 3.5, 2.5, 1, 0.5}, 8},
    {50, 100, "50 <= Isc/IL < 100", {10, 4.5, 4, 1.5, 0.7}, 12},
    {100, 1000, "100 <= Isc/IL < 1000", {12, 5.5, 5, 2, 1}, 15},
    {1000, std::numeric_limits<double>::infinity(), "Isc/IL >= 1000", {15, 7, 6, 2.5, 1.4}, 20},
}};
inline constexpr std::array<IeeeCurrentRow, 3> kIeeeTable3 = {{
    {0, 25, "Isc/IL < 25", {2, 1, 0.75, 0.3, 0.15}, 2.5},
    {25, 50, "25 <= Isc/IL < 50", {3.5, 1.75, 1.25, 0.5, 0.25}, 4},
    {50, std::numeric_limits<double>::infinity(), "Isc/IL >= 50", {7, 3.5, 2.5, 1, 0.5}, 6},
}};
inline constexpr std::array<IeeeCurrentRow, 3> kIeeeTable4 = {{
    {0, 25, "Isc/IL < 25", {1, 0.5, 0.38, 0.15, 0.1}, 1.5},
    {25, 50, "25 <= Isc/IL < 50", {2, 1, 0.75, 0.3, 0.15}, 2.5},
    {50, std::numeric_limits<double>::infinity(), "Isc/IL >= 50", {3, 1.5, 1.15, 0.45, 0.22}, 3.75},
}};
inline constexpr std::array<IeeeCurrentTable, 3> kIeeeCurrentTables = {{
    {69000, "Table 2 (systems rated 120 V through 69 kV)", kIeeeTable2},
    {161000, "Table 3 (systems rated above 69 kV through 161 kV)", kIeeeTable3},
    {std::numeric_limits<double>::infinity(), "Table 4 (systems rated above 161 kV)", kIeeeTable4},
}};
// Table 2 starts at systems rated 120 V: below it IEEE 519 sets no current limit.
constexpr double kIeeeCurrentMinVoltage = 120;

constexpr const IeeeCurrentTable& IeeeCurrentTableFor(double busVoltage) {
  for (const IeeeCurrentTable& table : kIeeeCurrentTables)
    if (busVoltage <= table.busVoltageTo) return table;
  return kIeeeCurrentTables.back();
}

// The row of a table for a ratio Isc / IL (a ratio below 0 or NaN takes the first row).
constexpr const IeeeCurrentRow& IeeeRowFor(const IeeeCurrentTable& table, double ratio) {
  for (size_t i = table.rows.size(); i-- > 1;)
    if (ratio >= table.rows[i].ratioFrom) return table.rows[i];
  return table.rows[0];
}
// Table 2's row, for callers that know the system is rated up to 69 kV.
constexpr const IeeeCurrentRow& IeeeRowFor(double ratio) {
  return IeeeRowFor(kIeeeCurrentTables[0], ratio);
}

// The limit of current harmonic h (2..50) in % of IL under `row`; NaN outside 2..50.
constexpr double IeeeCurrentHarmonicLimit(const IeeeCurrentRow& row, int h) {
  for (size_t r = 0; r + 1 < kIeeeHarmonicRangeStarts.size(); ++r) {
    if (h >= kIeeeHarmonicRangeStarts[r] && h < kIeeeHarmonicRangeStarts[r + 1])
      return h % 2 ? row.odd[r] : row.odd[r] * kIeeeEvenFactor;
  }
  return std::numeric_limits<double>::quiet_NaN();
}

// ---- ANSI C84.1 ----

constexpr const char* kAnsiEdition = "ANSI C84.1-2016";
// Service voltage ranges for systems up to 600 V, as fractions of the nominal voltage: Range A
// 114 to 126 V and Range B 110 to 127 V on a 120 V base (-5 % / +5 %, -8.3 % / +5.8 %).
constexpr double kAnsiRangeALow = 114.0 / 120, kAnsiRangeAHigh = 126.0 / 120;
constexpr double kAnsiRangeBLow = 110.0 / 120, kAnsiRangeBHigh = 127.0 / 120;
// Systems up to 600 V between phases; a 347/600 V wye system is 601.0 V by sqrt(3) x 347, so the
// edge allows half a percent.
constexpr double kAnsiMaxSystemVoltage = 600 * 1.005;

// ---- The standards and their titles ----

// The title of a criterion's `standard` ("en50160", "ieee519", "ansi_c84_1", "nema" or "info")
// with the edition whose limits are applied; nullptr for another.
inline const char* StandardTitle(std::string_view standard) {
  if (standard == StandardKey(Standard::kEn50160))
    return "EN 50160:2010, voltage characteristics of public networks";
  if (standard == StandardKey(Standard::kIeee519)) return "IEEE 519-2014, harmonic control";
  if (standard == StandardKey(Standard::kAnsiC84_1))
    return "ANSI C84.1-2016, service voltage ranges";
  if (standard == StandardKey(Standard::kNema))
    return "NEMA MG 1 line voltage unbalance rate (informative)";
  if (standard == StandardKey(Standard::kInfo)) return "Informative values";
  return nullptr;
}

}  // namespace assess
