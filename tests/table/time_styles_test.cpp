// A record time reads the same wherever it appears: in a cell, an exported line, the
// statistics' times of the extremes and the plots' time axis, in each style; a year below 1000
// and an impossible year behave the same in all of them.
#include <gtest/gtest.h>

#include "LogBytes.h"
#include "table/CellText.h"
#include "table/ColumnStatistics.h"
#include "table/PlotData.h"
#include "table/QuantityColumns.h"
#include "table/TableWriter.h"

using namespace meterlog2::table;

namespace {

// Three Standard records: in the year 999, in 2009, and in the year 10000 (no valid time).
// Frequencies 48, 50, 51: the minimum in the first, the maximum in the last.
CMeterlog2Doc ThreeYears() {
  HandLog log(3, 303, 1);
  const float frequencies[3] = {48, 50, 51};
  for (unsigned row = 0; row < 3; ++row) {
    log.SetType(row, 1);
    log.SetFloat(row, 73 /* fFrequency */, frequencies[row]);
  }
  log.SetTime(0, 999, 3, 7, 14, 5, 9);
  log.SetTime(2, 10000, 1, 1, 0, 0, 0);
  CMeterlog2Doc doc;
  log.LoadInto(doc);
  return doc;
}

const std::vector<TableColumn> kColumns = {{kTimeColumn, "Time"}, {kFrequencyColumn, "Frequency"}};

TEST(TimeStyles, CellsAndExportedLines) {
  const CMeterlog2Doc doc = ThreeYears();
  std::string text;
  GetCellText(doc, 0, kTimeColumn, text);
  EXPECT_EQ(text, "03-07-999 14:05:09");
  GetCellText(doc, 0, kTimeColumn, text, TimeStyle::kIso);
  EXPECT_EQ(text, "0999-03-07T14:05:09");
  for (TimeStyle style : {TimeStyle::kTable, TimeStyle::kIso}) {
    GetCellText(doc, 2, kTimeColumn, text, style);
    EXPECT_EQ(text, "Invalid DateTime");
  }

  TableFormat iso;
  iso.timeStyle = TimeStyle::kIso;
  EXPECT_EQ(TableText(doc, kColumns, {0, 1, 2}, iso),
            "Time,Frequency\r\n"
            "0999-03-07T14:05:09,48.000000\r\n"
            "2009-03-07T14:06:09,50.000000\r\n"
            "Invalid DateTime,51.000000\r\n");
  EXPECT_EQ(TableText(doc, kColumns, {0, 1, 2}, ','),
            "Time,Frequency\r\n"
            "03-07-999 14:05:09,48.000000\r\n"
            "03-07-2009 14:06:09,50.000000\r\n"
            "Invalid DateTime,51.000000\r\n");
}

TEST(TimeStyles, StatisticsTimesOfTheExtremes) {
  const CMeterlog2Doc doc = ThreeYears();
  const std::vector<ColumnStatistics> stats = ComputeStatistics(doc, kColumns, nullptr);
  const std::string header =
      "Column,Unit,Count,Minimum,Time of Minimum,Mean,Maximum,Time of Maximum,"
      "Standard Deviation,95th Percentile\r\n";
  EXPECT_EQ(StatisticsText(doc, stats),
            header +
                "Frequency,Hz,3,48.000000,03-07-999 14:05:09,49.666667,51.000000,"
                "Invalid DateTime,1.527525,51.000000\r\n");
  EXPECT_EQ(StatisticsText(doc, stats, ',', TimeStyle::kIso),
            header +
                "Frequency,Hz,3,48.000000,0999-03-07T14:05:09,49.666667,51.000000,"
                "Invalid DateTime,1.527525,51.000000\r\n");
}

TEST(TimeStyles, TheTrendsTimeAxisSkipsWhatHasNoTime) {
  const CMeterlog2Doc doc = ThreeYears();
  const TrendAxis axis = BuildTrendAxis(doc);
  ASSERT_EQ(axis.rows, (std::vector<int64_t>{0, 1}));
  EXPECT_EQ(TimeText(static_cast<int64_t>(axis.times[0]), TimeStyle::kTable), "03-07-999 14:05:09");
  EXPECT_EQ(TimeText(static_cast<int64_t>(axis.times[1]), TimeStyle::kIso), "2009-03-07T14:06:09");
}

// The sample generator's clock before 1970 (negative seconds) rounds down to its own day.
TEST(TimeStyles, GeneratedLogsBefore1970) {
  SampleLogOptions o;
  o.records = 2;
  o.year = 999;
  o.intervalSeconds = 86400 - 1;
  const std::vector<uint8_t> bytes = MakeSampleLog(o);
  CMeterlog2Doc doc;
  doc.LoadFromMemory(bytes.data(), bytes.size(), "999.57x");
  std::string text;
  GetCellText(doc, 0, kTimeColumn, text);
  EXPECT_EQ(text, "03-07-999 14:05:09");
  GetCellText(doc, 1, kTimeColumn, text);
  EXPECT_EQ(text, "03-08-999 14:05:08");
}

}  // namespace
