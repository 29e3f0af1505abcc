// The statistics shared by the table and the assessment against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "stats/Percentiles.h"
#include "stats/Summaries.h"
#include "stats/TimeWindows.h"
#include "text/TimeText.h"

using namespace meterlog2::stats;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

int64_t At(const std::string& iso) {
  return SecondsFromClockTime(*ParseTimeText(iso, TimeStyle::kIso));
}

WindowSeries TenMinuteRms(const std::vector<std::pair<std::string, double>>& values) {
  WindowAccumulator a(600, WindowKind::kRms);
  for (const auto& [time, value] : values) a.Add(At(time), value);
  return a.Finish();
}

}  // namespace

TEST(TimeWindows, AlignedToTheClockAcrossMidnightYearEndAndLeapDay) {
  // 1 and 7 share a window: sqrt((1 + 49) / 2) = 5. 23:59:59 and 00:00:00 never do.
  const WindowSeries w = TenMinuteRms({{"2023-12-31T23:50:00", 1},
                                       {"2023-12-31T23:59:59", 7},
                                       {"2024-01-01T00:00:00", 2},
                                       {"2024-01-01T00:09:59", kNaN},  // left out
                                       {"2024-02-28T23:55:00", 3},
                                       {"2024-02-29T00:00:00", 4},
                                       {"2024-02-29T23:51:00", 5},
                                       {"2024-02-29T23:59:59", 5},
                                       {"2024-03-01T00:00:00", 6}});
  ASSERT_EQ(w.values.size(), 6u);
  EXPECT_EQ(w.starts[0], At("2023-12-31T23:50:00"));
  EXPECT_EQ(w.values[0], 5);
  EXPECT_EQ(w.counts[0], 2u);
  EXPECT_EQ(w.starts[1], At("2024-01-01T00:00:00"));
  EXPECT_EQ(w.values[1], 2);
  EXPECT_EQ(w.counts[1], 1u);
  EXPECT_EQ(w.starts[2], At("2024-02-28T23:50:00"));
  EXPECT_EQ(w.starts[3], At("2024-02-29T00:00:00"));
  EXPECT_EQ(w.starts[4], At("2024-02-29T23:50:00"));  // the leap day's last window
  EXPECT_EQ(w.values[4], 5);
  EXPECT_EQ(w.starts[5], At("2024-03-01T00:00:00"));
}

TEST(TimeWindows, FloorForTimesBeforeTheEpochAndMeansOfFifteenMinutes) {
  EXPECT_EQ(WindowIndex(-1, 600), -1);
  EXPECT_EQ(WindowIndex(-600, 600), -1);
  EXPECT_EQ(WindowIndex(-601, 600), -2);
  EXPECT_EQ(WindowIndex(599, 600), 0);
  EXPECT_EQ(WindowIndex(600, 600), 1);
  WindowAccumulator mean(900, WindowKind::kMean);
  mean.Add(At("1969-12-31T23:50:00"), 2);  // window -1: 23:45 to 00:00
  mean.Add(At("1969-12-31T23:59:59"), 4);
  mean.Add(At("1970-01-01T00:14:59"), 10);
  const WindowSeries w = mean.Finish();
  ASSERT_EQ(w.values.size(), 2u);
  EXPECT_EQ(w.starts[0], -900);
  EXPECT_EQ(w.values[0], 3);  // a plain mean, not the RMS
  EXPECT_EQ(w.values[1], 10);
}

TEST(Percentiles, NearestRankOfOneNineteenTwentyAndTwentyOne) {
  // Element ceil(0.95 n) of 1..n: n = 1 -> 1; 19 -> ceil(18.05) = 19; 20 -> 19; 21 ->
  // ceil(19.95) = 20. The values go in descending, with NaN and inf among them.
  const std::pair<size_t, double> cases[] = {{1, 1}, {19, 19}, {20, 19}, {21, 20}};
  for (const auto& [n, expected] : cases) {
    std::vector<double> values = {kNaN, std::numeric_limits<double>::infinity()};
    for (size_t i = n; i >= 1; --i) values.push_back(static_cast<double>(i));
    EXPECT_EQ(NearestRankPercentile(values, 95), expected) << "n = " << n;
  }
  EXPECT_EQ(NearestRank(100, 95), 95u);
  EXPECT_EQ(NearestRank(101, 95), 96u);  // ceil(95.95)
  std::vector<double> none = {kNaN};
  EXPECT_FALSE(NearestRankPercentile(none, 95));
}

TEST(Summaries, ShareCountsTheEdgesAsInsideAndSummaryLeavesOutNaN) {
  const std::vector<double> values = {207, 253, 206.999, 253.001, kNaN, 230};
  EXPECT_EQ(ShareWithin(values, 207, 253), 60);  // 3 of 5 numbers
  EXPECT_FALSE(ShareWithin(std::vector<double>{kNaN}, 0, 1));
  const Summary s = Summarize(values);
  EXPECT_EQ(s.count, 5u);
  EXPECT_EQ(s.min, 206.999);
  EXPECT_EQ(s.max, 253.001);
  EXPECT_EQ(s.p95, 253.001);  // rank ceil(4.75) = 5
  std::vector<double> even = {4, 1, 3, 2};
  EXPECT_EQ(Median(even), 2.5);
  std::vector<double> odd = {5, kNaN, 1, 3};
  EXPECT_EQ(Median(odd), 3);
}

TEST(Summaries, MeanAndSampleDeviationLeaveOutNaNAndKeepSmallTermsBesideHugeOnes) {
  // 2, 4, 4, 4, 5, 5, 7, 9: mean 5, squared differences 9+1+1+1+0+0+4+16 = 32, sample
  // deviation sqrt(32 / 7).
  const Spread s = MeanAndDeviation(std::vector<double>{kNaN, 2, 4, 4, 4, 5, 5, 7, 9});
  EXPECT_EQ(s.mean, 5);
  EXPECT_DOUBLE_EQ(s.standardDeviation, std::sqrt(32.0 / 7));
  // 1e17 + 1 - 1e17 + 1 = 2: a plain running sum loses the first 1 to the huge term.
  EXPECT_EQ(MeanAndDeviation(std::vector<double>{1e17, 1, -1e17, 1}).mean, 0.5);
  const Spread one = MeanAndDeviation(std::vector<double>{3});
  EXPECT_EQ(one.mean, 3);
  EXPECT_EQ(one.standardDeviation, 0);  // below two values
  const Spread none = MeanAndDeviation(std::vector<double>{kNaN});
  EXPECT_EQ(none.mean, 0);
  EXPECT_EQ(none.standardDeviation, 0);
}
