#include "NumberText.h"

#include <charconv>
#include <cmath>

void AppendFixed6(std::string& text, double value) {
  // A NaN is "nan" whatever its sign bit (the byte-reversed floats of a dump are full of them).
  if (std::isnan(value)) {
    text += "nan";
    return;
  }
  // "%f" of the largest double has 309 integer digits; 330 leaves room for sign and point.
  char buffer[330];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  text.append(buffer, result.ptr);
}

void AppendInt(std::string& text, long long value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  text.append(buffer, result.ptr);
}
