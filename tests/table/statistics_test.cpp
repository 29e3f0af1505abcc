// Statistics of the numeric columns against numbers worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "LogBytes.h"
#include "table/ColumnStatistics.h"

namespace {

// Five Standard records, one minute apart: frequencies 50, 49, 51, 51, nan; watt hours 1, 2,
// 3, inf, 4. The fifth record of a second log is cut short, so its cells read "Oops!".
HandLog FiveRecords(uint32_t format) {
  HandLog log(5, 303, format);
  const float frequencies[5] = {50, 49, 51, 51, std::numeric_limits<float>::quiet_NaN()};
  const float energies[5] = {1, 2, 3, std::numeric_limits<float>::infinity(), 4};
  for (unsigned row = 0; row < 5; ++row) {
    log.SetType(row, 1);
    log.SetFloat(row, 73 /* fFrequency */, frequencies[row]);
    log.SetFloat(row, 153 /* fWattHours */, energies[row]);
  }
  return log;
}

const std::vector<TableColumn> kColumns = {
    {1, "Time"}, {4, "Frequency"}, {20, "Watt Hours"}, {2, "Ch1 Select"}, {7, "Power Factor Wide"}};

TEST(Statistics, MinimumMeanMaximumAndTheirTimes) {
  for (uint32_t format : {1u, 256u}) {
    CMeterlog2Doc doc;
    FiveRecords(format).LoadInto(doc);
    const std::vector<ColumnStatistics> stats = ComputeStatistics(doc, kColumns, nullptr);
    ASSERT_EQ(stats.size(), 3u);  // the time and the channel select are text
    const ColumnStatistics& f = stats[0];
    EXPECT_EQ(f.title, "Frequency");
    EXPECT_EQ(f.unit, Unit::kHertz);
    EXPECT_EQ(f.count, 4u);  // nan is no number
    EXPECT_EQ(f.minimum, 49);
    EXPECT_EQ(f.minimumRow, 1u);
    EXPECT_EQ(f.maximum, 51);
    EXPECT_EQ(f.maximumRow, 2u);  // the first of the two
    EXPECT_EQ(f.mean, 50.25);
    const ColumnStatistics& e = stats[1];
    EXPECT_EQ(e.count, 4u);  // inf is no number either
    EXPECT_EQ(e.mean, 2.5);
    EXPECT_EQ(e.maximumRow, 4u);
    EXPECT_EQ(stats[2].unit, Unit::kNone);
    EXPECT_EQ(stats[2].count, 5u);
    EXPECT_EQ(stats[2].mean, 0);
  }
}

// Twenty readings worked by hand: 1, 2, ..., 20 in a shuffled order. Mean 10.5; the squared
// differences from it sum to 665, so the sample standard deviation is sqrt(665 / 19) =
// sqrt(35) = 5.916080; the 95th percentile by nearest rank is element ceil(0.95 * 20) = 19 of
// the sorted values: 19.
TEST(Statistics, StandardDeviationAndPercentileWorkedByHand) {
  const unsigned n = 20;
  HandLog log(n, 303, 1);
  for (unsigned row = 0; row < n; ++row) {
    log.SetType(row, 1);
    log.SetFloat(row, 73 /* fFrequency */, float((row * 7) % n + 1));
  }
  CMeterlog2Doc doc;
  log.LoadInto(doc);
  std::vector<ColumnStatistics> stats = ComputeStatistics(doc, {{4, "Frequency"}}, nullptr);
  EXPECT_EQ(stats[0].mean, 10.5);
  EXPECT_DOUBLE_EQ(stats[0].standardDeviation, std::sqrt(35.0));
  EXPECT_EQ(stats[0].percentile95, 19);

  // Rows 2, 4 and 6 hold 15, 9 and 3: ceil(0.95 * 3) = 3, the greatest; mean 9, squared
  // differences 36 + 0 + 36 = 72, sample deviation sqrt(72 / 2) = 6.
  const std::vector<unsigned> rows = {2, 4, 6};
  stats = ComputeStatistics(doc, {{4, "Frequency"}}, &rows);
  EXPECT_EQ(stats[0].mean, 9);
  EXPECT_EQ(stats[0].standardDeviation, 6);
  EXPECT_EQ(stats[0].percentile95, 15);

  // One value: no deviation (the field stays empty), and the value is its own percentile.
  const std::vector<unsigned> one = {3};
  stats = ComputeStatistics(doc, {{4, "Frequency"}}, &one);
  EXPECT_EQ(stats[0].percentile95, 2);  // row 3 holds 21 % 20 + 1
  const std::string text = StatisticsText(doc, stats);
  EXPECT_NE(text.find(":09,,2.000000\r\n"), std::string::npos) << text;
}

TEST(Statistics, SelectedRowsOnly) {
  CMeterlog2Doc doc;
  FiveRecords(1).LoadInto(doc);
  const std::vector<unsigned> rows = {0, 2, 4, 99};  // 99 lies beyond the records
  const std::vector<ColumnStatistics> stats = ComputeStatistics(doc, kColumns, &rows);
  EXPECT_EQ(stats[0].count, 2u);
  EXPECT_EQ(stats[0].minimum, 50);
  EXPECT_EQ(stats[0].maximumRow, 2u);
  EXPECT_EQ(stats[0].mean, 50.5);
  EXPECT_EQ(stats[1].count, 3u);
  EXPECT_EQ(stats[1].mean, (1 + 3 + 4) / 3.0);
}

TEST(Statistics, CellsThatReadOopsAreNotCounted) {
  // Records too short for the energy fields: "Oops!" in every row.
  HandLog log(2, 153, 1);  // ends where fWattHours would begin
  log.SetType(0, 1);
  log.SetType(1, 1);
  log.SetFloat(0, 73 /* fFrequency */, 60);
  log.SetFloat(1, 73 /* fFrequency */, 59);
  CMeterlog2Doc doc;
  log.LoadInto(doc);
  const std::vector<ColumnStatistics> stats = ComputeStatistics(doc, kColumns, nullptr);
  EXPECT_EQ(stats[0].count, 2u);
  EXPECT_EQ(stats[1].count, 0u);
  EXPECT_EQ(StatisticsText(doc, stats),
            "Column,Unit,Count,Minimum,Time of Minimum,Mean,Maximum,Time of Maximum,"
            "Standard Deviation,95th Percentile\r\n"
            "Frequency,Hz,2,59.000000,03-07-2009 14:06:09,59.500000,60.000000,"
            "03-07-2009 14:05:09,0.707107,60.000000\r\n"
            "Watt Hours,Wh,0,,,,,,,\r\n"
            "Power Factor Wide,,2,0.000000,03-07-2009 14:05:09,0.000000,0.000000,"
            "03-07-2009 14:05:09,0.000000,0.000000\r\n");
}

TEST(Statistics, SmallReadingsAfterAHugeOneStillCount) {
  // 1e16 and a thousand readings of 1: a plain running sum drops every 1 (the spacing of
  // doubles near 1e16 is 2), which shows in the mean's units.
  const unsigned n = 1001;
  HandLog log(n, 303, 1);
  for (unsigned row = 0; row < n; ++row) {
    log.SetType(row, 1);
    log.SetFloat(row, 73 /* fFrequency */, row == 0 ? 1e16f : 1.0f);
  }
  CMeterlog2Doc doc;
  log.LoadInto(doc);
  const std::vector<ColumnStatistics> stats = ComputeStatistics(doc, {{4, "Frequency"}}, nullptr);
  const double exact = (static_cast<double>(1e16f) + 1000.0) / n;
  EXPECT_EQ(Fixed6(stats[0].mean), Fixed6(exact));
}

}  // namespace
