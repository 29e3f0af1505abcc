// Record times to text and back: the seconds were worked out independently (a proleptic
// Gregorian calendar, UTC), the texts by hand.

#include <gtest/gtest.h>

#include "text/TimeText.h"

namespace {

TEST(TimeText, SecondsAndClockTimeAgree) {
  struct Case {
    ClockTime t;
    int64_t seconds;
  };
  const Case cases[] = {
      {{1970, 1, 1, 0, 0, 0}, 0},
      {{2009, 3, 7, 14, 5, 9}, 1236434709},
      {{2000, 2, 29, 23, 59, 59}, 951868799},
      {{999, 12, 31, 0, 0, 0}, -30610310400},
      {{100, 1, 1, 0, 0, 0}, -59011459200},
      {{9999, 12, 31, 23, 59, 59}, 253402300799},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SecondsFromClockTime(c.t), c.seconds);
    const ClockTime back = ClockTimeFromSeconds(c.seconds);
    EXPECT_EQ(TimeText(back, TimeStyle::kIso), TimeText(c.t, TimeStyle::kIso));
  }
  // One second before the epoch is the last second of 1969.
  EXPECT_EQ(TimeText(int64_t{-1}, TimeStyle::kIso), "1969-12-31T23:59:59");
}

TEST(TimeText, EachStyleWritesItsOwnYear) {
  const ClockTime t{2009, 3, 7, 14, 5, 9};
  EXPECT_EQ(TimeText(t, TimeStyle::kTable), "03-07-2009 14:05:09");
  EXPECT_EQ(TimeText(t, TimeStyle::kIso), "2009-03-07T14:05:09");
  EXPECT_EQ(TimeText(t, TimeStyle::kIsoSpace), "2009-03-07 14:05:09");
  // The table writes the year as "%d"; ISO 8601 needs four digits.
  const ClockTime early{999, 1, 2, 3, 4, 5};
  EXPECT_EQ(TimeText(early, TimeStyle::kTable), "01-02-999 03:04:05");
  EXPECT_EQ(TimeText(early, TimeStyle::kIso), "0999-01-02T03:04:05");
  EXPECT_EQ(TimeText(early, TimeStyle::kIsoSpace), "0999-01-02 03:04:05");
}

TEST(TimeText, ValidityFollowsTheCalendar) {
  EXPECT_TRUE(IsValidClockTime({2000, 2, 29, 0, 0, 0}));
  EXPECT_FALSE(IsValidClockTime({1900, 2, 29, 0, 0, 0}));
  EXPECT_FALSE(IsValidClockTime({2009, 4, 31, 0, 0, 0}));
  EXPECT_FALSE(IsValidClockTime({99, 1, 1, 0, 0, 0}));
  EXPECT_FALSE(IsValidClockTime({10000, 1, 1, 0, 0, 0}));
  EXPECT_FALSE(IsValidClockTime({2009, 1, 1, 24, 0, 0}));
  EXPECT_FALSE(IsValidClockTime({2009, 1, 1, 0, 60, 0}));
  EXPECT_FALSE(IsValidClockTime({2009, 0, 1, 0, 0, 0}));
}

TEST(TimeText, ParsesWhatIsTypedInEachStyle) {
  auto iso = [](std::string_view text, TimeStyle style) {
    const auto t = ParseTimeText(text, style);
    return t ? TimeText(*t, TimeStyle::kIso) : std::string("none");
  };
  EXPECT_EQ(iso("03-08-2009 10:30:15", TimeStyle::kTable), "2009-03-08T10:30:15");
  EXPECT_EQ(iso("12-31-2009", TimeStyle::kTable), "2009-12-31T00:00:00");
  EXPECT_EQ(iso(" 12-31-2009 23:59 ", TimeStyle::kTable), "2009-12-31T23:59:00");
  EXPECT_EQ(iso("2009-03-08 10:30:15", TimeStyle::kIso), "2009-03-08T10:30:15");
  EXPECT_EQ(iso("2009-03-08T10:30:15", TimeStyle::kIso), "2009-03-08T10:30:15");
  EXPECT_EQ(iso("2009-03-08T10:30:15", TimeStyle::kIsoSpace), "2009-03-08T10:30:15");
  EXPECT_EQ(iso("2000-02-29", TimeStyle::kIso), "2000-02-29T00:00:00");
  // Not a time, or no valid one.
  EXPECT_EQ(iso("", TimeStyle::kTable), "none");
  EXPECT_EQ(iso("3-8-2009", TimeStyle::kTable), "none");
  EXPECT_EQ(iso("03-08-2009T10:30:15", TimeStyle::kTable), "none");
  EXPECT_EQ(iso("02-30-2009", TimeStyle::kTable), "none");
  EXPECT_EQ(iso("2009-03-08 10:30:15x", TimeStyle::kIso), "none");
  EXPECT_EQ(iso("2009-03-08 10:3", TimeStyle::kIso), "none");
  EXPECT_EQ(iso("2009-03-08 25:00", TimeStyle::kIso), "none");
  EXPECT_EQ(iso("2009/03/08", TimeStyle::kIso), "none");
}

}  // namespace
