#include "ColumnList.h"

#include "ColumnCatalogue.h"
#include "log/CMeterlog2Doc.h"

int ColumnList::BuildColumns(int logType, uint32_t dataFormat, const CMeterlog2Doc* doc) {
  m_columns.clear();
  if (dataFormat == 0 && doc != nullptr) dataFormat = doc->GetDetectedDataFormat();

  const auto pairs = ColumnSetPairs(ChooseColumnSet(logType, dataFormat));
  size_t count = 0;
  for (const ColumnSetPair& pair : pairs)
    count += StartsHarmonicFamily(pair.id) ? kHarmonicFamilySize : 1;
  m_columns.reserve(count);

  for (const ColumnSetPair& pair : pairs) {
    if (StartsHarmonicFamily(pair.id)) {
      for (int i = 0; i < kHarmonicFamilySize; ++i) {
        ColumnInfo& info = m_columns.emplace_back();
        info.nColumnId = pair.id + i;
        FormatColumnTitle(info.strTitle, pair.textId, kFirstHarmonic + i);
      }
    } else {
      ColumnInfo& info = m_columns.emplace_back();
      info.nColumnId = pair.id;
      FormatColumnTitle(info.strTitle, pair.textId, 0);
    }
  }
  return static_cast<int>(m_columns.size());
}

int ColumnList::ColumnFromSubItem(int k) const {
  if (m_columns.empty()) return -1;
  int seen = 0;
  for (size_t i = 0; i < m_columns.size(); ++i) {
    if (m_columns[i].bVisible && ++seen == k + 1) return static_cast<int>(i);
  }
  return static_cast<int>(m_columns.size()) - 1;
}

int ColumnList::VisibleCount() const {
  int count = 0;
  for (const ColumnInfo& info : m_columns) count += info.bVisible ? 1 : 0;
  return count;
}
