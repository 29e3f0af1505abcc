#include "ColumnCatalogue.h"

#include <cstring>

#include "QuantityColumns.h"
#include "text/Text.h"

namespace {

// A harmonic block's five texts follow each other: K-Factor, Fund, Harm %d, phase Fund, phase
// Harm %d. The blocks' first texts: 280 and 285 for the channels, 350 + 10 p + 5 q for phase p's
// volts (q = 0) and current (q = 1).
int BlockTextId(const HarmonicBlockPlace& place) {
  const int first =
      place.phase == kNoPhase ? 280 + 5 * place.input : 350 + 10 * place.phase + 5 * place.input;
  return first + static_cast<int>(place.part);
}

}  // namespace

ColumnSetKind ChooseColumnSet(int logType, uint32_t dataFormat) {
  switch (logType) {
    case 1:
      return ColumnSetKind::kStandard;
    case 2:
    case 3:
      return ColumnSetKind::kHarmonic;
    case 4:
      return ColumnSetKind::kThreePhaseHarmonic;
    case 5:
      return dataFormat == 256 ? ColumnSetKind::kVector : ColumnSetKind::kThreePhase;
    default:
      return ColumnSetKind::kThreePhase;
  }
}

std::span<const ColumnSetPair> ColumnSetPairs(ColumnSetKind kind) {
  switch (kind) {
    case ColumnSetKind::kStandard:
      return kStandardColumnSet;
    case ColumnSetKind::kHarmonic:
      return kHarmonicColumnSet;
    case ColumnSetKind::kThreePhaseHarmonic:
      return kThreePhaseHarmonicColumnSet;
    case ColumnSetKind::kVector:
      return kVectorColumnSet;
    case ColumnSetKind::kThreePhase:
      break;
  }
  return kThreePhaseColumnSet;
}

bool StartsHarmonicFamily(int columnId) {
  const std::optional<HarmonicBlockPlace> place = FindHarmonicBlock(columnId);
  return place && place->harmonic == kFirstHarmonic;
}

const char* ColumnTextFormat(int textId) {
  if (textId < kFirstColumnTextId || textId > kLastColumnTextId) return nullptr;
  return kColumnTexts[static_cast<size_t>(textId - kFirstColumnTextId)];
}

int ColumnTextId(int columnId) {
  if (columnId < 0 || columnId >= kColumnIdCount) return 0;
  // Outside the harmonic blocks the texts run in the order of the identifiers.
  if (const std::optional<HarmonicBlockPlace> place = FindHarmonicBlock(columnId))
    return BlockTextId(*place);
  if (columnId <= kVarHoursColumn) return 257 + columnId - kLogTypeColumn;
  if (columnId < PhaseAngleColumn(0)) return 290 + columnId - kPhaseDirectionColumn;
  if (columnId < VectorMagnitudeColumn(0, Signal::kVoltage))
    return 305 + columnId - PhaseAngleColumn(0);
  return 380 + columnId - VectorMagnitudeColumn(0, Signal::kVoltage);
}

int ColumnHarmonicNumber(int columnId) {
  const std::optional<HarmonicBlockPlace> place = FindHarmonicBlock(columnId);
  return place ? place->harmonic : 0;
}

void FormatColumnTitle(std::string& title, int textId, int number) {
  title.clear();
  const char* format = ColumnTextFormat(textId);
  if (format == nullptr) return;
  const char* mark = std::strstr(format, "%d");
  if (mark == nullptr) {
    title.assign(format);
    return;
  }
  title.assign(format, static_cast<size_t>(mark - format));
  AppendInt(title, number);
  title.append(mark + 2);
}

std::string ColumnTitle(int columnId) {
  std::string title;
  FormatColumnTitle(title, ColumnTextId(columnId), ColumnHarmonicNumber(columnId));
  return title;
}
