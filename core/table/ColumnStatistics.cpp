#include "ColumnStatistics.h"

#include <algorithm>
#include <cmath>

#include "CellText.h"
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
    if (!IsNumericColumn(column.id)) continue;
    ColumnStatistics s;
    s.id = column.id;
    s.title = column.title;
    s.unit = GetColumnUnit(doc, column.id);
    stats.push_back(std::move(s));
  }
  std::vector<Sum> sums(stats.size());
  // Row by row: a record's fields are read while it is in the cache.
  auto take = [&](unsigned row) {
    for (size_t i = 0; i < stats.size(); ++i) {
      const std::optional<double> value = GetCellValue(doc, row, stats[i].id);
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

std::span<const StatisticsField> StatisticsFields() {
  using Kind = StatisticsCell::Kind;
  // A number or a time only where the column has numbers.
  static constexpr auto kValue = [](const ColumnStatistics& s, double value) {
    return s.count > 0 ? StatisticsCell{Kind::kValue, {}, 0, value, 0} : StatisticsCell{};
  };
  static constexpr auto kTime = [](const ColumnStatistics& s, unsigned row) {
    return s.count > 0 ? StatisticsCell{Kind::kTime, {}, 0, 0, row} : StatisticsCell{};
  };
  static constexpr StatisticsField kFields[] = {
      {"Column",
       [](const ColumnStatistics& s) {
         return StatisticsCell{Kind::kText, s.title};
       }},
      {"Unit",
       [](const ColumnStatistics& s) {
         return StatisticsCell{Kind::kText, UnitSymbol(s.unit)};
       }},
      {"Count",
       [](const ColumnStatistics& s) {
         return StatisticsCell{Kind::kCount, {}, s.count};
       }},
      {"Minimum", [](const ColumnStatistics& s) { return kValue(s, s.minimum); }},
      {"Time of Minimum", [](const ColumnStatistics& s) { return kTime(s, s.minimumRow); }},
      {"Mean", [](const ColumnStatistics& s) { return kValue(s, s.mean); }},
      {"Maximum", [](const ColumnStatistics& s) { return kValue(s, s.maximum); }},
      {"Time of Maximum", [](const ColumnStatistics& s) { return kTime(s, s.maximumRow); }},
  };
  return kFields;
}

std::string StatisticsText(const CMeterlog2Doc& doc, const std::vector<ColumnStatistics>& stats,
                           char separator, TimeStyle timeStyle) {
  const std::span<const StatisticsField> fields = StatisticsFields();
  std::string text, time;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) text += separator;
    text += fields[i].header;
  }
  text += "\r\n";
  for (const ColumnStatistics& s : stats) {
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) text += separator;
      const StatisticsCell cell = fields[i].cell(s);
      switch (cell.kind) {
        case StatisticsCell::Kind::kText:
          text += cell.text;
          break;
        case StatisticsCell::Kind::kCount:
          AppendInt(text, static_cast<long long>(cell.count));
          break;
        case StatisticsCell::Kind::kValue:
          AppendFixed6(text, cell.value);
          break;
        case StatisticsCell::Kind::kTime:
          doc.GetTimeStamp(time, cell.row, timeStyle);
          text += time;
          break;
        case StatisticsCell::Kind::kEmpty:
          break;
      }
    }
    text += "\r\n";
  }
  return text;
}
