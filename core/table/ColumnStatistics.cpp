#include "ColumnStatistics.h"

#include <algorithm>
#include <cmath>

#include "CellText.h"
#include "ColumnInfo.h"
#include "log/CMeterlog2Doc.h"
#include "log/NumberText.h"
#include "text/Text.h"

namespace {

// Running sum with Neumaier's compensation: a mean over hundreds of thousands of readings
// keeps the digits the table shows.
struct Sum {
  double sum = 0, compensation = 0;
  void Add(double value) {
    const double t = sum + value;
    compensation += std::fabs(sum) >= std::fabs(value) ? (sum - t) + value : (value - t) + sum;
    sum = t;
  }
  double Total() const { return sum + compensation; }
};

}  // namespace

std::vector<ColumnStatistics> ComputeStatistics(const CMeterlog2Doc& doc,
                                                const std::vector<TableColumn>& columns,
                                                const std::vector<unsigned>* rows) {
  std::vector<ColumnStatistics> stats;
  for (const TableColumn& column : columns) {
    if (!IsNumericColumn(column.nColumnId)) continue;
    ColumnStatistics s;
    s.nColumnId = column.nColumnId;
    s.strTitle = column.strTitle;
    s.unit = GetColumnUnit(doc, column.nColumnId);
    stats.push_back(std::move(s));
  }
  std::vector<Sum> sums(stats.size());
  // Row by row: a record's fields are read while it is in the cache.
  auto take = [&](unsigned row) {
    for (size_t i = 0; i < stats.size(); ++i) {
      const std::optional<double> value = GetCellValue(doc, row, stats[i].nColumnId);
      if (!value || !std::isfinite(*value)) continue;
      ColumnStatistics& s = stats[i];
      if (s.count == 0 || *value < s.minimum) {
        s.minimum = *value;
        s.minimumRow = row;
      }
      if (s.count == 0 || *value > s.maximum) {
        s.maximum = *value;
        s.maximumRow = row;
      }
      ++s.count;
      sums[i].Add(*value);
    }
  };
  const unsigned count = doc.GetRecordCount();
  if (rows == nullptr) {
    for (unsigned row = 0; row < count; ++row) take(row);
  } else {
    for (unsigned row : *rows) {
      if (row < count) take(row);
    }
  }
  for (size_t i = 0; i < stats.size(); ++i) {
    if (stats[i].count > 0) stats[i].mean = sums[i].Total() / static_cast<double>(stats[i].count);
  }
  return stats;
}

std::string StatisticsText(const CMeterlog2Doc& doc, const std::vector<ColumnStatistics>& stats,
                           char separator) {
  std::string text = "Column,Unit,Count,Minimum,Time of Minimum,Mean,Maximum,Time of Maximum\r\n";
  if (separator != ',') std::replace(text.begin(), text.end(), ',', separator);
  std::string time;
  for (const ColumnStatistics& s : stats) {
    text += s.strTitle;
    text += separator;
    text += UnitSymbol(s.unit);
    text += separator;
    AppendInt(text, static_cast<long long>(s.count));
    text += separator;
    if (s.count > 0) {
      AppendFixed6(text, s.minimum);
      text += separator;
      GetCellText(doc, s.minimumRow, kTimeColumn, time);
      text += time;
      text += separator;
      AppendFixed6(text, s.mean);
      text += separator;
      AppendFixed6(text, s.maximum);
      text += separator;
      GetCellText(doc, s.maximumRow, kTimeColumn, time);
      text += time;
    } else {
      text.append(4, separator);
    }
    text += "\r\n";
  }
  return text;
}
