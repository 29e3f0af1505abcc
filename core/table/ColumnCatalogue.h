#pragma once
// The five column sets that say which columns each kind of log shows, in which order, and the
// columns' header texts; both from the quantity catalogue (QuantityCatalogue.h).
//
// A set names its headers by string number, because one identifier may have two: identifier 4
// is "Frequency" (261) in the single-phase sets and "3 Phase Frequency" (304) in the three-phase
// ones. The identifier of each pair is the catalogue's.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "QuantityCatalogue.h"
#include "Units.h"

// One pair of a column set. A pair whose identifier starts a harmonic family stands for the
// 49 columns start + 0 .. start + 48 (harmonics 2 to 50); every other pair is one column.
struct ColumnSetPair {
  int16_t id;      // column identifier
  int16_t textId;  // string number of its header text
};

namespace meterlog2::table {

// The pairs of the string numbers `textIds`, each with its catalogue identifier.
template <size_t N>
constexpr std::array<ColumnSetPair, N> ColumnSetOf(const std::array<int16_t, N>& textIds) {
  std::array<ColumnSetPair, N> set{};
  for (size_t i = 0; i < N; ++i) set[i] = {FindCatalogueEntry(textIds[i])->id, textIds[i]};
  return set;
}

// The string numbers first to last.
template <int First, int Last>
constexpr std::array<int16_t, Last - First + 1> TextRange() {
  std::array<int16_t, Last - First + 1> texts{};
  for (int i = First; i <= Last; ++i) texts[static_cast<size_t>(i - First)] = int16_t(i);
  return texts;
}

// Three-phase logs: the averages and totals, then per phase A, B, C thirteen of its fifteen
// texts: Volts Wide and Current Narrow for A and C, Volts Wide and Volts Narrow for B.
inline constexpr std::array<int16_t, 59> kThreePhaseTexts = {{
    257, 258, 277, 278, 279, 290, 291, 292, 293, 294, 295, 296, 297, 298, 299,
    300, 301, 302, 303, 304, 305, 306, 307, 308, 309, 310, 312, 313, 314, 315,
    316, 318, 319, 320, 321, 322, 323, 324, 325, 327, 328, 329, 330, 331, 332,
    334, 335, 336, 337, 338, 339, 340, 342, 343, 344, 345, 346, 348, 349,
}};

// Then the concatenation of two lists.
template <size_t N, size_t M>
constexpr std::array<int16_t, N + M> Join(const std::array<int16_t, N>& a,
                                          const std::array<int16_t, M>& b) {
  std::array<int16_t, N + M> joined{};
  for (size_t i = 0; i < N; ++i) joined[i] = a[i];
  for (size_t i = 0; i < M; ++i) joined[N + i] = b[i];
  return joined;
}

}  // namespace meterlog2::table

// Log type 1: identifiers 0 to 22.
inline constexpr auto kStandardColumnSet =
    meterlog2::table::ColumnSetOf(meterlog2::table::TextRange<257, 279>());
// Log types 2 and 3: identifiers 0 to 224.
inline constexpr auto kHarmonicColumnSet =
    meterlog2::table::ColumnSetOf(meterlog2::table::TextRange<257, 289>());
// Log type 6, log type 5 read without the vector layout, and a first record of no known type.
inline constexpr auto kThreePhaseColumnSet =
    meterlog2::table::ColumnSetOf(meterlog2::table::kThreePhaseTexts);
// Log type 4: the three-phase columns, then the six harmonic blocks (A Volts, A Current, B Volts,
// B Current, C Volts, C Current).
inline constexpr auto kThreePhaseHarmonicColumnSet =
    meterlog2::table::ColumnSetOf(meterlog2::table::Join(meterlog2::table::kThreePhaseTexts,
                                                         meterlog2::table::TextRange<350, 379>()));
// Log type 5 in data format 256.
inline constexpr auto kVectorColumnSet = meterlog2::table::ColumnSetOf(meterlog2::table::Join(
    std::array<int16_t, 6>{257, 258, 277, 278, 279, 290}, meterlog2::table::TextRange<380, 391>()));
static_assert(kThreePhaseHarmonicColumnSet.size() == 89);

enum class ColumnSetKind { kStandard, kHarmonic, kThreePhase, kThreePhaseHarmonic, kVector };

// Log type 1 -> Standard; 2, 3 -> Harmonic; 4 -> Three-phase harmonic; 5 with data format 256
// -> Vector; anything else (5 otherwise, 6, no type) -> Three-phase.
ColumnSetKind ChooseColumnSet(int logType, uint32_t dataFormat);
std::span<const ColumnSetPair> ColumnSetPairs(ColumnSetKind kind);

// True for the 16 identifiers that start a harmonic family (25, 75, 126, ..., 841).
bool StartsHarmonicFamily(int columnId);

// The header text with string number `textId`, "%d" still in it; nullptr for an unknown number.
const char* ColumnTextFormat(int textId);
// The catalogue's string number of an identifier (4 gives 261), or 0 outside 0..901.
int ColumnTextId(int columnId);
// The harmonic number 2..50 an identifier's title is formatted with, or 0 when it has none.
int ColumnHarmonicNumber(int columnId);

// Writes the text `textId` into `title`, "%d" replaced by `number`.
void FormatColumnTitle(std::string& title, int textId, int number);
// The catalogue title of an identifier ("Frequency" for 4); empty outside 0..901.
std::string ColumnTitle(int columnId);
