// Decimal text of doubles, whatever the process locale.
#include <gtest/gtest.h>

#include <limits>

#include "CommaLocale.h"
#include "text/DecimalText.h"

TEST(DecimalText, ShortestFixedAndReadableIgnoreTheLocale) {
  const CommaLocale comma;
  EXPECT_EQ(ShortestDecimal(59.4), "59.4");
  EXPECT_EQ(ShortestDecimal(60 - 0.6), "59.4");
  EXPECT_EQ(ShortestDecimal(207), "207");
  EXPECT_EQ(ShortestDecimal(1e-7), "1e-07");
  EXPECT_EQ(ShortestDecimal(std::numeric_limits<double>::quiet_NaN()), "nan");
  EXPECT_EQ(ShortestDecimal(-std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(FixedDecimal(2.5, 2), "2.50");
  EXPECT_EQ(FixedDecimal(1e300, 0).size(), 301u);
  EXPECT_EQ(ReadableDecimal(398.37169, 3), "398.372");
  EXPECT_EQ(ReadableDecimal(195.5, 3), "195.5");
  EXPECT_EQ(ReadableDecimal(100.0004, 3), "100");
  EXPECT_EQ(ReadableDecimal(-0.0001, 3), "0");
  if (!comma.Armed()) GTEST_SKIP() << comma.Why() << ": checked in the C locale only";
}

TEST(DecimalText, ParsesOnlyWholeFiniteNumbers) {
  double v = 0;
  EXPECT_TRUE(ParseDecimal("230", v));
  EXPECT_EQ(v, 230);
  EXPECT_TRUE(ParseDecimal("-0.5", v));
  EXPECT_EQ(v, -0.5);
  EXPECT_TRUE(ParseDecimal("1e3", v));
  EXPECT_EQ(v, 1000);
  for (const char* bad : {"", "+1", " 1", "1 ", "1x", "2,5", "inf", "nan", "0x10", "1e999"})
    EXPECT_FALSE(ParseDecimal(bad, v)) << bad;
}
