#pragma once
// The single document: one open log file, its records held raw, and every question the table
// asks about them. No Qt here; the application puts the messages of a failed load on screen.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "LogTypes.h"
#include "text/TimeText.h"

// What a load did, for the caller to show. `message` is empty when there is nothing to say.
struct LoadResult {
  enum class Status {
    kLoaded,       // records read (possibly none); no message
    kOpenFailed,   // the file could not be opened; the document is unchanged
    kEndOfFile,    // the file ends inside its header; the document is a new, empty, untitled one
    kHeaderSize,   // "Error in File Header Size": file opened, titled, no records
    kFileSize,     // "Error in File Size (%ld, %ld)": file opened, titled, no records
    kRecordSize,   // a record size of 0 with records to read: file opened, titled, no records
    kOutOfMemory,  // "Failed to open document." and how much was needed: new, empty, untitled
    kChanged,      // the file changed size while it was read: new, empty, untitled document
  };
  Status status = Status::kLoaded;
  std::string message;
  // What is wrong, in plain words, to follow the file's name ("is not a 57x log: its header
  // size is 8224 (a log's is at most 3100)"); empty where `message` says it all or nothing is.
  std::string problem;
  // A file shorter than its header declares (kFileSize), or one loaded anyway with `salvage`:
  // the records it declares and the complete ones it holds (and a loaded document holds, unless
  // it was asked for fewer).
  uint32_t declaredRecords = 0;
  uint32_t completeRecords = 0;
  bool salvaged = false;  // loaded with fewer records than declared

  // True when the file counts as opened: the document takes the file's name as its title.
  bool Opened() const {
    return status == Status::kLoaded || status == Status::kHeaderSize ||
           status == Status::kFileSize || status == Status::kRecordSize;
  }
};

// What the loader reads from: an open file, a block of memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Length() const = 0;
  virtual uint64_t Position() const = 0;
  virtual void Skip(uint64_t count) = 0;
  // Reads up to `count` bytes; returns how many arrived.
  virtual size_t Read(uint8_t* into, size_t count) = 0;
  // True when the source is no longer as long as it was when the load began.
  virtual bool Changed() const { return false; }
};

class CMeterlog2Doc {
 public:
  CMeterlog2Doc() = default;

  // Reads the log file at `path`. Never throws.
  // With `salvage`, a file shorter than its header declares loads the complete records it holds
  // (the result says how many of how many) instead of none.
  LoadResult Load(const std::filesystem::path& path, bool salvage = false);
  // The same from bytes in memory (`name` stands in for the path in messages).
  LoadResult LoadFromMemory(const uint8_t* data, size_t size, const std::string& name,
                            bool salvage = false);
  // The same from any source (`name` stands in for the full path in messages). At most `limit`
  // records are read, those at the start of the file.
  LoadResult LoadFromSource(ByteSource& source, const std::string& name, bool salvage = false,
                            unsigned limit = kAllRecords);
  // Reads the header and at most the first `limit` records: what a log is, without the time and
  // memory its records would cost. The result's completeRecords is the count a whole load would
  // hold; a file that a whole load refuses (header, size, end of file) is refused the same way.
  LoadResult LoadFirstRecords(const std::filesystem::path& path, unsigned limit,
                              bool salvage = false);
  static constexpr unsigned kAllRecords = ~0u;

  // Frees every record; returns how many there were. Data formats and record size stay.
  size_t DeleteRecords();
  // Empties the document for File > New: the records go, the data formats stay.
  bool OnNewDocument();

  uint32_t GetDataFormat() const { return m_dwCurrentDataFormat; }
  uint32_t GetDetectedDataFormat() const { return m_dwDetectedDataFormat; }
  // Accepts only 1 and 256; returns the previous current value, or -1 when refused.
  // The caller (the application) rebuilds the columns of a vector log and repaints.
  long long SetDataFormat(uint32_t value);
  uint16_t GetRecordSize() const { return m_wRecordSize; }

