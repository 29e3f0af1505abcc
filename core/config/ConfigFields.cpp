#include "ConfigFields.h"

#include "text/Text.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kInputNames[29] = {
    "AC: Vab", "AC: Vbc", "AC: Vca", "AC: Vac", "AC: Vcb", "AC: Vba", "AC: Van", "AC: Vbn",
    "AC: Vcn", "AC: Vas", "AC: Vbs", "AC: Vcs", "AC: Ia",  "AC: Ib",  "AC: Ic",  "DC: Vab",
    "DC: Vbc", "DC: Vca", "DC: Vac", "DC: Vcb", "DC: Vba", "DC: Van", "DC: Vbn", "DC: Vcn",
    "DC: Vas", "DC: Vbs", "DC: Vcs", "",        "AC: In",
};

size_t FactorOffset(int input, bool phase) {
  const int code = kScaleFactorInputs[static_cast<size_t>(std::clamp(input, 0, 8))].code;
  return kScaleDataOffset + 1 + 8 * static_cast<size_t>(code) + (phase ? 4 : 0);
}

uint16_t Little16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Little32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

}  // namespace

const std::array<int, 27> kChannel1Codes = {0,  3,  6,  9,  12, 1,  4,  7,  10, 13, 2,  5,  8, 11,
                                            14, 15, 18, 21, 24, 16, 19, 22, 25, 17, 20, 23, 26};
const std::array<int, 28> kChannel2Codes = {0,  3,  6,  9,  12, 28, 1,  4,  7,  10, 13, 2,  5,  8,
                                            11, 14, 15, 18, 21, 24, 16, 19, 22, 25, 17, 20, 23, 26};
const std::array<ScaleFactorInput, 9> kScaleFactorInputs = {{
    {"Vab", 0},
    {"Vbc", 1},
    {"Vca", 2},
    {"Van", 6},
    {"Vbn", 7},
    {"Vcn", 8},
    {"Ia", 12},
    {"Ib", 13},
    {"Ic", 14},
}};

const char* InputCodeName(int code) {
  if (code < 0 || code > 28) return "";
  return kInputNames[code];
}

DeviceDateTime GetDeviceDateTime(const ConfigRecord& record) {
  const uint8_t* p = record.data() + kTimeDateOffset;
  DeviceDateTime t;
  t.second = p[0];
  t.minute = p[1];
  t.hour = p[2];
  t.day = p[3];
  t.month = p[4];
  t.dayofyear = Little16(p + 5);
  t.year = Little16(p + 7);
  t.secondsofyear = Little32(p + 9);
  return t;
}

std::string DeviceDateTimeText(const ConfigRecord& record) {
  const DeviceDateTime t = GetDeviceDateTime(record);
  const std::string clock =
      IntText(t.hour, 2, '0') + ":" + IntText(t.minute, 2, '0') + ":" + IntText(t.second, 2, '0');
  if (t.month >= 1 && t.month <= 12) {
    return std::string(kMonthAbbreviations[t.month - 1]) + " " + IntText(t.day) + ", " +
           IntText(t.year) + " " + clock;
  }
  return IntText(t.year) + "-" + IntText(t.month, 2, '0') + "-" + IntText(t.day, 2, '0') + " " +
         clock;
}

float GetScaleFactor(const ConfigRecord& record, int input, bool phase) {
  const uint8_t* p = record.data() + FactorOffset(input, phase);
  const uint8_t reversed[4] = {p[3], p[2], p[1], p[0]};
  float value;
  std::memcpy(&value, reversed, 4);
  return value;
}

void SetScaleFactor(ConfigRecord& record, int input, bool phase, float value) {
  uint8_t bytes[4];
  std::memcpy(bytes, &value, 4);
  uint8_t* p = record.data() + FactorOffset(input, phase);
  for (int k = 0; k < 4; ++k) p[k] = bytes[3 - k];
}

ConfigDialogValues LoadConfigDialogValues(const ConfigRecord& record, const std::string& version) {
  ConfigDialogValues v;
  v.firmwareVersion = version;
  v.deviceDateTime = DeviceDateTimeText(record);
  const DeviceDateTime t = GetDeviceDateTime(record);
  v.deviceClock = {t.year, t.month, t.day, t.hour, t.minute, t.second};
  v.channel1 = static_cast<int8_t>(record[kChannel1Offset]);
  v.channel2 = static_cast<int8_t>(record[kChannel2Offset]);
  v.rangeIndex = (record[kPhasePreferencesOffset] >> 1) & 1;
  v.polarityIndex = record[kPhasePreferencesOffset] & 1;
  v.scaleEnable = record[kScaleDataOffset];
  for (int i = 0; i < 9; ++i) {
    v.factors[2 * static_cast<size_t>(i)] = GetScaleFactor(record, i, false);
    v.factors[2 * static_cast<size_t>(i) + 1] = GetScaleFactor(record, i, true);
  }
  return v;
}

void StoreConfigDialogValues(const ConfigDialogValues& v, ConfigRecord& record) {
  record[kChannel1Offset] = static_cast<uint8_t>(static_cast<int8_t>(v.channel1));
  record[kChannel2Offset] = static_cast<uint8_t>(static_cast<int8_t>(v.channel2));
  uint8_t prefs = record[kPhasePreferencesOffset] & 0xFC;
  if (v.rangeIndex != 0) prefs |= 0x02;
  if (v.polarityIndex != 0) prefs |= 0x01;
  record[kPhasePreferencesOffset] = prefs;
  record[kScaleDataOffset] = static_cast<uint8_t>(v.scaleEnable);
  for (int i = 0; i < 9; ++i) {
    SetScaleFactor(record, i, false, v.factors[2 * static_cast<size_t>(i)]);
    SetScaleFactor(record, i, true, v.factors[2 * static_cast<size_t>(i) + 1]);
  }
}
