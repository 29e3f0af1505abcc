#pragma once
// The units of the table's numbers and how they are shown to a reader: the symbol, a label
// "Title (unit)", which units share a value axis, and a number written with the decimals its
// unit deserves. The table, CSV and clipboard keep "%f" (CellText.h); everything drawn or shown
// in a window, a tooltip or a plot is written here.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class Unit : uint8_t {
  kNone,  // power factor, K-factor; and the text columns
  kVolt,
  kAmpere,
  kWatt,
  kVoltAmpere,
  kVar,
  kWattHour,
  kVoltAmpereHour,
  kVarHour,
  kHertz,
  kDegree,
  kPercent,  // THD, and harmonics in percent of the fundamental
};

// "V", "A", "W", "VA", "var", "Wh", "VAh", "varh", "Hz", "°" (UTF-8), "%", or "".
constexpr const char* UnitSymbol(Unit unit) {
  switch (unit) {
    case Unit::kVolt:
      return "V";
    case Unit::kAmpere:
      return "A";
    case Unit::kWatt:
      return "W";
    case Unit::kVoltAmpere:
      return "VA";
    case Unit::kVar:
      return "var";
    case Unit::kWattHour:
      return "Wh";
    case Unit::kVoltAmpereHour:
      return "VAh";
    case Unit::kVarHour:
      return "varh";
    case Unit::kHertz:
      return "Hz";
    case Unit::kDegree:
      return "\xC2\xB0";
    case Unit::kPercent:
      return "%";
    case Unit::kNone:
      break;
  }
  return "";
}

// "Phase A Volts Wide (V)"; the title alone for a number without a unit.
std::string LabelWithUnit(std::string_view title, Unit unit);

// The units that share one value axis: W, VA and var (power) are one family, Wh, VAh and varh
// (energy) another; every other unit is a family of its own. The answer names the family by its
// first unit (kWatt, kWattHour, or the unit itself).
Unit AxisFamily(Unit unit);

// The label of a value axis that draws series of these titles and units (parallel lists): one
// series is "Title (unit)"; several are their units in the order first drawn ("W, var"), or
// "(no unit)".
std::string ValueAxisLabel(const std::vector<std::string>& titles, const std::vector<Unit>& units);

// The decimals a number of `unit` is shown with: volts 2, amperes 3, power and energy 1,
// hertz 3, degrees 1, percent 2, no unit (power factor, K-factor) 3.
int DisplayDecimals(Unit unit);
// `value` for reading: the unit's decimals; 6 significant digits with an exponent from 10^7 on
// (a garbled float would run to forty digits); "-" for a value that is no number.
std::string DisplayNumber(double value, Unit unit);
// The number followed by its unit: "230.12 V", "-12.5°"; "-" alone for no number.
std::string DisplayValue(double value, Unit unit);

// An angle in degrees brought into (-180, 180]: 190 is -170, -180 is 180; NaN stays NaN.
double NormalizeDegrees(double degrees);
// An angle for reading, within (-180°, 180°] as written: "-12.5°", and "180.0°" for -179.96,
// which the degree's one decimal would otherwise round to "-180.0°"; "-" for no number.
std::string DisplayAngle(double degrees);
