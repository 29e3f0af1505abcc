#pragma once
// Log files built byte by byte for the log and table tests, so that every expected value can be
// traced to the offset it was put at. Written from the file format itself, not with the
// program's byte-order helpers: header and time-stamp integers big-endian, floats least
// significant byte first, or reversed in a "Type 0100" (data format 256) file.

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "log/CMeterlog2Doc.h"
#include "log/NumberText.h"
#include "samples/SampleLog.h"

inline void PutBigEndian(uint8_t* at, uint32_t value, int width) {
  for (int i = 0; i < width; ++i) at[i] = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
}

// A file: marker (least significant byte first), header size, header block, count, size, records.
inline std::vector<uint8_t> MakeLogFile(uint32_t marker, uint16_t headerSize, uint32_t count,
                                        uint16_t recordSize,
                                        const std::vector<std::vector<uint8_t>>& records,
                                        size_t trailing = 0) {
  // Appended byte by byte (GCC's array-bounds check misreads writes through a pointer here).
  std::vector<uint8_t> f;
  auto bigEndian = [&f](uint32_t value, int width) {
    for (int i = width - 1; i >= 0; --i) f.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  for (int i = 0; i < 4; ++i) f.push_back(static_cast<uint8_t>(marker >> (8 * i)));
  bigEndian(headerSize, 2);
  f.insert(f.end(), headerSize, 0x55);
  bigEndian(count, 4);
  bigEndian(recordSize, 2);
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
  // A record built elsewhere (a generated one), to be changed here.
  RecordBytes(std::vector<uint8_t> record, bool reversed)
      : bytes(std::move(record)), m_reversed(reversed) {}
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
  // Time stamp as the file holds it: six bytes, then day of year, year, seconds of year.
  RecordBytes& Time(int year, int month, int day, int hour, int minute, int second,
                    uint16_t dayOfYear = 1, uint32_t secondsOfYear = 0) {
    bytes[1] = static_cast<uint8_t>(second);
    bytes[2] = static_cast<uint8_t>(minute);
    bytes[3] = static_cast<uint8_t>(hour);
    bytes[4] = static_cast<uint8_t>(day);
    bytes[5] = static_cast<uint8_t>(month);
    PutBigEndian(bytes.data() + 6, dayOfYear, 2);
    PutBigEndian(bytes.data() + 8, static_cast<uint32_t>(year), 2);
    PutBigEndian(bytes.data() + 10, secondsOfYear, 4);
    return *this;
  }
  std::vector<uint8_t> bytes;

 private:
  bool m_reversed;
};

// A whole log of equal-sized records and no header block, floats stored the way its data
// format says. SetType gives a row its type and a valid time stamp, 03-07-2009 14:05:09 plus
// one minute a row.
class HandLog {
 public:
  HandLog(unsigned records, uint16_t recordSize, uint32_t dataFormat)
      : m_size(recordSize),
        m_format(dataFormat),
        m_records(records, RecordBytes(recordSize, 0, dataFormat == 256)) {}

  void SetType(unsigned row, uint8_t byRecordType) {
    m_records[row].Byte(0, byRecordType).Time(2009, 3, 7, 14, static_cast<int>(5 + row), 9);
  }
  void SetTime(unsigned row, int year, int month, int day, int hour, int minute, int second) {
    m_records[row].Time(year, month, day, hour, minute, second);
  }
  void SetByte(unsigned row, size_t offset, uint8_t value) { m_records[row].Byte(offset, value); }
  void SetFloat(unsigned row, size_t offset, float value) { m_records[row].Float(offset, value); }

  std::vector<uint8_t> Bytes() const {
    std::vector<std::vector<uint8_t>> records;
    for (const RecordBytes& r : m_records) records.push_back(r.bytes);
    return MakeLogFile(m_format, 0, static_cast<uint32_t>(records.size()), m_size, records);
  }
  void LoadInto(CMeterlog2Doc& doc) const {
    const std::vector<uint8_t> bytes = Bytes();
    doc.LoadFromMemory(bytes.data(), bytes.size(), "hand-built.57x");
  }

 private:
  uint16_t m_size;
  uint32_t m_format;
  std::vector<RecordBytes> m_records;
};

// A value as the table writes it ("%f").
inline std::string Fixed6(double value) {
  std::string text;
  AppendFixed6(text, value);
  return text;
}

// A generated log of `records` records, loaded (recordSize 0: the type's own layout size).
inline CMeterlog2Doc LoadSampleLog(int logType, uint32_t format, unsigned records,
                                   uint16_t recordSize = 0) {
  SampleLogOptions o;
  o.logType = logType;
  o.records = records;
  o.dataFormat = format;
  o.recordSize = recordSize;
  const std::vector<uint8_t> bytes = MakeSampleLog(o);
  CMeterlog2Doc doc;
  EXPECT_EQ(doc.LoadFromMemory(bytes.data(), bytes.size(), "sample").status,
            LoadResult::Status::kLoaded);
  return doc;
}
