#pragma once
// Statistics of the table's numeric columns over all rows or chosen rows: count, minimum and
// maximum with the time of the first row holding each, the mean, the sample standard deviation
// and the 95th percentile by nearest rank. Cells that are no numbers ("Oops!", "-", nan, inf)
// are not counted. The same numbers for the desktop program's Statistics window and
// `meterlog2-cli stats`.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ColumnCatalogue.h"
#include "TableWriter.h"

class CMeterlog2Doc;

struct ColumnStatistics {
  int id = 0;  // the column's identifier
  std::string title;
  Unit unit = Unit::kNone;
  uint64_t count = 0;  // cells that hold a finite number
  double minimum = 0, maximum = 0, mean = 0;
  unsigned minimumRow = 0, maximumRow = 0;  // the first row holding each extreme
  // The sample standard deviation: sqrt(sum((x - mean)^2) / (count - 1)); 0 below two values.
  double standardDeviation = 0;
  // The 95th percentile by nearest rank: element ceil(0.95 count) (1-based) of the values in
  // ascending order.
  double percentile95 = 0;
};

// One entry per numeric column of `columns`, in their order; the text columns are left out.
// `rows` null means every row; otherwise ascending record indices (others are skipped).
std::vector<ColumnStatistics> ComputeStatistics(const CMeterlog2Doc& doc,
                                                const std::vector<TableColumn>& columns,
                                                const std::vector<unsigned>* rows);

// One field of a statistics row as data; the CSV writer and the window each format it.
struct StatisticsCell {
  enum class Kind : uint8_t {
    kEmpty,  // a column without any number has no minimum, mean, maximum or times
    kText,   // `text`
    kCount,  // `count`
    kValue,  // `value`, in the column's unit
    kTime,   // the time of record `row`
  };
  Kind kind = Kind::kEmpty;
  std::string_view text;
  uint64_t count = 0;
  double value = 0;
  unsigned row = 0;
};

// The fields of a row, in the order they are shown and written: Column, Unit, Count, Minimum,
// Time of Minimum, Mean, Maximum, Time of Maximum, Standard Deviation, 95th Percentile. A new
// statistic is a new entry at the end, so that readers of the CSV keep working.
struct StatisticsField {
  const char* header;
  const char* description;  // what the field holds, for a reader (UTF-8)
  StatisticsCell (*cell)(const ColumnStatistics& s);
};
std::span<const StatisticsField> StatisticsFields();

// The statistics as CSV, CR LF line ends: the header line of the fields' names, then one line
// per entry with the numbers as the table prints them ("%f") and the times in `timeStyle`.
std::string StatisticsText(const CMeterlog2Doc& doc, const std::vector<ColumnStatistics>& stats,
                           char separator = ',', TimeStyle timeStyle = TimeStyle::kTable);
