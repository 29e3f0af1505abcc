#include <gtest/gtest.h>

#include <cmath>

#include <cstring>

#include "CommaLocale.h"
#include "config/ConfigFields.h"
#include "config/ConfigNumbers.h"
#include "config/ConfigSettings.h"

namespace {

ConfigRecord Record() {
  ConfigRecord r{};
  for (size_t i = 0; i < r.size(); ++i) r[i] = static_cast<uint8_t>(i * 13 + 1);
  return r;
}

// A float as the instrument sends it: least significant byte first on the wire, so after the
// read's big-endian conversion of group 7 it sits reversed in the record.
void PutInstrumentFloat(ConfigRecord& r, size_t offset, float value) {
  uint8_t b[4];
  std::memcpy(b, &value, 4);
  for (int k = 0; k < 4; ++k) r[offset + static_cast<size_t>(k)] = b[3 - k];
}

TEST(ConfigFields, InputNames) {
  EXPECT_STREQ(InputCodeName(0), "AC: Vab");
  EXPECT_STREQ(InputCodeName(14), "AC: Ic");
  EXPECT_STREQ(InputCodeName(26), "DC: Vcs");
  EXPECT_STREQ(InputCodeName(27), "");
  EXPECT_STREQ(InputCodeName(28), "AC: In");
  EXPECT_STREQ(InputCodeName(-1), "");
  EXPECT_STREQ(InputCodeName(29), "");
}

TEST(ConfigFields, DeviceDateTimeText) {
  ConfigRecord r{};
  r[13] = 9;   // second
  r[14] = 5;   // minute
  r[15] = 14;  // hour
  r[16] = 15;  // day
  r[17] = 3;   // month
  r[20] = 2010 & 0xFF;
  r[21] = 2010 >> 8;  // year, host order
  EXPECT_EQ(DeviceDateTimeText(r), "Mar 15, 2010 14:05:09");
  EXPECT_EQ(GetDeviceDateTime(r).year, 2010);
  r[17] = 13;
  EXPECT_EQ(DeviceDateTimeText(r), "2010-13-15 14:05:09");
  r[17] = 0;
  EXPECT_EQ(DeviceDateTimeText(r), "2010-00-15 14:05:09");
}

TEST(ConfigFields, LoadReadsTheEditedFieldsAndReversesTheFactors) {
  ConfigRecord r = Record();
  r[33] = 0xFF;  // -1
  r[34] = 28;
  r[38] = 0b10101110;  // range 1, polarity 0
  r[650] = 1;
  PutInstrumentFloat(r, 651 + 8 * 12, 2.5f);     // Ia magnitude
  PutInstrumentFloat(r, 651 + 8 * 14 + 4, -90);  // Ic phase
  const ConfigDialogValues v = LoadConfigDialogValues(r, "fw");
  EXPECT_EQ(v.firmwareVersion, "fw");
  EXPECT_EQ(v.channel1, -1);
  EXPECT_EQ(v.channel2, 28);
  EXPECT_EQ(v.rangeIndex, 1);
  EXPECT_EQ(v.polarityIndex, 0);
  EXPECT_EQ(v.scaleEnable, 1);
  EXPECT_EQ(v.factors[12], 2.5f);  // Ia is the 7th pair
  EXPECT_EQ(v.factors[17], -90.f);
  EXPECT_TRUE(v.updateClock);
}

TEST(ConfigFields, StoreChangesOnlyTheEditedBytes) {
  const ConfigRecord original = Record();
  ConfigRecord r = original;
  ConfigDialogValues v = LoadConfigDialogValues(r, "");
  v.channel1 = 12;
  v.channel2 = -1;
  v.rangeIndex = 0;
  v.polarityIndex = 1;
  v.scaleEnable = 1;
  v.factors[0] = 1.5f;
  StoreConfigDialogValues(v, r);
  EXPECT_EQ(r[33], 12);
  EXPECT_EQ(r[34], 0xFF);
  EXPECT_EQ(r[38] & 0xFC, original[38] & 0xFC);  // bits 2-7 kept
  EXPECT_EQ(r[38] & 3, 1);
  EXPECT_EQ(r[650], 1);
  EXPECT_EQ(GetScaleFactor(r, 0, false), 1.5f);
  for (size_t i = 0; i < r.size(); ++i) {
    const bool edited = i == 33 || i == 34 || i == 38 || i == 650 || (i >= 651 && i < 655);
    if (!edited) {
      EXPECT_EQ(r[i], original[i]) << i;
    }
  }
  // The six factors the dialog does not show (codes 3, 4, 5, 9, 10, 11) pass through.
  for (int code : {3, 4, 5, 9, 10, 11}) {
    for (int k = 0; k < 8; ++k) {
      const size_t at = 651 + 8 * static_cast<size_t>(code) + static_cast<size_t>(k);
      EXPECT_EQ(r[at], original[at]);
    }
  }
}

TEST(ConfigNumbers, ReadingAndShowingBoxValues) {
  double v = 0;
  EXPECT_TRUE(ReadWholeNumber("  -359.9", v));
  EXPECT_EQ(v, -359.9);
  EXPECT_TRUE(ReadWholeNumber("+2.5e1\t", v));
  EXPECT_EQ(v, 25);
  EXPECT_TRUE(ReadWholeNumber(" 12 ", v));
  EXPECT_EQ(v, 12);
  // A number followed by anything else is no number: it would reach the instrument cut short.
  for (const char* text : {"", " ", "abc", "12abc", "1,5", "1.5.2", "0x10", "+-1", "1 2"}) {
    EXPECT_FALSE(ReadWholeNumber(text, v)) << text;
  }
  // Beyond a double's range: too large is infinite (and fails every range check, never 0), too
  // small is 0, each with its sign.
  const std::pair<const char*, double> outOfRange[] = {
      {"1e5000", INFINITY},    {"-1e5000", -INFINITY},  {"1e4932", INFINITY},
      {"123.4e400", INFINITY}, {"0.001e312", INFINITY}, {"1e-5000", 0},
      {"-0.0001e-400", -0.0},  {"0.000e999", 0}};
  for (const auto& [text, expected] : outOfRange) {
    EXPECT_TRUE(ReadWholeNumber(text, v)) << text;
    EXPECT_EQ(v, expected) << text;
    EXPECT_EQ(std::signbit(v), std::signbit(expected)) << text;
  }
  EXPECT_EQ(FormatDialogNumber(1), "1");
  EXPECT_EQ(FormatDialogNumber(0.5), "0.5");
  EXPECT_EQ(FormatDialogNumber(1.0f / 3), "0.333333");
  EXPECT_EQ(FormatDialogNumber(1234567), "1.23457e+06");
  EXPECT_EQ(RangeMessage(kMagnitudeMin, kMagnitudeMax),
            "Please enter a number between 0.0001 and 99999.");
  EXPECT_EQ(RangeMessage(kPhaseMin, kPhaseMax), "Please enter a number between -359.9 and 359.9.");
}

TEST(ConfigNumbers, IgnoreACommaLocale) {
  CommaLocale comma;
  if (!comma.Armed()) GTEST_SKIP() << comma.Why();
  double v = 0;
  EXPECT_TRUE(ReadWholeNumber("0.5", v));
  EXPECT_EQ(v, 0.5);
  EXPECT_EQ(FormatDialogNumber(0.5), "0.5");
}

TEST(ConfigSettings, NamedChangesWithTheDialogBounds) {
  const ConfigRecord original = Record();
  ConfigRecord r = original;
  std::string error;
  EXPECT_TRUE(ApplyConfigSetting(r, "channel1=AC: Ia", error)) << error;
  EXPECT_EQ(r[33], 12);
  EXPECT_TRUE(ApplyConfigSetting(r, "CHANNEL2=ac:in", error)) << error;
  EXPECT_EQ(r[34], 28);
  EXPECT_FALSE(ApplyConfigSetting(r, "channel1=AC: In", error));  // not in channel 1's list
  EXPECT_TRUE(ApplyConfigSetting(r, "channel1=21", error));
  EXPECT_EQ(r[33], 21);
  EXPECT_FALSE(ApplyConfigSetting(r, "channel2=27", error));
  EXPECT_TRUE(ApplyConfigSetting(r, "range=0-360", error));
  EXPECT_TRUE(ApplyConfigSetting(r, "polarity=-", error));
  EXPECT_EQ(r[38] & 3, 2);
  EXPECT_EQ(r[38] & 0xFC, original[38] & 0xFC);
  EXPECT_TRUE(ApplyConfigSetting(r, "scale=on", error));
  EXPECT_EQ(r[650], 1);

  EXPECT_TRUE(ApplyConfigSetting(r, "Vbn.phase=359.9", error));
  EXPECT_EQ(GetScaleFactor(r, 4, true), 359.9f);
  EXPECT_FALSE(ApplyConfigSetting(r, "Vbn.phase=360", error));
  EXPECT_NE(error.find("between -359.9 and 359.9"), std::string::npos);
  EXPECT_TRUE(ApplyConfigSetting(r, "ia.magnitude=0.0001", error));
  EXPECT_FALSE(ApplyConfigSetting(r, "Ia.magnitude=0", error));
  EXPECT_NE(error.find("between 0.0001 and 99999"), std::string::npos);
  EXPECT_FALSE(ApplyConfigSetting(r, "Ia.magnitude=12abc", error));
  EXPECT_NE(error.find("Please enter a number."), std::string::npos);
  EXPECT_FALSE(ApplyConfigSetting(r, "Vac.magnitude=1", error));  // not an edited factor
  EXPECT_FALSE(ApplyConfigSetting(r, "colour=red", error));
  EXPECT_FALSE(ApplyConfigSetting(r, "range", error));

  // Factors not named keep their exact bytes (no rounding to what the dialog would show).
  for (int code : {0, 1, 2, 6, 8, 13, 14}) {
    for (int k = 0; k < 8; ++k) {
      const size_t at = 651 + 8 * static_cast<size_t>(code) + static_cast<size_t>(k);
      EXPECT_EQ(r[at], original[at]);
    }
  }
}

}  // namespace

TEST(ConfigFields, UnchangedValuesWriteBackTheSameBytes) {
  // Values the dialog cannot show (an input outside the lists, a switch byte of 2) survive a
  // load and store untouched.
  ConfigRecord r = Record();
  r[33] = 28;
  r[650] = 2;
  const ConfigRecord original = r;
  StoreConfigDialogValues(LoadConfigDialogValues(r, ""), r);
  EXPECT_EQ(r, original);
}
