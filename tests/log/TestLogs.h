#pragma once
// Hand-built log files and records for the log-model tests.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "log/ByteOrder.h"

// A file: marker (least significant byte first), header size, header block, count, size, records.
inline std::vector<uint8_t> MakeLogFile(uint32_t marker, uint16_t headerSize, uint32_t count,
                                        uint16_t recordSize,
                                        const std::vector<std::vector<uint8_t>>& records,
                                        size_t trailing = 0) {
  std::vector<uint8_t> f;
  for (int i = 0; i < 4; ++i) f.push_back(static_cast<uint8_t>(marker >> (8 * i)));
  f.push_back(static_cast<uint8_t>(headerSize >> 8));
  f.push_back(static_cast<uint8_t>(headerSize));
  f.insert(f.end(), headerSize, 0x55);
  uint8_t cs[6];
  WriteBigEndian32(cs, count);
  WriteBigEndian16(cs + 4, recordSize);
  f.insert(f.end(), cs, cs + 6);
  for (const auto& r : records) f.insert(f.end(), r.begin(), r.end());
  f.insert(f.end(), trailing, 0xEE);
  return f;
}

// A record under construction: floats as stored (little-endian, or reversed for format 256).
class RecordBytes {
 public:
  RecordBytes(size_t size, int byRecordType, bool reversed = false)
      : bytes(size, 0), m_reversed(reversed) {
    bytes[0] = static_cast<uint8_t>(byRecordType);
  }
  RecordBytes& Float(size_t offset, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    uint8_t b[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                    static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
    if (m_reversed) std::swap(b[0], b[3]), std::swap(b[1], b[2]);
    std::memcpy(bytes.data() + offset, b, 4);
    return *this;
  }
  RecordBytes& Byte(size_t offset, uint8_t value) {
    bytes[offset] = value;
    return *this;
  }
  // Time stamp as the file holds it (integers big-endian).
  RecordBytes& Time(int year, int month, int day, int hour, int minute, int second,
                    uint16_t dayOfYear = 1, uint32_t secondsOfYear = 0) {
    bytes[1] = static_cast<uint8_t>(second);
    bytes[2] = static_cast<uint8_t>(minute);
    bytes[3] = static_cast<uint8_t>(hour);
    bytes[4] = static_cast<uint8_t>(day);
    bytes[5] = static_cast<uint8_t>(month);
    WriteBigEndian16(bytes.data() + 6, dayOfYear);
    WriteBigEndian16(bytes.data() + 8, static_cast<uint16_t>(year));
    WriteBigEndian32(bytes.data() + 10, secondsOfYear);
    return *this;
  }
  std::vector<uint8_t> bytes;

 private:
  bool m_reversed;
};
