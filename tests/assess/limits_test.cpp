// The limit tables against the standards' published values (EN 50160:2010, IEEE 519-2014 Tables 1
// to 4, ANSI C84.1), written out by hand here rather than taken from the program's own constants.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "assess/AssessLimits.h"
#include "assess/Assessment.h"
#include "assess/AssessmentWriters.h"

using namespace assess;

TEST(AssessLimits, En50160HarmonicVoltages) {
  // Odd, not a multiple of 3: 5: 6 %, 7: 5 %, 11: 3.5 %, 13: 3 %, 17: 2 %, 19, 23, 25: 1.5 %.
  // Odd multiples of 3: 3: 5 %, 9: 1.5 %, 15, 21: 0.5 %. Even: 2: 2 %, 4: 1 %, 6..24: 0.5 %.
  const double expected[26] = {0, 0,   2,   5,   1, 6,   0.5, 5,   0.5, 1.5, 0.5, 3.5, 0.5,
                               3, 0.5, 0.5, 0.5, 2, 0.5, 1.5, 0.5, 0.5, 0.5, 1.5, 0.5, 1.5};
  for (int h = 2; h <= 25; ++h) EXPECT_EQ(EnHarmonicLimit(h), expected[h]) << "h = " << h;
  EXPECT_TRUE(std::isnan(EnHarmonicLimit(1)));
  EXPECT_TRUE(std::isnan(EnHarmonicLimit(26)));
  EXPECT_EQ(kEnFrequencyBand.share, 99.5);
  EXPECT_EQ(kEnFrequencyOuterBand.lowPercent, -6);
  EXPECT_EQ(kEnFrequencyOuterBand.highPercent, 4);
}

// EN 50160:2010 by class: low voltage 95 % of a week's 10-minute values within Un +/-10 %,
// medium voltage 99 % within Uc +/-10 %, both all within +10 % / -15 %; THD 8 % and unbalance 2 %
// for both; high voltage gives indicative values only. Classes by the voltage between phases:
// LV up to 1 kV, MV above 1 kV up to 36 kV, HV above.
TEST(AssessLimits, En50160ByVoltageClass) {
  const EnClassLimits& lv = EnLimitsFor(VoltageClass::kLow);
  EXPECT_TRUE(lv.limits);
  EXPECT_EQ(lv.voltageBand.share, 95);
  EXPECT_EQ(lv.voltageBand.lowPercent, -10);
  EXPECT_EQ(lv.voltageBand.highPercent, 10);
  EXPECT_EQ(lv.voltageOuterBand.lowPercent, -15);
  EXPECT_EQ(lv.voltageOuterBand.highPercent, 10);
  EXPECT_EQ(lv.thd, 8);
  EXPECT_EQ(lv.unbalance, 2);
  const EnClassLimits& mv = EnLimitsFor(VoltageClass::kMedium);
  EXPECT_TRUE(mv.limits);
  EXPECT_EQ(mv.voltageBand.share, 99);
  EXPECT_EQ(mv.voltageOuterBand.lowPercent, -15);
  EXPECT_EQ(mv.thd, 8);
  EXPECT_EQ(mv.unbalance, 2);
  EXPECT_FALSE(EnLimitsFor(VoltageClass::kHigh).limits);
  EXPECT_EQ(ClassOf(230 * std::sqrt(3.0)), VoltageClass::kLow);
  EXPECT_EQ(ClassOf(1000), VoltageClass::kLow);
  EXPECT_EQ(ClassOf(1000.5), VoltageClass::kMedium);
  EXPECT_EQ(ClassOf(6350 * std::sqrt(3.0)), VoltageClass::kMedium);
  EXPECT_EQ(ClassOf(36000), VoltageClass::kMedium);
  EXPECT_EQ(ClassOf(36001), VoltageClass::kHigh);
  EXPECT_STREQ(ClassCode(VoltageClass::kMedium), "MV");
}

