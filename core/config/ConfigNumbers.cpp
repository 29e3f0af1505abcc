#include "ConfigNumbers.h"

#include <charconv>

#include "text/Text.h"

namespace {

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
  if (result.ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: the digits still form a number; an overflow becomes
    // infinite (and so fails any range check) as strtod would make it.
    long double wide = 0;
    const auto retry = std::from_chars(first, last, wide, std::chars_format::general);
    value = retry.ec == std::errc() ? static_cast<double>(wide) : 0.0;
  }
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
