#include "ConfigNumbers.h"

#include <charconv>
#include <limits>
#include <string_view>

#include "text/Text.h"

namespace {

// The value of a number too large or too small for a double (from_chars leaves it unset):
// infinite, with its sign, when it is too large (and so it fails any range check), else 0 with
// its sign (it underflows). Which one is read from the place of its first nonzero digit and its
// exponent, never by converting the digits, which would overflow again.
double OutOfRangeValue(std::string_view number) {
  size_t i = 0;
  const bool negative = !number.empty() && number[0] == '-';
  if (negative) ++i;
  // The power of ten of the first nonzero digit, before the exponent: 2 for "123", -2 for
  // "0.012".
  long long power = 0, integerDigits = 0, fractionDigits = 0;
  bool point = false, seen = false;
  for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
    if (number[i] == '.') {
      point = true;
      continue;
    }
    point ? ++fractionDigits : ++integerDigits;
    if (number[i] == '0' || seen) continue;
    seen = true;
    power = point ? -fractionDigits : integerDigits;  // counted from the front, fixed below
  }
  if (!seen) return negative ? -0.0 : 0.0;
  if (power > 0)
    power = integerDigits - power;  // a digit before the point: its place from the units
  long long exponent = 0;
  if (i < number.size()) {
    ++i;
    bool minus = false;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) minus = number[i++] == '-';
    for (; i < number.size() && exponent < 1'000'000'000; ++i)
      exponent = exponent * 10 + (number[i] - '0');
    if (minus) exponent = -exponent;
  }
  const double magnitude = power + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  return negative ? -magnitude : magnitude;
}

// Parses a number at `text[i]`; sets `end` past it. from_chars takes no leading '+' and
// no blanks, so both are handled here.
bool ParseAt(const std::string& text, size_t i, double& value, size_t& end) {
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool plus = false;
  if (i < text.size() && text[i] == '+') {
    plus = true;
    ++i;
  }
  if (plus && i < text.size() && text[i] == '-') return false;
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  const auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::invalid_argument) return false;
  if (result.ec == std::errc::result_out_of_range)
    value = OutOfRangeValue(std::string_view(first, static_cast<size_t>(result.ptr - first)));
  end = static_cast<size_t>(result.ptr - text.data());
  return true;
}

}  // namespace

bool ReadWholeNumber(const std::string& text, double& value) {
  size_t end = 0;
  if (!ParseAt(text, 0, value, end)) return false;
  while (end < text.size() && IsBlank(text[end])) ++end;
  return end == text.size();
}

std::string FormatDialogNumber(double value) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
  return std::string(buffer, result.ptr);
}

std::string RangeMessage(double low, double high) {
  return "Please enter a number between " + FormatDialogNumber(low) + " and " +
         FormatDialogNumber(high) + ".";
}