// IEEE 519-2014 Table 1: V <= 1 kV 5 % / 8 %; 1 kV < V <= 69 kV 3 % / 5 %; 69 kV < V <= 161 kV
// 1.5 % / 2.5 %; above 161 kV 1 % / 1.5 % (individual harmonic / THD).
TEST(AssessLimits, Ieee519Table1ByBusVoltage) {
  const std::tuple<double, double, double> cases[] = {
      {120, 5, 8},       {1000, 5, 8},       {1001, 3, 5},     {11000, 3, 5},   {69000, 3, 5},
      {69001, 1.5, 2.5}, {161000, 1.5, 2.5}, {161001, 1, 1.5}, {400000, 1, 1.5}};
  for (const auto& [v, individual, thd] : cases) {
    EXPECT_EQ(IeeeVoltageRowFor(v).individual, individual) << v;
    EXPECT_EQ(IeeeVoltageRowFor(v).thd, thd) << v;
  }
}

// Tables 3 (above 69 kV through 161 kV) and 4 (above 161 kV), odd harmonics by range and TDD:
// Table 3: < 25: 2, 1, 0.75, 0.3, 0.15, TDD 2.5; 25 to < 50: 3.5, 1.75, 1.25, 0.5, 0.25, TDD 4;
// >= 50: 7, 3.5, 2.5, 1, 0.5, TDD 6. Table 4: < 25: 1, 0.5, 0.38, 0.15, 0.1, TDD 1.5;
// 25 to < 50: 2, 1, 0.75, 0.3, 0.15, TDD 2.5; >= 50: 3, 1.5, 1.15, 0.45, 0.22, TDD 3.75.
TEST(AssessLimits, Ieee519CurrentTablesAboveSixtyNineKilovolts) {
  EXPECT_EQ(IeeeCurrentTableFor(400).rows.size(), 5u);
  EXPECT_EQ(IeeeCurrentTableFor(69000).rows.size(), 5u);
  const double table3[3][6] = {
      {2, 1, 0.75, 0.3, 0.15, 2.5}, {3.5, 1.75, 1.25, 0.5, 0.25, 4}, {7, 3.5, 2.5, 1, 0.5, 6}};
  const double table4[3][6] = {{1, 0.5, 0.38, 0.15, 0.1, 1.5},
                               {2, 1, 0.75, 0.3, 0.15, 2.5},
                               {3, 1.5, 1.15, 0.45, 0.22, 3.75}};
  const double ratios[3] = {24.99, 25, 50};
  const int oddHarmonic[5] = {5, 13, 19, 25, 37};
  for (int r = 0; r < 3; ++r) {
    const IeeeCurrentRow& row3 = IeeeRowFor(IeeeCurrentTableFor(100000), ratios[r]);
    const IeeeCurrentRow& row4 = IeeeRowFor(IeeeCurrentTableFor(230000), ratios[r]);
    for (int range = 0; range < 5; ++range) {
      EXPECT_EQ(IeeeCurrentHarmonicLimit(row3, oddHarmonic[range]), table3[r][range]);
      EXPECT_EQ(IeeeCurrentHarmonicLimit(row4, oddHarmonic[range]), table4[r][range]);
    }
    EXPECT_EQ(row3.tdd, table3[r][5]);
    EXPECT_EQ(row4.tdd, table4[r][5]);
  }
}

// ANSI C84.1 service voltage on a 120 V base: Range A 114 to 126 V, Range B 110 to 127 V.
TEST(AssessLimits, AnsiRangesOnA120VoltBase) {
  EXPECT_DOUBLE_EQ(120 * kAnsiRangeALow, 114);
  EXPECT_DOUBLE_EQ(120 * kAnsiRangeAHigh, 126);
  EXPECT_DOUBLE_EQ(120 * kAnsiRangeBLow, 110);
  EXPECT_DOUBLE_EQ(120 * kAnsiRangeBHigh, 127);
  EXPECT_DOUBLE_EQ(240 * kAnsiRangeBHigh, 254);
}

// Values are compared with their limits at 0.01: noise below it does not fail a value at its
// limit, and a value that fails shows above the limit when written at that resolution.
TEST(AssessLimits, ComparedAtTheResolution) {
  EXPECT_TRUE(AtMost(6.000000134, 6));
  EXPECT_TRUE(AtMost(6.004, 6));
  EXPECT_FALSE(AtMost(6.006, 6));
  EXPECT_EQ(JudgedText(6.006), "6.01");
  EXPECT_EQ(JudgedText(6.004), "6");
  // Around the half step the text and the verdict agree, whichever way the value rounds.
  for (double v = 6.0049; v < 6.0051; v += 1e-6) EXPECT_EQ(AtMost(v, 6), JudgedText(v) == "6") << v;
  EXPECT_TRUE(AtLeast(94.995, 95));
  EXPECT_FALSE(AtLeast(94.994, 95));
  EXPECT_TRUE(AtLeast(207 - 1e-9, 207));
}

