#pragma once
// The fields of the instrument's configuration record that the program shows and edits: the
// instrument's date and time, the two channel inputs, phase range and polarity, and the scale
// factors. Every other byte of the record is passed back to the instrument untouched.
//
// The record is held in host order after the read (the wire groups are converted by the link
// library). The edited scale factors are the exception: they travel least significant byte
// first, like the floats of a log, so their four bytes are reversed once more here, on the way
// into the dialog values and again on the way back into the record.

#include <array>
#include <cstdint>
#include <string>

#include "ConfigRecord.h"
#include "text/TimeText.h"

constexpr size_t kTimeDateOffset = 13;
constexpr size_t kChannel1Offset = 33;
constexpr size_t kChannel2Offset = 34;
constexpr size_t kPhasePreferencesOffset = 38;  // bit 1 range, bit 0 polarity
constexpr size_t kScaleDataOffset = 650;        // scale_enable, then ac_factor[15]

// "AC: Vab" ... "AC: In" by input code; "" for 27 and for codes outside 0-28.
const char* InputCodeName(int code);

// The codes of the channel lists, in the order the lists show them.
extern const std::array<int, 27> kChannel1Codes;
extern const std::array<int, 28> kChannel2Codes;  // adds 28 ("AC: In") after 12 ("AC: Ia")

// The nine edited scale factors: the dialog's order, their short names and input codes.
struct ScaleFactorInput {
  const char* name;  // "Vab" ... "Ic"
  int code;          // index into ac_factor
};
extern const std::array<ScaleFactorInput, 9> kScaleFactorInputs;

constexpr double kMagnitudeMin = 0.0001, kMagnitudeMax = 99999;
constexpr double kPhaseMin = -359.9, kPhaseMax = 359.9;

struct DeviceDateTime {
  int second = 0, minute = 0, hour = 0, day = 0, month = 0;
  int dayofyear = 0, year = 0;
  uint32_t secondsofyear = 0;
};
DeviceDateTime GetDeviceDateTime(const ConfigRecord& record);
// "Mar 15, 2010 14:05:09". A month outside 1-12 has no name; the text is then written with the
// month's number ("2010-13-15 14:05:09") so the odd value is still seen.
std::string DeviceDateTimeText(const ConfigRecord& record);

// What the "Configure Device" dialog shows and edits.
struct ConfigDialogValues {
  std::string firmwareVersion = "unknown";
  std::string deviceDateTime = "unknown";
  // The same clock for a display in another date format; IsValidClockTime() false when the
  // record's date is none (deviceDateTime then shows what it holds).
  ClockTime deviceClock;
  bool updateClock = true;
  int channel1 = -1, channel2 = -1;  // input codes; -1: none selected
  int rangeIndex = -1, polarityIndex = -1;
  // The byte as read. Written back as it is: an editor sets 0 or 1 only when the user changes
  // the switch, so an instrument's other values survive an unchanged record.
  int scaleEnable = 0;
  // Magnitude and phase for Vab, Vbc, Vca, Van, Vbn, Vcn, Ia, Ib, Ic, in that order.
  std::array<float, 18> factors{};
};

ConfigDialogValues LoadConfigDialogValues(const ConfigRecord& record, const std::string& version);
void StoreConfigDialogValues(const ConfigDialogValues& values, ConfigRecord& record);

// The scale factor of `input` (0-8 in kScaleFactorInputs order) as the dialog sees it.
float GetScaleFactor(const ConfigRecord& record, int input, bool phase);
void SetScaleFactor(ConfigRecord& record, int input, bool phase, float value);
