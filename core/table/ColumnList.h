#pragma once
// The view's column list: the column set of a log type, each entry with a visible flag.

#include <cstdint>
#include <vector>

#include "ColumnInfo.h"

class CMeterlog2Doc;

class ColumnList {
 public:
  // Empties the list and fills it from the column set for the log type; a data format of 0
  // means the document's detected format (or 0 without a document). Returns the entry count.
  int BuildColumns(int logType, uint32_t dataFormat, const CMeterlog2Doc* doc = nullptr);
  // Index of the k-th visible entry (0-based, list order); the last entry's index when there
  // are fewer; -1 when the list is empty.
  int ColumnFromSubItem(int k) const;
  int VisibleCount() const;

  std::vector<ColumnInfo>& Entries() { return m_columns; }
  const std::vector<ColumnInfo>& Entries() const { return m_columns; }
  size_t size() const { return m_columns.size(); }

 private:
  std::vector<ColumnInfo> m_columns;
};
