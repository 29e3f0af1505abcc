#pragma once
// Floating-point numbers as decimal text without the process locale: the shortest text that
// reads back as the same double (JSON, CSV and the limits of the assessment), or a fixed number
// of decimals (readable tables). Parsing the other way: ParseDecimal.

#include <string>
#include <string_view>

// The shortest text that reads back as `value` ("207", "59.4", "1e-07"); "nan", "inf", "-inf"
// for the values that are no numbers.
std::string ShortestDecimal(double value);
// `value` with `decimals` digits after the point ("%.*f" in the "C" locale).
std::string FixedDecimal(double value, int decimals);
// At most `decimals` digits after the point, trailing zeros and a bare point dropped, for
// people: "207", "59.4", "398.372"; never "-0".
std::string ReadableDecimal(double value, int decimals);
// `text` as a whole finite decimal number ("230", "-0.5", "1e3"); no blanks, no hex, no "inf".
bool ParseDecimal(std::string_view text, double& value);
