#pragma once
// The diagnostic dump: every record read in full, field by field under its layout names.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

// Appends the dump text of one record (as held after loading) to `out`. A block is printed
// only when it lies wholly inside the record's `size` bytes.
void AppendRecordDump(std::string& out, const uint8_t* record, size_t size);

// Writes the dump of `count` records of `size` bytes each, back to back at `records`, to `out`
// in pieces of about a megabyte. Stops at the first failed write; false then.
bool WriteRecordDumps(std::ostream& out, const uint8_t* records, size_t count, size_t size);

// What WriteRecordDumpsWithin wrote.
struct DumpExtent {
  size_t records = 0;  // whole records, from the first
  uint64_t bytes = 0;  // the bytes they take in the file
  bool ok = true;      // false after a failed write
};
// Writes the dumps of whole records, from the first, for as long as they fit in `room` bytes of
// the file, each line end counted as `lineEndBytes` (2 where a text-mode file writes CR LF). The
// bytes are counted as written, so records of different log types count what they really take.
DumpExtent WriteRecordDumpsWithin(std::ostream& out, const uint8_t* records, size_t count,
                                  size_t size, uint64_t room, unsigned lineEndBytes);

// What closes a dump that did not fit in a dump file of `limit` bytes: a separator line and a
// sentence saying how many of the load's records were left out and why (LF line ends).
std::string DumpCutShortText(size_t leftOut, size_t total, uint64_t limit);
// The most bytes that text can take, line ends as CR LF included.
constexpr uint64_t kDumpCutShortTextMax = 256;
