#include "TableColumns.h"

std::vector<TableColumn> VisibleColumns(const CColumnList& list) {
  std::vector<TableColumn> columns;
  columns.reserve(static_cast<size_t>(list.VisibleCount()));
  for (const ColumnInfo& info : list.Entries()) {
    if (info.bVisible) columns.push_back({info.nColumnId, info.strTitle});
  }
  return columns;
}

std::vector<TableColumn> DisplayedColumns(const CColumnList& list,
                                          const std::vector<int>& displayOrder) {
  // Table column k shows the k-th visible entry, whatever position its header was dragged to.
  std::vector<int> visible;
  visible.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    if (list.Entries()[i].bVisible) visible.push_back(static_cast<int>(i));
  }
  std::vector<TableColumn> columns;
  columns.reserve(displayOrder.size());
  for (int k : displayOrder) {
    if (k < 0 || static_cast<size_t>(k) >= visible.size()) continue;
    const ColumnInfo& info = list.Entries()[static_cast<size_t>(visible[static_cast<size_t>(k)])];
    columns.push_back({info.nColumnId, info.strTitle});
  }
  return columns;
}
