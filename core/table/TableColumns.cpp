#include "TableColumns.h"

std::vector<TableColumn> VisibleColumns(const ColumnList& list) {
  std::vector<TableColumn> columns;
  columns.reserve(static_cast<size_t>(list.VisibleCount()));
  for (const ColumnInfo& info : list.Entries()) {
    if (info.bVisible) columns.push_back({info.nColumnId, info.strTitle});
  }
  return columns;
}

std::vector<TableColumn> DisplayedColumns(const ColumnList& list,
                                          const std::vector<int>& displayOrder) {
  // Table column k shows the k-th visible entry, whatever position its header was dragged to.
  const int visible = list.VisibleCount();
  std::vector<TableColumn> columns;
  columns.reserve(displayOrder.size());
  for (int k : displayOrder) {
    if (k < 0 || k >= visible) continue;
    const ColumnInfo& info = list.Entries()[static_cast<size_t>(list.ColumnFromSubItem(k))];
    columns.push_back({info.nColumnId, info.strTitle});
  }
  return columns;
}
