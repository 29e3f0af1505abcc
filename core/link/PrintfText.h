#pragma once
// printf-style integer fields ("%d", "%4d", "%02d") built with std::to_chars, so command texts
// never depend on the process locale.

#include <charconv>
#include <string>

// `value` in decimal, right-aligned in `width` characters, padded with `pad` (' ' or '0'); a
// negative value zero-padded keeps its sign in front, as printf does.
inline std::string PrintfInt(long long value, int width = 0, char pad = ' ') {
  char digits[24];
  const bool negative = value < 0;
  const auto [end, ec] = std::to_chars(
      digits, digits + sizeof digits,
      negative ? -static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value));
  std::string body(digits, end);
  const size_t used = body.size() + (negative ? 1 : 0);
  const size_t fill = width > 0 && static_cast<size_t>(width) > used ? width - used : 0;
  if (pad == '0') return (negative ? "-" : "") + std::string(fill, '0') + body;
  return std::string(fill, ' ') + (negative ? "-" : "") + body;
}
