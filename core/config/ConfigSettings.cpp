#include "ConfigSettings.h"

#include <algorithm>
#include <cctype>

#include "ConfigFields.h"
#include "ConfigNumbers.h"
#include "text/Text.h"

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text) {
  return std::string(TrimBlanks(text));
}

// Names compared without case and without blanks, so "ac:vab" matches "AC: Vab".
std::string Squeezed(const std::string& text) {
  std::string out;
  for (char c : Lower(text)) {
    if (!IsBlank(c)) out.push_back(c);
  }
  return out;
}

template <size_t N>
bool ParseChannel(const std::string& value, const std::array<int, N>& codes, int& code) {
  const std::string wanted = Squeezed(value);
  for (int c : codes) {
    if (Squeezed(InputCodeName(c)) == wanted) {
      code = c;
      return true;
    }
  }
  // Or the input code itself, in digits.
  unsigned long long number = 0;
  if (wanted.size() < 4 && ParseUnsigned(wanted, 999, number) &&
      std::find(codes.begin(), codes.end(), static_cast<int>(number)) != codes.end()) {
    code = static_cast<int>(number);
    return true;
  }
  return false;
}

bool ParseChoice(const std::string& value, const std::vector<std::vector<std::string>>& choices,
                 int& index) {
  const std::string wanted = Lower(value);
  for (size_t i = 0; i < choices.size(); ++i) {
    if (std::find(choices[i].begin(), choices[i].end(), wanted) != choices[i].end()) {
      index = static_cast<int>(i);
      return true;
    }
  }
  return false;
}

}  // namespace

bool ApplyConfigSetting(ConfigRecord& record, const std::string& setting, std::string& error) {
  const size_t eq = setting.find('=');
  if (eq == std::string::npos) {
    error = "\"" + setting + "\" is not NAME=VALUE";
    return false;
  }
  const std::string name = Lower(Trim(setting.substr(0, eq)));
  const std::string value = Trim(setting.substr(eq + 1));

  if (name == "channel1" || name == "channel2") {
    int code = -1;
    const bool ok = name == "channel1" ? ParseChannel(value, kChannel1Codes, code)
                                       : ParseChannel(value, kChannel2Codes, code);
    if (!ok) {
      error = "\"" + value + "\" is not an input of " +
              (name == "channel1" ? "channel 1" : "channel 2") +
              "'s list (give a name such as \"AC: Vab\" or its input code)";
      return false;
    }
    record[name == "channel1" ? kChannel1Offset : kChannel2Offset] =
        static_cast<uint8_t>(static_cast<int8_t>(code));
    return true;
  }
  if (name == "range" || name == "polarity") {
    int index = 0;
    const bool ok = name == "range" ? ParseChoice(value, {{"0-180", "0"}, {"0-360", "1"}}, index)
                                    : ParseChoice(value, {{"-", "0"}, {"+", "1"}}, index);
    if (!ok) {
      error = name == "range" ? "range must be 0-180 or 0-360" : "polarity must be - or +";
      return false;
    }
    const uint8_t bit = name == "range" ? 0x02 : 0x01;
    uint8_t& prefs = record[kPhasePreferencesOffset];
    prefs = static_cast<uint8_t>(index ? (prefs | bit) : (prefs & ~bit));
    return true;
  }
  if (name == "scale") {
    int index = 0;
    if (!ParseChoice(value, {{"off", "0", "no", "false"}, {"on", "1", "yes", "true"}}, index)) {
      error = "scale must be on or off";
      return false;
    }
    record[kScaleDataOffset] = static_cast<uint8_t>(index);
    return true;
  }
  const size_t dot = name.find('.');
  if (dot != std::string::npos) {
    const std::string input = name.substr(0, dot);
    const std::string part = name.substr(dot + 1);
    for (size_t i = 0; i < kScaleFactorInputs.size(); ++i) {
      if (Lower(kScaleFactorInputs[i].name) != input) continue;
      const bool phase = part == "phase";
      if (!phase && part != "magnitude") break;
      double number = 0;
      if (!ReadWholeNumber(value, number)) {
        error = name + ": Please enter a number.";
        return false;
      }
      const double low = phase ? kPhaseMin : kMagnitudeMin;
      const double high = phase ? kPhaseMax : kMagnitudeMax;
      if (!(number >= low && number <= high)) {
        error = name + ": " + RangeMessage(low, high);
        return false;
      }
      SetScaleFactor(record, static_cast<int>(i), phase, static_cast<float>(number));
      return true;
    }
  }
  error = "unknown setting \"" + Trim(setting.substr(0, eq)) + "\" (known: channel1, channel2, " +
          "range, polarity, scale, Vab.magnitude, Vab.phase, ... Ic.phase)";
  return false;
}
