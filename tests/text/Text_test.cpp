// The locale-free text helpers, checked against the C library in the "C" locale and against
// dates worked out by hand; then once more under a decimal-comma locale.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <locale>

#include "CommaLocale.h"
#include "log/NumberText.h"
#include "text/Text.h"

namespace {

std::string Printf(const char* format, long long value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

TEST(Text, IntegersAsPrintfWritesThem) {
  for (long long v :
       {0LL, 7LL, -7LL, 42LL, -42LL, 12345LL, 9223372036854775807LL, -9223372036854775807LL - 1}) {
    EXPECT_EQ(IntText(v), Printf("%lld", v));
    EXPECT_EQ(IntText(v, 4), Printf("%4lld", v));
    EXPECT_EQ(IntText(v, 2, '0'), Printf("%02lld", v));
    EXPECT_EQ(IntText(v, 5, '0'), Printf("%05lld", v));
    std::string appended = "x";
    AppendInt(appended, v);
    EXPECT_EQ(appended, "x" + Printf("%lld", v));
  }
}

TEST(Text, LeadingIntegerReadsLikeAtoi) {
  EXPECT_EQ(LeadingInteger(""), 0);
  EXPECT_EQ(LeadingInteger("abc"), 0);
  EXPECT_EQ(LeadingInteger("  \t12x"), 12);
  EXPECT_EQ(LeadingInteger("-0042"), -42);
  EXPECT_EQ(LeadingInteger("+7 8"), 7);
  EXPECT_EQ(LeadingInteger("- 7"), 0);
  EXPECT_EQ(LeadingInteger("05 Mar 2004"), 5);
  // A run of digits far beyond 64 bits neither wraps nor turns negative.
  const long long huge = LeadingInteger(std::string(400, '9'));
  EXPECT_GE(huge, 100000000000LL);
  EXPECT_EQ(LeadingInteger("-" + std::string(400, '9')), -huge);
}

TEST(Text, WholeNumbersAreTheWholeText) {
  long long v = -1;
  EXPECT_TRUE(ParseInteger("-5", -10, 10, v));
  EXPECT_EQ(v, -5);
  for (const char* bad : {"", " 5", "5 ", "+5", "5x", "11", "-11", "0x5", "99999999999999999999"}) {
    v = 123;
    EXPECT_FALSE(ParseInteger(bad, -10, 10, v)) << bad;
    EXPECT_EQ(v, 123) << "left untouched on failure: " << bad;
  }
  unsigned long long u = 0;
  EXPECT_TRUE(ParseUnsigned("18446744073709551615", ~0ULL, u));
  EXPECT_EQ(u, ~0ULL);
  EXPECT_TRUE(ParseUnsigned("0010000", 10000, u));
  EXPECT_EQ(u, 10000u);
  for (const char* bad : {"", "-1", "+1", "10001", "18446744073709551616", "1e3", "1 "})
    EXPECT_FALSE(ParseUnsigned(bad, 10000, u)) << bad;
}

TEST(Text, HexDigitsBothWays) {
  const uint8_t bytes[] = {0x00, 0x09, 0x0A, 0x7F, 0xA5, 0xFF};
  std::string text;
  AppendHex(text, bytes, sizeof bytes);
  EXPECT_EQ(text, "00090A7FA5FF");
  for (int c = 0; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    const char* digits = "0123456789abcdef";
    int expected = -1;
    for (int d = 0; d < 16; ++d) {
      if (ch == digits[d] || (d >= 10 && ch == digits[d] - 'a' + 'A')) expected = d;
    }
    EXPECT_EQ(HexDigitValue(ch), expected) << c;
  }
}

TEST(Text, BlanksAreTheCLocalesSix) {
  EXPECT_EQ(TrimBlanks(" \t\r\n\v\fCOM3 \r\n"), "COM3");
  EXPECT_EQ(TrimTrailingBlanks("  a b  "), "  a b");
  EXPECT_EQ(TrimBlanks(" \r\n "), "");
  // Bytes of a UTF-8 no-break space are text, not blanks, whatever the locale says.
  EXPECT_EQ(TrimBlanks("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0");
}

TEST(Text, MonthNames) {
  EXPECT_STREQ(kMonthAbbreviations[0], "Jan");
  EXPECT_STREQ(kMonthAbbreviations[11], "Dec");
  EXPECT_EQ(MonthFromAbbreviation("Sep"), 9);
  EXPECT_EQ(MonthFromAbbreviation("sEP"), 9);
  EXPECT_EQ(MonthFromAbbreviation("Sept"), 0);
  EXPECT_EQ(MonthFromAbbreviation("Se"), 0);
  EXPECT_EQ(MonthFromAbbreviation("Foo"), 0);
}

TEST(Text, CalendarAgainstDatesWorkedOutByHand) {
  EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(DaysFromCivil(1969, 12, 31), -1);
  EXPECT_EQ(DaysFromCivil(2000, 3, 1), 11017);  // 30 years, 7 leap days, Jan and Feb 2000
  EXPECT_EQ(DaysFromCivil(2005, 9, 21), 13047);
  EXPECT_EQ(DaysFromCivil(1600, 1, 1), -135140);
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2100));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2023, 2), 28);
  EXPECT_EQ(DaysInMonth(2023, 4), 30);
  EXPECT_EQ(DaysInMonth(2023, 12), 31);
  // Every day from 1600 to 2400 goes there and back, one day after the other.
  long long previous = DaysFromCivil(1599, 12, 31);
  for (int y = 1600; y <= 2400; ++y) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= DaysInMonth(y, m); ++d) {
        const long long days = DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d));
        ASSERT_EQ(days, previous + 1) << y << "-" << m << "-" << d;
        const CivilDate back = CivilFromDays(days);
        ASSERT_TRUE(back.year == y && back.month == m && back.day == d);
        previous = days;
      }
    }
  }
}

// A decimal-comma locale changes what printf writes; none of the helpers may follow it.
TEST(Text, SameTextUnderADecimalCommaLocale) {
  CommaLocale comma;
  if (!comma.Armed()) GTEST_SKIP() << comma.Why();
  char printed[32];
  std::snprintf(printed, sizeof printed, "%f", 1234.5);
  EXPECT_STREQ(printed, "1234,500000") << "the locale should write a decimal comma";
  struct Grouping : std::numpunct<char> {
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
    char do_decimal_point() const override { return ','; }
  };
  const std::locale before = std::locale::global(std::locale(std::locale(), new Grouping));

  EXPECT_EQ(IntText(1234567, 9, '0'), "001234567");
  std::string text;
  AppendInt(text, -1234567);
  AppendFixed6(text, 1234.5);
  EXPECT_EQ(text, "-12345671234.500000");
  EXPECT_EQ(LeadingInteger("1.234"), 1);
  long long v = 0;
  EXPECT_FALSE(ParseInteger("1.234", 0, 9999, v));
  EXPECT_EQ(TrimBlanks(" 5 "), "5");

  std::locale::global(before);
}

}  // namespace
