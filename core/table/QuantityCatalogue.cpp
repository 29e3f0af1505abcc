#include "QuantityCatalogue.h"

namespace meterlog2::table {

namespace {

// The row of each identifier (255: none), built once from the catalogue.
constexpr auto kEntryOfColumn = [] {
  std::array<uint8_t, kColumnIdCount> rows{};
  rows.fill(255);
  for (size_t i = 0; i < kCatalogue.size(); ++i) {
    const CatalogueEntry& entry = kCatalogue[i];
    const int count = IsHarmonicFamily(entry.quantity) ? kHarmonicFamilySize : 1;
    for (int k = 0; k < count; ++k) {
      uint8_t& row = rows[static_cast<size_t>(entry.id + k)];
      if (row == 255) row = static_cast<uint8_t>(i);  // "Frequency" before "3 Phase Frequency"
    }
  }
  return rows;
}();

constexpr bool EveryColumnDescribed() {
  for (uint8_t row : kEntryOfColumn)
    if (row == 255) return false;
  return true;
}
static_assert(EveryColumnDescribed(), "an identifier without a catalogue row");

constexpr bool RowsInTextOrder() {
  for (size_t i = 0; i < kCatalogue.size(); ++i)
    if (kCatalogue[i].textId != kFirstColumnTextId + static_cast<int>(i)) return false;
  return true;
}
static_assert(RowsInTextOrder(), "the catalogue's rows run in the order of the string numbers");

}  // namespace

ColumnDescription DescribeColumn(int columnId) {
  if (columnId < 0 || columnId >= kColumnIdCount) return {};
  const CatalogueEntry& entry = kCatalogue[kEntryOfColumn[static_cast<size_t>(columnId)]];
  ColumnDescription description{&entry, 0};
  if (IsHarmonicFamily(entry.quantity)) description.harmonic = kFirstHarmonic + columnId - entry.id;
  return description;
}

}  // namespace meterlog2::table
