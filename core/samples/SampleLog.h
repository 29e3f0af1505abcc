#pragma once
// Generated ".57x" logs with plausible measurements, for tests, benchmarks, the simulator and
// `meterlog2-cli sample`. Deterministic: the same options give the same bytes.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct SampleLogOptions {
  int logType = 1;  // 1..6 (any byte value is written as given)
  uint32_t records = 10;
  uint32_t dataFormat = 1;   // 1: floats least significant byte first; 256: reversed
  uint16_t headerSize = 64;  // length of the header block (3100 is the largest accepted)
  uint16_t recordSize = 0;   // 0: the log type's layout size; larger pads every record
  size_t trailingBytes = 0;  // bytes after the last record
  double mainsHz = 50;       // 50 or 60
  double volts = 0;          // the voltages' level: 0 gives 230 V, or 120 V at 60 Hz
  // One voltage harmonic (2..50) of every phase or channel at this percent of the fundamental
  // instead of its usual share (0: none).
  int distortedHarmonic = 0;
  double distortionPercent = 0;
  unsigned seed = 1;  // varies the measurements
  // First time stamp and the interval between records.
  int year = 2009, month = 3, day = 7, hour = 14, minute = 5, second = 9;
  unsigned intervalSeconds = 60;
  bool invalidDates = false;  // every third record gets an impossible date (month 13, 30 Feb)
  int mixedLogType = 0;       // nonzero: every other record carries this byRecordType instead
  // Overrides the count written into the header (for files whose count does not match).
  bool overrideCount = false;
  uint32_t headerCount = 0;
};

std::vector<uint8_t> MakeSampleLog(const SampleLogOptions& options);
// One record of the log as it stands in the file (time stamp big-endian).
std::vector<uint8_t> MakeSampleRecord(const SampleLogOptions& options, uint32_t index);
// Writes the log to `path`; on failure returns false and sets `error` to a sentence.
bool WriteSampleLog(const std::filesystem::path& path, const SampleLogOptions& options,
                    std::string& error);
