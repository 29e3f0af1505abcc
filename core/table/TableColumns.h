#pragma once
// From the view's column list to the columns an export writes, in the order the user sees.

#include <vector>

#include "ColumnList.h"
#include "TableWriter.h"

// The visible entries in list order: what the table shows before any header is dragged.
std::vector<TableColumn> VisibleColumns(const ColumnList& list);

// The visible entries in display order. `displayOrder[i]` is the table column (numbered in
// insertion order, 0 .. VisibleCount() - 1) shown at display position i; numbers outside
// that range name no table column and are left out.
std::vector<TableColumn> DisplayedColumns(const ColumnList& list,
                                          const std::vector<int>& displayOrder);