  // Record access.
  unsigned GetRecordCount() const { return m_nRecordCount; }
  // The record's bytes (GetRecordSize() of them), or nullptr when row >= count.
  const uint8_t* GetRecord(unsigned row) const;
  // Every loaded record, back to back. The bytes stay as they are for as long as the pointer is
  // held, through later loads and DeleteRecords (the desktop dumps them on another thread).
  std::shared_ptr<const uint8_t[]> SharedRecords() const { return m_records; }
  bool GetLogType(int& type, unsigned row) const;
  bool GetLogTypeName(std::string& text, unsigned row) const;
  // The record's time in `style`, or "Invalid DateTime" when its date or clock is impossible.
  bool GetTimeStamp(std::string& text, unsigned row, TimeStyle style = TimeStyle::kTable) const;
  bool GetRecordTitle(std::string& text, unsigned row) const;
  // The record's clock time in seconds since 1970-01-01 00:00:00 of that clock (it keeps no
  // time zone); false without a record or where the time stamp reads "Invalid DateTime".
  bool GetTimeSeconds(int64_t& seconds, unsigned row) const;
  // The 240 signed samples of WaveformData block 0 or 1 of a Waveform log (raw counts: the log
  // gives no scale); false for other logs.
  bool GetWaveformData(std::array<int8_t, 240>& samples, unsigned row, unsigned block) const;
  bool GetChannelSelect(int& code, unsigned row, unsigned c) const;
  bool GetChannelSelectName(std::string& text, unsigned row, unsigned c) const;
  bool GetPhaseDirectionName(std::string& text, unsigned row) const;

  // Value queries: the numbers the table shows, floats read in the current byte order and
  // angles in degrees. False when the row has no record, a selector is out of range or a field
  // does not lie wholly inside the record. Selectors: w bandwidth (0 Wide, 1 Narrow), c channel
  // (0, 1), p phase (0..2 = A..C, 3 = single-phase block or three-phase average/total),
  // h harmonic (0..48 for harmonic numbers 2..50).
  bool GetFrequency(double& value, unsigned row) const;
  bool GetPhase(double& value, unsigned row, unsigned p) const;
  bool GetPower(double& value, unsigned row, unsigned w, unsigned p) const;
  bool GetPowerFactor(double& value, unsigned row, unsigned w, unsigned p) const;
  bool GetVoltAmps(double& value, unsigned row, unsigned w, unsigned p) const;
  bool GetVars(double& value, unsigned row, unsigned w, unsigned p) const;
  bool GetVoltage(double& value, unsigned row, unsigned w, unsigned p) const;
  bool GetVoltagePhase(double& value, unsigned row, unsigned p) const;
  bool GetCurrent(double& value, unsigned row, unsigned w, unsigned p) const;
  bool GetCurrentPhase(double& value, unsigned row, unsigned p) const;
  bool GetChannelLevel(double& value, unsigned row, unsigned c, bool narrow, unsigned p) const;
  bool GetThd(double& value, unsigned row, unsigned c, unsigned p) const;
  bool GetWattHours(double& value, unsigned row) const;
  bool GetVoltAmpHours(double& value, unsigned row) const;
  bool GetVarHours(double& value, unsigned row) const;
  bool GetHarmonicMagnitude(double& value, unsigned row, unsigned c, unsigned h, unsigned p) const;
  // GetHarmonicMagnitude of harmonics 2..50 at once (values[h] for h = 0..48), reading the
  // references once: for work over whole logs. False where GetHarmonicMagnitude is false for
  // every h; NaN for a harmonic whose field lies outside the record.
  bool GetHarmonicMagnitudes(std::array<double, 49>& values, unsigned row, unsigned c,
                             unsigned p) const;
  bool GetHarmonicPhase(double& value, unsigned row, unsigned c, unsigned h, unsigned p) const;
  bool GetKFactor(double& value, unsigned row, unsigned c, unsigned p) const;

  // True when the file's records read with the vector layout (record 0 is a vector log and
  // the current data format is 256).
  bool IsVectorVariant() const;
  // Log type of record 0 (0 without records).
  int GetFirstLogType() const { return m_nFirstLogType; }

 private:
  bool ThreePhaseLayout() const;
  // Reads the f32 at `offset` of `row` in the current byte order; false when the row has no
  // record or the field does not lie wholly inside it.
  bool ReadFloat(float& value, unsigned row, size_t offset) const;
  bool FloatValue(double& value, unsigned row, size_t offset, bool degrees) const;
  // The factor that scales the harmonic table of channel c, phase p to the channel's units.
  bool HarmonicScale(float& scale, unsigned row, unsigned c, unsigned p) const;
  // Volts, currents and their phases: a vector of the vector variant, the three-phase average
  // (magnitudes only), or 0.
  bool VectorValue(double& value, unsigned row, unsigned w, unsigned p, const size_t (&vector)[3],
                   size_t average, bool degrees) const;

  // Every record, back to back, m_wRecordSize bytes each. A load fills a new block and never
  // changes it afterwards, so a holder of the previous block (a dump still being written) reads
  // it undisturbed.
  std::shared_ptr<uint8_t[]> m_records;
  unsigned m_nRecordCount = 0;
  int m_nFirstLogType = 0;  // log type of record 0: it decides the layout of every record
  uint16_t m_wRecordSize = 0;
  uint32_t m_dwDetectedDataFormat = 0;
  uint32_t m_dwCurrentDataFormat = 0;
};
