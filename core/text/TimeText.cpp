#include "TimeText.h"

#include "Text.h"

namespace {

void AppendTwoDigits(std::string& text, int value) {
  text.push_back(static_cast<char>('0' + value / 10 % 10));
  text.push_back(static_cast<char>('0' + value % 10));
}

void AppendYear(std::string& text, int year, TimeStyle style) {
  if (style == TimeStyle::kTable || year < 0 || year > 999) {
    AppendInt(text, year);
    return;
  }
  text.append(IntText(year, 4, '0'));
}

void AppendClock(std::string& text, const ClockTime& t) {
  AppendTwoDigits(text, t.hour);
  text.push_back(':');
  AppendTwoDigits(text, t.minute);
  text.push_back(':');
  AppendTwoDigits(text, t.second);
}

// Reads exactly `digits` decimal digits at `pos`.
bool ReadDigits(std::string_view text, size_t& pos, size_t digits, int& value) {
  if (pos + digits > text.size()) return false;
  value = 0;
  for (size_t i = 0; i < digits; ++i) {
    const char c = text[pos + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  pos += digits;
  return true;
}

bool Expect(std::string_view text, size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace

bool IsValidClockTime(const ClockTime& t) {
  return t.year >= 100 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
         t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
         t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

int64_t SecondsFromClockTime(const ClockTime& t) {
  const int64_t days =
      DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day));
  return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

ClockTime ClockTimeFromSeconds(int64_t seconds) {
  int64_t days = seconds / 86400;
  int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  const CivilDate date = CivilFromDays(days);
  ClockTime t;
  t.year = date.year;
  t.month = date.month;
  t.day = date.day;
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  return t;
}

void AppendTimeText(std::string& text, const ClockTime& t, TimeStyle style) {
  if (style == TimeStyle::kTable) {
    AppendTwoDigits(text, t.month);
    text.push_back('-');
    AppendTwoDigits(text, t.day);
    text.push_back('-');
    AppendYear(text, t.year, style);
    text.push_back(' ');
  } else {
    AppendYear(text, t.year, style);
    text.push_back('-');
    AppendTwoDigits(text, t.month);
    text.push_back('-');
    AppendTwoDigits(text, t.day);
    text.push_back(style == TimeStyle::kIso ? 'T' : ' ');
  }
  AppendClock(text, t);
}

std::string TimeText(const ClockTime& t, TimeStyle style) {
  std::string text;
  AppendTimeText(text, t, style);
  return text;
}

std::string TimeText(int64_t seconds, TimeStyle style) {
  return TimeText(ClockTimeFromSeconds(seconds), style);
}

std::optional<ClockTime> ParseTimeText(std::string_view text, TimeStyle style) {
  text = TrimBlanks(text);
  ClockTime t;
  size_t pos = 0;
  bool ok;
  if (style == TimeStyle::kTable) {
    ok = ReadDigits(text, pos, 2, t.month) && Expect(text, pos, '-') &&
         ReadDigits(text, pos, 2, t.day) && Expect(text, pos, '-') &&
         ReadDigits(text, pos, 4, t.year);
  } else {
    ok = ReadDigits(text, pos, 4, t.year) && Expect(text, pos, '-') &&
         ReadDigits(text, pos, 2, t.month) && Expect(text, pos, '-') &&
         ReadDigits(text, pos, 2, t.day);
  }
  if (!ok) return std::nullopt;
  if (pos < text.size()) {
    const char separator = text[pos++];
    if (separator != ' ' && !(separator == 'T' && style != TimeStyle::kTable)) return std::nullopt;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    if (!ReadDigits(text, pos, 2, t.hour) || !Expect(text, pos, ':') ||
        !ReadDigits(text, pos, 2, t.minute))
      return std::nullopt;
    if (pos < text.size() && (!Expect(text, pos, ':') || !ReadDigits(text, pos, 2, t.second)))
      return std::nullopt;
    if (pos != text.size()) return std::nullopt;
  }
  if (!IsValidClockTime(t)) return std::nullopt;
  return t;
}
