#include "ColumnStatistics.h"

#include <algorithm>
#include <cmath>

#include "CellText.h"
#include "log/CMeterlog2Doc.h"
#include "log/NumberText.h"
#include "stats/Percentiles.h"
#include "stats/Summaries.h"
#include "text/Text.h"

namespace {

// The values of every column are kept to find the percentile: at most this many at once, a
// block of columns per pass over the rows (a long Three Phase Tabular log has 665 columns).
constexpr size_t kValuesAtOnce = size_t{8} << 20;

// The mean, standard deviation and percentile of a column's finite `values` (reordered).
void Summarize(ColumnStatistics& s, std::vector<double>& values) {
  const meterlog2::stats::Spread spread = meterlog2::stats::MeanAndDeviation(values);
  s.mean = spread.mean;
  s.standardDeviation = spread.standardDeviation;
  s.percentile95 = meterlog2::stats::NearestRankPercentile(values, 95).value_or(0);
}

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
  const unsigned count = doc.GetRecordCount();
  std::vector<unsigned> chosen;
  if (rows == nullptr) {
    chosen.resize(count);
    for (unsigned row = 0; row < count; ++row) chosen[row] = row;
  } else {
    for (unsigned row : *rows)
      if (row < count) chosen.push_back(row);
  }
  const size_t block =
      std::clamp<size_t>(kValuesAtOnce / std::max<size_t>(chosen.size(), 1), 1, kValuesAtOnce);
  std::vector<std::vector<double>> values;
  for (size_t first = 0; first < stats.size(); first += block) {
    const size_t last = std::min(stats.size(), first + block);
    values.assign(last - first, {});
    // Row by row: a record's fields are read while it is in the cache.
    for (unsigned row : chosen) {
      for (size_t i = first; i < last; ++i) {
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
        values[i - first].push_back(*value);
      }
    }
    for (size_t i = first; i < last; ++i) Summarize(stats[i], values[i - first]);
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
      {"Column", "The column's title",
       [](const ColumnStatistics& s) {
         return StatisticsCell{Kind::kText, s.title};
       }},
      {"Unit", "The unit of the column's numbers",
       [](const ColumnStatistics& s) {
         return StatisticsCell{Kind::kText, UnitSymbol(s.unit)};
       }},
      {"Count", "The cells that hold a number (\"Oops!\", nan and inf are not counted)",
       [](const ColumnStatistics& s) {
         return StatisticsCell{Kind::kCount, {}, s.count};
       }},
      {"Minimum", "The least value",
       [](const ColumnStatistics& s) { return kValue(s, s.minimum); }},
      {"Time of Minimum", "The time of the first record holding the least value",
       [](const ColumnStatistics& s) { return kTime(s, s.minimumRow); }},
      {"Mean", "The arithmetic mean", [](const ColumnStatistics& s) { return kValue(s, s.mean); }},
      {"Maximum", "The greatest value",
       [](const ColumnStatistics& s) { return kValue(s, s.maximum); }},
      {"Time of Maximum", "The time of the first record holding the greatest value",
       [](const ColumnStatistics& s) { return kTime(s, s.maximumRow); }},
      {"Standard Deviation",
       "The sample standard deviation: the square root of the sum of the squared differences "
       "from the mean divided by n \xE2\x88\x92 1, for n values (empty below two values)",
       [](const ColumnStatistics& s) {
         return s.count > 1 ? kValue(s, s.standardDeviation) : StatisticsCell{};
       }},
      {"95th Percentile",
       "The 95th percentile by nearest rank: of the n values in ascending order, the one at "
       "position \xE2\x8C\x88"
       "0.95 n\xE2\x8C\x89 (counted from 1)",
       [](const ColumnStatistics& s) { return kValue(s, s.percentile95); }},
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
