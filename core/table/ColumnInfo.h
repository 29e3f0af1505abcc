#pragma once

#include <string>

#include "QuantityColumns.h"

// One entry of the view's column list.
struct ColumnInfo {
  int nColumnId = 0;     // column identifier 0..901
  std::string strTitle;  // header text, formatted with the harmonic number where it has one
  bool bVisible = true;  // shown in the table
};
