#pragma once
// Statistics of the table's numeric columns over all rows or chosen rows: count, minimum and
// maximum with the time of the first row holding each, and the mean. Cells that are no numbers
// ("Oops!", "-", nan, inf) are not counted. The same numbers for the desktop program's
// Statistics window and `meterlog2-cli stats`.

#include <cstdint>
#include <string>
#include <vector>

#include "ColumnCatalogue.h"
#include "TableWriter.h"

class CMeterlog2Doc;

struct ColumnStatistics {
  int nColumnId = 0;
  std::string strTitle;
  Unit unit = Unit::kNone;
  uint64_t count = 0;  // cells that hold a finite number
  double minimum = 0, maximum = 0, mean = 0;
  unsigned minimumRow = 0, maximumRow = 0;  // the first row holding each extreme
};

// One entry per numeric column of `columns`, in their order; the text columns are left out.
// `rows` null means every row; otherwise ascending record indices (others are skipped).
std::vector<ColumnStatistics> ComputeStatistics(const CMeterlog2Doc& doc,
                                                const std::vector<TableColumn>& columns,
                                                const std::vector<unsigned>* rows);

// The statistics as CSV, CR LF line ends: the header line
// "Column,Unit,Count,Minimum,Time of Minimum,Mean,Maximum,Time of Maximum", then one line per
// entry with the numbers as the table prints them ("%f"); a column without any number has an
// empty minimum, mean and maximum and no times.
std::string StatisticsText(const CMeterlog2Doc& doc, const std::vector<ColumnStatistics>& stats,
                           char separator = ',');