TEST(AssessLimits, Ieee519RowsOnEveryBoundary) {
  // Isc/IL < 20; 20 to < 50; 50 to < 100; 100 to < 1000; >= 1000, with the TDD of each row.
  const std::pair<double, double> ratioToTdd[] = {
      {0, 5},       {19.999, 5}, {20, 8},       {49.999, 8}, {50, 12},
      {99.999, 12}, {100, 15},   {999.999, 15}, {1000, 20},  {1e9, 20}};
  for (const auto& [ratio, tdd] : ratioToTdd)
    EXPECT_EQ(IeeeRowFor(ratio).tdd, tdd) << "Isc/IL = " << ratio;
}

TEST(AssessLimits, Ieee519HarmonicRangesAndEvenHarmonics) {
  // Row 20 <= Isc/IL < 50: 7, 3.5, 2.5, 1, 0.5 for 2<=h<11, 11<=h<17, 17<=h<23, 23<=h<35,
  // 35<=h<=50; an even harmonic a quarter of its range's odd limit.
  const IeeeCurrentRow& row = IeeeRowFor(20);
  const std::pair<int, double> cases[] = {
      {2, 1.75},   {3, 7},     {9, 7},      {10, 1.75},  {11, 3.5},   {12, 0.875}, {15, 3.5},
      {16, 0.875}, {17, 2.5},  {18, 0.625}, {21, 2.5},   {22, 0.625}, {23, 1},     {24, 0.25},
      {33, 1},     {34, 0.25}, {35, 0.5},   {36, 0.125}, {49, 0.5},   {50, 0.125}};
  for (const auto& [h, limit] : cases)
    EXPECT_EQ(IeeeCurrentHarmonicLimit(row, h), limit) << "h = " << h;
  EXPECT_TRUE(std::isnan(IeeeCurrentHarmonicLimit(row, 51)));
  // The odd limits of the other rows, range by range.
  const double odd[5][5] = {{4, 2, 1.5, 0.6, 0.3},
                            {7, 3.5, 2.5, 1, 0.5},
                            {10, 4.5, 4, 1.5, 0.7},
                            {12, 5.5, 5, 2, 1},
                            {15, 7, 6, 2.5, 1.4}};
  const double ratios[5] = {10, 20, 50, 100, 1000};
  const int oddHarmonic[5] = {5, 13, 19, 25, 37};
  for (int r = 0; r < 5; ++r)
    for (int range = 0; range < 5; ++range)
      EXPECT_EQ(IeeeCurrentHarmonicLimit(IeeeRowFor(ratios[r]), oddHarmonic[range]), odd[r][range]);
}

TEST(AssessLimits, SuggestedNominalValues) {
  EXPECT_EQ(SuggestedNominalVoltage(226.4, Connection::kWye), 230);
  EXPECT_EQ(SuggestedNominalVoltage(118, Connection::kWye), 120);
  EXPECT_EQ(SuggestedNominalVoltage(124, Connection::kWye), 127);
  EXPECT_EQ(SuggestedNominalVoltage(265, Connection::kWye), 277);
  EXPECT_EQ(SuggestedNominalVoltage(225, Connection::kWye), 220);  // a tie takes the lower
  EXPECT_EQ(SuggestedNominalVoltage(256, Connection::kWye), 240);
  EXPECT_EQ(SuggestedNominalVoltage(6351.2, Connection::kWye), 6350);  // no list value near
  EXPECT_EQ(SuggestedNominalVoltage(60, Connection::kWye), 60);
  EXPECT_EQ(SuggestedNominalVoltage(402, Connection::kDelta), 400);
  EXPECT_EQ(SuggestedNominalVoltage(479, Connection::kDelta), 480);
  EXPECT_EQ(NearestNominalFrequency(49.2), 50);
  EXPECT_EQ(NearestNominalFrequency(57), 60);
  EXPECT_EQ(NearestNominalFrequency(55), 50);
}
