#pragma once
// Numbers to text exactly as C's printf "%f" writes them in the "C" locale, whatever the
// process locale is: six decimals, no exponent, "inf", "-inf" and "nan" (one text for every NaN).

#include <string>

// Appends value with "%f".
void AppendFixed6(std::string& text, double value);

// Angles are stored in radians; the program converts with pi written with 14 decimals.
constexpr double kPi = 3.14159265358979;
constexpr double kTwoPi = 2 * kPi;
constexpr double kRadiansToDegrees = 180 / kPi;  // 57.29577951308238
