#pragma once
// Locale-free text helpers shared by the whole program: integers, hex digits, blanks, month
// names and the calendar. Nothing here reads the process locale, so a German or French desktop
// writes and reads the same bytes as the "C" locale.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// ---- Integers ----

// `value` as printf's "%d", "%4d" or "%02d" writes it: right-aligned in `width` characters,
// padded with `pad` (' ' or '0'); zero padding goes after a minus sign, as printf does.
std::string IntText(long long value, int width = 0, char pad = ' ');
// Appends `value` as "%d".
void AppendInt(std::string& text, long long value);

// The leading decimal number of `text` as the C library's atoi reads it: optional blanks and
// sign, then digits; 0 when there are none. Very long digit runs stop growing past 10^11
// instead of overflowing.
long long LeadingInteger(std::string_view text);

// `text` as a whole decimal number within [low, high]: an optional minus sign and digits,
// nothing else (no blanks, no plus sign).
bool ParseInteger(std::string_view text, long long low, long long high, long long& value);
// `text` as a whole unsigned decimal number no greater than `max`: digits only.
bool ParseUnsigned(std::string_view text, unsigned long long max, unsigned long long& value);

// ---- Hex ----

// The value of one hex digit (either case), or -1.
int HexDigitValue(char c);
// Appends `count` bytes as upper-case hex, two digits each.
void AppendHex(std::string& text, const uint8_t* bytes, size_t count);

// ---- Blanks ----

// The blanks of the "C" locale: space, tab, CR, LF, vertical tab and form feed.
bool IsBlank(char c);
std::string_view TrimBlanks(std::string_view text);
std::string_view TrimTrailingBlanks(std::string_view text);

// ---- Months ----

// "Jan" to "Dec".
extern const std::array<const char*, 12> kMonthAbbreviations;
// 1 to 12 for a three-letter English month name in any case, else 0.
int MonthFromAbbreviation(std::string_view name);

// ---- Calendar (proleptic Gregorian) ----

bool IsLeapYear(long long year);
// 28 to 31; `month` must be 1 to 12.
int DaysInMonth(long long year, int month);
// Days since 1970-01-01 of a date, and back.
long long DaysFromCivil(long long year, unsigned month, unsigned day);
struct CivilDate {
  int year, month, day;
};
CivilDate CivilFromDays(long long days);
