#pragma once
// The limits the assessment judges against, as data, each written once: EN 50160 for low-voltage
// supplies, IEEE 519-2014 for buses up to 1 kV, and the conventions of the method (window
// lengths, the percentile, the nominal values a survey may be inferred to have). Everything that
// names a limit in the criteria, the notes, the writers and the desktop reads it from here.

#include <array>
#include <cstddef>
#include <limits>
#include <string_view>

#include "table/QuantityColumns.h"

namespace assess {

// ---- Method ----

constexpr long long kWindowSeconds = 600;      // the 10-minute values
constexpr long long kDemandSeconds = 900;      // the 15-minute means (demand, IEEE 519's IL)
constexpr long long kWeekSeconds = 7 * 86400;  // what the standards judge; shorter is indicative
constexpr int kPercentile = 95;                // nearest rank: element ceil(0.95 n), 1-based
// The logs record harmonics kFirstHarmonic..kLastHarmonic (2..50, QuantityColumns.h).
constexpr int kHarmonicCount = kLastHarmonic - kFirstHarmonic + 1;  // 49
constexpr int kLastThdHarmonic = 40;                                // THD sums harmonics 2 to 40
constexpr int kLastEnHarmonic = 25;  // EN 50160 judges harmonics 2 to 25

// Nominal phase-to-neutral voltages an inferred Un is rounded to, and the nominal frequencies.
inline constexpr std::array<double, 9> kNominalVoltages = {100, 110, 115, 120, 127,
                                                           220, 230, 240, 277};
inline constexpr std::array<double, 2> kNominalFrequencies = {50, 60};
// The largest Un and the largest Isc or IL taken: beyond them the arithmetic of the limits would
// leave the range of numbers (and no survey has them).
constexpr double kMaxNominalVoltage = 1e6;  // V
constexpr double kMaxCurrent = 1e9;         // A

// ---- The standards and the editions whose limits these are ----

// The title of a criterion's `standard` ("en50160", "ieee519", "nema", "info") with the
// edition whose limits are applied; nullptr for another.
constexpr const char* StandardTitle(std::string_view standard) {
  if (standard == "en50160") return "EN 50160:2010, public low-voltage supply";
  if (standard == "ieee519") return "IEEE 519-2014, bus voltage up to 1 kV";
  if (standard == "nema") return "NEMA MG 1 line voltage unbalance rate (informative)";
  if (standard == "info") return "Informative values";
  return nullptr;
}

// ---- EN 50160, low voltage ----

struct ShareBand {
  double lowPercent, highPercent;  // the band around the nominal value, in % of it
  double share;                    // at least this share (%) of the values lie inside
};

// Power frequency: 99.5 % of the records within +/-1 %, all within -6 % / +4 %.
inline constexpr ShareBand kEnFrequencyBand = {-1, 1, 99.5};
inline constexpr ShareBand kEnFrequencyOuterBand = {-6, 4, 100};
// Supply voltage: 95 % of the 10-minute values within +/-10 %, all within -15 % / +10 %.
inline constexpr ShareBand kEnVoltageBand = {-10, 10, 95};
inline constexpr ShareBand kEnVoltageOuterBand = {-15, 10, 100};
constexpr double kEnThdLimit = 8;        // % of the fundamental
constexpr double kEnUnbalanceLimit = 2;  // % negative sequence of positive sequence

// Harmonic voltages in % of the fundamental, harmonics 2 to 25 (index h - 2).
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

// ---- IEEE 519-2014, bus voltage up to 1 kV ----

constexpr double kIeeeVoltageThdLimit = 8;       // % of the fundamental
constexpr double kIeeeVoltageHarmonicLimit = 5;  // each harmonic, % of the fundamental

// Table 2: current distortion limits in % of IL, by Isc / IL. The odd-harmonic limits hold for
// the five ranges of harmonic numbers below; an even harmonic gets a quarter of the odd limit of
// its range.
inline constexpr std::array<int, 6> kIeeeHarmonicRangeStarts = {2, 11, 17, 23, 35, 51};
constexpr double kIeeeEvenFactor = 0.25;
struct IeeeCurrentRow {
  double ratioFrom;  // Isc / IL at or above this ...
  double ratioTo;    // ... and below this (infinity for the last row)
  const char* text;  // the row as Table 2 writes it
  std::array<double, 5> odd;
  double tdd;
};
inline constexpr std::array<IeeeCurrentRow, 5> kIeeeCurrentRows = {{
    {0, 20, "Isc/IL < 20", {4, 2, 1.5, 0.6, 0.3}, 5},
    {20, 50, "20 <= Isc/IL < 50", {7, 3.5, 2.5, 1, 0.5}, 8},
    {50, 100, "50 <= Isc/IL < 100", {10, 4.5, 4, 1.5, 0.7}, 12},
    {100, 1000, "100 <= Isc/IL < 1000", {12, 5.5, 5, 2, 1}, 15},
    {1000, std::numeric_limits<double>::infinity(), "Isc/IL >= 1000", {15, 7, 6, 2.5, 1.4}, 20},
}};

// The row of Table 2 for a ratio Isc / IL (a ratio below 0 or NaN takes the first row).
constexpr const IeeeCurrentRow& IeeeRowFor(double ratio) {
  for (size_t i = kIeeeCurrentRows.size(); i-- > 1;)
    if (ratio >= kIeeeCurrentRows[i].ratioFrom) return kIeeeCurrentRows[i];
  return kIeeeCurrentRows[0];
}

// The limit of current harmonic h (2..50) in % of IL under `row`; NaN outside 2..50.
constexpr double IeeeCurrentHarmonicLimit(const IeeeCurrentRow& row, int h) {
  for (size_t r = 0; r + 1 < kIeeeHarmonicRangeStarts.size(); ++r) {
    if (h >= kIeeeHarmonicRangeStarts[r] && h < kIeeeHarmonicRangeStarts[r + 1])
      return h % 2 ? row.odd[r] : row.odd[r] * kIeeeEvenFactor;
  }
  return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace assess
