#pragma once
// Logs built byte by byte for the table tests, so that every expected cell can be traced to
// the record offset it comes from.

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "log/Meterlog2Doc.h"
#include "log/NumberText.h"
#include "samples/SampleLog.h"

class HandLog {
 public:
  HandLog(unsigned records, uint16_t recordSize, uint32_t dataFormat)
      : m_size(recordSize), m_format(dataFormat), m_records(records, Record(recordSize, 0)) {}

  // byRecordType and a valid time stamp (03-07-2009 14:05:09 + row minutes).
  void SetType(unsigned row, uint8_t byRecordType) {
    Record& r = m_records[row];
    r[0] = byRecordType;
    r[1] = 9;
    r[2] = static_cast<uint8_t>(5 + row);
    r[3] = 14;
    r[4] = 7;
    r[5] = 3;
    r[8] = 2009 >> 8;  // year, big-endian in the file
    r[9] = 2009 & 0xFF;
  }
  void SetByte(unsigned row, size_t offset, uint8_t value) { m_records[row][offset] = value; }
  // Stores the float the way the file's data format says: "Type 0100" files hold it reversed.
  void SetFloat(unsigned row, size_t offset, float value) {
    uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    if (m_format == 256) std::swap(bytes[0], bytes[3]), std::swap(bytes[1], bytes[2]);
    std::memcpy(&m_records[row][offset], bytes, 4);
  }

  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> file = {static_cast<uint8_t>(m_format),
                                 static_cast<uint8_t>(m_format >> 8),
                                 static_cast<uint8_t>(m_format >> 16),
                                 static_cast<uint8_t>(m_format >> 24),
                                 0,
                                 0};
    const uint32_t count = static_cast<uint32_t>(m_records.size());
    for (int shift = 24; shift >= 0; shift -= 8)
      file.push_back(static_cast<uint8_t>(count >> shift));
    file.push_back(static_cast<uint8_t>(m_size >> 8));
    file.push_back(static_cast<uint8_t>(m_size));
    for (const Record& r : m_records) file.insert(file.end(), r.begin(), r.end());
    return file;
  }

  void LoadInto(CMeterlog2Doc& doc) const {
    const std::vector<uint8_t> bytes = Bytes();
    doc.LoadFromMemory(bytes.data(), bytes.size(), "hand-built.57x");
  }

 private:
  using Record = std::vector<uint8_t>;
  uint16_t m_size;
  uint32_t m_format;
  std::vector<Record> m_records;
};

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
