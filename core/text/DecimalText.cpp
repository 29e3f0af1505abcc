#include "DecimalText.h"

#include <charconv>
#include <cmath>

namespace {

std::string NonFinite(double value) {
  return std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf";
}

}  // namespace

std::string ShortestDecimal(double value) {
  if (!std::isfinite(value)) return NonFinite(value);
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return std::string(buffer, end);
}

std::string FixedDecimal(double value, int decimals) {
  if (!std::isfinite(value)) return NonFinite(value);
  char buffer[352];  // the largest double has 309 digits before the point
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return ShortestDecimal(value);
  return std::string(buffer, result.ptr);
}

std::string ReadableDecimal(double value, int decimals) {
  std::string text = FixedDecimal(value, decimals);
  if (!std::isfinite(value) || text.find('.') == std::string::npos) return text;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text == "-0" ? std::string("0") : text;
}

bool ParseDecimal(std::string_view text, double& value) {
  if (text.empty() || text.front() == '+') return false;
  double parsed = 0;
  const auto result =
      std::from_chars(text.data(), text.data() + text.size(), parsed, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(parsed))
    return false;
  value = parsed;
  return true;
}
