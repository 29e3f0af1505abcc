#pragma once
// A record's clock time and its text in each style. The instrument's clock keeps no time zone:
// its seconds count from 1970-01-01 00:00:00 of that same clock. Every place that shows or
// writes a record time (table, CSV, plots, statistics, Go To Time, the assessment) goes through
// here, so a time reads the same wherever it appears.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct ClockTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The calendar a record time must lie in: years 100 to 9999, a real date, 00:00:00..23:59:59.
bool IsValidClockTime(const ClockTime& t);

// Seconds since 1970-01-01 00:00:00 of the clock, and back (any seconds give a date).
int64_t SecondsFromClockTime(const ClockTime& t);
ClockTime ClockTimeFromSeconds(int64_t seconds);

// The one vocabulary of time formats: the table's and the export's, and the reader's choice
// under View > Date Format (kTable, kIsoSpace or kLocale; gui/common/DateFormat.h).
enum class TimeStyle {
  kTable,     // "03-07-2009 14:05:09": month-day-year as the log shows it; the year as "%d"
  kIso,       // "2009-03-07T14:05:09": ISO 8601; the year with at least four digits
  kIsoSpace,  // "2009-03-07 14:05:09": ISO 8601's date and time with a space, for reading
  // The reader's system locale. Only the desktop knows a locale and writes it; the core has
  // none and writes and reads kIsoSpace's text in its place.
  kLocale,
};

void AppendTimeText(std::string& text, const ClockTime& t, TimeStyle style);
// The date alone ("03-07-2009", "2009-03-07") and the clock alone ("14:05:09"), for a text that
// sets them apart, such as an axis tick on two lines.
void AppendDateText(std::string& text, const ClockTime& t, TimeStyle style);
void AppendClockText(std::string& text, const ClockTime& t);
std::string TimeText(const ClockTime& t, TimeStyle style);
std::string TimeText(int64_t seconds, TimeStyle style);

// Reads a time typed in `style` (kIso also takes a space for the "T"); seconds may be left
// out. Nothing when the text is not such a time or names no valid clock time.
std::optional<ClockTime> ParseTimeText(std::string_view text, TimeStyle style);
