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
