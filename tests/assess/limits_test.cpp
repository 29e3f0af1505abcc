// The limit tables against the standards' text as the issue quotes it, written out by hand here
// rather than taken from the program's own constants.
#include <gtest/gtest.h>

#include <cmath>

#include "assess/AssessLimits.h"
#include "assess/Assessment.h"

using namespace assess;

TEST(AssessLimits, En50160HarmonicVoltages) {
  // Odd, not a multiple of 3: 5: 6 %, 7: 5 %, 11: 3.5 %, 13: 3 %, 17: 2 %, 19, 23, 25: 1.5 %.
  // Odd multiples of 3: 3: 5 %, 9: 1.5 %, 15, 21: 0.5 %. Even: 2: 2 %, 4: 1 %, 6..24: 0.5 %.
  const double expected[26] = {0, 0,   2,   5,   1, 6,   0.5, 5,   0.5, 1.5, 0.5, 3.5, 0.5,
                               3, 0.5, 0.5, 0.5, 2, 0.5, 1.5, 0.5, 0.5, 0.5, 1.5, 0.5, 1.5};
  for (int h = 2; h <= 25; ++h) EXPECT_EQ(EnHarmonicLimit(h), expected[h]) << "h = " << h;
  EXPECT_TRUE(std::isnan(EnHarmonicLimit(1)));
  EXPECT_TRUE(std::isnan(EnHarmonicLimit(26)));
  EXPECT_EQ(kEnThdLimit, 8);
  EXPECT_EQ(kEnUnbalanceLimit, 2);
  EXPECT_EQ(kEnFrequencyBand.share, 99.5);
  EXPECT_EQ(kEnFrequencyOuterBand.lowPercent, -6);
  EXPECT_EQ(kEnFrequencyOuterBand.highPercent, 4);
  EXPECT_EQ(kEnVoltageBand.share, 95);
  EXPECT_EQ(kEnVoltageOuterBand.lowPercent, -15);
  EXPECT_EQ(kEnVoltageOuterBand.highPercent, 10);
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
  EXPECT_EQ(kIeeeVoltageThdLimit, 8);
  EXPECT_EQ(kIeeeVoltageHarmonicLimit, 5);
}

TEST(AssessLimits, NominalValuesRoundToTheNearest) {
  EXPECT_EQ(NearestNominalVoltage(226.4), 230);
  EXPECT_EQ(NearestNominalVoltage(118), 120);
  EXPECT_EQ(NearestNominalVoltage(124), 127);
  EXPECT_EQ(NearestNominalVoltage(265), 277);
  EXPECT_EQ(NearestNominalVoltage(60), 100);
  EXPECT_EQ(NearestNominalVoltage(225), 220);  // a tie takes the lower
  EXPECT_EQ(NearestNominalFrequency(49.2), 50);
  EXPECT_EQ(NearestNominalFrequency(57), 60);
  EXPECT_EQ(NearestNominalFrequency(55), 50);
}
