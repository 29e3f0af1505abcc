#include "Units.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "text/DecimalText.h"

std::string LabelWithUnit(std::string_view title, Unit unit) {
  std::string label(title);
  const std::string_view symbol = UnitSymbol(unit);
  if (!symbol.empty()) {
    label += " (";
    label += symbol;
    label += ')';
  }
  return label;
}

Unit AxisFamily(Unit unit) {
  switch (unit) {
    case Unit::kWatt:
    case Unit::kVoltAmpere:
    case Unit::kVar:
      return Unit::kWatt;
    case Unit::kWattHour:
    case Unit::kVoltAmpereHour:
    case Unit::kVarHour:
      return Unit::kWattHour;
    default:
      return unit;
  }
}

std::string ValueAxisLabel(const std::vector<std::string>& titles, const std::vector<Unit>& units) {
  if (titles.size() == 1 && units.size() == 1) return LabelWithUnit(titles[0], units[0]);
  std::vector<Unit> seen;
  std::string label;
  for (Unit unit : units) {
    if (unit == Unit::kNone || std::find(seen.begin(), seen.end(), unit) != seen.end()) continue;
    seen.push_back(unit);
    if (!label.empty()) label += ", ";
    label += UnitSymbol(unit);
  }
  return label.empty() ? "(no unit)" : label;
}

int DisplayDecimals(Unit unit) {
  switch (unit) {
    case Unit::kVolt:
    case Unit::kPercent:
      return 2;
    case Unit::kWatt:
    case Unit::kVoltAmpere:
    case Unit::kVar:
    case Unit::kWattHour:
    case Unit::kVoltAmpereHour:
    case Unit::kVarHour:
    case Unit::kDegree:
      return 1;
    case Unit::kAmpere:
    case Unit::kHertz:
    case Unit::kNone:
      break;
  }
  return 3;
}

std::string DisplayNumber(double value, Unit unit) {
  if (!std::isfinite(value)) return "-";
  if (std::fabs(value) < 1e7) {
    std::string text = FixedDecimal(value, DisplayDecimals(unit));
    // A small negative value that rounds to zero reads "0.00", not "-0.00".
    if (text[0] == '-' && text.find_first_of("123456789") == std::string::npos) text.erase(0, 1);
    return text;
  }
  char buffer[32];
  const auto end =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 5).ptr;
  return std::string(buffer, end);
}

std::string DisplayValue(double value, Unit unit) {
  std::string text = DisplayNumber(value, unit);
  if (!std::isfinite(value) || unit == Unit::kNone) return text;
  if (unit != Unit::kDegree) text += ' ';  // an angle's degree sign follows the number
  return text + UnitSymbol(unit);
}

double NormalizeDegrees(double degrees) {
  if (!std::isfinite(degrees)) return degrees;
  double angle = std::fmod(degrees, 360.0);  // (-360, 360)
  if (angle > 180) angle -= 360;
  if (angle <= -180) angle += 360;
  return angle;
}

std::string DisplayAngle(double degrees) {
  const double angle = NormalizeDegrees(degrees);
  std::string text = DisplayValue(angle, Unit::kDegree);
  if (angle < 0 && DisplayNumber(angle, Unit::kDegree) == DisplayNumber(-180, Unit::kDegree))
    text = DisplayValue(180, Unit::kDegree);
  return text;
}
