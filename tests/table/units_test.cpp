// Units as a reader sees them: labels, which units share a value axis, and numbers with the
// decimals of their unit, whatever the process locale.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CommaLocale.h"
#include "table/Units.h"

namespace {

TEST(Units, LabelsNameTheUnitOnlyWhereThereIsOne) {
  EXPECT_EQ(LabelWithUnit("Phase A Volts Wide", Unit::kVolt), "Phase A Volts Wide (V)");
  EXPECT_EQ(LabelWithUnit("Ch1 Ph Harm 3", Unit::kDegree), "Ch1 Ph Harm 3 (\xC2\xB0)");
  EXPECT_EQ(LabelWithUnit("Power Factor Wide", Unit::kNone), "Power Factor Wide");

  // One series: its label; several: their units as first drawn, each once.
  EXPECT_EQ(ValueAxisLabel({"Total VARs Wide"}, {Unit::kVar}), "Total VARs Wide (var)");
  EXPECT_EQ(ValueAxisLabel({"Total Power Wide", "Total VARs Wide", "Power Wide"},
                           {Unit::kWatt, Unit::kVar, Unit::kWatt}),
            "W, var");
  EXPECT_EQ(
      ValueAxisLabel({"Power Factor Wide", "Power Factor Narrow"}, {Unit::kNone, Unit::kNone}),
      "(no unit)");
}

TEST(Units, PowerAndEnergyEachShareOneAxis) {
  for (Unit u : {Unit::kWatt, Unit::kVoltAmpere, Unit::kVar}) EXPECT_EQ(AxisFamily(u), Unit::kWatt);
  for (Unit u : {Unit::kWattHour, Unit::kVoltAmpereHour, Unit::kVarHour})
    EXPECT_EQ(AxisFamily(u), Unit::kWattHour);
  // Every other unit keeps its own axis.
  for (Unit u :
       {Unit::kVolt, Unit::kAmpere, Unit::kHertz, Unit::kDegree, Unit::kPercent, Unit::kNone})
    EXPECT_EQ(AxisFamily(u), u);
  EXPECT_NE(AxisFamily(Unit::kWatt), AxisFamily(Unit::kWattHour));
}

TEST(Units, NumbersForReading) {
  const CommaLocale comma;  // where installed: a German desktop keeps the decimal point
  EXPECT_EQ(DisplayValue(230.456, Unit::kVolt), "230.46 V");
  EXPECT_EQ(DisplayValue(4.0005, Unit::kAmpere), "4.000 A");        // 4.0005 lies a little below
  EXPECT_EQ(DisplayValue(-12.25, Unit::kDegree), "-12.2\xC2\xB0");  // to even, and no blank
  EXPECT_EQ(DisplayValue(49.99, Unit::kHertz), "49.990 Hz");
  EXPECT_EQ(DisplayValue(1234.56, Unit::kWatt), "1234.6 W");
  EXPECT_EQ(DisplayValue(3.14159, Unit::kPercent), "3.14 %");
  EXPECT_EQ(DisplayValue(0.98765, Unit::kNone), "0.988");
  // Rounded to zero without a sign; huge garbled floats short; no number is "-".
  EXPECT_EQ(DisplayNumber(-0.001, Unit::kVolt), "0.00");
  EXPECT_EQ(DisplayNumber(3.4e38, Unit::kVolt), "3.40000e+38");
  EXPECT_EQ(DisplayValue(std::numeric_limits<double>::quiet_NaN(), Unit::kVolt), "-");
  EXPECT_EQ(DisplayValue(-std::numeric_limits<double>::infinity(), Unit::kAmpere), "-");
}

TEST(Units, AnglesReadWithinMinus180And180) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(NormalizeDegrees(0), 0);
  EXPECT_EQ(NormalizeDegrees(180), 180);
  EXPECT_EQ(NormalizeDegrees(-180), 180);  // the half-open end: +180, never -180
  EXPECT_EQ(NormalizeDegrees(190), -170);
  EXPECT_EQ(NormalizeDegrees(-190), 170);
  EXPECT_EQ(NormalizeDegrees(540), 180);
  EXPECT_EQ(NormalizeDegrees(-540), 180);
  EXPECT_EQ(NormalizeDegrees(720.5), 0.5);
  EXPECT_EQ(NormalizeDegrees(-359.5), 0.5);
  EXPECT_EQ(NormalizeDegrees(359.5), -0.5);
  EXPECT_TRUE(std::isnan(NormalizeDegrees(nan)));
  for (double a = -1000; a <= 1000; a += 7.25) {
    const double n = NormalizeDegrees(a);
    EXPECT_GT(n, -180) << a;
    EXPECT_LE(n, 180) << a;
    EXPECT_NEAR(std::remainder(a - n, 360.0), 0, 1e-9) << a;
  }
  // As written: an angle that rounds to -180.0 reads 180.0.
  EXPECT_EQ(DisplayAngle(-179.96), "180.0\xC2\xB0");
  EXPECT_EQ(DisplayAngle(-179.94), "-179.9\xC2\xB0");
  EXPECT_EQ(DisplayAngle(240), "-120.0\xC2\xB0");
  EXPECT_EQ(DisplayAngle(nan), "-");
}

}  // namespace
