#pragma once

#include <string>

// One entry of the view's column list.
struct ColumnInfo {
  int nColumnId = 0;     // column identifier 0..901
  std::string strTitle;  // header text, formatted with the harmonic number where it has one
  bool bVisible = true;  // shown in the table
};

constexpr int kColumnIdCount = 902;
constexpr int kTimeColumnId = 1;  // "Time" cannot be hidden
