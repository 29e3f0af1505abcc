#pragma once
// Log types and data formats: the two facts about a log that decide how its records read.

#include <cstdint>

// Low 6 bits of a record's byRecordType. Any other value is no log type (0).
enum LogType : int {
  kNoLogType = 0,
  kStandardLog = 1,
  kHarmonicLog = 2,
  kWaveformLog = 3,
  kThreePhaseTabularLog = 4,
  kThreePhaseVectorLog = 5,
  kThreePhaseSequentialLog = 6,
};

// The file's marker in its first four bytes. Every value but 256 means floats are used as stored.
constexpr uint32_t kDataFormatUnknown = 0;
constexpr uint32_t kDataFormat0001 = 1;    // "Type 0001": least significant byte first
constexpr uint32_t kDataFormat0100 = 256;  // "Type 0100": the four bytes of every float reversed

constexpr int LogTypeFromRecordTypeByte(uint8_t byRecordType) {
  const int t = byRecordType & 0x3F;
  return (t >= 1 && t <= 6) ? t : kNoLogType;
}

// "Standard Log" ... "Three Phase Sequential Log"; nullptr for no log type.
const char* LogTypeName(int logType);

// "Type 0001" and "Type 0100", the names of the two byte orders; nullptr for any other marker.
const char* DataFormatName(uint32_t dataFormat);
