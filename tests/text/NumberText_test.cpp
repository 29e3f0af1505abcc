// The "%f" writer against the C library's printf("%f") in the "C" locale, byte for byte: a million
// random floats spread over every exponent, random doubles, exact ties at the sixth decimal,
// subnormals, the edges of the integer fast path and the largest values. The test program is
// built twice, with the 128-bit fast path and without it (the portable path that compilers
// without __int128 take), so both are checked on every platform.

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "log/NumberText.h"

namespace {

std::string Printed(double value) {
  char buffer[400];  // "%f" of the largest double: 309 integer digits, point, six decimals
  std::snprintf(buffer, sizeof buffer, "%f", value);
  return buffer;
}

std::string Written(double value) {
  std::string text = "x";  // appended, never replaced
  AppendFixed6(text, value);
  return text.substr(1);
}

// Compares every value and reports the first few that differ (a million EXPECTs would drown a
// real failure).
class Comparison {
 public:
  void Check(double value) {
    ++m_count;
    const std::string expected = std::isnan(value) ? "nan" : Printed(value);
    const std::string written = Written(value);
    if (written == expected) return;
    if (++m_failures <= 5) {
      char hex[64];
      std::snprintf(hex, sizeof hex, "%a", value);
      ADD_FAILURE() << hex << ": wrote \"" << written << "\", printf \"" << expected << "\"";
    }
  }
  void Check(float value) { Check(static_cast<double>(value)); }
  int failures() const { return m_failures; }
  int count() const { return m_count; }

 private:
  int m_count = 0;
  int m_failures = 0;
};

class NumberText : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr); }
  Comparison compare;
  std::mt19937_64 random{20240229};
};

TEST_F(NumberText, AMillionRandomFloatsOfEveryExponent) {
  std::vector<int> perExponent(256, 0);
  for (int i = 0; i < 1000000; ++i) {
    const auto bits = static_cast<uint32_t>(random());
    float value;
    std::memcpy(&value, &bits, sizeof value);
    ++perExponent[(bits >> 23) & 0xFF];
    compare.Check(value);
  }
  for (int exponent = 0; exponent < 256; ++exponent) {
    EXPECT_GT(perExponent[exponent], 3000) << "biased exponent " << exponent;
  }
  EXPECT_EQ(compare.failures(), 0) << "of " << compare.count();
}

TEST_F(NumberText, RandomDoublesOfEveryExponent) {
  for (int i = 0; i < 100000; ++i) {
    const uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    compare.Check(value);
  }
  // Doubles between 1e-7 and 2^64 / 10^6, where the integer path carries the work.
  std::uniform_real_distribution<double> exponent(-7, 14);
  for (int i = 0; i < 200000; ++i) {
    const double value = std::pow(10.0, exponent(random));
    compare.Check(value);
    compare.Check(-value);
  }
  EXPECT_EQ(compare.failures(), 0) << "of " << compare.count();
}

// x * 10^6 ends in exactly .5 when x is an odd multiple of 2^-7: printf rounds those to even.
TEST_F(NumberText, ExactTiesRoundToEven) {
  EXPECT_EQ(Written(0.0078125), "0.007812");  // 1/128: 7812.5 millionths, down to the even 2
  EXPECT_EQ(Written(0.0234375), "0.023438");  // 3/128: 23437.5, up to the even 8
  EXPECT_EQ(Written(-0.0078125), "-0.007812");
  for (int64_t odd = 1; odd < 128; odd += 2) {
    for (int64_t whole : {int64_t{0}, int64_t{1}, int64_t{99}, int64_t{65535}, int64_t{1} << 40}) {
      compare.Check(static_cast<double>(whole) + odd / 128.0);
      compare.Check(-(static_cast<double>(whole) + odd / 128.0));
    }
  }
  std::uniform_int_distribution<int64_t> wholeFloat(0, (int64_t{1} << 17) - 1);
  std::uniform_int_distribution<int64_t> wholeDouble(0, (int64_t{1} << 45) - 1);
  for (int i = 0; i < 100000; ++i) {
    const int64_t odd = 2 * static_cast<int64_t>(random() % 64) + 1;
    compare.Check(static_cast<float>(wholeFloat(random) * 128 + odd) / 128.0f);
    compare.Check(static_cast<double>(wholeDouble(random) * 128 + odd) / 128.0);
  }
  // Decimal halves that binary cannot hold exactly: just above or below the tie.
  for (double v : {0.0000005, 0.0000015, 0.0000025, 1.0000005, 2.5e-7, 123.4567885, 0.1234565})
    compare.Check(v);
  EXPECT_EQ(compare.failures(), 0) << "of " << compare.count();
}

TEST_F(NumberText, SubnormalsZerosAndSpecials) {
  for (float v : {std::numeric_limits<float>::denorm_min(), FLT_MIN, std::nextafter(FLT_MIN, 0.0f),
                  0.0f, -0.0f}) {
    compare.Check(v);
    compare.Check(-v);
  }
  for (double v : {std::numeric_limits<double>::denorm_min(), DBL_MIN, std::nextafter(DBL_MIN, 0.0),
                   0.0, -0.0}) {
    compare.Check(v);
    compare.Check(-v);
  }
  for (int i = 0; i < 10000; ++i) {
    const uint64_t bits = random() & ((uint64_t{1} << 52) - 1);  // exponent 0: subnormal
    double value;
    std::memcpy(&value, &bits, sizeof value);
    compare.Check(value);
    compare.Check(static_cast<float>(value * 0x1p+1000));  // some are float subnormals
  }
  EXPECT_EQ(compare.failures(), 0);
  EXPECT_EQ(Written(-0.0), "-0.000000");
  EXPECT_EQ(Written(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(Written(-std::numeric_limits<double>::infinity()), "-inf");
  // One text for every NaN, whatever its sign and payload (printf may write "-nan").
  EXPECT_EQ(Written(std::numeric_limits<double>::quiet_NaN()), "nan");
  EXPECT_EQ(Written(-std::numeric_limits<double>::quiet_NaN()), "nan");
  double payload;
  const uint64_t negativeSignalling = 0xFFF0000000000001;
  std::memcpy(&payload, &negativeSignalling, sizeof payload);
  EXPECT_EQ(Written(payload), "nan");
}

TEST_F(NumberText, EdgesOfTheIntegerPathAndTheLargestValues) {
  const double p24 = 0x1p+24, p53 = 0x1p+53, p64 = 0x1p+64;
  EXPECT_EQ(Written(p24 - 1), "16777215.000000");
  EXPECT_EQ(Written(p24 + 1), "16777217.000000");
  EXPECT_EQ(Written(static_cast<float>(p24 + 1)), "16777216.000000");  // a float cannot hold it
  EXPECT_EQ(Written(FLT_MAX), "340282346638528859811704183484516925440.000000");
  for (double v : {p24 - 1, p24, p24 + 1, p53 - 1, p53, p53 + 2, std::nextafter(p53, 0.0),
                   p64 / 1e6, std::nextafter(p64 / 1e6, 0.0), std::nextafter(p64 / 1e6, p64), p64,
                   static_cast<double>(FLT_MAX), DBL_MAX, std::nextafter(DBL_MAX, 0.0)}) {
    compare.Check(v);
    compare.Check(-v);
  }
  for (float v : {FLT_MAX, std::nextafter(FLT_MAX, 0.0f), 16777215.0f, 16777216.0f})
    compare.Check(v);
  EXPECT_EQ(compare.failures(), 0);
}

}  // namespace
