#include "ColumnCatalogue.h"

#include <cstring>

#include "ColumnInfo.h"
#include "text/Text.h"

namespace {

// A harmonic block of 101 identifiers: K-Factor, Fund, Harm 2..50, phase Fund, phase Harm 2..50.
// Its five texts follow each other from `firstText`.
int BlockTextId(int offsetInBlock, int firstText) {
  if (offsetInBlock == 0) return firstText;
  if (offsetInBlock == 1) return firstText + 1;
  if (offsetInBlock <= 50) return firstText + 2;
  if (offsetInBlock == 51) return firstText + 3;
  return firstText + 4;
}

int BlockHarmonicNumber(int offsetInBlock) {
  if (offsetInBlock >= 2 && offsetInBlock <= 50) return offsetInBlock;
  if (offsetInBlock >= 52 && offsetInBlock <= 100) return offsetInBlock - 50;
  return 0;
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
  // Single-phase blocks start at 23 and 124, three-phase blocks at 284 + 101 k; within a
  // block the magnitude harmonics start at +2 and the phase harmonics at +52.
  int offset = -1;
  if (columnId >= 23 && columnId <= 224) offset = (columnId - 23) % 101;
  if (columnId >= 284 && columnId <= 889) offset = (columnId - 284) % 101;
  return offset == 2 || offset == 52;
}

const char* ColumnTextFormat(int textId) {
  if (textId < kFirstColumnTextId || textId > kLastColumnTextId) return nullptr;
  return kColumnTexts[static_cast<size_t>(textId - kFirstColumnTextId)];
}

int ColumnTextId(int columnId) {
  if (columnId < 0 || columnId >= kColumnIdCount) return 0;
  if (columnId <= 22) return 257 + columnId;
  if (columnId <= 224) {
    const int channel = (columnId - 23) / 101;
    return BlockTextId((columnId - 23) % 101, 280 + 5 * channel);
  }
  if (columnId <= 238) return columnId + 65;
  if (columnId <= 283) return columnId + 66;
  if (columnId <= 889) {
    const int block = (columnId - 284) / 101;  // 2p + q
    const int p = block / 2;
    const int q = block % 2;
    return BlockTextId((columnId - 284) % 101, 350 + 10 * p + 5 * q);
  }
  return columnId - 510;
}

int ColumnHarmonicNumber(int columnId) {
  if (columnId >= 23 && columnId <= 224) return BlockHarmonicNumber((columnId - 23) % 101);
  if (columnId >= 284 && columnId <= 889) return BlockHarmonicNumber((columnId - 284) % 101);
  return 0;
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
