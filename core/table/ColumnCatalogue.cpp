#include "ColumnCatalogue.h"

#include <cstring>

#include "text/Text.h"

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
  return meterlog2::table::DescribeColumn(columnId).harmonic == kFirstHarmonic;
}

const char* ColumnTextFormat(int textId) {
  const meterlog2::table::CatalogueEntry* entry = meterlog2::table::FindCatalogueEntry(textId);
  return entry != nullptr ? entry->text : nullptr;
}

int ColumnTextId(int columnId) {
  const meterlog2::table::ColumnDescription column = meterlog2::table::DescribeColumn(columnId);
  return column.entry != nullptr ? column.entry->textId : 0;
}

int ColumnHarmonicNumber(int columnId) {
  return meterlog2::table::DescribeColumn(columnId).harmonic;
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
